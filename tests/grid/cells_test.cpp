// The cell store: typed conversions under two locales, notifications, row and column operations,
// the row tree, and the store's growth beyond the old fixed column limit.

#include "GridTestSupport.h"

#include "platform/rtl/SysUtils.h"

#include <functional>

namespace {

// One grid with one column of the given type and one row.
struct OneCell {
    explicit OneCell(TColumnType type) {
        TGxCustomColumn* c = type == ctVirtual
                                 ? static_cast<TGxCustomColumn*>(grid.Columns->Add<TGxVirtualColumn>())
                                 : grid.Columns->Add<TGxTextColumn>();
        c->SetColumnType(type);
        grid.Cells->AddRow(1);
        grid.Cells->OnCellChange = [this](TObject*, int, int) { ++changes; };
    }
    TCell* cell() { return grid.Cells->GetCell(0, 0); }
    TFakeGrid grid;
    int changes = 0;
};

const QString kErr = QStringLiteral("ERR");

// Every getter as text ("ERR" for a conversion error) so one table row shows a cell completely.
QString Read(const std::function<QString()>& get) {
    try {
        return get();
    } catch (const EConvertError&) {
        return kErr;
    }
}

struct TConversionCase {
    TColumnType Type;
    std::function<void(TCell*)> Write;
    QString Boolean, DateTime, Float, Integer, String;
};

void CheckCases(const std::vector<TConversionCase>& cases) {
    for (size_t i = 0; i < cases.size(); ++i) {
        const TConversionCase& k = cases[i];
        OneCell f(k.Type);
        k.Write(f.cell());
        SCOPED_TRACE(testing::Message() << "case " << i << " " << k.String.toStdString());
        EXPECT_EQ(Read([&] { return QString::number(f.cell()->AsBoolean()); }), k.Boolean);
        EXPECT_EQ(Read([&] { return FloatToStr(f.cell()->AsDateTime()); }), k.DateTime);
        EXPECT_EQ(Read([&] { return FloatToStr(f.cell()->AsFloat()); }), k.Float);
        EXPECT_EQ(Read([&] { return IntToStr(f.cell()->AsInteger()); }), k.Integer);
        EXPECT_EQ(Read([&] { return f.cell()->AsString(); }), k.String);
    }
}

auto Str(const char* s) {
    return [v = QString::fromUtf8(s)](TCell* c) { c->SetAsString(v); };
}

TEST(CellConversions, TableUnderDotLocale) {
    TFormatSettingsScope scope(QStringLiteral("en_US"));
    CheckCases({
        {ctBoolean, Str("TRUE"), "1", "0", "1", "1", "True"},
        {ctBoolean, Str("1"), "1", "0", "1", "1", "True"},
        {ctBoolean, Str("yes"), "0", "0", "0", "0", "False"},
        {ctBoolean, [](TCell* c) { c->SetAsFloat(0.5); }, "1", "0", "1", "1", "True"},
        {ctInteger, [](TCell* c) { c->SetAsInteger(-5); }, "0", "0", "-5", "-5", "-5"},
        {ctInteger, [](TCell* c) { c->SetAsFloat(2.5); }, "1", "0", "2", "2", "2"},
        {ctInteger, [](TCell* c) { c->SetAsFloat(3.5); }, "1", "0", "4", "4", "4"},
        {ctInteger, Str(""), "0", "0", "0", "0", "0"},
        {ctInteger, [](TCell* c) { c->SetAsBoolean(true); }, "1", "0", "1", "1", "1"},
        {ctFloat, Str("2.5"), "0", "2.5", "2.5", "2", "2.5"},
        {ctFloat, Str("3.5"), "0", "3.5", "3.5", "4", "3.5"},
        {ctFloat, [](TCell* c) { c->SetAsBoolean(true); }, "0", "0", "0", "0", "0"},
        {ctFloat, [](TCell* c) { c->SetAsFloat(1.0 / 3); }, "0", "0.333333333333333", "0.333333333333333",
         "0", "0.333333333333333"},
        {ctString, Str(""), kErr, "0", kErr, kErr, ""},
        {ctString, Str("12"), "1", "0.5", "12", "12", "12"}, // read as the time 12:00
        {ctString, Str("1.5"), "1", kErr, "1.5", kErr, "1.5"},
        {ctString, Str("abc"), kErr, kErr, kErr, kErr, "abc"},
        {ctString, [](TCell* c) { c->SetAsFloat(0.25); }, "1", kErr, "0.25", kErr, "0.25"},
        {ctString, [](TCell* c) { c->SetAsBoolean(false); }, "0", kErr, kErr, kErr, "False"},
        {ctDate, Str("no date"), "0", "0", "0", "0", DateTimeToStr(0)},
        {ctDate, [](TCell* c) { c->SetAsFloat(45000.75); }, "0", "45000.75", "45000.75", "45000",
         DateTimeToStr(45000.75)},
        {ctDate, [](TCell* c) { c->SetAsFloat(-1.5); }, "0", "-1.5", "-1.5", "-1", DateTimeToStr(-1.5)},
        {ctDate, [](TCell* c) { c->SetAsInteger(7); }, "0", "7", "7", "7", DateTimeToStr(7)},
    });
}

TEST(CellConversions, TableUnderCommaLocale) {
    TFormatSettingsScope scope(QStringLiteral("ru_RU"));
    CheckCases({
        {ctFloat, Str("2,5"), "0", "2,5", "2,5", "2", "2,5"},
        {ctString, Str("1,5"), "1", kErr, "1,5", kErr, "1,5"},
        {ctString, Str("1.5"), kErr, FloatToStr(EncodeDate(YearOf(Date()), 5, 1)), kErr, kErr,
         "1.5"}, // 1 May
        {ctString, [](TCell* c) { c->SetAsFloat(0.25); }, "1", kErr, "0,25", kErr, "0,25"},
        {ctInteger, [](TCell* c) { c->SetAsFloat(-2.5); }, "0", "0", "-2", "-2", "-2"},
        {ctDate, [](TCell* c) { c->SetAsFloat(45000.5); }, "0", "45000,5", "45000,5", "45000",
         DateTimeToStr(45000.5)},
    });
    // A date written in the locale's own form reads back.
    OneCell f(ctString);
    f.cell()->SetAsDateTime(EncodeDate(2024, 3, 5));
    EXPECT_DOUBLE_EQ(f.cell()->AsDateTime(), EncodeDate(2024, 3, 5));
    OneCell d(ctDate);
    d.cell()->SetAsString(DateToStr(EncodeDate(2021, 12, 31)));
    EXPECT_DOUBLE_EQ(d.cell()->AsDateTime(), EncodeDate(2021, 12, 31));
}

TEST(CellConversions, FailingSetterKeepsValueAndSendsNothing) {
    TFormatSettingsScope scope(QStringLiteral("en_US"));
    struct {
        TColumnType Type;
        const char* Good;
        const char* Bad;
    } cases[] = {{ctInteger, "12", "12a"},
                 {ctFloat, "1.5", "1,5"},
                 {ctGuid, "{6F9619FF-8B86-D011-B42D-00C04FC964FF}", "xyz"}};
    for (const auto& k : cases) {
        OneCell f(k.Type);
        f.cell()->SetAsString(QString::fromLatin1(k.Good));
        const int before = f.changes;
        EXPECT_THROW(f.cell()->SetAsString(QString::fromLatin1(k.Bad)), EConvertError) << k.Bad;
        EXPECT_EQ(f.changes, before);
        EXPECT_EQ(f.cell()->AsString(), QString::fromLatin1(k.Good));
    }
}

TEST(CellConversions, GuidCell) {
    OneCell f(ctGuid);
    const QString text = f.cell()->AsString();
    EXPECT_EQ(text.size(), 38);
    EXPECT_TRUE(text.startsWith('{') && text.endsWith('}'));
    EXPECT_EQ(text, text.toUpper());
    OneCell other(ctGuid);
    EXPECT_NE(other.cell()->AsString(), text); // freshly generated for each cell
    EXPECT_THROW(f.cell()->AsInteger(), EConvertError);
    EXPECT_THROW(f.cell()->AsBoolean(), EConvertError);

    f.cell()->SetAsString(QStringLiteral("{6f9619ff-8b86-d011-b42d-00c04fc964ff}"));
    EXPECT_EQ(f.cell()->AsString(), QStringLiteral("{6F9619FF-8B86-D011-B42D-00C04FC964FF}"));
    auto* guid = static_cast<TGuidCell*>(f.cell());
    const int before = f.changes;
    guid->SetAsGuid(QUuid(QStringLiteral("{00000000-0000-0000-0000-000000000001}")));
    EXPECT_EQ(f.changes, before); // direct access, no notification
    f.cell()->Clear();
    EXPECT_EQ(f.changes, before + 1);
    EXPECT_EQ(f.cell()->AsString(), QStringLiteral("{00000000-0000-0000-0000-000000000001}"));
    // A converting write notifies in SetAsString and again in its own base call.
    EXPECT_THROW(f.cell()->SetAsInteger(5), EConvertError);
}

TEST(CellConversions, IncrementCellFollowsItsRow) {
    TFakeGrid grid;
    grid.Columns->Add<TGxIncrementColumn>();
    grid.Cells->AddRow(6);
    int changes = 0;
    grid.Cells->OnCellChange = [&](TObject*, int, int) { ++changes; };
    TCell* cell = grid.Cells->GetCell(0, 4);
    EXPECT_EQ(cell->AsInteger(), 5);
    EXPECT_EQ(cell->AsString(), QStringLiteral("5"));
    EXPECT_DOUBLE_EQ(cell->AsFloat(), 5);
    EXPECT_FALSE(cell->AsBoolean());
    cell->Clear();
    EXPECT_EQ(changes, 0);
    cell->SetAsInteger(9);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(grid.Cells->GetCell(0, 4)->AsInteger(), 5);
    // Holding a cell and fetching another reports the other's coordinates.
    grid.Cells->GetCell(0, 1);
    EXPECT_EQ(cell->AsInteger(), 2);
}

TEST(CellConversions, VirtualCellAsksItsColumn) {
    TFakeGrid grid;
    auto* column = grid.Columns->Add<TGxVirtualColumn>();
    grid.Cells->AddRow(3);
    int changes = 0;
    grid.Cells->OnCellChange = [&](TObject*, int, int) { ++changes; };
    EXPECT_EQ(grid.Cells->GetCell(0, 1)->AsString(), QString()); // no handler: empty
    grid.Cells->GetCell(0, 1)->SetAsString(QStringLiteral("x")); // no handler: nothing to call
    EXPECT_EQ(changes, 1);

    QStringList stored;
    column->OnGetText = [](TObject*, int c, int r, QString& v) { v = QStringLiteral("%1").arg(c * 10 + r); };
    column->OnSetText = [&](TObject*, int c, int r, const QString& v) {
        stored << QStringLiteral("%1,%2=%3").arg(c).arg(r).arg(v);
    };
    EXPECT_EQ(grid.Cells->GetCell(0, 2)->AsInteger(), 2);
    EXPECT_EQ(grid.Cells->GetCell(0, 1)->AsString(), QStringLiteral("1"));
    changes = 0;
    grid.Cells->GetCell(0, 2)->SetAsInteger(7);
    EXPECT_EQ(stored, QStringList{QStringLiteral("0,2=7")});
    EXPECT_EQ(changes, 2);
}

TEST(Cells, NewCellTakesTheColumnStyle) {
    TFakeGrid grid;
    auto* column = grid.Columns->Add<TGxTextColumn>();
    column->SetColor(clAqua);
    column->Font()->SetColor(clMaroon);
    column->Font()->SetStyle({fsBold, fsUnderline});
    int changes = 0;
    grid.Cells->OnCellChange = [&](TObject*, int, int) { ++changes; };
    grid.Cells->AddRow(1);
    TCell* cell = grid.Cells->GetCell(0, 0);
    EXPECT_EQ(changes, 0);
    EXPECT_FALSE(cell->Empty());
    EXPECT_FALSE(cell->Locked());
    EXPECT_EQ(cell->Color(), clAqua);
    EXPECT_EQ(cell->TextColor(), clMaroon);
    EXPECT_TRUE(cell->FontStyle() == (TFontStyles{fsBold, fsUnderline}));
}

TEST(Cells, StyleSettersAndLocking) {
    TFakeGrid grid;
    grid.Columns->Add<TGxTextColumn>();
    grid.Cells->AddRow(2);
    QStringList at;
    grid.Cells->OnCellChange = [&](TObject*, int c, int r) { at << QStringLiteral("%1,%2").arg(c).arg(r); };
    TCell* cell = grid.Cells->GetCell(0, 1);
    cell->SetColor(clRed);
    cell->SetHint(QStringLiteral("h"));
    cell->SetTextColor(clBlue);
    cell->SetFontStyle({fsItalic});
    EXPECT_EQ(at.size(), 4);
    EXPECT_EQ(at.first(), QStringLiteral("0,1"));
    cell->SetLocked(true);
    cell->SetColor(clGreen);
    cell->SetHint(QStringLiteral("g"));
    EXPECT_EQ(at.size(), 4);
    EXPECT_EQ(cell->Color(), clGreen);
    EXPECT_EQ(cell->Hint(), QStringLiteral("g"));
    cell->SetEmpty(true); // always notifies
    EXPECT_EQ(at.size(), 5);
    EXPECT_TRUE(cell->Empty());
}

TEST(Cells, DerivedPropertiesAskTheGridAtCurrentCoordinates) {
    TFakeGrid grid;
    grid.Columns->AddColumns(TGxTextColumn::StaticClassInfo(), 2);
    grid.Cells->AddRow(2);
    TCell* cell = grid.Cells->GetCell(1, 1);
    EXPECT_EQ(cell->ColumnIndex(), 1);
    EXPECT_EQ(cell->RowIndex(), 1);
    EXPECT_EQ(cell->ActualColor(), RGB(1, 1, 1));
    EXPECT_EQ(cell->ActualFontColor(), RGB(1, 1, 2));
    EXPECT_EQ(cell->DisplayText(), QStringLiteral("draw 1,1"));
    EXPECT_TRUE(cell->Highlighted());
    grid.Cells->GetCell(0, 1);
    EXPECT_FALSE(cell->Highlighted());
    EXPECT_EQ(grid.Cells->GetCellColumnIndex(cell), 1);
    EXPECT_EQ(grid.Cells->GetCellRowIndex(cell), 1);
}

TEST(CellStore, RowOperations) {
    TCells cells(nullptr, nullptr);
    cells.AddColumn();
    cells.AddColumn();
    cells.AddRow(3);
    for (int r = 0; r < 3; ++r)
        cells.GetCell(0, r)->SetAsString(QString::number(r));
    EXPECT_EQ(cells.RowCount(), 3);
    EXPECT_EQ(cells.VisibleRowCount(), 3);
    cells.SortColumn(0, stAlphabetic, skAscending, false);
    ASSERT_TRUE(cells.Sorted());

    cells.SwapRows(0, 2); // leaves Sorted
    EXPECT_TRUE(cells.Sorted());
    EXPECT_EQ(cells.GetCell(0, 0)->AsString(), QStringLiteral("2"));
    cells.DeleteRow(1); // leaves Sorted
    EXPECT_TRUE(cells.Sorted());
    EXPECT_EQ(cells.RowCount(), 2);
    EXPECT_EQ(cells.VisibleRowCount(), 2);

    cells.InsertRow(1, 2);
    EXPECT_FALSE(cells.Sorted());
    EXPECT_EQ(cells.RowCount(), 4);
    EXPECT_EQ(cells.GetCell(0, 1)->AsString(), QString());
    EXPECT_EQ(cells.GetCell(0, 3)->AsString(), QStringLiteral("0"));

    cells.MoveRow(3, 0);
    EXPECT_EQ(cells.GetCell(0, 0)->AsString(), QStringLiteral("0"));
    EXPECT_EQ(cells.GetCell(0, 1)->AsString(), QStringLiteral("2"));

    cells.AddRow(0); // still clears Sorted
    EXPECT_FALSE(cells.Sorted());

    EXPECT_THROW(cells.GetCell(0, 4), EListError);
    EXPECT_THROW(cells.GetCell(2, 0), EListError);
    EXPECT_THROW(cells.DeleteRow(-1), EListError);
    EXPECT_THROW(cells.GetRow(9), EListError);

    cells.ClearRows();
    EXPECT_EQ(cells.RowCount(), 0);
    EXPECT_EQ(cells.ColCount(), 2);
}

TEST(CellStore, GrowsBeyondTheOldColumnLimit) {
    TCells cells(nullptr, nullptr);
    cells.AddRow(2);
    for (int c = 0; c < 1100; ++c)
        cells.AddColumn();
    cells.InsertColumn(0);
    EXPECT_EQ(cells.ColCount(), 1101);
    cells.GetCell(1100, 1)->SetAsString(QStringLiteral("last"));
    cells.MoveColumn(1100, 3);
    EXPECT_EQ(cells.GetCell(3, 1)->AsString(), QStringLiteral("last"));
    cells.DeleteColumn(3);
    EXPECT_EQ(cells.ColCount(), 1100);
}

TEST(CellStore, ClearingColumnsClearsTheirRows) {
    TCells cells(nullptr, nullptr);
    cells.AddColumn();
    cells.AddRow(3);
    cells.ClearColumns();
    EXPECT_EQ(cells.RowCount(), 0);
    EXPECT_EQ(cells.VisibleRowCount(), 0);
    EXPECT_THROW(cells.GetRow(0), EListError);
    // New columns and rows line up again.
    cells.AddColumn();
    cells.AddRow(1);
    EXPECT_EQ(cells.RowCount(), 1);
    EXPECT_EQ(cells.GetRowIndex(cells.GetRow(0)), 0);
    EXPECT_NO_THROW(cells.GetCell(0, 0)->SetAsString(QStringLiteral("x")));

    // Deleting the last column does the same.
    cells.DeleteColumn(0);
    EXPECT_EQ(cells.RowCount(), 0);
    EXPECT_THROW(cells.GetRow(0), EListError);
}

TEST(CellStore, AutoIncrementCellsCarryTheRowNumberWhereverMade) {
    TFakeGrid grid;
    grid.Columns->Add<TGxIncrementColumn>();
    grid.Columns->Add<TGxTextColumn>();
    grid.Cells->AddRow(3);
    grid.Cells->InsertRow(1, 1);
    EXPECT_EQ(grid.Cells->GetCell(0, 1)->AsInteger(), 2);
    EXPECT_EQ(grid.Cells->GetCell(0, 3)->AsString(), QStringLiteral("4"));
    grid.Columns->Insert(TGxIncrementColumn::StaticClassInfo(), 1);
    EXPECT_EQ(grid.Cells->ColCount(), 3);
    EXPECT_EQ(grid.Cells->GetCell(1, 2)->AsInteger(), 3);
    grid.Cells->AddChildRow(0, 1);
    EXPECT_EQ(grid.Cells->GetCell(1, 1)->AsInteger(), 2);
}

TEST(CellStore, RowTree) {
    TCells cells(nullptr, nullptr);
    cells.AddColumn();
    cells.AddRow(2);
    cells.AddChildRow(0, 1);
    cells.AddChildRow(1, 2); // grandchild
    cells.AddChildRow(0, 3);
    ASSERT_EQ(cells.RowCount(), 5);
    EXPECT_EQ(cells.GetRow(2)->Level(), 2);
    EXPECT_EQ(cells.GetRow(2)->ParentRow(), cells.GetRow(1));
    EXPECT_EQ(cells.GetRow(0)->ChildCount(), 2);
    EXPECT_TRUE(cells.GetRow(0)->HasChildren());
    EXPECT_EQ(cells.GetChildCount(0), 3);
    EXPECT_EQ(cells.GetChildsCount(0), 2);
    EXPECT_EQ(cells.GetChildCount(4), 0);
    EXPECT_EQ(cells.GetAbsoluteIndex(10, 1), 12); // two rows at level 1
    EXPECT_EQ(cells.VisibleRowCount(), 5);

    // A child under a collapsed parent adds to RowCount only.
    cells.GetRow(4)->SetExpanded(false);
    cells.AddChildRow(4, 5);
    EXPECT_EQ(cells.RowCount(), 6);
    EXPECT_EQ(cells.VisibleRowCount(), 5);
    EXPECT_FALSE(cells.GetRow(5)->Shown());
    // Hiding that row changes nothing, showing it again neither.
    cells.ShowRow(5, false);
    EXPECT_EQ(cells.VisibleRowCount(), 5);
    cells.ShowRow(5, true);
    EXPECT_EQ(cells.VisibleRowCount(), 5);
    cells.ExpandRow(5, true);
    EXPECT_EQ(cells.VisibleRowCount(), 6);
    cells.ShowRow(5, false);
    EXPECT_EQ(cells.VisibleRowCount(), 5);
    cells.ShowRow(5, false); // already hidden
    EXPECT_EQ(cells.VisibleRowCount(), 5);
    cells.DeleteRow(5); // was not visible: count unchanged
    EXPECT_EQ(cells.VisibleRowCount(), 5);
    cells.DeleteRow(0);
    EXPECT_EQ(cells.VisibleRowCount(), 4);

    cells.MoveChildRow(0, cells.GetRow(3));
    EXPECT_EQ(cells.GetRow(0)->Shown(), cells.GetRow(3)->Expanded());
}

} // namespace
