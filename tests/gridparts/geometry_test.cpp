// Areas, rows, cells, fitting rows and refresh rectangles of the grid control base.

#include "grid/GxCustomGridControl.h"
#include "platform/rtl/Exceptions.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <set>

namespace {

class TTestGrid : public TGxCustomGridControl {
public:
    TTestGrid() : TGxCustomGridControl(nullptr) { SetBorderStyle(bsNone); }
    int RowCount() const override { return Rows; }
    QString GetCells(int ACol, int ARow) override { return QStringLiteral("%1,%2").arg(ACol).arg(ARow); }
    int RowHeight(int Index) const override {
        auto it = Heights.find(Index);
        return it == Heights.end() ? FRowSize : it->second;
    }
    bool RowVisible(int Index) const override { return !Hidden.count(Index); }
    void SetCells(int ACol, int ARow, const QString& Value) override {
        Written << QStringLiteral("%1,%2=%3").arg(ACol).arg(ARow).arg(Value);
    }
    bool Selected(int Index) const override { return SelectedRows.count(Index) != 0; }
    bool IsGridFocused() const override { return HasFocus; }
    void InvalidateArea(const TRect& R) override { Invalid.push_back(R); }
    // Operations a descendant must answer, now that the base's selection and scroll ranges use them.
    void SetSelected(int Index, bool Value) override {
        if (Value)
            SelectedRows.insert(Index);
        else
            SelectedRows.erase(Index);
    }
    int GetVisibleRows() const override { return Rows - static_cast<int>(Hidden.size()); }
    // The tables set the horizontal bar's range by hand.
    void UpdateHorzScrollBar() override {}
    void SetLastRow(int Value) { FLastRow = Value; }
    void Select(int ACol, int ARow) {
        FSelectedColumn = ACol;
        FSelectedRow = ARow;
    }
    void SetEditing(int ACol, int ARow) { FEditingCell = {ACol, ARow}; }

    std::set<int> SelectedRows;
    bool HasFocus = true;
    QStringList Written;

    int Rows = 0;
    std::map<int, int> Heights;
    std::set<int> Hidden;
    std::vector<TRect> Invalid;
};

struct GridFixture : ::testing::Test {
    void Setup(int W, int H, std::initializer_list<int> Widths) {
        G.SetBounds(0, 0, W, H);
        for (int w : Widths) G.Columns()->Add<TGxTextColumn>()->SetWidth(w);
        G.HorzScrollBar()->SetMax(1000);
        G.HorzScrollBar()->SetPageSize(10);
        Resize(W, H);
    }
    // Client size, whatever the window's scroll bars take.
    void Resize(int W, int H) {
        G.SetClientWidth(W);
        G.SetClientHeight(H);
    }
    TTestGrid G;
};

} // namespace

