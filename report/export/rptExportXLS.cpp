#include "report/export/rptExportXLS.h"

#include "platform/automation/ComObj.h"
#include "platform/gfx/Colors.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "platform/sys/TempFiles.h"
#include "platform/ui/Forms.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptProgress.h"
#include "report/core/rptRes.h"
#include "report/core/rptUtils.h"
#include "report/export/rptExportMatrix.h"
#include "report/export/rptExportUtils.h"
#include "report/export/rptExportXLSDialog.h"
#include "report/export/rptImageConverter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace {

// Report pixels per point of row height, per column-width unit and per point of picture size.
constexpr double RowPixelsPerPoint = 1.315;
constexpr double ColumnPixelsPerUnit = 8;
constexpr double PicturePixelsPerPoint = 1.38;
// The tallest row the sheet takes: 409 points.
constexpr double MaxRowPoints = 409;
constexpr double PointsPerMillimetre = 72.0 / 25.4;

// Appends an item to a list sorted by group, after the items of its group.
void InsertSorted(std::vector<TrptExcelRange>& List, const QString& Range, int Group) {
    auto at = std::upper_bound(List.begin(), List.end(), Group,
                               [](int g, const TrptExcelRange& item) { return g < item.Group; });
    List.insert(at, TrptExcelRange{Range, Group});
}

QString RowRange(int First, int Last) {
    return First == Last ? QStringLiteral("A%1").arg(First) : QStringLiteral("A%1:A%2").arg(First).arg(Last);
}

// Plain red + 256 * green + 65536 * blue of a colour, system colours resolved.
int PlainRGB(TColor Color) {
    return static_cast<int>(static_cast<quint32>(ColorToRGB(Color)) & 0xFFFFFF);
}

// Walks a sorted list, joining items of one group with "," under the length limit; Apply gets
// each joined text with its group.
void JoinGroups(const std::vector<TrptExcelRange>& List, bool OneGroup, TrptProgress* Progress,
                const std::function<void(const QString&, int)>& Apply) {
    if (List.empty()) return;
    QString cur = List[0].Range;
    int group = List[0].Group;
    for (size_t i = 1; i < List.size(); ++i) {
        if (Progress) {
            Progress->Tick();
            if (Progress->Terminated()) break;
        }
        const TrptExcelRange& item = List[i];
        if (OneGroup || item.Group == group) {
            if (cur.size() + item.Range.size() + 1 > TrptExcel::MaxRangeText) {
                Apply(cur, group);
                cur = item.Range;
            } else {
                cur += QLatin1Char(',') + item.Range;
            }
        } else {
            Apply(cur, group);
            cur = item.Range;
            group = item.Group;
        }
    }
    if (!cur.isEmpty()) Apply(cur, group);
}

} // namespace

// --- TrptExcel ---------------------------------------------------------------------------------

QString TrptExcel::ColumnName(int Column) {
    QString s;
    while (Column > 0) {
        s.prepend(QChar(u'A' + (Column - 1) % 26));
        Column = (Column - 1) / 26;
    }
    return s;
}

QString TrptExcel::CellName(int Column, int Row) {
    return ColumnName(Column) + QString::number(Row);
}

int TrptExcel::FrameBits(const TrptFrameTypes& Frame) {
    int bits = 0;
    if (Frame.Contains(ftLeft)) bits |= 1;
    if (Frame.Contains(ftRight)) bits |= 2;
    if (Frame.Contains(ftTop)) bits |= 4;
    if (Frame.Contains(ftBottom)) bits |= 8;
    return bits;
}

TrptFrameTypes TrptExcel::FrameFromBits(int Bits) {
    TrptFrameTypes f;
    if (Bits & 1) f.Include(ftLeft);
    if (Bits & 2) f.Include(ftRight);
    if (Bits & 4) f.Include(ftTop);
    if (Bits & 8) f.Include(ftBottom);
    return f;
}

void TrptExcel::Ignoring(const std::function<void()>& Calls) {
    try {
        Calls();
    } catch (const Exception& e) {
        DoIgnoredError(e.Message());
    }
}

void TrptExcel::OpenExcel() {
    FIsOpened = false;
    Excel = CreateOleObject(QStringLiteral("Excel.Application"));
    const Variant app = OleGet(Excel, QStringLiteral("Application"));
    OleSet(app, QStringLiteral("ScreenUpdating"), false);
    OleSet(app, QStringLiteral("DisplayAlerts"), false);
    WorkBook = OleCall(OleGet(Excel, QStringLiteral("WorkBooks")), QStringLiteral("Add"));
    WorkSheet = OleGet(WorkBook, QStringLiteral("WorkSheets"), {1});
    FIsOpened = true;
}

void TrptExcel::CloseWorkbook() {
    if (!WorkBook.IsEmpty()) {
        try {
            OleCall(WorkBook, QStringLiteral("Close"), {false});
        } catch (const Exception&) {
            // Freeing is best effort: the export reports its own failure.
        }
    }
    Quit();
}

void TrptExcel::Quit() {
    if (!Excel.IsEmpty()) {
        try {
            OleCall(Excel, QStringLiteral("Quit"));
        } catch (const Exception&) {
        }
    }
    Range = Variant();
    WorkSheet = Variant();
    WorkBook = Variant();
    Excel = Variant();
    FIsOpened = false;
}

void TrptExcel::SetVisible(bool Value) {
    FIsVisible = Value;
    if (FIsOpened) OleSet(Excel, QStringLiteral("Visible"), Value);
}

