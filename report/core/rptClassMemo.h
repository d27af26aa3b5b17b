#pragma once
// The text object of a report. Its lines may hold expressions between delimiters ("[" and "]"
// unless set otherwise) that are replaced by their calculated and formatted values while the
// report is prepared, or it shows one dataset field. It draws and measures through the shared
// text layout (rptDrawText.h), grows with its content, can be split across pages, can hand the
// text that does not fit to another text object (FlowTo), and swaps its font and fill while a
// highlight condition holds.
//
// Display formats go through the runtime library's formatting routines, so reports show numbers
// and dates as the rest of Korvel does. A format string from a template is checked before it is
// used: anything that does not fit the value (a specifier of another kind, several values, a
// width taken from the arguments, an absurd width) gives the value's plain text instead.
//
// An expression may end with a format suffix after " #": N (number; ",", "-" or "." in it name the
// decimal separator and stand for "."), D or T (date and time), B (Boolean "False text,True text"),
// for example [Price #N%2,2f]. [TOTALPAGES#] and [COPYNAME#] survive the expression pass and are
// replaced when the object is drawn (ExtractMacros).

#include "platform/gfx/Graphics.h"
#include "platform/rtl/Variant.h"
#include "report/core/rptClassView.h"
#include "report/core/rptDrawText.h"
#include "report/core/rptWideStrings.h"

#include <QByteArray>
#include <QString>

#include <memory>

class TCanvas;
class TrptDrawText;
class TrptStyleItem;

enum TrptFormatKind { fkText, fkNumeric, fkDateTime, fkBoolean };
KORVEL_ENUM(TrptFormatKind, "fkText,fkNumeric,fkDateTime,fkBoolean")

// How a value becomes text: the kind, a format string of that kind and, for numbers, the decimal
// and thousand separators to show instead of the locale's.
class TrptFormat : public TPersistent {
    KORVEL_CLASS(TrptFormat, TPersistent)
public:
    TrptFormat() = default;
    // All four from another format.
    void Assign(const TPersistent* Source) override;

    const QString& DecimalSeparator() const { return FDecimalSeparator; }
    void SetDecimalSeparator(const QString& Value) { FDecimalSeparator = Value; }
    const QString& ThousandSeparator() const { return FThousandSeparator; }
    void SetThousandSeparator(const QString& Value) { FThousandSeparator = Value; }
    const QString& FormatStr() const { return FFormatStr; }
    void SetFormatStr(const QString& Value) { FFormatStr = Value; }
    TrptFormatKind Kind() const { return FKind; }
    void SetKind(TrptFormatKind Value) { FKind = Value; }

private:
    QString FDecimalSeparator;
    QString FThousandSeparator;
    QString FFormatStr;
    TrptFormatKind FKind = fkText;
};

// A condition (an expression of the report) under which the object is drawn with another font
// and fill colour. Active is the result of the last calculation.
class TrptHighlight : public TPersistent {
    KORVEL_CLASS(TrptHighlight, TPersistent)
public:
    // Arial 10, red, default character set; no fill colour.
    TrptHighlight();
    ~TrptHighlight() override;
    TrptHighlight(const TrptHighlight&) = delete;
    TrptHighlight& operator=(const TrptHighlight&) = delete;

    // Font, colour and condition; Active stays.
    void Assign(const TPersistent* Source) override;

    bool Active() const { return FActive; }
    void SetActive(bool Value) { FActive = Value; }
    TColor Color() const { return FColor; }
    void SetColor(TColor Value) { FColor = Value; }
    const QString& Condition() const { return FCondition; }
    void SetCondition(const QString& Value) { FCondition = Value; }
    TFont* Font() const { return FFont.get(); }
    void SetFont(TFont* Value);

private:
    bool FActive = false;
    TColor FColor = clNone;
    QString FCondition;
    std::unique_ptr<TFont> FFont;
};

class TrptCustomMemoView : public TrptStretcheable {
    KORVEL_CLASS(TrptCustomMemoView, TrptStretcheable)
public:
    explicit TrptCustomMemoView(TComponent* AOwner = nullptr);
    ~TrptCustomMemoView() override;

