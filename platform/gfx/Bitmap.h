#pragma once
// TGraphic, the base of every picture kind, and TBitmap, a picture of pixels over a QImage with
// a canvas to draw on it, scan-line access in the classic memory layouts and a transparent colour.

#include "platform/gfx/Canvas.h"
#include "platform/gfx/Graphics.h"

#include <QIODevice>
#include <QImage>

#include <memory>

class TGraphic : public TObject {
public:
    ~TGraphic() override = default;

    virtual QString ClassName() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetWidth(int value);
    virtual void SetHeight(int value);
    virtual bool Empty() const { return Width() <= 0 || Height() <= 0; }
    bool Transparent() const { return FTransparent; }
    virtual void SetTransparent(bool value);
    bool Modified() const { return FModified; }
    void SetModified(bool value);

    // Draws the whole picture stretched into R.
    virtual void Draw(TCanvas& canvas, const TRect& r) = 0;
    // The pixels at the picture's own size (a recorded picture is rendered on transparent).
    virtual QImage ToImage() const = 0;
    virtual void LoadFromStream(QIODevice& stream) = 0;
    virtual void SaveToStream(QIODevice& stream) = 0;
    void LoadFromFile(const QString& fileName);
    void SaveToFile(const QString& fileName);
    // Copies another picture; a picture of another kind is taken over through its pixels.
    virtual void Assign(const TGraphic& source);
    virtual std::unique_ptr<TGraphic> Clone() const = 0;

    TNotifyEvent OnChange;

protected:
    void Changed();
    bool FTransparent = false;

private:
    bool FModified = false;
};

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TTransparentMode { tmAuto, tmFixed };
enum TAlphaFormat { afIgnored, afDefined, afPremultiplied };

class TBitmap : public TGraphic {
public:
    TBitmap();
    TBitmap(int width, int height, TPixelFormat format = pfDevice);
    ~TBitmap() override;

    QString ClassName() const override { return QStringLiteral("TBitmap"); }
    // A bitmap with one side 0 has no pixels but keeps both sides, so setting Width and then
    // Height gives the size asked for.
    int Width() const override { return FImage.isNull() ? FEmptySize.cx : FImage.width(); }
    int Height() const override { return FImage.isNull() ? FEmptySize.cy : FImage.height(); }
    void SetWidth(int value) override { SetSize(value, Height()); }
    void SetHeight(int value) override { SetSize(Width(), value); }
    // Keeps the pixels that still fit; new pixels are white (transparent black for pf32bit).
    void SetSize(int width, int height);

    TPixelFormat PixelFormat() const { return FPixelFormat; }
    void SetPixelFormat(TPixelFormat value);
    TAlphaFormat AlphaFormat() const { return FAlphaFormat; }
    void SetAlphaFormat(TAlphaFormat value) { FAlphaFormat = value; }
    bool Monochrome() const { return FPixelFormat == pf1bit; }

    TCanvas& Canvas();
    // A row in the memory layout of the pixel format: 1 bit (most significant first), 8 bit
    // (palette indexes), 16 bit (5-6-5), 24 bit (blue, green, red) or 32 bit (blue, green, red,
    // alpha). Writes through the pointer show on the canvas afterwards.
    uchar* ScanLine(int row);
    // The palette of an 8- or 1-bit bitmap.
    QList<QRgb> Palette();

    // The transparent colour: the bottom-left pixel in tmAuto, else the fixed colour.
    TColor TransparentColor() const;
    void SetTransparentColor(TColor value);
    TTransparentMode TransparentMode() const { return FTransparentMode; }
    void SetTransparentMode(TTransparentMode value);

    // The pixels, up to date (the canvas is flushed first).
    const QImage& Image() const;
    void SetImage(const QImage& image);

    void Draw(TCanvas& canvas, const TRect& r) override;
    QImage ToImage() const override { return Image(); }
    // BMP only.
    void LoadFromStream(QIODevice& stream) override;
    void SaveToStream(QIODevice& stream) override;
    void Assign(const TGraphic& source) override;
    std::unique_ptr<TGraphic> Clone() const override;
    void Dormant() {}
    void FreeImage() {}

private:
    QImage::Format CanonicalFormat() const;
    QImage::Format ScanFormat() const;
    void Sync() const;
    void AttachCanvas();

    mutable QImage FImage; // paintable: RGB32, or ARGB32 for pf32bit
    TSize FEmptySize{0, 0};
    mutable QImage FScan;  // the image in the pixel format's own layout while scan lines are used
    mutable bool FScanActive = false;
    TPixelFormat FPixelFormat = pfDevice;
    TAlphaFormat FAlphaFormat = afIgnored;
    TColor FTransparentColor = clDefault;
    TTransparentMode FTransparentMode = tmAuto;
    std::unique_ptr<TCanvas> FCanvas;
};
