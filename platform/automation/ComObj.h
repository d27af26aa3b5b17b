#pragma once
// Late-bound automation: servers are registered under program identifiers and created by them;
// their members are reached by name with Variant arguments through IDispatchObject.

#include "platform/rtl/Variant.h"

#include <QString>

#include <functional>
#include <initializer_list>
#include <memory>
#include <span>

// A server's member call failed (bad argument, impossible request, file not written...). Callers
// going through OleGet/OleSet/OleCall or a script receive it as EOleError "OLE error 80020009".
KORVEL_EXCEPTION(EAutomationError, Exception)

using TOleObjectFactory = std::function<std::shared_ptr<IDispatchObject>()>;

// Program identifiers compare without regard to case. "Excel.Application" is registered from the
// start (the in-process spreadsheet server); tests and hosts may add or remove servers.
void RegisterOleClass(const QString& ProgID, TOleObjectFactory Factory);
void UnregisterOleClass(const QString& ProgID);
bool IsProgIDRegistered(const QString& ProgID);
// A new object of the server registered under ClassName; EOleSysError when none is.
Variant CreateOleObject(const QString& ClassName);

// Member access from C++ callers, with the errors a script would see: EOleError "OLE error
// 80020006: <member>: ..." for a member the object does not know, "OLE error 80020009: <member>:
// ..." for any failure of the server.
Variant OleGet(const Variant& object, const QString& name, std::initializer_list<Variant> args = {});
Variant OleCall(const Variant& object, const QString& name, std::initializer_list<Variant> args = {});
void OleSet(const Variant& object, const QString& name, const Variant& value);
void OleSet(const Variant& object, const QString& name, std::initializer_list<Variant> args, const Variant& value);

using TOleArgs = std::span<const Variant>;

// Base of the server objects: a member is looked up by its upper-case name. Methods and property
// reads share one table, as automation clients may ask for either.
class TAutoObject : public IDispatchObject {
public:
    Variant Invoke(const QString& name, TOleArgs args) override;
    Variant GetProperty(const QString& name, TOleArgs args) override;
    void SetProperty(const QString& name, TOleArgs args, const Variant& value) override;

    // The server's class name, used in error messages ("Range", "Workbook", ...).
    virtual QString AutoClassName() const = 0;

protected:
    // Return false when the member is not known.
    virtual bool Get(const QString& upperName, TOleArgs args, Variant& result) = 0;
    virtual bool Set(const QString& upperName, TOleArgs args, const Variant& value);

    // Argument helpers: an Empty argument counts as omitted.
    static bool HasArg(TOleArgs args, size_t i);
    int IntArg(TOleArgs args, size_t i, const QString& member) const;
    int IntArg(TOleArgs args, size_t i, const QString& member, int def) const;
    QString TextArg(TOleArgs args, size_t i, const QString& member) const;
    [[noreturn]] void Fail(const QString& member, const QString& why) const;
};

template <class T> std::shared_ptr<T> AutoObjectOf(const Variant& v) {
    if (!v.IsDispatch()) return nullptr;
    return std::dynamic_pointer_cast<T>(v.ToDispatch());
}
