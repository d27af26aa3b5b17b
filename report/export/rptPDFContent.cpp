// Page content of the PDF export: the page fill, frames, lines with arrows, the seven shape kinds
// as vector operators, and every other object rasterised into a JPEG image object that is written
// once per page and drawn with "Do".

#include "report/export/rptPDFExport.h"

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Colors.h"
#include "platform/gfx/Picture.h"
#include "report/core/rptClassLine.h"
#include "report/core/rptClassMemo.h"
#include "report/core/rptClassView.h"
#include "report/export/rptCrypto.h"

#include <cmath>

namespace {

constexpr double kTolerance = 0.0001;

bool Same(double a, double b) {
    return std::fabs(a - b) < kTolerance;
}

// Round to the nearest integer, halves to the even neighbour.
int RoundEven(double v) {
    return static_cast<int>(std::nearbyint(v));
}

// A page-fill colour component: "0", "1" or "0." and two digits of c * 100 / 256.
void AddFillComponent(TrptPDFBuffer& b, int c) {
    if (c == 0)
        b.Add('0');
    else if (c == 255)
        b.Add('1');
    else {
        const int d = c * 100 / 256;
        const char t[4] = {'0', '.', static_cast<char>('0' + d / 10), static_cast<char>('0' + d % 10)};
        b.Add(t, 4);
    }
}

void AddFillColor(TrptPDFBuffer& b, TColor color) {
    const TColor rgb = ColorToRGB(color);
    AddFillComponent(b, GetRValue(rgb));
    b.Add(' ');
    AddFillComponent(b, GetGValue(rgb));
    b.Add(' ');
    AddFillComponent(b, GetBValue(rgb));
}

} // namespace

const QByteArray& TrptPDFExport::ColorToPDF(TColor Color) {
    static const QByteArray black = QByteArrayLiteral("0 0 0");
    static const QByteArray white = QByteArrayLiteral("1 1 1");
    if (Color == clBlack) return black;
    if (Color == clWhite) return white;
    if (Color == FLastColor) return FLastColorResult;
    const TColor rgb = ColorToRGB(Color);
    TrptPDFBuffer b;
    b.Num(GetRValue(rgb) / 255.0).Add(' ').Num(GetGValue(rgb) / 255.0).Add(' ').Num(GetBValue(rgb) / 255.0);
    FLastColor = Color;
    FLastColorResult = b.Bytes();
    return FLastColorResult;
}

QByteArray TrptPDFExport::DashPattern(TrptFrameStyle Style, double Width) {
    double dashes[6];
    int n = 0;
    switch (Style) {
    case fsDash:
        dashes[n++] = 6 * Width;
        break;
    case fsDot:
        dashes[n++] = 2 * Width;
        dashes[n++] = 6 * Width;
        break;
    case fsDashDot:
        for (double f : {6.0, 6.0, 2.0, 6.0})
            dashes[n++] = f * Width;
        break;
    case fsDashDotDot:
        for (double f : {6.0, 6.0, 2.0, 6.0, 2.0, 6.0})
            dashes[n++] = f * Width;
        break;
    default:
        return QByteArrayLiteral("[] 0 d");
    }
    TrptPDFBuffer b;
    b.Add('[');
    for (int i = 0; i < n; ++i)
        b.Num(dashes[i]).Add(' ');
    b.Add("] 0 d");
    return b.Bytes();
}

TrptPDFExport::TObjectBox TrptPDFExport::BoxOf(TrptView* View) const {
    const double a = View->AbsLeft(), t = View->AbsTop();
    return {PdfX(a),
            PdfY(t),
            PdfX(a + View->Width()),
            PdfY(t + View->Height()),
            View->Width() * 0.75,
            View->Height() * 0.75};
}

// ---------------------------------------------------------------------------------------------
// Page fill

