#pragma once
// The standard controls: label, buttons, edits, memo, check and radio buttons, combo and list
// boxes, group box. Each is backed by the Qt widget of its kind.

#include "platform/rtl/StringList.h"
#include "platform/ui/Controls.h"

class QLineEdit;
class QPlainTextEdit;
class QComboBox;
class QListWidget;
class QAbstractButton;
class TCustomImageList;

enum TTextLayout { tlTop, tlCenter, tlBottom };
KORVEL_ENUM(TTextLayout, "tlTop,tlCenter,tlBottom")
enum TEditCharCase { ecNormal, ecUpperCase, ecLowerCase };
KORVEL_ENUM(TEditCharCase, "ecNormal,ecUpperCase,ecLowerCase")
enum TComboBoxStyle { csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable };
KORVEL_ENUM(TComboBoxStyle, "csDropDown,csSimple,csDropDownList,csOwnerDrawFixed,csOwnerDrawVariable")
enum TListBoxStyle { lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable, lbVirtual };

// A string list that tells its control after every change.
class TControlStrings : public TStringList {
public:
    explicit TControlStrings(std::function<void()> changed) : FChanged(std::move(changed)) {}

protected:
    void Changed() override;

private:
    std::function<void()> FChanged;
};

class TCustomLabel : public TGraphicControl {
    KORVEL_CLASS(TCustomLabel, TGraphicControl)
public:
    explicit TCustomLabel(TComponent* AOwner);

    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    TTextLayout Layout() const { return FLayout; }
    void SetLayout(TTextLayout value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool value);
    bool ShowAccelChar() const { return FShowAccelChar; }
    void SetShowAccelChar(bool value);
    TWinControl* FocusControl() const { return FFocusControl; }
    void SetFocusControl(TWinControl* value) { FFocusControl = value; }
    // Sizes the label to its caption.
    void AdjustBounds();

protected:
    void Paint() override;
    void TextChanged() override;
    void FontChanged() override;

    TAlignment FAlignment = taLeftJustify;
    TTextLayout FLayout = tlTop;
    bool FAutoSize = true;
    bool FWordWrap = false;
    bool FTransparent = false;
    bool FShowAccelChar = true;
    TWinControl* FFocusControl = nullptr;
};

class TLabel : public TCustomLabel {
    KORVEL_CLASS(TLabel, TCustomLabel)
public:
    explicit TLabel(TComponent* AOwner) : TCustomLabel(AOwner) {}
};

class TButtonControl : public TWinControl {
    KORVEL_CLASS(TButtonControl, TWinControl)
public:
    explicit TButtonControl(TComponent* AOwner);
};

class TButton : public TButtonControl {
    KORVEL_CLASS(TButton, TButtonControl)
public:
    explicit TButton(TComponent* AOwner);

    // Sets the form's ModalResult, then raises OnClick.
    void Click() override;
    bool Default() const { return FDefault; }
    void SetDefault(bool value);
    bool Cancel() const { return FCancel; }
    void SetCancel(bool value) { FCancel = value; }
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult value) { FModalResult = value; }
    // The picture beside the caption, from an image list (-1 for none).
    TCustomImageList* Images() const { return FImages; }
    void SetImages(TCustomImageList* value);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int value);
    // Space left of the picture, in pixels.
    int ImageMarginLeft() const { return FImageMarginLeft; }
    void SetImageMarginLeft(int value);

protected:
    std::unique_ptr<QWidget> CreateWidget() override;
    void InitWidget() override;
    void SetTextValue(const QString& value) override;
    int DialogCode() const override { return 0; }
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void ApplyImage();

    TCustomImageList* FImages = nullptr;
    int FImageIndex = -1;
    int FImageMarginLeft = 0;
    bool FDefault = false;
    bool FCancel = false;
    TModalResult FModalResult = mrNone;
};

class TCustomEdit : public TWinControl {
    KORVEL_CLASS(TCustomEdit, TWinControl)
public:
    explicit TCustomEdit(TComponent* AOwner);

    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int value);
    QChar PasswordChar() const { return FPasswordChar; }
    void SetPasswordChar(QChar value);
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);
    TEditCharCase CharCase() const { return FCharCase; }
    void SetCharCase(TEditCharCase value) { FCharCase = value; }
    bool AutoSelect() const { return FAutoSelect; }
    void SetAutoSelect(bool value) { FAutoSelect = value; }
    bool Modified() const;
    void SetModified(bool value);
    int SelStart() const;
    void SetSelStart(int value);
    int SelLength() const;
    void SetSelLength(int value);
    QString SelText() const;
    void SetSelText(const QString& value);
    void SelectAll();
    void Clear() { SetText(QString()); }
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);

    TNotifyEvent OnChange;

