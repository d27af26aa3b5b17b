// Life cycle, events and dispatchers, row-count changes and the geometry helpers of the grid
// control base.

#include "RowsGrid.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtti/TypInfo.h"

#include <gtest/gtest.h>

namespace {

// Answers only what the base cannot do without: every other abstract operation must raise.
class TBareGrid : public TGxCustomGridControl {
public:
    TBareGrid() : TGxCustomGridControl(nullptr) {}
    int RowCount() const override { return 0; }
    QString GetCells(int, int) override { return {}; }
    void SetCells(int, int, const QString&) override {}
    bool Selected(int) const override { return false; }
};

TEST(GridCore, NewGridDefaults) {
    TRowsGrid g;
    EXPECT_EQ(g.Width(), 250);
    EXPECT_EQ(g.Height(), 150);
    EXPECT_EQ(g.Options(), TGridOptions({goHeader}));
    EXPECT_EQ(g.SelectedRow(), -1);
    EXPECT_EQ(g.EditingCell(), TPoint(-1, -1));
    EXPECT_EQ(g.Version(), "5.9.9");
    g.SetVersion("1.0");
    EXPECT_EQ(g.Version(), "5.9.9");
    g.SetRowSize(0);
    g.SetRowSize(-4);
    EXPECT_EQ(g.RowSize(), 16);
    EXPECT_FALSE(g.OnBeforeScroll);
}

TEST(GridCore, AbstractOperationsRaise) {
    TBareGrid g;
    TCellInfo info;
    const std::vector<std::function<void()>> calls = {
        [&] { g.GetCellInfo(0, 0, info); },
        [&] { g.FirstVisibleRow(); },
        [&] { g.GetHintText(0, 0); },
        [&] { g.LastVisibleRow(); },
        [&] { g.GetVisibleRows(); },
        [&] { g.SetSelected(0, true); },
        [&] { g.AddRow(1); },
        [&] { g.CalculateFooter(true); },
        [&] { g.SelectRange(0, 1, true); },
        [&] { g.SwapRows(0, 1); },
    };
    for (size_t i = 0; i < calls.size(); ++i) {
        try {
            calls[i]();
            ADD_FAILURE() << "call " << i << " did not raise";
        } catch (const Exception& e) {
            EXPECT_TRUE(e.InheritsFrom(QStringLiteral("EAbstractError"))) << i;
        }
    }
}

TEST(GridCore, DispatchersPassVarArgumentsBack) {
    TRowsGrid g;
    EXPECT_TRUE(g.DoRowMove(1, 2));
    EXPECT_TRUE(g.DoCalculateRow(3));
    g.OnRowMove = [](TObject*, int From, int To, bool& Accept) { Accept = From < To; };
    g.OnCalculateRow = [](TObject*, int Index, bool& Accept) { Accept = Index % 2 == 0; };
    EXPECT_TRUE(g.DoRowMove(1, 2));
    EXPECT_FALSE(g.DoRowMove(2, 1));
    EXPECT_FALSE(g.DoCalculateRow(3));
    EXPECT_TRUE(g.DoCalculateRow(4));
    g.OnColumnFooterValue = [](TObject*, int ACol, double& Value) { Value += ACol; };
    double v = 1.5;
    g.DoColumnFooterValue(2, v);
    EXPECT_EQ(v, 3.5);
    g.OnSelectionMove = [](TObject*, int& ACol, int, TMoveSelectionKey) { ACol = 7; };
    int col = 1;
    g.DoSelectionMove(col, 0, mkArrows);
    EXPECT_EQ(col, 7);
    g.OnEndEditing = [](TObject*, int, int, QString& Value, bool& Accept) {
        Value = Value.toUpper();
        Accept = false;
    };
    QString text = "abc";
    bool accept = true;
    g.DoEndEditing(0, 0, text, accept);
    EXPECT_EQ(text, "ABC");
    EXPECT_FALSE(accept);
}

TEST(GridCore, OnlyTheIndicatorOptionUpdatesColumns) {
    TRowsGrid g;
    int updates = 0;
    g.OnUpdateColumns = [&](TObject*) { ++updates; };
    g.SetOptions({goHeader, goGrid, goFooter});
    EXPECT_EQ(updates, 0);
    g.SetOptions({goHeader, goGrid, goFooter, goIndicator});
    EXPECT_EQ(updates, 1);
    g.SetOptions({goHeader, goIndicator});
    EXPECT_EQ(updates, 1);
    g.SetOptions({goHeader});
    EXPECT_EQ(updates, 2);
}

TEST(GridCore, EndUpdateWithoutBeginStillRefreshes) {
    TRowsGrid g;
    g.Fill({50}, 3);
    g.EndUpdate();
    EXPECT_EQ(g.UpdateCount(), 0);
    EXPECT_FALSE(g.Invalid.empty());
    g.BeginUpdate();
    g.BeginUpdate();
    g.Invalid.clear();
    g.EndUpdate();
    EXPECT_TRUE(g.Invalid.empty());
    g.EndUpdate();
    EXPECT_FALSE(g.Invalid.empty());
}

TEST(GridCore, RowCountWriterAddsAndDeletesFromTheEnd) {
    TRowsGrid g;
    g.Fill({50}, 5);
    g.SetRowCount(3);
    EXPECT_EQ(g.Deleted, std::vector<int>({4, 3}));
    EXPECT_EQ(g.RowCount(), 3);
    g.SetRowCount(-1);
    EXPECT_EQ(g.RowCount(), 3);
    g.SetRowCount(6);
    EXPECT_EQ(g.RowCount(), 6);
}

TEST(GridCore, ColumnsAreStreamedAsChildrenInIndexOrder) {
    TRowsGrid g;
    g.Fill({10, 20, 30}, 0);
    g.Columns()->Item(2)->SetPosition(0);
    std::vector<int> widths;
    g.GetChildren([&](TComponent* C) { widths.push_back(static_cast<TGxCustomColumn*>(C)->Width()); },
                  nullptr);
    EXPECT_EQ(widths, std::vector<int>({10, 20, 30}));
}

TEST(GridCore, SortColumnNeedsCanSortAndReportsDirection) {
    TRowsGrid g;
    g.Fill({10, 20}, 2);
    std::vector<std::pair<int, bool>> sorts;
    g.OnSortColumn = [&](TObject*, int ACol, bool Asc) { sorts.push_back({ACol, Asc}); };
    TGxCustomColumn* c = g.Columns()->Item(1);
    c->SetOptions(c->Options() - coCanSort);
    g.SortColumn(c, true);
    EXPECT_TRUE(sorts.empty());
    EXPECT_EQ(g.SortedColumn(), nullptr);
    c->SetOptions(c->Options() + coCanSort);
    c->SetSortKind(skDescending);
    g.SortColumn(c, true);
    g.Resort();
    EXPECT_EQ(sorts, (std::vector<std::pair<int, bool>>{{1, false}, {1, false}}));
    EXPECT_EQ(g.SortedColumn(), c);
}

TEST(GridCore, CellNamesNeverActAsFormat) {
    TRowsGrid g;
    g.SetName("Orders");
    g.Fill({10}, 4);
    try {
        g.CellsByName(Variant(0), Variant(QStringLiteral("%2 rows %1")));
        FAIL() << "a bad row name must raise";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(),
                  QStringLiteral("Invalid Rowname '%2 rows %1' for '") + g.ClassName() + ":Orders'.")
            << qPrintable(e.Message());
    }
}

