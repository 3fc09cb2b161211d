#pragma once
// The type library's records and the ones the readable forms work on (the settings store's
// values) hold the same bytes; the server's layout test pins both to one layout.
#include "middleware/api/ServerLib.h"
#include "middleware/store/store_values.h"

namespace tessel::ctl {

// A mapping of the mouse: types 2 and 3 carry a macro id and a key code, never a name.
store::ButtonMapping fromLibrary(const _TButtonMappingInfo& mapping);
_TButtonMappingInfo toLibrary(const store::ButtonMapping& mapping);

records::_TMacroElement fromLibrary(const _TMacroElement& element);
_TMacroElement toLibrary(const records::_TMacroElement& element);

}  // namespace tessel::ctl
