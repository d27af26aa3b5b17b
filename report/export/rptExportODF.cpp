#include "report/export/rptExportODF.h"

#include "platform/gfx/Picture.h"
#include "platform/rtl/SysUtils.h"
#include "platform/sys/Desktop.h"
#include "platform/sys/TempFiles.h"
#include "report/core/rptClassBand.h"
#include "report/core/rptClassMemo.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptClassPicture.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptHTMLTags.h"
#include "report/core/rptProgress.h"
#include "report/core/rptRes.h"
#include "report/core/rptUtils.h"
#include "report/core/rptXML.h"
#include "report/export/rptExportODFDialog.h"
#include "report/export/rptExportUtils.h"
#include "report/export/rptZip.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <sys/stat.h>

namespace {

const char* const GeneratorText = "korvel.local/Rozo Zodeva/build:4.15";

// A package folder made by mkdtemp (readable by the user only) and removed with everything in it
// when the export leaves, also through an error.
class TPackageFolder {
public:
    TPackageFolder() {
        QByteArray templ = QFile::encodeName(TempFolderPath() + QStringLiteral("odf")) + "XXXXXX";
        if (!::mkdtemp(templ.data()))
            throw EInOutError(QStringLiteral("Cannot create a folder in \"%1\". %2")
                                  .arg(TempFolderPath(), QString::fromLocal8Bit(std::strerror(errno))));
        FPath = QFile::decodeName(templ) + QLatin1Char('/');
    }
    ~TPackageFolder() { DeleteFolderTree(FPath); }
    TPackageFolder(const TPackageFolder&) = delete;
    TPackageFolder& operator=(const TPackageFolder&) = delete;
    const QString& Path() const { return FPath; }
    void MakeSub(const QString& Name) const {
        const QByteArray p = QFile::encodeName(FPath + Name);
        if (::mkdir(p.constData(), 0700) != 0)
            throw EInOutError(QStringLiteral("Cannot create the folder \"%1\". %2")
                                  .arg(FPath + Name, QString::fromLocal8Bit(std::strerror(errno))));
    }

private:
    QString FPath;
};

void SaveXML(TrptXMLDocument& Doc, const QString& FileName) {
    TFileStream out(FileName, fmCreate);
    Doc.SaveToStream(out);
}

QString TwoDigits(int v) { return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0')); }

} // namespace

KORVEL_CLASS_INFO(TrptODFExport) {
    using C = TrptODFExport;
    b.Prop("PictureType", &C::PictureType, &C::SetPictureType).Default(gpPNG);
    b.Prop("ExportStyles", &C::ExportStyles, &C::SetExportStyles).Default(true);
    b.Prop("ExportPageBreaks", &C::ExportPageBreaks, &C::SetExportPageBreaks).Default(true);
    b.Prop("OpenAfterExport", &C::OpenAfterExport, &C::SetOpenAfterExport).Default(false);
    b.Prop("Wysiwyg", &C::Wysiwyg, &C::SetWysiwyg).Default(true);
    b.Prop("Background", &C::Background, &C::SetBackground).Default(true);
    b.Prop("Creator", &C::Creator, &C::SetCreator);
    b.Prop("EmptyLines", &C::EmptyLines, &C::SetEmptyLines).Default(true);
    b.Prop("SingleSheet", &C::SingleSheet, &C::SetSingleSheet).Default(false);
    b.Prop("Language", &C::Language, &C::SetLanguage);
    b.Prop("SuppressPageHeadersFooters", &C::SuppressPageHeadersFooters, &C::SetSuppressPageHeadersFooters)
        .Default(false);
}

KORVEL_CLASS_INFO(TrptODSExport) {}
KORVEL_CLASS_INFO(TrptODTExport) {}

TrptODFExport::TrptODFExport(TComponent* AOwner)
    : TrptCustomExportFilter(AOwner), FCreator(QStringLiteral("RozoZodeva")), FLanguage(QStringLiteral("en")) {
    RegisterExportResources();
}

TrptODFExport::~TrptODFExport() = default;

QString TrptODFExport::GetDescription() const { return QString(); }

TrptODSExport::TrptODSExport(TComponent* AOwner) : TrptODFExport(AOwner) {
    SetExportType(QStringLiteral("spreadsheet"));
    SetFilterDesc(ReportText(QStringLiteral("ODSExportFilter")));
    SetDefaultExt(ReportText(QStringLiteral("8960")));
    SetExportTitle(ReportText(QStringLiteral("ODSExport")));
}

QString TrptODSExport::GetDescription() const { return ReportText(QStringLiteral("ODSExport")); }

TrptODTExport::TrptODTExport(TComponent* AOwner) : TrptODFExport(AOwner) {
    SetExportType(QStringLiteral("text"));
    SetFilterDesc(ReportText(QStringLiteral("ODTExportFilter")));
    SetDefaultExt(ReportText(QStringLiteral("8961")));
    SetExportTitle(ReportText(QStringLiteral("ODTExport")));
}

QString TrptODTExport::GetDescription() const { return ReportText(QStringLiteral("ODTExport")); }

// ---------------------------------------------------------------------------------------------
// Texts

QString TrptODFExport::ProcessSpaces(const QString& s) {
    if (s.isEmpty()) return s;
    auto element = [](qsizetype n) {
        return n == 1 ? QStringLiteral("<text:s/>") : QStringLiteral("<text:s text:c=\"%1\"/>").arg(n);
    };
    QString r;
    r.reserve(s.size() + 16);
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n) {
        if (s[i] != QLatin1Char(' ')) {
            r += s[i++];
            continue;
        }
        qsizetype j = i;
        while (j < n && s[j] == QLatin1Char(' ')) ++j;
        const qsizetype run = j - i;
        if (i == 0) {
            r += element(run); // leading blanks would be dropped by readers
        } else if (run == 1 && j < n) {
            r += QLatin1Char(' ');
        } else if (run == 1) {
            r += element(1); // a single trailing blank
        } else {
            r += QLatin1Char(' ');
            r += element(run - 1);
        }
        i = j;
    }
    return r;
}

