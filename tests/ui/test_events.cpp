// Mouse, key and focus events reach the control hooks in the order programs rely on, and
// exceptions from handlers end at the application's handler.

#include "UiTestSupport.h"

#include "platform/ui/StdCtrls.h"

#include <QStringList>

using namespace uitest;

namespace {

QString ShiftText(TShiftState s) {
    QString t;
    if (s.Contains(ssShift)) t += QLatin1Char('S');
    if (s.Contains(ssCtrl)) t += QLatin1Char('C');
    if (s.Contains(ssAlt)) t += QLatin1Char('A');
    if (s.Contains(ssLeft)) t += QLatin1Char('L');
    if (s.Contains(ssRight)) t += QLatin1Char('R');
    if (s.Contains(ssMiddle)) t += QLatin1Char('M');
    if (s.Contains(ssDouble)) t += QLatin1Char('D');
    return t;
}

const char* ButtonText(TMouseButton b) { return b == mbLeft ? "L" : b == mbRight ? "R" : "M"; }

// A painted control that writes down every hook it gets.
class TProbe : public TCustomControl {
public:
    explicit TProbe(TComponent* owner) : TCustomControl(owner) { SetTabStop(true); }
    QStringList Log;

protected:
    void MouseDown(TMouseButton b, TShiftState s, int x, int y) override {
        Log << QStringLiteral("down %1 %2 %3,%4").arg(ButtonText(b)).arg(ShiftText(s)).arg(x).arg(y);
        TCustomControl::MouseDown(b, s, x, y);
    }
    void MouseUp(TMouseButton b, TShiftState s, int x, int y) override {
        Log << QStringLiteral("up %1 %2").arg(ButtonText(b)).arg(ShiftText(s));
        TCustomControl::MouseUp(b, s, x, y);
    }
    void MouseMove(TShiftState s, int x, int y) override {
        Log << QStringLiteral("move %1,%2").arg(x).arg(y);
    }
    void Click() override {
        Log << QStringLiteral("click");
        TCustomControl::Click();
    }
    void DblClick() override {
        Log << QStringLiteral("dblclick");
        TCustomControl::DblClick();
    }
    void KeyDown(Word& key, TShiftState s) override {
        Log << QStringLiteral("keydown %1 %2").arg(key).arg(ShiftText(s));
        TCustomControl::KeyDown(key, s);
    }
    void KeyPress(QChar& key) override {
        Log << QStringLiteral("keypress %1").arg(key);
        TCustomControl::KeyPress(key);
    }
    void KeyUp(Word& key, TShiftState s) override {
        Log << QStringLiteral("keyup %1").arg(key);
        TCustomControl::KeyUp(key, s);
    }
    void DoEnter() override {
        Log << QStringLiteral("enter");
        TCustomControl::DoEnter();
    }
    void DoExit() override {
        Log << QStringLiteral("exit");
        TCustomControl::DoExit();
    }
};

struct EventsTest : ::testing::Test {
    std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
    TProbe* Probe = nullptr;
    void SetUp() override {
        Form->SetBounds(10, 10, 300, 200);
        Probe = new TProbe(Form.get());
        Probe->SetParent(Form.get());
        Probe->SetBounds(20, 20, 100, 80);
        Form->Show();
        Activate(Form.get());
        Probe->Log.clear();
    }
};

} // namespace

TEST_F(EventsTest, ClickComesBetweenMouseDownAndMouseUp) {
    Click(Probe->Widget(), QPoint(5, 6));
    EXPECT_EQ(Probe->Log, (QStringList{"down L L 5,6", "click", "up L "}));
}

TEST_F(EventsTest, DoubleClickRaisesDblClickThenMouseDownWithDoubleFlag) {
    QWidget* w = Probe->Widget();
    Click(w, QPoint(5, 5));
    SendMouse(w, QEvent::MouseButtonDblClick, QPoint(5, 5), Qt::LeftButton);
    SendMouse(w, QEvent::MouseButtonRelease, QPoint(5, 5), Qt::LeftButton);
    // The second release does not click again.
    EXPECT_EQ(Probe->Log, (QStringList{"down L L 5,5", "click", "up L ", "dblclick",
                                       "down L LD 5,5", "up L "}));
}