void TrptExcel::SetRange(int x, int y, int dx, int dy) {
    if (x < 1 || y < 1 || x > MaxColumns || y > MaxRows) return;
    dx = std::min(dx, MaxColumns - x + 1);
    dy = std::min(dy, MaxRows - y + 1);
    if (dx <= 0 || dy <= 0) return;
    Ignoring([&] {
        Range = OleGet(WorkSheet, QStringLiteral("Range"), {CellName(x, y), CellName(x + dx - 1, y + dy - 1)});
    });
}

void TrptExcel::MergeCells() {
    OleSet(Range, QStringLiteral("MergeCells"), true);
}

void TrptExcel::SetCellFrame(const TrptFrameTypes& Frame) {
    auto line = [](const Variant& borders, int item) {
        OleSet(OleGet(borders, QStringLiteral("Item"), {item}), QStringLiteral("LineStyle"), xlLineContinuous);
    };
    if (Frame.Contains(ftLeft)) line(OleGet(OleGet(Range, QStringLiteral("Cells")), QStringLiteral("Borders")), xlBorderLeft);
    if (Frame.Contains(ftRight)) line(OleGet(OleGet(Range, QStringLiteral("Cells")), QStringLiteral("Borders")), xlBorderRight);
    if (Frame.Contains(ftTop)) line(OleGet(Range, QStringLiteral("Borders")), xlBorderTop);
    if (Frame.Contains(ftBottom)) line(OleGet(Range, QStringLiteral("Borders")), xlBorderBottom);
}

void TrptExcel::SetColSize(int x, double Size) {
    if (!(Size > 0 && Size < 256) || x < 1 || x > MaxColumns) return;
    Ignoring([&] {
        OleSet(OleGet(OleGet(WorkSheet, QStringLiteral("Columns")), QStringLiteral("Columns"), {x}),
               QStringLiteral("ColumnWidth"), Size);
    });
}

void TrptExcel::SetRowSize(int y, double Size) {
    if (!(Size > 0)) return;
    OleSet(OleGet(OleGet(WorkSheet, QStringLiteral("Rows")), QStringLiteral("Rows"), {y}), QStringLiteral("RowHeight"),
           std::min(Size, MaxRowPoints));
}

void TrptExcel::SetPageMargin(double Left, double Right, double Top, double Bottom, TPrinterOrientation Orientation) {
    Ignoring([&] {
        auto setup = [this] { return OleGet(OleGet(Excel, QStringLiteral("ActiveSheet")), QStringLiteral("PageSetup")); };
        OleSet(setup(), QStringLiteral("LeftMargin"), Left);
        OleSet(setup(), QStringLiteral("RightMargin"), Right);
        OleSet(setup(), QStringLiteral("TopMargin"), Top);
        OleSet(setup(), QStringLiteral("BottomMargin"), Bottom);
        OleSet(OleGet(WorkSheet, QStringLiteral("PageSetup")), QStringLiteral("Orientation"),
               Orientation == poLandscape ? 2 : 1);
    });
}

void TrptExcel::ApplyRowHeights(const std::vector<TrptExcelRange>& List, const std::vector<double>& Heights,
                                TrptProgress* Progress, int RowCount, int CommonIndex) {
    if (List.empty() || CommonIndex < 0 || CommonIndex >= static_cast<int>(Heights.size())) return;
    if (Progress && !Progress->Terminated())
        Progress->Execute(static_cast<int>(List.size()),
                          GlobalResources()->Get(QStringLiteral("ProgressRows")) + QStringLiteral(" - 2"), true, true);
    auto apply = [&](const QString& text, int group, bool rows) {
        Ignoring([&] {
            Variant r = OleGet(WorkSheet, QStringLiteral("Range"), {text});
            if (rows) r = OleGet(r, QStringLiteral("Rows"));
            OleSet(r, QStringLiteral("RowHeight"), Heights[static_cast<size_t>(group)]);
        });
    };
    apply(QStringLiteral("A1:A%1").arg(std::max(1, RowCount)), CommonIndex, false);
    QString cur = List[0].Range;
    int group = List[0].Group;
    for (size_t i = 1; i < List.size(); ++i) {
        if (Progress) {
            Progress->Tick();
            if (Progress->Terminated()) break;
        }
        const TrptExcelRange& item = List[i];
        if (item.Group == CommonIndex) continue;
        if (item.Group == group) {
            if (cur.size() + item.Range.size() + 1 > MaxRangeText) {
                if (group != CommonIndex) apply(cur, group, false);
                cur = item.Range;
            } else {
                cur += QLatin1Char(',') + item.Range;
            }
        } else {
            if (group != CommonIndex) apply(cur, group, false);
            cur = item.Range;
            group = item.Group;
        }
    }
    if (!cur.isEmpty() && group != CommonIndex) apply(cur, group, true);
}

void TrptExcel::ApplyRangeGroups(const std::vector<TrptExcelRange>& List, int Kind, TrptProgress* Progress) {
    if (List.empty()) return;
    if (Progress && !Progress->Terminated())
        Progress->Execute(static_cast<int>(List.size()),
                          GlobalResources()->Get(QStringLiteral("ProgressStyles")) + QStringLiteral(" - %1").arg(Kind + 1),
                          true, true);
    JoinGroups(List, Kind == 2, Progress, [&](const QString& text, int group) {
        switch (Kind) {
        case 0: ApplyStyleToRanges(text, group); break;
        case 1: ApplyFrameToRanges(text, group); break;
        default:
            Ignoring([&] { OleSet(OleGet(WorkSheet, QStringLiteral("Range"), {text}), QStringLiteral("MergeCells"), true); });
        }
    });
}

