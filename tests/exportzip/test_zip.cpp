// The ZIP writer: stored and deflated entries, the empty archive, a package folder with "mimetype"
// first, names below the root only, UTF-8 names, the clock's dates, limits of the format, and files
// that are not regular. Archives are checked by unzip -t, zipinfo -v and Python's zipfile.
#include "report/export/rptZip.h"

#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

void WriteFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly)) << path.toStdString();
    f.write(bytes);
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Bytes that deflate does not shrink.
QByteArray Noise(int n, quint32 seed) {
    QByteArray b(n, '\0');
    for (int i = 0; i < n; ++i) {
        seed = seed * 1103515245u + 12345u;
        b[i] = static_cast<char>(seed >> 16);
    }
    return b;
}

struct TRun {
    int Code = -1;
    QString Output;
};

TRun RunTool(const QString& program, const QStringList& args) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    TRun r;
    if (!p.waitForFinished(120000)) {
        r.Output = program + QStringLiteral(" did not run");
        return r;
    }
    r.Code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.Output = QString::fromUtf8(p.readAll());
    return r;
}

// The archive as Python's zipfile reads it; "bad" is the first entry whose data fails its check.
QJsonObject PyRead(const QString& zip) {
    // Debian's interpreter, whatever python3 the PATH finds.
    const TRun r =
        RunTool(QStringLiteral("/usr/bin/python3"), {QStringLiteral(KORVEL_TEST_DATA "/zipentries.py"), zip});
    EXPECT_EQ(r.Code, 0) << r.Output.toStdString();
    return QJsonDocument::fromJson(r.Output.toUtf8()).object();
}

// unzip -t, zipinfo -v and zipfile all accept the archive.
void ExpectValid(const QString& zip) {
    const TRun t = RunTool(QStringLiteral("unzip"), {QStringLiteral("-t"), zip});
    EXPECT_EQ(t.Code, 0) << t.Output.toStdString();
    EXPECT_TRUE(t.Output.contains(QLatin1String("No errors detected"))) << t.Output.toStdString();
    const TRun v = RunTool(QStringLiteral("zipinfo"), {QStringLiteral("-v"), zip});
    EXPECT_EQ(v.Code, 0) << v.Output.toStdString();
    EXPECT_FALSE(v.Output.contains(QLatin1String("warning"), Qt::CaseInsensitive)) << v.Output.toStdString();
    const QJsonObject py = PyRead(zip);
    EXPECT_TRUE(py.value(QLatin1String("bad")).isNull()) << QJsonDocument(py).toJson().toStdString();
}

QStringList Names(const QJsonObject& py) {
    QStringList names;
    for (const auto& e : py.value(QLatin1String("entries")).toArray())
        names << e.toObject().value(QLatin1String("name")).toString();
    return names;
}

QJsonObject Entry(const QJsonObject& py, const QString& name) {
    for (const auto& e : py.value(QLatin1String("entries")).toArray())
        if (e.toObject().value(QLatin1String("name")).toString() == name) return e.toObject();
    return {};
}

quint16 Le16(const QByteArray& b, int at) {
    return static_cast<quint16>(static_cast<quint8>(b[at]) | static_cast<quint8>(b[at + 1]) << 8);
}

class ZipTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FDir.isValid());
        SetClock([] { return EncodeDate(2026, 12, 11) + EncodeTime(10, 20, 31, 0); });
    }
    void TearDown() override { SetClock({}); }
    QString Path(const QString& name) const { return FDir.filePath(name); }
    // Saves the archive to out.zip in the test folder and returns its path.
    QString Save(TrptZipArchive& zip, const QString& name = QStringLiteral("out.zip")) {
        const QString out = Path(name);
        zip.SaveToFile(out);
        return out;
    }
    QTemporaryDir FDir;
};

