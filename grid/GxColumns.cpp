#include "grid/GxColumns.h"

#include "grid/GxDisplays.h"
#include "grid/GxEdit.h"
#include "platform/rtl/SysUtils.h"

#include <cmath>

// ---------------------------------------------------------------------------------------------
// Column parts

TColumnPart::TColumnPart(TGxCustomColumn* AColumn) : FColumn(AColumn), FGlyph(std::make_unique<TBitmap>()) {
    FGlyph->OnChange = [this](TObject*) { GlyphChanged(); };
}

TColumnPart::~TColumnPart() {
    if (FGlyph) FGlyph->OnChange = nullptr;
}

void TColumnPart::GlyphChanged() {
    if (FGlyphUpdating) return;
    FGlyphUpdating = true;
    // The bottom-left pixel is the transparent colour, as for every glyph of the grid.
    if (!FGlyph->Empty()) {
        FGlyph->SetTransparentMode(tmAuto);
        FGlyph->SetTransparent(true);
    }
    FGlyphUpdating = false;
    DoChange();
}

void TColumnPart::Assign(const TPersistent* Source) {
    if (auto src = dynamic_cast<const TColumnPart*>(Source)) {
        SetCaption(src->FCaption);
        SetColor(src->FColor);
        SetDisplayMode(src->FDisplayMode);
        SetGlyph(src->FGlyph.get());
        return;
    }
    TPersistent::Assign(Source);
}

void TColumnPart::DoChange() {
    if (OnChange) OnChange(this);
}

void TColumnPart::Refresh(TGridArea Area) {
    if (FColumn) FColumn->Refresh(Area);
}

void TColumnPart::SetCaption(const QString& Value) {
    FCaption = Value;
    Refresh(gaNone);
    if (FColumn) FColumn->Notify(cnCaptionChange);
}

void TColumnPart::SetColor(TColor Value) {
    FColor = Value;
    Refresh(gaNone);
}

void TColumnPart::SetDisplayMode(TDisplayMode Value) {
    FDisplayMode = Value;
    DoChange();
}

void TColumnPart::SetDrawingOptions(TDrawingOptions Value) {
    FDrawingOptions = Value;
    DoChange();
}

void TColumnPart::SetGlyph(const TBitmap* Value) {
    if (Value)
        FGlyph->Assign(*Value);
    else
        FGlyph->SetSize(0, 0);
    GlyphChanged();
}

TColumnHeader::TColumnHeader(TGxCustomColumn* AColumn) : TColumnPart(AColumn) {
    FColor = clBtnFace;
}

void TColumnHeader::Assign(const TPersistent* Source) {
    if (auto src = dynamic_cast<const TColumnHeader*>(Source)) {
        SetAlignment(src->FAlignment);
        SetCaption(src->FCaption);
        SetColor(src->FColor);
        SetDisplayMode(src->FDisplayMode);
        SetGlyph(src->FGlyph.get());
        SetHint(src->FHint);
        SetMultiLine(src->FMultiLine);
        SetOrientation(src->FOrientation);
        return;
    }
    TColumnPart::Assign(Source);
}

void TColumnHeader::SetOrientation(THeaderOrientation Value) {
    FOrientation = Value;
    Refresh(gaHeader);
}
void TColumnHeader::SetAlignment(TAlignment Value) {
    FAlignment = Value;
    Refresh(gaHeader);
}
void TColumnHeader::SetMultiLine(bool Value) {
    FMultiLine = Value;
    Refresh(gaHeader);
}
void TColumnHeader::SetHideArrow(bool Value) {
    FHideArrow = Value;
    Refresh(gaHeader);
}

TColumnFooter::TColumnFooter(TGxCustomColumn* AColumn) : TColumnPart(AColumn) {
    FColor = clWindow;
}

void TColumnFooter::Assign(const TPersistent* Source) {
    if (auto src = dynamic_cast<const TColumnFooter*>(Source)) {
        SetAlignment(src->FAlignment);
        SetDrawingOptions(src->FDrawingOptions);
        SetFormulaKind(src->FFormulaKind);
        SetFormatMask(src->FFormatMask);
        SetTextAfter(src->FTextAfter);
        SetTextBefore(src->FTextBefore);
        return;
    }
    TColumnPart::Assign(Source);
}

void TColumnFooter::SetAlignment(TAlignment Value) {
    FAlignment = Value;
    Refresh(gaFooter);
}
void TColumnFooter::SetFormatMask(const QString& Value) {
    FFormatMask = Value;
    DoChange();
}
void TColumnFooter::SetFormatMaskKind(TFormatMaskKind Value) {
    FFormatMaskKind = Value;
    DoChange();
}
void TColumnFooter::SetFormulaKind(TFormulaKind Value) {
    FFormulaKind = Value;
    DoChange();
}
void TColumnFooter::SetFormulaValue(double Value) {
    FFormulaValue = Value;
    DoChange();
}
void TColumnFooter::SetTextAfter(const QString& Value) {
    FTextAfter = Value;
    DoChange();
}
void TColumnFooter::SetTextBefore(const QString& Value) {
    FTextBefore = Value;
    DoChange();
}

