// The report root: defaults and clearing, loading and saving templates (host settings kept, the
// password question, errors shown by the silent mode), the stored password, the data page rule,
// dataset lookups and a dataset that goes away.

#include "ReportTestClasses.h"

#include "platform/rtl/IniFiles.h"
#include "platform/ui/UIServices.h"
#include "report/core/rptClassBases.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptPassword.h"
#include "report/core/rptRes.h"

#include "platform/ui/ExtCtrls.h"
#include "platform/ui/StdCtrls.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Questions {
    TScriptedUIServices* Services = new TScriptedUIServices(
        [](const QString& q) { ADD_FAILURE() << "unexpected question: " << q.toStdString(); });
    std::unique_ptr<IUIServices> Previous{SetUIServices(std::unique_ptr<IUIServices>(Services))};
    ~Questions() {
        Services->Verify();
        SetUIServices(std::move(Previous));
    }
    // The user types into the password window and presses OK.
    void Password(const QString& typed) {
        Services->AnswerModal(QString(), [typed](TCustomForm* f) {
            auto* form = dynamic_cast<TrptPasswordForm*>(f);
            EXPECT_NE(form, nullptr);
            if (!form) return mrCancel;
            form->PasswordE->SetText(typed);
            return mrOk;
        });
    }
};

QString Template(const QString& body, const QString& rootAttrs = QString()) {
    return QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"no\"?>\r\n<TrptReport") +
           rootAttrs + QStringLiteral(">") + body + QStringLiteral("</TrptReport>");
}

QString Units(const QString& s) {
    QStringList r;
    for (QChar c : s)
        r << QString::number(c.unicode(), 16).toUpper();
    return r.join(' ');
}

} // namespace

TEST(ReportRoot, DefaultsAndClear) {
    auto r = NewReport();
    EXPECT_EQ(r->Version(), "4.15");
    EXPECT_EQ(r->ScriptLanguage(), "PascalScript");
    EXPECT_EQ(r->ScriptText()->Text(), "begin\r\n\r\nend.\r\n");
    EXPECT_EQ(r->SysVariables()->CommaText(), "Date,Time,Page,Page#,TotalPages,TotalPages#,Line,Line#,CopyName#");
    EXPECT_EQ(r->IniFile(), "\\Software\\Dize Rorerir");
    EXPECT_TRUE(r->ShowProgress());
    EXPECT_TRUE(r->StoreInDFM());
    EXPECT_EQ(r->Timer()->Interval(), 50u);
    EXPECT_FALSE(r->Timer()->Enabled());
    EXPECT_EQ(r->ReportOptions()->Report(), r.get());
    EXPECT_EQ(r->GetDescription(), GlobalResources()->Get("obReport"));
    r->SetVersion("5.0");
    EXPECT_EQ(r->Version(), "4.15");

    // Clear puts the template properties back and leaves the host's.
    new TTestPage(r.get());
    r->SetScriptLanguage("JScript");
    r->ScriptText()->SetText("x");
    r->SetDotMatrixReport(true);
    r->SetOnStartReport("Start");
    r->SetIniFile("custom.ini");
    r->SetShowProgress(false);
    r->EngineOptions()->SetMaxMemSize(77);
    r->PrintOptions()->SetPrinter("Laser");
    r->Clear();
    EXPECT_EQ(r->PagesCount(), 0);
    EXPECT_EQ(r->ScriptLanguage(), "PascalScript");
    EXPECT_EQ(r->ScriptText()->Count(), 3);
    EXPECT_FALSE(r->DotMatrixReport());
    EXPECT_TRUE(r->OnStartReport().isEmpty());
    EXPECT_EQ(r->IniFile(), "custom.ini");
    EXPECT_FALSE(r->ShowProgress());
    EXPECT_EQ(r->EngineOptions()->MaxMemSize(), 77);
    EXPECT_EQ(r->PrintOptions()->Printer(), "Default");
}

