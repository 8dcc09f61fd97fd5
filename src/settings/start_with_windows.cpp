// The Run value of this copy, and how Windows' own switch for it is read and written.
#include "settings/start_with_windows.h"

#include <algorithm>
#include <cctype>

#include "settings/settings.h"

namespace kestrin {
namespace {

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](unsigned char x, unsigned char y) {
        return std::tolower(x) == std::tolower(y);
    });
}

}  // namespace

std::string RunValueName(const std::optional<std::string>& serviceOption, const std::string& computerOption) {
    return serviceOption ? "Kestrin " + WatcherName(*serviceOption, computerOption) : "Kestrin";
}

std::string RunCommand(const std::string& programPath, const std::string& options) {
    return "\"" + programPath + "\"" + (options.empty() ? "" : " " + options);
}

bool StartupApproved(const std::optional<std::vector<std::uint8_t>>& approved) {
    // The low bit of the first byte is the switch: 02 and 06 on, 03 and 07 off.
    return !approved || approved->empty() || ((*approved)[0] & 1) == 0;
}

bool StartWithWindows::IsOn() {
    const std::optional<std::string> command = registry_.ReadRun(valueName_);
    // A value of another copy of the program (another path) is not this copy's.
    return command && SameIgnoringCase(*command, command_) && StartupApproved(registry_.ReadApproved(valueName_));
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
