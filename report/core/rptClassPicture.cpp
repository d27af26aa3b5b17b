#include "report/core/rptClassPicture.h"

#include "platform/gfx/Canvas.h"
#include "platform/gfx/Picture.h"
#include "platform/gfx/StoredMetafile.h"
#include "platform/rtti/Classes.h"
#include "platform/ui/ImgList.h"
#include "report/core/rptClassBases.h"
#include "report/core/rptClassLine.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptDataSets.h"
#include "report/core/rptHTMLTags.h"
#include "report/core/rptRes.h"
#include "report/core/rptUtils.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QtEndian>

#include <cstdlib>
#include <mutex>
#include <optional>

namespace {

quint16 LE16(const QByteArray& d, qsizetype at) {
    return qFromLittleEndian<quint16>(reinterpret_cast<const uchar*>(d.constData()) + at);
}

quint32 LE32(const QByteArray& d, qsizetype at) {
    return qFromLittleEndian<quint32>(reinterpret_cast<const uchar*>(d.constData()) + at);
}

quint16 BE16(const QByteArray& d, qsizetype at) {
    return qFromBigEndian<quint16>(reinterpret_cast<const uchar*>(d.constData()) + at);
}

quint32 BE32(const QByteArray& d, qsizetype at) {
    return qFromBigEndian<quint32>(reinterpret_cast<const uchar*>(d.constData()) + at);
}

// The pixel size a raster picture's header declares; false when the header does not tell.
bool DeclaredSize(TrptPictureKind kind, const QByteArray& d, quint64& w, quint64& h) {
    const qsizetype n = d.size();
    switch (kind) {
    case pkBitmap:
        if (n >= 22 && LE32(d, 14) == 12) {
            w = LE16(d, 18);
            h = LE16(d, 20);
            return true;
        }
        if (n < 26) return false;
        w = static_cast<quint64>(std::llabs(static_cast<qint32>(LE32(d, 18))));
        h = static_cast<quint64>(std::llabs(static_cast<qint32>(LE32(d, 22))));
        return true;
    case pkPNG:
        if (n < 24 || d.mid(12, 4) != "IHDR") return false;
        w = BE32(d, 16);
        h = BE32(d, 20);
        return true;
    case pkGIF:
        if (n < 10) return false;
        w = LE16(d, 6);
        h = LE16(d, 8);
        return true;
    case pkJPEG: {
        // The first frame header among the markers.
        qsizetype i = 2;
        while (i + 4 <= n) {
            if (static_cast<quint8>(d[i]) != 0xFF) {
                ++i;
                continue;
            }
            const quint8 m = static_cast<quint8>(d[i + 1]);
            if (m == 0xFF) {
                ++i;
                continue;
            }
            if (m == 0x01 || (m >= 0xD0 && m <= 0xD9)) {
                i += 2;
                continue;
            }
            if (m >= 0xC0 && m <= 0xCF && m != 0xC4 && m != 0xC8 && m != 0xCC) {
                if (i + 9 > n) return false;
                h = BE16(d, i + 5);
                w = BE16(d, i + 7);
                return true;
            }
            if (m == 0xDA) return false;
            i += 2 + BE16(d, i + 2);
        }
        return false;
    }
    default:
        return false;
    }
}

// Whether a PNG or JPEG picture ends as it should. Decoders are lenient with a file cut short
// (a JPEG decoder fills in grey), so a truncated picture would pass for a whole one.
bool Complete(TrptPictureKind kind, const QByteArray& d) {
    if (kind == pkPNG) {
        const qsizetype end = d.indexOf("IEND", 8);
        return end >= 0 && end + 8 <= d.size();
    }
    if (kind != pkJPEG) return true;
    // Past the segments in front of the first scan, the end-of-image marker must follow: inside
    // the scan data every FF byte is escaped, so the marker cannot occur there by chance.
    const qsizetype n = d.size();
    qsizetype i = 2;
    while (i + 4 <= n) {
        if (static_cast<quint8>(d[i]) != 0xFF) return false;
        const quint8 m = static_cast<quint8>(d[i + 1]);
        if (m == 0xFF) {
            ++i;
            continue;
        }
        if (m == 0x01 || (m >= 0xD0 && m <= 0xD7)) {
            i += 2;
            continue;
        }
        if (m == 0xDA) return d.indexOf("\xFF\xD9", i + 2) >= 0;
        if (m == 0xD9) return false;
        i += 2 + BE16(d, i + 2);
    }
    return false;
}

} // namespace

