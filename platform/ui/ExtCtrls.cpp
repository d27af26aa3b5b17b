#include "platform/ui/ExtCtrls.h"

#include "platform/ui/Forms.h"
#include "platform/ui/ImgList.h"

#include <QAction>
#include <QLineEdit>

#include <QCursor>

#include <algorithm>

void DrawBevelFrame(TCanvas& canvas, TRect& r, TBevelCut cut, int width) {
    if (cut == bvNone) return;
    if (cut == bvSpace) {
        InflateRect(r, -width, -width);
        return;
    }
    const TColor top = cut == bvLowered ? clBtnShadow : clBtnHighlight;
    const TColor bottom = cut == bvLowered ? clBtnHighlight : clBtnShadow;
    canvas.Frame3D(r, top, bottom, width);
}

// =============================================================================================
// TCustomPanel

TCustomPanel::TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner) {
    FWidth = 185;
    FHeight = 41;
    FControlStyle = TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption,
                                  csOpaque, csDoubleClicks, csReplicatable, csParentBackground};
}

void TCustomPanel::SetBevelInner(TBevelCut value) {
    FBevelInner = value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelOuter(TBevelCut value) {
    FBevelOuter = value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelWidth(int value) {
    FBevelWidth = value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBorderWidth(int value) {
    FBorderWidth = value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetAlignment(TAlignment value) {
    FAlignment = value;
    Invalidate();
}

void TCustomPanel::SetVerticalAlignment(TVerticalAlignment value) {
    FVerticalAlignment = value;
    Invalidate();
}

void TCustomPanel::SetParentBackground(bool value) {
    FParentBackground = value;
    Invalidate();
}

void TCustomPanel::AdjustClientRect(TRect& r) const {
    int inset = FBorderWidth;
    if (FBevelOuter != bvNone) inset += FBevelWidth;
    if (FBevelInner != bvNone) inset += FBevelWidth;
    InflateRect(r, -inset, -inset);
}

void TCustomPanel::Paint() {
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    // A panel that takes its parent's background shows the parent's colour.
    TColor back = FColor;
    if (FParentBackground && FParentColor && FParent) back = FParent->Color();
    c->Brush().SetColor(back);
    c->Brush().SetStyle(bsSolid);
    c->FillRect(r);
    DrawBevelFrame(*c, r, FBevelOuter, FBevelWidth);
    InflateRect(r, -FBorderWidth, -FBorderWidth);
    DrawBevelFrame(*c, r, FBevelInner, FBevelWidth);
    if (!FText.isEmpty()) {
        c->SetFont(*FFont);
        c->Brush().SetStyle(bsClear);
        unsigned flags = DT_EXPANDTABS | DT_SINGLELINE;
        flags |= FAlignment == taLeftJustify ? DT_LEFT : FAlignment == taRightJustify ? DT_RIGHT : DT_CENTER;
        flags |= FVerticalAlignment == taAlignTop      ? DT_TOP
                 : FVerticalAlignment == taAlignBottom ? DT_BOTTOM
                                                       : DT_VCENTER;
        c->DrawText(FText, r, flags);
    }
}

// =============================================================================================
// TImage

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner), FPicture(std::make_unique<TPicture>()) {
    FWidth = 105;
    FHeight = 105;
    FPicture->OnChange = [this](TObject*) { PictureChanged(); };
}

TImage::~TImage() { FPicture->OnChange = nullptr; }

void TImage::SetStretch(bool value) {
    FStretch = value;
    Invalidate();
}

void TImage::SetProportional(bool value) {
    FProportional = value;
    Invalidate();
}

void TImage::SetCenter(bool value) {
    FCenter = value;
    Invalidate();
}

void TImage::SetTransparent(bool value) {
    FTransparent = value;
    if (FPicture->Graphic()) FPicture->Graphic()->SetTransparent(value);
    Invalidate();
}

void TImage::SetAutoSize(bool value) {
    FAutoSize = value;
    PictureChanged();
}

void TImage::PictureChanged() {
    if (FAutoSize && FPicture->Width() > 0 && FPicture->Height() > 0)
        SetBounds(FLeft, FTop, FPicture->Width(), FPicture->Height());
    if (FTransparent && FPicture->Graphic()) FPicture->Graphic()->SetTransparent(true);
    Invalidate();
}

TRect TImage::DestRect() const {
    const int pw = FPicture->Width(), ph = FPicture->Height();
    const int cw = FWidth, ch = FHeight;
    int w = pw, h = ph;
    if (FStretch || (FProportional && (pw > cw || ph > ch))) {
        if (FProportional && pw > 0 && ph > 0) {
            // Fit inside keeping the aspect, as the original scales.
            if (static_cast<long long>(cw) * ph > static_cast<long long>(ch) * pw) {
                h = ch;
                w = static_cast<int>(static_cast<long long>(ch) * pw / ph);
            } else {
                w = cw;
                h = static_cast<int>(static_cast<long long>(cw) * ph / pw);
            }
        } else {
            w = cw;
            h = ch;
        }
    }
    TRect r = Rect(0, 0, w, h);
    if (FCenter) OffsetRect(r, (cw - w) / 2, (ch - h) / 2);
    return r;
}

void TImage::Paint() {
    TCanvas* c = Canvas();
    if (!FTransparent && !FParentColor) {
        c->Brush().SetColor(FColor);
        c->FillRect(ClientRect());
    }
    if (TGraphic* g = FPicture->Graphic(); g && !g->Empty()) {
        c->StretchDraw(DestRect(), *g);
    }
}

// =============================================================================================
// TBevel

TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner) {
    FWidth = 50;
    FHeight = 50;
}

void TBevel::SetShape(TBevelShape value) {
    FShape = value;
    Invalidate();
}

void TBevel::SetStyle(TBevelStyle value) {
    FStyle = value;
    Invalidate();
}

void TBevel::Paint() {
    TCanvas* c = Canvas();
    const TColor c1 = FStyle == bsLowered ? clBtnShadow : clBtnHighlight;
    const TColor c2 = FStyle == bsLowered ? clBtnHighlight : clBtnShadow;
    TRect r = ClientRect();
    auto line = [&](int x1, int y1, int x2, int y2, TColor color) {
        c->Pen().SetColor(color);
        c->MoveTo(x1, y1);
        c->LineTo(x2, y2);
    };
    switch (FShape) {
    case bsBox: c->Frame3D(r, c1, c2, 1); break;
    case bsFrame: {
        TRect inner = r;
        inner.Right -= 1;
        inner.Bottom -= 1;
        c->Brush().SetStyle(bsClear);
        c->Pen().SetColor(c1);
        c->Rectangle(inner);
        OffsetRect(inner, 1, 1);
        c->Pen().SetColor(c2);
        c->Rectangle(inner);
        break;
    }
    case bsTopLine: line(0, 0, r.Right, 0, c1); line(0, 1, r.Right, 1, c2); break;
    case bsBottomLine: line(0, r.Bottom - 2, r.Right, r.Bottom - 2, c1); line(0, r.Bottom - 1, r.Right, r.Bottom - 1, c2); break;
    case bsLeftLine: line(0, 0, 0, r.Bottom, c1); line(1, 0, 1, r.Bottom, c2); break;
    case bsRightLine: line(r.Right - 2, 0, r.Right - 2, r.Bottom, c1); line(r.Right - 1, 0, r.Right - 1, r.Bottom, c2); break;
    case bsSpacer: break;
    }
}

// =============================================================================================
// TPaintBox

TPaintBox::TPaintBox(TComponent* AOwner) : TGraphicControl(AOwner) {
    FWidth = 105;
    FHeight = 105;
}

void TPaintBox::Paint() {
    if (OnPaint) OnPaint(this);
}

// =============================================================================================
// TSplitter

TSplitter::TSplitter(TComponent* AOwner) : TGraphicControl(AOwner) {
    FAlign = alLeft;
    FWidth = 3;
    FHeight = 100;
    FCursor = crHSplit;
}

void TSplitter::Paint() {
    TCanvas* c = Canvas();
    c->Brush().SetColor(FColor);
    c->FillRect(ClientRect());
}

TControl* TSplitter::FindResizeControl() const {
    if (!FParent) return nullptr;
    // The neighbour on the side the splitter is aligned to.
    TControl* best = nullptr;
    for (int i = 0; i < FParent->ControlCount(); ++i) {
        TControl* c = FParent->Controls(i);
        if (c == this || !c->Visible() || c->Align() != FAlign) continue;
        bool touches = false;
        switch (FAlign) {
        case alLeft: touches = c->Left() + c->Width() == FLeft; break;
        case alRight: touches = c->Left() == FLeft + FWidth; break;
        case alTop: touches = c->Top() + c->Height() == FTop; break;
        case alBottom: touches = c->Top() == FTop + FHeight; break;
        default: break;
        }
        if (touches) best = c;
    }
    return best;
}

void TSplitter::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft) return;
    FControl = FindResizeControl();
    if (!FControl) return;
    FDragging = true;
    FDownPos = ClientToScreen({X, Y});
    FStartSize = (FAlign == alLeft || FAlign == alRight) ? FControl->Width() : FControl->Height();
}

