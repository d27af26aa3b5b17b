#include "report/core/rptPreview.h"

#include "report/core/rptClassBand.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptEngine.h"
#include "report/core/rptPreparedPages.h"
#include "report/core/rptPreviewDialogs.h"
#include "report/core/rptPreviewModel.h"
#include "report/core/rptRes.h"
#include "report/core/rptRunControl.h"
#include "report/core/rptUtils.h"

#include "platform/rtl/Streams.h"
#include "platform/ui/ControlBridge.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/UIServices.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHeaderView>
#include <QStyle>
#include <QTreeWidget>

#include <algorithm>
#include <cmath>

KORVEL_CLASS_INFO(TrptOutlineTree) {}
KORVEL_CLASS_INFO(TrptPreview) {}

namespace {

int VScrollBarWidth() {
    if (QApplication::style()) return QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    return 16;
}

void ProcessPending() {
    if (Application) Application->ProcessMessages();
}

constexpr int NodePageRole = Qt::UserRole + 1;

void AddItems(QTreeWidgetItem* parent, QTreeWidget* tree, const std::vector<TrptOutlineNode>& nodes) {
    for (const TrptOutlineNode& n : nodes) {
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(tree);
        item->setText(0, n.Text);
        item->setData(0, NodePageRole, n.Page);
        AddItems(item, tree, n.Children);
    }
}

} // namespace

// =============================================================================================
// TrptOutlineTree

TrptOutlineTree::TrptOutlineTree(TComponent* AOwner) : TWinControl(AOwner) {
    FWidth = 120;
    FHeight = 100;
    FColor = clWindow;
    FParentColor = false;
    SetTabStop(true);
}

std::unique_ptr<QWidget> TrptOutlineTree::CreateWidget() {
    auto w = std::make_unique<TBridgeWidget<QTreeWidget>>(this);
    w->setFocusPolicy(Qt::StrongFocus);
    w->setHeaderHidden(true);
    w->setFrameShape(QFrame::NoFrame);
    w->setColumnCount(1);
    QObject::connect(w.get(), &QTreeWidget::itemClicked, w.get(), [this](QTreeWidgetItem* item, int) {
        std::vector<int> path;
        for (QTreeWidgetItem* i = item; i; i = i->parent()) {
            QTreeWidgetItem* p = i->parent();
            path.insert(path.begin(), p ? p->indexOfChild(i) : Tree()->indexOfTopLevelItem(i));
        }
        Guarded([this, path] { ClickNode(path); });
    });
    return w;
}

void TrptOutlineTree::InitWidget() {
    TWinControl::InitWidget();
    Fill();
}

QTreeWidget* TrptOutlineTree::Tree() {
    return static_cast<QTreeWidget*>(Widget());
}

void TrptOutlineTree::Fill() {
    if (!HandleAllocated()) return;
    QTreeWidget* t = Tree();
    t->setUpdatesEnabled(false);
    t->clear();
    AddItems(nullptr, t, FNodes);
    if (FExpanded) t->expandAll();
    if (t->topLevelItemCount() > 0) t->scrollToItem(t->topLevelItem(0));
    t->setUpdatesEnabled(true);
}

void TrptOutlineTree::SetNodes(const std::vector<TrptOutlineNode>& Nodes) {
    FNodes = Nodes;
    FExpanded = false;
    Fill();
}

void TrptOutlineTree::FullExpand() {
    FExpanded = true;
    if (HandleAllocated()) Tree()->expandAll();
}

void TrptOutlineTree::FullCollapse() {
    FExpanded = false;
    if (HandleAllocated()) Tree()->collapseAll();
}

const TrptOutlineNode* TrptOutlineTree::NodeAt(const std::vector<int>& Path) const {
    const std::vector<TrptOutlineNode>* level = &FNodes;
    const TrptOutlineNode* node = nullptr;
    for (int i : Path) {
        if (i < 0 || i >= static_cast<int>(level->size())) return nullptr;
        node = &(*level)[static_cast<size_t>(i)];
        level = &node->Children;
    }
    return node;
}

QTreeWidgetItem* TrptOutlineTree::ItemAt(const std::vector<int>& Path) {
    QTreeWidgetItem* item = nullptr;
    for (int i : Path) {
        item = item ? item->child(i) : Tree()->topLevelItem(i);
        if (!item) return nullptr;
    }
    return item;
}

