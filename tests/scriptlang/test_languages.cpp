// The same programs in the four languages must log the same lines.

#include "tests/common/ScriptRun.h"

namespace {

struct TProgram {
    const char* Name;
    const char* Pascal;
    const char* Cpp;
    const char* Basic;
    const char* JS;
    const char* Expected;
};

const TProgram Programs[] = {
    {"RecursionKeepsEachLevelsLocals",
     R"(function Fib(n: Integer): Integer;
var a, b: Integer;
begin
  if n < 2 then Result := n
  else begin a := Fib(n - 1); b := Fib(n - 2); Result := a + b; end;
end;
procedure Depth(n: Integer);
var t: Integer;
begin
  t := n * 10;
  if n > 1 then Depth(n - 1);
  Log(t);
end;
begin
  Log(Fib(15));
  Depth(3);
end.)",
     R"(int Fib(int n) { int a, b; if (n < 2) { return n; } a = Fib(n - 1); b = Fib(n - 2); return a + b; }
void Depth(int n) { int t; t = n * 10; if (n > 1) { Depth(n - 1); } Log(t); }
{ Log(Fib(15)); Depth(3); })",
     R"(function Fib(n)
  dim a, b
  if n < 2 then
    return n
  end if
  a = Fib(n - 1)
  b = Fib(n - 2)
  return a + b
end function
sub Depth(n)
  dim t
  t = n * 10
  if n > 1 then
    Depth(n - 1)
  end if
  Log(t)
end sub
Log(Fib(15))
Depth(3)
)",
     R"(function Fib(n) { var a, b; if (n < 2) return n; a = Fib(n - 1); b = Fib(n - 2); return a + b; }
function Depth(n) { var t; t = n * 10; if (n > 1) Depth(n - 1); Log(t); }
Log(Fib(15));
Depth(3);)",
     "610|10|20|30"},
    {"NestedLoopsWithBreakAndContinue",
     R"(var i, j: Integer;
begin
  for i := 1 to 3 do
    for j := 1 to 3 do begin
      if j = 2 then continue;
      if i = 3 then break;
      Log(i * 10 + j);
    end;
  i := 0;
  while True do begin
    i := i + 1;
    if i > 4 then break;
    if i mod 2 = 0 then continue;
    Log(i);
  end;
  Log('done');
end.)",
     R"(int i, j;
{
  for (i = 1; i <= 3; i++) {
    for (j = 1; j <= 3; j++) { if (j == 2) continue; if (i == 3) break; Log(i * 10 + j); }
  }
  i = 0;
  while (true) { i++; if (i > 4) break; if (i % 2 == 0) continue; Log(i); }
  Log("done");
})",
     R"(dim i, j
for i = 1 to 3
  for j = 1 to 3
    if j = 2 then continue
    if i = 3 then break
    Log(i * 10 + j)
  next
next
i = 0
while true
  i = i + 1
  if i > 4 then break
  if i mod 2 = 0 then continue
  Log(i)
wend
Log("done")
)",
     R"(var i, j;
for (i = 1; i <= 3; i++) {
  for (j = 1; j <= 3; j++) { if (j == 2) continue; if (i == 3) break; Log(i * 10 + j); }
}
i = 0;
while (true) { i++; if (i > 4) break; if (i % 2 == 0) continue; Log(i); }
Log("done");)",
     "11|13|21|23|1|3|done"},
    {"CaseSelectsByValuesAndRanges",
     R"(var i: Integer;
begin
  for i := 1 to 7 do
    case i of
      1, 2: Log('low');
      3..5: Log('mid' + IntToStr(i));
    else Log('high');
    end;
end.)",
     R"(int i;
{
  for (i = 1; i <= 7; i++) {
    switch (i) { case 1, 2: Log("low"); case 3..5: Log("mid" + IntToStr(i)); default: Log("high"); }
  }
})",
     R"(dim i
for i = 1 to 7
  select case i
  case 1, 2:
    Log("low")
  case 3..5:
    Log("mid" + IntToStr(i))
  case else:
    Log("high")
  end select
next
)",
     R"(var i;
for (i = 1; i <= 7; i++) {
  switch (i) { case 1, 2: Log("low"); case 3..5: Log("mid" + IntToStr(i)); default: Log("high"); }
})",
     "low|low|mid3|mid4|mid5|high|high"},
    {"VarParametersChangeTheArgument",
     R"(var a, b: Integer;
procedure Swap(var x, y: Integer);
var t: Integer;
begin
  t := x; x := y; y := t;
end;
procedure AddTo(var x: Integer; d: Integer = 5);
begin
  x := x + d;
end;
begin
  a := 1; b := 2;
  Swap(a, b);
  Log(a); Log(b);
  AddTo(a);
  AddTo(b, 10);
  Inc(a); Inc(b, 3); Dec(a, 2);
  Log(a); Log(b);
  AddTo(a + 1);
  Log(a);
end.)",
     R"(int a, b;
