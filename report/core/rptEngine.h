#pragma once
// The report engine: turns a loaded template with its datasets into prepared pages, in one pass
// or in two (the first only counts the pages for TotalPages#). It walks the report pages and
// their bands, runs the data bands over their datasets, and hands every band that reaches paper
// to the prepared pages, which copy it with its objects.
//
// The unit holds the run and its passes, the output pages (page header and footer, title and
// summary, columns, page and column breaks, keep blocks that move whole to the next page), the
// showing of one band (events, data, stretching, the decision to stay, move or split) and the
// band tree with the data loops. Geometry is in pixels of 96 per inch relative to the printable
// area of the current output page; paper measures are millimetres (3.77953 pixels each).

#include "platform/rtl/Exceptions.h"
#include "report/core/rptAggregates.h"
#include "report/core/rptClassBases.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class TrptBand;
class TrptNullBand;
class TrptReportPage;
class TrptXMLItem;

// A report page that cannot be run (no room for its bands); the run stops with it.
KORVEL_EXCEPTION(ErptEngineError, Exception)

// One band repeated at the top of every new page or column.
struct TrptHeaderListItem {
    TrptBand* Band = nullptr;
    // The page-area left at which it was registered.
    double Left = 0;
    // Registered while a keep block was open.
    bool IsInKeepList = false;
};

class TrptHeaderList {
public:
    void Clear() { FList.clear(); }
    int Count() const { return static_cast<int>(FList.size()); }
    TrptHeaderListItem& Items(int Index) { return FList[static_cast<size_t>(Index)]; }
    // Nil bands are appended too (a page without a title keeps its slot).
    void AddItem(TrptBand* ABand, double ALeft, bool AInKeepList) {
        FList.push_back({ABand, ALeft, AInKeepList});
    }
    // The first item of that band; nothing when there is none.
    void RemoveItem(TrptBand* ABand);

private:
    std::vector<TrptHeaderListItem> FList;
};

class TrptEngine : public TrptCustomEngine {
    KORVEL_CLASS(TrptEngine, TrptCustomEngine)
public:
    explicit TrptEngine(TrptReport* AReport);
    ~TrptEngine() override;

    // The printable height; on an endless page FooterHeight + CurY.
    double GetPageHeight() const override;
    void EndPage() override;
    void BreakAllKeep() override;
    void NewColumn() override;
    void NewPage() override;
    void ShowBand(TrptBand* Band) override;
    void ShowBand(TrptBandClass Band) override;
    double HeaderHeight() override;
    double FooterHeight() override;
    double FreeSpace() override;
    Variant GetAggregateValue(const QString& Name, const QString& Expression, TrptBand* Band,
                              int Flags) override;
    // False when nothing was output: template errors (in Report.Errors) or a cancelled dialog.
    bool Run() override;

    bool Initialize();
    void Finalize();

    TrptAggregateList* Aggregates() const { return FAggregates.get(); }
    TrptHeaderList* HeaderList() const { return FHeaderList.get(); }
    TrptReportPage* CurPageObject() const { return FPage; }
    TrptBand* CurBand() const { return FCurBand; }
    bool Keeping() const { return FKeeping; }

    // Keep blocks: the bands output between the two calls move together when a break falls
    // inside them. Position 0 means the prepared page's current position.
    void StartKeeping(TrptBand* Band, int Position);
    void StopKeeping(TrptBand* Band);

private:
    // Pass structure.
    bool ShowDialogPages();
    void RunPass();
    void RunAllPages();
    void RunReportPage(TrptReportPage* Page);
    void RunPageBody();
    void StartReportPage();
    void OutputPageObjects();

    // Output pages.
    void StartOutputPage();
    void ShowColumnHeaderChain(TrptBand* Band);
    void OutputColumnFooter();
    void StartNextColumn();
    void ShowPageBand(TrptBand* Band);
    void OutlinePage();
    void OutlineToRoot();
    double FooterHeightConst() const;
    double MmFactor() const;
    void ResizeLastPage(double Width, double Height);

    // Band output.
    void OutputBand(TrptBand* Band);
    void StretchBand(TrptBand* Band);
    void FinishBand(TrptBand* Band);
    void BuildShiftTree(TrptBand* Band);
    void PropagateShift(TrptReportComponent* Parent, double Offset, TrptBand* Band);
    void SplitBand(TrptBand* Band);
    void RepeatSuppressed(TrptBand* Band);
    void ClearLastValues(TrptBand* Band);
    // Texts of a band that moved to a new page and name the page are computed again there.
    void RecalcPageTexts(TrptBand* Band);
    void OutlineBand(TrptBand* Band);
    void OutlineLevelUp(TrptBand* Band);

