// Screenshots: capture, PNG files as test artefacts, and pixel checks.
#pragma once

#include "uidriver/failure.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string_view>
#include <vector>

namespace uidriver {

// Colours are 0xRRGGBB.
inline constexpr uint32_t rgb(uint8_t r, uint8_t g, uint8_t b) { return (uint32_t(r) << 16) | (uint32_t(g) << 8) | b; }

class Picture {
public:
    Picture(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    uint32_t pixel(int x, int y) const;
    void setPixel(int x, int y, uint32_t colour);

    // Pixels of exactly this colour inside `area` (clipped to the picture; the whole picture
    // when omitted).
    size_t count(uint32_t colour, std::optional<RECT> area = std::nullopt) const;
    // Pixels that differ from `other`, which must have the same size.
    size_t countDifferent(const Picture& other) const;

    // Rows top-down, each pixel 0x00RRGGBB: the memory layout of a 32-bit top-down DIB.
    const uint32_t* data() const { return pixels_.data(); }
    uint32_t* data() { return pixels_.data(); }

private:
    int width_;
    int height_;
    std::vector<uint32_t> pixels_;
};

// What is on the screen, as a user sees it (other windows on top included).
Picture captureScreen();
Picture captureWindow(HWND window);  // the window's rectangle of the screen

// Where screenshots go: the TESSEL_ARTEFACTS directory, else "artefacts" beside the executable.
std::filesystem::path artefactDirectory();
// Writes <artefactDirectory()>/<name>.png (or to `name` itself when it is a path ending in .png)
// and returns the path.
std::filesystem::path savePng(const Picture& picture, std::wstring_view name);
Picture loadPng(const std::filesystem::path& file);

}  // namespace uidriver
