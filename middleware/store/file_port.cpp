#include "middleware/store/file_port.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

namespace tessel::store {
namespace fs = std::filesystem;
namespace {

// A name beside the target that no other writer in this or another process picks at once.
fs::path temporaryBeside(const fs::path& target) {
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const auto thread = std::hash<std::thread::id>{}(std::this_thread::get_id());
    fs::path name = target;
    name += u".tmp" +
            fs::path(std::to_string(stamp ^ thread) + "-" + std::to_string(counter.fetch_add(1)))
                .u16string();
    return name;
}

}  // namespace

HResult LocalFiles::read(const std::u16string& path, std::string& bytes, bool& exists) {
    bytes.clear();
    const fs::path file(path);
    std::error_code error;
    const fs::file_status status = fs::status(file, error);
    exists = fs::exists(status);
    if (!exists) return hr::ok;
    if (error || !fs::is_regular_file(status)) return hr::fail;
    std::ifstream in(file, std::ios::binary);
    if (!in) return hr::fail;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return in.bad() ? hr::fail : hr::ok;
}

HResult LocalFiles::replace(const std::u16string& path, std::string_view bytes) {
    const fs::path target(path);
    const fs::path temporary = temporaryBeside(target);
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) return hr::fail;
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            return hr::fail;
        }
    }
    std::error_code error;
    fs::rename(temporary, target, error);
    if (error) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        return hr::fail;
    }
    return hr::ok;
}

FilePort& localFiles() {
    static LocalFiles files;
    return files;
}

}  // namespace tessel::store
