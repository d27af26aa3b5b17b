#include "platform/rtl/IniFiles.h"
#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

namespace {

QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QStringList Keys(TCustomIniFile& ini, const QString& section) {
    TStringList list;
    ini.ReadSection(section, list);
    return list.ToStringList();
}

QStringList Sections(TCustomIniFile& ini) {
    TStringList list;
    ini.ReadSections(list);
    return list.ToStringList();
}

class IniFiles : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(FDir.isValid()); }
    QString Path(const QString& name) const { return FDir.filePath(name); }
    QTemporaryDir FDir;
};

// Both classes must behave alike for everything but when the file is written.
std::unique_ptr<TCustomIniFile> Open(bool mem, const QString& path) {
    if (mem)
        return std::make_unique<TMemIniFile>(path);
    return std::make_unique<TIniFile>(path);
}

} // namespace

TEST_F(IniFiles, ParsingRules) {
    WriteBytes(Path("rules.ini"),
               "top=before any section\n"
               "; a comment=not a key\n"
               "# another=comment\n"
               "[Options]\n"
               "  server  =  C:\\data\\a.db  \n"
               "formula=a=b\n"
               "quoted=\"  padded  \"\n"
               "single='x'\n"
               "half=\"open\n"
               "bare key\n"
               "[ Spaced Name ]\n"
               "k=1\n"
               "[options]\n"
               "later=merged\n"
               "server=second\n"
               "[Список]\n"
               "Ключ=значение\n");
    for (const bool mem : {false, true}) {
        auto ini = Open(mem, Path("rules.ini"));
        SCOPED_TRACE(mem ? "TMemIniFile" : "TIniFile");
        EXPECT_EQ(Sections(*ini), (QStringList{"Options", "Spaced Name", "Список"}));
        EXPECT_EQ(ini->ReadString("", "top", "-"), "before any section");
        EXPECT_EQ(ini->ReadString("OPTIONS", "SERVER", "-"), "C:\\data\\a.db");
        EXPECT_EQ(ini->ReadString("Options", "formula", "-"), "a=b");
        EXPECT_EQ(ini->ReadString("Options", "quoted", "-"), "  padded  ");
        EXPECT_EQ(ini->ReadString("Options", "single", "-"), "x");
        EXPECT_EQ(ini->ReadString("Options", "half", "-"), "\"open");
        EXPECT_EQ(ini->ReadString("Options", "a comment", "-"), "-");
        EXPECT_TRUE(ini->ValueExists("Options", "bare key"));
        EXPECT_EQ(ini->ReadString("Options", "bare key", "-"), "");
        EXPECT_EQ(ini->ReadString("options", "later", "-"), "merged");
        EXPECT_EQ(Keys(*ini, "Options"),
                  (QStringList{"server", "formula", "quoted", "single", "half", "bare key",
                               "later", "server"}));
        EXPECT_EQ(ini->ReadString("spaced name", "k", "-"), "1");
        EXPECT_EQ(ini->ReadString("список", "ключ", "-"), "значение"); // Cyrillic case too
        EXPECT_EQ(ini->ReadString("Options", "missing", "dflt"), "dflt");
        EXPECT_EQ(ini->ReadString("Missing", "server", "dflt"), "dflt");
        TStringList values;
        ini->ReadSectionValues("Spaced Name", values);
        EXPECT_EQ(values.ToStringList(), QStringList{"k=1"});
    }
}

TEST_F(IniFiles, RewriteKeepsOrderCommentsAndUntouchedLines) {
    const QByteArray original = "; settings\r\n"
                                "[Options]\r\n"
                                "server = C:\\a.db   ; kept as written\r\n"
                                "VisibleReport=0\r\n"
                                "\r\n"
                                "# grid widths\r\n"
                                "[Grids]\r\n"
                                "frmMain.grid.ColCount=2\r\n";
    WriteBytes(Path("s.ini"), original);
    TIniFile ini(Path("s.ini"));
    ini.WriteInteger("Options", "VisibleReport", 1);
    ini.WriteString("Options", "VisibleOptions", "1");
    ini.WriteInteger("Grids", "frmMain.grid.0", 120);
    ini.WriteString("New", "k", "v");
    EXPECT_EQ(ReadBytes(Path("s.ini")), QByteArray("; settings\r\n"
                                                   "[Options]\r\n"
                                                   "server = C:\\a.db   ; kept as written\r\n"
                                                   "VisibleReport=1\r\n"
                                                   "VisibleOptions=1\r\n"
                                                   "\r\n"
                                                   "# grid widths\r\n"
                                                   "[Grids]\r\n"
                                                   "frmMain.grid.ColCount=2\r\n"
                                                   "frmMain.grid.0=120\r\n"
                                                   "\r\n"
                                                   "[New]\r\n"
                                                   "k=v\r\n"));
    // Writing the value a key already has leaves its line alone.
    ini.WriteString("Options", "server", "C:\\a.db   ; kept as written");
    EXPECT_TRUE(ReadBytes(Path("s.ini")).contains("server = C:\\a.db   ; kept as written\r\n"));

    // A file with bare line feeds keeps them.
    WriteBytes(Path("lf.ini"), "[A]\nx=1\n");
    TIniFile lf(Path("lf.ini"));
    lf.WriteString("A", "y", "2");
    EXPECT_EQ(ReadBytes(Path("lf.ini")), "[A]\nx=1\ny=2\n");
}

