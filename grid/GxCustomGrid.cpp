// The pointer side of the interactive grid: hit tests, column and row sizing and moving, clicks,
// header sorting, hover, hints and the wheel. Keys, search and window notifications are in
// GxCustomGridKeyboard.cpp.

#include "grid/GxCustomGrid.h"

#include "platform/rtl/Exceptions.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"

#include <QCursor>
#include <QWidget>

#include <algorithm>
#include <cstdlib>

namespace {

void RegisterGridCursors() {
    if (!Screen) return;
    if (!Screen->HasCursor(crHorzSplit)) Screen->SetCursors(crHorzSplit, QCursor(Qt::SplitHCursor));
    if (!Screen->HasCursor(crColumnNoDrag)) Screen->SetCursors(crColumnNoDrag, QCursor(Qt::ForbiddenCursor));
    if (!Screen->HasCursor(crVertSplit)) Screen->SetCursors(crVertSplit, QCursor(Qt::SplitVCursor));
    if (!Screen->HasCursor(crIndicatorSelect))
        Screen->SetCursors(crIndicatorSelect, QCursor(Qt::PointingHandCursor));
}

// Area rectangles lose their last pixel column and row before the test.
bool InShrunk(const TRect& R, const TPoint& P) {
    return P.X >= R.Left && P.X < R.Right - 1 && P.Y >= R.Top && P.Y < R.Bottom - 1;
}

void SetScreenCursor(TCursor C) {
    if (Screen) Screen->SetCursor(C);
}

} // namespace

TGxCustomGrid::TGxCustomGrid(TComponent* AOwner) : TGxCustomGridControl(AOwner) {
    RegisterGridCursors();
    FMouseDownCell = TPoint(-1, -1);
    FMouseDownColumn = nullptr;
    SetParentColor(false);
    SetColor(clWindow);
    TControlStyle style = ControlStyle();
    style.Include(csDoubleClicks);
    style.Include(csReplicatable);
    style.Include(csGestures);
    SetControlStyle(style);

    FColumnDragBox = new TColumnDragBox(this);
    FColumnDragBox->OnDragBoxDrop = [this](TObject* Sender, int X, int Y) { ColumnDragBoxDrop(Sender, X, Y); };
    FColumnDragBox->OnDragBoxMove = [this](TObject* Sender, int X, int Y) { ColumnDragBoxMove(Sender, X, Y); };
    FDownDragArrow = new TDragArrow(this);
    FUpDragArrow = new TDragArrow(this);

    FSearchTimer = std::make_unique<TTimer>(nullptr);
    FSearchTimer->SetEnabled(false);
    FSearchTimer->SetInterval(700);
    FSearchTimer->OnTimer = [this](TObject* Sender) { SearchTimerTick(Sender); };
}

TGxCustomGrid::~TGxCustomGrid() {
    // The timer goes first so that no tick reaches a half-destroyed grid.
    FSearchTimer.reset();
    if (TGxColumns* columns = Columns()) {
        columns->OnChange = nullptr;
        columns->OnRepaint = nullptr;
        columns->OnColumnChange = nullptr;
    }
    if (FHintWindow) FHintWindow->ReleaseHandle();
}

void TGxCustomGrid::InitWidget() {
    TGxCustomGridControl::InitWidget();
    FDownDragArrow->SetArrowKind(akDown);
    FUpDragArrow->SetArrowKind(akUp);
    HorzScrollBar()->SetLargeChange(10);
    HorzScrollBar()->SetSmallChange(5);
    VertScrollBar()->SetLargeChange(10);
    FOldWidth = ClientWidth();
    FOldHeight = ClientHeight();
    if (QWidget* w = Widget()) w->grabGesture(Qt::PanGesture);
}

// --- virtual operations

bool TGxCustomGrid::PrepareCellPlay(int ACol, int ARow, bool FireBeforeEdit, const TRect& CellRect) {
    bool accept = true;
    if (FireBeforeEdit) DoBeforeEdit(ACol, ARow, accept);
    if (!accept) return false;
    TGxCustomColumn* column = Columns()->Item(ACol);
    TColumnPlay* play = column->Play();
    if (!play) return false;
    play->Col = ACol;
    play->Row = ARow;
    play->Canvas = Canvas();
    if (play->Canvas) play->Canvas->SetFont(*column->Font());
    LoadCellPlay(play);
    play->ClientRect = CellRect;
    play->OnChange = [this](TObject* Sender) { CellPlayChange(Sender); };
    play->OnExpand = [this](TObject* Sender) { CellPlayExpand(Sender); };
    return true;
}

void TGxCustomGrid::LoadCellPlay(TColumnPlay*) {
    throw EAbstractError(QStringLiteral("Abstract error: LoadCellPlay is not implemented by this grid"));
}

void TGxCustomGrid::CreateHintWindow() {
    if (FHintWindow) return;
    FHintWindow = new THintWindow(this);
    FHintWindow->SetColor(Application ? Application->HintColor() : clInfoBk);
}

// --- hit tests

int TGxCustomGrid::ColumnOffset(const TGxCustomColumn* Column) const {
    return Column->Position() < FFixedCols ? 0 : HPos();
}

