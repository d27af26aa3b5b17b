#include "report/core/rptRes.h"

#include "script/sc_iconst.h"
#include "script/sc_iinterpreter.h"

#include <gtest/gtest.h>

namespace {

class ScriptMessagesTest : public ::testing::Test {
protected:
    void TearDown() override { ResetScriptMessages(); }
};

struct TMessage {
    const char* Key;
    QString* Text;
    const char* CoreText;
};

// The engine's messages and the texts the core table gives them.
const TMessage Messages[] = {
    {"SLangNotFound", &SLangNotFound, "Language '%s' not found"},
    {"SInvalidLanguage", &SInvalidLanguage, "Invalid language definition"},
    {"SIdRedeclared", &SIdRedeclared, "Identifier redeclared: "},
    {"SUnknownType", &SUnknownType, "Unknown type: "},
    {"SIncompatibleTypes", &SIncompatibleTypes, "Incompatible types"},
    {"SIdUndeclared", &SIdUndeclared, "Undeclared identifier: "},
    {"SClassRequired", &SClassRequired, "Class type required"},
    {"SIndexRequired", &SIndexRequired, "Index required"},
    {"SStringError", &SStringError, "Strings do not have properties or methods"},
    {"SClassError", &SClassError, "Class %s does not have a default property"},
    {"SArrayRequired", &SArrayRequired, "Array type required"},
    {"SVarRequired", &SVarRequired, "Variable required"},
    {"SNotEnoughParams", &SNotEnoughParams, "Not enough actual parameters"},
    {"STooManyParams", &STooManyParams, "Too many actual parameters"},
    {"SLeftCantAssigned", &SLeftCantAssigned, "Left side cannot be assigned to"},
    {"SForError", &SForError, "For loop variable must be numeric variable"},
    {"SEventError", &SEventError, "Event handler must be a procedure"},
};

TEST_F(ScriptMessagesTest, TheSeventeenKeysAreCopiedIntoTheEngine) {
    EXPECT_EQ(SStringError, "Strings doesn't have properties or methods"); // the engine's own default
    TrptResources r;
    // A table without the keys hands the keys themselves over.
    r.UpdateSCResources();
    for (const TMessage& m : Messages)
        EXPECT_EQ(*m.Text, QLatin1String(m.Key));
    r.AddXML(CoreResourceTable());
    for (const TMessage& m : Messages)
        EXPECT_EQ(*m.Text, QString::fromUtf8(m.CoreText)) << m.Key;
    // Every load copies again; a "!" is dropped as for any text.
    r.AddStrings("SEventError=!Handler please");
    EXPECT_EQ(SEventError, "Event handler must be a procedure");
    r.UpdateSCResources();
    EXPECT_EQ(SEventError, "Handler please");
}

QString CompileError(const char* text) {
    TscScript s;
    s.AddRTTI();
    s.SetSyntaxType("PascalScript");
    s.Lines()->SetText(text);
    EXPECT_FALSE(s.Compile());
    return s.ErrorMsg();
}

TEST_F(ScriptMessagesTest, CompileErrorsFollowTheLoadedLanguage) {
    const char* badFor = "var s: String;\nbegin\n  for s := 1 to 2 do ;\nend.";
    const char* undeclared = "var i: Integer;\nbegin\n  i := k;\nend.";
    const char* tooMany = "begin\n  Trim('a', 1);\nend.";
    TrptResources r;
    r.AddXML(CoreResourceTable());
    EXPECT_EQ(CompileError(badFor), "For loop variable must be numeric variable");
    EXPECT_EQ(CompileError(undeclared), "Undeclared identifier: 'k'");

    r.LoadFromFile(QStringLiteral(KORVEL_TEST_DATA "/german.drc"));
    EXPECT_EQ(CompileError(badFor), "Die Schleifenvariable muss eine Zahl sein");
    EXPECT_EQ(CompileError(undeclared), "Unbekannter Bezeichner: 'k'");
    EXPECT_EQ(CompileError(tooMany), "Zu viele Parameter");

    // Back to the built-in texts.
    r.AddXML(CoreResourceTable());
    EXPECT_EQ(CompileError(badFor), "For loop variable must be numeric variable");
}

} // namespace
