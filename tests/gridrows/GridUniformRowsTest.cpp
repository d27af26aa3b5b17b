// Rows of one height, all visible: the grid places and scrolls them by arithmetic instead of walking
// them. Each case runs the same moves on a grid that must walk its rows (a measuring handler that
// changes nothing) and checks that both end in the same place.

#include "grid/GxGrid.h"

#include <gtest/gtest.h>

#include <QString>

#include <vector>

namespace {

struct RowsGrid : TGxGrid {
    RowsGrid(TGridOptions options, int rowSize, int height, int rows, bool walk) : TGxGrid(nullptr) {
        SetBounds(0, 0, 300, height);
        SetOptions(options);
        SetRowSize(rowSize);
        Columns()->Add<TGxTextColumn>();
        AddRow(rows);
        if (walk) OnMeasuringRowHeight = [](TObject*, int, int&) {};
    }
    // Where the grid stands, as the painting and the scroll bar see it.
    QString Place(int target) {
        return QStringLiteral("first %1, top of target %2, top of first+5 %3, bar %4, row of bar %5, "
                              "visible above %6, third in view %7")
            .arg(FirstRow())
            .arg(GetRowTop(target))
            .arg(GetRowTop(FirstRow() + 5))
            .arg(VertScrollBar()->Position())
            .arg(RowOfScrollPosition())
            .arg(CountVisibleRows(0, FirstRow()))
            .arg(GetRowAtVisibleOffset(3));
    }
};

TEST(UniformRows, ClosedFormPlacesRowsAsTheWalkDoes) {
    struct Case {
        const char* name;
        TGridOptions options;
        int rowSize;
        int height;
    };
    const std::vector<Case> cases = {
        {"grid lines, row 18", {goHeader, goGrid}, 18, 400},
        {"no grid lines, row 18", {goHeader}, 18, 400},
        {"grid lines and footer, row 7", {goHeader, goGrid, goFooter}, 7, 251},
        {"rows taller than the body", {goGrid}, 40, 30},
    };
    const int rows = 500;
    // Far down, one step, the end, back up, and rows already in view.
    const std::vector<int> targets = {0, 1, 120, 121, 499, 498, 3, 0, 250, 255, 249, 60};
    for (const Case& c : cases) {
        RowsGrid uniform(c.options, c.rowSize, c.height, rows, false);
        RowsGrid walk(c.options, c.rowSize, c.height, rows, true);
        int h = 0;
        ASSERT_TRUE(uniform.UniformRows(h)) << c.name;
        EXPECT_EQ(h, c.rowSize) << c.name;
        ASSERT_FALSE(walk.UniformRows(h)) << c.name;
        for (int target : targets) {
            uniform.ScrollToRow(target);
            walk.ScrollToRow(target);
            EXPECT_EQ(uniform.Place(target), walk.Place(target)) << c.name << ", scrolled to " << target;
        }
        // Past the last row, the rows the grid would add take the row size.
        EXPECT_EQ(uniform.GetRowTop(rows + 7), walk.GetRowTop(rows + 7)) << c.name;
        EXPECT_EQ(uniform.GetRowAtVisibleOffset(rows * 2), walk.GetRowAtVisibleOffset(rows * 2)) << c.name;
    }
}

TEST(UniformRows, AnyRowOfItsOwnHeightOrHiddenEndsTheShortcut) {
    RowsGrid g({goHeader, goGrid}, 18, 400, 10, false);
    int h = 0;
    EXPECT_TRUE(g.UniformRows(h));
    g.SetRowHeight(3, 30);
    EXPECT_FALSE(g.UniformRows(h));
    g.SetRowHeight(3, 18);
    EXPECT_TRUE(g.UniformRows(h));
    g.SetRowVisible(2, false);
    EXPECT_FALSE(g.UniformRows(h));
    g.SetRowVisible(2, true);
    EXPECT_TRUE(g.UniformRows(h));

    // A new row size applies to new rows; the rows already there keep 18.
    g.SetRowSize(20);
    EXPECT_FALSE(g.UniformRows(h));
    EXPECT_EQ(g.RowHeight(0), 18);
    g.SetRowHeight(5, 20);
    g.DeleteRow(5);
    EXPECT_FALSE(g.UniformRows(h));
    g.ClearRows();
    g.AddRow(4);
    EXPECT_TRUE(g.UniformRows(h));
    EXPECT_EQ(h, 20);
    g.DeleteRow(0);
    EXPECT_TRUE(g.UniformRows(h));

    // A child row of a collapsed parent is not shown.
    const int child = g.AddChildRow(0, crLast);
    EXPECT_TRUE(g.UniformRows(h));
    g.SetExpanded(0, false);
    EXPECT_FALSE(g.UniformRows(h));
    g.SetExpanded(0, true);
    EXPECT_TRUE(g.UniformRows(h));
    EXPECT_TRUE(g.RowVisible(child));
}

} // namespace
