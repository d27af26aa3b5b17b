#include "report/core/rptClassDMP.h"

#include "platform/rtl/SysUtils.h"
#include "platform/rtti/Classes.h"
#include "report/core/rptDataSets.h"
#include "report/core/rptDsgnIntf.h"
#include "report/core/rptHTMLTags.h"
#include "report/core/rptPrinter.h"
#include "report/core/rptRes.h"

#include <algorithm>
#include <cmath>
#include <mutex>

namespace {

constexpr double cw = rptDMPCharWidth;
constexpr double ch = rptDMPCharHeight;

// Round is to the nearest whole number, halves to even.
// Cells in v; a value a rounding error away from whole cells counts as whole (19.2 / 9.6 may
// come out a hair below 2).
double Cells(double v, double cell) {
    const double k = v / cell;
    const double whole = std::round(k);
    return std::fabs(k - whole) < 1e-9 ? whole : k;
}

double RoundCells(double v, double cell) {
    return rptRound(Cells(v, cell)) * cell;
}

double TruncCells(double v, double cell) {
    return std::trunc(Cells(v, cell)) * cell;
}

// A line already in the middle of a cell stays there: the snapping rules would move a
// right-aligned line at 4.8 to -4.8, or a line at a top of -8.5 to 8.5, on every load.
bool InCellMiddle(double v, double cell) {
    const double k = v / cell - 0.5;
    return std::fabs(k - std::round(k)) < 1e-9;
}

TrptDMPFontStyles PageFontStyle(const TrptComponent* c, bool& found) {
    found = false;
    if (auto* page = dynamic_cast<TrptDMPPage*>(c->Page())) {
        found = true;
        return page->FontStyle();
    }
    return TrptDMPFontStyles();
}

void AddFontStyleDiff(QString& r, const TrptDMPFontStyles& mine, const TrptDMPFontStyles* theirs) {
    if (!theirs || *theirs != mine) AddDiffEntry(r, QStringLiteral("FontStyle"), QString::number(DMPFontStylesToInt(mine)));
}

} // namespace

int DMPFontStylesToInt(const TrptDMPFontStyles& Value) {
    return static_cast<int>(Value.ToInt() & 0x1FF);
}

void DMPResetFont(TFont& Font, const TrptDMPFontStyles& Style) {
    // The owner is not told: a reset keeps ParentFont as it is. The notification comes back
    // afterwards, so a font changed by hand is the object's own and is saved.
    TNotifyEvent notify = std::move(Font.OnChange);
    Font.OnChange = nullptr;
    Font.SetName(QStringLiteral("Courier New"));
    Font.SetSize(12);
    TFontStyles fs;
    if (Style.Contains(fsxBold)) fs += fsBold;
    if (Style.Contains(fsxItalic)) fs += fsItalic;
    if (Style.Contains(fsxUnderline)) fs += fsUnderline;
    Font.SetStyle(fs);
    Font.OnChange = std::move(notify);
}

// =============================================================================================
// TrptDMPMemoView

KORVEL_CLASS_INFO(TrptDMPMemoView) {
    using C = TrptDMPMemoView;
    b.Prop("AutoWidth", &C::AutoWidth, &C::SetAutoWidth).Default(false);
    b.Prop("AllowExpressions", &C::AllowExpressions, &C::SetAllowExpressions).Default(true);
    b.Prop("DataField", &C::DataField, &C::SetDataField);
    b.Prop("DataSet", &C::DataSet, &C::SetDataSet);
    b.Prop("DataSetName", &C::DataSetName, &C::SetDataSetName);
    b.Prop("DisplayFormat", &C::DisplayFormat, &C::SetDisplayFormat);
    b.Prop("ExpressionDelimiters", &C::ExpressionDelimiters, &C::SetExpressionDelimiters)
        .Stored(&C::IsExpressionDelimitersStored);
    b.Prop("FlowTo", &C::FlowTo, &C::SetFlowTo);
    b.Prop("FontStyle", &C::FontStyle, &C::SetFontStyle).Stored(&C::IsFontStyleStored);
    b.Prop("Frame", &C::Frame, &C::SetFrame);
    b.Prop("HAlign", &C::HAlign, &C::SetHAlign).Default(haLeft);
    b.Prop("HideZeros", &C::HideZeros, &C::SetHideZeros).Default(false);
    b.Prop("Memo", &C::Memo, &C::SetMemo);
    b.Prop("ParentFont", &C::ParentFont, &C::SetParentFont).Default(true);
    b.Prop("RTLReading", &C::RTLReading, &C::SetRTLReading).Default(false);
    b.Prop("SuppressRepeated", &C::SuppressRepeated, &C::SetSuppressRepeated).Default(false);
    b.Prop("WordWrap", &C::WordWrap, &C::SetWordWrap).Default(true);
    b.Prop("TruncOutboundText", &C::TruncOutboundText, &C::SetTruncOutboundText);
    b.Prop("VAlign", &C::VAlign, &C::SetVAlign).Default(vaTop);
}