TEST_F(ZipTest, SmallFilesAreStoredLargerOnesDeflated) {
    struct TCase {
        const char* Name;
        QByteArray Data;
        int Method;
    };
    const TCase cases[] = {
        {"empty.bin", QByteArray(), 0},
        {"128.bin", Noise(128, 1), 0},
        {"129.bin", Noise(129, 2), 8}, // deflated although that makes it larger
        {"text.txt", QByteArray(5000, 'a'), 8},
    };
    TrptZipArchive zip;
    for (const TCase& c : cases)
        WriteFile(Path(QStringLiteral("pkg/") + QLatin1String(c.Name)), c.Data);
    zip.AddDir(Path(QStringLiteral("pkg")));
    ASSERT_EQ(zip.FileCount(), 4);
    int progress = 0;
    zip.OnProgress = [&](TObject* sender) {
        EXPECT_EQ(sender, &zip);
        ++progress;
    };
    const QString out = Save(zip);
    EXPECT_EQ(progress, 4);
    ExpectValid(out);
    const QJsonObject py = PyRead(out);
    for (const TCase& c : cases) {
        const QJsonObject e = Entry(py, QLatin1String(c.Name));
        ASSERT_FALSE(e.isEmpty()) << c.Name;
        EXPECT_EQ(e.value(QLatin1String("method")).toInt(), c.Method) << c.Name;
        EXPECT_EQ(e.value(QLatin1String("size")).toInt(), c.Data.size()) << c.Name;
        EXPECT_EQ(e.value(QLatin1String("data")).toString(), QString::fromLatin1(c.Data.toHex())) << c.Name;
        if (c.Method == 0) {
            EXPECT_EQ(e.value(QLatin1String("csize")).toInt(), c.Data.size()) << c.Name;
        }
        EXPECT_EQ(e.value(QLatin1String("extra")).toString(), QString()) << c.Name;
    }
    EXPECT_EQ(Entry(py, QStringLiteral("empty.bin")).value(QLatin1String("crc")).toInteger(), 0);
    EXPECT_GT(Entry(py, QStringLiteral("129.bin")).value(QLatin1String("csize")).toInt(), 129);
    EXPECT_LT(Entry(py, QStringLiteral("text.txt")).value(QLatin1String("csize")).toInt(), 100);
}

TEST_F(ZipTest, AnEmptyArchiveIsTheEndRecordAlone) {
    TrptZipArchive zip;
    const QString out = Save(zip);
    EXPECT_EQ(ReadFile(out), QByteArray::fromHex("504B0506") + QByteArray(18, '\0'));
    const QJsonObject py = PyRead(out);
    EXPECT_EQ(py.value(QLatin1String("entries")).toArray().size(), 0);
    const TRun v = RunTool(QStringLiteral("zipinfo"), {out});
    EXPECT_TRUE(v.Output.contains(QLatin1String("Empty zipfile"))) << v.Output.toStdString();
}

// An OpenDocument package: "mimetype" first, stored, no extra field; the rest in name order; links,
// hidden files and anything that is no regular file left out.
TEST_F(ZipTest, APackageFolderPutsMimetypeFirstAndTheRestInOrder) {
    const QString pkg = Path(QStringLiteral("pkg"));
    WriteFile(pkg + QStringLiteral("/styles.xml"), QByteArray(300, 's'));
    WriteFile(pkg + QStringLiteral("/content.xml"), QByteArray(400, 'c'));
    WriteFile(pkg + QStringLiteral("/mimetype"), "application/vnd.oasis.opendocument.spreadsheet");
    WriteFile(pkg + QStringLiteral("/META-INF/manifest.xml"), QByteArray(200, 'm'));
    WriteFile(pkg + QStringLiteral("/Pictures/b.png"), Noise(150, 3));
    WriteFile(pkg + QStringLiteral("/Pictures/a.png"), Noise(20, 4));
    WriteFile(pkg + QStringLiteral("/.hidden"), "x");
    WriteFile(Path(QStringLiteral("outside/secret.txt")), "secret");
    ASSERT_EQ(
        ::symlink(qPrintable(Path(QStringLiteral("outside"))), qPrintable(pkg + QStringLiteral("/linkdir"))),
        0);
    ASSERT_EQ(::symlink(qPrintable(Path(QStringLiteral("outside/secret.txt"))),
                        qPrintable(pkg + QStringLiteral("/link.txt"))),
              0);
    ASSERT_EQ(::mkfifo(qPrintable(pkg + QStringLiteral("/pipe")), 0600), 0);

    TrptZipArchive zip;
    zip.AddDir(pkg);
    EXPECT_EQ(zip.RootFolder(), pkg + QLatin1Char('/'));
    EXPECT_EQ(zip.Errors().Count(), 0);
    const QString out = Save(zip);
    ExpectValid(out);
    const QJsonObject py = PyRead(out);
    EXPECT_EQ(Names(py), (QStringList{"mimetype", "META-INF/manifest.xml", "Pictures/a.png", "Pictures/b.png",
                                      "content.xml", "styles.xml"}));
    const QByteArray bytes = ReadFile(out);
    EXPECT_EQ(bytes.mid(30, 8), QByteArray("mimetype"));
    EXPECT_EQ(Le16(bytes, 8), 0) << "stored";
    EXPECT_EQ(Le16(bytes, 28), 0) << "no extra field";
    EXPECT_EQ(bytes.mid(38, 46), QByteArray("application/vnd.oasis.opendocument.spreadsheet"));
}

