// The page workspace as a control: painting pages, frame and background, scrolling by position,
// keys, wheel and dragging, the current page following the view, clicks reaching the prepared
// pages, and a thumbnail pane beside a main workspace. Screenshots go to the build folder.

#include "FakePages.h"

#include "report/core/rptPreviewWorkspace.h"

#include "platform/gfx/Colors.h"
#include "platform/ui/Forms.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QPixmap>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

// Exposes the input hooks and replaces the clock.
class TestWorkspace : public TrptPreviewWorkspace {
public:
    using TrptPreviewWorkspace::DblClick;
    using TrptPreviewWorkspace::DoMouseWheel;
    using TrptPreviewWorkspace::MouseDown;
    using TrptPreviewWorkspace::MouseMove;
    using TrptPreviewWorkspace::MouseUp;
    using TrptPreviewWorkspace::TrptPreviewWorkspace;
    quint32 Now = 1000;

protected:
    quint32 TickCount() const override { return Now; }
    quint32 DoubleClickTime() const override { return 500; }
};

// What the preview control does with the current page, for two workspaces.
class TestHost : public TrptPreviewWorkspaceHost {
public:
    TrptPreviewWorkspace* Main = nullptr;
    TrptPreviewWorkspace* Thumb = nullptr;
    TForm* Control = nullptr;
    int Page = 1;
    std::vector<int> Changes;

    int PageNo() const override { return Page; }
    void SetPageNo(int Value) override {
        Value = std::max(1, Value);
        Value = std::min(Value, Main->PageList().Count());
        const bool changed = Value != Page;
        Page = Value;
        for (TrptPreviewWorkspace* w : {Main, Thumb}) {
            if (!w) continue;
            w->SetPageNo(Value);
            if (changed) w->DrawPages(true);
            w->ScrollToPage(Value);
        }
        Changes.push_back(Value);
    }
    TControl* HostControl() override { return Control; }
};

QImage Grab(TControl* c) {
    QApplication::processEvents();
    return c->Widget()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

TColor At(const QImage& img, int x, int y) {
    const QRgb p = img.pixel(x, y);
    return static_cast<TColor>(qRed(p) | (qGreen(p) << 8) | (qBlue(p) << 16));
}

void Keep(const QImage& img, const QString& name) {
    const QString dir = QDir::current().filePath(QStringLiteral("screenshots"));
    QDir().mkpath(dir);
    EXPECT_TRUE(img.save(dir + QLatin1Char('/') + name)) << name.toStdString();
}

class WorkspaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        FPages.Pages.resize(6);
        for (int i = 0; i < 6; ++i)
            FPages.Pages[i].Texts = {{60, 60, QStringLiteral("Page %1 of 6").arg(i + 1)},
                                     {60, 120, QStringLiteral("Customer list")},
                                     {60, 1050, QStringLiteral("printed by Korvel")}};
        FPages.Pages[5].Width = 1123; // a landscape last page
        FPages.Pages[5].Height = 794;
        FForm = std::make_unique<TForm>(nullptr);
        FForm->SetBounds(0, 0, 1000, 700);
        FMain = new TestWorkspace(FForm.get());
        FMain->SetParent(FForm.get());
        FMain->SetBounds(120, 0, 880, 700);
        FMain->SetPreviewPages(&FPages);
        FThumb = new TestWorkspace(FForm.get());
        FThumb->SetParent(FForm.get());
        FThumb->SetBounds(0, 0, 120, 700);
        FThumb->SetIsThumbnail(true);
        FThumb->SetZoom(0.1);
        FThumb->SetPreviewPages(&FPages);
        FHost.Main = FMain;
        FHost.Thumb = FThumb;
        FHost.Control = FForm.get();
        FMain->SetPreview(&FHost);
        FThumb->SetPreview(&FHost);
        FForm->Show();
        Layout(0.5);
        FThumb->LayoutPages(FThumb->Width() - 26);
    }
    void TearDown() override { FForm.reset(); }
    void Layout(double zoom) {
        FMain->SetZoom(zoom);
        FMain->LayoutPages(FMain->LayoutWidth());
    }

    FakePages FPages;
    std::unique_ptr<TForm> FForm;
    TestWorkspace* FMain = nullptr;
    TestWorkspace* FThumb = nullptr;
    TestHost FHost;
};

} // namespace

TEST_F(WorkspaceTest, PaintsPagesOnGreyWithTheCurrentPageFramed) {
    Keep(Grab(FThumb), QStringLiteral("workspace_thumbnails.png"));
    FPages.Drawn.clear();
    FMain->Invalidate();
    const QImage img = Grab(FMain);
    Keep(img, QStringLiteral("workspace_half_zoom.png"));
    EXPECT_EQ(At(img, 5, 5), 0x808080);
    const TRect r = FMain->PageScreenRect(0);
    const TPoint o = FMain->ClientOffset();
    EXPECT_EQ(At(img, o.X + r.Left + 200, o.Y + r.Top + 250), clWhite);
    EXPECT_EQ(At(img, o.X + r.Left, o.Y + r.Top + 250), 0);            // thin black page frame
    EXPECT_EQ(At(img, o.X + r.Left - 2, o.Y + r.Top + 250), 0x804020); // the current page's frame
    const TRect r2 = FMain->PageScreenRect(1);
    EXPECT_NE(At(img, o.X + r2.Left - 2, o.Y + r2.Top + 250), 0x804020);
    // Only the pages in view were drawn.
    EXPECT_TRUE(std::find(FPages.Drawn.begin(), FPages.Drawn.end(), 0) != FPages.Drawn.end());
    EXPECT_TRUE(std::find(FPages.Drawn.begin(), FPages.Drawn.end(), 5) == FPages.Drawn.end());
}

