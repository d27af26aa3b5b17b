#include "app/uSQLiteFunctions.h"
#include "platform/data/SQLConnection.h"
#include "platform/data/SQLText.h"

#include <gtest/gtest.h>

namespace {

class UnicodeCase : public ::testing::Test {
protected:
    void SetUp() override {
        FDb.SetParamValue("Database", ":memory:");
        FDb.Open();
        RegisterUnicodeFunctions(FDb);
        FDb.ExecuteDirect("CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT)");
        TParams p;
        for (const char* name : {"café", "Привет, мир", "Ελληνικά", "Straße", "plain"}) {
            FDb.Execute("INSERT INTO t(name) VALUES(" + QuotedSQL(QString::fromUtf8(name)) + ")", nullptr);
        }
    }
    QString Names(const QString& where) {
        auto q = FDb.ExecuteQuery("SELECT name FROM t WHERE " + where + " ORDER BY id");
        QStringList names;
        for (q->First(); !q->Eof(); q->Next())
            names << q->Fields().Get(0)->AsString();
        return names.join('|');
    }
    QString Scalar(const QString& expr) {
        auto q = FDb.ExecuteQuery("SELECT " + expr);
        return q->Fields().Get(0)->IsNull() ? QStringLiteral("<null>") : q->Fields().Get(0)->AsString();
    }
    TSQLConnection FDb;
};

} // namespace

TEST_F(UnicodeCase, SearchesMatchRegardlessOfCaseInEveryAlphabet) {
    const struct {
        const char* Where;
        const char* Found;
    } cases[] = {
        {"name LIKE '%CAFÉ%'", "café"},
        {"name LIKE 'привет%'", "Привет, мир"},
        {"name LIKE '%МИР'", "Привет, мир"},
        {"name LIKE 'ελλ%'", "Ελληνικά"},
        {"upper(name) LIKE upper('%é%')", "café"},
        {"upper(name) = 'ПРИВЕТ, МИР'", "Привет, мир"},
        {"lower(name) = 'café'", "café"},
        {"name LIKE 'caf_'", "café"},
        {"name LIKE 'p%x'", ""},
        {"name LIKE '%'", "café|Привет, мир|Ελληνικά|Straße|plain"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Names(QString::fromUtf8(c.Where)), QString::fromUtf8(c.Found)) << c.Where;
    // What is stored keeps the case it was typed in.
    EXPECT_EQ(Names("1"), QString::fromUtf8("café|Привет, мир|Ελληνικά|Straße|plain"));
}

TEST_F(UnicodeCase, FunctionsKeepSQLiteSemanticsForOtherValues) {
    EXPECT_EQ(Scalar("upper(NULL)"), "<null>");
    EXPECT_EQ(Scalar("NULL LIKE 'a'"), "<null>");
    EXPECT_EQ(Scalar("upper(12)"), "12");
    EXPECT_EQ(Scalar(QString::fromUtf8("lower('ÀÉÎ Ж')")), QString::fromUtf8("àéî ж"));
    EXPECT_EQ(Scalar("'100%' LIKE '100!%' ESCAPE '!'"), "1");
    EXPECT_EQ(Scalar("'1000' LIKE '100!%' ESCAPE '!'"), "0");
    EXPECT_THROW(Scalar("'a' LIKE 'a' ESCAPE 'ab'"), EDatabaseError);
}

TEST(UnicodeLikeMatch, Patterns) {
    const struct {
        const char* Pattern;
        const char* Text;
        bool Match;
    } cases[] = {
        {"", "", true},
        {"", "a", false},
        {"%", "", true},
        {"a%b%c", "AxxBxxC", true},
        {"a%b%c", "AxxCxxB", false},
        {"%%a", "ba", true},
        {"_", "😀", true},
        {"__", "😀", false},
        {"%ß%", "STRASSE", false},
        {"ÉCOLE", "école", true},
        {"%Ё%", "ёлка", true},
        {"a_c", "abd", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UnicodeLike(QString::fromUtf8(c.Pattern), QString::fromUtf8(c.Text)), c.Match)
            << c.Pattern << " / " << c.Text;
}
