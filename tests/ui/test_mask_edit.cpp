// The masked edit as a user meets it: stored values that do not fit the mask stay as they are,
// empty fields give no text, and an incomplete entry is refused when the field is left.

#include "UiTestSupport.h"

#include "platform/ui/Mask.h"
#include "platform/ui/StdCtrls.h"

#include <QLineEdit>
#include <QTest>

using namespace uitest;

namespace {

const QString PhoneMask = QStringLiteral("!\\+9 (999) 000-0000;1;_");

struct MaskEditTest : ::testing::Test {
    QStringList Log;
    std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
    TMaskEdit* Mask = nullptr;
    TEdit* Other = nullptr;
    TButton* Button = nullptr;

    void SetUp() override {
        Form->SetBounds(10, 10, 400, 200);
        Mask = new TMaskEdit(Form.get());
        Mask->SetName("edPhone");
        Mask->SetParent(Form.get());
        Mask->SetBounds(10, 10, 150, 22);
        Mask->SetEditMask(PhoneMask);
        Other = new TEdit(Form.get());
        Other->SetName("edOther");
        Other->SetParent(Form.get());
        Other->SetBounds(10, 40, 150, 22);
        Button = new TButton(Form.get());
        Button->SetName("btnGo");
        Button->SetParent(Form.get());
        Button->SetBounds(10, 70, 80, 25);
        Button->OnClick = [this](TObject*) { Log << "click"; };
        for (TWinControl* c : {static_cast<TWinControl*>(Mask), static_cast<TWinControl*>(Other),
                               static_cast<TWinControl*>(Button)}) {
            c->OnEnter = [this](TObject* s) { Log << "enter " + static_cast<TComponent*>(s)->Name(); };
            c->OnExit = [this](TObject* s) { Log << "exit " + static_cast<TComponent*>(s)->Name(); };
        }
        Form->Show();
        Activate(Form.get());
    }
    // Enters the field from another one, as Tab or a click does.
    void EnterMask() {
        Other->SetFocus();
        QApplication::processEvents();
        Mask->SetFocus();
        QApplication::processEvents(); // the edit selects its text on entry
        Log.clear();
    }
    static void Type(const QString& text) {
        QTest::keyClicks(QApplication::focusWidget(), text);
        QApplication::processEvents();
    }
    static void Key(Qt::Key key) {
        QTest::keyClick(QApplication::focusWidget(), key);
        QApplication::processEvents();
    }
};

} // namespace

TEST(MaskText, TextHoldsTypedCharactersAndNothingForAnEmptyField) {
    struct Case {
        const char* mask;
        const char* shown;
        const char* text;
        bool complete;
    } cases[] = {
        {"!\\+9 (999) 000-0000;1;_", "+_ (___) ___-____", "", true},
        {"!\\+9 (999) 000-0000;1;_", "+7 (495) 123-4567", "+7 (495) 123-4567", true},
        {"!\\+9 (999) 000-0000;1;_", "+7 (495) 12_-____", "+7 (495) 12-", false},
        {"\\+00 09 0000 0000;1;_", "+33 1_ 5550 3344", "+33 1 5550 3344", true},
        {"000-000;0;_", "123-45_", "12345", false},
        {"000-000;0;_", "___-___", "", true},
        {"99999;0; ", "12   ", "12", true},
        {">LL;0;_", "DE", "DE", true},
        {">LL;0;_", "D_", "D", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MaskedTextValue(QString::fromUtf8(c.mask), QString::fromUtf8(c.shown)), QString::fromUtf8(c.text))
            << c.mask << " " << c.shown;
        EXPECT_EQ(MaskedTextComplete(QString::fromUtf8(c.mask), QString::fromUtf8(c.shown)), c.complete)
            << c.mask << " " << c.shown;
    }
}

TEST_F(MaskEditTest, StoredValuesAreShownAndGivenBackUnchanged) {
    struct Case {
        const char* mask;
        const char* value;
        const char* shown; // what the field shows
        bool unmasked;
    } cases[] = {
        {"!\\+9 (999) 000-0000;1;_", "+49 30 5550 1020", "+49 30 5550 1020", true},
        {"!\\+9 (999) 000-0000;1;_", "+7 (495) 123-4567", "+7 (495) 123-4567", false},
        {"!\\+9 (999) 000-0000;1;_", "", "+_ (___) ___-____", false},
        {"\\+00 09 0000 0000;1;_", "+33 1 5550 3344", "+33 1_ 5550 3344", false},
        {"\\+00 09 0000 0000;1;_", "+49 30 5550 1020", "+49 30 5550 1020", false},
        {"000-000;0;_", "123456", "123-456", false},
        {"000-000;0;_", "123-456", "123-456", true}, // literals the mask does not keep
        {"000-000;0;_", "1234567", "1234567", true},
        {">LL;0;_", "de", "de", true},                 // the mask would change its case
        {"99999;0; ", "5", "5    ", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.mask) + " " + c.value);
        Mask->SetEditMask(QString::fromUtf8(c.mask));
        Mask->SetText(QString::fromUtf8(c.value));
        EXPECT_EQ(Mask->Text(), QString::fromUtf8(c.value));
        EXPECT_EQ(Mask->EditText(), QString::fromUtf8(c.shown));
        EXPECT_EQ(Mask->ShowsUnmaskedValue(), c.unmasked);
        EXPECT_FALSE(Mask->Modified());
        // Visiting the field without typing keeps the value and lets the focus go.
        EnterMask();
        Other->SetFocus();
        QApplication::processEvents();
        EXPECT_EQ(Log, (QStringList{"exit edPhone", "enter edOther"}));
        EXPECT_EQ(Mask->Text(), QString::fromUtf8(c.value));
        Mask->SetText(QString());
    }
}

