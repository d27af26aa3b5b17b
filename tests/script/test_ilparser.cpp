#include "ScriptTestUtil.h"

#include "platform/rtl/Exceptions.h"
#include "script/sc_iconst.h"
#include "script/sc_ilang.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <random>

namespace {

struct ProgramCase {
    const char* lang;
    QString source;
    QString il;
};

void CheckPrograms(const std::vector<ProgramCase>& cases) {
    for (const ProgramCase& c : cases) {
        const ParseResult r = ParseScript(c.lang, c.source);
        EXPECT_TRUE(r.ok) << c.lang << ": " << c.source.toStdString() << "\n  error " << r.msg.toStdString()
                          << " at " << r.pos.toStdString();
        EXPECT_EQ(r.il, c.il) << c.lang << ": " << c.source.toStdString();
        EXPECT_EQ(r.msg, "");
        EXPECT_EQ(r.pos, "");
    }
}

} // namespace

TEST(ScriptParser, PascalScriptPrograms) {
    CheckPrograms({
        {"PascalScript", "begin end.", "compoundstmt"},
        {"PascalScript", "program p; begin end.", "compoundstmt"},
        {"PascalScript", "const c = 5; begin end.", "const(ident:c expr(number:5)) compoundstmt"},
        {"PascalScript", "var a, b: integer; s: string = 'x';\r\nbegin end.",
         "var(ident:a ident:b type:integer) var(ident:s type:string init(expr(string:'x'))) compoundstmt"},
        {"PascalScript", "var t: array[1..3, 2] of integer; begin end.",
         "var(ident:t array(dim(expr(number:1) expr(number:3)) dim(expr(number:2))) type:integer) "
         "compoundstmt"},
        {"PascalScript", "procedure P(x: integer; var y: string); begin y := x end; begin end.",
         "procedure(name:P parameters(var(ident:x type:integer) varparams var(ident:y type:string)) "
         "compoundstmt(assignstmt(dsgn(node:y) expr(dsgn(node:x))))) compoundstmt"},
        {"PascalScript", "function F(n: integer): integer; begin Result := n end; begin end.",
         "function(name:F parameters(var(ident:n type:integer)) type:integer "
         "compoundstmt(assignstmt(dsgn(node:Result) expr(dsgn(node:n))))) compoundstmt"},
        {"PascalScript", "procedure A; procedure B; begin end; begin B end; begin A end.",
         "procedure(name:A procedure(name:B compoundstmt) compoundstmt(callstmt(dsgn(node:B)))) "
         "compoundstmt(callstmt(dsgn(node:A)))"},
        {"PascalScript", "begin a := -1 + 2 * 3 div 4 mod 5 shl 1 or not b and c xor d; end.",
         "compoundstmt(assignstmt(dsgn(node:a) expr(op:unminus number:1 op:+ number:2 op:* number:3 op:div "
         "number:4 "
         "op:mod number:5 op:shl number:1 op:or op:not dsgn(node:b) op:and dsgn(node:c) op:xor "
         "dsgn(node:d))))"},
        {"PascalScript", "begin if (a >= 1) and (b <> 2) or (c <= 3) then x else y end.",
         "compoundstmt(ifstmt(expr(op:( expr(dsgn(node:a) op:>= number:1) op:) op:and op:( expr(dsgn(node:b) "
         "op:<> "
         "number:2) op:) op:or op:( expr(dsgn(node:c) op:<= number:3) op:)) thenstmt(callstmt(dsgn(node:x))) "
         "elsestmt(callstmt(dsgn(node:y)))))"},
        {"PascalScript", "begin b := x in [1, 3..5]; c := o is TObject; d := a > b end.",
         "compoundstmt(assignstmt(dsgn(node:b) expr(dsgn(node:x) op:in set(expr(number:1) expr(number:3) "
         "range:. "
         "expr(number:5)))) assignstmt(dsgn(node:c) expr(dsgn(node:o) op:is dsgn(node:TObject))) "
         "assignstmt(dsgn(node:d) expr(dsgn(node:a) op:> dsgn(node:b))))"},
        {"PascalScript",
         "begin while a < 3 do a := a + 1; repeat a := a - 1 until a = 0; for i := 1 to 3 do break;\r\n"
         "  for i := 3 downto 1 do continue end.",
         "compoundstmt(whilestmt(expr(dsgn(node:a) op:< number:3) assignstmt(dsgn(node:a) expr(dsgn(node:a) "
         "op:+ "
         "number:1))) repeatstmt(assignstmt(dsgn(node:a) expr(dsgn(node:a) op:- number:1)) expr(dsgn(node:a) "
         "op:= "
         "number:0)) forstmt(ident:i expr(number:1) expr(number:3) break) forstmt(ident:i expr(number:3) "
         "downto:downto expr(number:1) continue))"},
        {"PascalScript", "begin case a of 1, 2: b := 1; 3..4: b := 2; else b := 3 end end.",
         "compoundstmt(casestmt(expr(dsgn(node:a)) caseselector(set(expr(number:1) expr(number:2)) "
         "assignstmt(dsgn(node:b) expr(number:1))) caseselector(set(expr(number:3) range:. expr(number:4)) "
         "assignstmt(dsgn(node:b) expr(number:2))) assignstmt(dsgn(node:b) expr(number:3))))"},
        {"PascalScript", "begin try x finally y end; try x except y end; with a, b do c; exit end.",
         "compoundstmt(trystmt(callstmt(dsgn(node:x)) finallystmt(callstmt(dsgn(node:y)))) "
         "trystmt(callstmt(dsgn(node:x)) exceptstmt(callstmt(dsgn(node:y)))) with(dsgn(node:a) dsgn(node:b) "
         "callstmt(dsgn(node:c))) exit)"},
        {"PascalScript", "begin x := o.Items[1, 2].Name(3); p := @F; s := 'a''b' + #65 end.",
         "compoundstmt(assignstmt(dsgn(node:x) expr(dsgn(node:o node:Items node:[ expr(number:1) "
         "expr(number:2) "
         "node:Name expr(number:3)))) assignstmt(dsgn(node:p) expr(dsgn(addr:@ node:F))) "
         "assignstmt(dsgn(node:s) "
         "expr(string:'a'b' op:+ string:'A')))"},
        {"PascalScript", "begin x := <Report.\"a>b\"> end.",
         "compoundstmt(assignstmt(dsgn(node:x) expr(dsgn(node:Get expr(string:'Report.\"a>b\"')))))"},
        {"PascalScript", "{ c } (* c *) // c\r\nBEGIN x := $FF + 1.5e3 END.",
         "compoundstmt(assignstmt(dsgn(node:x) expr(number:$FF op:+ number:1.5e3)))"},
        {"PascalScript", "uses 'u.pas';\r\nbegin end.", "uses:u.pas compoundstmt"},
    });
}

