#include "report/core/rptPreviewDialogs.h"

#include "report/core/rptClassPage.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptPrinter.h"
#include "report/core/rptRes.h"
#include "report/core/rptUtils.h"

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Picture.h"
#include "platform/rtl/IniFiles.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/StdCtrls.h"

#include <algorithm>

KORVEL_CLASS_INFO(TrptSearchDialog) {}
KORVEL_CLASS_INFO(TrptPageSettingsForm) {}

namespace {

constexpr int CustomPaper = 256;

template <class C>
C* Make(TComponent* owner, TWinControl* parent, const char* name, int l, int t, int w, int h) {
    auto* c = new C(owner);
    c->SetName(QString::fromLatin1(name));
    c->SetParent(parent);
    c->SetBounds(l, t, w, h);
    return c;
}

QString Res(const char* key) {
    return GlobalResources()->Get(QString::fromLatin1(key));
}

// A sheet drawn upright or turned, with a few text lines, for the orientation pictures.
void DrawSheetPicture(TImage* image, bool landscape) {
    auto bmp = std::make_unique<TBitmap>();
    const int w = landscape ? 44 : 32, h = landscape ? 32 : 44;
    bmp->SetWidth(w + 4);
    bmp->SetHeight(h + 4);
    TCanvas* c = &bmp->Canvas();
    c->Brush().SetColor(clBtnFace);
    c->FillRect(TRect(0, 0, w + 4, h + 4));
    c->Brush().SetColor(clWhite);
    c->Pen().SetColor(clBlack);
    c->Rectangle(1, 1, w + 1, h + 1);
    c->Pen().SetColor(clGray);
    for (int y = 7; y < h - 4; y += 5) {
        c->MoveTo(6, y);
        c->LineTo(w - 4, y);
    }
    image->Picture()->SetGraphic(std::move(bmp));
}

} // namespace

QString& rptLastSearchText() {
    static QString text;
    return text;
}

// =============================================================================================
// TrptSearchDialog

