// lhc.exe run as the tray runs it: copied into an installation folder of its own beside a stand-in
// for the tray, started from another current directory that holds a decoy of the same name.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "lhc/restart.h"

namespace {

std::wstring g_desktop;

// A desktop of the test's own, inherited by the programs it starts: the prefix's default
// desktop belongs to whichever display started the wineserver.
class DesktopEnvironment final : public ::testing::Environment {
public:
    void SetUp() override {
        g_desktop = L"lhc-test-" + std::to_wstring(GetCurrentProcessId());
        desktop_ = CreateDesktopW(g_desktop.c_str(), nullptr, nullptr, 0, GENERIC_ALL, nullptr);
        ASSERT_NE(desktop_, nullptr) << GetLastError();
        ASSERT_TRUE(SetThreadDesktop(desktop_)) << GetLastError();
    }

private:
    HDESK desktop_ = nullptr;
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new DesktopEnvironment);

std::wstring buildFolder() {
    wchar_t path[MAX_PATH * 2];
    const std::wstring self(path, GetModuleFileNameW(nullptr, path, MAX_PATH * 2));
    return self.substr(0, self.find_last_of(L'\\'));
}

// A fresh folder under the temporary folder, removed with its files afterwards.
class Folder {
public:
    explicit Folder(const std::wstring& role) {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        path_ = std::wstring(temp) + L"lhc-test-" + std::to_wstring(GetCurrentProcessId()) + L"-" + role;
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~Folder() {
        WIN32_FIND_DATAW found;
        const HANDLE search = FindFirstFileW((path_ + L"\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                DeleteFileW((path_ + L"\\" + found.cFileName).c_str());
            } while (FindNextFileW(search, &found));
            FindClose(search);
        }
        RemoveDirectoryW(path_.c_str());
    }
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }
    const std::wstring& path() const { return path_; }

private:
    std::wstring path_;
};

// The folder the tray is installed in: lhc.exe and the stand-in as KavixTesselTray.exe.
void install(const Folder& folder) {
    ASSERT_TRUE(CopyFileW((buildFolder() + L"\\lhc.exe").c_str(), (folder / L"lhc.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW((buildFolder() + L"\\lhc_tray_stand_in.exe").c_str(),
                          (folder / L"KavixTesselTray.exe").c_str(), FALSE));
}

HANDLE start(const std::wstring& program, const std::wstring& arguments, const std::wstring& directory) {
    std::wstring commandLine = L'"' + program + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.lpDesktop = const_cast<wchar_t*>(g_desktop.c_str());
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        directory.c_str(), &startup, &process)) {
        ADD_FAILURE() << "cannot start " << testing::PrintToString(program) << ": " << GetLastError();
        return nullptr;
    }
    CloseHandle(process.hThread);
    return process.hProcess;
}

// Starts the stand-in as the running tray and waits for its window.
HANDLE startOldTray(const Folder& folder, DWORD holdMs) {
    const HANDLE tray = start(folder / L"KavixTesselTray.exe", L"--hold " + std::to_wstring(holdMs), folder.path());
    for (int i = 0; i < 500 && FindWindowW(lhc::kTrayWindowClass, nullptr) == nullptr; ++i) {
        Sleep(10);
    }
    EXPECT_NE(FindWindowW(lhc::kTrayWindowClass, nullptr), nullptr);
    return tray;
}

// What the restarted stand-in wrote: arguments, own path, current directory, whether a tray
// window still existed, creation time. Empty when it has not been started within 5 s.
std::vector<std::wstring> startedRecord(const Folder& folder) {
    const std::wstring file = folder / L"started.txt";
    for (int i = 0; i < 500 && GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) {
        Sleep(10);
    }
    Sleep(100); // written in one go; let it close
    const HANDLE handle = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return {};
    }
    char bytes[4096];
    DWORD read = 0;
    ReadFile(handle, bytes, sizeof bytes, &read, nullptr);
    CloseHandle(handle);
    std::wstring text(read, L'\0');
    text.resize(static_cast<std::size_t>(MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(read),
                                                             text.data(), static_cast<int>(text.size()))));
    std::vector<std::wstring> fields;
    for (std::size_t begin = 0, end; (end = text.find(L'\n', begin)) != std::wstring::npos; begin = end + 1) {
        fields.push_back(text.substr(begin, end - begin));
    }
    return fields;
}

unsigned long long exitTime(HANDLE process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    GetProcessTimes(process, &created, &exited, &kernel, &user);
    return (static_cast<unsigned long long>(exited.dwHighDateTime) << 32) | exited.dwLowDateTime;
}

bool samePath(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), -1, b.c_str(), -1, TRUE) == CSTR_EQUAL;
}

