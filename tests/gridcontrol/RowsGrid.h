#pragma once
// A grid control over a plain vector of rows, so the base's selection, scrolling, editing and
// painting can be driven without the concrete grid.

#include "grid/GxCustomGridControl.h"

#include <QStringList>

#include <algorithm>
#include <vector>

struct TTestRow {
    QStringList Cells;
    bool Selected = false;
    bool Visible = true;
    int Height = 0; // 0: RowSize
};

class TRowsGrid : public TGxCustomGridControl {
public:
    explicit TRowsGrid(TComponent* AOwner = nullptr) : TGxCustomGridControl(AOwner) {
        SetBorderStyle(bsNone);
    }

    // Columns of the given widths, and Rows rows whose cells read "c,r".
    void Fill(std::initializer_list<int> Widths, int Rows) {
        for (int w : Widths)
            Columns()->Add<TGxTextColumn>()->SetWidth(w);
        for (int r = 0; r < Rows; ++r)
            AddRow(1);
        for (int r = 0; r < Rows; ++r)
            for (int c = 0; c < Columns()->Count(); ++c)
                Data[r].Cells[c] = QStringLiteral("%1,%2").arg(c).arg(r);
    }

    int RowCount() const override { return static_cast<int>(Data.size()); }
    QString GetCells(int ACol, int ARow) override {
        if (ARow < 0 || ARow >= RowCount() || ACol < 0 || ACol >= Data[ARow].Cells.size()) return {};
        return Data[ARow].Cells[ACol];
    }
    void SetCells(int ACol, int ARow, const QString& Value) override {
        while (Data[ARow].Cells.size() <= ACol)
            Data[ARow].Cells << QString();
        Data[ARow].Cells[ACol] = Value;
    }
    bool Selected(int Index) const override {
        return Index >= 0 && Index < RowCount() && Data[Index].Selected;
    }
    void SetSelected(int Index, bool Value) override {
        if (Index >= 0 && Index < RowCount()) Data[Index].Selected = Value;
    }
    bool RowVisible(int Index) const override {
        return Index < 0 || Index >= RowCount() || Data[Index].Visible;
    }
    int RowHeight(int Index) const override {
        return Index >= 0 && Index < RowCount() && Data[Index].Height > 0 ? Data[Index].Height : RowSize();
    }
    int FirstVisibleRow() const override {
        for (int i = 0; i < RowCount(); ++i)
            if (Data[i].Visible) return i;
        return 0;
    }
    int LastVisibleRow() const override {
        for (int i = RowCount() - 1; i >= 0; --i)
            if (Data[i].Visible) return i;
        return 0;
    }
    int GetVisibleRows() const override {
        return static_cast<int>(
            std::count_if(Data.begin(), Data.end(), [](const TTestRow& r) { return r.Visible; }));
    }
    int AddRow(int Count) override {
        for (int i = 0; i < Count; ++i) {
            TTestRow row;
            for (int c = 0; c < Columns()->Count(); ++c)
                row.Cells << QString();
            Data.push_back(row);
        }
        return RowCount() - 1;
    }
    void DeleteRow(int Index) override {
        TGxCustomGridControl::DeleteRow(Index);
        Deleted.push_back(Index);
        Data.erase(Data.begin() + Index);
    }
    void SelectRange(int FromRow, int ToRow, bool Value) override {
        for (int i = FromRow; i <= ToRow; ++i)
            SetSelected(i, Value);
    }
    bool IsGridFocused() const override { return Focus; }
    // As the concrete grid does: the display gets the cell's text and paints it.
    bool PrepareCellPaint(int ACol, int ARow, TCellState CellState) override {
        TGxCustomGridControl::PrepareCellPaint(ACol, ARow, CellState);
        Columns()->Item(ACol)->Display()->AsString = GetCells(ACol, ARow);
        return true;
    }
    void InvalidateArea(const TRect& R) override {
        if (!R.IsEmpty()) Invalid.push_back(R);
        TGxCustomGridControl::InvalidateArea(R);
    }

    std::vector<int> SelectedRows() const {
        std::vector<int> out;
        for (int i = 0; i < RowCount(); ++i)
            if (Data[i].Selected) out.push_back(i);
        return out;
    }
    void SetFirstRowDirect(int Value) { FFirstRow = Value; }
    void SetFocusFlag(bool Value) { Focus = Value; }

    std::vector<TTestRow> Data;
    std::vector<int> Deleted;
    std::vector<TRect> Invalid;
    bool Focus = true;
};
