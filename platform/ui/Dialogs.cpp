#include "platform/ui/Dialogs.h"

#include "platform/gfx/Picture.h"
#include "platform/print/Printers.h"

#include <QFileInfo>

#include <climits>

TOpenDialog::TOpenDialog(TComponent* AOwner)
    : TCommonDialog(AOwner), FFiles(std::make_unique<TStringList>()) {}

bool TOpenDialog::Execute() {
    if (OnShow) OnShow(this);
    TFileRequest r;
    r.Save = IsSave();
    r.Title = FTitle;
    r.Filter = FFilter;
    r.FilterIndex = FFilterIndex;
    r.InitialDir = FInitialDir;
    r.FileName = FFileName;
    r.DefaultExt = FDefaultExt;
    r.MultiSelect = FOptions.Contains(ofAllowMultiSelect);
    r.OverwritePrompt = FOptions.Contains(ofOverwritePrompt);
    r.FileMustExist = FOptions.Contains(ofFileMustExist);
    TFileAnswer answer;
    const bool ok = UIServices().SelectFile(r, answer);
    if (ok) {
        FFiles->Clear();
        FFiles->AddStrings(answer.Files);
        FFileName = answer.Files.isEmpty() ? QString() : answer.Files.first();
        // A saved name without extension takes the default one.
        if (r.Save && !FDefaultExt.isEmpty() && !FFileName.isEmpty() &&
            QFileInfo(FFileName).suffix().isEmpty())
            FFileName += QLatin1Char('.') + (FDefaultExt.startsWith(QLatin1Char('.')) ? FDefaultExt.mid(1) : FDefaultExt);
        FFilterIndex = answer.FilterIndex;
    }
    if (OnClose) OnClose(this);
    return ok;
}

TOpenPictureDialog::TOpenPictureDialog(TComponent* AOwner) : TOpenDialog(AOwner) {
    FFilter = GraphicFilter();
}

TSavePictureDialog::TSavePictureDialog(TComponent* AOwner) : TSaveDialog(AOwner) {
    FFilter = GraphicFilter();
}

bool TColorDialog::Execute() {
    if (OnShow) OnShow(this);
    TColor c = FColor;
    const bool ok = UIServices().SelectColor(c);
    if (ok) FColor = c;
    if (OnClose) OnClose(this);
    return ok;
}

TFontDialog::TFontDialog(TComponent* AOwner) : TCommonDialog(AOwner), FFont(std::make_unique<TFont>()) {}

bool TFontDialog::Execute() {
    if (OnShow) OnShow(this);
    TFontChoice f;
    f.Name = FFont->Name();
    f.Size = FFont->Size();
    const TFontStyles st = FFont->Style();
    f.Style = (st.Contains(fsBold) ? 1 : 0) | (st.Contains(fsItalic) ? 2 : 0) |
              (st.Contains(fsUnderline) ? 4 : 0) | (st.Contains(fsStrikeOut) ? 8 : 0);
    f.Color = FFont->Color();
    const bool ok = UIServices().SelectFont(f);
    if (ok) {
        FFont->SetName(f.Name);
        FFont->SetSize(f.Size);
        TFontStyles s;
        if (f.Style & 1) s.Include(fsBold);
        if (f.Style & 2) s.Include(fsItalic);
        if (f.Style & 4) s.Include(fsUnderline);
        if (f.Style & 8) s.Include(fsStrikeOut);
        FFont->SetStyle(s);
        FFont->SetColor(f.Color);
    }
    if (OnClose) OnClose(this);
    return ok;
}

// The printer the user chose becomes the process's current one.
static void TakePrinter(const TPrintRequest& r) {
    if (r.PrinterIndex >= 0 && r.PrinterIndex < r.Printers.size())
        SetCurrentPrinterName(r.Printers[r.PrinterIndex]);
}

static TPrintRequest PrinterRequest(bool setup) {
    TPrintRequest r;
    r.Setup = setup;
    r.Printers = PrinterNames();
    r.PrinterIndex = CurrentPrinterIndex();
    return r;
}

void TPrintDialog::ClampPages(int& from, int& to) const {
    int lo = std::max(0, FMinPage);
    int hi = FMaxPage > 0 ? FMaxPage : INT_MAX;
    if (lo > hi) std::swap(lo, hi);
    from = std::clamp(from, lo, hi);
    to = std::clamp(to, lo, hi);
    if (to < from) std::swap(from, to);
}

