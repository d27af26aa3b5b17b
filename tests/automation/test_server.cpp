// The spreadsheet server through late-bound calls: what clients read back from the workbook they
// build, and the errors they get.
#include "platform/automation/ComObj.h"
#include "platform/automation/SpreadsheetServer.h"
#include "platform/sys/Desktop.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Server : ::testing::Test {
    Variant App = CreateOleObject(QStringLiteral("Excel.Application"));
    Variant Book, Sheet;
    void SetUp() override {
        Book = OleCall(OleGet(App, "Workbooks"), "Add");
        Sheet = OleGet(OleGet(App, "ActiveWorkBook"), "Sheets", {1});
    }
    Variant Cell(int r, int c) { return OleGet(Sheet, "Cells", {r, c}); }
    Variant Range(const char* ref) { return OleGet(Sheet, "Range", {ref}); }
    Variant ValueOf(const char* ref) { return OleGet(Range(ref), "Value"); }
};

TEST(Automation, ProgramIdsAndUnknownServers) {
    EXPECT_TRUE(IsProgIDRegistered("excel.application"));
    EXPECT_FALSE(IsProgIDRegistered("No.Such.Server"));
    try {
        CreateOleObject("No.Such.Server");
        FAIL() << "an unknown program id must raise";
    } catch (const EOleSysError& e) {
        EXPECT_TRUE(e.Message().contains("No.Such.Server"));
    }
    // A host may register its own servers; each creation gives a new object.
    RegisterOleClass("Test.Server", [] { return CreateSpreadsheetApplication(); });
    EXPECT_TRUE(IsProgIDRegistered("TEST.SERVER"));
    EXPECT_NE(CreateOleObject("Test.Server").ToDispatch(), CreateOleObject("Test.Server").ToDispatch());
    UnregisterOleClass("test.server");
    EXPECT_THROW(CreateOleObject("Test.Server"), EOleSysError);
}

TEST_F(Server, UnknownMembersAndBadArgumentsRaiseOleErrors) {
    try {
        OleGet(App, "NoSuchMember");
        ADD_FAILURE() << "an unknown member must raise";
    } catch (const EOleError& e) {
        EXPECT_TRUE(e.Message().startsWith("OLE error 80020006: NoSuchMember")) << e.Message().toStdString();
    }
    EXPECT_THROW(OleSet(Range("A1"), "NoSuchProperty", 1), EOleError);
    EXPECT_THROW(OleGet(Sheet, "Cells", {0, 1}), EOleError);
    // Offsets from any integer stay outside the sheet rather than wrapping round.
    EXPECT_THROW(OleGet(Range("C3"), "Cells", {2147483647, 1}), EOleError);
    EXPECT_THROW(OleGet(Range("C3"), "Cells", {2147483647}), EOleError);
    EXPECT_THROW(OleGet(Range("C3"), "Rows", {2147483647}), EOleError);
    EXPECT_THROW(OleSet(OleGet(Sheet, "Rows"), "RowHeight", 20), EOleError);
    EXPECT_THROW(OleGet(Sheet, "Range", {"A1:"}), EOleError);
    EXPECT_THROW(OleGet(OleGet(Book, "Sheets"), "Item", {5}), EOleError);
    EXPECT_THROW(OleSet(Range("A1"), "HorizontalAlignment", 12345), EOleError);
    EXPECT_THROW(OleSet(Range("A1"), "ColumnWidth", 300), EOleError);
    EXPECT_THROW(OleSet(Sheet, "Name", "bad/name"), EOleError);
    // A value that holds no object is a conversion error, as for any variant.
    EXPECT_THROW(OleGet(Variant(5), "Value"), EVariantTypeCastError);
}

