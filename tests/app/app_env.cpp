// The shell's windows need a GUI application; tests run on the offscreen platform.

#include "platform/gfx/Colors.h"
#include "platform/ui/Forms.h"

#include <QApplication>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace {

QtMessageHandler gPrevious = nullptr;

void QuietHandler(QtMsgType type, const QMessageLogContext& context, const QString& msg) {
    if (msg.contains(QLatin1String("This plugin does not support"))) return;
    if (gPrevious)
        gPrevious(type, context, msg);
    else
        std::fprintf(stderr, "%s\n", qPrintable(msg));
}

class TAppEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        gPrevious = qInstallMessageHandler(QuietHandler);
        static int argc = 1;
        static char name[] = "test_app";
        static char* argv[] = {name, nullptr};
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

[[maybe_unused]] auto* const env = ::testing::AddGlobalTestEnvironment(new TAppEnvironment);

} // namespace
