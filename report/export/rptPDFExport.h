#pragma once
// The PDF export filter: turns the prepared pages of a report into one PDF 1.5 file, written
// front to back in one pass. The export loop drives it: Start, then per page StartPage,
// ExportObject for each object and FinishPage, and Finish at the end.
//
// Pictures (and every object the writer does not draw with vector operators) are rasterised and
// written as JPEG image objects as soon as they are drawn; page content goes out when its page is
// finished; the page tree, the document information, the catalog, the cross-reference table and
// the trailer are written by Finish. Object 1 is always the page tree.
//
// Coordinates: report pixels (96 per inch, y down) become points (y up) by x * 0.75 and
// page height - y * 0.75.
//
// rptPDFExport.cpp holds the document; rptPDFContent.cpp the page content (graphics, pictures).

#include "platform/gfx/Graphics.h"
#include "platform/rtl/Streams.h"
#include "platform/rtti/TypInfo.h"
#include "platform/ui/UiTypes.h"
#include "report/core/rptClassBases.h"
#include "report/core/rptClassView.h"
#include "report/export/rptPDFDocument.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <memory>
#include <vector>

class TrptView;
class TrptFrame;
class TrptShapeView;
class TrptCustomMemoView;
class TrptCustomOutline;

enum TrptPDFEncBit { ePrint, eModify, eCopy, eAnnot };
KORVEL_ENUM(TrptPDFEncBit, "ePrint,eModify,eCopy,eAnnot")
KORVEL_SET(TrptPDFEncBits, TrptPDFEncBit)

// What StartPage needs of a prepared page: its size in report pixels, its margins in
// millimetres and its colour (clNone: no page fill).
struct TrptPDFPageSetup {
    double Width = 0;
    double Height = 0;
    double LeftMargin = 0;
    double TopMargin = 0;
    double RightMargin = 0;
    double BottomMargin = 0;
    TColor Color = clNone;
};

class TrptPDFExport : public TrptCustomExportFilter {
    KORVEL_CLASS(TrptPDFExport, TrptCustomExportFilter)
public:
    explicit TrptPDFExport(TComponent* AOwner = nullptr);
    ~TrptPDFExport() override;

    // "PDF file" from the string table.
    QString GetDescription() const override;
    // Takes the report's name as Title when Title is empty; with a caller's stream answers OK at
    // once, else takes Outline from the report's preview options.
    TModalResult ShowModal() override;
    // False when there is neither a file name nor a stream. Opens the output, writes the header
    // and reserves object 1 for the page tree.
    bool Start() override;
    void StartPage(TrptReportPage* Page, int Index) override;
    // The same with the page's values given directly.
    void StartPage(const TrptPDFPageSetup& Setup);
    // Views that are printable (or all with ExportNotPrintable) are written; nothing else is.
    void ExportObject(TrptComponent* Obj) override;
    void FinishPage(TrptReportPage* Page, int Index) override;
    // Page tree, information, catalog, cross references and trailer; closes the file.
    void Finish() override;

