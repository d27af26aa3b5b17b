// Selection, keyboard movement, scrolling and the scroll-bar ranges, in-place editing and the
// input row, and row-count changes of the grid control.

#include "grid/GxCustomGridControl.h"

#include <QApplication>
#include <QWidget>
#include <QStyle>

#include <algorithm>

namespace {
bool HasMod(TShiftState Shift, TShiftStateItem Item) { return Shift.Contains(Item); }
} // namespace

// --- selection

void TGxCustomGridControl::SelectCell(int ACol, int ARow, TShiftState Shift, bool Deselect, bool AutoEdit) {
    const int oldCol = FSelectedColumn, oldRow = FSelectedRow;
    bool accept = CanSelectCell(ACol, ARow);
    DoBeforeSelect(ACol, ARow, accept);
    if (!accept) return;
    const bool shift = HasMod(Shift, ssShift), ctrl = HasMod(Shift, ssCtrl);
    if (FGridState.Contains(gtMultiSelect) && Deselect && !shift && !ctrl) NoSelection();
    if (!FColumns->Exists(ACol) || !FColumns->Item(ACol)->Enabled()) return;
    FSelectedColumn = ACol;
    FSelectedRow = ARow;
    const bool cellChanged = ACol != oldCol || ARow != oldRow;
    const bool rowChanged = ARow != oldRow;
    if (cellChanged) {
        if (CellBounds(oldCol, oldRow)) DoDeselectCell(oldCol, oldRow);
        if (FGridState.Contains(gtEdit)) EndEditing();
    }
    if (FAutoScroll && ARow >= 0 && ARow < RowCount()) ScrollToRow(ARow);
    if (FInputSelected) {
        if (ACol == oldCol) return;
        DoInputSelectCell(ACol);
        RefreshColumn(FColumns->Item(ACol), gaInput);
        if (FColumns->Exists(oldCol)) RefreshColumn(FColumns->Item(oldCol), gaInput);
        return;
    }
    const int count = RowCount();
    if (count == 0) return;
    auto refreshRowOrSlide = [this](int Row, bool BorderOnly) {
        if (FGridStyle == gsSlides)
            RefreshSlide(Row, BorderOnly);
        else
            RefreshRow(Row, false);
    };
    if (FOptions.Contains(goSelectFullRow)) {
        const bool multi = FOptions.Contains(goMultiSelect);
        if (multi && ctrl && !shift) {
            FFromSelected = ARow;
            FGridState.Include(gtMultiSelect);
            if (ARow >= 0 && ARow < count) SetSelected(ARow, !Selected(ARow));
            if (rowChanged) refreshRowOrSlide(oldRow, true);
            refreshRowOrSlide(ARow, false);
            DoSelectCell(ACol, ARow);
            return;
        }
        if (multi && shift) {
            FGridState.Include(gtMultiSelect);
            // The anchor may be unset or stale after rows went away.
            const int from = std::clamp(FFromSelected < 0 ? ARow : FFromSelected, 0, count - 1);
            const int to = std::clamp(ARow, 0, count - 1);
            const int lo = std::min(from, to), hi = std::max(from, to);
            if (!ctrl) {
                for (int i = 0; i < lo; ++i)
                    if (Selected(i)) SetSelected(i, false);
                for (int i = hi + 1; i < count; ++i)
                    if (Selected(i)) SetSelected(i, false);
            }
            SelectRange(lo, hi, true);
            if (rowChanged) {
                refreshRowOrSlide(ARow, false);
                refreshRowOrSlide(oldRow, false);
            }
            // Rows between may have changed as well.
            if (!IsUpdating()) RefreshRange(std::min(lo, std::max(oldRow, 0)), std::max(hi, oldRow));
            DoSelectCell(ACol, ARow);
            return;
        }
        if (!rowChanged && FAppearanceOptions.Contains(aoIndicateSelectedCell) && ACol != oldCol) {
            RefreshCell(ACol, ARow);
            if (FColumns->Exists(oldCol)) RefreshCell(oldCol, ARow);
        }
        if (rowChanged && !FGridState.Contains(gtMultiSelect) && oldRow >= 0 && oldRow < count)
            SetSelected(oldRow, false);
        if (ARow >= 0 && ARow < count) SetSelected(ARow, true);
        FFromSelected = ARow;
        // A column change within the row is covered by the cell refreshes above.
        if (FUpdateCount == 0 && rowChanged) {
            refreshRowOrSlide(ARow, false);
            refreshRowOrSlide(oldRow, false);
            if (FGridStyle == gsReport) {
                RefreshIndicator(ARow);
                RefreshIndicator(oldRow);
            }
        }
        DoSelectCell(ACol, ARow);
    } else {
        if (cellChanged) {
            if (rowChanged) {
                if (FGridStyle == gsReport) {
                    RefreshIndicator(ARow);
                    RefreshIndicator(oldRow);
                } else {
                    RefreshSlide(ARow, true);
                    RefreshSlide(oldRow, true);
                }
            }
            RefreshCell(ACol, ARow);
            RefreshCell(oldCol, oldRow);
        }
        DoSelectCell(ACol, ARow);
    }
    if (AutoEdit) EditCell(ACol, ARow, QString());
}

