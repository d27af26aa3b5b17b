#include "script/sc_iinterpreter.h"

#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TextCase.h"
#include "platform/rtti/ObjectHandles.h"
#include "script/sc_iconst.h"
#include "script/sc_iilbuilder.h"
#include "script/sc_isysrtti.h"
#include "script/sc_itools.h"

#include <algorithm>
#include <climits>

namespace {

[[noreturn]] void ListIndexError(int index) {
    throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
}

// Runs a callable when the scope ends, also when an exception passes.
template <class F> struct TFinally {
    F Fn;
    ~TFinally() { Fn(); }
};
template <class F> TFinally(F) -> TFinally<F>;

} // namespace

// ---------------------------------------------------------------------------------------------
// TscItemList

TscItemList::~TscItemList() {
    TscItemList::Clear();
}

void TscItemList::Clear() {
    while (!FItems.empty())
        FItems.erase(FItems.begin());
}

void TscItemList::Add(std::unique_ptr<TObject> Item) {
    FItems.push_back(std::move(Item));
}

std::unique_ptr<TObject> TscItemList::Remove(TObject* Item) {
    const int i = IndexOf(Item);
    if (i < 0) ListIndexError(i);
    std::unique_ptr<TObject> r = std::move(FItems[static_cast<size_t>(i)]);
    FItems.erase(FItems.begin() + i);
    return r;
}

TObject* TscItemList::Item(int Index) const {
    if (Index < 0 || Index >= Count()) ListIndexError(Index);
    return FItems[static_cast<size_t>(Index)].get();
}

int TscItemList::IndexOf(const TObject* Item) const {
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i].get() == Item) return static_cast<int>(i);
    return -1;
}

// ---------------------------------------------------------------------------------------------
// Variables

TscCustomVariable::TscCustomVariable(const QString& AName, TscVarType ATyp, const QString& ATypeName)
    : FName(AName), FTyp(ATyp), FTypeName(ATypeName), FUppercaseName(UpperCase(AName)) {}

void TscCustomVariable::SetValue(const Variant& Value) {
    if (!FIsReadOnly) ScStoreValue(FValue, Variant(Value));
}

Variant TscCustomVariable::GetValue() {
    return FValue;
}

void TscCustomVariable::EvalTo(TscEvalResult& R, bool AllowRef) {
    if (const Variant* p = PeekValue()) {
        if (AllowRef || p->VType() == varInteger)
            R.SetRef(p);
        else
            R.SetValue(Variant(*p));
        return;
    }
    R.SetValue(GetValue());
}

void TscCustomVariable::StoreIntSlow(long long v) {
    SetValue(v >= INT_MIN && v <= INT_MAX ? Variant(static_cast<int>(v)) : Variant(v));
}

TscParamItem* TscCustomVariable::GetParam(int Index) const {
    return static_cast<TscParamItem*>(Item(Index));
}

int TscCustomVariable::GetNumberOfRequiredParams() const {
    int n = 0;
    for (int i = 0; i < Count(); ++i)
        if (!GetParam(i)->IsOptional()) ++n;
    return n;
}

QString TscCustomVariable::GetFullTypeName() const {
    switch (FTyp) {
    case fvtInt:
        return QStringLiteral("Integer");
    case fvtBool:
        return QStringLiteral("Boolean");
    case fvtFloat:
        return QStringLiteral("Extended");
    case fvtChar:
        return QStringLiteral("Char");
    case fvtString:
        return QStringLiteral("String");
    case fvtClass:
    case fvtEnum:
        return FTypeName;
    case fvtArray:
        return QStringLiteral("Array");
    case fvtVariant:
    case fvtConstructor:
        return QStringLiteral("Variant");
    case fvtInt64:
        return QStringLiteral("Int64");
    }
    return QString();
}

