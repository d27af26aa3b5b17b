// The key side of the interactive grid: navigation keys, typed characters (editing start, Enter,
// type-ahead), keys coming back from the in-place editor, text search, and the window's size,
// scroll, focus, activation and font notifications.

#include "grid/GxCustomGrid.h"

#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"

#include <QApplication>
#include <QGesture>
#include <QGestureEvent>
#include <QGuiApplication>
#include <QWidget>

#include <algorithm>

// --- keys

void TGxCustomGrid::KeyDown(Word& Key, TShiftState Shift) {
    TGxCustomGridControl::KeyDown(Key, Shift);
    HandleKeyDown(Key, Shift);
}

void TGxCustomGrid::HandleKeyDown(Word& Key, TShiftState Shift) {
    if (FOptions.Contains(goDisableKeys)) return;
    const bool editing = FGridState.Contains(gtEdit) || FGridState.Contains(gtInput);
    if (editing) {
        switch (Key) {
        case VK_END:
        case VK_HOME:
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN: return;
        default: break;
        }
    }
    TShiftState modifiers;
    if (Shift.Contains(ssShift)) modifiers.Include(ssShift);
    if (Shift.Contains(ssCtrl)) modifiers.Include(ssCtrl);
    if (Shift.Contains(ssAlt)) modifiers.Include(ssAlt);
    switch (Key) {
    case VK_TAB:
        if (Shift.Contains(ssShift))
            MoveToPrevCell(true);
        else
            MoveToNextCell(true);
        break;
    case VK_PRIOR:
        if (VertScrollBar()->IsFirst()) {
            SelectFirstRow({});
        } else {
            const int n = GetVisibleCount(false);
            if (SelectedRow() > FFirstRow) {
                SetSelectedRow(FFirstRow);
            } else {
                MoveSelectionBy(-n);
                ScrollToRow(SelectedRow());
            }
        }
        break;
    case VK_NEXT:
        // On the last page PageDown goes to the last row, as PageUp on the first page goes
        // to the first; the view is already at its end.
        if (VertScrollBar()->IsLast()) {
            if (RowExist(LastVisibleRow())) SetSelectedRow(LastVisibleRow());
        } else {
            const int n = GetVisibleCount(false);
            if (SelectedRow() < FFirstRow + n - 1) {
                SetSelectedRow(GetRowAtVisibleOffset(n));
            } else if (SelectedRow() + n > RowCount()) {
                SelectLastRow({});
            } else {
                MoveSelectionBy(n);
                ScrollToRow(SelectedRow());
            }
        }
        break;
    case VK_END:
        // The range grows only with Shift; a plain End moves the focus and keeps one row.
        if (Shift.Contains(ssShift)) SelectKeyRange(Shift, SelectedRow(), RowCount() - 1);
        if (FHomeEndBehaviour == hebTopBottom) {
            if (FColumns->Exists(FSelectedColumn)) SelectLastRow(modifiers);
        } else {
            SelectLastColumn();
        }
        break;
    case VK_HOME:
        if (Shift.Contains(ssShift)) SelectKeyRange(Shift, 0, SelectedRow());
        if (FHomeEndBehaviour == hebTopBottom) {
            if (FColumns->Exists(FSelectedColumn)) SelectFirstRow(modifiers);
        } else {
            SelectFirstColumn();
        }
        break;
    case VK_LEFT:
        if (!FInputSelected && FOptions.Contains(goSelectFullRow) && !FAppearanceOptions.Contains(aoIndicateSelectedCell))
            HorzScrollBar()->Prior();
        else
            MoveSelectionLeft(mkArrows);
        break;
    case VK_RIGHT:
        if (!FInputSelected && FOptions.Contains(goSelectFullRow) && !FAppearanceOptions.Contains(aoIndicateSelectedCell))
            HorzScrollBar()->Next();
        else
            MoveSelectionRight(mkArrows);
        break;
    case VK_UP: MoveSelectionUp(modifiers); break;
    case VK_DOWN: MoveSelectionDown(modifiers, false, false); break;
    case 'A':
        if (Shift.Contains(ssCtrl)) SelectAll();
        break;
    default: break;
    }
}

