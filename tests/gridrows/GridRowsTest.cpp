// The concrete grid: cells, rows and their bookkeeping, the row tree, sorting and footers.

#include "grid/GxGrid.h"
#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <vector>

namespace {

struct Grid : ::testing::Test {
    Grid() {
        // Handlers set by a test may capture its locals; drop them before those go.
        G.SetBounds(0, 0, 300, 200);
        G.OnDataChange = [this](TObject*, TDataChange kind, int index) {
            Changes << QStringLiteral("%1:%2").arg(int(kind)).arg(index);
        };
        G.OnDeselectCell = [this](TObject*, int col, int row) {
            Deselected << QStringLiteral("%1,%2").arg(col).arg(row);
        };
    }
    TGxCustomColumn* AddColumn(TColumnType type = ctString) {
        auto* c = G.Columns()->Add<TGxTextColumn>();
        c->SetColumnType(type);
        return c;
    }
    // Rows whose column 0 holds the given texts.
    void Fill(const QStringList& texts) {
        for (const QString& t : texts)
            G.SetCells(0, G.AddRow(1), t);
    }
    QStringList Column(int col) {
        QStringList out;
        for (int r = 0; r < G.RowCount(); ++r)
            out << G.GetCells(col, r);
        return out;
    }
    QStringList Changes;
    QStringList Deselected;
    TGxGrid G{nullptr};
};

TEST_F(Grid, OutOfRangeCellsAreSilent) {
    AddColumn();
    AddColumn();
    AddColumn();
    G.SetCells(1, 0, QStringLiteral("lost")); // no rows yet: nothing happens
    EXPECT_EQ(G.RowCount(), 0);
    G.AddRow(1);
    G.SetCells(1, 0, QStringLiteral("kept"));
    for (auto [c, r] : std::vector<std::pair<int, int>>{{5, 0}, {-1, 0}, {3, 0}, {0, 1}, {0, -1}})
        EXPECT_EQ(G.GetCells(c, r), QString()) << c << "," << r;
    G.SetCells(3, 0, QStringLiteral("x"));
    EXPECT_EQ(Column(1), QStringList{QStringLiteral("kept")});
    EXPECT_THROW(G.GetCell(0, 4), EListError);
}

TEST_F(Grid, AddRowReturnsLastAddedAndFillsDefaults) {
    AddColumn();
    AddColumn()->SetDefaultValue(QStringLiteral("7"));
    EXPECT_EQ(G.AddRow(0), -1);
    EXPECT_TRUE(Changes.isEmpty());

    G.SetOptions(G.Options() + goUseDefaultValues);
    EXPECT_EQ(G.AddRow(2), 1);
    EXPECT_EQ(Column(1), (QStringList{QStringLiteral("7"), QStringLiteral("7")}));
    EXPECT_EQ(Column(0), (QStringList{QString(), QString()}));
    EXPECT_EQ(G.AddRow(0), 1);
    EXPECT_EQ(G.LastVisibleRow(), 1);
    EXPECT_EQ(Changes, QStringList{QStringLiteral("%1:1").arg(int(dcAddRow))});
}

TEST_F(Grid, AddCellsWrapsIntoNewRows) {
    AddColumn();
    AddColumn();
    G.AddCells(QStringList{"a", "b", "c"});
    EXPECT_EQ(G.RowCount(), 2);
    EXPECT_EQ(Column(0), (QStringList{"a", "c"}));
    EXPECT_EQ(Column(1), (QStringList{"b", ""}));
    G.AddCells(QStringList{"x", "y", "z"}, 1);
    EXPECT_EQ(G.RowCount(), 3);
    EXPECT_EQ(Column(1), (QStringList{"x", "y", "z"}));
}

// The selection stays on its record; only rows arriving or leaving before it move it.
TEST_F(Grid, InsertAndDeleteKeepTheSelectedRecord) {
    AddColumn();
    Fill({"r0", "r1", "r2", "r3", "r4"});
    struct Case {
        const char* name;
        int selected;
        std::function<void(TGxGrid&)> act;
        int expected;
        const char* expectedText;
    };
    const std::vector<Case> cases = {
        {"insert before", 3, [](TGxGrid& g) { g.InsertRow(0, 2); }, 5, "r3"},
        {"insert after", 1, [](TGxGrid& g) { g.InsertRow(3, 2); }, 1, "r1"},
        {"insert at", 2, [](TGxGrid& g) { g.InsertRow(2, 1); }, 3, "r2"},
        {"insert without selection", -1, [](TGxGrid& g) { g.InsertRow(0, 2); }, -1, ""},
        {"delete before", 3, [](TGxGrid& g) { g.DeleteRow(0); }, 2, "r3"},
        {"delete after", 1, [](TGxGrid& g) { g.DeleteRow(3); }, 1, "r1"},
        {"delete without selection", -1, [](TGxGrid& g) { g.DeleteRow(0); }, -1, ""},
        {"delete selected middle", 2, [](TGxGrid& g) { g.DeleteRow(2); }, 2, "r3"},
    };
    for (const Case& c : cases) {
        G.ClearRows();
        Fill({"r0", "r1", "r2", "r3", "r4"});
        G.SetSelectedCellSilently(0, c.selected);
        c.act(G);
        EXPECT_EQ(G.SelectedRow(), c.expected) << c.name;
        EXPECT_EQ(G.GetCells(0, G.SelectedRow()), QString::fromLatin1(c.expectedText)) << c.name;
    }
}

TEST_F(Grid, DeletingTheSelectedLastRowSelectsTheNewLast) {
    AddColumn();
    Fill({"a", "b", "c"});
    G.SetSelectedCellSilently(0, 2);
    Changes.clear();
    G.DeleteRow(2);
    EXPECT_EQ(Deselected, QStringList{QStringLiteral("0,2")});
    EXPECT_EQ(G.SelectedRow(), 1);
    EXPECT_EQ(G.LastVisibleRow(), 1);
    EXPECT_EQ(G.LastAddedRow(), 1);
    EXPECT_EQ(Changes, QStringList{QStringLiteral("%1:2").arg(int(dcDeleteRow))});
    G.DeleteRow(1);
    G.DeleteRow(0);
    EXPECT_EQ(G.SelectedRow(), -1);
    EXPECT_EQ(G.RowCount(), 0);
}

TEST_F(Grid, InsertIntoEmptyGridAndLastVisibleRow) {
    AddColumn();
    G.InsertRow(0, 3);
    EXPECT_EQ(G.RowCount(), 3);
    EXPECT_EQ(G.LastVisibleRow(), 2);
    EXPECT_EQ(G.LastAddedRow(), 0);
    G.InsertRow(3, 2);
    EXPECT_EQ(G.LastVisibleRow(), 4);
    G.InsertRow(0, 1);
    EXPECT_EQ(G.LastVisibleRow(), 5);
    EXPECT_EQ(Changes.last(), QStringLiteral("%1:0").arg(int(dcInsertRow)));
}

TEST_F(Grid, HiddenRowsAndVisibleBounds) {
    AddColumn();
    Fill({"a", "b", "c", "d", "e"});
    G.SetRowVisible(0, false);
    G.SetRowVisible(4, false);
    EXPECT_EQ(G.VisibleRows(), 3);
    EXPECT_EQ(G.FirstVisibleRow(), 1);
    EXPECT_EQ(G.LastVisibleRow(), 3);
    G.DeleteRow(1);
    EXPECT_EQ(G.FirstVisibleRow(), 1);
    EXPECT_EQ(G.GetCells(0, G.FirstVisibleRow()), QStringLiteral("c"));
    EXPECT_EQ(G.GetCells(0, G.LastVisibleRow()), QStringLiteral("d"));
}

TEST_F(Grid, StartRowCountAddsAndRemovesFromTheTop) {
    AddColumn();
    G.SetStartRowCount(5);
    EXPECT_EQ(G.RowCount(), 5);
    for (int r = 0; r < 5; ++r)
        G.SetCells(0, r, QString::number(r));
    G.SetStartRowCount(2);
    EXPECT_EQ(Column(0), (QStringList{"3", "4"}));
    G.SetStartRowCount(-1);
    EXPECT_EQ(G.StartRowCount(), 2);
}

TEST_F(Grid, MoveAndSwapRows) {
    AddColumn();
    Fill({"a", "b", "c", "d"});
    G.SetSelectedCellSilently(0, 0);
    G.MoveRow(0, 3);
    EXPECT_EQ(Column(0), (QStringList{"b", "c", "d", "a"}));
    EXPECT_EQ(G.SelectedRow(), 3);
    G.SwapRows(0, 1);
    EXPECT_EQ(Column(0), (QStringList{"c", "b", "d", "a"}));
    // Moving the first visible row down past a hidden one: the next visible row becomes first.
    G.SetRowVisible(1, false);
    G.MoveRow(0, 3);
    EXPECT_EQ(Column(0), (QStringList{"b", "d", "a", "c"}));
    EXPECT_EQ(G.FirstVisibleRow(), 1);
    EXPECT_EQ(G.LastVisibleRow(), 3);
}

// A tree: 0 A, 1 A1, 2 A1a, 3 A2, 4 B
struct Tree : Grid {
    void Build() {
        AddColumn();
        G.SetCells(0, G.AddRow(1), "A");
        G.SetCells(0, G.AddChildRow(0, crLast), "A1");
        G.SetCells(0, G.AddChildRow(1, crLast), "A1a");
        G.SetCells(0, G.AddChildRow(0, crLast), "A2");
        G.SetCells(0, G.AddRow(1), "B");
    }
};

TEST_F(Tree, ChildRowsAndNavigation) {
    Build();
    EXPECT_EQ(Column(0), (QStringList{"A", "A1", "A1a", "A2", "B"}));
    EXPECT_EQ(G.GetChildCount(0, true), 3);
    EXPECT_EQ(G.GetChildCount(0, false), 2);
    struct Case {
        int row, parent, first, last, next, prev;
    };
    const std::vector<Case> cases = {
        {0, -1, 1, 3, 4, -1}, {1, 0, 2, 2, 3, -1}, {2, 1, -1, -1, -1, -1}, {3, 0, -1, -1, -1, 1}, {4, -1, -1, -1, -1, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(G.GetParent(c.row), c.parent) << c.row;
        EXPECT_EQ(G.GetFirstChild(c.row), c.first) << c.row;
        EXPECT_EQ(G.GetLastChild(c.row), c.last) << c.row;
        EXPECT_EQ(G.GetNextSibling(c.row), c.next) << c.row;
        EXPECT_EQ(G.GetPrevSibling(c.row), c.prev) << c.row;
    }
    // crFirst puts the child right under its parent.
    G.SetCells(0, G.AddChildRow(0, crFirst), "A0");
    EXPECT_EQ(Column(0), (QStringList{"A", "A0", "A1", "A1a", "A2", "B"}));
    EXPECT_EQ(Changes.last(), QStringLiteral("%1:1").arg(int(dcAddChildRow)));
}

TEST_F(Tree, CollapseHidesAllAndExpandRespectsInnerState) {
    Build();
    std::vector<int> expanded;
    G.OnExpand = [&](TObject*, int row) { expanded.push_back(row); };
    G.SetExpanded(1, false); // A1 collapsed: A1a hidden
    EXPECT_FALSE(G.RowVisible(2));
    G.SetExpanded(0, false);
    for (int r : {1, 2, 3})
        EXPECT_FALSE(G.RowVisible(r)) << r;
    EXPECT_EQ(G.VisibleRows(), 2);
    G.SetExpanded(0, true);
    EXPECT_TRUE(G.RowVisible(1));
    EXPECT_FALSE(G.RowVisible(2)) << "A1 is still collapsed";
    EXPECT_TRUE(G.RowVisible(3));
    EXPECT_EQ(G.VisibleRows(), 4);
    EXPECT_EQ(expanded, (std::vector<int>{1, 0, 0}));
    G.SetExpanded(0, true); // unchanged: no event
    EXPECT_EQ(expanded.size(), 3u);
}

TEST_F(Tree, CollapsingTheTailLowersLastVisibleRow) {
    AddColumn();
    Fill({"A"});
    G.AddChildRow(0, crLast);
    G.AddChildRow(0, crLast);
    EXPECT_EQ(G.LastVisibleRow(), 2);
    G.SetExpanded(0, false);
    EXPECT_EQ(G.LastVisibleRow(), 0);
    G.SetExpanded(0, true);
    EXPECT_EQ(G.LastVisibleRow(), 2);
}

TEST_F(Tree, DeleteChildRowDeletesTheNamedChild) {
    Build();
    G.DeleteChildRow(0, 1); // the second direct child of A: A2
    EXPECT_EQ(Column(0), (QStringList{"A", "A1", "A1a", "B"}));
    G.DeleteChildRow(0, 5); // no such child
    G.DeleteChildRow(3, 0); // B has none
    EXPECT_EQ(G.RowCount(), 4);
    G.DeleteChildRow(0, 0); // A1 with its own child
    EXPECT_EQ(Column(0), (QStringList{"A", "B"}));
    EXPECT_FALSE(G.HasChildren(0));
}

TEST_F(Tree, DeleteParentTakesItsBranch) {
    Build();
    G.SetSelectedCellSilently(0, 4);
    G.DeleteRow(0);
    EXPECT_EQ(Column(0), QStringList{"B"});
    EXPECT_EQ(G.SelectedRow(), 0);
    EXPECT_EQ(G.LastVisibleRow(), 0);
}

TEST_F(Grid, SortKeepsTheSelectedRecordAndNeedsCanSort) {
    TGxCustomColumn* c = AddColumn();
    c->SetSortType(stNumeric);
    c->SetOptions(c->Options() - coCanSort);
    Fill({"10", "9", "100", "2.5"});
    G.SetSelectedCellSilently(0, 0); // "10"
    G.SortColumn(c, true);
    EXPECT_EQ(Column(0), (QStringList{"10", "9", "100", "2.5"})) << "no coCanSort";
    c->SetOptions(c->Options() + coCanSort);
    int sorted = -1;
    G.OnAfterSort = [&](TObject*, int col) { sorted = col; };
    G.SortColumn(c, true);
    EXPECT_EQ(Column(0), (QStringList{"2.5", "9", "10", "100"}));
    EXPECT_EQ(G.SelectedRow(), 2);
    EXPECT_EQ(sorted, 0);
    G.SortColumn(c, false);
    EXPECT_EQ(Column(0), (QStringList{"100", "10", "9", "2.5"}));
    EXPECT_EQ(G.SelectedRow(), 1);
}

// ---------------------------------------------------------------------------------------------
// Footers

struct Footer : Grid {
    TColumnFooter* FooterOf(TFormulaKind kind, TColumnType type) {
        TGxCustomColumn* c = AddColumn(type);
        c->Footer()->SetFormulaKind(kind);
        return c->Footer();
    }
};

TEST_F(Footer, KindsOverOneTwoPointFiveThree) {
    TFormatSettingsScope locale(QStringLiteral("en_US"));
    struct Case {
        TFormulaKind kind;
        double value;
        const char* caption;
    };
    const std::vector<Case> cases = {
        {fkSum, 6.5, "6.5"},        {fkAverage, 6.5 / 3, "2.16666666666667"},
        {fkMaximum, 3, "3"},         {fkMinimum, 1, "1"},
        {fkCount, 3, "3"},           {fkDistinct, 3, "3"},
    };
    std::vector<TColumnFooter*> footers;
    for (const Case& c : cases)
        footers.push_back(FooterOf(c.kind, ctFloat));
    G.AddRow(3);
    const double values[] = {1, 2.5, 3};
    for (int col = 0; col < int(cases.size()); ++col)
        for (int r = 0; r < 3; ++r)
            G.GetCell(col, r)->SetAsFloat(values[r]);
    G.CalculateFooter(false);
    for (size_t i = 0; i < cases.size(); ++i) {
        EXPECT_DOUBLE_EQ(footers[i]->FormulaValue(), cases[i].value) << i;
        EXPECT_EQ(footers[i]->Caption(), QString::fromLatin1(cases[i].caption)) << i;
    }
}

TEST_F(Footer, CaptionUsesTheLocaleSeparatorAndReadsDatabaseNumbers) {
    TFormatSettingsScope locale(QStringLiteral("de_DE"));
    TColumnFooter* sum = FooterOf(fkSum, ctString);
    TColumnFooter* avg = FooterOf(fkAverage, ctString);
    // A NULL from the database is an empty cell; "2.5" is how the database writes a fraction.
    const QStringList texts{"1", "", "2.5", "3", "abc", "1,5"};
    for (const QString& t : texts) {
        const int r = G.AddRow(1);
        G.SetCells(0, r, t);
        G.SetCells(1, r, t);
    }
    EXPECT_NO_THROW(G.CalculateFooter(false));
    EXPECT_DOUBLE_EQ(sum->FormulaValue(), 8);
    EXPECT_EQ(sum->Caption(), QStringLiteral("8"));
    // Four numbers counted: the empty and the text cell are no value.
    EXPECT_DOUBLE_EQ(avg->FormulaValue(), 2);
    G.SetCells(0, 0, QStringLiteral("0.25"));
    G.CalculateFooter(false);
    EXPECT_EQ(sum->Caption(), QStringLiteral("7,25"));
}

TEST_F(Footer, EligibilityHiddenRowsAndHandlers) {
    TColumnFooter* sum = FooterOf(fkSum, ctInteger);
    TColumnFooter* avg = FooterOf(fkAverage, ctInteger);
    TColumnFooter* count = FooterOf(fkCount, ctInteger);
    TColumnFooter* custom = FooterOf(fkCustom, ctInteger);
    G.AddRow(5);
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 4; ++c)
            G.GetCell(c, r)->SetAsInteger(r + 1); // 1..5
    G.SetRowVisible(0, false); // the first row hidden: it must not count, nor count twice
    G.SetRowVisible(3, false);
    G.CalculateFooter(true);
    EXPECT_DOUBLE_EQ(sum->FormulaValue(), 2 + 3 + 5);
    EXPECT_DOUBLE_EQ(avg->FormulaValue(), 10.0 / 3);
    EXPECT_DOUBLE_EQ(count->FormulaValue(), 3);

    // Rejected rows are left out everywhere, the first row included.
    G.OnCalculateRow = [](TObject*, int row, bool& accept) { accept = row != 0 && row != 4; };
    G.OnColumnFooterValue = [](TObject*, int col, double& v) { v = 40 + col; };
    std::vector<int> finished;
    G.OnFooterCalculate = [&](TObject*, int col, double& v) {
        finished.push_back(col);
        if (col == 0) v *= 10;
    };
    G.CalculateFooter(false);
    EXPECT_DOUBLE_EQ(sum->FormulaValue(), (2 + 3 + 4) * 10);
    EXPECT_DOUBLE_EQ(avg->FormulaValue(), 3);
    EXPECT_DOUBLE_EQ(count->FormulaValue(), 5);
    EXPECT_DOUBLE_EQ(custom->FormulaValue(), 43);
    EXPECT_EQ(finished, (std::vector<int>{0, 1, 2, 3}));
}

TEST_F(Footer, EmptyGridAndDistinctIgnoresCase) {
    TColumnFooter* sum = FooterOf(fkSum, ctString);
    TColumnFooter* distinct = FooterOf(fkDistinct, ctString);
    sum->SetCaption(QStringLiteral("old"));
    bool raised = false;
    G.OnFooterCalculate = [&](TObject*, int, double&) { raised = true; };
    G.CalculateFooter(false);
    EXPECT_EQ(sum->Caption(), QStringLiteral("0"));
    EXPECT_EQ(distinct->Caption(), QStringLiteral("0"));
    EXPECT_FALSE(raised);
    for (const char* t : {"a", "A", "b"})
        G.SetCells(1, G.AddRow(1), QString::fromLatin1(t));
    G.CalculateFooter(false);
    EXPECT_DOUBLE_EQ(distinct->FormulaValue(), 2);
}

TEST_F(Grid, CellChangesNotifyOutsideUpdates) {
    AddColumn();
    G.AddRow(2);
    QStringList changed;
    G.OnChange = [&](TObject*, int c, int r) { changed << QStringLiteral("%1,%2").arg(c).arg(r); };
    G.SetCells(0, 1, QStringLiteral("x"));
    G.BeginUpdate();
    G.SetCells(0, 0, QStringLiteral("y"));
    G.EndUpdate();
    EXPECT_EQ(changed, QStringList{QStringLiteral("0,1")});
}

TEST_F(Grid, CellByNameResolvesLikeCellsByName) {
    AddColumn()->SetName(QStringLiteral("Amount"));
    Fill({"a", "b"});
    EXPECT_EQ(G.CellByName(QStringLiteral("Amount"), QStringLiteral("Last"))->AsString(), QStringLiteral("b"));
    EXPECT_EQ(G.CellByName(0, 0)->AsString(), QStringLiteral("a"));
    EXPECT_THROW(G.CellByName(QStringLiteral("Amount"), QStringLiteral("nowhere")), Exception);
    EXPECT_EQ(G.GetCells(0, 0), QStringLiteral("a")) << "a failed lookup leaves reads working";
}

} // namespace