TEST_F(GridFixture, AreaRectanglesTable) {
    Setup(300, 200, {100, 80, 60});
    struct Case {
        TGridOptions Options;
        int HPos;
        TRect Body, Header, Input, Footer;
    };
    // Columns 240 wide; input band 16 + 6 (+1 with grid lines); footer band 18 + 4 (+1).
    const std::vector<Case> cases = {
        {{goHeader}, 0, {0, 18, 240, 200}, {0, 0, 240, 18}, {0, 18, 240, 40}, {0, 178, 240, 200}},
        {{}, 0, {0, 0, 240, 200}, {0, 0, 240, 18}, {0, 0, 240, 22}, {0, 178, 240, 200}},
        {{goHeader, goIndicator}, 0, {12, 18, 252, 200}, {12, 0, 252, 18}, {12, 18, 252, 40}, {12, 178, 252, 200}},
        {{goHeader, goInput, goFooter}, 0, {0, 40, 240, 178}, {0, 0, 240, 18}, {0, 18, 240, 40}, {0, 178, 240, 200}},
        {{goHeader, goInput, goFooter, goGrid}, 0, {0, 41, 240, 177}, {0, 0, 240, 18}, {0, 18, 240, 41},
         {0, 177, 240, 200}},
        {{goHeader, goIndicator}, 30, {12, 18, 222, 200}, {12, 0, 222, 18}, {12, 18, 222, 40}, {12, 178, 222, 200}},
    };
    for (const Case& c : cases) {
        G.SetOptions(c.Options);
        G.HorzScrollBar()->SetPosition(c.HPos);
        EXPECT_EQ(G.GetBodyRect(), c.Body) << "hpos " << c.HPos;
        EXPECT_EQ(G.GetHeaderRect(), c.Header) << "hpos " << c.HPos;
        EXPECT_EQ(G.GetInputRect(), c.Input) << "hpos " << c.HPos;
        EXPECT_EQ(G.GetFooterRect(), c.Footer) << "hpos " << c.HPos;
    }
    // Wider columns than the client: the body stops at the client's edge.
    G.SetOptions({goHeader});
    G.HorzScrollBar()->SetPosition(0);
    Resize(200, 200);
    EXPECT_EQ(G.GetBodyRect().Right, 200);
    EXPECT_EQ(G.GetHeaderRect().Right, 240);
    EXPECT_EQ(G.GetIndicatorRect(), TRect(0, 0, 12, 200));
    G.SetOptions({goHeader, goIndicator});
    EXPECT_EQ(G.InnerWidth(), 188);
    G.SetGridStyle(gsSlides);
    EXPECT_EQ(G.InnerWidth(), 200);
    EXPECT_EQ(G.GetBodyRect(), TRect(12, 18, 200, 200));
    EXPECT_TRUE(G.GetFooterRect().IsEmpty());
}

TEST_F(GridFixture, GridSpaceByStyle) {
    struct Case {
        TGridOptions Options;
        TAppearanceOptions Look;
        TGridLinesStyle Style;
        std::array<int, 5> Space;
    };
    const std::vector<Case> cases = {
        {{goHeader}, {}, lsNormal, {0, 0, 0, 0, 0}},
        {{goGrid}, {}, lsNormal, {0, 0, 1, 1, 1}},
        {{goGrid}, {ao3DGridLines}, lsNormal, {1, 1, 1, 1, 2}},
        {{goGrid}, {ao3DGridLines}, lsHorizontalOnly, {0, 1, 0, 1, 2}},
        {{goGrid}, {}, lsActiveHorzOnly, {0, 0, 0, 1, 1}},
        {{goGrid}, {ao3DGridLines}, lsVerticalOnly, {1, 0, 1, 0, 0}},
    };
    for (const Case& c : cases) {
        G.SetAppearanceOptions(c.Look);
        G.SetGridLinesStyle(c.Style);
        G.SetOptions(c.Options);
        for (int p = lpLeft; p <= lpTopBottom; ++p)
            EXPECT_EQ(G.GridSpace(TGridLinePosition(p)), c.Space[p]) << "style " << c.Style << " pos " << p;
    }
}

