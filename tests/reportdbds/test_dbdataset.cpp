#include "report/core/rptClassReport.h"
#include "report/core/rptDBSet.h"
#include "report/core/rptWideStrings.h"

#include "platform/data/SQLConnection.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtti/Classes.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

QStringList Lines(const TStrings& list) {
    QStringList out;
    for (int i = 0; i < list.Count(); ++i)
        out << list.Get(i);
    return out;
}

QString MessageOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const Exception& e) {
        return e.ClassName() + QStringLiteral(": ") + e.Message();
    }
    return QStringLiteral("<no exception>");
}

// Five products in an in-memory database; the shell's road: a query bound to the component
// named "Report" on the application's window, listed in a report.
class DbSet : public ::testing::Test {
protected:
    void SetUp() override {
        FConn.Params().Add(QStringLiteral("Database=:memory:"));
        FConn.SetParamValue(QStringLiteral("FailIfMissing"), QStringLiteral("False"));
        FConn.ExecuteDirect(QStringLiteral(
            "CREATE TABLE products (id INTEGER PRIMARY KEY, name TEXT, price REAL, qty INTEGER, sold TEXT,"
            " pic BLOB);"
            "INSERT INTO products VALUES (1, 'Apple', 1.5, 10, '2024-01-15', x'89504E470D0A1A0A');"
            "INSERT INTO products VALUES (2, 'Pear', NULL, NULL, NULL, NULL);"
            "INSERT INTO products VALUES (3, 'Plum', 2.25, 3, '2024-03-01 10:30:00', CAST('plum' AS BLOB));"
            "INSERT INTO products VALUES (4, 'Fig', 0.1, -7, '1999-12-31', x'');"
            "INSERT INTO products VALUES (5, 'Kiwi', 1e20, 9007199254740993, '', x'00FF');"));
        FQuery = std::make_unique<TSQLQuery>(&FConn);
        FQuery->SetSQL(QStringLiteral("SELECT id, name, price, qty, sold, pic FROM products ORDER BY id"));
        FDs = new TrptDBDataset(&FWindow);
        FDs->SetName(QStringLiteral("rptDBDataset1"));
        FDs->SetUserName(QStringLiteral("Report"));
        FDs->SetDataSet(FQuery.get());
        FReport = std::make_unique<TrptReport>(&FWindow);
        FReport->DataSets()->Add(FDs);
    }

    // The engine's walk: initialise the report's datasets, first/eof/next, finalise.
    QStringList Walk(const QString& field = QStringLiteral("name")) {
        QStringList seen;
        FReport->DataSets()->Initialize();
        FDs->First();
        for (int guard = 0; !FDs->Eof() && guard < 100; ++guard) {
            seen << VarToStr(FDs->GetValue(field));
            FDs->Next();
        }
        FReport->DataSets()->Finalize();
        return seen;
    }

    TSQLConnection FConn;
    TComponent FWindow{nullptr};
    std::unique_ptr<TSQLQuery> FQuery;
    TrptDBDataset* FDs = nullptr;
    std::unique_ptr<TrptReport> FReport;
};

} // namespace

// ---------------------------------------------------------------------------------------------
// Fields, values and display texts

TEST_F(DbSet, FieldListIsTheQuerysColumnsInOrder) {
    TStringList list;
    FDs->GetFieldList(&list);
    EXPECT_EQ(Lines(list), QStringList()); // nothing open yet: the query has no fields
    FQuery->Open();
    FDs->GetFieldList(&list);
    EXPECT_EQ(Lines(list), (QStringList{"id", "name", "price", "qty", "sold", "pic"}));
    EXPECT_EQ(FDs->FieldsCount(), 6);
    EXPECT_TRUE(FDs->HasField("NAME"));
    EXPECT_FALSE(FDs->HasField("nope"));
}

