#include "grid/GxSharedCommon.h"

#include "grid/GxThemesSupport.h"

#include <QFile>
#include <QPolygon>

#include <cmath>
#include <cstdlib>

// ---------------------------------------------------------------------------------------------
// TCalcProvider

double TCalcProvider::GetRatio(double Value, double Max) {
    return Value / Max * 100;
}

bool TCalcProvider::IsRectInRect(const TRect& G, const TRect& H) {
    return !(G.Right < H.Left || H.Right < G.Left || G.Bottom < H.Top || H.Bottom < G.Top);
}

TPoint TCalcProvider::PosInRect(int Width, int Height, int Margin, const TRect& R, TAlignment Alignment,
                                TVerticalAlignment VerticalAlignment) {
    const int cx = (R.Left + R.Right) / 2, cy = (R.Top + R.Bottom) / 2;
    TPoint p;
    switch (Alignment) {
    case taLeftJustify:
        p.X = R.Left + Margin;
        break;
    case taRightJustify:
        p.X = R.Right - Width - Margin;
        break;
    case taCenter:
        p.X = cx - Width / 2;
        break;
    }
    switch (VerticalAlignment) {
    case taAlignTop:
        p.Y = R.Top + Margin;
        break;
    case taAlignBottom:
        p.Y = R.Bottom - Height - Margin;
        break;
    case taVerticalCenter:
        p.Y = cy - Height / 2;
        break;
    }
    return p;
}

TRect TCalcProvider::ResizeRect(const TRect& R, int DeltaLeft, int DeltaTop, int DeltaRight,
                                int DeltaBottom) {
    return {R.Left + DeltaLeft, R.Top + DeltaTop, R.Right + DeltaRight, R.Bottom + DeltaBottom};
}

// ---------------------------------------------------------------------------------------------
// TGraphicsProvider

TColor TGraphicsProvider::BlendColorValues(TColor Color1, TColor Color2, int Amount) {
    const quint32 c1 = static_cast<quint32>(Color1) & 0xFFFFFF, c2 = static_cast<quint32>(Color2) & 0xFFFFFF;
    const quint32 a = static_cast<quint32>(Amount), b = 255 - a;
    // Red and blue together, green apart: the masks keep a channel from carrying into the next.
    const quint32 rb = (((c1 & 0xFF00FF) * a + (c2 & 0xFF00FF) * b) >> 8) & 0xFF00FF;
    const quint32 g = (((c1 & 0x00FF00) * a + (c2 & 0x00FF00) * b) >> 8) & 0x00FF00;
    return static_cast<TColor>(rb | g);
}

TColor TGraphicsProvider::BlendColor(TColor Color1, TColor Color2, int Amount) {
    if (Amount >= 256) throw EInvalidArgument(QStringLiteral("Assertion failure (GxSharedCommon, line 809)"));
    return BlendColorValues(ColorToRGB(Color1), ColorToRGB(Color2), Amount);
}

TColor TGraphicsProvider::BlendColor(TColor Color1, TColor Color2, double Ratio) {
    const TColor c1 = ColorToRGB(Color1), c2 = ColorToRGB(Color2);
    auto channel = [Ratio](int a, int b) {
        return static_cast<int>(static_cast<long long>(std::nearbyint(b * Ratio + (1 - Ratio) * a)) & 0xFF);
    };
    return RGB(channel(GetRValue(c1), GetRValue(c2)), channel(GetGValue(c1), GetGValue(c2)),
               channel(GetBValue(c1), GetBValue(c2)));
}

void TGraphicsProvider::DrawGradient(TCanvas& Canvas, const TRect& R, TColor FromColor, TColor ToColor) {
    const int h = R.Height();
    if (h == 0) return;
    for (int y = R.Top; y < R.Bottom; ++y) {
        Canvas.Pen().SetColor(BlendColor(FromColor, ToColor, double(y - R.Top) / h));
        Canvas.MoveTo(R.Left, y);
        Canvas.LineTo(R.Right, y);
    }
}

void TGraphicsProvider::DrawVertGradient(TCanvas& Canvas, const TRect& R, TColor FromColor, TColor ToColor) {
    const int w = R.Width();
    if (w == 0) return;
    for (int x = R.Left; x < R.Right; ++x) {
        Canvas.Pen().SetColor(BlendColor(FromColor, ToColor, double(x - R.Left) / w));
        Canvas.MoveTo(x, R.Top);
        Canvas.LineTo(x, R.Bottom);
    }
}

void TGraphicsProvider::DrawButton(TCanvas& Canvas, const TRect& ARect, bool OldStyle) {
    Canvas.Brush().SetStyle(bsSolid);
    Canvas.Brush().SetColor(clBtnFace);
    Canvas.FillRect(ARect);
    TRect r = ARect;
    Canvas.Frame3D(r, clBtnHighlight, OldStyle ? clWindowFrame : clBtnShadow, 1);
}

