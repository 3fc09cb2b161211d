#include "sim/state_store.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <optional>
#include <sstream>
#include <thread>

#include "sim/platform.h"
#include "sim/state_text.h"

namespace tessel::sim {

namespace {

namespace fs = std::filesystem;

fs::path filePath(const std::string& utf8) { return fs::path(reinterpret_cast<const char8_t*>(utf8.c_str())); }

class MemoryStore final : public StateStore {
public:
    explicit MemoryStore(MouseState initial) : state_(std::move(initial)) {}

    void update(const std::function<void(MouseState&)>& change) override {
        std::lock_guard guard(lock_);
        MouseState changed = state_;
        change(changed);
        state_ = std::move(changed);
    }

private:
    std::mutex lock_;
    MouseState state_;
};

// The state file's text, or nothing when there is no file yet.
std::optional<std::string> readText(const std::string& path) {
    std::error_code error;
    if (!fs::exists(filePath(path), error)) {
        if (error) throw StateError("cannot reach " + path + ": " + error.message());
        return std::nullopt;
    }
    std::ifstream in(filePath(path), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    if (!in) throw StateError("cannot read " + path);
    return text.str();
}

// A reader elsewhere (an editor, a virus scanner) may hold the file open for a moment on
// Windows; the replacement is tried again a few times before giving up.
void writeReplacing(const std::string& path, const std::string& text) {
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(filePath(temporary), std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        if (!out) throw StateError("cannot write " + temporary);
    }
    for (int tries = 0; !platform::replaceFile(temporary, path); ++tries) {
        if (tries == 20) throw StateError("cannot replace " + path);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

class FileStore final : public StateStore {
public:
    explicit FileStore(std::string path) : path_(std::move(path)) {}

    void update(const std::function<void(MouseState&)>& change) override {
        const platform::FileLock lock(path_ + ".lock");
        const std::optional<std::string> text = readText(path_);
        MouseState state = MouseState::factory();
        if (text) {
            try {
                state = parseState(*text);
            } catch (const StateError& error) {
                throw StateError(path_ + ": " + error.what());
            }
        }
        change(state);
        const std::string changed = formatState(state);
        if (changed != text) writeReplacing(path_, changed);
    }

private:
    std::string path_;
};

}  // namespace

std::unique_ptr<StateStore> StateStore::inMemory(MouseState initial) {
    return std::make_unique<MemoryStore>(std::move(initial));
}

std::unique_ptr<StateStore> StateStore::inFile(std::string path) { return std::make_unique<FileStore>(std::move(path)); }

void writeStateFile(const std::string& path, const MouseState& state) {
    const platform::FileLock lock(path + ".lock");
    writeReplacing(path, formatState(state));
}

}  // namespace tessel::sim
