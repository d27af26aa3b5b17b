#include "grid/GxCustomGridControl.h"

#include "grid/GxSharedDraw.h"
#include "platform/rtl/Exceptions.h"

#include <QApplication>
#include <QWidget>

TGxCustomGridControl::TGxCustomGridControl(TComponent* AOwner) : TGxScrollControl(AOwner) {
    FColumns = new TGxColumns(this);
    FColumns->OnChange = [this](TObject*, TColumnsOperation Op, int V1, int V2) {
        ColumnsChanged(Op, V1, V2);
        if (V1 != -1)
            DoDataChange(Op == TColumnsOperation::opDelete   ? dcDeleteColumn
                         : Op == TColumnsOperation::opInsert ? dcInsertColumn
                                                             : dcAddColumn,
                         V1);
    };
    FColumns->OnRepaint = [this](TObject*, TColumnsOperation Op, int V1, int V2) { ColumnsRepaint(Op, V1, V2); };
    FColumns->OnColumnChange = [this](TObject*, TGxCustomColumn* C, TColumnChangeKind K, int P) {
        ColumnChanged(C, K, P);
    };
    FDefaultStyleDisplay = std::make_unique<TDefaultStyleDisplay>(this);
    FFlatStyleDisplay = std::make_unique<TFlatStyleDisplay>(this);
    FOffice2007StyleDisplay = std::make_unique<TOffice2007StyleDisplay>(this);
    FOffice2010StyleDisplay = std::make_unique<TOffice2010StyleDisplay>(this);
    FOldStyleDisplay = std::make_unique<TOldStyleDisplay>(this);
    FOutlookStyleDisplay = std::make_unique<TOutlookStyleDisplay>(this);
    FVistaStyleDisplay = std::make_unique<TVistaStyleDisplay>(this);
    FCurrentStyleDisplay = FDefaultStyleDisplay.get();
    SetParentColor(false);
    SetColor(clWindow);
    SetTabStop(true);
    SetBorderStyle(bsSingle);
    SetBounds(Left(), Top(), 250, 150);
    HorzScrollBar()->SetSmallChange(1);
    VertScrollBar()->SetAutoHide(true);
}

TGxCustomGridControl::~TGxCustomGridControl() {
    FColumns->OnChange = nullptr;
    FColumns->OnRepaint = nullptr;
    FColumns->OnColumnChange = nullptr;
    // An editor supplied by the application may outlive the grid: it must not call back into it.
    DetachEditorEvents();
    FInplaceEdit = nullptr;
    std::unique_ptr<TGxColumns> owned(FColumns);
}

void TGxCustomGridControl::ChooseStyleDisplay() {
    switch (FHeaderStyle) {
    case hsAuto: FCurrentStyleDisplay = FDefaultStyleDisplay.get(); break;
    case hsFlatBorders: FCurrentStyleDisplay = FFlatStyleDisplay.get(); break;
    case hsOffice2007: FCurrentStyleDisplay = FOffice2007StyleDisplay.get(); break;
    case hsOffice2010: FCurrentStyleDisplay = FOffice2010StyleDisplay.get(); break;
    case hsOldStyle: FCurrentStyleDisplay = FOldStyleDisplay.get(); break;
    case hsOutlook: FCurrentStyleDisplay = FOutlookStyleDisplay.get(); break;
    case hsVista: FCurrentStyleDisplay = FVistaStyleDisplay.get(); break;
    }
}

void TGxCustomGridControl::SetHeaderStyle(THeaderStyle Value) {
    if (Value == FHeaderStyle) return;
    FHeaderStyle = Value;
    ChooseStyleDisplay();
    Invalidate();
    DrawBorder();
}

void TGxCustomGridControl::SetAppearanceOptions(const TAppearanceOptions& Value) {
    FAppearanceOptions = Value;
    UpdateGridSpace();
    Invalidate();
    DrawBorder();
}