void TrptPDFExport::WritePageFill(const TrptPDFPageSetup& Setup) {
    const double k = 72 / 25.4;
    const double L = Setup.LeftMargin * k, B = Setup.BottomMargin * k;
    const double R = FWidth - Setup.RightMargin * k, T = FHeight - Setup.TopMargin * k;
    TrptPDFBuffer& o = OutStream;
    o.Num(0).Add(" w").Eol();
    AddFillColor(o, Setup.Color);
    o.Add(" RG").Eol();
    AddFillColor(o, Setup.Color);
    o.Add(" rg").Eol();
    o.Pt(L, B).Add(" m").Eol();
    o.Pt(R, B).Add(" l").Eol();
    o.Pt(R, T).Add(" l").Eol();
    o.Pt(L, T).Add(" l").Eol();
    o.Line("B");
}

// ---------------------------------------------------------------------------------------------
// One object

void TrptPDFExport::WriteViewContent(TrptView* View) {
    if (!View->URL().isEmpty()) AddLinkForUrl(View->URL(), BoxOf(View));
    if (auto* memo = dynamic_cast<TrptCustomMemoView*>(View)) {
        const bool plainBrush = memo->BrushStyle() == bsSolid || memo->BrushStyle() == bsClear;
        const bool tagMarked =
            memo->AllowHTMLTags() && FHTMLTags && memo->Text().contains(QLatin1Char('<'));
        if (plainBrush && !tagMarked) {
            WriteTextView(memo);
            return;
        }
    }
    if (auto* line = dynamic_cast<TrptCustomLineView*>(View)) {
        WriteLineView(line, line->ArrowStart(), line->ArrowEnd(), line->ArrowSolid(), line->ArrowLength(),
                      line->ArrowWidth());
        return;
    }
    if (auto* shape = dynamic_cast<TrptShapeView*>(View)) {
        WriteShape(shape);
        return;
    }
    WriteRasterised(View);
}

// ---------------------------------------------------------------------------------------------
// Lines and arrows

void TrptPDFExport::WriteLineView(TrptView* View, bool ArrowStart, bool ArrowEnd, bool ArrowSolid,
                                  double ArrowLength, double ArrowWidth) {
    const TObjectBox box = BoxOf(View);
    TrptFrame* frame = View->Frame();
    TrptPDFBuffer& o = OutStream;
    o.Add(DashPattern(frame->Style(), frame->Width())).Eol();
    o.Add(ColorToPDF(frame->Color())).Add(" RG").Eol();
    o.Num(frame->Width() * 0.75).Add(" w").Eol();
    o.Pt(box.Left, box.Top).Add(" m").Eol();
    o.Pt(box.Right, box.Bottom).Add(" l").Eol();
    o.Line("S");
    if (ArrowStart) WriteArrow(View, box.Left, box.Top, box.Right, box.Bottom, ArrowLength, ArrowWidth, ArrowSolid);
    if (ArrowEnd) WriteArrow(View, box.Right, box.Bottom, box.Left, box.Top, ArrowLength, ArrowWidth, ArrowSolid);
}

void TrptPDFExport::WriteArrow(TrptView* View, double x1, double y1, double x2, double y2, double Length,
                               double Width, bool Solid) {
    const double e = Length * 0.75, f = Width * 0.75;
    double xb, yb, w1x, w1y, w2x, w2y;
    if (x1 != x2) {
        const double r = (y1 - y2) / (x1 - x2);
        const double l0 = (x1 * y2 - y1 * x2) / (x1 - x2);
        const double u = 1 + r * r;
        const double t = 2 * ((l0 - y1) * r - x1);
        const double k = x1 * x1 + y1 * y1 + l0 * l0 - 2 * y1 * l0 - e * e;
        const double d = std::sqrt(std::max(0.0, t * t - 4 * u * k));
        xb = (-t + d) / (2 * u);
        if ((xb > x1 && xb > x2) || (xb < x1 && xb < x2)) xb = (-t - d) / (2 * u);
        yb = r * xb + l0;
        if (y1 == y2) {
            w1x = xb, w1y = yb + f;
            w2x = xb, w2y = yb - f;
        } else {
            const double th = std::atan(r);
            w1x = xb - f * std::sin(th), w1y = yb + f * std::cos(th);
            w2x = xb + f * std::sin(th), w2y = yb - f * std::cos(th);
        }
    } else {
        yb = y1 - e;
        const bool between = (yb >= std::min(y1, y2) && yb <= std::max(y1, y2));
        if (!between) yb = y1 + e;
        w1x = x1 + f, w1y = yb;
        w2x = x1 - f, w2y = yb;
    }
    TrptFrame* frame = View->Frame();
    TrptPDFBuffer& o = OutStream;
    o.Add(DashPattern(frame->Style(), frame->Width())).Eol();
    o.Pt(w2x, w2y).Add(" m").Eol();
    o.Pt(x1, y1).Add(" l").Eol();
    o.Pt(w1x, w1y).Add(" l").Eol();
    if (Solid) {
        o.Add("1 j").Eol();
        o.Add(ColorToPDF(frame->Color())).Add(" rg").Eol();
        o.Line("b");
    } else
        o.Line("S");
}

