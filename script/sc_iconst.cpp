#include "script/sc_iconst.h"

QString SLangNotFound;
QString SInvalidLanguage;
QString SIdRedeclared;
QString SUnknownType;
QString SIncompatibleTypes;
QString SIdUndeclared;
QString SClassRequired;
QString SIndexRequired;
QString SStringError;
QString SClassError;
QString SArrayRequired;
QString SVarRequired;
QString SNotEnoughParams;
QString STooManyParams;
QString SLeftCantAssigned;
QString SForError;
QString SEventError;

namespace {

struct DefaultText {
    QString* Variable;
    const char* Text;
};

const DefaultText Defaults[] = {
    {&SLangNotFound, "Language '%s' not found"},
    {&SInvalidLanguage, "Invalid language definition"},
    {&SIdRedeclared, "Identifier redeclared: "},
    {&SUnknownType, "Unknown type: "},
    {&SIncompatibleTypes, "Incompatible types"},
    {&SIdUndeclared, "Undeclared identifier: "},
    {&SClassRequired, "Class type required"},
    {&SIndexRequired, "Index required"},
    {&SStringError, "Strings doesn't have properties or methods"},
    {&SClassError, "Class %s does not have a default property"},
    {&SArrayRequired, "Array type required"},
    {&SVarRequired, "Variable required"},
    {&SNotEnoughParams, "Not enough actual parameters"},
    {&STooManyParams, "Too many actual parameters"},
    {&SLeftCantAssigned, "Left side cannot be assigned to"},
    {&SForError, "For loop variable must be numeric variable"},
    {&SEventError, "Event handler must be a procedure"},
};

const bool DefaultsAssigned = (ResetScriptMessages(), true);

} // namespace

void ResetScriptMessages() {
    for (const DefaultText& d : Defaults)
        *d.Variable = QString::fromUtf8(d.Text);
}
