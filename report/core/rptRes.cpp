#include "report/core/rptRes.h"

#include "report/core/rptUtils.h"
#include "report/core/rptWideStrings.h"
#include "report/core/rptXML.h"
#include "report/core/rptZLib.h"
#include "report/core/rptrcDesgn.h"

#include "platform/gfx/Bitmap.h"
#include "platform/rtl/SingleByteCodec.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TextCase.h"
#include "platform/sys/Desktop.h"
#include "platform/ui/ImgList.h"
#include "script/sc_iconst.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

std::unique_ptr<TCustomImageList> MakeImageList(int size) {
    auto list = std::make_unique<TCustomImageList>(nullptr);
    list->SetWidth(size);
    list->SetHeight(size);
    return list;
}

// The script engine's messages, in the order the table copies them.
struct TScriptMessage {
    const char* Key;
    QString* Text;
};

const TScriptMessage ScriptMessages[] = {
    {"SLangNotFound", &SLangNotFound},       {"SInvalidLanguage", &SInvalidLanguage},
    {"SIdRedeclared", &SIdRedeclared},       {"SUnknownType", &SUnknownType},
    {"SIncompatibleTypes", &SIncompatibleTypes}, {"SIdUndeclared", &SIdUndeclared},
    {"SClassRequired", &SClassRequired},     {"SIndexRequired", &SIndexRequired},
    {"SStringError", &SStringError},         {"SClassError", &SClassError},
    {"SArrayRequired", &SArrayRequired},     {"SVarRequired", &SVarRequired},
    {"SNotEnoughParams", &SNotEnoughParams}, {"STooManyParams", &STooManyParams},
    {"SLeftCantAssigned", &SLeftCantAssigned}, {"SForError", &SForError},
    {"SEventError", &SEventError},
};

// Language file names the way the designer lists them: "english.DRC" and "ENGLISH.drc" are both
// "English".
QString LanguageName(const QString& fileName) {
    QString name = fileName.toLower();
    if (!name.isEmpty()) name[0] = name[0].toUpper();
    const qsizetype at = name.indexOf(QLatin1String(".drc"));
    if (at >= 0) name.remove(at, 4);
    return name;
}

// The file itself when it exists, else a file of the same name in any case in its folder (the
// designer builds the name from the language list, which lost the file's own case).
QString ExistingFile(const QString& fileName) {
    if (QFileInfo(fileName).isFile()) return fileName;
    const QFileInfo info(fileName);
    const QDir dir = info.absoluteDir();
    if (!dir.exists()) return QString();
    QStringList matches;
    for (const QString& entry : dir.entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name))
        if (entry.compare(info.fileName(), Qt::CaseInsensitive) == 0) matches << entry;
    return matches.isEmpty() ? QString() : dir.filePath(matches.first());
}

bool GHelpAvailable = true;

} // namespace

// =============================================================================================
// TrptResources

TrptResources::TrptResources()
    : FDisabledButtonImages(MakeImageList(16)), FMainButtonImages(MakeImageList(16)),
      FObjectImages(MakeImageList(16)), FPreviewButtonImages(MakeImageList(16)),
      FValues(std::make_unique<TrptWideStrings>()), FWizardImages(MakeImageList(32)),
      FHelpFile(QStringLiteral("ZARaru.chm")) {
    ScanLanguageFiles();
}

TrptResources::~TrptResources() = default;

bool TrptResources::FindKey(const QString& name, int& pos) const {
    int lo = 0;
    int hi = static_cast<int>(FNames.size()) - 1;
    while (lo <= hi) {
        const int mid = (lo + hi) / 2;
        const int c = AnsiCompareText(FNames[mid].Name, name);
        if (c < 0) {
            lo = mid + 1;
        } else if (c > 0) {
            hi = mid - 1;
        } else {
            pos = mid;
            return true;
        }
    }
    pos = lo;
    return false;
}

void TrptResources::AddW(const QString& Ref, const QString& Str) {
    int pos = 0;
    if (FindKey(Ref, pos)) {
        FValues->Put(FNames[pos].Index, Str);
        return;
    }
    const int index = FValues->Count();
    FValues->Add(Str);
    FNames.insert(FNames.begin() + pos, TKey{Ref, index});
}

void TrptResources::Add(const QString& Ref, const QString& Str) { AddW(Ref, Str); }

void TrptResources::AddStrings(const QString& Str) {
    TStringList lines;
    lines.SetText(Str);
    for (int i = 0; i < lines.Count(); ++i) {
        const QString line = lines.Get(i);
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0) continue;
        const QString key = line.left(eq);
        const QString text = line.mid(eq + 1);
        if (!key.isEmpty() && !text.isEmpty()) Add(key, text);
    }
}

void TrptResources::AddXML(const QByteArray& Str) {
    TBytesStream stream(Str);
    LoadFromStream(stream);
}

void TrptResources::Clear() {
    FNames.clear();
    FValues->Clear();
}