QString TColumnFooter::DisplayText() const {
    QString text = FCaption;
    if (!FFormatMask.isEmpty()) {
        if (FFormatMaskKind == mkText)
            text = FormatMaskText(FFormatMask, FCaption);
        else
            text = FormatFloat(FFormatMask, StrToFloatDef(FCaption, 0));
    }
    return FTextBefore + text + FTextAfter;
}

void TGxSlideBounds::Assign(const TPersistent* Source) {
    if (auto src = dynamic_cast<const TGxSlideBounds*>(Source)) {
        SetLeft(src->FLeft);
        SetTop(src->FTop);
        SetWidth(src->FWidth);
        SetHeight(src->FHeight);
        return;
    }
    TPersistent::Assign(Source);
}

void TGxSlideBounds::Changed() {
    if (FOwner) FOwner->DoColumnChange(ccSlideChanged);
}
void TGxSlideBounds::SetLeft(int Value) {
    FLeft = Value;
    Changed();
}
void TGxSlideBounds::SetTop(int Value) {
    FTop = Value;
    Changed();
}
void TGxSlideBounds::SetWidth(int Value) {
    if (Value == FWidth) return;
    FWidth = Value;
    Changed();
}
void TGxSlideBounds::SetHeight(int Value) {
    if (Value == FHeight) return;
    FHeight = Value;
    Changed();
}

// ---------------------------------------------------------------------------------------------
// Display

TRect TColumnDisplay::GetTextRect() {
    return {ClientRect.Left + 2, ClientRect.Top, ClientRect.Right - 2, ClientRect.Bottom};
}

unsigned TColumnDisplay::TextFlags(bool Drawing) const {
    const TGxCustomColumn* c = FColumn;
    unsigned flags = DT_NOPREFIX;
    if (c->BiDiMode() != bdLeftToRight) flags |= DT_RTLREADING;
    if (c->Alignment() == taRightJustify) flags |= DT_RIGHT;
    if (c->Alignment() == taCenter) flags |= DT_CENTER;
    if (c->VerticalAlignment() == taAlignBottom) flags |= DT_BOTTOM;
    if (c->VerticalAlignment() == taVerticalCenter) flags |= DT_VCENTER;
    if (Drawing && c->WrapKind() == wkEllipsis) flags |= DT_END_ELLIPSIS;
    if (Drawing && c->WrapKind() == wkPathEllipsis) flags |= DT_PATH_ELLIPSIS;
    if (c->WrapKind() == wkWordWrap) flags |= DT_WORDBREAK | DT_EDITCONTROL;
    if (c->WrapKind() != wkWordWrap && !c->GetDisplayOptions().Contains(doMultiLine)) flags |= DT_SINGLELINE;
    return flags;
}

void TColumnDisplay::DrawCellText(const QString& Text, const TRect& Rect) {
    if (!Canvas) return;
    const unsigned flags = TextFlags(true);
    TRect r = Rect;
    if (!(flags & DT_SINGLELINE) && FColumn->VerticalAlignment() != taAlignTop) {
        TRect m = Rect;
        const int h = Canvas->DrawText(Text, m, flags | DT_CALCRECT);
        if (FColumn->VerticalAlignment() == taAlignBottom)
            r.Top = r.Bottom - h;
        else
            r.Top += static_cast<int>(std::nearbyint((r.Height() - h) / 2.0));
    }
    const TBrushStyle old = Canvas->Brush().Style();
    Canvas->Brush().SetStyle(bsClear);
    Canvas->DrawText(Text, r, flags);
    Canvas->Brush().SetStyle(old);
}

TSize TColumnDisplay::GetTextSize() {
    if (!Canvas) return {};
    TRect r = GetTextRect();
    Canvas->DrawText(AsString, r, TextFlags(false) | DT_CALCRECT | DT_NOCLIP);
    return {r.Width(), r.Height()};
}

void TColumnDisplay::DrawHintMark() {
    if (!Canvas) return;
    const TRect& c = ClientRect;
    Canvas->Pen().SetColor(clRed);
    Canvas->Brush().SetStyle(bsSolid);
    Canvas->Brush().SetColor(clRed);
    Canvas->Polygon({{c.Right - 5, c.Top}, {c.Right - 1, c.Top}, {c.Right - 1, c.Top + 4}});
}

void TColumnDisplay::PaintBackground(TColor CellColor, bool ClientCell) {
    if (!Canvas) return;
    Canvas->Brush().SetStyle(bsSolid);
    Canvas->Brush().SetColor(CellColor);
    if (ClientCell)
        Canvas->FillRect(ClientRect);
    else
        Canvas->FrameRect(ClientRect);
}

void TColumnPlay::Show() {
    if (TColumnDisplay* d = FColumn ? FColumn->Display() : nullptr) {
        d->AsBoolean = AsBoolean;
        d->Paint();
    }
}

