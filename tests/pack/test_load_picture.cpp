// Pictures from the pack reach the image controls their entry names designate.
#include "app/dbControls.h"
#include "app/uZlib.h"
#include "platform/ui/Forms.h"

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

namespace {

QByteArray Picture(int width, int height, const char* format) {
    QImage img(width, height, QImage::Format_RGB32);
    img.fill(Qt::darkGreen);
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, format);
    return bytes;
}

// Qt writes no GIF files; a one-pixel GIF written out by hand.
QByteArray OnePixelGif() {
    static const unsigned char gif[] = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01, 0x00, 0x80, 0x00, 0x00,
                                        0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x21, 0xF9, 0x04, 0x01, 0x00, 0x00, 0x00,
                                        0x00, 0x2C, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x02, 0x02,
                                        0x44, 0x01, 0x00, 0x3B};
    return QByteArray(reinterpret_cast<const char*>(gif), sizeof gif);
}

struct Window {
    std::unique_ptr<TForm> Form;
    TdbImage* Image;
    Window(const QString& name, const QString& imageName) : Form(std::make_unique<TForm>(nullptr)) {
        Form->SetName(name);
        Image = new TdbImage(Form.get()); // owned by the form
        Image->SetName(imageName);
    }
};

void Send(const QByteArray& data, const QString& name, const std::vector<TComponent*>& windows) {
    TMemoryStream s;
    s.SetBytes(data);
    LoadPicture(s, name, windows);
}

TEST(LoadPicture, NamesPickTheControlAndTheDecoder) {
    Window main(QStringLiteral("frmMain"), QStringLiteral("imgLogo"));
    Window other(QStringLiteral("frmOther"), QStringLiteral("imgLogo"));
    const std::vector<TComponent*> windows{main.Form.get(), other.Form.get()};
    const struct {
        const char* Name;
        QByteArray Data;
        int MainWidth; // 0: the control stays empty
    } cases[] = {
        {"\\graphics.frmMain.imgLogo.png", Picture(12, 7, "PNG"), 12},
        {"\\graphics.frmMain.imgLogo.BMP", Picture(13, 7, "BMP"), 13}, // extension case is ignored
        {"\\graphics.frmMain.imgLogo.jpeg", Picture(14, 7, "JPEG"), 14},
        {"\\graphics.frmMain.imgLogo.jpg", Picture(15, 7, "JPEG"), 15},
        {"\\graphics.frmMain.imgLogo.gif", OnePixelGif(), 1},
        {"\\graphics.frmMain.imgLogo.tif", Picture(17, 7, "PNG"), 0},      // unknown extension
        {"\\graphics.frmMain.img.Logo.png", Picture(18, 7, "PNG"), 0},     // five parts
        {"\\graphics.frmmain.imgLogo.png", Picture(19, 7, "PNG"), 0},      // names compare exactly
        {"\\graphics.frmMain.imgMissing.png", Picture(20, 7, "PNG"), 0},   // no such control
        {"\\graphics.frmNowhere.imgLogo.png", Picture(21, 7, "PNG"), 0},   // no such window
    };
    for (const auto& c : cases) {
        main.Image->Picture()->Clear();
        Send(c.Data, QString::fromLatin1(c.Name), windows);
        EXPECT_EQ(main.Image->Picture()->Width(), c.MainWidth) << c.Name;
    }
    EXPECT_EQ(other.Image->Picture()->Width(), 0);
}

TEST(LoadPicture, OfTwoWindowsWithOneNameTheLaterWins) {
    Window first(QStringLiteral("frmSame"), QStringLiteral("img"));
    Window second(QStringLiteral("frmSame"), QStringLiteral("img"));
    Send(Picture(9, 9, "PNG"), QStringLiteral("\\x.frmSame.img.png"), {first.Form.get(), second.Form.get()});
    EXPECT_EQ(first.Image->Picture()->Width(), 0);
    EXPECT_EQ(second.Image->Picture()->Width(), 9);
    // A control named by two entries keeps the later picture.
    Send(Picture(5, 5, "PNG"), QStringLiteral("\\x.frmSame.img.png"), {second.Form.get()});
    EXPECT_EQ(second.Image->Picture()->Width(), 5);
}

TEST(LoadPicture, DataItsDecoderRejectsRaisesAndKeepsThePicture) {
    Window w(QStringLiteral("frmMain"), QStringLiteral("imgLogo"));
    Send(Picture(8, 8, "PNG"), QStringLiteral("\\x.frmMain.imgLogo.png"), {w.Form.get()});
    EXPECT_THROW(Send("not a picture", QStringLiteral("\\x.frmMain.imgLogo.png"), {w.Form.get()}), Exception);
    EXPECT_EQ(w.Image->Picture()->Width(), 8);
}

} // namespace
