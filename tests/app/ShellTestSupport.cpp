#include "ShellTestSupport.h"

#include "tests/common/DemoFolder.h"

#include "app/uKorvel.h"
#include "app/uMainForm.h"
#include "platform/data/SQLConnection.h"
#include "platform/sys/Program.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

ShellTest::ShellTest()
    : FUI([](const QString& question) {
          ADD_FAILURE() << "Unexpected question: " << question.toStdString();
      }) {}

void ShellTest::SetUp() {
    ASSERT_TRUE(FDir.isValid());
    SetProgramFolder(FDir.path() + '/');
    FOldLangID = qgetenv("KORVEL_LANGID");
    qputenv("KORVEL_LANGID", "1033");
}

void ShellTest::TearDown() {
    FreeKorvelWindows();
    FUI->Verify();
    SetProgramFolder(QString());
    if (FOldLangID.isEmpty())
        qunsetenv("KORVEL_LANGID");
    else
        qputenv("KORVEL_LANGID", FOldLangID);
}

void ShellTest::CopyDemo() {
    CopyDemoFolder(FDir.path());
}

void ShellTest::Write(const QString& name, const QByteArray& text) {
    QFile f(Path(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text);
}

bool ShellTest::Exists(const QString& name) const {
    return QFileInfo::exists(Path(name));
}

void ShellTest::Start() {
    FreeKorvelWindows();
    CreateKorvelWindows();
    frmMainKorvel->Show();
}

QStringList ShellTest::TablesIn(const QString& file) {
    TSQLConnection c;
    c.SetParamValue(QStringLiteral("Database"), file);
    auto q =
        c.ExecuteQuery(QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' ORDER BY name"));
    QStringList names;
    for (q->First(); !q->Eof(); q->Next())
        names << q->Fields().Get(0)->AsString();
    return names;
}