TEST_F(DbSet, ValuesAndDisplayTextsByFieldKind) {
    struct Case {
        int RecNo;
        const char* Field;
        TVarType Type;
        const char* Text;
    };
    const Case cases[] = {
        {1, "id", varInt64, "1"},
        {1, "name", varUString, "Apple"},
        {1, "price", varDouble, "1.5"},
        {1, "qty", varInt64, "10"},
        {1, "sold", varUString, "2024-01-15"}, // dates are text in the database
        {2, "price", varNull, ""},             // NULL in every kind of column
        {2, "qty", varNull, ""},
        {2, "sold", varNull, ""},
        {3, "sold", varUString, "2024-03-01 10:30:00"},
        {3, "pic", varUString, "plum"}, // a BLOB reads as its text
        {4, "price", varDouble, "0.1"},
        {4, "qty", varInt64, "-7"},
        {4, "pic", varUString, ""},
        {5, "price", varDouble, "1E20"},
        {5, "qty", varInt64, "9007199254740993"}, // beyond a double's exact integers
        {5, "sold", varUString, ""},
    };
    FQuery->Open();
    for (const Case& c : cases) {
        FQuery->SetRecNo(c.RecNo);
        const Variant v = FDs->GetValue(c.Field);
        EXPECT_EQ(v.VType(), c.Type) << c.RecNo << " " << c.Field;
        EXPECT_EQ(FDs->GetDisplayText(c.Field), QString::fromUtf8(c.Text)) << c.RecNo << " " << c.Field;
        if (c.Type != varNull) {
            EXPECT_EQ(VarToStr(v), QString::fromUtf8(c.Text)) << c.RecNo << " " << c.Field;
        }
    }
    FQuery->SetRecNo(5);
    EXPECT_EQ(FDs->GetValue("qty").ToInt64(), 9007199254740993LL);
    // A NULL BLOB has no text: an empty one, as its text would be.
    FQuery->SetRecNo(2);
    EXPECT_EQ(FDs->GetValue("pic").VType(), varUString);
    EXPECT_EQ(FDs->GetValue("PIC").ToString(), QString());
}

TEST_F(DbSet, FieldTypesWidthsAndBlobs) {
    struct Case {
        const char* Field;
        TrptFieldType Type;
        int Width;
        bool Blob;
    };
    const Case cases[] = {
        {"id", fftNumeric, 15, false},   {"name", fftString, 5, false}, {"price", fftNumeric, 10, false},
        {"qty", fftNumeric, 15, false},  {"sold", fftString, 19, false}, {"pic", fftNumeric, 10, true},
    };
    FQuery->Open();
    for (const Case& c : cases) {
        EXPECT_EQ(FDs->GetFieldType(c.Field), c.Type) << c.Field;
        EXPECT_EQ(FDs->GetDisplayWidth(c.Field), c.Width) << c.Field;
        EXPECT_EQ(FDs->IsBlobField(c.Field), c.Blob) << c.Field;
    }
    EXPECT_EQ(FDs->RecordCount(), 5);
}

TEST_F(DbSet, WidthsOfAClosedQueryComeFromItsDefinitions) {
    // Declared types: INTEGER 15, REAL 10, TEXT its size (unknown before the rows are read).
    ASSERT_FALSE(FQuery->Active());
    EXPECT_EQ(FDs->GetDisplayWidth("qty"), 15);
    EXPECT_EQ(FDs->GetDisplayWidth("price"), 10);
    EXPECT_EQ(FDs->GetDisplayWidth("name"), 0);
    EXPECT_FALSE(FQuery->Active());
    EXPECT_EQ(MessageOf([&] { FDs->GetDisplayWidth("nope"); }), "EDatabaseError: Field 'nope' not found");
}

TEST_F(DbSet, AliasesRenameAndHideFields) {
    TStringList aliases;
    aliases.SetText("name=Product\r\nprice=Price\r\n-qty=Quantity\r\npic=Picture");
    FDs->SetFieldAliases(&aliases);
    TStringList list;
    FDs->GetFieldList(&list);
    EXPECT_EQ(Lines(list), (QStringList{"Product", "Price", "Picture"}));
    FReport->DataSets()->Initialize();
    FReport->SetCurObject("Memo1");
    FDs->First();
    EXPECT_EQ(FDs->GetValue("product").ToString(), "Apple");
    EXPECT_EQ(FDs->GetDisplayText("PRICE"), "1.5");
    EXPECT_EQ(FDs->GetFieldType("Product"), fftString);
    EXPECT_EQ(FDs->GetDisplayWidth("Product"), 5);
    EXPECT_TRUE(FDs->IsBlobField("Picture"));
    // The hidden field and the names behind aliases are not seen.
    EXPECT_TRUE(FDs->GetValue("Quantity").IsNull());
    EXPECT_TRUE(FDs->GetValue("name").IsNull());
    EXPECT_EQ(Lines(*FReport->Errors()), (QStringList{"Memo1: Field not found: Report.\"name\"",
                                                      "Memo1: Field not found: Report.\"Quantity\""}));
    FReport->DataSets()->Finalize();
}

