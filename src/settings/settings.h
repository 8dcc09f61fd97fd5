// The three remembered values, their keys, defaults and text forms.
#pragma once

#include <optional>
#include <string>

#include "settings/settings_store.h"

namespace kestrin {

inline constexpr const char* kComputerNameKey = "Computer Name";
inline constexpr const char* kServiceNameKey = "Service Name";
inline constexpr const char* kMinimiseToTrayKey = "Minimise to Tray";
inline constexpr const char* kNotificationsKey = "Notifications";  // read only: set by hand or by policy
inline constexpr const char* kRestartMinutesKey = "Restart Minutes";  // read only, as "Notifications"
inline constexpr int kDefaultRestartMinutes = 10;
inline constexpr int kMinRestartMinutes = 1;
inline constexpr int kMaxRestartMinutes = 60;

// The countdown's length from its text, on the command line or stored: a whole number from 1 to 60.
std::optional<int> ParseRestartMinutes(const std::string& text);

// A computer name as it is shown and keyed: without the leading backslashes it may be given with.
std::string BareComputerName(const std::string& computerName);

// Below HKEY_CURRENT_USER: the key of a copy started without a service of its own.
inline constexpr const char* kSettingsKeyPath = "Software\\Kestrin\\Settings";
// Below HKEY_LOCAL_MACHINE: the defaults an install set for every user ("Service Name",
// "Computer Name", "Restart Minutes"), read only.
inline constexpr const char* kMachineDefaultsKeyPath = "Software\\Kestrin\\Defaults";

// "<service>@<computer>": a copy's name among several, the computer without leading backslashes.
std::string WatcherName(const std::string& serviceName, const std::string& computerName);

// Where a copy keeps its values: a copy given its service on the command line has a key of its own,
// so it never touches the names that a copy started without one stores.
std::string SettingsKeyPath(const std::optional<std::string>& serviceOption, const std::string& computerOption);

class Settings {
public:
    explicit Settings(SettingsStore& store) : store_(store) {}

    std::string ReadComputerName();   // "" when absent
    std::string ReadServiceName();    // "" when absent
    bool ReadMinimiseToTray();        // true only for the exact text "True"
    bool ReadNotifications();         // false only for the exact text "False"
    std::optional<int> ReadRestartMinutes();  // a whole number from 1 to 60, or nothing

    // The names are always written together, computer first.
    void WriteNames(const std::string& computerName, const std::string& serviceName);
    void WriteMinimiseToTray(bool minimiseToTray);

private:
    SettingsStore& store_;
};

}  // namespace kestrin
