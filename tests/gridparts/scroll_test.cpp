// The scroll-bar model, scroll messages, the wheel and middle-button roll scrolling.

#include "grid/GxColumns.h"
#include "grid/GxFlyoutControl.h"
#include "grid/GxScrollControl.h"
#include "platform/rtl/Exceptions.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

// A scroll control that records its hooks and reads the roll pointer from a field.
class TProbeScroll : public TGxScrollControl {
public:
    explicit TProbeScroll(TComponent* AOwner = nullptr) : TGxScrollControl(AOwner) {
        OnVerticalScroll = [this](TObject*, int Pos) { Log << QStringLiteral("v%1").arg(Pos); };
        OnHorizontalScroll = [this](TObject*, int Pos) { Log << QStringLiteral("h%1").arg(Pos); };
    }
    int GetVertScrollDelta(int OldPosition, int NewPosition) override {
        Deltas << QStringLiteral("%1>%2").arg(OldPosition).arg(NewPosition);
        return (OldPosition - NewPosition) * 10;
    }
    int GetHorzScrollDelta(int OldPosition, int NewPosition) override { return (OldPosition - NewPosition) * 7; }
    TPoint RollCursorPos() override { return Pointer; }
    void BeforeScroll(TScrollBarKind Kind) override { Hooks << QStringLiteral("before %1").arg(Kind); }
    void AfterScroll(TScrollBarKind Kind) override { Hooks << QStringLiteral("after %1").arg(Kind); }
    void ScrollContent(TGxCustomScrollBar* Bar, int DeltaX, int DeltaY) override {
        Hooks << QStringLiteral("scroll %1 %2").arg(DeltaX).arg(DeltaY);
        TGxScrollControl::ScrollContent(Bar, DeltaX, DeltaY);
    }

    using TGxScrollControl::MouseDown;
    using TGxScrollControl::MouseMove;
    using TGxScrollControl::MouseUp;
    using TGxScrollControl::DoMouseWheelDown;
    using TGxScrollControl::DoMouseWheelUp;

    TPoint Pointer;
    QStringList Log;
    QStringList Deltas;
    QStringList Hooks;
};

} // namespace

TEST(ScrollBarModel, ClampingTable) {
    struct Case {
        const char* What;
        std::function<void(TGxScrollBar&)> Act;
        int Position;
    };
    const std::vector<Case> cases = {
        {"thumb to 95", [](TGxScrollBar& b) { b.Owner()->SendScroll(SB_VERT, SB_THUMBTRACK, 95); }, 91},
        {"thumb position to 50", [](TGxScrollBar& b) { b.Owner()->SendScroll(SB_VERT, SB_THUMBPOSITION, 50); }, 50},
        {"bottom request", [](TGxScrollBar& b) { b.Owner()->SendScroll(SB_VERT, SB_BOTTOM); }, 91},
        {"top request", [](TGxScrollBar& b) { b.Owner()->SendScroll(SB_VERT, SB_TOP); }, 0},
        {"Last", [](TGxScrollBar& b) { b.Last(); }, 91},
        {"First", [](TGxScrollBar& b) { b.First(); }, 0},
        {"writer 150", [](TGxScrollBar& b) { b.SetPosition(150); }, 100},
        {"writer -3", [](TGxScrollBar& b) { b.SetPosition(-3); }, 0},
        {"MoveBy 7 from 20", [](TGxScrollBar& b) { b.SetPosition(20); b.MoveBy(7); }, 27},
        {"line down from 20", [](TGxScrollBar& b) { b.SetPosition(20); b.Next(); }, 21},
        {"line up from 20", [](TGxScrollBar& b) { b.SetPosition(20); b.Prior(); }, 19},
        {"line up at 0", [](TGxScrollBar& b) { b.Prior(); }, 0},
        {"page down from 85", [](TGxScrollBar& b) { b.SetPosition(85); b.PageDown(); }, 91},
        {"page up from 5", [](TGxScrollBar& b) { b.SetPosition(5); b.PageUp(); }, 0},
        {"page down from 20", [](TGxScrollBar& b) { b.SetPosition(20); b.PageDown(); }, 30},
        {"min 30 then writer 2", [](TGxScrollBar& b) { b.SetMin(30); b.SetPosition(2); }, 30},
        {"max -5 from 40", [](TGxScrollBar& b) { b.SetPosition(40); b.SetMax(-5); }, 0},
        {"max 60 from 80", [](TGxScrollBar& b) { b.SetPosition(80); b.SetMax(60); }, 60},
    };
    for (const Case& c : cases) {
        TProbeScroll sc;
        TGxScrollBar& b = *sc.VertScrollBar();
        b.SetMax(100);
        b.SetPageSize(10);
        b.SetLargeChange(10);
        c.Act(b);
        EXPECT_EQ(b.Position(), c.Position) << c.What;
        EXPECT_GE(b.Max(), 0) << c.What;
    }
}

