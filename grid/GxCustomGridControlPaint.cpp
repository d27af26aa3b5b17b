// Painting of the grid control: the report and slides views, cells, grid lines, empty cells,
// the indicator column, the focus rectangle, header, input and footer parts, the caption when no
// row is shown, the border, and the overlays last.

#include "grid/GxCustomGridControl.h"

#include "grid/GxSharedCommon.h"
#include "grid/GxSharedDraw.h"
#include "grid/GxThemesSupport.h"

#include <QPainter>

#include <algorithm>

namespace {
bool Touches(const TRect& A, const TRect& B) {
    return A.Left <= B.Right && B.Left <= A.Right && A.Top <= B.Bottom && B.Top <= A.Bottom;
}
} // namespace

bool TGxCustomGridControl::Themed() const { return IsThemingAvailable() && FHeaderStyle == hsAuto; }

void TGxCustomGridControl::RestoreClip() {
    // Back to what the paint was asked to cover: never wider, so an exact refresh stays exact.
    Canvas()->SetClipRegion(FPaintClip);
}

void TGxCustomGridControl::Paint() {
    TCanvas& c = *Canvas();
    FPaintClip = c.ClipRegion();
    const int cw = ClientWidth(), ch = ClientHeight();
    const TRect body = GetBodyRect();
    if (FGridStyle == gsReport) {
        SetHorzScrollClipRect(TRect(body.Left + GetFixedWidth(), 0, cw, ch));
        SetVertScrollClipRect(TRect(0, body.Top, cw, body.Bottom));
        PaintReport();
        if (FColumns->ClientWidth() - HPos() < cw) {
            c.Brush().SetStyle(bsSolid);
            c.Brush().SetColor(Color());
            if (Themed()) {
                CurrentStyleDisplay()->SetCanvas(&c);
                if (FOptions.Contains(goHeader))
                    CurrentStyleDisplay()->DrawInactiveHeader(TRect(body.Right, 0, cw, GetHeaderRect().Bottom));
                c.Brush().SetColor(Color());
                c.FillRect(TRect(body.Right, FOptions.Contains(goHeader) ? FHeaderSize : 0, cw, ch));
            } else {
                c.FillRect(TRect(body.Right, 0, cw, ch));
            }
        }
    } else {
        if (FOptions.Contains(goHeader) && Themed()) {
            CurrentStyleDisplay()->SetCanvas(&c);
            CurrentStyleDisplay()->DrawInactiveHeader(TRect(FColumns->ClientWidth(), 0, cw, FHeaderSize));
        }
        SetHorzScrollClipRect(ClientRect());
        SetVertScrollClipRect(TRect(0, body.Top, cw, ch));
        PaintSlidesView();
    }
    if (GetVisibleRows() == 0) {
        c.SetFont(*Font());
        if (!Enabled()) c.Font().SetColor(clGrayText);
        c.Brush().SetStyle(bsClear);
        const TRect r = GetCaptionRect();
        const int x = r.Left + (r.Width() - c.TextWidth(FCaption)) / 2;
        c.TextRect(r, x, r.Top, FCaption);
        c.Brush().SetStyle(bsSolid);
    }
    DoPostDraw();
    RestoreClip();
    PaintOverlays(c);
}

void TGxCustomGridControl::PaintReport() {
    PaintRows();
    PaintColumnParts();
}

void TGxCustomGridControl::PaintSlidesView() {
    PaintSlidesHeader();
    PaintSlides();
}

// Skipping rules shared by the row loops: hidden, scrolled behind the fixed columns or outside.
bool TGxCustomGridControl::ColumnShown(int Position, int& Left) {
    TGxCustomColumn* column = FColumns->PositionItem(Position);
    const int offset = Position < FFixedCols ? 0 : HPos();
    Left = column->Left() - offset;
    if (!column->Visible()) return false;
    if (Position >= FFixedCols && Left + column->Width() < GetFixedWidth()) return false;
    if (Left > ClientWidth() || Left + column->Width() < 0) return false;
    return true;
}

