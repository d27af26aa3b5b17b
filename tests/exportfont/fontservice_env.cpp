// The font service shares fontconfig with Qt's font database, as in the program: one GUI
// application for the whole run.

#include <QGuiApplication>
#include <gtest/gtest.h>

#include <memory>

namespace {

class TFontServiceEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "test_exportfont";
        static char* argv[] = {name, nullptr};
        if (!QGuiApplication::instance()) FApp = std::make_unique<QGuiApplication>(argc, argv);
    }
    void TearDown() override { FApp.reset(); }

private:
    std::unique_ptr<QGuiApplication> FApp;
};

[[maybe_unused]] auto* const env = ::testing::AddGlobalTestEnvironment(new TFontServiceEnvironment);

} // namespace