QString TrptODFExport::ProcessTabs(const QString& s) {
    QString r = s;
    r.replace(QLatin1Char('\t'), QStringLiteral("<text:tab/>"));
    return r;
}

QString TrptODFExport::ProcessControlSymbols(const QString& s) {
    QString r;
    r.reserve(s.size());
    for (QChar c : s)
        if (c.unicode() >= 32) r += c;
    return r;
}

QString TrptODFExport::XmlSafe(const QString& s) {
    QString r;
    r.reserve(s.size());
    const qsizetype n = s.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = s[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(s[i + 1].unicode())) {
            r += s[i];
            r += s[++i];
            continue;
        }
        if (QChar::isSurrogate(u) || u == 0xFFFE || u == 0xFFFF) continue;
        if (u < 0x20 && u != '\t' && u != '\n' && u != '\r') continue;
        r += s[i];
    }
    return r;
}

QString TrptODFExport::EscapeCellText(const QString& s) {
    QString t = s;
    if (t.endsWith(QStringLiteral("\r\n"))) t.chop(2);
    t = XmlSafe(t);
    QString r;
    r.reserve(t.size() + t.size() / 8);
    for (QChar c : t) {
        switch (c.unicode()) {
        case '&': r += QLatin1String("&amp;"); break;
        case '"': r += QLatin1String("&quot;"); break;
        case '<': r += QLatin1String("&lt;"); break;
        case '>': r += QLatin1String("&gt;"); break;
        case '\n': break;
        default: r += c;
        }
    }
    return r;
}

