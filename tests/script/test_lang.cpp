#include "ScriptTestUtil.h"

#include "platform/rtl/Exceptions.h"
#include "script/sc_iconst.h"
#include "script/sc_ilang.h"

#include <gtest/gtest.h>

TEST(ScriptLanguages, ShippedGrammars) {
    QStringList names;
    GetLanguageNames(names);
    ASSERT_GE(names.size(), 4);
    EXPECT_EQ(names.mid(0, 4), QStringList({"PascalScript", "C++Script", "BasicScript", "JScript"}));

    struct Case {
        QString name;
        int keywords;
        QString firstKeyword, lastKeyword;
        QString stringQuotes, hex, err10;
        int types;
    } cases[] = {
        {"PascalScript", 40, "and", "xor", "'", "$", "'BEGIN' expected", 0},
        {"C++Script", 19, "break", "while", "\"", "0x", "'{' expected", 5},
        {"BasicScript", 40, "addressof", "xor", "\"", "0x", "'TO' expected", 1},
        {"JScript", 22, "break", "with", "\"", "0x", "'{' expected", 0},
    };
    for (const Case& c : cases) {
        TscXMLDocument doc;
        doc.LoadFromBytes(GetLanguageGrammar(c.name).toUtf8());
        TscXMLItem* root = doc.Root();
        EXPECT_EQ(root->Name(), "language");
        EXPECT_EQ(root->GetProp("text"), c.name);
        EXPECT_EQ(root->Items(0)->Name(), "parser");
        EXPECT_EQ(root->Items(1)->Name(), "types");
        EXPECT_EQ(root->Items(2)->Name(), "empty");
        TscXMLItem* parser = root->FindItem("parser");
        TscXMLItem* keywords = parser->FindItem("keywords");
        ASSERT_EQ(keywords->Count(), c.keywords) << c.name.toStdString();
        EXPECT_EQ(keywords->Items(0)->Name(), c.firstKeyword);
        EXPECT_EQ(keywords->Items(c.keywords - 1)->Name(), c.lastKeyword);
        EXPECT_EQ(parser->FindItem("stringquotes")->GetProp("text"), c.stringQuotes);
        EXPECT_EQ(parser->FindItem("hexsequence")->GetProp("text"), c.hex);
        EXPECT_EQ(parser->FindItem("errors")->FindItem("err10")->GetProp("text"), c.err10);
        EXPECT_EQ(parser->FindItem("errors")->FindItem("err20")->GetProp("text"), "'>' expected");
        EXPECT_EQ(root->FindItem("types")->Count(), c.types);
        EXPECT_GE(root->Find("program"), 0);
    }

    TscXMLDocument basic;
    basic.LoadFromBytes(BasicScriptGrammar().toUtf8());
    TscXMLItem* parser = basic.Root()->FindItem("parser");
    EXPECT_EQ(parser->FindItem("commentblock1")->GetProp("text"), "/\\,/\\");
    EXPECT_EQ(parser->FindItem("skipchar")->GetProp("text"), "_");
    EXPECT_EQ(parser->FindItem("errors")->FindItem("err28")->GetProp("text"), "'IF' expected");
    EXPECT_EQ(basic.Root()->FindItem("types")->FindItem("decimal")->GetProp("type"), "extended");
}

TEST(ScriptLanguages, Registry) {
    try {
        GetLanguageGrammar("Foo");
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Language 'Foo' not found");
    }

    // A shipped language replaced under another spelling keeps its place and takes the new name.
    const QString grammar = GetLanguageGrammar("jscript");
    RegisterLanguageGrammar("JSCRIPT", "<?xml version=\"1.0\"?><language><program/></language>");
    QStringList names;
    GetLanguageNames(names);
    EXPECT_EQ(names.at(3), "JSCRIPT");
    EXPECT_TRUE(ParseScript("JScript", "").ok);
    EXPECT_FALSE(ParseScript("JScript", "x = 1;").ok);
    RegisterLanguageGrammar("JScript", grammar);
    GetLanguageNames(names);
    EXPECT_EQ(names.at(3), "JScript");
    EXPECT_TRUE(ParseScript("JScript", "x = 1;").ok);

    // Names beginning with "@" are usable but not listed.
    RegisterLanguageGrammar("@Hidden", grammar);
    GetLanguageNames(names);
    EXPECT_FALSE(names.contains("@Hidden"));
    EXPECT_TRUE(ParseScript("@Hidden", "x = 1;").ok);
}

TEST(ScriptLanguages, Messages) {
    const std::pair<QString*, QString> texts[] = {
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
    for (const auto& [var, text] : texts)
        EXPECT_EQ(*var, text);

    // A host translation is used by the next error.
    SLangNotFound = "Sprache '%s' fehlt";
    try {
        TscILParser p(nullptr);
        p.SelectLanguage("Foo");
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Sprache 'Foo' fehlt");
    }
    ResetScriptMessages();
    EXPECT_EQ(SLangNotFound, "Language '%s' not found");
}

TEST(ScriptLanguages, ExtendedCharset) {
    // Characters from 128 on are identifier characters already; the option only widens the
    // single-byte set the grammar's scanner starts from.
    TscCompileHost host;
    host.SetExtendedCharset(true);
    TscILParser p(&host);
    p.SelectLanguage("PascalScript");
    EXPECT_TRUE(p.Parser()->IdentifierCharset().test(0xE9));
    ASSERT_TRUE(p.MakeILScript(QString::fromUtf8("begin café := 1 end.")));
    EXPECT_EQ(CompactProgram(p.ILScript()),
              QString::fromUtf8("compoundstmt(assignstmt(dsgn(node:café) expr(number:1)))"));
}

TEST(ScriptLanguages, GrammarsAreComplete) {
    // Every element of a rule is a known kind or calls a rule the grammar defines, and every
    // error name has its message.
    const QStringList kinds = {"char",      "keyword",      "ident",    "number", "string",
                               "rptstring", "eol",          "sequence", "switch", "optionalswitch",
                               "loop",      "optionalloop", "optional"};
    for (const QString lang : {"PascalScript", "C++Script", "BasicScript", "JScript"}) {
        TscXMLDocument doc;
        doc.LoadFromBytes(GetLanguageGrammar(lang).toUtf8());
        TscXMLItem* root = doc.Root();
        TscXMLItem* errors = root->FindItem("parser")->FindItem("errors");
        QStringList rules;
        for (int i = 2; i < root->Count(); ++i)
            rules << root->Items(i)->Name();
        std::function<void(const TscXMLItem*)> check = [&](const TscXMLItem* e) {
            for (int i = 0; i < e->Count(); ++i) {
                const TscXMLItem* c = e->Items(i);
                EXPECT_TRUE(kinds.contains(c->Name()) || rules.contains(c->Name()))
                    << lang.toStdString() << ": " << c->Name().toStdString();
                if (c->PropExists("err")) {
                    EXPECT_GE(errors->Find(c->GetProp("err")), 0)
                        << lang.toStdString() << ": " << c->GetProp("err").toStdString();
                }
                check(c);
            }
        };
        for (int i = 2; i < root->Count(); ++i)
            check(root->Items(i));
        EXPECT_EQ(rules.removeDuplicates(), 0) << lang.toStdString();
    }
}
