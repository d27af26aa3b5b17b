#pragma once
// The column model of the grid: column parts (header, footer, slide bounds), the column classes,
// the per-column cell display, and the column list that keeps the columns in item order and in
// display order and reports every change to the grid.

#include "grid/GxClasses.h"
#include "grid/GxGridCommon.h"
#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Graphics.h"
#include "platform/rtl/Variant.h"
#include "platform/rtti/Classes.h"
#include "platform/ui/UiTypes.h"

#include <functional>
#include <memory>
#include <vector>

class TGxColumns;
class TGxCustomColumn;
class TGxCustomEdit;
class TColumnDisplay;
class TColumnPlay;

enum TColumnType {
    ctAutoInc,
    ctBoolean,
    ctNone,
    ctDate,
    ctFloat,
    ctGraphic,
    ctGuid,
    ctInteger,
    ctString,
    ctLookup,
    ctMemo,
    ctVirtual
};
enum TColumnOption {
    coAutoSize,
    coCanClick,
    coCanInput,
    coCanSort,
    coDisableMoving,
    coDontHighlight,
    coEditing,
    coEditorAutoSelect,
    coFixedSize,
    coImageForIcon,
    coPublicUsing,
    coFullResort,
    coSearchColumn,
    coShowTextFitHint,
    coTextForCaption
};
using TColumnOptions = TSet<TColumnOption, 32>;
enum TColumnStyleItem {
    csClickable,
    csCanEdit,
    csDisableSorting,
    csFitToLargest,
    csRedrawInplaceEdit,
    csTextFitHint,
    csWantReturns
};
using TColumnStyle = TSet<TColumnStyleItem, 8>;
enum TColumnStateItem { ceEditable, ceCanInput };
using TColumnState = TSet<TColumnStateItem, 8>;
enum TDisplayOption { doMultiLine };
using TDisplayOptions = TSet<TDisplayOption, 8>;
enum TFormulaKind { fkNone, fkAverage, fkCount, fkDistinct, fkMaximum, fkMinimum, fkSum, fkCustom };
enum TFormatMaskKind { mkText, mkFloat };
enum TDisplayMode { dmImageOnly, dmTextAndImage, dmTextOnly };
enum THeaderOrientation { hoHorizontal, hoVertical };
enum TSortKind { skAscending, skDescending };
enum TSortType {
    stAlphabetic,
    stBoolean,
    stCaseInsensitive,
    stCustom,
    stNumeric,
    stDate,
    stIP,
    stUnicodeAlphabetic
};
enum TSlideCatpionLocation { clLeft, clTop };
// The grid control has a TSlideOptions of its own, so the column's set has its own name.
enum TColumnSlideOption { soAutoSize };
using TColumnSlideOptions = TSet<TColumnSlideOption, 8>;
enum TColumnChangeKind {
    ccFieldName,
    ccInputChange,
    ccPosition,
    ccRevertStyle,
    ccSlideChanged,
    ccSorted,
    ccSortTypeChange,
    ccUndefined,
    ccVisible,
    ccUnsorted,
    ccWidth
};
enum TColumnNotifyOperation {
    ccAlignChange,
    cnCaptionChange,
    cnColorChange,
    ccDrawingChange,
    cnNameChange,
    cnOptionsChange,
    ccVisibleChange
};
// Scoped: the component layer already owns the name opInsert.
enum class TColumnsOperation { opAdd, opDelete, opClear, opInsert, opMove };
constexpr TColumnsOperation opAdd = TColumnsOperation::opAdd;
constexpr TColumnsOperation opDelete = TColumnsOperation::opDelete;
constexpr TColumnsOperation opClear = TColumnsOperation::opClear;
constexpr TColumnsOperation opMove = TColumnsOperation::opMove;
enum TColumnLocation { clAlone, clLeftSide, clMiddle, clRightSide };
enum TColumnMemberKind { ckFooter, ckHeader, ckInactiveHeader, ckIndicator, ckInput };

