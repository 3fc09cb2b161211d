#include "middleware/device/settings_commands.h"

#include <optional>

#include "middleware/common/trace.h"
#include "middleware/device/command_exchange.h"

namespace tessel::device {

using namespace records;

namespace {

constexpr int kRawGet = 0;
constexpr int kRawSet = 1;

// Last known battery level of this process; negative while none is known.
std::atomic<int> rememberedBatteryLevel{-1};

// One plain get of a short report of the wireless receiver into `report` (byte 0 = report id).
template <std::size_t N>
HResult getShortReport(DriverHandler& handler, std::uint8_t reportId, std::array<std::uint8_t, N>& report) {
    report.fill(0);
    report[0] = reportId;
    return handler.RawFeatureAccess(kRawGet, report.data(), static_cast<std::uint32_t>(N));
}

HResult readIdentity(DriverHandler& handler, DovaReport& identity) {
    identity = DovaReport::readRequest(command::identity, 1);
    return ReadBlock(handler, identity);
}

HResult downloadMode(DriverHandler* handler, std::uint8_t mode) {
    if (!handler || handler->productId() != kProductDownload) return hr::fail;
    DovaReport request = DovaReport::writeRequest(command::downloadMode, writeParam::single);
    request[DovaReport::data] = mode;
    return WriteBlock(*handler, request);
}

}  // namespace

HResult GetDpiLevel(DriverHandler* handler, std::uint32_t& xDpi, std::uint32_t& yDpi) {
    if (!handler) return hr::fail;
    DovaReport block = PerformanceBlockRequest();
    if (const HResult status = ReadBlock(*handler, block); hr::failed(status)) return status;
    xDpi = SensitivityDpi(block[performanceByte::currentX]);
    yDpi = SensitivityDpi(block[performanceByte::currentY]);
    return hr::ok;
}

HResult SetDpiLevel(DriverHandler* handler, std::uint32_t xDpi, std::uint32_t yDpi) {
    if (!handler) return hr::fail;
    return ReadModifyWrite(*handler, PerformanceBlockRequest(), writeParam::performance, [&](DovaReport& block) {
        block[performanceByte::currentX] = SensitivityCode(xDpi);
        block[performanceByte::currentY] = SensitivityCode(yDpi);
        return hr::ok;
    });
}

HResult GetDpiStages(DriverHandler* handler, std::uint8_t selector, _stDpiStageType& stages) {
    if (!handler) return hr::fail;
    DovaReport profile = ProfileBlockRequest(selector);
    if (const HResult status = ReadBlock(*handler, profile); hr::failed(status)) return status;
    if (const HResult status = DecodeStageTable(profile, stages); hr::failed(status)) return status;
    DovaReport performance = PerformanceBlockRequest();
    const HResult status = ReadBlock(*handler, performance);
    if (hr::succeeded(status)) stages.lCurrentStage = performance[performanceByte::currentStage];
    return status;
}

HResult GetDpiStagesOfProfiles(DriverHandler* handler, std::span<const std::uint8_t> numbers,
                               std::vector<ProfileStages>& stages, std::uint32_t& xDpi, std::uint32_t& yDpi) {
    if (!handler) return hr::fail;
    stages.clear();
    DovaReport performance = PerformanceBlockRequest();
    if (const HResult status = ReadBlock(*handler, performance); hr::failed(status)) return status;
    xDpi = SensitivityDpi(performance[performanceByte::currentX]);
    yDpi = SensitivityDpi(performance[performanceByte::currentY]);
    for (const std::uint8_t number : numbers) {
        ProfileStages read{number, {}};
        DovaReport profile = ProfileBlockRequest(number);
        if (hr::failed(ReadBlock(*handler, profile)) || hr::failed(DecodeStageTable(profile, read.stages))) continue;
        read.stages.lCurrentStage = performance[performanceByte::currentStage];
        stages.push_back(read);
    }
    return hr::ok;
}

HResult SetDpiStages(DriverHandler* handler, std::uint8_t selector, const _stDpiStageType* stages) {
    if (!handler) return hr::fail;
    if (!stages) return hr::pointer;
    if (stages->ulTotalStages > kMaxStages) return hr::invalidArg;

    // The stage codes as written, for the current stage below; none when the read failed.
    std::optional<DovaReport> written;
    const HResult profileStatus =
        ReadModifyWrite(*handler, ProfileBlockRequest(selector), writeParam::profileBlock, [&](DovaReport& block) {
            EncodeStageTable(*stages, block);
            written = block;
            return hr::ok;
        });

    // The performance block holds the current stage of the active profile only.
    const HResult performanceStatus =
        ReadModifyWrite(*handler, PerformanceBlockRequest(), writeParam::performance, [&](DovaReport& block) {
            if (block[performanceByte::selector] != selector) return hr::falseResult;
            const std::int32_t stage = stages->lCurrentStage;
            block[performanceByte::currentStage] = static_cast<std::uint8_t>(stage);
            if (written && stage >= 1 && stage <= static_cast<std::int32_t>(kMaxStages)) {
                const std::size_t codes = profileByte::stageCodes + 2 * static_cast<std::size_t>(stage - 1);
                block[performanceByte::currentX] = (*written)[codes];
                block[performanceByte::currentY] = (*written)[codes + 1];
            }
            return hr::ok;
        });
    return hr::failed(profileStatus) ? profileStatus : performanceStatus;
}

HResult GetRate(DriverHandler* handler, std::int32_t& rateHz) {
    if (!handler) return hr::fail;
    DovaReport block = PerformanceBlockRequest();
    if (const HResult status = ReadBlock(*handler, block, true); hr::failed(status)) return status;
    const std::optional<std::int32_t> rate = PollingRateHz(block[performanceByte::rateCode]);
    if (!rate) return hr::fail;
    rateHz = *rate;
    return hr::ok;
}

HResult SetRate(DriverHandler* handler, std::int32_t rateHz) {
    if (!handler) return hr::fail;
    return ReadModifyWrite(*handler, PerformanceBlockRequest(), writeParam::performance, [&](DovaReport& block) {
        const std::optional<std::uint8_t> code = PollingRateCode(rateHz);
        if (!code) return hr::invalidArg;
        block[performanceByte::rateCode] = *code;
        return hr::ok;
    });
}

HResult GetLedStatus(DriverHandler* handler, std::uint8_t selector, std::int32_t& status) {
    if (!handler) return hr::fail;
    DovaReport block = ProfileBlockRequest(selector);
    if (const HResult result = ReadBlock(*handler, block); hr::failed(result)) return result;
    status = block[profileByte::lighting];
    return hr::ok;
}

HResult SetLedStatus(DriverHandler* handler, std::uint8_t selector, std::int32_t status) {
    if (!handler) return hr::fail;
    return ReadModifyWrite(*handler, ProfileBlockRequest(selector), writeParam::profileBlock, [&](DovaReport& block) {
        block[profileByte::lighting] = static_cast<std::uint8_t>(status & 0xFF);
        return hr::ok;
    });
}

HResult GetSerialNumber(DriverHandler* handler, std::u16string& serial) {
    if (!handler) return hr::handle;
    if (handler->productId() == kProductWireless) {
        std::array<std::uint8_t, shortReport::serialLength> report;
        if (const HResult status = getShortReport(*handler, shortReport::serial, report); hr::failed(status))
            return status;
        serial = DecodeWirelessSerial(report);
        return hr::ok;
    }
    DovaReport identity;
    if (const HResult status = readIdentity(*handler, identity); hr::failed(status)) return status;
    serial = DecodeSerialNumber(identity);
    return hr::ok;
}

HResult GetFirmwareVersion(DriverHandler* handler, std::u16string& version) {
    if (!handler) return hr::handle;
    if (handler->productId() == kProductWireless) {
        std::array<std::uint8_t, shortReport::firmwareLength> report;
        if (const HResult status = getShortReport(*handler, shortReport::firmware, report); hr::failed(status))
            return status;
        version = FormatFirmwareVersion(report[1], report[2]);
        return hr::ok;
    }
    DovaReport identity;
    if (const HResult status = readIdentity(*handler, identity); hr::failed(status)) return status;
    version = FormatFirmwareVersion(identity[identityByte::firmwareMajor], identity[identityByte::firmwareMinor]);
    return hr::ok;
}

HResult IsConnected(DriverHandler* handler, std::int32_t& connected) {
    connected = 0;
    if (!handler) return hr::handle;
    HResult status = hr::ok;
    if (handler->productId() == kProductWireless) {
        std::array<std::uint8_t, shortReport::firmwareLength> report;
        status = getShortReport(*handler, shortReport::firmware, report);
    } else if (handler->productId() == kProductWired) {
        DovaReport identity;
        status = readIdentity(*handler, identity);
    }
    connected = hr::succeeded(status) ? 1 : 0;
    return status;
}

HResult GetRemaingPower(DriverHandler* handler, std::int32_t& percent) {
    Trace(u"CBattery::GetRemaingPower()\n");
    percent = 0;
    if (!handler) return hr::fail;
    std::array<std::uint8_t, shortReport::batteryLength> report;
    if (const HResult status = getShortReport(*handler, shortReport::battery, report); hr::failed(status))
        return status;
    percent = BatteryPercent(report[1], rememberedBatteryLevel);
    return hr::ok;
}

HResult SetWirelessDistance(DriverHandler* handler, std::int32_t distance) {
    if (!handler) return hr::fail;
    std::array<std::uint8_t, shortReport::distanceLength> report{shortReport::distance,
                                                                 static_cast<std::uint8_t>(distance & 0xFF)};
    return handler->RawFeatureAccess(kRawSet, report.data(), shortReport::distanceLength);
}

HResult GetWirelessDistance(DriverHandler* handler, std::int32_t& distance) {
    if (!handler) return hr::fail;
    std::array<std::uint8_t, shortReport::distanceLength> report;
    if (const HResult status = getShortReport(*handler, shortReport::distance, report); hr::failed(status))
        return status;
    distance = report[1];
    return hr::ok;
}

HResult SaveProfile(DriverHandler* handler) {
    if (!handler) return hr::fail;
    DovaReport block = FixedMappingBlock();
    return WriteBlock(*handler, block);
}

HResult LoadProfile(DriverHandler* handler) {
    if (!handler) return hr::fail;
    DovaReport block = ProfileBlockRequest(3);
    return ReadBlock(*handler, block);
}

HResult ReadMemoryFigures(DriverHandler* handler, MemoryFigures& figures) {
    if (!handler) return hr::fail;
    DovaReport answer = DovaReport::readRequest(command::memoryFigures, 0);
    if (const HResult status = ReadBlock(*handler, answer); hr::failed(status)) return status;
    figures.totalUnits = answer[9];
    figures.usedUnits = answer[10];
    return hr::ok;
}

HResult GetTotalSpace(DriverHandler* handler, std::int32_t& units) {
    MemoryFigures figures;
    if (const HResult status = ReadMemoryFigures(handler, figures); hr::failed(status)) return status;
    units = figures.totalUnits;
    return hr::ok;
}

HResult GetRemainingSpace(DriverHandler* handler, std::int32_t& units) {
    MemoryFigures figures;
    if (const HResult status = ReadMemoryFigures(handler, figures); hr::failed(status)) return status;
    units = figures.freeUnits();
    return hr::ok;
}

HResult EnableDownloadMode(DriverHandler* handler) { return downloadMode(handler, 1); }
HResult DisableDownloadMode(DriverHandler* handler) { return downloadMode(handler, 2); }

}  // namespace tessel::device
