// The middleware's settings store (stored profiles, profile groups, macros, spell books and user
// actions), its XML export and import, and the system's pointer settings.
//
// The store's interfaces read and write stored profiles only through XML files, so stored
// profiles are listed, shown and saved through a temporary exchange file.
#include <algorithm>
#include <cstdio>
#include <set>
#include <vector>

#include "middleware/store/xml_exchange_file.h"
#include "middleware/store/xml_items.h"
#include "tools/tesselctl/commands.h"
#include "tools/tesselctl/failure.h"
#include "tools/tesselctl/record_bridge.h"
#include "tools/tesselctl/text_forms.h"

namespace tessel::ctl {
namespace {

std::u16string toU16(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }

// A name array filled by the middleware; every string is taken over and freed.
template <class Load>
std::vector<std::string> loadNames(long count, Load load, const std::string& operation) {
    std::vector<LPWSTR> names(static_cast<std::size_t>(count), nullptr);
    const HRESULT status = count ? load(count, names.data()) : S_OK;
    std::vector<std::string> result;
    for (LPWSTR name : names) result.push_back(takeTaskString(name));
    check(status, operation);
    return result;
}

// Names as the middleware takes them in: an array of writable strings.
class NameArray {
public:
    explicit NameArray(const std::vector<std::string>& names) {
        for (const std::string& name : names) names_.push_back(toWide(name));
        for (std::wstring& name : names_) pointers_.push_back(name.data());
    }
    long count() const { return static_cast<long>(pointers_.size()); }
    LPWSTR* data() { return pointers_.data(); }

private:
    std::vector<std::wstring> names_;
    std::vector<LPWSTR> pointers_;
};

void printNames(Context& context, const std::vector<std::string>& names, const char* none) {
    Json list = Json::array();
    std::string text;
    for (const std::string& name : names) {
        list.push(name);
        text += (text.empty() ? "" : "\n") + name;
    }
    context.out.result(list, text.empty() ? none : text);
}

void printDone(Context& context, const char* verb, const std::string& what, const std::string& name) {
    context.out.result(Json::object().set(verb, name), std::string(verb) + " " + what + " " + name);
}

// A file of its own in the temporary folder, removed with its holder.
class TemporaryFile {
public:
    TemporaryFile() {
        wchar_t folder[MAX_PATH + 1] = {};
        wchar_t path[MAX_PATH + 1] = {};
        if (!GetTempPathW(MAX_PATH + 1, folder) || !GetTempFileNameW(folder, L"tsc", 0, path))
            check(HRESULT_FROM_WIN32(GetLastError()), "creating a temporary file");
        path_ = path;
    }
    ~TemporaryFile() { DeleteFileW(path_.c_str()); }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    const std::wstring& path() const { return path_; }
    LPWSTR name() { return path_.data(); }

private:
    std::wstring path_;
};

// The exchange file the middleware wrote, read with the store's own reader.
store::XmlExchangeFile readExchangeFile(Middleware& middleware, const TemporaryFile& file) {
    store::XmlExchangeFile exchange;
    check(exchange.open(store::localFiles(), toU16(file.path()), toU16(middleware.deviceKeyName())),
          "reading the exported items");
    return exchange;
}

std::wstring fullPath(const std::string& file) {
    const std::wstring name = toWide(file);
    const DWORD size = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    std::wstring path(size, L'\0');
    const DWORD used = size ? GetFullPathNameW(name.c_str(), size, path.data(), nullptr) : 0;
    if (!used) check(HRESULT_FROM_WIN32(GetLastError()), "finding " + file);
    path.resize(used);
    return path;
}

ComPtr<IProfile> storeProfiles(Context& context) {
    return context.store().create(&IDeviceType::CreateProfileInterface, "the profile store");
}
ComPtr<IMacroHandling> storeMacros(Context& context) {
    return context.store().create(&IDeviceType::CreateMacroHandlingInterface, "the macro store");
}
ComPtr<IUserAction> storeActions(Context& context) {
    return context.store().create(&IDeviceType::CreateUserActionInterface, "the user-action store");
}

// --- stored profiles ---

Json mappingsJson(const std::vector<store::ButtonMapping>& mappings) {
    Json list = Json::array();
    for (const store::ButtonMapping& mapping : mappings)
        list.push(Json::object().set("button", buttonName(mapping.button)).set("function", functionText(mapping, Place::store)));
    return list;
}

void storedProfiles(Context& context, const std::string& verb) {
    Arguments& args = context.args;
    if (verb == "list") {
        args.noMore();
        Middleware& middleware = context.store();
        TemporaryFile file;
        check(storeProfiles(context)->ExportAllProfiles(file.name()), "exporting the stored profiles");
        const store::XmlExchangeFile exchange = readExchangeFile(middleware, file);
        std::vector<std::u16string> names;
        check(exchange.names(store::XmlKind::profile, exchange.count(store::XmlKind::profile), names), "listing the profiles");
        std::vector<std::string> list;
        for (const std::u16string& name : names) list.push_back(store::encodeUtf8(name));
        return printNames(context, list, "no stored profiles");
    }
    const std::string name = args.take("a profile name");
    const std::wstring wide = toWide(name);
    if (verb == "show") {
        args.noMore();
        Middleware& middleware = context.store();
        TemporaryFile file;
        check(storeProfiles(context)->ExportProfile(const_cast<LPWSTR>(wide.c_str()), file.name()),
              "exporting stored profile " + name, {{E_FAIL, "no stored profile has this name"}});
        const store::XmlExchangeFile exchange = readExchangeFile(middleware, file);
        const store::XmlItem* item = exchange.find(store::XmlKind::profile, toU16(wide));
        store::Profile profile;
        check(item ? store::readProfileItem(*item, profile) : E_FAIL, "reading stored profile " + name);
        std::string text = "version=" + std::to_string(profile.version);
        for (const store::ButtonMapping& mapping : profile.mappings)
            text += "\n" + buttonName(mapping.button) + "=" + functionText(mapping, Place::store);
        return context.out.result(
            Json::object().set("name", name).set("version", profile.version).set("buttons", mappingsJson(profile.mappings)),
            text);
    }
    if (verb == "save") {
        store::Profile profile;
        for (const std::string& word : args.takeRest()) {
            const auto assignment = splitAssignment(word);
            if (assignment && assignment->first == "version")
                profile.version = static_cast<std::int32_t>(parseNumber(assignment->second, INT32_MIN, INT32_MAX, "the version"));
            else
                profile.mappings.push_back(parseMapping(word, Place::store));
        }
        Middleware& middleware = context.store();
        const ComPtr<IProfile> profiles = storeProfiles(context);
        // The import takes the macros and user actions the profile names from the same file.
        TemporaryFile file;
        std::set<std::u16string> macros, actions;
        for (const store::ButtonMapping& mapping : profile.mappings)
            if (mapping.namesEntry())
                (mapping.mappingType == records::BUTTON_MAPPING_MACRO ? macros : actions).insert(mapping.name);
        for (const std::u16string& macro : macros) {
            std::wstring macroName(macro.begin(), macro.end());
            check(storeMacros(context)->ExportMacro(macroName.data(), file.name()), "reading stored macro " + store::encodeUtf8(macro),
                  {{E_FAIL, "no stored macro has this name"}});
        }
        for (const std::u16string& action : actions) {
            std::wstring actionName(action.begin(), action.end());
            check(storeActions(context)->ExportUserAction(actionName.data(), file.name()),
                  "reading stored user action " + store::encodeUtf8(action), {{E_FAIL, "no stored user action has this name"}});
        }
        store::XmlExchangeFile exchange = readExchangeFile(middleware, file);
        store::XmlItem item;
        check(store::makeProfileItem(toU16(wide), profile, item), "writing profile " + name,
              {{E_INVALIDARG, "names cannot hold double quotes, '<', '>' or line breaks"}});
        exchange.put(store::XmlKind::profile, std::move(item));
        check(exchange.commit(), "writing profile " + name);
        check(profiles->ImportProfile(const_cast<LPWSTR>(wide.c_str()), file.name()), "saving profile " + name);
        return printDone(context, "saved", "profile", name);
    }
    if (verb == "delete") {
        args.noMore();
        check(storeProfiles(context)->DeleteProfile(const_cast<LPWSTR>(wide.c_str())), "deleting stored profile " + name,
              {{E_FAIL, "no stored profile has this name, or a profile group still lists it"}});
        return printDone(context, "deleted", "profile", name);
    }
    throw UsageError("unknown store profiles command \"" + verb + "\"");
}

// --- profile groups and spell books: named lists of profiles and of macros ---

// The operations of one kind of named list, on the store object that keeps it.
template <class Store>
struct ListKind {
    const char* kind;    // "profile group"
    const char* member;  // "profile"
    ComPtr<Store> (*open)(Context&);
    HRESULT (STDMETHODCALLTYPE Store::*count)(long*);
    HRESULT (STDMETHODCALLTYPE Store::*list)(long, LPWSTR*);
    HRESULT (STDMETHODCALLTYPE Store::*countMembers)(LPWSTR, long*);
    HRESULT (STDMETHODCALLTYPE Store::*load)(LPWSTR, long, LPWSTR*);
    HRESULT (STDMETHODCALLTYPE Store::*save)(LPWSTR, long, LPWSTR*);
    HRESULT (STDMETHODCALLTYPE Store::*remove)(LPWSTR);
};

const ListKind<IProfile> kGroups = {
    "profile group",           "profile",
    storeProfiles,             &IProfile::LoadNumProfileGroups,
    &IProfile::LoadProfileGroupList, &IProfile::LoadNumProfilesInGroup,
    &IProfile::LoadProfileGroup,     &IProfile::SaveProfileGroup,
    &IProfile::DeleteProfileGroup,
};

const ListKind<IMacroHandling> kSpellBooks = {
    "spell book",              "macro",
    storeMacros,               &IMacroHandling::LoadNumSpellBooks,
    &IMacroHandling::LoadSpellBookList, &IMacroHandling::LoadNumMacrosInSpellBook,
    &IMacroHandling::LoadSpellBook,     &IMacroHandling::SaveSpellBook,
    &IMacroHandling::DeleteSpellBook,
};

template <class Store>
void storedLists(Context& context, const ListKind<Store>& kind, const std::string& verb) {
    Arguments& args = context.args;
    const std::string kindName = kind.kind;
    if (verb == "list") {
        args.noMore();
        const ComPtr<Store> store = kind.open(context);
        long count = 0;
        check((store.Get()->*kind.count)(&count), "counting the " + kindName + "s");
        return printNames(context,
                          loadNames(count, [&](long n, LPWSTR* names) { return (store.Get()->*kind.list)(n, names); },
                                    "listing the " + kindName + "s"),
                          ("no " + kindName + "s").c_str());
    }
    const std::string name = args.take("a name");
    std::wstring wide = toWide(name);
    const std::initializer_list<Hint> missing = {{E_FAIL, "nothing of this name is stored"}};
    if (verb == "show") {
        args.noMore();
        const ComPtr<Store> store = kind.open(context);
        long count = 0;
        check((store.Get()->*kind.countMembers)(wide.data(), &count), "reading " + kindName + " " + name, missing);
        return printNames(context,
                          loadNames(count, [&](long n, LPWSTR* names) { return (store.Get()->*kind.load)(wide.data(), n, names); },
                                    "reading " + kindName + " " + name),
                          "(empty)");
    }
    if (verb == "save") {
        NameArray members(args.takeRest());
        check((kind.open(context).Get()->*kind.save)(wide.data(), members.count(), members.data()),
              "saving " + kindName + " " + name, {{E_FAIL, std::string("every ") + kind.member + " it lists must be stored first"}});
        return printDone(context, "saved", kindName, name);
    }
    if (verb == "delete") {
        args.noMore();
        check((kind.open(context).Get()->*kind.remove)(wide.data()), "deleting " + kindName + " " + name, missing);
        return printDone(context, "deleted", kindName, name);
    }
    throw UsageError("unknown store command \"" + verb + "\"");
}

// --- stored macros ---

void storedMacros(Context& context, const std::string& verb) {
    Arguments& args = context.args;
    if (verb == "list") {
        args.noMore();
        const ComPtr<IMacroHandling> macros = storeMacros(context);
        long count = 0;
        check(macros->LoadNumMacros(&count), "counting the stored macros");
        return printNames(context, loadNames(count, [&](long n, LPWSTR* names) { return macros->LoadMacroList(n, names); },
                                             "listing the stored macros"),
                          "no stored macros");
    }
    const std::string name = args.take("a macro name");
    std::wstring wide = toWide(name);
    if (verb == "show") {
        args.noMore();
        LPWSTR icon = nullptr;
        _TMacroElement* elements = nullptr;
        _TMacroParams params{};
        params.ppszIconFile = &icon;
        params.ppElements = &elements;
        const HRESULT status = storeMacros(context)->LoadMacro(wide.data(), &params);
        const TaskMemory<_TMacroElement> ownedElements(elements);
        const std::string iconFile = takeTaskString(icon);
        check(status, "reading stored macro " + name, {{E_FAIL, "no stored macro has this name"}});
        MacroDescription description;
        store::Macro& macro = description.macro;
        macro.version = params.lVersion;
        macro.options = params.options;
        macro.type = params.type;
        macro.repeat = params.lRepeat;
        macro.iconFile = store::decodeUtf8(iconFile);
        for (long i = 0; i < params.lNumElements; ++i) macro.elements.push_back(fromLibrary(elements[i]));
        Json list = Json::array();
        for (const records::_TMacroElement& element : macro.elements)
            list.push(Json::object().set("action", elementText(element)).set("delayMs", element.lDelayMs).set("holdMs", element.lHoldMs));
        const std::string text = formatMacro(description, Place::store);
        return context.out.result(Json::object()
                                      .set("name", name)
                                      .set("version", macro.version)
                                      .set("mode", macro.options)
                                      .set("type", macro.type)
                                      .set("repeat", macro.repeat)
                                      .set("icon", iconFile)
                                      .set("elements", std::move(list))
                                      .set("description", text),
                                  text);
    }
    if (verb == "save") {
        const std::vector<std::string> words = args.takeRest();
        if (words.empty()) throw UsageError("missing the macro's description");
        const store::Macro macro = parseMacro(words, Place::store).macro;
        std::wstring icon = toWide(store::encodeUtf8(macro.iconFile));
        LPWSTR iconName = icon.data();
        std::vector<_TMacroElement> elements;
        for (const records::_TMacroElement& element : macro.elements) elements.push_back(toLibrary(element));
        _TMacroElement* first = elements.data();
        _TMacroParams params{};
        params.lVersion = macro.version;
        params.options = static_cast<_TMacroOptions>(macro.options);
        params.type = static_cast<_TMacroType>(macro.type);
        params.lRepeat = macro.repeat;
        params.ppszIconFile = &iconName;
        params.lNumElements = static_cast<long>(elements.size());
        params.ppElements = &first;
        check(storeMacros(context)->SaveMacro(wide.data(), &params), "saving stored macro " + name);
        return printDone(context, "saved", "macro", name);
    }
    if (verb == "delete") {
        args.noMore();
        check(storeMacros(context)->DeleteMacro(wide.data()), "deleting stored macro " + name,
              {{E_FAIL, "no stored macro has this name, or a spell book or stored profile still uses it"}});
        return printDone(context, "deleted", "macro", name);
    }
    throw UsageError("unknown store macros command \"" + verb + "\"");
}

// --- stored user actions ---

std::string hexBytes(const unsigned char* data, long size) {
    std::string text;
    for (long i = 0; i < size; ++i) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02X", data[i]);
        text += pair;
    }
    return text;
}

std::vector<unsigned char> parseHexBytes(const std::string& text) {
    if (text.size() % 2) throw UsageError("data is written as pairs of hexadecimal digits");
    std::vector<unsigned char> bytes;
    for (std::size_t i = 0; i < text.size(); i += 2)
        bytes.push_back(static_cast<unsigned char>(parseNumber("0x" + text.substr(i, 2), 0, 0xFF, "a data byte")));
    return bytes;
}

void storedActions(Context& context, const std::string& verb) {
    Arguments& args = context.args;
    if (verb == "list") {
        args.noMore();
        const ComPtr<IUserAction> actions = storeActions(context);
        long count = 0;
        check(actions->LoadNumUserActions(&count), "counting the stored user actions");
        return printNames(context, loadNames(count, [&](long n, LPWSTR* names) { return actions->LoadUserActionList(n, names); },
                                             "listing the stored user actions"),
                          "no stored user actions");
    }
    const std::string name = args.take("a user-action name");
    std::wstring wide = toWide(name);
    if (verb == "show") {
        args.noMore();
        unsigned char* data = nullptr;
        _TUserActionParams params{0, 0, &data};
        const HRESULT status = storeActions(context)->LoadUserAction(wide.data(), &params);
        const TaskMemory<unsigned char> owned(data);
        check(status, "reading stored user action " + name, {{E_FAIL, "no stored user action has this name"}});
        const std::string hex = hexBytes(data, params.lNumData);
        return context.out.result(Json::object().set("name", name).set("code", params.lCode).set("data", hex),
                                  "code=" + std::to_string(params.lCode) + " data=" + hex);
    }
    if (verb == "save") {
        long code = 0;
        std::vector<unsigned char> data;
        bool hasCode = false;
        for (const std::string& word : args.takeRest()) {
            const auto assignment = splitAssignment(word);
            if (assignment && assignment->first == "code") {
                code = static_cast<long>(parseNumber(assignment->second, INT32_MIN, INT32_MAX, "the code"));
                hasCode = true;
            } else if (assignment && assignment->first == "data") {
                data = parseHexBytes(assignment->second);
            } else {
                throw UsageError("unexpected \"" + word + "\" (code=N data=HEX)");
            }
        }
        if (!hasCode) throw UsageError("missing code=N");
        unsigned char* block = data.data();
        _TUserActionParams params{code, static_cast<long>(data.size()), &block};
        check(storeActions(context)->SaveUserAction(wide.data(), &params), "saving stored user action " + name);
        return printDone(context, "saved", "user action", name);
    }
    if (verb == "delete") {
        args.noMore();
        check(storeActions(context)->DeleteUserAction(wide.data()), "deleting stored user action " + name,
              {{E_FAIL, "no stored user action has this name, or a stored profile still uses it"}});
        return printDone(context, "deleted", "user action", name);
    }
    throw UsageError("unknown store actions command \"" + verb + "\"");
}

// --- export and import ---

// One kind of item in an exchange file, with its three operations.
struct ExchangeKind {
    const char* word;  // as the command line names it
    HRESULT (*exportOne)(Context&, LPWSTR name, LPWSTR file);
    HRESULT (*exportAll)(Context&, LPWSTR file);
    HRESULT (*importOne)(Context&, LPWSTR name, LPWSTR file);
    HRESULT (*importAll)(Context&, LPWSTR file);
};

// In the order an import of everything needs: what others name comes first.
const ExchangeKind kExchangeKinds[] = {
    {"actions", [](Context& c, LPWSTR n, LPWSTR f) { return storeActions(c)->ExportUserAction(n, f); },
     [](Context& c, LPWSTR f) { return storeActions(c)->ExportAllUserActions(f); },
     [](Context& c, LPWSTR n, LPWSTR f) { return storeActions(c)->ImportUserAction(n, f); },
     [](Context& c, LPWSTR f) { return storeActions(c)->ImportAllUserActions(f); }},
    {"macros", [](Context& c, LPWSTR n, LPWSTR f) { return storeMacros(c)->ExportMacro(n, f); },
     [](Context& c, LPWSTR f) { return storeMacros(c)->ExportAllMacros(f); },
     [](Context& c, LPWSTR n, LPWSTR f) { return storeMacros(c)->ImportMacro(n, f); },
     [](Context& c, LPWSTR f) { return storeMacros(c)->ImportAllMacros(f); }},
    {"spellbooks", [](Context& c, LPWSTR n, LPWSTR f) { return storeMacros(c)->ExportSpellBook(n, f); },
     [](Context& c, LPWSTR f) { return storeMacros(c)->ExportAllSpellBooks(f); },
     [](Context& c, LPWSTR n, LPWSTR f) { return storeMacros(c)->ImportSpellBook(n, f); },
     [](Context& c, LPWSTR f) { return storeMacros(c)->ImportAllSpellBooks(f); }},
    {"profiles", [](Context& c, LPWSTR n, LPWSTR f) { return storeProfiles(c)->ExportProfile(n, f); },
     [](Context& c, LPWSTR f) { return storeProfiles(c)->ExportAllProfiles(f); },
     [](Context& c, LPWSTR n, LPWSTR f) { return storeProfiles(c)->ImportProfile(n, f); },
     [](Context& c, LPWSTR f) { return storeProfiles(c)->ImportAllProfiles(f); }},
    {"groups", [](Context& c, LPWSTR n, LPWSTR f) { return storeProfiles(c)->ExportProfileGroup(n, f); },
     [](Context& c, LPWSTR f) { return storeProfiles(c)->ExportAllProfileGroups(f); },
     [](Context& c, LPWSTR n, LPWSTR f) { return storeProfiles(c)->ImportProfileGroup(n, f); },
     [](Context& c, LPWSTR f) { return storeProfiles(c)->ImportAllProfileGroups(f); }},
};

// Why an import failed, as far as the file itself tells: it is no export of this mouse, or it is
// cut off inside an item. Empty when the file looks whole.
std::string whatIsWrongWith(Middleware& middleware, const std::wstring& path) {
    store::XmlExchangeFile file;
    const std::u16string root = toU16(middleware.deviceKeyName());
    const HResult status = file.open(store::localFiles(), toU16(path), root);
    if (file.cutOffIn())
        return "the file is cut off inside " + store::encodeUtf8(store::elementName(file.cutOffIn()->kind)) + " \"" +
               store::encodeUtf8(file.cutOffIn()->name) + "\"";
    if (hr::succeeded(status) && file.exists() && !file.hasRoot())
        return "the file is not an export of this mouse (it holds no <" + store::encodeUtf8(root) + "> element)";
    return {};
}

void exchange(Context& context, bool exporting) {
    Arguments& args = context.args;
    const std::string file = args.take("a file");
    std::vector<const ExchangeKind*> kinds;
    std::optional<std::string> name;
    if (const std::optional<std::string> kindWord = args.takeOptional()) {
        const auto found = std::find_if(std::begin(kExchangeKinds), std::end(kExchangeKinds),
                                        [&](const ExchangeKind& kind) { return *kindWord == kind.word; });
        if (found == std::end(kExchangeKinds))
            throw UsageError("unknown kind \"" + *kindWord + "\" (profiles, groups, macros, spellbooks, actions)");
        kinds.push_back(found);
        name = args.takeOptional();
    } else {
        for (const ExchangeKind& kind : kExchangeKinds) kinds.push_back(&kind);
    }
    args.noMore();
    std::wstring path = fullPath(file);
    std::wstring wideName = name ? toWide(*name) : std::wstring();
    const std::string verb = exporting ? "exporting" : "importing";
    for (const ExchangeKind* kind : kinds) {
        const std::string what = verb + " " + (name ? *name : std::string("all ") + kind->word);
        const HRESULT status = name ? (exporting ? kind->exportOne : kind->importOne)(context, wideName.data(), path.data())
                                    : (exporting ? kind->exportAll : kind->importAll)(context, path.data());
        if (!exporting && status == E_FAIL) {
            if (const std::string wrong = whatIsWrongWith(context.store(), path); !wrong.empty())
                throw Failure(what, status, wrong);
        }
        check(status, what,
              {{E_FAIL, exporting ? "an item is missing, or the file cannot be written or is not an exchange file"
                                  : "the file, an item or something an item names is missing, or the file cannot be read"}});
    }
    context.out.result(Json::object().set(exporting ? "exported" : "imported", toUtf8(path)),
                       std::string(exporting ? "exported to " : "imported from ") + toUtf8(path));
}

void runStore(Context& context) {
    const std::string what = context.args.take("a store command");
    if (what == "export" || what == "import") return exchange(context, what == "export");
    const std::string verb = context.args.take("list, show, save or delete");
    if (what == "profiles") return storedProfiles(context, verb);
    if (what == "groups") return storedLists(context, kGroups, verb);
    if (what == "spellbooks") return storedLists(context, kSpellBooks, verb);
    if (what == "macros") return storedMacros(context, verb);
    if (what == "actions") return storedActions(context, verb);
    throw UsageError("unknown store command \"" + what + "\"");
}

// --- pointer settings ---

constexpr long kMaxPointerSpeed = 20;
constexpr long kMaxAccelerationLevel = 10;

void runPointer(Context& context) {
    Arguments& args = context.args;
    const bool set = takeSetVerb(args);
    std::optional<long> speed, level, enabled;
    if (set) {
        const std::string setting = args.take("speed or acceleration");
        const std::string value = args.take("a value");
        if (setting == "speed")
            speed = static_cast<long>(parseNumber(value, 1, kMaxPointerSpeed, "the pointer speed"));
        else if (setting == "acceleration" && (value == "on" || value == "off"))
            enabled = value == "on";
        else if (setting == "acceleration")
            level = static_cast<long>(parseNumber(value, 0, kMaxAccelerationLevel, "the acceleration level"));
        else
            throw UsageError("unknown pointer setting \"" + setting + "\" (speed or acceleration)");
    }
    args.noMore();
    ComPtr<IPerformanceSettings> pointer;
    check(storeProfiles(context)->CreatePerformanceSettingsInterface(pointer.GetAddressOf()), "creating the pointer settings object");
    if (speed) check(pointer->SetWindowsPointerSpeed(*speed), "setting the pointer speed");
    if (level) check(pointer->SetAcceleration(*level), "setting the pointer acceleration");
    if (enabled) check(pointer->SetAccelerationControl(*enabled), "switching the pointer acceleration");

    long currentSpeed = 0, currentLevel = 0, status = 0;
    check(pointer->GetWindowsPointerSpeed(&currentSpeed), "reading the pointer speed");
    // The middleware answers E_ACCESSDENIED when both thresholds are 0: exactly level 0's values.
    const HRESULT levelStatus = pointer->GetAcceleration(&currentLevel);
    if (levelStatus == E_ACCESSDENIED)
        currentLevel = 0;
    else
        check(levelStatus, "reading the pointer acceleration");
    check(pointer->GetAccelerationStatus(&status), "reading the pointer acceleration switch");
    context.out.result(Json::object().set("speed", currentSpeed).set("acceleration", currentLevel).set("accelerationOn", status != 0),
                       table({{"speed", std::to_string(currentSpeed)},
                              {"acceleration", std::to_string(currentLevel) + (status ? " (on)" : " (off)")}}));
}

}  // namespace

