// Pixels of a painted grid: grid lines, empty rows, framed style, sorted and custom-drawn
// columns, the caption, overlays, scrolling without stale pixels, and a sheet of every header
// style saved as gridshot.png next to the build's tests.

#include "RowsGrid.h"
#include "grid/GxThemesSupport.h"
#include "platform/gfx/Colors.h"
#include "platform/ui/Forms.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QWidget>

namespace {

constexpr TColor kRed = 0x0000FF;    // BGR
constexpr TColor kYellow = 0x00FFFF; // BGR

struct PaintFixture : ::testing::Test {
    void SetUp() override {
        Form = std::make_unique<TForm>(nullptr);
        Form->SetBounds(0, 0, 320, 220);
        G = new TRowsGrid(Form.get());
        G->SetParent(Form.get());
        G->SetBounds(0, 0, 300, 200);
        G->Fill({80, 90, 70}, 4);
        G->SetGridLinesColor(kRed);
        Form->Show();
    }
    QImage Shot() { return G->Widget()->grab().toImage(); }
    static QRgb Rgb(TColor C) { return ColorToQColor(C).rgb() | 0xFF000000; }
    static bool Is(const QImage& I, int X, int Y, TColor C) { return I.pixel(X, Y) == Rgb(C); }
    static int Count(const QImage& I, const TRect& R, TColor C) {
        int n = 0;
        for (int y = R.Top; y < R.Bottom; ++y)
            for (int x = R.Left; x < R.Right; ++x)
                n += Is(I, x, y, C);
        return n;
    }
    static int Ink(const QImage& I, const TRect& R) {
        int n = 0;
        for (int y = R.Top; y < R.Bottom; ++y)
            for (int x = R.Left; x < R.Right; ++x)
                n += qGray(I.pixel(x, y)) < 128;
        return n;
    }
    std::unique_ptr<TForm> Form;
    TRowsGrid* G = nullptr;
};

TEST_F(PaintFixture, GridLinesBelowTheRowsFollowTheStyle) {
    G->SetOptions({goHeader, goGrid});
    struct Case {
        TGridLinesStyle Style;
        bool EmptyRowLines;
    };
    const Case cases[] = {
        {lsNormal, true}, {lsActiveRows, false}, {lsActiveHorzOnly, false}, {lsVerticalOnly, true}};
    for (const Case& c : cases) {
        G->SetGridLinesStyle(c.Style);
        const QImage img = Shot();
        const TRect data = G->GetCellRect(0, 1), empty = G->GetCellRect(0, 6);
        // The vertical line right of the first column, in a data row and in the empty area.
        EXPECT_EQ(Is(img, data.Right - 1, data.Top + 5, kRed), c.Style != lsActiveHorzOnly) << c.Style;
        EXPECT_EQ(Is(img, empty.Right - 1, empty.Top + 5, kRed),
                  c.EmptyRowLines && c.Style != lsActiveHorzOnly)
            << c.Style;
        if (c.Style != lsVerticalOnly) {
            EXPECT_TRUE(Is(img, data.Left + 10, data.Bottom, kRed)) << c.Style;
        }
    }
}

TEST_F(PaintFixture, FramedStyleDrawsTheOuterLinesBlack) {
    G->SetOptions({goHeader, goGrid});
    G->SetGridLinesStyle(lsFramed);
    const QImage img = Shot();
    const TRect last = G->GetCellRect(0, 3), inner = G->GetCellRect(0, 1), right = G->GetCellRect(2, 1);
    EXPECT_TRUE(Is(img, last.Left + 10, last.Bottom, clBlack));
    EXPECT_TRUE(Is(img, inner.Left + 10, inner.Bottom, kRed));
    EXPECT_TRUE(Is(img, right.Right - 1, right.Top + 4, clBlack));
    EXPECT_TRUE(Is(img, inner.Right - 1, inner.Top + 4, kRed));
}

TEST_F(PaintFixture, SortedColumnStylesAndSelection) {
    G->SetOptions({goHeader, goSelectFullRow});
    TGxCustomColumn* c = G->Columns()->Item(1);
    c->SetColor(kYellow);
    c->SetSorted(true);
    G->SetSelectedCellSilently(0, 2);
    G->Data[2].Selected = true;
    G->SetSortedStyle(soWhite);
    QImage img = Shot();
    const TRect cell = G->GetCellRect(1, 0), sel = G->GetCellRect(1, 2);
    EXPECT_TRUE(Is(img, cell.Right - 3, cell.Top + 2, clWhite));
    EXPECT_TRUE(Is(img, sel.Right - 3, sel.Top + 2, clHighlight))
        << "a selected cell keeps the selection colour";
    G->SetSortedStyle(soDefault);
    img = Shot();
    EXPECT_TRUE(Is(img, cell.Right - 3, cell.Top + 2, kYellow));
}

TEST_F(PaintFixture, CustomOnlyColumnsPaintNothingThemselves) {
    TGxCustomColumn* c = G->Columns()->Item(0);
    c->SetColor(kYellow);
    c->SetDrawingOptions(doCustomOnly);
    std::vector<int> rows;
    G->OnCustomDrawCell = [&](TObject*, int ACol, int ARow, const TRect&, TCellState) {
        if (ACol == 0) rows.push_back(ARow);
    };
    const QImage img = Shot();
    EXPECT_EQ(Count(img, G->GetCellRect(0, 1), kYellow), 0);
    EXPECT_EQ(rows, std::vector<int>({0, 1, 2, 3}));
    rows.clear();
    c->SetDrawingOptions(doBackgroundOnly);
    G->Invalidate();
    const QImage again = Shot();
    const TRect r = G->GetCellRect(0, 1);
    EXPECT_EQ(Count(again, r, kYellow), r.Width() * r.Height()) << "background only: no text";
    EXPECT_EQ(rows.size(), 4u);
}

TEST_F(PaintFixture, CaptionShowsOnlyWithoutRows) {
    G->SetCaption("Nothing to show");
    int posts = 0;
    G->OnPostDraw = [&](TObject*) { ++posts; };
    QImage img = Shot();
    const TRect caption = G->GetCaptionRect();
    G->SetCaption("");
    EXPECT_TRUE(img == Shot()) << "with rows shown the caption is not drawn";
    EXPECT_EQ(posts, 2);
    G->SetCaption("Nothing to show");
    G->Data.clear();
    G->Invalidate();
    img = Shot();
    EXPECT_GT(Ink(img, caption), 20);
    // Centred: as much ink left of the middle as right of it, within a few pixels.
    const int mid = (caption.Left + caption.Right) / 2;
    const int left = Ink(img, TRect(caption.Left, caption.Top, mid, caption.Bottom));
    const int right = Ink(img, TRect(mid, caption.Top, caption.Right, caption.Bottom));
    EXPECT_NEAR(left, right, (left + right) / 4);
    EXPECT_EQ(posts, 3);
}

TEST_F(PaintFixture, OverlaysArePaintedLast) {
    G->ShowOverlay(1, {okLine, TRect(10, 60, 250, 60), kYellow, 1});
    QImage img = Shot();
    EXPECT_GT(Count(img, TRect(10, 60, 250, 61), kYellow), 200);
    G->HideOverlay(1);
    img = Shot();
    EXPECT_EQ(Count(img, TRect(10, 60, 250, 61), kYellow), 0);
}

TEST_F(PaintFixture, ScrollingLeavesNoStalePixels) {
    G->SetOptions({goHeader, goGrid, goIndicator, goSelectFullRow, goFooter});
    G->SetBounds(0, 0, 200, 120);
    for (int i = 0; i < 20; ++i)
        G->AddRow(1);
    for (int r = 0; r < G->RowCount(); ++r)
        for (int c = 0; c < 3; ++c)
            G->Data[r].Cells[c] = QStringLiteral("r%1c%2").arg(r).arg(c);
    G->Data[5].Height = 30;
    G->UpdateVertScrollBar();
    G->UpdateHorzScrollBar();
    G->SetSelectedRow(2);
    Shot();
    struct Step {
        const char* Name;
        std::function<void()> Act;
    };
    const std::vector<Step> steps = {
        {"down three", [&] { G->VertScrollBar()->MoveBy(3); }},
        {"down past a tall row", [&] { G->VertScrollBar()->MoveBy(4); }},
        {"up two", [&] { G->VertScrollBar()->MoveBy(-2); }},
        {"right", [&] { G->HorzScrollBar()->MoveBy(25); }},
        {"wider column", [&] { G->Columns()->Item(0)->SetWidth(110); }},
        {"narrower column", [&] { G->Columns()->Item(1)->SetWidth(40); }},
        {"left", [&] { G->HorzScrollBar()->MoveBy(-25); }},
        {"to a row", [&] { G->ScrollToRow(19); }},
    };
    for (const Step& s : steps) {
        s.Act();
        const QImage scrolled = Shot();
        G->Invalidate();
        const QImage fresh = Shot();
        EXPECT_TRUE(scrolled == fresh) << s.Name;
    }
}

TEST_F(PaintFixture, FocusFrameAndHideFocus) {
    G->SetOptions({goHeader, goSelectFullRow});
    G->SetSelectedRow(1);
    bool focusedState = false;
    G->OnCellColoring = [&](TObject*, int, int, TColor&, TColor&, TCellState S) {
        focusedState |= S.Contains(csFocused);
    };
    const QImage framed = Shot();
    EXPECT_TRUE(focusedState);
    const TRect row = G->GetRowRect(1);
    // The frame runs along the row's top edge.
    EXPECT_NE(framed.pixel(row.Left + 20, row.Top), framed.pixel(row.Left + 20, row.Top + 4));
    G->SetAppearanceOptions(G->AppearanceOptions() + aoHideFocus);
    focusedState = false;
    const QImage plain = Shot();
    EXPECT_FALSE(focusedState);
    EXPECT_FALSE(framed == plain);
    EXPECT_EQ(plain.pixel(row.Left + 20, row.Top), plain.pixel(row.Left + 20, row.Top + 4)) << "no frame";
    G->SetFocusFlag(false);
    G->SetAppearanceOptions(G->AppearanceOptions() - aoHideFocus);
    const QImage unfocused = Shot();
    EXPECT_EQ(unfocused.pixel(row.Left + 20, row.Top), unfocused.pixel(row.Left + 20, row.Top + 4))
        << "without the focus there is no frame either";
}

TEST_F(PaintFixture, SlidesFrameTheSelectedSlide) {
    G->SetGridStyle(gsSlides);
    G->SetSlideSize(40);
    G->SetSelectionColor(kYellow);
    G->SetInactiveSelectionColor(kRed);
    for (int i = 0; i < 3; ++i) {
        TGxSlideBounds* b = G->Columns()->Item(i)->SlideBounds();
        b->SetLeft(10 + 90 * i);
        b->SetTop(5);
        b->SetWidth(80);
        b->SetHeight(20);
    }
    G->SetSelectedRow(1);
    const TRect s = G->GetSlideRect(1);
    QImage img = Shot();
    EXPECT_TRUE(Is(img, s.Left + 1, s.Top + 10, kYellow));
    EXPECT_TRUE(Is(img, s.Left + 2, s.Top + 10, kYellow));
    EXPECT_FALSE(Is(img, s.Left + 3, s.Top + 10, kYellow));
    const TRect other = G->GetSlideRect(2);
    EXPECT_FALSE(Is(img, other.Left + 1, other.Top + 10, kYellow));
    G->SetFocusFlag(false);
    G->Invalidate();
    img = Shot();
    EXPECT_TRUE(Is(img, s.Left + 1, s.Top + 10, kRed));
    // The cells sit at their slide bounds.
    const TRect cell = G->GetCellRect(2, 1);
    EXPECT_EQ(cell, TRect(190, G->GetSlideTop(1) + 5, 270, G->GetSlideTop(1) + 25));
}

TEST_F(PaintFixture, BackgroundAndIndicatorHooks) {
    G->SetOptions({goHeader, goIndicator});
    G->Columns()->Item(1)->SetColor(kYellow);
    // Refusing the default drawing leaves the column's colour out.
    G->OnDrawCellBackground = [](TObject*, int ACol, int, const TRect&, TCellState, bool& Default) {
        if (ACol == 1) Default = false;
    };
    std::vector<int> indicators;
    G->OnCustomDrawIndicator = [&](TObject*, int Index, const TRect&, bool, bool) {
        indicators.push_back(Index);
    };
    QImage img = Shot();
    EXPECT_EQ(Count(img, G->GetCellRect(1, 0), kYellow), 0);
    EXPECT_TRUE(indicators.empty()) << "doNormal draws the indicator itself";
    const QImage normal = img;
    G->SetIndicatorDrawingOptions(doCustomOnly);
    img = Shot();
    ASSERT_GE(indicators.size(), 4u);
    EXPECT_EQ(std::vector<int>(indicators.begin(), indicators.begin() + 4), std::vector<int>({0, 1, 2, 3}));
    const TRect ind(0, G->GetRowTop(1), kIndicatorWidth, G->GetRowTop(1) + 16);
    int differ = 0;
    for (int y = ind.Top; y < ind.Bottom; ++y)
        for (int x = ind.Left; x < ind.Right; ++x)
            differ += img.pixel(x, y) != normal.pixel(x, y);
    EXPECT_GT(differ, 10) << "doCustomOnly leaves the indicator cell to the handler";
}

struct TPartialGrid : TRowsGrid {
    using TRowsGrid::TRowsGrid;
    bool HidePartialRows() const override { return Hide; }
    bool Hide = false;
};

TEST(GridPaint, PartialLastRowCanBeHidden) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 200, 120);
    auto* g = new TPartialGrid(&form);
    g->SetParent(&form);
    g->SetBounds(0, 0, 160, 18 + 16 * 3 + 8); // three rows and half of a fourth
    g->Fill({150}, 6);
    g->Data[3].Cells[0] = "WWWWWWWWWW";
    form.Show();
    auto ink = [&](const QImage& I) {
        int n = 0;
        for (int y = g->GetRowTop(3); y < g->GetRowTop(3) + 8; ++y)
            for (int x = 0; x < 150; ++x)
                n += qGray(I.pixel(x, y)) < 128;
        return n;
    };
    EXPECT_GT(ink(g->Widget()->grab().toImage()), 5);
    g->Hide = true;
    g->Invalidate();
    EXPECT_EQ(ink(g->Widget()->grab().toImage()), 0);
}

