#include "platform/sys/TempFiles.h"

#include "platform/rtl/Exceptions.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <unistd.h>

namespace {

std::mutex& TempMutex() {
    static std::mutex m;
    return m;
}

QString CreateUnique(const QString& prefix, const QString& extension) {
    return CreateTempFileIn(TempFolderPath(), prefix, extension);
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

QString CreateTempFileIn(const QString& folder, const QString& prefix, const QString& extension) {
    QString dir = folder.isEmpty() ? TempFolderPath() : folder;
    if (!dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');
    QString ext = extension;
    if (!ext.isEmpty() && !ext.startsWith(QLatin1Char('.'))) ext.prepend(QLatin1Char('.'));
    if (prefix.contains(QLatin1Char('/')) || ext.contains(QLatin1Char('/')))
        throw EInOutError(
            QStringLiteral("A temporary file name cannot contain \"/\": %1%2").arg(prefix, ext));
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const QString name =
            dir + prefix +
            QString::number(QRandomGenerator::global()->bounded(0x10000, 0x7FFFFFFF), 16).toUpper() + ext;
        // O_EXCL makes the name ours alone, O_NOFOLLOW refuses a link planted under it, and
        // only the user may read what goes in.
        const int fd = ::open(QFile::encodeName(name).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
            return name;
        }
        if (errno != EEXIST)
            throw EInOutError(QStringLiteral("Cannot create the temporary file \"%1\". %2")
                                  .arg(name, QString::fromLocal8Bit(std::strerror(errno))));
    }
    throw EInOutError(QStringLiteral("Cannot find a free temporary file name in \"%1\"").arg(dir));
}
