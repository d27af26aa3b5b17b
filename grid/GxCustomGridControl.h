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
#include "platform/sys/Registry.h"

#include <array>
#include <map>
#include <memory>
#include <optional>

#include <QRegion>

class TStream;

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
enum TSlideStateItem { stFocused, stSelected };
using TSlideState = TSet<TSlideStateItem>;
enum TMoveSelectionKey { mkUndefined, mkArrows, mkTab, mkEnter };
enum TResizeKind { rkShrink, rkExpansion };
enum TGxHtmlSaveSetting { hsAllRows, hsCreateStyleSheet, hsSaveHeaders, hsSaveFooter, hsSaveCaption };
using TGxHtmlSaveSettings = TSet<TGxHtmlSaveSetting>;
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

// Type information of the published enumerations and sets.
KORVEL_ENUM(TGridOption,
            "goArrowKeyExitEditing,goCanHideColumn,goDisableColumnMoving,goDisableKeys,goEscClearEdit,goFooter,"
            "goGrid,goHeader,goIndicator,goInput,goLockFixedCols,goMultiSelect,goRowResizing,goRowMoving,"
            "goSecondClickEdit,goSelectFullRow,goUseDefaultValues,goInplaceEditEvents")
KORVEL_ENUM(TAppearanceOption,
            "ao3DGridLines,aoAlphaBlendedSelection,aoBoldTextSelection,aoDontFillCells,aoHideFocus,"
            "aoHideSelection,aoHighlightSlideCells,aoHintMarks,aoIndicateSelectedCell,aoIndicateSortedColumn")
KORVEL_ENUM(TGridLinesStyle, "lsNormal,lsActiveHorzOnly,lsActiveRows,lsFramed,lsHorizontalOnly,lsVerticalOnly")
KORVEL_ENUM(TGridStyle, "gsReport,gsSlides")
KORVEL_ENUM(THeaderStyle, "hsAuto,hsFlatBorders,hsOffice2007,hsOffice2010,hsOldStyle,hsOutlook,hsVista")
KORVEL_ENUM(TSortedStyle, "soDefault,soDarker,soWhite")
KORVEL_ENUM(TSlideOption, "soFrame,soHideSelection")
KORVEL_ENUM(TInputEnterMode, "imAllways,imEditing")
KORVEL_ENUM(THomeEndBehaviour, "hebTopBottom,hebLeftRight")
KORVEL_ENUM(TSelectionMoveDirection, "mdNone,mdUp,mdDown,mdLeft,mdRight")

inline const TTypeInfo* TypeInfoOf(TGridOptions*) {
    static const TTypeInfo* info =
        TTypeInfo::SetOf(QStringLiteral("TGridOptions"), TypeInfoOf(static_cast<TGridOption*>(nullptr)));
    return info;
}
inline const TTypeInfo* TypeInfoOf(TAppearanceOptions*) {
    static const TTypeInfo* info = TTypeInfo::SetOf(QStringLiteral("TAppearanceOptions"),
                                                    TypeInfoOf(static_cast<TAppearanceOption*>(nullptr)));
    return info;
}
inline const TTypeInfo* TypeInfoOf(TSlideOptions*) {
    static const TTypeInfo* info =
        TTypeInfo::SetOf(QStringLiteral("TSlideOptions"), TypeInfoOf(static_cast<TSlideOption*>(nullptr)));
    return info;
}

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
using TCellEvent = std::function<void(TObject* Sender, int ACol, int ARow)>;
using THeaderClickEvent = std::function<void(TObject* Sender, int ACol)>;
using TColumnResizeEvent = TColumnEvent;
using TChangeEvent = TCellEvent;
using TLoadProgressEvent = TCellEvent;
using TAfterRowMoveEvent = std::function<void(TObject* Sender, int FromPos, int ToPos)>;
using TRowMoveEvent = std::function<void(TObject* Sender, int FromPos, int ToPos, bool& Accept)>;
using TApplyEditText = TApplyCellEvent;
using TEditTextEvent = TApplyCellEvent;
using TCellHintEvent = TApplyCellEvent;
using TBeforeEditEvent = std::function<void(TObject* Sender, int ACol, int ARow, bool& Accept)>;
using TCalculateRowEvent = std::function<void(TObject* Sender, int Index, bool& Accept)>;
using TSlideColoringEvent = std::function<void(TObject* Sender, int Index, TColor& SlideColor, TColor& GridColor,
                                               TSlideState SlideState)>;
