#pragma once
// Status codes of the middleware: the Windows HRESULT values, usable without <windows.h> so the
// portable core builds on the host too. The COM layer returns them unchanged.
#include <cstdint>

namespace tessel {

using HResult = std::int32_t;

namespace hr {
inline constexpr HResult ok = 0;
inline constexpr HResult falseResult = 1;  // S_FALSE
inline constexpr HResult notImpl = static_cast<HResult>(0x80004001u);
inline constexpr HResult noInterface = static_cast<HResult>(0x80004002u);
inline constexpr HResult pointer = static_cast<HResult>(0x80004003u);
inline constexpr HResult abort = static_cast<HResult>(0x80004004u);
inline constexpr HResult fail = static_cast<HResult>(0x80004005u);
inline constexpr HResult accessDenied = static_cast<HResult>(0x80070005u);
inline constexpr HResult handle = static_cast<HResult>(0x80070006u);
inline constexpr HResult outOfMemory = static_cast<HResult>(0x8007000Eu);
inline constexpr HResult invalidArg = static_cast<HResult>(0x80070057u);

// A system error code as a failure status: 0x80070000 | (error & 0xFFFF).
constexpr HResult fromSystemError(std::uint32_t error) {
    return static_cast<HResult>(0x80070000u | (error & 0xFFFFu));
}

constexpr bool succeeded(HResult status) { return status >= 0; }
constexpr bool failed(HResult status) { return status < 0; }
}  // namespace hr

// System error codes the core produces or inspects.
namespace syserr {
inline constexpr std::uint32_t success = 0;
inline constexpr std::uint32_t fileNotFound = 2;
inline constexpr std::uint32_t accessDenied = 5;
inline constexpr std::uint32_t invalidHandle = 6;
inline constexpr std::uint32_t genFailure = 31;
inline constexpr std::uint32_t moreData = 234;
inline constexpr std::uint32_t noMoreItems = 259;  // 0x103
inline constexpr std::uint32_t deviceNotConnected = 1167;
}  // namespace syserr

}  // namespace tessel
