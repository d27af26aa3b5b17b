// The application of docs/authoring.md, taken from the guide itself, starts as the guide says: its
// tables give the CREATE statements shown there, its windows build without a complaint, and its
// settings give the column widths and the letter-case exemptions it describes.

#include "ShellTestSupport.h"

#include "app/dbStringGridEx.h"
#include "app/uMainForm.h"
#include "app/uSQL.h"
#include "app/uTables.h"
#include "grid/GxColumns.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"

#include <QFile>
#include <QRegularExpression>

namespace {

QString Guide() {
    QFile f(QStringLiteral(KORVEL_DEMO_DIR "/../../docs/authoring.md"));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// The fenced block whose info string is exactly `info`, without its fences.
QString Block(const QString& guide, const QString& info) {
    const QRegularExpression re(QStringLiteral("```") + QRegularExpression::escape(info) +
                                QStringLiteral("\\n(.*?)```"),
                                QRegularExpression::DotMatchesEverythingOption);
    return re.match(guide).captured(1);
}

// The "[Grids]" block of the settings chapter.
QString GridsBlock(const QString& guide) {
    const QRegularExpression re(QStringLiteral("```ini\\n(\\[Grids\\]\\n.*?)```"),
                                QRegularExpression::DotMatchesEverythingOption);
    return re.match(guide).captured(1);
}

} // namespace

class AuthoringGuide : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        FGuide = Guide();
        ASSERT_FALSE(FGuide.isEmpty()) << "docs/authoring.md not found";
        for (const char* info : {"ini tables.ini", "xml forms.xml", "ini settings.ini"}) {
            const QString text = Block(FGuide, QString::fromLatin1(info));
            ASSERT_FALSE(text.isEmpty()) << info;
            Write(QString::fromLatin1(info).section(' ', 1), text.toUtf8());
        }
    }
    QString FGuide;
};

TEST_F(AuthoringGuide, TablesGiveTheStatementsShown) {
    const QStringList shown = Block(FGuide, "sql create").trimmed().split('\n');
    const auto made = TablesToSQL(Path("tables.ini"));
    ASSERT_EQ(made->Count(), shown.size());
    for (int i = 0; i < made->Count(); ++i)
        EXPECT_EQ(made->Get(i).trimmed(), shown[i].trimmed());
}

TEST_F(AuthoringGuide, TheExampleStartsWithoutAComplaint) {
    // The grid widths of the settings chapter, as a user would add them.
    const QString settings = Block(FGuide, "ini settings.ini") + '\n' + GridsBlock(FGuide);
    Write("settings.ini", settings.toUtf8());
    Start();
    EXPECT_EQ(frmMainKorvel->StartupResult(), TfrmMainKorvel::TStartup::Done);
    for (const TMessageRequest& m : FUI->Messages()) ADD_FAILURE() << m.Text.toStdString();
    EXPECT_EQ(TablesIn(Path("sqlite.db")), QStringList({"calls", "people", "towns"}));
    EXPECT_FALSE(frmMainKorvel->mniReport->Visible());

    auto* people = dynamic_cast<TdbStringGridEx*>(frmMainKorvel->FindComponent("grdPeople"));
    ASSERT_NE(people, nullptr);
    ASSERT_EQ(people->Columns()->Count(), 6);
    const int widths[] = {50, 220, 130, 120, 60};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(people->Columns()->Item(i)->Width(), widths[i]) << i;
    EXPECT_FALSE(people->Columns()->Item(5)->Visible());

    for (const char* window : {"frmPerson", "frmCall"}) {
        bool found = false;
        for (TCustomForm* f : ScreenWindows()) found = found || f->Name() == QLatin1String(window);
        EXPECT_TRUE(found) << window;
    }
}

TEST_F(AuthoringGuide, LetterCaseRulesAsDescribed) {
    Start();
    ASSERT_EQ(frmMainKorvel->StartupResult(), TfrmMainKorvel::TStartup::Done);
    // Storing: a text with a letter from U+00F7 up goes to capitals unless its field is listed.
    EXPECT_EQ(EscapeQuotes(QString::fromUtf8("Jürgen"), "calls.notes"), QString::fromUtf8("JÜRGEN"));
    EXPECT_EQ(EscapeQuotes("Juergen", "calls.notes"), "Juergen");
    EXPECT_EQ(EscapeQuotes(QString::fromUtf8("Jürgen"), "People.Name"), QString::fromUtf8("Jürgen"));
    EXPECT_EQ(EscapeQuotes(QString::fromUtf8("Jürgen"), QString()), QString::fromUtf8("JÜRGEN"));
    // Searching: the listed name must match exactly.
    EXPECT_EQ(UpperUnlessDisabled(QString::fromUtf8("jür"), "people.name"), QString::fromUtf8("jür"));
    EXPECT_EQ(UpperUnlessDisabled(QString::fromUtf8("jür"), "People.Name"), QString::fromUtf8("JÜR"));
    // Showing: Cyrillic in capitals gets a capital first letter only.
    EXPECT_EQ(NormalizeCyrillicCase(QString::fromUtf8("ИВАНОВ"), "calls.notes"), QString::fromUtf8("Иванов"));
    EXPECT_EQ(NormalizeCyrillicCase(QString::fromUtf8("ИВАНОВ"), "people.name"), QString::fromUtf8("ИВАНОВ"));
}
