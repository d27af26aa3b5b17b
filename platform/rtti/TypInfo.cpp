#include "platform/rtti/TypInfo.h"

#include "platform/rtl/StringList.h"
#include "platform/rtl/TextCase.h"
#include "platform/rtti/Classes.h"
#include "platform/rtti/ObjectHandles.h"

#include <QHash>

#include <cxxabi.h>
#include <map>
#include <mutex>
#include <unordered_map>

void EnsureStandardClassTypes(); // Classes.cpp

// ---------------------------------------------------------------------------------------------
// Type store. Types and classes live as long as the process; they are referenced from static
// records all over the program.

struct TTypeInfoStore {
    std::mutex Lock;
    std::map<std::pair<int, QString>, std::unique_ptr<TTypeInfo>> Named;
    std::vector<std::unique_ptr<TClassInfo>> Classes;
    std::unordered_map<std::type_index, const TClassInfo*> ByType;
    QHash<QString, const TClassInfo*> Registry; // upper-cased name
    QHash<QString, const TClassInfo*> Exact;    // the same classes by their own spelling: files
                                                // name classes as registered, so most lookups
                                                // need no upper-cased copy

    static TTypeInfoStore& Get() {
        static TTypeInfoStore* store = new TTypeInfoStore; // never destroyed: outlives static objects
        return *store;
    }

    TTypeInfo* Intern(TTypeKind kind, const QString& name, bool& created) {
        auto key = std::make_pair(int(kind), UpperCase(name));
        auto it = Named.find(key);
        created = it == Named.end();
        if (created) {
            auto t = std::make_unique<TTypeInfo>();
            t->FKind = kind;
            t->FName = name;
            it = Named.emplace(key, std::move(t)).first;
        }
        return it->second.get();
    }
};

const TTypeInfo* TTypeInfo::Named(TTypeKind kind, const QString& name) {
    auto& store = TTypeInfoStore::Get();
    std::lock_guard lock(store.Lock);
    bool created = false;
    return store.Intern(kind, name, created);
}

const TTypeInfo* TTypeInfo::Enumeration(const QString& name, const QString& commaNames) {
    auto& store = TTypeInfoStore::Get();
    std::lock_guard lock(store.Lock);
    bool created = false;
    TTypeInfo* t = store.Intern(tkEnumeration, name, created);
    if (created) {
        for (const QString& n : commaNames.split(QLatin1Char(','), Qt::SkipEmptyParts))
            t->FNames.push_back(n.trimmed());
        t->FMinValue = 0;
        t->FMaxValue = static_cast<int>(t->FNames.size()) - 1;
    }
    return t;
}

const TTypeInfo* TTypeInfo::SetOf(const QString& name, const TTypeInfo* compType) {
    auto& store = TTypeInfoStore::Get();
    std::lock_guard lock(store.Lock);
    bool created = false;
    TTypeInfo* t = store.Intern(tkSet, name, created);
    if (created) t->FCompType = compType;
    return t;
}

const TTypeInfo* TTypeInfo::Boolean() {
    static const TTypeInfo* info = Enumeration(QStringLiteral("Boolean"), QStringLiteral("False,True"));
    return info;
}

QString GetEnumName(const TTypeInfo* type, int value) {
    if (!type || value < type->MinValue() || value > type->MaxValue()) return QString();
    return type->EnumNames()[static_cast<size_t>(value - type->MinValue())];
}

int GetEnumValue(const TTypeInfo* type, const QString& name) {
    if (!type) return -1;
    const QString n = name.trimmed();
    const auto& names = type->EnumNames();
    for (size_t i = 0; i < names.size(); ++i)
        if (SameText(names[i], n)) return type->MinValue() + static_cast<int>(i);
    return -1;
}

QString SetToString(const TTypeInfo* setType, Int64 value, bool brackets) {
    QStringList parts;
    const TTypeInfo* comp = setType ? setType->CompType() : nullptr;
    for (int bit = 0; bit < 64; ++bit) {
        if (!(static_cast<UInt64>(value) & (UInt64(1) << bit))) continue;
        QString n = GetEnumName(comp, bit);
        parts << (n.isEmpty() ? QString::number(bit) : n);
    }
    const QString body = parts.join(QLatin1Char(','));
    return brackets ? QLatin1Char('[') + body + QLatin1Char(']') : body;
}

