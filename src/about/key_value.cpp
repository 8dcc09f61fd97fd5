// GetKeyValue over the registry port: open read-only, one bounded query, close on every path.
#include "about/key_value.h"

#include <cstdint>

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

void AppendUtf8(std::string& out, std::uint32_t codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

// The registry stores strings as UTF-16LE; a lone surrogate becomes U+FFFD.
std::string Utf16LeToUtf8(const std::vector<std::uint8_t>& bytes, std::size_t units) {
    auto unitAt = [&bytes](std::size_t i) {
        return static_cast<std::uint32_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    };
    std::string text;
    text.reserve(units);
    for (std::size_t i = 0; i < units; ++i) {
        const std::uint32_t unit = unitAt(i);
        if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < units) {
            const std::uint32_t low = unitAt(i + 1);
            if (low >= 0xDC00 && low < 0xE000) {
                AppendUtf8(text, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        AppendUtf8(text, unit >= 0xD800 && unit < 0xE000 ? 0xFFFD : unit);
    }
    return text;
}

// The text of a string value: whole UTF-16 units, without a NUL in the last one.
std::string StringText(const std::vector<std::uint8_t>& bytes) {
    std::size_t units = bytes.size() / 2;  // an odd last byte is no whole unit
    if (units > 0 && bytes[2 * units - 2] == 0 && bytes[2 * units - 1] == 0) --units;
    return Utf16LeToUtf8(bytes, units);
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
