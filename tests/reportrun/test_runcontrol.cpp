// The report's run control: preparing (refused re-entry, errors, restoring the template),
// showing with the preparation started from the preview window's timer and cancelled by closing
// the window, the progress window of printing and exporting with its Cancel button, and the
// designer call without a designer class.

#include "../reportprint/PrintFakes.h"

#include "report/core/rptClassBases.h"
#include "report/core/rptClassMemo.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptDataSets.h"
#include "report/core/rptPrintLoop.h"
#include "report/core/rptProgress.h"
#include "report/core/rptRunControl.h"

#include "platform/rtl/Streams.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/UIServices.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <gtest/gtest.h>

namespace {

void FailOnQuestion(const QString& question) {
    ADD_FAILURE() << "unexpected: " << question.toStdString();
}

// A page of 100 x 8 mm (30 px) holding one row of 20 px: one page per row.
const char* Template = R"(<?xml version="1.0" encoding="utf-8" standalone="no"?>
<TrptReport Version="4.15" ScriptLanguage="PascalScript" ScriptText.Text="%1">
  <TrptReportPage Name="Page1" PaperWidth="100" PaperHeight="8" PaperSize="256" LeftMargin="0" RightMargin="0" TopMargin="0" BottomMargin="0">
    <TrptMasterData Name="MasterData1" DataSetName="Rows" Height="20" Left="0" Top="0" Width="377.95">
      <TrptMemoView Name="RowMemo" Left="0" Top="0" Width="200" Height="20" Text="Row [Line#]"/>
    </TrptMasterData>
  </TrptReportPage>
</TrptReport>)";

class RunControl : public ::testing::Test {
protected:
    void Load(int rows, const QString& script = QStringLiteral("begin&#13;&#10;end.")) {
        Rows = new TrptUserDataSet(&Host);
        Rows->SetName(QStringLiteral("RowsData"));
        Rows->SetUserName(QStringLiteral("Rows"));
        Rows->SetRangeEnd(reCount);
        Rows->SetRangeEndCount(rows);
        TMemoryStream s;
        const QByteArray text = QString::fromLatin1(Template).arg(script).toUtf8();
        s.WriteBuffer(text.constData(), text.size());
        s.SetPosition(0);
        Report.LoadFromStream(s);
        Report.EngineOptions()->SetNewSilentMode(simSilent);
        Report.DataSets()->Add(Rows);
        Report.PrintOptions()->SetShowDialog(false);
    }
    int PageCount() { return Report.PreviewPages() ? Report.PreviewPages()->GetCount() : 0; }

    TComponent Host{nullptr};
    TrptReport Report;
    TrptUserDataSet* Rows = nullptr;
    TUIServicesScope UI{FailOnQuestion};
};

TEST_F(RunControl, PrepareMakesPagesAndRefusesReentry) {
    Load(12);
    int refused = 0;
    Report.OnBeginDoc = [&](TObject*) {
        EXPECT_TRUE(ReportPreparing(&Report));
        refused += PrepareReport(&Report) ? 0 : 1;
    };
    Report.OnProgress = [&](TrptReport*, TrptProgressType, int) { refused += PrepareReport(&Report) ? 0 : 1; };
    ASSERT_TRUE(PrepareReport(&Report));
    EXPECT_FALSE(ReportPreparing(&Report));
    // One row per page: 12 pages, none lost or doubled.
    EXPECT_EQ(PageCount(), 12);
    EXPECT_GE(refused, 2);
    EXPECT_TRUE(Report.Errors()->Text().isEmpty());
    // Without the nested calls the same pages come out.
    Report.OnBeginDoc = nullptr;
    Report.OnProgress = nullptr;
    ASSERT_TRUE(PrepareReport(&Report));
    EXPECT_EQ(PageCount(), 12);
}

TEST_F(RunControl, ScriptErrorFailsSilentlyWithTheErrorKept) {
    Load(3, QStringLiteral("begin x := ; end."));
    EXPECT_FALSE(PrepareReport(&Report));
    EXPECT_FALSE(Report.Errors()->Text().isEmpty());
    EXPECT_EQ(PageCount(), 0);
}