Int64 StringToSet(const TTypeInfo* setType, const QString& text) {
    const TTypeInfo* comp = setType ? setType->CompType() : nullptr;
    QString s = text.trimmed();
    if (s.startsWith(QLatin1Char('['))) s.remove(0, 1);
    if (s.endsWith(QLatin1Char(']'))) s.chop(1);
    UInt64 bits = 0;
    for (const QString& part : s.split(QLatin1Char(','))) {
        const QString name = part.trimmed();
        if (name.isEmpty()) continue;
        const int v = GetEnumValue(comp, name);
        if (v < 0 || v > 63)
            throw EPropertyConvertError(QStringLiteral("Invalid property element: %1").arg(name));
        bits |= UInt64(1) << v;
    }
    return static_cast<Int64>(bits);
}

// ---------------------------------------------------------------------------------------------
// Classes

namespace TypInfoDetail {

void RangeCheckError() {
    throw ERangeError(QStringLiteral("Range check error"));
}
void InvalidCastError() {
    throw EInvalidCast(QStringLiteral("Invalid class typecast"));
}

void BadDeclaration(const QString& cls, const QString& prop, const char* what) {
    throw EPropertyError(QStringLiteral("Class %1, property %2: %3").arg(cls, prop, QString::fromUtf8(what)));
}

TClassInfo* NewClassInfo(const QString& name, const TClassInfo* parent) {
    auto& store = TTypeInfoStore::Get();
    auto info = std::make_unique<TClassInfo>(name, parent);
    TClassInfo* raw = info.get();
    std::lock_guard lock(store.Lock);
    store.Classes.push_back(std::move(info));
    return raw;
}

} // namespace TypInfoDetail

TClassInfo::TClassInfo(const QString& name, const TClassInfo* parent) : FName(name), FParent(parent) {
    FTypeInfo.FKind = tkClass;
    FTypeInfo.FName = name;
    FTypeInfo.FClassType = this;
    if (parent) FProps = parent->FProps;
    for (const TPropInfo* p : FProps)
        FPropIndex.Add(p->Name(), p);
}

void TClassInfo::AddProp(std::unique_ptr<TPropInfo> prop) {
    prop->FDeclaringClass = this;
    if (const TPropInfo* old = FPropIndex.Find(prop->Name())) {
        // A redeclared property keeps the place of the one it replaces.
        if (old->DeclaringClass() == this) TypInfoDetail::BadDeclaration(FName, prop->Name(), "declared twice");
        const int i = old->Index();
        prop->FIndex = i;
        FPropIndex.Remove(old->Name(), old);
        FPropIndex.Add(prop->Name(), prop.get());
        FProps[static_cast<size_t>(i)] = prop.get();
        FOwnProps.push_back(std::move(prop));
        return;
    }
    prop->FIndex = static_cast<int>(FProps.size());
    FPropIndex.Add(prop->Name(), prop.get());
    FProps.push_back(prop.get());
    FOwnProps.push_back(std::move(prop));
}

bool TClassInfo::InheritsFrom(const TClassInfo* ancestor) const {
    for (const TClassInfo* c = this; c; c = c->FParent)
        if (c == ancestor) return true;
    return false;
}

bool TClassInfo::InheritsFrom(const QString& ancestorName) const {
    for (const TClassInfo* c = this; c; c = c->FParent)
        if (SameText(c->FName, ancestorName)) return true;
    return false;
}

TObject* TClassInfo::CreateInstance(TComponent* owner) const {
    if (!FFactory)
        throw EInvalidOperation(
            QStringLiteral("Cannot create an instance of the abstract class %1").arg(FName));
    return FFactory(owner);
}

const TTypeInfo* TPropInfo::PropType() const {
    if (FType) return FType;
    const TClassInfo* c = PropClass();
    return c ? c->TypeInfo() : TTypeInfo::Named(tkClass, QStringLiteral("TObject"));
}

const TClassInfo* TPropInfo::PropClass() const {
    if (!FClassGetter) return nullptr;
    const TClassInfo* c = FClass.load(std::memory_order_acquire);
    if (!c) {
        c = FClassGetter();
        // A class not known (yet) reads as TObject without being remembered as such.
        if (!c) return TObjectClassInfo();
        FClass.store(c, std::memory_order_release);
    }
    return c;
}

