#include "grid/GxDisplays.h"

std::unique_ptr<TColumnDisplay> TTextColumnDisplay::Make(TGxCustomColumn* AColumn) {
    return std::make_unique<TTextColumnDisplay>(AColumn);
}

void TTextColumnDisplay::Paint() {
    TCellInfo info;
    info.AsString = AsString;
    DrawCellText(FColumn->GetDrawText(info), GetTextRect());
}

std::unique_ptr<TColumnDisplay> TIncrementColumnDisplay::Make(TGxCustomColumn* AColumn) {
    return std::make_unique<TIncrementColumnDisplay>(AColumn);
}

void TIncrementColumnDisplay::Paint() {
    TCellInfo info;
    info.AsInteger = AsInteger;
    DrawCellText(FColumn->GetDrawText(info), GetTextRect());
}

KORVEL_CLASS_INFO(TTextColumnDisplay) {}
KORVEL_CLASS_INFO(TIncrementColumnDisplay) {}
