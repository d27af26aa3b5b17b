// The picture cache of prepared reports: pictures appended to memory or temporary-file segments and
// read back by a 1-based index, its "picturecache" element in a prepared report's XML, damaged
// items, large pictures, temporary files that cannot be written, and no file left behind.
#include "platform/sys/TempFiles.h"
#include "report/core/rptPictureCache.h"
#include "report/core/rptXML.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>
#include <unistd.h>

namespace {

QImage Filled(int w, int h, QRgb color) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(color);
    return img;
}

std::unique_ptr<TGraphic> MakeBitmap(int w, int h, QRgb color) {
    auto b = std::make_unique<TBitmap>();
    b->SetImage(Filled(w, h, color));
    return b;
}

std::unique_ptr<TGraphic> MakePng(int w, int h, QRgb color) {
    auto p = std::make_unique<TPngImage>();
    p->SetImage(Filled(w, h, color));
    return p;
}

std::unique_ptr<TGraphic> MakeJpeg(int w, int h, QRgb color) {
    auto j = std::make_unique<TJPEGImage>();
    TBitmap b;
    b.SetImage(Filled(w, h, color));
    j->Assign(b);
    return j;
}

QByteArray BytesOf(TGraphic& g) {
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    g.SaveToStream(buf);
    return bytes;
}

bool Near(QRgb a, QRgb b, int tolerance) {
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

// The three pictures of most cases: kind, size and colour differ, so a mix-up shows.
struct TSample {
    const char* Kind;
    int W, H;
    QRgb Color;
    int Tolerance;
};
const TSample Samples[] = {
    {"TBitmap", 3, 2, qRgb(255, 0, 0), 0},
    {"TPngImage", 5, 4, qRgb(0, 0, 255), 0},
    {"TJPEGImage", 16, 8, qRgb(0, 160, 0), 8},
};

std::unique_ptr<TGraphic> MakeSample(const TSample& s) {
    const QString kind = QLatin1String(s.Kind);
    if (kind == QLatin1String("TBitmap")) return MakeBitmap(s.W, s.H, s.Color);
    if (kind == QLatin1String("TPngImage")) return MakePng(s.W, s.H, s.Color);
    return MakeJpeg(s.W, s.H, s.Color);
}

// Checks that picture holds the sample; an empty text when it does, else what differs.
QString Differs(const TPicture& picture, const TSample& s) {
    const TGraphic* g = picture.Graphic();
    if (!g) return QStringLiteral("no graphic");
    if (g->ClassName() != QLatin1String(s.Kind)) return QStringLiteral("kind ") + g->ClassName();
    if (g->Width() != s.W || g->Height() != s.H)
        return QStringLiteral("size %1x%2").arg(g->Width()).arg(g->Height());
    const QImage img = g->ToImage();
    for (const QPoint p : {QPoint(0, 0), QPoint(s.W - 1, s.H - 1), QPoint(s.W / 2, s.H / 2)})
        if (!Near(img.pixel(p), s.Color, s.Tolerance))
            return QStringLiteral("pixel %1,%2 is %3").arg(p.x()).arg(p.y()).arg(img.pixel(p), 8, 16);
    return {};
}

// Files in a folder (the temporary files must never be seen there).
QStringList FilesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

// Descriptors of this process open on files in folder (temporary files keep one while alive).
int OpenFilesIn(const QString& folder) {
    int n = 0;
    const QString prefix = QDir(folder).canonicalPath() + QLatin1Char('/');
    for (const QString& fd : QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::System | QDir::Files)) {
        const QString target = QFile::symLinkTarget(QStringLiteral("/proc/self/fd/") + fd);
        if (target.startsWith(prefix)) ++n;
    }
    return n;
}

class PictureCacheModes : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        ASSERT_TRUE(FDir.isValid());
        FCache.SetUseFileCache(GetParam());
        FCache.SetTempDir(FDir.path());
    }
    QTemporaryDir FDir;
    TrptPictureCache FCache;
};

