#pragma once
// Bands: the strips of a report page that the engine prints once, per page, per column, per data
// record or per group, depending on the band's class; their children are the objects printed
// with them. A band is horizontal, or vertical with Vertical set. The unit also holds the
// subreport object, which places a whole report page of its own inside a band.
//
// The classes keep the properties the engine reads and the links it makes (SubBands, Header,
// Footer, Group, the line counters); what the engine does with them lives in the engine. The
// setters keep the rules of the template: a child chain never loops, a data band's dataset and
// its user name go together, writing CurColumn moves the band to its column, and on a
// dot-matrix page positions snap to the character grid.
//
// Geometry is in pixels of 96 per inch, relative to the page's printable area.

#include "platform/rtl/Variant.h"
#include "report/core/rptClassComponent.h"
#include "report/core/rptClassView.h"

#include <QString>

#include <memory>
#include <vector>

class TrptChild;
class TrptDataSet;
class TrptUserDataSet;
class TrptReportPage;
class TrptSubreport;

// A child band whose chain leads back to the band ("clCirRefNotAllow").
KORVEL_EXCEPTION(ECircularReference, EComponentError)

using TrptBandList = std::vector<TrptBand*>;

// The character grid of dot-matrix pages, in pixels.
inline constexpr double rptDMPCharWidth = 9.6;
inline constexpr double rptDMPCharHeight = 17;

class TrptBand : public TrptReportComponent {
    KORVEL_CLASS(TrptBand, TrptReportComponent)
public:
    explicit TrptBand(TComponent* AOwner = nullptr);
    ~TrptBand() override;

    TrptBand* AsBand() override { return this; }

