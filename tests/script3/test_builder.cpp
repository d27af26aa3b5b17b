#include "ScriptRun.h"

#include "platform/rtl/SysUtils.h"

TEST(ScriptBuilderTest, SmokePascal) {
    TScriptRun r("PascalScript", R"(
var i, n: Integer; s: String;
function Fact(n: Integer): Integer;
var t: Integer;
begin
  if n <= 1 then Result := 1 else begin t := n; Result := t * Fact(n - 1); Log(t); end;
end;
begin
  s := 'a';
  for i := 1 to 3 do s := s + IntToStr(i);
  Log(s);
  Log(Fact(4));
end.)");
    ASSERT_TRUE(r.Compiled) << r.Error.toStdString();
    ASSERT_TRUE(r.Execute()) << r.Error.toStdString();
    EXPECT_EQ(r.Joined(), "a123|2|3|4|24");
}
