#include "report/export/rptExportRTF.h"

#include "platform/rtl/Streams.h"
#include "platform/rtl/SysUtils.h"
#include "platform/sys/Desktop.h"
#include "platform/sys/TempFiles.h"
#include "report/core/rptClassBand.h"
#include "report/core/rptClassMemo.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptHTMLTags.h"
#include "report/core/rptProgress.h"
#include "report/core/rptRes.h"
#include "report/core/rptUtils.h"
#include "report/export/rptExportRTFCells.h"
#include "report/export/rptExportUtils.h"
#include "report/export/rptGML.h"

#include <QDir>
#include <QFileInfo>

#include <cmath>

namespace {

int RoundEven(double v) { return rptRound(v); }

QByteArray Num(long long v) { return QByteArray::number(v); }

// Output goes through a buffer to the file or the caller's stream.
class TRTFOut {
public:
    explicit TRTFOut(TStream& AStream) : FStream(AStream) { FBuffer.reserve(1 << 16); }
    // A line: the text as 7-bit ASCII and CR LF; an empty text writes nothing.
    void Line(const QByteArray& s) {
        if (s.isEmpty()) return;
        FBuffer += s;
        FBuffer += "\r\n";
        Check();
    }
    void Raw(const QByteArray& s) {
        FBuffer += s;
        Check();
    }
    void Flush() {
        if (!FBuffer.isEmpty()) FStream.WriteBuffer(FBuffer.constData(), FBuffer.size());
        FBuffer.clear();
    }

private:
    void Check() {
        if (FBuffer.size() >= (1 << 16)) Flush();
    }
    TStream& FStream;
    QByteArray FBuffer;
};

} // namespace

KORVEL_CLASS_INFO(TrptRTFExport) {
    using C = TrptRTFExport;
    b.Prop("PictureType", &C::PictureType, &C::SetPictureType).Default(gpPNG);
    b.Prop("ExportPageBreaks", &C::ExportPageBreaks, &C::SetExportPageBreaks).Default(true);
    b.Prop("ExportPictures", &C::ExportPictures, &C::SetExportPictures).Default(true);
    b.Prop("OpenAfterExport", &C::OpenAfterExport, &C::SetOpenAfterExport).Default(false);
    b.Prop("Wysiwyg", &C::Wysiwyg, &C::SetWysiwyg).Default(true);
    b.Prop("Creator", &C::Creator, &C::SetCreator);
    b.Prop("SuppressPageHeadersFooters", &C::SuppressPageHeadersFooters, &C::SetSuppressPageHeadersFooters)
        .Default(false);
    b.Prop("HeaderFooterMode", &C::HeaderFooterMode, &C::SetHeaderFooterMode).Default(hfText);
    b.Prop("AutoSize", &C::AutoSize, &C::SetAutoSize).Default(false);
}

TrptRTFExport::TrptRTFExport(TComponent* AOwner) : TrptCustomExportFilter(AOwner) {
    RegisterExportResources();
    SetShowDialog(true);
    SetFilterDesc(ReportText(QStringLiteral("8504")));
    SetDefaultExt(ReportText(QStringLiteral("8505")));
}

TrptRTFExport::~TrptRTFExport() = default;

QString TrptRTFExport::GetDescription() const { return ReportText(QStringLiteral("RTFexport")); }

void TrptRTFExport::ReportError(const QString& Text) {
    TrptSilentMode mode = simSilent;
    if (Report()) mode = Report()->EngineOptions()->NewSilentMode();
    if (mode == simSilent) {
        if (Report()) Report()->Errors()->Add(Text);
    } else {
        HandleReportError(mode, Text);
    }
}