void TscVariable::SetValue(const Variant& Value) {
    if (FIsReadOnly) return;
    switch (FTyp) {
    case fvtInt:
        ScStoreValue(FValue,
                     Variant(Value.VType() == varInteger ? static_cast<int>(Value.RawInt()) : Value.ToInt()));
        break;
    case fvtBool:
        ScStoreValue(FValue, Variant(Value.ToBool()));
        break;
    case fvtFloat:
        ScStoreValue(FValue, Variant(Value.ToDouble()));
        break;
    case fvtString:
        ScStoreValue(FValue, Variant(Value.ToString()));
        break;
    case fvtInt64:
        ScStoreValue(FValue, Variant(static_cast<long long>(Value.ToInt64())));
        break;
    default:
        ScStoreValue(FValue, Variant(Value));
    }
}

Variant TscVariable::GetValue() {
    if (FValueHook) {
        Variant v = FValueHook(FName, FTyp, FValue);
        if (!v.IsNull()) return v;
    }
    return FValue;
}

void TscStringVariable::SetValue(const Variant& Value) {
    FStr = Value.ToString();
}

Variant TscStringVariable::GetValue() {
    const Variant stored(FStr);
    if (FValueHook) {
        Variant v = FValueHook(FName, FTyp, stored);
        if (!v.IsNull()) return v;
    }
    return stored;
}

TscParamItem::TscParamItem(const QString& AName, TscVarType ATyp, const QString& ATypeName, bool AIsOptional,
                           bool AIsVarParam)
    : TscCustomVariable(AName, ATyp, ATypeName), FIsOptional(AIsOptional), FIsVarParam(AIsVarParam) {
    SetPeekable(true);
}

// ---------------------------------------------------------------------------------------------
// Script procedures

TscProcVariable::TscProcVariable(const QString& AName, TscVarType ATyp, const QString& ATypeName,
                                 TscScript* AParent, bool AIsFunc)
    : TscCustomVariable(AName, ATyp, ATypeName), FIsFunc(AIsFunc), FProgram(std::make_unique<TscScript>()) {
    FIsReadOnly = true;
    FProgram->SetParent(AParent);
    if (AParent) FProgram->SetUseClassLateBinding(AParent->UseClassLateBinding());
    if (AIsFunc) {
        auto result = std::make_unique<TscVariable>(QStringLiteral("Result"), ATyp, ATypeName);
        FRefItem = result.get();
        FProgram->Add(QStringLiteral("Result"), std::move(result));
    }
}

TscProcVariable::~TscProcVariable() {
    // The parameters are entered in the local scope too, but belong to this item.
    for (int i = 0; i < Count(); ++i) {
        TObject* p = Item(i);
        for (int j = 0; j < FProgram->Count(); ++j)
            if (FProgram->Items(j) == p) {
                FProgram->Remove(p).release();
                break;
            }
    }
    FProgram.reset();
}

void TscProcVariable::AddParam(std::unique_ptr<TscParamItem> Param) {
    TscParamItem* p = Param.get();
    Add(std::move(Param));
    FProgram->Add(p->Name(), std::unique_ptr<TObject>(p));
}

void TscProcVariable::CollectLocals() {
    FLocals.clear();
    for (int i = 0; i < FProgram->Count(); ++i) {
        TObject* o = FProgram->Items(i);
        if (auto* v = dynamic_cast<TscVariable*>(o))
            FLocals.push_back({v, dynamic_cast<TscStringVariable*>(v)});
        else if (auto* p = dynamic_cast<TscParamItem*>(o))
            FLocals.push_back({p, nullptr});
    }
    FQuickLocals = FLocals.size() <= QuickLocals &&
                   std::none_of(FLocals.begin(), FLocals.end(), [](const TLocal& l) { return l.Str != nullptr; });
    FLocalsVersion = FProgram->ItemsVersion();
}

// SaveLocals, RestoreLocals, Run and Call: sc_iinterpreter_designator.cpp, beside the call path.

// ---------------------------------------------------------------------------------------------
// Helpers

TObject* TscCustomHelper::Instance() const {
    return VariantToObject(FParentValue);
}

TscArrayHelper::TscArrayHelper(const QString& AName, int DimCount, TscVarType Typ, const QString& TypeName)
    : TscCustomHelper(AName, Typ, TypeName) {
    const int n = DimCount == -1 ? 3 : DimCount;
    for (int i = 0; i < n; ++i)
        Add(std::make_unique<TscParamItem>(QString(), fvtInt, QString(), DimCount == -1 && i > 0, false));
}

