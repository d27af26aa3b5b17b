#include "report/export/rptHTMLExport.h"

#include "platform/rtl/StringList.h"
#include "platform/sys/Desktop.h"
#include "report/core/rptClassLine.h"
#include "report/core/rptClassMemo.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptHTMLTags.h"
#include "report/core/rptProgress.h"
#include "report/core/rptRes.h"
#include "report/core/rptUtils.h"
#include "report/export/rptExportUtils.h"
#include "report/export/rptHTMLExportDialog.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>

#include <cmath>

namespace {

int RoundEven(double v) { return static_cast<int>(std::nearbyint(v)); }

// Red, green, blue as six lower-case hex digits.
QString Hex6(TColor c) {
    static const char digits[] = "0123456789abcdef";
    const auto v = static_cast<quint32>(c);
    QChar out[6];
    for (int i = 0; i < 3; ++i) {
        const quint32 b = (v >> (8 * i)) & 0xFF;
        out[2 * i] = QLatin1Char(digits[b >> 4]);
        out[2 * i + 1] = QLatin1Char(digits[b & 0xF]);
    }
    return QString(out, 6);
}

// A font family as a quoted CSS string (quotes and backslashes escaped).
QString CssString(const QString& s) {
    QString r = QStringLiteral("'");
    for (QChar c : s) {
        if (c == QLatin1Char('\'') || c == QLatin1Char('\\')) r += QLatin1Char('\\');
        if (c.unicode() >= 0x20 && c != QLatin1Char('<') && c != QLatin1Char('>')) r += c;
    }
    return r + QLatin1Char('\'');
}

// A text inside a double-quoted script string within an HTML comment: quotes, backslashes,
// line breaks and "<" (which could end the script) escaped.
QString JsString(const QString& s) {
    QString r;
    for (QChar c : s) {
        switch (c.unicode()) {
        case '\\': r += QLatin1String("\\\\"); break;
        case '"': r += QLatin1String("\\\""); break;
        case '\'': r += QLatin1String("\\'"); break;
        case '<': r += QLatin1String("\\x3C"); break;
        case '>': r += QLatin1String("\\x3E"); break;
        case '&': r += QLatin1String("\\x26"); break;
        default:
            if (c.unicode() < 0x20 || c.unicode() == 0x2028 || c.unicode() == 0x2029)
                r += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
            else
                r += c;
        }
    }
    return r;
}

void WriteLine(QIODevice& Out, const QString& s) { Out.write((s + QStringLiteral("\r\n")).toUtf8()); }

void WriteList(QIODevice& Out, const QStringList& l) {
    for (const QString& s : l) WriteLine(Out, s);
    Out.write("\r\n");
}

} // namespace

KORVEL_CLASS_INFO(TrptHTMLExport) {
    using C = TrptHTMLExport;
    b.Prop("OpenAfterExport", &C::OpenAfterExport, &C::SetOpenAfterExport).Default(false);
    b.Prop("FixedWidth", &C::FixedWidth, &C::SetFixedWidth).Default(true);
    b.Prop("ExportPictures", &C::ExportPictures, &C::SetExportPictures).Default(true);
    b.Prop("PicsInSameFolder", &C::PicsInSameFolder, &C::SetPicsInSameFolder).Default(false);
    b.Prop("ExportStyles", &C::ExportStyles, &C::SetExportStyles).Default(true);
    b.Prop("Navigator", &C::Navigator, &C::SetNavigator).Default(false);
    b.Prop("Multipage", &C::Multipage, &C::SetMultipage).Default(false);
    b.Prop("MozillaFrames", &C::MozillaFrames, &C::SetMozillaFrames).Default(false);
    b.Prop("AbsLinks", &C::AbsLinks, &C::SetAbsLinks).Default(false);
    b.Prop("Background", &C::Background, &C::SetBackground).Default(false);
    b.Prop("Centered", &C::Centered, &C::SetCentered).Default(false);
    b.Prop("EmptyLines", &C::EmptyLines, &C::SetEmptyLines).Default(true);
    b.Prop("URLTarget", &C::URLTarget, &C::SetURLTarget);
    b.Prop("Print", &C::Print, &C::SetPrint).Default(false);
    b.Prop("PictureType", &C::PictureType, &C::SetPictureType).Default(gpPNG);
}

