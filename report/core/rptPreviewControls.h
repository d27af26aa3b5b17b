#pragma once
// Controls the report library's windows share: a scroll window keeping its own ranges and
// positions (the preview's page workspaces descend from it), a flat combo box, a font picker
// with the most recently chosen fonts kept in the settings store and a large sample of the font,
// and an edit box with a small button at its right end.

#include "platform/ui/Controls.h"
#include "platform/ui/StdCtrls.h"

#include <memory>
#include <utility>
#include <vector>

class TPanel;
class TSpeedButton;
class TBitmap;
class QObject;

// C1 blended into C2: A is C1's share in percent (per mille from 100 up); system colours are
// resolved first.
TColor rptBlendColors(TColor C1, TColor C2, int A);

// ---------------------------------------------------------------------------------------------

class TrptScrollWin : public TCustomControl {
    KORVEL_CLASS(TrptScrollWin, TCustomControl)
public:
    explicit TrptScrollWin(TComponent* AOwner);

    int HorzPage() const { return FHorzPage; }
    void SetHorzPage(int Value);
    int HorzPosition() const { return FHorzPosition; }
    void SetHorzPosition(int Value);
    int HorzRange() const { return FHorzRange; }
    void SetHorzRange(int Value);
    int VertPage() const { return FVertPage; }
    void SetVertPage(int Value);
    int VertPosition() const { return FVertPosition; }
    void SetVertPosition(int Value);
    int VertRange() const { return FVertRange; }
    void SetVertRange(int Value);
    int LargeChange() const { return FLargeChange; }
    void SetLargeChange(int Value) { FLargeChange = Value; }
    int SmallChange() const { return FSmallChange; }
    void SetSmallChange(int Value) { FSmallChange = Value; }

    // A scroll-bar request (SB_ codes) as the bars send it; public so keys and tests can drive it.
    void WMHScroll(int ScrollCode, int Pos) override;
    void WMVScroll(int ScrollCode, int Pos) override;

protected:
    void Paint() override;
    virtual void HorzPositionChanged() {}
    virtual void VertPositionChanged() {}
    int DialogCode() const override { return DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTALLKEYS; }

private:
    void UpdateBar(int Bar);
    int ScrollTarget(int Bar, int Code, int Pos) const;

    int FHorzPage = 0;
    int FHorzPosition = 0;
    int FHorzRange = 0;
    int FLargeChange = 10;
    int FSmallChange = 1;
    int FVertPage = 0;
    int FVertPosition = 0;
    int FVertRange = 0;
};

// ---------------------------------------------------------------------------------------------

// How the flat combo box is drawn.
enum class TrptComboLook { Normal, Hot, Pressed, Disabled };

class TrptCustomComboBox : public TCustomComboBox {
    KORVEL_CLASS(TrptCustomComboBox, TCustomComboBox)
public:
    explicit TrptCustomComboBox(TComponent* AOwner);
    ~TrptCustomComboBox() override;

    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    int ListWidth() const { return FListWidth; }
    void SetListWidth(int Value) { FListWidth = Value; }
    int ButtonWidth() const { return FButtonWidth; }
    int EditOffset() const { return FEditOffset; }
    int ItemHeight() const { return FItemHeight; }
    bool UpDropdown() const { return FUpDropdown; }

    // Where the edit part sits inside the flat frame, and the drop button.
    TRect EditRect() const;
    TRect ButtonRect() const;
    // Size of the drop-down list for the current items.
    TSize ListSize() const;
    // Marks the list as opening upward when its bottom (screen coordinates of the control's top
    // given) would lie below ScreenBottom; returns the mark.
    bool CheckUpDropdown(int ControlScreenTop, int ScreenBottom);
    // The look the control has now, from focus, list, mouse and enabled state.
    TrptComboLook Look() const;
    // Draws the flat frame, the button and the arrow (the client area of the control).
    void PaintFlat(TCanvas& Canvas, TrptComboLook ALook);

    // The list opened or closed (the widget reports it; tests call them directly).
    virtual void DoDropDown();
    virtual void DoCloseUp();

protected:
    void InitWidget() override;
    bool WidgetEvent(QEvent* e) override;
    void Resize() override;
    void FontChanged() override;
    void MouseEnter() override;
    void MouseLeave() override;
    void EnabledChanged() override;
    void KeyPress(QChar& Key) override;
    // Fills the area left of the edit part (the font box puts its type picture there).
    virtual void PaintEditPicture(TCanvas& Canvas, const TRect& R);
    void PlaceEdit();
    void ItemHeightFromFont(int Minimum);