TEST_F(MaskEditTest, TypingFillsTheMaskAndAnEmptiedFieldHasNoText) {
    EnterMask();
    Type("74951234567");
    EXPECT_EQ(Mask->Text(), "+7 (495) 123-4567");
    EXPECT_TRUE(Mask->Modified());
    Mask->SelectAll();
    Key(Qt::Key_Delete);
    EXPECT_EQ(Mask->EditText(), "+_ (___) ___-____");
    EXPECT_EQ(Mask->Text(), "");
    Other->SetFocus();
    QApplication::processEvents();
    EXPECT_EQ(Log, (QStringList{"exit edPhone", "enter edOther"}));
}

TEST_F(MaskEditTest, EditingAValueTheMaskCannotHoldPutsItIntoTheMask) {
    Mask->SetText("+49 30 5550 1020");
    int changes = 0;
    Mask->OnChange = [&](TObject*) { ++changes; };
    EnterMask();
    // The whole value is selected on entry: typing replaces it, inside the mask.
    Type("7");
    EXPECT_FALSE(Mask->ShowsUnmaskedValue());
    EXPECT_EQ(Mask->EditText(), "+7 (___) ___-____");
    EXPECT_EQ(changes, 1);
    Type("4951234567");
    EXPECT_EQ(Mask->Text(), "+7 (495) 123-4567");
}

TEST_F(MaskEditTest, AnIncompleteEntryIsRefusedWhenTheFieldIsLeft) {
    ScriptedUI ui;
    // Change handlers may clear Modified (the shell's do): typing still counts.
    Mask->OnChange = [this](TObject*) { Mask->SetModified(false); };
    EnterMask();
    Type("7495");
    // A click on the button: the message names the field, the focus stays, the button is not
    // pressed and no visit ends or starts.
    ui->AnswerMessage(mrOk, QStringLiteral("edPhone"));
    QTest::mouseClick(Button->Widget(), Qt::LeftButton, {}, QPoint(10, 10));
    QApplication::processEvents();
    EXPECT_TRUE(Mask->Focused());
    EXPECT_EQ(Log, QStringList());
    // Tab is refused the same way.
    ui->AnswerMessage(mrOk, QStringLiteral("edPhone"));
    Key(Qt::Key_Tab);
    EXPECT_TRUE(Mask->Focused());
    EXPECT_EQ(Log, QStringList());
    // Completed, it may be left.
    Type("1234567");
    EXPECT_EQ(Mask->Text(), "+7 (495) 123-4567");
    QTest::mouseClick(Button->Widget(), Qt::LeftButton, {}, QPoint(10, 10));
    QApplication::processEvents();
    EXPECT_EQ(Log, (QStringList{"exit edPhone", "enter btnGo", "click"}));
}

TEST_F(MaskEditTest, EscapeBringsBackTheValueTheFieldWasEnteredWith) {
    ScriptedUI ui;
    Mask->SetText("+49 30 5550 1020");
    bool cancelled = false;
    Form->SetCancelButton(Button);
    Button->OnClick = [&](TObject*) { cancelled = true; };
    EnterMask();
    Type("12");
    EXPECT_FALSE(Mask->ShowsUnmaskedValue());
    Key(Qt::Key_Escape);
    EXPECT_FALSE(cancelled); // the key went to the field, not to the window's cancel button
    EXPECT_EQ(Mask->Text(), "+49 30 5550 1020");
    EXPECT_FALSE(Mask->Modified());
    Other->SetFocus();
    QApplication::processEvents();
    EXPECT_EQ(Log, (QStringList{"exit edPhone", "enter edOther"}));
    // Unchanged, Esc is the window's again.
    Mask->SetFocus();
    QApplication::processEvents();
    Key(Qt::Key_Escape);
    EXPECT_TRUE(cancelled);
}

TEST_F(MaskEditTest, ValidateEditRaisesForAnIncompleteEntryOnly) {
    Mask->SetText("+7 (495) 123-4567");
    EXPECT_NO_THROW(Mask->ValidateEdit());
    EnterMask();
    Type("7");
    try {
        Mask->ValidateEdit();
        ADD_FAILURE() << "no error";
    } catch (const EDBEditError& e) {
        EXPECT_TRUE(e.Message().contains("edPhone")) << e.Message().toStdString();
        EXPECT_TRUE(e.Message().contains("+7 (___) ___-____")) << e.Message().toStdString();
    }
    Mask->SelectAll();
    Key(Qt::Key_Delete);
    EXPECT_NO_THROW(Mask->ValidateEdit());
}
