#pragma once
// The script program and its items: variables, parameters, script procedures, host classes with
// their members, designators, set expressions and statements. Every read of anything goes
// through TscCustomVariable::GetValue and every write through SetValue. Host objects reach the
// engine as object handles (platform/rtti/ObjectHandles), never as raw pointers, so a stale or
// forged reference raises a catchable error.

#include "platform/rtl/Streams.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/Variant.h"
#include "platform/rtti/Classes.h"
#include "script/sc_iilparser.h"
#include "script/sc_xml.h"

#include <QString>

#include <any>
#include <atomic>
#include <climits>
#include <cstdint>
#include <functional>
#include <memory>
#include <type_traits>
#include <vector>

class TscScript;
class TscParamItem;
class TscPropertyHelper;
class TscMethodHelper;
class TscProcVariable;
class TscClassVariable;
class TscCustomEvent;
class TscStatement;
class TscDesignatorItem;
class TscExpressionNode;

enum TscVarType : unsigned char {
    fvtInt,
    fvtBool,
    fvtFloat,
    fvtChar,
    fvtString,
    fvtClass,
    fvtArray,
    fvtVariant,
    fvtEnum,
    fvtConstructor,
    fvtInt64
};

struct TscTypeRec {
    TscVarType Typ = fvtInt;
    QString TypeName;
};

// Host call-backs. Instance is the object (nullptr for a global function or a constructor),
// ClassType the class that registered the member (for a constructor: the class being made),
// the name the member's invariant upper-cased name.
using TscGetValueEvent =
    std::function<Variant(TObject* Instance, const TClassInfo* ClassType, const QString& PropName)>;
using TscSetValueEvent = std::function<void(TObject* Instance, const TClassInfo* ClassType,
                                            const QString& PropName, const Variant& Value)>;
using TscGetValueNewEvent = std::function<Variant(TObject* Instance, const TClassInfo* ClassType,
                                                  const QString& PropName, TscPropertyHelper* Caller)>;
using TscSetValueNewEvent =
    std::function<void(TObject* Instance, const TClassInfo* ClassType, const QString& PropName,
                       const Variant& Value, TscPropertyHelper* Caller)>;
using TscCallMethodEvent = std::function<Variant(TObject* Instance, const TClassInfo* ClassType,
                                                 const QString& MethodName, Variant& Params)>;
using TscCallMethodNewEvent = std::function<Variant(TObject* Instance, const TClassInfo* ClassType,
                                                    const QString& MethodName, TscMethodHelper* Caller)>;

using TscRunLineEvent =
    std::function<void(TscScript* Sender, const QString& UnitName, const QString& SourcePos)>;

// The line hook: a TscRunLineEvent that keeps a process-wide count of the hooks set, so that a
// statement pays one test, and no walk through the parent scripts, while no script has one.
class TscRunLineHook {
public:
    TscRunLineHook() = default;
    TscRunLineHook(const TscRunLineHook& Other) : FFn(Other.FFn) { Sync(); }
    TscRunLineHook(TscRunLineHook&& Other) noexcept : FFn(std::move(Other.FFn)) {
        Other.FFn = nullptr;
        Other.Sync();
        Sync();
    }
    ~TscRunLineHook() {
        if (FCounted) FActive.fetch_sub(1, std::memory_order_relaxed);
    }
    TscRunLineHook& operator=(const TscRunLineHook& Other) {
        FFn = Other.FFn;
        Sync();
        return *this;
    }
    TscRunLineHook& operator=(TscRunLineHook&& Other) noexcept {
        if (this != &Other) {
            FFn = std::move(Other.FFn);
            Other.FFn = nullptr;
            Other.Sync();
            Sync();
        }
        return *this;
    }
    // A callable, a TscRunLineEvent or nullptr.
    template <class F>
        requires(!std::is_same_v<std::remove_cvref_t<F>, TscRunLineHook> &&
                 std::is_assignable_v<TscRunLineEvent&, F &&>)
    TscRunLineHook& operator=(F&& Fn) {
        FFn = std::forward<F>(Fn);
        Sync();
        return *this;
    }
    explicit operator bool() const { return static_cast<bool>(FFn); }
    void operator()(TscScript* Sender, const QString& UnitName, const QString& SourcePos) const {
        FFn(Sender, UnitName, SourcePos);
    }
    const TscRunLineEvent& Event() const { return FFn; }
    // Whether any script of the process has a hook set.
    static bool AnySet() { return FActive.load(std::memory_order_relaxed) != 0; }

private:
    void Sync() {
        const bool set = static_cast<bool>(FFn);
        if (set == FCounted) return;
        FCounted = set;
        FActive.fetch_add(set ? 1 : -1, std::memory_order_relaxed);
    }
    TscRunLineEvent FFn;
    bool FCounted = false;
    static inline std::atomic<int> FActive{0};
};
using TscGetVariableValueEvent =
    std::function<Variant(const QString& VarName, TscVarType VarTyp, const Variant& OldValue)>;

// An event bridge class: makes the bridge between one host object's event and a script procedure.
using TscEventClass = std::unique_ptr<TscCustomEvent> (*)(TObject* AObject, TscProcVariable* AHandler);

// Owner tag of the registrations made by AddRTTI; never dereferenced.
inline const void* const scRTTIAddedBy = reinterpret_cast<const void*>(std::uintptr_t(1));

// A script call went so deep that the thread's stack would run out: raised instead of crashing.
KORVEL_EXCEPTION(EStackOverflow, Exception)

// An ordered list of owned objects.
class TscItemList : public TObject {
public:
    TscItemList() = default;
    ~TscItemList() override;
    virtual void Clear();
    void Add(std::unique_ptr<TObject> Item);
    void Add(TObject* Item) { Add(std::unique_ptr<TObject>(Item)); }
    int Count() const { return static_cast<int>(FItems.size()); }
    // Takes the item out without freeing it; EListError when it is not in the list.
    std::unique_ptr<TObject> Remove(TObject* Item);
    TObject* Item(int Index) const; // EListError for a bad index
    int IndexOf(const TObject* Item) const;

protected:
    std::vector<std::unique_ptr<TObject>> FItems;
};

// A value of a kind that holds neither text nor shared storage: destroying it does nothing.
inline bool ScIsScalar(const Variant& v) {
    return v.IsScalar();
}

// Replaces a stored value in place: cheaper than an assignment, which goes through the text
// member's out-of-line copy. Src may not refer to Dst.
inline void ScStoreValue(Variant& Dst, Variant&& Src) noexcept {
    if (!ScIsScalar(Dst)) std::destroy_at(&Dst);
    std::construct_at(&Dst, std::move(Src));
}
// Bumped whenever a script's parent or main-program mark changes (or a script dies): a
// procedure keeps the main program it found for its scope until the count moves.
inline std::atomic<unsigned> ScScopeGeneration{1};
inline void ScScopesChanged() { ScScopeGeneration.fetch_add(1, std::memory_order_relaxed); }