void TrptExcel::ApplyStyleToRanges(const QString& RangeText, int StyleIndex) {
    if (RangeText.isEmpty()) return;
    Ignoring([&] {
        OleSet(OleGet(WorkSheet, QStringLiteral("Range"), {RangeText}), QStringLiteral("Style"),
               QStringLiteral("S%1").arg(StyleIndex));
    });
}

void TrptExcel::ApplyFrameToRanges(const QString& RangeText, int Bits) {
    if (RangeText.isEmpty() || Bits == 0) return;
    Ignoring([&] {
        const int items[4] = {xlBorderLeft, xlBorderRight, xlBorderTop, xlBorderBottom};
        for (int k = 0; k < 4; ++k) {
            if (!(Bits & (1 << k))) continue;
            const Variant borders =
                OleGet(OleGet(OleGet(WorkSheet, QStringLiteral("Range"), {RangeText}), QStringLiteral("Cells")),
                       QStringLiteral("Borders"));
            OleSet(OleGet(borders, QStringLiteral("Item"), {items[k]}), QStringLiteral("LineStyle"), xlLineContinuous);
        }
    });
}

void TrptExcel::ApplyNumberFormats(const std::vector<TrptExcelNumberFormat>& List, TrptProgress* Progress) {
    if (List.empty()) return;
    if (Progress && !Progress->Terminated())
        Progress->Execute(static_cast<int>(List.size()), QStringLiteral("Data formats"), true, true);
    QString format = List[0].Format, cur = List[0].Cell;
    for (size_t i = 1; i < List.size(); ++i) {
        if (Progress) {
            Progress->Tick();
            if (Progress->Terminated()) break;
        }
        const TrptExcelNumberFormat& item = List[i];
        if (item.Format != format) {
            ApplyNumberFormat(cur, format);
            format = item.Format;
            cur = item.Cell;
        } else if (cur.size() + item.Cell.size() + 1 > MaxRangeText) {
            ApplyNumberFormat(cur, format);
            cur = item.Cell;
        } else {
            cur += QLatin1Char(',') + item.Cell;
        }
    }
    ApplyNumberFormat(cur, format);
}

void TrptExcel::ApplyNumberFormat(const QString& RangeText, const QString& Format) {
    if (RangeText.isEmpty()) return;
    Ignoring([&] { OleSet(OleGet(WorkSheet, QStringLiteral("Range"), {RangeText}), QStringLiteral("NumberFormat"), Format); });
}

// --- TrptXLSExport -----------------------------------------------------------------------------

KORVEL_CLASS_INFO(TrptXLSExport) {
    using C = TrptXLSExport;
    b.Prop("ExportEMF", &C::ExportEMF, &C::SetExportEMF).Default(true);
    b.Prop("ExportStyles", &C::ExportStyles, &C::SetExportStyles).Default(true);
    b.Prop("ExportPictures", &C::ExportPictures, &C::SetExportPictures).Default(true);
    b.Prop("MergeCells", &C::MergeCells, &C::SetMergeCells).Default(true);
    b.Prop("OpenExcelAfterExport", &C::OpenExcelAfterExport, &C::SetOpenExcelAfterExport).Default(false);
    b.Prop("Wysiwyg", &C::Wysiwyg, &C::SetWysiwyg).Default(true);
    b.Prop("AsText", &C::AsText, &C::SetAsText).Default(false);
    b.Prop("Background", &C::Background, &C::SetBackground).Default(true);
    b.Prop("FastExport", &C::FastExport, &C::SetFastExport).Default(true);
    b.Prop("PageBreaks", &C::PageBreaks, &C::SetPageBreaks).Default(true);
    b.Prop("EmptyLines", &C::EmptyLines, &C::SetEmptyLines).Default(true);
    b.Prop("TruncateLongTexts", &C::TruncateLongTexts, &C::SetTruncateLongTexts).Default(true);
    b.Prop("GridLines", &C::GridLines, &C::SetGridLines).Default(true);
}

TrptXLSExport::TrptXLSExport(TComponent* AOwner) : TrptCustomExportFilter(AOwner) {
    RegisterExportResources();
    SetFilterDesc(ReportText(QStringLiteral("8009")));
    SetDefaultExt(ReportText(QStringLiteral("8010")));
}

TrptXLSExport::~TrptXLSExport() = default;

QString TrptXLSExport::GetDescription() const {
    return ReportText(QStringLiteral("XlsOLEexport"));
}

TModalResult TrptXLSExport::ShowModal() {
    return RunXLSExportDialog(this);
}

QString TrptXLSExport::TargetFileName(const QString& Name) const {
    QString n = Name;
    // The server writes .xlsx only; the old binary extension would name it wrongly.
    if (n.endsWith(QStringLiteral(".xls"), Qt::CaseInsensitive)) {
        n.chop(4);
        n += QStringLiteral(".xlsx");
    }
    if (!n.contains(QLatin1Char('/')) && !DefaultPath().isEmpty())
        n = DefaultPath() + (DefaultPath().endsWith(QLatin1Char('/')) ? QString() : QStringLiteral("/")) + n;
    return n;
}

