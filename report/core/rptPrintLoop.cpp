#include "report/core/rptPrintLoop.h"

#include "report/core/rptClassBand.h"
#include "report/core/rptClassBases.h"
#include "report/core/rptClassMemo.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptClassPicture.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptClassView.h"
#include "report/core/rptPrintDialog.h"
#include "report/core/rptPreparedPages.h"
#include "report/core/rptPrinter.h"
#include "report/core/rptProgress.h"
#include "report/core/rptRunControl.h"
#include "report/core/rptUtils.h"

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Graphics.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Forms.h"

#include <cmath>
#include <memory>
#include <set>
#include <vector>

namespace {

TrptCustomPrinter* GPrinterOverride = nullptr;

// Terminated, or the progress window's Cancel pressed since its last step.
bool Cancelled(TrptReport* Report) {
    if (TrptProgress* p = Report->Progress(); p && p->Terminated()) Report->SetTerminated(true);
    return Report->Terminated();
}

void ProcessPending(TrptReport* Report) {
    if (Report->EngineOptions()->EnableThreadSafe()) return;
    if (Application) Application->ProcessMessages();
}

// The page list of a job or an export: empty with All for every page. A text that cannot be
// read raises EConvertError naming it.
struct TPageList {
    std::vector<int> Numbers;
    bool All = true;
    bool Nothing = false;
};

TPageList ReadPageList(const QString& Text, int Count) {
    TPageList r;
    TStringList list;
    TrptPageSelection sel;
    try {
        sel = ParsePageRanges(Text, list, Count);
    } catch (const EConvertError&) {
        throw EConvertError(QStringLiteral("The page numbers \"%1\" are not valid").arg(Text));
    }
    r.All = sel == TrptPageSelection::AllPages;
    r.Nothing = sel == TrptPageSelection::NoPages;
    for (int i = 0; i < list.Count(); ++i) r.Numbers.push_back(list.Strings(i).toInt());
    return r;
}

class TLoopJob {
public:
    TLoopJob(TrptReport* R, TrptCustomPreviewPages* P, TrptCustomPrinter* Prn, TrptDuplexMode Duplex)
        : FReport(R), FPages(P), FPrepared(dynamic_cast<TrptPreviewPages*>(P)), FPrinter(Prn),
          FOptions(R->PrintOptions()), FDuplexChoice(Duplex) {}

    TPageList List;
    double SheetW = 0, SheetH = 0, Splicing = 0;

    void Run() {
        FReport->SetTerminated(false);
        ReportProgressStart(FReport, ptPrinting);
        FPrinter->SetTitle(FReport->ReportOptions()->Name().isEmpty() ? FReport->FileName()
                                                                      : FReport->ReportOptions()->Name());
        if (FOptions->Copies() < 1) FOptions->SetCopies(1);
        FTotal = List.All ? FPages->GetCount() : static_cast<int>(List.Numbers.size());
        FStarted = false;
        FPrevDuplexSet = false;
        FPad = false;
        try {
            if (FOptions->Collate()) {
                for (FCopy = 1; FCopy <= FOptions->Copies(); ++FCopy) {
                    RunMode();
                    if (FStopped) break;
                    if (FPad) {
                        FPad = false;
                        FPrinter->BeginPage();
                        FPrinter->EndPage();
                    }
                    if (FReport->Terminated()) break;
                }
            } else {
                FCopy = 1;
                RunMode();
            }
            if (FStarted && !FStopped) FPrinter->EndDoc();
        } catch (...) {
            if (FStarted && !FStopped) FPrinter->Abort();
            SetCopyNo(0);
            ReportProgressStop(FReport, ptPrinting);
            throw;
        }
        ReportProgressStop(FReport, ptPrinting);
    }
    bool Aborted() const { return FStopped; }

private:
    void SetCopyNo(int N) {
        if (FPrepared) FPrepared->SetCopyNo(N);
    }
    void SetPrintScale(double S) {
        if (FPrepared) FPrepared->SetPrintScale(S);
    }
    void ClearCache() {
        if (FPrepared) FPrepared->ClearPageCache();
    }
    int IndexOf(int Position) const {
        const int count = FPages->GetCount();
        const int index = List.All ? Position : List.Numbers[Position] - 1;
        return index < 0 || index > count - 1 ? -1 : index;
    }

