#include "tools/tesselctl/failure.h"

#include <cstdio>

#include "tools/tesselctl/console.h"

namespace tessel::ctl {
namespace {

struct Known {
    HRESULT status;
    const char* name;
    const char* text;
};

constexpr HRESULT kModuleNotFound = static_cast<HRESULT>(0x8007007E);
constexpr HRESULT kMoreData = static_cast<HRESULT>(0x800700EA);
constexpr HRESULT kFileNotFound = static_cast<HRESULT>(0x80070002);
constexpr HRESULT kDeviceNotConnected = static_cast<HRESULT>(0x8007048F);

constexpr const char* kRegister = "the middleware is not registered; run regsvr32 KavixMiddlewareServer.dll";

constexpr Known kKnown[] = {
    {E_FAIL, "E_FAIL", "the operation failed (the mouse refused it or stayed busy, or the item does not exist)"},
    {E_ABORT, "E_ABORT", "the exchange with the mouse broke off (was it unplugged?)"},
    {E_HANDLE, "E_HANDLE", "the mouse's driver channel is not available for this operation"},
    {E_ACCESSDENIED, "E_ACCESSDENIED", "the operation is not allowed"},
    {E_OUTOFMEMORY, "E_OUTOFMEMORY", "out of memory, or no room left on the mouse"},
    {E_INVALIDARG, "E_INVALIDARG", "a value is out of range"},
    {E_NOTIMPL, "E_NOTIMPL", "the middleware does not implement this operation"},
    {E_POINTER, "E_POINTER", "the middleware was handed a missing value"},
    {E_NOINTERFACE, "E_NOINTERFACE", "the middleware does not offer this interface"},
    {E_UNEXPECTED, "E_UNEXPECTED", "the middleware failed unexpectedly"},
    {kNoMouseFound, "ERROR_NO_MORE_ITEMS", "no mouse found"},
    {kDeviceNotConnected, "ERROR_DEVICE_NOT_CONNECTED", "the mouse is gone: it is not connected (any more)"},
    {REGDB_E_CLASSNOTREG, "REGDB_E_CLASSNOTREG", kRegister},
    {CO_E_CLASSSTRING, "CO_E_CLASSSTRING", kRegister},
    {kModuleNotFound, "ERROR_MOD_NOT_FOUND",
     "the middleware is registered, but KavixMiddlewareServer.dll is missing; register it again with regsvr32"},
    {CO_E_NOTINITIALIZED, "CO_E_NOTINITIALIZED", "the component runtime is not started"},
    {kMoreData, "ERROR_MORE_DATA", "a stored name or value is too long to be read back"},
    {kFileNotFound, "ERROR_FILE_NOT_FOUND", "the file or stored item does not exist"},
};

const Known* find(HRESULT status) {
    for (const Known& known : kKnown)
        if (known.status == status) return &known;
    return nullptr;
}

std::string hex(HRESULT status) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lX", static_cast<unsigned long>(status));
    return text;
}

}  // namespace

std::string statusName(HRESULT status) {
    const Known* known = find(status);
    return known ? std::string(known->name) + " (" + hex(status) + ")" : hex(status);
}

std::string statusText(HRESULT status) {
    if (const Known* known = find(status)) return known->text;
    // Other system errors carry their own message.
    wchar_t* message = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, static_cast<DWORD>(status), 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    std::wstring text = length ? std::wstring(message, length) : L"";
    LocalFree(message);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ' || text.back() == L'.'))
        text.pop_back();
    return text.empty() ? "the middleware reported a failure" : toUtf8(text);
}

int exitCodeFor(HRESULT status) {
    switch (status) {
    case kNoMouseFound:
    case kDeviceNotConnected:
        return exit_code::noMouse;
    case REGDB_E_CLASSNOTREG:
    case CO_E_CLASSSTRING:
    case kModuleNotFound:
        return exit_code::notInstalled;
    default:
        return exit_code::failed;
    }
}

Failure::Failure(const std::string& operation, HRESULT status, std::string text)
    : std::runtime_error(operation + ": " + text), operation_(operation), status_(status), text_(std::move(text)) {}

void check(HRESULT status, const std::string& operation, std::initializer_list<Hint> hints) {
    if (SUCCEEDED(status)) return;
    for (const Hint& hint : hints)
        if (hint.status == status) throw Failure(operation, status, hint.text);
    throw Failure(operation, status, statusText(status));
}

}  // namespace tessel::ctl
