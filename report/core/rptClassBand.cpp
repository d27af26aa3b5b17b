#include "report/core/rptClassBand.h"

#include "platform/gfx/Canvas.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptDataSets.h"
#include "report/core/rptHTMLTags.h"
#include "report/core/rptRes.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <mutex>

namespace {

// The properties each band class publishes after the common set, in the stored order; a
// template so that each class's own builder declares them.
template <class B> void PublishAllowSplit(B& b) {
    b.Prop("AllowSplit", &TrptBand::AllowSplit, &TrptBand::SetAllowSplit).Default(false);
}
template <class B> void PublishChild(B& b) {
    b.Prop("Child", &TrptBand::Child, &TrptBand::SetChild);
}
template <class B> void PublishKeepChild(B& b) {
    b.Prop("KeepChild", &TrptBand::KeepChild, &TrptBand::SetKeepChild).Default(false);
}
template <class B> void PublishPrintChildIfInvisible(B& b) {
    b.Prop("PrintChildIfInvisible", &TrptBand::PrintChildIfInvisible, &TrptBand::SetPrintChildIfInvisible)
        .Default(false);
}
template <class B> void PublishStartNewPage(B& b) {
    b.Prop("StartNewPage", &TrptBand::StartNewPage, &TrptBand::SetStartNewPage).Default(false);
}
template <class B> void PublishStretched(B& b) {
    b.Prop("Stretched", &TrptBand::Stretched, &TrptBand::SetStretched).Default(false);
}
template <class B> void PublishOutlineText(B& b) {
    b.Prop("OutlineText", &TrptBand::OutlineText, &TrptBand::SetOutlineText);
}
// AllowSplit, Child, KeepChild, PrintChildIfInvisible, StartNewPage, Stretched: title, summary,
// child band.
template <class B> void PublishSplittable(B& b) {
    PublishAllowSplit(b);
    PublishChild(b);
    PublishKeepChild(b);
    PublishPrintChildIfInvisible(b);
    PublishStartNewPage(b);
    PublishStretched(b);
}

double SnapTo(double value, double step) {
    return rptRound(value / step) * step;
}

} // namespace

// =============================================================================================
// TrptBand

KORVEL_CLASS_INFO(TrptBand) {
    using C = TrptBand;
    b.Prop("Font", &C::Font, &C::SetFont).Stored(&C::IsFontStored);
    b.Prop("Height", &C::Height, &C::SetHeight).Type("Extended");
    b.Prop("Left", &C::Left, &C::SetLeft).Type("Extended");
    b.Prop("ParentFont", &C::ParentFont, &C::SetParentFont).Default(true);
    b.Prop("Restrictions", &C::Restrictions, &C::SetRestrictions).Default(TrptRestrictions{});
    b.Prop("Top", &C::Top, &C::SetTop).Type("Extended");
    b.Prop("Vertical", &C::Vertical, &C::SetVertical).Default(false);
    b.Prop("Visible", &C::Visible, &C::SetVisible).Default(true);
    b.Prop("Width", &C::Width, &C::SetWidth).Type("Extended");
    b.Prop("OnAfterCalcHeight", &C::OnAfterCalcHeight, &C::SetOnAfterCalcHeight)
        .Type(TrptNotifyEventTypeName);
    b.Prop("OnAfterPrint", &C::OnAfterPrint, &C::SetOnAfterPrint).Type(TrptNotifyEventTypeName);
    b.Prop("OnBeforePrint", &C::OnBeforePrint, &C::SetOnBeforePrint).Type(TrptNotifyEventTypeName);
}

TrptBand::TrptBand(TComponent* AOwner) : TrptReportComponent(AOwner) {}

TrptBand::~TrptBand() = default;

void TrptBand::Draw(TCanvas* Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) {
    (void)Canvas, (void)ScaleX, (void)ScaleY, (void)OffsetX, (void)OffsetY;
}

QString TrptBand::GetDescription() const {
    return GlobalResources()->Get(IsDataBand() ? QStringLiteral("obDataBand") : QStringLiteral("obBand"));
}

bool TrptBand::OnDotMatrixPage() const {
    TrptComponent* p = Parent();
    TrptPage* page = p ? p->AsPage() : nullptr;
    return page && page->IsDotMatrix();
}