    void RunMode() {
        const TrptPrintMode mode = FOptions->PrintMode();
        if (mode == pmJoin) {
            Join();
            return;
        }
        const bool rev = FOptions->Reverse();
        for (int k = 0; k < FTotal && !FStopped; ++k) {
            const int i = rev ? FTotal - 1 - k : k;
            TrptReportPage* page = nullptr;
            const int index = CommonStart(i, page);
            if (FStopped) break;
            if (index < 0) continue;
            if (mode == pmSplit)
                SplitStep(index, page);
            else
                PageStep(index, page, mode == pmScale);
        }
    }

    // -1 when position i is skipped; FStopped when the report was terminated.
    int CommonStart(int i, TrptReportPage*& Page) {
        const int index = IndexOf(i);
        if (index < 0) return -1;
        const TrptPrintPages parity = FOptions->PrintPages();
        if (parity == ppOdd && (index + 1) % 2 == 0) return -1;
        if (parity == ppEven && (index + 1) % 2 == 1) return -1;
        if (Cancelled(FReport)) {
            if (FStarted) FPrinter->Abort();
            FStopped = true;
            return -1;
        }
        Page = FPages->GetPage(index);
        if (!Page) return -1;
        if (FOptions->Collate()) {
            FCopies = 1;
            FCopyNo = FCopy;
        } else {
            FCopies = FOptions->Copies();
            FCopyNo = 1;
        }
        SetCopyNo(FCopyNo);
        if (FReport->OnPrintPage) FReport->OnPrintPage(Page, FCopyNo);
        return index;
    }

    TrptDuplexMode PageDuplex(TrptReportPage* Page) const {
        return FDuplexChoice != dmNone ? FDuplexChoice : Page->Duplex();
    }

    void PageStep(int Index, TrptReportPage* Page, bool Scale) {
        int bin;
        if (FBinsSeen.insert(Page->Bin()).second)
            bin = Page->Bin();
        else
            bin = Page->BinOtherPages();
        const TrptDuplexMode duplex = PageDuplex(Page);
        if (!FPrevDuplexSet || duplex != FPrevDuplex) FPad = false;
        if (duplex == dmVertical || duplex == dmHorizontal) FPad = !FPad;

        const int w = static_cast<int>(PrintRound(Page->PaperWidth()));
        const int h = static_cast<int>(PrintRound(Page->PaperHeight()));
        if (!Scale) {
            if (!FStarted || Page->PaperSize() != FPrevPaper || w != FPrevW || h != FPrevH || bin != FPrevBin ||
                Page->Orientation() != FPrevOrientation || duplex != FPrevDuplex)
                FPrinter->SetPrintParams(Page->PaperSize(), Page->PaperWidth(), Page->PaperHeight(),
                                         Page->Orientation(), bin, duplex, FCopies);
        } else if (!FStarted || bin != FPrevBin || Page->Orientation() != FPrevOrientation ||
                   duplex != FPrevDuplex) {
            FPrinter->SetPrintParams(FOptions->PrintOnSheet(), SheetW, SheetH, Page->Orientation(), bin, duplex,
                                     FCopies);
            SheetW = FPrinter->PaperWidth();
            SheetH = FPrinter->PaperHeight();
        }
        if (!FStarted) FPrinter->BeginDoc();
        FStarted = true;
        FPrinter->BeginPage();

        double kx = 1, ky = 1;
        if (Scale) {
            kx = Page->PaperWidth() > 0 ? SheetW / Page->PaperWidth() : 1;
            ky = Page->PaperHeight() > 0 ? SheetH / Page->PaperHeight() : 1;
            SetPrintScale(std::min(kx, ky));
        }
        const TPoint dpi = FPrinter->DPI();
        FPages->DrawPage(Index, FPrinter->Canvas(), dpi.X / 96.0 * kx, dpi.Y / 96.0 * ky,
                         -FPrinter->LeftMargin() * dpi.X / 25.4, -FPrinter->TopMargin() * dpi.Y / 25.4);
        ReportProgress(FReport, ptPrinting, Index + 1);
        FPrinter->EndPage();
        ProcessPending(FReport);
        FPrevPaper = Page->PaperSize();
        FPrevW = w;
        FPrevH = h;
        FPrevBin = bin;
        FPrevOrientation = Page->Orientation();
        FPrevDuplex = duplex;
        FPrevDuplexSet = true;
        ClearCache();
    }

