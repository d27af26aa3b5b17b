// Expressions of a report: names (dataset fields, system variables, report and global variables,
// host events), expressions compiled into the cache in each of the four languages, the report's
// functions (Get, Set, IIF, the aggregates, host functions), errors and hostile input.

#include "ScriptTestReport.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/SysUtils.h"
#include "report/core/rptRes.h"
#include "script/sc_iinterpreter.h"

#include <gtest/gtest.h>

namespace {

QString Q(const char* text, const TLanguage& lang) {
    return InLanguage(text, lang);
}

struct ExprCase {
    const char* Expr;
    const char* Value;
};

class Expressions : public ::testing::TestWithParam<TLanguage> {
protected:
    void SetUp() override {
        R.Engine->SetCurLine(5);
        R.Engine->SetCurLineThrough(17);
        R.Engine->SetTotalPages(12);
        R.Engine->SetStartDate(EncodeDate(2026, 12, 11));
        R.Pages->SetCurPage(2);
        R.Pages->LogicalPage = 4;
        R.Pages->LogicalTotal = 10;
        TrptVariables* v = R.Report->Variables();
        v->SetVariables("Total", Variant(QStringLiteral("2*3")));
        v->SetVariables("Doubled", Variant(QStringLiteral("<Total> * 2")));
        v->SetVariables("Memo", Variant(QStringLiteral("first\r\nsecond")));
        v->SetVariables("Number", Variant(42));
        ASSERT_TRUE(R.Prepare(GetParam().Name)) << R.Report->Errors()->Text().toStdString();
    }
    TScriptReport R;
};

} // namespace

TEST_P(Expressions, TableOfCases) {
    const TLanguage& lang = GetParam();
    const ExprCase cases[] = {
        {"1 + 2", "3"},
        // Fields: the whole name, references in angle brackets, and the bare form inside a
        // larger expression.
        {"Report.\"price\"", "2.5"},
        {"report.\"QTY\"", "3"},
        {"Report.\"name\"", "Anna"},
        {"Report.\"note\"", ""}, // Null as the empty value of a text field (ConvertNulls)
        {"<Report.\"price\"> * <Report.\"qty\">", "7.5"},
        {"Report.\"price\" * Report.\"qty\"", "7.5"},
        {"Report.\"price\"*Report.\"qty\" + 1", "8.5"},
        // System variables, in any letter case.
        {"Page", "4"},
        {"Page#", "3"},
        {"page#", "3"},
        {"TotalPages", "10"},
        {"TotalPages#", "12"},
        {"Line", "5"},
        {"Line#", "17"},
        {"<Line#> + 1", "18"},
        // Report variables: expressions, nested, text with a line break, other values.
        {"Total", "6"},
        {"total", "6"},
        {"Doubled", "12"},
        {"<Doubled> + <Report.\"qty\">", "15"},
        {"Memo", "first\r\nsecond"},
        {"Number", "42"},
        // The report's functions.
        {"IIF(<Report.\"qty\"> > 2, @many@, @few@)", "many"},
        {"IIF(<Report.\"qty\"> > 5, @many@, @few@)", "few"},
        {"Get(@Total@) + 1", "7"},
        {"Get(@Report.\"qty\"@)", "3"},
        // Built-ins of the script engine.
        {"FormatFloat(@0.00@, <Report.\"price\">)", "2.50"},
        {"Length(<Report.\"name\">)", "4"},
        {"DateToStr(<Date>)", nullptr}, // the platform's date text
    };
    for (const ExprCase& c : cases) {
        const QString expr = Q(c.Expr, lang);
        const QString expected = c.Value ? QString::fromUtf8(c.Value) : DateToStr(EncodeDate(2026, 12, 11));
        EXPECT_EQ(R.CalcText(expr), expected) << lang.Name << ": " << expr.toStdString();
    }
    EXPECT_EQ(R.Report->Errors()->Count(), 0) << R.Report->Errors()->Text().toStdString();
    EXPECT_TRUE(R.Report->Calc("Date") == Variant::FromDate(EncodeDate(2026, 12, 11)));
}

TEST_P(Expressions, AggregateCallShapesReachTheEngine) {
    const TLanguage& lang = GetParam();
    EXPECT_EQ(R.CalcText(Q("SUM(<Report.\"price\">)", lang)), "99");
    EXPECT_EQ(R.CalcText(Q("AVG(<Report.\"price\"> * 2, 0, 1)", lang)), "99");
    EXPECT_EQ(R.CalcText(Q("MIN(<Report.\"qty\">, 0, 2)", lang)), "99");
    EXPECT_EQ(R.CalcText(Q("MAX(<Report.\"qty\">) + 1", lang)), "100");
    EXPECT_EQ(R.CalcText(Q("COUNT(0, 3)", lang)), "99");
    EXPECT_EQ(R.CalcText(Q("Get(@SUM(<Report.\"qty\">)@)", lang)), "99");
    const QStringList expected = {"SUM|<Report.\"price\">|-|0", "AVG|<Report.\"price\"> * 2|-|1",
                                  "MIN|<Report.\"qty\">|-|2",   "MAX|<Report.\"qty\">|-|0",
                                  "COUNT||-|3",                  "SUM|<Report.\"qty\">|-|0"};
    EXPECT_EQ(R.Engine->Calls, expected) << R.Engine->Calls.join('\n').toStdString();
}