INSTANTIATE_TEST_SUITE_P(Segments, PictureCacheModes, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "TempFile" : "Memory"; });

TEST_P(PictureCacheModes, EveryAddStoresThePictureAgainUnderTheNextIndex) {
    auto red = MakeBitmap(3, 2, qRgb(255, 0, 0));
    TPicture picture;
    picture.SetGraphic(red.get());
    EXPECT_EQ(FCache.AddPicture(picture), 1);
    EXPECT_EQ(FCache.AddPicture(picture), 2);
    EXPECT_EQ(FCache.Count(), 2);
    EXPECT_EQ(FCache.PictureBytes(1), BytesOf(*red));
    EXPECT_EQ(FCache.PictureBytes(2), BytesOf(*red));

    // No graphic: index 0, nothing stored.
    TPicture none;
    EXPECT_EQ(FCache.AddPicture(none), 0);
    EXPECT_EQ(FCache.AddPicture(static_cast<const TGraphic*>(nullptr)), 0);
    EXPECT_EQ(FCache.Count(), 2);
    EXPECT_EQ(FCache.AddPicture(picture), 3);
}

TEST_P(PictureCacheModes, PicturesAreReadBackByIndex) {
    for (const TSample& s : Samples) {
        auto g = MakeSample(s);
        FCache.AddPicture(g.get());
    }
    // Out of order, and twice, so each read finds its own place.
    for (int k : {2, 3, 1, 2}) {
        TPicture picture;
        EXPECT_EQ(FCache.GetPicture(k, picture), cpLoaded);
        EXPECT_EQ(Differs(picture, Samples[k - 1]), QString()) << "index " << k;
    }
    // Indexes that hold no picture empty the picture they are read into.
    for (int k : {0, -1, 4, 1000}) {
        TPicture picture;
        picture.SetGraphic(MakeBitmap(1, 1, qRgb(1, 2, 3)));
        EXPECT_EQ(FCache.GetPicture(k, picture), cpEmpty) << "index " << k;
        EXPECT_EQ(picture.Graphic(), nullptr) << "index " << k;
    }
}

TEST_P(PictureCacheModes, AnEmptyCacheLeavesThePictureAlone) {
    TPicture picture;
    picture.SetGraphic(MakeBitmap(1, 1, qRgb(1, 2, 3)));
    EXPECT_EQ(FCache.GetPicture(1, picture), cpNoSegment);
    EXPECT_NE(picture.Graphic(), nullptr);
    EXPECT_EQ(FCache.GetPicture(0, picture), cpNoSegment);
    EXPECT_NE(picture.Graphic(), nullptr);
}

// A loader sees one picture: its size, its end, and nothing of the next one.
TEST_P(PictureCacheModes, TheReaderSeesOnlyItsPicture) {
    std::vector<QByteArray> stored;
    for (const TSample& s : Samples) {
        auto g = MakeSample(s);
        stored.push_back(BytesOf(*g));
        FCache.AddPicture(g.get());
    }
    Int64 offset = 0;
    for (int k = 1; k <= 3; ++k) {
        const QByteArray& want = stored[static_cast<size_t>(k - 1)];
        const Int64 size = want.size();
        auto result = FCache.GetPicture(k, [&](TStream& s) {
            EXPECT_EQ(s.Position(), offset);
            EXPECT_EQ(s.Size(), offset + size);
            EXPECT_EQ(s.Seek(0, soEnd), offset + size);
            s.Seek(offset, soBeginning);
            EXPECT_EQ(s.ReadAll(), want);
            char extra[16];
            EXPECT_EQ(s.Read(extra, sizeof extra), 0) << "read past the picture";
            s.Seek(offset + size - 4, soBeginning);
            EXPECT_EQ(s.Read(extra, sizeof extra), 4);
        });
        EXPECT_EQ(result, cpLoaded);
        offset += size;
    }
    // Afterwards the whole segment is visible again (the last picture still ends at its end).
    EXPECT_EQ(FCache.PictureBytes(1), stored[0]);
    EXPECT_EQ(FCache.PictureBytes(3), stored[2]);
}

