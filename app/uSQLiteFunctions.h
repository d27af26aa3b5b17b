#pragma once
// Letter case in SQL that knows every alphabet: SQLite's own upper(), lower() and LIKE fold
// only ASCII, so a search for "café" or a Cyrillic word would miss rows written in another case.
// The stored texts are never changed; only the comparison folds case.

class TSQLConnection;

// Replaces upper(), lower() and LIKE (with and without ESCAPE) on the open connection by
// versions that fold Unicode case. Raises EDatabaseError when SQLite refuses them.
void RegisterUnicodeFunctions(TSQLConnection& connection);

#include <QString>
// The LIKE of the registered function: '%' any run, '_' one character, escape (when not null)
// makes the next character literal; letters compare after Unicode case folding.
bool UnicodeLike(const QString& pattern, const QString& text, QChar escape = QChar());