// Type information of the published enumerations and sets.
KORVEL_ENUM(TColumnOption,
            "coAutoSize,coCanClick,coCanInput,coCanSort,coDisableMoving,coDontHighlight,coEditing,"
            "coEditorAutoSelect,coFixedSize,coImageForIcon,coPublicUsing,coFullResort,coSearchColumn,"
            "coShowTextFitHint,coTextForCaption")
KORVEL_ENUM(TSortKind, "skAscending,skDescending")
KORVEL_ENUM(TSortType,
            "stAlphabetic,stBoolean,stCaseInsensitive,stCustom,stNumeric,stDate,stIP,stUnicodeAlphabetic")
KORVEL_ENUM(TFormulaKind, "fkNone,fkAverage,fkCount,fkDistinct,fkMaximum,fkMinimum,fkSum,fkCustom")
KORVEL_ENUM(TFormatMaskKind, "mkText,mkFloat")
KORVEL_ENUM(TDisplayMode, "dmImageOnly,dmTextAndImage,dmTextOnly")
KORVEL_ENUM(THeaderOrientation, "hoHorizontal,hoVertical")

inline const TTypeInfo* TypeInfoOf(TColumnOptions*) {
    static const TTypeInfo* info =
        TTypeInfo::SetOf(QStringLiteral("TColumnOptions"), TypeInfoOf(static_cast<TColumnOption*>(nullptr)));
    return info;
}

using TColumnChangeEvent =
    std::function<void(TObject* Sender, TGxCustomColumn* AColumn, TColumnChangeKind ChangeKind, int Param)>;
using TColumnsChangeEvent =
    std::function<void(TObject* Sender, TColumnsOperation ChangeOpearation, int Value1, int Value2)>;
using TColumnGetTextEvent = std::function<void(TObject* Sender, QString& Text)>;
using TColumnNotifyProc = std::function<void(TGxCustomColumn* Sender, TColumnNotifyOperation Operation)>;
using TGetTextEvent = std::function<void(TObject* Sender, int ACol, int ARow, QString& Value)>;
using TSetTextEvent = std::function<void(TObject* Sender, int ACol, int ARow, const QString& Value)>;
using TParentRowEvent = std::function<void(int& ARow, int& NextSibling)>;
// Class references: the column classes are registered classes, displays and editors are factories.
using TGxColumnClass = const TClassInfo*;
using TColumnDisplayClass = std::unique_ptr<TColumnDisplay> (*)(TGxCustomColumn* Column);
using TColumnPlayClass = std::unique_ptr<TColumnPlay> (*)(TGxCustomColumn* Column);
using TCellEditorClass = TGxCustomEdit* (*)(TComponent* AOwner);

struct TCellInfo {
    bool AsBoolean = false;
    double AsDateTime = 0;
    double AsFloat = 0;
    int AsInteger = 0;
    QString AsString;
    Variant AsVariant;
    TObject* ObjectReference = nullptr;
};

// ---------------------------------------------------------------------------------------------
// Column parts

class TColumnPart : public TPersistent {
    KORVEL_CLASS(TColumnPart, TPersistent)
public:
    explicit TColumnPart(TGxCustomColumn* AColumn = nullptr);
    ~TColumnPart() override;
    void Assign(const TPersistent* Source) override;

    const QString& Caption() const { return FCaption; }
    void SetCaption(const QString& Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    TDisplayMode DisplayMode() const { return FDisplayMode; }
    void SetDisplayMode(TDisplayMode Value);
    TDrawingOptions DrawingOptions() const { return FDrawingOptions; }
    void SetDrawingOptions(TDrawingOptions Value);
    TBitmap* Glyph() const { return FGlyph.get(); }
    void SetGlyph(const TBitmap* Value);
    const QString& Hint() const { return FHint; }
    void SetHint(const QString& Value) { FHint = Value; }
    TGxCustomColumn* Column() const { return FColumn; }
    TObject* ObjectReference() const { return FObjectReference; }
    void SetObjectReference(TObject* Value) { FObjectReference = Value; }

    TNotifyEvent OnChange;

protected:
    void DoChange();
    void Refresh(TGridArea Area);
    void GlyphChanged();

    QString FCaption;
    TColor FColor = clBtnFace;
    TGxCustomColumn* FColumn = nullptr;
    TDisplayMode FDisplayMode = dmTextOnly;
    std::unique_ptr<TBitmap> FGlyph;
    QString FHint;
    TObject* FObjectReference = nullptr;
    TDrawingOptions FDrawingOptions = doNormal;
    bool FGlyphUpdating = false;
};

class TColumnHeader : public TColumnPart {
    KORVEL_CLASS(TColumnHeader, TColumnPart)
public:
    explicit TColumnHeader(TGxCustomColumn* AColumn = nullptr);
    void Assign(const TPersistent* Source) override;