void TGxCustomGridControl::PaintRows() {
    const TRect body = GetBodyRect();
    int y = body.Top, b = body.Top;
    FLastRow = FFirstRow;
    const int count = RowCount();
    const int columns = FColumns->Count();
    for (;;) {
        if (FLastRow < count) {
            if (RowVisible(FLastRow)) {
                const int h = RowHeight(FLastRow);
                for (int p = 0; p < columns; ++p) {
                    int left = 0;
                    if (!ColumnShown(p, left)) continue;
                    TGxCustomColumn* column = FColumns->PositionItem(p);
                    const TRect cell(left, y, left + column->Width(), y + h);
                    if (HidePartialRows() && b + FGridSpace[lpBottom] + h > body.Bottom)
                        DrawEmptyCell(column->Index(), FLastRow, cell);
                    else
                        DrawCell(column->Index(), FLastRow, cell);
                }
                if (FOptions.Contains(goIndicator)) {
                    const bool sel = FLastRow == SelectedRow() && !FInputSelected;
                    const bool hl = !FInputSelected && (Selected(FLastRow) || FLastRow == SelectedRow());
                    DrawIndicatorCell(FLastRow, sel, hl);
                }
                y += h + FGridSpace[lpBottom];
                b += h + FGridSpace[lpBottom];
            }
        } else {
            const int h = RowHeight(FLastRow);
            for (int p = 0; p < columns; ++p) {
                int left = 0;
                if (!ColumnShown(p, left)) continue;
                TGxCustomColumn* column = FColumns->PositionItem(p);
                DrawEmptyCell(column->Index(), FLastRow, TRect(left, y, left + column->Width(), y + h));
            }
            if (FOptions.Contains(goIndicator)) DrawIndicatorCell(FLastRow, false, false);
            y += h + FGridSpace[lpBottom];
            b += FRowSize + FGridSpace[lpBottom];
            // A row height of 0 past the end would never reach the bottom.
            if (h + FGridSpace[lpBottom] <= 0 && FRowSize + FGridSpace[lpBottom] <= 0) break;
        }
        ++FLastRow;
        if (b > body.Bottom) break;
    }
    if (FOptions.Contains(goSelectFullRow)) DrawFocusRectangle();
}

void TGxCustomGridControl::ExcludeGrid(TRect& CellRect) const {
    CellRect.Left += FGridSpace[lpLeft];
    CellRect.Right -= FGridSpace[lpRight];
}

void TGxCustomGridControl::ClipToCell(const TRect& R) {
    TRect clip(R.Left - FGridSpace[lpLeft], R.Top - FGridSpace[lpTop], R.Right + FGridSpace[lpRight],
               std::min(R.Bottom + FGridSpace[lpBottom], GetBodyRect().Bottom));
    // Within the area this paint covers.
    Canvas()->SetClipRegion(FPaintClip);
    Canvas()->IntersectClipRect(clip);
}

TRect TGxCustomGridControl::ScrollingClip(TGxCustomColumn* Column, TRect R) {
    if (Column->Position() >= FFixedCols) R.Left = std::max(R.Left, GetScrollRect().Left);
    return R;
}

void TGxCustomGridControl::DrawCellGrid(int ACol, int ARow, TColor GridColor, const TRect& R) {
    TCanvas& c = *Canvas();
    TPen& pen = c.Pen();
    pen.SetWidth(1);
    pen.SetStyle(psSolid);
    const bool framed = FGridLinesStyle == lsFramed;
    if (FGridSpace[lpBottom] > 0) {
        pen.SetColor(framed && ARow == RowCount() - 1 ? clBlack : GridColor);
        c.MoveTo(R.Left, R.Bottom);
        c.LineTo(R.Right + 1, R.Bottom);
    }
    if (FGridSpace[lpTop] > 0) {
        pen.SetColor(clBtnHighlight);
        c.MoveTo(R.Left, R.Top - 1);
        c.LineTo(R.Right + 1, R.Top - 1);
    }
    if (FGridSpace[lpLeft] > 0) {
        pen.SetColor(clBtnHighlight);
        c.MoveTo(R.Left, R.Top - 1);
        c.LineTo(R.Left, R.Bottom + 1);
    }
    if (FGridSpace[lpRight] > 0) {
        const bool black = framed && FColumns->Exists(ACol) && FColumns->Item(ACol)->Location() == clRightSide &&
                           ARow < RowCount();
        pen.SetColor(black ? clBlack : GridColor);
        c.MoveTo(R.Right - 1, R.Top - 1);
        c.LineTo(R.Right - 1, R.Bottom + 1);
    }
}

