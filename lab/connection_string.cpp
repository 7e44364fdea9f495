#include "lab/connection_string.h"

#include <memory>

#include <QRegularExpression>

#include <libpq-fe.h>

#include "lab/lab_log.h"

namespace {

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

// libpq says what is wrong in its own words; they tell the causes apart, the user reads Spanish.
QString parseProblem(const QString& said) {
    qCWarning(lcLab).noquote() << "libpq:" << said;
    static const QRegularExpression unknownKey(QStringLiteral("invalid connection option \"([^\"]*)\""));
    if (const auto unknown = unknownKey.match(said); unknown.hasMatch())
        return QStringLiteral("«%1» no es una clave de conexión de libpq").arg(unknown.captured(1));
    if (said.contains(QStringLiteral("unterminated quoted string")))
        return QStringLiteral("una comilla de un valor no se cierra");
    return QStringLiteral("no se lee como pares clave=valor; un valor con espacios va entre comillas simples");
}

}  // namespace

std::variant<ConnectionSettings, QString> parseConnectionString(const QString& text) {
    static const QRegularExpression uri(QStringLiteral("^\\s*postgres(ql)?://"),
                                        QRegularExpression::CaseInsensitiveOption);
    if (uri.match(text).hasMatch()) return uriRefused();
    if (text.trimmed().isEmpty()) return QStringLiteral("está vacía");

    char* error = nullptr;
    std::unique_ptr<PQconninfoOption, decltype(&PQconninfoFree)> options(PQconninfoParse(text.toUtf8(), &error),
                                                                         PQconninfoFree);
    if (!options) {
        const QString said = error ? QString::fromUtf8(error).trimmed() : QStringLiteral("sin memoria");
        PQfreemem(error);
        return parseProblem(said);
    }
    ConnectionSettings settings;
    for (const PQconninfoOption* option = options.get(); option->keyword; ++option) {
        if (!option->val) continue;
        const QString key = QString::fromUtf8(option->keyword);
        const QString value = QString::fromUtf8(option->val);
        if (key == u"password") return passwordRefused();
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