    THeaderOrientation Orientation() const { return FOrientation; }
    void SetOrientation(THeaderOrientation Value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    bool MultiLine() const { return FMultiLine; }
    void SetMultiLine(bool Value);
    bool HideArrow() const { return FHideArrow; }
    void SetHideArrow(bool Value);

private:
    THeaderOrientation FOrientation = hoHorizontal;
    TAlignment FAlignment = taLeftJustify;
    bool FMultiLine = false;
    bool FHideArrow = true;
};

class TColumnFooter : public TColumnPart {
    KORVEL_CLASS(TColumnFooter, TColumnPart)
public:
    explicit TColumnFooter(TGxCustomColumn* AColumn = nullptr);
    void Assign(const TPersistent* Source) override;

    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    const QString& FormatMask() const { return FFormatMask; }
    void SetFormatMask(const QString& Value);
    TFormatMaskKind FormatMaskKind() const { return FFormatMaskKind; }
    void SetFormatMaskKind(TFormatMaskKind Value);
    TFormulaKind FormulaKind() const { return FFormulaKind; }
    void SetFormulaKind(TFormulaKind Value);
    double FormulaValue() const { return FFormulaValue; }
    void SetFormulaValue(double Value);
    const QString& TextAfter() const { return FTextAfter; }
    void SetTextAfter(const QString& Value);
    const QString& TextBefore() const { return FTextBefore; }
    void SetTextBefore(const QString& Value);
    // What the footer shows: the caption through the mask, between TextBefore and TextAfter.
    QString DisplayText() const;

private:
    TAlignment FAlignment = taLeftJustify;
    QString FFormatMask;
    TFormatMaskKind FFormatMaskKind = mkText;
    TFormulaKind FFormulaKind = fkNone;
    double FFormulaValue = 0;
    QString FTextAfter;
    QString FTextBefore;
};

class TGxSlideBounds : public TPersistent {
    KORVEL_CLASS(TGxSlideBounds, TPersistent)
public:
    explicit TGxSlideBounds(TGxCustomColumn* AOwner = nullptr) : FOwner(AOwner) {}
    void Assign(const TPersistent* Source) override;

    int Left() const { return FLeft; }
    void SetLeft(int Value);
    int Top() const { return FTop; }
    void SetTop(int Value);
    int Width() const { return FWidth; }
    void SetWidth(int Value);
    int Height() const { return FHeight; }
    void SetHeight(int Value);
    int Right() const { return FLeft + FWidth; }
    int Bottom() const { return FTop + FHeight; }

private:
    void Changed();
    TGxCustomColumn* FOwner;
    int FLeft = 8, FTop = 8, FHeight = 16, FWidth = 80;
};

// ---------------------------------------------------------------------------------------------
// Per-column display and play objects

class TVirtualColElement : public TPersistent {
    KORVEL_CLASS(TVirtualColElement, TPersistent)
public:
    explicit TVirtualColElement(TGxCustomColumn* AColumn) : FColumn(AColumn) {}

    bool AsBoolean = false;
    double AsDateTime = 0;
    double AsFloat = 0;
    int AsInteger = 0;
    QString AsString;
    TCanvas* Canvas = nullptr;
    TRect ClientRect;
    TObject* ObjectReference = nullptr;
    void* Handle = nullptr;
    TGxCustomColumn* Column() const { return FColumn; }

protected:
    TGxCustomColumn* FColumn;
};

class TColumnDisplay : public TVirtualColElement {
    KORVEL_CLASS(TColumnDisplay, TVirtualColElement)
public:
    explicit TColumnDisplay(TGxCustomColumn* AColumn) : TVirtualColElement(AColumn) {}

