#pragma once
// Ownership of a Win32 kernel handle.
#include <windows.h>

#include <memory>

namespace tessel::com {

struct HandleClose {
    void operator()(HANDLE handle) const {
        if (handle && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};
using UniqueHandle = std::unique_ptr<void, HandleClose>;

}  // namespace tessel::com
