// The standard controls: values, items, events and the conversions they rely on.

#include "UiTestSupport.h"

#include "platform/rtl/SysUtils.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/Clipbrd.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/ImgList.h"
#include "platform/ui/Mask.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QAction>
#include <QMenu>
#include <QPushButton>

using namespace uitest;

namespace {

struct ControlsTest : ::testing::Test {
    std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
    template <class C>
    C* Add(int l = 10, int t = 10, int w = 100, int h = 21) {
        auto* c = new C(Form.get());
        c->SetParent(Form.get());
        c->SetBounds(l, t, w, h);
        return c;
    }
};

} // namespace

TEST_F(ControlsTest, CheckBoxCyclesThroughGrayedOnlyWhenAllowed) {
    auto* cb = Add<TCheckBox>();
    QStringList states;
    cb->OnClick = [&](TObject*) { states << QString::number(cb->State()); };
    Form->Show();
    auto* w = static_cast<QCheckBox*>(cb->Widget());
    w->click();
    w->click();
    cb->SetAllowGrayed(true);
    w->click();
    w->click();
    w->click();
    EXPECT_EQ(states, (QStringList{"1", "0", "2", "1", "0"}));
    // The program's own changes raise OnClick too, but only when the state changes.
    states.clear();
    cb->SetChecked(true);
    cb->SetChecked(true);
    EXPECT_EQ(states, (QStringList{"1"}));
    EXPECT_EQ(w->checkState(), Qt::Checked);
}

TEST_F(ControlsTest, RadioButtonsOfOneParentExcludeEachOther) {
    auto* a = Add<TRadioButton>(10, 10);
    auto* b = Add<TRadioButton>(10, 40);
    int clicks = 0;
    b->OnClick = [&](TObject*) { ++clicks; };
    a->SetChecked(true);
    b->SetChecked(true);
    EXPECT_FALSE(a->Checked());
    EXPECT_TRUE(b->Checked());
    EXPECT_EQ(clicks, 1);
}

TEST_F(ControlsTest, ComboBoxItemsAndIndexStayInStep) {
    auto* combo = Add<TComboBox>();
    combo->SetStyle(csDropDownList);
    combo->Items()->Add(QStringLiteral("one"));
    combo->Items()->Add(QStringLiteral("two"));
    EXPECT_EQ(combo->ItemIndex(), -1);
    combo->SetItemIndex(1);
    Form->Show();
    auto* qc = static_cast<QComboBox*>(combo->Widget());
    EXPECT_EQ(qc->count(), 2);
    EXPECT_EQ(qc->currentIndex(), 1);
    EXPECT_EQ(combo->Text(), QStringLiteral("two"));
    int changes = 0;
    combo->OnChange = [&](TObject*) { ++changes; };
    // The user picks an item: OnChange, and the index follows.
    qc->setCurrentIndex(0);
    emit qc->activated(0);
    EXPECT_EQ(combo->ItemIndex(), 0);
    EXPECT_EQ(changes, 1);
    // Items added later show up; an index out of range means no selection.
    combo->Items()->Add(QStringLiteral("three"));
    EXPECT_EQ(qc->count(), 3);
    combo->SetItemIndex(7);
    EXPECT_EQ(combo->ItemIndex(), -1);
    combo->Clear();
    EXPECT_EQ(qc->count(), 0);
    EXPECT_EQ(combo->ItemIndex(), -1);
}

TEST_F(ControlsTest, MemoLinesAndTextAreTheSameContent) {
    auto* memo = Add<TMemo>(10, 10, 200, 100);
    memo->Lines()->Add(QStringLiteral("first"));
    memo->Lines()->Add(QStringLiteral("second"));
    // The text is the window's: breaks between lines, none after the last, unlike Lines.Text.
    EXPECT_EQ(memo->Text(), QStringLiteral("first\r\nsecond"));
    EXPECT_EQ(memo->Lines()->Text(), QStringLiteral("first\r\nsecond\r\n"));
    Form->Show();
    memo->SetText(QStringLiteral("a\r\nb\r\nc"));
    EXPECT_EQ(memo->Lines()->Count(), 3);
    EXPECT_EQ(memo->Lines()->Strings(2), QStringLiteral("c"));
    EXPECT_EQ(memo->Text(), QStringLiteral("a\r\nb\r\nc"));
    // Typed text: a final empty line is part of the text; an empty memo has no text at all.
    static_cast<QPlainTextEdit*>(memo->Widget())->setPlainText(QStringLiteral("one\n"));
    EXPECT_EQ(memo->Text(), QStringLiteral("one\r\n"));
    memo->Clear();
    EXPECT_EQ(memo->Text(), QString());
    EXPECT_EQ(memo->Lines()->Count(), 0);
}