void TGxCustomGridControl::SetCaption(const QString& Value) {
    FCaption = Value;
    TRect r = GetBodyRect();
    r.Left = 0;
    r.Right = ClientWidth();
    InvalidateArea(r);
}

void TGxCustomGridControl::SetFixedCols(int Value) {
    FFixedCols = Value;
    FColumns->SetFixedCols(Value);
    Invalidate();
}

void TGxCustomGridControl::SetFooterSize(int Value) {
    FFooterSize = Value;
    Invalidate();
}

void TGxCustomGridControl::SetGridLinesColor(TColor Value) {
    FGridLinesColor = Value;
    Invalidate();
}

void TGxCustomGridControl::SetGridLinesStyle(TGridLinesStyle Value) {
    FGridLinesStyle = Value;
    UpdateGridSpace();
    Invalidate();
}

void TGxCustomGridControl::SetGridStyle(TGridStyle Value) {
    if (Value == FGridStyle) return;
    FGridStyle = Value;
    GridStyleChanged();
    if (Value == gsSlides) {
        EndEditing();
        FInputSelected = false;
    }
    Invalidate();
    RepositionEditor();
    UpdateHorzScrollBar();
    UpdateVertScrollBar();
}

void TGxCustomGridControl::SetHeaderSize(int Value) {
    FHeaderSize = Value;
    Invalidate();
    RepositionEditor();
}

void TGxCustomGridControl::SetInputSize(int Value) {
    FInputSize = Value;
    Invalidate();
}

void TGxCustomGridControl::SetOptions(const TGridOptions& Value) {
    const bool indicatorSwitched = Value.Contains(goIndicator) != FOptions.Contains(goIndicator);
    FOptions = Value;
    if (indicatorSwitched && OnUpdateColumns) OnUpdateColumns(this);
    UpdateGridSpace();
    if (HandleAllocated()) {
        Invalidate();
        RepositionEditor();
        UpdateHorzScrollBar();
    }
}

void TGxCustomGridControl::SetRowSize(int Value) {
    if (Value <= 0) return;
    FRowSize = Value;
    RefreshArea(gaBody);
    RefreshArea(gaInput);
    RefreshArea(gaIndicator);
    RepositionEditor();
}

void TGxCustomGridControl::SetSlideSize(int Value) {
    FSlideSize = Value;
    UpdateVertScrollBar();
    Invalidate();
}

void TGxCustomGridControl::BeginUpdate() { ++FUpdateCount; }

void TGxCustomGridControl::EndUpdate() {
    if (FUpdateCount > 0) --FUpdateCount;
    if (FUpdateCount != 0) return;
    RefreshArea(gaBody);
    RefreshArea(gaHeader);
    RefreshArea(gaFooter);
    RefreshArea(gaIndicator);
    UpdateVertScrollBar();
}

void TGxCustomGridControl::SetEnableVisualStyles(bool Value) {
    FEnableVisualStyles = Value;
    Invalidate();
    DrawBorder();
}

void TGxCustomGridControl::SetHideScrollBar(bool Value) {
    FHideScrollBar = Value;
    VertScrollBar()->SetAutoHide(Value);
}

void TGxCustomGridControl::SetIndicatorDrawingOptions(TDrawingOptions Value) {
    FIndicatorDrawingOptions = Value;
    RefreshArea(gaIndicator);
}

void TGxCustomGridControl::SetSlidesOptions(const TSlideOptions& Value) {
    FSlideOptions = Value;
    Invalidate();
}

void TGxCustomGridControl::SetSlideSelectionColor(TColor Value) {
    FSlideSelectionColor = Value;
    Invalidate();
}

void TGxCustomGridControl::SetSlideCaptionColor(TColor Value) {
    FSlideCaptionColor = Value;
    Invalidate();
}

void TGxCustomGridControl::SetSortedStyle(TSortedStyle Value) {
    FSortedStyle = Value;
    Invalidate();
}