// ---------------------------------------------------------------------------------------------
// TGxCustomColumn

TGxCustomColumn::TGxCustomColumn(TComponent* AOwner)
    : TComponent(AOwner), FFont(std::make_unique<TFont>()), FFooter(std::make_unique<TColumnFooter>(this)),
      FHeader(std::make_unique<TColumnHeader>(this)), FSlideBounds(std::make_unique<TGxSlideBounds>(this)) {
    FFont->OnChange = [this](TObject*) { FontChanged(); };
    FFooter->OnChange = [this](TObject*) { DoColumnChange(ccUndefined); };
    FHeader->OnChange = [this](TObject*) { DoColumnChange(ccUndefined); };
}

TGxCustomColumn::~TGxCustomColumn() {
    if (FColumns) FColumns->Remove(this);
    FColumns = nullptr;
    FFont->OnChange = nullptr;
    if (FInplaceEdit) FInplaceEdit->RemoveFreeNotification(this);
}

TColumnDisplay* TGxCustomColumn::Display() {
    if (!FDisplay) {
        TColumnDisplayClass cls = GetColumnDisplayClass();
        if (!cls)
            throw EInvalidOperation(QStringLiteral("Column class %1 has no display class").arg(ClassName()));
        FDisplay = cls(this);
        if (TColumnPlayClass play = GetColumnPlayClass()) FPlay = play(this);
    }
    return FDisplay.get();
}

TGxCustomEdit* TGxCustomColumn::Editor() {
    if (!FEditorMade) {
        FEditorMade = true;
        if (TCellEditorClass cls = GetCellEditorClass()) {
            FEditor = cls(this);
            FEditor->SetVisible(false);
        }
    }
    return FEditor;
}

TGxGridLink* TGxCustomColumn::Grid() const {
    return FColumns ? FColumns->Grid() : nullptr;
}

TComponent* TGxCustomColumn::GridComponent() const {
    TGxGridLink* g = Grid();
    return g ? g->GridComponent() : nullptr;
}

bool TGxCustomColumn::IsLoading() const {
    return !FColumns || FColumns->IsGridLoading();
}

void TGxCustomColumn::Notify(TColumnNotifyOperation Operation) {
    // Copy: a procedure may unregister itself.
    const auto list = FNotifyList;
    for (const auto& [cookie, proc] : list)
        proc(this, Operation);
}

void TGxCustomColumn::DoColumnChange(TColumnChangeKind Kind, int Param) {
    if (FColumns) FColumns->DoColumnChange(this, Kind, Param);
}

int TGxCustomColumn::RegisterNotification(TColumnNotifyProc ANotify) {
    const int cookie = FNextCookie++;
    FNotifyList.emplace_back(cookie, std::move(ANotify));
    return cookie;
}

void TGxCustomColumn::UnregisterNotification(int Cookie) {
    std::erase_if(FNotifyList, [Cookie](const auto& e) { return e.first == Cookie; });
}

void TGxCustomColumn::FontChanged() {
    if (FParentFontUpdating) return;
    FParentFont = false;
    DoColumnChange(ccUndefined);
}

void TGxCustomColumn::CopyParentFont() {
    TGxGridLink* g = Grid();
    if (!g || !g->GridFont()) return;
    FParentFontUpdating = true;
    FFont->Assign(*g->GridFont());
    FParentFontUpdating = false;
}

void TGxCustomColumn::SetName(const QString& Value) {
    TComponent::SetName(Value);
    Notify(cnCaptionChange);
}

void TGxCustomColumn::SetParentComponent(TComponent* AParent) {
    auto* grid = dynamic_cast<TGxGridLink*>(AParent);
    if (grid && grid->GridColumns()) grid->GridColumns()->AppendStreamed(this);
}

void TGxCustomColumn::Loaded() {
    TComponent::Loaded();
    if (FColumns && FColumns->PositionOf(this) < 0) FColumns->PlaceStreamed(this);
}

void TGxCustomColumn::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove) {
        if (AComponent == FInplaceEdit) FInplaceEdit = nullptr;
        if (AComponent == FEditor) FEditor = nullptr;
    }
}

