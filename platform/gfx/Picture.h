#pragma once
// Picture kinds beyond the bitmap (PNG, GIF, icon, JPEG) and TPicture, which holds one graphic of
// any kind and picks the kind from a file's extension or a stream's first bytes.

#include "platform/gfx/Bitmap.h"

#include <functional>
#include <vector>

// A picture read and written through an image format by name ("png", "gif", "ico").
class TRasterImage : public TGraphic {
public:
    ~TRasterImage() override;
    int Width() const override { return FImage.width(); }
    int Height() const override { return FImage.height(); }
    // The pixels, up to date (the canvas is flushed first).
    const QImage& Image() const;
    void SetImage(const QImage& image);
    // A blank picture: transparent with alpha, else white.
    void SetSize(int width, int height, bool alpha = false);
    // Draws on the picture itself (a picture kept in a palette format becomes true colour).
    TCanvas& Canvas();
    void Draw(TCanvas& canvas, const TRect& r) override;
    QImage ToImage() const override { return Image(); }
    void LoadFromStream(QIODevice& stream) override;
    void SaveToStream(QIODevice& stream) override;
    void Assign(const TGraphic& source) override;

protected:
    virtual const char* Format() const = 0;
    void Replace(const QImage& image);
    QImage FImage;
    std::unique_ptr<TCanvas> FCanvas;
};

class TPngImage : public TRasterImage {
public:
    QString ClassName() const override { return QStringLiteral("TPngImage"); }
    std::unique_ptr<TGraphic> Clone() const override;
    // A blank picture of a PNG colour type: 6 (and 4) with alpha, transparent; the others white.
    void CreateBlank(int colorType, int bitDepth, int width, int height);
    // Colour value shown as transparent (written as the tRNS colour), clNone for none.
    TColor TransparentColor() const { return FTransparentColor; }
    void SetTransparentColor(TColor value) { FTransparentColor = value; }
    void SaveToStream(QIODevice& stream) override;

protected:
    const char* Format() const override { return "png"; }

private:
    TColor FTransparentColor = clNone;
};

class TGIFImage : public TRasterImage {
public:
    QString ClassName() const override { return QStringLiteral("TGIFImage"); }
    std::unique_ptr<TGraphic> Clone() const override;
    // A GIF89a picture with a palette of at most 256 colours; a transparent colour when set.
    void SaveToStream(QIODevice& stream) override;

protected:
    const char* Format() const override { return "gif"; }
};

// The free parts of a GIF89a file with one image, for writers that need a fixed layout.
struct TGifLayout {
    int ColorBits = 8;       // global colour table of 2^ColorBits entries (1 to 8)
    int ColorResolution = 0; // bits per primary in the screen descriptor; 0: ColorBits
    int MinCodeSize = 8;     // LZW minimum code size (2 to 8); every pixel lies below 2^MinCodeSize
    int SubBlockSize = 255;  // longest image data sub-block (1 to 255)
    bool ControlExtension = false;
    int TransparentIndex = -1; // in the control extension; -1 for none
    QByteArray Comment;        // a comment extension of one sub-block when not empty (255 bytes at most)
};

// A GIF89a file of one image: the palette (missing entries black), pixels as palette indexes row by
// row from the top. A side outside 1 to 65535 or pixels that do not fit raise
// EInvalidGraphicOperation before anything is produced.
QByteArray EncodeGIF(int Width, int Height, const QList<QRgb>& Palette, const std::vector<quint8>& Pixels,
                     const TGifLayout& Layout);

class TIcon : public TRasterImage {
public:
    QString ClassName() const override { return QStringLiteral("TIcon"); }
    std::unique_ptr<TGraphic> Clone() const override;

protected:
    const char* Format() const override { return "ico"; }
};

class TJPEGImage : public TGraphic {
public:
    QString ClassName() const override { return QStringLiteral("TJPEGImage"); }
    int Width() const override { return FImage.width(); }
    int Height() const override { return FImage.height(); }
    const QImage& Image() const { return FImage; }
    // 1..100, used when saving.
    int CompressionQuality() const { return FQuality; }
    void SetCompressionQuality(int value) { FQuality = std::clamp(value, 1, 100); }
    bool Grayscale() const { return FGrayscale; }
    void SetGrayscale(bool value);
    bool ProgressiveEncoding() const { return FProgressive; }
    void SetProgressiveEncoding(bool value) { FProgressive = value; }

    void Draw(TCanvas& canvas, const TRect& r) override;
    QImage ToImage() const override { return FImage; }
    void LoadFromStream(QIODevice& stream) override;
    void SaveToStream(QIODevice& stream) override;
    void Assign(const TGraphic& source) override;
    std::unique_ptr<TGraphic> Clone() const override;
    // Decodes and encodes JPEG data with libjpeg; bad data raises EInvalidGraphic.
    static QImage Decode(const QByteArray& data);
    static QByteArray Encode(const QImage& image, int quality, bool grayscale, bool progressive);

private:
    QImage FImage;
    int FQuality = 90;
    bool FGrayscale = false;
    bool FProgressive = false;
};

// Makes a graphic of the kind that the extension (without dot, any case) names; null if none.
using TGraphicFactory = std::function<std::unique_ptr<TGraphic>()>;
void RegisterFileFormat(const QString& extension, const QString& description, TGraphicFactory factory);
std::unique_ptr<TGraphic> CreateGraphicForExtension(const QString& extension);
// Makes a graphic for data by its first bytes (BMP, JPEG, PNG, GIF, icon); null if unknown.
std::unique_ptr<TGraphic> CreateGraphicForData(const QByteArray& head);
// "All (*.bmp;*.png...)|..." style filter text of the registered formats.
QString GraphicFilter();

class TPicture : public TObject {
public:
    TPicture();
    ~TPicture() override;

    TGraphic* Graphic() const { return FGraphic.get(); }
    // Takes a copy of the graphic (null clears the picture).
    void SetGraphic(const TGraphic* graphic);
    void SetGraphic(std::unique_ptr<TGraphic> graphic);
    // The picture as a bitmap: a graphic of another kind is replaced by an empty bitmap.
    TBitmap& Bitmap();
    int Width() const { return FGraphic ? FGraphic->Width() : 0; }
    int Height() const { return FGraphic ? FGraphic->Height() : 0; }

    // The kind comes from the extension; an unknown one raises EInvalidGraphic.
    void LoadFromFile(const QString& fileName);
    void SaveToFile(const QString& fileName);
    // The kind comes from the data's first bytes.
    void LoadFromStream(QIODevice& stream);
    void SaveToStream(QIODevice& stream);
    void Assign(const TPicture& source);
    void Clear() { SetGraphic(nullptr); }

    TNotifyEvent OnChange;

private:
    void Changed();
    std::unique_ptr<TGraphic> FGraphic;
};