    // Bands have no look of their own in prepared pages.
    void Draw(TCanvas* Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;
    // "obBand" ("obDataBand" for data bands).
    QString GetDescription() const override;
    // On a dot-matrix page Left snaps to the character width, Top and Height to the character
    // height (nearest multiple, halves to even).
    void SetLeft(double Value) override;
    void SetTop(double Value) override;
    void SetHeight(double Value) override;

    // The class name without its first "Trpt" and first "Band" ("MasterData", "Data4").
    QString BandName() const;
    // The position of the band's class in the table of the eighteen kinds (TrptReportTitle 0 ...
    // TrptOverlay 17): the last kind of which the band is an instance; 0 for any other band.
    int BandNumber() const;
    // The class of a band number, null outside 0 .. 17.
    static const TClassInfo* BandClassOf(int Number);
    virtual bool IsDataBand() const { return false; }

    bool AllowSplit() const { return FAllowSplit; }
    void SetAllowSplit(bool Value) { FAllowSplit = Value; }
    TrptChild* Child() const { return FChild; }
    // Refuses the band itself and a band whose Child chain reaches this band
    // (ECircularReference); Child stays as it was then.
    void SetChild(TrptChild* Value);
    bool KeepChild() const { return FKeepChild; }
    void SetKeepChild(bool Value) { FKeepChild = Value; }
    const QString& OnAfterCalcHeight() const { return FOnAfterCalcHeight; }
    void SetOnAfterCalcHeight(const QString& Value) { FOnAfterCalcHeight = Value; }
    const QString& OutlineText() const { return FOutlineText; }
    void SetOutlineText(const QString& Value) { FOutlineText = Value; }
    bool Overflow() const { return FOverflow; }
    void SetOverflow(bool Value) { FOverflow = Value; }
    bool StartNewPage() const { return FStartNewPage; }
    void SetStartNewPage(bool Value) { FStartNewPage = Value; }
    bool Stretched() const { return FStretched; }
    void SetStretched(bool Value) { FStretched = Value; }
    bool PrintChildIfInvisible() const { return FPrintChildIfInvisible; }
    void SetPrintChildIfInvisible(bool Value) { FPrintChildIfInvisible = Value; }
    bool Vertical() const { return FVertical; }
    virtual void SetVertical(bool Value) { FVertical = Value; }

    // Links and counters the engine keeps while it runs (the band tree, the row numbers).
    TrptBandList& SubBands() { return FSubBands; }
    const TrptBandList& SubBands() const { return FSubBands; }
    TrptBand* Header() const { return FHeader; }
    void SetHeader(TrptBand* Value) { FHeader = Value; }
    TrptBand* Footer() const { return FFooter; }
    void SetFooter(TrptBand* Value) { FFooter = Value; }
    TrptBand* Group() const { return FGroup; }
    void SetGroup(TrptBand* Value) { FGroup = Value; }
    int LineN() const { return FLineN; }
    void SetLineN(int Value) { FLineN = Value; }
    int LineThrough() const { return FLineThrough; }
    void SetLineThrough(int Value) { FLineThrough = Value; }
    // -1, or the number of the band's own objects while the engine adds objects to it.
    int OriginalObjectsCount() const { return FOriginalObjectsCount; }
    void SetOriginalObjectsCount(int Value) { FOriginalObjectsCount = Value; }
    bool HasVBands() const { return FHasVBands; }
    void SetHasVBands(bool Value) { FHasVBands = Value; }
    double StretchedHeight() const { return FStretchedHeight; }
    void SetStretchedHeight(double Value) { FStretchedHeight = Value; }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // Whether the band lies on a dot-matrix page (its parent is one).
    bool OnDotMatrixPage() const;

private:
    bool FAllowSplit = false;
    TrptChild* FChild = nullptr;
    bool FKeepChild = false;
    QString FOnAfterCalcHeight;
    QString FOutlineText;
    bool FOverflow = false;
    bool FStartNewPage = false;
    bool FStretched = false;
    bool FPrintChildIfInvisible = false;
    bool FVertical = false;
    TrptBandList FSubBands;
    TrptBand* FHeader = nullptr;
    TrptBand* FFooter = nullptr;
    TrptBand* FGroup = nullptr;
    int FLineN = 0;
    int FLineThrough = 0;
    int FOriginalObjectsCount = -1;
    bool FHasVBands = false;
    double FStretchedHeight = 0;
};

// Number 0: printed once at the start of the report page.
class TrptReportTitle : public TrptBand {
    KORVEL_CLASS(TrptReportTitle, TrptBand)
public:
    using TrptBand::TrptBand;
};

// Number 1: printed once at the end of the report page.
class TrptReportSummary : public TrptBand {
    KORVEL_CLASS(TrptReportSummary, TrptBand)
public:
    using TrptBand::TrptBand;
};

// Number 2: at the top of every output page.
class TrptPageHeader : public TrptBand {
    KORVEL_CLASS(TrptPageHeader, TrptBand)
public:
    explicit TrptPageHeader(TComponent* AOwner = nullptr);
    bool PrintOnFirstPage() const { return FPrintOnFirstPage; }
    void SetPrintOnFirstPage(bool Value) { FPrintOnFirstPage = Value; }

private:
    bool FPrintOnFirstPage = true;
};

// Number 3: at the bottom of every output page.
class TrptPageFooter : public TrptBand {
    KORVEL_CLASS(TrptPageFooter, TrptBand)
public:
    explicit TrptPageFooter(TComponent* AOwner = nullptr);
    bool PrintOnFirstPage() const { return FPrintOnFirstPage; }
    void SetPrintOnFirstPage(bool Value) { FPrintOnFirstPage = Value; }
    bool PrintOnLastPage() const { return FPrintOnLastPage; }
    void SetPrintOnLastPage(bool Value) { FPrintOnLastPage = Value; }

private:
    bool FPrintOnFirstPage = true;
    bool FPrintOnLastPage = true;
};

// Number 4: above the rows of a data band.
class TrptHeader : public TrptBand {
    KORVEL_CLASS(TrptHeader, TrptBand)
public:
    using TrptBand::TrptBand;
    bool ReprintOnNewPage() const { return FReprintOnNewPage; }
    void SetReprintOnNewPage(bool Value) { FReprintOnNewPage = Value; }

private:
    bool FReprintOnNewPage = false;
};

// Number 5: below the rows of a data band.
class TrptFooter : public TrptBand {
    KORVEL_CLASS(TrptFooter, TrptBand)
public:
    using TrptBand::TrptBand;
};

// The base of the six data bands: printed once per record of its dataset, or RowCount times
// without one (through its own counted dataset, VirtualDataSet).
class TrptDataBand : public TrptBand {
    KORVEL_CLASS(TrptDataBand, TrptBand)
public:
    explicit TrptDataBand(TComponent* AOwner = nullptr);
    ~TrptDataBand() override;

    bool IsDataBand() const override { return true; }

    // Band columns, in pixels.
    double ColumnGap() const { return FColumnGap; }
    void SetColumnGap(double Value) { FColumnGap = Value; }
    double ColumnWidth() const { return FColumnWidth; }
    void SetColumnWidth(double Value) { FColumnWidth = Value; }
    int Columns() const { return FColumns; }
    void SetColumns(int Value) { FColumns = Value; }
    int CurColumn() const { return FCurColumn; }
    // A column past Columns (or below 1) becomes 1, which also clears MaxY; Left moves to the column:
    // (CurColumn - 1) * (ColumnWidth + ColumnGap).
    void SetCurColumn(int Value);

