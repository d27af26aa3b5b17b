// The abstract bases through which a report drives its engine, prepared pages, outline, preview,
// export filters, wizards, designer, compressor and crypter.

#include "BasesTestClasses.h"

#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptUtils.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

struct TCall {
    const char* Name;
    std::function<void()> Run;
};

// Runs each call and expects the abstract-call error from it.
void ExpectAbstract(const std::vector<TCall>& calls) {
    for (const TCall& c : calls) {
        SCOPED_TRACE(c.Name);
        try {
            c.Run();
            ADD_FAILURE() << c.Name << " did not raise";
        } catch (const EAbstractError& e) {
            EXPECT_EQ(e.Message(), "Abstract Error");
            EXPECT_EQ(e.ClassName(), "EAbstractError");
        }
    }
}

class TBareOutline : public TrptCustomOutline {
public:
    using TrptCustomOutline::TrptCustomOutline;
    ~TBareOutline() override { ++Destroyed; }
    static inline int Destroyed = 0;
};

// Prepared pages whose constructor installs its outline, as the real ones do.
class TBarePreviewPages : public TrptCustomPreviewPages {
public:
    explicit TBarePreviewPages(TrptReport* AReport) : TrptCustomPreviewPages(AReport) {
        SetOutline(std::make_unique<TBareOutline>(this));
    }
};

class TBarePreview : public TrptCustomPreview {
public:
    using TrptCustomPreview::TrptCustomPreview;
};

// An engine that answers PageHeight by itself.
class TNotingEngine : public TrptCustomEngine {
public:
    using TrptCustomEngine::TrptCustomEngine;
    double GetPageHeight() const override { return 1000; }
};

// Prepared pages holding lists of objects, with the export loop's order of calls: dialog,
// begin-export event, Start, then per selected page StartPage, the objects and FinishPage, and
// Finish; an error ends the export after FinishPage and Finish and lands in the report's Errors.
class TListPreviewPages : public TrptCustomPreviewPages {
public:
    TListPreviewPages(TrptReport* AReport, std::vector<std::vector<TrptComponent*>> Pages)
        : TrptCustomPreviewPages(AReport), FPages(std::move(Pages)) {}

    int GetCount() override { return static_cast<int>(FPages.size()); }

