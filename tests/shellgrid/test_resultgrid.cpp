#include "ShellGridSupport.h"

#include "app/dbControls.h"
#include "app/dbStringGridEx.h"
#include "app/uLang.h"
#include "app/uSaveSettings.h"
#include "grid/GxColumns.h"
#include "platform/gfx/Colors.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/SysUtils.h"
#include "platform/sys/Program.h"
#include "platform/ui/Clipbrd.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"
#include "platform/ui/UIServices.h"

#include <QFile>
#include <QImage>
#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class ResultGrid : public DatabaseTest {
protected:
    ResultGrid()
        : FUI([](const QString& question) { ADD_FAILURE() << "Unexpected question: " << question; }),
          FLocale(TFormatSettings::Invariant()) {}

    void SetUp() override {
        DatabaseTest::SetUp();
        qputenv("KORVEL_LANGID", "1033");
        InitLang();
        Exec("INSERT INTO countries(id, name) VALUES(1, 'Norway')");
        Exec("INSERT INTO cities(id, name, id_countries) VALUES(1, 'Oslo', 1)");
        Exec("INSERT INTO customers(id, name, id_cities) VALUES(1, 'Smith', 1)");
        Exec("INSERT INTO customers(id, name, id_cities) VALUES(2, ?, NULL)", {QString::fromUtf8("ИВАНОВ")});
        Exec("INSERT INTO orders(id, number, date, id_customers, amount, paid, created, delivery_time) VALUES"
             "(1, 'A1', '2014-04-28 00:00:00.000', 1, 3.5, 1, '2014-04-28 13:05:09.000', '1899-12-30 "
             "13:05:00.000'),"
             "(2, 'A2', '2014-04-29 00:00:00.000', 1, NULL, 0, '2014-04-29 00:00:00.000', NULL),"
             "(3, 'B1', '2014-05-01 00:00:00.000', 2, 10, NULL, NULL, NULL)");
        FForm = std::make_unique<TForm>(nullptr);
        FForm->SetName("frmOrders");
        FForm->SetBounds(0, 0, 640, 480);
        FGrid = new TdbStringGridEx(FForm.get());
        FGrid->SetName("gridOrders");
        FGrid->SetParent(FForm.get());
        FGrid->SetBounds(0, 0, 600, 400);
        FGrid->SetdbSQLConnection(&FDb);
        FGrid->SetdbGeneralTable("orders");
        FGrid->SetdbListFields("orders.number,customers.name");
        FGrid->SetdbSortField("orders.number");
    }
    void TearDown() override {
        FForm.reset();
        FUI->Verify();
        DatabaseTest::TearDown();
    }
    QStringList Column(int c) {
        QStringList texts;
        for (int r = 0; r < FGrid->RowCount(); ++r)
            texts << FGrid->GetCells(c, r);
        return texts;
    }
    QStringList Captions() {
        QStringList captions;
        for (int i = 0; i < FGrid->Columns()->Count(); ++i)
            captions << FGrid->Columns()->Item(i)->Header()->Caption();
        return captions;
    }
    template <class T> T* Add(const QString& name) {
        auto* c = new T(FForm.get());
        c->SetName(name);
        c->SetParent(FForm.get());
        return c;
    }

    TUIServicesScope FUI;
    TFormatSettingsScope FLocale;
    std::unique_ptr<TForm> FForm;
    TdbStringGridEx* FGrid = nullptr;
};

} // namespace