    // Band tree and data loops.
    void BuildBandTree(bool Vertical);
    void LinkGroupBands(std::vector<TrptBand*>& List);
    void LinkHeaderBands(std::vector<TrptBand*>& List);
    void LinkDetailBands(std::vector<TrptBand*>& List, bool Vertical);
    void LoopDataBands(TrptComponent* Owner);
    bool DetailsHaveData(TrptComponent* Owner, bool Flag);
    void OpenGroups(TrptBand* Band, std::vector<TrptBand*>& Chain, bool Init, int Index);
    void CloseGroups(std::vector<TrptBand*>& Chain, int Index, TrptBand* Band);
    void CheckGroupChange(TrptBand* Band, std::vector<TrptBand*>& Chain, double& RowTop, int ColumnPosition);
    void AdvanceBandColumn(TrptBand* Band, int ColumnPosition, double RowTop);
    void RegisterRepeatedHeader(TrptBand* Band);
    void UnregisterRepeatedHeader(TrptBand* Band);
    void NotifyListeners(TrptBand* Band);
    void ProcessMessages();
    void ApplyDrillState(TrptBand* Band, std::vector<TrptBand*>& Chain);
    // Template faults the band tree does not see: a detail on its master's dataset, subreports
    // that contain themselves or stand where they cannot run.
    void CheckDataBandDataSets(TrptReportPage* Page);
    void CheckSubreports();

    // Subreports and vertical bands (rptEngineSubreports.cpp).
    void RunBandSubreports(TrptBand* Band);
    void RunSubreportsOnParent(TrptBand* Band);
    void RunSubreportPage(TrptReportPage* Page);
    void TakeVerticalCells(TrptBand* Band);
    void BuildVerticalBands(TrptBand* Band);
    void LoopVerticalDataBands(std::vector<TrptBand*>& List);
    void OutputVerticalBand(TrptBand* VBand);
    void OutputVerticalPages(TrptBand* Band, double SaveX);
    void RegisterRepeatedVHeader(TrptBand* Band);
    void UnregisterRepeatedVHeader(TrptBand* Band);

    std::unique_ptr<TrptAggregateList> FAggregates;
    bool FCallFromAddPage = false;
    bool FCallFromEndPage = false;
    TrptBand* FCurBand = nullptr;
    TrptBand* FLastBandOnPage = nullptr;
    bool FDontShowHeaders = false;
    std::unique_ptr<TrptHeaderList> FHeaderList;
    bool FFirstReportPage = false;
    double FFirstColumnY = 0;
    bool FIsFirstBand = false;
    bool FIsFirstPage = false;
    bool FIsLastPage = false;
    bool FTitlePrinted = false;
    // Open data rows: band name and running row number, outermost first.
    QStringList FHBandNames;
    std::vector<int> FHBandRows;
    TrptBand* FKeepBand = nullptr;
    bool FKeepFooter = false;
    bool FKeeping = false;
    bool FKeepHeader = false;
    double FKeepCurY = 0;
    double FPrevFooterHeight = 0;
    TrptXMLItem* FKeepOutline = nullptr;
    int FKeepPosition = 0;
    int FKeepAnchor = 0;
    bool FCallFromPHeader = false;
    // A new page asked for while a page header prints waits until the header stands on its page.
    bool FNewPageAfterHeader = false;
    bool FHeaderOpenedPage = false;
    TrptBand* FOutputTo = nullptr;
    TrptReportPage* FPage = nullptr;
    double FPageCurX = 0;
    TrptBand* FStartNewPageBand = nullptr;
    TrptBand* FVMasterBand = nullptr;
    // Vertical headers repeated on every continuation page of a vertical run, and the master
    // band's object counts at which each continuation page starts.
    std::vector<TrptBand*> FVHeaderList;
    std::vector<int> FVPageList;
    // Subreport pages running inside one another.
    int FSubreportDepth = 0;
    // CurY below the repeated headers of the current column: a split part starting here has
    // the whole column.
    double FColumnTopY = 0;
};

// Older name of PrepareReport(Report, true) (rptRunControl), kept for its callers.
bool PrepareReportPages(TrptReport* Report);

// Registers the engine class by name (idempotent).
void RegisterEngineClasses();
