#include "report/core/rptPreviewForm.h"

#include "report/core/rptClassBand.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptDock.h"
#include "report/core/rptDsgnIntf.h"
#include "report/core/rptEngine.h"
#include "report/core/rptPreparedPages.h"
#include "report/core/rptPreviewControls.h"
#include "report/core/rptPreviewModel.h"
#include "report/core/rptRes.h"
#include "report/core/rptRunControl.h"
#include "report/core/rptUtils.h"

#include "platform/rtl/IniFiles.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Buttons.h"
#include "platform/ui/ImgList.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/UIServices.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTimer>

#include <cmath>

KORVEL_CLASS_INFO(TrptPreviewToolButton) {}
KORVEL_CLASS_INFO(TrptPreviewToolBar) {}
KORVEL_CLASS_INFO(TrptPreviewForm) {}

namespace {

void ProcessPending() {
    if (Application) Application->ProcessMessages();
}

} // namespace

// =============================================================================================
// TrptPreviewToolButton

TrptPreviewToolButton::TrptPreviewToolButton(TComponent* AOwner) : TToolButton(AOwner) {
    SetShowHint(true);
}

void TrptPreviewToolButton::Click() {
    TToolButton::Click();
    if (FDropdownMenu) {
        const TPoint p = ClientToScreen(TPoint(0, Height()));
        FDropdownMenu->Popup(p.X, p.Y);
    }
}

void TrptPreviewToolButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TToolButton::MouseUp(Button, Shift, X, Y);
    if (OnButtonMouseUp) OnButtonMouseUp(this, Button, Shift, X, Y);
}

void TrptPreviewToolButton::Paint() {
    if (Style() == tbsSeparator || Style() == tbsDivider) {
        TToolButton::Paint();
        return;
    }
    TCanvas* c = Canvas();
    const TRect r = ClientRect();
    c->Brush().SetStyle(bsSolid);
    c->Brush().SetColor(clBtnFace);
    c->FillRect(r);
    const bool sunken = FPressed || FDown;
    TRect frame = r;
    if (sunken)
        c->Frame3D(frame, clBtnShadow, clBtnHighlight, 1);
    else if (FHot)
        c->Frame3D(frame, clBtnHighlight, clBtnShadow, 1);
    TCustomImageList* images = GlobalResources()->PreviewButtonImages();
    auto* bar = dynamic_cast<TToolBar*>(Parent());
    const bool captions = bar && bar->ShowCaptions() && !Caption().isEmpty();
    const int off = sunken ? 1 : 0;
    int textTop = 0;
    if (images && ImageIndex() >= 0 && ImageIndex() < images->Count()) {
        const int x = (r.Width() - images->Width()) / 2 + off;
        const int y = (captions ? 3 : (r.Height() - images->Height()) / 2) + off;
        images->Draw(*c, x, y, ImageIndex(), Enabled());
        textTop = y + images->Height();
    }
    if (captions) {
        c->SetFont(*Font());
        if (!Enabled()) c->Font().SetColor(clGrayText);
        c->Brush().SetStyle(bsClear);
        TRect tr(off, textTop + off, r.Width() + off, r.Height() + off);
        c->DrawText(Caption(), tr, DT_CENTER | DT_SINGLELINE | DT_VCENTER);
    }
}

// =============================================================================================
// TrptPreviewToolBar

void TrptPreviewToolBar::Resize() {
    TCustomControl::Resize();
    Arrange();
}

void TrptPreviewToolBar::Arrange() {
    int x = 2;
    const int h = ButtonHeight() + (ShowCaptions() ? 16 : 0);
    for (int i = 0; i < ControlCount(); ++i) {
        TControl* c = Controls(i);
        if (!c->Visible()) continue;
        int w = c->Width();
        if (auto* b = dynamic_cast<TToolButton*>(c)) {
            if (b->Style() == tbsSeparator || b->Style() == tbsDivider)
                w = 8;
            else if (ShowCaptions() && !b->Caption().isEmpty())
                w = std::max(ButtonWidth(), static_cast<int>(b->Caption().size()) * 7 + 10);
            else
                w = ButtonWidth();
            c->SetLayoutBounds(x, 2, w, h);
        } else {
            c->SetLayoutBounds(x, 2 + (h - c->Height()) / 2, w, c->Height());
        }
        x += w;
    }
    if (Height() != h + 4) SetHeight(h + 4);
}

