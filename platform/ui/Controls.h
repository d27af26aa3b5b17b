#pragma once
// The control base: every control of the forms layer is a component that owns one Qt widget,
// created when it is first needed. The widget forwards its events to the control's hooks
// (MouseDown, KeyDown, Paint...) in the order the program expects, and every exception thrown by
// a hook or an event handler is handed to the application's handler instead of reaching Qt.

#include "platform/gfx/Canvas.h"
#include "platform/gfx/Graphics.h"
#include "platform/rtti/Classes.h"
#include "platform/ui/UiTypes.h"

#include <QImage>
#include <QPointer>
#include <QRegion>
#include <QWidget>
#include <QString>

#include <memory>
#include <vector>

class QWidget;
class QEvent;
class QScrollBar;
class QKeyEvent;
class QFocusEvent;
class QMouseEvent;
class QPainter;
class TWinControl;
class TCustomForm;
class TPopupMenu;
class TControlBridge;

KORVEL_EXCEPTION(EInvalidControlOperation, EInvalidOperation)

// Dialog codes: which keys a control keeps instead of letting the form use them.
constexpr int DLGC_WANTARROWS = 0x1, DLGC_WANTTAB = 0x2, DLGC_WANTALLKEYS = 0x4,
              DLGC_WANTCHARS = 0x80;

class TControl : public TComponent {
    KORVEL_CLASS(TControl, TComponent)
public:
    explicit TControl(TComponent* AOwner);
    ~TControl() override;

    // --- the widget
    QWidget* Widget();                 // creates it when needed
    bool HandleAllocated() const { return FWidget != nullptr; }
    void HandleNeeded();
    // The widget children are placed in (the widget itself unless a control keeps a viewport).
    virtual QWidget* ClientWidget() { return Widget(); }

    // --- parent and position
    TWinControl* Parent() const { return FParent; }
    virtual void SetParent(TWinControl* value);
    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetLeft(int value) { SetBounds(value, FTop, FWidth, FHeight); }
    void SetTop(int value) { SetBounds(FLeft, value, FWidth, FHeight); }
    void SetWidth(int value) { SetBounds(FLeft, FTop, value, FHeight); }
    void SetHeight(int value) { SetBounds(FLeft, FTop, FWidth, value); }
    virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
    // Bounds set by a layout (alignment, anchors, scrolling), which keep the anchor distances.
    void SetLayoutBounds(int ALeft, int ATop, int AWidth, int AHeight);
    TRect BoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }
    void SetBoundsRect(const TRect& r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }
    // The client area in client coordinates: (0, 0, ClientWidth, ClientHeight).
    virtual TRect ClientRect() const;
    int ClientWidth() const { return ClientRect().Width(); }
    int ClientHeight() const { return ClientRect().Height(); }
    void SetClientWidth(int value);
    void SetClientHeight(int value);
    // Where client coordinates start inside the control's bounds (a border or frame before it).
    virtual TPoint ClientOffset() const { return {0, 0}; }
    TPoint ClientOrigin();  // the client area's top-left corner on the screen
    TPoint ClientToScreen(const TPoint& p);
    TPoint ScreenToClient(const TPoint& p);
    TPoint ClientToParent(const TPoint& p, TWinControl* AParent = nullptr);

    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign value);
    TAnchors Anchors() const { return FAnchors; }
    void SetAnchors(const TAnchors& value);

    bool Visible() const { return FVisible; }
    virtual void SetVisible(bool value);
    void Show();
    void Hide();
    // Visible here and in every parent up to the form.
    bool Showing() const;
    bool Enabled() const { return FEnabled; }
    virtual void SetEnabled(bool value);

    // --- appearance
    TColor Color() const { return FColor; }
    void SetColor(TColor value);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool value);
    TFont* Font() const { return FFont.get(); }
    void SetFont(const TFont* value) { FFont->Assign(*value); }
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool value);
    // Caption and Text are the same window text.
    QString Caption() const { return GetText(); }
    void SetCaption(const QString& value) { SetText(value); }
    QString Text() const { return GetText(); }
    void SetText(const QString& value);
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor value);
    const QString& Hint() const { return FHint; }
    void SetHint(const QString& value);
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool value);
    bool ParentShowHint() const { return FParentShowHint; }
    void SetParentShowHint(bool value);
    TPopupMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* value);
    int HelpContext() const { return FHelpContext; }
    void SetHelpContext(int value) { FHelpContext = value; }

    TControlStyle ControlStyle() const { return FControlStyle; }
    void SetControlStyle(const TControlStyle& value) { FControlStyle = value; }
    TControlState ControlState() const { return FControlState; }

    // --- mouse capture: while set, every mouse event goes to this control
    bool MouseCapture() const;
    void SetMouseCapture(bool value);

    // --- painting
    virtual void Invalidate();
    void InvalidateRect(const TRect& r); // client coordinates
    // Paints what is invalid now, without waiting for the event loop.
    virtual void Update();
    void Repaint();
    void Refresh() { Repaint(); }
    void BringToFront();
    void SendToBack();

    // A pop-up window floats above everything and is placed in screen coordinates even when it
    // has a parent (flyouts, hint windows); set it before the widget exists.
    bool PopupWindow() const { return FPopupWindow; }
    void SetPopupWindow(bool value) { FPopupWindow = value; }
    // The window's shape; an empty region leaves nothing visible. ClearWindowRegion shows the
    // whole rectangle again.
    void SetWindowRegion(const QRegion& region);
    void ClearWindowRegion();

    // Sends a synthetic request; used by controls that post keys to others.
    void PostKeyDown(Word key, TShiftState shift = {});

    // --- events
    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TNotifyEvent OnResize;
    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TMouseWheelEvent OnMouseWheel;
    TMouseWheelUpDownEvent OnMouseWheelDown;
    TMouseWheelUpDownEvent OnMouseWheelUp;
    TContextPopupEvent OnContextPopup;

    // Raises OnClick (buttons override it to do their work first).
    virtual void Click();
    virtual void DblClick();

    // The bridge's entry point; returns true when the event was consumed. Public so the bridge
    // and tests can drive it; everything in it runs under the exception guard.
    bool DispatchWidgetEvent(QEvent* e);
    // Called by native widgets' signals (clicked, changed) through the exception guard.
    void Guarded(const std::function<void()>& f);