    void SplitStep(int Index, TrptReportPage* Page) {
        const int bin = Index == 0 ? Page->Bin() : Page->BinOtherPages();
        const double pw = Page->PaperWidth(), ph = Page->PaperHeight();
        TrptSheetArrangement first = ArrangeSheets(pw, ph, SheetW, SheetH);
        double wred = first.X > 1 ? Splicing + FPrinter->TopMargin() + FPrinter->BottomMargin() : 0;
        double hred = first.Y > 1 ? Splicing + FPrinter->LeftMargin() + FPrinter->RightMargin() : 0;
        if (first.Rotated) std::swap(wred, hred);
        const TrptSheetArrangement a = ArrangeSheets(pw, ph, SheetW - wred, SheetH - hred);
        const TrptDuplexMode duplex = PageDuplex(Page);
        const TPrinterOrientation orientation = a.Rotated ? poLandscape : poPortrait;
        if (!FStarted || orientation != FPrevOrientation)
            FPrinter->SetPrintParams(FOptions->PrintOnSheet(), SheetW, SheetH, orientation, bin, duplex, FCopies);
        if (!FStarted) FPrinter->BeginDoc();
        FStarted = true;

        const TPoint dpi = FPrinter->DPI();
        const double W = dpi.X / 25.4 * (a.Rotated ? SheetH : SheetW);
        const double H = dpi.Y / 25.4 * (a.Rotated ? SheetW : SheetH);
        const double L = FPrinter->LeftMargin() * dpi.X / 25.4, R = FPrinter->RightMargin() * dpi.X / 25.4;
        const double T = FPrinter->TopMargin() * dpi.Y / 25.4, B = FPrinter->BottomMargin() * dpi.Y / 25.4;
        const double SX = Splicing * dpi.X / 25.4, SY = Splicing * dpi.Y / 25.4;
        TCanvas* canvas = FPrinter->Canvas();

        double offY = -T, runY = 0, shiftY = 0;
        for (int row = 0; row < a.Y; ++row) {
            double offX = -L, runX = 0, shiftX = 0;
            for (int col = 0; col < a.X; ++col) {
                FPrinter->BeginPage();
                const TCanvasState saved = canvas->SaveState();
                try {
                    canvas->SetClipRect(TRect(static_cast<int>(PrintRound(L + shiftX)),
                                              static_cast<int>(PrintRound(T + shiftY)),
                                              static_cast<int>(PrintRound(pw * rptMMFactor * dpi.X / 96 - R)) - 1,
                                              static_cast<int>(PrintRound(ph * rptMMFactor * dpi.Y / 96 - B)) - 1));
                    FPages->DrawPage(Index, canvas, dpi.X / 96.0, dpi.Y / 96.0, offX, offY);
                } catch (...) {
                    canvas->RestoreState(saved);
                    throw;
                }
                canvas->RestoreState(saved);
                FPrinter->EndPage();
                shiftX = SX;
                runX += (W - L - R) - shiftX;
                offX = -runX;
            }
            shiftY = SY;
            runY += (H - T - B) - shiftY;
            offY = -runY;
        }
        ReportProgress(FReport, ptPrinting, Index + 1);
        ProcessPending(FReport);
        FPrevOrientation = orientation;
        ClearCache();
    }

    TrptReportPage* NextPage(int& p) {
        ++p;
        if (p > FTotal - 1) return nullptr;
        const int index = IndexOf(p);
        return index < 0 ? nullptr : FPages->GetPage(index);
    }

