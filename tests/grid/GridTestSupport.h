#pragma once
// A stand-in grid for the column list and the cell store: answers their questions from plain
// fields, passes column-list changes on to its store as the grid control does, and logs every
// notification it receives.

#include "grid/GxCells.h"
#include "grid/GxColumns.h"
#include "platform/gfx/Bitmap.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <memory>

class TFakeGrid : public TComponent, public TGxGridLink {
public:
    explicit TFakeGrid(TComponent* AOwner = nullptr, bool WithCells = true) : TComponent(AOwner) {
        Columns = new TGxColumns(this);
        if (WithCells) Cells = std::make_unique<TCells>(this, Columns);
        Columns->OnChange = [this](TObject*, TColumnsOperation op, int v1, int v2) {
            Log << QStringLiteral("change %1 %2 %3").arg(OpName(op)).arg(v1).arg(v2);
            if (Cells) Cells->ColumnsChange(op, v1, v2);
        };
        Columns->OnRepaint = [this](TObject*, TColumnsOperation op, int v1, int v2) {
            Log << QStringLiteral("repaint %1 %2 %3").arg(OpName(op)).arg(v1).arg(v2);
        };
        Columns->OnColumnChange = [this](TObject*, TGxCustomColumn* c, TColumnChangeKind kind, int param) {
            ColumnLog << QStringLiteral("%1 %2 %3").arg(c->Index()).arg(KindName(kind)).arg(param);
        };
        Font.SetColor(clNavy);
        Font.SetStyle({fsItalic});
    }
    ~TFakeGrid() override {
        Columns->OnChange = nullptr;
        Columns->OnRepaint = nullptr;
        Columns->OnColumnChange = nullptr;
        Cells.reset();
        std::unique_ptr<TGxColumns> owned(Columns);
    }

    static QString OpName(TColumnsOperation op) {
        static const char* names[] = {"opAdd", "opDelete", "opClear", "opInsert", "opMove"};
        return QString::fromLatin1(names[static_cast<int>(op)]);
    }
    static QString KindName(TColumnChangeKind k) {
        static const char* names[] = {"ccFieldName",    "ccInputChange", "ccPosition",       "ccRevertStyle",
                                      "ccSlideChanged", "ccSorted",      "ccSortTypeChange", "ccUndefined",
                                      "ccVisible",      "ccUnsorted",    "ccWidth"};
        return QString::fromLatin1(names[k]);
    }

    TComponent* GridComponent() override { return this; }
    TGxColumns* GridColumns() override { return Columns; }
    TColor GridColor() const override { return Color; }
    TCursor GridCursor() const override { return Cursor; }
    const TFont* GridFont() const override { return &Font; }
    bool GridShowsIndicator() const override { return Indicator; }
    int GridHorzScrollPos() const override { return HorzPos; }
    int GridClientHeight() const override { return ClientHeight; }
    int GridHeaderSize() const override { return 18; }
    int InnerWidth() const override { return ClientWidth - (Indicator ? 12 : 0); }
    TRect GetBodyRect() override { return {Indicator ? 12 : 0, 18, ClientWidth, ClientHeight}; }
    TRect GetHeaderRect() override { return {Indicator ? 12 : 0, 0, ClientWidth, 18}; }
    TRect GetFooterRect() override {
        return {Indicator ? 12 : 0, ClientHeight - 22, ClientWidth, ClientHeight};
    }
    TRect GetInputRect() override { return {Indicator ? 12 : 0, 18, ClientWidth, 40}; }
    TGxCustomColumn* FocusedColumn() const override { return nullptr; }
    TGxCustomColumn* HoverColumn() const override { return nullptr; }
    int SelectedColumn() const override { return 0; }
    void RefreshColumn(TGxCustomColumn* Column, TGridArea Area) override {
        Refreshes << QStringLiteral("%1:%2").arg(Column ? Column->Index() : -1).arg(int(Area));
    }
    void SetOnUpdateColumns(TNotifyEvent Handler) override { OnUpdateColumns = std::move(Handler); }
    TColor GetActualCellColor(int ACol, int ARow) override { return RGB(ACol, ARow, 1); }
    TColor GetActualCellFontColor(int ACol, int ARow) override { return RGB(ACol, ARow, 2); }
    QString GetDrawText(int ACol, int ARow) override {
        return QStringLiteral("draw %1,%2").arg(ACol).arg(ARow);
    }
    bool IsCellHighlighted(int ACol, int ARow) override { return ACol == 1 && ARow == 1; }

    TGxColumns* Columns = nullptr;
    std::unique_ptr<TCells> Cells;
    TColor Color = clYellow;
    TCursor Cursor = crHandPoint;
    TFont Font;
    bool Indicator = false;
    int HorzPos = 0;
    int ClientWidth = 400;
    int ClientHeight = 150;
    TNotifyEvent OnUpdateColumns;
    QStringList Log;
    QStringList ColumnLog;
    QStringList Refreshes;
};
