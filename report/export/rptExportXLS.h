#pragma once
// Spreadsheet export: prepared pages laid into the export matrix and written into a workbook of
// the "Excel.Application" automation server through late-bound calls only (TrptExcel), then saved
// as .xlsx under FileName. Two writing paths: the fast one collects values in one array and
// formats joined ranges; the cell-by-cell one sets each object's cells on its own.

#include "platform/rtl/Variant.h"
#include "report/core/rptClassBases.h"
#include "report/core/rptClassMemo.h"
#include "report/core/rptClassView.h"
#include "report/core/rptPrinter.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class TrptIEMatrix;
class TrptIEMObject;
class TrptProgress;

// A range text with the number it is grouped by (a style index, frame bits or 0).
struct TrptExcelRange {
    QString Range;
    int Group = 0;
};

// A number format and the cell it goes to, in the order the cells were met.
struct TrptExcelNumberFormat {
    QString Format;
    QString Cell;
};

// The automation server's spreadsheet as the export needs it. Every operation is a fixed series
// of late-bound calls; those documented as ignoring errors hand each failure to OnIgnoredError
// instead of raising.
class TrptExcel {
public:
    // Horizontal and vertical alignments, border items, line style, page break, orientation and
    // save arguments the server understands.
    static constexpr int xlHAlignLeft = -4131, xlHAlignRight = -4152, xlHAlignCenter = -4108, xlHAlignJustify = -4130;
    static constexpr int xlVAlignTop = -4160, xlVAlignBottom = -4107, xlVAlignCenter = -4108;
    static constexpr int xlBorderLeft = 7, xlBorderRight = 10, xlBorderTop = 8, xlBorderBottom = 9;
    static constexpr int xlLineContinuous = 1;
    static constexpr int xlPageBreakManual = -4135;
    static constexpr int xlNormalFormat = -4143, xlNoChange = 1;
    // The sheet's size: columns A to XFD, rows 1 to 1,048,576.
    static constexpr int MaxColumns = 16384;
    static constexpr int MaxRows = 1048576;
    // A joined range text never exceeds this many characters.
    static constexpr int MaxRangeText = 255;

    TrptExcel() = default;
    ~TrptExcel() = default;
    TrptExcel(const TrptExcel&) = delete;
    TrptExcel& operator=(const TrptExcel&) = delete;

    // "A" for 1 ... "Z", "AA" ... "XFD" (the server's own names); "C7" for column 3, row 7.
    static QString ColumnName(int Column);
    static QString CellName(int Column, int Row);

    // Starts the server, turns screen updating and alerts off and adds a workbook whose first
    // sheet is filled. Failures raise (IsOpened stays False).
    void OpenExcel();
    bool IsOpened() const { return FIsOpened; }
    // Closes the workbook without saving and quits the server; errors are ignored. For failures.
    void CloseWorkbook();
    // Quits the server and drops every reference; errors are ignored.
    void Quit();

    bool Visible() const { return FIsVisible; }
    // Showing the application hands its workbooks to the desktop.
    void SetVisible(bool Value);

    // Selects columns x .. x + dx - 1 and rows y .. y + dy - 1 (numbered from 1) as Range,
    // clipped to the sheet; nothing is selected for an empty or outside area. Errors ignored.
    void SetRange(int x, int y, int dx, int dy);
    void MergeCells();
    void SetCellFrame(const TrptFrameTypes& Frame);
    // 0 < size < 256 and a column on the sheet, else nothing. Errors ignored.
    void SetColSize(int x, double Size);
    // Heights above 409 points are sent as 409; 0 and less send nothing.
    void SetRowSize(int y, double Size);
    // Margins in points. Errors ignored (the remaining calls are skipped).
    void SetPageMargin(double Left, double Right, double Top, double Bottom, TPrinterOrientation Orientation);

    // Row ranges sorted by height index; Heights in points; one call for the common height over
    // rows 1 .. RowCount, then one per joined group of the others. Errors ignored.
    void ApplyRowHeights(const std::vector<TrptExcelRange>& List, const std::vector<double>& Heights,
                         TrptProgress* Progress, int RowCount, int CommonIndex);
    // Kind 0 styles, 1 frames, 2 merging, for ranges sorted by their group. Errors ignored.
    void ApplyRangeGroups(const std::vector<TrptExcelRange>& List, int Kind, TrptProgress* Progress);
    void ApplyStyleToRanges(const QString& Range, int StyleIndex);
    void ApplyFrameToRanges(const QString& Range, int FrameBits);
    void ApplyNumberFormats(const std::vector<TrptExcelNumberFormat>& List, TrptProgress* Progress);
    void ApplyNumberFormat(const QString& Range, const QString& Format);

    // Frame sets as the bits the frame list is grouped by (left 1, right 2, top 4, bottom 8).
    static int FrameBits(const TrptFrameTypes& Frame);
    static TrptFrameTypes FrameFromBits(int Bits);

    // The automation references.
    Variant Excel, WorkBook, WorkSheet, Range;

    // A failure the operation goes on without.
    std::function<void(const QString& Message)> OnIgnoredError;
    void DoIgnoredError(const QString& Message) {
        if (OnIgnoredError) OnIgnoredError(Message);
    }

private:
    // Runs the calls, handing an automation failure to OnIgnoredError.
    void Ignoring(const std::function<void()>& Calls);

