#pragma once
// The key handler behind the keyboard hook: turns F20 to F24 key events into button-event
// messages for the hidden window and coalesces bursts with two timers. Portable: it reaches the
// window system only through ButtonEventPort.
#include <cstdint>

namespace tessel::store {

// Messages posted to the hidden window; wParam carries the argument, lParam is 0.
namespace buttonmsg {
inline constexpr std::uint32_t first = 0x400;            // WM_USER; handled, no notification
inline constexpr std::uint32_t profileSelected = 0x402;  // wParam: profile 1..5
inline constexpr std::uint32_t sensitivityStep = 0x403;  // wParam: signed step count
inline constexpr std::uint32_t stageSelected = 0x404;    // wParam: stage 1..5
inline constexpr std::uint32_t refresh = 0x405;
inline constexpr std::uint32_t last = refresh;
}  // namespace buttonmsg

// Low-level keyboard messages and the keys the mouse uses.
namespace keymsg {
inline constexpr std::uint32_t keyDown = 0x100;     // WM_KEYDOWN
inline constexpr std::uint32_t keyUp = 0x101;       // WM_KEYUP
inline constexpr std::uint32_t sysKeyDown = 0x104;  // WM_SYSKEYDOWN: the same key with Alt held
inline constexpr std::uint32_t sysKeyUp = 0x105;    // WM_SYSKEYUP
}  // namespace keymsg

inline constexpr std::uint32_t kVkF20 = 0x83;
inline constexpr std::uint32_t kVkF21 = 0x84;
inline constexpr std::uint32_t kVkF22 = 0x85;
inline constexpr std::uint32_t kVkF23 = 0x86;
inline constexpr std::uint32_t kVkF24 = 0x87;

// Timer 1 delivers what a burst has gathered; timer 2 ends the burst.
inline constexpr std::uint32_t kDeliveryTimer = 1;
inline constexpr std::uint32_t kDeliveryTimerMs = 20;
inline constexpr std::uint32_t kBurstEndTimer = 2;
inline constexpr std::uint32_t kBurstEndTimerMs = 40;

// The signed argument of a message in wParam and back: negative step counts stay negative.
constexpr std::uintptr_t toWParam(std::int32_t argument) {
    return static_cast<std::uintptr_t>(static_cast<std::intptr_t>(argument));
}
constexpr std::int32_t fromWParam(std::uintptr_t wParam) {
    return static_cast<std::int32_t>(static_cast<std::intptr_t>(wParam));
}

// Posting and timers of the hidden window. Failures are ignored by the handler.
class ButtonEventPort {
public:
    virtual void post(std::uint32_t message, std::uintptr_t wParam) = 0;
    // Starts the periodic timer `id`, or restarts it if it runs: next expiry `ms` from now.
    virtual void setTimer(std::uint32_t id, std::uint32_t ms) = 0;
    virtual void killTimer(std::uint32_t id) = 0;

protected:
    ~ButtonEventPort() = default;
};

class ButtonKeyHandler {
public:
    explicit ButtonKeyHandler(ButtonEventPort& port) : port_(port) {}

    // Whether the hook hands this key to the handler: F20 to F24.
    static constexpr bool handles(std::uint32_t virtualKey) {
        return virtualKey >= kVkF20 && virtualKey <= kVkF24;
    }

    // One keyboard event (message of the low-level hook); keys other than F20 to F24 are ignored.
    void onKey(std::uint32_t message, std::uint32_t virtualKey);
    void onTimer(std::uint32_t id);

    bool timersRunning() const { return timersRunning_; }

private:
    void decodeChord();
    void restartTimers();
    // Posts the oldest of what is waiting; false when nothing was.
    bool deliverOne();

    ButtonEventPort& port_;
    std::int32_t pendingSteps_ = 0;
    bool refreshPending_ = false;
    bool timersRunning_ = false;
    std::uint8_t chordMask_ = 0;  // F21 = 8, F22 = 4, F23 = 2, F24 = 1, pressed since last chord
    std::uint8_t heldMask_ = 0;   // the same bits for keys still down
};

}  // namespace tessel::store