namespace {
bool ArrayIndices(TscCustomVariable* helper, const Variant& array, std::vector<int>& idx) {
    const int dims = VarIsArray(array) ? VarArrayDimCount(array) : 0;
    if (dims < 1 || dims > 3 || dims > helper->Count()) return false;
    for (int i = 0; i < dims; ++i)
        idx.push_back(helper->Params(i)->Value().ToInt());
    return true;
}
} // namespace

Variant TscArrayHelper::GetValue() {
    if (!FParentRef) return Variant::Null();
    const Variant& a = *FParentRef->PValue();
    std::vector<int> idx;
    if (!ArrayIndices(this, a, idx)) return Variant::Null();
    return VarArrayGet(a, idx);
}

void TscArrayHelper::SetValue(const Variant& Value) {
    if (!FParentRef) return;
    Variant& a = *FParentRef->PValue();
    std::vector<int> idx;
    if (!ArrayIndices(this, a, idx)) return;
    VarArrayPut(a, Value, idx);
}

TscStringHelper::TscStringHelper() : TscCustomHelper(QStringLiteral("__StringHelper"), fvtChar, QString()) {
    Add(std::make_unique<TscParamItem>(QString(), fvtInt, QString(), false, false));
}

namespace {
int CheckedCharIndex(const QString& s, const Variant& index) {
    const int i = index.ToInt();
    if (i < 1 || i > s.size()) throw ERangeError(QStringLiteral("String index out of range: %1").arg(i));
    return i;
}
QChar FirstChar(const Variant& value) {
    const QString t = value.ToString();
    if (t.isEmpty()) throw EConvertError(QStringLiteral("A character is required"));
    return t[0];
}
} // namespace

Variant TscStringHelper::GetValue() {
    const QString s = FParentValue.ToString();
    return Variant(QString(s[CheckedCharIndex(s, Params(0)->Value()) - 1]));
}

void TscStringHelper::SetValue(const Variant& Value) {
    QString s = FParentValue.ToString();
    const int i = CheckedCharIndex(s, Params(0)->Value());
    s[i - 1] = FirstChar(Value);
    if (FParentRef) FParentRef->SetValue(Variant(s));
}

TscPropertyHelper::TscPropertyHelper(const QString& AName, TscVarType ATyp, const QString& ATypeName)
    : TscCustomHelper(AName, ATyp, ATypeName) {}

const TPropInfo* TscPropertyHelper::PublishedProp(TObject* Instance, bool& Checked) {
    const std::int32_t handle =
        FParentValue.VType() == varInteger ? static_cast<std::int32_t>(FParentValue.RawInt()) : 0;
    Checked = handle != 0 && handle == FCacheHandle;
    if (Checked) return FCacheProp;
    FCacheHandle = 0;
    FCacheProp = GetPropInfo(Instance, FName);
    return FCacheProp;
}

Variant TscPropertyHelper::GetValue() {
    Variant v = Variant::Null();
    TObject* instance = Instance();
    if (FIsPublished) {
        bool checked = false;
        const TPropInfo* p = instance ? PublishedProp(instance, checked) : nullptr;
        if (p && checked && FTyp != fvtBool) {
            // The usual read of a checked ordinal property: the value made once, in place.
            const TTypeKind kind = p->Kind();
            if (kind == tkInteger || kind == tkEnumeration || kind == tkSet)
                return Variant(static_cast<int>(p->GetOrd(instance)));
        }
        if (p) {
            // Once a read through the checked accessors has passed for this object, its
            // later reads go straight to the accessor.
            switch (p->Kind()) {
            case tkInteger:
            case tkEnumeration:
            case tkSet:
                v = Variant(static_cast<int>(checked ? p->GetOrd(instance) : GetOrdProp(instance, p)));
                break;
            case tkInt64:
                v = Variant(
                    static_cast<long long>(checked ? p->GetOrd(instance) : GetInt64Prop(instance, p)));
                break;
            case tkClass:
            case tkComponent:
            case tkStrings:
                v = ObjectToVariant(checked ? p->GetObj(instance) : GetObjectProp(instance, p));
                break;
            case tkChar:
                v = Variant(QString(
                    QChar(static_cast<char16_t>(checked ? p->GetOrd(instance) : GetOrdProp(instance, p)))));
                break;
            case tkFloat:
                v = Variant(checked ? p->GetFloat(instance) : GetFloatProp(instance, p));
                break;
            case tkString:
                v = Variant(checked ? p->GetStr(instance) : GetStrProp(instance, p));
                break;
            case tkVariant:
                v = GetVariantProp(instance, p);
                break;
            default:
                break;
            }
            if (!checked && FParentValue.VType() == varInteger) {
                FCacheHandle = static_cast<std::int32_t>(FParentValue.RawInt());
                FCacheProp = p;
            }
        }
    } else if (OnGetValue) {
        v = OnGetValue(instance, FClassRef, FUppercaseName);
    } else if (OnGetValueNew) {
        v = OnGetValueNew(instance, FClassRef, FUppercaseName, this);
    }
    if (FTyp == fvtBool && !v.IsNull()) v = Variant(!(v == Variant(0)));
    return v;
}