bool TPropInfo::IsWritable() const {
    switch (FKind) {
    case tkInteger:
    case tkChar:
    case tkEnumeration:
    case tkSet:
    case tkInt64:
        return bool(SetOrd);
    case tkFloat:
        return bool(SetFloat);
    case tkString:
        return bool(SetStr);
    case tkVariant:
        return bool(SetVar);
    case tkClass:
    case tkComponent:
    case tkStrings:
        return bool(SetObj);
    case tkMethod:
        return bool(SetMethod);
    default:
        return false;
    }
}

const TClassInfo* TObjectClassInfo() {
    static const TClassInfo* info = TypInfoDetail::NewClassInfo(QStringLiteral("TObject"), nullptr);
    return info;
}

const TClassInfo* TObject::StaticClassInfo() {
    return TObjectClassInfo();
}

namespace {

// A class not in the tables is named after its C++ type, so ClassName stays truthful.
const TClassInfo* ClassInfoFromTypeName(const std::type_info& type) {
    EnsureStandardClassTypes();
    auto& store = TTypeInfoStore::Get();
    {
        std::lock_guard lock(store.Lock);
        auto it = store.ByType.find(std::type_index(type));
        if (it != store.ByType.end()) return it->second;
    }
    int status = 0;
    char* demangled = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    const QString name =
        status == 0 && demangled ? QString::fromUtf8(demangled) : QString::fromUtf8(type.name());
    std::free(demangled);
    TClassInfo* info = TypInfoDetail::NewClassInfo(name, TObjectClassInfo());
    std::lock_guard lock(store.Lock);
    auto [it, inserted] = store.ByType.emplace(std::type_index(type), info);
    return it->second;
}

} // namespace

const TClassInfo* ClassInfoOf(const TObject* object) {
    if (!object) return nullptr;
    if (const TClassInfo* info = object->ClassInfo()) {
        // A subclass without its own declaration answers with its ancestor's record; the type
        // table knows better when the exact type was registered.
        if (const TClassInfo* exact = FindClassInfoByType(typeid(*object))) return exact;
        return info;
    }
    return ClassInfoFromTypeName(typeid(*object));
}

void RegisterClassType(std::type_index type, const TClassInfo* info) {
    auto& store = TTypeInfoStore::Get();
    std::lock_guard lock(store.Lock);
    store.ByType[type] = info;
}

const TClassInfo* FindClassInfoByType(std::type_index type) {
    EnsureStandardClassTypes();
    auto& store = TTypeInfoStore::Get();
    std::lock_guard lock(store.Lock);
    auto it = store.ByType.find(type);
    return it == store.ByType.end() ? nullptr : it->second;
}

QString TObject::ClassName() const {
    return ClassInfoOf(this)->ClassName();
}

bool TObject::InheritsFrom(const QString& className) const {
    return ClassInfoOf(this)->InheritsFrom(className);
}

// ---------------------------------------------------------------------------------------------
// Registry

void RegisterClass(const TClassInfo* info) {
    if (!info) return;
    auto& store = TTypeInfoStore::Get();
    std::lock_guard lock(store.Lock);
    const QString key = UpperCase(info->ClassName());
    auto it = store.Registry.find(key);
    if (it != store.Registry.end() && it.value() != info)
        throw EFilerError(QStringLiteral("A class named %1 already exists").arg(info->ClassName()));
    store.Registry.insert(key, info);
    store.Exact.insert(info->ClassName(), info);
}

void RegisterClasses(std::initializer_list<const TClassInfo*> infos) {
    for (const TClassInfo* i : infos)
        RegisterClass(i);
}

void UnRegisterClass(const TClassInfo* info) {
    if (!info) return;
    auto& store = TTypeInfoStore::Get();
    std::lock_guard lock(store.Lock);
    auto it = store.Registry.find(UpperCase(info->ClassName()));
    if (it != store.Registry.end() && it.value() == info) store.Registry.erase(it);
    auto exact = store.Exact.find(info->ClassName());
    if (exact != store.Exact.end() && exact.value() == info) store.Exact.erase(exact);
}

const TClassInfo* GetClass(const QString& name) {
    auto& store = TTypeInfoStore::Get();
    std::lock_guard lock(store.Lock);
    if (const TClassInfo* c = store.Exact.value(name, nullptr)) return c;
    return store.Registry.value(UpperCase(name), nullptr);
}

