#include "platform/sys/TempFiles.h"

#include "platform/rtl/Exceptions.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <memory>
#include <mutex>

namespace {

std::mutex& TempMutex() {
    static std::mutex m;
    return m;
}

QString CreateUnique(const QString& prefix, const QString& extension) {
    const QString folder = TempFolderPath();
    QString ext = extension;
    if (!ext.isEmpty() && !ext.startsWith(QLatin1Char('.'))) ext.prepend(QLatin1Char('.'));
    if (prefix.contains(QLatin1Char('/')) || ext.contains(QLatin1Char('/')))
        throw EInOutError(
            QStringLiteral("A temporary file name cannot contain \"/\": %1%2").arg(prefix, ext));
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const QString name =
            folder + prefix +
            QString::number(QRandomGenerator::global()->bounded(0x10000, 0x7FFFFFFF), 16).toUpper() + ext;
        QFile f(name);
        // NewOnly fails when the name exists, so two callers never get the same file.
        if (f.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return name;
        if (f.error() != QFileDevice::OpenError || !QFile::exists(name))
            throw EInOutError(
                QStringLiteral("Cannot create the temporary file \"%1\". %2").arg(name, f.errorString()));
    }
    throw EInOutError(QStringLiteral("Cannot find a free temporary file name in \"%1\"").arg(folder));
}

} // namespace

QString TempFolderPath() {
    std::lock_guard<std::mutex> lock(TempMutex());
    // Lives until static destruction, which removes the folder with its files.
    static std::unique_ptr<QTemporaryDir> dir;
    if (!dir) {
        auto d = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/korvel-XXXXXX"));
        if (!d->isValid())
            throw EInOutError(QStringLiteral("Cannot create a temporary folder in \"%1\". %2")
                                  .arg(QDir::tempPath(), d->errorString()));
        dir = std::move(d);
    }
    return dir->path() + QLatin1Char('/');
}

QString GetTempFileName(const QString& prefix) {
    return CreateUnique(prefix, QStringLiteral(".tmp"));
}

QString NewTempFileName(const QString& prefix, const QString& extension) {
    return CreateUnique(prefix, extension);
}
