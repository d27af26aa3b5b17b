// Forms: tab order, anchors and alignment, modal runs, default and cancel buttons, closing,
// the screen's form list and cursor registry, timers and the scripted UI services.

#include "UiTestSupport.h"

#include "platform/ui/ExtCtrls.h"
#include "platform/ui/StdCtrls.h"

#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

using namespace uitest;

namespace {

template <class C>
C* Make(TWinControl* parent, const QString& name, int l, int t, int w, int h) {
    auto* c = new C(GetParentForm(parent) ? static_cast<TComponent*>(GetParentForm(parent)) : parent);
    c->SetName(name);
    c->SetParent(parent);
    c->SetBounds(l, t, w, h);
    return c;
}

QStringList Names(const std::vector<TWinControl*>& list) {
    QStringList out;
    for (TWinControl* c : list) out << c->Name();
    return out;
}

} // namespace

TEST(TabOrder, TheListIsDepthFirstInTabOrderAndTabFollowsIt) {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(0, 0, 400, 300);
    auto* e1 = Make<TEdit>(form.get(), "e1", 10, 10, 100, 21);
    auto* panel = Make<TPanel>(form.get(), "panel", 10, 40, 200, 100);
    auto* inner = Make<TEdit>(panel, "inner", 5, 5, 100, 21);
    auto* e2 = Make<TEdit>(form.get(), "e2", 10, 150, 100, 21);
    auto* skipped = Make<TEdit>(form.get(), "skipped", 10, 180, 100, 21);
    skipped->SetTabStop(false);
    // Builder style: orders applied from the smallest number; 999 goes to the end.
    e2->SetTabOrder(0);
    panel->SetTabOrder(1);
    e1->SetTabOrder(999);

    std::vector<TWinControl*> list;
    form->GetTabOrderList(list);
    EXPECT_EQ(Names(list), (QStringList{"e2", "panel", "inner", "skipped", "e1"}));
    EXPECT_EQ(e1->TabOrder(), 3);

    form->Show();
    Activate(form.get());
    // Showing focuses the first tab stop (the panel is no tab stop).
    EXPECT_EQ(form->ActiveControl(), e2);
    QStringList visited;
    for (int i = 0; i < 4; ++i) {
        SendKey(QApplication::focusWidget(), Qt::Key_Tab, QStringLiteral("\t"));
        visited << (FocusedControl() ? FocusedControl()->Name() : QStringLiteral("none"));
    }
    EXPECT_EQ(visited, (QStringList{"inner", "e1", "e2", "inner"}));
    SendKey(QApplication::focusWidget(), Qt::Key_Backtab, QString(), Qt::ShiftModifier);
    EXPECT_EQ(FocusedControl(), e2);
    // A hidden control is passed over.
    e1->Hide();
    EXPECT_EQ(form->FindNextControl(inner, true, true, false), e2);
}

TEST(TabOrder, FocusingAHiddenControlIsRefused) {
    auto form = std::make_unique<TForm>(nullptr);
    auto* e = Make<TEdit>(form.get(), "e", 0, 0, 50, 20);
    e->SetEnabled(false);
    form->Show();
    EXPECT_THROW(e->SetFocus(), EInvalidOperation);
}

TEST(Layout, AnchorsKeepTheirDistancesWhenTheParentResizes) {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(0, 0, 400, 300);
    auto* ok = Make<TButton>(form.get(), "ok", 310, 260, 75, 25);
    ok->SetAnchors({akRight, akBottom});
    auto* wide = Make<TEdit>(form.get(), "wide", 10, 10, 380, 21);
    wide->SetAnchors({akLeft, akTop, akRight});
    auto* tall = Make<TMemo>(form.get(), "tall", 10, 40, 100, 200);
    tall->SetAnchors({akLeft, akTop, akBottom});
    auto* free = Make<TButton>(form.get(), "free", 150, 100, 100, 20);
    free->SetAnchors({});

    form->SetBounds(0, 0, 500, 360);
    EXPECT_EQ(ok->BoundsRect(), Bounds(410, 320, 75, 25));
    EXPECT_EQ(wide->BoundsRect(), Bounds(10, 10, 480, 21));
    EXPECT_EQ(tall->BoundsRect(), Bounds(10, 40, 100, 260));
    // Unanchored: the centre keeps its proportional place.
    EXPECT_EQ(free->Left(), 200 * 500 / 400 - 50);
    EXPECT_EQ(free->Top(), 110 * 360 / 300 - 10);

    // And back: the distances were not lost on the way.
    form->SetBounds(0, 0, 400, 300);
    EXPECT_EQ(ok->BoundsRect(), Bounds(310, 260, 75, 25));
    EXPECT_EQ(wide->BoundsRect(), Bounds(10, 10, 380, 21));
}