TEST(ScriptParser, CppScriptPrograms) {
    CheckPrograms({
        {"C++Script", "{}", "compoundstmt"},
        {"C++Script", "#define C 5\r\nint a, b = 1;\r\n{}",
         "const(ident:C expr(number:5)) var(type:int ident:a ident:b init(expr(number:1))) compoundstmt"},
        {"C++Script", "int t[2][3];\r\n{}",
         "var(type:int ident:t array(dim(expr(number:2)) dim(expr(number:3)))) compoundstmt"},
        {"C++Script", "int F(int n, string &s = \"x\") { return n * 2; }\r\n{}",
         "function(type:int name:F parameters(var(type:int ident:n) var(type:string varparam:& ident:s "
         "init(expr(string:'x')))) compoundstmt(return(expr(dsgn(node:n) op:* number:2)))) compoundstmt"},
        {"C++Script", "{ a = -1 + 2 * 3 % 4 / 5 << 1 || !b && c ^ d; }",
         "compoundstmt(assignstmt(dsgn(node:a) expr(op:unminus number:1 op:+ number:2 op:* number:3 op:mod "
         "number:4 "
         "op:/ number:5 op:shl number:1 op:or op:not dsgn(node:b) op:and dsgn(node:c) op:xor "
         "dsgn(node:d))))"},
        {"C++Script", "{ a += 1; a -= 2; a *= 3; a /= 4; a++; a--; }",
         "compoundstmt(assignstmt(dsgn(node:a) modificator:+ expr(number:1)) assignstmt(dsgn(node:a) "
         "modificator:- "
         "expr(number:2)) assignstmt(dsgn(node:a) modificator:* expr(number:3)) assignstmt(dsgn(node:a) "
         "modificator:/ expr(number:4)) callstmt(dsgn(node:a) modificator:+) callstmt(dsgn(node:a) "
         "modificator:-))"},
        {"C++Script", "{ if (a == 1) b = 1; else if (a != 2) b = 2; }",
         "compoundstmt(ifstmt(expr(dsgn(node:a) op:= number:1) thenstmt(assignstmt(dsgn(node:b) "
         "expr(number:1))) "
         "elsestmt(ifstmt(expr(dsgn(node:a) op:<> number:2) thenstmt(assignstmt(dsgn(node:b) "
         "expr(number:2)))))))"},
        {"C++Script",
         "{ while (a < 3) a++; do { a--; } while (a > 0); for (i = 0, j = 1; i < 3; i++) continue; }",
         "compoundstmt(whilestmt(expr(dsgn(node:a) op:< number:3) callstmt(dsgn(node:a) modificator:+)) "
         "repeatstmt(compoundstmt(callstmt(dsgn(node:a) modificator:-)) expr(dsgn(node:a) op:> number:0) "
         "inverse:) "
         "cppforstmt(compoundstmt(assignstmt(dsgn(node:i) expr(number:0)) assignstmt(dsgn(node:j) "
         "expr(number:1))) "
         "expr(dsgn(node:i) op:< number:3) compoundstmt(callstmt(dsgn(node:i) modificator:+)) continue))"},
        {"C++Script", "{ switch (a) { case 1: b = 1; case 2, 3: b = 2; default: b = 3; } }",
         "compoundstmt(casestmt(expr(dsgn(node:a)) caseselector(set(expr(number:1)) assignstmt(dsgn(node:b) "
         "expr(number:1))) caseselector(set(expr(number:2) expr(number:3)) assignstmt(dsgn(node:b) "
         "expr(number:2))) "
         "assignstmt(dsgn(node:b) expr(number:3))))"},
        {"C++Script",
         "{ try { x(); } finally { y(); } try { x(); } except { } delete o; o = new TList(); ; return; }",
         "compoundstmt(trystmt(compoundstmt(callstmt(dsgn(node:x))) "
         "finallystmt(compoundstmt(callstmt(dsgn(node:y))))) "
         "trystmt(compoundstmt(callstmt(dsgn(node:x))) exceptstmt(compoundstmt)) delete(dsgn(node:o)) "
         "assignstmt(dsgn(node:o) expr(new(dsgn(node:TList)))) empty return)"},
        {"C++Script", "{ s = \"a\\tb\\x41\"#13 + 0x1F; /* c */ // c\r\n}",
         "compoundstmt(assignstmt(dsgn(node:s) expr(string:'atbA\r' op:+ number:$1F)))"},
        {"C++Script", "{ IF(x); }", "compoundstmt(callstmt(dsgn(node:IF expr(dsgn(node:x)))))"},
        {"C++Script", "{ p = &F; x = a[1][2]; }",
         "compoundstmt(assignstmt(dsgn(node:p) expr(dsgn(addr:& node:F))) assignstmt(dsgn(node:x) "
         "expr(dsgn(node:a node:[ expr(number:1) expr(number:2)))))"},
    });
}

