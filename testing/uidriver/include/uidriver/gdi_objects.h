// How many GDI objects the calling process holds, for tests that prove a loop frees what it makes.
#pragma once

namespace uidriver {

// GetGuiResources where the system answers it. Wine answers 0: there the count comes from the
// system's GDI handle table (which the process environment block points to, as on Windows),
// counting this process's entries. -1 when neither is available.
int gdiObjectCount();

}  // namespace uidriver