// --- best fit

void TGxCustomGridControl::BestFitColumn(int Index, TBestFitMode BestFitMode, bool OnlyVisible) {
    if (!FColumns->Exists(Index)) return;
    TGxCustomColumn* column = FColumns->Item(Index);
    TCanvas* canvas = Canvas();
    int w = 8;
    if (BestFitMode != bfCells) {
        FCurrentStyleDisplay->SetCanvas(canvas);
        canvas->SetFont(*Font());
        w = FCurrentStyleDisplay->GetHeaderContentWidth(column);
    }
    if (BestFitMode != bfHeader) {
        TColumnDisplay* display = column->Display();
        for (int row = 0, count = RowCount(); row < count; ++row) {
            if (OnlyVisible && !RowVisible(row)) continue;
            display->Canvas = canvas;
            display->ClientRect = TRect(0, 0, column->Width(), RowHeight(row));
            canvas->SetFont(*column->Font());
            const TCellState state = GetCellState(Index, row);
            QString text = GetDrawText(Index, row);
            DoApplyCell(Index, row, text);
            display->AsString = text;
            FormatCell(Index, row, state, text);
            w = std::max(w, display->GetContentWidth());
        }
    }
    column->SetWidth(w + 2 * column->Padding() + 5);
}

void TGxCustomGridControl::BestFitColumns(TBestFitMode BestFitMode, bool OnlyVisible) {
    for (int i = 0; i < FColumns->Count(); ++i) BestFitColumn(i, BestFitMode, OnlyVisible);
}

int TGxCustomGridControl::GetCellHeight(int ACol, int ARow) {
    TGxCustomColumn* column = FColumns->Item(ACol);
    TColumnDisplay* display = column->Display();
    TCanvas* canvas = Canvas();
    display->Canvas = canvas;
    display->Level = GetRowLevel(ARow);
    display->ClientRect = TRect(0, 0, column->Width() + FGridSpace[lpLeft] - FGridSpace[lpRight], FRowSize);
    canvas->SetFont(*column->Font());
    const TCellState state = GetCellState(ACol, ARow);
    QString text = GetDrawText(ACol, ARow);
    DoApplyCell(ACol, ARow, text);
    FormatCell(ACol, ARow, state, text);
    display->AsString = text;
    return display->GetTextSize().cy;
}

void TGxCustomGridControl::BestFitRow(int ARow, int ACol) {
    SetRowHeight(ARow, CellBounds(ACol, ARow) ? std::max(FRowSize, GetCellHeight(ACol, ARow)) : FRowSize);
}

void TGxCustomGridControl::BestFitRow(int Index) {
    int h = FRowSize;
    for (int i = 0; i < FColumns->Count(); ++i)
        if (FColumns->Item(i)->Visible()) h = std::max(h, GetCellHeight(i, Index));
    SetRowHeight(Index, h);
}

// --- visible rows

int TGxCustomGridControl::GetNextVisibleRow(int Index) const {
    for (int i = std::max(Index, 0), count = RowCount(); i < count; ++i)
        if (RowVisible(i)) return i;
    return Index;
}

int TGxCustomGridControl::GetPrevVisibleRow(int Index) const {
    for (int i = std::min(Index, RowCount() - 1); i >= 0; --i)
        if (RowVisible(i)) return i;
    return Index;
}

int TGxCustomGridControl::CountVisibleRows(int A, int B) const {
    const int begin = std::max(std::min(A, B), 0), end = std::min(std::max(A, B), RowCount());
    int h = 0;
    if (UniformRows(h)) return std::max(0, end - begin);
    int n = 0;
    for (int i = begin; i < end; ++i)
        if (RowVisible(i)) ++n;
    return n;
}

