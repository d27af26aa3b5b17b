// The demo's masked phone field through the shell's save path: stored numbers come back and are
// saved again unchanged, an empty field stores nothing, and an incomplete number is refused.

#include "ActionsFixture.h"

#include "app/dbControls.h"
#include "app/uMainForm.h"
#include "platform/ui/Forms.h"

#include <QApplication>
#include <QTest>

namespace {

class MaskedFields : public ActionsTest {
protected:
    // Shows the customer in the edit window, lets act() look and type, and presses Save.
    // Returns whether the window closed.
    bool EditCustomer(int id, const std::function<void(TCustomForm*, TdbEdit*)>& act) {
        bool closed = false;
        Get<TdbStringGridEx>(frmMainKorvel, "grdCustomers")->SetdbItemID(id);
        UI().AnswerModal("frmCustomer", [&](TCustomForm* f) {
            act(f, Get<TdbEdit>(f, "edCPhone"));
            Get<TdbButton>(f, "btnCSave")->Click();
            closed = f->ModalResult() != mrNone;
            return mrNone;
        });
        Click("frmMainKorvel", "btnCustEdit");
        return closed;
    }
    bool NewCustomer(const std::function<void(TCustomForm*, TdbEdit*)>& act) {
        bool closed = false;
        UI().AnswerModal("frmCustomer", [&](TCustomForm* f) {
            Get<TdbEdit>(f, "edCName")->SetText("NEW CUSTOMER");
            act(f, Get<TdbEdit>(f, "edCPhone"));
            Get<TdbButton>(f, "btnCSave")->Click();
            closed = f->ModalResult() != mrNone;
            return mrNone;
        });
        Click("frmMainKorvel", "btnCustNew");
        return closed;
    }
    // Types as the user does, after a click at the start of the field unless typing on.
    static void Type(TdbEdit* e, const QString& keys, bool click = true) {
        if (click) QTest::mouseClick(e->Widget(), Qt::LeftButton, {}, QPoint(2, e->Height() / 2));
        QTest::keyClicks(e->Widget(), keys);
        QApplication::processEvents();
    }
    static void SelectAllAndDelete(TdbEdit* e) {
        e->SelectAll();
        QTest::keyClick(e->Widget(), Qt::Key_Delete);
    }
};

} // namespace

TEST_F(MaskedFields, StoredNumbersComeBackAndAreSavedAgainUnchanged) {
    Start();
    struct Case {
        int id;
        const char* phone; // nullptr for NULL
        const char* shown;
    } cases[] = {
        {1, "+49 30 5550 1020", "+49 30 5550 1020"},   // fits the mask
        {2, "+33 1 5550 3344", "+33 1_ 5550 3344"},    // fits, one place left blank
        {3, "(030) 5550-1020 ext. 7", "(030) 5550-1020 ext. 7"}, // another form: kept as it is
        {4, nullptr, "+__ __ ____ ____"},
    };
    for (const Case& c : cases)
        Exec(QStringLiteral("INSERT INTO customers(id, name, phone) VALUES (%1, 'C%1', %2)")
                 .arg(c.id)
                 .arg(c.phone ? QStringLiteral("'%1'").arg(c.phone) : QStringLiteral("NULL")));
    Click("frmMainKorvel", "btnCustSearch");
    const QString before = Rows("SELECT id, name, phone FROM customers ORDER BY id");

    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const bool closed = EditCustomer(c.id, [&](TCustomForm*, TdbEdit* phone) {
            EXPECT_EQ(phone->Text(), c.phone ? QString::fromUtf8(c.phone) : QString());
            EXPECT_EQ(phone->EditText(), QString::fromUtf8(c.shown));
        });
        EXPECT_TRUE(closed);
    }
    EXPECT_EQ(Rows("SELECT id, name, phone FROM customers ORDER BY id"), before);
}

TEST_F(MaskedFields, EmptyPartialAndFullNumbersOfANewCustomer) {
    Start();
    // Nothing typed: the column stays NULL, no placeholders are stored.
    EXPECT_TRUE(NewCustomer([](TCustomForm*, TdbEdit*) {}));
    EXPECT_EQ(Rows("SELECT name, phone FROM customers"), "NEW CUSTOMER|<null>");
    Exec("DELETE FROM customers");

    // A number typed in part is refused with a message naming the field; nothing is stored and
    // the window stays open. Completed, it is stored as the mask shows it.
    const bool closed = NewCustomer([&](TCustomForm* f, TdbEdit* phone) {
        Type(phone, "4940");
        UI().AnswerMessage(mrOk, QStringLiteral("edCPhone"));
        Get<TdbButton>(f, "btnCSave")->Click();
        EXPECT_EQ(f->ModalResult(), mrNone);
        EXPECT_EQ(Rows("SELECT count(*) FROM customers"), "0");
        Type(phone, "55502323", false);
        EXPECT_EQ(phone->Text(), "+49 40 5550 2323");
    });
    EXPECT_TRUE(closed);
    EXPECT_EQ(Rows("SELECT name, phone FROM customers"), "NEW CUSTOMER|+49 40 5550 2323");
    const int id = Rows("SELECT id FROM customers").toInt();
    Click("frmMainKorvel", "btnCustSearch");

    // Reread, changed to a one-digit area code, then emptied: NULL again.
    EXPECT_TRUE(EditCustomer(id, [](TCustomForm*, TdbEdit* phone) {
        EXPECT_EQ(phone->Text(), "+49 40 5550 2323");
        SelectAllAndDelete(phone);
        Type(phone, "331 55503344");
    }));
    EXPECT_EQ(Rows("SELECT phone FROM customers"), "+33 1 5550 3344");
    EXPECT_TRUE(EditCustomer(id, [](TCustomForm*, TdbEdit* phone) {
        EXPECT_EQ(phone->Text(), "+33 1 5550 3344");
        SelectAllAndDelete(phone);
        EXPECT_EQ(phone->Text(), "");
    }));
    EXPECT_EQ(Rows("SELECT phone FROM customers"), "<null>");
}

TEST_F(MaskedFields, ANumberOfAnotherFormIsReplacedOnlyWhenEdited) {
    Start();
    Exec("INSERT INTO customers(id, name, phone) VALUES (1, 'C1', '0049-30-55501020')");
    Click("frmMainKorvel", "btnCustSearch");
    // Typing over it puts the mask back: what is typed is stored.
    EXPECT_TRUE(EditCustomer(1, [](TCustomForm*, TdbEdit* phone) {
        EXPECT_EQ(phone->EditText(), "0049-30-55501020");
        phone->SelectAll();
        Type(phone, "493055501020", false);
        EXPECT_EQ(phone->Text(), "+49 30 5550 1020");
    }));
    EXPECT_EQ(Rows("SELECT phone FROM customers"), "+49 30 5550 1020");
}