TEST_F(ControlsTest, EditKeepsMaxLengthReadOnlyAndModified) {
    auto* edit = Add<TEdit>();
    edit->SetMaxLength(3);
    int changes = 0;
    edit->OnChange = [&](TObject*) { ++changes; };
    edit->SetText(QStringLiteral("abc"));
    EXPECT_EQ(changes, 1);
    Form->Show();
    EXPECT_FALSE(edit->Modified());
    Activate(Form.get());
    edit->SetFocus();
    static_cast<QLineEdit*>(edit->Widget())->end(false);
    SendKey(edit->Widget(), Qt::Key_D, QStringLiteral("d"));
    EXPECT_EQ(edit->Text(), QStringLiteral("abc")); // at MaxLength already
    SendKey(edit->Widget(), Qt::Key_Backspace, QStringLiteral("\b"));
    EXPECT_EQ(edit->Text(), QStringLiteral("ab"));
    EXPECT_TRUE(edit->Modified());
    edit->SetReadOnly(true);
    SendKey(edit->Widget(), Qt::Key_X, QStringLiteral("x"));
    EXPECT_EQ(edit->Text(), QStringLiteral("ab"));
}

TEST(Mask, ClassicMasksTranslateAndLiteralsFollowTheSaveFlag) {
    struct Case {
        const char* mask;
        const char* qt;
    } cases[] = {
        {"!99/99/0000;1;_", "00\\/00\\/9999;_"},
        {"000-000;0;_", "999-999;_"},
        {">LL<ll;1; ", ">AA<aa; "},
        {"\\(999\\) 000;1;_", "\\(000\\) 999;_"},
        {"AaCc#", "NnXx#;_"},
    };
    TFormatSettingsScope fs(QStringLiteral("en_US"));
    for (const Case& c : cases) EXPECT_EQ(EditMaskToQt(QString::fromLatin1(c.mask)), QString::fromLatin1(c.qt)) << c.mask;
    EXPECT_EQ(MaskedTextValue(QStringLiteral("000-000;0;_"), QStringLiteral("123-45_")), QStringLiteral("12345"));
    EXPECT_EQ(MaskedTextValue(QStringLiteral("000-000;1;_"), QStringLiteral("123-456")), QStringLiteral("123-456"));
}

TEST_F(ControlsTest, MaskEditGivesTextWithoutLiteralsWhenAsked) {
    auto* edit = Add<TMaskEdit>();
    edit->SetEditMask(QStringLiteral("000-000;0;_"));
    Form->Show();
    static_cast<QLineEdit*>(edit->Widget())->setText(QStringLiteral("123456"));
    EXPECT_EQ(edit->EditText(), QStringLiteral("123-456"));
    EXPECT_EQ(edit->Text(), QStringLiteral("123456"));
    static_cast<QLineEdit*>(edit->Widget())->setText(QStringLiteral("12"));
    EXPECT_THROW(edit->ValidateEdit(), EDBEditError);
}

TEST(DateTimeConversion, TDateTimeRoundTripsThroughQt) {
    for (TDateTime v : {0.0, 41757.5452430556, 2.25, -1.25, 73050.999988426}) {
        const QDateTime q = DateTimeToQDateTime(v);
        EXPECT_NEAR(QDateTimeToDateTime(q), v, 1.0 / MSecsPerDay) << v;
    }
    EXPECT_EQ(DateTimeToQDateTime(0).date(), QDate(1899, 12, 30));
    EXPECT_EQ(DateTimeToQDateTime(-1.25), QDateTime(QDate(1899, 12, 29), QTime(6, 0)));
    EXPECT_EQ(DateTimeFormatToQt(QStringLiteral("dd/mm/yyyy hh:nn:ss")), QStringLiteral("dd/MM/yyyy HH:mm:ss"));
    EXPECT_EQ(DateTimeFormatToQt(QStringLiteral("d mmmm yy")), QStringLiteral("d MMMM yy"));
}

