// Scroll-bar ranges, scrolling to rows and columns, and in-place editing of body and input cells.

#include "RowsGrid.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QStringList>

#include "platform/ui/Forms.h"

namespace {

TEST(GridScroll, VerticalRangeFollowsRowsThatFit) {
    struct Case {
        const char* Name;
        int Rows;
        std::vector<int> Hidden;
        bool Grid;
        int Max, Page;
    };
    // The body holds 64 pixels: four rows of 16, three of 16 + 1 grid line.
    const Case cases[] = {
        {"ten rows", 10, {}, false, 10, 5},  {"one row", 1, {}, false, 0, -1},
        {"all fit", 4, {}, false, 0, -1},    {"hidden rows", 10, {2, 5}, false, 8, 5},
        {"grid lines", 10, {}, true, 10, 4}, {"no rows", 0, {}, false, 0, -1},
    };
    for (const Case& c : cases) {
        TRowsGrid g;
        g.SetBounds(0, 0, 200, 18 + 64);
        g.SetClientHeight(18 + 64);
        if (c.Grid) g.SetOptions({goHeader, goGrid});
        g.Fill({50}, c.Rows);
        for (int h : c.Hidden)
            g.Data[h].Visible = false;
        g.UpdateVertScrollBar();
        EXPECT_EQ(g.VertScrollBar()->Max(), c.Max) << c.Name;
        if (c.Page >= 0) {
            EXPECT_EQ(g.VertScrollBar()->PageSize(), c.Page) << c.Name;
            EXPECT_EQ(g.VertScrollBar()->LargeChange(), c.Page) << c.Name;
        }
    }
}

TEST(GridScroll, HorizontalPageStepIsThePreviousPageLessTen) {
    TRowsGrid g;
    g.SetBounds(0, 0, 200, 150);
    g.SetClientWidth(200);
    g.Fill({100, 100, 100}, 3);
    g.UpdateHorzScrollBar();
    TGxScrollBar* bar = g.HorzScrollBar();
    EXPECT_TRUE(bar->Visible());
    EXPECT_EQ(bar->Max(), 300);
    EXPECT_EQ(bar->PageSize(), 201);
    g.UpdateHorzScrollBar();
    EXPECT_EQ(bar->LargeChange(), 191);
    g.SetOptions({goHeader, goIndicator});
    g.UpdateHorzScrollBar();
    EXPECT_EQ(bar->Max(), 312);
    g.SetClientWidth(400);
    g.UpdateHorzScrollBar();
    EXPECT_FALSE(bar->Visible());
    g.SetGridStyle(gsSlides);
    g.SetClientWidth(100);
    g.UpdateHorzScrollBar();
    EXPECT_FALSE(bar->Visible());
}

struct ScrollFixture : ::testing::Test {
    void SetUp() override {
        G.SetBounds(0, 0, 200, 18 + 64);
        G.SetClientHeight(18 + 64);
        G.Fill({50, 50}, 12);
        G.UpdateVertScrollBar();
    }
    TRowsGrid G;
};

TEST_F(ScrollFixture, ScrollToRowKeepsTheRowInView) {
    struct Step {
        int Row, FirstRow;
    };
    // Below the view: the row becomes the last one; above: the first one; inside: no move.
    const Step steps[] = {{7, 4}, {5, 4}, {1, 1}, {11, 8}, {-1, 8}, {12, 8}, {0, 0}};
    for (const Step& s : steps) {
        G.ScrollToRow(s.Row);
        EXPECT_EQ(G.FirstRow(), s.FirstRow) << "row " << s.Row;
        EXPECT_EQ(G.VertScrollBar()->Position(), G.CountVisibleRows(0, G.FirstRow())) << "row " << s.Row;
    }
}

// ScrollToRow finds its distance in one walk; it must scroll exactly as the plain loop does (the
// target's bottom from GetRowTop, less the heights of visible rows from the target upwards until
// that bottom is in view), with hidden rows, rows of other heights, rows taller than the body and
// grid lines.
TEST(GridScroll, ScrollToRowMovesAsThePlainLoop) {
    auto plainDistance = [](TRowsGrid& g, int index) {
        const TRect body = g.GetBodyRect();
        int bottom = g.GetRowTop(index) + g.RowHeight(index);
        int distance = 0;
        for (int i = index; i >= g.FirstRow() && bottom > body.Bottom; --i) {
            if (!g.RowVisible(i)) continue;
            bottom -= g.GetActualRowHeight(i) + g.GridSpace(lpTopBottom);
            ++distance;
        }
        return distance;
    };
    unsigned seed = 12345;
    auto next = [&](int n) {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 8) % static_cast<unsigned>(n));
    };
    const int heights[] = {0, 0, 0, 5, 16, 30, 90};
    int moved = 0;
    for (int round = 0; round < 60; ++round) {
        TRowsGrid a, b;
        for (TRowsGrid* g : {&a, &b}) {
            g->SetBounds(0, 0, 200, 18 + 64);
            g->SetClientHeight(18 + 64);
            if (round % 2) g->SetOptions({goHeader, goGrid});
            g->Fill({50}, 40);
        }
        for (int r = 0; r < 40; ++r) {
            const int h = heights[next(7)];
            const bool hidden = next(5) == 0;
            for (TRowsGrid* g : {&a, &b}) {
                g->Data[r].Height = h;
                g->Data[r].Visible = !hidden;
            }
        }
        for (TRowsGrid* g : {&a, &b})
            g->UpdateVertScrollBar();
        for (int step = 0; step < 6; ++step) {
            const int target = next(40);
            ASSERT_EQ(a.FirstRow(), b.FirstRow());
            if (target > b.LastFullyVisibleRow()) {
                const int d = plainDistance(b, target);
                b.VertScrollBar()->MoveBy(d);
                moved += d > 0;
            } else {
                b.ScrollToRow(target); // the same code for rows above or in view
            }
            a.ScrollToRow(target);
            EXPECT_EQ(a.FirstRow(), b.FirstRow()) << "round " << round << " row " << target;
            EXPECT_EQ(a.VertScrollBar()->Position(), b.VertScrollBar()->Position()) << "round " << round;
        }
    }
    EXPECT_GT(moved, 50);
}

