// The settings store as REG_SZ values under one key of HKEY_CURRENT_USER (or, read only, of
// HKEY_LOCAL_MACHINE for the machine's defaults).
#pragma once

#include <optional>
#include <string>

#include "settings/settings.h"
#include "settings/settings_store.h"

namespace kestrin {

class RegistrySettingsStore final : public SettingsStore {
public:
    // `keyPath` is relative to HKEY_CURRENT_USER; tests pass a key of their own.
    explicit RegistrySettingsStore(std::string keyPath = kSettingsKeyPath, bool machine = false);

    std::optional<std::string> Read(const std::string& key) override;
    void Write(const std::string& key, const std::string& value) override;

private:
    std::wstring keyPath_;
    bool machine_;  // HKEY_LOCAL_MACHINE, never written
};

}  // namespace kestrin
