#pragma once
// The class library's basic classes as scripts see them: objects, persistent objects,
// collections, object lists, string lists, streams, components and the script XML classes.
// The helpers below are shared by every binding module (graphics, forms, dialogs, INI files,
// charts): objects travel as handles, arguments are read through the calling method helper.

#include "platform/rtl/Streams.h"
#include "platform/rtl/StringList.h"
#include "platform/rtti/ObjectHandles.h"
#include "platform/rtti/TypInfo.h"
#include "script/sc_iinterpreter.h"

#include <typeinfo>
#include <vector>

// A list of object references that it does not own.
class TList : public TObject {
public:
    int Add(TObject* Item);
    void Clear() { FItems.clear(); }
    void Delete(int Index);
    int IndexOf(const TObject* Item) const;
    void Insert(int Index, TObject* Item);
    int Remove(const TObject* Item);
    int Count() const { return static_cast<int>(FItems.size()); }
    TObject* Items(int Index) const;
    void SetItems(int Index, TObject* Item);

private:
    void CheckIndex(int Index, int Limit) const;
    std::vector<TObject*> FItems;
};

namespace scbind {

// Argument Index of the call as the declared kinds.
inline Variant Arg(TscMethodHelper* C, int Index) {
    return C->GetVParam(Index);
}
inline TObject* ArgObject(TscMethodHelper* C, int Index) {
    return VariantToObject(C->GetVParam(Index));
}
template <class T> T* ArgAs(TscMethodHelper* C, int Index) {
    return VariantToObjectAs<T>(C->GetVParam(Index));
}
// As ArgAs, and nil is refused with the member's name.
template <class T> T& ArgRef(TscMethodHelper* C, int Index) {
    T* t = ArgAs<T>(C, Index);
    if (!t) throw EInvalidPointer(QStringLiteral("%1: argument %2 is nil").arg(C->Name()).arg(Index + 1));
    return *t;
}
// The instance as the registered class; nil or an object of another class raises.
template <class T> T& Self(TObject* Instance, const QString& Member) {
    if (!Instance) throw EInvalidPointer(QStringLiteral("%1 called on a nil object").arg(Member));
    T* t = dynamic_cast<T*>(Instance);
    if (!t) throw EInvalidCast(QStringLiteral("Invalid class typecast"));
    return *t;
}
inline Variant Obj(const TObject* O) {
    return ObjectToVariant(O);
}
// The result of a procedure, and of a name the call-back does not know.
inline Variant None() {
    return Variant(0);
}

// A class record for a host class that declares none: built once with its published
// properties and made findable by the C++ type, so ClassName and the script registry agree.
// A record already registered for the type by its own unit is used instead.
template <class T>
const TClassInfo* HostClass(
    const char* Name, const TClassInfo* Parent,
    typename TClassBuilder<T>::Describe Describe = [](TClassBuilder<T>&) {}) {
    static const TClassInfo* info = [&]() -> const TClassInfo* {
        const TClassInfo* known = FindClassInfoByType(typeid(T));
        // A record made up from the C++ name carries no properties and no factory.
        if (known && (known->PropCount() > 0 || known->CanCreate() || known->Parent() != TObjectClassInfo()))
            return known;
        const TClassInfo* made = TClassBuilder<T>::Build(QString::fromLatin1(Name), Parent, Describe);
        RegisterClassType(typeid(T), made);
        RegisterClass(made);
        return made;
    }();
    return info;
}

// An instance of the class the script named (a component with its owner); a class that makes
// no instances (an abstract one) raises EInvalidOperation.
TObject* NewInstance(const TClassInfo* Cls, TComponent* Owner);
// Notes an object a script constructor made; only such objects may be freed by a script.
TObject* ScriptMade(TObject* Object);

// A record for a name the scripts know but that has no class of its own here; it makes no
// instances.
const TClassInfo* NamedClass(const QString& Name, const TClassInfo* Parent);

// Registers "Typ" with its members read from a comma and blank separated list.
void AddEnumList(TscScript* S, const QString& Typ, const QString& Names, bool IsSet);

// Bytes of a stream as script text: one character per byte (U+0000..U+00FF).
QString BytesToText(const QByteArray& Bytes);
// The inverse; a character above U+00FF is no byte and raises EConvertError.
QByteArray TextToBytes(const QString& Text);

} // namespace scbind

namespace sc_iclassesrtti {

class TFunctions : public TscRTTIModule {
public:
    explicit TFunctions(TscScript* AScript);
    static std::unique_ptr<TscRTTIModule> Make(TscScript* AScript) {
        return std::make_unique<TFunctions>(AScript);
    }

    // The records of the classes this module registers (also used by the other modules).
    static const TClassInfo* ListClass();
    static const TClassInfo* StreamClass();
    static const TClassInfo* FileStreamClass();
    static const TClassInfo* MemoryStreamClass();
    static const TClassInfo* XMLItemClass();
    static const TClassInfo* XMLDocumentClass();

private:
    Variant CallObject(TObject* Instance, const TClassInfo* Cls, const QString& Name, TscMethodHelper* C);
    Variant CallCollection(TObject* Instance, const QString& Name, TscMethodHelper* C);
    Variant CallList(TObject* Instance, const QString& Name, TscMethodHelper* C);
    Variant CallStrings(TObject* Instance, const TClassInfo* Cls, const QString& Name, TscMethodHelper* C);
    Variant CallStringList(TObject* Instance, const QString& Name, TscMethodHelper* C);
    Variant CallStream(TObject* Instance, const QString& Name, TscMethodHelper* C);
    Variant CallMemoryStream(TObject* Instance, const QString& Name, TscMethodHelper* C);
    Variant CallComponent(const TClassInfo* Cls, const QString& Name, TscMethodHelper* C);
    Variant CallXMLItem(TObject* Instance, const QString& Name, TscMethodHelper* C);
    Variant CallXMLDocument(TObject* Instance, const QString& Name, TscMethodHelper* C);
    static Variant GetHostProperty(TObject* Instance, const TClassInfo* Cls, const QString& Name);
    static void SetHostProperty(TObject* Instance, const TClassInfo* Cls, const QString& Name,
                                const Variant& Value);
};

} // namespace sc_iclassesrtti

// Adds the host binding modules (class library, graphics, forms, dialogs, INI files, charts)
// to the module list after the system functions, once; scripts made afterwards get them.
void RegisterHostRTTIModules();