TEST_F(ScrollFixture, VerticalDeltaPassesHiddenRows) {
    G.Data[1].Visible = false;
    G.Data[2].Height = 30;
    const int down = G.GetVertScrollDelta(0, 2);
    EXPECT_EQ(G.FirstRow(), 3);
    EXPECT_EQ(down, -(16 + 30));
    const int up = G.GetVertScrollDelta(2, 0);
    EXPECT_EQ(G.FirstRow(), 0);
    EXPECT_EQ(up, 16 + 30);
    EXPECT_EQ(G.GetHorzScrollDelta(40, 25), 15);
}

TEST_F(ScrollFixture, ScrollToColumnRevealsIt) {
    G.SetClientWidth(120);
    G.Columns()->Add<TGxTextColumn>()->SetWidth(50); // columns at 0, 50, 100
    G.UpdateHorzScrollBar();
    G.ScrollToColumn(G.Columns()->Item(2));
    EXPECT_EQ(G.HorzScrollBar()->Position(), 30);
    G.ScrollToColumn(G.Columns()->Item(1));
    EXPECT_EQ(G.HorzScrollBar()->Position(), 30) << "already in view";
    G.ScrollToColumn(G.Columns()->Item(0));
    EXPECT_EQ(G.HorzScrollBar()->Position(), 0);
    G.SetFixedCols(1);
    G.ScrollToColumn(G.Columns()->Item(0));
    EXPECT_EQ(G.HorzScrollBar()->Position(), 0);
}

// --- editing

struct EditFixture : ::testing::Test {
    void SetUp() override {
        G.SetBounds(0, 0, 300, 200);
        G.Fill({80, 80}, 4);
        for (int i = 0; i < 2; ++i) {
            TGxCustomColumn* c = G.Columns()->Item(i);
            c->SetOptions(c->Options() + coEditing + coCanInput);
        }
        G.OnEdit = [this](TObject*, int c, int r, const QString& v) {
            Log << QStringLiteral("edit %1,%2 %3").arg(c).arg(r).arg(v);
        };
        G.OnEditEnter = [this](TObject*) { Log << "enter"; };
        G.OnEditExit = [this](TObject*) { Log << "exit"; };
        G.OnAfterEdit = [this](TObject*, int c, int r, const QString& v) {
            Log << QStringLiteral("after %1,%2 %3").arg(c).arg(r).arg(v);
        };
    }
    TGxCustomEdit* Editor() { return G.InplaceEdit(); }
    void Key(Word K) {
        ASSERT_TRUE(Editor());
        ASSERT_TRUE(Editor()->OnKeyDown);
        Editor()->OnKeyDown(Editor(), K, {});
    }
    TRowsGrid G;
    QStringList Log;
};

