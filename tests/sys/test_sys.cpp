#include "platform/sys/Desktop.h"
#include "platform/sys/Language.h"
#include "platform/sys/Program.h"
#include "platform/sys/Registry.h"
#include "platform/sys/TempFiles.h"
#include "platform/sys/XmlDocument.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

// ---------------------------------------------------------------------------------------------
// Settings store

namespace {

class Settings : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FDir.isValid());
        qputenv("KORVEL_CONFIG_DIR", FDir.path().toUtf8());
    }
    void TearDown() override { qunsetenv("KORVEL_CONFIG_DIR"); }
    QTemporaryDir FDir;
};

QByteArray EveryByte() {
    QByteArray b;
    for (int i = 0; i < 256; ++i)
        b.append(static_cast<char>(i));
    return b;
}

QStringList Names(const TStrings& s) {
    QStringList out;
    for (int i = 0; i < s.Count(); ++i)
        out << s.Strings(i);
    return out;
}

// Texts and names that the file format must carry unchanged.
const QString OddTexts[] = {
    QStringLiteral("Русский"),
    QStringLiteral("a=b; [c] #d %41"),
    QStringLiteral("  blanks at both ends  "),
    QStringLiteral("\"quoted\""),
    QStringLiteral("line\r\nbreak\ttab"),
    QStringLiteral("@"),
    QStringLiteral(";semicolon"),
    QString(),
};

} // namespace

TEST_F(Settings, ValuesRoundTripThroughTheFile) {
    {
        TRegistry reg;
        ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Dize Rorerir\\Resources"), true));
        EXPECT_EQ(reg.CurrentPath(), QStringLiteral("Software\\Dize Rorerir\\Resources"));
        reg.WriteString(QStringLiteral("Language"), QStringLiteral("Русский"));
        reg.WriteInteger(QStringLiteral("Count"), -42);
        reg.WriteBool(QStringLiteral("Flag"), true);
        reg.WriteBinaryData(QStringLiteral("Bytes"), EveryByte());
        reg.WriteFloat(QStringLiteral("Zoom"), 1.25);
        int i = 0;
        for (const QString& t : OddTexts) {
            reg.WriteString(QStringLiteral("text%1").arg(i), t);
            reg.WriteInteger(t.isEmpty() ? QString() : t, i);
            ++i;
        }
    }
    ASSERT_TRUE(QFile::exists(RegistryHiveFileName(HKEY_CURRENT_USER)));
    EXPECT_TRUE(RegistryHiveFileName(HKEY_CURRENT_USER).startsWith(FDir.path()));

    // A copy of the folder is read from its file, not from what this process remembers.
    QTemporaryDir copy;
    QDir().mkpath(copy.filePath(QStringLiteral("registry")));
    ASSERT_TRUE(QFile::copy(RegistryHiveFileName(HKEY_CURRENT_USER),
                            copy.filePath(QStringLiteral("registry/HKEY_CURRENT_USER.ini"))));
    qputenv("KORVEL_CONFIG_DIR", copy.path().toUtf8());

    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(QStringLiteral("\\software\\DIZE RORERIR\\resources")));
    EXPECT_EQ(reg.ReadString(QStringLiteral("language")), QStringLiteral("Русский"));
    EXPECT_EQ(reg.ReadInteger(QStringLiteral("Count")), -42);
    EXPECT_TRUE(reg.ReadBool(QStringLiteral("Flag")));
    EXPECT_TRUE(reg.ReadBinaryData(QStringLiteral("Bytes")) == EveryByte());
    EXPECT_DOUBLE_EQ(reg.ReadFloat(QStringLiteral("Zoom")), 1.25);
    EXPECT_EQ(reg.GetDataType(QStringLiteral("Count")), rdInteger);
    EXPECT_EQ(reg.GetDataType(QStringLiteral("Language")), rdString);
    EXPECT_EQ(reg.GetDataSize(QStringLiteral("Bytes")), 256);
    EXPECT_EQ(reg.GetDataSize(QStringLiteral("missing")), -1);
    int i = 0;
    for (const QString& t : OddTexts) {
        EXPECT_EQ(reg.ReadString(QStringLiteral("text%1").arg(i)), t) << i;
        EXPECT_EQ(reg.ReadInteger(t.isEmpty() ? QString() : t), i) << i;
        ++i;
    }
}