void TGxCustomGridControl::SetSelectedRow(int Value) {
    const int count = RowCount();
    if (count < 1 || Value < -1 || Value > count - 1) return;
    SetInputSelected(false);
    SelectCell(FSelectedColumn, Value, {}, true, false);
}

void TGxCustomGridControl::SetSelectedColumn(int Value) {
    if (FColumns->Count() == 0 || Value < 0 || Value >= FColumns->Count()) return;
    SelectCell(Value, SelectedRow(), {}, true, false);
}

void TGxCustomGridControl::SetInputSelected(bool Value) {
    if (Value == FInputSelected) return;
    FInputSelected = Value;
    if (Value) {
        if (SelectedRow() >= 0 && SelectedRow() < RowCount()) SetSelected(SelectedRow(), false);
    } else {
        EndEditing();
    }
    RefreshArea(gaInput);
    RefreshArea(gaIndicator);
    RefreshSelection();
}

void TGxCustomGridControl::SelectFirstRow(TShiftState Shift) {
    SetInputSelected(false);
    SelectCell(FSelectedColumn, FirstVisibleRow(), Shift, true, false);
    VertScrollBar()->First();
}

void TGxCustomGridControl::SelectLastRow(TShiftState Shift) {
    SetInputSelected(false);
    SelectCell(FSelectedColumn, LastVisibleRow(), Shift, true, false);
    VertScrollBar()->Last();
}

void TGxCustomGridControl::SelectFirstColumn() {
    for (int p = 0; p < FColumns->Count(); ++p) {
        TGxCustomColumn* c = FColumns->PositionItem(p);
        if (c->Visible() && c->Enabled()) {
            SetSelectedColumn(c->Index());
            ScrollToColumn(c);
            return;
        }
    }
}

void TGxCustomGridControl::SelectLastColumn() {
    for (int p = FColumns->Count() - 1; p >= 0; --p) {
        TGxCustomColumn* c = FColumns->PositionItem(p);
        if (c->Visible()) {
            SetSelectedColumn(c->Index());
            ScrollToColumn(c);
            return;
        }
    }
}

void TGxCustomGridControl::SelectAll() {
    if (!MultiSelect()) return;
    BeginUpdate();
    for (int i = 0, count = RowCount(); i < count; ++i) SetSelected(i, true);
    FGridState.Include(gtMultiSelect);
    EndUpdate();
}

void TGxCustomGridControl::NoSelection() {
    BeginUpdate();
    ClearSelection();
    EndUpdate();
    FGridState.Exclude(gtMultiSelect);
    FSelectedRow = -1;
    FSelectedColumn = 0;
}

void TGxCustomGridControl::ClearSelection() {
    for (int i = 0, count = RowCount(); i < count; ++i)
        if (Selected(i)) SetSelected(i, false);
}

// --- movement

namespace {
bool SelectableRow(TGxCustomGridControl& G, int Row) {
    return G.RowVisible(Row) && G.CanSelectCell(G.SelectedColumn(), Row);
}
} // namespace

void TGxCustomGridControl::MoveByRow(bool MoveDown, TShiftState Shift) {
    const int count = RowCount();
    const bool autoEdit = FColumns->Exists(FSelectedColumn) && FColumns->Item(FSelectedColumn)->AutoEdit();
    if (MoveDown) {
        int row = SelectedRow() + 1;
        while (row < count && !SelectableRow(*this, row)) ++row;
        if (row >= count) return;
        SelectCell(FSelectedColumn, row, Shift, true, autoEdit);
        if (row >= LastRowInView()) ScrollToRow(row);
        return;
    }
    if (SelectedRow() == FirstVisibleRow() && FOptions.Contains(goInput)) {
        SetInputSelected(true);
        return;
    }
    int row = std::min(SelectedRow(), count) - 1;
    while (row >= 0 && !SelectableRow(*this, row)) --row;
    if (row < 0) return;
    SelectCell(FSelectedColumn, row, Shift, true, autoEdit);
    if (row < FFirstRow) VertScrollBar()->MoveBy(-1);
}

void TGxCustomGridControl::MoveSelectionDown(TShiftState Shift, bool NextControl, bool SelectFirst) {
    if (RowCount() == 0) return;
    if (FInputSelected) {
        SetInputSelected(false);
        MoveByRow(true, Shift);
        return;
    }
    if (SelectedRow() < 0) return;
    if (SelectedRow() >= LastVisibleRow()) {
        if (NextControl)
            FocusNextControl();
        else if (SelectFirst)
            SelectFirstRow({});
        return;
    }
    MoveByRow(true, Shift);
}

