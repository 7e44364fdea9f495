#include "history/run_report.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QString cannotWrite(const QString& path, const QString& why) {
    return QStringLiteral("No se puede escribir el informe en %1: %2.").arg(path, why);
}

}  // namespace

std::optional<QString> reportPathProblem(const QString& path) {
    const QFileInfo info(path);
    if (info.isDir()) return cannotWrite(path, QStringLiteral("es una carpeta"));
    if (!info.absoluteDir().exists())
        return cannotWrite(path, QStringLiteral("no existe la carpeta %1").arg(info.absolutePath()));
    QSaveFile probe(path);
    if (!probe.open(QIODevice::WriteOnly)) return cannotWrite(path, QStringLiteral("no hay permiso de escritura"));
    probe.cancelWriting();  // the temporary file goes with the probe; path is never touched
    return std::nullopt;
}

std::optional<QString> writeReport(const QString& path, const QJsonDocument& document) {
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(document.toJson());
        if (file.commit()) return std::nullopt;
    }
    return cannotWrite(path, file.errorString());
}