// =============================================================================================
// TrptPreviewForm

TrptPreviewForm::TrptPreviewForm(TComponent* AOwner) : TForm(AOwner) {
    SetName(QStringLiteral("rptPreviewForm"));
    SetClientWidth(803);
    SetClientHeight(584);
    Font()->SetName(QStringLiteral("Tahoma"));
    Font()->SetHeight(-11);
    SetKeyPreview(true);
    SetShowHint(true);
    SetPosition(poScreenCenter);
    SetCaption(ReportText(QStringLiteral("100")));

    ToolBar = new TrptPreviewToolBar(this);
    ToolBar->SetName(QStringLiteral("ToolBar"));
    ToolBar->SetParent(this);
    ToolBar->SetAlign(alTop);
    ToolBar->SetButtonHeight(23);
    ToolBar->SetFlat(true);

    ExportPopup = new TPopupMenu(this);
    ExportPopup->SetName(QStringLiteral("ExportPopup"));
    HiddenMenu = new TPopupMenu(this);
    HiddenMenu->SetName(QStringLiteral("HiddenMenu"));
    Showtemplate1 = new TMenuItem(this);
    Showtemplate1->SetName(QStringLiteral("Showtemplate1"));
    Showtemplate1->SetCaption(QStringLiteral("Show template"));
    Showtemplate1->OnClick = [this](TObject* s) { Showtemplate1Click(s); };
    HiddenMenu->Items()->Add(Showtemplate1);

    PrintB = AddButton(QStringLiteral("PrintB"), 2, QStringLiteral("101"), QStringLiteral("102"),
                       [this](TObject* s) { PrintBClick(s); });
    OpenB = AddButton(QStringLiteral("OpenB"), 0, QStringLiteral("103"), QStringLiteral("104"),
                      [this](TObject* s) { OpenBClick(s); });
    SaveB = AddButton(QStringLiteral("SaveB"), 1, QStringLiteral("105"), QStringLiteral("106"),
                      [this](TObject* s) { SaveBClick(s); });
    ExportB = AddButton(QStringLiteral("ExportB"), 3, QStringLiteral("107"), QStringLiteral("108"), nullptr);
    ExportB->SetDropdownMenu(ExportPopup);
    PdfB = AddButton(QStringLiteral("PdfB"), 24, QString(), QStringLiteral("151"), [this](TObject* s) { PdfBClick(s); });
    PdfB->SetVisible(false);
    EmailB = AddButton(QStringLiteral("EmailB"), 23, QString(), QStringLiteral("152"),
                       [this](TObject* s) { EmailBClick(s); });
    EmailB->SetVisible(false);
    FindB = AddButton(QStringLiteral("FindB"), 4, QStringLiteral("109"), QStringLiteral("110"),
                      [this](TObject* s) { FindBClick(s); });
    Sep1 = AddSeparator(QStringLiteral("Sep1"));
    ZoomPlusB = AddButton(QStringLiteral("ZoomPlusB"), 15, QStringLiteral("124"), QStringLiteral("125"),
                          [this](TObject* s) { ZoomPlusBClick(s); });
    Sep3 = new TrptTBPanel(this);
    Sep3->SetName(QStringLiteral("Sep3"));
    Sep3->SetParent(ToolBar);
    Sep3->SetBounds(0, 0, 56, 23);
    ZoomCB = new TrptComboBox(this);
    ZoomCB->SetName(QStringLiteral("ZoomCB"));
    ZoomCB->SetParent(Sep3);
    ZoomCB->SetBounds(4, 2, 49, 21);
    ZoomCB->SetListWidth(100);
    ZoomCB->SetHint(ReportText(QStringLiteral("119")));
    ZoomCB->OnSelect = [this](TObject* s) { ZoomCBClick(s); };
    ZoomCB->OnKeyDown = [this](TObject* s, Word& Key, TShiftState) {
        if (Key == VK_RETURN) {
            ZoomCB->SetItemIndex(-1);
            ZoomCBClick(s);
            Key = 0;
        }
    };
    ZoomMinusB = AddButton(QStringLiteral("ZoomMinusB"), 16, QStringLiteral("126"), QStringLiteral("127"),
                           [this](TObject* s) { ZoomMinusBClick(s); });
    FullScreenBtn = AddButton(QStringLiteral("FullScreenBtn"), 22, QString(), QStringLiteral("150"),
                              [this](TObject* s) { FullScreenBtnClick(s); });
    Sep2 = AddSeparator(QStringLiteral("Sep2"));
    OutlineB = AddButton(QStringLiteral("OutlineB"), 12, QStringLiteral("128"), QStringLiteral("129"),
                         [this](TObject* s) { OutlineBClick(s); });
    OutlineB->SetStyle(tbsCheck);
    ThumbB = AddButton(QStringLiteral("ThumbB"), 5, QStringLiteral("130"), QStringLiteral("131"),
                       [this](TObject* s) { ThumbBClick(s); });
    ThumbB->SetStyle(tbsCheck);
    PageSettingsB = AddButton(QStringLiteral("PageSettingsB"), 7, QStringLiteral("120"), QStringLiteral("121"),
                              [this](TObject* s) { PageSettingsBClick(s); });
    DesignerB = AddButton(QStringLiteral("DesignerB"), 21, QStringLiteral("132"), QStringLiteral("133"),
                          [this](TObject* s) { DesignerBClick(s); });
    DesignerB->OnButtonMouseUp = [this](TObject*, TMouseButton Button, TShiftState, int, int) {
        if (Button != mbRight) return;
        const TPoint p = DesignerB->ClientToScreen(TPoint(0, 0));
        HiddenMenu->Popup(p.X, p.Y);
    };
    Sep5 = AddSeparator(QStringLiteral("Sep5"));
    FirstB = AddButton(QStringLiteral("FirstB"), 8, QStringLiteral("134"), QStringLiteral("135"),
                       [this](TObject* s) { FirstBClick(s); });
    PriorB = AddButton(QStringLiteral("PriorB"), 9, QStringLiteral("136"), QStringLiteral("137"),
                       [this](TObject* s) { PriorBClick(s); });
    Sep4 = new TrptTBPanel(this);
    Sep4->SetName(QStringLiteral("Sep4"));
    Sep4->SetParent(ToolBar);
    Sep4->SetBounds(0, 0, 47, 23);
    PageE = new TEdit(this);
    PageE->SetName(QStringLiteral("PageE"));
    PageE->SetParent(Sep4);
    PageE->SetBounds(4, 4, 37, 15);
    PageE->SetBorderStyle(bsNone);
    PageE->SetHint(ReportText(QStringLiteral("142")));
    PageE->SetShowHint(true);
    PageE->OnKeyPress = [](TObject*, QChar& Key) {
        // Digits only (and the editing keys).
        if (Key.unicode() >= 32 && !Key.isDigit()) Key = QChar();
    };
    PageE->OnKeyDown = [this](TObject* s, Word& Key, TShiftState) {
        if (Key == VK_RETURN) {
            PageEClick(s);
            Key = 0;
        }
    };
    NextB = AddButton(QStringLiteral("NextB"), 10, QStringLiteral("138"), QStringLiteral("139"),
                      [this](TObject* s) { NextBClick(s); });
    LastB = AddButton(QStringLiteral("LastB"), 11, QStringLiteral("140"), QStringLiteral("141"),
                      [this](TObject* s) { LastBClick(s); });
    rptTBPanel1 = new TrptTBPanel(this);
    rptTBPanel1->SetName(QStringLiteral("rptTBPanel1"));
    rptTBPanel1->SetParent(ToolBar);
    rptTBPanel1->SetBounds(0, 0, 35, 23);
    CancelB = new TSpeedButton(this);
    CancelB->SetName(QStringLiteral("CancelB"));
    CancelB->SetParent(ToolBar);
    CancelB->SetBounds(0, 0, 68, 23);
    CancelB->SetFlat(true);
    CancelB->SetCaption(ReportText(QStringLiteral("clClose")));
    CancelB->OnClick = [this](TObject* s) { CancelBClick(s); };

    StatusBar = new TStatusBar(this);
    StatusBar->SetName(QStringLiteral("StatusBar"));
    StatusBar->SetParent(this);
    StatusBar->SetAlign(alBottom);
    for (int w : {200, 50, 50}) StatusBar->AddPanel().Width = w;
    if (QGuiApplication::primaryScreen() && QGuiApplication::primaryScreen()->logicalDotsPerInch() > 96)
        StatusBar->SetHeight(24);

    RightMenu = new TPopupMenu(this);
    RightMenu->SetName(QStringLiteral("RightMenu"));
    CollapseMI = new TMenuItem(this);
    CollapseMI->SetName(QStringLiteral("CollapseMI"));
    CollapseMI->SetCaption(ReportText(QStringLiteral("601")));
    CollapseMI->OnClick = [this](TObject* s) { CollapseAllClick(s); };
    ExpandMI = new TMenuItem(this);
    ExpandMI->SetName(QStringLiteral("ExpandMI"));
    ExpandMI->SetCaption(ReportText(QStringLiteral("600")));
    ExpandMI->OnClick = [this](TObject* s) { ExpandAllClick(s); };
    N1 = new TMenuItem(this);
    N1->SetName(QStringLiteral("N1"));
    N1->SetCaption(QStringLiteral("-"));
    RightMenu->Items()->Add(CollapseMI);
    RightMenu->Items()->Add(ExpandMI);
    RightMenu->Items()->Add(N1);

    ZoomCB->Items()->SetText(rptZoomBoxItems().join(QLatin1Char('\n')));

    FPreview = new TrptPreview(this);
    FPreview->SetName(QStringLiteral("Preview"));
    FPreview->SetParent(this);
    FPreview->SetAlign(alClient);
    FPreview->SetBorderStyle(bsNone);
    FPreview->OnPageChanged = [this](TrptPreview*, int PageNo) { PageChanged(PageNo); };
    FPreview->OnDblClick = [this](TObject*) {
        if (FFullScreen) SwitchToFullScreen();
    };
    // Keep the zoom box in step after the box has finished its own update.
    FPreview->OnZoomChanged = [this] { QTimer::singleShot(0, Widget(), [this] { UpdateZoom(); }); };
    FPreview->OnRunningChanged = [this](bool Running) {
        CancelB->SetCaption(ReportText(Running ? QStringLiteral("clCancel") : QStringLiteral("clClose")));
        if (!Running) StatusBar->Panels(1).Text.clear();
        StatusBar->PanelsChanged();
        UpdateControls();
    };
    FPreview->OnPanesChanged = [this] {
        OutlineB->SetDown(FPreview->OutlineVisible());
        ThumbB->SetDown(FPreview->ThumbnailVisible());
    };
    // Ctrl+wheel over the pages zooms; the event is not marked handled otherwise.
    FPreview->Workspace()->OnMouseWheel = [this](TObject*, TShiftState Shift, int WheelDelta, TPoint, bool& Handled) {
        if (!Shift.Contains(ssCtrl)) return;
        FPreview->MouseWheelScroll(WheelDelta, false, true);
        Handled = true;
    };
    // Status texts of the pages (an object's URL or hint under the mouse).
    FPreview->OnStatusText = [this](const QString& Text, bool IsHint) { SetMessageText(Text, IsHint); };
    SetActiveControl(FPreview);
    OnKeyDown = [this](TObject* s, Word& Key, TShiftState Shift) { FormKeyDown(s, Key, Shift); };
    OnCloseQuery = [this](TObject*, bool& CanClose) { CanClose = !FPreview->Running(); };
    ToolBar->Arrange();
}