void TGxCustomGrid::SelectKeyRange(TShiftState, int From, int To) {
    if (From == To || !MultiSelect()) return;
    FGridState.Include(gtMultiSelect);
    for (int i = std::max(0, std::min(From, To)); i <= To && i < RowCount(); ++i)
        if (RowVisible(i)) SetSelected(i, true);
}

void TGxCustomGrid::KeyPress(QChar& Key) {
    TGxCustomGridControl::KeyPress(Key);
    if (FGridState.Contains(gtEdit) || FGridState.Contains(gtInput) || FOptions.Contains(goDisableKeys)) return;
    if (Key.isNull() || Key == QChar(27)) return;
    if (Key == QChar(13) && FWantReturns) {
        if (!FInputSelected) {
            switch (FSelectionMoveDirection) {
            case mdUp: MoveSelectionUp({}); break;
            case mdDown: MoveSelectionDown({}, false, false); break;
            case mdLeft: MoveSelectionLeft(mkEnter); break;
            case mdRight: MoveSelectionRight(mkEnter); break;
            case mdNone: break;
            }
        } else if (FInputEnterMode == imAllways) {
            ApplyEditing();
            if (FInplaceEdit) FInplaceEdit->Clear();
            AddRowFromInput();
            if (FInputingColumn != -1 && FInplaceEdit) {
                FInplaceEdit->SetText(FColumns->Item(FInputingColumn)->InputValue());
                FInplaceEdit->SelectAll();
            }
        }
    }
    if (!FColumns->Exists(FSelectedColumn) || !(FInputSelected || RowExist(SelectedRow()))) return;
    TGxCustomColumn* column = FColumns->Item(FSelectedColumn);
    if (column->Play() && !FReadOnly && !FInputSelected &&
        (column->Editing() || column->ColumnStyle().Contains(csClickable))) {
        if (PrepareCellPlay(FSelectedColumn, SelectedRow(), true, GetCellRect(FSelectedColumn, SelectedRow())))
            column->Play()->KeyPress(Key);
    }
    if (Key == QChar(13) || Key == QChar(9)) return;
    if (column->IsKeyValid(Key)) {
        if (FInputSelected)
            StartInput(FSelectedColumn, Key);
        else
            StartEdit(FSelectedColumn, SelectedRow(), Key);
    }
    TGxCustomColumn* search = GetSearchColumn();
    if (!FInputSelected && !column->Editing() && search && RowCount() > 0) {
        FSearchTimer->SetEnabled(false);
        FSearchTimer->SetEnabled(true);
        FSearchBuffer += Key;
        // A longer word that still fits the current row keeps it; only a mismatch moves on.
        const int row = SelectedRow();
        const bool stays = FSearchBuffer.size() > 1 && RowExist(row) && RowVisible(row) &&
                           QString::compare(GetCells(search->Index(), row).left(FSearchBuffer.size()), FSearchBuffer,
                                            Qt::CaseInsensitive) == 0;
        if (!stays) SearchNext(search->Index(), FSearchBuffer, false);
    }
}

void TGxCustomGrid::SearchTimerTick(TObject*) {
    FSearchBuffer.clear();
    FSearchTimer->SetEnabled(false);
}

