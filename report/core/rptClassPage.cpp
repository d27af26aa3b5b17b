#include "report/core/rptClassPage.h"

#include "platform/gfx/Picture.h"
#include "platform/rtl/SysUtils.h"
#include "report/core/rptClassPicture.h"
#include "report/core/rptClassView.h"
#include "report/core/rptDataSets.h"
#include "report/core/rptHTMLTags.h"
#include "report/core/rptRes.h"
#include "report/core/rptUtils.h"

#include <algorithm>
#include <cmath>
#include <mutex>

namespace {

double Round8(double value) {
    // Halves to even, as everywhere in report geometry.
    return std::nearbyint(value * 1e8) / 1e8;
}

} // namespace

// =============================================================================================
// TrptPage

KORVEL_CLASS_INFO(TrptPage) {
    using C = TrptPage;
    b.Prop("Font", &C::Font, &C::SetFont).Stored(&C::IsFontStored);
    b.Prop("Visible", &C::Visible, &C::SetVisible).Default(true);
}

TrptPage::TrptPage(TComponent* AOwner) : TrptComponent(AOwner) {}

TrptPage::~TrptPage() = default;

// =============================================================================================
// TrptReportPage

KORVEL_CLASS_INFO(TrptReportPage) {
    using C = TrptReportPage;
    b.Prop("Orientation", &C::Orientation, &C::SetOrientation).Default(poPortrait);
    b.Prop("PaperWidth", &C::PaperWidth, &C::SetPaperWidth).Type("Extended");
    b.Prop("PaperHeight", &C::PaperHeight, &C::SetPaperHeight).Type("Extended");
    b.Prop("PaperSize", &C::PaperSize, &C::SetPaperSize);
    b.Prop("LeftMargin", &C::LeftMargin, &C::SetLeftMargin).Type("Extended");
    b.Prop("RightMargin", &C::RightMargin, &C::SetRightMargin).Type("Extended");
    b.Prop("TopMargin", &C::TopMargin, &C::SetTopMargin).Type("Extended");
    b.Prop("BottomMargin", &C::BottomMargin, &C::SetBottomMargin).Type("Extended");
    b.Prop("MirrorMargins", &C::MirrorMargins, &C::SetMirrorMargins).Default(false);
    b.Prop("Columns", &C::Columns, &C::SetColumns).Default(0);
    b.Prop("ColumnWidth", &C::ColumnWidth, &C::SetColumnWidth).Type("Extended");
    b.Prop("ColumnPositions", &C::ColumnPositions, &C::SetColumnPositions);
    b.Prop("Bin", &C::Bin, &C::SetBin).Default(rptAutoBin);
    b.Prop("BinOtherPages", &C::BinOtherPages, &C::SetBinOtherPages).Default(rptAutoBin);
    b.Prop("BackPicture", &C::BackPicture, &C::SetBackPicture);
    b.Prop("BackPictureVisible", &C::BackPictureVisible, &C::SetBackPictureVisible).Default(true);
    b.Prop("BackPicturePrintable", &C::BackPicturePrintable, &C::SetBackPicturePrintable).Default(true);
    b.Prop("PageCount", &C::PageCount, &C::SetPageCount).Default(1);
    b.Prop("Color", &C::Color, &C::SetColor).Type("TColor").Default(clNone);
    b.Prop("DataSet", &C::DataSet, &C::SetDataSet);
    b.Prop("DataSetName", &C::DataSetName, &C::SetDataSetName);
    b.Prop("Duplex", &C::Duplex, &C::SetDuplex).Default(dmNone);
    b.Prop("Frame", &C::Frame, &C::SetFrame);
    b.Prop("EndlessHeight", &C::EndlessHeight, &C::SetEndlessHeight).Default(false);
    b.Prop("EndlessWidth", &C::EndlessWidth, &C::SetEndlessWidth).Default(false);
    b.Prop("LargeDesignHeight", &C::LargeDesignHeight, &C::SetLargeDesignHeight).Default(false);
    b.Prop("OutlineText", &C::OutlineText, &C::SetOutlineText);
    b.Prop("PrintIfEmpty", &C::PrintIfEmpty, &C::SetPrintIfEmpty).Default(true);
    b.Prop("PrintOnPreviousPage", &C::PrintOnPreviousPage, &C::SetPrintOnPreviousPage).Default(false);
    b.Prop("ResetPageNumbers", &C::ResetPageNumbers, &C::SetResetPageNumbers).Default(false);
    b.Prop("TitleBeforeHeader", &C::TitleBeforeHeader, &C::SetTitleBeforeHeader).Default(true);
    b.Prop("HGuides", &C::HGuides, &C::SetHGuides);
    b.Prop("VGuides", &C::VGuides, &C::SetVGuides);
    b.Prop("OnAfterPrint", &C::OnAfterPrint, &C::SetOnAfterPrint).Type(TrptNotifyEventTypeName);
    b.Prop("OnBeforePrint", &C::OnBeforePrint, &C::SetOnBeforePrint).Type(TrptNotifyEventTypeName);
    b.Prop("OnManualBuild", &C::OnManualBuild, &C::SetOnManualBuild).Type(TrptNotifyEventTypeName);
}