TGridArea TGxCustomGrid::GetGridAreaAtPos(const TPoint& Point) {
    if (FGridStyle == gsSlides) {
        if (FOptions.Contains(goHeader) && InShrunk(GetHeaderRect(), Point)) return gaHeader;
        return gaBody;
    }
    if (FOptions.Contains(goHeader) && InShrunk(GetHeaderRect(), Point)) return gaHeader;
    if (FOptions.Contains(goInput) && InShrunk(GetInputRect(), Point)) return gaInput;
    if (InShrunk(GetBodyRect(), Point)) return gaBody;
    if (FOptions.Contains(goFooter) && InShrunk(GetFooterRect(), Point)) return gaFooter;
    if (FOptions.Contains(goIndicator) && InShrunk(GetIndicatorRect(), Point)) return gaIndicator;
    return gaNone;
}

TGxCustomColumn* TGxCustomGrid::GetColumnAtPos(const TPoint& Point) {
    for (int p = 0; p < FColumns->Count(); ++p) {
        TGxCustomColumn* c = FColumns->PositionItem(p);
        if (!c || !c->Visible()) continue;
        const int off = ColumnOffset(c);
        if (c->Left() - off <= Point.X && Point.X <= c->Left() + c->Width() - off) return c;
    }
    return nullptr;
}

TGxCustomColumn* TGxCustomGrid::GetColumnSizeGripAtPos(int X, int) {
    for (int p = 0; p < FColumns->Count(); ++p) {
        TGxCustomColumn* c = FColumns->PositionItem(p);
        if (!c || !c->Visible() || c->Options().Contains(coFixedSize)) continue;
        if (c->Position() >= FFixedCols && X < GetFixedWidth()) continue;
        const int r = c->Left() + c->Width() - ColumnOffset(c);
        if (r - 3 <= X && X <= r + 2) return c;
    }
    return nullptr;
}

int TGxCustomGrid::GetRowAtPos(int X, int Y) {
    TRect body = GetBodyRect();
    body.Left = 0;
    if (!body.Contains(TPoint(X, Y))) return -1;
    return GetRowAtPos(Y);
}

int TGxCustomGrid::GetRowAtPos(int Y) {
    int top = GetBodyRect().Top;
    for (int i = FFirstRow, n = RowCount(); i < n; ++i) {
        if (!RowVisible(i)) continue;
        const int bottom = top + RowHeight(i) + GridSpace(lpTop);
        if (bottom >= Y) return i;
        top = bottom + GridSpace(lpBottom);
    }
    return -1;
}

int TGxCustomGrid::GetRowSizeGripAtPos(int X, int Y) {
    const TRect body = GetBodyRect();
    if (Y < body.Top || X > kIndicatorWidth) return -1;
    int b = body.Top;
    for (int i = FFirstRow, n = RowCount(); i < n; ++i) {
        if (!RowVisible(i)) continue;
        b += RowHeight(i) + GridSpace(lpTop) + GridSpace(lpBottom);
        if (b - 3 < Y && Y < b + 1) return i;
        if (b - 3 >= Y) break;
    }
    return -1;
}

int TGxCustomGrid::GetSlideAtPos(int, int Y) {
    int top = GetBodyRect().Top;
    if (Y < top) return FFirstRow;
    const int n = RowCount();
    for (int i = FFirstRow; i < n; ++i) {
        if (!RowVisible(i)) continue;
        const int b = top + GridSpace(lpTop) + FSlideSize;
        if (Y <= b) return i;
        top = b + GridSpace(lpBottom);
    }
    return n;
}

TPoint TGxCustomGrid::GetCellAtPos(const TPoint& APoint) {
    if (FGridStyle == gsSlides) {
        const int row = GetSlideAtPos(APoint.X, APoint.Y);
        const int t = GetSlideTop(row);
        for (int i = 0; i < FColumns->Count(); ++i) {
            const TGxSlideBounds* b = FColumns->Item(i)->SlideBounds();
            const int y = APoint.Y - t;
            if (b->Left() <= APoint.X && APoint.X < b->Left() + b->Width() && b->Top() <= y && y < b->Top() + b->Height())
                return TPoint(i, row);
        }
        return TPoint(-1, row);
    }
    TGxCustomColumn* c = GetColumnAtPos(APoint);
    return TPoint(c ? c->Index() : -1, GetRowAtPos(APoint.X, APoint.Y));
}

int TGxCustomGrid::GetNearestPosition(TGxCustomColumn* Column, const TPoint& Point) {
    int result = Column->Position();
    TGxCustomColumn* prev = nullptr;
    for (int p = 0; p < FColumns->Count(); ++p) {
        TGxCustomColumn* c = FColumns->PositionItem(p);
        if (!c || (!c->Visible() && c != Column)) continue;
        if (!prev) prev = c;
        const int off = ColumnOffset(c);
        const int left = c->Left() - off, right = c->Left() + c->Width() - off;
        if (left <= Point.X && Point.X <= right) {
            if (c != Column) {
                if (Point.X > right - c->Width() / 2) {
                    result = c->Position();
                    if (result <= Column->Position()) ++result;
                } else {
                    result = c->Position();
                    if (Column->Position() <= result) result = prev->Position();
                }
            }
            if (result < FFixedCols || left >= GetFixedWidth()) return result;
            return Column->Position();
        }
        prev = c;
    }
    return Column->Position();
}

