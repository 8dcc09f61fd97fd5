// Maps the remembered values onto the text store.
#include "settings/settings.h"

namespace kestrin {

std::optional<int> ParseRestartMinutes(const std::string& text) {
    if (text.empty() || text.size() > 2 || text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const int minutes = std::stoi(text);
    if (minutes < kMinRestartMinutes || minutes > kMaxRestartMinutes) return std::nullopt;
    return minutes;
}

std::string BareComputerName(const std::string& computerName) {
    const std::size_t start = computerName.find_first_not_of('\\');
    return start == std::string::npos ? std::string() : computerName.substr(start);
}

std::string WatcherName(const std::string& serviceName, const std::string& computerName) {
    return serviceName + "@" + BareComputerName(computerName);
}

std::string SettingsKeyPath(const std::optional<std::string>& serviceOption, const std::string& computerOption) {
    if (!serviceOption) return kSettingsKeyPath;
    return std::string("Software\\Kestrin\\Watchers\\") + WatcherName(*serviceOption, computerOption);
}

std::string Settings::ReadComputerName() { return store_.Read(kComputerNameKey).value_or(""); }

std::string Settings::ReadServiceName() { return store_.Read(kServiceNameKey).value_or(""); }

bool Settings::ReadMinimiseToTray() {
    // Anything but "True" (a hand-edited or damaged value) reads as a shown window.
    return store_.Read(kMinimiseToTrayKey).value_or("False") == "True";
}

std::optional<int> Settings::ReadRestartMinutes() {
    const std::optional<std::string> text = store_.Read(kRestartMinutesKey);
    return text ? ParseRestartMinutes(*text) : std::nullopt;
}

bool Settings::ReadNotifications() { return store_.Read(kNotificationsKey).value_or("True") != "False"; }

void Settings::WriteNames(const std::string& computerName, const std::string& serviceName) {
    store_.Write(kComputerNameKey, computerName);
    store_.Write(kServiceNameKey, serviceName);
}

void Settings::WriteMinimiseToTray(bool minimiseToTray) {
    store_.Write(kMinimiseToTrayKey, minimiseToTray ? "True" : "False");
}

}  // namespace kestrin
