#include "report/core/rptPrintDialog.h"

#include "platform/gfx/Canvas.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/StdCtrls.h"
#include "report/core/rptClassBases.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptPrinter.h"
#include "report/core/rptRes.h"

#include <QFileInfo>
#include <QGuiApplication>

#include <algorithm>

KORVEL_CLASS_INFO(TrptPrintDialog) {}

namespace {

constexpr int CustomPaper = 256;
constexpr int A4Paper = 9;

template <class C>
C* Make(TrptPrintDialog* form, TWinControl* parent, const char* name, int l, int t, int w, int h) {
    auto* c = new C(form);
    c->SetName(QString::fromLatin1(name));
    c->SetParent(parent);
    c->SetBounds(l, t, w, h);
    return c;
}

QString Res(const char* key) {
    return GlobalResources()->Get(QString::fromLatin1(key));
}

// One small sheet with its page number, for the copies picture.
void DrawSheet(TCanvas* c, int x, int y, int number) {
    c->Brush().SetStyle(bsSolid);
    c->Brush().SetColor(clWhite);
    c->Pen().SetColor(clBlack);
    c->Rectangle(x, y, x + 18, y + 24);
    c->Brush().SetStyle(bsClear);
    c->TextOut(x + 6, y + 6, QString::number(number));
}

} // namespace

