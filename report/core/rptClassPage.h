#pragma once
// The pages of a report, its direct children. TrptPage is their common base; TrptReportPage is a
// printable page with paper, orientation, margins, columns, a background picture and bands as
// children; TrptDataPage holds the report's datasets and database components and never prints.
//
// Paper measures (paper size, margins, column width and positions) are millimetres; one
// millimetre is rptMMFactor pixels. The page's own Width and Height are the paper in pixels;
// everything on the page is positioned in pixels relative to the printable area inside the
// margins.
//
// Paper numbers are those the printer interface uses (rptPrinter.h): the table's Windows numbers,
// 256 for a size of the template's own, and stable numbers above 256 for papers only a printer
// knows; for those the page's PaperWidth and PaperHeight carry the size.

#include "platform/rtl/StringList.h"
#include "report/core/rptClassBand.h"
#include "report/core/rptClassComponent.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassPicture.h"
#include "report/core/rptPrinter.h"

#include <QString>

#include <memory>

class TPicture;
class TrptDataSet;
class TrptFrame;
class TrptSubreport;

// Pixels per millimetre in every paper measure (not 96 / 25.4).
inline constexpr double rptMMFactor = 3.77953;

// The most columns a page takes; more would only fill memory with column positions.
inline constexpr int rptMaxPageColumns = 1000;

// A page setting that cannot describe a page (paper of no size, a column count no page holds).
KORVEL_EXCEPTION(EInvalidPageSetting, Exception)

class TrptPage : public TrptComponent {
    KORVEL_CLASS(TrptPage, TrptComponent)
public:
    explicit TrptPage(TComponent* AOwner = nullptr);
    ~TrptPage() override;

    TrptPage* AsPage() override { return this; }
    // Dot-matrix pages answer True; their bands snap to the character grid.
    virtual bool IsDotMatrix() const { return false; }
};

class TrptReportPage : public TrptPage {
    KORVEL_CLASS(TrptReportPage, TrptPage)
public:
    // A4 portrait, no margins, bins 7, printed when empty, title before header, one copy.
    explicit TrptReportPage(TComponent* AOwner = nullptr);
    // The subreport that printed the page no longer names it.
    ~TrptReportPage() override;

    // "obRepPage".
    QString GetDescription() const override;
    // Width and Height become the printable area, the views and bands are aligned to it (bands
    // of a page with columns to the column width), then the bounds are the whole paper again.
    void AlignChildren() override;
    // The background picture, sized to the printable area and drawn inside the margins when
    // BackPictureVisible is set (and, while printing, BackPicturePrintable).
    void Draw(TCanvas* Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY);

    // Margins of 10 mm and the current printer's default paper and orientation; for pages made
    // for a new report.
    virtual void SetDefaults();
    // Set the paper to a size of the template's own (PaperSize 256); rounded to 8 decimals.
    // A size that is not above 0 mm raises EInvalidPageSetting and changes nothing.
    virtual void SetPaperHeight(double Value);
    virtual void SetPaperWidth(double Value);
    // Below 256 the paper table gives the size (turned for landscape); an unknown number keeps
    // the size; from 256 on only the number is stored.
    virtual void SetPaperSize(int Value);
    // All three at once, without the table or the orientation.
    void SetSizeAndDimensions(int ASize, double AWidth, double AHeight);

    // The first child that is an instance of BandClass (descendants included), or null.
    TrptBand* FindBand(const TClassInfo* BandClass) const;
    template <class Band> Band* FindBand() const {
        return static_cast<Band*>(FindBand(Band::StaticClassInfo()));
    }

