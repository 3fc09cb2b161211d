#include "middleware/api/tests/com_testing.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <ostream>

#include "sim/state_store.h"

namespace tessel::com::testing {

std::wstring serverPath() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring result(path);
    return result.substr(0, result.find_last_of(L'\\') + 1) + L"KavixMiddlewareServer.dll";
}

HRESULT callServerExport(const char* name) {
    HMODULE server = LoadLibraryW(serverPath().c_str());
    if (!server) return HRESULT_FROM_WIN32(GetLastError());
    auto function = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(reinterpret_cast<void*>(GetProcAddress(server, name)));
    const HRESULT status = function ? function() : HRESULT_FROM_WIN32(GetLastError());
    FreeLibrary(server);
    return status;
}

HRESULT serverCanUnloadNow() {
    HMODULE server = GetModuleHandleW(L"KavixMiddlewareServer.dll");
    if (!server) return S_OK;  // not even loaded
    auto function =
        reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(reinterpret_cast<void*>(GetProcAddress(server, "DllCanUnloadNow")));
    return function ? function() : E_FAIL;
}

ComPtr<IDeviceEnumeration> createDeviceEnumeration() {
    CLSID clsid{};
    ComPtr<IDeviceEnumeration> enumeration;
    EXPECT_EQ(CLSIDFromProgID(L"Server.DeviceEnumeration", &clsid), S_OK);
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDeviceEnumeration,
                               reinterpret_cast<void**>(enumeration.GetAddressOf())),
              S_OK);
    return enumeration;
}

namespace mouse {

std::string statePath() {
    static const std::string path = [] {
        char directory[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, directory);
        // Test sessions share drive C: and each numbers its processes from the start, so the
        // session's own prefix name keeps two tests' mice apart.
        std::string session;
        if (const char* prefix = std::getenv("WINEPREFIX")) {
            session = prefix;
            session = session.substr(session.find_last_of("/\\") + 1) + "-";
        }
        return std::string(directory) + "tessel-com-" + session + std::to_string(GetCurrentProcessId()) + ".state";
    }();
    return path;
}

void reset(const sim::MouseState& state) { sim::writeStateFile(statePath(), state); }

sim::MouseState read() { return sim::StateStore::inFile(statePath())->read(); }

void change(const std::function<void(sim::MouseState&)>& edit) { sim::StateStore::inFile(statePath())->update(edit); }

sim::MouseState withoutProfiles() {
    sim::MouseState state = sim::MouseState::factory();
    for (sim::Profile& profile : state.profiles) profile.name = sim::freeName();
    return state;
}

}  // namespace mouse

DWORD runProgram(const std::wstring& commandLine) {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    std::wstring line = commandLine;
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return static_cast<DWORD>(-1);
    const win32::UniqueHandle thread(process.hThread), owned(process.hProcess);
    // The hook of this thread must answer while the program sends keys.
    pumpMessagesUntil([&] { return WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0; }, INFINITE);
    DWORD exitCode = 0;
    GetExitCodeProcess(process.hProcess, &exitCode);
    return exitCode;
}

bool pumpMessagesUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const ULONGLONG deadline = timeoutMs == INFINITE ? ~0ull : GetTickCount64() + timeoutMs;
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (done()) return true;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        // Short waits: `done` may turn true without a message (a process ending).
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 10)),
                                  QS_ALLINPUT);
    }
}

void pumpMessagesFor(DWORD ms) { pumpMessagesUntil([] { return false; }, ms); }

std::ostream& operator<<(std::ostream& out, const Event& event) {
    out << event.name << "(";
    for (size_t i = 0; i < event.values.size(); ++i) out << (i ? ", " : "") << event.values[i];
    return out << ")";
}

ComPtr<RecordingSink> RecordingSink::create(std::vector<Event>* log, std::string tag) {
    ComPtr<RecordingSink> sink;
    sink.Attach(new RecordingSink(log, std::move(tag)));
    return sink;
}

IFACEMETHODIMP RecordingSink::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID__IHaldenEvents)
        *object = static_cast<_IHaldenEvents*>(this);
    else if (iid == IID__IOTFSEvents)
        *object = static_cast<_IOTFSEvents*>(this);
    else if (iid == IID__IDpiEvents)
        *object = static_cast<_IDpiEvents*>(this);
    else if (iid == IID__IHaldenProfileManagerEvents)
        *object = static_cast<_IHaldenProfileManagerEvents*>(this);
    else if (iid == IID__IButtonControlEvents)
        *object = static_cast<_IButtonControlEvents*>(this);
    else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