bool TGxCustomGrid::ChildKey(Word& Key, TWinControl* Sender) {
    TGxCustomEdit* editor = dynamic_cast<TGxCustomEdit*>(Sender);
    if (!editor || editor->Parent() != this) return TGxCustomGridControl::ChildKey(Key, Sender);
    // Once the editor is closed nothing it still sends is for it.
    if (FInplaceEdit != editor) return true;
    if (Key >= VK_LEFT && Key <= VK_DOWN && editor->CanDispatchKey(Key) && FOptions.Contains(goArrowKeyExitEditing)) {
        ApplyEditing();
        EndEditing();
        Word k = Key;
        KeyDown(k, {});
        return true;
    }
    // Tab belongs to the grid, never to the editor: close the edit and move on.
    if (Key == VK_TAB) {
        ApplyEditing();
        EndEditing();
        Word k = Key;
        KeyDown(k, ShiftStateFromQt(QGuiApplication::keyboardModifiers()));
        return true;
    }
    return false;
}

int TGxCustomGrid::DialogCode() const {
    int code = TGxCustomGridControl::DialogCode() | DLGC_WANTARROWS | DLGC_WANTCHARS;
    bool anyVisible = false;
    for (int i = 0; i < FColumns->Count() && !anyVisible; ++i) anyVisible = FColumns->Item(i)->Visible();
    if (FWantTabs && anyVisible && (RowCount() > 0 || FInputSelected))
        code |= DLGC_WANTTAB;
    else
        code &= ~DLGC_WANTTAB;
    return code;
}

// --- search

void TGxCustomGrid::FoundRow(int Row) {
    SetSelectedRow(Row);
    FLastFoundRow = Row;
    if (!IsUpdating()) ScrollToRow(Row);
}

bool TGxCustomGrid::SearchRange(int From, int To, const std::function<bool(int)>& Match) {
    for (int row = std::max(0, From); row <= To && row < RowCount(); ++row)
        if (Match(row)) return true;
    return false;
}

namespace {
bool TextMatches(const QString& Cell, const QString& S, TSearchOptions Options) {
    if (Options.Contains(soCaseInsensitive)) {
        if (Options.Contains(soExactMatch)) return QString::compare(Cell, S, Qt::CaseInsensitive) == 0;
        return Cell.toLower().contains(S.toLower());
    }
    if (Options.Contains(soExactMatch)) return Cell == S;
    return Cell.contains(S);
}
} // namespace

bool TGxCustomGrid::FindTextByRow(const std::vector<int>& ColumnList, TSearchOptions Options, const QString& S) {
    const int count = RowCount();
    if (count == 0) return false;
    int found = -1;
    auto match = [&](int row) {
        if (!Options.Contains(soSearchInvisible) && !RowVisible(row)) return false;
        for (int col : ColumnList) {
            if (col < 0 || col >= FColumns->Count()) break;
            if (TextMatches(GetCells(col, row), S, Options)) {
                found = row;
                return true;
            }
        }
        return false;
    };
    bool ok;
    if (Options.Contains(soFromSelected)) {
        ok = SearchRange(SelectedRow() + 1, count - 1, match);
        if (!ok && Options.Contains(soContinueFromTop)) ok = SearchRange(0, count - 1, match);
    } else {
        ok = SearchRange(0, count - 1, match);
    }
    if (ok) FoundRow(found);
    return ok;
}

bool TGxCustomGrid::FindText(int Index, const QString& S, TSearchOptions Options) {
    if (RowCount() == 0 || !FColumns->Exists(Index)) return false;
    return FindTextByRow({Index}, Options, S);
}

bool TGxCustomGrid::SearchNext(int Index, const QString& S, bool FromFirst) {
    const int count = RowCount();
    if (count == 0 || !FColumns->Exists(Index)) return false;
    int found = -1;
    auto match = [&](int row) {
        if (!RowVisible(row)) return false;
        if (QString::compare(GetCells(Index, row).left(S.size()), S, Qt::CaseInsensitive) != 0) return false;
        found = row;
        return true;
    };
    bool ok;
    if (FromFirst) {
        ok = SearchRange(0, count - 1, match);
    } else {
        ok = SearchRange(SelectedRow() + 1, count - 1, match);
        if (!ok) ok = SearchRange(0, SelectedRow(), match);
    }
    if (!ok) return false;
    SetSelectedRow(found);
    if (!IsUpdating()) ScrollToRow(found);
    return true;
}

