// The three remembered values, their keys, defaults and text forms.
#pragma once

#include <string>

#include "settings/settings_store.h"

namespace kestrin {

inline constexpr const char* kComputerNameKey = "Computer Name";
inline constexpr const char* kServiceNameKey = "Service Name";
inline constexpr const char* kMinimiseToTrayKey = "Minimise to Tray";
inline constexpr const char* kNotificationsKey = "Notifications";  // read only: set by hand or by policy

class Settings {
public:
    explicit Settings(SettingsStore& store) : store_(store) {}

    std::string ReadComputerName();   // "" when absent
    std::string ReadServiceName();    // "" when absent
    bool ReadMinimiseToTray();        // true only for the exact text "True"
    bool ReadNotifications();         // false only for the exact text "False"

    // The names are always written together, computer first.
    void WriteNames(const std::string& computerName, const std::string& serviceName);
    void WriteMinimiseToTray(bool minimiseToTray);

private:
    SettingsStore& store_;
};

}  // namespace kestrin
