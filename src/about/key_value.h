// GetKeyValue: reads one registry value as text for the system information look-up.
#pragma once

#include <cstddef>
#include <string>

#include "about/registry_port.h"

namespace kestrin {

// Values longer than this many bytes are not read at all.
inline constexpr std::size_t kKeyValueCapacity = 1024;

// Reads `subKeyRef` of the key `keyName` below `keyRoot` and returns true when the value was found.
// A string becomes its text without a final NUL, a REG_DWORD its unsigned decimal value, empty data
// the empty text; a value of any other type leaves `keyVal` as it was. On false `keyVal` is empty.
// Every key that is opened is closed again.
bool GetKeyValue(RegistryPort& registry, RegistryRoot keyRoot, const std::string& keyName,
                 const std::string& subKeyRef, std::string& keyVal);

}  // namespace kestrin
