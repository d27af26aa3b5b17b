// The report script: prepared and run in each of the four languages, with its procedures and
// variables seen by expressions and its errors reported with line and column.

#include "ScriptTestReport.h"

#include "platform/rtl/StringList.h"
#include "report/core/rptRes.h"
#include "script/sc_iinterpreter.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

struct ScriptCase {
    const char* Language;
    const char* Script;
    const char* Broken; // does not compile at line 2
    bool CallsSet;      // Basic's Set is the keyword of object assignment
};

const ScriptCase Scripts[] = {
    {"PascalScript",
     "var Counter: Integer;\r\nfunction Twice(X: Integer): Integer;\r\nbegin\r\n  Result := X * 2;\r\nend;\r\n\r\n"
     "begin\r\n  Counter := 7;\r\n  Set('Expr', '<Report.\"qty\"> + 100');\r\n"
     "  Set('Seen', Length(Get('Report.\"name\"')));\r\nend.",
     "begin\r\n  x := := 1;\r\nend.", true},
    {"C++Script",
     "int Counter;\r\nint Twice(int X) {\r\n  return X * 2;\r\n}\r\n\r\n{\r\n  Counter = 7;\r\n"
     "  Set(\"Expr\", \"<Report.\\\"qty\\\"> + 100\");\r\n  Set(\"Seen\", Length(Get(\"Report.\\\"name\\\"\")));\r\n}",
     "{\r\n  x = = 1;\r\n}", true},
    {"BasicScript", "dim Counter\r\nfunction Twice(X)\r\n  return X * 2\r\nend function\r\n\r\nCounter = 7",
     "dim x\r\nx = = 1", false},
    {"JScript",
     "var Counter;\r\nfunction Twice(X) {\r\n  return X * 2;\r\n}\r\n\r\nCounter = 7;\r\n"
     "Set(\"Expr\", \"<Report.\\\"qty\\\"> + 100\");\r\nSet(\"Seen\", Length(Get(\"Report.\\\"name\\\"\")));",
     "var x;\r\nx = = 1;", true},
};

class ReportScript : public ::testing::TestWithParam<ScriptCase> {};

} // namespace

TEST_P(ReportScript, CompilesRunsAndServesExpressions) {
    const ScriptCase& c = GetParam();
    TScriptReport R;
    auto* memo = new TTestObject(R.Report.get());
    memo->SetName("Memo1");
    ASSERT_TRUE(R.Prepare(c.Language, QString::fromUtf8(c.Script))) << R.Report->Errors()->Text().toStdString();
    TscScript* script = R.Report->Script();
    ASSERT_GT(script->Statement()->Count(), 0);
    script->Execute();
    EXPECT_EQ(R.Report->Errors()->Count(), 0) << R.Report->Errors()->Text().toStdString();
    if (c.CallsSet) {
        // Set stores values: a number as it is, a text as an expression read later.
        EXPECT_EQ(R.CalcText("Seen"), "4");
        EXPECT_EQ(R.CalcText("Expr"), "103");
    }
    // The script's variables and functions, as names and inside expressions of the language.
    EXPECT_EQ(R.CalcText("Counter"), "7");
    EXPECT_EQ(R.CalcText("Twice(<Report.\"qty\">)"), "6");
    EXPECT_EQ(R.CalcText("Twice(Twice(Counter)) + 1"), "29");
    EXPECT_EQ(R.CalcText("Twice(<Counter>)"), "14");
    // The report's objects are known to the script by name.
    EXPECT_NE(script->Find("Memo1"), nullptr);
    EXPECT_NE(script->Find("Report"), nullptr);
    EXPECT_NE(script->Find("Engine"), nullptr);
}

TEST_P(ReportScript, CompileErrorNamesLineAndColumn) {
    const ScriptCase& c = GetParam();
    TScriptReport R;
    EXPECT_FALSE(R.Prepare(c.Language, QString::fromUtf8(c.Broken)));
    ASSERT_EQ(R.Report->Errors()->Count(), 1);
    const QString line = R.Report->Errors()->Get(0);
    EXPECT_TRUE(QRegularExpression("^Script error at 2:\\d+: .+").match(line).hasMatch()) << line.toStdString();
    // The report stays usable: a sound script prepares again.
    R.Report->Errors()->Clear();
    EXPECT_TRUE(R.Prepare(c.Language, QString::fromUtf8(c.Script))) << R.Report->Errors()->Text().toStdString();
    EXPECT_EQ(R.CalcText("Twice(4)"), "8");
}

INSTANTIATE_TEST_SUITE_P(AllLanguages, ReportScript, ::testing::ValuesIn(Scripts),
                         [](const ::testing::TestParamInfo<ScriptCase>& info) {
                             return QString::fromLatin1(info.param.Language).remove('+').toStdString();
                         });

TEST(ReportScriptPrepare, UnknownLanguageIsAScriptError) {
    TScriptReport R;
    EXPECT_FALSE(R.Prepare("NoSuchScript", "begin end."));
    ASSERT_EQ(R.Report->Errors()->Count(), 1);
    EXPECT_TRUE(R.Report->Errors()->Get(0).contains("NoSuchScript")) << R.Report->Errors()->Get(0).toStdString();
    const QString text = R.CalcText("1 + 1");
    EXPECT_TRUE(text.contains("Language 'NoSuchScript' not found")) << text.toStdString();
}

TEST(ReportScriptPrepare, ALocalOfTheRunningProcedureIsSeenByIIF) {
    TScriptReport R;
    ASSERT_TRUE(R.Prepare("PascalScript", "var Picked: String;\r\nfunction Pick(N: Integer): Variant;\r\n"
                                          "begin\r\n  Result := IIF(N > 1, 'big', 'small');\r\nend;\r\n"
                                          "begin\r\n  Picked := Pick(5) + Pick(0);\r\nend."));
    R.Report->Script()->Execute();
    EXPECT_EQ(R.CalcText("Picked"), "bigsmall");
    EXPECT_EQ(R.Report->Errors()->Count(), 0) << R.Report->Errors()->Text().toStdString();
}
