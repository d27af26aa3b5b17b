#include "report/core/rptDialogComponent.h"

#include "platform/gfx/Canvas.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtti/Filer.h"
#include "platform/ui/ImgList.h"
#include "report/core/rptDsgnIntf.h"
#include "report/core/rptRes.h"

KORVEL_CLASS_INFO(TrptDialogComponent) {
    // A base of datasets and database components.
    b.Factory(nullptr);
}

TrptDialogComponent::TrptDialogComponent(TComponent* AOwner) : TrptReportComponent(AOwner) {
    TrptComponentStyle style = rptComponentStyle();
    style.Exclude(csPreviewVisible);
    SetrptComponentStyle(style);
    SetWidth(28);
    SetHeight(28);
}

TrptDialogComponent::~TrptDialogComponent() = default;

void TrptDialogComponent::SetComponent(std::unique_ptr<TComponent> Value) { FComponent = std::move(Value); }

void TrptDialogComponent::DefineProperties(TFiler* Filer) {
    inherited::DefineProperties(Filer);
    const bool inReport = Report() != nullptr;
    Filer->DefineProperty(
        QStringLiteral("pLeft"), [this](TReader& r) { SetLeft(static_cast<double>(r.ReadInteger())); },
        [this](TWriter& w) { w.WriteInteger(Round(Left())); }, inReport);
    Filer->DefineProperty(
        QStringLiteral("pTop"), [this](TReader& r) { SetTop(static_cast<double>(r.ReadInteger())); },
        [this](TWriter& w) { w.WriteInteger(Round(Top())); }, inReport);
}

void TrptDialogComponent::Draw(TCanvas* Canvas, double, double, double, double) {
    SetWidth(28);
    SetHeight(28);
    const int x = static_cast<int>(Round(Left()));
    const int y = static_cast<int>(Round(Top()));
    TRect r(x, y, x + 28, y + 28);
    Canvas->Brush().SetStyle(bsSolid);
    Canvas->Brush().SetColor(clBtnFace);
    Canvas->FillRect(r);
    // A raised edge: outer and inner bevel, light above and left.
    Canvas->Frame3D(r, cl3DLight, cl3DDkShadow, 1);
    Canvas->Frame3D(r, clBtnHighlight, clBtnShadow, 1);

    // The class's palette picture, when the class is registered.
    TrptObjectCollection* registry = ObjectRegistry();
    for (int i = 0; i < registry->Count(); ++i) {
        TrptObjectItem* item = registry->Items(i);
        if (item->ClassRef() != ClassInfo()) continue;
        if (item->ButtonImageIndex() >= 0)
            GlobalResources()->ObjectImages()->Draw(*Canvas, x + 6, y + 6, item->ButtonImageIndex());
        else if (item->ButtonBmp())
            Canvas->Draw(x + 6, y + 6, *item->ButtonBmp());
        break;
    }

    Canvas->Font().SetName(QStringLiteral("Tahoma"));
    Canvas->Font().SetSize(8);
    Canvas->Font().SetColor(clBlack);
    Canvas->Font().SetStyle({});
    Canvas->Brush().SetColor(clWindow);
    const int textWidth = Canvas->TextWidth(Name());
    Canvas->TextOut(x - (textWidth - 28) / 2, y + 28 + 4, Name());
}
