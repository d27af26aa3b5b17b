// A form with one of every standard control, drawn and saved as a PNG for a person to look
// at. Run under Xvfb by the "ui_screenshot_xvfb" test; offscreen it draws the same way.

#include "UiTestSupport.h"

#include "platform/rtl/SysUtils.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/ImgList.h"
#include "platform/ui/Mask.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"

#include <QDir>
#include <QImage>
#include <QPainter>

using namespace uitest;

namespace {

template <class C>
C* Add(TComponent* owner, TWinControl* parent, int l, int t, int w, int h, const QString& caption = {}) {
    auto* c = new C(owner);
    c->SetParent(parent);
    c->SetBounds(l, t, w, h);
    if (!caption.isEmpty()) c->SetCaption(caption);
    return c;
}

QString ScreenshotPath() {
    const QByteArray env = qgetenv("KORVEL_UI_SCREENSHOT");
    return env.isEmpty() ? QDir::temp().filePath(QStringLiteral("korvel-ui-controls.png")) : QString::fromLocal8Bit(env);
}

} // namespace

TEST(Screenshot, FormWithEveryControl) {
    auto form = std::make_unique<TForm>(nullptr);
    TForm* f = form.get();
    f->SetName(QStringLiteral("frmControls"));
    f->SetCaption(QStringLiteral("Controls"));
    f->SetBounds(40, 40, 640, 480);

    auto* menu = new TMainMenu(f);
    auto* file = new TMenuItem(f);
    file->SetCaption(QStringLiteral("&File"));
    menu->Items()->Add(file);
    auto* close = new TMenuItem(f);
    close->SetCaption(QStringLiteral("&Close"));
    close->SetShortCut(ShortCut('W', {ssCtrl}));
    file->Add(close);
    auto* options = new TMenuItem(f);
    options->SetCaption(QStringLiteral("&Options"));
    menu->Items()->Add(options);
    f->SetMenu(menu);

    auto* bar = Add<TToolBar>(f, f, 0, 0, 640, 29);
    bar->SetShowCaptions(true);
    for (const char* caption : {"New", "Edit", "-", "Delete"}) {
        auto* b = Add<TToolButton>(f, bar, 0, 0, 23, 22);
        if (QString::fromLatin1(caption) == QLatin1String("-"))
            b->SetStyle(tbsSeparator);
        else
            b->SetCaption(QString::fromLatin1(caption));
    }
    auto* status = Add<TStatusBar>(f, f, 0, 0, 640, 19);
    status->AddPanel().Text = QStringLiteral("Records: 12");
    status->Panels(0).Width = 120;
    status->AddPanel().Text = QStringLiteral("Ready");

    Add<TLabel>(f, f, 10, 40, 0, 0, QStringLiteral("&Name:"));
    auto* edit = Add<TEdit>(f, f, 80, 37, 150, 21);
    edit->SetText(QStringLiteral("Ivanov"));
    Add<TLabel>(f, f, 10, 68, 0, 0, QStringLiteral("Password:"));
    auto* pass = Add<TEdit>(f, f, 80, 65, 150, 21);
    pass->SetPasswordChar(QLatin1Char('*'));
    pass->SetText(QStringLiteral("secret"));
    Add<TLabel>(f, f, 10, 96, 0, 0, QStringLiteral("Phone:"));
    auto* mask = Add<TMaskEdit>(f, f, 80, 93, 150, 21);
    mask->SetEditMask(QStringLiteral("!\\(999\\) 000-0000;1;_"));
    mask->SetText(QStringLiteral("(495) 123-4567"));

    auto* memo = Add<TMemo>(f, f, 10, 122, 220, 60);
    memo->Lines()->Add(QStringLiteral("First line of the memo"));
    memo->Lines()->Add(QStringLiteral("Second line"));

    auto* combo = Add<TComboBox>(f, f, 10, 190, 220, 21);
    combo->SetStyle(csDropDownList);
    combo->Items()->Add(QStringLiteral("Moscow"));
    combo->Items()->Add(QStringLiteral("Kiev"));
    combo->SetItemIndex(0);
    auto* list = Add<TListBox>(f, f, 10, 218, 220, 60);
    for (const char* s : {"Apples", "Pears", "Plums"}) list->Items()->Add(QString::fromLatin1(s));
    list->SetItemIndex(1);

    auto* check = Add<TCheckBox>(f, f, 250, 40, 150, 17, QStringLiteral("Checked"));
    check->SetChecked(true);
    auto* gray = Add<TCheckBox>(f, f, 250, 60, 150, 17, QStringLiteral("Grayed"));
    gray->SetAllowGrayed(true);
    gray->SetState(cbGrayed);
    auto* group = Add<TGroupBox>(f, f, 250, 82, 170, 70, QStringLiteral("Delivery"));
    auto* r1 = Add<TRadioButton>(f, group, 10, 20, 140, 17, QStringLiteral("Courier"));
    r1->SetChecked(true);
    Add<TRadioButton>(f, group, 10, 42, 140, 17, QStringLiteral("Post"));

    auto* date = Add<TDateTimePicker>(f, f, 250, 160, 170, 21);
    date->SetShowCheckbox(true);
    date->SetDateTime(EncodeDateTime(2014, 4, 28, 13, 5, 9, 0));
    auto* time = Add<TDateTimePicker>(f, f, 250, 186, 170, 21);
    time->SetKind(dtkTime);
    time->SetDateTime(EncodeDateTime(2014, 4, 28, 13, 5, 9, 0));
    auto* cal = Add<TMonthCalendar>(f, f, 430, 40, 200, 160);
    cal->SetDate(EncodeDate(2014, 4, 28));

    auto* panel = Add<TPanel>(f, f, 250, 214, 170, 64, QStringLiteral("Panel caption"));
    panel->SetBevelInner(bvLowered);
    auto* speed = Add<TSpeedButton>(f, panel, 6, 6, 60, 22, QStringLiteral("Speed"));
    speed->SetGroupIndex(1);
    speed->SetDown(true);

    auto* pages = Add<TPageControl>(f, f, 10, 286, 300, 140);
    auto* sheet1 = new TTabSheet(f);
    sheet1->SetCaption(QStringLiteral("General"));
    sheet1->SetPageControl(pages);
    auto* sheet2 = new TTabSheet(f);
    sheet2->SetCaption(QStringLiteral("Details"));
    sheet2->SetPageControl(pages);
    Add<TLabel>(f, sheet1, 8, 8, 0, 0, QStringLiteral("A label on the first page"));
    auto* ok = Add<TButton>(f, sheet1, 8, 30, 75, 25, QStringLiteral("OK"));
    ok->SetDefault(true);
    Add<TButton>(f, sheet1, 90, 30, 75, 25, QStringLiteral("Cancel"));

    auto* image = Add<TImage>(f, f, 320, 286, 100, 80);
    {
        QImage pic(64, 48, QImage::Format_RGB32);
        pic.fill(QColor(40, 120, 200));
        QPainter p(&pic);
        p.setBrush(QColor(250, 200, 40));
        p.drawEllipse(16, 8, 32, 32);
        p.end();
        auto bmp = std::make_unique<TBitmap>();
        bmp->SetImage(pic);
        image->Picture()->SetGraphic(std::move(bmp));
    }
    image->SetStretch(true);
    image->SetProportional(true);
    image->SetCenter(true);

    auto* box = Add<TScrollBox>(f, f, 430, 210, 200, 120);
    for (int i = 0; i < 6; ++i)
        Add<TButton>(f, box, 10, 10 + i * 30, 120, 25, QStringLiteral("In scroll box %1").arg(i + 1));
    box->UpdateScrollRange();

    auto* icons = new TImageList(f);
    {
        QImage icon(16, 16, QImage::Format_ARGB32);
        icon.fill(Qt::transparent);
        QPainter p(&icon);
        p.setBrush(QColor(30, 160, 60));
        p.setPen(Qt::NoPen);
        p.drawEllipse(2, 2, 12, 12);
        p.end();
        icons->AddImage(icon);
    }
    auto* save = Add<TButton>(f, f, 430, 400, 90, 25, QStringLiteral("Save"));
    save->SetImages(icons);
    save->SetImageIndex(0);
    auto* fileEdit = Add<TButtonedEdit>(f, f, 320, 372, 100, 21);
    fileEdit->SetImages(icons);
    fileEdit->RightButton().SetImageIndex(0);
    fileEdit->RightButton().SetVisible(true);
    fileEdit->SetText(QStringLiteral("doc.pdf"));

    auto* bevel = Add<TBevel>(f, f, 430, 340, 200, 2);
    bevel->SetShape(bsTopLine);

    f->Show();
    Activate(f);
    edit->SetFocus();
    for (int i = 0; i < 5; ++i) QApplication::processEvents();

    const QImage shot = f->Widget()->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.width(), 640);
    EXPECT_EQ(shot.height(), 480);
    const QString path = ScreenshotPath();
    ASSERT_TRUE(shot.save(path, "PNG")) << path.toStdString();
    std::printf("screenshot: %s\n", qPrintable(path));

    // A few pixels that tell the controls took their places and colours.
    const QPoint formOrigin = f->Widget()->mapFromGlobal(f->Widget()->mapToGlobal(QPoint(0, 0)));
    (void)formOrigin;
    const TPoint panelAt = panel->ClientToParent({panel->Width() - 4, panel->Height() / 2}, f);
    const TPoint off = f->ClientOffset();
    EXPECT_EQ(shot.pixelColor(panelAt.X + off.X, panelAt.Y + off.Y), ColorToQColor(clBtnFace));
    EXPECT_EQ(status->Top() + status->Height(), f->ClientHeight());
    EXPECT_EQ(bar->Top(), 0);
    EXPECT_EQ(pages->ActivePage(), sheet1);
    EXPECT_TRUE(sheet1->Visible());
    EXPECT_FALSE(sheet2->Visible());
    EXPECT_TRUE(box->ScrollBarVisible(SB_VERT));
}
