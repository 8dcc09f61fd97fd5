// The Run value of this copy, and how Windows' own switch for it is read and written.
#include "settings/start_with_windows.h"

#include <algorithm>
#include <cctype>

#include "settings/settings.h"

namespace kestrin {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
        return std::tolower(x) == std::tolower(y);
    });
}

// Where the arguments start: past the program and the blanks after it.
std::size_t ArgumentsStart(const std::string& command) {
    const std::size_t start = command.find_first_not_of(" \t");
    if (start == std::string::npos) return command.size();
    std::size_t end = command.size();
    if (command[start] == '"') {
        // A quoted program ends at the next quote; no escapes apply to it.
        const std::size_t close = command.find('"', start + 1);
        end = close == std::string::npos ? command.size() : close + 1;
    } else {
        end = start;
        while (end < command.size() && !IsBlank(command[end])) ++end;
    }
    while (end < command.size() && IsBlank(command[end])) ++end;
    return end;
}

}  // namespace

std::string ProgramOfCommand(const std::string& command) {
    const std::size_t start = command.find_first_not_of(" \t");
    if (start == std::string::npos) return {};
    std::string program = command.substr(start, ArgumentsStart(command) - start);
    while (!program.empty() && IsBlank(program.back())) program.pop_back();
    program.erase(std::remove(program.begin(), program.end(), '"'), program.end());
    return program;
}

std::string RunValueName(const std::optional<std::string>& serviceOption, const std::string& computerOption) {
    return serviceOption ? "Kestrin " + RegistryKeyName(WatcherName(*serviceOption, computerOption)) : "Kestrin";
}

std::string RunValueName(const std::vector<ServiceTarget>& targets) {
    return "Kestrin " + RegistryKeyName(WatcherSetName(targets));
}

std::string RunCommand(const std::string& programPath, const std::string& options) {
    return "\"" + programPath + "\"" + (options.empty() ? "" : " " + options);
}

bool StartupApproved(const std::optional<std::vector<std::uint8_t>>& approved) {
    // The low bit of the first byte is the switch: 02 and 06 on, 03 and 07 off.
    return !approved || approved->empty() || ((*approved)[0] & 1) == 0;
}

bool StartWithWindows::IsOn() {
    return registry_.ReadRun(valueName_) && StartupApproved(registry_.ReadApproved(valueName_));
}

void StartWithWindows::RepairMovedProgram() {
    const std::optional<std::string> command = registry_.ReadRun(valueName_);
    if (!command) return;
    const std::string program = ProgramOfCommand(*command);
    // A bare name is found on the search path at logon: nothing to repair there.
    if (program.find('\\') == std::string::npos || SameIgnoringCase(program, programPath_) ||
        registry_.ProgramExists(program)) {
        return;
    }
    const std::string options = command->substr(ArgumentsStart(*command));
    registry_.WriteRun(valueName_, RunCommand(programPath_, options));
}

std::uint32_t StartWithWindows::Toggle() {
    if (IsOn()) {
        const std::uint32_t error = registry_.DeleteRun(valueName_);
        if (error == 0) registry_.DeleteApproved(valueName_);
        return error;
    }
    if (const std::uint32_t error = registry_.WriteRun(valueName_, command_)) return error;
    // Enabled, as Settings writes it: 02 and eleven zero bytes (the time it was last switched off).
    std::vector<std::uint8_t> enabled(12, 0);
    enabled[0] = 2;
    return registry_.WriteApproved(valueName_, enabled);
}

}  // namespace kestrin