TEST_F(ControlsTest, DateTimePickerKeepsDateOrTimeAndItsCheckBox) {
    auto* picker = Add<TDateTimePicker>();
    picker->SetShowCheckbox(true);
    picker->SetChecked(false);
    const TDateTime when = EncodeDateTime(2014, 4, 28, 13, 5, 9, 0);
    int changes = 0;
    picker->OnChange = [&](TObject*) { ++changes; };
    picker->SetDateTime(when);
    EXPECT_EQ(changes, 1);
    picker->SetKind(dtkTime);
    Form->Show();
    EXPECT_FALSE(picker->Checked());
    auto* edit = picker->Widget()->findChild<QDateTimeEdit*>();
    ASSERT_NE(edit, nullptr);
    EXPECT_FALSE(edit->isEnabled()); // unticked: no value
    // The user changes the time: the date part stays.
    edit->setTime(QTime(8, 30, 0));
    EXPECT_EQ(changes, 2);
    EXPECT_NEAR(picker->DateTime(), EncodeDateTime(2014, 4, 28, 8, 30, 0, 0), 1e-9);
    auto* check = picker->Widget()->findChild<QCheckBox*>();
    ASSERT_NE(check, nullptr);
    check->click();
    EXPECT_TRUE(picker->Checked());
    EXPECT_EQ(changes, 3);
}

TEST_F(ControlsTest, MonthCalendarClickRaisesOnClickWithTheNewDate) {
    auto* cal = Add<TMonthCalendar>(10, 10, 225, 160);
    cal->SetDate(EncodeDate(2014, 4, 28));
    TDateTime seen = 0;
    cal->OnClick = [&](TObject*) { seen = cal->Date(); };
    Form->Show();
    auto* qc = static_cast<QCalendarWidget*>(cal->Widget());
    emit qc->clicked(QDate(2014, 4, 30));
    EXPECT_EQ(seen, EncodeDate(2014, 4, 30));
}

TEST_F(ControlsTest, PageControlOrdersSheetsAndAsksBeforeChanging) {
    auto* pages = Add<TPageControl>(0, 0, 300, 200);
    auto* a = new TTabSheet(Form.get());
    a->SetCaption(QStringLiteral("A"));
    a->SetPageControl(pages);
    auto* b = new TTabSheet(Form.get());
    b->SetCaption(QStringLiteral("B"));
    b->SetPageControl(pages);
    EXPECT_EQ(pages->ActivePage(), a);
    // Sheets reordered by index, as the window builder does with PageIndex.
    b->SetPageIndex(0);
    EXPECT_EQ(pages->Pages(0), b);
    EXPECT_EQ(a->PageIndex(), 1);
    Form->Show();
    auto* bar = pages->Widget()->findChild<QTabBar*>();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->tabText(0), QStringLiteral("B"));
    bool allow = false;
    int changes = 0;
    pages->OnChanging = [&](TObject*, bool& ok) { ok = allow; };
    pages->OnChange = [&](TObject*) { ++changes; };
    emit bar->tabBarClicked(0);
    EXPECT_EQ(pages->ActivePage(), a);
    allow = true;
    emit bar->tabBarClicked(0);
    EXPECT_EQ(pages->ActivePage(), b);
    EXPECT_TRUE(b->Visible());
    EXPECT_FALSE(a->Visible());
    EXPECT_EQ(changes, 1);
    // The sheets fill the page control's display area.
    EXPECT_EQ(b->BoundsRect(), pages->DisplayRect());
}

TEST(Menus, ShortCutsReadAndWriteTheirText) {
    EXPECT_EQ(ShortCutToText(ShortCut('S', {ssCtrl})), QStringLiteral("Ctrl+S"));
    EXPECT_EQ(ShortCutToText(ShortCut(VK_F5, {ssShift})), QStringLiteral("Shift+F5"));
    EXPECT_EQ(ShortCutToText(ShortCut(VK_DELETE, {ssAlt, ssCtrl})), QStringLiteral("Ctrl+Alt+Del"));
    EXPECT_EQ(TextToShortCut(QStringLiteral("Ctrl+Alt+Del")), ShortCut(VK_DELETE, {ssAlt, ssCtrl}));
    EXPECT_EQ(TextToShortCut(QStringLiteral("Nonsense")), 0);
}

