// uidriver: the UI driver for scripts. Each command finds its window by a path of steps, acts,
// prints what it read, and exits 0, or prints the failure and exits 1 (2: wrong usage).
#include "uidriver/uidriver.h"

#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <cwchar>
#include <vector>

using namespace uidriver;

namespace {

constexpr const wchar_t* kUsage =
    L"usage: uidriver [--timeout MS] COMMAND [OPTIONS] [STEP...]\n"
    L"A STEP selects a window among the descendants of the previous one (all windows at first):\n"
    L"  fields separated by ';' from title=TEXT, class=NAME, id=N, pid=N, hwnd=HEX, shown\n"
    L"Commands:\n"
    L"  find STEP...                   print the window's handle; fail when there is none\n"
    L"  wait STEP...                   wait until it appears, print its handle\n"
    L"  wait-gone STEP...              wait until nothing matches (or the hwnd= window is gone)\n"
    L"  text STEP...                   print its text\n"
    L"  wait-text TEXT STEP...         wait until its text is TEXT\n"
    L"  rows STEP...                   print a list's rows: index, value, text (tab-separated)\n"
    L"  click [--right|--double] [--at X,Y] STEP...   real input at a client point (centre)\n"
    L"  press STEP...                  post BM_CLICK\n"
    L"  command STEP...                post WM_COMMAND (BN_CLICKED) to its parent\n"
    L"  front STEP...                  bring its top-level window to the foreground\n"
    L"  key VK...                      press keys together (numbers or names: RETURN, ESCAPE, TAB,\n"
    L"                                 SPACE, BACK, DELETE, LEFT, RIGHT, UP, DOWN, SHIFT, CONTROL, MENU, F1..F24)\n"
    L"  type TEXT                      type Unicode text\n"
    L"  shot FILE|NAME [STEP...]       save a PNG of the window (or the screen), print its path\n"
    L"  count RRGGBB [STEP...]         print how many pixels of the window (or the screen) have that colour\n"
    L"  post MESSAGE WPARAM LPARAM STEP...   post a message: a number, or a name registered with\n"
    L"                                 RegisterWindowMessage (a tray icon's callback, for one)\n"
    L"  start COMMAND-LINE             start a program, wait for its main window, print its handle\n";

struct Usage {
    std::wstring message;
};

long long number(const std::wstring& text, const wchar_t* what) {
    wchar_t* end = nullptr;
    errno = 0;
    const long long value = wcstoll(text.c_str(), &end, 0);
    if (text.empty() || *end || errno) throw Usage{L"not a number for " + std::wstring(what) + L": " + text};
    return value;
}

// A step is either a window handle or a Match.
struct Step {
    HWND handle = nullptr;
    Match match;
};

Step parseStep(const std::wstring& text) {
    Step step;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(L';', start);
        if (end == std::wstring::npos) end = text.size();
        const std::wstring field = text.substr(start, end - start);
        const size_t eq = field.find(L'=');
        const std::wstring key = field.substr(0, eq), value = eq == std::wstring::npos ? L"" : field.substr(eq + 1);
        if (key == L"title" && eq != std::wstring::npos) step.match.title = value;
        else if (key == L"class" && !value.empty()) step.match.className = value;
        else if (key == L"id") step.match.id = int(number(value, L"id"));
        else if (key == L"pid") step.match.processId = DWORD(number(value, L"pid"));
        else if (key == L"hwnd") step.handle = reinterpret_cast<HWND>(static_cast<uintptr_t>(number(value, L"hwnd")));
        else if (key == L"shown" && eq == std::wstring::npos) step.match.visible = true;
        else throw Usage{L"unknown step field: " + field};
        start = end + 1;
    }
    return step;
}

// The steps of a command line: a window to start from (hwnd=, else every window) and a path.
struct Path {
    HWND root = nullptr;
    std::vector<Match> steps;
};

