#include "platform/gfx/Bitmap.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>

// ---------------------------------------------------------------------------------------------
// TGraphic

void TGraphic::SetWidth(int) {
    throw EInvalidGraphicOperation(QStringLiteral("Cannot change the size of a %1").arg(ClassName()));
}

void TGraphic::SetHeight(int) {
    throw EInvalidGraphicOperation(QStringLiteral("Cannot change the size of a %1").arg(ClassName()));
}

void TGraphic::SetTransparent(bool value) {
    if (value == FTransparent) return;
    FTransparent = value;
    Changed();
}

void TGraphic::SetModified(bool value) {
    FModified = value;
    if (value && OnChange) OnChange(this);
}

void TGraphic::Changed() {
    SetModified(true);
}

void TGraphic::LoadFromFile(const QString& fileName) {
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        throw EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, f.errorString()));
    try {
        LoadFromStream(f);
    } catch (const EInvalidGraphic& e) {
        throw EInvalidGraphic(QStringLiteral("%1: %2").arg(fileName, e.Message()));
    }
}

void TGraphic::SaveToFile(const QString& fileName) {
    QFile f(fileName);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw EFCreateError(QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, f.errorString()));
    SaveToStream(f);
}

void TGraphic::Assign(const TGraphic& source) {
    throw EInvalidGraphicOperation(
        QStringLiteral("Cannot assign a %1 to a %2").arg(source.ClassName(), ClassName()));
}

// ---------------------------------------------------------------------------------------------
// TBitmap

TBitmap::TBitmap() = default;

TBitmap::TBitmap(int width, int height, TPixelFormat format) {
    FPixelFormat = format;
    SetSize(width, height);
}

TBitmap::~TBitmap() {
    if (FCanvas) FCanvas->ReleaseDevice();
}

QImage::Format TBitmap::CanonicalFormat() const {
    return FPixelFormat == pf32bit ? QImage::Format_ARGB32 : QImage::Format_RGB32;
}

QImage::Format TBitmap::ScanFormat() const {
    switch (FPixelFormat) {
    case pf1bit:
        return QImage::Format_Mono;
    case pf4bit:
    case pf8bit:
        return QImage::Format_Indexed8;
    case pf15bit:
        return QImage::Format_RGB555;
    case pf16bit:
        return QImage::Format_RGB16;
    case pf24bit:
        return QImage::Format_BGR888;
    case pf32bit:
        return QImage::Format_ARGB32;
    default:
        return QImage::Format_RGB32;
    }
}

// Brings the paintable image up to date after scan-line writes.
void TBitmap::Sync() const {
    if (FCanvas) FCanvas->Flush();
    if (FScanActive) {
        FImage = FScan.convertToFormat(CanonicalFormat());
        FScan = QImage();
        FScanActive = false;
    }
}

void TBitmap::AttachCanvas() {
    if (FCanvas && FCanvas->Device() != &FImage) FCanvas->SetDevice(FImage.isNull() ? nullptr : &FImage);
}

TCanvas& TBitmap::Canvas() {
    if (!FCanvas) {
        FCanvas = std::make_unique<TCanvas>();
        FCanvas->OnBeforePaint = [this](bool writing) {
            if (FScanActive) {
                FImage = FScan.convertToFormat(CanonicalFormat());
                FScan = QImage();
                FScanActive = false;
            }
            if (!writing) return;
            // The painter writes into FImage's buffer: no copy may share it while it draws.
            FImage.detach();
            Changed();
        };
    }
    Sync();
    AttachCanvas();
    return *FCanvas;
}

const QImage& TBitmap::Image() const {
    Sync();
    return FImage;
}

void TBitmap::SetImage(const QImage& image) {
    Sync();
    if (FCanvas) FCanvas->ReleaseDevice();
    switch (image.depth()) {
    case 1:
        FPixelFormat = pf1bit;
        break;
    case 4:
        FPixelFormat = pf4bit;
        break;
    case 8:
        FPixelFormat = pf8bit;
        break;
    case 16:
        FPixelFormat = pf16bit;
        break;
    case 24:
        FPixelFormat = pf24bit;
        break;
    default:
        FPixelFormat = image.hasAlphaChannel() ? pf32bit : pfDevice;
        break;
    }
    FImage = image.convertToFormat(CanonicalFormat());
    AttachCanvas();
    Changed();
}

void TBitmap::SetSize(int width, int height) {
    width = std::max(0, width);
    height = std::max(0, height);
    Sync();
    if (width == Width() && height == Height()) return;
    if (FCanvas) FCanvas->ReleaseDevice();
    FEmptySize = width > 0 && height > 0 ? TSize{} : TSize{width, height};
    QImage img;
    // Beyond a billion pixels the picture stays null, as when memory runs out, without first
    // asking the system for tens of gigabytes.
    constexpr qint64 kMaxPixels = qint64(1) << 30;
    if (width > 0 && height > 0 && qint64(width) * height <= kMaxPixels) {
        img = QImage(width, height, CanonicalFormat());
        img.fill(FPixelFormat == pf32bit ? QColor(0, 0, 0, 0) : QColor(Qt::white));
        if (!FImage.isNull()) {
            QPainter p(&img);
            p.setCompositionMode(QPainter::CompositionMode_Source);
            p.drawImage(0, 0, FImage);
        }
    }
    FImage = img;
    AttachCanvas();
    Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat value) {
    if (value == FPixelFormat) return;
    Sync();
    if (FCanvas) FCanvas->ReleaseDevice();
    FPixelFormat = value;
    if (!FImage.isNull()) {
        // Reduce to what the format can hold, then keep a paintable copy.
        QImage reduced = FImage.convertToFormat(ScanFormat(), Qt::ThresholdDither | Qt::AvoidDither);
        FImage = reduced.convertToFormat(CanonicalFormat());
        if (value == pf32bit) {
            // Pixels that come from a format without alpha are opaque.
            for (int y = 0; y < FImage.height(); ++y) {
                auto* line = reinterpret_cast<QRgb*>(FImage.scanLine(y));
                for (int x = 0; x < FImage.width(); ++x)
                    line[x] |= 0xFF000000u;
            }
        }
    }
    AttachCanvas();
    Changed();
}

