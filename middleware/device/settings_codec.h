#pragma once
// Byte layouts of the settings blocks and their pure encoders and decoders. Everything here works
// on report bytes alone, so tests and fuzzers reach it without a device. Device answers are
// outside input: every decoder stays inside its buffers and reports malformed data as E_FAIL.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "middleware/common/records.h"
#include "middleware/common/status.h"
#include "middleware/device/dova_report.h"

namespace tessel::device {

namespace command {
inline constexpr std::uint8_t identity = 0x02;
inline constexpr std::uint8_t performance = 0x05;
inline constexpr std::uint8_t profileBlock = 0x06;
inline constexpr std::uint8_t deleteProfile = 0x07;
inline constexpr std::uint8_t macroDirectory = 0x08;
inline constexpr std::uint8_t macroDelete = 0x0C;
inline constexpr std::uint8_t macroData = 0x0D;
inline constexpr std::uint8_t macroName = 0x0E;
inline constexpr std::uint8_t profileName = 0x22;
inline constexpr std::uint8_t memoryFigures = 0x23;
inline constexpr std::uint8_t downloadMode = 0x24;
}  // namespace command

// `param` of each write: the number of data bytes from byte 9.
namespace writeParam {
inline constexpr std::uint8_t performance = 5;
inline constexpr std::uint8_t profileBlock = 56;
inline constexpr std::uint8_t fixedMapping = 0x41;
inline constexpr std::uint8_t profileName = 0x29;
inline constexpr std::uint8_t single = 1;  // delete, download mode
}  // namespace writeParam

// Performance block (command 0x05).
namespace performanceByte {
inline constexpr std::size_t selector = 9;  // also the active profile when read with param 1
inline constexpr std::size_t rateCode = 10;
inline constexpr std::size_t currentStage = 11;
inline constexpr std::size_t currentX = 12;
inline constexpr std::size_t currentY = 13;
}  // namespace performanceByte

// Profile block (command 0x06).
namespace profileByte {
inline constexpr std::size_t selector = 9;
inline constexpr std::size_t lighting = 10;
inline constexpr std::size_t defaultStage = 11;
inline constexpr std::size_t stageCount = 12;
inline constexpr std::size_t stageCodes = 13;  // X, Y of stage 1, then stage 2 ...
inline constexpr std::size_t buttonEntries = 29;
}  // namespace profileByte

inline constexpr std::size_t kMaxStages = 5;
inline constexpr std::size_t kButtonEntries = 9;
inline constexpr std::size_t kButtonEntrySize = 4;
inline constexpr std::uint8_t kProfileCount = 5;

// Name record of a profile (command 0x22): number in byte 9, 40-byte name field from byte 10;
// 0xFF in byte 10 marks a free number.
namespace profileNameByte {
inline constexpr std::size_t number = 9;
inline constexpr std::size_t name = 10;
}  // namespace profileNameByte
inline constexpr std::uint8_t kFreeProfileMarker = 0xFF;

// Identity block (command 0x02).
namespace identityByte {
inline constexpr std::size_t serial = 9;
inline constexpr std::size_t serialLength = 32;
inline constexpr std::size_t firmwareMajor = 41;
inline constexpr std::size_t firmwareMinor = 42;
}  // namespace identityByte

// Short reports of the wireless receiver: report id and length.
namespace shortReport {
inline constexpr std::uint8_t firmware = 0x04;
inline constexpr std::uint32_t firmwareLength = 3;
inline constexpr std::uint8_t serial = 0x05;
inline constexpr std::uint32_t serialLength = 20;
inline constexpr std::uint8_t battery = 0x06;
inline constexpr std::uint32_t batteryLength = 2;
inline constexpr std::uint8_t distance = 0x51;
inline constexpr std::uint32_t distanceLength = 2;
}  // namespace shortReport

// Sensitivity code: v = 100 + 25 * c. Encoding is unsigned 32-bit, truncated to a byte, without a
// range check, so values below 100 wrap as the device has always seen them.
constexpr std::uint8_t SensitivityCode(std::uint32_t dpi) {
    return static_cast<std::uint8_t>((dpi - 100u) / 25u);
}
constexpr std::uint32_t SensitivityDpi(std::uint8_t code) { return 100u + 25u * code; }

// Polling rate in Hz <-> code (1 = 1000, 2 = 500, 8 = 125); empty for anything else.
std::optional<std::uint8_t> PollingRateCode(std::int32_t rateHz);
std::optional<std::int32_t> PollingRateHz(std::uint8_t code);

// Stage table of a profile block. More than five stages is not a table the mouse can hold:
// E_FAIL, `stages` untouched. Fills ulTotalStages, lDefaultStage and the stages' DPI values.
HResult DecodeStageTable(const DovaReport& profileBlock, records::_stDpiStageType& stages);
// Stores count, default stage and the stages' codes (count must be at most five).
void EncodeStageTable(const records::_stDpiStageType& stages, DovaReport& profileBlock);

// Button entries (bytes 29-64): the mappings' encoding into the entries as read; at most nine.
// Entries whose mapping has no device form keep function and parameters as read.
void EncodeButtonEntries(std::span<const records::_TButtonMappingInfo> mappings, DovaReport& block);
// The nine entries into the caller's mappings; unknown function codes leave a mapping untouched.
void DecodeButtonEntries(const DovaReport& block,
                         std::span<records::_TButtonMappingInfo, kButtonEntries> mappings);

// The block CreateProfile writes for a new profile `number`.
DovaReport DefaultProfileBlock(std::uint8_t number);
// The block SaveProfile writes.
DovaReport FixedMappingBlock();

// A 40-byte UTF-16LE name field with its terminator. Decoding a field without a terminator or
// encoding a name that does not fit (more than 19 characters) gives E_FAIL.
inline constexpr std::size_t kNameFieldBytes = 40;
using NameField = std::span<const std::uint8_t, kNameFieldBytes>;
HResult DecodeNameField(NameField field, std::u16string& name);
HResult EncodeNameField(std::u16string_view name, std::span<std::uint8_t, kNameFieldBytes> field);

// Profile name record answer: the empty name for a free number.
HResult DecodeProfileName(const DovaReport& nameRecord, std::u16string& name);

// Identity block: bytes 9-40, each as decimal, concatenated (at most 96 characters).
std::u16string DecodeSerialNumber(const DovaReport& identity);
// "%d.%02d".
std::u16string FormatFirmwareVersion(std::uint8_t major, std::uint8_t minor);
// Serial report 0x05 of the wireless receiver: bytes 1-19 are ASCII text up to the first zero
// byte; any byte outside printable ASCII shows as '?'.
std::u16string DecodeWirelessSerial(std::span<const std::uint8_t, shortReport::serialLength> report);

// Battery state code (report 0x06 byte 1) to percent. Codes 1-4 set the remembered level; any
// other code answers it (100 while unset, marked by a negative value).
int BatteryPercent(std::uint8_t stateCode, std::atomic<int>& rememberedLevel);

}  // namespace tessel::device
