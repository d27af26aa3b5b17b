#include "ReportTestClasses.h"

#include "platform/rtl/Streams.h"
#include "report/core/rptClassOptions.h"

#include <mutex>

// ---------------------------------------------------------------------------------------------

KORVEL_CLASS_INFO(TTestFrame) {
    b.Prop("Typ", &TTestFrame::Typ, &TTestFrame::SetTyp).Default(TTestFrameTypes{});
    b.Prop("Color", &TTestFrame::Color, &TTestFrame::SetColor).Type("TColor").Default(clBlack);
    b.Prop("Width", &TTestFrame::Width, &TTestFrame::SetWidth);
}

void TTestFrame::Assign(const TPersistent* Source) {
    if (auto* f = dynamic_cast<const TTestFrame*>(Source)) {
        FTyp = f->FTyp;
        FColor = f->FColor;
        FWidth = f->FWidth;
        return;
    }
    TPersistent::Assign(Source);
}

// ---------------------------------------------------------------------------------------------

KORVEL_CLASS_INFO(TTestPage) {
    using C = TrptComponent;
    b.Prop("Font", &C::Font, &C::SetFont).Stored(&C::IsFontStored);
    b.Prop("Height", &C::Height, &C::SetHeight);
    b.Prop("Left", &C::Left, &C::SetLeft);
    b.Prop("ParentFont", &C::ParentFont, &C::SetParentFont).Default(true);
    b.Prop("Top", &C::Top, &C::SetTop);
    b.Prop("Visible", &C::Visible, &C::SetVisible).Default(true);
    b.Prop("Width", &C::Width, &C::SetWidth);
}

TTestPage::TTestPage(TComponent* AOwner) : TrptComponent(AOwner) {
    SetrptComponentStyle(rptComponentStyle() + csContainer);
}

// ---------------------------------------------------------------------------------------------

KORVEL_CLASS_INFO(TTestBand) {
    using C = TTestBand;
    b.Prop("Child", &C::Child, &C::SetChild);
    b.Prop("DataSet", &C::DataSet, &C::SetDataSet);
    b.Prop("DataSetName", &C::DataSetName, &C::SetDataSetName);
    b.Prop("Font", &C::Font, &C::SetFont).Stored(&C::IsFontStored);
    b.Prop("Height", &C::Height, &C::SetHeight);
    b.Prop("Left", &C::Left, &C::SetLeft);
    b.Prop("OnBeforePrint", &C::OnBeforePrint, &C::SetOnBeforePrint).Type("TrptNotifyEvent");
    b.Prop("ParentFont", &C::ParentFont, &C::SetParentFont).Default(true);
    b.Prop("Stretched", &C::Stretched, &C::SetStretched).Default(false);
    b.Prop("Top", &C::Top, &C::SetTop);
    b.Prop("Visible", &C::Visible, &C::SetVisible).Default(true);
    b.Prop("Width", &C::Width, &C::SetWidth);
}

TTestBand::TTestBand(TComponent* AOwner) : TrptReportComponent(AOwner) {}

void TTestBand::SetDataSet(TrptDataSet* v) {
    FDataSet = v;
    FDataSetName = v ? v->UserName() : QString();
}

QString TTestBand::DataSetName() const {
    return FDataSet ? FDataSet->UserName() : FDataSetName;
}

void TTestBand::SetDataSetName(const QString& v) {
    FDataSetName = v;
    FDataSet = FindDataSet(FDataSet, v);
}

void TTestBand::Notification(TComponent* AComponent, TOperation Operation) {
    TrptReportComponent::Notification(AComponent, Operation);
    if (Operation != opRemove) return;
    if (AComponent == FDataSet) FDataSet = nullptr;
    if (AComponent == FChild) FChild = nullptr;
}

// ---------------------------------------------------------------------------------------------

