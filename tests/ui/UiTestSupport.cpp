#include "UiTestSupport.h"

#include "platform/gfx/Colors.h"

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

class UiEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        gPreviousHandler = qInstallMessageHandler(QuietHandler);
        static int argc = 1;
        static char arg0[] = "test_ui";
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

[[maybe_unused]] const auto* gEnvironment =
    ::testing::AddGlobalTestEnvironment(new UiEnvironment);

} // namespace

namespace uitest {

void SendMouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button,
               Qt::KeyboardModifiers mods) {
    Qt::MouseButtons buttons;
    if (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) buttons = button;
    QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)),
                  type == QEvent::MouseMove ? Qt::NoButton : button, buttons, mods);
    QApplication::sendEvent(w, &e);
}

void Click(QWidget* w, QPoint pos, Qt::MouseButton button) {
    SendMouse(w, QEvent::MouseButtonPress, pos, button);
    SendMouse(w, QEvent::MouseButtonRelease, pos, button);
}

void SendKey(QWidget* w, int qtKey, const QString& text, Qt::KeyboardModifiers mods) {
    QKeyEvent e(QEvent::KeyPress, qtKey, mods, text);
    QApplication::sendEvent(w, &e);
}

void SendKeyUp(QWidget* w, int qtKey, const QString& text, Qt::KeyboardModifiers mods) {
    QKeyEvent e(QEvent::KeyRelease, qtKey, mods, text);
    QApplication::sendEvent(w, &e);
}

void Activate(TCustomForm* form) {
    QWidget* w = form->Widget();
    w->activateWindow();
    QApplication::setActiveWindow(w);
    QApplication::processEvents();
}

TControl* FocusedControl() { return FindControl(QApplication::focusWidget()); }

ScriptedUI::ScriptedUI()
    : FScope([](const QString& q) { ADD_FAILURE() << q.toStdString(); }) {}

ScriptedUI::~ScriptedUI() { FScope.Services().Verify(); }

} // namespace uitest
