// tesselctl: the scriptable command-line client of the middleware. It loads
// KavixMiddlewareServer through the component runtime, as the configurator and the tray do,
// and talks to the mouse (or, with TESSEL_SIM set, to the simulated one) through it.
#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tools/tesselctl/commands.h"
#include "tools/tesselctl/failure.h"

namespace tessel::ctl {
namespace {

constexpr const char* kUsage = R"(usage: tesselctl [--json] [--wireless] COMMAND [ARGUMENTS]

The command-line client of the Tessel middleware.

Options (anywhere on the line, before a lone --):
  --json       print data as JSON, one value per line (watch: one object per event)
  --wireless   talk to the wireless receiver (product 0x14) instead of the cable (0x13)
  --help       this text; COMMAND --help shows the command's own

Commands:
)";

constexpr const char* kExitCodes = R"(
Exit codes: 0 done, 1 the middleware or the mouse refused, 2 wrong command line, 3 no mouse
found, 4 the middleware is not installed. The simulated mouse is used when TESSEL_SIM names
its state file.
)";

void printUsage() {
    std::string text = kUsage;
    for (const Command* command : allCommands()) {
        std::string name = command->name;
        name.resize(std::max<std::size_t>(name.size() + 2, 14), ' ');
        text += "  " + name + command->summary + "\n";
    }
    writeOut(text + kExitCodes);
}

void printCommandUsage(const Command& command) {
    std::string text = std::string(command.usage) + "\n";
    if (command.details) text += "\n" + std::string(command.details);
    writeOut(text);
}

const Command* findCommand(const std::string& name) {
    for (const Command* command : allCommands())
        if (name == command->name) return command;
    return nullptr;
}

int run(std::vector<std::string> words) {
    bool json = false;
    bool wireless = false;
    bool help = false;
    std::vector<std::string> rest;
    for (auto word = words.begin(); word != words.end(); ++word) {
        if (*word == "--") {
            rest.insert(rest.end(), word + 1, words.end());
            break;
        }
        if (*word == "--json")
            json = true;
        else if (*word == "--wireless")
            wireless = true;
        else if (*word == "--help" || *word == "-h")
            help = true;
        else
            rest.push_back(*word);
    }
    const Command* command = nullptr;
    try {
        if (!rest.empty() && rest.front() == "help") {
            rest.erase(rest.begin());
            help = true;
        }
        if (rest.empty()) {
            if (!help) throw UsageError("missing a command");
            printUsage();
            return exit_code::ok;
        }
        command = findCommand(rest.front());
        if (!command) throw UsageError("unknown command \"" + rest.front() + "\"");
        if (help) {
            printCommandUsage(*command);
            return exit_code::ok;
        }
        rest.erase(rest.begin());
        Context context(Arguments(std::move(rest)), json, wireless ? kWirelessProduct : kWiredProduct);
        command->run(context);
        return exit_code::ok;
    } catch (const UsageError& error) {
        writeError("tesselctl: " + std::string(error.what()) + "\n(tesselctl " + (command ? command->name + std::string(" ") : "") +
                   "--help shows the usage)\n");
        return exit_code::usage;
    } catch (const Failure& failure) {
        if (json)
            writeError(Json::object()
                           .set("error", failure.text())
                           .set("operation", failure.operation())
                           .set("status", statusName(failure.status()))
                           .dump() +
                       "\n");
        else
            writeError("tesselctl: " + failure.operation() + " failed: " + failure.text() + " [" + statusName(failure.status()) +
                       "]\n");
        return exitCodeFor(failure.status());
    } catch (const std::bad_alloc&) {
        writeError("tesselctl: out of memory\n");
        return exit_code::failed;
    } catch (const std::exception& error) {
        writeError("tesselctl: " + std::string(error.what()) + "\n");
        return exit_code::failed;
    }
}

}  // namespace
}  // namespace tessel::ctl

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> words;
    for (int i = 1; i < argc; ++i) words.push_back(tessel::ctl::toUtf8(argv[i]));
    return tessel::ctl::run(std::move(words));
}