TEST(Menus, ItemsClickCheckAndFindByCaption) {
    auto form = std::make_unique<TForm>(nullptr);
    auto* menu = new TPopupMenu(form.get());
    auto* copy = new TMenuItem(form.get());
    copy->SetCaption(QStringLiteral("&Copy"));
    copy->SetShortCut(ShortCut('C', {ssCtrl}));
    menu->Items()->Add(copy);
    auto* wrap = new TMenuItem(form.get());
    wrap->SetCaption(QStringLiteral("Word &wrap"));
    wrap->SetAutoCheck(true);
    menu->Items()->Add(wrap);
    int copies = 0;
    copy->OnClick = [&](TObject*) { ++copies; };
    EXPECT_EQ(menu->Items()->Find(QStringLiteral("copy")), copy);
    EXPECT_TRUE(menu->IsShortCut('C', {ssCtrl}));
    EXPECT_EQ(copies, 1);
    // The Qt menu runs the same item.
    QMenu* qm = menu->Menu();
    ASSERT_EQ(qm->actions().size(), 2);
    qm->actions()[0]->trigger();
    EXPECT_EQ(copies, 2);
    qm->actions()[1]->trigger();
    EXPECT_TRUE(wrap->Checked());
    copy->SetEnabled(false);
    EXPECT_FALSE(menu->IsShortCut('C', {ssCtrl}));
    EXPECT_EQ(copies, 2);
}

TEST_F(ControlsTest, RightClickShowsThePopupMenuOfTheControl) {
    auto* panel = Add<TPanel>(10, 10, 100, 50);
    auto* menu = new TPopupMenu(Form.get());
    auto* item = new TMenuItem(Form.get());
    item->SetCaption(QStringLiteral("Refresh"));
    menu->Items()->Add(item);
    panel->SetPopupMenu(menu);
    int popups = 0;
    menu->OnPopup = [&](TObject*) { ++popups; };
    Form->Show();
    QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(5, 5), panel->Widget()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(panel->Widget(), &e);
    EXPECT_EQ(popups, 1);
    EXPECT_EQ(menu->PopupComponent(), panel);
    menu->Menu()->hide();
}

TEST_F(ControlsTest, LabelSizesItselfToItsCaption) {
    auto* label = Add<TLabel>(10, 10, 0, 0);
    label->SetCaption(QStringLiteral("Short"));
    const int shortWidth = label->Width();
    label->SetCaption(QStringLiteral("A much longer caption"));
    EXPECT_GT(label->Width(), shortWidth);
    EXPECT_GT(label->Height(), 0);
    label->SetAutoSize(false);
    label->SetCaption(QStringLiteral("x"));
    EXPECT_GT(label->Width(), shortWidth);
}

TEST_F(ControlsTest, ImagePlacesItsPictureByStretchProportionalAndCenter) {
    auto* image = Add<TImage>(0, 0, 100, 80);
    auto bmp = std::make_unique<TBitmap>();
    bmp->SetSize(50, 20);
    image->Picture()->SetGraphic(std::move(bmp));
    EXPECT_EQ(image->DestRect(), Rect(0, 0, 50, 20));
    image->SetCenter(true);
    EXPECT_EQ(image->DestRect(), Bounds(25, 30, 50, 20));
    image->SetStretch(true);
    image->SetProportional(true);
    EXPECT_EQ(image->DestRect(), Bounds(0, 20, 100, 40));
    image->SetProportional(false);
    EXPECT_EQ(image->DestRect(), Rect(0, 0, 100, 80));
}

TEST_F(ControlsTest, SpeedButtonsOfAGroupKeepOneDown) {
    auto* a = Add<TSpeedButton>(0, 0, 23, 22);
    auto* b = Add<TSpeedButton>(30, 0, 23, 22);
    a->SetGroupIndex(1);
    b->SetGroupIndex(1);
    Form->Show();
    Click(a->Widget(), QPoint(3, 3));
    EXPECT_TRUE(a->Down());
    Click(b->Widget(), QPoint(3, 3));
    EXPECT_TRUE(b->Down());
    EXPECT_FALSE(a->Down());
    // Without AllowAllUp the last one stays down.
    Click(b->Widget(), QPoint(3, 3));
    EXPECT_TRUE(b->Down());
}

