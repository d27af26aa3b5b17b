// The PDF document: output conventions, object numbering, pages, information, catalog, cross
// references, trailer and the standard security handler (RC4, 128-bit key, revision 3).

#include "report/export/rptPDFExport.h"

#include "platform/sys/Desktop.h"
#include "platform/sys/TempFiles.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptClassView.h"
#include "report/core/rptRes.h"
#include "report/core/rptUtils.h"
#include "report/core/rptZLib.h"
#include "report/export/rptExportUtils.h"
#include "report/export/rptPDFDialog.h"
#include "report/export/rptPDFSecurity.h"
#include "report/export/rptRC4.h"
#include "report/export/rptmd5.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QUuid>

#include <cstring>

KORVEL_CLASS_INFO(TrptPDFExport) {
    using C = TrptPDFExport;
    b.Prop("Compressed", &C::Compressed, &C::SetCompressed).Default(true);
    b.Prop("EmbeddedFonts", &C::EmbeddedFonts, &C::SetEmbeddedFonts).Default(true);
    b.Prop("EmbedFontsIfProtected", &C::EmbedFontsIfProtected, &C::SetEmbedFontsIfProtected).Default(true);
    b.Prop("OpenAfterExport", &C::OpenAfterExport, &C::SetOpenAfterExport).Default(false);
    b.Prop("PrintOptimized", &C::PrintOptimized, &C::SetPrintOptimized).Default(false);
    b.Prop("Outline", &C::Outline, &C::SetOutline).Default(false);
    b.Prop("Background", &C::Background, &C::SetBackground).Default(false);
    b.Prop("HTMLTags", &C::HTMLTags, &C::SetHTMLTags).Default(true);
    b.Prop("Quality", &C::Quality, &C::SetQuality).Default(95);
    b.Prop("Title", &C::Title, &C::SetTitle);
    b.Prop("Author", &C::Author, &C::SetAuthor);
    b.Prop("Subject", &C::Subject, &C::SetSubject);
    b.Prop("Keywords", &C::Keywords, &C::SetKeywords);
    b.Prop("Creator", &C::Creator, &C::SetCreator);
    b.Prop("Producer", &C::Producer, &C::SetProducer);
    b.Prop("ProtectionFlags", &C::ProtectionFlags, &C::SetProtectionFlags)
        .Default(TrptPDFEncBits{ePrint, eModify, eCopy, eAnnot});
    b.Prop("HideToolbar", &C::HideToolbar, &C::SetHideToolbar).Default(false);
    b.Prop("HideMenubar", &C::HideMenubar, &C::SetHideMenubar).Default(false);
    b.Prop("HideWindowUI", &C::HideWindowUI, &C::SetHideWindowUI).Default(false);
    b.Prop("FitWindow", &C::FitWindow, &C::SetFitWindow).Default(false);
    b.Prop("CenterWindow", &C::CenterWindow, &C::SetCenterWindow).Default(false);
    b.Prop("PrintScaling", &C::PrintScaling, &C::SetPrintScaling).Default(false);
}

namespace {

QString ExportText(const char* key) {
    RegisterExportResources();
    return GlobalResources()->Get(QString::fromLatin1(key));
}

// The 32 bytes that pad passwords in the standard security handler.
constexpr std::uint8_t kPadding[32] = {0x28, 0xBF, 0x4E, 0x5E, 0x4E, 0x75, 0x8A, 0x41, 0x64, 0x00, 0x4E,
                                       0x56, 0xFF, 0xFA, 0x01, 0x08, 0x2E, 0x2E, 0x00, 0xB6, 0xD0, 0x68,
                                       0x3E, 0x80, 0x2F, 0x0C, 0xA9, 0xFE, 0x64, 0x53, 0x69, 0x7A};

QByteArray PadPassword(const QByteArray& p) {
    QByteArray r = p.left(32);
    r.append(reinterpret_cast<const char*>(kPadding), 32 - r.size());
    return r;
}

QByteArray Md5(const QByteArray& data) {
    std::uint8_t d[16];
    Md5OfBuffer(data.constData(), data.size(), d);
    return QByteArray(reinterpret_cast<const char*>(d), 16);
}

QByteArray Rc4(const QByteArray& key, const QByteArray& data) {
    TrptRC4 rc4;
    rc4.Start(key.constData(), static_cast<int>(key.size()));
    QByteArray out(data.size(), Qt::Uninitialized);
    rc4.Crypt(data.constData(), out.data(), data.size());
    return out;
}

// RC4 under the key, then 19 times more under the key with every byte XOR i.
QByteArray Rc4Twenty(const QByteArray& key, QByteArray data) {
    data = Rc4(key, data);
    for (int i = 1; i <= 19; ++i) {
        QByteArray k = key;
        for (char& c : k)
            c = static_cast<char>(c ^ i);
        data = Rc4(k, data);
    }
    return data;
}

QByteArray HexToBytes(const QByteArray& hex) {
    return QByteArray::fromHex(hex);
}

} // namespace

