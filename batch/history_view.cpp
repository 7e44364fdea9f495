#include "batch/history_view.h"

#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

#include "batch/card_sheet.h"
#include "batch/history_model.h"
#include "batch/wiring_view.h"
#include "history/wording.h"

namespace {
const QDate kNoLimit(2000, 1, 1);  // a date edit at its least date filters nothing
constexpr int kPictureWidth = 360;
}  // namespace

HistoryView::HistoryView(HistoryReader& reader, QWidget* parent)
    : QWidget(parent), reader_(reader), model_(new HistoryModel(this)) {
    card_ = new QLineEdit(this);
    card_->setObjectName(QStringLiteral("cardFilter"));
    card_->setAccessibleName(QStringLiteral("Filtrar por número de tarjeta"));
    card_->setPlaceholderText(QStringLiteral("todas"));
    outcome_ = new QComboBox(this);
    outcome_->addItem(QStringLiteral("todos"));
    for (Outcome outcome : {Outcome::Pass, Outcome::Fail, Outcome::Interrupted})
        outcome_->addItem(outcomeWord(outcome), int(outcome));
    outcome_->setObjectName(QStringLiteral("outcomeFilter"));
    outcome_->setAccessibleName(QStringLiteral("Filtrar por resultado"));
    from_ = dateFilter(QStringLiteral("Desde el día"), QStringLiteral("el principio"));
    from_->setObjectName(QStringLiteral("fromFilter"));
    to_ = dateFilter(QStringLiteral("Hasta el día"), QStringLiteral("hoy"));
    to_->setObjectName(QStringLiteral("toFilter"));
    station_ = new QLineEdit(this);
    station_->setObjectName(QStringLiteral("stationFilter"));
    station_->setAccessibleName(QStringLiteral("Filtrar por puesto"));
    station_->setPlaceholderText(QStringLiteral("todos"));

    auto* filters = new QFormLayout;
    filters->addRow(QStringLiteral("&Tarjeta:"), card_);
    filters->addRow(QStringLiteral("&Resultado:"), outcome_);
    filters->addRow(QStringLiteral("&Desde:"), from_);
    filters->addRow(QStringLiteral("H&asta:"), to_);
    filters->addRow(QStringLiteral("&Puesto:"), station_);

    table_ = new QTableView(this);
    table_->setModel(model_);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->verticalHeader()->hide();
    table_->setObjectName(QStringLiteral("historyTable"));
    table_->setAccessibleName(QStringLiteral("Comprobaciones del historial"));

    csv_ = new QPushButton(QStringLiteral("EXPORTAR CSV…  (Ctrl+E)"), this);
    csv_->setAccessibleName(QStringLiteral("Exportar a CSV lo que se muestra"));
    sheet_ = new QPushButton(QStringLiteral("FICHA PDF…  (Ctrl+P)"), this);
    sheet_->setAccessibleName(QStringLiteral("Ficha PDF de la comprobación elegida"));
    status_ = new QLabel(this);
    status_->setWordWrap(true);
    connect(csv_, &QPushButton::clicked, this, &HistoryView::askCsv);
    connect(this, &HistoryView::exported, this, [this](const QString& problem) {
        csv_->setEnabled(true);
        say(problem.isEmpty() ? QStringLiteral("Exportado a %1.").arg(exportPath_) : problem);
    });
    connect(sheet_, &QPushButton::clicked, this, &HistoryView::askSheet);
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_E), this), &QShortcut::activated, this, &HistoryView::askCsv);
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_P), this), &QShortcut::activated, this,
            &HistoryView::askSheet);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(status_, 1);
    buttons->addWidget(csv_);
    buttons->addWidget(sheet_);
    wiring_ = new WiringView(QStringLiteral("historyWiring"), kPictureWidth, this);
    auto* shown = new QHBoxLayout;
    shown->addWidget(table_, 1);
    shown->addWidget(wiring_, 0, Qt::AlignTop);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addLayout(shown, 1);
    layout->addLayout(buttons);

    connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { showWiring(current.row()); });
    connect(card_, &QLineEdit::textChanged, this, &HistoryView::refresh);
    connect(outcome_, &QComboBox::currentIndexChanged, this, &HistoryView::refresh);
    connect(from_, &QDateEdit::dateChanged, this, &HistoryView::refresh);
    connect(to_, &QDateEdit::dateChanged, this, &HistoryView::refresh);
    connect(station_, &QLineEdit::textChanged, this, &HistoryView::refresh);
}

