#include "platform/gfx/Picture.h"

#include "platform/gfx/Metafile.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QImageWriter>

#include <array>

// ---------------------------------------------------------------------------------------------
// Raster pictures read and written by format name

TRasterImage::~TRasterImage() {
    if (FCanvas) FCanvas->ReleaseDevice();
}

const QImage& TRasterImage::Image() const {
    if (FCanvas) FCanvas->Flush();
    return FImage;
}

void TRasterImage::Replace(const QImage& image) {
    if (FCanvas) FCanvas->ReleaseDevice();
    FImage = image;
    if (FCanvas && !FImage.isNull()) {
        if (FImage.format() != QImage::Format_RGB32 && FImage.format() != QImage::Format_ARGB32)
            FImage = FImage.convertToFormat(FImage.hasAlphaChannel() ? QImage::Format_ARGB32
                                                                     : QImage::Format_RGB32);
        FCanvas->SetDevice(&FImage);
    }
}

void TRasterImage::SetImage(const QImage& image) {
    Replace(image);
    Changed();
}

void TRasterImage::SetSize(int width, int height, bool alpha) {
    QImage img;
    // Beyond a billion pixels the picture stays null, as when memory runs out (see TBitmap).
    if (width > 0 && height > 0 && qint64(width) * height <= (qint64(1) << 30)) {
        img = QImage(width, height, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        img.fill(alpha ? QColor(0, 0, 0, 0) : QColor(Qt::white));
    }
    SetImage(img);
}

TCanvas& TRasterImage::Canvas() {
    if (!FCanvas) {
        FCanvas = std::make_unique<TCanvas>();
        FCanvas->OnBeforePaint = [this](bool writing) {
            if (!writing) return;
            FImage.detach();
            Changed();
        };
        Replace(FImage);
    }
    return *FCanvas;
}

void TRasterImage::Draw(TCanvas& canvas, const TRect& r) {
    const QImage& img = Image();
    if (img.isNull()) return;
    if (img.hasAlphaChannel())
        canvas.DrawImage(r, img, img.rect(), TImageMode::Alpha);
    else
        canvas.DrawImage(r, img, img.rect(), TImageMode::Opaque);
}

void TRasterImage::LoadFromStream(QIODevice& stream) {
    QImageReader reader(&stream, Format());
    QImage img = reader.read();
    if (img.isNull())
        throw EInvalidGraphic(QStringLiteral("%1 image is not valid (%2)")
                                  .arg(QString::fromLatin1(Format()).toUpper(), reader.errorString()));
    if (img.format() == QImage::Format_Indexed8 || img.format() == QImage::Format_Mono)
        img = img.convertToFormat(img.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    SetImage(img);
}

void TRasterImage::SaveToStream(QIODevice& stream) {
    QImageWriter writer(&stream, Format());
    if (!writer.write(Image()))
        throw EWriteError(QStringLiteral("Cannot write the %1 image: %2")
                              .arg(QString::fromLatin1(Format()).toUpper(), writer.errorString()));
}

void TRasterImage::Assign(const TGraphic& source) {
    if (&source == this) return;
    Replace(source.ToImage());
    FTransparent = source.Transparent();
    Changed();
}

// ---------------------------------------------------------------------------------------------
// PNG

namespace {

quint32 Crc32(const QByteArray& data) {
    static const auto table = [] {
        std::array<quint32, 256> t{};
        for (quint32 n = 0; n < 256; ++n) {
            quint32 c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    quint32 c = 0xFFFFFFFFu;
    for (char ch : data)
        c = table[(c ^ static_cast<quint8>(ch)) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void PutBE32(QByteArray& out, quint32 v) {
    out += char(v >> 24);
    out += char(v >> 16);
    out += char(v >> 8);
    out += char(v);
}

} // namespace

void TPngImage::CreateBlank(int colorType, int bitDepth, int width, int height) {
    (void)bitDepth; // pixels are kept at eight bits per sample
    SetSize(width, height, colorType == 4 || colorType == 6);
}

std::unique_ptr<TGraphic> TPngImage::Clone() const {
    auto p = std::make_unique<TPngImage>();
    p->FImage = Image();
    p->FTransparent = FTransparent;
    p->FTransparentColor = FTransparentColor;
    return p;
}

void TPngImage::SaveToStream(QIODevice& stream) {
    const QImage& image = Image();
    if (FTransparentColor == clNone || image.hasAlphaChannel()) {
        TRasterImage::SaveToStream(stream);
        return;
    }
    // Truecolour with a tRNS chunk naming the transparent colour.
    QByteArray png;
    {
        QBuffer buf(&png);
        buf.open(QIODevice::WriteOnly);
        QImageWriter writer(&buf, "png");
        if (!writer.write(image.convertToFormat(QImage::Format_RGB888)))
            throw EWriteError(QStringLiteral("Cannot write the PNG image: %1").arg(writer.errorString()));
    }
    const int idat = png.indexOf("IDAT");
    if (idat < 4) throw EWriteError(QStringLiteral("Cannot write the PNG image"));
    const TColor c = ColorToRGB(FTransparentColor);
    QByteArray body("tRNS");
    for (int v : {GetRValue(c), GetGValue(c), GetBValue(c)}) {
        body += char(0);
        body += char(v);
    }
    QByteArray chunk;
    PutBE32(chunk, 6);
    chunk += body;
    PutBE32(chunk, Crc32(body));
    png.insert(idat - 4, chunk);
    if (stream.write(png) != png.size()) throw EWriteError(QStringLiteral("Cannot write the PNG image"));
}

// ---------------------------------------------------------------------------------------------
// GIF: Qt reads GIF but has no writer, so the encoder is here.

namespace {

// Collects the code stream into data sub-blocks of at most blockSize bytes.
class TLzwWriter {
public:
    TLzwWriter(QByteArray& out, int blockSize) : FOut(out), FBlockSize(blockSize) {}
    void Bits(int code, int size) {
        FAcc |= static_cast<quint32>(code) << FCount;
        FCount += size;
        while (FCount >= 8) {
            Byte(static_cast<char>(FAcc & 0xFF));
            FAcc >>= 8;
            FCount -= 8;
        }
    }
    void Finish() {
        if (FCount > 0) Byte(static_cast<char>(FAcc & 0xFF));
        FAcc = 0;
        FCount = 0;
        FlushBlock();
        FOut += char(0);
    }

private:
    void Byte(char b) {
        FBlock += b;
        if (FBlock.size() == FBlockSize) FlushBlock();
    }
    void FlushBlock() {
        if (FBlock.isEmpty()) return;
        FOut += char(FBlock.size());
        FOut += FBlock;
        FBlock.clear();
    }
    QByteArray& FOut;
    int FBlockSize;
    QByteArray FBlock;
    quint32 FAcc = 0;
    int FCount = 0;
};

// Variable-width LZW with an open-addressed table of 5,003 slots keyed by (pixel, prefix). The
// width grows once the next free code passes the largest code of the width; a full table
// (4,096 codes) is emptied and announced with a clear code.
void LzwEncode(QByteArray& out, const std::vector<quint8>& pixels, int minCodeSize, int blockSize) {
    constexpr int HashSize = 5003;
    constexpr int MaxCodes = 4096;
    int hashShift = 0;
    for (int f = HashSize; f < 65536; f *= 2)
        ++hashShift;
    hashShift = 8 - hashShift; // 4 for 5,003 slots
    std::vector<qint32> keys(HashSize, -1);
    std::vector<quint16> codes(HashSize, 0);

    out += char(minCodeSize);
    TLzwWriter w(out, blockSize);
    const int initWidth = minCodeSize + 1;
    const int clearCode = 1 << minCodeSize;
    const int eoiCode = clearCode + 1;
    int width = initWidth;
    int maxCode = (1 << width) - 1;
    int freeCode = clearCode + 2;
    bool clearRequest = false;

    auto output = [&](int code) {
        w.Bits(code, width);
        if (clearRequest) {
            width = initWidth;
            maxCode = (1 << width) - 1;
            clearRequest = false;
        } else if (freeCode > maxCode) {
            ++width;
            maxCode = width == 12 ? MaxCodes : (1 << width) - 1;
        }
    };

    output(clearCode);
    if (pixels.empty()) {
        output(eoiCode);
        w.Finish();
        return;
    }
    int prefix = pixels[0];
    for (size_t i = 1; i < pixels.size(); ++i) {
        const int c = pixels[i];
        const qint32 key = (c << 12) + prefix;
        int slot = (c << hashShift) ^ prefix;
        bool found = false;
        if (keys[slot] == key) {
            found = true;
        } else if (keys[slot] >= 0) {
            const int step = slot == 0 ? 1 : HashSize - slot;
            for (;;) {
                slot -= step;
                if (slot < 0) slot += HashSize;
                if (keys[slot] == key) {
                    found = true;
                    break;
                }
                if (keys[slot] < 0) break;
            }
        }
        if (found) {
            prefix = codes[slot];
            continue;
        }
        output(prefix);
        if (freeCode < MaxCodes) {
            codes[slot] = static_cast<quint16>(freeCode++);
            keys[slot] = key;
        } else {
            std::fill(keys.begin(), keys.end(), -1);
            freeCode = clearCode + 2;
            clearRequest = true;
            output(clearCode);
        }
        prefix = c;
    }
    output(prefix);
    output(eoiCode);
    w.Finish();
}

void PutLE16(QByteArray& out, int v) {
    out += char(v & 0xFF);
    out += char((v >> 8) & 0xFF);
}

} // namespace

QByteArray EncodeGIF(int Width, int Height, const QList<QRgb>& Palette, const std::vector<quint8>& Pixels,
                     const TGifLayout& Layout) {
    if (Width < 1 || Height < 1 || Width > 65535 || Height > 65535)
        throw EInvalidGraphicOperation(
            QStringLiteral("A GIF image must be 1 to 65535 pixels wide and high, not %1 x %2")
                .arg(Width)
                .arg(Height));
    if (Layout.ColorBits < 1 || Layout.ColorBits > 8 || Layout.MinCodeSize < 2 || Layout.MinCodeSize > 8 ||
        Layout.SubBlockSize < 1 || Layout.SubBlockSize > 255 || Layout.ColorResolution < 0 ||
        Layout.ColorResolution > 8 || Layout.TransparentIndex >= (1 << Layout.ColorBits) ||
        Layout.Comment.size() > 255)
        throw EInvalidGraphicOperation(QStringLiteral("Invalid GIF layout"));
    if (Pixels.size() != static_cast<size_t>(Width) * static_cast<size_t>(Height))
        throw EInvalidGraphicOperation(QStringLiteral("The GIF pixels do not match the image size"));
    const int codeLimit = 1 << Layout.MinCodeSize;
    for (quint8 p : Pixels)
        if (p >= codeLimit)
            throw EInvalidGraphicOperation(QStringLiteral("A GIF pixel is beyond the code size"));

    const int tableSize = 1 << Layout.ColorBits;
    const int resolution = Layout.ColorResolution ? Layout.ColorResolution : Layout.ColorBits;
    QByteArray out("GIF89a");
    PutLE16(out, Width);
    PutLE16(out, Height);
    out += char(0x80 | ((resolution - 1) << 4) | (Layout.ColorBits - 1));
    out += char(0);
    out += char(0);
    for (int i = 0; i < tableSize; ++i) {
        const QRgb c = i < Palette.size() ? Palette[i] : 0;
        out += char(qRed(c));
        out += char(qGreen(c));
        out += char(qBlue(c));
    }
    if (Layout.ControlExtension) {
        out += "\x21\xF9\x04";
        out += char(Layout.TransparentIndex >= 0 ? 0x01 : 0x00);
        PutLE16(out, 0);
        out += char(Layout.TransparentIndex >= 0 ? Layout.TransparentIndex : 0);
        out += char(0);
    }
    if (!Layout.Comment.isEmpty()) {
        out += "\x21\xFE";
        out += char(Layout.Comment.size());
        out += Layout.Comment;
        out += char(0);
    }
    out += char(0x2C);
    PutLE16(out, 0);
    PutLE16(out, 0);
    PutLE16(out, Width);
    PutLE16(out, Height);
    out += char(0);
    LzwEncode(out, Pixels, Layout.MinCodeSize, Layout.SubBlockSize);
    out += char(0x3B);
    return out;
}

std::unique_ptr<TGraphic> TGIFImage::Clone() const {
    auto p = std::make_unique<TGIFImage>();
    p->FImage = Image();
    p->FTransparent = FTransparent;
    return p;
}

void TGIFImage::SaveToStream(QIODevice& stream) {
    const QImage& image = Image();
    if (image.isNull()) throw EInvalidGraphicOperation(QStringLiteral("Cannot save an empty GIF image"));
    const bool alpha = image.hasAlphaChannel();
    QImage src = image.convertToFormat(QImage::Format_ARGB32);
    const int offset = alpha ? 1 : 0; // index 0 stands for transparent pixels
    // A picture with few colours keeps them exactly; others are reduced to a palette.
    QList<QRgb> palette;
    QHash<QRgb, int> exact;
    for (int y = 0; y < src.height() && exact.size() + offset <= 256; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        for (int x = 0; x < src.width(); ++x) {
            if (alpha && qAlpha(line[x]) < 128) continue;
            const QRgb c = line[x] | 0xFF000000u;
            if (!exact.contains(c)) {
                exact.insert(c, static_cast<int>(palette.size()));
                palette << c;
            }
        }
    }
    QImage indexed;
    if (exact.size() + offset > 256) {
        exact.clear();
        indexed = src.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
        palette = indexed.colorTable();
    }
    if (palette.isEmpty()) palette << qRgb(0, 0, 0);
    while (palette.size() + offset > 256)
        palette.removeLast();
    int bits = 1;
    while ((1 << bits) < palette.size() + offset)
        ++bits;
    const int tableSize = 1 << bits;
    std::vector<quint8> pixels;
    pixels.reserve(static_cast<size_t>(src.width()) * src.height());
    for (int y = 0; y < src.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(src.constScanLine(y));
        const uchar* idx = indexed.isNull() ? nullptr : indexed.constScanLine(y);
        for (int x = 0; x < src.width(); ++x) {
            if (alpha && qAlpha(line[x]) < 128)
                pixels.push_back(0);
            else if (!idx)
                pixels.push_back(static_cast<quint8>(exact.value(line[x] | 0xFF000000u) + offset));
            else
                pixels.push_back(static_cast<quint8>(std::min<int>(idx[x], palette.size() - 1) + offset));
        }
    }
    TGifLayout layout;
    layout.ColorBits = bits;
    layout.MinCodeSize = std::max(2, bits);
    layout.ControlExtension = alpha;
    layout.TransparentIndex = alpha ? 0 : -1;
    QList<QRgb> table;
    for (int i = 0; i < tableSize; ++i)
        table << (i >= offset && i - offset < palette.size() ? palette[i - offset] : QRgb(0));
    const QByteArray out = EncodeGIF(src.width(), src.height(), table, pixels, layout);
    if (stream.write(out) != out.size()) throw EWriteError(QStringLiteral("Cannot write the GIF image"));
}

std::unique_ptr<TGraphic> TIcon::Clone() const {
    auto p = std::make_unique<TIcon>();
    p->FImage = Image();
    p->FTransparent = FTransparent;
    return p;
}

// ---------------------------------------------------------------------------------------------
// JPEG

void TJPEGImage::SetGrayscale(bool value) {
    if (value == FGrayscale) return;
    FGrayscale = value;
    if (value && !FImage.isNull()) FImage = FImage.convertToFormat(QImage::Format_Grayscale8);
    Changed();
}

void TJPEGImage::Draw(TCanvas& canvas, const TRect& r) {
    if (!FImage.isNull()) canvas.DrawImage(r, FImage, FImage.rect(), TImageMode::Opaque);
}

void TJPEGImage::LoadFromStream(QIODevice& stream) {
    FImage = Decode(stream.readAll());
    FGrayscale = FImage.format() == QImage::Format_Grayscale8;
    Changed();
}

void TJPEGImage::SaveToStream(QIODevice& stream) {
    if (FImage.isNull()) throw EInvalidGraphicOperation(QStringLiteral("Cannot save an empty JPEG image"));
    const QByteArray data = Encode(FImage, FQuality, FGrayscale, FProgressive);
    if (stream.write(data) != data.size()) throw EWriteError(QStringLiteral("Cannot write the JPEG image"));
}

void TJPEGImage::Assign(const TGraphic& source) {
    if (&source == this) return;
    if (const auto* j = dynamic_cast<const TJPEGImage*>(&source)) {
        FQuality = j->FQuality;
        FGrayscale = j->FGrayscale;
        FProgressive = j->FProgressive;
    }
    FImage = source.ToImage().convertToFormat(QImage::Format_RGB32);
    if (FGrayscale) FImage = FImage.convertToFormat(QImage::Format_Grayscale8);
    Changed();
}

std::unique_ptr<TGraphic> TJPEGImage::Clone() const {
    auto p = std::make_unique<TJPEGImage>();
    p->Assign(*this);
    return p;
}

// ---------------------------------------------------------------------------------------------
// Registry of file kinds

namespace {

struct TFormatEntry {
    QString Extension;
    QString Description;
    TGraphicFactory Factory;
};

std::vector<TFormatEntry>& Formats() {
    static std::vector<TFormatEntry> formats = [] {
        std::vector<TFormatEntry> f;
        auto bmp = [] { return std::unique_ptr<TGraphic>(new TBitmap()); };
        auto jpg = [] { return std::unique_ptr<TGraphic>(new TJPEGImage()); };
        f.push_back({QStringLiteral("bmp"), QStringLiteral("Bitmaps"), bmp});
        f.push_back({QStringLiteral("png"), QStringLiteral("Portable Network Graphics"),
                     [] { return std::unique_ptr<TGraphic>(new TPngImage()); }});
        f.push_back({QStringLiteral("jpg"), QStringLiteral("JPEG Image File"), jpg});
        f.push_back({QStringLiteral("jpeg"), QStringLiteral("JPEG Image File"), jpg});
        f.push_back({QStringLiteral("jpe"), QStringLiteral("JPEG Image File"), jpg});
        f.push_back({QStringLiteral("jfif"), QStringLiteral("JPEG Image File"), jpg});
        f.push_back({QStringLiteral("gif"), QStringLiteral("GIF Image"),
                     [] { return std::unique_ptr<TGraphic>(new TGIFImage()); }});
        f.push_back({QStringLiteral("ico"), QStringLiteral("Icons"),
                     [] { return std::unique_ptr<TGraphic>(new TIcon()); }});
        f.push_back({QStringLiteral("emf"), QStringLiteral("Enhanced Metafiles"),
                     [] { return std::unique_ptr<TGraphic>(new TMetafile()); }});
        f.push_back({QStringLiteral("wmf"), QStringLiteral("Metafiles"), [] {
                         auto m = std::make_unique<TMetafile>();
                         m->SetEnhanced(false);
                         return std::unique_ptr<TGraphic>(std::move(m));
                     }});
        return f;
    }();
    return formats;
}

} // namespace

void RegisterFileFormat(const QString& extension, const QString& description, TGraphicFactory factory) {
    auto& f = Formats();
    for (auto& e : f)
        if (e.Extension.compare(extension, Qt::CaseInsensitive) == 0) {
            e.Description = description;
            e.Factory = std::move(factory);
            return;
        }
    f.push_back({extension.toLower(), description, std::move(factory)});
}

std::unique_ptr<TGraphic> CreateGraphicForExtension(const QString& extension) {
    QString ext = extension;
    if (ext.startsWith(QLatin1Char('.'))) ext.remove(0, 1);
    for (const auto& e : Formats())
        if (e.Extension.compare(ext, Qt::CaseInsensitive) == 0) return e.Factory();
    return nullptr;
}

std::unique_ptr<TGraphic> CreateGraphicForData(const QByteArray& h) {
    auto u = [&](int i) { return static_cast<quint8>(h[i]); };
    if (h.size() >= 14 && h.startsWith("BM")) return std::make_unique<TBitmap>();
    if (h.size() >= 2 && u(0) == 0xFF && u(1) == 0xD8) return std::make_unique<TJPEGImage>();
    if (h.size() >= 8 && h.startsWith("\x89PNG\r\n\x1a\n")) return std::make_unique<TPngImage>();
    if (h.size() >= 22 && u(0) == 0xD7 && u(1) == 0xCD && u(2) == 0xC6 && u(3) == 0x9A)
        return std::make_unique<TMetafile>();
    if (h.size() >= 44 && u(0) == 1 && u(40) == 0x20 && u(41) == 0x45 && u(42) == 0x4D && u(43) == 0x46)
        return std::make_unique<TMetafile>();
    if (h.size() >= 6 && (h.startsWith("GIF87a") || h.startsWith("GIF89a")))
        return std::make_unique<TGIFImage>();
    if (h.size() >= 6 && u(0) == 0 && u(1) == 0 && u(2) == 1 && u(3) == 0) return std::make_unique<TIcon>();
    return nullptr;
}

QString GraphicFilter() {
    QStringList all, parts;
    for (const auto& e : Formats()) {
        all << QStringLiteral("*.") + e.Extension;
        parts << QStringLiteral("%1 (*.%2)|*.%2").arg(e.Description, e.Extension);
    }
    return QStringLiteral("All (%1)|%1|").arg(all.join(QLatin1Char(';'))) + parts.join(QLatin1Char('|'));
}

// ---------------------------------------------------------------------------------------------
// TPicture

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::Changed() {
    if (OnChange) OnChange(this);
}

void TPicture::SetGraphic(const TGraphic* graphic) {
    SetGraphic(graphic ? graphic->Clone() : nullptr);
}

void TPicture::SetGraphic(std::unique_ptr<TGraphic> graphic) {
    FGraphic = std::move(graphic);
    if (FGraphic) FGraphic->OnChange = [this](TObject*) { Changed(); };
    Changed();
}

TBitmap& TPicture::Bitmap() {
    if (!dynamic_cast<TBitmap*>(FGraphic.get())) SetGraphic(std::make_unique<TBitmap>());
    return static_cast<TBitmap&>(*FGraphic);
}

void TPicture::LoadFromFile(const QString& fileName) {
    const QString ext = QFileInfo(fileName).suffix();
    std::unique_ptr<TGraphic> g = CreateGraphicForExtension(ext);
    if (!g)
        throw EInvalidGraphic(
            QStringLiteral("Unknown picture file extension (.%1) of \"%2\"").arg(ext, fileName));
    g->LoadFromFile(fileName);
    SetGraphic(std::move(g));
}

void TPicture::SaveToFile(const QString& fileName) {
    if (FGraphic) FGraphic->SaveToFile(fileName);
}

void TPicture::LoadFromStream(QIODevice& stream) {
    const QByteArray head = stream.peek(64);
    std::unique_ptr<TGraphic> g = CreateGraphicForData(head);
    if (!g) throw EInvalidGraphic(QStringLiteral("Unsupported picture data"));
    g->LoadFromStream(stream);
    SetGraphic(std::move(g));
}

void TPicture::SaveToStream(QIODevice& stream) {
    if (FGraphic) FGraphic->SaveToStream(stream);
}

void TPicture::Assign(const TPicture& source) {
    if (&source == this) return;
    SetGraphic(source.Graphic());
}