void TGxCustomColumn::SetAlignment(TAlignment Value) {
    FAlignment = Value;
    Notify(ccAlignChange);
    DoColumnChange(ccUndefined);
}
void TGxCustomColumn::SetBiDiMode(TBiDiMode Value) {
    FBiDiMode = Value;
    DoColumnChange(ccUndefined);
}
void TGxCustomColumn::SetColor(TColor Value) {
    FColor = Value;
    Notify(cnColorChange);
    DoColumnChange(ccUndefined);
}
void TGxCustomColumn::SetCursor(TCursor Value) {
    FCursor = Value;
    DoColumnChange(ccUndefined);
}
void TGxCustomColumn::SetDrawingOptions(TDrawingOptions Value) {
    FDrawingOptions = Value;
    Notify(ccDrawingChange);
    DoColumnChange(ccUndefined);
}
void TGxCustomColumn::SetFont(const TFont* Value) {
    if (!Value) return;
    FFont->Assign(*Value);
}
void TGxCustomColumn::SetFooter(const TColumnFooter* Value) {
    if (Value) FFooter->Assign(Value);
    DoColumnChange(ccUndefined);
}
void TGxCustomColumn::SetHeader(const TColumnHeader* Value) {
    if (Value) FHeader->Assign(Value);
    DoColumnChange(ccUndefined);
}
void TGxCustomColumn::SetInplaceEdit(TGxCustomEdit* Value) {
    if (FInplaceEdit) FInplaceEdit->RemoveFreeNotification(this);
    FInplaceEdit = Value;
    if (Value) Value->FreeNotification(this);
}
void TGxCustomColumn::SetInputCaption(const QString& Value) {
    FInputCaption = Value;
    DoColumnChange(ccUndefined);
}
void TGxCustomColumn::SetInputValue(const QString& Value) {
    FInputValue = Value;
    DoColumnChange(ccInputChange);
}

void TGxCustomColumn::SetOptions(const TColumnOptions& Value) {
    const TColumnOptions old = FOptions;
    if (Value.Contains(coSearchColumn) && !old.Contains(coSearchColumn) && FColumns) {
        // At most one search column.
        for (int i = 0; i < FColumns->Count(); ++i) {
            TGxCustomColumn* c = FColumns->Item(i);
            if (c != this && c->FOptions.Contains(coSearchColumn))
                c->SetOptions(c->FOptions - coSearchColumn);
        }
    }
    FOptions = Value;
    if (!FColumns || FColumns->IsGridLoading()) return;
    if (old.Contains(coAutoSize) || Value.Contains(coAutoSize)) FColumns->ResizeColumns(this, true);
    DoColumnChange(ccUndefined);
    Notify(cnColorChange);
}

void TGxCustomColumn::SetEditing(bool Value) {
    SetOptions(Value ? FOptions + coEditing : FOptions - coEditing);
}

void TGxCustomColumn::SetPadding(int Value) {
    FPadding = Value;
    Refresh(gaBody);
}
void TGxCustomColumn::SetParentCellColor(bool Value) {
    FParentCellColor = Value;
    Refresh(gaBody);
}
void TGxCustomColumn::SetParentFont(bool Value) {
    FParentFont = Value;
    if (Value) CopyParentFont();
}

void TGxCustomColumn::SetPosition(int Value) {
    // One ccPosition per move: ChangePosition raises it.
    if (FColumns && !IsLoading() && !ComponentState().Contains(csReading)) {
        const int cur = FColumns->PositionOf(this);
        if (cur >= 0) FColumns->ChangePosition(cur, Value);
    }
    FPosition = Value;
}

void TGxCustomColumn::SetSlideBounds(const TGxSlideBounds* Value) {
    if (Value) FSlideBounds->Assign(Value);
    DoColumnChange(ccUndefined);
}
void TGxCustomColumn::SetSlideCaption(const QString& Value) {
    FSlideCaption = Value;
    Refresh(gaNone);
}
void TGxCustomColumn::SetSlideCaptionLocation(TSlideCatpionLocation Value) {
    FSlideCaptionLocation = Value;
    DoColumnChange(ccUndefined);
}
void TGxCustomColumn::SetSlideOptions(const TColumnSlideOptions& Value) {
    FSlideOptions = Value;
    DoColumnChange(ccSlideChanged);
}

void TGxCustomColumn::SetSorted(bool Value) {
    if (GetColumnStyle().Contains(csDisableSorting)) return;
    if (Value) {
        if (FColumns)
            for (int i = 0; i < FColumns->Count(); ++i) {
                TGxCustomColumn* c = FColumns->Item(i);
                if (c->FSorted) {
                    c->FSorted = false;
                    c->DoColumnChange(ccUnsorted);
                }
            }
        FSorted = true;
        DoColumnChange(ccSorted);
    } else {
        FSorted = false;
        DoColumnChange(ccUnsorted);
    }
}

void TGxCustomColumn::SetSortKind(TSortKind Value) {
    FSortKind = Value;
    DoColumnChange(ccSortTypeChange);
}
void TGxCustomColumn::SetSortType(TSortType Value) {
    FSortType = Value;
    DoColumnChange(ccSortTypeChange);
}
void TGxCustomColumn::SetVerticalAlignment(TVerticalAlignment Value) {
    FVerticalAlignment = Value;
    DoColumnChange(ccUndefined);
}

void TGxCustomColumn::SetVisible(bool Value) {
    if (Value == FVisible) return;
    FVisible = Value;
    Notify(ccVisibleChange);
    DoColumnChange(ccVisible);
    if (FColumns && !IsLoading()) {
        FColumns->UpdateColumns(false);
        FColumns->ResizeColumns(nullptr, false);
    }
}

