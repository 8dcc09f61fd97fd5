// Maps the remembered values onto the text store.
#include "settings/settings.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "text/case.h"
#include "text/utf.h"

namespace kestrin {

std::optional<int> ParseWholeNumber(const std::string& text, int min, int max) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const int number = std::stoi(text);
    if (number < min || number > max) return std::nullopt;
    return number;
}

std::optional<int> ParseRestartMinutes(const std::string& text) {
    // Two digits at most, as before: "005" was never a number of minutes.
    if (text.size() > 2) return std::nullopt;
    return ParseWholeNumber(text, kMinRestartMinutes, kMaxRestartMinutes);
}

std::optional<int> ParseRestartDelay(const std::string& text) { return ParseWholeNumber(text, 0, kMaxRestartDelaySeconds); }

std::optional<int> ParseRestartRetries(const std::string& text) {
    return ParseWholeNumber(text, kMinRestartRetries, kMaxRestartRetries);
}

std::string BareComputerName(const std::string& computerName) {
    const std::size_t start = computerName.find_first_not_of('\\');
    return start == std::string::npos ? std::string() : computerName.substr(start);
}

std::string WatcherName(const std::string& serviceName, const std::string& computerName) {
    return serviceName + "@" + BareComputerName(computerName);
}

std::uint64_t NameHash(const std::string& name) {
    std::uint64_t hash = 0xCBF29CE484222325u;
    for (const char c : ToUpperAscii(name)) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001B3u;
    }
    return hash;
}

std::string RegistryKeyName(const std::string& name) {
    if (Utf16Length(name) <= kMaxKeyNameLength) return name;
    // Two names that differ only past the cut, or only in case, still get keys of their own and the
    // same key for the same name, as the registry compares key names without regard to case.
    char digits[17] = {};
    std::snprintf(digits, sizeof(digits), "%016llX", static_cast<unsigned long long>(NameHash(name)));
    return CutToUtf16Units(name, kMaxKeyNameLength - 17) + "~" + digits;
}

std::string WatcherKey(const ServiceTarget& target) {
    return ToUpperAscii(WatcherName(target.serviceName, target.computerName));
}

std::string WatcherSetName(const std::vector<ServiceTarget>& targets) {
    std::vector<std::string> names;
    for (const ServiceTarget& target : targets) names.push_back(WatcherKey(target));
    std::sort(names.begin(), names.end());
    std::string set;
    for (const std::string& name : names) set += (set.empty() ? "" : "/") + name;
    return set;
}

std::string WatcherSetKeyPath(const std::vector<ServiceTarget>& targets) {
    return std::string("Software\\Kestrin\\Watchers\\") + RegistryKeyName(WatcherSetName(targets));
}

std::string SettingsKeyPath(const std::optional<std::string>& serviceOption, const std::string& computerOption) {
    if (!serviceOption) return kSettingsKeyPath;
    return std::string("Software\\Kestrin\\Watchers\\") + RegistryKeyName(WatcherName(*serviceOption, computerOption));
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

std::optional<int> Settings::ReadRestartDelay() {
    const std::optional<std::string> text = store_.Read(kRestartDelayKey);
    return text ? ParseRestartDelay(*text) : std::nullopt;
}

std::optional<int> Settings::ReadRestartRetries() {
    const std::optional<std::string> text = store_.Read(kRestartRetriesKey);
    return text ? ParseRestartRetries(*text) : std::nullopt;
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
