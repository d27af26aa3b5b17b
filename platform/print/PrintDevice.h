#pragma once
// One printer as a page-layout program needs it: its papers with their unprintable margins, its
// paper bins, its resolution per axis and its defaults, read from Qt Print Support; and a print
// job on it, or into a PDF file, drawn page by page through a QPainter.
//
// Bins and duplex modes use the numbering of Windows device modes, which report templates store:
// bin 7 is the automatic bin, duplex 1 simplex, 2 long edge ("vertical"), 3 short edge.

#include <QList>
#include <QMarginsF>
#include <QPageSize>
#include <QString>

#include <functional>
#include <memory>

class QPainter;
class QPrinter;

constexpr int PrinterBinAuto = 7;
constexpr int PrinterDuplexSimplex = 1;
constexpr int PrinterDuplexLongEdge = 2;
constexpr int PrinterDuplexShortEdge = 3;

struct TPrinterPaper {
    QPageSize Size;    // name, identity and portrait size
    QMarginsF Margins; // unprintable margins of the portrait page, millimetres
};

struct TPrinterBin {
    int Number = PrinterBinAuto;
    QString Name;
};

struct TPrinterDevice {
    // False when the printer could not be opened or reports no resolution.
    bool Valid = false;
    int DpiX = 0;
    int DpiY = 0;
    QList<TPrinterPaper> Papers;
    QPageSize DefaultPaper;
    bool DefaultLandscape = false;
    // Qt Print Support names no input slots of a CUPS printer, so a real printer has none here and
    // prints from its automatic bin; tests and other back ends may list some.
    QList<TPrinterBin> Bins;
    int DefaultBin = PrinterBinAuto;
    int DefaultDuplex = PrinterDuplexSimplex;
};

// Asks Qt Print Support about the printer of that name; an invalid device when the print server
// does not answer or does not know the printer.
TPrinterDevice QueryPrinterDevice(const QString& name);

// Tests describe their own printers; an empty function puts the system query back. Returns the
// query that was in force.
using TPrinterDeviceQuery = std::function<TPrinterDevice(const QString& name)>;
TPrinterDeviceQuery SetPrinterDeviceQuery(TPrinterDeviceQuery query);
// What the query in force reports for the printer.
TPrinterDevice PrinterDevice(const QString& name);

// The layout of the pages that start after it is set.
struct TPrintPage {
    QPageSize Size;
    bool Landscape = false;
    QMarginsF Margins; // unprintable margins in the page's own orientation, millimetres
    int Copies = 1;
    int Bin = PrinterBinAuto;
    int Duplex = PrinterDuplexSimplex;
};

struct TPrintJobSettings {
    QString PrinterName; // the printer; ignored when FileName is set
    QString FileName;    // a PDF file instead of the printer
    QString Title;
    int DpiX = 600;      // drawing units per inch along each axis
    int DpiY = 600;
    TPrintPage Page;
};

// A document in the making. Nothing reaches the printer or the file before the first BeginPage;
// a job destroyed before End is aborted. Drawing units are printer pixels at DpiX by DpiY with
// the origin at the printable area's top-left corner, as on a Windows printer device context.
class TPrintJob {
public:
    explicit TPrintJob(const TPrintJobSettings& settings);
    ~TPrintJob();
    TPrintJob(const TPrintJob&) = delete;
    TPrintJob& operator=(const TPrintJob&) = delete;

    // Applies to the pages begun after it.
    void SetPage(const TPrintPage& page);
    // Opens the document on the first call and starts a new sheet on later ones. Raises EPrinter
    // when the printer or the file cannot be opened.
    void BeginPage();
    void EndPage();
    // Finishes the document; a job without pages writes nothing.
    void End();
    // Discards the document.
    void Abort();

    // The painter of the open page; null outside BeginPage .. EndPage.
    QPainter* Painter() const { return FInPage ? FPainter.get() : nullptr; }
    int PageCount() const { return FPageCount; }
    bool Active() const { return FStarted && !FFinished; }

private:
    void ApplyPage();
    void SetScale();

    TPrintJobSettings FSettings;
    std::unique_ptr<QPrinter> FPrinter;
    std::unique_ptr<QPainter> FPainter;
    int FPageCount = 0;
    bool FStarted = false;
    bool FFinished = false;
    bool FInPage = false;
};

// The page-size and margin helpers the printer classes share: the margins of a landscape page
// from those of its portrait page (the sheet turned a quarter to the left: the portrait top edge
// becomes the left one).
QMarginsF LandscapeMargins(const QMarginsF& portrait);
