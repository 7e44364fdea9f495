#include "batch/batch_window.h"

#include <QAccessible>
#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QSqlQuery>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "batch/card_check.h"
#include "batch/history_view.h"
#include "card/card.h"
#include "history/card_label.h"
#include "history/check_journal.h"
#include "history/diagnosis.h"
#include "history/run_recorder.h"
#include "history/run_report.h"
#include "history/stored_check.h"

namespace {

const QString kTitle = QStringLiteral("COMPROBACIÓN DE UN LOTE DE TARJETAS");
const QString kSimulated = QStringLiteral("TARJETA SIMULADA");
constexpr int kProgressEveryMs = 50;
constexpr int kLastChecks = 5;
const QColor kGreen(0x1b, 0x6e, 0x20);
const QColor kRed(0xb0, 0x1c, 0x1c);
const QColor kGrey(0x55, 0x55, 0x55);

// Large type that follows the desktop's own font size.
void enlarge(QWidget* widget, qreal factor, bool bold = true) {
    QFont font = widget->font();
    font.setPointSizeF(font.pointSizeF() * factor);
    font.setBold(bold);
    widget->setFont(font);
}

QLabel* wrappingLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QString labelProblem(CardLabelProblem problem) {
    switch (problem) {
        case CardLabelProblem::Empty:
            return QStringLiteral("Escriba el número de la tarjeta.");
        case CardLabelProblem::ControlCharacter:
            return QStringLiteral("El número de la tarjeta no puede llevar caracteres de control.");
        case CardLabelProblem::TooLong:
            break;
    }
    return QStringLiteral("El número de la tarjeta tiene más de %1 caracteres.").arg(kMaxCardLabel);
}

QString voltsLine(const RunRecord& record) {
    if (record.analog.isEmpty()) return QStringLiteral("Entradas analógicas: no se llegaron a medir.");
    QStringList volts;
    for (int input = 1; input <= 4; ++input)
        volts << QStringLiteral("%1: %2 V").arg(input).arg(voltsText(record.analog.last()[input - 1]));
    return QStringLiteral("Entradas analógicas: ") + volts.join(QStringLiteral("   "));
}

}  // namespace