void TrptOutlineTree::ClickNode(const std::vector<int>& Path) {
    const TrptOutlineNode* node = NodeAt(Path);
    if (!node) return;
    if (HandleAllocated())
        if (QTreeWidgetItem* item = ItemAt(Path)) Tree()->setCurrentItem(item);
    if (OnNodeClick) OnNodeClick(*node);
}

TRect TrptOutlineTree::NodeRect(const std::vector<int>& Path) {
    QTreeWidgetItem* item = ItemAt(Path);
    if (!item) return TRect();
    QRect r = Tree()->visualItemRect(item);
    if (r.isEmpty()) return TRect();
    r.translate(Tree()->viewport()->pos());
    return TRect(r.left(), r.top(), r.right() + 1, r.bottom() + 1);
}

// =============================================================================================
// TrptPreview

TrptPreview::TrptPreview(TComponent* AOwner) : TrptCustomPreview(AOwner) {
    FWidth = 100;
    FHeight = 100;
    SetBorderStyle(bsSingle);
    SetTabStop(true);
    FControlStyle.Include(csAcceptsControls);

    FOutlinePopup = new TPopupMenu(this);
    auto* collapse = new TMenuItem(FOutlinePopup);
    collapse->SetCaption(ReportText(QStringLiteral("601")));
    collapse->OnClick = [this](TObject*) {
        FOutline->FullCollapse();
        if (FWorkspace->CanFocus()) FWorkspace->SetFocus();
    };
    FOutlinePopup->Items()->Add(collapse);
    auto* expand = new TMenuItem(FOutlinePopup);
    expand->SetCaption(ReportText(QStringLiteral("600")));
    expand->OnClick = [this](TObject*) {
        FOutline->FullExpand();
        if (FWorkspace->CanFocus()) FWorkspace->SetFocus();
    };
    FOutlinePopup->Items()->Add(expand);

    FOutline = new TrptOutlineTree(this);
    FOutline->SetParent(this);
    FOutline->SetAlign(alLeft);
    FOutline->SetPopupMenu(FOutlinePopup);
    FOutline->SetVisible(false);
    FOutline->OnNodeClick = [this](const TrptOutlineNode& Node) {
        SetPosition(Node.Page, Node.Top);
        if (CanFocus()) SetFocus();
    };

    FThumbnail = new TrptPreviewWorkspace(this);
    FThumbnail->SetParent(this);
    FThumbnail->SetAlign(alLeft);
    FThumbnail->SetVisible(false);
    FThumbnail->SetZoom(0.1);
    FThumbnail->SetIsThumbnail(true);
    FThumbnail->SetWidth(FOutline->Width());
    FThumbnail->SetPreview(this);

    FSplitter = new TSplitter(this);
    FSplitter->SetParent(this);
    FSplitter->SetAlign(alLeft);
    FSplitter->SetWidth(4);
    FSplitter->SetLeft(FOutline->Width() + 1);
    FSplitter->SetVisible(false);
    FSplitter->OnMoved = [this](TObject*) {
        FThumbnail->SetWidth(FOutline->Visible() ? FOutline->Width() : FThumbnail->Width());
        UpdatePages();
    };

    FWorkspace = new TrptPreviewWorkspace(this);
    FWorkspace->SetParent(this);
    FWorkspace->SetAlign(alClient);
    FWorkspace->SetPreview(this);

    FMessagePanel = new TPanel(this);
    FMessagePanel->SetParent(this);
    FMessagePanel->SetVisible(false);
    FMessagePanel->SetBounds(0, 0, 260, 75);
    FMessageLabel = new TLabel(this);
    FMessageLabel->SetParent(FMessagePanel);
    FMessageLabel->SetAlignment(taCenter);
    FMessageLabel->SetAutoSize(false);
    FMessageLabel->SetBounds(4, 20, 255, 20);
}

TrptPreview::~TrptPreview() {
    if (auto* pages = dynamic_cast<TrptPreviewPages*>(FHookedPages)) {
        pages->OnShowPage = nullptr;
        pages->OnStatusText = nullptr;
    }
    if (FReport && FReport->Preview() == this) FReport->SetPreview(nullptr);
}

void TrptPreview::Notification(TComponent* AComponent, TOperation Operation) {
    TrptCustomPreview::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == static_cast<TComponent*>(FReport)) {
        FReport = nullptr;
        FPreviewPages = nullptr;
        FHookedPages = nullptr;
        FWorkspace->SetPreviewPages(nullptr);
        FThumbnail->SetPreviewPages(nullptr);
        FWorkspace->ClearPageList();
        FThumbnail->ClearPageList();
        FOutline->SetNodes({});
        FPageNo = 1;
    }
}