protected:
    // --- hooks, in the order the program sees them
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual void MouseMove(TShiftState Shift, int X, int Y);
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    virtual bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos);
    virtual bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos);
    virtual bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos);
    virtual void DoContextPopup(TPoint MousePos, bool& Handled);
    virtual void MouseEnter();
    virtual void MouseLeave();
    virtual void Resize();
    virtual void Moved() {}
    virtual void FontChanged();
    virtual void ParentFontChanged();
    virtual void ColorChanged();
    virtual void ParentColorChanged();
    virtual void EnabledChanged();
    virtual void VisibleChanged();
    virtual void TextChanged();
    // Paints the control; Canvas() is valid while it runs.
    virtual void Paint() {}
    virtual TCanvas* Canvas();

    // --- the widget's life
    virtual std::unique_ptr<QWidget> CreateWidget();
    // Applies the control's state to a new widget (subclasses add theirs after the base).
    virtual void InitWidget();
    virtual QString GetText() const;
    virtual void SetTextValue(const QString& value);
    // Hands the widget's Qt font and palette over after Font or Color changed.
    virtual void ApplyFont();
    virtual void ApplyColor();
    // Base handling of the event by the Qt widget class.
    bool InheritedEvent(QEvent* e);
    virtual bool WidgetEvent(QEvent* e);
    // Mouse handling steps, for controls that reorder them.
    virtual bool HandleMouse(QMouseEvent* e);
    virtual bool WantsNativeMouse() const { return true; }
    // Runs the control's Paint on a painter (graphic and custom controls).
    void PaintOn(QPainter& painter, const QRegion& region);
    void SetWidgetGeometry();
    void UpdateAnchorRules();
    virtual void Notification(TComponent* AComponent, TOperation Operation) override;
    void ChangeControlState(TControlStateItem item, bool on);
    virtual bool IsWindowed() const { return false; }
    // Geometry arrived from the window system (a resized form).
    void WidgetResized(int w, int h);
    void WidgetMoved(int x, int y);

    TWinControl* FParent = nullptr;
    int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    TAlign FAlign = alNone;
    TAnchors FAnchors{akLeft, akTop};
    TPoint FAnchorRules;
    TPoint FOriginalParentSize;
    bool FAnchorRulesValid = false;
    bool FVisible = true;
    bool FEnabled = true;
    TColor FColor = clBtnFace;
    bool FParentColor = true;
    std::unique_ptr<TFont> FFont;
    bool FParentFont = true;
    QString FText;
    TCursor FCursor = crDefault;
    QString FHint;
    bool FShowHint = false;
    bool FParentShowHint = true;
    TPopupMenu* FPopupMenu = nullptr;
    int FHelpContext = 0;
    TControlStyle FControlStyle{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
    TControlState FControlState;
    bool FMouseInControl = false;
    bool FPopupWindow = false;
    int FWheelAccumulator = 0;
    bool FFontChanging = false;
    std::unique_ptr<QWidget> FOwnedWidget; // a parentless widget (forms, unparented controls)
    QPointer<QWidget> FWidget;
    TControlBridge* FBridge = nullptr;
    std::unique_ptr<TCanvas> FPaintCanvas;
    QPainter* FPaintPainter = nullptr;

    friend class TWinControl;
    friend class TControlBridge;
    friend class TCustomForm;
    friend class TScreen;
    friend class TApplication;
};

