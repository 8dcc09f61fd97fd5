// Finds the argument part of a command line the way the Windows start-up code splits off argv[0].
#include "monitor/command_line.h"

#include <algorithm>
#include <cctype>

namespace kestrin {

std::string CommandLineArguments(const std::string& commandLine) {
    std::size_t i = 0;
    if (!commandLine.empty() && commandLine[0] == '"') {
        // A quoted program path ends at the next quote; no escapes apply to it.
        const std::size_t close = commandLine.find('"', 1);
        i = close == std::string::npos ? commandLine.size() : close + 1;
    } else {
        while (i < commandLine.size() && commandLine[i] != ' ' && commandLine[i] != '\t') ++i;
    }
    while (i < commandLine.size() && (commandLine[i] == ' ' || commandLine[i] == '\t')) ++i;
    return commandLine.substr(i);
}

bool ContainsReset(const std::string& arguments) {
    std::string lower(arguments);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower.find("reset") != std::string::npos;
}

}  // namespace kestrin

namespace kestrin {

std::string RestartArguments(const std::string& arguments) {
    // Nothing but `reset` is read from the command line, so dropping all of it loses nothing.
    return ContainsReset(arguments) ? std::string() : arguments;
}

}  // namespace kestrin
