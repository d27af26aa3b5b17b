#pragma once
// The script engine's message texts. They are variables, not constants: a host (the report
// library's string table) may assign translations, and every error reads the current text.

#include <QString>

extern QString SLangNotFound;
extern QString SInvalidLanguage;
extern QString SIdRedeclared;
extern QString SUnknownType;
extern QString SIncompatibleTypes;
extern QString SIdUndeclared;
extern QString SClassRequired;
extern QString SIndexRequired;
extern QString SStringError;
extern QString SClassError;
extern QString SArrayRequired;
extern QString SVarRequired;
extern QString SNotEnoughParams;
extern QString STooManyParams;
extern QString SLeftCantAssigned;
extern QString SForError;
extern QString SEventError;

// Puts the seventeen texts back to their English defaults.
void ResetScriptMessages();