TEST(ReportRoot, ATemplateCannotChangeWhatTheHostSet) {
    auto r = NewQuietReport();
    r->SetIniFile("host.ini");
    r->SetOldStyleProgress(true);
    r->PreviewOptions()->SetModal(false);
    LoadReport(*r, Template("", " IniFile=\"template.ini\" OldStyleProgress=\"False\" ShowProgress=\"False\" "
                                "EngineOptions.MaxMemSize=\"100\" EngineOptions.DoublePass=\"True\" "
                                "PreviewOptions.Modal=\"True\" PreviewOptions.OutlineVisible=\"True\"")
                           .toUtf8());
    EXPECT_EQ(r->Errors()->Count(), 0) << r->Errors()->Text().toStdString();
    EXPECT_EQ(r->IniFile(), "host.ini");
    EXPECT_TRUE(r->OldStyleProgress());
    EXPECT_TRUE(r->ShowProgress());
    EXPECT_EQ(r->EngineOptions()->MaxMemSize(), 10);
    EXPECT_TRUE(r->EngineOptions()->DoublePass());
    EXPECT_FALSE(r->PreviewOptions()->Modal());
    EXPECT_TRUE(r->PreviewOptions()->OutlineVisible());
}

TEST(ReportRoot, LoadErrorsAreShownByTheSilentMode) {
    const QByteArray text = Template("<TNoSuchPage Name=\"P\"/>").toUtf8();
    {
        Questions q;
        q.Services->AnswerMessage(mrOk, GlobalResources()->Get("clErrors") + "\r\n" +
                                            GlobalResources()->Get("xrCantFindClass") + " TNoSuchPage");
        auto r = NewReport();
        LoadReport(*r, text);
    }
    {
        Questions q;
        auto r = NewReport();
        r->EngineOptions()->SetNewSilentMode(simReThrow);
        try {
            LoadReport(*r, text);
            ADD_FAILURE() << "no exception";
        } catch (const Exception& e) {
            EXPECT_TRUE(e.Message().contains("TNoSuchPage"));
        }
        EXPECT_TRUE(r->StreamLoaded());
    }
}

TEST(ReportRoot, LoadFromFile) {
    QTemporaryDir dir;
    auto r = NewQuietReport();
    new TTestPage(r.get());
    const QString missing = dir.filePath("missing.de3");
    EXPECT_FALSE(r->LoadFromFile(missing));
    EXPECT_EQ(r->PagesCount(), 0);
    EXPECT_TRUE(r->FileName().isEmpty());
    EXPECT_THROW(r->LoadFromFile(missing, true), EFOpenError);

    auto* page = new TTestPage(r.get());
    page->SetName("Page1");
    // Setting a parent loads it: the parents are copies of the report.
    ASSERT_TRUE(QDir(dir.path()).mkpath("sub"));
    r->SaveToFile(dir.filePath("sub/base.de3"));
    r->SaveToFile(dir.filePath("base.de3"));
    r->SetParentReport(dir.filePath("sub/base.de3"));
    const QString file = dir.filePath("report.de3");
    r->SaveToFile(file);
    EXPECT_EQ(r->ParentReport(), "sub/base.de3");
    r->SetParentReport("C:" + dir.filePath("base.de3"));
    r->SaveToFile(file);
    EXPECT_EQ(r->ParentReport(), "base.de3");
    r->SetParentReport(QString());
    r->SaveToFile(file);
    auto again = NewQuietReport();
    EXPECT_TRUE(again->LoadFromFile(file));
    EXPECT_EQ(again->FileName(), file);
    EXPECT_NE(again->FindObject("Page1"), nullptr);
}

TEST(ReportRoot, SettingsStoreFollowsIniFile) {
    QTemporaryDir dir;
    auto r = NewReport();
    r->SetIniFile(dir.filePath("report.ini"));
    {
        auto ini = r->GetIniFile();
        ini->WriteString("Form4.TrptPreviewForm", "Width", "640");
        ini->UpdateFile();
    }
    EXPECT_EQ(r->GetIniFile()->ReadString("Form4.TrptPreviewForm", "Width", ""), "640");
    EXPECT_TRUE(QFile::exists(dir.filePath("report.ini")));
    r->SetIniFile("\\Software\\Dize Rorerir");
    EXPECT_NE(dynamic_cast<TCustomIniFile*>(r->GetIniFile().get()), nullptr);
    EXPECT_TRUE(r->GetApplicationFolder().endsWith('/'));
}

// ---------------------------------------------------------------------------------------------
// The stored password

