#include "platform/sys/Program.h"

#include "platform/rtl/Exceptions.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>

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

QClipboard* SystemClipboard() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        throw EInvalidOperation(
            QStringLiteral("The clipboard cannot be used without the application object"));
    return QGuiApplication::clipboard();
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

QString TClipboard::AsText() const {
    return SystemClipboard()->text();
}

void TClipboard::SetAsText(const QString& value) {
    SystemClipboard()->setText(value);
}

bool TClipboard::HasText() const {
    const QMimeData* data = SystemClipboard()->mimeData();
    return data && data->hasText();
}

void TClipboard::Clear() {
    SystemClipboard()->clear();
}

TClipboard& Clipboard() {
    static TClipboard clipboard;
    return clipboard;
}
