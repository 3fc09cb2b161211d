// A client in the multithreaded apartment: the server (ThreadingModel=Apartment) lives in a
// single-threaded apartment the runtime hosts for it, and the client works through proxies that
// the type-library marshaler makes from the registered interfaces. (Under Wine that marshaler
// does not yet take the interfaces with string out-parameters or records holding pointers, such
// as IProfile; those stay for single-threaded clients.)
#include "middleware/api/tests/com_testing.h"

namespace tessel::com::testing {
namespace {

TEST(OtherApartment, AMultithreadedClientWorksThroughProxies) {
    Apartment apartment(COINIT_MULTITHREADED);
    mouse::reset();
    ComPtr<IDeviceEnumeration> enumeration = createDeviceEnumeration();
    ASSERT_TRUE(enumeration);
    ComPtr<IMarshal> proxy;  // a proxy answers IMarshal with the standard marshaler; the object itself does not
    EXPECT_EQ(enumeration.As(&proxy), S_OK) << "not a proxy";

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

}  // namespace
}  // namespace tessel::com::testing
