// The program's own version numbers and file description, read from its version resource.
#include "about/win32/version_resource.h"

#include <cwchar>
#include <vector>

#include "win32/text.h"

namespace kestrin {
namespace {

std::wstring ModulePath(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return {};
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

}  // namespace

std::optional<ModuleVersion> ReadModuleVersion(HMODULE module) {
    const std::wstring path = ModulePath(module);
    if (path.empty()) return std::nullopt;
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return std::nullopt;
    std::vector<BYTE> block(size);
    if (!::GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return std::nullopt;

    void* fixed = nullptr;
    UINT fixedSize = 0;
    if (!::VerQueryValueW(block.data(), L"\\", &fixed, &fixedSize) || fixedSize < sizeof(VS_FIXEDFILEINFO)) {
        return std::nullopt;
    }
    const auto* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
    ModuleVersion version;
    version.numbers.major = HIWORD(info->dwFileVersionMS);
    version.numbers.minor = LOWORD(info->dwFileVersionMS);
    version.numbers.revision = LOWORD(info->dwFileVersionLS);

    void* text = nullptr;
    UINT textLength = 0;
    if (::VerQueryValueW(block.data(), L"\\StringFileInfo\\040904B0\\FileDescription", &text, &textLength) &&
        textLength > 0) {
        const auto* description = static_cast<const wchar_t*>(text);
        version.description = Narrow(description, ::wcsnlen(description, textLength));
    }
    return version;
}

}  // namespace kestrin
