#include "ShellTestSupport.h"

#include "app/uKorvel.h"
#include "app/uLang.h"
#include "app/uMainForm.h"
#include "app/uOptionsForm.h"
#include "app/uSQL.h"
#include "platform/data/SQLConnection.h"
#include "platform/rtl/IniFiles.h"
#include "platform/ui/StdCtrls.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

using TStartup = TfrmMainKorvel::TStartup;

namespace {

QByteArray ReadAll(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList SectionsOf(const QString& file) {
    TMemIniFile ini(file);
    TStringList sections;
    ini.ReadSections(sections);
    QStringList names;
    for (int i = 0; i < sections.Count(); ++i)
        names << sections.Get(i);
    names.sort();
    return names;
}

} // namespace

class Startup : public ShellTest {};

TEST_F(Startup, DemoFolderCreatesTheDatabaseWithEveryTable) {
    CopyDemo();
    Start();
    EXPECT_EQ(frmMainKorvel->StartupResult(), TStartup::Done);
    EXPECT_EQ(frmMainKorvel->DatabaseFileName(), Path("sqlite.db"));
    EXPECT_TRUE(FUI->Messages().empty());
    const QStringList expected = SectionsOf(Path("tables.ini"));
    ASSERT_GE(expected.size(), 5);
    EXPECT_EQ(TablesIn(Path("sqlite.db")), expected);

    // Steps 6 and 7 ran: the schema and the exempt list of the demo are loaded.
    ASSERT_TRUE(SchemaFieldList && UpperCaseExemptList);
    EXPECT_GT(SchemaFieldList->Count(), 0);
    EXPECT_EQ(UpperCaseExemptList->IndexOf("customers.email"), 0);

    // The open connection folds case in every alphabet and foreign keys are enforced.
    TSQLConnection& db = *frmMainKorvel->SQLConnection();
    db.ExecuteDirect(QString::fromUtf8("INSERT INTO countries(name) VALUES('Café'),('Россия')"));
    auto q = db.ExecuteQuery(
        QString::fromUtf8("SELECT count(*) FROM countries WHERE name LIKE '%CAFÉ%' OR name LIKE '%россия%'"));
    EXPECT_EQ(q->Fields().Get(0)->AsInteger(), 2);
    EXPECT_THROW(db.ExecuteDirect("INSERT INTO cities(name, id_countries) VALUES('Nowhere', 999)"),
                 EDatabaseError);

    // Destroying the main window frees the start-up lists.
    FreeKorvelWindows();
    EXPECT_FALSE(SchemaFieldList || CalculatedFieldList || UpperCaseExemptList);
}

TEST_F(Startup, AnExistingDatabaseIsNeverRebuilt) {
    CopyDemo();
    Start();
    ASSERT_EQ(frmMainKorvel->StartupResult(), TStartup::Done);
    frmMainKorvel->SQLConnection()->Close();
    // A table added to tables.ini later reaches only new files.
    QByteArray tables = ReadAll(Path("tables.ini"));
    Write("tables.ini", tables + "\n[extra]\n_x=TEXT\n");
    const QStringList before = TablesIn(Path("sqlite.db"));
    Start();
    EXPECT_EQ(frmMainKorvel->StartupResult(), TStartup::Done);
    EXPECT_EQ(TablesIn(Path("sqlite.db")), before);
}

TEST_F(Startup, AFailingCreateLeavesNoFileAndTheNextStartBuildsEverything) {
    // The second table repeats a column: the database refuses it after the first table is made.
    Write("tables.ini", "[first]\n_a=TEXT\n[second]\n_x=TEXT\n-x=REAL\n[third]\n_b=TEXT\n");
    FUI->AnswerMessage(mrOk, "Exception raised with message: duplicate column name: x");
    Start();
    EXPECT_EQ(frmMainKorvel->StartupResult(), TStartup::TablesFailed);
    ASSERT_EQ(FUI->Messages().size(), 1u);
    EXPECT_EQ(FUI->Messages()[0].Text, "Exception raised with message: duplicate column name: x");
    EXPECT_FALSE(Exists("sqlite.db"));
    EXPECT_FALSE(Exists("sqlite.db-journal"));

    Write("tables.ini", "[first]\n_a=TEXT\n[second]\n_x=TEXT\n-y=REAL\n[third]\n_b=TEXT\n");
    Start();
    EXPECT_EQ(frmMainKorvel->StartupResult(), TStartup::Done);
    EXPECT_EQ(TablesIn(Path("sqlite.db")), QStringList({"first", "second", "third"}));
}

TEST_F(Startup, AConfiguredDatabaseThatExistsIsUsedAndNotTouchedByABadTablesFile) {
    const QString other = Path("shop.db");
    {
        TSQLConnection c;
        c.SetParamValue("Database", other);
        c.SetParamValue("FailIfMissing", "False");
        c.ExecuteDirect("CREATE TABLE kept(id INTEGER PRIMARY KEY)");
    }
    const QByteArray bytes = ReadAll(other);
    Write("settings.ini", "[Options]\nserver=" + other.toUtf8() + "\n");
    Write("tables.ini", "[kept]\n_x=TEXT\n-x=TEXT\n");
    Start();
    EXPECT_EQ(frmMainKorvel->StartupResult(), TStartup::Done);
    EXPECT_EQ(frmMainKorvel->DatabaseFileName(), other);
    EXPECT_EQ(ReadAll(other), bytes);
    EXPECT_FALSE(Exists("sqlite.db"));
}

TEST_F(Startup, MissingConfiguredDatabaseAsksForAnotherLocation) {
    CopyDemo();
    const QString missing = Path("gone/shop.db");
    Write("settings.ini", "[Options]\nserver=" + missing.toUtf8() + "\n");
    FUI->AnswerMessage(mrOk);
    Start();
    EXPECT_EQ(frmMainKorvel->StartupResult(), TStartup::DatabaseMissing);
    ASSERT_EQ(FUI->Messages().size(), 1u);
    const TMessageRequest& box = FUI->Messages()[0];
    EXPECT_EQ(box.Text, "The database file is not found." + QString(QChar(13)) + missing);
    EXPECT_EQ(box.Caption, "Error");
    EXPECT_EQ(box.Icon, TMessageIcon::Information);
    EXPECT_EQ(box.Owner, frmMainKorvel);
    EXPECT_FALSE(Exists("sqlite.db"));
    EXPECT_FALSE(SchemaFieldList);

    // The options dialog is up, showing the configured file; the user goes back to the default.
    ASSERT_TRUE(frmOptionsKorvel->Visible());
    EXPECT_TRUE(frmOptionsKorvel->rbDBFilename->Checked());
    EXPECT_EQ(frmOptionsKorvel->edFileName->Text(), missing);
    EXPECT_TRUE(frmOptionsKorvel->edFileName->Enabled());
    frmOptionsKorvel->rbAppFolder->SetChecked(true);
    EXPECT_FALSE(frmOptionsKorvel->edFileName->Enabled());
    FUI->AnswerMessage(mrOk, "Restart the program to apply the settings.");
    frmOptionsKorvel->bOK->Click();
    EXPECT_FALSE(frmOptionsKorvel->Visible());
    EXPECT_FALSE(ReadAll(Path("settings.ini")).contains("server"));

    // The restart opens the database beside the program and builds it.
    Start();
    EXPECT_EQ(frmMainKorvel->StartupResult(), TStartup::Done);
    EXPECT_EQ(TablesIn(Path("sqlite.db")), SectionsOf(Path("tables.ini")));
}

TEST_F(Startup, MalformedDescriptionFilesAreReportedWithFileAndLine) {
    const struct {
        const char* File;
        QByteArray Text;
        const char* Expected;
    } cases[] = {
        {"settings.ini", "[Options]\nserver=x\n[Grids\n",
         "settings.ini, line 3: the section header \"[Grids\" has no closing bracket"},
        {"tables.ini", "; shop\n_name=TEXT\n[t]\n",
         "tables.ini, line 2: the key \"_name\" stands before the first [section]"},
        {"tables.ini", "[t]\n_a=TEXT\n\n  =TEXT\n",
         "tables.ini, line 4: the line \"=TEXT\" has no key name before '='"},
        {"tables.ini", "[t]\n_a]; DROP TABLE t; --=TEXT\n",
         "tables.ini, line 2: the field name \"_a]; DROP TABLE t; --\" holds a square bracket"},
        {"tables.ini", "[t]]\n_a=TEXT\n", "tables.ini, line 1: the table name \"t]\" holds a square bracket"},
        {"tables.ini", "[]\n", "tables.ini, line 1: the section has no name"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Expected);
        QFile::remove(Path("settings.ini"));
        Write("tables.ini", "[t]\n_a=TEXT\n");
        Write(QLatin1String(c.File), c.Text);
        FUI->AnswerMessage(mrOk);
        const size_t before = FUI->Messages().size();
        Start();
        EXPECT_EQ(frmMainKorvel->StartupResult(), TStartup::BadDescription);
        ASSERT_EQ(FUI->Messages().size(), before + 1);
        EXPECT_EQ(FUI->Messages().back().Text,
                  Path(QLatin1String(c.File)) +
                      QString::fromUtf8(c.Expected).mid(QString::fromUtf8(c.File).size()));
        EXPECT_EQ(FUI->Messages().back().Caption, "Error");
        EXPECT_FALSE(Exists("sqlite.db"));
    }
}

TEST_F(Startup, UnreadableTablesFileIsReported) {
    ASSERT_TRUE(QDir(FDir.path()).mkdir("tables.ini"));
    FUI->AnswerMessage(mrOk, "tables.ini: the file cannot be read");
    Start();
    EXPECT_EQ(frmMainKorvel->StartupResult(), TStartup::BadDescription);
    EXPECT_FALSE(Exists("sqlite.db"));
}

TEST_F(Startup, FormsValuesThatCannotBeUsedAreOneWarningAndTheStartGoesOn) {
    CopyDemo();
    const QByteArray demo = ReadAll(Path("forms.xml"));
    const QByteArray edit = "<TdbEdit Name=\"edCName\" ";
    ASSERT_TRUE(demo.contains(edit));
    QByteArray many;
    for (int i = 0; i < 24; ++i) many += "<TdbPanel Name=\"extra" + QByteArray::number(i) + "\" Width=\"wide\"/>";
    const struct {
        const char* LangID;
        QByteArray Attributes; // put on the customer name field
        QByteArray Extra;      // more controls beside it
        int Lines;             // lines of the list; 0: no box at all
        const char* Caption;
        const char* Heading;
    } cases[] = {
        // "LIKE" is how some applications write the plain search: nothing to report.
        {"1049", "dbFilter=\"LIKE\" ", "", 0, "", ""},
        {"1033", "dbFilter=\" like \" ", "", 0, "", ""},
        {"1033", "dbFilter=\"contains\" Color=\"abc\" ", "", 2, "Warning",
         "forms.xml has mistakes; the windows are built without what they name:"},
        {"1049", "Color=\"abc\" ", "", 1, "Предупреждение",
         "В forms.xml есть ошибки; окна построены без того, что в них названо:"},
        {"1033", "", many, 21, "Warning", "forms.xml has mistakes;"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Attributes.toStdString() + " under " + c.LangID);
        qputenv("KORVEL_LANGID", c.LangID);
        QByteArray forms = demo;
        forms.replace(edit, edit + c.Attributes);
        forms.replace("</frmCustomer>", c.Extra + "</frmCustomer>");
        Write("forms.xml", forms);
        const size_t before = FUI->Messages().size();
        if (c.Lines) FUI->AnswerMessage(mrOk);
        Start();
        EXPECT_EQ(frmMainKorvel->StartupResult(), TStartup::Done);
        EXPECT_NE(frmMainKorvel->FindComponent("grdCustomers"), nullptr);
        if (!c.Lines) {
            EXPECT_EQ(FUI->Messages().size(), before);
            continue;
        }
        ASSERT_EQ(FUI->Messages().size(), before + 1);
        const TMessageRequest& box = FUI->Messages().back();
        EXPECT_EQ(box.Caption, QString::fromUtf8(c.Caption));
        EXPECT_EQ(box.Icon, TMessageIcon::Warning);
        const QStringList lines = box.Text.split('\n');
        EXPECT_TRUE(lines[0].startsWith(QString::fromUtf8(c.Heading))) << lines[0].toStdString();
        ASSERT_EQ(lines.size(), c.Lines + 1) << box.Text.toStdString();
        EXPECT_TRUE(lines[1].startsWith(Path("forms.xml") + ", line ")) << lines[1].toStdString();
        if (c.Attributes.contains("abc")) {
            static const QRegularExpression color(
                QStringLiteral("forms\\.xml, line \\d+: TdbEdit attribute \"Color\": \"abc\" is not a number"));
            EXPECT_TRUE(box.Text.contains(color)) << box.Text.toStdString();
        }
        if (c.Lines == 21) {
            EXPECT_EQ(lines.last(), "... (+4)");
        }
    }
}