int TGxCustomGrid::GetNearestRow(int, int Y) {
    const TRect body = GetBodyRect();
    if (Y < body.Top) return -1;
    int top = body.Top;
    for (int i = FFirstRow; top < body.Bottom && RowExist(i); ++i) {
        if (!RowVisible(i)) continue;
        const int h = FGridStyle == gsSlides ? FSlideSize : RowHeight(i);
        const int step = h + GridSpace(lpTopBottom);
        if (top < Y && Y <= top + step) return Y <= top + h / 2 ? i : i + 1;
        top += step;
    }
    return -1;
}

bool TGxCustomGrid::IsTextFit(int ACol, int ARow) {
    TGxCustomColumn* column = FColumns->Item(ACol);
    TColumnDisplay* display = column->Display();
    TCanvas* canvas = Canvas();
    display->Canvas = canvas;
    display->ClientRect = GetCellRect(ACol, ARow);
    display->Level = GetRowLevel(ARow);
    const TCellState state = GetCellState(ACol, ARow);
    QString text = GetDrawText(ACol, ARow);
    DoApplyCell(ACol, ARow, text);
    FormatCell(ACol, ARow, state, text);
    display->AsString = text;
    TFont font;
    font.Assign(*column->Font());
    if (state.Contains(csBoldTextSelection)) {
        TFontStyles styles = font.Style();
        styles.Include(fsBold);
        font.SetStyle(styles);
    }
    canvas->SetFont(font);
    const int available = FGridStyle == gsSlides ? column->SlideWidth() : column->Width();
    return available >= display->GetContentWidth() + 5;
}

// --- hints and arrows

bool TGxCustomGrid::ParentFormActive() const {
    TCustomForm* form = GetParentForm(const_cast<TGxCustomGrid*>(this));
    return form && form->Active();
}

void TGxCustomGrid::HintAt(const TPoint& ClientPoint, int MaxWidth, const QString& Text) {
    TRect r = FHintWindow->CalcHintRect(MaxWidth, Text);
    const TPoint p = ClientToScreen(ClientPoint);
    r = Bounds(p.X, p.Y, r.Width(), r.Height());
    FHintWindow->ActivateHint(r, Text);
}

void TGxCustomGrid::ShowColumnHint(int X, int Y, const QString& Text) {
    if (!ParentFormActive() || !Application || !Application->ShowHint()) return;
    CreateHintWindow();
    HintAt(TPoint(X, Y), ClientWidth(), Text);
}

void TGxCustomGrid::ShowTextFitHint(int ACol, int ARow) {
    if (!ParentFormActive()) return;
    CreateHintWindow();
    FHintPosition = hpTextFit;
    QString text = GetHintText(ACol, ARow);
    DoApplyCell(ACol, ARow, text);
    if (text.isEmpty()) {
        FHintWindow->ReleaseHandle();
        return;
    }
    const TRect cell = GetCellRect(ACol, ARow);
    HintAt(TPoint(cell.Left, cell.Top), ClientWidth(), text);
}

void TGxCustomGrid::ShowCellHint(int ACol, int ARow, const QString& Text) {
    if (!ParentFormActive() || !Application || !Application->ShowHint()) return;
    CreateHintWindow();
    FHintPosition = hpCellHint;
    TGxCustomColumn* column = FColumns->Item(ACol);
    const TRect cell = GetCellRect(ACol, ARow);
    const int x = std::min(cell.Left + (FGridStyle == gsSlides ? column->SlideWidth() : column->Width()), ClientWidth());
    HintAt(TPoint(x, cell.Top - 20), 250, Text);
}

void TGxCustomGrid::HideHint() {
    if (FHintWindow) FHintWindow->ReleaseHandle();
}

void TGxCustomGrid::HideArrows() {
    FDownDragArrow->Hide();
    FUpDragArrow->Hide();
}

void TGxCustomGrid::UpdateArrows(int CurPosition, int NewPosition, bool UseSelf) {
    if (IsDesigning()) return;
    TGxCustomColumn* target = FColumns->PositionItem(NewPosition);
    TGxCustomColumn* moved = FColumns->PositionItem(CurPosition);
    if (!target || !moved) return;
    int x;
    if (CurPosition == NewPosition) {
        if (!UseSelf) {
            HideArrows();
            return;
        }
        x = target->Left();
    } else if (moved->Visible()) {
        if (NewPosition > CurPosition)
            x = target->Location() == clMiddle || target->Location() == clRightSide ? target->Left() + target->Width()
                                                                                    : target->Left();
        else
            x = target->Left();
    } else {
        x = NewPosition > CurPosition ? target->Left() + target->Width() : target->Left();
    }
    TPoint p = ClientToScreen(TPoint(x, 0));
    if (NewPosition >= FFixedCols) p.X -= HPos();
    FDownDragArrow->SetScreenBounds(p.X - 4, p.Y - 12, 9, 9);
    FUpDragArrow->SetScreenBounds(p.X - 4, p.Y + FHeaderSize - 1, 9, 9);
    FDownDragArrow->Show();
    FUpDragArrow->Show();
}