protected:
    std::unique_ptr<QWidget> CreateWidget() override;
    void InitWidget() override;
    QString GetText() const override;
    void SetTextValue(const QString& value) override;
    void KeyPress(QChar& Key) override;
    void FocusGained() override;
    int DialogCode() const override { return DLGC_WANTARROWS | DLGC_WANTCHARS; }
    virtual void Change();
    QLineEdit* Line() const;

    int FMaxLength = 0;
    QChar FPasswordChar;
    bool FReadOnly = false;
    TEditCharCase FCharCase = ecNormal;
    bool FAutoSelect = true;
    bool FModified = false;
    bool FSettingText = false;
    TAlignment FAlignment = taLeftJustify;
};

class TEdit : public TCustomEdit {
    KORVEL_CLASS(TEdit, TCustomEdit)
public:
    explicit TEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}
};

class TCustomMemo : public TWinControl {
    KORVEL_CLASS(TCustomMemo, TWinControl)
public:
    explicit TCustomMemo(TComponent* AOwner);

    TStrings* Lines() const { return FLines.get(); }
    void SetLines(const TStrings* value) { FLines->Assign(*value); }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool value);
    bool WantReturns() const { return FWantReturns; }
    void SetWantReturns(bool value) { FWantReturns = value; }
    bool WantTabs() const { return FWantTabs; }
    void SetWantTabs(bool value) { FWantTabs = value; }
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle value);
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int value) { FMaxLength = value; }
    bool Modified() const { return FModified; }
    void SetModified(bool value) { FModified = value; }
    void Clear() { SetText(QString()); }
    void SelectAll();

    TNotifyEvent OnChange;

protected:
    std::unique_ptr<QWidget> CreateWidget() override;
    void InitWidget() override;
    QString GetText() const override;
    void SetTextValue(const QString& value) override;
    int DialogCode() const override;
    virtual void Change();
    QPlainTextEdit* Editor() const;
    void LinesChanged();
    void WidgetTextChanged();

    std::unique_ptr<TControlStrings> FLines;
    bool FReadOnly = false;
    bool FWordWrap = true;
    bool FWantReturns = true;
    bool FWantTabs = false;
    TScrollStyle FScrollBars = ssNone;
    int FMaxLength = 0;
    bool FModified = false;
    bool FSyncing = false;
};

class TMemo : public TCustomMemo {
    KORVEL_CLASS(TMemo, TCustomMemo)
public:
    explicit TMemo(TComponent* AOwner) : TCustomMemo(AOwner) {}
};

class TCustomCheckBox : public TButtonControl {
    KORVEL_CLASS(TCustomCheckBox, TButtonControl)
public:
    explicit TCustomCheckBox(TComponent* AOwner);

    TCheckBoxState State() const { return FState; }
    // Changing the state raises OnClick, also when the program changes it.
    void SetState(TCheckBoxState value);
    bool Checked() const { return FState == cbChecked; }
    void SetChecked(bool value) { SetState(value ? cbChecked : cbUnchecked); }
    bool AllowGrayed() const { return FAllowGrayed; }
    void SetAllowGrayed(bool value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment value) { FAlignment = value; }
    // The user's click: unchecked, then grayed when allowed, then checked.
    virtual void Toggle();

protected:
    std::unique_ptr<QWidget> CreateWidget() override;
    void InitWidget() override;
    void SetTextValue(const QString& value) override;
    void ApplyState();

    TCheckBoxState FState = cbUnchecked;
    bool FAllowGrayed = false;
    TAlignment FAlignment = taRightJustify;
};

class TCheckBox : public TCustomCheckBox {
    KORVEL_CLASS(TCheckBox, TCustomCheckBox)
public:
    explicit TCheckBox(TComponent* AOwner) : TCustomCheckBox(AOwner) {}
};

class TRadioButton : public TButtonControl {
    KORVEL_CLASS(TRadioButton, TButtonControl)
public:
    explicit TRadioButton(TComponent* AOwner);

    bool Checked() const { return FChecked; }
    // Checking unchecks the other radio buttons of the same parent and raises OnClick.
    void SetChecked(bool value);

protected:
    std::unique_ptr<QWidget> CreateWidget() override;
    void InitWidget() override;
    void SetTextValue(const QString& value) override;
    int DialogCode() const override { return 0; }