TrptDMPMemoView::TrptDMPMemoView(TComponent* AOwner) : TrptCustomMemoView(AOwner) {
    ResetFontOptions();
    // The parent was taken before this class was in place: take the page's set now.
    if (ParentFont()) SetParentFont(true);
}

QString TrptDMPMemoView::GetDescription() const {
    return GlobalResources()->Get(QStringLiteral("obDMPText"));
}

void TrptDMPMemoView::ResetFontOptions() {
    DMPResetFont(*Font(), FFontStyle);
    SetCharSpacing(0);
    SetLineSpacing(1);
    SetGapX(0);
    SetGapY(0);
}

void TrptDMPMemoView::SetFontStyle(const TrptDMPFontStyles& Value) {
    FFontStyle = Value;
    TrptCustomMemoView::SetParentFont(false);
    ResetFontOptions();
}

void TrptDMPMemoView::SetParentFont(bool Value) {
    TrptCustomMemoView::SetParentFont(Value);
    if (Value) {
        bool found = false;
        const TrptDMPFontStyles s = PageFontStyle(this, found);
        if (found) FFontStyle = s;
    }
    // The parent's font is not a dot-matrix font: the text keeps Courier New 12.
    DMPResetFont(*Font(), FFontStyle);
}

void TrptDMPMemoView::SetLeft(double Value) {
    TrptCustomMemoView::SetLeft(Align() == baRight ? TruncCells(Value, cw) : RoundCells(Value, cw));
}

void TrptDMPMemoView::SetTop(double Value) {
    TrptCustomMemoView::SetTop(RoundCells(Value, ch));
}

void TrptDMPMemoView::SetWidth(double Value) {
    TrptCustomMemoView::SetWidth(RoundCells(Value, cw));
}

void TrptDMPMemoView::SetHeight(double Value) {
    TrptCustomMemoView::SetHeight(RoundCells(Value, ch));
}

void TrptDMPMemoView::SetBoundsDirect(double ALeft, double ATop, double AWidth, double AHeight) {
    TrptCustomMemoView::SetLeft(ALeft);
    TrptCustomMemoView::SetTop(ATop);
    TrptCustomMemoView::SetWidth(AWidth);
    TrptCustomMemoView::SetHeight(AHeight);
}

double TrptDMPMemoView::CalcHeight() {
    return RoundCells(TrptCustomMemoView::CalcHeight(), ch);
}

double TrptDMPMemoView::CalcWidth() {
    return RoundCells(TrptCustomMemoView::CalcWidth(), cw);
}

void TrptDMPMemoView::DrawFrame() {
    // The printer draws the frame with characters in the cells around the text.
    FX = rptRound((AbsLeft() - cw / 2) * FScaleX + FOffsetX);
    FY = rptRound((AbsTop() - ch / 2) * FScaleY + FOffsetY);
    FX1 = rptRound((AbsLeft() + Width() + cw / 2) * FScaleX + FOffsetX);
    FY1 = rptRound((AbsTop() + Height() + ch / 2) * FScaleY + FOffsetY);
    TrptCustomMemoView::DrawFrame();
}

QString TrptDMPMemoView::GetoutBoundText() const {
    const int lines = std::max(0, rptRound(Height() / ch));
    const int chars = std::max(0, rptRound(Width() / cw));
    QString r;
    const int n = std::min(lines, Memo()->Count());
    for (int i = 0; i < n; ++i) r += Memo()->Get(i).left(chars) + QStringLiteral("\r\n");
    return r;
}

QString TrptDMPMemoView::Diff(TrptComponent* AComponent) {
    QString r = TrptCustomMemoView::Diff(AComponent);
    auto* m = dynamic_cast<TrptDMPMemoView*>(AComponent);
    AddFontStyleDiff(r, FFontStyle, m ? &m->FFontStyle : nullptr);
    return r;
}

