// The program's version numbers and file description, read from the bytes of its version resource
// (VS_VERSIONINFO) without version.dll, which Windows does not protect from planting.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "about/about_texts.h"

namespace kestrin {

struct ModuleVersion {
    VersionNumbers numbers;    // major, minor and the fourth field
    std::string description;  // FileDescription of the "040904B0" string table; empty when missing
};

// Nothing when the bytes hold no well-formed VS_VERSIONINFO with its fixed file information.
std::optional<ModuleVersion> ParseVersionInfo(const std::uint8_t* data, std::size_t size);

}  // namespace kestrin
