#pragma once
// Shared helpers of the forms-layer tests: synthetic input and scripted answers.

#include "platform/ui/Forms.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

namespace uitest {

void SendMouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button,
               Qt::KeyboardModifiers mods = {});
// Press and release at pos.
void Click(QWidget* w, QPoint pos, Qt::MouseButton button = Qt::LeftButton);
void SendKey(QWidget* w, int qtKey, const QString& text = {}, Qt::KeyboardModifiers mods = {});
void SendKeyUp(QWidget* w, int qtKey, const QString& text = {}, Qt::KeyboardModifiers mods = {});
// Makes the form's window the active one so focus changes arrive as on a desktop.
void Activate(TCustomForm* form);
// The widget holding the focus, as a control.
TControl* FocusedControl();

// Scripted UI services for one test; unexpected questions fail the test with their text.
class ScriptedUI {
public:
    ScriptedUI();
    ~ScriptedUI();
    TScriptedUIServices* operator->() { return &FScope.Services(); }
    TScriptedUIServices& Services() { return FScope.Services(); }

private:
    TUIServicesScope FScope;
};

} // namespace uitest
