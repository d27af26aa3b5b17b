// Test suites that build controls need one GUI application for the whole run, the application
// object of the controls layer and the classic system colours, so pixels and colours are fixed.

#include "platform/gfx/Colors.h"
#include "platform/ui/Forms.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace {

// The offscreen platform cannot raise windows and says so on every Show.
QtMessageHandler gPreviousHandler = nullptr;

void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& msg) {
    if (msg.contains(QLatin1String("This plugin does not support"))) return;
    if (gPreviousHandler)
        gPreviousHandler(type, context, msg);
    else
        std::fprintf(stderr, "%s\n", qPrintable(msg));
}

class GuiTestEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        gPreviousHandler = qInstallMessageHandler(QuietHandler);
        static int argc = 1;
        static char arg0[] = "korvel_test";
        static char* argv[] = {arg0, nullptr};
        if (!QApplication::instance()) FApp = std::make_unique<QApplication>(argc, argv);
        InitApplication();
        UseClassicSystemColors();
    }
    void TearDown() override {
        DoneApplication();
        FApp.reset();
    }

private:
    std::unique_ptr<QApplication> FApp;
};

[[maybe_unused]] const auto* gEnvironment = ::testing::AddGlobalTestEnvironment(new GuiTestEnvironment);

} // namespace
