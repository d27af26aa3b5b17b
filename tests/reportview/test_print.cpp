// The print cycle of a view: TagStr and URL expanded while the object is output and put back
// afterwards; the dataset binding by object and by name.

#include "platform/rtl/StringList.h"
#include "report/core/rptClassOptions.h"
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

// A report whose script is prepared, so that Calc answers expressions.
struct TCalcFixture : ::testing::Test {
    std::unique_ptr<TrptReport> Report;
    void SetUp() override {
        RegisterReportClasses();
        Report = std::make_unique<TrptReport>();
        Report->EngineOptions()->SetNewSilentMode(simSilent);
        TStringList lines;
        lines.SetText(QStringLiteral("begin\nend."));
        Report->SetScriptText(&lines);
        ASSERT_TRUE(Report->PrepareScript()) << Report->Errors()->Text().toStdString();
    }
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
        {"x[", "x["},                    // a text ending in a bracket stays
        {"x[1+1", "x[1+1"},              // one that never closes too
        {"['[1+1]']!", "[1+1]!"},        // inserted text is not expanded again
        {"['a]' + 'b']z", "a]bz"},       // quoted brackets do not count
        {"none", "none"},
        {"", ""},
    };
    for (const TCase& c : cases) {
        TTestView v(Report.get());
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
}

TEST_F(TCalcFixture, AFailingExpressionKeepsTheExpansionsBeforeIt) {
    TTestView v(Report.get());
    v.SetTagStr(QStringLiteral("[1+2]-[1 +* 2]-[3]"));
    v.BeforePrint();
    EXPECT_THROW(v.GetData(), Exception);
    EXPECT_EQ(v.TagStr(), QStringLiteral("3-[1 +* 2]-[3]"));
    EXPECT_GT(Report->Errors()->Count(), 0);
    v.AfterPrint();
    EXPECT_EQ(v.TagStr(), QStringLiteral("[1+2]-[1 +* 2]-[3]"));
}

TEST(ViewPrint, AViewWithoutAReportCalculatesNothing) {
    TTestView v;
    v.SetTagStr(QStringLiteral("a[1+1]b"));
    v.BeforePrint();
    v.GetData();
    EXPECT_EQ(v.TagStr(), QStringLiteral("a[1+1]b"));
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
