// The grid driven the way a user drives it: synthetic Qt mouse and key events on the grid's window
// (and on its in-place editor), checked against the resulting cells, widths, selection and view.

#include "grid/GxGrid.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>

#include <memory>
#include <vector>

namespace {

class GridInput : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<TForm>(nullptr);
        form->SetBounds(0, 0, 320, 240);
        grid = new TGxGrid(form.get());
        grid->SetParent(form.get());
        grid->SetBorderStyle(bsNone);
        grid->SetBounds(0, 0, 320, 240);
        grid->SetOptions({goHeader, goGrid, goSelectFullRow});
        grid->SetRowSize(18);
        const char* captions[] = {"Name", "City", "Amount"};
        const int widths[] = {80, 100, 60};
        for (int i = 0; i < 3; ++i) {
            TGxCustomColumn* c = grid->Columns()->Add<TGxTextColumn>(QString::fromLatin1(captions[i]));
            c->Header()->SetCaption(QString::fromLatin1(captions[i]));
            c->SetWidth(widths[i]);
        }
        form->Show();
        QApplication::processEvents();
    }
    void TearDown() override { form.reset(); }

    void Fill(int Count) {
        static const char* names[] = {"Dora", "Anna", "Chen", "Boris", "Emil", "Chloe", "Greta", "Hugo"};
        grid->BeginUpdate();
        for (int i = 0; i < Count; ++i)
            grid->AddCells({QStringLiteral("%1 %2").arg(QLatin1String(names[i % 8])).arg(i, 3, 10, QLatin1Char('0')),
                            QStringLiteral("City %1").arg(i), QString::number(i * 10)});
        grid->EndUpdate();
    }

    QStringList Column(int ACol) {
        QStringList out;
        for (int r = 0; r < grid->RowCount(); ++r) out << grid->GetCells(ACol, r);
        return out;
    }

    void Mouse(QEvent::Type Type, int X, int Y, Qt::MouseButton Button, Qt::MouseButtons Buttons,
               Qt::KeyboardModifiers Mods = Qt::NoModifier) {
        const TPoint off = grid->ClientOffset();
        const QPointF local(X + off.X, Y + off.Y);
        QMouseEvent e(Type, local, grid->Widget()->mapToGlobal(local), Button, Buttons, Mods);
        QApplication::sendEvent(grid->Widget(), &e);
    }
    void Press(int X, int Y, Qt::KeyboardModifiers Mods = Qt::NoModifier) {
        Mouse(QEvent::MouseButtonPress, X, Y, Qt::LeftButton, Qt::LeftButton, Mods);
    }
    void Move(int X, int Y, bool LeftDown) {
        Mouse(QEvent::MouseMove, X, Y, Qt::NoButton, LeftDown ? Qt::LeftButton : Qt::NoButton);
    }
    void Release(int X, int Y) { Mouse(QEvent::MouseButtonRelease, X, Y, Qt::LeftButton, Qt::NoButton); }
    void Click(int X, int Y, Qt::KeyboardModifiers Mods = Qt::NoModifier) {
        Press(X, Y, Mods);
        Release(X, Y);
    }
    void DoubleClick(int X, int Y) {
        Click(X, Y);
        Mouse(QEvent::MouseButtonDblClick, X, Y, Qt::LeftButton, Qt::LeftButton);
        Release(X, Y);
    }

    static void KeyTo(QWidget* W, int Key, Qt::KeyboardModifiers Mods = Qt::NoModifier, const QString& Text = {}) {
        QKeyEvent down(QEvent::KeyPress, Key, Mods, Text);
        QApplication::sendEvent(W, &down);
        QKeyEvent up(QEvent::KeyRelease, Key, Mods, Text);
        QApplication::sendEvent(W, &up);
        QApplication::processEvents();
    }
    void Key(int Key, Qt::KeyboardModifiers Mods = Qt::NoModifier) { KeyTo(grid->Widget(), Key, Mods); }
    void Type(const QString& Text) {
        for (QChar c : Text) KeyTo(grid->Widget(), c.toUpper().unicode(), Qt::NoModifier, QString(c));
    }

    int CountSelected() {
        int n = 0;
        for (int r = 0; r < grid->RowCount(); ++r) n += grid->Selected(r) ? 1 : 0;
        return n;
    }

    std::unique_ptr<TForm> form;
    TGxGrid* grid = nullptr;
};

// --- hit tests

