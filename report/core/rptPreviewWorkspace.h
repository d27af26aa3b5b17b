#pragma once
// The scrolling area in which the preview shows prepared pages: pages laid out in centred rows on
// a grey background at a zoom, only the pages in view painted, the current page framed, scrolling
// by bars, wheel, keys and dragging, mouse positions and clicks handed to the prepared pages (links,
// drill-down, hints), and a text search over the recorded drawing of each page.
//
// The layout (TrptPageList) and the search over a recorded drawing are plain code; the workspace
// control only draws and routes input.

#include "report/core/rptPreviewControls.h"

#include "platform/gfx/Metafile.h"

#include <memory>
#include <vector>

class TrptCustomPreviewPages;
class TrptPreviewWorkspace;

// The place of one page in a workspace, in workspace pixels at the workspace's zoom.
struct TrptPageItem {
    int Height = 0;
    int Width = 0;
    int OffsetX = 0;
    int OffsetY = 0;
};

// The layout of all pages of one workspace, in page order.
class TrptPageList : public TObject {
public:
    TrptPageList() = default;

    int Count() const { return static_cast<int>(FItems.size()); }
    const TrptPageItem& Items(int Index) const { return FItems.at(Index); }
    void Clear();
    // Appends a page of AWidth x AHeight pixels (at zoom 1) at the given zoom.
    void AddPage(int AWidth, int AHeight, double Zoom);
    // Places the pages in rows no wider than ClientWidth, each row centred.
    void CalcBounds(int ClientWidth);
    // 0-based page at a point of the unscrolled workspace. With OffsetX 0 the last page whose top
    // lies within a fifth of its height below OffsetY; -1 above the first page.
    int FindPage(int OffsetY, int OffsetX = 0) const;
    // The page's rectangle (mirrored with right-to-left); a blank A4 sheet for an index outside
    // the list.
    TRect GetPageBounds(int Index, int ClientWidth, bool RTL, double Scale) const;
    // Width of the widest row with its trailing gap, and the bottom of the last page.
    TPoint GetMaxBounds() const;
    int MaxWidth() const { return FMaxWidth; }

private:
    std::vector<TrptPageItem> FItems;
    int FMaxWidth = 0;
};

// The search state one process shares between its workspaces.
struct TrptSearchState {
    QString Text;
    bool CaseSensitive = false;
    bool Found = false;
    // The found text's rectangle, page pixels at zoom 1.
    TRect FoundRect;
    // The record counter of the last match (-1: none on this page) and the running counter.
    int LastFoundRecord = -1;
    int RecordCounter = 0;
};
TrptSearchState& rptSearchState();

// The first text-output record of a recorded page drawing whose counter is above
// State.LastFoundRecord and whose text holds State.Text; on a match sets Found, FoundRect and
// LastFoundRecord. Nested pictures are searched in place, their records counted too.
bool rptFindTextInDrawing(const std::vector<TCanvasCommand>& Commands, TrptSearchState& State);

// What a workspace needs of the preview control that holds it.
class TrptPreviewWorkspaceHost {
public:
    virtual ~TrptPreviewWorkspaceHost() = default;
    virtual int PageNo() const = 0;
    // The control's current page writer: clamps it, gives it to both workspaces, repaints their
    // frames and scrolls each workspace that does not suppress it.
    virtual void SetPageNo(int Value) = 0;
    // The sender of OnClick and OnDblClick.
    virtual TControl* HostControl() = 0;
};

class TrptPreviewWorkspace : public TrptScrollWin {
    KORVEL_CLASS(TrptPreviewWorkspace, TrptScrollWin)
public:
    explicit TrptPreviewWorkspace(TComponent* AOwner);
    ~TrptPreviewWorkspace() override;