void TGxCustomColumn::HideSilently() {
    FVisible = false;
    FVisibleIndex = -1;
    FLeft = 0;
    Notify(ccVisibleChange);
    DoColumnChange(ccVisible);
}

void TGxCustomColumn::SetSilentWidth(int Value) {
    if (Value < FMinWidth) Value = FMinWidth;
    const int old = FWidth;
    FWidth = Value;
    FSilentWidth = Value;
    if (old == Value) return;
    if (FColumns && !IsLoading()) FColumns->UpdateColumns(false);
    DoColumnChange(ccWidth, Value - old);
}

void TGxCustomColumn::SetWidth(int Value) {
    SetSilentWidth(Value);
    if (IsDesigning()) FDefaultWidth = FWidth;
    if (FColumns) FColumns->ResizeColumns(this, false);
}

void TGxCustomColumn::SetWrapKind(TWrapKind Value) {
    FWrapKind = Value;
    Refresh(gaBody);
}

int TGxCustomColumn::AbsoluteLeft() const {
    TGxGridLink* g = Grid();
    if (!g) return FLeft;
    if (FColumns && FPosition >= 0 && FPosition < FColumns->FixedCols()) return FLeft;
    return FLeft - g->GridHorzScrollPos();
}

TRect TGxCustomColumn::ClientRect() const {
    TGxGridLink* g = Grid();
    const int left = AbsoluteLeft();
    const int header = g ? g->GridHeaderSize() : 0;
    const int height = g ? g->GridClientHeight() : 0;
    return {left, header, left + FWidth, height - header - 4};
}

bool TGxCustomColumn::First() const {
    return FColumns && FColumns->FirstEnabled() == this;
}
bool TGxCustomColumn::Last() const {
    return FColumns && FColumns->LastEnabled() == this;
}
bool TGxCustomColumn::Focused() const {
    return Grid() && Grid()->FocusedColumn() == this;
}
bool TGxCustomColumn::Hover() const {
    return Grid() && Grid()->HoverColumn() == this;
}
bool TGxCustomColumn::Selected() const {
    return Grid() && Grid()->SelectedColumn() == Index();
}
int TGxCustomColumn::Index() const {
    return FColumns ? FColumns->IndexOf(this) : -1;
}
void TGxCustomColumn::SetIndex(int Value) {
    if (FColumns) FColumns->Move(Index(), Value);
}

TColumnLocation TGxCustomColumn::Location() const {
    if (IsAlone()) return clAlone;
    if (FVisibleIndex == 0) return clLeftSide;
    if (FColumns && FVisibleIndex == FColumns->VisibleCount() - 1) return clRightSide;
    return clMiddle;
}

bool TGxCustomColumn::IsAlone() const {
    return FColumns && FColumns->VisibleCount() == 1 && FVisible;
}

TGxCustomColumn* TGxCustomColumn::NextColumn() const {
    if (FColumns) {
        for (int p = FColumns->PositionOf(this) + 1; p < FColumns->Count(); ++p) {
            TGxCustomColumn* c = FColumns->PositionItem(p);
            if (c->FVisible && c->FEnabled) return c;
        }
    }
    return const_cast<TGxCustomColumn*>(this);
}

TGxCustomColumn* TGxCustomColumn::PrevColumn() const {
    if (FColumns) {
        for (int p = FColumns->PositionOf(this) - 1; p >= 0; --p) {
            TGxCustomColumn* c = FColumns->PositionItem(p);
            if (c->FVisible && c->FEnabled) return c;
        }
    }
    return const_cast<TGxCustomColumn*>(this);
}

TRect TGxCustomColumn::SlideRect() const {
    return {FSlideBounds->Left(), FSlideBounds->Top(), FSlideBounds->Right(), FSlideBounds->Bottom()};
}

void TGxCustomColumn::Refresh(TGridArea GridArea) {
    if (FColumns) FColumns->UpdateColumn(this, GridArea);
}
void TGxCustomColumn::Resort() {
    DoColumnChange(ccSorted);
}
void TGxCustomColumn::RevertStyle() {
    DoColumnChange(ccRevertStyle);
}

TRect TGxCustomColumn::GetMemberRect(TColumnMemberKind Kind) const {
    TGxGridLink* g = Grid();
    if (!g) return {};
    TRect r;
    switch (Kind) {
    case ckFooter:
        r = g->GetFooterRect();
        r.Top += 4;
        break;
    case ckHeader:
        r = g->GetHeaderRect();
        break;
    case ckInput:
        r = g->GetInputRect();
        r.Bottom -= 6;
        break;
    default:
        return {};
    }
    r.Left = AbsoluteLeft();
    r.Right = r.Left + FWidth;
    return r;
}

bool TGxCustomColumn::IsClipped() const {
    return FColumns && FColumns->Clipped(this);
}

