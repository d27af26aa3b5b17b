#include "report/core/rptEngine.h"

#include "platform/rtl/SysUtils.h"
#include "platform/ui/Forms.h"
#include "report/core/rptClassBand.h"
#include "report/core/rptClassDMP.h"
#include "report/core/rptClassMemo.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptClassView.h"
#include "report/core/rptDataSets.h"
#include "report/core/rptDialogPage.h"
#include "report/core/rptPreparedPages.h"
#include "report/core/rptRes.h"
#include "report/core/rptRunControl.h"
#include "report/core/rptUtils.h"
#include "script/sc_iinterpreter.h"

#include <QDate>
#include <QElapsedTimer>
#include <QTime>

#include <algorithm>
#include <cmath>
#include <mutex>

namespace {

constexpr double MmFactorValue = 3.77953;
constexpr double Tolerance = 0.0001;

// Runs a clean-up when the scope ends, also while an exception passes.
template <class F> class TFinally {
public:
    explicit TFinally(F f) : FF(std::move(f)) {}
    ~TFinally() noexcept(false) {
        if (std::uncaught_exceptions() > FCount) {
            try {
                FF();
            } catch (...) {
                // The first error is the one reported.
            }
        } else {
            FF();
        }
    }
    TFinally(const TFinally&) = delete;
    TFinally& operator=(const TFinally&) = delete;

private:
    F FF;
    int FCount = std::uncaught_exceptions();
};

int RoundEven(double v) {
    return static_cast<int>(std::nearbyint(v));
}

TrptDataBand* AsDataBand(TrptBand* b) {
    return dynamic_cast<TrptDataBand*>(b);
}

template <class T> bool Is(const TrptComponent* c) {
    return dynamic_cast<const T*>(c) != nullptr;
}

std::vector<TrptBand*>* SubBandsOf(TrptComponent* Owner) {
    if (auto* page = dynamic_cast<TrptReportPage*>(Owner)) return &page->SubBands();
    if (TrptBand* band = Owner->AsBand()) return &band->SubBands();
    return nullptr;
}

QString FormatKey(double v) {
    return QString::asprintf("%9.2f", v);
}

} // namespace

// =============================================================================================
// TrptHeaderList

void TrptHeaderList::RemoveItem(TrptBand* ABand) {
    for (auto it = FList.begin(); it != FList.end(); ++it)
        if (it->Band == ABand) {
            FList.erase(it);
            return;
        }
}

// =============================================================================================
// TrptEngine: the run

KORVEL_CLASS_INFO(TrptEngine) {}

TrptEngine::TrptEngine(TrptReport* AReport)
    : TrptCustomEngine(AReport), FAggregates(std::make_unique<TrptAggregateList>(AReport)),
      FHeaderList(std::make_unique<TrptHeaderList>()) {
    // Scripts reach the engine as "Engine": its class must be known by name.
    RegisterEngineClasses();
}

TrptEngine::~TrptEngine() = default;

double TrptEngine::MmFactor() const {
    return MmFactorValue;
}

bool TrptEngine::Initialize() {
    FPrevFooterHeight = 0;
    FPreviewPages->Initialize();
    FPreviewPages->SetAddPageAction(apAdd);
    FStartDate = static_cast<TDateTime>(Date());
    FStartTime = static_cast<TDateTime>(Time());
    FRunning = true;
    FKeeping = false;
    FCurVColumn = 0;
    FOutputTo = nullptr;
    FAggregates->Clear();

    TStringList* errors = FReport->Errors();
    for (int i = 0; i < FReport->PagesCount(); ++i) {
        auto* page = dynamic_cast<TrptReportPage*>(FReport->Pages(i));
        if (!page) continue;
        FPage = page;
        BuildBandTree(false);
        BuildBandTree(true);
    }
    for (int i = 0; i < FReport->PagesCount(); ++i)
        if (auto* page = dynamic_cast<TrptReportPage*>(FReport->Pages(i))) CheckDataBandDataSets(page);
    CheckSubreports();
    TrptDataSet* reportDs = FReport->DataSet();
    for (int i = 0; i < FReport->PagesCount(); ++i) {
        auto* page = dynamic_cast<TrptReportPage*>(FReport->Pages(i));
        if (!page) continue;
        if (reportDs && reportDs == page->DataSet()) {
            errors->Add(QStringLiteral("Cannot use the same dataset for Report.DataSet and Page.DataSet"));
            break;
        }
        for (TrptBand* b : page->SubBands()) {
            TrptDataSet* ds = AsDataBand(b) ? AsDataBand(b)->DataSet() : nullptr;
            if (!ds) continue;
            if (ds == reportDs) {
                errors->Add(
                    QStringLiteral("Cannot use the same dataset for Report.DataSet and Band.DataSet"));
                break;
            }
            if (ds == page->DataSet()) {
                errors->Add(QStringLiteral("Cannot use the same dataset for Page.DataSet and Band.DataSet"));
                break;
            }
        }
    }
    return errors->Count() == 0;
}

void TrptEngine::Finalize() {
    TFinally done([this] {
        FPreviewPages->Finish();
        FRunning = false;
    });
    FReport->DataSets()->Finalize();
}

bool TrptEngine::Run() {
    if (!Initialize()) {
        Finalize();
        return false;
    }
    bool result = false;
    FNewPageAfterHeader = FHeaderOpenedPage = false;
    {
        TFinally finalize([this] { Finalize(); });
        TFinally stop([this] { FReport->DoNotifyEvent(FReport, FReport->OnStopReport()); });
        FReport->DataSets()->Initialize();
        FReport->DoNotifyEvent(FReport, FReport->OnStartReport());
        if (ShowDialogPages()) {
            result = true;
            for (int i = 0; i < FReport->PagesCount(); ++i) {
                auto* page = dynamic_cast<TrptReportPage*>(FReport->Pages(i));
                if (!page) continue;
                FPage = page;
                FPreviewPages->AddSourcePage(page);
                FAggregates->AddItems(page);
            }
            FFinalPass = !FReport->EngineOptions()->DoublePass();
            FTotalPages = 0;
            FPreviewPages->BeginPass();
            RunPass();
            if (FReport->EngineOptions()->DoublePass() && !FReport->Terminated()) {
                FTotalPages = FPreviewPages->Count();
                FPreviewPages->SetCurPage(FPreviewPages->Count() - 1);
                FPreviewPages->ClearFirstPassPages();
                FAggregates->ClearValues();
                FFinalPass = true;
                RunPass();
            }
        }
    }
    return result;
}

bool TrptEngine::ShowDialogPages() {
    const QString runDialogs = FReport->OnRunDialogs().trimmed();
    if (!runDialogs.isEmpty()) {
        Variant params = VarArrayOf({Variant(true)});
        FReport->DoParamEvent(runDialogs, params);
        return params.IsArray() ? params.GetElement(0).ToBool() : true;
    }
    for (TrptComponent* c : FReport->Objects()) {
        auto* page = dynamic_cast<TrptDialogPage*>(c);
        if (!page || !page->Visible()) continue;
        page->DialogForm()->SetBorderStyle(page->BorderStyle());
        if (page->DialogForm()->ControlCount() == 0) continue;
        if (OnRunDialog)
            OnRunDialog(page);
        else
            page->ShowModal();
        if (page->ModalResult() == mrCancel) return false;
    }
    return true;
}

void TrptEngine::RunPass() {
    FFirstReportPage = true;
    if (TrptDataSet* ds = FReport->DataSet()) {
        ds->First();
        while (!ds->Eof() && !FReport->Terminated()) {
            RunAllPages();
            ds->Next();
        }
    } else {
        RunAllPages();
    }
}

void TrptEngine::RunAllPages() {
    for (int i = 0; i < FReport->PagesCount(); ++i) {
        auto* page = dynamic_cast<TrptReportPage*>(FReport->Pages(i));
        if (!page) continue;
        FPage = page;
        if (!page->IsSubReport() && page->Visible()) RunReportPage(page);
        if (FReport->Terminated()) break;
        FFirstReportPage = false;
    }
}