TrptHTMLExport::TrptHTMLExport(TComponent* AOwner) : TrptCustomExportFilter(AOwner) {
    RegisterExportResources();
    SetFilterDesc(ReportText(QStringLiteral("8210")));
    SetDefaultExt(ReportText(QStringLiteral("8211")));
    SetFiles(std::make_unique<TStringList>());
    FHTMLDocumentBegin << QStringLiteral("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">")
                       << QStringLiteral("<html><head>")
                       << QStringLiteral("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">")
                       << QStringLiteral("<meta name=Generator content=\"Korvel reports\">");
    FHTMLDocumentEnd << QStringLiteral("</body></html>");
}

TrptHTMLExport::~TrptHTMLExport() = default;

QString TrptHTMLExport::GetDescription() const { return ReportText(QStringLiteral("HTMLexport")); }

QString TrptHTMLExport::Escape(const QString& s) {
    QString r;
    r.reserve(s.size() + s.size() / 8);
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = s[i];
        const char16_t u = c.unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(s[i + 1].unicode())) {
            r += c;
            r += s[++i];
            continue;
        }
        if (QChar::isSurrogate(u)) {
            r += QChar(0xFFFD);
            continue;
        }
        switch (u) {
        case '&': r += QLatin1String("&amp;"); break;
        case '<': r += QLatin1String("&lt;"); break;
        case '>': r += QLatin1String("&gt;"); break;
        case '"': r += QLatin1String("&quot;"); break;
        case '\'': r += QLatin1String("&#39;"); break;
        default:
            if (u < 0x20 && u != '\t' && u != '\n' && u != '\r') break; // not allowed in HTML
            if (u == 0x7F || (u >= 0x80 && u < 0xA0)) break;
            r += c;
        }
    }
    return r;
}

QString TrptHTMLExport::SafeLink(const QString& URL) {
    const QString u = URL.trimmed();
    if (u.isEmpty()) return QString();
    // A scheme is letters, digits, + - . before the first ':' that comes before any / ? #.
    const qsizetype colon = u.indexOf(QLatin1Char(':'));
    qsizetype stop = -1;
    for (qsizetype i = 0; i < u.size() && stop < 0; ++i)
        if (u[i] == QLatin1Char('/') || u[i] == QLatin1Char('?') || u[i] == QLatin1Char('#')) stop = i;
    if (colon > 0 && (stop < 0 || colon < stop)) {
        const QString scheme = u.left(colon).toLower();
        if (scheme != QLatin1String("http") && scheme != QLatin1String("https") && scheme != QLatin1String("mailto"))
            return QString();
    }
    for (QChar c : u)
        if (c.unicode() < 0x20) return QString();
    return u;
}

QString TrptHTMLExport::FileLink(const QString& Path) {
    QStringList parts = QDir::fromNativeSeparators(Path).split(QLatin1Char('/'));
    for (QString& p : parts) p = QString::fromLatin1(QUrl::toPercentEncoding(p));
    return parts.join(QLatin1Char('/'));
}

QString TrptHTMLExport::FilesPrefix() {
    const QFileInfo fi(FileName());
    const QString d = fi.path() + QLatin1Char('/');
    const QString n = fi.completeBaseName();
    if (FPicsInSameFolder) return d + n + QLatin1Char('.');
    QDir().mkpath(d + n + QStringLiteral(".files"));
    return d + n + QStringLiteral(".files/");
}

QString TrptHTMLExport::LinkPrefix() const {
    const QFileInfo fi(FileName());
    const QString n = fi.completeBaseName();
    if (FPicsInSameFolder) return n + QLatin1Char('.');
    if (FMultipage) return QString();
    if (FAbsLinks) return fi.absolutePath() + QLatin1Char('/') + n + QStringLiteral(".files/");
    if (FNavigator) return QString();
    return n + QStringLiteral(".files/");
}

void TrptHTMLExport::ReportError(const QString& Text) {
    if (FErrorReported) return;
    FErrorReported = true;
    TrptSilentMode mode = simSilent;
    if (Report()) mode = Report()->EngineOptions()->NewSilentMode();
    if (mode == simSilent && Report()) Report()->Errors()->Add(Text);
    else HandleReportError(mode, Text);
}

TModalResult TrptHTMLExport::ShowModal() {
    if (Stream()) return mrOk;
    return RunHTMLExportDialog(this);
}

void TrptHTMLExport::ApplySlaveSettings() {
    FOpenAfterExport = false;
    FNavigator = false;
    FMultipage = false;
    FBackground = false;
    FExportPictures = true;
    FPicsInSameFolder = true;
    const QString reportFile = Report() ? QDir::fromNativeSeparators(Report()->FileName()) : QString();
    if (!reportFile.isEmpty()) {
        SetFileName(TempFolderPath() + QFileInfo(reportFile).completeBaseName() + DefaultExt());
    } else {
        const QString temp = NewTempFileName();
        SetFileName(temp.left(temp.size() - QFileInfo(temp).suffix().size() - 1) + DefaultExt());
        // NewTempFileName made an empty file of its own name: it is not one of ours.
        QFile::remove(temp);
    }
}