quint32 TrptPreview::TickCount() const {
    static QElapsedTimer timer;
    if (!timer.isValid()) timer.start();
    return static_cast<quint32>(timer.elapsed());
}

bool TrptPreview::PreviewButton(TrptPreviewButton B) const {
    return FReport && FReport->PreviewOptions()->Buttons().Contains(B);
}

void TrptPreview::HookPages() {
    if (FHookedPages == FPreviewPages) return;
    if (auto* old = dynamic_cast<TrptPreviewPages*>(FHookedPages)) {
        old->OnShowPage = nullptr;
        old->OnStatusText = nullptr;
    }
    FHookedPages = FPreviewPages;
    // Page links and anchors clicked in a page move this preview; status texts go to the window.
    if (auto* pages = dynamic_cast<TrptPreviewPages*>(FPreviewPages)) {
        pages->OnShowPage = [this](int Page, int Top) { SetPosition(Page, Top); };
        pages->OnStatusText = [this](const QString& Text, bool IsHint) {
            if (OnStatusText) OnStatusText(Text, IsHint);
        };
    }
}

void TrptPreview::Init() {
    if (FReport) FReport->FreeNotification(this);
    FWorkspace->SetPreviewPages(FPreviewPages);
    FThumbnail->SetPreviewPages(FPreviewPages);
    HookPages();
    TrptSearchState& s = rptSearchState();
    s.Found = false;
    s.LastFoundRecord = -1;
    FWorkspace->SetLastFoundPage(0);
    FAllowF3 = false;
    if (FReport) {
        TrptPreviewOptions* o = FReport->PreviewOptions();
        SetOutlineWidth(o->OutlineWidth());
        SetOutlineVisible(o->OutlineVisible());
        SetThumbnailVisible(o->ThumbnailVisible());
        FZoomMode = o->ZoomMode();
        // Taken as stored; only the writer applies the lower limit. A damaged template value
        // (zero, negative, huge) would still break the layout, so keep it sane.
        FZoom = o->Zoom();
        if (!(FZoom > 0) || FZoom > rptMaxZoom) FZoom = rptClampZoom(FZoom);
    }
    UpdatePages();
    UpdateOutline();
    First();
}

// ---------------------------------------------------------------------------------------------
// Layout

void TrptPreview::Resize() {
    TrptCustomPreview::Resize();
    UpdatePages();
}

void TrptPreview::ClampPositions(TrptPreviewWorkspace* W) {
    W->SetHorzPosition(W->HorzPosition());
    W->SetVertPosition(W->VertPosition());
}

void TrptPreview::UpdatePages() {
    if (FLocked || PageCount() == 0) return;
    FAllowF3 = false;
    FWorkspace->SetEMFImagePage(-1);
    const int cur = rptClampPageNo(FPageNo, PageCount());
    const TPoint size = FPreviewPages->PageSize(cur - 1);
    if (size.Y == 0) return;
    const int sb = VScrollBarWidth();
    if (FZoomMode == zmWholePage) {
        FZoom = rptWholePageZoom(ClientWidth(), ClientHeight(), FWorkspace->Width(), FWorkspace->Height(), sb,
                                 size.X, size.Y);
        if (FZoom <= 0) FZoom = rptMinZoom;
    } else if (FZoomMode == zmPageWidth) {
        FZoom = rptPageWidthZoom(FWorkspace->Width(), sb, size.X);
        if (FZoom <= 0) FZoom = rptMinZoom;
    }
    FWorkspace->SetZoom(FZoom);
    FThumbnail->SetZoom(0.1);
    FWorkspace->ClearPageList();
    if (!FRunning) FThumbnail->ClearPageList();
    const int n = PageCount();
    for (int i = 0; i < n; ++i) {
        const TPoint s = FPreviewPages->PageSize(i);
        FWorkspace->AddPage(s.X, s.Y);
        if (!FRunning) FThumbnail->AddPage(s.X, s.Y);
    }
    FWorkspace->CalcPageBounds(FWorkspace->Width() - sb - 26);
    if (!FRunning) FThumbnail->CalcPageBounds(FThumbnail->Width() - sb - 26);
    FWorkspace->UpdateScrollRanges();
    FThumbnail->UpdateScrollRanges();
    ClampPositions(FWorkspace);
    if (FZoomMode == zmWholePage) FWorkspace->SetPosition(cur, 0);
    if (!FRefreshing) {
        FWorkspace->Invalidate();
        FThumbnail->Invalidate();
    }
    if (OnZoomChanged) OnZoomChanged();
}

