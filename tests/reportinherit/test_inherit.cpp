// Template inheritance: a child template holds only its differences from its parent; a report
// can be made an heir afterwards (clashing names deleted or renamed, scripts joined); a parent
// that is missing, damaged or leads back to the child is named in a message and leaves nothing
// half merged.

#include "platform/rtl/Streams.h"
#include "platform/sys/Program.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/UIServices.h"
#include "report/core/rptClassBand.h"
#include "report/core/rptClassMemo.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptInheritError.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace {

struct Questions {
    TScriptedUIServices* Services = new TScriptedUIServices(
        [](const QString& q) { ADD_FAILURE() << "unexpected question: " << q.toStdString(); });
    std::unique_ptr<IUIServices> Previous{SetUIServices(std::unique_ptr<IUIServices>(Services))};
    ~Questions() {
        Services->Verify();
        SetUIServices(std::move(Previous));
    }
};

std::unique_ptr<TrptReport> NewReport() {
    RegisterReportClasses();
    RegisterBandClasses();
    auto r = std::make_unique<TrptReport>();
    r->EngineOptions()->SetNewSilentMode(simSilent);
    return r;
}

QByteArray ReadFile(const QString& name) {
    QFile f(name);
    if (!f.open(QIODevice::ReadOnly)) return QByteArray();
    return f.readAll();
}

