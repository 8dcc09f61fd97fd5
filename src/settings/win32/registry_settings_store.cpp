// Reads and writes the settings with the W registry functions, one key handle per call.
#include "settings/win32/registry_settings_store.h"

#include "win32/registry.h"
#include "win32/text.h"

namespace kestrin {

RegistrySettingsStore::RegistrySettingsStore(std::string keyPath, bool machine)
    : keyPath_(Widen(keyPath)), machine_(machine) {}

std::optional<std::string> RegistrySettingsStore::Read(const std::string& key) {
    return ReadRegistryText(machine_ ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER, keyPath_, Widen(key));
}

void RegistrySettingsStore::Write(const std::string& key, const std::string& value) {
    if (machine_) return;  // the machine's defaults belong to its administrator's install
    WriteRegistryText(HKEY_CURRENT_USER, keyPath_, Widen(key), Widen(value));
}

}  // namespace kestrin