// ---------------------------------------------------------------------------------------------
// Shapes

void TrptPDFExport::WriteShape(TrptShapeView* Shape) {
    const TObjectBox box = BoxOf(Shape);
    TrptFrame* frame = Shape->Frame();
    TrptPDFBuffer& o = OutStream;
    const double a = Shape->AbsLeft(), t = Shape->AbsTop();
    const double w = Shape->Width(), h = Shape->Height();
    const double r = a + w, b = t + h;
    // A point given in report pixels.
    auto P = [&](double x, double y) -> TrptPDFBuffer& { return o.Pt(PdfX(x), PdfY(y)); };
    auto stroke = [&] { o.Add(ColorToPDF(frame->Color())).Add(" RG"); };
    auto width = [&] { o.Num(frame->Width() * 0.75).Add(" w"); };
    auto fill = [&] { o.Add(ColorToPDF(Shape->Color())).Add(" rg"); };
    auto finish = [&] { o.Line(Shape->Color() == clNone ? "S" : "B"); };

    o.Add(DashPattern(frame->Style(), frame->Width())).Eol();
    switch (Shape->Shape()) {
    case skRectangle:
        stroke(), o.Eol(), width(), o.Eol(), fill(), o.Eol();
        o.Pt(box.Left, box.Bottom).Add(' ').Eol();
        o.Num(box.Width).Add(' ').Num(box.Height).Add(" re").Eol();
        finish();
        break;
    case skRoundRectangle: {
        const double rho = Shape->Curve() == 0 ? 7.48 : Shape->Curve() * 3.74;
        const double q = rho / 2;
        stroke(), o.Eol(), width(), o.Eol(), fill(), o.Eol();
        P(a + rho, b).Add(" m").Eol();
        P(r - rho, b).Add(" l").Eol();
        P(r - q, b).Add(' '), P(r, b - q).Add(' '), P(r, b - rho).Add(" c").Eol();
        P(r, t + rho).Add(" l").Eol();
        P(r, t + q).Add(' '), P(r - q, t).Add(' '), P(r - rho, t).Add(" c").Eol();
        P(a + rho, t).Add(" l").Eol();
        P(a + q, t).Add(' '), P(a, t + q).Add(' '), P(a, t + rho).Add(" c").Eol();
        P(a, b - rho).Add(" l").Eol();
        P(a, b - q).Add(' '), P(a + q, b).Add(' '), P(a + rho, b).Add(" c").Eol();
        finish();
        break;
    }
    case skEllipse: {
        const double p = w / 2, s = h / 2;
        const double k1 = 1.5522847498, k2 = 0.4477152502;
        stroke(), o.Eol(), width(), o.Eol(), fill(), o.Eol();
        P(a + 2 * p, t + s).Add(" m").Eol();
        P(a + 2 * p, t + k1 * s).Add(' '), P(a + k1 * p, t + 2 * s).Add(' '), P(a + p, t + 2 * s).Add(" c").Eol();
        P(a + k2 * p, t + 2 * s).Add(' '), P(a, t + k1 * s).Add(' '), P(a, t + s).Add(" c").Eol();
        P(a, t + k2 * s).Add(' '), P(a + k2 * p, t).Add(' '), P(a + p, t).Add(" c").Eol();
        P(a + k1 * p, t).Add(' '), P(a + 2 * p, t + k2 * s).Add(' '), P(a + 2 * p, t + s).Add(" c").Eol();
        finish();
        break;
    }
    case skTriangle:
        stroke(), o.Eol(), width(), o.Eol(), fill(), o.Eol();
        P(a + w / 2, t).Add(" m "), P(r, b).Add(" l "), P(a, b).Add(" l "), P(a + w / 2, t).Add(" l").Eol();
        finish();
        break;
    case skDiamond:
        stroke(), o.Eol(), width(), o.Eol(), fill(), o.Eol();
        P(a + w / 2, t).Add(" m "), P(r, t + h / 2).Add(" l "), P(a + w / 2, b).Add(" l "),
            P(a, t + h / 2).Add(" l "), P(a + w / 2, t).Add(" l").Eol();
        finish();
        break;
    case skDiagonal1:
        stroke(), o.Eol(), width(), o.Eol();
        o.Pt(box.Left, box.Bottom).Add(" m").Eol();
        o.Pt(box.Right, box.Top).Add(" l").Eol();
        o.Line("S");
        break;
    case skDiagonal2:
        stroke(), o.Eol(), width(), o.Eol();
        o.Pt(box.Left, box.Top).Add(" m").Eol();
        o.Pt(box.Right, box.Bottom).Add(" l").Eol();
        o.Line("S");
        break;
    }
}