namespace {

// Numbers from the database keep their "." under a locale whose decimal separator is ",".
TEST_F(Grid, NumericSortReadsDatabaseFractionsUnderEveryLocale) {
    TFormatSettingsScope locale(QStringLiteral("de_DE"));
    TGxCustomColumn* c = AddColumn();
    c->SetSortType(stNumeric);
    Fill({"10", "2.5", "3,25", "x", "-1"});
    G.SortColumn(c, true);
    EXPECT_EQ(Column(0), (QStringList{"-1", "2.5", "3,25", "10", "x"}));
}

} // namespace

namespace {

// Rows appearing and disappearing move the painted body by the row's height plus the grid lines,
// in the right direction, so nothing stale stays on screen.
struct ScrollingGrid : TGxGrid {
    ScrollingGrid() : TGxGrid(nullptr) {}
    void ScrollBody(const TRect& R, int Distance) override {
        Moves.push_back({R.Top, Distance});
        TGxGrid::ScrollBody(R, Distance);
    }
    std::vector<std::pair<int, int>> Moves;
};

TEST(GridScroll, ShownAndHiddenRowsMoveTheBody) {
    struct Case {
        const char* name;
        int firstRow;
        int row;
        bool show; // hide first, then (when set) show again
        std::vector<int> distances;
    };
    // Row size 18 with goGrid: one pixel of grid line below each row.
    const std::vector<Case> cases = {
        {"below the top, hidden", 0, 3, false, {-19}},
        {"below the top, hidden and shown", 0, 3, true, {-19, 19}},
        {"the top row, hidden", 0, 0, false, {-19}},
        {"above the top with the bar at its start", 2, 0, false, {-19}},
    };
    for (const Case& c : cases) {
        ScrollingGrid g;
        g.SetBounds(0, 0, 300, 400);
        g.SetOptions({goHeader, goGrid});
        g.SetRowSize(18);
        g.Columns()->Add<TGxTextColumn>();
        g.AddRow(10);
        g.SetFirstRow(c.firstRow);
        g.Moves.clear();
        g.SetRowVisible(c.row, false);
        if (c.show) g.SetRowVisible(c.row, true);
        std::vector<int> distances;
        for (auto [top, d] : g.Moves)
            distances.push_back(d);
        EXPECT_EQ(distances, c.distances) << c.name;
    }
}

} // namespace
