#include "report/export/rptExportImage.h"

#include "platform/gfx/Picture.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StringList.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptClassView.h"
#include "report/core/rptRes.h"
#include "report/core/rptUtils.h"
#include "report/export/rptExportUtils.h"
#include "report/export/rptIMGExportDialog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <jpeglib.h>
#include <vector>

const char TiffSoftwareName[11] = "Korvel rpt";

namespace {

int RoundEven(double v) { return static_cast<int>(std::nearbyint(v)); }

// Products beyond any picture we draw stay finite and positive before they are compared.
double Clamped(double v) { return std::clamp(v, -1e9, 1e9); }

// A page's side in report pixels, from its paper in millimetres (prepared pages keep their
// pixel size rounded, which at 300 dpi would add a pixel).
double PagePixels(TrptReportPage* Page, bool Width) {
    if (!Page) return 0;
    const double mm = Width ? Page->PaperWidth() : Page->PaperHeight();
    if (mm > 0) return mm * 96.0 / 25.4;
    return Width ? Page->Width() : Page->Height();
}

} // namespace

KORVEL_CLASS_INFO(TrptCustomImageExport) {}

KORVEL_CLASS_INFO(TrptJPEGExport) {
    using C = TrptJPEGExport;
    b.Prop("JPEGQuality", &C::JPEGQuality, &C::SetJPEGQuality).Default(90);
    b.Prop("CropImages", &C::CropImages, &C::SetCropImages).Default(false);
    b.Prop("Monochrome", &C::Monochrome, &C::SetMonochrome).Default(false);
}

KORVEL_CLASS_INFO(TrptTIFFExport) {
    using C = TrptTIFFExport;
    b.Prop("CropImages", &C::CropImages, &C::SetCropImages).Default(false);
    b.Prop("Monochrome", &C::Monochrome, &C::SetMonochrome).Default(false);
    b.Prop("MultiImage", &C::MultiImage, &C::SetMultiImage).Default(false);
}

// ---------------------------------------------------------------------------------------------
// Pages drawn on bitmaps

TrptCustomImageExport::TrptCustomImageExport(TComponent* AOwner) : TrptCustomExportFilter(AOwner) {
    RegisterExportResources();
    SetFiles(std::make_unique<TStringList>());
}

TrptCustomImageExport::~TrptCustomImageExport() = default;

TModalResult TrptCustomImageExport::ShowModal() { return RunIMGExportDialog(this); }

void TrptCustomImageExport::ReportError(const QString& Text) {
    FLastError = Text;
    if (!Report()) return;
    const TrptSilentMode mode = Report()->EngineOptions()->NewSilentMode();
    if (mode == simSilent)
        Report()->Errors()->Add(Text);
    else
        HandleReportError(mode, Text);
}

bool TrptCustomImageExport::NewBitmap(int Width, int Height, const QString& What) {
    FBitmap.reset();
    if (Width <= 0 || Height <= 0) return false;
    if (static_cast<qint64>(Width) * Height > MaxImagePixels) {
        ReportError(QStringLiteral("The picture of %1 would be %2 x %3 pixels at %4 dpi; at most %5 "
                                   "million pixels can be drawn. Choose a lower resolution.")
                        .arg(What)
                        .arg(Width)
                        .arg(Height)
                        .arg(FResolution)
                        .arg(MaxImagePixels / 1000000));
        return false;
    }
    const TPixelFormat format = FMonochrome ? pf1bit : pfDevice;
    if (FSpare && FSpare->Width() == Width && FSpare->Height() == Height && FSpare->PixelFormat() == format) {
        FBitmap = std::move(FSpare);
        FBitmap->Canvas().Brush().SetColor(clWhite);
        FBitmap->Canvas().Brush().SetStyle(bsSolid);
        FBitmap->Canvas().FillRect(TRect(0, 0, Width, Height));
        return true;
    }
    FSpare.reset();
    FBitmap = std::make_unique<TBitmap>();
    FBitmap->Canvas().Brush().SetColor(clWhite);
    if (FMonochrome) FBitmap->SetPixelFormat(pf1bit);
    FBitmap->SetSize(Width, Height);
    if (FBitmap->Image().isNull()) {
        FBitmap.reset();
        ReportError(QStringLiteral("Not enough memory for the picture of %1 (%2 x %3 pixels).").arg(What).arg(Width).arg(Height));
        return false;
    }
    return true;
}

