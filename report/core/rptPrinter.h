#pragma once
// The report library's view of the printers: a process-wide list (GlobalPrinters) of printer
// objects, one of them current. A printer knows its papers and bins with their numbers, its
// resolution per axis, its paper size and its unprintable margins, and it runs print jobs. With
// no printer installed the list holds one virtual printer (600 DPI, the built-in paper table,
// 5 mm margins) so that page sizes can still be computed.
//
// Units: paper sizes and margins are millimetres, resolution is dots per inch per axis. Paper and
// bin numbers are those report templates store (Windows device-mode numbers): paper 256 is the
// custom size, bin 7 the automatic bin. A printer's paper that the built-in table lacks gets a
// number above 256 that depends only on the paper (PaperNumberOf), so a template saved with one
// printer finds the same paper on another.

#include "platform/gfx/Canvas.h"
#include "platform/print/PrintDevice.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Types.h"
#include "platform/rtti/TypInfo.h"
#include "report/core/rptClassOptions.h"

#include <QList>
#include <QPageSize>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class TrptCustomPrinter;

enum TPrinterOrientation { poPortrait, poLandscape };
KORVEL_ENUM(TPrinterOrientation, "poPortrait,poLandscape")

constexpr int rptCustomPaper = 256;
constexpr int rptAutoBin = 7;

// ---------------------------------------------------------------------------------------------
// The paper table

struct TPaperInfo {
    int Typ;          // paper number
    const char* Name; // shown in paper lists
    int X, Y;         // portrait width and height, tenths of a millimetre
};
constexpr int PaperInfoCount = 66;
extern const TPaperInfo PaperInfoTable[PaperInfoCount];

// Portrait width and height in millimetres of the table's paper of that number; false when the
// table has no such paper (256 and the printer-specific numbers included).
bool PaperSizeDimensions(int PaperSize, double& Width, double& Height);

// The number of a printer's paper: its Windows number when the table has it, else a number above
// 256 made from the paper's standard identity (Qt's page-size id) or, for a paper only its printer
// names, from its size in tenths of a millimetre.
int PaperNumberOf(const QPageSize& size);

// ---------------------------------------------------------------------------------------------
// The printer

// A paper or bin in a printer's list: its name and number.
struct TrptPrinterItem {
    QString Name;
    int Number = 0;
    bool operator==(const TrptPrinterItem&) const = default;
};
using TrptPrinterItems = QList<TrptPrinterItem>;

// The canvas a printer draws on: between BeginPage and EndPage it paints on the job's page. Its
// font's pixels per inch follow the printer's vertical resolution, so a size in points gives the
// height the printer needs.
class TrptPrinterCanvas : public TCanvas {
public:
    explicit TrptPrinterCanvas(TrptCustomPrinter* printer);
    TrptCustomPrinter* Printer() const { return FPrinter; }
    // Brings the font's pixels per inch to the printer's vertical resolution, keeping its size.
    void UpdateFont();

private:
    TrptCustomPrinter* FPrinter;
    TNotifyEvent FCanvasFontChanged;
};

// Device-mode field flags: which fields of TrptDeviceMode a job applies.
constexpr unsigned rptDM_ORIENTATION = 0x00000001;
constexpr unsigned rptDM_PAPERSIZE = 0x00000002;
constexpr unsigned rptDM_PAPERLENGTH = 0x00000004;
constexpr unsigned rptDM_PAPERWIDTH = 0x00000008;
constexpr unsigned rptDM_COPIES = 0x00000100;
constexpr unsigned rptDM_DEFAULTSOURCE = 0x00000200;
constexpr unsigned rptDM_DUPLEX = 0x00001000;

// The settings a real printer's next page is printed with.
struct TrptDeviceMode {
    unsigned Fields = 0;
    int Orientation = 1;   // 1 portrait, 2 landscape
    int PaperSize = 9;
    int PaperLength = 0;   // custom paper, tenths of a millimetre; 0 for a listed paper
    int PaperWidth = 0;
    int Copies = 1;
    int DefaultSource = rptAutoBin;
    int Duplex = 1;        // 1 simplex, 2 long edge, 3 short edge
};

class TrptCustomPrinter : public TObject {
public:
    // Bins: one entry, "prDefault" with 7; papers: one entry, "prCustom" with 256.
    TrptCustomPrinter(const QString& AName, const QString& APort);
    ~TrptCustomPrinter() override;

