#pragma once
// Cell painters of the text and row-number columns. (The header, footer and indicator painters
// of the grid join this unit with the grid control.)

#include "grid/GxColumns.h"

class TTextColumnDisplay : public TColumnDisplay {
    KORVEL_CLASS(TTextColumnDisplay, TColumnDisplay)
public:
    explicit TTextColumnDisplay(TGxCustomColumn* AColumn) : TColumnDisplay(AColumn) {}
    static std::unique_ptr<TColumnDisplay> Make(TGxCustomColumn* AColumn);
    void Paint() override;
};

class TIncrementColumnDisplay : public TColumnDisplay {
    KORVEL_CLASS(TIncrementColumnDisplay, TColumnDisplay)
public:
    explicit TIncrementColumnDisplay(TGxCustomColumn* AColumn) : TColumnDisplay(AColumn) {}
    static std::unique_ptr<TColumnDisplay> Make(TGxCustomColumn* AColumn);
    void Paint() override;
};
