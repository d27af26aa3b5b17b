#pragma once
// The abstract base of the grids: look and behaviour settings, the header painters, the column
// list, the geometry of every area, row and cell, and exact refreshes. Rows and cells come from a
// descendant through the abstract operations.

#include "grid/GxColumns.h"
#include "grid/GxDisplays.h"
#include "grid/GxEdit.h"
#include "grid/GxGridCommon.h"
#include "grid/GxScrollControl.h"
#include "platform/rtl/Variant.h"

#include <array>
#include <map>
#include <memory>

enum TGridOption {
    goArrowKeyExitEditing,
    goCanHideColumn,
    goDisableColumnMoving,
    goDisableKeys,
    goEscClearEdit,
    goFooter,
    goGrid,
    goHeader,
    goIndicator,
    goInput,
    goLockFixedCols,
    goMultiSelect,
    goRowResizing,
    goRowMoving,
    goSecondClickEdit,
    goSelectFullRow,
    goUseDefaultValues,
    goInplaceEditEvents
};
using TGridOptions = TSet<TGridOption>;

enum TAppearanceOption {
    ao3DGridLines,
    aoAlphaBlendedSelection,
    aoBoldTextSelection,
    aoDontFillCells,
    aoHideFocus,
    aoHideSelection,
    aoHighlightSlideCells,
    aoHintMarks,
    aoIndicateSelectedCell,
    aoIndicateSortedColumn
};
using TAppearanceOptions = TSet<TAppearanceOption>;

enum TGridLinesStyle { lsNormal, lsActiveHorzOnly, lsActiveRows, lsFramed, lsHorizontalOnly, lsVerticalOnly };
enum TGridLinePosition { lpLeft, lpTop, lpRight, lpBottom, lpTopBottom };
enum TGridStyle { gsReport, gsSlides };
enum THeaderStyle { hsAuto, hsFlatBorders, hsOffice2007, hsOffice2010, hsOldStyle, hsOutlook, hsVista };
enum TSortedStyle { soDefault, soDarker, soWhite };
enum TBestFitMode { bfBoth, bfCells, bfHeader };
enum TSlideOption { soFrame, soHideSelection };
using TSlideOptions = TSet<TSlideOption>;
enum TInputEnterMode { imAllways, imEditing };
enum THomeEndBehaviour { hebTopBottom, hebLeftRight };
enum TSelectionMoveDirection { mdNone, mdUp, mdDown, mdLeft, mdRight };
enum TCellStateItem { csBoldTextSelection, csEmpty, csFocused, csSelected };
using TCellState = TSet<TCellStateItem>;
enum TGridStateItem {
    gtColumnResizing,
    gtColumnHeaderDown,
    gtColumnMoving,
    gtEdit,
    gtEditorMoving,
    gtIndicatorMouseDown,
    gtInput,
    gtMultiSelect,
    gtRolling,
    gtRowMoving,
    gtHorzScrolling,
    gtUpdating
};
using TGridState = TSet<TGridStateItem>;

constexpr int kIndicatorWidth = 12;

// What the grid draws over its content (guide lines while dragging, the focus rectangle, the
// border): kept as state and painted at the end of each paint, never drawn outside one.
enum TOverlayKind { okLine, okFocusRect, okFrame };
struct TGridOverlay {
    TOverlayKind Kind = okLine;
    TRect Rect;      // a line runs from (Left, Top) to (Right, Bottom)
    TColor Colour = clBlack;
    int Width = 1;
};

enum TDataChange {
    dcAddColumn,
    dcAddChildRow,
    dcAddRow,
    dcInsertColumn,
    dcInsertRow,
    dcDeleteColumn,
    dcDeleteRow,
    dcClearRows
};

using TColumnEvent = std::function<void(TObject* Sender, int ACol)>;
using TColumnMoveEvent = std::function<void(TObject* Sender, int ACol, int FromPos, int ToPos)>;
using TChangeRowHeightEvent = std::function<void(TObject* Sender, int Index, int Height)>;
using TCellShowingEvent = std::function<void(TObject* Sender, int ACol, int ARow, bool& Showing)>;
using TCustomDrawHeaderEvent = std::function<void(TObject* Sender, int Index, const TRect& HeaderRect)>;
using TCustomDrawFooterEvent = std::function<void(TObject* Sender, int Index, const TRect& FooterRect)>;
using TSortColumnEvent = std::function<void(TObject* Sender, int ACol, bool Ascending)>;
using TDataChangeEvent = std::function<void(TObject* Sender, TDataChange AChangeType, int AIndex)>;
using TApplyCellEvent = std::function<void(TObject* Sender, int ACol, int ARow, QString& Value)>;
using TCellColoringEvent = std::function<void(TObject* Sender, int ACol, int ARow, TColor& CellColor,
                                              TColor& GridColor, TCellState CellState)>;