TrptReportPage::TrptReportPage(TComponent* AOwner)
    : TrptPage(AOwner), FBackPicture(std::make_unique<TrptPictureView>(nullptr)),
      FColumnPositions(std::make_unique<TStringList>()), FHGuides(std::make_unique<TStringList>()),
      FVGuides(std::make_unique<TStringList>()) {
    FBackPicture->SetColor(clNone);
    FBackPicture->SetKeepAspectRatio(false);
    FOrientation = poPortrait;
    SetPaperSize(9);
    FBin = rptAutoBin;
    FBinOtherPages = rptAutoBin;
    SetBaseName(QStringLiteral("Page"));
    FPrintIfEmpty = true;
    FTitleBeforeHeader = true;
    FBackPictureVisible = true;
    FBackPicturePrintable = true;
    FPageCount = 1;
}

TrptReportPage::~TrptReportPage() {
    if (FSubReport && FSubReport->FPage == this) FSubReport->FPage = nullptr;
}

QString TrptReportPage::GetDescription() const {
    return GlobalResources()->Get(QStringLiteral("obRepPage"));
}

void TrptReportPage::CheckPaperMeasure(double Value, const char* What) {
    if (std::isfinite(Value) && Value > 0) return;
    throw EInvalidPageSetting(
        QStringLiteral("The paper %1 must be above 0 mm, not %2")
            .arg(QLatin1String(What), std::isfinite(Value) ? FloatToStr(Value) : QString::number(Value)));
}

void TrptReportPage::UpdateDimensions() {
    SetWidth(rptRound(FPaperWidth * rptMMFactor));
    SetHeight(rptRound(FPaperHeight * rptMMFactor));
}

void TrptReportPage::SetDefaults() {
    FLeftMargin = FRightMargin = FTopMargin = FBottomMargin = 10;
    if (TrptCustomPrinter* printer = GlobalPrinters()->Printer()) {
        FPaperSize = printer->DefPaper();
        // A printer that reports no size keeps the page's paper.
        if (printer->DefPaperWidth() > 0 && printer->DefPaperHeight() > 0) {
            FPaperWidth = Round8(printer->DefPaperWidth());
            FPaperHeight = Round8(printer->DefPaperHeight());
        }
        FOrientation = printer->DefOrientation();
    }
    UpdateDimensions();
}

void TrptReportPage::SetPaperWidth(double Value) {
    CheckPaperMeasure(Value, "width");
    FPaperWidth = Round8(Value);
    FPaperSize = rptCustomPaper;
    UpdateDimensions();
}

void TrptReportPage::SetPaperHeight(double Value) {
    CheckPaperMeasure(Value, "height");
    FPaperHeight = Round8(Value);
    FPaperSize = rptCustomPaper;
    UpdateDimensions();
}

