// Areas, rows, slides and cells of the grid, the rows that fit, and the refreshes of them.

#include "grid/GxCustomGridControl.h"

#include <algorithm>

void TGxCustomGridControl::UpdateGridSpace() {
    FGridSpace[lpLeft] = FGridSpace[lpTop] = FGridSpace[lpRight] = FGridSpace[lpBottom] = 0;
    if (FOptions.Contains(goGrid)) {
        const bool threeD = FAppearanceOptions.Contains(ao3DGridLines);
        if (FGridLinesStyle != lsHorizontalOnly && FGridLinesStyle != lsActiveHorzOnly) {
            FGridSpace[lpRight] = 1;
            if (threeD) FGridSpace[lpLeft] = 1;
        }
        if (FGridLinesStyle != lsVerticalOnly) {
            FGridSpace[lpBottom] = 1;
            if (threeD) FGridSpace[lpTop] = 1;
        }
    }
    FGridSpace[lpTopBottom] = FGridSpace[lpTop] + FGridSpace[lpBottom];
}

int TGxCustomGridControl::InnerWidthValue() const {
    return ClientWidth() - (FGridStyle == gsReport && FOptions.Contains(goIndicator) ? kIndicatorWidth : 0);
}

TRect TGxCustomGridControl::GetBodyRect() {
    const int i = IndicatorWidth();
    if (FGridStyle == gsSlides) {
        TRect r = ClientRect();
        r.Left += i;
        if (FOptions.Contains(goHeader)) r.Top += FHeaderSize;
        return r;
    }
    TRect r;
    r.Left = i;
    r.Top = FOptions.Contains(goHeader) ? FHeaderSize : 0;
    if (FOptions.Contains(goInput)) r.Top += InputBand();
    r.Right = std::min(FColumns->ClientWidth() + i - HPos(), ClientWidth());
    r.Bottom = FOptions.Contains(goFooter) ? ClientHeight() - FooterBand() : ClientHeight();
    return r;
}

TRect TGxCustomGridControl::GetHeaderRect() {
    const int i = IndicatorWidth();
    return TRect(i, 0, FColumns->ClientWidth() + i - HPos(), FHeaderSize);
}

TRect TGxCustomGridControl::GetInputRect() {
    const int i = IndicatorWidth();
    const int top = FOptions.Contains(goHeader) ? FHeaderSize : 0;
    return TRect(i, top, FColumns->ClientWidth() + i - HPos(), top + InputBand());
}

TRect TGxCustomGridControl::GetInputCellRect(int ACol) {
    const TRect input = GetInputRect();
    TGxCustomColumn* c = FColumns->Item(ACol);
    const int left = c->Left() - HPos();
    return TRect(left, input.Top, left + c->Width(), input.Top + FInputSize);
}

TRect TGxCustomGridControl::GetFooterRect() {
    if (FGridStyle == gsSlides) return TRect();
    const int i = IndicatorWidth();
    const int ch = ClientHeight();
    return TRect(i, ch - FooterBand(), FColumns->ClientWidth() + i - HPos(), ch);
}

TRect TGxCustomGridControl::GetIndicatorRect() { return TRect(0, 0, kIndicatorWidth, ClientHeight()); }

TRect TGxCustomGridControl::GetScrollRect() {
    return TRect(GetFixedWidth() + IndicatorWidth(), 0, ClientWidth(), ClientHeight());
}

TRect TGxCustomGridControl::GetCaptionRect() {
    const TRect body = GetBodyRect();
    TRect r;
    r.Left = body.Left - HPos();
    r.Top = body.Top + 4;
    r.Right = ClientWidth() - HPos();
    TCanvas* c = Canvas();
    c->SetFont(*Font());
    r.Bottom = r.Top + c->TextHeight(FCaption);
    return r;
}

int TGxCustomGridControl::GetRowTop(int Index) {
    int top = GetBodyRect().Top + FGridSpace[lpTop];
    const int count = RowCount();
    int uniform = 0;
    if (Index > FFirstRow && UniformRows(uniform)) {
        // The loop below in closed form: rows that exist have one height, those past the end the
        // row size, and only rows of some height take room.
        const int step = FGridSpace[lpTopBottom];
        const long long inside = std::max(0, std::min(Index, count) - FFirstRow);
        const long long beyond = Index - std::max(FFirstRow, count);
        long long y = top;
        if (uniform > 0) y += inside * (uniform + step);
        if (beyond > 0 && FRowSize > 0) y += beyond * (FRowSize + step);
        return static_cast<int>(y);
    }
    for (int i = FFirstRow; i < Index; ++i) {
        const int h = i >= count ? FRowSize : RowVisible(i) ? RowHeight(i) : 0;
        if (h > 0) top += h + FGridSpace[lpTopBottom];
    }
    return top;
}

