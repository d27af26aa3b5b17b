#include "report/core/rptDock.h"

#include "report/core/rptClassBases.h"
#include "report/core/rptUtils.h"

#include "platform/rtl/IniFiles.h"
#include "platform/rtl/Streams.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/Forms.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>

#include <algorithm>

KORVEL_CLASS_INFO(TrptTBPanel) {}
KORVEL_CLASS_INFO(TDockSplitter) {}
KORVEL_CLASS_INFO(TrptDockSite) {}

namespace {

// Sizes beyond this come from a damaged store, not from a screen.
constexpr int MaxStoredSize = 32000;

bool SaneSize(int W, int H) {
    return W > 0 && H > 0 && W <= MaxStoredSize && H <= MaxStoredSize;
}

// Whether a window rectangle would show at least a corner on some screen.
bool OnSomeScreen(int L, int T, int W, int H) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.isEmpty()) return true;
    const QRect r(L, T, W, H);
    for (QScreen* s : screens)
        if (s->availableGeometry().adjusted(-8, -8, 8, 8).intersects(r)) return true;
    return false;
}

QString FormSection(TCustomForm* Form) {
    return QStringLiteral("Form4.") + Form->ClassName();
}

} // namespace

// =============================================================================================
// TrptTBPanel

TrptTBPanel::TrptTBPanel(TComponent* AOwner) : TPanel(AOwner) {
    SetAlign(alLeft);
    SetBounds(0, 0, 8, 8);
    SetBevelInner(bvNone);
    SetBevelOuter(bvNone);
    SetCaption(QString());
}

void TrptTBPanel::SetParent(TWinControl* Value) {
    TPanel::SetParent(Value);
    // On a vertical tool bar (its own parent aligned left or right) the panels stack.
    if (Value && Value->Parent() && (Value->Align() == alLeft || Value->Align() == alRight))
        SetAlign(alTop);
    else if (Value)
        SetAlign(alLeft);
}

void TrptTBPanel::Paint() {
    TCanvas* c = Canvas();
    c->Brush().SetStyle(bsSolid);
    c->Brush().SetColor(Color());
    c->FillRect(ClientRect());
}

// =============================================================================================
// TDockSplitter

TDockSplitter::TDockSplitter(TComponent* AOwner) : TGraphicControl(AOwner) {
    SetBounds(0, 0, 6, 6);
}

bool TDockSplitter::Horizontal() const {
    return FDockSite && (FDockSite->Align() == alTop || FDockSite->Align() == alBottom);
}

bool TDockSplitter::IsOnGrip(int X, int Y) const {
    const int along = Horizontal() ? X : Y;
    const int middle = (Horizontal() ? Width() : Height()) / 2;
    return std::abs(along - middle) <= 20;
}

void TDockSplitter::Paint() {
    TCanvas* c = Canvas();
    c->Brush().SetStyle(bsSolid);
    c->Brush().SetColor(clBtnFace);
    c->FillRect(ClientRect());
    const bool h = Horizontal();
    const int middle = (h ? Width() : Height()) / 2;
    TRect grip = h ? TRect(middle - 14, 0, middle + 15, 6) : TRect(0, middle - 14, 6, middle + 15);
    c->Brush().SetColor(0xC0D0D0);
    c->FillRect(grip);
    for (int i = 0; i < 7; ++i) {
        const int along = middle - 9 + i * 3;
        const int x = h ? along : 2, y = h ? 2 : along;
        c->SetPixel(x, y, clWhite);
        c->SetPixel(x + 1, y, 0x808080);
        c->SetPixel(x, y + 1, 0x808080);
        c->SetPixel(x + 1, y + 1, 0x808080);
    }
}

void TDockSplitter::ToggleSite() {
    if (!FDockSite) return;
    if (FDockSite->CrossSize() > 0) {
        FDockSite->SetSavedSize(FDockSite->CrossSize());
        FDockSite->SetAutoSize(false);
        FDockSite->SetCrossSize(0);
    } else {
        FDockSite->SetCrossSize(FDockSite->SavedSize());
        FDockSite->PlaceSplitter();
        FDockSite->SetAutoSize(true);
    }
}

void TDockSplitter::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbLeft) return;
    if (IsOnGrip(X, Y)) {
        // A press on the grip collapses or expands; no resize drag follows.
        ToggleSite();
        return;
    }
    FDown = true;
    FDownPoint = TPoint(X, Y);
}

