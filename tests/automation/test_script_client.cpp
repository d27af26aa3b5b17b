// Scripts drive the spreadsheet server with members written by name.
#include "tests/common/ScriptRun.h"

#include "platform/automation/SpreadsheetServer.h"

#include <gtest/gtest.h>

namespace {

TEST(ScriptClient, BuildsAWorkbookLateBound) {
    TScriptRun r("PascalScript", R"(var x, s: Variant;
begin
  x := CreateOleObject('Excel.Application');
  x.Workbooks.Add;
  s := x.ActiveWorkbook.Sheets(1);
  s.Cells(2, 3).Value := 'hi';
  s.Range('A1:B2').MergeCells := True;
  s.Range('C2').Font.Bold := True;
  s.Columns(3).ColumnWidth := 25;
  Log(s.Range('C2').Value);
  Log(s.Range('A1:B2').MergeCells);
  Log(s.Cells(2, 3).Font.Bold);
  Log(s.Range('C1').ColumnWidth);
  try
    x.NoSuchThing;
  except
    Log(ExceptionMessage);
  end;
  try
    s.Cells(0, 1).Value := 1;
  except
    Log(ExceptionMessage);
  end;
end.)");
    ASSERT_TRUE(r.Compiled) << r.Error.toStdString();
    ASSERT_TRUE(r.Execute()) << r.Error.toStdString();
    ASSERT_EQ(r.Log.size(), 6) << r.Joined().toStdString();
    EXPECT_EQ(r.Log[0], "hi");
    EXPECT_EQ(r.Log[1], "True");
    EXPECT_EQ(r.Log[2], "True");
    EXPECT_EQ(r.Log[3], "25");
    EXPECT_TRUE(r.Log[4].startsWith("OLE error 80020006")) << r.Log[4].toStdString();
    EXPECT_TRUE(r.Log[4].contains("NoSuchThing"));
    EXPECT_TRUE(r.Log[5].startsWith("OLE error 80020009")) << r.Log[5].toStdString();
    EXPECT_TRUE(r.Log[5].contains("outside the sheet"));
}

TEST(ScriptClient, MissingServerRaisesOleSysError) {
    TScriptRun r("PascalScript", R"(var x: Variant;
begin
  x := CreateOleObject('Nobody.Home');
end.)");
    ASSERT_TRUE(r.Compiled) << r.Error.toStdString();
    EXPECT_FALSE(r.Execute());
    EXPECT_TRUE(r.Error.startsWith("EOleSysError")) << r.Error.toStdString();
}

} // namespace
