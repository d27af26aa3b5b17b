// The column list part of GxColumns: item and display order, layout, auto-size and notifications.
#include "grid/GxColumns.h"

#include "platform/rtl/TextCase.h"

#include <algorithm>
#include <cmath>

namespace {

[[noreturn]] void ListIndexError(int Index) {
    throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
}

template <class T> void MoveItem(std::vector<T>& list, int from, int to) {
    T item = list[from];
    list.erase(list.begin() + from);
    list.insert(list.begin() + to, item);
}

} // namespace

TGxColumns::TGxColumns(TComponent* AOwner) : TComponent(AOwner), FGrid(dynamic_cast<TGxGridLink*>(AOwner)) {
    if (FGrid) FGrid->SetOnUpdateColumns([this](TObject*) { UpdateColumns(false); });
}

// The grid frees its column list in its own destructor, while it can still be told.
TGxColumns::~TGxColumns() {
    FClearing = true;
    while (!FItemsList.empty())
        FreeColumn(FItemsList.back());
    FPositionItemsList.clear();
    if (FGrid) FGrid->SetOnUpdateColumns(nullptr);
}

void TGxColumns::FreeColumn(TGxCustomColumn* Column) {
    // A column frees itself out of the lists (its destructor calls Remove).
    std::unique_ptr<TGxCustomColumn> owned(Column);
}

bool TGxColumns::IsGridLoading() const {
    TComponent* g = FGrid ? FGrid->GridComponent() : nullptr;
    return IsLoading() || (g && g->IsLoading());
}

bool TGxColumns::IsGridDestroying() const {
    TComponent* g = FGrid ? FGrid->GridComponent() : nullptr;
    return IsDestroying() || (g && g->IsDestroying());
}

TGxCustomColumn* TGxColumns::GetItem(int Index) const {
    if (Index < 0 || Index >= GetCount()) ListIndexError(Index);
    return FItemsList[Index];
}

TGxCustomColumn* TGxColumns::GetPositionItem(int Index) const {
    if (Index < 0 || Index >= static_cast<int>(FPositionItemsList.size())) ListIndexError(Index);
    return FPositionItemsList[Index];
}

void TGxColumns::SetPositionItem(int Index, TGxCustomColumn* Value) {
    if (Index < 0 || Index >= static_cast<int>(FPositionItemsList.size())) ListIndexError(Index);
    FPositionItemsList[Index] = Value;
}

int TGxColumns::IndexOf(const TGxCustomColumn* Column) const {
    auto it = std::find(FItemsList.begin(), FItemsList.end(), Column);
    return it == FItemsList.end() ? -1 : static_cast<int>(it - FItemsList.begin());
}

int TGxColumns::PositionOf(const TGxCustomColumn* Column) const {
    auto it = std::find(FPositionItemsList.begin(), FPositionItemsList.end(), Column);
    return it == FPositionItemsList.end() ? -1 : static_cast<int>(it - FPositionItemsList.begin());
}

TGxCustomColumn* TGxColumns::GetColumn(const QString& Value) const {
    for (TGxCustomColumn* c : FItemsList)
        if (SameText(c->Name(), Value)) return c;
    return nullptr;
}

int TGxColumns::ClientWidth() const {
    int w = 0;
    for (TGxCustomColumn* c : FItemsList)
        if (c->Visible()) w += c->Width();
    return w;
}

int TGxColumns::VisibleCount() const {
    return static_cast<int>(
        std::count_if(FItemsList.begin(), FItemsList.end(), [](auto c) { return c->Visible(); }));
}

TGxCustomColumn* TGxColumns::First() const {
    for (TGxCustomColumn* c : FPositionItemsList)
        if (c->Visible()) return c;
    return nullptr;
}

TGxCustomColumn* TGxColumns::Last() const {
    for (auto it = FPositionItemsList.rbegin(); it != FPositionItemsList.rend(); ++it)
        if ((*it)->Visible()) return *it;
    return nullptr;
}

TGxCustomColumn* TGxColumns::FirstEnabled() const {
    for (TGxCustomColumn* c : FPositionItemsList)
        if (c->Visible() && c->Enabled()) return c;
    return nullptr;
}