int TGxCustomGridControl::GetRowAtVisibleOffset(int N) const {
    if (N <= 0) return FFirstRow;
    const int count = RowCount();
    int h = 0;
    if (UniformRows(h)) return std::min(FFirstRow + N - 1, count);
    int passed = 0;
    int i = FFirstRow;
    for (; i < count; ++i) {
        if (!RowVisible(i)) continue;
        if (passed == N - 1) return i;
        ++passed;
    }
    return std::min(i, count);
}

// --- rows and sorting

int TGxCustomGridControl::GetSelectedCount() const {
    int n = 0;
    for (int i = 0, count = RowCount(); i < count; ++i)
        if (Selected(i)) ++n;
    return n;
}

int TGxCustomGridControl::GetHorzOverflow() const {
    const int v = FColumns->ClientWidth() + (FOptions.Contains(goIndicator) ? kIndicatorWidth : 0) - ClientWidth();
    return v > 0 ? v : 0;
}

bool TGxCustomGridControl::IsCellHidden(int ACol, int ARow) {
    bool showing = true;
    DoCellShowing(ACol, ARow, showing);
    return !showing;
}

void TGxCustomGridControl::SortColumn(TGxCustomColumn* AColumn, bool) {
    if (!AColumn || !AColumn->Options().Contains(coCanSort)) return;
    EndEditing();
    FSortedColumn = AColumn;
    DoSortColumn(AColumn->Index(), AColumn->SortKind() == skAscending);
}

void TGxCustomGridControl::Resort() {
    if (FSortedColumn) SortColumn(FSortedColumn, FSortedColumn->SortKind() == skAscending);
}

void TGxCustomGridControl::ResetView() {
    FFirstRow = 0;
    VertScrollBar()->SetPosition(0);
}

void TGxCustomGridControl::SetSelectedCellSilently(int ACol, int ARow) {
    FSelectedColumn = ACol;
    FSelectedRow = ARow;
}

void TGxCustomGridControl::ClearRows() {
    FFirstRow = 0;
    FSelectedColumn = 0;
    FSelectedRow = -1;
    EndEditing();
}

// --- column-list notifications

void TGxCustomGridControl::ColumnsChanged(TColumnsOperation Operation, int, int) {
    if (Operation == TColumnsOperation::opDelete || Operation == TColumnsOperation::opClear) EndEditing();
    UpdateHorzScrollBar();
}

void TGxCustomGridControl::ColumnsRepaint(TColumnsOperation Operation, int, int) {
    if (Operation != TColumnsOperation::opClear) RepositionEditor();
    Invalidate();
}

void TGxCustomGridControl::ColumnChanged(TGxCustomColumn* Column, TColumnChangeKind Kind, int Param) {
    if (!HandleAllocated() || !Column) return;
    if (Kind == ccPosition || Kind == ccSorted || Kind == ccVisible || Kind == ccWidth) RepositionEditor();
    switch (Kind) {
    case ccInputChange: RefreshColumn(Column, gaInput); break;
    case ccPosition:
        DoColumnMove(Column->Index(), Param, Column->Position());
        Invalidate();
        break;
    case ccVisible:
        UpdateHorzScrollBar();
        Invalidate();
        break;
    case ccUndefined: RefreshColumn(Column, gaNone); break;
    case ccRevertStyle: RevertStyle(Column->Index()); break;
    case ccSlideChanged:
        RefreshColumnSlide(Column);
        DoSlideChange(Column->Index());
        break;
    case ccUnsorted:
        RefreshColumn(Column, gaHeader);
        if (FAppearanceOptions.Contains(aoIndicateSortedColumn)) RefreshColumn(Column, gaBody);
        if (FSortedColumn == Column) FSortedColumn = nullptr;
        break;
    case ccWidth:
        if (!IsUpdating()) ScrollColumnsBy(Column, Param, FGridStyle == gsSlides);
        DoColumnResize(Column->Index());
        UpdateHorzScrollBar();
        break;
    case ccSorted:
    case ccSortTypeChange:
        if (Column->Sorted()) {
            RefreshColumn(Column, gaHeader);
            SortColumn(Column, Column->SortKind() == skAscending);
        }
        break;
    case ccFieldName: break;
    }
}

