#include "report/core/rptPreparedPages.h"

#include "platform/gfx/Canvas.h"
#include "platform/gfx/Metafile.h"
#include "platform/rtl/SysUtils.h"
#include "platform/sys/Desktop.h"
#include "report/core/rptClassBand.h"
#include "report/core/rptClassMemo.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptClassPicture.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptClassView.h"
#include "report/core/rptHTMLTags.h"
#include "report/core/rptOutline.h"
#include "report/core/rptPictureCache.h"
#include "report/core/rptPrintLoop.h"
#include "report/core/rptPrinter.h"
#include "report/core/rptRunControl.h"
#include "report/core/rptUtils.h"
#include "report/core/rptXML.h"
#include "report/core/rptXMLSerializer.h"

#include <QFileInfo>
#include <QHash>
#include <QRegion>

#include <algorithm>
#include <cmath>
#include <functional>
#include <unordered_map>

KORVEL_CLASS_INFO(TrptPreviewPages) {}

namespace {

// Pixels per millimetre of report geometry.
constexpr double MillimetreFactor = 3.77953;
// Rough bytes an object element costs besides its name and text.
constexpr int ElementOverhead = 68;

const QString PreviewPagesName = QStringLiteral("previewpages");
const QString OutlineName = QStringLiteral("outline");
const QString AnchorsName = QStringLiteral("anchors");
const QString LogicalNumbersName = QStringLiteral("logicalpagenumbers");
const QString CuttedName = QStringLiteral("cutted");
const QString ReportPageClass = QStringLiteral("TrptReportPage");
const QString DMPPageClass = QStringLiteral("TrptDMPPage");

bool SameText(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// A float attribute, 0 when absent.
double FloatProp(const TrptXMLItem* item, const QString& name) {
    if (!item->PropExists(name)) return 0;
    return ReportStrToFloat(item->GetProp(name));
}

int IntProp(const TrptXMLItem* item, const QString& name) {
    bool ok = false;
    const int v = item->GetProp(name).trimmed().toInt(&ok);
    return ok ? v : 0;
}

TrptOpenLinkHandler& OpenLinkHandler() {
    static TrptOpenLinkHandler handler;
    return handler;
}

void OpenLink(const QUrl& url) {
    if (const TrptOpenLinkHandler& h = OpenLinkHandler()) {
        h(url);
        return;
    }
    OpenDocument(url.toString());
}

// Short and long parts of a hint "short|long"; both the whole text without a bar.
QString ShortHint(const QString& hint) {
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    return bar < 0 ? hint : hint.left(bar);
}
QString LongHint(const QString& hint) {
    const qsizetype bar = hint.indexOf(QLatin1Char('|'));
    return bar < 0 ? hint : hint.mid(bar + 1);
}

bool IsPageFooter(const TObject* obj) {
    return dynamic_cast<const TrptPageFooter*>(obj) != nullptr;
}
bool IsColumnFooter(const TObject* obj) {
    return dynamic_cast<const TrptColumnFooter*>(obj) != nullptr;
}

// A copy of a template object as a new object of the same class under Parent (none for a page).
TrptComponent* NewObjectLike(const TrptComponent* Template, TrptComponent* Parent) {
    TObject* o = ClassInfoOf(Template)->CreateInstance(Parent);
    auto* c = dynamic_cast<TrptComponent*>(o);
    if (!c) {
        delete o;
        throw ErptPreparedPage(QStringLiteral("Cannot copy %1 of class %2 into prepared pages")
                                   .arg(Template->Name(), ClassInfoOf(Template)->ClassName()));
    }
    return c;
}

// Assigns Source to Dest; a picture's bytes stay out of the copy (the prepared pages keep
// pictures in their picture cache).
void AssignWithoutPicture(TrptComponent* Dest, TrptComponent* Source) {
    if (auto* pic = dynamic_cast<TrptPictureView*>(Source)) {
        pic->SetIsPictureStored(false);
        try {
            Dest->Assign(Source);
        } catch (...) {
            pic->SetIsPictureStored(true);
            throw;
        }
        pic->SetIsPictureStored(true);
        return;
    }
    Dest->Assign(Source);
}

// Class name (with csDefaultDiff) or the serialized form of a source copy.
QString SourceBaseText(TrptComponent* Copy) {
    if (Copy->rptComponentStyle().Contains(csDefaultDiff)) return ClassInfoOf(Copy)->ClassName();
    TrptXMLSerializer ser(nullptr);
    return ser.WriteComponentStr(Copy);
}

// A page written whole: the template writer leaves the root's name out, the page keeps it.
void WritePageWhole(TrptReportPage* Page, TrptXMLItem* Item) {
    TrptXMLSerializer ser(nullptr);
    ser.WriteRootComponent(Page, true, Item);
    Item->SetName(ClassInfoOf(Page)->ClassName());
    if (!Item->PropExists(QStringLiteral("Name")) && !Page->Name().isEmpty())
        Item->SetText(QStringLiteral("Name=\"") + EscapeXMLText(Page->Name()) + QStringLiteral("\" ") + Item->Text());
}

void ReadPageWhole(TrptXMLSerializer& Ser, TrptReportPage* Page, TrptXMLItem* Item) {
    Ser.ReadRootComponent(Page, Item);
    if (Page->Name().isEmpty() && Item->PropExists(QStringLiteral("Name"))) Page->SetName(Item->GetProp(QStringLiteral("Name")));
}

} // namespace

namespace {

// Deeper nesting than any report has; a file nesting deeper is damaged or made to exhaust us.
constexpr int MaxElementDepth = 200;

// A class whose objects may stand on a prepared page: a report object that is neither a report
// nor a page.
bool IsPageObjectClass(const TClassInfo* Cls) {
    return Cls && Cls->CanCreate() && Cls->InheritsFrom(TrptComponent::StaticClassInfo()) &&
           !Cls->InheritsFrom(TrptReport::StaticClassInfo()) && !Cls->InheritsFrom(TrptPage::StaticClassInfo());
}

// What is wrong with the object elements below Item, empty when nothing: each must name a source
// object by its alias (with Aliases) or a class of page objects, nested no deeper than the limit.
// Elements still in the stream of a partial load are checked when they are read.
QString CheckObjectElements(const TrptXMLItem* Item, const TrptDictionary* Aliases) {
    QHash<QString, bool> classes;
    std::vector<std::pair<const TrptXMLItem*, int>> todo{{Item, 0}};
    while (!todo.empty()) {
        const auto [item, depth] = todo.back();
        todo.pop_back();
        if (!item->Loaded()) continue;
        for (int i = 0; i < item->Count(); ++i) {
            const TrptXMLItem* child = item->Items(i);
            if (depth >= MaxElementDepth)
                return QStringLiteral("objects nested more than %1 levels deep").arg(MaxElementDepth);
            const QString& name = child->Name();
            if (!Aliases || !Aliases->GetObject(name)) {
                auto it = classes.constFind(name);
                if (it == classes.constEnd()) it = classes.insert(name, IsPageObjectClass(GetClass(name)));
                if (!it.value())
                    return QStringLiteral("\"%1\" is neither an object of the report nor a kind of report object")
                        .arg(name);
            }
            todo.push_back({child, depth + 1});
        }
    }
    return {};
}

// Nesting of any element tree, for the parts of the file read without the check above.
bool DeeperThan(const TrptXMLItem* Item, int Limit) {
    std::vector<std::pair<const TrptXMLItem*, int>> todo{{Item, 0}};
    while (!todo.empty()) {
        const auto [item, depth] = todo.back();
        todo.pop_back();
        if (item->Count() > 0 && depth >= Limit) return true;
        for (int i = 0; i < item->Count(); ++i) todo.push_back({item->Items(i), depth + 1});
    }
    return false;
}

[[noreturn]] void InvalidFile(const QString& Why) {
    TrptInvalidXMLException e;
    e.SetMessage(e.Message() + QStringLiteral(": ") + Why);
    throw e;
}

// Source page index named by a "pageN" element; -1 when the name holds none.
qint64 PageElementSource(const QString& Name) {
    if (Name.size() <= 4 || !Name.startsWith(QLatin1String("page"), Qt::CaseInsensitive)) return -1;
    const QStringView digits = QStringView(Name).mid(4);
    if (digits.size() > 9) return -1;
    for (QChar ch : digits)
        if (ch < QLatin1Char('0') || ch > QLatin1Char('9')) return -1;
    return digits.toLongLong();
}

// A source object's text ("ClassName attributes") split for reading many objects from it.
struct TSourceText {
    const TClassInfo* Class = nullptr; // none: read the whole text the usual way
    QString Attributes;
};

bool IsAttrBlank(QChar c) {
    return c.unicode() <= ' ';
}

// Whether an attribute text ends after a complete last attribute (only blanks follow), so that
// reading it and then a second text does what reading both joined by a blank does. The same
// walk as the serializer's: a name up to "=", a value between the next two quotes.
bool AttributesEndClean(const QString& Text) {
    const QChar* d = Text.constData();
    const qsizetype n = Text.size();
    qsizetype i = 0;
    for (;;) {
        while (i < n && IsAttrBlank(d[i]))
            ++i;
        qsizetype eq = i;
        while (eq < n && d[eq] != u'=')
            ++eq;
        if (eq >= n) return i >= n;
        qsizetype end = eq;
        while (end > i && IsAttrBlank(d[end - 1]))
            --end;
        if (end == i) return false;
        qsizetype q1 = eq + 1;
        while (q1 < n && d[q1] != u'"')
            ++q1;
        if (q1 >= n) return false;
        qsizetype q2 = q1 + 1;
        while (q2 < n && d[q2] != u'"')
            ++q2;
        if (q2 >= n) return false;
        i = q2 + 1;
    }
}

// The class named first must be one the serializer reads components of (the same check and
// message); a blank or unusual text gets no class and is read whole.
TSourceText SplitSourceText(const QString& Base) {
    TSourceText r;
    const QString t = Base.trimmed();
    if (t.isEmpty()) return r;
    qsizetype i = 0;
    while (i < t.size() && !IsAttrBlank(t[i]))
        ++i;
    const QString className = t.left(i);
    const TClassInfo* cls = FindClass(className);
    if (!cls->InheritsFrom(TrptComponent::StaticClassInfo()) || !cls->CanCreate())
        throw EClassNotFound(QStringLiteral("Class %1 not found").arg(className));
    QString attrs = t.mid(i);
    if (!AttributesEndClean(attrs)) return r;
    r.Class = cls;
    r.Attributes = std::move(attrs);
    return r;
}

// What ReadComponentStr(Parent, source text + " " + More, true) does, without joining the texts.
TrptComponent* ReadObjectFrom(TrptXMLSerializer& Ser, TrptComponent* Parent, const TSourceText& Source,
                              const QString& More) {
    if (!Ser.Owner()) Ser.SetOwner(Parent);
    auto* obj = static_cast<TrptComponent*>(Source.Class->CreateInstance(Parent));
    obj->SetLoading(true);
    Ser.XMLToObj(Source.Attributes, obj);
    // The joined text would have lost its trailing blanks.
    Ser.XMLToObj(More.trimmed(), obj);
    obj->SetLoading(false);
    obj->Loaded();
    return obj;
}

bool ReadFileBool(const TrptXMLItem* Item, const QString& Name, bool& Value) {
    if (!Item->PropExists(Name)) return true;
    const QString v = Item->GetProp(Name).trimmed();
    if (v == QLatin1String("1")) Value = true;
    else if (v == QLatin1String("0")) Value = false;
    else return TryStrToBool(v, Value);
    return true;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Construction

TrptPreviewPages::TrptPreviewPages(TrptReport* AReport)
    : TrptCustomPreviewPages(AReport), FDictionary(std::make_unique<TrptDictionary>()),
      FPictureCache(std::make_unique<TrptPictureCache>()), FXMLDoc(std::make_unique<TrptXMLDocument>()) {
    FXMLDoc->Root()->SetName(QStringLiteral("preparedreport"));
    SetOutline(std::make_unique<TrptOutline>(this, FXMLDoc.get()));
    FCurPage = -1;
}

TrptPreviewPages::~TrptPreviewPages() {
    ClearPageCache();
    FreeSourcePages();
    SetOutline(nullptr);
}

void TrptPreviewPages::FreeSourcePages() {
    for (TrptReportPage* p : FSourcePages) delete p;
    FSourcePages.clear();
}

void TrptPreviewPages::Clear() {
    ClearPageCache();
    FreeSourcePages();
    FXMLDoc->Clear();
    FDictionary->Clear();
    FPictureCache->Clear();
    FPagesItem = nullptr;
    if (Outline()) Outline()->SetCurItem(nullptr);
    FCurPage = -1;
    FXMLSize = 0;
    FLastY = 0;
    FFirstPageIndex = -1;
    FFirstObjectIndex = 0;
    FFirstOutlineIndex = 0;
    FLogicalPageN = 0;
}

void TrptPreviewPages::Initialize() {
    if (FReport) {
        FPictureCache->SetUseFileCache(FReport->PreviewOptions()->PictureCacheInFile());
        FPictureCache->SetTempDir(FReport->EngineOptions()->TempDir());
        FXMLDoc->SetTempDir(FReport->EngineOptions()->TempDir());
    }
    ProgressStart();
}

void TrptPreviewPages::Finish() {
    FLastY = 0;
    ClearPageCache();
    for (TrptReportPage* p : FSourcePages) p->SetOriginalComponent(nullptr);
    ProgressStop();
}

// ---------------------------------------------------------------------------------------------
// Elements

TrptXMLItem* TrptPreviewPages::RootChild(const QString& Name) {
    return FXMLDoc->Root()->FindItem(Name);
}

TrptXMLItem* TrptPreviewPages::PagesItem() {
    // Root children go only with the whole document (Clear), so the element is looked up once.
    if (!FPagesItem) FPagesItem = RootChild(PreviewPagesName);
    return FPagesItem;
}

int TrptPreviewPages::GetCount() {
    return PagesItem()->Count();
}

TrptXMLItem* TrptPreviewPages::PageItem(int Index) {
    TrptXMLItem* pages = PagesItem();
    if (Index < 0 || Index >= pages->Count()) return nullptr;
    return pages->Items(Index);
}

TrptXMLItem* TrptPreviewPages::CurrentPageItem() {
    TrptXMLItem* item = PageItem(FCurPage);
    // The engine may come back to a page that went to the temporary file: its objects must be
    // in memory before anything is counted, added or moved.
    if (item && !item->Loaded()) FXMLDoc->LoadItem(item);
    return item;
}

bool TrptPreviewPages::IsWholePage(const TrptXMLItem* Item) const {
    return SameText(Item->Name(), ReportPageClass) || SameText(Item->Name(), DMPPageClass);
}

int TrptPreviewPages::SourceIndexOf(const TrptXMLItem* Item, int PageIndex) const {
    const QString& name = Item->Name();
    auto fail = [&](const QString& why) -> int {
        throw ErptPreparedPage(QStringLiteral("Prepared page %1 (%2): %3").arg(PageIndex + 1).arg(name, why));
    };
    if (!name.startsWith(QLatin1String("page"), Qt::CaseInsensitive) || name.size() == 4)
        return fail(QStringLiteral("not a page of a source page"));
    const QStringView digits = QStringView(name).mid(4);
    for (QChar ch : digits)
        if (ch < QLatin1Char('0') || ch > QLatin1Char('9')) return fail(QStringLiteral("not a page of a source page"));
    bool ok = false;
    const qlonglong index = digits.toLongLong(&ok);
    if (!ok || index < 0 || index >= static_cast<qlonglong>(FSourcePages.size()))
        return fail(QStringLiteral("source page %1 does not exist (%2 source pages)")
                        .arg(digits.toString())
                        .arg(FSourcePages.size()));
    return static_cast<int>(index);
}

int TrptPreviewPages::SourceIndexOfTemplate(const TrptReportPage* Page) const {
    for (size_t i = 0; i < FSourcePages.size(); ++i)
        if (Page && FSourcePages[i]->OriginalComponent() == Page) return static_cast<int>(i);
    return -1;
}

TrptComponent* TrptPreviewPages::SourceObjectOf(const TrptXMLItem* Item) const {
    return dynamic_cast<TrptComponent*>(FDictionary->GetObject(Item->Name()));
}

bool TrptPreviewPages::EngineRunning() const {
    return FEngine && FEngine->Running();
}

// ---------------------------------------------------------------------------------------------
// Source pages

void TrptPreviewPages::AddSourcePage(TrptReportPage* Page) {
    if (!Page) return;
    struct TPair {
        TrptComponent* Template;
        TrptComponent* Copy;
    };
    std::vector<TPair> pairs;
    const int sourceIndex = static_cast<int>(FSourcePages.size());

    auto* pageCopy = dynamic_cast<TrptReportPage*>(NewObjectLike(Page, nullptr));
    std::unique_ptr<TrptReportPage> owned(pageCopy);
    AssignWithoutPicture(pageCopy, Page);
    pageCopy->SetName(Page->Name());
    pairs.push_back({Page, pageCopy});

    std::function<void(TrptComponent*, TrptComponent*)> copyChildren = [&](TrptComponent* from, TrptComponent* to) {
        const TrptComponentList children = from->Objects();
        for (TrptComponent* c : children) {
            if (!c->rptComponentStyle().Contains(csPreviewVisible)) {
                pairs.push_back({c, nullptr});
                continue;
            }
            TrptComponent* copy = NewObjectLike(c, to);
            AssignWithoutPicture(copy, c);
            copy->SetName(c->Name());
            pairs.push_back({c, copy});
            copyChildren(c, copy);
        }
    };
    copyChildren(Page, pageCopy);

    pageCopy->SetOriginalComponent(Page);
    FSourcePages.push_back(owned.release());

    const QString prefix = QStringLiteral("Page%1.").arg(sourceIndex);
    for (size_t i = 1; i < pairs.size(); ++i) {
        TrptComponent* tmpl = pairs[i].Template;
        TrptComponent* copy = pairs[i].Copy;
        if (!copy) {
            tmpl->AddSourceObjects();
            continue;
        }
        tmpl->SetOriginalComponent(copy);
        copy->SetOriginalComponent(tmpl);
        const QString base = copy->AsBand() ? QStringLiteral("b") : copy->BaseName().left(1).toLower();
        const QString alias = FDictionary->AddUnique(base, prefix + copy->Name(), copy);
        if (copy->IsTextObject())
            if (auto* view = dynamic_cast<TrptView*>(copy)) {
                view->SetDataSet(nullptr);
                view->SetDataField(QString());
            }
        copy->SetBaseName(SourceBaseText(copy));
        copy->SetAliasName(alias);
        tmpl->SetAliasName(alias);
    }
}

void TrptPreviewPages::AddToSourcePage(TrptComponent* Obj) {
    if (!Obj) return;
    if (FSourcePages.empty())
        throw ErptPreparedPage(
            QStringLiteral("%1 cannot be added to the prepared pages: there is no source page").arg(Obj->Name()));
    TrptReportPage* last = FSourcePages.back();
    TrptComponent* copy = NewObjectLike(Obj, last);
    AssignWithoutPicture(copy, Obj);
    copy->CreateUniqueName();
    const QString sourceName = QStringLiteral("Page%1.%2").arg(FSourcePages.size() - 1).arg(copy->Name());
    const QString alias = FDictionary->AddUnique(copy->BaseName().left(1).toLower(), sourceName, copy);
    copy->SetBaseName(SourceBaseText(copy));
    Obj->SetOriginalComponent(copy);
    copy->SetAliasName(alias);
    Obj->SetAliasName(alias);
}

// ---------------------------------------------------------------------------------------------
// Pages and objects

void TrptPreviewPages::AddPage(TrptReportPage* Page) {
    TrptXMLItem* pages = PagesItem();
    if (FReport && FReport->EngineOptions()->UseFileCache() &&
        FXMLSize > static_cast<Int64>(FReport->EngineOptions()->MaxMemSize()) * 1048576) {
        for (int i = pages->Count() - 2; i >= 0; --i) {
            TrptXMLItem* item = pages->Items(i);
            if (!item->Loaded()) break;
            if (item->Unloadable()) FXMLDoc->UnloadItem(item);
        }
        FXMLSize = 0;
    }

    if (FCurPage + 1 < pages->Count() && FAddPageAction != apAdd) {
        FCurPage = FCurPage + 1;
        return;
    }

    const int source = SourceIndexOfTemplate(Page);
    if (source < 0)
        throw ErptPreparedPage(QStringLiteral("Prepared page %1: the template page %2 was not added as a source page")
                                   .arg(pages->Count() + 1)
                                   .arg(Page ? Page->Name() : QStringLiteral("(none)")));
    TrptXMLItem* item = pages->Add(QStringLiteral("page") + QString::number(source));
    if (pages->Count() > 2) item->SetUnloadable(true);

    ProgressStep(FCurPage + 2);
    FAddPageAction = apWriteOver;
    FCurPage = pages->Count() - 1;
    IncLogicalPageNumber();
}

void TrptPreviewPages::AddObject(TrptComponent* Obj) {
    if (!Obj) return;
    TrptXMLItem* page = CurrentPageItem();
    if (!page)
        throw ErptPreparedPage(
            QStringLiteral("%1 cannot be added to the prepared pages: there is no page %2").arg(Obj->Name()).arg(FCurPage + 1));
    WriteObject(Obj, page, IsWholePage(page));
}

void TrptPreviewPages::WriteObject(TrptComponent* Obj, TrptXMLItem* Parent, bool WholePage) {
    if (!Obj->Visible() || !Obj->rptComponentStyle().Contains(csPreviewVisible)) return;
    TrptXMLItem* item = Parent->Add();
    QString text;
    TrptComponent* original = Obj->OriginalComponent();
    if (original && !WholePage) {
        item->SetName(Obj->AliasName());
        const bool firstPass = FEngine && FEngine->DoublePass() && !FEngine->FinalPass();
        if (firstPass)
            text = Obj->TrptComponent::Diff(original);
        else if (Obj->rptComponentStyle().Contains(csDefaultDiff))
            text = Obj->AllDiff(original);
        else
            text = Obj->Diff(original);
    } else {
        item->SetName(ClassInfoOf(Obj)->ClassName());
        text = Obj->AllDiff(nullptr);
    }
    text = text.trimmed();
    item->SetText(text);
    FXMLSize += item->Name().size() + text.size() + ElementOverhead;
    const TrptComponentList children = Obj->Objects();
    for (TrptComponent* c : children) WriteObject(c, item, WholePage);
}

void TrptPreviewPages::AddPicture(TrptPictureView* Picture) {
    if (Picture) FPictureCache->AddPicture(Picture);
}

void TrptPreviewPages::ClearPageCache() {
    FPageCache.clear();
}

TrptReportPage* TrptPreviewPages::GetPage(int Index) {
    TrptXMLItem* pages = PagesItem();
    if (pages->Count() == 0 || Index < 0 || Index >= pages->Count()) return nullptr;
    if (!EngineRunning()) {
        for (size_t i = 0; i < FPageCache.size(); ++i)
            if (FPageCache[i].Index == Index) {
                if (i > 0) std::rotate(FPageCache.begin(), FPageCache.begin() + static_cast<long>(i),
                                       FPageCache.begin() + static_cast<long>(i) + 1);
                return FPageCache.front().Page.get();
            }
    }
    std::unique_ptr<TrptReportPage> page = BuildPage(Index);
    TrptReportPage* result = page.get();
    FPageCache.insert(FPageCache.begin(), TCacheEntry{Index, std::move(page)});
    const int limit = FReport ? FReport->PreviewOptions()->PagesInCache() : 50;
    while (FPageCache.size() > 1 && static_cast<int>(FPageCache.size()) > limit) {
        const int evicted = FPageCache.back().Index;
        if (FReport && FReport->EngineOptions()->UseFileCache())
            if (TrptXMLItem* item = PageItem(evicted); item && item->Unloadable() && item->Loaded() && evicted != FCurPage)
                FXMLDoc->UnloadItem(item);
        FPageCache.pop_back();
    }
    return result;
}

std::unique_ptr<TrptReportPage> TrptPreviewPages::BuildPage(int Index) {
    TrptXMLItem* item = PageItem(Index);
    if (!item->Loaded()) FXMLDoc->LoadItem(item);
    // Loading checked the pages it read; one that came from the file of a partial load only now.
    if (const QString why = CheckObjectElements(item, IsWholePage(item) ? nullptr : FDictionary.get()); !why.isEmpty())
        throw ErptPreparedPage(QStringLiteral("Prepared page %1: %2").arg(Index + 1).arg(why));
    TrptXMLSerializer ser(nullptr);
    ser.SetOldFormat(FXMLDoc->OldVersion());
    std::unique_ptr<TrptReportPage> page;
    if (IsWholePage(item)) {
        const TClassInfo* cls = SameText(item->Name(), DMPPageClass) ? GetClass(DMPPageClass)
                                                                    : TrptReportPage::StaticClassInfo();
        if (!cls)
            throw ErptPreparedPage(QStringLiteral("Prepared page %1: page class %2 is not available")
                                       .arg(Index + 1)
                                       .arg(item->Name()));
        TObject* o = cls->CreateInstance(nullptr);
        page.reset(dynamic_cast<TrptReportPage*>(o));
        if (!page) {
            delete o;
            throw ErptPreparedPage(QStringLiteral("Prepared page %1: %2 is no report page").arg(Index + 1).arg(item->Name()));
        }
        ReadPageWhole(ser, page.get(), item);
    } else {
        TrptReportPage* source = FSourcePages[static_cast<size_t>(SourceIndexOf(item, Index))];
        page.reset(static_cast<TrptReportPage*>(NewObjectLike(source, nullptr)));
        page->Assign(source);
        page->SetName(source->Name());
        ReadObjects(item, page.get(), ser, Index);
    }
    page->AlignChildren();
    return page;
}

void TrptPreviewPages::ReadObjects(TrptXMLItem* Item, TrptComponent* Parent, TrptXMLSerializer& Ser, int PageIndex) {
    // Every object of a page is its source object's text plus its differences: the source texts
    // are split into class and attributes once a page (the serializer keeps the attributes split).
    std::unordered_map<const TrptComponent*, TSourceText> sources;
    std::function<void(TrptXMLItem*, TrptComponent*)> read = [&](TrptXMLItem* item, TrptComponent* parent) {
        for (int i = 0; i < item->Count(); ++i) {
            TrptXMLItem* child = item->Items(i);
            TrptComponent* source = SourceObjectOf(child);
            TrptComponent* obj = nullptr;
            try {
                const TSourceText* split = nullptr;
                if (source) {
                    auto it = sources.find(source);
                    if (it == sources.end()) it = sources.emplace(source, SplitSourceText(source->BaseName())).first;
                    if (it->second.Class) split = &it->second;
                }
                if (split)
                    obj = ReadObjectFrom(Ser, parent, *split, child->Text());
                else
                    obj = Ser.ReadComponentStr(parent, (source ? source->BaseName() : child->Name()) + QLatin1Char(' ') + child->Text(), true);
            } catch (const Exception& e) {
                throw ErptPreparedPage(QStringLiteral("Prepared page %1, object %2: %3")
                                           .arg(PageIndex + 1)
                                           .arg(child->Name(), e.Message()));
            }
            if (!obj) continue;
            if (obj->Parent() != parent) obj->SetParent(parent);
            if (source) {
                obj->SetName(source->Name());
                if (auto* pic = dynamic_cast<TrptPictureView*>(obj))
                    if (!pic->Picture()->Graphic()) FPictureCache->GetPicture(pic);
            }
            read(child, obj);
        }
    };
    read(Item, Parent);
}

TPoint TrptPreviewPages::GetPageSize(int Index) {
    TrptXMLItem* item = PageItem(Index);
    if (!item) return TPoint{0, 0};
    TrptReportPage* page = IsWholePage(item) ? GetPage(Index) : FSourcePages[static_cast<size_t>(SourceIndexOf(item, Index))];
    if (!page) return TPoint{0, 0};
    return TPoint{rptRound(page->Width()), rptRound(page->Height())};
}

// ---------------------------------------------------------------------------------------------
// Passes and logical page numbers

void TrptPreviewPages::BeginPass() {
    FFirstPageIndex = GetCount() - 1;
    if (FFirstPageIndex >= 0) {
        TrptXMLItem* page = PageItem(FFirstPageIndex);
        if (!page->Loaded()) FXMLDoc->LoadItem(page);
        FFirstObjectIndex = page->Count();
        FFirstOutlineIndex = RootChild(OutlineName)->Count();
    }
    ResetLogicalPageNumber();
}

void TrptPreviewPages::ClearFirstPassPages() {
    ClearPageCache();
    TrptXMLItem* root = FXMLDoc->Root();
    if (FFirstPageIndex == -1) {
        for (int i = 0; i < root->Count(); ++i) {
            TrptXMLItem* c = root->Items(i);
            if (SameText(c->Name(), AnchorsName) || SameText(c->Name(), LogicalNumbersName)) continue;
            c->Clear();
        }
        if (Outline()) Outline()->SetCurItem(nullptr);
    } else {
        TrptXMLItem* pages = PagesItem();
        if (TrptXMLItem* page = PageItem(FFirstPageIndex)) {
            if (!page->Loaded()) FXMLDoc->LoadItem(page);
            while (page->Count() > FFirstObjectIndex) delete page->Items(page->Count() - 1);
        }
        while (pages->Count() > FFirstPageIndex + 1) delete pages->Items(pages->Count() - 1);
        TrptXMLItem* outline = RootChild(OutlineName);
        while (outline->Count() > FFirstOutlineIndex) delete outline->Items(outline->Count() - 1);
        if (Outline()) Outline()->LevelRoot();
    }
    ResetLogicalPageNumber();
    FCurPage = FFirstPageIndex;
    FXMLSize = 0;
}

bool TrptPreviewPages::NumbersLogicalPages() const {
    return !(FEngine && FEngine->FinalPass() && FReport && FReport->EngineOptions()->DoublePass());
}

void TrptPreviewPages::IncLogicalPageNumber() {
    if (!NumbersLogicalPages()) return;
    ++FLogicalPageN;
    RootChild(LogicalNumbersName)->Add(QStringLiteral("page"))->SetProp(QStringLiteral("n"), QString::number(FLogicalPageN));
}

void TrptPreviewPages::ResetLogicalPageNumber() {
    if (!NumbersLogicalPages()) return;
    TrptXMLItem* numbers = RootChild(LogicalNumbersName);
    for (int i = FCurPage; i > FFirstPageIndex; --i) {
        if (i < 0 || i >= numbers->Count()) continue;
        TrptXMLItem* item = numbers->Items(i);
        item->SetProp(QStringLiteral("t"), QString::number(FLogicalPageN));
        if (item->GetProp(QStringLiteral("n")) == QLatin1String("1")) break;
    }
    FLogicalPageN = 0;
}

int TrptPreviewPages::GetLogicalPageNo() {
    TrptXMLItem* numbers = RootChild(LogicalNumbersName);
    if (FCurPage >= 0 && FCurPage < numbers->Count()) return IntProp(numbers->Items(FCurPage), QStringLiteral("n"));
    return FCurPage - FFirstPage + 1;
}

int TrptPreviewPages::GetLogicalTotalPages() {
    TrptXMLItem* numbers = RootChild(LogicalNumbersName);
    if (FCurPage >= 0 && FCurPage < numbers->Count()) return IntProp(numbers->Items(FCurPage), QStringLiteral("t"));
    return (FEngine ? FEngine->TotalPages() : GetCount()) - FFirstPage;
}

// ---------------------------------------------------------------------------------------------
// Anchors

void TrptPreviewPages::AddAnchor(const QString& Text) {
    TrptXMLItem* item = RootChild(AnchorsName)->Add(QStringLiteral("item"));
    item->SetProp(QStringLiteral("text"), Text);
    item->SetProp(QStringLiteral("page"), QString::number(FCurPage));
    item->SetProp(QStringLiteral("top"), QString::number(FEngine ? rptRound(FEngine->CurY()) : 0));
}

TrptXMLItem* TrptPreviewPages::FindAnchor(const QString& Text) {
    TrptXMLItem* anchors = RootChild(AnchorsName);
    for (int i = anchors->Count() - 1; i >= 0; --i) {
        TrptXMLItem* item = anchors->Items(i);
        if (QString::localeAwareCompare(item->GetProp(QStringLiteral("text")).toUpper(), Text.toUpper()) == 0)
            return item;
    }
    return nullptr;
}

int TrptPreviewPages::GetAnchorPage(const QString& Text) {
    TrptXMLItem* item = FindAnchor(Text);
    return item ? IntProp(item, QStringLiteral("page")) + 1 : 1;
}

int TrptPreviewPages::GetAnchorCurPosition() {
    return RootChild(AnchorsName)->Count() - 1;
}

void TrptPreviewPages::ShiftAnchors(int From, int NewTop) {
    TrptXMLItem* anchors = RootChild(AnchorsName);
    const int first = std::max(From + 1, 0);
    if (first >= anchors->Count()) return;
    const int base = IntProp(anchors->Items(first), QStringLiteral("top"));
    for (int i = first; i < anchors->Count(); ++i) {
        TrptXMLItem* item = anchors->Items(i);
        item->SetProp(QStringLiteral("page"), QString::number(IntProp(item, QStringLiteral("page")) + 1));
        item->SetProp(QStringLiteral("top"), QString::number(NewTop + IntProp(item, QStringLiteral("top")) - base));
    }
}

// ---------------------------------------------------------------------------------------------
// Moving objects between pages

int TrptPreviewPages::GetCurPosition() {
    TrptXMLItem* page = CurrentPageItem();
    return page ? page->Count() : 0;
}

void TrptPreviewPages::CutObjects(int APosition) {
    TrptXMLItem* page = CurrentPageItem();
    if (!page) return;
    TrptXMLItem* cutted = RootChild(CuttedName);
    const int from = std::max(APosition, 0);
    while (page->Count() > from) cutted->AddItem(page->Items(from));
}

void TrptPreviewPages::PasteObjects(double X, double Y) {
    TrptXMLItem* root = FXMLDoc->Root();
    const int at = root->Find(CuttedName);
    if (at < 0) return;
    TrptXMLItem* cutted = root->Items(at);
    TrptXMLItem* page = CurrentPageItem();
    if (cutted->Count() > 0 && page) {
        const double leftBase = FloatProp(cutted->Items(0), QStringLiteral("l"));
        const double topBase = FloatProp(cutted->Items(0), QStringLiteral("t"));
        while (cutted->Count() > 0) {
            TrptXMLItem* c = cutted->Items(0);
            c->SetProp(QStringLiteral("l"), FloatToStr(FloatProp(c, QStringLiteral("l")) + X - leftBase));
            c->SetProp(QStringLiteral("t"), FloatToStr(FloatProp(c, QStringLiteral("t")) + Y - topBase));
            page->AddItem(c);
        }
    }
    delete cutted;
}

bool TrptPreviewPages::BandExists(TrptBand* Band) {
    TrptXMLItem* page = CurrentPageItem();
    if (!page || !Band) return false;
    const bool pageFooter = IsPageFooter(Band);
    const bool columnFooter = IsColumnFooter(Band);
    for (int i = 0; i < page->Count(); ++i) {
        TrptComponent* source = SourceObjectOf(page->Items(i));
        if (!source) continue;
        if (source->OriginalComponent() == Band) return true;
        if (pageFooter && IsPageFooter(source)) return true;
        if (columnFooter && IsColumnFooter(source)) return true;
    }
    return false;
}

double TrptPreviewPages::GetLastY(double ColumnPosition) {
    double result = 0;
    if (TrptXMLItem* page = CurrentPageItem()) {
        for (int i = 0; i < page->Count(); ++i) {
            TrptXMLItem* item = page->Items(i);
            TrptComponent* source = SourceObjectOf(item);
            TrptBand* band = source ? source->AsBand() : nullptr;
            if (!band || IsPageFooter(band) || dynamic_cast<TrptOverlay*>(band)) continue;
            const double left = item->PropExists(QStringLiteral("l")) ? FloatProp(item, QStringLiteral("l")) : band->Left();
            if (ColumnPosition == 0 || std::fabs(ColumnPosition - left) < 0.001 || dynamic_cast<TrptPageHeader*>(band) ||
                dynamic_cast<TrptReportTitle*>(band)) {
                const double top = item->PropExists(QStringLiteral("t")) ? FloatProp(item, QStringLiteral("t")) : band->Top();
                const double height =
                    item->PropExists(QStringLiteral("h")) ? FloatProp(item, QStringLiteral("h")) : band->Height();
                result = std::max(result, top + height);
            }
        }
    }
    if (result == 0 && FLastY != 0) result = FLastY;
    return result;
}

void TrptPreviewPages::UpdatePageDimensions(TrptReportPage* Page, double Width, double Height) {
    const int index = SourceIndexOfTemplate(Page);
    if (index < 0)
        throw ErptPreparedPage(QStringLiteral("The template page %1 was not added as a source page")
                                   .arg(Page ? Page->Name() : QStringLiteral("(none)")));
    TrptReportPage* source = FSourcePages[static_cast<size_t>(index)];
    source->SetPaperSize(256);
    source->SetPaperWidth(Width / MillimetreFactor);
    source->SetPaperHeight(Height / MillimetreFactor);
    // Keep the serialized form of the copy in step, when it has one (a loaded prepared report).
    const QString base = source->BaseName();
    const qsizetype blank = base.indexOf(QLatin1Char(' '));
    if (blank > 0) {
        TrptXMLItem attrs;
        attrs.SetText(base.mid(blank + 1));
        attrs.SetProp(QStringLiteral("PaperSize"), QStringLiteral("256"));
        attrs.SetProp(QStringLiteral("PaperWidth"), FloatToReportStr(Width / MillimetreFactor));
        attrs.SetProp(QStringLiteral("PaperHeight"), FloatToReportStr(Height / MillimetreFactor));
        source->SetBaseName(base.left(blank) + QLatin1Char(' ') + attrs.Text());
    }
}

// ---------------------------------------------------------------------------------------------
// Editing

void TrptPreviewPages::AddEmptyPage(int Index) {
    TrptXMLItem* pages = PagesItem();
    if (pages->Count() == 0 || Index < 0 || Index >= pages->Count()) return;
    TrptXMLItem* item = pages->Add(pages->Items(Index)->Name());
    pages->InsertItem(Index, item);
    ClearPageCache();
}

void TrptPreviewPages::DeletePage(int Index) {
    TrptXMLItem* pages = PagesItem();
    if (pages->Count() < 2 || Index < 0 || Index >= pages->Count()) return;
    delete pages->Items(Index);
    ClearPageCache();
}

void TrptPreviewPages::ModifyPage(int Index, TrptReportPage* Page) {
    TrptXMLItem* item = PageItem(Index);
    if (!item || !Page) return;
    // Its old objects may still be in the temporary file: bring them back so that nothing
    // reads them in again over the new ones.
    if (!item->Loaded()) FXMLDoc->LoadItem(item);
    item->SetUnloadable(false);
    item->Clear();
    item->SetText(QString());
    WritePageWhole(Page, item);
    ClearPageCache();
}

bool TrptPreviewPages::Print() { return PrintPreparedPages(FReport, this); }

bool TrptPreviewPages::Export(TrptCustomExportFilter* Filter) { return ExportPreparedPages(FReport, this, Filter); }

void TrptPreviewPages::AddFrom(TrptReport* AReport) {
    auto* other = AReport ? dynamic_cast<TrptPreviewPages*>(AReport->PreviewPages()) : nullptr;
    if (!other || other == this) return;
    TrptXMLItem* pages = PagesItem();
    const int n = pages->Count();
    for (int i = 0; i < other->Count(); ++i) {
        TrptReportPage* page = other->GetPage(i);
        if (!page) continue;
        TrptXMLItem* item = pages->Add(ClassInfoOf(page)->ClassName());
        WritePageWhole(page, item);
        item->SetUnloadable(false);
    }

    TrptXMLItem* anchors = RootChild(AnchorsName);
    TrptXMLItem* otherAnchors = other->RootChild(AnchorsName);
    for (int i = 0; i < otherAnchors->Count(); ++i) {
        const TrptXMLItem* a = otherAnchors->Items(i);
        TrptXMLItem* copy = anchors->Add(a->Name());
        copy->SetText(a->Text());
        copy->SetProp(QStringLiteral("page"), QString::number(IntProp(a, QStringLiteral("page")) + n));
    }

    const int savedPage = FCurPage;
    TrptCustomOutline* mine = Outline();
    TrptCustomOutline* theirs = other->Outline();
    std::function<void()> copyLevel = [&]() {
        const int count = theirs->GetCount();
        for (int i = 0; i < count; ++i) {
            QString text;
            int page = 0, top = 0;
            theirs->GetItem(i, text, page, top);
            FCurPage = n + page;
            mine->AddItem(text, top);
            theirs->LevelDown(i);
            copyLevel();
            theirs->LevelUp();
            mine->LevelUp();
        }
    };
    mine->LevelRoot();
    theirs->LevelRoot();
    copyLevel();
    FCurPage = savedPage;

    if (other->Count() > 0) {
        other->SetCurPage(other->Count() - 1);
        FLastY = other->GetLastY(0);
        other->SetCurPage(-1);
    }
    ClearPageCache();
}

// ---------------------------------------------------------------------------------------------
// The prepared-report file

void TrptPreviewPages::SaveToStream(TStream& Stream) {
    if (FReport) {
        TrptXMLItem* report = RootChild(QStringLiteral("report"));
        report->Clear();
        TrptXMLItem* item = report->Add(ClassInfoOf(FReport)->ClassName());
        item->SetText(QStringLiteral("DotMatrixReport=\"%1\" PreviewOptions.OutlineVisible=\"%2\" "
                                     "PreviewOptions.OutlineWidth=\"%3\" ReportOptions.Name=\"%4\"")
                          .arg(FReport->DotMatrixReport() ? 1 : 0)
                          .arg(FReport->PreviewOptions()->OutlineVisible() ? 1 : 0)
                          .arg(FReport->PreviewOptions()->OutlineWidth())
                          .arg(EscapeXMLText(FReport->ReportOptions()->Name())));
    }
    TrptXMLItem* sources = RootChild(QStringLiteral("sourcepages"));
    sources->Clear();
    for (TrptReportPage* page : FSourcePages) WritePageWhole(page, sources->Add());
    TrptXMLItem* dictionary = RootChild(QStringLiteral("dictionary"));
    dictionary->Clear();
    const TStringList* names = FDictionary->Names();
    for (int i = 0; i < names->Count(); ++i) {
        const QString alias = names->Strings(i);
        dictionary->Add(alias)->SetText(QStringLiteral("name=\"") + FDictionary->GetSourceName(alias) + QLatin1Char('"'));
    }
    FPictureCache->SaveToXML(RootChild(QStringLiteral("picturecache")));
    FXMLDoc->SaveToStream(Stream);
}

void TrptPreviewPages::LoadFromStream(TStream& Stream, bool AllowPartialLoading) {
    // Everything is read and checked aside; the pages held so far give way only to a sound file.
    {
        // Files of this kind are XML 1.0 or 1.1 (the old single-byte kind is 1.0 as well); a later
        // kind would be read wrongly rather than refused.
        const Int64 at = Stream.Position();
        QByteArray head(256, Qt::Uninitialized);
        head.resize(static_cast<qsizetype>(Stream.Read(head.data(), head.size())));
        Stream.SetPosition(at);
        const qsizetype v = head.indexOf("version=");
        if (head.indexOf("<?xml") >= 0 && v > head.indexOf("<?xml") && v + 12 <= head.size() && head.indexOf("?>") > v) {
            const QByteArray version = head.mid(v + 9, 3);
            if (version != "1.0" && version != "1.1")
                InvalidFile(QStringLiteral("version %1 of the file format is not known").arg(QString::fromLatin1(version)));
        }
        // The reader closes open elements at the end of its input, so a cut file would load its
        // first part as if whole: the root's end tag must close the file.
        const Int64 size = Stream.Size();
        const Int64 tailAt = std::max<Int64>(at, size - 64);
        Stream.SetPosition(tailAt);
        QByteArray tail(static_cast<qsizetype>(size - tailAt), Qt::Uninitialized);
        tail.resize(static_cast<qsizetype>(Stream.Read(tail.data(), tail.size())));
        Stream.SetPosition(at);
        if (!tail.trimmed().toLower().endsWith("</preparedreport>"))
            InvalidFile(QStringLiteral("the file is cut short (it does not end with its closing tag)"));
    }
    auto doc = std::make_unique<TrptXMLDocument>();
    doc->SetTempDir(FXMLDoc->TempDir());
    doc->LoadFromStream(Stream, AllowPartialLoading);
    bool dotMatrix = FReport && FReport->DotMatrixReport();
    bool outlineVisible = FReport && FReport->PreviewOptions()->OutlineVisible();
    int outlineWidth = FReport ? FReport->PreviewOptions()->OutlineWidth() : 0;
    QString reportName = FReport ? FReport->ReportOptions()->Name() : QString();
    std::vector<std::unique_ptr<TrptReportPage>> sources;
    auto dictionary = std::make_unique<TrptDictionary>();
    auto pictures = std::make_unique<TrptPictureCache>();
    try {
        TrptXMLItem* root = doc->Root();
        if (!SameText(root->Name(), QStringLiteral("preparedreport")))
            InvalidFile(root->Name().isEmpty() ? QStringLiteral("no prepared report in it")
                                               : QStringLiteral("\"%1\" is no prepared report").arg(root->Name()));
        root->SetName(QStringLiteral("preparedreport"));

        // The four report settings, and nothing else of the report: a file must not give the live
        // report scripts, datasets or connections.
        TrptXMLItem* report = root->FindItem(QStringLiteral("report"));
        if (report->Count() > 0) {
            const TrptXMLItem* settings = report->Items(0);
            if (!ReadFileBool(settings, QStringLiteral("DotMatrixReport"), dotMatrix) ||
                !ReadFileBool(settings, QStringLiteral("PreviewOptions.OutlineVisible"), outlineVisible))
                InvalidFile(QStringLiteral("the report settings hold a flag that is neither 1 nor 0"));
            if (settings->PropExists(QStringLiteral("PreviewOptions.OutlineWidth"))) {
                bool ok = false;
                outlineWidth = settings->GetProp(QStringLiteral("PreviewOptions.OutlineWidth")).trimmed().toInt(&ok);
                if (!ok || outlineWidth < 0) InvalidFile(QStringLiteral("the outline width is no width"));
            }
            if (settings->PropExists(QStringLiteral("ReportOptions.Name")))
                reportName = settings->GetProp(QStringLiteral("ReportOptions.Name"));
        }

        // Source pages, each with a name index of its objects for the dictionary.
        std::vector<QHash<QString, TrptComponent*>> objectsByName;
        TrptXMLItem* sourcesItem = root->FindItem(QStringLiteral("sourcepages"));
        for (int i = 0; i < sourcesItem->Count(); ++i) {
            TrptXMLItem* item = sourcesItem->Items(i);
            const bool dmp = SameText(item->Name(), DMPPageClass);
            if (!dmp && !SameText(item->Name(), ReportPageClass))
                InvalidFile(QStringLiteral("source page %1 is a \"%2\", no page").arg(i).arg(item->Name()));
            const QString why = CheckObjectElements(item, nullptr);
            if (!why.isEmpty()) InvalidFile(QStringLiteral("source page %1: %2").arg(i).arg(why));
            const TClassInfo* cls = dmp ? GetClass(DMPPageClass) : nullptr;
            if (!cls) cls = TrptReportPage::StaticClassInfo();
            TObject* o = cls->CreateInstance(nullptr);
            std::unique_ptr<TrptReportPage> page(dynamic_cast<TrptReportPage*>(o));
            if (!page) {
                delete o;
                InvalidFile(QStringLiteral("source page %1 is no report page").arg(i));
            }
            TrptXMLSerializer pageSer(nullptr);
            pageSer.SetOldFormat(doc->OldVersion());
            pageSer.SetOwner(page.get());
            try {
                ReadPageWhole(pageSer, page.get(), item);
            } catch (const Exception& e) {
                InvalidFile(QStringLiteral("source page %1: %2").arg(i).arg(e.Message()));
            }
            TrptXMLSerializer writer(nullptr);
            QHash<QString, TrptComponent*> names;
            const TrptComponentList all = page->AllObjects();
            for (TrptComponent* c : all) {
                c->SetBaseName(writer.WriteComponentStr(c));
                // The first of a name, as a search through the page would find it.
                if (!c->Name().isEmpty()) {
                const QString key = c->Name().toCaseFolded();
                if (!names.contains(key)) names.insert(key, c);
            }
            }
            objectsByName.push_back(std::move(names));
            sources.push_back(std::move(page));
        }
        sourcesItem->Clear();

        // Dictionary: name="Page0.Memo1", written without escapes. Taken in alias order, so that the
        // sorted list only ever appends.
        TrptXMLItem* dictionaryItem = root->FindItem(QStringLiteral("dictionary"));
        struct TEntry {
            QString Alias, SourceName;
            TrptComponent* Obj;
        };
        std::vector<TEntry> entries;
        for (int i = 0; i < dictionaryItem->Count(); ++i) {
            TrptXMLItem* item = dictionaryItem->Items(i);
            const QString text = item->Text();
            if (text.size() < 8) continue;
            const QString sourceName = text.mid(6, text.size() - 7);
            const qsizetype dot = sourceName.indexOf(QLatin1Char('.'));
            if (dot < 5) continue;
            bool ok = false;
            const int index = sourceName.mid(4, dot - 4).toInt(&ok);
            if (!ok || index < 0 || index >= static_cast<int>(sources.size())) continue;
            // An alias whose object is not there stays unknown: its elements are read in class form.
            TrptComponent* obj = objectsByName[static_cast<size_t>(index)].value(sourceName.mid(dot + 1, 255).toCaseFolded());
            if (obj) entries.push_back({item->Name(), sourceName, obj});
        }
        std::stable_sort(entries.begin(), entries.end(), [](const TEntry& a, const TEntry& b) {
            return a.Alias.compare(b.Alias, Qt::CaseInsensitive) < 0;
        });
        for (const TEntry& e : entries) dictionary->Add(e.Alias, e.SourceName, e.Obj);

        // Every page names a source page there is, or is stored whole; its objects are objects.
        TrptXMLItem* pagesItem = root->FindItem(PreviewPagesName);
        for (int i = 0; i < pagesItem->Count(); ++i) {
            TrptXMLItem* item = pagesItem->Items(i);
            const bool whole = IsWholePage(item);
            if (!whole) {
                const qint64 source = PageElementSource(item->Name());
                if (source < 0)
                    InvalidFile(QStringLiteral("page %1 is a \"%2\", no page").arg(i + 1).arg(item->Name()));
                if (source >= static_cast<qint64>(sources.size()))
                    InvalidFile(QStringLiteral("page %1 names source page %2, which the file does not hold (it holds %3)")
                                    .arg(i + 1)
                                    .arg(source)
                                    .arg(sources.size()));
            }
            const QString why = CheckObjectElements(item, whole ? nullptr : dictionary.get());
            if (!why.isEmpty()) InvalidFile(QStringLiteral("page %1: %2").arg(i + 1).arg(why));
            // As when the pages were made: from the third on a page may go to the temporary file,
            // and it is saved with the marker again.
            if (i >= 2) item->SetUnloadable(true);
        }
        if (DeeperThan(root->FindItem(OutlineName), MaxElementDepth))
            InvalidFile(QStringLiteral("the outline is nested more than %1 levels deep").arg(MaxElementDepth));

        // Pictures: a stream that is not hexadecimal text is damage, not a picture to show empty.
        pictures->SetUseFileCache(FPictureCache->UseFileCache());
        pictures->SetTempDir(FPictureCache->TempDir());
        pictures->LoadFromXML(root->FindItem(QStringLiteral("picturecache")));
        if (!pictures->Errors().isEmpty()) InvalidFile(pictures->Errors().first());
        pictures->OnError = FPictureCache->OnError;

    } catch (const TrptInvalidXMLException&) {
        throw;
    } catch (const Exception& e) {
        // A bad character reference in an attribute, a picture that cannot be stored ...
        InvalidFile(e.Message());
    }

    // Sound: the file's parts take the place of the old ones.
    ClearPageCache();
    FreeSourcePages();
    for (auto& page : sources) FSourcePages.push_back(page.release());
    FXMLDoc->Swap(*doc);
    FDictionary = std::move(dictionary);
    FPictureCache = std::move(pictures);
    FPagesItem = nullptr;
    if (Outline()) Outline()->SetCurItem(nullptr);
    FCurPage = -1;
    FXMLSize = 0;
    FLastY = 0;
    FFirstPageIndex = -1;
    FFirstObjectIndex = 0;
    FFirstOutlineIndex = 0;
    FLogicalPageN = 0;
    FAllowPartialLoading = AllowPartialLoading;
    if (FReport) {
        FReport->SetDotMatrixReport(dotMatrix);
        FReport->PreviewOptions()->SetOutlineVisible(outlineVisible);
        FReport->PreviewOptions()->SetOutlineWidth(outlineWidth);
        FReport->ReportOptions()->SetName(reportName);
    }
}

void TrptPreviewPages::SaveToFile(const QString& FileName) {
    TFileStream stream(FileName, fmCreate);
    SaveToStream(stream);
}

bool TrptPreviewPages::LoadFromFile(const QString& FileName, bool ExceptionIfNotFound) {
    const bool exists = QFileInfo::exists(FileName);
    if (!exists && !ExceptionIfNotFound) return false;
    TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
    try {
        LoadFromStream(stream, false);
    } catch (TrptInvalidXMLException& e) {
        // The reader names the file itself; what the checks find afterwards gets its name here.
        if (e.FileName().isEmpty())
            e.SetMessage(QString(e.Message()).replace(0, 19, QStringLiteral("Invalid file format: \"%1\"").arg(FileName)));
        throw;
    }
    return exists;
}

// ---------------------------------------------------------------------------------------------
// Drawing and the mouse

void TrptPreviewPages::DrawPage(int Index, TCanvas* Canvas, double ScaleX, double ScaleY, double OffsetX,
                                double OffsetY) {
    if (!Canvas) return;
    TrptReportPage* page = GetPage(Index);
    if (!page) return;
    const bool printer = dynamic_cast<TrptPrinterCanvas*>(Canvas) != nullptr;
    const bool metafile = dynamic_cast<TMetafileCanvas*>(Canvas) != nullptr;

    const double leftMargin = page->LeftMargin(), rightMargin = page->RightMargin();
    const bool mirrored = page->MirrorMargins() && (Index % 2) == 1;
    if (mirrored) {
        page->SetLeftMargin(rightMargin);
        page->SetRightMargin(leftMargin);
    }

    std::optional<QRegion> savedClip;
    if (!printer) {
        savedClip = Canvas->ClipRegion();
        if (!savedClip) savedClip = QRegion(0, 0, 10000, 10000);
        Canvas->IntersectClipRect(TRect(rptRound(OffsetX), rptRound(OffsetY),
                                        rptRound(page->PaperWidth() * MillimetreFactor * ScaleX + OffsetX) - 1,
                                        rptRound(page->PaperHeight() * MillimetreFactor * ScaleY + OffsetY) - 1));
    }

    auto restore = [&]() {
        if (mirrored) {
            page->SetLeftMargin(leftMargin);
            page->SetRightMargin(rightMargin);
        }
        if (!printer) Canvas->SetClipRegion(savedClip);
    };

    try {
        page->SetIsPrinting(printer);
        page->Draw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
        page->SetIsPrinting(false);

        OffsetX += page->LeftMargin() * MillimetreFactor * ScaleX;
        OffsetY += page->TopMargin() * MillimetreFactor * ScaleY;
        const TRect clip = Canvas->ClipRect();
        const int count = GetCount();
        const TrptComponentList all = page->AllObjects();
        for (TrptComponent* c : all) {
            auto* view = dynamic_cast<TrptView*>(c);
            if (!view) continue;
            const int x = rptRound(view->AbsLeft() * ScaleX + OffsetX) - 20;
            const int y = rptRound(view->AbsTop() * ScaleY + OffsetY) - 20;
            const int x1 = rptRound((view->AbsLeft() + view->Width()) * ScaleX + OffsetX) + 20;
            const int y1 = rptRound((view->AbsTop() + view->Height()) * ScaleY + OffsetY) + 20;
            const bool visible = metafile || (x < clip.Right && x1 > clip.Left && y < clip.Bottom && y1 > clip.Top);
            if (!visible || (printer && !view->Printable())) continue;
            view->SetIsPrinting(printer);
            if (auto* memo = dynamic_cast<TrptCustomMemoView*>(view)) {
                memo->SetTotalPages(count);
                memo->SetCopyNo(FCopyNo);
                memo->SetPrintScale(FPrintScale);
            }
            view->Draw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
            view->SetIsPrinting(false);
        }
    } catch (...) {
        restore();
        throw;
    }
    restore();
}

bool TrptPreviewPages::IsOpenableLink(const QString& Url) {
    const QUrl url(Url.trimmed(), QUrl::StrictMode);
    if (!url.isValid()) return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("mailto")) return !url.path().isEmpty();
    return (scheme == QLatin1String("http") || scheme == QLatin1String("https")) && !url.host().isEmpty();
}

TrptOpenLinkHandler TrptPreviewPages::SetOpenLinkHandler(TrptOpenLinkHandler Handler) {
    TrptOpenLinkHandler old = std::move(OpenLinkHandler());
    OpenLinkHandler() = std::move(Handler);
    return old;
}

void TrptPreviewPages::ObjectOver(int Index, int X, int Y, TMouseButton Button, TShiftState Shift, double Scale,
                                  double OffsetX, double OffsetY, bool Click, TCursor& Cursor, bool DBClick) {
    if (Index < 0 || Index >= GetCount() || EngineRunning()) return;
    TrptReportPage* page = GetPage(Index);
    if (!page) return;
    const bool mirrored = page->MirrorMargins() && (Index % 2) == 1;
    OffsetX += Scale * (mirrored ? page->RightMargin() : page->LeftMargin()) * MillimetreFactor;
    OffsetY += Scale * page->TopMargin() * MillimetreFactor;
    StatusText(QString(), false);
    StatusText(QString(), true);

    TrptCustomPreview* preview = FReport ? FReport->Preview() : nullptr;
    const bool reportHints = preview && preview->UseReportHints();
    auto under = [&](TrptComponent* c) {
        const int ox = rptRound(OffsetX), oy = rptRound(OffsetY);
        const int l = rptRound(c->AbsLeft() * Scale) + ox, t = rptRound(c->AbsTop() * Scale) + oy;
        const int r = rptRound((c->AbsLeft() + c->Width()) * Scale) + ox;
        const int b = rptRound((c->AbsTop() + c->Height()) * Scale) + oy;
        return X >= l && X <= r && Y >= t && Y <= b;
    };

    TrptGroupHeader* drill = nullptr;
    const TrptComponentList all = page->AllObjects();
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        TrptComponent* c = *it;
        if (auto* gh = dynamic_cast<TrptGroupHeader*>(c)) {
            if (gh->DrillDown() && under(gh)) drill = gh;
            continue;
        }
        auto* view = dynamic_cast<TrptView*>(c);
        if (!view) continue;
        if (!under(view)) {
            if (view->ShowHint() && reportHints) preview->SetShowHint(false);
            continue;
        }
        if (auto* gh = dynamic_cast<TrptGroupHeader*>(view->Parent()); gh && gh->DrillDown()) drill = gh;
        if (view->Cursor() != crDefault) Cursor = static_cast<TCursor>(view->Cursor());
        const QString url = view->URL();
        if (!url.isEmpty()) {
            StatusText(url, false);
            if (view->Cursor() == crDefault) Cursor = crHandPoint;
        }
        if (!view->Hint().isEmpty() && view->ShowHint() && reportHints) {
            StatusText(LongHint(view->Hint()), true);
            preview->SetHint(ShortHint(view->Hint()));
            preview->SetShowHint(true);
        }
        if (Click && !drill) {
            if (url.startsWith(QLatin1Char('@'))) {
                bool ok = false;
                const int pageNo = url.mid(1, 255).trimmed().toInt(&ok);
                if (ok) DoShowPage(pageNo, 0);
            } else if (url.startsWith(QLatin1Char('#'))) {
                if (TrptXMLItem* anchor = FindAnchor(url.mid(1)))
                    DoShowPage(IntProp(anchor, QStringLiteral("page")) + 1, IntProp(anchor, QStringLiteral("top")));
            } else if (!url.isEmpty() && IsOpenableLink(url)) {
                OpenLink(QUrl(url.trimmed(), QUrl::StrictMode));
            }
            bool modified = false;
            if (FReport) FReport->DoPreviewClick(view, Button, Shift, modified, DBClick);
            if (modified) {
                // Written back whole; the page object goes with the cache, so stop using it here.
                ModifyPage(Index, page);
                if (preview) preview->Invalidate();
                return;
            }
        } else if (FReport && FReport->OnMouseOverObject) {
            FReport->OnMouseOverObject(view);
        }
        break;
    }