QString TrptResources::Get(const QString& StrName) const {
    int pos = 0;
    QString result = FindKey(StrName, pos) ? FValues->Get(FNames[pos].Index) : StrName;
    if (result.startsWith(QLatin1Char('!'))) result.remove(0, 1);
    return result;
}

void TrptResources::LoadFromFile(const QString& FileName) {
    const QString file = ExistingFile(FileName);
    if (file.isEmpty()) return;
    TFileStream stream(file, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(stream);
}

void TrptResources::LoadFromStream(TStream& Stream) {
    // Everything is read and checked before the first text changes, so a file that fails half
    // way leaves the table as it was.
    std::vector<std::pair<QString, QString>> entries;
    quint32 codePage = FCP;
    {
        TrptXMLDocument doc;
        doc.LoadFromStream(Stream, false);
        TrptXMLItem* root = doc.Root();
        // Another root element adds nothing, silently.
        if (root->Name() != QLatin1String("Resources")) {
            UpdateSCResources();
            return;
        }
        codePage = static_cast<quint32>(StrToInt(root->GetProp(QStringLiteral("CodePage"))));
        // Old single-byte files hand their UTF-8 bytes over as characters of the system code page.
        const TSingleByteCodec* codec = doc.OldVersion() ? &TSingleByteCodec::Get(SystemCodePage()) : nullptr;
        entries.reserve(root->Count());
        for (int i = 0; i < root->Count(); ++i) {
            TrptXMLItem* item = root->Items(i);
            if (item->Name() != QLatin1String("StrRes")) continue;
            QString text = UnescapeXMLText(item->GetProp(QStringLiteral("Text")));
            if (codec) text = QString::fromUtf8(codec->FromUnicode(text));
            entries.emplace_back(item->GetProp(QStringLiteral("Name")), std::move(text));
        }
    }
    FCP = codePage;
    for (const auto& [name, text] : entries)
        AddW(name, text);
    UpdateSCResources();
}

void TrptResources::UpdateSCResources() {
    for (const TScriptMessage& m : ScriptMessages)
        *m.Text = Get(QLatin1String(m.Key));
}

// ---------------------------------------------------------------------------------------------
// Picture strips

void TrptResources::SetButtonImages(TBitmap& Images, bool Clear) {
    if (Clear) {
        FMainButtonImages->Clear();
        FDisabledButtonImages->Clear();
    }
    LoadImageStrip(Images, 16, 16, FMainButtonImages.get(), FDisabledButtonImages.get());
}

void TrptResources::SetObjectImages(TBitmap& Images, bool Clear) {
    if (Clear) FObjectImages->Clear();
    LoadImageStrip(Images, 16, 16, FObjectImages.get());
}

void TrptResources::SetPreviewButtonImages(TBitmap& Images, bool Clear) {
    if (Clear) FPreviewButtonImages->Clear();
    LoadImageStrip(Images, 16, 16, FPreviewButtonImages.get());
}

void TrptResources::SetWizardImages(TBitmap& Images, bool Clear) {
    if (Clear) FWizardImages->Clear();
    LoadImageStrip(Images, 32, 32, FWizardImages.get());
}

namespace {

std::unique_ptr<TBitmap> LoadReportPictureStrip(const QString& name) {
    QFile file(QStringLiteral(":/report/core/") + name);
    if (!file.open(QIODevice::ReadOnly))
        throw EZDecompressionError(QStringLiteral("Picture strip %1 is missing").arg(name));
    TBytesStream packed(file.readAll());
    TBytesStream unpacked;
    DecompressGzipStream(packed, unpacked);
    QByteArray bytes = unpacked.Bytes();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->LoadFromStream(buffer);
    return bitmap;
}

} // namespace

TCustomImageList* TrptResources::MainButtonImages() {
    if (FMainButtonImages->Count() == 0) SetButtonImages(*LoadReportPictureStrip(QStringLiteral("DesgnButtons")));
    return FMainButtonImages.get();
}

TCustomImageList* TrptResources::PreviewButtonImages() {
    if (FPreviewButtonImages->Count() == 0)
        SetPreviewButtonImages(*LoadReportPictureStrip(QStringLiteral("PreviewButtons")));
    return FPreviewButtonImages.get();
}

TCustomImageList* TrptResources::ObjectImages() {
    if (FObjectImages->Count() == 0) SetObjectImages(*LoadReportPictureStrip(QStringLiteral("ObjectButtons")));
    return FObjectImages.get();
}

TCustomImageList* TrptResources::WizardImages() {
    if (FWizardImages->Count() == 0) SetWizardImages(*LoadReportPictureStrip(QStringLiteral("WizardButtons")));
    return FWizardImages.get();
}

// ---------------------------------------------------------------------------------------------
// Languages and help

void TrptResources::ScanLanguageFiles() {
    FLanguages.clear();
    const QDir dir(ExeFolderPath());
    for (const QString& entry : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (!entry.endsWith(QLatin1String(".drc"), Qt::CaseInsensitive)) continue;
        const QString name = LanguageName(entry);
        // Names that differ only in case are one language here, as they would be on a file
        // system that ignores case.
        if (!FLanguages.contains(name)) FLanguages << name;
    }
    FLanguages.sort();
}

void TrptResources::Help(const TObject* Sender) { HelpForClass(Sender ? Sender->ClassName() : QString()); }

void TrptResources::HelpForClass(const QString& ClassName) {
    QString topic;
    if (!ClassName.isEmpty())
        for (const THelpTopic& row : HelpTopics)
            if (CompareText(ClassName, QLatin1String(row.Sender)) == 0) {
                topic = QStringLiteral("::/") + QLatin1String(row.Topic);
                break;
            }
    DisplayHelpTopic(ExeFolderPath() + FHelpFile + topic);
}

const THelpTopic HelpTopics[HelpTopicCount] = {
    {"TrptDesignerForm", "Designer.htm"},
    {"TrptOptionsEditor", "Designer_options.htm"},
    {"TrptReportEditorForm", "Report_options.htm"},
    {"TrptPageEditorForm", "Page_options.htm"},
    {"TrptCrossEditorForm", "Cross_tab_reports.htm"},
    {"TrptChartEditorForm", "Diagrams.htm"},
    {"TrptSyntaxMemo", "Script.htm"},
    {"TrptDialogPage", "Dialogue_forms.htm"},
    {"TrptDialogComponent", "Data_access_components.htm"},
    {"TrptVarEditorForm", "Variables.htm"},
    {"TrptHighlightEditorForm", "Conditional_highlighting.htm"},
    {"TrptSysMemoEditorForm", "Inserting_aggregate_function.htm"},
    {"TrptFormatEditorForm", "Values_formatting.htm"},
    {"TrptGroupEditorForm", "Report_with_groups.htm"},
    {"TrptPictureEditorForm", "Picture_object.htm"},
    {"TrptMemoEditorForm", "Text_object.htm"},
    {"TrptSQLEditorForm", "TrptADOQuery.htm"},
};

void SetHelpAvailable(bool value) { GHelpAvailable = value; }
bool HelpAvailable() { return GHelpAvailable; }

void DisplayHelpTopic(const QString& Path) {
    if (!GHelpAvailable) return;
    const qsizetype sep = Path.indexOf(QLatin1String("::/"));
    const QString helpFile = sep < 0 ? Path : Path.left(sep);
    const QString topic = sep < 0 ? QString() : Path.mid(sep + 3);
    // The help is a folder of HTML pages named after the help file ("ZARaru.chm" -> "ZARaru/"),
    // found whatever the case of its name.
    const QFileInfo info(helpFile);
    const QDir parent(info.absolutePath());
    QString dirPath;
    for (const QString& entry : parent.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name))
        if (entry.compare(info.completeBaseName(), Qt::CaseInsensitive) == 0) {
            dirPath = parent.filePath(entry);
            if (entry == info.completeBaseName()) break;
        }
    if (dirPath.isEmpty()) return;
    QString page = topic.isEmpty() ? QString() : ExistingFile(dirPath + QLatin1Char('/') + topic);
    if (page.isEmpty()) page = ExistingFile(dirPath + QStringLiteral("/index.htm"));
    if (page.isEmpty()) return;
    OpenDocument(page);
}

