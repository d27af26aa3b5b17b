// Sorting the cell store by every sort type, with the other columns and the row records moving
// along, the reversal shortcut, and failures that must leave the rows untouched.

#include "GridTestSupport.h"

#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TextCase.h"

#include <random>

namespace {

// Column 0 holds the keys (its type chosen by the test), column 1 a tag naming the row's
// original position, column 2 a number that must move with the tag.
struct SortFixture {
    SortFixture(TColumnType keyType, const QStringList& keys) {
        auto* key = grid.Columns->Add<TGxTextColumn>();
        key->SetColumnType(keyType);
        grid.Columns->Add<TGxTextColumn>();
        grid.Columns->Add<TGxTextColumn>()->SetColumnType(ctInteger);
        grid.Cells->AddRow(keys.size());
        for (int r = 0; r < keys.size(); ++r) {
            grid.Cells->GetCell(0, r)->SetAsString(keys[r]);
            grid.Cells->GetCell(1, r)->SetAsString(QStringLiteral("r%1").arg(r));
            grid.Cells->GetCell(2, r)->SetAsInteger(r * 100);
            grid.Cells->GetRow(r)->SetImageIndex(r);
        }
    }
    QStringList Tags() {
        QStringList tags;
        for (int r = 0; r < grid.Cells->RowCount(); ++r) {
            const QString tag = grid.Cells->GetCell(1, r)->AsString();
            const int original = tag.mid(1).toInt();
            // The companion column and the row record moved with the tag.
            EXPECT_EQ(grid.Cells->GetCell(2, r)->AsInteger(), original * 100);
            EXPECT_EQ(grid.Cells->GetRow(r)->ImageIndex(), original);
            tags << tag;
        }
        return tags;
    }
    QStringList Keys() {
        QStringList keys;
        for (int r = 0; r < grid.Cells->RowCount(); ++r)
            keys << grid.Cells->GetCell(0, r)->AsString();
        return keys;
    }
    void Sort(TSortType type, TSortKind kind, bool resort = false) {
        grid.Cells->SortColumn(0, type, kind, resort);
    }
    TFakeGrid grid;
};

QStringList L(std::initializer_list<const char*> items) {
    QStringList l;
    for (const char* s : items)
        l << QString::fromUtf8(s);
    return l;
}

TEST(Sorting, EverySortType) {
    TFormatSettingsScope scope(QStringLiteral("en_US"));
    SetCaseLocale(QStringLiteral("ru-RU"));
    struct Case {
        TSortType Type;
        TColumnType KeyType;
        QStringList Keys;
        QStringList Ascending; // keys in ascending order
    } cases[] = {
        {stAlphabetic, ctString, L({"b", "B", "a", "10", "9"}), L({"10", "9", "B", "a", "b"})},
        {stCaseInsensitive, ctString, L({"b", "C", "a", "B_"}), L({"a", "b", "B_", "C"})},
        {stNumeric, ctString, L({"10", "9", "abc", "-1.5", "Z", "9.5"}),
         L({"-1.5", "9", "9.5", "10", "Z", "abc"})},
        {stNumeric, ctFloat, L({"2.5", "-3", "0"}), L({"-3", "0", "2.5"})},
        {stNumeric, ctInteger, L({"20", "3", "100"}), L({"3", "20", "100"})},
        {stBoolean, ctBoolean, L({"True", "False", "True", "False"}), L({"False", "False", "True", "True"})},
        {stBoolean, ctString, L({"1", "maybe", "0"}), L({"0", "1", "maybe"})},
        {stIP, ctString, L({"10.0.0.2", "10.0.0.10", "9.0.0.1"}), L({"10.0.0.10", "10.0.0.2", "9.0.0.1"})},
        {stIP, ctString, L({"1.2.3.4", "4.3.2.1", "1..2", "2.2.3.4"}),
         L({"2.2.3.4", "1.2.3.4", "4.3.2.1", "1..2"})},
        {stUnicodeAlphabetic, ctString, L({"я", "Б", "а"}), L({"а", "Б", "я"})},
        {stAlphabetic, ctString, L({"я", "Б", "а"}), L({"Б", "а", "я"})},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << "type " << k.Type << " keys " << k.Keys.join(',').toStdString());
        SortFixture f(k.KeyType, k.Keys);
        f.Sort(k.Type, skAscending);
        EXPECT_EQ(f.Keys(), k.Ascending);
        f.Tags(); // companions moved with their rows
        EXPECT_TRUE(f.grid.Cells->Sorted());
        EXPECT_EQ(f.grid.Cells->SortIndex(), 0);
        QStringList descending = k.Ascending;
        std::reverse(descending.begin(), descending.end());
        f.Sort(k.Type, skDescending, true);
        EXPECT_EQ(f.Keys(), descending);
        f.Tags();
        EXPECT_EQ(f.grid.Cells->SortKind(), skDescending);
    }
}