    if (drill) {
        Cursor = crHandPoint;
        if (Click && Button == mbLeft && FReport) {
            TStringList* state = FReport->DrillState();
            const int at = state->IndexOf(drill->DrillName());
            if (at >= 0)
                state->Delete(at);
            else
                state->Add(drill->DrillName());
            if (preview) preview->RefreshReport();
        }
    }
}

void TrptPreviewPages::DoShowPage(int PageNo, int Top) {
    // A link to a page that is not there (a typed number, an anchor of pages since deleted) goes
    // nowhere.
    if (PageNo < 1 || PageNo > GetCount()) return;
    FCurPreviewPage = PageNo;
    if (OnShowPage) OnShowPage(PageNo, Top);
}

void TrptPreviewPages::StatusText(const QString& Text, bool IsHint) {
    if (FReport) SetReportProgressMessage(FReport, Text, IsHint);
    if (OnStatusText) OnStatusText(Text, IsHint);
}

// ---------------------------------------------------------------------------------------------
// Progress of a preparation: the report's run control (host events, progress window, preview).

void TrptPreviewPages::ProgressStart() {
    if (FReport) ReportProgressStart(FReport, ptRunning);
}

void TrptPreviewPages::ProgressStep(int Progress) {
    if (FReport) ReportProgress(FReport, ptRunning, Progress);
}

void TrptPreviewPages::ProgressStop() {
    if (FReport) ReportProgressStop(FReport, ptRunning);
}

// ---------------------------------------------------------------------------------------------

TrptPreviewPages* EnsurePreviewPages(TrptReport* Report) {
    if (!Report) return nullptr;
    if (auto* p = dynamic_cast<TrptPreviewPages*>(Report->PreviewPages())) return p;
    auto pages = std::make_unique<TrptPreviewPages>(Report);
    TrptPreviewPages* result = pages.get();
    Report->SetPreviewPages(std::move(pages));
    return result;
}
