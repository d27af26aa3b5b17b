#pragma once
// TCanvas: the drawing surface every painter, report object and export draws on. It keeps the
// classic pixel rules (rectangles exclusive at right and bottom, LineTo leaves out its end point,
// binary raster operations, clip regions) over a QPainter on any paint device: an image, a widget
// being painted, a printer or a PDF writer. A canvas may also record instead of drawing (see
// Metafile.h). Text is measured through the font service so every device agrees.

#include "platform/gfx/Graphics.h"
#include "platform/rtl/Types.h"

#include <QImage>
#include <QPainter>
#include <QRegion>

#include <initializer_list>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

class TGraphic;
class TBitmap;
class TFontFace;
struct TCanvasCommand;
enum class TCanvasOp;

// Copy modes (ternary raster operation codes) used by CopyRect and Draw.
using TCopyMode = std::int32_t;
constexpr TCopyMode cmBlackness = 0x00000042;
constexpr TCopyMode cmDstInvert = 0x00550009;
constexpr TCopyMode cmMergeCopy = 0x00C000CA;
constexpr TCopyMode cmMergePaint = 0x00BB0226;
constexpr TCopyMode cmNotSrcCopy = 0x00330008;
constexpr TCopyMode cmNotSrcErase = 0x001100A6;
constexpr TCopyMode cmPatCopy = 0x00F00021;
constexpr TCopyMode cmPatInvert = 0x005A0049;
constexpr TCopyMode cmPatPaint = 0x00FB0A09;
constexpr TCopyMode cmSrcAnd = 0x008800C6;
constexpr TCopyMode cmSrcCopy = 0x00CC0020;
constexpr TCopyMode cmSrcErase = 0x00440328;
constexpr TCopyMode cmSrcInvert = 0x00660046;
constexpr TCopyMode cmSrcPaint = 0x00EE0086;
constexpr TCopyMode cmWhiteness = 0x00FF0062;

// DrawText flags.
constexpr unsigned DT_TOP = 0x0;
constexpr unsigned DT_LEFT = 0x0;
constexpr unsigned DT_CENTER = 0x1;
constexpr unsigned DT_RIGHT = 0x2;
constexpr unsigned DT_VCENTER = 0x4;
constexpr unsigned DT_BOTTOM = 0x8;
constexpr unsigned DT_WORDBREAK = 0x10;
constexpr unsigned DT_SINGLELINE = 0x20;
constexpr unsigned DT_EXPANDTABS = 0x40;
constexpr unsigned DT_NOCLIP = 0x100;
constexpr unsigned DT_EXTERNALLEADING = 0x200;
constexpr unsigned DT_CALCRECT = 0x400;
constexpr unsigned DT_NOPREFIX = 0x800;
constexpr unsigned DT_EDITCONTROL = 0x2000;
constexpr unsigned DT_PATH_ELLIPSIS = 0x4000;
constexpr unsigned DT_END_ELLIPSIS = 0x8000;
constexpr unsigned DT_RTLREADING = 0x20000;
constexpr unsigned DT_WORD_ELLIPSIS = 0x40000;
constexpr unsigned DT_HIDEPREFIX = 0x100000;

// ExtTextOut options (also TCanvas::TextFlags).
constexpr unsigned ETO_OPAQUE = 0x2;
constexpr unsigned ETO_CLIPPED = 0x4;
constexpr unsigned ETO_RTLREADING = 0x80;

enum TBkMode { TRANSPARENT = 1, OPAQUE = 2 };

enum TTextFormats {
    tfBottom,
    tfCalcRect,
    tfCenter,
    tfEditControl,
    tfEndEllipsis,
    tfPathEllipsis,
    tfExpandTabs,
    tfExternalLeading,
    tfLeft,
    tfModifyString,
    tfNoClip,
    tfNoPrefix,
    tfRight,
    tfRtlReading,
    tfOneLine,
    tfTop,
    tfVerticalCenter,
    tfWordBreak
};
using TTextFormat = TSet<TTextFormats>;
unsigned TextFormatToFlags(const TTextFormat& format);

// How DrawImage treats the pixels of the image.
enum class TImageMode { Opaque, TransparentColor, Alpha };

struct TTextMetric {
    int tmHeight = 0, tmAscent = 0, tmDescent = 0, tmInternalLeading = 0, tmExternalLeading = 0;
    int tmAveCharWidth = 0, tmMaxCharWidth = 0, tmWeight = 400;
    bool tmItalic = false;
};