// ---------------------------------------------------------------------------------------------
// Rasterised objects

int TrptPDFExport::AddPicture(const QByteArray& Jpeg, int PixelWidth, int PixelHeight) {
    TrptPDFXObjectHash hash;
    TCryptoMD5 md5;
    md5.Push(Jpeg.constData(), Jpeg.size());
    md5.GetDigest(hash.data(), 16);
    for (size_t i = 0; i < FXObjects.size(); ++i)
        if (FXObjects[i].ObjId != 0 && FXObjects[i].Hash == hash) return static_cast<int>(i);

    const int n = NewObjectNumber();
    FXObjects.push_back({n, hash});
    WriteHeader(n);
    pdf.Line("<<");
    pdf.Line("/Type /XObject");
    pdf.Line("/Subtype /Image");
    pdf.Line("/ColorSpace /DeviceRGB");
    pdf.Line("/BitsPerComponent 8");
    pdf.Line("/Filter /DCTDecode");
    pdf.Add("/Width ").Int(PixelWidth).Eol();
    pdf.Add("/Height ").Int(PixelHeight).Eol();
    pdf.Add("/Length ").Int(Jpeg.size()).Eol();
    pdf.Line(">>");
    pdf.Add("stream\r\n");
    WriteStreamData(Jpeg, n);
    pdf.Add("\r\nendstream\r\n");
    pdf.Line("endobj");
    pdf.Check();
    return static_cast<int>(FXObjects.size() - 1);
}