TEST_F(EditFixture, StartWithTheCellTextOrAGivenText) {
    G.EditCell(1, 2, QString());
    ASSERT_TRUE(G.Editing());
    EXPECT_EQ(G.EditingCell(), TPoint(1, 2));
    EXPECT_EQ(Editor()->Text(), "1,2");
    EXPECT_EQ(Log, QStringList({"enter"})) << "the cell's own text raises no OnEdit";
    Log.clear();
    G.EditCell(0, 3, "typed");
    EXPECT_EQ(Editor()->Text(), "typed");
    EXPECT_EQ(G.GetCells(1, 2), "1,2") << "the previous edit was applied unchanged";
    EXPECT_TRUE(Log.contains("edit 0,3 typed"));
    EXPECT_EQ(Log.last(), "enter");
}

TEST_F(EditFixture, ApplyStoresAndAcceptCanRefuse) {
    G.EditCell(0, 1, QString());
    Editor()->SetText("changed");
    EXPECT_TRUE(G.ApplyEditing());
    EXPECT_EQ(G.GetCells(0, 1), "changed");
    EXPECT_TRUE(Log.contains("after 0,1 changed"));
    G.OnEditAccept = [](TObject*, int, int, const QString& v, bool& Accept) { Accept = v != "bad"; };
    Editor()->SetText("bad");
    EXPECT_FALSE(G.ApplyEditing());
    EXPECT_EQ(G.GetCells(0, 1), "changed");
    G.OnEditText = [](TObject*, int, int, QString& v) { v += "!"; };
    Editor()->SetText("good");
    EXPECT_TRUE(G.ApplyEditing());
    EXPECT_EQ(G.GetCells(0, 1), "good!");
}

TEST_F(EditFixture, EndEditingCanBeRefused) {
    G.EditCell(0, 0, QString());
    G.OnEndEditing = [](TObject*, int, int, QString&, bool& Accept) { Accept = false; };
    G.EndEditing();
    EXPECT_TRUE(G.Editing());
    G.OnEndEditing = nullptr;
    G.EndEditing();
    EXPECT_FALSE(G.Editing());
    EXPECT_EQ(G.InplaceEdit(), nullptr);
    EXPECT_EQ(G.EditingCell(), TPoint(-1, -1));
    EXPECT_EQ(Log.last(), "exit");
}

TEST_F(EditFixture, EditingIsRefusedWhenNotAllowed) {
    struct Case {
        const char* Name;
        std::function<void(TRowsGrid&)> Setup;
    };
    const std::vector<Case> cases = {
        {"read-only grid", [](TRowsGrid& g) { g.SetReadOnly(true); }},
        {"column not editable",
         [](TRowsGrid& g) { g.Columns()->Item(0)->SetOptions(g.Columns()->Item(0)->Options() - coEditing); }},
        {"before-edit refuses",
         [](TRowsGrid& g) { g.OnBeforeEdit = [](TObject*, int, int, bool& A) { A = false; }; }},
        {"row out of range", [](TRowsGrid& g) { g.Data.resize(0); }},
    };
    for (const Case& c : cases) {
        TRowsGrid g;
        g.Fill({80}, 3);
        g.Columns()->Item(0)->SetOptions(g.Columns()->Item(0)->Options() + coEditing);
        c.Setup(g);
        g.EditCell(0, 0, QString());
        EXPECT_FALSE(g.Editing()) << c.Name;
        EXPECT_EQ(g.InplaceEdit(), nullptr) << c.Name;
    }
}

TEST_F(EditFixture, KeysInTheEditor) {
    G.EditCell(0, 0, QString());
    Editor()->SetText("draft");
    Key(VK_ESCAPE);
    EXPECT_FALSE(G.Editing()) << "Escape closes";
    EXPECT_EQ(G.GetCells(0, 0), "0,0") << "without storing";

    G.SetOptions(G.Options() + goEscClearEdit);
    G.EditCell(0, 0, QString());
    Key(VK_ESCAPE);
    EXPECT_TRUE(G.Editing()) << "with goEscClearEdit the editor stays";
    EXPECT_EQ(Editor()->Text(), "");

    Editor()->SetText("entered");
    Key(VK_RETURN);
    EXPECT_FALSE(G.Editing());
    EXPECT_EQ(G.GetCells(0, 0), "entered");

    G.EditCell(1, 1, QString());
    Editor()->SetText("tabbed");
    Key(VK_TAB);
    EXPECT_FALSE(G.Editing());
    EXPECT_EQ(G.GetCells(1, 1), "tabbed");
}