void TrptPreview::SetZoom(double Value) {
    FZoom = rptClampZoom(Value);
    FZoomMode = zmDefault;
    UpdatePages();
}

void TrptPreview::SetZoomMode(TrptZoomMode Value) {
    FZoomMode = Value;
    UpdatePages();
}

void TrptPreview::MouseWheelScroll(int Delta, bool Horz, bool Zoom) {
    if (Delta == 0) return;
    if (Zoom) {
        SetZoom(rptWheelZoom(FZoom, Delta));
        return;
    }
    const int step = Delta > 0 ? -20 : 20;
    if (Horz)
        FWorkspace->SetHorzPosition(FWorkspace->HorzPosition() + step);
    else
        FWorkspace->SetVertPosition(FWorkspace->VertPosition() + step);
}

// ---------------------------------------------------------------------------------------------
// Navigation

int TrptPreview::PageCount() const {
    return FPreviewPages ? FPreviewPages->Count() : 0;
}

void TrptPreview::DoPageChanged() {
    if (OnPageChanged) OnPageChanged(this, FPageNo);
}

void TrptPreview::SetPageNo(int Value) {
    // Scrolling to the page written reports the page at the top of the view (on a short last
    // row, or a row of several pages, another one): the page written stays current.
    if (FScrollingToPage) return;
    Value = rptClampPageNo(Value, std::min(PageCount(), FWorkspace->PageList().Count()));
    const bool changed = Value != FPageNo;
    FPageNo = Value;
    FScrollingToPage = true;
    try {
        for (TrptPreviewWorkspace* w : {FWorkspace, FThumbnail}) {
            w->SetPageNo(Value);
            if (changed) w->Invalidate();
            w->ScrollToPage(Value);
        }
    } catch (...) {
        FScrollingToPage = false;
        throw;
    }
    FScrollingToPage = false;
    DoPageChanged();
}

void TrptPreview::First() { SetPageNo(1); }
void TrptPreview::Next() { SetPageNo(FPageNo + 1); }
void TrptPreview::Prior() { SetPageNo(FPageNo - 1); }
void TrptPreview::Last() { SetPageNo(PageCount()); }

void TrptPreview::SetPosition(int PageN, int Top) {
    PageN = rptClampPageNo(PageN, PageCount());
    if (PageN < 1) return;
    FWorkspace->SetPosition(PageN, Top);
}

int TrptPreview::GetTopPosition() {
    return FWorkspace->GetTopPosition();
}

void TrptPreview::KeyDown(Word& Key, TShiftState Shift) {
    TrptCustomPreview::KeyDown(Key, Shift);
    const bool ctrl = Shift.Contains(ssCtrl);
    switch (Key) {
    case VK_UP:
    case VK_DOWN:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_HOME:
    case VK_END:
        FWorkspace->KeyDown(Key, Shift);
        return;
    case VK_F3:
        if (PreviewButton(pbFind)) FindNext();
        break;
    default:
        if (!ctrl) return;
        if (Key == 'P' && PreviewButton(pbPrint))
            Print();
        else if (Key == 'S' && PreviewButton(pbSave))
            SaveToFile();
        else if (Key == 'F' && PreviewButton(pbFind))
            Find();
        else if (Key == 'O' && PreviewButton(pbLoad))
            LoadFromFile();
        else
            return;
    }
    Key = 0;
}

// ---------------------------------------------------------------------------------------------
// Panes

bool TrptPreview::OutlineVisible() const { return FOutline->Visible(); }
bool TrptPreview::ThumbnailVisible() const { return FThumbnail->Visible(); }
int TrptPreview::OutlineWidth() const { return FOutline->Width(); }

void TrptPreview::SetOutlineWidth(int Value) {
    FOutline->SetWidth(Value);
    if (!IsDesigning()) FThumbnail->SetWidth(Value);
}

void TrptPreview::SetOutlineColor(TColor Value) {
    FOutlineColor = Value;
    FOutline->SetColor(Value);
}

