// String lists, object lists, streams and the XML item from scripts.

#include "HostScript.h"

#include "platform/rtti/Classes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

struct TCase {
    const char* Name;
    const char* Lang;
    const char* Text;
    const char* Expected;
};

void RunCases(const std::vector<TCase>& Cases) {
    for (const TCase& c : Cases) {
        SCOPED_TRACE(c.Name);
        THostScript r(c.Lang, c.Text);
        EXPECT_EQ(r.Run(), c.Expected);
    }
}

} // namespace

TEST(ScriptStringList, ListOperationsInPascalAndJScript) {
    RunCases({
        {"CountClassNameAndDefaultProperty", "PascalScript", R"(var L: TStringList;
begin
  L := TStringList.Create;
  L.Add('one'); L.Add('two'); L.Add('three');
  Log(L.Count); Log(L.ClassName); Log(L[1]); Log(L.Strings[2]);
  L[0] := 'uno';
  Log(L.Text);
  L.Free;
end.)",
         "3|TStringList|two|three|uno\r\ntwo\r\nthree\r\n"},
        {"SortedFindAndDuplicates", "PascalScript", R"(var L: TStringList; i: Integer;
begin
  L := TStringList.Create;
  L.Add('pear'); L.Add('apple'); L.Add('plum'); L.Add('apple');
  L.Duplicates := dupError;
  Log(L.CommaText);
  L.Sorted := True;
  Log(L.CommaText);
  i := -5;
  Log(L.Find('orange', i)); Log(i);
  Log(L.Find('plum', i)); Log(i);
  Log(L.Duplicates);
  L.Free;
end.)",
         "pear,apple,plum,apple|apple,apple,pear,plum|False|2|True|3|2"},
        {"NamesAndValues", "PascalScript", R"(var L: TStrings;
begin
  L := TStringList.Create;
  L.Text := 'a=1' + #13#10 + 'b=2';
  Log(L.Values['b']); Log('[' + L.Values['zz'] + ']');
  L.Values['c'] := '3';
  L.Values['a'] := '';
  Log(L.CommaText); Log(L.Names[1]); Log(L.IndexOfName('c')); Log(L.IndexOf('B=2'));
  L.Move(1, 0);
  Log(L.CommaText);
  L.Free;
end.)",
         "2|[]|b=2,c=3|c|1|0|c=3,b=2"},
        {"ObjectsTravelAsReferences", "PascalScript", R"(var L, Other: TStringList;
begin
  L := TStringList.Create; Other := TStringList.Create;
  L.AddObject('x', Other);
  Log(L.IndexOfObject(Other)); Log(L.Objects[0].ClassName);
  L.Objects[0] := nil;
  Log(L.IndexOfObject(Other));
  Other.Free; L.Free;
end.)",
         "0|TStringList|-1"},
        {"JScriptListAndInsert", "JScript", R"(var L = TStringList.Create();
L.Add("b"); L.Insert(0, "a"); L.Add("c");
L.Delete(2);
Log(L.Count); Log(L[0] + L[1]);
L.Free();)",
         "2|ab"},
        {"IndexOutOfRangeRaisesTheListError", "PascalScript", R"(var L: TStringList;
begin
  L := TStringList.Create;
  try
    L.Add('only');
    Log(L[3]);
  finally
    L.Free;
  end;
end.)",
         "run: EStringListError: List index out of bounds (3)"},
    });
}

TEST(ScriptObjectList, AddRemoveAndItems) {
    THostScript r("PascalScript", R"(var L: TList; A, B, C: TStringList;
begin
  L := TList.Create; A := TStringList.Create; B := TStringList.Create; C := TStringList.Create;
  Log(L.Add(A)); Log(L.Add(B)); Log(L.Add(A));
  Log(L.Remove(C)); Log(L.Count);
  Log(L.Remove(A)); Log(L.IndexOf(A)); Log(L.Count);
  L[0] := C;
  Log(L.IndexOf(C)); Log(L.IndexOf(B));
  L.Free; A.Free; B.Free; C.Free;
end.)");
    EXPECT_EQ(r.Run(), "0|1|2|-1|3|0|1|2|0|-1");
}

TEST(ScriptStream, ReadAndWriteStayWithinTextAndStream) {
    RunCases({
        {"WriteCountBeyondTextWritesTheText", "PascalScript", R"(var S: TMemoryStream; B: String;
begin
  S := TMemoryStream.Create;
  Log(S.Write('abc', 100)); Log(S.Size); Log(S.Position);
  Log(S.Write('defg', 2)); Log(S.Write('xyz', -4));
  S.Position := 0;
  Log(S.Read(B, 100)); Log(B);
  Log(S.Read(B, 10)); Log('[' + B + ']');
  Log(S.Seek(-2, soFromEnd)); Log(S.Read(B, 1)); Log(B);
  S.Free;
end.)",
         "3|3|3|2|0|5|abcde|0|[]|3|1|d"},
        {"BytesAboveFFAreRefused", "PascalScript", R"(var S: TMemoryStream;
begin
  S := TMemoryStream.Create;
  try
    S.Write('a' + Chr(960), 2);
  finally
    Log(S.Size);
    S.Free;
  end;
end.)",
         "run: EConvertError: Character 960 at position 2 is not a byte"},
        {"CopyFromZeroCopiesTheWholeSource", "JScript",
         R"(var A = TMemoryStream.Create(), B = TMemoryStream.Create(), T = "";
A.Write("hello", 5);
Log(B.CopyFrom(A, 0));
B.Position = 0;
B.Read(T, 10);
Log(T);
A.Free(); B.Free();)",
         "5|hello"},
        {"StringListThroughStream", "PascalScript", R"(var S: TMemoryStream; L, M: TStringList;
begin
  S := TMemoryStream.Create; L := TStringList.Create; M := TStringList.Create;
  L.CommaText := 'x,y,z';
  L.SaveToStream(S);
  S.Position := 0;
  M.LoadFromStream(S);
  Log(M.CommaText);
  S.Free; L.Free; M.Free;
end.)",
         "x,y,z"},
    });
}

