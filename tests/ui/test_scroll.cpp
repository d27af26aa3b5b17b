// The window scroll-bar model, scroll requests from the Qt bars, pixel scrolling of a custom
// control and drawing on its canvas between paints.

#include "UiTestSupport.h"

#include <QImage>
#include <QScrollBar>

using namespace uitest;

namespace {

// Rows of 10 pixels, each coloured by its content index; scrolls like a list.
class TRows : public TCustomControl {
public:
    explicit TRows(TComponent* owner) : TCustomControl(owner) {}
    QStringList Requests;
    std::vector<TRect> Painted;
    int FirstRow = 0;
    bool MoveOnRequest = true;

    static TColor RowColor(int row) { return RGB((row * 40) % 256, 100, 200 - (row * 15) % 200); }

    void ScrollTo(int row) {
        const int dy = (FirstRow - row) * 10;
        FirstRow = row;
        TScrollInfo info;
        info.fMask = SIF_POS;
        info.nPos = row;
        SetScrollInfo(SB_VERT, info, true);
        ScrollWindow(0, dy);
    }

protected:
    void Paint() override {
        TCanvas* c = Canvas();
        const TRect clip = c->ClipRect();
        Painted.push_back(clip);
        for (int y = 0; y < ClientHeight(); y += 10) {
            c->Brush().SetColor(RowColor(FirstRow + y / 10));
            c->FillRect(Rect(0, y, ClientWidth(), y + 10));
        }
    }
    void WMVScroll(int code, int pos) override {
        Requests << QStringLiteral("%1:%2").arg(code).arg(pos);
        if (!MoveOnRequest) return;
        TScrollInfo info;
        info.fMask = SIF_ALL;
        GetScrollInfo(SB_VERT, info);
        switch (code) {
        case SB_LINEDOWN: ScrollTo(info.nPos + 1); break;
        case SB_LINEUP: ScrollTo(std::max(0, info.nPos - 1)); break;
        case SB_THUMBTRACK: ScrollTo(pos); break;
        default: break;
        }
    }
};

struct ScrollTest : ::testing::Test {
    std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
    TRows* Rows = nullptr;
    void SetUp() override {
        Form->SetBounds(0, 0, 200, 200);
        Rows = new TRows(Form.get());
        Rows->SetParent(Form.get());
        Rows->SetBounds(0, 0, 120, 100);
        Form->Show();
        QApplication::processEvents();
    }
    QScrollBar* VBar() const {
        for (QScrollBar* b : Rows->Widget()->findChildren<QScrollBar*>())
            if (b->orientation() == Qt::Vertical) return b;
        return nullptr;
    }
    void SetRange(int max, unsigned page, unsigned extraMask = 0) {
        TScrollInfo info;
        info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | extraMask;
        info.nMin = 0;
        info.nMax = max;
        info.nPage = page;
        info.nPos = 0;
        Rows->SetScrollInfo(SB_VERT, info, true);
    }
};

} // namespace

TEST_F(ScrollTest, TheModelIsMirroredIntoTheQtBar) {
    SetRange(99, 10);
    ASSERT_NE(VBar(), nullptr);
    EXPECT_TRUE(Rows->ScrollBarVisible(SB_VERT));
    EXPECT_TRUE(VBar()->isEnabled());
    EXPECT_EQ(VBar()->maximum(), 90);
    EXPECT_EQ(VBar()->pageStep(), 10);
    // The client area gives way to the bar.
    EXPECT_EQ(Rows->ClientWidth(), 120 - 16);
    // Positions beyond the last page are pulled back, as window bars do.
    TScrollInfo info;
    info.fMask = SIF_POS;
    info.nPos = 500;
    Rows->SetScrollInfo(SB_VERT, info, true);
    EXPECT_EQ(Rows->GetScrollPos(SB_VERT), 90);
    EXPECT_EQ(VBar()->value(), 90);
}

