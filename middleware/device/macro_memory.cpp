#include "middleware/device/macro_memory.h"

#include <algorithm>

#include "middleware/device/command_exchange.h"

namespace tessel::device {

using namespace records;

namespace {

constexpr std::size_t kTransferIndexByte = 8;  // macro index (page number for the directory)
constexpr std::size_t kChunksToFollowHigh = 6;
constexpr std::size_t kChunksToFollowLow = 7;
constexpr std::uint16_t kEmptyImageBytes = macroImage::nameBytes;

using NameBytes = std::span<const std::uint8_t, kNameFieldBytes>;

// Every macro command carries the index in byte 8.
DovaReport macroRequest(bool read, std::uint8_t commandCode, std::uint8_t param, std::uint8_t index) {
    DovaReport request = DovaReport::request(read, commandCode, param);
    request[kTransferIndexByte] = index;
    return request;
}

// One chunk request of the transfer: `toFollow` chunks come after it.
DovaReport chunkRequest(bool read, std::uint8_t index, std::size_t length, std::size_t toFollow) {
    DovaReport request = macroRequest(read, command::macroData, read ? 0 : static_cast<std::uint8_t>(length), index);
    request[kChunksToFollowHigh] = static_cast<std::uint8_t>(toFollow >> 8);
    request[kChunksToFollowLow] = static_cast<std::uint8_t>(toFollow & 0xFF);
    return request;
}

std::size_t chunkCount(std::size_t bytes) { return (bytes + kMacroChunkBytes - 1) / kMacroChunkBytes; }

HResult readNameRecord(DriverHandler& handler, std::uint8_t index, DovaReport& record) {
    record = macroRequest(true, command::macroName, 0, index);
    return ReadBlock(handler, record);
}

NameBytes nameBytes(const DovaReport& record) { return NameBytes(record.raw() + DovaReport::data, kNameFieldBytes); }

// Allocates and writes a complete image.
HResult storeImage(DriverHandler& handler, std::uint8_t index, std::span<const std::uint8_t> image) {
    if (const HResult status = AllocateMacro(&handler, index, static_cast<std::uint16_t>(image.size()));
        hr::failed(status))
        return status;
    return WriteMacroImage(&handler, index, image);
}

}  // namespace

HResult ReadMacroDirectory(DriverHandler* handler, MacroDirectory& directory) {
    if (!handler) return hr::fail;
    std::vector<MacroDirectoryEntry> entries;
    bool morePages = true;
    // Pages past the 70 places are never read: the mouse cannot make the walk endless.
    for (std::uint8_t pageNumber = 0; morePages && entries.size() < kMacroDirectoryPlaces; ++pageNumber) {
        DovaReport page = macroRequest(true, command::macroDirectory, 0, pageNumber);
        if (const HResult status = ReadBlock(*handler, page); hr::failed(status)) return status;
        if (const HResult status = DecodeDirectoryPage(page, entries, morePages); hr::failed(status)) return status;
    }
    directory = {};
    std::copy_n(entries.begin(), std::min(entries.size(), kMacroDirectoryPlaces), directory.begin());
    return hr::ok;
}

HResult GetMacroName(DriverHandler* handler, std::uint8_t index, std::u16string& name) {
    if (!handler) return hr::fail;
    DovaReport record;
    if (const HResult status = readNameRecord(*handler, index, record); hr::failed(status)) return status;
    return DecodeNameField(nameBytes(record), name);
}

HResult SetMacroName(DriverHandler* handler, std::uint8_t index, std::u16string_view name) {
    if (!handler) return hr::fail;
    DovaReport record = macroRequest(false, command::macroName, 0, index);
    const std::span<std::uint8_t, kNameFieldBytes> field(record.raw() + DovaReport::data, kNameFieldBytes);
    if (const HResult status = EncodeNameField(name, field); hr::failed(status)) return status;
    return WriteBlock(*handler, record);
}

HResult AllocateMacro(DriverHandler* handler, std::uint8_t index, std::uint16_t bytes) {
    if (!handler) return hr::fail;
    DovaReport request = DovaReport::writeRequest(command::macroDirectory, 4);
    request[DovaReport::data] = index;
    request[DovaReport::data + 1] = static_cast<std::uint8_t>(bytes >> 8);
    request[DovaReport::data + 2] = static_cast<std::uint8_t>(bytes & 0xFF);
    return WriteBlock(*handler, request);
}

HResult WriteMacroImage(DriverHandler* handler, std::uint8_t index, std::span<const std::uint8_t> image) {
    if (!handler) return hr::fail;
    const std::size_t chunks = chunkCount(image.size());
    HResult status = hr::ok;
    for (std::size_t chunk = 0; chunk < chunks; ++chunk) {
        const std::span<const std::uint8_t> data =
            image.subspan(chunk * kMacroChunkBytes, std::min(kMacroChunkBytes, image.size() - chunk * kMacroChunkBytes));
        DovaReport request = chunkRequest(false, index, data.size(), chunks - 1 - chunk);
        std::ranges::copy(data, request.raw() + DovaReport::data);
        const HResult chunkStatus = WriteBlock(*handler, request);
        if (hr::succeeded(status)) status = chunkStatus;
    }
    return status;
}

HResult ReadMacroImage(DriverHandler* handler, std::uint8_t index, std::uint16_t bytes, std::vector<std::uint8_t>& image) {
    if (!handler) return hr::fail;
    const std::size_t chunks = chunkCount(bytes);
    std::vector<std::uint8_t> result;
    result.reserve(bytes);
    for (std::size_t chunk = 0; chunk < chunks; ++chunk) {
        const std::size_t length = std::min<std::size_t>(kMacroChunkBytes, bytes - chunk * kMacroChunkBytes);
        DovaReport request = chunkRequest(true, index, length, chunks - 1 - chunk);
        if (const HResult status = ReadBlock(*handler, request); hr::failed(status)) return status;
        result.insert(result.end(), request.raw() + DovaReport::data, request.raw() + DovaReport::data + length);
    }
    image = std::move(result);
    return hr::ok;
}

HResult CreateMacro(DriverHandler* handler, std::uint8_t& index) {
    if (!handler) return hr::fail;
    MemoryFigures figures;
    if (const HResult status = ReadMemoryFigures(handler, figures); hr::failed(status)) return status;
    if (figures.freeUnits() <= 0) return hr::outOfMemory;
    MacroDirectory directory;
    if (const HResult status = ReadMacroDirectory(handler, directory); hr::failed(status)) return status;

    const auto place = std::ranges::find(directory, std::uint16_t{0}, &MacroDirectoryEntry::size);
    if (place == directory.end()) return hr::fail;
    std::uint8_t newIndex = 0;
    if (place != directory.begin()) {
        const std::uint8_t previous = std::prev(place)->index;
        if (previous == 0xFF) return hr::fail;  // no index left after it
        newIndex = static_cast<std::uint8_t>(previous + 1);
    }
    if (const HResult status = ClearMacroElements(handler, newIndex); hr::failed(status)) return status;
    index = newIndex;
    return hr::ok;
}

HResult SetMacroElements(DriverHandler* handler, std::uint8_t index, std::uint32_t fixedDelay,
                         std::span<const _TMacroElement> elements) {
    if (!handler) return hr::fail;
    std::vector<std::uint8_t> image;
    if (const HResult status = EncodeMacroImage(fixedDelay, elements, image); hr::failed(status)) return status;
    MemoryFigures figures;
    if (const HResult status = ReadMemoryFigures(handler, figures); hr::failed(status)) return status;
    // The directory and the allocation carry sizes as 16-bit numbers.
    if (!figures.fits(image.size()) || image.size() > 0xFFFF) return hr::outOfMemory;

    DovaReport record;
    if (const HResult status = readNameRecord(*handler, index, record); hr::failed(status)) return status;
    std::ranges::copy(nameBytes(record), image.begin());
    return storeImage(*handler, index, image);
}

HResult ClearMacroElements(DriverHandler* handler, std::uint8_t index) {
    if (!handler) return hr::fail;
    const std::array<std::uint8_t, kEmptyImageBytes> empty{};
    return storeImage(*handler, index, empty);
}

HResult GetMacroElements(DriverHandler* handler, std::uint8_t index, DecodedMacro& macro) {
    if (!handler) return hr::fail;
    MacroDirectory directory;
    if (const HResult status = ReadMacroDirectory(handler, directory); hr::failed(status)) return status;
    const auto entry = std::ranges::find_if(directory, [&](const MacroDirectoryEntry& e) { return e.index == index && e.size > 0; });
    if (entry == directory.end()) return hr::fail;
    // A size beyond the whole memory is not believed.
    MemoryFigures figures;
    if (const HResult status = ReadMemoryFigures(handler, figures); hr::failed(status)) return status;
    if (entry->size > std::uint32_t{figures.totalUnits} * kMemoryUnitBytes) return hr::fail;

    std::vector<std::uint8_t> image;
    if (const HResult status = ReadMacroImage(handler, index, entry->size, image); hr::failed(status)) return status;
    return DecodeMacroImage(image, macro);
}

HResult DeleteMacro(DriverHandler* handler, std::uint8_t index) {
    if (!handler) return hr::fail;
    DovaReport request = DovaReport::writeRequest(command::macroDelete, writeParam::single);
    request[DovaReport::data] = index;
    return WriteBlock(*handler, request);
}

HResult MacroEnumeration::GetMacro(DriverHandler* handler, std::uint32_t position, std::uint8_t& index) {
    if (!handler) return hr::fail;
    if (position >= kMacroDirectoryPlaces) return hr::invalidArg;
    if (position == 0) {
        MacroDirectory directory;
        if (const HResult status = ReadMacroDirectory(handler, directory); hr::failed(status)) return status;
        // Close up the empty places, keeping the order of the others.
        places_ = {};
        std::ranges::copy_if(directory, places_.begin(), [](const MacroDirectoryEntry& e) { return e.size > 0; });
    }
    if (places_[position].size == 0) return hr::fail;
    index = places_[position].index;
    return hr::ok;
}

}  // namespace tessel::device