    void Join() {
        if (FTotal <= 0) return;
        int p = -1;
        TrptReportPage* firstPage = NextPage(p);
        if (!firstPage) return;
        const double fw = firstPage->PaperWidth(), fh = firstPage->PaperHeight();
        const int firstBin = firstPage->Bin();
        const TrptDuplexMode duplex = PageDuplex(firstPage);
        TrptSheetArrangement a = ArrangeSheets(SheetW, SheetH, fw, fh);
        TPrinterOrientation orientation = poPortrait;
        if (a.Rotated) {
            std::swap(a.X, a.Y);
            orientation = poLandscape;
        }
        FPrinter->SetPrintParams(FOptions->PrintOnSheet(), SheetW, SheetH, orientation, firstBin, duplex, 1);
        FStarted = true;
        FPrinter->BeginDoc();
        const TPoint dpi = FPrinter->DPI();
        const double stepX = dpi.X / 25.4 * fw, stepY = dpi.Y / 25.4 * fh;
        const int copies = FOptions->Copies();

        p = -1;
        while (p < FTotal - 1) {
            int copy = 1;
            double offY = -FPrinter->TopMargin() * dpi.Y / 25.4;
            FPrinter->BeginPage();
            bool stop = false;
            int index = -1;
            for (int row = 0; row < a.Y && !stop; ++row) {
                double offX = -FPrinter->LeftMargin() * dpi.X / 25.4;
                for (int cell = 0; cell < a.X; ++cell) {
                    FCopyNo = copy;
                    SetCopyNo(copy);
                    TrptReportPage* page;
                    if (copy == 1) {
                        page = NextPage(p);
                        index = p <= FTotal - 1 ? IndexOf(p) : -1;
                    } else {
                        ClearCache();
                        page = index < 0 ? nullptr : FPages->GetPage(index);
                    }
                    if (++copy > copies) copy = 1;
                    if (!page) {
                        stop = true;
                        break;
                    }
                    if (FReport->OnPrintPage) FReport->OnPrintPage(page, FCopyNo);
                    FPages->DrawPage(index, FPrinter->Canvas(), dpi.X / 96.0, dpi.Y / 96.0, offX, offY);
                    offX += stepX;
                }
                if (!stop) offY += stepY;
            }
            FPrinter->EndPage();
            ReportProgress(FReport, ptPrinting, p);
            ProcessPending(FReport);
            if (FReport->Terminated()) {
                FPrinter->Abort();
                FStopped = true;
                return;
            }
            ClearCache();
        }
    }

    TrptReport* FReport;
    TrptCustomPreviewPages* FPages;
    TrptPreviewPages* FPrepared;
    TrptCustomPrinter* FPrinter;
    TrptPrintOptions* FOptions;
    TrptDuplexMode FDuplexChoice;
    std::set<int> FBinsSeen;
    int FTotal = 0;
    int FCopy = 1;
    int FCopyNo = 0;
    int FCopies = 1;
    bool FStarted = false;
    bool FStopped = false;
    bool FPad = false;
    int FPrevPaper = 0, FPrevW = 0, FPrevH = 0, FPrevBin = 0;
    TPrinterOrientation FPrevOrientation = poPortrait;
    TrptDuplexMode FPrevDuplex = dmNone;
    bool FPrevDuplexSet = false;
};

} // namespace

int SheetPieces(double Size, double Piece) {
    if (Piece <= 0) return 1;
    const double q = Size / Piece;
    const double t = std::trunc(q);
    if (std::fabs(t * Piece - Size) < 11) return static_cast<int>(PrintRound(q));
    return static_cast<int>(t) + 1;
}

TrptSheetArrangement ArrangeSheets(double A, double B, double C, double D) {
    const int x = SheetPieces(A, C), y = SheetPieces(B, D);
    const int rx = SheetPieces(A, D), ry = SheetPieces(B, C);
    if (rx * ry < x * y) return {rx, ry, true};
    return {x, y, false};
}

double PrintRound(double Value) {
    return std::nearbyint(Value);
}

TrptCustomPrinter* SetPrintLoopPrinter(TrptCustomPrinter* Printer) {
    TrptCustomPrinter* old = GPrinterOverride;
    GPrinterOverride = Printer;
    return old;
}

TrptCustomPrinter* PrintLoopPrinter() {
    return GPrinterOverride ? GPrinterOverride : GlobalPrinters()->Printer();
}

