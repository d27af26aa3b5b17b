#include "report/core/rptPreviewWorkspace.h"

#include "report/core/rptClassBases.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptRes.h"

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/CanvasCommand.h"
#include "platform/ui/Forms.h"

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QStyle>
#include <QStyleHints>

#include <algorithm>
#include <cmath>

KORVEL_CLASS_INFO(TrptPreviewWorkspace) {}

namespace {

// Halves go to the even neighbour.
int RoundEven(double v) {
    return static_cast<int>(std::nearbyint(v));
}

constexpr int Gap = 10;
constexpr double MMFactor = 3.77953;

int VScrollBarWidth() {
    if (QApplication::style()) return QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    return 16;
}

} // namespace

// =============================================================================================
// TrptPageList

void TrptPageList::Clear() {
    FItems.clear();
    FMaxWidth = 0;
}

void TrptPageList::AddPage(int AWidth, int AHeight, double Zoom) {
    TrptPageItem item;
    item.Width = RoundEven(AWidth * Zoom);
    item.Height = RoundEven(AHeight * Zoom);
    FItems.push_back(item);
}

void TrptPageList::CalcBounds(int ClientWidth) {
    FMaxWidth = 0;
    int y = Gap;
    size_t i = 0;
    while (i < FItems.size()) {
        const size_t rowStart = i;
        int x = 0;
        int rowHeight = 0;
        while (i < FItems.size()) {
            TrptPageItem& p = FItems[i];
            if (x > 0 && x + p.Width > ClientWidth) break;
            p.OffsetX = x;
            p.OffsetY = y;
            rowHeight = std::max(rowHeight, p.Height);
            x += p.Width + Gap;
            ++i;
        }
        if (x > FMaxWidth) FMaxWidth = x;
        int c = (ClientWidth - x + Gap) / 2;
        if (c < 0) c = 0;
        c += Gap;
        for (size_t k = rowStart; k < i; ++k)
            FItems[k].OffsetX += c;
        y += rowHeight + Gap;
    }
}

int TrptPageList::FindPage(int OffsetY, int OffsetX) const {
    int lo = 0, hi = Count() - 1, r = -1;
    while (lo <= hi) {
        const int mid = lo + (hi - lo) / 2;
        const TrptPageItem& p = FItems[mid];
        const int slack = OffsetX == 0 ? RoundEven(p.Height / 5.0) : 0;
        if (p.OffsetY <= OffsetY + slack) {
            r = mid;
            lo = mid + 1;
        } else {
            hi = mid - 1;
        }
    }
    if (OffsetX == 0) return r;
    for (int k = std::max(0, r - 20); k <= std::min(Count() - 1, r + 20); ++k) {
        const TrptPageItem& p = FItems[k];
        if (OffsetX >= p.OffsetX && OffsetX < p.OffsetX + p.Width && OffsetY >= p.OffsetY &&
            OffsetY < p.OffsetY + p.Height)
            return k;
    }
    return r;
}

TRect TrptPageList::GetPageBounds(int Index, int ClientWidth, bool RTL, double Scale) const {
    if (Index >= 0 && Index < Count()) {
        const TrptPageItem& p = FItems[Index];
        const int left = RTL ? ClientWidth - p.Width - p.OffsetX : p.OffsetX;
        return TRect(left, p.OffsetY, left + p.Width, p.OffsetY + p.Height);
    }
    const int w = static_cast<int>(Scale * 794);
    const int h = static_cast<int>(Scale * 1123);
    const int top = RoundEven(Scale * 10);
    const int left = w <= ClientWidth ? RoundEven((ClientWidth - w) / 2.0) : 10;
    return TRect(left, top, left + w, top + h);
}

TPoint TrptPageList::GetMaxBounds() const {
    if (FItems.empty()) return TPoint(0, 0);
    const TrptPageItem& last = FItems.back();
    return TPoint(FMaxWidth, last.OffsetY + last.Height);
}