TEST_F(GridFixture, RowsCellsAndBoundaryPixels) {
    Setup(300, 118, {100, 80, 60});
    G.SetOptions({goHeader, goGrid});
    G.Rows = 10;
    G.Heights[2] = 30;
    G.Hidden.insert(3);
    // Body 18..118 (100 px); rows 17 px each with the grid line, row 2 31, row 3 hidden.
    EXPECT_EQ(G.GetRowTop(0), 18);
    EXPECT_EQ(G.GetRowTop(1), 35);
    EXPECT_EQ(G.GetRowTop(3), 52 + 31);
    EXPECT_EQ(G.GetRowTop(4), 83) << "hidden row takes no space";
    EXPECT_EQ(G.GetRowRect(2), TRect(0, 52, 240, 83));
    EXPECT_EQ(G.GetCellRect(1, 2), TRect(100, 52, 180, 82));
    EXPECT_EQ(G.GetCellRect(2, 12), TRect(180, G.GetRowTop(12), 240, G.GetRowTop(12) + 16)) << "past the rows";
    // Rows 0,1,2,4 take 17+17+31+17 = 82; row 5 ends at 99 <= 100; row 6 would end at 116.
    EXPECT_EQ(G.GetVisibleCount(false), 5);
    EXPECT_EQ(G.LastRowInView(), 5);
    Resize(300, 117);
    EXPECT_EQ(G.GetVisibleCount(false), 5) << "row 5 ends on the body's last pixel";
    EXPECT_EQ(G.LastRowInView(), 5);
    Resize(300, 116);
    EXPECT_EQ(G.GetVisibleCount(false), 4) << "one pixel less loses the last row";
    EXPECT_EQ(G.LastRowInView(), 4);
    // Scrolled to row 8: two rows left, Expand counts upwards as well.
    G.SetFirstRow(8);
    EXPECT_EQ(G.GetVisibleCount(false), 2);
    EXPECT_EQ(G.GetVisibleCount(true), 5);
    EXPECT_EQ(G.GetRowTop(3), 18) << "rows above the first give the first's top";
    EXPECT_TRUE(G.IsRowInView(9));
    EXPECT_FALSE(G.IsRowInView(7));
    // A horizontally scrolled grid keeps fixed columns in place.
    G.SetFirstRow(0);
    G.HorzScrollBar()->SetPosition(25);
    EXPECT_EQ(G.GetCellRect(1, 0).Left, 75);
    G.SetFixedCols(2);
    EXPECT_EQ(G.GetCellRect(1, 0).Left, 100);
    EXPECT_EQ(G.GetCellRect(2, 0).Left, 155);
    EXPECT_EQ(G.GetScrollRect(), TRect(180, 0, 300, 116));
    EXPECT_TRUE(G.CellBounds(2, 9));
    EXPECT_FALSE(G.CellBounds(3, 0));
    EXPECT_FALSE(G.CellBounds(0, 10));
    EXPECT_FALSE(G.RowExist(-1));
}

TEST_F(GridFixture, RefreshesInvalidateExactRectangles) {
    Setup(300, 200, {100, 80, 60});
    G.SetOptions({goHeader, goGrid, goIndicator});
    G.Rows = 5;
    G.SetLastRow(4);
    G.Invalid.clear();
    G.RefreshCell(1, 1);
    ASSERT_EQ(G.Invalid.size(), 1u);
    // Column lefts count from the client's left edge, past the indicator.
    EXPECT_EQ(G.Invalid[0], TRect(112, 35, 193, 52));
    G.Invalid.clear();
    G.RefreshArea(gaFooter);
    G.RefreshArea(gaHeader);
    G.RefreshArea(gaIndicator);
    G.RefreshArea(gaNone);
    ASSERT_EQ(G.Invalid.size(), 2u) << "no footer shown";
    EXPECT_EQ(G.Invalid[0], TRect(12, 0, 252, 18));
    EXPECT_EQ(G.Invalid[1], TRect(0, 0, 12, 200));
    G.Invalid.clear();
    G.RefreshColumn(G.Columns()->Item(2), gaHeader);
    EXPECT_EQ(G.Invalid.at(0), TRect(192, 0, 252, 18));
    G.Invalid.clear();
    G.BeginUpdate();
    G.RefreshColumn(G.Columns()->Item(2), gaHeader);
    EXPECT_TRUE(G.Invalid.empty()) << "nothing while updating";
    G.EndUpdate();
    // The end of the bracket refreshes the shown areas except the input row.
    EXPECT_EQ(G.Invalid, std::vector<TRect>({G.GetBodyRect(), G.GetHeaderRect(), G.GetIndicatorRect()}));
    G.Invalid.clear();
    G.EndUpdate();
    EXPECT_EQ(G.UpdateCount(), 0);
    EXPECT_EQ(G.Invalid.size(), 3u) << "an unmatched EndUpdate still refreshes";
    G.Invalid.clear();
    G.RefreshIndicator(1);
    EXPECT_EQ(G.Invalid.at(0), TRect(0, 35, 12, 52));
    G.Invalid.clear();
    G.RefreshRange(3, 1);
    EXPECT_EQ(G.Invalid.at(0), TRect(0, 35, 252, 69 + 16));
}