void TrptPreview::UpdatePanes() {
    const bool any = FOutline->Visible() || FThumbnail->Visible();
    FSplitter->SetVisible(any);
    if (any) {
        // The splitter sits right of the pane that shows.
        TControl* pane = FOutline->Visible() ? static_cast<TControl*>(FOutline) : FThumbnail;
        FSplitter->SetLeft(pane->Left() + pane->Width() + 1);
    }
    UpdatePages();
    if (OnPanesChanged) OnPanesChanged();
}

void TrptPreview::SetOutlineVisible(bool Value) {
    if (Value) FThumbnail->SetVisible(false);
    FOutline->SetVisible(Value);
    UpdatePanes();
}

void TrptPreview::SetThumbnailVisible(bool Value) {
    if (Value) FOutline->SetVisible(false);
    FThumbnail->SetVisible(Value);
    UpdatePanes();
    if (Value) {
        FThumbnail->SetPageNo(FPageNo);
        ClampPositions(FThumbnail);
    }
}

TColor TrptPreview::BackColor() const { return FWorkspace->BackColor(); }
void TrptPreview::SetBackColor(TColor Value) { FWorkspace->SetBackColor(Value); }
TColor TrptPreview::FrameColor() const { return FWorkspace->FrameColor(); }
void TrptPreview::SetFrameColor(TColor Value) { FWorkspace->SetFrameColor(Value); }
TColor TrptPreview::ActiveFrameColor() const { return FWorkspace->ActiveFrameColor(); }
void TrptPreview::SetActiveFrameColor(TColor Value) { FWorkspace->SetActiveFrameColor(Value); }

// ---------------------------------------------------------------------------------------------
// Outline

namespace {

void ReadOutlineLevel(TrptCustomOutline* Outline, std::vector<TrptOutlineNode>& Nodes, int Depth) {
    // A looping or absurdly deep outline (a damaged file) stops instead of overflowing the stack.
    if (Depth > 64) return;
    const int n = Outline->Count();
    for (int i = 0; i < n; ++i) {
        QString text;
        int page = 0, top = 0;
        Outline->GetItem(i, text, page, top);
        TrptOutlineNode node;
        node.Text = text;
        node.Page = page + 1;
        node.Top = top;
        Outline->LevelDown(i);
        ReadOutlineLevel(Outline, node.Children, Depth + 1);
        Outline->LevelUp();
        Nodes.push_back(std::move(node));
    }
}

} // namespace

void TrptPreview::UpdateOutline() {
    std::vector<TrptOutlineNode> nodes;
    if (FPreviewPages && FPreviewPages->Outline()) {
        TrptCustomOutline* o = FPreviewPages->Outline();
        o->LevelRoot();
        ReadOutlineLevel(o, nodes, 0);
        o->LevelRoot();
    }
    FOutline->SetNodes(nodes);
    if (FReport && FReport->PreviewOptions()->OutlineExpand()) FOutline->FullExpand();
}

// ---------------------------------------------------------------------------------------------
// Lock and refresh

void TrptPreview::Lock() {
    FLocked = true;
    FWorkspace->SetLocked(true);
    FThumbnail->SetLocked(true);
}

void TrptPreview::Unlock() {
    HideMessage();
    FLocked = false;
    FWorkspace->SetLocked(false);
    FThumbnail->SetLocked(false);
    UpdatePages();
    FWorkspace->Invalidate();
    FThumbnail->Invalidate();
}

void TrptPreview::RefreshReport() {
    if (!FReport) return;
    const int hpos = FWorkspace->HorzPosition(), vpos = FWorkspace->VertPosition();
    const int page = FPageNo;
    Lock();
    FRefreshing = true;
    try {
        PrepareReport(FReport, true);
    } catch (...) {
        FRefreshing = false;
        Unlock();
        throw;
    }
    FLocked = false;
    FThumbnail->SetLocked(false);
    FPageNo = PageCount() < page ? 1 : page;
    UpdatePages();
    UpdateOutline();
    FRefreshing = false;
    FWorkspace->SetHorzPosition(hpos);
    FWorkspace->SetVertPosition(vpos);
    FWorkspace->SetLocked(false);
    FWorkspace->Invalidate();
    FThumbnail->Invalidate();
    if (PageCount() < page) SetPageNo(1);
}

// ---------------------------------------------------------------------------------------------
// Preparation progress

void TrptPreview::InternalOnProgressStart(TrptReport*, TrptProgressType, int) {
    if (FRefreshing) return;
    Clear();
    if (FReport) FReport->DrillState()->Clear();
    FRunning = true;
    if (OnRunningChanged) OnRunningChanged(true);
}