TEST_F(GridInput, HitTestsAnswerAreasColumnsRowsAndGrips) {
    grid->SetOptions({goHeader, goGrid, goSelectFullRow, goFooter, goIndicator, goRowResizing});
    Fill(30);
    const TRect header = grid->GetHeaderRect(), body = grid->GetBodyRect(), footer = grid->GetFooterRect();
    struct AreaCase {
        TPoint p;
        TGridArea area;
    } areas[] = {
        {{header.Left + 5, header.Top}, gaHeader},
        {{header.Left + 5, header.Bottom - 2}, gaHeader},
        {{header.Left + 5, body.Top}, gaBody},
        {{body.Left + 5, body.Bottom - 2}, gaBody},
        {{body.Left + 5, footer.Top + 2}, gaFooter},
        {{2, body.Top + 5}, gaIndicator},
        // the last pixel row of the body belongs to no area above the footer
        {{body.Right - 1, body.Top + 5}, body.Right - 1 >= footer.Right - 1 ? gaNone : gaBody},
    };
    for (const AreaCase& c : areas)
        EXPECT_EQ(grid->GetGridAreaAtPos(c.p), c.area) << c.p.X << "," << c.p.Y;

    // A point on the boundary between two columns belongs to the left one.
    TGxCustomColumn* first = grid->Columns()->Item(0);
    const int edge = first->Left() + first->Width();
    EXPECT_EQ(grid->GetColumnAtPos(TPoint(edge, 5)), first);
    EXPECT_EQ(grid->GetColumnAtPos(TPoint(edge + 1, 5)), grid->Columns()->Item(1));
    EXPECT_EQ(grid->GetColumnAtPos(TPoint(5000, 5)), nullptr);

    // The size grip runs from three pixels left of the edge to two right of it.
    for (int x = edge - 5; x <= edge + 4; ++x) {
        const bool inGrip = x >= edge - 3 && x <= edge + 2;
        EXPECT_EQ(grid->GetColumnSizeGripAtPos(x, 5) == first, inGrip) << "x=" << x;
    }
    first->SetOptions(first->Options() + coFixedSize);
    EXPECT_EQ(grid->GetColumnSizeGripAtPos(edge, 5), nullptr);

    // Rows: the cell under a point and the row grip at the bottom edge of each row's rectangle.
    const TRect row2 = grid->GetRowRect(2);
    EXPECT_EQ(grid->GetCellAtPos(TPoint(edge + 10, row2.Top + 3)), TPoint(1, 2));
    EXPECT_EQ(grid->GetCellAtPos(TPoint(edge + 10, header.Top + 3)).Y, -1);
    const int b = row2.Bottom;
    EXPECT_EQ(grid->GetRowSizeGripAtPos(4, b), 2);
    EXPECT_EQ(grid->GetRowSizeGripAtPos(4, b - 2), 2);
    EXPECT_NE(grid->GetRowSizeGripAtPos(4, b - 3), 2);
    EXPECT_EQ(grid->GetRowSizeGripAtPos(20, b), -1);
}

// --- header clicks and sorting

TEST_F(GridInput, HeaderClickSortsAscendingThenDescending) {
    Fill(8);
    std::vector<int> clicked;
    grid->OnHeaderClick = [&](TObject*, int ACol) { clicked.push_back(ACol); };
    const QStringList original = Column(0);
    QStringList ascending = original;
    std::sort(ascending.begin(), ascending.end());
    QStringList descending = ascending;
    std::reverse(descending.begin(), descending.end());

    Click(20, 5);
    TGxCustomColumn* c = grid->Columns()->Item(0);
    EXPECT_TRUE(c->Sorted());
    EXPECT_EQ(c->SortKind(), skAscending);
    EXPECT_EQ(Column(0), ascending);

    Click(20, 5);
    EXPECT_EQ(c->SortKind(), skDescending);
    EXPECT_EQ(Column(0), descending);
    // The rows move whole: each name keeps its own city.
    for (int r = 0; r < grid->RowCount(); ++r)
        EXPECT_EQ(grid->GetCells(1, r), QStringLiteral("City %1").arg(grid->GetCells(0, r).right(3).toInt()));
    EXPECT_EQ(clicked, (std::vector<int>{0, 0}));

    // Released over another column: a click, but no sort.
    Press(20, 5);
    Release(120, 5);
    EXPECT_EQ(c->SortKind(), skDescending);
    EXPECT_EQ(clicked.size(), 3u);

    // Without coCanSort the header only clicks.
    TGxCustomColumn* city = grid->Columns()->Item(1);
    city->SetOptions(city->Options() - coCanSort);
    Click(120, 5);
    EXPECT_FALSE(city->Sorted());
}

