#include "platform/rtti/ObjectHandles.h"

#include <limits>
#include <mutex>
#include <unordered_map>

namespace {

struct HandleTable {
    std::mutex Lock;
    std::unordered_map<std::uint32_t, TObject*> Objects;
    std::uint32_t Counter = 0;

    static HandleTable& Get() {
        static HandleTable* table = new HandleTable; // never destroyed: objects may die after exit
        return *table;
    }

    // An odd multiplier permutes the 31-bit range, so consecutive handles lie far apart and
    // small integers a script might invent are almost never live handles.
    std::uint32_t Next() {
        for (;;) {
            Counter = (Counter + 1) & 0x7FFFFFFFu;
            const std::uint32_t h = (Counter * 0x9E3779B1u) & 0x7FFFFFFFu;
            if (h != 0 && !Objects.count(h)) return h;
        }
    }
};

void ReleaseHook(TObject* object) {
    TObjectHandles::Release(object);
}

} // namespace

std::int32_t TObjectHandles::HandleOf(const TObject* object) {
    if (!object) return 0;
    auto* obj = const_cast<TObject*>(object);
    auto& t = HandleTable::Get();
    std::lock_guard lock(t.Lock);
    if (obj->FObjectHandle == 0) {
        GReleaseObjectHandle = &ReleaseHook;
        obj->FObjectHandle = t.Next();
        t.Objects.emplace(obj->FObjectHandle, obj);
    }
    return static_cast<std::int32_t>(obj->FObjectHandle);
}

TObject* TObjectHandles::TryResolve(std::int32_t handle) {
    if (handle == 0) return nullptr;
    auto& t = HandleTable::Get();
    std::lock_guard lock(t.Lock);
    auto it = t.Objects.find(static_cast<std::uint32_t>(handle));
    return it == t.Objects.end() ? nullptr : it->second;
}

TObject* TObjectHandles::Resolve(std::int32_t handle) {
    if (handle == 0) return nullptr;
    TObject* o = TryResolve(handle);
    if (!o) throw EInvalidPointer(QStringLiteral("invalid object reference"));
    return o;
}

void TObjectHandles::Release(TObject* object) {
    if (!object || object->FObjectHandle == 0) return;
    auto& t = HandleTable::Get();
    std::lock_guard lock(t.Lock);
    t.Objects.erase(object->FObjectHandle);
    object->FObjectHandle = 0;
}

int TObjectHandles::Count() {
    auto& t = HandleTable::Get();
    std::lock_guard lock(t.Lock);
    return static_cast<int>(t.Objects.size());
}

Variant ObjectToVariant(const TObject* object) {
    return Variant(static_cast<int>(TObjectHandles::HandleOf(object)));
}

TObject* VariantToObject(const Variant& value) {
    if (value.IsEmpty()) return nullptr;
    const Int64 h = value.ToInt64(); // Null raises the conversion error
    if (h < std::numeric_limits<std::int32_t>::min() || h > std::numeric_limits<std::int32_t>::max())
        throw EInvalidPointer(QStringLiteral("invalid object reference"));
    return TObjectHandles::Resolve(static_cast<std::int32_t>(h));
}
