#include "batch/last_checks.h"

#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include "batch/station_style.h"
#include "history/history_reader.h"
#include "widgets/screen_reader.h"

LastChecks::LastChecks(HistoryReader& reader, QWidget* parent) : QWidget(parent), reader_(reader) {
    info_ = wrappingLabel(this, QStringLiteral("numberInfo"));
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("lastChecks"));
    list_->setAccessibleName(QStringLiteral("Últimas comprobaciones de la tarjeta"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(info_);
    layout->addWidget(list_, 1);
}

void LastChecks::showCard(const QString& card) {
    list_->clear();
    const auto error = reader_.forEach(
        HistoryFilter{card, {}, {}, {}, {}},
        [this](const StoredCheck& check) {
            QString line = QStringLiteral("%1   %2").arg(
                check.record.started.toString(QStringLiteral("dd/MM/yyyy HH:mm")), outcomeWord(check.record.outcome));
            if (check.record.outcome == Outcome::Fail) line += QStringLiteral(": ") + check.findings.summary;
            list_->addItem(line);
        },
        kShown);
    // A card with no earlier check gets a sentence, not an empty box.
    list_->setVisible(list_->count() > 0);
    if (auto problem = reader_.problem(); problem || error) return setSpokenText(info_, problem ? *problem : *error);
    setSpokenText(info_,
                  list_->count() == 0
                      ? QStringLiteral("La tarjeta %1 no tiene comprobaciones anteriores en el historial.").arg(card)
                      : QStringLiteral("Últimas comprobaciones de la tarjeta %1:").arg(card));
}

void LastChecks::say(const QString& message) {
    list_->clear();
    list_->hide();
    setSpokenText(info_, message);
    announce(info_, message);
}

void LastChecks::clear() {
    list_->clear();
    list_->hide();
    info_->clear();
}
