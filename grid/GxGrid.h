#pragma once
// The grid applications place on their windows: the interactive grid joined to a cell store. It
// answers every row and cell question of the grid control from the store and keeps the grid's row
// bookkeeping (first and last visible rows, selection, scroll range) in step with row changes.

#include "grid/GxCells.h"
#include "grid/GxCustomGrid.h"

#include <memory>

enum TChildRowPosition { crFirst, crLast };

using TCellFormatingEvent = std::function<void(TObject* Sender, int ACol, int ARow, TColor& TextColor,
                                               TFontStyles& FontStyle, TCellState CellState)>;
using TGxRowExpandEvent = std::function<void(TObject* Sender, int ARow)>;

class TGxGrid : public TGxCustomGrid {
    KORVEL_CLASS(TGxGrid, TGxCustomGrid)
public:
    explicit TGxGrid(TComponent* AOwner);
    ~TGxGrid() override;

    // --- overrides of the grid control
    bool PrepareCellPaint(int ACol, int ARow, TCellState CellState) override;
    TColor GetCellColor(int ACol, int ARow) override;
    void GetCellHint(int ACol, int ARow, QString& Hint) override;
    void GetCellInfo(int ACol, int ARow, TCellInfo& Info) override;
    QString GetCells(int ACol, int ARow) override;
    QString GetDrawText(int ACol, int ARow) override;
    int FirstVisibleRow() const override { return FFirstVisibleRow; }
    QString GetHintText(int ACol, int ARow) override;
    int LastVisibleRow() const override { return FLastVisibleRow; }
    int RowCount() const override;
    int RowHeight(int Index) const override;
    int GetRowImageIndex(int Index) const override;
    int GetRowLevel(int Index) const override;
    bool RowVisible(int Index) const override;
    bool UniformRows(int& Height) const override;
    bool Selected(int Index) const override;
    int GetVisibleRows() const override;
    void FormatCell(int ACol, int ARow, TCellState CellState, QString& Text) override;
    void ColumnsChanged(TColumnsOperation ChangeOpearation, int Value1, int Value2) override;
    bool IsCellHidden(int ACol, int ARow) override;
    void SetCells(int ACol, int ARow, const QString& Value) override;
    void PrepareCellDisplay(int ACol, int ARow, TColumnDisplay* Display) override;
    void SetRowHeight(int Index, int Value) override;
    void SetRowSize(int Value) override;
    void SetRowVisible(int Index, bool Value) override;
    void SetSelected(int Index, bool Value) override;
    void SortColumn(TGxCustomColumn* AColumn, bool Asending) override;
    int AddRow(int Count) override;
    void CalculateFooter(bool VisibleOnly) override;
    void ClearRows() override;
    void DeleteRow(int Index) override;
    void InsertRow(int Pos, int Count) override;
    void MoveRow(int FromPos, int ToPos) override;
    void RevertStyle(int Index) override;
    void SelectRange(int FromRow, int ToRow, bool Value) override;
    void SwapRows(int FromPos, int ToPos) override;
    void LoadCellPlay(TColumnPlay* Play);
    void CellPlayChange(TObject* Sender);
    void CellPlayExpand(TObject* Sender);

    // --- new operations
    virtual TCell* GetCell(int ACol, int ARow);
    virtual int AddChildRow(int Index, TChildRowPosition Position);
    virtual void ReserveRows(int Count);

    // --- cells
    TCell* Cell(int ACol, int ARow) { return GetCell(ACol, ARow); }
    TCell* GetCellByName(const Variant& ACol, const Variant& ARow);
    TCell* CellByName(const Variant& ACol, const Variant& ARow) { return GetCellByName(ACol, ARow); }
    void AddCells(const QStringList& Values);
    void AddCells(const QStringList& Values, int ACol);
    TCells* CellStore() const { return FCells.get(); }

    // --- rows
    TRow* GetRow(int Index) const;
    TRow* Row(int Index) const { return GetRow(Index); }
    int GetRowIndex(const TRow* ARow) const;
    bool GetExpanded(int Index) const;
    bool Expanded(int Index) const { return GetExpanded(Index); }
    void SetExpanded(int Index, bool Value);
    int GetLevel(int Index) const;
    bool HasChildren(int Index) const;
    int GetCellColumnIndex(const TCell* ACell) const;
    int GetCellRowIndex(const TCell* ACell) const;
    int GetChildCount(int Index, bool Recurse) const;
    int GetFirstChild(int Index) const;
    int GetLastChild(int Index) const;
    int GetNextSibling(int Index) const;
    int GetPrevSibling(int Index) const;
    int GetParent(int Index) const;
    void ClearRow(int Index);
    void ClearChildRows(int Index);
    void DeleteChildRow(int ParentIndex, int Index);
    void InsertChildRow(int Pos, int Index) {}

    int LastAddedRow() const { return FLastAddedRow; }
    int VisibleRows() const { return GetVisibleRows(); }
    int StartRowCount() const { return FStartRowCount; }
    void SetStartRowCount(int Value);

    TCellFormatingEvent OnCellFormating;
    TCompareEvent OnCompare;
    TGxRowExpandEvent OnExpand;

    void GetParentRowInfo(int& ARow, int& NextSibling);
    virtual void DoCellFormating(int ACol, int ARow, TColor& TextColor, TFontStyles& FontStyle,
                                 TCellState CellState);
    virtual void DoCompare(TCell* Cell1, TCell* Cell2, int& Compare);
    virtual void DoExpand(int ARow);

protected:
    void ScrollForRow(int Index, int Height, bool Shown);
    // The body area with its left edge at 0, from Top down.
    TRect BodyScrollRect(int Top);
    // Moves the painted pixels of R by Distance and invalidates what is uncovered.
    virtual void ScrollBody(const TRect& R, int Distance);

private:
    void CellsChange(TObject* Sender, int ACol, int ARow);
    void CellsCompare(TObject* Sender, TCell* Cell1, TCell* Cell2, int& Compare);
    void SetChildrenShown(int Index, bool Value);
    bool InRange(int ACol, int ARow) const;
    int LastVisibleFrom(int Index) const;
    // A footer value for one column over the eligible rows.
    double FooterValue(int ACol, TFormulaKind Kind, bool VisibleOnly, int N);

    std::unique_ptr<TCells> FCells;
    int FLastAddedRow = -1;
    int FStartRowCount = 0;
};