void TGxCustomGridControl::MoveSelectionUp(TShiftState Shift) {
    if (SelectedRow() < 0) return;
    if (SelectedRow() == FirstVisibleRow() && FOptions.Contains(goInput) && FGridStyle == gsReport) {
        SetInputSelected(true);
        return;
    }
    const int count = RowCount();
    if (FInputSelected || count < 1) return;
    int row = std::min(SelectedRow(), count) - 1;
    while (row >= 0 && !SelectableRow(*this, row)) --row;
    if (row < 0) return;
    const bool autoEdit = FColumns->Exists(FSelectedColumn) && FColumns->Item(FSelectedColumn)->AutoEdit();
    SelectCell(FSelectedColumn, row, Shift, true, autoEdit);
    if (row < FFirstRow) VertScrollBar()->MoveBy(-1);
}

void TGxCustomGridControl::MoveSelectionLeft(TMoveSelectionKey Key) {
    if (FColumns->Exists(FSelectedColumn)) MoveSelectionToColumn(FColumns->Item(FSelectedColumn)->PrevColumn(), Key);
}

void TGxCustomGridControl::MoveSelectionRight(TMoveSelectionKey Key) {
    if (FColumns->Exists(FSelectedColumn)) MoveSelectionToColumn(FColumns->Item(FSelectedColumn)->NextColumn(), Key);
}

void TGxCustomGridControl::MoveSelectionToColumn(TGxCustomColumn* Target, TMoveSelectionKey Key) {
    if (!Target) return;
    int col = Target->Index();
    DoSelectionMove(col, SelectedRow(), Key);
    if (!FColumns->Exists(col)) return;
    SelectCell(col, SelectedRow(), {}, true, FColumns->Item(col)->AutoEdit());
    if (FGridStyle == gsReport) ScrollToColumn(FColumns->Item(col));
}

void TGxCustomGridControl::MoveSelectionBy(int Distance) {
    if (Distance == 0) return;
    int row = SelectedRow();
    int passed = 0;
    const int steps = std::abs(Distance);
    if (Distance > 0) {
        const int last = LastVisibleRow();
        while (row < last && passed < steps) {
            ++row;
            if (RowVisible(row)) ++passed;
        }
    } else {
        const int first = FirstVisibleRow();
        while (row > first && passed < steps) {
            --row;
            if (RowVisible(row)) ++passed;
        }
    }
    SetSelectedRow(row);
}

void TGxCustomGridControl::MoveToNextCell(bool TabKey) {
    if (!FColumns->Exists(FSelectedColumn)) return;
    const TMoveSelectionKey key = TabKey ? mkTab : mkUndefined;
    if (!FColumns->Item(FSelectedColumn)->Last()) {
        MoveSelectionRight(key);
        return;
    }
    if (!FInputSelected) {
        MoveSelectionDown({}, TabKey && FTabLeaveControl, TabKey);
        TGxCustomColumn* first = FColumns->FirstEnabled();
        if (!first) return;
        int col = first->Index();
        DoSelectionMove(col, SelectedRow(), key);
        SetSelectedColumn(col);
    } else if (FTabLeaveControl) {
        FocusNextControl();
    }
}

void TGxCustomGridControl::MoveToPrevCell(bool TabKey) {
    if (!FColumns->Exists(FSelectedColumn)) return;
    const TMoveSelectionKey key = TabKey ? mkTab : mkUndefined;
    if (!FColumns->Item(FSelectedColumn)->First()) {
        MoveSelectionLeft(key);
        return;
    }
    if (!FInputSelected && FirstVisibleRow() < SelectedRow()) {
        MoveSelectionUp({});
        TGxCustomColumn* last = FColumns->LastEnabled();
        if (!last) return;
        int col = last->Index();
        DoSelectionMove(col, SelectedRow(), key);
        SetSelectedColumn(col);
    } else if (FTabLeaveControl) {
        FocusPriorControl();
    }
}

// --- scrolling

int TGxCustomGridControl::LastFullyVisibleRow() {
    const TRect body = GetBodyRect();
    int top = body.Top;
    int last = FFirstRow;
    for (int i = FFirstRow, count = RowCount(); i < count; ++i) {
        if (!RowVisible(i)) continue;
        top += GetActualRowHeight(i) + FGridSpace[lpTopBottom];
        if (top > body.Bottom) break;
        last = i;
    }
    return last;
}

