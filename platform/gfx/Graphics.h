#pragma once
// Fonts, pens and brushes: the drawing attributes a canvas selects before it draws. Each raises
// OnChange after a property changed, so a canvas can pick the new value up.

#include "platform/gfx/Colors.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Set.h"

#include <QString>

#include <functional>
#include <vector>

KORVEL_EXCEPTION(EInvalidGraphic, Exception)
KORVEL_EXCEPTION(EInvalidGraphicOperation, Exception)

using TNotifyEvent = std::function<void(TObject* Sender)>;

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };
using TFontCharset = quint8;

constexpr TFontCharset ANSI_CHARSET = 0;
constexpr TFontCharset DEFAULT_CHARSET = 1;
constexpr TFontCharset SYMBOL_CHARSET = 2;
constexpr TFontCharset RUSSIAN_CHARSET = 204;
constexpr TFontCharset EASTEUROPE_CHARSET = 238;
constexpr TFontCharset GREEK_CHARSET = 161;
constexpr TFontCharset TURKISH_CHARSET = 162;
constexpr TFontCharset HEBREW_CHARSET = 177;
constexpr TFontCharset ARABIC_CHARSET = 178;
constexpr TFontCharset BALTIC_CHARSET = 186;
constexpr TFontCharset SHIFTJIS_CHARSET = 128;
constexpr TFontCharset OEM_CHARSET = 255;

enum TPenStyle {
    psSolid,
    psDash,
    psDot,
    psDashDot,
    psDashDotDot,
    psClear,
    psInsideFrame,
    psUserStyle,
    psAlternate
};
enum TPenMode {
    pmBlack,
    pmWhite,
    pmNop,
    pmNot,
    pmCopy,
    pmNotCopy,
    pmMergePenNot,
    pmMaskPenNot,
    pmMergeNotPen,
    pmMaskNotPen,
    pmMerge,
    pmNotMerge,
    pmMask,
    pmNotMask,
    pmXor,
    pmNotXor
};
// End caps and joins of wide (geometric) pens; one-pixel pens never draw their last point.
enum TPenEndCap { pecRound, pecSquare, pecFlat };
enum TPenJoinStyle { pjsRound, pjsBevel, pjsMiter };
enum TBrushStyle {
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross
};

class TGraphicsObject : public TObject {
public:
    TNotifyEvent OnChange;

protected:
    // Raised after every change, unless an update is in progress.
    virtual void Changed();
    void DoChange();
};

class TFont : public TGraphicsObject {
public:
    TFont();
    void Assign(const TFont& source);
    bool SameAs(const TFont& other) const;

    const QString& Name() const { return FName; }
    void SetName(const QString& value);
    // Points at PixelsPerInch; Height is the same size in pixels (negative: character height
    // without internal leading; positive: the whole cell height).
    int Size() const;
    void SetSize(int value);
    // The size in points with its fraction: a height that a whole point size gives back (13 pixels
    // for 10 points at 96 per inch) is that size; any other height is its exact size (14 pixels are
    // 10.5 points).
    double PointSize() const;
    int Height() const { return FHeight; }
    void SetHeight(int value);
    int PixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int value) { FPixelsPerInch = value > 0 ? value : 96; }
    TFontStyles Style() const { return FStyle; }
    void SetStyle(const TFontStyles& value);
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    TFontCharset Charset() const { return FCharset; }
    void SetCharset(TFontCharset value);
    TFontPitch Pitch() const { return FPitch; }
    void SetPitch(TFontPitch value);
    // Tenths of a degree, counter-clockwise.
    int Orientation() const { return FOrientation; }
    void SetOrientation(int value);

private:
    QString FName;
    int FHeight;
    int FPixelsPerInch = 96;
    TFontStyles FStyle;
    TColor FColor = clWindowText;
    TFontCharset FCharset = DEFAULT_CHARSET;
    TFontPitch FPitch = fpDefault;
    int FOrientation = 0;
};

class TPen : public TGraphicsObject {
public:
    void Assign(const TPen& source);

    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    int Width() const { return FWidth; }
    void SetWidth(int value);
    TPenStyle Style() const { return FStyle; }
    void SetStyle(TPenStyle value);
    TPenMode Mode() const { return FMode; }
    void SetMode(TPenMode value);
    TPenEndCap EndCap() const { return FEndCap; }
    void SetEndCap(TPenEndCap value);
    TPenJoinStyle JoinStyle() const { return FJoinStyle; }
    void SetJoinStyle(TPenJoinStyle value);
    // Dash and gap lengths in pixels for psUserStyle; a dash of 0 with round caps is a dot.
    const std::vector<int>& UserStyle() const { return FUserStyle; }
    void SetUserStyle(const std::vector<int>& value);

private:
    TColor FColor = clBlack;
    int FWidth = 1;
    TPenStyle FStyle = psSolid;
    TPenMode FMode = pmCopy;
    TPenEndCap FEndCap = pecRound;
    TPenJoinStyle FJoinStyle = pjsRound;
    std::vector<int> FUserStyle;
};

class TBrush : public TGraphicsObject {
public:
    void Assign(const TBrush& source);

    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    TBrushStyle Style() const { return FStyle; }
    void SetStyle(TBrushStyle value);

private:
    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
};

// a * b / c rounded half away from zero, as the classic size conversions do.
int MulDiv(int a, int b, int c);