BatchWindow::BatchWindow(Card& card, Clock& clock, BatchSetup setup)
    : card_(card),
      clock_(clock),
      setup_(std::move(setup)),
      simulated_(setup_.port == u"simulated"),
      reader_(setup_.historyPath),
      check_(new CardCheck(card, clock, setup_.programFolder)) {
    setWindowTitle(simulated_ ? kTitle + QStringLiteral(" — ") + kSimulated : kTitle);
    if (setup_.journal) setup_.journal->follow(check_->recorder(), [this] { return checked_; });
    connect(check_, &CardCheck::testStarted, this,
            [this](int test) { runningTest_->setText(QStringLiteral("Test %1 de 6").arg(test)); });
    connect(check_, &CardCheck::ended, this, &BatchWindow::checkEnded);

    portLabel_ = new QLabel(simulated_ ? QStringLiteral("Puerto: ninguno, %1").arg(kSimulated)
                                       : QStringLiteral("Puerto: %1").arg(setup_.port),
                            this);
    enlarge(portLabel_, 1.2);
    portLabel_->setAccessibleName(portLabel_->text());
    tabs_ = new QTabWidget(this);
    tabs_->addTab(buildStation(), QStringLiteral("&Comprobar tarjetas"));
    historyView_ = new HistoryView(reader_, this);
    tabs_->addTab(historyView_, QStringLiteral("&Historial"));
    tabs_->setAccessibleName(QStringLiteral("Comprobar tarjetas o historial"));
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int tab) {
        if (tab == 1) historyView_->refresh();
    });
    salir_ = new QPushButton(QStringLiteral("SALIR  (Ctrl+Q)"), this);
    salir_->setAccessibleName(QStringLiteral("SALIR"));
    connect(salir_, &QPushButton::clicked, this, &QWidget::close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(portLabel_);
    layout->addWidget(tabs_, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(salir_);
    layout->addLayout(bottom);
    buildShortcuts();
    setTabOrder(number_, comprobar_);
    setTabOrder(comprobar_, parar_);
    setTabOrder(parar_, lastChecks_);
    setTabOrder(lastChecks_, session_);
    setTabOrder(session_, salir_);
    showIdle();
    number_->setFocus();
}

// A window closed while a check runs has already stopped it; the card never hears from it again.
BatchWindow::~BatchWindow() {
    delete check_;
}

QWidget* BatchWindow::buildStation() {
    auto* page = new QWidget(this);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(buildVerdictPanel());
    layout->addWidget(buildNumberRow());

    progress_ = new QProgressBar(page);
    progress_->setRange(0, kSequenceMs);
    progress_->setTextVisible(false);
    progress_->setAccessibleName(QStringLiteral("Progreso de la comprobación"));
    runningTest_ = new QLabel(page);
    enlarge(runningTest_, 1.2);
    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(progress_, 1);
    progressRow->addWidget(runningTest_);
    layout->addLayout(progressRow);

    numberInfo_ = wrappingLabel(page);
    lastChecks_ = new QListWidget(page);
    lastChecks_->setAccessibleName(QStringLiteral("Últimas comprobaciones de la tarjeta"));
    stationWarning_ = wrappingLabel(page);
    enlarge(stationWarning_, 1.2);
    stationWarning_->setStyleSheet(QStringLiteral("background: #ffd54f; color: black; padding: 0.4em;"));
    stationWarning_->hide();
    tally_ = new QLabel(page);
    enlarge(tally_, 1.2);
    session_ = new QTableWidget(0, 4, page);
    session_->setHorizontalHeaderLabels(
        {QStringLiteral("Hora"), QStringLiteral("Tarjeta"), QStringLiteral("Resultado"), QStringLiteral("Qué falló")});
    session_->horizontalHeader()->setStretchLastSection(true);
    session_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    session_->verticalHeader()->hide();
    session_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    session_->setSelectionBehavior(QAbstractItemView::SelectRows);
    session_->setAccessibleName(QStringLiteral("Tarjetas comprobadas en esta sesión"));

    layout->addWidget(numberInfo_);
    layout->addWidget(lastChecks_, 1);
    layout->addWidget(stationWarning_);
    layout->addWidget(tally_);
    layout->addWidget(session_, 2);
    return page;
}

QWidget* BatchWindow::buildVerdictPanel() {
    panel_ = new QFrame(this);
    panel_->setAutoFillBackground(true);
    panel_->setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(panel_);
    simulatedBanner_ = new QLabel(kSimulated + QStringLiteral(": este resultado no es el de una tarjeta real"), panel_);
    enlarge(simulatedBanner_, 1.4);
    simulatedBanner_->setAccessibleName(simulatedBanner_->text());
    simulatedBanner_->setVisible(simulated_);
    headline_ = wrappingLabel(panel_);
    enlarge(headline_, 2.6);
    diagnosis_ = wrappingLabel(panel_);
    diagnosis_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    enlarge(diagnosis_, 1.2, false);
    volts_ = wrappingLabel(panel_);
    enlarge(volts_, 1.2, false);
    for (QLabel* label : {simulatedBanner_, headline_, diagnosis_, volts_}) {
        label->setForegroundRole(QPalette::WindowText);
        layout->addWidget(label);
    }
    return panel_;
}

QWidget* BatchWindow::buildNumberRow() {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    auto* caption = new QLabel(QStringLiteral("&Número de la tarjeta:"), row);
    enlarge(caption, 1.4);
    number_ = new QLineEdit(row);
    enlarge(number_, 1.8);
    number_->setMaxLength(4 * kMaxCardLabel);
    number_->setAccessibleName(QStringLiteral("Número de la tarjeta"));
    number_->setAccessibleDescription(
        QStringLiteral("Escriba o lea con el lector el número; Intro muestra sus comprobaciones anteriores"));
    caption->setBuddy(number_);
    // A scanner ends with Enter: it confirms the number, the check waits for COMPROBAR.
    connect(number_, &QLineEdit::returnPressed, this, &BatchWindow::confirmNumber);
    connect(number_, &QLineEdit::textEdited, this, [this] {
        confirmed_.clear();
        if (!checking()) showIdle();
    });
    comprobar_ = new QPushButton(QStringLiteral("COMPROBAR  (F5)"), row);
    enlarge(comprobar_, 2.0);
    comprobar_->setAutoDefault(false);
    comprobar_->setAccessibleName(QStringLiteral("COMPROBAR"));
    comprobar_->setAccessibleDescription(QStringLiteral("Comprueba la tarjeta con los seis tests (F5)"));
    connect(comprobar_, &QPushButton::clicked, this, &BatchWindow::startCheck);
    parar_ = new QPushButton(QStringLiteral("PARAR  (Esc)"), row);
    enlarge(parar_, 1.4);
    parar_->setAutoDefault(false);
    parar_->setAccessibleName(QStringLiteral("PARAR"));
    parar_->setAccessibleDescription(QStringLiteral("Deja la comprobación y apaga los relés (Esc)"));
    connect(parar_, &QPushButton::clicked, this, &BatchWindow::stopCheck);
    layout->addWidget(caption);
    layout->addWidget(number_, 1);
    layout->addWidget(comprobar_);
    layout->addWidget(parar_);
    return row;
}

void BatchWindow::buildShortcuts() {
    connect(new QShortcut(QKeySequence(Qt::Key_F5), this), &QShortcut::activated, this, &BatchWindow::startCheck);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &BatchWindow::stopCheck);
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this), &QShortcut::activated, this, &QWidget::close);
}