TRect TGxCustomGridControl::GetRowRect(int Index) {
    const int top = GetRowTop(Index);
    const int h = RowExist(Index) ? RowHeight(Index) : FRowSize;
    return TRect(0, top, GetBodyRect().Right, top + h + FGridSpace[lpBottom]);
}

int TGxCustomGridControl::GetSlideTop(int Index) {
    int top = GetBodyRect().Top;
    for (int i = FFirstRow; i < Index; ++i)
        if (i >= RowCount() || RowVisible(i)) top += FSlideSize + FGridSpace[lpTopBottom];
    return top;
}

TRect TGxCustomGridControl::GetSlideRect(int Index) {
    TRect r = ClientRect();
    r.Top = GetSlideTop(Index) + FGridSpace[lpTop];
    r.Bottom = r.Top + FSlideSize;
    return r;
}

TRect TGxCustomGridControl::GetCellRect(int ACol, int ARow) {
    TGxCustomColumn* c = FColumns->Item(ACol);
    if (FGridStyle == gsSlides) {
        TGxSlideBounds* b = c->SlideBounds();
        const int top = GetSlideTop(ARow) + b->Top();
        return TRect(b->Left(), top, b->Left() + b->Width(), top + b->Height());
    }
    int left = c->Left();
    if (c->Position() >= FFixedCols) left -= HPos();
    const int top = GetRowTop(ARow);
    const int h = ARow < RowCount() ? RowHeight(ARow) : FRowSize;
    return TRect(left, top, left + c->Width(), top + h);
}

int TGxCustomGridControl::GetVisibleCount(bool Expand) {
    const TRect body = GetBodyRect();
    const int h = body.Height();
    const int count = RowCount();
    int sum = 0;
    int fit = 0;
    int i = FFirstRow;
    for (; i < count; ++i) {
        if (!RowVisible(i)) continue;
        sum += GetActualRowHeight(i) + FGridSpace[lpTopBottom];
        if (sum > h) return fit;
        ++fit;
    }
    if (Expand) {
        for (int j = FFirstRow - 1; j >= 0; --j) {
            if (!RowVisible(j)) continue;
            sum += GetActualRowHeight(j) + FGridSpace[lpTopBottom];
            if (sum > h) break;
            ++fit;
        }
    }
    return fit;
}

int TGxCustomGridControl::LastRowInView() {
    const int h = GetBodyRect().Height();
    const int count = RowCount();
    int sum = 0;
    int last = FFirstRow;
    for (int i = FFirstRow; i < count; ++i) {
        if (!RowVisible(i)) continue;
        sum += RowHeight(i) + FGridSpace[lpTopBottom];
        if (sum > h) break;
        last = i;
    }
    return last;
}

bool TGxCustomGridControl::CellBounds(int ACol, int ARow) const {
    return ACol >= 0 && ACol < FColumns->Count() && ARow >= 0 && ARow < RowCount();
}

bool TGxCustomGridControl::RowExist(int Index) const {
    const int count = RowCount();
    return Index >= 0 && count >= 1 && Index < count;
}

bool TGxCustomGridControl::IsRowInView(int Index) {
    return FFirstRow <= Index && Index < FFirstRow + GetVisibleCount(false);
}

// --- refreshes

void TGxCustomGridControl::InvalidateArea(const TRect& Rect) {
    if (Rect.IsEmpty()) return;
    // Into the control's own repaint region: the window's update alone would only copy the
    // buffered pixels again, keeping what was there.
    const TPoint off = ClientOffset();
    InvalidateQRect(QRect(Rect.Left + off.X, Rect.Top + off.Y, Rect.Width(), Rect.Height()));
}