void TrptBand::SetLeft(double Value) {
    if (OnDotMatrixPage()) Value = SnapTo(Value, rptDMPCharWidth);
    TrptReportComponent::SetLeft(Value);
}

void TrptBand::SetTop(double Value) {
    if (OnDotMatrixPage()) Value = SnapTo(Value, rptDMPCharHeight);
    TrptReportComponent::SetTop(Value);
}

void TrptBand::SetHeight(double Value) {
    if (OnDotMatrixPage()) Value = SnapTo(Value, rptDMPCharHeight);
    TrptReportComponent::SetHeight(Value);
}

QString TrptBand::BandName() const {
    QString s = ClassName();
    qsizetype i = s.indexOf(QLatin1String("Trpt"));
    if (i >= 0) s.remove(i, 4);
    i = s.indexOf(QLatin1String("Band"));
    if (i >= 0) s.remove(i, 4);
    return s;
}

const TClassInfo* TrptBand::BandClassOf(int Number) {
    static const std::array<const TClassInfo*, 18> classes = {
        TrptReportTitle::StaticClassInfo(),   TrptReportSummary::StaticClassInfo(),
        TrptPageHeader::StaticClassInfo(),    TrptPageFooter::StaticClassInfo(),
        TrptHeader::StaticClassInfo(),        TrptFooter::StaticClassInfo(),
        TrptMasterData::StaticClassInfo(),    TrptDetailData::StaticClassInfo(),
        TrptSubdetailData::StaticClassInfo(), TrptDataBand4::StaticClassInfo(),
        TrptDataBand5::StaticClassInfo(),     TrptDataBand6::StaticClassInfo(),
        TrptGroupHeader::StaticClassInfo(),   TrptGroupFooter::StaticClassInfo(),
        TrptChild::StaticClassInfo(),         TrptColumnHeader::StaticClassInfo(),
        TrptColumnFooter::StaticClassInfo(),  TrptOverlay::StaticClassInfo()};
    if (Number < 0 || Number >= static_cast<int>(classes.size())) return nullptr;
    return classes[static_cast<size_t>(Number)];
}

int TrptBand::BandNumber() const {
    const TClassInfo* cls = ClassInfoOf(this);
    int result = 0;
    for (int i = 0; i < 18; ++i)
        if (cls->InheritsFrom(BandClassOf(i))) result = i;
    return result;
}

void TrptBand::SetChild(TrptChild* Value) {
    if (Value == FChild) return;
    if (Value) {
        // Walking from Value along the Child links must end without meeting this band; a chain
        // that loops on itself elsewhere ends the walk too.
        std::vector<const TrptBand*> seen;
        for (const TrptBand* b = Value; b; b = b->FChild) {
            if (b == this)
                throw ECircularReference(GlobalResources()->Get(QStringLiteral("clCirRefNotAllow")));
            if (std::find(seen.begin(), seen.end(), b) != seen.end()) break;
            seen.push_back(b);
        }
    }
    if (FChild) RemoveFreeNotification(FChild);
    FChild = Value;
    if (FChild) FreeNotification(FChild);
}

void TrptBand::Notification(TComponent* AComponent, TOperation Operation) {
    TrptReportComponent::Notification(AComponent, Operation);
    if (Operation != opRemove || !AComponent) return;
    // Removal notices come from the component destructor, when the object is no longer of its
    // own class: compare addresses only.
    if (FChild && AComponent == static_cast<TComponent*>(FChild)) FChild = nullptr;
    if (FHeader && AComponent == static_cast<TComponent*>(FHeader)) FHeader = nullptr;
    if (FFooter && AComponent == static_cast<TComponent*>(FFooter)) FFooter = nullptr;
    if (FGroup && AComponent == static_cast<TComponent*>(FGroup)) FGroup = nullptr;
    if (!FSubBands.empty())
        std::erase_if(FSubBands,
                      [AComponent](TrptBand* b) { return static_cast<TComponent*>(b) == AComponent; });
}

// =============================================================================================
// The eighteen kinds

KORVEL_CLASS_INFO(TrptReportTitle) {
    PublishSplittable(b);
}

KORVEL_CLASS_INFO(TrptReportSummary) {
    PublishSplittable(b);
}