// Equal files and an equal clock give equal bytes, whatever order the files were added in.
TEST_F(ZipTest, EqualInputAndClockGiveEqualBytes) {
    const QStringList names = {"mimetype", "b.xml", "a/c.xml", "Z.bin"};
    for (const QString& n : names)
        WriteFile(Path(QStringLiteral("pkg/") + n), n.toUtf8().repeated(50));
    TrptZipArchive first, second;
    first.SetRootFolder(Path(QStringLiteral("pkg")));
    second.SetRootFolder(Path(QStringLiteral("pkg")));
    for (const QString& n : names)
        first.AddFile(Path(QStringLiteral("pkg/") + n));
    for (auto it = names.rbegin(); it != names.rend(); ++it)
        second.AddFile(Path(QStringLiteral("pkg/") + *it));
    const QByteArray a = ReadFile(Save(first, QStringLiteral("1.zip")));
    const QByteArray b = ReadFile(Save(second, QStringLiteral("2.zip")));
    EXPECT_EQ(a, b);
    EXPECT_EQ(Names(PyRead(Path(QStringLiteral("1.zip")))),
              (QStringList{"mimetype", "Z.bin", "a/c.xml", "b.xml"}));
    // Another clock, other bytes.
    SetClock([] { return EncodeDate(2027, 1, 2) + EncodeTime(3, 4, 6, 0); });
    EXPECT_NE(ReadFile(Save(first, QStringLiteral("3.zip"))), a);
}

TEST_F(ZipTest, NamesAreUtf8WithTheirFlagWhenNotAscii) {
    const QString nonAscii = QStringLiteral("Bericht Größe €/Отчёт 1.txt");
    WriteFile(Path(QStringLiteral("pkg/") + nonAscii), "umlauts");
    WriteFile(Path(QStringLiteral("pkg/with space.txt")), "plain");
    TrptZipArchive zip;
    zip.AddDir(Path(QStringLiteral("pkg")));
    const QString out = Save(zip);
    ExpectValid(out);
    const QJsonObject py = PyRead(out);
    EXPECT_EQ(Entry(py, nonAscii).value(QLatin1String("flags")).toInt() & 0x800, 0x800);
    EXPECT_EQ(Entry(py, QStringLiteral("with space.txt")).value(QLatin1String("flags")).toInt(), 0);
    EXPECT_EQ(Entry(py, nonAscii).value(QLatin1String("data")).toString(),
              QString::fromLatin1(QByteArray("umlauts").toHex()));
}

