#pragma once
// The words of a command line after the command name, taken one by one, and the numbers they
// hold. Every mistake in them is a UsageError (exit code 2).
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tessel::ctl {

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A whole decimal or 0x-hexadecimal number within [min, max]; `what` names it in the error.
std::int64_t parseNumber(std::string_view text, std::int64_t min, std::int64_t max, std::string_view what);

// "NAME=VALUE" split at the first '='; nullopt without one.
std::optional<std::pair<std::string, std::string>> splitAssignment(std::string_view text);

class Arguments {
public:
    explicit Arguments(std::vector<std::string> words) : words_(std::move(words)) {}

    bool empty() const { return words_.empty(); }
    const std::string& peek() const { return words_.front(); }
    // The next word; `what` names it when it is missing.
    std::string take(std::string_view what);
    std::optional<std::string> takeOptional();
    std::int64_t takeNumber(std::string_view what, std::int64_t min, std::int64_t max);
    // Removes "--flag" wherever it stands; true when it was there.
    bool takeFlag(std::string_view flag);
    // Removes "--option VALUE" wherever it stands.
    std::optional<std::string> takeOption(std::string_view option);
    std::vector<std::string> takeRest();
    // Fails on any word left over.
    void noMore() const;

private:
    std::vector<std::string> words_;
};

}  // namespace tessel::ctl