void TrptEngine::RunReportPage(TrptReportPage* Page) {
    if (Page->IsSubReport()) {
        RunSubreportPage(Page);
        return;
    }
    FIsFirstBand = true;
    FReport->DoNotifyEvent(Page, Page->OnBeforePrint());
    if (TrptDataSet* ds = Page->DataSet()) {
        ds->First();
        while (!ds->Eof() && !FReport->Terminated()) {
            RunPageBody();
            ds->Next();
        }
    } else {
        for (int i = 0; i < Page->PageCount() && !FReport->Terminated(); ++i)
            RunPageBody();
    }
    FReport->DoNotifyEvent(Page, Page->OnAfterPrint());
}

void TrptEngine::RunPageBody() {
    if (!DetailsHaveData(FPage, FReport->EngineOptions()->PrintIfEmpty())) return;
    StartReportPage();
    OutputPageObjects();
    if (FReport->OnManualBuild)
        FReport->OnManualBuild(FPage);
    else if (!FPage->OnManualBuild().trimmed().isEmpty())
        FReport->DoNotifyEvent(FPage, FPage->OnManualBuild().trimmed());
    else
        LoopDataBands(FPage);

    FIsLastPage = true;
    TFinally lastPage([this] { FIsLastPage = false; });
    if (FPage->EndlessHeight() || FPage->EndlessWidth()) {
        const double f = MmFactor();
        const double width = FPage->EndlessWidth()
                                 ? FPage->LeftMargin() * f + FPageWidth + FPage->RightMargin() * f
                                 : FPage->PaperWidth() * f;
        const double height = FPage->EndlessHeight()
                                  ? GetPageHeight() + FPage->TopMargin() * f + FPage->BottomMargin() * f
                                  : FPage->PaperHeight() * f;
        ResizeLastPage(width, height);
    }
    EndPage();
}

void TrptEngine::ResizeLastPage(double Width, double Height) {
    if (auto* pages = dynamic_cast<TrptPreviewPages*>(FPreviewPages))
        pages->UpdatePageDimensions(FPage, Width, Height);
}

void TrptEngine::StartReportPage() {
    FHeaderList->Clear();
    TrptBand* title = FPage->FindBand(TrptReportTitle::StaticClassInfo());
    TrptBand* pageHeader = FPage->FindBand(TrptPageHeader::StaticClassInfo());
    if (FPage->TitleBeforeHeader()) {
        FHeaderList->AddItem(title, 0, false);
        FHeaderList->AddItem(pageHeader, 0, false);
    } else {
        FHeaderList->AddItem(pageHeader, 0, false);
        FHeaderList->AddItem(title, 0, false);
    }
    const double f = MmFactor();
    FPageHeight = FPage->PaperHeight() * f - FPage->TopMargin() * f - FPage->BottomMargin() * f;
    FPageWidth = FPage->PaperWidth() * f - FPage->LeftMargin() * f - FPage->RightMargin() * f;
    // Headers that cannot stand on an empty page would start one page after another for ever.
    if (!FPage->EndlessHeight() && FPageHeight - FooterHeight() - HeaderHeight() <= Tolerance)
        throw ErptEngineError(QStringLiteral("%1: the page has no room for its bands (printable height %2, "
                                             "page header and footer %3)")
                                  .arg(FPage->Name(), FloatToReportStr(FPageHeight),
                                       FloatToReportStr(FooterHeight() + HeaderHeight())));
    FCurX = 0;
    FCurY = 0;
    FCurColumn = 1;
    FPageCurX = 0;
    FVMasterBand = nullptr;
    FIsFirstPage = true;
    FIsLastPage = false;
    FTitlePrinted = false;
    if (FPreviewPages->Outline()) FPreviewPages->Outline()->LevelRoot();
    if (FPage->ResetPageNumbers()) FPreviewPages->ResetLogicalPageNumber();
    if (FPreviewPages->Count() > 0 && FPage->PrintOnPreviousPage()) {
        FPreviewPages->SetCurPage(FPreviewPages->Count() - 1);
        FCurY = FPreviewPages->GetLastY(0);
        FHeaderList->RemoveItem(title);
        ShowBand(TrptReportTitle::StaticClassInfo());
    } else {
        StartOutputPage();
    }
    if (FFirstReportPage) FPreviewPages->SetFirstPage(FPreviewPages->CurPage());
    FFirstColumnY = FCurY;
    TrptBand* columnHeader = FPage->FindBand(TrptColumnHeader::StaticClassInfo());
    ShowBand(columnHeader);
    FHeaderList->AddItem(columnHeader, 0, false);
    FHeaderList->RemoveItem(title);
    OutlinePage();
}

void TrptEngine::OutputPageObjects() {
    std::vector<TrptComponent*> objects;
    for (TrptComponent* c : FPage->Objects())
        if (!c->AsBand()) objects.push_back(c);
    // An empty strip would only add an empty band to every page.
    if (objects.empty()) return;
    const double saveY = FCurY;
    auto band = std::make_unique<TrptNullBand>(nullptr);
    band->SetName(QStringLiteral("PageObjects"));
    band->SetWidth(FPageWidth);
    band->SetHeight(GetPageHeight());
    // The strip lists the objects without becoming their parent.
    TFinally restore([&] {
        band->Objects().clear();
        FCurY = saveY;
    });
    band->Objects() = objects;
    band->AlignChildren();
    ShowBand(band.get());
}

double TrptEngine::GetPageHeight() const {
    if (FPage && FPage->EndlessHeight()) return FooterHeightConst() + FCurY;
    return FPageHeight;
}

// =============================================================================================
// Output pages

double TrptEngine::FooterHeightConst() const {
    if (!FPage) return 0;
    double h = 0;
    if (TrptBand* b = FPage->FindBand(TrptColumnFooter::StaticClassInfo())) h += b->Height();
    if (TrptBand* b = FPage->FindBand(TrptPageFooter::StaticClassInfo())) h += b->Height();
    return h;
}

double TrptEngine::FooterHeight() {
    return FooterHeightConst();
}

double TrptEngine::HeaderHeight() {
    double h = 0;
    for (const TClassInfo* cls : {TrptColumnHeader::StaticClassInfo(), TrptPageHeader::StaticClassInfo()})
        for (TrptBand* b = FPage ? FPage->FindBand(cls) : nullptr; b; b = b->Child())
            h += b->Height();
    return h;
}

double TrptEngine::FreeSpace() {
    if (FPage && FPage->EndlessHeight()) return 1000000;
    if (FPrevFooterHeight != 0) return GetPageHeight() - FPrevFooterHeight - FCurY;
    return GetPageHeight() - FooterHeight() - FCurY;
}

void TrptEngine::BreakAllKeep() {
    TrptCustomEngine::BreakAllKeep();
    FKeepCurY = 0;
    FKeeping = false;
    FKeepBand = nullptr;
    FAggregates->EndKeep();
    FKeepHeader = false;
}

