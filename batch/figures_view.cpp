#include "batch/figures_view.h"

#include <QChartView>
#include <QCoreApplication>
#include <QDateEdit>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPdfWriter>
#include <QPushButton>
#include <QScrollArea>
#include <QTableWidget>
#include <QVBoxLayout>

#include "batch/day_filter.h"
#include "batch/figure_charts.h"

namespace {

constexpr int kEndWaitMs = 1000;
const QSize kChartSize(480, 300);

QLabel* wrapping(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QTableWidget* numbersTable(const FigureChart& chart, QWidget* parent) {
    auto* table = new QTableWidget(int(chart.rows.size()), int(chart.headers.size()), parent);
    table->setHorizontalHeaderLabels(chart.headers);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->setAccessibleName(QStringLiteral("Cifras de «%1»").arg(chart.name));
    for (int row = 0; row < chart.rows.size(); ++row)
        for (int column = 0; column < chart.rows[row].size(); ++column)
            table->setItem(row, column, new QTableWidgetItem(chart.rows[row][column]));
    table->horizontalHeader()->setResizeContentsPrecision(30);  // a long table's first rows tell its widths
    table->resizeColumnsToContents();
    table->setMinimumWidth(300);
    return table;
}

}  // namespace

FiguresView::FiguresView(QString historyPath, QString lab, QWidget* parent)
    : QWidget(parent),
      historyPath_(std::move(historyPath)),
      lab_(std::move(lab)),
      shared_(std::make_shared<Shared>(this)) {
    card_ = new QLineEdit(this);
    card_->setObjectName(QStringLiteral("figuresCard"));
    card_->setAccessibleName(QStringLiteral("Filtrar por tarjeta; un asterisco vale por cualquier texto"));
    card_->setPlaceholderText(QStringLiteral("todas (L7-* para un lote)"));
    from_ = newDayFilter(this, QStringLiteral("Desde el día"), QStringLiteral("el principio"));
    to_ = newDayFilter(this, QStringLiteral("Hasta el día"), QStringLiteral("hoy"));
    station_ = new QLineEdit(this);
    station_->setObjectName(QStringLiteral("figuresStation"));
    station_->setAccessibleName(QStringLiteral("Filtrar por puesto"));
    station_->setPlaceholderText(QStringLiteral("todos"));
    auto* filters = new QFormLayout;
    filters->addRow(QStringLiteral("&Tarjeta:"), card_);
    filters->addRow(QStringLiteral("&Desde:"), from_);
    filters->addRow(QStringLiteral("H&asta:"), to_);
    if (!lab_.isEmpty()) {
        filters->addRow(QStringLiteral("&Puesto:"), station_);
    } else {
        station_->hide();
    }

    status_ = wrapping(QString(), this);
    status_->setObjectName(QStringLiteral("figuresStatus"));
    report_ = new QPushButton(QStringLiteral("INFORME PDF…"), this);
    report_->setAccessibleName(QStringLiteral("Guardar todas las cifras y gráficos en un informe PDF"));
    report_->setEnabled(false);
    connect(report_, &QPushButton::clicked, this, &FiguresView::askReport);
    auto* top = new QHBoxLayout;
    top->addLayout(filters, 1);
    top->addWidget(report_, 0, Qt::AlignBottom);

    page_ = new QWidget;
    page_->setObjectName(QStringLiteral("figuresPage"));
    content_ = new QVBoxLayout(page_);
    auto* scroll = new QScrollArea(this);
    scroll->setWidget(page_);
    scroll->setWidgetResizable(true);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(status_);
    layout->addWidget(scroll, 1);

    for (QLineEdit* edit : {card_, station_}) connect(edit, &QLineEdit::textChanged, this, &FiguresView::refresh);
    for (QDateEdit* edit : {from_, to_}) connect(edit, &QDateEdit::dateChanged, this, &FiguresView::refresh);
}

FiguresView::~FiguresView() {
    shared_->replies.close();
    thread_.post([shared = shared_] { shared->reader.reset(); });  // its connection goes on its own thread
    thread_.stop(kEndWaitMs);
}

HistoryFilter FiguresView::filter() const {
    HistoryFilter filter{card_->text().trimmed(), {}, filterDay(from_), filterDay(to_), station_->text().trimmed()};
    filter.cardPattern = true;
    return filter;
}

// A filter typed while an earlier one is read replaces it: only the newest is worth reading.
void FiguresView::refresh() {
    const int request = ++shared_->newest;
    status_->setText(lab_.isEmpty() ? QStringLiteral("Leyendo el historial de este puesto…")
                                    : QStringLiteral("Leyendo el historial del laboratorio…"));
    thread_.post([this, request, filter = filter(), path = historyPath_, lab = lab_, shared = shared_] {
        if (shared->newest != request) return;
        // The connection stays for the next filter; a lab that could not be read is tried anew.
        if (!shared->reader || shared->reader->labProblem())
            shared->reader = std::make_unique<HistoryReader>(path, lab);
        HistoryReader& reader = *shared->reader;
        const std::variant<HistoryFigures, QString> read = reader.figures(filter);
        QString note;
        if (reader.labProblem()) note = *reader.labProblem() + HistoryReader::localInstead();
        // A history made since, or mended, is opened anew.
        if (std::holds_alternative<QString>(read) || reader.problem()) shared->reader.reset();
        shared->replies.send([this, request, read, note] { showRead(request, read, note); });
    });
}

void FiguresView::showRead(int request, const std::variant<HistoryFigures, QString>& read, const QString& note) {
    if (request != shared_->newest) return;
    if (auto* problem = std::get_if<QString>(&read)) {
        status_->setText(note.isEmpty() ? *problem : note + u' ' + *problem);
        figures_.reset();
        report_->setEnabled(false);
        emit shown();
        return;
    }
    figures_ = std::get<HistoryFigures>(read);
    const QString source =
        lab_.isEmpty() || !note.isEmpty() ? QStringLiteral("de este puesto") : QStringLiteral("del laboratorio");
    status_->setText((note.isEmpty() ? QString() : note + u' ') +
                     QStringLiteral("Cifras del historial %1, con el filtro de arriba.").arg(source));
    build(*figures_);
    report_->setEnabled(true);
    emit shown();
}

// The summary first, then each chart with its numbers beside it.
void FiguresView::build(const HistoryFigures& figures) {
    while (QLayoutItem* item = content_->takeAt(0)) {
        delete item->widget();
        delete item;
    }
    charts_.clear();
    QStringList summary = summaryLines(figures);
    for (const StandingOut& station : standingOut(figures)) summary << standingOutSentence(station);
    auto* lines = wrapping(summary.join(u'\n'), page_);
    lines->setObjectName(QStringLiteral("figuresSummary"));
    QFont larger = lines->font();
    larger.setPointSizeF(larger.pointSizeF() * 1.2);
    lines->setFont(larger);
    lines->setAccessibleName(summary.join(u' '));
    content_->addWidget(lines);
    lines->show();

    const QList<FigureChart> charts = figureCharts(figures);
    for (const FigureChart& chart : charts) {
        auto* section = new QWidget(page_);
        auto* title = new QLabel(QStringLiteral("<b>%1</b>").arg(chart.name.toHtmlEscaped()), section);
        auto* said = wrapping(chart.description, section);
        auto* view = new QChartView(chart.chart, section);
        view->setRenderHint(QPainter::Antialiasing);
        view->setMinimumSize(kChartSize);
        view->setAccessibleName(chart.name);
        view->setAccessibleDescription(chart.description);
        charts_ << view;
        auto* save = new QPushButton(QStringLiteral("GUARDAR PNG…"), section);
        save->setAccessibleName(QStringLiteral("Guardar «%1» como PNG").arg(chart.name));
        const int number = int(charts_.size()) - 1;
        connect(save, &QPushButton::clicked, this, [this, number, name = chart.name] {
            const QString path =
                QFileDialog::getSaveFileName(this, QStringLiteral("Guardar gráfico"), name + QStringLiteral(".png"),
                                             QStringLiteral("Imagen PNG (*.png)"));
            if (path.isEmpty()) return;
            const auto problem = saveChart(number, path);
            status_->setText(problem.value_or(QStringLiteral("Guardado en %1.").arg(path)));
        });
        auto* side = new QVBoxLayout;
        side->addWidget(numbersTable(chart, section), 1);
        side->addWidget(save, 0, Qt::AlignRight);
        auto* row = new QHBoxLayout;
        row->addWidget(view, 3);
        row->addLayout(side, 2);
        auto* layout = new QVBoxLayout(section);
        layout->addWidget(title);
        layout->addWidget(said);
        layout->addLayout(row);
        content_->addWidget(section);
        section->show();
    }
    content_->addStretch(1);
    // Laid out now, not when the event loop comes round: a report asked at once prints it whole.
    content_->activate();
    QCoreApplication::sendPostedEvents(page_, QEvent::LayoutRequest);
}

std::optional<QString> FiguresView::saveChart(int chart, const QString& path) {
    if (chart < 0 || chart >= charts_.size()) return QStringLiteral("No hay ese gráfico.");
    if (!charts_[chart]->grab().save(path, "PNG")) return QStringLiteral("No se puede escribir %1.").arg(path);
    return std::nullopt;
}

void FiguresView::askReport() {
    const QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("Guardar informe"), QStringLiteral("estadistica.pdf"),
                                     QStringLiteral("Documento PDF (*.pdf)"));
    if (path.isEmpty()) return;
    const auto problem = writeReport(path);
    status_->setText(problem.value_or(QStringLiteral("Informe guardado en %1.").arg(path)));
}

// The page as it is drawn, scaled to the paper's width and cut into pages.
std::optional<QString> FiguresView::writeReport(const QString& path) {
    if (!figures_) return QStringLiteral("Todavía no hay cifras que guardar.");
    QPdfWriter pdf(path);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageMargins(QMarginsF(12, 12, 12, 12), QPageLayout::Millimeter);
    pdf.setResolution(150);
    pdf.setTitle(QStringLiteral("cardcheck: estadística"));
    QPainter painter;
    if (!painter.begin(&pdf)) return QStringLiteral("No se puede escribir %1.").arg(path);
    const QSize size = page_->size();
    const double scale = double(pdf.width()) / size.width();
    const int slice = int(pdf.height() / scale);
    for (int top = 0; top < size.height(); top += slice) {
        if (top > 0) pdf.newPage();
        painter.save();
        painter.scale(scale, scale);
        page_->render(&painter, QPoint(), QRegion(0, top, size.width(), slice), RenderFlag::DrawChildren);
        painter.restore();
    }
    if (!painter.end()) return QStringLiteral("No se puede escribir %1.").arg(path);
    return std::nullopt;
}
