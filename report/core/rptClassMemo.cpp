#include "report/core/rptClassMemo.h"

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/GraphicsClasses.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TextCase.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptDataSets.h"
#include "report/core/rptHTMLTags.h"
#include "report/core/rptRes.h"
#include "report/core/rptStyles.h"
#include "report/core/rptUtils.h"
#include "report/core/rptVariables.h"
#include "report/core/rptXML.h"
#include "script/sc_iinterpreter.h"

#include <algorithm>
#include <cmath>
#include <mutex>

namespace {

// The widest field or precision a report format may ask for; anything wider is a damaged
// template, not a layout.
constexpr int kMaxFormatWidth = 255;

// Whether a printf-style format string takes the one value of the kind given: every directive
// but "%%" must be of that kind, at most one may consume the value, no width or precision may come
// from the arguments, and none may be absurdly wide. A string without directives is a literal.
bool NumberFormatFits(const QString& fs, bool integer) {
    const int n = static_cast<int>(fs.size());
    int consumed = 0;
    auto number = [&](int& i) {
        int v = 0;
        bool any = false;
        while (i < n && fs[i].unicode() >= '0' && fs[i].unicode() <= '9') {
            v = v * 10 + (fs[i].unicode() - '0');
            if (v > kMaxFormatWidth) return -2;
            any = true;
            ++i;
        }
        return any ? v : -1;
    };
    for (int i = 0; i < n; ++i) {
        if (fs[i] != QLatin1Char('%')) continue;
        ++i;
        if (i >= n) return false;
        if (fs[i] == QLatin1Char('%')) continue;
        int v = number(i);
        if (v == -2) return false;
        if (v >= 0 && i < n && fs[i] == QLatin1Char(':')) {
            if (v != 0) return false; // only the one value exists
            ++i;
            v = -1;
        }
        if (v < 0) {
            if (i < n && fs[i] == QLatin1Char('-')) ++i;
            if (number(i) == -2) return false;
        }
        if (i < n && fs[i] == QLatin1Char('.')) {
            ++i;
            if (number(i) == -2) return false;
        }
        if (i >= n) return false;
        const char conv = fs[i].toLower().toLatin1();
        const bool fits = integer ? (conv == 'd' || conv == 'u' || conv == 'x')
                                  : (conv == 'e' || conv == 'f' || conv == 'g' || conv == 'n' || conv == 'm');
        if (!fits) return false; // includes "*", "s", "p" and anything unknown
        if (++consumed > 1) return false;
    }
    return true;
}

// A value that is not text and equals 0 (numbers, Booleans, dates, currency).
bool IsZeroValue(const Variant& v) {
    if (v.IsNull() || v.IsEmpty() || VarIsStr(v) || v.IsArray()) return false;
    if (!VarIsNumeric(v) && !VarIsFloat(v)) return false;
    try {
        return v.ToDouble() == 0;
    } catch (const Exception&) {
        return false;
    }
}

QString ValueText(const Variant& v) {
    try {
        return VarToStr(v);
    } catch (const Exception&) {
        return QString();
    }
}

// Replaces every occurrence of what (any case); whether anything was replaced.
bool ReplaceNoCase(QString& s, const QString& what, const QString& with) {
    bool any = false;
    qsizetype from = 0;
    for (;;) {
        const qsizetype p = s.indexOf(what, from, Qt::CaseInsensitive);
        if (p < 0) return any;
        s.replace(p, what.size(), with);
        from = p + with.size();
        any = true;
    }
}

// Whether the expression delimited by ExtractBracketedText from i really closes: the same count
// of nested delimiters outside quotes comes back to zero before the end of the text.
bool DelimitedExpressionCloses(const QString& text, const QString& open, const QString& close, int i) {
    const int len = static_cast<int>(text.size());
    int count = 0;
    bool outsideSingle = true, outsideDouble = true;
    for (int j = i; j <= len; ++j) {
        if (outsideSingle && outsideDouble) {
            const QStringView rest = QStringView(text).mid(j - 1);
            if (rest.startsWith(open))
                ++count;
            else if (rest.startsWith(close))
                --count;
        }
        const QChar c = text.at(j - 1);
        if (outsideSingle && c == QLatin1Char('"')) outsideDouble = !outsideDouble;
        if (outsideDouble && c == QLatin1Char('\'')) outsideSingle = !outsideSingle;
        if (count == 0) return true;
    }
    return false;
}

} // namespace

// =============================================================================================
// TrptFormat

KORVEL_CLASS_INFO(TrptFormat) {
    using C = TrptFormat;
    b.Prop("DecimalSeparator", &C::DecimalSeparator, &C::SetDecimalSeparator);
    b.Prop("ThousandSeparator", &C::ThousandSeparator, &C::SetThousandSeparator);
    b.Prop("FormatStr", &C::FormatStr, &C::SetFormatStr);
    b.Prop("Kind", &C::Kind, &C::SetKind).Default(fkText);
}