bool TrptHTMLExport::Start() {
    if (SlaveExport()) ApplySlaveSettings();
    if (FileName().isEmpty() && !Stream()) return false;
    if (!FileName().isEmpty() && QFileInfo(FileName()).path() == QLatin1String(".") &&
        !FileName().contains(QLatin1Char('/')) && !DefaultPath().isEmpty())
        SetFileName(DefaultPath() + QLatin1Char('/') + FileName());
    FCurrentPage = 0;
    FPicturesCount = 0;
    FBackgroundCount = 0;
    FErrorReported = false;
    FMatrix = std::make_unique<TrptIEMatrix>(UseFileCache(), QString());
    FMatrix->SetReport(Report());
    FMatrix->SetShowProgress(FMultipage ? false : ShowProgress());
    FMatrix->SetInaccuracy(0.5);
    FMatrix->SetRotatedAsImage(true);
    FMatrix->SetFramesOptimization(true);
    FMatrix->SetBackground(FBackground);
    FMatrix->SetBackgroundImage(false);
    FMatrix->SetPrintable(ExportNotPrintable());
    FMatrix->SetRichText(true);
    FMatrix->SetPlainRich(true);
    FMatrix->SetEmptyLines(FEmptyLines);
    if (Stream()) {
        FMultipage = false;
        FExportPictures = false;
        FNavigator = false;
    }
    if (Files()) Files()->Clear();
    return true;
}

void TrptHTMLExport::StartPage(TrptReportPage*, int) {
    ++FCurrentPage;
    FBackImageExist = false;
    FBackImage.reset();
}

void TrptHTMLExport::ExportObject(TrptComponent* Obj) {
    auto* v = dynamic_cast<TrptView*>(Obj);
    if (!v || !FMatrix) return;
    if (!v->Printable() && !ExportNotPrintable()) return;
    if (dynamic_cast<TrptCustomMemoView*>(v) || dynamic_cast<TrptLineView*>(v) || FExportPictures)
        FMatrix->AddObject(v);
    if (v->Name() == QLatin1String("_pagebackground") && FExportPictures && FBackground) {
        const int w = std::max(1, RoundEven(v->Width())), h = std::max(1, RoundEven(v->Height()));
        FBackImage = std::make_unique<TBitmap>(w, h, pf24bit);
        v->Draw(&FBackImage->Canvas(), 1, 1, -v->AbsLeft(), -v->AbsTop());
        FBackImage->Canvas().Flush();
        FBackImageExist = true;
    }
}

void TrptHTMLExport::FinishPage(TrptReportPage* Page, int Index) {
    if (!FMatrix) return;
    if (FMultipage) {
        FMatrix->Prepare();
        const QString name = FilesPrefix() + QString::number(FCurrentPage) + QStringLiteral(".html");
        QFile f(name);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            if (Files()) Files()->Add(name);
            try {
                WriteDocument(f);
            } catch (const Exception& e) {
                ReportError(e.Message());
            }
            if (f.error() != QFileDevice::NoError) ReportError(f.fileName() + QStringLiteral(": ") + f.errorString());
        } else {
            ReportError(name + QStringLiteral(": ") + f.errorString());
        }
        FMatrix->Clear();
    } else if (Page) {
        FMatrix->AddPage(Page->Orientation(), Page->PaperWidth(), Page->PaperHeight(), Page->LeftMargin(),
                         Page->TopMargin(), Page->RightMargin(), Page->BottomMargin(), Page->MirrorMargins(), Index);
    } else {
        FMatrix->AddPage(poPortrait, 0, 0, 0, 0, 0, 0, false, Index);
    }
}

void TrptHTMLExport::Finish() {
    if (!FMatrix) return;
    if (!FMultipage) {
        std::unique_ptr<TrptProgress> progress;
        if (ShowProgress()) {
            progress = std::make_unique<TrptProgress>(nullptr);
            progress->Execute(std::max(0, FCurrentPage - 1), GlobalResources()->Get(QStringLiteral("ProgressWait")), true,
                              true);
        }
        FProgress = progress.get();
        struct TProgressEnd {
            TrptProgress*& Ref;
            ~TProgressEnd() { Ref = nullptr; }
        } progressEnd{FProgress};
        FMatrix->Prepare();
        if (Cancelled()) {
            // Nothing is written and nothing opened; the export loop learns of the cancel.
            if (Report()) Report()->SetTerminated(true);
            FMatrix.reset();
            return;
        }
        if (Stream()) {
            QBuffer buf;
            buf.open(QIODevice::WriteOnly);
            WriteDocument(buf);
            Stream()->WriteBuffer(buf.data().constData(), buf.data().size());
        } else {
            const QString mainName = FNavigator ? FilesPrefix() + QStringLiteral("main.html") : FileName();
            QFile f(mainName);
            if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
                if (Files()) Files()->Add(mainName);
                try {
                    WriteDocument(f);
                } catch (const Exception& e) {
                    ReportError(e.Message());
                }
                if (f.error() != QFileDevice::NoError) ReportError(f.fileName() + QStringLiteral(": ") + f.errorString());
            } else {
                ReportError(mainName + QStringLiteral(": ") + f.errorString());
            }
        }
        FMatrix->Clear();
    }
    if (FNavigator) WriteNavigator();
    FMatrix.reset();
    // A cancelled export leaves partial files: they are not opened.
    if (FOpenAfterExport && !Stream() && !(Report() && Report()->Terminated())) {
        if (FMultipage && !FNavigator) {
            if (FCurrentPage > 0) OpenDocument(FilesPrefix() + QStringLiteral("1.html"));
        } else {
            OpenDocument(FileName());
        }
    }
}