// =============================================================================================
// Search over a recorded drawing

TrptSearchState& rptSearchState() {
    static TrptSearchState state;
    return state;
}

namespace {

struct TTextMeasure {
    TBitmap Bitmap;
    TTextMeasure() {
        Bitmap.SetWidth(1);
        Bitmap.SetHeight(1);
    }
    TRect Bounds(const TCanvasCommand& c) {
        TCanvas* canvas = &Bitmap.Canvas();
        TCanvasState st = c.State;
        st.Clip.reset();
        canvas->RestoreState(st);
        switch (c.Op) {
        case TCanvasOp::TextOut:
        case TCanvasOp::ExtTextOut: {
            int w = 0;
            if (c.HasDx)
                for (size_t i = 0; i < c.Dx.size() && i < static_cast<size_t>(c.Text.size()); ++i)
                    w += c.Dx[i];
            else
                w = canvas->TextWidth(c.Text);
            const int h = canvas->TextMetrics().tmHeight;
            return TRect(c.A[0], c.A[1], c.A[0] + w, c.A[1] + h);
        }
        case TCanvasOp::TextRect: {
            const TSize e = canvas->TextExtent(c.Text);
            TRect r(c.A[4], c.A[5], c.A[4] + e.cx, c.A[5] + e.cy);
            r.Left = std::max(r.Left, c.A[0]);
            r.Top = std::max(r.Top, c.A[1]);
            r.Right = std::min(r.Right, c.A[2]);
            r.Bottom = std::min(r.Bottom, c.A[3]);
            return r;
        }
        default: { // DrawText: the box its text takes
            TRect r(c.A[0], c.A[1], c.A[2], c.A[3]);
            TRect m = r;
            canvas->DrawText(c.Text, m, c.Flags | DT_CALCRECT);
            r.Bottom = std::min(r.Bottom, r.Top + m.Height());
            return r;
        }
        }
    }
};

bool Search(const std::vector<TCanvasCommand>& commands, const QTransform& transform, TrptSearchState& state,
            const QString& needle, TTextMeasure& measure) {
    for (const TCanvasCommand& c : commands) {
        const int counter = state.RecordCounter++;
        if (c.Op == TCanvasOp::Picture) {
            if (c.Picture && Search(*c.Picture, c.PictureTransform * transform, state, needle, measure))
                return true;
            continue;
        }
        if (c.Op != TCanvasOp::TextOut && c.Op != TCanvasOp::ExtTextOut && c.Op != TCanvasOp::TextRect &&
            c.Op != TCanvasOp::DrawText)
            continue;
        const bool hit = state.CaseSensitive ? c.Text.contains(needle) : c.Text.toUpper().contains(needle);
        if (!hit || counter <= state.LastFoundRecord) continue;
        const TRect b = measure.Bounds(c);
        const QRect q = transform.mapRect(QRect(b.Left, b.Top, b.Width(), b.Height()));
        state.Found = true;
        state.FoundRect = TRect(q.left(), q.top(), q.left() + q.width(), q.top() + q.height());
        state.LastFoundRecord = counter;
        return true;
    }
    return false;
}

} // namespace

bool rptFindTextInDrawing(const std::vector<TCanvasCommand>& Commands, TrptSearchState& State) {
    State.Found = false;
    State.RecordCounter = 0;
    // An empty text would match every piece of text: it finds nothing.
    if (State.Text.isEmpty()) return false;
    const QString needle = State.CaseSensitive ? State.Text : State.Text.toUpper();
    TTextMeasure measure;
    return Search(Commands, QTransform(), State, needle, measure);
}

// =============================================================================================
// TrptPreviewWorkspace

TrptPreviewWorkspace::TrptPreviewWorkspace(TComponent* AOwner)
    : TrptScrollWin(AOwner), FPageList(std::make_unique<TrptPageList>()) {
    SetSmallChange(8);
    SetLargeChange(300);
    if (Screen && !Screen->HasCursor(FDefaultCursor))
        Screen->SetCursors(FDefaultCursor, QCursor(Qt::OpenHandCursor));
}