TEST_F(RunControl, ReentryFromAnEngineEventDoesNotCorruptThePages) {
    Load(5);
    bool nested = false;
    Report.OnProgress = [&](TrptReport*, TrptProgressType, int n) {
        if (n == 2) nested = PrepareReport(&Report, true);
    };
    ASSERT_TRUE(PrepareReport(&Report));
    EXPECT_FALSE(nested);
    EXPECT_EQ(PageCount(), 5);
}

// A modal preview window made by the test: the preparation starts from the report's timer while
// the window is up, and closing the window at the third page cancels it; the pages made stay.
TEST_F(RunControl, ShowReportPreparesWhileThePreviewIsOpenAndClosingCancels) {
    Load(100000);
    TForm* window = nullptr;
    auto previous = SetPreviewWindowFactory([&](TrptReport*) {
        window = new TForm(nullptr);
        window->SetName(QStringLiteral("PreviewWindow"));
        window->OnDestroy = [&](TObject*) { window = nullptr; };
        return TrptPreviewWindow{window, nullptr};
    });
    int opened = 0;
    Report.OnPreview = [&](TObject*) { ++opened; };
    Report.OnProgress = [&](TrptReport*, TrptProgressType, int page) {
        if (page == 3 && window) window->Close();
    };
    bool prepared = false;
    UI->AnswerModal(QStringLiteral("PreviewWindow"), [&](TCustomForm*) {
        // The window is showing: the timer's tick starts the preparation in its event loop.
        EXPECT_EQ(PageCount(), 0);
        QElapsedTimer t;
        t.start();
        while (!prepared && t.elapsed() < 20000) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            if (PageCount() > 0 && !ReportPreparing(&Report)) prepared = true;
        }
        return mrOk;
    });
    ShowReport(&Report);
    UI->Verify();
    EXPECT_TRUE(prepared);
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(Report.Terminated());
    // Pages up to the close are kept; far fewer than 100,000.
    EXPECT_GE(PageCount(), 3);
    EXPECT_LT(PageCount(), 100);
    EXPECT_EQ(Report.PreviewForm(), nullptr);
    EXPECT_FALSE(Report.Timer()->Enabled());
    SetPreviewWindowFactory(std::move(previous));
    // The next preparation starts afresh.
    Rows->SetRangeEndCount(4);
    EXPECT_TRUE(PrepareReport(&Report));
    EXPECT_FALSE(Report.Terminated());
    EXPECT_EQ(PageCount(), 4);
}

// With OldStyleProgress the preparation shows the progress window; its Cancel stops a
// 100,000-row preparation with the pages made so far kept.
TEST_F(RunControl, PreparationProgressWindowCancels) {
    Load(100000);
    Report.SetOldStyleProgress(true);
    QString message;
    Report.OnProgress = [&](TrptReport*, TrptProgressType type, int page) {
        EXPECT_EQ(type, ptRunning);
        if (page == 3) {
            ASSERT_NE(Report.Progress(), nullptr);
            message = Report.Progress()->Message();
            Report.Progress()->CancelB->Click();
        }
    };
    EXPECT_FALSE(PrepareReport(&Report));
    EXPECT_TRUE(Report.Terminated());
    EXPECT_EQ(message, "Preparing page 2");
    EXPECT_GE(PageCount(), 3);
    EXPECT_LT(PageCount(), 100);
    EXPECT_EQ(Report.Progress(), nullptr);
}

TEST_F(RunControl, PrintProgressWindowCancels) {
    Load(5);
    ASSERT_TRUE(PrepareReport(&Report));
    printtest::RecordingPrinter printer;
    TrptCustomPrinter* previous = SetPrintLoopPrinter(&printer);
    QString message;
    int pages = 0;
    Report.OnPrintPage = [&](TrptReportPage*, int) {
        if (++pages == 2) {
            ASSERT_NE(Report.Progress(), nullptr);
            message = Report.Progress()->Message();
            EXPECT_TRUE(Report.Progress()->Visible());
            Report.Progress()->CancelB->Click();
        }
    };
    EXPECT_FALSE(PrintReport(&Report));
    SetPrintLoopPrinter(previous);
    EXPECT_EQ(message, "Printing page 1");
    EXPECT_TRUE(Report.Terminated());
    EXPECT_EQ(Report.Progress(), nullptr);
    EXPECT_TRUE(printer.Log.contains("Abort"));
    EXPECT_FALSE(printer.Log.contains("EndDoc"));
    EXPECT_EQ(pages, 2);
}

