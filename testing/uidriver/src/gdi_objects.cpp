#include "uidriver/gdi_objects.h"

#include <windows.h>
#include <winternl.h>

#include <cstdint>

namespace uidriver {

int gdiObjectCount() {
    if (const DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS)) return static_cast<int>(counted);
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
    const auto* peb = reinterpret_cast<const std::uint8_t*>(NtCurrentTeb()->ProcessEnvironmentBlock);
    const auto* table = *reinterpret_cast<const Entry* const*>(peb + 0xF8);  // GdiSharedHandleTable
    if (!table) return -1;
    // Entries of other processes carry their id; stock objects none.
    const auto self = static_cast<std::uint16_t>(GetCurrentProcessId());
    int count = 0;
    for (int i = 0; i < 0x10000; ++i) count += table[i].type != 0 && (table[i].process == self || table[i].process == 0);
    return count;
}

}  // namespace uidriver