bool PrintPreparedPages(TrptReport* Report, TrptCustomPreviewPages* Pages) {
    if (!Report || !Pages) return false;
    if (!GPrinterOverride && !GlobalPrinters()->HasPhysicalPrinters()) {
        ShowErrorMessage(ReportText(QStringLiteral("clNoPrinters")));
        return false;
    }
    TrptPrintOptions* options = Report->PrintOptions();
    if (TrptPreviewPages* pp = dynamic_cast<TrptPreviewPages*>(Pages)) pp->SetPrintScale(1);
    TrptPrintOptions saved;
    saved.Assign(options);
    TrptDuplexMode duplex = options->Duplex();
    // The printer named in the options becomes current when it is installed.
    if (!GPrinterOverride && !options->Printer().isEmpty()) {
        const int index = GlobalPrinters()->IndexOf(options->Printer());
        if (index >= 0 && index != GlobalPrinters()->PrinterIndex()) GlobalPrinters()->SetPrinterIndex(index);
    }
    if (options->ShowDialog()) {
        if (!ShowPrintDialog(Report, duplex)) return false;
        options->SetDuplex(duplex);
    }
    TrptCustomPrinter* printer = PrintLoopPrinter();
    if (!printer) {
        ShowErrorMessage(QStringLiteral("Printer selected is not valid"));
        options->Assign(&saved);
        return false;
    }
    if (!options->ShowDialog()) printer->SetFileName(options->PrnOutFileName());

    bool result = true;
    const QString printerName = printer->Name();
    try {
        TLoopJob job(Report, Pages, printer, duplex);
        if (options->PrintMode() != pmDefault) {
            if (options->PrintOnSheet() == rptCustomPaper)
                printer->SetViewParams(rptCustomPaper, printer->PaperWidth(), printer->PaperHeight(), poPortrait);
            else
                printer->SetViewParams(options->PrintOnSheet(), 0, 0, poPortrait);
            job.SheetW = printer->PaperWidth();
            job.SheetH = printer->PaperHeight();
            job.Splicing = options->SplicingLine();
        }
        if (Report->OnPrintReport) Report->OnPrintReport(Report);
        Report->DoNotifyEvent(Report, Report->OnReportPrint(), !Report->EngineOptions()->DestroyForms());
        if (TrptCustomPreview* preview = Report->Preview()) {
            preview->Lock();
            preview->Invalidate();
        }
        if (!printer->Initialized()) {
            // The printer may have gone between the dialog and the job.
            ShowErrorMessage(QStringLiteral("Printer selected is not valid: %1").arg(printerName));
            result = false;
        } else {
            job.List = ReadPageList(options->PageNumbers(), Pages->GetCount());
            if (job.List.Nothing) {
                ShowErrorMessage(QStringLiteral("The page numbers \"%1\" name no page of the report")
                                     .arg(options->PageNumbers()));
                result = false;
            } else {
                if (TrptPreviewPages* pp = dynamic_cast<TrptPreviewPages*>(Pages)) pp->ClearPageCache();
                job.Run();
                if (job.Aborted()) result = false;
            }
        }
    } catch (const Exception& e) {
        ShowErrorMessage(e.Message());
        result = false;
    }
    if (Report->OnAfterPrintReport) Report->OnAfterPrintReport(Report);
    if (TrptPreviewPages* pp = dynamic_cast<TrptPreviewPages*>(Pages)) pp->SetCopyNo(0);
    const TrptDuplexMode keep = options->Duplex();
    options->Assign(&saved);
    options->SetDuplex(keep);
    return result;
}

// ---------------------------------------------------------------------------------------------
// Export

namespace {

class TExportRun {
public:
    TExportRun(TrptReport* R, TrptCustomPreviewPages* P, TrptCustomExportFilter* F)
        : FReport(R), FPages(P), FPrepared(dynamic_cast<TrptPreviewPages*>(P)), FFilter(F) {}

    TPageList List;

    void Run() {
        FFilter->DoBeginExport();
        if (!FFilter->Start()) return;
        TrptCustomPreview* preview = FReport->Preview();
        if (preview) {
            preview->Lock();
            preview->Invalidate();
        }
        const bool progress = FFilter->ShowProgress();
        if (progress) ReportProgressStart(FReport, ptExporting);
        try {
            const int count = FPages->GetCount();
            for (int i = 0; i < count; ++i) {
                PageStep(i, count);
                ProcessPending(FReport);
            }
        } catch (...) {
            Finish(preview, progress);
            throw;
        }
        Finish(preview, progress);
    }

private:
    void Finish(TrptCustomPreview* preview, bool progress) {
        if (preview) {
            preview->Unlock();
            preview->Invalidate();
        }
        if (progress) ReportProgressStop(FReport, ptExporting);
        FFilter->Finish();
    }

    bool Listed(int i) const {
        if (List.All) return true;
        for (int n : List.Numbers)
            if (n == i + 1) return true;
        return false;
    }