// =============================================================================================
// TrptDMPLineView

KORVEL_CLASS_INFO(TrptDMPLineView) {
    using C = TrptDMPLineView;
    b.Prop("FontStyle", &C::FontStyle, &C::SetFontStyle).Stored(&C::IsFontStyleStored);
    b.Prop("ParentFont", &C::ParentFont, &C::SetParentFont).Default(true);
}

TrptDMPLineView::TrptDMPLineView(TComponent* AOwner) : TrptCustomLineView(AOwner) {
    if (ParentFont()) SetParentFont(true);
}

QString TrptDMPLineView::GetDescription() const {
    return GlobalResources()->Get(QStringLiteral("obDMPLine"));
}

void TrptDMPLineView::SetFontStyle(const TrptDMPFontStyles& Value) {
    FFontStyle = Value;
    TrptCustomLineView::SetParentFont(false);
}

void TrptDMPLineView::SetParentFont(bool Value) {
    TrptCustomLineView::SetParentFont(Value);
    if (Value) {
        bool found = false;
        const TrptDMPFontStyles s = PageFontStyle(this, found);
        if (found) FFontStyle = s;
    }
}

void TrptDMPLineView::SetLeft(double Value) {
    // Lines run through the middle of the cells.
    double v;
    if (InCellMiddle(Value, cw))
        v = Value;
    else if (Value < 0)
        v = TruncCells(Value, cw) - cw / 2;
    else if (Align() == baRight)
        v = RoundCells(Value, cw) - cw / 2;
    else
        v = TruncCells(Value, cw) + cw / 2;
    TrptCustomLineView::SetLeft(v);
}

void TrptDMPLineView::SetTop(double Value) {
    TrptCustomLineView::SetTop(InCellMiddle(Value, ch) ? Value : TruncCells(Value, ch) + ch / 2);
}

void TrptDMPLineView::SetWidth(double Value) {
    TrptCustomLineView::SetWidth(Align() == baWidth ? TruncCells(Value, cw) : RoundCells(Value, cw));
}

QString TrptDMPLineView::Diff(TrptComponent* AComponent) {
    QString r = TrptCustomLineView::Diff(AComponent);
    auto* l = dynamic_cast<TrptDMPLineView*>(AComponent);
    AddFontStyleDiff(r, FFontStyle, l ? &l->FFontStyle : nullptr);
    return r;
}

// =============================================================================================
// TrptDMPCommand

KORVEL_CLASS_INFO(TrptDMPCommand) {
    b.Prop("Command", &TrptDMPCommand::Command, &TrptDMPCommand::SetCommand);
}

TrptDMPCommand::TrptDMPCommand(TComponent* AOwner) : TrptView(AOwner) {}

QString TrptDMPCommand::GetDescription() const {
    return GlobalResources()->Get(QStringLiteral("obDMPCmd"));
}

void TrptDMPCommand::SetLeft(double Value) {
    TrptView::SetLeft(RoundCells(Value, cw));
}

void TrptDMPCommand::SetTop(double Value) {
    TrptView::SetTop(RoundCells(Value, ch));
}

QByteArray TrptDMPCommand::ToChr() const {
    QByteArray r;
    auto add = [&r](const QString& code, int value) {
        // A printer takes bytes: a larger code would reach it as another character.
        if (value < 0 || value > 255)
            throw EConvertError(QStringLiteral("'%1' is not a printer code (0 to 255)").arg(code));
        r.append(static_cast<char>(value));
    };
    if (FCommand.startsWith(QLatin1Char('#'))) {
        const QStringList codes = FCommand.mid(1).split(QLatin1Char('#'));
        for (const QString& code : codes) add(code, StrToInt(code));
    } else {
        for (int i = 0; i + 1 < FCommand.size(); i += 2) {
            const QString pair = FCommand.mid(i, 2);
            bool ok = false;
            const int v = pair.toInt(&ok, 16);
            // Only two hexadecimal digits: no sign, no blank.
            if (!ok || !pair.at(0).isLetterOrNumber() || !pair.at(1).isLetterOrNumber())
                throw EConvertError(QStringLiteral("'%1' is not a valid hexadecimal code").arg(pair));
            add(pair, v);
        }
    }
    return r;
}

// =============================================================================================
// TrptDMPPage

KORVEL_CLASS_INFO(TrptDMPPage) {
    b.Prop("FontStyle", &TrptDMPPage::FontStyle, &TrptDMPPage::SetFontStyle);
}

