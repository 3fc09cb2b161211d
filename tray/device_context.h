// The middleware objects of the attached mouse and the lists the tray builds from them: the
// mouse's profiles (with what their side files add) and its macros.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "formats/exchange_records.h"
#include "middleware/api/ServerLib.h"
#include "middleware/common/scoped_win32.h"

namespace tessel::tray {

using win32::ComPtr;

// Product id of the mouse by cable.
inline constexpr unsigned short kCableProductId = 0x13;

struct TrayProfileEntry {
    ComPtr<IHaldenProfile> profile;
    long id = 0;  // the profile's number on the mouse
    // Name, and from the side files the executable, switches and button links.
    formats::ExchangeProfile settings;
    long lights = 0;
    std::optional<_stDpiStageType> stages;
    std::array<_TButtonMappingInfo, formats::kButtonCount> mappings{};
    bool loadedFromMiddleware = false;
    bool loadedFromFile = false;
};

// The mouse's profiles in the order the middleware lists them.
using TrayProfileList = std::vector<TrayProfileEntry>;

struct TrayMacroEntry {
    ComPtr<IHaldenMacro> macro;
    long id = 0;
    std::wstring name;
};

class TrayDeviceContext {
public:
    // Creates the middleware and opens the cable mouse. True when the mouse answers with a
    // firmware version other than "0.0"; the lists are then built.
    bool connect();
    // Builds the profile list and the macro list again from the middleware.
    void buildLists();
    // Adds the side files' executables and switches to the profiles; `none` names a profile
    // without an executable.
    void readSideFiles(const std::wstring& none);
    void freeLists();
    // Releases every middleware object.
    void release();

    // The entry at `index` as the profile walk finds it: the first for a negative index, the
    // last for an index beyond the list. Null when the list is empty.
    TrayProfileEntry* entryAt(int index);
    // The entry of the profile with this number on the mouse.
    TrayProfileEntry* entryWithId(long id);
    // Makes the entry's profile the mouse's active one.
    bool activate(const TrayProfileEntry& entry);

    IDeviceType* device() const { return device_.Get(); }
    const TrayProfileList& profiles() const { return profiles_; }
    int currentIndex() const { return currentIndex_; }
    const std::wstring& firmwareVersion() const { return firmware_; }

private:
    ComPtr<IDeviceEnumeration> enumeration_;
    ComPtr<IDeviceType> device_;
    ComPtr<IProfile> profile_;
    ComPtr<IHalden> halden_;
    ComPtr<IHaldenProfileManager> profileManager_;
    ComPtr<IHaldenMacroManager> macroManager_;
    ComPtr<IPerformanceSettings> performance_;
    std::wstring firmware_;
    std::wstring driverVersion_;
    std::wstring activeName_;
    TrayProfileList profiles_;
    std::vector<TrayMacroEntry> macros_;
    int currentIndex_ = 0;
};

// A middleware string (task allocator) taken over as a wide string.
std::wstring takeString(LPWSTR text);
std::wstring takeBstr(BSTR text);

}  // namespace tessel::tray
