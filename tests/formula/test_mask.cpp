// LIKE masks: wildcards, sets of UTF-16 units, limits and invalid masks.

#include "formula/AMask.h"

#include "FormulaTestUtil.h"

#include <gtest/gtest.h>

namespace {

TEST(FormulaMask, Matches) {
    const struct {
        const char* text;
        const char* mask;
        bool result;
    } cases[] = {
        {"abc", "a*c", true},   {"abc", "A*C", false}, {"abc", "a?c", true},  {"ab", "a?c", false},
        {"a", "a?", false},     {"abc", "*?", true},   {"abc", "*??", true},  {"", "*?", true},
        {"b", "[a-c]", true},   {"b", "[!a-c]", false}, {"c", "[c-a]", true}, {"b", "[c-a]", false},
        {"", "", true},         {"a", "", false},      {"abcabd", "*abd", true}, {"abcab", "*ab?", false},
        {"x.txt", "*.txt", true}, {"aXbXc", "a*b*c", true}, {"ab", "a*b*c", false},
        {"Ж", "[А-Я]", true},   {"я", "[А-Я]", false}, {"\x16", "[Ж]", false}, {"Ж", "[!a-z]", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MatchesMask(QString::fromUtf8(c.text), QString::fromUtf8(c.mask)), c.result)
            << c.text << " LIKE " << c.mask;
}

TEST(FormulaMask, InvalidMasks) {
    const struct {
        const char* mask;
        const char* message;
    } cases[] = {
        {"[abc", "'[abc' is an invalid mask at (5)"},
        {"[-a]", "'[-a]' is an invalid mask at (2)"},
        {"[]", "'[]' is an invalid mask at (2)"},
        {"[!]", "'[!]' is an invalid mask at (3)"},
        {"[a-", "'[a-' is an invalid mask at (4)"},
        {"a[-]", "'a[-]' is an invalid mask at (3)"},
    };
    for (const auto& c : cases) {
        try {
            TMask m(QString::fromUtf8(c.mask));
            ADD_FAILURE() << c.mask << " was accepted";
        } catch (const EMaskException& e) {
            EXPECT_EQ(e.Message(), QString::fromUtf8(c.message));
        }
    }
}

TEST(FormulaMask, ThirtyGroupsPassThirtyOneFail) {
    QString thirty, thirtyOne, text;
    for (int i = 0; i < 30; ++i) thirty += "*a";
    thirtyOne = thirty + "*a";
    text = QString(40, QLatin1Char('a'));
    EXPECT_TRUE(MatchesMask(text, thirty));
    EXPECT_EQ(EvalFormula("'" + text + "' LIKE '" + thirtyOne + "'"),
              "EMaskException: '" + thirtyOne + "' is an invalid mask at (62)");
    // Thirty groups that cannot all fit: the answer comes without trying every split.
    QString hard = thirty + "b";
    EXPECT_FALSE(MatchesMask(QString(10000, QLatin1Char('a')), hard));
    EXPECT_TRUE(MatchesMask(QString(10000, QLatin1Char('a')) + "b", hard));
}

} // namespace