void TrptPreview::InternalOnProgress(TrptReport*, TrptProgressType, int Progress) {
    if (FRefreshing) {
        DoPageChanged();
        return;
    }
    const bool finalPass = !FReport || !FReport->Engine() || FReport->Engine()->FinalPass();
    if (finalPass && Progress < 50 && FPreviewPages && Progress < FPreviewPages->Count()) {
        // The first pages show while the later ones are made.
        const TPoint s = FPreviewPages->PageSize(Progress);
        if (FWorkspace->PageList().Count() == Progress) {
            FWorkspace->AddPage(s.X, s.Y);
            FWorkspace->CalcPageBounds(FWorkspace->Width() - VScrollBarWidth() - 26);
            FWorkspace->UpdateScrollRanges();
        }
    }
    if (Progress == 0) {
        FPageNo = 0;
        SetPageNo(1);
        if (finalPass) UpdatePages();
        FTick = TickCount();
    } else if (Progress == 1) {
        FTick = static_cast<quint32>(rptRefreshInterval(TickCount() - FTick));
        SetPageNo(1);
        if (finalPass) UpdatePages();
    } else if (FTick > 0 && Progress % static_cast<int>(FTick) == 0) {
        DoPageChanged();
        if (finalPass) {
            // Pages past the first 50 enter the layout only here, so that the bars grow.
            if (Progress >= 50) UpdatePages();
            FWorkspace->UpdateScrollRanges();
        }
    }
    ProcessPending();
}

void TrptPreview::InternalOnProgressStop(TrptReport*, TrptProgressType, int) {
    if (FRefreshing) return;
    FRunning = false;
    DoPageChanged();
    FWorkspace->UpdateScrollRanges();
    FThumbnail->UpdateScrollRanges();
    UpdatePages();
    UpdateOutline();
    if (OnRunningChanged) OnRunningChanged(false);
}

void TrptPreview::Cancel() {
    if (FRunning && FReport) FReport->SetTerminated(true);
}

// ---------------------------------------------------------------------------------------------
// Commands

void TrptPreview::Print() {
    if (FRunning || !FPreviewPages) return;
    FPreviewPages->SetCurPreviewPage(FPageNo);
    try {
        FPreviewPages->Print();
    } catch (...) {
        Unlock();
        throw;
    }
    Unlock();
}

void TrptPreview::Export(TrptCustomExportFilter* Filter) {
    if (FRunning || !FPreviewPages || !Filter) return;
    FPreviewPages->SetCurPreviewPage(FPageNo);
    try {
        FPreviewPages->Export(Filter);
    } catch (...) {
        Unlock();
        throw;
    }
    Unlock();
}

namespace {

QString PreparedFileFilter() {
    return ReportText(QStringLiteral("clFP3files")) + QStringLiteral(" (*.dp3)|*.dp3");
}

} // namespace

void TrptPreview::SaveToFile() {
    if (FRunning || !FPreviewPages) return;
    TFileRequest r;
    r.Save = true;
    r.Filter = PreparedFileFilter();
    r.DefaultExt = QStringLiteral("dp3");
    r.OverwritePrompt = true;
    TFileAnswer a;
    if (!UIServices().SelectFile(r, a) || a.Files.isEmpty()) return;
    FWorkspace->Repaint();
    // The chosen name with its extension replaced.
    const QFileInfo fi(a.Files.first());
    const QString base = fi.suffix().isEmpty() ? a.Files.first() : a.Files.first().left(a.Files.first().size() - fi.suffix().size() - 1);
    SaveToFile(base + QStringLiteral(".dp3"));
}

void TrptPreview::SaveToFile(const QString& FileName) {
    if (FRunning || !FPreviewPages) return;
    Lock();
    ShowMessage(ReportText(QStringLiteral("clSaving")));
    try {
        FPreviewPages->SaveToFile(FileName);
    } catch (...) {
        Unlock();
        throw;
    }
    Unlock();
}

void TrptPreview::LoadFromFile() {
    if (FRunning || !FPreviewPages) return;
    TFileRequest r;
    r.Filter = PreparedFileFilter();
    r.FileMustExist = true;
    TFileAnswer a;
    if (!UIServices().SelectFile(r, a) || a.Files.isEmpty()) return;
    FWorkspace->Repaint();
    LoadFromFile(a.Files.first());
}

