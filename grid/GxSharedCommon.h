#pragma once
// Stateless geometry and drawing helpers of the grid suite, as classes with class-level
// operations only, plus the unit's free routines (vertical text, aligned text, drag distance).

#include "grid/GxClasses.h"
#include "grid/GxSharedDraw.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/ui/UiTypes.h"

#include <vector>

class TCalcProvider {
public:
    TCalcProvider() = delete;
    static double GetRatio(double Value, double Max);
    // Touching rectangles count as overlapping.
    static bool IsRectInRect(const TRect& GuestRect, const TRect& HostRect);
    static TPoint PosInRect(int Width, int Height, int Margin, const TRect& ARect, TAlignment Alignment,
                            TVerticalAlignment VerticalAlignment);
    static TRect ResizeRect(const TRect& ARect, int DeltaLeft, int DeltaTop, int DeltaRight, int DeltaBottom);
};

class TGraphicsProvider {
public:
    TGraphicsProvider() = delete;
    // Amount 0..255; 256 or more is an assertion failure.
    static TColor BlendColor(TColor Color1, TColor Color2, int Amount);
    static TColor BlendColor(TColor Color1, TColor Color2, double Ratio);
    // The integer blend on resolved colour values, without the range test.
    static TColor BlendColorValues(TColor Color1, TColor Color2, int Amount);
    static void DrawGradient(TCanvas& Canvas, const TRect& ARect, TColor FromColor, TColor ToColor);
    static void DrawVertGradient(TCanvas& Canvas, const TRect& ARect, TColor FromColor, TColor ToColor);
    static void DrawButton(TCanvas& Canvas, const TRect& ARect, bool OldStyle);
    static void DrawFocused(TCanvas& Canvas, const TRect& R, bool XPStyle);
    static void DrawCheckBox(void* Handle, TCanvas& Canvas, const TRect& ARect, TAlignment Alignment,
                             TVerticalAlignment VerticalAlignment, bool Checked, bool Grayed, bool Hover);
    static void DrawTextRect(TCanvas& Canvas, const TRect& ARect, TAlignment Alignment, const QString& Text,
                             TBiDiMode BiDiMode = bdLeftToRight);
    static void DrawWrapedTextRect(TCanvas& Canvas, const TRect& ARect, TAlignment Alignment,
                                   TVerticalAlignment VerticalAlignment, bool WordWrap, const QString& Text,
                                   TBiDiMode BidiMode = bdLeftToRight);
    // Bitmaps from the program's resources (":/" + ResStr, or ResStr as a file path).
    static void DrawBitmapFromRes(TCanvas& Canvas, int X, int Y, const QString& ResStr, bool Transparent);
    static void DrawImageFromRes(TCanvas& Canvas, int X, int Y, const QString& ResStr);
    static void SetClipingPolygon(TCanvas& Canvas, const std::vector<TPoint>& Points);
};

class TMaskProvider {
public:
    TMaskProvider() = delete;
    static int GetColorLevel(TColor C);
    static TColor MixColors(TColor C1, TColor C2, int W1);
    static void GetRGB(TColor C, quint8& R, quint8& G, quint8& B);
    // Image and Mask are switched to 24 bits per pixel; white mask shows the image.
    static void DrawMaskedImage(TCanvas& Canvas, int Left, int Top, TBitmap& Image, TBitmap& Mask);
};

// Gives the canvas the font unless it already has exactly that font: assigning one makes the
// canvas look its face up again, which painting cell after cell in one font need not do.
inline void SelectFont(TCanvas& Canvas, const TFont& Font) {
    const TFont& f = Canvas.Font();
    if (!f.SameAs(Font) || f.PixelsPerInch() != Font.PixelsPerInch()) Canvas.SetFont(Font);
}

void DrawVerticalText(TCanvas& Canvas, const TRect& Rect, const QString& Text, bool MultiLine);
void DrawAlignedText(TCanvas& Canvas, const TRect& Rect, TAlignment Alignment, bool RightToLeft,
                     const QString& Text);
// True when the points differ by more than Distance in x or in y.
bool PointsApart(const TPoint& P1, const TPoint& P2, int Distance);