class CountingFilter : public TrptCustomExportFilter {
public:
    CountingFilter() : TrptCustomExportFilter(nullptr) { SetShowDialog(false); }
    std::function<void()> OnPage;
    int Pages = 0;
    bool Finished = false;
    bool TerminatedAtFinish = false;
    void ExportObject(TrptComponent*) override {}
    void StartPage(TrptReportPage*, int) override {
        ++Pages;
        if (OnPage) OnPage();
    }
    void Finish() override {
        Finished = true;
        TerminatedAtFinish = Report()->Terminated();
    }
};

TEST_F(RunControl, ExportProgressWindowCancelReturnsFalse) {
    Load(6);
    ASSERT_TRUE(PrepareReport(&Report));
    CountingFilter filter;
    QString message;
    filter.OnPage = [&] {
        if (filter.Pages == 3) {
            ASSERT_NE(Report.Progress(), nullptr);
            message = Report.Progress()->Message();
            Report.Progress()->CancelB->Click();
        }
    };
    EXPECT_FALSE(ExportReport(&Report, &filter));
    EXPECT_EQ(message, "Exporting page 3");
    EXPECT_EQ(filter.Pages, 3);
    EXPECT_TRUE(filter.Finished);
    EXPECT_TRUE(filter.TerminatedAtFinish);
    EXPECT_EQ(Report.Progress(), nullptr);
    // Without cancelling every page goes.
    CountingFilter all;
    EXPECT_TRUE(ExportReport(&Report, &all)) << Report.Errors()->Text().toStdString();
    EXPECT_EQ(all.Pages, 6);
    EXPECT_FALSE(all.TerminatedAtFinish);
}

TEST_F(RunControl, ExportBeforeAnyPreparationExportsNothing) {
    Load(3);
    CountingFilter filter;
    EXPECT_TRUE(ExportReport(&Report, &filter));
    EXPECT_EQ(filter.Pages, 0);
    EXPECT_TRUE(filter.Finished);
}

// With DestroyForms the template is read back after the run, so what the run changed in the
// template objects (here a host event; scripts do the same) is gone again.
TEST_F(RunControl, DestroyFormsRestoresTheTemplate) {
    Load(2);
    Report.OnBeginDoc = [&](TObject*) {
        if (auto* m = dynamic_cast<TrptCustomMemoView*>(Report.FindObject(QStringLiteral("RowMemo"))))
            m->SetText(QStringLiteral("changed"));
    };
    Report.EngineOptions()->SetDestroyForms(true);
    Report.ReportOptions()->SetPassword(QStringLiteral("secret"));
    Report.PrintOptions()->SetSplicingLine(7);
    ASSERT_TRUE(PrepareReport(&Report)) << Report.Errors()->Text().toStdString();
    auto* memo = dynamic_cast<TrptCustomMemoView*>(Report.FindObject(QStringLiteral("RowMemo")));
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->Text().trimmed(), "Row [Line#]");
    EXPECT_EQ(PageCount(), 2);
    EXPECT_EQ(Report.ReportOptions()->Password(), "secret");
    EXPECT_EQ(Report.PrintOptions()->SplicingLine(), 7);
    // Without it the change stays in the template.
    Report.EngineOptions()->SetDestroyForms(false);
    ASSERT_TRUE(PrepareReport(&Report));
    memo = dynamic_cast<TrptCustomMemoView*>(Report.FindObject(QStringLiteral("RowMemo")));
    ASSERT_NE(memo, nullptr);
    EXPECT_EQ(memo->Text().trimmed(), "changed");
}

TEST_F(RunControl, DesignWithoutADesignerClassDoesNothing) {
    Load(1);
    ASSERT_EQ(DesignerClass(), nullptr);
    DesignReport(&Report, true, false);
    EXPECT_EQ(Report.Designer(), nullptr);
    EXPECT_FALSE(DesignPreviewPage(&Report));
}

} // namespace