TEST_P(Expressions, ForgedObjectReferenceIsAnErrorNotAnAccess) {
    // A band argument must be an object the script was given; any other number is refused.
    const QString text = R.CalcText(Q("SUM(<Report.\"price\">, 123457)", GetParam()));
    EXPECT_TRUE(text.startsWith("<error>")) << text.toStdString();
    EXPECT_TRUE(R.Engine->Calls.isEmpty());
    EXPECT_EQ(R.CalcText("1 + 1"), "2");
}

INSTANTIATE_TEST_SUITE_P(AllLanguages, Expressions, ::testing::ValuesIn(Languages),
                         [](const ::testing::TestParamInfo<TLanguage>& info) {
                             return QString::fromLatin1(info.param.Name).remove('+').toStdString();
                         });

// ---------------------------------------------------------------------------------------------

TEST(ExpressionCache, EachDistinctTextIsCompiledOnce) {
    TScriptReport R;
    ASSERT_TRUE(R.Prepare("PascalScript"));
    TrptExpressionCache* cache = R.Report->ExpressionCache();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(R.CalcText("<Report.\"qty\"> * 10"), "30");
    EXPECT_EQ(cache->Count(), 1);
    EXPECT_NE(cache->Script()->FindLocal("de3f0"), nullptr);
    EXPECT_EQ(cache->Script()->FindLocal("de3f1"), nullptr);

    // Letter case counts: 'YES' and 'yes' print differently.
    EXPECT_EQ(R.CalcText("IIF(<Report.\"qty\"> > 1, 'YES', 'no')"), "YES");
    EXPECT_EQ(R.CalcText("IIF(<Report.\"qty\"> > 1, 'yes', 'no')"), "yes");
    // IIF's arguments are expressions of their own: the condition once, 'YES' and 'yes' apart.
    EXPECT_EQ(cache->Count(), 6);
    // The flag is kept for old hosts and changes nothing.
    EXPECT_FALSE(R.Report->CaseSensitiveExpressions());
    R.Report->SetCaseSensitiveExpressions(true);
    EXPECT_TRUE(R.Report->CaseSensitiveExpressions());
    EXPECT_EQ(R.CalcText("IIF(<Report.\"qty\"> > 1, 'YES', 'no')"), "YES");
    EXPECT_EQ(cache->Count(), 6);

    // Whole names never reach the cache.
    EXPECT_EQ(R.CalcText("Report.\"price\""), "2.5");
    EXPECT_EQ(R.CalcText("Page#"), "1");
    EXPECT_EQ(cache->Count(), 6);

    // Preparing the script again starts afresh.
    ASSERT_TRUE(R.Report->PrepareScript());
    EXPECT_EQ(cache->Count(), 0);
    EXPECT_EQ(R.CalcText("<Report.\"qty\"> * 10"), "30");
    EXPECT_NE(cache->Script()->FindLocal("de3f0"), nullptr);
}

TEST(ExpressionCache, FailedCompileKeepsItsNumberFree) {
    TScriptReport R;
    ASSERT_TRUE(R.Prepare("PascalScript"));
    R.Report->SetCurObject("Memo1");
    EXPECT_THROW(R.Report->Calc("1 +* 2"), ErptExpressionError);
    TrptExpressionCache* cache = R.Report->ExpressionCache();
    EXPECT_EQ(cache->Count(), 0);
    EXPECT_EQ(cache->Script()->FindLocal("de3f0"), nullptr);
    EXPECT_EQ(R.CalcText("2 + 2"), "4");
    EXPECT_NE(cache->Script()->FindLocal("de3f0"), nullptr);
    // The error line names the object and the expression.
    ASSERT_EQ(R.Report->Errors()->Count(), 1);
    EXPECT_TRUE(R.Report->Errors()->Get(0).startsWith("Memo1: Error in expression '1 +* 2': "))
        << R.Report->Errors()->Get(0).toStdString();
}