void TDockSplitter::MouseMove(TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseMove(Shift, X, Y);
    if (!FDown) {
        SetCursor(IsOnGrip(X, Y) ? crHandPoint : (Horizontal() ? crVSplit : crHSplit));
        return;
    }
    if (!FDockSite) return;
    const int dx = X - FDownPoint.X, dy = Y - FDownPoint.Y;
    FDockSite->SetAutoSize(false);
    switch (FDockSite->Align()) {
    case alTop: FDockSite->SetCrossSize(FDockSite->CrossSize() + dy); break;
    case alBottom: FDockSite->SetCrossSize(FDockSite->CrossSize() - dy); break;
    case alLeft: FDockSite->SetCrossSize(FDockSite->CrossSize() + dx); break;
    case alRight: FDockSite->SetCrossSize(FDockSite->CrossSize() - dx); break;
    default: break;
    }
    FDockSite->SetAutoSize(true);
}

void TDockSplitter::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGraphicControl::MouseUp(Button, Shift, X, Y);
    FDown = false;
}

// =============================================================================================
// TrptDockSite

TrptDockSite::TrptDockSite(TComponent* AOwner) : TPanel(AOwner) {
    SetAlign(alLeft);
    SetCaption(QStringLiteral(" "));
    SetBevelInner(bvNone);
    SetBevelOuter(bvNone);
    TPanel::SetBounds(0, 0, 10, 10);
    FSplitter = new TDockSplitter(this);
    FSplitter->SetDockSite(this);
    FSplitter->SetVisible(false);
}

TrptDockSite::~TrptDockSite() = default;

void TrptDockSite::SetParent(TWinControl* Value) {
    TPanel::SetParent(Value);
    if (FSplitter) FSplitter->SetParent(Value);
}

int TrptDockSite::CrossSize() const {
    return (Align() == alTop || Align() == alBottom) ? Height() : Width();
}

void TrptDockSite::SetCrossSize(int Value) {
    Value = std::max(0, Value);
    if (Align() == alTop || Align() == alBottom)
        SetHeight(Value);
    else
        SetWidth(Value);
}

void TrptDockSite::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    TPanel::SetBounds(ALeft, ATop, AWidth, AHeight);
    if (FSplitter && FSplitter->Align() != Align()) PlaceSplitter();
}

void TrptDockSite::PlaceSplitter() {
    if (!FSplitter) return;
    switch (Align()) {
    case alTop: FSplitter->SetBounds(Left(), Top() + Height() + 6, Width(), 6); break;
    case alBottom: FSplitter->SetBounds(Left(), Top() - 6, Width(), 6); break;
    case alLeft: FSplitter->SetBounds(Left() + Width() + 6, Top(), 6, Height()); break;
    case alRight: FSplitter->SetBounds(Left() - 6, Top(), 6, Height()); break;
    default: return;
    }
    FSplitter->SetAlign(Align());
}

std::vector<TControl*> TrptDockSite::DockClients() const {
    std::vector<TControl*> r;
    for (int i = 0; i < ControlCount(); ++i) r.push_back(Controls(i));
    return r;
}

bool TrptDockSite::DockOver(TControl* Source) {
    if (!Source) return false;
    if (FTopParentWin && Source->Owner() && Source->Owner()->Name() != FTopParentWin->Name()) return false;
    FPanelSize = (Align() == alTop || Align() == alBottom) ? Source->Height() : Source->Width();
    return true;
}

bool TrptDockSite::DockDrop(TControl* Source) {
    if (!DockOver(Source)) return false;
    Source->SetParent(this);
    Source->SetAlign(alClient);
    if (CrossSize() < FPanelSize) SetCrossSize(FPanelSize);
    FSplitter->SetVisible(true);
    PlaceSplitter();
    return true;
}

bool TrptDockSite::DoUnDock(TWinControl* NewTarget, TControl* Client) {
    if (NewTarget && NewTarget->Owner() != Owner()) return false;
    if (Client) Client->SetParent(NewTarget);
    if (ControlCount() <= 1) FSplitter->SetVisible(false);
    return true;
}

TControl* TrptDockSite::ReloadDockedControl(const QString& Name) {
    if (Name.isEmpty()) return nullptr;
    TComponent* found = nullptr;
    if (FTopParentWin)
        for (int i = 0; i < FTopParentWin->ComponentCount() && !found; ++i)
            if (FTopParentWin->Components(i)->Name().contains(Name)) found = FTopParentWin->Components(i);
    if (!found && Screen)
        for (int i = 0; i < Screen->FormCount() && !found; ++i) {
            TCustomForm* f = Screen->Forms(i);
            if (f->Name() == Name) found = f;
            else found = f->FindComponent(Name);
        }
    if (!found) return nullptr;
    auto* c = dynamic_cast<TControl*>(found);
    if (!c) throw EInvalidCast(QStringLiteral("Invalid class typecast: %1 is no control").arg(Name));
    return c;
}

// =============================================================================================
// Settings

