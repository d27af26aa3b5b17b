#include "report/core/rptRunControl.h"

#include "report/core/rptClassBand.h"
#include "report/core/rptClassBases.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptDataSets.h"
#include "report/core/rptEngine.h"
#include "report/core/rptPreparedPages.h"
#include "report/core/rptPrintLoop.h"
#include "report/core/rptProgress.h"
#include "report/core/rptRes.h"
#include "report/core/rptUtils.h"

#include "platform/rtl/Streams.h"
#include "platform/rtl/StringList.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "script/sc_iinterpreter.h"

#include <map>
#include <memory>
#include <set>

namespace {

TrptPreviewWindowFactory& PreviewFactory() {
    static TrptPreviewWindowFactory f;
    return f;
}

// Reports whose preparation runs now.
std::set<const TrptReport*>& Preparing() {
    static std::set<const TrptReport*> s;
    return s;
}

// The progress windows, by report (the report's Progress points at its entry).
std::map<const TrptReport*, std::unique_ptr<TrptProgress>>& ProgressWindows() {
    static std::map<const TrptReport*, std::unique_ptr<TrptProgress>> m;
    return m;
}

void ProcessPending() {
    if (Application) Application->ProcessMessages();
}

bool UsesProgressWindow(TrptReport* Report, TrptProgressType Type) {
    return (Report->OldStyleProgress() || Type != ptRunning) && Report->ShowProgress();
}

void FreeProgressWindow(TrptReport* Report) {
    auto& windows = ProgressWindows();
    auto it = windows.find(Report);
    if (it == windows.end()) return;
    std::unique_ptr<TrptProgress> w = std::move(it->second);
    windows.erase(it);
    if (Report->Progress() == w.get()) Report->SetProgress(nullptr);
}

void EnsureEngineAndPages(TrptReport* Report) {
    if (!Report->PreviewPages()) EnsurePreviewPages(Report);
    if (!Report->Engine()) Report->SetEngine(std::make_unique<TrptEngine>(Report));
}

void ShowErrorsOf(TrptReport* Report) {
    HandleReportError(Report->EngineOptions()->NewSilentMode(),
                      ReportText(QStringLiteral("clErrors")) + QStringLiteral("\r\n") + Report->Errors()->Text());
}

// A preview window closed by the user while the pages are made cancels the preparation: a modal
// window has its modal result set (its loop cannot end before the preparation returns), a
// modeless one is hidden.
void CheckPreviewClosed(TrptReport* Report) {
    TForm* form = Report->PreviewForm();
    if (!form || !ReportPreparing(Report)) return;
    if (form->Modal() ? form->ModalResult() != mrNone : !form->Visible()) Report->SetTerminated(true);
}

class TPreparingMark {
public:
    explicit TPreparingMark(TrptReport* R) : FReport(R) { Preparing().insert(R); }
    ~TPreparingMark() { Preparing().erase(FReport); }
    TPreparingMark(const TPreparingMark&) = delete;
    TPreparingMark& operator=(const TPreparingMark&) = delete;

private:
    TrptReport* FReport;
};

} // namespace

TrptPreviewWindowFactory SetPreviewWindowFactory(TrptPreviewWindowFactory Factory) {
    TrptPreviewWindowFactory old = std::move(PreviewFactory());
    PreviewFactory() = std::move(Factory);
    return old;
}

bool ReportPreparing(TrptReport* Report) {
    return Preparing().count(Report) > 0;
}