KORVEL_CLASS_INFO(TrptPageHeader) {
    using C = TrptPageHeader;
    PublishChild(b);
    PublishPrintChildIfInvisible(b);
    b.Prop("PrintOnFirstPage", &C::PrintOnFirstPage, &C::SetPrintOnFirstPage).Default(true);
    PublishStretched(b);
}

TrptPageHeader::TrptPageHeader(TComponent* AOwner) : TrptBand(AOwner) {}

KORVEL_CLASS_INFO(TrptPageFooter) {
    using C = TrptPageFooter;
    b.Prop("PrintOnFirstPage", &C::PrintOnFirstPage, &C::SetPrintOnFirstPage).Default(true);
    b.Prop("PrintOnLastPage", &C::PrintOnLastPage, &C::SetPrintOnLastPage).Default(true);
}

TrptPageFooter::TrptPageFooter(TComponent* AOwner) : TrptBand(AOwner) {}

KORVEL_CLASS_INFO(TrptHeader) {
    using C = TrptHeader;
    PublishAllowSplit(b);
    PublishChild(b);
    PublishKeepChild(b);
    PublishPrintChildIfInvisible(b);
    b.Prop("ReprintOnNewPage", &C::ReprintOnNewPage, &C::SetReprintOnNewPage).Default(false);
    PublishStartNewPage(b);
    PublishStretched(b);
}

KORVEL_CLASS_INFO(TrptFooter) {
    PublishAllowSplit(b);
    PublishChild(b);
    PublishKeepChild(b);
    PublishPrintChildIfInvisible(b);
    PublishStretched(b);
}

// ---------------------------------------------------------------------------------------------
// TrptDataBand

KORVEL_CLASS_INFO(TrptDataBand) {
    using C = TrptDataBand;
    PublishAllowSplit(b);
    PublishChild(b);
    b.Prop("Columns", &C::Columns, &C::SetColumns).Default(0);
    b.Prop("ColumnWidth", &C::ColumnWidth, &C::SetColumnWidth).Type("Extended");
    b.Prop("ColumnGap", &C::ColumnGap, &C::SetColumnGap).Type("Extended");
    b.Prop("DataSet", &C::DataSet, &C::SetDataSet);
    b.Prop("DataSetName", &C::DataSetName, &C::SetDataSetName);
    b.Prop("FooterAfterEach", &C::FooterAfterEach, &C::SetFooterAfterEach).Default(false);
    PublishKeepChild(b);
    b.Prop("KeepFooter", &C::KeepFooter, &C::SetKeepFooter).Default(false);
    b.Prop("KeepHeader", &C::KeepHeader, &C::SetKeepHeader).Default(false);
    b.Prop("KeepTogether", &C::KeepTogether, &C::SetKeepTogether).Default(false);
    PublishOutlineText(b);
    PublishPrintChildIfInvisible(b);
    b.Prop("PrintIfDetailEmpty", &C::PrintIfDetailEmpty, &C::SetPrintIfDetailEmpty).Default(false);
    b.Prop("RowCount", &C::RowCount, &C::SetRowCount);
    PublishStartNewPage(b);
    PublishStretched(b);
    b.Prop("OnMasterDetail", &C::OnMasterDetail, &C::SetOnMasterDetail).Type(TrptNotifyEventTypeName);
}

TrptDataBand::TrptDataBand(TComponent* AOwner)
    : TrptBand(AOwner), FVirtualDataSet(std::make_unique<TrptUserDataSet>(nullptr)) {
    FVirtualDataSet->SetRangeEnd(reCount);
    FVirtualDataSet->SetRangeEndCount(0);
}

TrptDataBand::~TrptDataBand() {
    // The engine may have bound the virtual dataset; nothing may point at it once it is gone.
    if (FDataSet == FVirtualDataSet.get()) FDataSet = nullptr;
}

void TrptDataBand::SetCurColumn(int Value) {
    // Columns count from 1: a number below would move the band left of its page.
    if (Value > FColumns || Value < 1) Value = 1;
    FCurColumn = Value;
    if (FCurColumn == 1) FMaxY = 0;
    SetLeft((FCurColumn - 1) * (FColumnWidth + FColumnGap));
}

void TrptDataBand::BindDataSet(TrptDataSet* Value) {
    if (Value == FDataSet) return;
    if (FDataSet) RemoveFreeNotification(FDataSet);
    FDataSet = Value;
    // A dataset outside the report (the program's own) must say when it goes.
    if (FDataSet) FreeNotification(FDataSet);
}