QString TrptODFExport::NumericValue(const QString& Text, const TrptFormat* Format) {
    const TFormatSettings& fs = FormatSettings();
    QChar dec = fs.DecimalSeparator, thou = fs.ThousandSeparator;
    if (Format && !Format->DecimalSeparator().isEmpty()) dec = Format->DecimalSeparator().at(0);
    if (Format && !Format->ThousandSeparator().isEmpty()) thou = Format->ThousandSeparator().at(0);
    // Blanks group thousands too (the locale's may be a no-break space); a separator equal to the
    // decimal one means none.
    auto isGroup = [&](QChar c) {
        return c != dec && (c == thou || c == QLatin1Char(' ') || c == QChar(0xA0) || c == QChar(0x202F));
    };
    const QString t = Text.trimmed();
    const qsizetype n = t.size();
    qsizetype i = 0;
    QString r;
    if (i < n && (t[i] == QLatin1Char('-') || t[i] == QChar(0x2212))) {
        r += QLatin1Char('-');
        ++i;
    } else if (i < n && t[i] == QLatin1Char('+')) {
        ++i;
    }
    // The integer part: groups of three after the first when separators are used.
    qsizetype group = 0;
    bool grouped = false, digits = false;
    while (i < n) {
        const QChar c = t[i];
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            r += c;
            ++group;
            digits = true;
            if (grouped && group > 3) return QString();
            ++i;
        } else if (isGroup(c) && digits) {
            if ((grouped && group != 3) || (!grouped && group > 3)) return QString();
            grouped = true;
            group = 0;
            ++i;
        } else {
            break;
        }
    }
    if (grouped && group != 3) return QString();
    if (i < n && t[i] == dec) {
        ++i;
        QString frac;
        while (i < n && t[i] >= QLatin1Char('0') && t[i] <= QLatin1Char('9')) frac += t[i++];
        if (!digits && frac.isEmpty()) return QString();
        if (!digits) r += QLatin1Char('0');
        if (!frac.isEmpty()) r += QLatin1Char('.') + frac;
        digits = true;
    }
    if (!digits) return QString();
    if (i < n && (t[i] == QLatin1Char('e') || t[i] == QLatin1Char('E'))) {
        QString exp = QStringLiteral("E");
        ++i;
        if (i < n && (t[i] == QLatin1Char('-') || t[i] == QLatin1Char('+'))) exp += t[i++];
        const qsizetype start = i;
        while (i < n && t[i] >= QLatin1Char('0') && t[i] <= QLatin1Char('9')) exp += t[i++];
        if (i == start) return QString();
        r += exp;
    }
    if (i != n) return QString();
    return r;
}

// ---------------------------------------------------------------------------------------------
// The filter

TModalResult TrptODFExport::ShowModal() {
    if (Stream()) return mrOk;
    return RunODFExportDialog(this);
}

bool TrptODFExport::Start() {
    if (SlaveExport()) {
        QString base;
        if (Report() && !Report()->FileName().isEmpty()) {
            base = TempFolderPath() + QFileInfo(Report()->FileName()).completeBaseName() + DefaultExt();
        } else {
            const QString t = NewTempFileName();
            QFile::remove(t);
            base = t.left(t.lastIndexOf(QLatin1Char('.'))) + DefaultExt();
        }
        SetFileName(base);
    }
    FThumbImage.reset();
    if (FileName().isEmpty() && !Stream()) return false;
    if (!FileName().isEmpty() && !FileName().contains(QLatin1Char('/')) && !DefaultPath().isEmpty())
        SetFileName(DefaultPath() + QLatin1Char('/') + FileName());
    FFirstPage = true;
    FPagesAdded = 0;
    FMatrix = std::make_unique<TrptIEMatrix>(UseFileCache(), Report() ? Report()->EngineOptions()->TempDir()
                                                                      : QString());
    FMatrix->SetReport(Report());
    FMatrix->SetRotatedAsImage(false);
    FMatrix->SetShowProgress(ShowProgress());
    FMatrix->SetBackground(FBackground && FEmptyLines);
    FMatrix->SetBackgroundImage(false);
    FMatrix->SetPrintable(ExportNotPrintable());
    FMatrix->SetRichText(FPictureType != gpEMF);
    FMatrix->SetPlainRich(FPictureType != gpEMF);
    FMatrix->SetEmptyLines(FEmptyLines);
    FMatrix->SetWrapText(false);
    FMatrix->SetEMFPictures(true);
    FMatrix->SetInaccuracy(FWysiwyg ? 0.5 : 10);
    FMatrix->SetDeleteHTMLTags(false);
    return true;
}

