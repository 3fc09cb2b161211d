#include "middleware/store/xml_exchange_file.h"

#include <algorithm>
#include <optional>

namespace tessel::store {
namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16Mark = "\xFF\xFE";
constexpr std::string_view kDeclaration = "<?xml version=\"1.0\" encoding=\"utf-8\" ?>\r\n\r\n";
constexpr std::string_view kNewFileEnd = "\r\n\r\n";
constexpr char16_t kReplacement = 0xFFFD;

constexpr std::array<const char16_t*, kXmlKindCount> kElementNames = {
    u"ProfileGroup", u"Profile", u"SpellBook", u"Macro", u"UserAction"};

std::optional<XmlKind> kindNamed(std::u16string_view name) {
    for (std::size_t i = 0; i < kElementNames.size(); ++i)
        if (name == kElementNames[i]) return static_cast<XmlKind>(i);
    return std::nullopt;
}

bool isSpace(char16_t c) {
    return c == u' ';
}

// Reads "<" + piece + ">" into a normalised tag: the name up to the first space, then
// attributes `name="value"`. E_FAIL for text that is not an attribute with a quoted value.
HResult normalise(std::u16string_view piece, XmlTag& tag) {
    const std::size_t nameEnd = std::min(piece.find(u' '), piece.size());
    tag.name.assign(piece.substr(0, nameEnd));
    tag.attributes.clear();
    std::size_t pos = nameEnd;
    for (;;) {
        while (pos < piece.size() && isSpace(piece[pos])) ++pos;
        if (pos == piece.size()) return hr::ok;
        const std::size_t equals = piece.find(u'=', pos);
        if (equals == std::u16string_view::npos) return hr::fail;
        std::size_t nameStop = equals;
        while (nameStop > pos && isSpace(piece[nameStop - 1])) --nameStop;
        std::size_t open = equals + 1;
        while (open < piece.size() && isSpace(piece[open])) ++open;
        if (open == piece.size() || piece[open] != u'"') return hr::fail;
        const std::size_t close = piece.find(u'"', open + 1);
        if (close == std::u16string_view::npos) return hr::fail;
        tag.attributes.emplace_back(std::u16string(piece.substr(pos, nameStop - pos)),
                                    std::u16string(piece.substr(open + 1, close - open - 1)));
        pos = close + 1;
    }
}

// The byte form of ASCII text in the file's encoding, for searching the raw bytes.
std::string asciiIn(std::u16string_view text, bool utf16) {
    std::string bytes;
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c));
        if (utf16) bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

// Position of `pattern` in `bytes` from `from`; UTF-16 text matches at even offsets only.
std::size_t findIn(std::string_view bytes, std::string_view pattern, std::size_t from, bool utf16) {
    for (std::size_t pos = bytes.find(pattern, from); pos != std::string_view::npos;
         pos = bytes.find(pattern, pos + 1)) {
        if (!utf16 || pos % 2 == 0) return pos;
    }
    return std::string_view::npos;
}

}  // namespace

const char16_t* elementName(XmlKind kind) {
    return kElementNames[static_cast<std::size_t>(kind)];
}

// --- UTF conversions ---

std::u16string decodeUtf8(std::string_view bytes) {
    std::u16string text;
    text.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            text.push_back(lead);
            ++i;
            continue;
        }
        int length = 0;
        char32_t code = 0;
        char32_t minimum = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2, code = lead & 0x1F, minimum = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3, code = lead & 0x0F, minimum = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4, code = lead & 0x07, minimum = 0x10000;
        }
        bool valid = length > 0 && i + length <= bytes.size();
        for (int k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3F);
        }
        valid = valid && code >= minimum && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
        if (!valid) {
            text.push_back(kReplacement);
            ++i;
            continue;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            text.push_back(static_cast<char16_t>(0xD800 + (code >> 10)));
            text.push_back(static_cast<char16_t>(0xDC00 + (code & 0x3FF)));
        } else {
            text.push_back(static_cast<char16_t>(code));
        }
        i += length;
    }
    return text;
}

std::string encodeUtf8(std::u16string_view text) {
    std::string bytes;
    bytes.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t code = text[i];
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = kReplacement;  // a lone surrogate has no UTF-8 form
        }
        if (code < 0x80) {
            bytes.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
            bytes.push_back(static_cast<char>(0xC0 | (code >> 6)));
            bytes.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else if (code < 0x10000) {
            bytes.push_back(static_cast<char>(0xE0 | (code >> 12)));
            bytes.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            bytes.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
            bytes.push_back(static_cast<char>(0xF0 | (code >> 18)));
            bytes.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
            bytes.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
            bytes.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
    }
    return bytes;
}

