#include "report/core/rptPrinter.h"

#include "platform/print/PrintServer.h"
#include "platform/print/Printers.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TextCase.h"
#include "platform/ui/UIServices.h"
#include "report/core/rptRes.h"
#include "report/core/rptUtils.h"

#include <QPainter>
#include <QProcess>

#include <cmath>

namespace {

const QString NotValidText = QStringLiteral("Printer selected is not valid");
const QString DefaultDocumentTitle = QStringLiteral("Rozo Zodeva Document");

// Whole millimetres as the device reports them.
double WholeMillimetres(double value) {
    return static_cast<double>(Round(value));
}

int IndexOfNumber(const TrptPrinterItems& items, int number) {
    for (int i = 0; i < items.size(); ++i)
        if (items[i].Number == number) return i;
    return -1;
}

int NumberOfName(const TrptPrinterItems& items, const QString& name) {
    for (const TrptPrinterItem& item : items)
        if (AnsiSameText(item.Name, name)) return item.Number;
    return items.isEmpty() ? 0 : items.first().Number;
}

QStringList NamesOf(const TrptPrinterItems& items) {
    QStringList names;
    names.reserve(items.size());
    for (const TrptPrinterItem& item : items) names << item.Name;
    return names;
}

} // namespace

// =============================================================================================
// Canvas

TrptPrinterCanvas::TrptPrinterCanvas(TrptCustomPrinter* printer) : FPrinter(printer) {
    FCanvasFontChanged = Font().OnChange;
    Font().OnChange = [this](TObject* sender) {
        if (FCanvasFontChanged) FCanvasFontChanged(sender);
        UpdateFont();
    };
    OnBeforePaint = [this](bool) { UpdateFont(); };
}

void TrptPrinterCanvas::UpdateFont() {
    const int resolution = FPrinter ? FPrinter->DPI().Y : 0;
    if (resolution <= 0 || Font().PixelsPerInch() == resolution) return;
    const int size = Font().Size();
    Font().SetPixelsPerInch(resolution);
    Font().SetSize(size);
}

// =============================================================================================
// Printer base

TrptCustomPrinter::TrptCustomPrinter(const QString& AName, const QString& APort)
    : FName(AName), FPort(APort) {
    FBins.append({GlobalResources()->Get(QStringLiteral("prDefault")), rptAutoBin});
    FPapers.append({GlobalResources()->Get(QStringLiteral("prCustom")), rptCustomPaper});
    FCanvas = std::make_unique<TrptPrinterCanvas>(this);
}

TrptCustomPrinter::~TrptCustomPrinter() = default;

int TrptCustomPrinter::BinIndex(int ABin) const {
    return IndexOfNumber(FBins, ABin);
}

int TrptCustomPrinter::PaperIndex(int APaper) const {
    return IndexOfNumber(FPapers, APaper);
}

int TrptCustomPrinter::BinNameToNumber(const QString& ABin) const {
    return NumberOfName(FBins, ABin);
}

int TrptCustomPrinter::PaperNameToNumber(const QString& APaper) const {
    return NumberOfName(FPapers, APaper);
}

QString TrptCustomPrinter::BinName(int ABin) const {
    const int i = BinIndex(ABin);
    return i < 0 ? QString() : FBins[i].Name;
}

QString TrptCustomPrinter::PaperName(int APaper) const {
    const int i = PaperIndex(APaper);
    return i < 0 ? QString() : FPapers[i].Name;
}

QStringList TrptCustomPrinter::BinNames() const {
    return NamesOf(FBins);
}

QStringList TrptCustomPrinter::PaperNames() const {
    return NamesOf(FPapers);
}

int TrptCustomPrinter::PaperBySize(double AWidth, double AHeight) const {
    constexpr double tolerance = 0.5;
    auto same = [](double a, double b) { return std::fabs(a - b) <= tolerance; };
    for (const TPaperSize& p : FPaperSizes)
        if ((same(p.Width, AWidth) && same(p.Height, AHeight)) || (same(p.Width, AHeight) && same(p.Height, AWidth)))
            return p.Number;
    return rptCustomPaper;
}

int TrptCustomPrinter::FindPaper(int APaper, double AWidth, double AHeight) const {
    if (APaper != rptCustomPaper && PaperIndex(APaper) >= 0) return APaper;
    return PaperBySize(AWidth, AHeight);
}