    void PageStep(int i, int count) {
        if (!Listed(i)) return;
        TrptReportPage* page = FPages->GetPage(i);
        if (!page) return;
        if (FFilter->ShowProgress()) ReportProgress(FReport, ptExporting, i + 1);
        FFilter->StartPage(page, i);
        try {
            const double left = page->MirrorMargins() && i % 2 == 1 ? page->RightMargin() : page->LeftMargin();
            page->SetLeft(left * rptMMFactor);
            page->SetTop(page->TopMargin() * rptMMFactor);
            Background(page);
            const TrptComponentList objects = page->Objects();
            for (TrptComponent* c : objects) {
                if (FFilter->SuppressPageHeadersFooters()) {
                    if (dynamic_cast<TrptPageHeader*>(c) && i != 0) continue;
                    if (dynamic_cast<TrptPageFooter*>(c) && i != count - 1) continue;
                }
                HandOver(c);
                const TrptComponentList children = c->Objects();
                for (TrptComponent* child : children) HandOver(child);
            }
        } catch (...) {
            FFilter->FinishPage(page, i);
            AfterPage(page);
            throw;
        }
        FFilter->FinishPage(page, i);
        AfterPage(page);
    }

    void AfterPage(TrptReportPage* page) {
        if (FReport->Preview()) {
            page->SetLeft(0);
            page->SetTop(0);
        } else if (FPrepared) {
            FPrepared->ClearPageCache();
        }
    }

    // The page's colour, frame and picture as an object of its own under the page's objects.
    void Background(TrptReportPage* page) {
        TrptPictureView view;
        view.SetName(QStringLiteral("_pagebackground"));
        view.SetColor(page->Color());
        view.SetFrame(page->Frame());
        if (auto* back = dynamic_cast<TrptPictureView*>(page->BackPictureObject())) view.SetPicture(back->Picture());
        view.SetStretched(true);
        view.SetKeepAspectRatio(false);
        view.SetBounds(page->Left(), page->Top(),
                       page->Width() - (page->LeftMargin() + page->RightMargin()) * rptMMFactor,
                       page->Height() - (page->TopMargin() + page->BottomMargin()) * rptMMFactor);
        HandOver(&view);
    }

    void HandOver(TrptComponent* Obj) {
        if (FFilter->DataOnly() && !(Obj->Parent() && dynamic_cast<TrptDataBand*>(Obj->Parent()))) return;
        if (auto* memo = dynamic_cast<TrptCustomMemoView*>(Obj)) {
            if (memo->Highlight()->Active()) memo->Font()->Assign(*memo->Highlight()->Font());
            memo->SetTotalPages(FPages->GetCount());
            memo->SetCopyNo(1);
            memo->ExtractMacros();
            if (memo->AutoWidth()) {
                if (!FScratch) FScratch = std::make_unique<TBitmap>();
                memo->Draw(&FScratch->Canvas(), 1, 1, 0, 0);
            }
        }
        FFilter->ExportObject(Obj);
        if (Cancelled(FReport)) throw EExportTerminated(QStringLiteral("Export terminated"));
    }

    TrptReport* FReport;
    TrptCustomPreviewPages* FPages;
    TrptPreviewPages* FPrepared;
    TrptCustomExportFilter* FFilter;
    std::unique_ptr<TBitmap> FScratch;
};

} // namespace

bool ExportPreparedPages(TrptReport* Report, TrptCustomPreviewPages* Pages, TrptCustomExportFilter* Filter) {
    if (TrptPreviewPages* pp = dynamic_cast<TrptPreviewPages*>(Pages)) pp->SetCopyNo(0);
    if (!Filter || !Report || !Pages) return false;
    Filter->SetCreationTime(Now());
    Filter->SetReport(Report);
    if (Filter->ShowDialog() && Filter->ShowModal() != mrOk) return false;
    if (Filter->CurPage())
        Filter->SetPageNumbers(Report->Preview() ? QString::number(Pages->CurPreviewPage()) : QStringLiteral("1"));
    bool result = true;
    Report->SetTerminated(false);
    try {
        TExportRun run(Report, Pages, Filter);
        run.List = ReadPageList(Filter->PageNumbers(), Pages->GetCount());
        // A list that names no page exports nothing rather than every page.
        if (run.List.Nothing) return false;
        run.Run();
        // A filter's own progress window can be cancelled while it finishes.
        if (Report->Terminated()) result = false;
    } catch (const EExportTerminated&) {
        // Cancelled: the filter finished with the report terminated, so it leaves the partial
        // file closed and unopened; the caller learns that nothing complete was written.
        result = false;
    } catch (const Exception& e) {
        result = false;
        Report->Errors()->Add(e.Message());
        HandleReportError(Report->EngineOptions()->NewSilentMode(),
                          ReportText(QStringLiteral("clErrors")) + QStringLiteral("\r\n") + Report->Errors()->Text());
    }
    return result;
}
