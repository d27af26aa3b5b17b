// The look at the print server before Qt Print Support asks it: where the server is configured,
// and that a server that does not answer means "no printers" (and so the virtual printer).

#include "PrinterFakes.h"

#include "platform/print/PrintServer.h"

#include <QDir>
#include <QTemporaryDir>

#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

using namespace printertest;

namespace {

// Sets an environment variable for a scope.
class EnvScope {
public:
    EnvScope(const char* name, const QByteArray& value) : FName(name), FHad(qEnvironmentVariableIsSet(name)) {
        if (FHad) FOld = qgetenv(name);
        qputenv(name, value);
    }
    ~EnvScope() {
        if (FHad)
            qputenv(FName, FOld);
        else
            qunsetenv(FName);
    }

private:
    const char* FName;
    bool FHad;
    QByteArray FOld;
};

// A listening socket that accepts nothing (the kernel completes the connection anyway).
class Listener {
public:
    static Listener Tcp() {
        Listener l(::socket(AF_INET, SOCK_STREAM, 0));
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof(a);
        if (::bind(l.FFd, reinterpret_cast<sockaddr*>(&a), sizeof(a)) != 0 || ::listen(l.FFd, 4) != 0 ||
            ::getsockname(l.FFd, reinterpret_cast<sockaddr*>(&a), &size) != 0)
            ADD_FAILURE() << "cannot listen";
        l.FPort = ntohs(a.sin_port);
        return l;
    }
    static Listener Local(const QString& path) {
        Listener l(::socket(AF_UNIX, SOCK_STREAM, 0));
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        const QByteArray p = QFile::encodeName(path);
        std::memcpy(a.sun_path, p.constData(), static_cast<size_t>(p.size()));
        if (::bind(l.FFd, reinterpret_cast<sockaddr*>(&a), sizeof(a)) != 0 || ::listen(l.FFd, 4) != 0)
            ADD_FAILURE() << "cannot listen on " << path.toStdString();
        return l;
    }
    Listener(Listener&& other) noexcept : FFd(std::exchange(other.FFd, -1)), FPort(other.FPort) {}
    ~Listener() {
        if (FFd >= 0) ::close(FFd);
    }
    int Port() const { return FPort; }

private:
    explicit Listener(int fd) : FFd(fd) {}
    int FFd;
    int FPort = 0;
};

} // namespace

TEST(PrintServer, ServerTextsAreReadAsTheClientLibraryWritesThem) {
    struct Case {
        QString Text;
        QString Path, Host;
        int Port;
    };
    const Case cases[] = {
        {"/run/cups/cups.sock", "/run/cups/cups.sock", "", 631},
        {"printhost", "", "printhost", 631},
        {"printhost:8631", "", "printhost", 8631},
        {"printhost:8631/version=1.1", "", "printhost", 8631},
        {"  10.0.0.5:631  ", "", "10.0.0.5", 631},
        {"[::1]:8000", "", "::1", 8000},
        {"[::1]", "", "::1", 631},
        {"fe80::1", "", "fe80::1", 631},
        {"printhost:notaport", "", "printhost", 631},
        {"printhost:70000", "", "printhost", 631},
        {"", "", "localhost", 631},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Text.toStdString());
        const TPrintServer s = ParsePrintServer(c.Text);
        EXPECT_EQ(s.Path, c.Path);
        EXPECT_EQ(s.Host, c.Host);
        EXPECT_EQ(s.Port, c.Port);
        EXPECT_EQ(s.IsSocket(), !c.Path.isEmpty());
    }
}

TEST(PrintServer, TheConfiguredServerComesFromTheEnvironmentThenClientConf) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    EnvScope noServer("CUPS_SERVER", QByteArray());
    EnvScope root("CUPS_SERVERROOT", QFile::encodeName(home.filePath(QStringLiteral("etc"))));
    EnvScope homeDir("HOME", QFile::encodeName(home.path()));
    ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral(".cups")));
    ASSERT_TRUE(QDir(home.path()).mkpath(QStringLiteral("etc")));
    auto write = [](const QString& file, const QByteArray& text) {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    };
    write(home.filePath(QStringLiteral("etc/client.conf")), "# system\nServerName sysprint:700\n");
    EXPECT_EQ(ConfiguredPrintServer().Host, QStringLiteral("sysprint"));
    EXPECT_EQ(ConfiguredPrintServer().Port, 700);
    write(home.filePath(QStringLiteral(".cups/client.conf")), "Encryption Never\n  servername   userprint\n");
    EXPECT_EQ(ConfiguredPrintServer().Host, QStringLiteral("userprint"));
    {
        EnvScope server("CUPS_SERVER", "envprint:9");
        EXPECT_EQ(ConfiguredPrintServer().Host, QStringLiteral("envprint"));
        EXPECT_EQ(ConfiguredPrintServer().Port, 9);
    }
}

TEST(PrintServer, OnlyAServerThatAcceptsCountsAsAnswering) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString socketPath = dir.filePath(QStringLiteral("cups.sock"));
    {
        Listener local = Listener::Local(socketPath);
        EXPECT_TRUE(PrintServerAnswers(ParsePrintServer(socketPath)));
    }
    // The socket file is left behind by the closed listener: nobody accepts on it.
    EXPECT_FALSE(PrintServerAnswers(ParsePrintServer(socketPath)));
    EXPECT_FALSE(PrintServerAnswers(ParsePrintServer(dir.filePath(QStringLiteral("none.sock")))));

    int closedPort = 0;
    {
        Listener tcp = Listener::Tcp();
        closedPort = tcp.Port();
        TPrintServer s = ParsePrintServer(QStringLiteral("127.0.0.1"));
        s.Port = tcp.Port();
        EXPECT_TRUE(PrintServerAnswers(s));
    }
    TPrintServer closed = ParsePrintServer(QStringLiteral("127.0.0.1"));
    closed.Port = closedPort;
    EXPECT_FALSE(PrintServerAnswers(closed));
    EXPECT_FALSE(PrintServerAnswers(ParsePrintServer(QStringLiteral("no-such-host.invalid"))));
}

TEST(PrintServer, NoAnswerMeansNoPrintersAndTheVirtualPrinter) {
    QTemporaryDir dir;
    EnvScope server("CUPS_SERVER", QFile::encodeName(dir.filePath(QStringLiteral("gone.sock"))));
    const TInstalledPrinters installed = QueryInstalledPrinters();
    EXPECT_TRUE(installed.Names.isEmpty());
    EXPECT_TRUE(installed.DefaultName.isEmpty());
    EXPECT_FALSE(QueryPrinterDevice(QStringLiteral("Anything")).Valid);

    // The report's list over the system query then holds the virtual printer alone.
    FreeGlobalPrinters();
    const TPrinterQuery previousList = SetPrinterQuery({});
    const TPrinterDeviceQuery previousDevice = SetPrinterDeviceQuery({});
    EXPECT_FALSE(GlobalPrinters()->HasPhysicalPrinters());
    EXPECT_NE(dynamic_cast<TrptVirtualPrinter*>(GlobalPrinters()->Printer()), nullptr);
    FreeGlobalPrinters();
    SetPrinterQuery(previousList);
    SetPrinterDeviceQuery(previousDevice);
}
