// Template inheritance of TrptReport: loading a parent template under a child (ParentReport) and
// turning a report into the heir of a template afterwards (InheritFromTemplate).

#include "report/core/rptClassReport.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/TextCase.h"
#include "platform/rtti/Classes.h"
#include "platform/ui/StdCtrls.h"
#include "report/core/rptClassBand.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptDataSets.h"
#include "report/core/rptInheritError.h"
#include "report/core/rptUtils.h"
#include "report/core/rptXML.h"
#include "report/core/rptXMLSerializer.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

#include <memory>
#include <set>
#include <vector>

namespace {

// Stored names may come from templates made on Windows: "..\base.de3", "C:\Reports\base.de3".
bool IsRootedName(const QString& Name) {
    if (Name.size() > 1 && Name[1] == QLatin1Char(':')) return true;
    if (Name.startsWith(QLatin1String("\\\\"))) return true;
    return QDir::isAbsolutePath(Name);
}

QString Separators(const QString& Name) {
    QString s = Name;
    s.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return s;
}

// Where a parent named Value by the template file ChildFile lies: beside the child, else in the
// application folder. Names with a root are taken as they are.
QString ResolveParentFile(const QString& Value, const QString& ChildFile, const QString& AppFolder) {
    // A drive letter names the root, as when the template is saved (SaveToFile).
    if (Value.size() > 1 && Value[1] == QLatin1Char(':')) return Separators(Value.mid(2));
    if (Value.size() <= 1 || IsRootedName(Value)) return Separators(Value);
    const QString name = Separators(Value);
    const QString folder = ChildFile.isEmpty() ? QDir::currentPath() : QFileInfo(ChildFile).absolutePath();
    const QString beside = QDir::cleanPath(QDir(folder).absoluteFilePath(name));
    if (QFileInfo(beside).isFile()) return beside;
    return QDir::cleanPath(QDir(AppFolder).absoluteFilePath(name));
}

QString CanonicalName(const QString& File) {
    const QFileInfo info(File);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : canonical;
}

QString Quoted(const QString& Name) {
    return QLatin1Char('"') + Name + QLatin1Char('"');
}

// Follows the chain of parents from the template ChildFile (empty for a report that has no file)
// without touching any report: every parent must exist, be a report template and not lead back
// to a template of the chain. Throws EParentTemplateError naming the file at fault; returns the
// first parent's file.
QString CheckParentChain(const QString& Value, const QString& ChildFile, const QString& AppFolder) {
    QSet<QString> seen;
    if (!ChildFile.isEmpty()) seen.insert(CanonicalName(ChildFile));
    QString name = Value;
    QString from = ChildFile;
    QString first;
    // A chain deeper than this is a loop the file system hides (links) or a mistake.
    for (int depth = 0; depth < 64; ++depth) {
        const QString file = ResolveParentFile(name, from, AppFolder);
        if (first.isEmpty()) first = file;
        const QString by = from.isEmpty() ? QStringLiteral("the report") : Quoted(from);
        if (!QFileInfo(file).isFile())
            throw EParentTemplateError(
                QStringLiteral("Parent template %1 named by %2 was not found").arg(Quoted(file), by));
        const QString canonical = CanonicalName(file);
        if (seen.contains(canonical))
            throw EParentTemplateError(
                QStringLiteral("Template %1 inherits from itself through %2").arg(Quoted(file), by));
        seen.insert(canonical);
        QString parentOfParent;
        try {
            TrptXMLDocument doc;
            doc.LoadFromFile(file);
            TrptXMLItem* root = doc.Root();
            // An heir's root element is "inherited".
            if (!root || (root->Name() != QLatin1String("TrptReport") &&
                          root->Name() != QLatin1String("inherited")))
                throw Exception(QStringLiteral("it is not a report template"));
            parentOfParent = root->Prop(QStringLiteral("ParentReport"));
        } catch (const EParentTemplateError&) {
            throw;
        } catch (const Exception& e) {
            throw EParentTemplateError(QStringLiteral("Parent template %1 named by %2 cannot be read: %3")
                                           .arg(Quoted(file), by, e.Message()));
        }
        if (parentOfParent.isEmpty()) return first;
        name = parentOfParent;
        from = file;
    }
    throw EParentTemplateError(
        QStringLiteral("Parent templates of %1 are nested too deeply").arg(Quoted(ChildFile)));
}

// "A name of at least two characters that begins with "." or "\" is expanded to a full path".
QString ComparableName(const QString& Name) {
    if (Name.size() >= 2 && (Name[0] == QLatin1Char('.') || Name[0] == QLatin1Char('\\') ||
                             Name[0] == QLatin1Char('/')))
        return QDir::cleanPath(QDir::current().absoluteFilePath(Separators(Name)));
    return Name;
}

// Merging the objects of a report (the copy taken before inheriting) into the report that now
// holds the parent template.
class TInheritMerge {
public:
    TInheritMerge(TrptReport* Report, TrptReport* Copy, bool DeleteDuplicates)
        : FReport(Report), FCopy(Copy), FDeleteDuplicates(DeleteDuplicates) {}