TEST_F(DbSet, AnAliasOfAFieldTheDataLacksIsNotFound) {
    TStringList aliases;
    aliases.SetText("name=Product\r\ngone=Ghost");
    FDs->SetFieldAliases(&aliases);
    FReport->DataSets()->Initialize();
    FReport->SetCurObject("Memo2");
    EXPECT_TRUE(FDs->GetValue("Ghost").IsNull());
    EXPECT_EQ(FDs->GetDisplayText("Ghost"), "Field not found: Report.\"Ghost\"");
    EXPECT_FALSE(FDs->IsBlobField("Ghost"));
    EXPECT_EQ(Lines(*FReport->Errors()), QStringList{"Memo2: Field not found: Report.\"Ghost\""});
    FReport->DataSets()->Finalize();
}

// ---------------------------------------------------------------------------------------------
// Bad field names and bad data

TEST_F(DbSet, UnknownFieldsGoToTheReportsErrorsOnce) {
    FReport->DataSets()->Initialize();
    FReport->SetCurObject("Memo1");
    EXPECT_TRUE(FDs->GetValue("nope").IsNull());
    EXPECT_TRUE(FDs->GetValue("nope").IsNull());
    EXPECT_EQ(FDs->GetDisplayText("nope"), "Field not found: Report.\"nope\"");
    FReport->SetCurObject("Memo7");
    EXPECT_EQ(FDs->GetDisplayText("nope"), "Field not found: Report.\"nope\"");
    EXPECT_EQ(FDs->GetFieldType("nope"), fftNumeric);
    EXPECT_EQ(Lines(*FReport->Errors()), (QStringList{"Memo1: Field not found: Report.\"nope\"",
                                                      "Memo7: Field not found: Report.\"nope\""}));
    // The run goes on: the known fields still read.
    EXPECT_EQ(FDs->GetValue("name").ToString(), "Apple");
    FReport->DataSets()->Finalize();
}

TEST_F(DbSet, WithoutAReportAnUnknownFieldRaises) {
    FReport.reset(); // the report that initialised the dataset is gone
    EXPECT_EQ(FDs->ReportRef(), nullptr);
    EXPECT_EQ(MessageOf([&] { FDs->GetValue("nope"); }), "EDatabaseError: Field not found: Report.\"nope\"");
    EXPECT_EQ(FDs->GetDisplayText("nope"), "Field not found: Report.\"nope\"");
    EXPECT_EQ(FDs->GetValue("name").ToString(), "Apple");
}

TEST_F(DbSet, NothingBoundIsNotConnected) {
    FDs->SetDataSet(nullptr);
    EXPECT_EQ(MessageOf([&] { FReport->DataSets()->Initialize(); }),
              "Exception: DataSet rptDBDataset1 is not connected to data");
    EXPECT_EQ(MessageOf([&] { FDs->First(); }), "Exception: DataSet rptDBDataset1 is not connected to data");
    EXPECT_EQ(MessageOf([&] { FDs->GetValue("name"); }),
              "Exception: DataSet rptDBDataset1 is not connected to data");
    EXPECT_EQ(FDs->GetDisplayText("name"), "Report.\"name\"");
    EXPECT_EQ(FDs->GetFieldType("name"), fftNumeric);
    FReport->DataSets()->Finalize();
    // Bound again, the same component works.
    FDs->SetDataSet(FQuery.get());
    EXPECT_EQ(Walk().size(), 5);
}