TEST_P(PictureCacheModes, FullSegmentsMakeNewOnes) {
    auto g = MakePng(20, 20, qRgb(10, 20, 30));
    const Int64 size = BytesOf(*g).size();
    // Two pictures reach the limit, the third starts a new segment.
    FCache.SetSegmentLimit(2 * size);
    for (int k = 1; k <= 5; ++k)
        EXPECT_EQ(FCache.AddPicture(g.get()), k);
    EXPECT_EQ(FCache.SegmentCount(), 3);
    EXPECT_EQ(FCache.TempFiles().size(), GetParam() ? 3 : 0);
    for (int k = 1; k <= 5; ++k) {
        TPicture picture;
        ASSERT_EQ(FCache.GetPicture(k, picture), cpLoaded) << k;
        EXPECT_EQ(picture.Width(), 20);
        EXPECT_EQ(FCache.PictureBytes(k).size(), size) << k;
    }
    // The files are open but have no name in the folder.
    EXPECT_EQ(FilesIn(FDir.path()), QStringList());
    EXPECT_EQ(OpenFilesIn(FDir.path()), GetParam() ? 3 : 0);
    for (const QString& name : FCache.TempFiles()) {
        EXPECT_TRUE(QFileInfo(name).fileName().startsWith(QLatin1String("rptPic"))) << name.toStdString();
        EXPECT_EQ(QFileInfo(name).absolutePath(), QFileInfo(FDir.path()).absoluteFilePath());
    }
    FCache.Clear();
    EXPECT_EQ(FCache.Count(), 0);
    EXPECT_EQ(FCache.SegmentCount(), 0);
    EXPECT_EQ(OpenFilesIn(FDir.path()), 0);
}

TEST_P(PictureCacheModes, ModeAndFolderChangeOnlyWhileEmpty) {
    QTemporaryDir other;
    auto g = MakeBitmap(2, 2, qRgb(0, 0, 0));
    FCache.AddPicture(g.get());
    FCache.SetUseFileCache(!GetParam());
    FCache.SetTempDir(other.path());
    EXPECT_EQ(FCache.UseFileCache(), GetParam());
    EXPECT_EQ(FCache.TempDir(), FDir.path());
    FCache.SetSegmentLimit(1);
    FCache.AddPicture(g.get());
    EXPECT_EQ(FCache.TempFiles().size(), GetParam() ? 2 : 0);
    EXPECT_EQ(OpenFilesIn(other.path()), 0);

    FCache.Clear();
    FCache.SetUseFileCache(!GetParam());
    FCache.SetTempDir(other.path());
    EXPECT_EQ(FCache.UseFileCache(), !GetParam());
    EXPECT_EQ(FCache.TempDir(), other.path());
    EXPECT_EQ(FCache.AddPicture(g.get()), 1);
    EXPECT_EQ(OpenFilesIn(other.path()), GetParam() ? 0 : 1);
}

