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
#include "middleware/api/bench/register_server.h"
#include "middleware/common/scoped_win32.h"
#include "sim/state_store.h"

namespace {

using tessel::win32::ComPtr;

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


// What Download gathers, read profile by profile through the interfaces as a client (and Download
// itself, before it read each name record once) would: every GetProfile(index) reads the name
// records again.
HRESULT readProfileByProfile(IHalden* halden) {
    ComPtr<IUnknown> object;
    ComPtr<IHaldenProfileManager> manager;
    if (HRESULT status = halden->CreateInterfaceInstance(IID_IHaldenProfileManager, object.GetAddressOf()); FAILED(status))
        return status;
    if (HRESULT status = object.As(&manager); FAILED(status)) return status;
    long active = 0;
    if (HRESULT status = manager->GetActiveProfileNumber(&active); FAILED(status)) return status;
    for (long index = 0; index < 5; ++index) {
        ComPtr<IHaldenProfile> profile;
        ComPtr<IUnknown> dpiObject;
        ComPtr<IDpi> dpi;
        long number = 0, x = 0, y = 0;
        unsigned long size = 0;
        _stDpiStageType* stages = nullptr;
        if (FAILED(manager->GetProfile(index, profile.GetAddressOf())) || FAILED(profile->GetId(&number)) ||
            FAILED(profile->CreateInterfaceInstance(IID_IDpi, dpiObject.GetAddressOf())) || FAILED(dpiObject.As(&dpi)))
            continue;
        if (SUCCEEDED(dpi->GetDpiStages(&size, &stages))) dpi->GetDpiLevel(&x, &y);
        CoTaskMemFree(stages);
    }
    return S_OK;
}

}  // namespace

int main() {
    const std::string path = statePath();
    _putenv_s("TESSEL_SIM", path.c_str());
    tessel::sim::writeStateFile(path);
    if (!registerServerFrom(TESSEL_SERVER_DLL)) {
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
            tessel::sim::writeStateFile(path, mouseWithProfiles(profiles));
            const std::uint64_t startCount = transactions(path);
            const ULONGLONG startTime = GetTickCount64();
            readProfileByProfile(halden.Get());
            std::printf("Profile by profile, %d onboard profile%s: %llu transactions, wall %llu ms\n", profiles,
                        profiles == 1 ? "" : "s", static_cast<unsigned long long>(transactions(path) - startCount),
                        static_cast<unsigned long long>(GetTickCount64() - startTime));
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