namespace {

// A set property's value: its bits (fsBold + fsItalic), or a set literal ([fsBold, fsItalic]),
// an array of its members' bits; a range between two members ([fsBold..fsUnderline], stored as
// first, Null, last) takes every bit from the first's to the last's.
Int64 SetBits(const Variant& Value) {
    if (!VarIsArray(Value)) return Value.ToInt64();
    const int high = VarArrayHighBound(Value, 1);
    Int64 bits = 0;
    for (int i = 0; i <= high; ++i) {
        const Variant e = Value.GetElement(i);
        if (i + 2 <= high && Value.GetElement(i + 1).IsNull()) {
            const Int64 lo = e.ToInt64(), hi = Value.GetElement(i + 2).ToInt64();
            for (int b = 0; b < 63; ++b)
                if (const Int64 bit = Int64(1) << b; bit >= lo && bit <= hi) bits |= bit;
            i += 2;
        } else {
            bits |= e.ToInt64();
        }
    }
    return bits;
}

} // namespace

void TscPropertyHelper::SetValue(const Variant& Value) {
    if (FIsReadOnly) return;
    TObject* instance = Instance();
    if (FIsPublished) {
        if (!instance)
            throw EInvalidPointer(QStringLiteral("Cannot set property %1 of a nil object").arg(FName));
        bool checked = false;
        const TPropInfo* p = PublishedProp(instance, checked);
        if (!p) return;
        switch (p->Kind()) {
        case tkInteger:
        case tkEnumeration:
            // Any true value sets a Boolean property, 1 included.
            SetOrdProp(instance, p, FTyp == fvtBool ? (Value.ToBool() ? 1 : 0) : Value.ToInt64());
            break;
        case tkSet:
            SetOrdProp(instance, p, SetBits(Value));
            break;
        case tkInt64:
            SetInt64Prop(instance, p, Value.ToInt64());
            break;
        case tkClass:
        case tkComponent:
        case tkStrings:
            SetObjectProp(instance, p, VariantToObject(Value));
            break;
        case tkChar:
            SetOrdProp(instance, p, FirstChar(Value).unicode());
            break;
        case tkFloat:
            SetFloatProp(instance, p, Value.ToDouble());
            break;
        case tkString:
            SetStrProp(instance, p, Value.ToString());
            break;
        case tkVariant:
            SetVariantProp(instance, p, Value);
            break;
        default:
            break;
        }
    } else if (OnSetValue) {
        OnSetValue(instance, FClassRef, FUppercaseName, Value);
    } else if (OnSetValueNew) {
        OnSetValueNew(instance, FClassRef, FUppercaseName, Value, this);
    }
}

