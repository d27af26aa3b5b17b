#include "platform/sys/Desktop.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QRegularExpression>

#include <mutex>

namespace {

std::mutex& HandlerMutex() {
    static std::mutex m;
    return m;
}

TOpenUrlHandler& OpenHandler() {
    static TOpenUrlHandler h;
    return h;
}

TShowItemsHandler& ShowHandler() {
    static TShowItemsHandler h;
    return h;
}

bool DesktopOpen(const QUrl& url) {
    // The desktop services need the GUI application object; without it, ask xdg-open directly.
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return QDesktopServices::openUrl(url);
    return QProcess::startDetached(QStringLiteral("xdg-open"), {url.toString(QUrl::FullyEncoded)});
}

bool DesktopShowItems(const QStringList& fileUrls) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    call << fileUrls << QString();
    const QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
    return reply.type() == QDBusMessage::ReplyMessage;
}

} // namespace

void SetOpenUrlHandler(TOpenUrlHandler handler) {
    std::lock_guard<std::mutex> lock(HandlerMutex());
    OpenHandler() = std::move(handler);
}

void SetShowItemsHandler(TShowItemsHandler handler) {
    std::lock_guard<std::mutex> lock(HandlerMutex());
    ShowHandler() = std::move(handler);
}

QUrl DocumentUrl(const QString& fileOrLink) {
    // A scheme of two letters or more: a one-letter "scheme" would be a drive letter.
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    if (scheme.match(fileOrLink).hasMatch()) return QUrl(fileOrLink);
    return QUrl::fromLocalFile(QFileInfo(fileOrLink).absoluteFilePath());
}

bool OpenDocument(const QString& fileOrLink) {
    TOpenUrlHandler handler;
    {
        std::lock_guard<std::mutex> lock(HandlerMutex());
        handler = OpenHandler();
    }
    const QUrl url = DocumentUrl(fileOrLink);
    return handler ? handler(url) : DesktopOpen(url);
}

bool ShowFileInFolder(const QString& fileName) {
    TShowItemsHandler handler;
    {
        std::lock_guard<std::mutex> lock(HandlerMutex());
        handler = ShowHandler();
    }
    const QFileInfo info(fileName);
    const QStringList urls{QUrl::fromLocalFile(info.absoluteFilePath()).toString(QUrl::FullyEncoded)};
    if (handler ? handler(urls) : DesktopShowItems(urls)) return true;
    return OpenDocument(info.absolutePath());
}
