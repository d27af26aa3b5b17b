// The engine's subreports (a report page run in a band's place, beside the band's other
// subreports or captured into the band) and vertical bands (cells of a horizontal band repeated
// from left to right, continuing on further pages).

#include "report/core/rptEngine.h"

#include "report/core/rptClassBand.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptClassView.h"
#include "report/core/rptDataSets.h"
#include "report/core/rptPreparedPages.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <set>

namespace {

constexpr double Tolerance = 0.0001;
// Subreports may nest; deeper than this only a loop the checks missed can go.
constexpr int MaxSubreportDepth = 64;

// Runs a clean-up when the scope ends, also while an exception passes.
template <class F> class TScopeExit {
public:
    explicit TScopeExit(F f) : FF(std::move(f)) {}
    ~TScopeExit() {
        try {
            FF();
        } catch (...) {
            // The first error is the one reported.
        }
    }
    TScopeExit(const TScopeExit&) = delete;
    TScopeExit& operator=(const TScopeExit&) = delete;

private:
    F FF;
};

template <class T> bool Is(const TrptComponent* c) {
    return dynamic_cast<const T*>(c) != nullptr;
}

std::vector<TrptSubreport*> SubreportsOf(TrptComponent* Owner) {
    std::vector<TrptSubreport*> out;
    for (TrptComponent* c : Owner->AllObjects())
        if (auto* s = dynamic_cast<TrptSubreport*>(c)) out.push_back(s);
    return out;
}

} // namespace

// =============================================================================================
// Checks before the run

void TrptEngine::CheckSubreports() {
    TStringList* errors = FReport->Errors();
    std::vector<TrptReportPage*> pages;
    for (int i = 0; i < FReport->PagesCount(); ++i)
        if (auto* p = dynamic_cast<TrptReportPage*>(FReport->Pages(i))) pages.push_back(p);

    for (TrptReportPage* page : pages)
        for (TrptSubreport* s : SubreportsOf(page)) {
            TrptComponent* parent = s->Parent();
            // Page-level bands are output while a page begins or ends: a subreport there could
            // only begin and end pages itself, for ever.
            const bool pageBand = Is<TrptPageHeader>(parent) || Is<TrptPageFooter>(parent) ||
                                  Is<TrptColumnHeader>(parent) || Is<TrptColumnFooter>(parent) ||
                                  Is<TrptOverlay>(parent);
            if (pageBand && !s->PrintOnParent())
                errors->Add(QStringLiteral("%1: a subreport on %2 can only print on its parent (PrintOnParent)")
                                .arg(s->Name(), parent->Name()));
        }

    // A subreport whose page holds, directly or through other subreports, a subreport of a page
    // already on the way would run for ever.
    std::set<TrptSubreport*> reported;
    std::vector<TrptReportPage*> path;
    std::function<void(TrptReportPage*)> visit = [&](TrptReportPage* page) {
        if (path.size() > static_cast<size_t>(MaxSubreportDepth)) return;
        for (TrptSubreport* s : SubreportsOf(page)) {
            TrptReportPage* sp = s->Page();
            if (!sp) continue;
            auto it = std::find(path.begin(), path.end(), sp);
            if (it != path.end()) {
                if (reported.insert(s).second) {
                    QStringList names;
                    for (auto k = it; k != path.end(); ++k)
                        names << (*k)->Name();
                    names << sp->Name();
                    errors->Add(QStringLiteral("%1: the subreport contains itself (%2)")
                                    .arg(s->Name(), names.join(QStringLiteral(" > "))));
                }
                continue;
            }
            path.push_back(sp);
            visit(sp);
            path.pop_back();
        }
    };
    for (TrptReportPage* page : pages) {
        path = {page};
        visit(page);
    }
}

// =============================================================================================
// Subreports

void TrptEngine::RunSubreportPage(TrptReportPage* Page) {
    if (FSubreportDepth >= MaxSubreportDepth)
        throw ErptEngineError(QStringLiteral("%1: subreports nested deeper than %2").arg(Page->Name()).arg(MaxSubreportDepth));
    ++FSubreportDepth;
    TScopeExit down([this] { --FSubreportDepth; });
    LoopDataBands(Page);
}

