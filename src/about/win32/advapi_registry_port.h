// The registry port over advapi32: read-only opens and one bounded RegQueryValueExW.
#pragma once

#include "about/registry_port.h"

namespace kestrin {

class AdvapiRegistryPort : public RegistryPort {
public:
    std::optional<RegistryKey> OpenKey(RegistryRoot root, const std::string& keyName) override;
    RegistryValue QueryValue(RegistryKey key, const std::string& valueName, std::size_t capacity) override;
    void CloseKey(RegistryKey key) override;
};

}  // namespace kestrin