    // Properties.
    bool Compressed() const { return FCompressed; }
    void SetCompressed(bool Value) { FCompressed = Value; }
    bool EmbeddedFonts() const { return FEmbeddedFonts; }
    void SetEmbeddedFonts(bool Value) { FEmbeddedFonts = Value; }
    bool EmbedFontsIfProtected() const { return FEmbedFontsIfProtected; }
    void SetEmbedFontsIfProtected(bool Value) { FEmbedFontsIfProtected = Value; }
    bool OpenAfterExport() const { return FOpenAfterExport; }
    void SetOpenAfterExport(bool Value) { FOpenAfterExport = Value; }
    bool PrintOptimized() const { return FPrintOptimized; }
    void SetPrintOptimized(bool Value) { FPrintOptimized = Value; }
    bool Outline() const { return FOutline; }
    void SetOutline(bool Value) { FOutline = Value; }
    bool Background() const { return FBackground; }
    void SetBackground(bool Value) { FBackground = Value; }
    bool HTMLTags() const { return FHTMLTags; }
    void SetHTMLTags(bool Value) { FHTMLTags = Value; }
    int Quality() const { return FQuality; }
    void SetQuality(int Value) { FQuality = Value; }
    const QString& Title() const { return FTitle; }
    void SetTitle(const QString& Value) { FTitle = Value; }
    const QString& Author() const { return FAuthor; }
    void SetAuthor(const QString& Value) { FAuthor = Value; }
    const QString& Subject() const { return FSubject; }
    void SetSubject(const QString& Value) { FSubject = Value; }
    const QString& Keywords() const { return FKeywords; }
    void SetKeywords(const QString& Value) { FKeywords = Value; }
    const QString& Creator() const { return FCreator; }
    void SetCreator(const QString& Value) { FCreator = Value; }
    const QString& Producer() const { return FProducer; }
    void SetProducer(const QString& Value) { FProducer = Value; }
    const QByteArray& UserPassword() const { return FUserPassword; }
    void SetUserPassword(const QByteArray& Value) { FUserPassword = Value; }
    const QByteArray& OwnerPassword() const { return FOwnerPassword; }
    void SetOwnerPassword(const QByteArray& Value) { FOwnerPassword = Value; }
    TrptPDFEncBits ProtectionFlags() const { return FProtectionFlags; }
    // Also recomputes the permission value.
    void SetProtectionFlags(const TrptPDFEncBits& Value);
    bool HideToolbar() const { return FHideToolbar; }
    void SetHideToolbar(bool Value) { FHideToolbar = Value; }
    bool HideMenubar() const { return FHideMenubar; }
    void SetHideMenubar(bool Value) { FHideMenubar = Value; }
    bool HideWindowUI() const { return FHideWindowUI; }
    void SetHideWindowUI(bool Value) { FHideWindowUI = Value; }
    bool FitWindow() const { return FFitWindow; }
    void SetFitWindow(bool Value) { FFitWindow = Value; }
    bool CenterWindow() const { return FCenterWindow; }
    void SetCenterWindow(bool Value) { FCenterWindow = Value; }
    bool PrintScaling() const { return FPrintScaling; }
    void SetPrintScaling(bool Value) { FPrintScaling = Value; }

    // The permission value P of the protected document.
    qint32 EncBits() const { return FEncBits; }
    // The file identifier of the last Start: 32 lower-case hexadecimal digits.
    const QByteArray& FileID() const { return FFileID; }

    // Coordinates of the current page in points; colour and dash texts of the content writer.
    double PdfX(double x) const { return x * 0.75 + FMarginLeft; }
    double PdfY(double y) const { return (FHeight - FMarginTop) - y * 0.75; }
    // "0 0 0" for black, "1 1 1" for white, else each component / 255 with two decimals.
    const QByteArray& ColorToPDF(TColor Color);
    // "[] 0 d" for solid, double, alternating dots and square; otherwise the dash lengths.
    static QByteArray DashPattern(TrptFrameStyle Style, double Width);

protected:
    // The clock of the document dates and the GUID text of the file identifier; tests replace
    // them to get a file that is the same byte for byte.
    virtual QDateTime LocalNow() const;
    virtual QString NewGuidText() const;

private:
    // Document (rptPDFExport.cpp).
    void ClearDocument();
    int NewObjectNumber();
    // Offset of a reserved object, filled in when the object is written.
    void SetObjectOffset(int Number);
    void WriteHeader(int Number);
    void WriteRef(int Number);
    // A document string: hex UTF-16, or encrypted literal when protected.
    QByteArray TextToPDFString(const QString& Value, int ObjNumber);
    void WriteStreamData(const QByteArray& Data, int ObjNumber);

    // Security.
    void PrepareEncryption();
    QByteArray ObjectKey(int ObjNumber) const;
    QByteArray EncryptBytes(const QByteArray& Data, int ObjNumber) const;

    // Page content (rptPDFContent.cpp).
    void WritePageFill(const TrptPDFPageSetup& Setup);
    void WriteViewContent(TrptView* View);
    void WriteLineView(TrptView* View, bool ArrowStart, bool ArrowEnd, bool ArrowSolid, double ArrowLength,
                       double ArrowWidth);
    void WriteArrow(TrptView* View, double x1, double y1, double x2, double y2, double Length, double Width,
                    bool Solid);
    void WriteShape(TrptShapeView* Shape);
    void WriteRasterised(TrptView* View);
    void WriteFrame(TrptView* View);
    // The image object of JPEG data (once per page); the index in FXObjects.
    int AddPicture(const QByteArray& Jpeg, int PixelWidth, int PixelHeight);