void TrptODFExport::StartPage(TrptReportPage* Page, int) {
    if (!FFirstPage) return;
    if (Page) {
        FPageLeft = Page->LeftMargin();
        FPageTop = Page->TopMargin();
        FPageBottom = Page->BottomMargin();
        FPageRight = Page->RightMargin();
        FPageWidth = Page->PaperWidth() * rptMMFactor;
        FPageHeight = Page->PaperHeight() * rptMMFactor;
    } else {
        // Objects handed over without a page: an A4 sheet with 10 mm margins.
        FPageLeft = FPageTop = FPageBottom = FPageRight = 10;
        FPageWidth = 210 * rptMMFactor;
        FPageHeight = 297 * rptMMFactor;
    }
    const int w = std::max(1, rptRound(FPageWidth / 5)), h = std::max(1, rptRound(FPageHeight / 5));
    FThumbImage = std::make_unique<TBitmap>(w, h, pf24bit);
    TCanvas& c = FThumbImage->Canvas();
    c.Brush().SetColor(clWhite);
    c.FillRect(c.ClipRect());
}

void TrptODFExport::ExportObject(TrptComponent* Obj) {
    auto* v = dynamic_cast<TrptView*>(Obj);
    if (!v || !FMatrix) return;
    if (dynamic_cast<TrptBand*>(Obj)) return;
    if (v->Name() == QLatin1String("_pagebackground")) {
        if (!FBackground) return;
        auto* pic = dynamic_cast<TrptPictureView*>(v);
        if (pic && pic->Picture()->Width() * pic->Picture()->Height() == 0 && v->Color() == clNone) return;
    }
    if (!v->Printable() && !ExportNotPrintable()) return;
    FMatrix->AddObject(v);
    // A text too long to lay out quickly is left off the little picture.
    auto* memo = dynamic_cast<TrptCustomMemoView*>(v);
    if (FFirstPage && FThumbImage && !(memo && memo->Text().size() > 100000)) {
        // The thumbnail is a courtesy: an object that cannot draw itself leaves it as it is.
        try {
            v->Draw(&FThumbImage->Canvas(), 0.2, 0.2, 0, 0);
        } catch (const Exception&) {
        }
    }
}

void TrptODFExport::FinishPage(TrptReportPage* Page, int Index) {
    FFirstPage = false;
    if (!FMatrix) return;
    ++FPagesAdded;
    if (Page)
        FMatrix->AddPage(Page->Orientation(), Page->PaperWidth(), Page->PaperHeight(), Page->LeftMargin(),
                         Page->TopMargin(), Page->RightMargin(), Page->BottomMargin(), Page->MirrorMargins(), Index);
    else
        FMatrix->AddPage(poPortrait, 210, 297, 10, 10, 10, 10, false, Index);
}

void TrptODFExport::ReportError(const QString& Text) {
    TrptSilentMode mode = simSilent;
    if (Report()) mode = Report()->EngineOptions()->NewSilentMode();
    if (mode == simSilent) {
        if (Report()) Report()->Errors()->Add(Text);
    } else {
        HandleReportError(mode, Text);
    }
}

bool TrptODFExport::Cancelled() const { return FProgress && FProgress->Terminated(); }

void TrptODFExport::Finish() {
    if (!FMatrix) return;
    // Called while the export loop handles an error or a cancel: what was collected is
    // incomplete, so nothing is written and nothing opened.
    const bool interrupted = static_cast<bool>(std::current_exception());
    QString error;
    bool written = false, cancelled = false;
    if (!interrupted) {
        std::unique_ptr<TrptProgress> progress;
        try {
            if (FPagesAdded == 0)
                throw ErptODFError(QStringLiteral("The report has no pages to export"));
            if (ShowProgress()) progress = std::make_unique<TrptProgress>(nullptr);
            FProgress = progress.get();
            FMatrix->Prepare();
            WritePackage(Stream(), FileName());
            written = true;
            cancelled = Cancelled();
        } catch (const Exception& e) {
            error = e.Message();
        } catch (const std::bad_alloc&) {
            error = QStringLiteral("Out of memory");
        }
        FProgress = nullptr;
    }
    FMatrix.reset();
    FThumbImage.reset();
    FPictureFiles.clear();
    if (!error.isEmpty()) {
        const QString target = Stream() ? QString() : FileName() + QStringLiteral(": ");
        ReportError(target + error);
        return;
    }
    if (cancelled && Report()) Report()->SetTerminated(true);
    if (written && !cancelled && FOpenAfterExport && !Stream() && !SlaveExport()) OpenDocument(FileName());
}