TEST(ScriptParser, BasicScriptPrograms) {
    CheckPrograms({
        {"BasicScript", "", ""},
        {"BasicScript", "x = 1\r\n", "compoundstmt(assignstmt(dsgn(node:x) expr(number:1)))"},
        {"BasicScript", "dim a, b as integer, c[2], d = 5\r\n",
         "compoundstmt(var(ident:a) var(ident:b type:integer) var(ident:c array(dim(expr(number:2)))) "
         "var(ident:d init(expr(number:5))))"},
        {"BasicScript", "sub P(byref x, byval y)\r\n  x = y\r\nend sub\r\n",
         "compoundstmt(procedure(name:P parameters(varparams var(ident:x) var(ident:y)) "
         "compoundstmt(assignstmt(dsgn(node:x) expr(dsgn(node:y)))) exit))"},
        {"BasicScript", "Function F(n) As Integer\r\n  Return n\r\nEnd Function\r\n",
         "compoundstmt(function(name:F parameters(var(ident:n)) type:Integer "
         "compoundstmt(return(expr(dsgn(node:n)))) "
         "exit))"},
        {"BasicScript", "a = -1 + 2 * 3 \\ 4 mod 5 & \"s\" or not b and c xor d\r\n",
         "compoundstmt(assignstmt(dsgn(node:a) expr(op:unminus number:1 op:+ number:2 op:* number:3 op:div "
         "number:4 "
         "op:mod number:5 op:strcat string:'s' op:or op:not dsgn(node:b) op:and dsgn(node:c) op:xor "
         "dsgn(node:d))))"},
        {"BasicScript", "if a > 1 then b = 1 : c = 2\r\n",
         "compoundstmt(ifstmt(expr(dsgn(node:a) op:> number:1) thenstmt(assignstmt(dsgn(node:b) "
         "expr(number:1)) "
         "assignstmt(dsgn(node:c) expr(number:2)))))"},
        {"BasicScript",
         "If a >= 1 Then\r\n  b = 1\r\nElseIf a <> 0 Then\r\n  b = 2\r\nElse\r\n  b = 3\r\nEnd If\r\n",
         "compoundstmt(ifstmt(expr(dsgn(node:a) op:>= number:1) "
         "thenstmt(compoundstmt(assignstmt(dsgn(node:b) "
         "expr(number:1)))) elsestmt(ifstmt(expr(dsgn(node:a) op:<> number:0) thenstmt(compoundstmt("
         "assignstmt(dsgn(node:b) expr(number:2)))) elsestmt(compoundstmt(assignstmt(dsgn(node:b) "
         "expr(number:3))))))))"},
        {"BasicScript", "if a then\r\nelse\r\n  b = 1\r\nend if\r\n",
         "compoundstmt(ifstmt(expr(dsgn(node:a)) elsestmt(compoundstmt(assignstmt(dsgn(node:b) "
         "expr(number:1))))))"},
        {"BasicScript", "select case a\r\ncase 1, 2..3: b = 1\r\ncase else: b = 2\r\nend select\r\n",
         "compoundstmt(casestmt(expr(dsgn(node:a)) caseselector(set(expr(number:1) expr(number:2) range:. "
         "expr(number:3)) compoundstmt(assignstmt(dsgn(node:b) expr(number:1)))) "
         "compoundstmt(assignstmt(dsgn(node:b) "
         "expr(number:2)))))"},
        {"BasicScript",
         "do\r\n  a = a - 1\r\nloop until a = 0\r\ndo\r\nloop while a < 5\r\nwhile a < 10\r\n  a += "
         "1\r\nwend\r\n"
         "for i = 1 to 10 step 2\r\n  exit\r\nnext\r\n",
         "compoundstmt(repeatstmt(compoundstmt(assignstmt(dsgn(node:a) expr(dsgn(node:a) op:- number:1))) "
         "expr(dsgn(node:a) op:= number:0)) repeatstmt(compoundstmt expr(dsgn(node:a) op:< number:5) "
         "inverse:) "
         "whilestmt(expr(dsgn(node:a) op:< number:10) compoundstmt(assignstmt(dsgn(node:a) modificator:+ "
         "expr(number:1)))) vbforstmt(ident:i expr(number:1) expr(number:10) expr(number:2) "
         "compoundstmt(exit)))"},
        {"BasicScript",
         "try\r\n  x\r\nfinally\r\n  y\r\nend try\r\nwith o\r\n  x = 1\r\nend with\r\nset o = new TList\r\n"
         "delete o\r\np = addressof F\r\n",
         "compoundstmt(trystmt(compoundstmt(callstmt(dsgn(node:x))) "
         "finallystmt(compoundstmt(callstmt(dsgn(node:y))))) "
         "with(dsgn(node:o) compoundstmt(assignstmt(dsgn(node:x) expr(number:1)))) "
         "assignstmt(assignstmt(dsgn(node:o) "
         "expr(new(dsgn(node:TList))))) delete(dsgn(node:o)) assignstmt(dsgn(node:p) "
         "expr(dsgn(addr:addressof "
         "node:F))))"},
        {"BasicScript", "rem note\r\n' other\r\nremaining = 1 _\r\n  + 0xFF ' tail\r\n/\\ block /\\\r\n",
         "compoundstmt(assignstmt(dsgn(node:remaining) expr(number:1 op:+ number:$FF)))"},
        {"BasicScript", "imports \"u.vbs\"\r\n", "compoundstmt(uses:u.vbs)"},
    });
}

