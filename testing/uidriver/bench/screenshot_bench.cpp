// What screenshots cost a UI test: capture of the whole screen, PNG writing and reading, and a
// pixel count over the screen. scripts/run-benchmarks.sh runs it on a display of its own.
#include "uidriver/uidriver.h"

#include <chrono>
#include <cstdio>
#include <functional>

namespace {

void measure(const char* what, int rounds, const std::function<void()>& step) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < rounds; ++i) step();
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("%-40s %8.2f ms\n", what, ms / rounds);
}

}  // namespace

int main() {
    using namespace uidriver;
    const Picture screen = captureScreen();
    std::printf("screen %dx%d\n", screen.width(), screen.height());
    measure("captureScreen", 20, [] { captureScreen(); });
    measure("savePng (screen)", 10, [&] { savePng(screen, L"bench-screen"); });
    const auto file = savePng(screen, L"bench-screen");
    measure("loadPng (screen)", 10, [&] { loadPng(file); });
    measure("count (screen)", 20, [&] { (void)screen.count(0xFF00FF); });
    return 0;
}
