// A registry of keys and raw values in memory that counts every open and close.
#pragma once

#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "about/registry_port.h"

namespace kestrin::testing {

// UTF-16LE bytes of a string, as the registry stores them.
inline std::vector<std::uint8_t> Utf16Bytes(const std::u16string& text) {
    std::vector<std::uint8_t> bytes;
    for (char16_t unit : text) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return bytes;
}

class FakeRegistryPort : public RegistryPort {
public:
    struct Value {
        std::uint32_t type;
        std::vector<std::uint8_t> bytes;
    };

    void Set(const std::string& keyName, const std::string& valueName, std::uint32_t type,
             std::vector<std::uint8_t> bytes) {
        keys_[{RegistryRoot::LocalMachine, keyName}][valueName] = Value{type, std::move(bytes)};
    }
    void SetString(const std::string& keyName, const std::string& valueName, const std::u16string& text) {
        Set(keyName, valueName, kRegSz, Utf16Bytes(text + u'\0'));
    }
    void AddKey(const std::string& keyName) { keys_[{RegistryRoot::LocalMachine, keyName}]; }

    std::optional<RegistryKey> OpenKey(RegistryRoot root, const std::string& keyName) override {
        opened_.push_back(keyName);
        const auto found = keys_.find({root, keyName});
        if (found == keys_.end()) return std::nullopt;
        const RegistryKey handle = nextHandle_++;
        open_[handle] = &found->second;
        return handle;
    }

    RegistryValue QueryValue(RegistryKey key, const std::string& valueName, std::size_t capacity) override {
        RegistryValue result;
        const auto open = open_.find(key);
        if (open == open_.end()) {
            ++misuses_;
            return result;
        }
        const auto value = open->second->find(valueName);
        if (value == open->second->end()) return result;
        result.type = value->second.type;
        if (value->second.bytes.size() > capacity) {
            result.status = QueryStatus::TooLarge;
            return result;
        }
        result.status = QueryStatus::Read;
        result.bytes = value->second.bytes;
        return result;
    }

    void CloseKey(RegistryKey key) override {
        if (open_.erase(key) == 0) ++misuses_;
    }

    std::size_t KeysLeftOpen() const { return open_.size(); }
    int Misuses() const { return misuses_; }  // queries or closes of keys that are not open
    const std::vector<std::string>& Opened() const { return opened_; }

private:
    std::map<std::pair<RegistryRoot, std::string>, std::map<std::string, Value>> keys_;
    std::map<RegistryKey, std::map<std::string, Value>*> open_;
    std::vector<std::string> opened_;
    RegistryKey nextHandle_ = 0x100;
    int misuses_ = 0;
};

}  // namespace kestrin::testing
