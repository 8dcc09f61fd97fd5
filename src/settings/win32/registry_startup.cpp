// One key handle per call, as the settings store does; every failure answers its error code.
#include "settings/win32/registry_startup.h"

#include <windows.h>

#include "win32/text.h"
#include "win32/unique_handle.h"

namespace kestrin {
namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kApprovedKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";

std::optional<std::vector<BYTE>> ReadValue(const wchar_t* keyPath, const std::string& name, DWORD wantedType) {
    HKEY raw = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, keyPath, 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS) return std::nullopt;
    const KeyHandle key(raw);
    const std::wstring valueName = Widen(name);
    DWORD type = 0;
    DWORD bytes = 0;
    if (::RegQueryValueExW(key.Get(), valueName.c_str(), nullptr, &type, nullptr, &bytes) != ERROR_SUCCESS ||
        type != wantedType || bytes > 64 * 1024) {
        return std::nullopt;
    }
    std::vector<BYTE> data(bytes + sizeof(wchar_t), 0);  // room for a NUL the writer left out
    if (::RegQueryValueExW(key.Get(), valueName.c_str(), nullptr, &type, data.data(), &bytes) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    data.resize(bytes);
    return data;
}

std::uint32_t WriteValue(const wchar_t* keyPath, const std::string& name, DWORD type, const BYTE* data, DWORD bytes) {
    HKEY raw = nullptr;
    LSTATUS status = ::RegCreateKeyExW(HKEY_CURRENT_USER, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE,
                                       nullptr, &raw, nullptr);
    if (status != ERROR_SUCCESS) return static_cast<std::uint32_t>(status);
    const KeyHandle key(raw);
    return static_cast<std::uint32_t>(::RegSetValueExW(key.Get(), Widen(name).c_str(), 0, type, data, bytes));
}

std::uint32_t DeleteValue(const wchar_t* keyPath, const std::string& name) {
    HKEY raw = nullptr;
    LSTATUS status = ::RegOpenKeyExW(HKEY_CURRENT_USER, keyPath, 0, KEY_SET_VALUE, &raw);
    if (status == ERROR_SUCCESS) {
        const KeyHandle key(raw);
        status = ::RegDeleteValueW(key.Get(), Widen(name).c_str());
    }
    return status == ERROR_FILE_NOT_FOUND ? 0 : static_cast<std::uint32_t>(status);
}

}  // namespace

std::optional<std::string> RegistryStartup::ReadRun(const std::string& name) {
    const auto data = ReadValue(kRunKey, name, REG_SZ);
    if (!data) return std::nullopt;
    std::wstring text(reinterpret_cast<const wchar_t*>(data->data()), data->size() / sizeof(wchar_t));
    text.resize(text.find(L'\0') == std::wstring::npos ? text.size() : text.find(L'\0'));
    return Narrow(text);
}

std::optional<std::vector<std::uint8_t>> RegistryStartup::ReadApproved(const std::string& name) {
    const auto data = ReadValue(kApprovedKey, name, REG_BINARY);
    if (!data) return std::nullopt;
    return std::vector<std::uint8_t>(data->begin(), data->end());
}

std::uint32_t RegistryStartup::WriteRun(const std::string& name, const std::string& command) {
    const std::wstring text = Widen(command);
    return WriteValue(kRunKey, name, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                      static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

std::uint32_t RegistryStartup::WriteApproved(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    return WriteValue(kApprovedKey, name, REG_BINARY, bytes.data(), static_cast<DWORD>(bytes.size()));
}

std::uint32_t RegistryStartup::DeleteRun(const std::string& name) { return DeleteValue(kRunKey, name); }

std::uint32_t RegistryStartup::DeleteApproved(const std::string& name) { return DeleteValue(kApprovedKey, name); }

std::string ProgramPath() {
    // Long paths: grow the buffer until the whole path fits.
    std::wstring path(MAX_PATH, L'\0');
    while (true) {
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) return Narrow(path.data(), length);
        path.resize(path.size() * 2);
    }
}

}  // namespace kestrin
