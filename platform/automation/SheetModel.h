#pragma once
// The workbook the spreadsheet server keeps in memory: cells with values and formats, column
// widths, row heights, merged areas, page setup, page breaks and pictures. Rows and columns count
// from 1, as automation clients address them.

#include "platform/automation/ComObj.h"
#include "platform/rtl/Variant.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <vector>

constexpr int SheetMaxRows = 1048576;
constexpr int SheetMaxColumns = 16384;

// Automation constants the server understands.
constexpr int xlNone = -4142;
constexpr int xlContinuous = 1;
constexpr int xlThin = 2;
constexpr int xlPageBreakManual = -4135;
constexpr int xlEdgeLeft = 7, xlEdgeTop = 8, xlEdgeBottom = 9, xlEdgeRight = 10;
constexpr int xlInsideVertical = 11, xlInsideHorizontal = 12;
constexpr int xlLeft = -4131, xlRight = -4152, xlCenter = -4108, xlJustify = -4130, xlGeneral = 1;
constexpr int xlTop = -4160, xlBottom = -4107;
constexpr int xlUnderlineStyleSingle = 2, xlUnderlineStyleDouble = -4119;

// One rectangle of cells, inclusive on every side.
struct TCellArea {
    int Top = 1;
    int Left = 1;
    int Bottom = 1;
    int Right = 1;
    int Rows() const { return Bottom - Top + 1; }
    int Columns() const { return Right - Left + 1; }
    bool Contains(int row, int col) const { return row >= Top && row <= Bottom && col >= Left && col <= Right; }
    bool Intersects(const TCellArea& o) const {
        return Top <= o.Bottom && o.Top <= Bottom && Left <= o.Right && o.Left <= Right;
    }
    bool IsWholeSheet() const { return IsWholeRows() && IsWholeColumns(); }
    bool IsWholeRows() const { return Left == 1 && Right == SheetMaxColumns; }
    bool IsWholeColumns() const { return Top == 1 && Bottom == SheetMaxRows; }
    bool operator==(const TCellArea&) const = default;
};

// "A" for 1, "Z" for 26, "AA" for 27, ... up to "XFD".
QString ColumnName(int column);
// 1-based column of letters such as "AB"; 0 when the text is not a column name in range.
int ColumnNumber(const QString& letters);
// "C7"; with absolute set "$C$7".
QString CellName(int row, int column, bool absolute = false);
QString AreaName(const TCellArea& area, bool absolute = false);
// Parses references such as "A1", "$B$2:C10", "A:C", "3:5" and multi-area texts joined by ","
// or ";". Raises EAutomationError naming the text when it is not one.
std::vector<TCellArea> ParseReference(const QString& text);

// A line of a cell's frame.
struct TBorderLine {
    int LineStyle = xlNone;
    int Weight = xlThin;
    int Color = 0; // red + 256 * green + 65536 * blue
    bool operator==(const TBorderLine&) const = default;
};

enum TBorderEdge { beLeft, beTop, beRight, beBottom };

// A cell's format; unset members fall back to the sheet's, then the program's defaults.
struct TCellFormat {
    std::optional<QString> FontName;
    std::optional<double> FontSize;
    std::optional<bool> Bold;
    std::optional<bool> Italic;
    std::optional<int> Underline; // xlNone, xlUnderlineStyleSingle, xlUnderlineStyleDouble
    std::optional<int> FontColor;
    std::optional<int> InteriorColor;
    std::optional<int> HorizontalAlignment;
    std::optional<int> VerticalAlignment;
    std::optional<bool> WrapText;
    std::optional<bool> ShrinkToFit;
    std::optional<int> Orientation; // degrees, -90 .. 90
    std::optional<QString> NumberFormat;
    std::array<std::optional<TBorderLine>, 4> Borders;

    // Members set in `over` replace ours.
    void MergeFrom(const TCellFormat& over);
    bool IsEmpty() const;
    // A text that is equal for equal formats (used to share written formats).
    QString Key() const;
    bool operator==(const TCellFormat&) const = default;
};