    void Merge(TrptComponent* Target, TrptComponent* Source);
    void ResolveFixups();

private:
    void CopyProperties(TrptComponent* Target, TrptComponent* Source);

    TrptReport* FReport;
    TrptReport* FCopy;
    bool FDeleteDuplicates;
    std::vector<TrptFixupItem> FFixups;
    // Pages of the copy already taken over as the page of a subreport.
    std::set<const TrptComponent*> FTakenPages;
};

void TInheritMerge::CopyProperties(TrptComponent* Target, TrptComponent* Source) {
    TrptXMLSerializer serializer(nullptr);
    serializer.SetSerializeDefaultValues(Target != FReport);
    serializer.SetOwner(Source->Report());
    const QString text = serializer.ObjToXML(Source);
    serializer.SetOwner(Target->Report());
    Target->SetIsLoading(true);
    try {
        serializer.XMLToObj(text, Target);
    } catch (...) {
        Target->SetIsLoading(false);
        throw;
    }
    Target->SetIsLoading(false);
    // References wait until every object has its final name.
    serializer.CopyFixupList(FFixups);
    for (int i = 0; i < serializer.Errors().Count(); ++i)
        FReport->Errors()->Add(serializer.Errors().Get(i));
}

void TInheritMerge::Merge(TrptComponent* Target, TrptComponent* Source) {
    CopyProperties(Target, Source);
    // Read afresh on every step: taking a subreport's page changes what is left to merge.
    for (size_t i = 0; i < Source->Objects().size(); ++i) {
        TrptComponent* child = Source->Objects()[i];
        if (FTakenPages.count(child)) continue;
        TrptComponent* found = FReport->FindObject(child->Name());
        QString oldName;
        TrptReportPage* subreportPage = nullptr;
        if (found && !found->AsPage()) {
            if (FDeleteDuplicates) continue;
            oldName = child->Name();
            child->SetName(QString());
            found = nullptr;
        }
        if (!found) {
            const TClassInfo* cls = ClassInfoOf(child);
            auto* obj = static_cast<TrptComponent*>(cls->CreateInstance(Target));
            if (obj->Parent() != Target) obj->SetParent(Target);
            if (!child->Name().isEmpty()) {
                obj->SetName(child->Name());
            } else {
                obj->CreateUniqueName();
                // The generated name may belong to an object of the copy still to come: that one
                // moves to a name of its own.
                if (TrptComponent* other = FCopy->FindObject(obj->Name())) {
                    other->SetName(QString());
                    other->CreateUniqueName();
                }
                child->SetName(obj->Name());
                for (TrptFixupItem& f : FFixups)
                    if (SameText(f.Value, oldName)) f.Value = obj->Name();
                if (auto* ds = dynamic_cast<TrptDataSet*>(child)) {
                    ds->SetUserName(obj->Name());
                    FReport->DataSets()->Add(static_cast<TrptDataSet*>(obj));
                }
            }
            if (auto* sub = dynamic_cast<TrptSubreport*>(child)) {
                if (TrptReportPage* childPage = sub->Page()) {
                    auto* page = new TrptReportPage(FReport);
                    page->CreateUniqueName();
                    FTakenPages.insert(childPage);
                    Merge(page, childPage);
                    subreportPage = page;
                }
            }
            found = obj;
        }
        Merge(found, child);
        if (subreportPage) {
            // The subreport's Page came from the copy by the old page's name: the new page it is.
            auto* sub = static_cast<TrptSubreport*>(found);
            FFixups.erase(std::remove_if(FFixups.begin(), FFixups.end(),
                                         [sub](const TrptFixupItem& f) {
                                             return f.Obj == sub && f.PropInfo &&
                                                    f.PropInfo->Name() == QLatin1String("Page");
                                         }),
                          FFixups.end());
            sub->SetPage(subreportPage);
        }
    }
}

void TInheritMerge::ResolveFixups() {
    std::vector<TrptFixupItem> fixups = std::move(FFixups);
    FFixups.clear();
    for (const TrptFixupItem& f : fixups) {
        TComponent* found = FReport->FindObject(f.Value);
        if (!found) {
            try {
                found = FindReportComponent(FReport, f.Value);
            } catch (const Exception&) {
                found = nullptr;
            }
        }
        if (found && f.Obj && f.PropInfo) {
            try {
                f.PropInfo->SetObj(f.Obj, found);
            } catch (const Exception& e) {
                FReport->Errors()->Add(e.Message());
            }
        }
    }
}

void MarkAncestors(TrptReport* Report, bool Value) {
    Report->SetAncestorFlag(Value);
    for (TrptComponent* c : Report->AllObjects())
        c->SetAncestorFlag(Value);
}

} // namespace

