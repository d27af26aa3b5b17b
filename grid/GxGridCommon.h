#pragma once
// Types shared by the grid control and its parts, and the link through which the column list and
// the cell store reach their grid. The grid control implements TGxGridLink; the parts hold the
// grid only through it, so they can be built and tested before and apart from the control.

#include "platform/gfx/Graphics.h"
#include "platform/rtl/Types.h"
#include "platform/ui/UiTypes.h"

#include <QString>

class TComponent;
class TGxColumns;
class TGxCustomColumn;

enum TGridArea { gaNone, gaBody, gaFooter, gaHeader, gaIndicator, gaInput };

class TGxGridLink {
public:
    virtual ~TGxGridLink() = default;

    // --- what the column list and the columns ask of their grid
    // The grid as a component: owner of duplicated columns, loading and destroying state.
    virtual TComponent* GridComponent() = 0;
    // The grid's column list (streamed columns join it through their parent grid).
    virtual TGxColumns* GridColumns() = 0;
    virtual TColor GridColor() const = 0;
    virtual TCursor GridCursor() const = 0;
    virtual const TFont* GridFont() const = 0;
    // The grid shows its 12-pixel indicator column (goIndicator).
    virtual bool GridShowsIndicator() const = 0;
    virtual int GridHorzScrollPos() const = 0;
    virtual int GridClientHeight() const = 0;
    virtual int GridHeaderSize() const = 0;
    virtual int InnerWidth() const = 0;
    virtual TRect GetBodyRect() = 0;
    virtual TRect GetHeaderRect() = 0;
    virtual TRect GetFooterRect() = 0;
    virtual TRect GetInputRect() = 0;
    virtual TGxCustomColumn* FocusedColumn() const = 0;
    virtual TGxCustomColumn* HoverColumn() const = 0;
    virtual int SelectedColumn() const = 0;
    virtual void RefreshColumn(TGxCustomColumn* Column, TGridArea Area) = 0;
    // The column list points the grid's OnUpdateColumns here (goIndicator switched).
    virtual void SetOnUpdateColumns(TNotifyEvent Handler) = 0;

    // --- what the cell store asks of its grid (coordinates are the store's current ones)
    virtual TColor GetActualCellColor(int ACol, int ARow) = 0;
    virtual TColor GetActualCellFontColor(int ACol, int ARow) = 0;
    virtual QString GetDrawText(int ACol, int ARow) = 0;
    virtual bool IsCellHighlighted(int ACol, int ARow) = 0;
};