TscMethodHelper::TscMethodHelper(const QString& Syntax, TscScript* Script)
    : TscCustomHelper(QString(), fvtInt, QString()), FSyntax(Syntax) {
    std::unique_ptr<TscCustomVariable> decl = ParseDeclarationText(Syntax, Script);
    FName = decl->Name();
    FUppercaseName = UpperCase(FName);
    FTyp = decl->Typ();
    FTypeName = decl->TypeName();
    FIsMacro = decl->IsMacro();
    FIsReadOnly = true;
    while (decl->Count() > 0)
        Add(decl->Remove(decl->Item(0)));
    if (Count() > 0) FVarArray = VarArrayCreate({0, Count() - 1}, varVariant);
}

TscMethodHelper::~TscMethodHelper() {
    FVarArray = Variant();
}

TObject* TscMethodHelper::CallInstance() const {
    if (FParentValue.IsNull() || FParentValue.IsEmpty()) return nullptr;
    return VariantToObject(FParentValue);
}

const TClassInfo* TscMethodHelper::CallClass() const {
    // A constructor is told which class to make, which may descend from the registering one.
    if (FTyp == fvtConstructor)
        if (auto* cls = dynamic_cast<TscClassVariable*>(FParentRef)) return cls->ClassRef();
    return FClassRef;
}

Variant TscMethodHelper::GetValue() {
    const QString name = FIndexMethod ? FUppercaseName + QStringLiteral(".GET") : FUppercaseName;
    if (OnCall) {
        TObject* instance = CallInstance();
        for (int i = 0; i < Count(); ++i)
            FVarArray.SetElement(i, Params(i)->Value());
        Variant result = OnCall(instance, CallClass(), name, FVarArray);
        for (int i = 0; i < Count(); ++i)
            if (Params(i)->IsVarParam() && VarIsArray(FVarArray) && i <= VarArrayHighBound(FVarArray, 1))
                Params(i)->SetValue(FVarArray.GetElement(i));
        return result;
    }
    if (OnCallNew) return OnCallNew(CallInstance(), CallClass(), name, this);
    return Variant(0);
}

void TscMethodHelper::SetValue(const Variant& Value) {
    if (!FIndexMethod) return;
    const QString name = FUppercaseName + QStringLiteral(".SET");
    TObject* instance = Instance();
    if (OnCall) {
        Variant args = VarArrayCreate({0, Count()}, varVariant);
        for (int i = 0; i < Count(); ++i)
            args.SetElement(i, Params(i)->Value());
        args.SetElement(Count(), Value);
        OnCall(instance, FClassRef, name, args);
    } else if (OnCallNew) {
        FSetValue = Value;
        TFinally reset{[this] { FSetValue = Variant::Null(); }};
        OnCallNew(instance, FClassRef, name, this);
    }
}

Variant TscMethodHelper::GetVParam(int Index) const {
    if (Index == Count()) return FSetValue;
    return Params(Index)->Value();
}

void TscMethodHelper::SetVParam(int Index, const Variant& Value) {
    Params(Index)->SetValue(Value);
}

TscComponentHelper::TscComponentHelper(TComponent* Component)
    : TscCustomHelper(Component->Name(), fvtClass, Component->ClassName()), FComponent(Component) {
    FValue = ObjectToVariant(Component);
}

// The handle taken at registration: a component freed since then raises instead of being reached.
Variant TscComponentHelper::GetValue() {
    VariantToObject(FValue);
    return FValue;
}

TscEventHelper::TscEventHelper(const QString& Name, TscEventClass AEvent)
    : TscCustomHelper(Name, fvtString, QString()), FEvent(AEvent) {}

Variant TscEventHelper::GetValue() {
    return Variant(QString());
}