TEST_F(ScrollTest, ARangeThatFitsHidesTheBarOrDisablesItWhenAsked) {
    SetRange(99, 10);
    SetRange(5, 10);
    EXPECT_FALSE(Rows->ScrollBarVisible(SB_VERT));
    EXPECT_EQ(Rows->ClientWidth(), 120);
    SetRange(5, 10, SIF_DISABLENOSCROLL);
    EXPECT_TRUE(Rows->ScrollBarVisible(SB_VERT));
    EXPECT_FALSE(Rows->ScrollBarEnabled(SB_VERT));
    SetRange(99, 10, SIF_DISABLENOSCROLL);
    EXPECT_TRUE(Rows->ScrollBarEnabled(SB_VERT));
    Rows->EnableScrollBar(SB_VERT, ESB_DISABLE_BOTH);
    EXPECT_FALSE(Rows->ScrollBarEnabled(SB_VERT));
}

TEST_F(ScrollTest, BarActionsBecomeRequestsAndTheProgramMovesTheBar) {
    SetRange(99, 10);
    VBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    VBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(Rows->Requests, (QStringList{"1:1", "8:0", "1:2", "8:0"}));
    EXPECT_EQ(Rows->GetScrollPos(SB_VERT), 2);
    EXPECT_EQ(VBar()->value(), 2);

    // A program that ignores a request leaves the bar where it was.
    Rows->MoveOnRequest = false;
    Rows->Requests.clear();
    VBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    VBar()->triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(Rows->Requests, (QStringList{"3:12", "8:0", "7:90", "8:0"}));
    EXPECT_EQ(VBar()->value(), 2);
    EXPECT_EQ(Rows->GetScrollPos(SB_VERT), 2);
}

TEST_F(ScrollTest, ThumbTrackingReportsTheTrackPosition) {
    SetRange(99, 10);
    Rows->MoveOnRequest = false;
    Rows->SendScroll(SB_VERT, SB_THUMBTRACK, 40);
    TScrollInfo info;
    info.fMask = SIF_TRACKPOS | SIF_POS;
    Rows->GetScrollInfo(SB_VERT, info);
    EXPECT_EQ(info.nPos, 0);
    EXPECT_EQ(Rows->Requests, (QStringList{"5:40"}));
}

TEST_F(ScrollTest, ScrollWindowMovesPixelsAndRepaintsOnlyTheUncoveredStrip) {
    QImage before = Rows->Widget()->grab().toImage();
    ASSERT_EQ(before.pixel(5, 15), ColorToQColor(TRows::RowColor(1)).rgb());
    Rows->Painted.clear();
    Rows->ScrollTo(3);
    QImage after = Rows->Widget()->grab().toImage();
    // What was row 3 is now at the top; the new rows at the bottom were painted.
    EXPECT_EQ(after.pixel(5, 5), before.pixel(5, 35));
    EXPECT_EQ(after.pixel(5, 95), ColorToQColor(TRows::RowColor(12)).rgb());
    ASSERT_FALSE(Rows->Painted.empty());
    for (const TRect& r : Rows->Painted) EXPECT_GE(r.Top, 70) << r.Top;
}

TEST_F(ScrollTest, DrawingBetweenPaintsStaysUntilInvalidated) {
    TCanvas* c = Rows->Canvas();
    c->Pen().SetColor(clBlack);
    c->Pen().SetMode(pmNot);
    c->MoveTo(50, 0);
    c->LineTo(50, 100);
    QImage drawn = Rows->Widget()->grab().toImage();
    const QRgb inverted = drawn.pixel(50, 5);
    EXPECT_EQ(inverted, QColor(ColorToQColor(TRows::RowColor(0)).rgb() ^ 0xFFFFFF).rgb());
    // Drawing it again puts the pixels back.
    c = Rows->Canvas();
    c->Pen().SetMode(pmNot);
    c->MoveTo(50, 0);
    c->LineTo(50, 100);
    EXPECT_EQ(Rows->Widget()->grab().toImage().pixel(50, 5), ColorToQColor(TRows::RowColor(0)).rgb());
}