TrptSearchDialog::TrptSearchDialog(TComponent* AOwner) : TForm(AOwner) {
    SetName(QStringLiteral("rptSearchDialog"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(330);
    SetClientHeight(160);
    Font()->SetName(QStringLiteral("Tahoma"));
    Font()->SetSize(8);
    SetKeyPreview(true);

    // The replace panel is only shown where replacing makes sense (the designer).
    ReplacePanel = Make<TPanel>(this, this, "ReplacePanel", 0, 44, 330, 40);
    ReplacePanel->SetBevelOuter(bvNone);
    ReplacePanel->SetVisible(false);
    ReplaceL = Make<TLabel>(this, ReplacePanel, "ReplaceL", 8, 0, 300, 13);
    ReplaceE = Make<TEdit>(this, ReplacePanel, "ReplaceE", 8, 16, 314, 21);

    Panel2 = Make<TPanel>(this, this, "Panel2", 0, 0, 330, 44);
    Panel2->SetBevelOuter(bvNone);
    TextL = Make<TLabel>(this, Panel2, "TextL", 8, 4, 300, 13);
    TextE = Make<TEdit>(this, Panel2, "TextE", 8, 20, 314, 21);

    Panel3 = Make<TPanel>(this, this, "Panel3", 0, 44, 330, 116);
    Panel3->SetBevelOuter(bvNone);
    SearchL = Make<TGroupBox>(this, Panel3, "SearchL", 8, 4, 314, 64);
    TopCB = Make<TCheckBox>(this, SearchL, "TopCB", 12, 18, 290, 17);
    CaseCB = Make<TCheckBox>(this, SearchL, "CaseCB", 12, 40, 290, 17);
    OkB = Make<TButton>(this, Panel3, "OkB", 166, 78, 75, 25);
    OkB->SetDefault(true);
    OkB->SetModalResult(mrOk);
    CancelB = Make<TButton>(this, Panel3, "CancelB", 247, 78, 75, 25);
    CancelB->SetCancel(true);
    CancelB->SetModalResult(mrCancel);

    SetCaption(Res("300"));
    TextL->SetCaption(Res("301"));
    SearchL->SetCaption(Res("302"));
    ReplaceL->SetCaption(Res("303"));
    TopCB->SetCaption(Res("304"));
    CaseCB->SetCaption(Res("305"));
    OkB->SetCaption(Res("1"));
    CancelB->SetCaption(Res("2"));

    OnKeyDown = [this](TObject*, Word& Key, TShiftState) {
        if (Key == VK_F1) GlobalResources()->Help(this);
    };
}

void TrptSearchDialog::DoShow() {
    TForm::DoShow();
    TextE->SetText(rptLastSearchText());
}

void TrptSearchDialog::Activate() {
    TForm::Activate();
    if (TextE->CanFocus()) TextE->SetFocus();
    TextE->SelectAll();
}

void TrptSearchDialog::DoHide() {
    TForm::DoHide();
    if (ModalResult() == mrOk) rptLastSearchText() = TextE->Text();
}

// =============================================================================================
// TrptPageSettingsForm

TrptPageSettingsForm::TrptPageSettingsForm(TComponent* AOwner) : TForm(AOwner) {
    SetName(QStringLiteral("rptPageSettingsForm"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(380);
    SetClientHeight(286);
    Font()->SetName(QStringLiteral("Tahoma"));
    Font()->SetSize(8);
    SetKeyPreview(true);

    SizeL = Make<TGroupBox>(this, this, "SizeL", 8, 4, 364, 80);
    SizeCB = Make<TComboBox>(this, SizeL, "SizeCB", 12, 20, 340, 21);
    SizeCB->SetStyle(csDropDownList);
    SizeCB->SetDropDownCount(12);
    WidthL = Make<TLabel>(this, SizeL, "WidthL", 12, 52, 40, 13);
    WidthE = Make<TEdit>(this, SizeL, "WidthE", 56, 48, 60, 21);
    UnitL1 = Make<TLabel>(this, SizeL, "UnitL1", 120, 52, 30, 13);
    HeightL = Make<TLabel>(this, SizeL, "HeightL", 190, 52, 40, 13);
    HeightE = Make<TEdit>(this, SizeL, "HeightE", 234, 48, 60, 21);
    UnitL2 = Make<TLabel>(this, SizeL, "UnitL2", 298, 52, 30, 13);

    OrientationL = Make<TGroupBox>(this, this, "OrientationL", 8, 88, 176, 108);
    PortraitImg = Make<TImage>(this, OrientationL, "PortraitImg", 120, 30, 48, 48);
    LandscapeImg = Make<TImage>(this, OrientationL, "LandscapeImg", 120, 30, 48, 48);
    DrawSheetPicture(PortraitImg, false);
    DrawSheetPicture(LandscapeImg, true);
    PortraitRB = Make<TRadioButton>(this, OrientationL, "PortraitRB", 12, 30, 100, 17);
    LandscapeRB = Make<TRadioButton>(this, OrientationL, "LandscapeRB", 12, 58, 100, 17);

    MarginsL = Make<TGroupBox>(this, this, "MarginsL", 192, 88, 180, 108);
    LeftL = Make<TLabel>(this, MarginsL, "LeftL", 12, 24, 50, 13);
    MarginLeftE = Make<TEdit>(this, MarginsL, "MarginLeftE", 70, 20, 60, 21);
    UnitL3 = Make<TLabel>(this, MarginsL, "UnitL3", 134, 24, 30, 13);
    TopL = Make<TLabel>(this, MarginsL, "TopL", 12, 44, 50, 13);
    MarginTopE = Make<TEdit>(this, MarginsL, "MarginTopE", 70, 40, 60, 21);
    UnitL4 = Make<TLabel>(this, MarginsL, "UnitL4", 134, 44, 30, 13);
    RightL = Make<TLabel>(this, MarginsL, "RightL", 12, 64, 50, 13);
    MarginRightE = Make<TEdit>(this, MarginsL, "MarginRightE", 70, 60, 60, 21);
    UnitL5 = Make<TLabel>(this, MarginsL, "UnitL5", 134, 64, 30, 13);
    BottomL = Make<TLabel>(this, MarginsL, "BottomL", 12, 84, 50, 13);
    MarginBottomE = Make<TEdit>(this, MarginsL, "MarginBottomE", 70, 80, 60, 21);
    UnitL6 = Make<TLabel>(this, MarginsL, "UnitL6", 134, 84, 30, 13);

    OtherL = Make<TGroupBox>(this, this, "OtherL", 8, 200, 364, 48);
    ApplyToCurRB = Make<TRadioButton>(this, OtherL, "ApplyToCurRB", 12, 20, 170, 17);
    ApplyToAllRB = Make<TRadioButton>(this, OtherL, "ApplyToAllRB", 186, 20, 170, 17);
    ApplyToCurRB->SetChecked(true);

    OKB = Make<TButton>(this, this, "OKB", 216, 254, 75, 25);
    OKB->SetDefault(true);
    OKB->SetModalResult(mrOk);
    CancelB = Make<TButton>(this, this, "CancelB", 297, 254, 75, 25);
    CancelB->SetCancel(true);
    CancelB->SetModalResult(mrCancel);

    PortraitRB->OnClick = [this](TObject* s) { PortraitRBClick(s); };
    LandscapeRB->OnClick = [this](TObject* s) { PortraitRBClick(s); };
    SizeCB->OnSelect = [this](TObject* s) { SizeCBClick(s); };
    WidthE->OnChange = [this](TObject* s) { WidthEChange(s); };
    HeightE->OnChange = [this](TObject* s) { WidthEChange(s); };
    OnKeyDown = [this](TObject*, Word& Key, TShiftState) {
        if (Key == VK_F1) GlobalResources()->Help(this);
    };
}

bool TrptPageSettingsForm::NeedRebuild() const {
    return ApplyToAllRB->Checked();
}

double TrptPageSettingsForm::ToUnits(double MM) const {
    return FUnits == duInches ? MM / 25.4 : MM / 10;
}

double TrptPageSettingsForm::FromUnits(double Value) const {
    return FUnits == duInches ? Value * 25.4 : Value * 10;
}

QString TrptPageSettingsForm::UnitText(double MM) const {
    return FloatToReportStr(ToUnits(MM));
}

// A field that does not hold a number keeps the value it stands for.
double TrptPageSettingsForm::EditMM(TEdit* Edit, double Fallback) const {
    const QString t = Edit->Text().trimmed();
    if (t.isEmpty() || !IsValidReportFloat(t)) return Fallback;
    return FromUnits(ReportStrToFloat(t));
}

void TrptPageSettingsForm::DoShow() {
    TForm::DoShow();
    FUpdating = true;
    FUnits = duCM;
    if (FReport) {
        const std::unique_ptr<TCustomIniFile> ini = FReport->GetIniFile();
        if (ini) {
            const int u =
                ini->ReadInteger(QStringLiteral("Form.TrptDesignerForm"), QStringLiteral("Units"), 0);
            if (u >= duCM && u <= duChars) FUnits = static_cast<TrptDesignerUnits>(u);
        }
    }
    SetCaption(Res("400"));
    WidthL->SetCaption(Res("401"));
    HeightL->SetCaption(Res("402"));
    SizeL->SetCaption(Res("403"));
    OrientationL->SetCaption(Res("404"));
    LeftL->SetCaption(Res("405"));
    TopL->SetCaption(Res("406"));
    RightL->SetCaption(Res("407"));
    BottomL->SetCaption(Res("408"));
    MarginsL->SetCaption(Res("409"));
    PortraitRB->SetCaption(Res("410"));
    LandscapeRB->SetCaption(Res("411"));
    OtherL->SetCaption(Res("412"));
    ApplyToCurRB->SetCaption(Res("413"));
    ApplyToAllRB->SetCaption(Res("414"));
    OKB->SetCaption(Res("1"));
    CancelB->SetCaption(Res("2"));
    const QString unit = Res(FUnits == duInches ? "uInch" : "uCm");
    for (TLabel* l : {UnitL1, UnitL2, UnitL3, UnitL4, UnitL5, UnitL6})
        l->SetCaption(unit);

    TrptCustomPrinter* printer = GlobalPrinters()->Printer();
    SizeCB->Items()->Clear();
    if (printer) {
        for (const QString& name : printer->PaperNames())
            SizeCB->Items()->Add(name);
        if (FPage) {
            int i = printer->PaperIndex(FPage->PaperSize());
            if (i < 0) i = printer->PaperIndex(CustomPaper);
            SizeCB->SetItemIndex(i);
        }
    }
    if (FPage) {
        WidthE->SetText(UnitText(FPage->PaperWidth()));
        HeightE->SetText(UnitText(FPage->PaperHeight()));
        PortraitRB->SetChecked(FPage->Orientation() == poPortrait);
        LandscapeRB->SetChecked(FPage->Orientation() != poPortrait);
        MarginLeftE->SetText(UnitText(FPage->LeftMargin()));
        MarginTopE->SetText(UnitText(FPage->TopMargin()));
        MarginRightE->SetText(UnitText(FPage->RightMargin()));
        MarginBottomE->SetText(UnitText(FPage->BottomMargin()));
    }
    PortraitRBClick(nullptr);
    FUpdating = false;
}

void TrptPageSettingsForm::PortraitRBClick(TObject*) {
    PortraitImg->SetVisible(PortraitRB->Checked());
    LandscapeImg->SetVisible(LandscapeRB->Checked());
    SizeCBClick(nullptr);
}

void TrptPageSettingsForm::SizeCBClick(TObject*) {
    if (FUpdating) return;
    TrptCustomPrinter* printer = GlobalPrinters()->Printer();
    if (!printer) return;
    FUpdating = true;
    const int paper = printer->PaperNameToNumber(SizeCB->Text());
    const double w = EditMM(WidthE, FPage ? FPage->PaperWidth() : printer->PaperWidth());
    const double h = EditMM(HeightE, FPage ? FPage->PaperHeight() : printer->PaperHeight());
    const TPrinterOrientation orientation = PortraitRB->Checked() ? poPortrait : poLandscape;
    if (paper == CustomPaper)
        printer->SetViewParams(CustomPaper, h, w, orientation); // a custom sheet turns with the buttons
    else
        printer->SetViewParams(paper, w, h, orientation);
    WidthE->SetText(UnitText(printer->PaperWidth()));
    HeightE->SetText(UnitText(printer->PaperHeight()));
    FUpdating = false;
}

void TrptPageSettingsForm::WidthEChange(TObject*) {
    if (!FUpdating && SizeCB->Items()->Count() > 0) SizeCB->SetItemIndex(0);
}

void TrptPageSettingsForm::DoHide() {
    TForm::DoHide();
    if (ModalResult() != mrOk || !FPage) return;
    FPage->SetOrientation(PortraitRB->Checked() ? poPortrait : poLandscape);
    FPage->SetPaperWidth(EditMM(WidthE, FPage->PaperWidth()));
    FPage->SetPaperHeight(EditMM(HeightE, FPage->PaperHeight()));
    if (TrptCustomPrinter* printer = GlobalPrinters()->Printer())
        FPage->SetPaperSize(printer->PaperNameToNumber(SizeCB->Text()));
    FPage->SetLeftMargin(EditMM(MarginLeftE, FPage->LeftMargin()));
    FPage->SetRightMargin(EditMM(MarginRightE, FPage->RightMargin()));
    FPage->SetTopMargin(EditMM(MarginTopE, FPage->TopMargin()));
    FPage->SetBottomMargin(EditMM(MarginBottomE, FPage->BottomMargin()));
    FPage->AlignChildren();
}