void TscEventHelper::SetValue(const Variant& Value) {
    TObject* instance = Instance();
    if (!instance) throw EInvalidPointer(QStringLiteral("Cannot set event %1 of a nil object").arg(FName));
    const TPropInfo* prop = GetPropInfo(instance, FName);
    if (!prop || prop->Kind() != tkMethod)
        throw EPropertyError(QStringLiteral("Property %1 does not exist").arg(FName));
    // The bridge of an earlier binding is released, so rebinding does not pile bridges up.
    // Bridges live in the scope that bound them, so the whole script is searched.
    std::function<void(TscScript*)> releaseIn = [&](TscScript* s) {
        for (int i = s->Count() - 1; i >= 0; --i) {
            TObject* o = s->Items(i);
            if (auto* p = dynamic_cast<TscProcVariable*>(o)) {
                releaseIn(p->Prog());
                continue;
            }
            auto* b = dynamic_cast<TscCustomEvent*>(o);
            if (b && b->Instance() == instance && SameText(b->EventName(), FName)) s->Remove(b).reset();
        }
    };
    auto release = [&] {
        if (!FProgram) return;
        TscScript* root = FProgram;
        while (root->Parent())
            root = root->Parent();
        releaseIn(root);
    };
    if (VarToStr(Value) == QLatin1String("0")) {
        SetMethodProp(instance, prop, std::any());
        release();
        return;
    }
    TscCustomVariable* item = FProgram ? FProgram->Find(VarToStr(Value)) : nullptr;
    auto* proc = dynamic_cast<TscProcVariable*>(item);
    if (!proc || !FEvent) throw Exception(SEventError);
    std::unique_ptr<TscCustomEvent> bridge = FEvent(instance, proc);
    bridge->SetEventName(FName);
    release();
    std::any method = bridge->GetMethod();
    FProgram->Add(QString(), std::move(bridge));
    SetMethodProp(instance, prop, method);
}

void TscCustomEvent::RunHandler(std::initializer_list<Variant> Args) {
    if (FHandler->Executing()) return;
    const Variant* a = Args.begin();
    for (int i = 0; i < FHandler->Count(); ++i) {
        TscParamItem* p = FHandler->Params(i);
        p->SetValue(i < static_cast<int>(Args.size()) ? a[i] : p->DefValue());
    }
    FHandler->GetValue();
}

Variant TscCustomEvent::ParamValue(int Index) const {
    if (Index < 0 || Index >= FHandler->Count()) return Variant::Null();
    return FHandler->Params(Index)->Value();
}

// ---------------------------------------------------------------------------------------------
// Host classes

TscClassVariable::TscClassVariable(const TClassInfo* AClass, const QString& Ancestor)
    : TscCustomVariable(AClass->ClassName(), fvtClass, AClass->ClassName()), FAncestor(Ancestor),
      FClassRef(AClass) {
    Add(std::make_unique<TscParamItem>(QString(), fvtVariant, QString(), true, false));
    std::vector<const TPropInfo*> props;
    for (const TPropInfo* p : AClass->Props())
        if (p->Kind() != tkMethod) props.push_back(p);
    std::stable_sort(props.begin(), props.end(), [](const TPropInfo* a, const TPropInfo* b) {
        return CompareText(a->Name(), b->Name()) < 0;
    });
    for (const TPropInfo* p : props) {
        TscVarType t = fvtInt;
        QString typeName;
        switch (p->Kind()) {
        case tkChar:
            t = fvtChar;
            break;
        case tkEnumeration:
            typeName = p->TypeName();
            t = SameText(typeName, QStringLiteral("Boolean")) || SameText(typeName, QStringLiteral("bool"))
                    ? fvtBool
                    : fvtEnum;
            break;
        case tkFloat:
            t = fvtFloat;
            break;
        case tkString:
            t = fvtString;
            break;
        case tkSet:
            t = fvtEnum;
            typeName = p->TypeName();
            break;
        case tkClass:
        case tkComponent:
        case tkStrings:
            t = fvtClass;
            typeName = p->PropClass() ? p->PropClass()->ClassName() : p->TypeName();
            break;
        case tkVariant:
            t = fvtVariant;
            break;
        case tkInt64:
            t = fvtInt64;
            break;
        default:
            t = fvtInt;
        }
        auto h = std::make_unique<TscPropertyHelper>(p->Name(), t, typeName);
        h->SetIsPublished(true);
        h->SetClassRef(AClass);
        h->SetIsReadOnly(!p->IsWritable());
        FMembers.Add(std::move(h));
    }
}

Variant TscClassVariable::GetValue() {
    TscParamItem* p = Params(0);
    Variant v = p->Value();
    p->SetValue(Variant::Null());
    // Without an argument the class stands for no object yet: only a constructor makes one.
    if (v.IsNull()) return Variant(0);
    return v;
}

