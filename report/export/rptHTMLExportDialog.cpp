#include "report/export/rptHTMLExportDialog.h"

#include "report/core/rptClassReport.h"
#include "report/core/rptRes.h"
#include "report/export/rptExportUtils.h"
#include "report/export/rptHTMLExport.h"

#include "platform/ui/ComCtrls.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/StdCtrls.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

KORVEL_CLASS_INFO(TrptHTMLExportDialog) {}

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

// Combo items in order; PNG has an item of its own so that OK keeps it.
enum { itNone, itJPEG, itBMP, itGIF, itPNG };

int ItemOf(bool pictures, TrptPictureType t) {
    if (!pictures) return itNone;
    switch (t) {
    case gpJPG: return itJPEG;
    case gpBMP: return itBMP;
    case gpGIF: return itGIF;
    case gpPNG: return itPNG;
    default: return itJPEG; // a type the export cannot write as a picture file
    }
}

} // namespace

TrptHTMLExportDialog::TrptHTMLExportDialog(TComponent* AOwner) : TForm(AOwner) {
    RegisterExportResources();
    SetName(QStringLiteral("rptHTMLExportDialog"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(290);
    SetClientHeight(302);
    Font()->SetName(QStringLiteral("Tahoma"));
    Font()->SetSize(8);
    SetKeyPreview(true);

    GroupPageRange = Make<TGroupBox>(this, this, "GroupPageRange", 4, 4, 282, 101);
    AllRB = Make<TRadioButton>(this, GroupPageRange, "AllRB", 12, 20, 152, 17);
    AllRB->SetChecked(true);
    CurPageRB = Make<TRadioButton>(this, GroupPageRange, "CurPageRB", 12, 38, 152, 17);
    PageNumbersRB = Make<TRadioButton>(this, GroupPageRange, "PageNumbersRB", 12, 56, 77, 17);
    PageNumbersE = Make<TEdit>(this, GroupPageRange, "PageNumbersE", 92, 54, 178, 21);
    DescrL = Make<TLabel>(this, GroupPageRange, "DescrL", 12, 78, 258, 19);
    DescrL->SetAutoSize(false);
    DescrL->SetWordWrap(true);

    GroupQuality = Make<TGroupBox>(this, this, "GroupQuality", 4, 108, 282, 137);
    StylesCB = Make<TCheckBox>(this, GroupQuality, "StylesCB", 12, 20, 125, 17);
    PicsSameCB = Make<TCheckBox>(this, GroupQuality, "PicsSameCB", 12, 40, 125, 17);
    NavigatorCB = Make<TCheckBox>(this, GroupQuality, "NavigatorCB", 12, 60, 125, 17);
    FixWidthCB = Make<TCheckBox>(this, GroupQuality, "FixWidthCB", 144, 20, 130, 17);
    MultipageCB = Make<TCheckBox>(this, GroupQuality, "MultipageCB", 144, 40, 130, 17);
    BackgrCB = Make<TCheckBox>(this, GroupQuality, "BackgrCB", 144, 60, 130, 17);
    PicturesL = Make<TLabel>(this, GroupQuality, "PicturesL", 12, 88, 125, 17);
    PFormatCB = Make<TComboBox>(this, GroupQuality, "PFormatCB", 144, 84, 130, 21);
    // A drop-down list: the edit part takes no typing.
    PFormatCB->SetStyle(csDropDownList);
    OpenAfterCB = Make<TCheckBox>(this, this, "OpenAfterCB", 8, 250, 278, 17);

    OkB = Make<TButton>(this, this, "OkB", 128, 272, 75, 25);
    OkB->SetDefault(true);
    OkB->SetModalResult(mrOk);
    CancelB = Make<TButton>(this, this, "CancelB", 210, 272, 75, 25);
    CancelB->SetCancel(true);
    CancelB->SetModalResult(mrCancel);

    SaveDialog1 = new TSaveDialog(this);
    SaveDialog1->SetName(QStringLiteral("SaveDialog1"));
    SaveDialog1->SetOptions(TOpenOptions{ofHideReadOnly, ofNoChangeDir, ofEnableSizing});
    SaveDialog1->SetFilter(Res("8210"));
    SaveDialog1->SetDefaultExt(Res("8211"));

    SetCaption(Res("8200"));
    GroupPageRange->SetCaption(Res("7"));
    AllRB->SetCaption(Res("3"));
    CurPageRB->SetCaption(Res("4"));
    PageNumbersRB->SetCaption(Res("5"));
    DescrL->SetCaption(Res("9"));
    GroupQuality->SetCaption(Res("8"));
    StylesCB->SetCaption(Res("8202"));
    PicturesL->SetCaption(Res("8203"));
    PicsSameCB->SetCaption(Res("8204"));
    FixWidthCB->SetCaption(Res("8205"));
    NavigatorCB->SetCaption(Res("8206"));
    MultipageCB->SetCaption(Res("8207"));
    BackgrCB->SetCaption(Res("8209"));
    OpenAfterCB->SetCaption(Res("8201"));
    OkB->SetCaption(Res("1"));
    CancelB->SetCaption(Res("2"));
    PFormatCB->Items()->Clear();
    PFormatCB->Items()->Add(Res("8313"));
    PFormatCB->Items()->Add(QStringLiteral("JPEG"));
    PFormatCB->Items()->Add(QStringLiteral("BMP"));
    PFormatCB->Items()->Add(QStringLiteral("GIF"));
    PFormatCB->Items()->Add(QStringLiteral("PNG"));
    PFormatCB->SetItemIndex(itPNG);

    PageNumbersE->OnChange = [this](TObject* s) { PageNumbersEChange(s); };
    PageNumbersE->OnKeyPress = [this](TObject* s, QChar& k) { PageNumbersEKeyPress(s, k); };
    OnKeyDown = [this](TObject*, Word& Key, TShiftState) {
        if (Key == VK_F1) GlobalResources()->Help(this);
    };
    if (QGuiApplication::isRightToLeft()) MirrorChildControls(this);
}

void TrptHTMLExportDialog::PageNumbersEChange(TObject*) { PageNumbersRB->SetChecked(true); }

void TrptHTMLExportDialog::PageNumbersEKeyPress(TObject*, QChar& Key) {
    KeepPageNumberKey(Key);
}

TModalResult RunHTMLExportDialog(TrptHTMLExport* Filter) {
    TrptHTMLExportDialog d(nullptr);
    const bool slave = Filter->SlaveExport();
    if (slave) {
        d.OpenAfterCB->SetVisible(false);
        d.MultipageCB->SetEnabled(false);
        d.BackgrCB->SetEnabled(false);
        d.NavigatorCB->SetEnabled(false);
        d.PicsSameCB->SetEnabled(false);
        Filter->ApplySlaveSettings();
    }
    if (Filter->OverwritePrompt()) {
        TOpenOptions o = d.SaveDialog1->Options();
        o.Include(ofOverwritePrompt);
        d.SaveDialog1->SetOptions(o);
    }
    if (!Filter->FileName().isEmpty() || slave)
        d.SaveDialog1->SetFileName(Filter->FileName());
    else if (Filter->Report() && !Filter->Report()->FileName().isEmpty())
        d.SaveDialog1->SetFileName(QFileInfo(QDir::fromNativeSeparators(Filter->Report()->FileName())).completeBaseName() +
                                   d.SaveDialog1->DefaultExt());
    d.StylesCB->SetChecked(Filter->ExportStyles());
    d.PicsSameCB->SetChecked(Filter->PicsInSameFolder());
    d.OpenAfterCB->SetChecked(Filter->OpenAfterExport());
    d.FixWidthCB->SetChecked(Filter->FixedWidth());
    d.NavigatorCB->SetChecked(Filter->Navigator());
    d.MultipageCB->SetChecked(Filter->Multipage());
    d.BackgrCB->SetChecked(Filter->Background());
    d.PFormatCB->SetItemIndex(ItemOf(Filter->ExportPictures(), Filter->PictureType()));
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
    Filter->SetExportStyles(d.StylesCB->Checked());
    Filter->SetPicsInSameFolder(d.PicsSameCB->Checked());
    const int item = d.PFormatCB->ItemIndex();
    Filter->SetExportPictures(item > itNone);
    switch (item) {
    case itJPEG: Filter->SetPictureType(gpJPG); break;
    case itBMP: Filter->SetPictureType(gpBMP); break;
    case itGIF: Filter->SetPictureType(gpGIF); break;
    case itPNG: Filter->SetPictureType(gpPNG); break;
    default: break; // "None" keeps the type for when pictures come back on
    }
    Filter->SetOpenAfterExport(d.OpenAfterCB->Checked());
    Filter->SetFixedWidth(d.FixWidthCB->Checked());
    Filter->SetMultipage(d.MultipageCB->Checked());
    Filter->SetNavigator(d.NavigatorCB->Checked());
    Filter->SetBackground(d.BackgrCB->Checked());
    if (slave) {
        Filter->ApplySlaveSettings();
    } else {
        if (!Filter->DefaultPath().isEmpty()) d.SaveDialog1->SetInitialDir(Filter->DefaultPath());
        if (d.SaveDialog1->Execute())
            Filter->SetFileName(d.SaveDialog1->FileName());
        else
            result = mrCancel;
    }
    return result;
}
