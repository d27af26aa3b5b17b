#include "platform/sys/Program.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <mutex>

namespace {

std::mutex& FolderMutex() {
    static std::mutex m;
    return m;
}

QString& FolderOverride() {
    static QString folder;
    return folder;
}

} // namespace

QString ProgramFileName() {
    if (QCoreApplication::instance()) return QCoreApplication::applicationFilePath();
    return QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
}

QString ProgramFolder() {
    {
        std::lock_guard<std::mutex> lock(FolderMutex());
        if (!FolderOverride().isEmpty()) return FolderOverride();
    }
    QString folder = QFileInfo(ProgramFileName()).absolutePath();
    if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
    return folder;
}

void SetProgramFolder(const QString& folder) {
    QString f = folder.isEmpty() ? QString() : QFileInfo(folder).absoluteFilePath();
    if (!f.isEmpty() && !f.endsWith(QLatin1Char('/'))) f += QLatin1Char('/');
    std::lock_guard<std::mutex> lock(FolderMutex());
    FolderOverride() = f;
}