    bool Export(TrptCustomExportFilter* Filter) override {
        Filter->SetCreationTime(Now());
        Filter->SetReport(Report());
        if (Filter->ShowDialog() && Filter->ShowModal() != mrOk) return false;
        if (Filter->CurPage()) Filter->SetPageNumbers(QString::number(CurPreviewPage() + 1));
        TStringList selected;
        const TrptPageSelection selection = ParsePageRanges(Filter->PageNumbers(), selected, GetCount());
        Report()->SetTerminated(false);
        Filter->DoBeginExport();
        if (!Filter->Start()) return false;
        bool ok = true;
        try {
            for (int i = 0; i < GetCount(); ++i) {
                if (selection != TrptPageSelection::AllPages && selected.IndexOf(QString::number(i + 1)) < 0)
                    continue;
                Filter->StartPage(nullptr, i);
                try {
                    for (TrptComponent* obj : FPages[static_cast<size_t>(i)])
                        Filter->ExportObject(obj);
                } catch (...) {
                    Filter->FinishPage(nullptr, i);
                    throw;
                }
                Filter->FinishPage(nullptr, i);
            }
        } catch (const Exception& e) {
            Report()->Errors()->Add(e.Message());
            ok = false;
        }
        Filter->Finish();
        return ok;
    }

private:
    std::vector<std::vector<TrptComponent*>> FPages;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Abstract operations

TEST(AbstractBases, EveryAbstractOperationRaisesTheAbstractCallError) {
    auto report = NewQuietReport();
    TrptCustomEngine engine(report.get());
    TBarePreviewPages pages(report.get());
    TrptCustomOutline outline(&pages);
    TBarePreview preview(nullptr);
    TTestBareFilter filter;
    TrptCustomDesigner designer(nullptr, report.get());
    TrptCustomWizard wizard(nullptr);
    TrptCustomCompressor compressor;
    TrptCustomCrypter crypter;
    TMemoryStream stream;
    QString text;
    int page = 0, top = 0;
    TCursor cursor = 0;

    ExpectAbstract({
        {"EndPage", [&] { engine.EndPage(); }},
        {"NewColumn", [&] { engine.NewColumn(); }},
        {"NewPage", [&] { engine.NewPage(); }},
        {"ShowBand(band)", [&] { engine.ShowBand(static_cast<TrptBand*>(nullptr)); }},
        {"ShowBand(class)", [&] { engine.ShowBand(TTestBand::StaticClassInfo()); }},
        {"HeaderHeight", [&] { engine.HeaderHeight(); }},
        {"FooterHeight", [&] { engine.FooterHeight(); }},
        {"FreeSpace", [&] { engine.FreeSpace(); }},
        {"GetAggregateValue", [&] { engine.GetAggregateValue("SUM", "x", nullptr, 0); }},
        {"Run", [&] { engine.Run(); }},
    });
    ExpectAbstract({
        {"Count", [&] { outline.Count(); }},
        {"AddItem", [&] { outline.AddItem("Chapter", 10); }},
        {"LevelDown", [&] { outline.LevelDown(0); }},
        {"LevelRoot", [&] { outline.LevelRoot(); }},
        {"LevelUp", [&] { outline.LevelUp(); }},
        {"GetItem", [&] { outline.GetItem(0, text, page, top); }},
        {"ShiftItems", [&] { outline.ShiftItems(nullptr, 5); }},
        {"GetCurPosition", [&] { outline.GetCurPosition(); }},
    });
    ExpectAbstract({
        {"Count", [&] { pages.Count(); }},
        {"Page", [&] { pages.Page(0); }},
        {"PageSize", [&] { pages.PageSize(0); }},
        {"Clear", [&] { pages.Clear(); }},
        {"Initialize", [&] { pages.Initialize(); }},
        {"AddObject", [&] { pages.AddObject(nullptr); }},
        {"AddPage", [&] { pages.AddPage(nullptr); }},
        {"AddSourcePage", [&] { pages.AddSourcePage(nullptr); }},
        {"AddToSourcePage", [&] { pages.AddToSourcePage(nullptr); }},
        {"BeginPass", [&] { pages.BeginPass(); }},
        {"ClearFirstPassPages", [&] { pages.ClearFirstPassPages(); }},
        {"CutObjects", [&] { pages.CutObjects(0); }},
        {"Finish", [&] { pages.Finish(); }},
        {"IncLogicalPageNumber", [&] { pages.IncLogicalPageNumber(); }},
        {"ResetLogicalPageNumber", [&] { pages.ResetLogicalPageNumber(); }},
        {"PasteObjects", [&] { pages.PasteObjects(1, 2); }},
        {"ShiftAnchors", [&] { pages.ShiftAnchors(0, 1); }},
        {"AddPicture", [&] { pages.AddPicture(nullptr); }},
        {"BandExists", [&] { pages.BandExists(nullptr); }},
        {"GetCurPosition", [&] { pages.GetCurPosition(); }},
        {"GetAnchorCurPosition", [&] { pages.GetAnchorCurPosition(); }},
        {"GetLastY", [&] { pages.GetLastY(0); }},
        {"GetLogicalPageNo", [&] { pages.GetLogicalPageNo(); }},
        {"GetLogicalTotalPages", [&] { pages.GetLogicalTotalPages(); }},
        {"AddEmptyPage", [&] { pages.AddEmptyPage(0); }},
        {"DeletePage", [&] { pages.DeletePage(0); }},
        {"ModifyPage", [&] { pages.ModifyPage(0, nullptr); }},
        {"DrawPage", [&] { pages.DrawPage(0, nullptr, 1, 1, 0, 0); }},
        {"ObjectOver",
         [&] { pages.ObjectOver(0, 1, 1, mbLeft, TShiftState(), 1, 0, 0, true, cursor, false); }},
        {"AddFrom", [&] { pages.AddFrom(report.get()); }},
        {"LoadFromStream", [&] { pages.LoadFromStream(stream, true); }},
        {"SaveToStream", [&] { pages.SaveToStream(stream); }},
        {"LoadFromFile", [&] { pages.LoadFromFile("x.dp3", false); }},
        {"SaveToFile", [&] { pages.SaveToFile("x.dp3"); }},
        {"Print", [&] { pages.Print(); }},
        {"Export", [&] { pages.Export(&filter); }},
    });
    ExpectAbstract({
        {"Init", [&] { preview.Init(); }},
        {"Lock", [&] { preview.Lock(); }},
        {"Unlock", [&] { preview.Unlock(); }},
        {"RefreshReport", [&] { preview.RefreshReport(); }},
        {"InternalOnProgressStart", [&] { preview.InternalOnProgressStart(report.get(), ptRunning, 0); }},
        {"InternalOnProgress", [&] { preview.InternalOnProgress(report.get(), ptRunning, 3); }},
        {"InternalOnProgressStop", [&] { preview.InternalOnProgressStop(report.get(), ptRunning, 0); }},
    });
    ExpectAbstract({
        {"ExportObject", [&] { filter.ExportObject(nullptr); }},
        {"Code", [&] { designer.Code(); }},
        {"InsertExpression", [&] { designer.InsertExpression("[Date]"); }},
        {"Lock", [&] { designer.Lock(); }},
        {"ReloadPages", [&] { designer.ReloadPages(-1); }},
        {"ReloadReport", [&] { designer.ReloadReport(); }},
        {"UpdateDataTree", [&] { designer.UpdateDataTree(); }},
        {"UpdatePage", [&] { designer.UpdatePage(); }},
        {"Execute", [&] { wizard.Execute(); }},
        {"Decompress", [&] { compressor.Decompress(stream); }},
        {"Compress", [&] { compressor.Compress(stream); }},
        {"Decrypt", [&] { crypter.Decrypt(stream, "key"); }},
        {"Crypt", [&] { crypter.Crypt(stream, "key"); }},
    });
    SetCompressorClass(nullptr);
    SetCrypterClass(nullptr);
}

TEST(AbstractBases, OperationsTheBaseAnswersItself) {
    auto report = NewQuietReport();
    TrptCustomEngine engine(report.get());
    engine.SetPageHeight(842.5);
    EXPECT_EQ(engine.PageHeight(), 842.5);
    EXPECT_NO_THROW(engine.BreakAllKeep());

    TTestBareFilter filter;
    EXPECT_EQ(filter.GetDescription(), "");
    EXPECT_EQ(filter.ShowModal(), mrOk);
    EXPECT_TRUE(filter.Start());
    EXPECT_NO_THROW(filter.StartPage(nullptr, 0));
    EXPECT_NO_THROW(filter.FinishPage(nullptr, 0));
    EXPECT_NO_THROW(filter.Finish());

    TrptCustomWizard wizard(nullptr);
    EXPECT_EQ(wizard.GetDescription(), "");
    TrptDBComponents db;
    EXPECT_EQ(db.GetDescription(), "");
}

// ---------------------------------------------------------------------------------------------
// Engine, prepared pages, outline

TEST(CustomEngine, PublishesItsStateAndReadsPageHeightThroughTheVirtualGetter) {
    auto report = NewQuietReport();
    TNotingEngine engine(report.get());
    engine.SetPageHeight(10);
    EXPECT_EQ(GetFloatProp(&engine, "PageHeight"), 1000);

    QStringList names;
    for (const TPropInfo* p : TrptCustomEngine::StaticClassInfo()->Props())
        names << p->Name();
    EXPECT_EQ(names.join(','), "CurColumn,CurVColumn,CurX,CurY,DoublePass,FinalPass,PageHeight,PageWidth,"
                               "StartDate,StartTime,TotalPages,SecondScriptCall");
    EXPECT_FALSE(GetPropInfo(&engine, "DoublePass")->IsWritable());
    EXPECT_EQ(GetPropInfo(&engine, "StartDate")->TypeName(), "TDateTime");
    EXPECT_EQ(GetPropInfo(&engine, "CurLine"), nullptr); // public, not published

    // DoublePass is the report's engine option.
    EXPECT_EQ(GetOrdProp(&engine, "DoublePass"), 0);
    report->EngineOptions()->SetDoublePass(true);
    EXPECT_EQ(GetOrdProp(&engine, "DoublePass"), 1);
    TrptCustomEngine loose(nullptr);
    EXPECT_FALSE(loose.DoublePass());
}

TEST(CustomEngine, StopReportTerminatesTheReport) {
    auto report = NewQuietReport();
    TrptCustomEngine engine(report.get());
    EXPECT_EQ(engine.Report(), report.get());
    EXPECT_TRUE(engine.NotifyList().empty());
    EXPECT_FALSE(report->Terminated());
    engine.StopReport();
    EXPECT_TRUE(report->Terminated());
    TrptCustomEngine loose(nullptr);
    EXPECT_NO_THROW(loose.StopReport());
}

TEST(CustomPreviewPages, OwnsItsOutlineWhichReachesThePagesEngine) {
    auto report = NewQuietReport();
    TBareOutline::Destroyed = 0;
    {
        TBarePreviewPages pages(report.get());
        TrptCustomEngine engine(report.get());
        ASSERT_NE(pages.Outline(), nullptr);
        EXPECT_EQ(pages.Report(), report.get());
        EXPECT_EQ(pages.Outline()->PreviewPages(), &pages);
        EXPECT_EQ(pages.Outline()->Engine(), nullptr);
        pages.SetEngine(&engine);
        engine.SetPreviewPages(&pages);
        EXPECT_EQ(pages.Outline()->Engine(), &engine);
        EXPECT_EQ(engine.PreviewPages(), &pages);
        EXPECT_EQ(pages.AddPageAction(), apWriteOver);
    }
    EXPECT_EQ(TBareOutline::Destroyed, 1);
}

// ---------------------------------------------------------------------------------------------
// Export filters

TEST(CustomExportFilter, CreateSetsTheDefaultsAndPublishesTheStoredProperties) {
    TTestBareFilter f;
    EXPECT_TRUE(f.ShowDialog());
    EXPECT_TRUE(f.UseFileCache());
    EXPECT_EQ(f.DefaultPath(), "");
    EXPECT_TRUE(f.ShowProgress());
    EXPECT_FALSE(f.SlaveExport());
    EXPECT_FALSE(f.OverwritePrompt());
    EXPECT_FALSE(f.ExportNotPrintable());
    EXPECT_EQ(f.Files(), nullptr);
    EXPECT_EQ(f.Stream(), nullptr);
    EXPECT_EQ(f.Report(), nullptr);

    QStringList names;
    for (const TPropInfo* p : TrptCustomExportFilter::StaticClassInfo()->Props())
        names << p->Name();
    EXPECT_EQ(names.join(','), "Name,Tag,ShowDialog,FileName,ExportNotPrintable,UseFileCache,DefaultPath,"
                               "ShowProgress,OverwritePrompt,CreationTime,DataOnly,OnBeginExport");
    EXPECT_TRUE(IsDefaultPropValue(&f, GetPropInfo(&f, "ShowDialog")));
    EXPECT_TRUE(IsDefaultPropValue(&f, GetPropInfo(&f, "ExportNotPrintable")));
    f.SetShowDialog(false);
    EXPECT_FALSE(IsDefaultPropValue(&f, GetPropInfo(&f, "ShowDialog")));
    EXPECT_EQ(GetPropInfo(&f, "OnBeginExport")->Kind(), tkMethod);
    EXPECT_EQ(GetPropInfo(&f, "PageNumbers"), nullptr); // public only

    f.SetFiles(std::make_unique<TStringList>());
    f.Files()->Add("out.html");
    EXPECT_EQ(f.Files()->Count(), 1); // freed with the filter
}

TEST(CustomExportFilter, RegistrationFollowsTheFiltersLife) {
    FreeRegistries();
    struct Case {
        const char* Name;
        std::function<std::unique_ptr<TrptCustomExportFilter>(TComponent* owner)> Make;
        bool Listed;
    };
    const Case cases[] = {
        {"Create without owner", [](TComponent*) { return std::make_unique<TTestBareFilter>(nullptr); },
         true},
        {"CreateNoRegister<T>",
         [](TComponent*) { return TrptCustomExportFilter::CreateNoRegister<TTestBareFilter>(); }, false},
        {"CreateNoRegister(class)",
         [](TComponent*) {
             return TrptCustomExportFilter::CreateNoRegister(TTestExportFilter::StaticClassInfo());
         },
         false},
        {"made through the class record",
         [](TComponent*) {
             return std::unique_ptr<TrptCustomExportFilter>(static_cast<TrptCustomExportFilter*>(
                 TTestExportFilter::StaticClassInfo()->CreateInstance(nullptr)));
         },
         true},
    };
    TTestBareFilter standing; // listed before and after every case
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        const int before = ExportFilterRegistry()->Count();
        auto f = c.Make(nullptr);
        EXPECT_EQ(f->NoRegister(), !c.Listed);
        EXPECT_EQ(ExportFilterRegistry()->IndexOf(f.get()) >= 0, c.Listed);
        EXPECT_EQ(ExportFilterRegistry()->Count(), before + (c.Listed ? 1 : 0));
        f.reset();
        EXPECT_EQ(ExportFilterRegistry()->Count(), before);
        EXPECT_EQ(ExportFilterRegistry()->IndexOf(&standing), 0);
    }