    int ChildCount = 0;
    bool Expanded = false;
    bool Highlighted = false;
    TColor HighlightedTextColor = clHighlightText;
    int ImageIndex = -1;
    bool IsLast = false;
    bool IsParentLast = false;
    int Level = 0;
    TParentRowEvent OnParentRow;
    int RowIndex = -1;
    bool Selected = false;
    bool IsFirst = false;

    // ClientRect 2 pixels narrower on the left and on the right.
    virtual TRect GetTextRect();
    virtual void DrawCellText(const QString& Text, const TRect& Rect);
    virtual void DrawHintMark();
    virtual int GetContentHeight() { return 0; }
    virtual int GetContentWidth() { return GetTextSize().cx; }
    virtual TSize GetTextSize();
    virtual void Paint() = 0;
    void PaintBackground(TColor CellColor, bool ClientCell);
    // The text-drawing flags the column asks for; Drawing adds the ellipsis flags.
    unsigned TextFlags(bool Drawing) const;
};

class TColumnPlay : public TVirtualColElement {
    KORVEL_CLASS(TColumnPlay, TVirtualColElement)
public:
    explicit TColumnPlay(TGxCustomColumn* AColumn) : TVirtualColElement(AColumn) {}

    int Col = -1;
    int Level = 0;
    int Row = -1;
    TNotifyEvent OnChange;
    TNotifyEvent OnExpand;

    virtual void KeyPress(QChar& Key) {}
    virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {}
    virtual void MouseLeave() {}
    virtual void MouseMove(TShiftState Shift, int X, int Y) {}
    virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {}
    virtual void Show();

protected:
    void DoChange() {
        if (OnChange) OnChange(this);
    }
    void DoExpand() {
        if (OnExpand) OnExpand(this);
    }
};

// ---------------------------------------------------------------------------------------------
// Columns

class TGxCustomColumn : public TComponent {
    KORVEL_CLASS(TGxCustomColumn, TComponent)
public:
    explicit TGxCustomColumn(TComponent* AOwner = nullptr);
    ~TGxCustomColumn() override;
    void Assign(const TPersistent* Source) override;
    void SetName(const QString& Value) override;
    // Streaming: a column read from a form joins its grid's column list, and is placed in the
    // display order once it has been read.
    TComponent* GetParentComponent() const { return GridComponent(); }
    bool HasParent() const { return true; }
    void SetParentComponent(TComponent* AParent);
    void Loaded() override;