bool TrptCustomImageExport::Start() {
    if (FResolution < MinImageResolution || FResolution > MaxImageResolution)
        throw Exception(QStringLiteral("The resolution %1 dpi is outside %2 to %3 dpi.")
                            .arg(FResolution)
                            .arg(MinImageResolution)
                            .arg(MaxImageResolution));
    if (SlaveExport()) {
        const QString reportFile = Report() ? Report()->FileName() : QString();
        if (!reportFile.isEmpty()) {
            SetFileName(TempFolderPath() + QFileInfo(QDir::fromNativeSeparators(reportFile)).completeBaseName() +
                        DefaultExt());
        } else {
            const QString temp = NewTempFileName();
            SetFileName(temp.left(temp.size() - QFileInfo(temp).suffix().size() - 1) + DefaultExt());
            // NewTempFileName made an empty file of its own name: it is not one of ours.
            QFile::remove(temp);
        }
        FSeparate = false;
    }
    SetCurPage(false);
    FCurrentPage = 0;
    FYOffset = 0;
    FCurrentRes = 96;
    FDiv = static_cast<double>(FResolution) / FCurrentRes;
    FCutReported = false;
    FStreamFailed = false;
    FJoinedHeight = 0;
    FLastError.clear();
    FBitmap.reset();
    FSpare.reset();
    if (Files()) Files()->Clear();
    if (!FSeparate) {
        FMaxX = FMaxY = 0;
        FFirstPage = true;
    }
    const bool result = !FileName().isEmpty() || Stream();
    if (!FileName().isEmpty() && !QDir::fromNativeSeparators(FileName()).contains(QLatin1Char('/')) &&
        !DefaultPath().isEmpty())
        SetFileName(DefaultPath() + QLatin1Char('/') + FileName());
    return result;
}

void TrptCustomImageExport::StartPage(TrptReportPage* Page, int Index) {
    ++FCurrentPage;
    const double pageW = PagePixels(Page, true), pageH = PagePixels(Page, false);
    if (FSeparate) {
        const QString what = QStringLiteral("page %1").arg(Index + 1);
        if (NewBitmap(RoundEven(Clamped(pageW * FDiv)), RoundEven(Clamped(pageH * FDiv)), what)) {
            FMaxX = FMaxY = 0;
            FMinX = FBitmap->Width();
            FMinY = FBitmap->Height();
        }
        return;
    }
    if (!FFirstPage) return;
    FFirstPage = false;
    // The joined picture is as wide as the widest page and as high as all prepared pages (the
    // pages outside the page range too), up to its limits.
    double width = pageW, height = 0;
    TrptCustomPreviewPages* pages = Report() ? Report()->PreviewPages() : nullptr;
    const int count = pages ? pages->Count() : 0;
    for (int i = 0; i < count; ++i) {
        const TPoint size = pages->PageSize(i);
        width = std::max(width, static_cast<double>(size.X));
        height += size.Y;
    }
    if (count == 0) height = pageH;
    double w = Clamped(width * FDiv), h = Clamped(height * FDiv);
    if (w > MaxJoinedImageSide) w = MaxJoinedImageSide;
    if (h > MaxJoinedImageSide) h = MaxJoinedImageSide;
    const int iw = std::max(1, RoundEven(w));
    int ih = std::max(1, RoundEven(h));
    // Keep the joined picture within the pixel budget by making it shorter; the pages below are
    // reported as left out like those beyond the side limit.
    if (static_cast<qint64>(iw) * ih > MaxImagePixels) ih = static_cast<int>(MaxImagePixels / iw);
    if (NewBitmap(iw, ih, QStringLiteral("all pages"))) {
        FMinX = FBitmap->Width();
        FMinY = FBitmap->Height();
        FJoinedHeight = ih;
    }
}

