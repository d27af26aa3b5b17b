// libFuzzer target over the window builder: any forms.xml either builds its windows and controls
// (noting the values it could not take) or raises an error of the program's own; nothing else.
#include "app/uMainForm.h"
#include "platform/gfx/Colors.h"
#include "platform/rtl/Exceptions.h"
#include "platform/ui/Forms.h"

#include <QApplication>

#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

void StartGui() {
    // Kept for the whole process: Qt cannot be torn down from the exit handlers that end a
    // fuzzing run.
    static QApplication* app = nullptr;
    if (app) return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char arg0[] = "fuzz_window_builder";
    static char* argv[] = {arg0, nullptr};
    app = new QApplication(argc, argv);
    InitApplication();
    UseClassicSystemColors();
}

} // namespace

// fontconfig keeps its caches for the life of the process; they are not leaks of ours.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    StartGui();
    // A fresh main window per input: window and control names must be unique per run.
    auto main = std::make_unique<TfrmMainKorvel>(nullptr);
    frmMainKorvel = main.get();
    try {
        main->LoadFormsXML(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)),
                           QStringLiteral("forms.xml"));
    } catch (const Exception&) {
    }
    main.reset();
    frmMainKorvel = nullptr;
    return 0;
}
