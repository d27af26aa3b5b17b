#pragma once
// Start-up checks of the description files beside the program, so that a typing mistake in
// settings.ini or tables.ini is reported with its place instead of silently dropping a table.

#include <QString>

enum class TIniKind { Settings, Tables };

// Empty when the file is absent or well formed; otherwise one message naming the file, the line
// (counted from 1) and what is wrong. A line is well formed when it is blank, a comment (';' or
// '#'), a section header "[name]" or a key line "key=value" / "key" inside a section. In
// tables.ini a table or field name may not hold a square bracket, since it is written between
// brackets in SQL.
QString CheckIniFile(const QString& fileName, TIniKind kind);
