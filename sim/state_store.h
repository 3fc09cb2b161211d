#pragma once
// Where the simulated mouse's state lives: in memory (one process) or in a file that several
// processes share. Every change is one step that no other thread or process sees half done.
#include <functional>
#include <memory>
#include <string>

#include "sim/mouse_state.h"
#include "sim/state_text.h"

namespace tessel::sim {

class StateStore {
public:
    virtual ~StateStore() = default;
    // Runs `change` on the current state and keeps the result. When `change` throws, the state
    // stays as it was. A file that cannot be read or written throws StateError.
    virtual void update(const std::function<void(MouseState&)>& change) = 0;

    MouseState read() {
        MouseState copy;
        update([&](MouseState& state) { copy = state; });
        return copy;
    }

    static std::unique_ptr<StateStore> inMemory(MouseState initial = MouseState::factory());
    // The file is created with a factory-fresh mouse when it does not exist (or is empty). Each
    // update loads, changes and rewrites it in place while holding an exclusive lock on it.
    static std::unique_ptr<StateStore> inFile(std::string path);
    // The same, but a missing file is no mouse at all: update throws MissingStateFile and
    // creates nothing, so a mistyped path never looks like a working mouse.
    static std::unique_ptr<StateStore> inExistingFile(std::string path);
};

class MissingStateFile : public StateError {
public:
    using StateError::StateError;
};

// Writes a factory-fresh mouse (or `state`) to `path`, replacing what was there, under the lock.
void writeStateFile(const std::string& path, const MouseState& state = MouseState::factory());

}  // namespace tessel::sim
