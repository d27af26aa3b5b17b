// Integer work that the engine does without Variants must give exactly what the variant rules
// give: the overflow to Int64, the errors, text and Null operands, the order of evaluation, and
// the locals of recursive calls.

#include "tests/common/ScriptRun.h"

#include "platform/rtti/Classes.h"

namespace {

struct TExprCase {
    const char* Expr;
    const char* Logged; // value|VarType
};

// A Pascal expression assigned to a Variant keeps the kind the operation produced.
TEST(ScriptIntegerTest, ResultsFollowTheVariantRules) {
    const TExprCase cases[] = {
        {"2147483647 + 1", "2147483648|20"},
        {"-2147483647 - 2", "-2147483649|20"},
        {"65536 * 65536", "4294967296|20"},
        {"-2147483647 - 1", "-2147483648|3"},
        {"(-2147483647 - 1) div (-1)", "2147483648|20"},
        {"(-2147483647 - 1) mod (-1)", "0|3"},
        {"-7 mod 3", "-1|3"},
        {"7 div (-2)", "-3|3"},
        {"3 * 4 - 5 mod 3", "10|3"},
        {"7 / 7", "1|5"},
    };
    for (const TExprCase& c : cases) {
        TScriptRun r(
            "PascalScript",
            QString("var v: Variant;\nbegin\n  v := %1;\n  Log(v);\n  Log(VarType(v));\nend.").arg(c.Expr));
        ASSERT_TRUE(r.Compiled) << c.Expr << ": " << r.Error.toStdString();
        ASSERT_TRUE(r.Execute()) << c.Expr << ": " << r.Error.toStdString();
        EXPECT_EQ(r.Joined(), QString(c.Logged)) << c.Expr;
    }
}

struct TRunCase {
    const char* Lang;
    const char* Text;
    const char* Logged; // the log, or the error when the run fails
};

// Runs each case and compares what it logged, or the error that stopped it.
template <size_t N>
void ExpectRuns(const TRunCase (&cases)[N]) {
    for (const TRunCase& c : cases) {
        TScriptRun r(c.Lang, c.Text);
        ASSERT_TRUE(r.Compiled) << c.Lang << ": " << c.Text << ": " << r.Error.toStdString();
        const QString got = r.Execute() ? r.Joined() : r.Error;
        EXPECT_EQ(got, QString(c.Logged)) << c.Lang << ": " << c.Text;
    }
}

// Compound assignments, increments and counters at the edge of the 32-bit range, errors, and
// operands that are text or Null.
TEST(ScriptIntegerTest, AssignmentsAndMixedOperands) {
    const TRunCase cases[] = {
        // A Variant target goes on to Int64; an Integer target refuses the value.
        {"PascalScript", "var v: Variant;\nbegin v := 2147483647; v := v + 1; Log(v); Log(VarType(v)); end.",
         "2147483648|20"},
        {"PascalScript", "var i: Integer;\nbegin i := 2147483647; i := i + 1; Log(i); end.",
         "EVariantOverflowError: Range check error converting variant of type (Int64) into type (Integer)"},
        {"JScript", "var v = 2147483647; v++; Log(v); v = -2147483647 - 1; v--; Log(v);",
         "2147483648|-2147483649"},
        {"BasicScript", "dim v\nv = 2147483647\nv = v * 2\nLog(v)", "4294967294"},
        {"PascalScript", "var i, z: Integer;\nbegin z := 0; i := 7 mod z; end.",
         "EDivByZero: Division by zero"},
        {"PascalScript", "var i, z: Integer;\nbegin z := 0; i := 7 div z; end.",
         "EDivByZero: Division by zero"},
        // Text and Null operands take the platform's way, not the integer one.
        {"JScript", "var s = \"5\"; s = s + 1; Log(s); Log(VarType(s));", "6|5"},
        {"JScript", "var a = \"ab\"; a = a + \"c\"; a += \"d\"; Log(a);", "abcd"},
        {"JScript", "var n = null; var t = \"10\"; n = n + 1; Log(VarType(n)); Log(t < 9);", "1|False"},
        {"JScript", "var t = \"x\"; t = t - 1;",
         "EVariantTypeCastError: Could not convert variant of type (UnicodeString) into type (Double)"},
        // Stepped counters with integer bounds, up to the largest integer and down by two.
        {"BasicScript", "dim i\nfor i = 2147483646 to 2147483647\nLog(i)\nnext\nLog(i)",
         "2147483646|2147483647|2147483647"},
        {"BasicScript", "dim i\nfor i = 7 to 1 step -2\nLog(i)\nnext", "7|5|3|1"},
        {"BasicScript", "dim i\nfor i = 1 to 10 step 4\nif i = 9 then\nbreak\nend if\nLog(i)\nnext\nLog(i)",
         "1|5|9"},
    };
    ExpectRuns(cases);
}

// C-style loops whose body and step are single statements run them directly: break, continue,
// a body that moves the counter, a falling counter, a text counter and a counter leaving 32 bits must
// behave as the statement lists do.
TEST(ScriptIntegerTest, CStyleLoopsKeepTheirFlow) {
    const TRunCase cases[] = {
        {"C++Script", "int i, s;\n{ s = 0; for (i = 1; i <= 10; i++) s = s + i % 7; Log(s); Log(i); }", "27|11"},
        {"JScript", "var i, s = 0;\nfor (i = 10; i > 0; i--) s += i;\nLog(s); Log(i);", "55|0"},
        {"JScript", "var i;\nfor (i = 0; i < 10; i++) if (i == 3) break;\nLog(i);", "3"},
        {"JScript", "var i, n = 0;\nfor (i = 0; i < 6; i++) { if (i % 2 == 0) continue; n = n + i; }\nLog(n); Log(i);",
         "9|6"},
        {"JScript", "var i, n = 0;\nfor (i = 0; i < 10; i++) i = i + 2;\nLog(i);", "12"},
        {"JScript", "var i, n = 0;\nfor (i = 0; true; i++) { n++; if (n == 4) break; }\nLog(n); Log(i);", "4|3"},
        {"JScript", "var i = 2147483646, n = 0;\nfor (; i < 2147483648; i++) n++;\nLog(n); Log(i); Log(VarType(i));",
         "2|2147483648|20"},
        {"JScript", "var i, n = 0;\nfor (i = \"1\"; i < 4; i++) n++;\nLog(n); Log(i);", "3|4"},
    };
    ExpectRuns(cases);
}

// An operand read in place must still be the value it had when its turn came.
TEST(ScriptIntegerTest, OperandsAreTakenInOrder) {
    TScriptRun r("PascalScript", R"(var x: Integer;
function Bump: Integer;
begin
  x := 10;
  Result := 0;
end;
begin
  x := 1; Log(x + Bump);
  x := 1; Log(Bump + x);
  x := 1; x := x + Bump; Log(x);
  x := 1; Log(x < Bump + 5);
  x := 1; Log(x - Bump);
end.)");
    ASSERT_TRUE(r.Compiled) << r.Error.toStdString();
    ASSERT_TRUE(r.Execute()) << r.Error.toStdString();
    EXPECT_EQ(r.Joined(), "1|10|1|True|1");
}

// Each level keeps its own locals, text ones included; a var argument that is the caller's own
// parameter receives what the inner call made of it.
TEST(ScriptRecursionTest, LocalsAndVarParametersPerLevel) {
    const TRunCase cases[] = {
        {"PascalScript", R"(function Depth(n: Integer; var acc: String): Integer;
var tag: String;
  k: Integer;
begin
  tag := 'L' + IntToStr(n);
  k := n * 10;
  if n > 0 then Depth(n - 1, acc);
  acc := acc + tag + ':' + IntToStr(k) + ' ';
  Result := k;
end;
var s: String;
begin
  s := '';
  Log(Depth(3, s));
  Log(s);
end.)",
         "30|L0:0 L1:10 L2:20 L3:30 "},
        {"JScript", R"(function Sum(n, acc) {
  var here = n;
  if (n > 0) Sum(n - 1, acc);
  acc = acc + here;
  return here;
}
function Count(n) {
  if (n == 0) return 0;
  return Count(n - 1) + n;
}
Log(Count(100));)",
         "5050"},
        {"C++Script", R"(int Fib(int n)
{
  int a, b;
  if (n < 2)
    return n;
  a = Fib(n - 1);
  b = Fib(n - 2);
  return a + b;
}
{
  Log(Fib(15));
})",
         "610"},
    };
    for (const TRunCase& c : cases) {
        TScriptRun r(c.Lang, c.Text);
        ASSERT_TRUE(r.Compiled) << c.Lang << ": " << r.Error.toStdString();
        ASSERT_TRUE(r.Execute()) << c.Lang << ": " << r.Error.toStdString();
        EXPECT_EQ(r.Joined(), QString(c.Logged)) << c.Lang;
    }
}

