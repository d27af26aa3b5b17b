#pragma once
// The scrolling base of the grids: a scroll-bar model mirrored into the window's own bars, a
// control that scrolls two clip rectangles of its client area, and middle-button roll scrolling.

#include "platform/rtl/Set.h"
#include "platform/rtti/Classes.h"
#include "platform/ui/Controls.h"

#include <functional>
#include <memory>

class TTimer;
class TRollShadow;
class TGxCustomScrollControl;

enum TScrollBarKind { skHorizontal, skVertical };
enum TScrollKind { rkIdle, rkLine, rkPage, rkThumb, rkTopBottom };
enum TRollDirectionItem { rdUp, rdDown };
using TRollDirection = TSet<TRollDirectionItem>;
enum TGxScrollStyleItem { rsRoll };
using TGxScrollStyle = TSet<TGxScrollStyleItem>;
enum TViewStateItem { vsRolling };
using TViewState = TSet<TViewStateItem>;
using TScrollEvent = std::function<void(TObject* Sender, int Position)>;

// Cursor numbers of roll scrolling in the screen's cursor list.
constexpr TCursor crRoll = 4003;
constexpr TCursor crRollUp = 4004;
constexpr TCursor crRollDown = 4005;

class TGxCustomScrollBar : public TPersistent {
    KORVEL_CLASS(TGxCustomScrollBar, TPersistent)
public:
    TGxCustomScrollBar(TGxCustomScrollControl* AOwnerScrollView, TCanvas* ACanvas);

    bool AutoHide() const { return FAutoHide; }
    void SetAutoHide(bool Value);
    int BarFlag() const { return FBarFlag; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    TScrollBarKind Kind() const { return FKind; }
    void SetKind(TScrollBarKind Value);
    int LargeChange() const { return FLargeChange; }
    void SetLargeChange(int Value) { FLargeChange = Value; }
    bool ManualScroll() const { return FManualScroll; }
    void SetManualScroll(bool Value) { FManualScroll = Value; }
    int Max() const { return FMax; }
    void SetMax(int Value);
    int Min() const { return FMin; }
    void SetMin(int Value);
    int OldPosition() const { return FOldPosition; }
    int PageSize() const { return FPageSize; }
    void SetPageSize(int Value);
    int Position() const { return FPosition; }
    void SetPosition(int Value);
    TScrollKind ScrollKind() const { return FScrollKind; }
    void SetScrollKind(TScrollKind Value) { FScrollKind = Value; }
    int SmallChange() const { return FSmallChange; }
    void SetSmallChange(int Value) { FSmallChange = Value; }
    bool Visible() const { return FVisible; }
    TGxCustomScrollControl* Owner() const { return FOwner; }

    virtual void SetVisible(bool Value) { FVisible = Value; }
    virtual void UpdateScrollBar() {}
    virtual void PageDown();
    virtual void PageUp();
    virtual void SetValues(int AMax, int APageSize, int ALargeChange);

    bool CanBeVisible() const;
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate() { --FUpdateCount; }
    void First() { SetPosition(0); }
    void Last() { SetPosition(FMax - FPageSize + 1); }
    void MoveBy(int Distance) { SetPosition(FPosition + Distance); }
    void Next();
    void Prior();
    bool IsFirst() const { return FPosition == 0; }
    bool IsLast() const { return FMax < FPosition + FPageSize; }
    void Expand(bool Shrink) { SetMax(Shrink ? FMax - 1 : FMax + 1); }
    int GetTrackPosition() const;
    void Assign(const TPersistent* Source) override;

protected:
    void SendScroll(int Code);

    bool FAutoHide = true;
    bool FManualScroll = false;
    int FBarFlag = -1;
    TCanvas* FCanvas = nullptr;
    bool FEnabled = true;
    TScrollBarKind FKind = skHorizontal;
    int FLargeChange = 1;
    int FMax = 0;
    int FMin = 0;
    int FOldPosition = 0;
    TGxCustomScrollControl* FOwner = nullptr;
    int FPageSize = 0;
    int FPosition = 0;
    int FSmallChange = 1;
    TScrollKind FScrollKind = rkIdle;
    int FUpdateCount = 0;
    bool FVisible = false;
    bool IsUpdating = false;
};

// The bar mirrored into the owner window's standard scroll bar.
class TGxScrollBar : public TGxCustomScrollBar {
    KORVEL_CLASS(TGxScrollBar, TGxCustomScrollBar)
public:
    using TGxCustomScrollBar::TGxCustomScrollBar;
    void SetVisible(bool Value) override;
    void UpdateScrollBar() override;
};

class TGxCustomScrollControl : public TCustomControl {
    KORVEL_CLASS(TGxCustomScrollControl, TCustomControl)
public:
    explicit TGxCustomScrollControl(TComponent* AOwner);