void TGxCustomGridControl::DrawCell(int ACol, int ARow, const TRect& CellRect) {
    if (!FColumns->Exists(ACol)) return;
    TGxCustomColumn* column = FColumns->Item(ACol);
    TCanvas& c = *Canvas();
    if (!column->Visible() || !Touches(CellRect, c.ClipRect())) return;
    SelectFont(c, *column->Font());
    TColor cellColor = GetActualCellColor(ACol, ARow);
    TColor gridColor = FGridLinesColor;
    TCellState state;
    TColumnDisplay* display = column->Display();
    if (IsCellHighlighted(ACol, ARow)) {
        state.Include(csSelected);
        if (FAppearanceOptions.Contains(aoBoldTextSelection)) state.Include(csBoldTextSelection);
        display->Highlighted = true;
    } else {
        display->Highlighted = false;
    }
    if (IsGridFocused() && !FAppearanceOptions.Contains(aoHideFocus)) state.Include(csFocused);
    DoCellColoring(ACol, ARow, cellColor, gridColor, state);
    if (column->Sorted() && !state.Contains(csSelected)) {
        if (FSortedStyle == soDarker)
            cellColor = BlendColors(clBlack, cellColor, 10);
        else if (FSortedStyle == soWhite)
            cellColor = TColor(0xFFFFFF);
    }
    ClipToCell(ScrollingClip(column, CellRect));
    if (FOptions.Contains(goGrid) && FGridStyle == gsReport) DrawCellGrid(ACol, ARow, gridColor, CellRect);
    TRect r = CellRect;
    ExcludeGrid(r);
    bool defaultDrawing = !(FAppearanceOptions.Contains(aoDontFillCells) || column->DrawingOptions() == doCustomOnly);
    DoDrawCellBackground(ACol, ARow, r, state, defaultDrawing);
    display->Handle = this;
    display->Canvas = &c;
    display->ClientRect = r;
    display->ImageIndex = GetRowImageIndex(ARow);
    display->HighlightedTextColor = FHighlightedTextColor;
    PrepareCellDisplay(ACol, ARow, display);
    if (FGridState.Contains(gtEdit) && FEditingCell == TPoint(ACol, ARow) && FInplaceEdit) {
        TRect e = GetEditorRect();
        column->AdjustEditRect(e);
        e = TRect(e.Left + 1, e.Top + 1, e.Right - 2, e.Bottom - 1);
        c.ExcludeClipRect(e);
    }
    if (defaultDrawing) display->PaintBackground(cellColor, true);
    display->Selected = ACol == FSelectedColumn && ARow == SelectedRow();
    display->ClientRect.Left += column->Padding();
    display->ClientRect.Right -= column->Padding();
    const TDrawingOptions drawing = column->DrawingOptions();
    if (drawing == doNormal || drawing == doCustom) {
        if (!IsCellHidden(ACol, ARow) && PrepareCellPaint(ACol, ARow, state)) display->Paint();
    }
    if (FAppearanceOptions.Contains(aoHintMarks)) {
        QString hint;
        GetCellHint(ACol, ARow, hint);
        if (!hint.isEmpty()) display->DrawHintMark();
    }
    if (drawing != doNormal) DoCustomDrawCell(column->Index(), ARow, r, state);
    if (!FOptions.Contains(goSelectFullRow) && ACol == FSelectedColumn && ARow == SelectedRow()) DrawFocusRectangle();
    RestoreClip();
}

bool TGxCustomGridControl::PrepareCellPaint(int ACol, int ARow, TCellState CellState) {
    if (!FColumns->Exists(ACol)) return false;
    TCanvas& c = *Canvas();
    SelectFont(c, *FColumns->Item(ACol)->Font());
    c.Font().SetColor(Enabled() ? GetActualCellFontColor(ACol, ARow) : clGrayText);
    if (CellState.Contains(csBoldTextSelection)) {
        TFontStyles style = c.Font().Style();
        style.Include(fsBold);
        c.Font().SetStyle(style);
    }
    return false;
}