TEST_F(DbSet, AQueryThatFailsToOpenNamesTheDataset) {
    FQuery->SetSQL("SELECT * FROM nosuch");
    FReport->DataSets()->Initialize();
    const QString msg = MessageOf([&] { FDs->First(); });
    EXPECT_EQ(msg, "EDatabaseError: Dataset \"Report\": no such table: nosuch");
    // Not marked opened: the next request tries again, and a mended query then works.
    EXPECT_FALSE(FDs->Initialized());
    EXPECT_EQ(MessageOf([&] { FDs->GetValue("name"); }), msg);
    FReport->DataSets()->Finalize();
    FQuery->SetSQL("SELECT name FROM products WHERE id > 3");
    EXPECT_EQ(Walk(), (QStringList{"Fig", "Kiwi"}));
}

TEST(DbSetBadData, EveryStorageClassAndNullInEveryColumnKind) {
    TSQLConnection conn;
    conn.Params().Add(QStringLiteral("Database=:memory:"));
    conn.ExecuteDirect(QStringLiteral(
        "CREATE TABLE t (k INTEGER, i INTEGER, r REAL, s TEXT, b BLOB, u);"
        "INSERT INTO t VALUES (1, 42, 2.5, 'Grüße', x'414243', 7);"
        "INSERT INTO t VALUES (2, 'text in int', 'text in real', 12, 3.25, 'x');"
        "INSERT INTO t VALUES (3, NULL, NULL, NULL, NULL, NULL);"
        "INSERT INTO t VALUES (4, 1.75, 8, CAST(x'47C3FF72' AS TEXT), 'text in blob', x'4142');"));
    TSQLQuery query(&conn);
    query.SetSQL("SELECT i, r, s, b, u FROM t ORDER BY k");
    TrptDBDataset ds;
    ds.SetUserName("T");
    ds.SetDataSet(&query);
    struct Case {
        int RecNo;
        const char* Field;
        TVarType Type;
        QString Text;
    };
    const Case cases[] = {
        {1, "i", varInt64, "42"},
        {1, "r", varDouble, "2.5"},
        {1, "s", varUString, "Grüße"},
        {1, "b", varUString, "ABC"},
        {1, "u", varInt64, "7"},
        {2, "i", varUString, "text in int"},
        {2, "r", varUString, "text in real"},
        {2, "s", varUString, "12"}, // a TEXT column keeps numbers as text
        {2, "b", varUString, "3.25"},
        {2, "u", varUString, "x"},
        {3, "i", varNull, ""},
        {3, "r", varNull, ""},
        {3, "s", varNull, ""},
        {3, "b", varUString, ""},
        {3, "u", varNull, ""},
        {4, "i", varDouble, "1.75"},
        {4, "r", varDouble, "8"}, // and a REAL column integers as floats
        {4, "s", varUString, QStringLiteral("G\uFFFD\uFFFDr")}, // not UTF-8: replaced, not lost whole
        {4, "b", varUString, "text in blob"},
        {4, "u", varArray | varByte, "AB"},
    };
    query.Open();
    for (const Case& c : cases) {
        query.SetRecNo(c.RecNo);
        const Variant v = ds.GetValue(c.Field);
        EXPECT_EQ(v.VType(), c.Type) << c.RecNo << " " << c.Field;
        EXPECT_EQ(ds.GetDisplayText(c.Field), c.Text) << c.RecNo << " " << c.Field;
    }
}

// ---------------------------------------------------------------------------------------------
// BLOBs into streams and text lists

TEST_F(DbSet, BlobIntoAStreamIsItsBytesRewound) {
    FQuery->Open();
    TMemoryStream stream;
    FDs->AssignBlobTo("pic", &stream);
    EXPECT_EQ(stream.Position(), 0);
    EXPECT_EQ(stream.ReadAll(), QByteArray::fromHex("89504E470D0A1A0A"));
    // A non-BLOB field leaves the stream alone; an unknown name is a list error.
    TMemoryStream untouched;
    FDs->AssignBlobTo("name", &untouched);
    EXPECT_EQ(untouched.Size(), 0);
    EXPECT_TRUE(MessageOf([&] { FDs->AssignBlobTo("nope", &untouched); }).startsWith("EListError: "));
    FQuery->SetRecNo(2);
    TMemoryStream none;
    FDs->AssignBlobTo("pic", &none);
    EXPECT_EQ(none.Size(), 0);
}

