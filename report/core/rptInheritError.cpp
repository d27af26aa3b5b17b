#include "report/core/rptInheritError.h"

#include "platform/gfx/Canvas.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/ImgList.h"
#include "platform/ui/StdCtrls.h"
#include "report/core/rptRes.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

KORVEL_CLASS_INFO(TrptInheritErrorForm) {}

namespace {

// A warning sign: two sheets with an exclamation mark, in the window's colours.
QImage WarningPicture() {
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x60, 0x60, 0x60), 1));
    p.setBrush(QColor(0xFF, 0xFF, 0xFF));
    p.drawRect(QRectF(2.5, 2.5, 17, 22));
    p.drawRect(QRectF(8.5, 7.5, 17, 22));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xE0, 0x30, 0x20));
    p.drawEllipse(QRectF(14, 12, 16, 16));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(21, 15, 2, 7));
    p.drawRect(QRectF(21, 23.5, 2, 2));
    return image;
}

} // namespace

TrptInheritErrorForm::TrptInheritErrorForm(TComponent* AOwner) : TForm(AOwner) {
    SetName(QStringLiteral("rptInheritErrorForm"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(256);
    SetClientHeight(152);
    Font()->SetName(QStringLiteral("Tahoma"));
    Font()->SetSize(8);

    ImageList = new TImageList(this);
    ImageList->SetName(QStringLiteral("ImageList"));
    ImageList->SetWidth(32);
    ImageList->SetHeight(32);
    ImageList->AddImage(WarningPicture());

    PaintBox = new TPaintBox(this);
    PaintBox->SetName(QStringLiteral("PaintBox"));
    PaintBox->SetParent(this);
    PaintBox->SetBounds(12, 16, 32, 32);
    PaintBox->OnPaint = [this](TObject* Sender) { PaintBoxPaint(Sender); };

    MessageL = new TLabel(this);
    MessageL->SetName(QStringLiteral("MessageL"));
    MessageL->SetParent(this);
    MessageL->SetAutoSize(false);
    MessageL->SetWordWrap(true);
    MessageL->SetBounds(60, 16, 185, 41);

    DeleteRB = new TRadioButton(this);
    DeleteRB->SetName(QStringLiteral("DeleteRB"));
    DeleteRB->SetParent(this);
    DeleteRB->SetBounds(12, 68, 233, 17);

    RenameRB = new TRadioButton(this);
    RenameRB->SetName(QStringLiteral("RenameRB"));
    RenameRB->SetParent(this);
    RenameRB->SetBounds(12, 88, 233, 17);
    DeleteRB->SetChecked(true);

    OkB = new TButton(this);
    OkB->SetName(QStringLiteral("OkB"));
    OkB->SetParent(this);
    OkB->SetBounds(48, 120, 75, 25);
    OkB->SetDefault(true);
    OkB->SetModalResult(mrOk);

    CancelB = new TButton(this);
    CancelB->SetName(QStringLiteral("CancelB"));
    CancelB->SetParent(this);
    CancelB->SetBounds(128, 120, 75, 25);
    CancelB->SetCancel(true);
    CancelB->SetModalResult(mrCancel);

    SetCaption(ResourceTextById(6000));
    MessageL->SetCaption(ResourceTextById(6001));
    DeleteRB->SetCaption(ResourceTextById(6002));
    RenameRB->SetCaption(ResourceTextById(6003));
    OkB->SetCaption(ResourceTextById(1));
    CancelB->SetCaption(ResourceTextById(2));

    if (QGuiApplication::isRightToLeft()) {
        const int width = ClientWidth();
        for (TControl* c : {static_cast<TControl*>(PaintBox), static_cast<TControl*>(MessageL),
                            static_cast<TControl*>(DeleteRB), static_cast<TControl*>(RenameRB),
                            static_cast<TControl*>(OkB), static_cast<TControl*>(CancelB)})
            c->SetLeft(width - c->Left() - c->Width());
    }
}

void TrptInheritErrorForm::PaintBoxPaint(TObject* Sender) {
    (void)Sender;
    TCanvas* canvas = PaintBox->Canvas();
    if (!canvas) return;
    canvas->Brush().SetColor(PaintBox->Color());
    canvas->FillRect(TRect(0, 0, 32, 32));
    ImageList->Draw(*canvas, 0, 0, 0);
}
