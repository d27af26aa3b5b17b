#include "app/uAboutForm.h"

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Picture.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/StdCtrls.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QPainter>

TfrmKorvelAbout* frmKorvelAbout = nullptr;

KORVEL_CLASS_INFO(TfrmKorvelAbout) {}

namespace {

// The program's picture: a small table drawn in the colours of the main window.
QImage AboutPicture() {
    QImage image(48, 48, QImage::Format_ARGB32);
    image.fill(QColor(0xD4, 0xD0, 0xC8)); // the window colour
    QPainter p(&image);
    p.setPen(QColor(0x20, 0x40, 0x80));
    p.setBrush(QColor(0xFF, 0xFF, 0xFF));
    p.drawRect(4, 8, 40, 32);
    p.fillRect(5, 9, 39, 7, QColor(0x40, 0x70, 0xC0));
    for (int y = 24; y < 40; y += 8)
        p.drawLine(4, y, 44, y);
    p.drawLine(18, 16, 18, 40);
    return image;
}

} // namespace

TfrmKorvelAbout::TfrmKorvelAbout(TComponent* AOwner) : TForm(AOwner) {
    SetName(QStringLiteral("frmKorvelAbout"));
    SetCaption(QStringLiteral("About"));
    SetBorderStyle(bsSingle);
    SetPosition(poScreenCenter);
    SetClientWidth(320);
    SetClientHeight(120);

    Image = new TImage(this);
    Image->SetName(QStringLiteral("Image"));
    Image->SetParent(this);
    Image->SetBounds(16, 16, 48, 48);
    TBitmap picture;
    picture.SetImage(AboutPicture());
    Image->Picture()->SetGraphic(&picture);

    lbText = new TLabel(this);
    lbText->SetName(QStringLiteral("lbText"));
    lbText->SetParent(this);
    lbText->SetCaption(QStringLiteral("Korvel: a database application described by the files beside it."));
    lbText->SetAutoSize(false);
    lbText->SetWordWrap(true);
    lbText->SetBounds(80, 24, 224, 40);

    bOK = new TButton(this);
    bOK->SetName(QStringLiteral("bOK"));
    bOK->SetParent(this);
    bOK->SetCaption(QStringLiteral("OK"));
    bOK->SetBounds(122, 84, 75, 25);
    bOK->SetModalResult(mrOk);
    bOK->SetDefault(true);
    bOK->SetCancel(true);
}
