#pragma once
// A program folder in a temporary directory, the program's four windows, the English texts and
// scripted answers; Build lays out a forms.xml and runs the window builder on it.

#include "platform/ui/UIServices.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

class TComponent;
class TForm;

class ShellFixture : public ::testing::Test {
protected:
    ShellFixture();
    void SetUp() override;
    void TearDown() override;

    QString Path(const QString& name) const { return FDir.filePath(name); }
    void Write(const QString& name, const QByteArray& bytes);
    // Writes forms.xml and builds it; the exception of a failed build goes to the caller.
    void Build(const QByteArray& formsXml);
    // Fresh windows, as a new start of the program has.
    void Restart();
    // A generated window by name (the main window for its own name).
    TForm* Window(const QString& name) const;
    // Opens the main window's connection on a new database and runs the statements.
    void OpenDatabase(const QStringList& statements);
    TScriptedUIServices& UI() { return FUI.Services(); }

    QTemporaryDir FDir;
    TUIServicesScope FUI;
    // What the desktop was asked to open and to show in the file manager.
    QList<QUrl> FOpened;
    QStringList FShown;
};

// The component of that name and class in owner; a test failure when absent.
template <class T> T* Find(TComponent* owner, const QString& name);

#include "platform/rtti/Classes.h"

template <class T> T* Find(TComponent* owner, const QString& name) {
    TComponent* c = owner ? owner->FindComponent(name) : nullptr;
    T* typed = dynamic_cast<T*>(c);
    EXPECT_NE(typed, nullptr) << name.toStdString() << (c ? " has another class" : " is missing");
    return typed;
}