// =============================================================================================
// TrptPictureView

KORVEL_CLASS_INFO(TrptPictureView) {
    using C = TrptPictureView;
    b.Prop("Cursor", &C::Cursor, &C::SetCursor).Default(0);
    b.Prop("AutoSize", &C::AutoSize, &C::SetAutoSize).Default(false);
    b.Prop("Center", &C::Center, &C::SetCenter).Default(false);
    b.Prop("DataField", &C::DataField, &C::SetDataField);
    b.Prop("DataSet", &C::DataSet, &C::SetDataSet);
    b.Prop("DataSetName", &C::DataSetName, &C::SetDataSetName);
    b.Prop("Frame", &C::Frame, &C::SetFrame);
    b.Prop("FileLink", &C::FileLink, &C::SetFileLink);
    b.Prop("ImageIndex", &C::ImageIndex, &C::SetImageIndex).Stored(&C::IsImageIndexStored);
    b.Prop("KeepAspectRatio", &C::KeepAspectRatio, &C::SetKeepAspectRatio).Default(true);
    b.Prop("Picture", &C::Picture, &C::SetPicture).Stored(&C::IsPictureStored);
    b.Prop("Stretched", &C::Stretched, &C::SetStretched).Default(true);
    b.Prop("TagStr", &C::TagStr, &C::SetTagStr);
    b.Prop("URL", &C::URL, &C::SetURL);
    b.Prop("HightQuality", &C::HightQuality, &C::SetHightQuality);
    b.Prop("Transparent", &C::Transparent, &C::SetTransparent);
    b.Prop("TransparentColor", &C::TransparentColor, &C::SetTransparentColor).Type("TColor");
}

TrptPictureView::TrptPictureView(TComponent* AOwner)
    : TrptView(AOwner), FPicture(std::make_unique<TPicture>()) {
    TrptComponentStyle style = rptComponentStyle();
    style -= csDefaultDiff;
    SetrptComponentStyle(style);
    FPicture->OnChange = [this](TObject*) { PictureModified(); };
    SetColor(clWhite);
}

TrptPictureView::~TrptPictureView() {
    FPicture->OnChange = nullptr;
}

QString TrptPictureView::GetDescription() const {
    return GlobalResources()->Get(QStringLiteral("obPicture"));
}

void TrptPictureView::SetPicture(const TPicture* Value) {
    if (Value)
        FPicture->Assign(*Value);
    else
        FPicture->Clear();
}

void TrptPictureView::SetAutoSize(bool Value) {
    FAutoSize = Value;
    ApplyAutoSize();
}

void TrptPictureView::ApplyAutoSize() {
    if (!FAutoSize || !FPicture->Graphic()) return;
    // The size is the picture's even where the designer forbids resizing the object.
    const TrptRestrictions saved = Restrictions();
    TrptRestrictions open = saved;
    open -= rfDontSize;
    SetRestrictions(open);
    SetWidth(FPicture->Width());
    SetHeight(FPicture->Height());
    SetRestrictions(saved);
}

void TrptPictureView::SetTransparent(bool Value) {
    FTransparent = Value;
    SetColor(Value ? clNone : clWhite);
}

void TrptPictureView::PictureModified() {
    ApplyAutoSize();
    FPictureChanged = true;
}

// --- Reading pictures ------------------------------------------------------------------------------

TrptPictureKind TrptPictureView::PictureKindOf(const QByteArray& d) {
    const qsizetype n = d.size();
    auto u = [&d](qsizetype i) { return static_cast<quint8>(d[i]); };
    if (n >= 14 && d.startsWith("BM")) return pkBitmap;
    if (n >= 2 && u(0) == 0xFF && u(1) == 0xD8) return pkJPEG;
    if (n >= 8 && d.startsWith("\x89PNG\r\n\x1a\n")) return pkPNG;
    if (n >= 22 && LE32(d, 0) == 0x9AC6CDD7) return pkWMF;
    if (n >= 108 && LE32(d, 40) == 0x464D4520) return pkEMF;
    if (n >= 6 && LE16(d, 2) < 2) return pkIcon;
    // Not among the kinds the templates knew, but a picture all the same.
    if (n >= 6 && (d.startsWith("GIF87a") || d.startsWith("GIF89a"))) return pkGIF;
    return pkNone;
}