TEST_F(EditFixture, SelectingAnotherCellDropsTheEdit) {
    G.EditCell(0, 0, QString());
    Editor()->SetText("lost");
    G.SelectCell(1, 0, {}, true, false);
    EXPECT_FALSE(G.Editing());
    EXPECT_EQ(G.GetCells(0, 0), "0,0");
}

TEST_F(EditFixture, DeletingAColumnEndsTheEdit) {
    G.EditCell(1, 1, QString());
    ASSERT_TRUE(G.Editing());
    G.Columns()->Delete(0);
    EXPECT_FALSE(G.Editing());
    EXPECT_EQ(G.InplaceEdit(), nullptr);
}

TEST_F(EditFixture, InputRowAddsARow) {
    G.SetOptions({goHeader, goInput});
    G.Columns()->Item(1)->SetDefaultValue("dflt");
    int added = 0;
    G.OnInputAdded = [&](TObject*) { ++added; };
    G.InputColumn(G.Columns()->Item(0), "fresh");
    ASSERT_TRUE(G.GridState().Contains(gtInput));
    EXPECT_TRUE(G.InputSelected());
    EXPECT_EQ(G.InputingColumn(), 0);
    EXPECT_EQ(G.EditingCell(), TPoint(0, -1));
    EXPECT_EQ(Editor()->Text(), "fresh");
    Key(VK_RETURN);
    ASSERT_EQ(G.RowCount(), 5);
    EXPECT_EQ(G.GetCells(0, 4), "fresh");
    EXPECT_EQ(G.GetCells(1, 4), "dflt");
    EXPECT_EQ(G.Columns()->Item(0)->InputValue(), "");
    EXPECT_EQ(added, 1);
    EXPECT_EQ(Editor()->Text(), "") << "the editor shows the cleared input value";

    G.OnInputAccept = [](TObject*, bool& Accept) { Accept = false; };
    Editor()->SetText("refused");
    Key(VK_RETURN);
    EXPECT_EQ(G.RowCount(), 5);
    EXPECT_EQ(G.Columns()->Item(0)->InputValue(), "refused") << "the value stays in the input row";
    G.SetInputSelected(false);
    EXPECT_FALSE(G.GridState().Contains(gtInput));
    EXPECT_EQ(G.InputingColumn(), -1);
}

TEST_F(EditFixture, EditorSitsInsideItsCell) {
    G.SetOptions({goHeader, goGrid});
    G.EditCell(1, 2, QString());
    const TRect cell = G.GetCellRect(1, 2);
    const TRect e = Editor()->BoundsRect();
    // Inside the grid line, one pixel in from every side.
    EXPECT_EQ(e, TRect(cell.Left + 1, cell.Top + 1, cell.Right - 2, cell.Bottom - 1));
    G.SetHeaderSize(30); // the editor follows
    const TRect moved = G.GetCellRect(1, 2);
    EXPECT_EQ(Editor()->BoundsRect().Top, moved.Top + 1);
}

} // namespace

