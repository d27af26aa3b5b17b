#pragma once
// Panels, images, bevels, paint boxes, splitters, scroll boxes and timers.

#include "platform/gfx/Picture.h"
#include "platform/ui/Controls.h"
#include "platform/ui/StdCtrls.h"

#include <QTimer>

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
KORVEL_ENUM(TBevelCut, "bvNone,bvLowered,bvRaised,bvSpace")
enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
KORVEL_ENUM(TBevelShape, "bsBox,bsFrame,bsTopLine,bsBottomLine,bsLeftLine,bsRightLine,bsSpacer")
enum TBevelStyle { bsLowered, bsRaised };
KORVEL_ENUM(TBevelStyle, "bsLowered,bsRaised")

// Draws the classic raised or lowered frame of a given width, shrinking r.
void DrawBevelFrame(TCanvas& canvas, TRect& r, TBevelCut cut, int width);

class TCustomPanel : public TCustomControl {
    KORVEL_CLASS(TCustomPanel, TCustomControl)
public:
    explicit TCustomPanel(TComponent* AOwner);

    TBevelCut BevelInner() const { return FBevelInner; }
    void SetBevelInner(TBevelCut value);
    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut value);
    int BevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int value);
    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    TVerticalAlignment VerticalAlignment() const { return FVerticalAlignment; }
    void SetVerticalAlignment(TVerticalAlignment value);
    bool ParentBackground() const { return FParentBackground; }
    void SetParentBackground(bool value);
    void AdjustClientRect(TRect& r) const override;

protected:
    void Paint() override;
    void TextChanged() override { Invalidate(); }

    TBevelCut FBevelInner = bvNone;
    TBevelCut FBevelOuter = bvRaised;
    int FBevelWidth = 1;
    int FBorderWidth = 0;
    TAlignment FAlignment = taCenter;
    TVerticalAlignment FVerticalAlignment = taVerticalCenter;
    bool FParentBackground = true;
};

class TPanel : public TCustomPanel {
    KORVEL_CLASS(TPanel, TCustomPanel)
public:
    explicit TPanel(TComponent* AOwner) : TCustomPanel(AOwner) {}
};

class TImage : public TGraphicControl {
    KORVEL_CLASS(TImage, TGraphicControl)
public:
    explicit TImage(TComponent* AOwner);
    ~TImage() override;

    TPicture* Picture() const { return FPicture.get(); }
    void SetPicture(const TPicture* value) { FPicture->Assign(*value); }
    bool Stretch() const { return FStretch; }
    void SetStretch(bool value);
    bool Proportional() const { return FProportional; }
    void SetProportional(bool value);
    bool Center() const { return FCenter; }
    void SetCenter(bool value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);
    // Where the picture is drawn inside the control.
    TRect DestRect() const;

protected:
    void Paint() override;
    void PictureChanged();

    std::unique_ptr<TPicture> FPicture;
    bool FStretch = false;
    bool FProportional = false;
    bool FCenter = false;
    bool FTransparent = false;
    bool FAutoSize = false;
};

class TBevel : public TGraphicControl {
    KORVEL_CLASS(TBevel, TGraphicControl)
public:
    explicit TBevel(TComponent* AOwner);
    TBevelShape Shape() const { return FShape; }
    void SetShape(TBevelShape value);
    TBevelStyle Style() const { return FStyle; }
    void SetStyle(TBevelStyle value);

protected:
    void Paint() override;
    TBevelShape FShape = bsBox;
    TBevelStyle FStyle = bsLowered;
};

class TPaintBox : public TGraphicControl {
    KORVEL_CLASS(TPaintBox, TGraphicControl)
public:
    explicit TPaintBox(TComponent* AOwner);
    using TGraphicControl::Canvas;
    TNotifyEvent OnPaint;

protected:
    void Paint() override;
};

// Resizes the control it is aligned against when dragged.
class TSplitter : public TGraphicControl {
    KORVEL_CLASS(TSplitter, TGraphicControl)
public:
    explicit TSplitter(TComponent* AOwner);
    int MinSize() const { return FMinSize; }
    void SetMinSize(int value) { FMinSize = value; }
    TNotifyEvent OnMoved;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    TControl* FindResizeControl() const;

    int FMinSize = 30;
    bool FDragging = false;
    TPoint FDownPos;
    int FStartSize = 0;
    TControl* FControl = nullptr;
};

// A windowed control whose children scroll when they do not fit.
class TScrollBox : public TWinControl {
    KORVEL_CLASS(TScrollBox, TWinControl)
public:
    explicit TScrollBox(TComponent* AOwner);
    // Recomputes the scroll ranges from the children's extent.
    void UpdateScrollRange();
    TPoint ScrollPosition() const { return FScrollPos; }
    void ScrollBy(int dx, int dy);
    // Scrolls so that the control is fully visible.
    void ScrollInView(TControl* AControl);

protected:
    void WMHScroll(int ScrollCode, int Pos) override;
    void WMVScroll(int ScrollCode, int Pos) override;
    void ControlsAligned() override;
    void Resize() override;
    void HandleScroll(int bar, int code, int pos);
    bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;

    TPoint FScrollPos;
    bool FUpdatingRange = false;
};

class TCustomImageList;
class QAction;

// One of the two buttons inside a buttoned edit.
class TEditButton {
public:
    bool Visible() const { return FVisible; }
    void SetVisible(bool value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int value);
    int HotImageIndex() const { return FHotImageIndex; }
    void SetHotImageIndex(int value);
    int PressedImageIndex() const { return FPressedImageIndex; }
    void SetPressedImageIndex(int value);
    int DisabledImageIndex() const { return FDisabledImageIndex; }
    void SetDisabledImageIndex(int value);
    const QString& Hint() const { return FHint; }
    void SetHint(const QString& value);

private:
    friend class TButtonedEdit;
    std::function<void()> FChanged;
    void Changed() {
        if (FChanged) FChanged();
    }
    bool FVisible = false;
    bool FEnabled = true;
    int FImageIndex = -1;
    int FHotImageIndex = -1;
    int FPressedImageIndex = -1;
    int FDisabledImageIndex = -1;
    QString FHint;
};

// An edit with a button at each end showing pictures of an image list.
class TButtonedEdit : public TCustomEdit {
    KORVEL_CLASS(TButtonedEdit, TCustomEdit)
public:
    explicit TButtonedEdit(TComponent* AOwner);
    ~TButtonedEdit() override;

    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* value);
    TEditButton& LeftButton() { return FLeft; }
    TEditButton& RightButton() { return FRight; }

    TNotifyEvent OnLeftButtonClick;
    TNotifyEvent OnRightButtonClick;
    // Presses a button as a click on it would.
    void ClickLeftButton();
    void ClickRightButton();

protected:
    void InitWidget() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void UpdateButtons();

    TCustomImageList* FImages = nullptr;
    TEditButton FLeft;
    TEditButton FRight;
    QPointer<QAction> FLeftAction;
    QPointer<QAction> FRightAction;
};

class TTimer : public TComponent {
    KORVEL_CLASS(TTimer, TComponent)
public:
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    // Milliseconds; 0 stops the timer.
    unsigned Interval() const { return FInterval; }
    void SetInterval(unsigned value);
    TNotifyEvent OnTimer;

protected:
    virtual void Timer();
    void UpdateTimer();

    bool FEnabled = true;
    unsigned FInterval = 1000;
    std::unique_ptr<QTimer> FTimer;
};
