#include "report/export/rptExportODFDialog.h"

#include "platform/rtl/SysUtils.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptRes.h"
#include "report/export/rptExportODF.h"
#include "report/export/rptExportUtils.h"

#include "platform/ui/Dialogs.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/StdCtrls.h"

#include <QFileInfo>
#include <QGuiApplication>

KORVEL_CLASS_INFO(TrptODFExportDialog) {}

namespace {

template <class C>
C* Make(TComponent* owner, TWinControl* parent, const char* name, int l, int t, int w, int h) {
    auto* c = new C(owner);
    c->SetName(QString::fromLatin1(name));
    c->SetParent(parent);
    c->SetBounds(l, t, w, h);
    return c;
}

QString Res(const char* key) { return GlobalResources()->Get(QString::fromLatin1(key)); }

} // namespace

TrptODFExportDialog::TrptODFExportDialog(TComponent* AOwner) : TForm(AOwner) {
    RegisterExportResources();
    SetName(QStringLiteral("rptODFExportDialog"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(261);
    SetClientHeight(301);
    Font()->SetName(QStringLiteral("Tahoma"));
    Font()->SetSize(8);
    SetKeyPreview(true);

    GroupPageRange = Make<TGroupBox>(this, this, "GroupPageRange", 4, 4, 253, 129);
    AllRB = Make<TRadioButton>(this, GroupPageRange, "AllRB", 12, 20, 152, 17);
    AllRB->SetChecked(true);
    CurPageRB = Make<TRadioButton>(this, GroupPageRange, "CurPageRB", 12, 40, 152, 17);
    PageNumbersRB = Make<TRadioButton>(this, GroupPageRange, "PageNumbersRB", 12, 60, 77, 17);
    PageNumbersE = Make<TEdit>(this, GroupPageRange, "PageNumbersE", 92, 58, 149, 21);
    DescrL = Make<TLabel>(this, GroupPageRange, "DescrL", 12, 82, 229, 39);
    DescrL->SetAutoSize(false);
    DescrL->SetWordWrap(true);

    GroupQuality = Make<TGroupBox>(this, this, "GroupQuality", 4, 136, 253, 101);
    ContinuousCB = Make<TCheckBox>(this, GroupQuality, "ContinuousCB", 12, 20, 229, 17);
    PageBreaksCB = Make<TCheckBox>(this, GroupQuality, "PageBreaksCB", 12, 38, 229, 17);
    WCB = Make<TCheckBox>(this, GroupQuality, "WCB", 12, 56, 229, 17);
    BackgrCB = Make<TCheckBox>(this, GroupQuality, "BackgrCB", 12, 74, 229, 17);
    OpenCB = Make<TCheckBox>(this, this, "OpenCB", 8, 244, 249, 17);

    OkB = Make<TButton>(this, this, "OkB", 98, 270, 75, 25);
    OkB->SetDefault(true);
    OkB->SetModalResult(mrOk);
    CancelB = Make<TButton>(this, this, "CancelB", 180, 270, 75, 25);
    CancelB->SetCancel(true);
    CancelB->SetModalResult(mrCancel);

    SaveDialog1 = new TSaveDialog(this);
    SaveDialog1->SetName(QStringLiteral("SaveDialog1"));
    SaveDialog1->SetOptions(TOpenOptions{ofHideReadOnly, ofNoChangeDir, ofEnableSizing});

    GroupPageRange->SetCaption(Res("7"));
    AllRB->SetCaption(Res("3"));
    CurPageRB->SetCaption(Res("4"));
    PageNumbersRB->SetCaption(Res("5"));
    DescrL->SetCaption(Res("9"));
    GroupQuality->SetCaption(Res("8"));
    ContinuousCB->SetCaption(Res("8950"));
    PageBreaksCB->SetCaption(Res("6"));
    WCB->SetCaption(Res("8102"));
    BackgrCB->SetCaption(Res("8103"));
    OpenCB->SetCaption(Res("8706"));
    OkB->SetCaption(Res("1"));
    CancelB->SetCaption(Res("2"));

    PageNumbersE->OnChange = [this](TObject* s) { PageNumbersEChange(s); };
    PageNumbersE->OnKeyPress = [this](TObject* s, QChar& k) { PageNumbersEKeyPress(s, k); };
    OnKeyDown = [this](TObject*, Word& Key, TShiftState) {
        if (Key == VK_F1) GlobalResources()->Help(this);
    };
    if (QGuiApplication::isRightToLeft()) MirrorChildControls(this);
}

void TrptODFExportDialog::PageNumbersEChange(TObject*) { PageNumbersRB->SetChecked(true); }

void TrptODFExportDialog::PageNumbersEKeyPress(TObject*, QChar& Key) {
    KeepPageNumberKey(Key);
}

TModalResult RunODFExportDialog(TrptODFExport* Filter) {
    TrptODFExportDialog d(nullptr);
    const bool slave = Filter->SlaveExport();
    d.SaveDialog1->SetDefaultExt(Filter->DefaultExt());
    d.SaveDialog1->SetFilter(Filter->FilterDesc());
    d.SetCaption(Filter->ExportTitle());
    if (slave) {
        d.OpenCB->SetVisible(false);
        Filter->SetOpenAfterExport(false);
    }
    if (Filter->OverwritePrompt()) {
        TOpenOptions o = d.SaveDialog1->Options();
        o.Include(ofOverwritePrompt);
        d.SaveDialog1->SetOptions(o);
    }
    if (!Filter->FileName().isEmpty() || slave)
        d.SaveDialog1->SetFileName(Filter->FileName());
    else if (Filter->Report() && !Filter->Report()->FileName().isEmpty())
        d.SaveDialog1->SetFileName(QFileInfo(Filter->Report()->FileName()).completeBaseName() + Filter->DefaultExt());
    if (!slave && !Filter->DefaultPath().isEmpty()) d.SaveDialog1->SetInitialDir(Filter->DefaultPath());
    d.ContinuousCB->SetChecked(Filter->SingleSheet());
    d.PageBreaksCB->SetChecked(Filter->ExportPageBreaks());
    d.WCB->SetChecked(Filter->Wysiwyg());
    d.OpenCB->SetChecked(Filter->OpenAfterExport());
    d.BackgrCB->SetChecked(Filter->Background());
    if (!Filter->PageNumbers().isEmpty()) {
        d.PageNumbersE->SetText(Filter->PageNumbers());
        d.PageNumbersRB->SetChecked(true);
    }

    TModalResult result = d.ShowModal();
    if (result != mrOk) return result;
    Filter->SetPageNumbers(QString());
    Filter->SetCurPage(false);
    if (d.CurPageRB->Checked())
        Filter->SetCurPage(true);
    else if (d.PageNumbersRB->Checked())
        Filter->SetPageNumbers(d.PageNumbersE->Text());
    Filter->SetExportPageBreaks(d.PageBreaksCB->Checked());
    Filter->SetSingleSheet(d.ContinuousCB->Checked());
    Filter->SetWysiwyg(d.WCB->Checked());
    Filter->SetOpenAfterExport(d.OpenCB->Checked());
    Filter->SetBackground(d.BackgrCB->Checked());
    Filter->SetCreationTime(Now());
    if (!slave) {
        if (d.SaveDialog1->Execute())
            Filter->SetFileName(d.SaveDialog1->FileName());
        else
            result = mrCancel;
    }
    return result;
}
