// A workbook built through late-bound calls only, saved, and read back by an independent reader
// (openpyxl).
#include "XlsxReadBack.h"

#include "platform/automation/ComObj.h"
#include "platform/automation/SheetModel.h"

#include <QBuffer>
#include <QImage>
#include <QJsonArray>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QJsonObject CellOf(const QJsonObject& sheet, const char* ref) {
    return sheet["cells"].toObject()[QString::fromLatin1(ref)].toObject();
}

class XlsxRoundTrip : public ::testing::Test {
protected:
    void SetUp() override {
        if (PythonWithOpenpyxl().isEmpty()) GTEST_SKIP() << "python3 with openpyxl is not installed";
        ASSERT_TRUE(Dir.isValid());
    }
    QTemporaryDir Dir;
};

TEST_F(XlsxRoundTrip, ValuesFormatsAndLayoutSurvive) {
    const Variant app = CreateOleObject("Excel.Application");
    OleSet(app, "ScreenUpdating", false);
    const Variant book = OleCall(OleGet(app, "Workbooks"), "Add");
    const Variant sheet = OleGet(book, "WorkSheets", {1});
    OleSet(sheet, "Name", "Данные");

    Variant arr = VarArrayCreate({1, 3, 1, 3}, varVariant);
    const Variant values[3][3] = {{"Item", "Price", "Note"}, {"Tea", "12.5", "'=not a formula"}, {"Кофе", 3, "Ünïcödé"}};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) {
            const int idx[2] = {r + 1, c + 1};
            arr.SetElement(idx, values[r][c]);
        }
    OleSet(OleGet(sheet, "Range", {OleGet(sheet, "Cells", {1, 1}), OleGet(sheet, "Cells", {3, 3})}), "Value", arr);
    OleSet(OleGet(sheet, "Range", {"E1"}), "Value", "=B2*2");
    OleSet(OleGet(sheet, "Range", {"E2"}), "Value", Variant::FromDate(45000.0));

    const Variant header = OleGet(sheet, "Range", {"A1:C1"});
    const Variant font = OleGet(header, "Font");
    OleSet(font, "Bold", true);
    OleSet(font, "Italic", true);
    OleSet(font, "Name", "Liberation Serif");
    OleSet(font, "Size", 13);
    OleSet(font, "Color", 255); // red
    OleSet(font, "Underline", xlUnderlineStyleSingle);
    OleSet(OleGet(header, "Interior"), "Color", 200 + 256 * 200 + 65536 * 200);
    OleSet(header, "HorizontalAlignment", xlCenter);
    OleSet(header, "VerticalAlignment", xlTop);
    OleSet(OleGet(OleGet(sheet, "Range", {"A1:C3"}), "Borders"), "LineStyle", xlContinuous);
    OleSet(OleGet(sheet, "Range", {"B2:B3"}), "NumberFormat", "#,##0.00");
    OleSet(OleGet(sheet, "Range", {"C3"}), "Orientation", 45);
    OleSet(OleGet(sheet, "Range", {"A5:C6"}), "MergeCells", true);
    OleSet(OleGet(sheet, "Range", {"A5"}), "Value", "merged");
    OleSet(OleGet(OleGet(sheet, "Columns"), "Columns", {2}), "ColumnWidth", 20);
    OleSet(OleGet(OleGet(sheet, "Rows"), "Rows", {4}), "RowHeight", 30.5);
    OleSet(OleGet(sheet, "Rows", {10}), "PageBreak", xlPageBreakManual);
    const Variant ps = OleGet(OleGet(app, "ActiveSheet"), "PageSetup");
    OleSet(ps, "LeftMargin", 36); // points
    OleSet(ps, "Orientation", 2);
    OleSet(OleGet(app, "ActiveWindow"), "DisplayGridlines", false);
    OleSet(OleGet(sheet, "Cells"), "WrapText", true);

    // A second sheet stays in order and keeps its own content.
    const Variant second = OleCall(OleGet(book, "Sheets"), "Add");
    OleSet(OleGet(second, "Cells", {1, 1}), "Value", 42);
    // Shrinking is checked here: the first sheet wraps every cell, and wrapping wins over it.
    OleSet(OleGet(second, "Cells", {1, 1}), "ShrinkToFit", true);
    OleCall(sheet, "Activate");

    const QString file = Dir.filePath("book.xlsx");
    OleCall(book, "SaveAs", {file, -4143, Variant(), Variant(), Variant(), Variant(), 1});
    EXPECT_EQ(VarToStr(OleGet(book, "FullName")), file);

    const QJsonObject wb = ReadXlsxBack(file);
    ASSERT_FALSE(wb.contains("error")) << wb["error"].toString().toStdString();
    EXPECT_EQ(wb["active"].toInt(), 0);
    const QJsonArray sheets = wb["sheets"].toArray();
    ASSERT_EQ(sheets.size(), 2);
    const QJsonObject s = sheets[0].toObject();
    EXPECT_EQ(s["name"].toString(), "Данные");
    EXPECT_EQ(sheets[1].toObject()["name"].toString(), "Sheet2");
    EXPECT_EQ(CellOf(sheets[1].toObject(), "A1")["value"].toDouble(), 42);
    EXPECT_TRUE(CellOf(sheets[1].toObject(), "A1")["shrink"].toBool());

    // Values: texts, numbers converted from text, kept apostrophe texts, formulas, dates.
    EXPECT_EQ(CellOf(s, "A1")["value"].toString(), "Item");
    EXPECT_EQ(CellOf(s, "A3")["value"].toString(), "Кофе");
    EXPECT_EQ(CellOf(s, "C3")["value"].toString(), "Ünïcödé");
    EXPECT_EQ(CellOf(s, "B2")["type"].toString(), "n");
    EXPECT_DOUBLE_EQ(CellOf(s, "B2")["value"].toDouble(), 12.5);
    EXPECT_EQ(CellOf(s, "C2")["value"].toString(), "=not a formula");
    EXPECT_EQ(CellOf(s, "C2")["type"].toString(), "s");
    EXPECT_EQ(CellOf(s, "E1")["value"].toString(), "=B2*2");
    EXPECT_EQ(CellOf(s, "E1")["type"].toString(), "f");
    EXPECT_TRUE(CellOf(s, "E2")["value"].toString().startsWith("2023-03-15")) << CellOf(s, "E2")["value"].toString().toStdString();

    // Fonts, fills, alignment, borders and number formats.
    const QJsonObject a1 = CellOf(s, "A1");
    EXPECT_TRUE(a1["bold"].toBool());
    EXPECT_TRUE(a1["italic"].toBool());
    EXPECT_EQ(a1["underline"].toString(), "single");
    EXPECT_EQ(a1["font"].toString(), "Liberation Serif");
    EXPECT_DOUBLE_EQ(a1["size"].toDouble(), 13);
    EXPECT_EQ(a1["font_color"].toString(), "FF0000");
    EXPECT_EQ(a1["fill"].toString(), "C8C8C8");
    EXPECT_EQ(a1["halign"].toString(), "center");
    EXPECT_EQ(a1["valign"].toString(), "top");
    EXPECT_TRUE(a1["wrap"].toBool());
    const QJsonObject a2 = CellOf(s, "A2");
    EXPECT_FALSE(a2["bold"].toBool());
    EXPECT_TRUE(a2["fill"].isNull());
    for (const char* side : {"left", "top", "right", "bottom"})
        EXPECT_EQ(a2["border"].toObject()[side].toString(), "thin") << side;
    EXPECT_EQ(CellOf(s, "B3")["number_format"].toString(), "#,##0.00");
    EXPECT_EQ(CellOf(s, "A3")["number_format"].toString(), "General");
    EXPECT_EQ(CellOf(s, "C3")["rotation"].toInt(), 45);

    // Layout: merges, widths, heights, page breaks, page setup, grid lines.
    const QJsonArray merges = s["merges"].toArray();
    ASSERT_EQ(merges.size(), 1);
    EXPECT_EQ(merges[0].toString(), "A5:C6");
    EXPECT_EQ(CellOf(s, "A5")["value"].toString(), "merged");
    const double width = s["widths"].toObject()["B"].toDouble();
    EXPECT_GE(width, 20.0);
    EXPECT_LT(width, 20.75); // the file adds the program's cell padding
    // Columns the client did not size keep the default width, even though the sheet-wide format
    // is written on them.
    EXPECT_NEAR(s["widths"].toObject().value("A").toDouble(8.43), 8.43, 0.72);
    EXPECT_DOUBLE_EQ(s["heights"].toObject()["4"].toDouble(), 30.5);
    const QJsonArray breaks = s["row_breaks"].toArray();
    ASSERT_EQ(breaks.size(), 1);
    EXPECT_EQ(breaks[0].toInt(), 9); // a break above row 10
    EXPECT_DOUBLE_EQ(s["margins"].toObject()["left"].toDouble(), 0.5);
    EXPECT_EQ(s["orientation"].toString(), "landscape");
    EXPECT_FALSE(s["gridlines"].toBool());
}