TrptPreviewForm::~TrptPreviewForm() = default;

TrptReport* TrptPreviewForm::Report() const {
    return FPreview ? FPreview->Report() : nullptr;
}

TrptPreviewToolButton* TrptPreviewForm::AddButton(const QString& Name, int Picture, const QString& CaptionKey,
                                                  const QString& HintKey, TNotifyEvent Click) {
    auto* b = new TrptPreviewToolButton(this);
    b->SetName(Name);
    b->SetParent(ToolBar);
    b->SetImageIndex(Picture);
    if (!CaptionKey.isEmpty()) b->SetCaption(ReportText(CaptionKey));
    b->SetHint(ReportText(HintKey));
    b->OnClick = std::move(Click);
    FButtons.push_back(b);
    return b;
}

TrptPreviewToolButton* TrptPreviewForm::AddSeparator(const QString& Name) {
    auto* b = new TrptPreviewToolButton(this);
    b->SetName(Name);
    b->SetParent(ToolBar);
    b->SetStyle(tbsSeparator);
    b->SetWidth(8);
    FButtons.push_back(b);
    return b;
}

void TrptPreviewForm::Init() {
    TrptReport* report = Report();
    FPreview->Init();
    if (!report) return;
    TrptPreviewOptions* o = report->PreviewOptions();
    // The place kept from the last run, unless the options ask for a maximized window.
    try {
        std::unique_ptr<TCustomIniFile> ini = report->GetIniFile();
        RestoreFormState(ini.get(), this, false);
    } catch (const Exception&) {
        // A settings store that cannot be read leaves the default layout.
    }
    if (o->Maximized()) SetWindowState(wsMaximized);
    FPreview->SetZoom(o->Zoom());
    FPreview->SetZoomMode(o->ZoomMode());
    DesignerB->SetEnabled(o->AllowEdit());
    FPreview->Workspace()->SetRTLLanguage(o->RTLPreview());

    TrptExportFilterCollection* registry = ExportFilterRegistry();
    FPDFExport = FEmailExport = nullptr;
    ExportPopup->Items()->Clear();
    const bool noEmail = o->Buttons().Contains(pbNoEmail);
    for (int i = 0; i < registry->Count(); ++i) {
        TrptCustomExportFilter* f = registry->Items(i)->Filter();
        if (!f) continue;
        auto* mi = new TMenuItem(ExportPopup);
        mi->SetCaption(f->GetDescription() + QStringLiteral("..."));
        mi->SetTag(i);
        mi->OnClick = [this](TObject* s) { ExportMIClick(s); };
        ExportPopup->Items()->Add(mi);
        if (f->ClassName() == QLatin1String("TrptPDFExport")) FPDFExport = f;
        if (!noEmail && f->ClassName() == QLatin1String("TrptMailExport")) FEmailExport = f;
    }
    const TrptPreviewToolVisibility v =
        rptPreviewToolVisibility(o->Buttons(), registry->Count() > 0, FPDFExport != nullptr, FEmailExport != nullptr);
    PrintB->SetVisible(v.Print);
    OpenB->SetVisible(v.Open);
    SaveB->SetVisible(v.Save);
    ExportB->SetVisible(v.Export);
    PdfB->SetVisible(v.Pdf);
    EmailB->SetVisible(v.Email);
    FindB->SetVisible(v.Find);
    ZoomPlusB->SetVisible(v.ZoomButtons);
    ZoomMinusB->SetVisible(v.ZoomButtons);
    Sep3->SetVisible(v.ZoomBox);
    FullScreenBtn->SetVisible(v.FullScreen);
    if (!v.Sep1) Sep1->SetVisible(false);
    OutlineB->SetVisible(v.Outline);
    ThumbB->SetVisible(v.Thumbnails);
    PageSettingsB->SetVisible(v.PageSettings);
    DesignerB->SetVisible(v.Designer);
    if (!v.Sep2) Sep2->SetVisible(false);
    for (TControl* c : std::initializer_list<TControl*>{FirstB, PriorB, NextB, LastB, Sep4}) c->SetVisible(v.Navigator);
    if (!v.Sep5) Sep5->SetVisible(false);
    CancelB->SetVisible(v.Close);
    ToolBar->SetShowCaptions(o->ShowCaptions());
    if (!report->ReportOptions()->Name().isEmpty()) SetCaption(report->ReportOptions()->Name());
    BuildRightMenu();
    ToolBar->Arrange();
    UpdateControls();
    SetPopupMenu(RightMenu);
    FPreview->SetPopupMenu(RightMenu);
    UpdateZoom();
}