TEST_F(IniFiles, OddNamesAndValuesRoundTrip) {
    struct Case {
        QString section, key, value;
    };
    const Case cases[] = {
        {"with spaces", "key with spaces", "value with spaces"},
        {"a]b", "k", "v"},
        {"[nested]", "k", "v"},
        {"s=t", "k", "=starts with equals"},
        {"s", "k", "  padded  "},
        {"s", "q", "\"quoted\""},
        {"s", "q2", "'single'"},
        {"s", "semi", "; not a comment"},
        {"s", "empty", ""},
        {"Юникод", "ключ", "значение €"},
    };
    TMemIniFile mem(Path("odd.ini"));
    for (const Case& c : cases)
        mem.WriteString(c.section, c.key, c.value);
    mem.UpdateFile();
    TIniFile back(Path("odd.ini"));
    for (const Case& c : cases)
        EXPECT_EQ(back.ReadString(c.section, c.key, "<missing>"), c.value)
            << c.section.toStdString() << "/" << c.key.toStdString();
    EXPECT_EQ(Sections(back), (QStringList{"with spaces", "a]b", "[nested]", "s=t", "s", "Юникод"}));

    // What a line cannot hold is refused, naming the file, rather than written corrupt.
    const QString bad[][3] = {{"s", "a=b", "v"}, {"s", "[k", "v"}, {"s", ";k", "v"},
                              {"s", "k", "line\nbreak"}, {"s\r\nx", "k", "v"}};
    for (const auto& b : bad) {
        try {
            back.WriteString(b[0], b[1], b[2]);
            ADD_FAILURE() << "accepted " << b[1].toStdString();
        } catch (const EIniFileException& e) {
            EXPECT_TRUE(e.Message().contains(Path("odd.ini"))) << e.Message().toStdString();
        }
    }
    EXPECT_EQ(back.ReadString("s", "k", "<missing>"), "  padded  ");
}

TEST_F(IniFiles, MissingFileReadsEmptyAndWritingCreatesIt) {
    for (const bool mem : {false, true}) {
        const QString path = Path(mem ? "absent-mem.ini" : "absent.ini");
        auto ini = Open(mem, path);
        EXPECT_EQ(ini->ReadString("Options", "server", "dflt"), "dflt");
        EXPECT_EQ(ini->ReadInteger("Options", "VisibleReport", 7), 7);
        EXPECT_TRUE(Sections(*ini).isEmpty());
        EXPECT_FALSE(ini->SectionExists("Options"));
        ini->DeleteKey("Options", "server"); // nothing to delete, nothing raised
        ini->EraseSection("Options");
        EXPECT_FALSE(QFile::exists(path));
        ini->WriteString("Options", "server", "x.db");
        ini->UpdateFile();
        EXPECT_EQ(ReadBytes(path), "[Options]\r\nserver=x.db\r\n");
    }
}

TEST_F(IniFiles, UnreadableOrUnwritablePathsRaiseNamingTheFile) {
    const QString noDir = Path("no/such/folder/settings.ini");
    TIniFile ini(noDir);
    EXPECT_EQ(ini.ReadString("a", "b", "d"), "d"); // missing folder: a missing file
    try {
        ini.WriteString("a", "b", "c");
        FAIL() << "write into a missing folder succeeded";
    } catch (const EIniFileException& e) {
        EXPECT_TRUE(e.Message().startsWith("Unable to write to " + noDir)) << e.Message().toStdString();
    }
    TMemIniFile mem(noDir);
    mem.WriteString("a", "b", "c");
    EXPECT_THROW(mem.UpdateFile(), EIniFileException);

    // A folder where the file should be cannot be read.
    ASSERT_TRUE(QDir(FDir.path()).mkdir("folder.ini"));
    try {
        TMemIniFile dirIni(Path("folder.ini"));
        FAIL();
    } catch (const EIniFileException& e) {
        EXPECT_TRUE(e.Message().contains(Path("folder.ini"))) << e.Message().toStdString();
    }
    TIniFile dirIni(Path("folder.ini"));
    EXPECT_THROW(dirIni.ReadString("a", "b", ""), EIniFileException);
}

