#pragma once
// Reads a written .xlsx back through openpyxl (python3-openpyxl) and gives its content as JSON.

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <optional>

// The Python interpreter that has openpyxl, or empty when there is none.
inline QString PythonWithOpenpyxl() {
    static const QString found = [] {
        for (const QString& py : {QStringLiteral("/usr/bin/python3"), QStringLiteral("python3")}) {
            QProcess p;
            p.start(py, {QStringLiteral("-c"), QStringLiteral("import openpyxl")});
            if (p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0) return py;
        }
        return QString();
    }();
    return found;
}

// The file's content, or an object with "error" when the reader failed.
inline QJsonObject ReadXlsxBack(const QString& path) {
    // The source tree's path from the build (a compiler cache may make __FILE__ relative).
    const QString script = QStringLiteral(KORVEL_SOURCE_DIR "/tests/automation/data/read_xlsx.py");
    QProcess p;
    p.start(PythonWithOpenpyxl(), {script, path});
    if (!p.waitForFinished(120000) || p.exitCode() != 0)
        return QJsonObject{{QStringLiteral("error"), QString::fromUtf8(p.readAllStandardError())}};
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}
