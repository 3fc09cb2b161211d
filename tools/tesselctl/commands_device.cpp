// The mouse's identity and its settings outside the onboard profiles' lists: sensitivity,
// stages, polling rate, lights, memory and battery.
#include <algorithm>
#include <cstdio>

#include "tools/tesselctl/commands.h"
#include "tools/tesselctl/failure.h"
#include "tools/tesselctl/text_forms.h"

namespace tessel::ctl {
namespace {

constexpr long kMemoryUnitBytes = 480;

std::string readText(IDeviceType& device, HRESULT (STDMETHODCALLTYPE IDeviceType::*read)(LPWSTR*), const char* what) {
    LPWSTR text = nullptr;
    const HRESULT status = (device.*read)(&text);
    std::string value = takeTaskString(text);
    check(status, std::string("reading the ") + what);
    return value;
}

// --profile N (or "active"), the active profile when missing.
std::optional<long> takeProfileOption(Arguments& args) {
    const std::optional<std::string> profile = args.takeOption("--profile");
    return profile ? parseProfileNumber(*profile) : std::nullopt;
}

// --- info ---

void runInfo(Context& context) {
    context.args.noMore();
    Middleware& middleware = context.mouse();
    IDeviceType& device = middleware.device();
    const std::string hardwareId = readText(device, &IDeviceType::GetHardwareId, "hardware id");
    const std::string firmware = readText(device, &IDeviceType::GetFirmwareVersion, "firmware version");
    const std::string serial = readText(device, &IDeviceType::GetSerialNumber, "serial number");
    const std::string driver = readText(device, &IDeviceType::GetDriverVersion, "driver version");
    long connected = 0;
    check(device.IsConnected(&connected), "asking whether the mouse is connected");
    long version = 0;
    check(middleware.enumeration().GetMiddlewareVersion(&version), "reading the middleware version");
    _TDeviceCapabilities capabilities{};
    check(device.GetDeviceCapabilities(&capabilities), "reading the capabilities");

    char product[32];
    std::snprintf(product, sizeof product, "0x%04X (%s)", middleware.productId(),
                  middleware.productId() == kWirelessProduct ? "wireless receiver" : "cable");
    auto supported = [](long flag) { return std::string(flag ? "settable" : "fixed"); };
    const Json data = Json::object()
                          .set("productId", static_cast<long>(middleware.productId()))
                          .set("hardwareId", hardwareId)
                          .set("firmware", firmware)
                          .set("serial", serial)
                          .set("driverVersion", driver)
                          .set("middlewareVersion", version)
                          .set("connected", connected != 0)
                          .set("capabilities", Json::object()
                                                   .set("mouseButtons", capabilities.lNoOfMouseButtons)
                                                   .set("totalButtons", capabilities.lNoOfTotalButtons)
                                                   .set("maxMacroLength", capabilities.ulMaxMacroLen)
                                                   .set("sensitivity", capabilities.bDpiSettingsSupported != 0)
                                                   .set("pollingRate", capabilities.bPollingRateSupported != 0));
    context.out.result(
        data, table({{"product", product},
                     {"hardware id", hardwareId},
                     {"firmware", firmware},
                     {"serial", serial},
                     {"driver version", driver},
                     {"middleware", std::to_string(version)},
                     {"connected", connected ? "yes" : "no"},
                     {"buttons", std::to_string(capabilities.lNoOfMouseButtons) + " mouse buttons, " +
                                     std::to_string(capabilities.lNoOfTotalButtons) + " in all"},
                     {"macro length", std::to_string(capabilities.ulMaxMacroLen)},
                     {"sensitivity", supported(capabilities.bDpiSettingsSupported)},
                     {"polling rate", supported(capabilities.bPollingRateSupported)}}));
}

// --- sensitivity ---

void printSensitivity(Context& context, IDpi& dpi) {
    long x = 0, y = 0;
    check(dpi.GetDpiLevel(&x, &y), "reading the sensitivity");
    const Sensitivity value{static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y)};
    context.out.result(Json::object().set("x", x).set("y", y), formatSensitivity(value) + " DPI");
}

void runSensitivity(Context& context) {
    Arguments& args = context.args;
    const bool set = takeSetVerb(args);
    std::optional<Sensitivity> wanted;
    if (set) {
        const std::uint32_t x = parseDpi(args.take("the X sensitivity"));
        const std::optional<std::string> y = args.takeOptional();
        wanted = Sensitivity{x, y ? parseDpi(*y) : x};
    }
    args.noMore();
    // The sensitivity is the mouse's, whichever profile's object reads it.
    Middleware& middleware = context.mouse();
    const ComPtr<IDpi> dpi =
        middleware.profileFeature<IDpi>(*middleware.profile(std::nullopt).Get(), IID_IDpi, "the sensitivity object");
    if (wanted)
        check(dpi->SetDpiLevel(static_cast<long>(wanted->x), static_cast<long>(wanted->y)), "setting the sensitivity");
    printSensitivity(context, *dpi.Get());
}

// --- stages ---

// The stages of a profile and whether it is the active one.
struct ProfileStages {
    ComPtr<IDpi> dpi;
    bool active = false;
};

ProfileStages profileStages(Middleware& middleware, std::optional<long> number) {
    const ComPtr<IHaldenProfile> profile = middleware.profile(number);
    long id = 0;
    check(profile->GetId(&id), "reading the profile number");
    return {middleware.profileFeature<IDpi>(*profile.Get(), IID_IDpi, "the sensitivity object"),
            id == middleware.activeProfileNumber()};
}

void runStages(Context& context) {
    Arguments& args = context.args;
    const std::optional<long> number = takeProfileOption(args);
    const bool set = takeSetVerb(args);
    std::optional<Stages> wanted;
    if (set) wanted = parseStages(args.takeRest());
    args.noMore();
    const auto [dpi, active] = profileStages(context.mouse(), number);
    Stages now = readStages(*dpi.Get(), active);
    if (wanted) {
        if (wanted->current && !active) throw UsageError("current= applies to the active profile only");
        completeStages(*wanted, now);
        _stDpiStageType record{};
        record.ulTotalStages = static_cast<ULONG>(wanted->stages.size());
        record.lCurrentStage = wanted->current;
        record.lDefaultStage = wanted->defaultStage;
        for (std::size_t i = 0; i < wanted->stages.size(); ++i)
            record.Sensitivity[i] = {wanted->stages[i].x, wanted->stages[i].y};
        check(dpi->SetDpiStages(sizeof record, &record), "setting the sensitivity stages");
        now = readStages(*dpi.Get(), active);
    }
    context.out.result(stagesJson(now), formatStages(now));
}

// --- polling rate ---

void runPolling(Context& context) {
    Arguments& args = context.args;
    const bool set = takeSetVerb(args);
    const std::optional<long> wanted = set ? std::optional(parsePollingRate(args.take("a polling rate"))) : std::nullopt;
    args.noMore();
    const ComPtr<IPollingRate> polling =
        context.mouse().create(&IDeviceType::CreatePollingRateInterface, "the polling-rate object");
    if (wanted) check(polling->SetRate(*wanted), "setting the polling rate");
    long rate = 0;
    check(polling->GetRate(&rate), "reading the polling rate");
    context.out.result(Json::object().set("rate", rate), std::to_string(rate) + " Hz");
}

// --- lights ---

void runLights(Context& context) {
    Arguments& args = context.args;
    const std::optional<long> number = takeProfileOption(args);
    const bool set = takeSetVerb(args);
    const std::optional<long> wanted = set ? std::optional(parseLights(args.take("the lights"))) : std::nullopt;
    args.noMore();
    Middleware& middleware = context.mouse();
    const ComPtr<ILedStatus> lights =
        middleware.profileFeature<ILedStatus>(*middleware.profile(number).Get(), IID_ILedStatus, "the lighting object");
    if (wanted) check(lights->SetStatus(*wanted), "switching the lights");
    long status = 0;
    check(lights->GetStatus(&status), "reading the lights");
    context.out.result(Json::object()
                           .set("status", status)
                           .set("wheel", (status & kLightWheel) != 0)
                           .set("battery", (status & kLightBattery) != 0)
                           .set("dock", (status & kLightDock) != 0),
                       formatLights(status));
}

// --- memory and battery ---

void runMemory(Context& context) {
    context.args.noMore();
    IHalden& halden = context.mouse().halden();
    long total = 0, remaining = 0;
    check(halden.GetTotalSpace(&total), "reading the total macro memory");
    check(halden.GetRemainingSpace(&remaining), "reading the free macro memory");
    auto units = [](long count) {
        return std::to_string(count) + " units (" + std::to_string(count * kMemoryUnitBytes) + " bytes)";
    };
    context.out.result(
        Json::object().set("totalUnits", total).set("remainingUnits", remaining).set("unitBytes", kMemoryUnitBytes),
        table({{"total", units(total)}, {"remaining", units(remaining)}}));
}

void runBattery(Context& context) {
    context.args.noMore();
    const ComPtr<IBattery> battery =
        context.receiver().create(&IDeviceType::CreateBatteryInterface, "the battery object");
    long percent = 0;
    check(battery->GetRemaingPower(&percent), "reading the battery");
    context.out.result(Json::object().set("percent", percent), std::to_string(percent) + "%");
}

}  // namespace