bool TGxCustomGrid::SearchRow(const QString& S) {
    bool any = false;
    for (int i = 0; i < FColumns->Count(); ++i) any = SearchNext(i, S, false) || any;
    return any;
}

TGxCustomColumn* TGxCustomGrid::GetSearchColumn() const {
    for (int i = 0; i < FColumns->Count(); ++i)
        if (FColumns->Item(i)->Options().Contains(coSearchColumn)) return FColumns->Item(i);
    return nullptr;
}

// --- window notifications

void TGxCustomGrid::Resize() {
    const int h = ClientHeight(), w = ClientWidth();
    if (h != FOldHeight) {
        const int change = std::abs(h - FOldHeight);
        if (FGridStyle == gsReport && FOptions.Contains(goFooter)) {
            const TRect footer = GetFooterRect();
            RefreshArea(gaFooter);
            if (FOptions.Contains(goIndicator))
                InvalidateArea(TRect(0, footer.Top, kIndicatorWidth, footer.Bottom));
            InvalidateArea(TRect(0, footer.Top - change, w, footer.Top));
        } else if (FGridStyle == gsSlides) {
            InvalidateArea(TRect(0, h - change, w, h));
        }
        if (h > FOldHeight) {
            // Taller: bring rows above FirstRow back while the free space below holds them.
            const TRect body = GetBodyRect();
            for (int i = FFirstRow - 1; i >= 0; --i) {
                if (!RowVisible(i)) continue;
                int bottom = GetBodyRect().Top;
                for (int r = FFirstRow, n = RowCount(); r < n; ++r)
                    if (RowVisible(r)) bottom += GetActualRowHeight(r) + GridSpace(lpTopBottom);
                if (body.Bottom - bottom < GetActualRowHeight(i) + GridSpace(lpTopBottom)) break;
                const int before = FFirstRow;
                VertScrollBar()->MoveBy(-1);
                if (FFirstRow == before) break;
            }
        }
        FVertResizeKind = h > FOldHeight ? rkExpansion : rkShrink;
        FOldHeight = h;
        UpdateVertScrollBar();
    }
    if (w != FOldWidth) {
        if (HPos() >= 1)
            Invalidate();
        else
            InvalidateArea(TRect(std::min(w, FOldWidth) - (FGridStyle == gsSlides ? 3 : 0), 0, w, h));
        FColumns->AnchorSlides(FOldWidth, w);
        if (FGridStyle == gsSlides)
            FColumns->AutoSizeSlides(FOldWidth, w);
        else
            FColumns->ResizeColumns(nullptr, false);
        FOldWidth = w;
        UpdateHorzScrollBar();
        if (!FCaption.isEmpty() && GetVisibleRows() == 0) InvalidateArea(GetCaptionRect());
    }
    if (FGridState.Contains(gtEdit)) EndEditing();
    TGxCustomGridControl::Resize();
}

void TGxCustomGrid::WMHScroll(int ScrollCode, int Pos) {
    EndEditing();
    TGxCustomGridControl::WMHScroll(ScrollCode, Pos);
}

void TGxCustomGrid::WMVScroll(int ScrollCode, int Pos) {
    if (FGridState.Contains(gtEdit)) EndEditing();
    UpdateVertScrollBar();
    TGxCustomGridControl::WMVScroll(ScrollCode, Pos);
}

void TGxCustomGrid::DoExit() {
    // Focus passing into the grid's own editor does not leave the grid: the edit goes on.
    if (FInplaceEdit && FInplaceEdit->Widget()) {
        const QWidget* to = QApplication::focusWidget();
        if (to && (to == FInplaceEdit->Widget() || FInplaceEdit->Widget()->isAncestorOf(to))) return;
    }
    TGxCustomGridControl::DoExit();
}