void TGxCustomGridControl::ScrollToRow(int Index) {
    if (Index < 0 || Index >= RowCount()) return;
    const int last = LastFullyVisibleRow();
    if (Index <= last) {
        if (Index < FFirstRow) VertScrollBar()->MoveBy(-CountVisibleRows(Index, FFirstRow));
        return;
    }
    const TRect body = GetBodyRect();
    const int step = FGridSpace[lpTopBottom];
    int distance = 0;
    int uniform = 0;
    if (FGridStyle == gsReport && UniformRows(uniform) && uniform + step >= 0) {
        // The walk below in closed form: the visible rows from the first in view to the target
        // are n, each taking a = height + grid space, and the rows kept above the target are
        // those whose running sum of a stays within k.
        const long long a = uniform + step;
        const long long visible = Index - FFirstRow + 1;
        const long long top = body.Top + FGridSpace[lpTop] + (uniform > 0 ? (visible - 1) * a : 0);
        const long long bottom = top + uniform;
        const long long k = body.Bottom - bottom + visible * a;
        const long long before = k < 0 ? 0 : a == 0 ? visible : std::min(visible, k / a);
        distance = bottom > body.Bottom ? static_cast<int>(visible - before) : 0;
        VertScrollBar()->MoveBy(distance);
        DoRowsScrolled(distance);
        return;
    }
    if (FGridStyle == gsReport) {
        // The loop below, in one walk instead of two over every row passed: it counts the visible
        // rows, from the target upwards, whose heights (each height plus the grid space, the
        // amount a) must come off the target's bottom before that bottom is in view. Row i is
        // counted while bottom - (a of the visible rows after i up to the target) > body.Bottom,
        // that is while A(i + 1) > K, where A(m) sums a over the visible rows from the first row
        // in view up to m and K = body.Bottom - bottom + A(Index + 1). With no negative height A
        // only grows, so the counted rows are those from the first row i0 with A(i0 + 1) > K to
        // the target, and i0 lies about a screen below the first row in view.
        long long top = body.Top + FGridSpace[lpTop], total = 0;
        int visible = 0;
        bool growing = true;
        for (int i = FFirstRow; i <= Index; ++i) {
            if (!RowVisible(i)) continue;
            const int h = RowHeight(i);
            if (i < Index && h > 0) top += h + step;
            growing = growing && h + step >= 0;
            total += h + step;
            ++visible;
        }
        if (growing) {
            const long long bottom = top + RowHeight(Index);
            const long long k = body.Bottom - bottom + total;
            long long sum = 0;
            int before = 0, i = FFirstRow;
            for (; i <= Index; ++i) {
                if (!RowVisible(i)) {
                    if (sum > k) break;
                    continue;
                }
                sum += RowHeight(i) + step;
                if (sum > k) break;
                ++before;
            }
            distance = bottom > body.Bottom ? visible - before : 0;
            VertScrollBar()->MoveBy(distance);
            DoRowsScrolled(distance);
            return;
        }
    }
    int bottom = FGridStyle == gsSlides ? GetSlideTop(Index) + FSlideSize : GetRowTop(Index) + RowHeight(Index);
    for (int i = Index; i >= FFirstRow && bottom > body.Bottom; --i) {
        if (!RowVisible(i)) continue;
        bottom -= GetActualRowHeight(i) + step;
        ++distance;
    }
    VertScrollBar()->MoveBy(distance);
    DoRowsScrolled(distance);
}

void TGxCustomGridControl::ScrollToColumn(TGxCustomColumn* AColumn) {
    if (!AColumn || AColumn->Position() < FFixedCols) return;
    const int x = AColumn->Left() - HPos();
    const TRect s = GetScrollRect();
    if (x < s.Left)
        HorzScrollBar()->MoveBy(x - s.Left);
    else if (x + AColumn->Width() > s.Right)
        HorzScrollBar()->MoveBy(x + AColumn->Width() - s.Right);
    else
        return;
    UpdateEditorPosition();
}

int TGxCustomGridControl::GetHorzScrollDelta(int OldPosition, int NewPosition) { return OldPosition - NewPosition; }

int TGxCustomGridControl::GetVertScrollDelta(int OldPosition, int NewPosition) {
    const int count = RowCount();
    const int step = FGridSpace[lpTop] + FGridSpace[lpBottom];
    int pixels = 0;
    // The delta only moves pixels: once it passes the client height nothing is left to move, so
    // a long jump stops measuring rows there, and with no hidden rows it skips them all at once.
    const int far = ClientHeight() + 1;
    if (NewPosition > OldPosition) {
        int passed = 0;
        while (passed < NewPosition - OldPosition && FFirstRow < count) {
            if (pixels < -far && GetVisibleRows() == count) {
                FFirstRow = std::min(count, FFirstRow + (NewPosition - OldPosition - passed));
                break;
            }
            if (RowVisible(FFirstRow)) {
                if (pixels >= -far) pixels -= GetActualRowHeight(FFirstRow) + step;
                ++passed;
            }
            ++FFirstRow;
        }
        // Hidden rows right after the last one passed belong to the gap as well.
        while (FFirstRow < count - 1 && !RowVisible(FFirstRow)) ++FFirstRow;
    } else if (NewPosition < OldPosition) {
        int passed = 0;
        while (passed < OldPosition - NewPosition && FFirstRow > 0) {
            if (pixels > far && GetVisibleRows() == count) {
                FFirstRow = std::max(0, FFirstRow - (OldPosition - NewPosition - passed));
                break;
            }
            --FFirstRow;
            if (RowVisible(FFirstRow)) {
                if (pixels <= far) pixels += GetActualRowHeight(FFirstRow) + step;
                ++passed;
            }
        }
    }
    return pixels;
}

