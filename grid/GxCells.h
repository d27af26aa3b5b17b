#pragma once
// The cell store behind the concrete grid: one list of cell objects per column (as many columns as
// the grid has), one row record per row (the flat list also encodes the row tree), and sorting
// of whole rows by one column.
//
// A cell does not know where it is: GetCell records the coordinates of the cell it returns, and
// every position-dependent property reads those, so callers fetch a cell right before using it.

#include "grid/GxColumns.h"
#include "grid/GxGridCommon.h"
#include "platform/gfx/Graphics.h"
#include "platform/rtl/Types.h"

#include <QString>
#include <QUuid>

#include <cstddef>
#include <functional>
#include <memory>
#include <new>
#include <vector>

class TCells;
class TGxVirtualColumn;

enum TGxCellStateItem { cstEmpty, cstLocked };
using TGxCellState = TSet<TGxCellStateItem, 8>;

using TCellChangeEvent = std::function<void(TObject* Sender, int ACol, int ARow)>;
class TCell;
using TCompareEvent = std::function<void(TObject* Sender, TCell* Cell1, TCell* Cell2, int& Compare)>;

// Fixed-size slots for the cells of one store: a grid holds millions of small cells, and carving
// them from large blocks saves the heap's per-allocation overhead and time. Freed slots are reused;
// the blocks go back to the heap when the store holds no cell any more.
class TCellPool {
public:
    TCellPool() = default;
    TCellPool(const TCellPool&) = delete;
    TCellPool& operator=(const TCellPool&) = delete;
    ~TCellPool() { Release(); }
    // Size rounded up to 8 bytes, at most kMaxSize.
    void* Allocate(std::size_t Size);
    void Free(void* P, std::size_t Size);
    int Live() const { return FLive; }
    void Release();
    static constexpr std::size_t kMaxSize = 128;

private:
    struct TSlot {
        TSlot* Next;
    };
    static constexpr std::size_t kBlockSize = 64 * 1024;
    TSlot* FFree[kMaxSize / 8 + 1] = {};
    std::vector<std::unique_ptr<std::byte[]>> FBlocks;
    std::byte* FNext = nullptr;
    std::byte* FEnd = nullptr;
    int FLive = 0;
};

class TCell {
public:
    explicit TCell(TCells* ACells);
    virtual ~TCell() = default;
    TCell(const TCell&) = delete;
    TCell& operator=(const TCell&) = delete;

    // Cells made by a store live in its pool; others come from the heap. Deleting a cell finds its
    // way back from the cell itself.
    static void* operator new(std::size_t Size) { return ::operator new(Size); }
    static void* operator new(std::size_t Size, TCellPool& Pool) { return Pool.Allocate(Size); }
    // Only reached when a constructor throws: the slot is returned with the pool.
    static void operator delete(void*, TCellPool&) {}
    static void operator delete(TCell* P, std::destroying_delete_t);

    bool AsBoolean() { return GetAsBoolean(); }
    void SetAsBoolean(bool Value) { SetAsBooleanValue(Value); }
    TDateTime AsDateTime() { return GetAsDateTime(); }
    void SetAsDateTime(TDateTime Value) { SetAsDateTimeValue(Value); }
    double AsFloat() { return GetAsFloat(); }
    void SetAsFloat(double Value) { SetAsFloatValue(Value); }
    int AsInteger() { return GetAsInteger(); }
    void SetAsInteger(int Value) { SetAsIntegerValue(Value); }
    QString AsString() { return GetAsString(); }
    void SetAsString(const QString& Value) { SetAsStringValue(Value); }