// Everything a drawing call depends on, so a recorded call can be replayed exactly.
struct TCanvasState {
    QString FontName;
    int FontHeight = -11;
    int FontPixelsPerInch = 96;
    unsigned long long FontStyle = 0;
    TColor FontColor = clWindowText;
    TFontCharset FontCharset = DEFAULT_CHARSET;
    TFontPitch FontPitch = fpDefault;
    int FontOrientation = 0;
    TColor PenColor = clBlack;
    int PenWidth = 1;
    TPenStyle PenStyle = psSolid;
    TPenMode PenMode = pmCopy;
    TPenEndCap PenEndCap = pecRound;
    TPenJoinStyle PenJoin = pjsRound;
    std::vector<int> PenUserStyle;
    TColor BrushColor = clWhite;
    TBrushStyle BrushStyle = bsSolid;
    TCopyMode CopyMode = cmSrcCopy;
    TBkMode BkMode = OPAQUE;
    TColor BkColor = clWhite;
    unsigned TextFlags = 0;
    TPoint PenPos;
    std::optional<QRegion> Clip;
};

class TCanvasRecorder {
public:
    virtual ~TCanvasRecorder() = default;
    virtual void Record(TCanvasCommand&& command) = 0;
};

class TCanvas : public TObject {
public:
    TCanvas();
    explicit TCanvas(QPaintDevice* device);
    ~TCanvas() override;

    // The device drawn on. An image device also allows reading pixels and copying from it.
    void SetDevice(QPaintDevice* device);
    // Draws through a painter someone else began (a widget's paint event); its current transform
    // and clip become the canvas's origin and outer clip.
    void SetPainter(QPainter* painter);
    // Ends the canvas's own painter and forgets the device.
    void ReleaseDevice();
    // Ends the painter for now (before the image is touched directly); the next call begins again.
    void Flush();
    QPaintDevice* Device() const { return FDevice; }
    QImage* Image() const { return FImage; }
    bool Recording() const { return FRecorder != nullptr; }

    TFont& Font() { return FFont; }
    TPen& Pen() { return FPen; }
    TBrush& Brush() { return FBrush; }
    void SetFont(const TFont& value) { FFont.Assign(value); }
    void SetPen(const TPen& value) { FPen.Assign(value); }
    void SetBrush(const TBrush& value) { FBrush.Assign(value); }
    TPoint PenPos() const { return FPenPos; }
    void SetPenPos(const TPoint& p) { FPenPos = p; }
    TCopyMode CopyMode() const { return FCopyMode; }
    void SetCopyMode(TCopyMode value) { FCopyMode = value; }
    unsigned TextFlags() const { return FTextFlags; }
    void SetTextFlags(unsigned value) { FTextFlags = value; }
    // Text and pattern background. A brush change resets it as the classic canvas did: a solid
    // brush gives an opaque background of its colour, any other style a transparent one.
    TBkMode BkMode() const { return FBkMode; }
    void SetBkMode(TBkMode value) { FBkMode = value; }
    TColor BkColor() const { return FBkColor; }
    void SetBkColor(TColor value) { FBkColor = value; }

    TCanvasState SaveState() const;
    void RestoreState(const TCanvasState& state);

    // The canvas lock the text layout and exports take around shared measuring canvases.
    void Lock() { FLock.lock(); }
    void Unlock() { FLock.unlock(); }
    bool TryLock() { return FLock.try_lock(); }

