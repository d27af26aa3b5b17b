// Picture objects: recognising a picture stream by its bytes, bad and oversized pictures, the
// picture's three sources (template, file, BLOB field) drawn on an image canvas, stretching,
// aspect, centring and transparency at the pixels, metafiles kept as they came, and the
// difference text of prepared pages.

#include "LinePicTest.h"

#include "platform/data/SQLConnection.h"
#include "platform/gfx/StoredMetafile.h"
#include "platform/rtl/StringList.h"
#include "report/core/rptClassBases.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassPicture.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptDBSet.h"
#include "report/core/rptPictureCache.h"
#include "report/core/rptZLib.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>
#include <zlib.h>

using namespace linepic;

namespace {

const QRgb RedPixel = Rgb(255, 0, 0);
const QRgb BluePixel = Rgb(0, 0, 255);
const QRgb GreenPixel = Rgb(0, 160, 0);
const QRgb WhitePixel = Rgb(255, 255, 255);

QString ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Exception& e) {
        return e.ClassName() + QStringLiteral(": ") + e.Message();
    }
    return QStringLiteral("<no exception>");
}

int Load(TrptPictureView& v, const QByteArray& bytes, bool reset = true, Int64 position = 0) {
    TBytesStream s(bytes);
    s.SetPosition(position);
    return v.LoadPictureFromStream(s, reset);
}

// --- Picture files made here --------------------------------------------------------------------

void PutBE32(QByteArray& b, quint32 v) {
    for (int i = 3; i >= 0; --i)
        b += char((v >> (8 * i)) & 0xFF);
}

QByteArray PngChunk(const char* type, const QByteArray& body) {
    QByteArray c;
    PutBE32(c, static_cast<quint32>(body.size()));
    const QByteArray typed = QByteArray(type) + body;
    c += typed;
    PutBE32(c, static_cast<quint32>(crc32(0, reinterpret_cast<const Bytef*>(typed.constData()),
                                          static_cast<uInt>(typed.size()))));
    return c;
}

// A complete, valid one-bit grey PNG of w x h, all black: tiny on disk, huge in memory.
QByteArray HugePng(quint32 w, quint32 h) {
    QByteArray ihdr;
    PutBE32(ihdr, w);
    PutBE32(ihdr, h);
    ihdr += QByteArray("\x01\x00\x00\x00\x00", 5);
    TMemoryStream packed;
    {
        TZCompressionStream z(packed, zcFastest);
        const QByteArray row(1 + static_cast<int>((w + 7) / 8), '\0');
        for (quint32 y = 0; y < h; ++y)
            z.WriteBuffer(row.constData(), row.size());
    }
    return QByteArray("\x89PNG\r\n\x1a\n") + PngChunk("IHDR", ihdr) + PngChunk("IDAT", packed.Bytes()) +
           PngChunk("IEND", {});
}

// A bitmap header declaring w x h at 24 bits, with one row of pixels behind it.
QByteArray HugeBmp(qint32 w, qint32 h) {
    QByteArray b = Bmp(Filled(4, 4, qRgb(1, 2, 3)));
    qToLittleEndian<qint32>(w, b.data() + 18);
    qToLittleEndian<qint32>(h, b.data() + 22);
    return b;
}

// A JPEG whose frame header declares w x h.
QByteArray HugeJpeg(quint16 w, quint16 h) {
    QByteArray j = Jpeg(Filled(16, 8, qRgb(0, 160, 0)));
    for (qsizetype i = 2; i + 9 < j.size(); ++i)
        if (static_cast<quint8>(j[i]) == 0xFF && static_cast<quint8>(j[i + 1]) == 0xC0) {
            qToBigEndian<quint16>(h, j.data() + i + 5);
            qToBigEndian<quint16>(w, j.data() + i + 7);
            break;
        }
    return j;
}

// An enhanced metafile of w x h pixels holding a vector record (a move-to) that cannot be drawn here.
QByteArray VectorEmf(int w, int h) {
    TMetafile mf;
    mf.SetWidth(w);
    mf.SetHeight(h);
    {
        TMetafileCanvas c(mf);
        c.Brush().SetColor(clRed);
        c.FillRect(TRect(0, 0, w, h));
    }
    QByteArray emf = BytesOf(mf).left(108);
    emf += QByteArray("\x1B\x00\x00\x00\x10\x00\x00\x00\x05\x00\x00\x00\x06\x00\x00\x00", 16);
    emf += QByteArray("\x0E\x00\x00\x00\x14\x00\x00\x00\x00\x00\x00\x00\x10\x00\x00\x00\x14\x00\x00\x00", 20);
    return emf;
}

