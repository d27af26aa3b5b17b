#include "app/uSQL.h"
#include "app/uTables.h"

#include <gtest/gtest.h>

namespace {
const QString Example = QStringLiteral(KORVEL_TEST_DATA "/example_tables.ini");
}

TEST(TablesToSQL, StatementsFollowTheKeyPrefixes) {
    auto sql = TablesToSQL(Example);
    ASSERT_EQ(sql->Count(), 4);
    EXPECT_EQ(sql->Get(0),
              "CREATE TABLE [orders] (id INTEGER PRIMARY KEY ASC, [date] TEXT, [amount] REAL NOT NULL, "
              "[id_customers] INTEGER NOT NULL, [scan] BLOB, [scan_filename] TEXT, FOREIGN KEY(id_customers) "
              "REFERENCES customers(id) ON DELETE CASCADE); ");
    EXPECT_EQ(sql->Get(1), "CREATE TABLE [empty] (id INTEGER PRIMARY KEY ASC); ");
    // Lower-case type names are not mapped and get no companion column; the mark adds nothing.
    EXPECT_EQ(sql->Get(2), "CREATE TABLE [lower] (id INTEGER PRIMARY KEY ASC, [when] date, [pic] image); ");
    EXPECT_EQ(sql->Get(3),
              "CREATE TABLE [strict] (id INTEGER PRIMARY KEY ASC, [photo] BLOB NOT NULL, [photo_filename] TEXT "
              "NOT NULL, [id_a] INTEGER NOT NULL, [id_b] INTEGER NOT NULL, [qty] INTEGER NOT NULL, [id_c] INTEGER, "
              "[record_count] INTEGER, FOREIGN KEY(id_a) REFERENCES a(id) ON DELETE CASCADE, FOREIGN KEY(id_b) "
              "REFERENCES b(id) ON DELETE CASCADE); ");
}

TEST(TablesToSQL, MissingFileGivesNoStatements) {
    EXPECT_EQ(TablesToSQL(QStringLiteral(KORVEL_TEST_DATA "/no_such_tables.ini"))->Count(), 0);
}

TEST(LoadSchema, SchemaAndCalculatedLists) {
    LoadSchema(Example);
    EXPECT_EQ(SchemaFieldList->Text(), "orders=date=DATE\r\norders=amount=REAL\r\norders=id_customers=INTEGER\r\n"
                                       "orders=scan=IMAGE\r\norders=total=[orders].[amount]^equally^0\r\n"
                                       "lower=when=date\r\nlower=pic=image\r\n"
                                       "strict=photo=IMAGE\r\nstrict=id_a=INTEGER\r\nstrict=id_b=INTEGER\r\n"
                                       "strict=qty=INTEGER\r\nstrict=id_c=INTEGER\r\nstrict=record_count=INTEGER\r\n"
                                       "strict=plain=TEXT\r\n");
    ASSERT_EQ(CalculatedFieldList->Count(), 1);
    EXPECT_EQ(CalculatedFieldList->Get(0), "orders.total=[orders].[amount]^equally^0");
}

TEST(IsDictionary, ReadsTheMark) {
    EXPECT_TRUE(IsDictionaryIn(Example, "lower"));
    EXPECT_FALSE(IsDictionaryIn(Example, "orders"));
    EXPECT_FALSE(IsDictionaryIn(Example, "nosuchtable"));
}
