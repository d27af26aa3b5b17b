#include "grid/GxDisplays.h"

std::unique_ptr<TColumnDisplay> TTextColumnDisplay::Make(TGxCustomColumn* AColumn) {
    return std::make_unique<TTextColumnDisplay>(AColumn);
}

void TTextColumnDisplay::Paint() {
    TCellInfo info;
    info.AsString = AsString;
    DrawCellText(FColumn->GetDrawText(info), GetTextRect());
}

std::unique_ptr<TColumnDisplay> TIncrementColumnDisplay::Make(TGxCustomColumn* AColumn) {
    return std::make_unique<TIncrementColumnDisplay>(AColumn);
}

void TIncrementColumnDisplay::Paint() {
    TCellInfo info;
    info.AsInteger = AsInteger;
    DrawCellText(FColumn->GetDrawText(info), GetTextRect());
}

KORVEL_CLASS_INFO(TTextColumnDisplay) {}
KORVEL_CLASS_INFO(TIncrementColumnDisplay) {}

// ---------------------------------------------------------------------------------------------
// Style painters

#include "grid/GxGridCommon.h"
#include "grid/GxThemesSupport.h"
#include "platform/rtti/Classes.h"

namespace {
constexpr int kSortArrowRoom = 31;

bool IsEdgeLeft(TGxCustomColumn* Column) {
    const TColumnLocation l = Column->Location();
    return l == clLeftSide || l == clAlone;
}
bool IsEdgeRight(TGxCustomColumn* Column) {
    const TColumnLocation l = Column->Location();
    return l == clRightSide || l == clAlone;
}
bool GlyphEmpty(TBitmap* G) { return G == nullptr || G->Empty(); }
} // namespace

TStyleDisplay::TStyleDisplay(TComponent* AOwner) : FOwner(AOwner) {}

TCanvas& TStyleDisplay::C() const {
    if (!FCanvas) throw EInvalidOperation(QStringLiteral("Style painter has no canvas"));
    return *FCanvas;
}

TGxGridLink* TStyleDisplay::OwnerGrid() const { return dynamic_cast<TGxGridLink*>(FOwner); }

void TStyleDisplay::Line(int X1, int Y1, int X2, int Y2, TColor Colour) {
    C().Pen().SetColor(Colour);
    C().MoveTo(X1, Y1);
    C().LineTo(X2, Y2);
}

void TStyleDisplay::Fill(const TRect& R, TColor Colour) {
    C().Brush().SetStyle(bsSolid);
    C().Brush().SetColor(Colour);
    C().FillRect(R);
}

void TStyleDisplay::DrawGridLine(const TRect& R, TColor Colour) {
    Line(R.Left, R.Bottom - 1, R.Right - 1, R.Bottom - 1, Colour);
    Line(R.Right - 1, R.Top, R.Right - 1, R.Bottom + 1, Colour);
}

int TStyleDisplay::GetHeaderPadding(TGxCustomColumn* Column) {
    if (!FDefaultDrawing || FDisplayMedia != dmScreen) return 0;
    return FEnableThemes && Column->Header()->DisplayMode() == dmTextOnly ? 11 : 2;
}

int TStyleDisplay::GetHeaderContentWidth(TGxCustomColumn* Column) {
    TColumnHeader* h = Column->Header();
    const int e = h->Orientation() == hoVertical ? C().TextHeight(h->Caption()) : C().TextWidth(h->Caption());
    const int g = GlyphEmpty(h->Glyph()) ? 0 : h->Glyph()->Width();
    switch (h->DisplayMode()) {
    case dmImageOnly: return g;
    case dmTextAndImage: return g + e + 2;
    case dmTextOnly: return e;
    }
    return 8;
}

void TStyleDisplay::DoDrawText(TCanvas& ACanvas, const TRect& TextRect, const QString& Caption, bool MultiLine) {
    ACanvas.Brush().SetStyle(bsClear);
    unsigned flags = DT_END_ELLIPSIS | DT_NOPREFIX | DT_EXTERNALLEADING | DT_VCENTER;
    if (!MultiLine) flags |= DT_SINGLELINE;
    if (FBidiMode != bdLeftToRight) flags |= DT_RTLREADING;
    TRect r = TextRect;
    ACanvas.DrawText(Caption, r, flags);
    ACanvas.Brush().SetStyle(bsSolid);
}

