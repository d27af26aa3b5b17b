#pragma once
// The one place where text becomes SQL source. Values should travel as bound parameters
// (TParams); these routines exist for the few statements that must carry a literal, and for
// names that cannot be bound. Nothing else in Korvel builds a quoted literal.

#include <QByteArray>
#include <QString>

// 'text' with every single quote doubled. A NUL character cannot live inside an SQL literal
// (the statement would end there), so text holding one raises EDatabaseError: bind it instead.
QString QuotedSQL(const QString& text);
// X'hex' literal of the bytes.
QString SQLBlobLiteral(const QByteArray& bytes);
// "name" with every double quote doubled, for table and column names; NUL raises EDatabaseError.
QString QuotedSQLName(const QString& name);
