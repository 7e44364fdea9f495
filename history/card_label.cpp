#include "history/card_label.h"

#include <QList>

std::optional<CardLabelProblem> cardLabelFault(const QString& label) {
    const QString trimmed = label.trimmed();
    if (trimmed.isEmpty()) return CardLabelProblem::Empty;
    for (QChar c : trimmed)
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format)
            return CardLabelProblem::ControlCharacter;
    if (trimmed.toUcs4().size() > kMaxCardLabel) return CardLabelProblem::TooLong;
    return std::nullopt;
}
