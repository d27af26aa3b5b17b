#pragma once
// A program folder in a temporary directory, the four windows, and scripted answers.

#include "platform/ui/UIServices.h"

#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

class ShellTest : public ::testing::Test {
protected:
    ShellTest();
    void SetUp() override;
    void TearDown() override;

    // Copies the demo application into the program folder.
    void CopyDemo();
    void Write(const QString& name, const QByteArray& text);
    QString Path(const QString& name) const { return FDir.filePath(name); }
    bool Exists(const QString& name) const;
    // Creates the four windows and shows the main window, which runs the start-up sequence.
    void Start();
    // The tables of a database file, sorted.
    static QStringList TablesIn(const QString& file);

    QTemporaryDir FDir;
    TUIServicesScope FUI;
    QByteArray FOldLangID;
};