    // Reads the device once; does nothing after it succeeded.
    virtual void Init() = 0;
    virtual void Abort() = 0;
    virtual void BeginDoc() = 0;
    virtual void BeginPage() = 0;
    virtual void BeginRAWDoc() = 0;
    virtual void EndDoc() = 0;
    virtual void EndPage() = 0;
    virtual void EndRAWDoc() = 0;
    virtual void WriteRAWDoc(const QByteArray& buf) = 0;
    // Page metrics without a job. APaperSize 256 takes APaperWidth and APaperHeight (mm, in the
    // given orientation); any other number takes the printer's size of that paper.
    virtual void SetViewParams(int APaperSize, double APaperWidth, double APaperHeight,
                               TPrinterOrientation AOrientation) = 0;
    // The settings of the pages that follow in a job.
    virtual void SetPrintParams(int APaperSize, double APaperWidth, double APaperHeight,
                                TPrinterOrientation AOrientation, int ABin, TrptDuplexMode ADuplex,
                                int ACopies) = 0;
    virtual void PropertiesDlg() = 0;

    // Position of the entry with that number, -1 when absent.
    int BinIndex(int ABin) const;
    int PaperIndex(int APaper) const;
    // Number of the entry of that name (ignoring case); the first entry's number (7, 256) when the
    // name is not listed.
    int BinNameToNumber(const QString& ABin) const;
    int PaperNameToNumber(const QString& APaper) const;
    // Name of the entry with that number, empty when absent.
    QString BinName(int ABin) const;
    QString PaperName(int APaper) const;
    // Number of the first paper of that size, in either orientation, within half a millimetre;
    // 256 when the printer has none.
    int PaperBySize(double AWidth, double AHeight) const;
    // The paper a template names: the printer's paper of that number, else of that size, else the
    // custom paper 256.
    int FindPaper(int APaper, double AWidth, double AHeight) const;
    // Portrait size of a listed paper, mm; false for 256 and numbers the printer lacks.
    bool PaperDimensions(int APaper, double& Width, double& Height) const;

    int Bin() const { return FBin; }
    int Duplex() const { return FDuplex; }
    const TrptPrinterItems& Bins() const { return FBins; }
    QStringList BinNames() const;
    TrptPrinterCanvas* Canvas() const { return FCanvas.get(); }
    TPrinterOrientation DefOrientation() const { return FDefOrientation; }
    int DefPaper() const { return FDefPaper; }
    double DefPaperHeight() const { return FDefPaperHeight; }
    double DefPaperWidth() const { return FDefPaperWidth; }
    int DefDuplex() const { return FDefDuplex; }
    int DefBin() const { return FDefBin; }
    TPoint DPI() const { return FDPI; }
    const QString& FileName() const { return FFileName; }
    void SetFileName(const QString& value) { FFileName = value; }
    bool Initialized() const { return FInitialized; }
    const QString& Name() const { return FName; }
    int Paper() const { return FPaper; }
    const TrptPrinterItems& Papers() const { return FPapers; }
    QStringList PaperNames() const;
    double PaperHeight() const { return FPaperHeight; }
    double PaperWidth() const { return FPaperWidth; }
    double LeftMargin() const { return FLeftMargin; }
    double TopMargin() const { return FTopMargin; }
    double RightMargin() const { return FRightMargin; }
    double BottomMargin() const { return FBottomMargin; }
    TPrinterOrientation Orientation() const { return FOrientation; }
    const QString& Port() const { return FPort; }
    bool Printing() const { return FPrinting; }
    const QString& Title() const { return FTitle; }
    void SetTitle(const QString& value) { FTitle = value; }

protected:
    // Portrait sizes of the listed papers, in the order of FPapers (the custom entry has none).
    struct TPaperSize {
        int Number;
        double Width, Height;
    };

    int FBin = -1;
    int FDuplex = -1;
    TrptPrinterItems FBins;
    std::unique_ptr<TrptPrinterCanvas> FCanvas;
    TPrinterOrientation FDefOrientation = poPortrait;
    int FDefPaper = 0;
    double FDefPaperHeight = 0;
    double FDefPaperWidth = 0;
    int FDefDuplex = 0;
    int FDefBin = 0;
    TPoint FDPI;
    QString FFileName;
    bool FInitialized = false;
    QString FName;
    int FPaper = 0;
    TrptPrinterItems FPapers;
    std::vector<TPaperSize> FPaperSizes;
    double FPaperHeight = 0, FPaperWidth = 0;
    double FLeftMargin = 0, FTopMargin = 0, FRightMargin = 0, FBottomMargin = 0;
    TPrinterOrientation FOrientation = poPortrait;
    QString FPort;
    bool FPrinting = false;
    QString FTitle;
};

// A printer of the printing system.
class TrptPrinter : public TrptCustomPrinter {
public:
    TrptPrinter(const QString& AName, const QString& APort);
    ~TrptPrinter() override;