inline void ScStoreInt(Variant& Dst, int v) noexcept {
    Dst.SetInt(v);
}

// The result of evaluating an item: a 32-bit integer kept as such, a value read in place, or a
// value of its own. Evaluation through it makes no Variant for integer work.
class TscEvalResult {
public:
    TscEvalResult() = default;
    TscEvalResult(const TscEvalResult&) = delete;
    TscEvalResult& operator=(const TscEvalResult&) = delete;
    ~TscEvalResult() {
        if (FKind == rkOwn) std::destroy_at(Own());
    }
    bool IsInt() const { return FKind == rkInt; }
    int Int() const { return FInt; }
    void SetInt(int v) {
        FInt = v;
        FKind = rkInt;
    }
    // A value read in place; an integer is taken as such.
    void SetRef(const Variant* v) {
        if (v->VType() == varInteger) {
            SetInt(static_cast<int>(v->RawInt()));
        } else {
            FRef = v;
            FKind = rkRef;
        }
    }
    void SetValue(Variant&& v) {
        if (v.VType() == varInteger) {
            SetInt(static_cast<int>(v.RawInt()));
            return;
        }
        FRef = std::construct_at(Own(), std::move(v));
        FKind = rkOwn;
    }
    // Makes a value read in place a value of its own (before something may change the original).
    void Detach() {
        if (FKind == rkRef) {
            FRef = std::construct_at(Own(), *FRef);
            FKind = rkOwn;
        }
    }
    // The value; an integer becomes a Variant here, and only here.
    const Variant& Get() {
        if (FKind == rkInt) {
            FRef = std::construct_at(Own(), FInt);
            FKind = rkOwn;
        } else if (FKind == rkNone) {
            FRef = std::construct_at(Own(), Variant::Null());
            FKind = rkOwn;
        }
        return *FRef;
    }
    Variant Take() {
        if (FKind == rkInt) return Variant(FInt);
        if (FKind == rkNone) return Variant::Null();
        if (FKind == rkOwn) return std::move(*Own());
        return *FRef;
    }

private:
    enum : unsigned char { rkNone, rkInt, rkRef, rkOwn } FKind = rkNone;
    int FInt;            // set with rkInt
    const Variant* FRef; // set with rkRef and rkOwn
    Variant* Own() { return reinterpret_cast<Variant*>(FBuf); }
    alignas(Variant) unsigned char FBuf[sizeof(Variant)];
};

class TscCustomVariable : public TscItemList {
public:
    TscCustomVariable(const QString& AName, TscVarType ATyp, const QString& ATypeName);

    // The stored value itself when reading it runs nothing (a plain variable, a parameter or a
    // constant, without value hook); nullptr when GetValue must be called.
    const Variant* PeekValue() const { return FReadInPlace ? &FValue : nullptr; }

    virtual void SetValue(const Variant& Value);
    virtual Variant GetValue();
    Variant Value() { return GetValue(); }
    // GetValue into R, keeping an integer as such. AllowRef: a value that can be read in
    // place may be handed over by reference (nothing runs before it is used).
    virtual void EvalTo(TscEvalResult& R, bool AllowRef);
    // SetValue of the integer v, without making a Variant for a plain variable or parameter.
    void StoreInt(long long v) {
        if (FPeekable && !FIsReadOnly && v >= INT_MIN && v <= INT_MAX &&
            (!FTypedStore || FTyp == fvtInt || FTyp == fvtVariant))
            ScStoreInt(FValue, static_cast<int>(v));
        else
            StoreIntSlow(v);
    }
    // The same for a value known to fit 32 bits: no range test.
    void StoreInt(int v) {
        if (FPeekable && !FIsReadOnly && (!FTypedStore || FTyp == fvtInt || FTyp == fvtVariant))
            ScStoreInt(FValue, v);
        else
            StoreIntSlow(v);
    }
    // The stored integer, when reading the item runs nothing and it holds one: no call, no
    // Variant. False otherwise, and nothing has run.
    bool PeekInt(int& v) const {
        if (!FReadInPlace || FValue.VType() != varInteger) return false;
        v = static_cast<int>(FValue.RawInt());
        return true;
    }
    // EvalTo with the in-place read worked out here, so a plain variable costs no call.
    void Eval(TscEvalResult& R, bool AllowRef) {
        if (const Variant* p = PeekValue(); p && (AllowRef || p->VType() == varInteger))
            R.SetRef(p);
        else
            EvalTo(R, AllowRef);
    }

    const void* AddedBy() const { return FAddedBy; }
    void SetAddedBy(const void* v) { FAddedBy = v; }
    bool IsMacro() const { return FIsMacro; }
    void SetIsMacro(bool v) { FIsMacro = v; }
    bool IsReadOnly() const { return FIsReadOnly; }
    void SetIsReadOnly(bool v) { FIsReadOnly = v; }
    const QString& Name() const { return FName; }
    const QString& UppercaseName() const { return FUppercaseName; }
    bool NeedResult() const { return FNeedResult; }
    void SetNeedResult(bool v) { FNeedResult = v; }
    Variant* PValue() { return &FValue; }
    TscCustomVariable* RefItem() const { return FRefItem; }
    void SetRefItem(TscCustomVariable* v) { FRefItem = v; }
    const QString& SourcePos() const { return FSourcePos; }
    void SetSourcePos(const QString& v) { FSourcePos = v; }
    const QString& SourceUnit() const { return FSourceUnit; }
    void SetSourceUnit(const QString& v) { FSourceUnit = v; }
    TscVarType Typ() const { return FTyp; }
    void SetTyp(TscVarType v) { FTyp = v; }
    const QString& TypeName() const { return FTypeName; }
    void SetTypeName(const QString& v) { FTypeName = v; }

    TscParamItem* Params(int Index) const { return GetParam(Index); }
    // Params without the bounds check, for callers that loop below Count.
    inline TscParamItem* ParamAt(int Index) const;
    TscParamItem* GetParam(int Index) const;
    int GetNumberOfRequiredParams() const;
    QString GetFullTypeName() const;