TEST_F(WorkspaceTest, LockedShowsOnlyTheBackground) {
    FMain->SetLocked(true);
    QApplication::processEvents();
    FPages.Drawn.clear();
    FMain->Invalidate();
    const QImage img = Grab(FMain);
    const TRect r = FMain->PageScreenRect(0);
    const TPoint o = FMain->ClientOffset();
    EXPECT_EQ(At(img, o.X + r.Left + 200, o.Y + r.Top + 250), 0x808080);
    EXPECT_TRUE(FPages.Drawn.empty());
}

TEST_F(WorkspaceTest, ScrollingMakesTheNextPageCurrentAtAFifth) {
    Layout(1.0);
    const TrptPageItem p2 = FMain->PageList().Items(1);
    const int fifth = static_cast<int>(std::nearbyint(p2.Height / 5.0));
    FMain->SetVertPosition(p2.OffsetY - fifth - 1);
    EXPECT_EQ(FHost.Page, 1);
    FMain->SetVertPosition(p2.OffsetY - fifth);
    EXPECT_EQ(FHost.Page, 2);
    // The workspace that scrolled keeps its position; the thumbnail pane follows.
    EXPECT_EQ(FMain->VertPosition(), p2.OffsetY - fifth);
    const QImage img = Grab(FMain);
    Keep(img, QStringLiteral("workspace_scrolled.png"));
    const TRect r = FMain->PageScreenRect(1);
    const TPoint o = FMain->ClientOffset();
    EXPECT_EQ(At(img, o.X + r.Left - 2, o.Y + r.Top + 100), 0x804020);
}

TEST_F(WorkspaceTest, ClickingAThumbnailScrollsTheMainView) {
    Layout(1.0);
    const int thumbPos = FThumb->VertPosition();
    const TRect t = FThumb->PageScreenRect(3);
    FThumb->MouseDown(mbLeft, TShiftState(), t.Left + 5, t.Top + 5);
    FThumb->MouseUp(mbLeft, TShiftState(), t.Left + 5, t.Top + 5);
    EXPECT_EQ(FHost.Page, 4);
    EXPECT_EQ(FMain->VertPosition(), FMain->PageList().Items(3).OffsetY - 10);
    EXPECT_EQ(FThumb->VertPosition(), thumbPos);
    EXPECT_TRUE(FPages.Calls.empty()); // thumbnails pass no clicks to the pages
}

TEST_F(WorkspaceTest, ClicksReachThePagesAsSingleDoubleSingle) {
    int clicks = 0;
    FForm->OnClick = [&](TObject* s) {
        EXPECT_EQ(s, FForm.get());
        ++clicks;
    };
    const TRect r = FMain->PageScreenRect(0);
    const int x = r.Left + 30, y = r.Top + 40;
    for (quint32 t : {1000u, 1200u, 1300u}) {
        FMain->Now = t;
        FMain->MouseDown(mbLeft, TShiftState(), x, y);
        FMain->MouseUp(mbLeft, TShiftState(), x, y);
    }
    ASSERT_EQ(FPages.Calls.size(), 3u);
    EXPECT_FALSE(FPages.Calls[0].DBClick);
    EXPECT_TRUE(FPages.Calls[1].DBClick);
    EXPECT_FALSE(FPages.Calls[2].DBClick);
    for (const ObjectOverCall& c : FPages.Calls) {
        EXPECT_TRUE(c.Click);
        EXPECT_EQ(c.Index, 0);
        EXPECT_EQ(c.X, x);
        EXPECT_EQ(c.Scale, 0.5);
        EXPECT_EQ(c.OffsetX, r.Left);
        EXPECT_EQ(c.OffsetY, r.Top);
    }
    EXPECT_EQ(clicks, 3);
    // The right button selects the page but passes no click.
    FMain->MouseUp(mbRight, TShiftState(), x, y);
    EXPECT_EQ(FPages.Calls.size(), 3u);
}

TEST_F(WorkspaceTest, MovingAsksThePagesForTheCursor) {
    const TRect r = FMain->PageScreenRect(0);
    FPages.OverCursor = crHandPoint;
    FMain->MouseMove(TShiftState(), r.Left + 10, r.Top + 10);
    ASSERT_EQ(FPages.Calls.size(), 1u);
    EXPECT_FALSE(FPages.Calls[0].Click);
    EXPECT_EQ(FMain->Cursor(), crHandPoint);
    FPages.OverCursor = crDefault;
    FMain->MouseMove(TShiftState(), r.Left + 11, r.Top + 10);
    EXPECT_EQ(FMain->Cursor(), FMain->DefaultCursor());
    // The thumbnail pane does not ask.
    FThumb->MouseMove(TShiftState(), 20, 20);
    EXPECT_EQ(FPages.Calls.size(), 2u);
}