void TrptFormat::Assign(const TPersistent* Source) {
    if (auto* f = dynamic_cast<const TrptFormat*>(Source)) {
        FDecimalSeparator = f->FDecimalSeparator;
        FThousandSeparator = f->FThousandSeparator;
        FFormatStr = f->FFormatStr;
        FKind = f->FKind;
        return;
    }
    TPersistent::Assign(Source);
}

// =============================================================================================
// TrptHighlight

KORVEL_CLASS_INFO(TrptHighlight) {
    TFontClassInfo();
    using C = TrptHighlight;
    b.Prop("Active", &C::Active, &C::SetActive).Default(false);
    b.Prop("Font", &C::Font, &C::SetFont);
    b.Prop("Color", &C::Color, &C::SetColor).Type("TColor").Default(clNone);
    b.Prop("Condition", &C::Condition, &C::SetCondition);
}

TrptHighlight::TrptHighlight() : FFont(std::make_unique<TFont>()) {
    FFont->SetPixelsPerInch(96);
    FFont->SetName(QStringLiteral("Arial"));
    FFont->SetSize(10);
    FFont->SetColor(clRed);
    FFont->SetCharset(DEFAULT_CHARSET);
}

TrptHighlight::~TrptHighlight() = default;

void TrptHighlight::Assign(const TPersistent* Source) {
    if (auto* h = dynamic_cast<const TrptHighlight*>(Source)) {
        FFont->Assign(*h->FFont);
        FColor = h->FColor;
        FCondition = h->FCondition;
        return;
    }
    TPersistent::Assign(Source);
}

void TrptHighlight::SetFont(TFont* Value) {
    if (Value) FFont->Assign(*Value);
}

// =============================================================================================
// TrptCustomMemoView

KORVEL_CLASS_INFO(TrptCustomMemoView) {
    using C = TrptCustomMemoView;
    b.Prop("FirstParaBreak", &C::FirstParaBreak, &C::SetFirstParaBreak).Default(false);
    b.Prop("LastParaBreak", &C::LastParaBreak, &C::SetLastParaBreak).Default(false);
    b.Prop("Cursor", &C::Cursor, &C::SetCursor).Default(0);
    b.Prop("TagStr", &C::TagStr, &C::SetTagStr);
    b.Prop("URL", &C::URL, &C::SetURL);
}

TrptCustomMemoView::TrptCustomMemoView(TComponent* AOwner)
    : TrptStretcheable(AOwner), FDisplayFormat(std::make_unique<TrptFormat>()),
      FHighlight(std::make_unique<TrptHighlight>()), FMemo(std::make_unique<TrptWideStrings>()) {
    TrptComponentStyle style = rptComponentStyle();
    style -= csDefaultDiff;
    SetrptComponentStyle(style);
    SetParentFont(true);
}

TrptCustomMemoView::~TrptCustomMemoView() = default;

QString TrptCustomMemoView::GetDescription() const {
    return GlobalResources()->Get(QStringLiteral("obText"));
}

void TrptCustomMemoView::Notification(TComponent* AComponent, TOperation Operation) {
    TrptStretcheable::Notification(AComponent, Operation);
    if (Operation == opRemove && FFlowTo && AComponent == static_cast<TComponent*>(FFlowTo))
        FFlowTo = nullptr;
}

void TrptCustomMemoView::SetFlowTo(TrptCustomMemoView* Value) {
    if (Value == this) Value = nullptr; // a text cannot flow into itself
    FFlowTo = Value;
    if (Value) Value->FreeNotification(this);
}

// --- Text ---------------------------------------------------------------------------------------

QString TrptCustomMemoView::Text() const {
    return FMemo->Text();
}

void TrptCustomMemoView::SetText(const QString& Value) {
    FMemo->SetText(Value);
}

QByteArray TrptCustomMemoView::AnsiText() const {
    try {
        return WideToAnsiText(Text(), Font()->Charset());
    } catch (const Exception&) {
        return WideToAnsiText(Text(), DEFAULT_CHARSET);
    }
}

void TrptCustomMemoView::SetAnsiText(const QByteArray& Value) {
    try {
        SetText(AnsiToWideText(Value, Font()->Charset()));
    } catch (const Exception&) {
        SetText(AnsiToWideText(Value, DEFAULT_CHARSET));
    }
}

void TrptCustomMemoView::SetMemo(TStrings* Value) {
    if (Value)
        FMemo->Assign(*Value);
    else
        FMemo->Clear();
}

void TrptCustomMemoView::SetStyle(const QString& Value) {
    FStyle = Value;
    // No name is no style, even when a damaged style file left an item without a name.
    if (Value.isEmpty()) return;
    if (TrptReport* r = Report())
        if (TrptStyles* styles = r->Styles()) ApplyStyle(styles->Find(Value));
}

void TrptCustomMemoView::ApplyStyle(const TrptStyleItem* Style) {
    if (!Style) return;
    SetColor(Style->Color());
    SetFont(Style->Font());
    SetFrame(Style->Frame());
}