void TSplitter::MouseMove(TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseMove(Shift, X, Y);
    if (!FDragging || !FControl) return;
    const TPoint p = ClientToScreen({X, Y});
    int delta = (FAlign == alLeft || FAlign == alRight) ? p.X - FDownPos.X : p.Y - FDownPos.Y;
    if (FAlign == alRight || FAlign == alBottom) delta = -delta;
    const int size = std::max(FMinSize, FStartSize + delta);
    if (FAlign == alLeft || FAlign == alRight)
        FControl->SetWidth(size);
    else
        FControl->SetHeight(size);
}

void TSplitter::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    const bool was = FDragging;
    FDragging = false;
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    if (was && FControl && OnMoved) OnMoved(this);
    FControl = nullptr;
}

// =============================================================================================
// TScrollBox

TScrollBox::TScrollBox(TComponent* AOwner) : TWinControl(AOwner) {
    FWidth = 185;
    FHeight = 41;
    FBorderStyle = bsSingle;
    FTabStop = false;
    FControlStyle.Include(csAcceptsControls);
}

void TScrollBox::ControlsAligned() { UpdateScrollRange(); }

void TScrollBox::Resize() {
    TWinControl::Resize();
    UpdateScrollRange();
}

void TScrollBox::UpdateScrollRange() {
    if (FUpdatingRange) return;
    FUpdatingRange = true;
    int right = 0, bottom = 0;
    for (TControl* c : FControls) {
        if (!c->Visible() || c->Align() != alNone) continue;
        right = std::max(right, c->Left() + c->Width() + FScrollPos.X);
        bottom = std::max(bottom, c->Top() + c->Height() + FScrollPos.Y);
    }
    for (int pass = 0; pass < 2; ++pass) {
        const TRect cr = ClientRect();
        TScrollInfo h;
        h.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        h.nMin = 0;
        h.nMax = right > cr.Width() ? right - 1 : 0;
        h.nPage = static_cast<unsigned>(cr.Width());
        h.nPos = FScrollPos.X;
        SetScrollInfo(SB_HORZ, h, true);
        TScrollInfo v = h;
        v.nMax = bottom > cr.Height() ? bottom - 1 : 0;
        v.nPage = static_cast<unsigned>(cr.Height());
        v.nPos = FScrollPos.Y;
        SetScrollInfo(SB_VERT, v, true);
    }
    // A range that shrank may leave the view scrolled too far.
    const int nx = GetScrollPos(SB_HORZ), ny = GetScrollPos(SB_VERT);
    FUpdatingRange = false;
    if (nx != FScrollPos.X || ny != FScrollPos.Y) ScrollBy(FScrollPos.X - nx, FScrollPos.Y - ny);
}

