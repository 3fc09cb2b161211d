// A client in the multithreaded apartment: the server (ThreadingModel=Apartment) lives in a
// single-threaded apartment the runtime hosts for it, and the client works through proxies made
// by the server's own proxy/stub code, which widl generates from ServerLib.idl.
#include <cstring>

#include "middleware/api/tests/com_testing.h"

namespace tessel::com::testing {
namespace {

bool isProxy(IUnknown* object) {
    ComPtr<IMarshal> marshal;  // a proxy answers IMarshal with the standard marshaler; the object itself does not
    return object && SUCCEEDED(object->QueryInterface(IID_IMarshal, reinterpret_cast<void**>(marshal.GetAddressOf())));
}

LPWSTR text(const wchar_t* value) { return const_cast<LPWSTR>(value); }

TEST(OtherApartment, AMultithreadedClientWorksThroughProxies) {
    Apartment apartment(COINIT_MULTITHREADED);
    mouse::reset();
    ComPtr<IDeviceEnumeration> enumeration = createDeviceEnumeration();
    ASSERT_TRUE(enumeration);
    EXPECT_TRUE(isProxy(enumeration.Get()));

    ComPtr<IDeviceType> device;
    ASSERT_EQ(enumeration->EnumDeviceType(0x13, device.GetAddressOf()), S_OK);
    ASSERT_EQ(device->OpenDeviceInterface(0x13), S_OK);
    long connected = 0;
    ASSERT_EQ(device->IsConnected(&connected), S_OK);
    EXPECT_NE(connected, 0);
    long version = 0;
    ASSERT_EQ(enumeration->GetMiddlewareVersion(&version), S_OK);

    ComPtr<IPollingRate> rate;
    ASSERT_EQ(device->CreatePollingRateInterface(rate.GetAddressOf()), S_OK);
    ASSERT_EQ(rate->SetRate(500), S_OK);
    long hz = 0;
    ASSERT_EQ(rate->GetRate(&hz), S_OK);
    EXPECT_EQ(hz, 500);
    EXPECT_EQ(mouse::read().pollingCode, 2);
}

// What the type-library marshaler refused under Wine: string out-parameters (arrays of them, one
// into a record) and records that hold pointers, here into the settings store of the registry.
TEST(OtherApartment, StringsAndRecordsWithPointersCrossTheApartments) {
    Apartment apartment(COINIT_MULTITHREADED);
    mouse::reset();
    const std::wstring root = L"Software\\Kavix\\KavixControl_0013";
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, root.c_str());
    ComPtr<IDeviceEnumeration> enumeration = createDeviceEnumeration();
    ASSERT_TRUE(enumeration);
    ComPtr<IDeviceType> device;
    ASSERT_EQ(enumeration->EnumDeviceType(0x13, device.GetAddressOf()), S_OK);
    ASSERT_EQ(device->OpenDeviceInterface(0x13), S_OK);
    ComPtr<IProfile> profile;
    ASSERT_EQ(device->CreateProfileInterface(profile.GetAddressOf()), S_OK);
    ComPtr<IMacroHandling> macros;
    ASSERT_EQ(device->CreateMacroHandlingInterface(macros.GetAddressOf()), S_OK);
    EXPECT_TRUE(isProxy(profile.Get()));
    EXPECT_TRUE(isProxy(macros.Get()));

    // IProfile: an array of strings the server allocates.
    LPWSTR names[3] = {};
    ASSERT_EQ(profile->LoadProfileList(3, names), S_OK);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(names[i]);
        EXPECT_EQ(std::wstring(names[i]), std::to_wstring(i + 1));
        CoTaskMemFree(names[i]);
    }

    // IMacroHandling: a record with the icon's string slot and the element array, saved into the
    // store and read back into the caller's record.
    expectMacroRoundTrip(*macros.Get(), L"Combo");

    LPWSTR book[] = {text(L"Combo")};
    ASSERT_EQ(macros->SaveSpellBook(text(L"Spells"), 1, book), S_OK);
    LPWSTR books[1] = {};
    ASSERT_EQ(macros->LoadSpellBookList(1, books), S_OK);
    ASSERT_TRUE(books[0]);
    EXPECT_STREQ(books[0], L"Spells");
    CoTaskMemFree(books[0]);

    macros.Reset();
    profile.Reset();
    device.Reset();
    enumeration.Reset();
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, root.c_str());
}

}  // namespace
}  // namespace tessel::com::testing