class TGxCustomGridControl : public TGxScrollControl, public TGxGridLink {
    KORVEL_CLASS(TGxCustomGridControl, TGxScrollControl)
public:
    explicit TGxCustomGridControl(TComponent* AOwner);
    ~TGxCustomGridControl() override;

    // --- settings
    TAppearanceOptions AppearanceOptions() const { return FAppearanceOptions; }
    void SetAppearanceOptions(const TAppearanceOptions& Value);
    const QString& Caption() const { return FCaption; }
    void SetCaption(const QString& Value);
    TGxColumns* Columns() const { return FColumns; }
    int FixedCols() const { return FFixedCols; }
    void SetFixedCols(int Value);
    int FooterSize() const { return FFooterSize; }
    void SetFooterSize(int Value);
    TColor GridLinesColor() const { return FGridLinesColor; }
    void SetGridLinesColor(TColor Value);
    TGridLinesStyle GridLinesStyle() const { return FGridLinesStyle; }
    void SetGridLinesStyle(TGridLinesStyle Value);
    TGridStyle GridStyle() const { return FGridStyle; }
    void SetGridStyle(TGridStyle Value);
    int HeaderSize() const { return FHeaderSize; }
    void SetHeaderSize(int Value);
    THeaderStyle HeaderStyle() const { return FHeaderStyle; }
    void SetHeaderStyle(THeaderStyle Value);
    int InputSize() const { return FInputSize; }
    void SetInputSize(int Value);
    TGridOptions Options() const { return FOptions; }
    void SetOptions(const TGridOptions& Value);
    int RowSize() const { return FRowSize; }
    virtual void SetRowSize(int Value);
    int SlideSize() const { return FSlideSize; }
    void SetSlideSize(int Value);
    TColor SelectionColor() const { return FSelectionColor; }
    void SetSelectionColor(TColor Value) { FSelectionColor = Value; }
    const QString& Version() const { return FVersion; }
    void SetVersion(const QString&) { FVersion = QStringLiteral("5.9.9"); }
    TStyleDisplay* CurrentStyleDisplay() const { return FCurrentStyleDisplay; }
    int GridSpace(TGridLinePosition Position) const { return FGridSpace[Position]; }
    TGridState GridState() const { return FGridState; }
    int FirstRow() const { return FFirstRow; }
    void SetFirstRow(int Value) { FFirstRow = Value; }
    int LastRow() const { return FLastRow; }
    int SelectedRow() const { return FSelectedRow; }
    int UpdateCount() const { return FUpdateCount; }