// ---------------------------------------------------------------------------------------------
// The package

void TrptODFExport::AddNamespaces(TrptXMLItem* Root) const {
    static const char* const ns[][2] = {
        {"xmlns:office", "urn:oasis:names:tc:opendocument:xmlns:office:1.0"},
        {"xmlns:style", "urn:oasis:names:tc:opendocument:xmlns:style:1.0"},
        {"xmlns:text", "urn:oasis:names:tc:opendocument:xmlns:text:1.0"},
        {"xmlns:table", "urn:oasis:names:tc:opendocument:xmlns:table:1.0"},
        {"xmlns:draw", "urn:oasis:names:tc:opendocument:xmlns:drawing:1.0"},
        {"xmlns:fo", "urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"},
        {"xmlns:xlink", "http://www.w3.org/1999/xlink"},
        {"xmlns:dc", "http://purl.org/dc/elements/1.1/"},
        {"xmlns:meta", "urn:oasis:names:tc:opendocument:xmlns:meta:1.0"},
        {"xmlns:number", "urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0"},
        {"xmlns:svg", "urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"},
        {"xmlns:chart", "urn:oasis:names:tc:opendocument:xmlns:chart:1.0"},
        {"xmlns:dr3d", "urn:oasis:names:tc:opendocument:xmlns:dr3d:1.0"},
        {"xmlns:math", "http://www.w3.org/1998/Math/MathML"},
        {"xmlns:form", "urn:oasis:names:tc:opendocument:xmlns:form:1.0"},
        {"xmlns:script", "urn:oasis:names:tc:opendocument:xmlns:script:1.0"},
        {"xmlns:dom", "http://www.w3.org/2001/xml-events"},
        {"xmlns:xforms", "http://www.w3.org/2002/xforms"},
        {"xmlns:xsd", "http://www.w3.org/2001/XMLSchema"},
        {"xmlns:xsi", "http://www.w3.org/2001/XMLSchema-instance"},
    };
    for (const auto& n : ns) Root->SetProp(QLatin1String(n[0]), QLatin1String(n[1]));
}

void TrptODFExport::WritePackage(TStream* Out, const QString& OutFile) {
    if (FProgress)
        FProgress->Execute(std::max(0, FMatrix->Height() - 1), ReportText(QStringLiteral("ProgressWait")), true, true);
    TPackageFolder folder;
    folder.MakeSub(QStringLiteral("Pictures"));
    folder.MakeSub(QStringLiteral("Thumbnails"));
    FPicCount = 0;
    FPictureFiles.clear();
    FPictureFolder = folder.Path() + QStringLiteral("Pictures/");
    if (FThumbImage) SaveGraphicToFile(*FThumbImage, folder.Path() + QStringLiteral("Thumbnails/thumbnail.jpg"), gpJPG);
    WriteStyles(folder.Path());
    WriteContent(folder.Path());
    folder.MakeSub(QStringLiteral("META-INF"));
    WriteManifest(folder.Path());
    {
        QFile mime(folder.Path() + QStringLiteral("mimetype"));
        const QByteArray type = "application/vnd.oasis.opendocument." + FExportType.toLatin1();
        if (!mime.open(QIODevice::WriteOnly) || mime.write(type) != type.size() || !mime.flush())
            throw EInOutError(QStringLiteral("Cannot write \"%1\". %2").arg(mime.fileName(), mime.errorString()));
    }
    WriteMeta(folder.Path());

    TrptZipArchive zip;
    zip.SetRootFolder(folder.Path());
    zip.AddDir(folder.Path());
    if (zip.Errors().Count() > 0) throw ErptODFError(zip.Errors().Text().trimmed());
    if (FProgress) {
        FProgress->Execute(zip.FileCount(), ReportText(QStringLiteral("ProgressWait")), true, true);
        zip.OnProgress = [this](TObject*) {
            if (FProgress) FProgress->Tick();
        };
    }
    if (Out)
        zip.SaveToStream(*Out);
    else
        zip.SaveToFile(OutFile);
}

