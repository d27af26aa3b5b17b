#include "report/core/rptRes.h"
#include "report/core/rptUtils.h"
#include "report/core/rptXML.h"

#include "platform/rtl/Streams.h"
#include "platform/sys/Program.h"
#include "script/sc_iconst.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

QString DataFile(const char* name) { return QStringLiteral(KORVEL_TEST_DATA "/") + QLatin1String(name); }

QByteArray Table(const QByteArray& entries, const QByteArray& header = R"(<?xml version="1.1" encoding="utf-8"?>)") {
    return header + "\n<Resources CodePage=\"1252\">" + entries + "</Resources>";
}

// Each test gets an empty program folder, so the language scan sees only what the test puts there.
class StringTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Dir.isValid());
        SetProgramFolder(Dir.path());
    }
    void TearDown() override {
        SetProgramFolder(QString());
        ResetScriptMessages();
    }
    void Put(const QString& name, const QByteArray& bytes) {
        QFile f(QDir(Dir.path()).filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QTemporaryDir Dir;
};

TEST_F(StringTableTest, FixtureTableReadsAsWritten) {
    TrptResources r;
    r.LoadFromFile(DataFile("fixture.drc"));
    EXPECT_EQ(r.CodePage(), 1251u);
    const struct {
        const char* key;
        const char* text;
    } cases[] = {
        // Texts are unescaped twice: an escaped character reference becomes the character.
        {"quoted", "Say \"%s\" twice"},
        {"lessThan", "a < b"},
        {"lineBreak", "one\r\ntwo"},
        // A single level of escaping reads the same after both passes.
        {"ampersand", "Tom & Jerry"},
        // The later entry wins, whatever the case of its key.
        {"twice", "second"},
        {"Twice", "second"},
        // One leading "!" goes.
        {"bang", "Other"},
        {"bangBang", "!Shout"},
        {"umlaut", "Größe – Ёлка"},
        {"empty", ""},
        // Other elements, and element names in another case, are skipped: keys read as themselves.
        {"skipped", "skipped"},
        {"lowercase", "lowercase"},
        {"no such key", "no such key"},
        {"!unknown", "unknown"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(r.Get(QString::fromUtf8(c.key)), QString::fromUtf8(c.text));
    }
    EXPECT_EQ(r.Count(), 9);
}

TEST_F(StringTableTest, KeysKeepTheirFirstSpellingAndPlace) {
    TrptResources r;
    r.AddW("Alpha", "1");
    r.AddW("beta", "2");
    r.AddW("ALPHA", "3");
    EXPECT_EQ(r.Count(), 2);
    EXPECT_EQ(r.Get("alpha"), "3");
    r.Add("Gamma", "4");
    EXPECT_EQ(r.Get("GAMMA"), "4");
    r.Clear();
    EXPECT_EQ(r.Count(), 0);
    EXPECT_EQ(r.Get("Alpha"), "Alpha");
}

TEST_F(StringTableTest, AddStringsTakesKeyEqualsTextLines) {
    TrptResources r;
    r.AddStrings("a=1\nb=x=y\n=nokey\nnotext=\nno equals sign\r\nc=3");
    EXPECT_EQ(r.Count(), 3);
    EXPECT_EQ(r.Get("a"), "1");
    EXPECT_EQ(r.Get("b"), "x=y");
    EXPECT_EQ(r.Get("c"), "3");
    EXPECT_EQ(r.Get("notext"), "notext");
}

TEST_F(StringTableTest, CoreTable) {
    TrptResources r;
    r.AddXML(CoreResourceTable());
    EXPECT_EQ(r.Count(), 179);  // with "clErrorInExp", which Report.Calc reads
    EXPECT_EQ(r.CodePage(), 1252u);
    int numeric = 0;
    {
        TrptXMLDocument doc;
        TBytesStream s(CoreResourceTable());
        doc.LoadFromStream(s);
        for (int i = 0; i < doc.Root()->Count(); ++i) {
            bool ok = false;
            doc.Root()->Items(i)->GetProp("Name").toInt(&ok);
            numeric += ok;
        }
    }
    EXPECT_EQ(numeric, 105);
    const struct {
        const char* key;
        const char* text;
    } cases[] = {
        {"clpageof", "Page %d of %d"},
        {"207", "Other"},
        {"211", "Order"},
        {"poDirect", "Direct (1-9)"},
        {"clDSNotExist", "Dataset \"%s\" does not exist"},
        {"9", "Enter page numbers and/or page ranges, separated by commas. For example, 1,3,5-12"},
        {"100", "Preview"},
        {"142", "Page Number"},
        {"216", "Duplex"},
        {"215", "215"},
        {"305", "Case sensitive"},
        {"414", "Apply to all pages"},
        {"510", "PDF file (*.pdf)|*.pdf"},
        {"clErrors", "The following error(s) have occured:"},
        {"SStringError", "Strings do not have properties or methods"},
        {"SLangNotFound", "Language '%s' not found"},
        {"clStrNotFound", "Text not found"},
        {"uChar", "chr"},
        {"obReport", "obReport"}, // the designer's key
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key);
        EXPECT_EQ(r.Get(QString::fromUtf8(c.key)), QString::fromUtf8(c.text));
    }
}

TEST_F(StringTableTest, GlobalTableHoldsTheCoreAndTheDesignersKeys) {
    FreeGlobalResources();
    EXPECT_EQ(ReportText("mbError"), "mbError"); // no table, no lookup
    EXPECT_EQ(ResourceTextById(600), "Expand all");
    EXPECT_EQ(ResourceTextById(5), "Pages:");
    EXPECT_EQ(GlobalResources(), GlobalResources());
    EXPECT_EQ(GlobalResources()->Get("obReport"), "Report object");
    EXPECT_EQ(GlobalResources()->Get("6001"), "Base and inherited reports have duplicate objects. What should we do?");
    EXPECT_EQ(ReportText("mbError"), "Error");
    EXPECT_EQ(SStringError, "Strings do not have properties or methods");
    GlobalResources()->AddW("mbError", "Oops");
    FreeGlobalResources();
    EXPECT_EQ(GlobalResources()->Get("mbError"), "Error"); // a fresh table
    FreeGlobalResources();
}

TEST_F(StringTableTest, LanguageFileReplacesOnlyTheKeysItNames) {
    Put("German.DRC", [] {
        QFile f(DataFile("german.drc"));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }());
    TrptResources r;
    r.AddXML(CoreResourceTable());
    ASSERT_EQ(r.Languages(), QStringList{"German"});
    // The designer builds the name from the list; the file is found whatever its case.
    r.LoadFromFile(ExeFolderPath() + r.Languages().first() + ".drc");
    EXPECT_EQ(r.Get("clPageOf"), "Seite %d von %d");
    EXPECT_EQ(r.Get("mbError"), "Fehlermeldung"); // the last of a repeated key
    EXPECT_EQ(r.Get("mbInfo"), "Information");    // not named: kept
    EXPECT_EQ(r.Count(), 179);
    // A missing file changes nothing and raises nothing.
    r.LoadFromFile(ExeFolderPath() + "Klingon.drc");
    EXPECT_EQ(r.Get("clPageOf"), "Seite %d von %d");
}

TEST_F(StringTableTest, LanguageListIgnoresTheCaseOfFileNames) {
    Put("RUSSIAN.DRC", Table(""));
    Put("english.DRC", Table(""));
    Put("German.drc", Table(""));
    Put("GERMAN.DRC", Table("")); // the same language on a file system that ignores case
    Put("notes.txt", "x");
    Put("drc", "x");
    TrptResources r;
    EXPECT_EQ(r.Languages(), (QStringList{"English", "German", "Russian"}));
    // Files added later are seen only by a new scan.
    Put("french.drc", Table(""));
    EXPECT_EQ(r.Languages().size(), 3);
    r.ScanLanguageFiles();
    EXPECT_EQ(r.Languages().size(), 4);
}

TEST_F(StringTableTest, OldAndNewHeadersCarryUtf8Texts) {
    const QByteArray entries = "<StrRes Name=\"k\" Text=\"Größe &#38;#34;Ёлка&#38;#34; €\"/>";
    const QByteArray headers[] = {
        R"(<?xml version="1.0" encoding="utf-8"?>)", // old: single-byte attribute text
        R"(<?xml version="1.0" encoding="utf-8" standalone="no"?>)",
        R"(<?xml version="1.1" encoding="utf-8"?>)",
    };
    for (const QByteArray& header : headers) {
        SCOPED_TRACE(header.constData());
        TrptResources r;
        r.AddXML(Table(entries, header));
        EXPECT_EQ(r.Get("k"), QString::fromUtf8("Größe \"Ёлка\" €"));
    }
}

// Loads that fail or are ignored leave every text and the script messages as they were.
TEST_F(StringTableTest, BadInputChangesNoText) {
    struct Case {
        const char* name;
        QByteArray text;
        const char* error; // exception class, or empty when the input is ignored silently
    } cases[] = {
        {"wrong root", "<?xml version=\"1.1\"?><Strings CodePage=\"1252\"><StrRes Name=\"1\" Text=\"X\"/></Strings>", ""},
        {"code page not a number",
         "<?xml version=\"1.1\"?><Resources CodePage=\"12a\"><StrRes Name=\"1\" Text=\"X\"/></Resources>",
         "EConvertError"},
        {"no code page", "<?xml version=\"1.1\"?><Resources><StrRes Name=\"1\" Text=\"X\"/></Resources>",
         "EConvertError"},
        {"bad reference after a good entry",
         Table("<StrRes Name=\"1\" Text=\"X\"/><StrRes Name=\"2\" Text=\"&#38;#zz;\"/>"), "EConvertError"},
        {"truncated tag", "<?xml version=\"1.1\"?><Resources CodePage=\"1252\"><StrRes Name=\"1\" Text=\"X",
         "TrptInvalidXMLException"},
        {"binary", QByteArray("\x00\x01<\xff\xfe>\x02", 7), "TrptInvalidXMLException"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TrptResources r;
        r.AddXML(CoreResourceTable());
        SForError = "unchanged";
        QString raised;
        try {
            r.AddXML(c.text);
        } catch (const Exception& e) {
            raised = e.ClassName();
        }
        EXPECT_EQ(raised, QString::fromLatin1(c.error));
        EXPECT_EQ(r.Count(), 179);
        EXPECT_EQ(r.Get("1"), "OK");
        EXPECT_EQ(r.Get("2"), "Cancel");
        EXPECT_EQ(r.CodePage(), 1252u);
        // A failed load leaves the messages alone; an ignored one copies the table's texts again.
        EXPECT_EQ(SForError, *c.error ? "unchanged" : "For loop variable must be numeric variable");
    }
}

TEST_F(StringTableTest, InvalidFormatNamesTheFile) {
    Put("broken.drc", "<Resources CodePage=\"1252\"><StrRes Name=\"1\" Text=\"X");
    TrptResources r;
    try {
        r.LoadFromFile(ExeFolderPath() + "broken.drc");
        FAIL() << "no exception";
    } catch (const TrptInvalidXMLException& e) {
        EXPECT_TRUE(e.Message().contains("Invalid file format")) << e.Message().toStdString();
        EXPECT_TRUE(e.Message().contains("broken.drc")) << e.Message().toStdString();
    }
    EXPECT_EQ(r.Count(), 0);
}

} // namespace