// --- tags and items ---

std::u16string XmlTag::text() const {
    std::u16string result = u"<" + name;
    for (const auto& [attributeName, value] : attributes) {
        result += u' ';
        result += attributeName;
        result += u"=\"";
        result += value;
        result += u'"';
    }
    result += u'>';
    return result;
}

const std::u16string* XmlTag::attribute(std::u16string_view attributeName) const {
    for (const auto& [name, value] : attributes)
        if (name == attributeName) return &value;
    return nullptr;
}

HResult XmlItem::childStartTags(std::vector<const XmlTag*>& starts) const {
    starts.clear();
    if (tags.size() < 2 || tags.size() % 2 != 0) return hr::fail;
    for (std::size_t i = 1; i + 1 < tags.size(); i += 2) {
        const XmlTag& start = tags[i];
        if (start.isEnd() || tags[i + 1].name != u"/" + start.name) return hr::fail;
        starts.push_back(&start);
    }
    return hr::ok;
}

// --- the file ---

HResult XmlExchangeFile::open(FilePort& files, const std::u16string& path,
                              const std::u16string& rootName) {
    std::string bytes;
    bool exists = false;
    if (HResult status = files.read(path, bytes, exists); hr::failed(status)) return status;
    if (HResult status = parse(bytes, rootName); hr::failed(status)) return status;
    files_ = &files;
    path_ = path;
    exists_ = exists;
    return hr::ok;
}

HResult XmlExchangeFile::parse(std::string_view bytes, const std::u16string& rootName) {
    rootName_ = rootName;
    kinds_ = {};
    hasRoot_ = false;
    cutOffIn_.reset();
    if (bytes.empty()) {
        encoding_ = Encoding::utf8;
        prefix_ = std::string(kUtf8Mark) + std::string(kDeclaration);
        suffix_ = kNewFileEnd;
        return hr::ok;
    }
    if (bytes.starts_with("\xFE\xFF") || bytes.starts_with(std::string_view("\0\0\xFE\xFF", 4)))
        return hr::fail;
    const bool utf16 = bytes.starts_with(kUtf16Mark);
    if (utf16 && bytes.size() % 2 != 0) return hr::fail;  // not UTF-16 text: a damaged file
    encoding_ = utf16 ? Encoding::utf16le : Encoding::utf8;

    const std::size_t rootStart = findIn(bytes, asciiIn(u"<" + rootName, utf16), 0, utf16);
    if (rootStart == std::string_view::npos) {
        prefix_ = bytes;  // the root is appended after all of it
        suffix_.clear();
        return hr::ok;
    }
    prefix_ = bytes.substr(0, rootStart);
    hasRoot_ = true;
    const std::size_t startClose = findIn(bytes, asciiIn(u">", utf16), rootStart, utf16);
    if (startClose == std::string_view::npos) return hr::fail;
    const std::size_t contentStart = startClose + (utf16 ? 2 : 1);
    const std::string endTag = asciiIn(u"</" + rootName + u">", utf16);
    std::size_t contentEnd = findIn(bytes, endTag, contentStart, utf16);
    suffix_.clear();
    if (contentEnd == std::string_view::npos) {
        contentEnd = bytes.size();
    } else {
        std::string_view after = bytes.substr(contentEnd + endTag.size());
        // The line break that ends the root end line is written with it at commit.
        const std::string lineBreak = asciiIn(u"\r\n", utf16);
        if (after.starts_with(lineBreak)) after.remove_prefix(lineBreak.size());
        suffix_ = after;
    }
    const std::string_view content = bytes.substr(contentStart, contentEnd - contentStart);
    if (!utf16) return readRoot(decodeUtf8(content));
    std::u16string text(content.size() / 2, u'\0');
    for (std::size_t i = 0; i < text.size(); ++i)
        text[i] = static_cast<char16_t>(static_cast<unsigned char>(content[2 * i]) |
                                        (static_cast<unsigned char>(content[2 * i + 1]) << 8));
    return readRoot(text);
}