// A caller's locals of every kind (a text variable, a Variant holding text or Null, a float, a
// Boolean) come back after the inner call, also when the inner call ends in an exception that
// the caller catches.
TEST(ScriptRecursionTest, EveryKindOfLocalComesBack) {
    TScriptRun r("PascalScript", R"(function Walk(n: Integer): String;
var s: String;
  v: Variant;
  f: Double;
  b: Boolean;
begin
  s := 'S' + IntToStr(n);
  f := n / 4;
  b := n mod 2 = 0;
  if n = 3 then v := Null
  else if n = 2 then v := 'T' + IntToStr(n)
  else v := n;
  if n = 0 then RaiseException('bottom');
  try
    Walk(n - 1);
  except
    Log(ExceptionMessage);
  end;
  Result := s + ' ' + IntToStr(Round(f * 100)) + ' ' + VarToStr(v);
  if b then Result := Result + ' even';
  Log(Result);
end;
begin
  Log(Walk(3));
end.)");
    ASSERT_TRUE(r.Compiled) << r.Error.toStdString();
    ASSERT_TRUE(r.Execute()) << r.Error.toStdString();
    EXPECT_EQ(r.Joined(), "bottom|S1 25 1|S2 50 T2 even|S3 75 |S3 75 ");
}

// A caller with a few locals and no text variable keeps them on the stack while all hold
// scalars, and in the procedure's buffer when one holds text (or there are too many): either
// way each level gets its own back, also when an exception passes.
TEST(ScriptRecursionTest, ScalarAndMixedLocalsComeBack) {
    const TRunCase cases[] = {
        {"PascalScript", R"(function Walk(n: Integer): Variant;
var v: Variant;
  f: Double;
begin
  f := n / 4;
  if n = 3 then v := Null
  else if n = 2 then v := 'T' + IntToStr(n)
  else v := n * 10;
  if n = 0 then RaiseException('bottom');
  try
    Walk(n - 1);
  except
    Log(ExceptionMessage);
  end;
  Result := IntToStr(Round(f * 100)) + ' ' + VarToStr(v);
  Log(Result);
end;
begin
  Log(Walk(3));
end.)",
         "bottom|25 10|50 T2|75 |75 "},
        {"PascalScript", R"(function Two(n: Integer): Integer;
var a, b: Integer;
begin
  a := n;
  b := n * 100;
  if n > 0 then Two(n - 1);
  Result := a + b;
  Log(Result);
end;
function Four(n: Integer): Integer;
var a, b, c, d: Integer;
begin
  a := n; b := n * 2; c := n * 3; d := n * 4;
  if n > 0 then Four(n - 1);
  Result := a + b + c + d;
  Log(Result);
end;
begin
  Log(Two(2));
  Log(Four(2));
end.)",
         "0|101|202|202|0|10|20|20"},
        {"JScript", R"(function Tag(n) {
  var t;
  if (n % 2 == 0) t = "e" + IntToStr(n); else t = n;
  if (n > 0) Tag(n - 1);
  Log(t);
  return t;
}
Tag(3);)",
         "e0|1|e2|3"},
    };
    ExpectRuns(cases);
}