Path parsePath(const std::vector<std::wstring>& args) {
    if (args.empty()) throw Usage{L"no window given"};
    Path path;
    for (const std::wstring& text : args) {
        Step step = parseStep(text);
        if (step.handle) {
            if (path.root || !path.steps.empty()) throw Usage{L"hwnd= must come first"};
            if (!IsWindow(step.handle)) throw Failure(L"no window " + text);
            path.root = step.handle;
        } else {
            path.steps.push_back(step.match);
        }
    }
    return path;
}

HWND resolve(const std::vector<std::wstring>& args, milliseconds timeout, bool wait) {
    const Path path = parsePath(args);
    if (path.steps.empty()) return path.root;
    if (!wait) {
        if (HWND found = findPath(path.steps, path.root)) return found;
        throw Failure(L"there is no " + describe(path.steps));
    }
    HWND found = nullptr;
    waitUntil([&] { return (found = findPath(path.steps, path.root)) != nullptr; }, timeout,
              [&] { return describe(path.steps) + L" to appear"; });
    return found;
}

WORD virtualKey(const std::wstring& name) {
    static const struct {
        const wchar_t* name;
        WORD key;
    } kNames[] = {{L"RETURN", VK_RETURN}, {L"ESCAPE", VK_ESCAPE}, {L"TAB", VK_TAB},     {L"SPACE", VK_SPACE},
                  {L"BACK", VK_BACK},     {L"DELETE", VK_DELETE}, {L"LEFT", VK_LEFT},   {L"RIGHT", VK_RIGHT},
                  {L"UP", VK_UP},         {L"DOWN", VK_DOWN},     {L"SHIFT", VK_SHIFT}, {L"CONTROL", VK_CONTROL},
                  {L"MENU", VK_MENU},     {L"HOME", VK_HOME},     {L"END", VK_END}};
    for (const auto& entry : kNames)
        if (_wcsicmp(entry.name, name.c_str()) == 0) return entry.key;
    if ((name[0] == L'F' || name[0] == L'f') && name.size() > 1 && iswdigit(name[1])) {
        const long long n = number(name.substr(1), L"function key");
        if (n >= 1 && n <= 24) return WORD(VK_F1 + n - 1);
    }
    if (name.size() == 1 && (iswupper(name[0]) || iswdigit(name[0]))) return WORD(name[0]);
    const long long code = number(name, L"key");
    if (code < 1 || code > 254) throw Usage{L"no such key: " + name};
    return WORD(code);
}

void write(FILE* stream, const std::string& utf8) { fwrite(utf8.data(), 1, utf8.size(), stream); }
void print(const std::wstring& text) { write(stdout, toUtf8(text) + "\n"); }