TEST(ReportPassword, StoredTemplatesKeepTheirScheme) {
    // Each unit lowered by 10: a, b, c are stored as 0x57, 0x58, 0x59.
    EXPECT_EQ(Units(EncodeReportPassword("abc")), "57 58 59");
    EXPECT_EQ(DecodeReportPassword(QString::fromUtf16(u"\x57\x58\x59")), "abc");
    // A stored unit below 10 wraps around as the 16-bit arithmetic did.
    EXPECT_EQ(Units(DecodeReportPassword(QString::fromUtf16(u"\xFFF6\xFFFD"))), "0 7");
    // Space to ")" become control characters U+0016..U+001F and still go in the plain scheme.
    EXPECT_EQ(Units(EncodeReportPassword(" !\"#$%&'()")), "16 17 18 19 1A 1B 1C 1D 1E 1F");
    // Pairs whose halves stay in their ranges are stored shifted too.
    const QString emoji = QString::fromUcs4(U"\U0001F600");
    EXPECT_EQ(DecodeReportPassword(EncodeReportPassword(emoji)), emoji);
    EXPECT_EQ(EncodeReportPassword(emoji).size(), 2);
}

TEST(ReportPassword, EveryPasswordSurvivesAndNothingUnstorableIsWritten) {
    std::vector<QString> passwords = {
        "", "abc", "Pw", " !\"#$%&'()", "line\nfeed", QString(QChar(8)) + QChar(9) + QChar(10),
        QString::fromUtf16(u"\xE000\xE005\xE009\xE00A"), QString::fromUcs4(U"\U00010000\U000103FF\U0001F600\U0010FFFF"),
        QString::fromUtf16(u"\xD800\xDC00"), // lowest pair: both halves leave their ranges
        QString::fromUtf16(u"\xD83D\xDC05"), // a low half in DC00..DC09 becomes a high one
        QString::fromUtf16(u"x\xDBFF\xDFFF" "000041"), QString::fromUtf16(u"\xFFFD\xFFFC"),
        QString::fromUtf16(u"\xD800"), QString::fromUtf16(u"\xDC00z"), // lone halves
        QString(QChar(0)) + "nul",
    };
    for (char16_t u = 0; u < 0x30; ++u)
        passwords.push_back(QString(QChar(u)));
    for (char16_t low = 0xDC00; low <= 0xDC0A; ++low)
        passwords.push_back(QString(QChar(0xD83D)) + QChar(low));
    for (const QString& p : passwords) {
        const QString stored = EncodeReportPassword(p);
        EXPECT_EQ(DecodeReportPassword(stored), p) << Units(p).toStdString();
        // Valid text: no NUL, no U+FFFE/U+FFFF, no lone surrogate.
        for (qsizetype i = 0; i < stored.size(); ++i) {
            const char16_t u = stored[i].unicode();
            EXPECT_TRUE(u != 0 && u != 0xFFFE && u != 0xFFFF) << Units(p).toStdString();
            if (QChar::isHighSurrogate(u)) {
                ASSERT_TRUE(i + 1 < stored.size() && QChar::isLowSurrogate(stored[i + 1].unicode()))
                    << Units(p).toStdString();
                ++i;
            } else {
                EXPECT_FALSE(QChar::isLowSurrogate(u)) << Units(p).toStdString();
            }
        }
    }
}

TEST(ReportPassword, AProtectedTemplateRoundTripsThroughTheFile) {
    const QString passwords[] = {"abc", " (x)", QString::fromUtf16(u"\xE001\xD83D\xDC03\n"),
                                 QString::fromUcs4(U"\U00010001k")};
    for (const QString& pw : passwords) {
        auto author = NewQuietReport();
        author->ReportOptions()->SetPassword(pw);
        author->ReportOptions()->SetName("Secret");
        const QByteArray text = SaveReport(*author);
        EXPECT_TRUE(text.contains("ReportOptions.Password=\"")) << text.toStdString();
        EXPECT_FALSE(text.contains("ReportOptions.Password=\"\""));
        EXPECT_EQ(author->ReportOptions()->Password(), pw);

        // Another report object asks, and the right answer opens it.
        Questions q;
        q.Password(pw);
        auto reader = NewQuietReport();
        LoadReport(*reader, text);
        EXPECT_EQ(reader->ReportOptions()->Password(), pw) << Units(pw).toStdString();
        EXPECT_EQ(reader->ReportOptions()->Name(), "Secret");
        EXPECT_EQ(reader->Errors()->Count(), 0) << reader->Errors()->Text().toStdString();
        // The object that saved it, and the one that accepted it, are not asked again.
        LoadReport(*author, text);
        LoadReport(*reader, text);
        EXPECT_EQ(author->ReportOptions()->Name(), "Secret");
    }
}

