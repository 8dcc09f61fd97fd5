// The events: the service stops; the restart check started it, or could not; a button's stop or
// start was refused; the state cannot be read three polls running, and can again.
#include "monitor/service_events.h"

#include <utility>

namespace kestrin {
namespace {

Notification Make(const std::string& title, const std::string& text) {
    return {CutToCharacters(title, kNotificationTitleLength), CutToCharacters(text, kNotificationTextLength)};
}

std::string Minutes(int n) { return std::to_string(n) + (n == 1 ? " minute" : " minutes"); }

}  // namespace

std::string CutToCharacters(const std::string& text, std::size_t characters) {
    std::size_t i = 0;
    for (std::size_t n = 0; i < text.size() && n < characters; ++n) {
        ++i;
        while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
    }
    return text.substr(0, i);
}

void ServiceEvents::Watch(const std::string& computerName, const std::string& serviceName) {
    computerName_ = computerName;
    serviceName_ = serviceName;
}

std::optional<Notification> ServiceEvents::StatusRead(const std::string& stateText, std::uint32_t error,
                                                      int minutesToCheck) {
    if (stateText.empty()) {
        if (++unreadablePolls_ < kUnreadablePollsToNotify || cannotReadShown_) return std::nullopt;
        cannotReadShown_ = true;
        return Make("Kestrin cannot read " + serviceName_, Reason(error) + " (" + OnComputer() + ")");
    }
    unreadablePolls_ = 0;
    const std::string before = std::exchange(lastReadable_, stateText);
    if (cannotReadShown_) {
        cannotReadShown_ = false;
        return Make(serviceName_ + " is " + stateText + " again", "Kestrin can read it again " + OnComputer() + ".");
    }
    if (awaitingRestart_ && stateText == "Running") {
        awaitingRestart_ = false;
        return Make("Kestrin started " + serviceName_ + " again", serviceName_ + " is running.");
    }
    if (stateText == "Stopped" && !before.empty() && before != "Stopped") {
        return Make(serviceName_ + " has stopped", "Kestrin will start it again within " + Minutes(minutesToCheck) + ".");
    }
    return std::nullopt;
}

std::optional<Notification> ServiceEvents::CommandAnswered(const ServiceRequest& request, std::uint32_t error) {
    if (request.command == ServiceCommand::Status) return std::nullopt;
    if (request.automatic) {
        awaitingRestart_ = error == 0;
        if (error == 0) return std::nullopt;
        return Make("Kestrin could not start " + serviceName_, Reason(error) + " It will try again in 10 minutes.");
    }
    if (error == 0) return std::nullopt;
    const char* verb = request.command == ServiceCommand::Start ? " could not be started" : " could not be stopped";
    return Make(serviceName_ + verb, Reason(error));
}

std::string ServiceEvents::Reason(std::uint32_t error) const {
    std::string text = error && reason_ ? reason_(error) : std::string();
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    return text.empty() ? "Its state cannot be read." : text;
}

std::string ServiceEvents::OnComputer() const {
    // The name may be given with or without its leading backslashes.
    const std::size_t start = computerName_.find_first_not_of('\\');
    return start == std::string::npos ? "on this computer" : "on " + computerName_.substr(start);
}

void NotificationPace::Offer(Notification notification) { waiting_ = std::move(notification); }

std::optional<Notification> NotificationPace::Due(std::uint64_t nowMs) {
    if (!waiting_ || (lastShownMs_ && nowMs - *lastShownMs_ < kNotificationPaceMs)) return std::nullopt;
    lastShownMs_ = nowMs;
    return std::exchange(waiting_, std::nullopt);
}

}  // namespace kestrin