    // The script's value hook, handed to each variable it makes: GetValue asks it first.
    const TscGetVariableValueEvent& ValueHook() const { return FValueHook; }
    void SetValueHook(const TscGetVariableValueEvent& Hook) {
        FValueHook = Hook;
        FReadInPlace = FPeekable && !FValueHook;
    }

protected:
    friend class TscForStmt;
    friend class TscVbForStmt;
    friend class TscProcVariable;
    const void* FAddedBy = nullptr;
    void StoreIntSlow(long long v);
    void SetPeekable(bool v) {
        FPeekable = v;
        FReadInPlace = v && !FValueHook;
    }
    bool FPeekable = false;    // GetValue gives FValue unchanged when no value hook is set
    bool FReadInPlace = false; // FPeekable and no value hook: one test for the in-place reads
    TscGetVariableValueEvent FValueHook;
    bool FTypedStore = false; // SetValue is TscVariable's typed assignment, else the plain one
    bool FIsMacro = false;
    bool FIsReadOnly = false;
    QString FName;
    bool FNeedResult = true;
    TscCustomVariable* FRefItem = nullptr;
    QString FSourcePos;
    QString FSourceUnit;
    TscVarType FTyp;
    QString FTypeName;
    QString FUppercaseName;
    Variant FValue = Variant::Null();
};

class TscVariable : public TscCustomVariable {
public:
    TscVariable(const QString& AName, TscVarType ATyp, const QString& ATypeName)
        : TscCustomVariable(AName, ATyp, ATypeName) {
        SetPeekable(true);
        FTypedStore = true;
    }
    void SetValue(const Variant& Value) override; // typed assignment
    Variant GetValue() override;                  // through the value hook
};

class TscStringVariable : public TscVariable {
public:
    TscStringVariable(const QString& AName, TscVarType ATyp, const QString& ATypeName)
        : TscVariable(AName, ATyp, ATypeName) {
        SetPeekable(false); // the value lives in FStr
    }
    void SetValue(const Variant& Value) override;
    Variant GetValue() override;
    QString& Str() { return FStr; }

private:
    QString FStr;
};

class TscTypeVariable : public TscCustomVariable {
public:
    using TscCustomVariable::TscCustomVariable;
};

class TscParamItem : public TscCustomVariable {
public:
    TscParamItem(const QString& AName, TscVarType ATyp, const QString& ATypeName, bool AIsOptional,
                 bool AIsVarParam);
    const Variant& DefValue() const { return FDefValue; }
    void SetDefValue(const Variant& v) { FDefValue = v; }
    bool IsOptional() const { return FIsOptional; }
    void SetIsOptional(bool v) { FIsOptional = v; }
    bool IsVarParam() const { return FIsVarParam; }
    void SetIsVarParam(bool v) { FIsVarParam = v; }

private:
    Variant FDefValue = Variant::Null();
    bool FIsOptional;
    bool FIsVarParam;
};

TscParamItem* TscCustomVariable::ParamAt(int Index) const {
    return static_cast<TscParamItem*>(FItems[static_cast<size_t>(Index)].get());
}

class TscProcVariable : public TscCustomVariable {
public:
    TscProcVariable(const QString& AName, TscVarType ATyp, const QString& ATypeName, TscScript* AParent,
                    bool AIsFunc);
    ~TscProcVariable() override;
    Variant GetValue() override; // runs the procedure
    void EvalTo(TscEvalResult& R, bool AllowRef) override;
    bool Executing() const { return FExecuting; }
    bool IsFunc() const { return FIsFunc; }
    TscScript* Prog() const { return FProgram.get(); }
    // Appends a parameter and enters it in the local scope under its name.
    void AddParam(std::unique_ptr<TscParamItem> Param);

    // A recursive call keeps the caller's local variables and parameters aside. The usual few
    // locals holding scalars go into Quick, on the caller's stack (SaveLocals gives QuickFlag
    // and their count); anything else is pushed into the procedure's own buffer and SaveLocals
    // gives the mark that RestoreLocals pops back to. Defined with the call path, the only place that uses
    // them, and inlined there.
    struct TQuickLocal {
        TscCustomVariable* Var;
        TVarType Type;
        Int64 Bits;
    };
    static constexpr size_t QuickLocals = 4;
    static constexpr size_t QuickFlag = ~(~size_t(0) >> 1);
    inline size_t SaveLocals(TQuickLocal* Quick);
    inline void RestoreLocals(size_t Mark, const TQuickLocal* Quick);
    // Runs the procedure as the designator link Link calls it: arguments in, the caller's
    // locals kept aside for a recursive call, var arguments back out; the result into R.
    void Call(TscDesignatorItem* Link, TscEvalResult& R, bool NeedResult);

private:
    struct TLocal {
        TscCustomVariable* Var;
        TscStringVariable* Str; // the same item when it keeps its value as text, else nullptr
    };
    struct TSavedLocal {
        TscCustomVariable* Var = nullptr;
        enum : unsigned char {
            skScalar, // kept as type code and payload bits, Value unused
            skValue,  // kept in Value
            skText    // a TscStringVariable's text, kept in Value
        } Kind = skScalar;
        TVarType Type = varEmpty;
        Int64 Bits = 0;
        Variant Value;
    };
    inline void Run();
    inline void ResetResult();
    void CollectLocals();
    void GrowSavedLocals(size_t Top);
    // The kinds of local that are not kept as raw scalars.
    static void SaveValue(TSavedLocal& Slot, const TLocal& Local);
    static void RestoreValue(TSavedLocal& Slot);
    bool FExecuting = false;
    // The main program above the scope, as Run last found it, and the scope count then.
    TscScript* FMainScope = nullptr;
    unsigned FMainGeneration = 0;
    bool FIsFunc;
    std::unique_ptr<TscScript> FProgram;
    // The scope's variables and parameters, collected again when the scope's items change.
    std::vector<TLocal> FLocals;
    unsigned FLocalsVersion = ~0u;
    // At most QuickLocals locals and none kept as text: SaveLocals tries the stack first.
    bool FQuickLocals = false;
    // Slots above FUsedSlots stay made, so saving and restoring scalars allocates nothing.
    // FSavedData and FKeptSlots mirror the vector's data and size.
    std::vector<TSavedLocal> FSavedLocals;
    TSavedLocal* FSavedData = nullptr;
    size_t FKeptSlots = 0;
    size_t FUsedSlots = 0;
};

// A host member or element accessor: the designator tells it what stands left of it.
class TscCustomHelper : public TscCustomVariable {
public:
    using TscCustomVariable::TscCustomVariable;
    TscCustomVariable* ParentRef() const { return FParentRef; }
    void SetParentRef(TscCustomVariable* v) { FParentRef = v; }
    const Variant& ParentValue() const { return FParentValue; }
    void SetParentValue(const Variant& v) { FParentValue = v; }
    // Replaces the parent value in place (no copy of the value's text member).
    void SetParentValue(Variant&& v) { ScStoreValue(FParentValue, std::move(v)); }
    TscScript* Prog() const { return FProgram; }
    void SetProg(TscScript* v) { FProgram = v; }

protected:
    // The parent value as a live object; Null raises the conversion error, a stale handle
    // "invalid object reference".
    TObject* Instance() const;
    TscCustomVariable* FParentRef = nullptr;
    Variant FParentValue = Variant::Null();
    TscScript* FProgram = nullptr;
};

