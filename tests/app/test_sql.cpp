#include "app/uSQL.h"
#include "app/uTables.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TextCase.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

std::unique_ptr<TStringList> List(std::initializer_list<const char*> items) {
    auto l = std::make_unique<TStringList>();
    for (const char* s : items) l->Add(QString::fromUtf8(s));
    return l;
}

class SqlText : public ::testing::Test {
protected:
    void SetUp() override {
        SetCaseLocale("ru_RU");
        SchemaFieldList = List({"t=name=TEXT", "t=photo=IMAGE", "t=record_count=INTEGER", "t=total=[price]^equally^0",
                                "u=doc=FILE", "t=name=REAL"});
        CalculatedFieldList = List({"t.total=[price]^equally^0", "t.note=a\\r\\nb"});
        UpperCaseExemptList = List({"t.Email"});
    }
    void TearDown() override {
        SchemaFieldList.reset();
        CalculatedFieldList.reset();
        UpperCaseExemptList.reset();
        SetCaseLocale("en_US");
    }
};

} // namespace

TEST_F(SqlText, SchemaQueries) {
    EXPECT_TRUE(FieldExists("t", "name"));
    EXPECT_FALSE(FieldExists("T", "name")); // names are case-sensitive
    EXPECT_EQ(FieldType("t", "name"), "TEXT"); // first entry wins
    EXPECT_EQ(FieldType("t", "record_count"), "COUNTER");
    EXPECT_EQ(FieldType("t", "nosuch"), "");
    EXPECT_EQ(TableColumnList("u"), "[u].[doc],[u].[doc_filename]");
    EXPECT_EQ(TableColumnList("nosuch"), "");
    EXPECT_TRUE(IsCalculatedField("t.total"));
    EXPECT_FALSE(IsCalculatedField("t.name"));
}

TEST_F(SqlText, FormatSelectListReplacesCalculatedFields) {
    EXPECT_EQ(FormatSelectList("[t].[name],[t].[total]", true), "[t].[name],[price]=0 AS 't.total'");
    EXPECT_EQ(FormatSelectList("[t].[total]", false), "[price]=0 AS 'total'");
    EXPECT_EQ(FormatSelectList("[t].[note],", false), "a b AS 'note'");
    EXPECT_EQ(FormatSelectList("", true), "");
}

TEST_F(SqlText, Names) {
    struct Case {
        const char* in;
        const char* fk;
        const char* dropped;
    } cases[] = {
        {"customers", "customers", "customers"},
        {"orders.id_customers", "customers", "id_customers"},
        {"orders.id_customers12", "customers", "id_customers12"},
        {"customers.id_persons2", "persons", "id_persons2"},
        {"orders.id_items10", "items10", "id_items10"},
        {"a.b.c", "", "b.c"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ForeignKeyTable(c.in), c.fk) << c.in;
        EXPECT_EQ(DropTablePrefix(c.in), c.dropped) << c.in;
    }
}

TEST_F(SqlText, LetterCaseRules) {
    // Stored texts: capitals when a character of code 247 or above is present, quotes doubled.
    EXPECT_EQ(EscapeQuotes("Say \"hi\"", "t.name"), "Say \"\"hi\"\"");
    EXPECT_EQ(EscapeQuotes(QString::fromUtf8("иванов"), "t.name"), QString::fromUtf8("ИВАНОВ"));
    EXPECT_EQ(EscapeQuotes(QString::fromUtf8("café"), "t.name"), QString::fromUtf8("café"));
    EXPECT_EQ(EscapeQuotes(QString::fromUtf8("иван \"x\""), "T.EMAIL"), QString::fromUtf8("иван \"\"x\"\""));
    // Search texts: upper-cased unless the field is exempt by exact name.
    EXPECT_EQ(UpperUnlessDisabled(QString::fromUtf8("café"), "t.name"), QString::fromUtf8("CAFÉ"));
    EXPECT_EQ(UpperUnlessDisabled("abc", "t.Email"), "abc");
    EXPECT_EQ(UpperUnlessDisabled("abc", "t.email"), "ABC");
    // Shown texts: Cyrillic capitals become a capital first letter.
    EXPECT_EQ(NormalizeCyrillicCase(QString::fromUtf8("ИВАНОВ ИВАН"), "t.name"), QString::fromUtf8("Иванов иван"));
    EXPECT_EQ(NormalizeCyrillicCase(QString::fromUtf8("Иванов"), "t.name"), QString::fromUtf8("Иванов"));
    EXPECT_EQ(NormalizeCyrillicCase("SMITH", "t.name"), "SMITH");
    EXPECT_EQ(NormalizeCyrillicCase(QString::fromUtf8("ИВАНОВ"), "t.email"), QString::fromUtf8("ИВАНОВ"));
    // Only the first 50 characters are looked at for small letters.
    const QString longCaps = QString(50, QChar(0x0416)) + QString::fromUtf8("ж");
    EXPECT_EQ(NormalizeCyrillicCase(longCaps, "t.name").left(2), QString::fromUtf8("Жж"));
}