bool PrepareReport(TrptReport* Report, bool ClearLastReport) {
    if (!Report) return false;
    // Events processed during a preparation may ask for another one: the running one goes on.
    if (ReportPreparing(Report) || (Report->Engine() && Report->Engine()->Running())) return false;
    TPreparingMark mark(Report);
    EnsureEngineAndPages(Report);
    if (ClearLastReport) Report->PreviewPages()->Clear();
    Report->Errors()->Clear();
    Report->SetTerminated(false);
    bool result = false;

    TrptReportDataSets* sets = Report->DataSets();
    for (int i = 0; i < sets->Count(); ++i) {
        TrptDataSetItem* item = sets->Items(i);
        if (!item->DataSet())
            Report->Errors()->Add(ReportText(QStringLiteral("clDSNotExist")).replace(QLatin1String("%s"), item->DataSetName()));
    }
    // A data band naming a dataset that cannot be found would otherwise vanish without a word.
    for (TrptComponent* c : Report->AllObjects())
        if (auto* band = dynamic_cast<TrptDataBand*>(c); band && !band->DataSet() && !band->DataSetName().isEmpty())
            Report->Errors()->Add(ReportText(QStringLiteral("clDSNotExist")).replace(QLatin1String("%s"), band->DataSetName()));

    if (Report->Errors()->Count() == 0) {
        const bool destroyForms = Report->EngineOptions()->DestroyForms();
        const QString password = Report->ReportOptions()->Password();
        const int splicing = Report->PrintOptions()->SplicingLine();
        std::unique_ptr<TMemoryStream> snapshot;
        if (destroyForms) {
            snapshot = std::make_unique<TMemoryStream>();
            Report->ReportOptions()->SetPassword(QString());
            Report->SaveToStream(*snapshot, true, false, false);
            Report->ReportOptions()->SetPassword(password);
        }
        try {
            if (Report->OnBeginDoc) Report->OnBeginDoc(Report);
            if (Report->PrepareScript()) {
                if (Report->OnAfterScriptCompile) Report->OnAfterScriptCompile(Report);
                TscStatement* main = Report->Script()->Statement();
                if (main && main->Count() > 0) Report->Script()->Execute();
                bool ran = false;
                if (!Report->Terminated()) ran = Report->Engine()->Run();
                if (ran && !Report->Terminated()) {
                    if (Report->OnEndDoc) Report->OnEndDoc(Report);
                    result = true;
                } else if (TForm* form = Report->PreviewForm()) {
                    form->Close();
                }
            }
        } catch (const Exception& e) {
            Report->Errors()->Add(e.Message());
            result = false;
        }
        if (snapshot) {
            const QString errors = Report->Errors()->Text();
            snapshot->SetPosition(0);
            Report->SetReloading(true);
            try {
                Report->LoadFromStream(*snapshot);
            } catch (const Exception& e) {
                Report->SetReloading(false);
                Report->ReportOptions()->SetPassword(password);
                Report->PrintOptions()->SetSplicingLine(splicing);
                Report->Errors()->SetText(errors);
                Report->Errors()->Add(e.Message());
                snapshot.reset();
                ShowErrorsOf(Report);
                return false;
            }
            Report->SetReloading(false);
            Report->ReportOptions()->SetPassword(password);
            Report->PrintOptions()->SetSplicingLine(splicing);
            Report->Errors()->SetText(errors);
        }
    }
    if (Report->Errors()->Count() > 0) {
        result = false;
        ShowErrorsOf(Report);
    }
    return result;
}

void ShowReport(TrptReport* Report, bool ClearLastReport) {
    if (!Report) return;
    EnsureEngineAndPages(Report);
    if (ClearLastReport) Report->PreviewPages()->Clear();
    if (Report->OldStyleProgress()) {
        if (PrepareReport(Report, false)) ShowPreparedReport(Report);
        return;
    }
    TTimer* timer = Report->Timer();
    timer->SetInterval(50);
    timer->OnTimer = [Report](TObject*) {
        Report->Timer()->SetEnabled(false);
        // The prepared pages report their progress through the host event; the window's state
        // is checked there too, so that closing it stops this preparation.
        TrptProgressEvent host = Report->OnProgress;
        Report->OnProgress = [Report, host](TrptReport* Sender, TrptProgressType Type, int Progress) {
            if (host) host(Sender, Type, Progress);
            CheckPreviewClosed(Report);
        };
        try {
            PrepareReport(Report, false);
        } catch (...) {
            Report->OnProgress = host;
            throw;
        }
        Report->OnProgress = host;
    };
    timer->SetEnabled(true);
    ShowPreparedReport(Report);
    // No window took the pending preparation (none registered, or it opened modeless).
    if (timer->Enabled() && !Report->PreviewForm()) {
        timer->SetEnabled(false);
        PrepareReport(Report, false);
    }
}

void ShowPreparedReport(TrptReport* Report) {
    if (!Report) return;
    EnsureEngineAndPages(Report);
    Report->SetPreviewForm(nullptr);
    if (TrptCustomPreview* preview = Report->Preview()) {
        preview->SetReport(Report);
        preview->SetPreviewPages(Report->PreviewPages());
        preview->Init();
        return;
    }
    if (!PreviewFactory()) return;
    TrptPreviewWindow w = PreviewFactory()(Report);
    if (!w.Form) return;
    std::unique_ptr<TForm> owned(w.Form);
    Report->SetPreviewForm(w.Form);
    if (w.Preview) Report->SetPreview(w.Preview);
    // Closing the window while the pages are made cancels the preparation cleanly.
    TCloseEvent previous = w.Form->OnClose;
    w.Form->OnClose = [Report, previous](TObject* Sender, TCloseAction& Action) {
        if (previous) previous(Sender, Action);
        if (ReportPreparing(Report)) Report->SetTerminated(true);
    };
    if (Report->OnPreview) Report->OnPreview(Report);
    if (Report->PreviewOptions()->Modal()) {
        w.Form->ShowModal();
        // The window's loop may have ended while a preparation still runs from its timer tick;
        // it is freed only after that returns.
        if (Report->Timer()->Enabled()) Report->Timer()->SetEnabled(false);
        if (Report->Preview() == w.Preview) Report->SetPreview(nullptr);
        Report->SetPreviewForm(nullptr);
        owned.reset();
    } else {
        // The window frees itself when closed; the report forgets it then.
        TForm* form = owned.release();
        TCloseEvent closing = form->OnClose;
        form->OnClose = [Report, form, closing](TObject* Sender, TCloseAction& Action) {
            if (closing) closing(Sender, Action);
            Action = caFree;
            if (Report->PreviewForm() == form) Report->SetPreviewForm(nullptr);
        };
        form->Show();
    }
}