TColumnState TGxCustomColumn::GetColumnState() const {
    if (!FEnabled || (!GetColumnStyle().Contains(csCanEdit) && !FInplaceEdit)) return {};
    TColumnState s;
    if (FOptions.Contains(coEditing)) s += ceEditable;
    if (FOptions.Contains(coCanInput)) s += ceCanInput;
    return s;
}

int TGxCustomColumn::GetCellBestFit(const QString& Value) {
    TCanvas* canvas = Display()->Canvas;
    const int w = (canvas ? canvas->TextWidth(Value) : 0) + 6;
    return w < 8 ? 8 : w;
}

QString TGxCustomColumn::GetDrawText(const TCellInfo& Cell) {
    QString text = Cell.AsString;
    if (OnGetDrawText) OnGetDrawText(this, text);
    return text;
}

void TGxCustomColumn::BeginEditing() {
    TGxCustomEdit* e = Editor();
    if (!e) return;
    e->SetEditorUpdating(true);
    e->SetAlignment(FAlignment);
    e->SetBorderStyle(bsNone);
    e->SetBorderWidth(0);
    e->EditMargins()->SetLeft(1);
}

void TGxCustomColumn::Assign(const TPersistent* Source) {
    auto src = dynamic_cast<const TGxCustomColumn*>(Source);
    if (!src) {
        TComponent::Assign(Source);
        return;
    }
    SetAlignment(src->FAlignment);
    SetAutoEdit(src->FAutoEdit);
    SetColor(src->FColor);
    SetCursor(src->FCursor);
    SetDefaultValue(src->FDefaultValue);
    SetDrawingOptions(src->FDrawingOptions);
    SetFont(src->FFont.get());
    SetFooter(src->FFooter.get());
    SetHeader(src->FHeader.get());
    SetInputCaption(src->FInputCaption);
    SetInputValue(src->FInputValue);
    SetOptions(src->FOptions);
    SetParentFont(src->FParentFont);
    if (src->FPosition >= 0) SetPosition(src->FPosition);
    SetSlideBounds(src->FSlideBounds.get());
    if (src->FSorted != FSorted) SetSorted(src->FSorted);
    SetSortKind(src->FSortKind);
    SetVerticalAlignment(src->FVerticalAlignment);
    SetVisible(src->FVisible);
    SetWidth(src->FWidth);
    SetWrapKind(src->FWrapKind);
}

// ---------------------------------------------------------------------------------------------
// Concrete columns

TGxTextColumn::TGxTextColumn(TComponent* AOwner) : TGxCustomColumn(AOwner) {
    FOptions = {coCanClick, coCanInput, coCanSort, coPublicUsing, coShowTextFitHint};
}

void TGxTextColumn::Assign(const TPersistent* Source) {
    TGxCustomColumn::Assign(Source);
    if (auto src = dynamic_cast<const TGxTextColumn*>(Source)) {
        SetMaxLength(src->FMaxLength);
        SetMultiLine(src->FMultiLine);
        SetPasswordChar(src->FPasswordChar);
        SetTextAfter(src->FTextAfter);
        SetTextBefore(src->FTextBefore);
    }
}

void TGxTextColumn::SetMaxLength(int Value) {
    FMaxLength = Value;
    Refresh(gaBody);
}
void TGxTextColumn::SetMultiLine(bool Value) {
    FMultiLine = Value;
    Refresh(gaBody);
}
void TGxTextColumn::SetPasswordChar(QChar Value) {
    FPasswordChar = Value;
    Refresh(gaBody);
}
void TGxTextColumn::SetTextAfter(const QString& Value) {
    FTextAfter = Value;
    Refresh(gaBody);
}
void TGxTextColumn::SetTextBefore(const QString& Value) {
    FTextBefore = Value;
    Refresh(gaBody);
}

static TGxCustomEdit* MakeGxEdit(TComponent* AOwner) {
    return new TGxEdit(AOwner);
}

TCellEditorClass TGxTextColumn::GetCellEditorClass() const {
    return &MakeGxEdit;
}
TColumnDisplayClass TGxTextColumn::GetColumnDisplayClass() const {
    return &TTextColumnDisplay::Make;
}

int TGxTextColumn::GetCellBestFit(const QString& Value) {
    TCanvas* canvas = Display()->Canvas;
    return (canvas ? GetWideTextWidth(*canvas, Value) : 0) + 5;
}

TDisplayOptions TGxTextColumn::GetDisplayOptions() const {
    return FMultiLine ? TDisplayOptions{doMultiLine} : TDisplayOptions{};
}

QString TGxTextColumn::GetDrawText(const TCellInfo& Cell) {
    QString text = FTextBefore + TGxCustomColumn::GetDrawText(Cell) + FTextAfter;
    if (!FPasswordChar.isNull()) text = QString(text.size(), FPasswordChar);
    return text;
}

void TGxTextColumn::BeginEditing() {
    TGxCustomColumn::BeginEditing();
    if (TGxCustomEdit* e = Editor()) {
        e->SetInplaceEditor(true);
        e->SetMaxLength(FMaxLength);
        e->SetPasswordChar(FPasswordChar);
    }
}

