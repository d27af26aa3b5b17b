// Every graphics test needs a GUI application (fonts, raster fonts) and the classic colours.

#include "platform/gfx/Colors.h"

#include <QApplication>
#include <gtest/gtest.h>

namespace {

class TGuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "test_gfx";
        static char* argv[] = {name, nullptr};
        if (!qGuiApp) FApp = new QApplication(argc, argv);
        UseClassicSystemColors();
    }
    void TearDown() override {
        delete FApp;
        FApp = nullptr;
    }

private:
    QApplication* FApp = nullptr;
};

[[maybe_unused]] auto* const env = ::testing::AddGlobalTestEnvironment(new TGuiEnvironment);

} // namespace