TrptPreviewWorkspace::~TrptPreviewWorkspace() = default;

void TrptPreviewWorkspace::SetPreviewPages(TrptCustomPreviewPages* Value) {
    FPreviewPages = Value;
    SetEMFImagePage(-1);
}

void TrptPreviewWorkspace::SetEMFImagePage(int Value) {
    FEMFImagePage = Value;
    if (Value < 0) FEMFImage.reset();
}

void TrptPreviewWorkspace::AddPage(int AWidth, int AHeight) {
    FPageList->AddPage(AWidth, AHeight, FZoom);
}

void TrptPreviewWorkspace::CalcPageBounds(int ClientWidth) {
    FPageList->CalcBounds(ClientWidth);
}

void TrptPreviewWorkspace::ClearPageList() {
    FPageList->Clear();
}

int TrptPreviewWorkspace::LayoutWidth() const {
    return Width() - VScrollBarWidth() - 26;
}

void TrptPreviewWorkspace::LayoutPages(int Width) {
    ClearPageList();
    SetEMFImagePage(-1);
    if (FPreviewPages)
        for (int i = 0; i < FPreviewPages->Count(); ++i) {
            const TPoint s = FPreviewPages->PageSize(i);
            AddPage(s.X, s.Y);
        }
    CalcPageBounds(Width);
    UpdateScrollRanges();
    SetHorzPosition(HorzPosition());
    SetVertPosition(VertPosition());
    Invalidate();
}

void TrptPreviewWorkspace::UpdateScrollRanges() {
    if (FPageList->Count() == 0) {
        SetHorzRange(10);
        SetVertRange(10);
        return;
    }
    const TPoint m = FPageList->GetMaxBounds();
    SetHorzRange(m.X + Gap);
    SetVertRange(m.Y + Gap);
}

void TrptPreviewWorkspace::Resize() {
    SetHorzPage(ClientWidth());
    SetVertPage(ClientHeight());
    TrptScrollWin::Resize();
}

TRect TrptPreviewWorkspace::PageScreenRect(int Index) const {
    TRect r = FPageList->GetPageBounds(Index, ClientWidth(), FRTLLanguage, FZoom);
    r.Left -= FOffset.X;
    r.Right -= FOffset.X;
    r.Top -= FOffset.Y;
    r.Bottom -= FOffset.Y;
    return r;
}

void TrptPreviewWorkspace::HorzPositionChanged() {
    const int dx = FOffset.X - HorzPosition();
    FOffset.X = HorzPosition();
    if (dx != 0) ScrollWindow(dx, 0);
}

void TrptPreviewWorkspace::VertPositionChanged() {
    const int dy = FOffset.Y - VertPosition();
    FOffset.Y = VertPosition();
    if (dy != 0) ScrollWindow(0, dy);
    if (FIsThumbnail) return;
    FDisableUpdate = true;
    try {
        ChangePageNo(FPageList->FindPage(FOffset.Y, 0) + 1);
    } catch (...) {
        FDisableUpdate = false;
        throw;
    }
    FDisableUpdate = false;
}

void TrptPreviewWorkspace::ChangePageNo(int Value) {
    if (FPreview) {
        FPreview->SetPageNo(Value);
        return;
    }
    // Alone, the workspace does what the control's writer would.
    Value = std::max(1, Value);
    Value = std::min(Value, FPageList->Count());
    const bool changed = Value != FPageNo;
    FPageNo = Value;
    if (changed && Canvas()) DrawPages(true);
    ScrollToPage(Value);
}

void TrptPreviewWorkspace::ScrollToPage(int PageN) {
    if (FDisableUpdate) return;
    if (PageN < 1 || PageN > FPageList->Count()) return;
    SetVertPosition(FPageList->Items(PageN - 1).OffsetY - Gap);
}