    TrptDataSet* DataSet() const { return FDataSet; }
    // Also copies the dataset's user name into DataSetName (empty for none).
    void SetDataSet(TrptDataSet* Value);
    // The bound dataset's user name, else the name stored.
    QString DataSetName() const;
    // Stores the name and looks the dataset up (starting from the one bound).
    void SetDataSetName(const QString& Value);

    bool FooterAfterEach() const { return FFooterAfterEach; }
    void SetFooterAfterEach(bool Value) { FFooterAfterEach = Value; }
    bool KeepFooter() const { return FKeepFooter; }
    void SetKeepFooter(bool Value) { FKeepFooter = Value; }
    bool KeepHeader() const { return FKeepHeader; }
    void SetKeepHeader(bool Value) { FKeepHeader = Value; }
    bool KeepTogether() const { return FKeepTogether; }
    void SetKeepTogether(bool Value) { FKeepTogether = Value; }
    bool PrintIfDetailEmpty() const { return FPrintIfDetailEmpty; }
    void SetPrintIfDetailEmpty(bool Value) { FPrintIfDetailEmpty = Value; }
    int RowCount() const { return FRowCount; }
    // Also the count of the virtual dataset, so a band without a dataset prints RowCount rows.
    void SetRowCount(int Value);
    const QString& OnMasterDetail() const { return FOnMasterDetail; }
    void SetOnMasterDetail(const QString& Value) { FOnMasterDetail = Value; }

    // The counted dataset the engine binds when the band has none and RowCount is above 0.
    TrptUserDataSet* VirtualDataSet() const { return FVirtualDataSet.get(); }
    // The lowest bottom of the current row of band columns (engine use).
    double MaxY() const { return FMaxY; }
    void SetMaxY(double Value) { FMaxY = Value; }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    void BindDataSet(TrptDataSet* Value);

    double FColumnGap = 0;
    double FColumnWidth = 0;
    int FColumns = 0;
    int FCurColumn = 0;
    TrptDataSet* FDataSet = nullptr;
    QString FDataSetName;
    bool FFooterAfterEach = false;
    bool FKeepFooter = false;
    bool FKeepHeader = false;
    bool FKeepTogether = false;
    bool FPrintIfDetailEmpty = false;
    int FRowCount = 0;
    QString FOnMasterDetail;
    std::unique_ptr<TrptUserDataSet> FVirtualDataSet;
    double FMaxY = 0;
};

// Numbers 6 to 11: the master band and five levels of details.
class TrptMasterData : public TrptDataBand {
    KORVEL_CLASS(TrptMasterData, TrptDataBand)
public:
    using TrptDataBand::TrptDataBand;
};

class TrptDetailData : public TrptDataBand {
    KORVEL_CLASS(TrptDetailData, TrptDataBand)
public:
    using TrptDataBand::TrptDataBand;
};

class TrptSubdetailData : public TrptDataBand {
    KORVEL_CLASS(TrptSubdetailData, TrptDataBand)
public:
    using TrptDataBand::TrptDataBand;
};

class TrptDataBand4 : public TrptDataBand {
    KORVEL_CLASS(TrptDataBand4, TrptDataBand)
public:
    using TrptDataBand::TrptDataBand;
};

class TrptDataBand5 : public TrptDataBand {
    KORVEL_CLASS(TrptDataBand5, TrptDataBand)
public:
    using TrptDataBand::TrptDataBand;
};

class TrptDataBand6 : public TrptDataBand {
    KORVEL_CLASS(TrptDataBand6, TrptDataBand)
public:
    using TrptDataBand::TrptDataBand;
};

// Number 12: printed when its Condition changes value; may collapse its group (drill-down).
class TrptGroupHeader : public TrptBand {
    KORVEL_CLASS(TrptGroupHeader, TrptBand)
public:
    using TrptBand::TrptBand;

    // The base difference, then DrillName when DrillDown is set, so a prepared page knows which
    // group a click toggles.
    QString Diff(TrptComponent* AComponent) override;