// A placeable Windows metafile of the given bounding box and units per inch, with a line.
QByteArray VectorWmf(qint16 right, qint16 bottom, int inch = 1440) {
    QByteArray p;
    auto put16 = [&p](int v) {
        p += char(v & 0xFF);
        p += char((v >> 8) & 0xFF);
    };
    auto put32 = [&](quint32 v) {
        put16(static_cast<int>(v & 0xFFFF));
        put16(static_cast<int>(v >> 16));
    };
    put32(0x9AC6CDD7);
    put16(0);
    for (int v : {0, 0, int(right), int(bottom)})
        put16(v);
    put16(inch);
    put32(0);
    quint16 sum = 0;
    for (int i = 0; i < 10; ++i)
        sum ^= qFromLittleEndian<quint16>(p.constData() + 2 * i);
    put16(sum);
    // Header: type, header words, version, size in words, objects, largest record, parameters.
    put16(1), put16(9), put16(0x0300), put32(9 + 5 + 3), put16(0), put32(5), put16(0);
    put32(5), put16(0x0213), put16(100), put16(200); // LineTo
    put32(3), put16(0);                              // end
    return p;
}

class TCachePages : public TrptCustomPreviewPages {
public:
    explicit TCachePages(TrptReport* r) : TrptCustomPreviewPages(r) {}
    void AddPicture(TrptPictureView* Picture) override {
        ++Added;
        Cache.AddPicture(Picture);
    }
    TrptPictureCache Cache;
    int Added = 0;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Recognising and reading

TEST(PictureStream, KindsAreRecognisedByTheirFirstBytesInOrder) {
    const QByteArray emfHead = VectorEmf(10, 10).left(108);
    struct TCase {
        const char* What;
        QByteArray Data;
        TrptPictureKind Kind;
    };
    const TCase cases[] = {
        {"bitmap", QByteArray("BM") + QByteArray(12, '\x07'), pkBitmap},
        {"bitmap too short is taken by the icon test", QByteArray("BM") + QByteArray(11, '\0'), pkIcon},
        {"jpeg", QByteArray("\xFF\xD8", 2), pkJPEG},
        {"png", QByteArray("\x89PNG\r\n\x1a\n"), pkPNG},
        {"png signature cut", QByteArray("\x89PNG\r\n\x1a"), pkNone},
        {"placeable metafile", QByteArray("\xD7\xCD\xC6\x9A", 4) + QByteArray(18, '\x09'), pkWMF},
        {"placeable metafile too short", QByteArray("\xD7\xCD\xC6\x9A", 4) + QByteArray(17, '\x09'), pkNone},
        {"enhanced metafile", emfHead, pkEMF},
        // Its second word is 0, so the icon test takes it.
        {"enhanced metafile too short", emfHead.left(107), pkIcon},
        {"icon", QByteArray("\x00\x00\x01\x00\x01\x00", 6), pkIcon},
        {"icon type 0", QByteArray("\x00\x00\x00\x00\x01\x00", 6), pkIcon},
        {"gif", QByteArray("GIF89a\x01\x00\x01\x00", 10), pkGIF},
        {"one byte", QByteArray("\x42", 1), pkNone},
        {"empty", QByteArray(), pkNone},
        {"text", QByteArray("not a picture at all"), pkNone},
    };
    for (const TCase& c : cases)
        EXPECT_EQ(TrptPictureView::PictureKindOf(c.Data), c.Kind) << c.What;
}

TEST(PictureStream, ReadsFromTheStartOrThePositionAndSkipsAGraphicHeader) {
    RegisterReportClasses();
    const QByteArray png = Png(Filled(5, 4, qRgb(0, 0, 255)));
    TrptPictureView v;
    EXPECT_EQ(Load(v, png), 0);
    ASSERT_NE(v.Picture()->Graphic(), nullptr);
    EXPECT_EQ(v.Picture()->Graphic()->ClassName(), QStringLiteral("TPngImage"));
    EXPECT_TRUE(v.PictureChanged());

    // Behind a header of count 1, type 0x0100 and the length of the rest.
    QByteArray headed("\x01\x00\x00\x01", 4);
    qint32 len = 0;
    qToLittleEndian<qint32>(static_cast<qint32>(png.size()), &len);
    headed += QByteArray(reinterpret_cast<const char*>(&len), 4) + png;
    v.Picture()->Clear();
    EXPECT_EQ(Load(v, headed), 0);
    EXPECT_EQ(v.Picture()->Width(), 5);

    // A header whose length does not match is read as picture bytes from the start: no picture.
    QByteArray wrong = headed;
    wrong[4] = char(wrong[4] + 1);
    EXPECT_EQ(Load(v, wrong), TrptPictureView::InvalidArgument);
    EXPECT_EQ(v.Picture()->Graphic(), nullptr);

    // From the position, without rewinding; with ResetStreamPos from the start.
    const QByteArray prefixed = QByteArray("xyz") + png;
    EXPECT_EQ(Load(v, prefixed, false, 3), 0);
    EXPECT_EQ(v.Picture()->Height(), 4);
    EXPECT_EQ(Load(v, prefixed, true, 3), TrptPictureView::InvalidArgument);

    // One byte: the invalid-argument code, and the previous picture is gone.
    EXPECT_EQ(Load(v, png), 0);
    EXPECT_EQ(Load(v, QByteArray("\x42", 1)), TrptPictureView::InvalidArgument);
    EXPECT_EQ(v.Picture()->Graphic(), nullptr);
    EXPECT_EQ(Load(v, QByteArray()), TrptPictureView::InvalidArgument);
}

TEST(PictureStream, KnownKindsThatCannotBeReadRaiseAndLeaveNoPicture) {
    RegisterReportClasses();
    const QByteArray png = Png(Filled(40, 30, qRgb(0, 0, 255)));
    const QByteArray jpeg = Jpeg(Filled(64, 48, qRgb(0, 160, 0)));
    struct TCase {
        const char* What;
        QByteArray Data;
    };
    const TCase cases[] = {
        {"six bytes of an icon", QByteArray("\x00\x00\x01\x00\x01\x00", 6)},
        {"a bitmap header only", Bmp(Filled(4, 4, qRgb(1, 2, 3))).left(20)},
        {"png cut in its header", png.left(20)},
        {"png cut in its data", png.left(png.size() - 20)},
        {"jpeg cut after its header", jpeg.left(jpeg.indexOf("\xFF\xDA") + 4)},
        {"jpeg of two bytes", QByteArray("\xFF\xD8", 2)},
        {"placeable metafile without size", VectorWmf(0, 0)},
    };
    for (const TCase& c : cases) {
        TrptPictureView v;
        ASSERT_EQ(Load(v, png), 0);
        const QString error = ErrorOf([&] { Load(v, c.Data); });
        EXPECT_TRUE(error.startsWith(QStringLiteral("EInvalidGraphic: ")))
            << c.What << ": " << error.toStdString();
        EXPECT_EQ(v.Picture()->Graphic(), nullptr) << c.What;
    }
    // Cut short is said so; bytes after a whole picture do no harm.
    TrptPictureView v;
    EXPECT_EQ(ErrorOf([&] { Load(v, png.left(png.size() - 1)); }),
              QStringLiteral("EInvalidGraphic: The PNG picture is cut short"));
    EXPECT_EQ(ErrorOf([&] { Load(v, jpeg.left(jpeg.size() - 2)); }),
              QStringLiteral("EInvalidGraphic: The JPEG picture is cut short"));
    EXPECT_EQ(Load(v, jpeg + QByteArray("trailing bytes \xFF")), 0);
    EXPECT_EQ(v.Picture()->Width(), 64);
    EXPECT_EQ(Load(v, png + QByteArray(100, '\0')), 0);
    EXPECT_EQ(v.Picture()->Width(), 40);
}

TEST(PictureStream, HugePicturesAreRefusedBeforeTheyAreDecoded) {
    RegisterReportClasses();
    struct TCase {
        const char* What;
        QByteArray Data;
    };
    const TCase cases[] = {
        {"png", HugePng(30000, 30000)},
        {"bitmap", HugeBmp(30000, 30000)},
        {"bitmap stored top-down", HugeBmp(30000, -30000)},
        {"jpeg", HugeJpeg(30000, 30000)},
        {"gif", QByteArray("GIF89a\x30\x75\x30\x75\x00\x00\x00", 13)},
    };
    for (const TCase& c : cases) {
        TrptPictureView v;
        const QString error = ErrorOf([&] { Load(v, c.Data); });
        EXPECT_EQ(error,
                  QStringLiteral("EInvalidGraphic: The picture is 30000 x 30000 pixels; pictures of more "
                                 "than 67108864 pixels are not loaded"))
            << c.What;
        EXPECT_EQ(v.Picture()->Graphic(), nullptr);
    }
    // Just above the limit is refused; a large picture below it is read.
    TrptPictureView v;
    EXPECT_EQ(
        ErrorOf([&] { Load(v, HugePng(8193, 8192)); }),
        QStringLiteral("EInvalidGraphic: The picture is 8193 x 8192 pixels; pictures of more than 67108864 "
                       "pixels are not loaded"));
    EXPECT_EQ(ErrorOf([&] { Load(v, HugePng(3000, 2000)); }), QStringLiteral("<no exception>"));
    EXPECT_EQ(v.Picture()->Width(), 3000);
    EXPECT_EQ(v.Picture()->Height(), 2000);
    // A vector metafile of that size is refused too (it would be drawn at its size).
    EXPECT_EQ(ErrorOf([&] { Load(v, VectorWmf(30000, 30000, 96)); }),
              QStringLiteral("EInvalidGraphic: Metafile: the picture is 30000 x 30000 pixels, larger than a "
                             "picture can be"));
}

// ---------------------------------------------------------------------------------------------
// Drawing

namespace {

struct TProbe {
    int X, Y;
    QRgb Color;
};

// A picture view at (10, 10) of 100 x 100 on a green sheet.
std::unique_ptr<TSheet> DrawPicture(TrptPictureView& v, double scale = 1, int sheet = 140) {
    auto s = std::make_unique<TSheet>(sheet, sheet, GreenPixel);
    v.Draw(s->Canvas.get(), scale, scale, 0, 0);
    return s;
}

} // namespace

TEST(PictureDraw, StretchedKeepingAspectCentredOrAtItsOwnSize) {
    RegisterReportClasses();
    const QByteArray wide = Png(Filled(200, 100, qRgb(255, 0, 0)));
    const QByteArray small = Png(Filled(60, 40, qRgb(0, 0, 255)));
    struct TCase {
        const char* What;
        const QByteArray* Picture;
        bool Stretched, Aspect, Center;
        double Scale;
        std::vector<TProbe> Probes;
    };
    const TCase cases[] = {
        // 200 x 100 in 100 x 100: drawn 100 x 50, 25 above and below when centred.
        {"aspect, centred",
         &wide,
         true,
         true,
         true,
         1,
         {{10, 35, RedPixel},
          {109, 84, RedPixel},
          {60, 34, WhitePixel},
          {60, 85, WhitePixel},
          {5, 5, GreenPixel}}},
        {"aspect",
         &wide,
         true,
         true,
         false,
         1,
         {{10, 10, RedPixel}, {109, 59, RedPixel}, {60, 60, WhitePixel}, {60, 109, WhitePixel}}},
        {"filling the box", &wide, true, false, false, 1, {{10, 10, RedPixel}, {109, 109, RedPixel}}},
        {"centre has no effect without aspect",
         &wide,
         true,
         false,
         true,
         1,
         {{10, 10, RedPixel}, {109, 109, RedPixel}}},
        {"own size",
         &small,
         false,
         true,
         false,
         1,
         {{10, 10, BluePixel}, {69, 49, BluePixel}, {70, 30, WhitePixel}, {30, 50, WhitePixel}}},
        {"own size, centred",
         &small,
         false,
         true,
         true,
         1,
         {{30, 40, BluePixel},
          {89, 79, BluePixel},
          {29, 60, WhitePixel},
          {60, 39, WhitePixel},
          {90, 60, WhitePixel}}},
        {"own size at scale 2",
         &small,
         false,
         false,
         false,
         2,
         {{20, 20, BluePixel}, {139, 99, BluePixel}, {140, 60, WhitePixel}, {60, 100, WhitePixel}}},
        // Larger than the box: clipped to it, and the clipping is undone afterwards.
        {"own size, clipped",
         &wide,
         false,
         true,
         true,
         1,
         {{10, 10, RedPixel}, {109, 109, RedPixel}, {115, 60, GreenPixel}, {5, 60, GreenPixel}}},
    };
    for (const TCase& c : cases) {
        TrptPictureView v;
        v.SetBounds(10, 10, 100, 100);
        ASSERT_EQ(Load(v, *c.Picture), 0);
        v.SetStretched(c.Stretched);
        v.SetKeepAspectRatio(c.Aspect);
        v.SetCenter(c.Center);
        auto sheet = DrawPicture(v, c.Scale, 240);
        EXPECT_FALSE(sheet->Canvas->HasClipRegion()) << c.What;
        for (const TProbe& p : c.Probes)
            EXPECT_EQ(sheet->At(p.X, p.Y), p.Color) << c.What << " at " << p.X << "," << p.Y;
    }
    // A clipping region the canvas had is put back as it was.
    TrptPictureView v;
    v.SetBounds(10, 10, 100, 100);
    Load(v, small);
    v.SetStretched(false);
    TSheet sheet(140, 140, GreenPixel);
    sheet.Canvas->SetClipRect(TRect(0, 0, 50, 140));
    v.Draw(sheet.Canvas.get(), 1, 1, 0, 0);
    ASSERT_TRUE(sheet.Canvas->HasClipRegion());
    EXPECT_EQ(sheet.Canvas->ClipRegion()->boundingRect(), QRect(0, 0, 50, 140));
    EXPECT_EQ(sheet.At(49, 20), BluePixel);
    EXPECT_EQ(sheet.At(60, 20), GreenPixel);
}

TEST(PictureDraw, TransparentColourLetsTheSheetShowThrough) {
    RegisterReportClasses();
    // Red in the middle, white around it.
    QImage img = Filled(20, 20, qRgb(255, 255, 255));
    for (int y = 5; y < 15; ++y)
        for (int x = 5; x < 15; ++x)
            img.setPixel(x, y, qRgb(255, 0, 0));
    struct TCase {
        const char* What;
        QByteArray Data;
    };
    const TCase kinds[] = {{"bitmap", Bmp(img)}, {"png", Png(img)}};
    for (const TCase& k : kinds)
        for (bool quality : {false, true}) {
            SCOPED_TRACE(std::string(k.What) + (quality ? " smooth" : ""));
            TrptPictureView v;
            v.SetBounds(10, 10, 20, 20);
            v.SetHightQuality(quality);
            ASSERT_EQ(Load(v, k.Data), 0);

            auto opaque = DrawPicture(v);
            EXPECT_EQ(opaque->At(12, 12), WhitePixel);
            EXPECT_EQ(opaque->At(20, 20), RedPixel);

            v.SetTransparent(true);
            EXPECT_EQ(v.Color(), clNone);
            auto clear = DrawPicture(v);
            EXPECT_EQ(clear->At(12, 12), GreenPixel);
            EXPECT_EQ(clear->At(29, 29), GreenPixel);
            EXPECT_EQ(clear->At(20, 20), RedPixel);

            v.SetTransparentColor(0x0000FF); // red
            auto redClear = DrawPicture(v);
            EXPECT_EQ(redClear->At(12, 12), WhitePixel);
            EXPECT_EQ(redClear->At(20, 20), GreenPixel);

            v.SetTransparent(false);
            EXPECT_EQ(v.Color(), clWhite);
        }
}

TEST(PictureView, DefaultsAutoSizeAndDescription) {
    RegisterReportClasses();
    TrptPictureView v;
    EXPECT_FALSE(v.rptComponentStyle().Contains(csDefaultDiff));
    EXPECT_TRUE(v.KeepAspectRatio());
    EXPECT_TRUE(v.Stretched());
    EXPECT_TRUE(v.IsPictureStored());
    EXPECT_FALSE(v.IsImageIndexStored());
    EXPECT_EQ(v.Color(), clWhite);
    EXPECT_EQ(v.TransparentColor(), clWhite);
    EXPECT_EQ(v.GetDescription(), QStringLiteral("Picture object"));
    EXPECT_EQ(GetClass(QStringLiteral("TrptPictureView")), TrptPictureView::StaticClassInfo());

    // AutoSize takes the picture's size, now and with every new picture, even where the designer
    // forbids resizing.
    v.SetBounds(0, 0, 10, 10);
    v.SetIsDesigning(true);
    v.SetRestrictions(TrptRestrictions{rfDontSize});
    v.SetAutoSize(true);
    EXPECT_EQ(v.Width(), 10) << "no picture yet";
    Load(v, Png(Filled(37, 23, qRgb(1, 2, 3))));
    EXPECT_EQ(v.Width(), 37);
    EXPECT_EQ(v.Height(), 23);
    EXPECT_EQ(v.Restrictions(), TrptRestrictions{rfDontSize});
    v.SetAutoSize(false);
    Load(v, Png(Filled(5, 6, qRgb(1, 2, 3))));
    EXPECT_EQ(v.Width(), 37);

    // An empty picture shows the picture object's button image in the designer only.
    auto marks = [](bool designing) {
        TrptPictureView empty;
        empty.SetIsDesigning(designing);
        empty.SetBounds(10, 10, 50, 50);
        auto sheet = DrawPicture(empty);
        EXPECT_EQ(sheet->At(50, 50), WhitePixel);
        EXPECT_EQ(sheet->At(5, 5), GreenPixel);
        int n = 0;
        for (int y = 12; y < 30; ++y)
            for (int x = 11; x < 29; ++x)
                n += sheet->At(x, y) != WhitePixel;
        return n;
    };
    EXPECT_EQ(marks(false), 0);
    EXPECT_GT(marks(true), 20);
}

// ---------------------------------------------------------------------------------------------
// The three sources

namespace {

// A report whose script is prepared, so that Calc answers the expressions of FileLink.
struct PictureSources : ::testing::Test {
    std::unique_ptr<TrptReport> Report;
    QTemporaryDir Dir;
    void SetUp() override {
        RegisterReportClasses();
        ASSERT_TRUE(Dir.isValid());
        Report = std::make_unique<TrptReport>();
        Report->EngineOptions()->SetNewSilentMode(simSilent);
        TStringList lines;
        lines.SetText(QStringLiteral("begin\nend."));
        Report->SetScriptText(&lines);
        ASSERT_TRUE(Report->PrepareScript()) << Report->Errors()->Text().toStdString();
    }
    QString Write(const QString& name, const QByteArray& bytes) {
        const QString path = Dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return path;
    }
};

QByteArray SaveReport(TrptReport& r) {
    TMemoryStream ms;
    r.SaveToStream(ms);
    return ms.Bytes();
}

} // namespace

TEST_F(PictureSources, PictureHeldInTheTemplate) {
    auto* v = new TrptPictureView(Report.get());
    v->SetName(QStringLiteral("Picture1"));
    v->SetBounds(10, 10, 40, 40);
    Load(*v, Png(Framed(20, 20, qRgb(255, 0, 0), qRgb(0, 0, 255))));
    v->SetTransparent(true);
    v->SetTransparentColor(0xFF0000); // blue
    const QByteArray saved = SaveReport(*Report);
    EXPECT_TRUE(saved.contains("Picture.PropData=\"")) << saved.toStdString();
    EXPECT_FALSE(saved.contains("ImageIndex"));

    TrptReport loaded;
    loaded.EngineOptions()->SetNewSilentMode(simSilent);
    TBytesStream in(saved);
    loaded.LoadFromStream(in);
    EXPECT_EQ(loaded.Errors()->Count(), 0) << loaded.Errors()->Text().toStdString();
    auto* back = dynamic_cast<TrptPictureView*>(loaded.FindObject(QStringLiteral("Picture1")));
    ASSERT_NE(back, nullptr);
    ASSERT_NE(back->Picture()->Graphic(), nullptr);
    EXPECT_EQ(back->Picture()->Graphic()->ClassName(), QStringLiteral("TPngImage"));
    EXPECT_TRUE(back->Transparent());
    auto sheet = DrawPicture(*back);
    EXPECT_EQ(sheet->At(30, 30), RedPixel);
    EXPECT_EQ(sheet->At(10, 30), GreenPixel) << "the blue frame is transparent";
    EXPECT_EQ(sheet->At(49, 49), GreenPixel);

    // Copies that refer to the picture cache store the index instead of the picture.
    v->SetIsPictureStored(false);
    v->SetIsImageIndexStored(true);
    v->SetImageIndex(3);
    const QByteArray copy = SaveReport(*Report);
    EXPECT_FALSE(copy.contains("Picture.PropData"));
    EXPECT_TRUE(copy.contains("ImageIndex=\"3\""));
}

TEST_F(PictureSources, PictureFromTheFileNamedByFileLink) {
    const QString red = Write(QStringLiteral("red.png"), Png(Filled(10, 10, qRgb(255, 0, 0))));
    Write(QStringLiteral("blue.bmp"), Bmp(Filled(10, 10, qRgb(0, 0, 255))));
    Write(QStringLiteral("named-wrongly.png"), Jpeg(Filled(16, 16, qRgb(0, 160, 0))));
    Write(QStringLiteral("no-extension"), Png(Filled(10, 10, qRgb(0, 0, 255))));
    Write(QStringLiteral("broken.png"), QByteArray("\x89PNG\r\n\x1a\nthen nothing"));
    Write(QStringLiteral("words.txt"), QByteArray("no picture here"));

    auto* v = new TrptPictureView(Report.get());
    v->SetName(QStringLiteral("Photo"));
    v->SetBounds(10, 10, 20, 20);
    auto show = [&](const QString& link) {
        v->SetFileLink(link);
        v->BeforePrint();
        v->GetData();
        v->AfterPrint();
    };
    show(red);
    EXPECT_EQ(DrawPicture(*v)->At(20, 20), RedPixel);
    EXPECT_TRUE(v->PictureChanged());

    // An expression in the name, worked out for every output; the link itself stays.
    const QString pattern = Dir.path() + QStringLiteral("/[ 'bl' + 'ue' ].bmp");
    show(pattern);
    EXPECT_EQ(v->FileLink(), pattern);
    EXPECT_EQ(DrawPicture(*v)->At(20, 20), BluePixel);

    show(Dir.filePath(QStringLiteral("named-wrongly.png")));
    EXPECT_TRUE(Near(DrawPicture(*v)->At(20, 20), GreenPixel, 8));
    show(Dir.filePath(QStringLiteral("no-extension")));
    EXPECT_EQ(DrawPicture(*v)->At(20, 20), BluePixel);

    // A file that is not there clears the picture.
    show(Dir.filePath(QStringLiteral("gone.png")));
    EXPECT_EQ(v->Picture()->Graphic(), nullptr);
    show(Dir.path());
    EXPECT_EQ(v->Picture()->Graphic(), nullptr) << "a folder is no file";

    // A file that cannot be read: an error naming the object and the file, no picture.
    show(red);
    const QString broken = ErrorOf([&] { show(Dir.filePath(QStringLiteral("broken.png"))); });
    EXPECT_TRUE(broken.startsWith(QStringLiteral("EInvalidGraphic: Photo: ") + Dir.filePath("broken.png")))
        << broken.toStdString();
    EXPECT_EQ(v->Picture()->Graphic(), nullptr);
    const QString words = ErrorOf([&] { show(Dir.filePath(QStringLiteral("words.txt"))); });
    EXPECT_EQ(words, QStringLiteral("EInvalidGraphic: Photo: ") + Dir.filePath("words.txt") +
                         QStringLiteral(": Unsupported picture data"));
}

TEST_F(PictureSources, PictureFromABlobFieldRowByRow) {
    const QByteArray png = Png(Filled(10, 10, qRgb(255, 0, 0)));
    const QByteArray bmp = Bmp(Filled(10, 10, qRgb(0, 0, 255)));
    const QByteArray jpeg = Jpeg(Filled(16, 16, qRgb(0, 160, 0)));
    TSQLConnection conn;
    conn.Params().Add(QStringLiteral("Database=:memory:"));
    conn.SetParamValue(QStringLiteral("FailIfMissing"), QStringLiteral("False"));
    auto hex = [](const QByteArray& b) {
        return QStringLiteral("x'%1'").arg(QString::fromLatin1(b.toHex()));
    };
    conn.ExecuteDirect(QStringLiteral("CREATE TABLE pics (id INTEGER PRIMARY KEY, pic BLOB, note TEXT);"
                                      "INSERT INTO pics VALUES (1, %1, 'a');"
                                      "INSERT INTO pics VALUES (2, %2, 'b');"
                                      "INSERT INTO pics VALUES (3, NULL, 'c');"
                                      "INSERT INTO pics VALUES (4, CAST('not a picture' AS BLOB), 'd');"
                                      "INSERT INTO pics VALUES (5, %3, 'e');"
                                      "INSERT INTO pics VALUES (6, %4, 'f');")
                           .arg(hex(png), hex(bmp), hex(png.left(png.size() - 30)), hex(jpeg)));
    TSQLQuery query(&conn);
    query.SetSQL(QStringLiteral("SELECT id, pic, note FROM pics ORDER BY id"));
    TComponent window(nullptr);
    auto* ds = new TrptDBDataset(&window);
    ds->SetName(QStringLiteral("rptDBDataset1"));
    ds->SetUserName(QStringLiteral("Pics"));
    ds->SetDataSet(&query);
    Report->DataSets()->Add(ds);

    auto* v = new TrptPictureView(Report.get());
    v->SetName(QStringLiteral("Photo"));
    v->SetBounds(10, 10, 20, 20);
    v->SetDataSet(ds);
    v->SetDataField(QStringLiteral("pic"));
    EXPECT_EQ(v->DataSetName(), QStringLiteral("Pics"));

    QStringList seen;
    Report->DataSets()->Initialize();
    ds->First();
    for (int guard = 0; !ds->Eof() && guard < 10; ++guard) {
        v->BeforePrint();
        QString error = ErrorOf([&] { v->GetData(); });
        v->AfterPrint();
        const QRgb at = DrawPicture(*v)->At(20, 20);
        if (error != QStringLiteral("<no exception>"))
            seen << error;
        else if (!v->Picture()->Graphic())
            seen << QStringLiteral("empty");
        else
            seen << v->Picture()->Graphic()->ClassName() + (at == RedPixel    ? QStringLiteral(" red")
                                                            : at == BluePixel ? QStringLiteral(" blue")
                                                            : Near(at, GreenPixel, 8)
                                                                ? QStringLiteral(" green")
                                                                : QStringLiteral(" other"));
        ds->Next();
    }
    Report->DataSets()->Finalize();
    ASSERT_EQ(seen.size(), 6);
    EXPECT_EQ(seen[0], QStringLiteral("TPngImage red"));
    EXPECT_EQ(seen[1], QStringLiteral("TBitmap blue"));
    EXPECT_EQ(seen[2], QStringLiteral("empty")) << "a NULL field leaves no picture of the row before";
    EXPECT_EQ(seen[3], QStringLiteral("empty")) << "bytes that are no picture";
    EXPECT_TRUE(
        seen[4].startsWith(QStringLiteral("EInvalidGraphic: Photo: the picture of field \"pic\" cannot be "
                                          "read: ")))
        << seen[4].toStdString();
    EXPECT_EQ(seen[5], QStringLiteral("TJPEGImage green"));

    // A bound field that is not a BLOB leaves the picture alone.
    Load(*v, png);
    v->SetDataField(QStringLiteral("note"));
    Report->DataSets()->Initialize();
    ds->First();
    v->GetData();
    Report->DataSets()->Finalize();
    EXPECT_EQ(v->Picture()->Graphic()->ClassName(), QStringLiteral("TPngImage"));
}

// ---------------------------------------------------------------------------------------------
// Metafiles

TEST(PictureMetafiles, VectorMetafilesKeepTheirBytesAndShowAPlaceholderOfTheirSize) {
    RegisterReportClasses();
    struct TCase {
        const char* What;
        QByteArray Data;
        int W, H;
        bool Enhanced;
    };
    const TCase cases[] = {
        {"enhanced", VectorEmf(40, 20), 40, 20, true},
        {"placeable", VectorWmf(1440, 720), 96, 48, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        TrptPictureView v;
        v.SetBounds(10, 10, 80, 40);
        ASSERT_EQ(Load(v, c.Data), 0);
        auto* mf = dynamic_cast<TStoredMetafile*>(v.Picture()->Graphic());
        ASSERT_NE(mf, nullptr);
        EXPECT_EQ(mf->ClassName(), QStringLiteral("TMetafile"));
        EXPECT_FALSE(mf->Readable());
        EXPECT_EQ(mf->Enhanced(), c.Enhanced);
        EXPECT_EQ(mf->Width(), c.W);
        EXPECT_EQ(mf->Height(), c.H);
        EXPECT_EQ(BytesOf(*mf), c.Data) << "saved as it came";

        // The placeholder fills the picture's place in light grey with its diagonals in grey.
        v.SetKeepAspectRatio(false);
        auto sheet = DrawPicture(v);
        EXPECT_EQ(sheet->At(50, 15), Rgb(224, 224, 224));
        EXPECT_TRUE(Near(sheet->At(50, 30), Rgb(128, 128, 128), 40)) << "where the diagonals cross";
        EXPECT_EQ(sheet->At(85, 30), Rgb(224, 224, 224));
        EXPECT_EQ(sheet->At(5, 5), GreenPixel);

        // Through a template and a copy the bytes stay the same.
        TrptReport report;
        report.EngineOptions()->SetNewSilentMode(simSilent);
        auto* held = new TrptPictureView(&report);
        held->SetName(QStringLiteral("Picture1"));
        held->SetPicture(v.Picture());
        const QByteArray saved = SaveReport(report);
        TrptReport loaded;
        loaded.EngineOptions()->SetNewSilentMode(simSilent);
        TBytesStream in(saved);
        loaded.LoadFromStream(in);
        auto* back = dynamic_cast<TrptPictureView*>(loaded.FindObject(QStringLiteral("Picture1")));
        ASSERT_NE(back, nullptr);
        ASSERT_NE(back->Picture()->Graphic(), nullptr);
        EXPECT_EQ(BytesOf(*back->Picture()->Graphic()), c.Data);
        // Saved again, the picture's attribute is the same text.
        auto pictureData = [](const QByteArray& text) {
            const qsizetype at = text.indexOf("Picture.PropData=\"");
            return at < 0 ? QByteArray() : text.mid(at, text.indexOf('"', at + 18) - at);
        };
        EXPECT_FALSE(pictureData(saved).isEmpty());
        EXPECT_EQ(pictureData(SaveReport(loaded)), pictureData(saved));
    }

    // A metafile this platform can draw is drawn, and its bytes are kept as well.
    TMetafile drawn;
    drawn.SetWidth(30);
    drawn.SetHeight(30);
    {
        TMetafileCanvas c(drawn);
        c.Brush().SetColor(clBlue);
        c.FillRect(TRect(0, 0, 30, 30));
    }
    const QByteArray emf = BytesOf(drawn);
    TrptPictureView v;
    v.SetBounds(10, 10, 30, 30);
    ASSERT_EQ(Load(v, emf), 0);
    auto* mf = dynamic_cast<TStoredMetafile*>(v.Picture()->Graphic());
    ASSERT_NE(mf, nullptr);
    EXPECT_TRUE(mf->Readable());
    EXPECT_EQ(DrawPicture(v)->At(25, 25), BluePixel);
    EXPECT_EQ(BytesOf(*mf), emf);
    // Drawn on, it is a new picture and saves as one.
    {
        TMetafileCanvas c(*mf);
        c.Brush().SetColor(clRed);
        c.FillRect(TRect(0, 0, 5, 5));
    }
    EXPECT_EQ(mf->Data(), QByteArray());
    EXPECT_NE(BytesOf(*mf), emf);
}

// ---------------------------------------------------------------------------------------------
// Prepared pages

TEST(PictureDiff, AChangedPictureGoesToTheCacheOnceAndTheIndexIsWritten) {
    RegisterReportClasses();
    TrptReport report;
    auto pagesOwned = std::make_unique<TCachePages>(&report);
    TCachePages* pages = pagesOwned.get();
    TrptPictureView source;
    auto* v = new TrptPictureView(&report);
    Load(*v, Png(Filled(4, 4, qRgb(1, 2, 3))));

    // Without prepared pages the picture waits.
    EXPECT_EQ(v->Diff(&source), QStringLiteral("  ImageIndex=\"0\""));
    EXPECT_TRUE(v->PictureChanged());

    report.SetPreviewPages(std::move(pagesOwned));
    EXPECT_EQ(v->Diff(&source), QStringLiteral("  ImageIndex=\"1\""));
    EXPECT_FALSE(v->PictureChanged());
    EXPECT_EQ(v->Diff(&source), QStringLiteral("  ImageIndex=\"1\""));
    EXPECT_EQ(pages->Added, 1) << "an unchanged picture is cached once";

    Load(*v, Png(Filled(4, 4, qRgb(4, 5, 6))));
    v->SetTransparent(true);
    v->SetTransparentColor(0x0000FF);
    EXPECT_EQ(v->Diff(&source), QStringLiteral("  Color=\"536870911\" ImageIndex=\"2\" Transparent=\"1\" "
                                               "TransparentColor=\"255\""));
    EXPECT_EQ(pages->Added, 2);
    EXPECT_EQ(pages->Cache.Count(), 2);

    // No picture: index 0, nothing stored.
    v->Picture()->Clear();
    EXPECT_TRUE(v->Diff(&source).endsWith(
        QStringLiteral(" ImageIndex=\"0\" Transparent=\"1\" TransparentColor=\"255\"")));
    EXPECT_EQ(pages->Cache.Count(), 2);
}