std::unique_ptr<TGraphic> TrptPictureView::DecodePicture(TrptPictureKind Kind, const QByteArray& Data) {
    quint64 w = 0, h = 0;
    if (DeclaredSize(Kind, Data, w, h) && (w * h > static_cast<quint64>(MaxPicturePixels)))
        throw EInvalidGraphic(
            QStringLiteral("The picture is %1 x %2 pixels; pictures of more than %3 pixels are "
                           "not loaded")
                .arg(w)
                .arg(h)
                .arg(QLocale::c().toString(MaxPicturePixels)));
    if (!Complete(Kind, Data))
        throw EInvalidGraphic(QStringLiteral("The %1 picture is cut short")
                                  .arg(Kind == pkPNG ? QStringLiteral("PNG") : QStringLiteral("JPEG")));
    std::unique_ptr<TGraphic> g;
    switch (Kind) {
    case pkBitmap:
        g = std::make_unique<TBitmap>();
        break;
    case pkJPEG:
        g = std::make_unique<TJPEGImage>();
        break;
    case pkPNG:
        g = std::make_unique<TPngImage>();
        break;
    case pkWMF:
    case pkEMF:
        g = std::make_unique<TStoredMetafile>();
        break;
    case pkIcon:
        g = std::make_unique<TIcon>();
        break;
    case pkGIF:
        g = std::make_unique<TGIFImage>();
        break;
    case pkNone:
        throw EInvalidGraphic(QStringLiteral("Unsupported picture data"));
    }
    QBuffer buffer;
    buffer.setData(Data);
    buffer.open(QIODevice::ReadOnly);
    g->LoadFromStream(buffer);
    return g;
}

void TrptPictureView::LoadBytes(const QByteArray& Data, TrptPictureKind Kind) {
    try {
        FPicture->SetGraphic(DecodePicture(Kind, Data));
    } catch (...) {
        // Never the previous picture in place of one that could not be read.
        FPicture->Clear();
        throw;
    }
}

int TrptPictureView::LoadPictureFromStream(TStream& s, bool ResetStreamPos) {
    const Int64 start = ResetStreamPos ? 0 : s.Position();
    s.SetPosition(start);
    const Int64 size = s.Size();
    Int64 p = start;
    if (size - start >= 8) {
        // The class library's graphic stream header: count 1, type 0x0100, the length of the rest.
        const QByteArray h = s.ReadBytes(8);
        if (h.size() == 8 && LE16(h, 0) == 1 && LE16(h, 2) == 0x0100 && Int64(LE32(h, 4)) == size - start - 8)
            p = start + 8;
        s.SetPosition(p);
    }
    const QByteArray data = size > p ? s.ReadBytes(size - p) : QByteArray();
    const TrptPictureKind kind = PictureKindOf(data);
    if (kind == pkNone) {
        FPicture->Clear();
        return InvalidArgument;
    }
    LoadBytes(data, kind);
    return 0;
}

void TrptPictureView::LoadFromFile(const QString& FileName) {
    QFile f(FileName);
    if (!f.open(QIODevice::ReadOnly)) {
        FPicture->Clear();
        throw EInvalidGraphic(QStringLiteral("Cannot open file \"%1\". %2").arg(FileName, f.errorString()));
    }
    const QByteArray data = f.readAll();
    f.close();
    try {
        const TrptPictureKind kind = PictureKindOf(data);
        if (kind != pkNone) {
            LoadBytes(data, kind);
            return;
        }
        // Bytes of no kind known here: a picture kind registered for the extension may read them.
        std::unique_ptr<TGraphic> g = CreateGraphicForExtension(QFileInfo(FileName).suffix());
        if (!g) throw EInvalidGraphic(QStringLiteral("Unsupported picture data"));
        QBuffer buffer;
        buffer.setData(data);
        buffer.open(QIODevice::ReadOnly);
        g->LoadFromStream(buffer);
        FPicture->SetGraphic(std::move(g));
    } catch (const Exception& e) {
        FPicture->Clear();
        throw EInvalidGraphic(QStringLiteral("%1: %2").arg(FileName, e.Message()));
    }
}

