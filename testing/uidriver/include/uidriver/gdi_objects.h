// How many GDI objects a process holds, for tests that prove a loop frees what it makes.
#pragma once

#include <windows.h>

namespace uidriver {

// GetGuiResources where the system answers it. Wine answers 0: there the count comes from the
// process's GDI handle table (which its process environment block points to, as on Windows),
// read from the process's memory and counting its entries. `process` needs
// PROCESS_QUERY_INFORMATION and PROCESS_VM_READ. -1 when neither is available.
int gdiObjectCount(HANDLE process);
// The calling process's.
int gdiObjectCount();

}  // namespace uidriver