    // Outline, links (rptPDFOutline.cpp). AddLinkForUrl drops links to pages that are not
    // exported; WriteOutline returns the outline root's number (0: none written).
    struct TObjectBox;
    void AddLinkForUrl(const QString& URL, const TObjectBox& Box);
    int WriteOutline();
    void WriteAnnots();
    // Position among the written pages of a prepared page index; -1 when it was not written.
    int WrittenPosition(int PageIndex) const;
    // Whether the export is going to write that prepared page (true when unknown).
    bool ExportablePage(int PageIndex) const;
    void ReadPageList();

    // Coordinate texts of the object being written: left, top, right, bottom in points.
    struct TObjectBox {
        double Left, Top, Right, Bottom, Width, Height;
    };
    TObjectBox BoxOf(TrptView* View) const;

    // Text objects as text in embedded fonts (rptPDFText.cpp).
    void WriteTextView(TrptCustomMemoView* Memo);
    void WriteFrameBox(TrptView* View, const TObjectBox& Box);
    TrptPDFFont* FindOrAddFont(const TFontFacePtr& Face, const QString& ReportName, bool Bold, bool Italic);
    // Adds the font to the fonts named by the page resources; its index there.
    int FindOrAddPageFont(TrptPDFFont* Font);
    void WriteFonts();
    void WriteFont(TrptPDFFont& Font);

    bool FCompressed = true;
    bool FEmbeddedFonts = true;
    bool FEmbedFontsIfProtected = true;
    bool FOpenAfterExport = false;
    bool FPrintOptimized = false;
    bool FOutline = false;
    bool FBackground = false;
    bool FHTMLTags = true;
    int FQuality = 95;
    QString FTitle;
    QString FAuthor;
    QString FSubject;
    QString FKeywords;
    QString FCreator;
    QString FProducer;
    QByteArray FUserPassword;
    QByteArray FOwnerPassword;
    TrptPDFEncBits FProtectionFlags;
    bool FHideToolbar = false;
    bool FHideMenubar = false;
    bool FHideWindowUI = false;
    bool FFitWindow = false;
    bool FCenterWindow = false;
    bool FPrintScaling = false;

    // Working state of one export.
    std::vector<std::unique_ptr<TrptPDFPage>> FPages;
    TrptCustomOutline* FPreviewOutline = nullptr;
    bool FProtection = false;
    bool FOpenTypeFonts = false; // an OpenType program went in: the file needs version 1.6
    TrptPDFWriter pdf;
    std::unique_ptr<TStream> FOwnStream;
    int FPagesNumber = 1;
    Int64 FStartXRef = 0;
    std::vector<std::unique_ptr<TrptPDFFont>> FFonts;
    std::vector<TrptPDFFont*> FPageFonts;
    std::vector<Int64> FXRef;
    std::vector<int> FPagesRef;
    double FWidth = 0, FHeight = 0;
    double FMarginLeft = 0, FMarginTop = 0;
    QByteArray FEncKey, FOPass, FUPass;
    qint32 FEncBits = -4;
    QByteArray FFileID;
    TColor FLastColor = clBlack;
    QByteArray FLastColorResult = QByteArrayLiteral("0 0 0");
    TrptPDFBuffer OutStream;
    bool FPageOpen = false;
    std::vector<TrptPDFXObject> FXObjects;
    std::vector<int> FUsedXObjects;
    TrptPDFBuffer FPageAnnots;
    std::vector<std::unique_ptr<TrptPDFAnnot>> FAnnots;
    // Prepared page index of each written page; the prepared page count (-1: not known) and
    // the page list read at Start (all pages when FPageListAll).
    std::vector<int> FPageIndexes;
    int FPreparedCount = -1;
    bool FPageListAll = true;
    std::vector<int> FPageList;
};