    // Paper.
    TPrinterOrientation Orientation() const { return FOrientation; }
    // Turning the page swaps the paper's sides and turns the margins with it.
    virtual void SetOrientation(TPrinterOrientation Value);
    double PaperWidth() const { return FPaperWidth; }
    double PaperHeight() const { return FPaperHeight; }
    int PaperSize() const { return FPaperSize; }
    double LeftMargin() const { return FLeftMargin; }
    void SetLeftMargin(double Value) { FLeftMargin = Value; }
    double RightMargin() const { return FRightMargin; }
    void SetRightMargin(double Value) { FRightMargin = Value; }
    double TopMargin() const { return FTopMargin; }
    void SetTopMargin(double Value) { FTopMargin = Value; }
    double BottomMargin() const { return FBottomMargin; }
    void SetBottomMargin(double Value) { FBottomMargin = Value; }
    bool MirrorMargins() const { return FMirrorMargins; }
    void SetMirrorMargins(bool Value) { FMirrorMargins = Value; }
    // The paper inside the margins, in millimetres and in pixels; never below 0, so margins
    // wider than the paper leave an empty printable area instead of a negative one.
    double PrintableWidthMM() const;
    double PrintableHeightMM() const;
    double PrintableWidth() const { return PrintableWidthMM() * rptMMFactor; }
    double PrintableHeight() const { return PrintableHeightMM() * rptMMFactor; }

    // Columns of the page. Setting Columns divides the printable width evenly: ColumnWidth and
    // one position per column ("0", then multiples of the width, in the user's number format).
    // A count above rptMaxPageColumns raises EInvalidPageSetting.
    int Columns() const { return FColumns; }
    void SetColumns(int Value);
    double ColumnWidth() const { return FColumnWidth; }
    void SetColumnWidth(double Value) { FColumnWidth = Value; }
    TStrings* ColumnPositions() const { return FColumnPositions.get(); }
    void SetColumnPositions(TStrings* Value);
    // The left offset in millimetres of a column (1-based): its position text when there is a
    // readable one, else (Column - 1) * ColumnWidth; so templates whose positions were edited
    // by hand never send the engine outside the list.
    double ColumnOffsetMM(int Column) const;

    int Bin() const { return FBin; }
    void SetBin(int Value) { FBin = Value; }
    int BinOtherPages() const { return FBinOtherPages; }
    void SetBinOtherPages(int Value) { FBinOtherPages = Value; }
    TrptDuplexMode Duplex() const { return FDuplex; }
    void SetDuplex(TrptDuplexMode Value) { FDuplex = Value; }

    // The background: picture, fill colour and frame are those of the owned picture object.
    TrptPictureView* BackPictureObject() const { return FBackPicture.get(); }
    TPicture* BackPicture() const;
    void SetBackPicture(TPicture* Value);
    TColor Color() const;
    void SetColor(TColor Value);
    TrptFrame* Frame() const;
    void SetFrame(TrptFrame* Value);
    bool BackPictureVisible() const { return FBackPictureVisible; }
    void SetBackPictureVisible(bool Value) { FBackPictureVisible = Value; }
    bool BackPicturePrintable() const { return FBackPicturePrintable; }
    void SetBackPicturePrintable(bool Value) { FBackPicturePrintable = Value; }

    // Data.
    TrptDataSet* DataSet() const { return FDataSet; }
    void SetDataSet(TrptDataSet* Value);
    QString DataSetName() const;
    void SetDataSetName(const QString& Value);
    int PageCount() const { return FPageCount; }
    // Values of 0 or less are ignored.
    void SetPageCount(int Value);

    // Flags.
    bool EndlessHeight() const { return FEndlessHeight; }
    void SetEndlessHeight(bool Value) { FEndlessHeight = Value; }
    bool EndlessWidth() const { return FEndlessWidth; }
    void SetEndlessWidth(bool Value) { FEndlessWidth = Value; }
    bool LargeDesignHeight() const { return FLargeDesignHeight; }
    void SetLargeDesignHeight(bool Value) { FLargeDesignHeight = Value; }
    const QString& OutlineText() const { return FOutlineText; }
    void SetOutlineText(const QString& Value) { FOutlineText = Value; }
    bool PrintIfEmpty() const { return FPrintIfEmpty; }
    void SetPrintIfEmpty(bool Value) { FPrintIfEmpty = Value; }
    bool PrintOnPreviousPage() const { return FPrintOnPreviousPage; }
    void SetPrintOnPreviousPage(bool Value) { FPrintOnPreviousPage = Value; }
    bool ResetPageNumbers() const { return FResetPageNumbers; }
    void SetResetPageNumbers(bool Value) { FResetPageNumbers = Value; }
    bool TitleBeforeHeader() const { return FTitleBeforeHeader; }
    void SetTitleBeforeHeader(bool Value) { FTitleBeforeHeader = Value; }