TEST(ScriptParser, JScriptPrograms) {
    CheckPrograms({
        {"JScript", "", "compoundstmt"},
        {"JScript", "var a, b = 1, c[3];",
         "compoundstmt(var(ident:a) var(ident:b init(expr(number:1))) var(ident:c "
         "array(dim(expr(number:3)))))"},
        {"JScript", "function F(n, &m) { return n * 2; }",
         "compoundstmt(function(name:F parameters(var(ident:n) var(varparam:& ident:m)) "
         "compoundstmt(return(expr(dsgn(node:n) op:* number:2)))))"},
        {"JScript", "a = -1 + 2 * 3 % 4 >> 1 || !b && c ^ d",
         "compoundstmt(assignstmt(dsgn(node:a) expr(op:unminus number:1 op:+ number:2 op:* number:3 op:mod "
         "number:4 "
         "op:shr number:1 op:or op:not dsgn(node:b) op:and dsgn(node:c) op:xor dsgn(node:d))))"},
        {"JScript", "if (a <= 1) b = 1; else b = 2",
         "compoundstmt(ifstmt(expr(dsgn(node:a) op:<= number:1) thenstmt(assignstmt(dsgn(node:b) "
         "expr(number:1))) "
         "elsestmt(assignstmt(dsgn(node:b) expr(number:2)))))"},
        {"JScript", "while (a != 10) a++; do { a--; } while (a == 0); for (var i = 0; i < 3; i += 1) break;",
         "compoundstmt(whilestmt(expr(dsgn(node:a) op:<> number:10) callstmt(dsgn(node:a) modificator:+)) "
         "repeatstmt(compoundstmt(callstmt(dsgn(node:a) modificator:-)) expr(dsgn(node:a) op:= number:0) "
         "inverse:) "
         "cppforstmt(var(ident:i init(expr(number:0))) expr(dsgn(node:i) op:< number:3) "
         "assignstmt(dsgn(node:i) "
         "modificator:+ expr(number:1)) break))"},
        {"JScript",
         "switch (a) { case 1: b = 1; default: b = 3; } try { x(); } except { y(); } with (o) { x = 1; }\r\n"
         "delete o; o = new TList(); { }",
         "compoundstmt(casestmt(expr(dsgn(node:a)) caseselector(set(expr(number:1)) assignstmt(dsgn(node:b) "
         "expr(number:1))) assignstmt(dsgn(node:b) expr(number:3))) "
         "trystmt(compoundstmt(callstmt(dsgn(node:x))) "
         "exceptstmt(compoundstmt(callstmt(dsgn(node:y))))) with(dsgn(node:o) "
         "compoundstmt(assignstmt(dsgn(node:x) "
         "expr(number:1)))) delete(dsgn(node:o)) assignstmt(dsgn(node:o) expr(new(dsgn(node:TList)))) "
         "compoundstmt)"},
        {"JScript", "s = \"a\\\"b\" + \"\\x263A\";",
         QString::fromUtf8(
             "compoundstmt(assignstmt(dsgn(node:s) expr(string:'a\"b' op:+ string:'\xE2\x98\xBA')))")},
        {"JScript", "import \"u.js\";", "compoundstmt(uses:u.js)"},
    });
}