TGxIncrementColumn::TGxIncrementColumn(TComponent* AOwner) : TGxCustomColumn(AOwner) {
    FColumnType = ctAutoInc;
}

TColumnDisplayClass TGxIncrementColumn::GetColumnDisplayClass() const {
    return &TIncrementColumnDisplay::Make;
}

QString TGxIncrementColumn::GetDrawText(const TCellInfo& Cell) {
    QString text = IntToStr(Cell.AsInteger + 1);
    if (OnGetDrawText) OnGetDrawText(this, text);
    return text;
}

TGxVirtualColumn::TGxVirtualColumn(TComponent* AOwner) : TGxCustomColumn(AOwner) {
    FOptions += coShowTextFitHint;
    FSortType = stAlphabetic;
    FColumnType = ctVirtual;
}

void TGxVirtualColumn::Assign(const TPersistent* Source) {
    TGxCustomColumn::Assign(Source);
    if (auto src = dynamic_cast<const TGxVirtualColumn*>(Source)) {
        SetAutoExecute(src->FAutoExecute);
        SetTextAfter(src->FTextAfter);
        SetTextBefore(src->FTextBefore);
    }
}

TCellEditorClass TGxVirtualColumn::GetCellEditorClass() const {
    return &MakeGxEdit;
}
TColumnDisplayClass TGxVirtualColumn::GetColumnDisplayClass() const {
    return &TTextColumnDisplay::Make;
}

QString TGxVirtualColumn::GetDrawText(const TCellInfo& Cell) {
    return FTextBefore + Cell.AsString + FTextAfter;
}

void TGxVirtualColumn::DoGetText(int ACol, int ARow, QString& Value) {
    if (OnGetText) OnGetText(this, ACol, ARow, Value);
}

void TGxVirtualColumn::DoSetText(int ACol, int ARow, const QString& Value) {
    if (OnSetText) OnSetText(this, ACol, ARow, Value);
}

// ---------------------------------------------------------------------------------------------
// Published properties