void TrptEngine::StartOutputPage() {
    FPrevFooterHeight = 0;
    FPreviewPages->AddPage(FPage);
    FCurY = 0;
    auto* overlay = dynamic_cast<TrptOverlay*>(FPage->FindBand(TrptOverlay::StaticClassInfo()));
    if (overlay && !overlay->PrintOnTop()) {
        ShowBand(overlay);
        FCurY = 0;
    }
    FFirstColumnY = 0;
    const double saveX = FCurX;
    TFinally restoreX([&] { FCurX = saveX; });
    for (int i = 0; i < FHeaderList->Count(); ++i) {
        TrptHeaderListItem& item = FHeaderList->Items(i);
        FCurX = item.Left;
        TrptBand* band = item.Band;
        if (band && band == FStartNewPageBand) continue;
        if (band && FIsFirstPage) {
            if (auto* ph = dynamic_cast<TrptPageHeader*>(band); ph && !ph->PrintOnFirstPage()) {
                if (!ph->PrintChildIfInvisible()) continue;
                band = ph->Child();
            }
        }
        if (!band) continue;
        if (((Is<TrptHeader>(band) && FKeepHeader) || item.IsInKeepList) && !FKeepFooter) continue;
        if (Is<TrptHeader>(band) && (FDontShowHeaders || band == FLastBandOnPage)) continue;
        if (Is<TrptGroupHeader>(band) && FDontShowHeaders) continue;

        const bool isTitle = Is<TrptReportTitle>(band);
        const bool isPageHeader = Is<TrptPageHeader>(band);
        const int saveLine = FCurLine, saveLineThrough = FCurLineThrough;
        {
            TFinally restore([&] {
                FCallFromPHeader = false;
                FCallFromAddPage = false;
                band->SetOverflow(false);
                FCurLine = saveLine;
                FCurLineThrough = saveLineThrough;
            });
            band->SetOverflow(true);
            FCurLine = band->LineN();
            FCurLineThrough = band->LineThrough();
            FCallFromAddPage = true;
            FCallFromPHeader = isPageHeader;
            if (isTitle) item.Band = nullptr;
            ShowBand(band);
            if (isPageHeader) FFirstColumnY = band->StretchedHeight();
            if (isTitle && FIsFirstBand) FTitlePrinted = true;
        }
    }
    FColumnTopY = FCurY;
    if (FNewPageAfterHeader) {
        FNewPageAfterHeader = false;
        FHeaderOpenedPage = true;
        TFinally done([this] { FHeaderOpenedPage = false; });
        NewPage();
    }
}

void TrptEngine::ShowColumnHeaderChain(TrptBand* Band) {
    for (TrptBand* b = Band; b;) {
        bool visible = false;
        {
            TFinally finish([&] {
                FinishBand(b);
                b->SetOverflow(false);
            });
            b->SetOverflow(true);
            StretchBand(b);
            visible = b->Visible();
            if (visible) {
                b->SetLeft(FCurX);
                b->SetTop(FCurY);
                FPreviewPages->AddObject(b);
                FCurY += b->Height();
            }
        }
        if (!(visible || b->PrintChildIfInvisible())) break;
        b = b->Child();
    }
}

void TrptEngine::OutputColumnFooter() {
    TrptBand* band = FPage->FindBand(TrptColumnFooter::StaticClassInfo());
    if (!band) return;
    {
        TFinally finish([&] { FinishBand(band); });
        StretchBand(band);
        if (band->Visible()) {
            band->SetLeft(FCurX - FPageCurX);
            band->SetTop(FCurY);
            FPreviewPages->AddObject(band);
            FCurY += band->Height();
        }
    }
    FAggregates->Reset(band);
}

void TrptEngine::StartNextColumn() {
    ++FCurColumn;
    const double x = FPage->ColumnOffsetMM(FCurColumn) * MmFactor();
    FCurY = FFirstColumnY;
    for (int i = 0; i < FHeaderList->Count(); ++i) {
        TrptHeaderListItem item = FHeaderList->Items(i);
        FCurX = item.Left + x;
        if (!item.Band || Is<TrptPageHeader>(item.Band) || item.Band == FLastBandOnPage ||
            item.IsInKeepList || FKeepHeader)
            continue;
        ShowColumnHeaderChain(item.Band);
    }
    FCurX = FPageCurX + x;
    FColumnTopY = FCurY;
}

void TrptEngine::NewColumn() {
    if (FCurColumn >= FPage->Columns()) {
        NewPage();
        return;
    }
    if (FKeeping) {
        if (FKeepFooter) FAggregates->DeleteValue(FKeepBand);
        FPreviewPages->CutObjects(FKeepPosition);
        FCurY = FPreviewPages->GetLastY(0);
    }
    FLastBandOnPage = FCurBand;
    OutputColumnFooter();
    StartNextColumn();
    FLastBandOnPage = nullptr;
    if (FKeeping) {
        FAggregates->EndKeep();
        FPreviewPages->PasteObjects(FCurX, FCurY);
        if (FPreviewPages->Outline()) FPreviewPages->Outline()->ShiftItems(FKeepOutline, RoundEven(FCurY));
        FPreviewPages->ShiftAnchors(FKeepAnchor, RoundEven(FCurY));
        FCurY = FPreviewPages->GetLastY(FCurX);
        if (FKeepFooter) FAggregates->AddValue(FKeepBand, 0);
    }
    FKeeping = false;
    FKeepHeader = false;
}

void TrptEngine::NewPage() {
    if (FCallFromPHeader) {
        // Breaking inside the header would leave this page without it and put it twice on the
        // next; a header that breaks every page it starts would never end.
        if (FHeaderOpenedPage)
            throw ErptEngineError(QStringLiteral("Engine.NewPage: the page header of a page that its header opened asks for a new page again"));
        FNewPageAfterHeader = true;
        return;
    }
    if (FKeeping && FKeepBand && FCurY - FKeepCurY + FKeepBand->Height() > GetPageHeight() - FooterHeight()) {
        // The block would not fit on an empty page either: it stays where it is.
        FKeeping = false;
        FAggregates->EndKeep();
    }
    TrptBand* movedHeader = nullptr;
    if (FKeeping) {
        if (FKeepFooter) FAggregates->DeleteValue(FKeepBand);
        FPreviewPages->CutObjects(FKeepPosition);
        if (std::abs(FPreviewPages->GetLastY(0) - FCurY) >= Tolerance) {
            if (TrptDataBand* db = AsDataBand(FCurBand); db && db->Header()) {
                movedHeader = db->Header();
                FHeaderList->RemoveItem(movedHeader);
            }
        }
    }
    FLastBandOnPage = FCurBand;
    EndPage();
    if (FPage->EndlessHeight()) {
        const double f = MmFactor();
        ResizeLastPage(FPageWidth + (FPage->LeftMargin() + FPage->RightMargin()) * f,
                       FooterHeight() + FCurY + (FPage->TopMargin() + FPage->BottomMargin()) * f);
    }
    StartOutputPage();
    FLastBandOnPage = nullptr;
    if (FKeeping) {
        FAggregates->EndKeep();
        FPreviewPages->PasteObjects(0, FCurY);
        if (FPreviewPages->Outline()) FPreviewPages->Outline()->ShiftItems(FKeepOutline, RoundEven(FCurY));
        FPreviewPages->ShiftAnchors(FKeepAnchor, RoundEven(FCurY));
        FCurY = FPreviewPages->GetLastY(0);
        if (FKeepFooter) FAggregates->AddValue(FKeepBand, 0);
    }
    RegisterRepeatedHeader(movedHeader);
    FKeeping = false;
    FKeepHeader = false;
    FKeepCurY = 0;
    OutlinePage();
}

void TrptEngine::EndPage() {
    if (!FCallFromEndPage) OutputColumnFooter();
    if (!FIsLastPage) {
        FCurX = FPageCurX;
        FCurColumn = 1;
    }
    if (FIsLastPage && !FCallFromEndPage) {
        FCallFromEndPage = true;
        TFinally reset([this] { FCallFromEndPage = false; });
        TrptBand* summary = FPage->FindBand(TrptReportSummary::StaticClassInfo());
        ShowBand(summary);
        if (summary && FPage->EndlessHeight()) {
            const double f = MmFactor();
            ResizeLastPage(FPage->LeftMargin() * f + FPageWidth + FPage->RightMargin() * f,
                           GetPageHeight() + FPage->TopMargin() * f + FPage->BottomMargin() * f);
        }
    }
    if (auto* footer = dynamic_cast<TrptPageFooter*>(FPage->FindBand(TrptPageFooter::StaticClassInfo()))) {
        FCurY = GetPageHeight() - footer->Height();
        FPrevFooterHeight =
            FIsLastPage && footer->PrintOnLastPage() && !FCallFromEndPage ? footer->Height() : 0;
        ShowPageBand(footer);
    }
    if (auto* overlay = dynamic_cast<TrptOverlay*>(FPage->FindBand(TrptOverlay::StaticClassInfo()));
        overlay && overlay->PrintOnTop()) {
        FCurY = 0;
        ShowPageBand(overlay);
    }
    FIsFirstPage = false;
}