    bool AutoScroll() const { return FAutoScroll; }
    void SetAutoScroll(bool Value) { FAutoScroll = Value; }
    bool EnableVisualStyles() const { return FEnableVisualStyles; }
    void SetEnableVisualStyles(bool Value);
    bool HideScrollBar() const { return FHideScrollBar; }
    void SetHideScrollBar(bool Value);
    THomeEndBehaviour HomeEndBehaviour() const { return FHomeEndBehaviour; }
    void SetHomeEndBehaviour(THomeEndBehaviour Value) { FHomeEndBehaviour = Value; }
    TDrawingOptions IndicatorDrawingOptions() const { return FIndicatorDrawingOptions; }
    void SetIndicatorDrawingOptions(TDrawingOptions Value);
    TInputEnterMode InputEnterMode() const { return FInputEnterMode; }
    void SetInputEnterMode(TInputEnterMode Value) { FInputEnterMode = Value; }
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value) { FReadOnly = Value; }
    TSelectionMoveDirection SelectionMoveDirection() const { return FSelectionMoveDirection; }
    void SetSelectionMoveDirection(TSelectionMoveDirection Value) { FSelectionMoveDirection = Value; }
    TSlideOptions SlidesOptions() const { return FSlideOptions; }
    void SetSlidesOptions(const TSlideOptions& Value);
    TColor SlideSelectionColor() const { return FSlideSelectionColor; }
    void SetSlideSelectionColor(TColor Value);
    TColor SlideCaptionColor() const { return FSlideCaptionColor; }
    void SetSlideCaptionColor(TColor Value);
    TSortedStyle SortedStyle() const { return FSortedStyle; }
    void SetSortedStyle(TSortedStyle Value);
    bool TabLeaveControl() const { return FTabLeaveControl; }
    void SetTabLeaveControl(bool Value) { FTabLeaveControl = Value; }
    bool WantReturns() const { return FWantReturns; }
    void SetWantReturns(bool Value) { FWantReturns = Value; }
    bool WantTabs() const { return FWantTabs; }
    void SetWantTabs(bool Value) { FWantTabs = Value; }
    bool MultiSelect() const { return FOptions.Contains(goMultiSelect) && FOptions.Contains(goSelectFullRow); }
    bool Editing() const { return FGridState.Contains(gtEdit); }

    // --- best fit
    void BestFitColumn(int Index, TBestFitMode BestFitMode, bool OnlyVisible);
    void BestFitColumns(TBestFitMode BestFitMode, bool OnlyVisible);
    virtual void FormatCell(int ACol, int ARow, TCellState CellState, QString& Text) {}
    virtual int GetRowLevel(int Index) const { return 0; }
    int GetCellHeight(int ACol, int ARow);
    void BestFitRow(int Index);
    void BestFitRow(int ARow, int ACol);

    // --- visible rows
    int GetNextVisibleRow(int Index) const;
    int GetPrevVisibleRow(int Index) const;
    int CountVisibleRows(int A, int B) const;
    int GetRowAtVisibleOffset(int N) const;

    // --- rows, from the descendant
    virtual int RowCount() const = 0;
    virtual QString GetCells(int ACol, int ARow) = 0;
    virtual void SetCells(int ACol, int ARow, const QString& Value) = 0;
    virtual bool Selected(int Index) const = 0;
    virtual TColor GetCellColor(int ACol, int ARow);
    // The grid's window has the focus, or its in-place editor has.
    virtual bool IsGridFocused() const;

    // --- cells by names: "First", "Last", "Selected", a column name or a number
    QString CellsByName(const Variant& ACol, const Variant& ARow);
    void SetCellsByName(const Variant& ACol, const Variant& ARow, const QString& Value);

    // --- cell look
    TCellState GetCellState(int ACol, int ARow);
    TPoint EditingCell() const { return FEditingCell; }
    bool InputSelected() const { return FInputSelected; }
    void SetInputSelected(bool Value) { FInputSelected = Value; }
    TColor InactiveSelectionColor() const { return FInactiveSelectionColor; }
    void SetInactiveSelectionColor(TColor Value);
    TColor HighlightedTextColor() const { return FHighlightedTextColor; }
    void SetHighlightedTextColor(TColor Value) {
        FHighlightedTextColor = Value;
        RefreshSelection();
    }
    int InputingColumn() const { return FInputingColumn; }
    TGxCustomEdit* InplaceEdit() const { return FInplaceEdit; }
    // The editor belongs to its column; the grid only hosts it.
    void SetInplaceEdit(TGxCustomEdit* Value);
    TCellColoringEvent OnCellColoring;
    TApplyCellEvent OnApplyCell;
    TCellShowingEvent OnCellShowing;
    TChangeRowHeightEvent OnChangeRowHeight;
    TColumnMoveEvent OnColumnMove;
    TColumnEvent OnColumnResize;
    TCustomDrawFooterEvent OnCustomDrawFooter;
    TCustomDrawHeaderEvent OnCustomDrawHeader;
    TDataChangeEvent OnDataChange;
    TNotifyEvent OnPostDraw;
    TColumnEvent OnSlideChange;
    TSortColumnEvent OnSortColumn;

    // --- rows and sorting
    virtual void SetRowHeight(int Index, int Value) { DoChangeRowHeight(Index, Value); }
    int GetSelectedCount() const;
    int GetHorzOverflow() const;
    bool IsCellHidden(int ACol, int ARow);
    virtual void SortColumn(TGxCustomColumn* AColumn, bool Asending);
    void Resort();
    void ResetView();
    void SetSelectedCellSilently(int ACol, int ARow);
    virtual void ClearRows();
    TGxCustomColumn* SortedColumn() const { return FSortedColumn; }

    // --- column-list notifications
    virtual void ColumnsChanged(TColumnsOperation Operation, int Value1, int Value2);
    virtual void ColumnChanged(TGxCustomColumn* Column, TColumnChangeKind Kind, int Param);
    virtual void ColumnsRepaint(TColumnsOperation Operation, int Value1, int Value2);
    virtual void GridStyleChanged() {}
    virtual void RevertStyle(int Index) {}
    void RefreshColumnSlide(TGxCustomColumn*) { Invalidate(); }
    // Selection, editing and scroll ranges live in the grid's selection layer; the base keeps
    // these as overridable hooks that do nothing.
    virtual void EndEditing() {}
    virtual bool ApplyEditing() { return true; }
    virtual void UpdateHorzScrollBar() {}
    virtual void UpdateVertScrollBar() {}

    virtual void DoCustomDrawFooter(int Index, const TRect& FooterRect);
    virtual void DoCustomDrawHeader(int Index, const TRect& HeaderRect);
    virtual void DoChangeRowHeight(int Index, int Height);
    virtual void DoColumnMove(int ACol, int FromPos, int ToPos);
    virtual void DoColumnResize(int ACol);
    virtual void DoDataChange(TDataChange AChangeType, int AIndex);
    virtual void DoSlideChange(int ACol);
    virtual void DoSortColumn(int ACol, bool Ascending);
    virtual int RowHeight(int Index) const { return FRowSize; }
    virtual bool RowVisible(int Index) const { return true; }

    // --- update bracketing
    void BeginUpdate();
    void EndUpdate();
    bool IsUpdating() const { return FUpdateCount > 0; }

    // --- geometry
    int IndicatorWidth() const { return FOptions.Contains(goIndicator) ? kIndicatorWidth : 0; }
    int InnerWidthValue() const;
    TRect GetIndicatorRect();
    TRect GetScrollRect();
    TRect GetInputCellRect(int ACol);
    TRect GetCaptionRect();
    int GetRowTop(int Index);
    TRect GetRowRect(int Index);
    int GetSlideTop(int Index);
    TRect GetSlideRect(int Index);
    TRect GetCellRect(int ACol, int ARow);
    int GetActualRowHeight(int Index) { return FGridStyle == gsSlides ? FSlideSize : RowHeight(Index); }
    int GetVisibleCount(bool Expand);
    int LastRowInView();
    bool CellBounds(int ACol, int ARow) const;
    bool RowExist(int Index) const;
    bool IsRowInView(int Index);
    int GetFixedWidth() const { return FColumns->FixedWidth(); }

    // --- refreshes (each only invalidates)
    void RefreshArea(TGridArea Area);
    void RefreshCell(int ACol, int ARow);
    void RefreshRow(int Index, bool BorderOnly);
    void RefreshRowGrid(int Index);
    void RefreshSlide(int Index, bool BorderOnly);
    void RefreshRange(int FromPos, int ToPos);
    void RefreshIndicator(int Index);
    void RefreshRowsFrom(int Index, int Count);
    void RefreshSelection();
    void RefreshSelectedSlides();
    TRect GetEditorRect();
    TRect GetFixedColumnsRect();
    int GetCellTop(int ACol, int Index);
    virtual void InvalidateArea(const TRect& Rect);

    // --- overlays; showing, moving or hiding one invalidates where it was and where it goes
    void ShowOverlay(int Id, const TGridOverlay& Overlay);
    void HideOverlay(int Id);
    bool HasOverlay(int Id) const { return FOverlays.count(Id) != 0; }
    void PaintOverlays(TCanvas& ACanvas) const;
    static TRect OverlayBounds(const TGridOverlay& Overlay);

    // --- TGxGridLink
    TComponent* GridComponent() override { return this; }
    TGxColumns* GridColumns() override { return FColumns; }
    TColor GridColor() const override { return Color(); }
    TCursor GridCursor() const override { return Cursor(); }
    const TFont* GridFont() const override { return Font(); }
    bool GridShowsIndicator() const override { return FOptions.Contains(goIndicator); }
    int GridHorzScrollPos() const override { return HorzScrollBar()->Position(); }
    int GridClientHeight() const override { return ClientHeight(); }
    int GridHeaderSize() const override { return FHeaderSize; }
    int InnerWidth() const override { return InnerWidthValue(); }
    TRect GetBodyRect() override;
    TRect GetHeaderRect() override;
    TRect GetFooterRect() override;
    TRect GetInputRect() override;
    TGxCustomColumn* FocusedColumn() const override { return FFocusedColumn; }
    TGxCustomColumn* HoverColumn() const override { return FHoverColumn; }
    int SelectedColumn() const override { return FSelectedColumn; }
    void RefreshColumn(TGxCustomColumn* Column, TGridArea Area) override;
    void SetOnUpdateColumns(TNotifyEvent Handler) override { OnUpdateColumns = std::move(Handler); }
    TColor GetActualCellColor(int ACol, int ARow) override;
    TColor GetActualCellFontColor(int ACol, int ARow) override;
    QString GetDrawText(int ACol, int ARow) override { return GetCells(ACol, ARow); }
    bool IsCellHighlighted(int ACol, int ARow) override;

    TNotifyEvent OnUpdateColumns;