void TGxCustomGridControl::DrawEmptyCell(int ACol, int ARow, const TRect& CellRect) {
    if (!FColumns->Exists(ACol)) return;
    TGxCustomColumn* column = FColumns->Item(ACol);
    TCanvas& c = *Canvas();
    if (!Touches(CellRect, c.ClipRect())) return;
    TColor colour = Color();
    if (FAppearanceOptions.Contains(aoIndicateSortedColumn) && column->Sorted())
        colour = BlendColors(clBlack, colour, 10);
    TColor gridColor =
        FGridLinesStyle == lsActiveRows || FGridLinesStyle == lsActiveHorzOnly ? colour : FGridLinesColor;
    TCellState state{csEmpty};
    ClipToCell(ScrollingClip(column, CellRect));
    DoCellColoring(ACol, ARow, colour, gridColor, state);
    if (FOptions.Contains(goGrid)) DrawCellGrid(ACol, ARow, gridColor, CellRect);
    TRect r = CellRect;
    ExcludeGrid(r);
    bool defaultDrawing = true;
    DoDrawCellBackground(ACol, ARow, r, state, defaultDrawing);
    c.Brush().SetStyle(bsSolid);
    c.Brush().SetColor(colour);
    if (defaultDrawing) c.FillRect(r);
    RestoreClip();
}

void TGxCustomGridControl::DrawFocusRectangle() {
    const int row = SelectedRow();
    if (FSelectedColumn < 0 || FSelectedColumn >= FColumns->Count() || row < FFirstRow || row >= RowCount()) return;
    const TRect body = GetBodyRect();
    TRect g, clip;
    if (FOptions.Contains(goSelectFullRow)) {
        const int top = GetRowTop(row);
        g = TRect(body.Left - HPos(), top, body.Left - HPos() + FColumns->ClientWidth(), top + RowHeight(row));
        g.Left -= FGridSpace[lpLeft];
        g.Right -= FGridSpace[lpRight];
        clip = g;
        clip.Left = body.Left;
    } else {
        TGxCustomColumn* column = FColumns->Item(FSelectedColumn);
        const TRect cell = GetCellRect(FSelectedColumn, row);
        g = cell;
        g.Left += FGridSpace[lpLeft];
        g.Right -= FGridSpace[lpRight];
        clip = ScrollingClip(column, cell);
        ExcludeGrid(clip);
    }
    if (FInputSelected || RowCount() < 1 || !IsGridFocused() || !TCalcProvider::IsRectInRect(g, body) ||
        FAppearanceOptions.Contains(aoHideFocus))
        return;
    TCanvas& c = *Canvas();
    const std::optional<QRegion> saved = c.ClipRegion();
    if (FOptions.Contains(goSelectFullRow))
        Canvas()->SetClipRegion(FPaintClip), c.IntersectClipRect(clip);
    else
        ClipToCell(clip);
    TGraphicsProvider::DrawFocused(c, g, FAppearanceOptions.Contains(aoAlphaBlendedSelection));
    c.SetClipRegion(saved);
}

void TGxCustomGridControl::DrawIndicatorCell(int Index, bool Selected, bool Highlighted) {
    const int top = GetRowTop(Index);
    const int h = RowExist(Index) ? RowHeight(Index) : FRowSize;
    const TRect r(0, top - FGridSpace[lpTop], kIndicatorWidth, top + h + FGridSpace[lpBottom]);
    TStyleDisplay* p = CurrentStyleDisplay();
    p->SetCanvas(Canvas());
    if (FIndicatorDrawingOptions == doNormal || FIndicatorDrawingOptions == doBackgroundOnly)
        p->DrawIndicator(r, Index, Selected, Highlighted);
    if (FIndicatorDrawingOptions == doNormal || FIndicatorDrawingOptions == doCustom)
        p->DrawIndicatorState(r, Selected, Highlighted);
    if (FIndicatorDrawingOptions != doNormal) DoCustomDrawIndicator(Index, r, Selected, Highlighted);
}

void TGxCustomGridControl::PreparePainter() {
    TStyleDisplay* p = CurrentStyleDisplay();
    p->SetEnableThemes(FEnableVisualStyles && IsThemingAvailable());
    p->SetCanvas(Canvas());
    SelectFont(*Canvas(), *Font());
}