    // --- published
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    bool AutoEdit() const { return FAutoEdit; }
    void SetAutoEdit(bool Value) { FAutoEdit = Value; }
    TBiDiMode BiDiMode() const { return FBiDiMode; }
    void SetBiDiMode(TBiDiMode Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor Value);
    const QString& DefaultValue() const { return FDefaultValue; }
    void SetDefaultValue(const QString& Value) { FDefaultValue = Value; }
    int DefaultWidth() const { return FDefaultWidth; }
    void SetDefaultWidth(int Value) { FDefaultWidth = Value; }
    TDrawingOptions DrawingOptions() const { return FDrawingOptions; }
    void SetDrawingOptions(TDrawingOptions Value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value) { FEnabled = Value; }
    TFont* Font() const { return FFont.get(); }
    void SetFont(const TFont* Value);
    TColumnFooter* Footer() const { return FFooter.get(); }
    void SetFooter(const TColumnFooter* Value);
    TColumnHeader* Header() const { return FHeader.get(); }
    void SetHeader(const TColumnHeader* Value);
    TGxCustomEdit* InplaceEdit() const { return FInplaceEdit; }
    void SetInplaceEdit(TGxCustomEdit* Value);
    const QString& InputCaption() const { return FInputCaption; }
    void SetInputCaption(const QString& Value);
    const QString& InputValue() const { return FInputValue; }
    void SetInputValue(const QString& Value);
    int MinWidth() const { return FMinWidth; }
    void SetMinWidth(int Value) { FMinWidth = Value; }
    TObject* ObjectReference() const { return FObjectReference; }
    void SetObjectReference(TObject* Value) { FObjectReference = Value; }
    TColumnOptions Options() const { return FOptions; }
    virtual void SetOptions(const TColumnOptions& Value);
    int Padding() const { return FPadding; }
    void SetPadding(int Value);
    bool ParentCellColor() const { return FParentCellColor; }
    void SetParentCellColor(bool Value);
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool Value);
    int Position() const { return FPosition; }
    void SetPosition(int Value);
    TAnchors SlideAnchors() const { return FSlideAnchors; }
    void SetSlideAnchors(const TAnchors& Value) { FSlideAnchors = Value; }
    TGxSlideBounds* SlideBounds() const { return FSlideBounds.get(); }
    void SetSlideBounds(const TGxSlideBounds* Value);
    const QString& SlideCaption() const { return FSlideCaption; }
    void SetSlideCaption(const QString& Value);
    TSlideCatpionLocation SlideCaptionLocation() const { return FSlideCaptionLocation; }
    void SetSlideCaptionLocation(TSlideCatpionLocation Value);
    TColumnSlideOptions SlideOptions() const { return FSlideOptions; }
    void SetSlideOptions(const TColumnSlideOptions& Value);
    bool Sorted() const { return FSorted; }
    void SetSorted(bool Value);
    TSortKind SortKind() const { return FSortKind; }
    void SetSortKind(TSortKind Value);
    TSortType SortType() const { return FSortType; }
    void SetSortType(TSortType Value);
    const QString& StyleClass() const { return FStyleClass; }
    void SetStyleClass(const QString& Value) { FStyleClass = Value; }
    const QString& TagString() const { return FTagString; }
    void SetTagString(const QString& Value) { FTagString = Value; }
    TVerticalAlignment VerticalAlignment() const { return FVerticalAlignment; }
    void SetVerticalAlignment(TVerticalAlignment Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    int Width() const { return FWidth; }
    void SetWidth(int Value);
    TWrapKind WrapKind() const { return FWrapKind; }
    void SetWrapKind(TWrapKind Value);
    TColumnGetTextEvent OnGetDrawText;

    // --- public, read-only unless said
    int AbsoluteLeft() const;
    TRect ClientRect() const;
    TGxColumns* Columns() const { return FColumns; }
    TColumnStyle ColumnStyle() const { return GetColumnStyle(); }
    TColumnState ColumnState() const { return GetColumnState(); }
    TColumnType ColumnType() const { return FColumnType; }
    // The cell painter; made on first use from the class's display class.
    TColumnDisplay* Display();
    // The column's own in-place editor (none when the class names no editor class).
    TGxCustomEdit* Editor();
    bool Editing() const { return FOptions.Contains(coEditing); }
    void SetEditing(bool Value);
    bool First() const;
    bool Last() const;
    bool Focused() const;
    bool Hover() const;
    TComponent* GridComponent() const;
    TGxGridLink* Grid() const;
    int Index() const;
    void SetIndex(int Value);
    bool Input() const { return FInput; }
    void SetInput(bool Value) { FInput = Value; }
    int Left() const { return FLeft; }
    TColumnLocation Location() const;
    TGxCustomColumn* NextColumn() const;
    TGxCustomColumn* PrevColumn() const;
    TColumnPlay* Play() const { return FPlay.get(); }
    bool Selected() const;
    TRect SlideRect() const;
    int SlideWidth() const { return FSlideBounds->Width(); }
    int VisibleIndex() const { return FVisibleIndex; }

    void Refresh(TGridArea GridArea);
    void Resort();
    void RevertStyle();
    int RegisterNotification(TColumnNotifyProc ANotify);
    void UnregisterNotification(int Cookie);
    TRect GetMemberRect(TColumnMemberKind ColumnMemberKind) const;
    bool IsAlone() const;
    bool IsClipped() const;
    // Width with MinWidth applied, layout and ccWidth, but no auto-size pass.
    void SetSilentWidth(int Value);

    // --- virtual operations
    virtual TCellEditorClass GetCellEditorClass() const { return nullptr; }
    virtual TColumnDisplayClass GetColumnDisplayClass() const { return nullptr; }
    virtual TColumnPlayClass GetColumnPlayClass() const { return nullptr; }
    virtual TColumnState GetColumnState() const;
    virtual TColumnStyle GetColumnStyle() const { return {}; }
    virtual void SetColumnType(TColumnType Value) { FColumnType = Value; }
    virtual int GetCellBestFit(const QString& Value);
    virtual TDisplayOptions GetDisplayOptions() const { return {}; }
    virtual QString GetDrawText(const TCellInfo& Cell);
    virtual QString GetHintText(const TCellInfo& Cell) { return GetDrawText(Cell); }
    virtual QString GetInputDrawText() { return FInputValue; }
    virtual QString GetInputValue() { return FInputValue; }
    virtual bool IsKeyValid(QChar Key) const { return false; }
    virtual void AdjustEditRect(TRect& R) {}
    virtual void ApplyEditing() {}
    virtual void BeginEditing();
    virtual void UpdateEdit() {}

    // The column list calls these while it lays columns out.
    void SetLayout(int ALeft, int AVisibleIndex) {
        FLeft = ALeft;
        FVisibleIndex = AVisibleIndex;
    }
    void SetPositionSilently(int Value) { FPosition = Value; }
    void SetColumns(TGxColumns* Value) { FColumns = Value; }
    void Notify(TColumnNotifyOperation Operation);
    void DoColumnChange(TColumnChangeKind Kind, int Param = -1);
    // HideAll: invisible without the layout pass.
    void HideSilently();
    // Copies the grid's font without counting it as a change by the application.
    void CopyParentFont();

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    bool IsLoading() const;
    void FontChanged();

    TAlignment FAlignment = taLeftJustify;
    bool FAutoEdit = false;
    TBiDiMode FBiDiMode = bdLeftToRight;
    TColor FColor = clWindow;
    TGxColumns* FColumns = nullptr;
    TColumnType FColumnType = ctString;
    TCursor FCursor = crDefault;
    QString FDefaultValue;
    int FDefaultWidth = 80;
    std::unique_ptr<TColumnDisplay> FDisplay;
    TDrawingOptions FDrawingOptions = doNormal;
    TGxCustomEdit* FEditor = nullptr; // owned as a component of the column
    bool FEditorMade = false;
    bool FEnabled = true;
    std::unique_ptr<TFont> FFont;
    std::unique_ptr<TColumnFooter> FFooter;
    std::unique_ptr<TColumnHeader> FHeader;
    TGxCustomEdit* FInplaceEdit = nullptr;
    bool FInput = false;
    QString FInputCaption;
    QString FInputValue;
    int FLeft = 0;
    std::vector<std::pair<int, TColumnNotifyProc>> FNotifyList;
    int FNextCookie = 1;
    TColumnOptions FOptions{coCanClick, coCanInput, coCanSort, coPublicUsing};
    bool FParentCellColor = false;
    bool FParentFont = true;
    bool FParentFontUpdating = false;
    std::unique_ptr<TColumnPlay> FPlay;
    int FPosition = -1;
    int FSilentWidth = 80;
    std::unique_ptr<TGxSlideBounds> FSlideBounds;
    QString FSlideCaption;
    TSlideCatpionLocation FSlideCaptionLocation = clTop;
    bool FSorted = false;
    TSortKind FSortKind = skAscending;
    TSortType FSortType = stAlphabetic;
    double FTempFooterValue = 0;
    TVerticalAlignment FVerticalAlignment = taVerticalCenter;
    bool FVisible = true;
    int FVisibleIndex = -1;
    int FWidth = 80;
    TWrapKind FWrapKind = wkEllipsis;
    QString FStyleClass;
    int FMinWidth = 8;
    int FPadding = 0;
    TColumnSlideOptions FSlideOptions;
    TAnchors FSlideAnchors{akLeft, akTop};
    TObject* FObjectReference = nullptr;
    QString FTagString;
};

class TGxTextColumn : public TGxCustomColumn {
    KORVEL_CLASS(TGxTextColumn, TGxCustomColumn)
public:
    explicit TGxTextColumn(TComponent* AOwner = nullptr);
    void Assign(const TPersistent* Source) override;

    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int Value);
    bool MultiLine() const { return FMultiLine; }
    void SetMultiLine(bool Value);
    QChar PasswordChar() const { return FPasswordChar; }
    void SetPasswordChar(QChar Value);
    const QString& TextAfter() const { return FTextAfter; }
    void SetTextAfter(const QString& Value);
    const QString& TextBefore() const { return FTextBefore; }
    void SetTextBefore(const QString& Value);