void TGxCustomGrid::DragCanceled() {
    if (FCanDeselect) {
        SelectCell(FSelectedColumn, FSelectedRow, {}, true, false);
        FCanDeselect = false;
    }
}

// --- guide lines, drawn as overlays at the end of the next paint

void TGxCustomGrid::DrawVertGuide(int Id, int X) {
    TGridOverlay o;
    o.Kind = okLine;
    o.Rect = TRect(X, 0, X, ClientHeight());
    o.Colour = clBlack;
    ShowOverlay(Id, o);
}

void TGxCustomGrid::DrawHorzGuide(int Y) {
    TGridOverlay o;
    o.Kind = okLine;
    o.Rect = TRect(0, Y, ClientWidth(), Y);
    o.Colour = clBlack;
    ShowOverlay(kRowGuide, o);
}

// --- mouse

void TGxCustomGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGxCustomGridControl::MouseDown(Button, Shift, X, Y);
    FMouseDownPoint = TPoint(X, Y);
    FMouseDownCell = GetCellAtPos(FMouseDownPoint);
    if (Shift.Contains(ssDouble)) {
        // The grip under the pointer, even when no move came between the clicks.
        if (!FSizeReadyColumn && FOptions.Contains(goHeader) && GetHeaderRect().Contains(FMouseDownPoint))
            FSizeReadyColumn = GetColumnSizeGripAtPos(X, Y);
        if (FSizeReadyColumn && FSizeReadyColumn->ColumnStyle().Contains(csFitToLargest)) {
            BestFitColumn(FSizeReadyColumn->Index(), bfCells, true);
            FSizeReadyColumn = nullptr;
        } else {
            switch (GetGridAreaAtPos(FMouseDownPoint)) {
            case gaBody:
                if (CellBounds(FMouseDownCell.X, FMouseDownCell.Y)) DoCellDblClick(FMouseDownCell.X, FMouseDownCell.Y);
                break;
            case gaHeader:
                if (TGxCustomColumn* c = GetColumnAtPos(FMouseDownPoint)) DoHeaderDblClick(c->Index());
                break;
            case gaIndicator:
                if (FOptions.Contains(goRowResizing)) {
                    const int row = GetRowSizeGripAtPos(X, Y);
                    if (RowExist(row)) BestFitRow(row);
                }
                break;
            default: break;
            }
        }
        FMouseDownPoint = TPoint(-1, -1);
        return;
    }
    if (!IsDesigning() && Visible() && Enabled()) SetFocusIfOnForm(this);
    if (FColumns->Count() == 0 || (Button != mbLeft && Button != mbRight)) return;
    if (Button == mbLeft && FOptions.Contains(goHeader) && GetHeaderRect().Contains(TPoint(X, Y)))
        FSizeProgressColumn = GetColumnSizeGripAtPos(X, Y);
    if (FSizeProgressColumn) {
        FGridState.Include(gtColumnResizing);
        FSizeDelta = 0;
        int x = FSizeProgressColumn->Left();
        if (FSizeProgressColumn->Position() >= FFixedCols) x -= HPos();
        FLeftResizingGuide = FSizeProgressColumn->Index() == 0 ? x : x - 1;
        FRightResizingGuide = x + FSizeProgressColumn->Width() - 1;
        DrawVertGuide(kLeftGuide, FLeftResizingGuide);
        DrawVertGuide(kRightGuide, FRightResizingGuide);
        return;
    }
    switch (GetGridAreaAtPos(TPoint(X, Y))) {
    case gaBody: BodyMouseDown(Button, Shift, X, Y); return;
    case gaHeader:
        if (!IsDesigning() && Button == mbLeft) {
            FMouseDownColumn = GetColumnAtPos(TPoint(X, Y));
            if (FMouseDownColumn && FMouseDownColumn->Options().Contains(coCanClick)) {
                FGridState.Include(gtColumnHeaderDown);
                FFocusedColumn = FMouseDownColumn;
                RefreshColumn(FMouseDownColumn, gaHeader);
            } else {
                FMouseDownColumn = nullptr;
            }
        }
        break;
    case gaIndicator:
        if (FOptions.Contains(goRowResizing) && GetRowSizeGripAtPos(X, Y) != -1) {
            FResizingRow = GetRowSizeGripAtPos(X, Y);
            FRowSizingPos = TPoint(X, Y);
            DrawHorzGuide(Y);
        } else {
            SetSelectedRow(GetRowAtPos(X, Y));
        }
        break;
    case gaNone:
        ApplyEditing();
        EndEditing();
        ClickOutside();
        break;
    default: break;
    }
    if (FGridState.Contains(gtIndicatorMouseDown)) BodyMouseDown(Button, Shift, X, Y);
}

