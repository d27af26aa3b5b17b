#include "platform/gfx/Canvas.h"

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/CanvasCommand.h"

#include <QPaintEngine>
#include <QPainterPath>
#include <QtMath>

#include <algorithm>
#include <climits>
#include <cmath>

namespace {

QRect ToQRect(const TRect& r) {
    return QRect(r.Left, r.Top, r.Width(), r.Height());
}

TRect Normalized(int x1, int y1, int x2, int y2) {
    return TRect(std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2));
}

bool HasRasterOps(QPainter* p) {
    return p->paintEngine() && p->paintEngine()->hasFeature(QPaintEngine::RasterOpModes);
}

TColor FromRgb(QRgb c) {
    return RGB(qRed(c), qGreen(c), qBlue(c));
}

// A very large surface for canvases without a device (recording, measuring).
constexpr TRect Unbounded(-0x3FFFFFF, -0x3FFFFFF, 0x3FFFFFF, 0x3FFFFFF);

} // namespace

unsigned TextFormatToFlags(const TTextFormat& f) {
    unsigned r = 0;
    if (f.Contains(tfBottom)) r |= DT_BOTTOM;
    if (f.Contains(tfCalcRect)) r |= DT_CALCRECT;
    if (f.Contains(tfCenter)) r |= DT_CENTER;
    if (f.Contains(tfEditControl)) r |= DT_EDITCONTROL;
    if (f.Contains(tfEndEllipsis)) r |= DT_END_ELLIPSIS;
    if (f.Contains(tfPathEllipsis)) r |= DT_PATH_ELLIPSIS;
    if (f.Contains(tfExpandTabs)) r |= DT_EXPANDTABS;
    if (f.Contains(tfExternalLeading)) r |= DT_EXTERNALLEADING;
    if (f.Contains(tfNoClip)) r |= DT_NOCLIP;
    if (f.Contains(tfNoPrefix)) r |= DT_NOPREFIX;
    if (f.Contains(tfRight)) r |= DT_RIGHT;
    if (f.Contains(tfRtlReading)) r |= DT_RTLREADING;
    if (f.Contains(tfOneLine)) r |= DT_SINGLELINE;
    if (f.Contains(tfVerticalCenter)) r |= DT_VCENTER;
    if (f.Contains(tfWordBreak)) r |= DT_WORDBREAK;
    return r;
}

// ---------------------------------------------------------------------------------------------
// Construction and devices

TCanvas::TCanvas() {
    Init();
}

TCanvas::TCanvas(QPaintDevice* device) {
    Init();
    SetDevice(device);
}

TCanvas::~TCanvas() {
    ReleaseDevice();
}

void TCanvas::Init() {
    FBrush.OnChange = [this](TObject*) { OnBrushChanged(); };
    FFont.OnChange = [this](TObject*) { FFaceValid = false; };
}

void TCanvas::OnBrushChanged() {
    if (FBrush.Style() == bsSolid) {
        FBkMode = OPAQUE;
        FBkColor = FBrush.Color();
    } else {
        FBkMode = TRANSPARENT;
    }
}

void TCanvas::SetDevice(QPaintDevice* device) {
    ReleaseDevice();
    FDevice = device;
    FImage = device && device->devType() == QInternal::Image ? static_cast<QImage*>(device) : nullptr;
}

void TCanvas::SetPainter(QPainter* painter) {
    ReleaseDevice();
    FExternal = painter;
    if (!painter) return;
    FDevice = painter->device();
    FImage = FDevice && FDevice->devType() == QInternal::Image ? static_cast<QImage*>(FDevice) : nullptr;
    FBaseTransform = painter->worldTransform();
    if (painter->hasClipping()) FBaseClip = painter->clipRegion() * painter->worldTransform();
    if (!FImage && painter->paintEngine()) {
        // A widget's painter is redirected into the backing store: read pixels from there.
        QPaintDevice* target = painter->paintEngine()->paintDevice();
        if (target && target->devType() == QInternal::Image) {
            FImage = static_cast<QImage*>(target);
            FReadTransform = painter->worldTransform().inverted() * painter->deviceTransform();
        }
    }
}

void TCanvas::ReleaseDevice() {
    Flush();
    FOwnPainter.reset();
    FExternal = nullptr;
    FDevice = nullptr;
    FImage = nullptr;
    FBaseTransform = QTransform();
    FReadTransform = QTransform();
    FBaseClip.reset();
}

void TCanvas::Flush() {
    if (FOwnPainter && FOwnPainter->isActive()) FOwnPainter->end();
}