TEST(DbSetBlobText, TextBlobsReadAsLines) {
    TSQLConnection conn;
    conn.Params().Add(QStringLiteral("Database=:memory:"));
    conn.ExecuteDirect(QStringLiteral(
        "CREATE TABLE notes (k INTEGER, body BLOB);"
        "INSERT INTO notes VALUES (1, CAST('Grüße\r\nzweite Zeile' AS BLOB));"
        "INSERT INTO notes VALUES (2, x'FFFE4100620063000D000A006400');" // UTF-16 behind its mark
        "INSERT INTO notes VALUES (3, x'4772FCDF650D0A78');"                // 8-bit text
        "INSERT INTO notes VALUES (4, NULL);"));
    TSQLQuery query(&conn);
    query.SetSQL("SELECT body FROM notes ORDER BY k");
    TrptDBDataset ds;
    ds.SetUserName("Notes");
    ds.SetDataSet(&query);
    const int saved = SystemCodePage();
    SetSystemCodePage(1252);
    const QStringList expected[] = {{"Grüße", "zweite Zeile"}, {"Abc", "d"}, {"Grüße", "x"}, {}};
    ds.First();
    for (const QStringList& lines : expected) {
        TrptWideStrings ws;
        ws.Add("old");
        ds.AssignBlobTo("body", &ws);
        EXPECT_EQ(Lines(ws), lines) << query.RecNo();
        ds.Next();
    }
    SetSystemCodePage(saved);
}

TEST(DbSetBlobText, ATwentyMegabyteBlob) {
    TSQLConnection conn;
    conn.Params().Add(QStringLiteral("Database=:memory:"));
    conn.ExecuteDirect(QStringLiteral("CREATE TABLE big (b BLOB);"
                                      "INSERT INTO big VALUES (CAST(replace(hex(zeroblob(10485760)), '00', 'ab') AS BLOB));"));
    TSQLQuery query(&conn);
    query.SetSQL("SELECT b, length(b) AS n FROM big");
    TrptDBDataset ds;
    ds.SetUserName("Big");
    ds.SetDataSet(&query);
    ds.First();
    EXPECT_EQ(ds.GetValue("n").ToInt64(), 20971520);
    TMemoryStream stream;
    ds.AssignBlobTo("b", &stream);
    EXPECT_EQ(stream.Size(), 20971520);
    const QString text = ds.GetValue("b").ToString();
    EXPECT_EQ(text.size(), 20971520);
    EXPECT_TRUE(text.startsWith("abab") && text.endsWith("abab"));
}

// ---------------------------------------------------------------------------------------------
// Walking the data and ranges

TEST_F(DbSet, RangesAndWhereTheQueryIsLeft) {
    struct Case {
        const char* Name;
        int Start;                                                // query's record before the run, 0: closed
        TrptRangeBegin Begin;
        TrptRangeEnd End;
        int Count;
        QStringList Seen;
        int After;                                                // query's record after the run
    };
    const Case cases[] = {
        {"all from a closed query", 0, rbFirst, reLast, 0, {"Apple", "Pear", "Plum", "Fig", "Kiwi"}, 5},
        {"all, the query open at 3", 3, rbFirst, reLast, 0, {"Apple", "Pear", "Plum", "Fig", "Kiwi"}, 5},
        {"just the current record", 3, rbCurrent, reCurrent, 0, {"Plum"}, 3},
        {"from the current one", 3, rbCurrent, reLast, 0, {"Plum", "Fig", "Kiwi"}, 3},
        {"up to the current one", 3, rbFirst, reCurrent, 0, {"Apple", "Pear", "Plum"}, 3},
        {"a count of two", 3, rbFirst, reCount, 2, {"Apple", "Pear"}, 3},
        {"a count past the end", 1, rbFirst, reCount, 9, {"Apple", "Pear", "Plum", "Fig", "Kiwi"}, 5},
        {"the current record first of a closed query", 0, rbCurrent, reCurrent, 0, {"Apple"}, 1},
    };
    for (const Case& c : cases) {
        FQuery->Close();
        if (c.Start > 0) {
            FQuery->Open();
            FQuery->SetRecNo(c.Start);
        }
        FDs->SetRangeBegin(c.Begin);
        FDs->SetRangeEnd(c.End);
        FDs->SetRangeEndCount(c.Count);
        EXPECT_EQ(Walk(), c.Seen) << c.Name;
        EXPECT_TRUE(FQuery->Active()) << c.Name;
        EXPECT_EQ(FQuery->RecNo(), c.After) << c.Name;
        EXPECT_TRUE(FDs->Bookmark().isEmpty()) << c.Name;
    }
}