void TGraphicsProvider::DrawFocused(TCanvas& Canvas, const TRect& R, bool XPStyle) {
    if (XPStyle) {
        Canvas.Brush().SetStyle(bsSolid);
        Canvas.Brush().SetColor(clHighlight);
        Canvas.FrameRect(R);
        return;
    }
    const TColor oldBk = Canvas.BkColor(), oldText = Canvas.Font().Color();
    Canvas.SetBkColor(clBlack);
    Canvas.Font().SetColor(clWhite);
    Canvas.DrawFocusRect(R);
    Canvas.SetBkColor(oldBk);
    Canvas.Font().SetColor(oldText);
}

void TGraphicsProvider::DrawCheckBox(void* Handle, TCanvas& Canvas, const TRect& ARect, TAlignment Alignment,
                                     TVerticalAlignment VerticalAlignment, bool Checked, bool Grayed,
                                     bool Hover) {
    if (IsThemingAvailable()) {
        const TPoint p = TCalcProvider::PosInRect(13, 13, 2, ARect, Alignment, VerticalAlignment);
        int state;
        if (Hover)
            state = Checked ? (Grayed ? 7 : 6) : (Grayed ? 3 : 2);
        else
            state = Checked ? 5 : 1;
        DrawThemePart(Handle, Canvas, Bounds(p.X, p.Y, 13, 13), QStringLiteral("Button"), 3, state);
        return;
    }
    const TPoint p = TCalcProvider::PosInRect(11, 11, 2, ARect, Alignment, VerticalAlignment);
    const TRect box = Bounds(p.X, p.Y, 11, 11);
    Canvas.Brush().SetStyle(bsSolid);
    Canvas.Brush().SetColor(Grayed ? clBtnFace : clWindow);
    Canvas.FillRect(box);
    Canvas.Brush().SetColor(clBtnShadow);
    Canvas.FrameRect(box);
    if (Checked) {
        Canvas.Pen().SetColor(clWindowText);
        Canvas.Pen().SetStyle(psSolid);
        Canvas.Pen().SetWidth(1);
        for (int k = 4; k <= 6; ++k)
            Canvas.Polyline({{p.X + 2, p.Y + k}, {p.X + 4, p.Y + k + 2}, {p.X + 9, p.Y + k - 3}});
    }
}

static unsigned HorzFlags(TAlignment Alignment) {
    return Alignment == taRightJustify ? DT_RIGHT : Alignment == taCenter ? DT_CENTER : DT_LEFT;
}

void TGraphicsProvider::DrawTextRect(TCanvas& Canvas, const TRect& ARect, TAlignment Alignment,
                                     const QString& Text, TBiDiMode BiDiMode) {
    Canvas.Brush().SetStyle(bsClear);
    unsigned flags = DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX | DT_EXTERNALLEADING |
                     HorzFlags(Alignment);
    if (BiDiMode != bdLeftToRight) flags |= DT_RTLREADING;
    TRect r = ARect;
    Canvas.DrawText(Text, r, flags);
    Canvas.Brush().SetStyle(bsSolid);
}

void TGraphicsProvider::DrawWrapedTextRect(TCanvas& Canvas, const TRect& ARect, TAlignment Alignment,
                                           TVerticalAlignment VerticalAlignment, bool WordWrap,
                                           const QString& Text, TBiDiMode BidiMode) {
    unsigned flags = DT_NOPREFIX | HorzFlags(Alignment);
    if (BidiMode == bdRightToLeft) flags |= DT_RTLREADING;
    Canvas.Brush().SetStyle(bsClear);
    TRect r = ARect;
    if (WordWrap) {
        TRect m = ARect;
        const int h = Canvas.DrawText(Text, m, flags | DT_WORDBREAK | DT_CALCRECT);
        if (VerticalAlignment == taAlignBottom)
            r.Top = r.Bottom - h;
        else if (VerticalAlignment == taVerticalCenter)
            r.Top = r.Top + static_cast<int>(std::nearbyint((ARect.Bottom - m.Bottom) / 2.0));
        Canvas.DrawText(Text, r, flags | DT_WORDBREAK);
    } else {
        flags |= DT_SINGLELINE;
        if (VerticalAlignment == taAlignBottom) flags |= DT_BOTTOM;
        if (VerticalAlignment == taVerticalCenter) flags |= DT_VCENTER;
        Canvas.DrawText(Text, r, flags);
    }
    Canvas.Brush().SetStyle(bsSolid);
}