    bool FUpDropdown = false;
    int FButtonWidth = 11;
    bool FMouseInControl = false;
    bool FListOpen = false;
    bool FReadOnly = false;
    int FEditOffset = 0;
    int FListWidth = 0;
    int FItemHeight = 13;

private:
    std::unique_ptr<QObject> FPopupWatch;
};

class TrptComboBox : public TrptCustomComboBox {
    KORVEL_CLASS(TrptComboBox, TrptCustomComboBox)
public:
    explicit TrptComboBox(TComponent* AOwner) : TrptCustomComboBox(AOwner) {}
};

// ---------------------------------------------------------------------------------------------

// The sample window of the font box: a bordered panel showing the font's name in the font.
class TrptFontPreview : public TWinControl {
    KORVEL_CLASS(TrptFontPreview, TWinControl)
public:
    explicit TrptFontPreview(TComponent* AOwner);
    TPanel* Panel() const { return FPanel; }

private:
    TPanel* FPanel = nullptr;
};

// Font types of the list items (the objects of the items).
constexpr int rptRasterFontType = 1;
constexpr int rptDeviceFontType = 2;
constexpr int rptTrueTypeFontType = 4;

class TrptFontComboBox : public TrptCustomComboBox {
    KORVEL_CLASS(TrptFontComboBox, TrptCustomComboBox)
public:
    explicit TrptFontComboBox(TComponent* AOwner);
    ~TrptFontComboBox() override;

    bool ShowMRU() const { return FShowMRU; }
    void SetShowMRU(bool Value) { FShowMRU = Value; }
    // Empty means "\Software\Dize Rorerir\MRUFont".
    const QString& MRURegKey() const { return FRegKey; }
    void SetMRURegKey(const QString& Value) { FRegKey = Value; }
    QString RegKey() const;
    // Index of the last recent-font entry at the top of the list; -1 when none.
    int Numused() const { return FNumused; }
    TrptFontPreview* FontViewForm() const { return FFontViewForm; }
    // Type of the item at Index (1 raster, 2 device, 4 TrueType).
    int ItemFontType(int Index) const;

    // Refills the list from the fonts and the recent-font store.
    virtual void PopulateList();
    void Loaded() override;
    // The installed fonts changed (also after loading): the list is filled again without
    // OnClick, keeping the current font or taking the first item.
    void FontListChanged();
    void DoDropDown() override;
    void DoCloseUp() override;
    // The current item changed: the sample window shows its name in that font.
    void ShowSample(int Index);
    // Draws one row of the list: type picture, name, and the lines around the recent fonts.
    void DrawItem(TCanvas& Canvas, int Index, const TRect& Rect, bool Selected);

protected:
    // Font families with their types; the screen's families here.
    virtual std::vector<std::pair<QString, int>> EnumFonts();
    void PaintEditPicture(TCanvas& Canvas, const TRect& R) override;
    void InitWidget() override;
    void Select() override;
    void FontChanged() override;

private:
    void WriteMRU();
    TBitmap* TypeBitmap(int Type) const;

    TrptFontPreview* FFontViewForm = nullptr;
    QString FRegKey;
    std::unique_ptr<TBitmap> FTrueTypeBMP;
    std::unique_ptr<TBitmap> FDeviceBMP;
    bool FUpdate = false;
    bool FShowMRU = true;
    int FNumused = -1;
};

// ---------------------------------------------------------------------------------------------

class TrptComboEdit : public TComboBox {
    KORVEL_CLASS(TrptComboEdit, TComboBox)
public:
    explicit TrptComboEdit(TComponent* AOwner);

    TBitmap* Glyph() const;
    void SetGlyph(const TBitmap* Value);
    bool ButtonEnabled() const { return FButtonEnabled; }
    void SetButtonEnabled(bool Value);
    QString ButtonHint() const;
    void SetButtonHint(const QString& Value);
    TSpeedButton* Button() const { return FButton; }
    TPanel* ButtonPanel() const { return FPanel; }
    // The button was clicked: focus, then OnButtonClick.
    void ButtonClick();
    void KeyPress(QChar& Key) override;

    TNotifyEvent OnButtonClick;

protected:
    void Resize() override;
    void EnabledChanged() override;

private:
    void PlaceButton();

    TPanel* FPanel = nullptr;
    TSpeedButton* FButton = nullptr;
    bool FButtonEnabled = true;
};