QPainter* TCanvas::Painter() {
    if (OnBeforePaint) OnBeforePaint(true);
    if (FExternal) return FExternal->isActive() ? FExternal : nullptr;
    if (!FDevice) return nullptr;
    if (!FOwnPainter) FOwnPainter = std::make_unique<QPainter>();
    if (!FOwnPainter->isActive() && !FOwnPainter->begin(FDevice)) return nullptr;
    return FOwnPainter.get();
}

bool TCanvas::BeginDraw(QPainter* p) {
    if ((FClip && FClip->isEmpty()) || (FBaseClip && FBaseClip->isEmpty())) return false;
    p->setRenderHint(QPainter::Antialiasing, false);
    p->setRenderHint(QPainter::SmoothPixmapTransform, false);
    p->setRenderHint(QPainter::TextAntialiasing, true);
    p->setOpacity(1.0);
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    p->setWorldTransform(QTransform());
    if (FBaseClip)
        p->setClipRegion(*FBaseClip);
    else
        p->setClipping(false);
    p->setWorldTransform(FBaseTransform);
    if (FClip) p->setClipRegion(*FClip, FBaseClip ? Qt::IntersectClip : Qt::ReplaceClip);
    return true;
}

TCanvasState TCanvas::SaveState() const {
    TCanvasState s;
    s.FontName = FFont.Name();
    s.FontHeight = FFont.Height();
    s.FontPixelsPerInch = FFont.PixelsPerInch();
    s.FontStyle = FFont.Style().ToInt();
    s.FontColor = FFont.Color();
    s.FontCharset = FFont.Charset();
    s.FontPitch = FFont.Pitch();
    s.FontOrientation = FFont.Orientation();
    s.PenColor = FPen.Color();
    s.PenWidth = FPen.Width();
    s.PenStyle = FPen.Style();
    s.PenMode = FPen.Mode();
    s.PenEndCap = FPen.EndCap();
    s.PenJoin = FPen.JoinStyle();
    s.PenUserStyle = FPen.UserStyle();
    s.BrushColor = FBrush.Color();
    s.BrushStyle = FBrush.Style();
    s.CopyMode = FCopyMode;
    s.BkMode = FBkMode;
    s.BkColor = FBkColor;
    s.TextFlags = FTextFlags;
    s.PenPos = FPenPos;
    s.Clip = FClip;
    return s;
}

void TCanvas::RestoreState(const TCanvasState& s) {
    FFont.SetPixelsPerInch(s.FontPixelsPerInch);
    FFont.SetName(s.FontName);
    FFont.SetHeight(s.FontHeight);
    FFont.SetStyle(TFontStyles::FromInt(s.FontStyle));
    FFont.SetColor(s.FontColor);
    FFont.SetCharset(s.FontCharset);
    FFont.SetPitch(s.FontPitch);
    FFont.SetOrientation(s.FontOrientation);
    FPen.SetColor(s.PenColor);
    FPen.SetWidth(s.PenWidth);
    FPen.SetStyle(s.PenStyle);
    FPen.SetMode(s.PenMode);
    FPen.SetEndCap(s.PenEndCap);
    FPen.SetJoinStyle(s.PenJoin);
    if (FPen.UserStyle() != s.PenUserStyle) FPen.SetUserStyle(s.PenUserStyle);
    FBrush.SetStyle(s.BrushStyle);
    if (s.BrushStyle != bsClear) FBrush.SetColor(s.BrushColor);
    FCopyMode = s.CopyMode;
    FBkMode = s.BkMode;
    FBkColor = s.BkColor;
    FTextFlags = s.TextFlags;
    FPenPos = s.PenPos;
    FClip = s.Clip;
}

// Records the call with its integer arguments when the canvas is recording; true when it was.
bool TCanvas::Recorded(TCanvasOp op, std::initializer_list<int> args) {
    if (!FRecorder) return false;
    TCanvasCommand c;
    c.Op = op;
    std::copy(args.begin(), args.end(), c.A);
    Record(std::move(c));
    return true;
}

void TCanvas::Record(TCanvasCommand&& cmd) {
    cmd.State = SaveState();
    FRecorder->Record(std::move(cmd));
}

// ---------------------------------------------------------------------------------------------
// Pens, brushes and raster operations