void TGxCustomGridControl::PaintColumnParts() {
    TStyleDisplay* p = CurrentStyleDisplay();
    const int cw = ClientWidth();
    for (int pos = 0; pos < FColumns->Count(); ++pos) {
        TGxCustomColumn* column = FColumns->PositionItem(pos);
        const bool scrolling = pos >= FFixedCols;
        const int offset = scrolling ? HPos() : 0;
        if (cw < column->Left() - offset) break;
        if (!column->Visible() || (scrolling && column->Left() + column->Width() - offset < GetFixedWidth()) ||
            column->Left() < 0)
            continue;
        if (scrolling) {
            Canvas()->SetClipRegion(FPaintClip);
            Canvas()->IntersectClipRect(GetScrollRect());
        }
        PreparePainter();
        if (FOptions.Contains(goHeader)) {
            p->OnHeaderDraw = [this](TObject*, int Index, const TRect& R) { DoCustomDrawHeader(Index, R); };
            p->DrawHeader(column, column->GetMemberRect(ckHeader));
        }
        if (FOptions.Contains(goInput))
            p->DrawInput(column, column->GetMemberRect(ckInput), FOptions.Contains(goGrid), FInputSelected,
                         IsGridFocused());
        if (FOptions.Contains(goFooter)) {
            p->OnDraw = [this](TObject*, int Index, const TRect& R) { DoCustomDrawFooter(Index, R); };
            p->DrawFooter(column, column->GetMemberRect(ckFooter), FOptions.Contains(goGrid));
        }
        RestoreClip();
    }
    PreparePainter();
    const TRect input = GetInputRect(), footer = GetFooterRect();
    if (FOptions.Contains(goInput)) p->DrawAreaSplitter(TRect(footer.Left - HPos(), input.Bottom - 6, input.Right, input.Bottom));
    if (FOptions.Contains(goFooter))
        p->DrawAreaSplitter(TRect(footer.Left - HPos(), footer.Top, footer.Right, footer.Top + 4));
    if (FOptions.Contains(goIndicator)) {
        if (FOptions.Contains(goInput)) p->DrawCornerBox(TRect(0, input.Top, kIndicatorWidth, input.Bottom), bpAlone);
        if (FOptions.Contains(goFooter))
            p->DrawCornerBox(TRect(0, footer.Top, kIndicatorWidth, footer.Bottom), bpBottom);
        if (FOptions.Contains(goHeader)) p->DrawCornerBox(TRect(0, 0, kIndicatorWidth, FHeaderSize), bpAlone);
    }
}

void TGxCustomGridControl::PaintSlidesHeader() {
    if (!FOptions.Contains(goHeader)) return;
    PaintHeaderStrip();
    if (FOptions.Contains(goIndicator)) {
        PreparePainter();
        CurrentStyleDisplay()->DrawCornerBox(TRect(0, 0, kIndicatorWidth, FHeaderSize), bpAlone);
    }
}

void TGxCustomGridControl::PaintHeaderStrip() {
    const int cw = ClientWidth();
    int x = GetBodyRect().Left - HPos();
    for (int pos = 0; pos < FColumns->Count() && x < cw; ++pos) {
        TGxCustomColumn* column = FColumns->PositionItem(pos);
        if (!column->Visible()) continue;
        x += column->Width();
        if (x + column->Width() >= 0) {
            PreparePainter();
            CurrentStyleDisplay()->DrawHeader(column, column->GetMemberRect(ckHeader));
        }
    }
    if (x < cw) {
        TCanvas& c = *Canvas();
        c.Brush().SetStyle(bsSolid);
        c.Brush().SetColor(Color());
        c.FillRect(TRect(x, 0, cw, FHeaderSize));
    }
}