TEST_F(GridFixture, BorderOnlyRefreshInvalidatesTheFrameNotTheInside) {
    Setup(300, 200, {100, 80, 60});
    G.SetOptions({goHeader});
    G.Rows = 5;
    G.SetLastRow(4);
    G.Invalid.clear();
    G.RefreshRow(1, true);
    const TRect row = G.GetRowRect(1);
    QRegion covered;
    for (const TRect& r : G.Invalid) covered += QRect(r.Left, r.Top, r.Width(), r.Height());
    QRegion frame = QRegion(row.Left, row.Top, row.Width(), row.Height()) -
                    QRegion(row.Left + 1, row.Top + 1, row.Width() - 2, row.Height() - 2);
    EXPECT_EQ(covered, frame);
    // A row that is out of the painted range is not refreshed.
    G.Invalid.clear();
    G.SetLastRow(0);
    G.RefreshRow(1, false);
    EXPECT_TRUE(G.Invalid.empty());
    // Slides: a frame 3 pixels at the sides and 4 at top and bottom.
    G.SetGridStyle(gsSlides);
    G.RefreshSlide(0, true);
    const TRect s = G.GetSlideRect(0);
    covered = QRegion();
    for (const TRect& r : G.Invalid) covered += QRect(r.Left, r.Top, r.Width(), r.Height());
    frame = QRegion(s.Left, s.Top, s.Width(), s.Height()) - QRegion(s.Left + 3, s.Top + 4, s.Width() - 6, s.Height() - 8);
    EXPECT_EQ(covered, frame);
}

TEST_F(GridFixture, PainterFollowsHeaderStyle) {
    const std::vector<std::pair<THeaderStyle, const char*>> styles = {
        {hsAuto, "TDefaultStyleDisplay"},       {hsFlatBorders, "TFlatStyleDisplay"},
        {hsOffice2007, "TOffice2007StyleDisplay"}, {hsOffice2010, "TOffice2010StyleDisplay"},
        {hsOldStyle, "TOldStyleDisplay"},       {hsOutlook, "TOutlookStyleDisplay"},
        {hsVista, "TVistaStyleDisplay"}};
    for (const auto& [style, name] : styles) {
        G.SetHeaderStyle(style);
        EXPECT_EQ(G.CurrentStyleDisplay()->ClassName(), QString::fromLatin1(name));
        EXPECT_EQ(G.CurrentStyleDisplay()->Owner(), &G);
    }
    G.SetVersion(QStringLiteral("1.0"));
    EXPECT_EQ(G.Version(), QStringLiteral("5.9.9"));
    G.SetRowSize(0);
    EXPECT_EQ(G.RowSize(), 16);
    EXPECT_EQ(G.Color(), clWindow);
    EXPECT_EQ(G.Options(), TGridOptions{goHeader});
}

TEST_F(GridFixture, IndicatorSwitchRaisesUpdateColumnsOnce) {
    int raised = 0;
    G.OnUpdateColumns = [&](TObject*) { ++raised; };
    G.SetOptions({goHeader, goIndicator});
    G.SetOptions({goHeader, goIndicator, goFooter});
    EXPECT_EQ(raised, 1);
    G.SetOptions({goHeader});
    EXPECT_EQ(raised, 2);
}