void TrptPreview::LoadFromFile(const QString& FileName) {
    if (FRunning || !FPreviewPages) return;
    Lock();
    ShowMessage(ReportText(QStringLiteral("clLoading")));
    // The loader empties the pages before it reads; a file it cannot read must not leave the
    // preview empty or half filled, so the pages shown now are kept aside and put back.
    TMemoryStream backup;
    bool failed = false;
    QString reason;
    try {
        FPreviewPages->SaveToStream(backup);
        FPreviewPages->LoadFromFile(FileName, true);
    } catch (const Exception& e) {
        failed = true;
        reason = e.Message();
    } catch (const std::exception& e) {
        failed = true;
        reason = QString::fromLocal8Bit(e.what());
    }
    if (failed) {
        try {
            backup.SetPosition(0);
            FPreviewPages->LoadFromStream(backup);
        } catch (...) {
            FPreviewPages->Clear();
        }
    }
    FWorkspace->SetEMFImagePage(-1);
    FPageNo = 0;
    Unlock();
    SetPageNo(1);
    UpdateOutline();
    if (failed)
        throw EInvalidPreparedFile(QStringLiteral("Invalid file format\n%1\n%2").arg(FileName, reason));
}

void TrptPreview::Clear() {
    if (FRunning || !FPreviewPages) return;
    Lock();
    FPreviewPages->Clear();
    FLocked = false;
    FWorkspace->SetLocked(false);
    FThumbnail->SetLocked(false);
    HideMessage();
    FWorkspace->ClearPageList();
    FThumbnail->ClearPageList();
    FWorkspace->SetEMFImagePage(-1);
    UpdateOutline();
    // Page 1 through the writer: 0 now that there are no pages.
    FPageNo = rptClampPageNo(1, PageCount());
    FWorkspace->SetPageNo(FPageNo);
    FThumbnail->SetPageNo(FPageNo);
    FWorkspace->SetHorzRange(0);
    FWorkspace->SetVertRange(0);
    if (FThumbnail->Visible()) {
        FThumbnail->SetHorzRange(0);
        FThumbnail->SetVertRange(0);
    }
    FWorkspace->Invalidate();
    FThumbnail->Invalidate();
}

void TrptPreview::AddPage() {
    if (FRunning || !FPreviewPages) return;
    FPreviewPages->AddEmptyPage(FPageNo - 1);
    UpdatePages();
    SetPageNo(FPageNo);
}

void TrptPreview::DeletePage() {
    if (FRunning || !FPreviewPages || PageCount() == 0) return;
    FPreviewPages->DeletePage(FPageNo - 1);
    if (FPageNo >= PageCount()) FPageNo = std::max(1, FPageNo - 1);
    if (PageCount() == 0) {
        FWorkspace->ClearPageList();
        FThumbnail->ClearPageList();
        FWorkspace->Invalidate();
    }
    UpdatePages();
    SetPageNo(FPageNo);
}

void TrptPreview::PageSetupDlg() {
    if (FRunning || !FPreviewPages || !FReport) return;
    TrptReportPage* page = FPreviewPages->Page(FPageNo - 1);
    if (!page) return;
    TrptPageSettingsForm dlg(nullptr);
    dlg.SetPage(page);
    dlg.SetReport(FReport);
    if (dlg.ShowModal() != mrOk) return;
    if (dlg.NeedRebuild()) {
        // The settings go to every page of the template and the report is made again.
        const TrptReportPage* p = dlg.Page();
        const auto orientation = p->Orientation();
        const double w = p->PaperWidth(), h = p->PaperHeight();
        const int size = p->PaperSize();
        const double l = p->LeftMargin(), r = p->RightMargin(), t = p->TopMargin(), b = p->BottomMargin();
        for (int i = 0; i < FReport->PagesCount(); ++i)
            if (auto* rp = dynamic_cast<TrptReportPage*>(FReport->Pages(i))) {
                rp->SetOrientation(orientation);
                rp->SetPaperWidth(w);
                rp->SetPaperHeight(h);
                rp->SetPaperSize(size);
                rp->SetLeftMargin(l);
                rp->SetRightMargin(r);
                rp->SetTopMargin(t);
                rp->SetBottomMargin(b);
            }
        const int keep = FPageNo;
        ::PrepareReport(FReport, true);
        UpdatePages();
        UpdateOutline();
        SetPageNo(keep);
    } else {
        Lock();
        try {
            FPreviewPages->ModifyPage(FPageNo - 1, dlg.Page());
        } catch (...) {
            Unlock();
            throw;
        }
        Unlock();
    }
}