bool TrptCustomMemoView::IsForeignCharset() const {
    return Font()->Charset() != DEFAULT_CHARSET && !FUseDefaultCharset;
}

// --- Stored rules ---------------------------------------------------------------------------------

bool TrptCustomMemoView::IsLineSpacingStored() const {
    return DiffFloatsDiffer(FLineSpacing, 2);
}
bool TrptCustomMemoView::IsGapXStored() const {
    return DiffFloatsDiffer(FGapX, 2);
}
bool TrptCustomMemoView::IsGapYStored() const {
    return DiffFloatsDiffer(FGapY, 1);
}
bool TrptCustomMemoView::IsParagraphGapStored() const {
    return FParagraphGap != 0;
}
bool TrptCustomMemoView::IsCharSpacingStored() const {
    return FCharSpacing != 0;
}
bool TrptCustomMemoView::IsHighlightStored() const {
    return !Trim(FHighlight->Condition()).isEmpty();
}

// --- Formatting -------------------------------------------------------------------------------------

QString TrptCustomMemoView::FormatData(const Variant& Value, const TrptFormat* AFormat) const {
    if (Value.IsNull()) return QString();
    if (!AFormat) AFormat = FDisplayFormat.get();
    const QString& fs = AFormat->FormatStr();
    // The single-byte round trip of foreign character sets has no meaning for UTF-16 data: the
    // text stays as it is (see IsForeignCharset).
    try {
        switch (AFormat->Kind()) {
        case fkText:
            return ValueText(Value);
        case fkNumeric: {
            QString result;
            if (fs.contains(QLatin1Char('#')) || fs.startsWith(QLatin1Char('0'))) {
                result = FormatFloat(fs, Value.ToDouble());
            } else if (fs.contains(QLatin1Char('d')) || fs.contains(QLatin1Char('u'))) {
                if (!NumberFormatFits(fs, true)) return ValueText(Value);
                result = Format(fs, {Value.ToInt()});
            } else {
                if (!NumberFormatFits(fs, false)) return ValueText(Value);
                result = Format(fs, {Value.ToDouble()});
            }
            const TFormatSettings& sys = FormatSettings();
            const QString& dec = AFormat->DecimalSeparator();
            const QString& thou = AFormat->ThousandSeparator();
            qsizetype decPos = -1;
            if (dec.size() == 1 && dec[0] != sys.DecimalSeparator)
                decPos = result.lastIndexOf(sys.DecimalSeparator);
            if (thou.size() == 1 && thou[0] != sys.ThousandSeparator)
                result.replace(sys.ThousandSeparator, thou[0]);
            if (decPos >= 0) result[decPos] = dec[0];
            return result;
        }
        case fkDateTime:
            return FormatDateTime(fs, VarToDateTime(Value));
        case fkBoolean: {
            bool isTrue = false;
            try {
                isTrue = Value == Variant(true);
            } catch (const Exception&) {
                isTrue = false;
            }
            const qsizetype comma = fs.indexOf(QLatin1Char(','));
            return isTrue ? fs.mid(comma + 1) : fs.left(std::max<qsizetype>(comma, 0));
        }
        }
    } catch (const Exception&) {
        // Any formatting error shows the value as it is.
    }
    return ValueText(Value);
}

QString TrptCustomMemoView::EvaluateAndFormat(const QString& Expr) {
    QString expr = Expr;
    std::unique_ptr<TrptFormat> format;
    const qsizetype p = Expr.indexOf(QStringLiteral(" #"));
    if (p >= 0) {
        QString suffix = Expr.mid(p + 2);
        // A ")" after " #" means the text belongs to the expression (a call with such a string).
        if (!suffix.contains(QLatin1Char(')'))) {
            expr = Expr.left(p);
            format = std::make_unique<TrptFormat>();
            const QChar first = suffix.isEmpty() ? QChar() : suffix[0].toUpper();
            if (first == QLatin1Char('N')) {
                format->SetKind(fkNumeric);
                for (qsizetype k = 0; k < suffix.size(); ++k) {
                    const QChar c = suffix[k];
                    if (c == QLatin1Char(',') || c == QLatin1Char('-') || c == QLatin1Char('.')) {
                        format->SetDecimalSeparator(QString(c));
                        suffix[k] = QLatin1Char('.');
                    }
                }
            } else if (first == QLatin1Char('D') || first == QLatin1Char('T')) {
                format->SetKind(fkDateTime);
            } else if (first == QLatin1Char('B')) {
                format->SetKind(fkBoolean);
            }
            format->SetFormatStr(suffix.mid(1));
        }
    }

    Variant value;
    if (expr.compare(QLatin1String("TOTALPAGES#"), Qt::CaseInsensitive) == 0) {
        value = Variant(QStringLiteral("[TotalPages#]"));
    } else if (expr.compare(QLatin1String("COPYNAME#"), Qt::CaseInsensitive) == 0) {
        value = Variant(QStringLiteral("[CopyName#]"));
    } else {
        TrptReport* r = Report();
        value = r ? r->Calc(expr) : Variant::Null();
    }
    FValue = value;
    if (FHideZeros && IsZeroValue(value)) return QString();
    return FormatData(value, format ? format.get() : nullptr);
}

