#include "UiTestSupport.h"

#include <memory>

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
