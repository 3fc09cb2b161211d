// Every decoder of a settings or macro-memory answer, run on one report built from the input.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "middleware/device/macro_codec.h"
#include "middleware/device/settings_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tessel;
    using namespace tessel::device;
    DovaReport answer;
    std::copy_n(data, std::min(size, DovaReport::size), answer.raw());

    std::vector<MacroDirectoryEntry> entries;
    bool morePages = false;
    if (hr::succeeded(DecodeDirectoryPage(answer, entries, morePages)) && entries.size() > 20) std::abort();

    std::u16string name;
    if (hr::succeeded(DecodeProfileName(answer, name)) && name.size() > 19) std::abort();
    if (hr::succeeded(DecodeNameField(NameField(answer.raw() + DovaReport::data, kNameFieldBytes), name)) &&
        name.size() > 19)
        std::abort();

    if (DecodeSerialNumber(answer).size() > 96) std::abort();
    if (FormatFirmwareVersion(answer[identityByte::firmwareMajor], answer[identityByte::firmwareMinor]).size() > 7)
        std::abort();
    if (DecodeWirelessSerial(std::span<const std::uint8_t, shortReport::serialLength>(answer.raw(),
                                                                                   shortReport::serialLength))
            .size() > 19)
        std::abort();

    std::array<records::_TButtonMappingInfo, kButtonEntries> mappings{};
    DecodeButtonEntries(answer, mappings);

    records::_stDpiStageType stages{};
    if (hr::succeeded(DecodeStageTable(answer, stages)) && stages.ulTotalStages > kMaxStages) std::abort();

    std::atomic<int> remembered{-1};
    const int percent = BatteryPercent(answer[1], remembered);
    if (percent < 0 || percent > 100) std::abort();
    return 0;
}
