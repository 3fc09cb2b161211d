#include "tools/tesselctl/record_bridge.h"

#include <bit>
#include <cstring>

namespace tessel::ctl {

static_assert(sizeof(records::_TActionInfo) == sizeof(_TActionInfo));
static_assert(sizeof(records::_TMacroElement) == sizeof(_TMacroElement));

store::ButtonMapping fromLibrary(const _TButtonMappingInfo& mapping) {
    store::ButtonMapping result;
    result.button = mapping.lButton;
    result.mappingType = mapping.mappingType;
    std::memcpy(&result.action, &mapping.actionOrMacro.actionInfo, sizeof result.action);
    return result;
}

_TButtonMappingInfo toLibrary(const store::ButtonMapping& mapping) {
    _TButtonMappingInfo result{};
    result.lButton = static_cast<_TButtonDefinitionType>(mapping.button);
    result.mappingType = static_cast<_TButtonMappingType>(mapping.mappingType);
    std::memcpy(&result.actionOrMacro.actionInfo, &mapping.action, sizeof mapping.action);
    return result;
}

records::_TMacroElement fromLibrary(const _TMacroElement& element) {
    return std::bit_cast<records::_TMacroElement>(element);
}

_TMacroElement toLibrary(const records::_TMacroElement& element) { return std::bit_cast<_TMacroElement>(element); }

}  // namespace tessel::ctl
