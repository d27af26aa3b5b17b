// The dialog page's window: a run of moves and resizes reports one modification once the window
// has settled (or at once when it is hidden first), and the page takes the window's last bounds;
// the window runs as a normal window and is left stay-on-top, also when its run fails.

#include "platform/rtl/Exceptions.h"
#include "platform/ui/Forms.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptDialogPage.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QWidget>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

std::unique_ptr<TrptReport> NewReport() {
    auto r = std::make_unique<TrptReport>();
    r->EngineOptions()->SetNewSilentMode(simSilent);
    return r;
}

// Handles events until Done says so or Ms have passed; whether Done said so.
bool WaitFor(const std::function<bool()>& Done, int Ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < Ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (Done && Done()) return true;
        QThread::msleep(5);
    }
    return Done && Done();
}

void Idle(int Ms) {
    WaitFor(nullptr, Ms);
}

constexpr int Settle = TrptDialogForm::ModifySettleMs;

} // namespace

TEST(DialogWindow, MovesAndResizesSettleIntoOneModification) {
    auto report = NewReport();
    auto* page = new TrptDialogPage(report.get());
    page->SetName("DialogPage1");
    TrptDialogForm* form = page->DialogForm();
    form->SetPosition(poDesigned);
    form->SetBounds(60, 40, 240, 160);
    form->Show();
    // Showing places the window; let that settle before counting.
    Idle(Settle * 2 + 100);

    int modified = 0;
    QRect seen;
    form->OnModify = [&](TObject* Sender) {
        EXPECT_EQ(Sender, form);
        ++modified;
        seen = QRect(form->Left(), form->Top(), form->Width(), form->Height());
    };
    // A drag and a resize, as the window system reports them: many small steps.
    QElapsedTimer gap;
    qint64 longestGap = 0;
    gap.start();
    for (int i = 1; i <= 6; ++i) {
        if (i <= 3)
            form->Widget()->move(60 + 15 * i, 40 + 10 * i);
        else
            form->Widget()->resize(240 + 20 * i, 160 + 5 * i);
        QCoreApplication::processEvents();
        longestGap = std::max(longestGap, gap.restart());
        // Still moving: nothing is reported yet (unless this machine stalled past the delay).
        if (longestGap < Settle) {
            EXPECT_EQ(modified, 0) << "step " << i;
        }
    }
    // Where the window ended (the window system's frame decides the client area's place).
    const QRect last = form->Widget()->geometry();
    EXPECT_EQ(last.size(), QSize(360, 190));
    ASSERT_TRUE(WaitFor([&] { return modified > 0; }, Settle * 20));
    Idle(Settle * 2);
    if (longestGap < Settle) {
        EXPECT_EQ(modified, 1);
    }
    EXPECT_EQ(seen, last);

    // A window hidden in the middle of a move reports at once, and only once.
    modified = 0;
    form->Widget()->move(200, 150);
    QCoreApplication::processEvents();
    const QPoint moved = form->Widget()->geometry().topLeft();
    EXPECT_NE(moved, last.topLeft());
    form->Hide();
    EXPECT_EQ(modified, 1);
    EXPECT_EQ(seen.topLeft(), moved);
    Idle(Settle * 2);
    EXPECT_EQ(modified, 1);

    // A hidden window's bounds set by the program report nothing.
    modified = 0;
    form->SetBounds(10, 10, 100, 100);
    Idle(Settle * 2);
    EXPECT_EQ(modified, 0);
}

// The modal run: normal while it runs, stay-on-top afterwards, also when the run fails; the
// page's bounds follow the user's last move.
TEST(DialogWindow, ShowModalRunsNormalAndLeavesTheWindowOnTop) {
    auto report = NewReport();
    auto* page = new TrptDialogPage(report.get());
    page->SetName("DialogPage1");
    page->SetPosition(poDesigned);
    page->SetBounds(30, 30, 220, 140);
    TrptDialogForm* form = page->DialogForm();
    form->SetFormStyle(fsStayOnTop);

    TUIServicesScope ui;
    TFormStyle during = fsStayOnTop;
    bool onTopHint = true;
    QRect last;
    ui->AnswerModal(QString(), [&](TCustomForm* f) {
        during = f->FormStyle();
        onTopHint = f->Widget()->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        f->Widget()->move(140, 90);
        f->Widget()->resize(300, 200);
        QCoreApplication::processEvents();
        last = f->Widget()->geometry();
        return mrOk;
    });
    EXPECT_EQ(page->ShowModal(), mrOk);
    EXPECT_EQ(during, fsNormal);
    EXPECT_FALSE(onTopHint);
    EXPECT_EQ(form->FormStyle(), fsStayOnTop);
    EXPECT_TRUE(form->Widget()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_FALSE(form->Widget()->isVisible());
    // Hiding ended the move: the page holds where the user left the window.
    ASSERT_EQ(last.size(), QSize(300, 200));
    EXPECT_NE(last.topLeft(), QPoint(30, 30));
    EXPECT_DOUBLE_EQ(page->Left(), last.left());
    EXPECT_DOUBLE_EQ(page->Top(), last.top());
    EXPECT_DOUBLE_EQ(page->Width(), 300);
    EXPECT_DOUBLE_EQ(page->Height(), 200);

    ui->AnswerModal(QString(), [&](TCustomForm* f) -> TModalResult {
        during = f->FormStyle();
        throw EAbort(QStringLiteral("the run failed"));
    });
    during = fsStayOnTop;
    EXPECT_THROW(page->ShowModal(), EAbort);
    EXPECT_EQ(during, fsNormal);
    EXPECT_EQ(form->FormStyle(), fsStayOnTop);
    EXPECT_FALSE(form->Widget()->isVisible());
    // The window can run again after the failure.
    ui->AnswerModal(QString(), [](TCustomForm*) { return mrCancel; });
    EXPECT_EQ(page->ShowModal(), mrCancel);
    ui->Verify();
}
