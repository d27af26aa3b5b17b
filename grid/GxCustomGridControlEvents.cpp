// The grid's event dispatchers and the operations a descendant must answer.

#include "grid/GxCustomGridControl.h"
#include "platform/rtl/Exceptions.h"

namespace {
[[noreturn]] void Abstract(const char* Name) {
    throw EAbstractError(QStringLiteral("Abstract error: %1 is not implemented by this grid").arg(QLatin1String(Name)));
}
} // namespace

// --- abstract operations

void TGxCustomGridControl::GetCellInfo(int, int, TCellInfo&) { Abstract("GetCellInfo"); }
int TGxCustomGridControl::FirstVisibleRow() const { Abstract("FirstVisibleRow"); }
QString TGxCustomGridControl::GetHintText(int, int) { Abstract("GetHintText"); }
int TGxCustomGridControl::LastVisibleRow() const { Abstract("LastVisibleRow"); }
int TGxCustomGridControl::GetVisibleRows() const { Abstract("GetVisibleRows"); }
void TGxCustomGridControl::SetSelected(int, bool) { Abstract("SetSelected"); }
int TGxCustomGridControl::AddRow(int) { Abstract("AddRow"); }
void TGxCustomGridControl::CalculateFooter(bool) { Abstract("CalculateFooter"); }
void TGxCustomGridControl::SelectRange(int, int, bool) { Abstract("SelectRange"); }
void TGxCustomGridControl::SwapRows(int, int) { Abstract("SwapRows"); }

// --- dispatchers