void TrptEngine::ShowPageBand(TrptBand* Band) {
    if (!Band) return;
    bool dropped = false;
    {
        TFinally finish([&] { FinishBand(Band); });
        StretchBand(Band);
        if (Band->Visible()) {
            Band->SetLeft(0);
            Band->SetTop(FCurY);
            if (auto* footer = dynamic_cast<TrptPageFooter*>(Band)) {
                dropped = (FIsFirstPage && !footer->PrintOnFirstPage()) ||
                          (FIsLastPage && !footer->PrintOnLastPage() && !FCallFromEndPage);
            }
            if (!dropped) {
                if (!FPreviewPages->BandExists(Band)) FPreviewPages->AddObject(Band);
                FCurY += Band->Height();
            }
        }
    }
    // A page footer left out keeps its totals for the next page's footer.
    if (!dropped) FAggregates->Reset(Band);
}

void TrptEngine::StartKeeping(TrptBand* Band, int Position) {
    if (FKeeping || FIsFirstBand) return;
    FKeepCurY = FCurY;
    FKeeping = true;
    FKeepBand = Band;
    FKeepPosition = Position == 0 ? FPreviewPages->GetCurPosition() : Position;
    FKeepOutline = FPreviewPages->Outline() ? FPreviewPages->Outline()->GetCurPosition() : nullptr;
    FKeepAnchor = FPreviewPages->GetAnchorCurPosition();
    FAggregates->StartKeep();
}

void TrptEngine::StopKeeping(TrptBand* Band) {
    if (!FKeeping || Band != FKeepBand) return;
    FKeepCurY = 0;
    FKeeping = false;
    FKeepBand = nullptr;
    FAggregates->EndKeep();
    FKeepHeader = false;
}

void TrptEngine::OutlineToRoot() {
    if (FPreviewPages->Outline()) FPreviewPages->Outline()->LevelRoot();
}

void TrptEngine::OutlinePage() {
    if (FPage->OutlineText().isEmpty() || !FPreviewPages->Outline()) return;
    OutlineToRoot();
    FReport->SetCurObject(FPage->Name());
    FPreviewPages->Outline()->AddItem(VarToStr(FReport->Calc(FPage->OutlineText())), 0);
}

Variant TrptEngine::GetAggregateValue(const QString& Name, const QString& Expression, TrptBand* Band,
                                      int Flags) {
    return FAggregates->GetValue(FCurBand, FCurVColumn, Name, Expression, Band, Flags);
}

// =============================================================================================
// Band output

void TrptEngine::ShowBand(TrptBandClass Band) {
    ShowBand(FPage ? FPage->FindBand(Band) : nullptr);
}

void TrptEngine::ShowBand(TrptBand* Band) {
    if (!Band) return;
    if (Band->KeepChild()) StartKeeping(Band, 0);
    OutputBand(Band);
    TrptDataBand* data = AsDataBand(Band);
    if (!(data && data->CurColumn() > 1)) {
        if (TrptBand* child = Band->Child(); child && (Band->Visible() || Band->PrintChildIfInvisible()))
            ShowBand(child);
    }
    if (Band->KeepChild()) StopKeeping(Band);
    if (data) FAggregates->AddValue(Band, 0);
}

void TrptEngine::OutputBand(TrptBand* Band) {
    // A band whose cells vertical bands fill: the vertical run comes first.
    const bool vcells = Band->HasVBands() && !Is<TrptPageHeader>(Band);
    double saveX = FCurX;
    std::vector<int> savePageList;
    TrptBand* saveMaster = nullptr;
    if (vcells) {
        FReport->SetCurObject(Band->Name());
        Band->BeforePrint();
        FReport->DoBeforePrint(Band);
        BuildVerticalBands(Band);
        FCurX = 0;
        FCurLine = Band->LineN();
        FCurLineThrough = Band->LineThrough();
        FPreviewPages->SetAddPageAction(apAdd);
        savePageList = FVPageList;
        saveMaster = FVMasterBand;
    }
    if (Band->Vertical()) {
        OutputVerticalBand(Band);
        return;
    }
    TrptDataBand* data = AsDataBand(Band);
    const bool cols = data && data->Columns() > 1;
    auto* groupHeader = dynamic_cast<TrptGroupHeader*>(Band);
    if (!FCallFromAddPage && Band->Visible() && Band->StartNewPage() && !FOutputTo &&
        (!(data || groupHeader) || Band->LineN() != 1)) {
        FStartNewPageBand = Band;
        TFinally reset([this] { FStartNewPageBand = nullptr; });
        if (groupHeader && groupHeader->ResetPageNumbers()) FPreviewPages->ResetLogicalPageNumber();
        NewPage();
    }
    StretchBand(Band);
    Band->SetStretchedHeight(Band->Height());
    const bool nullBand = Is<TrptNullBand>(Band);
    {
        TFinally finish([&] { FinishBand(Band); });
        if (Band->Visible()) {
            bool split = false;
            if (!cols && !Is<TrptOverlay>(Band) && !nullBand && FreeSpace() < Band->Height() && !FOutputTo) {
                if ((Band->AllowSplit() && !FKeeping) ||
                    (Band->Height() > GetPageHeight() - FooterHeight() && !Band->HasVBands())) {
                    if (!Band->AllowSplit() && Band->LineThrough() > 1 && !Band->StartNewPage()) {
                        FCurBand = Band;
                        NewColumn();
                    }
                    if (FKeeping) StopKeeping(Band);
                    SplitBand(Band);
                    split = true;
                } else {
                    if (!FKeeping) RepeatSuppressed(Band);
                    if (!(Is<TrptChild>(Band) && FCallFromPHeader)) {
                        NewColumn();
                        // Its values were computed on the page it left: a page number would
                        // name that page.
                        if (!FKeeping && !Band->HasVBands()) RecalcPageTexts(Band);
                    }
                }
            }
            if (!split) {
                if (!nullBand) {
                    Band->SetLeft(cols ? Band->Left() + FCurX : FCurX);
                    Band->SetTop(FCurY);
                }
                if (FOutputTo) {
                    // Captured for a subreport printed on its parent: a copy with its objects.
                    auto* copy = new TrptBand(nullptr);
                    copy->SetParent(FOutputTo);
                    copy->AssignAll(Band);
                    copy->SetLeft(Band->Left());
                    copy->SetTop(Band->Top());
                } else if (!vcells) {
                    if (!FCallFromAddPage || !FPreviewPages->BandExists(Band)) FPreviewPages->AddObject(Band);
                } else {
                    FVPageList = savePageList;
                    FVMasterBand = saveMaster;
                    Band->SetLeft(0);
                    OutputVerticalPages(Band, saveX);
                }
                FCurY += Band->Height();
            }
        }
    }
    FAggregates->Reset(Band);
    if (Band->Visible()) RunBandSubreports(Band);
}