bool BatchWindow::checking() const {
    return check_->running();
}

void BatchWindow::setPanel(const QString& headline, const QString& detail, const QColor& background) {
    // White on green or red; the desktop's own colours while no verdict shows.
    QPalette colours = palette();
    if (background.isValid()) {
        colours.setColor(QPalette::Window, background);
        colours.setColor(QPalette::WindowText, Qt::white);
    }
    panel_->setPalette(colours);
    headline_->setText(headline);
    headline_->setAccessibleName(headline);
    diagnosis_->setText(detail);
    diagnosis_->setAccessibleName(detail);
    diagnosis_->setVisible(!detail.isEmpty());
    volts_->clear();
    volts_->hide();
}

void BatchWindow::showIdle() {
    setPanel(QStringLiteral("PREPARADA PARA LA SIGUIENTE TARJETA"),
             QStringLiteral("Escriba o lea el número de la tarjeta, pulse Intro para ver sus comprobaciones anteriores "
                            "y COMPROBAR (F5) para comprobarla."),
             QColor());
    comprobar_->setEnabled(true);
    parar_->setEnabled(false);
    progress_->setValue(0);
    runningTest_->clear();
    numberInfo_->clear();
    lastChecks_->clear();
}

bool BatchWindow::confirmNumber() {
    if (checking()) return false;
    if (auto problem = cardLabelFault(number_->text())) {
        confirmed_.clear();
        numberInfo_->setText(labelProblem(*problem));
        lastChecks_->clear();
        announce(numberInfo_);
        return false;
    }
    confirmed_ = number_->text().trimmed();
    showLastChecks(confirmed_);
    return true;
}

void BatchWindow::showLastChecks(const QString& card) {
    lastChecks_->clear();
    auto database = reader_.database();
    if (!database) {
        numberInfo_->setText(reader_.problem());
        return;
    }
    QSqlQuery query = filteredChecks(*database, HistoryFilter{card, {}, {}, {}}, kLastChecks);
    while (query.next()) {
        const StoredCheck check = storedCheck(query);
        QString line = QStringLiteral("%1   %2").arg(check.started.toString(QStringLiteral("dd/MM/yyyy HH:mm")),
                                                     outcomeWord(check.outcome));
        if (check.outcome == u"fail") line += QStringLiteral(": ") + failureSummary(check.record);
        lastChecks_->addItem(line);
    }
    numberInfo_->setText(
        lastChecks_->count() == 0
            ? QStringLiteral("La tarjeta %1 no tiene comprobaciones anteriores en el historial.").arg(card)
            : QStringLiteral("Últimas comprobaciones de la tarjeta %1:").arg(card));
    numberInfo_->setAccessibleName(numberInfo_->text());
}

void BatchWindow::startCheck() {
    if (checking()) return;
    // A second press of the same click, or a key that bounced, does nothing.
    const qint64 now = clock_.nowNs();
    if (lastPressNs_ && now - *lastPressNs_ < kDoublePressMs * kNsPerMs) return;
    lastPressNs_ = now;
    if (confirmed_.isEmpty() && !confirmNumber()) return;
    checked_ = confirmed_;
    stationWarning_->setVisible(!warnings_.isEmpty());
    setPanel(QStringLiteral("COMPROBANDO LA TARJETA %1").arg(checked_),
             QStringLiteral("No desconecte la tarjeta. PARAR (Esc) deja la comprobación y apaga los relés."), QColor());
    number_->setReadOnly(true);
    comprobar_->setEnabled(false);
    parar_->setEnabled(true);
    checkStartedNs_ = now;
    progress_->setValue(0);
    check_->start();
    updateProgress();
}