void TCanvas::ApplyPenMode(QPainter* p, TPenMode mode) {
    using CM = QPainter::CompositionMode;
    CM cm = QPainter::CompositionMode_SourceOver;
    switch (mode) {
    case pmBlack:
        cm = QPainter::RasterOp_ClearDestination;
        break;
    case pmWhite:
        cm = QPainter::RasterOp_SetDestination;
        break;
    case pmNop:
        cm = QPainter::CompositionMode_Destination;
        break;
    case pmNot:
        cm = QPainter::RasterOp_NotDestination;
        break;
    case pmCopy:
        cm = QPainter::CompositionMode_SourceOver;
        break;
    case pmNotCopy:
        cm = QPainter::RasterOp_NotSource;
        break;
    case pmMergePenNot:
        cm = QPainter::RasterOp_SourceOrNotDestination;
        break;
    case pmMaskPenNot:
        cm = QPainter::RasterOp_SourceAndNotDestination;
        break;
    case pmMergeNotPen:
        cm = QPainter::RasterOp_NotSourceOrDestination;
        break;
    case pmMaskNotPen:
        cm = QPainter::RasterOp_NotSourceAndDestination;
        break;
    case pmMerge:
        cm = QPainter::RasterOp_SourceOrDestination;
        break;
    case pmNotMerge:
        cm = QPainter::RasterOp_NotSourceAndNotDestination;
        break;
    case pmMask:
        cm = QPainter::RasterOp_SourceAndDestination;
        break;
    case pmNotMask:
        cm = QPainter::RasterOp_NotSourceOrNotDestination;
        break;
    case pmXor:
        cm = QPainter::RasterOp_SourceXorDestination;
        break;
    case pmNotXor:
        cm = QPainter::RasterOp_NotSourceXorDestination;
        break;
    }
    if (cm >= QPainter::RasterOp_SourceOrDestination && !HasRasterOps(p))
        cm = QPainter::CompositionMode_SourceOver; // printers and PDF have no raster operations
    p->setCompositionMode(cm);
}

void TCanvas::ApplyCopyMode(QPainter* p, TCopyMode mode) {
    QPainter::CompositionMode cm = QPainter::CompositionMode_SourceOver;
    switch (mode) {
    case cmSrcInvert:
        cm = QPainter::RasterOp_SourceXorDestination;
        break;
    case cmSrcAnd:
        cm = QPainter::RasterOp_SourceAndDestination;
        break;
    case cmSrcPaint:
        cm = QPainter::RasterOp_SourceOrDestination;
        break;
    case cmNotSrcCopy:
        cm = QPainter::RasterOp_NotSource;
        break;
    case cmDstInvert:
        cm = QPainter::RasterOp_NotDestination;
        break;
    case cmBlackness:
        cm = QPainter::RasterOp_ClearDestination;
        break;
    case cmWhiteness:
        cm = QPainter::RasterOp_SetDestination;
        break;
    case cmSrcErase:
        cm = QPainter::RasterOp_SourceAndNotDestination;
        break;
    case cmNotSrcErase:
        cm = QPainter::RasterOp_NotSourceAndNotDestination;
        break;
    case cmMergePaint:
        cm = QPainter::RasterOp_NotSourceOrDestination;
        break;
    case cmPatInvert:
        cm = QPainter::RasterOp_SourceXorDestination;
        break;
    default:
        break;
    }
    if (cm >= QPainter::RasterOp_SourceOrDestination && !HasRasterOps(p))
        cm = QPainter::CompositionMode_SourceOver;
    p->setCompositionMode(cm);
}

bool TCanvas::PenIsPatterned() const {
    const TPenStyle s = FPen.Style();
    if (s == psUserStyle || s == psAlternate) return true;
    return FPen.Width() <= 1 && (s == psDash || s == psDot || s == psDashDot || s == psDashDotDot);
}

QPen TCanvas::MakePen(TColor color, bool solidOnly) const {
    if (FPen.Style() == psClear) return QPen(Qt::NoPen);
    const QColor c = ColorToQColor(color);
    const int w = FPen.Width();
    QPen pen;
    if (w <= 1) {
        // A one-pixel pen leaves out the last point of every line, as the classic canvas does.
        pen = QPen(c, 0);
        pen.setCapStyle(Qt::FlatCap);
        pen.setJoinStyle(Qt::MiterJoin);
    } else {
        pen = QPen(c, w);
        pen.setCapStyle(FPen.EndCap() == pecSquare ? Qt::SquareCap
                        : FPen.EndCap() == pecFlat ? Qt::FlatCap
                                                   : Qt::RoundCap);
        pen.setJoinStyle(FPen.JoinStyle() == pjsBevel   ? Qt::BevelJoin
                         : FPen.JoinStyle() == pjsMiter ? Qt::MiterJoin
                                                        : Qt::RoundJoin);
    }
    if (solidOnly) return pen;
    QList<qreal> pattern;
    const qreal unit = w <= 1 ? 1.0 : w;
    switch (FPen.Style()) {
    case psDash:
        if (w <= 1) pattern = {18, 6};
        break;
    case psDot:
        if (w <= 1) pattern = {3, 3};
        break;
    case psDashDot:
        if (w <= 1) pattern = {9, 6, 3, 6};
        break;
    case psDashDotDot:
        if (w <= 1) pattern = {9, 3, 3, 3, 3, 3};
        break;
    case psAlternate:
        pattern = {1, 1};
        break;
    case psUserStyle:
        for (int v : FPen.UserStyle())
            pattern << std::max<qreal>(v / unit, 0.001);
        if (pattern.size() % 2) pattern << pattern.back();
        break;
    default:
        break;
    }
    if (!pattern.isEmpty()) pen.setDashPattern(pattern);
    return pen;
}

