#include "batch/card_sheet.h"

#include <QJsonArray>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>

#include "history/stored_check.h"

namespace {

QString byteText(int byte) {
    return QStringLiteral("%1 (%2)").arg(byte, 8, 2, QChar(u'0')).arg(byte);
}

QString numbers(const QJsonArray& values) {
    QStringList texts;
    for (const QJsonValue& value : values) texts << QString::number(value.toInt());
    return texts.join(QStringLiteral(", "));
}

QString verdict(const StoredCheck& check) {
    if (check.outcome == u"pass") return QStringLiteral("TARJETA CORRECTA");
    if (check.outcome == u"fail") return QStringLiteral("TARJETA CON FALLOS");
    return QStringLiteral("COMPROBACIÓN %1").arg(outcomeWord(check.outcome).toUpper());
}

QString failedChecksTable(const QJsonObject& record) {
    QString rows;
    for (const QJsonValue& test : record[QLatin1String("tests")].toArray()) {
        const int number = test[QLatin1String("test")].toInt();
        for (const QJsonValue& failure : test[QLatin1String("failures")].toArray()) {
            QString where = QStringLiteral("Test %1, paso %2").arg(number).arg(failure[QLatin1String("step")].toInt());
            if (number == 2 || number == 3)
                where += QStringLiteral(", vuelta %1").arg(failure[QLatin1String("round")].toInt());
            rows += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td><td>%5</td></tr>")
                        .arg(where, byteText(failure[QLatin1String("outputs")].toInt()),
                             byteText(failure[QLatin1String("expected_inputs")].toInt()),
                             byteText(failure[QLatin1String("inputs")].toInt()),
                             numbers(failure[QLatin1String("wrong_inputs")].toArray()));
        }
        const QJsonArray outOfRange = test[QLatin1String("inputs_out_of_range")].toArray();
        if (!outOfRange.isEmpty())
            rows += QStringLiteral(
                        "<tr><td>Test 6</td><td colspan=\"3\">entradas analógicas fuera de 4,5 a 5 V</td>"
                        "<td>%1</td></tr>")
                        .arg(numbers(outOfRange));
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
    const QString port = check.record[QLatin1String("port")].toString();
    QString html = QStringLiteral("<h1>Ficha de la tarjeta %1</h1>").arg(cardWord(check.card).toHtmlEscaped());
    html +=
        QStringLiteral("<p>Comprobada el %1 a las %2 (comprobación nº %3, %4).</p>")
            .arg(check.started.toString(QStringLiteral("dd/MM/yyyy")),
                 check.started.toString(QStringLiteral("HH:mm:ss")), QString::number(check.id), kindWord(check.kind));
    html += QStringLiteral("<p>Puerto: %1</p>")
                .arg(port == u"simulated" ? QStringLiteral("TARJETA SIMULADA, sin puerto") : port.toHtmlEscaped());
    const QJsonArray faults = check.record[QLatin1String("faults")].toArray();
    if (!faults.isEmpty()) {
        QStringList texts;
        for (const QJsonValue& fault : faults) texts << fault.toString().toHtmlEscaped();
        html += QStringLiteral("<p>Fallos simulados: %1</p>").arg(texts.join(QStringLiteral(", ")));
    }
    html += QStringLiteral("<h2>%1</h2>").arg(verdict(check));
    if (check.record[QLatin1String("card_answers")] == QJsonValue(false))
        html += QStringLiteral(
            "<p><b>La tarjeta no responde:</b> las entradas no siguen a las salidas. Compruebe el "
            "cable entre el ordenador y la tarjeta, la alimentación de la tarjeta y el puerto.</p>");
    html += failedChecksTable(check.record);
    const QList<double> volts = lastVolts(check.record);
    if (!volts.isEmpty()) {
        html += QStringLiteral("<h3>Entradas analógicas</h3><p>");
        for (int input = 1; input <= volts.size(); ++input)
            html += QStringLiteral("Entrada %1: %2 V<br>").arg(input).arg(voltsText(volts[input - 1]));
        html += QStringLiteral("</p>");
    }
    html += QStringLiteral("<p><small>cardcheck %1</small></p>")
                .arg(check.record[QLatin1String("version")].toString().toHtmlEscaped());
    return html;
}

std::optional<QString> writeCardSheet(const StoredCheck& check, const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("No se puede escribir la ficha %1: %2.").arg(path, file.errorString());
    {
        QPdfWriter pdf(&file);
        pdf.setTitle(QStringLiteral("Ficha de la tarjeta %1").arg(cardWord(check.card)));
        pdf.setCreator(QStringLiteral("cardcheck"));
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(20, 20, 20, 20),
                                      QPageLayout::Millimeter));
        QTextDocument sheet;
        sheet.setHtml(cardSheetHtml(check));
        sheet.print(&pdf);
    }
    if (!file.commit()) return QStringLiteral("No se puede escribir la ficha %1: %2.").arg(path, file.errorString());
    return std::nullopt;
}