void TStyleDisplay::DrawHeader(TGxCustomColumn* Column, const TRect& R) {
    const TDrawingOptions opts = Column->Header()->DrawingOptions();
    if (FDisplayMedia == dmScreen && opts != doCustomOnly) DrawHeaderBackground(Column, R);
    if (opts == doNormal || opts == doCustom) DrawHeaderContent(Column, R);
    if (OnHeaderDraw) OnHeaderDraw(this, Column->Index(), R);
}

void TStyleDisplay::DrawFooter(TGxCustomColumn* Column, const TRect& R, bool Grid) {
    TRect r = R;
    if (Grid) {
        --r.Right;
        --r.Bottom;
    }
    TColumnFooter* f = Column->Footer();
    const TDrawingOptions opts = f->DrawingOptions();
    if (opts != doCustomOnly) {
        SelectFont(C(), *Column->Font());
        Fill(r, f->Color());
    }
    if (Grid) DrawGridLine(R, clBtnFace);
    const std::optional<QRegion> saved = C().ClipRegion();
    ::SetClipRect(C(), R);
    if (opts == doNormal || opts == doCustom) DrawFooterContent(Column, r);
    if (OnDraw) OnDraw(this, Column->Index(), r);
    C().SetClipRegion(saved);
}

void TStyleDisplay::DrawInput(TGxCustomColumn* Column, const TRect& R, bool Grid, bool Selected, bool Focused) {
    TRect textRect = R;
    textRect.Left += 2;
    textRect.Right -= 1;
    textRect.Bottom -= 1;
    SelectFont(C(), *Column->Font());
    C().Font().SetStyle({});
    TGxGridLink* grid = Column->Grid();
    if (!Selected || Column->Input()) {
        C().Font().SetColor(clGrayText);
        C().Brush().SetColor(Column->Color());
    } else if (grid && grid->SelectedColumn() == Column->Index()) {
        C().Font().SetColor(clGrayText);
        C().Brush().SetColor(Column->Color());
    } else {
        C().Font().SetColor(clHighlightText);
        C().Brush().SetColor(Focused ? clHighlight : clBtnFace);
    }
    C().Brush().SetStyle(bsSolid);
    const bool gl = Grid && Selected;
    TRect r = R;
    if (gl) {
        --r.Right;
        --r.Bottom;
    }
    if (Column->Input())
        C().FrameRect(r);
    else
        C().FillRect(r);
    if (gl) DrawGridLine(R, clHighlight);
    if (!Column->InputValue().isEmpty())
        TGraphicsProvider::DrawTextRect(C(), textRect, Column->Alignment(), Column->GetInputDrawText(), FBidiMode);
    else
        TGraphicsProvider::DrawTextRect(C(), textRect, taCenter, Column->InputCaption(), FBidiMode);
}

