// The program's own version numbers and file description, read from its version resource.
#pragma once

#include <windows.h>

#include <optional>

#include "about/version_info.h"

namespace kestrin {

// Nothing when the module carries no version resource.
std::optional<ModuleVersion> ReadModuleVersion(HMODULE module);

}  // namespace kestrin
