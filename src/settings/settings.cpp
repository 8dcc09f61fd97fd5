// Maps the remembered values onto the text store.
#include "settings/settings.h"

namespace kestrin {

std::string Settings::ReadComputerName() { return store_.Read(kComputerNameKey).value_or(""); }

std::string Settings::ReadServiceName() { return store_.Read(kServiceNameKey).value_or(""); }

bool Settings::ReadMinimiseToTray() {
    // Anything but "True" (a hand-edited or damaged value) reads as a shown window.
    return store_.Read(kMinimiseToTrayKey).value_or("False") == "True";
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