class TscArrayHelper : public TscCustomHelper {
public:
    TscArrayHelper(const QString& AName, int DimCount, TscVarType Typ, const QString& TypeName);
    Variant GetValue() override;
    void SetValue(const Variant& Value) override;
};

class TscStringHelper : public TscCustomHelper {
public:
    TscStringHelper();
    Variant GetValue() override;
    void SetValue(const Variant& Value) override;
};

class TscPropertyHelper : public TscCustomHelper {
public:
    TscPropertyHelper(const QString& AName, TscVarType ATyp, const QString& ATypeName);
    Variant GetValue() override;
    void SetValue(const Variant& Value) override;
    const TClassInfo* ClassRef() const { return FClassRef; }
    void SetClassRef(const TClassInfo* v) { FClassRef = v; }
    bool IsPublished() const { return FIsPublished; }
    void SetIsPublished(bool v) { FIsPublished = v; }

    TscGetValueEvent OnGetValue;
    TscSetValueEvent OnSetValue;
    TscGetValueNewEvent OnGetValueNew;
    TscSetValueNewEvent OnSetValueNew;

private:
    // The published property as found for the object of handle FCacheHandle: an object keeps
    // its class while it lives, and a handle is never given to another object.
    const TPropInfo* PublishedProp(TObject* Instance, bool& Checked);
    const TClassInfo* FClassRef = nullptr;
    bool FIsPublished = false;
    std::int32_t FCacheHandle = 0;
    const TPropInfo* FCacheProp = nullptr;
};

class TscMethodHelper : public TscCustomHelper {
public:
    // Parses the declaration text; Script answers the type names (may be nullptr).
    TscMethodHelper(const QString& Syntax, TscScript* Script);
    ~TscMethodHelper() override;
    Variant GetValue() override;                  // calls the host method
    void SetValue(const Variant& Value) override; // assigns an indexed property

    // Parameter values as the call-back sees them; Index = parameter count reads the value
    // being assigned to an indexed property.
    Variant GetVParam(int Index) const;
    void SetVParam(int Index, const Variant& Value);

    const QString& Syntax() const { return FSyntax; }
    const QString& Category() const { return FCategory; }
    void SetCategory(const QString& v) { FCategory = v; }
    const QString& Description() const { return FDescription; }
    void SetDescription(const QString& v) { FDescription = v; }
    bool IndexMethod() const { return FIndexMethod; }
    void SetIndexMethod(bool v) { FIndexMethod = v; }
    const TClassInfo* ClassRef() const { return FClassRef; }
    void SetClassRef(const TClassInfo* v) { FClassRef = v; }

    TscCallMethodEvent OnCall;
    TscCallMethodNewEvent OnCallNew;

private:
    TObject* CallInstance() const;
    const TClassInfo* CallClass() const;
    QString FCategory;
    const TClassInfo* FClassRef = nullptr;
    QString FDescription;
    bool FIndexMethod = false;
    Variant FSetValue = Variant::Null();
    QString FSyntax;
    Variant FVarArray;
};

class TscComponentHelper : public TscCustomHelper {
public:
    explicit TscComponentHelper(TComponent* Component);
    Variant GetValue() override;
    TComponent* Component() const { return FComponent; }

private:
    TComponent* FComponent;
};

class TscEventHelper : public TscCustomHelper {
public:
    TscEventHelper(const QString& Name, TscEventClass AEvent);
    Variant GetValue() override;
    void SetValue(const Variant& Value) override; // binds or unbinds a script procedure
    const TClassInfo* ClassRef() const { return FClassRef; }
    void SetClassRef(const TClassInfo* v) { FClassRef = v; }
    TscEventClass Event() const { return FEvent; }

private:
    const TClassInfo* FClassRef = nullptr;
    TscEventClass FEvent;
};

// Sits between a host object's event and a script procedure.
class TscCustomEvent : public TObject {
public:
    TscCustomEvent(TObject* AObject, TscProcVariable* AHandler) : FHandler(AHandler), FInstance(AObject) {}
    ~TscCustomEvent() override { *FAlive = false; }
    // The value to store in the host object's event property (a std::function of its type).
    virtual std::any GetMethod() = 0;
    TscProcVariable* Handler() const { return FHandler; }
    TObject* Instance() const { return FInstance; }
    // The event property the bridge serves; a new binding of it releases this bridge.
    const QString& EventName() const { return FEventName; }
    void SetEventName(const QString& v) { FEventName = v; }

protected:
    // Shared with the methods handed to the host object: false once the bridge is freed, so an
    // object that fires after its script cleared its items reaches nothing.
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
    // Hands the arguments to the procedure's parameters and runs it, unless it is running
    // already. Parameters the event does not supply are reset to their defaults.
    void RunHandler(std::initializer_list<Variant> Args);
    // The procedure's parameter Index after the run (for var arguments), Null when missing.
    Variant ParamValue(int Index) const;

private:
    TscProcVariable* FHandler;
    TObject* FInstance;
    QString FEventName;
};

class TscClassVariable : public TscCustomVariable {
public:
    TscClassVariable(const TClassInfo* AClass, const QString& Ancestor);
    Variant GetValue() override; // a cast of its argument, else nil (see AddConstructor)

    TscMethodHelper* AddConstructor(const QString& Syntax, TscCallMethodEvent CallEvent);
    TscMethodHelper* AddConstructor(const QString& Syntax, TscCallMethodNewEvent CallEvent);
    TscMethodHelper* AddMethod(const QString& Syntax, TscCallMethodEvent CallEvent);
    TscMethodHelper* AddMethod(const QString& Syntax, TscCallMethodNewEvent CallEvent);
    TscPropertyHelper* AddProperty(const QString& Name, const QString& Typ, TscGetValueEvent GetEvent,
                                   TscSetValueEvent SetEvent = nullptr);
    TscPropertyHelper* AddPropertyEx(const QString& Name, const QString& Typ, TscGetValueNewEvent GetEvent,
                                     TscSetValueNewEvent SetEvent = nullptr);
    TscMethodHelper* AddIndexProperty(const QString& Name, const QString& Params, const QString& Typ,
                                      TscCallMethodEvent CallEvent, bool AReadOnly = false);
    TscMethodHelper* AddIndexProperty(const QString& Name, const QString& Params, const QString& Typ,
                                      TscCallMethodNewEvent CallEvent, bool AReadOnly = false);
    TscMethodHelper* AddDefaultProperty(const QString& Name, const QString& Params, const QString& Typ,
                                        TscCallMethodEvent CallEvent, bool AReadOnly = false);
    TscMethodHelper* AddDefaultProperty(const QString& Name, const QString& Params, const QString& Typ,
                                        TscCallMethodNewEvent CallEvent, bool AReadOnly = false);
    TscEventHelper* AddEvent(const QString& Name, TscEventClass AEvent);
    TscComponentHelper* AddComponent(TComponent* Component);
    // The first member of that name (ASCII case-insensitive), else the ancestors'; nullptr.
    TscCustomHelper* Find(const QString& Name) const;

