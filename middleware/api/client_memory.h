#pragma once
// Memory that crosses to clients: strings and blocks from the task allocator (the client frees
// them with CoTaskMemFree), automation strings and safe arrays by the automation rules, and the
// RAII owners the server holds them in until they are handed out.
#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "middleware/common/scoped_win32.h"

namespace tessel::com {

using win32::BstrOwner;
using win32::SafeArrayOwner;
using win32::TaskMemory;

// `bytes` zeroed bytes from the task allocator, null when it has none.
template <class T>
TaskMemory<T> allocateTaskMemory(std::size_t bytes) {
    void* block = CoTaskMemAlloc(bytes ? bytes : 1);
    if (block) std::memset(block, 0, bytes ? bytes : 1);
    return TaskMemory<T>(static_cast<T*>(block));
}

// Text the server keeps is UTF-16 as char16_t; the platform's wchar_t is the same size.
inline const wchar_t* asWide(const std::u16string& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }
inline std::u16string fromWide(const wchar_t* text) {
    return text ? std::u16string(reinterpret_cast<const char16_t*>(text)) : std::u16string();
}

// A new task-allocator copy of `text` in *out. E_POINTER for a null out, E_OUTOFMEMORY.
HRESULT handOutTaskString(std::u16string_view text, LPWSTR* out);
// A new automation string in *out.
HRESULT handOutBstr(std::u16string_view text, BSTR* out);

// Hands `values` out as a task-allocator array of longs in *array and its length in *count.
HRESULT handOutLongArray(std::span<const std::int32_t> values, long* count, long** array);

// Safe arrays of the Managed operations.
HRESULT makeBstrArray(std::span<const std::u16string> texts, SafeArrayOwner& array);
HRESULT makeLongSafeArray(std::span<const std::int32_t> values, SafeArrayOwner& array);
HRESULT makeByteSafeArray(std::span<const std::uint8_t> bytes, SafeArrayOwner& array);
// A one-dimensional array of the type library's record `recordName` (24-byte records).
HRESULT makeRecordSafeArray(const wchar_t* recordName, std::span<const std::uint8_t> records,
                            std::size_t recordSize, SafeArrayOwner& array);

// Reading safe arrays that clients pass in: one dimension, the expected element type;
// E_POINTER for null, E_INVALIDARG otherwise.
HRESULT readBstrArray(SAFEARRAY* array, std::vector<std::u16string>& texts);
HRESULT readByteSafeArray(SAFEARRAY* array, std::vector<std::uint8_t>& bytes);
HRESULT readRecordSafeArray(SAFEARRAY* array, const wchar_t* recordName, std::size_t recordSize,
                            std::vector<std::uint8_t>& records);

// Passes an array out through a SAFEARRAY out-pointer; the owner lets go.
inline void handOutSafeArray(SafeArrayOwner& array, SAFEARRAY** out) { *out = array.release(); }

}  // namespace tessel::com