void TGxCustomGridControl::RefreshArea(TGridArea Area) {
    switch (Area) {
    case gaBody: InvalidateArea(GetBodyRect()); break;
    case gaFooter:
        if (FOptions.Contains(goFooter)) InvalidateArea(GetFooterRect());
        break;
    case gaHeader:
        if (FOptions.Contains(goHeader)) InvalidateArea(GetHeaderRect());
        break;
    case gaIndicator:
        if (FOptions.Contains(goIndicator)) InvalidateArea(GetIndicatorRect());
        break;
    case gaInput:
        if (FOptions.Contains(goInput)) InvalidateArea(GetInputRect());
        break;
    case gaNone: break;
    }
}

void TGxCustomGridControl::RefreshCell(int ACol, int ARow) {
    if (!CellBounds(ACol, ARow)) return;
    TRect r = GetCellRect(ACol, ARow);
    r.Bottom += FGridSpace[lpBottom];
    r.Right += FGridSpace[lpBottom];
    InvalidateArea(r);
}

void TGxCustomGridControl::RefreshColumn(TGxCustomColumn* Column, TGridArea Area) {
    if (IsUpdating() || !Column) return;
    TRect r;
    switch (Area) {
    case gaBody: r = GetBodyRect(); break;
    case gaFooter: r = GetFooterRect(); break;
    case gaHeader: r = GetHeaderRect(); break;
    case gaIndicator: r = GetIndicatorRect(); break;
    case gaInput: r = GetInputRect(); break;
    case gaNone: r = ClientRect(); break;
    }
    int left = Column->Left();
    if (Column->Position() >= FFixedCols) left -= HPos();
    r.Left = left;
    r.Right = left + Column->Width();
    InvalidateArea(r);
}

namespace {
// The frame of R, Dx pixels wide at the sides and Dy high at top and bottom, as four strips:
// invalidating these instead of validating the inside keeps the inside's pending repaints.
std::array<TRect, 4> FrameStrips(const TRect& R, int Dx, int Dy) {
    return {TRect(R.Left, R.Top, R.Right, std::min(R.Top + Dy, R.Bottom)),
            TRect(R.Left, std::max(R.Bottom - Dy, R.Top), R.Right, R.Bottom),
            TRect(R.Left, R.Top + Dy, std::min(R.Left + Dx, R.Right), R.Bottom - Dy),
            TRect(std::max(R.Right - Dx, R.Left), R.Top + Dy, R.Right, R.Bottom - Dy)};
}
} // namespace

void TGxCustomGridControl::RefreshRow(int Index, bool BorderOnly) {
    if (!RowExist(Index) || Index < FFirstRow || Index > FLastRow) return;
    const TRect r = GetRowRect(Index);
    if (!BorderOnly) {
        InvalidateArea(r);
        return;
    }
    for (const TRect& s : FrameStrips(r, 1, 1)) InvalidateArea(s);
}

void TGxCustomGridControl::RefreshRowGrid(int Index) {
    const TRect r = FGridStyle == gsSlides ? GetSlideRect(Index) : GetRowRect(Index);
    InvalidateArea(TRect(r.Left, r.Bottom - 1, r.Right, r.Bottom - 1 + FGridSpace[lpBottom]));
}

void TGxCustomGridControl::RefreshSlide(int Index, bool BorderOnly) {
    const TRect r = GetSlideRect(Index);
    if (!BorderOnly) {
        InvalidateArea(r);
        return;
    }
    for (const TRect& s : FrameStrips(r, 3, 4)) InvalidateArea(s);
}

void TGxCustomGridControl::RefreshRange(int FromPos, int ToPos) {
    const int lo = std::min(FromPos, ToPos), hi = std::max(FromPos, ToPos);
    const int right = GetBodyRect().Right;
    if (FGridStyle == gsSlides) {
        InvalidateArea(TRect(0, GetSlideTop(lo), right, GetSlideTop(hi) + FSlideSize));
        return;
    }
    const int h = hi < RowCount() ? RowHeight(hi) : FRowSize;
    InvalidateArea(TRect(0, GetRowTop(lo), right, GetRowTop(hi) + h));
}

void TGxCustomGridControl::RefreshIndicator(int Index) {
    if (!RowExist(Index)) return;
    const int top = GetRowTop(Index);
    InvalidateArea(TRect(0, top - FGridSpace[lpTop], kIndicatorWidth,
                         top + RowHeight(Index) + FGridSpace[lpBottom]));
}

