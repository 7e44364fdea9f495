#include "lab/connection_string.h"

#include <QRegularExpression>

namespace {

bool blank(QChar c) {
    return c.isSpace();
}

QString uriRefused() {
    return QStringLiteral(
        "no se admite un URI postgresql://: escriba pares clave=valor, por ejemplo "
        "«host=servidor dbname=historial user=puesto07» o «service=laboratorio»");
}

QString passwordRefused() {
    return QStringLiteral(
        "la contraseña no va en la cadena de conexión (password=): póngala en ~/.pgpass "
        "(o en el archivo que diga PGPASSFILE), con permisos 0600; libpq la lee de ahí");
}

}  // namespace

std::variant<ConnectionSettings, QString> parseConnectionString(const QString& text) {
    static const QRegularExpression uri(QStringLiteral("^\\s*postgres(ql)?://"),
                                        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression keyShape(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    if (uri.match(text).hasMatch()) return uriRefused();

    ConnectionSettings settings;
    qsizetype at = 0;
    const qsizetype end = text.size();
    auto skipBlanks = [&] {
        while (at < end && blank(text[at])) ++at;
    };
    for (skipBlanks(); at < end; skipBlanks()) {
        const qsizetype keyStart = at;
        while (at < end && !blank(text[at]) && text[at] != u'=') ++at;
        const QString key = text.mid(keyStart, at - keyStart);
        skipBlanks();
        if (key.isEmpty()) return QStringLiteral("falta el nombre antes de «=»");
        if (at == end || text[at] != u'=') return QStringLiteral("falta «=» tras «%1»").arg(key);
        if (!keyShape.match(key).hasMatch()) return QStringLiteral("«%1» no es el nombre de una opción").arg(key);
        if (key.compare(QStringLiteral("password"), Qt::CaseInsensitive) == 0) return passwordRefused();
        ++at;
        skipBlanks();

        QString value;
        const bool quoted = at < end && text[at] == u'\'';
        if (quoted) ++at;
        bool closed = !quoted;
        while (at < end) {
            const QChar c = text[at];
            if (quoted && c == u'\'') {
                closed = true;
                ++at;
                break;
            }
            if (!quoted && blank(c)) break;
            if (c == u'\\' && at + 1 < end) ++at;
            value += text[at++];
        }
        if (!closed) return QStringLiteral("la comilla del valor de «%1» no se cierra").arg(key);
        if (value.contains(u';'))
            return QStringLiteral("el valor de «%1» lleva «;», que el controlador de Qt no deja pasar").arg(key);
        settings.append({key, value});
    }
    if (settings.isEmpty()) return QStringLiteral("está vacía");
    return settings;
}

QString connectionString(const ConnectionSettings& settings) {
    QStringList pairs;
    for (const ConnectionSetting& setting : settings) {
        QString value = setting.value;
        value.replace(u'\\', QStringLiteral("\\\\")).replace(u'\'', QStringLiteral("\\'"));
        pairs.append(QStringLiteral("%1='%2'").arg(setting.key, value));
    }
    return pairs.join(u' ');
}