TEST(ScriptParser, PositionsInTheIntermediateProgram) {
    TscCompileHost host;
    TscILParser p(&host);
    p.SelectLanguage("PascalScript");
    ASSERT_TRUE(p.MakeILScript("begin\r\n  x := 1\r\nend."));
    EXPECT_EQ(
        p.ILScript()->SaveToBytes(),
        "<?xml version=\"1.0\"?><program><compoundstmt pos=\"1:1\"><assignstmt pos=\"2:3\"><dsgn pos=\"2:3\">"
        "<node text=\"x\" pos=\"2:4\"/></dsgn><expr pos=\"2:8\" pos1=\"2:9\"><number text=\"1\" pos=\"2:9\"/>"
        "</expr></assignstmt></compoundstmt><types/></program>");

    // A leaf stands just behind its token; texts are escaped so that they come back unchanged.
    p.SelectLanguage("C++Script");
    ASSERT_TRUE(p.MakeILScript("{\r\n  s = \"<&quot;>\";\r\n  ab = 1; }"));
    const TscXMLItem* block = p.ILScript()->Root()->Items(0);
    EXPECT_EQ(block->Items(0)->Items(1)->Items(0)->GetProp("text"), "'<&quot;>'");
    const TscXMLItem* name = block->Items(1)->Items(0)->Items(0);
    EXPECT_EQ(name->GetProp("text"), "ab");
    EXPECT_EQ(name->GetProp("pos"), "3:5");

    // The grammar's type aliases travel with the program.
    const TscXMLItem* types = p.ILScript()->Root()->Items(p.ILScript()->Root()->Count() - 1);
    EXPECT_EQ(types->Name(), "types");
    ASSERT_GE(types->Find("float"), 0);
    EXPECT_EQ(types->Items(types->Find("float"))->GetProp("type"), "extended");
}

TEST(ScriptParser, PascalTextAfterProgramEndIsIgnored) {
    for (const char* src : {"begin end. trailing", "begin x := 1 END .\r\nnotes: anything { here",
                            "begin end.\r\nend."}) {
        const ParseResult r = ParseScript("PascalScript", src);
        EXPECT_TRUE(r.ok) << src << ": " << r.msg.toStdString();
    }
    // Only a real "end." counts: a stray word after a statement is still an error.
    EXPECT_FALSE(ParseScript("PascalScript", "begin x := friend. end").ok);
}

TEST(ScriptParser, SyntaxErrors) {
    struct Case {
        const char* lang;
        QString source;
        QString msg;
        QString pos;
    } cases[] = {
        {"PascalScript", "begin x : = 1 end.", "'=' expected", "1:11"},
        {"PascalScript", "begin x := 1", "';' expected", "1:13"},
        {"PascalScript", "var x integer; begin end.", "':' expected", "1:7"},
        {"PascalScript", "begin if then x; end.", "Expression expected", "1:10"},
        {"PascalScript", "begin x := ; end.", "Expression expected", "1:12"},
        {"PascalScript", "begin x := (1 + 2; end.", "')' expected", "1:18"},
        {"PascalScript", "program; begin end.", "Identifier expected", "1:8"},
        {"PascalScript", "begin\r\n  while x y\r\nend.", "'DO' expected", "2:11"},
        {"PascalScript", "begin end", "'.' expected", "1:10"},
        {"PascalScript", "", "'BEGIN' expected", "1:1"},
        {"PascalScript", "begin s := #99999999999; end.", "Character code out of range: #99999999999",
         "1:12"},
        {"C++Script", "{ x = 1 }", "';' expected", "1:9"},
        {"C++Script", "{ IF (x) y = 1; }", "';' expected", "1:10"},
        {"C++Script", "{ x = 1;", "'}' expected", "1:9"},
        {"C++Script", "{ }\r\n}", "Statement expected", "2:1"},
        {"C++Script", "{ if x) y(); }", "'(' expected", "1:6"},
        {"BasicScript", "x = 1\r\nNext\r\n", "End of line expected", "2:1"},
        {"BasicScript", "For i = 1 To 2\r\n  x = i\r\nNext\r\nNext\r\n", "End of line expected", "4:1"},
        {"BasicScript", "If x Then\r\n  y = 1\r\nEnd If\r\nEnd If\r\n", "End of line expected", "4:1"},
        {"BasicScript", "x = 1 y = 2\r\n", "End of line expected", "1:7"},
        {"BasicScript", "if x then\r\n  y = 1\r\n", "'END' expected", "3:1"},
        {"BasicScript", "for i = 1 2\r\nnext\r\n", "'TO' expected", "1:11"},
        {"BasicScript", "Next\r\n", "End of line expected", "1:1"},
        {"JScript", "x = 1; }", "Statement expected", "1:8"},
        {"JScript", "function (a) { }", "Expression expected", "1:10"},
        {"JScript", "if (x { }", "')' expected", "1:7"},
        {"JScript", "x = \"\\xFFFFFFF\";", "Character code out of range: \\xFFFFFFF", "1:6"},
        {"JScript", "x = (1;", "')' expected", "1:7"},
    };
    for (const Case& c : cases) {
        const ParseResult r = ParseScript(c.lang, c.source);
        EXPECT_FALSE(r.ok) << c.lang << ": " << c.source.toStdString();
        EXPECT_EQ(r.msg, c.msg) << c.lang << ": " << c.source.toStdString();
        EXPECT_EQ(r.pos, c.pos) << c.lang << ": " << c.source.toStdString();
    }
}

