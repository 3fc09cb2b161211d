#pragma once
// Ownership of what Windows hands out, one owner type for each kind: kernel handles, hooks,
// interface pointers, task-allocator memory, automation strings and safe arrays, the calling
// thread's apartment, and critical sections. The server, tesselctl and the tests all use these.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <cstddef>
#include <memory>
#include <type_traits>
#include <utility>

namespace tessel::win32 {

// --- kernel handles and hooks ---

struct HandleClose {
    void operator()(HANDLE handle) const {
        if (handle && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};
// A kernel handle (event, mutex, thread, process, file); null and INVALID_HANDLE_VALUE are empty.
using UniqueHandle = std::unique_ptr<void, HandleClose>;

struct HookRemove {
    void operator()(HHOOK hook) const { UnhookWindowsHookEx(hook); }
};
using UniqueHook = std::unique_ptr<std::remove_pointer_t<HHOOK>, HookRemove>;

// --- memory of the component runtime ---

struct TaskMemoryFree {
    void operator()(void* block) const { CoTaskMemFree(block); }
};
// A block from the task allocator, as the middleware hands out and clients free.
template <class T>
using TaskMemory = std::unique_ptr<T, TaskMemoryFree>;

struct BstrFree {
    void operator()(wchar_t* text) const { SysFreeString(text); }
};
using BstrOwner = std::unique_ptr<wchar_t, BstrFree>;

struct SafeArrayFree {
    void operator()(SAFEARRAY* array) const { SafeArrayDestroy(array); }
};
using SafeArrayOwner = std::unique_ptr<SAFEARRAY, SafeArrayFree>;

// --- interface pointers ---

// One reference, released when the owner goes.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes a reference of its own to `object`.
    ComPtr(T* object) : object_(object) {
        if (object_) object_->AddRef();
    }
    ComPtr(const ComPtr& other) : ComPtr(other.object_) {}
    ComPtr(ComPtr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
    template <class U>
    ComPtr(const ComPtr<U>& other) : ComPtr(static_cast<T*>(other.Get())) {}
    ~ComPtr() { Reset(); }

    ComPtr& operator=(ComPtr other) noexcept {
        std::swap(object_, other.object_);
        return *this;
    }

    T* Get() const { return object_; }
    T* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

    // For out-parameters: the pointer must be empty (it is not released first).
    T** GetAddressOf() { return &object_; }
    T** ReleaseAndGetAddressOf() {
        Reset();
        return &object_;
    }

    void Reset() {
        if (object_) std::exchange(object_, nullptr)->Release();
    }
    // Takes over a reference the caller already owns.
    void Attach(T* object) {
        Reset();
        object_ = object;
    }
    T* Detach() { return std::exchange(object_, nullptr); }

    template <class U>
    HRESULT As(ComPtr<U>* other) const {
        return object_->QueryInterface(__uuidof(U), reinterpret_cast<void**>(other->ReleaseAndGetAddressOf()));
    }

private:
    T* object_ = nullptr;
};

// --- the calling thread's apartment ---

// Enters the component runtime for the life of the holder; leaves only what it entered.
class Apartment {
public:
    explicit Apartment(DWORD model = COINIT_APARTMENTTHREADED) : status_(CoInitializeEx(nullptr, model)) {}
    ~Apartment() {
        if (SUCCEEDED(status_)) CoUninitialize();
    }
    Apartment(const Apartment&) = delete;
    Apartment& operator=(const Apartment&) = delete;

    // S_OK, S_FALSE (entered before on this thread) or the failure, e.g. RPC_E_CHANGED_MODE.
    HRESULT status() const { return status_; }

private:
    HRESULT status_;
};

// --- locks ---

// A critical section, usable with std::scoped_lock and std::unique_lock.
class CriticalSection {
public:
    CriticalSection() { InitializeCriticalSection(&section_); }
    ~CriticalSection() { DeleteCriticalSection(&section_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void lock() { EnterCriticalSection(&section_); }
    void unlock() { LeaveCriticalSection(&section_); }
    CRITICAL_SECTION* native() { return &section_; }

private:
    CRITICAL_SECTION section_;
};

}  // namespace tessel::win32