void TrptPreviewForm::BuildRightMenu() {
    // Mirror the tool buttons: up to the second separator, the first one as a "-" line.
    while (RightMenu->Items()->Count() > 3) {
        TMenuItem* i = RightMenu->Items()->Items(3);
        RightMenu->Items()->Remove(i);
        if (i->Owner()) i->Owner()->RemoveComponent(i);
        std::unique_ptr<TMenuItem> doomed(i);
    }
    int separators = 0;
    for (TrptPreviewToolButton* b : FButtons) {
        if (b->Style() == tbsSeparator || b->Style() == tbsDivider) {
            if (++separators == 2) break;
            auto* line = new TMenuItem(RightMenu);
            line->SetCaption(QStringLiteral("-"));
            RightMenu->Items()->Add(line);
            continue;
        }
        b->SetMenuItem(nullptr);
        if (b->Style() == tbsCheck || !b->Visible() || b->Hint().isEmpty()) continue;
        auto* mi = new TMenuItem(RightMenu);
        mi->SetCaption(b->Hint());
        mi->OnClick = b->OnClick;
        RightMenu->Items()->Add(mi);
        b->SetMenuItem(mi);
        if (TPopupMenu* drop = b->DropdownMenu())
            for (int i = 0; i < drop->Items()->Count(); ++i) {
                TMenuItem* src = drop->Items()->Items(i);
                auto* sub = new TMenuItem(RightMenu);
                sub->SetCaption(src->Caption());
                sub->SetTag(src->Tag());
                sub->OnClick = src->OnClick;
                mi->Add(sub);
            }
    }
}