TEST(ScriptParser, EdgeCasesThatCompile) {
    struct Case {
        const char* lang;
        QString source;
    } cases[] = {
        {"PascalScript", "var x: integer;\r\nbegin end."}, // the "Identifier expected" of BEGIN is discarded
        {"PascalScript", "var x: integer; y: string; begin end."},
        {"PascalScript", "begin end.\r\n// notes\r\n{ more }\r\n"},
        {"BasicScript", "\r\n\r\n' only a comment\r\n"},
        {"BasicScript", "Dim remaining = 1\r\nremaining = 2\r\n"},
        {"JScript", "// nothing\r\n"},
    };
    for (const Case& c : cases) {
        const ParseResult r = ParseScript(c.lang, c.source);
        EXPECT_TRUE(r.ok) << c.lang << ": " << c.source.toStdString() << " -> " << r.msg.toStdString() << " "
                          << r.pos.toStdString();
    }
}

TEST(ScriptParser, LanguageDirective) {
    // The directive wins over the selected language; positions still count the directive line.
    TscCompileHost host;
    TscILParser p(&host);
    p.SelectLanguage("PascalScript");
    ASSERT_TRUE(p.MakeILScript("#Language BasicScript\r\nx = 1\r\n"));
    EXPECT_EQ(p.LangName(), "BasicScript");
    EXPECT_EQ(CompactProgram(p.ILScript()), "compoundstmt(assignstmt(dsgn(node:x) expr(number:1)))");
    EXPECT_EQ(p.ILScript()->Root()->Items(0)->GetProp("pos"), "2:1");

    // A directive without a line end leaves nothing to parse.
    p.SelectLanguage("PascalScript");
    EXPECT_TRUE(p.MakeILScript("#language JScript"));
    EXPECT_EQ(CompactProgram(p.ILScript()), "compoundstmt");

    // Each grammar keeps its own case sensitivity, comments and declaration rule.
    p.SelectLanguage("C++Script");
    ASSERT_TRUE(p.MakeILScript("#language BasicScript\r\nIF x THEN y = 1\r\n"))
        << host.ErrorMsg().toStdString();
    EXPECT_FALSE(p.NeedDeclareVars());
    p.SelectLanguage("BasicScript");
    ASSERT_TRUE(p.MakeILScript("#language PascalScript\r\nbegin rem := 1 end."))
        << host.ErrorMsg().toStdString();
    EXPECT_EQ(CompactProgram(p.ILScript()), "compoundstmt(assignstmt(dsgn(node:rem) expr(number:1)))");
    EXPECT_TRUE(p.NeedDeclareVars());
    EXPECT_FALSE(p.Parser()->CaseSensitive());

    // An include line of C++Script is not a directive.
    TscCompileHost units;
    units.OnGetUnit = [](TscCompileHost*, const QString& name, QString& text) {
        if (name == "a.cpp") text = "int x;\r\n{}";
    };
    TscILParser c(&units);
    c.SelectLanguage("C++Script");
    ASSERT_TRUE(c.MakeILScript("#include \"a.cpp\"\r\n{}")) << units.ErrorMsg().toStdString();
    EXPECT_EQ(CompactProgram(c.ILScript()),
              "uses:a.cpp(program(var(type:int ident:x) compoundstmt)) compoundstmt");

    p.SelectLanguage("PascalScript");
    try {
        p.MakeILScript("#language Foo\r\nbegin end.");
        ADD_FAILURE() << "an unknown language was accepted";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Language 'Foo' not found");
    }
}

