// Reads and writes the settings with the W registry functions, one key handle per call.
#include "settings/win32/registry_settings_store.h"

#include <windows.h>

#include <algorithm>
#include <limits>
#include <vector>

#include "win32/text.h"
#include "win32/unique_handle.h"

namespace kestrin {

RegistrySettingsStore::RegistrySettingsStore(std::string keyPath, bool machine)
    : keyPath_(Widen(keyPath)), machine_(machine) {}

std::optional<std::string> RegistrySettingsStore::Read(const std::string& key) {
    HKEY raw = nullptr;
    HKEY root = machine_ ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    if (::RegOpenKeyExW(root, keyPath_.c_str(), 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    const KeyHandle settingsKey(raw);
    const std::wstring name = Widen(key);

    // Ask for the size first and retry if the value grows between the two calls.
    std::vector<wchar_t> buffer;
    DWORD type = 0;
    DWORD bytes = 0;
    LSTATUS status = ::RegQueryValueExW(settingsKey.Get(), name.c_str(), nullptr, &type, nullptr, &bytes);
    for (int attempt = 0; status == ERROR_SUCCESS && attempt < 4; ++attempt) {
        if (type != REG_SZ) return std::nullopt;
        // Room for every byte, an odd count rounded up (a common size mistake of other writers),
        // and one spare character so the text is terminated even when the stored data is not.
        buffer.assign((bytes + 1) / sizeof(wchar_t) + 1, L'\0');
        DWORD capacity = static_cast<DWORD>((buffer.size() - 1) * sizeof(wchar_t));
        status = ::RegQueryValueExW(settingsKey.Get(), name.c_str(), nullptr, &type,
                                    reinterpret_cast<BYTE*>(buffer.data()), &capacity);
        if (status == ERROR_SUCCESS) {
            if (type != REG_SZ) return std::nullopt;
            // A trailing half character is dropped; the text ends at the first NUL, if any.
            const auto end = buffer.begin() + static_cast<std::ptrdiff_t>(capacity / sizeof(wchar_t));
            return Narrow(std::wstring(buffer.begin(), std::find(buffer.begin(), end, L'\0')));
        }
        if (status == ERROR_MORE_DATA) {
            bytes = capacity;
            status = ERROR_SUCCESS;
        }
    }
    return std::nullopt;
}

void RegistrySettingsStore::Write(const std::string& key, const std::string& value) {
    if (machine_) return;  // the machine's defaults belong to its administrator's install
    HKEY raw = nullptr;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, keyPath_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                          nullptr, &raw, nullptr) != ERROR_SUCCESS) {
        return;
    }
    const KeyHandle settingsKey(raw);
    const std::wstring text = Widen(value);
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);  // with its terminating NUL
    if (bytes > std::numeric_limits<DWORD>::max()) return;
    ::RegSetValueExW(settingsKey.Get(), Widen(key).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                     static_cast<DWORD>(bytes));
}

}  // namespace kestrin