TEST(ScriptStream, FileStreamRoundTripAndPositionsPast2GB) {
    QTemporaryDir dir;
    const QString path = dir.filePath("data.bin");
    const QString text = QStringLiteral(R"(var F: TFileStream; B: String;
begin
  F := TFileStream.Create('%1', fmCreate);
  F.Write('head', 4);
  Log(F.Seek(3000000000, soFromBeginning));
  F.Write('!', 1);
  Log(F.Size); Log(F.Position);
  F.Free;
  F := TFileStream.Create('%1', fmOpenRead or fmShareDenyNone);
  F.Read(B, 4); Log(B);
  F.Position := 3000000000;
  F.Read(B, 8); Log(B);
  F.Free;
  F := TFileStream.Create('%1.missing', fmOpenRead);
end.)")
                             .arg(path);
    THostScript r("PascalScript", text);
    const QString out = r.Run();
    EXPECT_TRUE(out.startsWith("run: EFOpenError: ")) << out.toStdString();
    EXPECT_EQ(r.Log.join('|'), "3000000000|3000000001|3000000001|head|!");
}

TEST(ScriptXMLItem, TreeOperations) {
    THostScript r("PascalScript", R"(var Root, Child: TscXMLItem; D: TscXMLDocument; S: TMemoryStream;
begin
  Root := TscXMLItem.Create;
  Root.Name := 'root';
  Log(Root.Parent);
  Child := Root.Add;
  Child.Name := 'item';
  Child.Text := 'some text';
  Log(Root[0].Text);
  Child.Prop['id'] := '7';
  Log(Root.Count); Log(Root.Items[0].Prop['id']);
  Log(Root.Find('item')); Log(Root.Find('none'));
  Log(Root.FindItem('made').Name); Log(Root.Count);
  Log(Child.Root.Name);
  Child.Data := 42; Log(Child.Data);
  D := TscXMLDocument.Create;
  D.Root.Name := 'doc';
  D.Root.Add.Name := 'x';
  S := TMemoryStream.Create;
  D.SaveToStream(S);
  D.Root.Clear;
  S.Position := 0;
  D.LoadFromStream(S);
  Log(D.Root.Name); Log(D.Root.Count); Log(D.Root[0].Name);
  S.Free; D.Free; Root.Free;
end.)");
    EXPECT_EQ(r.Run(), "0|some text|1|7|0|-1|made|2|root|42|doc|1|x");
}

TEST(ScriptClassLibrary, ConstantsAndMisuse) {
    RunCases({
        {"FileModeAndSeekConstants", "PascalScript",
         "begin Log(fmCreate); Log(fmOpenReadWrite); Log(fmShareDenyNone); Log(soFromEnd); Log(dupError); "
         "Log(poLandscape); end.",
         "65280|2|64|2|2|1"},
        {"PlainObjectAndAssign", "PascalScript", R"(var O: TObject; A, B: TStringList;
begin
  O := TObject.Create; Log(O.ClassName); O.Free;
  A := TStringList.Create; B := TStringList.Create;
  A.CommaText := 'p,q';
  B.Assign(A);
  Log(B.CommaText);
  try
    A.Assign(TMemoryStream(nil));
  except
    Log(ExceptionMessage);
  end;
  A.Free; B.Free;
end.)",
         "TObject|p,q|Cannot assign a nil to a TStringList"},
        {"AbstractClassCannotBeCreated", "PascalScript", "var S: TStream; begin S := TStream.Create; end.",
         "run: EInvalidOperation: Cannot create an instance of the abstract class TStream"},
        {"NilInstanceIsRefused", "PascalScript", "var L: TStringList; begin L := nil; L.Add('x'); end.",
         "run: EInvalidPointer: ADD called on a nil object"},
        {"WrongClassIsRefused", "PascalScript",
         "var L: TStringList; S: TMemoryStream; begin S := TMemoryStream.Create; try L := TStringList(S); "
         "L.Add('x'); finally S.Free; end; end.",
         "run: EInvalidCast: Invalid class typecast"},
        // The program's own objects stay alive whatever a script frees; what it made it may free.
        {"ProgramObjectsCannotBeFreed", "PascalScript", R"(var D: TscXMLDocument; R: TscXMLItem;
begin
  D := TscXMLDocument.Create;
  R := D.Root;
  try R.Free; except Log(ExceptionMessage); end;
  R.Name := 'still';
  Log(D.Root.Name);
  D.Free;
  try D.Free; except Log(ExceptionClassName); end;
end.)",
         "TscXMLItem belongs to the program; a script frees only what it created|still|EInvalidPointer"},
    });
}

TEST(ScriptCollection, ItemsCountAndClear) {
    TCollection coll(TCollectionItem::StaticClassInfo());
    coll.Add();
    coll.Add();
    THostScript r("PascalScript", R"(begin
  Log(Coll.Count); Log(Coll[1].ClassName); Log(Coll.Items[0] <> Coll.Items[1]);
  Coll.Clear;
  Log(Coll.Count);
  Log(Coll[0]);
end.)",
                  {{"Coll", &coll}});
    EXPECT_EQ(r.Run(), "run: EListError: List index out of bounds (0)");
    EXPECT_EQ(r.Log.join('|'), "2|TCollectionItem|True|0");
    EXPECT_EQ(coll.Count(), 0);
}