TEST(GridCore, RowVisibilityKeepsTheVisibleBounds) {
    // The base keeps its own bounds; the concrete grid flips the flag first, then calls the base.
    struct Probe : TRowsGrid {
        int First() const { return FFirstVisibleRow; }
        int Last() const { return FLastVisibleRow; }
    };
    Probe p;
    p.Fill({10}, 6);
    p.SetRowVisible(5, true);
    EXPECT_EQ(p.Last(), 5);
    p.Data[0].Visible = false;
    p.SetRowVisible(0, false);
    EXPECT_EQ(p.First(), 1);
    p.Data[5].Visible = false;
    p.SetRowVisible(5, false);
    EXPECT_EQ(p.Last(), 4);
    p.Data[0].Visible = true;
    p.SetRowVisible(0, true);
    EXPECT_EQ(p.First(), 0);
}

// --- geometry helpers

struct GeometryFixture : ::testing::Test {
    void SetUp() override {
        G.SetBounds(0, 0, 200, 150);
        G.Fill({60, 70}, 10);
    }
    TRowsGrid G;
};

TEST_F(GeometryFixture, CaptionSitsUnderTheHeader) {
    G.SetOptions({goHeader, goIndicator, goInput});
    G.SetCaption("No rows");
    const TRect body = G.GetBodyRect();
    const TRect r = G.GetCaptionRect();
    EXPECT_EQ(r.Left, body.Left);
    EXPECT_EQ(r.Top, body.Top + 4);
    EXPECT_EQ(r.Right, G.ClientWidth());
    EXPECT_GT(r.Height(), 8);
    EXPECT_LT(r.Height(), 30);
    // Writing the caption refreshes the body across the whole width.
    G.Invalid.clear();
    G.SetCaption("Other");
    ASSERT_EQ(G.Invalid.size(), 1u);
    EXPECT_EQ(G.Invalid[0], TRect(0, body.Top, G.ClientWidth(), body.Bottom));
}