bool TrptHTMLExport::Cancelled() const {
    return FProgress && FProgress->Terminated();
}

QString TrptHTMLExport::ReportTitle() const {
    if (!Report()) return QString();
    QString t = Report()->ReportOptions()->Name();
    if (t.isEmpty()) t = QFileInfo(QDir::fromNativeSeparators(Report()->FileName())).completeBaseName();
    return t;
}

QString TrptHTMLExport::SavePicture(TGraphic& Picture, const QString& Stem) {
    const QString ext = PictureTypeExtension(FPictureType);
    const QString file = FilesPrefix() + Stem + QLatin1Char('.') + ext;
    try {
        SaveGraphicToFile(Picture, file, FPictureType);
        if (Files()) Files()->Add(file);
    } catch (const Exception& e) {
        ReportError(file + QStringLiteral(": ") + e.Message());
    }
    return FileLink(LinkPrefix() + Stem + QLatin1Char('.') + ext);
}

// Report texts go into multi-argument arg() calls: a chained arg() would take a "%2" inside the
// first inserted text for its own placeholder.
QString TrptHTMLExport::StyleClass(int k) const {
    const TrptIEMStyle* s = FMatrix->GetStyleById(k);
    const TFont* f = s->Font();
    QString r = QStringLiteral(".s%1 {\r\n").arg(k);
    r += QStringLiteral(" font-family: %1;\r\n font-size: %2px;\r\n color: %3;")
             .arg(CssString(f->Name()), QString::number(RoundEven(f->Size() * 96.0 / 72.0)), ColorToHtmlHex(f->Color()));
    if (f->Style().Contains(fsBold)) r += QStringLiteral(" font-weight: bold;");
    r += f->Style().Contains(fsItalic) ? QStringLiteral(" font-style: italic;") : QStringLiteral(" font-style: normal;");
    const bool u = f->Style().Contains(fsUnderline), st = f->Style().Contains(fsStrikeOut);
    if (u || st)
        r += QStringLiteral(" text-decoration:%1%2;")
                 .arg(u ? QStringLiteral(" underline") : QString(), st ? QStringLiteral(" line-through") : QString());
    r += QStringLiteral("\r\n");
    r += s->Color == clNone ? QStringLiteral(" background-color: transparent;")
                            : QStringLiteral(" background-color: %1;").arg(ColorToHtmlHex(s->Color));
    r += QStringLiteral("\r\n");
    if (s->ParagraphGap > 0) {
        // CSS numbers take "." whatever the user's decimal separator ("2,5px" is dropped).
        const double g = s->ParagraphGap;
        const QString n = std::trunc(g) == g ? QString::number(g, 'f', 0) : QString::number(g, 'f', 2);
        r += QStringLiteral("  text-indent: %1px;\r\n").arg(n);
    }
    if (!s->FrameTyp.Empty()) {
        r += QStringLiteral(" border-color:%1; border-style: solid;").arg(ColorToHtmlHex(s->FrameColor));
        const struct {
            TrptFrameType t;
            const char* n;
        } sides[] = {{ftLeft, "left"}, {ftRight, "right"}, {ftTop, "top"}, {ftBottom, "bottom"}};
        for (const auto& sd : sides)
            r += QStringLiteral(" border-%1-width: %2px;")
                     .arg(QLatin1String(sd.n))
                     .arg(s->FrameTyp.Contains(sd.t) ? RoundEven(s->FrameWidth) : 0);
        r += QStringLiteral("\r\n");
    }
    static const char* const h[] = {"Left", "Right", "Center", "Justify"};
    static const char* const v[] = {"Top", "Bottom", "Middle"};
    r += QStringLiteral(" text-align: %1; vertical-align: %2;\r\n}")
             .arg(QLatin1String(s->HAlign >= 0 && s->HAlign <= 3 ? h[s->HAlign] : ""),
                  QLatin1String(s->VAlign >= 0 && s->VAlign <= 2 ? v[s->VAlign] : ""));
    return r;
}