TEST_F(GridFixture, HighlightTable) {
    Setup(300, 200, {100, 80, 60});
    G.Rows = 5;
    G.Select(1, 2);
    G.SelectedRows = {2, 3};
    struct Case {
        const char* What;
        TGridOptions Options;
        TAppearanceOptions Look;
        bool Focus;
        TPoint Editing;
        std::vector<std::pair<TPoint, bool>> Cells;
    };
    const std::vector<Case> cases = {
        {"cell mode", {}, {}, true, {-1, -1}, {{{1, 2}, true}, {{0, 2}, false}, {{1, 3}, false}}},
        {"cell mode, editing it", {}, {}, true, {1, 2}, {{{1, 2}, false}}},
        {"hidden when unfocused", {}, {aoHideSelection}, false, {-1, -1}, {{{1, 2}, false}}},
        {"kept when unfocused", {}, {}, false, {-1, -1}, {{{1, 2}, true}}},
        {"full row", {goSelectFullRow}, {}, true, {-1, -1},
         {{{0, 2}, true}, {{1, 2}, true}, {{2, 3}, true}, {{0, 1}, false}}},
        {"full row, focused cell indicated", {goSelectFullRow}, {aoIndicateSelectedCell}, true, {-1, -1},
         {{{0, 2}, true}, {{1, 2}, false}}},
        {"full row, editing the focused cell", {goSelectFullRow}, {}, true, {1, 2}, {{{1, 2}, false}, {{2, 2}, true}}},
    };
    for (const Case& c : cases) {
        G.SetOptions(c.Options);
        G.SetAppearanceOptions(c.Look);
        G.HasFocus = c.Focus;
        G.SetEditing(c.Editing.X, c.Editing.Y);
        for (const auto& [cell, expected] : c.Cells)
            EXPECT_EQ(G.IsCellHighlighted(cell.X, cell.Y), expected) << c.What << " " << cell.X << "," << cell.Y;
    }
    G.SetEditing(-1, -1);
    G.SetOptions({});
    G.SetAppearanceOptions({});
    G.SetInputSelected(true);
    EXPECT_FALSE(G.IsCellHighlighted(1, 2)) << "the input row holds the selection";
    G.SetInputSelected(false);
    G.SetGridStyle(gsSlides);
    EXPECT_FALSE(G.IsCellHighlighted(1, 2)) << "slides without aoHighlightSlideCells";
}

TEST_F(GridFixture, CellColoursAndState) {
    Setup(300, 200, {100, 80, 60});
    G.Rows = 5;
    G.Select(1, 2);
    TGxCustomColumn* col = G.Columns()->Item(1);
    col->SetColor(static_cast<TColor>(0x808080));
    G.SetAppearanceOptions({});
    EXPECT_EQ(G.GetActualCellColor(1, 2), clHighlight);
    EXPECT_EQ(G.GetActualCellFontColor(1, 2), clHighlightText);
    EXPECT_EQ(G.GetActualCellColor(1, 1), static_cast<TColor>(0x808080));
    G.SetAppearanceOptions({aoAlphaBlendedSelection});
    EXPECT_EQ(G.GetActualCellColor(1, 2), BlendColorsByRatio(static_cast<TColor>(0x808080), clHighlight, 0.25));
    G.HasFocus = false;
    EXPECT_EQ(G.GetActualCellColor(1, 2), clBtnFace) << "inactive selection colour";
    EXPECT_EQ(G.GetActualCellFontColor(1, 2), col->Font()->Color());
    G.HasFocus = true;
    G.SetAppearanceOptions({aoIndicateSortedColumn});
    col->SetSorted(true);
    EXPECT_EQ(G.GetActualCellColor(1, 1), BlendColors(clBlack, static_cast<TColor>(0x808080), 10));
    col->SetSorted(false);
    // State and the colouring event.
    TCellState seen;
    G.OnCellColoring = [&](TObject*, int, int, TColor&, TColor&, TCellState State) { seen = State; };
    G.SetAppearanceOptions({aoBoldTextSelection});
    const TCellState s = G.GetCellState(1, 2);
    EXPECT_TRUE(s.Contains(csSelected));
    EXPECT_TRUE(s.Contains(csBoldTextSelection));
    EXPECT_TRUE(s.Contains(csFocused));
    EXPECT_EQ(seen, s);
    G.SetAppearanceOptions({aoHideFocus});
    EXPECT_EQ(G.GetCellState(0, 0), TCellState{});
}