namespace {

// Focus moving from the grid into its own editor is not leaving the grid.
TEST(GridFocus, TheEditorTakingTheFocusKeepsTheEdit) {
    TForm form(nullptr);
    form.SetBounds(0, 0, 300, 200);
    auto* g = new TRowsGrid(&form);
    g->SetParent(&form);
    g->SetBounds(0, 0, 280, 180);
    g->Fill({100, 100}, 3);
    g->Columns()->Item(0)->SetOptions(g->Columns()->Item(0)->Options() + coEditing);
    auto* other = new TGxEdit(&form);
    other->SetParent(&form);
    other->SetBounds(0, 185, 100, 12);
    int enters = 0, exits = 0;
    g->OnEnter = [&](TObject*) { ++enters; };
    g->OnExit = [&](TObject*) { ++exits; };
    form.Show();
    QApplication::setActiveWindow(form.Widget());
    g->SetFocus();
    QApplication::processEvents();
    ASSERT_TRUE(g->Focused());
    g->EditCell(0, 1, QString());
    QApplication::processEvents();
    ASSERT_TRUE(g->InplaceEdit());
    EXPECT_TRUE(g->InplaceEdit()->Focused());
    EXPECT_TRUE(g->Editing());
    // Enter in the editor ends the edit and gives the focus back to the grid: still one visit.
    g->InplaceEdit()->SetText("first");
    Word enter = VK_RETURN;
    g->InplaceEdit()->OnKeyDown(g->InplaceEdit(), enter, {});
    QApplication::processEvents();
    EXPECT_TRUE(g->Focused());
    EXPECT_EQ(g->GetCells(0, 1), "first");
    EXPECT_EQ(enters, 1);
    EXPECT_EQ(exits, 0);
    g->EditCell(0, 1, QString());
    QApplication::processEvents();
    ASSERT_TRUE(g->InplaceEdit());
    g->InplaceEdit()->SetText("kept");
    // Leaving for another control applies and ends the edit.
    other->SetFocus();
    QApplication::processEvents();
    EXPECT_FALSE(g->Editing());
    EXPECT_EQ(g->GetCells(0, 1), "kept");
    EXPECT_EQ(enters, 1);
    EXPECT_EQ(exits, 1);
    // Coming back is a new visit.
    g->SetFocus();
    QApplication::processEvents();
    EXPECT_EQ(enters, 2);
}

} // namespace

namespace {

TEST_F(EditFixture, TypingIntoTheInputRow) {
    G.SetOptions({goHeader, goInput});
    std::vector<int> inputCells;
    G.OnInputSelectCell = [&](TObject*, int ACol) { inputCells.push_back(ACol); };
    G.StartInput(1, QChar('k'));
    ASSERT_TRUE(G.GridState().Contains(gtInput));
    EXPECT_EQ(G.InputingColumn(), 1);
    EXPECT_EQ(G.EditingCell(), TPoint(-1, -1));
    EXPECT_EQ(Editor()->Text(), "k");
    EXPECT_FALSE(Log.contains("edit -1,-1 k")) << "the grid's own write raises no OnEdit";
    EXPECT_EQ(inputCells.back(), 1);
    EXPECT_TRUE(G.ApplyEditing());
    EXPECT_EQ(G.Columns()->Item(1)->InputValue(), "k");
    G.SetReadOnly(true);
    G.EndEditing();
    G.StartInput(0, QChar('x'));
    EXPECT_FALSE(G.GridState().Contains(gtInput)) << "a read-only grid takes no input";
}

TEST_F(EditFixture, TypingStartsABodyEdit) {
    G.StartEdit(1, 3, QChar('q'));
    ASSERT_TRUE(G.Editing());
    EXPECT_EQ(Editor()->Text(), "q");
    EXPECT_TRUE(Log.contains("edit 1,3 q")) << "a typed character is an edit";
    EXPECT_EQ(Log.last(), "enter");
    G.EndEditing();
    G.StartEdit(1, 4, QChar('q'));
    EXPECT_FALSE(G.Editing()) << "no such row";
}

TEST(GridMove, LeftAndRightFollowPositionsAndScroll) {
    TRowsGrid g;
    g.SetBounds(0, 0, 150, 100);
    g.SetClientWidth(150);
    g.Fill({60, 60, 60, 60}, 3);
    g.Columns()->Item(3)->SetPosition(1); // display order 0, 3, 1, 2
    g.UpdateHorzScrollBar();
    g.SetSelectedRow(1);
    std::vector<int> seen;
    g.OnSelectionMove = [&](TObject*, int& ACol, int, TMoveSelectionKey Key) {
        if (Key == mkArrows) seen.push_back(ACol);
    };
    const int right[] = {3, 1, 2, 2};
    for (int expected : right) {
        g.MoveSelectionRight(mkArrows);
        EXPECT_EQ(g.SelectedColumn(), expected);
    }
    EXPECT_EQ(seen, std::vector<int>({3, 1, 2, 2})) << "at the last column the target is the column itself";
    // The last column by position ends at 240: scrolled so it ends at the client's edge.
    EXPECT_EQ(g.HorzScrollBar()->Position(), 240 - 150);
    g.MoveSelectionLeft(mkArrows);
    g.MoveSelectionLeft(mkArrows);
    g.MoveSelectionLeft(mkArrows);
    EXPECT_EQ(g.SelectedColumn(), 0);
    EXPECT_EQ(g.HorzScrollBar()->Position(), 0);
    EXPECT_EQ(g.SelectedRow(), 1);
}

} // namespace