TEST(Layout, AFixedBorderWindowStillTakesTheSizeTheProgramGives) {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBorderStyle(bsSingle);
    form->SetBounds(0, 0, 300, 200);
    form->Show();
    EXPECT_EQ(form->Widget()->size(), QSize(300, 200));
    form->SetClientWidth(420);
    QApplication::processEvents();
    EXPECT_EQ(form->Widget()->size(), QSize(420, 200));
    EXPECT_EQ(form->Width(), 420);
}

TEST(Layout, AlignedControlsShareTheClientArea) {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetBounds(0, 0, 300, 200);
    auto* top = Make<TPanel>(form.get(), "top", 0, 0, 10, 30);
    top->SetAlign(alTop);
    auto* bottom = Make<TPanel>(form.get(), "bottom", 0, 0, 10, 20);
    bottom->SetAlign(alBottom);
    auto* left = Make<TPanel>(form.get(), "left", 0, 0, 50, 10);
    left->SetAlign(alLeft);
    auto* client = Make<TMemo>(form.get(), "client", 0, 0, 10, 10);
    client->SetAlign(alClient);
    EXPECT_EQ(top->BoundsRect(), Bounds(0, 0, 300, 30));
    EXPECT_EQ(bottom->BoundsRect(), Bounds(0, 180, 300, 20));
    EXPECT_EQ(left->BoundsRect(), Bounds(0, 30, 50, 150));
    EXPECT_EQ(client->BoundsRect(), Bounds(50, 30, 250, 150));
    form->SetBounds(0, 0, 400, 250);
    EXPECT_EQ(client->BoundsRect(), Bounds(50, 30, 350, 200));
    // A panel's bevel is left out of what its aligned children get.
    auto* child = Make<TPanel>(top, "child", 0, 0, 10, 10);
    child->SetAlign(alClient);
    EXPECT_EQ(child->BoundsRect(), Bounds(1, 1, 398, 28));
}

TEST(Modal, ShowModalReturnsTheResultOfTheButtonClickedFromATimer) {
    ScriptedUI ui;
    ui->AnswerModal(QStringLiteral("dlg"), nullptr); // the real modal loop runs
    auto form = std::make_unique<TForm>(nullptr);
    form->SetName(QStringLiteral("dlg"));
    auto* yes = Make<TButton>(form.get(), "yes", 10, 10, 75, 25);
    yes->SetModalResult(mrYes);
    bool clicked = false;
    yes->OnClick = [&](TObject*) { clicked = true; };
    QTimer::singleShot(10, [&] { yes->Click(); });
    EXPECT_EQ(form->ShowModal(), mrYes);
    EXPECT_TRUE(clicked);
    EXPECT_FALSE(form->Visible());
}

TEST(Modal, CloseQueryCanKeepAModalWindowOpen) {
    ScriptedUI ui;
    ui->AnswerModal(QStringLiteral("dlg"), nullptr);
    auto form = std::make_unique<TForm>(nullptr);
    form->SetName(QStringLiteral("dlg"));
    int asked = 0;
    form->OnCloseQuery = [&](TObject*, bool& canClose) {
        canClose = ++asked > 1;
        // Refused once; the user then closes the window.
        if (!canClose) QTimer::singleShot(0, [&] { form->Close(); });
    };
    QStringList closes;
    form->OnClose = [&](TObject*, TCloseAction& action) { closes << QString::number(action); };
    QTimer::singleShot(5, [&] { form->SetModalResult(mrOk); });
    EXPECT_EQ(form->ShowModal(), mrCancel);
    EXPECT_EQ(asked, 2);
    EXPECT_EQ(closes, (QStringList{QString::number(caHide)}));
}

