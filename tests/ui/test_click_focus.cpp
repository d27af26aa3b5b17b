// A click on any focusable control gives it the focus, so the keys typed next go to it: the
// control the user left hears OnExit once and the clicked one OnEnter once per visit.

#include "UiTestSupport.h"

#include "platform/rtl/SysUtils.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Mask.h"
#include "platform/ui/StdCtrls.h"

#include <QCalendarWidget>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QTest>

using namespace uitest;

namespace {

struct ClickFocus : ::testing::Test {
    QStringList Log;
    std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
    TEdit* Home = nullptr;

    template <class C> C* Add(const QString& name, int l, int t, int w, int h) {
        auto* c = new C(Form.get());
        c->SetName(name);
        c->SetParent(Form.get());
        c->SetBounds(l, t, w, h);
        Watch(c);
        return c;
    }
    void Watch(TWinControl* c) {
        c->OnEnter = [this](TObject* s) { Log << "enter " + static_cast<TComponent*>(s)->Name(); };
        c->OnExit = [this](TObject* s) { Log << "exit " + static_cast<TComponent*>(s)->Name(); };
    }
    void SetUp() override {
        Form->SetBounds(10, 10, 700, 500);
        Home = Add<TEdit>("home", 10, 10, 120, 22);
    }
    void ShowAndStartAtHome() {
        Form->Show();
        Activate(Form.get());
        Home->SetFocus();
        QApplication::processEvents();
        Log.clear();
    }
};

// Clicks where a user would: the deepest widget under the point receives the press.
void UserClick(TControl* c, QPoint pos) {
    QWidget* top = c->Widget();
    QWidget* target = top->childAt(pos);
    if (!target) target = top;
    QTest::mouseClick(target, Qt::LeftButton, {}, target->mapFrom(top, pos));
    QApplication::processEvents();
}

// Types as a keyboard does: into whatever widget holds the focus.
void UserType(const QString& text) {
    QTest::keyClicks(QApplication::focusWidget(), text);
    QApplication::processEvents();
}

// A point of the field over the character at index.
QPoint PointAtCharacter(QLineEdit* line, int index) {
    for (int x = 0; x < line->width(); ++x)
        if (line->cursorPositionAt(QPoint(x, line->height() / 2)) == index) return QPoint(x + 1, line->height() / 2);
    ADD_FAILURE() << "no point over character " << index;
    return {};
}

} // namespace

TEST_F(ClickFocus, EveryFocusableControlTakesTheFocusOnAClick) {
    std::vector<TWinControl*> controls;
    controls.push_back(Add<TEdit>("edit", 150, 10, 120, 22));
    auto* mask = Add<TMaskEdit>("mask", 290, 10, 120, 22);
    mask->SetEditMask("000;0;_");
    controls.push_back(mask);
    controls.push_back(Add<TMemo>("memo", 430, 10, 120, 60));
    controls.push_back(Add<TButton>("button", 10, 80, 80, 25));
    controls.push_back(Add<TCheckBox>("check", 100, 80, 80, 20));
    controls.push_back(Add<TRadioButton>("radio", 190, 80, 80, 20));
    auto* combo = Add<TComboBox>("combo", 280, 80, 120, 22);
    combo->Items()->Add("one");
    controls.push_back(combo);
    auto* list = Add<TComboBox>("droplist", 410, 80, 120, 22);
    list->SetStyle(csDropDownList);
    list->Items()->Add("one");
    controls.push_back(list);
    auto* lb = Add<TListBox>("listbox", 10, 120, 120, 80);
    lb->Items()->Add("one");
    controls.push_back(lb);
    controls.push_back(Add<TButtonedEdit>("buttoned", 150, 120, 120, 22));
    auto* date = Add<TDateTimePicker>("date", 290, 120, 150, 22);
    controls.push_back(date);
    auto* time = Add<TDateTimePicker>("time", 460, 120, 150, 22);
    time->SetKind(dtkTime);
    controls.push_back(time);
    auto* checked = Add<TDateTimePicker>("checkeddate", 290, 160, 150, 22);
    checked->SetShowCheckbox(true);
    controls.push_back(checked);
    controls.push_back(Add<TMonthCalendar>("calendar", 10, 220, 240, 170));
    auto* pages = Add<TPageControl>("pages", 300, 220, 200, 150);
    auto* sheet = new TTabSheet(Form.get());
    sheet->SetPageControl(pages);
    sheet->SetCaption("sheet");
    controls.push_back(pages);
    ShowAndStartAtHome();

    for (TWinControl* c : controls) {
        SCOPED_TRACE(c->Name().toStdString());
        Home->SetFocus();
        QApplication::processEvents();
        Log.clear();
        QPoint at(c->Width() / 2, c->Height() / 2);
        if (c == checked) at.setX(c->Width() - 40);
        if (c == pages) at = QPoint(20, 8);
        UserClick(c, at);
        EXPECT_EQ(FocusedControl(), c);
        EXPECT_EQ(Form->ActiveControl(), c);
        EXPECT_TRUE(c->Focused());
        EXPECT_EQ(Log, (QStringList{"exit home", "enter " + c->Name()}));
        // A second click is no new visit, nor is the focus passing to another part of it.
        UserClick(c, at);
        if (c == checked) UserClick(c, QPoint(10, c->Height() / 2));
        EXPECT_EQ(Log, (QStringList{"exit home", "enter " + c->Name()}));
        UserClick(Home, QPoint(5, 5));
        EXPECT_EQ(Log, (QStringList{"exit home", "enter " + c->Name(), "exit " + c->Name(), "enter home"}));
    }
}