void TrptCustomImageExport::ExportObject(TrptComponent* Obj) {
    auto* v = dynamic_cast<TrptView*>(Obj);
    if (!v || !FBitmap) return;
    if (!v->Printable() && !FExportNotPrintable) return;
    if (!FSeparate && FYOffset >= FJoinedHeight) return;
    if (v->Name() != QLatin1String("_pagebackground")) {
        const double l = v->AbsLeft(), t = v->AbsTop();
        FMinX = std::min(FMinX, RoundEven(Clamped(l * FDiv)));
        FMinY = std::min(FMinY, RoundEven(Clamped(t * FDiv)) + FYOffset);
        FMaxX = std::max(FMaxX, RoundEven(Clamped((l + v->Width()) * FDiv)) + 1);
        FMaxY = std::max(FMaxY, RoundEven(Clamped((t + v->Height()) * FDiv)) + FYOffset + 1);
    }
    v->Draw(&FBitmap->Canvas(), FDiv, FDiv, 0, FYOffset);
}

void TrptCustomImageExport::FinishPage(TrptReportPage* Page, int Index) {
    if (Page) {
        FPaperWidth = Page->PaperWidth();
        FPaperHeight = Page->PaperHeight();
    }
    if (FSeparate) {
        FinishImage();
        return;
    }
    const int pageH = RoundEven(Clamped(PagePixels(Page, false) * FDiv));
    if (FBitmap && !FCutReported && FYOffset + pageH > FJoinedHeight) {
        FCutReported = true;
        ReportError(QStringLiteral("Page %1 and the pages after it do not fit in the joined picture (at most %2 "
                                   "pixels high here). Export them as separate files or at a lower resolution.")
                        .arg(Index + 1)
                        .arg(FJoinedHeight));
    }
    FYOffset = static_cast<int>(std::min<qint64>(static_cast<qint64>(FYOffset) + pageH, 1 << 30));
}

void TrptCustomImageExport::Finish() {
    if (!FSeparate) FinishImage();
    FBitmap.reset();
    FSpare.reset();
}

void TrptCustomImageExport::SaveImage() {
    FFileSuffix = FSeparate ? QStringLiteral(".") + QString::number(FCurrentPage) : QString();
}

void TrptCustomImageExport::FinishImage() {
    if (!FBitmap) return;
    struct TFree {
        std::unique_ptr<TBitmap>& B;
        std::unique_ptr<TBitmap>& Spare;
        bool Keep = true;
        ~TFree() {
            if (Keep && B) Spare = std::move(B);
            B.reset();
        }
    } freeBitmap{FBitmap, FSpare};
    if (FCrop) {
        // Nothing drawn leaves the rectangle empty: the picture then stays as it is.
        const int l = std::max(0, FMinX), t = std::max(0, FMinY);
        const int r = std::min(FBitmap->Width(), FMaxX), b = std::min(FBitmap->Height(), FMaxY);
        if (r > l && b > t) {
            freeBitmap.Keep = false;
            const TPixelFormat pf = FBitmap->PixelFormat();
            const QImage cut = FBitmap->Image().copy(l, t, r - l, b - t);
            FBitmap->SetImage(cut);
            if (FBitmap->PixelFormat() != pf) FBitmap->SetPixelFormat(pf);
        }
    }
    SaveImage();
}

QString TrptCustomImageExport::ImageFileName(const QString& Ext) const {
    const QString name = QDir::fromNativeSeparators(FileName());
    const qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > slash + 1 ? name.left(dot) : name;
    return stem + FFileSuffix + Ext;
}

// ---------------------------------------------------------------------------------------------
// JPEG

namespace {

struct TJpegFailure {
    jpeg_error_mgr Mgr;
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
};

void JpegErrorExit(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<TJpegFailure*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->Message);
    std::longjmp(err->Jump, 1);
}

void JpegQuiet(j_common_ptr) {}

