// The demo application driven through its windows: customers, orders with lines, deletes and
// typed texts that try to become SQL.

#include "ActionsFixture.h"

#include "app/dbControls.h"
#include "app/uLang.h"
#include "app/uMainForm.h"
#include "platform/data/SQLConnection.h"
#include "platform/rtl/SysUtils.h"
#include "platform/sys/Desktop.h"
#include "platform/ui/Forms.h"

#include <QFile>
#include <QProcess>
#include <QUrl>

namespace {

class DemoRecords : public ActionsTest {
protected:
    // Opens the new-customer window from the main window and lets fill() type into it, then
    // presses Save. Returns whether the window closed.
    bool NewCustomer(const std::function<void(TCustomForm*)>& fill) {
        bool closed = false;
        UI().AnswerModal("frmCustomer", [&](TCustomForm* f) {
            fill(f);
            Get<TdbButton>(f, "btnCSave")->Click();
            closed = f->ModalResult() != mrNone;
            return mrNone;
        });
        Click("frmMainKorvel", "btnCustNew");
        return closed;
    }
};

} // namespace

TEST_F(DemoRecords, CustomerIsCreatedReopenedAndEdited) {
    Start();
    Exec("INSERT INTO countries(id, name) VALUES (1, 'Norway')");
    Exec("INSERT INTO cities(id, name, id_countries) VALUES (7, 'Oslo', 1)");
    frmMainKorvel->FillDictionaries(QString());

    const bool closed = NewCustomer([](TCustomForm* f) {
        Get<TdbEdit>(f, "edCName")->SetText(QString::fromUtf8("иванов и сын"));
        Get<TdbEdit>(f, "edCEmail")->SetText(QString::fromUtf8("Ivanov@Пример.org"));
        auto* country = Get<TdbComboBox>(f, "cbCCountry");
        country->SetdbItemID(1);
        frmMainKorvel->OnComboChange(country);
        Get<TdbComboBox>(f, "cbCCity")->SetdbItemID(7);
        Get<TdbCheckBox>(f, "chkCVip")->SetChecked(true);
        Get<TdbMemo>(f, "mmCNotes")->SetText(QString::fromUtf8("платит \"поздно\""));
    });
    EXPECT_TRUE(closed);
    // Cyrillic text is stored upper-cased unless the field is exempt (the demo lists the name
    // and the e-mail); the counter starts at its first value; an empty memo leaves the column NULL.
    EXPECT_EQ(Rows("SELECT record_count, name, email, id_cities, vip, notes, address FROM customers"),
              QString::fromUtf8("1000|иванов и сын|Ivanov@Пример.org|7|1|ПЛАТИТ \"ПОЗДНО\"|<null>"));
    // The main grid shows the new customer at once.
    auto* grid = Get<TdbStringGridEx>(frmMainKorvel, "grdCustomers");
    ASSERT_EQ(grid->RowCount(), 1);
    const int id = Rows("SELECT id FROM customers").toInt();

    grid->SetdbItemID(id);
    UI().AnswerModal("frmCustomer", [&](TCustomForm* f) {
        // Read back as typed where exempt, with the stored capitals made readable elsewhere,
        // and every control filled.
        EXPECT_EQ(Get<TdbEdit>(f, "edCName")->Text(), QString::fromUtf8("иванов и сын"));
        EXPECT_EQ(Get<TdbEditCount>(f, "ecCustomerNo")->Text(), "1000");
        EXPECT_EQ(Get<TdbComboBox>(f, "cbCCity")->dbItemID(), 7);
        EXPECT_EQ(Get<TdbComboBox>(f, "cbCCountry")->dbItemID(), 1);
        EXPECT_EQ(Get<TdbCheckBox>(f, "chkCVip")->State(), cbChecked);
        EXPECT_FALSE(Get<TdbDateTimePicker>(f, "dtpCBirthday")->Checked());
        EXPECT_EQ(Get<TdbMemo>(f, "mmCNotes")->Text(), QString::fromUtf8("Платит \"поздно\""));
        Get<TdbMemo>(f, "mmCNotes")->SetText(QString());
        Get<TdbEdit>(f, "edCEmail")->SetText("new@example.org");
        Get<TdbDateTimePicker>(f, "dtpCBirthday")->SetChecked(true);
        Get<TdbDateTimePicker>(f, "dtpCBirthday")->SetDateTime(EncodeDate(1980, 5, 17) + 0.5);
        Get<TdbButton>(f, "btnCSave")->Click();
        EXPECT_NE(f->ModalResult(), mrNone);
        return mrNone;
    });
    Click("frmMainKorvel", "btnCustEdit");
    // An UPDATE of the same row: an emptied memo becomes NULL, a DATE column keeps whole days.
    EXPECT_EQ(Rows("SELECT count(*), id, email, notes, birthday FROM customers"),
              QString::number(1) + "|" + QString::number(id) +
                  "|new@example.org|<null>|1980-05-17 00:00:00.000");
}