bool TrptCustomPrinter::PaperDimensions(int APaper, double& Width, double& Height) const {
    for (const TPaperSize& p : FPaperSizes)
        if (p.Number == APaper) {
            Width = p.Width;
            Height = p.Height;
            return true;
        }
    return false;
}

// =============================================================================================
// Printer of the printing system

TrptPrinter::TrptPrinter(const QString& AName, const QString& APort) : TrptCustomPrinter(AName, APort) {}

TrptPrinter::~TrptPrinter() {
    FCanvas->SetPainter(nullptr);
}

const TPrinterPaper* TrptPrinter::DevicePaper(int number) const {
    for (const TPrinterPaper& paper : FDevice.Papers)
        if (PaperNumberOf(paper.Size) == number) return &paper;
    return nullptr;
}

void TrptPrinter::Init() {
    if (FInitialized) return;
    FDevice = PrinterDevice(FName);
    if (!FDevice.Valid) return;

    FMode = TrptDeviceMode();
    if (FDevice.DefaultPaper.isValid())
        FMode.PaperSize = PaperNumberOf(FDevice.DefaultPaper);
    else if (!FDevice.Papers.isEmpty())
        FMode.PaperSize = PaperNumberOf(FDevice.Papers.first().Size);
    FMode.Orientation = FDevice.DefaultLandscape ? 2 : 1;
    FMode.DefaultSource = FDevice.DefaultBin;
    FMode.Duplex = FDevice.DefaultDuplex;

    RecreateDC();
    if (!UpdateDeviceCaps()) {
        FDevice = TPrinterDevice();
        return;
    }
    FDefPaper = FMode.PaperSize;
    FDefBin = FMode.DefaultSource;
    FDefDuplex = FMode.Duplex;
    FPaper = FDefPaper;
    FDefPaperWidth = FPaperWidth;
    FDefPaperHeight = FPaperHeight;
    FDefOrientation = FMode.Orientation == 1 ? poPortrait : poLandscape;
    FOrientation = FDefOrientation;

    // A paper whose number is already listed (two names of one size) is left out, so a number
    // always means one paper.
    for (const TPrinterPaper& paper : FDevice.Papers) {
        const int number = PaperNumberOf(paper.Size);
        if (number == rptCustomPaper || PaperIndex(number) >= 0) continue;
        FPapers.append({paper.Size.name(), number});
        const QSizeF size = paper.Size.size(QPageSize::Millimeter);
        FPaperSizes.push_back({number, size.width(), size.height()});
    }
    for (const TPrinterBin& bin : FDevice.Bins)
        if (bin.Number != rptAutoBin && BinIndex(bin.Number) < 0) FBins.append({bin.Name, bin.Number});

    FBin = -1;
    FDuplex = -1;
    FInitialized = true;
}

void TrptPrinter::RecreateDC() {
    // Qt keeps no device context between jobs: the settings are applied when a page starts, so
    // only the canvas's font needs to follow the device.
    FPageSettingsChanged = true;
    FCanvas->UpdateFont();
}