    const QString& Condition() const { return FCondition; }
    void SetCondition(const QString& Value) { FCondition = Value; }
    const QString& DrillName() const { return FDrillName; }
    void SetDrillName(const QString& Value) { FDrillName = Value; }
    bool DrillDown() const { return FDrillDown; }
    void SetDrillDown(bool Value) { FDrillDown = Value; }
    bool ExpandDrillDown() const { return FExpandDrillDown; }
    void SetExpandDrillDown(bool Value) { FExpandDrillDown = Value; }
    bool ShowFooterIfDrillDown() const { return FShowFooterIfDrillDown; }
    void SetShowFooterIfDrillDown(bool Value) { FShowFooterIfDrillDown = Value; }
    bool ShowChildIfDrillDown() const { return FShowChildIfDrillDown; }
    void SetShowChildIfDrillDown(bool Value) { FShowChildIfDrillDown = Value; }
    bool KeepTogether() const { return FKeepTogether; }
    void SetKeepTogether(bool Value) { FKeepTogether = Value; }
    bool ReprintOnNewPage() const { return FReprintOnNewPage; }
    void SetReprintOnNewPage(bool Value) { FReprintOnNewPage = Value; }
    bool ResetPageNumbers() const { return FResetPageNumbers; }
    void SetResetPageNumbers(bool Value) { FResetPageNumbers = Value; }
    // The condition's value at the group's last start (engine use).
    const Variant& LastValue() const { return FLastValue; }
    void SetLastValue(const Variant& Value) { FLastValue = Value; }

private:
    QString FCondition;
    QString FDrillName;
    bool FDrillDown = false;
    bool FExpandDrillDown = false;
    bool FShowFooterIfDrillDown = false;
    bool FShowChildIfDrillDown = false;
    bool FKeepTogether = false;
    bool FReprintOnNewPage = false;
    bool FResetPageNumbers = false;
    Variant FLastValue;
};

// Number 13: closes a group.
class TrptGroupFooter : public TrptBand {
    KORVEL_CLASS(TrptGroupFooter, TrptBand)
public:
    using TrptBand::TrptBand;
    bool HideIfSingleDataRecord() const { return FHideIfSingleDataRecord; }
    void SetHideIfSingleDataRecord(bool Value) { FHideIfSingleDataRecord = Value; }

private:
    bool FHideIfSingleDataRecord = false;
};

// Number 14: printed right after the band whose Child it is.
class TrptChild : public TrptBand {
    KORVEL_CLASS(TrptChild, TrptBand)
public:
    using TrptBand::TrptBand;
};

// Numbers 15 and 16: at the top and bottom of every page column.
class TrptColumnHeader : public TrptBand {
    KORVEL_CLASS(TrptColumnHeader, TrptBand)
public:
    using TrptBand::TrptBand;
};

class TrptColumnFooter : public TrptBand {
    KORVEL_CLASS(TrptColumnFooter, TrptBand)
public:
    using TrptBand::TrptBand;
};

// Number 17: printed over (or, with PrintOnTop off, under) everything of every page.
class TrptOverlay : public TrptBand {
    KORVEL_CLASS(TrptOverlay, TrptBand)
public:
    using TrptBand::TrptBand;
    bool PrintOnTop() const { return FPrintOnTop; }
    void SetPrintOnTop(bool Value) { FPrintOnTop = Value; }

private:
    bool FPrintOnTop = false;
};

// Holds the objects placed directly on a page.
class TrptNullBand : public TrptBand {
    KORVEL_CLASS(TrptNullBand, TrptBand)
public:
    using TrptBand::TrptBand;
};

// A box in a band that prints a report page of its own (Page) in the band's place, or, with
// PrintOnParent, into the band itself. It does not appear in prepared pages.
class TrptSubreport : public TrptView {
    KORVEL_CLASS(TrptSubreport, TrptView)
public:
    explicit TrptSubreport(TComponent* AOwner = nullptr);
    // The page no longer names this object.
    ~TrptSubreport() override;

    // The view's fill and frame, then the object's name in its font 2 pixels inside the top-left
    // corner.
    void Draw(TCanvas* Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;
    // "obSubRep".
    QString GetDescription() const override;

    // Null once the page is gone.
    TrptReportPage* Page() const;
    // The new page names this object as its subreport; a page this object printed before names
    // another subreport that prints it, or none.
    void SetPage(TrptReportPage* Value);
    bool PrintOnParent() const { return FPrintOnParent; }
    void SetPrintOnParent(bool Value) { FPrintOnParent = Value; }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    friend class TrptReportPage;
    TrptSubreport* FirstSharer() const;
    void DropDeadPage();
    void DissolveSharers();
    void Link(TrptReportPage* Value);
    void Unlink();

    TrptReportPage* FPage = nullptr;
    // Subreports naming one page form a list whose first member is the page's SubReport.
    TrptSubreport* FPrevSharer = nullptr;
    TrptSubreport* FNextSharer = nullptr;
    bool FPrintOnParent = false;
};

// Registers the band classes and the subreport for templates (once per process).
void RegisterBandClasses();