TEST_F(WorkspaceTest, DraggingScrollsAgainstTheMouse) {
    Layout(1.5);
    FMain->SetHorzPosition(100);
    FMain->SetVertPosition(400);
    FMain->MouseDown(mbLeft, TShiftState(), 300, 300);
    FMain->MouseMove(TShiftState({ssLeft}), 280, 250);
    FMain->MouseMove(TShiftState({ssLeft}), 270, 150);
    EXPECT_EQ(FMain->HorzPosition(), 130);
    EXPECT_EQ(FMain->VertPosition(), 550);
    FMain->MouseUp(mbLeft, TShiftState(), 270, 150);
    FMain->MouseMove(TShiftState(), 100, 100);
    EXPECT_EQ(FMain->VertPosition(), 550);
}

TEST_F(WorkspaceTest, KeysAndWheelScrollAndTurnPages) {
    Layout(1.0);
    struct Step {
        Word Key;
        bool Ctrl;
        int Page, Pos; // Pos -1: the top of that page less 10
    };
    const Step steps[] = {
        {VK_DOWN, false, 1, 8}, {VK_NEXT, false, 1, 308}, {VK_UP, false, 1, 300},  {VK_NEXT, true, 2, -1},
        {VK_END, false, 6, -1}, {VK_PRIOR, true, 5, -1},  {VK_HOME, false, 1, -1}, {VK_PRIOR, true, 1, -1},
    };
    for (const Step& s : steps) {
        Word key = s.Key;
        FMain->KeyDown(key, s.Ctrl ? TShiftState({ssCtrl}) : TShiftState());
        EXPECT_EQ(key, 0);
        EXPECT_EQ(FHost.Page, s.Page) << "key " << s.Key;
        const int expected = s.Pos >= 0 ? s.Pos
                                        : std::min(FMain->PageList().Items(s.Page - 1).OffsetY - 10,
                                                   FMain->VertRange() - FMain->VertPage());
        EXPECT_EQ(FMain->VertPosition(), expected) << "key " << s.Key;
    }
    FMain->DoMouseWheel(TShiftState(), -120, TPoint(10, 10));
    EXPECT_EQ(FMain->VertPosition(), 10 - 10 + 20);
    FMain->DoMouseWheel(TShiftState(), 120, TPoint(10, 10));
    EXPECT_EQ(FMain->VertPosition(), 0);
}

TEST_F(WorkspaceTest, PositionWithinAPageAndBack) {
    Layout(2.0);
    FPages.TopMargin = 10;
    FHost.SetPageNo(3);
    FMain->SetPosition(3, 200);
    const int expected =
        FMain->PageList().Items(2).OffsetY - 10 + static_cast<int>(std::nearbyint((10 * 3.77953 + 200) * 2));
    EXPECT_EQ(FMain->VertPosition(), expected);
    EXPECT_EQ(FMain->GetTopPosition(), 200);
    FMain->SetPosition(3, 0);
    EXPECT_EQ(FMain->VertPosition(), FMain->PageList().Items(2).OffsetY - 10);
    FMain->SetPosition(99, 10); // no such page: nothing moves
    EXPECT_EQ(FMain->VertPosition(), FMain->PageList().Items(2).OffsetY - 10);
}

TEST_F(WorkspaceTest, ScrollRangesFollowTheLayout) {
    const TPoint m = FMain->PageList().GetMaxBounds();
    EXPECT_EQ(FMain->HorzRange(), m.X + 10);
    EXPECT_EQ(FMain->VertRange(), m.Y + 10);
    EXPECT_EQ(FMain->VertPage(), FMain->ClientHeight());
    FMain->ClearPageList();
    FMain->UpdateScrollRanges();
    EXPECT_EQ(FMain->HorzRange(), 10);
    EXPECT_EQ(FMain->VertRange(), 10);
}

TEST_F(WorkspaceTest, DoubleClickGoesToTheControlAndRightToLeftMirrorsPages) {
    int dbl = 0;
    FForm->OnDblClick = [&](TObject* s) {
        EXPECT_EQ(s, FForm.get());
        ++dbl;
    };
    FMain->DblClick();
    FThumb->DblClick();
    EXPECT_EQ(dbl, 1);

    Layout(1.0);
    FMain->SetRTLLanguage(true);
    const TRect r = FMain->PageScreenRect(0);
    const TrptPageItem& p = FMain->PageList().Items(0);
    EXPECT_EQ(r.Left, FMain->ClientWidth() - p.Width - p.OffsetX);
    // A click is found on the mirrored page.
    FMain->Now = 5000;
    FMain->MouseUp(mbLeft, TShiftState(), r.Left + 10, r.Top + 10);
    ASSERT_FALSE(FPages.Calls.empty());
    EXPECT_EQ(FPages.Calls.back().Index, 0);
    EXPECT_EQ(FPages.Calls.back().OffsetX, r.Left);
}