void TrptPreviewWorkspace::SetPosition(int PageN, int Top) {
    if (PageN < 1 || PageN > FPageList->Count()) return;
    int pos = FPageList->Items(PageN - 1).OffsetY - Gap;
    if (Top != 0) {
        double margin = 0;
        if (FPreviewPages)
            if (TrptReportPage* page = FPreviewPages->Page(PageN - 1)) margin = page->TopMargin();
        pos += RoundEven((margin * MMFactor + Top) * FZoom);
    }
    SetVertPosition(pos);
}

int TrptPreviewWorkspace::GetTopPosition() {
    const int n = FPreview ? FPreview->PageNo() : FPageNo;
    if (n < 1 || n > FPageList->Count()) return 0;
    double margin = 0;
    if (FPreviewPages)
        if (TrptReportPage* page = FPreviewPages->Page(n - 1)) margin = page->TopMargin();
    return RoundEven((VertPosition() - FPageList->Items(n - 1).OffsetY + Gap) / FZoom - margin * MMFactor);
}

void TrptPreviewWorkspace::Paint() {
    DrawPages(false);
}

void TrptPreviewWorkspace::DrawFrame(TCanvas& c) {
    const int n = (FPreview ? FPreview->PageNo() : FPageNo) - 1;
    if (n < 0 || n >= FPageList->Count()) return;
    const TRect r = PageScreenRect(n);
    c.Pen().SetColor(FActiveFrameColor);
    c.Pen().SetWidth(2);
    c.Pen().SetStyle(psSolid);
    c.Pen().SetMode(pmCopy);
    c.Polyline({TPoint(r.Left - 1, r.Top - 1), TPoint(r.Right + 1, r.Top - 1),
                TPoint(r.Right + 1, r.Bottom + 1), TPoint(r.Left - 1, r.Bottom + 1),
                TPoint(r.Left - 1, r.Top - 2)});
    c.Pen().SetWidth(1);
}

void TrptPreviewWorkspace::DrawPages(bool FrameOnly) {
    if (!Showing()) return;
    TCanvas* canvas = Canvas();
    if (!canvas) return;
    TCanvas& c = *canvas;
    const TRect client(0, 0, ClientWidth(), ClientHeight());
    c.Brush().SetStyle(bsSolid);
    if (FLocked || FPageList->Count() == 0) {
        c.Brush().SetColor(FBackColor);
        c.FillRect(client);
        return;
    }
    if (!FPreviewPages) return;

    const std::optional<QRegion> savedClip = c.ClipRegion();
    const TRect clipBox = c.ClipRect();
    auto visible = [&](const TRect& r) {
        return r.Top <= client.Height() && r.Bottom >= 0 && r.Left < clipBox.Right &&
               r.Right > clipBox.Left && r.Top < clipBox.Bottom && r.Bottom > clipBox.Top;
    };
    const int n = FPageList->FindPage(FOffset.Y, 0);
    const int first = std::max(0, n - 40);
    const int last = std::min(FPageList->Count() - 1, n + 40);
    for (int i = first; i <= last; ++i) {
        const TRect r = PageScreenRect(i);
        if (visible(r)) c.ExcludeClipRect(r);
    }
    c.Brush().SetColor(FBackColor);
    c.FillRect(client);
    c.SetClipRegion(savedClip);
    DrawFrame(c);
    if (FrameOnly) return;

    const TrptSearchState& search = rptSearchState();
    for (int i = first; i <= last; ++i) {
        TRect r = PageScreenRect(i);
        TRect test = r;
        test.Bottom += 1;
        if (!visible(test)) continue;
        c.Pen().SetColor(FFrameColor);
        c.Pen().SetWidth(1);
        c.Pen().SetStyle(psSolid);
        c.Brush().SetStyle(bsSolid);
        c.Brush().SetColor(clWhite);
        c.Rectangle(r);
        const TCanvasState state = c.SaveState();
        FPreviewPages->DrawPage(i, &c, FZoom, FZoom, r.Left, r.Top);
        c.RestoreState(state);
        if (FIsThumbnail) {
            c.Font().SetName(QStringLiteral("Arial"));
            c.Font().SetSize(8);
            c.Font().SetColor(clWhite);
            c.Font().SetStyle({});
            c.Brush().SetStyle(bsSolid);
            c.Brush().SetColor(FBackColor);
            c.TextOut(r.Left + 1, r.Top + 1, QStringLiteral(" %1 ").arg(i + 1));
        } else if (search.Found && i == FLastFoundPage) {
            const TRect f = search.FoundRect;
            const int fl = RoundEven(f.Left * FZoom), ft = RoundEven(f.Top * FZoom);
            const int fr = RoundEven(f.Right * FZoom), fb = RoundEven(f.Bottom * FZoom);
            c.InvertRect(TRect(r.Left + fl - 1, r.Top + ft, r.Left + fr + 1, r.Top + fb + 1));
        }
    }
}

