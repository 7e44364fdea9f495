// The station's verdict for each kind of fault, as pictures for the documentation: the simulated
// card on a virtual clock, so that the six tests take no real time. Writes station-<kind>.png into
// the folder given (docs/ by default).
#include <cstdio>

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>

#include "batch/batch_window.h"
#include "card/card.h"
#include "card/card_faults.h"
#include "card/simulated_card.h"
#include "check/offscreen_check.h"
#include "history/check_journal.h"
#include "tests/support/virtual_clock.h"

int main(int argc, char* argv[]) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QDir folder(app.arguments().value(1, QStringLiteral(CARDCHECK_SOURCE_DIR "/docs")));
    const std::pair<const char*, QStringList> kinds[] = {{"good", {}},
                                                         {"broken", {"roto:4"}},
                                                         {"crossed", {"cruzados:3,5"}},
                                                         {"analog", {"analogica:4=230"}},
                                                         {"silent", {"ausente"}}};
    for (const auto& [kind, faults] : kinds) {
        CardFaults cardFaults;
        for (const QString& fault : faults) addFault(cardFaults, fault);
        VirtualClock clock;
        SimulatedCard simulated(clock, cardFaults);
        Card card(simulated, clock);
        QTemporaryDir history;
        const QString path = history.filePath("historial.sqlite");
        CheckJournal journal(path, {"", CheckMode::Batch, "", {}, {}}, [](const QString&) {});
        journal.flush();
        BatchWindow window(card, clock, {QCoreApplication::applicationDirPath(), QString(), path, QString(), &journal, {}});
        window.resize(1280, 1024);
        window.show();
        window.findChild<QLineEdit*>("number")->setText(QStringLiteral("14"));
        window.findChild<QPushButton*>("comprobar")->click();
        clock.runUntil([&] { return !window.checking(); });
        QCoreApplication::processEvents();
        const QString picture = folder.filePath(QStringLiteral("station-%1.png").arg(kind));
        if (!window.grab().save(picture)) {
            std::printf("could not write %s\n", qPrintable(picture));
            return 1;
        }
        std::printf("%s\n", qPrintable(picture));
    }
    return 0;
}
