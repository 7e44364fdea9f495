#include "batch/session_panel.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

#include "batch/station_style.h"
#include "record/wording.h"

SessionPanel::SessionPanel(QWidget* parent) : QWidget(parent) {
    warning_ = wrappingLabel(this, QStringLiteral("stationWarning"));
    enlarge(warning_, 1.2);
    warning_->setStyleSheet(QStringLiteral("background: #ffd54f; color: black; padding: 0.4em;"));
    warning_->hide();
    tally_ = new QLabel(this);
    tally_->setObjectName(QStringLiteral("tally"));
    enlarge(tally_, 1.2);
    table_ = new QTableWidget(0, 4, this);
    table_->setObjectName(QStringLiteral("session"));
    table_->setHorizontalHeaderLabels(
        {QStringLiteral("Hora"), QStringLiteral("Tarjeta"), QStringLiteral("Resultado"), QStringLiteral("Qué falló")});
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setAccessibleName(QStringLiteral("Tarjetas comprobadas en esta sesión"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(warning_);
    layout->addWidget(tally_);
    layout->addWidget(table_, 1);
}

// An interrupted check goes into the table, but tells nothing of the card or the station.
void SessionPanel::add(const QString& card, const RunRecord& record) {
    if (record.outcome == Outcome::Pass || record.outcome == Outcome::Fail) {
        record.outcome == Outcome::Pass ? ++passed_ : ++failed_;
        watch_.add(card, record);
        const QStringList warnings = watch_.warnings();
        setSpokenText(warning_, warnings.join(u'\n'));
        warning_->setVisible(!warnings.isEmpty());
    }
    setSpokenText(tally_, QStringLiteral("Comprobadas: %1     Correctas: %2     Con fallos: %3")
                              .arg(passed_ + failed_)
                              .arg(passed_)
                              .arg(failed_));
    table_->insertRow(0);
    const QStringList cells{record.finished.toString(QStringLiteral("HH:mm:ss")), card, outcomeWord(record.outcome),
                            findingsOf(record).summary};
    for (int column = 0; column < cells.size(); ++column)
        table_->setItem(0, column, new QTableWidgetItem(cells[column]));
}