    // A filter on a form: the form frees it, and it leaves the registry.
    {
        TComponent form;
        auto* onForm = new TTestExportFilter(&form);
        EXPECT_EQ(ExportFilterRegistry()->IndexOf(onForm), 1);
    }
    EXPECT_EQ(ExportFilterRegistry()->Count(), 1);

    EXPECT_THROW(TrptCustomExportFilter::CreateNoRegister(TTestWizard::StaticClassInfo()), EInvalidCast);
    EXPECT_THROW(TrptCustomExportFilter::CreateNoRegister(nullptr), EInvalidCast);
}

TEST(CustomExportFilter, OnlyTheFilterMadeByCreateNoRegisterStaysOut) {
    FreeRegistries();
    // Registered master: its slave made with CreateNoRegister stays out, a plain sibling is in.
    {
        TTestMasterFilter master;
        EXPECT_GE(ExportFilterRegistry()->IndexOf(&master), 0);
        EXPECT_LT(ExportFilterRegistry()->IndexOf(master.Slave.get()), 0);
        EXPECT_GE(ExportFilterRegistry()->IndexOf(master.Sibling.get()), 0);
    }
    EXPECT_EQ(ExportFilterRegistry()->Count(), 0);
    // Unregistered master: the flag goes with the master alone.
    {
        auto master = TrptCustomExportFilter::CreateNoRegister<TTestMasterFilter>();
        EXPECT_LT(ExportFilterRegistry()->IndexOf(master.get()), 0);
        EXPECT_LT(ExportFilterRegistry()->IndexOf(master->Slave.get()), 0);
        EXPECT_GE(ExportFilterRegistry()->IndexOf(master->Sibling.get()), 0);
        TTestBareFilter after;
        EXPECT_GE(ExportFilterRegistry()->IndexOf(&after), 0);
    }
    EXPECT_EQ(ExportFilterRegistry()->Count(), 0);
}