bool TrptRTFExport::Start() {
    if (SlaveExport()) {
        const QString ext = ReportText(QStringLiteral("8505"));
        QString name;
        if (Report() && !Report()->FileName().isEmpty())
            name = TempFolderPath() + QFileInfo(QDir::fromNativeSeparators(Report()->FileName())).fileName();
        else
            name = NewTempFileName();
        const QFileInfo fi(name);
        SetFileName(fi.path() + QLatin1Char('/') + fi.completeBaseName() + ext);
    }
    if (FileName().isEmpty() && !Stream()) return false;
    if (!FileName().isEmpty() && !FileName().contains(QLatin1Char('/')) && !DefaultPath().isEmpty()) {
        QString dir = DefaultPath();
        if (!dir.endsWith(QLatin1Char('/'))) dir += QLatin1Char('/');
        SetFileName(dir + FileName());
    }
    FMatrix = std::make_unique<TrptIEMatrix>(UseFileCache(), QString());
    FMatrix->SetReport(Report());
    FMatrix->SetShowProgress(ShowProgress());
    FMatrix->SetInaccuracy(FWysiwyg ? 0.5 : 10);
    FMatrix->SetRotatedAsImage(true);
    FMatrix->SetRichText(true);
    FMatrix->SetPlainRich(false);
    FMatrix->SetAreaFill(true);
    FMatrix->SetCropAreaFill(true);
    FMatrix->SetDeleteHTMLTags(false);
    FMatrix->SetBackgroundImage(false);
    FMatrix->SetBackground(false);
    FMatrix->SetPrintable(ExportNotPrintable());
    FMatrix->SetEMFPictures(FPictureType != gpBMP);
    FFontTable.clear();
    FCharsetTable.clear();
    FColorTable.clear();
    FFontIndex.clear();
    FColorIndex.clear();
    return true;
}

void TrptRTFExport::StartPage(TrptReportPage*, int) {}

void TrptRTFExport::ExportObject(TrptComponent* Obj) {
    if (!FMatrix || !Obj) return;
    if (auto* h = dynamic_cast<TrptPageHeader*>(Obj)) {
        FMatrix->SetPageHeader(h);
        return;
    }
    if (auto* f = dynamic_cast<TrptPageFooter*>(Obj)) {
        FMatrix->SetPageFooter(f);
        return;
    }
    auto* v = dynamic_cast<TrptView*>(Obj);
    if (!v) return;
    if (!v->Printable() && !ExportNotPrintable()) return;
    if (dynamic_cast<TrptCustomMemoView*>(v) || FExportPictures) FMatrix->AddObject(v);
}

void TrptRTFExport::FinishPage(TrptReportPage* Page, int Index) {
    if (!FMatrix) return;
    if (Page)
        FMatrix->AddPage(Page->Orientation(), Page->Width(), Page->Height(), Page->LeftMargin(), Page->TopMargin(),
                         Page->RightMargin(), Page->BottomMargin(), Page->MirrorMargins(), Index);
    else
        FMatrix->AddPage(poPortrait, 0, 0, 0, 0, 0, 0, false, Index);
}

int TrptRTFExport::ColorEntryNumber(const QString& Entry) {
    const QString key = Entry.toLower();
    const auto it = FColorIndex.constFind(key);
    if (it != FColorIndex.constEnd()) return it.value() + 1;
    FColorTable.append(Entry);
    FColorIndex.insert(key, FColorTable.size() - 1);
    return static_cast<int>(FColorTable.size());
}

int TrptRTFExport::ColorNumber(TColor Color) {
    const auto c = static_cast<quint32>(ColorToRGB(Color));
    return ColorEntryNumber(QStringLiteral("\\red%1\\green%2\\blue%3;").arg(c & 0xFF).arg((c >> 8) & 0xFF).arg((c >> 16) & 0xFF));
}

int TrptRTFExport::FontNumber(const QString& Name, int Charset) {
    const QString key = Name.toLower();
    const auto it = FFontIndex.constFind(key);
    if (it != FFontIndex.constEnd()) return it.value();
    FFontTable.append(Name);
    FCharsetTable.append(QString::number(Charset));
    FFontIndex.insert(key, FFontTable.size() - 1);
    return static_cast<int>(FFontTable.size()) - 1;
}

void TrptRTFExport::PrepareTables() {
    TrptIEMatrix& m = *FMatrix;
    const TGmlFontLookup fonts = [this](const QByteArray& Name, int Charset) {
        return QByteArray::number(FontNumber(QString::fromUtf8(Name), Charset));
    };
    const TGmlColorLookup colors = [this](const QByteArray& Entry) {
        return QByteArray::number(ColorEntryNumber(QString::fromLatin1(Entry)));
    };
    for (int i = 0; i < m.GetObjectsCount(); ++i) {
        TrptIEMObject* o = m.GetObjectById(i);
        o->Counter = -1;
        TrptIEMStyle* st = o->Style;
        if (!st) continue;
        ColorNumber(st->Color);
        ColorNumber(st->FrameColor);
        if (o->IsRichText) {
            const QByteArray group = EmbedRichTextBody(o->Memo()->Text().toUtf8(), fonts, colors);
            o->Memo()->SetText(QString::fromLatin1(RTFBytesToAscii(group)));
        } else if (o->IsText) {
            ColorNumber(st->Font()->Color());
            FontNumber(st->Font()->Name(), st->Charset);
            // Tag colours get their numbers now, while the colour table can still grow.
            if (o->HTMLTags)
                for (TColor c : RTFTagColors(o)) ColorNumber(c);
        }
    }
}