std::string table(std::initializer_list<std::pair<const char*, std::string>> rows) {
    std::size_t width = 0;
    for (const auto& row : rows) width = std::max(width, std::string_view(row.first).size());
    std::string text;
    for (const auto& [label, value] : rows)
        text += (text.empty() ? "" : "\n") + std::string(label) + std::string(width + 2 - std::string_view(label).size(), ' ') + value;
    return text;
}

bool takeSetVerb(Arguments& args) {
    const std::string verb = args.take("get or set");
    if (verb != "get" && verb != "set") throw UsageError("expected get or set, not \"" + verb + "\"");
    return verb == "set";
}

Stages readStages(IDpi& dpi, bool active) {
    ULONG size = 0;
    _stDpiStageType* block = nullptr;
    const HRESULT status = dpi.GetDpiStages(&size, &block);
    const TaskMemory<_stDpiStageType> owned(block);
    check(status, "reading the sensitivity stages");
    Stages stages;
    // The middleware's block is larger than the record; only the record is read.
    for (ULONG i = 0; i < std::min<ULONG>(block->ulTotalStages, kMaxStages); ++i)
        stages.stages.push_back({block->Sensitivity[i].ulXSensitivity, block->Sensitivity[i].ulYSensitivity});
    stages.current = active ? block->lCurrentStage : 0;
    stages.defaultStage = block->lDefaultStage;
    return stages;
}