bool TrptPreviewWorkspace::FindNextText() {
    TrptSearchState& state = rptSearchState();
    state.Found = false;
    const int count = FPreviewPages ? FPreviewPages->Count() : 0;
    if (FLastFoundPage < 0) FLastFoundPage = 0;
    while (FLastFoundPage < count) {
        if (FEMFImagePage != FLastFoundPage || !FEMFImage) {
            FEMFImage = std::make_unique<TMetafile>();
            {
                TMetafileCanvas mc(*FEMFImage);
                FPreviewPages->DrawPage(FLastFoundPage, &mc, 1, 1, 0, 0);
            }
            FEMFImagePage = FLastFoundPage;
        }
        if (rptFindTextInDrawing(FEMFImage->Commands(), state)) {
            if (FLastFoundPage < FPageList->Count()) {
                const TrptPageItem& p = FPageList->Items(FLastFoundPage);
                const TRect pr = FPageList->GetPageBounds(FLastFoundPage, ClientWidth(), FRTLLanguage, FZoom);
                const int top = p.OffsetY + RoundEven(state.FoundRect.Top * FZoom);
                const int bottom = p.OffsetY + RoundEven(state.FoundRect.Bottom * FZoom);
                if (top < VertPosition() || bottom > VertPosition() + ClientHeight())
                    SetVertPosition(bottom - ClientHeight() + 20);
                const int left = pr.Left + RoundEven(state.FoundRect.Left * FZoom);
                const int right = pr.Left + RoundEven(state.FoundRect.Right * FZoom);
                if (left < HorzPosition() || right > HorzPosition() + ClientWidth())
                    SetHorzPosition(right - ClientWidth() + 20);
            }
            Invalidate();
            return true;
        }
        state.LastFoundRecord = -1;
        ++FLastFoundPage;
    }
    Invalidate();
    ShowMessage(GlobalResources()->Get(QStringLiteral("clStrNotFound")));
    return false;
}

// ---------------------------------------------------------------------------------------------
// Input

int TrptPreviewWorkspace::PageAt(int X, int Y) const {
    int x = X + FOffset.X;
    if (FRTLLanguage) x = ClientWidth() - FOffset.X - X;
    return FPageList->FindPage(Y + FOffset.Y, x);
}

void TrptPreviewWorkspace::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TrptScrollWin::MouseDown(Button, Shift, X, Y);
    if (FPageList->Count() > 0 && !FLocked && Button == mbLeft) {
        FDown = true;
        FLastPoint = TPoint(X, Y);
    }
}

void TrptPreviewWorkspace::MouseMove(TShiftState Shift, int X, int Y) {
    TrptScrollWin::MouseMove(Shift, X, Y);
    if (FIsThumbnail || FLocked || FPageList->Count() == 0) return;
    if (FDown) {
        SetHorzPosition(HorzPosition() - (X - FLastPoint.X));
        SetVertPosition(VertPosition() - (Y - FLastPoint.Y));
        FLastPoint = TPoint(X, Y);
        return;
    }
    const int page = PageAt(X, Y);
    TCursor cursor = FDefaultCursor;
    if (page >= 0 && FPreviewPages) {
        const TRect r = PageScreenRect(page);
        FPreviewPages->ObjectOver(page, X, Y, mbLeft, TShiftState(), FZoom, r.Left, r.Top, false, cursor,
                                  false);
    }
    SetCursor(cursor);
}