TGxCustomColumn* TGxColumns::LastEnabled() const {
    for (auto it = FPositionItemsList.rbegin(); it != FPositionItemsList.rend(); ++it)
        if ((*it)->Visible() && (*it)->Enabled()) return *it;
    return nullptr;
}

void TGxColumns::SetFixedCols(int Value) {
    FFixedCols = Value;
    UpdateColumns(false);
}

TGxCustomColumn* TGxColumns::CreateColumn(TGxColumnClass ColumnClass, TComponent* Owner) {
    if (!ColumnClass || !ColumnClass->InheritsFrom(TGxCustomColumn::StaticClassInfo()))
        throw EInvalidCast(
            QStringLiteral("Not a column class: %1").arg(ColumnClass ? ColumnClass->ClassName() : "nil"));
    TObject* obj = ColumnClass->CreateInstance(Owner);
    auto* column = dynamic_cast<TGxCustomColumn*>(obj);
    if (!column) {
        std::unique_ptr<TObject> drop(obj);
        throw EInvalidCast(QStringLiteral("Not a column class: %1").arg(ColumnClass->ClassName()));
    }
    return column;
}

TGxCustomColumn* TGxColumns::Add(TGxColumnClass ColumnClass, const QString& ACaption) {
    TGxCustomColumn* column = CreateColumn(ColumnClass, this);
    try {
        column->Display(); // a column class without a display cannot be used
        AddColumn(column);
        if (FGrid) {
            column->SetColor(FGrid->GridColor());
            column->SetCursor(FGrid->GridCursor());
            if (column->ParentFont()) column->CopyParentFont();
        }
        column->Header()->SetCaption(ACaption);
    } catch (...) {
        FreeColumn(column);
        throw;
    }
    return column;
}

TGxCustomColumn* TGxColumns::Add(const TGxCustomColumn* Source) {
    TGxCustomColumn* column = Add(ClassInfoOf(Source), QString());
    try {
        column->Assign(Source);
    } catch (...) {
        FreeColumn(column);
        throw;
    }
    return column;
}

void TGxColumns::AddColumns(TGxColumnClass ColumnClass, int ACount) {
    for (int i = 0; i < ACount; ++i)
        Add(ColumnClass, QString());
}

void TGxColumns::AddColumn(TGxCustomColumn* AColumn) {
    AColumn->SetColumns(this);
    FItemsList.push_back(AColumn);
    FPositionItemsList.push_back(AColumn);
    AColumn->SetPositionSilently(static_cast<int>(FPositionItemsList.size()) - 1);
    UpdateColumns(false);
    ResizeColumns(nullptr, false);
    FLastAdded = AColumn;
    DoChange(opAdd, -1, -1);
    DoRepaint(opAdd, -1, -1);
}

TGxCustomColumn* TGxColumns::Insert(TGxColumnClass ColumnClass, int Pos) {
    if (Pos < 0 || Pos > GetCount()) ListIndexError(Pos);
    TGxCustomColumn* column = CreateColumn(ColumnClass, this);
    try {
        column->Display();
        if (FGrid) {
            column->SetColor(FGrid->GridColor());
            column->SetCursor(FGrid->GridCursor());
            column->CopyParentFont();
        }
        InsertColumn(column, Pos);
    } catch (...) {
        FreeColumn(column);
        throw;
    }
    return column;
}

void TGxColumns::InsertColumn(TGxCustomColumn* AColumn, int Pos) {
    AColumn->SetColumns(this);
    FItemsList.insert(FItemsList.begin() + Pos, AColumn);
    FPositionItemsList.push_back(AColumn);
    UpdateColumns(true);
    ResizeColumns(nullptr, false);
    DoChange(TColumnsOperation::opInsert, Pos, -1);
    DoRepaint(TColumnsOperation::opInsert, Pos, -1);
}

void TGxColumns::AppendStreamed(TGxCustomColumn* AColumn) {
    if (IndexOf(AColumn) >= 0) return;
    AColumn->SetColumns(this);
    FItemsList.push_back(AColumn);
    DoChange(opAdd, -1, -1);
}