bool TrptXLSExport::Start() {
    if (SlaveExport()) {
        const QString ext = DefaultExt().isEmpty() ? QStringLiteral(".xlsx") : DefaultExt();
        if (Report() && !Report()->FileName().isEmpty()) {
            SetFileName(TempFolderPath() + QFileInfo(Report()->FileName()).completeBaseName() + ext);
        } else {
            // Reserve the name: the empty temporary file is renamed to it.
            const QString tmp = NewTempFileName();
            const QString name = QFileInfo(tmp).path() + QLatin1Char('/') + QFileInfo(tmp).completeBaseName() + ext;
            if (!QFile::rename(tmp, name)) QFile::remove(tmp);
            SetFileName(name);
        }
    }
    if (FileName().isEmpty()) return false;
    SetFileName(TargetFileName(FileName()));
    FFirstPage = true;
    FWarnings.clear();
    FIgnoredErrors = 0;
    FNumberFormats.clear();
    FMatrix = std::make_unique<TrptIEMatrix>(UseFileCache(), Report() ? Report()->EngineOptions()->TempDir() : QString());
    FMatrix->SetReport(Report());
    FMatrix->SetDotMatrix(Report() && Report()->DotMatrixReport());
    FMatrix->SetShowProgress(ShowProgress());
    FMatrix->SetMaxCellHeight(MaxRowPoints * RowPixelsPerPoint);
    FMatrix->SetBackgroundImage(false);
    FMatrix->SetBackground(FBackground && FEmptyLines);
    FMatrix->SetRichText(!FExportEMF);
    FMatrix->SetPlainRich(!FExportEMF);
    FMatrix->SetInaccuracy(FWysiwyg ? 0.5 : 10);
    FMatrix->SetRotatedAsImage(false);
    FMatrix->SetDeleteHTMLTags(true);
    FMatrix->SetPrintable(ExportNotPrintable());
    FMatrix->SetEmptyLines(FEmptyLines);
    FMatrix->SetEMFPictures(FExportEMF);
    return true;
}

void TrptXLSExport::StartPage(TrptReportPage* Page, int) {
    if (!FFirstPage || !Page) return;
    FFirstPage = false;
    FPageLeft = Page->LeftMargin();
    FPageTop = Page->TopMargin();
    FPageBottom = Page->BottomMargin();
    FPageRight = Page->RightMargin();
    FPageOrientation = Page->Orientation();
}

void TrptXLSExport::ExportObject(TrptComponent* Obj) {
    auto* v = dynamic_cast<TrptView*>(Obj);
    if (!v || !FMatrix) return;
    if (v->Name() == QLatin1String("_pagebackground")) return;
    if (!v->Printable() && !ExportNotPrintable()) return;
    if (!dynamic_cast<TrptCustomMemoView*>(v) && !FExportPictures) return;
    // The page's objects are taken with the page's top at the matrix's tolerance, so the sheet
    // does not begin each page with the margin; the page itself is left as the preview has it.
    TrptPage* page = v->Page();
    try {
        if (!page) {
            FMatrix->AddObject(v);
            return;
        }
        const double savedTop = page->Top();
        struct TRestore {
            TrptPage* P;
            double Top;
            ~TRestore() { P->SetTop(Top); }
        } restore{page, savedTop};
        page->SetTop(FMatrix->Inaccuracy());
        FMatrix->AddObject(v);
    } catch (const Exception& e) {
        // A picture that cannot be drawn is left out; the rest of the report is still written.
        Warn(QStringLiteral("\"%1\": the object \"%2\" was left out: %3").arg(FileName(), v->Name(), e.Message()));
    }
}

void TrptXLSExport::FinishPage(TrptReportPage* Page, int Index) {
    if (!FMatrix) return;
    if (Page)
        FMatrix->AddPage(Page->Orientation(), Page->PaperWidth(), Page->PaperHeight(), Page->LeftMargin(), Page->TopMargin(),
                         Page->RightMargin(), Page->BottomMargin(), Page->MirrorMargins(), Index);
    else
        FMatrix->AddPage(poPortrait, 0, 0, 0, 0, 0, 0, false, Index);
}

void TrptXLSExport::Warn(const QString& Text) {
    if (!FWarnings.contains(Text)) FWarnings << Text;
}

bool TrptXLSExport::Cancelled() const {
    return FProgress && FProgress->Terminated();
}

void TrptXLSExport::StartProgress(const QString& Message, int Max) {
    if (FProgress && !FProgress->Terminated()) FProgress->Execute(Max, Message, true, true);
}