QDateEdit* HistoryView::dateFilter(const QString& name, const QString& unset) {
    auto* edit = new QDateEdit(this);
    edit->setDisplayFormat(QStringLiteral("dd/MM/yyyy"));
    edit->setMinimumDate(kNoLimit);
    edit->setSpecialValueText(unset);
    edit->setDate(kNoLimit);
    edit->setCalendarPopup(true);
    edit->setAccessibleName(name);
    return edit;
}

HistoryFilter HistoryView::filter() const {
    const auto day = [](const QDateEdit* edit) { return edit->date() == kNoLimit ? QDate() : edit->date(); };
    const QVariant outcome = outcome_->currentData();
    return {card_->text().trimmed(), outcome.isValid() ? std::optional(Outcome(outcome.toInt())) : std::nullopt,
            day(from_), day(to_), station_->text().trimmed()};
}

// The chosen check's wiring, read whole from the history.
void HistoryView::showWiring(int row) {
    const auto check = row < 0 ? std::nullopt : reader_.whole(model_->check(row));
    if (check)
        wiring_->showCheck(check->record);
    else
        wiring_->clearCheck();
}

void HistoryView::refresh() {
    wiring_->clearCheck();
    if (auto problem = reader_.problem()) {
        model_->clear();
        return say(*problem);
    }
    model_->show(reader_, filter());
    table_->resizeColumnsToContents();
    say(model_->rowCount() == 0 ? QStringLiteral("Ninguna comprobación del historial cumple el filtro.")
                                : reader_.labProblem().value_or(QString()));
}

HistoryView::~HistoryView() {
    if (exporting_.joinable()) exporting_.join();
}

// The thread reads through a connection of its own, as Qt's connections live in one thread each.
void HistoryView::exportCsv(const QString& path) {
    if (exporting_.joinable()) exporting_.join();
    exportPath_ = path;
    if (auto problem = reader_.problem()) return emit exported(*problem);
    // The lab when the view reads it, the station's own history when that is what it shows.
    const QString lab = reader_.readsLab() ? reader_.labConnection() : QString();
    exporting_ = std::thread([this, history = reader_.path(), lab, shown = filter(), path] {
        const std::optional<QString> error = HistoryReader(history, lab).writeCsv(shown, path);
        QMetaObject::invokeMethod(
            this, [this, problem = error.value_or(QString())] { emit exported(problem); }, Qt::QueuedConnection);
    });
}

std::optional<QString> HistoryView::writeSheet(int row, const QString& path) {
    if (row < 0 || row >= model_->rowCount()) return QStringLiteral("Elija antes una comprobación de la lista.");
    const auto check = reader_.whole(model_->check(row));
    if (!check) return QStringLiteral("No se puede leer la comprobación del historial %1.").arg(reader_.path());
    return writeCardSheet(*check, path);
}

void HistoryView::askCsv() {
    if (!csv_->isEnabled()) return;  // one export at a time
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Exportar el historial a CSV"),
                                                      QStringLiteral("historial.csv"), QStringLiteral("CSV (*.csv)"));
    if (path.isEmpty()) return;
    csv_->setEnabled(false);
    say(QStringLiteral("Exportando a %1…").arg(path));
    exportCsv(path);
}

void HistoryView::askSheet() {
    const int row = table_->currentIndex().row();
    if (row < 0) return say(QStringLiteral("Elija antes una comprobación de la lista."));
    const QString card = model_->check(row).context.card;
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Ficha de la tarjeta"),
        QStringLiteral("ficha-%1.pdf").arg(card.isEmpty() ? QStringLiteral("sin-etiqueta") : card),
        QStringLiteral("PDF (*.pdf)"));
    if (path.isEmpty()) return;
    auto error = writeSheet(row, path);
    say(error ? *error : QStringLiteral("Ficha escrita en %1.").arg(path));
}

void HistoryView::say(const QString& message) {
    status_->setText(message);
    status_->setAccessibleName(message);
}
