#include "app/uZlib.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Loaded {
    QString Name;
    QByteArray Data;
};

QList<Loaded> LoadPack(const QByteArray& pack, const QString& folder = QString()) {
    QTemporaryDir dir;
    const QString file = dir.filePath("graphics.dll");
    QFile f(file);
    f.open(QIODevice::WriteOnly);
    f.write(pack);
    f.close();
    QList<Loaded> out;
    LoadGraphics(file, folder, [&](TMemoryStream& s, const QString& name) {
        EXPECT_EQ(s.Position(), 0);
        out.append({name, s.Bytes()});
    });
    return out;
}

QByteArray Bytes(int n, int seed) {
    QByteArray b(n, 0);
    for (int i = 0; i < n; ++i) b[i] = char((i * 7 + seed) ^ (i >> 3));
    return b;
}

} // namespace

TEST(PicturePack, EntriesComeBackInOrderWithThePrefix) {
    // Names are single-byte text in the ANSI code page; a Russian system's is 1251.
    const int saved = TEncoding::AnsiCodePage();
    TEncoding::SetAnsiCodePage(1251);
    const QByteArray a = Bytes(10000, 1), b = Bytes(1, 2), c;
    const auto got = LoadPack(BuildPicturePack({{"x.frmMain.imgLogo.PNG", a},
                                                {QString::fromUtf8("x.frmКлиенты.img.jpg"), b},
                                                {"x.frm.empty.gif", c}}));
    ASSERT_EQ(got.size(), 3);
    EXPECT_EQ(got[0].Name, "\\x.frmMain.imgLogo.PNG"); // empty folder: a single backslash
    EXPECT_EQ(got[0].Data, a);
    EXPECT_EQ(got[1].Name, QString::fromUtf8("\\x.frmКлиенты.img.jpg"));
    EXPECT_EQ(got[1].Data, b);
    EXPECT_EQ(got[2].Data, c);
    EXPECT_EQ(LoadPack(BuildPicturePack({{"n", b}}), "/opt/app/")[0].Name, "/opt/app/n");
    TEncoding::SetAnsiCodePage(saved);
}

TEST(PicturePack, EmptyAndNegativeCounts) {
    EXPECT_TRUE(LoadPack(BuildPicturePack({})).isEmpty());
    EXPECT_TRUE(LoadPack(QByteArray("\xff\xff\xff\xff", 4)).isEmpty());
}

TEST(PicturePack, DamageRaisesAndKeepsEarlierEntries) {
    const QByteArray good = BuildPicturePack({{"a.w.c.png", Bytes(5000, 3)}, {"b.w.c.png", Bytes(5000, 4)}});
    struct Case {
        const char* what;
        QByteArray pack;
        int delivered;
    } cases[] = {
        {"cut inside the second stream", good.left(good.size() - 100), 1},
        {"cut inside the count", good.left(2), 0},
        {"announced size too large", [&] {
             QByteArray p = BuildPicturePack({{"a.w.c.png", Bytes(100, 5)}});
             p[4 + 4 + 9] = char(200); // unpacked size 200 instead of 100
             return p;
         }(), 0},
        {"corrupt deflate data", [&] {
             QByteArray p = good;
             for (int i = 30; i < 60; ++i) p[i] = char(0xAA);
             return p;
         }(), 0},
        {"huge name length", QByteArray("\x01\x00\x00\x00\xff\xff\xff\x7f", 8), 0},
    };
    for (const Case& c : cases) {
        QList<Loaded> got;
        QTemporaryDir dir;
        const QString file = dir.filePath("graphics.dll");
        QFile f(file);
        f.open(QIODevice::WriteOnly);
        f.write(c.pack);
        f.close();
        try {
            LoadGraphics(file, QString(), [&](TMemoryStream& s, const QString& n) { got.append({n, s.Bytes()}); });
            ADD_FAILURE() << c.what << ": no error";
        } catch (const EReadError& e) {
            EXPECT_TRUE(e.Message().contains("graphics.dll")) << c.what;
            EXPECT_TRUE(e.Message().contains("damaged at byte")) << c.what;
        }
        EXPECT_EQ(got.size(), c.delivered) << c.what;
    }
}

TEST(PicturePack, MissingFileRaisesOpenError) {
    EXPECT_THROW(LoadGraphics("/nonexistent/graphics.dll", QString(), [](TMemoryStream&, const QString&) {}),
                 EFOpenError);
}