void TGxCustomGrid::BodyMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (FGridState.Contains(gtEdit) || FGridState.Contains(gtInput)) {
        const bool input = FGridState.Contains(gtInput);
        ApplyEditing();
        if (input) AddRowFromInput();
        EndEditing();
    }
    if (FGridStyle == gsReport) SetInputSelected(false);
    int col = FMouseDownCell.X, row = FMouseDownCell.Y;
    FClickOnSelected = FMouseDownCell == TPoint(FSelectedColumn, SelectedRow());
    bool deselect = Button == mbLeft;
    if (MultiSelect()) {
        if (Button == mbLeft && RowExist(row) && Selected(row) && FGridState.Contains(gtRowMoving)) {
            deselect = false;
            FCanDeselect = true;
        } else if (Button == mbRight && RowExist(row) && !Selected(row)) {
            deselect = true;
            FCanDeselect = true;
        }
    }
    if (!RowExist(row)) return;
    FMouseDownRow = row;
    if (row < 0 || row >= RowCount()) row = SelectedRow();
    if (col < 0 || col >= FColumns->Count()) col = FSelectedColumn;
    if (FColumns->Exists(col)) {
        TGxCustomColumn* column = FColumns->Item(col);
        if (column->Play() && (column->Editing() || column->ColumnStyle().Contains(csClickable)) && RowExist(row)) {
            const TRect cell = GetCellRect(col, row);
            if (!FReadOnly && PrepareCellPlay(col, row, true, cell))
                column->Play()->MouseDown(Button, Shift, X - cell.Left, Y - cell.Top);
        }
    }
    SelectCell(col, row, Shift, deselect, false);
    if (FGridStyle == gsReport) {
        if (FColumns->Exists(col) && GetCellRect(col, row).Bottom > GetBodyRect().Bottom) ScrollToRow(row);
    } else if (GetSlideRect(row).Bottom > GetBodyRect().Bottom) {
        VertScrollBar()->Next();
    }
}

void TGxCustomGrid::LeaveHoverCell() {
    const TPoint h = FHoverCell;
    if (FColumns->Exists(h.X) && RowExist(h.Y))
        if (TColumnPlay* play = FColumns->Item(h.X)->Play()) play->MouseLeave();
}

void TGxCustomGrid::SetHoverColumn(TGxCustomColumn* Column) {
    if (Column == FHoverColumn) return;
    TGxCustomColumn* old = FHoverColumn;
    FHoverColumn = Column;
    if (FCurrentStyleDisplay && FCurrentStyleDisplay->StyleDisplayAttributes().Contains(sdaHoverEnabled)) {
        if (Column) RefreshColumn(Column, gaHeader);
        if (old) RefreshColumn(old, gaHeader);
    }
}

void TGxCustomGrid::MouseMove(TShiftState Shift, int X, int Y) {
    TGxCustomGridControl::MouseMove(Shift, X, Y);
    const TPoint prevOver = FMouseOverCell;
    FMouseOverCell = TPoint(-1, -1);
    if (FColumns->Count() == 0 || ViewState().Contains(vsRolling)) return;
    if (FSizeProgressColumn) {
        FGridState.Include(gtColumnResizing);
        const int off = ColumnOffset(FSizeProgressColumn);
        const int left = FSizeProgressColumn->Left(), width = FSizeProgressColumn->Width();
        FSizeDelta = X - (left + width) + off;
        if (width + FSizeDelta < FSizeProgressColumn->MinWidth()) FSizeDelta = FSizeProgressColumn->MinWidth() - width;
        FRightResizingGuide = left + width + FSizeDelta - 1 - off;
        DrawVertGuide(kRightGuide, FRightResizingGuide);
        return;
    }
    if (FOptions.Contains(goRowResizing) && FResizingRow != -1) {
        const int y = std::max(Y, GetRowTop(FResizingRow) + 8);
        FRowSizingPos = TPoint(X, y);
        DrawHorzGuide(y);
        return;
    }
    const TGridArea area = GetGridAreaAtPos(TPoint(X, Y));
    if (area == gaHeader) {
        HeaderMouseMove(Shift, X, Y);
    } else {
        if (FHintPosition == hpHeader) HideHint();
        FHeaderHintColumn = nullptr;
        FSizeReadyColumn = nullptr;
        SetHoverColumn(nullptr);
    }
    if (area == gaFooter) {
        FooterMouseMove(X, Y);
    } else {
        if (FHintPosition == hpFooter) HideHint();
        FFooterHintColumn = nullptr;
    }
    if (area == gaBody) {
        BodyMouseMove(Shift, X, Y, prevOver);
    } else {
        if (FHintPosition == hpTextFit || FHintPosition == hpCellHint) {
            HideHint();
            FHintPosition = hpNone;
        }
        LeaveHoverCell();
        FHoverCell = TPoint(-1, -1);
    }
    if (area == gaIndicator) {
        if (FOptions.Contains(goRowResizing) && GetRowSizeGripAtPos(X, Y) != -1) {
            SetCursor(crVertSplit);
        } else {
            const TRect body = GetBodyRect();
            int bottom = body.Top;
            for (int i = FFirstRow, n = RowCount(); i < n && bottom < body.Bottom; ++i)
                if (RowVisible(i)) bottom += GetActualRowHeight(i) + GridSpace(lpTopBottom);
            SetCursor(Y > body.Top && Y < bottom ? crIndicatorSelect : crDefault);
        }
    } else if (area == gaNone) {
        HideHint();
        FHintPosition = hpNone;
        SetCursor(crDefault);
    }
}