void TrptPreviewWorkspace::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TrptScrollWin::MouseUp(Button, Shift, X, Y);
    if (!FIsThumbnail && FPreview && FPreview->HostControl() && FPreview->HostControl()->OnClick)
        FPreview->HostControl()->OnClick(FPreview->HostControl());
    if (FPageList->Count() == 0 || FLocked) return;
    FDown = false;
    const int page = PageAt(X, Y);
    if (page < 0) return;
    FDisableUpdate = true;
    try {
        ChangePageNo(page + 1);
    } catch (...) {
        FDisableUpdate = false;
        throw;
    }
    FDisableUpdate = false;
    if (FIsThumbnail || Button == mbRight || !FPreviewPages) return;
    const quint32 now = TickCount();
    bool dbl = false;
    if (FTimeOffset != 0 && now - FTimeOffset <= DoubleClickTime()) {
        dbl = true;
        FTimeOffset = 0;
    } else {
        FTimeOffset = now == 0 ? 1 : now;
    }
    TCursor cursor = FDefaultCursor;
    const TRect r = PageScreenRect(page);
    FPreviewPages->ObjectOver(page, X, Y, Button, Shift, FZoom, r.Left, r.Top, true, cursor, dbl);
}

void TrptPreviewWorkspace::DblClick() {
    if (FIsThumbnail) return;
    if (FPreview && FPreview->HostControl()) {
        if (FPreview->HostControl()->OnDblClick) FPreview->HostControl()->OnDblClick(FPreview->HostControl());
        return;
    }
    TrptScrollWin::DblClick();
}

bool TrptPreviewWorkspace::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
    if (TrptScrollWin::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
    if (WheelDelta == 0) return false;
    const int step = WheelDelta > 0 ? -20 : 20;
    if (Shift.Contains(ssShift))
        SetHorzPosition(HorzPosition() + step);
    else
        SetVertPosition(VertPosition() + step);
    return true;
}

void TrptPreviewWorkspace::KeyDown(Word& Key, TShiftState Shift) {
    TrptScrollWin::KeyDown(Key, Shift);
    const bool ctrl = Shift.Contains(ssCtrl);
    const int cur = FPreview ? FPreview->PageNo() : FPageNo;
    switch (Key) {
    case VK_UP:
        SetVertPosition(VertPosition() - 8);
        break;
    case VK_DOWN:
        SetVertPosition(VertPosition() + 8);
        break;
    case VK_LEFT:
        SetHorzPosition(HorzPosition() - 8);
        break;
    case VK_RIGHT:
        SetHorzPosition(HorzPosition() + 8);
        break;
    case VK_PRIOR:
        if (ctrl)
            ChangePageNo(cur - 1);
        else
            SetVertPosition(VertPosition() - 300);
        break;
    case VK_NEXT:
        if (ctrl)
            ChangePageNo(cur + 1);
        else
            SetVertPosition(VertPosition() + 300);
        break;
    case VK_HOME:
        ChangePageNo(1);
        break;
    case VK_END:
        ChangePageNo(FPageList->Count());
        break;
    default:
        return;
    }
    Key = 0;
}

quint32 TrptPreviewWorkspace::TickCount() const {
    static QElapsedTimer timer;
    if (!timer.isValid()) timer.start();
    return static_cast<quint32>(timer.elapsed()) + 1;
}

quint32 TrptPreviewWorkspace::DoubleClickTime() const {
    return static_cast<quint32>(QGuiApplication::styleHints()->mouseDoubleClickInterval());
}