int TGxCustomGridControl::RowOfScrollPosition() const {
    const int count = RowCount(), target = VertScrollBar()->Position();
    int h = 0;
    if (UniformRows(h)) return std::clamp(target, 0, count);
    int row = 0;
    for (int passed = 0; passed < target && row < count; ++row)
        if (RowVisible(row)) ++passed;
    return row;
}

void TGxCustomGridControl::UpdateHorzScrollBar() {
    TGxScrollBar* bar = HorzScrollBar();
    if (FGridStyle == gsSlides) {
        bar->SetVisible(false);
        return;
    }
    int total = 0;
    for (int i = 0; i < FColumns->Count(); ++i)
        if (FColumns->Item(i)->Visible()) total += FColumns->Item(i)->Width();
    if (FOptions.Contains(goIndicator)) total += kIndicatorWidth;
    const int cw = ClientWidth();
    const int large = bar->PageSize() - 10;
    const int pos = bar->GetTrackPosition();
    const int metric = QApplication::style() ? QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent) : 16;
    const bool show = ClientHeight() > metric && cw + 1 < total;
    if (!show) {
        // Nothing to scroll: the columns come back to their place.
        bar->SetValues(0, cw + 1, bar->LargeChange());
        if (bar->Position() != 0) bar->SetPosition(0);
        bar->SetVisible(false);
        return;
    }
    bar->SetValues(total, cw + 1, large);
    bar->SetVisible(true);
    bar->SetPosition(pos);
}

void TGxCustomGridControl::UpdateVertScrollBar() {
    TGxScrollBar* bar = VertScrollBar();
    const int count = RowCount();
    int v = GetVisibleRows();
    if (count == 1) v = 0;
    const TRect body = GetBodyRect();
    const int room = body.Height();
    int fit = 0, sum = 0;
    for (int i = FFirstRow; i < count; ++i) {
        if (!RowVisible(i)) continue;
        sum += GetActualRowHeight(i) + FGridSpace[lpTopBottom];
        if (sum > room) break;
        ++fit;
    }
    bar->BeginUpdate();
    if (fit < v) {
        bar->SetValues(v, fit + 1, fit + 1);
        bar->SetVisible(bar->CanBeVisible());
    } else {
        bar->SetValues(0, bar->PageSize(), bar->LargeChange());
        bar->SetVisible(!bar->AutoHide());
    }
    bar->EndUpdate();
    // The position counts visible rows above FirstRow; set without moving any row.
    if (fit + 1 >= v) {
        bar->SetManualScroll(true);
        bar->SetPosition(CountVisibleRows(0, FFirstRow));
        bar->SetManualScroll(false);
    }
}

// --- editing

void TGxCustomGridControl::WriteEditingCell(const QString& Value) { SetCells(FEditingCell.X, FEditingCell.Y, Value); }

void TGxCustomGridControl::EditorChanged() {
    if (!FInplaceEditUpdate && FInplaceEdit) DoEdit(FEditingCell.X, FEditingCell.Y, FInplaceEdit->Text());
}

void TGxCustomGridControl::EditorFocusChanged() {
    if (!IsGridFocused()) Invalidate();
}

void TGxCustomGridControl::EditorExited() {
    // The editor is part of the grid: focus leaving both is the grid being left.
    QWidget* now = QApplication::focusWidget();
    if (now && HandleAllocated() && (now == Widget() || Widget()->isAncestorOf(now))) {
        EditorFocusChanged();
        return;
    }
    if (now) DoExit();
    else EditorFocusChanged();
}