TEST_F(ResultGrid, FillsColumnsAndCellsByFieldType) {
    FGrid->SetdbListFields(
        "#,orders.number,customers.name,orders.date,orders.amount,orders.paid,orders.created,"
        "orders.delivery_time,orders.status");
    FGrid->SetdbListFieldsNames("No,Number,Customer,Date,Amount,Paid,Created,Time");
    FGrid->SetdbSQL("stale");
    EXPECT_FALSE(FGrid->dbIfUsed());
    FGrid->dbExecute();

    EXPECT_TRUE(FGrid->dbIfUsed());
    EXPECT_EQ(FGrid->dbSQL(), "");
    EXPECT_EQ(Captions(),
              QStringList({"No", "Number", "Customer", "Date", "Amount", "Paid", "Created", "Time", "", ""}));
    ASSERT_EQ(FGrid->Columns()->Count(), 10);
    EXPECT_TRUE(dynamic_cast<TGxIncrementColumn*>(FGrid->Columns()->Item(0)));
    EXPECT_TRUE(dynamic_cast<TGxTextColumn*>(FGrid->Columns()->Item(1)));
    EXPECT_FALSE(FGrid->Columns()->Item(9)->Visible());
    EXPECT_EQ(FGrid->RowCount(), 3);
    EXPECT_EQ(Column(1), QStringList({"A1", "A2", "B1"}));
    // An all-capitals Cyrillic name is shown with one capital.
    EXPECT_EQ(Column(2), QStringList({"Smith", "Smith", QString::fromUtf8("Иванов")}));
    EXPECT_EQ(Column(3), QStringList({"04/28/2014", "04/29/2014", "05/01/2014"}));
    EXPECT_EQ(Column(4), QStringList({"3.5", "", "10"}));
    EXPECT_EQ(Column(5), QStringList({"Yes", "No", ""}));
    EXPECT_EQ(Column(6), QStringList({"04/28/2014 13:05:09", "04/29/2014", ""}));
    EXPECT_EQ(Column(7), QStringList({"13:05", "", ""}));
    EXPECT_EQ(Column(8), QStringList({"paid", "open", "open"}));
    EXPECT_EQ(Column(9), QStringList({"1", "2", "3"}));
    EXPECT_EQ(FGrid->Columns()->Item(4)->SortType(), stNumeric);
    EXPECT_EQ(FGrid->Columns()->Item(3)->SortType(), stDate);
    EXPECT_EQ(FGrid->dbItemID(), -1);
    FGrid->SetdbItemID(3);
    EXPECT_EQ(FGrid->SelectedRow(), 2);
    EXPECT_EQ(FGrid->dbItemID(), 3);
    FGrid->SetdbItemID(99);
    EXPECT_EQ(FGrid->SelectedRow(), 2);
}

TEST_F(ResultGrid, RefreshKeepsWidthsAndTheSelectedRow) {
    FGrid->dbExecute();
    FGrid->Columns()->Item(0)->SetWidth(123);
    FGrid->SetSelectedRow(2);
    Exec("DELETE FROM orders WHERE id=3");
    FGrid->dbExecute();
    EXPECT_EQ(FGrid->Columns()->Item(0)->Width(), 123);
    EXPECT_EQ(FGrid->RowCount(), 2);
    EXPECT_EQ(FGrid->SelectedRow(), 1); // beyond the end: the last row
    FGrid->SetSelectedRow(0);
    FGrid->dbExecute();
    EXPECT_EQ(FGrid->SelectedRow(), 0);
    Exec("DELETE FROM orders");
    FGrid->dbExecute();
    EXPECT_EQ(FGrid->SelectedRow(), -1);
    EXPECT_EQ(FGrid->dbItemID(), -1);
}

TEST_F(ResultGrid, FootersCountNumbersInAnyLocaleAndSkipNulls) {
    TFormatSettingsScope comma("de_DE");
    FGrid->SetdbListFields(
        "orders.number,orders.amount,orders.amount,orders.amount,customers.name,orders.paid");
    FGrid->SetdbListFooters("Count:n=^,Sum:Total ^ EUR,Average:^,Maximum:^,Distinct:^,Bogus:x^y");
    FGrid->dbExecute();
    EXPECT_TRUE(FGrid->Options().Contains(goFooter));
    EXPECT_EQ(Column(1), QStringList({"3,5", "", "10"}));
    const struct {
        int Col;
        TFormulaKind Kind;
        const char* Caption;
        double Value;
    } footers[] = {{0, fkCount, "3", 3},     {1, fkSum, "13,5", 13.5}, {2, fkAverage, "6,75", 6.75},
                   {3, fkMaximum, "10", 10}, {4, fkDistinct, "2", 2},  {5, fkNone, "", 0}};
    for (const auto& f : footers) {
        TColumnFooter* footer = FGrid->Columns()->Item(f.Col)->Footer();
        EXPECT_EQ(footer->FormulaKind(), f.Kind) << f.Col;
        EXPECT_EQ(footer->Caption(), f.Caption) << f.Col;
        EXPECT_DOUBLE_EQ(footer->FormulaValue(), f.Value) << f.Col;
    }
    EXPECT_EQ(FGrid->Columns()->Item(1)->Footer()->TextBefore(), "Total ");
    EXPECT_EQ(FGrid->Columns()->Item(1)->Footer()->TextAfter(), " EUR");
    EXPECT_EQ(FGrid->Columns()->Item(5)->Footer()->TextBefore(), "x");
    // Without formulas the footer goes away again.
    FGrid->SetdbListFooters("none");
    FGrid->dbExecute();
    EXPECT_FALSE(FGrid->Options().Contains(goFooter));
}

