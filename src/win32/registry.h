// Registry values with the W functions, one key handle per call; failures answer the system's error
// code (0 when done) or nothing.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrin {

// The bytes of a value of `type`; nothing when the key or value is missing or of another type.
std::optional<std::vector<BYTE>> ReadRegistryBytes(HKEY root, const std::wstring& path, const std::wstring& name,
                                                   DWORD type);
// A REG_SZ value's text: a trailing half character is dropped, the text ends at its first NUL, if any.
std::optional<std::string> ReadRegistryText(HKEY root, const std::wstring& path, const std::wstring& name);
// The same for a REG_SZ value, or a REG_EXPAND_SZ one with its environment variables expanded.
std::optional<std::string> ReadRegistryExpandedText(HKEY root, const std::wstring& path, const std::wstring& name);

// The names of a key's values; none when the key is missing.
std::vector<std::string> ReadRegistryValueNames(HKEY root, const std::wstring& path);

// Creates the key when it is missing.
std::uint32_t WriteRegistryValue(HKEY root, const std::wstring& path, const std::wstring& name, DWORD type,
                                 const void* data, std::size_t bytes);
std::uint32_t WriteRegistryText(HKEY root, const std::wstring& path, const std::wstring& name,
                                const std::wstring& text, DWORD type = REG_SZ);
std::uint32_t DeleteRegistryValue(HKEY root, const std::wstring& path, const std::wstring& name);  // missing: done

}  // namespace kestrin
