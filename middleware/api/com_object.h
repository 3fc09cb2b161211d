#pragma once
// The COM plumbing every object of the server shares: the module count that DllCanUnloadNow
// reads, and ComObject<T>, which gives an implementation class its IUnknown (reference count,
// QueryInterface from the class's interface table, optional aggregation).
#include <windows.h>
#include <shlwapi.h>  // QITAB

#include <atomic>
#include <new>
#include <utility>

#include "middleware/common/scoped_win32.h"

namespace tessel::com {

using win32::ComPtr;

// Live objects and class-factory locks of the module.
class ModuleCount {
public:
    static void lock() { count_.fetch_add(1, std::memory_order_relaxed); }
    static void unlock() { count_.fetch_sub(1, std::memory_order_release); }
    static bool idle() { return count_.load(std::memory_order_acquire) == 0; }

private:
    static inline std::atomic<long> count_{0};
};

// Holds the module loaded for as long as it lives.
class ModuleReference {
public:
    ModuleReference() { ModuleCount::lock(); }
    ModuleReference(const ModuleReference&) { ModuleCount::lock(); }
    ModuleReference& operator=(const ModuleReference&) = default;
    ~ModuleReference() { ModuleCount::unlock(); }
};

// Every exported method runs its body through this, so that no exception leaves the server:
// allocation failure is E_OUTOFMEMORY, anything else E_UNEXPECTED.
template <class Body>
HRESULT guarded(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

// Looks `iid` up in an interface table (QITABENT entries, ended by an empty one) of the object
// at `base`; the interface found gets a reference for the caller.
inline HRESULT findInterface(void* base, const QITAB* table, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    for (const QITAB* entry = table; entry->piid; ++entry) {
        if (*entry->piid != iid) continue;
        auto* found = reinterpret_cast<IUnknown*>(static_cast<BYTE*>(base) + entry->dwOffset);
        found->AddRef();
        *object = found;
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

// An implementation class T derives from its interfaces and provides
//     static const QITAB* interfaceTable();
// ComObject<T> completes it: the interfaces' IUnknown methods go to the controlling unknown,
// which is the outer object when T is created as an aggregated part and the object's own
// non-delegating unknown otherwise. The module reference is the first base, so it is taken
// before T's constructor runs and let go only after T's destructor (which may still run code
// of the module, e.g. stopping a worker thread) has returned.
template <class T>
class ComObject final : private ModuleReference, public T {
public:
    template <class... Args>
    explicit ComObject(IUnknown* outer, Args&&... args)
        : T(std::forward<Args>(args)...), inner_(this), controlling_(outer ? outer : &inner_) {}

    IFACEMETHODIMP QueryInterface(REFIID iid, void** object) override {
        return controlling_->QueryInterface(iid, object);
    }
    IFACEMETHODIMP_(ULONG) AddRef() override { return controlling_->AddRef(); }
    IFACEMETHODIMP_(ULONG) Release() override { return controlling_->Release(); }

    // The non-delegating unknown: what an outer object holds of its aggregated part.
    IUnknown* inner() { return &inner_; }

private:
    class Inner final : public IUnknown {
    public:
        explicit Inner(ComObject* owner) : owner_(owner) {}

        IFACEMETHODIMP QueryInterface(REFIID iid, void** object) override {
            if (!object) return E_POINTER;
            if (iid == IID_IUnknown) {
                *object = static_cast<IUnknown*>(this);
                AddRef();
                return S_OK;
            }
            return findInterface(static_cast<T*>(owner_), T::interfaceTable(), iid, object);
        }
        IFACEMETHODIMP_(ULONG) AddRef() override { return ++references_; }
        IFACEMETHODIMP_(ULONG) Release() override {
            const ULONG left = --references_;
            if (left == 0) delete owner_;
            return left;
        }

    private:
        ComObject* owner_;
        std::atomic<ULONG> references_{1};
    };

    Inner inner_;
    IUnknown* controlling_;
};

// Makes a new T (not aggregated) and holds it; the caller's reference is the only one.
// Null when memory runs out: no exception leaves the server.
template <class T, class... Args>
ComPtr<ComObject<T>> makeObject(Args&&... args) {
    ComPtr<ComObject<T>> object;
    try {
        object.Attach(new ComObject<T>(nullptr, std::forward<Args>(args)...));
    } catch (const std::bad_alloc&) {
    }
    return object;
}

// A new T for a class factory: with `outer` an aggregated part (only IUnknown may then be asked
// for), otherwise a stand-alone object; *object receives the requested interface.
template <class T>
HRESULT createInstance(IUnknown* outer, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (outer && iid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
    ComObject<T>* created = nullptr;
    try {
        created = new ComObject<T>(outer);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    const HRESULT status = created->inner()->QueryInterface(iid, object);
    created->inner()->Release();
    return status;
}

// Hands `object` out through an out-pointer of interface I, with a reference for the caller.
template <class I, class T>
HRESULT handOut(const ComPtr<T>& object, I** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!object) return E_OUTOFMEMORY;
    *out = static_cast<I*>(object.Get());
    (*out)->AddRef();
    return S_OK;
}

// A new T handed out as interface I.
template <class T, class I, class... Args>
HRESULT createObject(I** out, Args&&... args) {
    if (!out) return E_POINTER;
    return handOut(makeObject<T>(std::forward<Args>(args)...), out);
}

}  // namespace tessel::com