void TGxCustomGridControl::EditorKeyDown(Word& Key, TShiftState Shift) {
    if (Key == VK_TAB) {
        ApplyEditing();
        EndEditing();
    } else if (Key == VK_RETURN && !Shift.Contains(ssCtrl)) {
        if (FGridState.Contains(gtEdit)) {
            TGxCustomColumn* c = FColumns->Exists(FEditingCell.X) ? FColumns->Item(FEditingCell.X) : nullptr;
            if (!c || !c->ColumnStyle().Contains(csWantReturns)) {
                ApplyEditing();
                EndEditing();
                SetFocusIfOnForm(this);
            }
        } else if (FGridState.Contains(gtInput)) {
            const int inputing = FInputingColumn;
            ApplyEditing();
            AddRowFromInput();
            if (inputing != -1 && FInplaceEdit && FColumns->Exists(inputing))
                FInplaceEdit->SetText(FColumns->Item(inputing)->GetInputValue());
        }
    } else if (Key == VK_ESCAPE) {
        if (FOptions.Contains(goEscClearEdit)) {
            if (FInplaceEdit) FInplaceEdit->Clear();
        } else {
            EndEditing();
            SetFocusIfOnForm(this);
        }
    }
    KeyDown(Key, Shift);
}

void TGxCustomGridControl::DetachEditorEvents() {
    // The editor belongs to its column: only our handlers leave with it.
    if (!FInplaceEdit || !FEditorEventsAssigned) return;
    FEditorEventsAssigned = false;
    FInplaceEdit->OnChange = nullptr;
    FInplaceEdit->OnEnter = nullptr;
    FInplaceEdit->OnExit = nullptr;
    FInplaceEdit->OnKeyDown = nullptr;
    FInplaceEdit->OnKeyPress = nullptr;
    FInplaceEdit->OnKeyUp = nullptr;
}

void TGxCustomGridControl::AssignEditorEvents() {
    TGxCustomEdit* e = FInplaceEdit;
    if (!e) return;
    FEditorEventsAssigned = true;
    e->OnChange = [this](TObject*) { EditorChanged(); };
    e->OnEnter = [this](TObject*) { EditorFocusChanged(); };
    e->OnExit = [this](TObject*) { EditorExited(); };
    // Each handler only forwards: the grid may drop the handlers while one of them runs.
    e->OnKeyDown = [this](TObject*, Word& Key, TShiftState Shift) { EditorKeyDown(Key, Shift); };
    e->OnKeyPress = [this](TObject*, QChar& Key) { EditorKeyPress(Key); };
    e->OnKeyUp = [this](TObject*, Word& Key, TShiftState Shift) { EditorKeyUp(Key, Shift); };
}

namespace {
void PlaceCaret(TGxCustomEdit* E, TGxCustomColumn* C) {
    if (C->Options().Contains(coEditorAutoSelect))
        E->SelectAll();
    else
        E->SetSelStart(E->Text().length());
}
} // namespace

void TGxCustomGridControl::AttachEditor(TGxCustomColumn* Column, int ACol, int ARow, bool Input) {
    // An editor supplied by the application keeps its own look, and its own events when asked to.
    if (Column->InplaceEdit()) {
        SetInplaceEdit(Column->InplaceEdit());
        if (!FOptions.Contains(goInplaceEditEvents)) AssignEditorEvents();
        return;
    }
    SetInplaceEdit(Column->Editor());
    AssignEditorEvents();
    Column->BeginEditing();
    FInplaceEdit->SetEditorUpdating(false);
    if (Input) {
        FInplaceEdit->SetColor(Column->Color());
        FInplaceEdit->SetAutoSelect(false);
        FInplaceEdit->Font()->SetColor(Column->Font()->Color());
    } else {
        FInplaceEdit->SetColor(GetCellColor(ACol, ARow));
        FInplaceEdit->SetFont(Column->Font());
    }
    FInplaceEdit->BeginEditing();
}

TGxCustomColumn* TGxCustomGridControl::OpenCellEditor(int ACol, int ARow) {
    if (FGridState.Contains(gtEdit) && FEditingCell == TPoint(ACol, ARow)) return nullptr;
    if (!CellBounds(ACol, ARow)) return nullptr;
    TGxCustomColumn* column = FColumns->Item(ACol);
    if (!column->ColumnState().Contains(ceEditable) || FReadOnly || !CanEdit()) return nullptr;
    if (!column->InplaceEdit() && !column->Editor()) return nullptr;
    bool accept = true;
    DoBeforeEdit(ACol, ARow, accept);
    if (!accept) return nullptr;
    ApplyEditing();
    EndEditing();
    if (FGridState.Contains(gtEdit) || FGridState.Contains(gtInput)) return nullptr; // the old editor refused to close
    FGridState.Include(gtEdit);
    FEditingCell = TPoint(ACol, ARow);
    AttachEditor(column, ACol, ARow, false);
    return column;
}