void SaveFormState(TCustomIniFile* Ini, TCustomForm* Form) {
    if (!Ini || !Form) return;
    const QString s = FormSection(Form);
    Ini->WriteInteger(s, QStringLiteral("Left"), Form->Left());
    Ini->WriteInteger(s, QStringLiteral("Top"), Form->Top());
    Ini->WriteInteger(s, QStringLiteral("Width"), Form->Width());
    Ini->WriteInteger(s, QStringLiteral("Height"), Form->Height());
    Ini->WriteBool(s, QStringLiteral("Maximized"), Form->WindowState() == wsMaximized);
    Ini->WriteBool(s, QStringLiteral("Visible"), Form->Visible());
    auto* site = dynamic_cast<TrptDockSite*>(Form->Parent());
    Ini->WriteString(s, QStringLiteral("Dock4"), site ? site->Name() : QString());
    Ini->UpdateFile();
}

void RestoreFormState(TCustomIniFile* Ini, TCustomForm* Form, bool ApplyVisible) {
    if (!Ini || !Form) return;
    const QString s = FormSection(Form);
    bool maximized = false, visible = true;
    int l = Form->Left(), t = Form->Top(), w = Form->Width(), h = Form->Height();
    QString dock;
    try {
        maximized = Ini->ReadBool(s, QStringLiteral("Maximized"), false);
        l = Ini->ReadInteger(s, QStringLiteral("Left"), l);
        t = Ini->ReadInteger(s, QStringLiteral("Top"), t);
        w = Ini->ReadInteger(s, QStringLiteral("Width"), w);
        h = Ini->ReadInteger(s, QStringLiteral("Height"), h);
        dock = Ini->ReadString(s, QStringLiteral("Dock4"), QString());
        visible = Ini->ReadBool(s, QStringLiteral("Visible"), true);
    } catch (const Exception&) {
        // An unreadable settings file: the window keeps its default layout.
        return;
    }
    {
        if (maximized)
            Form->SetWindowState(wsMaximized);
        else if (SaneSize(w, h) && OnSomeScreen(l, t, w, h))
            Form->SetBounds(l, t, w, h);
    }
    if (!dock.isEmpty()) {
        TComponent* c = FindReportComponent(Form->Owner(), dock);
        if (c) {
            auto* site = dynamic_cast<TWinControl*>(c);
            if (!site) throw EInvalidCast(QStringLiteral("Invalid class typecast: %1 is no window control").arg(dock));
            if (auto* ds = dynamic_cast<TrptDockSite*>(site))
                ds->DockDrop(Form);
            else
                Form->SetParent(site);
        }
    }
    if (ApplyVisible && !dynamic_cast<TrptCustomDesigner*>(Form)) {
        if (visible)
            Form->Show();
        else
            Form->Hide();
    }
}

void SaveToolbarState(TCustomIniFile* Ini, TWinControl* ToolBar) {
    if (!Ini || !ToolBar) return;
    const QString s = QStringLiteral("ToolBar4.") + ToolBar->Name();
    // A tool bar floats when it sits on a window of its own.
    auto* host = dynamic_cast<TCustomForm*>(ToolBar->Parent());
    const bool floating = host && host != ToolBar->Owner();
    Ini->WriteBool(s, QStringLiteral("Float"), floating);
    Ini->WriteBool(s, QStringLiteral("Visible"), ToolBar->Visible());
    Ini->WriteInteger(s, QStringLiteral("Left"), floating ? host->Left() : ToolBar->Left());
    Ini->WriteInteger(s, QStringLiteral("Top"), floating ? host->Top() : ToolBar->Top());
    Ini->WriteInteger(s, QStringLiteral("Width"), ToolBar->Width());
    Ini->WriteInteger(s, QStringLiteral("Height"), ToolBar->Height());
    if (dynamic_cast<TrptDockSite*>(ToolBar->Parent()) || dynamic_cast<TToolBar*>(ToolBar->Parent()))
        Ini->WriteString(s, QStringLiteral("Dock4"), ToolBar->Parent()->Name());
    Ini->UpdateFile();
}