TEST_F(Settings, KeysAndValuesAreListedCreatedAndDeleted) {
    TRegistry reg;
    EXPECT_FALSE(reg.OpenKey(QStringLiteral("\\Software\\Dize Rorerir"), false));
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Dize Rorerir\\MRUFont"), true));
    reg.WriteString(QStringLiteral("Font0"), QStringLiteral("Arial"));
    reg.WriteInteger(QStringLiteral("FontType0"), 4);
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Dize Rorerir\\Resources"), true));
    reg.WriteString(QStringLiteral("Language"), QStringLiteral("English"));
    // A relative path opens below the open key.
    ASSERT_TRUE(reg.OpenKey(QStringLiteral("Sub\\Deeper"), true));
    EXPECT_EQ(reg.CurrentPath(), QStringLiteral("Software\\Dize Rorerir\\Resources\\Sub\\Deeper"));

    ASSERT_TRUE(reg.OpenKey(QStringLiteral("\\Software\\Dize Rorerir"), false));
    TStringList names;
    reg.GetKeyNames(names);
    EXPECT_EQ(Names(names), (QStringList{QStringLiteral("MRUFont"), QStringLiteral("Resources")}));
    EXPECT_TRUE(reg.HasSubKeys());
    EXPECT_TRUE(reg.KeyExists(QStringLiteral("Resources\\Sub")));
    EXPECT_TRUE(reg.KeyExists(QStringLiteral("\\SOFTWARE")));

    ASSERT_TRUE(reg.OpenKey(QStringLiteral("MRUFont"), false));
    reg.GetValueNames(names);
    EXPECT_EQ(Names(names), (QStringList{QStringLiteral("Font0"), QStringLiteral("FontType0")}));
    EXPECT_TRUE(reg.ValueExists(QStringLiteral("font0")));
    EXPECT_TRUE(reg.DeleteValue(QStringLiteral("Font0")));
    EXPECT_FALSE(reg.DeleteValue(QStringLiteral("Font0")));
    EXPECT_FALSE(reg.ValueExists(QStringLiteral("Font0")));
    EXPECT_EQ(reg.ReadString(QStringLiteral("Font0")), QString()); // missing text reads as empty
    try {
        reg.ReadInteger(QStringLiteral("Font0"));
        ADD_FAILURE() << "a missing integer must raise";
    } catch (const ERegistryException& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Invalid data type for 'Font0'"));
    }
    EXPECT_THROW(reg.ReadString(QStringLiteral("FontType0")), ERegistryException);

    EXPECT_TRUE(reg.DeleteKey(QStringLiteral("\\Software\\Dize Rorerir\\Resources")));
    EXPECT_FALSE(reg.KeyExists(QStringLiteral("\\Software\\Dize Rorerir\\Resources\\Sub\\Deeper")));
    EXPECT_TRUE(reg.KeyExists(QStringLiteral("\\Software\\Dize Rorerir\\MRUFont")));
    EXPECT_FALSE(reg.DeleteKey(QStringLiteral("\\Software\\Nothing")));

    // Read-only keys refuse writes; the machine hive is a file of its own.
    ASSERT_TRUE(reg.OpenKeyReadOnly(QStringLiteral("\\Software")));
    EXPECT_THROW(reg.WriteString(QStringLiteral("x"), QStringLiteral("y")), ERegistryException);
    TRegistry machine;
    machine.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_FALSE(machine.OpenKeyReadOnly(QStringLiteral("\\Software\\Dize Rorerir\\MRUFont")));
    ASSERT_TRUE(machine.OpenKey(QStringLiteral("\\Software\\Dize Rorerir\\Connections"), true));
    machine.WriteString(QStringLiteral("Local"), QStringLiteral("x"));
    EXPECT_FALSE(reg.KeyExists(QStringLiteral("\\Software\\Dize Rorerir\\Connections")));
    EXPECT_TRUE(QFile::exists(RegistryHiveFileName(HKEY_LOCAL_MACHINE)));
}

