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

QString cardLabelMessage(CardLabelProblem problem, LabelSource source) {
    const bool station = source == LabelSource::Station;
    switch (problem) {
        case CardLabelProblem::Empty:
            return station ? QStringLiteral("Escriba el número de la tarjeta.")
                           : QStringLiteral("La etiqueta de --card está vacía.");
        case CardLabelProblem::ControlCharacter:
            return station ? QStringLiteral("El número de la tarjeta no puede llevar caracteres de control.")
                           : QStringLiteral("La etiqueta de --card no puede llevar caracteres de control.");
        case CardLabelProblem::TooLong:
            break;
    }
    return (station ? QStringLiteral("El número de la tarjeta tiene más de %1 caracteres.")
                    : QStringLiteral("La etiqueta de --card tiene más de %1 caracteres."))
        .arg(kMaxCardLabel);
}
