#include "tools/tesselctl/json.h"

#include <cstdio>
#include <stdexcept>

namespace tessel::ctl {
namespace {

void quote(const std::string& text, std::string& out) {
    out += '"';
    for (const char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                out += escaped;
            } else {
                out += c;  // UTF-8 passes through
            }
        }
    }
    out += '"';
}

}  // namespace

Json Json::array(Array items) {
    Json json;
    json.value_ = std::move(items);
    return json;
}

Json Json::object(Object members) {
    Json json;
    json.value_ = std::move(members);
    return json;
}

Json& Json::set(std::string key, Json value) {
    std::get<Object>(value_).emplace_back(std::move(key), std::move(value));
    return *this;
}

Json& Json::push(Json item) {
    std::get<Array>(value_).push_back(std::move(item));
    return *this;
}

std::string Json::dump() const {
    std::string out;
    dumpTo(out);
    return out;
}

void Json::dumpTo(std::string& out) const {
    struct Writer {
        std::string& out;
        void operator()(std::nullptr_t) const { out += "null"; }
        void operator()(bool value) const { out += value ? "true" : "false"; }
        void operator()(std::int64_t value) const { out += std::to_string(value); }
        void operator()(const std::string& text) const { quote(text, out); }
        void operator()(const Array& items) const {
            out += '[';
            for (std::size_t i = 0; i < items.size(); ++i) {
                if (i) out += ',';
                items[i].dumpTo(out);
            }
            out += ']';
        }
        void operator()(const Object& members) const {
            out += '{';
            for (std::size_t i = 0; i < members.size(); ++i) {
                if (i) out += ',';
                quote(members[i].first, out);
                out += ':';
                members[i].second.dumpTo(out);
            }
            out += '}';
        }
    };
    std::visit(Writer{out}, value_);
}

}  // namespace tessel::ctl