void WriteFile(const QString& name, const QByteArray& bytes) {
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QByteArray Saved(TrptReport& r) {
    TMemoryStream ms;
    r.SaveToStream(ms);
    return ms.Bytes();
}

TrptMemoView* Memo(TrptReport& r, const char* name) {
    return dynamic_cast<TrptMemoView*>(r.FindObject(QString::fromLatin1(name)));
}

class Inherit : public ::testing::Test {
protected:
    QTemporaryDir Dir;
    QString Path(const char* name) const { return Dir.filePath(QString::fromLatin1(name)); }

    // base.de3: Page1 with MasterData1 holding Memo1 ("Parent"), and the band Child1.
    void SetUp() override {
        ASSERT_TRUE(Dir.isValid());
        auto r = NewReport();
        r->CheckDataPage();
        auto* page = new TrptReportPage(r.get());
        page->SetName("Page1");
        auto* band = new TrptMasterData(page);
        band->SetName("MasterData1");
        band->SetBounds(0, 20, 700, 40);
        auto* memo = new TrptMemoView(band);
        memo->SetName("Memo1");
        memo->SetBounds(10, 0, 100, 20);
        memo->SetText("Parent");
        auto* child = new TrptChild(page);
        child->SetName("Child1");
        child->SetBounds(0, 80, 700, 30);
        r->ScriptText()->SetText("begin\r\n  // parent script\r\nend.");
        r->SaveToFile(Path("base.de3"));
    }

    // A report of its own: Page1 with MasterData2 (its Child is the report's Child1) holding
    // Memo1 ("Child") and Memo7 ("Seven"); Child1 has the same name as the parent's band.
    std::unique_ptr<TrptReport> OwnReport() {
        auto r = NewReport();
        r->CheckDataPage();
        auto* page = new TrptReportPage(r.get());
        page->SetName("Page1");
        auto* band = new TrptMasterData(page);
        band->SetName("MasterData2");
        band->SetBounds(0, 140, 700, 40);
        auto* memo = new TrptMemoView(band);
        memo->SetName("Memo1");
        memo->SetText("Child");
        auto* seven = new TrptMemoView(band);
        seven->SetName("Memo7");
        seven->SetText("Seven");
        auto* child = new TrptChild(page);
        child->SetName("Child1");
        child->SetBounds(0, 200, 700, 30);
        band->SetChild(child);
        r->ScriptText()->SetText("begin\r\n  // child script\r\nend.");
        r->SetFileName(Path("child.de3"));
        return r;
    }
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Inheriting afterwards

TEST_F(Inherit, RenameKeepsBothObjectsAndReferencesFollowTheNewName) {
    auto r = OwnReport();
    ASSERT_TRUE(r->InheritFromTemplate(Path("base.de3"), imRename));
    EXPECT_EQ(r->ParentReport(), "base.de3");
    ASSERT_NE(r->ParentReportObject(), nullptr);

    struct Row {
        const char* Name;
        const char* Text; // memo text, or nullptr for a band
        bool Ancestor;
    };
    // Inherited, added, and renamed on clash: the parent's Memo1 and Child1 keep their names.
    const Row rows[] = {
        {"Memo1", "Parent", true},   {"MasterData1", nullptr, true}, {"Child1", nullptr, true},
        {"Memo2", "Child", false},   {"Memo7", "Seven", false},      {"MasterData2", nullptr, false},
        {"Child2", nullptr, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        TrptComponent* c = r->FindObject(QString::fromLatin1(row.Name));
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->IsAncestor(), row.Ancestor);
        if (row.Text) {
            auto* m = dynamic_cast<TrptMemoView*>(c);
            ASSERT_NE(m, nullptr);
            EXPECT_EQ(m->Text().trimmed(), QString::fromLatin1(row.Text));
        }
    }
    auto* band = dynamic_cast<TrptMasterData*>(r->FindObject("MasterData2"));
    ASSERT_NE(band, nullptr);
    ASSERT_NE(band->Child(), nullptr);
    EXPECT_EQ(band->Child()->Name(), "Child2");
    EXPECT_EQ(band->Page()->Name(), "Page1");
    // One page of each name: the child's pages merged into the parent's.
    int pages = 0;
    for (int i = 0; i < r->PagesCount(); ++i)
        if (r->Pages(i)->Name() == "Page1") ++pages;
    EXPECT_EQ(pages, 1);
}

TEST_F(Inherit, DeleteDropsTheReportsClashingObjectsAndKeepsTheParents) {
    auto r = OwnReport();
    ASSERT_TRUE(r->InheritFromTemplate(Path("base.de3"), imDelete));
    ASSERT_NE(Memo(*r, "Memo1"), nullptr);
    EXPECT_EQ(Memo(*r, "Memo1")->Text().trimmed(), "Parent");
    EXPECT_TRUE(Memo(*r, "Memo1")->IsAncestor());
    EXPECT_EQ(r->FindObject("Memo2"), nullptr);
    EXPECT_EQ(r->FindObject("Child2"), nullptr);
    ASSERT_NE(Memo(*r, "Memo7"), nullptr);
    // The reference to the deleted band now names the parent's band of that name.
    auto* band = dynamic_cast<TrptMasterData*>(r->FindObject("MasterData2"));
    ASSERT_NE(band, nullptr);
    ASSERT_NE(band->Child(), nullptr);
    EXPECT_EQ(band->Child(), r->FindObject("Child1"));
    EXPECT_TRUE(band->Child()->IsAncestor());
}

TEST_F(Inherit, ScriptsAreJoinedWithTheParentsInACommentOfTheLanguage) {
    struct Case {
        const char* Language;
        const char* Open;
        const char* Close;
    };
    const Case cases[] = {
        {"PascalScript", "{", "}"},
        {"C++Script", "/*", "*/"},
        {"JScript", "/*", "*/"},
        {"BasicScript", "/\\", "/\\"},
        {"Other", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Language);
        auto r = OwnReport();
        r->SetScriptLanguage(QString::fromLatin1(c.Language));
        ASSERT_TRUE(r->InheritFromTemplate(Path("base.de3"), imRename));
        EXPECT_EQ(r->ScriptLanguage(), QString::fromLatin1(c.Language));
        const QString expected = QStringLiteral("begin\r\n  // child script\r\nend.\r\n") + QString::fromLatin1(c.Open) +
                                 QStringLiteral("\r\n**********Script from parent report**********\r\n"
                                                "begin\r\n  // parent script\r\nend.\r\n") +
                                 QString::fromLatin1(c.Close) + QStringLiteral("\r\n");
        EXPECT_EQ(r->ScriptText()->Text(), expected);
    }
}

TEST_F(Inherit, ClashAsksTheUserCancelLeavesTheReportAsItWas) {
    Questions q;
    auto r = OwnReport();
    const QByteArray before = Saved(*r);
    q.Services->AnswerModal(QString(), [](TCustomForm* f) {
        auto* form = dynamic_cast<TrptInheritErrorForm*>(f);
        EXPECT_NE(form, nullptr);
        if (form) {
            EXPECT_EQ(form->Caption(), "Inherit error");
            EXPECT_EQ(form->MessageL->Caption(),
                      "Base and inherited reports have duplicate objects. What should we do?");
            EXPECT_TRUE(form->DeleteRB->Checked());
        }
        return mrCancel;
    });
    EXPECT_FALSE(r->InheritFromTemplate(Path("base.de3")));
    EXPECT_EQ(r->ParentReport(), "");
    EXPECT_EQ(r->ParentReportObject(), nullptr);
    EXPECT_EQ(Saved(*r), before);
}

TEST_F(Inherit, ClashAnsweredWithRenameRenames) {
    Questions q;
    auto r = OwnReport();
    q.Services->AnswerModal(QString(), [](TCustomForm* f) {
        auto* form = dynamic_cast<TrptInheritErrorForm*>(f);
        if (form) form->RenameRB->SetChecked(true);
        return mrOk;
    });
    ASSERT_TRUE(r->InheritFromTemplate(Path("base.de3")));
    ASSERT_NE(Memo(*r, "Memo2"), nullptr);
    EXPECT_EQ(Memo(*r, "Memo2")->Text().trimmed(), "Child");
}

TEST_F(Inherit, WithoutClashNobodyIsAsked) {
    Questions q;
    auto r = NewReport();
    r->CheckDataPage();
    auto* page = new TrptReportPage(r.get());
    page->SetName("Page1");
    auto* memo = new TrptMemoView(page);
    memo->SetName("Memo9");
    r->SetFileName(Path("child.de3"));
    ASSERT_TRUE(r->InheritFromTemplate(Path("base.de3")));
    EXPECT_NE(r->FindObject("Memo9"), nullptr);
    EXPECT_NE(r->FindObject("Memo1"), nullptr);
}

TEST_F(Inherit, SubreportGetsAPageOfItsOwn) {
    auto r = OwnReport();
    auto* sub = new TrptSubreport(r->FindObject("MasterData2"));
    sub->SetName("Subreport1");
    auto* subPage = new TrptReportPage(r.get());
    subPage->SetName("Page5");
    sub->SetPage(subPage);
    auto* memo = new TrptMemoView(subPage);
    memo->SetName("Memo8");
    memo->SetText("Inside");
    ASSERT_TRUE(r->InheritFromTemplate(Path("base.de3"), imRename));
    auto* merged = dynamic_cast<TrptSubreport*>(r->FindObject("Subreport1"));
    ASSERT_NE(merged, nullptr);
    ASSERT_NE(merged->Page(), nullptr);
    EXPECT_EQ(merged->Page()->Report(), r.get());
    ASSERT_NE(Memo(*r, "Memo8"), nullptr);
    EXPECT_EQ(Memo(*r, "Memo8")->Page(), merged->Page());
    EXPECT_EQ(Memo(*r, "Memo8")->Text().trimmed(), "Inside");
    // The subreport's page is merged once: one page holds Memo8.
    int pages = 0;
    for (int i = 0; i < r->PagesCount(); ++i)
        for (TrptComponent* c : r->Pages(i)->AllObjects())
            if (c->Name() == "Memo8") ++pages;
    EXPECT_EQ(pages, 1);
}

TEST_F(Inherit, AnHeirCanChangeItsParent) {
    {
        auto r = OwnReport();
        ASSERT_TRUE(r->InheritFromTemplate(Path("base.de3"), imRename));
        r->SaveToFile(Path("child.de3"));
    }
    {
        auto other = NewReport();
        other->CheckDataPage();
        auto* page = new TrptReportPage(other.get());
        page->SetName("Page1");
        (new TrptMemoView(page))->SetName("Memo50");
        other->SaveToFile(Path("other.de3"));
    }
    auto r = NewReport();
    ASSERT_TRUE(r->LoadFromFile(Path("child.de3")));
    ASSERT_TRUE(r->InheritFromTemplate(Path("other.de3"), imRename));
    EXPECT_EQ(r->ParentReport(), "other.de3");
    ASSERT_NE(r->FindObject("Memo50"), nullptr);
    EXPECT_TRUE(r->FindObject("Memo50")->IsAncestor());
    // The old parent's objects are the report's own now.
    ASSERT_NE(Memo(*r, "Memo1"), nullptr);
    EXPECT_FALSE(Memo(*r, "Memo1")->IsAncestor());
    EXPECT_EQ(Memo(*r, "Memo1")->Text().trimmed(), "Parent");
    EXPECT_NE(r->FindObject("Memo7"), nullptr);
}

TEST_F(Inherit, CancelledChangeOfParentKeepsTheOldParent) {
    {
        auto r = OwnReport();
        ASSERT_TRUE(r->InheritFromTemplate(Path("base.de3"), imRename));
        r->SaveToFile(Path("child.de3"));
    }
    Questions q;
    q.Services->AnswerModal(QString(), [](TCustomForm*) { return mrCancel; });
    auto r = NewReport();
    ASSERT_TRUE(r->LoadFromFile(Path("child.de3")));
    const QByteArray before = Saved(*r);
    // The child's own file as a parent is refused at once; a copy of it clashes everywhere.
    QFile::copy(Path("child.de3"), Path("twin.de3"));
    EXPECT_FALSE(r->InheritFromTemplate(Path("twin.de3")));
    EXPECT_EQ(r->ParentReport(), "base.de3");
    ASSERT_NE(Memo(*r, "Memo1"), nullptr);
    EXPECT_TRUE(Memo(*r, "Memo1")->IsAncestor());
    EXPECT_EQ(Saved(*r), before);
}

TEST_F(Inherit, ItsOwnFileIsRefused) {
    auto r = NewReport();
    ASSERT_TRUE(r->LoadFromFile(Path("base.de3")));
    const QByteArray before = Saved(*r);
    EXPECT_FALSE(r->InheritFromTemplate(Path("base.de3"), imRename));
    EXPECT_FALSE(r->InheritFromTemplate(Dir.path() + "/./base.de3", imRename));
    EXPECT_EQ(Saved(*r), before);
}

// ---------------------------------------------------------------------------------------------
// The child template on disk

TEST_F(Inherit, ChildHoldsOnlyItsDifferencesAndSavesByteIdentical) {
    {
        auto r = OwnReport();
        ASSERT_TRUE(r->InheritFromTemplate(Path("base.de3"), imRename));
        // Overridden: the inherited memo moves in the child.
        Memo(*r, "Memo1")->SetLeft(300);
        r->SaveToFile(Path("child.de3"));
    }
    const QByteArray file = ReadFile(Path("child.de3"));
    const QString text = QString::fromUtf8(file);
    EXPECT_TRUE(text.contains("ParentReport=\"base.de3\""));
    EXPECT_TRUE(text.contains("<inherited Name=\"Memo1\""));
    // The parent's text is not repeated, the child's objects are there in full.
    EXPECT_FALSE(text.contains("Text=\"Parent\""));
    EXPECT_TRUE(text.contains("<TrptMemoView Name=\"Memo7\""));

    auto r = NewReport();
    ASSERT_TRUE(r->LoadFromFile(Path("child.de3")));
    EXPECT_EQ(r->Errors()->Text(), "");
    ASSERT_NE(Memo(*r, "Memo1"), nullptr);
    EXPECT_DOUBLE_EQ(Memo(*r, "Memo1")->Left(), 300);
    EXPECT_EQ(Memo(*r, "Memo1")->Text().trimmed(), "Parent");
    EXPECT_TRUE(Memo(*r, "Memo1")->IsAncestor());
    ASSERT_NE(Memo(*r, "Memo7"), nullptr);
    EXPECT_FALSE(Memo(*r, "Memo7")->IsAncestor());
    ASSERT_NE(r->FindObject("MasterData2"), nullptr);
    EXPECT_EQ(dynamic_cast<TrptMasterData*>(r->FindObject("MasterData2"))->Child(), r->FindObject("Child2"));

    r->SaveToFile(Path("again.de3"));
    EXPECT_EQ(ReadFile(Path("again.de3")), file);
}

TEST_F(Inherit, WhatTheChildDoesNotChangeFollowsTheParent) {
    {
        auto r = OwnReport();
        ASSERT_TRUE(r->InheritFromTemplate(Path("base.de3"), imRename));
        r->SaveToFile(Path("child.de3"));
    }
    {
        auto base = NewReport();
        ASSERT_TRUE(base->LoadFromFile(Path("base.de3")));
        Memo(*base, "Memo1")->SetText("Parent, edited");
        base->SaveToFile(Path("base.de3"));
    }
    auto r = NewReport();
    ASSERT_TRUE(r->LoadFromFile(Path("child.de3")));
    ASSERT_NE(Memo(*r, "Memo1"), nullptr);
    EXPECT_EQ(Memo(*r, "Memo1")->Text().trimmed(), "Parent, edited");
}

TEST_F(Inherit, ParentFoundBesideTheChildWhereverTheChildIsOpenedFrom) {
    QDir(Dir.path()).mkdir("sub");
    auto base = NewReport();
    ASSERT_TRUE(base->LoadFromFile(Path("base.de3")));
    base->SaveToFile(Path("sub/base.de3"));
    {
        auto r = OwnReport();
        r->SetFileName(Path("sub/child.de3"));
        ASSERT_TRUE(r->InheritFromTemplate(Path("sub/base.de3"), imRename));
        EXPECT_EQ(r->ParentReport(), "base.de3");
        r->SaveToFile(Path("sub/child.de3"));
    }
    const QString old = QDir::currentPath();
    QDir::setCurrent(QDir::tempPath());
    auto r = NewReport();
    const bool loaded = r->LoadFromFile(Path("sub/child.de3"));
    QDir::setCurrent(old);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(r->Errors()->Text(), "");
    EXPECT_NE(r->FindObject("MasterData1"), nullptr);
}

TEST_F(Inherit, BareParentNameFallsBackToTheApplicationFolder) {
    {
        auto r = OwnReport();
        ASSERT_TRUE(r->InheritFromTemplate(Path("base.de3"), imRename));
        r->SaveToFile(Path("child.de3"));
    }
    // The child moves away from its parent; the parent is found in the application folder.
    ASSERT_TRUE(QDir(Dir.path()).mkpath("elsewhere"));
    ASSERT_TRUE(QFile::rename(Path("child.de3"), Path("elsewhere/child.de3")));
    SetProgramFolder(Dir.path());
    auto r = NewReport();
    const bool loaded = r->LoadFromFile(Path("elsewhere/child.de3"));
    SetProgramFolder(QString());
    ASSERT_TRUE(loaded);
    EXPECT_EQ(r->Errors()->Text(), "");
    EXPECT_TRUE(r->FindObject("MasterData1") && r->FindObject("MasterData1")->IsAncestor());
    // A copy beside the child wins over the application folder.
    auto other = NewReport();
    ASSERT_TRUE(other->LoadFromFile(Path("base.de3")));
    Memo(*other, "Memo1")->SetText("Beside");
    other->SaveToFile(Path("elsewhere/base.de3"));
    SetProgramFolder(Dir.path());
    ASSERT_TRUE(r->LoadFromFile(Path("elsewhere/child.de3")));
    SetProgramFolder(QString());
    EXPECT_EQ(Memo(*r, "Memo1")->Text().trimmed(), "Beside");
}

TEST_F(Inherit, AbsoluteParentIsStoredRelativeToTheSavedFile) {
    auto r = OwnReport();
    ASSERT_TRUE(r->InheritFromTemplate(Path("base.de3"), imRename));
    r->SetParentReport(Path("base.de3"));
    EXPECT_EQ(r->ParentReport(), Path("base.de3"));
    r->SaveToFile(Path("child.de3"));
    EXPECT_TRUE(QString::fromUtf8(ReadFile(Path("child.de3"))).contains("ParentReport=\"base.de3\""));
}

TEST_F(Inherit, GrandparentChainLoads) {
    {
        auto r = OwnReport();
        ASSERT_TRUE(r->InheritFromTemplate(Path("base.de3"), imRename));
        r->SaveToFile(Path("middle.de3"));
    }
    {
        auto r = NewReport();
        r->CheckDataPage();
        auto* page = new TrptReportPage(r.get());
        page->SetName("Page2");
        auto* memo = new TrptMemoView(page);
        memo->SetName("Memo20");
        r->SetFileName(Path("leaf.de3"));
        ASSERT_TRUE(r->InheritFromTemplate(Path("middle.de3"), imRename));
        r->SaveToFile(Path("leaf.de3"));
    }
    auto r = NewReport();
    ASSERT_TRUE(r->LoadFromFile(Path("leaf.de3")));
    EXPECT_EQ(r->Errors()->Text(), "");
    for (const char* name : {"Memo1", "Memo2", "Memo7", "Memo20"}) {
        SCOPED_TRACE(name);
        EXPECT_NE(r->FindObject(QString::fromLatin1(name)), nullptr);
    }
    EXPECT_TRUE(r->FindObject("Memo7")->IsAncestor());
    EXPECT_FALSE(r->FindObject("Memo20")->IsAncestor());
    const QByteArray file = ReadFile(Path("leaf.de3"));
    r->SaveToFile(Path("leaf2.de3"));
    EXPECT_EQ(ReadFile(Path("leaf2.de3")), file);
}

// ---------------------------------------------------------------------------------------------
// Parents that cannot be loaded

TEST_F(Inherit, BadParentIsNamedAndTheChildIsNotHalfMerged) {
    // A child of base.de3, saved; then its parent attribute is pointed elsewhere.
    {
        auto r = OwnReport();
        ASSERT_TRUE(r->InheritFromTemplate(Path("base.de3"), imRename));
        r->SaveToFile(Path("child.de3"));
    }
    const QByteArray child = ReadFile(Path("child.de3"));
    WriteFile(Path("damaged.de3"), "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<TrptReport Version=\"4.15\"><Trpt");
    WriteFile(Path("prepared.de3"), "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<preparedreport/>");
    // loop1 -> loop2 -> loop1
    WriteFile(Path("loop1.de3"), QByteArray(child).replace("ParentReport=\"base.de3\"", "ParentReport=\"loop2.de3\""));
    WriteFile(Path("loop2.de3"), QByteArray(child).replace("ParentReport=\"base.de3\"", "ParentReport=\"loop1.de3\""));

    struct Case {
        const char* Parent;
        const char* Named; // the file the message names
        const char* Says;
    };
    const Case cases[] = {
        {"missing.de3", "missing.de3", "was not found"},
        {"damaged.de3", "damaged.de3", "cannot be read"},
        {"prepared.de3", "prepared.de3", "cannot be read"},
        {"self.de3", "self.de3", "inherits from itself"},
        {"loop1.de3", "loop1.de3", "inherits from itself"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Parent);
        WriteFile(Path("self.de3"), QByteArray(child).replace("ParentReport=\"base.de3\"", "ParentReport=\"self.de3\""));
        const QByteArray bytes =
            QByteArray(child).replace("ParentReport=\"base.de3\"", "ParentReport=\"" + QByteArray(c.Parent) + "\"");
        const QString file = QString::fromLatin1(c.Parent) == "self.de3" ? Path("self.de3") : Path("broken.de3");
        WriteFile(file, bytes);

        // A report with content of its own, which the failed load replaces by a clean report.
        auto r = OwnReport();
        ASSERT_TRUE(r->LoadFromFile(file));
        const QString errors = r->Errors()->Text();
        EXPECT_TRUE(errors.contains(QString::fromLatin1(c.Named))) << errors.toStdString();
        EXPECT_TRUE(errors.contains(QString::fromLatin1(c.Says))) << errors.toStdString();
        EXPECT_FALSE(r->StreamLoaded());
        EXPECT_EQ(r->ParentReport(), "");
        EXPECT_EQ(r->ParentReportObject(), nullptr);
        // Nothing of the child and nothing of any parent: only the data page every load adds.
        ASSERT_EQ(r->PagesCount(), 1);
        EXPECT_EQ(r->Pages(0)->Name(), "Data");
        EXPECT_TRUE(r->Pages(0)->Objects().empty());
        EXPECT_EQ(r->ScriptText()->Text(), "begin\r\n\r\nend.\r\n");
    }
}

TEST_F(Inherit, BadParentShownInAMessageBoxNamingTheFile) {
    Questions q;
    {
        auto r = OwnReport();
        ASSERT_TRUE(r->InheritFromTemplate(Path("base.de3"), imRename));
        r->SaveToFile(Path("child.de3"));
    }
    ASSERT_TRUE(QFile::remove(Path("base.de3")));
    q.Services->AnswerMessage(mrOk, "base.de3");
    auto r = NewReport();
    r->EngineOptions()->SetNewSilentMode(simMessageBoxes);
    r->LoadFromFile(Path("child.de3"));
    EXPECT_EQ(r->FindObject("Memo7"), nullptr);
}

TEST_F(Inherit, LoadTemplateEventLoadsTheParentInstead) {
    {
        auto r = OwnReport();
        ASSERT_TRUE(r->InheritFromTemplate(Path("base.de3"), imRename));
        r->SaveToFile(Path("child.de3"));
    }
    QByteArray bytes = ReadFile(Path("child.de3"));
    WriteFile(Path("child.de3"), bytes.replace("ParentReport=\"base.de3\"", "ParentReport=\"db:base\""));
    auto r = NewReport();
    QStringList asked;
    const QString base = Path("base.de3");
    r->OnLoadTemplate = [&asked, base](TrptReport* Report, const QString& Name) {
        asked << Name;
        Report->LoadFromFile(base);
    };
    ASSERT_TRUE(r->LoadFromFile(Path("child.de3")));
    EXPECT_FALSE(asked.isEmpty());
    EXPECT_EQ(asked.value(0), "db:base");
    EXPECT_EQ(r->ParentReport(), "db:base");
    EXPECT_EQ(r->FileName(), Path("child.de3"));
    ASSERT_NE(Memo(*r, "Memo1"), nullptr);
    EXPECT_TRUE(Memo(*r, "Memo1")->IsAncestor());
    EXPECT_NE(Memo(*r, "Memo7"), nullptr);
}

TEST_F(Inherit, SettingAParentThatCannotBeLoadedRaisesAndChangesNothing) {
    auto r = OwnReport();
    const QByteArray before = Saved(*r);
    try {
        r->SetParentReport("nowhere.de3");
        ADD_FAILURE() << "no error";
    } catch (const EParentTemplateError& e) {
        EXPECT_TRUE(e.Message().contains("nowhere.de3"));
    }
    EXPECT_EQ(r->ParentReport(), "");
    EXPECT_EQ(Saved(*r), before);
    EXPECT_THROW(r->InheritFromTemplate(Path("nowhere.de3"), imRename), EParentTemplateError);
    EXPECT_EQ(Saved(*r), before);
}