void TGxCustomGridControl::RefreshRowsFrom(int Index, int Count) {
    const TRect body = GetBodyRect();
    const TRect first = FGridStyle == gsSlides ? GetSlideRect(Index) : GetRowRect(Index);
    int bottom = first.Bottom;
    for (int i = Index + 1; i < Index + Count && bottom < body.Bottom; ++i)
        bottom = (FGridStyle == gsSlides ? GetSlideRect(i) : GetRowRect(i)).Bottom;
    InvalidateArea(TRect(first.Left, first.Top, FGridStyle == gsSlides ? first.Right : body.Right,
                         std::min(bottom, body.Bottom)));
}

int TGxCustomGridControl::GetCellTop(int ACol, int Index) {
    if (FGridStyle == gsSlides) return GetSlideTop(Index) + FColumns->Item(ACol)->SlideBounds()->Top();
    return GetRowTop(Index);
}

void TGxCustomGridControl::RefreshSelection() {
    if (FInputSelected) RefreshArea(gaInput);
    if (FColumns->Count() == 0 || RowCount() == 0) return;
    if (!FOptions.Contains(goSelectFullRow)) {
        RefreshCell(FSelectedColumn, FSelectedRow);
        return;
    }
    const int end = FFirstRow + GetVisibleCount(false);
    for (int i = FFirstRow; i <= end && i < RowCount(); ++i)
        if (Selected(i)) RefreshRow(i, false);
}

void TGxCustomGridControl::RefreshSelectedSlides() {
    const int end = FFirstRow + GetVisibleCount(false);
    for (int i = FFirstRow; i <= end && i < RowCount(); ++i)
        if (Selected(i)) RefreshSlide(i, false);
}

TRect TGxCustomGridControl::GetEditorRect() {
    if (FGridState.Contains(gtEdit) && FColumns->Exists(FEditingCell.X))
        return GetCellRect(FEditingCell.X, FEditingCell.Y);
    if (FGridState.Contains(gtInput) && FColumns->Exists(FInputingColumn)) return GetInputCellRect(FInputingColumn);
    return TRect();
}

TRect TGxCustomGridControl::GetFixedColumnsRect() {
    const TRect body = GetBodyRect();
    const int left = IndicatorWidth() + GetFixedWidth();
    // Its right edge is not used anywhere; the fixed part ends where the scrolling part begins.
    return TRect(left, body.Top, left, body.Bottom);
}

// --- overlays

TRect TGxCustomGridControl::OverlayBounds(const TGridOverlay& Overlay) {
    const TRect& r = Overlay.Rect;
    if (Overlay.Kind != okLine) return r;
    const int half = Overlay.Width / 2 + 1;
    return TRect(std::min(r.Left, r.Right) - half, std::min(r.Top, r.Bottom) - half,
                 std::max(r.Left, r.Right) + half + 1, std::max(r.Top, r.Bottom) + half + 1);
}

void TGxCustomGridControl::ShowOverlay(int Id, const TGridOverlay& Overlay) {
    auto it = FOverlays.find(Id);
    if (it != FOverlays.end()) InvalidateArea(OverlayBounds(it->second));
    FOverlays[Id] = Overlay;
    InvalidateArea(OverlayBounds(Overlay));
}

void TGxCustomGridControl::HideOverlay(int Id) {
    auto it = FOverlays.find(Id);
    if (it == FOverlays.end()) return;
    InvalidateArea(OverlayBounds(it->second));
    FOverlays.erase(it);
}

void TGxCustomGridControl::PaintOverlays(TCanvas& ACanvas) const {
    for (const auto& [id, o] : FOverlays) {
        switch (o.Kind) {
        case okLine:
            ACanvas.Pen().SetColor(o.Colour);
            ACanvas.Pen().SetWidth(o.Width);
            ACanvas.MoveTo(o.Rect.Left, o.Rect.Top);
            ACanvas.LineTo(o.Rect.Right, o.Rect.Bottom);
            ACanvas.Pen().SetWidth(1);
            break;
        case okFocusRect: ACanvas.DrawFocusRect(o.Rect); break;
        case okFrame:
            ACanvas.Brush().SetStyle(bsSolid);
            ACanvas.Brush().SetColor(o.Colour);
            ACanvas.FrameRect(o.Rect);
            break;
        }
    }
}