TEST_F(ClickFocus, KeysTypedAfterAClickOnAPickerEditTheSectionClicked) {
    Home->SetText("abc");
    auto* date = Add<TDateTimePicker>("date", 150, 10, 150, 22);
    date->SetFormat("dd.mm.yyyy");
    date->SetDateTime(EncodeDateTime(2014, 4, 28, 13, 5, 9, 0));
    auto* time = Add<TDateTimePicker>("time", 320, 10, 150, 22);
    time->SetKind(dtkTime);
    time->SetFormat("hh:nn:ss");
    time->SetDateTime(EncodeDateTime(2014, 4, 28, 13, 5, 9, 0));
    ShowAndStartAtHome();

    // The year of "28.04.2014" starts at character 6.
    auto* dateLine = date->Widget()->findChild<QDateTimeEdit*>()->findChild<QLineEdit*>();
    ASSERT_NE(dateLine, nullptr);
    UserClick(date, dateLine->mapTo(date->Widget(), PointAtCharacter(dateLine, 7)));
    UserType("2031");
    EXPECT_EQ(date->DateTime(), EncodeDateTime(2031, 4, 28, 13, 5, 9, 0));
    EXPECT_EQ(Home->Text(), "abc");

    // The minutes of "13:05:09" start at character 3.
    auto* timeLine = time->Widget()->findChild<QDateTimeEdit*>()->findChild<QLineEdit*>();
    UserClick(time, timeLine->mapTo(time->Widget(), PointAtCharacter(timeLine, 4)));
    UserType("47");
    EXPECT_EQ(time->DateTime(), EncodeDateTime(2014, 4, 28, 13, 47, 9, 0));
    EXPECT_EQ(Home->Text(), "abc");
    EXPECT_EQ(Log, (QStringList{"exit home", "enter date", "exit date", "enter time"}));
}

TEST_F(ClickFocus, ArrowKeysAfterAClickOnACalendarMoveItsOwnDate) {
    Home->SetText("abc");
    auto* calendar = Add<TMonthCalendar>("calendar", 150, 10, 260, 190);
    calendar->SetDate(EncodeDate(2014, 4, 15));
    ShowAndStartAtHome();
    UserClick(calendar, QPoint(calendar->Width() / 2, calendar->Height() / 2 + 20));
    const TDateTime clicked = calendar->Date();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QApplication::processEvents();
    EXPECT_EQ(calendar->Date(), clicked + 1);
    EXPECT_EQ(Home->Text(), "abc");
    EXPECT_EQ(Log, (QStringList{"exit home", "enter calendar"}));
}

TEST_F(ClickFocus, AClickPutsTheCursorWhereItWasMadeAndTabSelectsTheText) {
    auto* edit = Add<TEdit>("edit", 150, 10, 150, 22);
    edit->SetText("abcdef");
    Home->SetText("home");
    ShowAndStartAtHome();
    // The window opened with its first field entered and selected.
    EXPECT_EQ(Home->SelLength(), 4);
    auto* line = static_cast<QLineEdit*>(edit->Widget());
    UserClick(edit, PointAtCharacter(line, 3));
    UserType("X");
    EXPECT_EQ(edit->Text(), "abcXdef");
    UserClick(Home, QPoint(5, 5));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QApplication::processEvents();
    ASSERT_EQ(FocusedControl(), edit);
    UserType("Y");
    EXPECT_EQ(edit->Text(), "Y");
}
