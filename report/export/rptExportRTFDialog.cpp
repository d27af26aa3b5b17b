// The RTF export's option window and the filter's ShowModal.
#include "report/export/rptExportRTF.h"

#include "report/core/rptClassReport.h"
#include "report/core/rptRes.h"
#include "report/export/rptExportUtils.h"

#include "platform/rtl/StringList.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/StdCtrls.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

KORVEL_CLASS_INFO(TrptRTFExportDialog) {}

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

TrptRTFExportDialog::TrptRTFExportDialog(TComponent* AOwner) : TForm(AOwner) {
    RegisterExportResources();
    SetName(QStringLiteral("rptRTFExportDialog"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(261);
    SetClientHeight(334);
    Font()->SetName(QStringLiteral("Tahoma"));
    Font()->SetSize(8);
    SetKeyPreview(true);

    GroupPageRange = Make<TGroupBox>(this, this, "GroupPageRange", 4, 4, 253, 133);
    AllRB = Make<TRadioButton>(this, GroupPageRange, "AllRB", 12, 20, 153, 17);
    AllRB->SetChecked(true);
    CurPageRB = Make<TRadioButton>(this, GroupPageRange, "CurPageRB", 12, 40, 153, 17);
    PageNumbersRB = Make<TRadioButton>(this, GroupPageRange, "PageNumbersRB", 12, 62, 77, 17);
    PageNumbersE = Make<TEdit>(this, GroupPageRange, "PageNumbersE", 92, 60, 149, 21);
    DescrL = Make<TLabel>(this, GroupPageRange, "DescrL", 12, 86, 233, 41);
    DescrL->SetAutoSize(false);
    DescrL->SetWordWrap(true);

    GroupQuality = Make<TGroupBox>(this, this, "GroupQuality", 4, 140, 253, 130);
    PicturesCB = Make<TCheckBox>(this, GroupQuality, "PicturesCB", 12, 20, 113, 17);
    WCB = Make<TCheckBox>(this, GroupQuality, "WCB", 132, 20, 113, 17);
    PageBreaksCB = Make<TCheckBox>(this, GroupQuality, "PageBreaksCB", 12, 42, 113, 17);
    ContinuousCB = Make<TCheckBox>(this, GroupQuality, "ContinuousCB", 132, 42, 113, 17);
    PColontitulL = Make<TLabel>(this, GroupQuality, "PColontitulL", 12, 70, 233, 13);
    PColontitulCB = Make<TComboBox>(this, GroupQuality, "PColontitulCB", 12, 88, 233, 21);
    // Read-only: the mode is one of the three items.
    PColontitulCB->SetStyle(csDropDownList);

    OpenCB = Make<TCheckBox>(this, this, "OpenCB", 8, 278, 245, 17);
    OkB = Make<TButton>(this, this, "OkB", 101, 302, 75, 25);
    OkB->SetDefault(true);
    OkB->SetModalResult(mrOk);
    CancelB = Make<TButton>(this, this, "CancelB", 182, 302, 75, 25);
    CancelB->SetCancel(true);
    CancelB->SetModalResult(mrCancel);

    SaveDialog1 = new TSaveDialog(this);
    SaveDialog1->SetName(QStringLiteral("SaveDialog1"));
    SaveDialog1->SetOptions(TOpenOptions{ofHideReadOnly, ofNoChangeDir, ofEnableSizing});

    SetCaption(Res("8500"));
    GroupPageRange->SetCaption(Res("7"));
    AllRB->SetCaption(Res("3"));
    CurPageRB->SetCaption(Res("4"));
    PageNumbersRB->SetCaption(Res("5"));
    DescrL->SetCaption(Res("9"));
    GroupQuality->SetCaption(Res("8"));
    PicturesCB->SetCaption(Res("8501"));
    WCB->SetCaption(Res("8502"));
    PageBreaksCB->SetCaption(Res("6"));
    ContinuousCB->SetCaption(Res("8950"));
    PColontitulL->SetCaption(Res("8951"));
    PColontitulCB->Items()->Clear();
    PColontitulCB->Items()->Add(Res("8952"));
    PColontitulCB->Items()->Add(Res("8953"));
    PColontitulCB->Items()->Add(Res("8954"));
    PColontitulCB->SetItemIndex(0);
    OpenCB->SetCaption(Res("8503"));
    OkB->SetCaption(Res("1"));
    CancelB->SetCaption(Res("2"));
    SaveDialog1->SetFilter(Res("8504"));
    SaveDialog1->SetDefaultExt(Res("8505"));

    PageNumbersE->OnChange = [this](TObject* s) { PageNumbersEChange(s); };
    PageNumbersE->OnKeyPress = [this](TObject* s, QChar& k) { PageNumbersEKeyPress(s, k); };
    OnKeyDown = [this](TObject*, Word& Key, TShiftState) {
        if (Key == VK_F1) GlobalResources()->Help(this);
    };
    if (QGuiApplication::isRightToLeft()) MirrorChildControls(this);
}

void TrptRTFExportDialog::PageNumbersEChange(TObject*) { PageNumbersRB->SetChecked(true); }

void TrptRTFExportDialog::PageNumbersEKeyPress(TObject*, QChar& Key) {
    KeepPageNumberKey(Key);
}

TModalResult TrptRTFExport::ShowModal() {
    if (Stream()) return mrOk;
    TrptRTFExportDialog d(nullptr);
    const bool slave = SlaveExport();
    if (slave) {
        d.OpenCB->SetVisible(false);
        SetOpenAfterExport(false);
    }
    if (OverwritePrompt()) {
        TOpenOptions o = d.SaveDialog1->Options();
        o.Include(ofOverwritePrompt);
        d.SaveDialog1->SetOptions(o);
    }
    if (!FileName().isEmpty() || slave)
        d.SaveDialog1->SetFileName(FileName());
    else if (Report() && !Report()->FileName().isEmpty())
        d.SaveDialog1->SetFileName(QFileInfo(QDir::fromNativeSeparators(Report()->FileName())).completeBaseName() +
                                   d.SaveDialog1->DefaultExt());
    d.ContinuousCB->SetChecked(SuppressPageHeadersFooters());
    d.PicturesCB->SetChecked(FExportPictures);
    d.PageBreaksCB->SetChecked(FExportPageBreaks);
    d.WCB->SetChecked(FWysiwyg);
    d.OpenCB->SetChecked(FOpenAfterExport);
    if (!PageNumbers().isEmpty()) {
        d.PageNumbersE->SetText(PageNumbers());
        d.PageNumbersRB->SetChecked(true);
    }
    d.PColontitulCB->SetItemIndex(static_cast<int>(FHeaderFooterMode));

    TModalResult result = d.ShowModal();
    if (result != mrOk) return result;
    const int item = d.PColontitulCB->ItemIndex();
    FHeaderFooterMode = item == 0 ? hfText : item == 1 ? hfPrint : hfNone;
    SetPageNumbers(QString());
    SetCurPage(false);
    if (d.CurPageRB->Checked())
        SetCurPage(true);
    else if (d.PageNumbersRB->Checked())
        SetPageNumbers(d.PageNumbersE->Text());
    SetSuppressPageHeadersFooters(d.ContinuousCB->Checked() || FHeaderFooterMode == hfPrint);
    FExportPictures = d.PicturesCB->Checked();
    FExportPageBreaks = d.PageBreaksCB->Checked();
    FWysiwyg = d.WCB->Checked();
    FOpenAfterExport = d.OpenCB->Checked();
    if (!slave) {
        if (!DefaultPath().isEmpty()) d.SaveDialog1->SetInitialDir(DefaultPath());
        if (d.SaveDialog1->Execute())
            SetFileName(d.SaveDialog1->FileName());
        else
            result = mrCancel;
    }
    return result;
}
