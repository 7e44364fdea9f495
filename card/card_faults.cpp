#include "card/card_faults.h"

#include <QRegularExpression>

namespace {

std::optional<int> number(const QString& text, int low, int high) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < low || value > high) return std::nullopt;
    return value;
}

QString malformed(const QString& text, const QString& why) {
    return QStringLiteral("Fallo no válido \"%1\": %2.").arg(text, why);
}

}  // namespace

QString faultSyntaxHelp() {
    return QStringLiteral(
        "Fallos de la tarjeta simulada (--fault, se puede repetir):\n"
        "  roto:N             el cable de la salida N a la entrada N está roto (N de 0 a 7)\n"
        "  cruzados:A,B       los cables de las salidas A y B están cruzados (de 0 a 7)\n"
        "  fija:N=V           la entrada digital N lee siempre V (0 o 1)\n"
        "  analogica:K=R,...  la entrada analógica K (1 a 4) da las lecturas R (0 a 255),\n"
        "                     una por lectura; la última se mantiene\n"
        "  ausente            no hay tarjeta en el puerto: las entradas no siguen a las salidas");
}

std::optional<QString> addFault(CardFaults& faults, const QString& text) {
    const int colon = text.indexOf(u':');
    const QString kind = text.left(colon).trimmed().toLower();
    const QString args = colon < 0 ? QString() : text.mid(colon + 1);
    CardFaults result = faults;

    if (kind == u"roto") {
        const auto n = number(args, 0, 7);
        if (!n) return malformed(text, QStringLiteral("se esperaba roto:N con N de 0 a 7"));
        result.inputSource[*n] = -1;
    } else if (kind == u"cruzados") {
        const QStringList pair = args.split(u',');
        const auto a = pair.size() == 2 ? number(pair[0], 0, 7) : std::nullopt;
        const auto b = pair.size() == 2 ? number(pair[1], 0, 7) : std::nullopt;
        if (!a || !b || *a == *b)
            return malformed(text, QStringLiteral("se esperaba cruzados:A,B con dos salidas distintas de 0 a 7"));
        std::swap(result.inputSource[*a], result.inputSource[*b]);
    } else if (kind == u"fija") {
        const QStringList parts = args.split(u'=');
        const auto n = parts.size() == 2 ? number(parts[0], 0, 7) : std::nullopt;
        const auto v = parts.size() == 2 ? number(parts[1], 0, 1) : std::nullopt;
        if (!n || !v) return malformed(text, QStringLiteral("se esperaba fija:N=V con N de 0 a 7 y V 0 o 1"));
        result.stuckInput[*n] = *v;
    } else if (kind == u"analogica") {
        const QStringList parts = args.split(u'=');
        const auto k = parts.size() == 2 ? number(parts[0], 1, 4) : std::nullopt;
        std::vector<int> readings;
        for (const QString& r : parts.size() == 2 ? parts[1].split(u',') : QStringList{}) {
            const auto raw = number(r, 0, 255);
            if (!raw) {
                readings.clear();
                break;
            }
            readings.push_back(*raw);
        }
        if (!k || readings.empty())
            return malformed(text, QStringLiteral("se esperaba analogica:K=R o analogica:K=R1,R2,... con K de 1 a 4 y "
                                                  "lecturas de 0 a 255"));
        result.analogReadings[*k - 1] = std::move(readings);
    } else if (kind == u"ausente") {
        if (colon >= 0) return malformed(text, QStringLiteral("ausente no lleva nada más"));
        result.absent = true;
    } else {
        return malformed(text, QStringLiteral("los fallos conocidos son roto, cruzados, fija, analogica y ausente"));
    }
    faults = std::move(result);
    return std::nullopt;
}