TEST(ScrollBarModel, WriterCorrectionsAndBypass) {
    TProbeScroll sc;
    TGxScrollBar& b = *sc.HorzScrollBar();
    EXPECT_EQ(b.BarFlag(), SB_HORZ);
    EXPECT_EQ(sc.VertScrollBar()->BarFlag(), SB_VERT);
    b.SetPageSize(0);
    EXPECT_EQ(b.PageSize(), 0) << "an equal value is ignored";
    b.SetPageSize(5);
    b.SetPageSize(0);
    EXPECT_EQ(b.PageSize(), 1);
    b.SetPageSize(-4);
    EXPECT_EQ(b.PageSize(), 1);
    b.SetMin(-2);
    EXPECT_EQ(b.Min(), 0);
    b.SetValues(-7, 0, 3);
    EXPECT_EQ(b.Max(), -7);
    EXPECT_EQ(b.PageSize(), 0);
    EXPECT_EQ(b.LargeChange(), 3);
    b.SetValues(20, 5, 5);
    b.SetPosition(16);
    EXPECT_TRUE(b.IsLast());
    b.SetPosition(15);
    EXPECT_FALSE(b.IsLast());
    b.Expand(false);
    EXPECT_EQ(b.Max(), 21);
    b.Expand(true);
    EXPECT_EQ(b.Max(), 20);
    // Nothing moves while the range is empty.
    b.SetValues(0, 1, 1);
    b.SetPosition(0);
    sc.Log.clear();
    b.Next();
    b.PageDown();
    EXPECT_EQ(b.Position(), 0);
    EXPECT_TRUE(sc.Log.isEmpty());
}

TEST(ScrollBarModel, AssignFromBarChangesNothingOtherSourceFails) {
    TProbeScroll a, c;
    a.VertScrollBar()->SetMax(50);
    c.SetVertScrollBar(a.VertScrollBar());
    EXPECT_EQ(c.VertScrollBar()->Max(), 0);
    TColumnHeader other;
    EXPECT_THROW(c.VertScrollBar()->Assign(&other), Exception);
}

TEST(ScrollBarModel, EveryAssignmentMeasuresOnceUnlessSuppressed) {
    TProbeScroll sc;
    TGxScrollBar& b = *sc.VertScrollBar();
    b.SetMax(100);
    b.SetPageSize(10);
    sc.Deltas.clear();
    b.SetPosition(5);
    b.SetPosition(5);
    EXPECT_EQ(sc.Deltas, QStringList({"0>5", "5>5"}));
    EXPECT_EQ(b.OldPosition(), 5);
    b.BeginUpdate();
    b.SetPosition(9);
    b.EndUpdate();
    b.SetManualScroll(true);
    b.SetPosition(12);
    EXPECT_EQ(sc.Deltas.size(), 2);
    EXPECT_EQ(b.Position(), 12);
}