// The cache inside a prepared report's document, saved to a file and loaded into another cache.
TEST_P(PictureCacheModes, SavedAndLoadedWithThePreparedReport) {
    std::vector<QByteArray> stored;
    for (const TSample& s : Samples) {
        auto g = MakeSample(s);
        stored.push_back(BytesOf(*g));
        FCache.AddPicture(g.get());
    }
    const QString path = FDir.filePath(QStringLiteral("report.dp3"));
    {
        TrptXMLDocument doc;
        doc.Root()->SetName(QStringLiteral("preparedreport"));
        doc.Root()->FindItem(QStringLiteral("previewpages"));
        TrptXMLItem* pc = doc.Root()->FindItem(QStringLiteral("picturecache"));
        pc->Add(QStringLiteral("stale")); // what was there before is replaced
        FCache.SaveToXML(pc);
        doc.SaveToFile(path);
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    f.close();
    EXPECT_EQ(text.count("<item stream=\""), 3);
    EXPECT_FALSE(text.contains("stale"));
    EXPECT_TRUE(text.contains("<picturecache><item stream=\"" + stored[0].toHex().toUpper() + "\"/>"));

    TrptXMLDocument doc;
    doc.LoadFromFile(path);
    const int at = doc.Root()->Find(QStringLiteral("picturecache"));
    ASSERT_GE(at, 0);
    TrptPictureCache loaded;
    loaded.SetUseFileCache(!GetParam());
    loaded.SetTempDir(FDir.path());
    loaded.LoadFromXML(doc.Root()->Items(at));
    ASSERT_EQ(loaded.Count(), 3);
    EXPECT_EQ(loaded.SegmentCount(), 1);
    EXPECT_EQ(loaded.Errors(), QStringList());
    TPicture second;
    ASSERT_EQ(loaded.GetPicture(2, second), cpLoaded);
    EXPECT_EQ(Differs(second, Samples[1]), QString());
    for (int k = 1; k <= 3; ++k)
        EXPECT_EQ(loaded.PictureBytes(k), stored[static_cast<size_t>(k - 1)]) << k;

    // Loading again replaces, it does not append.
    loaded.LoadFromXML(doc.Root()->Items(at));
    EXPECT_EQ(loaded.Count(), 3);
}

// Bad items: each one an empty picture, reported once; the good ones around it stay intact.
TEST(PictureCacheXml, DamagedItemsBecomeEmptyPicturesReportedOnce) {
    auto blue = MakePng(5, 4, qRgb(0, 0, 255));
    const QString good = QString::fromLatin1(BytesOf(*blue).toHex());
    const QString truncated = good.left(good.size() / 2);
    struct TCase {
        QString Stream;
        bool ReportedAtLoad; // bad hexadecimal text
        bool ReportedAtRead; // decodes, but is no picture
    };
    const TCase cases[] = {
        {good, false, false},
        {QStringLiteral("424DZZ00"), true, false},
        {QStringLiteral("424"), true, false},
        {QString(), false, false},
        {QStringLiteral("DEADBEEF"), false, true},
        {truncated, false, true},
        {good.toLower(), false, false},
    };
    TrptXMLItem item;
    item.SetName(QStringLiteral("picturecache"));
    for (const TCase& c : cases)
        item.Add(QStringLiteral("item"))->SetProp(QStringLiteral("stream"), c.Stream);

    TrptPictureCache cache;
    QStringList seen;
    cache.OnError = [&](const QString& m) { seen << m; };
    cache.LoadFromXML(&item);
    ASSERT_EQ(cache.Count(), 7);
    EXPECT_EQ(seen.size(), 2);
    for (int round = 0; round < 2; ++round) {
        for (int k = 1; k <= 7; ++k) {
            const TCase& c = cases[k - 1];
            TPicture picture;
            picture.SetGraphic(MakeBitmap(1, 1, qRgb(9, 9, 9)));
            const bool bad = c.ReportedAtLoad || c.ReportedAtRead || c.Stream.isEmpty();
            EXPECT_EQ(cache.GetPicture(k, picture), bad ? cpEmpty : cpLoaded) << k;
            EXPECT_EQ(picture.Graphic() == nullptr, bad) << k;
            if (!bad) {
                EXPECT_EQ(Differs(picture, Samples[1]), QString()) << k;
            }
        }
    }
    // One message per damaged item, naming it; reading twice reported nothing new.
    ASSERT_EQ(seen.size(), 4);
    EXPECT_EQ(seen, cache.Errors());
    const int reported[] = {2, 3, 5, 6};
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(seen[i].startsWith(QStringLiteral("Picture %1 ").arg(reported[i])))
            << seen[i].toStdString();
    EXPECT_TRUE(seen[0].contains(QLatin1String("character 5")));
    EXPECT_TRUE(seen[1].contains(QLatin1String("character 3")));

    // Bytes that decoded are kept as they came and saved back unchanged; bad text saves as empty.
    TrptXMLItem saved;
    cache.SaveToXML(&saved);
    ASSERT_EQ(saved.Count(), 7);
    EXPECT_EQ(saved.Items(1)->GetProp(QStringLiteral("stream")), QString());
    EXPECT_EQ(saved.Items(4)->GetProp(QStringLiteral("stream")), QStringLiteral("DEADBEEF"));
    EXPECT_EQ(saved.Items(6)->GetProp(QStringLiteral("stream")), good.toUpper());

    cache.Clear();
    EXPECT_EQ(cache.Errors(), QStringList());
}

TEST(PictureCacheXml, NoElementGivesAnEmptyCache) {
    TrptPictureCache cache;
    auto g = MakeBitmap(2, 2, qRgb(0, 0, 0));
    cache.AddPicture(g.get());
    cache.LoadFromXML(nullptr);
    EXPECT_EQ(cache.Count(), 0);
    TrptXMLItem empty;
    cache.SaveToXML(&empty);
    EXPECT_EQ(empty.Count(), 0);
}

// A picture of several megabytes in a temporary file, with small ones around it, through the XML.
TEST(PictureCacheLarge, LargePictureRoundTripsThroughFileSegmentsAndXml) {
    QTemporaryDir dir;
    TrptPictureCache cache;
    cache.SetUseFileCache(true);
    cache.SetTempDir(dir.path());
    QImage big = Filled(2500, 1600, qRgb(200, 100, 50));
    big.setPixel(2499, 1599, qRgb(1, 2, 3));
    big.setPixel(0, 0, qRgb(4, 5, 6));
    auto large = std::make_unique<TBitmap>();
    large->SetImage(big);
    auto small = MakePng(5, 4, qRgb(0, 0, 255));
    EXPECT_EQ(cache.AddPicture(small.get()), 1);
    EXPECT_EQ(cache.AddPicture(large.get()), 2);
    EXPECT_EQ(cache.AddPicture(small.get()), 3);
    EXPECT_GT(cache.PictureBytes(2).size(), 2500 * 1600 * 3);

    TrptXMLItem item;
    cache.SaveToXML(&item);
    TrptPictureCache loaded;
    loaded.SetUseFileCache(true);
    loaded.SetTempDir(dir.path());
    loaded.LoadFromXML(&item);
    TPicture picture;
    ASSERT_EQ(loaded.GetPicture(2, picture), cpLoaded);
    ASSERT_EQ(picture.Width(), 2500);
    ASSERT_EQ(picture.Height(), 1600);
    const QImage back = picture.Graphic()->ToImage();
    EXPECT_EQ(back.pixel(0, 0) & 0xFFFFFF, qRgb(4, 5, 6) & 0xFFFFFF);
    EXPECT_EQ(back.pixel(2499, 1599) & 0xFFFFFF, qRgb(1, 2, 3) & 0xFFFFFF);
    EXPECT_EQ(back.pixel(1250, 800) & 0xFFFFFF, qRgb(200, 100, 50) & 0xFFFFFF);
    ASSERT_EQ(loaded.GetPicture(3, picture), cpLoaded);
    EXPECT_EQ(Differs(picture, Samples[1]), QString());
    EXPECT_EQ(FilesIn(dir.path()), QStringList());
}

// A folder where no file can be made: the add fails with a message naming it, nothing changes.
TEST(PictureCacheFailures, AFolderWithoutRoomForFilesRaisesAndChangesNothing) {
    if (!QDir(QStringLiteral("/proc")).exists()) GTEST_SKIP() << "no /proc";
    TrptPictureCache cache;
    cache.SetUseFileCache(true);
    cache.SetTempDir(QStringLiteral("/proc"));
    auto g = MakeBitmap(2, 2, qRgb(0, 0, 0));
    TPicture picture;
    picture.SetGraphic(g.get());
    try {
        cache.AddPicture(picture);
        FAIL() << "no error";
    } catch (const EFCreateError& e) {
        EXPECT_TRUE(e.Message().contains(QLatin1String("\"/proc/\""))) << e.Message().toStdString();
    }
    EXPECT_EQ(cache.Count(), 0);
    EXPECT_EQ(cache.SegmentCount(), 0);
    EXPECT_EQ(cache.TempFiles(), QStringList());
    // Nothing was made, so the folder can still be changed, and then it works.
    QTemporaryDir dir;
    cache.SetTempDir(dir.path());
    EXPECT_EQ(cache.AddPicture(picture), 1);
}

// A folder that is gone is replaced by the temporary folder, as for the prepared report's own file.
TEST(PictureCacheFailures, AFolderThatIsGoneFallsBackToTheTemporaryFolder) {
    TrptPictureCache cache;
    cache.SetUseFileCache(true);
    cache.SetTempDir(QStringLiteral("/nonexistent/folder/of/korvel"));
    auto g = MakeBitmap(2, 2, qRgb(0, 0, 0));
    EXPECT_EQ(cache.AddPicture(g.get()), 1);
    ASSERT_EQ(cache.TempFiles().size(), 1);
    EXPECT_TRUE(cache.TempFiles().first().startsWith(TempFolderPath()));
    EXPECT_FALSE(QFile::exists(cache.TempFiles().first()));
}

// A picture the graphic cannot write (an empty JPEG) raises before anything is made.
TEST(PictureCacheFailures, APictureThatCannotBeWrittenLeavesNoSegment) {
    QTemporaryDir dir;
    TrptPictureCache cache;
    cache.SetUseFileCache(true);
    cache.SetTempDir(dir.path());
    TJPEGImage empty;
    EXPECT_THROW(cache.AddPicture(&empty), Exception);
    EXPECT_EQ(cache.Count(), 0);
    EXPECT_EQ(cache.SegmentCount(), 0);
    EXPECT_EQ(OpenFilesIn(dir.path()), 0);
}

// The child process of the next test: writes fail once the file-size limit is reached (as on a
// full disk). Returns what went wrong, empty when all is well.
QString WriteFailureScenario(const QString& folder) {
    std::signal(SIGXFSZ, SIG_IGN);
    TrptPictureCache cache;
    cache.SetUseFileCache(true);
    cache.SetTempDir(folder);
    auto a = MakePng(6, 6, qRgb(255, 0, 0));
    auto b = MakePng(7, 7, qRgb(0, 255, 0));
    const QByteArray aBytes = BytesOf(*a), bBytes = BytesOf(*b);
    if (cache.AddPicture(a.get()) != 1 || cache.AddPicture(b.get()) != 2) return "first adds";

    rlimit limit{static_cast<rlim_t>(aBytes.size() + bBytes.size() + 10), RLIM_INFINITY};
    setrlimit(RLIMIT_FSIZE, &limit);
    // 1. Inside the segment: the add raises, the partial bytes are cut off.
    try {
        cache.AddPicture(a.get());
        return "no error in the segment";
    } catch (const EWriteError&) {
    }
    if (cache.Count() != 2 || cache.SegmentCount() != 1) return "count after failed write";
    // 2. In a new segment (the first is full now): the new file goes again.
    cache.SetSegmentLimit(aBytes.size());
    limit.rlim_cur = 10;
    setrlimit(RLIMIT_FSIZE, &limit);
    try {
        cache.AddPicture(a.get());
        return "no error in a new segment";
    } catch (const EWriteError&) {
    }
    if (cache.Count() != 2 || cache.SegmentCount() != 1 || cache.TempFiles().size() != 1)
        return "segments after failed write";
    if (OpenFilesIn(folder) != 1) return "file of the failed segment still open";
    limit.rlim_cur = RLIM_INFINITY;
    setrlimit(RLIMIT_FSIZE, &limit);

    // Nothing was lost, and the cache goes on.
    cache.SetSegmentLimit(TrptPictureCache::DefaultSegmentLimit);
    if (cache.AddPicture(b.get()) != 3) return "add after the failures";
    if (cache.PictureBytes(1) != aBytes || cache.PictureBytes(2) != bBytes || cache.PictureBytes(3) != bBytes)
        return "bytes changed";
    TPicture p;
    if (cache.GetPicture(2, p) != cpLoaded || p.Width() != 7) return "second picture";
    if (!FilesIn(folder).isEmpty()) return "a file was left in the folder";
    return {};
}

TEST(PictureCacheFailures, AWriteThatFailsRaisesAndKeepsEveryPicture) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    QTemporaryDir dir;
    EXPECT_EXIT(
        {
            const QString error = WriteFailureScenario(dir.path());
            std::fprintf(stderr, "%s\n", error.isEmpty() ? "write failures: all kept" : qPrintable(error));
            std::fflush(stderr);
            _exit(error.isEmpty() ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "write failures: all kept");
}

TEST(PictureCacheFiles, NoFileIsLeftOnAnyPath) {
    QTemporaryDir dir;
    auto g = MakePng(4, 4, qRgb(1, 1, 1));
    TrptXMLItem xml;
    {
        TrptPictureCache cache;
        cache.SetUseFileCache(true);
        cache.SetTempDir(dir.path());
        cache.SetSegmentLimit(1);
        cache.AddPicture(g.get());
        cache.AddPicture(g.get());
        EXPECT_EQ(FilesIn(dir.path()), QStringList()) << "while in use";
        EXPECT_EQ(OpenFilesIn(dir.path()), 2);
        cache.SaveToXML(&xml);
        cache.Clear();
        EXPECT_EQ(OpenFilesIn(dir.path()), 0) << "after Clear";
        cache.LoadFromXML(&xml);
        EXPECT_EQ(OpenFilesIn(dir.path()), 2) << "after a load";
        cache.LoadFromXML(&xml);
        EXPECT_EQ(OpenFilesIn(dir.path()), 2) << "a second load replaces";
    }
    EXPECT_EQ(OpenFilesIn(dir.path()), 0) << "after destruction";
    EXPECT_EQ(FilesIn(dir.path()), QStringList());
}

// A picture object as the prepared pages hand it over: its picture, its index and its loader.
struct TViewStandIn {
    TPicture FPicture;
    int FImageIndex = 0;
    Int64 LoadedFrom = -1;
    bool Reset = true;
    TPicture* Picture() { return &FPicture; }
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int v) { FImageIndex = v; }
    int LoadPictureFromStream(TStream& s, bool resetStreamPos) {
        Reset = resetStreamPos;
        LoadedFrom = s.Position();
        QByteArray bytes = s.ReadAll();
        QBuffer buf(&bytes);
        buf.open(QIODevice::ReadOnly);
        FPicture.LoadFromStream(buf);
        return 0;
    }
};

TEST(PictureCacheViews, PictureObjectsStoreAndFetchByTheirIndex) {
    TrptPictureCache cache;
    TViewStandIn none, first, second;
    none.FImageIndex = 7;
    cache.AddPicture(&none);
    EXPECT_EQ(none.ImageIndex(), 0);
    cache.GetPicture(&none);
    EXPECT_EQ(none.LoadedFrom, -1) << "an empty cache reads nothing";

    first.FPicture.SetGraphic(MakeSample(Samples[0]));
    second.FPicture.SetGraphic(MakeSample(Samples[1]));
    cache.AddPicture(&first);
    cache.AddPicture(&second);
    EXPECT_EQ(first.ImageIndex(), 1);
    EXPECT_EQ(second.ImageIndex(), 2);

    TViewStandIn copy;
    copy.FImageIndex = 2;
    cache.GetPicture(&copy);
    EXPECT_EQ(Differs(copy.FPicture, Samples[1]), QString());
    EXPECT_FALSE(copy.Reset);
    EXPECT_EQ(copy.LoadedFrom, cache.PictureBytes(1).size());

    copy.SetImageIndex(0);
    cache.GetPicture(&copy);
    EXPECT_EQ(copy.FPicture.Graphic(), nullptr) << "index 0 empties the picture";
}

} // namespace