TEST_F(GridInput, ClicksAndDoubleClicksRaiseTheirEventsInOrder) {
    grid->SetOptions({goHeader, goGrid, goSelectFullRow, goFooter});
    Fill(5);
    QStringList log;
    grid->OnHeaderClick = [&](TObject*, int c) { log << QStringLiteral("header %1").arg(c); };
    grid->OnHeaderDblClick = [&](TObject*, int c) { log << QStringLiteral("header-dbl %1").arg(c); };
    grid->OnFooterClick = [&](TObject*, int c) { log << QStringLiteral("footer %1").arg(c); };
    grid->OnCellClick = [&](TObject*, int c, int r) { log << QStringLiteral("cell %1 %2").arg(c).arg(r); };
    grid->OnCellDblClick = [&](TObject*, int c, int r) { log << QStringLiteral("cell-dbl %1 %2").arg(c).arg(r); };
    TGxCustomColumn* city = grid->Columns()->Item(1);
    city->SetOptions(city->Options() - coCanSort);
    DoubleClick(120, 5);
    const TRect cell = grid->GetCellRect(2, 3);
    DoubleClick(cell.Left + 5, cell.Top + 4);
    const TRect footer = grid->GetFooterRect();
    Click(20, footer.Top + 5);
    // Pressed in one cell, released in another: no cell click.
    Press(20, grid->GetCellRect(0, 1).Top + 4);
    Release(20, grid->GetCellRect(0, 2).Top + 4);
    // The double click's own press starts no header click; its release in the body is a cell click.
    EXPECT_EQ(log, (QStringList{"header 1", "header-dbl 1", "cell 2 3", "cell-dbl 2 3", "cell 2 3", "footer 0"}));
}

// --- column resizing

TEST_F(GridInput, DraggingAGripResizesWithinMinWidth) {
    Fill(5);
    TGxCustomColumn* c = grid->Columns()->Item(1); // Left 80, Width 100: the grip is at x = 180
    struct Case {
        int toX;
        int width;
    } cases[] = {{230, 150}, {150, 70}, {60, 8}, {181, 101}};
    for (const Case& k : cases) {
        c->SetWidth(100);
        const int edge = c->Left() + c->Width();
        Move(edge, 5, false);
        Press(edge, 5);
        EXPECT_TRUE(grid->GridState().Contains(gtColumnResizing));
        EXPECT_EQ(grid->LeftResizingGuide(), c->Left() - 1);
        Move(k.toX, 5, true);
        EXPECT_EQ(grid->RightResizingGuide(), c->Left() + k.width - 1) << k.toX;
        EXPECT_EQ(c->Width(), 100) << "the width changes only on release";
        Release(k.toX, 5);
        EXPECT_EQ(c->Width(), k.width) << "dragged to " << k.toX;
        EXPECT_FALSE(grid->GridState().Contains(gtColumnResizing));
        EXPECT_FALSE(grid->HasOverlay(TGxCustomGrid::kLeftGuide));
        EXPECT_FALSE(grid->HasOverlay(TGxCustomGrid::kRightGuide));
    }
    // A press on the grip is no header click: nothing got sorted.
    EXPECT_FALSE(c->Sorted());
}

TEST_F(GridInput, DoubleClickOnAGripBestFitsTheColumn) {
    Fill(5);
    grid->SetCells(0, 3, QStringLiteral("A considerably longer name than the column shows"));
    TGxCustomColumn* c = grid->Columns()->Item(0);
    ASSERT_FALSE(grid->IsTextFit(0, 3));
    const int edge = c->Left() + c->Width();
    Move(edge, 5, false);
    DoubleClick(edge, 5);
    EXPECT_GT(c->Width(), 80);
    EXPECT_TRUE(grid->IsTextFit(0, 3));
    EXPECT_FALSE(grid->GridState().Contains(gtColumnResizing));
}

// --- keyboard navigation