// A return leaves its function from inside loops and branches, runs the finally block on the
// way out with the value kept, and without a value ends a procedure.
TEST(ScriptRecursionTest, ReturnLeavesFromAnywhere) {
    const TRunCase cases[] = {
        {"JScript", R"(function Find(limit) {
  var i;
  for (i = 0; i < 100; i++) {
    if (i == limit) return i * 10;
  }
  return -1;
}
function Spin() {
  var n = 0;
  while (true) { n++; if (n == 5) return n; }
}
function Guarded(x) {
  try { return x + 1; }
  finally { Log("finally"); }
  return 0;
}
function Say() {
  Log("a");
  return;
  Log("b");
}
Log(Find(3)); Log(Find(200)); Log(Spin()); Log(Guarded(4)); Say();)",
         "30|-1|5|finally|5|a"},
        {"C++Script", R"(int Find(int limit)
{
  int i;
  for (i = 0; i < 100; i++)
    if (i == limit) return i * 10;
  return -1;
}
int Spin()
{
  int n;
  n = 0;
  while (true) { n++; if (n == 5) return n; }
}
int Guarded(int x)
{
  try { return x + 1; }
  finally { Log("finally"); }
  return 0;
}
void Say()
{
  Log("a");
  return;
  Log("b");
}
{
  Log(Find(3)); Log(Find(200)); Log(Spin()); Log(Guarded(4)); Say();
})",
         "30|-1|5|finally|5|a"},
        {"BasicScript", R"(function Find(limit)
  dim i
  for i = 0 to 99
    if i = limit then
      return i * 10
    end if
  next
  return -1
end function
function Spin
  dim n
  n = 0
  while true
    n = n + 1
    if n = 5 then
      return n
    end if
  wend
end function
function Guarded(x)
  try
    return x + 1
  finally
    Log("finally")
  end try
  return 0
end function
sub Say
  Log("a")
  return
  Log("b")
end sub
Log(Find(3))
Log(Find(200))
Log(Spin)
Log(Guarded(4))
Say
)",
         "30|-1|5|finally|5|a"},
    };
    ExpectRuns(cases);
}