TEST(ScriptParser, Units) {
    QMap<QString, QString> files = {
        {"a.pas", "uses 'c.pas';\r\nprocedure PA; begin end;\r\nbegin end."},
        {"b.pas", "uses 'c.pas', 'A.PAS';\r\nprocedure PB; begin end;\r\nbegin end."},
        {"c.pas", "const C = 1;\r\nbegin end."},
        {"bad.pas", "begin x := end."},
        {"outer.pas", "uses 'bad.pas';\r\nbegin end."},
        {"empty.pas", ""},
    };
    QStringList asked;
    TscCompileHost host;
    host.OnGetUnit = [&](TscCompileHost* sender, const QString& name, QString& text) {
        EXPECT_EQ(sender, &host);
        asked << name;
        text = files.value(name.toLower());
    };

    // Each unit once; the units of one clause are spliced from the last to the first.
    ParseResult r = ParseScript("PascalScript", "uses 'a.pas', 'b.pas';\r\nbegin end.", &host);
    ASSERT_TRUE(r.ok) << r.msg.toStdString() << " " << r.pos.toStdString();
    EXPECT_EQ(r.il,
              "uses:b.pas(program(uses:A.PAS(program(uses:c.pas(program(const(ident:C expr(number:1)) "
              "compoundstmt)) "
              "procedure(name:PA compoundstmt) compoundstmt)) procedure(name:PB compoundstmt) compoundstmt)) "
              "compoundstmt");
    EXPECT_EQ(asked, QStringList({"b.pas", "A.PAS", "c.pas"}));

    // A failing unit fails the script with its own message and position, and is named.
    host.SetErrorUnit("");
    r = ParseScript("PascalScript", "uses 'outer.pas';\r\nbegin end.", &host);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.msg, "Expression expected");
    EXPECT_EQ(r.pos, "1:12");
    EXPECT_EQ(r.unit, "bad.pas");

    host.SetErrorUnit("");
    r = ParseScript("PascalScript", "uses 'empty.pas';\r\nbegin end.", &host);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.il, "uses:empty.pas compoundstmt");

    // Imports stand where they are written in BasicScript.
    files["u.vbs"] = "y = 2\r\n";
    r = ParseScript("BasicScript", "x = 1\r\nimports \"u.vbs\"\r\n", &host);
    ASSERT_TRUE(r.ok) << r.msg.toStdString();
    EXPECT_EQ(r.il, "compoundstmt(assignstmt(dsgn(node:x) expr(number:1)) uses:u.vbs(program(compoundstmt("
                    "assignstmt(dsgn(node:y) expr(number:2))))))");
}

TEST(ScriptParser, UnitsFromTheIncludePath) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QDir(dir.path()).mkdir("first");
    QDir(dir.path()).mkdir("second");
    auto write = [&](const QString& path, const QByteArray& text) {
        QFile f(dir.filePath(path));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    };
    write("second/u.js", "\xEF\xBB\xBFvar fromSecond;\nx = 1");
    write("first/v.js", "var fromFirst;");
    write("second/v.js", "var shadowed;");

    TscCompileHost host;
    host.SetIncludePath({dir.filePath("missing"), dir.filePath("first"), dir.filePath("second")});
    ParseResult r = ParseScript("JScript", "import \"u.js\", \"v.js\";", &host);
    ASSERT_TRUE(r.ok) << r.msg.toStdString();
    EXPECT_EQ(
        r.il,
        "compoundstmt(uses:v.js(program(compoundstmt(var(ident:fromFirst)))) "
        "uses:u.js(program(compoundstmt(var(ident:fromSecond) assignstmt(dsgn(node:x) expr(number:1))))))");

    EXPECT_THROW(ParseScript("JScript", "import \"none.js\";", &host), EFOpenError);
}

TEST(ScriptParser, ConfigurationFaultsRaise) {
    TscCompileHost host;
    TscILParser p(&host);
    try {
        p.SelectLanguage("Foo");
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Language 'Foo' not found");
    }

    RegisterLanguageGrammar("@Broken", "<?xml version=\"1.0\"?><language text=\"@Broken\"><parser/><types/>"
                                       "<program><nothere/></program></language>");
    p.SelectLanguage("@Broken");
    try {
        p.MakeILScript("x");
        ADD_FAILURE();
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), "Invalid language definition");
    }
}

TEST(ScriptParser, SmallRegisteredLanguage) {
    // No keywords, its own messages, a separator loop and an error name without a message.
    RegisterLanguageGrammar(
        "@Tiny", "<?xml version=\"1.0\"?><language text=\"@Tiny\"><parser><errors>"
                 "<err1 text=\"Name expected\"/><err3 text=\"Stray text\"/></errors></parser><types/>"
                 "<program><loop text=\",\"><ident add=\"name\" err=\"err1\"/></loop>"
                 "<optional><char text=\"!\" err=\"err9\"/><number add=\"n\"/></optional></program>"
                 "</language>");
    QStringList names;
    GetLanguageNames(names);
    EXPECT_FALSE(names.contains("@Tiny"));

    ParseResult r = ParseScript("@Tiny", "begin, end");
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.il, "name:begin name:end");
    r = ParseScript("@Tiny", "a, 1");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.msg, "Name expected");
    EXPECT_EQ(r.pos, "1:4");
    r = ParseScript("@Tiny", "a b");
    EXPECT_EQ(r.msg, "Stray text");
    EXPECT_EQ(r.pos, "1:3");
    // The optional part fails on "!" followed by no number: it gives its text back, and the
    // error points where the number was missing.
    r = ParseScript("@Tiny", "a !");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.msg, "Stray text");
    EXPECT_EQ(r.pos, "1:4");
}