    TFontStyles FontStyle() const { return TFontStyles::FromInt(FFontStyle); }
    void SetFontStyle(const TFontStyles& Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    QString Hint() const { return FExtra ? FExtra->Hint : QString(); }
    void SetHint(const QString& Value);
    TColor TextColor() const { return FTextColor; }
    void SetTextColor(TColor Value);
    bool Empty() const { return FState & (1u << cstEmpty); }
    void SetEmpty(bool Value);
    bool Locked() const { return FState & (1u << cstLocked); }
    void SetLocked(bool Value);
    TObject* ObjectReference() const { return FExtra ? FExtra->ObjectReference : nullptr; }
    void SetObjectReference(TObject* Value);
    TCells* Cells() const { return FCells; }

    // Position-dependent: the store's current coordinates.
    int ColumnIndex() const;
    int RowIndex() const;
    TColor ActualColor() { return GetActualColor(); }
    TColor ActualFontColor() { return GetActualFontColor(); }
    QString DisplayText();
    bool Highlighted();

    virtual TColor GetActualColor();
    virtual TColor GetActualFontColor();
    virtual bool GetAsBoolean() = 0;
    virtual TDateTime GetAsDateTime() = 0;
    virtual double GetAsFloat() = 0;
    virtual int GetAsInteger() = 0;
    virtual QString GetAsString() = 0;
    virtual void CallOwnerDynamic();
    virtual void SetAsBooleanValue(bool Value) { CallOwnerDynamic(); }
    virtual void SetAsDateTimeValue(TDateTime Value) { CallOwnerDynamic(); }
    virtual void SetAsFloatValue(double Value) { CallOwnerDynamic(); }
    virtual void SetAsIntegerValue(int Value) { CallOwnerDynamic(); }
    virtual void SetAsStringValue(const QString& Value) { CallOwnerDynamic(); }
    virtual void Clear() { CallOwnerDynamic(); }

    // Sort keys: the value when the cell converts, false when it does not. No exceptions for
    // conversions, so a sort can read every key before it moves a row.
    virtual bool TryAsBoolean(bool& Value);
    virtual bool TryAsDateTime(TDateTime& Value);
    virtual bool TryAsFloat(double& Value);
    // Asks the processor to fetch what the value reads live in (for loops over many cells).
    virtual void PrefetchValue() const {}

protected:
    // Rarely set: kept out of line to keep cells small.
    struct TExtra {
        QString Hint;
        TObject* ObjectReference = nullptr;
    };
    TCells* FCells;
    std::unique_ptr<TExtra> FExtra;
    TColor FColor = clWindow;
    TColor FTextColor = clWindowText;
    quint8 FFontStyle = 0;
    quint8 FState = 1u << cstLocked;

private:
    friend class TCells;
    quint8 FPoolSize = 0; // the slot size in the store's pool, 0 for a heap cell
};

class TBooleanCell : public TCell {
public:
    using TCell::TCell;
    bool GetAsBoolean() override { return FValue; }
    TDateTime GetAsDateTime() override { return 0; }
    double GetAsFloat() override { return FValue ? 1 : 0; }
    int GetAsInteger() override { return FValue ? 1 : 0; }
    QString GetAsString() override;
    void SetAsBooleanValue(bool Value) override;
    void SetAsDateTimeValue(TDateTime Value) override;
    void SetAsFloatValue(double Value) override;
    void SetAsIntegerValue(int Value) override;
    void SetAsStringValue(const QString& Value) override;
    void Clear() override;
    bool TryAsBoolean(bool& Value) override {
        Value = FValue;
        return true;
    }
    bool TryAsDateTime(TDateTime& Value) override {
        Value = 0;
        return true;
    }
    bool TryAsFloat(double& Value) override {
        Value = FValue ? 1 : 0;
        return true;
    }

private:
    bool FValue = false;
};

// Date-time and float cells both keep one double; they differ in how they read and show text.
class TDoubleValueCell : public TCell {
public:
    using TCell::TCell;
    bool GetAsBoolean() override { return false; }
    TDateTime GetAsDateTime() override { return FValue; }
    double GetAsFloat() override { return FValue; }
    void SetAsDateTimeValue(TDateTime Value) override;
    void SetAsFloatValue(double Value) override;
    void SetAsIntegerValue(int Value) override;
    void Clear() override;
    bool TryAsBoolean(bool& Value) override {
        Value = false;
        return true;
    }
    bool TryAsDateTime(TDateTime& Value) override {
        Value = FValue;
        return true;
    }
    bool TryAsFloat(double& Value) override {
        Value = FValue;
        return true;
    }

protected:
    double FValue = 0;
};

class TDateTimeCell : public TDoubleValueCell {
public:
    using TDoubleValueCell::TDoubleValueCell;
    int GetAsInteger() override;
    QString GetAsString() override;
    void SetAsBooleanValue(bool Value) override;
    void SetAsStringValue(const QString& Value) override;
};

class TFloatCell : public TDoubleValueCell {
public:
    using TDoubleValueCell::TDoubleValueCell;
    int GetAsInteger() override;
    QString GetAsString() override;
    void SetAsBooleanValue(bool Value) override;
    void SetAsStringValue(const QString& Value) override;
};

class TIntegerCell : public TCell {
public:
    using TCell::TCell;
    bool GetAsBoolean() override { return FValue > 0; }
    TDateTime GetAsDateTime() override { return 0; }
    double GetAsFloat() override { return FValue; }
    int GetAsInteger() override { return FValue; }
    QString GetAsString() override;
    void SetAsBooleanValue(bool Value) override;
    void SetAsDateTimeValue(TDateTime Value) override;
    void SetAsFloatValue(double Value) override;
    void SetAsIntegerValue(int Value) override;
    void SetAsStringValue(const QString& Value) override;
    void Clear() override;
    bool TryAsBoolean(bool& Value) override {
        Value = FValue > 0;
        return true;
    }
    bool TryAsDateTime(TDateTime& Value) override {
        Value = 0;
        return true;
    }
    bool TryAsFloat(double& Value) override {
        Value = FValue;
        return true;
    }

private:
    int FValue = 0;
};

class TStringCell : public TCell {
public:
    using TCell::TCell;
    bool GetAsBoolean() override;
    TDateTime GetAsDateTime() override;
    double GetAsFloat() override;
    int GetAsInteger() override;
    QString GetAsString() override { return FValue; }
    // The text itself, for loops over many cells (no copy).
    const QString& Text() const { return FValue; }
    void PrefetchValue() const override { __builtin_prefetch(FValue.constData()); }
    void SetAsBooleanValue(bool Value) override;
    void SetAsDateTimeValue(TDateTime Value) override;
    void SetAsFloatValue(double Value) override;
    void SetAsIntegerValue(int Value) override;
    void SetAsStringValue(const QString& Value) override;
    void Clear() override;
    bool TryAsBoolean(bool& Value) override;
    bool TryAsDateTime(TDateTime& Value) override;
    bool TryAsFloat(double& Value) override;

private:
    QString FValue;
};

// The row number: current row index + 1. Setters only notify; Clear does nothing at all.
class TIncrementCell : public TCell {
public:
    using TCell::TCell;
    bool GetAsBoolean() override { return false; }
    TDateTime GetAsDateTime() override { return 0; }
    double GetAsFloat() override { return RowIndex() + 1; }
    int GetAsInteger() override { return RowIndex() + 1; }
    QString GetAsString() override;
    void Clear() override {}
    bool TryAsBoolean(bool& Value) override {
        Value = false;
        return true;
    }
    bool TryAsDateTime(TDateTime& Value) override {
        Value = 0;
        return true;
    }
    bool TryAsFloat(double& Value) override {
        Value = RowIndex() + 1;
        return true;
    }
};

// Cells whose other values are read from their text.
class TTextValueCell : public TCell {
public:
    using TCell::TCell;
    bool GetAsBoolean() override;
    TDateTime GetAsDateTime() override;
    double GetAsFloat() override;
    int GetAsInteger() override;
    void SetAsBooleanValue(bool Value) override;
    void SetAsDateTimeValue(TDateTime Value) override;
    void SetAsFloatValue(double Value) override;
    void SetAsIntegerValue(int Value) override;
    bool TryAsBoolean(bool& Value) override;
    bool TryAsDateTime(TDateTime& Value) override;
    bool TryAsFloat(double& Value) override;
};

class TGuidCell : public TTextValueCell {
public:
    explicit TGuidCell(TCells* ACells);
    QString GetAsString() override;
    void SetAsStringValue(const QString& Value) override;
    QUuid AsGuid() const { return FValue; }
    void SetAsGuid(const QUuid& Value) { FValue = Value; }

private:
    QUuid FValue;
};

class TVirtualCell : public TTextValueCell {
public:
    explicit TVirtualCell(TCells* ACells, TGxVirtualColumn* AColumn = nullptr)
        : TTextValueCell(ACells), FColumn(AColumn) {}
    QString GetAsString() override;
    void SetAsStringValue(const QString& Value) override;
    TGxVirtualColumn* Column() const { return FColumn; }
    void SetColumn(TGxVirtualColumn* Value) { FColumn = Value; }

private:
    TGxVirtualColumn* FColumn;
};

class TRow {
public:
    TRow() = default;
    int ChildCount() const { return FChildCount; }
    void* Data() const { return FData; }
    void SetData(void* Value) { FData = Value; }
    bool Expanded() const { return FExpanded; }
    void SetExpanded(bool Value) { FExpanded = Value; }
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value) { FImageIndex = Value; }
    int Level() const { return FLevel; }
    void SetLevel(int Value) { FLevel = Value; }
    TRow* ParentRow() const { return FParentRow; }
    void SetParentRow(TRow* Value) { FParentRow = Value; }
    int RowHeight() const { return FRowHeight; }
    bool Selected() const { return FSelected; }
    void SetSelected(bool Value) { FSelected = Value; }
    bool Shown() const { return FShown; }
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value) { FVisible = Value; }
    bool HasChildren() const { return FChildCount > 0; }
    // Both Visible and Shown.
    bool CountsVisible() const { return FVisible && FShown; }
    void AddChild() { ++FChildCount; }
    void DeleteChild() { --FChildCount; }
    void Clear() { FChildCount = 0; }