void TrptReport::SetParentReport(const QString& Value) {
    if (Value.isEmpty()) {
        FParentReport.clear();
        FParentReportObject.reset();
        SetAncestorFlag(false);
        for (TrptComponent* c : AllObjects()) {
            c->SetAncestorFlag(false);
            c->SetComponentStateFlag(csAncestor, false);
        }
        return;
    }
    const QString savedFileName = FFileName;
    TrptXMLSerializer* savedSerializer = FXMLSerializer;
    QString parentFile;
    if (!OnLoadTemplate) {
        // Checked before anything changes: a parent that is missing, damaged or that leads back
        // to the child must not leave the child half merged with it.
        try {
            parentFile = CheckParentChain(Value, savedFileName, GetApplicationFolder());
        } catch (const EParentTemplateError&) {
            // While a template is read, its load drops what it read so far (LoadFromStream).
            if (savedSerializer) FParentTemplateFailed = true;
            throw;
        }
    }
    FParentReport = Value;
    FParentReportObject.reset();
    if (OnLoadTemplate)
        OnLoadTemplate(this, Value);
    else
        LoadFromFile(parentFile);

    auto copy = std::make_unique<TrptReport>();
    copy->SetFileName(FFileName);
    copy->OnLoadTemplate = OnLoadTemplate;
    copy->EngineOptions()->SetNewSilentMode(EngineOptions()->NewSilentMode());
    copy->AssignAll(this);
    FFileName = savedFileName;
    for (TrptComponent* c : copy->AllObjects())
        if (auto* page = dynamic_cast<TrptReportPage*>(c)) page->SetPaperSize(256);
    FParentReportObject = std::move(copy);
    MarkAncestors(this, true);
    FParentReport = Value;
    FXMLSerializer = savedSerializer;
}

bool TrptReport::InheritFromTemplate(const QString& templName, TrptInheriteMode InheriteMode) {
    if (ComparableName(FFileName) == ComparableName(templName)) return false;
    if (!FFileName.isEmpty() && QFileInfo(templName).isFile() &&
        CanonicalName(FFileName) == CanonicalName(templName))
        return false;

    // What a cancelled question goes back to.
    TMemoryStream before;
    SaveToStream(before, true, true, false);

    auto copy = std::make_unique<TrptReport>();
    copy->EngineOptions()->SetNewSilentMode(EngineOptions()->NewSilentMode());
    // An heir's copy loads the same parent, found from the same place.
    copy->SetFileName(FFileName);
    copy->OnLoadTemplate = OnLoadTemplate;
    copy->AssignAll(this);
    // An heir changing its parent keeps the old parent's objects as its own; merged back, the
    // old parent's name would load that parent again in the middle of the merge.
    copy->SetParentReport(QString());

    const QString folder = FFileName.isEmpty() ? QDir::currentPath() : QFileInfo(FFileName).absolutePath();
    const QString templFile = QDir::cleanPath(QDir(folder).absoluteFilePath(Separators(templName)));
    const QString relative = FFileName.isEmpty() ? templFile : QDir(folder).relativeFilePath(templFile);
    const QString fileName = FFileName;
    // A parent that cannot be loaded raises before anything changed.
    SetParentReport(relative);
    FFileName = fileName;

    bool clash = false;
    for (TrptComponent* c : copy->AllObjects())
        if (!c->AsPage() && !c->Name().isEmpty() && FindObject(c->Name())) {
            clash = true;
            break;
        }

    bool deleteDuplicates = InheriteMode == imDelete;
    if (clash && InheriteMode == imDefault) {
        std::unique_ptr<TrptInheritErrorForm> form(new TrptInheritErrorForm(nullptr));
        if (form->ShowModal() != mrOk) {
            // Back to what the report was, an heir with its old parent included.
            SetParentReport(QString());
            before.SetPosition(0);
            LoadFromStream(before);
            FFileName = fileName;
            return false;
        }
        deleteDuplicates = form->DeleteRB->Checked();
    }

    std::unique_ptr<TStringList> parentScript = std::make_unique<TStringList>();
    parentScript->Assign(*FScriptText);

    TInheritMerge merge(this, copy.get(), deleteDuplicates);
    merge.Merge(this, copy.get());
    // The merge copied the child's report properties; the parent stays the parent.
    FParentReport = relative;

    QString open, close;
    if (FScriptLanguage == QLatin1String("C++Script") || FScriptLanguage == QLatin1String("JScript")) {
        open = QStringLiteral("/*");
        close = QStringLiteral("*/");
    } else if (FScriptLanguage == QLatin1String("BasicScript")) {
        open = close = QStringLiteral("/\\");
    } else if (FScriptLanguage == QLatin1String("PascalScript")) {
        open = QStringLiteral("{");
        close = QStringLiteral("}");
    }
    FScriptText->Add(open);
    FScriptText->Add(QStringLiteral("**********Script from parent report**********"));
    for (int i = 0; i < parentScript->Count(); ++i)
        FScriptText->Add(parentScript->Get(i));
    FScriptText->Add(close);

    for (int i = 0; i < FDataSets->Count(); ++i) {
        TrptDataSetItem* item = FDataSets->Items(i);
        if (TrptDataSet* ds = FindDataSet(item->DataSet(), item->DataSetName())) item->SetDataSet(ds);
    }
    merge.ResolveFixups();
    return true;
}