TEST_F(GridFixture, CellsByName) {
    Setup(300, 200, {100, 80, 60});
    G.Columns()->Item(2)->SetName(QStringLiteral("Price"));
    G.Rows = 6;
    G.Select(1, 4);
    EXPECT_EQ(G.CellsByName(Variant("fIRST"), Variant("LAST")), QStringLiteral("0,5"));
    EXPECT_EQ(G.CellsByName(Variant("Price"), Variant(3)), QStringLiteral("2,3"));
    EXPECT_EQ(G.CellsByName(Variant("selected"), Variant("Selected")), QStringLiteral("1,4"));
    EXPECT_EQ(G.CellsByName(Variant(1), Variant("2")), QStringLiteral("1,2"));
    G.SetName(QStringLiteral("Grid1"));
    try {
        G.CellsByName(Variant("Nope"), Variant("Nowhere"));
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Invalid Rowname 'Nowhere' for '%1:Grid1'.").arg(G.ClassName()));
    }
    try {
        G.SetCellsByName(Variant("Nope"), Variant(1), QStringLiteral("x"));
        ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Invalid Columnname 'Nope' for '%1:Grid1'.").arg(G.ClassName()));
    }
    EXPECT_TRUE(G.Written.isEmpty()) << "nothing written on a bad name";
    G.SetCellsByName(Variant("last"), Variant("first"), QStringLiteral("v"));
    EXPECT_EQ(G.Written, QStringList({"2,0=v"}));
}

TEST_F(GridFixture, NewGridAndColumnNotifications) {
    TTestGrid fresh;
    EXPECT_EQ(fresh.Width(), 250);
    EXPECT_EQ(fresh.Height(), 150);
    EXPECT_EQ(fresh.SelectedRow(), -1);
    EXPECT_EQ(fresh.EditingCell(), TPoint(-1, -1));
    EXPECT_TRUE(fresh.TabStop());

    Setup(300, 200, {100, 80});
    G.HandleNeeded();
    QStringList log;
    G.OnDataChange = [&](TObject*, TDataChange k, int i) { log << QStringLiteral("data %1 %2").arg(k).arg(i); };
    G.OnColumnResize = [&](TObject*, int c) { log << QStringLiteral("resize %1").arg(c); };
    G.OnSortColumn = [&](TObject*, int c, bool asc) { log << QStringLiteral("sort %1 %2").arg(c).arg(asc); };
    G.Columns()->Add<TGxTextColumn>();
    EXPECT_TRUE(log.isEmpty()) << "an append carries no index";
    G.Columns()->Insert(TGxTextColumn::StaticClassInfo(), 2);
    G.Columns()->Item(0)->SetWidth(120);
    TGxCustomColumn* c1 = G.Columns()->Item(1);
    TColumnOptions o = c1->Options();
    o.Include(coCanSort);
    c1->SetOptions(o);
    c1->SetSortKind(skDescending);
    c1->SetSorted(true);
    G.Columns()->Delete(2);
    EXPECT_TRUE(log.contains(QStringLiteral("data %1 2").arg(dcInsertColumn))) << log.join('|').toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("resize 0"))) << log.join('|').toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("sort 1 0"))) << log.join('|').toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("data %1 2").arg(dcDeleteColumn))) << log.join('|').toStdString();
    EXPECT_EQ(G.SortedColumn(), c1);
    c1->SetSorted(false);
    EXPECT_EQ(G.SortedColumn(), nullptr);
}