TEST_F(DbSet, AnEmptyResultWithTheCurrentRecordRange) {
    FQuery->SetSQL("SELECT name FROM products WHERE id > 99");
    FDs->SetRangeBegin(rbCurrent);
    FDs->SetRangeEnd(reCurrent);
    EXPECT_EQ(Walk(), QStringList());
    EXPECT_EQ(FDs->RecordCount(), 0);
}

TEST_F(DbSet, PriorAndRecNoFollowTheQuery) {
    FReport->DataSets()->Initialize();
    FDs->First();
    FDs->Next();
    FDs->Next();
    EXPECT_EQ(FDs->RecNo(), 2);
    EXPECT_EQ(FDs->GetValue("name").ToString(), "Plum");
    FDs->Prior();
    EXPECT_EQ(FDs->RecNo(), 1);
    EXPECT_EQ(FDs->GetValue("name").ToString(), "Pear");
    FReport->DataSets()->Finalize();
}

TEST_F(DbSet, CloseDataSourceDecidesWhetherTheQueryStaysOpen) {
    int opened = 0, closed = 0;
    FDs->OnOpen = [&](TObject*) { ++opened; };
    FDs->OnClose = [&](TObject*) { ++closed; };
    EXPECT_EQ(Walk().size(), 5);
    EXPECT_TRUE(FQuery->Active());
    FDs->SetCloseDataSource(true);
    EXPECT_EQ(Walk().size(), 5);
    EXPECT_FALSE(FQuery->Active());
    EXPECT_EQ(opened, 2);
    EXPECT_EQ(closed, 1);
}

TEST_F(DbSet, OpenDataSourceOffLeavesAClosedQueryClosed) {
    FDs->SetOpenDataSource(false);
    FReport->DataSets()->Initialize();
    EXPECT_EQ(FDs->GetDisplayText("name"), "Report.\"name\""); // the complex name itself
    EXPECT_TRUE(FDs->GetValue("name").IsNull());
    EXPECT_TRUE(FDs->Eof());
    EXPECT_FALSE(FQuery->Active());
    EXPECT_EQ(FReport->Errors()->Count(), 0);
    FReport->DataSets()->Finalize();
    // Opened by the application, the query is read.
    FQuery->Open();
    EXPECT_EQ(Walk(), (QStringList{"Apple", "Pear", "Plum", "Fig", "Kiwi"}));
}

// ---------------------------------------------------------------------------------------------
// The query's own handlers, and a query closed, reopened or destroyed under the report

TEST_F(DbSet, TheQuerysOwnHandlersRunOnceAndComeBack) {
    int afterOpen = 0, beforeClose = 0;
    FQuery->AfterOpen = [&](TDataSet*) { ++afterOpen; };
    FQuery->BeforeClose = [&](TDataSet*) { ++beforeClose; };
    FReport->DataSets()->Initialize();
    FReport->DataSets()->Initialize(); // a second run's initialisation hooks nothing twice
    FDs->First();
    EXPECT_EQ(afterOpen, 1);
    FQuery->Close();
    EXPECT_EQ(beforeClose, 1);
    EXPECT_FALSE(FDs->Initialized());
    FQuery->Open();
    EXPECT_EQ(afterOpen, 2);
    FReport->DataSets()->Finalize();
    // Back to the application's handlers alone; the component may go, the handlers stay sound.
    delete FDs;
    FDs = nullptr;
    FQuery->Close();
    FQuery->Open();
    EXPECT_EQ(afterOpen, 3);
    EXPECT_EQ(beforeClose, 2);
    EXPECT_EQ(FReport->DataSets()->Count(), 0);
}