    bool FIsOpened = false;
    bool FIsVisible = false;
};

class TrptXLSExport : public TrptCustomExportFilter {
    KORVEL_CLASS(TrptXLSExport, TrptCustomExportFilter)
public:
    explicit TrptXLSExport(TComponent* AOwner = nullptr);
    ~TrptXLSExport() override;

    QString GetDescription() const override;
    TModalResult ShowModal() override;
    bool Start() override;
    void StartPage(TrptReportPage* Page, int Index) override;
    void ExportObject(TrptComponent* Obj) override;
    void FinishPage(TrptReportPage* Page, int Index) override;
    void Finish() override;

    bool ExportEMF() const { return FExportEMF; }
    void SetExportEMF(bool Value) { FExportEMF = Value; }
    bool ExportStyles() const { return FExportStyles; }
    void SetExportStyles(bool Value) { FExportStyles = Value; }
    bool ExportPictures() const { return FExportPictures; }
    void SetExportPictures(bool Value) { FExportPictures = Value; }
    bool MergeCells() const { return FMergeCells; }
    void SetMergeCells(bool Value) { FMergeCells = Value; }
    bool OpenExcelAfterExport() const { return FOpenExcelAfterExport; }
    void SetOpenExcelAfterExport(bool Value) { FOpenExcelAfterExport = Value; }
    bool Wysiwyg() const { return FWysiwyg; }
    void SetWysiwyg(bool Value) { FWysiwyg = Value; }
    bool AsText() const { return FAsText; }
    void SetAsText(bool Value) { FAsText = Value; }
    bool Background() const { return FBackground; }
    void SetBackground(bool Value) { FBackground = Value; }
    bool FastExport() const { return FFastExport; }
    void SetFastExport(bool Value) { FFastExport = Value; }
    bool PageBreaks() const { return FpageBreaks; }
    void SetPageBreaks(bool Value) { FpageBreaks = Value; }
    bool EmptyLines() const { return FEmptyLines; }
    void SetEmptyLines(bool Value) { FEmptyLines = Value; }
    bool TruncateLongTexts() const { return FTruncateLongTexts; }
    void SetTruncateLongTexts(bool Value) { FTruncateLongTexts = Value; }
    bool GridLines() const { return FGridLines; }
    void SetGridLines(bool Value) { FGridLines = Value; }

    // The server's alignment constants of a cell's alignments.
    static void ExcelAlignment(TrptHAlign HAlign, TrptVAlign VAlign, int& Horizontal, int& Vertical);
    // Carriage returns removed everywhere, line feeds at the end.
    static QString CleanCellText(const QString& Text);
    // The format code of a numeric display format: "%2.2n" gives "#,##0.00", "%2.2f" "0.00",
    // "%d" "0"; a picture such as "#,##0.0" is a code already. Empty: the general format.
    static QString ExcelNumberFormat(const QString& FormatStr, const QString& ThousandSeparator);
    // A number written with "." as its decimal point and nothing between the digits but that
    // (signs, a currency text, brackets for negatives, a final "." and "%" are understood); none
    // when the text is no number.
    static std::optional<double> TextToNumber(const QString& Text);
    // Round(Value / Step) * Step, in ten-thousandths.
    static double RoundToStep(double Step, double Value);

private:
    void ExportFast();
    void ExportCellByCell();
    void SetupPage();
    // Row heights, page breaks and column widths of both paths.
    void SetupRowsAndColumns(bool Rounded);
    void CreateStyles(bool Fast);
    int AddRowHeight(double Value);
    // The cell value of a text object for the fast path (numbers as numbers, codes noted), or for
    // the cell-by-cell path (the text as the server takes it).
    Variant CellValue(TrptIEMObject* Obj, int Column, int Row, bool Fast);
    QString ObjectText(TrptIEMObject* Obj, bool Fast);
    void PlacePicture(TrptIEMObject* Obj, int x, int y, int dx, int dy, bool Fast);
    // A problem the export goes on after: noted once for the report.
    void Warn(const QString& Text);
    void ReportWarnings();
    bool Cancelled() const;
    void StartProgress(const QString& Message, int Max);
    // The output name: ".xls" becomes ".xlsx", a bare name goes to DefaultPath.
    QString TargetFileName(const QString& Name) const;

    std::unique_ptr<TrptExcel> FExcel;
    bool FExportPictures = true;
    bool FExportStyles = true;
    bool FFirstPage = true;
    std::unique_ptr<TrptIEMatrix> FMatrix;
    bool FMergeCells = true;
    bool FOpenExcelAfterExport = false;
    double FPageBottom = 0, FPageLeft = 0, FPageRight = 0, FPageTop = 0;
    TPrinterOrientation FPageOrientation = poPortrait;
    std::unique_ptr<TrptProgress> FProgress;
    bool FWysiwyg = true;
    bool FAsText = false;
    bool FBackground = true;
    bool FFastExport = true;
    bool FpageBreaks = true;
    bool FEmptyLines = true;
    bool FExportEMF = true;
    bool FTruncateLongTexts = true;
    bool FGridLines = true;

    std::vector<double> FHeights;
    std::vector<int> FHeightUses;
    std::vector<TrptExcelNumberFormat> FNumberFormats;
    QStringList FWarnings;
    int FIgnoredErrors = 0;
    int FRows = 0, FColumns = 0; // the sheet's rows and columns in use, clipped to its size
};