void BatchWindow::stopCheck() {
    check_->stop();
}

void BatchWindow::endOnSignal(int signal) {
    check_->stop();
    if (setup_.endProgram) setup_.endProgram(128 + signal);
}

void BatchWindow::portLost() {
    check_->portLost();
}

void BatchWindow::closeEvent(QCloseEvent* event) {
    check_->stop();
    event->accept();
}

void BatchWindow::updateProgress() {
    if (!checking()) return;
    progress_->setValue(int(std::min<qint64>(kSequenceMs, (clock_.nowNs() - checkStartedNs_) / kNsPerMs)));
    progressAlarm_ = clock_.alarmAt(clock_.nowNs() + kProgressEveryMs * kNsPerMs, [this] { updateProgress(); });
}

void BatchWindow::checkEnded(const RunRecord& record) {
    progressAlarm_.cancel();
    runningTest_->clear();
    number_->setReadOnly(false);
    number_->selectAll();
    comprobar_->setEnabled(true);
    parar_->setEnabled(false);
    if (record.outcome == Outcome::Interrupted) {
        setPanel(QStringLiteral("COMPROBACIÓN INTERRUMPIDA"),
                 QStringLiteral("La comprobación de la tarjeta %1 se ha dejado a medias: los relés están apagados y el "
                                "historial la guarda como interrumpida.")
                     .arg(checked_),
                 kGrey);
    } else {
        if (record.outcome == Outcome::Pass) progress_->setValue(kSequenceMs);
        record.outcome == Outcome::Pass ? ++passed_ : ++failed_;
        watch_.add(checked_, record);
        warnings_ = watch_.warnings();
        stationWarning_->setText(warnings_.join(u'\n'));
        stationWarning_->setAccessibleName(stationWarning_->text());
        stationWarning_->setVisible(!warnings_.isEmpty());
        showVerdict(record);
    }
    tally_->setText(QStringLiteral("Comprobadas: %1     Correctas: %2     Con fallos: %3")
                        .arg(passed_ + failed_)
                        .arg(passed_)
                        .arg(failed_));
    tally_->setAccessibleName(tally_->text());
    addToSession(record);
    number_->setFocus();
    announce(panel_);
    emit verdictShown(record);
}

void BatchWindow::showVerdict(const RunRecord& record) {
    const bool passed = record.outcome == Outcome::Pass;
    const QStringList lines = diagnosisLines(record);  // the words of --auto, a card that does not answer included
    setPanel(passed ? QStringLiteral("TARJETA CORRECTA") : QStringLiteral("TARJETA CON FALLOS"),
             QStringLiteral("Tarjeta %1. ").arg(checked_) +
                 (lines.isEmpty() ? QStringLiteral("Los seis tests han pasado.") : QChar(u'\n') + lines.join(u'\n')),
             passed ? kGreen : kRed);
    volts_->setText(voltsLine(record));
    volts_->setAccessibleName(volts_->text());
    volts_->show();
}

void BatchWindow::addToSession(const RunRecord& record) {
    const QJsonObject document = reportDocument(record, {checked_, {}, {}, {}}).object();
    session_->insertRow(0);
    const QStringList cells{record.finished.toString(QStringLiteral("HH:mm:ss")), checked_,
                            outcomeWord(outcomeName(record.outcome)), failureSummary(document)};
    for (int column = 0; column < cells.size(); ++column)
        session_->setItem(0, column, new QTableWidgetItem(cells[column]));
}

// A screen reader says what appeared, with the simulated card named first.
void BatchWindow::announce(QWidget* widget) {
    if (!QAccessible::isActive()) return;
    if (widget == panel_) {
        QStringList parts;
        if (simulated_) parts << kSimulated;
        parts << headline_->text() << diagnosis_->text() << volts_->text();
        panel_->setAccessibleName(parts.join(u'\n'));
    }
    QAccessibleEvent changed(widget, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&changed);
    QAccessibleEvent alert(widget, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}