void TrptXLSExport::Finish() {
    if (!FMatrix) return;
    struct TEnd {
        TrptXLSExport* F;
        ~TEnd() {
            F->FProgress.reset();
            F->FMatrix.reset();
            F->FExcel.reset();
        }
    } end{this};
    // An export stopped while the pages were handed over writes nothing.
    if (Report() && Report()->Terminated()) return;
    try {
        if (FMatrix->GetPagesCount() == 0)
            throw Exception(QStringLiteral("\"%1\": the report has no pages to export").arg(FileName()));
        FExcel = std::make_unique<TrptExcel>();
        FExcel->OnIgnoredError = [this](const QString& Message) {
            if (FIgnoredErrors++ == 0) Warn(QStringLiteral("\"%1\": %2").arg(FileName(), Message));
        };
        FExcel->OpenExcel();
        OleSet(OleGet(FExcel->Excel, QStringLiteral("ActiveWindow")), QStringLiteral("DisplayGridlines"), FGridLines);
        FMatrix->Prepare();
        FColumns = std::clamp(FMatrix->Width() - 1, 0, TrptExcel::MaxColumns);
        FRows = std::clamp(FMatrix->Height() - 1, 0, TrptExcel::MaxRows);
        if (FMatrix->Width() - 1 > TrptExcel::MaxColumns)
            Warn(QStringLiteral("\"%1\": the report is %2 columns wide and a sheet holds %3; the columns after %4 are left out")
                     .arg(FileName())
                     .arg(FMatrix->Width() - 1)
                     .arg(TrptExcel::MaxColumns)
                     .arg(TrptExcel::ColumnName(TrptExcel::MaxColumns)));
        if (FMatrix->Height() - 1 > TrptExcel::MaxRows)
            Warn(QStringLiteral("\"%1\": the report is %2 rows long and a sheet holds %3; the rows after that are left out")
                     .arg(FileName())
                     .arg(FMatrix->Height() - 1)
                     .arg(TrptExcel::MaxRows));
        if (ShowProgress()) FProgress = std::make_unique<TrptProgress>(nullptr);
        if (FFastExport) ExportFast();
        else ExportCellByCell();
        FProgress.reset();

        FExcel->SetRange(1, 1, 1, 1);
        if (!FExcel->Range.IsEmpty()) OleCall(FExcel->Range, QStringLiteral("Select"));
        QString name = FileName();
        if (!name.contains(QLatin1Char('/'))) name = QDir::currentPath() + QLatin1Char('/') + name;
        const Variant none;
        // A workbook that cannot be saved is a failed export, not a quiet one.
        OleCall(FExcel->WorkBook, QStringLiteral("SaveAs"),
                {name, TrptExcel::xlNormalFormat, none, none, none, none, TrptExcel::xlNoChange, none, none, none});
        try {
            const Variant app = OleGet(FExcel->Excel, QStringLiteral("Application"));
            OleSet(app, QStringLiteral("DisplayAlerts"), true);
            OleSet(app, QStringLiteral("ScreenUpdating"), true);
        } catch (const Exception&) {
        }
        // Shown only once saved: the desktop opens the saved file itself, once. After a reported
        // problem the file stays closed and the message names it.
        const bool problems = !FWarnings.isEmpty();
        ReportWarnings();
        if (FOpenExcelAfterExport && !problems && !(Report() && Report()->Terminated())) FExcel->SetVisible(true);
        else FExcel->Quit();
    } catch (...) {
        // The server's workbook is freed, and nothing is shown.
        if (FExcel) FExcel->CloseWorkbook();
        throw;
    }
}

void TrptXLSExport::ReportWarnings() {
    if (FWarnings.isEmpty()) return;
    if (FIgnoredErrors > 1) FWarnings << QStringLiteral("(%1 more failures like it were passed over)").arg(FIgnoredErrors - 1);
    const TrptSilentMode mode = Report() ? Report()->EngineOptions()->NewSilentMode() : simSilent;
    const QString text = FWarnings.join(QStringLiteral("\r\n"));
    FWarnings.clear();
    if (mode == simReThrow) throw Exception(text);
    if (Report())
        for (const QString& w : text.split(QStringLiteral("\r\n"))) Report()->Errors()->Add(w);
    if (mode == simMessageBoxes) HandleReportError(mode, ReportText(QStringLiteral("clErrors")) + QStringLiteral("\r\n") + text);
}

void TrptXLSExport::SetupPage() {
    FExcel->SetPageMargin(FPageLeft * PointsPerMillimetre, FPageRight * PointsPerMillimetre, FPageTop * PointsPerMillimetre,
                          FPageBottom * PointsPerMillimetre, FPageOrientation);
}

int TrptXLSExport::AddRowHeight(double Value) {
    for (size_t i = 0; i < FHeights.size(); ++i)
        if (FHeights[i] == Value) {
            ++FHeightUses[i];
            return static_cast<int>(i);
        }
    FHeights.push_back(Value);
    FHeightUses.push_back(1);
    return static_cast<int>(FHeights.size()) - 1;
}

void TrptXLSExport::SetupRowsAndColumns(bool Rounded) {
    TrptIEMatrix& m = *FMatrix;
    StartProgress(GlobalResources()->Get(QStringLiteral("ProgressRows")) + (Rounded ? QStringLiteral(" - 1") : QString()),
                  FRows);
    FHeights.clear();
    FHeightUses.clear();
    std::vector<TrptExcelRange> list;
    int page = 0, runStart = 1, runIndex = -1;
    const int lastPage = m.GetPagesCount() - 1;
    for (int p = 1; p <= FRows; ++p) {
        if (Cancelled()) break;
        if (FProgress) FProgress->Tick();
        const double top = m.GetYPosById(p - 1), bottom = m.GetYPosById(p);
        if (FpageBreaks) {
            // A page ending within this row puts a break above the next row, where the next page
            // begins.
            bool ends = false;
            while (page < lastPage && m.GetPageBreak(page) <= bottom) {
                if (m.GetPageBreak(page) > top) ends = true;
                ++page;
            }
            if (ends && p < FRows)
                OleSet(OleGet(FExcel->WorkSheet, QStringLiteral("Rows"), {p + 1}), QStringLiteral("PageBreak"),
                       TrptExcel::xlPageBreakManual);
        }
        const double h = (bottom - top) / RowPixelsPerPoint;
        if (!Rounded) {
            FExcel->SetRowSize(p, h);
            continue;
        }
        const int index = AddRowHeight(RoundToStep(0.25, std::min(h, MaxRowPoints)));
        if (p == 1) {
            runIndex = index;
        } else if (index != runIndex) {
            InsertSorted(list, RowRange(runStart, p - 1), runIndex);
            runStart = p;
            runIndex = index;
        }
        if (p == FRows) InsertSorted(list, QStringLiteral("A%1:A%2").arg(runStart).arg(p), runIndex);
    }
    if (Rounded && !FHeights.empty()) {
        int common = 0;
        for (size_t i = 1; i < FHeightUses.size(); ++i)
            if (FHeightUses[i] > FHeightUses[static_cast<size_t>(common)]) common = static_cast<int>(i);
        FExcel->ApplyRowHeights(list, FHeights, FProgress.get(), FRows, common);
    }
    StartProgress(GlobalResources()->Get(QStringLiteral("ProgressColumns")), FColumns);
    for (int x = 1; x <= FColumns; ++x) {
        if (Cancelled()) break;
        if (FProgress) FProgress->Tick();
        FExcel->SetColSize(x, (m.GetXPosById(x) - m.GetXPosById(x - 1)) / ColumnPixelsPerUnit);
    }
}

