// Fonts, pens, brushes, canvases and bitmaps from scripts.

#include "HostScript.h"

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Colors.h"

#include <QTemporaryDir>

TEST(ScriptGraphics, ColourAndStyleConstants) {
    THostScript r("PascalScript", R"(begin
  Log(clRed); Log(clBlue); Log(clBtnFace); Log(clNone); Log(clMoneyGreen); Log(cl3DDkShadow);
  Log(fsBold + fsItalic); Log(psInsideFrame); Log(pmNotXor); Log(bsDiagCross); Log(fpFixed);
end.)");
    EXPECT_EQ(r.Run(), "255|16711680|-16777201|536870911|12639424|-16777195|3|6|15|7|2");
}

TEST(ScriptGraphics, DrawingOnABitmapReadsBackThePixels) {
    // Pascal and JScript draw the same picture: pen-coloured outline, brush-coloured inside.
    const char* pascal = R"(var B: TBitmap; C: TCanvas;
begin
  B := TBitmap.Create;
  B.Width := 10; B.Height := 10;
  Log(B.Width * 100 + B.Height);
  C := B.Canvas;
  C.Pen.Color := clRed;
  C.Brush.Color := clBlue;
  C.Rectangle(0, 0, 10, 10);
  Log(C.Pixels[0, 0]); Log(C.Pixels[5, 5]); Log(C.Pixels[9, 9]);
  C.Pixels[5, 5] := clLime;
  Log(C.Pixels[5, 5]);
  Log(C.TextWidth('')); Log(C.TextWidth('WWW') > C.TextWidth('i'));
  B.Free;
end.)";
    const char* js = R"(var B = TBitmap.Create(), C;
B.Width = 10; B.Height = 10;
Log(B.Width * 100 + B.Height);
C = B.Canvas;
C.Pen.Color = clRed;
C.Brush.Color = clBlue;
C.Rectangle(0, 0, 10, 10);
Log(C.Pixels[0, 0]); Log(C.Pixels[5, 5]); Log(C.Pixels[9, 9]);
C.Pixels[5, 5] = clLime;
Log(C.Pixels[5, 5]);
Log(C.TextWidth("")); Log(C.TextWidth("WWW") > C.TextWidth("i"));
B.Free();)";
    for (const char* lang : {"PascalScript", "JScript"}) {
        SCOPED_TRACE(lang);
        THostScript r(lang, QString::fromUtf8(std::string(lang) == "JScript" ? js : pascal));
        EXPECT_EQ(r.Run(), QString("1010|255|16711680|255|65280|0|True"));
    }
}

TEST(ScriptGraphics, ShapesStretchDrawAndFonts) {
    THostScript r("PascalScript", R"(var Src, Dst: TBitmap; F: TFont;
begin
  Src := TBitmap.Create; Dst := TBitmap.Create;
  Src.Width := 2; Src.Height := 2;
  Src.Canvas.Pen.Color := clGreen; Src.Canvas.Brush.Color := clGreen;
  Src.Canvas.Rectangle(0, 0, 2, 2);
  Dst.Width := 20; Dst.Height := 20;
  Dst.Canvas.Brush.Color := clWhite; Dst.Canvas.Pen.Color := clWhite;
  Dst.Canvas.Rectangle(0, 0, 20, 20);
  Dst.Canvas.StretchDraw(0, 0, 10, 5, Src);
  Log(Dst.Canvas.Pixels[9, 4]); Log(Dst.Canvas.Pixels[10, 4]); Log(Dst.Canvas.Pixels[9, 5]);
  Dst.Canvas.Draw(15, 15, Src);
  Log(Dst.Canvas.Pixels[16, 16]); Log(Dst.Canvas.Pixels[17, 17]);
  Dst.Canvas.Pen.Color := clBlack;
  Dst.Canvas.MoveTo(0, 19); Dst.Canvas.LineTo(5, 19);
  Log(Dst.Canvas.Pixels[4, 19]); Log(Dst.Canvas.Pixels[5, 19]);
  F := TFont.Create;
  F.Size := 20; F.Style := fsBold + fsUnderline; F.Color := clNavy;
  Dst.Canvas.Font.Assign(F);
  Log(Dst.Canvas.Font.Size); Log(Dst.Canvas.Font.Style); Log(Dst.Canvas.Font.Color);
  F.Free; Src.Free; Dst.Free;
end.)");
    EXPECT_EQ(r.Run(), "32768|16777215|16777215|32768|16777215|0|16777215|20|5|8388608");
}

TEST(ScriptGraphics, SetLiteralsAssignASetProperty) {
    // A set literal gives the bits of its members; a range every member between its ends.
    THostScript r("PascalScript", R"(var F: TFont;
begin
  F := TFont.Create;
  F.Style := [fsBold, fsUnderline]; Log(F.Style);
  F.Style := [2..8]; Log(F.Style);
  F.Style := [fsBold, 2..4]; Log(F.Style);
  F.Style := fsItalic; Log(F.Style);
  F.Free;
end.)");
    EXPECT_EQ(r.Run(), "5|14|7|2");
}

TEST(ScriptGraphics, PicturesFilesAndRefusals) {
    QTemporaryDir dir;
    const QString bmp = dir.filePath("dot.bmp");
    const QString text = QStringLiteral(R"(var B: TBitmap; P: TPicture;
begin
  B := TBitmap.Create;
  B.Width := 3; B.Height := 2;
  B.Canvas.Pixels[1, 1] := clYellow;
  B.SaveToFile('%1');
  B.Free;
  P := TPicture.Create;
  Log(P.Width); Log(P.Height);
  P.LoadFromFile('%1');
  Log(P.Width); Log(P.Height); Log(P.Graphic.ClassName);
  P.Free;
  B := TBitmap.Create;
  B.LoadFromFile('%1');
  Log(B.Canvas.Pixels[1, 1]);
  B.Free;
  B := TBitmap.Create;
  try
    B.Canvas.Font.Pitch := 7;
  finally
    B.Free;
  end;
end.)")
                             .arg(bmp);
    THostScript r("PascalScript", text);
    EXPECT_EQ(r.Run(), "run: ERangeError: Pitch: 7 is out of range 0..2");
    EXPECT_EQ(r.Log.join('|'), "0|0|3|2|TBitmap|65535");
}

TEST(ScriptGraphics, MetafileCanvasRecordsIntoTheMetafile) {
    THostScript r("PascalScript", R"(var M: TMetafile; MC: TMetafileCanvas; B: TBitmap;
begin
  M := TMetafile.Create;
  M.Width := 20; M.Height := 20;
  MC := TMetafileCanvas.Create(M, 0);
  MC.Brush.Color := clRed; MC.Pen.Color := clRed;
  MC.Rectangle(0, 0, 20, 20);
  MC.Free;
  B := TBitmap.Create;
  B.Width := 20; B.Height := 20;
  B.Canvas.Draw(0, 0, M);
  Log(B.Canvas.Pixels[10, 10]);
  B.Free; M.Free;
end.)");
    EXPECT_EQ(r.Run(), "255");
}
