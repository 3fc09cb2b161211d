#include "uidriver/picture.h"

#include "uidriver/find.h"

#include <objidl.h>
#include <gdiplus.h>

#include <algorithm>
#include <memory>

namespace uidriver {

Picture::Picture(int width, int height)
    : width_(width), height_(height), pixels_(size_t(std::max(width, 0)) * size_t(std::max(height, 0))) {
    if (width <= 0 || height <= 0)
        throw Failure("a picture of " + std::to_string(width) + "x" + std::to_string(height) + " pixels");
}

uint32_t Picture::pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        throw Failure("pixel (" + std::to_string(x) + "," + std::to_string(y) + ") outside a picture of " +
                      std::to_string(width_) + "x" + std::to_string(height_));
    return pixels_[size_t(y) * width_ + x];
}

void Picture::setPixel(int x, int y, uint32_t colour) {
    pixel(x, y);  // bounds check
    pixels_[size_t(y) * width_ + x] = colour & 0xFFFFFF;
}

size_t Picture::count(uint32_t colour, std::optional<RECT> area) const {
    RECT r = area.value_or(RECT{0, 0, width_, height_});
    r.left = std::max<LONG>(r.left, 0), r.top = std::max<LONG>(r.top, 0);
    r.right = std::min<LONG>(r.right, width_), r.bottom = std::min<LONG>(r.bottom, height_);
    size_t n = 0;
    for (LONG y = r.top; y < r.bottom; ++y)
        for (LONG x = r.left; x < r.right; ++x) n += pixels_[size_t(y) * width_ + x] == (colour & 0xFFFFFF);
    return n;
}

size_t Picture::countDifferent(const Picture& other) const {
    if (other.width_ != width_ || other.height_ != height_)
        throw Failure("comparing a picture of " + std::to_string(width_) + "x" + std::to_string(height_) + " with one of " +
                      std::to_string(other.width_) + "x" + std::to_string(other.height_));
    size_t n = 0;
    for (size_t i = 0; i < pixels_.size(); ++i) n += pixels_[i] != other.pixels_[i];
    return n;
}

namespace {

Picture captureRect(const RECT& r) {
    Picture picture(r.right - r.left, r.bottom - r.top);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = picture.width();
    info.bmiHeader.biHeight = -picture.height();  // top-down, as Picture keeps its rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool copied = false;
    if (bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        copied = BitBlt(memory, 0, 0, picture.width(), picture.height(), screen, r.left, r.top, SRCCOPY | CAPTUREBLT);
        GdiFlush();
        if (copied) {
            const auto* source = static_cast<const uint32_t*>(bits);
            std::transform(source, source + size_t(picture.width()) * picture.height(), picture.data(),
                           [](uint32_t p) { return p & 0xFFFFFF; });
        }
        SelectObject(memory, old);
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    if (!copied) throw Failure("cannot copy the screen (error " + std::to_string(GetLastError()) + ")");
    return picture;
}

// GDI+ stays up for the life of the process: pictures may be saved from any test at any time.
void startGdiPlus() {
    static const bool started = [] {
        Gdiplus::GdiplusStartupInput input;
        ULONG_PTR token = 0;
        return Gdiplus::GdiplusStartup(&token, &input, nullptr) == Gdiplus::Ok;
    }();
    if (!started) throw Failure("GDI+ did not start");
}

CLSID pngEncoder() {
    UINT count = 0, size = 0;
    Gdiplus::GetImageEncodersSize(&count, &size);
    std::vector<BYTE> buffer(size);
    auto* codecs = reinterpret_cast<Gdiplus::ImageCodecInfo*>(buffer.data());
    if (size && Gdiplus::GetImageEncoders(count, size, codecs) == Gdiplus::Ok) {
        for (UINT i = 0; i < count; ++i)
            if (codecs[i].MimeType && std::wstring_view(codecs[i].MimeType) == L"image/png") return codecs[i].Clsid;
    }
    throw Failure("GDI+ has no PNG encoder");
}

}  // namespace

Picture captureScreen() {
    return captureRect({GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                        GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                        GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)});
}

Picture captureWindow(HWND window) {
    RECT r{};
    if (!IsWindow(window) || !GetWindowRect(window, &r)) throw Failure(L"cannot capture " + describe(window));
    return captureRect(r);
}

std::filesystem::path artefactDirectory() {
    if (DWORD n = GetEnvironmentVariableW(L"TESSEL_ARTEFACTS", nullptr, 0)) {
        std::wstring dir(n, L'\0');
        dir.resize(GetEnvironmentVariableW(L"TESSEL_ARTEFACTS", dir.data(), n));
        return dir;
    }
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    return std::filesystem::path(exe).parent_path() / L"artefacts";
}

std::filesystem::path savePng(const Picture& picture, std::wstring_view name) {
    startGdiPlus();
    std::filesystem::path file(name);
    if (file.extension() != L".png") file = artefactDirectory() / (std::wstring(name) + L".png");
    std::error_code ignored;
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ignored);
    // 32bppRGB has exactly Picture's layout (B, G, R, unused): no conversion.
    Gdiplus::Bitmap bitmap(picture.width(), picture.height(), picture.width() * 4, PixelFormat32bppRGB,
                           reinterpret_cast<BYTE*>(const_cast<uint32_t*>(picture.data())));
    const CLSID encoder = pngEncoder();
    if (bitmap.Save(file.c_str(), &encoder, nullptr) != Gdiplus::Ok) throw Failure(L"cannot write " + file.wstring());
    return file.make_preferred();
}

Picture loadPng(const std::filesystem::path& file) {
    startGdiPlus();
    Gdiplus::Bitmap bitmap(file.c_str());
    if (bitmap.GetLastStatus() != Gdiplus::Ok || bitmap.GetWidth() == 0) throw Failure(L"cannot read " + file.wstring());
    Picture picture(int(bitmap.GetWidth()), int(bitmap.GetHeight()));
    Gdiplus::Rect all(0, 0, picture.width(), picture.height());
    Gdiplus::BitmapData data{};
    data.Width = picture.width();
    data.Height = picture.height();
    data.Stride = picture.width() * 4;
    data.PixelFormat = PixelFormat32bppRGB;
    data.Scan0 = picture.data();
    if (bitmap.LockBits(&all, Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf, PixelFormat32bppRGB,
                        &data) != Gdiplus::Ok)
        throw Failure(L"cannot read the pixels of " + file.wstring());
    bitmap.UnlockBits(&data);
    for (int i = 0; i < picture.width() * picture.height(); ++i) picture.data()[i] &= 0xFFFFFF;
    return picture;
}

}  // namespace uidriver
