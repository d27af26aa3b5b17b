#include "report/export/rptIMGExportDialog.h"

#include "report/core/rptClassReport.h"
#include "report/core/rptRes.h"
#include "report/export/rptExportImage.h"
#include "report/export/rptExportUtils.h"

#include "platform/ui/Dialogs.h"
#include "platform/ui/ComCtrls.h"
#include "platform/ui/StdCtrls.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

KORVEL_CLASS_INFO(TrptIMGExportDialog) {}

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

TrptIMGExportDialog::TrptIMGExportDialog(TComponent* AOwner) : TForm(AOwner) {
    RegisterExportResources();
    SetName(QStringLiteral("rptIMGExportDialog"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(277);
    SetClientHeight(303);
    Font()->SetName(QStringLiteral("Tahoma"));
    Font()->SetSize(8);
    SetKeyPreview(true);

    GroupPageRange = Make<TGroupBox>(this, this, "GroupPageRange", 4, 4, 269, 153);
    AllRB = Make<TRadioButton>(this, GroupPageRange, "AllRB", 12, 18, 150, 17);
    AllRB->SetChecked(true);
    CurPageRB = Make<TRadioButton>(this, GroupPageRange, "CurPageRB", 12, 38, 150, 17);
    PageNumbersRB = Make<TRadioButton>(this, GroupPageRange, "PageNumbersRB", 12, 60, 72, 17);
    PageNumbersE = Make<TEdit>(this, GroupPageRange, "PageNumbersE", 88, 58, 170, 21);
    DescrL = Make<TLabel>(this, GroupPageRange, "DescrL", 12, 82, 248, 42);
    DescrL->SetAutoSize(false);
    DescrL->SetWordWrap(true);
    SeparateCB = Make<TCheckBox>(this, GroupPageRange, "SeparateCB", 12, 128, 240, 17);

    GroupBox1 = Make<TGroupBox>(this, this, "GroupBox1", 4, 160, 269, 105);
    Mono = Make<TCheckBox>(this, GroupBox1, "Mono", 12, 20, 120, 17);
    CropPage = Make<TCheckBox>(this, GroupBox1, "CropPage", 140, 20, 120, 17);
    Label2 = Make<TLabel>(this, GroupBox1, "Label2", 12, 50, 150, 13);
    Quality = Make<TEdit>(this, GroupBox1, "Quality", 190, 46, 66, 21);
    Label1 = Make<TLabel>(this, GroupBox1, "Label1", 12, 78, 170, 13);
    Resolution = Make<TEdit>(this, GroupBox1, "Resolution", 190, 74, 66, 21);

    OK = Make<TButton>(this, this, "OK", 116, 272, 75, 25);
    OK->SetDefault(true);
    OK->SetModalResult(mrOk);
    Cancel = Make<TButton>(this, this, "Cancel", 197, 272, 75, 25);
    Cancel->SetCancel(true);
    Cancel->SetModalResult(mrCancel);

    SaveDialog1 = new TSaveDialog(this);
    SaveDialog1->SetName(QStringLiteral("SaveDialog1"));
    SaveDialog1->SetOptions(TOpenOptions{ofHideReadOnly, ofNoChangeDir, ofEnableSizing});

    SetCaption(Res("8600"));
    GroupPageRange->SetCaption(Res("7"));
    AllRB->SetCaption(Res("3"));
    CurPageRB->SetCaption(Res("4"));
    PageNumbersRB->SetCaption(Res("5"));
    DescrL->SetCaption(Res("9"));
    SeparateCB->SetCaption(Res("8604"));
    GroupBox1->SetCaption(Res("8601"));
    Mono->SetCaption(Res("8606"));
    CropPage->SetCaption(Res("8605"));
    Label2->SetCaption(Res("8602"));
    // The accepted range is part of the label, so that a refusal comes as no surprise.
    Label1->SetCaption(Res("8603") + QStringLiteral(" %1-%2").arg(MinImageResolution).arg(MaxImageResolution));
    OK->SetCaption(Res("1"));
    Cancel->SetCaption(Res("2"));

    PageNumbersE->OnChange = [this](TObject* s) { PageNumbersEChange(s); };
    PageNumbersE->OnKeyPress = [this](TObject* s, QChar& k) { PageNumbersEKeyPress(s, k); };
    OnKeyDown = [this](TObject*, Word& Key, TShiftState) {
        if (Key == VK_F1) GlobalResources()->Help(this);
    };
    if (QGuiApplication::isRightToLeft()) MirrorChildControls(this);
}

void TrptIMGExportDialog::SetFilter(TrptCustomExportFilter* Value) {
    FFilter = Value;
    if (!Value) return;
    SaveDialog1->SetFilter(Value->FilterDesc());
    SaveDialog1->SetDefaultExt(Value->DefaultExt());
}

void TrptIMGExportDialog::PageNumbersEChange(TObject*) { PageNumbersRB->SetChecked(true); }

void TrptIMGExportDialog::PageNumbersEKeyPress(TObject*, QChar& Key) {
    KeepPageNumberKey(Key);
}

namespace {

// An empty text when the number is a whole number within the range, else the message.
QString CheckNumber(const QString& Caption, const QString& Text, int Min, int Max, int& Value) {
    bool ok = false;
    Value = Text.trimmed().toInt(&ok);
    if (!ok) return QStringLiteral("%1: \"%2\" is not a whole number.").arg(Caption, Text);
    if (Value < Min || Value > Max)
        return QStringLiteral("%1: %2 is outside %3 to %4.").arg(Caption).arg(Value).arg(Min).arg(Max);
    return QString();
}

} // namespace

TModalResult RunIMGExportDialog(TrptCustomImageExport* Filter) {
    TrptIMGExportDialog d(nullptr);
    d.SetFilter(Filter);
    const bool slave = Filter->SlaveExport();
    d.Quality->SetText(QString::number(Filter->JPEGQuality()));
    d.Quality->SetEnabled(Filter->UsesQuality());
    d.Label2->SetEnabled(Filter->UsesQuality());
    d.CropPage->SetChecked(Filter->CropImages());
    d.Mono->SetChecked(Filter->Monochrome());
    d.Resolution->SetText(QString::number(Filter->Resolution()));
    if (Filter->OverwritePrompt()) {
        TOpenOptions o = d.SaveDialog1->Options();
        o.Include(ofOverwritePrompt);
        d.SaveDialog1->SetOptions(o);
    }
    if (slave) {
        d.SeparateCB->SetChecked(false);
        d.SeparateCB->SetVisible(false);
    } else {
        d.SeparateCB->SetChecked(Filter->SeparateFiles());
    }
    if (!Filter->FileName().isEmpty())
        d.SaveDialog1->SetFileName(Filter->FileName());
    else if (!slave && Filter->Report() && !Filter->Report()->FileName().isEmpty())
        d.SaveDialog1->SetFileName(QFileInfo(QDir::fromNativeSeparators(Filter->Report()->FileName())).completeBaseName() +
                                   Filter->DefaultExt());
    if (!Filter->PageNumbers().isEmpty()) {
        d.PageNumbersE->SetText(Filter->PageNumbers());
        d.PageNumbersRB->SetChecked(true);
    }

    TModalResult result;
    int quality = Filter->JPEGQuality(), resolution = Filter->Resolution();
    for (;;) {
        result = d.ShowModal();
        if (result != mrOk) return result;
        QString problem;
        if (Filter->UsesQuality()) problem = CheckNumber(d.Label2->Caption(), d.Quality->Text(), 1, 100, quality);
        if (problem.isEmpty())
            problem = CheckNumber(GlobalResources()->Get(QStringLiteral("8603")), d.Resolution->Text(), MinImageResolution,
                                  MaxImageResolution, resolution);
        if (problem.isEmpty()) break;
        // Refused: say why and show the window again with the answers as given.
        MessageDlg(problem, mtError, TMsgDlgButtons{mbOK});
    }
    Filter->SetJPEGQuality(quality);
    Filter->SetResolution(resolution);
    Filter->SetCropImages(d.CropPage->Checked());
    Filter->SetMonochrome(d.Mono->Checked());
    Filter->SetSeparateFiles(d.SeparateCB->Checked());
    Filter->SetPageNumbers(QString());
    Filter->SetCurPage(false);
    if (d.CurPageRB->Checked())
        Filter->SetCurPage(true);
    else if (d.PageNumbersRB->Checked())
        Filter->SetPageNumbers(d.PageNumbersE->Text());
    if (!slave) {
        if (!Filter->DefaultPath().isEmpty()) d.SaveDialog1->SetInitialDir(Filter->DefaultPath());
        if (d.SaveDialog1->Execute())
            Filter->SetFileName(d.SaveDialog1->FileName());
        else
            result = mrCancel;
    }
    return result;
}
