#include "report/export/rptExportXLSDialog.h"

#include "report/core/rptClassReport.h"
#include "report/core/rptRes.h"
#include "report/export/rptExportUtils.h"
#include "report/export/rptExportXLS.h"

#include "platform/ui/Dialogs.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/StdCtrls.h"

#include <QFileInfo>
#include <QGuiApplication>

KORVEL_CLASS_INFO(TrptXLSExportDialog) {}

namespace {

template <class C> C* Make(TComponent* owner, TWinControl* parent, const char* name, int l, int t, int w, int h) {
    auto* c = new C(owner);
    c->SetName(QString::fromLatin1(name));
    c->SetParent(parent);
    c->SetBounds(l, t, w, h);
    return c;
}

QString Res(const char* key) {
    return GlobalResources()->Get(QString::fromLatin1(key));
}

} // namespace

TrptXLSExportDialog::TrptXLSExportDialog(TComponent* AOwner) : TForm(AOwner) {
    RegisterExportResources();
    SetName(QStringLiteral("rptXLSExportDialog"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(277);
    SetClientHeight(320);
    Font()->SetName(QStringLiteral("Tahoma"));
    Font()->SetSize(8);
    SetKeyPreview(true);

    GroupPageRange = Make<TGroupBox>(this, this, "GroupPageRange", 4, 4, 269, 128);
    AllRB = Make<TRadioButton>(this, GroupPageRange, "AllRB", 12, 18, 150, 17);
    AllRB->SetChecked(true);
    CurPageRB = Make<TRadioButton>(this, GroupPageRange, "CurPageRB", 12, 38, 150, 17);
    PageNumbersRB = Make<TRadioButton>(this, GroupPageRange, "PageNumbersRB", 12, 60, 72, 17);
    PageNumbersE = Make<TEdit>(this, GroupPageRange, "PageNumbersE", 88, 58, 170, 21);
    DescrL = Make<TLabel>(this, GroupPageRange, "DescrL", 12, 82, 248, 42);
    DescrL->SetAutoSize(false);
    DescrL->SetWordWrap(true);

    GroupQuality = Make<TGroupBox>(this, this, "GroupQuality", 4, 136, 269, 122);
    ContinuousCB = Make<TCheckBox>(this, GroupQuality, "ContinuousCB", 12, 18, 120, 17);
    PicturesCB = Make<TCheckBox>(this, GroupQuality, "PicturesCB", 12, 38, 120, 17);
    AsTextCB = Make<TCheckBox>(this, GroupQuality, "AsTextCB", 12, 58, 120, 17);
    FastExpCB = Make<TCheckBox>(this, GroupQuality, "FastExpCB", 12, 78, 120, 17);
    cbGrid = Make<TCheckBox>(this, GroupQuality, "cbGrid", 12, 98, 120, 17);
    MergeCB = Make<TCheckBox>(this, GroupQuality, "MergeCB", 140, 18, 124, 17);
    WCB = Make<TCheckBox>(this, GroupQuality, "WCB", 140, 38, 124, 17);
    BackgrCB = Make<TCheckBox>(this, GroupQuality, "BackgrCB", 140, 58, 124, 17);
    PageBreaksCB = Make<TCheckBox>(this, GroupQuality, "PageBreaksCB", 140, 78, 124, 17);
    OpenExcelCB = Make<TCheckBox>(this, this, "OpenExcelCB", 8, 266, 260, 17);

    OkB = Make<TButton>(this, this, "OkB", 116, 290, 75, 25);
    OkB->SetDefault(true);
    OkB->SetModalResult(mrOk);
    CancelB = Make<TButton>(this, this, "CancelB", 197, 290, 75, 25);
    CancelB->SetCancel(true);
    CancelB->SetModalResult(mrCancel);

    SaveDialog1 = new TSaveDialog(this);
    SaveDialog1->SetName(QStringLiteral("SaveDialog1"));
    SaveDialog1->SetOptions(TOpenOptions{ofHideReadOnly, ofNoChangeDir, ofEnableSizing});

    SetCaption(Res("8000"));
    GroupPageRange->SetCaption(Res("7"));
    AllRB->SetCaption(Res("3"));
    CurPageRB->SetCaption(Res("4"));
    PageNumbersRB->SetCaption(Res("5"));
    DescrL->SetCaption(Res("9"));
    GroupQuality->SetCaption(Res("8"));
    ContinuousCB->SetCaption(Res("8950"));
    PicturesCB->SetCaption(Res("8002"));
    AsTextCB->SetCaption(Res("8006"));
    FastExpCB->SetCaption(Res("8004"));
    cbGrid->SetCaption(Res("9155"));
    MergeCB->SetCaption(Res("8003"));
    WCB->SetCaption(Res("8005"));
    BackgrCB->SetCaption(Res("8007"));
    PageBreaksCB->SetCaption(Res("6"));
    OpenExcelCB->SetCaption(Res("8008"));
    OkB->SetCaption(Res("1"));
    CancelB->SetCaption(Res("2"));
    SaveDialog1->SetFilter(Res("8009"));
    SaveDialog1->SetDefaultExt(Res("8010"));

    PageNumbersE->OnChange = [this](TObject* s) { PageNumbersEChange(s); };
    PageNumbersE->OnKeyPress = [this](TObject* s, QChar& k) { PageNumbersEKeyPress(s, k); };
    OnKeyDown = [this](TObject*, Word& Key, TShiftState) {
        if (Key == VK_F1) GlobalResources()->Help(this);
    };
    if (QGuiApplication::isRightToLeft()) MirrorChildControls(this);
}

void TrptXLSExportDialog::PageNumbersEChange(TObject*) {
    PageNumbersRB->SetChecked(true);
}

void TrptXLSExportDialog::PageNumbersEKeyPress(TObject*, QChar& Key) {
    KeepPageNumberKey(Key);
}

TModalResult RunXLSExportDialog(TrptXLSExport* Filter) {
    TrptXLSExportDialog d(nullptr);
    const bool slave = Filter->SlaveExport();
    if (slave) {
        d.OpenExcelCB->SetVisible(false);
        Filter->SetOpenExcelAfterExport(false);
    }
    if (Filter->OverwritePrompt()) {
        TOpenOptions o = d.SaveDialog1->Options();
        o.Include(ofOverwritePrompt);
        d.SaveDialog1->SetOptions(o);
    }
    if (!Filter->FileName().isEmpty() || slave)
        d.SaveDialog1->SetFileName(Filter->FileName());
    else if (Filter->Report() && !Filter->Report()->FileName().isEmpty())
        d.SaveDialog1->SetFileName(QFileInfo(Filter->Report()->FileName()).completeBaseName() + d.SaveDialog1->DefaultExt());
    if (!slave && !Filter->DefaultPath().isEmpty()) d.SaveDialog1->SetInitialDir(Filter->DefaultPath());
    if (!Filter->PageNumbers().isEmpty()) {
        d.PageNumbersE->SetText(Filter->PageNumbers());
        d.PageNumbersRB->SetChecked(true);
    }
    d.ContinuousCB->SetChecked(!Filter->EmptyLines() || Filter->SuppressPageHeadersFooters());
    d.PicturesCB->SetChecked(Filter->ExportPictures());
    d.MergeCB->SetChecked(Filter->MergeCells());
    d.WCB->SetChecked(Filter->Wysiwyg());
    d.OpenExcelCB->SetChecked(Filter->OpenExcelAfterExport());
    d.AsTextCB->SetChecked(Filter->AsText());
    d.BackgrCB->SetChecked(Filter->Background());
    d.FastExpCB->SetChecked(Filter->FastExport());
    d.PageBreaksCB->SetChecked(Filter->PageBreaks());
    d.cbGrid->SetChecked(Filter->GridLines());

    TModalResult result = d.ShowModal();
    if (result != mrOk) return result;
    Filter->SetPageNumbers(QString());
    Filter->SetCurPage(false);
    if (d.CurPageRB->Checked())
        Filter->SetCurPage(true);
    else if (d.PageNumbersRB->Checked())
        Filter->SetPageNumbers(d.PageNumbersE->Text());
    Filter->SetMergeCells(d.MergeCB->Checked());
    Filter->SetPageBreaks(d.PageBreaksCB->Checked());
    Filter->SetExportPictures(d.PicturesCB->Checked());
    Filter->SetEmptyLines(!d.ContinuousCB->Checked());
    Filter->SetSuppressPageHeadersFooters(d.ContinuousCB->Checked());
    Filter->SetWysiwyg(d.WCB->Checked());
    Filter->SetOpenExcelAfterExport(d.OpenExcelCB->Checked());
    Filter->SetAsText(d.AsTextCB->Checked());
    Filter->SetBackground(d.BackgrCB->Checked());
    Filter->SetFastExport(d.FastExpCB->Checked());
    Filter->SetGridLines(d.cbGrid->Checked());
    if (!slave) {
        if (d.SaveDialog1->Execute()) {
            QString name = d.SaveDialog1->FileName();
            // The workbook is written as .xlsx, so an old binary name takes the new extension.
            if (name.endsWith(QStringLiteral(".xls"), Qt::CaseInsensitive)) {
                name.chop(4);
                name += QStringLiteral(".xlsx");
            }
            Filter->SetFileName(name);
        } else {
            result = mrCancel;
        }
    }
    return result;
}