using TMeasuringRowHeightEvent = std::function<void(TObject* Sender, int Index, int& RowHeight)>;
using TColumnFooterValueEvent = std::function<void(TObject* Sender, int ACol, double& Value)>;
using TFooterCalculateEvent = TColumnFooterValueEvent;
using TCustomDrawCellEvent = std::function<void(TObject* Sender, int ACol, int ARow, const TRect& CellRect,
                                                TCellState CellState)>;
using TCustomDrawIndicatorEvent = std::function<void(TObject* Sender, int Index, const TRect& IndicatorRect,
                                                     bool Selected, bool Highlighted)>;
using TDrawCellBackgroundEvent = std::function<void(TObject* Sender, int ACol, int ARow, const TRect& CellRect,
                                                    TCellState CellState, bool& DefaultDrawing)>;
using TEditAcceptEvent = std::function<void(TObject* Sender, int ACol, int ARow, const QString& Value, bool& Accept)>;
using TEditEvent = std::function<void(TObject* Sender, int ACol, int ARow, const QString& Value)>;
using TEndEditingEvent = std::function<void(TObject* Sender, int ACol, int ARow, QString& Value, bool& Accept)>;
using TInputAcceptEvent = std::function<void(TObject* Sender, bool& Accept)>;
// The grid's own before-scroll event (the scroll control's TScrollEvent reports a position).
using TGridScrollEvent = std::function<void(TObject* Sender, TScrollBarKind Kind, bool& Accept)>;
using TSelectionMoveEvent = std::function<void(TObject* Sender, int& ACol, int ARow, TMoveSelectionKey Key)>;
// Streaming callback: one call per child written with the grid.
using TGetChildProc = std::function<void(TComponent* Child)>;

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
    int GetCellHeight(int ACol, int ARow);
    void BestFitRow(int Index);
    void BestFitRow(int ARow, int ACol);

    // --- visible rows
    int GetNextVisibleRow(int Index) const;
    int GetPrevVisibleRow(int Index) const;
    int CountVisibleRows(int A, int B) const;
    int GetRowAtVisibleOffset(int N) const;
    // True, with that height, when every row is visible and RowHeight answers the same for each:
    // row positions are then arithmetic, and scrolling far need not visit the rows passed. The
    // default answers false; a descendant answers true only when it knows it for certain.
    virtual bool UniformRows(int& Height) const { return false; }

    // --- the grid's own virtual operations, in slot order. "Abstract" ones raise
    // EAbstractError unless a descendant answers them; TGxGrid answers all of them.
    virtual void DoRowsScrolled(int Distance) {}
    virtual void WriteEditingCell(const QString& Value);
    virtual bool CanEdit() { return true; }
    virtual bool CanSelectCell(int ACol, int ARow) { return true; }
    virtual bool PrepareCellPaint(int ACol, int ARow, TCellState CellState);
    virtual TColor GetCellColor(int ACol, int ARow);
    virtual void GetCellHint(int ACol, int ARow, QString& Hint) { DoCellHint(ACol, ARow, Hint); }
    virtual void GetCellInfo(int ACol, int ARow, TCellInfo& Info);                  // abstract
    virtual QString GetCells(int ACol, int ARow) = 0;
    // GetDrawText (slot 11) is declared with the grid link below.
    virtual int FirstVisibleRow() const;                                            // abstract
    virtual QString GetHintText(int ACol, int ARow);                                // abstract
    virtual int GetHorzOverflow() const;
    virtual int LastVisibleRow() const;                                             // abstract
    virtual int RowCount() const = 0;
    virtual int RowHeight(int Index) const { return FRowSize; }
    virtual int GetRowImageIndex(int Index) const { return -1; }
    virtual int GetRowLevel(int Index) const { return 0; }
    virtual bool RowVisible(int Index) const { return true; }
    virtual bool Selected(int Index) const = 0;
    virtual int GetSelectedCount() const;
    virtual int SelectedRow() const { return FSelectedRow; }
    // GetTextStr (slot 24) belongs to the layout and content files block.
    virtual int GetShownRowCount() const;
    virtual int GetVisibleRows() const;                                             // abstract
    virtual bool HidePartialRows() const { return false; }
    virtual void FormatCell(int ACol, int ARow, TCellState CellState, QString& Text) {}
    virtual void ColumnsChanged(TColumnsOperation Operation, int Value1, int Value2);
    virtual void ColumnChanged(TGxCustomColumn* Column, TColumnChangeKind Kind, int Param);
    virtual void ColumnsRepaint(TColumnsOperation Operation, int Value1, int Value2);
    virtual void DoCustomDrawFooter(int Index, const TRect& FooterRect);
    virtual void DoCustomDrawHeader(int Index, const TRect& HeaderRect);
    virtual void DrawCell(int ACol, int ARow, const TRect& CellRect);
    virtual void DrawIndicatorCell(int Index, bool Selected, bool Highlighted);
    virtual bool IsCellHidden(int ACol, int ARow);
    virtual void GridStyleChanged() {}
    virtual void PaintReport();
    virtual void PaintColumnParts();
    virtual void PaintRows();
    virtual void PaintSlidesView();
    virtual void PaintSlidesHeader();
    virtual void PaintSlides();
    virtual void EditorStarted() {}
    virtual void RowExporting(int Index) {}
    virtual void SetCells(int ACol, int ARow, const QString& Value) = 0;
    virtual void PrepareCellDisplay(int ACol, int ARow, TColumnDisplay* Display) {}
    virtual void AssignEditorEvents();
    virtual void SetRowHeight(int Index, int Value) { DoChangeRowHeight(Index, Value); }
    virtual void SetRowSize(int Value);
    virtual void SetRowVisible(int Index, bool Value);
    virtual void SetSelected(int Index, bool Value);                                // abstract
    virtual void SetSelectedRow(int Value);
    virtual void SortColumn(TGxCustomColumn* AColumn, bool Asending);
    virtual void UpdateHorzScrollBar();
    virtual void UpdateVertScrollBar();
    virtual bool ApplyEditing();
    // GetActualCellColor, GetActualCellFontColor (slots 58, 59) are declared with the grid link.
    virtual TRect GetCellRect(int ACol, int ARow);
    virtual int AddRow(int Count);                                                  // abstract
    virtual void AddRowFromInput();
    virtual void CalculateFooter(bool VisibleOnly);                                 // abstract
    virtual void ClearRows();
    virtual void ClearSelection();
    virtual void DeleteRow(int Index) { EndEditing(); }
    virtual void EndEditing();
    virtual void EditCell(int ACol, int ARow, const QString& AText);
    virtual void InsertRow(int Pos, int Count);
    virtual void MoveRow(int FromPos, int ToPos);
    virtual void MoveSelectionDown(TShiftState Shift, bool NextControl, bool SelectFirst);
    virtual void MoveSelectionUp(TShiftState Shift);
    virtual void RefreshCell(int ACol, int ARow);
    // RefreshColumn (slot 74) is declared with the grid link.
    virtual void RefreshColumnSlide(TGxCustomColumn*) { Invalidate(); }
    virtual void RevertStyle(int Index) {}
    virtual void SelectCell(int ACol, int ARow, TShiftState Shift, bool Deselect, bool AutoEdit);
    virtual void SelectFirstRow(TShiftState Shift);
    virtual void SelectLastRow(TShiftState Shift);
    virtual void SelectRange(int FromRow, int ToRow, bool Value);                   // abstract
    virtual void SwapRows(int FromPos, int ToPos);                                  // abstract

    // The grid's window has the focus, or its in-place editor has.
    virtual bool IsGridFocused() const;
    // Columns are streamed as the grid's children, in index order.
    void GetChildren(const TGetChildProc& Proc, TComponent* Root);
    void SetChildOrder(TComponent*, int) {}

    // --- run-time properties
    void SetRowCount(int Value);
    TPoint SelectedCell() const { return TPoint(FSelectedColumn, FSelectedRow); }
    void SetSelectedColumn(int Value);
    void SetEditingCell(TPoint Value) { EditCell(Value.X, Value.Y, QString()); }
    void SetMultiSelected() { FGridState.Include(gtMultiSelect); }
    TResizeKind VertResizeKind() const { return FVertResizeKind; }
    TPoint MouseDownCell() const { return FMouseDownCell; }

    // --- selection (the central operation is SelectCell above)
    void SelectFirstColumn();
    void SelectLastColumn();
    void SelectAll();
    void NoSelection();

    // --- movement, called by the keyboard handling
    void MoveSelectionLeft(TMoveSelectionKey Key);
    void MoveSelectionRight(TMoveSelectionKey Key);
    void MoveSelectionBy(int Distance);
    void MoveByRow(bool MoveDown, TShiftState Shift);
    void MoveToNextCell(bool TabKey);
    void MoveToPrevCell(bool TabKey);

    // --- scrolling
    void ScrollToRow(int Index);
    void ScrollToColumn(TGxCustomColumn* AColumn);
    int GetHorzScrollDelta(int OldPosition, int NewPosition) override;
    int GetVertScrollDelta(int OldPosition, int NewPosition) override;
    // The last row whose bottom still lies inside the body, walking visible rows from FirstRow.
    int LastFullyVisibleRow();
    // The row that sits at a vertical bar position (positions count visible rows).
    int RowOfScrollPosition() const;

    // --- editing
    void StartEdit(int ACol, int ARow, QChar Key);
    void InputColumn(TGxCustomColumn* Column, const QString& Value);
    void StartInput(int Index, QChar Key);
    void UpdateEditorPosition();
    bool InplaceEditUpdate() const { return FInplaceEditUpdate; }

    // --- layout and content files
    // The column layout (sort kind, visibility, sort flag, position, width) in INI sections
    // named by a fixed text followed by ID.
    void SaveToIni(const QString& FileName, const QString& ID);
    void LoadFromIni(const QString& FileName, const QString& ID);
    // The same layout in the settings store, under KeyName of the current user's hive.
    void SaveToRegistry(const QString& KeyName, const QString& ID, HKEY RootKey = HKEY_CURRENT_USER);
    void LoadFromRegistry(const QString& KeyName, const QString& ID);
    // The content as separated text: the separator first, then the rows.
    virtual QString GetTextStr(QChar Separator);
    void SetTextStr(const QString& Value, QChar Separator);
    void SaveToStream(TStream& Stream, QChar Separator);
    void LoadFromStream(TStream& Stream);
    void SaveToTextFile(const QString& FileName, QChar Separator, QChar MultiLineSeparator,
                        TEncodingKind EncodingKind);
    void LoadFromTextFile(const QString& FileName, QChar Separator, QChar MultiLineSeparator, int StartRow);
    void SaveToHtml(const QString& FileName, TGxHtmlSaveSettings SaveSettings);
    void SaveToXMLFile(const QString& FileName, TUniEncoding UniEncoding);

    // --- the cell lookup by names: "First", "Last", "Selected", a column name or a number
    QString CellsByName(const Variant& ACol, const Variant& ARow);
    void SetCellsByName(const Variant& ACol, const Variant& ARow, const QString& Value);

    // --- cell look
    TCellState GetCellState(int ACol, int ARow);
    TPoint EditingCell() const { return FEditingCell; }
    bool InputSelected() const { return FInputSelected; }
    void SetInputSelected(bool Value);
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

    // --- events, in declaration order
    TEditEvent OnAfterEdit;
    TAfterRowMoveEvent OnAfterRowMove;
    TColumnEvent OnAfterSort;
    TApplyCellEvent OnApplyCell;
    TApplyEditText OnApplyEditText;
    TBeforeEditEvent OnBeforeEdit;
    TGridScrollEvent OnBeforeScroll; // raised nowhere
    TBeforeEditEvent OnBeforeSelect;
    TCalculateRowEvent OnCalculateRow;
    TCellEvent OnCellClick;
    TCellColoringEvent OnCellColoring;
    TCellEvent OnCellDblClick;
    TCellHintEvent OnCellHint;
    TCellShowingEvent OnCellShowing;
    TChangeEvent OnChange;
    TChangeRowHeightEvent OnChangeRowHeight;
    TColumnFooterValueEvent OnColumnFooterValue;
    TColumnMoveEvent OnColumnMove;
    TColumnResizeEvent OnColumnResize;
    TCustomDrawCellEvent OnCustomDrawCell;
    TCustomDrawFooterEvent OnCustomDrawFooter;
    TCustomDrawHeaderEvent OnCustomDrawHeader;
    TCustomDrawIndicatorEvent OnCustomDrawIndicator;
    TDataChangeEvent OnDataChange;
    TCellEvent OnDeselectCell;
    TDrawCellBackgroundEvent OnDrawCellBackground;
    TEditEvent OnEdit;
    TEditAcceptEvent OnEditAccept;
    TNotifyEvent OnEditEnter;
    TNotifyEvent OnEditExit;
    TEditTextEvent OnEditText;
    TEndEditingEvent OnEndEditing;
    TFooterCalculateEvent OnFooterCalculate;
    THeaderClickEvent OnFooterClick;
    THeaderClickEvent OnHeaderClick;
    THeaderClickEvent OnHeaderDblClick;
    TInputAcceptEvent OnInputAccept;
    TNotifyEvent OnInputAdded;
    TColumnEvent OnInputSelectCell;
    // OnMouseEnter and OnMouseLeave are the control's own.
    TLoadProgressEvent OnLoadProgress;
    TMeasuringRowHeightEvent OnMeasuringRowHeight;
    TNotifyEvent OnPostDraw;
    TRowMoveEvent OnRowMove;
    TCellEvent OnSelectCell;
    TColumnEvent OnSlideChange;
    TSlideColoringEvent OnSlideColoring;
    TSortColumnEvent OnSortColumn;
    TSelectionMoveEvent OnSelectionMove;

    // --- dispatchers: each raises its event only when a handler is set
    virtual void DoAfterEdit(int ACol, int ARow, const QString& Value);
    virtual void DoAfterRowMove(int FromPos, int ToPos);
    virtual void DoAfterSort(int ACol);
    virtual void DoApplyCell(int ACol, int ARow, QString& Value);
    virtual void DoApplyEditText(int ACol, int ARow, QString& Value);
    virtual void DoBeforeEdit(int ACol, int ARow, bool& Accept);
    virtual void DoBeforeSelect(int ACol, int ARow, bool& Accept);
    bool DoCalculateRow(int Index);
    virtual void DoCellClick(int ACol, int ARow);
    virtual void DoCellColoring(int ACol, int ARow, TColor& CellColor, TColor& GridColor, TCellState CellState);
    virtual void DoCellDblClick(int ACol, int ARow);
    virtual void DoCellHint(int ACol, int ARow, QString& Value);
    virtual void DoCellShowing(int ACol, int ARow, bool& Showing);
    virtual void DoChange(int ACol, int ARow);
    virtual void DoChangeRowHeight(int Index, int Height);
    virtual void DoColumnFooterValue(int ACol, double& Value);
    virtual void DoColumnMove(int ACol, int FromPos, int ToPos);
    virtual void DoColumnResize(int ACol);
    virtual void DoCustomDrawCell(int ACol, int ARow, const TRect& CellRect, TCellState CellState);
    virtual void DoCustomDrawIndicator(int Index, const TRect& IndicatorRect, bool Selected, bool Highlighted);
    virtual void DoDataChange(TDataChange AChangeType, int AIndex);
    virtual void DoDeselectCell(int ACol, int ARow);
    virtual void DoDrawCellBackground(int ACol, int ARow, const TRect& CellRect, TCellState CellState,
                                      bool& DefaultDrawing);
    virtual void DoEdit(int ACol, int ARow, const QString& Value);
    virtual void DoEditAccept(int ACol, int ARow, const QString& Value, bool& Accept);
    virtual void DoEditEnter();
    virtual void DoEditExit();
    virtual void DoEditText(int ACol, int ARow, QString& Value);
    virtual void DoEndEditing(int ACol, int ARow, QString& Value, bool& Accept);
    virtual void DoFooterCalculate(int ACol, double& Value);
    virtual void DoFooterClick(int ACol);
    virtual void DoHeaderClick(int ACol);
    virtual void DoHeaderDblClick(int ACol);
    virtual void DoInputAccept(bool& Accept);
    virtual void DoInputAdded();
    virtual void DoInputSelectCell(int ACol);
    virtual void DoLoadProgress(int ACol, int ARow);
    virtual void DoMeasuringRowHeight(int Index, int& RowHeight);
    virtual void DoPostDraw();
    bool DoRowMove(int FromPos, int ToPos);
    virtual void DoSelectCell(int ACol, int ARow);
    virtual void DoSlideChange(int ACol);
    virtual void DoSlideColoring(int Index, TColor& SlideColor, TColor& GridColor, TSlideState SlideState);
    virtual void DoSortColumn(int ACol, bool Ascending);
    virtual void DoSelectionMove(int& ACol, int ARow, TMoveSelectionKey Key);

    // --- rows and sorting
    void Resort();
    void ResetView();
    void SetSelectedCellSilently(int ACol, int ARow);
    TGxCustomColumn* SortedColumn() const { return FSortedColumn; }

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
    int GetActualRowHeight(int Index) { return FGridStyle == gsSlides ? FSlideSize : RowHeight(Index); }
    int GetVisibleCount(bool Expand);
    int LastRowInView();
    bool CellBounds(int ACol, int ARow) const;
    bool RowExist(int Index) const;
    bool IsRowInView(int Index);
    int GetFixedWidth() const { return FColumns->FixedWidth(); }

    // --- refreshes (each only invalidates)
    void RefreshArea(TGridArea Area);
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

    // --- painting steps
    // Moves the left edge right by GridSpace[lpLeft] and the right edge left by GridSpace[lpRight].
    void ExcludeGrid(TRect& CellRect) const;
    void DrawEmptyCell(int ACol, int ARow, const TRect& CellRect);
    void DrawCellGrid(int ACol, int ARow, TColor GridColor, const TRect& R);
    void ClipToCell(const TRect& R);
    void DrawFocusRectangle();
    void DrawSlideCaption(int ACol, int ARow);
    void PaintHeaderStrip();
    void DrawBorder();
    void ScrollColumnsBy(TGxCustomColumn* Column, int Dx, bool HeaderOnly);