void TStyleDisplay::DrawHeaderContent(TGxCustomColumn* Column, const TRect& R) {
    TColumnHeader* h = Column->Header();
    const int w = R.Right - R.Left;
    const int hgt = R.Bottom - R.Top;
    const bool vertical = h->Orientation() == hoVertical;
    int t = 0;
    if (h->DisplayMode() != dmImageOnly) {
        if (vertical) {
            t = C().TextHeight(h->Caption()) + 2;
        } else if (h->MultiLine()) {
            TRect m(0, 0, w, hgt);
            C().DrawText(h->Caption(), m, DT_CALCRECT | DT_NOPREFIX);
            t = m.Width() + 2;
        } else {
            t = C().TextWidth(h->Caption()) + 2;
        }
    }
    const int sorted = Column->Sorted() ? kSortArrowRoom : 0;
    int x = R.Left + 2;
    TBitmap* glyph = h->Glyph();
    if (GlyphEmpty(glyph) || h->DisplayMode() == dmTextOnly) {
        switch (h->Alignment()) {
        case taLeftJustify: x = R.Left + 2; break;
        case taRightJustify: x = R.Right - t - 2 - sorted; break;
        case taCenter:
            if (t < w) x = R.Left + (w - t) / 2;
            break;
        }
    } else {
        const int gy = R.Top + hgt / 2 - glyph->Height() / 2;
        int gx = R.Left + 3;
        switch (h->Alignment()) {
        case taLeftJustify: gx = R.Left + 3; break;
        case taRightJustify: gx = R.Right - glyph->Width() - t - 2 - sorted; break;
        case taCenter: gx = R.Left + w / 2 - (glyph->Width() + t) / 2; break;
        }
        x = gx + glyph->Width() + 2;
        glyph->SetTransparent(true);
        DrawAlphaBitmap(C(), gx, gy, *glyph);
    }
    if (h->DisplayMode() != dmImageOnly) {
        TRect tr(x, R.Top, R.Right, R.Bottom);
        AdjustTextRect(tr);
        if (vertical)
            DrawVerticalText(C(), tr, h->Caption(), h->MultiLine());
        else
            DoDrawText(C(), tr, h->Caption(), h->MultiLine());
    }
    if (!FDefaultDrawing) return;
    const TStyleDisplayAttributes attrs = GetStyleDisplayAttributes();
    if (Column->Sorted()) {
        const int ay = R.Top + hgt / 2 - 4;
        const int ax = x + t + 19;
        if ((ax + 8 < R.Right || !h->HideArrow()) && !attrs.Contains(sdaCustomArrow))
            DrawSortArrow(ax, ay, Column->SortKind() == skAscending);
    }
    if (Column->Focused() && attrs.Contains(sdaInvertFocus)) {
        const TRect inv = Column->IsAlone() ? TRect(R.Left - 1, R.Top - 1, R.Right, R.Bottom)
                                            : TRect(R.Left, R.Top, R.Right - 1, R.Bottom);
        C().InvertRect(inv);
        C().SetCopyMode(cmSrcCopy);
    }
}

void TStyleDisplay::DrawFooterContent(TGxCustomColumn* Column, const TRect& R) {
    TColumnFooter* f = Column->Footer();
    const QString text = f->DisplayText();
    const int w = R.Right - R.Left;
    const int hgt = R.Bottom - R.Top;
    const int tw = f->DisplayMode() == dmImageOnly ? 0 : C().TextWidth(text);
    const int c = R.Left + w / 2;
    int x = R.Left + 2;
    TBitmap* glyph = f->Glyph();
    if (GlyphEmpty(glyph) || f->DisplayMode() == dmTextOnly) {
        if (f->Alignment() == taRightJustify)
            x = R.Right - tw - Column->Padding();
        else if (f->Alignment() == taCenter)
            x = c - tw / 2;
    } else {
        const int gy = R.Top + hgt / 2 - glyph->Height() / 2;
        int gx = R.Left + 3;
        switch (f->Alignment()) {
        case taLeftJustify: x = R.Left + glyph->Width() + 5; break;
        case taRightJustify:
            gx = R.Right - glyph->Width() - tw - Column->Padding() - 2 - (Column->Sorted() ? kSortArrowRoom : 0);
            x = gx + glyph->Width() + 2;
            break;
        case taCenter:
            gx = c - (tw + glyph->Width()) / 2;
            x = gx + glyph->Width() + 2;
            break;
        }
        glyph->SetTransparent(true);
        DrawAlphaBitmap(C(), gx, gy, *glyph);
    }
    if (f->DisplayMode() != dmImageOnly) DoDrawText(C(), TRect(std::max(x, R.Left), R.Top, R.Right, R.Bottom), text, false);
}