TEST(ScrollBarModel, AutoHideShowsOrDisablesTheWindowBar) {
    TProbeScroll sc;
    sc.SetBounds(0, 0, 200, 100);
    sc.HandleNeeded();
    TGxScrollBar& b = *sc.VertScrollBar();
    b.SetPageSize(10);
    b.SetMax(100);
    EXPECT_TRUE(sc.ScrollBarVisible(SB_VERT));
    EXPECT_TRUE(sc.ScrollBarEnabled(SB_VERT));
    b.SetMax(5);
    EXPECT_FALSE(sc.ScrollBarVisible(SB_VERT)) << "the range fits and AutoHide hides";
    b.SetAutoHide(false);
    EXPECT_TRUE(sc.ScrollBarVisible(SB_VERT));
    EXPECT_FALSE(sc.ScrollBarEnabled(SB_VERT)) << "kept but disabled";
    TScrollInfo info;
    info.fMask = SIF_RANGE | SIF_PAGE;
    sc.GetScrollInfo(SB_VERT, info);
    EXPECT_EQ(info.nMax, 5);
    EXPECT_EQ(info.nPage, 10u);
}

TEST(ScrollMessages, KindsAndEvents) {
    TProbeScroll sc;
    TGxScrollBar& b = *sc.VertScrollBar();
    b.SetMax(100);
    b.SetPageSize(10);
    b.SetPosition(40);
    sc.Log.clear();
    sc.SendScroll(SB_VERT, SB_ENDSCROLL);
    EXPECT_EQ(sc.Log, QStringList({"v40"})) << "end-scroll reports the unchanged position";
    EXPECT_EQ(b.ScrollKind(), rkIdle);
    sc.SendScroll(SB_VERT, SB_LINEDOWN);
    EXPECT_EQ(b.ScrollKind(), rkLine);
    sc.SendScroll(SB_VERT, SB_PAGEUP);
    EXPECT_EQ(b.ScrollKind(), rkPage);
    sc.SendScroll(SB_VERT, SB_THUMBTRACK, 3);
    EXPECT_EQ(b.ScrollKind(), rkThumb);
    sc.SendScroll(SB_VERT, SB_TOP);
    EXPECT_EQ(b.ScrollKind(), rkTopBottom);
    sc.SendScroll(SB_VERT, SB_ENDSCROLL);
    EXPECT_EQ(b.ScrollKind(), rkTopBottom);
    EXPECT_TRUE(sc.Log.contains(QStringLiteral("v41")));
    EXPECT_EQ(sc.Log.last(), QStringLiteral("v0"));
    // The horizontal bar fires the horizontal event only.
    sc.HorzScrollBar()->SetMax(30);
    sc.HorzScrollBar()->SetPageSize(5);
    sc.Log.clear();
    sc.SendScroll(SB_HORZ, SB_LINEDOWN);
    EXPECT_EQ(sc.HorzScrollBar()->Position(), 1);
    for (const QString& e : sc.Log) EXPECT_TRUE(e.startsWith('h')) << e.toStdString();
}

TEST(ScrollWheel, SwallowedUnlessDisabled) {
    TProbeScroll sc;
    int downs = 0;
    sc.OnMouseWheelDown = [&](TObject*, TShiftState, TPoint, bool& Handled) {
        ++downs;
        Handled = true;
    };
    EXPECT_TRUE(sc.DoMouseWheelDown({}, {}));
    EXPECT_EQ(downs, 0);
    sc.SetMouseWheelEnabled(false);
    EXPECT_TRUE(sc.DoMouseWheelDown({}, {}));
    EXPECT_EQ(downs, 1);
    EXPECT_FALSE(sc.DoMouseWheelUp({}, {})) << "no handler assigned";
}

namespace {
struct RollFixture : ::testing::Test {
    RollFixture() {
        Form = std::make_unique<TForm>(nullptr);
        Form->SetBounds(100, 100, 400, 300);
        Sc = new TProbeScroll(Form.get());
        Sc->SetParent(Form.get());
        Sc->SetBounds(10, 10, 300, 200);
        TGxScrollBar& b = *Sc->VertScrollBar();
        b.SetMax(100);
        b.SetPageSize(10);
        b.SetPosition(50);
    }
    void Tick() { Sc->RollTimerTick(Sc->RollTimer()); }
    std::unique_ptr<TForm> Form;
    TProbeScroll* Sc = nullptr;
};
} // namespace

