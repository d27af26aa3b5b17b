#include "grid/GxSharedDraw.h"

#include "grid/GxSharedCommon.h"

#include <cmath>

TColor BlendColors(TColor Color1, TColor Color2, int Amount) {
    if (Amount >= 256) throw EInvalidArgument(QStringLiteral("Assertion failure (GxSharedDraw, line 100)"));
    return TGraphicsProvider::BlendColorValues(ColorToRGB(Color1), ColorToRGB(Color2), Amount);
}

TColor BlendColorsByRatio(TColor Color1, TColor Color2, double Ratio) {
    return TGraphicsProvider::BlendColor(Color1, Color2, Ratio);
}

void DrawVerticalGradient(TCanvas& Canvas, const TRect& Rect, TColor FromColor, TColor ToColor) {
    TGraphicsProvider::DrawGradient(Canvas, Rect, FromColor, ToColor);
}

void DrawAlphaBitmap(TCanvas& Canvas, int X, int Y, TBitmap& Bitmap) {
    if (Bitmap.Empty()) return;
    if (Bitmap.PixelFormat() != pf32bit) {
        Canvas.Draw(X, Y, Bitmap);
        return;
    }
    const QImage& src = Bitmap.Image();
    const int w = src.width(), h = src.height();
    if (!Canvas.Image()) {
        // A recording canvas has no pixels to read: let it blend by alpha itself.
        Canvas.DrawImage(Bounds(X, Y, w, h), src, QRect(0, 0, w, h), TImageMode::Alpha);
        return;
    }
    QImage out(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        const QRgb* line = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            const QRgb s = line[x];
            TColor back = Canvas.Pixel(X + x, Y + y);
            if (back < 0) back = clWhite;
            const TColor fore = RGB(qRed(s), qGreen(s), qBlue(s));
            const TColor mixed = TMaskProvider::MixColors(fore, back, qAlpha(s));
            out.setPixel(x, y, qRgb(GetRValue(mixed), GetGValue(mixed), GetBValue(mixed)));
        }
    }
    Canvas.DrawImage(Bounds(X, Y, w, h), out, QRect(0, 0, w, h));
}

void SetClipRect(TCanvas& Canvas, const TRect& Rect) {
    Canvas.SetClipRect(Rect);
}