TEST(GridPaint, OfficeStylesFrameTheWindow) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 200, 120);
    auto* g = new TRowsGrid(&form);
    g->SetParent(&form);
    g->SetBorderStyle(bsSingle);
    g->SetBounds(0, 0, 160, 100);
    form.Show();
    const QRgb before = g->Widget()->grab().toImage().pixel(0, 50);
    g->SetHeaderStyle(hsOffice2007);
    const QImage framed = g->Widget()->grab().toImage();
    EXPECT_EQ(framed.pixel(0, 50), ColorToQColor(GetSchemeColor(2)).rgb());
    EXPECT_EQ(framed.pixel(159, 50), ColorToQColor(GetSchemeColor(2)).rgb());
    g->SetHeaderStyle(hsFlatBorders);
    EXPECT_EQ(g->Widget()->grab().toImage().pixel(0, 50), before);
}

TEST(GridShot, EveryHeaderStyle) {
    const THeaderStyle styles[] = {hsAuto,     hsFlatBorders, hsOffice2007, hsOffice2010,
                                   hsOldStyle, hsOutlook,     hsVista};
    TForm form(nullptr);
    form.SetBounds(0, 0, 320, 150);
    auto* grid = new TRowsGrid(&form);
    grid->SetParent(&form);
    grid->SetBounds(0, 0, 300, 140);
    grid->SetOptions({goHeader, goIndicator, goFooter, goGrid, goSelectFullRow});
    grid->SetAppearanceOptions({aoAlphaBlendedSelection});
    grid->SetGridLinesStyle(lsActiveRows);
    const char* captions[] = {"Name", "Amount", "Date"};
    const int widths[] = {80, 90, 96};
    for (int i = 0; i < 3; ++i) {
        TGxCustomColumn* col = grid->Columns()->Add<TGxTextColumn>(QString::fromLatin1(captions[i]));
        col->Header()->SetCaption(QString::fromLatin1(captions[i]));
        col->SetWidth(widths[i]);
        col->Footer()->SetCaption(i == 1 ? QStringLiteral("Sum 502.00") : QStringLiteral("4 rows"));
    }
    const char* names[] = {"Anna", "Boris", "Chen", "Dora"};
    for (int r = 0; r < 4; ++r) {
        grid->AddRow(1);
        grid->SetCells(0, r, QString::fromLatin1(names[r]));
        grid->SetCells(1, r, QString::number((r + 1) * 50.2, 'f', 2));
        grid->SetCells(2, r, QStringLiteral("2026-0%1-1%2").arg(r + 1).arg(r));
    }
    grid->Columns()->Item(1)->SetAlignment(taRightJustify);
    grid->Columns()->Item(1)->Footer()->SetAlignment(taRightJustify);
    grid->SetSelectedRow(1);
    form.Show();
    QImage sheet(300, 140 * 7, QImage::Format_RGB32);
    QPainter out(&sheet);
    const TRect body = grid->GetBodyRect(), footer = grid->GetFooterRect();
    for (int s = 0; s < 7; ++s) {
        grid->SetHeaderStyle(styles[s]);
        const QImage shot = grid->Widget()->grab().toImage();
        ASSERT_EQ(shot.width(), 300);
        out.drawImage(0, s * 140, shot);
        // Header and footer bands are drawn by the painter, not left in the window colour.
        const QRgb window = ColorToQColor(clWindow).rgb();
        int header = 0, foot = 0;
        for (int x = 20; x < 260; ++x) {
            header += shot.pixel(x, 3) != window;
            for (int y = footer.Top; y < footer.Bottom; ++y)
                foot += shot.pixel(x, y) != window;
        }
        EXPECT_GT(header, 200) << "style " << s;
        EXPECT_GT(foot, 300) << "style " << s;
        // The selected row's indicator cell carries a marker the others lack.
        const int top1 = grid->GetRowTop(1), top2 = grid->GetRowTop(2);
        int differ = 0;
        for (int y = 2; y < grid->RowHeight(1) - 2; ++y)
            for (int x = 2; x < 10; ++x)
                differ += shot.pixel(x, top1 + y) != shot.pixel(x, top2 + y);
        EXPECT_GT(differ, 8) << "style " << s;
        // Text in the body, and the empty rows without grid lines (lsActiveRows).
        const TRect first = grid->GetCellRect(0, 0);
        int ink = 0;
        for (int y = first.Top; y < first.Bottom; ++y)
            for (int x = first.Left; x < first.Right; ++x)
                ink += qGray(shot.pixel(x, y)) < 100;
        EXPECT_GT(ink, 10) << "style " << s;
        const int emptyY = grid->GetRowTop(4) + 5;
        ASSERT_LT(emptyY, body.Bottom);
        EXPECT_EQ(shot.pixel(body.Left + 79, emptyY), window) << "style " << s;
    }
    out.end();
    const QString path = QDir(QCoreApplication::applicationDirPath()).absoluteFilePath("../../gridshot.png");
    ASSERT_TRUE(sheet.save(path));
    std::printf("grid screenshot: %s\n", qPrintable(QDir::cleanPath(path)));
}

} // namespace

namespace {

TEST_F(PaintFixture, BlendedSelectionKeepsTextReadable) {
    G->SetOptions({goHeader, goSelectFullRow});
    G->SetSelectedRow(1);
    G->SetAppearanceOptions({aoAlphaBlendedSelection});
    EXPECT_EQ(G->GetActualCellFontColor(0, 1), G->Columns()->Item(0)->Font()->Color());
    const QImage blended = Shot();
    EXPECT_GT(Ink(blended, G->GetCellRect(0, 1)), 5) << "dark text on the light blend";
    G->SetAppearanceOptions({});
    EXPECT_EQ(G->GetActualCellFontColor(0, 1), clHighlightText);
    const QImage solid = Shot();
    const TRect r = G->GetCellRect(0, 1);
    EXPECT_LT(Ink(solid, r), r.Width() * r.Height() - 5) << "light text on the dark solid highlight";
}

} // namespace
