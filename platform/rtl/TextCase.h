#pragma once
// Letter case and comparison of text. The "Ansi" routines follow the user's locale; the plain
// ones touch only ASCII letters and are what names (of members, keys, sections) are compared with,
// so they behave the same under every locale. Every case routine keeps the text's length.

#include <QString>

QString UpperCase(const QString& s);     // ASCII letters only
QString LowerCase(const QString& s);     // ASCII letters only
QString AnsiUpperCase(const QString& s); // every letter, by the locale's rule, one unit for one
QString AnsiLowerCase(const QString& s);

int CompareStr(const QString& a, const QString& b);  // ordinal, case-sensitive
int CompareText(const QString& a, const QString& b); // ordinal after ASCII upper-casing
bool SameText(const QString& a, const QString& b);
int AnsiCompareStr(const QString& a, const QString& b);  // locale collation, case-sensitive
int AnsiCompareText(const QString& a, const QString& b); // locale collation, case-insensitive
bool AnsiSameText(const QString& a, const QString& b);
bool AnsiSameStr(const QString& a, const QString& b);

// The locale that AnsiUpperCase and the collating routines follow; defaults to the user's.
void SetCaseLocale(const QString& bcp47Name);