bool PrintReport(TrptReport* Report) {
    if (!Report) return false;
    EnsureEngineAndPages(Report);
    return PrintPreparedPages(Report, Report->PreviewPages());
}

bool ExportReport(TrptReport* Report, TrptCustomExportFilter* Filter) {
    if (!Report) return false;
    EnsureEngineAndPages(Report);
    return ExportPreparedPages(Report, Report->PreviewPages(), Filter);
}

void DesignReport(TrptReport* Report, bool Modal, bool MDIChild) {
    (void)MDIChild;
    if (!Report || Report->Designer() || !DesignerClass()) return;
    Report->Script()->ClearItems(Report);
    for (TrptComponent* c : Report->AllObjects())
        if (auto* ds = dynamic_cast<TrptCustomDBDataSet*>(c)) ds->BeforeStartReport();
    Report->SetModified(false);
    TrptCustomDesigner* designer = TrptCustomDesigner::CreateDesigner(DesignerClass(), nullptr, Report, false);
    Report->SetDesigner(designer);
    if (Modal) {
        std::unique_ptr<TrptCustomDesigner> owned(designer);
        designer->ShowModal();
        // The designer clears the report's Designer when it goes.
        owned.reset();
        ProcessPending();
        Report->SetDesigner(nullptr);
    } else {
        designer->Show();
    }
}

bool DesignPreviewPage(TrptReport* Report) {
    if (!Report || Report->Designer() || !DesignerClass()) return false;
    std::unique_ptr<TrptCustomDesigner> designer(
        TrptCustomDesigner::CreateDesigner(DesignerClass(), nullptr, Report, true));
    Report->SetDesigner(designer.get());
    designer->ShowModal();
    const bool modified = designer->Modified();
    designer.reset();
    Report->SetDesigner(nullptr);
    return modified;
}

// ---------------------------------------------------------------------------------------------
// Progress

void ReportProgressStart(TrptReport* Report, TrptProgressType ProgressType) {
    if (Report->EngineOptions()->EnableThreadSafe()) return;
    if (Report->OnProgressStart) Report->OnProgressStart(Report, ProgressType, 0);
    if (UsesProgressWindow(Report, ProgressType)) {
        FreeProgressWindow(Report);
        auto w = std::make_unique<TrptProgress>(nullptr);
        TrptProgress* p = w.get();
        ProgressWindows()[Report] = std::move(w);
        Report->SetProgress(p);
        p->Execute(0, QString(), true, true);
    }
    if (ProgressType == ptRunning)
        if (TrptCustomPreview* preview = Report->Preview()) preview->InternalOnProgressStart(Report, ProgressType, 0);
    ProcessPending();
}

void ReportProgress(TrptReport* Report, TrptProgressType ProgressType, int Progress) {
    if (Report->EngineOptions()->EnableThreadSafe()) return;
    if (Report->OnProgress) Report->OnProgress(Report, ProgressType, Progress);
    if (UsesProgressWindow(Report, ProgressType))
        if (TrptProgress* p = Report->Progress()) {
            QString key;
            switch (ProgressType) {
            case ptRunning:
                key = Report->Engine() && Report->Engine()->DoublePass() && !Report->Engine()->FinalPass()
                          ? QStringLiteral("prRunningFirst")
                          : QStringLiteral("prRunning");
                break;
            case ptExporting: key = QStringLiteral("prExporting"); break;
            case ptPrinting: key = QStringLiteral("prPrinting"); break;
            }
            p->SetMessage(ReportText(key).replace(QLatin1String("%d"), QString::number(Progress)));
        }
    if (ProgressType == ptRunning)
        if (TrptCustomPreview* preview = Report->Preview()) preview->InternalOnProgress(Report, ProgressType, Progress - 1);
    ProcessPending();
    if (ProgressType == ptRunning) CheckPreviewClosed(Report);
    // Cancel pressed, or the window closed by the user, while the events ran.
    if (TrptProgress* p = Report->Progress(); p && UsesProgressWindow(Report, ProgressType))
        if (p->Terminated() || !p->Visible()) Report->SetTerminated(true);
}

void ReportProgressStop(TrptReport* Report, TrptProgressType ProgressType) {
    if (Report->EngineOptions()->EnableThreadSafe()) return;
    if (Report->OnProgressStop) Report->OnProgressStop(Report, ProgressType, 0);
    if (UsesProgressWindow(Report, ProgressType)) FreeProgressWindow(Report);
    if (ProgressType == ptRunning)
        if (TrptCustomPreview* preview = Report->Preview()) preview->InternalOnProgressStop(Report, ProgressType, 0);
    ProcessPending();
}

void SetReportProgressMessage(TrptReport* Report, const QString& Value, bool IsHint) {
    (void)IsHint;
    if (Report->OldStyleProgress() && Report->ShowProgress() && Report->Engine() && Report->Engine()->Running())
        if (TrptProgress* p = Report->Progress()) p->SetMessage(Value);
}