void TrptCustomMemoView::ExpandExpressions() {
    const qsizetype comma = FExpressionDelimiters.indexOf(QLatin1Char(','));
    if (comma < 0) return;
    const QString open = FExpressionDelimiters.left(comma);
    const QString close = FExpressionDelimiters.mid(comma + 1);
    if (open.isEmpty() || close.isEmpty()) return;
    QString s = Text();
    if (!s.contains(open)) return;
    const int openLen = static_cast<int>(open.size());
    int i = 1;
    for (;;) {
        const int len = static_cast<int>(s.size());
        while (i < len && QStringView(s).mid(i - 1, openLen) != open)
            ++i;
        int j = 0;
        const QString inner = ExtractBracketedText(s, open, close, i, j);
        if (i == j) break;
        // A delimiter that never closes is text, not the start of an expression; expressions
        // after it still count.
        if (!DelimitedExpressionCloses(s, open, close, i)) {
            ++i;
            continue;
        }
        s.remove(i - 1, j - i + 1);
        const QString value = EvaluateAndFormat(inner);
        s.insert(i - 1, value);
        i += static_cast<int>(value.size());
    }
    SetText(s);
}

void TrptCustomMemoView::ExtractMacros() {
    if (!FAllowExpressions) return;
    QString s = Text();
    bool changed = false;
    if (s.contains(QLatin1String("[TOTALPAGES#]"), Qt::CaseInsensitive))
        changed |= ReplaceNoCase(s, QStringLiteral("[TOTALPAGES#]"), QString::number(FTotalPages));
    if (s.contains(QLatin1String("[COPYNAME#]"), Qt::CaseInsensitive)) {
        TrptVariables* globals = GlobalVariables();
        const QString name = QStringLiteral("CopyName") + QString::number(FCopyNo);
        const QString copyName =
            globals->IndexOf(name) >= 0 ? ValueText(globals->Variables(name)) : QString();
        changed |= ReplaceNoCase(s, QStringLiteral("[COPYNAME#]"), copyName);
    }
    if (changed) SetText(s);
}

QString TrptCustomMemoView::GetComponentText() {
    QString s = Text();
    if (FAllowExpressions) {
        const qsizetype p = s.indexOf(QLatin1String("[TOTALPAGES]"), 0, Qt::CaseInsensitive);
        if (p >= 0) s.replace(p, 12, QString::number(FTotalPages));
    }
    return s;
}

// --- Print cycle ------------------------------------------------------------------------------------

void TrptCustomMemoView::BeforePrint() {
    TrptStretcheable::BeforePrint();
    if (!IsDataField()) FTempMemo = Text();
}

void TrptCustomMemoView::AfterPrint() {
    if (!IsDataField()) SetText(FTempMemo);
    TrptStretcheable::AfterPrint();
}

bool TrptCustomMemoView::RecalcPageTexts() {
    if (IsDataField() || !FAllowExpressions || !FTempMemo.contains(QLatin1String("page"), Qt::CaseInsensitive))
        return false;
    SetText(FTempMemo);
    // The value shown before the move is not a repeat of this one.
    if (FSuppressRepeated) ResetSuppress();
    GetData();
    return true;
}

void TrptCustomMemoView::GetData() {
    TrptStretcheable::GetData();
    TrptReport* report = Report();

    if (IsDataField()) {
        TrptDataSet* ds = DataSet();
        if (ds->IsBlobField(DataField())) {
            FMemo->Clear();
            ds->AssignBlobTo(DataField(), FMemo.get());
        } else {
            FValue = ds->GetValue(DataField());
            if (FDisplayFormat->Kind() != fkText)
                SetText(FormatData(FValue));
            else
                SetText(ds->GetDisplayText(DataField()));
            if (FHideZeros && IsZeroValue(FValue)) SetText(QString());
        }
    } else if (FAllowExpressions && report) {
        ExpandExpressions();
    }

    if (report)
        if (TscCustomVariable* local = report->LocalValue()) local->SetValue(FValue);

    FHighlight->SetActive(false);
    if (report && !Trim(FHighlight->Condition()).isEmpty()) {
        const Variant r = report->Calc(FHighlight->Condition());
        bool active = false;
        try {
            active = !r.IsNull() && r.ToBool();
        } catch (const Exception&) {
            active = false;
        }
        FHighlight->SetActive(active);
    }

    if (FSuppressRepeated) {
        const QString text = Text();
        bool same = false;
        if (!FLastValue.IsNull() && !FLastValue.IsEmpty()) {
            try {
                same = Variant(text) == FLastValue;
            } catch (const Exception&) {
                same = false;
            }
        }
        if (same)
            SetText(QString());
        else
            FLastValue = Variant(text);
    }

    if (FFlowTo) {
        InitPart();
        DrawPart();
        FFlowTo->SetText(FPartMemo);
        FFlowTo->SetAllowExpressions(false);
    }
}

