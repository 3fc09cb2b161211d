#include "middleware/store/xml_items.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "middleware/store/store_key.h"

namespace tessel::store {
namespace {

struct Key {
    const std::u16string* name;
    const std::u16string* data;
};

const char16_t* memberElement(XmlKind kind) {
    return kind == XmlKind::profileGroup ? u"ProfilePtr" : u"MacroPtr";
}

HResult checkText(const std::u16string& text) {
    return text.find_first_of(u"\"<>\r\n") == std::u16string::npos ? hr::ok : hr::invalidArg;
}

XmlTag endOf(const std::u16string& element) {
    return {u"/" + element, {}};
}

void addChild(XmlItem& item, const std::u16string& element, std::u16string attribute,
              std::u16string value) {
    item.tags.push_back({element, {{std::move(attribute), std::move(value)}}});
    item.tags.push_back(endOf(element));
}

void addKey(XmlItem& item, std::u16string valueName, const char16_t* type, std::u16string data) {
    item.tags.push_back(
        {u"Key", {{u"value", std::move(valueName)}, {u"type", type}, {u"data", std::move(data)}}});
    item.tags.push_back(endOf(u"Key"));
}

void addDword(XmlItem& item, const char16_t* valueName, std::int64_t value) {
    const std::string digits = std::to_string(static_cast<std::int32_t>(value));
    addKey(item, valueName, u"DWORD", std::u16string(digits.begin(), digits.end()));
}

template <typename Bytes>
void addBinary(XmlItem& item, std::u16string valueName, const Bytes& bytes) {
    static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
    std::u16string data;
    data.reserve(2 * bytes.size());
    for (std::uint8_t byte : bytes) {
        data.push_back(kDigits[byte >> 4]);
        data.push_back(kDigits[byte & 0x0F]);
    }
    addKey(item, std::move(valueName), u"BINARY", std::move(data));
}

// Starts an item of the kind named `name`; its end tag is added by finish().
HResult begin(XmlKind kind, const std::u16string& name, XmlItem& item) {
    if (HResult status = checkText(name); hr::failed(status)) return status;
    item = XmlItem{name, {{elementName(kind), {{u"name", name}}}}};
    return hr::ok;
}

void finish(XmlKind kind, XmlItem& item) {
    item.tags.push_back(endOf(elementName(kind)));
}

// A decimal integer as the C runtime reads one: leading blanks, a sign, digits up to the first
// other character; no digits read as 0; values beyond 32 bits saturate.
std::int32_t decimal(const std::u16string& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == u' ' || (text[i] >= u'\t' && text[i] <= u'\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) negative = text[i++] == u'-';
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
        value = std::min<std::int64_t>(value * 10 + (text[i] - u'0'), std::int64_t{1} << 32);
    value = negative ? -value : value;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

HResult hexBytes(const std::u16string& text, std::vector<std::uint8_t>& bytes) {
    auto digit = [](char16_t c) -> int {
        if (c >= u'0' && c <= u'9') return c - u'0';
        if (c >= u'A' && c <= u'F') return c - u'A' + 10;
        if (c >= u'a' && c <= u'f') return c - u'a' + 10;
        return -1;
    };
    bytes.clear();
    bytes.reserve(text.size() / 2);
    for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
        const int high = digit(text[i]);
        const int low = digit(text[i + 1]);
        if (high < 0 || low < 0) return hr::fail;
        bytes.push_back(static_cast<std::uint8_t>(high << 4 | low));
    }
    return hr::ok;
}

// The Key children of the item: value name and data, the first and third quoted strings.
HResult readKeys(const XmlItem& item, std::vector<Key>& keys) {
    keys.clear();
    std::vector<const XmlTag*> starts;
    if (HResult status = item.childStartTags(starts); hr::failed(status)) return status;
    for (const XmlTag* tag : starts) {
        if (tag->name != u"Key") continue;
        if (tag->attributes.size() < 3) return hr::fail;
        keys.push_back({&tag->attributes[0].second, &tag->attributes[2].second});
    }
    return hr::ok;
}

// Indexed values ("0000"…): each index within 0 … count−1 exactly once, at least 24 bytes.
class IndexedValues {
public:
    HResult add(const Key& key) {
        std::vector<std::uint8_t> bytes;
        if (HResult status = hexBytes(*key.data, bytes); hr::failed(status)) return status;
        if (bytes.size() < kMappingRecordSize) return hr::fail;
        values_.emplace_back(decimal(*key.name), std::move(bytes));
        return hr::ok;
    }

    // The values in index order; E_FAIL unless there are exactly `count` distinct indices.
    HResult ordered(std::optional<std::int32_t> count,
                    std::vector<std::vector<std::uint8_t>>& values) {
        if (!count || *count < 0 || values_.size() != static_cast<std::size_t>(*count))
            return hr::fail;
        values.assign(values_.size(), {});
        for (auto& [index, bytes] : values_) {
            if (index < 0 || index >= *count || !values[index].empty()) return hr::fail;
            values[index] = std::move(bytes);
        }
        return hr::ok;
    }

private:
    std::vector<std::pair<std::int32_t, std::vector<std::uint8_t>>> values_;
};

}  // namespace

HResult makeListItem(XmlKind kind, const std::u16string& name,
                     const std::vector<std::u16string>& members, XmlItem& item) {
    if (HResult status = begin(kind, name, item); hr::failed(status)) return status;
    for (const auto& member : members) {
        if (HResult status = checkText(member); hr::failed(status)) return status;
        addChild(item, memberElement(kind), u"ptr", member);
    }
    finish(kind, item);
    return hr::ok;
}

HResult makeProfileItem(const std::u16string& name, const Profile& profile, XmlItem& item) {
    if (HResult status = begin(XmlKind::profile, name, item); hr::failed(status)) return status;
    addDword(item, u"Version", profile.version);
    addDword(item, u"NumMappings", static_cast<std::int64_t>(profile.mappings.size()));
    for (std::size_t i = 0; i < profile.mappings.size(); ++i) {
        if (HResult status = checkText(profile.mappings[i].name); hr::failed(status)) return status;
        addBinary(item, indexName(i), encodeMapping(profile.mappings[i]));
    }
    finish(XmlKind::profile, item);
    return hr::ok;
}

HResult makeMacroItem(const std::u16string& name, const Macro& macro, XmlItem& item) {
    if (HResult status = begin(XmlKind::macro, name, item); hr::failed(status)) return status;
    if (HResult status = checkText(macro.iconFile); hr::failed(status)) return status;
    addDword(item, u"Version", macro.version);
    addDword(item, u"Options", macro.options);
    addDword(item, u"Type", macro.type);
    addDword(item, u"Repeat", macro.repeat);
    addKey(item, u"IconFile", u"STRING", macro.iconFile);
    addDword(item, u"NumElements", static_cast<std::int64_t>(macro.elements.size()));
    for (std::size_t i = 0; i < macro.elements.size(); ++i)
        addBinary(item, indexName(i), encodeElement(macro.elements[i]));
    finish(XmlKind::macro, item);
    return hr::ok;
}

HResult makeUserActionItem(const std::u16string& name, const UserAction& action, XmlItem& item) {
    if (HResult status = begin(XmlKind::userAction, name, item); hr::failed(status)) return status;
    addDword(item, u"Code", action.code);
    addDword(item, u"NumData", static_cast<std::int64_t>(action.data.size()));
    addBinary(item, u"Data", action.data);
    finish(XmlKind::userAction, item);
    return hr::ok;
}

HResult readListItem(XmlKind kind, const XmlItem& item, std::vector<std::u16string>& members) {
    members.clear();
    std::vector<const XmlTag*> starts;
    if (HResult status = item.childStartTags(starts); hr::failed(status)) return status;
    std::vector<std::u16string> read;
    for (const XmlTag* tag : starts) {
        if (tag->name != memberElement(kind)) continue;
        const std::u16string* member = tag->attribute(u"ptr");
        if (!member) return hr::fail;
        read.push_back(*member);
    }
    members = std::move(read);
    return hr::ok;
}

HResult readProfileItem(const XmlItem& item, Profile& profile) {
    std::vector<Key> keys;
    if (HResult status = readKeys(item, keys); hr::failed(status)) return status;
    Profile read;
    std::optional<std::int32_t> count;
    IndexedValues mappings;
    for (const Key& key : keys) {
        if (*key.name == u"NumMappings") {
            count = decimal(*key.data);
        } else if (*key.name == u"Version") {
            read.version = decimal(*key.data);
        } else if (HResult status = mappings.add(key); hr::failed(status)) {
            return status;
        }
    }
    std::vector<std::vector<std::uint8_t>> values;
    if (HResult status = mappings.ordered(count, values); hr::failed(status)) return status;
    for (const auto& bytes : values)
        read.mappings.push_back(decodeMapping(bytes.data(), bytes.size()));
    profile = std::move(read);
    return hr::ok;
}

HResult readMacroItem(const XmlItem& item, Macro& macro) {
    std::vector<Key> keys;
    if (HResult status = readKeys(item, keys); hr::failed(status)) return status;
    Macro read;
    std::optional<std::int32_t> count;
    IndexedValues elements;
    for (const Key& key : keys) {
        const std::u16string& name = *key.name;
        if (name == u"Version") {
            read.version = decimal(*key.data);
        } else if (name == u"Options") {
            read.options = decimal(*key.data);
        } else if (name == u"Type") {
            read.type = decimal(*key.data);
        } else if (name == u"Repeat") {
            read.repeat = decimal(*key.data);
        } else if (name == u"IconFile") {
            read.iconFile = *key.data;
        } else if (name == u"NumElements") {
            count = decimal(*key.data);
        } else if (HResult status = elements.add(key); hr::failed(status)) {
            return status;
        }
    }
    std::vector<std::vector<std::uint8_t>> values;
    if (HResult status = elements.ordered(count, values); hr::failed(status)) return status;
    for (const auto& bytes : values)
        read.elements.push_back(decodeElement(bytes.data(), bytes.size()));
    macro = std::move(read);
    return hr::ok;
}

HResult readUserActionItem(const XmlItem& item, UserAction& action) {
    std::vector<Key> keys;
    if (HResult status = readKeys(item, keys); hr::failed(status)) return status;
    UserAction read;
    std::int32_t count = 0;
    for (const Key& key : keys) {
        if (*key.name == u"Code") {
            read.code = decimal(*key.data);
        } else if (*key.name == u"NumData") {
            count = decimal(*key.data);
        } else if (*key.name == u"Data") {
            if (HResult status = hexBytes(*key.data, read.data); hr::failed(status)) return status;
        }
    }
    // The store writes "NumData" from the data itself; a mismatch is a damaged item.
    if (count < 0 || read.data.size() != static_cast<std::size_t>(count)) return hr::fail;
    action = std::move(read);
    return hr::ok;
}

}  // namespace tessel::store