HResult XmlExchangeFile::readRoot(std::u16string_view content) {
    bool itemOpen = false;
    XmlKind openKind = XmlKind::profileGroup;
    XmlItem item;
    std::size_t pos = 0;
    while ((pos = content.find(u'<', pos)) != std::u16string_view::npos) {
        const std::size_t begin = pos + 1;
        pos = std::min(content.find_first_of(u"<>", begin), content.size());
        const std::u16string_view piece = content.substr(begin, pos - begin);
        if (piece.empty() || piece.find_first_of(u"\r\n") != std::u16string_view::npos) continue;
        const std::u16string_view name = piece.substr(0, std::min(piece.find(u' '), piece.size()));

        if (const auto kind = kindNamed(name)) {
            if (itemOpen) return hr::fail;  // items do not nest
            item = XmlItem{};
            item.tags.emplace_back();
            if (HResult status = normalise(piece, item.tags.back()); hr::failed(status))
                return status;
            if (!item.tags.back().attributes.empty())
                item.name = item.tags.back().attributes.front().second;
            itemOpen = true;
            openKind = *kind;
            continue;
        }
        if (!itemOpen) continue;  // tags outside items are dropped
        // Written back normalised, such a tag would end the root early on the next read.
        if (name.starts_with(u'/') && name.substr(1) == rootName_) return hr::fail;
        const auto closedKind = name.starts_with(u'/') ? kindNamed(name.substr(1)) : std::nullopt;
        if (closedKind && *closedKind != openKind) return hr::fail;
        item.tags.emplace_back();
        if (HResult status = normalise(piece, item.tags.back()); hr::failed(status)) return status;
        if (closedKind) {
            append(openKind, std::move(item));
            itemOpen = false;
        }
    }
    if (!itemOpen) return hr::ok;
    cutOffIn_ = Item{openKind, item.name};  // an item left open is a cut-off file
    return hr::fail;
}

std::int32_t XmlExchangeFile::count(XmlKind kind) const {
    return static_cast<std::int32_t>(kinds_[static_cast<std::size_t>(kind)].items.size());
}

HResult XmlExchangeFile::names(XmlKind kind, std::int32_t n,
                               std::vector<std::u16string>& names) const {
    names.clear();
    if (n < 0) return hr::invalidArg;
    if (n > count(kind)) return hr::fail;
    const auto& items = kinds_[static_cast<std::size_t>(kind)].items;
    for (std::int32_t i = 0; i < n; ++i) names.push_back(items[i].name);
    return hr::ok;
}

const XmlItem* XmlExchangeFile::find(XmlKind kind, const std::u16string& name) const {
    const Kind& list = kinds_[static_cast<std::size_t>(kind)];
    const auto found = list.firstByName.find(name);
    return found == list.firstByName.end() ? nullptr : &list.items[found->second];
}

void XmlExchangeFile::put(XmlKind kind, XmlItem item) {
    Kind& list = kinds_[static_cast<std::size_t>(kind)];
    const auto found = list.firstByName.find(item.name);
    if (found != list.firstByName.end())
        list.items[found->second] = std::move(item);
    else
        append(kind, std::move(item));
}

void XmlExchangeFile::append(XmlKind kind, XmlItem item) {
    Kind& list = kinds_[static_cast<std::size_t>(kind)];
    list.firstByName.emplace(item.name, list.items.size());  // an earlier namesake stays first
    list.items.push_back(std::move(item));
}

std::string XmlExchangeFile::encode(std::u16string_view text) const {
    if (encoding_ == Encoding::utf8) return encodeUtf8(text);
    std::string bytes;
    bytes.reserve(2 * text.size());
    for (char16_t c : text) {
        bytes.push_back(static_cast<char>(c));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

HResult XmlExchangeFile::serialize(std::string& bytes) const {
    std::u16string text = u"<" + rootName_ + u">\r\n";
    std::vector<const XmlTag*> starts;
    for (const Kind& kind : kinds_) {
        for (const XmlItem& item : kind.items) {
            if (HResult status = item.childStartTags(starts); hr::failed(status)) return status;
            text += u'\t' + item.tags.front().text() + u"\r\n";
            for (std::size_t i = 1; i + 1 < item.tags.size(); i += 2)
                text += u"\t\t" + item.tags[i].text() + item.tags[i + 1].text() + u"\r\n";
            text += u'\t' + item.tags.back().text() + u"\r\n";
        }
    }
    text += u"</" + rootName_ + u">\r\n";
    bytes = prefix_ + encode(text) + suffix_;
    return hr::ok;
}

HResult XmlExchangeFile::commit() {
    if (!files_) return hr::fail;
    std::string bytes;
    if (HResult status = serialize(bytes); hr::failed(status)) return status;
    return files_->replace(path_, bytes);
}

}  // namespace tessel::store