// --- Writing the document -----------------------------------------------------------------------

class TRTFDocumentWriter {
public:
    TRTFDocumentWriter(TrptRTFExport& AFilter, TRTFOut& AOut) : F(AFilter), M(*AFilter.FMatrix), Out(AOut) {
        Cells.ColorNumber = [this](TColor c) { return F.ColorNumber(c); };
        Cells.FontNumber = [this](const QString& n, int cs) { return F.FontNumber(n, cs); };
        Cells.ExportPictures = F.FExportPictures;
        Cells.PictureType = F.FPictureType;
    }

    void Write() {
        Out.Line("{\\rtf1\\ansi");
        // Font entries end with ";" and their names are escaped, so no name breaks the table.
        QStringList fonts;
        for (int i = 0; i < F.FFontTable.size(); ++i)
            fonts << QStringLiteral("{\\f%1\\fcharset%2 ").arg(i).arg(F.FCharsetTable.value(i)) +
                         QString::fromLatin1(RTFEncodeText(F.FFontTable[i], false)) + QStringLiteral(";}");
        Table("{\\fonttbl", fonts);
        Table("{\\colortbl;", F.FColorTable);
        quint16 y, mo, d, h, mi, s, ms;
        DecodeDateTime(F.CreationTime(), y, mo, d, h, mi, s, ms);
        const QString title = F.Report() ? F.Report()->ReportOptions()->Name() : QString();
        auto two = [](int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); };
        Out.Line("{\\info{\\title " + RTFEncodeText(title, false) + "}{\\author " + RTFEncodeText(F.FCreator, false) +
                 "}{\\creatim\\yr" + QStringLiteral("%1").arg(y, 4, 10, QLatin1Char('0')).toLatin1() + "\\mo" +
                 two(mo).toLatin1() + "\\dy" + two(d).toLatin1() + "\\hr" + two(h).toLatin1() + "\\min" +
                 two(mi).toLatin1() + "}}");
        std::unique_ptr<TrptProgress> progress;
        if (F.ShowProgress()) {
            progress = std::make_unique<TrptProgress>(nullptr);
            progress->Execute(std::max(0, M.Height() - 1), GlobalResources()->Get(QStringLiteral("ProgressWait")), true,
                              true);
        }
        Progress = progress.get();
        SectionSetup(0);
        Factor = 15;
        const std::vector<int> passes = F.FHeaderFooterMode == hfPrint ? std::vector<int>{3, 2, 1} : std::vector<int>{1};
        for (int pass : passes) {
            if (pass == 3) Out.Line("{\\header ");
            if (pass == 2) Out.Line("{\\footer ");
            if (M.GetPagesCount() == 1) Factor = 14.5;
            Page = 0;
            SectionRow = 0;
            for (int j = 0; j + 1 < M.Height(); ++j)
                if (!Row(pass, j)) break;
            if (pass != 1) Out.Line("}");
        }
        Out.Line("}");
        Progress = nullptr;
    }