    TCellEditorClass GetCellEditorClass() const override;
    TColumnDisplayClass GetColumnDisplayClass() const override;
    TColumnStyle GetColumnStyle() const override { return {csCanEdit, csFitToLargest, csTextFitHint}; }
    int GetCellBestFit(const QString& Value) override;
    TDisplayOptions GetDisplayOptions() const override;
    QString GetDrawText(const TCellInfo& Cell) override;
    bool IsKeyValid(QChar Key) const override { return Key.unicode() > 32; }
    void BeginEditing() override;

private:
    int FMaxLength = 0;
    bool FMultiLine = false;
    QString FTextAfter;
    QString FTextBefore;
    QChar FPasswordChar;
};

class TGxIncrementColumn : public TGxCustomColumn {
    KORVEL_CLASS(TGxIncrementColumn, TGxCustomColumn)
public:
    explicit TGxIncrementColumn(TComponent* AOwner = nullptr);
    TColumnDisplayClass GetColumnDisplayClass() const override;
    TColumnStyle GetColumnStyle() const override { return {csFitToLargest, csTextFitHint}; }
    QString GetDrawText(const TCellInfo& Cell) override;
};

class TGxVirtualColumn : public TGxCustomColumn {
    KORVEL_CLASS(TGxVirtualColumn, TGxCustomColumn)
public:
    explicit TGxVirtualColumn(TComponent* AOwner = nullptr);
    void Assign(const TPersistent* Source) override;