void TStyleDisplay::DrawSortArrow(int X, int Y, bool Ascending) {
    if (FEnableThemes) {
        C().Pen().SetColor(clGray);
        C().Brush().SetColor(clGray);
        C().Brush().SetStyle(bsSolid);
        if (Ascending)
            C().Polygon({{X, Y + 4}, {X + 4, Y}, {X + 8, Y + 4}});
        else
            C().Polygon({{X, Y}, {X + 4, Y + 4}, {X + 8, Y}});
        return;
    }
    if (Ascending) {
        C().Pen().SetColor(clBtnShadow);
        C().Polyline({{X + 7, Y + 6}, {X, Y + 6}, {X, Y + 5}, {X + 1, Y + 5}, {X + 1, Y + 3}, {X + 2, Y + 3},
                      {X + 2, Y + 1}, {X + 3, Y + 1}, {X + 3, Y - 1}});
        C().Pen().SetColor(clBtnHighlight);
        C().Polyline({{X + 7, Y + 5}, {X + 6, Y + 5}, {X + 6, Y + 3}, {X + 5, Y + 3}, {X + 5, Y + 1}, {X + 4, Y + 1},
                      {X + 4, Y - 1}});
    } else {
        C().Pen().SetColor(clBtnShadow);
        C().Polyline({{X + 7, Y}, {X, Y}, {X, Y + 1}, {X + 1, Y + 1}, {X + 1, Y + 3}, {X + 2, Y + 3}, {X + 2, Y + 5},
                      {X + 3, Y + 5}, {X + 3, Y + 7}});
        C().Pen().SetColor(clBtnHighlight);
        C().Polyline({{X + 7, Y + 1}, {X + 6, Y + 1}, {X + 6, Y + 3}, {X + 5, Y + 3}, {X + 5, Y + 5}, {X + 4, Y + 5},
                      {X + 4, Y + 7}});
    }
}

void TStyleDisplay::DrawCornerBox(const TRect& R, TBoxLocation) {
    TGxGridLink* g = OwnerGrid();
    Fill(R, g ? g->GridColor() : clBtnFace);
}

void TStyleDisplay::DrawInactiveHeader(const TRect& R) { TStyleDisplay::DrawCornerBox(R, bpAlone); }

void TStyleDisplay::DrawAreaSplitter(const TRect& R) { DrawCornerBox(R, bpAlone); }

void TStyleDisplay::DrawIndicator(const TRect& R, int Index, bool, bool) {
    Fill(TRect(1, R.Top + 1, R.Right - 1, R.Bottom), clBtnFace);
    Line(0, R.Top, 0, R.Bottom + 1, clBtnHighlight);
    if (Index < 1) {
        Line(1, R.Top, R.Right - 1, R.Top, clBtnHighlight);
    } else {
        C().SetPixel(1, R.Top, clBtnFace);
        C().SetPixel(R.Right - 2, R.Top, clBtnFace);
        Line(2, R.Top, R.Right - 2, R.Top, clBtnHighlight);
    }
    C().SetPixel(1, R.Bottom - 1, clBtnFace);
    C().SetPixel(R.Right - 2, R.Bottom - 1, clBtnFace);
    Line(R.Right - 1, R.Top, R.Right - 1, R.Bottom, clBtnShadow);
    Line(2, R.Bottom - 1, R.Right - 2, R.Bottom - 1, clBtnShadow);
}

void TStyleDisplay::DrawIndicatorState(const TRect& R, bool Selected, bool Highlighted) {
    if (Selected) {
        const int x = R.Left + (R.Width() - 6) / 2;
        const int y = R.Top + (R.Height() - 11) / 2;
        C().Pen().SetColor(clWindowText);
        C().Brush().SetColor(clWindowText);
        C().Brush().SetStyle(bsSolid);
        C().Polygon({{x, y}, {x + 5, y + 5}, {x, y + 10}});
    }
    if (Highlighted) {
        C().InvertRect(R);
        C().SetCopyMode(cmSrcCopy);
    }
}

// --- default

TStyleDisplayAttributes TDefaultStyleDisplay::GetStyleDisplayAttributes() const {
    return FEnableThemes ? TStyleDisplayAttributes{sdaHoverEnabled} : TStyleDisplayAttributes{sdaInvertFocus};
}

void TDefaultStyleDisplay::DrawHeaderBackground(TGxCustomColumn* Column, const TRect& R) {
    if (FEnableThemes)
        DrawThemedHeaderFace(Column, R);
    else
        DrawHeaderFace(Column, R);
    TStyleDisplay::DrawHeaderBackground(Column, R);
}

void TDefaultStyleDisplay::DrawThemedHeaderFace(TGxCustomColumn* Column, const TRect& R) {
    const int state = Column->Focused() ? 3 : Column->Hover() ? 2 : 1;
    DrawThemePart(FTheme, C(), R, QStringLiteral("HEADER"), 1, state);
}