bool TrptPrinter::UpdateDeviceCaps() {
    FDPI = TPoint(FDevice.DpiX, FDevice.DpiY);
    if (FDPI.X == 0 || FDPI.Y == 0) {
        ShowErrorMessage(NotValidText);
        return false;
    }
    const TPrinterPaper* a4 = DevicePaper(9);
    const TPrinterPaper* fallback = a4 ? a4 : (FDevice.Papers.isEmpty() ? nullptr : &FDevice.Papers.first());
    QPageSize pageSize;
    QMarginsF margins;
    const unsigned customFields = rptDM_PAPERLENGTH | rptDM_PAPERWIDTH;
    double width = 0, height = 0;
    if (FMode.PaperSize == rptCustomPaper && (FMode.Fields & customFields) == customFields &&
        FMode.PaperLength > 0 && FMode.PaperWidth > 0) {
        pageSize = QPageSize(QSizeF(FMode.PaperWidth / 10.0, FMode.PaperLength / 10.0), QPageSize::Millimeter,
                             QString(), QPageSize::ExactMatch);
        if (fallback) margins = fallback->Margins;
    } else if (const TPrinterPaper* paper = DevicePaper(FMode.PaperSize)) {
        pageSize = paper->Size;
        margins = paper->Margins;
    } else if (PaperSizeDimensions(FMode.PaperSize, width, height)) {
        // A paper the printer does not list: its size, with the margins the printer gives A4.
        pageSize = QPageSize(QSizeF(width, height), QPageSize::Millimeter);
        if (fallback) margins = fallback->Margins;
    } else {
        const TPrinterPaper* byDefault = DevicePaper(PaperNumberOf(FDevice.DefaultPaper));
        if (!byDefault) byDefault = fallback;
        if (byDefault) {
            pageSize = byDefault->Size;
            margins = byDefault->Margins;
        } else {
            pageSize = QPageSize(QPageSize::A4);
        }
    }
    QSizeF size = pageSize.size(QPageSize::Millimeter);
    if (FMode.Orientation == 2) {
        size.transpose();
        margins = LandscapeMargins(margins);
    }
    FPageSize = pageSize;
    FPaperWidth = WholeMillimetres(size.width());
    FPaperHeight = WholeMillimetres(size.height());
    FLeftMargin = WholeMillimetres(margins.left());
    FTopMargin = WholeMillimetres(margins.top());
    FRightMargin = FPaperWidth - WholeMillimetres(size.width() - margins.left() - margins.right()) - FLeftMargin;
    FBottomMargin = FPaperHeight - WholeMillimetres(size.height() - margins.top() - margins.bottom()) - FTopMargin;
    FCanvas->UpdateFont();
    return true;
}

void TrptPrinter::SetViewParams(int APaperSize, double APaperWidth, double APaperHeight,
                                TPrinterOrientation AOrientation) {
    if (APaperSize == rptCustomPaper) {
        SetViewParams(9, 0, 0, AOrientation);
        FPaperWidth = APaperWidth;
        FPaperHeight = APaperHeight;
    } else {
        FMode.Fields = rptDM_ORIENTATION | rptDM_PAPERSIZE;
        FMode.PaperSize = APaperSize;
        FMode.Orientation = AOrientation == poLandscape ? 2 : 1;
        RecreateDC();
        if (!UpdateDeviceCaps()) return;
    }
    FPaper = APaperSize;
    FOrientation = AOrientation;
}

void TrptPrinter::SetPrintParams(int APaperSize, double APaperWidth, double APaperHeight,
                                 TPrinterOrientation AOrientation, int ABin, TrptDuplexMode ADuplex,
                                 int ACopies) {
    FMode.Fields |= rptDM_ORIENTATION | rptDM_PAPERSIZE | rptDM_COPIES | rptDM_DEFAULTSOURCE;
    if (APaperSize == rptCustomPaper) {
        FMode.Fields |= rptDM_PAPERLENGTH | rptDM_PAPERWIDTH;
        // Length and width of the portrait sheet.
        const double length = AOrientation == poLandscape ? APaperWidth : APaperHeight;
        const double width = AOrientation == poLandscape ? APaperHeight : APaperWidth;
        FMode.PaperLength = static_cast<int>(Round(length * 10));
        FMode.PaperWidth = static_cast<int>(Round(width * 10));
    } else {
        FMode.PaperLength = 0;
        FMode.PaperWidth = 0;
    }
    FMode.PaperSize = APaperSize;
    FMode.Orientation = AOrientation == poLandscape ? 2 : 1;
    // The copy count belongs to the job: set before it begins, kept until it ends (a device
    // cannot change it while a document is open).
    if (!FPrinting) FMode.Copies = ACopies;

    int bin = ABin;
    if (bin == rptAutoBin) bin = FBin != -1 ? FBin : FDefBin;
    FMode.DefaultSource = bin;

    int duplex = ADuplex == dmNone ? FDefDuplex : static_cast<int>(ADuplex) + 1;
    if (duplex == 4) duplex = 1;
    if (FDuplex != -1) duplex = FDuplex;
    if (duplex != 1) FMode.Fields |= rptDM_DUPLEX;
    FMode.Duplex = duplex;

    RecreateDC();
    if (UpdateDeviceCaps()) {
        FPaper = APaperSize;
        FOrientation = AOrientation;
    }
}