void TScrollBox::ScrollBy(int dx, int dy) {
    if (dx == 0 && dy == 0) return;
    FScrollPos.X -= dx;
    FScrollPos.Y -= dy;
    DisableAlign();
    for (TControl* c : FControls) {
        c->SetLayoutBounds(c->Left() + dx, c->Top() + dy, c->Width(), c->Height());
    }
    FAlignLevel--;
    TScrollInfo info;
    info.fMask = SIF_POS;
    info.nPos = FScrollPos.X;
    SetScrollInfo(SB_HORZ, info, true);
    info.nPos = FScrollPos.Y;
    SetScrollInfo(SB_VERT, info, true);
}

void TScrollBox::ScrollInView(TControl* AControl) {
    if (!AControl || !ContainsControl(AControl)) return;
    const TRect cr = ClientRect();
    int dx = 0, dy = 0;
    if (AControl->Left() < 0) dx = -AControl->Left();
    else if (AControl->Left() + AControl->Width() > cr.Width())
        dx = -std::min(AControl->Left(), AControl->Left() + AControl->Width() - cr.Width());
    if (AControl->Top() < 0) dy = -AControl->Top();
    else if (AControl->Top() + AControl->Height() > cr.Height())
        dy = -std::min(AControl->Top(), AControl->Top() + AControl->Height() - cr.Height());
    ScrollBy(dx, dy);
}

