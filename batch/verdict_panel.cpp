#include "batch/verdict_panel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "batch/station_style.h"
#include "batch/wiring_view.h"
#include "record/wording.h"

namespace {

const QColor kGreen(0x1b, 0x6e, 0x20);
const QColor kRed(0xb0, 0x1c, 0x1c);
const QColor kGrey(0x55, 0x55, 0x55);
// Beside the verdict's text, so that the whole station still fits on a 1280 x 1024 screen.
constexpr int kPictureWidth = 400;

QString voltsLine(const RunRecord& record) {
    if (record.analog.isEmpty()) return QStringLiteral("Entradas analógicas: no se llegaron a medir.");
    QStringList volts;
    for (int input = 1; input <= 4; ++input)
        volts << QStringLiteral("%1: %2").arg(input).arg(voltsLabel(record.analog.last()[input - 1]));
    return QStringLiteral("Entradas analógicas: ") + volts.join(QStringLiteral("   "));
}

}  // namespace

VerdictPanel::VerdictPanel(bool simulated, QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("verdictPanel"));
    setAutoFillBackground(true);
    setFrameShape(QFrame::StyledPanel);
    auto* layout = new QHBoxLayout(this);
    auto* texts = new QVBoxLayout;
    layout->addLayout(texts, 1);
    wiring_ = new WiringView(QStringLiteral("verdictWiring"), kPictureWidth, this);
    layout->addWidget(wiring_, 0, Qt::AlignTop);
    simulated_ = new QLabel(kSimulatedCard + QStringLiteral(": este resultado no es el de una tarjeta real"), this);
    enlarge(simulated_, 1.4);
    simulated_->setAccessibleName(simulated_->text());
    simulated_->setVisible(simulated);
    headline_ = wrappingLabel(this, QStringLiteral("headline"));
    enlarge(headline_, 2.6);
    diagnosis_ = wrappingLabel(this, QStringLiteral("diagnosis"));
    diagnosis_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    enlarge(diagnosis_, 1.2, false);
    volts_ = wrappingLabel(this, QStringLiteral("volts"));
    enlarge(volts_, 1.2, false);
    for (QLabel* label : {simulated_, headline_, diagnosis_, volts_}) {
        label->setForegroundRole(QPalette::WindowText);
        texts->addWidget(label);
    }
    texts->addStretch(1);
}

void VerdictPanel::present(const QString& headline, const QString& detail, const QColor& background) {
    // White on green or red; the desktop's own colours while no verdict shows.
    QPalette colours = parentWidget()->palette();
    if (background.isValid()) {
        colours.setColor(QPalette::Window, background);
        colours.setColor(QPalette::WindowText, Qt::white);
    }
    setPalette(colours);
    setSpokenText(headline_, headline);
    setSpokenText(diagnosis_, detail);
    diagnosis_->setVisible(!detail.isEmpty());
    volts_->clear();
    volts_->hide();
    wiring_->clearCheck();
    setAccessibleName(spoken());
}

void VerdictPanel::showIdle() {
    present(
        QStringLiteral("PREPARADA PARA LA SIGUIENTE TARJETA"),
        QStringLiteral("Escriba o lea el número de la tarjeta, pulse Intro para ver sus comprobaciones anteriores y "
                       "COMPROBAR (F5) para comprobarla."),
        QColor());
}

void VerdictPanel::showChecking(const QString& card) {
    present(QStringLiteral("COMPROBANDO LA TARJETA %1").arg(card),
            QStringLiteral("No desconecte la tarjeta. PARAR (Esc) deja la comprobación y apaga los relés."), QColor());
}

void VerdictPanel::showVerdict(const QString& card, const RunRecord& record) {
    const bool passed = record.outcome == Outcome::Pass;
    const QStringList lines = diagnosisLines(record);  // the words of --auto, a card that does not answer included
    present(passed ? QStringLiteral("TARJETA CORRECTA") : QStringLiteral("TARJETA CON FALLOS"),
            QStringLiteral("Tarjeta %1. ").arg(card) +
                (lines.isEmpty() ? QStringLiteral("Los seis tests han pasado.") : QChar(u'\n') + lines.join(u'\n')),
            passed ? kGreen : kRed);
    setSpokenText(volts_, voltsLine(record));
    volts_->show();
    wiring_->showCheck(record);
    setAccessibleName(spoken());
}

// The picture tells what was checked before the check was cut short from what was not.
void VerdictPanel::showInterrupted(const QString& card, const RunRecord& record) {
    present(QStringLiteral("COMPROBACIÓN INTERRUMPIDA"),
            QStringLiteral("La comprobación de la tarjeta %1 se ha dejado a medias: los relés están apagados y el "
                           "historial la guarda como interrumpida.")
                .arg(card),
            kGrey);
    wiring_->showCheck(record);
}

QString VerdictPanel::spoken() const {
    QStringList parts;
    if (simulated_->isVisibleTo(this)) parts << kSimulatedCard;
    for (const QLabel* label : {headline_, diagnosis_, volts_})
        if (!label->text().isEmpty()) parts << label->text();
    return parts.join(u'\n');
}
