// Every dialog control class and the dialog page keep every published property through a
// template save and load; renaming follows the caption only while it shows the name; a stored
// client size wins over the stored outer size.

#include "platform/gfx/Canvas.h"
#include "platform/gfx/Picture.h"
#include "platform/rtl/Streams.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptDataSets.h"
#include "report/core/rptDialogControls.h"
#include "report/core/rptDialogPage.h"
#include "tests/common/ReportRoundTrip.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>

namespace {

QByteArray Save(TrptReport& report) {
    TMemoryStream ms;
    report.SaveToStream(ms);
    return ms.Bytes();
}

void Load(TrptReport& report, const QByteArray& text) {
    TBytesStream ms(text);
    report.LoadFromStream(ms);
}

std::unique_ptr<TrptReport> NewReport() {
    auto r = std::make_unique<TrptReport>();
    r->EngineOptions()->SetNewSilentMode(simSilent);
    r->CheckDataPage();
    return r;
}

} // namespace

TEST(DialogRoundTrip, EveryClassKeepsEveryPublishedProperty) {
    std::vector<const TClassInfo*> classes = DialogControlClasses();
    classes.push_back(TrptDialogPage::StaticClassInfo());
    for (const TClassInfo* cls : classes) {
        SCOPED_TRACE(cls->ClassName().toStdString());
        auto report = NewReport();
        ASSERT_EQ(GetClass(cls->ClassName()), cls) << "not registered";
        auto* page = new TrptDialogPage(report.get());
        page->SetName("DialogPage1");
        TrptComponent* obj = page;
        if (cls != TrptDialogPage::StaticClassInfo()) {
            obj = static_cast<TrptComponent*>(cls->CreateInstance(page));
            obj->SetName("Object1");
        }
        roundtrip::ChangeEverything(obj, report.get());
        const QByteArray saved = Save(*report);
        auto back = NewReport();
        Load(*back, saved);
        EXPECT_EQ(back->Errors()->Count(), 0) << back->Errors()->Text().toStdString();
        TrptComponent* loaded = back->FindObject(obj->Name());
        ASSERT_NE(loaded, nullptr) << saved.toStdString();
        EXPECT_EQ(loaded->ClassName(), cls->ClassName());
        roundtrip::CompareEverything(obj, loaded, QString());
        EXPECT_EQ(Save(*back), saved);
    }
}

TEST(DialogPage, StoredClientSizeWinsOverTheOuterSize) {
    auto report = NewReport();
    Load(*report, QByteArray(
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<TrptReport Version=\"4.15\">\n"
        "<TrptDialogPage Name=\"DialogPage1\" Width=\"100\" Height=\"50\" ClientWidth=\"300\" ClientHeight=\"120\"/>\n"
        "</TrptReport>\n"));
    auto* page = dynamic_cast<TrptDialogPage*>(report->FindObject("DialogPage1"));
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->DialogForm()->ClientWidth(), 300);
    EXPECT_EQ(page->DialogForm()->ClientHeight(), 120);
    EXPECT_DOUBLE_EQ(page->ClientWidth(), 300);
    EXPECT_GE(page->Width(), 300);
}

TEST(DialogControl, RenamingFollowsACaptionThatShowsTheName) {
    auto report = NewReport();
    auto* page = new TrptDialogPage(report.get());
    page->SetName("DialogPage1");
    auto* shown = new TrptButtonControl(page);
    shown->CreateUniqueName();
    EXPECT_EQ(shown->Name(), QStringLiteral("Button1"));
    EXPECT_EQ(shown->Caption(), QStringLiteral("Button1"));
    shown->SetName("OkButton");
    EXPECT_EQ(shown->Caption(), QStringLiteral("OkButton"));
    auto* edited = new TrptButtonControl(page);
    edited->SetName("Button2");
    edited->SetCaption("Cancel");
    edited->SetName("CancelButton");
    EXPECT_EQ(edited->Caption(), QStringLiteral("Cancel"));
    // The control sits on the page's window, and bounds reach it rounded.
    EXPECT_EQ(shown->Control()->Parent(), page->DialogForm());
    shown->SetBounds(10.4, 20.6, 80.5, 25);
    EXPECT_EQ(shown->Control()->Left(), 10);
    EXPECT_EQ(shown->Control()->Top(), 21);
    EXPECT_EQ(shown->Control()->Width(), 80);
}

