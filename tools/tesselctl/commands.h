#pragma once
// The commands of tesselctl. Each one reads its words from the context, talks to the
// middleware through it and prints through its output.
#include <memory>
#include <span>

#include "tools/tesselctl/command_line.h"
#include "tools/tesselctl/console.h"
#include "tools/tesselctl/middleware.h"
#include "tools/tesselctl/text_forms.h"

namespace tessel::ctl {

class Context {
public:
    Context(Arguments args, bool json, unsigned short productId)
        : args(std::move(args)), out(json), productId_(productId) {}

    Arguments args;
    const Output out;

    // The mouse of the chosen product, which must answer.
    Middleware& mouse() { return open(productId_, true); }
    // The wireless receiver, whatever product was chosen: only it reports the battery.
    Middleware& receiver() { return open(kWirelessProduct, true); }
    // The settings store of the chosen product, which works without the mouse.
    Middleware& store() { return open(productId_, false); }

private:
    Middleware& open(unsigned short productId, bool requireMouse);

    unsigned short productId_;
    std::unique_ptr<Middleware> middleware_;
};

struct Command {
    const char* name;
    const char* summary;  // one line of the command list
    const char* usage;    // the command's own help
    void (*run)(Context& context);
    const char* details = nullptr;  // more help, after the usage
};

std::span<const Command* const> allCommands();

// The stage table of a profile's sensitivity object. The current stage is the performance
// block's, so it belongs to the profile only when that one is `active`; otherwise it is 0.
Stages readStages(IDpi& dpi, bool active);
Json stagesJson(const Stages& stages);

// "get" or "set": true for set.
bool takeSetVerb(Arguments& args);
// "label   value" lines with the values in one column.
std::string table(std::initializer_list<std::pair<const char*, std::string>> rows);

// Defined beside their work.
extern const Command kInfoCommand, kSensitivityCommand, kStagesCommand, kPollingCommand, kLightsCommand,
    kMemoryCommand, kBatteryCommand, kProfilesCommand, kMacrosCommand, kWatchCommand, kStoreCommand,
    kPointerCommand;

}  // namespace tessel::ctl
