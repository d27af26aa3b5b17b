#pragma once
// Text routines shared by the shell's statement builders: schema look-ups, select lists with
// calculated fields, join order, stored date texts and the letter-case rules of stored and
// searched texts.

#include "platform/rtl/StringList.h"
#include "platform/rtl/Types.h"

#include <QString>

#include <memory>

// Process-wide lists built at start-up and read here.
// SchemaFieldList: "table=field=type"; CalculatedFieldList: "table.field=expression";
// UpperCaseExemptList: "table.field".
extern std::unique_ptr<TStringList> SchemaFieldList;
extern std::unique_ptr<TStringList> CalculatedFieldList;
extern std::unique_ptr<TStringList> UpperCaseExemptList;

bool FieldExists(const QString& table, const QString& field);
QString FieldType(const QString& table, const QString& field);
QString TableColumnList(const QString& table);
bool IsCalculatedField(const QString& name);
QString FormatSelectList(const QString& list, bool withTable);
// Tables other than `table` named in a "table.field,..." list, in join order. Dictionary tests use
// isDictionary, which by default reads tables.ini beside the program.
std::unique_ptr<TStringList> TablesOfFields(const QString& table, const QString& list);

class TSQLConnection;
// The id of the last inserted record, -1 when the table is empty.
Int64 LastInsertId(TSQLConnection& connection, const QString& table);
// The next value of the table's record_count counter, at least beginValue; -1 when it cannot be read.
Int64 NextCounterValue(TSQLConnection& connection, const QString& table, Int64 beginValue);

QString ForeignKeyTable(const QString& name);
QString DropTablePrefix(const QString& name);

// A stored "yyyy-mm-dd[ hh:nn:ss[.zzz]]" text formatted for display; empty when unreadable.
QString FormatSQLDateTime(const QString& text, const QString& format);

QString EscapeQuotes(const QString& text, const QString& field);
QString UpperUnlessDisabled(const QString& text, const QString& field);
QString NormalizeCyrillicCase(const QString& text, const QString& field);

// A calculated field's expression as it goes into SQL: "\r\n" becomes a blank, "^equally^" "=".
QString ExpandCalculatedExpression(const QString& expression);
