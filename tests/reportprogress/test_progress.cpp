// The progress window of report runs: steps, the message and bar layout, Cancel, the form it
// disables while it is up, its texts from the string table, and a picture of it.

#include "report/core/rptProgress.h"
#include "report/core/rptRes.h"

#include "platform/ui/ExtCtrls.h"
#include "platform/ui/StdCtrls.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QImage>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

namespace {

// A form the user was working in, made active so the progress window finds it.
std::unique_ptr<TForm> ActiveOwnerForm() {
    auto form = std::make_unique<TForm>(nullptr);
    form->SetName(QStringLiteral("frmWork"));
    form->SetBounds(100, 100, 400, 300);
    form->Show();
    form->Widget()->activateWindow();
    QApplication::setActiveWindow(form->Widget());
    QApplication::processEvents();
    return form;
}

} // namespace

TEST(ProgressWindow, TicksStopAtTheMaximum) {
    TrptProgress p(nullptr);
    p.Execute(10, QStringLiteral("Preparing"), true, true);
    EXPECT_TRUE(p.Visible());
    EXPECT_EQ(p.Position(), 0);
    EXPECT_EQ(p.Bar->Max(), 10);
    for (int i = 0; i < 10; ++i) p.Tick();
    EXPECT_EQ(p.Position(), 10);
    EXPECT_EQ(p.Bar->Position(), 10);
    p.Tick(); // the eleventh is ignored
    EXPECT_EQ(p.Position(), 10);
    p.Reset();
    EXPECT_EQ(p.Position(), 0);
    EXPECT_EQ(p.Bar->Position(), 0);
    // A position set by the caller outside the range stops the ticks too.
    p.SetPosition(-1);
    p.Tick();
    EXPECT_EQ(p.Position(), -1);
}

TEST(ProgressWindow, MessageMovesToTheMiddleWithoutTheBar) {
    struct {
        bool Progress, Canceled;
        int LabelTop;
    } cases[] = {{true, true, 15}, {false, true, 35}, {false, false, 35}, {true, false, 15}};
    TrptProgress p(nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(QStringLiteral("progress %1 cancel %2").arg(c.Progress).arg(c.Canceled).toStdString());
        p.Execute(5, QStringLiteral("Exporting"), c.Canceled, c.Progress);
        EXPECT_EQ(p.Bar->Visible(), c.Progress);
        EXPECT_EQ(p.ShowProgress(), c.Progress);
        EXPECT_EQ(p.CancelB->Visible(), c.Canceled);
        EXPECT_EQ(p.LMessage->Top(), c.LabelTop);
        EXPECT_EQ(p.LMessage->Caption(), "Exporting");
        EXPECT_EQ(p.Message(), "Exporting");
    }
    p.SetMessage(QStringLiteral("Page 3"));
    EXPECT_EQ(p.LMessage->Caption(), "Page 3");
}

TEST(ProgressWindow, CancelTerminatesAndClosesUntilTheNextRun) {
    TrptProgress p(nullptr);
    p.Execute(100, QStringLiteral("Preparing"), true, true);
    p.Tick();
    EXPECT_FALSE(p.Terminated());
    p.CancelB->Click();
    EXPECT_TRUE(p.Terminated());
    EXPECT_FALSE(p.Visible());
    p.Execute(100, QStringLiteral("Again"), true, true);
    EXPECT_FALSE(p.Terminated());
    EXPECT_TRUE(p.Visible());
    EXPECT_EQ(p.Position(), 0);
    // The caller may end the run itself.
    p.SetTerminated(true);
    EXPECT_FALSE(p.Visible());
}

TEST(ProgressWindow, TheActiveFormIsDisabledWhileTheWindowIsUp) {
    auto owner = ActiveOwnerForm();
    ASSERT_EQ(Screen->ActiveForm(), owner.get());
    {
        TrptProgress p(nullptr);
        EXPECT_EQ(p.ActiveForm(), owner.get());
        EXPECT_FALSE(owner->Enabled());
        p.Execute(3, QStringLiteral("Printing"), true, true);
        EXPECT_FALSE(owner->Enabled());
        p.Hide();
        EXPECT_TRUE(owner->Enabled());
        p.Execute(3, QStringLiteral("Printing"), true, true);
        EXPECT_FALSE(owner->Enabled());
    }
    // Freeing the window gives the form back.
    EXPECT_TRUE(owner->Enabled());

    // A form freed while the progress window is up is forgotten, not touched later.
    QApplication::setActiveWindow(owner->Widget());
    QApplication::processEvents();
    ASSERT_EQ(Screen->ActiveForm(), owner.get());
    auto p = std::make_unique<TrptProgress>(nullptr);
    EXPECT_EQ(p->ActiveForm(), owner.get());
    owner.reset();
    EXPECT_EQ(p->ActiveForm(), nullptr);
    p.reset();
}

TEST(ProgressWindow, CancelCaptionComesFromTheStringTable) {
    TrptProgress english(nullptr);
    EXPECT_EQ(english.CancelB->Caption(), "Cancel");
    const QString saved = GlobalResources()->Get(QStringLiteral("2"));
    GlobalResources()->Add(QStringLiteral("2"), QStringLiteral("Abbrechen"));
    TrptProgress german(nullptr);
    GlobalResources()->Add(QStringLiteral("2"), saved);
    EXPECT_EQ(german.CancelB->Caption(), "Abbrechen");
}

TEST(ProgressWindow, Screenshot) {
    TrptProgress p(nullptr);
    p.SetCaption(QStringLiteral("Report"));
    p.Execute(10, QStringLiteral("Preparing report, page 4"), true, true);
    for (int i = 0; i < 4; ++i) p.Tick();
    QApplication::processEvents();
    const QImage shot = p.Widget()->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    // The filled part of the bar is drawn in the highlight colour, the rest is not.
    const QImage bar = p.Bar->Widget()->grab().toImage();
    ASSERT_FALSE(bar.isNull());
    EXPECT_NE(bar.pixel(20, 8), bar.pixel(bar.width() - 20, 8));
    EXPECT_EQ(bar.pixel(bar.width() - 20, 8), bar.pixel(bar.width() - 30, 8));
    const QString path = QDir::temp().filePath(QStringLiteral("korvel-report-progress.png"));
    ASSERT_TRUE(shot.save(path, "PNG")) << path.toStdString();
}

TEST(ProgressWindow, AnyPointOfTheSurfaceDragsTheWindow) {
    TrptProgress p(nullptr);
    p.Execute(10, QStringLiteral("Preparing"), true, true);
    p.SetBounds(200, 150, p.Width(), p.Height());
    QCursor::setPos(250, 180);
    if (Screen->CursorPos().X != 250) GTEST_SKIP() << "the platform does not move the cursor";
    QApplication::processEvents();
    const int left0 = p.Left(), top0 = p.Top();
    p.Panel1->OnMouseDown(p.Panel1, mbLeft, {}, 50, 30);
    QCursor::setPos(280, 220);
    p.LMessage->OnMouseMove(p.LMessage, {ssLeft}, 60, 40);
    // Moving a shown form may land a frame width (a few pixels) off on this platform.
    EXPECT_NEAR(p.Left(), left0 + 30, 4);
    EXPECT_NEAR(p.Top(), top0 + 40, 4);
    const int dragged = p.Left();
    p.Panel1->OnMouseUp(p.Panel1, mbLeft, {}, 60, 40);
    QCursor::setPos(400, 400);
    p.Panel1->OnMouseMove(p.Panel1, {}, 0, 0);
    EXPECT_EQ(p.Left(), dragged); // released: no more dragging
}
