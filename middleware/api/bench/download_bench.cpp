// What IHaldenDownload::Download costs against the simulated mouse with the real waits of the
// transport: device transactions, wall time, and the wall time against the waits the protocol
// mandates (40 ms for every read transaction; Download only reads).
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "middleware/api/ServerLib.h"
#include "middleware/api/com_ptr.h"
#include "sim/state_store.h"

namespace {

using tessel::com::ComPtr;

constexpr double kMandatedReadMs = 40.0;
constexpr int kRuns = 3;

std::string statePath() {
    char directory[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, directory);
    return std::string(directory) + "tessel-download-bench-" + std::to_string(GetCurrentProcessId()) + ".state";
}

tessel::sim::MouseState mouseWithProfiles(int count) {
    tessel::sim::MouseState state = tessel::sim::MouseState::factory();
    for (int number = 2; number <= count; ++number) {
        state.profile(number) = tessel::sim::defaultProfile();
        state.profile(number).name = tessel::sim::nameRecord(u"Bench");
    }
    return state;
}

std::uint64_t transactions(const std::string& path) {
    return tessel::sim::StateStore::inFile(path)->read().counters.requests;
}

bool registerServer() {
    HMODULE server = LoadLibraryW(TESSEL_SERVER_DLL);
    if (!server) return false;
    auto registerIt = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(GetProcAddress(server, "DllRegisterServer")));
    const bool registered = registerIt && SUCCEEDED(registerIt());
    FreeLibrary(server);
    return registered;
}

}  // namespace

int main() {
    const std::string path = statePath();
    _putenv_s("TESSEL_SIM", path.c_str());
    tessel::sim::writeStateFile(path);
    if (!registerServer()) {
        std::printf("the server could not be registered\n");
        return 1;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int result = 0;
    {
        CLSID clsid{};
        ComPtr<IDeviceEnumeration> enumeration;
        ComPtr<IDeviceType> device;
        ComPtr<IHalden> halden;
        ComPtr<IHaldenDownload> download;
        if (FAILED(CLSIDFromProgID(L"Server.DeviceEnumeration", &clsid)) ||
            FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDeviceEnumeration,
                                    reinterpret_cast<void**>(enumeration.GetAddressOf()))) ||
            FAILED(enumeration->EnumDeviceType(0x13, device.GetAddressOf())) ||
            FAILED(device->OpenDeviceInterface(0x13)) || FAILED(device->CreateHaldenInterface(halden.GetAddressOf())) ||
            FAILED(halden.As(&download))) {
            std::printf("the server could not be opened on the simulated mouse\n");
            result = 1;
        }
        for (int profiles : {1, 3, 5}) {
            if (result) break;
            std::vector<double> wall;
            std::uint64_t count = 0;
            for (int run = 0; run < kRuns; ++run) {
                tessel::sim::writeStateFile(path, mouseWithProfiles(profiles));
                const std::uint64_t before = transactions(path);
                const ULONGLONG start = GetTickCount64();
                if (FAILED(download->Download())) {
                    std::printf("Download failed\n");
                    result = 1;
                    break;
                }
                wall.push_back(static_cast<double>(GetTickCount64() - start));
                count = transactions(path) - before;
            }
            if (result) break;
            std::sort(wall.begin(), wall.end());
            const double median = wall[wall.size() / 2];
            const double mandated = kMandatedReadMs * static_cast<double>(count);
            std::printf("Download, %d onboard profile%s: %llu transactions, wall %.0f ms (median of %d), "
                        "mandated waits %.0f ms, wall/mandated %.2f, %.1f ms per transaction\n",
                        profiles, profiles == 1 ? "" : "s", static_cast<unsigned long long>(count), median, kRuns,
                        mandated, median / mandated, median / static_cast<double>(count));
        }
    }
    CoUninitialize();
    DeleteFileA(path.c_str());
    DeleteFileA((path + ".lock").c_str());
    return result;
}
