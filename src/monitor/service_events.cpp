// The events: the service stops; the restart check started it, or could not; a button's stop or
// start was refused; the state cannot be read three polls running, and can again.
#include "monitor/service_events.h"

#include <utility>

#include "settings/settings.h"

namespace kestrin {
namespace {

Notification Make(const std::string& title, const std::string& text) {
    return {CutToCharacters(title, kNotificationTitleLength), CutToCharacters(text, kNotificationTextLength)};
}

std::string Minutes(int n) { return std::to_string(n) + (n == 1 ? " minute" : " minutes"); }

std::string Ordinal(int n) {
    const int tens = n % 100;
    const char* suffix = tens >= 11 && tens <= 13 ? "th" : n % 10 == 1 ? "st" : n % 10 == 2 ? "nd" : n % 10 == 3 ? "rd" : "th";
    return std::to_string(n) + suffix;
}

}  // namespace

std::string CutToCharacters(const std::string& text, std::size_t characters) {
    std::size_t i = 0;
    for (std::size_t n = 0; i < text.size() && n < characters; ++n) {
        ++i;
        while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
    }
    return text.substr(0, i);
}

void ServiceEvents::Watch(const std::string& computerName, const std::string& serviceName, int restartMinutes) {
    computerName_ = computerName;
    serviceName_ = serviceName;
    restartMinutes_ = restartMinutes;
}

std::optional<ServiceEvent> ServiceEvents::StatusRead(const std::string& stateText, std::uint32_t error,
                                                      int minutesToCheck) {
    ServiceEvent event;
    if (stateText.empty()) {
        if (++unreadablePolls_ < kUnreadablePollsToNotify || cannotReadShown_) return std::nullopt;
        cannotReadShown_ = true;
        event.kind = ServiceEventKind::CannotRead;
        event.error = error;
        return event;
    }
    unreadablePolls_ = 0;
    const std::string before = std::exchange(lastReadable_, stateText);
    event.stateText = stateText;
    if (cannotReadShown_) {
        cannotReadShown_ = false;
        event.kind = ServiceEventKind::CanReadAgain;
        return event;
    }
    if (awaitingRestart_ && stateText == "Running") {
        awaitingRestart_ = false;
        event.kind = ServiceEventKind::Restarted;
        event.restarts = ++restarts_;
        return event;
    }
    if (stateText == "Stopped" && !before.empty() && before != "Stopped") {
        event.kind = ServiceEventKind::Stopped;
        event.minutesToCheck = minutesToCheck;
        return event;
    }
    return std::nullopt;
}

std::optional<ServiceEvent> ServiceEvents::CommandAnswered(const ServiceRequest& request, std::uint32_t error) {
    if (request.command == ServiceCommand::Status) return std::nullopt;
    if (request.automatic) awaitingRestart_ = error == 0;
    if (error == 0) return std::nullopt;
    ServiceEvent event;
    event.kind = request.automatic ? ServiceEventKind::RestartRefused : ServiceEventKind::CommandRefused;
    event.command = request.command;
    event.error = error;
    return event;
}

Notification ServiceEvents::NotificationFor(const ServiceEvent& event) const {
    // A refusal without the system's words still says it was one, not that the state is unknown.
    const std::string reason = Reason(event.error);
    const std::string refusal = reason.empty() ? "Windows gave no reason." : reason;
    switch (event.kind) {
    case ServiceEventKind::Stopped:
        return Make(serviceName_ + " has stopped",
                    "Kestrin will start it again within " + Minutes(event.minutesToCheck) + ".");
    case ServiceEventKind::Restarted:
        return Make("Kestrin started " + serviceName_ + " again",
                    serviceName_ + " is running." +
                        (event.restarts > 1 ? " This is the " + Ordinal(event.restarts) +
                                                  " time Kestrin has started it since watching began."
                                            : ""));
    case ServiceEventKind::RestartRefused:
        return Make("Kestrin could not start " + serviceName_,
                    refusal + " It will try again in " + Minutes(restartMinutes_) + ".");
    case ServiceEventKind::CommandRefused:
        return Make(serviceName_ + (event.command == ServiceCommand::Start ? " could not be started"
                                                                           : " could not be stopped"),
                    refusal);
    case ServiceEventKind::CannotRead:
        return Make("Kestrin cannot read " + serviceName_,
                    (reason.empty() ? "Its state cannot be read." : reason) + " (" + OnComputer() + ")");
    case ServiceEventKind::CanReadAgain:
        return Make(serviceName_ + " is " + event.stateText + " again", "Kestrin can read it again " + OnComputer() + ".");
    }
    return {};
}

EventEntry ServiceEvents::Entry(EventId id, const std::string& words, int count) const {
    EventEntry entry;
    entry.id = id;
    entry.strings = {serviceName_, computerName_, words, "0", "", std::to_string(count)};
    return entry;
}

EventEntry ServiceEvents::EntryFor(const ServiceEvent& event) const {
    const auto make = [&](EventId id, EventType type, const std::string& words) {
        EventEntry entry = Entry(id, words, event.restarts);
        entry.type = type;
        entry.strings[3] = std::to_string(event.error);
        entry.strings[4] = Reason(event.error);
        return entry;
    };
    switch (event.kind) {
    case ServiceEventKind::Stopped: return make(EventId::ServiceStopped, EventType::Warning, "Stopped");
    case ServiceEventKind::Restarted:
        return make(EventId::RestartedByCheck, EventType::Information, "Started again by the restart check");
    case ServiceEventKind::RestartRefused: return make(EventId::RestartRefused, EventType::Error, "Restart refused");
    case ServiceEventKind::CommandRefused:
        return make(EventId::CommandRefused, EventType::Warning,
                    event.command == ServiceCommand::Start ? "Start refused" : "Stop refused");
    case ServiceEventKind::CannotRead: return make(EventId::CannotRead, EventType::Warning, "State cannot be read");
    case ServiceEventKind::CanReadAgain: return make(EventId::CanReadAgain, EventType::Information, event.stateText);
    }
    return {};
}

std::string ServiceEvents::Reason(std::uint32_t error) const {
    std::string text = error && reason_ ? reason_(error) : std::string();
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) text.pop_back();
    return text;
}

std::string ServiceEvents::OnComputer() const {
    const std::string computer = BareComputerName(computerName_);
    return computer.empty() ? "on this computer" : "on " + computer;
}

void NotificationPace::Offer(Notification notification) { waiting_ = std::move(notification); }

std::optional<Notification> NotificationPace::Due(std::uint64_t nowMs) {
    if (!waiting_ || (lastShownMs_ && nowMs - *lastShownMs_ < kNotificationPaceMs)) return std::nullopt;
    lastShownMs_ = nowMs;
    return std::exchange(waiting_, std::nullopt);
}

bool EntryPace::Allow(EventId id, std::uint64_t nowMs) {
    if (id != EventId::ServiceStopped && id != EventId::CannotRead && id != EventId::CanReadAgain) return true;
    const auto last = lastWrittenMs_.find(id);
    if (last != lastWrittenMs_.end() && nowMs - last->second < kRepeatedEntryPaceMs) return false;
    lastWrittenMs_[id] = nowMs;
    return true;
}

}  // namespace kestrin