void TGxCustomGrid::FocusLost() {
    TGxCustomGridControl::FocusLost();
    HideHint();
    FHintPosition = hpNone;
    FGridState.Exclude(gtColumnResizing);
    FGridState.Exclude(gtColumnHeaderDown);
    FGridState.Exclude(gtColumnMoving);
    FGridState.Exclude(gtRolling);
    FGridState.Exclude(gtRowMoving);
    HideOverlay(kLeftGuide);
    HideOverlay(kRightGuide);
    HideOverlay(kRowGuide);
    EraseRowMoveMarker();
    RefreshSelection();
    if (FGridStyle == gsSlides) {
        RefreshSelectedSlides();
        if (RowExist(SelectedRow())) RefreshSlide(SelectedRow(), false);
    }
    if (FOptions.Contains(goHeader) && FHoverColumn) RefreshColumn(FHoverColumn, gaHeader);
    FMouseDownRow = -1;
    FResizingRow = -1;
    FSizeProgressColumn = nullptr;
    FHoverColumn = nullptr;
    FMouseDownColumn = nullptr;
    FFocusedColumn = nullptr;
}

void TGxCustomGrid::FocusGained() {
    TGxCustomGridControl::FocusGained();
    if (RowCount() > 0) {
        RefreshSelection();
        if (FGridStyle == gsSlides) {
            RefreshSelectedSlides();
            if (RowExist(SelectedRow())) RefreshSlide(SelectedRow(), false);
        }
    } else if (FOptions.Contains(goInput)) {
        SetInputSelected(true);
        RefreshArea(gaInput);
    }
}

void TGxCustomGrid::ApplicationActivated(bool Active) {
    TGxCustomGridControl::ApplicationActivated(Active);
    if (!Active) {
        FMouseDownColumn = nullptr;
        FDragDropColumn = nullptr;
        FFocusedColumn = nullptr;
        FMouseDownPoint = TPoint(-1, -1);
        FMouseDownCell = TPoint(-1, -1);
        HideArrows();
        FColumnDragBox->Hide();
        SetCursor(crDefault);
    }
    RefreshSelection();
}

void TGxCustomGrid::MouseEnter() {
    TGxCustomGridControl::MouseEnter();
}

void TGxCustomGrid::MouseLeave() {
    EraseRowMoveMarker();
    HideHint();
    FHintPosition = hpNone;
    FHeaderHintColumn = nullptr;
    TGxCustomColumn* hover = FHoverColumn;
    FHoverColumn = nullptr;
    if (hover) RefreshColumn(hover, gaHeader);
    TGxCustomGridControl::MouseLeave();
}

void TGxCustomGrid::FontChanged() {
    TGxCustomGridControl::FontChanged();
    for (int i = 0; i < FColumns->Count(); ++i)
        if (FColumns->Item(i)->ParentFont()) FColumns->Item(i)->SetParentFont(true);
}

void TGxCustomGrid::ParentFontChanged() {
    TGxCustomGridControl::ParentFontChanged();
    if (!ParentFont()) return;
    for (int i = 0; i < FColumns->Count(); ++i)
        if (FColumns->Item(i)->ParentFont()) FColumns->Item(i)->SetParentFont(true);
}

// --- gestures

bool TGxCustomGrid::WidgetEvent(QEvent* e) {
    if (e->type() != QEvent::Gesture) return TGxCustomGridControl::WidgetEvent(e);
    const bool result = TGxCustomGridControl::WidgetEvent(e);
    auto* ge = static_cast<QGestureEvent*>(e);
    if (auto* pan = static_cast<QPanGesture*>(ge->gesture(Qt::PanGesture))) {
        // The pan's travel since it began stands for its location; only differences count.
        const QPointF at = pan->offset();
        PanGesture(TPoint(qRound(at.x()), qRound(at.y())), pan->state() == Qt::GestureStarted);
        ge->accept(pan);
        return true;
    }
    return result;
}