uchar* TBitmap::ScanLine(int row) {
    if (row < 0 || row >= Height())
        throw EInvalidGraphicOperation(QStringLiteral("Scan line index out of range"));
    if (FCanvas) FCanvas->Flush();
    if (ScanFormat() == CanonicalFormat()) {
        Sync();
        Changed();
        return FImage.scanLine(row);
    }
    if (!FScanActive) {
        FScan = FImage.convertToFormat(ScanFormat(), Qt::ThresholdDither | Qt::AvoidDither);
        FScanActive = true;
    }
    Changed();
    return FScan.scanLine(row);
}

QList<QRgb> TBitmap::Palette() {
    if (FPixelFormat != pf1bit && FPixelFormat != pf4bit && FPixelFormat != pf8bit) return {};
    if (!FScanActive) {
        FScan = FImage.convertToFormat(ScanFormat(), Qt::ThresholdDither | Qt::AvoidDither);
        FScanActive = true;
    }
    return FScan.colorTable();
}

TColor TBitmap::TransparentColor() const {
    if (FTransparentMode == tmFixed && FTransparentColor != clDefault) return FTransparentColor;
    const QImage& img = Image();
    if (img.isNull()) return clDefault;
    const QRgb c = img.pixel(0, img.height() - 1);
    return RGB(qRed(c), qGreen(c), qBlue(c));
}

void TBitmap::SetTransparentColor(TColor value) {
    FTransparentColor = value;
    FTransparentMode = value == clDefault ? tmAuto : tmFixed;
    Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode value) {
    FTransparentMode = value;
    if (value == tmAuto) FTransparentColor = clDefault;
    Changed();
}

void TBitmap::Draw(TCanvas& canvas, const TRect& r) {
    const QImage& img = Image();
    if (img.isNull()) return;
    if (FTransparent)
        canvas.DrawImage(r, img, img.rect(), TImageMode::TransparentColor, TransparentColor());
    else if (FPixelFormat == pf32bit && FAlphaFormat != afIgnored)
        canvas.DrawImage(r, img, img.rect(), TImageMode::Alpha);
    else
        canvas.DrawImage(r, img, img.rect(), TImageMode::Opaque);
}

void TBitmap::LoadFromStream(QIODevice& stream) {
    const QByteArray head = stream.peek(30);
    QImageReader reader(&stream, "bmp");
    QImage img = reader.read();
    if (img.isNull() || head.size() < 30 || !head.startsWith("BM"))
        throw EInvalidGraphic(QStringLiteral("Bitmap image is not valid (%1)").arg(reader.errorString()));
    SetImage(img);
    // The file's own depth decides the pixel format (Qt widens 24 bits to 32).
    const int bits = static_cast<quint8>(head[28]) | (static_cast<quint8>(head[29]) << 8);
    const TPixelFormat pf = bits == 1    ? pf1bit
                            : bits == 4  ? pf4bit
                            : bits == 8  ? pf8bit
                            : bits == 16 ? pf16bit
                            : bits == 24 ? pf24bit
                            : bits == 32 ? pf32bit
                                         : FPixelFormat;
    if (pf != FPixelFormat) {
        if (pf == pf32bit || FPixelFormat == pf32bit)
            SetPixelFormat(pf);
        else
            FPixelFormat = pf; // same paintable image; only the layout of scan lines changes
    }
}

void TBitmap::SaveToStream(QIODevice& stream) {
    QImage out = Image();
    switch (FPixelFormat) {
    case pf1bit:
        out = out.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
        break;
    case pf4bit:
    case pf8bit:
        out = out.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
        break;
    case pf32bit:
        break;
    default:
        out = out.convertToFormat(QImage::Format_RGB888);
        break;
    }
    QImageWriter writer(&stream, "bmp");
    if (!writer.write(out))
        throw EWriteError(QStringLiteral("Cannot write the bitmap: %1").arg(writer.errorString()));
}

void TBitmap::Assign(const TGraphic& source) {
    if (&source == this) return;
    if (const auto* b = dynamic_cast<const TBitmap*>(&source)) {
        Sync();
        if (FCanvas) FCanvas->ReleaseDevice();
        FPixelFormat = b->FPixelFormat;
        FAlphaFormat = b->FAlphaFormat;
        FImage = b->Image();
        FImage.detach();
        FEmptySize = b->FEmptySize;
        FTransparent = b->FTransparent;
        FTransparentColor = b->FTransparentColor;
        FTransparentMode = b->FTransparentMode;
        AttachCanvas();
        Changed();
        return;
    }
    SetImage(source.ToImage());
    FTransparent = source.Transparent();
}

std::unique_ptr<TGraphic> TBitmap::Clone() const {
    auto b = std::make_unique<TBitmap>();
    b->Assign(*this);
    return b;
}