TEST(Modal, ScriptedAnswerActsOnTheShowingForm) {
    ScriptedUI ui;
    auto form = std::make_unique<TForm>(nullptr);
    form->SetName(QStringLiteral("record"));
    auto* edit = Make<TEdit>(form.get(), "name", 10, 10, 100, 21);
    ui->AnswerModal(QStringLiteral("record"), [&](TCustomForm* f) {
        EXPECT_TRUE(f->Visible());
        edit->SetText(QStringLiteral("typed"));
        f->SetHint(QStringLiteral("customers"));
        return mrOk;
    });
    EXPECT_EQ(form->ShowModal(), mrOk);
    EXPECT_EQ(edit->Text(), QStringLiteral("typed"));
    EXPECT_EQ(form->Hint(), QStringLiteral("customers"));
    // A visible window cannot be made modal.
    form->Show();
    EXPECT_THROW(form->ShowModal(), EInvalidOperation);
}

TEST(Modal, EnterPressesTheDefaultButtonAndEscTheCancelButton) {
    ScriptedUI ui;
    auto form = std::make_unique<TForm>(nullptr);
    form->SetName(QStringLiteral("dlg"));
    auto* edit = Make<TEdit>(form.get(), "edit", 10, 10, 100, 21);
    auto* save = Make<TButton>(form.get(), "save", 10, 40, 75, 25);
    save->SetDefault(true);
    save->SetModalResult(mrOk);
    auto* close = Make<TButton>(form.get(), "close", 100, 40, 75, 25);
    close->SetCancel(true);
    close->SetModalResult(mrCancel);
    QStringList clicks;
    save->OnClick = [&](TObject*) { clicks << "save"; };
    close->OnClick = [&](TObject*) { clicks << "close"; };
    ui->AnswerModal(QStringLiteral("dlg"), [&](TCustomForm* f) {
        Activate(f);
        edit->SetFocus();
        SendKey(edit->Widget(), Qt::Key_Return, QStringLiteral("\r"));
        EXPECT_EQ(f->ModalResult(), mrOk);
        SendKey(edit->Widget(), Qt::Key_Escape, QStringLiteral("\x1b"));
        return f->ModalResult();
    });
    EXPECT_EQ(form->ShowModal(), mrCancel);
    EXPECT_EQ(clicks, (QStringList{"save", "close"}));
}

TEST(Screen, FormsAreFoundByExactNameAndForgottenWhenFreed) {
    const int before = Screen->FormCount();
    auto a = std::make_unique<TForm>(nullptr);
    a->SetName(QStringLiteral("frmOrders"));
    {
        auto b = std::make_unique<TForm>(nullptr);
        b->SetName(QStringLiteral("frmCustomers"));
        EXPECT_EQ(Screen->FormCount(), before + 2);
        EXPECT_EQ(Screen->FindForm(QStringLiteral("frmCustomers")), b.get());
    }
    EXPECT_EQ(Screen->FormCount(), before + 1);
    EXPECT_EQ(Screen->FindForm(QStringLiteral("frmCustomers")), nullptr);
    EXPECT_EQ(Screen->FindForm(QStringLiteral("frmorders")), nullptr);
    EXPECT_EQ(Screen->FindForm(QStringLiteral("frmOrders")), a.get());
}

