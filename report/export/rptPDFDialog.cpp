#include "report/export/rptPDFDialog.h"

#include "report/core/rptClassOptions.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptRes.h"
#include "report/export/rptExportUtils.h"
#include "report/export/rptPDFExport.h"
#include "report/export/rptPDFSecurity.h"

#include "platform/ui/ComCtrls.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/StdCtrls.h"

#include <QGuiApplication>

#include <QFileInfo>

KORVEL_CLASS_INFO(TrptPDFExportDialog) {}

namespace {

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

TTabSheet* Sheet(TComponent* owner, TPageControl* pages, const char* name) {
    auto* s = new TTabSheet(owner);
    s->SetName(QString::fromLatin1(name));
    s->SetPageControl(pages);
    return s;
}

} // namespace

TrptPDFExportDialog::TrptPDFExportDialog(TComponent* AOwner) : TForm(AOwner) {
    RegisterExportResources();
    SetName(QStringLiteral("rptPDFExportDialog"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(294);
    SetClientHeight(351);
    Font()->SetName(QStringLiteral("Tahoma"));
    Font()->SetSize(8);
    SetKeyPreview(true);

    PageControl1 = Make<TPageControl>(this, this, "PageControl1", 4, 4, 286, 308);
    ExportPage = Sheet(this, PageControl1, "ExportPage");
    InfoPage = Sheet(this, PageControl1, "InfoPage");
    SecurityPage = Sheet(this, PageControl1, "SecurityPage");
    ViewerPage = Sheet(this, PageControl1, "ViewerPage");

    GroupPageRange = Make<TGroupBox>(this, ExportPage, "GroupPageRange", 4, 4, 270, 130);
    AllRB = Make<TRadioButton>(this, GroupPageRange, "AllRB", 12, 18, 150, 17);
    AllRB->SetChecked(true);
    CurPageRB = Make<TRadioButton>(this, GroupPageRange, "CurPageRB", 12, 38, 150, 17);
    PageNumbersRB = Make<TRadioButton>(this, GroupPageRange, "PageNumbersRB", 12, 60, 72, 17);
    PageNumbersE = Make<TEdit>(this, GroupPageRange, "PageNumbersE", 88, 58, 170, 21);
    DescrL = Make<TLabel>(this, GroupPageRange, "DescrL", 12, 82, 248, 42);
    DescrL->SetAutoSize(false);
    DescrL->SetWordWrap(true);

    GroupQuality = Make<TGroupBox>(this, ExportPage, "GroupQuality", 4, 138, 270, 100);
    CompressedCB = Make<TCheckBox>(this, GroupQuality, "CompressedCB", 12, 20, 120, 17);
    EmbeddedCB = Make<TCheckBox>(this, GroupQuality, "EmbeddedCB", 12, 42, 120, 17);
    BackgrCB = Make<TCheckBox>(this, GroupQuality, "BackgrCB", 12, 64, 120, 17);
    PrintOptCB = Make<TCheckBox>(this, GroupQuality, "PrintOptCB", 140, 20, 124, 17);
    OutlineCB = Make<TCheckBox>(this, GroupQuality, "OutlineCB", 140, 42, 124, 17);
    Label2 = Make<TLabel>(this, GroupQuality, "Label2", 140, 68, 70, 13);
    Label2->SetCaption(QStringLiteral("JPEG Quality"));
    Quality = Make<TEdit>(this, GroupQuality, "Quality", 214, 64, 44, 21);
    Quality->SetText(QStringLiteral("100"));
    for (TCheckBox* cb : {CompressedCB, EmbeddedCB, BackgrCB, OutlineCB})
        cb->SetChecked(true);
    OpenCB = Make<TCheckBox>(this, ExportPage, "OpenCB", 8, 248, 200, 17);
    OpenCB->SetChecked(true);

    DocInfoGB = Make<TGroupBox>(this, InfoPage, "DocInfoGB", 4, 4, 270, 180);
    const char* labelNames[6] = {"TitleL", "AuthorL", "SubjectL", "KeywordsL", "CreatorL", "ProducerL"};
    const char* editNames[6] = {"TitleE", "AuthorE", "SubjectE", "KeywordsE", "CreatorE", "ProducerE"};
    TLabel** labels[6] = {&TitleL, &AuthorL, &SubjectL, &KeywordsL, &CreatorL, &ProducerL};
    TEdit** edits[6] = {&TitleE, &AuthorE, &SubjectE, &KeywordsE, &CreatorE, &ProducerE};
    for (int i = 0; i < 6; ++i) {
        *labels[i] = Make<TLabel>(this, DocInfoGB, labelNames[i], 12, 26 + 26 * i, 70, 13);
        *edits[i] = Make<TEdit>(this, DocInfoGB, editNames[i], 86, 22 + 26 * i, 172, 21);
    }

    SecGB = Make<TGroupBox>(this, SecurityPage, "SecGB", 4, 4, 270, 82);
    OwnPassL = Make<TLabel>(this, SecGB, "OwnPassL", 12, 26, 100, 13);
    OwnPassE = Make<TEdit>(this, SecGB, "OwnPassE", 120, 22, 138, 21);
    UserPassL = Make<TLabel>(this, SecGB, "UserPassL", 12, 54, 100, 13);
    UserPassE = Make<TEdit>(this, SecGB, "UserPassE", 120, 50, 138, 21);
    OwnPassE->SetPasswordChar(QLatin1Char('*'));
    UserPassE->SetPasswordChar(QLatin1Char('*'));
    PermGB = Make<TGroupBox>(this, SecurityPage, "PermGB", 4, 92, 270, 112);
    PrintCB = Make<TCheckBox>(this, PermGB, "PrintCB", 12, 20, 250, 17);
    ModCB = Make<TCheckBox>(this, PermGB, "ModCB", 12, 42, 250, 17);
    CopyCB = Make<TCheckBox>(this, PermGB, "CopyCB", 12, 64, 250, 17);
    AnnotCB = Make<TCheckBox>(this, PermGB, "AnnotCB", 12, 86, 250, 17);
    for (TCheckBox* cb : {PrintCB, ModCB, CopyCB, AnnotCB})
        cb->SetChecked(true);

    ViewerGB = Make<TGroupBox>(this, ViewerPage, "ViewerGB", 4, 4, 270, 156);
    HideToolbarCB = Make<TCheckBox>(this, ViewerGB, "HideToolbarCB", 12, 20, 250, 17);
    HideMenubarCB = Make<TCheckBox>(this, ViewerGB, "HideMenubarCB", 12, 42, 250, 17);
    HideWindowUICB = Make<TCheckBox>(this, ViewerGB, "HideWindowUICB", 12, 64, 250, 17);
    FitWindowCB = Make<TCheckBox>(this, ViewerGB, "FitWindowCB", 12, 86, 250, 17);
    CenterWindowCB = Make<TCheckBox>(this, ViewerGB, "CenterWindowCB", 12, 108, 250, 17);
    PrintScalingCB = Make<TCheckBox>(this, ViewerGB, "PrintScalingCB", 12, 130, 250, 17);

    OkB = Make<TButton>(this, this, "OkB", 134, 320, 75, 25);
    OkB->SetDefault(true);
    OkB->SetModalResult(mrOk);
    CancelB = Make<TButton>(this, this, "CancelB", 215, 320, 75, 25);
    CancelB->SetCancel(true);
    CancelB->SetModalResult(mrCancel);

    SaveDialog1 = new TSaveDialog(this);
    SaveDialog1->SetName(QStringLiteral("SaveDialog1"));
    SaveDialog1->SetOptions(TOpenOptions{ofHideReadOnly, ofNoChangeDir, ofEnableSizing});

    PageControl1->SetActivePage(ExportPage);

    // Texts from the string table.
    SetCaption(Res("8700"));
    ExportPage->SetCaption(Res("107"));
    GroupPageRange->SetCaption(Res("7"));
    AllRB->SetCaption(Res("3"));
    CurPageRB->SetCaption(Res("4"));
    PageNumbersRB->SetCaption(Res("5"));
    DescrL->SetCaption(Res("9"));
    GroupQuality->SetCaption(Res("8"));
    CompressedCB->SetCaption(Res("8701"));
    EmbeddedCB->SetCaption(Res("8702"));
    PrintOptCB->SetCaption(Res("8703"));
    OutlineCB->SetCaption(Res("8704"));
    BackgrCB->SetCaption(Res("8705"));
    OpenCB->SetCaption(Res("8706"));
    InfoPage->SetCaption(Res("8972"));
    DocInfoGB->SetCaption(Res("8971"));
    const char* infoKeys[6] = {"8973", "8974", "8975", "8976", "8977", "8978"};
    for (int i = 0; i < 6; ++i)
        (*labels[i])->SetCaption(Res(infoKeys[i]));
    SecurityPage->SetCaption(Res("8962"));
    SecGB->SetCaption(Res("8979"));
    OwnPassL->SetCaption(Res("8964"));
    UserPassL->SetCaption(Res("8965"));
    PermGB->SetCaption(Res("8980"));
    PrintCB->SetCaption(Res("8966"));
    ModCB->SetCaption(Res("8967"));
    CopyCB->SetCaption(Res("8968"));
    AnnotCB->SetCaption(Res("8969"));
    ViewerPage->SetCaption(Res("8981"));
    ViewerGB->SetCaption(Res("8982"));
    HideToolbarCB->SetCaption(Res("8983"));
    HideMenubarCB->SetCaption(Res("8984"));
    HideWindowUICB->SetCaption(Res("8985"));
    FitWindowCB->SetCaption(Res("8986"));
    CenterWindowCB->SetCaption(Res("8987"));
    PrintScalingCB->SetCaption(Res("8988"));
    OkB->SetCaption(Res("1"));
    CancelB->SetCaption(Res("2"));
    SaveDialog1->SetFilter(Res("8707"));
    SaveDialog1->SetDefaultExt(Res("8708"));

    PageNumbersE->OnChange = [this](TObject* s) { PageNumbersEChange(s); };
    PageNumbersE->OnKeyPress = [this](TObject* s, QChar& k) { PageNumbersEKeyPress(s, k); };
    OnKeyDown = [this](TObject*, Word& Key, TShiftState) {
        if (Key == VK_F1) GlobalResources()->Help(this);
    };
    if (QGuiApplication::isRightToLeft()) MirrorChildControls(this);
}

void TrptPDFExportDialog::PageNumbersEChange(TObject*) {
    PageNumbersRB->SetChecked(true);
}

void TrptPDFExportDialog::PageNumbersEKeyPress(TObject*, QChar& Key) {
    KeepPageNumberKey(Key);
}

namespace {

void LoadControls(TrptPDFExportDialog& d, TrptPDFExport* f) {
    d.OpenCB->SetChecked(f->OpenAfterExport());
    d.CompressedCB->SetChecked(f->Compressed());
    d.EmbeddedCB->SetChecked(f->EmbeddedFonts());
    d.PrintOptCB->SetChecked(f->PrintOptimized());
    d.OutlineCB->SetChecked(f->Outline());
    d.OutlineCB->SetEnabled(f->Outline());
    d.BackgrCB->SetChecked(f->Background());
    if (!f->PageNumbers().isEmpty()) {
        d.PageNumbersE->SetText(f->PageNumbers());
        d.PageNumbersRB->SetChecked(true);
    }
    d.OwnPassE->SetText(PDFPasswordToText(f->OwnerPassword()));
    d.UserPassE->SetText(PDFPasswordToText(f->UserPassword()));
    const TrptPDFEncBits bits = f->ProtectionFlags();
    d.PrintCB->SetChecked(bits.Contains(ePrint));
    d.ModCB->SetChecked(bits.Contains(eModify));
    d.CopyCB->SetChecked(bits.Contains(eCopy));
    d.AnnotCB->SetChecked(bits.Contains(eAnnot));
    d.TitleE->SetText(f->Title());
    d.AuthorE->SetText(f->Author());
    d.SubjectE->SetText(f->Subject());
    d.KeywordsE->SetText(f->Keywords());
    d.CreatorE->SetText(f->Creator());
    d.ProducerE->SetText(f->Producer());
    d.HideToolbarCB->SetChecked(f->HideToolbar());
    d.HideMenubarCB->SetChecked(f->HideMenubar());
    d.HideWindowUICB->SetChecked(f->HideWindowUI());
    d.FitWindowCB->SetChecked(f->FitWindow());
    d.CenterWindowCB->SetChecked(f->CenterWindow());
    d.PrintScalingCB->SetChecked(f->PrintScaling());
}

// The answers that can be refused, read before anything is stored; an empty text when they
// are all right, else the message.
struct TChecked {
    QByteArray Owner, User;
    int Quality = 0;
};

QString CheckAnswers(TrptPDFExportDialog& d, TChecked& c) {
    try {
        c.Owner = PDFPasswordFromText(d.OwnPassE->Text());
    } catch (const EPDFPassword& e) {
        return d.OwnPassL->Caption() + QStringLiteral(": ") + e.Message();
    }
    try {
        c.User = PDFPasswordFromText(d.UserPassE->Text());
    } catch (const EPDFPassword& e) {
        return d.UserPassL->Caption() + QStringLiteral(": ") + e.Message();
    }
    bool ok = false;
    c.Quality = d.Quality->Text().trimmed().toInt(&ok);
    if (!ok) return QStringLiteral("JPEG Quality: \"%1\" is not a whole number.").arg(d.Quality->Text());
    return QString();
}

void StoreAnswers(TrptPDFExportDialog& d, TrptPDFExport* f, const TChecked& c) {
    f->SetOwnerPassword(c.Owner);
    f->SetUserPassword(c.User);
    TrptPDFEncBits bits;
    if (d.PrintCB->Checked()) bits.Include(ePrint);
    if (d.ModCB->Checked()) bits.Include(eModify);
    if (d.CopyCB->Checked()) bits.Include(eCopy);
    if (d.AnnotCB->Checked()) bits.Include(eAnnot);
    f->SetProtectionFlags(bits);
    f->SetPageNumbers(QString());
    f->SetCurPage(false);
    if (d.CurPageRB->Checked())
        f->SetCurPage(true);
    else if (d.PageNumbersRB->Checked())
        f->SetPageNumbers(d.PageNumbersE->Text());
    f->SetOpenAfterExport(d.OpenCB->Checked());
    f->SetCompressed(d.CompressedCB->Checked());
    f->SetEmbeddedFonts(d.EmbeddedCB->Checked());
    f->SetPrintOptimized(d.PrintOptCB->Checked());
    f->SetOutline(d.OutlineCB->Checked());
    f->SetBackground(d.BackgrCB->Checked());
    f->SetQuality(c.Quality);
    f->SetTitle(d.TitleE->Text());
    f->SetAuthor(d.AuthorE->Text());
    f->SetSubject(d.SubjectE->Text());
    f->SetKeywords(d.KeywordsE->Text());
    f->SetCreator(d.CreatorE->Text());
    f->SetProducer(d.ProducerE->Text());
    f->SetHideToolbar(d.HideToolbarCB->Checked());
    f->SetHideMenubar(d.HideMenubarCB->Checked());
    f->SetHideWindowUI(d.HideWindowUICB->Checked());
    f->SetFitWindow(d.FitWindowCB->Checked());
    f->SetCenterWindow(d.CenterWindowCB->Checked());
    f->SetPrintScaling(d.PrintScalingCB->Checked());
}

} // namespace

TModalResult RunPDFExportDialog(TrptPDFExport* Filter) {
    TrptPDFExportDialog d(nullptr);
    const bool slave = Filter->SlaveExport();
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
        d.SaveDialog1->SetFileName(QFileInfo(Filter->Report()->FileName()).completeBaseName() +
                                   d.SaveDialog1->DefaultExt());
    if (!slave && !Filter->DefaultPath().isEmpty()) d.SaveDialog1->SetInitialDir(Filter->DefaultPath());
    LoadControls(d, Filter);

    TModalResult result;
    for (;;) {
        result = d.ShowModal();
        if (result != mrOk) return result;
        TChecked checked;
        const QString problem = CheckAnswers(d, checked);
        if (problem.isEmpty()) {
            StoreAnswers(d, Filter, checked);
            break;
        }
        // Refused: say why and show the window again with the answers as given.
        MessageDlg(problem, mtError, TMsgDlgButtons{mbOK});
    }
    if (!slave) {
        if (d.SaveDialog1->Execute())
            Filter->SetFileName(d.SaveDialog1->FileName());
        else
            result = mrCancel;
    }
    return result;
}