struct TSheetCell {
    Variant Value;        // Empty, a number, a Boolean, a date or a text
    bool IsFormula = false; // Value holds the formula text, "=" included
    TCellFormat Format;
    QString StyleName;
};

struct TPageSetupData {
    // Margins in points; Excel's own defaults.
    double LeftMargin = 0.7 * 72, RightMargin = 0.7 * 72, TopMargin = 0.75 * 72, BottomMargin = 0.75 * 72;
    double HeaderMargin = 0.3 * 72, FooterMargin = 0.3 * 72;
    int Orientation = 1; // 1 portrait, 2 landscape
    int PaperSize = 0;   // 0: the printer's default
    int Zoom = 100;
    int FitToPagesWide = 0, FitToPagesTall = 0; // 0: not fitted
    bool CenterHorizontally = false, CenterVertically = false;
    QString CenterHeader, CenterFooter;
};

// A picture placed on a sheet; position and size in points from the sheet's top-left corner.
struct TSheetPicture {
    QByteArray Png;
    int PixelWidth = 0;
    int PixelHeight = 0;
    double Left = 0, Top = 0, Width = 0, Height = 0;
};

struct TNamedStyle {
    QString Name;
    TCellFormat Format;
};

class TSheetData {
public:
    static constexpr double DefaultColumnWidth = 8.43; // characters
    static constexpr double DefaultRowHeight = 15.0;   // points

    QString Name;
    std::map<std::pair<int, int>, TSheetCell> Cells; // (row, column), row-major order
    TCellFormat DefaultFormat;
    std::map<int, TCellFormat> RowFormats, ColumnFormats;
    std::map<int, double> ColumnWidths, RowHeights;
    std::vector<TCellArea> Merges;
    std::set<int> RowBreaks;    // a manual break above each of these rows
    std::set<int> ColumnBreaks; // a manual break left of each of these columns
    TPageSetupData PageSetup;
    std::vector<TSheetPicture> Pictures;
    bool DisplayGridlines = true;

    TSheetCell& Cell(int row, int col) { return Cells[{row, col}]; }
    const TSheetCell* FindCell(int row, int col) const;
    // The format a cell shows: sheet, column, row, then the cell's own.
    TCellFormat EffectiveFormat(int row, int col) const;
    // Runs fn over every format that decides the look of the area's cells (creating cells of
    // ordinary areas; whole rows, columns or the sheet keep a format of their own).
    void ForEachFormat(const TCellArea& area, const std::function<void(TCellFormat&)>& fn);
    // Cells of the area that exist.
    void ForEachExistingCell(const TCellArea& area, const std::function<void(int, int, TSheetCell&)>& fn);

    double ColumnWidth(int col) const;
    double RowHeight(int row) const;
    // Position of a column's left edge and a row's top edge in points, as the program lays them out.
    double ColumnLeft(int col) const;
    double RowTop(int row) const;
    static int ColumnPixels(double width);

    // Merging keeps the top-left value only; areas it overlaps are unmerged first.
    void Merge(const TCellArea& area);
    void Unmerge(const TCellArea& area);
    const TCellArea* MergeAt(int row, int col) const;
};

class TWorkbookData {
public:
    QString Name;     // "Book1"
    QString FullName; // the file it was last saved to, empty before
    // Where showing the workbook wrote it for the desktop's program (empty before it was shown),
    // and whether the desktop took it. The file stays when the program ends.
    QString ShownFile;
    bool OpenedByDesktop = false;
    std::vector<std::shared_ptr<TSheetData>> Sheets;
    int ActiveSheet = 0;
    std::vector<std::shared_ptr<TNamedStyle>> Styles;

    std::shared_ptr<TSheetData> AddSheet(const QString& name = QString());
    std::shared_ptr<TNamedStyle> FindStyle(const QString& name) const;
    // Sheet names must be 1 to 31 characters without : \ / ? * [ ] and unique in the book.
    void CheckSheetName(const QString& name, const TSheetData* except) const;
};

// Cell values as the program stores what it is given: a text starting with "'" is kept as text
// without it, "=..." becomes a formula, a plain decimal number becomes a number.
void StoreCellValue(TSheetCell& cell, const Variant& value);