TEST_F(Settings, DamagedFileNamesFileAndLine) {
    const QString file = RegistryHiveFileName(HKEY_CURRENT_USER);
    QDir().mkpath(QFileInfo(file).absolutePath());
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Software]\nGood=sz:x\nBroken=qword:5\n");
    f.close();
    TRegistry reg;
    try {
        reg.OpenKey(QStringLiteral("\\Software"), false);
        ADD_FAILURE() << "a damaged file must raise";
    } catch (const ERegistryException& e) {
        EXPECT_TRUE(e.Message().contains(file) && e.Message().contains(QStringLiteral("line 3")))
            << e.Message().toStdString();
    }
}

TEST_F(Settings, IniViewOfAKey) {
    {
        TRegistryIniFile ini(QStringLiteral("\\Software\\Dize Rorerir"));
        ini.WriteString(QStringLiteral("Form4.TrptPreviewForm"), QStringLiteral("Width"),
                        QStringLiteral("640"));
        ini.WriteInteger(QStringLiteral("Form4.TrptPreviewForm"), QStringLiteral("Height"), 480);
        ini.WriteBool(QStringLiteral("ToolBar4.Main"), QStringLiteral("Visible"), true);
    }
    TRegistryIniFile ini(QStringLiteral("\\Software\\Dize Rorerir"));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Form4.TrptPreviewForm"), QStringLiteral("Width"), 0), 640);
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Form4.TrptPreviewForm"), QStringLiteral("Height"), 0), 480);
    EXPECT_TRUE(ini.ReadBool(QStringLiteral("ToolBar4.Main"), QStringLiteral("Visible"), false));
    EXPECT_EQ(ini.ReadString(QStringLiteral("Nothing"), QStringLiteral("x"), QStringLiteral("def")),
              QStringLiteral("def"));
    TStringList list;
    ini.ReadSections(list);
    EXPECT_EQ(Names(list),
              (QStringList{QStringLiteral("Form4.TrptPreviewForm"), QStringLiteral("ToolBar4.Main")}));
    ini.ReadSectionValues(QStringLiteral("Form4.TrptPreviewForm"), list);
    EXPECT_EQ(Names(list), (QStringList{QStringLiteral("Width=640"), QStringLiteral("Height=480")}));
    EXPECT_TRUE(ini.ValueExists(QStringLiteral("Form4.TrptPreviewForm"), QStringLiteral("Width")));
    ini.DeleteKey(QStringLiteral("Form4.TrptPreviewForm"), QStringLiteral("Width"));
    EXPECT_FALSE(ini.ValueExists(QStringLiteral("Form4.TrptPreviewForm"), QStringLiteral("Width")));
    ini.EraseSection(QStringLiteral("Form4.TrptPreviewForm"));
    EXPECT_FALSE(ini.SectionExists(QStringLiteral("Form4.TrptPreviewForm")));
    EXPECT_TRUE(ini.SectionExists(QStringLiteral("ToolBar4.Main")));
}

// ---------------------------------------------------------------------------------------------
// Language

TEST(Language, IdsOfLocales) {
    struct Case {
        QLocale locale;
        LANGID id;
    };
    const Case cases[] = {
        {QLocale(QStringLiteral("ru_RU")), 1049},
        {QLocale(QStringLiteral("ru_UA")), 1049},
        {QLocale(QStringLiteral("uk_UA")), 1058},
        {QLocale(QStringLiteral("be_BY")), 1059},
        {QLocale(QStringLiteral("kk_KZ")), 1087},
        {QLocale(QStringLiteral("hy_AM")), 1067},
        {QLocale(QLocale::Azerbaijani, QLocale::CyrillicScript, QLocale::Azerbaijan), 2092},
        {QLocale(QLocale::Azerbaijani, QLocale::LatinScript, QLocale::Azerbaijan), 1068},
        {QLocale(QStringLiteral("ky_KG")), 1088},
        {QLocale(QStringLiteral("tg_TJ")), 1064},
        {QLocale(QStringLiteral("en_US")), 1033},
        {QLocale(QStringLiteral("en_GB")), 2057},
        {QLocale(QStringLiteral("de_DE")), 1031},
        {QLocale(QStringLiteral("de_CH")), 2055},
        {QLocale(QStringLiteral("fr_FR")), 1036},
        {QLocale(QStringLiteral("fr_CA")), 3084},
        {QLocale(QStringLiteral("zh_TW")), 1028},
        {QLocale(QStringLiteral("zh_CN")), 2052},
        {QLocale(QStringLiteral("sr_RS")), 3098},
        {QLocale(QLocale::C), 1033},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LangIDFromLocale(c.locale), c.id) << c.locale.name().toStdString();
}

