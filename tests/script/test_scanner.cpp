#include "platform/rtl/Exceptions.h"
#include "script/sc_iparser.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

enum class Flavour { Pascal, C, Basic };

// Scanner settings as the grammars set them.
void Configure(TscParser& p, Flavour f) {
    p.Clear();
    switch (f) {
    case Flavour::Pascal:
        break;
    case Flavour::C:
        p.SetCommentBlock1("/*,*/");
        p.SetCommentBlock2("/*,*/");
        p.SetStringQuotes("\"");
        p.SetHexSequence("0x");
        p.SetSpecStrChar(true);
        break;
    case Flavour::Basic:
        p.SetCommentLine1("'");
        p.SetCommentLine2("rem");
        p.SetCommentBlock1("/\\,/\\");
        p.SetCommentBlock2("/\\,/\\");
        p.SetStringQuotes("\"");
        p.SetHexSequence("0x");
        p.SetSkipEOL(false);
        p.SetSkiPChar("_");
        break;
    }
}

struct TokenCase {
    Flavour flavour;
    QString text;
    QString token; // what the read returns
    int position;  // where the scanner stands afterwards
};

void RunTable(const char* what, const std::vector<TokenCase>& cases,
              const std::function<QString(TscParser&)>& read) {
    for (const TokenCase& c : cases) {
        TscParser p;
        Configure(p, c.flavour);
        p.SetText(c.text);
        EXPECT_EQ(read(p), c.token) << what << ": " << c.text.toStdString();
        EXPECT_EQ(p.Position(), c.position) << what << ": " << c.text.toStdString();
    }
}

} // namespace

TEST(ScriptScanner, Numbers) {
    const Flavour P = Flavour::Pascal, C = Flavour::C;
    RunTable("number",
             {
                 {P, "123 ", "123", 4},
                 {P, "  1.5", "1.5", 6},
                 {P, "1..5", "1", 2},
                 {P, "1.5e", "1.5", 4},
                 {P, "1e10", "1e10", 5},
                 {P, "2E-3x", "2E-3", 5},
                 {P, "1.x", "1", 2},
                 {P, "$1F", "$1F", 4},
                 {P, "$", "", 1},
                 {P, "abc", "", 1},
                 {P, ".5", "", 1},
                 {C, "0x1F;", "$1F", 5},
                 {C, "0X1F", "0", 2},
                 {C, "0x", "", 1},
                 {C, "0x1f.25", "$1f.25", 8},
                 {C, "007", "007", 4},
             },
             [](TscParser& p) { return p.GetNumber(); });
}

TEST(ScriptScanner, Strings) {
    const Flavour P = Flavour::Pascal, C = Flavour::C, B = Flavour::Basic;
    RunTable("string",
             {
                 {P, "'abc'", "'abc'", 6},
                 {P, "'it''s'", "'it's'", 8},
                 {P, "'a'#13#10'b'", "'a\r\nb'", 13},
                 {P, "#65", "'A'", 4},
                 {P, "#$41#$42", "'AB'", 9},
                 {P, "'a' 'b'", "'a'", 4},
                 {P, "'abc", "", 1},
                 {P, "'a\r\nb'", "", 1},
                 {P, "'a\tb'", "'a\tb'", 6},
                 {P, "#", "", 1},
                 {P, "''", "''", 3},
                 {P, "'x'#", "'x'", 4},
                 {C, "\"a\\nb\"", "'a\nb'", 7},
                 {C, "\"\\t\"", "'t'", 5},
                 {C, "\"\\x41\\N\"", "'A\n'", 9},
                 {C, "\"a\\\"b\"", "'a\"b'", 7},
                 {C, "\"\\\\\"", "'\\'", 5},
                 {C, "\"\\x\"", "''", 5},
                 {C, "\"a\"\"b\"", "'ab'", 7},
                 {C, "\"a\\", "", 1},
                 {C, "\"x\"#0x41", "'xA'", 9},
                 {B, "\"say \"\"hi\"\"\"", "'say \"hi\"'", 13},
             },
             [](TscParser& p) { return p.GetString(); });
}

TEST(ScriptScanner, CharacterCodesThatDoNotFitAreErrors) {
    struct Case {
        Flavour f;
        QString text;
        QString pos;
    } cases[] = {
        {Flavour::Pascal, "x #99999999999", "1:3"},
        {Flavour::Pascal, "'a'#1114112", "1:4"},
        {Flavour::C, "\"ab\\xFFFFFFFFF\"", "1:4"},
    };
    for (const Case& c : cases) {
        TscParser p;
        Configure(p, c.f);
        p.SetText(c.text);
        if (c.text.startsWith("x")) p.GetWord();
        EXPECT_EQ(p.GetString(), "") << c.text.toStdString();
        EXPECT_TRUE(p.Error().startsWith("Character code out of range")) << c.text.toStdString();
        EXPECT_EQ(p.ErrorPos(), c.pos) << c.text.toStdString();
    }
    // The largest code point is still a character (a surrogate pair).
    TscParser p;
    p.SetText("#1114111");
    EXPECT_EQ(p.GetString().size(), 4);
    EXPECT_TRUE(p.Error().isEmpty());
}