TEST_F(EventsTest, ReleaseOutsideTheControlDoesNotClick) {
    QWidget* w = Probe->Widget();
    SendMouse(w, QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton);
    SendMouse(w, QEvent::MouseButtonRelease, QPoint(150, 5), Qt::LeftButton);
    EXPECT_EQ(Probe->Log, (QStringList{"down L L 5,5", "up L "}));
}

TEST_F(EventsTest, RightButtonAndModifiersReachTheHooks) {
    QWidget* w = Probe->Widget();
    SendMouse(w, QEvent::MouseButtonPress, QPoint(1, 2), Qt::RightButton, Qt::ShiftModifier);
    SendMouse(w, QEvent::MouseButtonRelease, QPoint(1, 2), Qt::RightButton, Qt::ShiftModifier);
    EXPECT_EQ(Probe->Log, (QStringList{"down R SR 1,2", "up R S"}));
}

TEST_F(EventsTest, KeysArriveAsKeyDownKeyPressKeyUp) {
    Probe->SetFocus();
    Probe->Log.clear();
    QWidget* w = Probe->Widget();
    SendKey(w, Qt::Key_A, QStringLiteral("a"));
    SendKeyUp(w, Qt::Key_A, QStringLiteral("a"));
    SendKey(w, Qt::Key_Home, QString(), Qt::ControlModifier);
    EXPECT_EQ(Probe->Log, (QStringList{"keydown 65 ", "keypress a", "keyup 65", "keydown 36 C"}));
}

TEST_F(EventsTest, KeyPreviewLetsTheFormSeeKeysFirstAndSwallowThem) {
    Form->SetKeyPreview(true);
    QStringList seen;
    Form->OnKeyDown = [&](TObject*, Word& key, TShiftState) {
        seen << QStringLiteral("form %1").arg(key);
        if (key == VK_F2) key = 0;
    };
    Probe->SetFocus();
    Probe->Log.clear();
    SendKey(Probe->Widget(), Qt::Key_F1);
    SendKey(Probe->Widget(), Qt::Key_F2);
    EXPECT_EQ(seen, (QStringList{"form 112", "form 113"}));
    EXPECT_EQ(Probe->Log, (QStringList{"keydown 112 "}));
}

TEST_F(EventsTest, EditKeyPressCanChangeOrDropTheCharacter) {
    auto* edit = new TEdit(Form.get());
    edit->SetParent(Form.get());
    edit->SetBounds(150, 20, 100, 21);
    edit->OnKeyPress = [](TObject*, QChar& key) {
        if (key == QLatin1Char('x')) key = QChar();
        else key = key.toUpper();
    };
    edit->SetFocus();
    for (QChar c : QStringLiteral("axb")) {
        const int qk = Qt::Key_A + (c.unicode() - 'a');
        SendKey(edit->Widget(), qk, QString(c));
    }
    EXPECT_EQ(edit->Text(), QStringLiteral("AB"));
}

TEST_F(EventsTest, FocusChangesRaiseExitThenEnter) {
    auto* other = new TProbe(Form.get());
    other->SetParent(Form.get());
    other->SetBounds(150, 20, 50, 50);
    Probe->SetFocus();
    QApplication::processEvents();
    Probe->Log.clear();
    other->SetFocus();
    QApplication::processEvents();
    EXPECT_EQ(Probe->Log, (QStringList{"exit"}));
    EXPECT_EQ(other->Log, (QStringList{"enter"}));
    EXPECT_EQ(Form->ActiveControl(), other);
    EXPECT_TRUE(other->Focused());
}

TEST_F(EventsTest, ExceptionInAHandlerReachesTheApplicationHandlerOnly) {
    ScriptedUI ui;
    ui->AnswerMessage(mrOk, QStringLiteral("bad number"));
    Probe->OnClick = [](TObject*) { throw EConvertError(QStringLiteral("bad number")); };
    // The event returns normally: nothing escapes into Qt.
    EXPECT_NO_THROW(Click(Probe->Widget(), QPoint(5, 5)));
    ASSERT_EQ(ui->Messages().size(), 1u);
    // Shown as the default handler does: a full stop added, the application title as caption.
    EXPECT_EQ(ui->Messages()[0].Text, QStringLiteral("bad number."));
    EXPECT_EQ(ui->Messages()[0].Caption, Application->Title());
    EXPECT_EQ(ui->Messages()[0].Icon, TMessageIcon::Error);
    // The exception ended the handling of that release, as it would have in a message loop.
    EXPECT_EQ(Probe->Log.last(), QStringLiteral("click"));
    Probe->OnClick = nullptr;
    Click(Probe->Widget(), QPoint(5, 5));
    EXPECT_EQ(Probe->Log.last(), QStringLiteral("up L "));
}