QBrush TCanvas::MakeBrush() const {
    const QColor c = ColorToQColor(FBrush.Color());
    switch (FBrush.Style()) {
    case bsSolid:
        return QBrush(c);
    case bsClear:
        return QBrush(Qt::NoBrush);
    case bsHorizontal:
        return QBrush(c, Qt::HorPattern);
    case bsVertical:
        return QBrush(c, Qt::VerPattern);
    case bsFDiagonal:
        return QBrush(c, Qt::FDiagPattern);
    case bsBDiagonal:
        return QBrush(c, Qt::BDiagPattern);
    case bsCross:
        return QBrush(c, Qt::CrossPattern);
    case bsDiagCross:
        return QBrush(c, Qt::DiagCrossPattern);
    }
    return QBrush(c);
}

// Draws one figure with the pen and, when fill is set, the brush: an opaque background first
// fills the gaps of hatches and patterned pens, as on the classic surface.
void TCanvas::StrokeShape(const std::function<void(QPainter*)>& draw, bool fill) {
    QPainter* p = Painter();
    if (!p) return;
    if (!BeginDraw(p)) return;
    if (FPen.Mode() == pmNop) return;
    ApplyPenMode(p, FPen.Mode());
    const bool hatched = fill && FBrush.Style() >= bsHorizontal;
    if (hatched && FBkMode == OPAQUE) {
        p->setPen(Qt::NoPen);
        p->setBrush(ColorToQColor(FBkColor));
        draw(p);
    }
    if (PenIsPatterned() && FBkMode == OPAQUE) {
        p->setPen(MakePen(FBkColor, true));
        p->setBrush(fill ? MakeBrush() : QBrush(Qt::NoBrush));
        draw(p);
        p->setPen(MakePen(FPen.Color(), false));
        p->setBrush(Qt::NoBrush);
        draw(p);
        return;
    }
    p->setPen(MakePen(FPen.Color(), false));
    p->setBrush(fill ? MakeBrush() : QBrush(Qt::NoBrush));
    draw(p);
}

// ---------------------------------------------------------------------------------------------
// Lines and shapes

void TCanvas::MoveTo(int x, int y) {
    FPenPos = TPoint(x, y);
}

void TCanvas::LineTo(int x, int y) {
    if (FRecorder) {
        TCanvasCommand c;
        c.Op = TCanvasOp::LineTo;
        c.A[0] = x;
        c.A[1] = y;
        Record(std::move(c));
    } else {
        const QPoint a(FPenPos.X, FPenPos.Y), b(x, y);
        if (a != b) StrokeShape([&](QPainter* p) { p->drawLine(a, b); }, false);
    }
    FPenPos = TPoint(x, y);
}

namespace {

// The outline path of a box figure: through the outer pixels for thin pens, the pen inside
// the box for psInsideFrame.
QRectF FigureRect(const TRect& r, const TPen& pen) {
    const int w = pen.Width();
    if (pen.Style() == psInsideFrame && w > 1)
        return QRectF(r.Left + w / 2.0, r.Top + w / 2.0, r.Width() - w, r.Height() - w);
    return QRectF(r.Left, r.Top, r.Width() - 1, r.Height() - 1);
}

} // namespace

void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    if (Recorded(TCanvasOp::Rectangle, {x1, y1, x2, y2})) return;
    const TRect r = Normalized(x1, y1, x2, y2);
    if (r.IsEmpty()) return;
    const QRectF f = FigureRect(r, FPen);
    StrokeShape([&](QPainter* p) { p->drawRect(f); }, true);
}

void TCanvas::RoundRect(int x1, int y1, int x2, int y2, int x3, int y3) {
    if (Recorded(TCanvasOp::RoundRect, {x1, y1, x2, y2, x3, y3})) return;
    const TRect r = Normalized(x1, y1, x2, y2);
    if (r.IsEmpty()) return;
    const QRectF f = FigureRect(r, FPen);
    const qreal radiusX = std::min<qreal>(std::abs(x3) / 2.0, f.width() / 2);
    const qreal radiusY = std::min<qreal>(std::abs(y3) / 2.0, f.height() / 2);
    StrokeShape([&](QPainter* p) { p->drawRoundedRect(f, radiusX, radiusY, Qt::AbsoluteSize); }, true);
}