TEST_F(DemoRecords, AddingALineSavesTheOrderFirstAndLinksTheLineToIt) {
    Start();
    Exec("INSERT INTO customers(id, name) VALUES (4, 'ACME')");
    Exec("INSERT INTO products(id, name, price, stock) VALUES (9, 'Bolt', 1.25, 0)");
    frmMainKorvel->FillDictionaries(QString());
    // A later insert into another table: the order's id must not be taken from it.
    Exec("INSERT INTO countries(id, name) VALUES (500, 'Elsewhere')");
    TFormatSettingsScope comma("de_DE");

    UI().AnswerModal("frmOrder", [&](TCustomForm* order) {
        Get<TdbComboBox>(order, "cbOCustomer")->SetdbItemID(4);
        Get<TdbEdit>(order, "edOAmount")->SetText("3,5");
        UI().AnswerModal("frmOrderLine", [&](TCustomForm* line) {
            // The order is stored already, and the window still shows it.
            EXPECT_EQ(Rows("SELECT count(*) FROM orders"), "1");
            EXPECT_EQ(order->ModalResult(), mrNone);
            Get<TdbComboBox>(line, "cbLProduct")->SetdbItemID(9);
            Get<TdbEdit>(line, "edLQuantity")->SetText("2");
            Get<TdbEdit>(line, "edLPrice")->SetText("1,25");
            Get<TdbButton>(line, "btnLSave")->Click();
            return mrNone;
        });
        Get<TdbButton>(order, "btnOLineNew")->Click();
        EXPECT_EQ(Get<TdbStringGridEx>(order, "grdOLines")->RowCount(), 1);
        // The second save updates the same order.
        Get<TdbEdit>(order, "edOAmount")->SetText("4,75");
        Get<TdbButton>(order, "btnOSave")->Click();
        EXPECT_NE(order->ModalResult(), mrNone);
        return mrNone;
    });
    Click("frmMainKorvel", "btnOrdNew");

    const QString orderId = Rows("SELECT id FROM orders");
    EXPECT_NE(orderId, "500");
    EXPECT_EQ(Rows("SELECT count(*), id_customers, printf('%.2f', amount), typeof(amount) FROM orders"),
              "1|4|4.75|real");
    EXPECT_EQ(
        Rows(
            "SELECT id_orders, id_products, quantity, printf('%.2f', price), typeof(price) FROM order_lines"),
        orderId + "|9|2|1.25|real");
    // The order's total reads as a number under the same locale.
    EXPECT_EQ(Rows("SELECT printf('%.1f', sum(amount) * 2) FROM orders"), "9.5");
}

TEST_F(DemoRecords, DeleteAsksFirstAndCascadesToDependentRows) {
    Start();
    Exec("INSERT INTO customers(id, name) VALUES (1, 'KEEP'), (2, 'DROP')");
    Exec("INSERT INTO orders(id, id_customers, amount, date) VALUES (10, 1, 1, '2020-01-01'), (11, 2, 2, "
         "'2020-01-01')");
    Exec("INSERT INTO order_lines(id_orders, quantity) VALUES (10, 1), (11, 1)");
    auto* grid = Get<TdbStringGridEx>(frmMainKorvel, "grdCustomers");
    grid->dbExecute();
    grid->SetdbItemID(2);

    UI().AnswerMessage(mrNo, "Are you sure");
    Click("frmMainKorvel", "btnCustDelete");
    EXPECT_EQ(Rows("SELECT id FROM customers ORDER BY id"), "1/2");

    UI().AnswerMessage(mrYes, "Are you sure");
    Click("frmMainKorvel", "btnCustDelete");
    EXPECT_EQ(Rows("SELECT id FROM customers"), "1");
    EXPECT_EQ(Rows("SELECT id FROM orders"), "10");
    EXPECT_EQ(Rows("SELECT id_orders FROM order_lines"), "10");
    EXPECT_EQ(grid->RowCount(), 1);

    // Nothing to delete: the user is told, nothing runs.
    grid->SetdbItemID(1);
    UI().AnswerMessage(mrYes, "Are you sure");
    Click("frmMainKorvel", "btnCustDelete");
    EXPECT_EQ(grid->RowCount(), 0);
    UI().AnswerMessage(mrOk);
    Click("frmMainKorvel", "btnCustDelete");
    EXPECT_EQ(UI().Messages().back().Text, Lang.Entry_to_be_deleted_is_not_selected);
}

