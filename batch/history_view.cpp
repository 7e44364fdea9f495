#include "batch/history_view.h"

#include <utility>

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
#include "batch/day_filter.h"
#include "batch/history_model.h"
#include "batch/lab_loader.h"
#include "batch/wiring_view.h"
#include "record/wording.h"

namespace {
constexpr int kPictureWidth = 360;

QString noneMatches() {
    return QStringLiteral("Ninguna comprobación del historial cumple el filtro.");
}
QString joined(const QString& first, const QString& then) {
    return first.isEmpty() || then.isEmpty() ? first + then : first + u' ' + then;
}
}  // namespace

HistoryView::HistoryView(HistoryReader& reader, const QString& lab, QWidget* parent)
    : QWidget(parent), reader_(reader), model_(new HistoryModel(this)), exportReplies_(this) {
    if (!lab.isEmpty()) {
        lab_ = new LabLoader(lab, this);
        connect(lab_, &LabLoader::listed, this, &HistoryView::showLab);
        connect(lab_, &LabLoader::failed, this, &HistoryView::labFailed);
        connect(lab_, &LabLoader::wholeRead, this, &HistoryView::labWhole);
        connect(lab_, &LabLoader::exported, this, &HistoryView::exported);
    }
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
    from_ = newDayFilter(this, QStringLiteral("Desde el día"), QStringLiteral("el principio"));
    from_->setObjectName(QStringLiteral("fromFilter"));
    to_ = newDayFilter(this, QStringLiteral("Hasta el día"), QStringLiteral("hoy"));
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
    status_->setObjectName(QStringLiteral("historyStatus"));
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

HistoryFilter HistoryView::filter() const {
    const QVariant outcome = outcome_->currentData();
    return {card_->text().trimmed(), outcome.isValid() ? std::optional(Outcome(outcome.toInt())) : std::nullopt,
            filterDay(from_), filterDay(to_), station_->text().trimmed()};
}

// The chosen check's wiring, read whole from the history: at once from the station's own, as it
// comes from the lab's.
void HistoryView::showWiring(int row) {
    forgetChosen();
    if (row < 0) return;
    const StoredCheck& check = model_->check(row);
    if (check.whole) return wiring_->showCheck(check.record);
    if (showsLab_) {
        wholeRequest_ = lab_->readWhole(check);
    } else if (auto whole = reader_.whole(check)) {
        model_->setWhole(row, *whole);
        wiring_->showCheck(whole->record);
    }
}

// A new list: the check read whole for the one chosen before is no longer wanted.
void HistoryView::forgetChosen() {
    wiring_->clearCheck();
    wholeRequest_ = 0;
    sheetPath_.clear();
}

void HistoryView::refresh() {
    if (!lab_) return showLocal({});
    listRequest_ = lab_->list(filter());
    if (showsLab_) return say(QStringLiteral("Leyendo el historial del laboratorio…"));
    showLocal(QStringLiteral("Leyendo el historial del laboratorio; mientras tanto se muestra el de este puesto."));
}

void HistoryView::showLocal(const QString& note) {
    showsLab_ = false;
    forgetChosen();
    if (auto problem = reader_.problem()) {
        model_->clear();
        return say(joined(note, *problem));
    }
    model_->show(reader_, filter());
    table_->resizeColumnsToContents();
    say(joined(note, model_->rowCount() == 0 ? noneMatches() : QString()));
}

void HistoryView::showLab(int request, const QList<StoredCheck>& checks) {
    if (request != listRequest_) return;  // for a filter no longer shown
    showsLab_ = true;
    forgetChosen();
    model_->show(checks);
    table_->resizeColumnsToContents();
    if (checks.isEmpty()) return say(noneMatches());
    say(checks.size() < HistoryReader::kLabRowsShown
            ? QString()
            : QStringLiteral("Se muestran las %1 comprobaciones más recientes del laboratorio: filtre por tarjeta, "
                             "puesto o fecha para ver las anteriores.")
                  .arg(HistoryReader::kLabRowsShown));
}

// The server's own words stay at hand for a technician, in the status's tooltip.
void HistoryView::labFailed(int request, const QString& problem, const QString& said) {
    if (request != listRequest_) return;
    showLocal(problem + HistoryReader::localInstead());
    status_->setToolTip(said);
}

void HistoryView::labWhole(int request, const StoredCheck& check) {
    if (request != wholeRequest_ || !showsLab_) return;
    const QString sheet = std::exchange(sheetPath_, QString());
    if (!check.whole) {
        return say(
            QStringLiteral("No se puede leer la comprobación del historial del laboratorio; vuelva a "
                           "elegirla."));
    }
    model_->setWhole(table_->currentIndex().row(), check);
    wiring_->showCheck(check.record);
    if (sheet.isEmpty()) return;
    const auto error = writeCardSheet(check, sheet);
    say(error ? *error : QStringLiteral("Ficha escrita en %1.").arg(sheet));
}

HistoryView::~HistoryView() {
    exportReplies_.close();
    exporting_.stop(-1);
}

// The station's own history on a thread of its own, through a connection of its own, as Qt's
// connections live in one thread each; the lab's through its reading thread.
void HistoryView::exportCsv(const QString& path) {
    exportPath_ = path;
    if (showsLab_) return lab_->exportCsv(filter(), path);
    if (auto problem = reader_.problem()) return emit exported(*problem);
    exporting_.post([this, history = reader_.path(), shown = filter(), path] {
        const std::optional<QString> error = HistoryReader(history).writeCsv(shown, path);
        exportReplies_.send([this, problem = error.value_or(QString())] { emit exported(problem); });
    });
}

std::optional<QString> HistoryView::writeSheet(int row, const QString& path) {
    if (row < 0 || row >= model_->rowCount()) return QStringLiteral("Elija antes una comprobación de la lista.");
    if (model_->check(row).whole) return writeCardSheet(model_->check(row), path);
    if (showsLab_) return QStringLiteral("La comprobación todavía se está leyendo del historial del laboratorio.");
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
    if (showsLab_ && !model_->check(row).whole) {
        // Written when the lab gives the check whole.
        sheetPath_ = path;
        wholeRequest_ = lab_->readWhole(model_->check(row));
        return say(QStringLiteral("Leyendo la comprobación del historial del laboratorio…"));
    }
    auto error = writeSheet(row, path);
    say(error ? *error : QStringLiteral("Ficha escrita en %1.").arg(path));
}

void HistoryView::say(const QString& message) {
    status_->setToolTip({});
    status_->setText(message);
    status_->setAccessibleName(message);
}