void TrptXLSExport::ExcelAlignment(TrptHAlign HAlign, TrptVAlign VAlign, int& Horizontal, int& Vertical) {
    switch (HAlign) {
    case haRight: Horizontal = TrptExcel::xlHAlignRight; break;
    case haCenter: Horizontal = TrptExcel::xlHAlignCenter; break;
    case haBlock: Horizontal = TrptExcel::xlHAlignJustify; break;
    default: Horizontal = TrptExcel::xlHAlignLeft;
    }
    switch (VAlign) {
    case vaBottom: Vertical = TrptExcel::xlVAlignBottom; break;
    case vaCenter: Vertical = TrptExcel::xlVAlignCenter; break;
    default: Vertical = TrptExcel::xlVAlignTop;
    }
}

void TrptXLSExport::CreateStyles(bool Fast) {
    TrptIEMatrix& m = *FMatrix;
    StartProgress(GlobalResources()->Get(QStringLiteral("ProgressStyles")), m.GetStylesCount());
    for (int k = 0; k < m.GetStylesCount(); ++k) {
        if (Cancelled()) break;
        if (FProgress) FProgress->Tick();
        const TrptIEMStyle* s = m.GetStyleById(k);
        const Variant style =
            OleCall(OleGet(OleGet(FExcel->Excel, QStringLiteral("ActiveWorkbook")), QStringLiteral("Styles")),
                    QStringLiteral("Add"), {QStringLiteral("S%1").arg(k)});
        const Variant font = OleGet(style, QStringLiteral("Font"));
        const TFont* f = s->Font();
        OleSet(font, QStringLiteral("Bold"), f->Style().Contains(fsBold));
        OleSet(font, QStringLiteral("Italic"), f->Style().Contains(fsItalic));
        OleSet(font, QStringLiteral("Underline"), f->Style().Contains(fsUnderline));
        OleSet(font, QStringLiteral("Name"), f->Name());
        OleSet(font, QStringLiteral("Size"), std::max(1, static_cast<int>(std::lround(f->Size()))));
        OleSet(font, QStringLiteral("Color"), PlainRGB(f->Color()));
        const bool filled = s->Color != clNone && (Fast ? PlainRGB(s->Color) != 0xFFFFFF : true);
        if (filled) OleSet(OleGet(style, QStringLiteral("Interior")), QStringLiteral("Color"), PlainRGB(s->Color));
        if (Fast) {
            if (s->Rotation >= 1 && s->Rotation <= 90) OleSet(style, QStringLiteral("Orientation"), s->Rotation);
            else if (s->Rotation >= 270 && s->Rotation <= 359) OleSet(style, QStringLiteral("Orientation"), s->Rotation - 360);
        }
        int h = 0, v = 0;
        ExcelAlignment(s->HAlign, s->VAlign, h, v);
        OleSet(style, QStringLiteral("VerticalAlignment"), v);
        OleSet(style, QStringLiteral("HorizontalAlignment"), h);
        if (Application) Application->ProcessMessages();
    }
}

QString TrptXLSExport::CleanCellText(const QString& Text) {
    QString s = Text;
    s.remove(QLatin1Char('\r'));
    while (s.endsWith(QLatin1Char('\n'))) s.chop(1);
    return s;
}

QString TrptXLSExport::ExcelNumberFormat(const QString& FormatStr, const QString& ThousandSeparator) {
    const QString fs = FormatStr.trimmed();
    if (fs.isEmpty()) return QString();
    // A picture of digits is a format code already.
    if (fs.contains(QLatin1Char('#')) || fs.startsWith(QLatin1Char('0'))) return fs;
    const QChar last = fs.back().toLower();
    int n = 0;
    const qsizetype dot = fs.indexOf(QLatin1Char('.'));
    if (dot >= 0) n = std::max(0, fs.mid(dot + 1, fs.size() - dot - 2).toInt());
    n = std::min(n, 30);
    const QString decimals = n > 0 ? QStringLiteral(".") + QString(n, QLatin1Char('0')) : QString();
    if (last == QLatin1Char('d') || last == QLatin1Char('u'))
        return n > 0 ? QString(n, QLatin1Char('0')) : QStringLiteral("0");
    if (last == QLatin1Char('f')) return QStringLiteral("0") + decimals;
    if (last == QLatin1Char('n') || last == QLatin1Char('m'))
        return (ThousandSeparator.isEmpty() ? QStringLiteral("0") : QStringLiteral("#,##0")) + decimals;
    return QString();
}

