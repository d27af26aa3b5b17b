#include "grid/GxCells.h"

#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TextCase.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace {

[[noreturn]] void ListIndexError(int Index) {
    throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
}

QString GuidToString(const QUuid& g) {
    return g.toString(QUuid::WithBraces).toUpper();
}

bool TryStringToGuid(const QString& s, QUuid& g) {
    static const QRegularExpression re(QStringLiteral(
        "^\\{[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}\\}$"));
    if (!re.match(s).hasMatch()) return false;
    g = QUuid::fromString(s);
    return true;
}

// Address parts: digits collect into the current part, other characters but "." are skipped, a
// "." or the text's end closes the part. An empty part fails; missing parts are 0.
bool TryParseIP(const QString& s, quint32 (&parts)[4]) {
    for (auto& p : parts)
        p = 0;
    int index = 0;
    QString digits;
    for (int i = 0; i < s.size(); ++i) {
        const QChar ch = s[i];
        const bool last = i == s.size() - 1;
        if (ch.isDigit() && ch.unicode() < 128) digits += ch;
        if (ch == QLatin1Char('.') || last) {
            int v = 0;
            if (digits.isEmpty() || !TryStrToInt(digits, v) || index >= 4) return false;
            parts[index++] = static_cast<quint32>(v);
            digits.clear();
        }
    }
    return index > 0;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TCell

TCell::TCell(TCells* ACells) : FCells(ACells) {}

void TCell::CallOwnerDynamic() {
    if (FCells) FCells->DoCellChange();
}

void TCell::SetFontStyle(const TFontStyles& Value) {
    FFontStyle = static_cast<quint8>(Value.ToInt() & 0xFF);
    if (!Locked()) CallOwnerDynamic();
}

void TCell::SetColor(TColor Value) {
    FColor = Value;
    if (!Locked()) CallOwnerDynamic();
}

void TCell::SetHint(const QString& Value) {
    if (!Value.isEmpty() && !FExtra) FExtra = std::make_unique<TExtra>();
    if (FExtra) FExtra->Hint = Value;
    if (FExtra && FExtra->Hint.isEmpty() && !FExtra->ObjectReference) FExtra.reset();
    if (!Locked()) CallOwnerDynamic();
}

void TCell::SetObjectReference(TObject* Value) {
    if (Value && !FExtra) FExtra = std::make_unique<TExtra>();
    if (FExtra) FExtra->ObjectReference = Value;
    if (FExtra && FExtra->Hint.isEmpty() && !FExtra->ObjectReference) FExtra.reset();
}

void TCell::operator delete(TCell* P, std::destroying_delete_t) {
    TCells* owner = P->FCells;
    const std::size_t size = P->FPoolSize;
    P->~TCell();
    if (size)
        owner->FPool.Free(P, size);
    else
        ::operator delete(P);
}

// ---------------------------------------------------------------------------------------------
// TCellPool

void* TCellPool::Allocate(std::size_t Size) {
    Size = (Size + 7) & ~std::size_t(7);
    if (Size > kMaxSize) throw std::bad_alloc();
    ++FLive;
    if (TSlot* s = FFree[Size / 8]) {
        FFree[Size / 8] = s->Next;
        return s;
    }
    if (FEnd - FNext < static_cast<std::ptrdiff_t>(Size)) {
        FBlocks.push_back(std::make_unique<std::byte[]>(kBlockSize));
        FNext = FBlocks.back().get();
        FEnd = FNext + kBlockSize;
    }
    void* p = FNext;
    FNext += Size;
    return p;
}

void TCellPool::Free(void* P, std::size_t Size) {
    Size = (Size + 7) & ~std::size_t(7);
    auto* s = static_cast<TSlot*>(P);
    s->Next = FFree[Size / 8];
    FFree[Size / 8] = s;
    --FLive;
}

void TCellPool::Release() {
    FBlocks.clear();
    for (TSlot*& f : FFree)
        f = nullptr;
    FNext = FEnd = nullptr;
    FLive = 0;
}

void TCell::SetTextColor(TColor Value) {
    FTextColor = Value;
    if (!Locked()) CallOwnerDynamic();
}

void TCell::SetEmpty(bool Value) {
    if (Value)
        FState |= 1u << cstEmpty;
    else
        FState &= ~(1u << cstEmpty);
    CallOwnerDynamic();
}

void TCell::SetLocked(bool Value) {
    if (Value)
        FState |= 1u << cstLocked;
    else
        FState &= ~(1u << cstLocked);
}

int TCell::ColumnIndex() const {
    return FCells ? FCells->ColIndex() : -1;
}
int TCell::RowIndex() const {
    return FCells ? FCells->RowIndex() : -1;
}

TColor TCell::GetActualColor() {
    TGxGridLink* g = FCells ? FCells->Grid() : nullptr;
    return g ? g->GetActualCellColor(ColumnIndex(), RowIndex()) : FColor;
}

TColor TCell::GetActualFontColor() {
    TGxGridLink* g = FCells ? FCells->Grid() : nullptr;
    return g ? g->GetActualCellFontColor(ColumnIndex(), RowIndex()) : FTextColor;
}

QString TCell::DisplayText() {
    TGxGridLink* g = FCells ? FCells->Grid() : nullptr;
    return g ? g->GetDrawText(ColumnIndex(), RowIndex()) : GetAsString();
}

bool TCell::Highlighted() {
    TGxGridLink* g = FCells ? FCells->Grid() : nullptr;
    return g && g->IsCellHighlighted(ColumnIndex(), RowIndex());
}

bool TCell::TryAsBoolean(bool& Value) {
    try {
        Value = GetAsBoolean();
        return true;
    } catch (const EConvertError&) {
        return false;
    }
}

bool TCell::TryAsDateTime(TDateTime& Value) {
    try {
        Value = GetAsDateTime();
        return true;
    } catch (const EConvertError&) {
        return false;
    }
}

bool TCell::TryAsFloat(double& Value) {
    try {
        Value = GetAsFloat();
        return true;
    } catch (const EConvertError&) {
        return false;
    }
}

// ---------------------------------------------------------------------------------------------
// Typed cells

QString TBooleanCell::GetAsString() {
    return BoolToStr(FValue, true);
}
void TBooleanCell::SetAsBooleanValue(bool Value) {
    FValue = Value;
    TCell::SetAsBooleanValue(Value);
}
void TBooleanCell::SetAsDateTimeValue(TDateTime Value) {
    FValue = false;
    TCell::SetAsDateTimeValue(Value);
}
void TBooleanCell::SetAsFloatValue(double Value) {
    FValue = Value != 0;
    TCell::SetAsFloatValue(Value);
}
void TBooleanCell::SetAsIntegerValue(int Value) {
    FValue = Value != 0;
    TCell::SetAsIntegerValue(Value);
}
void TBooleanCell::SetAsStringValue(const QString& Value) {
    FValue = Value == QLatin1String("1") || LowerCase(Value) == QLatin1String("true");
    TCell::SetAsStringValue(Value);
}
void TBooleanCell::Clear() {
    FValue = false;
    TCell::Clear();
}

int TDateTimeCell::GetAsInteger() {
    return static_cast<int>(Trunc(FValue));
}
QString TDateTimeCell::GetAsString() {
    return DateTimeToStr(FValue);
}
void TDateTimeCell::SetAsBooleanValue(bool Value) {
    FValue = Date();
    TCell::SetAsBooleanValue(Value);
}
void TDoubleValueCell::SetAsDateTimeValue(TDateTime Value) {
    FValue = Value;
    TCell::SetAsDateTimeValue(Value);
}
void TDoubleValueCell::SetAsFloatValue(double Value) {
    FValue = Value;
    TCell::SetAsFloatValue(Value);
}
void TDoubleValueCell::SetAsIntegerValue(int Value) {
    FValue = Value;
    TCell::SetAsIntegerValue(Value);
}
void TDateTimeCell::SetAsStringValue(const QString& Value) {
    TDateTime d = 0;
    // Unreadable text gives 0, never an error.
    if (Value.isEmpty() || !TryStrToDateTime(Value, d)) d = 0;
    FValue = d;
    TCell::SetAsStringValue(Value);
}
void TDoubleValueCell::Clear() {
    FValue = 0;
    TCell::Clear();
}

int TFloatCell::GetAsInteger() {
    return static_cast<int>(Round(FValue));
}
QString TFloatCell::GetAsString() {
    return FloatToStr(FValue);
}
void TFloatCell::SetAsBooleanValue(bool Value) {
    FValue = 0;
    TCell::SetAsBooleanValue(Value);
}
void TFloatCell::SetAsStringValue(const QString& Value) {
    FValue = StrToFloat(Value);
    TCell::SetAsStringValue(Value);
}

QString TIntegerCell::GetAsString() {
    return IntToStr(FValue);
}
void TIntegerCell::SetAsBooleanValue(bool Value) {
    FValue = Value ? 1 : 0;
    TCell::SetAsBooleanValue(Value);
}
void TIntegerCell::SetAsDateTimeValue(TDateTime Value) {
    FValue = 0;
    TCell::SetAsDateTimeValue(Value);
}
void TIntegerCell::SetAsFloatValue(double Value) {
    FValue = static_cast<int>(Round(Value));
    TCell::SetAsFloatValue(Value);
}
void TIntegerCell::SetAsIntegerValue(int Value) {
    FValue = Value;
    TCell::SetAsIntegerValue(Value);
}
void TIntegerCell::SetAsStringValue(const QString& Value) {
    FValue = Value.isEmpty() ? 0 : StrToInt(Value);
    TCell::SetAsStringValue(Value);
}
void TIntegerCell::Clear() {
    FValue = 0;
    TCell::Clear();
}

bool TStringCell::GetAsBoolean() {
    return StrToBool(FValue);
}
TDateTime TStringCell::GetAsDateTime() {
    return FValue.isEmpty() ? 0 : StrToDateTime(FValue);
}
double TStringCell::GetAsFloat() {
    return StrToFloat(FValue);
}
int TStringCell::GetAsInteger() {
    return StrToInt(FValue);
}
void TStringCell::SetAsBooleanValue(bool Value) {
    FValue = BoolToStr(Value, true);
    TCell::SetAsBooleanValue(Value);
}
void TStringCell::SetAsDateTimeValue(TDateTime Value) {
    FValue = DateTimeToStr(Value);
    TCell::SetAsDateTimeValue(Value);
}
void TStringCell::SetAsFloatValue(double Value) {
    FValue = FloatToStr(Value);
    TCell::SetAsFloatValue(Value);
}
void TStringCell::SetAsIntegerValue(int Value) {
    FValue = IntToStr(Value);
    TCell::SetAsIntegerValue(Value);
}
void TStringCell::SetAsStringValue(const QString& Value) {
    FValue = Value;
    TCell::SetAsStringValue(Value);
}
void TStringCell::Clear() {
    FValue.clear();
    TCell::Clear();
}
bool TStringCell::TryAsBoolean(bool& Value) {
    return TryStrToBool(FValue, Value);
}
bool TStringCell::TryAsDateTime(TDateTime& Value) {
    if (FValue.isEmpty()) {
        Value = 0;
        return true;
    }
    return TryStrToDateTime(FValue, Value);
}
// Sort key: the database's own form ("2.5") first, then the user's ("2,5"), so fractions from a
// query sort as numbers under every locale.
bool TStringCell::TryAsFloat(double& Value) {
    static const TFormatSettings invariant = TFormatSettings::Invariant();
    return !FValue.isEmpty() && (TryStrToFloat(FValue, Value, invariant) || TryStrToFloat(FValue, Value));
}

QString TIncrementCell::GetAsString() {
    return IntToStr(RowIndex() + 1);
}

bool TTextValueCell::GetAsBoolean() {
    return StrToBool(GetAsString());
}
TDateTime TTextValueCell::GetAsDateTime() {
    return StrToDateTime(GetAsString());
}
double TTextValueCell::GetAsFloat() {
    return StrToFloat(GetAsString());
}
int TTextValueCell::GetAsInteger() {
    return StrToInt(GetAsString());
}
void TTextValueCell::SetAsBooleanValue(bool Value) {
    SetAsStringValue(BoolToStr(Value, true));
    TCell::SetAsBooleanValue(Value);
}
void TTextValueCell::SetAsDateTimeValue(TDateTime Value) {
    SetAsStringValue(DateTimeToStr(Value));
    TCell::SetAsDateTimeValue(Value);
}
void TTextValueCell::SetAsFloatValue(double Value) {
    SetAsStringValue(FloatToStr(Value));
    TCell::SetAsFloatValue(Value);
}
void TTextValueCell::SetAsIntegerValue(int Value) {
    SetAsStringValue(IntToStr(Value));
    TCell::SetAsIntegerValue(Value);
}
bool TTextValueCell::TryAsBoolean(bool& Value) {
    return TryStrToBool(GetAsString(), Value);
}
bool TTextValueCell::TryAsDateTime(TDateTime& Value) {
    return TryStrToDateTime(GetAsString(), Value);
}
bool TTextValueCell::TryAsFloat(double& Value) {
    return TryStrToFloat(GetAsString(), Value);
}

TGuidCell::TGuidCell(TCells* ACells) : TTextValueCell(ACells), FValue(QUuid::createUuid()) {}

QString TGuidCell::GetAsString() {
    return GuidToString(FValue);
}

void TGuidCell::SetAsStringValue(const QString& Value) {
    QUuid g;
    if (!TryStringToGuid(Value, g))
        throw EConvertError(QStringLiteral("'%1' is not a valid GUID value").arg(Value));
    FValue = g;
    TCell::SetAsStringValue(Value);
}

QString TVirtualCell::GetAsString() {
    QString value;
    if (FColumn) FColumn->DoGetText(ColumnIndex(), RowIndex(), value);
    return value;
}

void TVirtualCell::SetAsStringValue(const QString& Value) {
    if (FColumn) FColumn->DoSetText(ColumnIndex(), RowIndex(), Value);
    TCell::SetAsStringValue(Value);
}

// ---------------------------------------------------------------------------------------------
// TCells

TCells::TCells(TGxGridLink* Grid, TGxColumns* Columns) : FColumns(Columns), FGrid(Grid) {}

TCells::~TCells() {
    ClearRows();
    ClearColumns();
}

void TCells::CheckRow(int Index, int Count) const {
    if (Index < 0 || Index >= Count) ListIndexError(Index);
}

void TCells::CheckCol(int Index) const {
    if (Index < 0 || Index >= ColCount()) ListIndexError(Index);
}

TCell* TCells::GetCell(int ACol, int ARow) {
    CheckCol(ACol);
    CheckRow(ARow, FRowCount);
    FColIndex = ACol;
    FRowIndex = ARow;
    return FCellsList[ACol][ARow].get();
}

TRow* TCells::GetRow(int Index) const {
    CheckRow(Index, static_cast<int>(FRowsList.size()));
    return FRowsList[Index].get();
}

template <class T, class... Args> std::unique_ptr<TCell> TCells::MakeCell(Args&&... A) {
    static_assert(sizeof(T) <= TCellPool::kMaxSize && sizeof(T) < 256);
    std::unique_ptr<TCell> cell(new (FPool) T(this, std::forward<Args>(A)...));
    cell->FPoolSize = static_cast<quint8>(sizeof(T));
    return cell;
}

void TCells::ReleasePoolIfEmpty() {
    if (FPool.Live() == 0) FPool.Release();
}

std::unique_ptr<TCell> TCells::CreateCell(int ACol) {
    TGxCustomColumn* column = FColumns && ACol < FColumns->Count() ? FColumns->Item(ACol) : nullptr;
    std::unique_ptr<TCell> cell;
    switch (column ? column->ColumnType() : ctString) {
    case ctAutoInc:
        cell = MakeCell<TIncrementCell>();
        break;
    case ctBoolean:
        cell = MakeCell<TBooleanCell>();
        break;
    case ctDate:
        cell = MakeCell<TDateTimeCell>();
        break;
    case ctFloat:
        cell = MakeCell<TFloatCell>();
        break;
    case ctGuid:
        cell = MakeCell<TGuidCell>();
        break;
    case ctInteger:
        cell = MakeCell<TIntegerCell>();
        break;
    case ctVirtual:
        cell = MakeCell<TVirtualCell>(dynamic_cast<TGxVirtualColumn*>(column));
        break;
    default:
        cell = MakeCell<TStringCell>();
        break;
    }
    // Locked while the column's style is copied in, so copying sends no notifications.
    if (column) {
        cell->SetFontStyle(column->Font()->Style());
        cell->SetTextColor(column->Font()->Color());
        cell->SetColor(column->Color());
    }
    cell->SetLocked(false);
    return cell;
}

void TCells::SetRowHeight(int Value) {
    if (Value == FRowHeight) return;
    FRowHeight = Value;
    FOddHeightRows = 0;
    for (const auto& row : FRowsList)
        if (row->FRowHeight != Value) ++FOddHeightRows;
}

void TCells::SetRowHeight(int Index, int Value) {
    TRow* row = GetRow(Index);
    FOddHeightRows += (Value != FRowHeight) - (row->FRowHeight != FRowHeight);
    row->FRowHeight = Value;
}

std::unique_ptr<TRow> TCells::NewRow() const {
    auto row = std::make_unique<TRow>();
    row->FRowHeight = FRowHeight;
    return row;
}

int TCells::GetCellColumnIndex(const TCell* ACell) const {
    for (int c = 0; c < ColCount(); ++c)
        for (const auto& cell : FCellsList[c])
            if (cell.get() == ACell) return c;
    return -1;
}

int TCells::GetCellRowIndex(const TCell* ACell) const {
    for (const auto& list : FCellsList)
        for (size_t r = 0; r < list.size(); ++r)
            if (list[r].get() == ACell) return static_cast<int>(r);
    return -1;
}

int TCells::GetRowIndex(const TRow* ARow) const {
    for (size_t r = 0; r < FRowsList.size(); ++r)
        if (FRowsList[r].get() == ARow) return static_cast<int>(r);
    return -1;
}

int TCells::GetChildCount(int Index) const {
    const int level = GetRow(Index)->FLevel;
    int n = 0;
    for (int r = Index + 1; r < static_cast<int>(FRowsList.size()) && FRowsList[r]->FLevel > level; ++r)
        ++n;
    return n;
}

int TCells::GetChildsCount(int Index) const {
    const int level = GetRow(Index)->FLevel;
    int n = 0;
    for (int r = Index + 1; r < static_cast<int>(FRowsList.size()) && FRowsList[r]->FLevel > level; ++r)
        if (FRowsList[r]->FLevel == level + 1) ++n;
    return n;
}

int TCells::GetAbsoluteIndex(int ParentRow, int Index) const {
    const int level = GetRow(Index)->FLevel;
    int n = 0;
    for (const auto& row : FRowsList)
        if (row->FLevel == level) ++n;
    return ParentRow + n;
}

void TCells::AddRow(int Count) {
    if (Count > 0) {
        // Grow geometrically: rows are usually added one at a time, and reserving the exact size
        // would copy every list on each call.
        auto grow = [Count](auto& list) {
            const size_t need = list.size() + Count;
            if (need > list.capacity()) list.reserve(std::max(need, list.capacity() * 2));
        };
        grow(FRowsList);
        for (auto& list : FCellsList)
            grow(list);
    }
    for (int i = 0; i < Count; ++i) {
        FRowsList.push_back(NewRow());
        ++FVisibleRowCount;
        for (int c = 0; c < ColCount(); ++c)
            FCellsList[c].push_back(CreateCell(c));
        ++FRowCount;
    }
    FSorted = false;
}

void TCells::InsertRow(int Pos, int Count) {
    if (Pos < 0 || Pos > FRowCount) ListIndexError(Pos);
    for (int i = 0; i < Count; ++i) {
        for (int c = 0; c < ColCount(); ++c)
            FCellsList[c].insert(FCellsList[c].begin() + Pos, CreateCell(c));
        FRowsList.insert(FRowsList.begin() + Pos, NewRow());
        ++FVisibleRowCount;
        ++FRowCount;
    }
    FSorted = false;
}

void TCells::DeleteRow(int Index) {
    CheckRow(Index, FRowCount);
    for (auto& list : FCellsList)
        list.erase(list.begin() + Index);
    --FRowCount;
    if (FRowsList[Index]->CountsVisible()) --FVisibleRowCount;
    if (FRowsList[Index]->FRowHeight != FRowHeight) --FOddHeightRows;
    FRowsList.erase(FRowsList.begin() + Index);
}

void TCells::ClearRows() {
    for (auto& list : FCellsList)
        TCellList().swap(list);
    FRowsList.clear();
    FRowCount = 0;
    FVisibleRowCount = 0;
    FOddHeightRows = 0;
    FSorted = false;
    ReleasePoolIfEmpty();
}

void TCells::MoveRow(int FromPos, int ToPos) {
    CheckRow(FromPos, FRowCount);
    CheckRow(ToPos, FRowCount);
    auto move = [&](auto& list) {
        auto item = std::move(list[FromPos]);
        list.erase(list.begin() + FromPos);
        list.insert(list.begin() + ToPos, std::move(item));
    };
    move(FRowsList);
    for (auto& list : FCellsList)
        move(list);
    FSorted = false;
}

void TCells::SwapRows(int FromPos, int ToPos) {
    CheckRow(FromPos, FRowCount);
    CheckRow(ToPos, FRowCount);
    std::swap(FRowsList[FromPos], FRowsList[ToPos]);
    for (auto& list : FCellsList)
        std::swap(list[FromPos], list[ToPos]);
}

void TCells::AddChildRow(int Index, int Position) {
    TRow* parent = GetRow(Index);
    if (Position < 0 || Position > FRowCount) ListIndexError(Position);
    auto row = NewRow();
    row->FParentRow = parent;
    row->FShown = parent->FExpanded && parent->FShown;
    row->FLevel = parent->FLevel + 1;
    parent->AddChild();
    const bool shown = row->CountsVisible();
    FRowsList.insert(FRowsList.begin() + Position, std::move(row));
    ++FRowCount;
    if (shown) ++FVisibleRowCount;
    for (int c = 0; c < ColCount(); ++c)
        FCellsList[c].insert(FCellsList[c].begin() + Position, CreateCell(c));
}

void TCells::MoveChildRow(int Index, TRow* Parent) {
    TRow* row = GetRow(Index);
    const bool before = row->CountsVisible();
    row->FShown = Parent ? Parent->FExpanded : true;
    FVisibleRowCount += row->CountsVisible() - before;
    SetRowHeight(Index, FRowHeight);
}

void TCells::ShowRow(int Index, bool Value) {
    TRow* row = GetRow(Index);
    if (row->FVisible == Value) return;
    const bool before = row->CountsVisible();
    row->FVisible = Value;
    const bool after = row->CountsVisible();
    if (!before && after) ++FVisibleRowCount;
    if (before && !after) --FVisibleRowCount;
}

void TCells::ExpandRow(int Index, bool Value) {
    TRow* row = GetRow(Index);
    if (row->FShown == Value) return;
    const bool before = row->CountsVisible();
    row->FShown = Value;
    const bool after = row->CountsVisible();
    if (!before && after) ++FVisibleRowCount;
    if (before && !after) --FVisibleRowCount;
}

void TCells::AddColumn() {
    const int c = ColCount();
    FCellsList.emplace_back();
    TCellList& list = FCellsList.back();
    list.reserve(FRowsList.size());
    for (size_t r = 0; r < FRowsList.size(); ++r)
        list.push_back(CreateCell(c));
}

void TCells::InsertColumn(int Pos) {
    if (Pos < 0 || Pos > ColCount()) ListIndexError(Pos);
    TCellList list;
    list.reserve(FRowsList.size());
    // The new column is already item Pos of the column list.
    FCellsList.insert(FCellsList.begin() + Pos, TCellList());
    for (size_t r = 0; r < FRowsList.size(); ++r)
        list.push_back(CreateCell(Pos));
    FCellsList[Pos] = std::move(list);
    FSorted = false;
}

void TCells::DeleteColumn(int Index) {
    CheckCol(Index);
    FCellsList.erase(FCellsList.begin() + Index);
    // Rows without any column would no longer match the cells of columns added later.
    if (FCellsList.empty()) ClearRows();
}

void TCells::ClearColumns() {
    ClearRows();
    FCellsList.clear();
}

void TCells::MoveColumn(int CurIndex, int NewIndex) {
    CheckCol(CurIndex);
    CheckCol(NewIndex);
    TCellList list = std::move(FCellsList[CurIndex]);
    FCellsList.erase(FCellsList.begin() + CurIndex);
    FCellsList.insert(FCellsList.begin() + NewIndex, std::move(list));
}

void TCells::ColumnsChange(TColumnsOperation ChangeOpearation, int Value1, int Value2) {
    switch (ChangeOpearation) {
    case TColumnsOperation::opAdd:
        AddColumn();
        break;
    case TColumnsOperation::opDelete:
        DeleteColumn(Value1);
        break;
    case TColumnsOperation::opClear:
        ClearColumns();
        break;
    case TColumnsOperation::opInsert:
        InsertColumn(Value1);
        break;
    case TColumnsOperation::opMove:
        MoveColumn(Value1, Value2);
        break;
    }
}

void TCells::DoCellChange() {
    if (OnCellChange) OnCellChange(this, FColIndex, FRowIndex);
    FSorted = false;
}

void TCells::DoCompare(TCell* Cell1, TCell* Cell2, int& Compare) {
    if (OnCompare) OnCompare(this, Cell1, Cell2, Compare);
}

// ---------------------------------------------------------------------------------------------
// Sorting

namespace {

struct TSortKey {
    bool IsText = false;
    double Number = 0;
    quint64 High = 0, Low = 0; // addresses: fourth and third part, second and first part
    int Text = -1;             // index into the texts
};

int Sign(double a, double b) {
    // NaN sorts after every number, so the order stays total.
    const bool na = std::isnan(a), nb = std::isnan(b);
    if (na || nb) return na == nb ? 0 : (na ? 1 : -1);
    return a < b ? -1 : (a > b ? 1 : 0);
}

// A stable bottom-up merge sort of 0..n-1. Only "strictly before" answers move an element, and
// every index stays within the buffers whatever the comparison answers.
template <class Before> std::vector<int> MergeSortOrder(int n, Before before) {
    std::vector<int> a(n), b(n);
    for (int i = 0; i < n; ++i)
        a[i] = i;
    for (int width = 1; width < n; width *= 2) {
        for (int lo = 0; lo < n; lo += 2 * width) {
            const int mid = std::min(lo + width, n), hi = std::min(lo + 2 * width, n);
            int i = lo, j = mid, k = lo;
            while (i < mid && j < hi)
                b[k++] = before(a[j], a[i]) ? a[j++] : a[i++];
            while (i < mid)
                b[k++] = a[i++];
            while (j < hi)
                b[k++] = a[j++];
        }
        a.swap(b);
    }
    return a;
}

} // namespace

std::vector<int> TCells::SortedOrder(int ACol, TSortType ASortType, TSortKind ASortKind) {
    const int n = FRowCount;
    const int dir = ASortKind == skDescending ? -1 : 1;
    if (ASortType == stCustom) {
        std::vector<TCell*> cells(n);
        for (int r = 0; r < n; ++r)
            cells[r] = FCellsList[ACol][r].get();
        return MergeSortOrder(n, [&](int x, int y) {
            int compare = 0;
            DoCompare(cells[x], cells[y], compare);
            return dir * compare < 0;
        });
    }

    std::vector<TSortKey> keys(n);
    std::vector<QString> texts;
    auto setText = [&](TSortKey& k, QString s) {
        k.IsText = true;
        k.Text = static_cast<int>(texts.size());
        texts.push_back(std::move(s));
    };
    for (int r = 0; r < n; ++r) {
        TCell* cell = GetCell(ACol, r);
        TSortKey& k = keys[r];
        switch (ASortType) {
        case stBoolean: {
            bool b = false;
            if (cell->TryAsBoolean(b))
                k.Number = b ? 1 : 0;
            else
                setText(k, cell->AsString());
            break;
        }
        case stNumeric:
            if (!cell->TryAsFloat(k.Number)) setText(k, cell->AsString());
            break;
        case stDate:
            if (!cell->TryAsDateTime(k.Number)) setText(k, cell->AsString());
            break;
        case stIP: {
            const QString s = cell->AsString();
            quint32 p[4];
            if (TryParseIP(s, p)) {
                k.High = (quint64(p[3]) << 32) | p[2];
                k.Low = (quint64(p[1]) << 32) | p[0];
            } else {
                setText(k, s);
            }
            break;
        }
        case stCaseInsensitive:
            setText(k, LowerCase(cell->AsString()));
            break;
        default:
            setText(k, cell->AsString());
            break;
        }
    }

    auto compareText = [&](const TSortKey& a, const TSortKey& b) {
        const QString& x = texts[a.Text];
        const QString& y = texts[b.Text];
        if (ASortType == stUnicodeAlphabetic) return AnsiCompareStr(x, y);
        const int c = QString::compare(x, y, Qt::CaseSensitive);
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    };
    // Numbers before texts; the address order is reversed (greatest address first when ascending).
    auto compare = [&](const TSortKey& a, const TSortKey& b) {
        if (a.IsText != b.IsText) return a.IsText ? 1 : -1;
        if (a.IsText) return compareText(a, b);
        if (ASortType == stIP) {
            if (a.High != b.High) return a.High < b.High ? 1 : -1;
            if (a.Low != b.Low) return a.Low < b.Low ? 1 : -1;
            return 0;
        }
        return Sign(a.Number, b.Number);
    };
    return MergeSortOrder(n, [&](int x, int y) { return dir * compare(keys[x], keys[y]) < 0; });
}

void TCells::ApplyOrder(const std::vector<int>& Order) {
    const size_t n = Order.size();
    std::vector<std::unique_ptr<TRow>> rows(n);
    for (size_t k = 0; k < n; ++k)
        rows[k] = std::move(FRowsList[Order[k]]);
    FRowsList.swap(rows);
    TCellList list(n);
    for (auto& column : FCellsList) {
        for (size_t k = 0; k < n; ++k)
            list[k] = std::move(column[Order[k]]);
        column.swap(list);
    }
}

void TCells::ReverseRows() {
    for (int k = 0; k < FRowCount / 2; ++k)
        SwapRows(k, FRowCount - 1 - k);
}

void TCells::SortColumn(int ACol, TSortType ASortType, TSortKind ASortKind, bool Resort) {
    if (FSortIndex == ACol && FSorted && ASortKind != FSortKind && !Resort) {
        FSortKind = ASortKind;
        ReverseRows();
    } else {
        if (FRowCount > 0) CheckCol(ACol);
        const std::vector<int> order = SortedOrder(ACol, ASortType, ASortKind);
        FSortKind = ASortKind;
        ApplyOrder(order);
    }
    FSortIndex = ACol;
    FSorted = true;
}