// Runs lhc from the installation folder with the tray's parameter text, from `directory`;
// returns its exit code and how long it ran.
std::pair<DWORD, DWORD> runLhc(const Folder& installation, const std::wstring& directory) {
    const DWORD begin = GetTickCount();
    const HANDLE lhcProcess = start(installation / L"lhc.exe", L"KavixTesselTray.exe /r", directory);
    if (lhcProcess == nullptr) {
        return {~0u, 0};
    }
    EXPECT_EQ(WaitForSingleObject(lhcProcess, 30000), WAIT_OBJECT_0);
    DWORD code = ~0u;
    GetExitCodeProcess(lhcProcess, &code);
    CloseHandle(lhcProcess);
    return {code, GetTickCount() - begin};
}

TEST(Lhc, StartsTheTrayFromItsOwnFolderOnceTheOldOneHasEnded) {
    Folder installation(L"install");
    Folder elsewhere(L"elsewhere");
    install(installation);
    // A planted program of the tray's name in the current directory must never run.
    install(elsewhere);

    const HANDLE oldTray = startOldTray(installation, 1500);
    ASSERT_NE(oldTray, nullptr);
    const auto [code, ms] = runLhc(installation, elsewhere.path());
    EXPECT_EQ(code, 0u);

    const std::vector<std::wstring> record = startedRecord(installation);
    ASSERT_EQ(record.size(), 5u);
    EXPECT_EQ(record[0], L"/r");
    EXPECT_TRUE(samePath(record[1], installation / L"KavixTesselTray.exe")) << record[1];
    EXPECT_TRUE(samePath(record[2], installation.path())) << record[2];
    EXPECT_EQ(record[3], L"0") << "the old tray's window was gone";
    ASSERT_EQ(WaitForSingleObject(oldTray, 0), WAIT_OBJECT_0);
    EXPECT_GE(std::stoull(record[4]), exitTime(oldTray)) << "started after the old tray ended";
    CloseHandle(oldTray);
    EXPECT_EQ(GetFileAttributesW((elsewhere / L"started.txt").c_str()), INVALID_FILE_ATTRIBUTES);

    // With no tray running it starts the new one at once.
    DeleteFileW((installation / L"started.txt").c_str());
    const auto [again, quickMs] = runLhc(installation, elsewhere.path());
    EXPECT_EQ(again, 0u);
    EXPECT_LT(quickMs, 3000u);
    EXPECT_EQ(startedRecord(installation).size(), 5u);
}

TEST(Lhc, StopsWaitingForAHungTrayAfterItsBound) {
    Folder installation(L"hung");
    install(installation);
    const HANDLE hungTray = startOldTray(installation, 120000);
    ASSERT_NE(hungTray, nullptr);
    const auto [code, ms] = runLhc(installation, installation.path());
    EXPECT_EQ(code, 0u);
    EXPECT_GE(ms, lhc::kWaitForTrayMs - 500);
    EXPECT_LT(ms, lhc::kWaitForTrayMs + 5000);
    const std::vector<std::wstring> record = startedRecord(installation);
    ASSERT_EQ(record.size(), 5u);
    EXPECT_EQ(record[3], L"1");
    TerminateProcess(hungTray, 0);
    WaitForSingleObject(hungTray, 5000);
    CloseHandle(hungTray);
}

TEST(LhcRequest, TakesAPlainFileNameAndPassesItsArgumentsOn) {
    struct Case {
        const wchar_t* commandLine;
        bool accepted;
        const wchar_t* program;
        const wchar_t* arguments;
    };
    const Case cases[] = {
        {L"KavixTesselTray.exe /r", true, L"KavixTesselTray.exe", L"/r"},
        {L"  \"Kavix Tessel Tray.exe\"   /r 2", true, L"Kavix Tessel Tray.exe", L"/r 2"},
        {L"", true, L"KavixTesselTray.exe", L"/r"},
        {L"KavixTesselTray.exe", true, L"KavixTesselTray.exe", L""},
        {L"..\\KavixTesselTray.exe /r", false, L"", L""},
        {L"C:\\Windows\\notepad.exe", false, L"", L""},
        {L"D:KavixTesselTray.exe", false, L"", L""},
        {L"sub/KavixTesselTray.exe", false, L"", L""},
        {L"\\\\server\\share\\KavixTesselTray.exe", false, L"", L""},
        {L"\"KavixTesselTray.exe /r", false, L"", L""},
        {L"..", false, L"", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.commandLine)));
        const auto request = lhc::parseRestartRequest(c.commandLine);
        ASSERT_EQ(request.has_value(), c.accepted);
        if (request) {
            EXPECT_EQ(request->program, c.program);
            EXPECT_EQ(request->arguments, c.arguments);
        }
    }
}

} // namespace
