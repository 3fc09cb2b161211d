#pragma once
// The middleware's trace function: takes a wide format string and its arguments and discards
// them. Tests may install a sink to see which lines were emitted (formats only).
namespace tessel {

using TraceSink = void (*)(const char16_t* format);

namespace detail {
inline TraceSink traceSink = nullptr;
}

inline void setTraceSink(TraceSink sink) { detail::traceSink = sink; }

template <typename... Args>
inline void Trace(const char16_t* format, const Args&...) noexcept {
    if (TraceSink sink = detail::traceSink) sink(format);
}

}  // namespace tessel