TEST(CustomExportFilter, DestroyingAnUnregisteredFilterLeavesTheOthersAndNoDanglingEntry) {
    FreeRegistries();
    TTestBareFilter a, b;
    {
        auto hidden = TrptCustomExportFilter::CreateNoRegister<TTestBareFilter>();
        ExportFilterRegistry()->Register(hidden.get()); // put in by hand
        EXPECT_EQ(ExportFilterRegistry()->Count(), 3);
    }
    // The others stay in order; the destroyed one is not left behind for the export menu.
    ASSERT_EQ(ExportFilterRegistry()->Count(), 2);
    EXPECT_EQ(ExportFilterRegistry()->Items(0)->Filter(), &a);
    EXPECT_EQ(ExportFilterRegistry()->Items(1)->Filter(), &b);
}

TEST(CustomExportFilter, AFilterOutlivingTheRegistriesLeavesNoNewRegistryBehind) {
    FreeRegistries();
    auto f = std::make_unique<TTestBareFilter>(nullptr);
    ASSERT_NE(ExistingExportFilterRegistry(), nullptr);
    FreeRegistries(); // what the end of the program does before the last forms go
    EXPECT_EQ(ExistingExportFilterRegistry(), nullptr);
    f.reset();
    EXPECT_EQ(ExistingExportFilterRegistry(), nullptr);
}