// Plain C data only between setjmp and a possible longjmp: no destructor is skipped.
bool EncodeRows(const unsigned char* const* rows, int w, int h, bool gray, int quality, int dpi,
                unsigned char** out, unsigned long* outSize, char* message) {
    jpeg_compress_struct cinfo;
    TJpegFailure err;
    cinfo.err = jpeg_std_error(&err.Mgr);
    err.Mgr.error_exit = JpegErrorExit;
    err.Mgr.output_message = JpegQuiet;
    err.Message[0] = 0;
    if (setjmp(err.Jump)) {
        std::snprintf(message, JMSG_LENGTH_MAX, "%s", err.Message);
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, out, outSize);
    cinfo.image_width = static_cast<JDIMENSION>(w);
    cinfo.image_height = static_cast<JDIMENSION>(h);
    cinfo.input_components = gray ? 1 : 4;
    cinfo.in_color_space = gray ? JCS_GRAYSCALE : JCS_EXT_BGRX;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    cinfo.write_JFIF_header = TRUE;
    cinfo.density_unit = 1;
    cinfo.X_density = static_cast<UINT16>(dpi);
    cinfo.Y_density = static_cast<UINT16>(dpi);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(rows[cinfo.next_scanline]);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

} // namespace

QByteArray EncodeJpegImage(TBitmap& Bitmap, int Quality, int Resolution) {
    const QImage& img = Bitmap.Image();
    if (img.isNull()) throw EInvalidGraphic(QStringLiteral("JPEG error: the picture is empty"));
    const bool gray = Bitmap.Monochrome();
    QImage source = gray ? img.convertToFormat(QImage::Format_Grayscale8) : img;
    if (gray) {
        // A monochrome picture is black and white, not the greys of its anti-aliased drawing.
        for (int y = 0; y < source.height(); ++y) {
            uchar* line = source.scanLine(y);
            for (int x = 0; x < source.width(); ++x) line[x] = line[x] >= 128 ? 255 : 0;
        }
    } else if (source.format() != QImage::Format_RGB32 && source.format() != QImage::Format_ARGB32) {
        source = source.convertToFormat(QImage::Format_RGB32);
    }
    std::vector<const unsigned char*> rows(static_cast<size_t>(source.height()));
    for (int y = 0; y < source.height(); ++y) rows[static_cast<size_t>(y)] = source.constScanLine(y);
    unsigned char* out = nullptr;
    unsigned long outSize = 0;
    char message[JMSG_LENGTH_MAX] = {0};
    const bool ok = EncodeRows(rows.data(), source.width(), source.height(), gray, std::clamp(Quality, 1, 100),
                               std::clamp(Resolution, 1, 65535), &out, &outSize, message);
    QByteArray result;
    if (ok && out) result = QByteArray(reinterpret_cast<const char*>(out), static_cast<qsizetype>(outSize));
    std::free(out);
    if (!ok) throw EInvalidGraphic(QStringLiteral("JPEG error: %1").arg(QString::fromLatin1(message)));
    return result;
}

TrptJPEGExport::TrptJPEGExport(TComponent* AOwner) : TrptCustomImageExport(AOwner) {
    SetFilterDesc(ReportText(QStringLiteral("JPEGexportFilter")));
    SetDefaultExt(QStringLiteral(".jpg"));
}

QString TrptJPEGExport::GetDescription() const { return ReportText(QStringLiteral("JPEGexport")); }

bool TrptJPEGExport::Start() {
    if (FJPEGQuality < 1 || FJPEGQuality > 100)
        throw Exception(QStringLiteral("The JPEG quality %1 is outside 1 to 100.").arg(FJPEGQuality));
    return TrptCustomImageExport::Start();
}

void TrptJPEGExport::SaveImage() {
    TrptCustomImageExport::SaveImage();
    if (Stream() && FStreamFailed) return;
    const QString name = Stream() ? QString() : ImageFileName(QStringLiteral(".jpg"));
    try {
        const QByteArray data = EncodeJpegImage(*FBitmap, FJPEGQuality, FResolution);
        if (Stream()) {
            Stream()->WriteBuffer(data.constData(), data.size());
        } else {
            TFileStream f(name, fmCreate);
            if (Files()) Files()->Add(name);
            f.WriteBuffer(data.constData(), data.size());
        }
    } catch (const Exception& e) {
        if (Stream()) FStreamFailed = true;
        ReportError(name.isEmpty() ? e.Message() : name + QStringLiteral(": ") + e.Message());
    } catch (const std::bad_alloc&) {
        if (Stream()) FStreamFailed = true;
        ReportError(name + QStringLiteral(": not enough memory"));
    }
}