    bool AutoExecute() const { return FAutoExecute; }
    void SetAutoExecute(bool Value) { FAutoExecute = Value; }
    const QString& TextAfter() const { return FTextAfter; }
    void SetTextAfter(const QString& Value) { FTextAfter = Value; }
    const QString& TextBefore() const { return FTextBefore; }
    void SetTextBefore(const QString& Value) { FTextBefore = Value; }
    TGetTextEvent OnGetText;
    TSetTextEvent OnSetText;

    TCellEditorClass GetCellEditorClass() const override;
    TColumnDisplayClass GetColumnDisplayClass() const override;
    TColumnStyle GetColumnStyle() const override { return {csCanEdit, csFitToLargest, csTextFitHint}; }
    QString GetDrawText(const TCellInfo& Cell) override;
    bool IsKeyValid(QChar Key) const override { return Key.unicode() > 32; }

    virtual void DoGetText(int ACol, int ARow, QString& Value);
    virtual void DoSetText(int ACol, int ARow, const QString& Value);

private:
    QString FTextAfter;
    QString FTextBefore;
    bool FAutoExecute = false;
};

// ---------------------------------------------------------------------------------------------
// The column list

class TGxColumns : public TComponent {
    KORVEL_CLASS(TGxColumns, TComponent)
public:
    // AOwner is the grid; it must implement TGxGridLink.
    explicit TGxColumns(TComponent* AOwner);
    ~TGxColumns() override;