void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
    if (Recorded(TCanvasOp::Ellipse, {x1, y1, x2, y2})) return;
    const TRect r = Normalized(x1, y1, x2, y2);
    if (r.IsEmpty()) return;
    const QRectF f = FigureRect(r, FPen);
    StrokeShape([&](QPainter* p) { p->drawEllipse(f); }, true);
}

namespace {

// Angles of the two radial points, counter-clockwise from three o'clock, in 1/16 degree.
void ArcAngles(const QRectF& f, int x3, int y3, int x4, int y4, int& start, int& span) {
    const QPointF c = f.center();
    double a1 = std::atan2(-(y3 - c.y()), x3 - c.x()) * 180 / M_PI;
    double a2 = std::atan2(-(y4 - c.y()), x4 - c.x()) * 180 / M_PI;
    double s = a2 - a1;
    while (s <= 0)
        s += 360;
    start = static_cast<int>(std::lround(a1 * 16));
    span = static_cast<int>(std::lround(s * 16));
}

} // namespace

// Arc, Pie and Chord share their recording and their angle rule; they differ in the figure drawn.
void TCanvas::ArcFigure(TCanvasOp op, const int (&v)[8]) {
    if (Recorded(op, {v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]})) return;
    const TRect r = Normalized(v[0], v[1], v[2], v[3]);
    if (r.IsEmpty()) return;
    const QRectF f = FigureRect(r, FPen);
    int start, span;
    ArcAngles(f, v[4], v[5], v[6], v[7], start, span);
    switch (op) {
    case TCanvasOp::Pie: StrokeShape([&](QPainter* p) { p->drawPie(f, start, span); }, true); break;
    case TCanvasOp::Chord: StrokeShape([&](QPainter* p) { p->drawChord(f, start, span); }, true); break;
    default: StrokeShape([&](QPainter* p) { p->drawArc(f, start, span); }, false); break;
    }
}

void TCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    ArcFigure(TCanvasOp::Arc, {x1, y1, x2, y2, x3, y3, x4, y4});
}

void TCanvas::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    ArcFigure(TCanvasOp::Pie, {x1, y1, x2, y2, x3, y3, x4, y4});
}

void TCanvas::Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    ArcFigure(TCanvasOp::Chord, {x1, y1, x2, y2, x3, y3, x4, y4});
}

void TCanvas::Polygon(const std::vector<TPoint>& points) {
    if (points.empty()) return;
    if (FRecorder) {
        TCanvasCommand c;
        c.Op = TCanvasOp::Polygon;
        c.Points = points;
        Record(std::move(c));
        return;
    }
    QPolygon poly;
    for (const TPoint& pt : points)
        poly << QPoint(pt.X, pt.Y);
    StrokeShape([&](QPainter* p) { p->drawPolygon(poly, Qt::OddEvenFill); }, true);
}

void TCanvas::Polyline(const std::vector<TPoint>& points) {
    if (points.size() < 2) return;
    if (FRecorder) {
        TCanvasCommand c;
        c.Op = TCanvasOp::Polyline;
        c.Points = points;
        Record(std::move(c));
        return;
    }
    QPolygon poly;
    for (const TPoint& pt : points)
        poly << QPoint(pt.X, pt.Y);
    StrokeShape([&](QPainter* p) { p->drawPolyline(poly); }, false);
}

void TCanvas::FillRect(const TRect& r) {
    if (Recorded(TCanvasOp::FillRect, {r.Left, r.Top, r.Right, r.Bottom})) return;
    if (r.IsEmpty() || FBrush.Style() == bsClear) return;
    QPainter* p = Painter();
    if (!p) return;
    if (!BeginDraw(p)) return;
    if (FBrush.Style() >= bsHorizontal && FBkMode == OPAQUE) p->fillRect(ToQRect(r), ColorToQColor(FBkColor));
    p->fillRect(ToQRect(r), MakeBrush());
}

void TCanvas::FrameRect(const TRect& r) {
    if (Recorded(TCanvasOp::FrameRect, {r.Left, r.Top, r.Right, r.Bottom})) return;
    if (r.IsEmpty() || FBrush.Style() == bsClear) return;
    QPainter* p = Painter();
    if (!p) return;
    if (!BeginDraw(p)) return;
    const QBrush b = MakeBrush();
    p->fillRect(QRect(r.Left, r.Top, r.Width(), 1), b);
    p->fillRect(QRect(r.Left, r.Bottom - 1, r.Width(), 1), b);
    p->fillRect(QRect(r.Left, r.Top, 1, r.Height()), b);
    p->fillRect(QRect(r.Right - 1, r.Top, 1, r.Height()), b);
}

