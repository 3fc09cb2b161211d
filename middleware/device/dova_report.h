#pragma once
// The 91-byte feature report of the mouse protocol, the same layout in both directions.
#include <array>
#include <cstddef>
#include <cstdint>

namespace tessel::device {

struct DovaReport {
    static constexpr std::size_t size = 91;
    // Byte offsets of the fields.
    enum Field : std::size_t {
        reportId = 0,
        control = 1,
        status = 2,
        readFlag = 3,
        command = 4,
        param = 5,
        data = 9,  // first data byte of a command (bytes 6-8 carry macro transfer fields)
        checksum = 89,
        trailer = 90,
    };

    std::array<std::uint8_t, size> bytes{};

    std::uint8_t& operator[](std::size_t offset) { return bytes[offset]; }
    std::uint8_t operator[](std::size_t offset) const { return bytes[offset]; }
    std::uint8_t* raw() { return bytes.data(); }
    const std::uint8_t* raw() const { return bytes.data(); }

    // XOR of bytes 3 through 88.
    std::uint8_t computeChecksum() const {
        std::uint8_t sum = 0;
        for (std::size_t i = readFlag; i < checksum; ++i) sum ^= bytes[i];
        return sum;
    }

    // Zeroed request: control 1, trailer 1, the given read flag, command and param.
    static DovaReport request(bool read, std::uint8_t commandCode, std::uint8_t paramValue) {
        DovaReport r;
        r[control] = 1;
        r[trailer] = 1;
        r[readFlag] = read ? 1 : 0;
        r[command] = commandCode;
        r[param] = paramValue;
        return r;
    }
    static DovaReport readRequest(std::uint8_t commandCode, std::uint8_t paramValue) {
        return request(true, commandCode, paramValue);
    }
    static DovaReport writeRequest(std::uint8_t commandCode, std::uint8_t paramValue) {
        return request(false, commandCode, paramValue);
    }
    // Turns an answer (or request) into a write of `paramValue` data bytes, keeping the data.
    void makeWrite(std::uint8_t paramValue) {
        bytes[reportId] = 0;
        bytes[control] = 1;
        bytes[status] = 0;
        bytes[readFlag] = 0;
        bytes[param] = paramValue;
        bytes[6] = 0;
        bytes[7] = 0;
        bytes[checksum] = 0;
        bytes[trailer] = 1;
    }
    // reportId 0, control 1, trailer 1, everything else 0.
    static DovaReport endReport() {
        DovaReport r;
        r[control] = 1;
        r[trailer] = 1;
        return r;
    }
};

}  // namespace tessel::device