TEST_F(Server, TwoDimensionalArraysFillTheRangeAndReadBack) {
    Variant arr = VarArrayCreate({1, 2, 1, 3}, varVariant);
    const Variant values[2][3] = {{"Name", "'=1+1", "12.5"}, {"x", 7, true}};
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 3; ++c) {
            const int idx[2] = {r + 1, c + 1};
            arr.SetElement(idx, values[r][c]);
        }
    OleSet(OleGet(Sheet, "Range", {Cell(2, 2), Cell(3, 4)}), "Value", arr);

    EXPECT_EQ(VarToStr(ValueOf("B2")), "Name");
    // A leading apostrophe keeps the text as it is, formula sign and all.
    EXPECT_EQ(VarToStr(ValueOf("C2")), "=1+1");
    // Plain numbers given as text become numbers.
    EXPECT_EQ(ValueOf("D2").VType(), varDouble);
    EXPECT_DOUBLE_EQ(ValueOf("D2").ToDouble(), 12.5);
    EXPECT_DOUBLE_EQ(ValueOf("C3").ToDouble(), 7);
    EXPECT_EQ(ValueOf("D3").VType(), varBoolean);

    const Variant back = ValueOf("B2:D3");
    ASSERT_EQ(back.DimCount(), 2);
    EXPECT_EQ(back.LowBound(1), 1);
    EXPECT_EQ(back.HighBound(1), 2);
    EXPECT_EQ(back.HighBound(2), 3);
    const int idx[2] = {2, 1};
    EXPECT_EQ(VarToStr(back.GetElement(idx)), "x");
    EXPECT_TRUE(ValueOf("A1").IsEmpty());
}

TEST_F(Server, ScalarsAndRowArraysSpreadOverTheRange) {
    OleSet(Range("A1:B2"), "Value", 3);
    EXPECT_EQ(ValueOf("B2").ToInt(), 3);
    // A one-dimensional array is one row, repeated down the range; cells past its end are cleared.
    OleSet(Range("A4:C5"), "Value", VarArrayOf({"a", "b"}));
    EXPECT_EQ(VarToStr(ValueOf("A5")), "a");
    EXPECT_EQ(VarToStr(ValueOf("B5")), "b");
    EXPECT_TRUE(ValueOf("C5").IsEmpty());
    // A formula is kept as its text.
    OleSet(Range("D1"), "Value", "=SUM(A1:B2)");
    EXPECT_EQ(VarToStr(OleGet(Range("D1"), "Formula")), "=SUM(A1:B2)");
}

TEST_F(Server, RangesAreRelativeToTheirOwner) {
    const Variant block = Range("C3:E6");
    EXPECT_EQ(VarToStr(OleGet(OleGet(block, "Cells", {2, 2}), "Address")), "$D$4");
    EXPECT_EQ(VarToStr(OleGet(OleGet(block, "Range", {"A1:B1"}), "Address")), "$C$3:$D$3");
    EXPECT_EQ(VarToStr(OleGet(OleGet(block, "Rows", {2}), "Address")), "$C$4:$E$4");
    EXPECT_EQ(VarToStr(OleGet(OleGet(block, "Columns", {"B"}), "Address")), "$D$3:$D$6");
    EXPECT_EQ(OleGet(OleGet(block, "Rows"), "Count").ToInt(), 4);
    EXPECT_EQ(OleGet(OleGet(block, "Columns"), "Count").ToInt(), 3);
    EXPECT_EQ(OleGet(block, "Count").ToInt(), 12);
    EXPECT_EQ(VarToStr(OleGet(OleGet(Sheet, "Rows", {3}), "Address")), "$3:$3");
    EXPECT_EQ(VarToStr(OleGet(OleGet(Sheet, "Columns", {28}), "Address")), "$AB:$AB");
    EXPECT_EQ(VarToStr(OleGet(Range("A1;C2:D3"), "Address")), "$A$1,$C$2:$D$3");
}

TEST_F(Server, SelectionFollowsSelect) {
    OleCall(OleGet(App, "Range", {OleGet(App, "Cells", {1, 1}), OleGet(App, "Cells", {2, 3})}), "Select");
    const Variant sel = OleGet(App, "Selection");
    EXPECT_EQ(VarToStr(OleGet(sel, "Address")), "$A$1:$C$2");
    OleSet(OleGet(sel, "Interior"), "Color", 200 + 256 * 200 + 65536 * 200);
    EXPECT_EQ(OleGet(OleGet(Range("C2"), "Interior"), "Color").ToInt(), 0xC8C8C8);
    EXPECT_EQ(OleGet(OleGet(Range("D2"), "Interior"), "Color").ToInt(), 0xFFFFFF);
}