void TrptODFExport::WriteStyles(const QString& Folder) {
    TrptXMLDocument doc;
    doc.SetAutoIndent(true);
    TrptXMLItem* root = doc.Root();
    root->SetName(QStringLiteral("office:document-styles"));
    AddNamespaces(root);
    TrptXMLItem* def = root->Add(QStringLiteral("office:styles"))->Add(QStringLiteral("style:default-style"));
    def->SetProp(QStringLiteral("style:family"), QStringLiteral("paragraph"));
    TrptXMLItem* pp = def->Add(QStringLiteral("style:paragraph-properties"));
    pp->SetProp(QStringLiteral("style:text-autospace"), QStringLiteral("ideograph-alpha"));
    pp->SetProp(QStringLiteral("style:punctuation-wrap"), QStringLiteral("hanging"));
    pp->SetProp(QStringLiteral("style:line-break"), QStringLiteral("strict"));
    pp->SetProp(QStringLiteral("style:writing-mode"), QStringLiteral("page"));
    const QString lang = XmlSafe(FLanguage).toLower(), country = XmlSafe(FLanguage).toUpper();
    TrptXMLItem* tp = def->Add(QStringLiteral("style:text-properties"));
    tp->SetProp(QStringLiteral("fo:color"), QStringLiteral("#000000"));
    tp->SetProp(QStringLiteral("style:font-name"), QStringLiteral("Times New Roman"));
    tp->SetProp(QStringLiteral("fo:font-size"), QStringLiteral("12pt"));
    tp->SetProp(QStringLiteral("fo:language"), lang);
    tp->SetProp(QStringLiteral("fo:country"), country);
    tp->SetProp(QStringLiteral("style:font-name-asian"), QStringLiteral("Arial Unicode MS"));
    tp->SetProp(QStringLiteral("style:font-size-asian"), QStringLiteral("12pt"));
    tp->SetProp(QStringLiteral("style:language-asian"), lang);
    tp->SetProp(QStringLiteral("style:country-asian"), country);
    tp->SetProp(QStringLiteral("style:font-name-complex"), QStringLiteral("Tahoma1"));
    tp->SetProp(QStringLiteral("style:font-size-complex"), QStringLiteral("12pt"));
    tp->SetProp(QStringLiteral("style:language-complex"), lang);
    tp->SetProp(QStringLiteral("style:country-complex"), country);

    TrptXMLItem* layout = root->Add(QStringLiteral("office:automatic-styles"))->Add(QStringLiteral("style:page-layout"));
    layout->SetProp(QStringLiteral("style:name"), QStringLiteral("pm1"));
    TrptXMLItem* lp = layout->Add(QStringLiteral("style:page-layout-properties"));
    auto cm1 = [](double px) { return FloatToTextWithSeparator(1, QLatin1Char('.'), px / 37.8) + QStringLiteral("cm"); };
    auto cm3 = [](double mm) { return FloatToTextWithSeparator(3, QLatin1Char('.'), mm / 10) + QStringLiteral("cm"); };
    lp->SetProp(QStringLiteral("fo:page-width"), cm1(FPageWidth));
    lp->SetProp(QStringLiteral("fo:page-height"), cm1(FPageHeight));
    lp->SetProp(QStringLiteral("fo:margin-top"), cm3(FPageTop));
    lp->SetProp(QStringLiteral("fo:margin-bottom"), cm3(FPageBottom));
    lp->SetProp(QStringLiteral("fo:margin-left"), cm3(FPageLeft));
    lp->SetProp(QStringLiteral("fo:margin-right"), cm3(FPageRight));

    TrptXMLItem* master = root->Add(QStringLiteral("office:master-styles"))->Add(QStringLiteral("style:master-page"));
    master->SetProp(QStringLiteral("style:name"), QStringLiteral("PageDef"));
    master->SetProp(QStringLiteral("style:page-layout-name"), QStringLiteral("pm1"));
    QString header, footer;
    for (int i = 0; i < FMatrix->GetObjectsCount(); ++i) {
        const TrptIEMObject* o = FMatrix->GetObjectById(i);
        if (o->Header) header += EscapeCellText(o->Memo()->Text());
        if (o->Footer) footer += EscapeCellText(o->Memo()->Text());
    }
    if (!header.isEmpty())
        master->Add(QStringLiteral("style:header"))->Add(QStringLiteral("text:p"))->SetValue(ProcessControlSymbols(header));
    if (!footer.isEmpty())
        master->Add(QStringLiteral("style:footer"))->Add(QStringLiteral("text:p"))->SetValue(ProcessControlSymbols(footer));
    SaveXML(doc, Folder + QStringLiteral("styles.xml"));
}