private:
    friend class TCells;
    int FChildCount = 0;
    void* FData = nullptr;
    bool FExpanded = true;
    int FImageIndex = -1;
    int FLevel = 0;
    TRow* FParentRow = nullptr;
    int FRowHeight = 16;
    bool FSelected = false;
    bool FShown = true;
    bool FVisible = true;
};

class TCells : public TObject {
public:
    TCells(TGxGridLink* Grid, TGxColumns* Columns);
    ~TCells() override;

    TCell* GetCell(int ACol, int ARow);
    TCell* Cell(int ACol, int ARow) { return GetCell(ACol, ARow); }
    TRow* GetRow(int Index) const;
    // A loop over a column reads cells scattered over the heap (more so after a sort): these
    // fetch a cell, then its value, some rows ahead. Out-of-range coordinates are ignored.
    void PrefetchCell(int ACol, int ARow) const {
        if (ACol >= 0 && ACol < ColCount() && ARow >= 0 && ARow < FRowCount)
            __builtin_prefetch(FCellsList[ACol][ARow].get());
    }
    void PrefetchValue(int ACol, int ARow) const {
        if (ACol >= 0 && ACol < ColCount() && ARow >= 0 && ARow < FRowCount) FCellsList[ACol][ARow]->PrefetchValue();
    }
    // The cells of a column in row order (RowCount of them), for a loop reading many; unlike
    // GetCell it does not make a cell the current one.
    const std::unique_ptr<TCell>* ColumnCells(int ACol) const {
        CheckCol(ACol);
        return FCellsList[ACol].data();
    }
    TRow* Row(int Index) const { return GetRow(Index); }
    int ColCount() const { return static_cast<int>(FCellsList.size()); }
    int RowCount() const { return FRowCount; }
    int VisibleRowCount() const { return FVisibleRowCount; }
    // The height new rows get; rows already there keep theirs.
    int RowHeight() const { return FRowHeight; }
    void SetRowHeight(int Value);
    // One row's own height (rows are sized through here, so the count below stays true).
    void SetRowHeight(int Index, int Value);
    // Rows whose height is not RowHeight(): with none, and every row visible, a row's place is
    // arithmetic and the grid need not walk the rows before it.
    int OddHeightRows() const { return FOddHeightRows; }
    int SortIndex() const { return FSortIndex; }
    TSortKind SortKind() const { return FSortKind; }
    bool Sorted() const { return FSorted; }
    int ColIndex() const { return FColIndex; }
    int RowIndex() const { return FRowIndex; }
    TGxGridLink* Grid() const { return FGrid; }
    TGxColumns* Columns() const { return FColumns; }