TEST_F(Server, BordersByItemFrameOnlyTheirEdge) {
    const Variant r = Range("B2:C3");
    OleSet(OleGet(r, "Borders", {9}), "LineStyle", 1); // bottom edge
    auto style = [&](const char* cell, int item) {
        return OleGet(OleGet(Range(cell), "Borders", {item}), "LineStyle").ToInt();
    };
    EXPECT_EQ(style("B3", 9), 1);
    EXPECT_EQ(style("C3", 9), 1);
    EXPECT_EQ(style("B2", 9), xlNone);
    EXPECT_EQ(style("B3", 7), xlNone);
    OleSet(OleGet(r, "Borders"), "LineStyle", 1); // every edge of every cell
    EXPECT_EQ(style("B2", 7), 1);
    EXPECT_EQ(style("C2", 10), 1);
    EXPECT_THROW(OleGet(r, "Borders", {42}), EOleError);
}

TEST_F(Server, MergingKeepsTheTopLeftValue) {
    OleSet(Range("A1:B2"), "Value", VarArrayOf({"keep", "drop"}));
    OleSet(Range("A1:B2"), "MergeCells", true);
    EXPECT_TRUE(OleGet(Range("A1:B2"), "MergeCells").ToBool());
    EXPECT_EQ(VarToStr(ValueOf("A1")), "keep");
    EXPECT_TRUE(ValueOf("B1").IsEmpty());
    EXPECT_EQ(VarToStr(OleGet(OleGet(Range("B2"), "MergeArea"), "Address")), "$A$1:$B$2");
    // A merge over an existing one replaces it.
    OleCall(Range("B2:C3"), "Merge");
    auto book = SpreadsheetWorkbookOf(Book);
    ASSERT_TRUE(book);
    ASSERT_EQ(book->Sheets[0]->Merges.size(), 1u);
    EXPECT_EQ(AreaName(book->Sheets[0]->Merges[0]), "B2:C3");
    OleSet(Range("B2"), "MergeCells", false);
    EXPECT_TRUE(book->Sheets[0]->Merges.empty());
}

TEST_F(Server, NamedStylesApplyTheirFormat) {
    const Variant style = OleCall(OleGet(Book, "Styles"), "Add", {"S1"});
    OleSet(OleGet(style, "Font"), "Bold", true);
    OleSet(OleGet(style, "Font"), "Size", 14);
    OleSet(style, "HorizontalAlignment", xlCenter);
    OleSet(Range("A1:A2"), "Style", "S1");
    EXPECT_TRUE(OleGet(OleGet(Range("A2"), "Font"), "Bold").ToBool());
    EXPECT_DOUBLE_EQ(OleGet(OleGet(Range("A2"), "Font"), "Size").ToDouble(), 14);
    EXPECT_EQ(OleGet(Range("A1"), "HorizontalAlignment").ToInt(), xlCenter);
    EXPECT_EQ(VarToStr(OleGet(Range("A1"), "Style")), "S1");
    EXPECT_THROW(OleSet(Range("A1"), "Style", "S2"), EOleError);
    EXPECT_THROW(OleCall(OleGet(Book, "Styles"), "Add", {"s1"}), EOleError);
}

TEST_F(Server, WholeSheetFormatsReachLaterCells) {
    OleSet(OleGet(Sheet, "Cells"), "WrapText", true);
    OleSet(Range("Z100"), "Value", "late");
    EXPECT_TRUE(OleGet(Range("Z100"), "WrapText").ToBool());
    // Whole sheets take formats, not values.
    EXPECT_THROW(OleSet(OleGet(Sheet, "Cells"), "Value", 1), EOleError);
}

TEST_F(Server, MultiAreaRangesActOnEveryArea) {
    OleSet(Range("A1:A2;A4"), "RowHeight", 20);
    OleSet(OleGet(Range("A6:A7"), "Rows"), "RowHeight", 409);
    const struct {
        int Row;
        double Height;
    } rows[] = {{1, 20}, {2, 20}, {3, 15}, {4, 20}, {5, 15}, {6, 409}, {7, 409}};
    for (const auto& r : rows)
        EXPECT_DOUBLE_EQ(OleGet(OleGet(Sheet, "Rows", {r.Row}), "RowHeight").ToDouble(), r.Height) << r.Row;
    EXPECT_THROW(OleSet(Range("A8"), "RowHeight", 410), EOleError);
    OleSet(Range("B1,B3"), "NumberFormat", "0.00");
    EXPECT_EQ(VarToStr(OleGet(Range("B3"), "NumberFormat")), "0.00");
    EXPECT_EQ(VarToStr(OleGet(Range("B2"), "NumberFormat")), "General");
}