TEST(ScriptParser, EveryOutcomeIsReported) {
    // Mangled sources: a parse either succeeds without a message or fails with one and a
    // position; it never raises.
    const std::pair<const char*, QString> seeds[] = {
        {"PascalScript",
         "program p; uses 'u.pas'; var a: array[1..2] of integer; procedure P(var x: integer);\r\n"
         "begin x := x + 1 end;\r\nbegin case a[1] of 1: P(a[1]) else exit end;\r\n"
         "  s := 'it''s'#13#10 + <Report.\"x\">; while not (a[1] >= 3) do a[1] := a[1] * 2 end."},
        {"C++Script",
         "#include \"u.cpp\"\r\n#define N 3\r\nint f(int &x) { return x << 1; }\r\n"
         "{ for (i = 0; i < N; i++) { x += f(i); } switch (x) { case 1: y = \"a\\x41\"; default: ; } }"},
        {"BasicScript",
         "imports \"u.vbs\"\r\ndim a[2] as integer\r\nsub P(byref x)\r\n  x = x & \"s\" _\r\n   + 1\r\n"
         "end sub\r\nif a(1) > 0 then\r\n  P a(1)\r\nelseif true then b = 1 : c = 2\r\nend if\r\n"
         "select case x\r\ncase 1: y = 2\r\nend select\r\nrem done\r\n"},
        {"JScript",
         "import \"u.js\"; var a = [1, 2..3]; function f(&x) { x++; return x % 2; }\r\n"
         "do { a[0] -= 1; } while (a[0] > 0); try { f(a); } finally { with (o) { p = new T(); } }"},
    };
    const QString pieces[] = {"(",  ")", "[",  "]", "{", "}",    ";",     ":",   "=",  "'",
                              "\"", "#", "\\", "<", ">", "\r\n", "begin", "end", "if", "next",
                              "0x", "$", "..", ".", ",", " ",    "_",     "/*",  "//", "#language"};
    const QRegularExpression position("^\\d+:\\d+$");
    std::mt19937 random(20240611);
    for (const auto& [lang, seed] : seeds) {
        for (int round = 0; round < 300; ++round) {
            QString text = seed;
            const int edits = 1 + int(random() % 4);
            for (int e = 0; e < edits; ++e) {
                const int at = int(random() % (text.size() + 1));
                switch (random() % 3) {
                case 0:
                    text.remove(at, 1 + int(random() % 5));
                    break;
                case 1:
                    text.insert(at, pieces[random() % std::size(pieces)]);
                    break;
                default:
                    text.insert(at, QChar(char16_t(random() % 128)));
                    break;
                }
            }
            ParseResult r;
            try {
                r = ParseScript(lang, text);
            } catch (const Exception& e) {
                // Only a directive naming an unknown language may raise.
                EXPECT_TRUE(e.Message().contains("not found")) << e.Message().toStdString();
                continue;
            }
            if (r.ok) {
                EXPECT_TRUE(r.msg.isEmpty());
            } else {
                EXPECT_FALSE(r.msg.isEmpty()) << lang << ": " << text.toStdString();
                EXPECT_TRUE(position.match(r.pos).hasMatch()) << r.pos.toStdString();
            }
        }
    }
}

TEST(ScriptParser, DeepNestingIsRefused) {
    const ParseResult r =
        ParseScript("PascalScript", "begin x := " + QString(3000, '(') + "1" + QString(3000, ')') + " end.");
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.msg.startsWith("Program too complex")) << r.msg.toStdString();
    // Reasonable nesting is fine.
    const ParseResult ok =
        ParseScript("PascalScript", "begin x := " + QString(40, '(') + "1" + QString(40, ')') + " end.");
    EXPECT_TRUE(ok.ok) << ok.msg.toStdString();
}

TEST(ScriptParser, LongScript) {
    QString text = "var i: integer;\r\nbegin\r\n";
    for (int i = 0; i < 4000; ++i)
        text += QString("  i := i + %1 * (i - 2);\r\n").arg(i);
    text += "end.";
    TscCompileHost host;
    TscILParser p(&host);
    p.SelectLanguage("PascalScript");
    ASSERT_TRUE(p.MakeILScript(text)) << host.ErrorMsg().toStdString();
    const TscXMLItem* block = p.ILScript()->Root()->Items(1);
    EXPECT_EQ(block->Name(), "compoundstmt");
    EXPECT_EQ(block->Count(), 4000);
    EXPECT_EQ(block->Items(3999)->GetProp("pos"), "4002:3");
}