std::optional<double> TrptXLSExport::TextToNumber(const QString& Text) {
    QString t = Text;
    t.replace(QChar(0xA0), QLatin1Char(' ')).replace(QChar(0x202F), QLatin1Char(' '));
    const QString currency = FormatSettings().CurrencyString;
    if (!currency.isEmpty()) t.remove(currency);
    t.remove(QLatin1Char(' '));
    bool negative = false;
    if (t.startsWith(QLatin1Char('(')) && t.endsWith(QLatin1Char(')'))) {
        negative = true;
        t = t.mid(1, t.size() - 2);
    }
    if (t.endsWith(QLatin1Char('-')) && !t.startsWith(QLatin1Char('-'))) {
        negative = !negative;
        t.chop(1);
    }
    bool percent = false;
    if (t.endsWith(QLatin1Char('%'))) {
        percent = true;
        t.chop(1);
    }
    if (t.endsWith(QLatin1Char('.'))) t.chop(1);
    static const QRegularExpression number(QStringLiteral("^[+-]?(\\d+(\\.\\d*)?|\\.\\d+)([eE][+-]?\\d+)?$"));
    if (!number.match(t).hasMatch()) return std::nullopt;
    bool ok = false;
    double v = t.toDouble(&ok);
    if (!ok || !std::isfinite(v)) return std::nullopt;
    if (percent) v /= 100;
    return negative ? -v : v;
}

double TrptXLSExport::RoundToStep(double Step, double Value) {
    const double r = std::round(Value / Step) * Step;
    return std::round(r * 10000) / 10000;
}

QString TrptXLSExport::ObjectText(TrptIEMObject* Obj, bool Fast) {
    QString text = CleanCellText(Obj->Memo()->Text());
    if (!Fast || FTruncateLongTexts) {
        if (text.size() > 900) text.truncate(900);
    } else if (text.size() > 32767) {
        Warn(QStringLiteral("\"%1\": a text of %2 characters was cut to the 32,767 a cell holds").arg(FileName()).arg(text.size()));
        text.truncate(32767);
    }
    return text;
}

Variant TrptXLSExport::CellValue(TrptIEMObject* Obj, int Column, int Row, bool Fast) {
    if (!Obj->IsText) return Variant();
    const QString text = ObjectText(Obj, Fast);
    if (text.isEmpty()) return Variant();
    const TrptFormat* fmt = Obj->Style ? Obj->Style->DisplayFormat() : nullptr;
    const TrptFormatKind kind = fmt ? fmt->Kind() : fkText;
    // The server keeps a text after "'" as it is; anything else starting with "=" would be a
    // formula, and a leading "'" of the text itself would be lost.
    const QString asText = QStringLiteral("'") + text;
    if (!Fast) return text.startsWith(QLatin1Char('=')) || text.startsWith(QLatin1Char('\'')) ? Variant(asText) : Variant(text);
    if (FAsText || kind == fkText) return Variant(asText);
    if (kind == fkNumeric) {
        const TFormatSettings& fs = FormatSettings();
        const QString thousand = fmt->ThousandSeparator().isEmpty() ? QString(fs.ThousandSeparator) : fmt->ThousandSeparator();
        const QString decimal = fmt->DecimalSeparator().isEmpty() ? QString(fs.DecimalSeparator) : fmt->DecimalSeparator();
        QString t = text;
        if (!thousand.isEmpty() && thousand != decimal) t.remove(thousand);
        if (!decimal.isEmpty()) t.replace(decimal, QStringLiteral("."));
        const std::optional<double> value = TextToNumber(t);
        // A text that reads as no number stays what it is.
        if (!value) return Variant(asText);
        const QString code = ExcelNumberFormat(fmt->FormatStr(), thousand);
        if (!code.isEmpty()) FNumberFormats.push_back({code, TrptExcel::CellName(Column, Row)});
        return Variant(*value);
    }
    return text.startsWith(QLatin1Char('=')) || text.startsWith(QLatin1Char('\'')) ? Variant(asText) : Variant(text);
}

void TrptXLSExport::PlacePicture(TrptIEMObject* Obj, int x, int y, int dx, int dy, bool Fast) {
    TGraphic* graphic = Obj->Metafile() && Obj->Metafile()->Width() >= 1 ? static_cast<TGraphic*>(Obj->Metafile())
                        : Obj->Image() && Obj->Image()->Width() >= 1  ? static_cast<TGraphic*>(Obj->Image())
                                                                      : nullptr;
    if (!graphic) return;
    try {
        TMemoryStream png;
        SaveGraphicToStream(*graphic, png, gpPNG);
        FExcel->SetRange(x, y, dx, dy);
        OleCall(FExcel->Range, QStringLiteral("Select"));
        // Handed to the server directly: the clipboard stays the user's.
        const Variant picture = OleCall(OleGet(FExcel->WorkSheet, QStringLiteral("Pictures")), QStringLiteral("Insert"),
                                        {VarArrayFromBytes(png.Bytes())});
        if (Fast) {
            OleSet(picture, QStringLiteral("Left"), OleGet(picture, QStringLiteral("Left")).ToDouble() + 1);
            OleSet(picture, QStringLiteral("Top"), OleGet(picture, QStringLiteral("Top")).ToDouble() + 1);
        }
        const TrptRect b = FMatrix->GetObjectBounds(Obj);
        OleSet(picture, QStringLiteral("Width"), std::max(0.75, (b.Right - b.Left) / PicturePixelsPerPoint));
        OleSet(picture, QStringLiteral("Height"), std::max(0.75, (b.Bottom - b.Top) / PicturePixelsPerPoint));
    } catch (const Exception& e) {
        Warn(QStringLiteral("\"%1\": the picture at %2 was left out: %3").arg(FileName(), TrptExcel::CellName(x, y), e.Message()));
    }
}