bool TrptPreviewForm::HasDrillDown() const {
    TrptReport* report = Report();
    if (!report) return false;
    for (TrptComponent* c : report->AllObjects())
        if (auto* gh = dynamic_cast<TrptGroupHeader*>(c); gh && gh->DrillDown()) return true;
    return false;
}

void TrptPreviewForm::UpdateControls() {
    TrptReport* report = Report();
    TrptPreviewState st;
    st.Preparing = FPreview->Running();
    st.PageCount = FPreview->PageCount();
    st.AllowEdit = report && report->PreviewOptions()->AllowEdit();
    st.HasDrillDown = HasDrillDown();
    const TrptPreviewCommands c = rptPreviewCommands(st);
    auto set = [](TrptPreviewToolButton* b, bool on) {
        b->SetEnabled(on);
        b->SetDown(false);
        if (b->MenuItem()) b->MenuItem()->SetEnabled(on);
    };
    set(PrintB, c.Print);
    set(OpenB, c.Open);
    set(SaveB, c.Save);
    set(ExportB, c.Export);
    set(PdfB, c.Pdf);
    set(EmailB, c.Email);
    set(FindB, c.Find);
    set(PageSettingsB, c.PageSettings);
    DesignerB->SetEnabled(c.Edit);
    ExpandMI->SetVisible(c.DrillItems);
    CollapseMI->SetVisible(c.DrillItems);
    N1->SetVisible(c.DrillItems);
    OutlineB->SetDown(FPreview->OutlineVisible());
    ThumbB->SetDown(FPreview->ThumbnailVisible());
}