void TrptPDFExport::WriteRasterised(TrptView* View) {
    if (View->Width() <= 0 || View->Height() <= 0) return;
    if (View->Name() == QLatin1String("_pagebackground") && !FBackground) return;

    // The frame is drawn as vectors afterwards, so the picture is drawn without it. Each side
    // keeps its own width (setting the frame's width sets all four).
    TrptFrame* frame = View->Frame();
    const double frameWidth = frame->Width();
    TrptFrameLine* lines[4] = {frame->LeftLine(), frame->TopLine(), frame->RightLine(), frame->BottomLine()};
    double lineWidths[4];
    for (int i = 0; i < 4; ++i)
        lineWidths[i] = lines[i]->Width();
    const bool hideFrame = frameWidth > 0;
    auto restoreFrame = [&] {
        if (!hideFrame) return;
        frame->SetWidth(frameWidth);
        for (int i = 0; i < 4; ++i)
            lines[i]->SetWidth(lineWidths[i]);
    };
    if (hideFrame) frame->SetWidth(0);

    QByteArray jpeg;
    int bw = 0, bh = 0;
    double pw = 0, ph = 0, dx = 0, dy = 0;
    try {
        const double absLeft = View->AbsLeft(), absTop = View->AbsTop();
        const TrptRect rb = View->GetRealBounds();
        pw = rb.Right - rb.Left;
        ph = rb.Bottom - rb.Top;
        if (Same(pw, View->Width()) || Same(rb.Left, absLeft))
            dx = 0;
        else if (Same(rb.Right, absLeft + View->Width()))
            dx = pw - View->Width();
        else
            dx = (pw - View->Width()) / 2;
        if (Same(ph, View->Height()) || Same(rb.Top, absTop))
            dy = 0;
        else if (Same(rb.Bottom, absTop + View->Height()))
            dy = ph - View->Height();
        else
            dy = (ph - View->Height()) / 2;

        const bool plainBrush = View->BrushStyle() == bsSolid || View->BrushStyle() == bsClear;
        const bool barCode = View->ClassName() == QLatin1String("TrptBarCodeView");
        int s = ((FPrintOptimized || View->IsTextObject()) && plainBrush) ? 3 : 1;
        int offset = 0;
        if (barCode && !FPrintOptimized) s = 2, offset = 2;

        bw = RoundEven(s * pw) + s;
        bh = RoundEven(s * ph) + s;
        TBitmap bitmap(bw, bh, pf24bit);
        try {
            View->Draw(&bitmap.Canvas(), s, s, offset - RoundEven((absLeft - dx) * s), -RoundEven((absTop - dy) * s));
        } catch (const std::exception&) {
            // A picture that cannot be drawn is written as it stands (blank).
        }
        jpeg = TJPEGImage::Encode(bitmap.Image(), barCode ? 95 : 90, false, false);
    } catch (...) {
        restoreFrame();
        throw;
    }
    restoreFrame();

    const int index = AddPicture(jpeg, bw, bh);
    FUsedXObjects.push_back(index);
    TrptPDFBuffer& o = OutStream;
    o.Line("q");
    o.Num(pw * 0.75).Add(" 0 0 ").Num(ph * 0.75).Add(' ');
    o.Pt(PdfX(View->AbsLeft() - dx), PdfY(View->AbsTop() - dy + ph)).Add(" cm").Eol();
    o.Add("/Im").Int(index).Add(" Do").Eol();
    o.Line("Q");
    WriteFrame(View);
}

// ---------------------------------------------------------------------------------------------
// Frames

void TrptPDFExport::WriteFrame(TrptView* View) {
    WriteFrameBox(View, BoxOf(View));
}

void TrptPDFExport::WriteFrameBox(TrptView* View, const TObjectBox& box) {
    TrptFrame* frame = View->Frame();
    if (frame->Typ().Empty() || frame->Color() == clNone) return;
    TrptPDFBuffer& o = OutStream;
    o.Add(ColorToPDF(frame->Color())).Add(" RG\r\n");
    auto side = [&](TrptFrameLine* line, double x1, double y1, double x2, double y2) {
        o.Add(ColorToPDF(line->Color())).Add(" RG\r\n");
        o.Add(DashPattern(line->Style(), line->Width())).Eol();
        o.Num(line->Width() * 0.75).Add(" w\r\n");
        o.Pt(x1, y1).Add(" m\r\n");
        o.Pt(x2, y2).Add(" l\r\nS\r\n");
    };
    const TrptFrameTypes typ = frame->Typ();
    if (typ.Contains(ftTop)) side(frame->TopLine(), box.Left, box.Top, box.Right, box.Top);
    if (typ.Contains(ftRight)) side(frame->RightLine(), box.Right, box.Top, box.Right, box.Bottom);
    if (typ.Contains(ftBottom)) side(frame->BottomLine(), box.Left, box.Bottom, box.Right, box.Bottom);
    if (typ.Contains(ftLeft)) side(frame->LeftLine(), box.Left, box.Top, box.Left, box.Bottom);
}