namespace {

// A run of text with one style and colour, escaped and wrapped in its tags.
QString WrapRun(const QString& Run, const TFontStyles& St, TColor Color) {
    QString w = TrptHTMLExport::Escape(Run);
    if (St.Contains(fsBold)) w = QStringLiteral("<b>") + w + QStringLiteral("</b>");
    if (St.Contains(fsItalic)) w = QStringLiteral("<i>") + w + QStringLiteral("</i>");
    if (St.Contains(fsUnderline)) w = QStringLiteral("<u>") + w + QStringLiteral("</u>");
    if (St.Contains(fsStrikeOut)) w = QStringLiteral("<s>") + w + QStringLiteral("</s>");
    if (Color != 0) w = QStringLiteral("<span style=\"color:#") + Hex6(Color) + QStringLiteral("\">") + w + QStringLiteral("</span>");
    return w;
}

} // namespace

QString TrptHTMLExport::FormatText(const TrptIEMObject* Obj) const {
    QString text = Obj->Memo()->Text();
    if (text.endsWith(QStringLiteral("\r\n"))) text.chop(2);
    else if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
    // Split at LF, each line losing the CR before it (a pattern compiled per text costs more than
    // writing the text).
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& l : lines)
        if (l.endsWith(QLatin1Char('\r'))) l.chop(1);
    QStringList out;
    const TFont* cellFont = Obj->Style ? Obj->Style->Font() : nullptr;
    for (QString line : lines) {
        QString plain = line;
        std::vector<TrptHTMLTag> tags;
        if (!Obj->HTMLTags) {
            // Without tags the parser gives every character the cell's font: one run, no parse.
            out << (line.isEmpty() ? QString()
                                   : WrapRun(line, cellFont ? cellFont->Style() : TFontStyles(),
                                             cellFont ? cellFont->Color() : 0));
            continue;
        }
        {
            // Plain text goes through the parser too: it gives every character the cell's colour
            // and style, so a coloured font still shows in a browser without the class.
            TrptHTMLTagsList list;
            list.SetAllowTags(Obj->HTMLTags);
            const TFont* font = Obj->Style ? Obj->Style->Font() : nullptr;
            list.SetDefaults(font ? font->Color() : 0, font ? font->Size() : 10, font ? font->Style() : TFontStyles());
            list.StartLine();
            list.ExpandHTMLTags(plain);
            if (line.isEmpty()) plain.clear();
            if (list.Count() > 0 && list.Items(list.Count() - 1).Count() == plain.size()) {
                const TrptHTMLTags& t = list.Items(list.Count() - 1);
                for (int i = 0; i < t.Count(); ++i) tags.push_back(t[i]);
            } else {
                plain = line;
            }
        }
        QString html;
        const auto wrap = [](const QString& run, const TFontStyles& st, TColor color) { return WrapRun(run, st, color); };
        if (tags.empty()) {
            html = Escape(plain);
        } else {
            qsizetype start = 0;
            for (qsizetype i = 1; i <= plain.size(); ++i) {
                if (i == plain.size() || !(tags[size_t(i)].Style == tags[size_t(start)].Style) ||
                    tags[size_t(i)].Color != tags[size_t(start)].Color) {
                    html += wrap(plain.mid(start, i - start), tags[size_t(start)].Style, tags[size_t(start)].Color);
                    start = i;
                }
            }
        }
        out << html;
    }
    return out.join(QStringLiteral("<br>")).trimmed();
}