void TCanvas::DrawFocusRect(const TRect& r) {
    if (Recorded(TCanvasOp::FocusRect, {r.Left, r.Top, r.Right, r.Bottom})) return;
    if (r.IsEmpty()) return;
    QPainter* p = Painter();
    if (!p) return;
    if (!BeginDraw(p)) return;
    if (!HasRasterOps(p)) return; // the frame only exists as an inversion
    p->setCompositionMode(QPainter::RasterOp_NotDestination);
    QPainterPath path;
    auto dot = [&](int x, int y) {
        if (((x - r.Left) + (y - r.Top)) % 2 == 0) path.addRect(x, y, 1, 1);
    };
    for (int x = r.Left; x < r.Right; ++x) {
        dot(x, r.Top);
        if (r.Bottom - 1 > r.Top) dot(x, r.Bottom - 1);
    }
    for (int y = r.Top + 1; y < r.Bottom - 1; ++y) {
        dot(r.Left, y);
        if (r.Right - 1 > r.Left) dot(r.Right - 1, y);
    }
    p->fillPath(path, Qt::black);
}

void TCanvas::InvertRect(const TRect& r) {
    if (Recorded(TCanvasOp::InvertRect, {r.Left, r.Top, r.Right, r.Bottom})) return;
    if (r.IsEmpty()) return;
    QPainter* p = Painter();
    if (!p) return;
    if (!BeginDraw(p)) return;
    if (!HasRasterOps(p)) return;
    p->setCompositionMode(QPainter::RasterOp_NotDestination);
    p->fillRect(ToQRect(r), Qt::black);
}

void TCanvas::Frame3D(TRect& rect, TColor topColor, TColor bottomColor, int width) {
    const TColor saved = FPen.Color();
    const int savedWidth = FPen.Width();
    const TPenStyle savedStyle = FPen.Style();
    FPen.SetWidth(1);
    FPen.SetStyle(psSolid);
    rect.Bottom -= 1;
    rect.Right -= 1;
    for (int i = 0; i < width; ++i) {
        FPen.SetColor(topColor);
        Polyline({TPoint(rect.Left, rect.Bottom), TPoint(rect.Left, rect.Top), TPoint(rect.Right, rect.Top)});
        FPen.SetColor(bottomColor);
        Polyline({TPoint(rect.Right, rect.Top), TPoint(rect.Right, rect.Bottom),
                  TPoint(rect.Left - 1, rect.Bottom)});
        rect.Left += 1;
        rect.Top += 1;
        rect.Right -= 1;
        rect.Bottom -= 1;
    }
    rect.Bottom += 1;
    rect.Right += 1;
    FPen.SetColor(saved);
    FPen.SetWidth(savedWidth);
    FPen.SetStyle(savedStyle);
}

void Frame3D(TCanvas& canvas, TRect& r, TColor topColor, TColor bottomColor, int width) {
    canvas.Frame3D(r, topColor, bottomColor, width);
}

TColor TCanvas::Pixel(int x, int y) const {
    if (OnBeforePaint) OnBeforePaint(false);
    if (!FImage) return -1;
    const QPoint d = (FBaseTransform * FReadTransform).map(QPoint(x, y));
    if (!FImage->valid(d)) return -1;
    return FromRgb(FImage->pixel(d));
}

void TCanvas::SetPixel(int x, int y, TColor color) {
    if (FRecorder) {
        TCanvasCommand c;
        c.Op = TCanvasOp::SetPixel;
        c.A[0] = x;
        c.A[1] = y;
        c.Color = color;
        Record(std::move(c));
        return;
    }
    QPainter* p = Painter();
    if (!p) return;
    if (!BeginDraw(p)) return;
    p->fillRect(QRect(x, y, 1, 1), ColorToQColor(color));
}

// ---------------------------------------------------------------------------------------------
// Images

void TCanvas::Draw(int x, int y, TGraphic& graphic) {
    if (graphic.Empty()) return;
    graphic.Draw(*this, Bounds(x, y, graphic.Width(), graphic.Height()));
}

void TCanvas::StretchDraw(const TRect& r, TGraphic& graphic) {
    if (graphic.Empty()) return;
    graphic.Draw(*this, r);
}