TEST_F(GridInput, PageKeysHomeAndEndGiveTheSelectedAndFirstRows) {
    Fill(100);
    grid->SetSelectedRow(0);
    const int n = grid->GetVisibleCount(false);
    ASSERT_GT(n, 3);
    struct Step {
        int key;
        int selected;
        int first;
    } steps[] = {
        {Qt::Key_PageDown, n - 1, 0},        // to the last row of the page
        {Qt::Key_PageDown, 2 * n - 1, n},    // a page further, scrolled into view
        {Qt::Key_PageUp, n, n},              // to the top of the page
        {Qt::Key_PageUp, 0, 0},              // a page back
        {Qt::Key_PageUp, 0, 0},              // the first page: the first row
        {Qt::Key_End, 99, 100 - n},          // the last row, shown at the bottom
        {Qt::Key_Home, 0, 0},
    };
    for (const Step& s : steps) {
        Key(s.key);
        EXPECT_EQ(grid->SelectedRow(), s.selected) << "key " << s.key;
        EXPECT_EQ(grid->FirstRow(), s.first) << "key " << s.key;
        EXPECT_EQ(CountSelected(), 1);
    }
    // On the last page PageDown selects the last row.
    grid->ScrollToRow(99);
    ASSERT_TRUE(grid->VertScrollBar()->IsLast());
    grid->SetSelectedRow(grid->FirstRow());
    Key(Qt::Key_PageDown);
    EXPECT_EQ(grid->SelectedRow(), 99);
    EXPECT_EQ(grid->FirstRow(), 100 - n);

    grid->ScrollToRow(0);
    grid->SetSelectedRow(0);
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    EXPECT_EQ(grid->SelectedRow(), 2);
    Key(Qt::Key_Up);
    EXPECT_EQ(grid->SelectedRow(), 1);
}