class TWinControl : public TControl {
    KORVEL_CLASS(TWinControl, TControl)
public:
    explicit TWinControl(TComponent* AOwner);
    ~TWinControl() override;

    // Child controls in z-order (first is the bottom one).
    int ControlCount() const { return static_cast<int>(FControls.size()); }
    TControl* Controls(int index) const { return FControls.at(index); }
    bool ContainsControl(TControl* control) const;
    TControl* FindChildControl(const QString& name) const;

    // --- tab order: windowed children in tab order
    int TabOrder() const;
    void SetTabOrder(int value);
    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool value);
    // Every windowed descendant in tab order, depth first.
    void GetTabOrderList(std::vector<TWinControl*>& list) const;
    TWinControl* FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop,
                                 bool CheckParent) const;
    void SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop);

    // --- focus
    virtual bool CanFocus() const;
    // The focus is on the control or on one of its own inner widgets.
    bool Focused() const;
    virtual void SetFocus();
    // A focus change of one of the control's inner widgets (the field of a date picker, the
    // day table of a calendar), handled as the control's own under the exception guard.
    void DispatchPartFocus(QFocusEvent* e);

    // Radio buttons on this control exclude each other (off for a holder of unrelated controls).
    bool GroupsRadioButtons() const { return FGroupsRadioButtons; }
    void SetGroupsRadioButtons(bool value) { FGroupsRadioButtons = value; }

    TBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle value);
    // Width of the frame around the client area (2 for the sunken edge of bsSingle).
    virtual int NonClientBorder() const { return FBorderStyle == bsSingle ? 2 : 0; }
    TRect ClientRect() const override;
    TPoint ClientOffset() const override;

    // The part of the client area aligned children share (a panel leaves out its bevels).
    virtual void AdjustClientRect(TRect& r) const {}
    // Lays out the aligned and anchored children.
    void Realign();
    void DisableAlign() { ++FAlignLevel; }
    void EnableAlign();

    // --- window scroll bars, kept as the classic model and mirrored into Qt scroll bars
    void SetScrollInfo(int bar, const TScrollInfo& info, bool redraw = true);
    bool GetScrollInfo(int bar, TScrollInfo& info) const;
    int GetScrollPos(int bar) const;
    void ShowScrollBar(int bar, bool show);
    void EnableScrollBar(int bar, int arrows);
    bool ScrollBarVisible(int bar) const;
    bool ScrollBarEnabled(int bar) const;
    // Moves the pixels of Clip (client coordinates; the whole client area when empty) by
    // (dx, dy) and marks the uncovered part invalid.
    void ScrollWindow(int dx, int dy, const TRect& clip = {});
    // Delivers a scroll request as the scroll bar would (tests and keyboard scrolling).
    void SendScroll(int bar, int code, int pos = 0);

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    TKeyEvent OnKeyDown;
    TKeyEvent OnKeyUp;
    TKeyPressEvent OnKeyPress;

    // Key hooks are public so a form can forward keys it previews.
    virtual void KeyDown(Word& Key, TShiftState Shift);
    virtual void KeyUp(Word& Key, TShiftState Shift);
    virtual void KeyPress(QChar& Key);