void TGxCustomGrid::HeaderMouseMove(TShiftState Shift, int X, int Y) {
    if (IsDesigning()) return;
    FSizeReadyColumn = GetColumnSizeGripAtPos(X, Y);
    SetCursor(FSizeReadyColumn ? crHorzSplit : crDefault);
    if (FMouseDownColumn && Shift.Contains(ssLeft) && !FMouseDownColumn->Options().Contains(coDisableMoving) &&
        !FOptions.Contains(goDisableColumnMoving)) {
        if (std::abs(X - FMouseDownPoint.X) > 3 || std::abs(Y - FMouseDownPoint.Y) > 3) {
            FGridState.Include(gtColumnMoving);
            TGxCustomColumn* column = FMouseDownColumn;
            FDragColumn = column;
            FDragDropColumn = column;
            FColumnDragBox->SetFont(Font());
            TPoint p(column->Left() - ColumnOffset(column), 0);
            p = ClientToScreen(p);
            FColumnDragBox->SetScreenBounds(p.X, p.Y, column->Width(), FHeaderSize);
            const TPoint s = ClientToScreen(TPoint(X, Y));
            FColumnDragBox->Show(s.X, s.Y, column, false);
        }
        return;
    }
    TGxCustomColumn* c = GetColumnAtPos(TPoint(X, Y));
    if (c && !c->Header()->Hint().isEmpty()) {
        if (c != FHeaderHintColumn) {
            FHintPosition = hpHeader;
            FHeaderHintColumn = c;
            ShowColumnHint(c->AbsoluteLeft(), FHeaderSize + 2, c->Header()->Hint());
        }
    } else {
        if (FHintPosition == hpHeader) HideHint();
        FHeaderHintColumn = nullptr;
    }
    SetHoverColumn(c);
}

void TGxCustomGrid::FooterMouseMove(int X, int Y) {
    TGxCustomColumn* c = GetColumnAtPos(TPoint(X, Y));
    if (c && !c->Footer()->Hint().isEmpty()) {
        if (c != FFooterHintColumn) {
            FHintPosition = hpFooter;
            FFooterHintColumn = c;
            ShowColumnHint(c->AbsoluteLeft(), ClientHeight() + 2, c->Footer()->Hint());
        }
    } else {
        HideHint();
        FFooterHintColumn = nullptr;
    }
}

void TGxCustomGrid::BodyMouseMove(TShiftState Shift, int X, int Y, const TPoint& PrevOverCell) {
    FMouseOverCell = GetCellAtPos(TPoint(X, Y));
    if (FMouseOverCell != FHoverCell) LeaveHoverCell();
    FHoverCell = FMouseOverCell;
    const int col = FMouseOverCell.X, row = FMouseOverCell.Y;
    const bool valid = col >= 0 && col < FColumns->Count() && row >= 0 && row < RowCount();
    if (valid && FColumns->Item(col)->Play() && !FReadOnly) {
        const TRect cell = GetCellRect(col, row);
        if (PrepareCellPlay(col, row, false, cell)) FColumns->Item(col)->Play()->MouseMove(Shift, X - cell.Left, Y - cell.Top);
    }
    if (FMouseDownRow != -1 && FOptions.Contains(goRowMoving) && Shift.Contains(ssLeft) &&
        !FGridState.Contains(gtRowMoving) &&
        (std::abs(X - FMouseDownPoint.X) > 5 || std::abs(Y - FMouseDownPoint.Y) > 5)) {
        FGridState.Include(gtRowMoving);
        SetScreenCursor(crDrag);
    }
    if (FGridState.Contains(gtRowMoving)) {
        FOldRowPosition = FMoveRow;
        FMoveRow = GetNearestRow(X, Y);
        if (FMoveRow != FOldRowPosition) {
            EraseRowMoveMarker();
            if (FMoveRow == FFirstRow)
                VertScrollBar()->Prior();
            else if (FMoveRow == GetRowAtVisibleOffset(GetVisibleCount(false)) + 1)
                VertScrollBar()->Next();
            DrawRowMoveMarker(FMoveRow);
        }
    }
    if (!valid) {
        SetCursor(crDefault);
        FHintPosition = hpNone;
        HideHint();
        return;
    }
    if (FMouseOverCell == FEditingCell) {
        HideHint();
        return;
    }
    TGxCustomColumn* column = FColumns->Item(col);
    SetCursor(column->Cursor());
    if (FMouseOverCell == PrevOverCell) return;
    if (column->Options().Contains(coShowTextFitHint) && !IsTextFit(col, row)) {
        ShowTextFitHint(col, row);
        return;
    }
    QString hint;
    GetCellHint(col, row, hint);
    if (!hint.isEmpty()) {
        ShowCellHint(col, row, hint);
    } else {
        FHintPosition = hpNone;
        HideHint();
    }
}

