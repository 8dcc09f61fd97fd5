// The two keys as Settings and Task Manager keep them; every failure answers its error code.
#include "settings/win32/registry_startup.h"

#include <windows.h>

#include "win32/registry.h"
#include "win32/text.h"

namespace kestrin {
namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kApprovedKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";

}  // namespace

std::optional<std::string> RegistryStartup::ReadRun(const std::string& name) {
    return ReadRegistryExpandedText(HKEY_CURRENT_USER, kRunKey, Widen(name));
}

std::optional<std::vector<std::uint8_t>> RegistryStartup::ReadApproved(const std::string& name) {
    return ReadRegistryBytes(HKEY_CURRENT_USER, kApprovedKey, Widen(name), REG_BINARY);
}

std::uint32_t RegistryStartup::WriteRun(const std::string& name, const std::string& command) {
    return WriteRegistryText(HKEY_CURRENT_USER, kRunKey, Widen(name), Widen(command));
}

std::uint32_t RegistryStartup::WriteApproved(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    return WriteRegistryValue(HKEY_CURRENT_USER, kApprovedKey, Widen(name), REG_BINARY, bytes.data(), bytes.size());
}

std::uint32_t RegistryStartup::DeleteRun(const std::string& name) {
    return DeleteRegistryValue(HKEY_CURRENT_USER, kRunKey, Widen(name));
}

std::uint32_t RegistryStartup::DeleteApproved(const std::string& name) {
    return DeleteRegistryValue(HKEY_CURRENT_USER, kApprovedKey, Widen(name));
}

std::vector<std::string> RegistryStartup::RunValueNames() { return ReadRegistryValueNames(HKEY_CURRENT_USER, kRunKey); }

bool RegistryStartup::ProgramExists(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

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