void TCanvas::DrawImage(const TRect& dest, const QImage& image, const QRect& source, TImageMode mode,
                        TColor transparentColor, bool smooth) {
    if (image.isNull() || dest.IsEmpty()) return;
    if (FRecorder) {
        TCanvasCommand c;
        c.Op = TCanvasOp::DrawImage;
        c.A[0] = dest.Left;
        c.A[1] = dest.Top;
        c.A[2] = dest.Right;
        c.A[3] = dest.Bottom;
        c.Image = image;
        c.Source = source;
        c.Mode = static_cast<int>(mode);
        c.Color = transparentColor;
        c.Smooth = smooth;
        Record(std::move(c));
        return;
    }
    QPainter* p = Painter();
    if (!p) return;
    if (!BeginDraw(p)) return;
    p->setRenderHint(QPainter::SmoothPixmapTransform, smooth);
    QImage img;
    switch (mode) {
    case TImageMode::Opaque:
        img = image.hasAlphaChannel() ? image.convertToFormat(QImage::Format_RGB32) : image;
        ApplyCopyMode(p, FCopyMode);
        break;
    case TImageMode::TransparentColor: {
        img = image.convertToFormat(QImage::Format_ARGB32);
        const QRgb key = ColorToQColor(transparentColor).rgb() & 0xFFFFFF;
        for (int y = 0; y < img.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
            for (int x = 0; x < img.width(); ++x)
                if ((line[x] & 0xFFFFFF) == key) line[x] = 0;
        }
        break;
    }
    case TImageMode::Alpha:
        img = image.convertToFormat(QImage::Format_ARGB32);
        break;
    }
    p->drawImage(QRectF(ToQRect(dest)), img, QRectF(source.isNull() ? img.rect() : source));
}

void TCanvas::CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect) {
    const bool needsSource =
        !(FCopyMode == cmDstInvert || FCopyMode == cmBlackness || FCopyMode == cmWhiteness ||
          FCopyMode == cmPatCopy || FCopyMode == cmPatInvert || FCopyMode == cmPatPaint);
    QImage part;
    if (needsSource) {
        if (!source.Image()) return;
        const QRect s = (source.FBaseTransform * source.FReadTransform).mapRect(ToQRect(sourceRect));
        part = source.Image()->copy(s);
        if (part.hasAlphaChannel()) part = part.convertToFormat(QImage::Format_RGB32);
    }
    if (FRecorder) {
        TCanvasCommand c;
        c.Op = TCanvasOp::CopyRect;
        c.A[0] = dest.Left;
        c.A[1] = dest.Top;
        c.A[2] = dest.Right;
        c.A[3] = dest.Bottom;
        c.Image = part;
        Record(std::move(c));
        return;
    }
    if (dest.IsEmpty()) return;
    QPainter* p = Painter();
    if (!p) return;
    if (!BeginDraw(p)) return;
    ApplyCopyMode(p, FCopyMode);
    if (!needsSource) {
        QColor fill = Qt::black;
        if (FCopyMode == cmPatCopy || FCopyMode == cmPatInvert || FCopyMode == cmPatPaint)
            fill = ColorToQColor(FBrush.Color());
        else if (FCopyMode == cmWhiteness)
            fill = Qt::white;
        p->fillRect(ToQRect(dest), fill);
        return;
    }
    p->drawImage(QRectF(ToQRect(dest)), part, QRectF(part.rect()));
}

void TCanvas::BrushCopy(const TRect& dest, TBitmap& bitmap, const TRect& source, TColor color) {
    DrawImage(dest, bitmap.Image(), ToQRect(source), TImageMode::TransparentColor, color);
}

// ---------------------------------------------------------------------------------------------
// Clipping

