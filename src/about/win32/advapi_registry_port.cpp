// The registry port over advapi32: read-only opens and one bounded RegQueryValueExW.
#include "about/win32/advapi_registry_port.h"

#include <windows.h>

#include "win32/text.h"

namespace kestrin {
namespace {

HKEY RootKey(RegistryRoot root) {
    return root == RegistryRoot::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

HKEY ToHkey(RegistryKey key) { return reinterpret_cast<HKEY>(key); }

}  // namespace

std::optional<RegistryKey> AdvapiRegistryPort::OpenKey(RegistryRoot root, const std::string& keyName) {
    HKEY key = nullptr;
    // Query rights only: a user who may read the key but not change it must still find the tool.
    if (::RegOpenKeyExW(RootKey(root), Widen(keyName).c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return reinterpret_cast<RegistryKey>(key);
}

RegistryValue AdvapiRegistryPort::QueryValue(RegistryKey key, const std::string& valueName, std::size_t capacity) {
    RegistryValue value;
    value.bytes.assign(capacity, 0);
    DWORD type = 0;
    DWORD size = static_cast<DWORD>(capacity);
    const LSTATUS status =
        ::RegQueryValueExW(ToHkey(key), Widen(valueName).c_str(), nullptr, &type, value.bytes.data(), &size);
    value.type = type;
    if (status == ERROR_MORE_DATA) {
        value.status = QueryStatus::TooLarge;
        value.bytes.clear();
    } else if (status != ERROR_SUCCESS || size > capacity) {
        value.status = QueryStatus::Failed;
        value.bytes.clear();
    } else {
        value.status = QueryStatus::Read;
        value.bytes.resize(size);
    }
    return value;
}

void AdvapiRegistryPort::CloseKey(RegistryKey key) { ::RegCloseKey(ToHkey(key)); }

}  // namespace kestrin