void TScrollBox::HandleScroll(int bar, int code, int pos) {
    TScrollInfo info;
    info.fMask = SIF_ALL;
    GetScrollInfo(bar, info);
    const int page = static_cast<int>(std::max(info.nPage, 1u));
    const int maxPos = std::max(0, info.nMax - page + 1);
    int cur = bar == SB_HORZ ? FScrollPos.X : FScrollPos.Y;
    int np = cur;
    switch (code) {
    case SB_LINEUP: np = cur - 8; break;
    case SB_LINEDOWN: np = cur + 8; break;
    case SB_PAGEUP: np = cur - page; break;
    case SB_PAGEDOWN: np = cur + page; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: np = pos; break;
    case SB_TOP: np = 0; break;
    case SB_BOTTOM: np = maxPos; break;
    default: return;
    }
    np = std::clamp(np, 0, maxPos);
    if (bar == SB_HORZ)
        ScrollBy(cur - np, 0);
    else
        ScrollBy(0, cur - np);
}

void TScrollBox::WMHScroll(int ScrollCode, int Pos) { HandleScroll(SB_HORZ, ScrollCode, Pos); }
void TScrollBox::WMVScroll(int ScrollCode, int Pos) { HandleScroll(SB_VERT, ScrollCode, Pos); }

bool TScrollBox::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
    if (TWinControl::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
    if (!ScrollBarVisible(SB_VERT)) return false;
    HandleScroll(SB_VERT, WheelDelta < 0 ? SB_LINEDOWN : SB_LINEUP, 0);
    return true;
}

// =============================================================================================
// TButtonedEdit

void TEditButton::SetVisible(bool value) { FVisible = value; Changed(); }
void TEditButton::SetEnabled(bool value) { FEnabled = value; Changed(); }
void TEditButton::SetImageIndex(int value) { FImageIndex = value; Changed(); }
void TEditButton::SetHotImageIndex(int value) { FHotImageIndex = value; Changed(); }
void TEditButton::SetPressedImageIndex(int value) { FPressedImageIndex = value; Changed(); }
void TEditButton::SetDisabledImageIndex(int value) { FDisabledImageIndex = value; Changed(); }
void TEditButton::SetHint(const QString& value) { FHint = value; Changed(); }

TButtonedEdit::TButtonedEdit(TComponent* AOwner) : TCustomEdit(AOwner) {
    FLeft.FChanged = [this] { UpdateButtons(); };
    FRight.FChanged = [this] { UpdateButtons(); };
}

TButtonedEdit::~TButtonedEdit() {
    FLeft.FChanged = nullptr;
    FRight.FChanged = nullptr;
}

void TButtonedEdit::SetImages(TCustomImageList* value) {
    if (FImages) FImages->RemoveFreeNotification(this);
    FImages = value;
    if (value) value->FreeNotification(this);
    UpdateButtons();
}

void TButtonedEdit::Notification(TComponent* AComponent, TOperation Operation) {
    TCustomEdit::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FImages) {
        FImages = nullptr;
        UpdateButtons();
    }
}

void TButtonedEdit::ClickLeftButton() {
    if (FLeft.Visible() && FLeft.Enabled() && OnLeftButtonClick) OnLeftButtonClick(this);
}

void TButtonedEdit::ClickRightButton() {
    if (FRight.Visible() && FRight.Enabled() && OnRightButtonClick) OnRightButtonClick(this);
}

void TButtonedEdit::InitWidget() {
    TCustomEdit::InitWidget();
    auto* e = Line();
    FLeftAction = e->addAction(QIcon(), QLineEdit::LeadingPosition);
    FRightAction = e->addAction(QIcon(), QLineEdit::TrailingPosition);
    QObject::connect(FLeftAction.data(), &QAction::triggered, e, [this] { Guarded([this] { ClickLeftButton(); }); });
    QObject::connect(FRightAction.data(), &QAction::triggered, e, [this] { Guarded([this] { ClickRightButton(); }); });
    UpdateButtons();
}

