#include "batch/batch_window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

#include "batch/figures_view.h"
#include "batch/history_view.h"
#include "batch/last_checks.h"
#include "batch/session_panel.h"
#include "batch/station_style.h"
#include "batch/verdict_panel.h"
#include "check/offscreen_check.h"
#include "check/run_recorder.h"
#include "history/card_label.h"
#include "widgets/screen_reader.h"

namespace {
const QString kTitle = QStringLiteral("COMPROBACIÓN DE UN LOTE DE TARJETAS");
constexpr int kProgressEveryMs = 50;

QPushButton* button(const QString& text, const QString& name, const QString& does, qreal size, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name.toLower());
    enlarge(button, size);
    button->setAutoDefault(false);
    button->setAccessibleName(name);
    button->setAccessibleDescription(does);
    return button;
}
}  // namespace

BatchWindow::BatchWindow(Card& card, Clock& clock, BatchSetup setup)
    : clock_(clock),
      setup_(std::move(setup)),
      reader_(setup_.historyPath),
      check_(new OffscreenCheck(card, clock, setup_.programFolder, {})) {
    // A child, so tests find it by name; deleted first of all, while the window it reports to is whole.
    check_->setParent(this);
    check_->setObjectName(QStringLiteral("check"));
    const bool simulated = setup_.device.isEmpty();
    setWindowTitle(simulated ? kTitle + QStringLiteral(" — ") + kSimulatedCard : kTitle);
    if (setup_.journal) keepInJournal(check_->recorder(), *setup_.journal, [this] { return checked_; });
    connect(check_, &OffscreenCheck::testStarted, this,
            [this](int test) { runningTest_->setText(QStringLiteral("Test %1 de 6").arg(test)); });
    connect(check_, &OffscreenCheck::ended, this, &BatchWindow::checkEnded);

    auto* port = new QLabel(simulated ? QStringLiteral("Puerto: ninguno, %1").arg(kSimulatedCard)
                                      : QStringLiteral("Puerto: %1").arg(setup_.device),
                            this);
    enlarge(port, 1.2);
    port->setAccessibleName(port->text());
    labProblem_ = wrappingLabel(this, QStringLiteral("labProblem"));
    labProblem_->hide();
    verdict_ = new VerdictPanel(simulated, this);
    auto* tabs = new QTabWidget(this);
    tabs->addTab(buildStation(), QStringLiteral("&Comprobar tarjetas"));
    historyView_ = new HistoryView(reader_, setup_.labHistory, this);
    tabs->addTab(historyView_, QStringLiteral("&Historial"));
    figuresView_ = new FiguresView(setup_.historyPath, setup_.labHistory, this);
    figuresView_->setObjectName(QStringLiteral("figures"));
    tabs->addTab(figuresView_, QStringLiteral("&Estadística"));
    tabs->setAccessibleName(QStringLiteral("Comprobar tarjetas, historial o estadística"));
    connect(tabs, &QTabWidget::currentChanged, this, [this](int tab) {
        if (tab == 1) historyView_->refresh();
        if (tab == 2) figuresView_->refresh();
    });
    auto* salir = new QPushButton(QStringLiteral("SALIR  (Ctrl+Q)"), this);
    salir->setObjectName(QStringLiteral("salir"));
    salir->setAccessibleName(QStringLiteral("SALIR"));
    connect(salir, &QPushButton::clicked, this, &QWidget::close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(port);
    layout->addWidget(labProblem_);
    layout->addWidget(tabs, 1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(salir);
    layout->addLayout(bottom);
    buildShortcuts();
    setTabOrder(number_, comprobar_);
    setTabOrder(comprobar_, parar_);
    setTabOrder(parar_, lastChecks_->list());
    setTabOrder(lastChecks_->list(), session_->table());
    setTabOrder(session_->table(), salir);
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
    verdict_->setParent(page);
    layout->addWidget(verdict_);
    layout->addWidget(buildNumberRow(page));
    progress_ = new QProgressBar(page);
    progress_->setObjectName(QStringLiteral("progress"));
    progress_->setRange(0, kSequenceMs);
    progress_->setTextVisible(false);
    progress_->setAccessibleName(QStringLiteral("Progreso de la comprobación"));
    runningTest_ = new QLabel(page);
    runningTest_->setObjectName(QStringLiteral("runningTest"));
    enlarge(runningTest_, 1.2);
    auto* progressRow = new QHBoxLayout;
    progressRow->addWidget(progress_, 1);
    progressRow->addWidget(runningTest_);
    layout->addLayout(progressRow);
    lastChecks_ = new LastChecks(reader_, page);
    session_ = new SessionPanel(page);
    layout->addWidget(lastChecks_, 1);
    layout->addWidget(session_, 2);
    return page;
}

QWidget* BatchWindow::buildNumberRow(QWidget* parent) {
    auto* row = new QWidget(parent);
    auto* layout = new QHBoxLayout(row);
    auto* caption = new QLabel(QStringLiteral("&Número de la tarjeta:"), row);
    enlarge(caption, 1.4);
    number_ = new QLineEdit(row);
    number_->setObjectName(QStringLiteral("number"));
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
    comprobar_ = button(QStringLiteral("COMPROBAR  (F5)"), QStringLiteral("COMPROBAR"),
                        QStringLiteral("Comprueba la tarjeta con los seis tests (F5)"), 2.0, row);
    connect(comprobar_, &QPushButton::clicked, this, &BatchWindow::startCheck);
    parar_ = button(QStringLiteral("PARAR  (Esc)"), QStringLiteral("PARAR"),
                    QStringLiteral("Deja la comprobación y apaga los relés (Esc)"), 1.4, row);
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

void BatchWindow::showIdle() {
    verdict_->showIdle();
    comprobar_->setEnabled(true);
    parar_->setEnabled(false);
    progress_->setValue(0);
    runningTest_->clear();
    lastChecks_->clear();
}

bool BatchWindow::confirmNumber() {
    if (checking()) return false;
    if (auto problem = cardLabelFault(number_->text())) {
        confirmed_.clear();
        lastChecks_->say(cardLabelMessage(*problem, LabelSource::Station));
        return false;
    }
    confirmed_ = number_->text().trimmed();
    lastChecks_->showCard(confirmed_);
    return true;
}

void BatchWindow::startCheck() {
    if (checking()) return;
    // A second press of the same click, or a key that bounced, does nothing.
    const qint64 now = clock_.nowNs();
    if (lastPressNs_ && now - *lastPressNs_ < kDoublePressMs * kNsPerMs) return;
    lastPressNs_ = now;
    if (confirmed_.isEmpty() && !confirmNumber()) return;
    checked_ = confirmed_;
    verdict_->showChecking(checked_);
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

void BatchWindow::showLabProblem(const QString& message) {
    setSpokenText(labProblem_, message);
    labProblem_->show();
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
        verdict_->showInterrupted(checked_, record);
    } else {
        if (record.outcome == Outcome::Pass) progress_->setValue(kSequenceMs);
        verdict_->showVerdict(checked_, record);
    }
    session_->add(checked_, record);
    number_->setFocus();
    announce(verdict_, verdict_->spoken());
    emit verdictShown(record);
}