TEST_F(IniFiles, EraseSectionAndDeleteKey) {
    WriteBytes(Path("e.ini"), "[A]\nx=1\ny=2\n[B]\nz=3\n[a]\nx=again\n");
    for (const bool mem : {false, true}) {
        WriteBytes(Path("e.ini"), "[A]\nx=1\ny=2\n[B]\nz=3\n[a]\nx=again\n");
        auto ini = Open(mem, Path("e.ini"));
        ini->DeleteKey("a", "X"); // every occurrence goes
        EXPECT_FALSE(ini->ValueExists("A", "x"));
        EXPECT_EQ(Keys(*ini, "A"), QStringList{"y"});
        ini->EraseSection("b");
        EXPECT_FALSE(ini->SectionExists("B"));
        EXPECT_EQ(Sections(*ini), QStringList{"A"});
        ini->EraseSection("A");
        EXPECT_TRUE(Sections(*ini).isEmpty());
        ini->UpdateFile();
        EXPECT_EQ(ReadBytes(Path("e.ini")), "");
    }
}

TEST_F(IniFiles, TypedValues) {
    WriteBytes(Path("t.ini"), "[T]\ndec=42\nneg=-7\ndollar=$1F\nhex=0x10\nword=True\nspace=\n"
                              "one=1\nzero=0\nbig=9000000000\n");
    TIniFile ini(Path("t.ini"));
    struct IntCase {
        const char* key;
        int expected;
    };
    const IntCase ints[] = {{"dec", 42}, {"neg", -7}, {"dollar", 31}, {"hex", 16},
                            {"word", 5}, {"space", 5}, {"missing", 5}};
    for (const IntCase& c : ints)
        EXPECT_EQ(ini.ReadInteger("T", c.key, 5), c.expected) << c.key;
    EXPECT_EQ(ini.ReadInt64("T", "big", 0), Int64(9000000000));
    EXPECT_TRUE(ini.ReadBool("T", "one", false));
    EXPECT_FALSE(ini.ReadBool("T", "zero", true));
    EXPECT_TRUE(ini.ReadBool("T", "word", true)); // no number: the default
    EXPECT_FALSE(ini.ReadBool("T", "word", false));
    ini.WriteBool("T", "flag", true);
    ini.WriteBool("T", "off", false);
    EXPECT_EQ(ini.ReadString("T", "flag", ""), "1");
    EXPECT_EQ(ini.ReadString("T", "off", ""), "0");

    {
        TFormatSettingsScope ru(QStringLiteral("ru_RU"));
        ini.WriteFloat("T", "f", 1.5);
        EXPECT_EQ(ini.ReadString("T", "f", ""), "1,5");
        EXPECT_DOUBLE_EQ(ini.ReadFloat("T", "f", 0), 1.5);
        EXPECT_DOUBLE_EQ(ini.ReadFloat("T", "word", 2.25), 2.25);
        const TDateTime when = EncodeDateTime(2024, 3, 5, 14, 7, 9, 0);
        ini.WriteDate("T", "d", when);
        EXPECT_DOUBLE_EQ(ini.ReadDate("T", "d", 0), EncodeDate(2024, 3, 5));
        ini.WriteDateTime("T", "dt", when);
        EXPECT_NEAR(ini.ReadDateTime("T", "dt", 0), when, 1e-8);
        ini.WriteTime("T", "tm", when);
        EXPECT_NEAR(ini.ReadTime("T", "tm", 0), when - EncodeDate(2024, 3, 5), 1e-8);
        EXPECT_DOUBLE_EQ(ini.ReadDate("T", "word", 3), 3);
    }

    TMemoryStream bytes;
    bytes.WriteBytes(QByteArray("\x00\x01\xAB\xFF", 4));
    bytes.SetPosition(1);
    ini.WriteBinaryStream("T", "bin", bytes);
    EXPECT_EQ(ini.ReadString("T", "bin", ""), "01ABFF");
    EXPECT_EQ(bytes.Position(), 1);
    TMemoryStream back;
    EXPECT_EQ(ini.ReadBinaryStream("T", "bin", back), 3);
    EXPECT_EQ(back.Bytes(), QByteArray("\x01\xAB\xFF", 3));
    ini.WriteString("T", "badhex", "0AzZ11");
    TMemoryStream part;
    EXPECT_EQ(ini.ReadBinaryStream("T", "badhex", part), 1); // stops at the first bad pair
}