    const QString& Ancestor() const { return FAncestor; }
    const TClassInfo* ClassRef() const { return FClassRef; }
    TscCustomHelper* DefProperty() const { return FDefProperty; }
    void SetDefProperty(TscCustomHelper* v) { FDefProperty = v; }
    int MembersCount() const { return FMembers.Count(); }
    TscCustomHelper* Members(int Index) const;
    TscScript* Prog() const { return FProgram; }
    void SetProg(TscScript* v) { FProgram = v; }

private:
    static QString IndexSyntax(const QString& Name, const QString& Params, const QString& Typ);
    TscMethodHelper* NewMethod(const QString& Syntax, bool& Existing);
    template <class H> H* OwnMember(const QString& Name) const;
    QString FAncestor;
    const TClassInfo* FClassRef;
    TscCustomHelper* FDefProperty = nullptr;
    TscItemList FMembers;
    TscScript* FProgram = nullptr;
};

// The base of argument and condition slots; TscExpression (sc_iexpression) is the usual one.
class TscCustomExpression : public TscCustomVariable {
public:
    using TscCustomVariable::TscCustomVariable;
    // The value converted to Boolean, as a condition reads it.
    virtual bool GetBool() { return GetValue().ToBool(); }
    // The item whose Eval gives this expression's value with one layer fewer (an expression's
    // tree), else the expression itself.
    virtual TscCustomVariable* EvalItem() { return this; }
};

// A set constructor: expressions, with a nullptr entry between the two ends of a range.
class TscSetExpression : public TscCustomVariable {
public:
    TscSetExpression() : TscCustomVariable(QString(), fvtVariant, QString()) {}
    void AddExpression(std::unique_ptr<TscCustomExpression> Expr) { FEntries.push_back(std::move(Expr)); }
    void AddRange() { FEntries.push_back(nullptr); }
    TscCustomExpression* GetItem(int Index) const { return FEntries.at(static_cast<size_t>(Index)).get(); }
    int EntryCount() const { return static_cast<int>(FEntries.size()); }
    bool Check(const Variant& Value);
    Variant GetValue() override;

private:
    std::vector<std::unique_ptr<TscCustomExpression>> FEntries;
};

// What a designator link refers to, worked out once so that a walk needs no type tests.
enum TscLinkKind : unsigned char { lkPlain, lkNested, lkProc, lkHelper };

// One link of a designator: the item it refers to and its argument expressions.
class TscDesignatorItem : public TscItemList {
public:
    TscCustomExpression* GetItem(int Index) const { return static_cast<TscCustomExpression*>(Item(Index)); }
    bool Flag() const { return FFlag; }
    void SetFlag(bool v) { FFlag = v; }
    TscCustomVariable* Ref() const { return FRef; }
    void SetRef(TscCustomVariable* v);
    const QString& SourcePos() const { return FSourcePos; }
    void SetSourcePos(const QString& v) { FSourcePos = v; }
    TscLinkKind LinkKind() const { return FLinkKind; }
    // Whether the item has a var parameter, worked out on first use (automation helpers get
    // their parameters after the link is made).
    bool HasVarParams() {
        if (FVarParams < 0) {
            FVarParams = 0;
            for (int i = 0; i < FRef->Count(); ++i)
                if (FRef->Params(i)->IsVarParam()) FVarParams = 1;
        }
        return FVarParams > 0;
    }
    // The argument expression at Index without the bounds check of GetItem.
    TscCustomExpression* Arg(int Index) const {
        return static_cast<TscCustomExpression*>(FItems[static_cast<size_t>(Index)].get());
    }
    // The first argument's EvalItem, worked out on first use (the program is complete then).
    TscCustomVariable* FirstArgItem() {
        if (!FFirstArgItem) FFirstArgItem = Arg(0)->EvalItem();
        return FFirstArgItem;
    }

private:
    TscCustomVariable* FFirstArgItem = nullptr;
    bool FFlag = false;
    TscLinkKind FLinkKind = lkPlain;
    signed char FVarParams = -1;
    TscCustomVariable* FRef = nullptr;
    QString FSourcePos;
};

enum TscDesignatorKind { dkOther, dkVariable, dkStringArray, dkArray };

class TscDesignator : public TscCustomVariable {
public:
    explicit TscDesignator(TscScript* AProgram);
    ~TscDesignator() override;
    TscDesignatorItem* GetItem(int Index) const { return static_cast<TscDesignatorItem*>(Item(Index)); }
    TscDesignatorItem* Link(int Index) const {
        return static_cast<TscDesignatorItem*>(FItems[static_cast<size_t>(Index)].get());
    }
    TscDesignatorItem* AddLink(TscCustomVariable* Ref, const QString& SourcePos = QString());
    void Finalize();
    void Borrow(TscDesignator* ADesignator);
    Variant GetValue() override;
    void SetValue(const Variant& Value) override;
    void EvalTo(TscEvalResult& R, bool AllowRef) override;

    TscDesignatorKind Kind() const { return FKind; }
    TscScript* Program() const { return FProgram; }
    TscScript* MainProg() const { return FMainProg; }
    TscCustomVariable* Ref1() const { return FRef1; }
    TscDesignatorItem* Ref2() const { return FRef2; }
    TscXMLItem* LateBindingXmlSource() const { return FLateBindingXmlSource.get(); }
    void SetLateBindingXmlSource(std::unique_ptr<TscXMLItem> v) { FLateBindingXmlSource = std::move(v); }