void TGxCustomGridControl::SetInactiveSelectionColor(TColor Value) {
    FInactiveSelectionColor = Value;
    Invalidate();
}

bool TGxCustomGridControl::IsGridFocused() const {
    return Focused() || (FInplaceEdit && FInplaceEdit->Focused());
}

void TGxCustomGridControl::SetInplaceEdit(TGxCustomEdit* Value) {
    DetachEditorEvents();
    FInplaceEdit = Value;
    if (!Value) return;
    Value->OnChange = nullptr;
    Value->SetParent(this);
    Value->SetText(QString());
    Value->SetWantTabs(FWantTabs);
}

void TGxCustomGridControl::DoEnter() {
    if (!FVisiting) {
        FVisiting = true;
        TGxScrollControl::DoEnter();
    }
    RefreshArea(gaIndicator);
}

void TGxCustomGridControl::DoExit() {
    // The focus went into the grid's own editor: the grid is not being left.
    if (QWidget* now = QApplication::focusWidget(); now && HandleAllocated() && Widget()->isAncestorOf(now)) return;
    if (FGridState.Contains(gtEdit) || FGridState.Contains(gtInput)) {
        ApplyEditing();
        EndEditing();
    }
    if (!FVisiting) return;
    FVisiting = false;
    TGxScrollControl::DoExit();
}

TColor TGxCustomGridControl::GetCellColor(int ACol, int) {
    return FColumns->Exists(ACol) ? FColumns->Item(ACol)->Color() : Color();
}

bool TGxCustomGridControl::IsCellHighlighted(int ACol, int ARow) {
    if (FGridStyle == gsSlides && !FAppearanceOptions.Contains(aoHighlightSlideCells)) return false;
    if (FInputSelected || !FColumns->Exists(ACol)) return false;
    if (FColumns->Item(ACol)->Options().Contains(coDontHighlight)) return false;
    if (!IsGridFocused() && FAppearanceOptions.Contains(aoHideSelection)) return false;
    const TPoint cell{ACol, ARow};
    const bool isSelectedCell = ACol == FSelectedColumn && ARow == FSelectedRow;
    const bool isEditing = cell == FEditingCell;
    if (FOptions.Contains(goSelectFullRow))
        return ARow >= 0 && ARow < RowCount() && Selected(ARow) &&
               (!isSelectedCell || (!FAppearanceOptions.Contains(aoIndicateSelectedCell) && !isEditing));
    return isSelectedCell && !isEditing;
}

TColor TGxCustomGridControl::GetActualCellColor(int ACol, int ARow) {
    TColor c = GetCellColor(ACol, ARow);
    if (FAppearanceOptions.Contains(aoIndicateSortedColumn) && FColumns->Exists(ACol) &&
        FColumns->Item(ACol)->Sorted())
        c = BlendColors(clBlack, c, 10);
    if (!IsCellHighlighted(ACol, ARow)) return c;
    if (!IsGridFocused()) return FInactiveSelectionColor;
    if (FAppearanceOptions.Contains(aoAlphaBlendedSelection)) return BlendColorsByRatio(c, clHighlight, 0.25);
    return FSelectionColor;
}

TColor TGxCustomGridControl::GetActualCellFontColor(int ACol, int ARow) {
    // A quarter-strength blend stays light: the highlight text colour (white) would not read on it.
    if (IsCellHighlighted(ACol, ARow) && IsGridFocused() && !FAppearanceOptions.Contains(aoAlphaBlendedSelection))
        return FHighlightedTextColor;
    return FColumns->Exists(ACol) ? FColumns->Item(ACol)->Font()->Color() : Font()->Color();
}

