// The three remembered values, their keys, defaults and text forms.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "settings/settings_store.h"

namespace kestrin {

inline constexpr const char* kComputerNameKey = "Computer Name";
inline constexpr const char* kServiceNameKey = "Service Name";
inline constexpr const char* kMinimiseToTrayKey = "Minimise to Tray";
inline constexpr const char* kNotificationsKey = "Notifications";  // read only: set by hand or by policy
inline constexpr const char* kRestartMinutesKey = "Restart Minutes";  // read only, as "Notifications"
inline constexpr const char* kRestartDelayKey = "Restart Delay";      // read only
inline constexpr const char* kRestartRetriesKey = "Restart Retries";  // read only
inline constexpr int kDefaultRestartMinutes = 10;
inline constexpr int kMinRestartMinutes = 1;
inline constexpr int kMaxRestartMinutes = 60;
inline constexpr int kMaxRestartDelaySeconds = 3600;
inline constexpr int kMinRestartRetries = 1;
inline constexpr int kMaxRestartRetries = 100;

// A whole number from `min` to `max` in plain decimal digits (no sign, no spaces), or nothing.
std::optional<int> ParseWholeNumber(const std::string& text, int min, int max);
// The countdown's length from its text, on the command line or stored: a whole number from 1 to 60.
std::optional<int> ParseRestartMinutes(const std::string& text);
std::optional<int> ParseRestartDelay(const std::string& text);    // seconds, 0 to 3600
std::optional<int> ParseRestartRetries(const std::string& text);  // 1 to 100

// A computer name as it is shown and keyed: without the leading backslashes it may be given with.
std::string BareComputerName(const std::string& computerName);

// Below HKEY_CURRENT_USER: the key of a copy started without a service of its own.
inline constexpr const char* kSettingsKeyPath = "Software\\Kestrin\\Settings";
// Below HKEY_LOCAL_MACHINE: the defaults an install set for every user ("Service Name",
// "Computer Name", "Restart Minutes"), read only.
inline constexpr const char* kMachineDefaultsKeyPath = "Software\\Kestrin\\Defaults";

// One watched service: its computer ("" for this one) and its key name.
struct ServiceTarget {
    std::string computerName;
    std::string serviceName;
};

// "<service>@<computer>": a copy's name among several, the computer without leading backslashes.
std::string WatcherName(const std::string& serviceName, const std::string& computerName);

// A watcher's identity: its name upper-cased, so \\SERVER1 and server1, Spooler and SPOOLER are one.
std::string WatcherKey(const ServiceTarget& target);

// The name of a copy that watches several services: their names, upper-cased, sorted and joined
// with "/" (which no service name holds), so the same set in any order is the same copy.
std::string WatcherSetName(const std::vector<ServiceTarget>& targets);

// The 64-bit FNV-1a hash of a name upper-cased: the same for the same name in any case.
std::uint64_t NameHash(const std::string& name);

// A name as a registry key may carry it: a key name has at most 255 UTF-16 units, so a longer one
// keeps its first 238, then "~" and the 16 hex digits of the FNV-1a hash of the whole name upper-cased.
std::string RegistryKeyName(const std::string& name);
inline constexpr std::size_t kMaxKeyNameLength = 255;

// Where a copy keeps its values: a copy given its service on the command line has a key of its own,
// so it never touches the names that a copy started without one stores.
std::string SettingsKeyPath(const std::optional<std::string>& serviceOption, const std::string& computerOption);
// The key of a copy that watches several services, named after its set.
std::string WatcherSetKeyPath(const std::vector<ServiceTarget>& targets);

class Settings {
public:
    explicit Settings(SettingsStore& store) : store_(store) {}

    std::string ReadComputerName();   // "" when absent
    std::string ReadServiceName();    // "" when absent
    bool ReadMinimiseToTray();        // true only for the exact text "True"
    bool ReadNotifications();         // false only for the exact text "False"
    std::optional<int> ReadRestartMinutes();  // a whole number from 1 to 60, or nothing
    std::optional<int> ReadRestartDelay();    // 0 to 3600 seconds, or nothing
    std::optional<int> ReadRestartRetries();  // 1 to 100, or nothing

    // The names are always written together, computer first.
    void WriteNames(const std::string& computerName, const std::string& serviceName);
    void WriteMinimiseToTray(bool minimiseToTray);

private:
    SettingsStore& store_;
};

}  // namespace kestrin
