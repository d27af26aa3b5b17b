#pragma once
// Small routines the engine's parts share: the parser of the declaration texts host functions
// are registered with, type names to TscVarType, the type-compatibility rules, literal texts to
// values and position texts to points.

#include "platform/rtl/Types.h"
#include "platform/rtl/Variant.h"
#include "script/sc_iinterpreter.h"

#include <memory>

// "function Name(a, b: Integer = 5; var c: String): Result" and the procedure and macro forms:
// a new item with the name, result type and macro flag whose list holds one TscParamItem per
// parameter. Script answers type names and named defaults (may be nullptr).
std::unique_ptr<TscCustomVariable> ParseDeclarationText(const QString& Syntax, TscScript* Script);
// The type of the item the name finds in Script (searching outward), fvtClass when none.
TscVarType LookupVarType(const QString& TypeName, const TscScript* Script);
// Both are registered classes and the second is the first or descends from it.
bool ClassDescends(const QString& ClassName1, const QString& ClassName2, const TscScript* Script);
// Whether a value of type T2 may be used where T1 is expected.
bool VarTypesMatch(const TscTypeRec& T1, const TscTypeRec& T2, const TscScript* Script);
// As VarTypesMatch, except that an integer target refuses a float source.
bool AssignmentAllowed(const TscCustomVariable* Target, const TscCustomVariable* Source, const TscScript* Script);
// The value of a literal as the grammars emit it: quoted text, decimal or "$" hexadecimal
// integers, or a float with "." as separator whatever the locale. Empty gives Null.
Variant LiteralToVariant(const QString& Text);
// "12:7" -> (7, 12); empty -> (0, 0). Malformed numbers raise EConvertError.
TPoint SourcePosToPoint(const QString& PosText);
