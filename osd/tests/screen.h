// What is on the screen, read back through GDI, and saved as BMP files for people to look at.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace osd::testing {

struct ScreenImage {
    RECT area{};
    std::vector<COLORREF> pixels; // row by row, top-down

    int width() const { return area.right - area.left; }
    int height() const { return area.bottom - area.top; }
    // Colour at screen coordinates (x, y) within the area.
    COLORREF at(int x, int y) const;
    int count(COLORREF colour) const;
    // Screen points of every pixel of this colour.
    std::vector<POINT> find(COLORREF colour) const;
    // Writes a 24-bit BMP; returns false when the file cannot be written.
    bool save(const std::wstring& path) const;
};

ScreenImage captureScreen(const RECT& area);
ScreenImage captureScreen(); // the whole screen

} // namespace osd::testing
