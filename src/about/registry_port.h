// The registry as the About window's look-up sees it: opaque key handles and raw value bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrin {

// The predefined roots a look-up may start from.
enum class RegistryRoot { LocalMachine, CurrentUser };

using RegistryKey = std::uintptr_t;  // an open key; meaningful only to the port that opened it

// Value types the look-up tells apart (the registry's own numbers).
inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegDword = 4;

enum class QueryStatus {
    Read,       // the data fitted into the buffer
    TooLarge,   // the data needs more bytes than the buffer holds; nothing was read
    Failed,     // no such value, or it cannot be read
};

struct RegistryValue {
    QueryStatus status = QueryStatus::Failed;
    std::uint32_t type = 0;
    std::vector<std::uint8_t> bytes;  // exactly the bytes written (strings are UTF-16LE)
};

class RegistryPort {
public:
    virtual ~RegistryPort() = default;
    // Opens `keyName` below `root` for reading values only; nothing when it is missing or refused.
    virtual std::optional<RegistryKey> OpenKey(RegistryRoot root, const std::string& keyName) = 0;
    // Reads the value `valueName` into a zeroed buffer of `capacity` bytes.
    virtual RegistryValue QueryValue(RegistryKey key, const std::string& valueName, std::size_t capacity) = 0;
    virtual void CloseKey(RegistryKey key) = 0;
};

}  // namespace kestrin