const TClassInfo* FindClass(const QString& name) {
    const TClassInfo* c = GetClass(name);
    if (!c) throw EClassNotFound(QStringLiteral("Class %1 not found").arg(name));
    return c;
}

std::vector<const TClassInfo*> GetRegisteredClasses() {
    auto& store = TTypeInfoStore::Get();
    std::lock_guard lock(store.Lock);
    std::vector<const TClassInfo*> r;
    r.reserve(static_cast<size_t>(store.Registry.size()));
    for (const TClassInfo* c : std::as_const(store.Registry))
        r.push_back(c);
    return r;
}

// ---------------------------------------------------------------------------------------------
// Property access

namespace {

[[noreturn]] void UnknownProperty(const QString& name) {
    throw EPropertyError(QStringLiteral("Property %1 does not exist").arg(name));
}
[[noreturn]] void WrongKind(const TPropInfo* p) {
    throw EPropertyError(QStringLiteral("Invalid property type: %1").arg(p->TypeName()));
}
[[noreturn]] void ReadOnly(const TPropInfo* p) {
    throw EPropertyError(QStringLiteral("Property %1 is read-only").arg(p->Name()));
}

// The instance must be of the class that declared the property, else the accessors would
// reinterpret another object's memory.
void CheckInstance(const TObject* instance, const TPropInfo* prop) {
    if (!instance)
        throw EPropertyError(
            QStringLiteral("Property %1 of a nil object").arg(prop ? prop->Name() : QString()));
    if (!prop) throw EPropertyError(QStringLiteral("Property does not exist"));
    const TClassInfo* cls = ClassInfoOf(instance);
    if (!cls->InheritsFrom(prop->DeclaringClass()) && instance->ClassInfo() &&
        !instance->ClassInfo()->InheritsFrom(prop->DeclaringClass()))
        throw EPropertyError(
            QStringLiteral("Property %1 does not belong to class %2").arg(prop->Name(), cls->ClassName()));
}

const TPropInfo* Need(const TObject* instance, const QString& name) {
    if (!instance) throw EPropertyError(QStringLiteral("Property %1 of a nil object").arg(name));
    const TPropInfo* p = GetPropInfo(instance, name);
    if (!p) UnknownProperty(name);
    return p;
}

bool IsOrdKind(TTypeKind k) {
    return k == tkInteger || k == tkChar || k == tkEnumeration || k == tkSet || k == tkInt64;
}
bool IsObjKind(TTypeKind k) {
    return k == tkClass || k == tkComponent || k == tkStrings;
}

} // namespace

const TPropInfo* GetPropInfo(const TObject* instance, const QString& name) {
    return instance ? ClassInfoOf(instance)->FindProp(name) : nullptr;
}

const TPropInfo* GetPropInfo(const TClassInfo* cls, const QString& name) {
    return cls ? cls->FindProp(name) : nullptr;
}

std::vector<const TPropInfo*> GetPropList(const TClassInfo* cls, std::initializer_list<TTypeKind> kinds) {
    std::vector<const TPropInfo*> r;
    if (!cls) return r;
    for (const TPropInfo* p : cls->Props()) {
        bool take = kinds.size() == 0;
        for (TTypeKind k : kinds)
            take = take || p->Kind() == k;
        if (take) r.push_back(p);
    }
    return r;
}

bool IsPublishedProp(const TObject* instance, const QString& name) {
    return GetPropInfo(instance, name) != nullptr;
}

TTypeKind PropType(const TObject* instance, const QString& name) {
    return Need(instance, name)->Kind();
}

Int64 GetOrdProp(const TObject* instance, const TPropInfo* prop) {
    CheckInstance(instance, prop);
    if (!IsOrdKind(prop->Kind())) WrongKind(prop);
    if (!prop->GetOrd) UnknownProperty(prop->Name());
    return prop->GetOrd(instance);
}

void SetOrdProp(TObject* instance, const TPropInfo* prop, Int64 value) {
    CheckInstance(instance, prop);
    if (!IsOrdKind(prop->Kind())) WrongKind(prop);
    if (!prop->SetOrd) ReadOnly(prop);
    if (value < prop->MinOrd() || value > prop->MaxOrd())
        throw ERangeError(QStringLiteral("%1: %2 is out of range %3..%4")
                              .arg(prop->Name())
                              .arg(value)
                              .arg(prop->MinOrd())
                              .arg(prop->MaxOrd()));
    prop->SetOrd(instance, value);
}

