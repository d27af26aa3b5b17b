#include "report/core/rptDesignerComponent.h"

KORVEL_CLASS_INFO(TrptDesigner) {
    using C = TrptDesigner;
    b.Prop("DefaultScriptLanguage", &C::DefaultScriptLanguage, &C::SetDefaultScriptLanguage);
    b.Prop("DefaultLeftMargin", &C::DefaultLeftMargin, &C::SetDefaultLeftMargin);
    b.Prop("DefaultRightMargin", &C::DefaultRightMargin, &C::SetDefaultRightMargin);
    b.Prop("DefaultTopMargin", &C::DefaultTopMargin, &C::SetDefaultTopMargin);
    b.Prop("DefaultBottomMargin", &C::DefaultBottomMargin, &C::SetDefaultBottomMargin);
    b.Prop("DefaultPaperSize", &C::DefaultPaperSize, &C::SetDefaultPaperSize);
    b.Prop("TemplateExt", &C::TemplateExt, &C::SetTemplateExt);
    b.Prop("RTLLanguage", &C::RTLLanguage, &C::SetRTLLanguage);
    b.Prop("MemoParentFont", &C::MemoParentFont, &C::SetMemoParentFont);
    b.Prop("OpenDir", &C::OpenDir, &C::SetOpenDir);
    b.Prop("SaveDir", &C::SaveDir, &C::SetSaveDir);
}

TrptDesigner::TrptDesigner(TComponent* AOwner) : TComponent(AOwner), FDefaultFont(std::make_unique<TFont>()) {
    FDefaultFont->SetName(QStringLiteral("Arial"));
    FDefaultFont->SetHeight(-13);
    FDefaultFont->SetColor(clWindowText);
}

TrptDesigner::~TrptDesigner() = default;