TEST_F(GridInput, HomeAndEndExtendTheSelectionOnlyWithShift) {
    grid->SetOptions({goHeader, goGrid, goSelectFullRow, goMultiSelect});
    Fill(40);
    grid->SetSelectedRow(10);
    Key(Qt::Key_End);
    EXPECT_EQ(grid->SelectedRow(), 39);
    EXPECT_EQ(CountSelected(), 1) << "a plain End moves, it does not select a range";
    Key(Qt::Key_Home);
    EXPECT_EQ(grid->SelectedRow(), 0);
    EXPECT_EQ(CountSelected(), 1);

    grid->SetSelectedRow(10);
    Key(Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(grid->SelectedRow(), 39);
    EXPECT_EQ(CountSelected(), 30);
    for (int r = 10; r < 40; ++r) EXPECT_TRUE(grid->Selected(r)) << r;

    // Ctrl+A selects everything.
    Key(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(CountSelected(), 40);
}

TEST_F(GridInput, LeftAndRightScrollInFullRowModeAndMoveInCellMode) {
    grid->Columns()->Item(2)->SetWidth(400);
    Fill(10);
    grid->SetSelectedRow(1);
    ASSERT_GT(grid->HorzScrollBar()->Max(), 0);
    Key(Qt::Key_Right);
    EXPECT_GT(grid->HorzScrollBar()->Position(), 0);
    EXPECT_EQ(grid->SelectedColumn(), 0);
    Key(Qt::Key_Left);
    EXPECT_EQ(grid->HorzScrollBar()->Position(), 0);

    grid->SetOptions({goHeader, goGrid});
    grid->SetWantTabs(true);
    Key(Qt::Key_Right);
    EXPECT_EQ(grid->SelectedColumn(), 1);
    Key(Qt::Key_Tab);
    EXPECT_EQ(grid->SelectedColumn(), 2);
    Key(Qt::Key_Left);
    EXPECT_EQ(grid->SelectedColumn(), 1);
}

// --- type-ahead and search

TEST_F(GridInput, TypeAheadFindsARowAndAPauseStartsANewWord) {
    Fill(16);
    TGxCustomColumn* c = grid->Columns()->Item(0);
    c->SetOptions(c->Options() + coSearchColumn);
    grid->SetSelectedRow(0);
    Type(QStringLiteral("ch"));
    EXPECT_EQ(grid->GetCells(0, grid->SelectedRow()), QStringLiteral("Chen 002"));
    EXPECT_EQ(grid->SearchBuffer(), QStringLiteral("ch"));
    EXPECT_TRUE(grid->SearchTimer()->Enabled());
    Type(QStringLiteral("l"));
    EXPECT_EQ(grid->GetCells(0, grid->SelectedRow()), QStringLiteral("Chloe 005"));
    // Typing the same word again finds the next match, wrapping to the top.
    grid->SearchTimerTick(nullptr);
    EXPECT_TRUE(grid->SearchBuffer().isEmpty());
    EXPECT_FALSE(grid->SearchTimer()->Enabled());
    Type(QStringLiteral("chl"));
    EXPECT_EQ(grid->GetCells(0, grid->SelectedRow()), QStringLiteral("Chloe 013"));
    grid->SearchTimerTick(nullptr);
    Type(QStringLiteral("chl"));
    EXPECT_EQ(grid->GetCells(0, grid->SelectedRow()), QStringLiteral("Chloe 005"));
    // No match: the selection stays.
    grid->SearchTimerTick(nullptr);
    Type(QStringLiteral("zz"));
    EXPECT_EQ(grid->GetCells(0, grid->SelectedRow()), QStringLiteral("Chloe 005"));
}

TEST_F(GridInput, FindTextRangesAndMatching) {
    Fill(16);
    grid->SetSelectedRow(10);
    struct Case {
        QString text;
        TSearchOptions options;
        bool found;
        int row;
    } cases[] = {
        {QStringLiteral("anna"), {soCaseInsensitive}, true, 1},
        {QStringLiteral("anna"), {}, false, -1},
        {QStringLiteral("Anna 009"), {soExactMatch}, true, 9},
        {QStringLiteral("Anna"), {soExactMatch}, false, -1},
        {QStringLiteral("Boris"), {soFromSelected}, true, 11},
        {QStringLiteral("Anna 001"), {soFromSelected}, false, -1},
        {QStringLiteral("Anna 001"), {soFromSelected, soContinueFromTop}, true, 1},
    };
    for (const Case& k : cases) {
        grid->SetSelectedRow(10);
        EXPECT_EQ(grid->FindText(0, k.text, k.options), k.found) << qPrintable(k.text);
        if (k.found) {
            EXPECT_EQ(grid->SelectedRow(), k.row) << qPrintable(k.text);
            EXPECT_EQ(grid->LastFoundRow(), k.row);
        } else {
            EXPECT_EQ(grid->SelectedRow(), 10) << qPrintable(k.text);
        }
    }
    // Several columns per row, in list order; a bad index ends the list.
    grid->SetSelectedRow(0);
    EXPECT_TRUE(grid->FindTextByRow({2, 1}, {soExactMatch}, QStringLiteral("City 7")));
    EXPECT_EQ(grid->SelectedRow(), 7);
    EXPECT_FALSE(grid->FindTextByRow({-1, 1}, {soExactMatch}, QStringLiteral("City 3")));
    grid->ClearRows();
    EXPECT_FALSE(grid->FindText(0, QStringLiteral("Anna"), {}));
}

// --- editing

TEST_F(GridInput, EditingWithEnterEscapeAndTab) {
    for (int i = 0; i < 3; ++i) {
        TGxCustomColumn* c = grid->Columns()->Item(i);
        c->SetOptions(c->Options() + coEditing);
    }
    grid->SetOptions({goHeader, goGrid});
    Fill(6);
    grid->SelectCell(0, 2, {}, true, false);

    // A typed character starts the editor with it; Enter stores the text.
    Type(QStringLiteral("Z"));
    ASSERT_TRUE(grid->Editing());
    TGxCustomEdit* editor = grid->InplaceEdit();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->Text(), QStringLiteral("Z"));
    EXPECT_EQ(grid->EditingCell(), TPoint(0, 2));
    KeyTo(editor->Widget(), Qt::Key_O, Qt::NoModifier, QStringLiteral("o"));
    KeyTo(editor->Widget(), Qt::Key_Return);
    EXPECT_FALSE(grid->Editing());
    EXPECT_EQ(grid->GetCells(0, 2), QStringLiteral("Zo"));

    // Escape closes the editor and keeps the old text.
    Type(QStringLiteral("Q"));
    ASSERT_TRUE(grid->Editing());
    editor = grid->InplaceEdit();
    KeyTo(editor->Widget(), Qt::Key_Escape);
    EXPECT_FALSE(grid->Editing());
    EXPECT_EQ(grid->GetCells(0, 2), QStringLiteral("Zo"));

    // Tab stores the text and moves to the next cell of the row.
    Type(QStringLiteral("T"));
    ASSERT_TRUE(grid->Editing());
    editor = grid->InplaceEdit();
    KeyTo(editor->Widget(), Qt::Key_Tab);
    EXPECT_FALSE(grid->Editing());
    EXPECT_EQ(grid->GetCells(0, 2), QStringLiteral("T"));
    EXPECT_EQ(grid->SelectedCell(), TPoint(1, 2));

    // A click on the selected cell opens the editor with the cell's text.
    const TRect r = grid->GetCellRect(1, 2);
    Click(r.Left + 5, r.Top + 4);
    ASSERT_TRUE(grid->Editing());
    EXPECT_EQ(grid->InplaceEdit()->Text(), QStringLiteral("City 2"));
    KeyTo(grid->InplaceEdit()->Widget(), Qt::Key_Escape);
    EXPECT_FALSE(grid->Editing());
}

// --- mouse selection

TEST_F(GridInput, ClicksSelectRowsAndMultiSelectBuildsSets) {
    grid->SetOptions({goHeader, goGrid, goSelectFullRow, goMultiSelect});
    Fill(12);
    std::vector<TPoint> clicks;
    grid->OnCellClick = [&](TObject*, int ACol, int ARow) { clicks.push_back(TPoint(ACol, ARow)); };
    auto rowY = [&](int row) { return grid->GetRowRect(row).Top + 4; };
    Click(100, rowY(3));
    EXPECT_EQ(grid->SelectedCell(), TPoint(1, 3));
    EXPECT_EQ(CountSelected(), 1);
    Click(100, rowY(5), Qt::ControlModifier);
    Click(100, rowY(7), Qt::ControlModifier);
    EXPECT_TRUE(grid->Selected(3) && grid->Selected(5) && grid->Selected(7));
    EXPECT_EQ(CountSelected(), 3);
    Click(100, rowY(5), Qt::ControlModifier);
    EXPECT_FALSE(grid->Selected(5));
    // The last Ctrl+click (on row 5) is the anchor: Shift selects 5..9 and clears the rest.
    Click(100, rowY(9), Qt::ShiftModifier);
    EXPECT_EQ(CountSelected(), 5);
    for (int r = 5; r <= 9; ++r) EXPECT_TRUE(grid->Selected(r)) << r;
    EXPECT_FALSE(grid->Selected(3));
    EXPECT_EQ(clicks.size(), 5u);
    EXPECT_EQ(clicks.front(), TPoint(1, 3));
    // A plain click starts over.
    Click(20, rowY(1));
    EXPECT_EQ(CountSelected(), 1);
    EXPECT_TRUE(grid->Selected(1));
}

// --- column and row moving

TEST_F(GridInput, DraggingAHeaderMovesOrHidesTheColumn) {
    grid->SetOptions({goHeader, goGrid, goCanHideColumn});
    Fill(3);
    TGxCustomColumn* name = grid->Columns()->Item(0);
    Press(20, 5);
    Move(30, 6, true);
    ASSERT_TRUE(grid->GridState().Contains(gtColumnMoving));
    // Dropped over the right half of the last column: it becomes the last.
    const TPoint target = grid->ClientToScreen(TPoint(230, 8));
    grid->ColumnDragBoxMove(nullptr, target.X, target.Y);
    EXPECT_TRUE(grid->UpDragArrow()->Visible());
    EXPECT_TRUE(grid->DownDragArrow()->Visible());
    // The arrows mark the right edge of the last column, the up one below the header.
    const TRect up = grid->UpDragArrow()->ScreenBoundsRect();
    EXPECT_EQ(up.Left + 4, grid->ClientToScreen(TPoint(240, 0)).X);
    EXPECT_EQ(up.Top, grid->ClientToScreen(TPoint(0, grid->HeaderSize() - 1)).Y);
    const TPoint below = grid->ClientToScreen(TPoint(230, 120));
    grid->ColumnDragBoxMove(nullptr, below.X, below.Y);
    EXPECT_FALSE(grid->UpDragArrow()->Visible());
    EXPECT_EQ(Screen->Cursor(), crColumnNoDrag);
    grid->ColumnDragBoxMove(nullptr, target.X, target.Y);
    grid->ColumnDragBoxDrop(nullptr, target.X, target.Y);
    EXPECT_EQ(Screen->Cursor(), crDefault);
    EXPECT_FALSE(grid->UpDragArrow()->Visible());
    EXPECT_EQ(name->Position(), 2);
    EXPECT_FALSE(grid->GridState().Contains(gtColumnMoving));
    EXPECT_EQ(grid->GetColumnAtPos(TPoint(5, 5)), grid->Columns()->Item(1));

    // Dropped below the header: hidden.
    const int left = name->Left() + 5;
    Press(left, 5);
    Move(left + 10, 5, true);
    ASSERT_TRUE(grid->GridState().Contains(gtColumnMoving));
    const TPoint outside = grid->ClientToScreen(TPoint(left, 150));
    grid->ColumnDragBoxDrop(nullptr, outside.X, outside.Y);
    EXPECT_FALSE(name->Visible());

    // goDisableColumnMoving: a drag is only a press.
    grid->SetOptions({goHeader, goGrid, goDisableColumnMoving});
    Press(20, 5);
    Move(60, 5, true);
    EXPECT_FALSE(grid->GridState().Contains(gtColumnMoving));
    Release(60, 5);
}

TEST_F(GridInput, DraggingARowMovesIt) {
    grid->SetOptions({goHeader, goGrid, goSelectFullRow, goRowMoving});
    Fill(10);
    const QString moved = grid->GetCells(0, 2);
    const TRect from = grid->GetRowRect(2);
    const TRect to = grid->GetRowRect(6);
    Press(20, from.Top + 4);
    Move(20, from.Top + 12, true);
    ASSERT_TRUE(grid->GridState().Contains(gtRowMoving));
    // Upper half of row 6: the nearest row is 6, one higher once the row left its place.
    Move(20, to.Top + 3, true);
    EXPECT_EQ(grid->MoveRowPosition(), 6);
    Release(20, to.Top + 3);
    EXPECT_EQ(grid->GetCells(0, 5), moved);
    EXPECT_EQ(grid->SelectedRow(), 5);
    EXPECT_FALSE(grid->GridState().Contains(gtRowMoving));
    EXPECT_EQ(grid->RowCount(), 10);
}

// --- roll scrolling

TEST_F(GridInput, MiddleButtonRollScrollsTheRowsAndAPlainClickDoesNot) {
    Fill(100);
    grid->SetSelectedRow(0);
    Mouse(QEvent::MouseButtonPress, 100, 100, Qt::MiddleButton, Qt::MiddleButton);
    ASSERT_TRUE(grid->ViewState().Contains(vsRolling));
    grid->RollTimerTick(nullptr);
    EXPECT_EQ(grid->FirstRow(), 0) << "a press without movement scrolls nothing";
    QCursor::setPos(grid->Widget()->mapToGlobal(QPoint(100, 160)));
    Mouse(QEvent::MouseMove, 100, 160, Qt::NoButton, Qt::MiddleButton);
    grid->RollTimerTick(nullptr);
    grid->RollTimerTick(nullptr);
    EXPECT_GT(grid->FirstRow(), 0);
    const int first = grid->FirstRow();
    Mouse(QEvent::MouseButtonRelease, 100, 160, Qt::MiddleButton, Qt::NoButton);
    EXPECT_FALSE(grid->ViewState().Contains(vsRolling));
    EXPECT_FALSE(grid->RollTimer()->Enabled());
    EXPECT_EQ(grid->FirstRow(), first);
    EXPECT_EQ(grid->SelectedRow(), 0) << "rolling does not select";
}

TEST_F(GridInput, PanMovesBothBarsByTheTravelSinceThePreviousEvent) {
    grid->Columns()->Item(2)->SetWidth(400);
    Fill(100);
    grid->PanGesture(TPoint(0, 0), true);
    grid->PanGesture(TPoint(-30, -4), false);
    EXPECT_EQ(grid->VertScrollBar()->Position(), 4);
    EXPECT_EQ(grid->FirstRow(), 4);
    EXPECT_EQ(grid->HorzScrollBar()->Position(), 30);
    grid->PanGesture(TPoint(-20, -1), false);
    EXPECT_EQ(grid->VertScrollBar()->Position(), 1);
    EXPECT_EQ(grid->HorzScrollBar()->Position(), 20);
    // A new pan starts from its own first point: no jump.
    grid->PanGesture(TPoint(500, 500), true);
    EXPECT_EQ(grid->VertScrollBar()->Position(), 1);
}

// --- hints

TEST_F(GridInput, TextFitHintShowsOverACellWhoseTextDoesNotFit) {
    Fill(4);
    const QString longText = QStringLiteral("A name much too long for eighty pixels");
    grid->SetCells(0, 1, longText);
    TGxCustomColumn* name = grid->Columns()->Item(0);
    name->SetOptions(name->Options() + coShowTextFitHint);
    form->Show();
    QApplication::setActiveWindow(form->Widget());
    QApplication::processEvents();
    ASSERT_TRUE(form->Active());

    const TRect cut = grid->GetCellRect(0, 1), fits = grid->GetCellRect(0, 2);
    Move(cut.Left + 5, cut.Top + 4, false);
    EXPECT_EQ(grid->HintPosition(), hpTextFit);
    ASSERT_NE(grid->HintWindow(), nullptr);
    EXPECT_TRUE(grid->HintWindow()->IsShowing());
    EXPECT_EQ(grid->HintWindow()->Caption(), longText);
    EXPECT_EQ(grid->HoverCell(), TPoint(0, 1));
    // The hint window sits over the cell, in screen coordinates.
    EXPECT_EQ(grid->HintWindow()->Widget()->mapToGlobal(QPoint(0, 0)).y(), grid->ClientToScreen(TPoint(0, cut.Top)).Y);

    Move(fits.Left + 5, fits.Top + 4, false);
    EXPECT_EQ(grid->HintPosition(), hpNone);
    EXPECT_FALSE(grid->HintWindow()->IsShowing());

    Move(cut.Left + 5, cut.Top + 4, false);
    EXPECT_TRUE(grid->HintWindow()->IsShowing());
    Move(cut.Left + 5, 5, false); // into the header
    EXPECT_FALSE(grid->HintWindow()->IsShowing());
    EXPECT_EQ(grid->HoverCell(), TPoint(-1, -1));
}

// --- row resizing and the window's size

TEST_F(GridInput, DraggingARowGripInTheIndicatorSetsTheRowHeight) {
    grid->SetOptions({goHeader, goGrid, goSelectFullRow, goIndicator, goRowResizing});
    Fill(10);
    const int top = grid->GetRowTop(2);
    const int grip = grid->GetRowRect(2).Bottom - 1;
    ASSERT_EQ(grid->GetRowSizeGripAtPos(4, grip), 2);
    Press(4, grip);
    EXPECT_EQ(grid->ResizingRow(), 2);
    Move(4, top + 40, true);
    Release(4, top + 40);
    EXPECT_EQ(grid->RowHeight(2), 40);
    EXPECT_EQ(grid->ResizingRow(), -1);
    // Never lower than 8 pixels by dragging.
    const int grip2 = grid->GetRowRect(2).Bottom - 1;
    Press(4, grip2);
    Move(4, top - 30, true);
    Release(4, top - 30);
    EXPECT_EQ(grid->RowHeight(2), 8);
    // A double click on the grip fits the row to its content.
    DoubleClick(4, grid->GetRowRect(2).Bottom - 1);
    EXPECT_GT(grid->RowHeight(2), 8);
}

TEST_F(GridInput, GrowingTallerScrollsHiddenRowsBackIn) {
    Fill(30);
    grid->VertScrollBar()->SetPosition(grid->VertScrollBar()->Max());
    const int first = grid->FirstRow();
    ASSERT_GT(first, 5);
    grid->SetBounds(0, 0, 320, 240 + 5 * 19);
    QApplication::processEvents();
    EXPECT_LT(grid->FirstRow(), first);
    EXPECT_EQ(grid->VertResizeKind(), rkExpansion);
    // The last row is still the last one shown.
    EXPECT_EQ(grid->LastRowInView(), 29);
}

// --- wheel

TEST_F(GridInput, WheelScrollsRowsAndColumnsOnlyWhenRowsCannot) {
    Fill(100);
    auto wheel = [&](int delta, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QWheelEvent e(QPointF(50, 50), grid->Widget()->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, delta),
                      Qt::NoButton, mods, Qt::NoScrollPhase, false);
        QApplication::sendEvent(grid->Widget(), &e);
    };
    wheel(-120);
    EXPECT_EQ(grid->FirstRow(), 1);
    wheel(-120, Qt::ControlModifier);
    EXPECT_GT(grid->FirstRow(), 2);
    wheel(120, Qt::ControlModifier);
    wheel(120);
    EXPECT_EQ(grid->FirstRow(), 0);

    // Few rows and wide columns: the wheel turns to the horizontal bar.
    grid->ClearRows();
    Fill(2);
    grid->Columns()->Item(2)->SetWidth(500);
    ASSERT_EQ(grid->VertScrollBar()->Max(), 0);
    ASSERT_GT(grid->HorzScrollBar()->Max(), 0);
    wheel(-120);
    EXPECT_GT(grid->HorzScrollBar()->Position(), 0);
    wheel(120);
    EXPECT_EQ(grid->HorzScrollBar()->Position(), 0);
}

} // namespace