IFACEMETHODIMP_(ULONG) RecordingSink::Release() {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

void RecordingSink::record(const char* name, std::vector<long> values) {
    log_->push_back({tag_.empty() ? name : tag_ + ":" + name, std::move(values)});
    if (onEvent) onEvent();
}

IFACEMETHODIMP RecordingSink::OnHaldenEvent(_THaldenInfoType* info) {
    record("OnHaldenEvent", {info->ValidFields, info->DpiX, info->DpiY, info->ActiveProfile});
    return S_OK;
}
IFACEMETHODIMP RecordingSink::OnOTFSEvent(_TButtonStatus* status) {
    record("OnOTFSEvent", {static_cast<long>(status->button), status->bState});
    return S_OK;
}
IFACEMETHODIMP RecordingSink::OnDpiEvent() {
    record("OnDpiEvent", {});
    return S_OK;
}
IFACEMETHODIMP RecordingSink::OnHaldenProfileManagerEvent(_THaldenProfileManagerInfo* info) {
    record("OnHaldenProfileManagerEvent", {info->ActiveProfile});
    return S_OK;
}
IFACEMETHODIMP RecordingSink::OnButtonClickEvent(_TButtonStatus* status) {
    record("OnButtonClickEvent", {static_cast<long>(status->button), status->bState});
    return S_OK;
}

DWORD advise(IUnknown* source, REFIID iid, IUnknown* sink) {
    ComPtr<IConnectionPointContainer> container;
    ComPtr<IConnectionPoint> point;
    DWORD cookie = 0;
    if (FAILED(source->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(container.GetAddressOf()))) ||
        FAILED(container->FindConnectionPoint(iid, point.GetAddressOf())) || FAILED(point->Advise(sink, &cookie)))
        return 0;
    return cookie;
}

HRESULT unadvise(IUnknown* source, REFIID iid, DWORD cookie) {
    ComPtr<IConnectionPointContainer> container;
    ComPtr<IConnectionPoint> point;
    if (HRESULT status = source->QueryInterface(IID_IConnectionPointContainer,
                                                reinterpret_cast<void**>(container.GetAddressOf()));
        FAILED(status))
        return status;
    if (HRESULT status = container->FindConnectionPoint(iid, point.GetAddressOf()); FAILED(status)) return status;
    return point->Unadvise(cookie);
}

namespace {

// Before the first test: the server is registered and the simulated mouse is chosen, so that
// every test process talks to its own simulated mouse in a fresh state file.
class ServerEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        _putenv_s("TESSEL_SIM", mouse::statePath().c_str());
        mouse::reset();
        ASSERT_EQ(callServerExport("DllRegisterServer"), S_OK);
    }
    void TearDown() override {
        DeleteFileA(mouse::statePath().c_str());
        DeleteFileA((mouse::statePath() + ".lock").c_str());
    }
};

const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new ServerEnvironment);

}  // namespace

void expectMacroRoundTrip(IMacroHandling& macros, const wchar_t* name) {
    const auto text = [](const wchar_t* value) { return const_cast<LPWSTR>(value); };
    _TMacroElement elements[2] = {};
    elements[0].action.actionType = BUTTON_ACTION_KEYCODE;
    elements[0].action.info.keycodeInfo = {0x1E, KEYCODE_CLICK_OPTIONS_NONE, 'A'};
    elements[0].lDelayMs = 30;
    elements[1].action.actionType = BUTTON_ACTION_CLICK;
    elements[1].action.info.clickInfo = {MOUSE_CLICK_RCLICK, KEYCODE_OPTIONS_BREAK};
    elements[1].lHoldMs = 5;
    LPWSTR icon = text(L"star.ico");
    _TMacroElement* elementArray = elements;
    _TMacroParams saved{3, MACRO_OPTIONS_REPEAT_UNTIL_RELEASED, MACRO_TYPE_MACRO, 77, 4, &icon, 2, &elementArray};
    ASSERT_EQ(macros.SaveMacro(text(name), &saved), S_OK);

    LPWSTR loadedIcon = nullptr;
    _TMacroElement* loadedElements = nullptr;
    _TMacroParams loaded{};
    loaded.FixedDelay = 1234;
    loaded.ppszIconFile = &loadedIcon;
    loaded.ppElements = &loadedElements;
    ASSERT_EQ(macros.LoadMacro(text(name), &loaded), S_OK);
    EXPECT_EQ(loaded.lVersion, 3);
    EXPECT_EQ(loaded.options, MACRO_OPTIONS_REPEAT_UNTIL_RELEASED);
    EXPECT_EQ(loaded.type, MACRO_TYPE_MACRO);
    EXPECT_EQ(loaded.lRepeat, 4);
    EXPECT_EQ(loaded.FixedDelay, 1234u);  // not stored, left as the caller had it
    ASSERT_EQ(loaded.lNumElements, 2);
    ASSERT_TRUE(loadedIcon);
    EXPECT_STREQ(loadedIcon, L"star.ico");
    ASSERT_TRUE(loadedElements);
    EXPECT_EQ(std::memcmp(loadedElements, elements, sizeof(elements)), 0);
    CoTaskMemFree(loadedIcon);
    CoTaskMemFree(loadedElements);
}

}  // namespace tessel::com::testing