TEST(Screen, CursorNumbersMapToRegisteredCursors) {
    QPixmap pix(16, 16);
    pix.fill(Qt::red);
    Screen->SetCursors(4003, QCursor(pix, 3, 4));
    EXPECT_TRUE(Screen->HasCursor(4003));
    EXPECT_EQ(Screen->CursorOf(4003).hotSpot(), QPoint(3, 4));
    EXPECT_EQ(Screen->CursorOf(crHSplit).shape(), Qt::SplitHCursor);
    EXPECT_EQ(Screen->CursorOf(crHandPoint).shape(), Qt::PointingHandCursor);
    auto form = std::make_unique<TForm>(nullptr);
    auto* p = Make<TPanel>(form.get(), "p", 0, 0, 10, 10);
    p->SetCursor(4003);
    EXPECT_EQ(p->Widget()->cursor().hotSpot(), QPoint(3, 4));
    Screen->SetCursor(crHourGlass);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    Screen->SetCursor(crDefault);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(Timer, TicksAndHandsExceptionsToTheApplication) {
    ScriptedUI ui;
    ui->AnswerMessage(mrOk, QStringLiteral("tick failed"));
    TTimer timer(nullptr);
    timer.SetInterval(5);
    int ticks = 0;
    timer.OnTimer = [&](TObject*) {
        if (++ticks == 2) throw Exception(QStringLiteral("tick failed"));
        if (ticks == 3) timer.SetEnabled(false);
    };
    QElapsedTimer clock;
    clock.start();
    while (timer.Enabled() && clock.elapsed() < 3000) {
        QApplication::processEvents();
        QThread::msleep(1);
    }
    EXPECT_EQ(ticks, 3);
    EXPECT_FALSE(timer.Enabled());
}

TEST(Services, ScriptedAnswersAreGivenInOrderAndSurprisesFail) {
    QStringList failures;
    TUIServicesScope scope([&](const QString& q) { failures << q; });
    scope->AnswerMessage(mrYes, QStringLiteral("delete"))
        .AnswerInput(QStringLiteral("42"))
        .CancelFile();
    EXPECT_EQ(MessageDlg(QStringLiteral("Really delete the record?"), mtConfirmation, {mbYes, mbNo}), mrYes);
    EXPECT_EQ(scope->Messages().back().Caption, QStringLiteral("Confirm"));
    EXPECT_EQ(scope->Messages().back().Icon, TMessageIcon::Question);
    EXPECT_EQ(InputBox(QStringLiteral("Count"), QStringLiteral("How many?"), QStringLiteral("1")), QStringLiteral("42"));
    TFileRequest r;
    TFileAnswer a;
    EXPECT_FALSE(UIServices().SelectFile(r, a));
    EXPECT_TRUE(failures.isEmpty());
    // Nothing queued: the question fails with its text and gets the cautious answer.
    EXPECT_EQ(MessageBoxOwned(nullptr, QStringLiteral("Overwrite?"), QStringLiteral("Save"),
                              MB_YESNO | MB_ICONQUESTION),
              IDNO);
    ASSERT_EQ(failures.size(), 1);
    EXPECT_TRUE(failures[0].contains(QStringLiteral("Overwrite?")));
    // An answer of the wrong kind is reported too.
    scope->AnswerInput(QStringLiteral("x"));
    ShowMessage(QStringLiteral("Saved"));
    ASSERT_EQ(failures.size(), 2);
    EXPECT_TRUE(failures[1].contains(QStringLiteral("input box")));
    EXPECT_TRUE(failures[1].contains(QStringLiteral("Saved")));
    // And an answer never asked for.
    scope->Verify();
    EXPECT_EQ(failures.size(), 3);
}

TEST(Services, InformationBoxesUseTheRequestedIconAndButtons) {
    ScriptedUI ui;
    ui->AnswerMessage(mrOk);
    auto form = std::make_unique<TForm>(nullptr);
    MessageBoxOwned(form.get(), QStringLiteral("Entry to edit is not selected"), QStringLiteral("Error"),
                    MB_OK | MB_ICONINFORMATION);
    const TMessageRequest& m = ui->Messages().back();
    EXPECT_EQ(m.Icon, TMessageIcon::Information);
    EXPECT_EQ(m.Buttons, TMsgDlgButtons{mbOK});
    EXPECT_EQ(m.Owner, form.get());
}
