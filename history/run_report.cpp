#include "history/run_report.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QString cannotWrite(const QString& path, RunFile file, const QString& why) {
    return (file == RunFile::Report ? QStringLiteral("No se puede escribir el informe en %1: %2.")
                                    : QStringLiteral("No se puede escribir la imagen en %1: %2."))
        .arg(path, why);
}

}  // namespace

std::optional<QString> runFilePathProblem(const QString& path, RunFile file) {
    const QFileInfo info(path);
    if (info.isDir()) return cannotWrite(path, file, QStringLiteral("es una carpeta"));
    if (!info.absoluteDir().exists())
        return cannotWrite(path, file, QStringLiteral("no existe la carpeta %1").arg(info.absolutePath()));
    QSaveFile probe(path);
    if (!probe.open(QIODevice::WriteOnly))
        return cannotWrite(path, file, QStringLiteral("no hay permiso de escritura"));
    probe.cancelWriting();  // the temporary file goes with the probe; path is never touched
    return std::nullopt;
}

std::optional<QString> writeRunFile(const QString& path, const QByteArray& contents, RunFile file) {
    QSaveFile saved(path);
    if (saved.open(QIODevice::WriteOnly)) {
        saved.write(contents);
        if (saved.commit()) return std::nullopt;
    }
    return cannotWrite(path, file, saved.errorString());
}