void TDefaultStyleDisplay::DrawHeaderFace(TGxCustomColumn* Column, const TRect& R) {
    const TColor face = Column->Header()->Color();
    Fill(TRect(R.Left + 1, R.Top + 1, R.Right - 1, R.Bottom - 1), face);
    if (Column->Location() == clAlone) {
        TRect r = R;
        C().Frame3D(r, clBtnHighlight, clBtnShadow, 1);
        return;
    }
    Line(R.Left, R.Top, R.Right, R.Top, clBtnHighlight);
    if (Column->Location() == clLeftSide) {
        Line(R.Left, R.Top + 1, R.Left, R.Bottom - 1, clBtnHighlight);
    } else {
        Line(R.Left, R.Top + 2, R.Left, R.Bottom - 2, clBtnHighlight);
        C().SetPixel(R.Left, R.Top + 1, face);
        C().SetPixel(R.Left, R.Bottom - 2, face);
    }
    Line(R.Left, R.Bottom - 1, R.Right, R.Bottom - 1, clBtnShadow);
    if (Column->Location() == clRightSide) {
        Line(R.Right - 1, R.Top, R.Right - 1, R.Bottom - 1, clBtnShadow);
    } else {
        Line(R.Right - 1, R.Top + 2, R.Right - 1, R.Bottom - 2, clBtnShadow);
        C().SetPixel(R.Right - 1, R.Top + 1, face);
        C().SetPixel(R.Right - 1, R.Bottom - 2, face);
    }
}

void TDefaultStyleDisplay::DrawCornerBox(const TRect& R, TBoxLocation Location) {
    switch (Location) {
    case bpAlone:
        if (FEnableThemes)
            DrawThemePart(FTheme, C(), R, QStringLiteral("HEADER"), 1, 1);
        else
            TGraphicsProvider::DrawButton(C(), R, false);
        break;
    case bpBottom:
        Fill(TRect(1, R.Top + 1, R.Right - 1, R.Bottom), clBtnFace);
        Line(0, R.Top, 0, R.Bottom, clBtnHighlight);
        C().SetPixel(1, R.Top + 1, clBtnFace);
        C().SetPixel(R.Right - 2, R.Top + 1, clBtnFace);
        Line(2, R.Top + 1, R.Right - 2, R.Top + 1, clBtnHighlight);
        C().SetPixel(1, R.Top, clBtnFace);
        C().SetPixel(R.Right - 2, R.Top, clBtnFace);
        C().Pen().SetColor(clBtnShadow);
        C().Polyline({{R.Right - 1, R.Top}, {R.Right - 1, R.Bottom - 1}, {R.Left - 1, R.Bottom - 1}});
        Line(2, R.Top, R.Right - 2, R.Top, clBtnShadow);
        break;
    case bpTop: break;
    }
}

void TDefaultStyleDisplay::DrawInactiveHeader(const TRect& R) {
    if (FEnableThemes)
        DrawThemePart(FTheme, C(), R, QStringLiteral("HEADER"), 2, 1);
    else
        TStyleDisplay::DrawInactiveHeader(R);
}

// --- flat

namespace {
void FlatBox(TCanvas& C, const TRect& R, TColor Face) {
    C.Brush().SetStyle(bsSolid);
    C.Brush().SetColor(Face);
    C.FillRect(R);
    C.Pen().SetColor(clGray);
    C.Polyline({{R.Right - 1, R.Top}, {R.Right - 1, R.Bottom - 1}, {R.Left - 1, R.Bottom - 1}});
}
} // namespace

void TFlatStyleDisplay::DrawAreaSplitter(const TRect& R) { Fill(R, clBtnFace); }
void TFlatStyleDisplay::DrawCornerBox(const TRect& R, TBoxLocation) { FlatBox(C(), R, clBtnFace); }
void TFlatStyleDisplay::DrawIndicator(const TRect& R, int, bool, bool) { FlatBox(C(), R, clBtnFace); }
void TFlatStyleDisplay::DrawHeaderFace(TGxCustomColumn* Column, const TRect& R) {
    FlatBox(C(), R, Column->Header()->Color());
}
void TFlatStyleDisplay::DrawHeaderBackground(TGxCustomColumn* Column, const TRect& R) {
    DrawHeaderFace(Column, R);
    TStyleDisplay::DrawHeaderBackground(Column, R);
}