TEST_F(RollFixture, DeadZoneStepsAndTimerIntervals) {
    Sc->MouseDown(mbMiddle, {}, 100, 100);
    EXPECT_TRUE(Sc->ViewState().Contains(vsRolling));
    EXPECT_TRUE(Sc->RollTimer()->Enabled());
    EXPECT_TRUE(Sc->MouseCapture());
    EXPECT_TRUE(Sc->RollShadow()->Visible());
    struct Case {
        int Dy;
        int Position;
        unsigned Interval;
        TCursor Cursor;
    };
    // Position starts at 50 for each case; one tick each.
    const std::vector<Case> cases = {
        {-5, 50, 95, crRoll}, {5, 50, 95, crRoll}, {-6, 49, 94, crRollUp}, {6, 51, 94, crRollDown},
        {150, 51, 1, crRollDown}, {-100, 49, 1, crRollUp}, {0, 50, 100, crRoll},
    };
    for (const Case& c : cases) {
        Sc->VertScrollBar()->SetPosition(50);
        Sc->Pointer = {100, 100 + c.Dy};
        Sc->MouseMove({}, 100, 100 + c.Dy);
        Tick();
        EXPECT_EQ(Sc->VertScrollBar()->Position(), c.Position) << "dy " << c.Dy;
        EXPECT_EQ(Sc->RollTimer()->Interval(), c.Interval) << "dy " << c.Dy;
        EXPECT_EQ(Screen->Cursor(), c.Cursor) << "dy " << c.Dy;
        EXPECT_EQ(Sc->RollShadow()->Cursor(), c.Cursor) << "dy " << c.Dy;
    }
    // Any button's release ends rolling.
    Sc->MouseUp(mbRight, {}, 100, 100);
    EXPECT_FALSE(Sc->ViewState().Contains(vsRolling));
    EXPECT_FALSE(Sc->RollTimer()->Enabled());
    EXPECT_FALSE(Sc->RollShadow()->Visible());
    EXPECT_FALSE(Sc->MouseCapture());
    EXPECT_EQ(Screen->Cursor(), crDefault);
}

TEST_F(RollFixture, PressWithoutMovementScrollsNothing) {
    // A first roll downwards leaves its direction behind...
    Sc->MouseDown(mbMiddle, {}, 100, 100);
    Sc->MouseMove({}, 100, 140);
    Sc->MouseUp(mbMiddle, {}, 100, 140);
    // ...which a plain middle click must not reuse.
    Sc->VertScrollBar()->SetPosition(50);
    Sc->MouseDown(mbMiddle, {}, 100, 100);
    Sc->Pointer = {100, 100};
    for (int i = 0; i < 5; ++i) Tick();
    EXPECT_EQ(Sc->VertScrollBar()->Position(), 50);
    EXPECT_TRUE(Sc->RollDirection().Empty());
    Sc->MouseUp(mbMiddle, {}, 100, 100);
}

TEST_F(RollFixture, NoRollingWithoutRollStyleOrOtherButton) {
    Sc->SetScrollStyle({});
    Sc->MouseDown(mbMiddle, {}, 100, 100);
    EXPECT_FALSE(Sc->ViewState().Contains(vsRolling));
    EXPECT_FALSE(Sc->RollTimer()->Enabled());
    Sc->SetScrollStyle({rsRoll});
    Sc->MouseDown(mbLeft, {}, 100, 100);
    EXPECT_FALSE(Sc->ViewState().Contains(vsRolling));
    Sc->MouseUp(mbLeft, {}, 100, 100);
    // Only the vertical bar rolls.
    Sc->HorzScrollBar()->SetMax(100);
    Sc->HorzScrollBar()->SetPageSize(10);
    Sc->MouseDown(mbMiddle, {}, 100, 100);
    Sc->MouseMove({}, 160, 160);
    Sc->Pointer = {160, 160};
    Tick();
    EXPECT_EQ(Sc->HorzScrollBar()->Position(), 0);
    EXPECT_EQ(Sc->VertScrollBar()->Position(), 51);
    Sc->MouseUp(mbMiddle, {}, 160, 160);
}