TEST(Language, EnvironmentOverride) {
    struct Case {
        const char* value;
        LANGID id;
    };
    const LANGID fromLocale = LangIDFromLocale(QLocale::system());
    const Case cases[] = {
        {"1049", 1049}, {"0x0422", 1058}, {"$43F", 1087}, {"junk", fromLocale}, {"70000", fromLocale}};
    for (const Case& c : cases) {
        qputenv("KORVEL_LANGID", c.value);
        EXPECT_EQ(GetUserDefaultLangID(), c.id) << c.value;
    }
    qunsetenv("KORVEL_LANGID");
    EXPECT_EQ(GetUserDefaultLangID(), fromLocale);
}

// ---------------------------------------------------------------------------------------------
// Temporary files, program folder

TEST(TempFiles, UniqueFilesWithTheirExtension) {
    const QString folder = TempFolderPath();
    ASSERT_TRUE(folder.endsWith(QLatin1Char('/')));
    EXPECT_TRUE(QFileInfo(folder).isDir());
    EXPECT_EQ(TempFolderPath(), folder);
    EXPECT_TRUE(QFileInfo(folder).permissions().testFlag(QFileDevice::WriteOwner));
    EXPECT_FALSE(QFileInfo(folder).permissions().testFlag(QFileDevice::ReadOther));

    QSet<QString> seen;
    for (int i = 0; i < 300; ++i) {
        const QString name =
            NewTempFileName(QStringLiteral("tmp"), i % 2 ? QStringLiteral("xls") : QStringLiteral(".xls"));
        const QFileInfo info(name);
        EXPECT_EQ(info.absolutePath() + QLatin1Char('/'), folder);
        EXPECT_TRUE(info.fileName().startsWith(QStringLiteral("tmp")));
        EXPECT_EQ(info.suffix(), QStringLiteral("xls"));
        EXPECT_TRUE(info.exists());
        EXPECT_EQ(info.size(), 0);
        EXPECT_FALSE(seen.contains(name));
        seen.insert(name);
    }
    const QString t = GetTempFileName();
    EXPECT_TRUE(QFileInfo(t).fileName().startsWith(QStringLiteral("tmp")));
    EXPECT_TRUE(t.endsWith(QStringLiteral(".tmp")));
    EXPECT_TRUE(QFile::exists(t));
    EXPECT_THROW(NewTempFileName(QStringLiteral("../x"), QStringLiteral("txt")), EInOutError);
}

