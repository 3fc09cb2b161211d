#pragma once
// The machine-readable output of --json: a small JSON value that keeps the order of its members.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace tessel::ctl {

class Json {
public:
    using Array = std::vector<Json>;
    using Object = std::vector<std::pair<std::string, Json>>;

    Json() = default;  // null
    Json(bool value) : value_(value) {}
    Json(int value) : value_(std::int64_t{value}) {}
    Json(long value) : value_(std::int64_t{value}) {}
    Json(unsigned value) : value_(std::int64_t{value}) {}
    Json(long long value) : value_(static_cast<std::int64_t>(value)) {}
    Json(unsigned long value) : value_(static_cast<std::int64_t>(value)) {}
    Json(std::string text) : value_(std::move(text)) {}  // UTF-8
    Json(const char* text) : value_(std::string(text)) {}

    static Json array(Array items = {});
    static Json object(Object members = {});

    // Appends a member to an object / an item to an array; returns *this for chaining.
    Json& set(std::string key, Json value);
    Json& push(Json item);

    // Compact text on one line.
    std::string dump() const;

private:
    void dumpTo(std::string& out) const;

    std::variant<std::nullptr_t, bool, std::int64_t, std::string, Array, Object> value_{nullptr};
};

}  // namespace tessel::ctl