    TColor ActiveFrameColor() const { return FActiveFrameColor; }
    void SetActiveFrameColor(TColor Value) { FActiveFrameColor = Value; }
    TColor BackColor() const { return FBackColor; }
    void SetBackColor(TColor Value) { FBackColor = Value; }
    TColor FrameColor() const { return FFrameColor; }
    void SetFrameColor(TColor Value) { FFrameColor = Value; }
    bool IsThumbnail() const { return FIsThumbnail; }
    void SetIsThumbnail(bool Value) { FIsThumbnail = Value; }
    bool Locked() const { return FLocked; }
    void SetLocked(bool Value) { FLocked = Value; }
    int PageNo() const { return FPageNo; }
    void SetPageNo(int Value) { FPageNo = Value; }
    TrptPreviewWorkspaceHost* Preview() const { return FPreview; }
    void SetPreview(TrptPreviewWorkspaceHost* Value) { FPreview = Value; }
    TrptCustomPreviewPages* PreviewPages() const { return FPreviewPages; }
    void SetPreviewPages(TrptCustomPreviewPages* Value);
    double Zoom() const { return FZoom; }
    void SetZoom(double Value) { FZoom = Value; }
    bool RTLLanguage() const { return FRTLLanguage; }
    void SetRTLLanguage(bool Value) { FRTLLanguage = Value; }
    TPoint Offset() const { return FOffset; }
    const TrptPageList& PageList() const { return *FPageList; }
    int LastFoundPage() const { return FLastFoundPage; }
    void SetLastFoundPage(int Value) { FLastFoundPage = Value; }
    // Page index of the kept search drawing; -1 drops it.
    int EMFImagePage() const { return FEMFImagePage; }
    void SetEMFImagePage(int Value);
    TCursor DefaultCursor() const { return FDefaultCursor; }

    void AddPage(int AWidth, int AHeight);
    void CalcPageBounds(int ClientWidth);
    void ClearPageList();
    // Refills the layout from the prepared pages at the zoom, for LayoutWidth (the control passes
    // its width less the vertical bar and 26 pixels), and updates the scroll ranges.
    void LayoutPages(int LayoutWidth);
    int LayoutWidth() const;
    void SetPosition(int PageN, int Top);
    int GetTopPosition();
    void DrawPages(bool FrameOnly);
    // Searches on from LastFoundPage; shows "Text not found" when the pages run out.
    bool FindNextText();
    void ScrollToPage(int PageN);
    void UpdateScrollRanges();
    // The page's on-screen rectangle (scrolled).
    TRect PageScreenRect(int Index) const;

    // Navigation keys: arrows, Page Up/Down (with Ctrl a page), Home, End.
    void KeyDown(Word& Key, TShiftState Shift) override;

protected:
    void Paint() override;
    void HorzPositionChanged() override;
    void VertPositionChanged() override;
    void Resize() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void DblClick() override;
    bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
    // Milliseconds since some start, and the double-click time; tests replace them.
    virtual quint32 TickCount() const;
    virtual quint32 DoubleClickTime() const;

private:
    // The page under a client point (x mirrored with right-to-left); -1 when none.
    int PageAt(int X, int Y) const;
    // Makes Value the current page: through the control, or alone without one.
    void ChangePageNo(int Value);
    void DrawFrame(TCanvas& c);

    TColor FActiveFrameColor = 0x804020;
    TColor FBackColor = 0x808080;
    TCursor FDefaultCursor = 150;
    bool FDisableUpdate = false;
    bool FDown = false;
    std::unique_ptr<TMetafile> FEMFImage;
    int FEMFImagePage = -1;
    TColor FFrameColor = 0;
    bool FIsThumbnail = false;
    int FLastFoundPage = 0;
    TPoint FLastPoint;
    bool FLocked = false;
    TPoint FOffset;
    quint32 FTimeOffset = 0;
    std::unique_ptr<TrptPageList> FPageList;
    int FPageNo = 1;
    TrptPreviewWorkspaceHost* FPreview = nullptr;
    TrptCustomPreviewPages* FPreviewPages = nullptr;
    double FZoom = 1.0;
    bool FRTLLanguage = false;
};
