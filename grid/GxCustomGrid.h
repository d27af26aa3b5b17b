#pragma once
// The interactive layer of the grids: mouse (header clicks, column and row sizing and moving,
// selection, editing by clicks, hover, hints, the wheel) and keyboard (navigation, editing keys,
// type-ahead search) and the window notifications. Rows and cells still come from a descendant.

#include "grid/GxColumnDragBox.h"
#include "grid/GxCustomGridControl.h"
#include "grid/GxFlyoutControl.h"

#include <memory>
#include <vector>

class THintWindow;
class TTimer;

enum THintPosition { hpNone, hpFooter, hpHeader, hpTextFit, hpCellHint };
enum TSearchOption { soCaseInsensitive, soContinueFromTop, soFromSelected, soSearchInvisible, soExactMatch };
using TSearchOptions = TSet<TSearchOption>;

// Cursor numbers the grid registers in the screen's cursor list.
constexpr TCursor crHorzSplit = 3000;
constexpr TCursor crColumnNoDrag = 3001;
constexpr TCursor crVertSplit = 3003;
constexpr TCursor crIndicatorSelect = 3006;

class TGxCustomGrid : public TGxCustomGridControl {
    KORVEL_CLASS(TGxCustomGrid, TGxCustomGridControl)
public:
    explicit TGxCustomGrid(TComponent* AOwner);
    ~TGxCustomGrid() override;

    // --- virtual operations of this layer, in slot order
    virtual bool PrepareCellPlay(int ACol, int ARow, bool FireBeforeEdit, const TRect& CellRect);
    // Fills the play object's level and value from the cell; the concrete grid answers it.
    virtual void LoadCellPlay(TColumnPlay* Play);
    virtual void CellPlayChange(TObject* Sender) {}
    virtual void CellPlayExpand(TObject* Sender) {}
    virtual void ClickOutside() {}
    virtual void HandleKeyDown(Word& Key, TShiftState Shift);
    virtual void CreateHintWindow();

    // --- hit tests, in client coordinates
    TGridArea GetGridAreaAtPos(const TPoint& Point);
    TGxCustomColumn* GetColumnAtPos(const TPoint& Point);
    TGxCustomColumn* GetColumnSizeGripAtPos(int X, int Y);
    int GetRowAtPos(int X, int Y);
    int GetRowAtPos(int Y);
    int GetRowSizeGripAtPos(int X, int Y);
    int GetSlideAtPos(int X, int Y);
    TPoint GetCellAtPos(const TPoint& APoint);
    int GetNearestPosition(TGxCustomColumn* Column, const TPoint& Point);
    int GetNearestRow(int X, int Y);
    bool IsTextFit(int ACol, int ARow);

    // --- hints and drop arrows
    void ShowColumnHint(int X, int Y, const QString& Text);
    void ShowTextFitHint(int ACol, int ARow);
    void ShowCellHint(int ACol, int ARow, const QString& Text);
    void HideHint();
    void HideArrows();
    void UpdateArrows(int CurPosition, int NewPosition, bool UseSelf);
    void DragCanceled();
    TComponent* GetChildOwner() { return nullptr; }

    // --- column dragging, called by the drag box with screen coordinates
    void ColumnDragBoxMove(TObject* Sender, int X, int Y);
    void ColumnDragBoxDrop(TObject* Sender, int X, int Y);

    // --- row move marker
    void DrawRowMoveMarker(int Index);
    void EraseRowMoveMarker();

    // --- search
    bool FindText(int Index, const QString& S, TSearchOptions Options);
    bool FindTextByRow(const std::vector<int>& Columns, TSearchOptions Options, const QString& S);
    bool SearchNext(int Index, const QString& S, bool FromFirst);
    bool SearchRow(const QString& S);
    TGxCustomColumn* GetSearchColumn() const;
    void SearchTimerTick(TObject* Sender);
    void SelectKeyRange(TShiftState Shift, int From, int To);

    // --- gestures: a pan moves both bars by the distance from the previous pan event
    void PanGesture(const TPoint& Location, bool Begin);