void TGxColumns::PlaceStreamed(TGxCustomColumn* AColumn) {
    if (!AColumn->Name().isEmpty()) {
        for (TGxCustomColumn* placed : FPositionItemsList)
            if (placed != AColumn && placed->Name() == AColumn->Name()) {
                placed->Assign(AColumn);
                return;
            }
    }
    auto it = std::find_if(FPositionItemsList.begin(), FPositionItemsList.end(),
                           [&](TGxCustomColumn* c) { return c->Position() > AColumn->Position(); });
    FPositionItemsList.insert(it, AColumn);
    UpdateColumns(false);
}

void TGxColumns::Delete(int Index) {
    FreeColumn(GetItem(Index));
}

void TGxColumns::Remove(TGxCustomColumn* Column) {
    const int index = IndexOf(Column);
    if (index >= 0) {
        FItemsList.erase(FItemsList.begin() + index);
        DoChange(opDelete, index, -1);
    }
    const int pos = PositionOf(Column);
    if (pos >= 0) FPositionItemsList.erase(FPositionItemsList.begin() + pos);
    if (FLastAdded == Column) FLastAdded = nullptr;
    Column->SetColumns(nullptr);
    if (!FClearing && !IsGridDestroying()) {
        UpdateColumns(true);
        ResizeColumns(nullptr, false);
        DoRepaint(opDelete, index, -1);
    }
}

void TGxColumns::Clear() {
    while (!FItemsList.empty())
        FreeColumn(FItemsList.back());
    FItemsList.clear();
    FPositionItemsList.clear();
    FLastAdded = nullptr;
    DoChange(opClear, -1, -1);
    DoRepaint(opClear, -1, -1);
}

void TGxColumns::Move(int CurIndex, int NewIndex) {
    if (!Exists(CurIndex) || !Exists(NewIndex)) return;
    MoveItem(FItemsList, CurIndex, NewIndex);
    UpdateColumns(false);
    DoChange(opMove, CurIndex, NewIndex);
    DoRepaint(opMove, CurIndex, NewIndex);
}

void TGxColumns::ChangePosition(int CurPosition, int NewPosition) {
    if (CurPosition == NewPosition) return;
    const int n = static_cast<int>(FPositionItemsList.size());
    if (CurPosition < 0 || CurPosition >= n) ListIndexError(CurPosition);
    if (NewPosition < 0 || NewPosition >= n) ListIndexError(NewPosition);
    TGxCustomColumn* column = FPositionItemsList[CurPosition];
    MoveItem(FPositionItemsList, CurPosition, NewPosition);
    UpdateColumns(true);
    DoColumnChange(column, ccPosition, CurPosition);
}

TGxCustomColumn* TGxColumns::Duplicate(int Index) {
    if (!Exists(Index)) return nullptr;
    TGxCustomColumn* source = FItemsList[Index];
    TComponent* owner = FGrid ? FGrid->GridComponent() : this;
    TGxCustomColumn* column = CreateColumn(ClassInfoOf(source), owner);
    try {
        column->Display();
        column->Assign(source);
        AddColumn(column);
    } catch (...) {
        FreeColumn(column);
        throw;
    }
    return column;
}

void TGxColumns::HideAll() {
    for (TGxCustomColumn* c : FItemsList)
        c->HideSilently();
    DoRepaint(opDelete, -1, -1);
}

QString TGxColumns::UniqueName(const QString& BaseName) const {
    TComponent* grid = FGrid ? FGrid->GridComponent() : nullptr;
    TComponent* owner = grid && grid->Owner() ? grid->Owner() : (grid ? grid : Owner());
    for (int n = 1;; ++n) {
        const QString name = BaseName + QString::number(n);
        if (!owner || !owner->FindComponent(name)) return name;
    }
}

void TGxColumns::UpdateColumn(TGxCustomColumn* AColumn, TGridArea GridArea) {
    if (FGrid) FGrid->RefreshColumn(AColumn, GridArea);
}

bool TGxColumns::Clipped(const TGxCustomColumn* Column) const {
    const int pos = PositionOf(Column);
    if (pos >= 0 && pos < FFixedCols) return false;
    const int hpos = FGrid ? FGrid->GridHorzScrollPos() : 0;
    return Column->Left() + Column->Width() - hpos < FFixedWidth;
}