    // Finalizes and, for the three common shapes, moves the content into the faster class.
    static std::unique_ptr<TscDesignator> Build(std::unique_ptr<TscDesignator> D);

protected:
    void ResolveLateBinding();
    Variant Walk(bool Assigning, const Variant& Value);
    // One link on its own, with neither arguments nor a recursive call.
    Variant WalkSingle(bool Assigning, const Variant& Value);
    // A read of Object.Member without arguments, worked out apart; false for any other chain.
    bool ReadMember(TscEvalResult& R);

public:
    // The item a reading of this chain comes down to when it is one plain link without
    // arguments (a parameter, a constant); nullptr otherwise.
    TscCustomVariable* PlainItem() const;
    TscDesignatorKind FKind = dkOther;
    TscScript* FMainProg;
    TscScript* FProgram;
    TscCustomVariable* FRef1 = nullptr;
    TscDesignatorItem* FRef2 = nullptr;
    std::unique_ptr<TscXMLItem> FLateBindingXmlSource;
};

class TscVariableDesignator : public TscDesignator {
public:
    using TscDesignator::TscDesignator;
    Variant GetValue() override;
    void SetValue(const Variant& Value) override;
};

class TscStringDesignator : public TscDesignator {
public:
    using TscDesignator::TscDesignator;
    Variant GetValue() override;
    void SetValue(const Variant& Value) override;
};

class TscArrayDesignator : public TscDesignator {
public:
    using TscDesignator::TscDesignator;
    Variant GetValue() override;
    void SetValue(const Variant& Value) override;

private:
    void PrepareHelper();
};

// The second compile stage and the late binder are supplied by the program builder's unit.
struct TscProgramBuilder {
    // Builds the parser's intermediate program into the script (errors into ErrorMsg/ErrorPos).
    std::function<void(TscILParser& Parser, TscScript* Script)> Build;
    // Builds the designator of a late-bound chain from its intermediate source (raises).
    std::function<std::unique_ptr<TscDesignator>(TscScript* Script, const TscXMLItem* Source)>
        BuildDesignator;
};
TscProgramBuilder& ScriptProgramBuilder();

class TscRTTIModule : public TObject {
public:
    explicit TscRTTIModule(TscScript* AScript) : FScript(AScript) {}
    TscScript* Script() const { return FScript; }

protected:
    TscScript* FScript;
};

// A module class: makes the module, which registers into the script in its constructor.
using TscRTTIModuleClass = std::unique_ptr<TscRTTIModule> (*)(TscScript* AScript);
// The process-wide module list, in registration order.
std::vector<TscRTTIModuleClass>* RTTIModuleList();
void RegisterRTTIModule(TscRTTIModuleClass AClass);
void UnregisterRTTIModule(TscRTTIModuleClass AClass);

class TscScript : public TComponent, public TscCompileHost {
    KORVEL_CLASS(TscScript, TComponent)
public:
    explicit TscScript(TComponent* AOwner = nullptr);
    ~TscScript() override;

    // Items.
    void Add(const QString& Name, std::unique_ptr<TObject> Item);
    void Add(const QString& Name, TObject* Item) { Add(Name, std::unique_ptr<TObject>(Item)); }
    int Count() const { return static_cast<int>(FItems.size()); }
    TObject* Items(int Index) const;
    QString ItemName(int Index) const;
    std::unique_ptr<TObject> Remove(TObject* Item);
    TscCustomVariable* Find(const QString& Name) const;
    TscCustomVariable* FindLocal(const QString& Name) const;
    TscClassVariable* FindClass(const QString& Name) const;
    Variant Variables(const QString& Name) const;
    void SetVariables(const QString& Name, const Variant& Value);
    void RemoveItems(const void* Owner);
    void ClearItems(const void* Owner);
    void Clear();
    void AddRTTI();
    void ClearRTTI();

    // Registration.
    virtual void AddType(const QString& TypeName, TscVarType ParentType);
    virtual TscClassVariable* AddClass(const TClassInfo* AClass, const QString& Ancestor);
    virtual void AddConst(const QString& Name, const QString& Typ, const Variant& Value);
    virtual void AddVariable(const QString& Name, const QString& Typ, const Variant& Value);
    virtual void AddEnum(const QString& Typ, const QString& Names);
    virtual void AddEnumSet(const QString& Typ, const QString& Names);
    virtual TscMethodHelper* AddMethod(const QString& Syntax, TscCallMethodEvent CallEvent,
                                       const QString& Category = QString(),
                                       const QString& Description = QString());
    virtual TscMethodHelper* AddMethod(const QString& Syntax, TscCallMethodNewEvent CallEvent,
                                       const QString& Category = QString(),
                                       const QString& Description = QString());
    virtual void AddObject(const QString& Name, TObject* Obj);
    virtual void AddForm(TComponent* Form);
    virtual void AddComponent(TComponent* Form);

    // Compilation.
    bool Compile();
    bool Run();
    // As Compile, but the intermediate program is written to Stream instead of being built.
    bool GetILCode(TStream& Stream);
    // Builds an intermediate program read from Stream, as Compile does.
    bool SetILCode(TStream& Stream);
    void AddCodeLine(const QString& UnitName, const QString& APos);
    bool IsExecutableLine(int LineN, const QString& UnitName = QString()) const;

    // Running.
    void Execute();
    void Terminate();
    // Calls the first line hook of this script and its parents.
    void SignalLine(const QString& UnitName, const QString& SourcePos) {
        if (TscRunLineHook::AnySet()) [[unlikely]]
            SignalLineHook(UnitName, SourcePos);
    }
    Variant CallFunction(const QString& Name, const Variant& Params);
    Variant CallFunction1(const QString& Name, Variant& Params);
    Variant CallFunction2(TscProcVariable* Func, const Variant& Params);
    Variant Evaluate(const QString& Expression);

    // Properties.
    const void* AddedBy() const { return FAddedBy; }
    void SetAddedBy(const void* v) { FAddedBy = v; }
    TStringList* Lines() const { return FLines.get(); }
    void SetLines(const TStrings* Value);
    const QString& SyntaxType() const { return FSyntaxType; }
    void SetSyntaxType(const QString& v) { FSyntaxType = v; }
    bool IsRunning() const { return FIsRunning; }
    TStringList* Macros() const { return FMacros.get(); }
    bool MainProg() const { return FMainProg; }
    void SetMainProg(bool v) {
        if (FMainProg != v) ScScopesChanged();
        FMainProg = v;
    }
    TscScript* Parent() const { return FParent; }
    void SetParent(TscScript* v) {
        FParent = v;
        ScScopesChanged();
    }
    TscScript* ProgRunning() const { return FProgRunning; }
    TscStatement* Statement() const { return FStatement.get(); }
    bool UseClassLateBinding() const { return FUseClassLateBinding; }
    void SetUseClassLateBinding(bool v) { FUseClassLateBinding = v; }
    bool EvaluteRiseError() const { return FEvaluteRiseError; }
    bool RTTIAdded() const { return FRTTIAdded; }