void Swap(int &x, int &y) { int t; t = x; x = y; y = t; }
void AddTo(int &x, int d = 5) { x = x + d; }
{
  a = 1; b = 2;
  Swap(a, b);
  Log(a); Log(b);
  AddTo(a);
  AddTo(b, 10);
  Inc(a); Inc(b, 3); Dec(a, 2);
  Log(a); Log(b);
  AddTo(a + 1);
  Log(a);
})",
     R"(dim a, b
sub Swap(byref x, byref y)
  dim t
  t = x
  x = y
  y = t
end sub
sub AddTo(byref x, d = 5)
  x = x + d
end sub
a = 1
b = 2
Swap(a, b)
Log(a)
Log(b)
AddTo(a)
AddTo(b, 10)
Inc(a)
Inc(b, 3)
Dec(a, 2)
Log(a)
Log(b)
AddTo(a + 1)
Log(a)
)",
     R"(var a, b;
function Swap(&x, &y) { var t; t = x; x = y; y = t; }
function AddTo(&x, d) { x = x + d; }
a = 1; b = 2;
Swap(a, b);
Log(a); Log(b);
AddTo(a, 5);
AddTo(b, 10);
Inc(a); Inc(b, 3); Dec(a, 2);
Log(a); Log(b);
AddTo(a + 1, 5);
Log(a);)",
     "2|1|6|14|6"},
    {"ArraysHoldAndSumValues",
     R"(var a: array[5] of Integer; m: array[1..3, 1..2] of Integer; i, j, sum: Integer;
begin
  for i := 0 to 4 do a[i] := i * i;
  sum := 0;
  for i := 0 to 4 do sum := sum + a[i];
  Log(sum);
  for i := 1 to 3 do for j := 1 to 2 do m[i, j] := i * 10 + j;
  Log(m[3, 2] - m[1, 1]);
  Log(Length(a));
end.)",
     R"(int a[5], m[3][2]; int i, j, sum;
{
  for (i = 0; i < 5; i++) a[i] = i * i;
  sum = 0;
  for (i = 0; i < 5; i++) sum = sum + a[i];
  Log(sum);
  for (i = 0; i < 3; i++) for (j = 0; j < 2; j++) m[i, j] = (i + 1) * 10 + j + 1;
  Log(m[2, 1] - m[0, 0]);
  Log(Length(a));
})",
     R"(dim a[5], m[3, 2], i, j, sum
for i = 0 to 4
  a[i] = i * i
next
sum = 0
for i = 0 to 4
  sum = sum + a[i]
next
Log(sum)
for i = 0 to 2
  for j = 0 to 1
    m[i, j] = (i + 1) * 10 + j + 1
  next
next
Log(m[2, 1] - m[0, 0])
Log(Length(a))
)",
     R"(var a[5], m[3, 2], i, j, sum;
for (i = 0; i < 5; i++) a[i] = i * i;
sum = 0;
for (i = 0; i < 5; i++) sum = sum + a[i];
Log(sum);
for (i = 0; i < 3; i++) for (j = 0; j < 2; j++) m[i, j] = (i + 1) * 10 + j + 1;
Log(m[2, 1] - m[0, 0]);
Log(Length(a));)",
     "30|21|5"},
    {"SetMembership",
     R"(var i: Integer; s: String;
begin
  s := '';
  for i := 0 to 9 do
    if i in [1, 3..5, 8] then s := s + IntToStr(i);
  Log(s);
  Log(not (2 in [1, 3]));
end.)",
     R"(int i; string s;
{
  s = "";
  for (i = 0; i <= 9; i++) if (i in [1, 3..5, 8]) s = s + IntToStr(i);
  Log(s);
  Log(!(2 in [1, 3]));
})",
     R"(dim i, s
s = ""
for i = 0 to 9
  if i in [1, 3..5, 8] then s = s + IntToStr(i)
next
Log(s)
Log(not (2 in [1, 3]))
)",
     R"(var i, s;
s = "";
for (i = 0; i <= 9; i++) if (i in [1, 3..5, 8]) s = s + IntToStr(i);
Log(s);
Log(!(2 in [1, 3]));)",
     "13458|True"},
    {"TryFinallyAndExceptPublishTheError",
     R"(var x: Integer;
begin
  try
    try
      x := 1;
      RaiseException('boom');
      x := 2;
    finally
      Log('finally ' + IntToStr(x));
    end;
  except
    Log(ExceptionClassName + ': ' + ExceptionMessage);
  end;
  try
    x := StrToInt('abc');
  except
    Log(ExceptionClassName);
  end;
  Log(x);
end.)",
     R"(int x;
{
  try {
    try { x = 1; RaiseException("boom"); x = 2; }
    finally { Log("finally " + IntToStr(x)); }
  }
  except { Log(ExceptionClassName + ": " + ExceptionMessage); }
  try { x = StrToInt("abc"); } except { Log(ExceptionClassName); }
  Log(x);
})",
     R"(dim x