TEST_F(ResultGrid, ColumnsOfNumbersSortAsNumbersInAnyLocale) {
    // Totals as the demo shows them: a calculated field, typed by nobody.
    const struct {
        int Id;
        const char* Name;
        const char* Amount;
    } customers[] = {{3, "C", "173"}, {4, "D", "198.9"}, {5, "E", "231.4"}, {6, "F", "608"}, {7, "G", "63.6"}};
    for (const auto& c : customers) {
        Exec("INSERT INTO customers(id, name) VALUES(?, ?)", {c.Id, c.Name});
        Exec("INSERT INTO orders(number, date, id_customers, amount) VALUES('X', '2014-06-01 00:00:00.000', ?, ?)", {c.Id, QString(c.Amount)});
    }
    for (const char* locale : {"en_US", "de_DE"}) {
        SCOPED_TRACE(locale);
        TFormatSettingsScope scope(QString::fromLatin1(locale));
        FGrid->SetdbGeneralTable("customers");
        FGrid->SetdbListFields("customers.name,customers.orders_total,customers.notes");
        FGrid->SetdbSortField("customers.name");
        FGrid->dbExecute();
        ASSERT_EQ(FGrid->RowCount(), 7);
        EXPECT_EQ(FGrid->Columns()->Item(1)->SortType(), stNumeric);
        EXPECT_EQ(FGrid->Columns()->Item(0)->SortType(), stAlphabetic);
        // Numbers of calculated fields are shown with the locale's decimal separator.
        auto shown = [](QStringList numbers) {
            numbers.replaceInStrings(".", QString(FormatSettings().DecimalSeparator));
            return numbers;
        };
        FGrid->SortColumn(FGrid->Columns()->Item(1), true);
        EXPECT_EQ(Column(1), shown({"3.5", "10", "63.6", "173", "198.9", "231.4", "608"}));
        FGrid->SortColumn(FGrid->Columns()->Item(1), false);
        EXPECT_EQ(Column(1), shown({"608", "231.4", "198.9", "173", "63.6", "10", "3.5"}));

        // A free statement: a column is numeric only when every value it shows is a number;
        // empty cells do not count, and a column with nothing in it stays text.
        FGrid->SetdbSQL("SELECT '10' AS code, '173' AS total, NULL AS blank, id FROM customers WHERE id=1 "
                        "UNION ALL SELECT '9', NULL, NULL, 2 UNION ALL SELECT 'abc', '63.6', NULL, 3 "
                        "UNION ALL SELECT '', '1e3', NULL, 4");
        FGrid->SetdbListFieldsNames("");
        FGrid->dbSQLExecute();
        EXPECT_EQ(FGrid->Columns()->Item(0)->SortType(), stAlphabetic);
        EXPECT_EQ(FGrid->Columns()->Item(1)->SortType(), stNumeric);
        EXPECT_EQ(FGrid->Columns()->Item(2)->SortType(), stAlphabetic);
        FGrid->SortColumn(FGrid->Columns()->Item(0), true);
        EXPECT_EQ(Column(0), QStringList({"", "10", "9", "abc"}));
        FGrid->SortColumn(FGrid->Columns()->Item(1), true);
        EXPECT_EQ(Column(1), QStringList({"63.6", "173", "1e3", ""}));
        FGrid->SetdbSQL("");
        FGrid->SetdbListFieldsNames("");
    }
}

