// Environment of every test of this area.

#include "platform/ui/UIServices.h"

#include <gtest/gtest.h>

namespace {

// No test of this area may wait for a window: any question nobody scripted fails the test.
class NoUnscriptedQuestions : public ::testing::Environment {
public:
    void SetUp() override {
        FPrevious = SetUIServices(std::make_unique<TScriptedUIServices>(
            [](const QString& q) { ADD_FAILURE() << "unscripted question: " << q.toStdString(); }));
    }
    void TearDown() override { SetUIServices(std::move(FPrevious)); }

private:
    std::unique_ptr<IUIServices> FPrevious;
};

[[maybe_unused]] ::testing::Environment* const GNoUnscriptedQuestions =
    ::testing::AddGlobalTestEnvironment(new NoUnscriptedQuestions);

} // namespace