TCellState TGxCustomGridControl::GetCellState(int ACol, int ARow) {
    if (FColumns->Exists(ACol)) Canvas()->SetFont(*FColumns->Item(ACol)->Font());
    TColor cellColor = GetActualCellColor(ACol, ARow);
    TColor gridColor = FGridLinesColor;
    TCellState state;
    if (IsCellHighlighted(ACol, ARow)) {
        state.Include(csSelected);
        if (FAppearanceOptions.Contains(aoBoldTextSelection)) state.Include(csBoldTextSelection);
    }
    if (IsGridFocused() && !FAppearanceOptions.Contains(aoHideFocus)) state.Include(csFocused);
    DoCellColoring(ACol, ARow, cellColor, gridColor, state);
    return state;
}

int TGxCustomGridControl::RowOfName(const Variant& ARow) const {
    const QString s = VarToStr(ARow);
    if (s.compare(QLatin1String("First"), Qt::CaseInsensitive) == 0) return 0;
    if (s.compare(QLatin1String("Last"), Qt::CaseInsensitive) == 0) return RowCount() - 1;
    if (s.compare(QLatin1String("Selected"), Qt::CaseInsensitive) == 0) return FSelectedRow;
    bool ok = false;
    const int v = s.trimmed().toInt(&ok);
    if (!ok)
        throw Exception(QStringLiteral("Invalid Rowname '%1' for '%2:%3'.").arg(s, ClassName(), Name()));
    return v;
}

int TGxCustomGridControl::ColumnOfName(const Variant& ACol) const {
    const QString s = VarToStr(ACol);
    if (s.compare(QLatin1String("First"), Qt::CaseInsensitive) == 0) return 0;
    if (s.compare(QLatin1String("Last"), Qt::CaseInsensitive) == 0) return FColumns->Count() - 1;
    if (s.compare(QLatin1String("Selected"), Qt::CaseInsensitive) == 0) return FSelectedColumn;
    if (TGxCustomColumn* c = FColumns->Column(s)) return c->Index();
    bool ok = false;
    const int v = s.trimmed().toInt(&ok);
    if (!ok)
        throw Exception(QStringLiteral("Invalid Columnname '%1' for '%2:%3'.").arg(s, ClassName(), Name()));
    return v;
}

QString TGxCustomGridControl::CellsByName(const Variant& ACol, const Variant& ARow) {
    const int row = RowOfName(ARow);
    const int col = ColumnOfName(ACol);
    return GetCells(col, row);
}

void TGxCustomGridControl::SetCellsByName(const Variant& ACol, const Variant& ARow, const QString& Value) {
    const int row = RowOfName(ARow);
    const int col = ColumnOfName(ACol);
    SetCells(col, row, Value);
}