// --- old style

namespace {
void OldStyleBox(TCanvas& C, const TRect& R) {
    C.Brush().SetStyle(bsSolid);
    C.Brush().SetColor(clBtnFace);
    C.FillRect(TRect(R.Left + 1, R.Top + 1, R.Right - 1, R.Bottom - 1));
    TRect r = R;
    C.Frame3D(r, clBtnHighlight, clWindowFrame, 1);
}
} // namespace

void TOldStyleDisplay::DrawCornerBox(const TRect& R, TBoxLocation) { OldStyleBox(C(), R); }
void TOldStyleDisplay::DrawHeaderBackground(TGxCustomColumn* Column, const TRect& R) {
    OldStyleBox(C(), R);
    TStyleDisplay::DrawHeaderBackground(Column, R);
}
void TOldStyleDisplay::DrawIndicator(const TRect& R, int, bool, bool) {
    Fill(R, clBtnFace);
    TRect r = R;
    C().Frame3D(r, clBtnHighlight, clWindowFrame, 1);
}

// --- outlook

namespace {
void OutlookShade(TCanvas& C, const TRect& R, TColor Face) {
    const int amounts[3] = {50, 100, 150};
    for (int i = 0; i < 3; ++i) {
        C.Pen().SetColor(BlendColors(clBtnShadow, Face, amounts[i]));
        C.MoveTo(R.Left, R.Bottom - 3 + i);
        C.LineTo(R.Right, R.Bottom - 3 + i);
    }
}
} // namespace

void TOutlookStyleDisplay::DrawAreaSplitter(const TRect& R) { TGraphicsProvider::DrawButton(C(), R, false); }

void TOutlookStyleDisplay::DrawCornerBox(const TRect& R, TBoxLocation) {
    Fill(TRect(R.Left, R.Top, R.Right, R.Bottom - 3), clBtnFace);
    Line(R.Right - 1, R.Top, R.Right - 1, R.Bottom - 1, clBtnShadow);
    OutlookShade(C(), R, clBtnFace);
}

void TOutlookStyleDisplay::DrawHeaderFace(TGxCustomColumn* Column, const TRect& R) {
    const TColor face = Column->Header()->Color();
    Fill(TRect(R.Left, R.Top, R.Right, R.Bottom - 3), face);
    if (IsEdgeLeft(Column))
        Line(R.Left, R.Top, R.Left, R.Bottom - 3, clBtnHighlight);
    else
        Line(R.Left, R.Top + 2, R.Left, R.Bottom - 4, clBtnHighlight);
    if (IsEdgeRight(Column))
        Line(R.Right - 1, R.Top, R.Right - 1, R.Bottom - 1, clBtnShadow);
    else
        Line(R.Right - 1, R.Top + 2, R.Right - 1, R.Bottom - 4, clBtnShadow);
    OutlookShade(C(), R, face);
}

void TOutlookStyleDisplay::DrawHeaderBackground(TGxCustomColumn* Column, const TRect& R) {
    DrawHeaderFace(Column, R);
    TStyleDisplay::DrawHeaderBackground(Column, R);
}

// --- vista

void TVistaStyleDisplay::DrawHeaderFace(TGxCustomColumn* Column, const TRect& R) {
    Line(R.Left, R.Top, R.Left, R.Bottom, clWhite);
    Line(R.Right - 1, R.Top, R.Right - 1, R.Bottom, clBtnFace);
    const TRect inner(R.Left + 1, R.Top, R.Right - 1, R.Bottom);
    if (!Column->Sorted()) {
        Fill(inner, static_cast<TColor>(0xF0F0F0));
        return;
    }
    DrawVerticalGradient(C(), TRect(inner.Left, inner.Top, inner.Right, inner.Top + 6),
                         static_cast<TColor>(0xF0DCAF), clWhite);
    Fill(TRect(inner.Left, inner.Top + 6, inner.Right, inner.Bottom), clWhite);
    const int x = R.Left + R.Width() / 2 - 3;
    const int y = 0;
    C().Pen().SetColor(clWhite);
    C().Brush().SetColor(clWhite);
    C().Brush().SetStyle(bsSolid);
    if (Column->SortKind() == skAscending)
        C().Polygon({{x + 3, y}, {x + 6, y + 3}, {x, y + 3}});
    else
        C().Polygon({{x, y}, {x + 3, y + 3}, {x + 6, y}});
}