    QString GetDescription() const override;
    // The view's differences, then the text object's (the text always, as "u"); afterwards the
    // paragraph break that ended this part starts the next one.
    QString Diff(TrptComponent* AComponent) override;
    void Draw(TCanvas* Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;
    // The view's rectangle, then the text rectangle inside frame and gaps (TextRect).
    void BeginDraw(TCanvas* Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;

    // The print cycle: the text is kept before printing and put back after it (unless the
    // object shows a field, which every GetData fills again). GetData computes the text: the
    // field, or every expression; then the highlight, SuppressRepeated and FlowTo.
    void BeforePrint() override;
    void GetData() override;
    void AfterPrint() override;
    // The text for the exports, with the first "[TOTALPAGES]" replaced by the page count.
    QString GetComponentText() override;

    // Whole report units: the height (width) the text needs with frame and gaps.
    double CalcHeight() override;
    virtual double CalcWidth();
    // Splitting across pages: InitPart keeps the whole text aside; each DrawPart (with Height
    // the space left) takes what fits into the lines, keeps the rest for the next part and
    // returns the space left below the text, or the whole Height when not one line fits.
    void InitPart() override;
    double DrawPart() override;
    // DrawPart for a part that starts on an empty page: when not one line fits, the first line
    // is taken all the same (cut at Height) and the text goes on with the next one, so that a
    // line taller than any page ends the split instead of moving on for ever. Returns 0.0001
    // then (the part is full).
    double DrawPartAtLeastOneLine();

    // The text of a value in a format (DisplayFormat when none is given). Never raises: a value
    // the format cannot take gives its plain text.
    QString FormatData(const Variant& Value, const TrptFormat* AFormat = nullptr) const;
    // One expression with an optional format suffix, calculated and formatted.
    QString EvaluateAndFormat(const QString& Expr);
    // WrapWords: the lines as the layout breaks them at the object's width, joined by CR LF;
    // otherwise the text without markup.
    QString WrapText(bool WrapWords);
    // Replaces [TOTALPAGES#] and [COPYNAME#] (any case) when expressions are allowed.
    void ExtractMacros();
    // Repeated values print again from the next output on.
    void ResetSuppress() { FLastValue = Variant(QString()); }
    // While printed: when the text's expressions name the page, computes them again (its band
    // got its values on the page before and then moved to a new one). True when it did.
    bool RecalcPageTexts();
    // With a style, its colour, font and frame become the object's; none changes nothing.
    void ApplyStyle(const TrptStyleItem* Style);

    // Frame and gaps around the text, report units.
    double FrameGapHeight() const;
    double FrameGapWidth() const;

    bool IsTextObject() const override { return true; }
    QString GetXMLText() const override { return Text(); }
    void SetXMLText(const QString& Value) override { SetText(Value); }

    // Text and lines.
    QString Text() const;
    void SetText(const QString& Value);
    // The text in the 8-bit code page of the font's character set.
    QByteArray AnsiText() const;
    void SetAnsiText(const QByteArray& Value);
    TrptWideStrings* Memo() const { return FMemo.get(); }
    void SetMemo(TStrings* Value);
    TrptWideStrings* Lines() const { return FMemo.get(); }
    void SetLines(TStrings* Value) { SetMemo(Value); }
    const Variant& Value() const { return FValue; }
    void SetValue(const Variant& Value) { FValue = Value; }

    // Published properties.
    bool AllowExpressions() const { return FAllowExpressions; }
    void SetAllowExpressions(bool Value) { FAllowExpressions = Value; }
    bool AllowHTMLTags() const { return FAllowHTMLTags; }
    void SetAllowHTMLTags(bool Value) { FAllowHTMLTags = Value; }
    bool AutoWidth() const { return FAutoWidth; }
    void SetAutoWidth(bool Value) { FAutoWidth = Value; }
    double CharSpacing() const { return FCharSpacing; }
    void SetCharSpacing(double Value) { FCharSpacing = Value; }
    bool Clipped() const { return FClipped; }
    void SetClipped(bool Value) { FClipped = Value; }
    TrptFormat* DisplayFormat() const { return FDisplayFormat.get(); }
    void SetDisplayFormat(TrptFormat* Value) { FDisplayFormat->Assign(Value); }
    const QString& ExpressionDelimiters() const { return FExpressionDelimiters; }
    void SetExpressionDelimiters(const QString& Value) { FExpressionDelimiters = Value; }
    TrptCustomMemoView* FlowTo() const { return FFlowTo; }
    void SetFlowTo(TrptCustomMemoView* Value);
    bool FirstParaBreak() const { return FFirstParaBreak; }
    void SetFirstParaBreak(bool Value) { FFirstParaBreak = Value; }
    double GapX() const { return FGapX; }
    void SetGapX(double Value) { FGapX = Value; }
    double GapY() const { return FGapY; }
    void SetGapY(double Value) { FGapY = Value; }
    TrptHAlign HAlign() const { return FHAlign; }
    void SetHAlign(TrptHAlign Value) { FHAlign = Value; }
    bool HideZeros() const { return FHideZeros; }
    void SetHideZeros(bool Value) { FHideZeros = Value; }
    TrptHighlight* Highlight() const { return FHighlight.get(); }
    void SetHighlight(TrptHighlight* Value) { FHighlight->Assign(Value); }
    bool LastParaBreak() const { return FLastParaBreak; }
    void SetLastParaBreak(bool Value) { FLastParaBreak = Value; }
    double LineSpacing() const { return FLineSpacing; }
    void SetLineSpacing(double Value) { FLineSpacing = Value; }
    double ParagraphGap() const { return FParagraphGap; }
    void SetParagraphGap(double Value) { FParagraphGap = Value; }
    int Rotation() const { return FRotation; }
    // Kept in -359 .. 359.
    void SetRotation(int Value) { FRotation = Value % 360; }
    bool RTLReading() const { return FRTLReading; }
    void SetRTLReading(bool Value) { FRTLReading = Value; }
    const QString& Style() const { return FStyle; }
    // Stores the name and applies the report's style of that name (when there is one).
    void SetStyle(const QString& Value);
    bool SuppressRepeated() const { return FSuppressRepeated; }
    void SetSuppressRepeated(bool Value) { FSuppressRepeated = Value; }
    bool Underlines() const { return FUnderlines; }
    void SetUnderlines(bool Value) { FUnderlines = Value; }
    bool UseDefaultCharset() const { return FUseDefaultCharset; }
    void SetUseDefaultCharset(bool Value) { FUseDefaultCharset = Value; }
    TrptVAlign VAlign() const { return FVAlign; }
    void SetVAlign(TrptVAlign Value) { FVAlign = Value; }
    bool WordBreak() const { return FWordBreak; }
    void SetWordBreak(bool Value) { FWordBreak = Value; }
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value) { FWordWrap = Value; }
    bool Wysiwyg() const { return FWysiwyg; }
    void SetWysiwyg(bool Value) { FWysiwyg = Value; }

    // State the engine and the page drawer set.
    const Variant& LastValue() const { return FLastValue; }
    void SetLastValue(const Variant& Value) { FLastValue = Value; }
    const QString& PartMemo() const { return FPartMemo; }
    int TotalPages() const { return FTotalPages; }
    void SetTotalPages(int Value) { FTotalPages = Value; }
    int CopyNo() const { return FCopyNo; }
    void SetCopyNo(int Value) { FCopyNo = Value; }
    double PrintScale() const { return FPrintScale; }
    void SetPrintScale(double Value) { FPrintScale = Value; }
    // The text rectangle of the last BeginDraw, device pixels.
    const TRect& TextRect() const { return FTextRect; }

    // Stored-value rules of the template writer.
    bool IsExpressionDelimitersStored() const { return FExpressionDelimiters != QStringLiteral("[,]"); }
    bool IsLineSpacingStored() const;
    bool IsGapXStored() const;
    bool IsGapYStored() const;
    bool IsParagraphGapStored() const;
    bool IsCharSpacingStored() const;
    bool IsHighlightStored() const;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // The layout this object uses: its report's, else the process-wide one.
    TrptDrawText* Layout() const;
    // Font, options, gaps, AutoWidth, rectangles and lines of the layout for a drawing, a
    // measurement or a split. The caller holds the layout lock and restores Color afterwards
    // (an active highlight changes it).
    void PrepareLayout(TrptDrawText* dt, TCanvas* Canvas, double ScaleX, double ScaleY, double OffsetX,
                       double OffsetY);
    // The font's character set is one of its own and the object does not ignore it.
    bool IsForeignCharset() const;
    // The expression pass over the text (nothing when the opening delimiter does not occur).
    void ExpandExpressions();

private:
    void SetFontAndOptions(TrptDrawText* dt);
    double Measure(bool Width);
    double DrawPartFit(bool AtLeastOneLine);
    void DrawUnderlines(TrptDrawText* dt);

    bool FAllowExpressions = true;
    bool FAllowHTMLTags = false;
    bool FAutoWidth = false;
    double FCharSpacing = 0;
    bool FClipped = true;
    std::unique_ptr<TrptFormat> FDisplayFormat;
    QString FExpressionDelimiters = QStringLiteral("[,]");
    TrptCustomMemoView* FFlowTo = nullptr;
    bool FFirstParaBreak = false;
    double FGapX = 2;
    double FGapY = 1;
    TrptHAlign FHAlign = haLeft;
    bool FHideZeros = false;
    std::unique_ptr<TrptHighlight> FHighlight;
    bool FLastParaBreak = false;
    double FLineSpacing = 2;
    std::unique_ptr<TrptWideStrings> FMemo;
    double FParagraphGap = 0;
    QString FPartMemo;
    int FRotation = 0;
    bool FRTLReading = false;
    QString FStyle;
    bool FSuppressRepeated = false;
    QString FTempMemo;
    bool FUnderlines = false;
    TrptVAlign FVAlign = vaTop;
    Variant FValue;
    bool FWordBreak = false;
    bool FWordWrap = true;
    bool FWysiwyg = true;
    bool FUseDefaultCharset = false;
    Variant FLastValue = Variant::Null();
    int FTotalPages = 0;
    int FCopyNo = 0;
    TRect FTextRect;
    double FPrintScale = 1;
};

// The text object as the designer inserts it, with every property published.
class TrptMemoView : public TrptCustomMemoView {
    KORVEL_CLASS(TrptMemoView, TrptCustomMemoView)
public:
    explicit TrptMemoView(TComponent* AOwner = nullptr) : TrptCustomMemoView(AOwner) {}
};

// System texts and aggregates: fewer published properties.
class TrptSysMemoView : public TrptCustomMemoView {
    KORVEL_CLASS(TrptSysMemoView, TrptCustomMemoView)
public:
    explicit TrptSysMemoView(TComponent* AOwner = nullptr) : TrptCustomMemoView(AOwner) {}
    QString GetDescription() const override;
};

// Registers the text object classes for templates (once per process).
void RegisterMemoClasses();