TEST(ReportPassword, AWrongAnswerLeavesAnEmptyReport) {
    auto author = NewQuietReport();
    author->ReportOptions()->SetPassword("Pw");
    new TTestPage(author.get());
    const QByteArray text = SaveReport(*author);
    Questions q;
    q.Password("pw"); // letter case counts
    auto reader = NewQuietReport();
    LoadReport(*reader, text);
    EXPECT_EQ(reader->PagesCount(), 0);
    EXPECT_TRUE(reader->ReportOptions()->Password().isEmpty());
    EXPECT_NE(reader->Errors()->IndexOf("Invalid password"), -1);
}

// ---------------------------------------------------------------------------------------------
// The data page

TEST(ReportDataPage, ATemplateWithoutOneGetsItFirstWithItsDatasetsOnIt) {
    auto r = NewQuietReport();
    LoadReport(*r, Template(R"(<TTestPage Name="Page1"><TrptUserDataSet Name="Customers" UserName="Customers"/>
        <TTestBand Name="Band1"><TrptUserDataSet Name="Orders" UserName="Orders"/></TTestBand></TTestPage>)")
                       .toUtf8());
    ASSERT_EQ(r->PagesCount(), 2);
    TrptComponent* data = r->Pages(0);
    EXPECT_EQ(data->ClassName(), "TrptDataPage");
    EXPECT_EQ(data->Name(), "Data");
    ASSERT_EQ(data->Objects().size(), 2u);
    EXPECT_EQ(data->Objects()[0]->Name(), "Customers");
    EXPECT_EQ(data->Objects()[0]->Left(), 60);
    EXPECT_EQ(data->Objects()[1]->Left(), 124);
    EXPECT_EQ(data->Objects()[1]->Top(), 20);
    EXPECT_TRUE(r->FindObject("Band1")->Objects().empty());

    // A report that has one is left alone; a name taken gives a numbered one.
    r->CheckDataPage();
    EXPECT_EQ(r->PagesCount(), 2);
    LoadReport(*r, Template(R"(<TTestPage Name="Data"/>)").toUtf8());
    ASSERT_EQ(r->PagesCount(), 2);
    EXPECT_EQ(r->Pages(0)->ClassName(), "TrptDataPage");
    EXPECT_EQ(r->Pages(0)->Name(), "DataPage1"); // the class name without "Trpt"
}

// ---------------------------------------------------------------------------------------------
// Datasets

TEST(ReportDataSets, LookupsByUserName) {
    TComponent window;
    auto* customers = new TrptUserDataSet(&window);
    customers->SetUserName("Customers");
    auto* orders = new TrptUserDataSet(&window);
    orders->SetUserName("Orders");
    auto* unlisted = new TrptUserDataSet(&window);
    unlisted->SetUserName("Unlisted");
    auto r = NewQuietReport();
    r->DataSets()->Add(customers);
    r->DataSets()->Add(orders);

    TrptDataSet* ds = nullptr;
    QString field;
    r->GetDatasetAndField("customers.\"Name\"", ds, field);
    EXPECT_EQ(ds, customers);
    EXPECT_EQ(field, "Name");
    r->GetDatasetAndField("Customers.Name", ds, field);
    EXPECT_EQ(ds, nullptr);
    EXPECT_TRUE(field.isEmpty());
    EXPECT_EQ(r->GetDataset("ORDERS"), orders);
    EXPECT_EQ(r->GetDataset("Nope"), nullptr);
    EXPECT_EQ(r->GetAlias(orders), "Orders");
    EXPECT_EQ(r->GetAlias(unlisted), GlobalResources()->Get("clDSNotIncl"));
    EXPECT_EQ(r->GetAlias(nullptr), "");
    TStringList list;
    r->GetDataSetList(&list);
    EXPECT_EQ(list.CommaText(), "Customers,Orders");
    EXPECT_EQ(list.Objects(1), orders);
    r->GetDataSetList(&list, true); // user datasets are not database ones
    EXPECT_EQ(list.Count(), 0);
    r->GetActiveDataSetList(&list);
    EXPECT_GE(list.IndexOf("Unlisted"), 0);

    // The main dataset by user name, through the process-wide list or the report's own entries.
    r->SetDataSetName("orders");
    EXPECT_EQ(r->DataSet(), orders);
    EXPECT_EQ(r->DataSetName(), "Orders");
    r->EngineOptions()->SetUseGlobalDataSetList(false);
    r->SetDataSetName("Unlisted");
    EXPECT_EQ(r->DataSet(), nullptr);
    EXPECT_EQ(r->DataSetName(), "Unlisted");
    r->SetDataSetName("Customers");
    EXPECT_EQ(r->DataSet(), customers);
}