TrptPDFExport::TrptPDFExport(TComponent* AOwner) : TrptCustomExportFilter(AOwner) {
    FAuthor = QStringLiteral("Korvel Report");
    FSubject = QStringLiteral("Korvel Report PDF export");
    FCreator = QCoreApplication::applicationName();
    SetProtectionFlags(TrptPDFEncBits{ePrint, eModify, eCopy, eAnnot});
    SetFilterDesc(ExportText("8707"));
    SetDefaultExt(ExportText("8708"));
}

TrptPDFExport::~TrptPDFExport() {
    ClearDocument();
}

QString TrptPDFExport::GetDescription() const {
    return ExportText("PDFexport");
}

void TrptPDFExport::SetProtectionFlags(const TrptPDFEncBits& Value) {
    FProtectionFlags = Value;
    FEncBits = -64;
    if (Value.Contains(ePrint)) FEncBits += 4;
    if (Value.Contains(eModify)) FEncBits += 8;
    if (Value.Contains(eCopy)) FEncBits += 16;
    if (Value.Contains(eAnnot)) FEncBits += 32;
}

QDateTime TrptPDFExport::LocalNow() const {
    return QDateTime::currentDateTime();
}

QString TrptPDFExport::NewGuidText() const {
    return QUuid::createUuid().toString(QUuid::WithBraces).toUpper();
}

TModalResult TrptPDFExport::ShowModal() {
    if (FTitle.isEmpty() && Report()) FTitle = Report()->ReportOptions()->Name();
    if (Stream()) return mrOk;
    FOutline = Report() ? Report()->PreviewOptions()->OutlineVisible() : true;
    return RunPDFExportDialog(this);
}

// ---------------------------------------------------------------------------------------------
// Document

void TrptPDFExport::ClearDocument() {
    FPages.clear();
    FPageFonts.clear();
    FFonts.clear();
    FOpenTypeFonts = false;
    FXRef.clear();
    FPageAnnots.Clear();
    FAnnots.clear();
    FPagesRef.clear();
    FPageIndexes.clear();
}

int TrptPDFExport::NewObjectNumber() {
    FXRef.push_back(pdf.Position());
    return static_cast<int>(FXRef.size());
}

void TrptPDFExport::SetObjectOffset(int Number) {
    FXRef[static_cast<size_t>(Number - 1)] = pdf.Position();
}

void TrptPDFExport::WriteHeader(int Number) {
    pdf.Int(Number).Add(" 0 obj\r\n");
}

void TrptPDFExport::WriteRef(int Number) {
    pdf.Int(Number).Add(" 0 R");
}