    void Init() override;
    void Abort() override;
    void BeginDoc() override;
    void BeginPage() override;
    void BeginRAWDoc() override;
    void EndDoc() override;
    void EndPage() override;
    void EndRAWDoc() override;
    void WriteRAWDoc(const QByteArray& buf) override;
    void SetViewParams(int APaperSize, double APaperWidth, double APaperHeight,
                       TPrinterOrientation AOrientation) override;
    void SetPrintParams(int APaperSize, double APaperWidth, double APaperHeight,
                        TPrinterOrientation AOrientation, int ABin, TrptDuplexMode ADuplex,
                        int ACopies) override;
    // The printing system's setup dialog for this printer; confirmed, the device is read again.
    void PropertiesDlg() override;

    // Starts the page settings over from the device (after the device mode changed).
    void RecreateDC();
    // DPI, paper size and margins from the device and the device mode; false (with the message
    // "Printer selected is not valid") when the device reports no resolution.
    bool UpdateDeviceCaps();

    const TrptDeviceMode& DeviceMode() const { return FMode; }
    // The open job, or null.
    TPrintJob* Job() const { return FJob.get(); }

private:
    // The device's paper of that number, or null.
    const TPrinterPaper* DevicePaper(int number) const;
    TPrintPage CurrentPage() const;

    TPrinterDevice FDevice;
    bool FDeviceRead = false;
    TrptDeviceMode FMode;
    QPageSize FPageSize; // the paper of the device mode, portrait
    std::unique_ptr<TPrintJob> FJob;
    bool FPageSettingsChanged = false;
    QByteArray FRawData;
    bool FRawOpen = false;
};

// The stand-in when no printer is installed: 600 DPI, the paper table, 5 mm margins; jobs do
// nothing.
class TrptVirtualPrinter : public TrptCustomPrinter {
public:
    using TrptCustomPrinter::TrptCustomPrinter;

    void Init() override;
    void Abort() override {}
    void BeginDoc() override {}
    void BeginPage() override {}
    void BeginRAWDoc() override {}
    void EndDoc() override {}
    void EndPage() override {}
    void EndRAWDoc() override {}
    void WriteRAWDoc(const QByteArray&) override {}
    void SetViewParams(int APaperSize, double APaperWidth, double APaperHeight,
                       TPrinterOrientation AOrientation) override;
    void SetPrintParams(int APaperSize, double APaperWidth, double APaperHeight,
                        TPrinterOrientation AOrientation, int ABin, TrptDuplexMode ADuplex,
                        int ACopies) override;
    void PropertiesDlg() override {}
};

// ---------------------------------------------------------------------------------------------
// The list

class TrptPrinters : public TObject {
public:
    // Fills the list; with printers, the default one is current (the first when the default is
    // not listed); without, one virtual printer named by "prVirtual" is.
    TrptPrinters();
    ~TrptPrinters() override;

    void Clear();
    // One TrptPrinter per installed printer, in the system's order.
    void FillPrinters();
    // The printer at Index; null outside the list.
    TrptCustomPrinter* GetItem(int Index) const;
    TrptCustomPrinter* operator[](int Index) const { return GetItem(Index); }
    // Position of the printer of that name (ignoring case, locale-aware); -1 when absent.
    int IndexOf(const QString& AName) const;
    int Count() const { return static_cast<int>(FPrinterList.size()); }

    bool HasPhysicalPrinters() const { return FHasPhysicalPrinters; }
    // Names of the real printers, in list order; empty with the virtual printer.
    const QStringList& Printers() const { return FPrinters; }
    int PrinterIndex() const { return FPrinterIndex; }
    // -1 selects the default printer (-1 when it is not listed). The printer that becomes current
    // is initialised. A position outside the list raises EPrinter and changes nothing.
    void SetPrinterIndex(int Value);
    // The current printer; null when PrinterIndex is -1.
    TrptCustomPrinter* Printer() const { return GetCurrentPrinter(); }
    TrptCustomPrinter* GetCurrentPrinter() const { return GetItem(FPrinterIndex); }

private:
    int DefaultIndex() const;

    bool FHasPhysicalPrinters = false;
    QStringList FPrinters;
    int FPrinterIndex = -1;
    std::vector<std::unique_ptr<TrptCustomPrinter>> FPrinterList;
    QString FDefaultName;
};

// The process-wide list, created on the first call.
TrptPrinters* GlobalPrinters();
// Frees the list (at program end, or when a test changes the printers); the next GlobalPrinters
// makes a fresh one.
void FreeGlobalPrinters();