TEST_F(DemoRecords, HostileTextsAreStoredExactlyAsTyped) {
    Start();
    const QStringList hostile = {
        "O\"Brien",      "it's",      "[name]", "name", "x\"; DROP TABLE customers; --",
        "a') OR 1=1 --", "{edCName}", "$id",    "NULL", "%_*"};
    for (const QString& text : hostile) {
        NewCustomer([&](TCustomForm* f) {
            Get<TdbEdit>(f, "edCName")->SetText(text);
            Get<TdbEdit>(f, "edCEmail")->SetText(text);
            Get<TdbMemo>(f, "mmCAddress")->SetText(text);
            Get<TdbMemo>(f, "mmCNotes")->SetText(text);
        });
        SCOPED_TRACE(text.toStdString());
        EXPECT_EQ(Rows("SELECT name, email, address, notes FROM customers ORDER BY id DESC LIMIT 1"),
                  QStringList({text, text, text, text}).join('|'));
    }
    EXPECT_EQ(Rows("SELECT count(*) FROM customers"), QString::number(hostile.size()));
    const QString tables = Rows("SELECT count(*) FROM sqlite_master WHERE type='table' AND name IN "
                                "('customers','orders','order_lines','products')");
    EXPECT_EQ(tables, "4");
}

TEST_F(DemoRecords, FailingStatementShowsTheDatabaseMessageAndKeepsTheWindow) {
    Start();
    Exec("INSERT INTO customers(id, name) VALUES (1, 'ACME')");
    TSQLConnection other;
    other.SetParamValue("Database", FDir.filePath("sqlite.db"));
    other.Open();
    Exec("PRAGMA busy_timeout=0");
    other.ExecuteDirect("BEGIN IMMEDIATE");

    UI().AnswerModal("frmCustomer", [&](TCustomForm* f) {
        Get<TdbEdit>(f, "edCName")->SetText("Locked out");
        UI().AnswerMessage(mrOk, "locked");
        Get<TdbButton>(f, "btnCSave")->Click();
        EXPECT_EQ(f->ModalResult(), mrNone);
        EXPECT_EQ(Get<TdbEdit>(f, "edCName")->Text(), "Locked out");
        other.ExecuteDirect("ROLLBACK");
        Get<TdbButton>(f, "btnCSave")->Click();
        EXPECT_NE(f->ModalResult(), mrNone);
        return mrNone;
    });
    Click("frmMainKorvel", "btnCustNew");
    EXPECT_EQ(Rows("SELECT name FROM customers ORDER BY id"), "ACME/Locked out");
}

TEST_F(DemoRecords, ReadOnlyDatabaseRefusesTheSaveAndKeepsWhatWasTyped) {
    Start();
    // The program's own connection may only read, as with a file it cannot write.
    Exec("PRAGMA query_only=ON");
    UI().AnswerModal("frmCustomer", [&](TCustomForm* f) {
        Get<TdbEdit>(f, "edCName")->SetText("Written nowhere");
        UI().AnswerMessage(mrOk, "readonly");
        Get<TdbButton>(f, "btnCSave")->Click();
        EXPECT_EQ(f->ModalResult(), mrNone);
        EXPECT_EQ(Get<TdbEdit>(f, "edCName")->Text(), "Written nowhere");
        return mrNone;
    });
    Click("frmMainKorvel", "btnCustNew");
    Exec("PRAGMA query_only=OFF");
    EXPECT_EQ(Rows("SELECT count(*) FROM customers"), "0");
}

TEST_F(DemoRecords, UpdateOfADeletedRecordTellsTheUserAndKeepsTheWindow) {
    Start();
    Exec("INSERT INTO customers(id, name) VALUES (3, 'GONE')");
    auto* grid = Get<TdbStringGridEx>(frmMainKorvel, "grdCustomers");
    grid->dbExecute();
    grid->SetdbItemID(3);
    UI().AnswerModal("frmCustomer", [&](TCustomForm* f) {
        Exec("DELETE FROM customers WHERE id=3");
        Get<TdbEdit>(f, "edCName")->SetText("Changed");
        UI().AnswerMessage(mrOk, "no longer exists");
        Get<TdbButton>(f, "btnCSave")->Click();
        EXPECT_EQ(f->ModalResult(), mrNone);
        EXPECT_EQ(Get<TdbEdit>(f, "edCName")->Text(), "Changed");
        EXPECT_TRUE(f->Hint().isEmpty());
        return mrNone;
    });
    Click("frmMainKorvel", "btnCustEdit");
    EXPECT_EQ(Rows("SELECT count(*) FROM customers"), "0");
}