// Characters XML cannot hold: a NUL no longer ends the text early, lone surrogates become U+FFFD
// and other control characters are dropped; a picture handed over as bytes lands at the selection.
TEST_F(XlsxRoundTrip, ForbiddenCharactersAndPictureBytes) {
    const Variant app = CreateOleObject("Excel.Application");
    const Variant book = OleCall(OleGet(app, "Workbooks"), "Add");
    const Variant sheet = OleGet(app, "ActiveSheet");
    const QString odd = QStringLiteral("a") + QChar(0) + QStringLiteral("b") + QChar(0xDC00) + QStringLiteral("\x02" "c\tend");
    OleSet(OleGet(sheet, "Range", {"A1"}), "Value", odd);
    QImage img(10, 10, QImage::Format_RGB32);
    img.fill(Qt::red);
    QByteArray png;
    QBuffer buf(&png);
    buf.open(QIODevice::WriteOnly);
    ASSERT_TRUE(img.save(&buf, "PNG"));
    OleCall(OleGet(sheet, "Range", {"B3"}), "Select");
    OleCall(OleGet(sheet, "Pictures"), "Insert", {VarArrayFromBytes(png)});
    EXPECT_THROW(OleCall(OleGet(sheet, "Pictures"), "Insert", {VarArrayFromBytes("not a picture")}), EOleError);
    const QString file = Dir.filePath("odd.xlsx");
    OleCall(book, "SaveAs", {file});
    const QJsonObject wb = ReadXlsxBack(file);
    ASSERT_FALSE(wb.contains("error")) << wb["error"].toString().toStdString();
    const QJsonObject s = wb["sheets"].toArray()[0].toObject();
    EXPECT_EQ(CellOf(s, "A1")["value"].toString(), QStringLiteral("ab") + QChar(0xFFFD) + QStringLiteral("c\tend"));
    const QJsonArray anchors = wb["anchors"].toArray();
    ASSERT_EQ(anchors.size(), 1);
    EXPECT_EQ(anchors[0].toArray()[0].toInt(), 1);
    EXPECT_EQ(anchors[0].toArray()[2].toInt(), 2);
}

