// Registration with the real regsvr32, creation through the component runtime, the class factory
// and the module count.
#include <optional>

#include "middleware/api/tests/com_testing.h"

namespace tessel::com::testing {
namespace {

std::wstring guidText(const GUID& guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

bool keyExists(const std::wstring& key) {
    HKEY opened = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) return false;
    RegCloseKey(opened);
    return true;
}

std::optional<std::wstring> readString(const std::wstring& key, const wchar_t* valueName = nullptr) {
    wchar_t data[1024] = {};
    DWORD size = sizeof(data);
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), valueName, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(data);
}

const std::wstring kClsid = guidText(CLSID_DeviceEnumeration);
const std::wstring kAppId = guidText(APPID_KavixMiddlewareServer);
const std::wstring kClassKey = L"CLSID\\" + kClsid;
const std::wstring kProxy = guidText(CLSID_KavixMiddlewareProxy);
const std::wstring kProxyKey = L"CLSID\\" + kProxy;
const std::wstring kTypeLibMarshaler = L"{00020424-0000-0000-C000-000000000046}";
std::wstring marshalerKey(const GUID& iid) { return L"Interface\\" + guidText(iid) + L"\\ProxyStubClsid32"; }

struct ExpectedValue {
    std::wstring key;
    const wchar_t* valueName;
    std::wstring data;
};

const std::vector<ExpectedValue>& expectedValues() {
    static const std::vector<ExpectedValue> values = {
        {L"AppID\\" + kAppId, nullptr, L"KavixMiddlewareServer"},
        {L"AppID\\KavixMiddlewareServer.DLL", L"AppID", kAppId},
        {L"Server.DeviceEnumeration.1", nullptr, L"DeviceEnumeration Class"},
        {L"Server.DeviceEnumeration.1\\CLSID", nullptr, kClsid},
        {L"Server.DeviceEnumeration", nullptr, L"DeviceEnumeration Class"},
        {L"Server.DeviceEnumeration\\CLSID", nullptr, kClsid},
        {L"Server.DeviceEnumeration\\CurVer", nullptr, L"Server.DeviceEnumeration.1"},
        {kClassKey, nullptr, L"DeviceEnumeration Class"},
        {kClassKey, L"AppID", kAppId},
        {kClassKey + L"\\ProgID", nullptr, L"Server.DeviceEnumeration.1"},
        {kClassKey + L"\\VersionIndependentProgID", nullptr, L"Server.DeviceEnumeration"},
        {kClassKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {kClassKey + L"\\TypeLib", nullptr, guidText(LIBID_ServerLib)},
        // Interfaces of clients in other apartments go through the server's proxy/stub class,
        // but for IHaldenProfile, whose mappings that code cannot carry.
        {kProxyKey + L"\\InprocServer32", L"ThreadingModel", L"Both"},
        {marshalerKey(IID_IDeviceEnumeration), nullptr, kProxy},
        {marshalerKey(IID_IProfile), nullptr, kProxy},
        {marshalerKey(IID_IMacroHandling), nullptr, kProxy},
        {marshalerKey(IID__IHaldenEvents), nullptr, kProxy},
        {marshalerKey(IID_IHaldenProfile), nullptr, kTypeLibMarshaler},
    };
    return values;
}

// The keys that unregistration removes.
const std::vector<std::wstring> kOwnedKeys = {
    L"AppID\\" + kAppId, L"AppID\\KavixMiddlewareServer.DLL", L"Server.DeviceEnumeration.1",
    L"Server.DeviceEnumeration", kClassKey, L"TypeLib\\" + guidText(LIBID_ServerLib) + L"\\1.0",
    L"Interface\\" + guidText(IID_IDeviceEnumeration), L"Interface\\" + guidText(IID_IHalden), kProxyKey,
};

DWORD regsvr32(const std::wstring& options) {
    return runProgram(L"regsvr32.exe " + options + L" \"" + serverPath() + L"\"");
}

class Registration : public ::testing::Test {
protected:
    // Every test leaves the server registered for the next.
    void TearDown() override { EXPECT_EQ(callServerExport("DllRegisterServer"), S_OK); }
    Apartment apartment_;
};

TEST_F(Registration, Regsvr32WritesEveryEntry) {
    ASSERT_EQ(regsvr32(L"/s"), 0u);
    for (const ExpectedValue& value : expectedValues()) {
        SCOPED_TRACE(std::string(value.key.begin(), value.key.end()));
        EXPECT_EQ(readString(value.key, value.valueName), value.data);
    }
    EXPECT_TRUE(keyExists(kClassKey + L"\\Programmable"));
    for (const std::wstring& key : {kClassKey, kProxyKey}) {
        const auto module = readString(key + L"\\InprocServer32");
        ASSERT_TRUE(module);
        EXPECT_EQ(CompareStringOrdinal(module->c_str(), -1, serverPath().c_str(), -1, TRUE), CSTR_EQUAL);
    }
}

TEST_F(Registration, VersionIndependentProgIdResolvesThroughCurVer) {
    ASSERT_EQ(regsvr32(L"/s"), 0u);
    CLSID independent{}, versioned{};
    ASSERT_EQ(CLSIDFromProgID(L"Server.DeviceEnumeration", &independent), S_OK);
    ASSERT_EQ(CLSIDFromProgID(L"Server.DeviceEnumeration.1", &versioned), S_OK);
    EXPECT_EQ(independent, CLSID_DeviceEnumeration);
    EXPECT_EQ(versioned, CLSID_DeviceEnumeration);
    ComPtr<IDeviceEnumeration> enumeration = createDeviceEnumeration();
    ASSERT_TRUE(enumeration);
    long version = 0;
    EXPECT_EQ(enumeration->GetMiddlewareVersion(&version), S_OK);
    EXPECT_EQ(version, 1102);
}

TEST_F(Registration, TypeLibraryIsRegistered) {
    ASSERT_EQ(regsvr32(L"/s"), 0u);
    ComPtr<ITypeLib> library;
    EXPECT_EQ(LoadRegTypeLib(LIBID_ServerLib, 1, 0, 0x409, library.GetAddressOf()), S_OK);
}

TEST_F(Registration, UnregistrationRemovesItsEntriesAndKeepsTheSharedParents) {
    ASSERT_EQ(regsvr32(L"/s"), 0u);
    for (const std::wstring& key : kOwnedKeys) EXPECT_TRUE(keyExists(key)) << std::string(key.begin(), key.end());
    ASSERT_EQ(regsvr32(L"/u /s"), 0u);
    for (const std::wstring& key : kOwnedKeys) EXPECT_FALSE(keyExists(key)) << std::string(key.begin(), key.end());
    EXPECT_TRUE(keyExists(L"AppID"));
    EXPECT_TRUE(keyExists(L"CLSID"));
    CLSID clsid{};
    EXPECT_NE(CLSIDFromProgID(L"Server.DeviceEnumeration", &clsid), S_OK);
    ComPtr<IUnknown> object;
    EXPECT_EQ(CoCreateInstance(CLSID_DeviceEnumeration, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(object.GetAddressOf())),
              REGDB_E_CLASSNOTREG);
    // Unregistering what is not registered is no failure.
    EXPECT_EQ(callServerExport("DllUnregisterServer"), S_OK);
}

TEST_F(Registration, RegistrationReplacesAStaleClassKey) {
    HKEY stale = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, (kClassKey + L"\\Stale").c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                              &stale, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(stale);
    ASSERT_EQ(callServerExport("DllRegisterServer"), S_OK);
    EXPECT_FALSE(keyExists(kClassKey + L"\\Stale"));
    EXPECT_TRUE(keyExists(kClassKey + L"\\Programmable"));
}

TEST_F(Registration, ThreadLocaleIsRestored) {
    const LCID before = GetThreadLocale();
    ASSERT_TRUE(SetThreadLocale(0x407));
    EXPECT_EQ(callServerExport("DllRegisterServer"), S_OK);
    EXPECT_EQ(GetThreadLocale(), 0x407u);
    EXPECT_EQ(callServerExport("DllUnregisterServer"), S_OK);
    EXPECT_EQ(GetThreadLocale(), 0x407u);
    SetThreadLocale(before);
}

// --- the class factory and the module count ---

using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

class ClassFactory : public ::testing::Test {
protected:
    void SetUp() override {
        module_ = LoadLibraryW(serverPath().c_str());
        ASSERT_TRUE(module_);
        getClassObject_ =
            reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")));
        ASSERT_TRUE(getClassObject_);
        ASSERT_EQ(getClassObject_(CLSID_DeviceEnumeration, IID_IClassFactory,
                                  reinterpret_cast<void**>(factory_.GetAddressOf())),
                  S_OK);
    }
    void TearDown() override {
        factory_.Reset();
        EXPECT_EQ(serverCanUnloadNow(), S_OK);
        FreeLibrary(module_);
    }

    Apartment apartment_;
    HMODULE module_ = nullptr;
    GetClassObject getClassObject_ = nullptr;
    ComPtr<IClassFactory> factory_;
};

TEST_F(ClassFactory, OtherClassesAreNotAvailable) {
    ComPtr<IClassFactory> other;
    EXPECT_EQ(getClassObject_(IID_IDeviceType, IID_IClassFactory, reinterpret_cast<void**>(other.GetAddressOf())),
              CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_FALSE(other);
    EXPECT_EQ(getClassObject_(CLSID_DeviceEnumeration, IID_IClassFactory, nullptr), E_POINTER);
}

// The proxy/stub class the interfaces are registered with: rpcrt4's factory over the generated
// code, which keeps the module while it lives.
TEST_F(ClassFactory, TheProxyStubClassMakesProxiesAndStubs) {
    factory_.Reset();
    ASSERT_EQ(serverCanUnloadNow(), S_OK);
    ComPtr<IPSFactoryBuffer> factory;
    ASSERT_EQ(getClassObject_(CLSID_KavixMiddlewareProxy, IID_IPSFactoryBuffer, reinterpret_cast<void**>(factory.GetAddressOf())),
              S_OK);
    ASSERT_TRUE(factory);
    EXPECT_EQ(serverCanUnloadNow(), S_FALSE);
    factory.Reset();
    EXPECT_EQ(serverCanUnloadNow(), S_OK);
}

TEST_F(ClassFactory, ModuleStaysWhileAnObjectOrALockLives) {
    ComPtr<IDeviceEnumeration> enumeration;
    ASSERT_EQ(factory_->CreateInstance(nullptr, IID_IDeviceEnumeration, reinterpret_cast<void**>(enumeration.GetAddressOf())),
              S_OK);
    ComPtr<IDeviceType> deviceType;
    ASSERT_EQ(enumeration->EnumDeviceType(0x13, deviceType.GetAddressOf()), S_OK);
    enumeration.Reset();
    EXPECT_EQ(serverCanUnloadNow(), S_FALSE);  // the device type object still lives
    deviceType.Reset();
    factory_->LockServer(TRUE);
    EXPECT_EQ(serverCanUnloadNow(), S_FALSE);
    factory_->LockServer(FALSE);
}

// A minimal outer object that aggregates the server's class.
class Outer final : public IUnknown {
public:
    IFACEMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (iid == IID_IUnknown) {
            *object = this;
            AddRef();
            return S_OK;
        }
        return inner->QueryInterface(iid, object);
    }
    IFACEMETHODIMP_(ULONG) AddRef() override { return ++references; }
    IFACEMETHODIMP_(ULONG) Release() override { return --references; }

    ULONG references = 1;
    ComPtr<IUnknown> inner;
};

TEST_F(ClassFactory, AggregatedPartDelegatesToItsOuterObject) {
    Outer outer;
    ASSERT_EQ(factory_->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(outer.inner.GetAddressOf())), S_OK);
    IDeviceEnumeration* enumeration = nullptr;
    ASSERT_EQ(outer.QueryInterface(IID_IDeviceEnumeration, reinterpret_cast<void**>(&enumeration)), S_OK);
    EXPECT_EQ(outer.references, 2u);  // the part's interfaces count on the outer object
    IUnknown* identity = nullptr;
    ASSERT_EQ(enumeration->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)), S_OK);
    EXPECT_EQ(identity, static_cast<IUnknown*>(&outer));
    identity->Release();
    long version = 0;
    EXPECT_EQ(enumeration->GetMiddlewareVersion(&version), S_OK);
    enumeration->Release();
    EXPECT_EQ(outer.references, 1u);
    outer.inner.Reset();
}

TEST_F(ClassFactory, AggregationAsksForIUnknownOnly) {
    Outer outer;
    ComPtr<IDeviceEnumeration> enumeration;
    EXPECT_EQ(factory_->CreateInstance(&outer, IID_IDeviceEnumeration, reinterpret_cast<void**>(enumeration.GetAddressOf())),
              CLASS_E_NOAGGREGATION);
    EXPECT_FALSE(enumeration);
}

TEST_F(ClassFactory, UnknownInterfaceIsRefusedWithoutLeaking) {
    ComPtr<IUnknown> object;
    EXPECT_EQ(factory_->CreateInstance(nullptr, IID_IClassFactory, reinterpret_cast<void**>(object.GetAddressOf())),
              E_NOINTERFACE);
    EXPECT_EQ(factory_->CreateInstance(nullptr, IID_IDeviceEnumeration, nullptr), E_POINTER);
}

}  // namespace
}  // namespace tessel::com::testing
