#ifndef HISTORY_CARD_LABEL_H
#define HISTORY_CARD_LABEL_H

#include <optional>

#include <QString>

// What the history accepts as a card's label, once trimmed: 1 to 64 characters, none of them a
// control or format character.
enum class CardLabelProblem { Empty, ControlCharacter, TooLong };
inline constexpr int kMaxCardLabel = 64;

std::optional<CardLabelProblem> cardLabelFault(const QString& label);

// Where the label was typed: --card, or the station's number field; the problem is worded for it.
enum class LabelSource { CommandLine, Station };
QString cardLabelMessage(CardLabelProblem problem, LabelSource source);

#endif