void TrptReportPage::SetPaperSize(int Value) {
    FPaperSize = Value;
    double w = 0, h = 0;
    // From 256 on the template's own PaperWidth and PaperHeight carry the size.
    if (Value < rptCustomPaper && PaperSizeDimensions(Value, w, h)) {
        if (FOrientation == poLandscape) std::swap(w, h);
        FPaperWidth = w;
        FPaperHeight = h;
    }
    UpdateDimensions();
}

void TrptReportPage::SetSizeAndDimensions(int ASize, double AWidth, double AHeight) {
    CheckPaperMeasure(AWidth, "width");
    CheckPaperMeasure(AHeight, "height");
    FPaperSize = ASize;
    FPaperWidth = Round8(AWidth);
    FPaperHeight = Round8(AHeight);
    UpdateDimensions();
}

void TrptReportPage::SetOrientation(TPrinterOrientation Value) {
    if (Value != FOrientation) {
        std::swap(FPaperWidth, FPaperHeight);
        const double l = FLeftMargin, t = FTopMargin, r = FRightMargin, bm = FBottomMargin;
        if (Value == poLandscape) {
            FLeftMargin = t;
            FTopMargin = r;
            FRightMargin = bm;
            FBottomMargin = l;
        } else {
            FLeftMargin = bm;
            FBottomMargin = r;
            FRightMargin = t;
            FTopMargin = l;
        }
        UpdateDimensions();
    }
    FOrientation = Value;
}

double TrptReportPage::PrintableWidthMM() const {
    return std::max(0.0, FPaperWidth - FLeftMargin - FRightMargin);
}

double TrptReportPage::PrintableHeightMM() const {
    return std::max(0.0, FPaperHeight - FTopMargin - FBottomMargin);
}

void TrptReportPage::SetColumns(int Value) {
    if (Value > rptMaxPageColumns)
        throw EInvalidPageSetting(
            QStringLiteral("A page has at most %1 columns, not %2").arg(rptMaxPageColumns).arg(Value));
    FColumns = Value;
    FColumnPositions->Clear();
    if (Value <= 0) return;
    FColumnWidth = PrintableWidthMM() / Value;
    for (int i = 0; i < Value; ++i)
        FColumnPositions->Add(FloatToStr(i * FColumnWidth));
}

void TrptReportPage::SetColumnPositions(TStrings* Value) {
    if (Value) FColumnPositions->Assign(*Value);
}

double TrptReportPage::ColumnOffsetMM(int Column) const {
    const int i = Column - 1;
    if (i >= 0 && i < FColumnPositions->Count()) {
        const QString s = FColumnPositions->Get(i);
        if (IsValidReportFloat(s)) return ReportStrToFloat(s);
    }
    return std::max(0, i) * FColumnWidth;
}

TPicture* TrptReportPage::BackPicture() const {
    return FBackPicture->Picture();
}

void TrptReportPage::SetBackPicture(TPicture* Value) {
    // Null clears the picture.
    if (Value != FBackPicture->Picture()) FBackPicture->SetPicture(Value);
}

TColor TrptReportPage::Color() const {
    return FBackPicture->Color();
}

void TrptReportPage::SetColor(TColor Value) {
    FBackPicture->SetColor(Value);
}

TrptFrame* TrptReportPage::Frame() const {
    return FBackPicture->Frame();
}

void TrptReportPage::SetFrame(TrptFrame* Value) {
    FBackPicture->SetFrame(Value);
}

void TrptReportPage::BindDataSet(TrptDataSet* Value) {
    if (Value == FDataSet) return;
    if (FDataSet) RemoveFreeNotification(FDataSet);
    FDataSet = Value;
    if (FDataSet) FreeNotification(FDataSet);
}

void TrptReportPage::SetDataSet(TrptDataSet* Value) {
    BindDataSet(Value);
    FDataSetName = Value ? Value->UserName() : QString();
}

QString TrptReportPage::DataSetName() const {
    return FDataSet ? FDataSet->UserName() : FDataSetName;
}

void TrptReportPage::SetDataSetName(const QString& Value) {
    FDataSetName = Value;
    BindDataSet(FindDataSet(FDataSet, Value));
}