TEST_F(ControlsTest, DialogComponentsAskThroughTheServices) {
    ScriptedUI ui;
    ui->AnswerFile({QStringLiteral("/tmp/report")}, 2).AnswerColor(clRed).CancelFile();
    TSaveDialog save(nullptr);
    save.SetDefaultExt(QStringLiteral("pdf"));
    save.SetFilter(QStringLiteral("Text|*.txt|PDF|*.pdf"));
    ASSERT_TRUE(save.Execute());
    EXPECT_EQ(save.FileName(), QStringLiteral("/tmp/report.pdf"));
    EXPECT_EQ(save.FilterIndex(), 2);
    TColorDialog color(nullptr);
    ASSERT_TRUE(color.Execute());
    EXPECT_EQ(color.Color(), clRed);
    TOpenPictureDialog open(nullptr);
    EXPECT_TRUE(open.Filter().contains(QStringLiteral("*.png"), Qt::CaseInsensitive));
    EXPECT_FALSE(open.Execute());
    EXPECT_TRUE(ui->Asked().last().contains(QStringLiteral("Open file")));
}

TEST(Clipboard, CarriesTextAndPictures) {
    Clipboard().SetAsText(QStringLiteral("copied cell"));
    EXPECT_EQ(Clipboard().AsText(), QStringLiteral("copied cell"));
    EXPECT_TRUE(Clipboard().HasFormat(CF_TEXT));
    TPicture pic;
    auto bmp = std::make_unique<TBitmap>();
    bmp->SetSize(4, 3);
    pic.SetGraphic(std::move(bmp));
    Clipboard().Assign(pic);
    EXPECT_TRUE(Clipboard().HasFormat(CF_PICTURE));
    TPicture back;
    ASSERT_TRUE(Clipboard().GetPicture(back));
    EXPECT_EQ(back.Width(), 4);
    EXPECT_EQ(back.Height(), 3);
}

TEST(HintWindow, ShowsTextInAScreenRectangle) {
    THintWindow hint(nullptr);
    const TRect r = hint.CalcHintRect(200, QStringLiteral("A rather long hint that should wrap into lines"));
    EXPECT_LE(r.Width(), 206);
    EXPECT_GT(r.Height(), 0);
    TRect at = r;
    OffsetRect(at, 300, 200);
    hint.ActivateHint(at, QStringLiteral("A rather long hint that should wrap into lines"));
    EXPECT_TRUE(hint.IsShowing());
    EXPECT_EQ(hint.Widget()->geometry(), QRect(300, 200, r.Width(), r.Height()));
    EXPECT_TRUE(hint.Widget()->isWindow());
    hint.ReleaseHandle();
    EXPECT_FALSE(hint.IsShowing());
}

TEST_F(ControlsTest, ParentFontAndColourFlowDownUntilAChildSetsItsOwn) {
    auto* panel = Add<TPanel>(0, 0, 200, 100);
    auto* inherits = new TLabel(Form.get());
    inherits->SetParent(panel);
    auto* own = new TLabel(Form.get());
    own->SetParent(panel);
    own->Font()->SetName(QStringLiteral("Liberation Serif"));
    EXPECT_FALSE(own->ParentFont());
    Form->Font()->SetSize(14);
    EXPECT_EQ(panel->Font()->Size(), 14);
    EXPECT_EQ(inherits->Font()->Size(), 14);
    EXPECT_TRUE(inherits->ParentFont());
    EXPECT_NE(own->Font()->Size(), 14);
    Form->SetColor(clWhite);
    EXPECT_EQ(panel->Color(), clWhite);
    panel->SetColor(clYellow);
    Form->SetColor(clAqua);
    EXPECT_EQ(panel->Color(), clYellow);
    EXPECT_FALSE(panel->ParentColor());
}

