#pragma once
// Small floating windows of the grid: the roll-scrolling marker and the column drop arrows.
// A desktop may refuse to place top-level pop-ups, so a flyout is a shaped child overlay of the
// top-level window of the control it serves; positions are still given in screen coordinates.

#include "platform/ui/Controls.h"

class TGxFlyoutControl : public TCustomControl {
    KORVEL_CLASS(TGxFlyoutControl, TCustomControl)
public:
    explicit TGxFlyoutControl(TComponent* AOwner);

    // Places the flyout with its top-left at the screen point (X, Y).
    void SetScreenBounds(int X, int Y, int AWidth, int AHeight);
    // The flyout's rectangle in screen coordinates.
    TRect ScreenBoundsRect();

protected:
    // The top-level window the flyout overlays (the owner control's form or topmost parent).
    TWinControl* Host() const;
    void Paint() override;
    // What the flyout paints over its whole client area.
    virtual TColor FillColour() const { return clGrayText; }
};

enum TRollShadowKind { rkBoth, rkVertical, rkHorizontal };

class TRollShadow : public TGxFlyoutControl {
    KORVEL_CLASS(TRollShadow, TGxFlyoutControl)
public:
    explicit TRollShadow(TComponent* AOwner);

    TPoint Position() const { return FPosition; }
    void SetPosition(const TPoint& P);
    TRollShadowKind Kind() const { return FKind; }
    void SetKind(TRollShadowKind Value) { FKind = Value; }
    // The marker's shape in window coordinates.
    static QRegion ShapeRegion();
    virtual void UpdateShape();

private:
    TPoint FPosition;
    TRollShadowKind FKind = rkVertical;
};

enum TArrowKind { akNone, akUp, akDown };

class TDragArrow : public TGxFlyoutControl {
    KORVEL_CLASS(TDragArrow, TGxFlyoutControl)
public:
    explicit TDragArrow(TComponent* AOwner);

    TArrowKind ArrowKind() const { return FArrowKind; }
    void SetArrowKind(TArrowKind Value);
    static QRegion ShapeRegion(TArrowKind Kind);
    virtual void UpdateShape();

protected:
    TColor FillColour() const override { return clRed; }

private:
    TArrowKind FArrowKind = akNone;
};
