// The pack builder: what it packs comes back through the program's reader, bad folders are
// refused naming the file, and the demo's pack holds exactly the demo's pictures.
#include "app/uZlib.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>

namespace {

struct ToolRun {
    int Code = -1;
    QString Out, Err;
};

ToolRun PicPack(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral(KORVEL_PICPACK), args);
    ToolRun r;
    if (!p.waitForFinished(120000)) return r;
    r.Code = p.exitCode();
    r.Out = QString::fromLocal8Bit(p.readAllStandardOutput());
    r.Err = QString::fromLocal8Bit(p.readAllStandardError());
    return r;
}

std::map<QString, QByteArray> ReadPack(const QString& file) {
    std::map<QString, QByteArray> entries;
    LoadGraphics(file, QString(), [&entries](TMemoryStream& s, const QString& name) { entries[name.mid(1)] = s.Bytes(); });
    return entries;
}

QByteArray FileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void SavePicture(const QString& path, const char* format) {
    QImage img(6, 4, QImage::Format_RGB32);
    img.fill(Qt::red);
    ASSERT_TRUE(img.save(path, format)) << path.toStdString();
}

TEST(PicPackTool, PacksAFolderTheReaderLoadsBack) {
    QTemporaryDir dir;
    const QString pics = dir.filePath("pics");
    QDir().mkpath(pics);
    SavePicture(pics + "/frmMain.imgLogo.png", "PNG");
    SavePicture(pics + "/old.frmMain.imgBack.BMP", "BMP");
    const QString pack = dir.filePath("graphics.dll");
    const ToolRun r = PicPack({"--prefix", "pk", pics, pack});
    ASSERT_EQ(r.Code, 0) << r.Err.toStdString();
    const auto entries = ReadPack(pack);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries.at("pk.frmMain.imgLogo.png"), FileBytes(pics + "/frmMain.imgLogo.png"));
    EXPECT_EQ(entries.at("old.frmMain.imgBack.BMP"), FileBytes(pics + "/old.frmMain.imgBack.BMP"));
    const ToolRun list = PicPack({"--list", pack});
    EXPECT_EQ(list.Code, 0);
    EXPECT_TRUE(list.Out.contains("pk.frmMain.imgLogo.png")) << list.Out.toStdString();
}

TEST(PicPackTool, RefusesFilesTheProgramWouldSkip) {
    const struct {
        const char* File;
        const char* Format; // null: not a picture at all
        const char* Says;
    } cases[] = {
        {"logo.png", "PNG", "must be named"},
        {"a.b.c.d.png", "PNG", "must be named"},
        {"frmMain.imgLogo.tif", "PNG", "not a picture kind"},
        {"frmMain.imgLogo.png", nullptr, "not a readable PNG picture"},
        {"frmMain.imgLogo.jpg", "PNG", "not a readable JPG picture"},
    };
    for (const auto& c : cases) {
        QTemporaryDir dir;
        const QString file = dir.filePath(c.File);
        if (c.Format) {
            SavePicture(file, c.Format);
        } else {
            QFile f(file);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write("plain text");
        }
        const QString pack = dir.filePath("out.dll");
        const ToolRun r = PicPack({dir.path(), pack});
        EXPECT_EQ(r.Code, 1) << c.File;
        EXPECT_TRUE(r.Err.contains(c.File)) << r.Err.toStdString();
        EXPECT_TRUE(r.Err.contains(c.Says)) << r.Err.toStdString();
        EXPECT_FALSE(QFile::exists(pack)) << c.File;
    }
    EXPECT_EQ(PicPack({}).Code, 2);
    EXPECT_EQ(PicPack({"/no/such/folder", "/tmp/x.dll"}).Code, 1);
}

TEST(PicPackTool, DemoPackMatchesItsPictures) {
    const QString demo = QStringLiteral(KORVEL_DEMO_DIR);
    const auto entries = ReadPack(demo + "/graphics.dll");
    const QStringList files = QDir(demo + "/pictures").entryList(QDir::Files, QDir::Name);
    ASSERT_FALSE(files.isEmpty());
    ASSERT_EQ(entries.size(), size_t(files.size()));
    for (const QString& f : files) {
        const QString name = "graphics." + f;
        ASSERT_TRUE(entries.count(name)) << name.toStdString();
        EXPECT_EQ(entries.at(name), FileBytes(demo + "/pictures/" + f)) << name.toStdString();
    }
}

} // namespace
