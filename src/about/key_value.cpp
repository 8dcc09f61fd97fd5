// GetKeyValue over the registry port: open read-only, one bounded query, close on every path.
#include "about/key_value.h"

#include <cstdint>

#include "text/utf.h"

namespace kestrin {
namespace {

// Closes the key when the look-up leaves, whichever way it leaves.
class KeyCloser {
public:
    KeyCloser(RegistryPort& registry, RegistryKey key) : registry_(registry), key_(key) {}
    KeyCloser(const KeyCloser&) = delete;
    KeyCloser& operator=(const KeyCloser&) = delete;
    ~KeyCloser() { registry_.CloseKey(key_); }

private:
    RegistryPort& registry_;
    RegistryKey key_;
};

// The text of a string value: whole UTF-16 units, without a NUL in the last one.
std::string StringText(const std::vector<std::uint8_t>& bytes) {
    std::size_t units = bytes.size() / 2;  // an odd last byte is no whole unit
    if (units > 0 && bytes[2 * units - 2] == 0 && bytes[2 * units - 1] == 0) --units;
    return Utf16LeToUtf8(bytes.data(), units);
}

// A REG_DWORD is stored little-endian; data of another length counts by its first four bytes.
std::string DwordText(const std::vector<std::uint8_t>& bytes) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < bytes.size() && i < 4; ++i) value |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
    return std::to_string(value);
}

}  // namespace

bool GetKeyValue(RegistryPort& registry, RegistryRoot keyRoot, const std::string& keyName,
                 const std::string& subKeyRef, std::string& keyVal) {
    const std::optional<RegistryKey> key = registry.OpenKey(keyRoot, keyName);
    if (!key) {
        keyVal.clear();
        return false;
    }
    KeyCloser closer(registry, *key);

    const RegistryValue value = registry.QueryValue(*key, subKeyRef, kKeyValueCapacity);
    if (value.status != QueryStatus::Read) {
        keyVal.clear();
        return false;
    }
    if (value.bytes.empty()) {
        keyVal.clear();
    } else if (value.type == kRegSz) {
        keyVal = StringText(value.bytes);
    } else if (value.type == kRegDword) {
        keyVal = DwordText(value.bytes);
    }
    return true;
}

}  // namespace kestrin