    // Lines and shapes. Pen outline, brush interior; right and bottom coordinates exclusive.
    void MoveTo(int x, int y);
    void LineTo(int x, int y);
    void Rectangle(int x1, int y1, int x2, int y2);
    void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
    void RoundRect(int x1, int y1, int x2, int y2, int x3, int y3);
    void Ellipse(int x1, int y1, int x2, int y2);
    void Ellipse(const TRect& r) { Ellipse(r.Left, r.Top, r.Right, r.Bottom); }
    void Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    void Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    void Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4);
    void Polygon(const std::vector<TPoint>& points);
    void Polyline(const std::vector<TPoint>& points);
    // Brush only, no pen; FrameRect draws a one-pixel frame with the brush.
    void FillRect(const TRect& r);
    void FrameRect(const TRect& r);
    // The dotted focus frame, drawn by inverting every other pixel (drawing it twice removes it).
    void DrawFocusRect(const TRect& r);
    void InvertRect(const TRect& r);
    // Lines in Top colour along the top and left, Bottom colour along the right and bottom,
    // Width times, shrinking R by one pixel each time.
    void Frame3D(TRect& r, TColor topColor, TColor bottomColor, int width);

    TColor Pixel(int x, int y) const; // -1 where there is no pixel to read
    void SetPixel(int x, int y, TColor color);

    // Graphics and pixel copies.
    void Draw(int x, int y, TGraphic& graphic);
    void StretchDraw(const TRect& r, TGraphic& graphic);
    void DrawImage(const TRect& dest, const QImage& image, const QRect& source,
                   TImageMode mode = TImageMode::Opaque, TColor transparentColor = clNone,
                   bool smooth = false);
    void CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect);
    // Copies the bitmap's pixels, leaving pixels of the given colour transparent.
    void BrushCopy(const TRect& dest, TBitmap& bitmap, const TRect& source, TColor color);

    // Clipping, in the canvas's own coordinates.
    TRect ClipRect() const;
    bool HasClipRegion() const { return FClip.has_value(); }
    const std::optional<QRegion>& ClipRegion() const { return FClip; }
    void SetClipRegion(const std::optional<QRegion>& region) { FClip = region; }
    void SetClipRect(const TRect& r);
    void IntersectClipRect(const TRect& r);
    void ExcludeClipRect(const TRect& r);
    void ResetClip() { FClip.reset(); }
    // The whole surface in the canvas's coordinates.
    TRect BoundsRect() const;

    // Text.
    void TextOut(int x, int y, const QString& text);
    // Text at (X, Y) clipped to R; a brush that is not clear fills R first.
    void TextRect(const TRect& r, int x, int y, const QString& text);
    void TextRect(TRect& r, QString& text, const TTextFormat& format);
    // Text with per-character advances (dx, one per UTF-16 unit, may be null) and the ETO_ options.
    void ExtTextOut(int x, int y, unsigned options, const TRect* rect, const QString& text,
                    const std::vector<int>* dx = nullptr);
    TSize TextExtent(const QString& text);
    int TextWidth(const QString& text) { return TextExtent(text).cx; }
    int TextHeight(const QString& text) { return TextExtent(text).cy; }
    // Cumulative extent after each UTF-16 unit, in pixels (the last equals TextWidth).
    std::vector<int> TextExtents(const QString& text);
    // The same into extents[0 .. text.size() - 1], without allocating for plain text; returns
    // the whole width (0 for an empty text).
    int TextExtents(QStringView text, int* extents);
    TTextMetric TextMetrics();
    // Lays out, aligns, breaks and draws text in R; DT_CALCRECT only measures and sets R.
    // Returns the height of the text.
    int DrawText(const QString& text, TRect& r, unsigned flags);

    // The face and pixel em size the current font resolves to.
    std::shared_ptr<const TFontFace> FontFace();
    double FontEmPixels();

    // Replays recorded commands onto this canvas with the given transform (scale and offset).
    void Replay(const std::vector<TCanvasCommand>& commands, const QTransform& transform);

    // Called before the canvas draws (writing true) or reads pixels, so an owner can bring its
    // image up to date.
    std::function<void(bool writing)> OnBeforePaint;

protected:
    void SetRecorder(TCanvasRecorder* recorder) { FRecorder = recorder; }

private:
    friend struct TCanvasCommand;
    void Init();
    QPainter* Painter();
    // Prepares the painter; false when the clip leaves nothing to draw on.
    bool BeginDraw(QPainter* p);
    void ApplyPenMode(QPainter* p, TPenMode mode);
    void ApplyCopyMode(QPainter* p, TCopyMode mode);
    QPen MakePen(TColor color, bool forOpaqueGaps) const;
    QBrush MakeBrush() const;
    bool PenIsPatterned() const;
    void StrokeShape(const std::function<void(QPainter*)>& draw, bool fill);
    void ArcFigure(TCanvasOp op, const int (&v)[8]);
    bool Recorded(TCanvasOp op, std::initializer_list<int> args);
    void Record(TCanvasCommand&& cmd);
    // Draws one line with its top-left at (x, y) in the font colour; returns its width.
    double DrawTextLine(QPainter* p, double x, double y, const QString& text, bool rtl,
                        const std::vector<int>* dx, int prefixIndex = -1);
    void FillTextBackground(QPainter* p, const QRectF& r);
    void OnBrushChanged();

    TFont FFont;
    TPen FPen;
    TBrush FBrush;
    TPoint FPenPos;
    TCopyMode FCopyMode = cmSrcCopy;
    unsigned FTextFlags = 0;
    TBkMode FBkMode = OPAQUE;
    TColor FBkColor = clWhite;
    std::optional<QRegion> FClip;

    QPaintDevice* FDevice = nullptr;
    QImage* FImage = nullptr;
    QPainter* FExternal = nullptr;
    // The face of the current font, looked up again only when the font changes.
    std::shared_ptr<const TFontFace> FFace;
    bool FFaceValid = false;
    std::unique_ptr<QPainter> FOwnPainter;
    QTransform FBaseTransform;
    // From the painter's device coordinates to FImage's pixels: a widget's painter draws into its
    // window's backing-store image at an offset.
    QTransform FReadTransform;
    std::optional<QRegion> FBaseClip; // device coordinates
    TCanvasRecorder* FRecorder = nullptr;
    std::recursive_mutex FLock;
};

// Standalone forms of the 3-D frame and focus routines the painters call.
void Frame3D(TCanvas& canvas, TRect& r, TColor topColor, TColor bottomColor, int width);
