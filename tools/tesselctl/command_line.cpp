#include "tools/tesselctl/command_line.h"

#include <algorithm>
#include <charconv>
#include <utility>

namespace tessel::ctl {

std::int64_t parseNumber(std::string_view text, std::int64_t min, std::int64_t max, std::string_view what) {
    std::string_view digits = text;
    const bool negative = !digits.empty() && digits.front() == '-';
    if (negative) digits.remove_prefix(1);
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        digits.remove_prefix(2);
        base = 16;
    }
    std::uint64_t magnitude = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude, base);
    const bool whole = !digits.empty() && error == std::errc() && end == digits.data() + digits.size() &&
                       magnitude <= static_cast<std::uint64_t>(INT64_MAX);
    const std::int64_t value = negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    if (!whole || value < min || value > max)
        throw UsageError(std::string(what) + " must be a number from " + std::to_string(min) + " to " +
                         std::to_string(max) + ", not \"" + std::string(text) + "\"");
    return value;
}

std::optional<std::pair<std::string, std::string>> splitAssignment(std::string_view text) {
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    return std::pair{std::string(text.substr(0, equals)), std::string(text.substr(equals + 1))};
}

std::string Arguments::take(std::string_view what) {
    if (words_.empty()) throw UsageError("missing " + std::string(what));
    std::string word = std::move(words_.front());
    words_.erase(words_.begin());
    return word;
}

std::optional<std::string> Arguments::takeOptional() {
    if (words_.empty()) return std::nullopt;
    return take("");
}

std::int64_t Arguments::takeNumber(std::string_view what, std::int64_t min, std::int64_t max) {
    return parseNumber(take(what), min, max, what);
}

bool Arguments::takeFlag(std::string_view flag) {
    const auto found = std::find(words_.begin(), words_.end(), flag);
    if (found == words_.end()) return false;
    words_.erase(found);
    return true;
}

std::optional<std::string> Arguments::takeOption(std::string_view option) {
    const auto found = std::find(words_.begin(), words_.end(), option);
    if (found == words_.end()) return std::nullopt;
    if (found + 1 == words_.end()) throw UsageError(std::string(option) + " needs a value");
    std::string value = std::move(*(found + 1));
    words_.erase(found, found + 2);
    return value;
}

std::vector<std::string> Arguments::takeRest() { return std::exchange(words_, {}); }

void Arguments::noMore() const {
    if (!words_.empty()) throw UsageError("unexpected \"" + words_.front() + "\"");
}

}  // namespace tessel::ctl