TEST_F(IniFiles, CyrillicAnsiFixtureKeepsItsEncoding) {
    const int saved = TEncoding::AnsiCodePage();
    TEncoding::SetAnsiCodePage(1251);
    const QString path = Path("settings.ini");
    QFile::copy(QStringLiteral(KORVEL_TEST_DATA "/settings_cp1251.ini"), path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    {
        TIniFile ini(path);
        EXPECT_EQ(ini.ReadString("Options", "server", ""), QString::fromUtf8("C:\\Базы\\учёт.db"));
        EXPECT_EQ(ini.ReadInteger("Options", "VisibleReport", 1), 0);
        EXPECT_EQ(Keys(ini, "DisableUpperCase"), (QStringList{"примечание", "email"}));
        ini.WriteString("Options", "server", QString::fromUtf8("D:\\Новая.db"));
    }
    const QByteArray bytes = ReadBytes(path);
    EXPECT_FALSE(bytes.startsWith("\xEF\xBB\xBF"));
    EXPECT_TRUE(bytes.contains(TEncoding::GetEncoding(1251).GetBytes(QString::fromUtf8("Новая"))));
    EXPECT_TRUE(bytes.startsWith(TEncoding::GetEncoding(1251).GetBytes("; Настройки")));

    // Text the code page cannot hold switches the file to UTF-8 rather than losing it.
    {
        TIniFile ini(path);
        ini.WriteString("Options", "note", QString::fromUtf8("日本"));
    }
    EXPECT_TRUE(ReadBytes(path).startsWith("\xEF\xBB\xBF"));
    TMemIniFile again(path);
    EXPECT_EQ(again.ReadString("Options", "note", ""), QString::fromUtf8("日本"));
    EXPECT_EQ(again.ReadString("Options", "server", ""), QString::fromUtf8("D:\\Новая.db"));
    TEncoding::SetAnsiCodePage(saved);
}

TEST_F(IniFiles, Utf16FixtureReadsInFileOrderAndStaysUtf16) {
    const QString path = Path("tables.ini");
    QFile::copy(QStringLiteral(KORVEL_TEST_DATA "/tables_utf16.ini"), path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    TMemIniFile ini(path);
    EXPECT_EQ(Sections(ini), (QStringList{"orders", "клиенты"}));
    EXPECT_EQ(Keys(ini, "orders"), (QStringList{"_date", "-amount", "^id_customers", "%total"}));
    EXPECT_EQ(ini.ReadString("orders", "-amount", ""), "REAL");
    EXPECT_EQ(ini.ReadInteger("КЛИЕНТЫ", "isdictionary", 0), 1);
    ini.WriteString("клиенты", "_телефон", "TEXT");
    ini.UpdateFile();
    const QByteArray bytes = ReadBytes(path);
    ASSERT_TRUE(bytes.startsWith("\xFF\xFE"));
    EXPECT_TRUE(TEncoding::DecodeText(bytes).endsWith("_имя=TEXT\r\n_телефон=TEXT\r\n"));
}

TEST_F(IniFiles, IniFileWritesThroughAndSeesOtherWriters) {
    const QString path = Path("live.ini");
    TIniFile a(path);
    a.WriteString("S", "k", "1");
    TMemIniFile snapshot(path); // no UpdateFile needed: the write is already on disk
    EXPECT_EQ(snapshot.ReadString("S", "k", ""), "1");
    snapshot.WriteString("S", "k", "2");
    EXPECT_EQ(a.ReadString("S", "k", ""), "1"); // not yet written
    snapshot.UpdateFile();
    EXPECT_EQ(a.ReadString("S", "k", ""), "2"); // the file changed: read again
    TIniFile b(path);
    b.WriteString("S", "other", "x");
    a.WriteString("S", "k", "3"); // a's write keeps b's
    TMemIniFile check(path);
    EXPECT_EQ(check.ReadString("S", "other", ""), "x");
    EXPECT_EQ(check.ReadString("S", "k", ""), "3");
}

TEST_F(IniFiles, MemIniFileStringsAndRename) {
    TMemIniFile ini(QString{});
    TStringList lines;
    lines.SetText("[A]\r\nx=1\r\n; note\r\n[B]\r\ny=2\r\n");
    ini.SetStrings(lines);
    EXPECT_EQ(ini.ReadString("B", "y", ""), "2");
    ini.WriteString("A", "z", "3");
    TStringList out;
    ini.GetStrings(out);
    EXPECT_EQ(out.ToStringList(), (QStringList{"[A]", "x=1", "z=3", "; note", "[B]", "y=2"}));
    ini.Clear();
    EXPECT_TRUE(Sections(ini).isEmpty());
    EXPECT_THROW(ini.UpdateFile(), EIniFileException); // no file name to write to

    WriteBytes(Path("r.ini"), "[R]\nk=v\n");
    ini.Rename(Path("r.ini"), false);
    EXPECT_EQ(ini.FileName(), Path("r.ini"));
    EXPECT_TRUE(Sections(ini).isEmpty());
    ini.Rename(Path("r.ini"), true);
    EXPECT_EQ(ini.ReadString("R", "k", ""), "v");
}