TEST_F(EventsTest, OnExceptionReplacesTheMessageAndAbortIsSilent) {
    ScriptedUI ui;  // any message box would fail the test
    QStringList caught;
    Application->OnException = [&](TObject* sender, const Exception& e) {
        caught << e.ClassName() + QLatin1Char(':') + e.Message();
        EXPECT_EQ(sender, Probe);
    };
    Probe->OnClick = [](TObject*) { throw EDatabaseError(QStringLiteral("no such table")); };
    Click(Probe->Widget(), QPoint(5, 5));
    Application->OnException = nullptr;
    Probe->OnClick = [](TObject*) { throw EAbort(QStringLiteral("stop")); };
    Click(Probe->Widget(), QPoint(5, 5));
    EXPECT_EQ(caught, (QStringList{"EDatabaseError:no such table"}));
}

TEST_F(EventsTest, MouseCaptureLastsUntilTheButtonIsReleased) {
    QWidget* w = Probe->Widget();
    SendMouse(w, QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton);
    Probe->SetMouseCapture(true);
    EXPECT_EQ(GetCaptureControl(), Probe);
    EXPECT_TRUE(Probe->MouseCapture());
    SendMouse(w, QEvent::MouseButtonRelease, QPoint(500, 500), Qt::LeftButton);
    EXPECT_EQ(GetCaptureControl(), nullptr);
    // Released by hand as well.
    Probe->SetMouseCapture(true);
    Probe->SetMouseCapture(false);
    EXPECT_EQ(GetCaptureControl(), nullptr);
}

namespace {
// A container that takes Tab and Escape away from its children, as a grid does with its editor.
class TKeyHost : public TCustomControl {
public:
    explicit TKeyHost(TComponent* owner) : TCustomControl(owner) {}
    QStringList Seen;

protected:
    bool ChildKey(Word& key, TWinControl* sender) override {
        Seen << QStringLiteral("%1 from %2").arg(key).arg(sender->Name());
        return key == VK_TAB;
    }
};
} // namespace

TEST_F(EventsTest, ParentsHearTheKeysOfTheirChildrenFirst) {
    auto* host = new TKeyHost(Form.get());
    host->SetParent(Form.get());
    host->SetBounds(130, 10, 150, 100);
    auto* editor = new TEdit(Form.get());
    editor->SetName(QStringLiteral("editor"));
    editor->SetParent(host);
    editor->SetBounds(0, 0, 100, 21);
    int editorKeys = 0;
    editor->OnKeyDown = [&](TObject*, Word&, TShiftState) { ++editorKeys; };
    editor->SetFocus();
    SendKey(editor->Widget(), Qt::Key_Tab, QStringLiteral("\t"));
    SendKey(editor->Widget(), Qt::Key_Home);
    EXPECT_EQ(host->Seen, (QStringList{"9 from editor", "36 from editor"}));
    EXPECT_EQ(editorKeys, 1);
    // The swallowed Tab did not move the focus.
    EXPECT_EQ(FocusedControl(), editor);
}

TEST_F(EventsTest, PopupWindowsFloatAtScreenCoordinatesWithAShape) {
    auto* flyout = new TCustomControl(Form.get());
    flyout->SetPopupWindow(true);
    flyout->SetParent(Probe);
    flyout->SetBounds(493, 289, 32, 32);
    flyout->Show();
    QWidget* w = flyout->Widget();
    EXPECT_TRUE(w->isWindow());
    EXPECT_EQ(w->geometry(), QRect(493, 289, 32, 32));
    flyout->SetWindowRegion(QRegion(0, 0, 10, 10));
    EXPECT_EQ(w->mask(), QRegion(0, 0, 10, 10));
    flyout->SetWindowRegion(QRegion());
    EXPECT_FALSE(w->mask().intersects(QRect(0, 0, 32, 32)));
    flyout->ClearWindowRegion();
    EXPECT_TRUE(w->mask().isEmpty());
}