TEST_F(Server, PageBreaksAndPageSetup) {
    OleSet(OleGet(Sheet, "Rows", {5}), "PageBreak", xlPageBreakManual);
    EXPECT_EQ(OleGet(OleGet(Sheet, "Rows", {5}), "PageBreak").ToInt(), xlPageBreakManual);
    EXPECT_EQ(OleGet(OleGet(Sheet, "Rows", {6}), "PageBreak").ToInt(), xlNone);
    const Variant ps = OleGet(OleGet(App, "ActiveSheet"), "PageSetup");
    OleSet(ps, "LeftMargin", 36);
    OleSet(ps, "Orientation", 2);
    EXPECT_DOUBLE_EQ(OleGet(ps, "LeftMargin").ToDouble(), 36);
    EXPECT_THROW(OleSet(ps, "Orientation", 3), EOleError);
}

TEST_F(Server, VisibleWritesTheWorkbookIntoALastingFolderAndNotesWhetherItOpened) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    SetSpreadsheetWorkbookFolder(folder.path() + "/books");
    // A workbook of that name is there already: it is not touched.
    ASSERT_TRUE(QDir().mkpath(folder.path() + "/books"));
    QFile old(folder.path() + "/books/Book1.xlsx");
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("mine");
    old.close();
    for (bool desktopTakesIt : {true, false}) {
        SCOPED_TRACE(desktopTakesIt);
        const Variant app = CreateOleObject(QStringLiteral("Excel.Application"));
        OleCall(OleGet(app, "Workbooks"), "Add");
        OleSet(OleGet(OleGet(OleGet(app, "ActiveWorkBook"), "Sheets", {1}), "Range", {"A1"}), "Value", "shown");
        QList<QUrl> opened;
        SetOpenUrlHandler([&opened, desktopTakesIt](const QUrl& url) {
            opened << url;
            return desktopTakesIt;
        });
        OleSet(app, "Visible", true);
        OleSet(app, "Visible", true); // already visible: nothing more is opened
        SetOpenUrlHandler({});
        ASSERT_EQ(opened.size(), 1);
        const QString file = opened[0].toLocalFile();
        const auto book = SpreadsheetWorkbookOf(app);
        ASSERT_TRUE(book);
        EXPECT_EQ(book->ShownFile, file);
        EXPECT_EQ(book->OpenedByDesktop, desktopTakesIt);
        EXPECT_TRUE(book->FullName.isEmpty()); // shown, not saved
        EXPECT_EQ(QFileInfo(file).absolutePath(), folder.path() + "/books");
        EXPECT_TRUE(file.endsWith(desktopTakesIt ? "/Book1 (2).xlsx" : "/Book1 (3).xlsx")) << file.toStdString();
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_TRUE(f.read(2) == "PK"); // a zip package
        // Shown again later, it goes to the same file.
        OleSet(app, "Visible", false);
        SetOpenUrlHandler([](const QUrl&) { return true; });
        OleSet(app, "Visible", true);
        SetOpenUrlHandler({});
        EXPECT_EQ(book->ShownFile, file);
        EXPECT_TRUE(book->OpenedByDesktop);
    }
    old.open(QIODevice::ReadOnly);
    EXPECT_EQ(old.readAll(), "mine");
    SetSpreadsheetWorkbookFolder(QString());
}

TEST_F(Server, SavingToAnUnwritablePlaceNamesTheFile) {
    try {
        OleCall(Book, "SaveAs", {"/nonexistent-folder/x/book.xlsx"});
        FAIL() << "saving must fail";
    } catch (const EOleError& e) {
        EXPECT_TRUE(e.Message().startsWith("OLE error 80020009: SaveAs: Cannot create file")) << e.Message().toStdString();
        EXPECT_TRUE(e.Message().contains("/nonexistent-folder/x/book.xlsx"));
    }
}

} // namespace
