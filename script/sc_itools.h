#pragma once
// Small routines the engine's parts share: the parser of the declaration texts host functions
// are registered with, type names to TscVarType, the type-compatibility rules, literal texts to
// values and position texts to points.

#include "platform/rtl/SysUtils.h"
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
bool AssignmentAllowed(const TscCustomVariable* Target, const TscCustomVariable* Source,
                       const TscScript* Script);
// The value of a literal as the grammars emit it: quoted text, decimal or "$" hexadecimal
// integers, or a float with "." as separator whatever the locale. Empty gives Null.
Variant LiteralToVariant(const QString& Text);
// "12:7" -> (7, 12); empty -> (0, 0). Malformed numbers raise EConvertError.
TPoint SourcePosToPoint(const QString& PosText);

// Host event arguments as scripts see them: integers and objects (as handles) give 32-bit
// integers, characters one-character strings, floats doubles; a Variant is copied.
inline Variant ArgumentToVariant(int v) {
    return Variant(v);
}
inline Variant ArgumentToVariant(bool v) {
    return Variant(v);
}
inline Variant ArgumentToVariant(QChar v) {
    return Variant(QString(v));
}
inline Variant ArgumentToVariant(double v) {
    return Variant(v);
}
inline Variant ArgumentToVariant(const QString& v) {
    return Variant(v);
}
inline Variant ArgumentToVariant(qint64 v) {
    return Variant(static_cast<long long>(v));
}
inline Variant ArgumentToVariant(const Variant& v) {
    return v;
}
Variant ArgumentToVariant(const TObject* v);

// The elements of a one-dimensional variant array as arguments of the platform's Format.
std::vector<FormatArg> VariantArrayToFormatArgs(const Variant& Args);

// The designer's description trees of a script's functions, classes, types, variables and
// constants, and the members of the registered classes AClass descends from.
void GenerateScriptInfoTree(TscScript* Script, TscXMLItem* Root, bool FunctionsOnly);
void AddClassMembersInfo(TscScript* Script, const TClassInfo* AClass, TscXMLItem* Item);
