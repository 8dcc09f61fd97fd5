// Reads the version resource straight from the loaded module: no version.dll in the import table.
#include "about/win32/version_resource.h"

namespace kestrin {

std::optional<ModuleVersion> ReadModuleVersion(HMODULE module) {
    if (!module) module = ::GetModuleHandleW(nullptr);
    HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(VS_VERSION_INFO), RT_VERSION);
    if (!found) return std::nullopt;
    HGLOBAL loaded = ::LoadResource(module, found);
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;  // module memory: nothing to free
    return ParseVersionInfo(static_cast<const std::uint8_t*>(bytes), ::SizeofResource(module, found));
}

}  // namespace kestrin