TEST(TempFiles, FolderIsRemovedAtExit) {
    if (qEnvironmentVariableIsSet("KORVEL_TEMP_CHILD")) {
        // The child run: make a file and report where the folder is.
        const QString name = NewTempFileName(QStringLiteral("child"), QStringLiteral("txt"));
        printf("TEMPFOLDER=%s\n", qPrintable(QFileInfo(name).absolutePath()));
        return;
    }
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("KORVEL_TEMP_CHILD"), QStringLiteral("1"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath().isEmpty()
                    ? QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()
                    : QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=TempFiles.FolderIsRemovedAtExit")});
    ASSERT_TRUE(child.waitForFinished(60000));
    ASSERT_EQ(child.exitCode(), 0);
    const QString out = QString::fromLocal8Bit(child.readAllStandardOutput());
    const int at = out.indexOf(QStringLiteral("TEMPFOLDER="));
    ASSERT_GE(at, 0) << out.toStdString();
    const QString folder = out.mid(at + 11).section(QLatin1Char('\n'), 0, 0).trimmed();
    EXPECT_TRUE(folder.startsWith(QDir::tempPath())) << folder.toStdString();
    EXPECT_FALSE(QFileInfo::exists(folder)) << folder.toStdString();
    EXPECT_NE(folder + QLatin1Char('/'), TempFolderPath()) << "each run has a folder of its own";
}

TEST(Program, FolderOfTheProgram) {
    const QString folder = ProgramFolder();
    EXPECT_TRUE(folder.endsWith(QLatin1Char('/')));
    EXPECT_TRUE(QFile::exists(folder + QFileInfo(ProgramFileName()).fileName()));
    QTemporaryDir dir;
    SetProgramFolder(dir.path());
    EXPECT_EQ(ProgramFolder(), dir.path() + QLatin1Char('/'));
    SetProgramFolder(QString());
    EXPECT_EQ(ProgramFolder(), folder);
}

// ---------------------------------------------------------------------------------------------
// Desktop

namespace {

struct DesktopRecorder {
    QList<QUrl> Opened;
    QList<QStringList> Shown;
    bool FileManagerAnswers = false;
    DesktopRecorder() {
        SetOpenUrlHandler([this](const QUrl& url) {
            Opened << url;
            return true;
        });
        SetShowItemsHandler([this](const QStringList& urls) {
            Shown << urls;
            return FileManagerAnswers;
        });
    }
    ~DesktopRecorder() {
        SetOpenUrlHandler(nullptr);
        SetShowItemsHandler(nullptr);
    }
};

} // namespace

TEST(Desktop, DocumentsAndLinksGoToTheOpener) {
    DesktopRecorder rec;
    EXPECT_TRUE(OpenDocument(QStringLiteral("docs/report file.pdf")));
    EXPECT_TRUE(OpenDocument(QStringLiteral("https://example.org/a b?q=1")));
    EXPECT_TRUE(OpenDocument(QStringLiteral("mailto:someone@example.org")));
    EXPECT_TRUE(OpenDocument(QStringLiteral("/tmp/folder with blanks")));
    ASSERT_EQ(rec.Opened.size(), 4);
    EXPECT_EQ(rec.Opened[0],
              QUrl::fromLocalFile(QDir::current().absoluteFilePath(QStringLiteral("docs/report file.pdf"))));
    EXPECT_EQ(rec.Opened[1].scheme(), QStringLiteral("https"));
    EXPECT_EQ(rec.Opened[1].host(), QStringLiteral("example.org"));
    EXPECT_EQ(rec.Opened[2].scheme(), QStringLiteral("mailto"));
    EXPECT_EQ(rec.Opened[3].toLocalFile(), QStringLiteral("/tmp/folder with blanks"));
}

TEST(Desktop, ShowInFolderFallsBackToTheFolder) {
    DesktopRecorder rec;
    EXPECT_TRUE(ShowFileInFolder(QStringLiteral("/data/files/scan 1.png")));
    ASSERT_EQ(rec.Shown.size(), 1);
    EXPECT_EQ(rec.Shown[0], QStringList{QStringLiteral("file:///data/files/scan%201.png")});
    ASSERT_EQ(rec.Opened.size(), 1);
    EXPECT_EQ(rec.Opened[0].toLocalFile(), QStringLiteral("/data/files"));

    rec.FileManagerAnswers = true;
    EXPECT_TRUE(ShowFileInFolder(QStringLiteral("/data/files/scan 1.png")));
    EXPECT_EQ(rec.Shown.size(), 2);
    EXPECT_EQ(rec.Opened.size(), 1) << "no folder is opened when the file manager answered";
}

// ---------------------------------------------------------------------------------------------
// XML documents

TEST(XmlDocument, NavigatesAFormsFile) {
    TXMLDocument doc;
    doc.LoadFromFile(QStringLiteral(KORVEL_TEST_DATA "/forms.xml"));
    EXPECT_TRUE(doc.Active());
    const TXMLNode root = doc.DocumentElement();
    EXPECT_EQ(root.NodeName(), QStringLiteral("main"));
    EXPECT_EQ(root.NodeType(), ntElement);

    const TXMLNodeList windows = root.ChildNodes();
    ASSERT_EQ(windows.Count(), 2); // blank text between elements is not kept
    EXPECT_EQ(windows[0].NodeName(), QStringLiteral("frmMain"));
    EXPECT_EQ(windows[1].NodeName(), QStringLiteral("frmPeople"));
    EXPECT_THROW(windows.Get(2), EListError);

    const TXMLNode main = windows.First();
    EXPECT_EQ(main.Attribute(QStringLiteral("Caption")), QStringLiteral("Main window"));
    EXPECT_EQ(main.Attribute(QStringLiteral("Width")).toInt(), 800);
    EXPECT_FALSE(main.HasAttribute(QStringLiteral("Color")));
    EXPECT_EQ(main.Attribute(QStringLiteral("Color")), QString());
    EXPECT_FALSE(main.HasAttribute(QStringLiteral("caption"))) << "attribute names are case-sensitive";

    const TXMLNodeList children = main.ChildNodes();
    ASSERT_EQ(children.Count(), 3);
    EXPECT_EQ(children[0].NodeType(), ntComment);
    const TXMLNodeList controls = main.ChildElements();
    ASSERT_EQ(controls.Count(), 2);
    EXPECT_EQ(controls[0].NodeName(), QStringLiteral("TdbPanel"));
    EXPECT_EQ(controls[0].LineNumber(), 5);

    const TXMLNode edit = controls[0].ChildNodes().FindNode(QStringLiteral("TdbEdit"));
    ASSERT_FALSE(edit.IsNull());
    EXPECT_EQ(edit.Attribute(QStringLiteral("dbFilter")), QStringLiteral("(="));
    EXPECT_TRUE(edit.HasAttribute(QStringLiteral("Empty")));
    EXPECT_EQ(edit.Attribute(QStringLiteral("Empty")), QString());
    EXPECT_EQ(edit.ParentNode().Attribute(QStringLiteral("Name")), QStringLiteral("pnlSearch"));

    const TXMLNode button = main.ChildNodes().FindNode(QStringLiteral("TdbButton"));
    EXPECT_EQ(button.Attribute(QStringLiteral("Caption")), QStringLiteral("Найти & показать"));
    EXPECT_EQ(button.Attribute(QStringLiteral("dbSQL")), QStringLiteral("SELECT 1\\r\\nFROM t"));
    EXPECT_TRUE(main.ChildNodes().FindNode(QStringLiteral("TdbGrid")).IsNull());
    EXPECT_EQ(main.ChildNodes().IndexOf(QStringLiteral("TdbButton")), 2);
}

TEST(XmlDocument, DeclaredCodePageIsRead) {
    TXMLDocument doc;
    doc.LoadFromFile(QStringLiteral(KORVEL_TEST_DATA "/cp1251.xml"));
    EXPECT_EQ(doc.DocumentElement().ChildNodes()[0].Attribute(QStringLiteral("Caption")),
              QStringLiteral("Главное окно"));
}

TEST(XmlDocument, ErrorsNameFileAndPlace) {
    TXMLDocument doc;
    const QString bad = QStringLiteral(KORVEL_TEST_DATA "/malformed.xml");
    try {
        doc.LoadFromFile(bad);
        ADD_FAILURE() << "a malformed file must raise";
    } catch (const EDOMParseError& e) {
        EXPECT_TRUE(e.Message().startsWith(bad + QStringLiteral(", line 5, column")))
            << e.Message().toStdString();
    }
    EXPECT_FALSE(doc.Active());
    const QString missing = QStringLiteral(KORVEL_TEST_DATA "/no-such-forms.xml");
    try {
        doc.LoadFromFile(missing);
        ADD_FAILURE() << "a missing file must raise";
    } catch (const EFOpenError& e) {
        EXPECT_TRUE(e.Message().contains(missing)) << e.Message().toStdString();
    }
    EXPECT_THROW(doc.LoadFromXML(QStringLiteral("<a><b></a>")), EDOMParseError);
    doc.LoadFromXML(QStringLiteral("<a/>"));
    EXPECT_EQ(doc.DocumentElement().NodeName(), QStringLiteral("a"));
    EXPECT_EQ(doc.DocumentElement().ChildNodes().Count(), 0);
}