// ---------------------------------------------------------------------------------------------
// TIFF

namespace {

// Little-endian output gathered in a buffer and written in large pieces.
class TTiffOut {
public:
    TTiffOut(TStream& s) : FStream(s) { FBuf.reserve(1 << 20); }
    ~TTiffOut() = default;
    void U8(unsigned v) { Put(static_cast<char>(v & 0xFF)); }
    void U16(unsigned v) {
        U8(v);
        U8(v >> 8);
    }
    void U32(quint32 v) {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    void Bytes(const char* p, qsizetype n) {
        FBuf.append(p, n);
        FPos += n;
        if (FBuf.size() >= (1 << 20)) Flush();
    }
    void Flush() {
        if (FBuf.isEmpty()) return;
        FStream.WriteBuffer(FBuf.constData(), FBuf.size());
        FBuf.clear();
    }
    // Offset of the next byte from the start of the stream.
    Int64 Pos() const { return FPos; }
    void SetPos(Int64 p) { FPos = p; }

private:
    void Put(char c) {
        FBuf.append(c);
        ++FPos;
        if (FBuf.size() >= (1 << 20)) Flush();
    }
    TStream& FStream;
    QByteArray FBuf;
    Int64 FPos = 0;
};

struct TTiffEntry {
    quint16 Tag, Type;
    quint32 Count, Value;
};

int BitsOf(TPixelFormat pf) {
    switch (pf) {
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    case pf15bit:
    case pf16bit: return 16;
    case pf24bit: return 24;
    default: return 32;
    }
}

// The sixteen colours of a 4-bit picture whose own colours are more than sixteen.
QList<QRgb> SixteenColours() {
    return {qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
            qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
            qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
            qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255)};
}

quint32 Offset32(Int64 v) {
    if (v < 0 || v > 0xFFFFFFFFll) throw EWriteError(QStringLiteral("The TIFF file would exceed 4 GB"));
    return static_cast<quint32>(v);
}

} // namespace