TEST_F(DbSet, AQueryClosedMidWalkIsOpenedAgain) {
    FReport->DataSets()->Initialize();
    FDs->First();
    FDs->Next();
    EXPECT_EQ(FDs->GetValue("name").ToString(), "Pear");
    FQuery->Close();
    // Opened again from its start; no field of the closed result is read.
    EXPECT_EQ(FDs->GetValue("name").ToString(), "Apple");
    EXPECT_TRUE(FQuery->Active());
    FReport->DataSets()->Finalize();
}

TEST_F(DbSet, AQueryReopenedBehindTheComponentIsReboundNotReadStale) {
    FQuery->Open();
    EXPECT_EQ(FDs->GetValue("name").ToString(), "Apple"); // opened and bound outside a run
    // Not hooked outside a run: the fields are rebuilt without the component hearing of it.
    FQuery->SetSQL("SELECT 'x' AS pad, name FROM products WHERE id = 4");
    FQuery->Open();
    EXPECT_EQ(FDs->GetValue("name").ToString(), "Fig");
    EXPECT_EQ(FDs->GetValue("pad").ToString(), "x");
}

TEST_F(DbSet, AQueryDestroyedUnderTheReport) {
    int afterOpen = 0;
    FQuery->AfterOpen = [&](TDataSet*) { ++afterOpen; };
    FReport->DataSets()->Initialize();
    FDs->First();
    FQuery.reset();
    EXPECT_EQ(FDs->DataSet(), nullptr);
    EXPECT_EQ(FDs->GetDataSet(), nullptr);
    EXPECT_EQ(MessageOf([&] { FDs->GetValue("name"); }),
              "Exception: DataSet rptDBDataset1 is not connected to data");
    EXPECT_EQ(MessageOf([&] { FDs->Next(); }), "Exception: DataSet rptDBDataset1 is not connected to data");
    FReport->DataSets()->Finalize();
    // A new query bound to the same component runs as before.
    FQuery = std::make_unique<TSQLQuery>(&FConn);
    FQuery->SetSQL("SELECT name FROM products WHERE id < 3");
    FDs->SetDataSet(FQuery.get());
    EXPECT_EQ(Walk(), (QStringList{"Apple", "Pear"}));
}

TEST_F(DbSet, TheReportDatasetDestroyedUnderTheReport) {
    int afterOpen = 0, beforeClose = 0;
    FQuery->AfterOpen = [&](TDataSet*) { ++afterOpen; };
    FQuery->BeforeClose = [&](TDataSet*) { ++beforeClose; };
    FReport->DataSets()->Initialize();
    FDs->First();
    delete FDs;
    FDs = nullptr;
    EXPECT_EQ(FReport->DataSets()->Count(), 0);
    FReport->DataSets()->Finalize();
    FQuery->Close();
    FQuery->Open();
    EXPECT_EQ(afterOpen, 2);
    EXPECT_EQ(beforeClose, 1);
}

TEST_F(DbSet, TwoReportDatasetsOverOneQueryUnhookInAnyOrder) {
    int afterOpen = 0, beforeClose = 0;
    FQuery->AfterOpen = [&](TDataSet*) { ++afterOpen; };
    FQuery->BeforeClose = [&](TDataSet*) { ++beforeClose; };
    auto* second = new TrptDBDataset(&FWindow);
    second->SetUserName("Second");
    second->SetDataSet(FQuery.get());
    FReport->DataSets()->Add(second);
    FReport->DataSets()->Initialize(); // the first hooks, then the second over the first's hooks
    FDs->First();
    EXPECT_EQ(afterOpen, 1);
    // The first goes while the second still holds its hook as the saved handler.
    delete FDs;
    FDs = nullptr;
    FQuery->Close();
    EXPECT_FALSE(second->Initialized());
    FQuery->Open();
    EXPECT_EQ(afterOpen, 2);
    EXPECT_EQ(beforeClose, 1);
    EXPECT_EQ(second->GetValue("name").ToString(), "Apple");
    FReport->DataSets()->Finalize();
    delete second;
    FQuery->Close();
    FQuery->Open();
    EXPECT_EQ(afterOpen, 3);
    EXPECT_EQ(beforeClose, 2);
}

