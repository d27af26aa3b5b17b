#include "platform/print/PrintServer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTextStream>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

// The ServerName line of a client.conf, or empty.
QString ServerNameIn(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
    QTextStream in(&file);
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(QLatin1Char('#'))) continue;
        const qsizetype space = line.indexOf(QRegularExpression(QStringLiteral("\\s")));
        if (space <= 0) continue;
        if (line.left(space).compare(QLatin1String("ServerName"), Qt::CaseInsensitive) == 0)
            return line.mid(space).trimmed();
    }
    return {};
}

class TSocket {
public:
    explicit TSocket(int fd) : FFd(fd) {}
    ~TSocket() {
        if (FFd >= 0) ::close(FFd);
    }
    TSocket(const TSocket&) = delete;
    TSocket& operator=(const TSocket&) = delete;
    int Fd() const { return FFd; }

private:
    int FFd;
};

// A non-blocking connect that waits at most timeoutMs for the answer.
bool ConnectsWithin(int family, const sockaddr* address, socklen_t length, int timeoutMs) {
    TSocket socket(::socket(family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (socket.Fd() < 0) return false;
    if (::connect(socket.Fd(), address, length) == 0) return true;
    if (errno != EINPROGRESS) return false;
    pollfd waiting{socket.Fd(), POLLOUT, 0};
    if (::poll(&waiting, 1, timeoutMs) != 1) return false;
    int error = 0;
    socklen_t size = sizeof(error);
    return ::getsockopt(socket.Fd(), SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
}

} // namespace

TPrintServer ParsePrintServer(const QString& text) {
    TPrintServer server;
    QString s = text.trimmed();
    if (s.startsWith(QLatin1Char('/'))) {
        server.Path = s;
        return server;
    }
    const qsizetype option = s.indexOf(QLatin1Char('/'));
    if (option >= 0) s.truncate(option);
    QString port;
    if (s.startsWith(QLatin1Char('['))) {
        const qsizetype close = s.indexOf(QLatin1Char(']'));
        if (close > 0) {
            server.Host = s.mid(1, close - 1);
            if (s.mid(close + 1).startsWith(QLatin1Char(':'))) port = s.mid(close + 2);
        } else {
            server.Host = s;
        }
    } else {
        const qsizetype colon = s.lastIndexOf(QLatin1Char(':'));
        // More than one colon without brackets is a bare IPv6 address.
        if (colon > 0 && s.indexOf(QLatin1Char(':')) == colon) {
            server.Host = s.left(colon);
            port = s.mid(colon + 1);
        } else {
            server.Host = s;
        }
    }
    bool ok = false;
    const int number = port.toInt(&ok);
    if (ok && number > 0 && number < 65536) server.Port = number;
    if (server.Host.isEmpty()) server.Host = QStringLiteral("localhost");
    return server;
}

TPrintServer ConfiguredPrintServer() {
    const QString fromEnv = qEnvironmentVariable("CUPS_SERVER");
    if (!fromEnv.trimmed().isEmpty()) return ParsePrintServer(fromEnv);
    const QString userConf = QDir::homePath() + QStringLiteral("/.cups/client.conf");
    QString name = ServerNameIn(userConf);
    if (name.isEmpty()) {
        QString root = qEnvironmentVariable("CUPS_SERVERROOT");
        if (root.isEmpty()) root = QStringLiteral("/etc/cups");
        name = ServerNameIn(root + QStringLiteral("/client.conf"));
    }
    if (!name.isEmpty()) return ParsePrintServer(name);
    for (const char* path : {"/run/cups/cups.sock", "/var/run/cups/cups.sock"})
        if (QFileInfo::exists(QString::fromLatin1(path))) return ParsePrintServer(QString::fromLatin1(path));
    return ParsePrintServer(QStringLiteral("localhost"));
}

bool PrintServerAnswers(const TPrintServer& server, int timeoutMs) {
    if (server.IsSocket()) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray path = QFile::encodeName(server.Path);
        if (path.size() >= static_cast<qsizetype>(sizeof(address.sun_path))) return false;
        std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
        return ConnectsWithin(AF_UNIX, reinterpret_cast<const sockaddr*>(&address), sizeof(address),
                              timeoutMs);
    }
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const QByteArray host = server.Host.toUtf8();
    const QByteArray port = QByteArray::number(server.Port);
    if (::getaddrinfo(host.constData(), port.constData(), &hints, &found) != 0 || !found) return false;
    bool answers = false;
    for (addrinfo* a = found; a && !answers; a = a->ai_next)
        answers = ConnectsWithin(a->ai_family, a->ai_addr, a->ai_addrlen, timeoutMs);
    ::freeaddrinfo(found);
    return answers;
}