// Pictures and stored files travel as BLOB parameters and come back when the record reopens;
// an UPDATE that does not touch them leaves them stored.
TEST_F(DemoRecords, PicturesAndFilesRoundTrip) {
    Start();
    const QString picture = FDir.filePath("pictures/frmMainKorvel.imgBrand.png");
    QFile pf(picture);
    ASSERT_TRUE(pf.open(QIODevice::ReadOnly));
    const QByteArray pictureBytes = pf.readAll();
    const QString linked = FDir.filePath("settings.ini");

    UI().AnswerModal("frmDocument", [&](TCustomForm* f) {
        Get<TdbEdit>(f, "edDTitle")->SetText("Contract \"A\"");
        UI().AnswerFile({picture});
        Get<TdbFileToDatabase>(f, "fdDScan")->ChooseClick(nullptr);
        UI().AnswerFile({linked});
        Get<TdbFileToDatabase>(f, "fdDContract")->ChooseClick(nullptr);
        Get<TdbButton>(f, "btnDSave")->Click();
        return mrNone;
    });
    Click("frmMainKorvel", "btnDocNew");
    const TResultSet r = Db().Run(
        "SELECT scan, scan_filename, contract, contract_filename, title, id FROM documents", nullptr);
    ASSERT_EQ(r.Rows.size(), 1u);
    EXPECT_EQ(r.Rows[0][0].AsBytes(), pictureBytes);
    EXPECT_EQ(r.Rows[0][1].AsString(), picture);
    EXPECT_TRUE(r.Rows[0][2].IsNull());
    EXPECT_EQ(r.Rows[0][3].AsString(), linked);
    EXPECT_EQ(r.Rows[0][4].AsString(), "Contract \"A\"");
    const int id = static_cast<int>(r.Rows[0][5].AsLargeInt());

    auto* grid = Get<TdbStringGridEx>(frmMainKorvel, "grdDocuments");
    grid->dbExecute();
    grid->SetdbItemID(id);
    UI().AnswerModal("frmDocument", [&](TCustomForm* f) {
        auto* scan = Get<TdbFileToDatabase>(f, "fdDScan");
        EXPECT_EQ(scan->dbFileName(), picture);
        EXPECT_EQ(scan->Text(), "frmMainKorvel.imgBrand.png");
        EXPECT_EQ(scan->dbID(), id);
        EXPECT_EQ(Get<TdbFileToDatabase>(f, "fdDContract")->dbFileName(), linked);
        Get<TdbEdit>(f, "edDTitle")->SetText("Renamed");
        Get<TdbButton>(f, "btnDSave")->Click();
        return mrNone;
    });
    Click("frmMainKorvel", "btnDocEdit");
    const TResultSet after = Db().Run("SELECT scan, title FROM documents", nullptr);
    EXPECT_EQ(after.Rows[0][0].AsBytes(), pictureBytes);
    EXPECT_EQ(after.Rows[0][1].AsString(), "Renamed");

    // A product picture chosen in the window is stored as the file's bytes.
    UI().AnswerModal("frmProduct", [&](TCustomForm* f) {
        Get<TdbEdit>(f, "edPName")->SetText("Widget");
        Get<TdbEdit>(f, "edPPrice")->SetText("2,5");
        Get<TdbEdit>(f, "edPStock")->SetText("3");
        UI().AnswerFile({picture});
        Get<TdbImageDataBase>(f, "imgPPicture")->OpenClick(nullptr);
        Get<TdbButton>(f, "btnPSave")->Click();
        EXPECT_NE(f->ModalResult(), mrNone);
        return mrNone;
    });
    Click("frmMainKorvel", "btnProdNew");
    const TResultSet p = Db().Run("SELECT picture, picture_filename, price FROM products", nullptr);
    ASSERT_EQ(p.Rows.size(), 1u);
    EXPECT_EQ(p.Rows[0][0].AsBytes(), pictureBytes);
    EXPECT_EQ(p.Rows[0][1].AsString(), picture);
    EXPECT_EQ(p.Rows[0][2].FloatValue(), 2.5);
}

