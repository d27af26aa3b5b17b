#pragma once
// The preview's two modal windows: the find dialog, which remembers the last confirmed text for
// as long as the program runs, and the page-settings dialog, which edits a report page's paper,
// orientation and margins in the designer's unit through the current printer's paper list.

#include "platform/ui/Forms.h"

class TButton;
class TCheckBox;
class TComboBox;
class TEdit;
class TGroupBox;
class TImage;
class TLabel;
class TPanel;
class TRadioButton;
class TrptReport;
class TrptReportPage;

// The text confirmed last in the find dialog; empty at start.
QString& rptLastSearchText();

class TrptSearchDialog : public TForm {
    KORVEL_CLASS(TrptSearchDialog, TForm)
public:
    explicit TrptSearchDialog(TComponent* AOwner);

    TPanel* ReplacePanel = nullptr;
    TLabel* ReplaceL = nullptr;
    TEdit* ReplaceE = nullptr;
    TPanel* Panel2 = nullptr;
    TLabel* TextL = nullptr;
    TEdit* TextE = nullptr;
    TPanel* Panel3 = nullptr;
    TButton* OkB = nullptr;
    TButton* CancelB = nullptr;
    TGroupBox* SearchL = nullptr;
    TCheckBox* CaseCB = nullptr;
    TCheckBox* TopCB = nullptr;

protected:
    void DoShow() override;
    void DoHide() override;
    void Activate() override;
};

enum TrptDesignerUnits { duCM, duInches, duPixels, duChars };

class TrptPageSettingsForm : public TForm {
    KORVEL_CLASS(TrptPageSettingsForm, TForm)
public:
    explicit TrptPageSettingsForm(TComponent* AOwner);

    TButton* OKB = nullptr;
    TButton* CancelB = nullptr;
    TGroupBox* SizeL = nullptr;
    TLabel* WidthL = nullptr;
    TLabel* HeightL = nullptr;
    TLabel* UnitL1 = nullptr;
    TLabel* UnitL2 = nullptr;
    TEdit* WidthE = nullptr;
    TEdit* HeightE = nullptr;
    TComboBox* SizeCB = nullptr;
    TGroupBox* OrientationL = nullptr;
    TImage* PortraitImg = nullptr;
    TImage* LandscapeImg = nullptr;
    TRadioButton* PortraitRB = nullptr;
    TRadioButton* LandscapeRB = nullptr;
    TGroupBox* MarginsL = nullptr;
    TLabel* LeftL = nullptr;
    TLabel* TopL = nullptr;
    TLabel* RightL = nullptr;
    TLabel* BottomL = nullptr;
    TLabel* UnitL3 = nullptr;
    TLabel* UnitL4 = nullptr;
    TLabel* UnitL5 = nullptr;
    TLabel* UnitL6 = nullptr;
    TEdit* MarginLeftE = nullptr;
    TEdit* MarginTopE = nullptr;
    TEdit* MarginRightE = nullptr;
    TEdit* MarginBottomE = nullptr;
    TGroupBox* OtherL = nullptr;
    TRadioButton* ApplyToCurRB = nullptr;
    TRadioButton* ApplyToAllRB = nullptr;

    TrptReportPage* Page() const { return FPage; }
    void SetPage(TrptReportPage* Value) { FPage = Value; }
    TrptReport* Report() const { return FReport; }
    void SetReport(TrptReport* Value) { FReport = Value; }
    TrptDesignerUnits Units() const { return FUnits; }
    bool NeedRebuild() const;

    void PortraitRBClick(TObject* Sender);
    void SizeCBClick(TObject* Sender);
    void WidthEChange(TObject* Sender);

    // Millimetres to the dialog's unit and back.
    double ToUnits(double MM) const;
    double FromUnits(double Value) const;

protected:
    void DoShow() override;
    void DoHide() override;

private:
    QString UnitText(double MM) const;
    double EditMM(TEdit* Edit, double Fallback) const;

    TrptReportPage* FPage = nullptr;
    TrptReport* FReport = nullptr;
    TrptDesignerUnits FUnits = duCM;
    bool FUpdating = false;
};