void TrptDataBand::SetDataSet(TrptDataSet* Value) {
    BindDataSet(Value);
    FDataSetName = Value ? Value->UserName() : QString();
}

QString TrptDataBand::DataSetName() const {
    return FDataSet ? FDataSet->UserName() : FDataSetName;
}

void TrptDataBand::SetDataSetName(const QString& Value) {
    FDataSetName = Value;
    BindDataSet(FindDataSet(FDataSet, Value));
}

void TrptDataBand::SetRowCount(int Value) {
    FRowCount = Value;
    FVirtualDataSet->SetRangeEndCount(Value);
}

void TrptDataBand::Notification(TComponent* AComponent, TOperation Operation) {
    TrptBand::Notification(AComponent, Operation);
    // The name stays, so a dataset of that name found later binds again.
    if (Operation == opRemove && FDataSet && AComponent == static_cast<TComponent*>(FDataSet))
        FDataSet = nullptr;
}

KORVEL_CLASS_INFO(TrptMasterData) {
    (void)b;
}
KORVEL_CLASS_INFO(TrptDetailData) {
    (void)b;
}
KORVEL_CLASS_INFO(TrptSubdetailData) {
    (void)b;
}
KORVEL_CLASS_INFO(TrptDataBand4) {
    (void)b;
}
KORVEL_CLASS_INFO(TrptDataBand5) {
    (void)b;
}
KORVEL_CLASS_INFO(TrptDataBand6) {
    (void)b;
}

// ---------------------------------------------------------------------------------------------
// Groups

KORVEL_CLASS_INFO(TrptGroupHeader) {
    using C = TrptGroupHeader;
    PublishAllowSplit(b);
    PublishChild(b);
    b.Prop("Condition", &C::Condition, &C::SetCondition);
    b.Prop("DrillDown", &C::DrillDown, &C::SetDrillDown).Default(false);
    b.Prop("ExpandDrillDown", &C::ExpandDrillDown, &C::SetExpandDrillDown).Default(false);
    PublishKeepChild(b);
    b.Prop("KeepTogether", &C::KeepTogether, &C::SetKeepTogether).Default(false);
    b.Prop("ReprintOnNewPage", &C::ReprintOnNewPage, &C::SetReprintOnNewPage).Default(false);
    PublishOutlineText(b);
    PublishPrintChildIfInvisible(b);
    b.Prop("ResetPageNumbers", &C::ResetPageNumbers, &C::SetResetPageNumbers).Default(false);
    b.Prop("ShowFooterIfDrillDown", &C::ShowFooterIfDrillDown, &C::SetShowFooterIfDrillDown).Default(false);
    b.Prop("ShowChildIfDrillDown", &C::ShowChildIfDrillDown, &C::SetShowChildIfDrillDown).Default(false);
    PublishStartNewPage(b);
    PublishStretched(b);
    b.Prop("DrillName", &C::DrillName, &C::SetDrillName);
}

QString TrptGroupHeader::Diff(TrptComponent* AComponent) {
    QString r = TrptBand::Diff(AComponent);
    // Drill names are made of band names, numbers and dots: nothing to escape.
    if (FDrillDown) r += QStringLiteral(" DrillName=\"") + FDrillName + QLatin1Char('"');
    return r;
}

KORVEL_CLASS_INFO(TrptGroupFooter) {
    using C = TrptGroupFooter;
    PublishAllowSplit(b);
    PublishChild(b);
    b.Prop("HideIfSingleDataRecord", &C::HideIfSingleDataRecord, &C::SetHideIfSingleDataRecord)
        .Default(false);
    PublishKeepChild(b);
    PublishPrintChildIfInvisible(b);
    PublishStretched(b);
}

// ---------------------------------------------------------------------------------------------

KORVEL_CLASS_INFO(TrptChild) {
    PublishSplittable(b);
}

KORVEL_CLASS_INFO(TrptColumnHeader) {
    PublishChild(b);
    PublishStretched(b);
}

KORVEL_CLASS_INFO(TrptColumnFooter) {
    (void)b;
}

