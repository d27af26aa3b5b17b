// Common dialogs and message and input functions answered through the scripted UI services,
// and INI files from scripts.

#include "HostScript.h"

#include "platform/print/Printers.h"
#include "platform/rtl/IniFiles.h"
#include "platform/ui/Forms.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

struct TScriptedUI {
    TUIServicesScope Scope{
        [](const QString& q) { ADD_FAILURE() << "unexpected question: " << q.toStdString(); }};
    TScriptedUIServices* operator->() { return &Scope.Services(); }
};

// A fixed pair of printers, whatever this machine has, the laser being the default.
struct TwoPrinters {
    TPrinterQuery Previous =
        SetPrinterQuery([] { return TInstalledPrinters{{"Laser", "Ink"}, "Laser"}; });
    TwoPrinters() { SetCurrentPrinterIndex(-1); }
    ~TwoPrinters() {
        SetPrinterQuery(std::move(Previous));
        SetCurrentPrinterIndex(-1);
    }
};

QByteArray FileText(const QString& Path) {
    QFile f(Path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

} // namespace

TEST(ScriptDialogs, MessageAndInputFunctions) {
    TScriptedUI ui;
    ui->AnswerMessage(mrNo, "Save changes?");
    ui->AnswerInput("Ann");
    ui->CancelInput();
    ui->CancelInput();
    ui->AnswerInput("typed");
    THostScript r("PascalScript", R"(var V: String;
begin
  Log(mbYes + mbNo); Log(mbHelp); Log(ofEnableSizing); Log(fdApplyButton); Log(cdAnyColor); Log(mtCustom);
  Log(MessageDlg('Save changes?', mtConfirmation, mbYes + mbNo, 0));
  Log(InputBox('Name', 'Your name:', 'nobody'));
  Log(InputBox('Name', 'Your name:', 'nobody'));
  V := 'kept';
  Log(InputQuery('Value', 'Enter:', V)); Log(V);
  Log(InputQuery('Value', 'Enter:', V)); Log(V);
end.)");
    EXPECT_EQ(r.Run(), "3|1024|524288|32768|16|4|7|Ann|nobody|False|kept|True|typed");
    ASSERT_EQ(ui->Messages().size(), 1u);
    const TMessageRequest& m = ui->Messages()[0];
    EXPECT_EQ(m.Buttons, (TMsgDlgButtons{mbYes, mbNo}));
    EXPECT_EQ(m.Icon, TMessageIcon::Question);
}

TEST(ScriptDialogs, CommonDialogsHoldTheChoice) {
    TScriptedUI ui;
    ui->AnswerFile({"/tmp/chosen.txt"}, 2);
    ui->CancelFile();
    ui->AnswerColor(clTeal);
    TFontChoice font;
    font.Name = "Liberation Serif";
    font.Size = 14;
    font.Style = 1;
    ui->AnswerFont(font);
    THostScript r("JScript", R"(var O = TOpenDialog.Create(nil), S = TSaveDialog.Create(nil);
var C = TColorDialog.Create(nil), F = TFontDialog.Create(nil);
O.Filter = "Text|*.txt|All|*.*";
Log(O.Execute()); Log(O.FileName); Log(O.FilterIndex);
S.FileName = "old.txt";
Log(S.Execute()); Log(S.FileName);
Log(C.Execute()); Log(C.Color == clTeal);
Log(F.Execute()); Log(F.Font.Name); Log(F.Font.Size); Log(F.Font.Style);
O.Free(); S.Free(); C.Free(); F.Free();)");
    EXPECT_EQ(r.Run(), "True|/tmp/chosen.txt|2|False|old.txt|True|True|True|Liberation Serif|14|1");
    EXPECT_EQ(ui->Pending(), 0);
}

TEST(ScriptDialogs, PrinterDialogsHoldTheChoice) {
    TwoPrinters printers;
    TScriptedUI ui;
    ui->AnswerPrint({"Ink", prPageNums, 0, 40, 3, true, false});
    ui->CancelPrint();
    ui->AnswerPrint({"Laser", prAllPages, 0, 0, 1, false, false});
    THostScript r("PascalScript", R"(var P: TPrintDialog; S: TPrinterSetupDialog;
begin
  Log(prPageNums); Log(poPageNums + poSelection);
  P := TPrintDialog.Create(nil);
  Log(P.Copies); Log(P.PrintRange);
  P.MinPage := 2; P.MaxPage := 12;
  P.Options := poPageNums + poSelection;
  Log(P.Options);
  Log(P.Execute);
  Log(P.FromPage); Log(P.ToPage); Log(P.Copies); Log(P.Collate); Log(P.PrintRange = prPageNums);
  P.Copies := 5;
  Log(P.Execute); Log(P.Copies); Log(P.ToPage);
  P.Free;
  S := TPrinterSetupDialog.Create(nil);
  Log(S.Execute);
  S.Free;
end.)");
    EXPECT_EQ(r.Run(), "2|6|1|0|6|True|2|12|3|True|True|False|5|12|True");
    // The print dialog chose the ink printer; the setup dialog went back to the laser.
    ASSERT_EQ(ui->PrintRequests().size(), 3u);
    EXPECT_EQ(ui->PrintRequests()[0].MinPage, 2);
    EXPECT_EQ(ui->PrintRequests()[0].MaxPage, 12);
    EXPECT_TRUE(ui->PrintRequests()[0].AllowSelection);
    EXPECT_EQ(ui->PrintRequests()[1].PrinterIndex, 1);
    EXPECT_TRUE(ui->PrintRequests()[2].Setup);
    EXPECT_EQ(CurrentPrinterName(), QStringLiteral("Laser"));
}

TEST(ScriptIni, RoundTripThroughFileAndMemory) {
    QTemporaryDir dir;
    const QString path = dir.filePath("opts.ini");
    const QString text = QStringLiteral(R"(var I: TIniFile; M: TMemIniFile; L: TStringList;
begin
  I := TIniFile.Create('%1');
  I.WriteString('Main', 'Name', 'Korvel');
  I.WriteInteger('Main', 'Count', 42);
  I.WriteBool('Main', 'On', True);
  I.WriteFloat('Main', 'Ratio', 2.5);
  I.WriteDate('Main', 'Day', EncodeDate(2024, 2, 29));
  Log(I.FileName);
  I.Free;
  M := TMemIniFile.Create('%1');
  Log(M.ReadString('Main', 'Name', '?')); Log(M.ReadInteger('Main', 'Count', 0));
  Log(M.ReadBool('Main', 'On', False)); Log(M.ReadFloat('Main', 'Ratio', 0));
  Log(FormatDateTime('yyyy-mm-dd', M.ReadDate('Main', 'Day', 0)));
  Log(M.ReadInteger('Main', 'Name', -1)); Log(M.ReadString('Main', 'Missing', 'dflt'));
  Log(M.SectionExists('Main')); Log(M.ValueExists('Main', 'Nope'));
  L := TStringList.Create;
  M.ReadSection('Main', L); Log(L.CommaText);
  M.DeleteKey('Main', 'Ratio');
  M.ReadSectionValues('Main', L); Log(L.Count);
  M.EraseSection('Main'); M.ReadSections(L); Log(L.Count);
  L.Free; M.Free;
end.)")
                             .arg(path);
    THostScript r("PascalScript", text);
    EXPECT_EQ(r.Run(),
              path + "|Korvel|42|True|2.5|2024-02-29|-1|dflt|True|False|Name,Count,On,Ratio,Day|4|0");
    const QByteArray onDisk = FileText(path);
    EXPECT_TRUE(onDisk.contains("Name=Korvel")) << onDisk.toStdString();
    EXPECT_TRUE(onDisk.contains("On=1")) << onDisk.toStdString();
}

TEST(ScriptIni, ListsInSections) {
    QTemporaryDir dir;
    const QString path = dir.filePath("lists.ini");
    const QString text = QStringLiteral(R"(var I: TIniFile; L, T: TStringList;
begin
  I := TIniFile.Create('%1');
  L := TStringList.Create; T := TStringList.Create;
  L.Add('first'); L.Add('second');
  I.WriteString('Old', 'Stale', 'x');
  I.WriteTStrings('Old', L);
  Log(I.ValueExists('Old', 'Stale')); Log(I.ReadString('Old', 'Items1', '')); Log(I.ReadInteger('Old', 'Count', 0));
  T.Add('kept');
  Log(I.ReadTStrings('Old', T, False));
  Log(T.CommaText);
  Log('[' + I.ReadTStrings('Nothing', T) + ']'); Log(T.Count);
  I.WriteString('Pairs', 'a', '1'); I.WriteString('Pairs', 'b', '2');
  I.ReadSectionValuesEx('Pairs', T);
  Log(T.CommaText);
  L.Free; T.Free; I.Free;
end.)")
                             .arg(path);
    THostScript r("PascalScript", text);
    EXPECT_EQ(r.Run(), "False|second|2|first\r\nsecond\r\n|kept,first,second|[]|0|1,2");
}

TEST(ScriptIni, StreamsAndBinaryValues) {
    QTemporaryDir dir;
    const QString path = dir.filePath("s.ini");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[A]\nk=v\n");
    }
    const QString text = QStringLiteral(R"(var I: TIniFile; M: TMemIniFile; S, B: TMemoryStream; T: String;
begin
  I := TIniFile.Create('%1');
  M := TMemIniFile.Create('');
  S := TMemoryStream.Create;
  I.SaveIniFileToStream(nil);
  I.SaveIniFileToStream(S);
  S.Position := 0;
  M.LoadIniFileFromStream(S);
  Log(M.ReadString('A', 'k', '?'));
  M.WriteString('B', 'n', 'new');
  S.Clear;
  M.SaveIniFileToStream(S);
  S.Position := 0;
  I.LoadIniFileFromStream(S);
  Log(I.ReadString('B', 'n', '?'));
  B := TMemoryStream.Create;
  B.Write('AZ', 2);
  B.Position := 0;
  I.WriteBinaryStream('Bin', 'Data', B);
  Log(I.ReadString('Bin', 'Data', ''));
  B.Clear;
  Log(I.ReadBinaryStream('Bin', 'Data', B));
  B.Position := 0; B.Read(T, 10); Log(T);
  B.Free; S.Free; M.Free; I.Free;
end.)")
                             .arg(path);
    THostScript r("PascalScript", text);
    EXPECT_EQ(r.Run(), "v|new|415A|2|AZ");
    TMemIniFile check(path);
    EXPECT_EQ(check.ReadString("B", "n", "?"), "new");
    EXPECT_EQ(check.ReadString("A", "k", "?"), "v");
}
