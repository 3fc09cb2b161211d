#include "sim/state_store.h"

#include <filesystem>
#include <mutex>

#include "sim/platform.h"
#include "sim/state_text.h"

namespace tessel::sim {

namespace {

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

// The whole load, change and write happens under the file's lock, so no reader ever sees a
// half-written state; the text's closing [end] shows whether a writer was cut off half-way.
class FileStore final : public StateStore {
public:
    FileStore(std::string path, bool mustExist) : path_(std::move(path)), mustExist_(mustExist) {}

    void update(const std::function<void(MouseState&)>& change) override {
        if (mustExist_ && !exists()) throw MissingStateFile("no state file at " + path_);
        platform::LockedFile file(path_);
        const std::string text = file.read();
        MouseState state = MouseState::factory();  // an empty (new) file holds a fresh mouse
        if (!text.empty()) {
            try {
                state = parseState(text);
            } catch (const StateError& error) {
                throw StateError(path_ + ": " + error.what());
            }
        }
        change(state);
        const std::string changed = formatState(state);
        if (changed != text) file.write(changed);
    }

private:
    bool exists() const {
        std::error_code error;
        return std::filesystem::exists(std::filesystem::path(reinterpret_cast<const char8_t*>(path_.c_str())), error);
    }

    std::string path_;
    bool mustExist_;
};

}  // namespace

std::unique_ptr<StateStore> StateStore::inMemory(MouseState initial) {
    return std::make_unique<MemoryStore>(std::move(initial));
}

std::unique_ptr<StateStore> StateStore::inFile(std::string path) {
    return std::make_unique<FileStore>(std::move(path), false);
}

std::unique_ptr<StateStore> StateStore::inExistingFile(std::string path) {
    return std::make_unique<FileStore>(std::move(path), true);
}

void writeStateFile(const std::string& path, const MouseState& state) {
    platform::LockedFile(path).write(formatState(state));
}

}  // namespace tessel::sim