TEST(ScriptScanner, WordsAndKeywords) {
    const Flavour P = Flavour::Pascal, B = Flavour::Basic;
    RunTable("word",
             {
                 {P, "  _abc1 x", "_abc1", 8},
                 {P, "1abc", "", 1},
                 {P, QString::fromUtf8("ünï+"), QString::fromUtf8("ünï"), 4},
                 {P, "a-b", "a", 2},
                 {P, "{c} x", "x", 6},
                 {P, "(* c *)x", "x", 9},
                 {P, "// c\r\n x", "x", 9},
                 {P, "{ open", "", 7},
                 {B, "rem c\r\nx", "x", 9},
                 {B, "remaining = 1", "remaining", 10},
                 {B, "rem", "", 4},
                 {B, "REM c", "REM", 4},
                 {B, "' c\r\nx", "x", 7},
                 {B, "/\\ block /\\ x", "x", 14},
             },
             [](TscParser& p) { return p.GetWord(); });

    TscParser p;
    p.Keywords().Add("end");
    p.Keywords().Add("begin");
    p.Keywords().Add("BEGIN"); // no duplicates ignoring case
    EXPECT_EQ(p.Keywords().Count(), 2);
    EXPECT_EQ(p.Keywords().Strings(0), "begin");
    p.SetText("BEGIN x");
    EXPECT_EQ(p.GetIdent(), "");
    EXPECT_EQ(p.Position(), 6); // the keyword is consumed
    p.SetPosition(1);
    EXPECT_EQ(p.GetWord(), "BEGIN");
    EXPECT_EQ(p.GetIdent(), "x");
    EXPECT_TRUE(p.IsKeyWord("End"));
    p.SetCaseSensitive(true);
    EXPECT_FALSE(p.IsKeyWord("End"));
    EXPECT_TRUE(p.IsKeyWord("end"));
}

TEST(ScriptScanner, Characters) {
    const Flavour P = Flavour::Pascal;
    RunTable("char",
             {{P, "+", "+", 2},
              {P, " +", "", 1},
              {P, "_", "_", 2},
              {P, "a", "", 1},
              {P, "~", "~", 2},
              {P, "", "", 1}},
             [](TscParser& p) { return p.GetChar(); });
}

TEST(ScriptScanner, LineEnds) {
    TscParser p;
    Configure(p, Flavour::Basic);
    // A comment behind code leaves its line end.
    p.SetText("x ' note\r\n\r\ny");
    EXPECT_EQ(p.GetWord(), "x");
    EXPECT_TRUE(p.GetEOL());
    EXPECT_EQ(p.GetWord(), "y"); // both line ends consumed at once
    // A comment line starting in the first column disappears with its line end.
    p.SetText("' note\r\nx");
    EXPECT_FALSE(p.GetEOL());
    EXPECT_EQ(p.GetWord(), "x");
    // The continuation character joins lines, also behind a comment.
    p.SetText("a _\r\n  b _ ' why\r\n c\r\n");
    EXPECT_EQ(p.GetWord(), "a");
    EXPECT_FALSE(p.GetEOL());
    EXPECT_EQ(p.GetWord(), "b");
    EXPECT_EQ(p.GetWord(), "c");
    EXPECT_TRUE(p.GetEOL());
    // With line ends as blanks there are none to report.
    TscParser q;
    q.SetText("x\r\ny");
    q.GetWord();
    EXPECT_FALSE(q.GetEOL());
}

TEST(ScriptScanner, ReportExpressions) {
    struct Case {
        QString text, expr;
    } cases[] = {
        {"a + \"x>y\" > rest", "a + \"x>y\" "},
        {"x <y> z>end", "x <y> z"},
        {"t[1]>", "t[1]"},
        {"'>' ]", "'>' "},
        {"\"it's\" > ", "\"it's\" "},
        {"open", "open"},
    };
    for (const Case& c : cases) {
        TscParser p;
        p.SetText(c.text);
        EXPECT_EQ(p.GetReportExprString(), c.expr) << c.text.toStdString();
        EXPECT_EQ(p.Position(), c.expr.size() + 1);
    }
}

TEST(ScriptScanner, Positions) {
    TscParser p;
    p.SetText("ab\r\ncd\nef");
    struct Case {
        int pos;
        QString xy;
    } cases[] = {{1, "1:1"}, {3, "1:3"}, {4, "1:4"}, {5, "2:1"}, {7, "2:3"}, {8, "3:1"}, {10, "3:3"}};
    for (const Case& c : cases)
        EXPECT_EQ(p.GetXYPosition(c.pos), c.xy) << c.pos;
    EXPECT_EQ(p.GetPlainPosition(1, 2), 5);
    EXPECT_EQ(p.GetPlainPosition(2, 3), 9);
    EXPECT_EQ(p.GetPlainPosition(1, 4), -1);
    EXPECT_EQ(p.GetPlainPosition(1, 0), -1);

    TscParser noLines;
    noLines.SetUseY(false);
    noLines.SetText("x");
    EXPECT_THROW(noLines.GetXYPosition(), EListError);
}

TEST(ScriptScanner, Settings) {
    TscParser p;
    EXPECT_EQ(p.CommentLine1(), "//");
    EXPECT_EQ(p.CommentBlock1(), "{,}");
    EXPECT_EQ(p.HexSequence(), "$");
    EXPECT_EQ(p.StringQuotes(), "'");
    EXPECT_TRUE(p.SkipEOL());
    EXPECT_TRUE(p.SkipSpace());
    // Clear leaves these three alone.
    p.SetCaseSensitive(true);
    p.SetCommentLine2("rem");
    p.SetUseY(false);
    p.Clear();
    EXPECT_TRUE(p.CaseSensitive());
    EXPECT_EQ(p.CommentLine2(), "rem");
    EXPECT_FALSE(p.UseY());

    // A block marker pair with one item leaves the closing marker empty: no block comment.
    p.SetCommentBlock1("x");
    p.SetCommentBlock2("");
    p.SetUseY(true);
    p.SetText("x y");
    EXPECT_EQ(p.GetWord(), "x");

    p.ConstructCharset("ab");
    p.SetText("abc");
    EXPECT_EQ(p.GetWord(), "ab");
    p.SetText("1a");
    EXPECT_EQ(p.GetWord(), "");
}
