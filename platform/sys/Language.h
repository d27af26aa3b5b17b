#pragma once
// The user's language as a 16-bit language identifier (primary language in the low 10 bits,
// sublanguage above), which is how the program decides between its English and Russian texts.

#include <QLocale>

using LANGID = quint16;

// The identifier of a locale: ru -> 1049, uk -> 1058, be -> 1059, kk -> 1087, hy -> 1067,
// az in Cyrillic -> 2092 (in Latin 1068), ky -> 1088, tg -> 1064, en_US -> 1033, en_GB -> 2057,
// de -> 1031, fr -> 1036 and so on; languages without an entry, and the C locale, give 1033.
LANGID LangIDFromLocale(const QLocale& locale);
// $KORVEL_LANGID when it holds a number (decimal, or hexadecimal after "0x" or "$"), otherwise
// the identifier of the user's locale.
LANGID GetUserDefaultLangID();
// The locale a language identifier stands for: the first entry of the table with that id
// (1049 -> Russian, 1058 -> Ukrainian, 2092 -> Azerbaijani in Cyrillic); unknown ids give English.
QLocale LocaleFromLangID(LANGID id);
// Installs Qt's own translations (the qtbase catalog from Qt's translations folder) for the
// language into the running application, so that standard buttons and dialogs speak it; an
// earlier catalog is removed first. False when there is no catalog for it (English needs none).
bool LoadQtTranslations(LANGID id);
