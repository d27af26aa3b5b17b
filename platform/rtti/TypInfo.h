#pragma once
// Class and property tables. Each class declares its published properties once, in its own
// source, with a small builder; the serializer, the script engine and the object inspector all
// read that one declaration:
//
//   class TFoo : public TComponent {
//       KORVEL_CLASS(TFoo, TComponent)
//   public:
//       explicit TFoo(TComponent* owner = nullptr);
//       ...
//   };
//
//   KORVEL_CLASS_INFO(TFoo) {   // in TFoo.cpp; "b" is a TClassBuilder<TFoo>
//       b.Prop("Left", &TFoo::Left, &TFoo::SetLeft).Default(0);
//       b.Prop("Color", &TFoo::Color, &TFoo::SetColor).Type("TColor").Default(clWhite);
//       b.Prop("Font", &TFoo::Font, &TFoo::SetFont).Stored(&TFoo::IsFontStored);
//       b.Event("OnClick", &TFoo::OnClick, "TNotifyEvent");
//   }
//
// Properties are listed base class first, each class in declaration order; a class that names
// an inherited property again replaces it in its first place. Names compare without regard to
// case (ASCII only, never by locale).

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Set.h"
#include "platform/rtl/Types.h"
#include "platform/rtl/Variant.h"
#include "platform/rtti/NameIndex.h"

#include <QString>
#include <QStringView>

#include <any>
#include <atomic>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <limits>
#include <memory>
#include <type_traits>
#include <typeindex>
#include <typeinfo>
#include <vector>

class TComponent;
class TStrings;
class TClassInfo;

enum TTypeKind {
    tkUnknown,
    tkInteger,
    tkChar,
    tkEnumeration, // Boolean included
    tkFloat,
    tkString,
    tkSet,
    tkClass,  // an owned sub-object (font, frame, collection ...)
    tkMethod, // a host event (std::function); never streamed
    tkVariant,
    tkInt64,
    tkComponent, // a reference to a component owned elsewhere; cleared when it is freed
    tkStrings,   // an owned string list, streamed as its text
};

// A type as properties see it. Named types are interned: one TTypeInfo per (kind, name), so
// "TColor" and "Integer" are different types of the same kind, which is what the property
// editor registry keys on. Classes have one each (TClassInfo::TypeInfo()).
class TTypeInfo {
public:
    TTypeKind Kind() const { return FKind; }
    const QString& Name() const { return FName; }

    // Enumerations: ordinals MinValue..MaxValue with one name each.
    int MinValue() const { return FMinValue; }
    int MaxValue() const { return FMaxValue; }
    const std::vector<QString>& EnumNames() const { return FNames; }
    // Sets: the enumeration of the members.
    const TTypeInfo* CompType() const { return FCompType; }
    // Classes.
    const TClassInfo* ClassType() const { return FClassType; }

    static const TTypeInfo* Named(TTypeKind kind, const QString& name);
    // Registers (once) an enumeration whose members are the comma-separated names, ordinals from 0.
    static const TTypeInfo* Enumeration(const QString& name, const QString& commaNames);
    static const TTypeInfo* SetOf(const QString& name, const TTypeInfo* compType);
    static const TTypeInfo* Boolean();

private:
    friend class TClassInfo;
    friend struct TTypeInfoStore;
    TTypeKind FKind = tkUnknown;
    QString FName;
    int FMinValue = 0, FMaxValue = -1;
    std::vector<QString> FNames;
    const TTypeInfo* FCompType = nullptr;
    const TClassInfo* FClassType = nullptr;
};

// The member name of an ordinal, or an empty text when there is none.
QString GetEnumName(const TTypeInfo* type, int value);
// The ordinal of a member name (any case), or -1. "True"/"False" for Boolean.
int GetEnumValue(const TTypeInfo* type, const QString& name);
// "fsBold,fsItalic" (with brackets: "[fsBold,fsItalic]") of the set bits of value.
QString SetToString(const TTypeInfo* setType, Int64 value, bool brackets = false);
// Reads names separated by commas, brackets and blanks optional; an unknown name raises
// EPropertyConvertError "Invalid property element: X".
Int64 StringToSet(const TTypeInfo* setType, const QString& text);

