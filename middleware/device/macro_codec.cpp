#include "middleware/device/macro_codec.h"

#include <algorithm>

namespace tessel::device {

using namespace records;

namespace {

namespace element {
constexpr std::uint8_t keyRelease = 0x00;
constexpr std::uint8_t keyPress = 0x01;
constexpr std::uint8_t delay8 = 0x11;
constexpr std::uint8_t delay16 = 0x12;
constexpr std::uint8_t delay24 = 0x13;
constexpr std::uint8_t click = 0x80;  // bit 7 marks a click; the low bits are the button state
constexpr std::uint8_t buttonBits = 0x1F;  // left, right, middle, button 4, button 5
}  // namespace element

void appendBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

std::uint32_t readBigEndian(std::span<const std::uint8_t> bytes) {
    std::uint32_t value = 0;
    for (std::uint8_t b : bytes) value = (value << 8) | b;
    return value;
}

// The delay bytes that follow an action, if any: how many bytes its marker announces.
int delayLength(std::uint8_t marker) {
    switch (marker) {
        case element::delay8: return 1;
        case element::delay16: return 2;
        case element::delay24: return 3;
        default: return 0;
    }
}

_TMacroElement keyElement(std::uint8_t scanCode, bool press) {
    _TMacroElement e{};
    e.action.actionType = BUTTON_ACTION_KEYCODE;
    e.action.info.keycodeInfo.ulScanCode = scanCode;
    e.action.info.keycodeInfo.options = press ? KEYCODE_CLICK_OPTIONS_NONE : KEYCODE_OPTIONS_BREAK;
    return e;
}

_TMacroElement clickElement(int button, bool press) {
    _TMacroElement e{};
    e.action.actionType = BUTTON_ACTION_CLICK;
    e.action.info.clickInfo.mouseClick = static_cast<_TMouseClickType>(button);
    e.action.info.clickInfo.options = press ? KEYCODE_CLICK_OPTIONS_NONE : KEYCODE_OPTIONS_BREAK;
    return e;
}

}  // namespace

void EncodeMacroDelay(std::int32_t delayMs, std::vector<std::uint8_t>& out) {
    if (delayMs <= 0) return;
    const std::uint32_t delay = std::min<std::uint32_t>(static_cast<std::uint32_t>(delayMs), macroImage::maxDelay);
    if (delay >= 0x10000) {
        out.push_back(element::delay24);
        appendBigEndian(out, delay, 3);
    } else if (delay >= 0x100) {
        out.push_back(element::delay16);
        appendBigEndian(out, delay, 2);
    } else {
        out.push_back(element::delay8);
        appendBigEndian(out, delay, 1);
    }
}

HResult EncodeMacroImage(std::uint32_t fixedDelay, std::span<const _TMacroElement> elements,
                         std::vector<std::uint8_t>& image) {
    std::vector<std::uint8_t> out(macroImage::fixedDelay, 0);
    appendBigEndian(out, std::clamp(fixedDelay, macroImage::minFixedDelay, macroImage::maxDelay), 3);
    out.resize(macroImage::headerSize, 0);

    std::uint8_t buttonState = 0;
    for (const _TMacroElement& e : elements) {
        const _TActionInfo& action = e.action;
        if (action.actionType == BUTTON_ACTION_KEYCODE) {
            const bool press = action.info.keycodeInfo.options == 0;
            out.push_back(press ? element::keyPress : element::keyRelease);
            out.push_back(static_cast<std::uint8_t>(action.info.keycodeInfo.ulScanCode & 0xFF));
        } else if (action.actionType == BUTTON_ACTION_CLICK) {
            const auto button = static_cast<std::uint32_t>(action.info.clickInfo.mouseClick);
            if (button > MOUSE_CLICK_BUTTON5CLK) return hr::invalidArg;
            const std::uint8_t bit = static_cast<std::uint8_t>(1u << button);
            if (action.info.clickInfo.options == 0)
                buttonState |= bit;
            else
                buttonState &= static_cast<std::uint8_t>(~bit);
            out.push_back(element::click | buttonState);
        } else {
            return hr::fail;
        }
        EncodeMacroDelay(e.lDelayMs, out);
    }
    image = std::move(out);
    return hr::ok;
}

HResult DecodeMacroImage(std::span<const std::uint8_t> image, DecodedMacro& macro) {
    DecodedMacro result;
    result.params.options = MACRO_OPTIONS_USE_REPEAT_COUNT;
    result.params.type = MACRO_TYPE_KEYSTROKE;
    result.params.lRepeat = 1;
    if (image.size() >= macroImage::fixedDelay + 3)
        result.params.FixedDelay = readBigEndian(image.subspan(macroImage::fixedDelay, 3));

    HResult stop = hr::ok;
    std::uint8_t previousState = 0;
    std::size_t at = macroImage::headerSize;
    while (at < image.size()) {
        const std::uint8_t first = image[at];
        _TMacroElement decoded;
        std::size_t length = 1;
        if (first == element::keyPress || first == element::keyRelease) {
            if (at + 1 >= image.size()) {
                stop = hr::fail;
                break;
            }
            decoded = keyElement(image[at + 1], first == element::keyPress);
            length = 2;
        } else if (first & element::click) {
            const std::uint8_t changed = (first ^ previousState) & element::buttonBits;
            if (changed == 0) {
                stop = hr::fail;
                break;
            }
            int button = 0;
            while (!(changed & (1u << button))) ++button;
            decoded = clickElement(button, (first & (1u << button)) != 0);
            previousState = first & static_cast<std::uint8_t>(~element::click);
        } else {
            stop = hr::invalidArg;
            break;
        }
        if (at + length < image.size()) {
            const int delayBytes = delayLength(image[at + length]);
            if (delayBytes > 0) {
                if (at + length + 1 + delayBytes > image.size()) {
                    stop = hr::fail;
                    break;
                }
                decoded.lDelayMs = static_cast<std::int32_t>(
                    readBigEndian(image.subspan(at + length + 1, static_cast<std::size_t>(delayBytes))));
                length += 1 + static_cast<std::size_t>(delayBytes);
            }
        }
        result.elements.push_back(decoded);
        at += length;
    }
    if (hr::failed(stop) && result.elements.empty()) return stop;
    result.params.lNumElements = static_cast<std::int32_t>(result.elements.size());
    macro = std::move(result);
    return hr::ok;
}

HResult DecodeDirectoryPage(const DovaReport& page, std::vector<MacroDirectoryEntry>& entries, bool& morePages) {
    constexpr std::size_t entrySize = 4;  // index, size (high byte first), a byte the mouse keeps
    constexpr std::size_t fullPage = 80;
    const std::size_t bytes = page[DovaReport::param];
    if (bytes > fullPage || bytes % entrySize != 0) return hr::fail;
    for (std::size_t at = DovaReport::data; at < DovaReport::data + bytes; at += entrySize)
        entries.push_back({page[at], static_cast<std::uint16_t>((page[at + 1] << 8) | page[at + 2])});
    morePages = bytes == fullPage;
    return hr::ok;
}

}  // namespace tessel::device