    TRect HorzScrollClipRect() const { return FHorzScrollClipRect; }
    void SetHorzScrollClipRect(const TRect& Value) { FHorzScrollClipRect = Value; }
    TRect VertScrollClipRect() const { return FVertScrollClipRect; }
    void SetVertScrollClipRect(const TRect& Value) { FVertScrollClipRect = Value; }

    // Pixel distance of a position change (0 here; the grid measures rows and columns).
    virtual int GetHorzScrollDelta(int OldPosition, int NewPosition) { return 0; }
    virtual int GetVertScrollDelta(int OldPosition, int NewPosition) { return 0; }
    virtual void AfterScroll(TScrollBarKind Kind) {}
    virtual void BeforeScroll(TScrollBarKind Kind) {}
    virtual void ScrollContent(TGxCustomScrollBar* Bar, int DeltaX, int DeltaY);

    void FocusNextControl();
    void FocusPriorControl();

    // Reached by the scroll bars' Next/Prior/PageUp/PageDown.
    using TWinControl::SendScroll;

protected:
    TRect FHorzScrollClipRect;
    bool FMouseEnteredControl = false;
    TRect FVertScrollClipRect;
};

void SetFocusIfOnForm(TWinControl* Control);

class TGxScrollControl : public TGxCustomScrollControl {
    KORVEL_CLASS(TGxScrollControl, TGxCustomScrollControl)
public:
    explicit TGxScrollControl(TComponent* AOwner);
    ~TGxScrollControl() override;

    TGxScrollBar* HorzScrollBar() const { return FHorzScrollBar.get(); }
    void SetHorzScrollBar(const TGxScrollBar* Value) { FHorzScrollBar->Assign(Value); }
    TGxScrollBar* VertScrollBar() const { return FVertScrollBar.get(); }
    void SetVertScrollBar(const TGxScrollBar* Value) { FVertScrollBar->Assign(Value); }
    bool MouseWheelEnabled() const { return FMouseWheelEnabled; }
    void SetMouseWheelEnabled(bool Value) { FMouseWheelEnabled = Value; }
    TGxScrollStyle ScrollStyle() const { return FScrollStyle; }
    void SetScrollStyle(const TGxScrollStyle& Value) { FScrollStyle = Value; }
    TViewState ViewState() const { return FViewState; }
    TRollDirection RollDirection() const { return FRollDirection; }
    TPoint RollPoint() const { return FRollPoint; }
    TRollShadow* RollShadow() const { return FRollShadow.get(); }
    TTimer* RollTimer() const { return FRollTimer.get(); }

    TScrollEvent OnHorizontalScroll;
    TScrollEvent OnVerticalScroll;

    virtual void DoHorizontalScroll();
    virtual void DoVerticalScroll();
    void RollTimerTick(TObject* Sender);

protected:
    void InitWidget() override;
    void EnabledChanged() override;
    int DialogCode() const override { return DLGC_WANTARROWS; }
    bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
    bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void WMHScroll(int ScrollCode, int Pos) override;
    void WMVScroll(int ScrollCode, int Pos) override;
    // The mouse position in client coordinates, read by the roll timer.
    virtual TPoint RollCursorPos();

private:
    void HandleScroll(TGxScrollBar* Bar, int ScrollCode, int Pos);
    void RegisterRollCursors();

    std::unique_ptr<TGxScrollBar> FHorzScrollBar;
    bool FMouseWheelEnabled = true;
    TRollDirection FRollDirection;
    TPoint FRollPoint;
    std::unique_ptr<TRollShadow> FRollShadow;
    std::unique_ptr<TTimer> FRollTimer;
    TGxScrollStyle FScrollStyle{rsRoll};
    std::unique_ptr<TGxScrollBar> FVertScrollBar;
    TViewState FViewState;
};
