// Picture objects in the picture cache of prepared pages: three pictures stored from objects,
// saved as the cache's XML, loaded into memory or temporary-file segments and read back into
// other objects by their index; damaged items; each object reads only its own picture's bytes.

#include "LinePicTest.h"

#include "platform/gfx/StoredMetafile.h"
#include "report/core/rptClassPicture.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptPictureCache.h"
#include "report/core/rptXML.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace linepic;

namespace {

struct TSample {
    const char* Kind;
    QByteArray Data;
    int W, H;
    QRgb Color;
    int Tolerance;
};

std::vector<TSample> Samples() {
    return {
        {"TBitmap", Bmp(Filled(3, 2, qRgb(255, 0, 0))), 3, 2, Rgb(255, 0, 0), 0},
        {"TPngImage", Png(Filled(5, 4, qRgb(0, 0, 255))), 5, 4, Rgb(0, 0, 255), 0},
        {"TJPEGImage", Jpeg(Filled(16, 8, qRgb(0, 160, 0))), 16, 8, Rgb(0, 160, 0), 8},
    };
}

// Empty when the object holds the sample, else what differs.
QString Differs(TrptPictureView& v, const TSample& s) {
    const TGraphic* g = v.Picture()->Graphic();
    if (!g) return QStringLiteral("no graphic");
    if (g->ClassName() != QLatin1String(s.Kind)) return QStringLiteral("kind ") + g->ClassName();
    if (g->Width() != s.W || g->Height() != s.H)
        return QStringLiteral("size %1x%2").arg(g->Width()).arg(g->Height());
    // Drawn at its own size on a sheet, it shows its colour.
    v.SetBounds(0, 0, s.W, s.H);
    v.SetStretched(false);
    TSheet sheet(20, 20, qRgb(9, 9, 9));
    v.Draw(sheet.Canvas.get(), 1, 1, 0, 0);
    for (const QPoint p : {QPoint(0, 0), QPoint(s.W - 1, s.H - 1)})
        if (!Near(sheet.At(p.x(), p.y()), s.Color, s.Tolerance))
            return QStringLiteral("pixel %1,%2 is %3")
                .arg(p.x())
                .arg(p.y())
                .arg(sheet.At(p.x(), p.y()), 8, 16);
    return {};
}

std::unique_ptr<TrptPictureView> ViewWith(const QByteArray& bytes) {
    auto v = std::make_unique<TrptPictureView>();
    TBytesStream s(bytes);
    EXPECT_EQ(v->LoadPictureFromStream(s, true), 0);
    return v;
}

class CachedViews : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        RegisterReportClasses();
        ASSERT_TRUE(FDir.isValid());
    }
    // File mode puts every picture into a temporary file of its own.
    void Prepare(TrptPictureCache& cache) {
        cache.SetUseFileCache(GetParam());
        cache.SetTempDir(FDir.path());
        if (GetParam()) cache.SetSegmentLimit(1);
    }
    QTemporaryDir FDir;
};

INSTANTIATE_TEST_SUITE_P(Segments, CachedViews, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "TempFiles" : "Memory"; });

} // namespace