void TrptPreview::Edit() {
    if (!FPreviewPages || !FReport) return;
    TrptReportPage* page = FPreviewPages->Page(FPageNo - 1);
    if (!page) return;
    try {
        TrptReport temp;
        const TClassInfo* cls = page->ClassInfo();
        TObject* o = cls->CreateInstance(&temp);
        auto* copy = dynamic_cast<TrptReportPage*>(o);
        if (!copy) {
            delete o;
            return;
        }
        copy->SetParent(&temp);
        copy->AssignAll(page);
        // Everything moves onto the page itself at its place on the page; bands go.
        std::vector<TrptComponent*> bands;
        for (TrptComponent* c : copy->AllObjects()) {
            if (dynamic_cast<TrptBand*>(c)) {
                bands.push_back(c);
                continue;
            }
            auto* view = dynamic_cast<TrptView*>(c);
            if (view) {
                view->SetDataField(QString());
                view->SetDataSet(nullptr);
                view->SetDataSetName(QString());
                view->SetRestrictions({});
                if (view->Align() == baBottom || view->Align() == baClient) view->SetAlign(baNone);
            }
            if (c->Parent() != copy) {
                const double l = c->AbsLeft(), t = c->AbsTop();
                c->SetParent(copy);
                c->SetLeft(l);
                c->SetTop(t);
            }
        }
        for (TrptComponent* b : bands) delete b;
        const bool modified = DesignPreviewPage(&temp);
        if (modified) {
            Lock();
            try {
                FPreviewPages->ModifyPage(FPageNo - 1, copy);
            } catch (...) {
                Unlock();
                throw;
            }
            Unlock();
        }
    } catch (const Exception&) {
        // Editing a page must not disturb the preview: the page stays as it was.
    }
}

void TrptPreview::DesignSourcePages() {
    auto* pages = dynamic_cast<TrptPreviewPages*>(FPreviewPages);
    if (!pages || !FReport) return;
    TrptReport temp;
    for (TrptReportPage* p : pages->SourcePages()) temp.Objects().push_back(p);
    try {
        DesignReport(&temp, true, false);
    } catch (...) {
        temp.Objects().clear();
        throw;
    }
    // The source pages belong to the prepared pages: the temporary report lets go of them.
    temp.Objects().clear();
}

// ---------------------------------------------------------------------------------------------
// Search

void TrptPreview::Find() {
    if (FRunning || !FPreviewPages) return;
    TrptSearchDialog dlg(nullptr);
    if (dlg.ShowModal() == mrOk) {
        TrptSearchState& s = rptSearchState();
        s.Text = dlg.TextE->Text();
        s.CaseSensitive = dlg.CaseCB->Checked();
        s.LastFoundRecord = -1;
        FWorkspace->SetLastFoundPage(dlg.TopCB->Checked() ? 0 : FPageNo - 1);
        FWorkspace->FindNextText();
    }
    FAllowF3 = true;
}

bool TrptPreview::FindText(const QString& SearchString, bool FromTop, bool IsCaseSensitive) {
    TrptSearchState& s = rptSearchState();
    s.Text = SearchString;
    s.CaseSensitive = IsCaseSensitive;
    s.LastFoundRecord = -1;
    s.Found = false;
    FWorkspace->SetLastFoundPage(FromTop ? 0 : FPageNo - 1);
    FAllowF3 = true;
    if (!FPreviewPages || SearchString.isEmpty()) return false;
    return FWorkspace->FindNextText();
}

void TrptPreview::FindNext() {
    if (!FAllowF3 || !FPreviewPages) return;
    FWorkspace->FindNextText();
}

bool TrptPreview::FindTextFound() const {
    return rptSearchState().Found;
}

void TrptPreview::FindTextClear() {
    TrptSearchState& s = rptSearchState();
    s.Found = false;
    s.LastFoundRecord = -1;
    FWorkspace->SetLastFoundPage(0);
    FWorkspace->Invalidate();
}

// ---------------------------------------------------------------------------------------------
// Message panel

void TrptPreview::ShowMessage(const QString& Text) {
    FMessagePanel->SetBounds((Width() - 260) / 2, (Height() - 75) / 3, 260, 75);
    FMessageLabel->SetCaption(Text);
    FMessagePanel->Show();
    FMessagePanel->BringToFront();
    FMessagePanel->Repaint();
}

void TrptPreview::HideMessage() {
    FMessagePanel->Hide();
}
