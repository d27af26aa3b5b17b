// The print cycle of a view: TagStr and URL expanded while the object is output and put back
// afterwards; the dataset binding by object and by name.

#include "report/core/rptClassReport.h"
#include "report/core/rptClassView.h"
#include "report/core/rptDataSets.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

class TTestView : public TrptView {
public:
    explicit TTestView(TComponent* AOwner = nullptr) : TrptView(AOwner) {}
};

// A calculator for the tests: sums of integers; "br" gives a text with brackets in it; "bad"
// fails as the report's evaluator does. Every expression asked is noted.
struct TCalcFixture : ::testing::Test {
    QStringList Asked;
    void SetUp() override {
        RegisterReportClasses();
        SetViewExpressionCalc([this](TrptReport*, const QString& e) -> Variant {
            Asked << e;
            if (e == QLatin1String("br")) return Variant(QStringLiteral("[1+1]"));
            if (e == QLatin1String("bad")) throw Exception(QStringLiteral("unknown name bad"));
            int sum = 0;
            for (const QString& part : e.split(QLatin1Char('+'))) sum += part.trimmed().toInt();
            return Variant(sum);
        });
    }
    void TearDown() override { SetViewExpressionCalc(nullptr); }
};

} // namespace

TEST_F(TCalcFixture, TagAndUrlAreExpandedForTheOutputOnly) {
    struct TCase {
        const char* Source;
        const char* Expanded;
    };
    const TCase cases[] = {
        {"a[1+1]b", "a2b"},
        {"[1][2+3][ 4 ]", "154"},
        {"x[", "x["},                  // a text ending in a bracket stays
        {"x[1+1", "x[1+1"},            // one that never closes too
        {"[br]!", "[1+1]!"},           // inserted text is not expanded again
        {"[1+[2]]", "1"},              // nesting: the whole bracket is one expression
        {"['a]'+1]z", "1z"},           // quoted brackets do not count
        {"none", "none"},
        {"", ""},
    };
    auto report = std::make_unique<TrptReport>();
    for (const TCase& c : cases) {
        TTestView v(report.get());
        v.SetBounds(1, 2, 3, 4);
        v.SetTagStr(QString::fromUtf8(c.Source));
        v.SetURL(QStringLiteral("http://h/") + QString::fromUtf8(c.Source));
        v.BeforePrint();
        v.GetData();
        EXPECT_EQ(v.TagStr(), QString::fromUtf8(c.Expanded)) << c.Source;
        EXPECT_EQ(v.URL(), QStringLiteral("http://h/") + QString::fromUtf8(c.Expanded)) << c.Source;
        v.SetLeft(50); // the engine moves it while it prints
        v.AfterPrint();
        EXPECT_EQ(v.TagStr(), QString::fromUtf8(c.Source));
        EXPECT_EQ(v.URL(), QStringLiteral("http://h/") + QString::fromUtf8(c.Source));
        EXPECT_DOUBLE_EQ(v.Left(), 1);
    }
    EXPECT_TRUE(Asked.contains(QStringLiteral("1+[2]")));
    EXPECT_TRUE(Asked.contains(QStringLiteral("'a]'+1")));
    EXPECT_FALSE(Asked.contains(QStringLiteral("1+1")) && Asked.count(QStringLiteral("1+1")) > 2);
}

TEST_F(TCalcFixture, AFailingExpressionKeepsTheExpansionsBeforeIt) {
    auto report = std::make_unique<TrptReport>();
    TTestView v(report.get());
    v.SetTagStr(QStringLiteral("[1+2]-[bad]-[3]"));
    v.BeforePrint();
    EXPECT_THROW(v.GetData(), Exception);
    EXPECT_EQ(v.TagStr(), QStringLiteral("3-[bad]-[3]"));
    v.AfterPrint();
    EXPECT_EQ(v.TagStr(), QStringLiteral("[1+2]-[bad]-[3]"));
}

TEST_F(TCalcFixture, AViewWithoutAReportCalculatesNothing) {
    TTestView v;
    v.SetTagStr(QStringLiteral("a[1+1]b"));
    v.BeforePrint();
    v.GetData();
    EXPECT_EQ(v.TagStr(), QStringLiteral("a[1+1]b"));
    EXPECT_TRUE(Asked.isEmpty());
}

TEST(ViewPrint, DataSetByObjectAndByName) {
    RegisterReportClasses();
    auto report = std::make_unique<TrptReport>();
    auto* ds = new TrptUserDataSet(nullptr);
    ds->SetUserName(QStringLiteral("Orders"));
    report->DataSets()->Add(ds);
    TTestView v(report.get());
    EXPECT_FALSE(v.IsDataField());
    v.SetDataSet(ds);
    EXPECT_EQ(v.DataSetName(), QStringLiteral("Orders"));
    EXPECT_FALSE(v.IsDataField());
    v.SetDataField(QStringLiteral("Total"));
    EXPECT_TRUE(v.IsDataField());

    v.SetDataSet(nullptr);
    EXPECT_EQ(v.DataSetName(), QString());
    v.SetDataSetName(QStringLiteral("Orders"));
    EXPECT_EQ(v.DataSet(), ds);
    // An unknown name keeps the name and binds nothing.
    v.SetDataSet(nullptr);
    v.SetDataSetName(QStringLiteral("Missing"));
    EXPECT_EQ(v.DataSet(), nullptr);
    EXPECT_EQ(v.DataSetName(), QStringLiteral("Missing"));

    // A freed dataset unbinds; its name stays.
    v.SetDataSetName(QStringLiteral("Orders"));
    ASSERT_EQ(v.DataSet(), ds);
    ds->FreeNotification(&v);
    delete ds;
    EXPECT_EQ(v.DataSet(), nullptr);
    EXPECT_EQ(v.DataSetName(), QStringLiteral("Orders"));
}