TEST(ReportDataSets, TheTemplatesListNamesTheApplicationsDataset) {
    // The shell binds its query result as "Report"; loading clears the report's list and the
    // template's own list finds the dataset again by that name.
    TComponent window;
    auto* app = new TrptUserDataSet(&window);
    app->SetName("ReportDataSet");
    app->SetUserName("Report");
    auto author = NewQuietReport();
    author->DataSets()->Add(app);
    author->SetDataSet(app);
    const QByteArray text = SaveReport(*author);

    Questions none;
    auto r = NewReport();
    r->DataSets()->Add(app);
    LoadReport(*r, text);
    ASSERT_EQ(r->DataSets()->Count(), 1);
    EXPECT_EQ(r->DataSets()->Items(0)->DataSet(), app);
    EXPECT_EQ(r->DataSet(), app);

    // The dataset going away leaves the report's list and its main dataset.
    delete app;
    EXPECT_EQ(r->DataSets()->Count(), 0);
    EXPECT_EQ(r->DataSet(), nullptr);
    EXPECT_EQ(r->DataSetName(), "Report");
}

TEST(ReportDataSets, ADatasetOnADataPageLeavesTheReportWhenFreed) {
    auto r = NewQuietReport();
    LoadReport(*r, Template(R"(<TrptDataPage Name="Data"><TrptUserDataSet Name="Local" UserName="Local"/></TrptDataPage>)")
                       .toUtf8());
    auto* local = dynamic_cast<TrptDataSet*>(r->FindObject("Local"));
    ASSERT_NE(local, nullptr);
    r->DataSets()->Add(local);
    r->SetDataSet(local);
    delete local;
    EXPECT_EQ(r->DataSets()->Count(), 0);
    EXPECT_EQ(r->DataSet(), nullptr);
}

TEST(ReportAssign, AnObjectTakesAnothersPropertiesButNotItsNameOrChildren) {
    auto r = NewQuietReport();
    auto* band = new TTestBand(r.get());
    auto* a = new TTestMemo(band);
    a->SetName("A");
    a->SetBounds(1, 2, 3, 4);
    a->SetXMLText("text");
    a->Frame()->SetColor(clRed);
    a->Font()->SetName("Liberation Mono");
    auto* b = new TTestMemo(band);
    b->SetName("B");
    b->Assign(a);
    EXPECT_EQ(b->Name(), "B");
    EXPECT_EQ(b->Text(), "text");
    EXPECT_EQ(b->Width(), 3);
    EXPECT_EQ(b->Frame()->Color(), clRed);
    EXPECT_EQ(b->Font()->Name(), "Liberation Mono");

    // With its children, into another report.
    auto other = NewQuietReport();
    auto* copy = new TTestBand(other.get());
    copy->AssignAll(band);
    ASSERT_EQ(copy->Objects().size(), 2u);
    EXPECT_EQ(copy->Objects()[0]->Name(), "A");
    EXPECT_EQ(static_cast<TTestMemo*>(copy->Objects()[0])->Text(), "text");
    // Within the same report the elements name existing objects, which are updated in place.
    auto* same = new TTestBand(r.get());
    same->AssignAll(band);
    EXPECT_TRUE(same->Objects().empty());
    EXPECT_EQ(r->FindObject("A")->Parent(), band);

    TTestFrame frame;
    EXPECT_THROW(b->Assign(&frame), EConvertError);
}