TEST_F(XlsxRoundTrip, PicturesKeepTheirPlace) {
    const QString png = Dir.filePath("dot.png");
    QImage img(40, 20, QImage::Format_RGB32);
    img.fill(Qt::blue);
    ASSERT_TRUE(img.save(png));

    const Variant app = CreateOleObject("Excel.Application");
    const Variant book = OleCall(OleGet(app, "Workbooks"), "Add");
    const Variant sheet = OleGet(app, "ActiveSheet");
    OleCall(OleGet(sheet, "Range", {"C4"}), "Select");
    const Variant pic = OleCall(OleGet(sheet, "Pictures"), "Insert", {png});
    // At the selected cell: column C starts after two default columns of 64 pixels.
    EXPECT_DOUBLE_EQ(OleGet(pic, "Left").ToDouble(), 2 * 64 * 0.75);
    EXPECT_DOUBLE_EQ(OleGet(pic, "Top").ToDouble(), 3 * 15.0);
    EXPECT_DOUBLE_EQ(OleGet(pic, "Width").ToDouble(), 30);
    const Variant item = OleGet(sheet, "Pictures", {1});
    OleSet(item, "Left", OleGet(item, "Left").ToDouble() + 1.5); // two pixels to the right
    EXPECT_THROW(OleGet(sheet, "Pictures", {2}), EOleError);
    EXPECT_THROW(OleCall(OleGet(sheet, "Pictures"), "Insert", {Dir.filePath("missing.png")}), EOleError);

    const QString file = Dir.filePath("pictures.xlsx");
    OleCall(book, "SaveAs", {file});
    const QJsonObject wb = ReadXlsxBack(file);
    ASSERT_FALSE(wb.contains("error")) << wb["error"].toString().toStdString();
    EXPECT_EQ(wb["media"].toArray().size(), 1);
    const QJsonArray anchors = wb["anchors"].toArray();
    ASSERT_EQ(anchors.size(), 1);
    const QJsonArray from = anchors[0].toArray(); // column, column offset (EMU), row, row offset
    EXPECT_EQ(from[0].toInt(), 2);
    EXPECT_EQ(from[1].toInt(), 2 * 9525);
    EXPECT_EQ(from[2].toInt(), 3);
    EXPECT_EQ(from[3].toInt(), 0);
}

} // namespace