void TGraphicsProvider::DrawBitmapFromRes(TCanvas& Canvas, int X, int Y, const QString& ResStr,
                                          bool Transparent) {
    QImage img(QStringLiteral(":/") + ResStr);
    if (img.isNull()) img = QImage(ResStr);
    if (img.isNull()) throw EInvalidOperation(QStringLiteral("Resource %1 not found").arg(ResStr));
    TBitmap bmp;
    bmp.SetImage(img);
    if (Transparent) {
        bmp.SetTransparentMode(tmAuto);
        bmp.SetTransparent(true);
    }
    Canvas.Draw(X, Y, bmp);
}

void TGraphicsProvider::DrawImageFromRes(TCanvas& Canvas, int X, int Y, const QString& ResStr) {
    DrawBitmapFromRes(Canvas, X, Y, ResStr, true);
}

void TGraphicsProvider::SetClipingPolygon(TCanvas& Canvas, const std::vector<TPoint>& Points) {
    QPolygon poly;
    for (size_t i = 0; i + 1 < Points.size(); ++i)
        poly << QPoint(Points[i].X, Points[i].Y);
    Canvas.SetClipRegion(QRegion(poly, Qt::WindingFill));
}

// ---------------------------------------------------------------------------------------------
// TMaskProvider

int TMaskProvider::GetColorLevel(TColor C) {
    const TColor c = ColorToRGB(C);
    return (GetBValue(c) * 28 + GetGValue(c) * 151 + GetRValue(c) * 77) >> 8;
}

TColor TMaskProvider::MixColors(TColor C1, TColor C2, int W1) {
    if (W1 >= 256) throw EInvalidArgument(QStringLiteral("Assertion failure (GxSharedCommon, line 1135)"));
    return TGraphicsProvider::BlendColorValues(ColorToRGB(C1), ColorToRGB(C2), W1);
}

void TMaskProvider::GetRGB(TColor C, quint8& R, quint8& G, quint8& B) {
    R = static_cast<quint8>(GetRValue(C));
    G = static_cast<quint8>(GetGValue(C));
    B = static_cast<quint8>(GetBValue(C));
}

void TMaskProvider::DrawMaskedImage(TCanvas& Canvas, int Left, int Top, TBitmap& Image, TBitmap& Mask) {
    if (Image.Width() != Mask.Width() || Image.Height() != Mask.Height())
        throw Exception(QStringLiteral("Image and Mask size differ"));
    Image.SetPixelFormat(pf24bit);
    Mask.SetPixelFormat(pf24bit);
    const int w = Image.Width(), h = Image.Height();
    const QImage& img = Image.Image();
    const QImage& mask = Mask.Image();
    QImage out(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const QRgb s = img.pixel(x, y), m = mask.pixel(x, y);
            TColor back = Canvas.Pixel(Left + x, Top + y);
            if (back < 0) back = clWhite;
            const TColor mixed = MixColors(RGB(qRed(s), qGreen(s), qBlue(s)), back,
                                           GetColorLevel(RGB(qRed(m), qGreen(m), qBlue(m))));
            out.setPixel(x, y, qRgb(GetRValue(mixed), GetGValue(mixed), GetBValue(mixed)));
        }
    Canvas.DrawImage(Bounds(Left, Top, w, h), out, QRect(0, 0, w, h));
}

// ---------------------------------------------------------------------------------------------
// Free routines

void DrawVerticalText(TCanvas& Canvas, const TRect& Rect, const QString& Text, bool MultiLine) {
    Canvas.Brush().SetStyle(bsClear);
    TFont saved;
    saved.Assign(Canvas.Font());
    Canvas.Font().SetOrientation(900);
    const unsigned flags = DT_SINGLELINE | DT_BOTTOM | DT_NOPREFIX | DT_EXTERNALLEADING;
    TRect r = Rect;
    if (MultiLine && Text.contains(QLatin1Char('\r'))) {
        QString t = Text;
        t.replace(QStringLiteral("\r\n"), QStringLiteral("\r"));
        for (const QString& line : t.split(QLatin1Char('\r'))) {
            TRect lr = r;
            Canvas.DrawText(line, lr, flags);
            r.Left += Canvas.TextHeight(line);
        }
    } else {
        Canvas.DrawText(Text, r, flags);
    }
    Canvas.Font().Assign(saved);
}

void DrawAlignedText(TCanvas& Canvas, const TRect& Rect, TAlignment Alignment, bool RightToLeft,
                     const QString& Text) {
    TGraphicsProvider::DrawTextRect(Canvas, Rect, Alignment, Text,
                                    RightToLeft ? bdRightToLeft : bdLeftToRight);
}

bool PointsApart(const TPoint& P1, const TPoint& P2, int Distance) {
    return std::abs(P1.X - P2.X) > Distance || std::abs(P1.Y - P2.Y) > Distance;
}