TEST_F(GeometryFixture, RefreshRowsFromStopsAtTheBody) {
    G.SetOptions({goHeader, goGrid});
    struct Case {
        int Index, Count, Top, Bottom;
    };
    // Rows are 16 + 1 pixels; the body runs from 18 to 150.
    const Case cases[] = {{0, 1, 18, 35}, {2, 3, 52, 103}, {5, 100, 103, 150}, {9, 1, 171, 150}};
    for (const Case& c : cases) {
        G.Invalid.clear();
        G.RefreshRowsFrom(c.Index, c.Count);
        if (c.Top >= c.Bottom) {
            EXPECT_TRUE(G.Invalid.empty()) << c.Index;
            continue;
        }
        ASSERT_EQ(G.Invalid.size(), 1u) << c.Index;
        EXPECT_EQ(G.Invalid[0], TRect(0, c.Top, G.GetBodyRect().Right, c.Bottom)) << c.Index;
    }
}

TEST_F(GeometryFixture, RowGridStripAndCellTops) {
    G.SetOptions({goHeader, goGrid});
    G.Invalid.clear();
    G.RefreshRowGrid(1);
    const TRect row = G.GetRowRect(1);
    ASSERT_EQ(G.Invalid.size(), 1u);
    EXPECT_EQ(G.Invalid[0], TRect(0, row.Bottom - 1, row.Right, row.Bottom));
    EXPECT_EQ(G.GetCellTop(1, 3), G.GetRowTop(3));
    G.SetGridStyle(gsSlides);
    G.Columns()->Item(1)->SlideBounds()->SetTop(20);
    EXPECT_EQ(G.GetCellTop(1, 2), G.GetSlideTop(2) + 20);
}

TEST_F(GeometryFixture, SelectedSlidesRefreshWhole) {
    G.SetGridStyle(gsSlides);
    G.SetSlideSize(40);
    G.Data[0].Selected = G.Data[2].Selected = G.Data[8].Selected = true;
    G.Invalid.clear();
    G.RefreshSelectedSlides();
    EXPECT_EQ(G.Invalid, std::vector<TRect>({G.GetSlideRect(0), G.GetSlideRect(2)}));
}

TEST_F(GeometryFixture, RowOfScrollPositionCountsVisibleRows) {
    G.SetClientHeight(18 + 3 * 16);
    G.Data[1].Visible = G.Data[2].Visible = false;
    G.UpdateVertScrollBar();
    struct Case {
        int Position, Row;
    };
    const Case cases[] = {{0, 0}, {1, 1}, {2, 4}, {4, 6}};
    for (const Case& c : cases) {
        G.VertScrollBar()->SetManualScroll(true);
        G.VertScrollBar()->SetPosition(c.Position);
        EXPECT_EQ(G.RowOfScrollPosition(), c.Row) << c.Position;
    }
}

TEST_F(GeometryFixture, FocusIncludesTheEditor) {
    TBareGrid bare;
    EXPECT_FALSE(bare.IsGridFocused());
    TGxEdit edit(nullptr);
    bare.SetInplaceEdit(&edit);
    EXPECT_EQ(edit.Parent(), &bare);
    EXPECT_FALSE(bare.IsGridFocused());
    bare.SetInplaceEdit(nullptr);
}

} // namespace

namespace {

TEST(GridCore, PublishedSettingsRunTheirWriters) {
    TRowsGrid g;
    int updates = 0;
    g.OnUpdateColumns = [&](TObject*) { ++updates; };
    SetSetProp(&g, "Options", "[goHeader,goIndicator,goGrid]");
    EXPECT_EQ(g.Options(), TGridOptions({goHeader, goIndicator, goGrid}));
    EXPECT_EQ(updates, 1);
    EXPECT_EQ(g.GridSpace(lpTopBottom), 1);
    SetEnumProp(&g, "HeaderStyle", "hsVista");
    EXPECT_NE(dynamic_cast<TVistaStyleDisplay*>(g.CurrentStyleDisplay()), nullptr);
    SetEnumProp(&g, "GridLinesStyle", "lsVerticalOnly");
    EXPECT_EQ(g.GridSpace(lpBottom), 0);
    SetOrdProp(&g, "RowSize", 0);
    EXPECT_EQ(g.RowSize(), 16);
    SetPropValue(&g, GetPropInfo(&g, "Version"), Variant(QStringLiteral("9")));
    EXPECT_EQ(VarToStr(GetPropValue(&g, "Version")), "5.9.9");
    EXPECT_EQ(GetSetProp(&g, GetPropInfo(&g, "AppearanceOptions"), true),
              "[aoHideSelection,aoHighlightSlideCells]");
    SetPropValue(&g, GetPropInfo(&g, "Caption"), Variant(QStringLiteral("Empty")));
    EXPECT_EQ(g.Caption(), "Empty");
    ASSERT_NE(GetPropInfo(&g, "OnSelectCell"), nullptr);
    EXPECT_EQ(GetPropInfo(&g, "OnBeforeScroll"), nullptr);
}

} // namespace