TEST_F(ResultGrid, ASortedColumnShowsItsDirectionEvenWhenNarrow) {
    FGrid->SetdbListFields("orders.number,orders.amount");
    FGrid->SetdbListFieldsNames("Number,Amount of the order");
    FGrid->dbExecute();
    TGxCustomColumn* wide = FGrid->Columns()->Item(0);
    TGxCustomColumn* narrow = FGrid->Columns()->Item(1);
    wide->SetWidth(200);
    narrow->SetWidth(80); // too narrow for its caption and the arrow after it
    FForm->Show();
    // The classic hollow arrow at the narrow header's right edge: its base in the shadow colour,
    // at the bottom when ascending and at the top when descending.
    const TRect r = narrow->GetMemberRect(ckHeader);
    // The picture holds the grid's border too.
    const TPoint client = FGrid->ClientOrigin();
    const QPoint border = QPoint(client.X, client.Y) - FGrid->Widget()->mapToGlobal(QPoint(0, 0));
    const int x = r.Right - 14 + border.x(), y = r.Top + (r.Bottom - r.Top) / 2 - 4 + border.y();
    const QRgb shadow = ColorToQColor(clBtnShadow).rgb();
    auto shot = [&] {
        FGrid->Invalidate();
        QApplication::processEvents();
        return FGrid->Widget()->grab().toImage();
    };
    const struct {
        TGxCustomColumn* Sorted; // null: none
        TSortKind Kind;
        bool Bottom, Top;
    } cases[] = {{nullptr, skAscending, false, false},
                 {narrow, skAscending, true, false},
                 {narrow, skDescending, false, true},
                 {wide, skAscending, false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Sorted ? (c.Sorted == narrow ? "narrow " : "wide ") : "none ") +
                     (c.Kind == skAscending ? "ascending" : "descending"));
        narrow->SetSorted(false);
        wide->SetSorted(false);
        if (c.Sorted) {
            c.Sorted->SetSortKind(c.Kind);
            c.Sorted->SetSorted(true);
        }
        const QImage image = shot();
        ASSERT_FALSE(image.isNull());
        EXPECT_EQ(image.pixel(x + 1, y + 6) == shadow, c.Bottom);
        EXPECT_EQ(image.pixel(x + 1, y) == shadow, c.Top);
    }
    EXPECT_EQ(Column(0), QStringList({"A1", "A2", "B1"})); // sorted by the wide column last
}

TEST_F(ResultGrid, ControlsOfTheWindowFilterTheRows) {
    auto* edNumber = Add<TdbEdit>("edNumber");
    edNumber->SetdbTable("orders");
    edNumber->SetdbField("number");
    edNumber->SetdbFilter("%s%");
    auto* cbCustomer = Add<TdbComboBox>("cbCustomer");
    cbCustomer->SetdbForeignKey("orders.id_customers");
    cbCustomer->SetdbField("name");
    cbCustomer->AddRecord(-1, "");
    cbCustomer->AddRecord(1, "Smith");
    cbCustomer->AddRecord(2, "Ivanov");
    auto* chPaid = Add<TdbCheckBox>("chPaid");
    chPaid->SetdbTable("orders");
    chPaid->SetdbField("paid");
    chPaid->SetAllowGrayed(true);
    chPaid->SetState(cbGrayed);
    auto* dpDate = Add<TdbDateTimePicker>("dpCreated");
    dpDate->SetdbTable("orders");
    dpDate->SetdbField("created");
    dpDate->SetdbFilter("=");
    dpDate->SetChecked(false);
    FGrid->SetdbListControls("edNumber,nosuch,cbCustomer,chPaid,dpCreated");
    auto numbers = [&] {
        FGrid->dbExecute();
        return Column(0).join(',');
    };

    EXPECT_EQ(numbers(), "A1,A2,B1");
    edNumber->SetText("a");
    EXPECT_EQ(numbers(), "A1,A2");
    cbCustomer->SetItemIndex(0); // the empty item: any customer
    EXPECT_EQ(numbers(), "A1,A2");
    edNumber->SetText("");
    cbCustomer->SetItemIndex(2);
    EXPECT_EQ(numbers(), "B1");
    cbCustomer->SetItemIndex(1);
    chPaid->SetState(cbUnchecked);
    EXPECT_EQ(numbers(), "A2");
    chPaid->SetState(cbGrayed);
    dpDate->SetChecked(true);
    dpDate->SetDateTime(EncodeDate(2014, 4, 28) + EncodeTime(17, 0, 0, 0));
    EXPECT_EQ(numbers(), "A1");
    EXPECT_EQ(dpDate->dbStringDateTime(), "2014-04-28 00:00:00.000"); // cut to its day
    // A parent link replaces the controls.
    FGrid->SetdbParentTable("customers");
    FGrid->SetdbParentTableId(2);
    EXPECT_EQ(numbers(), "B1");
}