KORVEL_CLASS_INFO(TColumnPart) {
    b.Prop("Color", &TColumnPart::Color, &TColumnPart::SetColor).Type("TColor");
    b.Prop("Caption", &TColumnPart::Caption, &TColumnPart::SetCaption).Default("");
    b.Prop("DisplayMode", &TColumnPart::DisplayMode, &TColumnPart::SetDisplayMode).Default(dmTextOnly);
    b.Prop("DrawingOptions", &TColumnPart::DrawingOptions, &TColumnPart::SetDrawingOptions).Default(doNormal);
    b.Prop("Hint", &TColumnPart::Hint, &TColumnPart::SetHint).Default("");
}
KORVEL_CLASS_INFO(TColumnHeader) {
    b.Prop("Color", &TColumnHeader::Color, &TColumnHeader::SetColor).Type("TColor").Default(clBtnFace);
    b.Prop("HideArrow", &TColumnHeader::HideArrow, &TColumnHeader::SetHideArrow).Default(true);
    b.Prop("MultiLine", &TColumnHeader::MultiLine, &TColumnHeader::SetMultiLine).Default(false);
    b.Prop("Orientation", &TColumnHeader::Orientation, &TColumnHeader::SetOrientation).Default(hoHorizontal);
}
KORVEL_CLASS_INFO(TColumnFooter) {
    b.Prop("Color", &TColumnFooter::Color, &TColumnFooter::SetColor).Type("TColor").Default(clWindow);
    b.Prop("TextAfter", &TColumnFooter::TextAfter, &TColumnFooter::SetTextAfter).Default("");
    b.Prop("TextBefore", &TColumnFooter::TextBefore, &TColumnFooter::SetTextBefore).Default("");
    b.Prop("FormulaKind", &TColumnFooter::FormulaKind, &TColumnFooter::SetFormulaKind).Default(fkNone);
    b.Prop("FormatMask", &TColumnFooter::FormatMask, &TColumnFooter::SetFormatMask).Default("");
    b.Prop("FormatMaskKind", &TColumnFooter::FormatMaskKind, &TColumnFooter::SetFormatMaskKind)
        .Default(mkText);
}
KORVEL_CLASS_INFO(TGxSlideBounds) {
    b.Prop("Left", &TGxSlideBounds::Left, &TGxSlideBounds::SetLeft).Default(8);
    b.Prop("Top", &TGxSlideBounds::Top, &TGxSlideBounds::SetTop).Default(8);
    b.Prop("Width", &TGxSlideBounds::Width, &TGxSlideBounds::SetWidth).Default(80);
    b.Prop("Height", &TGxSlideBounds::Height, &TGxSlideBounds::SetHeight).Default(16);
}
KORVEL_CLASS_INFO(TVirtualColElement) {}
KORVEL_CLASS_INFO(TColumnDisplay) {}
KORVEL_CLASS_INFO(TColumnPlay) {}
KORVEL_CLASS_INFO(TGxCustomColumn) {
    b.Prop("Alignment", &TGxCustomColumn::Alignment, &TGxCustomColumn::SetAlignment).Default(taLeftJustify);
    b.Prop("AutoEdit", &TGxCustomColumn::AutoEdit, &TGxCustomColumn::SetAutoEdit).Default(false);
    b.Prop("Color", &TGxCustomColumn::Color, &TGxCustomColumn::SetColor).Type("TColor").Default(clWindow);
    b.Prop("DefaultValue", &TGxCustomColumn::DefaultValue, &TGxCustomColumn::SetDefaultValue).Default("");
    b.Prop("DefaultWidth", &TGxCustomColumn::DefaultWidth, &TGxCustomColumn::SetDefaultWidth).Default(80);
    b.Prop("DrawingOptions", &TGxCustomColumn::DrawingOptions, &TGxCustomColumn::SetDrawingOptions)
        .Default(doNormal);
    b.Prop("Enabled", &TGxCustomColumn::Enabled, &TGxCustomColumn::SetEnabled).Default(true);
    b.Prop("InputCaption", &TGxCustomColumn::InputCaption, &TGxCustomColumn::SetInputCaption).Default("");
    b.Prop("InputValue", &TGxCustomColumn::InputValue, &TGxCustomColumn::SetInputValue).Default("");
    b.Prop("MinWidth", &TGxCustomColumn::MinWidth, &TGxCustomColumn::SetMinWidth).Default(8);
    b.Prop("Options", &TGxCustomColumn::Options, &TGxCustomColumn::SetOptions)
        .Default(TColumnOptions{coCanClick, coCanInput, coCanSort, coPublicUsing});
    b.Prop("Padding", &TGxCustomColumn::Padding, &TGxCustomColumn::SetPadding).Default(0);
    b.Prop("ParentFont", &TGxCustomColumn::ParentFont, &TGxCustomColumn::SetParentFont).Default(true);
    b.Prop("ParentCellColor", &TGxCustomColumn::ParentCellColor, &TGxCustomColumn::SetParentCellColor)
        .Default(false);
    b.Prop("Position", &TGxCustomColumn::Position, &TGxCustomColumn::SetPosition).Default(-1);
    b.Prop("SlideCaption", &TGxCustomColumn::SlideCaption, &TGxCustomColumn::SetSlideCaption).Default("");
    b.Prop("Sorted", &TGxCustomColumn::Sorted, &TGxCustomColumn::SetSorted).Default(false);
    b.Prop("SortKind", &TGxCustomColumn::SortKind, &TGxCustomColumn::SetSortKind).Default(skAscending);
    b.Prop("SortType", &TGxCustomColumn::SortType, &TGxCustomColumn::SetSortType);
    b.Prop("StyleClass", &TGxCustomColumn::StyleClass, &TGxCustomColumn::SetStyleClass).Default("");
    b.Prop("TagString", &TGxCustomColumn::TagString, &TGxCustomColumn::SetTagString).Default("");
    b.Prop("VerticalAlignment", &TGxCustomColumn::VerticalAlignment, &TGxCustomColumn::SetVerticalAlignment)
        .Default(taVerticalCenter);
    b.Prop("Visible", &TGxCustomColumn::Visible, &TGxCustomColumn::SetVisible).Default(true);
    b.Prop("Width", &TGxCustomColumn::Width, &TGxCustomColumn::SetWidth).Default(80);
    b.Prop("WrapKind", &TGxCustomColumn::WrapKind, &TGxCustomColumn::SetWrapKind).Default(wkEllipsis);
}
KORVEL_CLASS_INFO(TGxTextColumn) {
    b.Prop("MaxLength", &TGxTextColumn::MaxLength, &TGxTextColumn::SetMaxLength).Default(0);
    b.Prop("MultiLine", &TGxTextColumn::MultiLine, &TGxTextColumn::SetMultiLine).Default(false);
    b.Prop("Options", &TGxTextColumn::Options, &TGxTextColumn::SetOptions)
        .Default(TColumnOptions{coCanClick, coCanInput, coCanSort, coPublicUsing, coShowTextFitHint});
    b.Prop("TextAfter", &TGxTextColumn::TextAfter, &TGxTextColumn::SetTextAfter).Default("");
    b.Prop("TextBefore", &TGxTextColumn::TextBefore, &TGxTextColumn::SetTextBefore).Default("");
}
KORVEL_CLASS_INFO(TGxIncrementColumn) {}
KORVEL_CLASS_INFO(TGxVirtualColumn) {
    b.Prop("AutoExecute", &TGxVirtualColumn::AutoExecute, &TGxVirtualColumn::SetAutoExecute);
    b.Prop("TextAfter", &TGxVirtualColumn::TextAfter, &TGxVirtualColumn::SetTextAfter).Default("");
    b.Prop("TextBefore", &TGxVirtualColumn::TextBefore, &TGxVirtualColumn::SetTextBefore).Default("");
}
