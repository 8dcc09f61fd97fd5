// Reads size first and retries when a value grows between the calls; writes with the NUL.
#include "win32/registry.h"

#include <algorithm>
#include <limits>

#include "win32/text.h"
#include "win32/unique_handle.h"

namespace kestrin {

std::optional<std::vector<BYTE>> ReadRegistryBytes(HKEY root, const std::wstring& path, const std::wstring& name,
                                                   DWORD type) {
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS) return std::nullopt;
    const KeyHandle key(raw);
    DWORD found = 0;
    DWORD bytes = 0;
    LSTATUS status = ::RegQueryValueExW(key.Get(), name.c_str(), nullptr, &found, nullptr, &bytes);
    std::vector<BYTE> data;
    for (int attempt = 0; status == ERROR_SUCCESS && attempt < 4; ++attempt) {
        if (found != type) return std::nullopt;
        data.assign(bytes, 0);
        status = ::RegQueryValueExW(key.Get(), name.c_str(), nullptr, &found, data.data(), &bytes);
        if (status == ERROR_SUCCESS) {
            if (found != type) return std::nullopt;
            data.resize(bytes);
            return data;
        }
        if (status == ERROR_MORE_DATA) status = ERROR_SUCCESS;  // it grew: `bytes` holds its new size
    }
    return std::nullopt;
}

namespace {

std::wstring TextOf(const std::vector<BYTE>& data) {
    // Whole characters only (an odd count is a common size mistake of other writers), up to a NUL.
    std::wstring text(data.size() / sizeof(wchar_t), L'\0');
    std::copy_n(data.begin(), text.size() * sizeof(wchar_t), reinterpret_cast<BYTE*>(text.data()));
    text.erase(std::find(text.begin(), text.end(), L'\0'), text.end());
    return text;
}

}  // namespace

std::optional<std::string> ReadRegistryText(HKEY root, const std::wstring& path, const std::wstring& name) {
    const std::optional<std::vector<BYTE>> data = ReadRegistryBytes(root, path, name, REG_SZ);
    if (!data) return std::nullopt;
    return Narrow(TextOf(*data));
}

std::optional<std::string> ReadRegistryExpandedText(HKEY root, const std::wstring& path, const std::wstring& name) {
    if (std::optional<std::string> text = ReadRegistryText(root, path, name)) return text;
    const std::optional<std::vector<BYTE>> data = ReadRegistryBytes(root, path, name, REG_EXPAND_SZ);
    if (!data) return std::nullopt;
    const std::wstring text = TextOf(*data);
    const DWORD size = ::ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    if (size == 0) return Narrow(text);
    std::wstring expanded(size, L'\0');
    const DWORD written = ::ExpandEnvironmentStringsW(text.c_str(), expanded.data(), size);
    if (written == 0 || written > size) return Narrow(text);
    expanded.resize(written - 1);  // the count includes the NUL
    return Narrow(expanded);
}

std::vector<std::string> ReadRegistryValueNames(HKEY root, const std::wstring& path) {
    std::vector<std::string> names;
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS) return names;
    const KeyHandle key(raw);
    // A value name has at most 16,383 characters.
    std::wstring name(16384, L'\0');
    for (DWORD index = 0;; ++index) {
        DWORD length = static_cast<DWORD>(name.size());
        const LSTATUS status = ::RegEnumValueW(key.Get(), index, name.data(), &length, nullptr, nullptr, nullptr, nullptr);
        if (status != ERROR_SUCCESS) break;  // ERROR_NO_MORE_ITEMS at the end
        names.push_back(Narrow(name.data(), length));
    }
    return names;
}

std::uint32_t WriteRegistryValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
                                 const void* data, std::size_t bytes) {
    if (bytes > std::numeric_limits<DWORD>::max()) return ERROR_INVALID_DATA;
    HKEY raw = nullptr;
    const LSTATUS status = ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                                             nullptr, &raw, nullptr);
    if (status != ERROR_SUCCESS) return static_cast<std::uint32_t>(status);
    const KeyHandle key(raw);
    return static_cast<std::uint32_t>(::RegSetValueExW(key.Get(), name.c_str(), 0, type,
                                                       static_cast<const BYTE*>(data), static_cast<DWORD>(bytes)));
}

std::uint32_t WriteRegistryText(HKEY root, const std::wstring& path, const std::wstring& name,
                                const std::wstring& text, DWORD type) {
    return WriteRegistryValue(root, path, name, type, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}

std::uint32_t DeleteRegistryValue(HKEY root, const std::wstring& path, const std::wstring& name) {
    HKEY raw = nullptr;
    LSTATUS status = ::RegOpenKeyExW(root, path.c_str(), 0, KEY_SET_VALUE, &raw);
    if (status == ERROR_SUCCESS) {
        const KeyHandle key(raw);
        status = ::RegDeleteValueW(key.Get(), name.c_str());
    }
    return status == ERROR_FILE_NOT_FOUND ? 0 : static_cast<std::uint32_t>(status);
}

}  // namespace kestrin