// A memo filters by its whole text as the user typed it, with no line break added after the last
// line; a typed final line break is part of the text.
TEST_F(ResultGrid, MemoTextFiltersAsTyped) {
    auto* memo = Add<TdbMemo>("mmNumber");
    memo->SetdbTable("orders");
    memo->SetdbField("number");
    FGrid->SetdbListControls("mmNumber");
    memo->SetText("b1");
    FGrid->dbExecute();
    EXPECT_EQ(Column(0).join(','), "B1");
    memo->Lines()->Add("");
    FGrid->dbExecute();
    EXPECT_EQ(FGrid->RowCount(), 0);
}

TEST_F(ResultGrid, ComparisonWithTextThatIsNoNumberIsReportedAndCleared) {
    auto* edCount = Add<TdbEdit>("edCount");
    edCount->SetdbTable("orders");
    edCount->SetdbField("id");
    edCount->SetdbFilter(">");
    edCount->SetText("12a");
    FGrid->SetdbListControls("edCount");
    FUI->AnswerMessage(mrOk, "\"12a\" Not a number.");
    FGrid->dbExecute();
    EXPECT_EQ(edCount->Text(), "");
    EXPECT_EQ(FGrid->RowCount(), 3);
    ASSERT_EQ(FUI->Messages().size(), 1u);
    EXPECT_EQ(FUI->Messages()[0].Caption, "Error");
    edCount->SetText("1");
    FGrid->dbExecute();
    EXPECT_EQ(Column(0).join(','), "A2,B1");
}

TEST_F(ResultGrid, HostileTextTypedIntoControlsStaysAValue) {
    auto* edNumber = Add<TdbEdit>("edNumber");
    edNumber->SetdbTable("orders");
    edNumber->SetdbField("number");
    edNumber->SetdbFilter("=");
    auto* memo = Add<TdbMemo>("mmName");
    memo->SetdbTable("customers");
    memo->SetdbField("name");
    FGrid->SetdbListControls("edNumber,mmName");
    const QString before = Rows("SELECT * FROM orders") + Rows("SELECT name FROM sqlite_master");
    for (const char* text :
         {"A1\"; DROP TABLE orders; --", "' OR 1=1 --", "[number]", "number", "\"number\"", "A1)"}) {
        edNumber->SetText(text);
        FGrid->dbExecute();
        EXPECT_EQ(FGrid->RowCount(), 0) << text;
        edNumber->SetText("");
        memo->SetText(text);
        FGrid->dbExecute();
        EXPECT_EQ(FGrid->RowCount(), 0) << text;
        memo->SetText("");
    }
    edNumber->SetText("b1");
    FGrid->dbExecute();
    EXPECT_EQ(Column(0).join(','), "B1");
    EXPECT_EQ(Rows("SELECT * FROM orders") + Rows("SELECT name FROM sqlite_master"), before);
}

TEST_F(ResultGrid, FreeStatementsFillEveryColumnAndDropDeleteColumns) {
    FGrid->SetdbGeneralTable("");
    FGrid->SetdbListFields("");
    FGrid->SetdbListFieldsNames("Name,delete_col,Key");
    FGrid->SetdbSQL("SELECT name, 'x' AS hidden, id\r\n  FROM   customers WHERE name <> ? ORDER BY id");
    FGrid->dbSQLParams().CreateParam(ftWideString, "", ptInput).SetAsString("x'); DROP TABLE customers; --");
    FGrid->dbSQLExecute();
    EXPECT_EQ(FGrid->dbGeneralTable(), "customers");
    EXPECT_EQ(Captions(), QStringList({"Name", "Key", ""}));
    EXPECT_EQ(Column(0), QStringList({"Smith", QString::fromUtf8("Иванов")}));
    EXPECT_EQ(Column(2), QStringList({"1", "2"}));
    EXPECT_FALSE(FGrid->Options().Contains(goFooter));
    FGrid->SetSelectedRow(1);
    EXPECT_EQ(FGrid->dbItemID(), 2);
    EXPECT_EQ(Rows("SELECT count(*) FROM customers"), "2");

    // A bad statement reaches the caller; the grid is already empty.
    FGrid->SetdbSQL("SELECT nosuch FROM customers");
    EXPECT_THROW(FGrid->dbSQLExecute(), EDatabaseError);
    EXPECT_EQ(FGrid->RowCount(), 0);
}

