#include "platform/ui/Buttons.h"

TSpeedButton::TSpeedButton(TComponent* AOwner)
    : TGraphicControl(AOwner), FGlyph(std::make_unique<TBitmap>()) {
    FWidth = 23;
    FHeight = 22;
}

TSpeedButton::~TSpeedButton() = default;

void TSpeedButton::SetFlat(bool value) {
    FFlat = value;
    Invalidate();
}

void TSpeedButton::SetDown(bool value) {
    if (value == FDown) return;
    if (FGroupIndex == 0) value = false;
    if (!value && FDown && !FAllowAllUp && FGroupIndex != 0) return;
    FDown = value;
    if (value && FParent)
        for (int i = 0; i < FParent->ControlCount(); ++i)
            if (auto* b = dynamic_cast<TSpeedButton*>(FParent->Controls(i));
                b && b != this && b->FGroupIndex == FGroupIndex && b->FDown) {
                b->FDown = false;
                b->Invalidate();
            }
    Invalidate();
}

void TSpeedButton::SetGlyph(const TBitmap* value) {
    if (value)
        FGlyph->Assign(*value);
    else
        FGlyph = std::make_unique<TBitmap>();
    Invalidate();
}

void TSpeedButton::SetLayout(TButtonLayout value) {
    FLayout = value;
    Invalidate();
}

void TSpeedButton::SetSpacing(int value) {
    FSpacing = value;
    Invalidate();
}

void TSpeedButton::Click() {
    if (FGroupIndex != 0) SetDown(FAllowAllUp ? !FDown : true);
    TGraphicControl::Click();
}

void TSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbLeft && FEnabled) {
        FPressed = true;
        Invalidate();
    }
    TGraphicControl::MouseDown(Button, Shift, X, Y);
}

void TSpeedButton::MouseMove(TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseMove(Shift, X, Y);
    if (Shift.Contains(ssLeft)) {
        const bool inside = ClientRect().Contains({X, Y});
        if (inside != FPressed) {
            FPressed = inside;
            Invalidate();
        }
    }
}

void TSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    FPressed = false;
    Invalidate();
    TGraphicControl::MouseUp(Button, Shift, X, Y);
}

void TSpeedButton::MouseEnter() {
    FHot = true;
    if (FFlat) Invalidate();
    TGraphicControl::MouseEnter();
}

void TSpeedButton::MouseLeave() {
    FHot = false;
    if (FFlat) Invalidate();
    TGraphicControl::MouseLeave();
}

void TSpeedButton::Paint() {
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    c->Brush().SetColor(FDown && !FPressed ? clBtnHighlight : clBtnFace);
    c->Brush().SetStyle(bsSolid);
    c->FillRect(r);
    const bool sunken = FPressed || FDown;
    if (sunken) {
        c->Frame3D(r, clBtnShadow, clBtnHighlight, 1);
    } else if (!FFlat || FHot) {
        if (!FFlat) {
            TRect outer = r;
            c->Frame3D(outer, clBtnHighlight, cl3DDkShadow, 1);
            c->Frame3D(outer, clBtnFace, clBtnShadow, 1);
        } else {
            c->Frame3D(r, clBtnHighlight, clBtnShadow, 1);
        }
    }
    TRect content = ClientRect();
    if (sunken) OffsetRect(content, 1, 1);
    const bool hasGlyph = !FGlyph->Empty();
    c->SetFont(*FFont);
    if (!FEnabled) c->Font().SetColor(clGrayText);
    TRect tr = Rect(0, 0, 0, 0);
    if (!FText.isEmpty()) c->DrawText(FText, tr, DT_CALCRECT | DT_SINGLELINE);
    const int gw = hasGlyph ? FGlyph->Width() : 0, gh = hasGlyph ? FGlyph->Height() : 0;
    const int gap = hasGlyph && !FText.isEmpty() ? FSpacing : 0;
    const bool horizontal = FLayout == blGlyphLeft || FLayout == blGlyphRight;
    const int totalW = horizontal ? gw + gap + tr.Width() : std::max(gw, tr.Width());
    const int totalH = horizontal ? std::max(gh, tr.Height()) : gh + gap + tr.Height();
    const int x0 = content.Left + (content.Width() - totalW) / 2;
    const int y0 = content.Top + (content.Height() - totalH) / 2;
    int gx = x0, gy = y0, tx = x0, ty = y0;
    switch (FLayout) {
    case blGlyphLeft: gy = y0 + (totalH - gh) / 2; tx = x0 + gw + gap; ty = y0 + (totalH - tr.Height()) / 2; break;
    case blGlyphRight: tx = x0; ty = y0 + (totalH - tr.Height()) / 2; gx = x0 + tr.Width() + gap; gy = y0 + (totalH - gh) / 2; break;
    case blGlyphTop: gx = x0 + (totalW - gw) / 2; tx = x0 + (totalW - tr.Width()) / 2; ty = y0 + gh + gap; break;
    case blGlyphBottom: tx = x0 + (totalW - tr.Width()) / 2; gx = x0 + (totalW - gw) / 2; gy = y0 + tr.Height() + gap; break;
    }
    if (hasGlyph) c->Draw(gx, gy, *FGlyph);
    if (!FText.isEmpty()) {
        c->Brush().SetStyle(bsClear);
        TRect out = Rect(tx, ty, tx + tr.Width(), ty + tr.Height());
        c->DrawText(FText, out, DT_SINGLELINE);
    }
}

// ---------------------------------------------------------------------------------------------
// Published properties
KORVEL_CLASS_INFO(TSpeedButton) {
    b.Prop("AllowAllUp", &TSpeedButton::AllowAllUp, &TSpeedButton::SetAllowAllUp).Default(false);
    b.Prop("GroupIndex", &TSpeedButton::GroupIndex, &TSpeedButton::SetGroupIndex).Default(0);
    b.Prop("Down", &TSpeedButton::Down, &TSpeedButton::SetDown).Default(false);
    b.Prop("Flat", &TSpeedButton::Flat, &TSpeedButton::SetFlat).Default(false);
    b.Prop("Glyph", &TSpeedButton::Glyph, &TSpeedButton::SetGlyph);
    b.Prop("Layout", &TSpeedButton::Layout, &TSpeedButton::SetLayout).Default(blGlyphLeft);
    b.Prop("Spacing", &TSpeedButton::Spacing, &TSpeedButton::SetSpacing).Default(4);
}