try
  try
    x = 1
    RaiseException("boom")
    x = 2
  finally
    Log("finally " + IntToStr(x))
  end try
catch
  Log(ExceptionClassName + ": " + ExceptionMessage)
end try
try
  x = StrToInt("abc")
catch
  Log(ExceptionClassName)
end try
Log(x)
)",
     R"(var x;
try {
  try { x = 1; RaiseException("boom"); x = 2; }
  finally { Log("finally " + IntToStr(x)); }
}
except { Log(ExceptionClassName + ": " + ExceptionMessage); }
try { x = StrToInt("abc"); } except { Log(ExceptionClassName); }
Log(x);)",
     "finally 1|Exception: boom|EConvertError|1"},
    {"StringBuilding",
     R"(var s, t: String; i: Integer;
begin
  s := '';
  for i := 0 to 4 do begin
    if s <> '' then s := s + ',';
    s := s + Chr(Ord('a') + i);
  end;
  Log(s);
  t := Uppercase(Copy(s, 3, 5));
  Log(t);
  Log(Pos('c', s));
  Log(s[3]);
  s[1] := 'Z';
  Log(s + IntToStr(Length(s)));
end.)",
     R"(string s, t; int i;
{
  s = "";
  for (i = 0; i <= 4; i++) { if (s != "") s = s + ","; s = s + Chr(Ord("a") + i); }
  Log(s);
  t = Uppercase(Copy(s, 3, 5));
  Log(t);
  Log(Pos("c", s));
  Log(s[3]);
  s[1] = "Z";
  Log(s + IntToStr(Length(s)));
})",
     R"(dim s, t, i
s = ""
for i = 0 to 4
  if s <> "" then s = s + ","
  s = s + Chr(Ord("a") + i)
next
Log(s)
t = Uppercase(Copy(s, 3, 5))
Log(t)
Log(Pos("c", s))
Log(s[3])
s[1] = "Z"
Log(s + IntToStr(Length(s)))
)",
     R"(var s, t, i;
s = "";
for (i = 0; i <= 4; i++) { if (s != "") s = s + ","; s = s + Chr(Ord("a") + i); }
Log(s);
t = Uppercase(Copy(s, 3, 5));
Log(t);
Log(Pos("c", s));
Log(s[3]);
s[1] = "Z";
Log(s + IntToStr(Length(s)));)",
     "a,b,c,d,e|B,C,D|5|b|Z,b,c,d,e9"},
    {"RepeatAndDoLoops",
     R"(var i: Integer;
begin
  i := 0;
  repeat
    i := i + 3;
    Log(i);
  until i >= 9;
end.)",
     R"(int i;
{
  i = 0;
  do { i = i + 3; Log(i); } while (i < 9);
})",
     R"(dim i
i = 0
do
  i = i + 3
  Log(i)
loop until i >= 9
)",
     R"(var i;
i = 0;
do { i = i + 3; Log(i); } while (i < 9);)",
     "3|6|9"},
    {"DownwardAndSteppedLoops",
     R"(var i: Integer; s: String;
begin
  s := '';
  for i := 5 downto 1 do s := s + IntToStr(i);
  Log(s);
  i := 10;
  while i > 0 do begin Log(i); i := i - 4; end;
end.)",
     R"(int i; string s;
{
  s = "";
  for (i = 5; i >= 1; i--) s = s + IntToStr(i);
  Log(s);
  for (i = 10; i > 0; i = i - 4) Log(i);
})",
     R"(dim i, s
s = ""
for i = 5 to 1 step -1
  s = s + IntToStr(i)
next
Log(s)
for i = 10 to 1 step -4
  Log(i)
next
)",
     R"(var i, s;
s = "";
for (i = 5; i >= 1; i--) s = s + IntToStr(i);
Log(s);
for (i = 10; i > 0; i = i - 4) Log(i);)",
     "54321|10|6|2"},
    {"ExitLeavesAProcedureEarly",
     R"(function Sign(x: Integer): String;
begin
  Result := 'zero';
  if x < 0 then begin Result := 'neg'; exit; end;
  if x > 0 then Result := 'pos';
end;
procedure Show(x: Integer);
begin
  if x = 2 then exit;
  Log(Sign(x));
end;
begin
  Show(-4); Show(0); Show(2); Show(7);
end.)",
     R"(string Sign(int x) { if (x < 0) { return "neg"; } if (x > 0) { return "pos"; } return "zero"; }