    // Designer guide lines.
    TStrings* HGuides() const { return FHGuides.get(); }
    void SetHGuides(TStrings* Value);
    TStrings* VGuides() const { return FVGuides.get(); }
    void SetVGuides(TStrings* Value);
    void ClearGuides();

    // Script event names.
    const QString& OnAfterPrint() const { return FOnAfterPrint; }
    void SetOnAfterPrint(const QString& Value) { FOnAfterPrint = Value; }
    const QString& OnBeforePrint() const { return FOnBeforePrint; }
    void SetOnBeforePrint(const QString& Value) { FOnBeforePrint = Value; }
    const QString& OnManualBuild() const { return FOnManualBuild; }
    void SetOnManualBuild(const QString& Value) { FOnManualBuild = Value; }

    // The subreport that prints this page (none for a page printed by itself).
    TrptSubreport* SubReport() const { return FSubReport; }
    void SetSubReport(TrptSubreport* Value) { FSubReport = Value; }
    bool IsSubReport() const { return FSubReport != nullptr; }

    // The band tree the engine builds: top-level data bands, horizontal and vertical.
    TrptBandList& SubBands() { return FSubBands; }
    TrptBandList& VSubBands() { return FVSubBands; }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    // Width and Height from the paper, in whole pixels.
    void UpdateDimensions();

private:
    void BindDataSet(TrptDataSet* Value);
    static void CheckPaperMeasure(double Value, const char* What);

    std::unique_ptr<TrptPictureView> FBackPicture;
    int FBin = rptAutoBin;
    int FBinOtherPages = rptAutoBin;
    double FBottomMargin = 0;
    int FColumns = 0;
    double FColumnWidth = 0;
    std::unique_ptr<TStringList> FColumnPositions;
    TrptDataSet* FDataSet = nullptr;
    TrptDuplexMode FDuplex = dmNone;
    bool FEndlessHeight = false;
    bool FEndlessWidth = false;
    std::unique_ptr<TStringList> FHGuides;
    bool FLargeDesignHeight = false;
    double FLeftMargin = 0;
    bool FMirrorMargins = false;
    TPrinterOrientation FOrientation = poPortrait;
    QString FOutlineText;
    bool FPrintIfEmpty = true;
    bool FPrintOnPreviousPage = false;
    bool FResetPageNumbers = false;
    double FRightMargin = 0;
    TrptSubreport* FSubReport = nullptr;
    bool FTitleBeforeHeader = true;
    double FTopMargin = 0;
    std::unique_ptr<TStringList> FVGuides;
    QString FOnAfterPrint;
    QString FOnBeforePrint;
    QString FOnManualBuild;
    QString FDataSetName;
    bool FBackPictureVisible = true;
    bool FBackPicturePrintable = true;
    int FPageCount = 1;
    double FPaperHeight = 0;
    int FPaperSize = 0;
    double FPaperWidth = 0;
    TrptBandList FSubBands;
    TrptBandList FVSubBands;
};

// A page that holds datasets and database components; it never prints.
class TrptDataPage : public TrptPage {
    KORVEL_CLASS(TrptDataPage, TrptPage)
public:
    // 1000 by 1000 pixels.
    explicit TrptDataPage(TComponent* AOwner = nullptr);
    // "obDataPage".
    QString GetDescription() const override;
};

// Registers the page classes, the band classes and the subreport for templates (once per
// process).
void RegisterPageClasses();