QString GetEnumProp(const TObject* instance, const TPropInfo* prop) {
    if (prop && prop->Kind() != tkEnumeration) WrongKind(prop);
    const Int64 v = GetOrdProp(instance, prop);
    return GetEnumName(prop->PropType(), static_cast<int>(v));
}

void SetEnumProp(TObject* instance, const TPropInfo* prop, const QString& name) {
    if (prop && prop->Kind() != tkEnumeration) WrongKind(prop);
    const int v = GetEnumValue(prop ? prop->PropType() : nullptr, name);
    if (v < 0) throw EPropertyConvertError(QStringLiteral("Invalid enumeration name: %1").arg(name));
    SetOrdProp(instance, prop, v);
}

QString GetSetProp(const TObject* instance, const TPropInfo* prop, bool brackets) {
    if (prop && prop->Kind() != tkSet) WrongKind(prop);
    return SetToString(prop ? prop->PropType() : nullptr, GetOrdProp(instance, prop), brackets);
}

void SetSetProp(TObject* instance, const TPropInfo* prop, const QString& text) {
    if (prop && prop->Kind() != tkSet) WrongKind(prop);
    SetOrdProp(instance, prop, StringToSet(prop ? prop->PropType() : nullptr, text));
}

Int64 GetInt64Prop(const TObject* instance, const TPropInfo* prop) {
    return GetOrdProp(instance, prop);
}
void SetInt64Prop(TObject* instance, const TPropInfo* prop, Int64 value) {
    SetOrdProp(instance, prop, value);
}

double GetFloatProp(const TObject* instance, const TPropInfo* prop) {
    CheckInstance(instance, prop);
    if (prop->Kind() != tkFloat) WrongKind(prop);
    return prop->GetFloat(instance);
}

void SetFloatProp(TObject* instance, const TPropInfo* prop, double value) {
    CheckInstance(instance, prop);
    if (prop->Kind() != tkFloat) WrongKind(prop);
    if (!prop->SetFloat) ReadOnly(prop);
    prop->SetFloat(instance, value);
}

QString GetStrProp(const TObject* instance, const TPropInfo* prop) {
    CheckInstance(instance, prop);
    if (prop->Kind() != tkString) WrongKind(prop);
    return prop->GetStr(instance);
}

void SetStrProp(TObject* instance, const TPropInfo* prop, const QString& value) {
    CheckInstance(instance, prop);
    if (prop->Kind() != tkString) WrongKind(prop);
    if (!prop->SetStr) ReadOnly(prop);
    prop->SetStr(instance, value);
}

Variant GetVariantProp(const TObject* instance, const TPropInfo* prop) {
    CheckInstance(instance, prop);
    if (prop->Kind() != tkVariant) WrongKind(prop);
    return prop->GetVar(instance);
}

void SetVariantProp(TObject* instance, const TPropInfo* prop, const Variant& value) {
    CheckInstance(instance, prop);
    if (prop->Kind() != tkVariant) WrongKind(prop);
    if (!prop->SetVar) ReadOnly(prop);
    prop->SetVar(instance, value);
}

TObject* GetObjectProp(const TObject* instance, const TPropInfo* prop) {
    CheckInstance(instance, prop);
    if (!IsObjKind(prop->Kind())) WrongKind(prop);
    return prop->GetObj(instance);
}

void SetObjectProp(TObject* instance, const TPropInfo* prop, TObject* value) {
    CheckInstance(instance, prop);
    if (!IsObjKind(prop->Kind())) WrongKind(prop);
    if (!prop->SetObj) ReadOnly(prop);
    prop->SetObj(instance, value);
}

std::any GetMethodProp(const TObject* instance, const TPropInfo* prop) {
    CheckInstance(instance, prop);
    if (prop->Kind() != tkMethod) WrongKind(prop);
    return prop->GetMethod(instance);
}

void SetMethodProp(TObject* instance, const TPropInfo* prop, const std::any& value) {
    CheckInstance(instance, prop);
    if (prop->Kind() != tkMethod) WrongKind(prop);
    if (!prop->SetMethod) ReadOnly(prop);
    prop->SetMethod(instance, value);
}