void TrptEngine::StretchBand(TrptBand* Band) {
    FCurBand = Band;
    BuildShiftTree(Band);
    if (Band != FVMasterBand) {
        FReport->SetCurObject(Band->Name());
        Band->BeforePrint();
        FReport->DoBeforePrint(Band);
    }
    bool stretched = false;
    bool onParent = false;
    const bool bandVisible = Band->Visible();
    // A copy: scripts must not change the list being walked.
    const TrptComponentList objects = Band->Objects();
    // The cells added by a vertical run are filled already.
    const size_t own = Band == FVMasterBand && Band->OriginalObjectsCount() >= 0
                           ? static_cast<size_t>(Band->OriginalObjectsCount())
                           : objects.size();
    for (size_t index = 0; index < objects.size(); ++index) {
        auto* rc = dynamic_cast<TrptReportComponent*>(objects[index]);
        if (!rc) continue;
        if (auto* sub = dynamic_cast<TrptSubreport*>(rc); sub && sub->PrintOnParent()) onParent = true;
        if (index < own) {
            FReport->SetCurObject(rc->Name());
            rc->BeforePrint();
            if (bandVisible) {
                FReport->DoBeforePrint(rc);
                if (rc->Visible()) {
                    rc->GetData();
                    FReport->DoNotifyEvent(rc, rc->OnAfterData());
                }
            }
        }
        if (bandVisible && rc->Visible()) {
            auto* s = dynamic_cast<TrptStretcheable*>(rc);
            if (s && s->StretchMode() != smDontStretch) {
                const double h = s->CalcHeight();
                if (h > s->Height()) {
                    s->SetShiftAmount(h - s->Height());
                    s->SetHeight(h);
                    stretched = true;
                } else {
                    s->SetShiftAmount(0);
                }
            }
        }
    }
    if (!Band->Visible()) return;
    if (stretched) PropagateShift(Band, 0, Band);
    if (onParent) RunSubreportsOnParent(Band);
    double bottom = 0;
    for (TrptComponent* c : Band->Objects())
        bottom = std::max(bottom, c->Top() + c->Height());
    // A dot-matrix text's bottom frame side takes the line below the text, when that text is
    // (one of) the lowest, whatever the order of the objects.
    for (TrptComponent* c : Band->Objects())
        if (DMPNeedsFrameLine(c) && std::fabs(c->Top() + c->Height() - bottom) < 1e-4) {
            bottom += rptDMPCharHeight;
            break;
        }
    if (Band->Stretched()) Band->SetHeight(bottom);
    FReport->SetCurObject(Band->Name());
    FReport->DoNotifyEvent(Band, Band->OnAfterCalcHeight());
    for (TrptComponent* c : Band->Objects())
        if (auto* s = dynamic_cast<TrptStretcheable*>(c); s && s->StretchMode() == smMaxHeight)
            s->SetHeight(bottom - s->Top() - (DMPNeedsFrameLine(s) ? rptDMPCharHeight : 0));
}

void TrptEngine::BuildShiftTree(TrptBand* Band) {
    if (!Band->ShiftChildren().empty()) return;
    std::vector<TrptReportComponent*> sorted;
    for (TrptComponent* c : Band->Objects())
        if (auto* rc = dynamic_cast<TrptReportComponent*>(c)) {
            rc->ShiftChildren().clear();
            sorted.push_back(rc);
        }
    std::stable_sort(sorted.begin(), sorted.end(), [](TrptReportComponent* a, TrptReportComponent* b) {
        return FormatKey(a->Top()) < FormatKey(b->Top());
    });
    if (sorted.empty()) return;
    // Node 0 stands 2 units above the band across its width: whatever nothing stands above
    // becomes its child, and those are the band's shift children.
    const double bandTop = Band->AbsTop();
    std::vector<TrptRectArea> rects;
    rects.emplace_back(0, bandTop - 2, Band->Width(), bandTop - 1);
    for (TrptReportComponent* rc : sorted) {
        const double l = rc->AbsLeft(), t = rc->AbsTop();
        rects.emplace_back(l, t, l + rc->Width(), t + rc->Height());
    }
    std::vector<TrptComponentList> children(rects.size());
    const size_t n = rects.size();
    for (size_t i = 0; i < n; ++i)
        for (size_t j = i + 1; j < n; ++j) {
            const TrptRectArea& a = rects[i];
            const TrptRectArea& b = rects[j];
            if (a.InterceptsY(b) || !(a.Y < b.Y) || !a.InterceptsX(b)) continue;
            std::unique_ptr<TrptRectArea> span = a.InterceptX(b);
            bool blocked = false;
            for (size_t k = j - 1; k > i && !blocked; --k) {
                const TrptRectArea& c = rects[k];
                if (!c.InterceptsY(a) && !c.InterceptsY(b) && span && c.InterceptsX(*span)) blocked = true;
            }
            if (!blocked) children[i].push_back(sorted[j - 1]);
        }
    for (size_t i = 1; i < n; ++i)
        sorted[i - 1]->ShiftChildren() = children[i];
    Band->ShiftChildren() = children[0];
}

void TrptEngine::PropagateShift(TrptReportComponent* Parent, double Offset, TrptBand* Band) {
    const TrptComponentList shiftChildren = Parent->ShiftChildren();
    for (TrptComponent* c : shiftChildren) {
        auto* o = dynamic_cast<TrptReportComponent*>(c);
        if (!o) continue;
        auto* view = dynamic_cast<TrptView*>(o);
        const TrptShiftMode mode = view ? view->ShiftMode() : smDontShift;
        double pass = 0;
        if (mode == smAlways) {
            o->SetTop(Offset + o->Top());
            pass = Offset + o->ShiftAmount();
        } else if (mode == smWhenOverlapped) {
            const double parentBottom = Parent->Top() + Parent->Height();
            if (Parent == Band || o->Top() >= parentBottom) {
                pass = o->ShiftAmount();
            } else {
                const double oldTop = o->Top();
                o->SetTop(parentBottom);
                pass = parentBottom - oldTop + o->ShiftAmount();
            }
        } else {
            pass = Offset + o->ShiftAmount();
        }
        PropagateShift(o, pass, Band);
        o->SetShiftAmount(0);
    }
}

void TrptEngine::FinishBand(TrptBand* Band) {
    const TrptComponentList objects = Band->Objects();
    const int added = Band->OriginalObjectsCount();
    TFinally freeAdded([&] {
        // Objects the engine added for this output (captured subreports, vertical cells) go.
        if (added < 0) return;
        TrptComponentList& list = Band->Objects();
        while (static_cast<int>(list.size()) > added) {
            std::unique_ptr<TrptComponent> gone(list.back());
            gone->SetParent(nullptr);
        }
        Band->SetOriginalObjectsCount(-1);
    });
    if (Band->Visible())
        for (TrptComponent* c : objects)
            if (auto* rc = dynamic_cast<TrptReportComponent*>(c)) {
                FReport->SetCurObject(rc->Name());
                FReport->DoAfterPrint(rc);
            }
    const size_t own = Band == FVMasterBand && added >= 0 ? static_cast<size_t>(added) : objects.size();
    for (size_t i = 0; i < objects.size() && i < own; ++i)
        if (auto* rc = dynamic_cast<TrptReportComponent*>(objects[i])) rc->AfterPrint();
    FReport->SetCurObject(Band->Name());
    FReport->DoAfterPrint(Band);
    Band->AfterPrint();
}

