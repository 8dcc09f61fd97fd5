// The per-user settings store as the program sees it: text values by key in the program's own section.
#pragma once

#include <optional>
#include <string>

namespace kestrin {

class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    // The stored text, or nothing when the key (or the whole store) is missing or unreadable.
    virtual std::optional<std::string> Read(const std::string& key) = 0;
    // Creates or replaces the value; a store that cannot be written stays silent.
    virtual void Write(const std::string& key, const std::string& value) = 0;
};

}  // namespace kestrin