// =============================================================================================
// The process-wide table

namespace {

// The lookup installed in the utility routines is left alone at exit: it may already be gone.
struct TGlobalSlot {
    std::unique_ptr<TrptResources> Table;
};

TGlobalSlot& GlobalSlot() {
    static TGlobalSlot slot;
    return slot;
}

std::vector<QByteArray (*)()>& RegisteredTables() {
    static std::vector<QByteArray (*)()> tables;
    return tables;
}

} // namespace

TrptResources* GlobalResources() {
    TGlobalSlot& slot = GlobalSlot();
    if (!slot.Table) {
        slot.Table = std::make_unique<TrptResources>();
        SetReportTextLookup([](const QString& key) { return GlobalResources()->Get(key); });
        slot.Table->AddXML(CoreResourceTable());
        // Until the designer's own unit adds its table, the keys of it that the core reads.
        slot.Table->AddXML(DesignerResourceTable());
        for (auto table : RegisteredTables())
            slot.Table->AddXML(table());
    }
    return slot.Table.get();
}

void RegisterResourceTable(QByteArray (*Table)()) {
    auto& tables = RegisteredTables();
    if (!Table || std::find(tables.begin(), tables.end(), Table) != tables.end()) return;
    tables.push_back(Table);
    // The first table registered also installs the text lookup, so ReportText finds its keys at once.
    if (GlobalSlot().Table) GlobalSlot().Table->AddXML(Table());
    else GlobalResources();
}

void FreeGlobalResources() {
    SetReportTextLookup(nullptr);
    GlobalSlot().Table.reset();
}

QString ResourceTextById(int id) { return GlobalResources()->Get(QString::number(id)); }