void TrptEngine::SplitBand(TrptBand* Band) {
    TrptComponentList all = Band->Objects();
    std::vector<TrptComponent*> pending;
    for (TrptComponent* c : all)
        if (!Is<TrptSubreport>(c)) pending.push_back(c);
    std::vector<TrptComponent*> moved;
    for (TrptComponent* c : all)
        if (auto* s = dynamic_cast<TrptStretcheable*>(c)) {
            s->InitPart();
            s->SetSaveHeight(s->Height());
        }
    TFinally restore([&] { Band->Objects() = all; });
    Band->Objects().clear();
    const size_t start = pending.size();
    double free = FreeSpace();
    bool partial = false;
    const double pageRoom = GetPageHeight() - FooterHeight();

    auto pushDown = [&](TrptComponent* o, double delta) {
        for (TrptComponent* p : pending) {
            if (p == o || std::find(moved.begin(), moved.end(), p) != moved.end()) continue;
            if (p->Top() >= o->Top() + o->Height() && p->Left() + p->Width() - o->Left() > Tolerance &&
                o->Left() + o->Width() - p->Left() > Tolerance) {
                p->SetTop(p->Top() + delta);
                moved.push_back(p);
            }
        }
    };

    int round = 0;
    while (!pending.empty()) {
        moved.clear();
        ProcessMessages();
        if (FReport->Terminated()) break;
        ++round;
        // The part starts at the top of an empty column: what does not fit here fits nowhere.
        const bool emptyColumn = round > 1 || std::abs(FCurY - FColumnTopY) < Tolerance;
        size_t i = 0;
        while (i < pending.size()) {
            TrptComponent* o = pending[i];
            auto* s = dynamic_cast<TrptStretcheable*>(o);
            double spare = 0, need = 0;
            bool more = false;
            if (s) {
                const bool atTop = emptyColumn && s->Top() <= Tolerance;
                s->SetSavedTop(s->Top());
                s->SetHeight(free - s->Top());
                auto* memo = dynamic_cast<TrptCustomMemoView*>(s);
                if (s->Top() < free)
                    spare = memo && atTop ? memo->DrawPartAtLeastOneLine() : s->DrawPart();
                need = s->SaveHeight();
                more = s->HasNextDataPart();
                if (memo && s->Top() < free && memo->PartMemo().isEmpty() && !more &&
                    std::abs(spare - s->Height()) >= Tolerance) {
                    // The rest of the text went into this part: the object is complete.
                    if (spare > 2 * Tolerance) s->SetHeight(s->Height() - spare);
                    Band->Objects().push_back(o);
                    pending.erase(pending.begin() + static_cast<std::ptrdiff_t>(i));
                    continue;
                }
                if (atTop && s->Top() < free && std::abs(spare - s->Height()) < Tolerance) {
                    // Nothing of it fits an empty column: output it cut here rather than move
                    // it on for ever.
                    Band->Objects().push_back(o);
                    pending.erase(pending.begin() + static_cast<std::ptrdiff_t>(i));
                    continue;
                }
            } else {
                need = o->Height();
            }
            if (o->Top() + need <= free && !more) {
                o->SetHeight(need);
                Band->Objects().push_back(o);
                pending.erase(pending.begin() + static_cast<std::ptrdiff_t>(i));
                continue;
            }
            if (s && s->Top() < free) {
                pushDown(o, spare);
                if (std::abs(spare - s->Height()) < Tolerance) {
                    s->SetTop(free);
                    s->SetHeight(s->SaveHeight());
                } else {
                    Band->Objects().push_back(o);
                    s->SetSaveHeight(s->SaveHeight() - s->Height() + spare);
                    partial = true;
                }
            } else if (s) {
                // Stays pending.
            } else if (o->Height() > pageRoom) {
                Band->Objects().push_back(o);
                pending.erase(pending.begin() + static_cast<std::ptrdiff_t>(i));
                continue;
            } else if (o->Top() < free) {
                pushDown(o, free - o->Top());
                o->SetTop(free);
            }
            ++i;
        }
        // This part's height, and the last part's bottom-aligned and max-height objects.
        double height = 0;
        for (TrptComponent* c : Band->Objects())
            height = std::max(height, c->Top() + c->Height());
        Band->SetHeight(height);
        if (pending.empty())
            for (TrptComponent* c : Band->Objects()) {
                if (auto* v = dynamic_cast<TrptView*>(c); v && v->Align() == baBottom)
                    v->SetTop(height - v->Height());
                if (auto* s = dynamic_cast<TrptStretcheable*>(c); s && s->StretchMode() == smMaxHeight)
                    s->SetHeight(height - s->Top());
            }
        Band->SetLeft(FCurX);
        Band->SetTop(FCurY);
        FPreviewPages->AddObject(Band);
        FCurY += Band->Height();
        FCurBand = Band;
        if (!pending.empty()) NewColumn();
        Band->Objects().clear();
        for (TrptComponent* c : pending) {
            c->SetTop(c->Top() - free);
            if (auto* s = dynamic_cast<TrptStretcheable*>(c)) {
                if (!partial && pending.size() == start) s->SetTop(s->SavedTop());
                if (s->Top() < 0) s->SetTop(0);
                s->SetHeight(s->SaveHeight());
            }
        }
        free = FreeSpace();
    }
}

void TrptEngine::RepeatSuppressed(TrptBand* Band) {
    bool reset = false;
    for (TrptComponent* c : Band->Objects())
        if (auto* memo = dynamic_cast<TrptCustomMemoView*>(c); memo && memo->SuppressRepeated()) {
            memo->ResetSuppress();
            reset = true;
        }
    if (!reset || Band->HasVBands()) return;
    FinishBand(Band);
    FCurLine = Band->LineN();
    FCurLineThrough = Band->LineThrough();
    const bool save = FSecondScriptCall;
    TFinally restore([&] { FSecondScriptCall = save; });
    FSecondScriptCall = true;
    StretchBand(Band);
}

void TrptEngine::RecalcPageTexts(TrptBand* Band) {
    for (TrptComponent* c : Band->Objects())
        if (auto* memo = dynamic_cast<TrptCustomMemoView*>(c)) {
            FReport->SetCurObject(memo->Name());
            memo->RecalcPageTexts();
        }
}

void TrptEngine::ClearLastValues(TrptBand* Band) {
    for (TrptComponent* c : Band->Objects())
        if (auto* memo = dynamic_cast<TrptCustomMemoView*>(c)) memo->SetLastValue(Variant::Null());
}

void TrptEngine::OutlineBand(TrptBand* Band) {
    if (Band->OutlineText().isEmpty() || !FPreviewPages->Outline()) return;
    FReport->SetCurObject(Band->Name());
    const double top = FCurY - (Band->Stretched() ? Band->StretchedHeight() : Band->Height());
    if (Band->Visible())
        FPreviewPages->Outline()->AddItem(VarToStr(FReport->Calc(Band->OutlineText())), RoundEven(top));
}

void TrptEngine::OutlineLevelUp(TrptBand* Band) {
    if (!Band->OutlineText().isEmpty() && FPreviewPages->Outline()) FPreviewPages->Outline()->LevelUp();
}

// =============================================================================================
// Band tree

void TrptEngine::BuildBandTree(bool Vertical) {
    FPage->AlignChildren();
    std::vector<TrptBand*>& top = Vertical ? FPage->VSubBands() : FPage->SubBands();
    top.clear();
    std::vector<std::pair<QString, TrptBand*>> ordered;
    for (TrptComponent* c : FPage->Objects()) {
        TrptBand* band = c->AsBand();
        if (!band || band->Vertical() != Vertical) continue;
        band->SubBands().clear();
        band->SetHeader(nullptr);
        band->SetFooter(nullptr);
        band->SetGroup(nullptr);
        band->SetHasVBands(false);
        if (!Vertical && !Is<TrptOverlay>(band)) TakeVerticalCells(band);
        band->ShiftChildren().clear();
        BuildShiftTree(band);
        if (TrptDataBand* data = AsDataBand(band); data && !data->DataSet() && data->RowCount() > 0) {
            data->SetDataSet(data->VirtualDataSet());
            data->VirtualDataSet()->Initialize();
        }
        const int number = band->BandNumber();
        if (number < 4 || number > 13) continue;
        const QString key = FormatKey(Vertical ? band->Left() : band->Top());
        const bool taken =
            std::any_of(ordered.begin(), ordered.end(), [&](const auto& e) { return e.first == key; });
        if (!taken) ordered.emplace_back(key, band);
    }
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<TrptBand*> list;
    for (auto& e : ordered)
        list.push_back(e.second);
    LinkGroupBands(list);
    LinkHeaderBands(list);
    LinkDetailBands(list, Vertical);
    for (TrptBand* b : list)
        FReport->Errors()->Add(GlobalResources()->Get(QStringLiteral("enBandPos")) + QLatin1Char(' ') +
                               b->Name());
}

void TrptEngine::LinkGroupBands(std::vector<TrptBand*>& List) {
    TStringList* errors = FReport->Errors();
    for (size_t i = 0; i < List.size();) {
        if (!Is<TrptGroupHeader>(List[i])) {
            ++i;
            continue;
        }
        TrptBand* g = List[i];
        size_t k = i;
        while (k < List.size() && Is<TrptGroupHeader>(List[k]))
            g->SubBands().push_back(List[k++]);
        TrptBand* data = nullptr;
        for (size_t d = k; d < List.size() && !data; ++d)
            if (AsDataBand(List[d])) data = List[d];
        if (data)
            data->SetGroup(g);
        else
            errors->Add(GlobalResources()->Get(QStringLiteral("enUnconnGroup")) + QLatin1Char(' ') +
                        g->Name());
        i = k;
    }
    std::vector<bool> gone(List.size(), false);
    for (size_t f = 0; f < List.size(); ++f) {
        if (!Is<TrptGroupFooter>(List[f])) continue;
        for (size_t h = f; h-- > 0;) {
            if (!gone[h] && Is<TrptGroupHeader>(List[h]) && !List[h]->Footer()) {
                List[h]->SetFooter(List[f]);
                gone[h] = gone[f] = true;
                break;
            }
        }
    }
    std::vector<TrptBand*> rest;
    for (size_t k = 0; k < List.size(); ++k) {
        if (gone[k] || Is<TrptGroupHeader>(List[k])) continue;
        if (Is<TrptGroupFooter>(List[k])) {
            errors->Add(GlobalResources()->Get(QStringLiteral("enUnconnGFooter")) + QLatin1Char(' ') +
                        List[k]->Name());
            continue;
        }
        rest.push_back(List[k]);
    }
    List = std::move(rest);
}