void TrptPreviewForm::UpdateZoom() {
    ZoomCB->SetText(rptZoomText(FPreview->Zoom()));
}

void TrptPreviewForm::PageChanged(int PageNo) {
    TrptReport* report = Report();
    const bool firstPass = report && report->Engine() && report->Engine()->DoublePass() &&
                           !report->Engine()->FinalPass();
    StatusBar->Panels(0).Text = rptPageStatusText(FPreview->Running(), firstPass, PageNo, FPreview->PageCount());
    StatusBar->PanelsChanged();
    PageE->SetText(QString::number(PageNo));
}

void TrptPreviewForm::SetMessageText(const QString& Value, bool IsHint) {
    TStatusPanel& p = StatusBar->Panels(IsHint ? 2 : 1);
    if (!(IsHint && Value.isEmpty() && p.Text.isEmpty())) {
        p.Text = Value;
        StatusBar->PanelsChanged();
    }
    ProcessPending();
}

void TrptPreviewForm::SwitchToFullScreen() {
    if (!FFullScreen) {
        StatusBar->Hide();
        ToolBar->Hide();
        FOldBS = BorderStyle();
        FOldState = WindowState();
        SetBorderStyle(bsNone);
        SetWindowState(wsMaximized);
        FFullScreen = true;
    } else {
        SetWindowState(FOldState);
        SetBorderStyle(FOldBS);
        StatusBar->Show();
        ToolBar->Show();
        FFullScreen = false;
    }
}