// --- Layout -------------------------------------------------------------------------------------------

TrptDrawText* TrptCustomMemoView::Layout() const {
    if (TrptReport* r = Report())
        if (TrptDrawText* dt = r->DrawText()) return dt;
    return GlobalDrawText();
}

void TrptCustomMemoView::BeginDraw(TCanvas* Canvas, double ScaleX, double ScaleY, double OffsetX,
                                   double OffsetY) {
    TrptStretcheable::BeginDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    const double fw = Frame()->Width();
    const TrptFrameTypes typ = Frame()->Typ();
    int l = FX, t = FY, r = FX1, b = FY1;
    if (typ.Contains(ftLeft)) l += rptRound((ScaleX * fw - 1) / 2);
    l += rptRound(ScaleX * FGapX);
    if (typ.Contains(ftTop)) t += rptRound((ScaleY * fw - 1) / 2);
    t += rptRound(ScaleY * FGapY);
    if (typ.Contains(ftRight)) r -= rptRound(ScaleX * fw / 2);
    r = r - rptRound(ScaleX * FGapX) + 1;
    if (typ.Contains(ftBottom)) b -= rptRound(ScaleY * fw / 2);
    b = b - rptRound(ScaleY * FGapY) + 1;
    FTextRect = TRect(l, t, r, b);
}

double TrptCustomMemoView::FrameGapHeight() const {
    const double fw = Frame()->Width();
    double r = 2 * FGapY;
    if (Frame()->Typ().Contains(ftTop)) r += (fw - 1) / 2;
    if (Frame()->Typ().Contains(ftBottom)) r += fw / 2;
    if (Frame()->DropShadow()) r += Frame()->ShadowWidth();
    return r;
}

double TrptCustomMemoView::FrameGapWidth() const {
    const double fw = Frame()->Width();
    double r = 2 * FGapX;
    if (Frame()->Typ().Contains(ftLeft)) r += (fw - 1) / 2;
    if (Frame()->Typ().Contains(ftRight)) r += fw / 2;
    if (Frame()->DropShadow()) r += Frame()->ShadowWidth();
    return r;
}

void TrptCustomMemoView::SetFontAndOptions(TrptDrawText* dt) {
    dt->SetUseDefaultCharset(FUseDefaultCharset);
    if (FHighlight->Active()) {
        dt->SetFont(*FHighlight->Font());
        SetColor(FHighlight->Color());
    } else {
        dt->SetFont(*Font());
    }
    dt->SetOptions(FWordWrap, FAllowHTMLTags, FRTLReading, FWordBreak, FClipped, FWysiwyg, FRotation);
    dt->SetGaps(FParagraphGap, FCharSpacing, FLineSpacing);
}

void TrptCustomMemoView::PrepareLayout(TrptDrawText* dt, TCanvas* Canvas, double ScaleX, double ScaleY,
                                       double OffsetX, double OffsetY) {
    SetFontAndOptions(dt);
    if (!IsDesigning() && FAutoWidth) {
        const TRect big(0, 0, 10000, 10000);
        dt->SetDimensions(1, 1, 1, big, big);
        dt->SetText(*FMemo);
        const double oldWidth = Width();
        const double newWidth = dt->CalcWidth() + FrameGapWidth();
        SetWidth(newWidth);
        if (FHAlign == haRight)
            SetLeft(Left() + (oldWidth - newWidth));
        else if (FHAlign == haCenter)
            SetLeft(Left() + (oldWidth - newWidth) / 2);
        if (TrptComponent* parent = Parent()) parent->AlignChildren();
    }
    BeginDraw(nullptr, 1, 1, 0, 0);
    const TRect unscaled = FTextRect;
    BeginDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    const TRect scaled = FTextRect;
    if (!IsPrinting()) FPrintScale = 1;
    dt->SetDimensions(ScaleX, ScaleY, FPrintScale, unscaled, scaled);
    dt->SetText(*FMemo);
    dt->SetParaBreaks(FFirstParaBreak, FLastParaBreak);
}

double TrptCustomMemoView::Measure(bool MeasureWidth) {
    TrptDrawTextLock lock;
    TrptDrawText* dt = Layout();
    const TColor saved = Color();
    SetFontAndOptions(dt);
    TRect r(0, 0, 10000, 10000);
    if (!MeasureWidth && !FAutoWidth) {
        BeginDraw(nullptr, 1, 1, 0, 0);
        r = FTextRect;
    }
    dt->SetDimensions(1, 1, 1, r, r);
    dt->SetText(*FMemo);
    const double result =
        MeasureWidth ? dt->CalcWidth() + FrameGapWidth() : dt->CalcHeight() + FrameGapHeight();
    SetColor(saved);
    return rptRound(result);
}

double TrptCustomMemoView::CalcHeight() {
    return Measure(false);
}

double TrptCustomMemoView::CalcWidth() {
    return Measure(true);
}