private:
    void Table(const QByteArray& Start, const QStringList& Entries) {
        QByteArray buf = Start;
        for (const QString& e : Entries) {
            const QByteArray entry = e.toLatin1();
            if (buf.size() + entry.size() > 254) {
                Out.Line(buf);
                buf = entry;
            } else {
                buf += entry;
            }
        }
        buf += '}';
        Out.Line(buf);
    }

    void SectionSetup(int p) {
        Out.Line("\\pgwsxn" + Num(RoundEven(M.GetPageWidth(p) * 15.02)) + "\\pghsxn" +
                 Num(RoundEven(M.GetPageHeight(p) * 15.02)) + "\\marglsxn" + Num(RoundEven(M.GetPageLMargin(p) * 56.48)) +
                 "\\margrsxn" + Num(RoundEven(M.GetPageRMargin(p) * 56.48)) + "\\margtsxn" +
                 Num(RoundEven(M.GetPageTMargin(p) * 56.48)) + "\\margbsxn" +
                 Num(RoundEven(M.GetPageBMargin(p) * 56.48)));
        if (M.GetPageOrientation(p) == poLandscape) Out.Line("\\lndscpsxn");
    }

    // True when every cell of the row belongs to the area fill (the matrix's first object).
    bool OnlyFill(int j) const {
        const TrptIEMObject* fill = M.GetObjectById(0);
        for (int i = 0; i + 1 < M.Width(); ++i) {
            const TrptIEMObject* o = M.GetObjectById(M.GetCell(i, j));
            if (o && o != fill && o->Parent != fill) return false;
        }
        return true;
    }

    // Whether a body row holds anything but the area fill (and objects of other passes).
    bool Carries(int j) const {
        const TrptIEMObject* fill = M.GetObjectById(0);
        for (int i = 0; i + 1 < M.Width(); ++i) {
            const TrptIEMObject* o = M.GetObjectById(M.GetCell(i, j));
            if (!o || o == fill || o->Parent == fill) continue;
            if ((o->Header || o->Footer) && F.FHeaderFooterMode != hfText) continue;
            return true;
        }
        return false;
    }

    // Rows after the last one with content on their page.
    bool Trailing(int j) {
        if (TrailingFrom.empty()) {
            const int rows = std::max(0, M.Height() - 1);
            TrailingFrom.assign(static_cast<size_t>(rows), false);
            bool after = true; // no content below yet on this page
            int page = M.GetPagesCount() - 1;
            for (int r = rows - 1; r >= 0; --r) {
                const double y = M.GetYPosById(r);
                while (page > 0 && y < M.GetPageBreak(page - 1)) {
                    --page;
                    after = true;
                }
                if (Carries(r)) after = false;
                TrailingFrom[static_cast<size_t>(r)] = after;
            }
        }
        return j >= 0 && j < static_cast<int>(TrailingFrom.size()) && TrailingFrom[static_cast<size_t>(j)];
    }

    QByteArray Borders(const TrptIEMStyle& st) {
        const QByteArray w = "\\brdrs\\brdrw" + Num(RoundEven(st.FrameWidth * 20));
        const QByteArray c = "\\brdrcf" + Num(F.ColorNumber(st.FrameColor));
        QByteArray s;
        if (st.FrameStyle == fsDouble)
            s = "\\brdrdb";
        else if (st.FrameStyle != fsSolid)
            s = "\\brdrdashsm";
        QByteArray r;
        const struct {
            TrptFrameType t;
            const char* w;
        } sides[] = {{ftTop, "\\clbrdrt"}, {ftLeft, "\\clbrdrl"}, {ftBottom, "\\clbrdrb"}, {ftRight, "\\clbrdrr"}};
        for (const auto& sd : sides)
            if (st.FrameTyp.Contains(sd.t)) r += sd.w + w + c + s;
        return r;
    }

    // False when the progress window was cancelled: the pass writes no more rows.
    bool Row(int pass, int j) {
        if (Progress) {
            Progress->Tick();
            if (Progress->Terminated()) return false;
        }
        if (pass == 1 && F.FExportPageBreaks) {
            bool broke = false;
            while (Page < M.GetPagesCount() && M.GetYPosById(j) >= M.GetPageBreak(Page)) {
                // Hairline paragraphs: a page filled down to its margin keeps its last row, and a
                // section never begins with a table (readers would join it to the one before).
                Out.Line("\\pard\\fs2\\sl-2\\slmult0\\sect");
                ++Page;
                if (Page < M.GetPagesCount()) {
                    SectionSetup(Page);
                    Out.Line("\\pard\\fs2\\sl-2\\slmult0\\par");
                }
                if (Page == M.GetPagesCount() - 1) Factor = 14.5;
                broke = true;
                SectionRow = j;
            }
            // The margin between pages is the new section's own; a row with content that begins
            // right at the break (a page without top margin) is written after the break.
            if (broke && OnlyFill(j)) return true;
        }
        // Empty rows at the end of a page only push the page's last rows onto one more page.
        if (pass == 1 && Trailing(j)) return true;
        const double y0 = M.GetYPosById(j), y1 = M.GetYPosById(j + 1);
        const int height = RoundEven((y1 - y0) * Factor);
        QByteArray d = (F.FAutoSize ? "\\trrh" : "\\trrh-") + Num(height) + "\\trgaph15";
        const double origin = RoundEven(M.GetXPosById(0)) + RoundEven(M.GetPageLMargin(Page) * 56.48 / 15.05);
        QByteArray cells;
        const TrptHeaderFooterMode mode = F.FHeaderFooterMode;
        // Column 0 is the page margin and normally empty; on a page without left margin it holds
        // the first objects, which are written then.
        for (int i = 0; i + 1 < M.Width(); ++i) {
            const int id = M.GetCell(i, j);
            if (id < 0) continue;
            TrptIEMObject* o = M.GetObjectById(id);
            if (!o || !o->Style) continue;
            int x, y, dx, dy;
            M.GetObjectPos(id, x, y, dx, dy);
            const bool marked = o->Header || o->Footer;
            bool take;
            if (pass == 3)
                take = o->Header;
            else if (pass == 2)
                take = o->Footer;
            else
                take = !marked || mode == hfText;
            if (!take) continue;
            const TrptRect b = M.GetObjectBounds(o);
            const QByteArray right = "\\cellx" + Num(RoundEven((b.Right - origin) * 15.05));
            if (o->Counter == -1) {
                if (dy > 1) d += "\\clvmgf";
                const auto fill = static_cast<qint32>(static_cast<quint32>(o->Style->Color));
                if (fill % 0x1000000 != 0xFFFFFF) d += "\\clcbpat" + Num(F.ColorNumber(o->Style->Color));
                d += o->Style->VAlign == vaBottom ? "\\clvertalb" : o->Style->VAlign == vaCenter ? "\\clvertalc" : "\\clvertalt";
                d += Borders(*o->Style) + "\\cltxlrtb" + right;
                cells += RTFCellContent(Cells, Factor, o);
                o->Counter = j + 1;
            } else if (dy > 1 && o->Counter != j + 1) {
                // A merge never reaches back over a section break: the cell starts anew there.
                if (o->Counter - 1 < SectionRow) {
                    d += "\\clvmgf";
                    const auto fill = static_cast<qint32>(static_cast<quint32>(o->Style->Color));
                    if (fill % 0x1000000 != 0xFFFFFF) d += "\\clcbpat" + Num(F.ColorNumber(o->Style->Color));
                } else {
                    d += "\\clvmrg";
                }
                d += Borders(*o->Style) + "\\cltxlrtb" + right;
                cells += "{\\fs" + Num(std::min(height / 15, 20)) + "\\cell}";
                o->Counter = j + 1;
            }
        }
        if (!cells.isEmpty()) {
            Out.Line("\\trowd" + d + "\\pard\\intbl");
            Out.Raw(cells);
            Out.Line("\\pard\\intbl{\\trowd" + d + "\\row}");
        }
        return true;
    }

    TrptRTFExport& F;
    TrptIEMatrix& M;
    TRTFOut& Out;
    TRTFCellContext Cells;
    TrptProgress* Progress = nullptr;
    double Factor = 15;
    int Page = 0;
    int SectionRow = 0; // the first row of the current section
    std::vector<bool> TrailingFrom;
};

void TrptRTFExport::Finish() {
    if (!FMatrix) return;
    struct TCleanup {
        TrptRTFExport& F;
        ~TCleanup() {
            F.FMatrix.reset();
            F.FProgress = nullptr;
        }
    } cleanup{*this};
    bool failed = false;
    QString target = FileName();
    try {
        FMatrix->Prepare();
        PrepareTables();
        std::unique_ptr<TFileStream> file;
        TStream* out = Stream();
        if (!out) {
            file = std::make_unique<TFileStream>(FileName(), fmCreate);
            out = file.get();
        }
        TRTFOut o(*out);
        TRTFDocumentWriter(*this, o).Write();
        o.Flush();
    } catch (const Exception& e) {
        failed = true;
        ReportError(Stream() ? e.Message() : target + QStringLiteral(": ") + e.Message());
    } catch (const std::bad_alloc&) {
        failed = true;
        ReportError(target + QStringLiteral(": out of memory"));
    }
    if (!failed && FOpenAfterExport && !Stream() && !(Report() && Report()->Terminated())) OpenDocument(FileName());
}
