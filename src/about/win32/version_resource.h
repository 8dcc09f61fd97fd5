// The program's own version numbers and file description, read from its version resource.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "about/about_texts.h"

namespace kestrin {

struct ModuleVersion {
    VersionNumbers numbers;    // major, minor and the fourth field
    std::string description;  // FileDescription of the "040904B0" string table; empty when missing
};

// Nothing when the module carries no version resource.
std::optional<ModuleVersion> ReadModuleVersion(HMODULE module);

}  // namespace kestrin
