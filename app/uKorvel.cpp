#include "app/uKorvel.h"

#include "app/uAboutForm.h"
#include "app/uImageViewerForm.h"
#include "app/uMainForm.h"
#include "app/uOptionsForm.h"
#include "platform/gfx/Colors.h"
#include "platform/ui/Forms.h"
#include "report/core/rptStartup.h"

#include <QApplication>
#include <QTimer>

#include <memory>

void CreateKorvelWindows() {
    frmMainKorvel = Application->CreateForm<TfrmMainKorvel>();
    frmKorvelImageViewer = Application->CreateForm<TfrmKorvelImageViewer>();
    frmOptionsKorvel = Application->CreateForm<TfrmOptionsKorvel>();
    frmKorvelAbout = Application->CreateForm<TfrmKorvelAbout>();
}

void FreeKorvelWindows() {
    auto free = [](auto*& form) {
        if (!form) return;
        if (form->Owner()) form->Owner()->RemoveComponent(form);
        std::unique_ptr<TCustomForm> doomed(form);
        form = nullptr;
    };
    free(frmKorvelAbout);
    free(frmOptionsKorvel);
    free(frmKorvelImageViewer);
    TfrmMainKorvel* main = frmMainKorvel;
    free(main);
    frmMainKorvel = nullptr;
}

int RunKorvel(int argc, char** argv) {
    QApplication app(argc, argv);
    InitApplication();
    UseClassicSystemColors();
    // Report classes, designer registries and the preview window, before the main window.
    StartReportLibrary();
    Application->SetTitle(QStringLiteral("Korvel"));
    CreateKorvelWindows();

    // Without a display run.sh asks for a picture of the main window once start-up is over.
    const QString shot = qEnvironmentVariable("KORVEL_SCREENSHOT");
    if (!shot.isEmpty()) {
        QTimer::singleShot(1500, [shot] {
            if (frmMainKorvel) frmMainKorvel->Widget()->grab().save(shot);
            Application->Terminate();
        });
    }
    Application->Run();
    FreeKorvelWindows();
    StopReportLibrary();
    DoneApplication();
    return 0;
}