TEST(Sorting, DatesAsDates) {
    TFormatSettingsScope scope(QStringLiteral("en_US"));
    SortFixture f(ctDate, {});
    f.grid.Cells->AddRow(3);
    const double dates[] = {EncodeDate(2024, 1, 2), EncodeDate(1999, 12, 31), EncodeDate(2024, 1, 1)};
    for (int r = 0; r < 3; ++r) {
        f.grid.Cells->GetCell(0, r)->SetAsDateTime(dates[r]);
        f.grid.Cells->GetCell(1, r)->SetAsString(QStringLiteral("r%1").arg(r));
    }
    f.Sort(stDate, skAscending);
    QStringList tags;
    for (int r = 0; r < 3; ++r)
        tags << f.grid.Cells->GetCell(1, r)->AsString();
    EXPECT_EQ(tags, L({"r1", "r2", "r0"}));
}

TEST(Sorting, CustomComparisonThroughOnCompare) {
    SortFixture f(ctString, L({"ccc", "a", "bb", "dddd"}));
    f.grid.Cells->OnCompare = [](TObject*, TCell* a, TCell* b, int& compare) {
        compare = int(a->AsString().size()) - int(b->AsString().size());
    };
    f.Sort(stCustom, skDescending);
    EXPECT_EQ(f.Keys(), L({"dddd", "ccc", "bb", "a"}));
    f.Tags();
    // Without a handler every pair is equal and nothing moves.
    f.grid.Cells->OnCompare = nullptr;
    f.Sort(stCustom, skAscending, true);
    EXPECT_EQ(f.Keys(), L({"dddd", "ccc", "bb", "a"}));
}

TEST(Sorting, SecondSortWithTheOtherKindReversesRows) {
    SortFixture f(ctInteger, L({"1", "2", "1", "0"}));
    f.Sort(stNumeric, skAscending);
    EXPECT_EQ(f.Tags(), L({"r3", "r0", "r2", "r1"}));
    // No change in between: the rows are reversed, equal keys included.
    f.Sort(stNumeric, skDescending);
    EXPECT_EQ(f.Tags(), L({"r1", "r2", "r0", "r3"}));
    // Resort sorts again (stable: equal keys keep their current order).
    f.Sort(stNumeric, skAscending, true);
    EXPECT_EQ(f.Tags(), L({"r3", "r2", "r0", "r1"}));
    // A cell change clears Sorted, so the next request sorts instead of reversing.
    f.grid.Cells->GetCell(1, 0)->SetAsString(QStringLiteral("r3"));
    EXPECT_FALSE(f.grid.Cells->Sorted());
    f.grid.Cells->GetCell(1, 0)->SetAsString(QStringLiteral("r3"));
    f.Sort(stNumeric, skDescending);
    EXPECT_EQ(f.Keys(), L({"2", "1", "1", "0"}));
    EXPECT_TRUE(f.grid.Cells->Sorted());
}

TEST(Sorting, EmptyAndSingleRowStores) {
    for (int rows : {0, 1}) {
        TCells cells(nullptr, nullptr);
        cells.AddColumn();
        cells.AddRow(rows);
        cells.SortColumn(0, stNumeric, skDescending, false);
        EXPECT_TRUE(cells.Sorted());
        EXPECT_EQ(cells.SortIndex(), 0);
        EXPECT_EQ(cells.SortKind(), skDescending);
        EXPECT_EQ(cells.RowCount(), rows);
    }
}

