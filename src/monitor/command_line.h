// Reading the process command line.
#pragma once

#include <string>

namespace kestrin {

// The argument part of a full command line: everything after the program's own path.
std::string CommandLineArguments(const std::string& commandLine);

// Whether the arguments contain "reset" anywhere, in any case (so -RESET and /Preset count).
bool ContainsReset(const std::string& arguments);

// The arguments Windows should start the program with again after a crash: never `reset`.
std::string RestartArguments(const std::string& arguments);

}  // namespace kestrin
