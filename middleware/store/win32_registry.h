#pragma once
// The registry port over advapi32 (Windows build only).
#include "middleware/store/registry_port.h"

namespace tessel::store {

class Win32Registry final : public RegistryPort {
public:
    std::unique_ptr<RegistryKey> openRoot(RegistryRoot root) override;
};

}  // namespace tessel::store