void TGxCustomGridControl::DoAfterEdit(int ACol, int ARow, const QString& Value) {
    if (OnAfterEdit) OnAfterEdit(this, ACol, ARow, Value);
}
void TGxCustomGridControl::DoAfterRowMove(int FromPos, int ToPos) {
    if (OnAfterRowMove) OnAfterRowMove(this, FromPos, ToPos);
}
void TGxCustomGridControl::DoAfterSort(int ACol) {
    if (OnAfterSort) OnAfterSort(this, ACol);
}
void TGxCustomGridControl::DoApplyCell(int ACol, int ARow, QString& Value) {
    if (OnApplyCell) OnApplyCell(this, ACol, ARow, Value);
}
void TGxCustomGridControl::DoApplyEditText(int ACol, int ARow, QString& Value) {
    if (OnApplyEditText) OnApplyEditText(this, ACol, ARow, Value);
}
void TGxCustomGridControl::DoBeforeEdit(int ACol, int ARow, bool& Accept) {
    if (OnBeforeEdit) OnBeforeEdit(this, ACol, ARow, Accept);
}
void TGxCustomGridControl::DoBeforeSelect(int ACol, int ARow, bool& Accept) {
    if (OnBeforeSelect) OnBeforeSelect(this, ACol, ARow, Accept);
}
bool TGxCustomGridControl::DoCalculateRow(int Index) {
    bool accept = true;
    if (OnCalculateRow) OnCalculateRow(this, Index, accept);
    return accept;
}
void TGxCustomGridControl::DoCellClick(int ACol, int ARow) {
    if (OnCellClick) OnCellClick(this, ACol, ARow);
}
void TGxCustomGridControl::DoCellColoring(int ACol, int ARow, TColor& CellColor, TColor& GridColor,
                                          TCellState CellState) {
    if (OnCellColoring) OnCellColoring(this, ACol, ARow, CellColor, GridColor, CellState);
}
void TGxCustomGridControl::DoCellDblClick(int ACol, int ARow) {
    if (OnCellDblClick) OnCellDblClick(this, ACol, ARow);
}
void TGxCustomGridControl::DoCellHint(int ACol, int ARow, QString& Value) {
    if (OnCellHint) OnCellHint(this, ACol, ARow, Value);
}
void TGxCustomGridControl::DoCellShowing(int ACol, int ARow, bool& Showing) {
    if (OnCellShowing) OnCellShowing(this, ACol, ARow, Showing);
}
void TGxCustomGridControl::DoChange(int ACol, int ARow) {
    if (OnChange) OnChange(this, ACol, ARow);
}
void TGxCustomGridControl::DoChangeRowHeight(int Index, int Height) {
    if (OnChangeRowHeight) OnChangeRowHeight(this, Index, Height);
}
void TGxCustomGridControl::DoColumnFooterValue(int ACol, double& Value) {
    if (OnColumnFooterValue) OnColumnFooterValue(this, ACol, Value);
}
void TGxCustomGridControl::DoColumnMove(int ACol, int FromPos, int ToPos) {
    if (OnColumnMove) OnColumnMove(this, ACol, FromPos, ToPos);
}
void TGxCustomGridControl::DoColumnResize(int ACol) {
    if (OnColumnResize) OnColumnResize(this, ACol);
}
void TGxCustomGridControl::DoCustomDrawCell(int ACol, int ARow, const TRect& CellRect, TCellState CellState) {
    if (OnCustomDrawCell) OnCustomDrawCell(this, ACol, ARow, CellRect, CellState);
}
void TGxCustomGridControl::DoCustomDrawFooter(int Index, const TRect& FooterRect) {
    if (OnCustomDrawFooter) OnCustomDrawFooter(this, Index, FooterRect);
}
void TGxCustomGridControl::DoCustomDrawHeader(int Index, const TRect& HeaderRect) {
    if (OnCustomDrawHeader) OnCustomDrawHeader(this, Index, HeaderRect);
}
void TGxCustomGridControl::DoCustomDrawIndicator(int Index, const TRect& IndicatorRect, bool Selected,
                                                 bool Highlighted) {
    if (OnCustomDrawIndicator) OnCustomDrawIndicator(this, Index, IndicatorRect, Selected, Highlighted);
}
void TGxCustomGridControl::DoDataChange(TDataChange AChangeType, int AIndex) {
    if (OnDataChange) OnDataChange(this, AChangeType, AIndex);
}
void TGxCustomGridControl::DoDeselectCell(int ACol, int ARow) {
    if (OnDeselectCell) OnDeselectCell(this, ACol, ARow);
}
void TGxCustomGridControl::DoDrawCellBackground(int ACol, int ARow, const TRect& CellRect, TCellState CellState,
                                                bool& DefaultDrawing) {
    if (OnDrawCellBackground) OnDrawCellBackground(this, ACol, ARow, CellRect, CellState, DefaultDrawing);
}
void TGxCustomGridControl::DoEdit(int ACol, int ARow, const QString& Value) {
    if (OnEdit) OnEdit(this, ACol, ARow, Value);
}
void TGxCustomGridControl::DoEditAccept(int ACol, int ARow, const QString& Value, bool& Accept) {
    if (OnEditAccept) OnEditAccept(this, ACol, ARow, Value, Accept);
}
void TGxCustomGridControl::DoEditEnter() {
    if (OnEditEnter) OnEditEnter(this);
}
void TGxCustomGridControl::DoEditExit() {
    if (OnEditExit) OnEditExit(this);
}
void TGxCustomGridControl::DoEditText(int ACol, int ARow, QString& Value) {
    if (OnEditText) OnEditText(this, ACol, ARow, Value);
}
void TGxCustomGridControl::DoEndEditing(int ACol, int ARow, QString& Value, bool& Accept) {
    if (OnEndEditing) OnEndEditing(this, ACol, ARow, Value, Accept);
}
void TGxCustomGridControl::DoFooterCalculate(int ACol, double& Value) {
    if (OnFooterCalculate) OnFooterCalculate(this, ACol, Value);
}
void TGxCustomGridControl::DoFooterClick(int ACol) {
    if (OnFooterClick) OnFooterClick(this, ACol);
}
void TGxCustomGridControl::DoHeaderClick(int ACol) {
    if (OnHeaderClick) OnHeaderClick(this, ACol);
}
void TGxCustomGridControl::DoHeaderDblClick(int ACol) {
    if (OnHeaderDblClick) OnHeaderDblClick(this, ACol);
}
void TGxCustomGridControl::DoInputAccept(bool& Accept) {
    if (OnInputAccept) OnInputAccept(this, Accept);
}
void TGxCustomGridControl::DoInputAdded() {
    if (OnInputAdded) OnInputAdded(this);
}
void TGxCustomGridControl::DoInputSelectCell(int ACol) {
    if (OnInputSelectCell) OnInputSelectCell(this, ACol);
}
void TGxCustomGridControl::DoLoadProgress(int ACol, int ARow) {
    if (OnLoadProgress) OnLoadProgress(this, ACol, ARow);
}
void TGxCustomGridControl::DoMeasuringRowHeight(int Index, int& RowHeight) {
    if (OnMeasuringRowHeight) OnMeasuringRowHeight(this, Index, RowHeight);
}
void TGxCustomGridControl::DoPostDraw() {
    if (OnPostDraw) OnPostDraw(this);
}
bool TGxCustomGridControl::DoRowMove(int FromPos, int ToPos) {
    bool accept = true;
    if (OnRowMove) OnRowMove(this, FromPos, ToPos, accept);
    return accept;
}
void TGxCustomGridControl::DoSelectCell(int ACol, int ARow) {
    if (OnSelectCell) OnSelectCell(this, ACol, ARow);
}
void TGxCustomGridControl::DoSlideChange(int ACol) {
    if (OnSlideChange) OnSlideChange(this, ACol);
}
void TGxCustomGridControl::DoSlideColoring(int Index, TColor& SlideColor, TColor& GridColor, TSlideState SlideState) {
    if (OnSlideColoring) OnSlideColoring(this, Index, SlideColor, GridColor, SlideState);
}
void TGxCustomGridControl::DoSortColumn(int ACol, bool Ascending) {
    if (OnSortColumn) OnSortColumn(this, ACol, Ascending);
}
void TGxCustomGridControl::DoSelectionMove(int& ACol, int ARow, TMoveSelectionKey Key) {
    if (OnSelectionMove) OnSelectionMove(this, ACol, ARow, Key);
}
