#include "ReportOptsHelpers.h"

#include "report/core/rptRes.h"

#include "platform/rtl/SysUtils.h"
#include "platform/ui/ExtCtrls.h"

#include <QGuiApplication>

namespace {

// One published property and what a fresh object holds in it (enumerations by name, sets as
// their bits, floats and texts as they are).
struct TDefaultCase {
    const char* Property;
    Variant Expected;
};

std::unique_ptr<TObject> Fresh(const TClassInfo* cls) { return cls->Create(); }

void ExpectDefaults(const TClassInfo* cls, const std::vector<TDefaultCase>& cases) {
    auto obj = Fresh(cls);
    for (const auto& c : cases) {
        SCOPED_TRACE(cls->ClassName().toStdString() + "." + c.Property);
        const TPropInfo* prop = cls->FindProp(QString::fromLatin1(c.Property));
        ASSERT_NE(prop, nullptr);
        // Dates (the moment of creation) and pictures are checked on their own.
        if (c.Expected.IsEmpty()) continue;
        const Variant actual = prop->Kind() == tkSet ? Variant(static_cast<long long>(GetOrdProp(obj.get(), prop)))
                                                     : GetPropValue(obj.get(), prop);
        EXPECT_EQ(actual.ToString(), c.Expected.ToString());
    }
    // Every published property is in the table, and every declared default is what the
    // constructor gives: a template then writes exactly the values that differ.
    EXPECT_EQ(static_cast<size_t>(cls->PropCount()), cases.size());
    for (const TPropInfo* prop : cls->Props()) {
        if (prop->HasDefault()) {
            EXPECT_TRUE(IsDefaultPropValue(obj.get(), prop)) << prop->Name().toStdString();
        }
    }
}

QStringList PropertyNames(const TClassInfo* cls) {
    QStringList names;
    for (const TPropInfo* p : cls->Props())
        names << p->Name();
    return names;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Defaults

TEST(OptionDefaults, ReportOptions) {
    ExpectDefaults(TrptReportOptions::StaticClassInfo(), {{"Author", QString()},
                                                         {"Compressed", QStringLiteral("False")},
                                                         {"ConnectionName", QString()},
                                                         {"CreateDate", Variant()},
                                                         {"Description", QString()},
                                                         {"InitString", QString()},
                                                         {"Name", QString()},
                                                         {"LastChange", Variant()},
                                                         {"Password", QString()},
                                                         {"Picture", Variant()},
                                                         {"VersionBuild", QString()},
                                                         {"VersionMajor", QString()},
                                                         {"VersionMinor", QString()},
                                                         {"VersionRelease", QString()}});
}

TEST(OptionDefaults, ReportOptionsDatesAreTheMomentOfCreation) {
    const TDateTime before = Now();
    TrptReportOptions o;
    const TDateTime after = Now();
    EXPECT_GE(o.CreateDate(), before);
    EXPECT_LE(o.CreateDate(), after);
    EXPECT_EQ(o.LastChange(), o.CreateDate());
    EXPECT_FALSE(o.Info());
    EXPECT_TRUE(o.HiddenPassword().isEmpty());
    EXPECT_EQ(o.Report(), nullptr);
}

TEST(OptionDefaults, PreviewOptions) {
    ExpectDefaults(TrptPreviewOptions::StaticClassInfo(), {{"AllowEdit", QStringLiteral("True")},
                                                          {"Buttons", 4095LL},
                                                          {"DoubleBuffered", QStringLiteral("True")},
                                                          {"Maximized", QStringLiteral("True")},
                                                          {"MDIChild", QStringLiteral("False")},
                                                          {"Modal", QStringLiteral("True")},
                                                          {"OutlineExpand", QStringLiteral("True")},
                                                          {"OutlineVisible", QStringLiteral("False")},
                                                          {"OutlineWidth", 120LL},
                                                          {"PagesInCache", 50LL},
                                                          {"ShowCaptions", QStringLiteral("False")},
                                                          {"ThumbnailVisible", QStringLiteral("False")},
                                                          {"Zoom", 1.0},
                                                          {"ZoomMode", QStringLiteral("zmDefault")},
                                                          {"PictureCacheInFile", QStringLiteral("False")}});
    TrptPreviewOptions o;
    EXPECT_FALSE(o.RTLPreview());
    EXPECT_TRUE(o.Buttons().Contains(pbExportQuick));
    EXPECT_FALSE(o.Buttons().Contains(pbNoClose));
    EXPECT_FALSE(o.Buttons().Contains(pbNoFullScreen));
    EXPECT_FALSE(o.Buttons().Contains(pbNoEmail));
}

TEST(OptionDefaults, PrintOptions) {
    ExpectDefaults(TrptPrintOptions::StaticClassInfo(), {{"Copies", 1LL},
                                                        {"Collate", QStringLiteral("True")},
                                                        {"PageNumbers", QString()},
                                                        {"Printer", QStringLiteral("Default")},
                                                        {"PrintMode", QStringLiteral("pmDefault")},
                                                        {"PrintOnSheet", 0LL},
                                                        {"PrintPages", QStringLiteral("ppAll")},
                                                        {"Reverse", QStringLiteral("False")},
                                                        {"ShowDialog", QStringLiteral("True")},
                                                        {"SwapPageSize", QStringLiteral("False")}});
    TrptPrintOptions o;
    EXPECT_EQ(o.PagesOnSheet(), 0);
    EXPECT_TRUE(o.PrnOutFileName().isEmpty());
    EXPECT_EQ(o.Duplex(), dmNone);
    EXPECT_EQ(o.SplicingLine(), 3);
}

TEST(OptionDefaults, EngineOptions) {
    ExpectDefaults(TrptEngineOptions::StaticClassInfo(), {{"ConvertNulls", QStringLiteral("True")},
                                                         {"DoublePass", QStringLiteral("False")},
                                                         {"MaxMemSize", 10LL},
                                                         {"PrintIfEmpty", QStringLiteral("True")},
                                                         {"SilentMode", QStringLiteral("False")},
                                                         {"NewSilentMode", QStringLiteral("simMessageBoxes")},
                                                         {"TempDir", QString()},
                                                         {"UseFileCache", QStringLiteral("False")},
                                                         {"IgnoreDevByZero", QStringLiteral("False")}});
    TrptEngineOptions o;
    EXPECT_TRUE(o.DestroyForms());
    EXPECT_FALSE(o.EnableThreadSafe());
    EXPECT_TRUE(o.UseGlobalDataSetList());
    EXPECT_EQ(o.ReportThread(), nullptr);
}

TEST(OptionDefaults, StoredRules) {
    TrptPrintOptions print;
    // SwapPageSize is never stored; PrintOnSheet has no declared default, so it always is.
    EXPECT_FALSE(IsStoredProp(&print, QStringLiteral("SwapPageSize")));
    const TPropInfo* onSheet = GetPropInfo(&print, QStringLiteral("PrintOnSheet"));
    ASSERT_NE(onSheet, nullptr);
    EXPECT_FALSE(onSheet->HasDefault());
    // The option objects are found by name, as templates name them.
    RegisterOptionClasses();
    RegisterOptionClasses();
    for (const char* name : {"TrptReportOptions", "TrptPreviewOptions", "TrptPrintOptions", "TrptEngineOptions"})
        EXPECT_NE(GetClass(QString::fromLatin1(name)), nullptr) << name;
    EXPECT_EQ(PropertyNames(TrptEngineOptions::StaticClassInfo()).indexOf("ReportThread"), -1);
    EXPECT_EQ(PropertyNames(TrptPreviewOptions::StaticClassInfo()).indexOf("RTLPreview"), -1);
}

TEST(OptionDefaults, PrinterDefaultIsTheStringTableText) {
    GlobalResources()->Add(QStringLiteral("prDefault"), QStringLiteral("Standard"));
    TrptPrintOptions o;
    EXPECT_EQ(o.Printer(), QStringLiteral("Standard"));
    GlobalResources()->Add(QStringLiteral("prDefault"), QStringLiteral("Default"));
    o.Clear();
    EXPECT_EQ(o.Printer(), QStringLiteral("Default"));
}

TEST(OptionDefaults, SilentModeIsABooleanViewOfTheMode) {
    struct {
        TrptSilentMode Before;
        bool Written;
        TrptSilentMode After;
    } cases[] = {{simReThrow, false, simMessageBoxes},
                 {simReThrow, true, simSilent},
                 {simSilent, false, simMessageBoxes},
                 {simMessageBoxes, true, simSilent}};
    for (const auto& c : cases) {
        TrptEngineOptions o;
        o.SetNewSilentMode(c.Before);
        SetPropValue(&o, QStringLiteral("SilentMode"), Variant(c.Written));
        EXPECT_EQ(o.NewSilentMode(), c.After);
        EXPECT_EQ(o.SilentMode(), c.After == simSilent);
    }
    TrptEngineOptions o;
    o.SetNewSilentMode(simReThrow);
    EXPECT_FALSE(o.SilentMode());
}

// ---------------------------------------------------------------------------------------------
// Clear and Assign


TEST(OptionClear, ReportOptionsEmptyEverythingWithoutInfo) {
    TrptReportOptions o;
    FillReportOptions(o);
    const TDateTime before = Now();
    o.Clear();
    EXPECT_TRUE(o.Author().isEmpty());
    EXPECT_FALSE(o.Compressed());
    EXPECT_TRUE(o.ConnectionName().isEmpty());
    EXPECT_GE(o.CreateDate(), before);
    EXPECT_GE(o.LastChange(), before);
    EXPECT_EQ(o.Description()->Count(), 0);
    EXPECT_TRUE(o.InitString().isEmpty());
    EXPECT_TRUE(o.Name().isEmpty());
    EXPECT_TRUE(o.Password().isEmpty());
    EXPECT_EQ(o.Picture()->Graphic(), nullptr);
    EXPECT_TRUE(o.VersionBuild().isEmpty() && o.VersionMajor().isEmpty() && o.VersionMinor().isEmpty() &&
                o.VersionRelease().isEmpty());
}

TEST(OptionClear, ReportOptionsWithInfoKeepTheInformation) {
    TrptReportOptions o;
    FillReportOptions(o);
    o.SetInfo(true);
    o.SetPrevPassword("secret");
    o.Clear();
    EXPECT_EQ(o.Author(), "Ann");
    EXPECT_TRUE(o.Compressed());
    EXPECT_EQ(o.CreateDate(), 100.5);
    EXPECT_EQ(o.LastChange(), 200.25);
    EXPECT_EQ(o.Description()->Count(), 2);
    ASSERT_NE(o.Picture()->Graphic(), nullptr);
    EXPECT_EQ(o.Picture()->Width(), 3);
    EXPECT_EQ(o.VersionMajor(), "1");
    EXPECT_EQ(o.VersionRelease(), "3");
    // Name, connection, initialisation text and passwords go even then.
    EXPECT_TRUE(o.Name().isEmpty());
    EXPECT_TRUE(o.ConnectionName().isEmpty());
    EXPECT_TRUE(o.InitString().isEmpty());
    EXPECT_TRUE(o.Password().isEmpty());
    // PrevPassword was cleared too: the same password asks again.
    TUIServicesScope ui(FailOnQuestion);
    AnswerPassword(ui.Services(), "secret", true);
    o.SetPassword("secret");
    EXPECT_TRUE(o.CheckPassword());
    EXPECT_EQ(ui->Pending(), 0);
}

TEST(OptionClear, PreviewOptionsResetOnlyPanesAndCache) {
    TrptPreviewOptions o;
    o.SetOutlineExpand(false);
    o.SetOutlineVisible(true);
    o.SetOutlineWidth(300);
    o.SetPagesInCache(7);
    o.SetThumbnailVisible(true);
    o.SetModal(false);
    o.SetMaximized(false);
    o.SetZoom(2.5);
    o.SetZoomMode(zmManyPages);
    o.SetButtons(TrptPreviewButtons{pbPrint});
    o.Clear();
    EXPECT_TRUE(o.OutlineExpand());
    EXPECT_FALSE(o.OutlineVisible());
    EXPECT_EQ(o.OutlineWidth(), 120);
    EXPECT_EQ(o.PagesInCache(), 50);
    EXPECT_FALSE(o.ThumbnailVisible());
    // The host's choices stay.
    EXPECT_FALSE(o.Modal());
    EXPECT_FALSE(o.Maximized());
    EXPECT_EQ(o.Zoom(), 2.5);
    EXPECT_EQ(o.ZoomMode(), zmManyPages);
    EXPECT_EQ(o.Buttons().ToInt(), 1u);
}

TEST(OptionClear, PrintOptionsKeepSwapAndOutputFile) {
    TrptPrintOptions o;
    o.SetCopies(3);
    o.SetCollate(false);
    o.SetPageNumbers("1-3");
    o.SetPagesOnSheet(4);
    o.SetPrinter("Laser");
    o.SetPrintMode(pmScale);
    o.SetPrintOnSheet(9);
    o.SetPrintPages(ppEven);
    o.SetReverse(true);
    o.SetShowDialog(false);
    o.SetSplicingLine(8);
    o.SetDuplex(dmVertical);
    o.SetSwapPageSize(true);
    o.SetPrnOutFileName("/tmp/out.prn");
    o.Clear();
    EXPECT_EQ(o.Copies(), 1);
    EXPECT_TRUE(o.Collate());
    EXPECT_TRUE(o.PageNumbers().isEmpty());
    EXPECT_EQ(o.PagesOnSheet(), 0);
    EXPECT_EQ(o.Printer(), "Default");
    EXPECT_EQ(o.PrintMode(), pmDefault);
    EXPECT_EQ(o.PrintOnSheet(), 0);
    EXPECT_EQ(o.PrintPages(), ppAll);
    EXPECT_FALSE(o.Reverse());
    EXPECT_TRUE(o.ShowDialog());
    EXPECT_EQ(o.SplicingLine(), 3);
    EXPECT_EQ(o.Duplex(), dmNone);
    EXPECT_TRUE(o.SwapPageSize());
    EXPECT_EQ(o.PrnOutFileName(), "/tmp/out.prn");
}

TEST(OptionClear, EngineOptionsKeepTheHostsSettings) {
    TrptEngineOptions o;
    o.SetConvertNulls(false);
    o.SetIgnoreDevByZero(true);
    o.SetDoublePass(true);
    o.SetMaxMemSize(100);
    o.SetPrintIfEmpty(false);
    o.SetNewSilentMode(simReThrow);
    o.SetTempDir("/var/tmp");
    o.SetUseFileCache(true);
    o.SetUseGlobalDataSetList(false);
    o.SetEnableThreadSafe(true);
    o.SetDestroyForms(false);
    o.Clear();
    EXPECT_TRUE(o.ConvertNulls());
    EXPECT_FALSE(o.IgnoreDevByZero());
    EXPECT_FALSE(o.DoublePass());
    EXPECT_EQ(o.MaxMemSize(), 100);
    EXPECT_FALSE(o.PrintIfEmpty());
    EXPECT_EQ(o.NewSilentMode(), simReThrow);
    EXPECT_EQ(o.TempDir(), "/var/tmp");
    EXPECT_TRUE(o.UseFileCache());
    EXPECT_FALSE(o.UseGlobalDataSetList());
    EXPECT_TRUE(o.EnableThreadSafe());
    EXPECT_FALSE(o.DestroyForms());
}

TEST(OptionAssign, ReportOptionsCopyTheStoredFieldsOnly) {
    TrptReportOptions source;
    FillReportOptions(source);
    source.SetHiddenPassword("host");
    source.SetInfo(true);
    TrptReportOptions o;
    o.SetHiddenPassword("mine");
    o.Assign(&source);
    EXPECT_EQ(o.Author(), "Ann");
    EXPECT_TRUE(o.Compressed());
    EXPECT_EQ(o.ConnectionName(), "Main");
    EXPECT_EQ(o.CreateDate(), 100.5);
    EXPECT_EQ(o.LastChange(), 200.25);
    EXPECT_EQ(o.Description()->Text(), source.Description()->Text());
    EXPECT_EQ(o.InitString(), "init");
    EXPECT_EQ(o.Name(), "Orders");
    EXPECT_EQ(o.Password(), "secret");
    EXPECT_EQ(o.Picture()->Width(), 3);
    EXPECT_EQ(o.VersionBuild(), "4");
    EXPECT_EQ(o.VersionMinor(), "2");
    EXPECT_EQ(o.HiddenPassword(), "mine");
    EXPECT_FALSE(o.Info());
    // A copy owns its lists.
    source.Description()->Clear();
    EXPECT_EQ(o.Description()->Count(), 2);
}

TEST(OptionAssign, PreviewOptionsCopyEveryField) {
    TrptPreviewOptions source;
    source.SetAllowEdit(false);
    source.SetButtons(TrptPreviewButtons{pbPrint, pbNoEmail});
    source.SetDoubleBuffered(false);
    source.SetMaximized(false);
    source.SetMDIChild(true);
    source.SetModal(false);
    source.SetOutlineExpand(false);
    source.SetOutlineVisible(true);
    source.SetOutlineWidth(10);
    source.SetPagesInCache(2);
    source.SetShowCaptions(true);
    source.SetThumbnailVisible(true);
    source.SetZoom(0.5);
    source.SetZoomMode(zmPageWidth);
    source.SetPictureCacheInFile(true);
    source.SetRTLPreview(true);
    TrptPreviewOptions o;
    o.Assign(&source);
    for (const TPropInfo* p : TrptPreviewOptions::StaticClassInfo()->Props())
        EXPECT_EQ(GetPropValue(&o, p).ToString(), GetPropValue(&source, p).ToString()) << p->Name().toStdString();
    EXPECT_TRUE(o.RTLPreview());
}

TEST(OptionAssign, PrintOptionsLeaveDuplexAndOutput) {
    TrptPrintOptions source;
    source.SetCopies(4);
    source.SetCollate(false);
    source.SetPageNumbers("2,4");
    source.SetPagesOnSheet(2);
    source.SetPrinter("Laser");
    source.SetPrintMode(pmJoin);
    source.SetPrintOnSheet(9);
    source.SetPrintPages(ppOdd);
    source.SetReverse(true);
    source.SetShowDialog(false);
    source.SetSplicingLine(6);
    source.SetDuplex(dmHorizontal);
    source.SetSwapPageSize(true);
    source.SetPrnOutFileName("out.prn");
    TrptPrintOptions o;
    o.Assign(&source);
    EXPECT_EQ(o.Copies(), 4);
    EXPECT_FALSE(o.Collate());
    EXPECT_EQ(o.PageNumbers(), "2,4");
    EXPECT_EQ(o.Printer(), "Laser");
    EXPECT_EQ(o.PrintMode(), pmJoin);
    EXPECT_EQ(o.PrintOnSheet(), 9);
    EXPECT_EQ(o.PrintPages(), ppOdd);
    EXPECT_TRUE(o.Reverse());
    EXPECT_FALSE(o.ShowDialog());
    EXPECT_EQ(o.SplicingLine(), 6);
    EXPECT_EQ(o.PagesOnSheet(), 0);
    EXPECT_EQ(o.Duplex(), dmNone);
    EXPECT_FALSE(o.SwapPageSize());
    EXPECT_TRUE(o.PrnOutFileName().isEmpty());
}

TEST(OptionAssign, EngineOptionsLeaveTheHostSwitches) {
    TrptEngineOptions source;
    source.SetConvertNulls(false);
    source.SetDoublePass(true);
    source.SetMaxMemSize(64);
    source.SetPrintIfEmpty(false);
    source.SetNewSilentMode(simSilent);
    source.SetTempDir("/t");
    source.SetUseFileCache(true);
    source.SetIgnoreDevByZero(true);
    source.SetDestroyForms(false);
    source.SetEnableThreadSafe(true);
    source.SetUseGlobalDataSetList(false);
    TrptEngineOptions o;
    o.Assign(&source);
    EXPECT_FALSE(o.ConvertNulls());
    EXPECT_TRUE(o.DoublePass());
    EXPECT_EQ(o.MaxMemSize(), 64);
    EXPECT_FALSE(o.PrintIfEmpty());
    EXPECT_EQ(o.NewSilentMode(), simSilent);
    EXPECT_EQ(o.TempDir(), "/t");
    EXPECT_TRUE(o.UseFileCache());
    EXPECT_TRUE(o.IgnoreDevByZero());
    EXPECT_TRUE(o.DestroyForms());
    EXPECT_FALSE(o.EnableThreadSafe());
    EXPECT_TRUE(o.UseGlobalDataSetList());
}

TEST(OptionAssign, FromAnotherClassNothingHappens) {
    TrptPrintOptions print;
    print.SetCopies(5);
    TrptEngineOptions engine;
    engine.SetMaxMemSize(77);
    TrptPreviewOptions preview;
    preview.SetZoom(3);
    TrptReportOptions report;
    report.SetName("r");
    // Each kind of option object ignores every other kind.
    std::vector<TPersistent*> all{&print, &engine, &preview, &report};
    for (TPersistent* dest : all)
        for (TPersistent* source : all)
            if (dest != source) {
                EXPECT_NO_THROW(dest->Assign(source));
            }
    EXPECT_EQ(print.Copies(), 5);
    EXPECT_EQ(engine.MaxMemSize(), 77);
    EXPECT_EQ(preview.Zoom(), 3.0);
    EXPECT_EQ(report.Name(), "r");
    EXPECT_NO_THROW(print.Assign(nullptr));
}

// ---------------------------------------------------------------------------------------------
// The password question

TEST(PasswordWindow, LooksAsDescribed) {
    TrptPasswordForm form(nullptr);
    EXPECT_EQ(form.Name(), "rptPasswordForm");
    EXPECT_EQ(form.Caption(), "Password");
    EXPECT_EQ(form.PasswordL->Caption(), "Enter the password:");
    EXPECT_EQ(form.OkB->Caption(), "OK");
    EXPECT_EQ(form.CancelB->Caption(), "Cancel");
    EXPECT_EQ(form.ClientWidth(), 252);
    EXPECT_EQ(form.ClientHeight(), 92);
    EXPECT_EQ(form.PasswordE->PasswordChar(), QChar('*'));
    EXPECT_EQ(form.FormBorderStyle(), bsDialog);
    EXPECT_EQ(form.Position(), poScreenCenter);
    EXPECT_TRUE(form.OkB->Default());
    EXPECT_TRUE(form.CancelB->Cancel());
    EXPECT_EQ(form.OkB->ModalResult(), mrOk);
    EXPECT_EQ(form.CancelB->ModalResult(), mrCancel);
    EXPECT_EQ(form.PasswordE->Left(), 88);
    EXPECT_EQ(form.PasswordE->Top(), 28);
    EXPECT_EQ(form.CancelB->Left(), 168);
}

TEST(PasswordWindow, MirroredForRightToLeft) {
    QGuiApplication::setLayoutDirection(Qt::RightToLeft);
    TrptPasswordForm form(nullptr);
    QGuiApplication::setLayoutDirection(Qt::LeftToRight);
    EXPECT_EQ(form.OkB->Left(), 252 - 88 - 75);
    EXPECT_EQ(form.CancelB->Left(), 252 - 168 - 75);
    EXPECT_EQ(form.PasswordE->Left(), 252 - 88 - 157);
    EXPECT_EQ(form.Image->Left(), 252 - 8 - 32);
    EXPECT_EQ(form.OkB->Top(), 60);
}

TEST(PasswordCheck, AnswersWithoutAQuestion) {
    TUIServicesScope ui(FailOnQuestion);
    struct {
        const char* Password;
        const char* Prev;
        const char* Hidden;
    } cases[] = {{"", "", ""}, {"", "x", "y"}, {"secret", "secret", ""}, {"secret", "", "secret"}};
    for (const auto& c : cases) {
        TrptReportOptions o;
        o.SetPassword(c.Password);
        o.SetPrevPassword(c.Prev);
        o.SetHiddenPassword(c.Hidden);
        EXPECT_TRUE(o.CheckPassword()) << c.Password << "/" << c.Prev << "/" << c.Hidden;
    }
    EXPECT_TRUE(ui->Asked().isEmpty());
}

TEST(PasswordCheck, TypedAnswers) {
    struct {
        const char* Typed;
        bool Ok;
        bool Accepted;
    } cases[] = {
        {"Secret", true, true},   // right
        {"secret", true, false},  // letter case counts
        {"Secrets", true, false}, // wrong
        {"", true, false},        // nothing typed
        {"Secret", false, false}, // cancelled, even with the right text
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Typed) + (c.Ok ? " OK" : " Cancel"));
        TUIServicesScope ui(FailOnQuestion);
        AnswerPassword(ui.Services(), c.Typed, c.Ok);
        if (!c.Accepted) ui->AnswerMessage(mrOk, QStringLiteral("Invalid password"));
        TrptReportOptions o;
        o.SetPassword("Secret");
        EXPECT_EQ(o.CheckPassword(), c.Accepted);
        EXPECT_EQ(ui->Pending(), 0);
        if (!c.Accepted) {
            ASSERT_EQ(ui->Messages().size(), 1u);
            EXPECT_EQ(ui->Messages()[0].Text,
                      GlobalResources()->Get("clErrors") + QStringLiteral("\r\nInvalid password\r\n"));
        }
        // An accepted password is remembered: the same object does not ask again.
        if (c.Accepted) {
            EXPECT_TRUE(o.CheckPassword());
        }
    }
}

TEST(PasswordCheck, ARefusalIsNotRemembered) {
    TUIServicesScope ui(FailOnQuestion);
    AnswerPassword(ui.Services(), "wrong", true);
    ui->AnswerMessage(mrOk);
    AnswerPassword(ui.Services(), "pw", true);
    TrptReportOptions o;
    o.SetPassword("pw");
    EXPECT_FALSE(o.CheckPassword());
    EXPECT_TRUE(o.CheckPassword());
    EXPECT_EQ(ui->Pending(), 0);
}