TEST_F(ControlsTest, MouseEnterAndLeaveReachTheEvents) {
    auto* panel = Add<TPanel>(0, 0, 100, 50);
    QStringList seen;
    panel->OnMouseEnter = [&](TObject*) { seen << "enter"; };
    panel->OnMouseLeave = [&](TObject*) { seen << "leave"; };
    Form->Show();
    QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), panel->Widget()->mapToGlobal(QPointF(5, 5)));
    QApplication::sendEvent(panel->Widget(), &enter);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(panel->Widget(), &leave);
    EXPECT_EQ(seen, (QStringList{"enter", "leave"}));
}

TEST_F(ControlsTest, ButtonClickSetsTheModalResultAndHandlerErrorsAreCaught) {
    ScriptedUI ui;
    ui->AnswerMessage(mrOk, QStringLiteral("Database is locked"));
    auto* ok = Add<TButton>();
    ok->SetModalResult(mrOk);
    ok->OnClick = [](TObject*) { throw EDatabaseError(QStringLiteral("Database is locked")); };
    Form->Show();
    EXPECT_NO_THROW(static_cast<QPushButton*>(ok->Widget())->click());
    EXPECT_EQ(Form->ModalResult(), mrOk);
}

namespace {
QImage Solid(int w, int h, QColor c) {
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(c);
    return img;
}
} // namespace

TEST_F(ControlsTest, ImageListsKeepSizedPicturesForButtonsAndEdits) {
    auto* images = new TImageList(Form.get());
    EXPECT_EQ(images->AddImage(Solid(16, 16, Qt::red)), 0);
    EXPECT_EQ(images->AddImage(Solid(32, 8, Qt::blue)), 1); // scaled to the list's size
    EXPECT_EQ(images->Image(1).size(), QSize(16, 16));
    EXPECT_THROW(images->Image(2), EInvalidOperation);

    auto* button = Add<TButton>();
    button->SetImages(images);
    button->SetImageIndex(1);
    Form->Show();
    auto* qb = static_cast<QPushButton*>(button->Widget());
    EXPECT_FALSE(qb->icon().isNull());
    button->SetImageIndex(-1);
    EXPECT_TRUE(qb->icon().isNull());

    auto* edit = Add<TButtonedEdit>(10, 40, 150, 21);
    edit->SetImages(images);
    edit->RightButton().SetImageIndex(0);
    edit->RightButton().SetHint(QStringLiteral("Save or open the stored file."));
    edit->RightButton().SetVisible(true);
    int rights = 0, lefts = 0;
    edit->OnRightButtonClick = [&](TObject*) { ++rights; };
    edit->OnLeftButtonClick = [&](TObject*) { ++lefts; };
    const auto actions = edit->Widget()->findChildren<QAction*>();
    QAction* right = nullptr;
    for (QAction* a : actions)
        if (a->toolTip() == QStringLiteral("Save or open the stored file.")) right = a;
    ASSERT_NE(right, nullptr);
    EXPECT_TRUE(right->isVisible());
    right->trigger();
    edit->ClickLeftButton(); // hidden: nothing happens
    EXPECT_EQ(rights, 1);
    EXPECT_EQ(lefts, 0);
    // Freeing the image list leaves the controls without pictures, not with a dangling list.
    std::unique_ptr<TImageList> doomed(images);
    Form->RemoveComponent(images);
    doomed.reset();
    EXPECT_EQ(button->Images(), nullptr);
    EXPECT_EQ(edit->Images(), nullptr);
}

TEST(FindDialog, EachFindNextRaisesOnFindAndClosingRaisesOnClose) {
    ScriptedUI ui;
    ui->AnswerFind({QStringLiteral("ivan"), QStringLiteral("ivan")}, true);
    TFindDialog find(nullptr);
    find.SetOptions({frDown, frHideWholeWord, frHideUpDown});
    QStringList log;
    find.OnFind = [&](TObject*) {
        log << QStringLiteral("find %1%2%3")
                   .arg(find.FindText())
                   .arg(find.Options().Contains(frFindNext) ? " next" : "")
                   .arg(find.Options().Contains(frMatchCase) ? " case" : "");
    };
    find.OnClose = [&](TObject*) { log << QStringLiteral("close"); };
    EXPECT_TRUE(find.Execute());
    EXPECT_EQ(log, (QStringList{"find ivan next case", "find ivan next case", "close"}));
    EXPECT_FALSE(find.IsOpen());
    EXPECT_TRUE(find.Options().Contains(frHideUpDown));
}