bool TPrintDialog::Execute() {
    if (OnShow) OnShow(this);
    TPrintRequest r = PrinterRequest(false);
    r.MinPage = FMinPage;
    r.MaxPage = FMaxPage;
    r.FromPage = FFromPage;
    r.ToPage = FToPage;
    // The dialog is shown with a valid range, so that it does not refuse to open.
    ClampPages(r.FromPage, r.ToPage);
    r.Copies = FCopies;
    r.Collate = FCollate;
    r.AllowPageNums = FOptions.Contains(poPageNums);
    r.AllowSelection = FOptions.Contains(poSelection);
    r.ShowPrintToFile = FOptions.Contains(poPrintToFile);
    r.EnablePrintToFile = !FOptions.Contains(poDisablePrintToFile);
    const bool fileAllowed = r.ShowPrintToFile && r.EnablePrintToFile;
    r.PrintToFile = FPrintToFile;
    r.Range = FPrintRange;
    const bool ok = UIServices().SelectPrinter(r);
    if (ok) {
        TakePrinter(r);
        // Only what the dialog offered can come back from it.
        if ((r.Range == prPageNums && !r.AllowPageNums) || (r.Range == prSelection && !r.AllowSelection))
            r.Range = prAllPages;
        FPrintRange = r.Range;
        ClampPages(r.FromPage, r.ToPage);
        FFromPage = r.FromPage;
        FToPage = r.ToPage;
        FCopies = std::max(1, r.Copies);
        FCollate = r.Collate;
        if (fileAllowed) FPrintToFile = r.PrintToFile;
    }
    if (OnClose) OnClose(this);
    return ok;
}

bool TPrinterSetupDialog::Execute() {
    if (OnShow) OnShow(this);
    TPrintRequest r = PrinterRequest(true);
    const bool ok = UIServices().SelectPrinter(r);
    if (ok) TakePrinter(r);
    if (OnClose) OnClose(this);
    return ok;
}

// ---------------------------------------------------------------------------------------------
// Published properties
TFindDialog::TFindDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}

TFindDialog::~TFindDialog() {
    if (FWindow) {
        FWindow->disconnect();
        std::unique_ptr<QWidget> doomed(FWindow.data());
    }
}

bool TFindDialog::Execute() {
    if (OnShow) OnShow(this);
    FOpen = true;
    UIServices().ShowFind(this);
    return true;
}

void TFindDialog::CloseDialog() {
    if (FOpen) UIServices().CloseFind(this);
}

void TFindDialog::DoFind() {
    if (OnFind) OnFind(this);
}

void TFindDialog::DoClose() {
    if (!FOpen) return;
    FOpen = false;
    FOptions.Exclude(frFindNext);
    if (OnClose) OnClose(this);
}

KORVEL_CLASS_INFO(TFindDialog) {
    b.Prop("FindText", &TFindDialog::FindText, &TFindDialog::SetFindText);
    b.Event("OnFind", &TFindDialog::OnFind, "TNotifyEvent");
}

KORVEL_CLASS_INFO(TCommonDialog) {
    b.Event("OnShow", &TCommonDialog::OnShow, "TNotifyEvent");
    b.Event("OnClose", &TCommonDialog::OnClose, "TNotifyEvent");
}
KORVEL_CLASS_INFO(TOpenDialog) {
    b.Prop("DefaultExt", &TOpenDialog::DefaultExt, &TOpenDialog::SetDefaultExt);
    b.Prop("FileName", &TOpenDialog::FileName, &TOpenDialog::SetFileName).Type("TFileName");
    b.Prop("Files", &TOpenDialog::Files);
    b.Prop("Filter", &TOpenDialog::Filter, &TOpenDialog::SetFilter);
    b.Prop("FilterIndex", &TOpenDialog::FilterIndex, &TOpenDialog::SetFilterIndex).Default(1);
    b.Prop("InitialDir", &TOpenDialog::InitialDir, &TOpenDialog::SetInitialDir);
    b.Prop("Title", &TOpenDialog::Title, &TOpenDialog::SetTitle);
}
KORVEL_CLASS_INFO(TSaveDialog) {}
KORVEL_CLASS_INFO(TOpenPictureDialog) {}
KORVEL_CLASS_INFO(TSavePictureDialog) {}
KORVEL_CLASS_INFO(TColorDialog) {
    b.Prop("Color", &TColorDialog::Color, &TColorDialog::SetColor).Type("TColor").Default(clBlack);
}
KORVEL_CLASS_INFO(TFontDialog) {
    b.Prop("Font", &TFontDialog::Font, &TFontDialog::SetFont);
}
KORVEL_CLASS_INFO(TPrintDialog) {
    b.Prop("Collate", &TPrintDialog::Collate, &TPrintDialog::SetCollate).Default(false);
    b.Prop("Copies", &TPrintDialog::Copies, &TPrintDialog::SetCopies).Default(1);
    b.Prop("FromPage", &TPrintDialog::FromPage, &TPrintDialog::SetFromPage).Default(0);
    b.Prop("MinPage", &TPrintDialog::MinPage, &TPrintDialog::SetMinPage).Default(0);
    b.Prop("MaxPage", &TPrintDialog::MaxPage, &TPrintDialog::SetMaxPage).Default(0);
    b.Prop("Options", &TPrintDialog::Options, &TPrintDialog::SetOptions).Default(TPrintDialogOptions{});
    b.Prop("PrintToFile", &TPrintDialog::PrintToFile, &TPrintDialog::SetPrintToFile).Default(false);
    b.Prop("PrintRange", &TPrintDialog::PrintRange, &TPrintDialog::SetPrintRange).Default(prAllPages);
    b.Prop("ToPage", &TPrintDialog::ToPage, &TPrintDialog::SetToPage).Default(0);
}
KORVEL_CLASS_INFO(TPrinterSetupDialog) {}