TEST_F(DbSet, ADataSourceAndItsDataset) {
    auto source = std::make_unique<TDataSource>();
    source->SetDataSet(FQuery.get());
    FDs->SetDataSource(source.get());
    EXPECT_EQ(FDs->DataSet(), nullptr);
    EXPECT_EQ(FDs->DataSource(), source.get());
    EXPECT_EQ(FDs->GetDataSet(), FQuery.get());
    EXPECT_EQ(Walk().size(), 5);
    // Binding a dataset drops the source, and the other way round.
    FDs->SetDataSet(FQuery.get());
    EXPECT_EQ(FDs->DataSource(), nullptr);
    FDs->SetDataSource(source.get());
    EXPECT_EQ(FDs->DataSet(), nullptr);
    source.reset();
    EXPECT_EQ(FDs->DataSource(), nullptr);
    EXPECT_EQ(FDs->GetDataSet(), nullptr);
    EXPECT_EQ(MessageOf([&] { FReport->DataSets()->Initialize(); }),
              "Exception: DataSet rptDBDataset1 is not connected to data");
}

// ---------------------------------------------------------------------------------------------
// The component in templates

TEST(DbSetTemplate, TheTemplateFindsTheApplicationsQueryByItsUserName) {
    TSQLConnection conn;
    conn.Params().Add(QStringLiteral("Database=:memory:"));
    conn.ExecuteDirect(QStringLiteral("CREATE TABLE t (n INTEGER); INSERT INTO t VALUES (1), (2);"));
    TSQLQuery query(&conn);
    query.SetSQL("SELECT n FROM t");
    TComponent window(nullptr);
    auto* ds = new TrptDBDataset(&window);
    ds->SetName("rptDBDataset1");
    ds->SetUserName("Report");
    TMemoryStream templ;
    {
        TrptReport designer(nullptr);
        designer.DataSets()->Add(ds);
        designer.SaveToStream(templ);
    }
    TrptReport report(&window);
    ds->SetDataSet(&query);
    report.DataSets()->Add(ds);
    templ.SetPosition(0);
    report.LoadFromStream(templ);
    ASSERT_EQ(report.DataSets()->Count(), 1);
    ASSERT_EQ(report.DataSets()->Items(0)->DataSet(), ds);
    report.DataSets()->Initialize();
    QStringList seen;
    for (ds->First(); !ds->Eof(); ds->Next())
        seen << ds->GetDisplayText("n");
    report.DataSets()->Finalize();
    EXPECT_EQ(seen, (QStringList{"1", "2"}));
}

TEST(DbSetTemplate, OnADataPageItKeepsItsSettingsButNotItsBinding) {
    TSQLConnection conn;
    conn.Params().Add(QStringLiteral("Database=:memory:"));
    TSQLQuery query(&conn);
    TMemoryStream templ;
    {
        TrptReport report(nullptr);
        auto* ds = new TrptDBDataset(&report);
        ds->SetName("Products");
        ds->SetDataSet(&query);
        ds->SetRangeEnd(reCount);
        ds->SetRangeEndCount(3);
        TStringList aliases;
        aliases.SetText("name=Product");
        ds->SetFieldAliases(&aliases);
        report.CheckDataPage();
        report.SaveToStream(templ);
    }
    const QString xml = QString::fromUtf8(templ.Bytes());
    EXPECT_TRUE(xml.contains("TrptDBDataset")) << xml.toStdString();
    EXPECT_TRUE(xml.contains("BCDToCurrency=\"False\"")) << xml.toStdString(); // always stored
    EXPECT_FALSE(xml.contains("DataSet=")) << xml.toStdString();
    TrptReport back(nullptr);
    templ.SetPosition(0);
    back.LoadFromStream(templ);
    auto* ds = dynamic_cast<TrptDBDataset*>(back.FindObject("Products"));
    ASSERT_NE(ds, nullptr) << Lines(*back.Errors()).join("; ").toStdString();
    EXPECT_EQ(ds->RangeEnd(), reCount);
    EXPECT_EQ(ds->RangeEndCount(), 3);
    EXPECT_EQ(ds->UserName(), "Products");
    EXPECT_EQ(Lines(*ds->FieldAliases()), QStringList{"name=Product"});
    EXPECT_EQ(ds->DataSet(), nullptr);
    EXPECT_EQ(GetClass("TrptDBDataset"), TrptDBDataset::StaticClassInfo());
}