protected:
    virtual void DoEnter();
    virtual void DoExit();
    // Raw focus changes, also when the window is deactivated.
    virtual void FocusGained() {}
    virtual void FocusLost() {}
    // A visit starts when the focus comes to the control and ends when it goes to another
    // control of the window: one DoEnter and one DoExit per visit, whatever inner widget of the
    // control holds the focus, and none when only the window is (de)activated.
    void FocusChange(QFocusEvent* e);
    // Keys the control keeps (DLGC_ flags); the rest go to the form as dialog keys.
    virtual int DialogCode() const { return 0; }
    // A key pressed in a child control, before the child sees it; true means handled.
    virtual bool ChildKey(Word& Key, TWinControl* Sender);
    // Answers a dialog key (Enter, Esc, Tab, arrows) sent to every control of the form.
    virtual bool DialogKey(Word Key, TShiftState Shift) { return false; }
    // The application became active or inactive (every windowed control of every form hears it).
    virtual void ApplicationActivated(bool Active) {}
    // A scroll request from a window scroll bar (SB_ codes).
    virtual void WMHScroll(int ScrollCode, int Pos) {}
    virtual void WMVScroll(int ScrollCode, int Pos) {}
    virtual void AlignControls(TControl* AControl, TRect& Rect);
    virtual void ControlsAligned() {}
    bool WidgetEvent(QEvent* e) override;
    bool HandleKey(QKeyEvent* e);
    std::unique_ptr<QWidget> CreateWidget() override;
    void InitWidget() override;
    bool IsWindowed() const override { return true; }
    // Draws the frame outside the client area; controls with their own border override it.
    virtual void PaintNonClient(QPainter& painter);
    void LayoutScrollBars();
    void InsertControl(TControl* c);
    void RemoveControl(TControl* c);
    void ScrollBarAction(int bar, int action);

    std::vector<TControl*> FControls;
    std::vector<TWinControl*> FTabList;
    bool FTabStop = false;
    bool FGroupsRadioButtons = true;
    bool FEntered = false; // between DoEnter and DoExit
    // Why the focus is moving, while DoEnter or DoExit runs.
    Qt::FocusReason FFocusReason = Qt::OtherFocusReason;
    TBorderStyle FBorderStyle = bsNone;
    int FAlignLevel = 0;
    bool FAligning = false;
    TSize FLastClientSize{-1, -1};

    struct ScrollBarState {
        TScrollInfo Info;
        bool Visible = false;
        bool Enabled = true;
        bool DisableNoScroll = false;
        QPointer<QScrollBar> Bar;
        bool Syncing = false;
    };
    ScrollBarState FScroll[2];

    friend class TControl;
    friend class TCustomForm;
    friend class TControlBridge;
};

// A windowed control that paints itself. Its pixels persist between paints, so drawing on its
// Canvas outside Paint (guide lines, markers) stays until the area is invalidated, and
// ScrollWindow moves them.
class TCustomControl : public TWinControl {
    KORVEL_CLASS(TCustomControl, TWinControl)
public:
    explicit TCustomControl(TComponent* AOwner);
    ~TCustomControl() override;

    // Valid in Paint and, between paints, for drawing straight onto the control.
    TCanvas* Canvas() override;
    void Invalidate() override;
    void Update() override;

protected:
    std::unique_ptr<QWidget> CreateWidget() override;
    bool WidgetEvent(QEvent* e) override;
    void PaintBuffered(const QRegion& region);
    void EndOutsidePaint();
    void ScrollBuffer(int dx, int dy, const QRect& clip);
    void InvalidateQRect(const QRect& r);

    QImage FBuffer;
    QRegion FInvalid;
    std::unique_ptr<QPainter> FOutsidePainter;
    std::unique_ptr<TCanvas> FOutsideCanvas;

    friend class TWinControl;
};

// A control without focus and children, painted by Paint.
class TGraphicControl : public TControl {
    KORVEL_CLASS(TGraphicControl, TControl)
public:
    explicit TGraphicControl(TComponent* AOwner);

protected:
    std::unique_ptr<QWidget> CreateWidget() override;
    bool WidgetEvent(QEvent* e) override;
};

// The form a control lies on (null when none).
TCustomForm* GetParentForm(TControl* control);
// Translates a Qt key into a virtual key code (0 when it has none) and back.
Word QtKeyToVirtualKey(int qtKey, Qt::KeyboardModifiers modifiers = {});
int VirtualKeyToQtKey(Word vk);
TShiftState ShiftStateFromQt(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons = {});
// The control whose widget is w (or an ancestor of w), null when none.
TControl* FindControl(QWidget* w);
// The control holding the mouse capture, null when none.
TControl* GetCaptureControl();
void SetCaptureControl(TControl* control);
