#include "ActionsFixture.h"

#include "tests/common/DemoFolder.h"

#include "app/dbControls.h"
#include "app/uKorvel.h"
#include "app/uLang.h"
#include "app/uMainForm.h"
#include "platform/automation/SpreadsheetServer.h"
#include "platform/data/SQLConnection.h"
#include "platform/sys/Desktop.h"
#include "platform/sys/Program.h"
#include "platform/ui/Forms.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

ActionsTest::ActionsTest()
    : FUI([](const QString& question) {
          ADD_FAILURE() << "Unexpected question: " << question.toStdString();
      }) {}

void ActionsTest::SetUp() {
    ASSERT_TRUE(FDir.isValid());
    SetProgramFolder(FDir.path() + '/');
    FillLang(Lang, false);
    SetOpenUrlHandler([](const QUrl&) { return true; });
    // Workbooks sent to the spreadsheet stay inside the test's folder.
    SetSpreadsheetWorkbookFolder(FDir.filePath(QStringLiteral("workbooks")));
    CreateKorvelWindows();
}

void ActionsTest::TearDown() {
    FreeKorvelWindows();
    FUI.Services().Verify();
    SetOpenUrlHandler({});
    SetSpreadsheetWorkbookFolder(QString());
    SetProgramFolder(QString());
}

void ActionsTest::Start(const QByteArray& formsXml) {
    CopyDemoFolder(FDir.path());
    if (HasFatalFailure()) return;
    if (!formsXml.isEmpty()) {
        QFile f(FDir.filePath(QStringLiteral("forms.xml")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(formsXml);
    }
    frmMainKorvel->Show();
    ASSERT_EQ(frmMainKorvel->StartupResult(), TfrmMainKorvel::TStartup::Done);
    ASSERT_TRUE(frmMainKorvel->FormsProblems().isEmpty())
        << frmMainKorvel->FormsProblems().join('\n').toStdString();
    frmMainKorvel->FillDictionaries(QString());
}

TSQLConnection& ActionsTest::Db() {
    return *frmMainKorvel->SQLConnection();
}

QString ActionsTest::Rows(const QString& sql) {
    const TResultSet r = Db().Run(sql, nullptr);
    QStringList rows;
    for (const auto& row : r.Rows) {
        QStringList cells;
        for (const TSQLValue& v : row)
            cells << (v.IsNull() ? QStringLiteral("<null>") : v.AsString());
        rows << cells.join('|');
    }
    return rows.join('/');
}

void ActionsTest::Exec(const QString& sql) {
    Db().ExecuteDirect(sql);
}

TCustomForm* ActionsTest::Window(const QString& name) const {
    if (frmMainKorvel->Name() == name) return frmMainKorvel;
    for (TForm* f : frmMainKorvel->GeneratedForms())
        if (f->Name() == name) return f;
    ADD_FAILURE() << "no window " << name.toStdString();
    return nullptr;
}

void ActionsTest::Click(const QString& window, const QString& button) {
    if (auto* b = Get<TdbButton>(Window(window), button)) b->Click();
}