TEST_P(CachedViews, ThreePicturesThroughTheXmlFormAndBackIntoObjects) {
    const std::vector<TSample> samples = Samples();
    TrptPictureCache cache;
    Prepare(cache);
    std::vector<std::unique_ptr<TrptPictureView>> sources;
    for (const TSample& s : samples) {
        sources.push_back(ViewWith(s.Data));
        cache.AddPicture(sources.back().get());
        EXPECT_EQ(sources.back()->ImageIndex(), static_cast<int>(sources.size()));
    }
    EXPECT_EQ(cache.SegmentCount(), GetParam() ? 3 : 1);
    // An object without a picture gets index 0 and adds nothing.
    TrptPictureView none;
    none.SetImageIndex(5);
    cache.AddPicture(&none);
    EXPECT_EQ(none.ImageIndex(), 0);
    EXPECT_EQ(cache.Count(), 3);

    // Read back from the cache itself, each object sees its own picture only.
    for (int k = 3; k >= 1; --k) {
        TrptPictureView copy;
        copy.SetImageIndex(k);
        cache.GetPicture(&copy);
        EXPECT_EQ(Differs(copy, samples[static_cast<size_t>(k - 1)]), QString()) << k;
    }

    TrptXMLItem item;
    item.SetName(QStringLiteral("picturecache"));
    cache.SaveToXML(&item);
    ASSERT_EQ(item.Count(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(item.Items(i)->GetProp(QStringLiteral("stream")),
                  QString::fromLatin1(samples[static_cast<size_t>(i)].Data.toHex().toUpper()));

    // Into a cache of the other kind of segments, through the document's text.
    TrptXMLDocument doc;
    doc.Root()->SetName(QStringLiteral("preparedreport"));
    cache.SaveToXML(doc.Root()->FindItem(QStringLiteral("picturecache")));
    const QString path = FDir.filePath(QStringLiteral("prepared.dp3"));
    doc.SaveToFile(path);
    TrptXMLDocument read;
    read.LoadFromFile(path);
    TrptPictureCache loaded;
    loaded.SetUseFileCache(!GetParam());
    loaded.SetTempDir(FDir.path());
    loaded.LoadFromXML(read.Root()->FindItem(QStringLiteral("picturecache")));
    ASSERT_EQ(loaded.Count(), 3);
    EXPECT_EQ(loaded.Errors(), QStringList());
    for (int k = 1; k <= 3; ++k) {
        TrptPictureView copy;
        copy.SetImageIndex(k);
        loaded.GetPicture(&copy);
        EXPECT_EQ(Differs(copy, samples[static_cast<size_t>(k - 1)]), QString()) << k;
    }
    // Index 0 and an index past the end empty the object's picture.
    for (int k : {0, 4}) {
        auto copy = ViewWith(samples[0].Data);
        copy->SetImageIndex(k);
        loaded.GetPicture(copy.get());
        EXPECT_EQ(copy->Picture()->Graphic(), nullptr) << k;
    }
    // No temporary file is seen in the folder, whatever the mode.
    EXPECT_EQ(QDir(FDir.path()).entryList(QDir::Files), QStringList{QStringLiteral("prepared.dp3")});
}

TEST_P(CachedViews, MetafilesComeBackAsTheyWereStored) {
    TMetafile mf;
    mf.SetWidth(12);
    mf.SetHeight(6);
    {
        TMetafileCanvas c(mf);
        c.Brush().SetColor(clRed);
        c.FillRect(TRect(0, 0, 12, 6));
    }
    QByteArray emf = BytesOf(mf).left(108);
    emf += QByteArray("\x1B\x00\x00\x00\x10\x00\x00\x00\x05\x00\x00\x00\x06\x00\x00\x00", 16);
    emf += QByteArray("\x0E\x00\x00\x00\x14\x00\x00\x00\x00\x00\x00\x00\x10\x00\x00\x00\x14\x00\x00\x00", 20);
    TrptPictureCache cache;
    Prepare(cache);
    auto png = ViewWith(Samples()[1].Data);
    auto meta = ViewWith(emf);
    cache.AddPicture(png.get());
    cache.AddPicture(meta.get());
    EXPECT_EQ(cache.PictureBytes(2), emf);
    TrptPictureView copy;
    copy.SetImageIndex(2);
    cache.GetPicture(&copy);
    auto* back = dynamic_cast<TStoredMetafile*>(copy.Picture()->Graphic());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->Width(), 12);
    EXPECT_EQ(BytesOf(*back), emf);
}

// Bad hexadecimal text and bytes that are no picture: an empty picture, reported once; the
// pictures around them are unharmed.
TEST(CachedViewsDamaged, DamagedItemsGiveEmptyPicturesReportedOnce) {
    RegisterReportClasses();
    const std::vector<TSample> samples = Samples();
    const QString good = QString::fromLatin1(samples[1].Data.toHex());
    const QStringList streams = {good,
                                 QStringLiteral("424DZZ00"),
                                 QStringLiteral("DEADBEEF"),
                                 good.left(good.size() / 2),
                                 QStringLiteral("0"),
                                 good};
    TrptXMLItem item;
    for (const QString& s : streams)
        item.Add(QStringLiteral("item"))->SetProp(QStringLiteral("stream"), s);
    TrptPictureCache cache;
    QStringList seen;
    cache.OnError = [&](const QString& m) { seen << m; };
    cache.LoadFromXML(&item);
    ASSERT_EQ(cache.Count(), 6);
    for (int round = 0; round < 2; ++round)
        for (int k = 1; k <= 6; ++k) {
            auto v = ViewWith(samples[0].Data);
            v->SetImageIndex(k);
            cache.GetPicture(v.get());
            const bool good = k == 1 || k == 6;
            if (good)
                EXPECT_EQ(Differs(*v, samples[1]), QString()) << k;
            else
                EXPECT_EQ(v->Picture()->Graphic(), nullptr) << k;
        }
    ASSERT_EQ(seen.size(), 4) << seen.join(QLatin1Char('\n')).toStdString();
    const int reported[] = {2, 5, 3, 4}; // bad text when loaded, bad bytes when read
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(seen[i].startsWith(QStringLiteral("Picture %1 ").arg(reported[i])))
            << seen[i].toStdString();
    EXPECT_TRUE(seen[2].contains(QStringLiteral("Unsupported picture data"))) << seen[2].toStdString();
}

// The segment handed over ends where the picture ends: the object reads up to there and no further.
TEST(CachedViewsDamaged, AnObjectReadsOnlyUpToThePicturesEnd) {
    RegisterReportClasses();
    const std::vector<TSample> samples = Samples();
    for (const TSample& first : samples) {
        TrptMemoryStream segment;
        segment.WriteBytes(first.Data + samples[1].Data + QByteArray("tail"));
        segment.FSz = static_cast<quint64>(first.Data.size());
        segment.SetPosition(0);
        TrptPictureView v;
        EXPECT_EQ(v.LoadPictureFromStream(segment, false), 0) << first.Kind;
        EXPECT_EQ(segment.Position(), first.Data.size()) << first.Kind;
        EXPECT_EQ(Differs(v, first), QString()) << first.Kind;
    }
}
