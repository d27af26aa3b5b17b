// Selection modes, the select events and keyboard movement of the grid control.

#include "RowsGrid.h"

#include <gtest/gtest.h>

#include <QStringList>

namespace {

struct SelectionFixture : ::testing::Test {
    void SetUp() override {
        G.SetBounds(0, 0, 300, 200);
        G.Fill({60, 60, 60}, 8);
        G.OnSelectCell = [this](TObject*, int c, int r) {
            Log << QStringLiteral("select %1,%2").arg(c).arg(r);
        };
        G.OnDeselectCell = [this](TObject*, int c, int r) {
            Log << QStringLiteral("deselect %1,%2").arg(c).arg(r);
        };
    }
    TRowsGrid G;
    QStringList Log;
};

TEST_F(SelectionFixture, MultiSelectClicksBuildSetsAndRanges) {
    G.SetOptions({goHeader, goSelectFullRow, goMultiSelect});
    const TShiftState none, ctrl{ssCtrl}, shift{ssShift}, both{ssCtrl, ssShift};
    struct Step {
        int Row;
        TShiftState Shift;
        std::vector<int> Expected;
    };
    // Plain click, Ctrl toggles, Shift ranges from the anchor and clears the rest, Ctrl+Shift adds.
    const std::vector<Step> steps = {
        {2, none, {2}},
        {5, ctrl, {2, 5}},
        {2, ctrl, {5}},
        {7, shift, {2, 3, 4, 5, 6, 7}},
        {0, ctrl, {0, 2, 3, 4, 5, 6, 7}},
        {1, both, {0, 1, 2, 3, 4, 5, 6, 7}},
        {4, none, {4}},
        {3, shift, {3, 4}},
    };
    for (size_t i = 0; i < steps.size(); ++i) {
        G.SelectCell(0, steps[i].Row, steps[i].Shift, true, false);
        EXPECT_EQ(G.SelectedRows(), steps[i].Expected) << "step " << i;
        EXPECT_EQ(G.SelectedRow(), steps[i].Row) << "step " << i;
    }
    EXPECT_TRUE(G.GridState().Contains(gtMultiSelect));
    G.NoSelection();
    EXPECT_TRUE(G.SelectedRows().empty());
    EXPECT_FALSE(G.GridState().Contains(gtMultiSelect));
    EXPECT_EQ(G.SelectedRow(), -1);
}

TEST_F(SelectionFixture, FullRowModeMovesTheSingleFlag) {
    G.SetOptions({goHeader, goSelectFullRow});
    G.SelectCell(1, 3, {}, true, false);
    G.SelectCell(1, 6, {ssCtrl}, true, false); // Ctrl means nothing without goMultiSelect
    EXPECT_EQ(G.SelectedRows(), std::vector<int>({6}));
    EXPECT_EQ(Log, QStringList({"select 1,3", "deselect 1,3", "select 1,6"}));
    G.SetMultiSelected();
    G.SelectCell(1, 7, {}, false, false);
    EXPECT_EQ(G.SelectedRows(), std::vector<int>({6, 7})) << "a multiple selection keeps the previous flag";
}

TEST_F(SelectionFixture, RefusedSelectionChangesNothing) {
    G.SetOptions({goHeader, goSelectFullRow});
    G.SelectCell(0, 1, {}, true, false);
    G.OnBeforeSelect = [](TObject*, int, int r, bool& Accept) { Accept = r != 4; };
    G.SelectCell(2, 4, {}, true, false);
    EXPECT_EQ(G.SelectedCell(), TPoint(0, 1));
    EXPECT_EQ(G.SelectedRows(), std::vector<int>({1}));
    G.SelectCell(5, 2, {}, true, false); // no such column
    EXPECT_EQ(G.SelectedCell(), TPoint(0, 1));
    G.Columns()->Item(2)->SetEnabled(false);
    G.SelectCell(2, 2, {}, true, false);
    EXPECT_EQ(G.SelectedCell(), TPoint(0, 1));
}

TEST_F(SelectionFixture, SameCellAgainSelectsWithoutDeselect) {
    G.SelectCell(1, 2, {}, true, false);
    G.SelectCell(1, 2, {}, true, false);
    EXPECT_EQ(Log, QStringList({"select 1,2", "select 1,2"}));
}

TEST_F(SelectionFixture, SelectedRowWriterBounds) {
    G.SetOptions({goHeader, goSelectFullRow});
    G.SetSelectedRow(3);
    EXPECT_EQ(G.SelectedRow(), 3);
    G.SetSelectedRow(8); // RowCount: ignored
    G.SetSelectedRow(-2);
    EXPECT_EQ(G.SelectedRow(), 3);
    Log.clear();
    G.SetSelectedRow(-1);
    EXPECT_EQ(G.SelectedRow(), -1);
    EXPECT_EQ(Log, QStringList({"deselect 0,3", "select 0,-1"}));
    TRowsGrid empty;
    empty.Columns()->Add<TGxTextColumn>();
    empty.SetSelectedRow(0);
    empty.SetSelectedRow(-1);
    EXPECT_EQ(empty.SelectedRow(), -1);
}

TEST_F(SelectionFixture, IndicatedCellRefreshesOnlyTwoCells) {
    G.SetOptions({goHeader, goSelectFullRow});
    G.SetAppearanceOptions({aoIndicateSelectedCell});
    G.SelectCell(0, 2, {}, true, false);
    G.Invalid.clear();
    G.SelectCell(2, 2, {}, true, false);
    TRect a = G.GetCellRect(2, 2), b = G.GetCellRect(0, 2);
    EXPECT_EQ(G.Invalid, std::vector<TRect>({a, b}));
}

TEST_F(SelectionFixture, CellModeRefreshesCellsAndIndicators) {
    G.SetOptions({goHeader, goIndicator});
    G.SelectCell(0, 1, {}, true, false);
    G.Invalid.clear();
    G.SelectCell(1, 3, {}, true, false);
    ASSERT_EQ(G.Invalid.size(), 4u);
    EXPECT_EQ(G.Invalid[0].Left, 0);
    EXPECT_EQ(G.Invalid[0].Right, kIndicatorWidth);
    EXPECT_EQ(G.Invalid[2], G.GetCellRect(1, 3));
    EXPECT_EQ(G.Invalid[3], G.GetCellRect(0, 1));
}

TEST_F(SelectionFixture, AutoScrollBringsTheRowIntoView) {
    G.SetClientHeight(18 + 4 * 16); // header and four rows
    G.UpdateVertScrollBar();
    G.SelectCell(0, 6, {}, true, false);
    EXPECT_EQ(G.FirstRow(), 0) << "without AutoScroll the view stays";
    G.SetAutoScroll(true);
    G.SelectCell(0, 7, {}, true, false);
    EXPECT_EQ(G.FirstRow(), 4);
    EXPECT_TRUE(G.IsRowInView(7));
}

TEST_F(SelectionFixture, RowMovementSkipsHiddenAndRefusedRows) {
    G.SetOptions({goHeader, goSelectFullRow, goInput});
    G.Data[2].Visible = false;
    G.SetSelectedRow(1);
    G.MoveSelectionDown({}, false, false);
    EXPECT_EQ(G.SelectedRow(), 3);
    G.MoveSelectionUp({});
    EXPECT_EQ(G.SelectedRow(), 1);
    G.MoveSelectionUp({});
    EXPECT_EQ(G.SelectedRow(), 0);
    G.MoveSelectionUp({}); // first row with an input row: the input row takes the selection
    EXPECT_TRUE(G.InputSelected());
    EXPECT_TRUE(G.SelectedRows().empty());
    G.MoveSelectionDown({}, false, false);
    EXPECT_FALSE(G.InputSelected());
    EXPECT_EQ(G.SelectedRow(), 1);
    G.SetSelectedRow(7);
    G.MoveSelectionDown({}, false, true); // at the bottom, SelectFirst wraps
    EXPECT_EQ(G.SelectedRow(), 0);
}

TEST_F(SelectionFixture, MoveSelectionByCountsVisibleRows) {
    G.Data[3].Visible = false;
    struct Case {
        int From, Distance, Expected;
    };
    const Case cases[] = {{0, 3, 4}, {5, -3, 1}, {6, 5, 7}, {2, -9, 0}, {4, 0, 4}};
    for (const Case& c : cases) {
        G.SetSelectedRow(c.From);
        G.MoveSelectionBy(c.Distance);
        EXPECT_EQ(G.SelectedRow(), c.Expected) << c.From << " by " << c.Distance;
    }
}

TEST_F(SelectionFixture, TabWalksCellsThenRows) {
    G.SetSelectedRow(0);
    G.SetSelectedColumn(1);
    G.MoveToNextCell(true);
    EXPECT_EQ(G.SelectedCell(), TPoint(2, 0));
    G.MoveToNextCell(true);
    EXPECT_EQ(G.SelectedCell(), TPoint(0, 1));
    G.MoveToPrevCell(true);
    EXPECT_EQ(G.SelectedCell(), TPoint(2, 0));
    // The handler may redirect the column.
    G.OnSelectionMove = [](TObject*, int& ACol, int, TMoveSelectionKey Key) {
        if (Key == mkTab) ACol = 1;
    };
    G.MoveToNextCell(true);
    EXPECT_EQ(G.SelectedCell(), TPoint(1, 1));
}

TEST_F(SelectionFixture, SelectAllOnlyInMultiSelect) {
    G.SelectAll();
    EXPECT_TRUE(G.SelectedRows().empty());
    G.SetOptions({goSelectFullRow, goMultiSelect});
    G.SelectAll();
    EXPECT_EQ(G.GetSelectedCount(), 8);
    EXPECT_TRUE(G.GridState().Contains(gtMultiSelect));
}

TEST_F(SelectionFixture, FirstAndLastColumnsByPosition) {
    G.Columns()->Item(2)->SetPosition(0); // display order 2, 0, 1
    G.SetSelectedRow(0);
    G.SelectFirstColumn();
    EXPECT_EQ(G.SelectedColumn(), 2);
    G.SelectLastColumn();
    EXPECT_EQ(G.SelectedColumn(), 1);
}

} // namespace