    TGxGridLink* Grid() const { return FGrid; }
    int GetCount() const { return static_cast<int>(FItemsList.size()); }
    int Count() const { return GetCount(); }
    bool Empty() const { return FItemsList.empty(); }
    virtual TGxCustomColumn* GetItem(int Index) const;
    TGxCustomColumn* Item(int Index) const { return GetItem(Index); }
    TGxCustomColumn* GetPositionItem(int Index) const;
    TGxCustomColumn* PositionItem(int Index) const { return GetPositionItem(Index); }
    void SetPositionItem(int Index, TGxCustomColumn* Value);
    TGxCustomColumn* GetColumn(const QString& Value) const;
    TGxCustomColumn* Column(const QString& Value) const { return GetColumn(Value); }
    int IndexOf(const TGxCustomColumn* Column) const;
    int PositionOf(const TGxCustomColumn* Column) const;
    bool Exists(int Index) const { return Index >= 0 && Index < GetCount(); }

    int ClientWidth() const;
    TGxCustomColumn* First() const;
    TGxCustomColumn* Last() const;
    TGxCustomColumn* FirstEnabled() const;
    TGxCustomColumn* LastEnabled() const;
    int FixedCols() const { return FFixedCols; }
    void SetFixedCols(int Value);
    int FixedWidth() const { return FFixedWidth; }
    TGxCustomColumn* LastAdded() const { return FLastAdded; }
    int VisibleCount() const;

    TGxCustomColumn* Add(TGxColumnClass ColumnClass, const QString& ACaption = QString());
    TGxCustomColumn* Add(const TGxCustomColumn* Source);
    template <class T> T* Add(const QString& ACaption = QString()) {
        return static_cast<T*>(Add(T::StaticClassInfo(), ACaption));
    }
    void AddColumns(TGxColumnClass ColumnClass, int ACount);
    virtual void AddColumn(TGxCustomColumn* AColumn);
    TGxCustomColumn* Insert(TGxColumnClass ColumnClass, int Pos);
    void Delete(int Index);
    void Remove(TGxCustomColumn* Column);
    void Clear();
    void Move(int CurIndex, int NewIndex);
    void ChangePosition(int CurPosition, int NewPosition);
    TGxCustomColumn* Duplicate(int Index);
    void HideAll();
    QString UniqueName(const QString& BaseName) const;
    void UpdateColumn(TGxCustomColumn* AColumn, TGridArea GridArea);
    bool Clipped(const TGxCustomColumn* Column) const;

    void UpdateColumns(bool UpdatePosition);
    void ResizeColumns(TGxCustomColumn* Column, bool UseColumn);
    void AutoSizeSlides(int OldWidth, int NewWidth);
    void AnchorSlides(int OldWidth, int NewWidth);

    // A column read from a form: appended to the item list only (opAdd to the grid), then placed
    // in the display order when reading is done; a same-named column already placed takes over
    // the new one's properties instead.
    void AppendStreamed(TGxCustomColumn* AColumn);
    void PlaceStreamed(TGxCustomColumn* AColumn);

    // Whether the grid is being loaded from a form (layout work waits).
    bool IsGridLoading() const;
    bool IsGridDestroying() const;

    TColumnsChangeEvent OnChange;
    TColumnsChangeEvent OnRepaint;
    TColumnChangeEvent OnColumnChange;

    virtual void DoColumnChange(TGxCustomColumn* Column, TColumnChangeKind Kind, int Param);
    virtual void DoChange(TColumnsOperation Operation, int Value1, int Value2);
    virtual void DoRepaint(TColumnsOperation Operation, int Value1, int Value2);

private:
    TGxCustomColumn* CreateColumn(TGxColumnClass ColumnClass, TComponent* Owner);
    void InsertColumn(TGxCustomColumn* AColumn, int Pos);
    void FreeColumn(TGxCustomColumn* Column);

    TGxGridLink* FGrid = nullptr;
    int FFixedCols = 0;
    int FFixedWidth = 0;
    std::vector<TGxCustomColumn*> FItemsList;
    TGxCustomColumn* FLastAdded = nullptr;
    std::vector<TGxCustomColumn*> FPositionItemsList;
    bool FClearing = false;
};