// ---------------------------------------------------------------------------------------------
// The export loop against filters built on the base

namespace {

struct TExportFixture {
    std::unique_ptr<TrptReport> Report = NewQuietReport();
    TTestView* A = nullptr;
    TTestView* B = nullptr;
    TTestView* C = nullptr;
    std::unique_ptr<TListPreviewPages> Pages;
    TExportFixture() {
        auto* holder = new TTestView(Report.get());
        holder->SetName("Holder");
        A = new TTestView(holder);
        A->SetName("A");
        B = new TTestView(holder);
        B->SetName("B");
        C = new TTestView(holder);
        C->SetName("C");
        Pages = std::make_unique<TListPreviewPages>(Report.get(),
                                                    std::vector<std::vector<TrptComponent*>>{{A, B}, {C}});
    }
};

} // namespace

TEST(ExportLoop, DrivesTheFilterInItsOrder) {
    struct Case {
        const char* Name;
        bool ShowDialog;
        TModalResult Modal;
        bool StartAnswer;
        QString PageNumbers;
        QString FailOn;
        bool Result;
        QString Log;
    };
    const Case cases[] = {
        {"dialog confirmed", true, mrOk, true, "", "", true,
         "ShowModal,BeginExport,Start,StartPage 0,Object A,Object B,FinishPage 0,StartPage 1,Object "
         "C,FinishPage 1,"
         "Finish"},
        {"no dialog", false, mrCancel, true, "", "", true,
         "BeginExport,Start,StartPage 0,Object A,Object B,FinishPage 0,StartPage 1,Object C,FinishPage "
         "1,Finish"},
        {"dialog cancelled: nothing written", true, mrCancel, true, "", "", false, "ShowModal"},
        {"Start refuses: no pages, no Finish", false, mrOk, false, "", "", false, "BeginExport,Start"},
        {"second page only", false, mrOk, true, "2", "", true,
         "BeginExport,Start,StartPage 1,Object C,FinishPage 1,Finish"},
        {"an object fails: its page and the export are finished", false, mrOk, true, "", "B", false,
         "BeginExport,Start,StartPage 0,Object A,FinishPage 0,Finish"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TExportFixture x;
        auto filter = TrptCustomExportFilter::CreateNoRegister<TTestExportFilter>();
        filter->SetShowDialog(c.ShowDialog);
        filter->ModalAnswer = c.Modal;
        filter->StartAnswer = c.StartAnswer;
        filter->SetPageNumbers(c.PageNumbers);
        filter->FailOn = c.FailOn;
        filter->OnBeginExport = [&](TObject* Sender) {
            EXPECT_EQ(Sender, filter.get());
            filter->Log << "BeginExport";
        };
        const TDateTime before = Now();
        EXPECT_EQ(x.Pages->Export(filter.get()), c.Result);
        EXPECT_EQ(filter->Log.join(','), c.Log);
        EXPECT_GE(filter->CreationTime(), before);
        EXPECT_EQ(filter->Report(), x.Report.get());
        EXPECT_EQ(x.Report->Errors()->Count(), c.FailOn.isEmpty() ? 0 : 1);
    }
}

TEST(ExportLoop, AFilterThatOverridesNothingFailsAtTheFirstObject) {
    TExportFixture x;
    TTestBareFilter filter; // base ShowModal answers OK, base Start True
    EXPECT_FALSE(x.Pages->Export(&filter));
    ASSERT_EQ(x.Report->Errors()->Count(), 1);
    EXPECT_EQ(x.Report->Errors()->Get(0), "Abstract Error");
}

// ---------------------------------------------------------------------------------------------
// Designer and wizards

TEST(CustomDesigner, CreateDesignerThroughTheClassReference) {
    auto report = NewQuietReport();
    const TClassInfo* before = DesignerClass();
    SetDesignerClass(TTestDesigner::StaticClassInfo());
    TComponent owner;
    TrptCustomDesigner* d = TrptCustomDesigner::CreateDesigner(DesignerClass(), &owner, report.get(), true);
    SetDesignerClass(before);

    auto* t = dynamic_cast<TTestDesigner*>(d);
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(d->Owner(), &owner);
    EXPECT_EQ(t->ReportSeenByConstructor, report.get()); // stored before the descendant's constructor
    EXPECT_TRUE(t->PreviewFlagSeenByConstructor);
    EXPECT_EQ(d->Report(), report.get());
    EXPECT_TRUE(d->IsPreviewDesigner());
    EXPECT_TRUE(d->Objects().empty());
    EXPECT_TRUE(d->SelectedObjects().empty());

    // The report asks the designer to refresh its data tree; the descendant answers.
    d->UpdateDataTree();
    EXPECT_EQ(t->DataTreeUpdates.size(), 1);

    // A designer made later without CreateDesigner sees no report left over from this call.
    TTestDesigner plain(nullptr);
    EXPECT_EQ(plain.Report(), nullptr);
    EXPECT_FALSE(plain.IsPreviewDesigner());

    EXPECT_THROW(TrptCustomDesigner::CreateDesigner(TTestWizard::StaticClassInfo(), nullptr, report.get()),
                 EInvalidCast);
    EXPECT_THROW(TrptCustomDesigner::CreateDesigner(nullptr, nullptr, report.get()), EInvalidCast);
}

TEST(CustomDesigner, ModifiedMarksTheReportButClearingItDoesNot) {
    auto report = NewQuietReport();
    TrptCustomDesigner d(nullptr, report.get());
    EXPECT_FALSE(d.IsPreviewDesigner());
    d.SetModified(false);
    EXPECT_FALSE(report->Modified());
    d.SetModified(true);
    EXPECT_TRUE(d.Modified());
    EXPECT_TRUE(report->Modified());
    d.SetModified(false); // clearing the designer's flag leaves the report's
    EXPECT_FALSE(d.Modified());
    EXPECT_TRUE(report->Modified());
}

TEST(CustomDesigner, NeitherSideKeepsAReferenceToTheOtherOnceItIsGone) {
    auto report = NewQuietReport();
    {
        auto d = std::make_unique<TrptCustomDesigner>(nullptr, report.get());
        report->SetDesigner(d.get());
    }
    EXPECT_EQ(report->Designer(), nullptr);

    auto d = std::make_unique<TrptCustomDesigner>(nullptr, report.get());
    report.reset();
    EXPECT_EQ(d->Report(), nullptr);
    EXPECT_NO_THROW(d->SetModified(true));
}

TEST(CustomWizard, TakesItsDesignerAndTheDesignersReportFromItsOwner) {
    auto report = NewQuietReport();
    TrptCustomDesigner designer(nullptr, report.get());
    auto* w = new TTestWizard(&designer);
    EXPECT_EQ(w->Designer(), &designer);
    EXPECT_EQ(w->Report(), report.get());
    EXPECT_EQ(w->Owner(), &designer);
    EXPECT_TRUE(w->Execute());

    TComponent notADesigner;
    auto* stray = new TTestWizard(&notADesigner);
    EXPECT_EQ(stray->Designer(), nullptr);
    EXPECT_EQ(stray->Report(), nullptr);

    EXPECT_EQ(WizardDescription(TTestWizard::StaticClassInfo()), "Standard report");
    EXPECT_EQ(WizardDescription(TrptCustomWizard::StaticClassInfo()), "");
    EXPECT_EQ(WizardDescription(TTestView::StaticClassInfo()), "");
    EXPECT_EQ(WizardDescription(nullptr), "");
}

// ---------------------------------------------------------------------------------------------
// Compressor and crypter

TEST(CompressorAndCrypter, ClassReferencesFollowTheComponents) {
    SetCompressorClass(nullptr);
    SetCrypterClass(nullptr);
    const TClassInfo* none = nullptr;
    const TClassInfo* a = TTestCompressor::StaticClassInfo();
    const TClassInfo* b = TTestOtherCompressor::StaticClassInfo();

    // Each step: what is done, then the CompressorClass expected.
    {
        auto first = std::make_unique<TTestCompressor>();
        EXPECT_EQ(CompressorClass(), a);
        auto second = std::make_unique<TTestOtherCompressor>();
        EXPECT_EQ(CompressorClass(), b);
        second.reset();
        EXPECT_EQ(CompressorClass(), a);
        first.reset();
        EXPECT_EQ(CompressorClass(), none);
    }
    {
        TComponent form; // on a form, freed by the form
        new TTestCompressor(&form);
        EXPECT_EQ(CompressorClass(), a);
    }
    EXPECT_EQ(CompressorClass(), none);
    {
        TrptCustomCompressor base;
        EXPECT_EQ(CompressorClass(), TrptCustomCompressor::StaticClassInfo());
    }
    EXPECT_EQ(CompressorClass(), none);

    // A crypter's class stays registered after the crypter goes.
    {
        TTestCrypter crypter;
        EXPECT_EQ(CrypterClass(), TTestCrypter::StaticClassInfo());
    }
    EXPECT_EQ(CrypterClass(), TTestCrypter::StaticClassInfo());
    {
        TrptCustomCrypter base;
        EXPECT_EQ(CrypterClass(), TrptCustomCrypter::StaticClassInfo());
    }
    EXPECT_EQ(CrypterClass(), TrptCustomCrypter::StaticClassInfo());
    SetCrypterClass(nullptr);
}

TEST(CompressorAndCrypter, WorkStreams) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    auto report = NewQuietReport();
    report->EngineOptions()->SetTempDir(dir.path());

    struct Case {
        const char* Name;
        bool HasReport;
        bool IsDE3File;
        bool UseFileCache;
        bool InFile;
    };
    const Case cases[] = {
        {"template", true, true, true, false},
        {"prepared report, no file cache", true, false, false, false},
        {"prepared report with file cache", true, false, true, true},
        {"no report", false, false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        report->EngineOptions()->SetUseFileCache(c.UseFileCache);
        QString file;
        {
            TTestCompressor compressor;
            compressor.SetReport(c.HasReport ? report.get() : nullptr);
            compressor.SetIsDE3File(c.IsDE3File);
            compressor.CreateStream();
            ASSERT_NE(compressor.Stream(), nullptr);
            EXPECT_EQ(dynamic_cast<TMemoryStream*>(compressor.Stream()) != nullptr, !c.InFile);
            file = compressor.TempFile();
            EXPECT_EQ(!file.isEmpty(), c.InFile);
            if (c.InFile) {
                EXPECT_EQ(QFileInfo(file).absolutePath(), QDir(dir.path()).absolutePath());
                const QByteArray data("plain template");
                compressor.Stream()->Write(data.constData(), data.size());
                EXPECT_EQ(QFileInfo(file).size(), data.size());
            }
        }
        if (c.InFile) {
            EXPECT_FALSE(QFileInfo::exists(file)); // the temporary file goes with it
        }
    }
    EXPECT_EQ(CompressorClass(), nullptr);

    TTestCrypter crypter;
    EXPECT_EQ(crypter.Stream(), nullptr);
    crypter.CreateStream();
    EXPECT_NE(dynamic_cast<TMemoryStream*>(crypter.Stream()), nullptr);
    SetCrypterClass(nullptr);
}