void TrptCustomMemoView::InitPart() {
    FPartMemo = Text();
    FFirstParaBreak = false;
    FLastParaBreak = false;
}

double TrptCustomMemoView::DrawPart() {
    return DrawPartFit(false);
}

double TrptCustomMemoView::DrawPartAtLeastOneLine() {
    return DrawPartFit(true);
}

double TrptCustomMemoView::DrawPartFit(bool AtLeastOneLine) {
    TrptDrawTextLock lock;
    TrptDrawText* dt = Layout();
    const TColor saved = Color();
    SetText(FPartMemo);
    PrepareLayout(dt, nullptr, 1, 1, 0, 0);
    const double height = Height();
    bool forced = false;
    if (AtLeastOneLine && dt->UnusedSpace() == 0 && dt->LineCount() > 0 && dt->LineHeight() > 0) {
        // Lay the text out again in a box as tall as its first line, growing by half lines so
        // that exactly one line is taken; the part keeps the height it was given.
        const double lh = dt->LineHeight();
        SetHeight(height + std::max(0.0, lh - FTextRect.Height()));
        PrepareLayout(dt, nullptr, 1, 1, 0, 0);
        for (int i = 0; i < 10000 && dt->UnusedSpace() == 0; ++i) {
            SetHeight(Height() + lh / 2);
            PrepareLayout(dt, nullptr, 1, 1, 0, 0);
        }
        forced = true;
    }
    bool paraBreak = false;
    FPartMemo = dt->GetOutBoundsText(paraBreak);
    SetText(dt->GetInBoundsText());
    FLastParaBreak = paraBreak;
    double result = dt->UnusedSpace();
    if (forced) {
        SetHeight(height);
        result = 0.0001;
    } else if (result == 0) {
        result = Height();
    }
    SetColor(saved);
    return result;
}

QString TrptCustomMemoView::WrapText(bool WrapWords) {
    TrptDrawTextLock lock;
    TrptDrawText* dt = Layout();
    const TColor saved = Color();
    TBitmap scratch(1, 1);
    PrepareLayout(dt, &scratch.Canvas(), 1, 1, 0, 0);
    QString result;
    if (WrapWords) {
        result = dt->WrappedText();
        if (result.endsWith(QStringLiteral("\r\n"))) result.chop(2);
    } else {
        result = FAllowHTMLTags ? dt->DeleteTags(Text()) : Text();
    }
    SetColor(saved);
    // The scratch canvas goes with this call.
    BeginDraw(nullptr, 1, 1, 0, 0);
    return result;
}

// --- Drawing ------------------------------------------------------------------------------------------

void TrptCustomMemoView::DrawUnderlines(TrptDrawText* dt) {
    if (!FCanvas) return;
    TPen& pen = FCanvas->Pen();
    pen.SetColor(Frame()->Color());
    pen.SetWidth(FFrameWidth);
    pen.SetStyle(psSolid);
    pen.SetMode(pmCopy);
    const double step = dt->LineHeight() * FScaleY;
    if (!(step > 0)) return;
    for (double y = FY + step + (FGapY - FLineSpacing + 1) * FScaleY; y < FY1; y += step) {
        FCanvas->MoveTo(FX, rptRound(y));
        FCanvas->LineTo(FX1, rptRound(y));
    }
}

