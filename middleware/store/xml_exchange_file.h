#pragma once
// The XML exchange file: a small dialect holding items of five kinds for one mouse model,
// merged on export and read back on import.
//
// Written layout of a new file (UTF-8 with mark):
//   EF BB BF <?xml version="1.0" encoding="utf-8" ?>\r\n\r\n
//   <KavixControl_0013>\r\n
//   \t<Profile name="Game">\r\n
//   \t\t<Key value="Version" type="DWORD" data="1"></Key>\r\n
//   \t</Profile>\r\n
//   </KavixControl_0013>\r\n
//   \r\n\r\n
// Items are grouped by kind in the order of XmlKind and, within a kind, kept in the order they
// were first added. Names and string data are written verbatim between double quotes.
//
// An existing file keeps its encoding (UTF-8 with or without mark, UTF-16LE with mark), the
// bytes before the root start tag and after the root end line; the root's items are re-read as
// normalised one-line tags. Files starting FE FF or 00 00 FE FF are refused.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "middleware/common/status.h"
#include "middleware/store/file_port.h"

namespace tessel::store {

enum class XmlKind { profileGroup, profile, spellBook, macro, userAction };
inline constexpr std::size_t kXmlKindCount = 5;

// "ProfileGroup", "Profile", "SpellBook", "Macro", "UserAction".
const char16_t* elementName(XmlKind kind);

// One tag, normalised: "<" name, then ' ' attribute '=' '"' value '"' for each attribute, ">".
// End tags are named "/" + element name.
struct XmlTag {
    std::u16string name;
    std::vector<std::pair<std::u16string, std::u16string>> attributes;

    std::u16string text() const;
    bool isEnd() const { return !name.empty() && name.front() == u'/'; }
    // The value of the named attribute, or null.
    const std::u16string* attribute(std::u16string_view attributeName) const;
};

// One item: its start tag, its children (start and end tags in turn) and its end tag.
struct XmlItem {
    std::u16string name;  // the first quoted string of the start tag
    std::vector<XmlTag> tags;

    // The children's start tags; E_FAIL unless the children come in start/end pairs.
    HResult childStartTags(std::vector<const XmlTag*>& starts) const;
};

class XmlExchangeFile {
public:
    // Reads the target through `files`. A missing or empty target is a new file; one holding
    // no root start tag keeps all its text before the root written at commit. E_FAIL for an
    // unreadable file, a refused byte-order mark, or a root whose items cannot be read.
    HResult open(FilePort& files, const std::u16string& path, const std::u16string& rootName);
    // Whether the target existed when opened.
    bool exists() const { return exists_; }
    // Whether it holds the root element: an export of this mouse, not any other file.
    bool hasRoot() const { return hasRoot_; }
    // After a failed read of a file that ends inside an item (a cut-off export): that item.
    struct Item {
        XmlKind kind;
        std::u16string name;
    };
    const std::optional<Item>& cutOffIn() const { return cutOffIn_; }
    // The same from bytes in memory (no file involved).
    HResult parse(std::string_view bytes, const std::u16string& rootName);

    std::int32_t count(XmlKind kind) const;
    // Names of the first n items of the kind in file order; E_FAIL when there are fewer.
    HResult names(XmlKind kind, std::int32_t n, std::vector<std::u16string>& names) const;
    // The first item of the kind with exactly this name (letter case counts), or null.
    const XmlItem* find(XmlKind kind, const std::u16string& name) const;
    // Replaces the first item of the kind with the item's name in place, or appends it.
    void put(XmlKind kind, XmlItem item);

    // The whole file; E_FAIL when an item's children are not start/end pairs.
    HResult serialize(std::string& bytes) const;
    // Replaces the target opened with the serialized file.
    HResult commit();

private:
    enum class Encoding { utf8, utf16le };

    struct Kind {
        std::vector<XmlItem> items;
        std::unordered_map<std::u16string, std::size_t> firstByName;
    };

    HResult readRoot(std::u16string_view content);
    void append(XmlKind kind, XmlItem item);
    std::string encode(std::u16string_view text) const;

    FilePort* files_ = nullptr;
    std::u16string path_;
    bool exists_ = false;
    bool hasRoot_ = false;
    std::optional<Item> cutOffIn_;
    std::u16string rootName_;
    Encoding encoding_ = Encoding::utf8;
    std::string prefix_;  // bytes before the root start tag, mark included
    std::string suffix_;  // bytes after the root end line
    std::array<Kind, kXmlKindCount> kinds_;
};

// UTF-8 and UTF-16 conversions of the exchange files: invalid input becomes U+FFFD.
std::u16string decodeUtf8(std::string_view bytes);
std::string encodeUtf8(std::u16string_view text);

}  // namespace tessel::store
