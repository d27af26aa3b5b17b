#pragma once
// A copy of the demo application (or a small forms.xml of a test) in a temporary folder, started
// as the program starts it, with scripted answers to every question.

#include "platform/ui/UIServices.h"

#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

class TComponent;
class TCustomForm;
class TSQLConnection;
class TdbButton;

class ActionsTest : public ::testing::Test {
protected:
    ActionsTest();
    void SetUp() override;
    void TearDown() override;

    // Lays out the demo folder, optionally with another forms.xml, and starts the program.
    void Start(const QByteArray& formsXml = {});
    TSQLConnection& Db();
    // Rows of a query as "a|b/c|d", NULL as "<null>".
    QString Rows(const QString& sql);
    void Exec(const QString& sql);
    TCustomForm* Window(const QString& name) const;
    TScriptedUIServices& UI() { return FUI.Services(); }
    // Clicks the named button of the named window.
    void Click(const QString& window, const QString& button);

    QTemporaryDir FDir;
    TUIServicesScope FUI;
};

template <class T> T* Get(TComponent* owner, const QString& name);

#include "platform/rtti/Classes.h"

template <class T> T* Get(TComponent* owner, const QString& name) {
    TComponent* c = owner ? owner->FindComponent(name) : nullptr;
    T* typed = dynamic_cast<T*>(c);
    if (!typed) ADD_FAILURE() << name.toStdString() << (c ? " has another class" : " is missing");
    return typed;
}
