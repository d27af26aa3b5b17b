#include "platform/rtti/ObjectHandles.h"

#include <atomic>
#include <limits>
#include <mutex>
#include <unordered_map>

namespace {

struct HandleTable {
    std::mutex Lock;
    std::unordered_map<std::uint32_t, TObject*> Objects;
    std::uint32_t Counter = 0;
    // Bumped under the lock by every release: a handle resolved at an unchanged count still
    // names the same live object. New handles change no earlier answer.
    std::atomic<std::uint64_t> Releases{0};

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

namespace {

// The last handle a thread resolved: a script reading one object's properties in a loop
// resolves it again for every read, and this answers without the lock while no handle has been
// released since. An object dying while another thread uses it is as unsafe as with the lock.
struct TResolved {
    std::uint32_t Handle = 0;
    TObject* Object = nullptr;
    std::uint64_t Releases = 0;
};
thread_local TResolved LastResolved;

} // namespace

TObject* TObjectHandles::TryResolve(std::int32_t handle) {
    if (handle == 0) return nullptr;
    auto& t = HandleTable::Get();
    const auto h = static_cast<std::uint32_t>(handle);
    TResolved& last = LastResolved;
    if (last.Handle == h && last.Releases == t.Releases.load(std::memory_order_acquire)) return last.Object;
    std::lock_guard lock(t.Lock);
    auto it = t.Objects.find(h);
    if (it == t.Objects.end()) return nullptr;
    last = {h, it->second, t.Releases.load(std::memory_order_relaxed)};
    return it->second;
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
    t.Releases.fetch_add(1, std::memory_order_release);
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
    if (value.VType() == varInteger) return TObjectHandles::Resolve(static_cast<std::int32_t>(value.RawInt()));
    const Int64 h = value.ToInt64(); // Null raises the conversion error
    if (h < std::numeric_limits<std::int32_t>::min() || h > std::numeric_limits<std::int32_t>::max())
        throw EInvalidPointer(QStringLiteral("invalid object reference"));
    return TObjectHandles::Resolve(static_cast<std::int32_t>(h));
}
