#pragma once
// The sensitivity stages of a profile and the slider positions that edit them. Everything the
// mouse (or a file) hands in passes through the bounds here before the pages see it.
#include <array>
#include <cstdint>

namespace tessel::cfg {

inline constexpr int kMaxStages = 5;
inline constexpr int kMinSliderPosition = 1;
inline constexpr int kMaxSliderPosition = 32;
inline constexpr int kDpiPerPosition = 125;

struct Sensitivity {
    std::uint32_t x = 0;
    std::uint32_t y = 0;
    bool operator==(const Sensitivity&) const = default;
};

struct StageRecord {
    std::uint32_t count = 0;
    std::int32_t currentStage = 0;  // 1-based
    std::int32_t defaultStage = 0;  // 1-based
    std::array<Sensitivity, kMaxStages> stages{};
    bool operator==(const StageRecord&) const = default;

    // Five stages of 500, 1000, 1500, 2000 and 4000 DPI, current and default stage 3.
    static StageRecord defaults();
    // A record as read: a count of 0 or above 5 gives the default record; the current and
    // default stage are limited to 1..count.
    static StageRecord fromOutside(const StageRecord& read);

    // Current and default stage limited to 1..count.
    void limitStages();
    const Sensitivity& current() const { return stages[static_cast<std::size_t>(currentStage - 1)]; }
    Sensitivity& current() { return stages[static_cast<std::size_t>(currentStage - 1)]; }
};

// A slider value as a position 1..32: above 31 counts as 32, others are rounded (+ 0.49, cut).
int sliderPosition(double value);
// The position that shows `dpi`.
int positionOfDpi(std::uint32_t dpi);
inline std::uint32_t dpiOfPosition(int position) { return static_cast<std::uint32_t>(position) * kDpiPerPosition; }

// The acceleration slider: whole steps 1..10, above 9.2 counts as 10, others are cut.
int accelerationStep(double value);

}  // namespace tessel::cfg