bool TrptPDFExport::Start() {
    if (SlaveExport()) {
        QString name;
        if (Report() && !Report()->FileName().isEmpty())
            name = TempFolderPath() + QFileInfo(Report()->FileName()).completeBaseName() + ExportText("8708");
        else {
            const QFileInfo temp(NewTempFileName());
            name = temp.path() + QLatin1Char('/') + temp.completeBaseName() + ExportText("8708");
        }
        SetFileName(name);
    }
    if (FileName().isEmpty() && !Stream()) return false;
    if (!FileName().isEmpty() && !FileName().contains(QLatin1Char('/')) && !DefaultPath().isEmpty()) {
        QString path = DefaultPath();
        if (!path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
        SetFileName(path + FileName());
    }
    FProtection = !FOwnerPassword.isEmpty() || !FUserPassword.isEmpty();
    FOwnStream.reset();
    if (Stream())
        pdf.Open(Stream());
    else {
        FOwnStream = std::make_unique<TFileStream>(FileName(), fmCreate);
        pdf.Open(FOwnStream.get());
    }
    ClearDocument();
    FXObjects.clear();
    FUsedXObjects.clear();
    FLastColor = clBlack;
    FLastColorResult = QByteArrayLiteral("0 0 0");
    FFileID = Md5OfString(NewGuidText().toLatin1()).toLatin1().toLower();
    if (FProtection) {
        PrepareEncryption();
        FEmbeddedFonts = FEmbedFontsIfProtected;
    }
    FPreviewOutline = nullptr;
    if (FOutline && Report() && Report()->PreviewPages()) FPreviewOutline = Report()->PreviewPages()->Outline();
    ReadPageList();
    pdf.Line("%PDF-1.5");
    FPagesNumber = NewObjectNumber();
    return true;
}

void TrptPDFExport::StartPage(TrptReportPage* Page, int Index) {
    (void)Index;
    if (!Page) throw EInvalidPointer(QStringLiteral("PDF export: no page to start"));
    TrptPDFPageSetup setup;
    setup.Width = Page->Width();
    setup.Height = Page->Height();
    setup.LeftMargin = Page->LeftMargin();
    setup.TopMargin = Page->TopMargin();
    setup.RightMargin = Page->RightMargin();
    setup.BottomMargin = Page->BottomMargin();
    setup.Color = Page->Color();
    StartPage(setup);
    FPageIndexes.back() = Index;
}

void TrptPDFExport::StartPage(const TrptPDFPageSetup& Setup) {
    FUsedXObjects.clear();
    auto page = std::make_unique<TrptPDFPage>();
    page->Height = Setup.Height * 0.75;
    FPages.push_back(std::move(page));
    FPageIndexes.push_back(static_cast<int>(FPages.size()) - 1);
    FWidth = Setup.Width * 0.75;
    FHeight = Setup.Height * 0.75;
    // Objects already carry the left and top margins through the page's Left and Top, so the
    // origin is not shifted again.
    FMarginLeft = 0;
    FMarginTop = 0;
    OutStream.Reset();
    FPageOpen = true;
    if (Setup.Color != clNone) WritePageFill(Setup);
}

void TrptPDFExport::ExportObject(TrptComponent* Obj) {
    auto* view = dynamic_cast<TrptView*>(Obj);
    if (!view || !FPageOpen) return;
    if (ExportNotPrintable() || view->Printable()) WriteViewContent(view);
}

void TrptPDFExport::WriteStreamData(const QByteArray& Data, int ObjNumber) {
    if (FProtection)
        pdf.Block(EncryptBytes(Data, ObjNumber));
    else
        pdf.Block(Data);
}

void TrptPDFExport::FinishPage(TrptReportPage* Page, int Index) {
    (void)Page;
    (void)Index;
    if (!pdf.Active() || !FPageOpen) return;
    FPageOpen = false;

    const int c = NewObjectNumber();
    WriteHeader(c);
    pdf.Add("<< ");
    if (FCompressed) {
        TBytesStream source(OutStream.Bytes());
        TMemoryStream packed;
        CompressStream(source, packed, zcFastest);
        const QByteArray data = packed.Bytes();
        pdf.Add("/Filter /FlateDecode /Length ").Int(data.size()).Add(" /Length1 ").Int(OutStream.Size()).Add(" >>").Eol();
        pdf.Line("stream");
        WriteStreamData(data, c);
        pdf.Eol();
    } else {
        pdf.Add("/Length ").Int(OutStream.Size()).Add(" >>").Eol();
        pdf.Line("stream");
        WriteStreamData(OutStream.Bytes(), c);
    }
    pdf.Line("endstream");
    pdf.Line("endobj");
    OutStream.Reset();

    for (TrptPDFFont* font : FPageFonts)
        if (!font->Saved) {
            font->Reference = NewObjectNumber();
            font->Saved = true;
        }

    const int p = NewObjectNumber();
    FPagesRef.push_back(p);
    WriteHeader(p);
    pdf.Line("<<");
    pdf.Line("/Type /Page");
    pdf.Line("/Parent 1 0 R");
    pdf.Add("/MediaBox [0 0 ").Num(FWidth).Add(' ').Num(FHeight).Add(" ]").Eol();
    if (!FPageAnnots.Empty()) {
        pdf.Line("/Annots [");
        pdf.Add(FPageAnnots.Bytes());
        pdf.Line("]");
        FPageAnnots.Reset();
    }
    pdf.Line("/Resources <<");
    pdf.Add("/Font << ");
    for (TrptPDFFont* font : FPageFonts) {
        pdf.Add(font->Name).Add(' ');
        WriteRef(font->Reference);
        pdf.Add(' ');
    }
    pdf.Line(">>");
    if (!FUsedXObjects.empty()) {
        pdf.Add("/XObject << ");
        std::vector<bool> listed(FXObjects.size(), false);
        for (int i : FUsedXObjects) {
            if (listed[static_cast<size_t>(i)]) continue;
            listed[static_cast<size_t>(i)] = true;
            pdf.Add("/Im").Int(i).Add(' ');
            WriteRef(FXObjects[static_cast<size_t>(i)].ObjId);
            pdf.Add(' ');
        }
        pdf.Line(">>");
    }
    pdf.Line("/ProcSet [/PDF /Text /ImageC ]");
    pdf.Line(">>");
    pdf.Add("/Contents ");
    WriteRef(c);
    pdf.Eol();
    pdf.Line(">>");
    pdf.Line("endobj");
    pdf.Check();

    // Pictures are shared between the draws of one page only.
    for (TrptPDFXObject& x : FXObjects) {
        x.ObjId = 0;
        x.Hash.fill(0);
    }
    FUsedXObjects.clear();
}

QByteArray TrptPDFExport::TextToPDFString(const QString& Value, int ObjNumber) {
    if (!FProtection) return PdfHexTextString(Value);
    QByteArray bytes;
    bytes.reserve(2 + Value.size() * 2);
    bytes.append('\xFE').append('\xFF');
    for (QChar ch : Value) {
        bytes.append(static_cast<char>(ch.unicode() >> 8));
        bytes.append(static_cast<char>(ch.unicode() & 0xFF));
    }
    return '(' + PdfEscapeLiteral(EncryptBytes(bytes, ObjNumber)) + ')';
}

void TrptPDFExport::Finish() {
    if (!pdf.Active()) return;
    // A page left open by an error still gets its objects.
    if (FPageOpen) FinishPage(nullptr, -1);

    WriteFonts();

    SetObjectOffset(FPagesNumber);
    WriteHeader(FPagesNumber);
    pdf.Line("<<");
    pdf.Line("/Type /Pages");
    pdf.Add("/Kids [");
    for (int ref : FPagesRef) {
        WriteRef(ref);
        pdf.Add(' ');
    }
    pdf.Line("]");
    pdf.Add("/Count ").Int(static_cast<qint64>(FPagesRef.size())).Eol();
    pdf.Line(">>");
    pdf.Line("endobj");

    const int info = NewObjectNumber();
    WriteHeader(info);
    pdf.Line("<<");
    pdf.Add("/Title ").Add(TextToPDFString(FTitle, info)).Eol();
    pdf.Add("/Author ").Add(TextToPDFString(FAuthor, info)).Eol();
    pdf.Add("/Subject ").Add(TextToPDFString(FSubject, info)).Eol();
    pdf.Add("/Keywords ").Add(TextToPDFString(FKeywords, info)).Eol();
    pdf.Add("/Creator ").Add(TextToPDFString(FCreator, info)).Eol();
    pdf.Add("/Producer ").Add(TextToPDFString(FProducer, info)).Eol();
    const QByteArray date = "D:" + LocalNow().toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1();
    if (FProtection) {
        pdf.Add("/CreationDate ").Add(TextToPDFString(QString::fromLatin1(date), info)).Eol();
        pdf.Add("/ModDate ").Add(TextToPDFString(QString::fromLatin1(date), info)).Eol();
    } else {
        pdf.Add("/CreationDate (").Add(date).Add(")").Eol();
        pdf.Add("/ModDate (").Add(date).Add(")").Eol();
    }
    pdf.Line(">>");
    pdf.Line("endobj");

    const int outlineRoot = FOutline ? WriteOutline() : 0;
    WriteAnnots();

    const int root = NewObjectNumber();
    WriteHeader(root);
    pdf.Line("<<");
    pdf.Line("/Type /Catalog");
    if (FOpenTypeFonts) pdf.Line("/Version /1.6");
    pdf.Add("/Pages ");
    WriteRef(FPagesNumber);
    pdf.Eol();
    pdf.Add("/PageMode ").Add(FOutline ? QByteArrayLiteral("/UseOutlines") : QByteArrayLiteral("/UseNone")).Eol();
    if (outlineRoot) {
        pdf.Add("/Outlines ");
        WriteRef(outlineRoot);
        pdf.Eol();
    }
    pdf.Line("/ViewerPreferences <<");
    if (!FTitle.isEmpty()) pdf.Line("/DisplayDocTitle true");
    if (FHideToolbar) pdf.Line("/HideToolbar true");
    if (FHideMenubar) pdf.Line("/HideMenubar true");
    if (FHideWindowUI) pdf.Line("/HideWindowUI true");
    if (FFitWindow) pdf.Line("/FitWindow true");
    if (FCenterWindow) pdf.Line("/CenterWindow true");
    if (!FPrintScaling) pdf.Line("/PrintScaling /None");
    pdf.Line(">>");
    pdf.Line(">>");
    pdf.Line("endobj");

    FStartXRef = pdf.Position();
    pdf.Line("xref");
    pdf.Add("0 ").Int(static_cast<qint64>(FXRef.size()) + 1).Eol();
    pdf.Line("0000000000 65535 f");
    for (Int64 offset : FXRef) {
        char entry[20];
        Int64 v = offset;
        for (int i = 9; i >= 0; --i) {
            entry[i] = static_cast<char>('0' + v % 10);
            v /= 10;
        }
        std::memcpy(entry + 10, " 00000 n\r\n", 10);
        pdf.Add(entry, 20);
        pdf.Check();
    }
    pdf.Line("trailer");
    pdf.Line("<<");
    pdf.Add("/Size ").Int(static_cast<qint64>(FXRef.size()) + 1).Eol();
    pdf.Add("/Root ");
    WriteRef(root);
    pdf.Eol();
    pdf.Add("/Info ");
    WriteRef(info);
    pdf.Eol();
    pdf.Add("/ID [<").Add(FFileID).Add("><").Add(FFileID).Add(">]").Eol();
    if (FProtection) {
        pdf.Line("/Encrypt <<");
        pdf.Line("/Filter /Standard");
        pdf.Line("/V 2");
        pdf.Line("/R 3");
        pdf.Line("/Length 128");
        pdf.Add("/P ").Int(FEncBits).Eol();
        pdf.Add("/O (").Add(PdfEscapeLiteral(FOPass)).Add(")").Eol();
        pdf.Add("/U (").Add(PdfEscapeLiteral(FUPass)).Add(")").Eol();
        pdf.Line(">>");
    }
    pdf.Line(">>");
    pdf.Line("startxref");
    pdf.Int(FStartXRef).Eol();
    pdf.Line("%%EOF");

    ClearDocument();
    const bool ownFile = FOwnStream != nullptr;
    try {
        pdf.Close();
    } catch (...) {
        FOwnStream.reset();
        throw;
    }
    FOwnStream.reset();
    // A cancelled export leaves a partial file: it is not opened.
    const bool cancelled = Report() && Report()->Terminated();
    if (FOpenAfterExport && ownFile && !cancelled) OpenDocument(FileName());
}

// ---------------------------------------------------------------------------------------------
// Security

void TrptPDFExport::PrepareEncryption() {
    // Without an owner password nobody gets owner rights: a random one stands in for this file.
    const QByteArray owner = FOwnerPassword.isEmpty() ? RandomPDFOwnerPassword(FUserPassword) : FOwnerPassword;
    const QByteArray user = PadPassword(FUserPassword);

    QByteArray h = Md5(PadPassword(owner));
    for (int i = 0; i < 50; ++i)
        h = Md5(h);
    FOPass = Rc4Twenty(h, user);

    const QByteArray id = HexToBytes(FFileID);
    QByteArray seed = user + FOPass;
    const quint32 p = static_cast<quint32>(FEncBits);
    for (int i = 0; i < 4; ++i)
        seed.append(static_cast<char>((p >> (8 * i)) & 0xFF));
    seed += id;
    h = Md5(seed);
    for (int i = 0; i < 50; ++i)
        h = Md5(h);
    FEncKey = h;

    FUPass = Rc4Twenty(FEncKey, Md5(QByteArray(reinterpret_cast<const char*>(kPadding), 32) + id));
    FUPass.append(16, '\0');
}

QByteArray TrptPDFExport::ObjectKey(int ObjNumber) const {
    QByteArray seed = FEncKey;
    seed.append(static_cast<char>(ObjNumber & 0xFF));
    seed.append(static_cast<char>((ObjNumber >> 8) & 0xFF));
    seed.append(static_cast<char>((ObjNumber >> 16) & 0xFF));
    seed.append(2, '\0');
    return Md5(seed);
}

QByteArray TrptPDFExport::EncryptBytes(const QByteArray& Data, int ObjNumber) const {
    return Rc4(ObjectKey(ObjNumber), Data);
}