void TrptPreviewForm::Resize() {
    TForm::Resize();
    if (!StatusBar || StatusBar->PanelCount() < 3) return;
    const int half = static_cast<int>(std::nearbyint((ClientWidth() - StatusBar->Panels(0).Width) / 2.0));
    StatusBar->Panels(1).Width = half;
    StatusBar->Panels(2).Width = half;
    StatusBar->PanelsChanged();
}

void TrptPreviewForm::SaveLayout() {
    TrptReport* report = Report();
    if (!report || FFullScreen) return;
    try {
        std::unique_ptr<TCustomIniFile> ini = report->GetIniFile();
        SaveFormState(ini.get(), this);
    } catch (const Exception&) {
        // The layout is a convenience: a store that cannot be written must not stop closing.
    }
}

void TrptPreviewForm::DoClose(TCloseAction& Action) {
    SaveLayout();
    TForm::DoClose(Action);
    if (TrptReport* report = Report())
        if (report->OnClosePreview) report->OnClosePreview(this);
}

// ---------------------------------------------------------------------------------------------
// Commands

void TrptPreviewForm::PrintBClick(TObject*) {
    FPreview->Print();
    SetEnabled(true);
}

void TrptPreviewForm::OpenBClick(TObject*) {
    FPreview->LoadFromFile();
    TrptReport* report = Report();
    const QString name = report ? report->ReportOptions()->Name() : QString();
    SetCaption(name.isEmpty() ? ReportText(QStringLiteral("100")) : name);
    UpdateControls();
}

void TrptPreviewForm::SaveBClick(TObject*) {
    FPreview->SaveToFile();
}

void TrptPreviewForm::ExportMIClick(TObject* Sender) {
    auto* mi = dynamic_cast<TMenuItem*>(Sender);
    if (!mi) return;
    TrptExportFilterCollection* registry = ExportFilterRegistry();
    const int i = mi->Tag();
    if (i < 0 || i >= registry->Count()) return;
    FPreview->Export(registry->Items(i)->Filter());
    SetEnabled(true);
}

void TrptPreviewForm::PdfBClick(TObject*) {
    if (FPDFExport) FPreview->Export(FPDFExport);
}

void TrptPreviewForm::EmailBClick(TObject*) {
    if (FEmailExport) FPreview->Export(FEmailExport);
}

void TrptPreviewForm::FindBClick(TObject*) {
    FPreview->Find();
}

void TrptPreviewForm::ZoomPlusBClick(TObject*) {
    FPreview->SetZoom(FPreview->Zoom() + 0.25);
}

void TrptPreviewForm::ZoomMinusBClick(TObject*) {
    FPreview->SetZoom(FPreview->Zoom() - 0.25);
}

