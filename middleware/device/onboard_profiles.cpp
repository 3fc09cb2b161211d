#include "middleware/device/onboard_profiles.h"

#include <algorithm>

#include "middleware/device/command_exchange.h"

namespace tessel::device {

using namespace records;

namespace {

bool validNumber(std::int32_t number) { return number >= 1 && number <= kProfileCount; }

// A name record write for `number`; the name field is left for the caller.
DovaReport nameRecordWrite(std::uint8_t number) {
    DovaReport record = DovaReport::writeRequest(command::profileName, writeParam::profileName);
    record[profileNameByte::number] = number;
    return record;
}

std::span<std::uint8_t, kNameFieldBytes> nameField(DovaReport& record) {
    return std::span<std::uint8_t, kNameFieldBytes>(record.raw() + profileNameByte::name, kNameFieldBytes);
}

bool isFree(const DovaReport& nameRecord) { return nameRecord[profileNameByte::name] == kFreeProfileMarker; }

HResult profileInUse(DriverHandler& handler, std::uint8_t number) {
    DovaReport record = ProfileNameRequest(number);  // zeroed: a failed read counts as in use
    ReadBlock(handler, record);
    return isFree(record) ? hr::fail : hr::ok;
}

HResult activeProfileNumber(DriverHandler& handler, std::uint8_t& number) {
    DovaReport block = PerformanceBlockRequest(1);
    if (const HResult status = ReadBlock(handler, block); hr::failed(status)) return status;
    number = block[performanceByte::selector];
    return hr::ok;
}

}  // namespace

HResult GetProfile(DriverHandler* handler, std::int32_t index, std::uint8_t& number) {
    if (!handler) return hr::fail;
    if (index < 0 || index >= kProfileCount) return hr::invalidArg;
    std::int32_t inUse = 0;
    for (std::uint8_t candidate = 1; candidate <= kProfileCount; ++candidate) {
        if (hr::failed(profileInUse(*handler, candidate))) continue;
        if (inUse++ == index) {
            if (const HResult status = OpenProfile(handler, candidate); hr::failed(status)) return status;
            number = candidate;
            return hr::ok;
        }
    }
    if (inUse > 0) return hr::fail;

    std::uint8_t created = 0;
    if (const HResult status = CreateProfile(handler, created); hr::failed(status)) return status;
    if (const HResult status = SetActiveProfile(handler, created); hr::failed(status)) return status;
    number = created;
    return hr::ok;
}

HResult GetProfilesInUse(DriverHandler* handler, std::vector<std::uint8_t>& numbers) {
    if (!handler) return hr::fail;
    numbers.clear();
    for (std::uint8_t candidate = 1; candidate <= kProfileCount; ++candidate) {
        DovaReport record = ProfileNameRequest(candidate);
        if (hr::succeeded(ReadBlock(*handler, record)) && !isFree(record)) numbers.push_back(candidate);
    }
    if (!numbers.empty()) return hr::ok;
    std::uint8_t created = 0;
    if (const HResult status = GetProfile(handler, 0, created); hr::failed(status)) return status;
    numbers.push_back(created);
    return hr::ok;
}

HResult OpenProfile(DriverHandler* handler, std::int32_t number) {
    if (!handler) return hr::fail;
    if (!validNumber(number)) return hr::invalidArg;
    const auto profile = static_cast<std::uint8_t>(number);
    DovaReport record = ProfileNameRequest(profile);
    if (const HResult status = ReadBlock(*handler, record); hr::failed(status)) return status;
    if (isFree(record)) return hr::fail;
    DovaReport block = ProfileBlockRequest(profile);
    return ReadBlock(*handler, block);
}

HResult SetActiveProfile(DriverHandler* handler, std::int32_t number) {
    if (!handler) return hr::fail;
    if (!validNumber(number)) return hr::invalidArg;
    const auto profile = static_cast<std::uint8_t>(number);
    DovaReport profileBlock = ProfileBlockRequest(profile);
    if (const HResult status = ReadBlock(*handler, profileBlock); hr::failed(status)) return status;
    const std::uint8_t stage = profileBlock[profileByte::defaultStage];

    std::uint8_t active = 0;
    if (hr::succeeded(activeProfileNumber(*handler, active)) && active == profile) return hr::ok;

    return ReadModifyWrite(*handler, PerformanceBlockRequest(), writeParam::performance, [&](DovaReport& block) {
        block[performanceByte::selector] = profile;
        block[performanceByte::currentStage] = stage;
        // A stage outside the table keeps the sensitivity as it is.
        if (stage >= 1 && stage <= kMaxStages) {
            const std::size_t codes = profileByte::stageCodes + 2 * (stage - 1u);
            block[performanceByte::currentX] = profileBlock[codes];
            block[performanceByte::currentY] = profileBlock[codes + 1];
        }
        return hr::ok;
    });
}

HResult CreateProfile(DriverHandler* handler, std::uint8_t& number) {
    if (!handler) return hr::fail;
    for (std::uint8_t candidate = 1; candidate <= kProfileCount; ++candidate) {
        // The request goes out preset to 0xFF beyond its header, as the mouse has always seen it.
        DovaReport record;
        record.bytes.fill(0xFF);
        const DovaReport header = ProfileNameRequest(candidate);
        std::copy_n(header.bytes.begin(), profileNameByte::name, record.bytes.begin());
        record[DovaReport::trailer] = header[DovaReport::trailer];
        if (const HResult status = ReadBlock(*handler, record); hr::failed(status)) return status;
        if (!isFree(record)) continue;

        DovaReport block = DefaultProfileBlock(candidate);
        if (const HResult status = WriteBlock(*handler, block); hr::failed(status)) return status;
        DovaReport name = nameRecordWrite(candidate);  // empty name: all zero
        if (const HResult status = WriteBlock(*handler, name); hr::failed(status)) return status;
        number = candidate;
        return hr::ok;
    }
    return hr::outOfMemory;
}

HResult DeleteProfile(DriverHandler* handler, std::int32_t number) {
    if (!handler) return hr::fail;
    if (!validNumber(number)) return hr::invalidArg;
    if (number == 1) return hr::accessDenied;
    const auto profile = static_cast<std::uint8_t>(number);
    std::uint8_t active = 0;
    if (const HResult status = activeProfileNumber(*handler, active); hr::failed(status)) return status;
    if (active == profile) return hr::accessDenied;

    DovaReport deletion = DovaReport::writeRequest(command::deleteProfile, writeParam::single);
    deletion[DovaReport::data] = profile;
    if (const HResult status = WriteBlock(*handler, deletion); hr::failed(status)) return status;
    DovaReport name = nameRecordWrite(profile);
    std::ranges::fill(nameField(name), kFreeProfileMarker);
    return WriteBlock(*handler, name);
}

HResult GetActiveProfileNumber(DriverHandler* handler, std::int32_t& number) {
    if (!handler) return hr::fail;
    std::uint8_t active = 0;
    if (const HResult status = activeProfileNumber(*handler, active); hr::failed(status)) return status;
    number = active;
    return hr::ok;
}

HResult IsProfileInUse(DriverHandler* handler, std::int32_t number) {
    if (!handler) return hr::fail;
    if (!validNumber(number)) return hr::invalidArg;
    return profileInUse(*handler, static_cast<std::uint8_t>(number));
}

HResult GetProfileName(DriverHandler* handler, std::uint8_t number, std::u16string& name) {
    if (!handler) return hr::fail;
    DovaReport record = ProfileNameRequest(number);
    if (const HResult status = ReadBlock(*handler, record); hr::failed(status)) return status;
    return DecodeProfileName(record, name);
}

HResult SetProfileName(DriverHandler* handler, std::uint8_t number, std::u16string_view name) {
    if (!handler) return hr::fail;
    DovaReport record = nameRecordWrite(number);
    if (const HResult status = EncodeNameField(name, nameField(record)); hr::failed(status)) return status;
    return WriteBlock(*handler, record);
}

HResult GetButtonMappings(DriverHandler* handler, std::uint8_t number,
                          std::span<_TButtonMappingInfo, kButtonEntries> mappings) {
    if (!handler) return hr::fail;
    DovaReport block = ProfileBlockRequest(number);
    if (const HResult status = ReadBlock(*handler, block); hr::failed(status)) return status;
    DecodeButtonEntries(block, mappings);
    return hr::ok;
}

HResult SetButtonMappings(DriverHandler* handler, std::uint8_t number, std::span<const _TButtonMappingInfo> mappings) {
    if (!handler) return hr::fail;
    if (mappings.size() > kButtonEntries) return hr::invalidArg;
    return ReadModifyWrite(*handler, ProfileBlockRequest(number), writeParam::profileBlock, [&](DovaReport& block) {
        EncodeButtonEntries(mappings, block);
        return hr::ok;
    });
}

}  // namespace tessel::device