void WriteTiffImage(TStream& Stream, Int64 Base, TBitmap& Bitmap, bool WriteHeader, int Resolution) {
    const QImage& img = Bitmap.Image();
    if (img.isNull()) return;
    const int w = img.width(), h = img.height();
    if (w > 0xFFFF || h > 0xFFFF) throw EWriteError(QStringLiteral("A TIFF picture of %1 x %2 pixels is too large").arg(w).arg(h));
    const int bits = BitsOf(Bitmap.PixelFormat());
    const bool bilevel = bits == 1, palette = bits == 4 || bits == 8, rgb = !bilevel && !palette;

    // The pixels as the layout needs them.
    QImage indexed;
    if (palette) {
        indexed = img.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither | Qt::AvoidDither);
        if (bits == 4 && indexed.colorCount() > 16)
            indexed = img.convertToFormat(QImage::Format_Indexed8, SixteenColours(), Qt::ThresholdDither | Qt::AvoidDither);
    }
    const QImage rgb555 = bits == 16 ? img.convertToFormat(QImage::Format_RGB555) : QImage();
    const QImage rgb32 = (bilevel || bits >= 24) && img.format() != QImage::Format_RGB32 && img.format() != QImage::Format_ARGB32
                             ? img.convertToFormat(QImage::Format_RGB32)
                             : img;

    // Each image is appended at the end of the stream.
    const Int64 end = Stream.Seek(0, soEnd);
    if (!WriteHeader && end - Base < 8 + 4) throw EWriteError(QStringLiteral("The stream holds no TIFF file to append to"));
    const Int64 link = WriteHeader ? Base + 4 : end - 4;
    TTiffOut out(Stream);
    out.SetPos(end - Base);
    if (WriteHeader) {
        out.Bytes("II*\0", 4);
        out.U32(8);
    }
    auto even = [&] {
        if (out.Pos() & 1) out.U8(0);
    };
    quint32 mapOffset = 0;
    const int mapSize = palette ? 1 << bits : 0;
    if (palette) {
        even();
        mapOffset = Offset32(out.Pos());
        const QList<QRgb> table = indexed.colorTable();
        for (int comp = 0; comp < 3; ++comp)
            for (int i = 0; i < mapSize; ++i) {
                const QRgb c = i < table.size() ? table[i] : 0;
                const int v = comp == 0 ? qRed(c) : comp == 1 ? qGreen(c) : qBlue(c);
                out.U16(static_cast<unsigned>(v) * 257);
            }
    }
    even();
    const quint32 resOffset = Offset32(out.Pos());
    const quint32 numerator = static_cast<quint32>(std::clamp(Resolution, 1, 65535)) * 10;
    for (int i = 0; i < 2; ++i) {
        out.U32(numerator);
        out.U32(10);
    }
    quint32 bpsOffset = 0;
    if (rgb) {
        bpsOffset = Offset32(out.Pos());
        out.U16(8);
        out.U16(8);
        out.U16(8);
    }
    const quint32 softOffset = Offset32(out.Pos());
    // TIFF text ends with a zero byte (readers warn otherwise): 11 bytes for 10 characters.
    out.Bytes(TiffSoftwareName, 11);

    const int rowBytes = bilevel ? (w + 7) / 8 : bits == 4 ? (w + 1) / 2 : bits == 8 ? w : w * 3;
    const quint32 stripOffset = Offset32(out.Pos());
    QByteArray row(rowBytes, '\0');
    for (int y = 0; y < h; ++y) {
        char* d = row.data();
        if (bilevel) {
            // BlackIsZero: a set bit is white.
            std::memset(d, 0, static_cast<size_t>(rowBytes));
            const auto* s = reinterpret_cast<const QRgb*>(rgb32.constScanLine(y));
            for (int x = 0; x < w; ++x)
                if (qGray(s[x]) >= 128) d[x >> 3] = static_cast<char>(d[x >> 3] | (0x80 >> (x & 7)));
        } else if (bits == 8) {
            std::memcpy(d, indexed.constScanLine(y), static_cast<size_t>(w));
        } else if (bits == 4) {
            std::memset(d, 0, static_cast<size_t>(rowBytes));
            const uchar* s = indexed.constScanLine(y);
            for (int x = 0; x < w; ++x)
                d[x >> 1] = static_cast<char>(d[x >> 1] | ((s[x] & 0x0F) << ((x & 1) ? 0 : 4)));
        } else if (bits == 16) {
            const auto* s = reinterpret_cast<const quint16*>(rgb555.constScanLine(y));
            for (int x = 0; x < w; ++x) {
                const unsigned p = s[x];
                const unsigned r = (p >> 10) & 31, g = (p >> 5) & 31, b = p & 31;
                d[3 * x] = static_cast<char>(r << 3 | r >> 2);
                d[3 * x + 1] = static_cast<char>(g << 3 | g >> 2);
                d[3 * x + 2] = static_cast<char>(b << 3 | b >> 2);
            }
        } else {
            const auto* s = reinterpret_cast<const QRgb*>(rgb32.constScanLine(y));
            for (int x = 0; x < w; ++x) {
                d[3 * x] = static_cast<char>(qRed(s[x]));
                d[3 * x + 1] = static_cast<char>(qGreen(s[x]));
                d[3 * x + 2] = static_cast<char>(qBlue(s[x]));
            }
        }
        out.Bytes(d, rowBytes);
    }
    const quint32 stripBytes = Offset32(static_cast<Int64>(rowBytes) * h);
    if (bilevel) out.U32(0);
    // The directory starts on a word boundary.
    even();
    const quint32 dirOffset = Offset32(out.Pos());
    std::vector<TTiffEntry> e;
    e.push_back({254, 4, 1, 0});
    e.push_back({256, 3, 1, static_cast<quint32>(w)});
    e.push_back({257, 3, 1, static_cast<quint32>(h)});
    e.push_back({258, 3, rgb ? 3u : 1u, rgb ? bpsOffset : static_cast<quint32>(bits)});
    e.push_back({259, 3, 1, 1});
    e.push_back({262, 3, 1, bilevel ? 1u : palette ? 3u : 2u});
    e.push_back({273, 4, 1, stripOffset});
    e.push_back({277, 3, 1, rgb ? 3u : 1u});
    e.push_back({278, 4, 1, static_cast<quint32>(h)});
    e.push_back({279, 4, 1, stripBytes});
    e.push_back({282, 5, 1, resOffset});
    e.push_back({283, 5, 1, resOffset + 8});
    if (rgb) e.push_back({284, 3, 1, 1});
    e.push_back({296, 3, 1, 2});
    e.push_back({305, 2, 11, softOffset});
    if (palette) e.push_back({320, 3, static_cast<quint32>(3 * mapSize), mapOffset});
    out.U16(static_cast<unsigned>(e.size()));
    for (const TTiffEntry& x : e) {
        out.U16(x.Tag);
        out.U16(x.Type);
        out.U32(x.Count);
        out.U32(x.Value);
    }
    out.U32(0);
    out.Flush();
    // Link the new directory: from the header, or from the previous image's last directory.
    Stream.Seek(link, soBeginning);
    const quint32 le = qToLittleEndian(dirOffset);
    Stream.WriteBuffer(&le, 4);
    Stream.Seek(0, soEnd);
}