protected:
    void UpdateGridSpace();
    void DoEnter() override;
    void DoExit() override;
    void ChooseStyleDisplay();
    int HPos() const { return HorzScrollBar()->Position(); }
    int InputBand() const { return FInputSize + 6 + FGridSpace[lpBottom]; }
    int FooterBand() const { return FFooterSize + 4 + FGridSpace[lpBottom]; }

    TAppearanceOptions FAppearanceOptions{aoHideSelection, aoHighlightSlideCells};
    QString FCaption;
    TStyleDisplay* FCurrentStyleDisplay = nullptr;
    std::unique_ptr<TStyleDisplay> FDefaultStyleDisplay;
    std::unique_ptr<TStyleDisplay> FFlatStyleDisplay;
    std::unique_ptr<TStyleDisplay> FOffice2007StyleDisplay;
    std::unique_ptr<TStyleDisplay> FOffice2010StyleDisplay;
    std::unique_ptr<TStyleDisplay> FOldStyleDisplay;
    std::unique_ptr<TStyleDisplay> FOutlookStyleDisplay;
    std::unique_ptr<TStyleDisplay> FVistaStyleDisplay;
    int FFixedCols = 0;
    int FFooterSize = 18;
    TColor FGridLinesColor = clBtnFace;
    TGridLinesStyle FGridLinesStyle = lsNormal;
    std::array<int, 5> FGridSpace{0, 0, 0, 0, 0};
    TGridStyle FGridStyle = gsReport;
    int FHeaderSize = 18;
    THeaderStyle FHeaderStyle = hsAuto;
    int FInputSize = 16;
    TGridOptions FOptions{goHeader};
    int FRowSize = 16;
    int FSelectedColumn = 0;
    TColor FSelectionColor = clHighlight;
    int FSlideSize = 80;
    int FUpdateCount = 0;
    QString FVersion = QStringLiteral("5.9.9");
    TGxColumns* FColumns = nullptr;
    int FFirstRow = 0;
    TGxCustomColumn* FFocusedColumn = nullptr;
    TGridState FGridState;
    TGxCustomColumn* FHoverColumn = nullptr;
    int FLastRow = 0;
    int FSelectedRow = -1;
    TPoint FEditingCell{-1, -1};
    bool FInputSelected = false;
    TColor FInactiveSelectionColor = clBtnFace;
    TColor FHighlightedTextColor = clHighlightText;
    TGxCustomColumn* FSortedColumn = nullptr;
    int FInputingColumn = -1;
    TGxCustomEdit* FInplaceEdit = nullptr;
    std::map<int, TGridOverlay> FOverlays;
    bool FAutoScroll = false;
    bool FEnableVisualStyles = true;
    bool FHideScrollBar = true;
    THomeEndBehaviour FHomeEndBehaviour = hebTopBottom;
    TDrawingOptions FIndicatorDrawingOptions = doNormal;
    TInputEnterMode FInputEnterMode = imEditing;
    bool FReadOnly = false;
    TSelectionMoveDirection FSelectionMoveDirection = mdDown;
    TSlideOptions FSlideOptions{soFrame, soHideSelection};
    TColor FSlideSelectionColor = clWindow;
    TColor FSlideCaptionColor = clGrayText;
    TSortedStyle FSortedStyle = soDefault;
    bool FTabLeaveControl = true;
    bool FWantReturns = false;
    bool FWantTabs = false;

private:
    // Resolves a row or column given by name; raises naming the grid on failure.
    int RowOfName(const Variant& ARow) const;
    int ColumnOfName(const Variant& ACol) const;
};
