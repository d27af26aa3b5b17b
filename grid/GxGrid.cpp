#include "grid/GxGrid.h"

#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TextCase.h"

#include <QStringList>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <set>
#include <typeinfo>

namespace {

// An optional sign, digits and at most one "." with digits after it, nothing else: read exactly as
// the invariant conversion reads it. False for anything else, which takes the general path.
bool PlainDecimal(const QString& Text, double& Value) {
    const qsizetype n = Text.size();
    if (n == 0 || n > 40) return false;
    const QChar* const s = Text.constData();
    qsizetype i = 0;
    const bool negative = s[0] == QLatin1Char('-');
    if (negative || s[0] == QLatin1Char('+')) ++i;
    const qsizetype first = i;
    // One pass: the digits as an integer and the count after the point.
    std::uint64_t m = 0;
    int digits = 0, fraction = -1;
    for (; i < n; ++i) {
        const char16_t u = s[i].unicode();
        if (u >= '0' && u <= '9') {
            m = m * 10 + std::uint64_t(u - '0'); // wraps past 19 digits, but then it is not used
            ++digits;
            if (fraction >= 0) ++fraction;
        } else if (u == '.' && fraction < 0 && digits > 0) {
            fraction = 0;
        } else {
            return false;
        }
    }
    if (digits == 0 || fraction == 0) return false;
    // Up to 15 digits (so at most 15 after the point): the digits as an integer and the power of
    // ten are both exact doubles, and one division rounds correctly, so this is what the full
    // conversion below gives, only without its call.
    if (digits <= 15) {
        static constexpr double kPow10[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                            1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        const double v = fraction > 0 ? double(m) / kPow10[fraction] : double(m);
        Value = negative ? -v : v;
        return true;
    }
    char buf[48];
    int k = 0;
    for (qsizetype j = first; j < n; ++j)
        buf[k++] = static_cast<char>(s[j].unicode());
    double v = 0;
    const auto [ptr, ec] = std::from_chars(buf, buf + k, v);
    if (ec != std::errc() || ptr != buf + k) return false;
    Value = negative ? -v : v;
    return true;
}

// A footer reads numbers the way the database hands them over ("2.5") before the user's form
// ("2,5"); empty and non-numeric cells count as no value.
bool FooterNumber(TCell* Cell, double& Value) {
    if (Cell->Empty()) return false;
    // Most cells are text cells holding a plain decimal ("1234.5"): read it in place, without
    // copies. The exact type test is a compare where dynamic_cast walks the class tree.
    if (typeid(*Cell) == typeid(TStringCell) && PlainDecimal(static_cast<TStringCell*>(Cell)->Text(), Value))
        return true;
    if (dynamic_cast<TStringCell*>(Cell) || dynamic_cast<TTextValueCell*>(Cell)) {
        const QString text = Cell->AsString().trimmed();
        if (text.isEmpty()) return false;
        static const TFormatSettings invariant = TFormatSettings::Invariant();
        return TryStrToFloat(text, Value, invariant) || TryStrToFloat(text, Value);
    }
    return Cell->TryAsFloat(Value);
}

} // namespace

TGxGrid::TGxGrid(TComponent* AOwner) : TGxCustomGrid(AOwner) {
    FCells = std::make_unique<TCells>(this, Columns());
    FCells->SetRowHeight(RowSize());
    FCells->OnCellChange = [this](TObject* Sender, int ACol, int ARow) { CellsChange(Sender, ACol, ARow); };
    FCells->OnCompare = [this](TObject* Sender, TCell* Cell1, TCell* Cell2, int& Compare) {
        CellsCompare(Sender, Cell1, Cell2, Compare);
    };
}

TGxGrid::~TGxGrid() {
    // Column-list notifications during the base destruction must not reach a freed store.
    std::unique_ptr<TCells> cells = std::move(FCells);
    cells.reset();
}

// ---------------------------------------------------------------------------------------------
// Store events

void TGxGrid::CellsChange(TObject*, int ACol, int ARow) {
    if (IsUpdating()) return;
    RefreshCell(ACol, ARow);
    DoChange(ACol, ARow);
}

void TGxGrid::CellsCompare(TObject*, TCell* Cell1, TCell* Cell2, int& Compare) {
    DoCompare(Cell1, Cell2, Compare);
}

void TGxGrid::DoCellFormating(int ACol, int ARow, TColor& TextColor, TFontStyles& FontStyle, TCellState CellState) {
    if (OnCellFormating) OnCellFormating(this, ACol, ARow, TextColor, FontStyle, CellState);
}

void TGxGrid::DoCompare(TCell* Cell1, TCell* Cell2, int& Compare) {
    if (OnCompare) OnCompare(this, Cell1, Cell2, Compare);
}

void TGxGrid::DoExpand(int ARow) {
    if (OnExpand) OnExpand(this, ARow);
}

// ---------------------------------------------------------------------------------------------
// Cells

bool TGxGrid::InRange(int ACol, int ARow) const {
    return FCells && ARow >= 0 && ARow < FCells->RowCount() && ACol >= 0 && ACol < Columns()->Count() &&
           ACol < FCells->ColCount();
}

TCell* TGxGrid::GetCell(int ACol, int ARow) {
    return FCells->GetCell(ACol, ARow);
}

// The names resolve exactly as CellsByName resolves them: its cell read is caught here and only
// records the coordinates.
TCell* TGxGrid::GetCellByName(const Variant& ACol, const Variant& ARow) {
    const int row = RowOfName(ARow);
    return GetCell(ColumnOfName(ACol), row);
}

// Out of range reads give an empty text and writes do nothing: form scripts probe cells freely.
QString TGxGrid::GetCells(int ACol, int ARow) {
    if (!InRange(ACol, ARow)) return QString();
    return FCells->GetCell(ACol, ARow)->AsString();
}

void TGxGrid::SetCells(int ACol, int ARow, const QString& Value) {
    if (!InRange(ACol, ARow)) return;
    FCells->GetCell(ACol, ARow)->SetAsString(Value);
}

void TGxGrid::AddCells(const QStringList& Values) {
    const int cols = Columns()->Count();
    int row = AddRow(1);
    if (cols == 0) return;
    int col = 0;
    for (const QString& value : Values) {
        if (col == cols) {
            row = AddRow(1);
            col = 0;
        }
        SetCells(col++, row, value);
    }
}

void TGxGrid::AddCells(const QStringList& Values, int ACol) {
    if (RowCount() < Values.size()) SetRowCount(Values.size());
    for (int i = 0; i < Values.size(); ++i)
        if (InRange(ACol, i)) FCells->GetCell(ACol, i)->SetAsString(Values[i]);
}

void TGxGrid::GetCellInfo(int ACol, int ARow, TCellInfo& Info) {
    if (!InRange(ACol, ARow)) return;
    TCell* cell = FCells->GetCell(ACol, ARow);
    switch (Columns()->Item(ACol)->ColumnType()) {
    case ctAutoInc: Info.AsInteger = ARow; break;
    case ctBoolean: Info.AsBoolean = cell->AsBoolean(); break;
    case ctDate: Info.AsDateTime = cell->AsDateTime(); break;
    case ctFloat: Info.AsFloat = cell->AsFloat(); break;
    case ctGraphic: Info.ObjectReference = cell->ObjectReference(); break;
    case ctGuid:
    case ctString:
    case ctVirtual: Info.AsString = cell->AsString(); break;
    case ctInteger: Info.AsInteger = cell->AsInteger(); break;
    default: break;
    }
}

QString TGxGrid::GetDrawText(int ACol, int ARow) {
    if (!InRange(ACol, ARow)) return QString();
    TCellInfo info;
    GetCellInfo(ACol, ARow, info);
    return Columns()->Item(ACol)->GetDrawText(info);
}

QString TGxGrid::GetHintText(int ACol, int ARow) {
    if (!InRange(ACol, ARow)) return QString();
    TCellInfo info;
    GetCellInfo(ACol, ARow, info);
    return Columns()->Item(ACol)->GetHintText(info);
}

TColor TGxGrid::GetCellColor(int ACol, int ARow) {
    if (!InRange(ACol, ARow)) return TGxCustomGrid::GetCellColor(ACol, ARow);
    TGxCustomColumn* column = Columns()->Item(ACol);
    if (column->ParentCellColor()) return column->Color();
    return FCells->GetCell(ACol, ARow)->Color();
}

void TGxGrid::GetCellHint(int ACol, int ARow, QString& Hint) {
    if (InRange(ACol, ARow)) Hint = FCells->GetCell(ACol, ARow)->Hint();
    DoCellHint(ACol, ARow, Hint);
}

bool TGxGrid::IsCellHidden(int ACol, int ARow) {
    if (InRange(ACol, ARow) && FCells->GetCell(ACol, ARow)->Empty()) return true;
    return TGxCustomGrid::IsCellHidden(ACol, ARow);
}

bool TGxGrid::PrepareCellPaint(int ACol, int ARow, TCellState CellState) {
    TGxCustomGrid::PrepareCellPaint(ACol, ARow, CellState);
    if (!InRange(ACol, ARow)) return false;
    TCellInfo info;
    GetCellInfo(ACol, ARow, info);
    TGxCustomColumn* column = Columns()->Item(ACol);
    TColumnDisplay* display = column->Display();
    QString text;
    if (display) {
        switch (column->ColumnType()) {
        case ctAutoInc: display->AsInteger = ARow; break;
        case ctBoolean: display->AsBoolean = info.AsBoolean; break;
        case ctDate: display->AsDateTime = info.AsDateTime; break;
        case ctFloat: display->AsFloat = info.AsFloat; break;
        case ctGraphic: display->ObjectReference = info.ObjectReference; break;
        case ctGuid:
        case ctString:
        case ctVirtual: display->AsString = info.AsString; break;
        case ctInteger: display->AsInteger = info.AsInteger; break;
        default: break;
        }
        text = display->AsString;
    }
    FormatCell(ACol, ARow, CellState, text);
    return true;
}

void TGxGrid::FormatCell(int ACol, int ARow, TCellState CellState, QString& Text) {
    if (!InRange(ACol, ARow)) return;
    TCanvas* canvas = Canvas();
    if (!canvas) return;
    TCell* cell = FCells->GetCell(ACol, ARow);
    TFontStyles style = cell->FontStyle();
    if (CellState.Contains(csBoldTextSelection)) style.Include(fsBold);
    TColor color = CellState.Contains(csSelected) ? canvas->Font().Color() : cell->TextColor();
    DoCellFormating(ACol, ARow, color, style, CellState);
    canvas->Font().SetColor(color);
    canvas->Font().SetStyle(style);
}

// Only a tree-drawing column would take the row's tree state; the suite has none, so the inherited
// work is all there is.
void TGxGrid::PrepareCellDisplay(int ACol, int ARow, TColumnDisplay* Display) {
    TGxCustomGrid::PrepareCellDisplay(ACol, ARow, Display);
}

void TGxGrid::ColumnsChanged(TColumnsOperation ChangeOpearation, int Value1, int Value2) {
    TGxCustomGrid::ColumnsChanged(ChangeOpearation, Value1, Value2);
    if (FCells) FCells->ColumnsChange(ChangeOpearation, Value1, Value2);
}

void TGxGrid::RevertStyle(int Index) {
    if (!Columns()->Exists(Index) || Index >= FCells->ColCount()) return;
    TGxCustomColumn* column = Columns()->Item(Index);
    for (int r = 0; r < FCells->RowCount(); ++r) {
        TCell* cell = FCells->GetCell(Index, r);
        cell->SetColor(column->Color());
        cell->SetFontStyle(column->Font()->Style());
        cell->SetTextColor(column->Font()->Color());
    }
}

void TGxGrid::LoadCellPlay(TColumnPlay* Play) {
    if (!Play || !InRange(Play->Col, Play->Row)) return;
    Play->Level = GetRowLevel(Play->Row);
    TCell* cell = FCells->GetCell(Play->Col, Play->Row);
    switch (Columns()->Item(Play->Col)->ColumnType()) {
    case ctBoolean: Play->AsBoolean = cell->AsBoolean(); break;
    case ctInteger: Play->AsInteger = cell->AsInteger(); break;
    case ctString: Play->AsString = GetDrawText(Play->Col, Play->Row); break;
    default: break;
    }
}

void TGxGrid::CellPlayChange(TObject* Sender) {
    auto* play = dynamic_cast<TColumnPlay*>(Sender);
    if (!play || !InRange(play->Col, play->Row)) return;
    const int col = play->Col, row = play->Row;
    bool accept = true;
    DoEditAccept(col, row, play->AsString, accept);
    if (!accept) return;
    switch (Columns()->Item(col)->ColumnType()) {
    case ctBoolean: FCells->GetCell(col, row)->SetAsBoolean(play->AsBoolean); break;
    case ctInteger: FCells->GetCell(col, row)->SetAsInteger(play->AsInteger); break;
    default: break;
    }
    DoAfterEdit(col, row, FCells->GetCell(col, row)->AsString());
}

void TGxGrid::CellPlayExpand(TObject* Sender) {
    auto* play = dynamic_cast<TColumnPlay*>(Sender);
    if (play && play->Row >= 0 && play->Row < RowCount()) SetExpanded(play->Row, !GetExpanded(play->Row));
}

// ---------------------------------------------------------------------------------------------
// Row attributes

int TGxGrid::RowCount() const {
    return FCells ? FCells->RowCount() : 0;
}

int TGxGrid::GetVisibleRows() const {
    return FCells ? FCells->VisibleRowCount() : 0;
}

int TGxGrid::RowHeight(int Index) const {
    int height = Index >= 0 && Index < RowCount() ? FCells->GetRow(Index)->RowHeight() : RowSize();
    const_cast<TGxGrid*>(this)->DoMeasuringRowHeight(Index, height);
    return height;
}

int TGxGrid::GetRowImageIndex(int Index) const {
    return FCells->GetRow(Index)->ImageIndex();
}

int TGxGrid::GetRowLevel(int Index) const {
    return FCells->GetRow(Index)->Level();
}

bool TGxGrid::RowVisible(int Index) const {
    return Index >= 0 && Index < RowCount() && FCells->GetRow(Index)->CountsVisible();
}

bool TGxGrid::UniformRows(int& Height) const {
    // A measuring handler may size any row, so with one the rows must be asked one by one.
    if (!FCells || OnMeasuringRowHeight || FCells->OddHeightRows() != 0 ||
        FCells->VisibleRowCount() != FCells->RowCount())
        return false;
    Height = FCells->RowHeight();
    return true;
}

bool TGxGrid::Selected(int Index) const {
    return Index >= 0 && Index < RowCount() && FCells->GetRow(Index)->Selected();
}

void TGxGrid::SetRowSize(int Value) {
    TGxCustomGrid::SetRowSize(Value);
    if (FCells) FCells->SetRowHeight(RowSize());
}

void TGxGrid::SetRowHeight(int Index, int Value) {
    TRow* row = FCells->GetRow(Index);
    const int old = row->RowHeight();
    if (Value == old) return;
    FCells->SetRowHeight(Index, Value);
    TGxCustomGrid::SetRowHeight(Index, Value);
    if (row->CountsVisible() && !IsUpdating()) {
        RefreshRow(Index, false);
        ScrollBody(BodyScrollRect(GetRowTop(Index) + Value), Value - old);
        UpdateVertScrollBar();
    }
}

void TGxGrid::SetRowVisible(int Index, bool Value) {
    TRow* row = FCells->GetRow(Index);
    if (row->CountsVisible() == Value) return;
    FCells->ShowRow(Index, Value);
    // A row inside a collapsed branch stays out of view whatever its own flag says.
    if (row->CountsVisible() != Value) return;
    if (!IsUpdating()) ScrollForRow(Index, GridStyle() == gsSlides ? SlideSize() : RowHeight(Index), Value);
    TGxCustomGrid::SetRowVisible(Index, Value);
}

void TGxGrid::SetSelected(int Index, bool Value) {
    if (Index < 0 || Index >= RowCount()) return;
    TRow* row = FCells->GetRow(Index);
    if (row->Selected() == Value) return;
    row->SetSelected(Value);
    if (IsUpdating()) return;
    if (GridStyle() == gsReport)
        RefreshRow(Index, false);
    else
        RefreshSlide(Index, false);
}

void TGxGrid::SelectRange(int FromRow, int ToRow, bool Value) {
    if (FromRow < 0 || FromRow >= RowCount() || ToRow < 0 || ToRow >= RowCount()) return;
    for (int r = FromRow; r <= ToRow; ++r)
        FCells->GetRow(r)->SetSelected(Value);
    if (ToRow >= FromRow && !IsUpdating()) RefreshRange(FromRow, ToRow);
}

TRow* TGxGrid::GetRow(int Index) const {
    return FCells->GetRow(Index);
}

int TGxGrid::GetRowIndex(const TRow* ARow) const {
    return FCells->GetRowIndex(ARow);
}

bool TGxGrid::GetExpanded(int Index) const {
    return FCells->GetRow(Index)->Expanded();
}

int TGxGrid::GetLevel(int Index) const {
    return FCells->GetRow(Index)->Level();
}

bool TGxGrid::HasChildren(int Index) const {
    return FCells->GetRow(Index)->ChildCount() > 0;
}

int TGxGrid::GetCellColumnIndex(const TCell* ACell) const {
    return FCells->GetCellColumnIndex(ACell);
}

int TGxGrid::GetCellRowIndex(const TCell* ACell) const {
    return FCells->GetCellRowIndex(ACell);
}

// ---------------------------------------------------------------------------------------------
// The row tree

int TGxGrid::GetChildCount(int Index, bool Recurse) const {
    return Recurse ? FCells->GetChildCount(Index) : FCells->GetChildsCount(Index);
}

int TGxGrid::GetFirstChild(int Index) const {
    if (Index + 1 < RowCount() && GetLevel(Index + 1) > GetLevel(Index)) return Index + 1;
    return -1;
}

int TGxGrid::GetLastChild(int Index) const {
    if (RowCount() == 0) return -1;
    const int n = FCells->GetChildCount(Index);
    return n > 0 ? Index + n : -1;
}

int TGxGrid::GetNextSibling(int Index) const {
    const int level = GetLevel(Index);
    for (int r = Index + 1; r < RowCount(); ++r) {
        const int l = GetLevel(r);
        if (l < level) return -1;
        if (l == level) return r;
    }
    return -1;
}

int TGxGrid::GetPrevSibling(int Index) const {
    const int level = GetLevel(Index);
    for (int r = Index - 1; r >= 0; --r) {
        const int l = GetLevel(r);
        if (l < level) return -1;
        if (l == level) return r;
    }
    return -1;
}

int TGxGrid::GetParent(int Index) const {
    TRow* row = FCells->GetRow(Index);
    if (row->Level() == 0 || !row->ParentRow()) return -1;
    // The parent record lies above its child: walk up rather than search the whole list.
    for (int r = Index - 1; r >= 0; --r)
        if (FCells->GetRow(r) == row->ParentRow()) return r;
    return -1;
}

void TGxGrid::GetParentRowInfo(int& ARow, int& NextSibling) {
    NextSibling = GetNextSibling(ARow);
    ARow = GetParent(ARow);
}

void TGxGrid::SetExpanded(int Index, bool Value) {
    TRow* row = FCells->GetRow(Index);
    if (row->Expanded() == Value) return;
    row->SetExpanded(Value);
    RefreshRow(Index, false);
    if (row->ChildCount() > 0) SetChildrenShown(Index, Value);
    DoExpand(Index);
}

void TGxGrid::SetChildrenShown(int Index, bool Value) {
    const int level = GetLevel(Index);
    const int count = RowCount();
    const bool slides = GridStyle() == gsSlides;
    int r = Index + 1;
    while (r < count && GetLevel(r) > level) {
        TRow* row = FCells->GetRow(r);
        const bool wasVisible = row->CountsVisible();
        if (!Value) {
            // Collapsing hides every descendant, expanded or not.
            if (row->Shown()) {
                FCells->ExpandRow(r, false);
                if (wasVisible) ScrollForRow(r, slides ? SlideSize() : RowHeight(r), false);
            }
            ++r;
            continue;
        }
        if (!row->Shown()) {
            FCells->ExpandRow(r, true);
            if (row->CountsVisible()) {
                FLastVisibleRow = std::max(FLastVisibleRow, r);
                ScrollForRow(r, slides ? SlideSize() : RowHeight(r), true);
            }
        }
        // The branch of a collapsed row stays hidden.
        if (!row->Expanded() && row->ChildCount() > 0)
            r += FCells->GetChildCount(r) + 1;
        else
            ++r;
    }
    if (!Value) {
        // Hidden rows after the last visible one no longer count; the last visible row is found anew.
        FLastVisibleRow = LastVisibleFrom(count - 1);
    }
    FFirstVisibleRow = std::max(0, GetNextVisibleRow(-1));
    if (!IsUpdating()) UpdateVertScrollBar();
}

int TGxGrid::LastVisibleFrom(int Index) const {
    for (int r = std::min(Index, RowCount() - 1); r >= 0; --r)
        if (FCells->GetRow(r)->CountsVisible()) return r;
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Scrolling the painted body

TRect TGxGrid::BodyScrollRect(int Top) {
    TRect r = GetBodyRect();
    r.Left = 0;
    r.Top = std::max(r.Top, Top);
    return r;
}

void TGxGrid::ScrollBody(const TRect& R, int Distance) {
    if (Distance == 0 || R.Bottom <= R.Top || R.Right <= R.Left) return;
    ScrollWindow(0, Distance, R);
}

void TGxGrid::ScrollForRow(int Index, int Height, bool Shown) {
    const int t = GridSpace(lpTopBottom);
    const bool slides = GridStyle() == gsSlides;
    TGxScrollBar* bar = VertScrollBar();
    auto rowTop = [&](int i) { return slides ? GetSlideTop(i) : GetRowTop(i); };
    if (GetVisibleRows() == 0) {
        const TRect r = BodyScrollRect(rowTop(Index));
        FFirstRow = 0;
        ScrollBody(r, -Height - t);
    }
    if (Index == FFirstRow) {
        if (!Shown) {
            if (!bar->IsLast() && GetVisibleRows() > 0) {
                const int next = GetNextVisibleRow(Index);
                if (next >= 0) FFirstRow = next;
            }
            ScrollBody(BodyScrollRect(0), -Height - t);
            if (bar->IsLast()) bar->MoveBy(-1);
        } else {
            ScrollBody(BodyScrollRect(0), Height + GridSpace(lpBottom));
        }
    } else if (Index > FFirstRow) {
        if (IsUpdating()) return;
        const TRect r = BodyScrollRect(rowTop(Index));
        ScrollBody(r, Shown ? Height + t : -Height - t);
        // Rows leaving the end of the list pull the view back so the body stays filled.
        if (!Shown && bar->IsLast() && bar->Position() > 0) bar->MoveBy(-1);
    } else {
        if (bar->IsFirst()) {
            if (Shown) {
                FFirstRow = Index;
                ScrollBody(BodyScrollRect(0), Height + t);
            } else {
                ScrollBody(BodyScrollRect(0), -Height - t);
            }
        } else {
            // A row above the view changes only the count of rows above it.
            bar->BeginUpdate();
            if (Shown || bar->IsLast())
                bar->MoveBy(1);
            else
                bar->MoveBy(-1);
            bar->EndUpdate();
        }
    }
    if (!IsUpdating()) UpdateVertScrollBar();
}

// ---------------------------------------------------------------------------------------------
// Adding, inserting, deleting, moving rows

int TGxGrid::AddRow(int Count) {
    if (Count < 1) return FLastAddedRow;
    const int old = RowCount();
    FCells->AddRow(Count);
    if (Options().Contains(goUseDefaultValues)) {
        for (int c = 0; c < Columns()->Count(); ++c) {
            const QString value = Columns()->Item(c)->DefaultValue();
            if (value.isEmpty()) continue;
            for (int r = old; r < old + Count; ++r)
                SetCells(c, r, value);
        }
    }
    const int count = RowCount();
    if (UpdateCount() == 0) {
        if (GridLinesStyle() == lsFramed && Options().Contains(goGrid) && count > 1 && old > 0)
            RefreshRowGrid(old - 1);
        RefreshRowGrid(count - 1);
        RefreshRowsFrom(old, Count);
    }
    if (old == 0) FFirstVisibleRow = 0;
    FLastAddedRow = FLastVisibleRow = count - 1;
    if (!IsUpdating()) UpdateVertScrollBar();
    DoDataChange(dcAddRow, FLastAddedRow);
    return FLastAddedRow;
}

void TGxGrid::ReserveRows(int Count) {
    FCells->AddRow(Count);
    FLastAddedRow = FLastVisibleRow = RowCount() - 1;
    Invalidate();
    UpdateEditorPosition();
}

void TGxGrid::InsertRow(int Pos, int Count) {
    if (Count < 1) return;
    const int old = RowCount();
    TGxCustomGrid::InsertRow(Pos, Count);
    FCells->InsertRow(Pos, Count);
    const int height = GridStyle() == gsSlides ? SlideSize() : RowSize();
    for (int k = 0; k < Count; ++k)
        ScrollForRow(Pos + k, height, true);
    if (old == 0)
        FLastVisibleRow = Count - 1;
    else if (Pos > FLastVisibleRow)
        FLastVisibleRow = Pos + Count - 1;
    else
        FLastVisibleRow += Count;
    FLastAddedRow = Pos;
    // The selection stays on its record: it moves only when rows arrive before it.
    if (FSelectedRow >= Pos) FSelectedRow += Count;
    if (FFromSelected >= Pos) FFromSelected += Count;
    DoDataChange(dcInsertRow, Pos);
}

void TGxGrid::DeleteRow(int Index) {
    TRow* row = FCells->GetRow(Index);
    TGxCustomGrid::DeleteRow(Index);
    if (row->ChildCount() > 0) ClearChildRows(Index);
    if (row->Level() > 0 && row->ParentRow()) row->ParentRow()->DeleteChild();
    const int height = GridStyle() == gsSlides ? SlideSize() : row->RowHeight();
    const bool wasVisible = row->CountsVisible();
    FCells->DeleteRow(Index);
    const int count = RowCount();

    // Every index after the deleted row moves up by one, visible or not.
    FFirstVisibleRow = count > 0 ? std::max(0, GetNextVisibleRow(-1)) : 0;
    if (Index < FLastVisibleRow)
        --FLastVisibleRow;
    else
        FLastVisibleRow = LastVisibleFrom(count - 1);
    if (Index < FFirstRow && FFirstRow > 0) --FFirstRow;
    if (FFirstRow >= count) FFirstRow = std::max(0, count - 1);
    if (wasVisible) ScrollForRow(Index, height, false);

    if (FFromSelected > Index)
        --FFromSelected;
    else if (FFromSelected == Index)
        FFromSelected = -1;
    if (FSelectedRow > Index) {
        --FSelectedRow;
    } else if (FSelectedRow == Index) {
        // The row that takes the deleted one's place is selected; after the last row, the new last.
        DoDeselectCell(FSelectedColumn, FSelectedRow);
        const int next = count == 0 ? -1 : std::min(Index, count - 1);
        SetSelectedCellSilently(FSelectedColumn, next);
        if (next >= 0 && Options().Contains(goSelectFullRow)) FCells->GetRow(next)->SetSelected(true);
    }
    RefreshSelection();
    UpdateVertScrollBar();
    DoDataChange(dcDeleteRow, Index);
    if (FLastAddedRow > count - 1) FLastAddedRow = count - 1;
}

void TGxGrid::ClearRows() {
    TGxCustomGrid::ClearRows();
    FCells->ClearRows();
    FFirstRow = 0;
    FFirstVisibleRow = 0;
    FLastVisibleRow = 0;
    FFromSelected = -1;
    FLastAddedRow = -1;
    RefreshArea(gaBody);
    RefreshArea(gaFooter);
    RefreshArea(gaIndicator);
    UpdateHorzScrollBar();
    UpdateVertScrollBar();
    DoDataChange(dcClearRows, -1);
}

void TGxGrid::ClearRow(int Index) {
    if (Index < 0 || Index >= RowCount()) return;
    for (int c = 0; c < FCells->ColCount(); ++c)
        FCells->GetCell(c, Index)->Clear();
}

void TGxGrid::ClearChildRows(int Index) {
    const int n = FCells->GetChildCount(Index);
    for (int k = n; k >= 1; --k)
        FCells->DeleteRow(Index + k);
    FCells->GetRow(Index)->Clear();
    if (n > 0) {
        // Keep the grid's row indexes on the rows that remain.
        const int count = RowCount();
        auto shift = [&](int& row, int fallback) {
            if (row > Index + n)
                row -= n;
            else if (row > Index)
                row = fallback;
        };
        shift(FSelectedRow, Index);
        shift(FFromSelected, -1);
        shift(FFirstRow, Index);
        FLastVisibleRow = LastVisibleFrom(std::min(FLastVisibleRow, count - 1));
        if (FLastAddedRow > count - 1) FLastAddedRow = count - 1;
    }
    Invalidate();
}

void TGxGrid::DeleteChildRow(int ParentIndex, int Index) {
    const int n = FCells->GetChildCount(ParentIndex);
    if (n == 0 || Index < 0) return;
    // Index counts the direct children of the row, from 0.
    const int level = GetLevel(ParentIndex) + 1;
    int seen = 0;
    for (int r = ParentIndex + 1; r <= ParentIndex + n; ++r) {
        if (GetLevel(r) != level) continue;
        if (seen++ == Index) {
            DeleteRow(r);
            if (n == 1) RefreshRow(ParentIndex, false);
            return;
        }
    }
}

int TGxGrid::AddChildRow(int Index, TChildRowPosition Position) {
    const int p = Position == crLast ? Index + FCells->GetChildCount(Index) + 1 : Index + 1;
    FCells->AddChildRow(Index, p);
    if (Options().Contains(goUseDefaultValues)) {
        for (int c = 0; c < Columns()->Count(); ++c) {
            const QString value = Columns()->Item(c)->DefaultValue();
            if (!value.isEmpty()) SetCells(c, p, value);
        }
    }
    if (FFirstRow >= p && p > 0) ++FFirstRow;
    if (FSelectedRow >= p) ++FSelectedRow;
    if (FFromSelected >= p) ++FFromSelected;
    const bool shown = FCells->GetRow(p)->CountsVisible();
    if (shown) ScrollForRow(p, RowSize(), true);
    FLastRow = LastRowInView();
    TRow* parent = FCells->GetRow(Index);
    if (!IsUpdating() && parent->CountsVisible() && parent->ChildCount() == 1) RefreshRow(Index, false);
    FLastAddedRow = p;
    if (shown)
        FLastVisibleRow = std::max(FLastVisibleRow, p);
    else if (FLastVisibleRow >= p)
        ++FLastVisibleRow;
    if (!IsUpdating()) UpdateVertScrollBar();
    DoDataChange(dcAddChildRow, FLastAddedRow);
    return p;
}

void TGxGrid::MoveRow(int FromPos, int ToPos) {
    TGxCustomGrid::MoveRow(FromPos, ToPos);
    if (FromPos == ToPos) return;
    const bool fromVisible = RowVisible(FromPos);
    const bool toVisible = RowVisible(ToPos);
    TRow* selected = FSelectedRow >= 0 && FSelectedRow < RowCount() ? FCells->GetRow(FSelectedRow) : nullptr;
    FCells->MoveRow(FromPos, ToPos);
    if (fromVisible) {
        if (ToPos < FromPos) {
            FFirstVisibleRow = std::min(FFirstVisibleRow, ToPos);
            if (FromPos == FLastVisibleRow) FLastVisibleRow = LastVisibleFrom(FromPos);
        } else {
            if (FromPos == FFirstVisibleRow) FFirstVisibleRow = std::max(0, GetNextVisibleRow(FromPos));
            FLastVisibleRow = std::max(FLastVisibleRow, ToPos);
        }
        if (!toVisible) ScrollForRow(ToPos, RowHeight(ToPos), true);
    }
    if (selected) FSelectedRow = FCells->GetRowIndex(selected);
}

void TGxGrid::SwapRows(int FromPos, int ToPos) {
    FCells->SwapRows(FromPos, ToPos);
    if (UpdateCount() == 0) {
        RefreshRow(FromPos, false);
        RefreshRow(ToPos, false);
    }
}

void TGxGrid::SetStartRowCount(int Value) {
    if (Value < 0 || Value == FStartRowCount) return;
    if (Value > FStartRowCount) {
        AddRow(Value - FStartRowCount);
    } else {
        const int n = RowCount() > FStartRowCount ? FStartRowCount - Value : std::max(0, RowCount() - Value);
        for (int k = 0; k < n && RowCount() > 0; ++k)
            DeleteRow(0);
    }
    FStartRowCount = Value;
    Invalidate();
}

// ---------------------------------------------------------------------------------------------
// Sorting

void TGxGrid::SortColumn(TGxCustomColumn* AColumn, bool Asending) {
    TGxCustomGrid::SortColumn(AColumn, Asending);
    if (!AColumn || !AColumn->Options().Contains(coCanSort)) return;
    TRow* selected = FSelectedRow >= 0 && FSelectedRow < RowCount() ? FCells->GetRow(FSelectedRow) : nullptr;
    FCells->SortColumn(AColumn->Index(), AColumn->SortType(), Asending ? skAscending : skDescending,
                       AColumn->Options().Contains(coFullResort));
    if (selected) {
        SetSelectedCellSilently(FSelectedColumn, FCells->GetRowIndex(selected));
        ScrollToRow(FSelectedRow);
    }
    FFirstRow = std::max(0, RowOfScrollPosition());
    FFirstVisibleRow = std::max(0, GetNextVisibleRow(-1));
    FLastVisibleRow = LastVisibleFrom(RowCount() - 1);
    RefreshArea(gaBody);
    if (Options().Contains(goIndicator)) RefreshArea(gaIndicator);
    DoAfterSort(AColumn->Index());
}

// ---------------------------------------------------------------------------------------------
// Footers

double TGxGrid::FooterValue(int ACol, TFormulaKind Kind, bool VisibleOnly, int N) {
    const int count = RowCount();
    auto eligible = [&](int r) { return (!VisibleOnly || RowVisible(r)) && DoCalculateRow(r); };
    double v = 0;
    switch (Kind) {
    case fkCount: v = N; break;
    case fkCustom: DoColumnFooterValue(ACol, v); break;
    case fkDistinct: {
        // Texts differing only in letter case are one value.
        auto less = [](const QString& a, const QString& b) { return AnsiCompareText(a, b) < 0; };
        std::set<QString, decltype(less)> seen(less);
        for (int r = 0; r < count; ++r)
            if (eligible(r)) seen.insert(GetCells(ACol, r));
        v = static_cast<double>(seen.size());
        break;
    }
    case fkSum:
    case fkAverage:
    case fkMaximum:
    case fkMinimum: {
        // Each eligible row counts once; empty cells are no value at all.
        int counted = 0;
        double sum = 0;
        bool any = false;
        if (!OnCalculateRow && count == FCells->RowCount()) {
            // No handler can change the rows while they are read: the column's cells are read
            // straight, and a plain decimal in a text cell without making it the current cell.
            // Any other cell is read as below; the last row read is left the current cell.
            const std::unique_ptr<TCell>* const cells = FCells->ColumnCells(ACol);
            int last = -1;
            for (int r = 0; r < count; ++r) {
                if (r + 128 < count) __builtin_prefetch(cells[r + 128].get());
                if (r + 64 < count) cells[r + 64]->PrefetchValue();
                if (VisibleOnly && !RowVisible(r)) continue;
                last = r;
                TCell* const cell = cells[r].get();
                double x = 0;
                if (cell->Empty()) continue;
                if (!(typeid(*cell) == typeid(TStringCell) && PlainDecimal(static_cast<TStringCell*>(cell)->Text(), x)) &&
                    !FooterNumber(FCells->GetCell(ACol, r), x))
                    continue;
                ++counted;
                sum += x;
                if (!any || (Kind == fkMaximum && x > v) || (Kind == fkMinimum && x < v)) v = x;
                any = true;
            }
            if (last >= 0) FCells->GetCell(ACol, last);
            v = Kind == fkSum ? sum : Kind == fkAverage ? (counted > 0 ? sum / counted : 0) : v;
            break;
        }
        for (int r = 0; r < count; ++r) {
            // Far enough ahead that the cell has arrived when its text is asked for, and the
            // text when it is read (rows lie scattered after a sort).
            FCells->PrefetchCell(ACol, r + 128);
            FCells->PrefetchValue(ACol, r + 64);
            if (!eligible(r)) continue;
            double x = 0;
            if (!FooterNumber(FCells->GetCell(ACol, r), x)) continue;
            ++counted;
            sum += x;
            if (!any || (Kind == fkMaximum && x > v) || (Kind == fkMinimum && x < v)) v = x;
            any = true;
        }
        if (Kind == fkSum)
            v = sum;
        else if (Kind == fkAverage)
            v = counted > 0 ? sum / counted : 0;
        break;
    }
    case fkNone: break;
    }
    return v;
}

void TGxGrid::CalculateFooter(bool VisibleOnly) {
    const int n = VisibleOnly ? VisibleRows() : RowCount();
    for (int c = 0; c < Columns()->Count(); ++c) {
        TColumnFooter* footer = Columns()->Item(c)->Footer();
        const TFormulaKind kind = footer->FormulaKind();
        if (kind == fkNone) continue;
        if (n == 0) {
            footer->SetCaption(QStringLiteral("0"));
            footer->SetFormulaValue(0);
            continue;
        }
        double v = FooterValue(c, kind, VisibleOnly, n);
        DoFooterCalculate(c, v);
        footer->SetCaption(FloatToStr(v));
        footer->SetFormulaValue(v);
    }
}

KORVEL_CLASS_INFO(TGxGrid) {
    b.Prop("StartRowCount", &TGxGrid::StartRowCount, &TGxGrid::SetStartRowCount).Default(0);
}