TPrintPage TrptPrinter::CurrentPage() const {
    TPrintPage page;
    page.Size = FPageSize.isValid() ? FPageSize : QPageSize(QPageSize::A4);
    page.Landscape = FMode.Orientation == 2;
    page.Margins = QMarginsF(FLeftMargin, FTopMargin, FRightMargin, FBottomMargin);
    page.Copies = FMode.Copies;
    page.Bin = FMode.DefaultSource;
    page.Duplex = FMode.Duplex;
    return page;
}

void TrptPrinter::BeginDoc() {
    FPrinting = true;
    TPrintJobSettings settings;
    settings.PrinterName = FName;
    settings.FileName = FFileName;
    settings.Title = FTitle.isEmpty() ? DefaultDocumentTitle : FTitle;
    settings.DpiX = FDPI.X;
    settings.DpiY = FDPI.Y;
    settings.Page = CurrentPage();
    try {
        FJob = std::make_unique<TPrintJob>(settings);
    } catch (...) {
        FPrinting = false;
        throw;
    }
    FPageSettingsChanged = false;
    FCanvas->UpdateFont();
}

void TrptPrinter::BeginPage() {
    if (!FJob) throw EPrinter(QStringLiteral("No document is open on \"%1\"").arg(FName));
    if (FPageSettingsChanged) {
        FJob->SetPage(CurrentPage());
        FPageSettingsChanged = false;
    }
    FJob->BeginPage();
    FCanvas->SetPainter(FJob->Painter());
    FCanvas->UpdateFont();
}

void TrptPrinter::EndPage() {
    FCanvas->SetPainter(nullptr);
    if (FJob) FJob->EndPage();
}

void TrptPrinter::EndDoc() {
    FCanvas->SetPainter(nullptr);
    if (FJob) {
        try {
            FJob->End();
        } catch (const Exception&) {
            // Ending a document that the device already gave up is not reported again.
        }
        FJob.reset();
    }
    FPrinting = false;
    FBin = -1;
    FDuplex = -1;
    FMode.DefaultSource = FDefBin;
    FMode.Duplex = FDefDuplex;
    FMode.Fields |= rptDM_DEFAULTSOURCE | rptDM_DUPLEX;
    RecreateDC();
}

void TrptPrinter::Abort() {
    FCanvas->SetPainter(nullptr);
    if (FJob) FJob->Abort();
    EndDoc();
}

void TrptPrinter::BeginRAWDoc() {
    RecreateDC();
    FRawData.clear();
    FRawOpen = true;
}

void TrptPrinter::WriteRAWDoc(const QByteArray& buf) {
    if (!FRawOpen) throw EPrinter(QStringLiteral("No document is open on \"%1\"").arg(FName));
    FRawData += buf;
}

void TrptPrinter::EndRAWDoc() {
    if (!FRawOpen) return;
    FRawOpen = false;
    const QByteArray data = std::exchange(FRawData, QByteArray());
    if (!PrintServerAnswers(ConfiguredPrintServer()))
        throw EPrinter(QStringLiteral("The print server does not answer; \"%1\" printed nothing").arg(FName));
    // The bytes go to the queue untouched, as the printer's own commands.
    QProcess lp;
    QStringList arguments{QStringLiteral("-d"), FName, QStringLiteral("-o"), QStringLiteral("raw")};
    if (!FTitle.isEmpty()) arguments << QStringLiteral("-t") << FTitle;
    lp.start(QStringLiteral("lp"), arguments);
    if (!lp.waitForStarted(5000))
        throw EPrinter(QStringLiteral("Cannot run \"lp\" to print on \"%1\": %2").arg(FName, lp.errorString()));
    lp.write(data);
    lp.closeWriteChannel();
    if (!lp.waitForFinished(60000) || lp.exitStatus() != QProcess::NormalExit || lp.exitCode() != 0)
        throw EPrinter(QStringLiteral("Printing on \"%1\" failed: %2")
                           .arg(FName, QString::fromLocal8Bit(lp.readAllStandardError()).trimmed()));
}

void TrptPrinter::PropertiesDlg() {
    const int duplex = FMode.Duplex;
    TPrintRequest request;
    request.Setup = true;
    request.Printers = QStringList{FName};
    request.PrinterIndex = 0;
    if (!UIServices().SelectPrinter(request)) return;
    FBin = FMode.DefaultSource;
    if (FMode.Duplex != duplex) FDuplex = FMode.Duplex;
    RecreateDC();
}

