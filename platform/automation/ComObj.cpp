#include "platform/automation/ComObj.h"

#include "platform/automation/SpreadsheetServer.h"
#include "platform/rtl/TextCase.h"

#include <map>
#include <vector>

namespace {

std::map<QString, TOleObjectFactory>& OleClasses() {
    static std::map<QString, TOleObjectFactory> m = [] {
        std::map<QString, TOleObjectFactory> init;
        init[UpperCase(SpreadsheetProgID())] = &CreateSpreadsheetApplication;
        return init;
    }();
    return m;
}

std::shared_ptr<IDispatchObject> DispatchOf(const Variant& object, const QString& name) {
    if (!object.IsDispatch())
        throw EVariantTypeCastError(QStringLiteral("Could not convert variant of type (%1) into type (Dispatch)")
                                        .arg(VarTypeAsText(object.VType())));
    std::shared_ptr<IDispatchObject> disp = object.ToDispatch();
    if (!disp) throw EOleError(QStringLiteral("Automation object is not assigned, calling '%1'").arg(name));
    return disp;
}

template <class F> auto Guarded(const QString& name, F&& call) {
    try {
        return call();
    } catch (const EVariantDispatchError& e) {
        throw EOleError(QStringLiteral("OLE error 80020006: %1: %2").arg(name, e.Message()));
    } catch (const EOleError&) {
        throw;
    } catch (const Exception& e) {
        throw EOleError(QStringLiteral("OLE error 80020009: %1: %2").arg(name, e.Message()));
    }
}

} // namespace

void RegisterOleClass(const QString& ProgID, TOleObjectFactory Factory) {
    OleClasses()[UpperCase(ProgID)] = std::move(Factory);
}

void UnregisterOleClass(const QString& ProgID) {
    OleClasses().erase(UpperCase(ProgID));
}

bool IsProgIDRegistered(const QString& ProgID) {
    return OleClasses().count(UpperCase(ProgID)) != 0;
}

Variant CreateOleObject(const QString& ClassName) {
    auto it = OleClasses().find(UpperCase(ClassName));
    if (it == OleClasses().end())
        throw EOleSysError(
            QStringLiteral("Invalid class string: no automation server is registered as '%1'").arg(ClassName));
    return Variant(it->second());
}

Variant OleGet(const Variant& object, const QString& name, std::initializer_list<Variant> args) {
    auto disp = DispatchOf(object, name);
    return Guarded(name, [&] { return disp->GetProperty(name, TOleArgs(args.begin(), args.size())); });
}

Variant OleCall(const Variant& object, const QString& name, std::initializer_list<Variant> args) {
    auto disp = DispatchOf(object, name);
    return Guarded(name, [&] { return disp->Invoke(name, TOleArgs(args.begin(), args.size())); });
}

void OleSet(const Variant& object, const QString& name, const Variant& value) {
    OleSet(object, name, {}, value);
}

void OleSet(const Variant& object, const QString& name, std::initializer_list<Variant> args, const Variant& value) {
    auto disp = DispatchOf(object, name);
    Guarded(name, [&] {
        disp->SetProperty(name, TOleArgs(args.begin(), args.size()), value);
        return 0;
    });
}

// TAutoObject

Variant TAutoObject::Invoke(const QString& name, TOleArgs args) {
    return GetProperty(name, args);
}

Variant TAutoObject::GetProperty(const QString& name, TOleArgs args) {
    Variant r;
    if (!Get(UpperCase(name), args, r))
        throw EVariantDispatchError(QStringLiteral("%1 has no member '%2'").arg(AutoClassName(), name));
    return r;
}

void TAutoObject::SetProperty(const QString& name, TOleArgs args, const Variant& value) {
    if (!Set(UpperCase(name), args, value))
        throw EVariantDispatchError(QStringLiteral("%1 has no writable property '%2'").arg(AutoClassName(), name));
}

bool TAutoObject::Set(const QString&, TOleArgs, const Variant&) {
    return false;
}

bool TAutoObject::HasArg(TOleArgs args, size_t i) {
    return i < args.size() && !args[i].IsEmpty();
}

int TAutoObject::IntArg(TOleArgs args, size_t i, const QString& member) const {
    if (!HasArg(args, i)) Fail(member, QStringLiteral("argument %1 is missing").arg(i + 1));
    try {
        return args[i].ToInt();
    } catch (const Exception& e) {
        Fail(member, QStringLiteral("argument %1: %2").arg(i + 1).arg(e.Message()));
    }
}

int TAutoObject::IntArg(TOleArgs args, size_t i, const QString& member, int def) const {
    return HasArg(args, i) ? IntArg(args, i, member) : def;
}

QString TAutoObject::TextArg(TOleArgs args, size_t i, const QString& member) const {
    if (!HasArg(args, i)) Fail(member, QStringLiteral("argument %1 is missing").arg(i + 1));
    return VarToStr(args[i]);
}

void TAutoObject::Fail(const QString& member, const QString& why) const {
    throw EAutomationError(QStringLiteral("%1 method of %2 class failed: %3").arg(member, AutoClassName(), why));
}