    bool FChecked = false;
};

class TCustomComboBox : public TWinControl {
    KORVEL_CLASS(TCustomComboBox, TWinControl)
public:
    explicit TCustomComboBox(TComponent* AOwner);

    TStrings* Items() const { return FItems.get(); }
    void SetItems(const TStrings* value) { FItems->Assign(*value); }
    int ItemIndex() const;
    virtual void SetItemIndex(int value);
    TComboBoxStyle Style() const { return FStyle; }
    void SetStyle(TComboBoxStyle value);
    int DropDownCount() const { return FDropDownCount; }
    void SetDropDownCount(int value);
    bool Sorted() const { return FSorted; }
    void SetSorted(bool value);
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int value) { FMaxLength = value; }
    bool DroppedDown() const;
    void SetDroppedDown(bool value);
    virtual void Clear();
    void AddItem(const QString& item, TObject* object) { FItems->AddObject(item, object); }

    TNotifyEvent OnChange;
    TNotifyEvent OnSelect;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;

protected:
    std::unique_ptr<QWidget> CreateWidget() override;
    void InitWidget() override;
    QString GetText() const override;
    void SetTextValue(const QString& value) override;
    int DialogCode() const override { return DLGC_WANTARROWS | DLGC_WANTCHARS; }
    virtual void Change();
    virtual void Select();
    void ItemsChanged();
    void SyncItems() const;
    QComboBox* Combo() const;

    std::unique_ptr<TControlStrings> FItems;
    int FItemIndex = -1;
    TComboBoxStyle FStyle = csDropDown;
    int FDropDownCount = 8;
    bool FSorted = false;
    int FMaxLength = 0;
    mutable bool FItemsDirty = false;
    mutable bool FSyncing = false;
};

class TComboBox : public TCustomComboBox {
    KORVEL_CLASS(TComboBox, TCustomComboBox)
public:
    explicit TComboBox(TComponent* AOwner) : TCustomComboBox(AOwner) {}
};

class TCustomListBox : public TWinControl {
    KORVEL_CLASS(TCustomListBox, TWinControl)
public:
    explicit TCustomListBox(TComponent* AOwner);

    TStrings* Items() const { return FItems.get(); }
    void SetItems(const TStrings* value) { FItems->Assign(*value); }
    int ItemIndex() const;
    void SetItemIndex(int value);
    bool MultiSelect() const { return FMultiSelect; }
    void SetMultiSelect(bool value);
    bool Selected(int index) const;
    void SetSelected(int index, bool value);
    int SelCount() const;
    bool Sorted() const { return FSorted; }
    void SetSorted(bool value);
    int TopIndex() const;
    void SetTopIndex(int value);
    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int value) { FItemHeight = value; }
    int Count() const { return FItems->Count(); }
    void Clear() { FItems->Clear(); }

protected:
    std::unique_ptr<QWidget> CreateWidget() override;
    void InitWidget() override;
    int DialogCode() const override { return DLGC_WANTARROWS | DLGC_WANTCHARS; }
    void ItemsChanged();
    void SyncItems() const;
    QListWidget* List() const;

    std::unique_ptr<TControlStrings> FItems;
    int FItemIndex = -1;
    bool FMultiSelect = false;
    bool FSorted = false;
    int FItemHeight = 13;
    mutable bool FItemsDirty = false;
    mutable bool FSyncing = false;
};

class TListBox : public TCustomListBox {
    KORVEL_CLASS(TListBox, TCustomListBox)
public:
    explicit TListBox(TComponent* AOwner) : TCustomListBox(AOwner) {}
};

class TCustomGroupBox : public TCustomControl {
    KORVEL_CLASS(TCustomGroupBox, TCustomControl)
public:
    explicit TCustomGroupBox(TComponent* AOwner);
    void AdjustClientRect(TRect& r) const override;

protected:
    void Paint() override;
    void TextChanged() override;
};

class TGroupBox : public TCustomGroupBox {
    KORVEL_CLASS(TGroupBox, TCustomGroupBox)
public:
    explicit TGroupBox(TComponent* AOwner) : TCustomGroupBox(AOwner) {}
};

// Removes the '&' accelerator marks of a caption ("&&" stays one '&').
QString StripHotkey(const QString& caption);
// The caption in Qt's notation (Qt uses the same '&' marks).
QString QtCaption(const QString& caption);