KORVEL_CLASS_INFO(TTestMemo) {
    using C = TTestMemo;
    b.Prop("Align", &C::Align, &C::SetAlign).Default(baNone);
    b.Prop("AutoWidth", &C::AutoWidth, &C::SetAutoWidth).Default(false);
    b.Prop("BigNumber", &C::BigNumber, &C::SetBigNumber).Default(0);
    b.Prop("Font", &C::Font, &C::SetFont).Stored(&C::IsFontStored);
    b.Prop("Frame", &C::Frame, &C::SetFrame);
    b.Prop("GroupIndex", &C::GroupIndex, &C::SetGroupIndex).Default(0);
    b.Prop("HAlign", &C::HAlign, &C::SetHAlign).Default(haLeft);
    b.Prop("Height", &C::Height, &C::SetHeight);
    b.Prop("Highlight", &C::Highlight, &C::SetHighlight);
    b.Prop("Hint", &C::Hint, &C::SetHint);
    b.Prop("Left", &C::Left, &C::SetLeft);
    b.Prop("Master", &C::Master, &C::SetMaster);
    b.Prop("OnBeforePrint", &C::OnBeforePrint, &C::SetOnBeforePrint).Type("TrptNotifyEvent");
    b.Prop("ParentFont", &C::ParentFont, &C::SetParentFont).Default(true);
    b.Prop("ReadOnlyCount", &C::ReadOnlyCount);
    b.Prop("Restrictions", &C::Restrictions, &C::SetRestrictions).Default(TrptRestrictions{});
    b.Prop("Rotation", &C::Rotation, &C::SetRotation).Default(0);
    b.Prop("Separator", &C::Separator, &C::SetSeparator).Default(QLatin1Char(';'));
    b.Prop("TagStr", &C::TagStr, &C::SetTagStr);
    b.Prop("Top", &C::Top, &C::SetTop);
    b.Prop("Visible", &C::Visible, &C::SetVisible).Default(true);
    b.Prop("Width", &C::Width, &C::SetWidth);
}

TTestMemo::TTestMemo(TComponent* AOwner) : TrptReportComponent(AOwner) {}

void TTestMemo::DefineProperties(TFiler* Filer) {
    TrptReportComponent::DefineProperties(Filer);
    Filer->DefineBinaryProperty(
        QStringLiteral("Data"), [this](const QByteArray& d) { FData = d; }, [this] { return FData; },
        !FData.isEmpty());
}

void TTestMemo::Notification(TComponent* AComponent, TOperation Operation) {
    TrptReportComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FMaster) FMaster = nullptr;
}

// ---------------------------------------------------------------------------------------------

namespace {

// Stands in for the data page until the page classes are built: registered under the data
// page's class name, which is what the report's data page rule looks for.
class TTestDataPage : public TrptComponent {
public:
    explicit TTestDataPage(TComponent* AOwner = nullptr) : TrptComponent(AOwner) {}
};

void RegisterDataPageStandIn() {
    if (GetClass("TrptDataPage")) return;
    const TClassInfo* info = TClassBuilder<TTestDataPage>::Build(
        "TrptDataPage", TrptComponent::StaticClassInfo(), [](TClassBuilder<TTestDataPage>& b) {
            using C = TrptComponent;
            b.Prop("Height", &C::Height, &C::SetHeight);
            b.Prop("Left", &C::Left, &C::SetLeft);
            b.Prop("Top", &C::Top, &C::SetTop);
            b.Prop("Width", &C::Width, &C::SetWidth);
        });
    RegisterClassType(typeid(TTestDataPage), info);
    RegisterClass(info);
}

} // namespace

void RegisterTestReportClasses() {
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterReportClasses();
        RegisterDataPageStandIn();
        RegisterClasses({TTestPage::StaticClassInfo(), TTestBand::StaticClassInfo(), TTestMemo::StaticClassInfo(),
                         TTestFrame::StaticClassInfo()});
    });
}

QByteArray SaveReport(TrptReport& report) {
    TMemoryStream ms;
    report.SaveToStream(ms);
    return ms.Bytes();
}

void LoadReport(TrptReport& report, const QByteArray& text) {
    TBytesStream ms(text);
    report.LoadFromStream(ms);
}

std::unique_ptr<TrptReport> NewQuietReport() {
    RegisterTestReportClasses();
    auto r = std::make_unique<TrptReport>();
    r->EngineOptions()->SetNewSilentMode(simSilent);
    return r;
}

std::unique_ptr<TrptReport> NewReport() {
    RegisterTestReportClasses();
    return std::make_unique<TrptReport>();
}