void TrptEngine::RunBandSubreports(TrptBand* Band) {
    std::vector<TrptSubreport*> subs;
    for (TrptComponent* c : Band->Objects())
        if (auto* s = dynamic_cast<TrptSubreport*>(c); s && s->Visible() && !s->PrintOnParent() && s->Page())
            subs.push_back(s);
    if (subs.empty()) return;
    const double saveX = FCurX, savePageCurX = FPageCurX, saveY = FCurY;
    const int savePage = FPreviewPages->CurPage(), saveColumn = FCurColumn;
    int bestPage = savePage, bestColumn = saveColumn;
    double bestY = saveY;
    for (TrptSubreport* s : subs) {
        FPreviewPages->SetCurPage(savePage);
        FCurColumn = saveColumn;
        FPageCurX = savePageCurX + s->Left();
        FCurX = saveX + s->Left();
        FCurY = saveY - Band->StretchedHeight() + s->Top();
        RunReportPage(s->Page());
        const int page = FPreviewPages->CurPage();
        // The furthest end wins: a later page, then a later column, then a lower position.
        if (page > bestPage || (page == bestPage && (FCurColumn > bestColumn ||
                                                     (FCurColumn == bestColumn && FCurY > bestY)))) {
            bestPage = page;
            bestColumn = FCurColumn;
            bestY = FCurY;
        }
    }
    FPreviewPages->SetCurPage(bestPage);
    FCurColumn = bestColumn;
    FCurX = savePageCurX + (bestColumn > 1 ? FPage->ColumnOffsetMM(bestColumn) * 3.77953 : 0);
    FCurY = bestY;
    FPageCurX = savePageCurX;
}

void TrptEngine::RunSubreportsOnParent(TrptBand* Band) {
    // A band being captured already does not capture again.
    if (FOutputTo) return;
    std::vector<TrptSubreport*> subs;
    for (TrptComponent* c : Band->Objects())
        if (auto* s = dynamic_cast<TrptSubreport*>(c); s && s->Visible() && s->PrintOnParent() && s->Page())
            subs.push_back(s);
    if (subs.empty()) return;
    Band->SetOriginalObjectsCount(static_cast<int>(Band->Objects().size()));
    auto capture = std::make_unique<TrptNullBand>(nullptr);
    {
        const double saveX = FCurX, saveY = FCurY, savePageCurX = FPageCurX;
        FOutputTo = capture.get();
        TScopeExit restore([&] {
            FCurX = saveX;
            FCurY = saveY;
            FPageCurX = savePageCurX;
            FOutputTo = nullptr;
        });
        for (TrptSubreport* s : subs) {
            FPageCurX = savePageCurX + s->Left();
            FCurX = s->Left();
            FCurY = s->Top();
            RunReportPage(s->Page());
        }
    }
    // The captured objects become the band's own, where they were output, no longer stretching.
    const TrptComponentList all = capture->AllObjects();
    for (TrptComponent* c : all) {
        auto* view = dynamic_cast<TrptView*>(c);
        if (!view || Is<TrptSubreport>(c)) continue;
        const double left = view->AbsLeft(), top = view->AbsTop();
        view->SetParent(Band);
        view->SetLeft(left);
        view->SetTop(top);
        view->SetParentFont(false);
        if (auto* s = dynamic_cast<TrptStretcheable*>(view)) s->SetStretchMode(smDontStretch);
    }
}

// =============================================================================================
// Vertical bands

void TrptEngine::TakeVerticalCells(TrptBand* Band) {
    for (TrptComponent* c : FPage->Objects()) {
        TrptBand* vband = c->AsBand();
        if (!vband || !vband->Vertical()) continue;
        const double l = vband->Left(), r = vband->Left() + vband->Width();
        const TrptComponentList objects = Band->Objects();
        for (TrptComponent* o : objects) {
            if (Is<TrptSubreport>(o)) continue;
            if (o->Left() >= l - Tolerance && o->Left() + o->Width() <= r + Tolerance) {
                o->SetParent(vband);
                o->SetOriginalBand(Band);
                o->SetLeft(o->Left() - l);
            }
        }
        // Cells taken in an earlier run are still the vertical band's.
        for (TrptComponent* o : vband->Objects())
            if (o->OriginalBand() == Band) Band->SetHasVBands(true);
    }
}

void TrptEngine::BuildVerticalBands(TrptBand* Band) {
    FVMasterBand = Band;
    Band->SetOriginalObjectsCount(static_cast<int>(Band->Objects().size()));
    Band->SetAllowSplit(false);
    const int savePage = FPreviewPages->CurPage();
    FVHeaderList.clear();
    FVPageList.clear();
    FVPageList.push_back(0);
    FCurVColumn = 0;
    LoopVerticalDataBands(FPage->VSubBands());
    FVPageList.push_back(static_cast<int>(Band->Objects().size()));
    FPreviewPages->SetCurPage(savePage);
}