TEST(ReportExpressions, ErrorsCarryTheExpressionAndTheReportGoesOn) {
    TScriptReport R;
    ASSERT_TRUE(R.Prepare("PascalScript"));
    R.Report->SetCurObject("Memo7");
    // Unbalanced brackets, unknown identifiers, a run-time error, text that would close the
    // wrapper early, an empty text.
    const char* bad[] = {"(1 + 2", "<Report.\"price\"", "1 + 2)", "NoSuchName + 1", "StrToInt('x')",
                         "1 end; begin", ""};
    for (const char* e : bad) {
        const QString text = R.CalcText(QString::fromUtf8(e));
        EXPECT_TRUE(text.startsWith("<error>Memo7: ")) << e << " -> " << text.toStdString();
        EXPECT_EQ(R.CalcText("<Report.\"qty\"> + 1"), "4") << "after " << e;
    }
    EXPECT_TRUE(R.CalcText("NoSuchName + 1").contains("'NoSuchName + 1'"));
    // A line comment at the end cannot swallow the rest of the wrapper.
    EXPECT_EQ(R.CalcText("1 // comment"), "1");
    // In script-call mode the text is raised without an error line.
    const int lines = R.Report->Errors()->Count();
    try {
        R.Report->Calc("2 +* 3", nullptr, true);
        ADD_FAILURE() << "no exception";
    } catch (const ErptExpressionError& e) {
        // The key has a text of its own: the message names the call, not the key.
        EXPECT_EQ(GlobalResources()->Get("clErrorInExp"), "Report.Calc: ");
        EXPECT_TRUE(e.Message().startsWith("Report.Calc: Error in expression '2 +* 3'"))
            << e.Message().toStdString();
    }
    EXPECT_EQ(R.Report->Errors()->Count(), lines);
}

TEST(ReportExpressions, UnknownNameThroughGetIsAnErrorLineNotAnException) {
    TScriptReport R;
    ASSERT_TRUE(R.Prepare("PascalScript"));
    EXPECT_EQ(R.CalcText("<Nothing>"), "Null");
    EXPECT_EQ(R.CalcText("Get('Report.\"nosuchfield\"')"), "0"); // the dataset answers (Null, converted)
    ASSERT_EQ(R.Report->Errors()->Count(), 1);
    EXPECT_EQ(R.Report->Errors()->Get(0), "Unknown variable or datafield: Nothing");
}

TEST(ReportExpressions, IIFWithAFailingConditionGivesEmptyAndTheRunGoesOn) {
    TScriptReport R;
    ASSERT_TRUE(R.Prepare("PascalScript"));
    EXPECT_EQ(R.CalcText("IIF(StrToInt('x') > 0, 'a', 'b')"), "Empty");
    EXPECT_EQ(R.Report->Errors()->Count(), 1);
    EXPECT_EQ(R.CalcText("IIF(<Report.\"paid\">, 'paid', 'open')"), "paid");
}

TEST(ReportExpressions, VariablesReferringToEachOtherAreACycleNotAStackOverflow) {
    TScriptReport R;
    TrptVariables* v = R.Report->Variables();
    v->SetVariables("A", Variant(QStringLiteral("<B> + 1")));
    v->SetVariables("B", Variant(QStringLiteral("<A> + 1")));
    v->SetVariables("Self", Variant(QStringLiteral("Self")));
    v->SetVariables("C", Variant(QStringLiteral("<D>")));
    v->SetVariables("D", Variant(QStringLiteral("IIF(True, <C>, 0)")));
    ASSERT_TRUE(R.Prepare("PascalScript"));
    const QString ab = R.CalcText("A");
    EXPECT_TRUE(ab.startsWith("<error>")) << ab.toStdString();
    EXPECT_TRUE(ab.contains("Circular reference in report variables: A -> B -> A")) << ab.toStdString();
    const QString self = R.CalcText("Self");
    EXPECT_TRUE(self.contains("Circular reference in report variables: Self -> Self")) << self.toStdString();
    // Through IIF, which swallows the error: no value, an error line, no hang.
    EXPECT_EQ(R.CalcText("C"), "Empty");
    bool named = false;
    for (int i = 0; i < R.Report->Errors()->Count(); ++i)
        named = named || R.Report->Errors()->Get(i).contains("C -> D -> C");
    EXPECT_TRUE(named) << R.Report->Errors()->Text().toStdString();
    // Nothing is left half-done: a sound variable still works.
    v->SetVariables("Fine", Variant(QStringLiteral("<Report.\"qty\"> * 2")));
    EXPECT_EQ(R.CalcText("Fine"), "6");
}