    // Run-time flags, read and consumed by statements.
    bool BreakCalled() const { return FFlow & sfBreak; }
    void SetBreakCalled(bool v) { SetFlow(sfBreak, v); }
    bool ContinueCalled() const { return FFlow & sfContinue; }
    void SetContinueCalled(bool v) { SetFlow(sfContinue, v); }
    bool ExitCalled() const { return FFlow & sfExit; }
    void SetExitCalled(bool v) { SetFlow(sfExit, v); }
    bool Terminated() const { return FFlow & sfTerminated; }
    // Break, continue or exit pending: a statement list stops.
    bool FlowInterrupted() const { return FFlow & (sfBreak | sfContinue | sfExit); }
    // FlowInterrupted or Terminated, in one test.
    bool FlowStopped() const { return FFlow != 0; }
    // Changes whenever an item is added or removed.
    unsigned ItemsVersion() const { return FItemsVersion; }

    TscGetUnitEvent OnGetILUnit;
    TscRunLineHook OnRunLine;
    TscGetVariableValueEvent OnGetVarValue;

private:
    friend class TscProcVariable;
    struct TEntry {
        QString Name;
        std::unique_ptr<TObject> Object;
    };
    int LowerBound(const QString& Name) const;
    void SignalLineHook(const QString& UnitName, const QString& SourcePos);
    void ClearStatements();
    void AddEnumValues(const QString& Typ, const QString& Names, bool Bits);
    TscMethodHelper* AddMethodHelper(std::unique_ptr<TscMethodHelper> M, const QString& Category,
                                     const QString& Description);
    Variant RunProc(TscProcVariable* Proc, const Variant& Params);

    const void* FAddedBy = nullptr;
    // The run-time flags as bits of one byte, so a statement list tests them at once.
    enum : unsigned char { sfBreak = 1, sfContinue = 2, sfExit = 4, sfTerminated = 8 };
    void SetFlow(unsigned char Flags, bool v) { FFlow = v ? FFlow | Flags : FFlow & ~Flags; }
    unsigned char FFlow = 0;
    std::vector<TEntry> FItems;
    unsigned FItemsVersion = 0;
    bool FIsRunning = false;
    std::unique_ptr<TStringList> FLines;
    std::unique_ptr<TStringList> FMacros;
    bool FMainProg = false;
    TscScript* FParent = nullptr;
    TscScript* FProgRunning = nullptr;
    bool FRTTIAdded = false;
    std::unique_ptr<TscStatement> FStatement;
    QString FSyntaxType = QStringLiteral("PascalScript");
    std::vector<std::pair<QString, QStringList>> FUnitLines;
    bool FUseClassLateBinding = false;
    bool FEvaluteRiseError = false;
};

// ---------------------------------------------------------------------------------------------
// Statements. Control flow travels in the four flags of the statement's program.

class TscStatement : public TscItemList {
public:
    TscStatement(TscScript* AProgram, const QString& UnitName, const QString& SourcePos);
    virtual void Execute();
    TscStatement* GetItem(int Index) const { return static_cast<TscStatement*>(Item(Index)); }
    TscStatement* AddStatement(std::unique_ptr<TscStatement> S) {
        TscStatement* r = S.get();
        Add(std::move(S));
        return r;
    }
    void SignalLine() { FProgram->SignalLine(FUnitName, FSourcePos); }
    TscScript* Program() const { return FProgram; }
    const QString& SourcePos() const { return FSourcePos; }
    const QString& UnitName() const { return FUnitName; }

    // The children as a statement list. A list of one statement, the usual body of a branch,
    // goes straight to it.
    void ExecuteList() {
        const size_t n = FItems.size();
        if (n == 1) {
            if (!FProgram->Terminated()) static_cast<TscStatement*>(FItems.front().get())->Execute();
            return;
        }
        if (n != 0) ExecuteItems();
    }

protected:
    void ExecuteItems();
    // Line hook, then true when the program is terminated.
    bool SignalAndTerminated() {
        SignalLine();
        return FProgram->Terminated();
    }
    TscScript* FProgram;
    QString FSourcePos;
    QString FUnitName;
};

class TscAssignmentStmt : public TscStatement {
public:
    using TscStatement::TscStatement;
    void Execute() override;
    void Optimize();
    TscDesignator* Designator() const { return FDesignator.get(); }
    void SetDesignator(std::unique_ptr<TscDesignator> v) { FDesignator = std::move(v); }
    TscCustomExpression* Expression() const { return FExpression.get(); }
    void SetExpression(std::unique_ptr<TscCustomExpression> v) { FExpression = std::move(v); }

protected:
    std::unique_ptr<TscDesignator> FDesignator;
    std::unique_ptr<TscCustomExpression> FExpression;
    TscCustomVariable* FVar = nullptr;
    TscCustomVariable* FExpr = nullptr;
};

class TscAssignPlusStmt : public TscAssignmentStmt {
public:
    using TscAssignmentStmt::TscAssignmentStmt;
    void Execute() override;
};
class TscAssignMinusStmt : public TscAssignmentStmt {
public:
    using TscAssignmentStmt::TscAssignmentStmt;
    void Execute() override;
};
class TscAssignMulStmt : public TscAssignmentStmt {
public:
    using TscAssignmentStmt::TscAssignmentStmt;
    void Execute() override;
};
class TscAssignDivStmt : public TscAssignmentStmt {
public:
    using TscAssignmentStmt::TscAssignmentStmt;
    void Execute() override;
};

class TscCallStmt : public TscStatement {
public:
    using TscStatement::TscStatement;
    void Execute() override;
    TscDesignator* Designator() const { return FDesignator.get(); }
    void SetDesignator(std::unique_ptr<TscDesignator> v) { FDesignator = std::move(v); }
    const QString& Modificator() const { return FModificator; }
    void SetModificator(const QString& v);
    // Execute for i++/i-- on a variable holding an integer, with no line hook set anywhere: done
    // here, without the call. False when Execute must run the statement.
    bool StepInPlace() {
        int a;
        if (!FStepTarget || TscRunLineHook::AnySet() || !FStepTarget->PeekInt(a)) return false;
        if (!FProgram->Terminated()) FStepTarget->StoreInt(static_cast<long long>(a) + FStep);
        return true;
    }

private:
    std::unique_ptr<TscDesignator> FDesignator;
    QString FModificator;
    signed char FStep = 0; // +1 for "+", -1 for "-", 0 for a call or any other modificator
    TscCustomVariable* FStepTarget = nullptr; // what i++/i-- changes, found on the first run
};