Json stagesJson(const Stages& stages) {
    Json list = Json::array();
    for (const Sensitivity& stage : stages.stages) list.push(Json::object().set("x", stage.x).set("y", stage.y));
    return Json::object()
        .set("stages", std::move(list))
        .set("current", stages.current ? Json(stages.current) : Json())
        .set("default", stages.defaultStage);
}

const Command kInfoCommand = {
    "info", "the mouse's identity, versions and capabilities",
    R"(usage: tesselctl info

Prints the product, hardware id, firmware version, serial number, driver and middleware
versions, whether the mouse is connected, and its capabilities.)",
    runInfo};

const Command kSensitivityCommand = {
    "sensitivity", "the current sensitivity in DPI",
    R"(usage: tesselctl sensitivity get
       tesselctl sensitivity set X [Y]

X and Y: 125 to 4000 DPI in steps of 25; Y is X when left out. Prints the sensitivity as the
mouse reports it afterwards.)",
    runSensitivity};

const Command kStagesCommand = {
    "stages", "the sensitivity stages of a profile",
    R"(usage: tesselctl stages get [--profile N]
       tesselctl stages set STAGES [current=N] [default=N] [--profile N]

STAGES: 2 to 5 sensitivities separated by commas, each DPI or XDPIxYDPI (125 to 4000 in steps
of 25), e.g. 800x800,1600,3200. current= (active profile only) and default= choose stages by
number; left out, they stay where they still fit. The profile is the active one unless
--profile N (1-5) names another.
Printed as: 800,1600,3200 current=2 default=2)",
    runStages};

const Command kPollingCommand = {
    "polling", "the polling rate",
    R"(usage: tesselctl polling get
       tesselctl polling set 125|500|1000)",
    runPolling};

const Command kLightsCommand = {
    "lights", "the lights of a profile",
    R"(usage: tesselctl lights get [--profile N]
       tesselctl lights set VALUE [--profile N]

VALUE: a number 0-7 (1 scroll wheel, 2 battery indicator, 4 charging dock), all, none, or a
list of the lights that are on, such as wheel,dock. The profile is the active one unless
--profile N (1-5) names another.)",
    runLights};

const Command kMemoryCommand = {
    "memory", "the mouse's macro memory, total and free",
    R"(usage: tesselctl memory

Prints the macro memory in units of 480 bytes.)",
    runMemory};

const Command kBatteryCommand = {
    "battery", "the battery level (wireless receiver)",
    R"(usage: tesselctl battery

Asks the wireless receiver (product 0x14) for the battery level, in percent.)",
    runBattery};

}  // namespace tessel::ctl
