#pragma once
// Text in and out of the console: UTF-8 inside the tool, UTF-16 at the system's boundary.
#include <string>
#include <string_view>

#include "tools/tesselctl/json.h"

namespace tessel::ctl {

std::string toUtf8(std::wstring_view text);
std::wstring toWide(std::string_view text);

// Writes UTF-8 text to standard output or standard error: through the console's own wide-text
// call when the stream is a console window, as UTF-8 bytes otherwise (pipes and files).
void writeOut(std::string_view text);
void writeError(std::string_view text);

// What a command prints: its text form, or with --json one JSON value per line.
class Output {
public:
    explicit Output(bool json) : json_(json) {}
    bool json() const { return json_; }
    // Prints `data` as JSON or `text` (with a line end added), whichever was chosen.
    void result(const Json& data, std::string_view text) const;

private:
    bool json_;
};

}  // namespace tessel::ctl