class TscIfStmt : public TscStatement {
public:
    TscIfStmt(TscScript* AProgram, const QString& UnitName, const QString& SourcePos);
    void Execute() override;
    TscCustomExpression* Condition() const { return FCondition.get(); }
    void SetCondition(std::unique_ptr<TscCustomExpression> v) {
        FCondition = std::move(v);
        FCondLooked = false;
    }
    TscStatement* ElseStmt() const { return FElseStmt.get(); }

private:
    std::unique_ptr<TscCustomExpression> FCondition;
    std::unique_ptr<TscStatement> FElseStmt;
    // The condition's tree when it is an expression, found on the first run.
    TscExpressionNode* FCondTree = nullptr;
    bool FCondLooked = false;
};

class TscCaseSelector : public TscStatement {
public:
    using TscStatement::TscStatement;
    bool Check(const Variant& Value) { return FSetExpression && FSetExpression->Check(Value); }
    TscSetExpression* SetExpression() const { return FSetExpression.get(); }
    void SetSetExpression(std::unique_ptr<TscSetExpression> v) { FSetExpression = std::move(v); }

private:
    std::unique_ptr<TscSetExpression> FSetExpression;
};

class TscCaseStmt : public TscStatement {
public:
    TscCaseStmt(TscScript* AProgram, const QString& UnitName, const QString& SourcePos);
    void Execute() override;
    TscCustomExpression* Condition() const { return FCondition.get(); }
    void SetCondition(std::unique_ptr<TscCustomExpression> v) { FCondition = std::move(v); }
    TscStatement* ElseStmt() const { return FElseStmt.get(); }

private:
    std::unique_ptr<TscCustomExpression> FCondition;
    std::unique_ptr<TscStatement> FElseStmt;
};

class TscRepeatStmt : public TscStatement {
public:
    using TscStatement::TscStatement;
    void Execute() override;
    TscCustomExpression* Condition() const { return FCondition.get(); }
    void SetCondition(std::unique_ptr<TscCustomExpression> v) { FCondition = std::move(v); }
    bool InverseCondition() const { return FInverseCondition; }
    void SetInverseCondition(bool v) { FInverseCondition = v; }

private:
    std::unique_ptr<TscCustomExpression> FCondition;
    bool FInverseCondition = false;
};

class TscWhileStmt : public TscStatement {
public:
    using TscStatement::TscStatement;
    void Execute() override;
    TscCustomExpression* Condition() const { return FCondition.get(); }
    void SetCondition(std::unique_ptr<TscCustomExpression> v) { FCondition = std::move(v); }

private:
    std::unique_ptr<TscCustomExpression> FCondition;
};

class TscForStmt : public TscStatement {
public:
    using TscStatement::TscStatement;
    void Execute() override;
    TscCustomExpression* BeginValue() const { return FBeginValue.get(); }
    void SetBeginValue(std::unique_ptr<TscCustomExpression> v) { FBeginValue = std::move(v); }
    TscCustomExpression* EndValue() const { return FEndValue.get(); }
    void SetEndValue(std::unique_ptr<TscCustomExpression> v) { FEndValue = std::move(v); }
    bool Down() const { return FDown; }
    void SetDown(bool v) { FDown = v; }
    TscCustomVariable* Variable() const { return FVariable; }
    void SetVariable(TscCustomVariable* v) { FVariable = v; }

private:
    std::unique_ptr<TscCustomExpression> FBeginValue, FEndValue;
    bool FDown = false;
    TscCustomVariable* FVariable = nullptr;
};

class TscVbForStmt : public TscStatement {
public:
    using TscStatement::TscStatement;
    void Execute() override;
    TscCustomExpression* BeginValue() const { return FBeginValue.get(); }
    void SetBeginValue(std::unique_ptr<TscCustomExpression> v) { FBeginValue = std::move(v); }
    TscCustomExpression* EndValue() const { return FEndValue.get(); }
    void SetEndValue(std::unique_ptr<TscCustomExpression> v) { FEndValue = std::move(v); }
    TscCustomExpression* Step() const { return FStep.get(); }
    void SetStep(std::unique_ptr<TscCustomExpression> v) { FStep = std::move(v); }
    TscCustomVariable* Variable() const { return FVariable; }
    void SetVariable(TscCustomVariable* v) { FVariable = v; }

private:
    std::unique_ptr<TscCustomExpression> FBeginValue, FEndValue, FStep;
    TscCustomVariable* FVariable = nullptr;
};

class TscCppForStmt : public TscStatement {
public:
    TscCppForStmt(TscScript* AProgram, const QString& UnitName, const QString& SourcePos);
    void Execute() override;
    TscStatement* FirstStmt() const { return FFirstStmt.get(); }
    TscCustomExpression* Expression() const { return FExpression.get(); }
    void SetExpression(std::unique_ptr<TscCustomExpression> v) { FExpression = std::move(v); }
    TscStatement* SecondStmt() const { return FSecondStmt.get(); }

private:
    std::unique_ptr<TscStatement> FFirstStmt;
    std::unique_ptr<TscCustomExpression> FExpression;
    std::unique_ptr<TscStatement> FSecondStmt;
};

class TscTryStmt : public TscStatement {
public:
    TscTryStmt(TscScript* AProgram, const QString& UnitName, const QString& SourcePos);
    void Execute() override;
    bool IsExcept() const { return FIsExcept; }
    void SetIsExcept(bool v) { FIsExcept = v; }
    TscStatement* ExceptStmt() const { return FExceptStmt.get(); }

private:
    bool FIsExcept = false;
    std::unique_ptr<TscStatement> FExceptStmt;
};

class TscBreakStmt : public TscStatement {
public:
    using TscStatement::TscStatement;
    void Execute() override;
};
class TscContinueStmt : public TscStatement {
public:
    using TscStatement::TscStatement;
    void Execute() override;
};
class TscExitStmt : public TscStatement {
public:
    using TscStatement::TscStatement;
    void Execute() override;
};

// A return: the assignment of the value to Result, when there is one, as its only child, then
// the exit. Runs as the two statements would in a list, one list step fewer.
class TscReturnStmt : public TscStatement {
public:
    using TscStatement::TscStatement;
    void Execute() override;
};

class TscWithStmt : public TscStatement {
public:
    using TscStatement::TscStatement;
    void Execute() override;
    TscDesignator* Designator() const { return FDesignator.get(); }
    void SetDesignator(std::unique_ptr<TscDesignator> v) { FDesignator = std::move(v); }
    TscCustomVariable* Variable() const { return FVariable; }
    void SetVariable(TscCustomVariable* v) { FVariable = v; }

private:
    std::unique_ptr<TscDesignator> FDesignator;
    TscCustomVariable* FVariable = nullptr;
};
