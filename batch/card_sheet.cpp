#include "batch/card_sheet.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>
#include <QUrl>

#include "assets/check_picture.h"
#include "history/checks_table.h"
#include "record/wording.h"

namespace {

// The wiring picture marked with what failed, named in the sheet's HTML and given to the document.
const QString kWiringName = QStringLiteral("conexiones.png");
constexpr int kWiringWidth = 420;

QString verdict(Outcome outcome) {
    if (outcome == Outcome::Pass) return QStringLiteral("TARJETA CORRECTA");
    if (outcome == Outcome::Fail) return QStringLiteral("TARJETA CON FALLOS");
    return QStringLiteral("COMPROBACIÓN %1").arg(outcomeWord(outcome).toUpper());
}

QString failedChecksTable(const RunRecord& record) {
    QString rows;
    for (const TestRecord& test : record.tests) {
        for (const FailedCheck& check : distinctFailures(test))
            rows += QStringLiteral("<tr><td>Test %1, %2</td><td>%3</td><td>%4</td><td>%5</td><td>%6</td></tr>")
                        .arg(QString::number(test.test), stepText(test.test, check), byteText(check.outputs),
                             byteText(check.expectedInputs), byteText(check.inputs), numberList(wrongInputs(check)));
        if (test.failedReading)
            rows += QStringLiteral(
                        "<tr><td>Test 6</td><td colspan=\"3\">entradas analógicas fuera de 4,5 a 5 V</td>"
                        "<td>%1</td></tr>")
                        .arg(numberList(inputsOutOfRange(*test.failedReading)));
    }
    if (rows.isEmpty()) return QStringLiteral("<p>Ninguna comprobación ha fallado.</p>");
    return QStringLiteral(
               "<h3>Comprobaciones que fallaron</h3><table border=\"1\" cellpadding=\"4\" cellspacing=\"0\">"
               "<tr><th>Dónde</th><th>Salidas escritas</th><th>Entradas esperadas</th><th>Entradas leídas</th>"
               "<th>Entradas con fallo</th></tr>%1</table>")
        .arg(rows);
}

}  // namespace

QString cardSheetHtml(const StoredCheck& check) {
    const RunRecord& record = check.record;
    QString html = QStringLiteral("<h1>Ficha de la tarjeta %1</h1>").arg(cardWord(check.context.card).toHtmlEscaped());
    html +=
        QStringLiteral("<p>Comprobada el %1 a las %2 (comprobación nº %3, %4).</p>")
            .arg(record.started.toString(QStringLiteral("dd/MM/yyyy")),
                 record.started.toString(QStringLiteral("HH:mm:ss")), QString::number(check.id), kindWord(record.kind));
    html += QStringLiteral("<p>Puerto: %1</p>")
                .arg(check.context.simulated() ? QStringLiteral("TARJETA SIMULADA, sin puerto")
                                               : check.context.device.toHtmlEscaped());
    if (!check.context.faults.isEmpty()) {
        QStringList texts;
        for (const QString& fault : check.context.faults) texts << fault.toHtmlEscaped();
        html += QStringLiteral("<p>Fallos simulados: %1</p>").arg(texts.join(QStringLiteral(", ")));
    }
    html += QStringLiteral("<h2>%1</h2>").arg(verdict(record.outcome));
    if (cardSilent(record))
        html += QStringLiteral("<p><b>%1:</b> las entradas no siguen a las salidas. %2.</p>")
                    .arg(silentCardWords(), capitalised(silentCardAdvice()));
    html += QStringLiteral("<p><img src=\"%1\" width=\"%2\"></p>").arg(kWiringName).arg(kWiringWidth);
    html += failedChecksTable(record);
    if (check.findings.lastVolts) {
        html += QStringLiteral("<h3>Entradas analógicas</h3><p>");
        for (int input = 1; input <= 4; ++input)
            html +=
                QStringLiteral("Entrada %1: %2<br>").arg(input).arg(voltsLabel((*check.findings.lastVolts)[input - 1]));
        html += QStringLiteral("</p>");
    }
    html += QStringLiteral("<p><small>cardcheck %1</small></p>").arg(check.version.toHtmlEscaped());
    return html;
}

std::optional<QString> writeCardSheet(const StoredCheck& check, const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("No se puede escribir la ficha %1: %2.").arg(path, file.errorString());
    {
        QPdfWriter pdf(&file);
        pdf.setTitle(QStringLiteral("Ficha de la tarjeta %1").arg(cardWord(check.context.card)));
        pdf.setCreator(QStringLiteral("cardcheck"));
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(20, 20, 20, 20),
                                      QPageLayout::Millimeter));
        QTextDocument sheet;
        sheet.addResource(QTextDocument::ImageResource, QUrl(kWiringName), checkPicture(check.record));
        sheet.setHtml(cardSheetHtml(check));
        sheet.print(&pdf);
    }
    if (!file.commit()) return QStringLiteral("No se puede escribir la ficha %1: %2.").arg(path, file.errorString());
    return std::nullopt;
}
