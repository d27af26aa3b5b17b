// Opening the designer from the report once a designer class is registered: modal runs show the
// window and leave no designer behind; a second call while one is open does nothing; the
// prepared-page designer reports whether the page was modified.

#include "report/core/rptClassBases.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptRunControl.h"

#include "platform/ui/UIServices.h"

#include <gtest/gtest.h>

namespace {

void FailOnQuestion(const QString& question) {
    ADD_FAILURE() << "unexpected: " << question.toStdString();
}

class TRunTestDesigner : public TrptCustomDesigner {
    KORVEL_CLASS(TRunTestDesigner, TrptCustomDesigner)
public:
    explicit TRunTestDesigner(TComponent* AOwner) : TrptCustomDesigner(AOwner) {
        SetName(QStringLiteral("Designer"));
        PreviewDesigner = IsPreviewDesigner();
    }
    bool PreviewDesigner = false;
};

} // namespace

KORVEL_CLASS_INFO(TRunTestDesigner) {}

namespace {

class Designing : public ::testing::Test {
protected:
    void SetUp() override {
        FBefore = DesignerClass();
        SetDesignerClass(TRunTestDesigner::StaticClassInfo());
        Report.EngineOptions()->SetNewSilentMode(simSilent);
    }
    void TearDown() override { SetDesignerClass(FBefore); }

    TrptReport Report;
    TUIServicesScope UI{FailOnQuestion};

private:
    const TClassInfo* FBefore = nullptr;
};

TEST_F(Designing, ModalDesignerShowsAndGoes) {
    Report.SetModified(true);
    bool sawReport = false;
    int nested = 0;
    UI->AnswerModal(QStringLiteral("Designer"), [&](TCustomForm* form) {
        auto* d = dynamic_cast<TRunTestDesigner*>(form);
        EXPECT_NE(d, nullptr);
        sawReport = d && d->Report() == &Report && Report.Designer() == d && !d->PreviewDesigner;
        // The report was marked unmodified before the designer opened.
        EXPECT_FALSE(Report.Modified());
        // A second call while it is open does nothing (no second window is asked for).
        DesignReport(&Report, true, false);
        ++nested;
        return mrOk;
    });
    DesignReport(&Report, true, false);
    UI->Verify();
    EXPECT_TRUE(sawReport);
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(Report.Designer(), nullptr);
}

TEST_F(Designing, PreviewPageDesignerReportsModified) {
    UI->AnswerModal(QStringLiteral("Designer"), [&](TCustomForm* form) {
        auto* d = dynamic_cast<TRunTestDesigner*>(form);
        EXPECT_TRUE(d && d->PreviewDesigner);
        if (d) d->SetModified(true);
        return mrOk;
    });
    EXPECT_TRUE(DesignPreviewPage(&Report));
    UI->Verify();
    EXPECT_EQ(Report.Designer(), nullptr);
}

} // namespace
