#pragma once
// The demo application copied into a test's own folder, writable, so a test may change it freely.
// Suites that use it define KORVEL_DEMO_DIR.

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <gtest/gtest.h>

inline void CopyDemoFolder(const QString& target) {
    const QDir demo(QStringLiteral(KORVEL_DEMO_DIR));
    QDirIterator it(demo.path(), QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString from = it.next();
        const QString to = QDir(target).filePath(demo.relativeFilePath(from));
        QDir().mkpath(QFileInfo(to).path());
        QFile::remove(to);
        ASSERT_TRUE(QFile::copy(from, to)) << to.toStdString();
        // A read-only checkout must not make the copy read-only.
        QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner);
    }
}
