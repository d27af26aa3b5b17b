#pragma once
// Object handles: how objects reach scripts. A script holds an object as a 32-bit integer; the
// process-wide table turns it back into the object and refuses a handle whose object is gone
// or that was never given out, instead of following a dangling pointer. 0 is nil. Handles are
// scattered over the positive 31-bit range and never given out twice while the counter lasts,
// so a stale handle cannot reach a newer object.

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Variant.h"

#include <cstdint>

class TObjectHandles {
public:
    // The object's handle, given on first request; 0 for nullptr.
    static std::int32_t HandleOf(const TObject* object);
    // The object of a handle; nullptr for 0. A stale or forged handle raises EInvalidPointer
    // "invalid object reference".
    static TObject* Resolve(std::int32_t handle);
    // As Resolve, but nullptr instead of raising.
    static TObject* TryResolve(std::int32_t handle);
    static bool IsValid(std::int32_t handle) { return handle == 0 || TryResolve(handle) != nullptr; }
    // Drops the object's handle; later uses of it raise. Called when the object dies.
    static void Release(TObject* object);
    static int Count(); // live handles
};

// An object as scripts carry it: a varInteger holding its handle (0 for nil).
Variant ObjectToVariant(const TObject* object);
// The object a script value refers to: Empty and 0 give nullptr, Null raises the variant
// conversion error, a stale or forged handle raises "invalid object reference".
TObject* VariantToObject(const Variant& value);
// As VariantToObject, and the object must be a T (EInvalidCast "Invalid class typecast").
template <class T> T* VariantToObjectAs(const Variant& value) {
    TObject* o = VariantToObject(value);
    if (!o) return nullptr;
    T* t = dynamic_cast<T*>(o);
    if (!t) throw EInvalidCast(QStringLiteral("Invalid class typecast"));
    return t;
}
