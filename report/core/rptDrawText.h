#pragma once
// TrptDrawText: the text layout of text objects. It breaks paragraphs into lines at the object's
// width (hyphenating long Russian words when asked), applies the markup of rptHTMLTags.h, aligns
// and justifies lines, rotates the block, spaces lines, paragraphs and characters, clips to the
// object and tells the engine how much text fits into a height.
//
// Layout does not depend on the device: every measurement is made on a private canvas with the
// font at 600 pixels per inch (DefPPI), and when a line is drawn on a screen or a printer the
// device's advances are corrected so that the line is exactly as wide as the 600-pixel layout says
// (WYSIWYG). Preview, printer and exports therefore break lines at the same places.
//
// Units: rectangles, gaps and spacings given to the layout are report units (96 per inch,
// ScrPPI); measurements are 600-per-inch pixels; k = DefPPI / ScrPPI = 6.25 converts. Drawing
// positions are device pixels.
//
// Every report owns one layout; GlobalDrawText() serves text objects without a report and the
// PDF writer. One process-wide lock (Lock/Unlock, or TrptDrawTextLock) guards them all: callers
// hold it from SetFont until they have used the results, in this order: SetFont, SetOptions,
// SetGaps, SetDimensions, SetText, optionally SetParaBreaks, then DrawText, CalcHeight,
// CalcWidth, LineHeight, TextHeight, UnusedSpace, GetOutBoundsText, GetInBoundsText,
// WrappedText. Nothing here raises for the text it is given.

#include "platform/gfx/Graphics.h"
#include "platform/rtl/Types.h"
#include "platform/rtti/TypInfo.h"
#include "report/core/rptHTMLTags.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>
#include <vector>

class TBitmap;
class TCanvas;
class TStrings;

enum TrptHAlign { haLeft, haRight, haCenter, haBlock };
KORVEL_ENUM(TrptHAlign, "haLeft,haRight,haCenter,haBlock")
enum TrptVAlign { vaTop, vaBottom, vaCenter };
KORVEL_ENUM(TrptVAlign, "vaTop,vaBottom,vaCenter")

// Paragraph flags of a laid-out line.
constexpr int rptParaFirst = 1; // first line of a paragraph (indented)
constexpr int rptParaLast = 2;  // last line of a paragraph (not justified)

// Where a block of lines starts on a rectangle for a rotation: the start point of the first line,
// the line width and the free height along the line-advance direction.
struct TrptTextBlock {
    int X = 0, Y = 0;
    int Width = 0;
    int FreeHeight = 0;
};
// R is the scaled text rectangle, BlockHeight the ideal height of all lines; the rotation may be
// any number of degrees (counter-clockwise). Vertical alignment moves the start along the
// line-advance direction.
TrptTextBlock PlaceRotatedBlock(const TRect& R, int Rotation, int BlockHeight, TrptVAlign VAlign);

// Adds n units (each of value unit) over a[from .. to] by halving the range, so the units fall
// evenly: one unit lands in the middle, two in the middles of the halves, and so on.
void SpreadUnits(std::vector<int>& a, int from, int to, int unit, int n);

// Russian hyphenation: the 1-based positions p of the word after which a hyphen may break it.
// Words of fewer than four characters, and words without Russian letters, have none.
std::vector<int> HyphenPositions(QStringView word);

class TrptDrawText {
public:
    TrptDrawText();
    ~TrptDrawText();
    TrptDrawText(const TrptDrawText&) = delete;
    TrptDrawText& operator=(const TrptDrawText&) = delete;

    // The process-wide lock shared by every layout (recursive).
    static void Lock();
    static void Unlock();

    // The point size, and the measuring font: name, height at 600 per inch, style, character
    // set and colour of Font.
    void SetFont(const TFont& Font);
    // Rotation is kept modulo 360 (-359 .. 359).
    void SetOptions(bool WordWrap, bool HTMLTags, bool RTLReading, bool WordBreak, bool Clipped, bool Wysiwyg,
                    int Rotation);
    // First-line indent, space after every character and after every line (may be negative).
    void SetGaps(double ParagraphGap, double CharSpacing, double LineSpacing);
    // Device pixels per report unit, printer scale, the text rectangle in report units at scale
    // 1 and the same rectangle in device pixels (also the clipping rectangle).
    void SetDimensions(double ScaleX, double ScaleY, double PrintScale, const TRect& OriginalRect,
                       const TRect& ScaledRect);
    // Lays out the source lines. The QString form splits at CR, LF, CR LF and U+2028 (a final
    // break gives no empty last line).
    void SetText(const QStringList& Text);
    void SetText(const TStrings& Text);
    void SetText(const QString& Text);
    // FirstParaBreak: the first line continues a paragraph (no indent); LastParaBreak: the last
    // line's paragraph goes on in the next part (it is justified like an inner line).
    void SetParaBreaks(bool FirstParaBreak, bool LastParaBreak);
    // Txt without its markup, as the run list reads it; its runs are appended to the run list.
    QString DeleteTags(const QString& Txt);