// A recursion without end raises a catchable error instead of overflowing the stack; the
// script goes on after catching it, with its locals as they were.
TEST(ScriptRecursionTest, EndlessRecursionRaises) {
    const TRunCase cases[] = {
        {"PascalScript", R"(var depth: Integer;
function Down(n: Integer): Integer;
begin
  depth := n;
  Result := Down(n + 1) + 1;
end;
var k: Integer;
begin
  k := 7;
  try
    Down(1);
  except
    Log(ExceptionClassName);
  end;
  Log(depth > 100);
  Log(k);
  Log(Down(1));
end.)",
         "EStackOverflow|True|7|EStackOverflow: Stack overflow in Down: the calls go too deep"},
        {"JScript", R"(function Down(n) { return Down(n + 1); }
try { Down(1); } except { Log(ExceptionClassName); }
Log("after");)",
         "EStackOverflow|after"},
    };
    for (const TRunCase& c : cases) {
        TScriptRun r(c.Lang, c.Text);
        ASSERT_TRUE(r.Compiled) << c.Lang << ": " << r.Error.toStdString();
        // What was logged, then the error that ended the run, if one did.
        const bool ran = r.Execute();
        const QString got = ran ? r.Joined() : r.Joined() + "|" + r.Error;
        EXPECT_EQ(got, QString(c.Logged)) << c.Lang;
    }
}