void TrptEngine::LinkHeaderBands(std::vector<TrptBand*>& List) {
    std::vector<bool> gone(List.size(), false);
    for (size_t k = 0; k < List.size(); ++k) {
        if (!AsDataBand(List[k])) continue;
        if (k > 0 && !gone[k - 1] && Is<TrptHeader>(List[k - 1])) {
            List[k]->SetHeader(List[k - 1]);
            gone[k - 1] = true;
        }
        if (k + 1 < List.size() && Is<TrptFooter>(List[k + 1])) {
            List[k]->SetFooter(List[k + 1]);
            gone[k + 1] = true;
        }
    }
    std::vector<TrptBand*> rest;
    for (size_t k = 0; k < List.size(); ++k) {
        if (gone[k]) continue;
        if (Is<TrptHeader>(List[k]) || Is<TrptFooter>(List[k])) {
            FReport->Errors()->Add(GlobalResources()->Get(QStringLiteral("enUnconnHeader")) +
                                   QLatin1Char(' ') + List[k]->Name());
            continue;
        }
        rest.push_back(List[k]);
    }
    List = std::move(rest);
}

void TrptEngine::LinkDetailBands(std::vector<TrptBand*>& List, bool Vertical) {
    std::vector<TrptBand*>& top = Vertical ? FPage->VSubBands() : FPage->SubBands();
    auto hasData = [](TrptBand* b) { return AsDataBand(b) && AsDataBand(b)->DataSet(); };
    std::function<void(TrptBand*, size_t)> findDetails = [&](TrptBand* master, size_t pos) {
        const int wanted = master->BandNumber() + 1;
        size_t k = pos;
        while (k < List.size()) {
            const int n = List[k]->BandNumber();
            if (n == wanted) {
                TrptBand* detail = List[k];
                List.erase(List.begin() + static_cast<std::ptrdiff_t>(k));
                if (hasData(detail)) master->SubBands().push_back(detail);
                if (!Is<TrptDataBand6>(detail)) findDetails(detail, k);
            } else if (n > wanted) {
                ++k;
            } else {
                break;
            }
        }
    };
    for (size_t i = 0; i < List.size();) {
        if (!Is<TrptMasterData>(List[i])) {
            ++i;
            continue;
        }
        TrptBand* master = List[i];
        List.erase(List.begin() + static_cast<std::ptrdiff_t>(i));
        if (hasData(master)) top.push_back(master);
        findDetails(master, i);
    }
}

// =============================================================================================
// Data loops

void TrptEngine::ProcessMessages() {
    if (FReport->EngineOptions()->EnableThreadSafe()) return;
    // The window messages are looked at a few times a second: once per row would cost more than
    // the row itself on large reports.
    static QElapsedTimer clock;
    if (clock.isValid() && clock.elapsed() < 40) return;
    clock.start();
    if (Application) Application->ProcessMessages();
}

bool TrptEngine::DetailsHaveData(TrptComponent* Owner, bool Flag) {
    if (Flag) return true;
    std::vector<TrptBand*>* details = SubBandsOf(Owner);
    bool result = Owner->AsBand() ? (!details || details->empty()) : false;
    if (!details) return result;
    for (TrptBand* b : *details) {
        TrptDataBand* detail = AsDataBand(b);
        TrptDataSet* ds = detail ? detail->DataSet() : nullptr;
        if (!ds) continue;
        FReport->DoNotifyEvent(detail, detail->OnMasterDetail());
        ds->First();
        while (!ds->Eof()) {
            if (DetailsHaveData(detail, detail->PrintIfDetailEmpty())) {
                result = true;
                break;
            }
            ds->Next();
        }
    }
    return result;
}

void TrptEngine::LoopDataBands(TrptComponent* Owner) {
    ProcessMessages();
    if (FReport->Terminated()) return;
    std::vector<TrptBand*>* list = SubBandsOf(Owner);
    if (!list) return;
    double rowTop = FCurY;
    int columnPosition = 0;
    const std::vector<TrptBand*> bands = *list;
    for (TrptBand* b : bands) {
        TrptDataBand* band = AsDataBand(b);
        TrptDataSet* ds = band ? band->DataSet() : nullptr;
        if (!ds) continue;
        ds->First();
        band->SetLineN(1);
        band->SetLineThrough(1);
        band->SetCurColumn(1);
        ClearLastValues(band);
        bool first = true;
        int keepPos = 0;
        std::vector<TrptBand*>* chain = band->Group() ? &band->Group()->SubBands() : nullptr;
        TrptBand* header = band->Header();
        while (!ds->Eof()) {
            if (DetailsHaveData(band, band->PrintIfDetailEmpty())) {
                const bool keepHeader = first && band->KeepHeader() && header;
                if (first) {
                    if (keepHeader) {
                        if (FIsFirstBand) FIsFirstBand = !FTitlePrinted;
                        FKeepHeader = !FIsFirstBand;
                        StartKeeping(band, 0);
                    }
                    RegisterRepeatedHeader(header);
                    ShowBand(header);
                    if (band->KeepTogether()) StartKeeping(band, 0);
                } else if (band->KeepTogether() && !chain) {
                    StartKeeping(band, 0);
                }
                if (chain) {
                    if (first)
                        OpenGroups(band, *chain, true, 0);
                    else
                        CheckGroupChange(band, *chain, rowTop, columnPosition);
                }
                if (band->KeepFooter()) keepPos = FPreviewPages->GetCurPosition();
                if (band->Columns() > 1 && band->CurColumn() == 1)
                    columnPosition = FPreviewPages->GetCurPosition();
                rowTop = FCurY;
                FCurLine = band->LineN();
                FCurLineThrough = band->LineThrough();
                ShowBand(band);
                FKeepHeader = false;
                NotifyListeners(band);
                if (keepHeader) StopKeeping(band);
                first = false;
                FHBandNames << band->Name();
                FHBandRows.push_back(band->LineThrough());
                band->SetLineN(band->LineN() + 1);
                band->SetLineThrough(band->LineThrough() + 1);
                AdvanceBandColumn(band, columnPosition, rowTop);
                OutlineBand(band);
                {
                    TFinally closeRow([this] {
                        FHBandNames.removeLast();
                        FHBandRows.pop_back();
                    });
                    LoopDataBands(band);
                }
                OutlineLevelUp(band);
                FIsFirstBand = false;
                if (band->FooterAfterEach()) ShowBand(band->Footer());
            }
            if (band->KeepTogether() && !chain) StopKeeping(band);
            ProcessMessages();
            ds->Next();
            if ((band->RowCount() != 0 && band->RowCount() < band->LineN()) || FReport->Terminated()) break;
        }
        band->SetCurColumn(band->Columns());
        AdvanceBandColumn(band, columnPosition, rowTop);
        if (!first) {
            if (chain) CloseGroups(*chain, 0, band);
            if (FKeeping) UnregisterRepeatedHeader(header);
            if (!band->FooterAfterEach()) {
                if (band->KeepFooter()) StartKeeping(band, keepPos);
                FKeepFooter = true;
                {
                    TFinally reset([this] { FKeepFooter = false; });
                    ShowBand(band->Footer());
                    if (band->KeepFooter()) StopKeeping(band);
                }
            }
            UnregisterRepeatedHeader(header);
            if (chain && band->KeepTogether()) StopKeeping(band);
        }
        if (FReport->Terminated()) break;
        FIsFirstBand = false;
    }
}