void TGxColumns::UpdateColumns(bool UpdatePosition) {
    FFixedWidth = 0;
    const int n = static_cast<int>(FPositionItemsList.size());
    for (int p = 0; p < n && p < FFixedCols; ++p)
        if (FPositionItemsList[p]->Visible()) FFixedWidth += FPositionItemsList[p]->Width();
    int x = FGrid ? FGrid->GetBodyRect().Left : 0;
    int visibleIndex = 0;
    for (int p = 0; p < n; ++p) {
        TGxCustomColumn* c = FPositionItemsList[p];
        if (c->Visible()) {
            c->SetLayout(x, visibleIndex++);
            x += c->Width();
        } else {
            c->SetLayout(c->Left(), -1);
        }
        if (UpdatePosition) c->SetPositionSilently(p);
    }
}

void TGxColumns::ResizeColumns(TGxCustomColumn* Column, bool UseColumn) {
    if (IsGridLoading()) return;
    int start = 0, offset = 0;
    if (Column) {
        const int pos = PositionOf(Column);
        if (UseColumn) {
            start = pos;
            offset = Column->Left();
        } else {
            start = pos + 1;
            offset = Column->Visible() ? Column->Left() + Column->Width() : Column->Left();
        }
        if (FGrid && FGrid->GridShowsIndicator()) offset -= 12;
    }
    const int n = static_cast<int>(FPositionItemsList.size());
    if (start < 0) start = 0;
    int fixed = 0, autoTotal = 0;
    bool anyAuto = false;
    for (int p = start; p < n; ++p) {
        TGxCustomColumn* c = FPositionItemsList[p];
        if (!c->Visible()) continue;
        if (c->Options().Contains(coAutoSize)) {
            autoTotal += c->Width();
            anyAuto = true;
        } else {
            fixed += c->Width();
        }
    }
    if (!anyAuto) return;
    const double space = (FGrid ? FGrid->InnerWidth() : 0) - offset - fixed;
    double carry = 0;
    TGxCustomColumn* lastRounded = nullptr;
    for (int p = start; p < n; ++p) {
        TGxCustomColumn* c = FPositionItemsList[p];
        if (!c->Visible() || !c->Options().Contains(coAutoSize)) continue;
        const double share = (autoTotal > 0 ? double(c->Width()) / autoTotal : 0.0) * space;
        const double whole = std::trunc(share);
        carry += share - whole;
        if (carry >= 1) {
            c->SetSilentWidth(static_cast<int>(whole) + 1);
            carry -= 1;
        } else {
            c->SetSilentWidth(static_cast<int>(whole));
            lastRounded = c;
        }
    }
    if (carry > 0.001 && lastRounded) lastRounded->SetSilentWidth(lastRounded->Width() + 1);
}

void TGxColumns::AutoSizeSlides(int OldWidth, int NewWidth) {
    auto scale = [&](int value) {
        return static_cast<int>(std::nearbyint(NewWidth * (double(value) / OldWidth * 100) / 100));
    };
    for (TGxCustomColumn* c : FItemsList) {
        if (!c->SlideOptions().Contains(soAutoSize)) continue;
        TGxSlideBounds* b = c->SlideBounds();
        b->SetWidth(scale(b->Width()));
        b->SetLeft(scale(b->Left()));
    }
}

void TGxColumns::AnchorSlides(int OldWidth, int NewWidth) {
    const int delta = NewWidth - OldWidth;
    for (TGxCustomColumn* c : FItemsList) {
        const TAnchors a = c->SlideAnchors();
        if (!a.Contains(akRight)) continue;
        TGxSlideBounds* b = c->SlideBounds();
        if (a.Contains(akLeft))
            b->SetWidth(b->Width() + delta);
        else
            b->SetLeft(b->Left() + delta);
    }
}

void TGxColumns::DoColumnChange(TGxCustomColumn* Column, TColumnChangeKind Kind, int Param) {
    if (OnColumnChange) OnColumnChange(this, Column, Kind, Param);
}

void TGxColumns::DoChange(TColumnsOperation Operation, int Value1, int Value2) {
    if (OnChange) OnChange(this, Operation, Value1, Value2);
}

void TGxColumns::DoRepaint(TColumnsOperation Operation, int Value1, int Value2) {
    if (OnRepaint) OnRepaint(this, Operation, Value1, Value2);
}

KORVEL_CLASS_INFO(TGxColumns) {}