TEST(Sorting, FailureLeavesRowsAsTheyWere) {
    // A handler that raises halfway, and a virtual column whose text cannot be produced.
    SortFixture f(ctString, L({"d", "a", "c", "b", "e"}));
    f.Sort(stAlphabetic, skAscending);
    f.grid.Cells->GetCell(1, 0)->SetAsString(QStringLiteral("r1")); // unsorted again
    const QStringList before = f.Keys();
    int calls = 0;
    f.grid.Cells->OnCompare = [&](TObject*, TCell*, TCell*, int& compare) {
        if (++calls == 3) throw EAbort(QStringLiteral("stop"));
        compare = -1;
    };
    EXPECT_THROW(f.Sort(stCustom, skDescending), EAbort);
    EXPECT_EQ(f.Keys(), before);
    EXPECT_FALSE(f.grid.Cells->Sorted());
    EXPECT_EQ(f.grid.Cells->SortKind(), skAscending);

    TFakeGrid grid;
    auto* column = grid.Columns->Add<TGxVirtualColumn>();
    grid.Columns->Add<TGxTextColumn>();
    grid.Cells->AddRow(4);
    for (int r = 0; r < 4; ++r)
        grid.Cells->GetCell(1, r)->SetAsString(QString::number(r));
    column->OnGetText = [](TObject*, int, int r, QString& v) {
        if (r == 3) throw EInvalidOperation(QStringLiteral("no text"));
        v = QString::number(10 - r);
    };
    EXPECT_THROW(grid.Cells->SortColumn(0, stNumeric, skAscending, false), EInvalidOperation);
    for (int r = 0; r < 4; ++r)
        EXPECT_EQ(grid.Cells->GetCell(1, r)->AsString(), QString::number(r));
}

TEST(Sorting, InconsistentComparisonStaysInsideTheRows) {
    std::mt19937 random(7);
    QStringList keys;
    for (int i = 0; i < 300; ++i)
        keys << QString::number(i);
    SortFixture f(ctString, keys);
    f.grid.Cells->OnCompare = [&](TObject*, TCell*, TCell*, int& compare) {
        compare = static_cast<int>(random() % 3) - 1;
    };
    f.Sort(stCustom, skAscending);
    QStringList tags = f.Tags();
    tags.sort();
    QStringList expected;
    for (int i = 0; i < 300; ++i)
        expected << QStringLiteral("r%1").arg(i);
    expected.sort();
    EXPECT_EQ(tags, expected); // every row still there, once
}

TEST(Sorting, RowRecordsKeepTheirIdentity) {
    // The grid re-selects the selected record by looking its record up after the sort.
    SortFixture f(ctString, L({"c", "a", "b"}));
    TRow* selected = f.grid.Cells->GetRow(0);
    int data = 42;
    selected->SetData(&data);
    selected->SetSelected(true);
    f.Sort(stAlphabetic, skAscending);
    const int now = f.grid.Cells->GetRowIndex(selected);
    EXPECT_EQ(now, 2);
    EXPECT_EQ(f.grid.Cells->GetCell(0, now)->AsString(), QStringLiteral("c"));
    EXPECT_TRUE(f.grid.Cells->GetRow(now)->Selected());
    EXPECT_EQ(f.grid.Cells->GetRow(now)->Data(), &data);
}

TEST(Sorting, AutoIncrementKeysFollowRowPositions) {
    TFakeGrid grid;
    grid.Columns->Add<TGxIncrementColumn>();
    grid.Columns->Add<TGxTextColumn>();
    grid.Cells->AddRow(3);
    for (int r = 0; r < 3; ++r)
        grid.Cells->GetCell(1, r)->SetAsString(QString::number(r));
    grid.Cells->SortColumn(0, stNumeric, skDescending, false);
    QStringList order;
    for (int r = 0; r < 3; ++r)
        order << grid.Cells->GetCell(1, r)->AsString();
    EXPECT_EQ(order, L({"2", "1", "0"}));
}

} // namespace
