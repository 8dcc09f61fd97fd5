// The settings store as a map in memory with a log of every write.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "settings/settings_store.h"

namespace kestrin {

class FakeSettingsStore : public SettingsStore {
public:
    std::map<std::string, std::string> values;
    std::vector<std::pair<std::string, std::string>> writes;  // (key, value) in the order written
    // The store does not exist yet: reads find nothing; the first write creates it, as the registry does.
    bool missing = false;
    bool failWrites = false;  // writes are logged but change nothing

    std::optional<std::string> Read(const std::string& key) override {
        if (missing) return std::nullopt;
        const auto found = values.find(key);
        if (found == values.end()) return std::nullopt;
        return found->second;
    }

    void Write(const std::string& key, const std::string& value) override {
        writes.emplace_back(key, value);
        if (failWrites) return;
        if (missing) {
            missing = false;
            values.clear();
        }
        values[key] = value;
    }
};

}  // namespace kestrin