TEST_F(ResultGrid, FillColumnNamesClearsTheRows) {
    FGrid->dbExecute();
    FGrid->SetdbListFieldsNames("One,Two");
    FGrid->dbFillColumnsName();
    EXPECT_EQ(FGrid->RowCount(), 0);
    EXPECT_EQ(Captions(), QStringList({"One", "Two"}));
    FGrid->SetdbGeneralTable("orders.id_customers");
    EXPECT_EQ(FGrid->dbGetFKTable(), "orders");
    EXPECT_EQ(FGrid->dbGetFKName(), "id_customers");
    FGrid->SetdbGeneralTable("orders");
    EXPECT_EQ(FGrid->dbGetFKTable(), "");
    EXPECT_EQ(FGrid->dbGetFKName(), "");
}

TEST_F(ResultGrid, CopyCommandsAndCtrlClick) {
    FGrid->SetdbListFieldsNames("Number,Customer");
    FGrid->dbExecute();
    Clipboard().SetAsText("unchanged");
    FGrid->CopyRecord();
    EXPECT_EQ(Clipboard().AsText(), "unchanged"); // no selection
    FGrid->SetSelectedRow(2);
    FGrid->mniCopy->Click();
    EXPECT_EQ(Clipboard().AsText(), QString::fromUtf8("Number: B1\r\nCustomer: Иванов\r\n: 3"));
    FGrid->mniCopyAll->Click();
    EXPECT_EQ(Clipboard().AsText(), QString::fromUtf8("A1\tSmith\r\nA2\tSmith\r\nB1\tИванов\r\n"));
    Word key = 'C';
    FGrid->SetSelectedRow(0);
    FGrid->KeyDown(key, TShiftState{ssCtrl});
    EXPECT_EQ(Clipboard().AsText(), "Number: A1\r\nCustomer: Smith\r\n: 1");

    const TRect cell = FGrid->GetCellRect(1, 1);
    FGrid->MouseDown(mbLeft, TShiftState{ssCtrl, ssLeft}, cell.Left + 2, cell.Top + 2);
    FGrid->MouseUp(mbLeft, TShiftState{ssCtrl}, cell.Left + 2, cell.Top + 2);
    EXPECT_EQ(Clipboard().AsText(), "Smith");
}

TEST_F(ResultGrid, ShowRecordClicksTheButtonsNamingTheGrid) {
    int shown = 0, other = 0;
    auto* bShow = Add<TdbButton>("bShow");
    bShow->SetdbActionType(adbShowRecord);
    bShow->SetdbResultControl("gridOrders");
    bShow->OnClick = [&](TObject*) { ++shown; };
    auto* bOther = Add<TdbButton>("bOther");
    bOther->SetdbActionType(adbShowRecord);
    bOther->SetdbResultControl("gridorders");
    bOther->OnClick = [&](TObject*) { ++other; };
    auto* bSearch = Add<TdbButton>("bSearch");
    bSearch->SetdbResultControl("gridOrders");
    bSearch->OnClick = [&](TObject*) { ++other; };
    FGrid->dbExecute();
    FGrid->SetSelectedRow(0);

    FGrid->mniShowRecord->Click();
    QChar enter(13);
    FGrid->KeyPress(enter);
    FGrid->DoCellDblClick(0, 0);
    EXPECT_EQ(shown, 3);
    EXPECT_EQ(other, 0);
    EXPECT_TRUE(FGrid->mniShowRecord->Default());
    EXPECT_EQ(FGrid->PopupMenu(), FGrid->GridPopupMenu());
}

