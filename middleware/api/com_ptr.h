#pragma once
// An owning interface pointer: one reference, released when the owner goes.
#include <unknwn.h>

#include <cstddef>
#include <utility>

namespace tessel::com {

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

}  // namespace tessel::com