TEST_F(GridFixture, BestFitByHeaderAndCells) {
    Setup(300, 200, {100, 80});
    G.HandleNeeded();
    G.Rows = 6;
    TGxCustomColumn* c = G.Columns()->Item(0);
    c->Header()->SetCaption(QStringLiteral("A rather long caption"));
    c->SetPadding(3);
    G.BestFitColumn(0, bfHeader, false);
    TCanvas* canvas = G.Canvas();
    canvas->SetFont(*G.Font());
    EXPECT_EQ(c->Width(), canvas->TextWidth(QStringLiteral("A rather long caption")) + 2 * 3 + 5);
    // Cells: a long text in hidden row 3 counts only when hidden rows are included.
    G.Hidden.insert(3);
    G.OnApplyCell = [](TObject*, int, int ARow, QString& Value) {
        if (ARow == 3) Value = QStringLiteral("a much much much longer cell text");
    };
    G.BestFitColumn(0, bfCells, true);
    const int visibleOnly = c->Width();
    G.BestFitColumn(0, bfCells, false);
    const int all = c->Width();
    EXPECT_GT(all, visibleOnly);
    EXPECT_GE(visibleOnly, 8 + 2 * 3 + 5);
    // Both: the wider of header and cells.
    G.BestFitColumn(0, bfBoth, false);
    EXPECT_EQ(c->Width(), all);
}

TEST_F(GridFixture, VisibleRowHelpers) {
    G.Rows = 8;
    G.Hidden = {0, 3, 4, 7};
    EXPECT_EQ(G.GetNextVisibleRow(3), 5);
    EXPECT_EQ(G.GetNextVisibleRow(7), 7) << "none after: the index itself";
    EXPECT_EQ(G.GetPrevVisibleRow(4), 2);
    EXPECT_EQ(G.GetPrevVisibleRow(0), 0);
    EXPECT_EQ(G.CountVisibleRows(6, 1), 3);
    EXPECT_EQ(G.CountVisibleRows(2, 2), 0);
    G.SetFirstRow(1);
    EXPECT_EQ(G.GetRowAtVisibleOffset(0), 1);
    EXPECT_EQ(G.GetRowAtVisibleOffset(1), 1);
    EXPECT_EQ(G.GetRowAtVisibleOffset(3), 5);
    EXPECT_EQ(G.GetRowAtVisibleOffset(10), 8);
    // Defaults of the look settings.
    EXPECT_EQ(G.SlidesOptions(), TSlideOptions({soFrame, soHideSelection}));
    EXPECT_EQ(G.AppearanceOptions(), TAppearanceOptions({aoHideSelection, aoHighlightSlideCells}));
    EXPECT_TRUE(G.HideScrollBar());
    G.SetHideScrollBar(false);
    EXPECT_FALSE(G.VertScrollBar()->AutoHide());
}

TEST_F(GridFixture, SelectionRefreshAndEditorRect) {
    Setup(300, 200, {100, 80});
    G.Rows = 6;
    G.SetLastRow(5);
    G.Select(1, 2);
    G.Invalid.clear();
    G.RefreshSelection();
    EXPECT_EQ(G.Invalid, std::vector<TRect>({G.GetCellRect(1, 2)})) << "the selected cell only";
    G.SetOptions({goHeader, goSelectFullRow, goInput});
    G.SelectedRows = {1, 4};
    G.SetInputSelected(true);
    G.Invalid.clear();
    G.RefreshSelection();
    EXPECT_EQ(G.Invalid, std::vector<TRect>({G.GetInputRect(), G.GetRowRect(1), G.GetRowRect(4)}));
    EXPECT_TRUE(G.GetEditorRect().IsEmpty()) << "no editing";
    G.Rows = 0;
    G.SetInputSelected(false);
    G.Invalid.clear();
    G.RefreshSelection();
    EXPECT_TRUE(G.Invalid.empty()) << "no rows, nothing to refresh";
}