void TGxCustomGrid::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGxCustomGridControl::MouseUp(Button, Shift, X, Y);
    TGxCustomColumn* pressed = FMouseDownColumn;
    FMouseDownColumn = nullptr;
    FMouseDownPoint = TPoint(-1, -1);
    if (FGridState.Contains(gtRowMoving)) {
        int target = GetNearestRow(X, Y);
        if (target < 0) {
            EraseRowMoveMarker();
        } else {
            if (target > FMouseDownRow) --target;
            if (DoRowMove(FMouseDownRow, target) && FMouseDownRow != -1) {
                const int from = FMouseDownRow;
                MoveRow(from, target);
                DoAfterRowMove(from, target);
                SetSelectedRow(target);
            }
            EraseRowMoveMarker();
        }
        FGridState.Exclude(gtRowMoving);
        SetScreenCursor(crDefault);
    }
    FMouseDownRow = -1;
    FGridState.Exclude(gtColumnHeaderDown);
    FGridState.Exclude(gtIndicatorMouseDown);
    if (FSizeProgressColumn && FGridState.Contains(gtColumnResizing)) {
        TGxCustomColumn* column = FSizeProgressColumn;
        FSizeProgressColumn = nullptr;
        FSizeReadyColumn = nullptr;
        FGridState.Exclude(gtColumnResizing);
        HideOverlay(kLeftGuide);
        HideOverlay(kRightGuide);
        column->SetWidth(column->Width() + FSizeDelta);
        return;
    }
    FSizeProgressColumn = nullptr;
    FGridState.Exclude(gtColumnResizing);
    if (FResizingRow != -1) {
        HideOverlay(kRowGuide);
        const int row = FResizingRow;
        FResizingRow = -1;
        SetRowHeight(row, FRowSizingPos.Y - GetRowTop(row));
    }
    if (FFocusedColumn) {
        TGxCustomColumn* focused = FFocusedColumn;
        FFocusedColumn = nullptr;
        DoHeaderClick(focused->Index());
        RefreshColumn(focused, gaHeader);
    }
    if (Button != mbLeft) {
        EndEditing();
        return;
    }
    switch (GetGridAreaAtPos(TPoint(X, Y))) {
    case gaBody:
        if (!IsDesigning()) BodyMouseUp(Button, Shift, X, Y);
        break;
    case gaFooter:
        if (TGxCustomColumn* c = GetColumnAtPos(TPoint(X, Y))) DoFooterClick(c->Index());
        break;
    case gaHeader:
        if (!IsDesigning()) {
            TGxCustomColumn* c = GetColumnAtPos(TPoint(X, Y));
            if (c && c == pressed && c->Options().Contains(coCanSort)) {
                if (!c->Sorted())
                    c->SetSorted(true);
                else
                    c->SetSortKind(c->SortKind() == skAscending ? skDescending : skAscending);
            }
        }
        break;
    case gaInput:
        if (!IsDesigning()) InputColumn(GetColumnAtPos(TPoint(X, Y)), QString());
        break;
    default:
        if (FGridState.Contains(gtMultiSelect)) ClearSelection();
        break;
    }
}

void TGxCustomGrid::BodyMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    const TPoint cell = GetCellAtPos(TPoint(X, Y));
    bool same = false;
    if (cell.X >= 0 && cell.Y >= 0 && cell.Y < RowCount()) {
        same = cell == FMouseDownCell;
        if (same) DoCellClick(cell.X, cell.Y);
    }
    if (cell.X < 0 || cell.X >= FColumns->Count()) return;
    if (FGridState.Contains(gtMultiSelect)) {
        if (cell.Y == -1) ClearSelection();
        return;
    }
    if (!same || !CellBounds(cell.X, cell.Y)) return;
    TGxCustomColumn* column = FColumns->Item(cell.X);
    TRect r = GetCellRect(cell.X, cell.Y);
    if (column->Play() && (column->Editing() || column->ColumnStyle().Contains(csClickable)) && RowExist(cell.Y) &&
        !FReadOnly && PrepareCellPlay(cell.X, cell.Y, true, r))
        column->Play()->MouseUp(Button, Shift, X - r.Left, Y - r.Top);
    column->AdjustEditRect(r);
    if (r.Contains(TPoint(X, Y)) && (!FOptions.Contains(goSecondClickEdit) || FClickOnSelected) && CanEdit())
        EditCell(cell.X, cell.Y, QString());
}

// --- column dragging

TRect TGxCustomGrid::DropRect() {
    return TRect(0, 0, std::min(GetHeaderRect().Right, ClientWidth()), GetBodyRect().Top);
}

void TGxCustomGrid::ColumnDragBoxMove(TObject*, int X, int Y) {
    TGxCustomColumn* column = FDragColumn;
    if (!column) return;
    const TPoint p = ScreenToClient(TPoint(X, Y));
    if (DropRect().Contains(p)) {
        const int target = GetNearestPosition(column, p);
        if (!FOptions.Contains(goLockFixedCols) || (target >= FFixedCols && column->Position() >= FFixedCols)) {
            TGxCustomColumn* at = FColumns->PositionItem(target);
            if (at && at->Visible()) UpdateArrows(column->Position(), target, false);
            SetScreenCursor(crDefault);
            return;
        }
    }
    HideArrows();
    SetScreenCursor(crColumnNoDrag);
}