// A member registered again under the same name (a child script's modules reaching a class its
// parent knows) could never be found, since Find takes the first; the first one is handed back.
template <class H> H* TscClassVariable::OwnMember(const QString& Name) const {
    for (int i = 0; i < MembersCount(); ++i)
        if (SameText(Members(i)->Name(), Name)) return dynamic_cast<H*>(Members(i));
    return nullptr;
}

TscMethodHelper* TscClassVariable::NewMethod(const QString& Syntax, bool& Existing) {
    auto m = std::make_unique<TscMethodHelper>(Syntax, FProgram);
    if (TscMethodHelper* old = OwnMember<TscMethodHelper>(m->Name())) {
        Existing = true;
        return old;
    }
    Existing = false;
    m->SetClassRef(FClassRef);
    TscMethodHelper* r = m.get();
    FMembers.Add(std::move(m));
    return r;
}

TscMethodHelper* TscClassVariable::AddMethod(const QString& Syntax, TscCallMethodEvent CallEvent) {
    bool existing = false;
    TscMethodHelper* m = NewMethod(Syntax, existing);
    if (!existing) m->OnCall = std::move(CallEvent);
    return m;
}

TscMethodHelper* TscClassVariable::AddMethod(const QString& Syntax, TscCallMethodNewEvent CallEvent) {
    bool existing = false;
    TscMethodHelper* m = NewMethod(Syntax, existing);
    if (!existing) m->OnCallNew = std::move(CallEvent);
    return m;
}

namespace {
QString ConstructorSyntax(const QString& Syntax) {
    const QString t = Syntax.trimmed();
    const int blank = t.indexOf(' ');
    return QStringLiteral("function ") + (blank >= 0 ? t.mid(blank + 1).trimmed() : t) +
           QStringLiteral(": Constructor");
}
} // namespace

TscMethodHelper* TscClassVariable::AddConstructor(const QString& Syntax, TscCallMethodEvent CallEvent) {
    TscMethodHelper* m = AddMethod(ConstructorSyntax(Syntax), std::move(CallEvent));
    m->SetTyp(fvtConstructor);
    return m;
}

TscMethodHelper* TscClassVariable::AddConstructor(const QString& Syntax, TscCallMethodNewEvent CallEvent) {
    TscMethodHelper* m = AddMethod(ConstructorSyntax(Syntax), std::move(CallEvent));
    m->SetTyp(fvtConstructor);
    return m;
}

TscPropertyHelper* TscClassVariable::AddProperty(const QString& Name, const QString& Typ,
                                                 TscGetValueEvent GetEvent, TscSetValueEvent SetEvent) {
    if (auto* old = OwnMember<TscPropertyHelper>(Name)) return old;
    auto h = std::make_unique<TscPropertyHelper>(Name, LookupVarType(Typ, FProgram), Typ);
    h->SetClassRef(FClassRef);
    h->SetIsReadOnly(!SetEvent);
    h->OnGetValue = std::move(GetEvent);
    h->OnSetValue = std::move(SetEvent);
    TscPropertyHelper* r = h.get();
    FMembers.Add(std::move(h));
    return r;
}

TscPropertyHelper* TscClassVariable::AddPropertyEx(const QString& Name, const QString& Typ,
                                                   TscGetValueNewEvent GetEvent,
                                                   TscSetValueNewEvent SetEvent) {
    if (auto* old = OwnMember<TscPropertyHelper>(Name)) return old;
    auto h = std::make_unique<TscPropertyHelper>(Name, LookupVarType(Typ, FProgram), Typ);
    h->SetClassRef(FClassRef);
    h->SetIsReadOnly(!SetEvent);
    h->OnGetValueNew = std::move(GetEvent);
    h->OnSetValueNew = std::move(SetEvent);
    TscPropertyHelper* r = h.get();
    FMembers.Add(std::move(h));
    return r;
}

QString TscClassVariable::IndexSyntax(const QString& Name, const QString& Params, const QString& Typ) {
    QStringList parts;
    if (!Params.trimmed().isEmpty()) {
        const QStringList types = Params.split(',');
        for (int i = 0; i < types.size(); ++i)
            parts << QStringLiteral("p%1: %2").arg(i).arg(types[i].trimmed());
    }
    return QStringLiteral("function ") + Name + '(' + parts.join(QStringLiteral("; ")) +
           QStringLiteral("): ") + Typ;
}

