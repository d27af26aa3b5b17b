#pragma once
// Free drawing routines of the painters: colour blending, a vertical gradient, glyphs with an
// alpha channel and a clip rectangle.

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"

// Each channel (Amount * c1 + (255 - Amount) * c2) shr 8; Amount must be below 256.
TColor BlendColors(TColor Color1, TColor Color2, int Amount);
// Each channel c2 * Ratio + (1 - Ratio) * c1, rounded half to even.
TColor BlendColorsByRatio(TColor Color1, TColor Color2, double Ratio);
// Horizontal lines from top to bottom, FromColor at the top.
void DrawVerticalGradient(TCanvas& Canvas, const TRect& Rect, TColor FromColor, TColor ToColor);
// A 32-bit bitmap is blended over the canvas with its alpha channel; any other is drawn as it is.
void DrawAlphaBitmap(TCanvas& Canvas, int X, int Y, TBitmap& Bitmap);
void SetClipRect(TCanvas& Canvas, const TRect& Rect);
