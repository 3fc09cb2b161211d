// Whole-file replacement, pinned on every adapter so the in-memory files behave as the real
// ones do: either the old or the new file, never a mix, and nothing left beside it.
#include "formats/file_system.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#ifdef _WIN32
#include <windows.h>

#include "formats/win32_file_system.h"
#endif

namespace tessel::formats {
namespace {

// A file system with a writable folder and a way to hold a file open as another program would.
struct Files {
    virtual ~Files() = default;
    virtual FileSystem& system() = 0;
    virtual std::u16string folder() = 0;
    virtual void hold(const std::u16string& path) = 0;
    virtual void release() = 0;
};

struct InMemory final : Files {
    InMemory() { files.makeFolder(u"C:\\Data"); }
    FileSystem& system() override { return files; }
    std::u16string folder() override { return u"C:\\Data"; }
    void hold(const std::u16string& path) override { held = path, files.hold(path); }
    void release() override { files.release(held); }
    MemoryFiles files;
    std::u16string held;
};

#ifdef _WIN32
struct OnDisk final : Files {
    OnDisk() {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        path = reinterpret_cast<const char16_t*>(temp);
        path += u"formats_test_" + std::u16string(1, u'a' + GetCurrentProcessId() % 26);
        CreateDirectoryW(reinterpret_cast<const wchar_t*>(path.c_str()), nullptr);
    }
    ~OnDisk() override {
        release();
        for (const auto& name : files.list(path)) files.remove(path + u"\\" + name);
        RemoveDirectoryW(reinterpret_cast<const wchar_t*>(path.c_str()));
    }
    FileSystem& system() override { return files; }
    std::u16string folder() override { return path; }
    void hold(const std::u16string& file) override {
        handle = CreateFileW(reinterpret_cast<const wchar_t*>(file.c_str()), GENERIC_READ,
                             FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    }
    void release() override {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
        handle = INVALID_HANDLE_VALUE;
    }
    Win32Files files;
    std::u16string path;
    HANDLE handle = INVALID_HANDLE_VALUE;
};
#endif

class FileSystemTest : public ::testing::TestWithParam<std::function<std::unique_ptr<Files>()>> {
protected:
    void SetUp() override { files_ = GetParam()(); }
    FileSystem& fs() { return files_->system(); }
    std::u16string path(std::u16string_view name) {
        return files_->folder() + u"\\" + std::u16string(name);
    }
    std::string content(std::u16string_view name) {
        std::string bytes;
        return fs().read(path(name), bytes) ? bytes : "<missing>";
    }
    std::unique_ptr<Files> files_;
};

TEST_P(FileSystemTest, ReplacesWholeAndLeavesNothingBeside) {
    EXPECT_EQ(content(u"a.kxp"), "<missing>");
    ASSERT_TRUE(fs().replace(path(u"a.kxp"), std::string(1000, 'o')));
    ASSERT_TRUE(fs().replace(path(u"a.kxp"), "new"));
    EXPECT_EQ(content(u"a.kxp"), "new") << "no old tail";
    ASSERT_TRUE(fs().replace(path(u"b.kxm"), std::string("\0\x01", 2)));
    auto names = fs().list(files_->folder());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::u16string>{u"a.kxp", u"b.kxm"})) << "no temporary file";
    EXPECT_TRUE(fs().remove(path(u"b.kxm")));
    EXPECT_TRUE(fs().remove(path(u"b.kxm"))) << "removing a missing file succeeds";
    EXPECT_EQ(content(u"b.kxm"), "<missing>");
}

TEST_P(FileSystemTest, AFailedReplaceKeepsTheOldFile) {
    ASSERT_TRUE(fs().replace(path(u"a.dat"), "old"));
    files_->hold(path(u"a.dat"));
    EXPECT_FALSE(fs().replace(path(u"a.dat"), "new"));
    files_->release();
    EXPECT_EQ(content(u"a.dat"), "old");
    EXPECT_EQ(fs().list(files_->folder()), std::vector<std::u16string>{u"a.dat"});
    EXPECT_FALSE(fs().replace(path(u"missing\\a.dat"), "new")) << "no such folder";
}

INSTANTIATE_TEST_SUITE_P(Memory, FileSystemTest,
                         ::testing::Values([] { return std::unique_ptr<Files>(new InMemory); }));

#ifdef _WIN32
INSTANTIATE_TEST_SUITE_P(Win32, FileSystemTest,
                         ::testing::Values([] { return std::unique_ptr<Files>(new OnDisk); }));
#endif

}  // namespace
}  // namespace tessel::formats
