// The Run value of this copy, and how Windows' own switch for it is read and written.
#include "settings/start_with_windows.h"

#include <algorithm>
#include <cctype>

#include "settings/settings.h"
#include "text/case.h"

namespace kestrin {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string FileName(const std::string& path) { return path.substr(path.find_last_of('\\') + 1); }

bool EndsWithExe(const std::string& path) {
    return path.size() > 4 && SameIgnoringCase(path.substr(path.size() - 4), ".exe");
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
    std::vector<std::string> names = registry_.RunValueNames();
    if (std::find(names.begin(), names.end(), valueName_) == names.end()) names.push_back(valueName_);
    for (const std::string& name : names) {
        const bool own = name == valueName_;
        // "Kestrin", or "Kestrin " and a watcher's name: the values of this program's copies.
        if (own || name == "Kestrin" || name.rfind("Kestrin ", 0) == 0) RepairValue(name, own);
    }
}

void StartWithWindows::RepairValue(const std::string& name, bool own) {
    const std::optional<std::string> command = registry_.ReadRun(name);
    if (!command) return;
    const std::optional<Located> found = LocateProgram(*command);
    // A bare name is found on the search path at logon: nothing to repair there.
    if (!found || found->program.find('\\') == std::string::npos || SameIgnoringCase(found->program, programPath_) ||
        registry_.ProgramExists(found->program)) {
        return;
    }
    if (!own && !SameIgnoringCase(FileName(found->program), FileName(programPath_))) return;
    registry_.WriteRun(name, RunCommand(programPath_, command->substr(found->argumentsStart)));
}

std::optional<StartWithWindows::Located> StartWithWindows::LocateProgram(const std::string& command) {
    const std::size_t start = command.find_first_not_of(" \t");
    if (start == std::string::npos) return std::nullopt;
    if (command[start] == '"') return Located{ProgramOfCommand(command), ArgumentsStart(command)};
    // Unquoted: "C:\Program Files\Kestrin\kestrin.exe /service S" is tried as "C:\Program", then
    // "C:\Program Files\Kestrin\kestrin.exe", as Windows itself tries it.
    std::optional<Located> exe;
    for (std::size_t end = start; end <= command.size(); ++end) {
        if (end < command.size() && !IsBlank(command[end])) continue;
        if (end == start || IsBlank(command[end - 1])) continue;
        std::size_t next = end;
        while (next < command.size() && IsBlank(command[next])) ++next;
        const Located candidate{command.substr(start, end - start), next};
        if (registry_.ProgramExists(candidate.program)) return candidate;
        if (!exe && EndsWithExe(candidate.program)) exe = candidate;
    }
    return exe;
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
