// Reading picture packs: entries in order, and damaged packs refused at the bad entry with a
// message naming the file and the place.
#include "app/uZlib.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <zlib.h>

namespace {

QByteArray Int32(qint32 v) {
    QByteArray b;
    for (int i = 0; i < 4; ++i) b.append(char((quint32(v) >> (8 * i)) & 0xFF));
    return b;
}

QByteArray Deflate(const QByteArray& data) {
    uLongf len = compressBound(uLong(data.size()));
    QByteArray z(qsizetype(len), Qt::Uninitialized);
    compress(reinterpret_cast<Bytef*>(z.data()), &len, reinterpret_cast<const Bytef*>(data.constData()), uLong(data.size()));
    z.resize(qsizetype(len));
    return z;
}

// One entry written by hand, so that every field can lie.
QByteArray Entry(const QByteArray& name, qint32 announced, const QByteArray& stream) {
    return Int32(qint32(name.size())) + name + Int32(announced) + stream;
}

struct Loaded {
    QStringList Names;
    QList<QByteArray> Data;
    QString Error;
};

class PackReader : public ::testing::Test {
protected:
    QString Write(const QByteArray& bytes) {
        const QString path = Dir.filePath(QStringLiteral("graphics.dll"));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
        return path;
    }
    Loaded Load(const QByteArray& bytes, const QString& folder = QString()) {
        Loaded out;
        try {
            LoadGraphics(Write(bytes), folder, [&out](TMemoryStream& picture, const QString& name) {
                EXPECT_EQ(picture.Position(), 0);
                out.Names << name;
                out.Data << picture.Bytes();
            });
        } catch (const EReadError& e) {
            out.Error = e.Message();
        }
        return out;
    }
    QTemporaryDir Dir;
};

TEST_F(PackReader, EntriesComeBackInOrderWithTheFolderPrefix) {
    const QByteArray big(200000, 'x'); // spans several reads of the compressed stream
    const QByteArray pack = BuildPicturePack({{"a.Main.Logo.png", "first"}, {"a.Main.Empty.bmp", ""}, {"b.Edit.Photo.JPG", big}});
    const Loaded l = Load(pack);
    ASSERT_TRUE(l.Error.isEmpty()) << l.Error.toStdString();
    EXPECT_EQ(l.Names, QStringList({"\\a.Main.Logo.png", "\\a.Main.Empty.bmp", "\\b.Edit.Photo.JPG"}));
    EXPECT_EQ(l.Data[0], "first");
    EXPECT_TRUE(l.Data[1].isEmpty());
    EXPECT_EQ(l.Data[2], big);
    // A folder gets a delimiter only when it has none.
    EXPECT_EQ(Load(pack, "C:\\pics").Names[0], "C:\\pics\\a.Main.Logo.png");
    EXPECT_EQ(Load(pack, "/pics/").Names[0], "/pics/a.Main.Logo.png");
}

TEST_F(PackReader, CountsOfZeroOrLessLoadNothing) {
    for (qint32 count : {0, -1, qint32(0x80000000)}) {
        const Loaded l = Load(Int32(count) + QByteArray("trailing bytes are never read"));
        EXPECT_TRUE(l.Error.isEmpty()) << count;
        EXPECT_TRUE(l.Names.isEmpty()) << count;
    }
}

TEST_F(PackReader, DamagedEntriesStopLoadingWhereTheyAre) {
    const QByteArray good = Entry("p.W.C.png", 4, Deflate("good"));
    const QByteArray data = "0123456789";
    const QByteArray stream = Deflate(data);
    // A valid zlib header, then a block of the reserved type.
    const QByteArray badZlib("\x78\x9C\x07\x00\x00\x00\x00\x00", 8);
    const struct {
        const char* Case;
        QByteArray Bad;
        const char* Says;
    } cases[] = {
        {"count cut short", QByteArray("\x02\x00", 2), "entry count is cut short"},
        {"name length cut short", QByteArray("\x05", 1), "name length is cut short"},
        {"negative name length", Int32(-3), "name length of -3"},
        {"huge name length", Int32(0x7FFFFFFF), "name length of"},
        {"name cut short", Int32(50) + "abc", "entry name is cut short"},
        {"size cut short", Int32(1) + "n" + QByteArray("\x01\x02", 2), "unpacked size is cut short"},
        {"negative size", Entry("n", -1, stream), "announces -1 bytes"},
        {"size beyond any picture", Entry("n", 0x7FFFFFFF, stream), "announces"},
        {"size the data cannot hold", Entry("n", 50'000'000, stream), "announces 50000000 bytes from only"},
        {"fewer bytes than announced", Entry("n", 11, stream), "holds 10 of the 11 bytes announced"},
        {"more bytes than announced", Entry("n", 9, stream), "more than the 9 bytes announced"},
        {"stream cut short", Entry("n", 10, stream.left(stream.size() - 3)), "cut short"},
        {"no stream at all", Entry("n", 10, QByteArray()), "holds 0 of the 10 bytes"},
        {"corrupt stream", Entry("n", 10, badZlib), "corrupt"},
    };
    for (const auto& c : cases) {
        // The count claims three entries: the good one, the damaged one, and one never reached.
        const bool damagedCount = QByteArray(c.Case).startsWith("count");
        const QByteArray pack = damagedCount ? c.Bad : Int32(3) + good + c.Bad;
        const Loaded l = Load(pack);
        EXPECT_TRUE(l.Error.contains(QLatin1String(c.Says))) << c.Case << ": " << l.Error.toStdString();
        EXPECT_TRUE(l.Error.contains(QLatin1String("graphics.dll"))) << c.Case;
        EXPECT_TRUE(l.Error.contains(QLatin1String("at byte"))) << c.Case;
        // The entry before the damage was handed over, nothing after it.
        EXPECT_EQ(l.Names.size(), damagedCount ? 0 : 1) << c.Case;
    }
}

TEST_F(PackReader, MissingFileRaisesOpenError) {
    EXPECT_THROW(LoadGraphics(Dir.filePath("none.dll"), QString(), [](TMemoryStream&, const QString&) {}), EFOpenError);
}

TEST(PictureEntryName, SplitsIntoExactlyFourParts) {
    TPictureEntryName p;
    ASSERT_TRUE(ParsePictureEntryName("\\x.frmMain.imgLogo.PNG", p));
    EXPECT_EQ(p.Window, "frmMain");
    EXPECT_EQ(p.Control, "imgLogo");
    EXPECT_EQ(p.Extension, "png");
    for (const char* bad : {"x.frmMain.img.Logo.png", "frmMain.imgLogo.png", "", "a.b.c.d.e", "noparts"})
        EXPECT_FALSE(ParsePictureEntryName(bad, p)) << bad;
    EXPECT_TRUE(ParsePictureEntryName("...", p)); // four empty parts: matches no control
}

} // namespace
