#include "osd/tests/screen.h"

#include "osd/top_down_dib.h"

#include <algorithm>
#include <cstdio>
#include <cstdint>

namespace osd::testing {

COLORREF ScreenImage::at(int x, int y) const {
    return pixels[static_cast<std::size_t>(y - area.top) * width() + (x - area.left)];
}

int ScreenImage::count(COLORREF colour) const {
    return static_cast<int>(std::count(pixels.begin(), pixels.end(), colour));
}

std::vector<POINT> ScreenImage::find(COLORREF colour) const {
    std::vector<POINT> points;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            if (at(x, y) == colour) {
                points.push_back({x, y});
            }
        }
    }
    return points;
}

bool ScreenImage::save(const std::wstring& path) const {
    const int w = width();
    const int h = height();
    const int stride = (w * 3 + 3) & ~3;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(stride) * h;
    info.biSize = sizeof info;
    info.biWidth = w;
    info.biHeight = h; // bottom-up
    info.biPlanes = 1;
    info.biBitCount = 24;
    FILE* out = _wfopen(path.c_str(), L"wb");
    if (out == nullptr) {
        return false;
    }
    fwrite(&file, sizeof file, 1, out);
    fwrite(&info, sizeof info, 1, out);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(stride));
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            const COLORREF c = pixels[static_cast<std::size_t>(y) * w + x];
            row[x * 3] = GetBValue(c);
            row[x * 3 + 1] = GetGValue(c);
            row[x * 3 + 2] = GetRValue(c);
        }
        fwrite(row.data(), row.size(), 1, out);
    }
    return fclose(out) == 0;
}

ScreenImage captureScreen(const RECT& area) {
    ScreenImage image;
    image.area = area;
    const int w = image.width();
    const int h = image.height();
    const HDC screen = GetDC(nullptr);
    const HDC memory = CreateCompatibleDC(screen);
    void* bits = nullptr;
    const HBITMAP bitmap = createTopDownDib(screen, w, h, &bits);
    const HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, screen, area.left, area.top, SRCCOPY);
    GdiFlush();
    const auto* raw = static_cast<const DWORD*>(bits);
    image.pixels.resize(static_cast<std::size_t>(w) * h);
    for (std::size_t i = 0; i < image.pixels.size(); ++i) {
        const DWORD p = raw[i];
        image.pixels[i] = RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return image;
}

ScreenImage captureScreen() {
    return captureScreen({0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
}

} // namespace osd::testing