void RestoreToolbarState(TCustomIniFile* Ini, TWinControl* ToolBar) {
    if (!Ini || !ToolBar) return;
    const QString s = QStringLiteral("ToolBar4.") + ToolBar->Name();
    int l = ToolBar->Left(), t = ToolBar->Top(), w = ToolBar->Width(), h = ToolBar->Height();
    bool floating = false, visible = true;
    QString dock = ToolBar->Parent() ? ToolBar->Parent()->Name() : QString();
    try {
        l = Ini->ReadInteger(s, QStringLiteral("Left"), l);
        t = Ini->ReadInteger(s, QStringLiteral("Top"), t);
        w = Ini->ReadInteger(s, QStringLiteral("Width"), w);
        h = Ini->ReadInteger(s, QStringLiteral("Height"), h);
        floating = Ini->ReadBool(s, QStringLiteral("Float"), false);
        dock = Ini->ReadString(s, QStringLiteral("Dock4"), dock);
        visible = Ini->ReadBool(s, QStringLiteral("Visible"), true);
    } catch (const Exception&) {
        return;
    }
    if (!SaneSize(w, h)) {
        w = ToolBar->Width();
        h = ToolBar->Height();
    }
    ToolBar->Hide();
    if (floating) {
        // The bar floats on a small tool window of its own, owned (and freed) by the bar's owner;
        // a bar floating already keeps its window.
        auto* host = dynamic_cast<TForm*>(ToolBar->Parent());
        if (!host || host == ToolBar->Owner()) {
            host = new TForm(ToolBar->Owner());
            host->SetBorderStyle(bsToolWindow);
            host->SetCaption(ToolBar->Name());
            ToolBar->SetParent(host);
        }
        ToolBar->SetBounds(0, 0, w, h);
        host->SetClientWidth(w);
        host->SetClientHeight(h);
        host->SetLeft(l);
        host->SetTop(t);
        ToolBar->SetVisible(visible);
        if (visible)
            host->Show();
        else
            host->Hide();
        return;
    } else {
        if (ToolBar->Owner() && !dock.isEmpty()) {
            TComponent* c = ToolBar->Owner()->FindComponent(dock);
            if (c) {
                auto* bar = dynamic_cast<TWinControl*>(c);
                if (!bar || !(dynamic_cast<TrptDockSite*>(bar) || dynamic_cast<TToolBar*>(bar) ||
                              dynamic_cast<TPanel*>(bar)))
                    throw EInvalidCast(QStringLiteral("Invalid class typecast: %1 is no control bar").arg(dock));
                if (bar != ToolBar->Parent()) {
                    // A tool window the bar floated on is left empty: hide it.
                    auto* oldHost = dynamic_cast<TForm*>(ToolBar->Parent());
                    ToolBar->SetParent(bar);
                    if (oldHost && oldHost != ToolBar->Owner()) oldHost->Hide();
                }
            }
        }
        ToolBar->SetBounds(l, t, w, h);
    }
    ToolBar->SetVisible(visible);
}

void SaveDockState(TCustomIniFile* Ini, TrptDockSite* DockSite) {
    if (!Ini || !DockSite) return;
    const QString s = QStringLiteral("Dock4.") + DockSite->Name();
    // Our own layout: the docked controls' names, one per line.
    QStringList names;
    for (TControl* c : DockSite->DockClients())
        if (!c->Name().isEmpty()) names << c->Name();
    TMemoryStream m;
    const QByteArray bytes = names.join(QLatin1Char('\n')).toUtf8();
    if (!bytes.isEmpty()) m.WriteBuffer(bytes.constData(), bytes.size());
    m.SetPosition(0);
    Ini->WriteString(s, QStringLiteral("Data2005"), StreamToHexText(m));
    Ini->WriteInteger(s, QStringLiteral("Width"), DockSite->Width());
    Ini->WriteInteger(s, QStringLiteral("Height"), DockSite->Height());
    Ini->WriteInteger(s, QStringLiteral("Size"), DockSite->SavedSize());
    Ini->UpdateFile();
}

void RestoreDockState(TCustomIniFile* Ini, TrptDockSite* DockSite) {
    if (!Ini || !DockSite) return;
    const QString s = QStringLiteral("Dock4.") + DockSite->Name();
    QString data;
    int w = DockSite->Width(), h = DockSite->Height(), size = 100;
    try {
        data = Ini->ReadString(s, QStringLiteral("Data2005"), QString());
        w = Ini->ReadInteger(s, QStringLiteral("Width"), w);
        h = Ini->ReadInteger(s, QStringLiteral("Height"), h);
        size = Ini->ReadInteger(s, QStringLiteral("Size"), 100);
    } catch (const Exception&) {
        return;
    }
    TMemoryStream m;
    try {
        HexTextToStream(data, m);
    } catch (const Exception&) {
        m.Clear(); // not hexadecimal: no layout stored
    }
    if (m.Size() > 0) {
        QByteArray bytes(static_cast<int>(m.Size()), '\0');
        m.SetPosition(0);
        m.ReadBuffer(bytes.data(), bytes.size());
        for (const QString& name : QString::fromUtf8(bytes).split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            if (TControl* c = DockSite->ReloadDockedControl(name)) DockSite->DockDrop(c);
    }
    DockSite->SetAutoSize(false);
    if (w >= 0 && h >= 0 && w <= MaxStoredSize && h <= MaxStoredSize) DockSite->SetBounds(DockSite->Left(), DockSite->Top(), w, h);
    DockSite->SetSavedSize(size > 0 && size <= MaxStoredSize ? size : 100);
    DockSite->SetAutoSize(true);
}