KORVEL_CLASS_INFO(TrptOverlay) {
    b.Prop("PrintOnTop", &TrptOverlay::PrintOnTop, &TrptOverlay::SetPrintOnTop).Default(false);
}

KORVEL_CLASS_INFO(TrptNullBand) {
    (void)b;
}

// =============================================================================================
// TrptSubreport

KORVEL_CLASS_INFO(TrptSubreport) {
    using C = TrptSubreport;
    b.Prop("Page", &C::Page, &C::SetPage);
    b.Prop("PrintOnParent", &C::PrintOnParent, &C::SetPrintOnParent).Default(false);
}

TrptSubreport::TrptSubreport(TComponent* AOwner) : TrptView(AOwner) {
    TrptComponentStyle style = rptComponentStyle();
    style -= csPreviewVisible;
    SetrptComponentStyle(style);
    Frame()->SetTyp(TrptFrameTypes{ftLeft, ftRight, ftTop, ftBottom});
    TFont f;
    f.Assign(*Font());
    f.SetName(QStringLiteral("Tahoma"));
    f.SetSize(8);
    SetFont(&f);
    SetColor(12632256);
}

TrptSubreport::~TrptSubreport() {
    DropDeadPage();
    if (FPage) Unlink();
}

QString TrptSubreport::GetDescription() const {
    return GlobalResources()->Get(QStringLiteral("obSubRep"));
}

TrptSubreport* TrptSubreport::FirstSharer() const {
    auto* s = const_cast<TrptSubreport*>(this);
    while (s->FPrevSharer) s = s->FPrevSharer;
    return s;
}

// A page going away clears only its own SubReport's link, and while a report is cleared no
// removal notice reaches the others: they learn it from the first member of their list.
void TrptSubreport::DropDeadPage() {
    if (!FirstSharer()->FPage) DissolveSharers();
}

void TrptSubreport::DissolveSharers() {
    for (TrptSubreport* s = FirstSharer(); s;) {
        TrptSubreport* next = s->FNextSharer;
        s->FPage = nullptr;
        s->FPrevSharer = s->FNextSharer = nullptr;
        s = next;
    }
}

TrptReportPage* TrptSubreport::Page() const {
    return FPage && FirstSharer()->FPage ? FPage : nullptr;
}

void TrptSubreport::Link(TrptReportPage* Value) {
    TrptSubreport* first = Value->SubReport();
    FNextSharer = first && first->FPage == Value && !first->FPrevSharer ? first : nullptr;
    if (FNextSharer) FNextSharer->FPrevSharer = this;
    FPage = Value;
    Value->SetSubReport(this);
    FreeNotification(Value);
}

void TrptSubreport::Unlink() {
    if (FPrevSharer)
        FPrevSharer->FNextSharer = FNextSharer;
    else if (FPage->SubReport() == this)
        FPage->SetSubReport(FNextSharer);
    if (FNextSharer) FNextSharer->FPrevSharer = FPrevSharer;
    FPrevSharer = FNextSharer = nullptr;
    RemoveFreeNotification(FPage);
    FPage = nullptr;
}

void TrptSubreport::SetPage(TrptReportPage* Value) {
    DropDeadPage();
    if (FPage) Unlink();
    if (Value) Link(Value);
}

void TrptSubreport::Notification(TComponent* AComponent, TOperation Operation) {
    TrptView::Notification(AComponent, Operation);
    if (Operation == opRemove && FPage && AComponent == static_cast<TComponent*>(FPage)) {
        // Every subreport of the page loses it at once.
        DissolveSharers();
    }
}

void TrptSubreport::Draw(TCanvas* Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) {
    TrptView::Draw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    if (!Canvas) return;
    TFont& font = Canvas->Font();
    font.Assign(*Font());
    font.SetHeight(rptRound(Font()->Height() * ScaleY));
    Canvas->Brush().SetStyle(bsClear);
    Canvas->TextOut(FX + 2, FY + 2, Name());
}

// =============================================================================================

void RegisterBandClasses() {
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterViewClasses();
        RegisterClasses({TrptBand::StaticClassInfo(), TrptDataBand::StaticClassInfo(),
                         TrptNullBand::StaticClassInfo(), TrptSubreport::StaticClassInfo()});
        for (int i = 0; i < 18; ++i)
            RegisterClass(TrptBand::BandClassOf(i));
    });
}