TRect TCanvas::BoundsRect() const {
    if (!FDevice) return Unbounded;
    const QRect dev(0, 0, FDevice->width(), FDevice->height());
    const QRect r = FBaseTransform.inverted().mapRect(dev);
    return TRect(r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
}

TRect TCanvas::ClipRect() const {
    if (!FClip) return BoundsRect();
    const QRect b = FClip->boundingRect();
    return TRect(b.left(), b.top(), b.left() + b.width(), b.top() + b.height());
}

void TCanvas::SetClipRect(const TRect& r) {
    FClip = QRegion(ToQRect(r));
}

void TCanvas::IntersectClipRect(const TRect& r) {
    const QRegion base = FClip ? *FClip : QRegion(ToQRect(BoundsRect()));
    FClip = base.intersected(ToQRect(r));
}

void TCanvas::ExcludeClipRect(const TRect& r) {
    const QRegion base = FClip ? *FClip : QRegion(ToQRect(BoundsRect()));
    FClip = base.subtracted(QRegion(ToQRect(r)));
}

// ---------------------------------------------------------------------------------------------
// Replay of recorded commands

void TCanvas::Replay(const std::vector<TCanvasCommand>& commands, const QTransform& transform) {
    if (FRecorder) {
        // A picture drawn into a recording keeps its own commands and scale.
        TCanvasCommand c;
        c.Op = TCanvasOp::Picture;
        c.Picture = std::make_shared<const std::vector<TCanvasCommand>>(commands);
        c.PictureTransform = transform;
        Record(std::move(c));
        return;
    }
    const TCanvasState saved = SaveState();
    const QTransform savedTransform = FBaseTransform;
    const std::optional<QRegion> savedClip = FBaseClip;
    std::optional<QRegion> outer = FBaseClip;
    if (FClip) {
        const QRegion dev = FBaseTransform.map(*FClip);
        outer = outer ? outer->intersected(dev) : dev;
    }
    FBaseClip = outer;
    FBaseTransform = transform * FBaseTransform;
    for (const TCanvasCommand& c : commands) {
        RestoreState(c.State);
        const TRect r(c.A[0], c.A[1], c.A[2], c.A[3]);
        switch (c.Op) {
        case TCanvasOp::LineTo:
            LineTo(c.A[0], c.A[1]);
            break;
        case TCanvasOp::Rectangle:
            Rectangle(r);
            break;
        case TCanvasOp::RoundRect:
            RoundRect(c.A[0], c.A[1], c.A[2], c.A[3], c.A[4], c.A[5]);
            break;
        case TCanvasOp::Ellipse:
            Ellipse(r);
            break;
        case TCanvasOp::Arc:
            Arc(c.A[0], c.A[1], c.A[2], c.A[3], c.A[4], c.A[5], c.A[6], c.A[7]);
            break;
        case TCanvasOp::Pie:
            Pie(c.A[0], c.A[1], c.A[2], c.A[3], c.A[4], c.A[5], c.A[6], c.A[7]);
            break;
        case TCanvasOp::Chord:
            Chord(c.A[0], c.A[1], c.A[2], c.A[3], c.A[4], c.A[5], c.A[6], c.A[7]);
            break;
        case TCanvasOp::Polygon:
            Polygon(c.Points);
            break;
        case TCanvasOp::Polyline:
            Polyline(c.Points);
            break;
        case TCanvasOp::FillRect:
            FillRect(r);
            break;
        case TCanvasOp::FrameRect:
            FrameRect(r);
            break;
        case TCanvasOp::FocusRect:
            DrawFocusRect(r);
            break;
        case TCanvasOp::InvertRect:
            InvertRect(r);
            break;
        case TCanvasOp::SetPixel:
            SetPixel(c.A[0], c.A[1], c.Color);
            break;
        case TCanvasOp::DrawImage:
            DrawImage(r, c.Image, c.Source, static_cast<TImageMode>(c.Mode), c.Color, c.Smooth);
            break;
        case TCanvasOp::CopyRect: {
            if (FRecorder) break;
            QPainter* p = Painter();
            if (!p || !BeginDraw(p)) break;
            ApplyCopyMode(p, FCopyMode);
            if (c.Image.isNull())
                p->fillRect(QRect(r.Left, r.Top, r.Width(), r.Height()),
                            FCopyMode == cmWhiteness ? QColor(Qt::white)
                            : (FCopyMode == cmPatCopy || FCopyMode == cmPatInvert)
                                ? ColorToQColor(FBrush.Color())
                                : QColor(Qt::black));
            else
                p->drawImage(QRectF(r.Left, r.Top, r.Width(), r.Height()), c.Image, QRectF(c.Image.rect()));
            break;
        }
        case TCanvasOp::TextOut:
            TextOut(c.A[0], c.A[1], c.Text);
            break;
        case TCanvasOp::TextRect:
            TextRect(r, c.A[4], c.A[5], c.Text);
            break;
        case TCanvasOp::ExtTextOut: {
            const TRect rr(c.A[2], c.A[3], c.A[4], c.A[5]);
            ExtTextOut(c.A[0], c.A[1], c.Flags, c.HasRect ? &rr : nullptr, c.Text, c.HasDx ? &c.Dx : nullptr);
            break;
        }
        case TCanvasOp::DrawText: {
            TRect rr = r;
            DrawText(c.Text, rr, c.Flags);
            break;
        }
        case TCanvasOp::Picture:
            if (c.Picture) Replay(*c.Picture, c.PictureTransform);
            break;
        }
    }
    FBaseTransform = savedTransform;
    FBaseClip = savedClip;
    RestoreState(saved);
}