TEST_F(RollFixture, MarkerSitsAtTheStartPointInsideTheTopLevelWindow) {
    Form->Show();
    Sc->MouseDown(mbMiddle, {}, 50, 60);
    TRollShadow* m = Sc->RollShadow();
    const TPoint start = Sc->ClientToScreen(TPoint{50, 60});
    EXPECT_EQ(m->Position(), start);
    EXPECT_EQ(m->ScreenBoundsRect(), Bounds(start.X - 7, start.Y - 11, 32, 32));
    EXPECT_EQ(m->Parent(), Form.get()) << "an overlay of the top-level window";
    Sc->MouseUp(mbMiddle, {}, 50, 60);
    for (TCursor c : {crRoll, crRollUp, crRollDown}) EXPECT_TRUE(Screen->HasCursor(c));
}

TEST(FlyoutShapes, MarkerAndArrows) {
    const QRegion marker = TRollShadow::ShapeRegion();
    EXPECT_TRUE(marker.contains(QPoint(7, 3))) << "up arrow";
    EXPECT_TRUE(marker.contains(QPoint(7, 11))) << "dot";
    EXPECT_TRUE(marker.contains(QPoint(6, 18))) << "down arrow";
    EXPECT_FALSE(marker.contains(QPoint(20, 20)));
    EXPECT_FALSE(marker.contains(QPoint(1, 11))) << "gap beside the dot";
    EXPECT_TRUE(TDragArrow::ShapeRegion(akNone).isEmpty());
    const QRegion up = TDragArrow::ShapeRegion(akUp), down = TDragArrow::ShapeRegion(akDown);
    EXPECT_TRUE(up.contains(QPoint(4, 1)));
    EXPECT_FALSE(up.contains(QPoint(4, 8)) && up.contains(QPoint(1, 8)));
    EXPECT_TRUE(down.contains(QPoint(4, 7)));
    EXPECT_FALSE(down.contains(QPoint(4, 0)) && down.contains(QPoint(1, 1)));
    TDragArrow a(nullptr);
    EXPECT_EQ(a.Width(), 9);
    EXPECT_EQ(a.ArrowKind(), akNone);
}

TEST(ScrollContent, DeltasReachTheHooksAndMovePixels) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 300);
    TProbeScroll* sc = new TProbeScroll(&form);
    sc->SetParent(&form);
    sc->SetBounds(0, 0, 200, 200);
    form.Show();
    sc->VertScrollBar()->SetMax(100);
    sc->VertScrollBar()->SetPageSize(10);
    sc->HorzScrollBar()->SetMax(100);
    sc->HorzScrollBar()->SetPageSize(10);
    sc->Hooks.clear();
    sc->VertScrollBar()->SetPosition(2);
    sc->HorzScrollBar()->SetPosition(3);
    EXPECT_EQ(sc->Hooks, QStringList({"scroll 0 -20", "before 1", "after 1", "scroll -21 0", "before 0", "after 0"}));
    // Pixels inside the vertical clip rectangle move up by the delta; those outside stay.
    sc->SetVertScrollClipRect(TRect(0, 20, 100, 120));
    TCanvas* c = sc->Canvas();
    c->Brush().SetColor(clWhite);
    c->FillRect(TRect(0, 0, 200, 200));
    c->Brush().SetColor(clRed);
    c->FillRect(TRect(10, 60, 20, 70));
    c->FillRect(TRect(150, 60, 160, 70));
    sc->Hooks.clear();
    sc->VertScrollBar()->SetPosition(3);
    EXPECT_EQ(sc->Hooks.first(), QStringLiteral("scroll 0 -10"));
    c = sc->Canvas();
    EXPECT_EQ(c->Pixel(15, 55), ColorToRGB(clRed)) << "moved up 10 inside the clip";
    EXPECT_EQ(c->Pixel(155, 65), ColorToRGB(clRed)) << "outside the clip stays";
    EXPECT_EQ(c->Pixel(155, 55), ColorToRGB(clWhite));
}
