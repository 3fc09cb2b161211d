#include "middleware/store/button_event_keys.h"

#include <array>

namespace tessel::store {

namespace {

// What a completed chord of F21 (8), F22 (4), F23 (2) and F24 (1) means: a sensitivity step
// (gathered and delivered by the timers) or a stage or profile selection (posted at once).
struct ChordAction {
    std::int32_t step = 0;
    std::uint32_t message = 0;  // 0: nothing to post
    std::int32_t number = 0;
};

constexpr std::array<ChordAction, 16> kChords = [] {
    std::array<ChordAction, 16> chords{};  // 0, 2, 4, 8: no chord
    chords[1] = {+1, 0, 0};
    chords[15] = {-1, 0, 0};
    chords[3] = {0, buttonmsg::stageSelected, 1};
    chords[5] = {0, buttonmsg::stageSelected, 2};
    chords[6] = {0, buttonmsg::stageSelected, 3};
    chords[9] = {0, buttonmsg::stageSelected, 4};
    chords[10] = {0, buttonmsg::stageSelected, 5};
    chords[7] = {0, buttonmsg::profileSelected, 1};
    chords[11] = {0, buttonmsg::profileSelected, 2};
    chords[12] = {0, buttonmsg::profileSelected, 3};
    chords[13] = {0, buttonmsg::profileSelected, 4};
    chords[14] = {0, buttonmsg::profileSelected, 5};
    return chords;
}();

// Alt turns the key messages into their system variants; the mouse's keys mean the same.
constexpr bool isKeyDown(std::uint32_t message) {
    return message == keymsg::keyDown || message == keymsg::sysKeyDown;
}

}  // namespace

void ButtonKeyHandler::onKey(std::uint32_t message, std::uint32_t virtualKey) {
    if (!handles(virtualKey)) return;
    if (virtualKey == kVkF20) {
        if (isKeyDown(message)) {
            refreshPending_ = true;
            restartTimers();
        }
    } else {
        const auto bit = static_cast<std::uint8_t>(1u << (kVkF24 - virtualKey));
        if (isKeyDown(message)) {
            chordMask_ |= bit;
            heldMask_ |= bit;
        } else {
            heldMask_ &= static_cast<std::uint8_t>(~bit);
        }
    }
    if (heldMask_ == 0) decodeChord();
}

void ButtonKeyHandler::decodeChord() {
    const ChordAction& action = kChords[chordMask_];
    chordMask_ = 0;
    if (action.step != 0) {
        pendingSteps_ += action.step;
        restartTimers();
    } else if (action.message != 0) {
        port_.post(action.message, toWParam(action.number));
    }
}

void ButtonKeyHandler::restartTimers() {
    if (!timersRunning_) {
        port_.setTimer(kDeliveryTimer, kDeliveryTimerMs);
        timersRunning_ = true;
    }
    port_.setTimer(kBurstEndTimer, kBurstEndTimerMs);
}

bool ButtonKeyHandler::deliverOne() {
    if (pendingSteps_ != 0) {
        port_.post(buttonmsg::sensitivityStep, toWParam(pendingSteps_));
        pendingSteps_ = 0;
        return true;
    }
    if (refreshPending_) {
        port_.post(buttonmsg::refresh, 0);
        refreshPending_ = false;
        return true;
    }
    return false;
}

void ButtonKeyHandler::onTimer(std::uint32_t id) {
    if (id == kDeliveryTimer) {
        deliverOne();
    } else if (id == kBurstEndTimer) {
        port_.killTimer(kDeliveryTimer);
        port_.killTimer(kBurstEndTimer);
        timersRunning_ = false;
        // A busy thread can let the burst's end come due before the delivery tick; what the
        // burst gathered must not wait for the next burst.
        while (deliverOne()) {
        }
    }
}

}  // namespace tessel::store
