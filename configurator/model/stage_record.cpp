#include "configurator/model/stage_record.h"

#include <algorithm>
#include <cmath>

namespace tessel::cfg {

StageRecord StageRecord::defaults() {
    StageRecord record;
    record.count = 5;
    record.currentStage = 3;
    record.defaultStage = 3;
    record.stages = {{{500, 500}, {1000, 1000}, {1500, 1500}, {2000, 2000}, {4000, 4000}}};
    return record;
}

StageRecord StageRecord::fromOutside(const StageRecord& read) {
    if (read.count == 0 || read.count > kMaxStages) return defaults();
    StageRecord record = read;
    record.limitStages();
    return record;
}

void StageRecord::limitStages() {
    const auto last = static_cast<std::int32_t>(std::clamp<std::uint32_t>(count, 1, kMaxStages));
    currentStage = std::clamp(currentStage, 1, last);
    defaultStage = std::clamp(defaultStage, 1, last);
}

int sliderPosition(double value) {
    if (!(value <= kMaxSliderPosition - 1)) return kMaxSliderPosition;  // also NaN
    return std::clamp(static_cast<int>(std::floor(value + 0.49)), kMinSliderPosition, kMaxSliderPosition);
}

int positionOfDpi(std::uint32_t dpi) { return sliderPosition(static_cast<double>(dpi) / kDpiPerPosition); }

int accelerationStep(double value) {
    if (!(value <= 9.2)) return 10;
    return std::clamp(static_cast<int>(value), 1, 10);
}

}  // namespace tessel::cfg
