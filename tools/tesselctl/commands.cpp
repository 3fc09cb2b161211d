#include "tools/tesselctl/commands.h"

namespace tessel::ctl {

Middleware& Context::open(unsigned short productId, bool requireMouse) {
    if (!middleware_ || middleware_->productId() != productId)
        middleware_ = std::make_unique<Middleware>(productId, requireMouse);
    return *middleware_;
}

std::span<const Command* const> allCommands() {
    static const Command* const kAll[] = {
        &kInfoCommand,  &kSensitivityCommand, &kStagesCommand, &kPollingCommand, &kLightsCommand, &kProfilesCommand,
        &kMacrosCommand, &kMemoryCommand,     &kBatteryCommand, &kWatchCommand,  &kStoreCommand,  &kPointerCommand,
    };
    return kAll;
}

}  // namespace tessel::ctl