// The settings a form file may carry; the grids below publish them unchanged.
KORVEL_CLASS_INFO(TGxCustomGridControl) {
    using G = TGxCustomGridControl;
    b.Prop("AppearanceOptions", &G::AppearanceOptions, &G::SetAppearanceOptions)
        .Default(TAppearanceOptions{aoHideSelection, aoHighlightSlideCells});
    b.Prop("AutoScroll", &G::AutoScroll, &G::SetAutoScroll).Default(false);
    b.Prop("BorderStyle", &G::BorderStyle, &G::SetBorderStyle).Default(bsSingle);
    b.Prop("Caption", &G::Caption, &G::SetCaption);
    b.Prop("EnableVisualStyles", &G::EnableVisualStyles, &G::SetEnableVisualStyles).Default(true);
    b.Prop("FixedCols", &G::FixedCols, &G::SetFixedCols).Default(0);
    b.Prop("FooterSize", &G::FooterSize, &G::SetFooterSize).Default(18);
    b.Prop("GridLinesColor", &G::GridLinesColor, &G::SetGridLinesColor).Type("TColor").Default(clBtnFace);
    b.Prop("GridLinesStyle", &G::GridLinesStyle, &G::SetGridLinesStyle).Default(lsNormal);
    b.Prop("GridStyle", &G::GridStyle, &G::SetGridStyle).Default(gsReport);
    b.Prop("HeaderSize", &G::HeaderSize, &G::SetHeaderSize).Default(18);
    b.Prop("HeaderStyle", &G::HeaderStyle, &G::SetHeaderStyle).Default(hsAuto);
    b.Prop("HideScrollBar", &G::HideScrollBar, &G::SetHideScrollBar).Default(true);
    b.Prop("HighlightedTextColor", &G::HighlightedTextColor, &G::SetHighlightedTextColor)
        .Type("TColor")
        .Default(clHighlightText);
    b.Prop("HomeEndBehaviour", &G::HomeEndBehaviour, &G::SetHomeEndBehaviour).Default(hebTopBottom);
    b.Prop("InactiveSelectionColor", &G::InactiveSelectionColor, &G::SetInactiveSelectionColor)
        .Type("TColor")
        .Default(clBtnFace);
    b.Prop("IndicatorDrawingOptions", &G::IndicatorDrawingOptions, &G::SetIndicatorDrawingOptions).Default(doNormal);
    b.Prop("InputEnterMode", &G::InputEnterMode, &G::SetInputEnterMode).Default(imEditing);
    b.Prop("InputSize", &G::InputSize, &G::SetInputSize).Default(16);
    b.Prop("MouseWheelEnabled", &G::MouseWheelEnabled, &G::SetMouseWheelEnabled).Default(true);
    b.Prop("Options", &G::Options, &G::SetOptions).Default(TGridOptions{goHeader});
    b.Prop("ReadOnly", &G::ReadOnly, &G::SetReadOnly).Default(false);
    b.Prop("RowSize", &G::RowSize, &G::SetRowSize).Default(16);
    b.Prop("SelectionColor", &G::SelectionColor, &G::SetSelectionColor).Type("TColor").Default(clHighlight);
    b.Prop("SelectionMoveDirection", &G::SelectionMoveDirection, &G::SetSelectionMoveDirection).Default(mdDown);
    b.Prop("SlidesOptions", &G::SlidesOptions, &G::SetSlidesOptions).Default(TSlideOptions{soFrame, soHideSelection});
    b.Prop("SlideSelectionColor", &G::SlideSelectionColor, &G::SetSlideSelectionColor)
        .Type("TColor")
        .Default(clWindow);
    b.Prop("SlideSize", &G::SlideSize, &G::SetSlideSize).Default(80);
    b.Prop("SortedStyle", &G::SortedStyle, &G::SetSortedStyle).Default(soDefault);
    b.Prop("TabLeaveControl", &G::TabLeaveControl, &G::SetTabLeaveControl).Default(true);
    b.Prop("Version", &G::Version, &G::SetVersion).Stored(false);
    b.Prop("WantReturns", &G::WantReturns, &G::SetWantReturns).Default(false);
    b.Prop("WantTabs", &G::WantTabs, &G::SetWantTabs).Default(false);
    b.Event("OnAfterEdit", &G::OnAfterEdit, "TEditEvent");
    b.Event("OnAfterRowMove", &G::OnAfterRowMove, "TAfterRowMoveEvent");
    b.Event("OnAfterSort", &G::OnAfterSort, "TColumnEvent");
    b.Event("OnApplyCell", &G::OnApplyCell, "TApplyCellEvent");
    b.Event("OnApplyEditText", &G::OnApplyEditText, "TApplyEditText");
    b.Event("OnBeforeEdit", &G::OnBeforeEdit, "TBeforeEditEvent");
    b.Event("OnBeforeSelect", &G::OnBeforeSelect, "TBeforeEditEvent");
    b.Event("OnCalculateRow", &G::OnCalculateRow, "TCalculateRowEvent");
    b.Event("OnCellClick", &G::OnCellClick, "TCellEvent");
    b.Event("OnCellColoring", &G::OnCellColoring, "TCellColoringEvent");
    b.Event("OnCellDblClick", &G::OnCellDblClick, "TCellEvent");
    b.Event("OnCellHint", &G::OnCellHint, "TCellHintEvent");
    b.Event("OnCellShowing", &G::OnCellShowing, "TCellShowingEvent");
    b.Event("OnChange", &G::OnChange, "TChangeEvent");
    b.Event("OnChangeRowHeight", &G::OnChangeRowHeight, "TChangeRowHeightEvent");
    b.Event("OnColumnFooterValue", &G::OnColumnFooterValue, "TColumnFooterValueEvent");
    b.Event("OnColumnMove", &G::OnColumnMove, "TColumnMoveEvent");
    b.Event("OnColumnResize", &G::OnColumnResize, "TColumnResizeEvent");
    b.Event("OnCustomDrawCell", &G::OnCustomDrawCell, "TCustomDrawCellEvent");
    b.Event("OnCustomDrawFooter", &G::OnCustomDrawFooter, "TCustomDrawFooterEvent");
    b.Event("OnCustomDrawHeader", &G::OnCustomDrawHeader, "TCustomDrawHeaderEvent");
    b.Event("OnCustomDrawIndicator", &G::OnCustomDrawIndicator, "TCustomDrawIndicatorEvent");
    b.Event("OnDataChange", &G::OnDataChange, "TDataChangeEvent");
    b.Event("OnDeselectCell", &G::OnDeselectCell, "TCellEvent");
    b.Event("OnDrawCellBackground", &G::OnDrawCellBackground, "TDrawCellBackgroundEvent");
    b.Event("OnEdit", &G::OnEdit, "TEditEvent");
    b.Event("OnEditAccept", &G::OnEditAccept, "TEditAcceptEvent");
    b.Event("OnEditEnter", &G::OnEditEnter, "TNotifyEvent");
    b.Event("OnEditExit", &G::OnEditExit, "TNotifyEvent");
    b.Event("OnEditText", &G::OnEditText, "TEditTextEvent");
    b.Event("OnEndEditing", &G::OnEndEditing, "TEndEditingEvent");
    b.Event("OnFooterCalculate", &G::OnFooterCalculate, "TFooterCalculateEvent");
    b.Event("OnFooterClick", &G::OnFooterClick, "THeaderClickEvent");
    b.Event("OnHeaderClick", &G::OnHeaderClick, "THeaderClickEvent");
    b.Event("OnHeaderDblClick", &G::OnHeaderDblClick, "THeaderClickEvent");
    b.Event("OnInputAccept", &G::OnInputAccept, "TInputAcceptEvent");
    b.Event("OnInputAdded", &G::OnInputAdded, "TNotifyEvent");
    b.Event("OnInputSelectCell", &G::OnInputSelectCell, "TColumnEvent");
    b.Event("OnLoadProgress", &G::OnLoadProgress, "TLoadProgressEvent");
    b.Event("OnMeasuringRowHeight", &G::OnMeasuringRowHeight, "TMeasuringRowHeightEvent");
    b.Event("OnPostDraw", &G::OnPostDraw, "TNotifyEvent");
    b.Event("OnRowMove", &G::OnRowMove, "TRowMoveEvent");
    b.Event("OnSelectCell", &G::OnSelectCell, "TCellEvent");
    b.Event("OnSelectionMove", &G::OnSelectionMove, "TSelectionMoveEvent");
    b.Event("OnSlideChange", &G::OnSlideChange, "TColumnEvent");
    b.Event("OnSlideColoring", &G::OnSlideColoring, "TSlideColoringEvent");
    b.Event("OnSortColumn", &G::OnSortColumn, "TSortColumnEvent");
    b.Event("OnHorizontalScroll", &G::OnHorizontalScroll, "TScrollEvent");
    b.Event("OnVerticalScroll", &G::OnVerticalScroll, "TScrollEvent");
}