void TrptHTMLExport::WriteDocument(QIODevice& Out) {
    TrptIEMatrix& m = *FMatrix;
    WriteList(Out, FHTMLDocumentBegin);
    if (FPrint)
        WriteLine(Out, QStringLiteral("<script type=\"text/javascript\"> parent.focus(); parent.print();</script>"));
    WriteLine(Out, QStringLiteral("<title>") + Escape(ReportTitle()) + QStringLiteral("</title>"));
    if (FExportStyles) {
        WriteLine(Out, QStringLiteral("<style type=\"text/css\"><!-- "));
        WriteLine(Out, QStringLiteral(".page_break {page-break-before: always;}"));
        for (int k = 0; k < m.GetStylesCount(); ++k) WriteLine(Out, StyleClass(k));
        WriteLine(Out, QStringLiteral("--></style>"));
    }
    WriteLine(Out, QStringLiteral("</head>"));
    WriteLine(Out, QStringLiteral("<body"));
    if (FBackImageExist && FExportPictures && FBackImage) {
        // Numbered, so that each page of a multipage export keeps its own background.
        const QString link = SavePicture(*FBackImage, QStringLiteral("backgrnd%1").arg(FBackgroundCount++));
        WriteLine(Out, QStringLiteral(" background=\"") + Escape(link) + QStringLiteral("\""));
    }
    WriteLine(Out, QStringLiteral(" bgcolor=\"#FFFFFF\" text=\"#000000\">"));
    WriteList(Out, FHTMLDocumentBody);
    WriteLine(Out, QStringLiteral("<a name=\"PageN1\"></a>"));
    auto tableStart = [&](bool pageBreak) {
        QString s = QStringLiteral("<table");
        if (FFixedWidth) s += QStringLiteral(" width=\"%1\"").arg(RoundEven(m.MaxWidth() - m.Left()));
        if (FCentered) s += QStringLiteral(" align=\"center\"");
        s += QStringLiteral(" border=\"0\" cellspacing=\"0\" cellpadding=\"0\"");
        if (pageBreak) s += QStringLiteral(" class=\"page_break\"");
        WriteLine(Out, s + QLatin1Char('>'));
        QString row = QStringLiteral("<tr style=\"height: 1px\">");
        if (m.Width() < 2) row += QStringLiteral("<td></td>");
        for (int k = 0; k + 1 < m.Width(); ++k)
            row += QStringLiteral("<td width=\"%1\"></td>").arg(RoundEven(m.GetXPosById(k + 1) - m.GetXPosById(k)));
        WriteLine(Out, row + QStringLiteral("</tr>"));
    };
    tableStart(false);
    bool tableOpen = true;
    int pageIndex = 0;
    for (int y = 0; y + 1 < m.Height(); ++y) {
        if (!FMultipage && Cancelled()) break;
        bool brk = false;
        if (pageIndex < m.GetPagesCount() && RoundEven(m.GetYPosById(y + 1)) >= RoundEven(m.GetPageBreak(pageIndex))) {
            brk = true;
            ++pageIndex;
            if (FProgress) FProgress->Tick();
        }
        WriteLine(Out, QStringLiteral("<tr style=\"height:%1px\">")
                           .arg(std::max(1, RoundEven((m.GetYPosById(y + 1) - m.GetYPosById(y)) / 1.03))));
        QString cells;
        for (int x = 0; x + 1 < m.Width(); ++x) {
            if (!FMultipage && Cancelled()) break;
            const int id = m.GetCell(x, y);
            if (id < 0) {
                cells += QStringLiteral("<td></td>");
                continue;
            }
            TrptIEMObject* o = m.GetObjectById(id);
            if (o->Counter != 0) continue;
            o->Counter = 1;
            int px, py, dx, dy;
            m.GetObjectPos(id, px, py, dx, dy);
            cells += QStringLiteral("<td");
            if (dx >= 2) cells += QStringLiteral(" colspan=\"") + QString::number(dx) + QLatin1Char('"');
            if (dy >= 2) cells += QStringLiteral(" rowspan=\"") + QString::number(dy) + QLatin1Char('"');
            if (FExportStyles && o->StyleIndex >= 0) cells += QStringLiteral(" class=\"s") + QString::number(o->StyleIndex) + QLatin1Char('"');
            if (o->Memo()->Text().trimmed().isEmpty()) cells += QStringLiteral(" style=\"font-size:1px\"");
            cells += QLatin1Char('>');
            bool link = false;
            if (!o->URL.isEmpty()) {
                QString href;
                if (o->URL.startsWith(QLatin1Char('@'))) {
                    const QString page = o->URL.mid(1).trimmed();
                    bool ok = false;
                    page.toInt(&ok);
                    if (ok)
                        href = FMultipage ? FileLink(LinkPrefix() + page + QStringLiteral(".html"))
                                          : QStringLiteral("#PageN") + page;
                } else {
                    href = SafeLink(o->URL);
                }
                if (!href.isEmpty()) {
                    cells += QStringLiteral("<a href=\"") + Escape(href) + QLatin1Char('"');
                    if (!FURLTarget.isEmpty()) cells += QStringLiteral(" target=\"") + Escape(FURLTarget) + QLatin1Char('"');
                    cells += QLatin1Char('>');
                    link = true;
                }
            }
            if (o->Image()) {
                const QString src = SavePicture(*o->Image(), QStringLiteral("img%1").arg(FPicturesCount));
                cells += QStringLiteral("<img src=\"%1\" width=\"%2\" height=\"%3\" alt=\"\">")
                             .arg(Escape(src), QString::number(o->Image()->Width()), QString::number(o->Image()->Height()));
                ++FPicturesCount;
            } else if (o->IsText) {
                const QString t = FormatText(o);
                cells += t.isEmpty() ? QStringLiteral("&nbsp;") : t;
            }
            if (link) cells += QStringLiteral("</a>");
            cells += QStringLiteral("</td>");
        }
        WriteLine(Out, cells);
        WriteLine(Out, QStringLiteral("</tr>"));
        if (brk) {
            WriteLine(Out, QStringLiteral("</table>"));
            tableOpen = false;
            if (y + 2 < m.Height()) {
                WriteLine(Out, QStringLiteral("<a name=\"PageN%1\"></a>").arg(pageIndex + 1));
                tableStart(true);
                tableOpen = true;
            }
        }
    }
    // Every table started is closed, also when the last row ends no page.
    if (tableOpen) WriteLine(Out, QStringLiteral("</table>"));
    WriteList(Out, FHTMLDocumentEnd);
}