// =============================================================================================
// Virtual printer

void TrptVirtualPrinter::Init() {
    if (FInitialized) return;
    FDPI = TPoint(600, 600);
    FDefPaper = 9;
    FDefOrientation = poPortrait;
    FDefPaperWidth = 210;
    FDefPaperHeight = 297;
    for (const TPaperInfo& row : PaperInfoTable) {
        FPapers.append({QString::fromLatin1(row.Name), row.Typ});
        FPaperSizes.push_back({row.Typ, row.X / 10.0, row.Y / 10.0});
    }
    FBin = -1;
    FDuplex = -1;
    FInitialized = true;
}

void TrptVirtualPrinter::SetViewParams(int APaperSize, double APaperWidth, double APaperHeight,
                                       TPrinterOrientation AOrientation) {
    double width = 0, height = 0;
    if (APaperSize != rptCustomPaper && PaperSizeDimensions(APaperSize, width, height)) {
        if (AOrientation == poLandscape) std::swap(width, height);
        FPaper = APaperSize;
        FPaperWidth = width;
        FPaperHeight = height;
    } else {
        FPaper = rptCustomPaper;
        FPaperWidth = APaperWidth;
        FPaperHeight = APaperHeight;
    }
    FOrientation = AOrientation;
    FLeftMargin = FTopMargin = FRightMargin = FBottomMargin = 5;
}

void TrptVirtualPrinter::SetPrintParams(int APaperSize, double APaperWidth, double APaperHeight,
                                        TPrinterOrientation AOrientation, int ABin, TrptDuplexMode,
                                        int) {
    SetViewParams(APaperSize, APaperWidth, APaperHeight, AOrientation);
    FBin = ABin;
}

// =============================================================================================
// The list

TrptPrinters::TrptPrinters() {
    FillPrinters();
    if (!FPrinterList.empty()) {
        FHasPhysicalPrinters = true;
        const int index = IndexOf(FDefaultName);
        SetPrinterIndex(index == -1 ? 0 : index);
    } else {
        FPrinterList.push_back(
            std::make_unique<TrptVirtualPrinter>(GlobalResources()->Get(QStringLiteral("prVirtual")), QString()));
        FHasPhysicalPrinters = false;
        SetPrinterIndex(0);
    }
}

TrptPrinters::~TrptPrinters() = default;

void TrptPrinters::Clear() {
    FPrinterList.clear();
    FPrinters.clear();
}

void TrptPrinters::FillPrinters() {
    Clear();
    const TInstalledPrinters installed = InstalledPrinters();
    for (const QString& name : installed.Names) {
        FPrinterList.push_back(std::make_unique<TrptPrinter>(name, QString()));
        FPrinters << name;
    }
    FDefaultName = installed.DefaultName;
}

TrptCustomPrinter* TrptPrinters::GetItem(int Index) const {
    if (Index < 0 || Index >= Count()) return nullptr;
    return FPrinterList[static_cast<size_t>(Index)].get();
}

int TrptPrinters::IndexOf(const QString& AName) const {
    for (int i = 0; i < Count(); ++i)
        if (AnsiSameText(FPrinterList[static_cast<size_t>(i)]->Name(), AName)) return i;
    return -1;
}

int TrptPrinters::DefaultIndex() const {
    return IndexOf(InstalledPrinters().DefaultName);
}

void TrptPrinters::SetPrinterIndex(int Value) {
    if (Value == -1)
        Value = DefaultIndex();
    else if (Value < 0 || Value >= Count())
        throw EPrinter(NotValidText);
    FPrinterIndex = Value;
    if (TrptCustomPrinter* printer = GetItem(Value)) printer->Init();
}

namespace {

std::unique_ptr<TrptPrinters>& GlobalPrintersSlot() {
    static std::unique_ptr<TrptPrinters> printers;
    return printers;
}

} // namespace

TrptPrinters* GlobalPrinters() {
    std::unique_ptr<TrptPrinters>& slot = GlobalPrintersSlot();
    if (!slot) slot = std::make_unique<TrptPrinters>();
    return slot.get();
}

void FreeGlobalPrinters() {
    GlobalPrintersSlot().reset();
}