// The "..." button beside a lookup combo box opens the selected record; after a save the lists
// of that table are filled again and the combo box keeps its record, under its new name.
TEST_F(DemoRecords, ShowRecordFromALookupComboRefillsItAndKeepsTheSelection) {
    Start();
    Exec("INSERT INTO customers(id, name) VALUES (4, 'ACME'), (5, 'BETA')");
    frmMainKorvel->FillDictionaries(QString());
    UI().AnswerModal("frmOrder", [&](TCustomForm* order) {
        auto* combo = Get<TdbComboBox>(order, "cbOCustomer");
        UI().AnswerMessage(mrOk, Lang.Entry_to_edit_is_no_selected);
        Get<TdbButton>(order, "btnOCustomer")->Click();
        combo->SetdbItemID(4);
        UI().AnswerModal("frmCustomer", [&](TCustomForm* customer) {
            EXPECT_EQ(Get<TdbEdit>(customer, "edCName")->Text(), "ACME");
            Get<TdbEdit>(customer, "edCName")->SetText("ZETA");
            Get<TdbButton>(customer, "btnCSave")->Click();
            return mrNone;
        });
        Get<TdbButton>(order, "btnOCustomer")->Click();
        EXPECT_EQ(combo->dbItemID(), 4);
        EXPECT_EQ(combo->Text(), "ZETA");
        // Sorted by name, after the empty item.
        EXPECT_EQ(combo->Items()->Get(1), "BETA");
        return mrNone;
    });
    Click("frmMainKorvel", "btnOrdNew");
    EXPECT_EQ(Rows("SELECT name FROM customers ORDER BY id"), "ZETA/BETA");
    EXPECT_EQ(Rows("SELECT count(*) FROM orders"), "0");
}

TEST_F(DemoRecords, GridGoesToASpreadsheetWorkbook) {
    Start();
    Exec("INSERT INTO customers(name, phone) VALUES ('ACME & SONS', '555-0101')");
    Click("frmMainKorvel", "btnCustSearch");
    ASSERT_EQ(Get<TdbStringGridEx>(frmMainKorvel, "grdCustomers")->RowCount(), 1);
    QStringList opened;
    SetOpenUrlHandler([&opened](const QUrl& url) {
        opened << url.toLocalFile();
        return true;
    });
    Click("frmMainKorvel", "btnCustExcel");
    SetOpenUrlHandler({});
    ASSERT_EQ(opened.size(), 1);
    // The workbook is a zip whose shared strings hold the captions and the customer's texts.
    QProcess unzip;
    unzip.start("python3", {"-c",
                            "import sys, zipfile; "
                            "sys.stdout.write(zipfile.ZipFile(sys.argv[1]).read('xl/sharedStrings.xml').decode())",
                            opened[0]});
    ASSERT_TRUE(unzip.waitForFinished(30000));
    const QString strings = QString::fromUtf8(unzip.readAllStandardOutput());
    for (const char* text : {"Name", "Phone", "Orders total", "ACME &amp; SONS", "555-0101"})
        EXPECT_TRUE(strings.contains(QLatin1String(text))) << text;
}

// An order's delivery time is a time column linked to the order's date calendar: opening the order
// and saving it unchanged keeps both, instead of moving the date to the time's day 0.
TEST_F(DemoRecords, OrderSavedUnchangedKeepsItsDateAndDeliveryTime) {
    Start();
    Exec("INSERT INTO customers(id, name) VALUES (1, 'Buyer')");
    Exec("INSERT INTO orders(id, record_count, date, delivery_time, id_customers) VALUES "
         "(4, 1004, '2026-10-20 00:00:00.000', '1899-12-30 08:00:00.000', 1)");
    frmMainKorvel->FillDictionaries(QString());
    auto* grid = Get<TdbStringGridEx>(frmMainKorvel, "grdOrders");
    grid->dbExecute();
    grid->SetdbItemID(4);
    UI().AnswerModal("frmOrder", [&](TCustomForm* f) {
        EXPECT_EQ(FormatDateTime("yyyy-mm-dd", Get<TdbMonthCalendar>(f, "calODate")->Date()), "2026-10-20");
        Get<TdbButton>(f, "btnOSave")->Click();
        return mrNone;
    });
    Click("frmMainKorvel", "btnOrdEdit");
    EXPECT_EQ(Rows("SELECT substr(date, 1, 10), substr(delivery_time, 12, 5) FROM orders WHERE id=4"),
              "2026-10-20|08:00");
}