void TGxCustomGridControl::EditCell(int ACol, int ARow, const QString& AText) {
    TGxCustomColumn* column = OpenCellEditor(ACol, ARow);
    if (!column) return;
    QString text = AText.isEmpty() ? GetCells(ACol, ARow) : AText;
    if (AText.isEmpty()) FInplaceEditUpdate = true;
    DoApplyEditText(ACol, ARow, text);
    FInplaceEdit->SetText(text);
    EditorStarted();
    UpdateEditorPosition();
    column->UpdateEdit();
    FInplaceEditUpdate = false;
    if (!FInplaceEdit) return;
    PlaceCaret(FInplaceEdit, column);
    DoEditEnter();
}

void TGxCustomGridControl::StartEdit(int ACol, int ARow, QChar Key) {
    if (!OpenCellEditor(ACol, ARow)) return;
    // Off before the editor takes the focus: selecting all on focus would swallow the typed
    // character into a selection that the next key replaces.
    FInplaceEdit->SetAutoSelect(false);
    UpdateEditorPosition();
    FInplaceEdit->PressKey(Key);
    if (!FInplaceEdit) return;
    FInplaceEdit->SetAutoSelect(true);
    EditorStarted();
    FInplaceEditUpdate = false;
    FInplaceEdit->SetSelStart(FInplaceEdit->Text().length());
    DoEditEnter();
}

void TGxCustomGridControl::InputColumn(TGxCustomColumn* Column, const QString& Value) {
    if (!Column) return;
    SetInputSelected(true);
    SetSelectedColumn(Column->Index());
    if (FGridState.Contains(gtEdit) || FGridState.Contains(gtInput)) {
        ApplyEditing();
        EndEditing();
    }
    if (!Column->InplaceEdit() && !Column->Editor()) return;
    if (!Column->ColumnState().Contains(ceCanInput) || FReadOnly) return;
    FGridState.Include(gtInput);
    AttachEditor(Column, Column->Index(), -1, true);
    FInputingColumn = Column->Index();
    Column->SetInput(true);
    FInplaceEditUpdate = true;
    FInplaceEdit->SetText(Value.isEmpty() ? Column->InputValue() : Value);
    Column->UpdateEdit();
    FInplaceEditUpdate = false;
    FEditingCell = TPoint(Column->Index(), -1);
    UpdateEditorPosition();
    if (FInplaceEdit) PlaceCaret(FInplaceEdit, Column);
    DoInputSelectCell(Column->Index());
}

void TGxCustomGridControl::StartInput(int Index, QChar Key) {
    if (!FColumns->Exists(Index)) return;
    TGxCustomColumn* column = FColumns->Item(Index);
    SetInputSelected(true);
    SetSelectedColumn(Index);
    if (FGridState.Contains(gtEdit) || FGridState.Contains(gtInput)) {
        ApplyEditing();
        EndEditing();
    }
    if (!column->InplaceEdit() && !column->Editor()) return;
    if (!column->ColumnState().Contains(ceCanInput) || FReadOnly) return;
    FGridState.Include(gtInput);
    AttachEditor(column, column->Index(), -1, true);
    FInputingColumn = Index;
    column->SetInput(true);
    FEditingCell = TPoint(-1, -1);
    if (FInplaceEdit) FInplaceEdit->SetAutoSelect(false);
    UpdateEditorPosition();
    FInplaceEditUpdate = true;
    if (FInplaceEdit) FInplaceEdit->PressKey(Key);
    FInplaceEditUpdate = false;
    if (FInplaceEdit) FInplaceEdit->SetSelStart(FInplaceEdit->Text().length());
    DoInputSelectCell(Index);
}

bool TGxCustomGridControl::ApplyEditing() {
    if (FGridState.Contains(gtEdit)) {
        if (!FInplaceEdit) return false;
        bool accept = true;
        FInplaceEdit->ApplyEditing();
        QString text = FInplaceEdit->Text();
        if (FColumns->Exists(FEditingCell.X)) FColumns->Item(FEditingCell.X)->ApplyEditing();
        DoEditAccept(FEditingCell.X, FEditingCell.Y, text, accept);
        if (RowCount() == 0 || FEditingCell.Y < 0 || FEditingCell.Y >= RowCount()) return false;
        if (!accept) return false;
        DoEditText(FEditingCell.X, FEditingCell.Y, text);
        WriteEditingCell(text);
        DoAfterEdit(FEditingCell.X, FEditingCell.Y, text);
        return true;
    }
    if (FGridState.Contains(gtInput)) {
        if (!FInplaceEdit || !FColumns->Exists(FInputingColumn)) return false;
        FInplaceEdit->ApplyEditing();
        const QString text = FInplaceEdit->Text();
        TGxCustomColumn* c = FColumns->Item(FInputingColumn);
        c->ApplyEditing();
        c->SetInputValue(text);
        c->SetInput(false);
        return true;
    }
    return false;
}