    // Draws the laid-out lines on C (a screen image, a printer, a recording canvas). C's font
    // and background mode are as before afterwards.
    void DrawText(TCanvas& C, TrptHAlign HAlign, TrptVAlign VAlign);
    // Report units. CalcHeight: every line with its spacing (a negative spacing once more);
    // CalcWidth: the widest line with its spacing and indent; 0 without lines.
    double CalcHeight();
    double CalcWidth();
    double TextHeight() const;
    double LineHeight() const { return TextHeight() + FLineSpacing; }
    // What the original rectangle leaves below its last whole line: 0 when not one line fits,
    // 0.0001 when the lines fill it exactly.
    double UnusedSpace() const;
    // Splits the text at the original rectangle's height: returns the source text of the lines
    // that do not fit (with tags restoring the first character's formatting when markup is on)
    // and keeps the rest, which GetInBoundsText returns. ParaBreak tells whether the cut falls
    // inside a paragraph.
    QString GetOutBoundsText(bool& ParaBreak);
    QString GetInBoundsText() const { return FPlainText; }
    // True for the canvas of a printer; it selects the printer's resolution for font heights.
    static bool IsPrinterCanvas(TCanvas& C);

    // The laid-out lines, each followed by CR LF.
    QString WrappedText() const;
    int LineCount() const { return static_cast<int>(FText.size()); }
    QString Line(int index) const { return FText[static_cast<size_t>(index)].Text; }
    // rptParaFirst and rptParaLast bits.
    int LineFlags(int index) const { return FText[static_cast<size_t>(index)].Flags; }

    TCanvas& Canvas() { return *FCanvas; }
    int DefPPI() const { return FDefPPI; }
    int ScrPPI() const { return FScrPPI; }
    bool UseDefaultCharset() const { return FUseDefaultCharset; }
    void SetUseDefaultCharset(bool value) { FUseDefaultCharset = value; }
    // The runs of the laid-out lines, one line of runs per text line.
    TrptHTMLTagsList& HTMLTags() { return FHTMLTags; }
    int Rotation() const { return FRotation; }
    bool Wysiwyg() const { return FWysiwyg; }
    bool WordWrap() const { return FWordWrap; }
    bool WordBreak() const { return FWordBreak; }
    double LineSpacing() const { return FLineSpacing; }
    double CharSpacing() const { return FCharSpacing; }
    double ParagraphGap() const { return FParagraphGap; }

private:
    struct TLine {
        QString Text;
        int Flags = 0;
        bool Hyphenated = false; // ends with a hyphen the break inserted
    };
    // Caches of one paragraph's hyphenation scans, so a long word is read once.
    struct THyphenScan {
        int SepFrom = -1, Sep = -1;
        int VowelEnd = -1, VowelFrom = -1, Vowel = -1;
    };

    double K() const { return static_cast<double>(FDefPPI) / FScrPPI; }
    void BreakParagraph(QString s, int width, int charSpacing, int firstWidth);
    // The prefix of the word at f that may end a line overflowing at o, or empty.
    QString HyphenatePrefix(const QString& s, int f, int o);
    void DrawLineRuns(TCanvas& C, int index, int x, int y, int width, TrptHAlign align, bool printer, int dpiX,
                      int dpiY);
    int DeviceFontHeight(double size, bool printer, int dpiY) const;

    std::unique_ptr<TBitmap> FBMP;
    TCanvas* FCanvas = nullptr;
    int FDefPPI = 600;
    int FScrPPI = 96;
    std::vector<int> FTempArray;  // widths of the line being wrapped or drawn
    std::vector<int> FDevWidths;  // device widths of the line being drawn
    double FFontSize = 10;
    TrptHTMLTagsList FHTMLTags;
    double FCharSpacing = 0;
    double FLineSpacing = 0;
    unsigned FOptions = 0;
    TRect FOriginalRect;
    double FParagraphGap = 0;
    QString FPlainText;
    double FPrintScale = 1;
    int FRotation = 0;
    bool FRTLReading = false;
    TRect FScaledRect;
    double FScaleX = 1, FScaleY = 1;
    std::vector<TLine> FText;
    bool FWordBreak = false;
    bool FWordWrap = false;
    bool FWysiwyg = true;
    bool FUseDefaultCharset = false;
    THyphenScan FScan;
};

// Holds the layouts' lock for a scope.
class TrptDrawTextLock {
public:
    TrptDrawTextLock() { TrptDrawText::Lock(); }
    ~TrptDrawTextLock() { TrptDrawText::Unlock(); }
    TrptDrawTextLock(const TrptDrawTextLock&) = delete;
    TrptDrawTextLock& operator=(const TrptDrawTextLock&) = delete;
};

// The layout of text objects that belong to no report and of the PDF writer; made on first use,
// freed at the end of the program.
TrptDrawText* GlobalDrawText();