// Dates come from the clock, clamped to what the format holds; seconds are even.
TEST_F(ZipTest, EntriesAreDatedByTheClock) {
    struct TCase {
        TDateTime When;
        QList<int> Expected;
    };
    const TCase cases[] = {
        {EncodeDate(2026, 12, 11) + EncodeTime(10, 20, 31, 0), {2026, 12, 11, 10, 20, 30}},
        {EncodeDate(1970, 6, 1) + EncodeTime(12, 0, 0, 0), {1980, 1, 1, 0, 0, 0}},
        {EncodeDate(1980, 1, 1), {1980, 1, 1, 0, 0, 0}},
        {EncodeDate(2200, 1, 1), {2107, 12, 31, 23, 59, 58}},
    };
    WriteFile(Path(QStringLiteral("pkg/a.txt")), "a");
    for (const TCase& c : cases) {
        SetClock([&c] { return c.When; });
        TrptZipArchive zip;
        zip.AddFile(Path(QStringLiteral("pkg/a.txt")));
        const QString out = Save(zip);
        const QJsonArray time = PyRead(out)
                                    .value(QLatin1String("entries"))
                                    .toArray()
                                    .at(0)
                                    .toObject()
                                    .value(QLatin1String("time"))
                                    .toArray();
        QList<int> got;
        for (const auto& v : time)
            got << v.toInt();
        EXPECT_EQ(got, c.Expected)
            << FormatDateTime(QStringLiteral("yyyy-mm-dd hh:nn:ss"), c.When).toStdString();
    }
}

// Only a leading root is cut; a path elsewhere is refused, never stored under its full name.
TEST_F(ZipTest, PathsOutsideTheRootAreRefused) {
    WriteFile(Path(QStringLiteral("pkg/a.txt")), "a");
    WriteFile(Path(QStringLiteral("other/pkg/b.txt")), "b");
    TrptZipArchive zip;
    zip.AddFile(Path(QStringLiteral("pkg/a.txt")));
    zip.AddFile(Path(QStringLiteral("other/pkg/b.txt")));
    EXPECT_EQ(zip.FileCount(), 1);
    ASSERT_EQ(zip.Errors().Count(), 1);
    EXPECT_TRUE(zip.Errors().Strings(0).contains(QLatin1String("other/pkg/b.txt")));

    // A root changed afterwards, or one that only occurs inside the path: nothing is written.
    for (const QString& root : {Path(QStringLiteral("other")), QStringLiteral("pkg"), QString()}) {
        zip.SetRootFolder(root);
        TMemoryStream out;
        EXPECT_THROW(zip.SaveToStream(out), ErptZipError) << root.toStdString();
        EXPECT_EQ(out.Size(), 0) << root.toStdString();
    }
    // The root with or without its slash cuts the same.
    zip.SetRootFolder(Path(QStringLiteral("pkg")));
    EXPECT_EQ(Names(PyRead(Save(zip))), QStringList{"a.txt"});
}

TEST_F(ZipTest, MissingAndIrregularFilesAreListedInErrors) {
    WriteFile(Path(QStringLiteral("real.txt")), "r");
    ASSERT_EQ(
        ::symlink(qPrintable(Path(QStringLiteral("real.txt"))), qPrintable(Path(QStringLiteral("link.txt")))),
        0);
    TrptZipArchive zip;
    zip.AddFile(Path(QStringLiteral("missing.txt")));
    EXPECT_EQ(zip.FileCount(), 0);
    ASSERT_EQ(zip.Errors().Count(), 1);
    EXPECT_EQ(zip.Errors().Strings(0),
              QStringLiteral("File ") + Path(QStringLiteral("missing.txt")) + QStringLiteral(" not found!"));
    zip.AddFile(Path(QStringLiteral("link.txt")));
    zip.AddFile(FDir.path());
    EXPECT_EQ(zip.FileCount(), 0);
    EXPECT_EQ(zip.Errors().Count(), 3);
    zip.AddFile(Path(QStringLiteral("real.txt")));
    zip.AddFile(Path(QStringLiteral("./real.txt")));
    EXPECT_EQ(zip.FileCount(), 1) << "the same file once";
    zip.AddDir(Path(QStringLiteral("no such folder")));
    EXPECT_EQ(zip.Errors().Count(), 3);
    zip.Clear();
    EXPECT_EQ(zip.FileCount(), 0);
    EXPECT_EQ(zip.Errors().Count(), 0);
    EXPECT_EQ(zip.RootFolder(), QString());
}