void TrptXLSExport::ExportFast() {
    TrptIEMatrix& m = *FMatrix;
    SetupPage();
    SetupRowsAndColumns(true);
    if (FExportStyles) CreateStyles(true);

    const int rows = std::max(1, std::min(m.Height(), TrptExcel::MaxRows));
    const int cols = std::max(1, std::min(m.Width(), TrptExcel::MaxColumns));
    Variant values = VarArrayCreate({1, rows, 1, cols}, varVariant);
    std::vector<TrptExcelRange> styles, merges, frames;
    StartProgress(GlobalResources()->Get(QStringLiteral("ProgressObjects")), rows);
    for (int p = 1; p <= rows; ++p) {
        if (Cancelled()) break;
        if (FProgress) FProgress->Tick();
        for (int x = 1; x <= cols; ++x) {
            const int id = m.GetCell(x - 1, p - 1);
            if (id < 0) continue;
            TrptIEMObject* obj = m.GetObjectById(id);
            if (!obj || obj->Counter != 0) continue;
            obj->Counter = 1;
            int ox = 0, oy = 0, dx = 1, dy = 1;
            m.GetObjectPos(id, ox, oy, dx, dy);
            dx = std::min(dx, TrptExcel::MaxColumns - x + 1);
            dy = std::min(dy, TrptExcel::MaxRows - p + 1);
            const bool span = dx > 1 || dy > 1;
            const QString range = span ? TrptExcel::CellName(x, p) + QLatin1Char(':') + TrptExcel::CellName(x + dx - 1, p + dy - 1)
                                       : TrptExcel::CellName(x, p);
            // Sorted by group once at the end (stable: as inserting each after its group).
            if (FExportStyles) styles.push_back({range, obj->StyleIndex});
            if (FMergeCells && span) merges.push_back({range, 0});
            if (FExportStyles && obj->Style && !obj->Style->FrameTyp.Empty())
                frames.push_back({range, TrptExcel::FrameBits(obj->Style->FrameTyp)});
            const Variant value = CellValue(obj, x, p, true);
            if (!value.IsEmpty()) {
                const int idx[2] = {p, x};
                values.SetElement(idx, value);
            }
            if (!obj->IsText) PlacePicture(obj, x, p, dx, dy, true);
        }
    }
    if (FExportStyles) {
        const auto byGroup = [](const TrptExcelRange& a, const TrptExcelRange& b) { return a.Group < b.Group; };
        std::stable_sort(styles.begin(), styles.end(), byGroup);
        std::stable_sort(frames.begin(), frames.end(), byGroup);
        FExcel->ApplyRangeGroups(styles, 0, FProgress.get());
        FExcel->ApplyRangeGroups(frames, 1, FProgress.get());
        FExcel->ApplyNumberFormats(FNumberFormats, FProgress.get());
    }
    if (FMergeCells) FExcel->ApplyRangeGroups(merges, 2, FProgress.get());
    FExcel->SetRange(1, 1, cols, rows);
    OleSet(FExcel->Range, QStringLiteral("Value"), values);
    OleSet(OleGet(FExcel->WorkSheet, QStringLiteral("Cells")), QStringLiteral("WrapText"), true);
}

void TrptXLSExport::ExportCellByCell() {
    TrptIEMatrix& m = *FMatrix;
    SetupPage();
    SetupRowsAndColumns(false);
    if (FExportStyles) CreateStyles(false);

    const int rows = std::max(1, std::min(m.Height(), TrptExcel::MaxRows));
    const int cols = std::max(1, std::min(m.Width(), TrptExcel::MaxColumns));
    Variant values = VarArrayCreate({0, rows - 1, 0, cols - 1}, varVariant);
    StartProgress(GlobalResources()->Get(QStringLiteral("ProgressObjects")), rows);
    for (int p = 1; p <= rows; ++p) {
        if (Cancelled()) break;
        if (FProgress) FProgress->Tick();
        for (int x = 1; x <= cols; ++x) {
            const int id = m.GetCell(x - 1, p - 1);
            if (id < 0) continue;
            TrptIEMObject* obj = m.GetObjectById(id);
            if (!obj || obj->Counter != 0) continue;
            obj->Counter = 1;
            int ox = 0, oy = 0, dx = 1, dy = 1;
            m.GetObjectPos(id, ox, oy, dx, dy);
            FExcel->SetRange(x, p, dx, dy);
            if (obj->IsText) {
                if (FExportStyles) OleSet(FExcel->Range, QStringLiteral("Style"), QStringLiteral("S%1").arg(obj->StyleIndex));
                if (FMergeCells && (dx > 1 || dy > 1)) {
                    FExcel->SetRange(x, p, dx, dy);
                    FExcel->MergeCells();
                }
                if (FExportStyles && obj->Style) FExcel->SetCellFrame(obj->Style->FrameTyp);
                const Variant value = CellValue(obj, x, p, false);
                if (!value.IsEmpty()) {
                    const int idx[2] = {p - 1, x - 1};
                    values.SetElement(idx, value);
                }
            } else {
                PlacePicture(obj, x, p, dx, dy, false);
            }
        }
    }
    if (FColumns > 0 && FRows > 0) {
        FExcel->SetRange(1, 1, FColumns, FRows);
        OleSet(FExcel->Range, QStringLiteral("Value"), values);
    }
    OleSet(OleGet(FExcel->WorkSheet, QStringLiteral("Cells")), QStringLiteral("WrapText"), true);
}