void TrptCustomMemoView::Draw(TCanvas* Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) {
    if (!IsDesigning()) ExtractMacros();
    // In the designer a field-bound object shows what it is bound to.
    const bool showBinding = IsDesigning() && IsDataField();
    QString savedText;
    if (showBinding) {
        savedText = Text();
        SetText(QStringLiteral("[") + DataSetName() + QStringLiteral(".\"") + DataField() +
                QStringLiteral("\"]"));
    }
    const TColor saved = Color();
    {
        TrptDrawTextLock lock;
        TrptDrawText* dt = Layout();
        try {
            PrepareLayout(dt, Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
            TrptStretcheable::Draw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
            if (FUnderlines && FRotation == 0) DrawUnderlines(dt);
            if (Canvas) dt->DrawText(*Canvas, FHAlign, FVAlign);
        } catch (...) {
            SetColor(saved);
            if (showBinding) SetText(savedText);
            throw;
        }
    }
    SetColor(saved);
    if (showBinding) SetText(savedText);
}

// --- Prepared pages -----------------------------------------------------------------------------------

QString TrptCustomMemoView::Diff(TrptComponent* AComponent) {
    QString r = TrptStretcheable::Diff(AComponent);
    auto* m = dynamic_cast<TrptCustomMemoView*>(AComponent);
    if (m) {
        if (FAutoWidth != m->FAutoWidth) AddDiffEntry(r, QStringLiteral("AutoWidth"), DiffBool(FAutoWidth));
        if (DiffFloatsDiffer(FCharSpacing, m->FCharSpacing))
            AddDiffEntry(r, QStringLiteral("CharSpacing"), FloatToStr(FCharSpacing));
        if (DiffFloatsDiffer(FGapX, m->FGapX)) AddDiffEntry(r, QStringLiteral("GapX"), FloatToStr(FGapX));
        if (DiffFloatsDiffer(FGapY, m->FGapY)) AddDiffEntry(r, QStringLiteral("GapY"), FloatToStr(FGapY));
        if (FHAlign != m->FHAlign) AddDiffEntry(r, QStringLiteral("HAlign"), QString::number(FHAlign));
        if (FHighlight->Active() != m->FHighlight->Active())
            AddDiffEntry(r, QStringLiteral("Highlight.Active"), DiffBool(FHighlight->Active()));
        if (DiffFloatsDiffer(FLineSpacing, m->FLineSpacing))
            AddDiffEntry(r, QStringLiteral("LineSpacing"), FloatToStr(FLineSpacing));
        if (FUseDefaultCharset != m->FUseDefaultCharset)
            AddDiffEntry(r, QStringLiteral("UseDefaultCharset"), DiffBool(FUseDefaultCharset));
    }
    // The text always: empty, the one line, or every line without the last break.
    QString text;
    if (FMemo->Count() == 1) {
        text = FMemo->Get(0);
    } else if (FMemo->Count() > 1) {
        text = Text();
        if (text.endsWith(QStringLiteral("\r\n"))) text.chop(2);
    }
    AddDiffEntry(r, QStringLiteral("u"), EscapeXMLText(text));
    if (m) {
        if (DiffFloatsDiffer(FParagraphGap, m->FParagraphGap))
            AddDiffEntry(r, QStringLiteral("ParagraphGap"), FloatToStr(FParagraphGap));
        if (FRotation != m->FRotation) AddDiffEntry(r, QStringLiteral("Rotation"), QString::number(FRotation));
        if (FRTLReading != m->FRTLReading) AddDiffEntry(r, QStringLiteral("RTLReading"), DiffBool(FRTLReading));
        if (FUnderlines != m->FUnderlines) AddDiffEntry(r, QStringLiteral("Underlines"), DiffBool(FUnderlines));
        if (FVAlign != m->FVAlign) AddDiffEntry(r, QStringLiteral("VAlign"), QString::number(FVAlign));
        if (FWordWrap != m->FWordWrap) AddDiffEntry(r, QStringLiteral("WordWrap"), DiffBool(FWordWrap));
        const TrptFormat* f = FDisplayFormat.get();
        const TrptFormat* g = m->FDisplayFormat.get();
        if (f->Kind() != g->Kind())
            AddDiffEntry(r, QStringLiteral("DisplayFormat.Kind"), QString::number(f->Kind()));
        if (f->DecimalSeparator() != g->DecimalSeparator())
            AddDiffEntry(r, QStringLiteral("DisplayFormat.DecimalSeparator"),
                     EscapeXMLText(f->DecimalSeparator()));
        if (f->ThousandSeparator() != g->ThousandSeparator())
            AddDiffEntry(r, QStringLiteral("DisplayFormat.ThousandSeparator"),
                     EscapeXMLText(f->ThousandSeparator()));
        if (f->FormatStr() != g->FormatStr())
            AddDiffEntry(r, QStringLiteral("DisplayFormat.FormatStr"), EscapeXMLText(f->FormatStr()));
    }
    if (FFirstParaBreak) AddDiffEntry(r, QStringLiteral("FirstParaBreak"), QStringLiteral("1"));
    if (FLastParaBreak) AddDiffEntry(r, QStringLiteral("LastParaBreak"), QStringLiteral("1"));
    FFirstParaBreak = FLastParaBreak;
    FLastParaBreak = false;
    return r;
}

// =============================================================================================
// TrptMemoView, TrptSysMemoView

KORVEL_CLASS_INFO(TrptMemoView) {
    using C = TrptMemoView;
    b.Prop("AutoWidth", &C::AutoWidth, &C::SetAutoWidth).Default(false);
    b.Prop("AllowExpressions", &C::AllowExpressions, &C::SetAllowExpressions).Default(true);
    b.Prop("AllowHTMLTags", &C::AllowHTMLTags, &C::SetAllowHTMLTags).Default(false);
    b.Prop("BrushStyle", &C::BrushStyle, &C::SetBrushStyle).Default(bsSolid);
    b.Prop("CharSpacing", &C::CharSpacing, &C::SetCharSpacing)
        .Type("Extended")
        .Stored(&C::IsCharSpacingStored);
    b.Prop("Clipped", &C::Clipped, &C::SetClipped).Default(true);
    b.Prop("Color", &C::Color, &C::SetColor).Type("TColor").Default(clNone);
    b.Prop("DataField", &C::DataField, &C::SetDataField);
    b.Prop("DataSet", &C::DataSet, &C::SetDataSet);
    b.Prop("DataSetName", &C::DataSetName, &C::SetDataSetName);
    b.Prop("DisplayFormat", &C::DisplayFormat, &C::SetDisplayFormat);
    b.Prop("ExpressionDelimiters", &C::ExpressionDelimiters, &C::SetExpressionDelimiters)
        .Stored(&C::IsExpressionDelimitersStored);
    b.Prop("FlowTo", &C::FlowTo, &C::SetFlowTo);
    b.Prop("Font", &C::Font, &C::SetFont).Stored(&C::IsFontStored);
    b.Prop("Frame", &C::Frame, &C::SetFrame);
    b.Prop("GapX", &C::GapX, &C::SetGapX).Type("Extended").Stored(&C::IsGapXStored);
    b.Prop("GapY", &C::GapY, &C::SetGapY).Type("Extended").Stored(&C::IsGapYStored);
    b.Prop("HAlign", &C::HAlign, &C::SetHAlign).Default(haLeft);
    b.Prop("HideZeros", &C::HideZeros, &C::SetHideZeros).Default(false);
    b.Prop("Highlight", &C::Highlight, &C::SetHighlight).Stored(&C::IsHighlightStored);
    b.Prop("LineSpacing", &C::LineSpacing, &C::SetLineSpacing)
        .Type("Extended")
        .Stored(&C::IsLineSpacingStored);
    b.Prop("Memo", &C::Memo, &C::SetMemo);
    b.Prop("ParagraphGap", &C::ParagraphGap, &C::SetParagraphGap)
        .Type("Extended")
        .Stored(&C::IsParagraphGapStored);
    b.Prop("ParentFont", &C::ParentFont, &C::SetParentFont).Default(true);
    b.Prop("Rotation", &C::Rotation, &C::SetRotation).Default(0);
    b.Prop("RTLReading", &C::RTLReading, &C::SetRTLReading).Default(false);
    b.Prop("Style", &C::Style, &C::SetStyle);
    b.Prop("SuppressRepeated", &C::SuppressRepeated, &C::SetSuppressRepeated).Default(false);
    b.Prop("Underlines", &C::Underlines, &C::SetUnderlines).Default(false);
    b.Prop("UseDefaultCharset", &C::UseDefaultCharset, &C::SetUseDefaultCharset).Default(false);
    b.Prop("WordBreak", &C::WordBreak, &C::SetWordBreak).Default(false);
    b.Prop("WordWrap", &C::WordWrap, &C::SetWordWrap).Default(true);
    b.Prop("Wysiwyg", &C::Wysiwyg, &C::SetWysiwyg).Default(true);
    b.Prop("VAlign", &C::VAlign, &C::SetVAlign).Default(vaTop);
}

KORVEL_CLASS_INFO(TrptSysMemoView) {
    using C = TrptSysMemoView;
    b.Prop("AutoWidth", &C::AutoWidth, &C::SetAutoWidth).Default(false);
    b.Prop("BrushStyle", &C::BrushStyle, &C::SetBrushStyle).Default(bsSolid);
    b.Prop("CharSpacing", &C::CharSpacing, &C::SetCharSpacing)
        .Type("Extended")
        .Stored(&C::IsCharSpacingStored);
    b.Prop("Color", &C::Color, &C::SetColor).Type("TColor").Default(clNone);
    b.Prop("DisplayFormat", &C::DisplayFormat, &C::SetDisplayFormat);
    b.Prop("Font", &C::Font, &C::SetFont).Stored(&C::IsFontStored);
    b.Prop("Frame", &C::Frame, &C::SetFrame);
    b.Prop("GapX", &C::GapX, &C::SetGapX).Type("Extended").Stored(&C::IsGapXStored);
    b.Prop("GapY", &C::GapY, &C::SetGapY).Type("Extended").Stored(&C::IsGapYStored);
    b.Prop("HAlign", &C::HAlign, &C::SetHAlign).Default(haLeft);
    b.Prop("HideZeros", &C::HideZeros, &C::SetHideZeros).Default(false);
    b.Prop("Highlight", &C::Highlight, &C::SetHighlight).Stored(&C::IsHighlightStored);
    b.Prop("Memo", &C::Memo, &C::SetMemo);
    b.Prop("ParentFont", &C::ParentFont, &C::SetParentFont).Default(true);
    b.Prop("Rotation", &C::Rotation, &C::SetRotation).Default(0);
    b.Prop("RTLReading", &C::RTLReading, &C::SetRTLReading).Default(false);
    b.Prop("Style", &C::Style, &C::SetStyle);
    b.Prop("SuppressRepeated", &C::SuppressRepeated, &C::SetSuppressRepeated).Default(false);
    b.Prop("VAlign", &C::VAlign, &C::SetVAlign).Default(vaTop);
    b.Prop("WordWrap", &C::WordWrap, &C::SetWordWrap).Default(true);
}

QString TrptSysMemoView::GetDescription() const {
    return GlobalResources()->Get(QStringLiteral("obSysText"));
}

// =============================================================================================

void RegisterMemoClasses() {
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterClasses({TrptFormat::StaticClassInfo(), TrptHighlight::StaticClassInfo(),
                         TrptCustomMemoView::StaticClassInfo(), TrptMemoView::StaticClassInfo(),
                         TrptSysMemoView::StaticClassInfo()});
    });
}
