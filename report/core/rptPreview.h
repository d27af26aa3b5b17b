#pragma once
// The control that shows a prepared report: the main page workspace, a left pane holding the
// outline tree or the thumbnails, a splitter between them, and a message panel for "Saving
// file..." and "Loading file...". It follows a report while it is prepared (pages appear while
// later ones are made), and offers navigation, zoom and zoom modes, text search and the commands
// print, export, save, open, page settings, edit page and show template.
//
// The rules that need no window (zoom limits and formulas, command enabling, status texts) are
// in rptPreviewModel.h.

#include "report/core/rptClassBases.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptPreviewWorkspace.h"

#include <functional>

class TPanel;
class TLabel;
class TSplitter;
class TPopupMenu;
class TrptPreview;
class QTreeWidget;
class QTreeWidgetItem;

enum TrptPreviewTool { ptHand, ptZoom };

// A prepared report file that could not be read ("Invalid file format"); the preview keeps the
// pages it showed before.
KORVEL_EXCEPTION(EInvalidPreparedFile, Exception)

using TrptPageChangedEvent = std::function<void(TrptPreview* Sender, int PageNo)>;

// One node of the outline: its text, the 1-based page and the top within the page.
struct TrptOutlineNode {
    QString Text;
    int Page = 1;
    int Top = 0;
    std::vector<TrptOutlineNode> Children;
};

// The outline pane: a tree whose nodes carry a page and a top.
class TrptOutlineTree : public TWinControl {
    KORVEL_CLASS(TrptOutlineTree, TWinControl)
public:
    explicit TrptOutlineTree(TComponent* AOwner);

    void SetNodes(const std::vector<TrptOutlineNode>& Nodes);
    const std::vector<TrptOutlineNode>& Nodes() const { return FNodes; }
    void FullExpand();
    void FullCollapse();
    // The node at a path of child indexes; clicking it (also from tests) raises OnNodeClick.
    void ClickNode(const std::vector<int>& Path);
    // Where a node is drawn in the tree's client coordinates (empty when it is not visible).
    TRect NodeRect(const std::vector<int>& Path);
    QTreeWidget* Tree();

    std::function<void(const TrptOutlineNode& Node)> OnNodeClick;

protected:
    std::unique_ptr<QWidget> CreateWidget() override;
    void InitWidget() override;

private:
    void Fill();
    QTreeWidgetItem* ItemAt(const std::vector<int>& Path);
    const TrptOutlineNode* NodeAt(const std::vector<int>& Path) const;

    std::vector<TrptOutlineNode> FNodes;
    bool FExpanded = false;
};

class TrptPreview : public TrptCustomPreview, public TrptPreviewWorkspaceHost {
    KORVEL_CLASS(TrptPreview, TrptCustomPreview)
public:
    explicit TrptPreview(TComponent* AOwner);
    ~TrptPreview() override;

    // --- TrptCustomPreview
    void Init() override;
    void Lock() override;
    void Unlock() override;
    void RefreshReport() override;
    void InternalOnProgressStart(TrptReport* Sender, TrptProgressType ProgressType, int Progress) override;
    void InternalOnProgress(TrptReport* Sender, TrptProgressType ProgressType, int Progress) override;
    void InternalOnProgressStop(TrptReport* Sender, TrptProgressType ProgressType, int Progress) override;

    // --- TrptPreviewWorkspaceHost
    int PageNo() const override { return FPageNo; }
    void SetPageNo(int Value) override;
    TControl* HostControl() override { return this; }

    // --- navigation
    void First();
    void Next();
    void Prior();
    void Last();
    int PageCount() const;
    void SetPosition(int PageN, int Top);
    int GetTopPosition();

    // --- zoom
    double Zoom() const { return FZoom; }
    void SetZoom(double Value);
    TrptZoomMode ZoomMode() const { return FZoomMode; }
    void SetZoomMode(TrptZoomMode Value);
    void MouseWheelScroll(int Delta, bool Horz, bool Zoom);

