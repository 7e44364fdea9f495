#ifndef CARD_CARD_FAULTS_H
#define CARD_CARD_FAULTS_H

#include <array>
#include <optional>
#include <vector>

#include <QString>
#include <QStringList>

// What is wrong with a simulated card. The default is a card wired as the checks expect:
// output n to input n, and the analog inputs chained from +5 V.
struct CardFaults {
    // Input n follows the relay of output inputSource[n]; -1 is a broken wire.
    std::array<int, 8> inputSource{0, 1, 2, 3, 4, 5, 6, 7};
    // An input stuck at the value the program reads (0 or 1), whatever its output does.
    std::array<std::optional<int>, 8> stuckInput{};
    // Converter readings of analog inputs 1 to 4, one per reading of the channel; the last one
    // holds once the list is used up. Empty: full scale, as the +5 V chain gives.
    std::array<std::vector<int>, 4> analogReadings{};
    // No card on the port: the status lines show what an empty port shows, whatever is written.
    bool absent = false;

    bool operator==(const CardFaults&) const = default;
};

// Parses one fault as the command line gives it, adding it to faults. On a malformed fault gives
// back a message in Spanish that says what is wrong and leaves faults as they were.
std::optional<QString> addFault(CardFaults& faults, const QString& text);

// The fault syntax, for the help text.
QString faultSyntaxHelp();

#endif