void TrptODFExport::WriteManifest(const QString& Folder) {
    TrptXMLDocument doc;
    doc.SetAutoIndent(true);
    TrptXMLItem* root = doc.Root();
    root->SetName(QStringLiteral("manifest:manifest"));
    root->SetProp(QStringLiteral("xmlns:manifest"), QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:manifest:1.0"));
    auto entry = [&](const QString& type, const QString& path) {
        TrptXMLItem* e = root->Add(QStringLiteral("manifest:file-entry"));
        e->SetProp(QStringLiteral("manifest:media-type"), type);
        e->SetProp(QStringLiteral("manifest:full-path"), path);
    };
    entry(QStringLiteral("application/vnd.oasis.opendocument.") + FExportType, QStringLiteral("/"));
    for (const char* f : {"content.xml", "styles.xml", "meta.xml"}) entry(QStringLiteral("text/xml"), QLatin1String(f));
    const QString type = LookupMimeType(QLatin1Char('.') + PictureTypeExtension(FPictureType));
    for (const QString& f : FPictureFiles) entry(type, QStringLiteral("Pictures/") + f);
    SaveXML(doc, Folder + QStringLiteral("META-INF/manifest.xml"));
}

void TrptODFExport::WriteMeta(const QString& Folder) {
    TrptXMLDocument doc;
    doc.SetAutoIndent(true);
    TrptXMLItem* root = doc.Root();
    root->SetName(QStringLiteral("office:document-meta"));
    root->SetProp(QStringLiteral("xmlns:office"), QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:office:1.0"));
    root->SetProp(QStringLiteral("xmlns:xlink"), QStringLiteral("http://www.w3.org/1999/xlink"));
    root->SetProp(QStringLiteral("xmlns:dc"), QStringLiteral("http://purl.org/dc/elements/1.1/"));
    root->SetProp(QStringLiteral("xmlns:meta"), QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:meta:1.0"));
    TrptXMLItem* meta = root->Add(QStringLiteral("office:meta"));
    meta->Add(QStringLiteral("meta:generator"))->SetValue(QString::fromLatin1(GeneratorText));
    meta->Add(QStringLiteral("meta:initial-creator"))->SetValue(EscapeCellText(FCreator));
    // The export loop stamps the start of the export; without it (a filter driven directly) the
    // clock gives the time rather than the year 1899.
    const TDateTime when = CreationTime() != 0 ? CreationTime() : Now();
    quint16 y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
    DecodeDateTime(when, y, mo, d, h, mi, s, ms);
    meta->Add(QStringLiteral("meta:creation-date"))
        ->SetValue(QStringLiteral("%1-%2-%3T%4:%5:%6")
                       .arg(y, 4, 10, QLatin1Char('0'))
                       .arg(TwoDigits(mo), TwoDigits(d), TwoDigits(h), TwoDigits(mi), TwoDigits(s)));
    SaveXML(doc, Folder + QStringLiteral("meta.xml"));
}