void TGxCustomGridControl::PaintSlides() {
    TCanvas& c = *Canvas();
    const TRect body = GetBodyRect();
    const int cw = ClientWidth(), ch = ClientHeight();
    FLastRow = FFirstRow;
    int y = body.Top;
    bool done = false;
    const int count = RowCount();
    while (!done && FLastRow < count) {
        const int row = FLastRow;
        if (RowVisible(row)) {
            y += FGridSpace[lpTop];
            const TRect s(0, y, cw, y + FSlideSize + FGridSpace[lpBottom]);
            c.Pen().SetColor(Color());
            if (FAppearanceOptions.Contains(ao3DGridLines)) {
                c.MoveTo(0, y - 1);
                c.LineTo(cw, y - 1);
            }
            ClipToCell(s);
            TColor slideColor = Color();
            if (Selected(row))
                slideColor = FSlideOptions.Contains(soHideSelection) ? Color()
                             : IsGridFocused()                        ? FSlideSelectionColor
                                                                      : clBtnFace;
            TSlideState slideState;
            if (row == SelectedRow()) {
                slideState.Include(stSelected);
                if (FSlideOptions.Contains(soFrame)) slideState.Include(stFocused);
            }
            TColor gridColor = FGridLinesColor;
            DoSlideColoring(row, slideColor, gridColor, slideState);
            c.Brush().SetStyle(bsSolid);
            c.Brush().SetColor(slideColor);
            c.FillRect(s);
            for (int i = 0; i < FColumns->Count(); ++i) {
                TGxCustomColumn* column = FColumns->Item(i);
                if (!column->Visible()) continue;
                if (HidePartialRows() && y + FGridSpace[lpBottom] + FSlideSize > body.Bottom) {
                    done = true;
                    continue;
                }
                TGxSlideBounds* b = column->SlideBounds();
                DrawCell(i, row, TRect(b->Left(), y + b->Top(), b->Left() + b->Width(), y + b->Top() + b->Height()));
                ClipToCell(s);
                DrawSlideCaption(i, row);
                ClipToCell(s);
            }
            if (slideState.Contains(stFocused)) {
                c.Brush().SetColor(IsGridFocused() ? FSelectionColor : FInactiveSelectionColor);
                c.FrameRect(TRect(s.Left + 1, s.Top + 1, s.Right - 1, s.Bottom - 2));
                c.FrameRect(TRect(s.Left + 2, s.Top + 2, s.Right - 2, s.Bottom - 3));
            }
            y += FGridSpace[lpBottom] + FSlideSize;
            c.Pen().SetColor(gridColor);
            if (FOptions.Contains(goGrid)) {
                c.MoveTo(0, y - 1);
                c.LineTo(cw, y - 1);
            }
            RestoreClip();
            if (y > ch) done = true;
        }
        ++FLastRow;
    }
    if (y < ch) {
        c.Brush().SetStyle(bsSolid);
        c.Brush().SetColor(Color());
        c.FillRect(TRect(0, y, cw, ch));
    }
}

void TGxCustomGridControl::DrawSlideCaption(int ACol, int ARow) {
    TGxCustomColumn* column = FColumns->Item(ACol);
    const QString& caption = column->SlideCaption();
    if (caption.isEmpty()) return;
    TCanvas& c = *Canvas();
    c.SetFont(*Font());
    c.Font().SetStyle({});
    c.Font().SetColor(FSlideCaptionColor);
    const int w = c.TextWidth(caption), h = c.TextHeight(caption);
    TGxSlideBounds* b = column->SlideBounds();
    const int top = GetCellTop(ACol, ARow);
    const TRect r = column->SlideCaptionLocation() == clLeft
                        ? TRect(b->Left() - w - 2, top, b->Left() - 2, top + b->Height())
                        : TRect(b->Left() + 2, top - h - 2, b->Left() + 2 + w, top - 2);
    c.Brush().SetStyle(bsClear);
    c.TextRect(r, r.Left, r.Top, caption);
    c.Brush().SetStyle(bsSolid);
}

void TGxCustomGridControl::PaintNonClient(QPainter& painter) {
    if ((FHeaderStyle == hsOffice2007 || FHeaderStyle == hsOffice2010) && BorderStyle() == bsSingle) {
        painter.save();
        painter.setPen(ColorToQColor(GetSchemeColor(2)));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(0, 0, Width() - 1, Height() - 1);
        painter.restore();
        return;
    }
    TGxScrollControl::PaintNonClient(painter);
}

void TGxCustomGridControl::DrawBorder() {
    // The frame lies outside the client area; the window repaints it from PaintNonClient.
    if (HandleAllocated()) Widget()->update();
}

void TGxCustomGridControl::ScrollColumnsBy(TGxCustomColumn* Column, int Dx, bool HeaderOnly) {
    RefreshColumn(Column, gaNone);
    const int left = Column->Left() + Column->Width() - (Column->Position() >= FFixedCols ? HPos() : 0);
    ScrollWindow(Dx, 0, TRect(left, 0, ClientWidth(), HeaderOnly ? FHeaderSize : ClientHeight()));
}