TEST_F(ResultGrid, FindWalksTheCellsAndStartsOverAtTheEnd) {
    FGrid->SetdbListFields("orders.number,customers.name");
    FGrid->dbExecute();
    struct Step {
        const char* Text;
        bool MatchCase;
        bool Found;
        int Col, Row;
    } steps[] = {
        {"smith", false, true, 1, 0}, {"smith", false, true, 1, 1},  {"smith", false, false, -1, 0},
        {"smith", false, true, 1, 0}, {"smith", true, false, -1, 0}, {"b", false, true, 0, 2},
        {"ива", false, true, 1, 2},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(FGrid->FindNext(QString::fromUtf8(s.Text), s.MatchCase), s.Found) << s.Text;
        EXPECT_EQ(FGrid->SearchPosition(), TPoint(s.Col, s.Row)) << s.Text;
    }
    EXPECT_EQ(FGrid->SelectedCell(), TPoint(1, 2));
    EXPECT_EQ(FGrid->Options(), TGridOptions({goGrid, goHeader}));

    // Through the dialog: Ctrl+F opens it, each text is searched, closing restores row selection.
    FUI->AnswerFind({"A2"});
    Word key = 'F';
    FGrid->KeyDown(key, TShiftState{ssCtrl});
    EXPECT_EQ(FGrid->SelectedCell(), TPoint(0, 1));
    EXPECT_EQ(FGrid->Options(), TGridOptions({goGrid, goHeader, goSelectFullRow}));
    EXPECT_EQ(FGrid->SearchPosition(), TPoint(-1, 0));
    ASSERT_NE(FGrid->FindDialog(), nullptr);
    EXPECT_TRUE(FGrid->FindDialog()->Options().Contains(frHideWholeWord));
    EXPECT_TRUE(FGrid->FindDialog()->Options().Contains(frHideUpDown));
}

TEST_F(ResultGrid, ColumnWidthsAreSavedAndRestored) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    SetProgramFolder(dir.path() + '/');
    {
        QFile f(dir.filePath("settings.ini"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Grids]\nfrmOrders.gridIdle.ColCount=7\nfrmOrders.gridIdle.0=55\n");
    }
    auto* idle = new TdbStringGridEx(FForm.get());
    idle->SetName("gridIdle");
    FGrid->dbExecute();
    FGrid->Columns()->Item(0)->SetWidth(150);
    FGrid->Columns()->Item(1)->SetWidth(210);
    SaveGridSettings();

    TMemIniFile ini(dir.filePath("settings.ini"));
    EXPECT_EQ(ini.ReadString("Grids", "frmOrders.gridOrders.ColCount", ""), "3");
    EXPECT_EQ(ini.ReadString("Grids", "frmOrders.gridOrders.0", ""), "150");
    EXPECT_EQ(ini.ReadString("Grids", "frmOrders.gridOrders.1", ""), "210");
    EXPECT_EQ(ini.ReadString("Grids", "frmOrders.gridIdle.ColCount", ""), "7"); // never ran: kept
    EXPECT_EQ(ini.ReadString("Grids", "frmOrders.gridIdle.0", ""), "55");

    // A new start: the columns come back with their widths, and a query keeps them.
    FGrid->dbClear();
    ini.WriteString("Grids", "frmOrders.gridOrders.2", "wide");
    ini.WriteString("Grids", "frmOrders.gridIdle.ColCount", "many");
    ini.UpdateFile();
    LoadGridSettings();
    ASSERT_EQ(FGrid->Columns()->Count(), 3);
    EXPECT_EQ(FGrid->Columns()->Item(0)->Width(), 150);
    EXPECT_EQ(FGrid->Columns()->Item(1)->Width(), 210);
    EXPECT_EQ(FGrid->Columns()->Item(2)->Width(), 100); // not a number
    EXPECT_EQ(idle->Columns()->Count(), 5);             // not a number
    EXPECT_EQ(idle->Columns()->Item(0)->Width(), 55);
    FGrid->dbExecute();
    EXPECT_EQ(FGrid->Columns()->Item(1)->Width(), 210);
    SetProgramFolder(QString());
}