TscMethodHelper* TscClassVariable::AddIndexProperty(const QString& Name, const QString& Params,
                                                    const QString& Typ, TscCallMethodEvent CallEvent,
                                                    bool AReadOnly) {
    TscMethodHelper* m = AddMethod(IndexSyntax(Name, Params, Typ), std::move(CallEvent));
    m->SetIsReadOnly(AReadOnly);
    m->SetIndexMethod(true);
    return m;
}

TscMethodHelper* TscClassVariable::AddIndexProperty(const QString& Name, const QString& Params,
                                                    const QString& Typ, TscCallMethodNewEvent CallEvent,
                                                    bool AReadOnly) {
    TscMethodHelper* m = AddMethod(IndexSyntax(Name, Params, Typ), std::move(CallEvent));
    m->SetIsReadOnly(AReadOnly);
    m->SetIndexMethod(true);
    return m;
}

TscMethodHelper* TscClassVariable::AddDefaultProperty(const QString& Name, const QString& Params,
                                                      const QString& Typ, TscCallMethodEvent CallEvent,
                                                      bool AReadOnly) {
    TscMethodHelper* m = AddIndexProperty(Name, Params, Typ, std::move(CallEvent), AReadOnly);
    FDefProperty = m;
    return m;
}

TscMethodHelper* TscClassVariable::AddDefaultProperty(const QString& Name, const QString& Params,
                                                      const QString& Typ, TscCallMethodNewEvent CallEvent,
                                                      bool AReadOnly) {
    TscMethodHelper* m = AddIndexProperty(Name, Params, Typ, std::move(CallEvent), AReadOnly);
    FDefProperty = m;
    return m;
}

TscEventHelper* TscClassVariable::AddEvent(const QString& Name, TscEventClass AEvent) {
    if (auto* old = OwnMember<TscEventHelper>(Name)) return old;
    auto h = std::make_unique<TscEventHelper>(Name, AEvent);
    h->SetClassRef(FClassRef);
    TscEventHelper* r = h.get();
    FMembers.Add(std::move(h));
    return r;
}

TscComponentHelper* TscClassVariable::AddComponent(TComponent* Component) {
    auto h = std::make_unique<TscComponentHelper>(Component);
    TscComponentHelper* r = h.get();
    FMembers.Add(std::move(h));
    return r;
}

TscCustomHelper* TscClassVariable::Members(int Index) const {
    return static_cast<TscCustomHelper*>(FMembers.Item(Index));
}

TscCustomHelper* TscClassVariable::Find(const QString& Name) const {
    const TscClassVariable* c = this;
    // The depth bound guards against ancestor names that lead back into the chain.
    for (int depth = 0; c && depth < 256; ++depth) {
        for (int i = 0; i < c->MembersCount(); ++i)
            if (SameText(c->Members(i)->Name(), Name)) return c->Members(i);
        if (!c->FProgram || c->FAncestor.isEmpty()) return nullptr;
        const TscClassVariable* next = c->FProgram->FindClass(c->FAncestor);
        if (next == c) return nullptr;
        c = next;
    }
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// RTTI modules and the program builder hook

std::vector<TscRTTIModuleClass>* RTTIModuleList() {
    // The system functions come first, so every later module finds the basic types.
    static std::vector<TscRTTIModuleClass> list{&TscSysFunctions::Make};
    return &list;
}

void RegisterRTTIModule(TscRTTIModuleClass AClass) {
    RTTIModuleList()->push_back(AClass);
}

void UnregisterRTTIModule(TscRTTIModuleClass AClass) {
    auto* l = RTTIModuleList();
    l->erase(std::remove(l->begin(), l->end(), AClass), l->end());
}

TscProgramBuilder& ScriptProgramBuilder() {
    static TscProgramBuilder builder = [] {
        TscProgramBuilder b;
        InstallProgramBuilder(b);
        return b;
    }();
    return builder;
}