void Show(int x) { if (x == 2) { return; } Log(Sign(x)); }
{ Show(-4); Show(0); Show(2); Show(7); })",
     R"(function Sign(x)
  if x < 0 then
    return "neg"
  end if
  if x > 0 then
    return "pos"
  end if
  return "zero"
end function
sub Show(x)
  if x = 2 then exit
  Log(Sign(x))
end sub
Show(-4)
Show(0)
Show(2)
Show(7)
)",
     R"(function Sign(x) { if (x < 0) return "neg"; if (x > 0) return "pos"; return "zero"; }
function Show(x) { if (x == 2) return; Log(Sign(x)); }
Show(-4); Show(0); Show(2); Show(7);)",
     "neg|zero|pos"},
    {"GlobalsChangedByProceduresAndCallsBeforeDefinition",
     R"(var total: Integer;
procedure AddAll;
var i: Integer;
begin
  for i := 1 to 4 do Add(i);
end;
procedure Add(n: Integer);
begin
  total := total + n;
end;
begin
  total := 100;
  AddAll;
  Log(total);
end.)",
     R"(int total;
void AddAll() { int i; for (i = 1; i <= 4; i++) Add(i); }
void Add(int n) { total = total + n; }
{ total = 100; AddAll(); Log(total); })",
     R"(dim total
sub AddAll
  dim i
  for i = 1 to 4
    Add(i)
  next
end sub
sub Add(n)
  total = total + n
end sub
total = 100
AddAll
Log(total)
)",
     R"(var total;
function AddAll() { var i; for (i = 1; i <= 4; i++) Add(i); }
function Add(n) { total = total + n; }
total = 100; AddAll(); Log(total);)",
     "110"},
    {"ArithmeticAndComparisons",
     R"(var a, b: Integer;
begin
  a := 17; b := 5;
  Log(a div b);
  Log(a mod b);
  Log(FloatToStr(a / 4));
  Log(-a + b * 2);
  Log((a > b) and (b > 0));
  Log((a < b) or (a = 17));
  Log(a <> b);
end.)",
     R"(int a, b;
{
  a = 17; b = 5;
  Log(a div b);
  Log(a % b);
  Log(FloatToStr(a / 4));
  Log(-a + b * 2);
  Log((a > b) && (b > 0));
  Log((a < b) || (a == 17));
  Log(a != b);
})",
     R"(dim a, b
a = 17
b = 5
Log(Trunc(a / b))
Log(a mod b)
Log(FloatToStr(a / 4))
Log(-a + b * 2)
Log((a > b) and (b > 0))
Log((a < b) or (a = 17))
Log(a <> b)
)",
     R"(var a, b;
a = 17; b = 5;
Log(a div b);
Log(a % b);
Log(FloatToStr(a / 4));
Log(-a + b * 2);
Log((a > b) && (b > 0));
Log((a < b) || (a == 17));
Log(a != b);)",
     "3|2|4.25|-7|True|True|True"},
    {"ConstantsAndInitialisedVariables",
     R"(const Greeting = 'hi'; Limit = 3;
var n: Integer = 2;
begin
  n := n * Limit;
  Log(Greeting + ' ' + IntToStr(n));
end.)",
     R"(#define Greeting "hi"
#define Limit 3
int n = 2;
{ n = n * Limit; Log(Greeting + " " + IntToStr(n)); })",
     R"(dim n = 2
dim Greeting = "hi"
n = n * 3
Log(Greeting + " " + IntToStr(n))
)",
     R"(var n = 2, Greeting = "hi";
n = n * 3;
Log(Greeting + " " + IntToStr(n));)",
     "hi 6"},
};

class LanguagesTest : public ::testing::TestWithParam<TProgram> {};

void Check(const char* Lang, const char* Text, const char* Expected) {
    SCOPED_TRACE(Lang);
    TScriptRun r(Lang, Text);
    ASSERT_TRUE(r.Compiled) << r.Error.toStdString();
    ASSERT_TRUE(r.Execute()) << r.Error.toStdString();
    EXPECT_EQ(r.Joined(), QString::fromUtf8(Expected));
}

TEST_P(LanguagesTest, SameLogInEveryLanguage) {
    const TProgram& p = GetParam();
    Check("PascalScript", p.Pascal, p.Expected);
    Check("C++Script", p.Cpp, p.Expected);
    Check("BasicScript", p.Basic, p.Expected);
    Check("JScript", p.JS, p.Expected);
}

INSTANTIATE_TEST_SUITE_P(Programs, LanguagesTest, ::testing::ValuesIn(Programs),
                         [](const auto& info) { return std::string(info.param.Name); });

} // namespace
