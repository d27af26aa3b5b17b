#include "BasesTestClasses.h"

#include "report/core/rptClassOptions.h"

#include <map>

std::unique_ptr<TrptReport> NewQuietReport() {
    RegisterReportClasses();
    auto r = std::make_unique<TrptReport>();
    r->EngineOptions()->SetNewSilentMode(simSilent);
    return r;
}

KORVEL_CLASS_INFO(TTestView) {
    b.Prop("Color", &TTestView::Color, &TTestView::SetColor).Type("TColor").Default(clNone);
}
KORVEL_CLASS_INFO(TTestCustomMemoView) {}
KORVEL_CLASS_INFO(TTestMemoView) {}
KORVEL_CLASS_INFO(TTestPictureView) {}
KORVEL_CLASS_INFO(TTestBand) {}
KORVEL_CLASS_INFO(TTestDialogButton) {}

const TClassInfo* TTestDialogControl::StaticClassInfo() {
    static const TClassInfo* info = TClassBuilder<TTestDialogControl>::Build(
        QStringLiteral("TrptDialogControl"), TrptReportComponent::StaticClassInfo(),
        [](TClassBuilder<TTestDialogControl>&) {});
    return info;
}

namespace {
class TTestEditorObject : public TObject {};
} // namespace

const TClassInfo* TestEditorClass(int N) {
    static std::map<int, const TClassInfo*> made;
    auto it = made.find(N);
    if (it != made.end()) return it->second;
    const TClassInfo* info = TClassBuilder<TTestEditorObject>::Build(
        QStringLiteral("TTestEditor%1").arg(N), TObject::StaticClassInfo(),
        [](TClassBuilder<TTestEditorObject>&) {});
    made[N] = info;
    return info;
}

KORVEL_CLASS_INFO(TTestExportFilter) {}
KORVEL_CLASS_INFO(TTestBareFilter) {}
KORVEL_CLASS_INFO(TTestMasterFilter) {}

TTestMasterFilter::TTestMasterFilter(TComponent* AOwner) : TrptCustomExportFilter(AOwner) {
    Slave = TrptCustomExportFilter::CreateNoRegister<TTestBareFilter>();
    Slave->SetSlaveExport(true);
    Sibling = std::make_unique<TTestBareFilter>(nullptr);
}

KORVEL_CLASS_INFO(TTestDesigner) {}

TTestDesigner::TTestDesigner(TComponent* AOwner) : TrptCustomDesigner(AOwner) {
    ReportSeenByConstructor = Report();
    PreviewFlagSeenByConstructor = IsPreviewDesigner();
}

KORVEL_CLASS_INFO(TTestWizard) {}
KORVEL_CLASS_INFO(TTestCompressor) {}
KORVEL_CLASS_INFO(TTestOtherCompressor) {}
KORVEL_CLASS_INFO(TTestCrypter) {}