// Radio buttons of one dialog page exclude each other; those of two reports waiting on the hidden
// holder form do not (a loaded copy used to clear its original).
TEST(DialogControl, RadioButtonsExcludeOnlyOnTheirOwnPage) {
    auto report = NewReport();
    auto* page = new TrptDialogPage(report.get());
    page->SetName("DialogPage1");
    auto* a = new TrptRadioButtonControl(page);
    auto* b = new TrptRadioButtonControl(page);
    a->SetChecked(true);
    b->SetChecked(true);
    EXPECT_FALSE(a->Checked());
    EXPECT_TRUE(b->Checked());

    auto first = NewReport();
    auto second = NewReport();
    auto* x = new TrptRadioButtonControl(first.get());
    auto* y = new TrptRadioButtonControl(second.get());
    ASSERT_EQ(x->Control()->Parent(), HiddenParentForm());
    ASSERT_EQ(y->Control()->Parent(), HiddenParentForm());
    x->SetChecked(true);
    y->SetChecked(true);
    EXPECT_TRUE(x->Checked());
    EXPECT_TRUE(y->Checked());
}

TEST(DialogControl, AKeyEmptiedByTheScriptIsSwallowed) {
    auto report = NewReport();
    auto* page = new TrptDialogPage(report.get());
    page->SetName("DialogPage1");
    page->SetOnKeyPress("PageKey");
    report->ScriptText()->SetText(
        "procedure PageKey(Sender: TrptComponent; var Key: String);\r\nbegin\r\n"
        "  if Key = 'x' then Key := '' else Key := 'Z';\r\nend;\r\n\r\nbegin\r\nend.");
    ASSERT_TRUE(report->PrepareScript()) << report->Errors()->Text().toStdString();
    QChar key = u'x';
    page->DoKeyPress(page->DialogForm(), key);
    EXPECT_TRUE(key.isNull());
    key = u'a';
    page->DoKeyPress(page->DialogForm(), key);
    EXPECT_EQ(key, QChar(u'Z'));
}

TEST(DialogPage, AControlOfAnUnknownClassLeavesThePageOutWhole) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath("params.de3");
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<TrptReport Version=\"4.15\">\n"
            "<TrptDialogPage Name=\"DialogPage1\">\n"
            "  <TrptEditControl Name=\"Edit1\" Text=\"North\"/>\n"
            "  <TrptSliderControl Name=\"Slider1\"><TrptButtonControl Name=\"Inner\"/></TrptSliderControl>\n"
            "  <TrptButtonControl Name=\"Button1\"/>\n"
            "</TrptDialogPage>\n"
            "<TrptDialogPage Name=\"DialogPage2\"><TrptEditControl Name=\"Edit2\"/></TrptDialogPage>\n"
            "<TrptReportPage Name=\"Page1\"/>\n"
            "</TrptReport>\n");
    f.close();
    auto report = NewReport();
    report->LoadFromFile(file);
    const QString errors = report->Errors()->Text();
    EXPECT_TRUE(errors.contains("TrptSliderControl")) << errors.toStdString();
    EXPECT_TRUE(errors.contains(file)) << errors.toStdString();
    EXPECT_TRUE(errors.contains("DialogPage1")) << errors.toStdString();
    // Nothing of that page stays; the rest of the template does.
    for (const char* gone : {"DialogPage1", "Edit1", "Inner", "Button1", "Slider1"})
        EXPECT_EQ(report->FindObject(gone), nullptr) << gone;
    EXPECT_NE(report->FindObject("DialogPage2"), nullptr);
    EXPECT_NE(report->FindObject("Edit2"), nullptr);
    EXPECT_NE(report->FindObject("Page1"), nullptr);
}

