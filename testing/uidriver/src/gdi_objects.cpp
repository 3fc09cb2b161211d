#include "uidriver/gdi_objects.h"

#include <windows.h>
#include <winternl.h>

#include <cstdint>
#include <vector>

namespace uidriver {
namespace {

struct Entry {
    std::uint64_t object;
    std::uint16_t process;
    std::uint16_t count;
    std::uint16_t unique;
    std::uint8_t type;
    std::uint8_t flags;
    std::uint64_t user;
};
static_assert(sizeof(Entry) == 24);
constexpr size_t kEntries = 0x10000;
constexpr size_t kGdiSharedHandleTable = 0xF8;  // offset in the 64-bit process environment block

bool readMemory(HANDLE process, std::uintptr_t address, void* to, size_t size) {
    SIZE_T read = 0;
    return ReadProcessMemory(process, reinterpret_cast<const void*>(address), to, size, &read) && read == size;
}

}  // namespace

int gdiObjectCount(HANDLE process) {
    if (const DWORD counted = GetGuiResources(process, GR_GDIOBJECTS)) return static_cast<int>(counted);
    using QueryProcess = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<QueryProcess>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic{};
    if (!query || query(process, ProcessBasicInformation, &basic, sizeof(basic), nullptr) != 0) return -1;
    std::uintptr_t table = 0;
    if (!readMemory(process, reinterpret_cast<std::uintptr_t>(basic.PebBaseAddress) + kGdiSharedHandleTable, &table,
                    sizeof(table)) ||
        !table)
        return -1;
    std::vector<Entry> entries(kEntries);
    if (!readMemory(process, table, entries.data(), entries.size() * sizeof(Entry))) return -1;
    // Entries of other processes carry their id; stock objects none.
    const auto owner = static_cast<std::uint16_t>(GetProcessId(process));
    int count = 0;
    for (const Entry& entry : entries) count += entry.type != 0 && (entry.process == owner || entry.process == 0);
    return count;
}

int gdiObjectCount() { return gdiObjectCount(GetCurrentProcess()); }

}  // namespace uidriver
