#pragma once
// The designer's built-in string table. For now it holds only the designer's keys that the report
// core itself reads (object descriptions, the password and inherited-report windows, property
// errors); the designer extends it with the rest of its texts.

#include <QByteArray>

// UTF-8 string-table text.
QByteArray DesignerResourceTable();