void TButtonedEdit::UpdateButtons() {
    auto apply = [this](TEditButton& b, QAction* a) {
        if (!a) return;
        QIcon icon;
        auto add = [&](int index, QIcon::Mode mode) {
            if (FImages && index >= 0 && index < FImages->Count())
                icon.addPixmap(FImages->Pixmap(index, true), mode);
        };
        add(b.ImageIndex(), QIcon::Normal);
        add(b.HotImageIndex(), QIcon::Active);
        add(b.PressedImageIndex(), QIcon::Selected);
        add(b.DisabledImageIndex(), QIcon::Disabled);
        a->setIcon(icon);
        a->setToolTip(b.Hint());
        a->setVisible(b.Visible());
        a->setEnabled(b.Enabled());
    };
    apply(FLeft, FLeftAction);
    apply(FRight, FRightAction);
}

// =============================================================================================
// TTimer

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner), FTimer(std::make_unique<QTimer>()) {
    QObject::connect(FTimer.get(), &QTimer::timeout, FTimer.get(), [this] {
        try {
            Timer();
        } catch (...) {
            if (Application) Application->HandleException(this);
        }
    });
    UpdateTimer();
}

TTimer::~TTimer() { FTimer->stop(); }

void TTimer::SetEnabled(bool value) {
    FEnabled = value;
    UpdateTimer();
}

void TTimer::SetInterval(unsigned value) {
    FInterval = value;
    UpdateTimer();
}

void TTimer::UpdateTimer() {
    FTimer->stop();
    if (FEnabled && FInterval > 0) FTimer->start(static_cast<int>(FInterval));
}

void TTimer::Timer() {
    if (OnTimer) OnTimer(this);
}

// ---------------------------------------------------------------------------------------------
// Published properties
KORVEL_CLASS_INFO(TCustomPanel) {}
KORVEL_CLASS_INFO(TPanel) {
    b.Prop("Alignment", &TPanel::Alignment, &TPanel::SetAlignment).Default(taCenter);
    b.Prop("BevelInner", &TPanel::BevelInner, &TPanel::SetBevelInner).Default(bvNone);
    b.Prop("BevelOuter", &TPanel::BevelOuter, &TPanel::SetBevelOuter).Default(bvRaised);
    b.Prop("BevelWidth", &TPanel::BevelWidth, &TPanel::SetBevelWidth).Default(1);
    b.Prop("BorderWidth", &TPanel::BorderWidth, &TPanel::SetBorderWidth).Default(0);
    b.Prop("ParentBackground", &TPanel::ParentBackground, &TPanel::SetParentBackground).Default(true);
}
KORVEL_CLASS_INFO(TImage) {
    b.Prop("Picture", &TImage::Picture, &TImage::SetPicture);
    b.Prop("Stretch", &TImage::Stretch, &TImage::SetStretch).Default(false);
    b.Prop("Proportional", &TImage::Proportional, &TImage::SetProportional).Default(false);
    b.Prop("Center", &TImage::Center, &TImage::SetCenter).Default(false);
    b.Prop("Transparent", &TImage::Transparent, &TImage::SetTransparent).Default(false);
    b.Prop("AutoSize", &TImage::AutoSize, &TImage::SetAutoSize).Default(false);
}
KORVEL_CLASS_INFO(TBevel) {
    b.Prop("Shape", &TBevel::Shape, &TBevel::SetShape).Default(bsBox);
    b.Prop("Style", &TBevel::Style, &TBevel::SetStyle).Default(bsLowered);
}
KORVEL_CLASS_INFO(TPaintBox) { b.Event("OnPaint", &TPaintBox::OnPaint, "TNotifyEvent"); }
KORVEL_CLASS_INFO(TSplitter) {
    b.Prop("MinSize", &TSplitter::MinSize, &TSplitter::SetMinSize).Default(30);
    b.Event("OnMoved", &TSplitter::OnMoved, "TNotifyEvent");
}
KORVEL_CLASS_INFO(TScrollBox) {}
KORVEL_CLASS_INFO(TButtonedEdit) {
    b.Prop("Images", &TButtonedEdit::Images, &TButtonedEdit::SetImages);
    b.Event("OnLeftButtonClick", &TButtonedEdit::OnLeftButtonClick, "TNotifyEvent");
    b.Event("OnRightButtonClick", &TButtonedEdit::OnRightButtonClick, "TNotifyEvent");
}
KORVEL_CLASS_INFO(TTimer) {
    b.Prop("Enabled", &TTimer::Enabled, &TTimer::SetEnabled).Default(true);
    b.Prop("Interval", &TTimer::Interval, &TTimer::SetInterval).Default(1000);
    b.Event("OnTimer", &TTimer::OnTimer, "TNotifyEvent");
}
