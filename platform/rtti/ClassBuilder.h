#pragma once
// The declaration builder behind KORVEL_CLASS_INFO; included at the end of TypInfo.h.

#include <array>
#include <bit>
#include <concepts>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>

namespace TypInfoDetail {

// Only a class that declares KORVEL_CLASS itself; an inherited StaticClassInfo would name the
// ancestor.
template <class T>
concept HasStaticClassInfo = requires {
    typename T::KorvelSelf;
}
&&std::is_same_v<typename T::KorvelSelf, T>;

template <class T> const TClassInfo* ClassInfoFor() {
    if constexpr (std::is_same_v<T, TObject>)
        return TObjectClassInfo();
    else if constexpr (HasStaticClassInfo<T>)
        return T::StaticClassInfo();
    else
        return FindClassInfoByType(typeid(T));
}

template <class T> struct IsTSet : std::false_type {};
template <class E, std::size_t N> struct IsTSet<TSet<E, N>> : std::true_type {};

[[noreturn]] void RangeCheckError();
[[noreturn]] void InvalidCastError();
[[noreturn]] void BadDeclaration(const QString& cls, const QString& prop, const char* what);
TClassInfo* NewClassInfo(const QString& name, const TClassInfo* parent);

} // namespace TypInfoDetail

template <class C> class TClassBuilder {
public:
    using Describe = void (*)(TClassBuilder<C>&);

    static const TClassInfo* Build(const QString& name, const TClassInfo* parent, Describe describe) {
        TClassInfo* info = TypInfoDetail::NewClassInfo(name, parent);
        if constexpr (!std::is_abstract_v<C>) {
            if constexpr (std::is_constructible_v<C, TComponent*>)
                info->FFactory = [](TComponent* owner) -> TObject* { return new C(owner); };
            else if constexpr (std::is_default_constructible_v<C>)
                info->FFactory = [](TComponent*) -> TObject* { return new C(); };
        }
        TClassBuilder<C> b(info);
        describe(b);
        b.Flush();
        return info;
    }

    // A property read by get and written by set (member functions or callables taking the
    // instance); its kind follows the getter's type.
    template <class G, class S> TClassBuilder& Prop(const char* name, G get, S set) {
        AddAccessors<G, S>(name, get, set);
        return *this;
    }
    // A read-only property.
    template <class G> TClassBuilder& Prop(const char* name, G get) {
        AddAccessors<G, int>(name, get, 0);
        return *this;
    }
    // A host event held in a public std::function member.
    template <class F, class K> TClassBuilder& Event(const char* name, F K::*field, const char* typeName) {
        using Field = F K::*;
        Flush();
        auto p = std::make_unique<TPropInfo>();
        p->FName = QString::fromUtf8(name);
        p->FKind = tkMethod;
        p->FType = TTypeInfo::Named(tkMethod, QString::fromUtf8(typeName));
        p->GetMethod.Set(&EventGet<Field, F>, field);
        p->SetMethod.Set(&EventSet<Field, F>, field);
        p->MethodAssigned.Set(&EventAssigned<Field>, field);
        FPending = std::move(p);
        return *this;
    }

    // Modifiers of the property declared last.
    TClassBuilder& Type(const char* typeName) {
        Last()->FType = TTypeInfo::Named(
            Last()->FKind == tkComponent || Last()->FKind == tkStrings ? tkClass : Last()->FKind,
            QString::fromUtf8(typeName));
        return *this;
    }
    template <class T> TClassBuilder& Default(const T& v) {
        TPropInfo* p = Last();
        Variant d;
        if constexpr (std::is_enum_v<T>)
            d = Variant(static_cast<long long>(v));
        else if constexpr (TypInfoDetail::IsTSet<T>::value)
            d = Variant(static_cast<long long>(v.ToInt()));
        else if constexpr (std::is_same_v<T, bool>)
            d = Variant(static_cast<long long>(v ? 1 : 0));
        else if constexpr (std::is_same_v<T, QChar> || std::is_same_v<T, QLatin1Char>)
            d = Variant(static_cast<long long>(QChar(v).unicode()));
        else if constexpr (std::is_integral_v<T>)
            d = Variant(static_cast<long long>(v));
        else if constexpr (std::is_floating_point_v<T>)
            d = Variant(static_cast<double>(v));
        else
            d = Variant(QString(v));
        switch (p->FKind) {
        case tkInteger:
        case tkChar:
        case tkEnumeration:
        case tkSet:
        case tkInt64:
            if (d.VType() != varInt64)
                TypInfoDetail::BadDeclaration(FInfo->FName, p->FName, "ordinal default expected");
            break;
        case tkFloat:
            if (d.VType() == varInt64) d = Variant(d.ToDouble());
            if (d.VType() != varDouble)
                TypInfoDetail::BadDeclaration(FInfo->FName, p->FName, "numeric default expected");
            break;
        case tkString:
            if (!d.IsText()) TypInfoDetail::BadDeclaration(FInfo->FName, p->FName, "text default expected");
            break;
        default:
            TypInfoDetail::BadDeclaration(FInfo->FName, p->FName, "no default for this kind");
        }
        p->FHasDefault = true;
        p->FDefault = d;
        return *this;
    }
    TClassBuilder& Stored(bool stored) {
        Last()->FStored = stored;
        Last()->FStoredFn.Clear();
        return *this;
    }
    template <class K> TClassBuilder& Stored(bool (K::*fn)() const) {
        using Fn = bool (K::*)() const;
        Last()->FStoredFn.Set(&StoredCall<Fn>, fn);
        return *this;
    }

    // Replaces the default factory (new C(owner) or new C()); nullptr makes the class abstract.
    TClassBuilder& Factory(TObjectFactory factory) {
        FInfo->FFactory = std::move(factory);
        return *this;
    }

private:
    explicit TClassBuilder(TClassInfo* info) : FInfo(info) {}

    TPropInfo* Last() {
        if (!FPending) TypInfoDetail::BadDeclaration(FInfo->FName, QString(), "modifier before any property");
        return FPending.get();
    }
    void Flush() {
        if (FPending) FInfo->AddProp(std::move(FPending));
    }

    // Thunks: one small function per accessor and value type, reading the member pointer or
    // lambda back out of the thunk's payload.
    template <class T> static T Load(const unsigned char* payload) {
        std::array<unsigned char, sizeof(T)> bytes;
        std::memcpy(bytes.data(), payload, sizeof(T));
        return std::bit_cast<T>(bytes);
    }
    static const C& Self(const TObject* o) { return *static_cast<const C*>(o); }
    static C& Mut(TObject* o) { return *static_cast<C*>(o); }

    template <class G, class R> static Int64 OrdGet(const unsigned char* g, const TObject* o) {
        const R v = std::invoke(Load<G>(g), Self(o));
        if constexpr (TypInfoDetail::IsTSet<R>::value)
            return static_cast<Int64>(v.ToInt());
        else if constexpr (std::is_same_v<R, QChar>)
            return v.unicode();
        else
            return static_cast<Int64>(v);
    }
    template <class S, class R> static void OrdSet(const unsigned char* s, TObject* o, Int64 v) {
        if constexpr (std::is_same_v<R, bool>)
            std::invoke(Load<S>(s), Mut(o), v != 0);
        else if constexpr (TypInfoDetail::IsTSet<R>::value)
            std::invoke(Load<S>(s), Mut(o), R::FromInt(static_cast<unsigned long long>(v)));
        else if constexpr (std::is_same_v<R, QChar>)
            std::invoke(Load<S>(s), Mut(o), QChar(static_cast<char16_t>(v)));
        else
            std::invoke(Load<S>(s), Mut(o), static_cast<R>(v));
    }
    template <class G, class V> static V ValueGet(const unsigned char* g, const TObject* o) {
        return static_cast<V>(std::invoke(Load<G>(g), Self(o)));
    }
    template <class S, class R, class V> static void ValueSet(const unsigned char* s, TObject* o, V v) {
        std::invoke(Load<S>(s), Mut(o), static_cast<R>(v));
    }
    template <class G, class P> static TObject* ObjGet(const unsigned char* g, const TObject* o) {
        return const_cast<P*>(static_cast<const P*>(std::invoke(Load<G>(g), Self(o))));
    }
    template <class S, class P> static void ObjSet(const unsigned char* s, TObject* o, TObject* v) {
        P* typed = nullptr;
        if (v) {
            typed = dynamic_cast<P*>(v);
            if (!typed) TypInfoDetail::InvalidCastError();
        }
        std::invoke(Load<S>(s), Mut(o), typed);
    }
    template <class Field, class F> static std::any EventGet(const unsigned char* f, const TObject* o) {
        return std::any(Self(o).*Load<Field>(f));
    }
    template <class Field, class F>
    static void EventSet(const unsigned char* f, TObject* o, const std::any& v) {
        if (!v.has_value()) {
            Mut(o).*Load<Field>(f) = F();
            return;
        }
        const F* fn = std::any_cast<F>(&v);
        if (!fn) TypInfoDetail::InvalidCastError();
        Mut(o).*Load<Field>(f) = *fn;
    }
    template <class Field> static bool EventAssigned(const unsigned char* f, const TObject* o) {
        return bool(Self(o).*Load<Field>(f));
    }
    template <class Fn> static bool StoredCall(const unsigned char* f, const TObject* o) {
        return (Self(o).*Load<Fn>(f))();
    }

    // S is int for a read-only property.
    template <class G, class S> void AddAccessors(const char* name, G get, S set) {
        using R = std::remove_cvref_t<std::invoke_result_t<G, const C&>>;
        constexpr bool writable = !std::is_same_v<S, int>;
        Flush();
        auto p = std::make_unique<TPropInfo>();
        p->FName = QString::fromUtf8(name);
        if constexpr (std::is_same_v<R, bool> || std::is_enum_v<R> || TypInfoDetail::IsTSet<R>::value ||
                      std::is_same_v<R, QChar> || std::is_integral_v<R>) {
            if constexpr (std::is_same_v<R, bool>) {
                p->FKind = tkEnumeration;
                p->FType = TTypeInfo::Boolean();
            } else if constexpr (std::is_enum_v<R>) {
                p->FKind = tkEnumeration;
                p->FType = TypeInfoOf(static_cast<R*>(nullptr));
                p->FMinOrd = p->FType->MinValue();
                p->FMaxOrd = p->FType->MaxValue();
            } else if constexpr (TypInfoDetail::IsTSet<R>::value) {
                p->FKind = tkSet;
                p->FType = TypeInfoOf(static_cast<R*>(nullptr));
                const int members = p->FType->CompType() ? p->FType->CompType()->MaxValue() + 1 : 64;
                p->FMinOrd = 0;
                if (members < 63) p->FMaxOrd = (Int64(1) << members) - 1;
            } else if constexpr (std::is_same_v<R, QChar>) {
                p->FKind = tkChar;
                p->FType = TTypeInfo::Named(tkChar, QStringLiteral("Char"));
                p->FMinOrd = 0;
                p->FMaxOrd = 0xFFFF;
            } else if constexpr (sizeof(R) == 8) {
                p->FKind = tkInt64;
                p->FType = TTypeInfo::Named(tkInt64, QStringLiteral("Int64"));
            } else {
                p->FKind = tkInteger;
                p->FType = TTypeInfo::Named(tkInteger, QStringLiteral("Integer"));
                p->FMinOrd = static_cast<Int64>(std::numeric_limits<R>::min());
                p->FMaxOrd = static_cast<Int64>(std::numeric_limits<R>::max());
            }
            p->GetOrd.Set(&OrdGet<G, R>, get);
            if constexpr (writable) p->SetOrd.Set(&OrdSet<S, R>, set);
        } else if constexpr (std::is_floating_point_v<R>) {
            p->FKind = tkFloat;
            p->FType = TTypeInfo::Named(tkFloat, QStringLiteral("Double"));
            p->GetFloat.Set(&ValueGet<G, double>, get);
            if constexpr (writable) p->SetFloat.Set(&ValueSet<S, R, double>, set);
        } else if constexpr (std::is_same_v<R, QString>) {
            p->FKind = tkString;
            p->FType = TTypeInfo::Named(tkString, QStringLiteral("String"));
            p->GetStr.Set(&ValueGet<G, QString>, get);
            if constexpr (writable) p->SetStr.Set(&ValueSet<S, const QString&, const QString&>, set);
        } else if constexpr (std::is_same_v<R, Variant>) {
            p->FKind = tkVariant;
            p->FType = TTypeInfo::Named(tkVariant, QStringLiteral("Variant"));
            p->GetVar.Set(&ValueGet<G, Variant>, get);
            if constexpr (writable) p->SetVar.Set(&ValueSet<S, const Variant&, const Variant&>, set);
        } else if constexpr (std::is_pointer_v<R>) {
            using P = std::remove_cv_t<std::remove_pointer_t<R>>;
            static_assert(std::is_base_of_v<TObject, P>, "object properties hold TObject descendants");
            if constexpr (std::is_base_of_v<TStrings, P>)
                p->FKind = tkStrings;
            else if constexpr (std::is_base_of_v<TComponent, P>)
                p->FKind = tkComponent;
            else
                p->FKind = tkClass;
            p->FClassGetter = &TypInfoDetail::ClassInfoFor<P>;
            p->GetObj.Set(&ObjGet<G, P>, get);
            if constexpr (writable) p->SetObj.Set(&ObjSet<S, P>, set);
        } else {
            static_assert(sizeof(R) == 0, "unsupported property type");
        }
        FPending = std::move(p);
    }

    TClassInfo* FInfo;
    std::unique_ptr<TPropInfo> FPending;
};

// In the class body: declares the class's record and makes ClassInfo() return it. Leaves the
// access at private.
#define KORVEL_CLASS(Class, Parent)                                                                          \
public:                                                                                                      \
    using inherited = Parent;                                                                                \
    using KorvelSelf = Class;                                                                                \
    static const TClassInfo* StaticClassInfo();                                                              \
    const TClassInfo* ClassInfo() const override {                                                           \
        return StaticClassInfo();                                                                            \
    }                                                                                                        \
                                                                                                             \
private:

// In the class's source: defines the record; the block that follows declares the properties
// through the builder "b".
#define KORVEL_CLASS_INFO(Class)                                                                             \
    static void KorvelDescribe_##Class(TClassBuilder<Class>& b);                                             \
    const TClassInfo* Class::StaticClassInfo() {                                                             \
        static const TClassInfo* info = TClassBuilder<Class>::Build(                                         \
            QStringLiteral(#Class), Class::inherited::StaticClassInfo(), &KorvelDescribe_##Class);           \
        return info;                                                                                         \
    }                                                                                                        \
    static void KorvelDescribe_##Class([[maybe_unused]] TClassBuilder<Class>& b)