TEST_F(GridFixture, OverlaysAreStateInvalidatedAndPaintedLast) {
    Setup(300, 200, {100, 80});
    G.Invalid.clear();
    TGridOverlay guide;
    guide.Kind = okLine;
    guide.Rect = TRect(50, 0, 50, 100);
    guide.Colour = clRed;
    G.ShowOverlay(1, guide);
    EXPECT_EQ(G.Invalid, std::vector<TRect>({TGxCustomGridControl::OverlayBounds(guide)}));
    // Moving the line repaints where it was and where it goes.
    TGridOverlay moved = guide;
    moved.Rect = TRect(70, 0, 70, 100);
    G.Invalid.clear();
    G.ShowOverlay(1, moved);
    EXPECT_EQ(G.Invalid, std::vector<TRect>({TGxCustomGridControl::OverlayBounds(guide),
                                             TGxCustomGridControl::OverlayBounds(moved)}));
    TGridOverlay frame;
    frame.Kind = okFrame;
    frame.Rect = TRect(0, 0, 300, 200);
    frame.Colour = clNavy;
    G.ShowOverlay(2, frame);
    TBitmap bmp(300, 200, pf24bit);
    bmp.Canvas().Brush().SetColor(clWhite);
    bmp.Canvas().FillRect(TRect(0, 0, 300, 200));
    G.PaintOverlays(bmp.Canvas());
    EXPECT_EQ(bmp.Canvas().Pixel(70, 50), ColorToRGB(clRed));
    EXPECT_EQ(bmp.Canvas().Pixel(50, 50), ColorToRGB(clWhite)) << "the old position is gone";
    EXPECT_EQ(bmp.Canvas().Pixel(0, 100), ColorToRGB(clNavy));
    EXPECT_EQ(bmp.Canvas().Pixel(299, 100), ColorToRGB(clNavy));
    G.Invalid.clear();
    G.HideOverlay(1);
    G.HideOverlay(1);
    EXPECT_EQ(G.Invalid.size(), 1u);
    EXPECT_FALSE(G.HasOverlay(1));
    EXPECT_TRUE(G.HasOverlay(2));
}

TEST_F(GridFixture, HostsTheColumnsEditorWithoutOwningIt) {
    Setup(300, 200, {100});
    TGxCustomEdit* ed = G.Columns()->Item(0)->Editor();
    ASSERT_NE(ed, nullptr);
    ed->SetText(QStringLiteral("left over"));
    bool changed = false;
    ed->OnChange = [&](TObject*) { changed = true; };
    G.SetWantTabs(true);
    G.SetInplaceEdit(ed);
    EXPECT_EQ(ed->Parent(), &G);
    EXPECT_TRUE(ed->Text().isEmpty());
    EXPECT_TRUE(ed->WantTabs());
    EXPECT_FALSE(ed->OnChange);
    EXPECT_FALSE(changed);
    G.SetInplaceEdit(nullptr);
    EXPECT_EQ(G.Columns()->Item(0)->Editor(), ed) << "still the column's";
}

TEST_F(GridFixture, BestFitRowTakesTheTallestCell) {
    Setup(300, 200, {100, 80});
    G.HandleNeeded();
    G.Rows = 3;
    auto* multi = static_cast<TGxTextColumn*>(G.Columns()->Item(1));
    multi->SetMultiLine(true);
    G.OnApplyCell = [](TObject*, int ACol, int, QString& Value) {
        if (ACol == 1) Value = QStringLiteral("one\ntwo\nthree");
    };
    std::vector<std::pair<int, int>> heights;
    G.OnChangeRowHeight = [&](TObject*, int Index, int Height) { heights.emplace_back(Index, Height); };
    G.BestFitRow(1, 0);
    G.BestFitRow(1, 1);
    G.BestFitRow(2);
    G.BestFitRow(5, 0);
    ASSERT_EQ(heights.size(), 4u);
    EXPECT_EQ(heights[0], std::make_pair(1, 16)) << "a one-line cell keeps RowSize";
    EXPECT_GT(heights[1].second, 2 * 16) << "three lines";
    EXPECT_EQ(heights[2], std::make_pair(2, heights[1].second)) << "the tallest visible column";
    EXPECT_EQ(heights[3], std::make_pair(5, 16)) << "outside the rows: RowSize";
}