void TVistaStyleDisplay::DrawHeaderBackground(TGxCustomColumn* Column, const TRect& R) {
    DrawHeaderFace(Column, R);
    TStyleDisplay::DrawHeaderBackground(Column, R);
}

void TVistaStyleDisplay::DrawIndicator(const TRect& R, int, bool, bool) {
    Line(R.Left, R.Top, R.Left, R.Bottom, clWhite);
    Line(R.Right - 1, R.Top, R.Right - 1, R.Bottom, clBtnFace);
    Fill(TRect(R.Left + 1, R.Top, R.Right - 1, R.Bottom), static_cast<TColor>(0xF0F0F0));
}

// --- office

TColor TOffice2007StyleDisplay::FaceTop() const { return clWhite; }
TColor TOffice2007StyleDisplay::FaceBottom() const { return GetSchemeColor(11); }
TColor TOffice2010StyleDisplay::FaceTop() const { return GetSchemeColor(6); }
TColor TOffice2010StyleDisplay::FaceBottom() const { return GetSchemeColor(7); }

void TOffice2007StyleDisplay::DrawAreaSplitter(const TRect& R) { Fill(R, GetSchemeColor(11)); }

void TOffice2007StyleDisplay::DrawCornerBox(const TRect& R, TBoxLocation) {
    DrawVerticalGradient(C(), R, FaceTop(), FaceBottom());
    C().Pen().SetColor(GetSchemeColor(2));
    C().Polyline({{R.Right - 1, R.Top}, {R.Right - 1, R.Bottom - 1}, {R.Left - 1, R.Bottom - 1}});
}

void TOffice2007StyleDisplay::DrawIndicator(const TRect& R, int, bool, bool) { DrawCornerBox(R, bpAlone); }

void TOffice2007StyleDisplay::DrawHeaderFace(TGxCustomColumn* Column, const TRect& R) {
    if (Column->Focused())
        DrawVerticalGradient(C(), R, FaceBottom(), FaceTop());
    else
        DrawVerticalGradient(C(), R, FaceTop(), FaceBottom());
    if (IsEdgeRight(Column))
        Line(R.Right - 1, R.Top, R.Right - 1, R.Bottom - 1, GetSchemeColor(2));
    else
        Line(R.Right - 1, R.Top + 2, R.Right - 1, R.Bottom - 3, GetSchemeColor(10));
    Line(R.Left, R.Bottom - 1, R.Right, R.Bottom - 1, GetSchemeColor(2));
}

void TOffice2007StyleDisplay::DrawHeaderBackground(TGxCustomColumn* Column, const TRect& R) {
    DrawHeaderFace(Column, R);
}

void TOffice2010StyleDisplay::DrawSortArrow(int X, int Y, bool Ascending) {
    C().Pen().SetColor(clBlack);
    C().Brush().SetColor(static_cast<TColor>(0xB5ACA5));
    C().Brush().SetStyle(bsSolid);
    if (Ascending)
        C().Polygon({{X, Y + 4}, {X + 4, Y}, {X + 8, Y + 4}});
    else
        C().Polygon({{X, Y}, {X + 4, Y + 4}, {X + 8, Y}});
}

KORVEL_CLASS_INFO(TStyleDisplay) {}
KORVEL_CLASS_INFO(TDefaultStyleDisplay) {}
KORVEL_CLASS_INFO(TFlatStyleDisplay) {}
KORVEL_CLASS_INFO(TOldStyleDisplay) {}
KORVEL_CLASS_INFO(TOutlookStyleDisplay) {}
KORVEL_CLASS_INFO(TVistaStyleDisplay) {}
KORVEL_CLASS_INFO(TOffice2007StyleDisplay) {}
KORVEL_CLASS_INFO(TOffice2010StyleDisplay) {}