TEST_F(ZipTest, MoreEntriesThanTheFormatHoldsAreRefusedBeforeWriting) {
    const QString dir = Path(QStringLiteral("many"));
    QDir().mkpath(dir);
    const QByteArray native = QFile::encodeName(dir);
    for (int i = 0; i <= TrptZipArchive::MaxEntries; ++i) {
        const int fd =
            ::open((native + '/' + QByteArray::number(i)).constData(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
        ASSERT_GE(fd, 0);
        ::close(fd);
    }
    TrptZipArchive zip;
    zip.AddDir(dir);
    ASSERT_EQ(zip.FileCount(), TrptZipArchive::MaxEntries + 1);
    TMemoryStream out;
    try {
        zip.SaveToStream(out);
        FAIL() << "no error";
    } catch (const ErptZipError& e) {
        EXPECT_TRUE(e.Message().contains(QLatin1String("65536"))) << e.Message().toStdString();
    }
    EXPECT_EQ(out.Size(), 0);
}

TEST_F(ZipTest, AFileOfFourGibibytesIsRefusedBeforeWriting) {
    WriteFile(Path(QStringLiteral("pkg/a.txt")), "a");
    const QString big = Path(QStringLiteral("pkg/big.bin"));
    WriteFile(big, QByteArray());
    ASSERT_TRUE(QFile::resize(big, 0x100000000LL)); // sparse: takes no room on disk
    TrptZipArchive zip;
    zip.AddDir(Path(QStringLiteral("pkg")));
    TMemoryStream out;
    try {
        zip.SaveToStream(out);
        FAIL() << "no error";
    } catch (const ErptZipError& e) {
        EXPECT_TRUE(e.Message().contains(QLatin1String("big.bin"))) << e.Message().toStdString();
    }
    EXPECT_EQ(out.Size(), 0);
}

// A file that goes before it is read: the error names it, an existing archive stays as it was and
// no half-written file is left.
TEST_F(ZipTest, AFailedSaveKeepsTheExistingFile) {
    WriteFile(Path(QStringLiteral("pkg/a.txt")), "a");
    WriteFile(Path(QStringLiteral("pkg/b.txt")), "b");
    const QString out = Path(QStringLiteral("out/report.ods"));
    WriteFile(out, "the old archive");
    TrptZipArchive zip;
    zip.AddDir(Path(QStringLiteral("pkg")));
    ASSERT_TRUE(QFile::remove(Path(QStringLiteral("pkg/b.txt"))));
    try {
        zip.SaveToFile(out);
        FAIL() << "no error";
    } catch (const EFOpenError& e) {
        EXPECT_TRUE(e.Message().contains(QLatin1String("b.txt"))) << e.Message().toStdString();
    }
    EXPECT_EQ(ReadFile(out), QByteArray("the old archive"));
    EXPECT_EQ(QDir(Path(QStringLiteral("out"))).entryList(QDir::Files | QDir::Hidden),
              QStringList{"report.ods"});
    // A folder that does not exist: an error, nothing made.
    EXPECT_THROW(zip.SaveToFile(Path(QStringLiteral("nowhere/x.zip"))), Exception);
    EXPECT_FALSE(QFileInfo::exists(Path(QStringLiteral("nowhere"))));
}

TEST_F(ZipTest, RecordsWriteTheirLayout) {
    TrptZipLocalFileHeader h;
    h.SetFileName("META-INF\\manifest.xml");
    EXPECT_EQ(h.FileName(), QByteArray("META-INF/manifest.xml"));
    EXPECT_EQ(h.FileNameLength, 21);
    TMemoryStream s;
    h.SaveToStream(s);
    EXPECT_EQ(s.Size(), 30 + 21);
    TrptZipFileHeader c;
    c.SetFileName("x");
    c.SetFileComment("note");
    TMemoryStream s2;
    c.SaveToStream(s2);
    EXPECT_EQ(s2.Bytes().left(4), QByteArray::fromHex("504B0102"));
    EXPECT_EQ(s2.Size(), 46 + 1 + 4);
    EXPECT_EQ(Le16(s2.Bytes(), 32), 4);
}

} // namespace