    int GetCellColumnIndex(const TCell* ACell) const;
    int GetCellRowIndex(const TCell* ACell) const;
    int GetRowIndex(const TRow* ARow) const;
    int GetChildCount(int Index) const;
    int GetChildsCount(int Index) const;
    int GetAbsoluteIndex(int ParentRow, int Index) const;

    void AddRow(int Count = 1);
    void InsertRow(int Pos, int Count = 1);
    void DeleteRow(int Index);
    void ClearRows();
    void MoveRow(int FromPos, int ToPos);
    void SwapRows(int FromPos, int ToPos);
    void AddChildRow(int Index, int Position);
    void MoveChildRow(int Index, TRow* Parent);
    void ShowRow(int Index, bool Value);
    void ExpandRow(int Index, bool Value);

    void AddColumn();
    void InsertColumn(int Pos);
    void DeleteColumn(int Index);
    void ClearColumns();
    void MoveColumn(int CurIndex, int NewIndex);
    void ColumnsChange(TColumnsOperation ChangeOpearation, int Value1, int Value2);

    // Orders every row by column ACol. Every key is read before any row moves, so a failing
    // conversion or handler leaves the rows as they were.
    void SortColumn(int ACol, TSortType ASortType, TSortKind ASortKind, bool Resort);

    TCellChangeEvent OnCellChange;
    TCompareEvent OnCompare;