// Declares the type information of an enumeration or of a set of one, next to the enum:
//   enum TAlign { alNone, alTop };  KORVEL_ENUM(TAlign, "alNone,alTop")
//   KORVEL_SET(TAnchors, TAnchorKind)  -> using TAnchors = TSet<TAnchorKind>
// Both at namespace scope; for an enum nested in a class, KORVEL_ENUM_NAMED gives the type
// its plain name: KORVEL_ENUM_NAMED(TFoo::TKind, "TKind", "kA,kB").
#define KORVEL_ENUM(Type, Names) KORVEL_ENUM_NAMED(Type, #Type, Names)
#define KORVEL_ENUM_NAMED(Type, TypeName, Names)                                                             \
    inline const TTypeInfo* TypeInfoOf(Type*) {                                                              \
        static const TTypeInfo* info =                                                                       \
            TTypeInfo::Enumeration(QStringLiteral(TypeName), QStringLiteral(Names));                         \
        return info;                                                                                         \
    }
#define KORVEL_SET(SetName, Enum)                                                                            \
    using SetName = TSet<Enum>;                                                                              \
    inline const TTypeInfo* TypeInfoOf(TSet<Enum>*) {                                                        \
        static const TTypeInfo* info =                                                                       \
            TTypeInfo::SetOf(QStringLiteral(#SetName), TypeInfoOf(static_cast<Enum*>(nullptr)));             \
        return info;                                                                                         \
    }

// A stored accessor: a plain function and up to 16 bytes of trivially copyable payload (a member
// pointer or a captureless lambda). Lighter to compile than std::function, which matters with
// hundreds of declared properties.
template <class Sig> class TThunk;
template <class R, class... A> class TThunk<R(A...)> {
public:
    using Fn = R (*)(const unsigned char* payload, A... args);
    explicit operator bool() const { return FFn != nullptr; }
    R operator()(A... args) const { return FFn(FPayload, args...); }
    template <class P> void Set(Fn fn, const P& payload) {
        static_assert(std::is_trivially_copyable_v<P> && sizeof(P) <= sizeof(FPayload),
                      "accessors are member pointers or captureless lambdas");
        std::memcpy(FPayload, &payload, sizeof(P));
        FFn = fn;
    }
    void Clear() { FFn = nullptr; }

private:
    Fn FFn = nullptr;
    alignas(8) unsigned char FPayload[16] = {};
};

// One published property.
class TPropInfo {
public:
    const QString& Name() const { return FName; }
    // Object properties refine tkClass into tkComponent (reference) and tkStrings (string list);
    // their PropType() is the class's own type, of kind tkClass.
    TTypeKind Kind() const { return FKind; }
    const TTypeInfo* PropType() const;
    QString TypeName() const { return PropType()->Name(); }
    const TClassInfo* PropClass() const; // object kinds: the declared class
    const TClassInfo* DeclaringClass() const { return FDeclaringClass; }
    int Index() const { return FIndex; } // position in the class's property list

    bool IsReadable() const {
        return bool(GetOrd) || bool(GetFloat) || bool(GetStr) || bool(GetVar) || bool(GetObj) ||
               bool(GetMethod);
    }
    bool IsWritable() const;
    bool HasDefault() const { return FHasDefault; }
    // Ordinal kinds: the ordinal as Int64; strings: text; floats: double.
    const Variant& Default() const { return FDefault; }
    bool IsStored(const TObject* instance) const { return FStoredFn ? FStoredFn(instance) : FStored; }

    // Ordinal values a setter accepts (enumeration members, set bits, the C++ type's range);
    // SetOrdProp raises ERangeError outside them.
    Int64 MinOrd() const { return FMinOrd; }
    Int64 MaxOrd() const { return FMaxOrd; }

    // Accessors by representation; only the ones of the property's kind are set. The instance
    // must be of the declaring class and values in range: the Get/Set*Prop functions below
    // check both, so call those.
    TThunk<Int64(const TObject*)> GetOrd; // integer, char, enumeration, set, Int64
    TThunk<void(TObject*, Int64)> SetOrd;
    TThunk<double(const TObject*)> GetFloat;
    TThunk<void(TObject*, double)> SetFloat;
    TThunk<QString(const TObject*)> GetStr;
    TThunk<void(TObject*, const QString&)> SetStr;
    TThunk<Variant(const TObject*)> GetVar;
    TThunk<void(TObject*, const Variant&)> SetVar;
    TThunk<TObject*(const TObject*)> GetObj;    // class, component, strings
    TThunk<void(TObject*, TObject*)> SetObj;    // raises EInvalidCast for an object of another class
    TThunk<std::any(const TObject*)> GetMethod; // a copy of the std::function
    TThunk<void(TObject*, const std::any&)> SetMethod;
    TThunk<bool(const TObject*)> MethodAssigned;

private:
    template <class C> friend class TClassBuilder;
    friend class TClassInfo;
    QString FName;
    TTypeKind FKind = tkUnknown;
    const TTypeInfo* FType = nullptr;
    const TClassInfo* (*FClassGetter)() = nullptr;          // object kinds, resolved on first use
    mutable std::atomic<const TClassInfo*> FClass{nullptr}; // reports load on several threads
    const TClassInfo* FDeclaringClass = nullptr;
    int FIndex = 0;
    bool FHasDefault = false;
    Variant FDefault;
    bool FStored = true;
    TThunk<bool(const TObject*)> FStoredFn;
    Int64 FMinOrd = std::numeric_limits<Int64>::min();
    Int64 FMaxOrd = std::numeric_limits<Int64>::max();
};

using TObjectFactory = std::function<TObject*(TComponent* owner)>;

class TClassInfo {
public:
    const QString& ClassName() const { return FName; }
    const TClassInfo* Parent() const { return FParent; }
    bool InheritsFrom(const TClassInfo* ancestor) const;
    bool InheritsFrom(const QString& ancestorName) const; // any case
    const TTypeInfo* TypeInfo() const { return &FTypeInfo; }

    // Published properties, base class first, in declaration order.
    const std::vector<const TPropInfo*>& Props() const { return FProps; }
    int PropCount() const { return static_cast<int>(FProps.size()); }
    // Any case; nullptr when absent. Hashed: loaders look up every attribute by name.
    const TPropInfo* FindProp(const QString& name) const { return FPropIndex.Find(name); }
    const TPropInfo* FindProp(QStringView name) const { return FPropIndex.Find(name); }

    // Makes an instance. A component given an owner belongs to the owner; anything else
    // belongs to the caller. Raises EInvalidOperation for a class without a factory.
    bool CanCreate() const { return bool(FFactory); }
    TObject* CreateInstance(TComponent* owner = nullptr) const;
    std::unique_ptr<TObject> Create() const { return std::unique_ptr<TObject>(CreateInstance(nullptr)); }

    TClassInfo(const QString& name, const TClassInfo* parent);
    TClassInfo(const TClassInfo&) = delete;
    TClassInfo& operator=(const TClassInfo&) = delete;

private:
    template <class C> friend class TClassBuilder;
    void AddProp(std::unique_ptr<TPropInfo> prop);
    QString FName;
    const TClassInfo* FParent;
    TTypeInfo FTypeInfo;
    TObjectFactory FFactory;
    std::vector<std::unique_ptr<TPropInfo>> FOwnProps;
    std::vector<const TPropInfo*> FProps;
    TNameIndex<const TPropInfo> FPropIndex;
};

// The class tables' record of TObject, the root of every chain.
const TClassInfo* TObjectClassInfo();
// The class of an object: its ClassInfo(), else a class registered for its C++ type, else
// TObject's. Never nullptr for a non-null object.
const TClassInfo* ClassInfoOf(const TObject* object);
// Lets classes that cannot declare KORVEL_CLASS (string lists of the runtime library) be found
// by their C++ type.
void RegisterClassType(std::type_index type, const TClassInfo* info);
const TClassInfo* FindClassInfoByType(std::type_index type);

// The class registry by name (classes of templates, of dialog pages registered at run time ...).
void RegisterClass(const TClassInfo* info);
void RegisterClasses(std::initializer_list<const TClassInfo*> infos);
void UnRegisterClass(const TClassInfo* info);
const TClassInfo* GetClass(const QString& name);  // nullptr when unknown
const TClassInfo* FindClass(const QString& name); // raises EClassNotFound "Class X not found"
// Every class registered by name, in no particular order.
std::vector<const TClassInfo*> GetRegisteredClasses();

// ---------------------------------------------------------------------------------------------
// Property access by name or by property record. Unknown names raise EPropertyError
// "Property X does not exist"; the wrong kind raises EPropertyError "Invalid property type: X";
// writing a property without setter raises EPropertyError "Property X is read-only".

const TPropInfo* GetPropInfo(const TObject* instance, const QString& name); // nullptr when absent
const TPropInfo* GetPropInfo(const TClassInfo* cls, const QString& name);
// All published properties (optionally only of the given kinds), in declaration order.
std::vector<const TPropInfo*> GetPropList(const TClassInfo* cls, std::initializer_list<TTypeKind> kinds = {});
bool IsPublishedProp(const TObject* instance, const QString& name);
TTypeKind PropType(const TObject* instance, const QString& name);

Int64 GetOrdProp(const TObject* instance, const TPropInfo* prop);
void SetOrdProp(TObject* instance, const TPropInfo* prop, Int64 value);
QString GetEnumProp(const TObject* instance, const TPropInfo* prop);
void SetEnumProp(TObject* instance, const TPropInfo* prop, const QString& name);
QString GetSetProp(const TObject* instance, const TPropInfo* prop, bool brackets = false);
void SetSetProp(TObject* instance, const TPropInfo* prop, const QString& text);
Int64 GetInt64Prop(const TObject* instance, const TPropInfo* prop);
void SetInt64Prop(TObject* instance, const TPropInfo* prop, Int64 value);
double GetFloatProp(const TObject* instance, const TPropInfo* prop);
void SetFloatProp(TObject* instance, const TPropInfo* prop, double value);
QString GetStrProp(const TObject* instance, const TPropInfo* prop);
void SetStrProp(TObject* instance, const TPropInfo* prop, const QString& value);
Variant GetVariantProp(const TObject* instance, const TPropInfo* prop);
void SetVariantProp(TObject* instance, const TPropInfo* prop, const Variant& value);
TObject* GetObjectProp(const TObject* instance, const TPropInfo* prop);
void SetObjectProp(TObject* instance, const TPropInfo* prop, TObject* value);
std::any GetMethodProp(const TObject* instance, const TPropInfo* prop);
void SetMethodProp(TObject* instance, const TPropInfo* prop, const std::any& value);

Int64 GetOrdProp(const TObject* instance, const QString& name);
void SetOrdProp(TObject* instance, const QString& name, Int64 value);
QString GetEnumProp(const TObject* instance, const QString& name);
void SetEnumProp(TObject* instance, const QString& name, const QString& value);
QString GetSetProp(const TObject* instance, const QString& name, bool brackets = false);
void SetSetProp(TObject* instance, const QString& name, const QString& value);
Int64 GetInt64Prop(const TObject* instance, const QString& name);
void SetInt64Prop(TObject* instance, const QString& name, Int64 value);
double GetFloatProp(const TObject* instance, const QString& name);
void SetFloatProp(TObject* instance, const QString& name, double value);
QString GetStrProp(const TObject* instance, const QString& name);
void SetStrProp(TObject* instance, const QString& name, const QString& value);
Variant GetVariantProp(const TObject* instance, const QString& name);
void SetVariantProp(TObject* instance, const QString& name, const Variant& value);
TObject* GetObjectProp(const TObject* instance, const QString& name);
void SetObjectProp(TObject* instance, const QString& name, TObject* value);

// Any kind as a Variant: enumerations as member names when preferStrings (else ordinals),
// sets as "[a,b]" text or bits, chars as one-character text, objects as object handles,
// string lists as their text. Methods raise.
Variant GetPropValue(const TObject* instance, const TPropInfo* prop, bool preferStrings = true);
Variant GetPropValue(const TObject* instance, const QString& name, bool preferStrings = true);
// The reverse: enumerations from a name or an ordinal, sets from text or bits, objects from
// handles, string lists from text.
void SetPropValue(TObject* instance, const TPropInfo* prop, const Variant& value);
void SetPropValue(TObject* instance, const QString& name, const Variant& value);

bool IsStoredProp(const TObject* instance, const TPropInfo* prop);
bool IsStoredProp(const TObject* instance, const QString& name);
// Whether the value equals the declared default: ordinals need a declared default; text is
// default when it equals its declared default or, without one, when empty; a float needs a
// declared default; a variant when Empty; a reference when nil; a string list when empty;
// a sub-object never.
bool IsDefaultPropValue(const TObject* instance, const TPropInfo* prop);
// Puts the declared default back (ordinals, floats, text; text without one becomes empty,
// references nil, string lists empty). Properties without setter or default are left alone.
void ResetPropToDefault(TObject* instance, const TPropInfo* prop);

#include "platform/rtti/ClassBuilder.h"
