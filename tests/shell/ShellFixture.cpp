#include "ShellFixture.h"

#include "app/uKorvel.h"
#include "app/uLang.h"
#include "app/uMainForm.h"
#include "platform/data/SQLConnection.h"
#include "platform/sys/Desktop.h"
#include "platform/sys/Program.h"
#include "platform/ui/Forms.h"

#include <QFile>

ShellFixture::ShellFixture()
    : FUI([](const QString& question) { ADD_FAILURE() << "Unexpected question: " << question.toStdString(); }) {}

void ShellFixture::SetUp() {
    ASSERT_TRUE(FDir.isValid());
    SetProgramFolder(FDir.path() + '/');
    FillLang(Lang, false);
    SetOpenUrlHandler([this](const QUrl& url) {
        FOpened << url;
        return true;
    });
    SetShowItemsHandler([this](const QStringList& urls) {
        FShown << urls;
        return true;
    });
    CreateKorvelWindows();
}

void ShellFixture::TearDown() {
    FreeKorvelWindows();
    FUI.Services().Verify();
    SetOpenUrlHandler({});
    SetShowItemsHandler({});
    SetProgramFolder(QString());
}

void ShellFixture::Restart() {
    FreeKorvelWindows();
    CreateKorvelWindows();
}

void ShellFixture::Write(const QString& name, const QByteArray& bytes) {
    QFile f(Path(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

void ShellFixture::Build(const QByteArray& formsXml) {
    Write(QStringLiteral("forms.xml"), formsXml);
    frmMainKorvel->LoadForms(Path(QStringLiteral("forms.xml")));
}

TForm* ShellFixture::Window(const QString& name) const {
    if (frmMainKorvel->Name() == name) return frmMainKorvel;
    for (TForm* f : frmMainKorvel->GeneratedForms())
        if (f->Name() == name) return f;
    return nullptr;
}

void ShellFixture::OpenDatabase(const QStringList& statements) {
    TSQLConnection& c = *frmMainKorvel->SQLConnection();
    c.SetParamValue(QStringLiteral("Database"), Path(QStringLiteral("sqlite.db")));
    c.SetParamValue(QStringLiteral("FailIfMissing"), QStringLiteral("False"));
    c.SetConnected(true);
    for (const QString& s : statements) c.ExecuteDirect(s);
}
