#include "ShellTestSupport.h"

#include "app/uAboutForm.h"
#include "app/uKorvel.h"
#include "app/uLang.h"
#include "app/uMainForm.h"
#include "app/uOptionsForm.h"
#include "app/uSaveSettings.h"
#include "formula/formula.h"
#include "platform/data/SQLConnection.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"

#include <QFile>

class Windows : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        CreateKorvelWindows();
    }
    QByteArray Settings() {
        QFile f(Path("settings.ini"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

TEST_F(Windows, CaptionsFollowTheUsersLanguage) {
    const struct {
        const char* LangID;
        const char* File;
        const char* Options;
        const char* Dialog;
        const char* Group;
        const char* Cancel;
        const char* Path;
    } cases[] = {
        {"1033", "File", "Options", "Options", "Database", "Cancel",
         "You can also use a network folder (e.g. \\\\PCNAME\\Folder\\sqlite.db)"},
        {"1031", "File", "Options", "Options", "Database", "Cancel",
         "You can also use a network folder (e.g. \\\\PCNAME\\Folder\\sqlite.db)"},
        {"1049", "Файл", "Инструменты", "Настройка", " Файл базы данных ", "Отмена",
         "Допустимо использовать базу данных в сети (пример: \\\\PCNAME\\Folder\\sqlite.db)"},
        {"2092", "Файл", "Инструменты", "Настройка", " Файл базы данных ", "Отмена",
         "Допустимо использовать базу данных в сети (пример: \\\\PCNAME\\Folder\\sqlite.db)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.LangID);
        FreeKorvelWindows();
        CreateKorvelWindows();
        qputenv("KORVEL_LANGID", c.LangID);
        InitLang();
        EXPECT_EQ(frmMainKorvel->mniFile->Caption(), QString::fromUtf8(c.File));
        EXPECT_EQ(frmMainKorvel->mniOptions->Caption(), QString::fromUtf8(c.Options));
        EXPECT_EQ(frmOptionsKorvel->Caption(), QString::fromUtf8(c.Dialog));
        EXPECT_EQ(frmOptionsKorvel->gbDatabase->Caption(), QString::fromUtf8(c.Group));
        EXPECT_EQ(frmOptionsKorvel->bCancel->Caption(), QString::fromUtf8(c.Cancel));
        EXPECT_EQ(frmOptionsKorvel->lbPath->Caption(), QString::fromUtf8(c.Path));
        EXPECT_EQ(frmOptionsKorvel->bOK->Caption(), "OK");
        EXPECT_EQ(Lang.No_data_to_add, "No data to add.");
        const bool russian = QByteArray(c.LangID) == "1049" || QByteArray(c.LangID) == "2092";
        EXPECT_EQ(Lang.Error, russian ? QString::fromUtf8("Ошибка") : QString("Error"));
        EXPECT_EQ(frmMainKorvel->mniReport->Caption(),
                  russian ? QString::fromUtf8("Открыть дизайнер отчетов") : QString("Report designer"));
        EXPECT_EQ(frmMainKorvel->mniAbout->Caption(),
                  russian ? QString::fromUtf8("О программе") : QString("About"));
    }
}

TEST_F(Windows, MenuSwitchesOfSettings) {
    const struct {
        QByteArray Text;
        bool Options, DBLocation, Report;
    } cases[] = {
        {"", true, true, true},
        {"[Options]\nVisibleReport=0\n", true, true, false},
        {"[Options]\nVisibleReport=True\nVisibleDBLocation=1\n", true, true, false},
        {"[Options]\nVisibleOptions=0\nVisibleReport=1\nVisibleDBLocation=1\n", false, true, true},
        {"[Options]\nVisibleDBLocation=0x0\nVisibleOptions=7\n", true, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text.toStdString());
        FreeKorvelWindows();
        CreateKorvelWindows();
        Write("settings.ini", c.Text);
        QString server = "stale";
        ReadOptions(server);
        EXPECT_EQ(server, "");
        EXPECT_EQ(frmMainKorvel->mniOptions->Visible(), c.Options);
        EXPECT_EQ(frmMainKorvel->mniDBLocation->Visible(), c.DBLocation);
        EXPECT_EQ(frmMainKorvel->mniReport->Visible(), c.Report);
        EXPECT_TRUE(frmMainKorvel->mniFile->Visible() && frmMainKorvel->mniAbout->Visible());
    }
}

TEST_F(Windows, OptionsDialogThroughTheMenu) {
    InitLang();
    Write("settings.ini", "[Options]\nVisibleReport=1\n");
    Write("chosen.db", "");
    // The user picks an existing file with the browse button and saves.
    FUI->AnswerModal("frmOptionsKorvel", [this](TCustomForm*) {
        EXPECT_TRUE(frmOptionsKorvel->rbAppFolder->Checked());
        EXPECT_FALSE(frmOptionsKorvel->edFileName->Enabled());
        frmOptionsKorvel->rbDBFilename->SetChecked(true);
        EXPECT_TRUE(frmOptionsKorvel->edFileName->Enabled());
        FUI->AnswerFile({Path("chosen.db")});
        frmOptionsKorvel->bOpenFile->Click();
        EXPECT_EQ(frmOptionsKorvel->edFileName->Text(), Path("chosen.db"));
        // A confirmed name of a file that does not exist is ignored.
        FUI->AnswerFile({Path("typo.db")});
        frmOptionsKorvel->bOpenFile->Click();
        EXPECT_EQ(frmOptionsKorvel->edFileName->Text(), Path("chosen.db"));
        FUI->AnswerMessage(mrOk, "Restart the program to apply the settings.");
        frmOptionsKorvel->bOK->Click();
        return mrNone;
    });
    frmMainKorvel->mniDBLocation->Click();
    EXPECT_EQ(Settings(), "[Options]\nVisibleReport=1\nserver=" + Path("chosen.db").toUtf8() + "\n");
    EXPECT_EQ(FUI->Messages().back().Owner, frmOptionsKorvel);
    EXPECT_EQ(FUI->Messages().back().Caption, "Information");

    // Shown again it starts from the file; an empty name with OK keeps the configured file.
    FUI->AnswerModal("frmOptionsKorvel", [this](TCustomForm*) {
        EXPECT_TRUE(frmOptionsKorvel->rbDBFilename->Checked());
        EXPECT_EQ(frmOptionsKorvel->edFileName->Text(), Path("chosen.db"));
        frmOptionsKorvel->edFileName->SetText("");
        FUI->AnswerMessage(mrOk, "Restart");
        frmOptionsKorvel->bOK->Click();
        return mrNone;
    });
    frmMainKorvel->mniDBLocation->Click();
    EXPECT_TRUE(Settings().contains("server=" + Path("chosen.db").toUtf8()));

    // Cancel writes nothing.
    const QByteArray before = Settings();
    FUI->AnswerModal("frmOptionsKorvel", [this](TCustomForm*) {
        frmOptionsKorvel->rbAppFolder->SetChecked(true);
        frmOptionsKorvel->bCancel->Click();
        return mrNone;
    });
    frmMainKorvel->mniDBLocation->Click();
    EXPECT_EQ(Settings(), before);

    // The application folder removes "server", present or not, and still tells to restart.
    for (int i = 0; i < 2; ++i) {
        FUI->AnswerModal("frmOptionsKorvel", [this](TCustomForm*) {
            frmOptionsKorvel->rbAppFolder->SetChecked(true);
            FUI->AnswerMessage(mrOk, "Restart");
            frmOptionsKorvel->bOK->Click();
            return mrNone;
        });
        frmMainKorvel->mniDBLocation->Click();
        EXPECT_EQ(Settings(), "[Options]\nVisibleReport=1\n");
    }
}

TEST_F(Windows, AboutBoxAndClose) {
    FUI->AnswerModal("frmKorvelAbout", [](TCustomForm* form) {
        EXPECT_EQ(form->Caption(), "About");
        frmKorvelAbout->bOK->Click();
        return mrNone;
    });
    frmMainKorvel->mniAbout->Click();
    EXPECT_EQ(frmKorvelAbout->ModalResult(), mrOk);
}

TEST_F(Windows, GeneratedWindowsFocusTheirFirstControlInTabOrder) {
    TForm form(nullptr);
    // A panel first in tab order takes the focus itself, not the edit inside it.
    auto* panel = new TPanel(&form);
    panel->SetParent(&form);
    auto* inner = new TEdit(&form);
    inner->SetParent(panel);
    auto* second = new TEdit(&form);
    second->SetParent(&form);
    panel->SetTabOrder(0);
    second->SetTabOrder(1);
    frmMainKorvel->OnAllFormShow(&form);
    EXPECT_EQ(form.ActiveControl(), panel);

    // A hidden first control cannot take the focus; nothing is raised.
    TForm hidden(nullptr);
    auto* off = new TEdit(&hidden);
    off->SetParent(&hidden);
    off->SetVisible(false);
    EXPECT_NO_THROW(frmMainKorvel->OnAllFormShow(&hidden));
    EXPECT_EQ(hidden.ActiveControl(), nullptr);

    // A window without windowed controls, and a sender that is no window, are left alone.
    TForm empty(nullptr);
    EXPECT_NO_THROW(frmMainKorvel->OnAllFormShow(&empty));
    EXPECT_NO_THROW(frmMainKorvel->OnAllFormShow(nullptr));
}

TEST_F(Windows, HiddenSqlConsoleListsAQueryResult) {
    CopyDemo();
    frmMainKorvel->Show();
    ASSERT_EQ(frmMainKorvel->StartupResult(), TfrmMainKorvel::TStartup::Done);
    EXPECT_FALSE(frmMainKorvel->bSQL234235->Visible() || frmMainKorvel->MemoInput264325->Visible() ||
                 frmMainKorvel->MemoOut236235->Visible());
    frmMainKorvel->SQLConnection()->ExecuteDirect(
        "INSERT INTO countries(name, code) VALUES('France','FR'),('Chile',NULL)");
    frmMainKorvel->MemoInput264325->SetText("SELECT name, code FROM countries ORDER BY id");
    frmMainKorvel->MemoOut236235->SetText("old text");
    frmMainKorvel->bSQL234235->Click();
    auto lines = [] {
        QStringList l;
        for (int i = 0; i < frmMainKorvel->MemoOut236235->Lines()->Count(); ++i)
            l << frmMainKorvel->MemoOut236235->Lines()->Get(i);
        return l;
    };
    EXPECT_EQ(lines(), QStringList({"No:2", "name", "code", "France|FR|", "Chile||"}));
    frmMainKorvel->MemoInput264325->SetText("SELECT name FROM countries WHERE id < 0");
    frmMainKorvel->bSQL234235->Click();
    EXPECT_EQ(lines(), QStringList({"NO RESULT"}));
}

TEST_F(Windows, MainWindowCarriesTheFormulaComponentWithItsStoredValues) {
    CopyDemo();
    frmMainKorvel->Show();
    auto* f = dynamic_cast<DUvuRarodar*>(frmMainKorvel->FindComponent("DUvuRarodar1"));
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f, frmMainKorvel->DUvuRarodar1);
    EXPECT_EQ(f->Owner(), frmMainKorvel);
    EXPECT_FALSE(f->UnQuotedString());
    EXPECT_FALSE(f->AutoCreateVars());
    EXPECT_EQ(f->VarNameLiterals(), "_ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    // Nothing in the shell calls it, but it is a working evaluator.
    EXPECT_EQ(f->ComputeStrN("2+3*4"), 14);
}