void TrptPreviewForm::ZoomCBClick(TObject*) {
    if (FPreview->CanFocus()) FPreview->SetFocus();
    TrptZoomRequest r;
    try {
        r = rptParseZoomBox(ZoomCB->ItemIndex(), ZoomCB->Text());
    } catch (const EConvertError&) {
        // Not a number: the zoom stays and the box shows it again.
        UpdateZoom();
        throw;
    }
    if (r.Valid) {
        if (r.Mode == zmDefault)
            FPreview->SetZoom(r.Zoom);
        else
            FPreview->SetZoomMode(r.Mode);
    }
    UpdateZoom();
}

void TrptPreviewForm::PageEClick(TObject*) {
    FPreview->SetPageNo(StrToInt(PageE->Text()));
    if (FPreview->CanFocus()) FPreview->SetFocus();
}

void TrptPreviewForm::FirstBClick(TObject*) { FPreview->First(); }
void TrptPreviewForm::PriorBClick(TObject*) { FPreview->Prior(); }
void TrptPreviewForm::NextBClick(TObject*) { FPreview->Next(); }
void TrptPreviewForm::LastBClick(TObject*) { FPreview->Last(); }

void TrptPreviewForm::PageSettingsBClick(TObject*) {
    FPreview->PageSetupDlg();
}

void TrptPreviewForm::DesignerBClick(TObject*) {
    FPreview->Edit();
}

void TrptPreviewForm::Showtemplate1Click(TObject*) {
    FPreview->DesignSourcePages();
}

void TrptPreviewForm::CancelBClick(TObject*) {
    if (FPreview->Running())
        FPreview->Cancel();
    else
        Close();
}

void TrptPreviewForm::FullScreenBtnClick(TObject*) {
    SwitchToFullScreen();
}

void TrptPreviewForm::OutlineBClick(TObject*) {
    FPreview->SetOutlineVisible(OutlineB->Down());
    if (OutlineB->Down()) ThumbB->SetDown(false);
}

void TrptPreviewForm::ThumbBClick(TObject*) {
    FPreview->SetThumbnailVisible(ThumbB->Down());
    if (ThumbB->Down()) OutlineB->SetDown(false);
}

void TrptPreviewForm::SetDrillDown(bool Expand) {
    TrptReport* report = Report();
    if (!report) return;
    FPreview->Lock();
    for (TrptComponent* c : report->AllObjects())
        if (auto* gh = dynamic_cast<TrptGroupHeader*>(c); gh && gh->DrillDown()) gh->SetExpandDrillDown(Expand);
    report->DrillState()->Clear();
    FPreview->RefreshReport();
}

void TrptPreviewForm::CollapseAllClick(TObject*) {
    SetDrillDown(false);
    FPreview->First();
}

void TrptPreviewForm::ExpandAllClick(TObject*) {
    SetDrillDown(true);
}

void TrptPreviewForm::NewPageBClick(TObject*) { FPreview->AddPage(); }
void TrptPreviewForm::DelPageBClick(TObject*) { FPreview->DeletePage(); }

void TrptPreviewForm::FormKeyDown(TObject*, Word& Key, TShiftState Shift) {
    if (Key == VK_ESCAPE) {
        CancelBClick(this);
        Key = 0;
        return;
    }
    if (Key == VK_F11) {
        SwitchToFullScreen();
        Key = 0;
        return;
    }
    if (Key == VK_F1) {
        GlobalResources()->Help(this);
        Key = 0;
        return;
    }
    // Keys typed into the zoom box or the page edit stay there.
    TWinControl* active = ActiveControl();
    if (active == ZoomCB || active == PageE) return;
    FPreview->KeyDown(Key, Shift);
}

// ---------------------------------------------------------------------------------------------

void RegisterPreviewForm() {
    static bool registered = false;
    if (registered) return;
    registered = true;
    SetPreviewWindowFactory([](TrptReport* Report) {
        auto* form = new TrptPreviewForm(nullptr);
        TrptPreview* preview = form->Preview();
        preview->SetReport(Report);
        preview->SetPreviewPages(Report->PreviewPages());
        form->Init();
        return TrptPreviewWindow{form, preview};
    });
}