    // --- state, read by the descendants and tests
    int LastFoundRow() const { return FLastFoundRow; }
    const QString& SearchBuffer() const { return FSearchBuffer; }
    TTimer* SearchTimer() const { return FSearchTimer.get(); }
    THintPosition HintPosition() const { return FHintPosition; }
    THintWindow* HintWindow() const { return FHintWindow; }
    TPoint HoverCell() const { return FHoverCell; }
    TPoint MouseDownPoint() const { return FMouseDownPoint; }
    int MouseDownRow() const { return FMouseDownRow; }
    int MoveRowPosition() const { return FMoveRow; }
    int ResizingRow() const { return FResizingRow; }
    TPoint RowSizingPos() const { return FRowSizingPos; }
    int SizeDelta() const { return FSizeDelta; }
    int LeftResizingGuide() const { return FLeftResizingGuide; }
    int RightResizingGuide() const { return FRightResizingGuide; }
    TGxCustomColumn* SizeProgressColumn() const { return FSizeProgressColumn; }
    TGxCustomColumn* SizeReadyColumn() const { return FSizeReadyColumn; }
    TGxCustomColumn* MouseDownColumn() const { return FMouseDownColumn; }
    TColumnDragBox* ColumnDragBox() const { return FColumnDragBox; }
    TDragArrow* UpDragArrow() const { return FUpDragArrow; }
    TDragArrow* DownDragArrow() const { return FDownDragArrow; }

    // Overlay ids of the guide lines this layer draws.
    static constexpr int kLeftGuide = 100, kRightGuide = 101, kRowGuide = 102, kRowMarker = 103;

    // Public so that tests and the shell can drive the grid without a window system.
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseMove(TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
    bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
    void KeyDown(Word& Key, TShiftState Shift) override;
    void KeyPress(QChar& Key) override;
    bool ChildKey(Word& Key, TWinControl* Sender) override;
    void MouseEnter() override;
    void MouseLeave() override;

protected:
    int DialogCode() const override;
    void InitWidget() override;
    void Resize() override;
    void WMHScroll(int ScrollCode, int Pos) override;
    void WMVScroll(int ScrollCode, int Pos) override;
    void FocusGained() override;
    void FocusLost() override;
    void DoExit() override;
    bool WidgetEvent(QEvent* e) override;
    void ApplicationActivated(bool Active) override;
    void FontChanged() override;
    void ParentFontChanged() override;

    // The left offset of a column: 0 for the fixed ones, the horizontal position otherwise.
    int ColumnOffset(const TGxCustomColumn* Column) const;
    bool ParentFormActive() const;
    void BodyMouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
    void BodyMouseMove(TShiftState Shift, int X, int Y, const TPoint& PrevOverCell);
    void BodyMouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
    void HeaderMouseMove(TShiftState Shift, int X, int Y);
    void FooterMouseMove(int X, int Y);
    void LeaveHoverCell();
    void SetHoverColumn(TGxCustomColumn* Column);
    void DrawVertGuide(int Id, int X);
    void DrawHorzGuide(int Y);
    void HintAt(const TPoint& ClientPoint, int MaxWidth, const QString& Text);
    int RowMarkerY(int Index, int& Right);
    TRect DropRect();
    bool SearchRange(int From, int To, const std::function<bool(int Row)>& Match);
    void FoundRow(int Row);

    bool FCanDeselect = false;
    bool FClickOnSelected = false;
    TColumnDragBox* FColumnDragBox = nullptr;
    TDragArrow* FDownDragArrow = nullptr;
    TGxCustomColumn* FDragDropColumn = nullptr;
    TGxCustomColumn* FFooterHintColumn = nullptr;
    TGxCustomColumn* FHeaderHintColumn = nullptr;
    THintPosition FHintPosition = hpNone;
    TPoint FHoverCell{-1, -1};
    int FLastFoundRow = -1;
    int FLeftResizingGuide = 0;
    TGxCustomColumn* FMouseDownColumn = nullptr;
    TPoint FMouseDownPoint{-1, -1};
    int FMouseDownRow = -1;
    int FMoveRow = 0;
    TPoint FOldClickCell{-1, -1};
    int FOldHeight = 0;
    int FOldRowPosition = -1;
    int FOldWidth = 0;
    TPoint FPanPoint{0, 0};
    TPoint FRangeEnd{-1, -1};
    int FResizingRow = -1;
    int FRightResizingGuide = 0;
    TPoint FRowSizingPos{0, 0};
    QString FSearchBuffer;
    std::unique_ptr<TTimer> FSearchTimer;
    int FSizeDelta = 0;
    TGxCustomColumn* FSizeProgressColumn = nullptr;
    TGxCustomColumn* FSizeReadyColumn = nullptr;
    TDragArrow* FUpDragArrow = nullptr;
    THintWindow* FHintWindow = nullptr;
    TPoint FMouseOverCell{-1, -1};
    // The column pressed in the header, kept for the drag box callbacks after the release.
    TGxCustomColumn* FDragColumn = nullptr;
};