    // --- panes
    bool OutlineVisible() const;
    void SetOutlineVisible(bool Value);
    bool ThumbnailVisible() const;
    void SetThumbnailVisible(bool Value);
    int OutlineWidth() const;
    void SetOutlineWidth(int Value);
    TColor OutlineColor() const { return FOutlineColor; }
    void SetOutlineColor(TColor Value);
    TColor BackColor() const;
    void SetBackColor(TColor Value);
    TColor FrameColor() const;
    void SetFrameColor(TColor Value);
    TColor ActiveFrameColor() const;
    void SetActiveFrameColor(TColor Value);

    // --- commands
    void Print();
    void Export(TrptCustomExportFilter* Filter);
    void SaveToFile();
    void SaveToFile(const QString& FileName);
    void LoadFromFile();
    void LoadFromFile(const QString& FileName);
    void PageSetupDlg();
    void Edit();
    void AddPage();
    void DeletePage();
    void Clear();
    void Find();
    void FindNext();
    bool FindText(const QString& SearchString, bool FromTop, bool IsCaseSensitive);
    bool FindTextFound() const;
    void FindTextClear();
    void Cancel();
    void ShowMessage(const QString& Text);
    void HideMessage();
    void DesignSourcePages();
    bool AllowF3() const { return FAllowF3; }

    void UpdatePages();
    void UpdateOutline();

    // --- state and parts
    bool Locked() const { return FLocked; }
    bool Running() const { return FRunning; }
    bool Refreshing() const { return FRefreshing; }
    TrptPreviewTool Tool() const { return FTool; }
    void SetTool(TrptPreviewTool Value) { FTool = Value; }
    TrptOutlineTree* OutlineTree() const { return FOutline; }
    TSplitter* Splitter() const { return FSplitter; }
    TrptPreviewWorkspace* Thumbnail() const { return FThumbnail; }
    TrptPreviewWorkspace* Workspace() const { return FWorkspace; }
    TPopupMenu* OutlinePopup() const { return FOutlinePopup; }
    TPanel* MessagePanel() const { return FMessagePanel; }
    TLabel* MessageLabel() const { return FMessageLabel; }

    TrptPageChangedEvent OnPageChanged;
    // The window around the control (the preview window): told after every re-layout, when the
    // commands change state (preparation starts or ends) and when a pane is shown or hidden.
    std::function<void()> OnZoomChanged;
    std::function<void(bool Preparing)> OnRunningChanged;
    std::function<void()> OnPanesChanged;
    // The prepared pages' status text (URL or hint of the object under the mouse).
    std::function<void(const QString& Text, bool IsHint)> OnStatusText;

    void KeyDown(Word& Key, TShiftState Shift) override;

protected:
    void Resize() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    int DialogCode() const override { return DLGC_WANTARROWS; }
    // Milliseconds since some start; the bench and tests may replace it.
    virtual quint32 TickCount() const;

private:
    void DoPageChanged();
    void UpdatePanes();
    void ClampPositions(TrptPreviewWorkspace* W);
    bool PreviewButton(TrptPreviewButton B) const;
    void HookPages();

    bool FAllowF3 = false;
    bool FLocked = false;
    bool FRefreshing = false;
    bool FRunning = false;
    int FPageNo = 1;
    bool FScrollingToPage = false;
    quint32 FTick = 0;
    TrptPreviewTool FTool = ptHand;
    double FZoom = 1.0;
    TrptZoomMode FZoomMode = zmDefault;
    TColor FOutlineColor = clWindow;
    TrptOutlineTree* FOutline = nullptr;
    TPopupMenu* FOutlinePopup = nullptr;
    TrptPreviewWorkspace* FThumbnail = nullptr;
    TSplitter* FSplitter = nullptr;
    TrptPreviewWorkspace* FWorkspace = nullptr;
    TPanel* FMessagePanel = nullptr;
    TLabel* FMessageLabel = nullptr;
    TrptCustomPreviewPages* FHookedPages = nullptr;
};