const Command kStoreCommand = {
    "store", "the middleware's settings store and its XML files",
    R"(usage: tesselctl store profiles list | show NAME | save NAME [version=N] BUTTON=FUNCTION ... | delete NAME
       tesselctl store groups list | show NAME | save NAME PROFILE ... | delete NAME
       tesselctl store macros list | show NAME | save NAME DESCRIPTION | delete NAME
       tesselctl store spellbooks list | show NAME | save NAME MACRO ... | delete NAME
       tesselctl store actions list | show NAME | save NAME code=N [data=HEX] | delete NAME
       tesselctl store export FILE [profiles|groups|macros|spellbooks|actions [NAME]]
       tesselctl store import FILE [profiles|groups|macros|spellbooks|actions [NAME]]

The store keeps named items apart from the mouse. A stored profile names its macros and user
actions (macro:NAME, action:NAME), which must be stored first; a group lists stored profiles
and a spell book stored macros. Items that others still use cannot be deleted.
export merges items into FILE (all kinds, one kind, or one item with the items it uses);
import reads them back into the store. FUNCTION is written as for the mouse's profiles
(tesselctl profiles --help), DESCRIPTION as for its macros (tesselctl macros --help).)",
    runStore};

const Command kPointerCommand = {
    "pointer", "the system's pointer speed and acceleration",
    R"(usage: tesselctl pointer get
       tesselctl pointer set speed 1-20
       tesselctl pointer set acceleration 0-10|on|off

The pointer settings belong to the system, not to the mouse: the speed 1-20, the acceleration
level 0-10, and whether acceleration is on.)",
    runPointer};

}  // namespace tessel::ctl
