#include "report/core/rptPassword.h"

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Picture.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/StdCtrls.h"
#include "report/core/rptRes.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

KORVEL_CLASS_INFO(TrptPasswordForm) {}

namespace {

// A key in the window's colours.
QImage KeyPicture() {
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(QColor(0xD4, 0xD0, 0xC8));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x80, 0x60, 0x00), 2));
    p.setBrush(QColor(0xF0, 0xC0, 0x30));
    p.drawEllipse(QRectF(3, 3, 13, 13));
    p.setBrush(QColor(0xD4, 0xD0, 0xC8));
    p.drawEllipse(QRectF(7, 7, 5, 5));
    p.drawLine(QPointF(14, 14), QPointF(28, 28));
    p.drawLine(QPointF(22, 22), QPointF(26, 18));
    p.drawLine(QPointF(25, 25), QPointF(29, 21));
    return image;
}

} // namespace

TrptPasswordForm::TrptPasswordForm(TComponent* AOwner) : TForm(AOwner) {
    SetName(QStringLiteral("rptPasswordForm"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(252);
    SetClientHeight(92);
    Font()->SetName(QStringLiteral("Tahoma"));
    Font()->SetSize(8);

    Image = new TImage(this);
    Image->SetName(QStringLiteral("Image"));
    Image->SetParent(this);
    Image->SetBounds(8, 8, 32, 32);
    TBitmap picture;
    picture.SetImage(KeyPicture());
    Image->Picture()->SetGraphic(&picture);

    PasswordL = new TLabel(this);
    PasswordL->SetName(QStringLiteral("PasswordL"));
    PasswordL->SetParent(this);
    PasswordL->SetAutoSize(false);
    PasswordL->SetBounds(88, 8, 157, 13);

    PasswordE = new TEdit(this);
    PasswordE->SetName(QStringLiteral("PasswordE"));
    PasswordE->SetParent(this);
    PasswordE->SetBounds(88, 28, 157, 21);
    PasswordE->SetPasswordChar(QLatin1Char('*'));
    PasswordE->SetText(QString());

    OkB = new TButton(this);
    OkB->SetName(QStringLiteral("OkB"));
    OkB->SetParent(this);
    OkB->SetBounds(88, 60, 75, 25);
    OkB->SetDefault(true);
    OkB->SetModalResult(mrOk);

    CancelB = new TButton(this);
    CancelB->SetName(QStringLiteral("CancelB"));
    CancelB->SetParent(this);
    CancelB->SetBounds(168, 60, 75, 25);
    CancelB->SetCancel(true);
    CancelB->SetModalResult(mrCancel);

    SetCaption(ResourceTextById(5000));
    PasswordL->SetCaption(ResourceTextById(5001));
    OkB->SetCaption(ResourceTextById(1));
    CancelB->SetCaption(ResourceTextById(2));

    if (QGuiApplication::isRightToLeft()) {
        const int width = ClientWidth();
        for (TControl* c : {static_cast<TControl*>(Image), static_cast<TControl*>(PasswordL),
                            static_cast<TControl*>(PasswordE), static_cast<TControl*>(OkB),
                            static_cast<TControl*>(CancelB)})
            c->SetLeft(width - c->Left() - c->Width());
    }
    SetActiveControl(PasswordE);
}

bool AskReportPassword(QString& typed) {
    std::unique_ptr<TrptPasswordForm> form(new TrptPasswordForm(Application));
    const bool ok = form->ShowModal() == mrOk;
    typed = form->PasswordE->Text();
    return ok;
}
