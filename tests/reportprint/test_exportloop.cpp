// The export loop against a filter that records its calls: the order of calls, which pages and
// objects it receives (page lists, the current page, suppressed headers and footers, data only),
// the page's placement, and how a cancelled or failing export ends.

#include "report/core/rptClassBand.h"
#include "report/core/rptClassBases.h"
#include "report/core/rptClassMemo.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptPrintLoop.h"

#include "platform/ui/UIServices.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

void FailOnQuestion(const QString& question) {
    ADD_FAILURE() << "unexpected: " << question.toStdString();
}

class RecordingFilter : public TrptCustomExportFilter {
public:
    RecordingFilter() : TrptCustomExportFilter(nullptr) { SetShowDialog(false); }
    QStringList Log;
    TModalResult Answer = mrOk;
    bool StartResult = true;
    std::function<void(TrptComponent*)> OnObject;
    // Whether the report was terminated when Finish ran (a filter opening its file checks it).
    bool TerminatedAtFinish = false;

    TModalResult ShowModal() override {
        Log << "ShowModal";
        return Answer;
    }
    bool Start() override {
        Log << "Start";
        return StartResult;
    }
    void StartPage(TrptReportPage* Page, int Index) override {
        (void)Page;
        Log << QStringLiteral("StartPage %1").arg(Index);
    }
    void ExportObject(TrptComponent* Obj) override {
        Log << QStringLiteral("Object %1").arg(Obj->Name());
        if (OnObject) OnObject(Obj);
    }
    // The page is placed at its margins between StartPage and FinishPage.
    void FinishPage(TrptReportPage* Page, int Index) override {
        Log << QStringLiteral("FinishPage %1 at %2,%3").arg(Index).arg(Page->Left(), 0, 'f', 2).arg(Page->Top(), 0, 'f', 2);
    }
    void Finish() override {
        Log << "Finish";
        TerminatedAtFinish = Report() && Report()->Terminated();
    }
};

// Pages with a page header, a data band holding a text object, and a page footer each; page i
// has 10 mm margins, 20 mm right margin.
class ExportPages : public TrptCustomPreviewPages {
public:
    explicit ExportPages(TrptReport* report, int count) : TrptCustomPreviewPages(report) {
        for (int i = 0; i < count; ++i) {
            auto p = std::make_unique<TrptReportPage>(nullptr);
            p->SetName(QStringLiteral("Page%1").arg(i + 1));
            p->SetLeftMargin(10);
            p->SetRightMargin(20);
            p->SetTopMargin(5);
            auto* header = new TrptPageHeader(p.get());
            header->SetName(QStringLiteral("Header%1").arg(i + 1));
            header->SetParent(p.get());
            auto* data = new TrptDataBand(p.get());
            data->SetName(QStringLiteral("Data%1").arg(i + 1));
            data->SetParent(p.get());
            auto* memo = new TrptMemoView(p.get());
            memo->SetName(QStringLiteral("Memo%1").arg(i + 1));
            memo->SetParent(data);
            memo->SetText(QStringLiteral("[TOTALPAGES#] pages"));
            auto* footer = new TrptPageFooter(p.get());
            footer->SetName(QStringLiteral("Footer%1").arg(i + 1));
            footer->SetParent(p.get());
            FPages.push_back(std::move(p));
        }
    }
    int GetCount() override { return static_cast<int>(FPages.size()); }
    TrptReportPage* GetPage(int Index) override {
        return Index < 0 || Index >= GetCount() ? nullptr : FPages[Index].get();
    }

private:
    std::vector<std::unique_ptr<TrptReportPage>> FPages;
};

class ExportLoop : public ::testing::Test {
protected:
    TrptReport Report;
    RecordingFilter Filter;
    TUIServicesScope UI{FailOnQuestion};
};

QStringList Only(const QStringList& log, const QString& prefix) {
    QStringList r;
    for (const QString& l : log)
        if (l.startsWith(prefix)) r << l;
    return r;
}

TEST_F(ExportLoop, CallsInOrder) {
    ExportPages pages(&Report, 2);
    Filter.SetShowDialog(true);
    Filter.SetShowProgress(false);
    int begun = 0;
    Filter.OnBeginExport = [&](TObject*) { Filter.Log << "BeginExport", ++begun; };
    QStringList memoTexts;
    Filter.OnObject = [&](TrptComponent* obj) {
        if (auto* memo = dynamic_cast<TrptCustomMemoView*>(obj)) memoTexts << memo->Text().trimmed();
    };
    EXPECT_TRUE(ExportPreparedPages(&Report, &pages, &Filter));
    EXPECT_EQ(Filter.Report(), &Report);
    EXPECT_GT(Filter.CreationTime(), 0);
    // Left margin 10 mm and top margin 5 mm in pixels (3.77953 per mm).
    const QStringList expected = {"ShowModal", "BeginExport", "Start",
                                  "StartPage 0", "Object _pagebackground", "Object Header1",
                                  "Object Data1", "Object Memo1", "Object Footer1", "FinishPage 0 at 37.80,18.90",
                                  "StartPage 1", "Object _pagebackground", "Object Header2",
                                  "Object Data2", "Object Memo2", "Object Footer2", "FinishPage 1 at 37.80,18.90", "Finish"};
    EXPECT_EQ(Filter.Log, expected);
    // Macros of text objects are replaced with the page count before the filter sees them.
    EXPECT_EQ(memoTexts, QStringList({"2 pages", "2 pages"}));
}