protected:
    void Paint() override;
    void PaintNonClient(QPainter& painter) override;
    // Visual styles are present and the header style follows them.
    bool Themed() const;
    void RestoreClip();
    void PreparePainter();
    // The column at Position is painted in the row loops; Left receives its scrolled left edge.
    bool ColumnShown(int Position, int& Left);
    TRect ScrollingClip(TGxCustomColumn* Column, TRect R);
    // The in-place editor's events, forwarded to the grid.
    // Takes the column's editor (or the one the application gave it) for a body or input cell.
    void AttachEditor(TGxCustomColumn* Column, int ACol, int ARow, bool Input);
    // Ends any other edit and opens the cell's editor; null when the cell cannot be edited now.
    TGxCustomColumn* OpenCellEditor(int ACol, int ARow);
    void DetachEditorEvents();
    void EditorChanged();
    void EditorFocusChanged();
    void EditorExited();
    void EditorKeyDown(Word& Key, TShiftState Shift);
    void EditorKeyPress(QChar& Key) { KeyPress(Key); }
    void EditorKeyUp(Word& Key, TShiftState Shift) { KeyUp(Key, Shift); }
    void RepositionEditor() {
        if (FGridState.Contains(gtEdit) || FGridState.Contains(gtInput)) UpdateEditorPosition();
    }
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
    int FFromSelected = -1;
    int FFirstVisibleRow = 0;
    int FLastVisibleRow = 0;
    TPoint FMouseDownCell{0, 0};
    bool FInplaceEditUpdate = false;
    TResizeKind FVertResizeKind = rkShrink;
    std::optional<QRegion> FPaintClip;
    bool FEditorEventsAssigned = false;
    // Between entering the grid and leaving it; focus moving between the grid and its own editor
    // is no new visit.
    bool FVisiting = false;

protected:
    // Resolves a row or column given by name; raises naming the grid on failure.
    int RowOfName(const Variant& ARow) const;
    int ColumnOfName(const Variant& ACol) const;

private:
    // Left and right moves: the column the key leads to, or nothing at the row's end.
    void MoveSelectionToColumn(TGxCustomColumn* Target, TMoveSelectionKey Key);
};