TEST_F(SqlText, TablesOfFieldsPutsDictionariesLast) {
    QTemporaryDir dir;
    const QString ini = dir.filePath("tables.ini");
    QFile f(ini);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[A]\nisdictionary=1\n[B]\nisdictionary=0\n[C]\nisdictionary=1\n[D]\nx=1\n");
    f.close();
    SetTablesFileName(ini);
        // Names keep the case of their first mention; A and C are dictionaries (sections match
    // without regard to case), so a, b, c becomes c, b, a.
    EXPECT_EQ(TablesOfFields("t", "t.x,c.y,a.z,b.w,A.q")->CommaText(), "c,b,a");
    EXPECT_EQ(TablesOfFields("t", "d.y,b.x")->CommaText(), "b,d");
    EXPECT_EQ(TablesOfFields("t", "a.x,b.y")->CommaText(), "b,a");
    EXPECT_EQ(TablesOfFields("t", "")->Count(), 1); // the empty name of an item without "."
    SetTablesFileName(QString());
}

TEST_F(SqlText, FormatSQLDateTime) {
    TFormatSettings fs = FormatSettings();
    fs.ShortDateFormat = "dd.mm.yyyy";
    fs.DateSeparator = '.';
    fs.LongTimeFormat = "hh:nn:ss";
    fs.TimeSeparator = ':';
    fs.DecimalSeparator = ','; // milliseconds must still read
    TFormatSettingsScope scope(fs);
    EXPECT_EQ(FormatSQLDateTime("2024-03-05 00:00:00.000", "c"), "05.03.2024");
    EXPECT_EQ(FormatSQLDateTime("2024-03-05 13:07:09.250", "c"), "05.03.2024 13:07:09");
    EXPECT_EQ(FormatSQLDateTime("2024-03-05 13:07:09.250", "yyyy/mm/dd hh:nn:ss.zzz"), "2024.03.05 13:07:09.250");
    EXPECT_EQ(FormatSQLDateTime("2024-03-05", "d mmmm yyyy").left(2), "5 ");
    for (const char* bad : {"", "garbage", "2024-13-01", "2024-02-30", "05.03.2024"})
        EXPECT_EQ(FormatSQLDateTime(bad, "c"), "") << bad;
}

#include "platform/data/SQLConnection.h"

TEST(SqlStatements, LastInsertIdAndCounter) {
    TSQLConnection db;
    db.SetParamValue("Database", ":memory:");
    db.SetParamValue("FailIfMissing", "False");
    db.Open();
    db.ExecuteDirect("CREATE TABLE [t] (id INTEGER PRIMARY KEY ASC, [record_count] INTEGER)");
    EXPECT_EQ(LastInsertId(db, "t"), -1);
    EXPECT_EQ(NextCounterValue(db, "t", 100), 100);
    EXPECT_EQ(NextCounterValue(db, "t", 0), 1);
    db.ExecuteDirect("INSERT INTO [t] (record_count) VALUES (100)");
    EXPECT_EQ(LastInsertId(db, "t"), 1);
    EXPECT_EQ(NextCounterValue(db, "t", 0), 101);
    EXPECT_EQ(NextCounterValue(db, "t", 500), 500);
    db.ExecuteDirect("INSERT INTO [t] (record_count) VALUES ('abc')");
    EXPECT_EQ(NextCounterValue(db, "t", 0), -1); // an unreadable maximum
    EXPECT_THROW(LastInsertId(db, "nosuch"), EDatabaseError);
}