TEST_F(ExportLoop, MirrorMarginsPlaceOddIndexesByTheRightMargin) {
    ExportPages pages(&Report, 2);
    pages.GetPage(0)->SetMirrorMargins(true);
    pages.GetPage(1)->SetMirrorMargins(true);
    EXPECT_TRUE(ExportPreparedPages(&Report, &pages, &Filter));
    EXPECT_EQ(Only(Filter.Log, "FinishPage"),
              QStringList({"FinishPage 0 at 37.80,18.90", "FinishPage 1 at 75.59,18.90"}));
}

TEST_F(ExportLoop, PageSelection) {
    struct Case {
        const char* Name;
        QString Numbers;
        bool CurPage;
        bool Suppress;
        bool DataOnly;
        QStringList Pages;
        QStringList Objects;
    } cases[] = {
        {"list", "3,1", false, false, false, {"StartPage 0", "StartPage 2"}, {}},
        {"current page without a preview is the first", "", true, false, false, {"StartPage 0"}, {}},
        {"suppressed headers and footers",
         "",
         false,
         true,
         false,
         {},
         {"Object _pagebackground", "Object Header1", "Object Data1", "Object Memo1", "Object _pagebackground",
          "Object Data2", "Object Memo2", "Object _pagebackground", "Object Data3", "Object Memo3",
          "Object Footer3"}},
        {"data only", "2", false, false, true, {}, {"Object Memo2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        TrptReport report;
        ExportPages pages(&report, 3);
        RecordingFilter filter;
        filter.SetPageNumbers(c.Numbers);
        filter.SetCurPage(c.CurPage);
        filter.SetSuppressPageHeadersFooters(c.Suppress);
        filter.SetDataOnly(c.DataOnly);
        EXPECT_TRUE(ExportPreparedPages(&report, &pages, &filter));
        if (!c.Pages.isEmpty()) {
            EXPECT_EQ(Only(filter.Log, "StartPage"), c.Pages);
        }
        if (!c.Objects.isEmpty()) {
            EXPECT_EQ(Only(filter.Log, "Object"), c.Objects);
        }
        if (c.CurPage) {
            EXPECT_EQ(filter.PageNumbers(), "1");
        }
    }
}

TEST_F(ExportLoop, NothingWithoutAFilterOrAfterACancelledDialog) {
    ExportPages pages(&Report, 1);
    EXPECT_FALSE(ExportPreparedPages(&Report, &pages, nullptr));
    Filter.SetShowDialog(true);
    Filter.Answer = mrCancel;
    EXPECT_FALSE(ExportPreparedPages(&Report, &pages, &Filter));
    EXPECT_EQ(Filter.Log, QStringList({"ShowModal"}));
    // Start refusing ends it before any page, without Finish.
    Filter.Log.clear();
    Filter.SetShowDialog(false);
    Filter.StartResult = false;
    EXPECT_TRUE(ExportPreparedPages(&Report, &pages, &Filter));
    EXPECT_EQ(Filter.Log, QStringList({"Start"}));
}

TEST_F(ExportLoop, CancelledExportIsAFailureAndFinishSeesIt) {
    ExportPages pages(&Report, 3);
    Filter.SetShowProgress(false);
    Filter.OnObject = [&](TrptComponent* obj) {
        if (obj->Name() == "Memo2") Report.SetTerminated(true);
    };
    EXPECT_FALSE(ExportPreparedPages(&Report, &pages, &Filter));
    EXPECT_TRUE(Filter.TerminatedAtFinish);
    // The page under way is finished, no further page starts, and Finish still runs.
    EXPECT_EQ(Filter.Log.mid(Filter.Log.size() - 3),
              QStringList({"Object Memo2", "FinishPage 1 at 37.80,18.90", "Finish"}));
    EXPECT_EQ(Only(Filter.Log, "StartPage").size(), 2);
    // The next export resets Terminated.
    Filter.Log.clear();
    Filter.OnObject = nullptr;
    EXPECT_TRUE(ExportPreparedPages(&Report, &pages, &Filter));
    EXPECT_FALSE(Filter.TerminatedAtFinish);
}

TEST_F(ExportLoop, AnErrorIsCollectedAndShown) {
    ExportPages pages(&Report, 2);
    Filter.OnObject = [&](TrptComponent* obj) {
        if (obj->Name() == "Data1") throw Exception(QStringLiteral("disk full"));
    };
    UI->AnswerMessage(mrOk, QStringLiteral("disk full"));
    EXPECT_FALSE(ExportPreparedPages(&Report, &pages, &Filter));
    EXPECT_TRUE(Report.Errors()->Text().contains("disk full"));
    EXPECT_EQ(Filter.Log.mid(Filter.Log.size() - 2), QStringList({"FinishPage 0 at 37.80,18.90", "Finish"}));
    UI->Verify();
}

TEST_F(ExportLoop, BadPageListExportsNothing) {
    ExportPages pages(&Report, 2);
    Filter.SetPageNumbers("9");
    EXPECT_FALSE(ExportPreparedPages(&Report, &pages, &Filter));
    EXPECT_TRUE(Only(Filter.Log, "StartPage").isEmpty());
    Filter.SetPageNumbers("x");
    UI->AnswerMessage(mrOk, QStringLiteral("\"x\" are not valid"));
    EXPECT_FALSE(ExportPreparedPages(&Report, &pages, &Filter));
    UI->Verify();
}

} // namespace
