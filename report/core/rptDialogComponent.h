#pragma once
// A non-visual component of a report (a dataset, a database connection) that sits on a data page
// or a dialog page. The designer shows it as a 28 x 28 icon with its name underneath; prepared
// pages never show it.

#include "report/core/rptClassComponent.h"

class TrptDialogComponent : public TrptReportComponent {
    KORVEL_CLASS(TrptDialogComponent, TrptReportComponent)
public:
    explicit TrptDialogComponent(TComponent* AOwner = nullptr);
    ~TrptDialogComponent() override;

    // The wrapped component, owned.
    TComponent* Component() const { return FComponent.get(); }
    void SetComponent(std::unique_ptr<TComponent> Value);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value) { FImageIndex = Value; }

    // The icon at the object's own rounded Left and Top (scale and offset do not apply): a raised
    // square with the class's palette picture (object registry) and the name centred under it.
    void Draw(TCanvas* Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;

protected:
    // "pLeft" and "pTop": the position as whole numbers, written only inside a report.
    void DefineProperties(TFiler* Filer) override;

private:
    std::unique_ptr<TComponent> FComponent;
    int FImageIndex = 0;
};