TEST(DialogControl, DrawsItsControlAtItsPlaceUnscaled) {
    auto report = NewReport();
    auto* page = new TrptDialogPage(report.get());
    page->SetName("DialogPage1");
    auto* edit = new TrptEditControl(page);
    edit->SetName("Edit1");
    edit->SetText("Hello there");
    edit->SetBounds(20.4, 10, 120, 22);
    QImage img(200, 60, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        TCanvas canvas(&img);
        // Scale and offset do not apply to dialog controls.
        edit->Draw(&canvas, 3, 3, 50, 50);
    }
    img.save(QDir::current().absoluteFilePath("dialogedit.png"));
    auto nonWhite = [&](int l, int t, int r, int b) {
        int n = 0;
        for (int y = t; y < b; ++y)
            for (int x = l; x < r; ++x)
                if (img.pixel(x, y) != qRgb(255, 255, 255)) ++n;
        return n;
    };
    EXPECT_GT(nonWhite(20, 10, 140, 32), 100);
    EXPECT_EQ(nonWhite(0, 0, 200, 10), 0);
    EXPECT_EQ(nonWhite(141, 0, 200, 60), 0);
    EXPECT_EQ(nonWhite(0, 33, 200, 60), 0);
}

TEST(DialogPage, CloseQueryAndKeysReachTheScript) {
    auto report = NewReport();
    auto* page = new TrptDialogPage(report.get());
    page->SetName("DialogPage1");
    auto* edit = new TrptEditControl(page);
    edit->SetName("Edit1");
    page->SetOnCloseQuery("PageCloseQuery");
    page->SetOnKeyDown("PageKeyDown");
    report->ScriptText()->SetText(
        "procedure PageCloseQuery(Sender: TrptComponent; var CanClose: Boolean);\r\nbegin\r\n"
        "  CanClose := Edit1.Text <> '';\r\nend;\r\n\r\n"
        "procedure PageKeyDown(Sender: TrptComponent; var Key: Word; Shift: Integer);\r\nbegin\r\n"
        "  if Shift = 4 then Key := 0 else Key := Key + 1;\r\nend;\r\n\r\nbegin\r\nend.");
    ASSERT_TRUE(report->PrepareScript()) << report->Errors()->Text().toStdString();
    bool canClose = true;
    edit->SetText("");
    page->DoCloseQuery(page->DialogForm(), canClose);
    EXPECT_FALSE(canClose);
    edit->SetText("x");
    page->DoCloseQuery(page->DialogForm(), canClose);
    EXPECT_TRUE(canClose);
    Word key = 65;
    page->DoKey(page->OnKeyDown(), page->DialogForm(), key, TShiftState{});
    EXPECT_EQ(key, 66);
    page->DoKey(page->OnKeyDown(), page->DialogForm(), key, TShiftState{ssCtrl});
    EXPECT_EQ(key, 0);
}

TEST(DialogPage, AThreadSafeReportsWindowKeepsThePlainDefaults) {
    auto report = NewReport();
    report->EngineOptions()->SetEnableThreadSafe(true);
    auto* page = new TrptDialogPage(report.get());
    EXPECT_TRUE(page->DialogForm()->ThreadSafe());
    EXPECT_EQ(page->Tag(), 0);
    auto plainReport = NewReport();
    auto* plain = new TrptDialogPage(plainReport.get());
    EXPECT_FALSE(plain->DialogForm()->ThreadSafe());
    EXPECT_EQ(plain->DialogForm()->Caption(), QStringLiteral(" "));
    EXPECT_EQ(plain->DialogForm()->ClientWidth(), 115);
}
