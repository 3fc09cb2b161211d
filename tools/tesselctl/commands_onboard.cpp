// The profiles and macros kept in the mouse's own memory.
#include <algorithm>
#include <array>
#include <vector>

#include "tools/tesselctl/commands.h"
#include "tools/tesselctl/failure.h"
#include "tools/tesselctl/record_bridge.h"
#include "tools/tesselctl/text_forms.h"

namespace tessel::ctl {
namespace {

constexpr int kProfileCount = 5;
constexpr int kButtonCount = 9;

std::wstring checkedName(const std::string& text) {
    checkNameLength(text);
    return toWide(text);
}

long profileId(IHaldenProfile& profile) {
    long number = 0;
    check(profile.GetId(&number), "reading the profile number");
    return number;
}

std::string profileName(IHaldenProfile& profile) {
    Bstr name;
    check(profile.GetName(name.out()), "reading the profile name");
    return name.utf8();
}

// An entry whose function code the middleware cannot decode is left as the buffer held it:
// then it keeps this mapping type, and the button of its place in the default layout.
constexpr std::int32_t kUnreadMapping = -1;

std::string onboardFunction(const store::ButtonMapping& mapping) {
    return mapping.mappingType == kUnreadMapping ? "unknown" : functionText(mapping, Place::mouse);
}

std::array<store::ButtonMapping, kButtonCount> readMappings(IHaldenProfile& profile) {
    std::array<_TButtonMappingInfo, kButtonCount> records{};
    for (int i = 0; i < kButtonCount; ++i) {
        records[i].lButton = static_cast<_TButtonDefinitionType>(i + 1);
        records[i].mappingType = static_cast<_TButtonMappingType>(kUnreadMapping);
    }
    _TButtonMappingInfo* first = records.data();
    _TProfileParams params{0, kButtonCount, &first};
    check(profile.GetButtonMappings(&params), "reading the button mappings");
    std::array<store::ButtonMapping, kButtonCount> mappings;
    std::transform(records.begin(), records.end(), mappings.begin(),
                   [](const _TButtonMappingInfo& record) { return fromLibrary(record); });
    return mappings;
}

Json mappingsJson(const std::array<store::ButtonMapping, kButtonCount>& mappings) {
    Json list = Json::array();
    for (const store::ButtonMapping& mapping : mappings)
        list.push(Json::object().set("button", buttonName(mapping.button)).set("function", onboardFunction(mapping)));
    return list;
}

std::string mappingsText(const std::array<store::ButtonMapping, kButtonCount>& mappings, const char* indent) {
    std::string text;
    for (const store::ButtonMapping& mapping : mappings)
        text += (text.empty() ? "" : "\n") + std::string(indent) + buttonName(mapping.button) + "=" + onboardFunction(mapping);
    return text;
}

// --- profiles ---

void listProfiles(Context& context) {
    context.args.noMore();
    Middleware& middleware = context.mouse();
    const ComPtr<IHaldenProfileManager> manager = middleware.profileManager();
    const long active = middleware.activeProfileNumber();
    Json list = Json::array();
    std::string text;
    for (long number = 1; number <= kProfileCount; ++number) {
        const HRESULT inUse = manager->IsProfileInUse(number);
        if (inUse == E_FAIL) continue;  // a free number
        check(inUse, "asking whether profile " + std::to_string(number) + " is in use");
        const std::string name = profileName(*middleware.profile(number).Get());
        list.push(Json::object().set("number", number).set("name", name).set("active", number == active));
        text += (text.empty() ? "" : "\n") + std::to_string(number) + "  " + name + (number == active ? "  (active)" : "");
    }
    context.out.result(list, text.empty() ? "no profiles" : text);
}

void showProfile(Context& context) {
    const std::optional<long> number = parseProfileNumber(context.args.takeOptional().value_or("active"));
    context.args.noMore();
    Middleware& middleware = context.mouse();
    const ComPtr<IHaldenProfile> profile = middleware.profile(number);
    const long id = profileId(*profile.Get());
    const bool active = id == middleware.activeProfileNumber();
    const std::string name = profileName(*profile.Get());

    long lights = 0;
    check(middleware.profileFeature<ILedStatus>(*profile.Get(), IID_ILedStatus, "the lighting object")->GetStatus(&lights),
          "reading the lights");
    const Stages stages =
        readStages(*middleware.profileFeature<IDpi>(*profile.Get(), IID_IDpi, "the sensitivity object").Get(), active);
    const auto mappings = readMappings(*profile.Get());

    Json data = Json::object()
                    .set("number", id)
                    .set("name", name)
                    .set("active", active)
                    .set("lights", lights)
                    .set("stages", stagesJson(stages))
                    .set("buttons", mappingsJson(mappings));
    context.out.result(data, "profile " + std::to_string(id) + (active ? " (active)" : "") + "\nname    " + name +
                                 "\nlights  " + formatLights(lights) + "\nstages  " + formatStages(stages) +
                                 "\nbuttons\n" + mappingsText(mappings, "  "));
}

void printCreated(Context& context, long number, const char* what) {
    context.out.result(Json::object().set("number", number), std::string("created ") + what + " " + std::to_string(number));
}

void createProfile(Context& context) {
    const std::optional<std::string> name = context.args.takeOptional();
    const std::optional<std::wstring> checked = name ? std::optional(checkedName(*name)) : std::nullopt;
    context.args.noMore();
    ComPtr<IHaldenProfile> profile;
    check(context.mouse().profileManager()->CreateProfile(profile.GetAddressOf()), "creating a profile",
          {{E_OUTOFMEMORY, "all five profiles are in use"}});
    if (checked) check(profile->SetName(Bstr(*checked).get()), "naming the profile");
    printCreated(context, profileId(*profile.Get()), "profile");
}

void renameProfile(Context& context) {
    const std::optional<long> number = parseProfileNumber(context.args.take("a profile number"));
    const std::wstring name = checkedName(context.args.take("a name"));
    context.args.noMore();
    const ComPtr<IHaldenProfile> profile = context.mouse().profile(number);
    check(profile->SetName(Bstr(name).get()), "renaming the profile");
    const std::string stored = profileName(*profile.Get());
    context.out.result(Json::object().set("number", profileId(*profile.Get())).set("name", stored),
                       "profile " + std::to_string(profileId(*profile.Get())) + " is now named " + stored);
}

void activateProfile(Context& context) {
    const long number = static_cast<long>(context.args.takeNumber("a profile number", 1, kProfileCount));
    context.args.noMore();
    Middleware& middleware = context.mouse();
    check(middleware.profileManager()->SetActiveProfile(middleware.profile(number).Get()), "activating the profile");
    const long active = middleware.activeProfileNumber();
    context.out.result(Json::object().set("active", active), "profile " + std::to_string(active) + " is active");
}

void deleteProfile(Context& context) {
    const long number = static_cast<long>(context.args.takeNumber("a profile number", 1, kProfileCount));
    context.args.noMore();
    Middleware& middleware = context.mouse();
    check(middleware.profileManager()->DeleteProfile(middleware.profile(number).Get()), "deleting the profile",
          {{E_ACCESSDENIED, "profile 1 and the active profile cannot be deleted"}});
    context.out.result(Json::object().set("deleted", number), "deleted profile " + std::to_string(number));
}

void profileButtons(Context& context) {
    Arguments& args = context.args;
    const std::optional<long> number = parseProfileNumber(args.take("a profile number"));
    std::vector<store::ButtonMapping> changes;
    if (std::optional<std::string> verb = args.takeOptional()) {
        if (*verb != "set") throw UsageError("expected set, not \"" + *verb + "\"");
        for (const std::string& word : args.takeRest()) changes.push_back(parseMapping(word, Place::mouse));
        if (changes.empty()) throw UsageError("missing a mapping BUTTON=FUNCTION");
    }
    Middleware& middleware = context.mouse();
    const ComPtr<IHaldenProfile> profile = middleware.profile(number);
    auto mappings = readMappings(*profile.Get());
    if (!changes.empty()) {
        for (const store::ButtonMapping& change : changes) {
            const auto entry = std::find_if(mappings.begin(), mappings.end(),
                                            [&](const store::ButtonMapping& m) { return m.button == change.button; });
            if (entry == mappings.end())
                throw UsageError("the profile has no button " + buttonName(change.button));
            *entry = change;
        }
        std::array<_TButtonMappingInfo, kButtonCount> records{};
        std::transform(mappings.begin(), mappings.end(), records.begin(),
                       [](const store::ButtonMapping& mapping) { return toLibrary(mapping); });
        _TButtonMappingInfo* first = records.data();
        _TProfileParams params{0, kButtonCount, &first};
        check(profile->SetButtonMappings(&params), "setting the button mappings");
        mappings = readMappings(*profile.Get());
    }
    context.out.result(mappingsJson(mappings), mappingsText(mappings, ""));
}

void runProfiles(Context& context) {
    const std::string verb = context.args.take("a profiles command");
    static const std::pair<const char*, void (*)(Context&)> kVerbs[] = {
        {"list", listProfiles},       {"show", showProfile},         {"create", createProfile},
        {"rename", renameProfile},    {"activate", activateProfile}, {"delete", deleteProfile},
        {"buttons", profileButtons},
    };
    for (const auto& [name, run] : kVerbs)
        if (verb == name) return run(context);
    throw UsageError("unknown profiles command \"" + verb + "\"");
}

// --- macros ---

struct OnboardMacro {
    long id = 0;
    MacroDescription description;
};

OnboardMacro readMacro(IHaldenMacro& macro) {
    OnboardMacro result;
    check(macro.GetId(&result.id), "reading the macro id");
    const std::string what = "macro " + std::to_string(result.id);
    const std::initializer_list<Hint> missing = {{E_FAIL, "the mouse holds no macro with this id"}};
    Bstr name;
    check(macro.GetName(name.out()), "reading the name of " + what, missing);
    result.description.name = name.utf8();
    _TMacroElement* elements = nullptr;
    _TMacroParams params{};
    params.ppElements = &elements;
    const HRESULT status = macro.GetElements(&params);
    const TaskMemory<_TMacroElement> owned(elements);
    check(status, "reading the elements of " + what, missing);
    result.description.fixedDelay = params.FixedDelay;
    for (long i = 0; i < params.lNumElements; ++i) result.description.macro.elements.push_back(fromLibrary(elements[i]));
    return result;
}

Json macroJson(const OnboardMacro& macro) {
    Json elements = Json::array();
    for (const records::_TMacroElement& element : macro.description.macro.elements)
        elements.push(Json::object().set("action", elementText(element)).set("delayMs", element.lDelayMs));
    return Json::object()
        .set("id", macro.id)
        .set("name", macro.description.name.value_or(""))
        .set("delay", macro.description.fixedDelay.value_or(0))
        .set("elements", std::move(elements))
        .set("description", formatMacro(macro.description, Place::mouse));
}

void printMacro(Context& context, const OnboardMacro& macro) {
    context.out.result(macroJson(macro), std::to_string(macro.id) + "  " + formatMacro(macro.description, Place::mouse));
}

void listMacros(Context& context) {
    context.args.noMore();
    const ComPtr<IHaldenMacroManager> manager = context.mouse().macroManager();
    Json list = Json::array();
    std::string text;
    // Position 0 reads the directory afresh; the list ends at the first empty position.
    for (long position = 0;; ++position) {
        ComPtr<IHaldenMacro> macro;
        const HRESULT status = manager->GetMacro(position, macro.GetAddressOf());
        if (status == E_FAIL) break;
        check(status, "reading the macro directory");
        const OnboardMacro read = readMacro(*macro.Get());
        list.push(macroJson(read));
        text += (text.empty() ? "" : "\n") + std::to_string(read.id) + "  " + formatMacro(read.description, Place::mouse);
    }
    context.out.result(list, text.empty() ? "no macros" : text);
}

ComPtr<IHaldenMacro> openMacro(Middleware& middleware, long id) {
    ComPtr<IHaldenMacro> macro;
    check(middleware.macroManager()->OpenMacro(id, macro.GetAddressOf()), "opening macro " + std::to_string(id));
    return macro;
}

long takeMacroId(Arguments& args) { return static_cast<long>(args.takeNumber("a macro id", 1, 256)); }

void showMacro(Context& context) {
    const long id = takeMacroId(context.args);
    context.args.noMore();
    printMacro(context, readMacro(*openMacro(context.mouse(), id).Get()));
}

// Name first: writing the elements copies the name record into the macro's image.
void writeMacro(IHaldenMacro& macro, const MacroDescription& description) {
    if (description.name) check(macro.SetName(Bstr(toWide(*description.name)).get()), "naming the macro");
    std::vector<_TMacroElement> elements;
    for (const records::_TMacroElement& element : description.macro.elements) elements.push_back(toLibrary(element));
    _TMacroElement* first = elements.data();
    LPWSTR noIcon = nullptr;
    _TMacroParams params{};
    params.type = MACRO_TYPE_KEYSTROKE;
    params.FixedDelay = description.fixedDelay.value_or(10);
    params.lRepeat = 1;
    params.ppszIconFile = &noIcon;
    params.lNumElements = static_cast<long>(elements.size());
    params.ppElements = &first;
    check(macro.SetElements(&params), "writing the macro", {{E_OUTOFMEMORY, "the macro does not fit into the mouse's free memory"}});
}

void createMacro(Context& context) {
    const std::vector<std::string> words = context.args.takeRest();
    const std::optional<MacroDescription> description =
        words.empty() ? std::nullopt : std::optional(parseMacro(words, Place::mouse));
    ComPtr<IHaldenMacro> macro;
    check(context.mouse().macroManager()->CreateMacro(macro.GetAddressOf()), "creating a macro",
          {{E_OUTOFMEMORY, "the mouse's macro memory is full"}});
    if (description) writeMacro(*macro.Get(), *description);
    long id = 0;
    check(macro->GetId(&id), "reading the macro id");
    printCreated(context, id, "macro");
}

void writeMacroCommand(Context& context) {
    const long id = takeMacroId(context.args);
    const std::vector<std::string> words = context.args.takeRest();
    if (words.empty()) throw UsageError("missing the macro's description");
    const MacroDescription description = parseMacro(words, Place::mouse);
    const ComPtr<IHaldenMacro> macro = openMacro(context.mouse(), id);
    writeMacro(*macro.Get(), description);
    printMacro(context, readMacro(*macro.Get()));
}

void deleteMacro(Context& context) {
    const long id = takeMacroId(context.args);
    context.args.noMore();
    Middleware& middleware = context.mouse();
    check(middleware.macroManager()->DeleteMacro(openMacro(middleware, id).Get()), "deleting macro " + std::to_string(id),
          {{E_FAIL, "the mouse holds no macro with this id"}});
    context.out.result(Json::object().set("deleted", id), "deleted macro " + std::to_string(id));
}

void runMacros(Context& context) {
    const std::string verb = context.args.take("a macros command");
    static const std::pair<const char*, void (*)(Context&)> kVerbs[] = {
        {"list", listMacros},          {"show", showMacro},      {"create", createMacro},
        {"write", writeMacroCommand},  {"delete", deleteMacro},
    };
    for (const auto& [name, run] : kVerbs)
        if (verb == name) return run(context);
    throw UsageError("unknown macros command \"" + verb + "\"");
}

}  // namespace

const Command kProfilesCommand = {
    "profiles", "the five profiles in the mouse's memory",
    R"(usage: tesselctl profiles list
       tesselctl profiles show [N]
       tesselctl profiles create [NAME]
       tesselctl profiles rename N NAME
       tesselctl profiles activate N
       tesselctl profiles delete N
       tesselctl profiles buttons N [set BUTTON=FUNCTION ...]

N is a profile number 1-5 (or "active" where a profile is shown or changed); names hold at
most 19 characters. show prints the name, lights, stages and button mappings (of the active
profile without N). delete refuses profile 1 and the active profile. buttons prints the nine
mappings as BUTTON=FUNCTION, and with set changes the ones given.

BUTTON is left, right, middle, button4, button5, dpi-up, dpi-down, scroll-up or scroll-down.)",
    runProfiles, kFunctionHelp};

const Command kMacrosCommand = {
    "macros", "the macros in the mouse's memory",
    R"(usage: tesselctl macros list
       tesselctl macros show ID
       tesselctl macros create [DESCRIPTION]
       tesselctl macros write ID DESCRIPTION
       tesselctl macros delete ID

ID is a macro id (1-256) as list shows it. write replaces the macro's elements and fixed delay
(10 ms unless delay= says otherwise); its name changes only with name=. Example:
  tesselctl macros write 1 "name=Burst delay=20 down:0x1E 30ms up:0x1E click:left")",
    runMacros, kMacroHelp};

}  // namespace tessel::ctl