TrptTIFFExport::TrptTIFFExport(TComponent* AOwner) : TrptCustomImageExport(AOwner) {
    SetFilterDesc(ReportText(QStringLiteral("TIFFexportFilter")));
    SetDefaultExt(QStringLiteral(".tif"));
}

QString TrptTIFFExport::GetDescription() const { return ReportText(QStringLiteral("TIFFexport")); }

bool TrptTIFFExport::Start() {
    FStreamBase = -1;
    return TrptCustomImageExport::Start();
}

void TrptTIFFExport::SaveTiffToStream(TStream& Stream, TBitmap& Bitmap, bool WriteHeader, bool MultiImage) {
    const Int64 base = WriteHeader ? Stream.Position() : std::max<Int64>(0, FStreamBase);
    if (WriteHeader) FStreamBase = base;
    if (!MultiImage) {
        WriteTiffImage(Stream, base, Bitmap, WriteHeader, FResolution);
        return;
    }
    // Page-sized tiles at the export's resolution, row by row.
    const int tw = std::max(1, static_cast<int>(std::trunc(std::clamp(FPaperWidth / 25.4 * FResolution, 0.0, 1e6))) + 1);
    const int th = std::max(1, static_cast<int>(std::trunc(std::clamp(FPaperHeight / 25.4 * FResolution, 0.0, 1e6))) + 1);
    const QImage& src = Bitmap.Image();
    bool header = WriteHeader;
    for (int y = 0; y < Bitmap.Height(); y += th)
        for (int x = 0; x < Bitmap.Width(); x += tw) {
            const int cw = std::min(x + tw, Bitmap.Width()) - x, ch = std::min(y + th, Bitmap.Height()) - y;
            TBitmap tile;
            tile.Canvas().Brush().SetColor(clWhite);
            tile.SetImage(src.copy(x, y, cw, ch));
            if (FMonochrome) tile.SetPixelFormat(pf1bit);
            WriteTiffImage(Stream, base, tile, header, FResolution);
            header = false;
        }
}

void TrptTIFFExport::SaveImage() {
    TrptCustomImageExport::SaveImage();
    if (Stream() && FStreamFailed) return;
    const QString name = Stream() ? QString() : ImageFileName(QStringLiteral(".tif"));
    try {
        if (Stream()) {
            // Every picture of the export goes into the one TIFF file of the stream.
            SaveTiffToStream(*Stream(), *FBitmap, FStreamBase < 0, FMultiImage);
        } else {
            TFileStream f(name, fmCreate);
            if (Files()) Files()->Add(name);
            SaveTiffToStream(f, *FBitmap, true, FMultiImage);
        }
    } catch (const Exception& e) {
        if (Stream()) FStreamFailed = true;
        ReportError(name.isEmpty() ? e.Message() : name + QStringLiteral(": ") + e.Message());
    } catch (const std::bad_alloc&) {
        if (Stream()) FStreamFailed = true;
        ReportError(name + QStringLiteral(": not enough memory"));
    }
}