TrptDMPPage::TrptDMPPage(TComponent* AOwner) : TrptReportPage(AOwner) {
    ResetFontOptions();
    // The page's paper was set before this class was in place: cut it to the grid now.
    SetPaperSize(PaperSize());
}

void TrptDMPPage::ResetFontOptions() {
    DMPResetFont(*Font(), FFontStyle);
}

void TrptDMPPage::SetParentFont(bool Value) {
    TrptReportPage::SetParentFont(Value);
    ResetFontOptions();
}

void TrptDMPPage::SetFontStyle(const TrptDMPFontStyles& Value) {
    FFontStyle = Value;
    ResetFontOptions();
    for (TrptComponent* c : AllObjects())
        if (c->ParentFont()) c->SetParentFont(true);
}

void TrptDMPPage::SetDefaults() {
    TrptReportPage::SetDefaults();
    SetLeftMargin(cw / rptMMFactor);
    SetRightMargin(cw / rptMMFactor);
    SetTopMargin(ch / rptMMFactor);
    SetBottomMargin(ch / rptMMFactor);
    // Whole cells that fit on the printer's paper.
    const double w = std::max(cw, TruncCells(PaperWidth() * rptMMFactor, cw));
    const double h = std::max(ch, TruncCells(PaperHeight() * rptMMFactor, ch));
    SetSizeAndDimensions(PaperSize(), w / rptMMFactor, h / rptMMFactor);
}

void TrptDMPPage::SetPaperWidth(double Value) {
    TrptReportPage::SetPaperWidth(Value); // checks the value and makes the paper custom
    // At least one cell, so the paper never snaps to nothing.
    const double w = std::max(cw, RoundCells(Value * rptMMFactor, cw));
    SetSizeAndDimensions(PaperSize(), w / rptMMFactor, PaperHeight());
}

void TrptDMPPage::SetPaperHeight(double Value) {
    TrptReportPage::SetPaperHeight(Value);
    const double h = std::max(ch, RoundCells(Value * rptMMFactor, ch));
    SetSizeAndDimensions(PaperSize(), PaperWidth(), h / rptMMFactor);
}

void TrptDMPPage::SetPaperSize(int Value) {
    TrptReportPage::SetPaperSize(Value);
    if (!(PaperWidth() > 0) || !(PaperHeight() > 0)) return; // no size yet
    const double w = std::max(cw, RoundCells(PaperWidth() * rptMMFactor, cw));
    const double h = std::max(ch, RoundCells(PaperHeight() * rptMMFactor, ch));
    SetSizeAndDimensions(Value, w / rptMMFactor, h / rptMMFactor);
}

void TrptDMPPage::SetOrientation(TPrinterOrientation Value) {
    const bool turned = Value != Orientation();
    TrptReportPage::SetOrientation(Value);
    if (turned) SetPaperSize(PaperSize());
}

// =============================================================================================

bool DMPNeedsFrameLine(const TrptComponent* c) {
    auto* m = dynamic_cast<const TrptDMPMemoView*>(c);
    return m && m->Frame()->Typ().Contains(ftBottom);
}

void RegisterDMPClasses() {
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterPageClasses();
        RegisterMemoClasses();
        RegisterLineClasses();
        RegisterClasses({TrptDMPPage::StaticClassInfo(), TrptDMPMemoView::StaticClassInfo(),
                         TrptDMPLineView::StaticClassInfo(), TrptDMPCommand::StaticClassInfo()});
    });
}

void RegisterDMPObjects() {
    RegisterDMPClasses();
    TrptObjectCollection* registry = ObjectRegistry();
    const TrptObjectCategories dmp{ctDMP};
    registry->RegisterObject1(TrptDMPMemoView::StaticClassInfo(), nullptr, QString(), QString(), 0, 2, dmp);
    registry->RegisterObject1(TrptDMPLineView::StaticClassInfo(), nullptr, QString(), QString(), 0, 5, dmp);
    registry->RegisterObject1(TrptDMPCommand::StaticClassInfo(), nullptr, QString(), QString(), 0, 21, dmp);
}

void UnregisterDMPObjects() {
    TrptObjectCollection* registry = ObjectRegistry();
    registry->Unregister(TrptDMPMemoView::StaticClassInfo());
    registry->Unregister(TrptDMPLineView::StaticClassInfo());
    registry->Unregister(TrptDMPCommand::StaticClassInfo());
}
