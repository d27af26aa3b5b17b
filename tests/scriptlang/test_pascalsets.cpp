// Pascal set constructors: the empty set and ranges written without spaces around "..".

#include "tests/common/ScriptRun.h"

namespace {

struct TSetCase {
    const char* Text;
    const char* Logged; // the log, or the error when the run fails
};

TEST(PascalSetTest, EmptySetAndTightRanges) {
    const TSetCase cases[] = {
        // The empty set holds nothing, in an expression and in an assignment.
        {R"(const k = 1;
var v: Variant;
begin
  Log(3 in []);
  v := [];
  Log(VarType(v));
  Log(k in []);
end.)",
         "False|8204|False"},
        // A range of names without spaces, beside the spaced one and numbers.
        {R"(const lo = 2; hi = 5;
var i: Integer;
begin
  for i := 1 to 6 do
    if i in [lo..hi] then Log(i);
  Log(lo in [lo..hi]);
  Log(hi + 1 in [lo..hi]);
  Log(hi in [lo .. hi]);
  Log(4 in [1..3,9]);
end.)",
         "2|3|4|5|True|False|True|False"},
    };
    for (const TSetCase& c : cases) {
        TScriptRun r("PascalScript", c.Text);
        ASSERT_TRUE(r.Compiled) << c.Text << ": " << r.Error.toStdString();
        const QString got = r.Execute() ? r.Joined() : r.Error;
        EXPECT_EQ(got, QString(c.Logged)) << c.Text;
    }
}

} // namespace