void TrptReportPage::SetPageCount(int Value) {
    if (Value > 0) FPageCount = Value;
}

void TrptReportPage::SetHGuides(TStrings* Value) {
    if (Value) FHGuides->Assign(*Value);
}

void TrptReportPage::SetVGuides(TStrings* Value) {
    if (Value) FVGuides->Assign(*Value);
}

void TrptReportPage::ClearGuides() {
    FHGuides->Clear();
    FVGuides->Clear();
}

TrptBand* TrptReportPage::FindBand(const TClassInfo* BandClass) const {
    if (!BandClass) return nullptr;
    for (TrptComponent* c : Objects())
        if (TrptBand* b = c->AsBand(); b && ClassInfoOf(b)->InheritsFrom(BandClass)) return b;
    return nullptr;
}

void TrptReportPage::Notification(TComponent* AComponent, TOperation Operation) {
    TrptPage::Notification(AComponent, Operation);
    if (Operation != opRemove || !AComponent) return;
    if (FDataSet && AComponent == static_cast<TComponent*>(FDataSet)) FDataSet = nullptr;
    if (FSubReport && AComponent == static_cast<TComponent*>(FSubReport)) FSubReport = nullptr;
    if (!FSubBands.empty() || !FVSubBands.empty()) {
        auto gone = [AComponent](TrptBand* b) { return static_cast<TComponent*>(b) == AComponent; };
        std::erase_if(FSubBands, gone);
        std::erase_if(FVSubBands, gone);
    }
}

void TrptReportPage::AlignChildren() {
    const double printableWidth = PrintableWidth();
    const double printableHeight = PrintableHeight();
    SetWidth(printableWidth);
    SetHeight(printableHeight);
    TrptPage::AlignChildren();
    for (TrptComponent* c : Objects()) {
        TrptBand* band = c->AsBand();
        if (!band) continue;
        if (band->Vertical()) {
            band->SetHeight(printableHeight - band->Top());
        } else if (FColumns > 1 && !dynamic_cast<TrptNullBand*>(band) &&
                   !dynamic_cast<TrptReportSummary*>(band) && !dynamic_cast<TrptPageHeader*>(band) &&
                   !dynamic_cast<TrptPageFooter*>(band) && !dynamic_cast<TrptReportTitle*>(band) &&
                   !dynamic_cast<TrptOverlay*>(band)) {
            band->SetWidth(FColumnWidth * rptMMFactor);
        } else {
            band->SetWidth(Width() - band->Left());
        }
        band->AlignChildren();
    }
    UpdateDimensions();
}

void TrptReportPage::Draw(TCanvas* Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) {
    FBackPicture->SetBounds(0, 0, PrintableWidth(), PrintableHeight());
    FBackPicture->SetIsPrinting(IsPrinting());
    if (!FBackPictureVisible || (IsPrinting() && !FBackPicturePrintable)) return;
    FBackPicture->Draw(Canvas, ScaleX, ScaleY, OffsetX + ScaleX * FLeftMargin * rptMMFactor,
                       OffsetY + ScaleY * FTopMargin * rptMMFactor);
}

// =============================================================================================
// TrptDataPage

KORVEL_CLASS_INFO(TrptDataPage) {
    using C = TrptDataPage;
    b.Prop("Height", &C::Height, &C::SetHeight).Type("Extended");
    b.Prop("Left", &C::Left, &C::SetLeft).Type("Extended");
    b.Prop("Top", &C::Top, &C::SetTop).Type("Extended");
    b.Prop("Width", &C::Width, &C::SetWidth).Type("Extended");
}

TrptDataPage::TrptDataPage(TComponent* AOwner) : TrptPage(AOwner) {
    SetWidth(1000);
    SetHeight(1000);
}

QString TrptDataPage::GetDescription() const {
    return GlobalResources()->Get(QStringLiteral("obDataPage"));
}

// =============================================================================================

void RegisterPageClasses() {
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterBandClasses();
        RegisterClasses({TrptPage::StaticClassInfo(), TrptReportPage::StaticClassInfo(),
                         TrptDataPage::StaticClassInfo()});
    });
}