int run(std::vector<std::wstring> args) {
    milliseconds timeout = kDefaultTimeout;
    if (args.size() >= 2 && args[0] == L"--timeout") {
        timeout = milliseconds{number(args[1], L"--timeout")};
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.empty()) throw Usage{L"no command"};
    const std::wstring command = args[0];
    args.erase(args.begin());
    auto option = [&args](const wchar_t* name) {
        if (args.empty() || args[0] != name) return false;
        args.erase(args.begin());
        return true;
    };
    auto value = [&args](const wchar_t* name) -> std::optional<std::wstring> {
        if (args.empty() || args[0] != name) return std::nullopt;
        if (args.size() < 2) throw Usage{std::wstring(name) + L" needs a value"};
        std::wstring v = args[1];
        args.erase(args.begin(), args.begin() + 2);
        return v;
    };

    if (command == L"find" || command == L"wait") {
        print(handleText(resolve(args, timeout, command == L"wait")));
    } else if (command == L"wait-gone") {
        const Path path = parsePath(args);
        if (path.steps.empty()) {
            waitGone(path.root, timeout);
        } else {
            waitUntil([&] { return findPath(path.steps, path.root) == nullptr; }, timeout,
                      [&] { return describe(path.steps) + L" to go away"; });
        }
    } else if (command == L"text") {
        print(windowText(resolve(args, timeout, true)));
    } else if (command == L"wait-text") {
        if (args.empty()) throw Usage{L"no text given"};
        const std::wstring expected = args[0];
        args.erase(args.begin());
        waitForText(resolve(args, timeout, true), expected, timeout);
    } else if (command == L"rows") {
        for (const Row& row : readRows(resolve(args, timeout, true)))
            print(std::to_wstring(row.index) + L"\t" + std::to_wstring(row.value) + L"\t" + row.text);
    } else if (command == L"click") {
        MouseButton button = MouseButton::Left;
        bool twice = false;
        std::optional<POINT> at;
        for (bool more = true; more;) {
            more = false;
            if (option(L"--right")) button = MouseButton::Right, more = true;
            if (option(L"--double")) twice = more = true;
            if (auto xy = value(L"--at")) {
                const size_t comma = xy->find(L',');
                if (comma == std::wstring::npos) throw Usage{L"--at needs X,Y"};
                at = POINT{LONG(number(xy->substr(0, comma), L"X")), LONG(number(xy->substr(comma + 1), L"Y"))};
                more = true;
            }
        }
        HWND window = resolve(args, timeout, true);
        if (twice && button == MouseButton::Right) throw Usage{L"--double is for the left button"};
        if (twice) at ? doubleClickAt(window, *at) : doubleClick(window);
        else at ? clickAt(window, *at, button) : click(window, button);
    } else if (command == L"press") {
        clickByMessage(resolve(args, timeout, true));
    } else if (command == L"command") {
        sendCommand(resolve(args, timeout, true));
    } else if (command == L"front") {
        bringToFront(resolve(args, timeout, true), timeout);
    } else if (command == L"key") {
        if (args.empty()) throw Usage{L"no key given"};
        std::vector<WORD> keys;
        for (const auto& name : args) keys.push_back(virtualKey(name));
        pressKeys(keys);
    } else if (command == L"type") {
        if (args.size() != 1) throw Usage{L"type takes one TEXT"};
        typeText(args[0]);
    } else if (command == L"shot" || command == L"count") {
        if (args.empty()) throw Usage{command == L"shot" ? L"no file given" : L"no colour given"};
        const std::wstring first = args[0];
        args.erase(args.begin());
        const Picture picture = args.empty() ? captureScreen() : captureWindow(resolve(args, timeout, true));
        if (command == L"shot") print(savePng(picture, first).wstring());
        else print(std::to_wstring(picture.count(uint32_t(number(L"0x" + first, L"colour")))));
    } else if (command == L"post") {
        if (args.size() < 4) throw Usage{L"post takes MESSAGE WPARAM LPARAM STEP..."};
        const std::wstring name = args[0];
        const bool numbered = !name.empty() && iswdigit(name[0]);
        const UINT message = numbered ? UINT(number(name, L"MESSAGE")) : RegisterWindowMessageW(name.c_str());
        const WPARAM wParam = WPARAM(number(args[1], L"WPARAM"));
        const LPARAM lParam = LPARAM(number(args[2], L"LPARAM"));
        args.erase(args.begin(), args.begin() + 3);
        HWND window = resolve(args, timeout, true);
        if (!message || !PostMessageW(window, message, wParam, lParam))
            throw Failure(L"cannot post " + name + L" to " + handleText(window));
    } else if (command == L"start") {
        if (args.size() != 1) throw Usage{L"start takes one COMMAND-LINE"};
        Program program(args[0], Program::Output::Discarded);
        print(handleText(program.waitForMainWindow(timeout)));
        program.detach();
    } else {
        throw Usage{L"unknown command: " + command};
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // Scripts read "\n", not "\r\n".
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    try {
        return run(std::vector<std::wstring>(argv + 1, argv + argc));
    } catch (const Usage& usage) {
        write(stderr, "uidriver: " + toUtf8(usage.message) + "\n" + toUtf8(kUsage));
        return 2;
    } catch (const std::exception& failure) {
        write(stderr, "uidriver: " + std::string(failure.what()) + "\n");
        return 1;
    }
}