TrptPrintDialog::TrptPrintDialog(TComponent* AOwner) : TForm(AOwner) {
    SetName(QStringLiteral("rptPrintDialog"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(466);
    SetClientHeight(372);
    Font()->SetName(QStringLiteral("Tahoma"));
    Font()->SetSize(8);
    SetKeyPreview(true);

    FileDlg = new TSaveDialog(this);
    FileDlg->SetName(QStringLiteral("FileDlg"));

    Label12 = Make<TGroupBox>(this, this, "Label12", 8, 4, 450, 76);
    NameL = Make<TLabel>(this, Label12, "NameL", 12, 22, 44, 13);
    PrintersCB = Make<TComboBox>(this, Label12, "PrintersCB", 60, 18, 250, 21);
    PrintersCB->SetStyle(csDropDownList);
    PropButton = Make<TButton>(this, Label12, "PropButton", 320, 16, 118, 25);
    WhereL = Make<TLabel>(this, Label12, "WhereL", 12, 50, 44, 13);
    WhereL1 = Make<TLabel>(this, Label12, "WhereL1", 60, 50, 250, 13);
    WhereL1->SetAutoSize(false);
    FileCB = Make<TCheckBox>(this, Label12, "FileCB", 320, 48, 118, 17);

    Label1 = Make<TGroupBox>(this, this, "Label1", 8, 84, 222, 148);
    AllRB = Make<TRadioButton>(this, Label1, "AllRB", 12, 18, 200, 17);
    CurPageRB = Make<TRadioButton>(this, Label1, "CurPageRB", 12, 38, 200, 17);
    PageNumbersRB = Make<TRadioButton>(this, Label1, "PageNumbersRB", 12, 60, 70, 17);
    PageNumbersE = Make<TEdit>(this, Label1, "PageNumbersE", 86, 58, 124, 21);
    DescrL = Make<TLabel>(this, Label1, "DescrL", 12, 86, 198, 54);
    DescrL->SetAutoSize(false);
    DescrL->SetWordWrap(true);
    AllRB->SetChecked(true);

    Label2 = Make<TGroupBox>(this, this, "Label2", 236, 84, 222, 148);
    CopiesL = Make<TLabel>(this, Label2, "CopiesL", 12, 24, 110, 13);
    CopiesE = Make<TEdit>(this, Label2, "CopiesE", 130, 20, 50, 21);
    CopiesPB = Make<TPaintBox>(this, Label2, "CopiesPB", 12, 56, 100, 40);
    CollateCB = Make<TCheckBox>(this, Label2, "CollateCB", 120, 66, 96, 17);

    ScaleGB = Make<TGroupBox>(this, this, "ScaleGB", 8, 236, 222, 96);
    PrintModeCB = Make<TComboBox>(this, ScaleGB, "PrintModeCB", 12, 20, 198, 21);
    PrintModeCB->SetStyle(csDropDownList);
    PagSizeL = Make<TLabel>(this, ScaleGB, "PagSizeL", 12, 48, 198, 13);
    PagPageSizeCB = Make<TComboBox>(this, ScaleGB, "PagPageSizeCB", 12, 64, 198, 21);
    PagPageSizeCB->SetStyle(csDropDownList);

    OtherGB = Make<TGroupBox>(this, this, "OtherGB", 236, 236, 222, 96);
    PrintL = Make<TLabel>(this, OtherGB, "PrintL", 12, 22, 64, 13);
    PrintPagesCB = Make<TComboBox>(this, OtherGB, "PrintPagesCB", 80, 18, 130, 21);
    PrintPagesCB->SetStyle(csDropDownList);
    OrderL = Make<TLabel>(this, OtherGB, "OrderL", 12, 46, 64, 13);
    OrderCB = Make<TComboBox>(this, OtherGB, "OrderCB", 80, 42, 130, 21);
    OrderCB->SetStyle(csDropDownList);
    DuplexL = Make<TLabel>(this, OtherGB, "DuplexL", 12, 70, 64, 13);
    DuplexCB = Make<TComboBox>(this, OtherGB, "DuplexCB", 80, 66, 130, 21);
    DuplexCB->SetStyle(csDropDownList);

    OkB = Make<TButton>(this, this, "OkB", 302, 340, 75, 25);
    OkB->SetDefault(true);
    OkB->SetModalResult(mrOk);
    CancelB = Make<TButton>(this, this, "CancelB", 383, 340, 75, 25);
    CancelB->SetCancel(true);
    CancelB->SetModalResult(mrCancel);

    // FormCreate: texts and lists.
    SetCaption(Res("200"));
    Label12->SetCaption(Res("201"));
    DescrL->SetCaption(Res("9"));
    Label1->SetCaption(Res("202"));
    CopiesL->SetCaption(Res("203"));
    CollateCB->SetCaption(Res("204"));
    Label2->SetCaption(Res("205"));
    PrintL->SetCaption(Res("206"));
    WhereL->SetCaption(Res("208"));
    OkB->SetCaption(Res("1"));
    CancelB->SetCaption(Res("2"));
    PropButton->SetCaption(Res("209"));
    AllRB->SetCaption(Res("3"));
    CurPageRB->SetCaption(Res("4"));
    PageNumbersRB->SetCaption(Res("5"));
    FileCB->SetCaption(Res("210"));
    NameL->SetCaption(Res("212"));
    ScaleGB->SetCaption(Res("213"));
    PagSizeL->SetCaption(Res("214"));
    DuplexL->SetCaption(Res("216"));
    OtherGB->SetCaption(Res("207"));
    OrderL->SetCaption(Res("211"));
    FileDlg->SetTitle(Res("507"));
    FileDlg->SetFilter(Res("510"));
    FileDlg->SetDefaultExt(QStringLiteral("pdf"));

    for (const char* key : {"poDirect", "poReverse"}) OrderCB->Items()->Add(Res(key));
    for (const char* key : {"ppAll", "ppOdd", "ppEven"}) PrintPagesCB->Items()->Add(Res(key));
    for (const char* key : {"dupDefault", "dupVert", "dupHorz", "dupSimpl"}) DuplexCB->Items()->Add(Res(key));
    for (const char* key : {"pmDefault", "pmSplit", "pmJoin", "pmScale"}) PrintModeCB->Items()->Add(Res(key));
    OrderCB->SetItemIndex(0);
    PrintPagesCB->SetItemIndex(0);
    DuplexCB->SetItemIndex(0);
    PrintModeCB->SetItemIndex(0);

    // The copies edit takes digits only.
    CopiesE->OnKeyPress = [](TObject*, QChar& Key) {
        if (Key.isPrint() && !Key.isDigit()) Key = QChar();
    };
    CopiesE->OnChange = [this](TObject*) {
        const QString t = CopiesE->Text();
        QString digits;
        for (QChar ch : t)
            if (ch.isDigit()) digits += ch;
        if (digits != t) CopiesE->SetText(digits);
    };
    CopiesE->SetText(QStringLiteral("1"));

    TrptPrinters* printers = GlobalPrinters();
    for (const QString& name : printers->Printers()) PrintersCB->Items()->Add(name);
    PrintersCB->SetItemIndex(printers->PrinterIndex() < PrintersCB->Items()->Count() ? printers->PrinterIndex() : -1);

    PrintersCB->OnSelect = [this](TObject* s) { PrintersCBClick(s); };
    PrintModeCB->OnSelect = [this](TObject* s) { PrintModeCBClick(s); };
    PropButton->OnClick = [this](TObject* s) { PropButtonClick(s); };
    CollateCB->OnClick = [this](TObject* s) { CollateCBClick(s); };
    CopiesPB->OnPaint = [this](TObject* s) { CopiesPBPaint(s); };
    CopiesPB->OnClick = [this](TObject*) { CollateCB->SetChecked(!CollateCB->Checked()); };
    PageNumbersE->OnEnter = [this](TObject*) { PageNumbersRB->SetChecked(true); };
    PageNumbersRB->OnClick = [this](TObject*) {
        if (Visible() && PageNumbersE->Enabled()) FocusControl(PageNumbersE);
    };
    OnKeyDown = [this](TObject*, Word& Key, TShiftState) {
        if (Key == VK_F1) GlobalResources()->Help(this);
    };

    PrintersCBClick(nullptr);
    OldIndex = printers->PrinterIndex();
    CollateCBClick(nullptr);

    if (QGuiApplication::isRightToLeft()) {
        const int width = ClientWidth();
        for (TControl* c : {static_cast<TControl*>(Label12), static_cast<TControl*>(Label1),
                            static_cast<TControl*>(Label2), static_cast<TControl*>(ScaleGB),
                            static_cast<TControl*>(OtherGB), static_cast<TControl*>(OkB),
                            static_cast<TControl*>(CancelB)})
            c->SetLeft(width - c->Left() - c->Width());
    }
}

int TrptPrintDialog::SheetIndexOf(TrptCustomPrinter* Printer, int Paper) const {
    if (!Printer || Paper == CustomPaper) return -1;
    int pos = 1;
    for (const TrptPrinterItem& item : Printer->Papers()) {
        if (item.Number == CustomPaper) continue;
        if (item.Number == Paper) return pos;
        ++pos;
    }
    return -1;
}

void TrptPrintDialog::FillSheets(TrptCustomPrinter* Printer) {
    PagPageSizeCB->Items()->BeginUpdate();
    PagPageSizeCB->Items()->Clear();
    PagPageSizeCB->Items()->Add(Res("pgDefault"));
    if (Printer)
        for (const TrptPrinterItem& item : Printer->Papers())
            if (item.Number != CustomPaper) PagPageSizeCB->Items()->Add(item.Name);
    PagPageSizeCB->Items()->EndUpdate();
}

void TrptPrintDialog::PrintersCBClick(TObject*) {
    TrptPrinters* printers = GlobalPrinters();
    int remembered = -1;
    if (PagPageSizeCB->ItemIndex() > 0 && printers->Printer())
        remembered = printers->Printer()->PaperNameToNumber(PagPageSizeCB->Text());
    // Without real printers the list is empty and the virtual printer stays current.
    if (PrintersCB->ItemIndex() >= 0) printers->SetPrinterIndex(PrintersCB->ItemIndex());
    TrptCustomPrinter* printer = printers->Printer();
    WhereL1->SetCaption(printer ? printer->Port() : QString());
    FillSheets(printer);
    const int index = remembered == -1 ? -1 : SheetIndexOf(printer, remembered);
    PagPageSizeCB->SetItemIndex(index == -1 ? 0 : index);
}

void TrptPrintDialog::PrintModeCBClick(TObject*) {
    if (PrintModeCB->ItemIndex() <= 0) {
        PagPageSizeCB->SetItemIndex(0);
        PagPageSizeCB->SetEnabled(false);
        return;
    }
    PagPageSizeCB->SetEnabled(true);
    if (PagPageSizeCB->ItemIndex() == 0) {
        const int a4 = SheetIndexOf(GlobalPrinters()->Printer(), A4Paper);
        if (a4 != -1) PagPageSizeCB->SetItemIndex(a4);
    }
}

void TrptPrintDialog::PropButtonClick(TObject*) {
    TrptCustomPrinter* printer = GlobalPrinters()->Printer();
    if (!printer) return;
    printer->PropertiesDlg();
    const int duplex = printer->Duplex();
    const int mode = duplex == 1 ? static_cast<int>(dmSimplex) : duplex - 1;
    if (mode > 0) {
        ADuplexMode = static_cast<TrptDuplexMode>(mode);
        DuplexCB->SetItemIndex(mode);
    }
}

void TrptPrintDialog::CollateCBClick(TObject*) {
    CopiesPB->Invalidate();
}

void TrptPrintDialog::CopiesPBPaint(TObject*) {
    TCanvas* c = CopiesPB->Canvas();
    c->Brush().SetStyle(bsSolid);
    c->Brush().SetColor(Color());
    c->FillRect(Rect(0, 0, CopiesPB->Width(), CopiesPB->Height()));
    c->SetFont(*Font());
    // Two copies of three pages: 1 2 3 1 2 3 collated, 1 1 2 2 3 3 not.
    const bool collate = CollateCB->Checked();
    for (int copy = 0; copy < 2; ++copy)
        for (int page = 0; page < 3; ++page) {
            const int group = collate ? copy : page;
            const int inGroup = collate ? page : copy;
            DrawSheet(c, 2 + group * (collate ? 44 : 30) + inGroup * 7, 2 + inGroup * 4, page + 1);
        }
}

void TrptPrintDialog::DoShow() {
    TForm::DoShow();
    if (!AReport) return;
    const TrptPrintOptions* o = AReport->PrintOptions();
    CopiesE->SetText(QString::number(o->Copies()));
    CollateCB->SetChecked(o->Collate());
    PageNumbersE->SetText(o->PageNumbers());
    if (!o->PageNumbers().isEmpty()) PageNumbersRB->SetChecked(true);
    PrintPagesCB->SetItemIndex(static_cast<int>(o->PrintPages()));
    OrderCB->SetItemIndex(o->Reverse() ? 1 : 0);
    PrintModeCB->SetItemIndex(static_cast<int>(o->PrintMode()));
    DuplexCB->SetItemIndex(static_cast<int>(ADuplexMode));
    PrintModeCBClick(nullptr);
    if (o->PrintMode() != pmDefault) {
        const int index = SheetIndexOf(GlobalPrinters()->Printer(), o->PrintOnSheet());
        if (index != -1) PagPageSizeCB->SetItemIndex(index);
    }
}

void TrptPrintDialog::DoHide() {
    TForm::DoHide();
    TrptPrinters* printers = GlobalPrinters();
    TrptCustomPrinter* printer = printers->Printer();
    if (ModalResult() == mrOk) {
        if (printer) printer->SetFileName(QString());
        if (FileCB->Checked()) {
            if (FileDlg->Execute()) {
                // The printers write a PDF when they print to a file.
                const QFileInfo fi(FileDlg->FileName());
                const QString base = fi.completeBaseName() + QStringLiteral(".pdf");
                const QString dir = fi.path();
                if (printer) printer->SetFileName(dir == QLatin1String(".") ? base : dir + QLatin1Char('/') + base);
            } else {
                FModalResult = mrCancel;
                return; // the printer chosen here stays current
            }
        }
    }
    if (ModalResult() != mrOk) {
        if (OldIndex != printers->PrinterIndex() && OldIndex < printers->Count()) printers->SetPrinterIndex(OldIndex);
        return;
    }
    if (!AReport) return;
    TrptPrintOptions* o = AReport->PrintOptions();
    // An empty copies text counts as one copy.
    bool ok = false;
    const int copies = CopiesE->Text().toInt(&ok);
    o->SetCopies(ok && copies > 0 ? copies : 1);
    o->SetCollate(CollateCB->Checked());
    if (AllRB->Checked())
        o->SetPageNumbers(QString());
    else if (CurPageRB->Checked())
        o->SetPageNumbers(AReport->PreviewPages() ? QString::number(AReport->PreviewPages()->CurPreviewPage())
                                                  : QString());
    else
        o->SetPageNumbers(PageNumbersE->Text());
    o->SetPrintPages(static_cast<TrptPrintPages>(std::max(0, PrintPagesCB->ItemIndex())));
    ADuplexMode = static_cast<TrptDuplexMode>(std::max(0, DuplexCB->ItemIndex()));
    o->SetReverse(OrderCB->ItemIndex() == 1);
    o->SetPrintMode(static_cast<TrptPrintMode>(std::max(0, PrintModeCB->ItemIndex())));
    o->SetPrintOnSheet(printer ? printer->PaperNameToNumber(PagPageSizeCB->Text()) : CustomPaper);
}

bool ShowPrintDialog(TrptReport* Report, TrptDuplexMode& Duplex) {
    std::unique_ptr<TrptPrintDialog> dialog(new TrptPrintDialog(Application));
    dialog->AReport = Report;
    dialog->ADuplexMode = Duplex;
    if (dialog->ShowModal() != mrOk) return false;
    Duplex = dialog->ADuplexMode;
    return true;
}