void TrptEngine::LoopVerticalDataBands(std::vector<TrptBand*>& List) {
    if (FReport->Terminated()) return;
    const std::vector<TrptBand*> bands = List;
    for (TrptBand* b : bands) {
        auto* band = dynamic_cast<TrptDataBand*>(b);
        TrptDataSet* ds = band ? band->DataSet() : nullptr;
        if (!ds) continue;
        ds->First();
        band->SetLineN(1);
        band->SetLineThrough(1);
        band->SetCurColumn(1);
        FCurLine = 1;
        FCurLineThrough = 1;
        ClearLastValues(band);
        std::vector<TrptBand*>* chain = band->Group() ? &band->Group()->SubBands() : nullptr;
        TrptBand* header = band->Header();
        bool any = false;
        double rowTop = 0;
        while (!ds->Eof()) {
            if (!any) {
                ShowBand(header);
                RegisterRepeatedVHeader(header);
            }
            if (chain) {
                if (!any)
                    OpenGroups(band, *chain, true, 0);
                else
                    CheckGroupChange(band, *chain, rowTop, 0);
            }
            any = true;
            FCurLine = band->LineN();
            FCurLineThrough = band->LineThrough();
            ShowBand(band);
            NotifyListeners(band);
            band->SetLineN(band->LineN() + 1);
            band->SetLineThrough(band->LineThrough() + 1);
            LoopVerticalDataBands(band->SubBands());
            if (band->FooterAfterEach()) ShowBand(band->Footer());
            ds->Next();
            if ((band->RowCount() != 0 && band->RowCount() < band->LineN()) || FReport->Terminated()) break;
        }
        // Groups that never opened have nothing to close.
        if (any) {
            if (chain) CloseGroups(*chain, 0, band);
            UnregisterRepeatedVHeader(header);
            if (!band->FooterAfterEach()) ShowBand(band->Footer());
        }
    }
}

void TrptEngine::OutputVerticalBand(TrptBand* VBand) {
    if (dynamic_cast<TrptDataBand*>(VBand)) ++FCurVColumn;
    const bool footer = Is<TrptFooter>(VBand) || Is<TrptGroupFooter>(VBand);
    FCurBand = footer ? VBand : FVMasterBand;
    FReport->SetCurObject(VBand->Name());
    VBand->BeforePrint();
    FReport->DoBeforePrint(VBand);
    if (VBand->Visible() && FVMasterBand) {
        if (FCurX + VBand->Width() > FPageWidth + Tolerance) {
            if (FPage->EndlessWidth()) {
                FPageWidth += VBand->Width();
            } else {
                if (FPreviewPages->CurPage() < FPreviewPages->Count() - 1)
                    FPreviewPages->SetCurPage(FPreviewPages->CurPage() + 1);
                else
                    FPreviewPages->AddPage(FPage);
                FCurX = 0;
                FVPageList.push_back(static_cast<int>(FVMasterBand->Objects().size()));
                const std::vector<TrptBand*> headers = FVHeaderList;
                for (TrptBand* h : headers)
                    ShowBand(h);
            }
        }
        const TrptComponentList cells = VBand->Objects();
        for (TrptComponent* c : cells) {
            auto* cell = dynamic_cast<TrptReportComponent*>(c);
            if (!cell || cell->OriginalBand() != FVMasterBand) continue;
            FReport->SetCurObject(cell->Name());
            cell->BeforePrint();
            FReport->DoBeforePrint(cell);
            cell->GetData();
            FReport->DoNotifyEvent(cell, cell->OnAfterData());
            std::unique_ptr<TObject> made(cell->ClassInfo()->CreateInstance(nullptr));
            if (auto* copy = dynamic_cast<TrptReportComponent*>(made.get())) {
                copy->Assign(cell);
                copy->SetName(cell->Name());
                copy->SetAliasName(cell->AliasName());
                copy->SetOriginalComponent(cell->OriginalComponent() ? cell->OriginalComponent() : cell);
                copy->SetLeft(cell->Left() + FCurX);
                copy->SetParent(FVMasterBand);
                made.release();
            }
            cell->AfterPrint();
        }
        FCurX += VBand->Width();
    }
    FReport->DoAfterPrint(VBand);
    VBand->AfterPrint();
    if (dynamic_cast<TrptDataBand*>(VBand) && FVMasterBand)
        Aggregates()->AddValue(FVMasterBand, FCurVColumn);
    else if (footer)
        Aggregates()->Reset(VBand);
}

void TrptEngine::OutputVerticalPages(TrptBand* Band, double SaveX) {
    FPreviewPages->SetAddPageAction(apWriteOver);
    const int savePage = FPreviewPages->CurPage();
    const double saveY = FCurY;
    const TrptComponentList all = Band->Objects();
    {
        TScopeExit restore([&] {
            Band->Objects() = all;
            FDontShowHeaders = false;
            FPreviewPages->SetCurPage(savePage);
            FCurY = saveY;
            FCurX = SaveX;
            FPreviewPages->SetAddPageAction(apAdd);
        });
        const size_t slices = FVPageList.size() < 2 ? 0 : FVPageList.size() - 1;
        for (size_t k = 0; k < slices; ++k) {
            const int from = std::clamp(FVPageList[k], 0, static_cast<int>(all.size()));
            const int to = std::clamp(FVPageList[k + 1], from, static_cast<int>(all.size()));
            Band->Objects().assign(all.begin() + from, all.begin() + to);
            Band->SetTop(saveY);
            FPreviewPages->AddObject(Band);
            if (k + 1 == slices) {
                if (slices > 1) EndPage();
            } else {
                FDontShowHeaders = true;
                NewPage();
                FDontShowHeaders = false;
            }
        }
    }
}
