#include "report/core/rptClassComponent.h"

#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TextCase.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptRes.h"
#include "report/core/rptXML.h"
#include "report/core/rptXMLSerializer.h"

#include <QSet>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <mutex>

namespace {

// Set while DesignCreate runs the constructors, so that they already see IsDesigning.
thread_local bool GDesignCreating = false;

// The owner that the class library gets for an object created with AOwner.
TComponent* OwnerFor(TComponent* AOwner) {
    if (auto* c = dynamic_cast<TrptComponent*>(AOwner)) return c->Report();
    return AOwner;
}

// Whether the object's class is (or descends from) the class of that name. The classes named
// here are built in other units; their record is found on the object's own class chain, so the
// answer does not wait for the class to be registered by name.
bool IsOfClass(const TObject* obj, const char* name, std::atomic<const TClassInfo*>& cache) {
    if (const TClassInfo* cls = cache.load(std::memory_order_acquire)) return ClassInfoOf(obj)->InheritsFrom(cls);
    const QLatin1String wanted(name);
    for (const TClassInfo* c = ClassInfoOf(obj); c; c = c->Parent())
        if (c->ClassName() == wanted) {
            cache.store(c, std::memory_order_release);
            return true;
        }
    return false;
}

std::atomic<const TClassInfo*> GBandClass{nullptr};
std::atomic<const TClassInfo*> GNullBandClass{nullptr};

QString DiffFloat(double value) {
    return FloatToStr(value);
}

QString BaseNameOf(const QString& className) {
    QString s = className;
    int i = s.indexOf(QLatin1String("Trpt"));
    if (i >= 0) s.remove(i, 4);
    i = s.indexOf(QLatin1String("View"));
    if (i >= 0) s.remove(i, 4);
    return s;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TrptComponent

KORVEL_CLASS_INFO(TrptComponent) {
    // Sub-object attributes such as Font.Name are read through the font's own record.
    TFontClassInfo();
}

TrptComponent::TrptComponent(TComponent* AOwner) : TComponent(OwnerFor(AOwner)), FFont(std::make_unique<TFont>()) {
    FIsDesigning = GDesignCreating;
    FFont->SetName(QStringLiteral("Arial"));
    FFont->SetPixelsPerInch(96);
    FFont->SetSize(10);
    FFont->SetColor(clBlack);
    FFont->SetCharset(DEFAULT_CHARSET);
    FFont->OnChange = [this](TObject*) {
        if (FFontUpdate == 0) FontChanged();
    };
    FrptComponentStyle = TrptComponentStyle{csPreviewVisible};
    if (auto* parent = dynamic_cast<TrptComponent*>(AOwner)) SetParent(parent);
}

TrptComponent::~TrptComponent() {
    // A read in progress must not touch this object again.
    if (auto* owner = dynamic_cast<TrptComponent*>(Owner()))
        if (TrptReport* r = owner->AsReport())
            if (TrptXMLSerializer* s = r->XMLSerializer()) s->ForgetObject(this);
    SetParent(nullptr);
    FreeChildren();
    FFont->OnChange = nullptr;
}

TrptComponent* TrptComponent::DesignCreate(const TClassInfo* Cls, TComponent* AOwner, int Flags) {
    (void)Flags;
    if (!Cls || !Cls->InheritsFrom(TrptComponent::StaticClassInfo()))
        throw EInvalidCast(QStringLiteral("Invalid class typecast"));
    const bool was = GDesignCreating;
    GDesignCreating = true;
    TObject* obj = nullptr;
    try {
        obj = Cls->CreateInstance(AOwner);
    } catch (...) {
        GDesignCreating = was;
        throw;
    }
    GDesignCreating = was;
    auto* c = static_cast<TrptComponent*>(obj);
    c->FIsDesigning = true;
    return c;
}

void TrptComponent::Assign(const TPersistent* Source) {
    auto* src = dynamic_cast<const TrptComponent*>(Source);
    if (!src) {
        TComponent::Assign(Source);
        return;
    }
    if (src == this) return;
    TMemoryStream ms;
    const_cast<TrptComponent*>(src)->SaveToStream(ms, false, true);
    ms.SetPosition(0);
    LoadFromStream(ms);
}

void TrptComponent::AssignAll(TrptComponent* Source, bool Streaming) {
    if (!Source || Source == this) return;
    TMemoryStream ms;
    Source->SaveToStream(ms, true, true, Streaming);
    ms.SetPosition(0);
    LoadFromStream(ms);
}

const TrptComponentList& TrptComponent::AllObjects() {
    FAllObjects.clear();
    // Depth first, each object before its children, without recursion.
    std::vector<std::pair<const TrptComponent*, size_t>> stack;
    stack.emplace_back(this, 0);
    while (!stack.empty()) {
        auto& [node, next] = stack.back();
        if (next >= node->FObjects.size()) {
            stack.pop_back();
            continue;
        }
        TrptComponent* child = node->FObjects[next++];
        FAllObjects.push_back(child);
        if (!child->FObjects.empty()) stack.emplace_back(child, 0);
    }
    return FAllObjects;
}

void TrptComponent::SetParent(TrptComponent* Value) {
    if (Value == FParent) return;
    // A parent below this object would make the tree a loop.
    for (TrptComponent* p = Value; p; p = p->FParent)
        if (p == this) throw EComponentError(QStringLiteral("An object cannot be its own parent"));
    if (FParent) {
        auto& list = FParent->FObjects;
        auto it = std::find(list.rbegin(), list.rend(), this);
        if (it != list.rend()) list.erase(std::next(it).base());
    }
    FParent = Value;
    if (FParent) {
        FParent->FObjects.push_back(this);
        SetParentFont(FParentFont);
    }
}

TrptPage* TrptComponent::Page() const {
    for (auto* c = const_cast<TrptComponent*>(this); c; c = c->FParent)
        if (TrptPage* p = c->AsPage()) return p;
    return nullptr;
}

TrptReport* TrptComponent::Report() const {
    for (auto* c = const_cast<TrptComponent*>(this); c; c = c->FParent)
        if (TrptReport* r = c->AsReport()) return r;
    return nullptr;
}

TrptComponent* TrptComponent::FindObject(const QString& AName) {
    if (AName.isEmpty()) return nullptr;
    // Objects of the report are its components: the name index finds them at once.
    if (AsReport()) {
        auto* c = dynamic_cast<TrptComponent*>(FindComponent(AName));
        if (c && c != this) {
            for (TrptComponent* p = c->FParent; p; p = p->FParent)
                if (p == this) return c;
        }
    }
    for (TrptComponent* c : AllObjects())
        if (SameText(c->Name(), AName)) return c;
    return nullptr;
}

void TrptComponent::SetName(const QString& Value) {
    if (SameText(Value, Name())) return;
    if (!Value.isEmpty()) {
        if (TrptReport* r = Report()) {
            // Every object of a report is the report's component, found through its name index.
            TComponent* other = r->FindComponent(Value);
            if (other && other != this)
                throw EDuplicateName(GlobalResources()->Get(QStringLiteral("prDupl")));
        }
    }
    if (IsAncestor())
        throw EComponentError(Format(GlobalResources()->Get(QStringLiteral("clCantRen")), {Name()}));
    TComponent::SetName(Value);
}

void TrptComponent::CreateUniqueName() {
    QSet<QString> names;
    TrptComponent* scope = Report();
    if (!scope) scope = FParent;
    if (scope)
        for (TrptComponent* c : scope->AllObjects())
            if (c != this && !c->Name().isEmpty()) names.insert(UpperCase(c->Name()));
    const QString base = BaseName();
    for (int n = 1;; ++n) {
        const QString candidate = base + QString::number(n);
        if (!names.contains(UpperCase(candidate))) {
            SetName(candidate);
            return;
        }
    }
}

void TrptComponent::SetLeft(double Value) {
    if (FIsDesigning && FRestrictions.Contains(rfDontMove)) return;
    FLeft = Value;
}

void TrptComponent::SetTop(double Value) {
    if (FIsDesigning && FRestrictions.Contains(rfDontMove)) return;
    FTop = Value;
}

void TrptComponent::SetWidth(double Value) {
    if (FIsDesigning && FRestrictions.Contains(rfDontSize)) return;
    FWidth = Value;
}

void TrptComponent::SetHeight(double Value) {
    if (FIsDesigning && FRestrictions.Contains(rfDontSize)) return;
    FHeight = Value;
}

void TrptComponent::SetBounds(double ALeft, double ATop, double AWidth, double AHeight) {
    SetLeft(ALeft);
    SetTop(ATop);
    SetWidth(AWidth);
    SetHeight(AHeight);
}

double TrptComponent::AbsLeft() const {
    double r = FLeft;
    for (const TrptComponent* p = FParent; p && !p->IsDialogPage(); p = p->FParent)
        r += p->FLeft;
    return r;
}

double TrptComponent::AbsTop() const {
    double r = FTop;
    for (const TrptComponent* p = FParent; p && !p->IsDialogPage(); p = p->FParent)
        r += p->FTop;
    return r;
}

void TrptComponent::SetVisible(bool Value) {
    FVisible = Value;
}

void TrptComponent::SetFont(TFont* Value) {
    if (!Value) return;
    // The change notification clears ParentFont and passes the font down.
    FFont->Assign(*Value);
    if (FParentFont) FontChanged();
}

void TrptComponent::SetFontSilently(const TFont& Value) {
    ++FFontUpdate;
    FFont->Assign(Value);
    --FFontUpdate;
}

void TrptComponent::SetParentFont(bool Value) {
    if (Value && FParent) {
        SetFontSilently(*FParent->FFont);
        FontChanged();
    }
    FParentFont = Value;
}

void TrptComponent::FontChanged() {
    FParentFont = false;
    for (TrptComponent* c : FObjects)
        if (c->FParentFont) c->SetParentFont(true);
}

void TrptComponent::Clear() {
    // Freeing everything an owner holds would tell every remaining component of every removal;
    // nothing is left to tell when no object stays behind.
    bool keepsAny = false;
    for (TrptComponent* c : FObjects)
        keepsAny = keepsAny || c->ComponentState().Contains(csAncestor);
    TComponent* owner = AsReport() ? this : nullptr;
    auto* quiet = dynamic_cast<TrptComponent*>(owner);
    if (quiet && !keepsAny) quiet->BeginQuietNotifications();
    try {
        for (size_t i = FObjects.size(); i-- > 0;) {
            if (i >= FObjects.size()) continue;
            TrptComponent* c = FObjects[i];
            if (c->ComponentState().Contains(csAncestor)) {
                c->Clear();
            } else {
                FObjects.erase(FObjects.begin() + static_cast<std::ptrdiff_t>(i));
                c->FParent = nullptr;
                std::unique_ptr<TrptComponent> owned(c);
            }
        }
    } catch (...) {
        if (quiet && !keepsAny) quiet->EndQuietNotifications();
        throw;
    }
    if (quiet && !keepsAny) quiet->EndQuietNotifications();
}

void TrptComponent::FreeChildren() {
    BeginQuietNotifications();
    while (!FObjects.empty()) {
        TrptComponent* c = FObjects.back();
        FObjects.pop_back();
        c->FParent = nullptr;
        std::unique_ptr<TrptComponent> owned(c);
    }
    EndQuietNotifications();
}

void TrptComponent::Notification(TComponent* AComponent, TOperation Operation) {
    const bool quiet = FQuietNotify > 0 || (Operation == opInsert && TComponent::IsLoading());
    if (!quiet) {
        TComponent::Notification(AComponent, Operation);
        return;
    }
    if (Operation == opRemove && AComponent) RemoveFreeNotification(AComponent);
    if (AComponent == FOriginalComponent && Operation == opRemove) FOriginalComponent = nullptr;
}

void TrptComponent::LoadFromStream(TStream& Stream) {
    TrptReport* report = Report();
    auto read = [&] {
        // The whole document is read before anything changes: text that is not a template
        // (TrptInvalidXMLException) leaves the object as it was.
        TrptXMLDocument doc;
        doc.LoadFromStream(Stream, false);
        Clear();
        TrptXMLSerializer serializer(&Stream);
        serializer.SetOwner(report);
        serializer.SetOldFormat(doc.OldVersion());
        TrptXMLSerializer* previous = report ? report->XMLSerializer() : nullptr;
        if (report) report->SetXMLSerializer(&serializer);
        try {
            serializer.ReadRootComponent(this, doc.Root());
        } catch (...) {
            if (report) report->SetXMLSerializer(previous);
            throw;
        }
        if (report) {
            report->SetXMLSerializer(previous);
            report->AddErrors(serializer.Errors());
        }
    };
    if (report && report->UsesLoadLock()) {
        std::lock_guard<std::recursive_mutex> lock(ReportLoadLock());
        read();
    } else {
        read();
    }
}

void TrptComponent::SaveToStream(TStream& Stream, bool SaveChildren, bool SaveDefaultValues, bool Streaming) {
    TrptXMLSerializer serializer(&Stream);
    TrptReport* report = Report();
    serializer.SetOwner(report);
    serializer.SetSerializeDefaultValues(SaveDefaultValues);
    if (TrptReport* self = AsReport()) {
        serializer.OnGetAncestor = [self](const QString& name, TPersistent*& ancestor) {
            ancestor = self->GetAncestorObject(name);
        };
    }
    serializer.WriteRootComponent(this, SaveChildren, nullptr, Streaming);
}

QString TrptComponent::BaseName() const {
    // Computed on demand: while the constructors run, the object does not know its class yet.
    return FBaseName.isEmpty() ? BaseNameOf(ClassName()) : FBaseName;
}

QString TrptComponent::GetDescription() const {
    return ClassName();
}

void TrptComponent::AlignChildren() {
    struct TEntry {
        TrptComponent* View;
        TrptAlign Align;
        QString Key;
    };
    std::vector<TEntry> list;
    for (TrptComponent* c : FObjects) {
        TrptAlign a = baNone;
        if (!c->GetChildAlign(a)) continue;
        const double left = c->FLeft;
        QString key = left >= 0 ? QStringLiteral("1") : QStringLiteral("0");
        key += QString::asprintf("%9.2f", std::fabs(left));
        list.push_back({c, a, key});
    }
    std::stable_sort(list.begin(), list.end(), [](const TEntry& a, const TEntry& b) { return a.Key < b.Key; });

    auto separate = [](const TrptComponent* v, const TrptComponent* other) {
        // Entirely below or entirely above the view.
        return other->AbsTop() >= v->AbsTop() + v->FHeight - 1e-4 ||
               other->AbsTop() + other->FHeight <= v->AbsTop() + 1e-4;
    };

    for (size_t i = 0; i < list.size(); ++i) {
        TrptComponent* v = list[i].View;
        const TrptAlign a = list[i].Align;
        if (a != baLeft && a != baWidth) continue;
        TrptComponent* neighbour = nullptr;
        for (size_t j = i; j-- > 0;) {
            TrptComponent* o = list[j].View;
            if (separate(v, o)) continue;
            if (a == baWidth && o->FLeft > v->FLeft) continue;
            neighbour = o;
            break;
        }
        v->SetLeft(neighbour ? neighbour->FLeft + neighbour->FWidth : 0);
    }
    for (size_t i = list.size(); i-- > 0;) {
        TrptComponent* v = list[i].View;
        const TrptAlign a = list[i].Align;
        if (a != baRight && a != baWidth) continue;
        TrptComponent* neighbour = nullptr;
        for (size_t j = i + 1; j < list.size(); ++j) {
            TrptComponent* o = list[j].View;
            if (separate(v, o)) continue;
            if (a == baWidth && o->FLeft + o->FWidth < v->FLeft + v->FWidth) continue;
            neighbour = o;
            break;
        }
        const double edge = neighbour ? neighbour->FLeft : FWidth;
        if (a == baRight)
            v->SetLeft(edge - v->FWidth);
        else
            v->SetWidth(edge - v->FLeft);
    }
    for (TrptComponent* c : FObjects) {
        TrptAlign a = baNone;
        if (!c->GetChildAlign(a)) continue;
        switch (a) {
        case baCenter:
            c->SetLeft((FWidth - c->FWidth) / 2);
            break;
        case baBottom:
            c->SetTop(FHeight - c->FHeight);
            break;
        case baClient:
            c->SetBounds(0, 0, FWidth, FHeight);
            break;
        default:
            break;
        }
    }
}

QString TrptComponent::Diff(TrptComponent* AComponent) {
    if (!AComponent) return QString();
    QString r;
    auto differs = [](double a, double b) { return std::fabs(a - b) > 1e-4; };
    auto add = [&r](const char* name, const QString& value) {
        r += QLatin1Char(' ');
        r += QLatin1String(name);
        r += QStringLiteral("=\"");
        r += value;
        r += QLatin1Char('"');
    };
    if (differs(FLeft, AComponent->FLeft)) add("l", DiffFloat(FLeft));
    if (IsOfClass(this, "TrptBand", GBandClass) || differs(FTop, AComponent->FTop)) add("t", DiffFloat(FTop));
    bool autoWidth = false;
    if (const TPropInfo* p = GetPropInfo(this, QStringLiteral("AutoWidth")))
        autoWidth = p->Kind() == tkEnumeration && GetOrdProp(this, p) != 0;
    if (!autoWidth && differs(FWidth, AComponent->FWidth)) add("w", DiffFloat(FWidth));
    if (differs(FHeight, AComponent->FHeight)) add("h", DiffFloat(FHeight));
    if (FVisible != AComponent->FVisible) add("Visible", FVisible ? QStringLiteral("1") : QStringLiteral("0"));
    if (!FParentFont) {
        const TFont* f = FFont.get();
        const TFont* o = AComponent->FFont.get();
        if (f->Name() != o->Name()) add("Font.Name", EscapeXMLText(f->Name()));
        if (f->Size() != o->Size()) add("Font.Size", QString::number(f->Size()));
        if (f->Color() != o->Color()) add("Font.Color", QString::number(f->Color()));
        if (f->Style() != o->Style()) add("Font.Style", QString::number(f->Style().ToInt()));
        if (f->Charset() != o->Charset()) add("Font.Charset", QString::number(f->Charset()));
    }
    if (FParentFont != AComponent->FParentFont)
        add("ParentFont", FParentFont ? QStringLiteral("1") : QStringLiteral("0"));
    if (Tag() != AComponent->Tag()) add("Tag", QString::number(Tag()));
    return r;
}

QString TrptComponent::AllDiff(TrptComponent* AComponent) {
    TrptXMLSerializer serializer(nullptr);
    serializer.SetOwner(Report());
    QString r = serializer.ObjToXML(this);
    if (AComponent) r += QLatin1Char(' ') + Diff(AComponent);
    if (IsOfClass(this, "TrptNullBand", GNullBandClass)) {
        r += QStringLiteral(" l=\"") + DiffFloat(FLeft) + QLatin1Char('"');
        r += QStringLiteral(" t=\"") + DiffFloat(FTop) + QLatin1Char('"');
    }
    return r;
}

// ---------------------------------------------------------------------------------------------
// TrptReportComponent

KORVEL_CLASS_INFO(TrptReportComponent) {
    b.Prop("Description", &TrptComponent::Description, &TrptComponent::SetDescription);
}

TrptReportComponent::TrptReportComponent(TComponent* AOwner) : TrptComponent(AOwner) {}

TrptReportComponent::~TrptReportComponent() = default;

void TrptReportComponent::BeforePrint() {
    SetOriginalRect(TrptRect{Left(), Top(), Width(), Height()});
}

void TrptReportComponent::AfterPrint() {
    const TrptRect& r = OriginalRect();
    SetBounds(r.Left, r.Top, r.Right, r.Bottom);
}

TrptRect TrptReportComponent::GetRealBounds() {
    const double l = AbsLeft(), t = AbsTop();
    return TrptRect{l, t, l + Width(), t + Height()};
}