    virtual void DoCellChange();
    virtual void DoCompare(TCell* Cell1, TCell* Cell2, int& Compare);

    // Creates the cell for column ACol as AddRow does (the column's type, style copied, unlocked).
    std::unique_ptr<TCell> CreateCell(int ACol);

private:
    friend class TCell;
    using TCellList = std::vector<std::unique_ptr<TCell>>;
    void CheckRow(int Index, int Count) const;
    void CheckCol(int Index) const;
    std::unique_ptr<TRow> NewRow() const;
    void ReverseRows();
    void ApplyOrder(const std::vector<int>& Order);
    std::vector<int> SortedOrder(int ACol, TSortType ASortType, TSortKind ASortKind);

    template <class T, class... Args> std::unique_ptr<TCell> MakeCell(Args&&... A);
    void ReleasePoolIfEmpty();

    // Declared before the cell lists, so it outlives every cell in them.
    TCellPool FPool;
    std::vector<TCellList> FCellsList;
    int FColIndex = -1;
    TGxColumns* FColumns;
    TGxGridLink* FGrid;
    int FRowCount = 0;
    int FRowHeight = 16;
    int FRowIndex = -1;
    std::vector<std::unique_ptr<TRow>> FRowsList;
    bool FSorted = false;
    int FSortIndex = -1;
    TSortKind FSortKind = skAscending;
    int FVisibleRowCount = 0;
    int FOddHeightRows = 0;
};