void TrptPictureView::GetData() {
    TrptView::GetData();
    if (!FFileLink.isEmpty()) {
        // Expanded into a copy, so the next output expands the expressions again.
        QString fileName = FFileLink;
        if (fileName.contains(QLatin1Char('['))) ReplaceBracketExpressions(fileName);
        if (!QFileInfo(fileName).isFile()) {
            FPicture->Clear();
            return;
        }
        try {
            LoadFromFile(fileName);
        } catch (const Exception& e) {
            throw EInvalidGraphic(QStringLiteral("%1: %2").arg(Name(), e.Message()));
        }
        return;
    }
    if (!IsDataField() || !DataSet()->IsBlobField(DataField())) return;
    TMemoryStream blob;
    DataSet()->AssignBlobTo(DataField(), &blob);
    try {
        LoadPictureFromStream(blob, true);
    } catch (const Exception& e) {
        throw EInvalidGraphic(QStringLiteral("%1: the picture of field \"%2\" cannot be read: %3")
                                  .arg(Name(), DataField(), e.Message()));
    }
}

// --- Drawing -------------------------------------------------------------------------------------

void TrptPictureView::Draw(TCanvas* Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) {
    BeginDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    if (!FCanvas) return;
    DrawBackground();
    TGraphic* graphic = FPicture->Graphic();
    if (graphic && !graphic->Empty()) {
        const int pw = FPicture->Width();
        const int ph = FPicture->Height();
        TRect r(FX, FY, FX1, FY1);
        std::optional<QRegion> savedClip;
        if (FStretched) {
            if (FKeepAspectRatio) {
                const double kx = static_cast<double>(FDX) / pw;
                const double ky = static_cast<double>(FDY) / ph;
                if (ky > kx)
                    r.Bottom = r.Top + rptRound(ph * kx);
                else
                    r.Right = r.Left + rptRound(pw * ky);
                if (FCenter) {
                    const int dx = (FDX + r.Left - r.Right) / 2;
                    const int dy = (FDY + r.Top - r.Bottom) / 2;
                    r = TRect(r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy);
                }
            }
        } else {
            savedClip = FCanvas->ClipRegion();
            FCanvas->IntersectClipRect(r);
            const int w = rptRound(FScaleX * pw);
            const int h = rptRound(FScaleY * ph);
            if (FCenter) {
                const int dx = (FDX - w) / 2;
                const int dy = (FDY - h) / 2;
                r = TRect(r.Left + dx, r.Top + dy, r.Right + dx, r.Bottom + dy);
            }
            r.Right = r.Left + w;
            r.Bottom = r.Top + h;
        }
        DrawPictureGraphic(*FCanvas, r, graphic, IsPrinting(), FHightQuality, FTransparent,
                           FTransparentColor);
        if (!FStretched) FCanvas->SetClipRegion(savedClip);
    } else if (IsDesigning()) {
        if (TCustomImageList* images = GlobalResources()->ObjectImages(); images && images->Count() > 3)
            images->Draw(*FCanvas, FX + 1, FY + 2, 3);
    }
    DrawFrame();
}

// --- Prepared pages --------------------------------------------------------------------------------

QString TrptPictureView::Diff(TrptComponent* AComponent) {
    if (FPictureChanged) {
        // Without prepared pages the picture waits for the next difference that has them.
        if (TrptReport* report = Report())
            if (TrptCustomPreviewPages* pages = report->PreviewPages()) {
                pages->AddPicture(this);
                FPictureChanged = false;
            }
    }
    QString r = QStringLiteral(" ") + TrptView::Diff(AComponent);
    AddDiffEntry(r, QStringLiteral("ImageIndex"), QString::number(FImageIndex));
    if (FTransparent) AddDiffEntry(r, QStringLiteral("Transparent"), QStringLiteral("1"));
    if (FTransparentColor != clWhite)
        AddDiffEntry(r, QStringLiteral("TransparentColor"), QString::number(FTransparentColor));
    return r;
}

// =============================================================================================

void RegisterPictureClasses() {
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterViewClasses();
        RegisterClasses({TrptPictureView::StaticClassInfo()});
    });
}

void RegisterLinePictureClasses() {
    RegisterLineClasses();
    RegisterPictureClasses();
}