Int64 GetOrdProp(const TObject* i, const QString& n) {
    return GetOrdProp(i, Need(i, n));
}
void SetOrdProp(TObject* i, const QString& n, Int64 v) {
    SetOrdProp(i, Need(i, n), v);
}
QString GetEnumProp(const TObject* i, const QString& n) {
    return GetEnumProp(i, Need(i, n));
}
void SetEnumProp(TObject* i, const QString& n, const QString& v) {
    SetEnumProp(i, Need(i, n), v);
}
QString GetSetProp(const TObject* i, const QString& n, bool b) {
    return GetSetProp(i, Need(i, n), b);
}
void SetSetProp(TObject* i, const QString& n, const QString& v) {
    SetSetProp(i, Need(i, n), v);
}
Int64 GetInt64Prop(const TObject* i, const QString& n) {
    return GetInt64Prop(i, Need(i, n));
}
void SetInt64Prop(TObject* i, const QString& n, Int64 v) {
    SetInt64Prop(i, Need(i, n), v);
}
double GetFloatProp(const TObject* i, const QString& n) {
    return GetFloatProp(i, Need(i, n));
}
void SetFloatProp(TObject* i, const QString& n, double v) {
    SetFloatProp(i, Need(i, n), v);
}
QString GetStrProp(const TObject* i, const QString& n) {
    return GetStrProp(i, Need(i, n));
}
void SetStrProp(TObject* i, const QString& n, const QString& v) {
    SetStrProp(i, Need(i, n), v);
}
Variant GetVariantProp(const TObject* i, const QString& n) {
    return GetVariantProp(i, Need(i, n));
}
void SetVariantProp(TObject* i, const QString& n, const Variant& v) {
    SetVariantProp(i, Need(i, n), v);
}
TObject* GetObjectProp(const TObject* i, const QString& n) {
    return GetObjectProp(i, Need(i, n));
}
void SetObjectProp(TObject* i, const QString& n, TObject* v) {
    SetObjectProp(i, Need(i, n), v);
}

Variant GetPropValue(const TObject* instance, const TPropInfo* prop, bool preferStrings) {
    CheckInstance(instance, prop);
    switch (prop->Kind()) {
    case tkInteger:
        return Variant(static_cast<int>(GetOrdProp(instance, prop)));
    case tkInt64:
        return Variant(static_cast<long long>(GetOrdProp(instance, prop)));
    case tkChar:
        return Variant(QChar(static_cast<char16_t>(GetOrdProp(instance, prop))));
    case tkEnumeration:
        if (prop->PropType() == TTypeInfo::Boolean()) return Variant(GetOrdProp(instance, prop) != 0);
        if (preferStrings) return Variant(GetEnumProp(instance, prop));
        return Variant(static_cast<int>(GetOrdProp(instance, prop)));
    case tkSet:
        if (preferStrings) return Variant(GetSetProp(instance, prop, true));
        return Variant(static_cast<int>(GetOrdProp(instance, prop)));
    case tkFloat:
        if (prop->TypeName().compare(QLatin1String("TDateTime"), Qt::CaseInsensitive) == 0 ||
            prop->TypeName().compare(QLatin1String("TDate"), Qt::CaseInsensitive) == 0 ||
            prop->TypeName().compare(QLatin1String("TTime"), Qt::CaseInsensitive) == 0)
            return Variant::FromDate(GetFloatProp(instance, prop));
        return Variant(GetFloatProp(instance, prop));
    case tkString:
        return Variant(GetStrProp(instance, prop));
    case tkVariant:
        return GetVariantProp(instance, prop);
    case tkStrings: {
        const auto* list = static_cast<const TStrings*>(GetObjectProp(instance, prop));
        return list ? Variant(list->Text()) : Variant(QString());
    }
    case tkClass:
    case tkComponent:
        return ObjectToVariant(GetObjectProp(instance, prop));
    default:
        WrongKind(prop);
    }
}

Variant GetPropValue(const TObject* instance, const QString& name, bool preferStrings) {
    return GetPropValue(instance, Need(instance, name), preferStrings);
}

