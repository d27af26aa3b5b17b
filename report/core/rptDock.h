#pragma once
// Layout kept from one run to the next: where a window stands and whether it is maximized,
// where a tool bar sits and whether it shows, and how a dock site is sized and which windows it
// holds, written to and read from the report settings store (the object TrptReport::GetIniFile
// returns) in sections "Form4.<window class>", "ToolBar4.<tool bar>" and "Dock4.<dock site>".
// Also the panel tool bars hold their non-button controls on, and the dock site with its
// collapsible splitter.
//
// A settings file that cannot be read, or values that make no sense (a window of no size, a
// window far off every screen, hexadecimal text that is not), leave the layout as it is.

#include "platform/ui/ExtCtrls.h"

class TCustomIniFile;
class TCustomForm;
class TrptDockSite;

// The panel inside a tool bar that holds a non-button control (the zoom box, the page edit).
class TrptTBPanel : public TPanel {
    KORVEL_CLASS(TrptTBPanel, TPanel)
public:
    explicit TrptTBPanel(TComponent* AOwner);
    void SetParent(TWinControl* Value) override;

protected:
    void Paint() override;
};

// The grip bar beside a dock site: drags resize the site, a click on the grip collapses or
// expands it.
class TDockSplitter : public TGraphicControl {
    KORVEL_CLASS(TDockSplitter, TGraphicControl)
public:
    explicit TDockSplitter(TComponent* AOwner);

    TrptDockSite* DockSite() const { return FDockSite; }
    void SetDockSite(TrptDockSite* Value) { FDockSite = Value; }
    bool IsOnGrip(int X, int Y) const;
    // The press on the grip: collapse or expand the site.
    void ToggleSite();

    // Public so tests drive them like the mouse would.
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

protected:
    void Paint() override;

private:
    bool Horizontal() const;

    TrptDockSite* FDockSite = nullptr;
    bool FDown = false;
    TPoint FDownPoint;
};

class TrptDockSite : public TPanel {
    KORVEL_CLASS(TrptDockSite, TPanel)
public:
    explicit TrptDockSite(TComponent* AOwner);
    ~TrptDockSite() override;

    void SetParent(TWinControl* Value) override;
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

    TDockSplitter* Splitter() const { return FSplitter; }
    int SavedSize() const { return FSavedSize; }
    void SetSavedSize(int Value) { FSavedSize = Value; }
    int PanelSize() const { return FPanelSize; }
    TCustomForm* TopParentWin() const { return FTopParentWin; }
    void SetTopParentWin(TCustomForm* Value) { FTopParentWin = Value; }
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value) { FAutoSize = Value; }
    // Size across the dock (height for a top or bottom site, width for a left or right one).
    int CrossSize() const;
    void SetCrossSize(int Value);
    bool Collapsed() const { return CrossSize() == 0 && FSavedSize > 0; }

    // Docking: a control of another window is refused; the first docked control shows the
    // splitter, the last one leaving hides it.
    bool DockOver(TControl* Source);
    bool DockDrop(TControl* Source);
    bool DoUnDock(TWinControl* NewTarget, TControl* Client);
    // The control a stored layout names: the first component of the top window whose name
    // contains Name, else a component of that name anywhere; null when none.
    TControl* ReloadDockedControl(const QString& Name);
    // The docked controls in order.
    std::vector<TControl*> DockClients() const;
    void PlaceSplitter();

private:
    TDockSplitter* FSplitter = nullptr;
    TCustomForm* FTopParentWin = nullptr;
    int FPanelSize = 0;
    int FSavedSize = 100;
    bool FAutoSize = true;
};

void SaveFormState(TCustomIniFile* Ini, TCustomForm* Form);
// ApplyVisible false leaves showing the window to the caller (a window about to be shown modally).
void RestoreFormState(TCustomIniFile* Ini, TCustomForm* Form, bool ApplyVisible = true);
void SaveToolbarState(TCustomIniFile* Ini, TWinControl* ToolBar);
void RestoreToolbarState(TCustomIniFile* Ini, TWinControl* ToolBar);
void SaveDockState(TCustomIniFile* Ini, TrptDockSite* DockSite);
void RestoreDockState(TCustomIniFile* Ini, TrptDockSite* DockSite);