void TGxCustomGridControl::EndEditing() {
    if (FGridState.Contains(gtEdit) && FInplaceEdit) {
        QString text = FInplaceEdit->AsString();
        bool accept = true;
        DoEndEditing(FEditingCell.X, FEditingCell.Y, text, accept);
        FInplaceEdit->SetAsString(text);
        if (!accept) return;
    }
    if (FInplaceEdit) {
        // A hidden editor would pass its focus on to the next control, out of the grid.
        if (FInplaceEdit->Focused() && HandleAllocated() && Widget()->isVisible())
            Widget()->setFocus(Qt::OtherFocusReason);
        FInplaceEdit->Hide();
        if (FGridState.Contains(gtEdit))
            RefreshCell(FEditingCell.X, FEditingCell.Y);
        else if (FGridState.Contains(gtInput) && FColumns->Exists(FInputingColumn))
            InvalidateArea(GetInputCellRect(FInputingColumn));
    }
    const bool wasEditing = FGridState.Contains(gtEdit);
    FGridState.Exclude(gtEdit);
    FGridState.Exclude(gtInput);
    FEditingCell = TPoint(-1, -1);
    if (FInputingColumn != -1) {
        if (FColumns->Exists(FInputingColumn)) FColumns->Item(FInputingColumn)->SetInput(false);
        FInputingColumn = -1;
    }
    DetachEditorEvents();
    FInplaceEdit = nullptr;
    if (wasEditing) DoEditExit();
}

void TGxCustomGridControl::AddRowFromInput() {
    bool accept = true;
    DoInputAccept(accept);
    if (!accept) return;
    AddRow(1);
    const int last = RowCount() - 1;
    for (int i = 0; i < FColumns->Count(); ++i) {
        TGxCustomColumn* c = FColumns->Item(i);
        const QString value = c->InputValue().isEmpty() ? c->DefaultValue() : c->InputValue();
        if (!value.isEmpty()) SetCells(i, last, value);
        c->SetInputValue(QString());
    }
    DoInputAdded();
}

void TGxCustomGridControl::UpdateEditorPosition() {
    if (!FInplaceEdit) return;
    const TRect body = GetBodyRect();
    TRect r;
    if (FGridState.Contains(gtEdit)) {
        if (!CellBounds(FEditingCell.X, FEditingCell.Y)) return;
        r = GetCellRect(FEditingCell.X, FEditingCell.Y);
        FColumns->Item(FEditingCell.X)->AdjustEditRect(r);
        ExcludeGrid(r);
        if (!FOptions.Contains(goGrid)) r.Right -= 1;
        if (r.Top < body.Top) {
            FInplaceEdit->Hide();
            return;
        }
        if (r.Left < body.Left) r.Left = body.Left;
    } else if (FGridState.Contains(gtInput)) {
        if (!FColumns->Exists(FInputingColumn)) return;
        r = GetInputCellRect(FInputingColumn);
    } else {
        return;
    }
    r = TRect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1);
    r.Left = std::max(r.Left, 0);
    if (r.Left < body.Left) r.Right = body.Left;
    FInplaceEdit->Hide();
    FInplaceEdit->SetBoundsRect(r);
    FInplaceEdit->Show();
    if (CanFocus() && FInplaceEdit->CanFocus()) FInplaceEdit->SetFocus();
    // Focus handlers may have ended the edit meanwhile.
    if (FInplaceEdit) FInplaceEdit->Invalidate();
}

// --- rows

void TGxCustomGridControl::SetRowCount(int Value) {
    if (Value < 0) return;
    const int count = RowCount();
    if (Value > count) {
        AddRow(Value - count);
        return;
    }
    for (int i = count; i > Value; --i) DeleteRow(RowCount() - 1);
}

void TGxCustomGridControl::SetRowVisible(int Index, bool Value) {
    if (Value) {
        FFirstVisibleRow = std::min(FFirstVisibleRow, Index);
        FLastVisibleRow = std::max(FLastVisibleRow, Index);
        return;
    }
    if (Index == FFirstVisibleRow) FFirstVisibleRow = GetNextVisibleRow(Index);
    FLastVisibleRow = GetPrevVisibleRow(FLastVisibleRow);
}

void TGxCustomGridControl::InsertRow(int Pos, int Count) {
    EndEditing();
    if (Pos < FFirstVisibleRow) FFirstVisibleRow = Pos;
    if (VertScrollBar()->Position() == 0) FFirstRow = FFirstVisibleRow;
}

void TGxCustomGridControl::MoveRow(int FromPos, int ToPos) {
    Invalidate();
    EndEditing();
}

int TGxCustomGridControl::GetShownRowCount() const {
    return RowCount() > 0 && FColumns->Count() > 0 ? GetVisibleRows() : 0;
}

void TGxCustomGridControl::GetChildren(const TGetChildProc& Proc, TComponent*) {
    if (!Proc) return;
    for (int i = 0; i < FColumns->Count(); ++i) Proc(FColumns->Item(i));
}