void SetPropValue(TObject* instance, const TPropInfo* prop, const Variant& value) {
    CheckInstance(instance, prop);
    switch (prop->Kind()) {
    case tkInteger:
    case tkInt64:
        SetOrdProp(instance, prop, value.ToInt64());
        break;
    case tkChar: {
        const QString s = value.ToString();
        if (value.IsText())
            SetOrdProp(instance, prop, s.isEmpty() ? 0 : s.at(0).unicode());
        else
            SetOrdProp(instance, prop, value.ToInt64());
        break;
    }
    case tkEnumeration:
        if (value.IsText()) {
            Int64 n = 0;
            const QString s = value.ToString();
            bool ok = false;
            n = s.trimmed().toLongLong(&ok);
            if (ok)
                SetOrdProp(instance, prop, n);
            else
                SetEnumProp(instance, prop, s);
        } else if (value.VType() == varBoolean) {
            SetOrdProp(instance, prop, value.ToBool() ? 1 : 0);
        } else {
            SetOrdProp(instance, prop, value.ToInt64());
        }
        break;
    case tkSet:
        if (value.IsText())
            SetSetProp(instance, prop, value.ToString());
        else
            SetOrdProp(instance, prop, value.ToInt64());
        break;
    case tkFloat:
        SetFloatProp(instance, prop, value.ToDouble());
        break;
    case tkString:
        SetStrProp(instance, prop, value.IsNull() ? QString() : value.ToString());
        break;
    case tkVariant:
        SetVariantProp(instance, prop, value);
        break;
    case tkStrings: {
        auto* list = static_cast<TStrings*>(GetObjectProp(instance, prop));
        if (!list) throw EPropertyError(QStringLiteral("Property %1 has no list").arg(prop->Name()));
        list->SetText(VarToStr(value));
        break;
    }
    case tkClass:
    case tkComponent:
        SetObjectProp(instance, prop, VariantToObject(value));
        break;
    default:
        WrongKind(prop);
    }
}

void SetPropValue(TObject* instance, const QString& name, const Variant& value) {
    SetPropValue(instance, Need(instance, name), value);
}

bool IsStoredProp(const TObject* instance, const TPropInfo* prop) {
    CheckInstance(instance, prop);
    return prop->IsStored(instance);
}

bool IsStoredProp(const TObject* instance, const QString& name) {
    return IsStoredProp(instance, Need(instance, name));
}

bool IsDefaultPropValue(const TObject* instance, const TPropInfo* prop) {
    CheckInstance(instance, prop);
    switch (prop->Kind()) {
    case tkInteger:
    case tkChar:
    case tkEnumeration:
    case tkSet:
    case tkInt64:
        return prop->HasDefault() && GetOrdProp(instance, prop) == prop->Default().ToInt64();
    case tkFloat:
        return prop->HasDefault() && GetFloatProp(instance, prop) == prop->Default().ToDouble();
    case tkString:
        return prop->HasDefault() ? GetStrProp(instance, prop) == prop->Default().ToString()
                                  : GetStrProp(instance, prop).isEmpty();
    case tkVariant:
        return GetVariantProp(instance, prop).IsEmpty();
    case tkComponent:
        return GetObjectProp(instance, prop) == nullptr;
    case tkStrings: {
        const auto* list = static_cast<const TStrings*>(GetObjectProp(instance, prop));
        return !list || list->Count() == 0;
    }
    case tkMethod:
        return !prop->MethodAssigned(instance);
    default:
        return false;
    }
}

void ResetPropToDefault(TObject* instance, const TPropInfo* prop) {
    CheckInstance(instance, prop);
    if (!prop->IsWritable() && prop->Kind() != tkStrings) return;
    switch (prop->Kind()) {
    case tkInteger:
    case tkChar:
    case tkEnumeration:
    case tkSet:
    case tkInt64:
        if (prop->HasDefault()) SetOrdProp(instance, prop, prop->Default().ToInt64());
        break;
    case tkFloat:
        if (prop->HasDefault()) SetFloatProp(instance, prop, prop->Default().ToDouble());
        break;
    case tkString:
        SetStrProp(instance, prop, prop->HasDefault() ? prop->Default().ToString() : QString());
        break;
    case tkVariant:
        SetVariantProp(instance, prop, Variant());
        break;
    case tkComponent:
        SetObjectProp(instance, prop, nullptr);
        break;
    case tkStrings:
        if (auto* list = static_cast<TStrings*>(GetObjectProp(instance, prop))) list->Clear();
        break;
    case tkMethod:
        SetMethodProp(instance, prop, std::any());
        break;
    default:
        break;
    }
}
