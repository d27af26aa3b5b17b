#pragma once
// tables.ini: one section per table, one key per field with a kind prefix. It becomes the
// CREATE TABLE statements of a new database and the schema lists the statement builders read.

#include "platform/rtl/StringList.h"

#include <QString>

#include <memory>

// One CREATE TABLE statement per section, in file order.
std::unique_ptr<TStringList> TablesToSQL(const QString& fileName);
// Fills SchemaFieldList and CalculatedFieldList (see uSQL.h) from the file.
void LoadSchema(const QString& fileName);
// True when the table's section in tables.ini beside the program has a non-zero "isdictionary".
bool IsDictionary(const QString& table);
bool IsDictionaryIn(const QString& fileName, const QString& table);
// The tables.ini that IsDictionary reads; the program's folder unless a caller points elsewhere.
void SetTablesFileName(const QString& fileName);
QString TablesFileName();