// The caller's local is put back from its stored value: a value hook's answer at the time of
// the inner call does not end up stored in it.
TEST(ScriptRecursionTest, SavedLocalsIgnoreTheValueHook) {
    TscScript s;
    s.AddRTTI();
    QStringList log;
    bool hooked = false;
    s.OnGetVarValue = [&](const QString& name, TscVarType, const Variant&) {
        return hooked && name == "k" ? Variant(99) : Variant::Null();
    };
    s.AddMethod("procedure Log(v: Variant)",
                TscCallMethodNewEvent([&](TObject*, const TClassInfo*, const QString&, TscMethodHelper* c) {
                    log << VarToStr(c->GetVParam(0));
                    return Variant(0);
                }));
    s.AddMethod("procedure Hook(on: Boolean)",
                TscCallMethodNewEvent([&](TObject*, const TClassInfo*, const QString&, TscMethodHelper* c) {
                    hooked = c->GetVParam(0).ToBool();
                    return Variant(0);
                }));
    s.Lines()->SetText(R"(function F(d: Integer): Integer;
var k: Integer;
begin
  k := d;
  if d > 0 then
  begin
    Hook(True);
    F(d - 1);
    Hook(False);
  end;
  Result := k;
end;
begin
  Log(F(1));
end.)");
    ASSERT_TRUE(s.Compile()) << s.ErrorMsg().toStdString();
    s.Execute();
    EXPECT_EQ(log.join('|'), "1");
}

// Terminate from the line hook ends every kind of loop before its next iteration.
TEST(ScriptRunTest, TerminateStopsEveryLoopKind) {
    const struct {
        const char* Lang;
        const char* Text;
    } cases[] = {
        {"PascalScript",
         "var i, n: Integer;\nbegin\n  for i := 1 to 1000000 do n := n + 1;\n  Log(n);\nend."},
        {"BasicScript", "dim i, n\nn = 0\nfor i = 1 to 1000000\nn = n + 1\nnext\nLog(n)"},
        {"C++Script",
         "int i, n;\n{\n  n = 0;\n  for (i = 1; i <= 1000000; i++)\n    n = n + 1;\n  Log(n);\n}"},
        {"JScript", "var n = 0;\nwhile (true) n++;\nLog(n);"},
    };
    for (const auto& c : cases) {
        TScriptRun r(c.Lang, c.Text);
        ASSERT_TRUE(r.Compiled) << c.Lang << ": " << r.Error.toStdString();
        int lines = 0;
        r.Script.OnRunLine = [&](TscScript*, const QString&, const QString&) {
            if (++lines == 300) r.Script.Terminate();
        };
        ASSERT_TRUE(r.Execute()) << c.Lang << ": " << r.Error.toStdString();
        EXPECT_TRUE(r.Log.isEmpty()) << c.Lang;
        const int n = r.Script.Variables("n").ToInt();
        EXPECT_GT(n, 50) << c.Lang;
        EXPECT_LT(n, 300) << c.Lang;
    }
}

// A published property read through one member helper answers for whichever object stands
// left of it, and a freed object raises instead of being read.
TEST(ScriptHostTest, PublishedPropertyFollowsTheObject) {
    auto a = std::make_unique<TComponent>();
    TComponent b;
    a->SetTag(5);
    b.SetTag(7);
    TScriptRun r("PascalScript", QString());
    r.Script.AddClass(TComponent::StaticClassInfo(), "TObject");
    r.Script.AddObject("A", a.get());
    r.Script.AddObject("B", &b);
    r.Script.Lines()->SetText(R"(var c: TComponent;
  i: Integer;
begin
  for i := 1 to 4 do
  begin
    if i mod 2 = 1 then c := A else c := B;
    Log(c.Tag);
  end;
  B.Tag := 8;
  c := B;
  Log(c.Tag);
  c := A;
  Log(c.Tag);
end.)");
    ASSERT_TRUE(r.Script.Compile()) << r.Script.ErrorMsg().toStdString();
    ASSERT_TRUE(r.Execute()) << r.Error.toStdString();
    EXPECT_EQ(r.Joined(), "5|7|5|7|8|5");
    a.reset();
    r.Log.clear();
    EXPECT_FALSE(r.Execute());
    EXPECT_EQ(r.Error, "EInvalidPointer: invalid object reference");
}

} // namespace