QString TrptHTMLExport::ScriptReportName() const {
    QString name = Report() ? Report()->FileName() : QString();
    if (!FReportPath.isEmpty()) {
        const qsizetype at = name.indexOf(FReportPath);
        if (at >= 0) name.remove(at, FReportPath.size());
    }
    QString r;
    for (QChar c : name) {
        const char16_t u = c.unicode();
        if ((u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z'))
            r += c;
        else
            r += QLatin1Char('%') + QString::number(u & 0xFF, 16).rightJustified(2, QLatin1Char('0')).toUpper();
    }
    return r;
}

void TrptHTMLExport::WriteNavigator() {
    const QFileInfo fi(FileName());
    const QString n = fi.completeBaseName();
    const QString framePrefix = FileLink(FPicsInSameFolder ? n + QLatin1Char('.') : n + QStringLiteral(".files/"));
    // The navigation bar: page buttons and the page field, driving the main frame.
    QStringList nav;
    nav << QStringLiteral("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Transitional//EN\">")
        << QStringLiteral("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"
                          "<meta name=Generator content=\"Korvel reports\"><title></title><style type=\"text/css\"><!--")
        << QStringLiteral("body { font-family: Tahoma; font-size: 8px; font-weight: bold; font-style: normal; "
                          "text-align: center; vertical-align: middle; }")
        << QStringLiteral("input {text-align: center}")
        << QStringLiteral(".nav { font : 9pt Tahoma; color : #283e66; font-weight : bold; text-decoration : none;}")
        << QStringLiteral("--></style><script type=\"text/javascript\"><!--")
        << QStringLiteral("  var rptPgCnt = %1; var rptRepName = \"%2\"; var rptMultipage = %3; var rptPrefix=\"%4\";")
               .arg(QString::number(FCurrentPage), ScriptReportName(), FMultipage ? QStringLiteral("1") : QStringLiteral("0"),
                    FPicsInSameFolder ? JsString(FileLink(n) + QLatin1Char('.')) : QString())
        << QStringLiteral("  function DoPage(PgN) {")
        << QStringLiteral("    if ((PgN > 0) && (PgN <= rptPgCnt) && (PgN != parent.rptCurPage)) {")
        << QStringLiteral("      if (rptMultipage > 0)  parent.mainFrame.location = rptPrefix + PgN + \".html\";")
        << QStringLiteral("      else parent.mainFrame.location = rptPrefix + \"main.html#PageN\" + PgN;")
        << QStringLiteral("      UpdateNav(PgN); } else document.PgForm.PgEdit.value = parent.rptCurPage; }")
        << QStringLiteral("  function UpdateNav(PgN) {")
        << QStringLiteral("    parent.rptCurPage = PgN; document.PgForm.PgEdit.value = PgN;")
        << QStringLiteral("    if (PgN == 1) { document.PgForm.bFirst.disabled = 1; document.PgForm.bPrev.disabled = 1; }")
        << QStringLiteral("    else { document.PgForm.bFirst.disabled = 0; document.PgForm.bPrev.disabled = 0; }")
        << QStringLiteral("    if (PgN == rptPgCnt) { document.PgForm.bNext.disabled = 1; document.PgForm.bLast.disabled = 1; }")
        << QStringLiteral("    else { document.PgForm.bNext.disabled = 0; document.PgForm.bLast.disabled = 0; } }")
        << QStringLiteral("  function RefreshRep() { %1 }")
               .arg(FRefreshLink.isEmpty()
                        ? QStringLiteral("parent.location = \"result?report=\" + rptRepName + \"&multipage=\" + rptMultipage;")
                        : QStringLiteral("parent.location = \"%1\";").arg(JsString(FRefreshLink)))
        << QStringLiteral("  function PrintRep() { %1 }")
               .arg(FPrintLink.isEmpty() ? QStringLiteral("parent.mainFrame.focus(); parent.mainFrame.print();")
                                         : QStringLiteral("parent.location = \"%1\";").arg(JsString(FPrintLink)))
        << QStringLiteral("--></script></head>")
        << QStringLiteral("<body bgcolor=\"#DDDDDD\" text=\"#000000\" leftmargin=\"0\" topmargin=\"4\" "
                          "onload=\"UpdateNav(parent.rptCurPage)\">")
        << QStringLiteral("<form name=\"PgForm\" onsubmit=\"DoPage(document.forms[0].PgEdit.value); return false;\" action=\"\">")
        << QStringLiteral("<table cellspacing=\"0\" align=\"left\" cellpadding=\"0\" border=\"0\" width=\"100%\">")
        << QStringLiteral("<tr valign=\"middle\">")
        << QStringLiteral("<td width=\"60\" align=\"center\"><button name=\"bFirst\" class=\"nav\" type=\"button\" "
                          "onclick=\"DoPage(1); return false;\">%1</button></td>")
               .arg(Escape(ReportText(QStringLiteral("HTMLNavFirst"))))
        << QStringLiteral("<td width=\"60\" align=\"center\"><button name=\"bPrev\" class=\"nav\" type=\"button\" "
                          "onclick=\"DoPage(Math.max(parent.rptCurPage - 1, 1)); return false;\">%1</button></td>")
               .arg(Escape(ReportText(QStringLiteral("HTMLNavPrev"))))
        << QStringLiteral("<td width=\"100\" align=\"center\"><input type=\"text\" class=\"nav\" name=\"PgEdit\" "
                          "value=\"parent.rptCurPage\" size=\"4\"></td>")
        << QStringLiteral("<td width=\"60\" align=\"center\"><button name=\"bNext\" class=\"nav\" type=\"button\" "
                          "onclick=\"DoPage(parent.rptCurPage + 1); return false;\">%1</button></td>")
               .arg(Escape(ReportText(QStringLiteral("HTMLNavNext"))))
        << QStringLiteral("<td width=\"60\" align=\"center\"><button name=\"bLast\" class=\"nav\" type=\"button\" "
                          "onclick=\"DoPage(rptPgCnt); return false;\">%1</button></td>")
               .arg(Escape(ReportText(QStringLiteral("HTMLNavLast"))))
        << QStringLiteral("<td width=\"20\">&nbsp;</td>")
        << (FServer ? QStringLiteral("<td width=\"60\" align=\"center\"><button name=\"bRefresh\" class=\"nav\" type=\"button\" "
                                     "onclick=\"RefreshRep(); return false;\">%1</button></td>\r\n"
                                     "<td width=\"60\" align=\"center\"><button name=\"bPrint\" class=\"nav\" type=\"button\" "
                                     "onclick=\"PrintRep(); return false;\">%2</button></td>\r\n")
                          .arg(Escape(ReportText(QStringLiteral("HTMLNavRefresh"))),
                               Escape(ReportText(QStringLiteral("HTMLNavPrint"))))
                    : QString()) +
               QStringLiteral("<td align=\"right\">%1: <script type=\"text/javascript\"> document.write(rptPgCnt);</script></td>")
               .arg(Escape(ReportText(QStringLiteral("HTMLNavTotal"))))
        << QStringLiteral("<td width=\"10\">&nbsp;</td>")
        << QStringLiteral("</tr></table></form></body></html>");

    const QString navName = FilesPrefix() + QStringLiteral("nav.html");
    QString navTemplate, mainTemplate;
    if (FUseTemplates) {
        if (OnGetNavTemplate)
            OnGetNavTemplate(ScriptReportName(), FMultipage, FPicsInSameFolder, n + QLatin1Char('.'), FCurrentPage,
                             navTemplate);
        if (OnGetMainTemplate) OnGetMainTemplate(ReportTitle(), framePrefix, FMultipage, mainTemplate);
    }
    QStringList frames;
    frames << QStringLiteral("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.01 Frameset//EN\" "
                             "\"http://www.w3.org/TR/html4/frameset.dtd\">")
           << QStringLiteral("<html><head>")
           << QStringLiteral("<title>") + Escape(ReportTitle()) + QStringLiteral("</title>")
           << QStringLiteral("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">")
           << QStringLiteral("<script type=\"text/javascript\"> var rptCurPage = 1;</script></head>")
           << QStringLiteral("<frameset rows=\"32,*\" cols=\"*\">")
           << QStringLiteral("<frame name=\"topFrame\" src=\"") + Escape(framePrefix) +
                  QStringLiteral("nav.html\" noresize scrolling=\"no\">")
           << QStringLiteral("<frame name=\"mainFrame\" src=\"") + Escape(framePrefix) +
                  (FMultipage ? QStringLiteral("1.html\">") : QStringLiteral("main.html\">"))
           << QStringLiteral("</frameset>") << QStringLiteral("</html>");
    const struct {
        QString Name;
        const QStringList& Lines;
        const QString& Template;
    } files[] = {{navName, nav, navTemplate}, {FileName(), frames, mainTemplate}};
    for (const auto& fl : files) {
        QFile f(fl.Name);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            ReportError(fl.Name + QStringLiteral(": ") + f.errorString());
            continue;
        }
        Files()->Add(fl.Name);
        if (FUseTemplates)
            f.write(fl.Template.toUtf8()); // as given, without a line end
        else
            for (const QString& l : fl.Lines) WriteLine(f, l);
        if (f.error() != QFileDevice::NoError) ReportError(fl.Name + QStringLiteral(": ") + f.errorString());
    }
}
