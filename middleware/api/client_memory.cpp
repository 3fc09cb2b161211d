#include "middleware/api/client_memory.h"

#include <mutex>
#include <utility>

#include "middleware/api/com_object.h"
#include "middleware/api/server_module.h"

namespace tessel::com {

HRESULT handOutTaskString(std::u16string_view text, LPWSTR* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    auto copy = allocateTaskMemory<wchar_t>((text.size() + 1) * sizeof(wchar_t));
    if (!copy) return E_OUTOFMEMORY;
    std::memcpy(copy.get(), text.data(), text.size() * sizeof(wchar_t));
    *out = copy.release();
    return S_OK;
}

HRESULT handOutBstr(std::u16string_view text, BSTR* out) {
    if (!out) return E_POINTER;
    *out = SysAllocStringLen(reinterpret_cast<const wchar_t*>(text.data()), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT handOutLongArray(std::span<const std::int32_t> values, long* count, long** array) {
    if (!count || !array) return E_POINTER;
    *count = 0;
    *array = nullptr;
    auto block = allocateTaskMemory<long>(values.size() * sizeof(long));
    if (!block) return E_OUTOFMEMORY;
    for (std::size_t i = 0; i < values.size(); ++i) block.get()[i] = values[i];
    *count = static_cast<long>(values.size());
    *array = block.release();
    return S_OK;
}

namespace {

// A vector-shaped array of `type` with `count` elements, its data reachable while locked.
HRESULT makeVector(VARTYPE type, std::size_t count, SafeArrayOwner& array) {
    array.reset(SafeArrayCreateVector(type, 0, static_cast<ULONG>(count)));
    return array ? S_OK : E_OUTOFMEMORY;
}

template <class Element, class Fill>
HRESULT fillVector(SafeArrayOwner& array, Fill&& fill) {
    Element* data = nullptr;
    if (HRESULT status = SafeArrayAccessData(array.get(), reinterpret_cast<void**>(&data)); FAILED(status)) return status;
    const HRESULT status = fill(data);
    SafeArrayUnaccessData(array.get());
    if (FAILED(status)) array.reset();
    return status;
}

// The record info of `recordName`. The type library and each record info are loaded once per
// process and kept to its end: they belong to the automation runtime, not to this module, and
// loading them on every safe-array call would read the type library each time.
HRESULT recordInfo(const wchar_t* recordName, ComPtr<IRecordInfo>& info) {
    struct Loaded {
        win32::CriticalSection lock;
        ComPtr<ITypeLib> library;
        std::vector<std::pair<std::wstring, ComPtr<IRecordInfo>>> records;
    };
    static Loaded* const loaded = new Loaded;
    std::scoped_lock guard(loaded->lock);
    for (const auto& [name, known] : loaded->records) {
        if (name != recordName) continue;
        info = known;
        return S_OK;
    }
    if (!loaded->library) {
        if (HRESULT status = loadServerTypeLib(loaded->library); FAILED(status)) return status;
    }
    std::wstring name(recordName);
    ITypeInfo* found[1] = {};
    MEMBERID member[1] = {};
    USHORT wanted = 1;
    if (HRESULT status = loaded->library->FindName(name.data(), 0, found, member, &wanted); FAILED(status)) return status;
    if (wanted == 0) return TYPE_E_ELEMENTNOTFOUND;
    ComPtr<ITypeInfo> typeInfo;
    typeInfo.Attach(found[0]);
    ComPtr<IRecordInfo> made;
    if (HRESULT status = GetRecordInfoFromTypeInfo(typeInfo.Get(), made.GetAddressOf()); FAILED(status)) return status;
    loaded->records.emplace_back(std::move(name), made);
    info = made;
    return S_OK;
}

// The element count of a one-dimensional array of `type`; E_INVALIDARG for any other shape.
HRESULT vectorLength(SAFEARRAY* array, VARTYPE type, LONG& count) {
    if (!array) return E_POINTER;
    VARTYPE actual = VT_EMPTY;
    if (SafeArrayGetDim(array) != 1 || FAILED(SafeArrayGetVartype(array, &actual)) || actual != type)
        return E_INVALIDARG;
    LONG lower = 0, upper = -1;
    if (FAILED(SafeArrayGetLBound(array, 1, &lower)) || FAILED(SafeArrayGetUBound(array, 1, &upper)))
        return E_INVALIDARG;
    count = upper - lower + 1;
    return count >= 0 ? S_OK : E_INVALIDARG;
}

template <class Element, class Read>
HRESULT readVector(SAFEARRAY* array, Read&& read) {
    Element* data = nullptr;
    if (HRESULT status = SafeArrayAccessData(array, reinterpret_cast<void**>(&data)); FAILED(status)) return status;
    HRESULT status = S_OK;
    try {
        read(data);
    } catch (const std::bad_alloc&) {
        status = E_OUTOFMEMORY;
    }
    SafeArrayUnaccessData(array);
    return status;
}

}  // namespace

HRESULT makeBstrArray(std::span<const std::u16string> texts, SafeArrayOwner& array) {
    if (HRESULT status = makeVector(VT_BSTR, texts.size(), array); FAILED(status)) return status;
    return fillVector<BSTR>(array, [&](BSTR* data) {
        for (std::size_t i = 0; i < texts.size(); ++i)
            if (HRESULT status = handOutBstr(texts[i], &data[i]); FAILED(status)) return status;
        return S_OK;
    });
}

HRESULT makeLongSafeArray(std::span<const std::int32_t> values, SafeArrayOwner& array) {
    if (HRESULT status = makeVector(VT_I4, values.size(), array); FAILED(status)) return status;
    return fillVector<LONG>(array, [&](LONG* data) {
        for (std::size_t i = 0; i < values.size(); ++i) data[i] = values[i];
        return S_OK;
    });
}

HRESULT makeByteSafeArray(std::span<const std::uint8_t> bytes, SafeArrayOwner& array) {
    if (HRESULT status = makeVector(VT_UI1, bytes.size(), array); FAILED(status)) return status;
    return fillVector<std::uint8_t>(array, [&](std::uint8_t* data) {
        if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
        return S_OK;
    });
}

HRESULT makeRecordSafeArray(const wchar_t* recordName, std::span<const std::uint8_t> records,
                            std::size_t recordSize, SafeArrayOwner& array) {
    ComPtr<IRecordInfo> info;
    if (HRESULT status = recordInfo(recordName, info); FAILED(status)) return status;
    const std::size_t count = records.size() / recordSize;
    array.reset(SafeArrayCreateVectorEx(VT_RECORD, 0, static_cast<ULONG>(count), info.Get()));
    if (!array) return E_OUTOFMEMORY;
    return fillVector<std::uint8_t>(array, [&](std::uint8_t* data) {
        if (!records.empty()) std::memcpy(data, records.data(), count * recordSize);
        return S_OK;
    });
}

HRESULT readBstrArray(SAFEARRAY* array, std::vector<std::u16string>& texts) {
    LONG count = 0;
    if (HRESULT status = vectorLength(array, VT_BSTR, count); FAILED(status)) return status;
    return readVector<BSTR>(array, [&](const BSTR* data) {
        texts.clear();
        for (LONG i = 0; i < count; ++i) texts.push_back(fromWide(data[i]));
    });
}

HRESULT readByteSafeArray(SAFEARRAY* array, std::vector<std::uint8_t>& bytes) {
    LONG count = 0;
    if (HRESULT status = vectorLength(array, VT_UI1, count); FAILED(status)) return status;
    return readVector<std::uint8_t>(array, [&](const std::uint8_t* data) { bytes.assign(data, data + count); });
}

HRESULT readRecordSafeArray(SAFEARRAY* array, const wchar_t* recordName, std::size_t recordSize,
                            std::vector<std::uint8_t>& records) {
    LONG count = 0;
    if (HRESULT status = vectorLength(array, VT_RECORD, count); FAILED(status)) return status;
    // The element type must be the record itself, not merely something of the same size.
    ComPtr<IRecordInfo> actual, expected;
    GUID actualGuid{}, expectedGuid{};
    if (FAILED(SafeArrayGetRecordInfo(array, actual.GetAddressOf())) || !actual ||
        FAILED(recordInfo(recordName, expected)) || FAILED(actual->GetGuid(&actualGuid)) ||
        FAILED(expected->GetGuid(&expectedGuid)) || actualGuid != expectedGuid ||
        SafeArrayGetElemsize(array) != recordSize)
        return E_INVALIDARG;
    return readVector<std::uint8_t>(array, [&](const std::uint8_t* data) {
        records.assign(data, data + static_cast<std::size_t>(count) * recordSize);
    });
}

}  // namespace tessel::com