TEST(ReportExpressions, ConvertNullsGivesTheFieldKindsEmptyValue) {
    TScriptReport R;
    ASSERT_TRUE(R.Prepare("PascalScript"));
    EXPECT_TRUE(R.Report->EngineOptions()->ConvertNulls());
    R.Report->EngineOptions()->SetConvertNulls(false);
    EXPECT_EQ(R.CalcText("Report.\"missing\""), "Null");
    EXPECT_EQ(R.CalcText("Report.\"note\""), "Null");
    R.Report->EngineOptions()->SetConvertNulls(true);
    EXPECT_EQ(R.CalcText("Report.\"missing\""), "0");
    EXPECT_TRUE(R.Report->Calc("Report.\"note\"") == Variant(QString()));
    EXPECT_EQ(R.CalcText("Report.\"qty\""), "3");
    EXPECT_EQ(R.CalcText("<Report.\"missing\"> + 5"), "5");
}

TEST(ReportExpressions, DivisionByZeroIsIgnoredOnlyWhenAsked) {
    TScriptReport R;
    ASSERT_TRUE(R.Prepare("PascalScript"));
    EXPECT_TRUE(R.CalcText("1 / 0").startsWith("<error>"));
    R.Report->Errors()->Clear();
    R.Report->EngineOptions()->SetIgnoreDevByZero(true);
    EXPECT_EQ(R.CalcText("1 / 0"), "Null");
    EXPECT_EQ(R.Report->Errors()->Count(), 0);
}

TEST(ReportExpressions, OrderOfNameResolution) {
    TScriptReport R;
    ASSERT_TRUE(R.Prepare("PascalScript", "var Counter: Integer;\r\nbegin\r\n  Counter := 5;\r\nend."));
    R.Report->Script()->Execute();
    QStringList asked;
    R.Report->OnGetValue = [&](const QString& name, Variant& value) {
        asked << "host:" + name;
        if (name == "Host" || name == "Shadowed") value = Variant(QStringLiteral("from host"));
    };
    R.Report->OnNewGetValue = [&](TObject* sender, const QString& name, Variant& value) {
        EXPECT_EQ(sender, R.Report.get());
        asked << "new:" + name + "=" + ValueText(value);
    };
    R.Report->Variables()->SetVariables("Shadowed", Variant(QStringLiteral("'variable'")));
    R.Report->Variables()->SetVariables("Var", Variant(QStringLiteral("'variable'")));
    GlobalVariables()->SetVariables("Var", Variant(QStringLiteral("global")));
    GlobalVariables()->SetVariables("Glob", Variant(QStringLiteral("1+1")));
    GlobalVariables()->SetVariables("CopyName0", Variant(QStringLiteral("Copy 1")));

    EXPECT_EQ(R.CalcText("Report.\"qty\""), "3"); // the dataset before the host
    EXPECT_EQ(R.CalcText("Page#"), "1");          // the system variables before the host
    EXPECT_EQ(R.CalcText("CopyName#"), "Copy 1");
    EXPECT_TRUE(asked.isEmpty()) << asked.join(',').toStdString();
    EXPECT_EQ(R.CalcText("Shadowed"), "from host"); // the host before the variables
    EXPECT_EQ(R.CalcText("Var"), "variable");       // the variables before the global ones
    EXPECT_EQ(R.CalcText("Glob"), "1+1");           // global values are not evaluated
    EXPECT_EQ(R.CalcText("Counter"), "5");          // the script's own variables come last
    // A variable's expression is a name of its own to the host ('variable').
    EXPECT_EQ(asked, QStringList({"host:Shadowed", "new:Shadowed=from host", "host:Var", "new:Var=Empty",
                                  "host:'variable'", "new:'variable'=Empty", "host:Glob", "new:Glob=Empty",
                                  "host:Counter", "new:Counter=Empty"}));
    // Categories are no values.
    R.Report->Variables()->Add()->SetName(" Group");
    EXPECT_EQ(R.CalcText("Get(' Group')"), "Null");
    GlobalVariables()->Clear();
}

TEST(ReportExpressions, HostFunctionsAndScriptValue) {
    TScriptReport R;
    R.Report->AddFunction("function Twice(X: Integer): Integer", "ctOther", "Doubles");
    QString method;
    R.Report->OnUserFunction = [&](const QString& name, Variant& params) {
        method = name;
        return Variant(params.GetElement(0).ToInt() * 2);
    };
    ASSERT_TRUE(R.Prepare("PascalScript"));
    EXPECT_EQ(R.CalcText("Twice(<Report.\"qty\">)"), "6");
    EXPECT_EQ(method, "TWICE");
    // Preparing again keeps the host function and the report's own names.
    ASSERT_TRUE(R.Report->PrepareScript());
    EXPECT_EQ(R.CalcText("Twice(21)"), "42");
    EXPECT_NE(R.Report->LocalValue(), nullptr);
    EXPECT_NE(R.Report->SelfValue(), nullptr);
    R.Report->LocalValue()->SetValue(Variant(8));
    EXPECT_EQ(R.CalcText("Value + 1"), "9");
    EXPECT_EQ(R.CalcText("<Value>"), "8");
}