void TrptEngine::OpenGroups(TrptBand* Band, std::vector<TrptBand*>& Chain, bool Init, int Index) {
    const int n = static_cast<int>(Chain.size());
    for (int i = Index; i < n; ++i) {
        TrptBand* g = Chain[static_cast<size_t>(i)];
        if (Init) {
            g->SetLineN(1);
            g->SetLineThrough(1);
            ClearLastValues(g);
        } else {
            g->SetLineN(i == Index ? g->LineN() + 1 : 1);
            g->SetLineThrough(g->LineThrough() + 1);
        }
    }
    ApplyDrillState(Band, Chain);
    for (int i = Index; i < n; ++i) {
        auto* g = dynamic_cast<TrptGroupHeader*>(Chain[static_cast<size_t>(i)]);
        if (!g) continue;
        FCurLine = g->LineN();
        FCurLineThrough = g->LineThrough();
        FReport->SetCurObject(g->Name());
        g->SetLastValue(FReport->Calc(g->Condition()));
        if (g->KeepTogether()) StartKeeping(g, 0);
        ShowBand(g);
        OutlineBand(g);
        if (g->Vertical())
            RegisterRepeatedVHeader(g);
        else
            RegisterRepeatedHeader(g);
    }
}

void TrptEngine::CheckGroupChange(TrptBand* Band, std::vector<TrptBand*>& Chain, double& RowTop,
                                  int ColumnPosition) {
    auto* data = AsDataBand(Band);
    ApplyDrillState(Band, Chain);
    for (size_t i = 0; i < Chain.size(); ++i) {
        auto* g = dynamic_cast<TrptGroupHeader*>(Chain[i]);
        if (!g) continue;
        FReport->SetCurObject(g->Name());
        const Variant value = FReport->Calc(g->Condition());
        if (VarCompareValue(value, g->LastValue()) == vrEqual) continue;
        data->SetCurColumn(data->Columns());
        AdvanceBandColumn(Band, ColumnPosition, RowTop);
        TrptDataSet* ds = data->DataSet();
        bool priorDone = true;
        try {
            ds->Prior();
        } catch (const Exception&) {
            priorDone = false;
        }
        CloseGroups(Chain, static_cast<int>(i), Band);
        if (priorDone) ds->Next();
        OpenGroups(Band, Chain, false, static_cast<int>(i));
        Band->SetLineN(1);
        ClearLastValues(Band);
        return;
    }
}

void TrptEngine::CloseGroups(std::vector<TrptBand*>& Chain, int Index, TrptBand* Band) {
    for (int i = static_cast<int>(Chain.size()) - 1; i >= Index; --i) {
        auto* g = dynamic_cast<TrptGroupHeader*>(Chain[static_cast<size_t>(i)]);
        if (!g) continue;
        if (auto* footer = dynamic_cast<TrptGroupFooter*>(g->Footer())) {
            if (footer->HideIfSingleDataRecord() && Band->LineN() <= 2)
                FAggregates->Reset(footer);
            else
                ShowBand(footer);
        }
        OutlineLevelUp(g);
        if (g->Vertical())
            UnregisterRepeatedVHeader(g);
        else
            FHeaderList->RemoveItem(g);
        if (g->KeepTogether()) StopKeeping(g);
    }
}

void TrptEngine::AdvanceBandColumn(TrptBand* Band, int ColumnPosition, double RowTop) {
    TrptDataBand* data = AsDataBand(Band);
    if (!data || data->Columns() <= 1 || !data->Visible()) return;
    data->SetMaxY(std::max(data->MaxY(), FCurY));
    if (data->CurColumn() < data->Columns()) {
        FCurY = RowTop;
    } else if (GetPageHeight() - FooterHeight() - data->MaxY() > Tolerance || FPage->EndlessHeight()) {
        FCurY = data->MaxY();
    } else if (FKeeping) {
        NewColumn();
    } else {
        FPreviewPages->CutObjects(ColumnPosition);
        NewColumn();
        FPreviewPages->PasteObjects(FCurX, FCurY);
        FCurY = FCurY + data->MaxY() - RowTop;
    }
    data->SetCurColumn(data->CurColumn() + 1);
}

void TrptEngine::RegisterRepeatedHeader(TrptBand* Band) {
    if (!Band) return;
    bool repeat = false;
    if (auto* h = dynamic_cast<TrptHeader*>(Band)) repeat = h->ReprintOnNewPage();
    if (auto* g = dynamic_cast<TrptGroupHeader*>(Band)) repeat = g->ReprintOnNewPage();
    if (repeat) FHeaderList->AddItem(Band, FPageCurX, FKeeping && !Is<TrptHeader>(Band));
}

void TrptEngine::UnregisterRepeatedHeader(TrptBand* Band) {
    if (Band) FHeaderList->RemoveItem(Band);
}

void TrptEngine::ApplyDrillState(TrptBand* Band, std::vector<TrptBand*>& Chain) {
    if (Chain.empty()) return;
    auto* first = dynamic_cast<TrptGroupHeader*>(Chain.front());
    for (size_t i = 0; i < Chain.size(); ++i) {
        auto* g = dynamic_cast<TrptGroupHeader*>(Chain[i]);
        if (!g || !g->DrillDown()) continue;
        QString name;
        for (int k = 0; k < FHBandNames.size(); ++k)
            name += FHBandNames[k] + QLatin1Char('.') + QString::number(FHBandRows[static_cast<size_t>(k)]) +
                    QLatin1Char('.');
        name += g->Name() + QLatin1Char('.') + QString::number(g->LineThrough());
        g->SetDrillName(name);
        bool expanded = FReport->DrillState()->IndexOf(name) >= 0;
        if (g->ExpandDrillDown()) expanded = !expanded;
        if (g->Child() && first && !first->ShowChildIfDrillDown()) g->Child()->SetVisible(expanded);
        for (size_t k = i + 1; k < Chain.size(); ++k) {
            Chain[k]->SetVisible(expanded);
            if (Chain[k]->Footer()) Chain[k]->Footer()->SetVisible(expanded);
        }
        Band->SetVisible(expanded);
        if (g->Footer() && !g->ShowFooterIfDrillDown()) g->Footer()->SetVisible(expanded);
        if (!expanded) return;
    }
}

void TrptEngine::RegisterRepeatedVHeader(TrptBand* Band) {
    if (!Band) return;
    bool repeat = false;
    if (auto* h = dynamic_cast<TrptHeader*>(Band)) repeat = h->ReprintOnNewPage();
    if (auto* g = dynamic_cast<TrptGroupHeader*>(Band)) repeat = g->ReprintOnNewPage();
    if (repeat) FVHeaderList.push_back(Band);
}

void TrptEngine::UnregisterRepeatedVHeader(TrptBand* Band) {
    if (!Band) return;
    auto it = std::find(FVHeaderList.begin(), FVHeaderList.end(), Band);
    if (it != FVHeaderList.end()) FVHeaderList.erase(it);
}

void TrptEngine::CheckDataBandDataSets(TrptReportPage* Page) {
    // A detail walking its master's own dataset would leave the master at its end after the
    // first row: the master's other rows would silently go missing.
    std::function<void(TrptBand*)> check = [&](TrptBand* master) {
        TrptDataBand* m = AsDataBand(master);
        for (TrptBand* d : master->SubBands()) {
            TrptDataBand* detail = AsDataBand(d);
            if (m && detail && detail->DataSet() && detail->DataSet() == m->DataSet() &&
                detail->DataSet() != detail->VirtualDataSet())
                FReport->Errors()->Add(QStringLiteral("%1: the detail band uses the dataset of its master %2")
                                           .arg(detail->Name(), m->Name()));
            check(d);
        }
    };
    for (TrptBand* b : Page->SubBands())
        check(b);
    for (TrptBand* b : Page->VSubBands())
        check(b);
}

void TrptEngine::NotifyListeners(TrptBand* Band) {
    for (TObject* o : FNotifyList)
        if (auto* c = dynamic_cast<TrptComponent*>(o)) c->OnNotify(Band);
}

// =============================================================================================

bool PrepareReportPages(TrptReport* Report) {
    return PrepareReport(Report, true);
}

void RegisterEngineClasses() {
    static std::once_flag once;
    std::call_once(once, [] { RegisterClasses({TrptEngine::StaticClassInfo()}); });
}