void TGxCustomGrid::ColumnDragBoxDrop(TObject*, int X, int Y) {
    SetScreenCursor(crDefault);
    TGxCustomColumn* column = FDragColumn;
    FDragColumn = nullptr;
    if (column) {
        const TPoint p = ScreenToClient(TPoint(X, Y));
        if (DropRect().Contains(p)) {
            const int target = GetNearestPosition(column, p);
            if (!FOptions.Contains(goLockFixedCols) || (target >= FFixedCols && column->Position() >= FFixedCols))
                FColumns->ChangePosition(column->Position(), target);
        } else if (FOptions.Contains(goCanHideColumn)) {
            column->SetVisible(false);
        }
        RefreshColumn(column, gaHeader);
    }
    FMouseDownColumn = nullptr;
    FFocusedColumn = nullptr;
    FDragDropColumn = nullptr;
    FMouseDownPoint = TPoint(-1, -1);
    HideArrows();
    FGridState.Exclude(gtColumnMoving);
}

// --- row moving marker

int TGxCustomGrid::RowMarkerY(int Index, int& Right) {
    const TRect r = FGridStyle == gsSlides ? GetSlideRect(Index) : GetRowRect(Index);
    Right = r.Right;
    return Index == FFirstRow ? r.Top : r.Top - 1;
}

void TGxCustomGrid::DrawRowMoveMarker(int Index) {
    if (Index < 0) return;
    int right = 0;
    const int y = RowMarkerY(Index, right);
    // Shown as a red line across the rows; the arrows at both ends fit in the same band.
    TGridOverlay o;
    o.Kind = okLine;
    o.Rect = TRect(0, y, right, y);
    o.Colour = clRed;
    o.Width = 3;
    ShowOverlay(kRowMarker, o);
}

void TGxCustomGrid::EraseRowMoveMarker() {
    HideOverlay(kRowMarker);
}

// --- wheel and gestures

bool TGxCustomGrid::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
    const bool result = TGxCustomGridControl::DoMouseWheelDown(Shift, MousePos);
    if (!result || FGridState.Contains(gtEdit)) return result;
    TGxScrollBar* v = VertScrollBar();
    TGxScrollBar* h = HorzScrollBar();
    if (v->Max() > 0 && v->Position() < v->Max()) {
        if (Shift.Contains(ssCtrl))
            v->PageDown();
        else
            v->Next();
    } else if (FGridStyle == gsReport && h->Max() > 0 && !v->Visible()) {
        if (Shift.Contains(ssCtrl))
            h->PageDown();
        else
            h->Next();
    }
    return result;
}

bool TGxCustomGrid::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
    const bool result = TGxCustomGridControl::DoMouseWheelUp(Shift, MousePos);
    if (!result || FGridState.Contains(gtEdit)) return result;
    TGxScrollBar* v = VertScrollBar();
    TGxScrollBar* h = HorzScrollBar();
    if (v->Max() > 0) {
        if (Shift.Contains(ssCtrl))
            v->PageUp();
        else
            v->Prior();
    } else if (FGridStyle == gsReport && h->Max() > 0) {
        if (Shift.Contains(ssCtrl))
            h->PageUp();
        else
            h->Prior();
    }
    return result;
}

void TGxCustomGrid::PanGesture(const TPoint& Location, bool Begin) {
    if (!Begin) {
        VertScrollBar()->SetPosition(VertScrollBar()->Position() + FPanPoint.Y - Location.Y);
        HorzScrollBar()->SetPosition(HorzScrollBar()->Position() + FPanPoint.X - Location.X);
    }
    FPanPoint = Location;
}

// The grid's settings and events as forms and scripts see them.
KORVEL_CLASS_INFO(TGxCustomGrid) {
    using G = TGxCustomGrid;
    b.Prop("AutoScroll", &G::AutoScroll, &G::SetAutoScroll).Default(false);
    b.Prop("FixedCols", &G::FixedCols, &G::SetFixedCols).Default(0);
    b.Prop("FooterSize", &G::FooterSize, &G::SetFooterSize).Default(18);
    b.Prop("HeaderSize", &G::HeaderSize, &G::SetHeaderSize).Default(18);
    b.Prop("InputSize", &G::InputSize, &G::SetInputSize).Default(16);
    b.Prop("ReadOnly", &G::ReadOnly, &G::SetReadOnly).Default(false);
    b.Prop("RowSize", &G::RowSize, &G::SetRowSize).Default(16);
    b.Prop("SlideSize", &G::SlideSize, &G::SetSlideSize).Default(80);
    b.Prop("TabLeaveControl", &G::TabLeaveControl, &G::SetTabLeaveControl).Default(true);
    b.Prop("WantReturns", &G::WantReturns, &G::SetWantReturns).Default(false);
    b.Prop("WantTabs", &G::WantTabs, &G::SetWantTabs).Default(false);
    b.Event("OnCellClick", &G::OnCellClick, "TCellEvent");
    b.Event("OnCellDblClick", &G::OnCellDblClick, "TCellEvent");
    b.Event("OnFooterClick", &G::OnFooterClick, "THeaderClickEvent");
    b.Event("OnHeaderClick", &G::OnHeaderClick, "THeaderClickEvent");
    b.Event("OnHeaderDblClick", &G::OnHeaderDblClick, "THeaderClickEvent");
    b.Event("OnSelectCell", &G::OnSelectCell, "TCellEvent");
    b.Event("OnColumnResize", &G::OnColumnResize, "TColumnResizeEvent");
    b.Event("OnSortColumn", &G::OnSortColumn, "TSortColumnEvent");
}
