// The events: the service stops; the restart check started it, or could not; a button's stop or
// start was refused; the state cannot be read three polls running, and can again.
#include "monitor/service_events.h"

#include <utility>

#include "settings/settings.h"
#include "text/utf.h"

namespace kestrin {
namespace {

Notice Make(const std::string& title, const std::string& text, const std::string& happened) {
    return {{CutToCharacters(title, kNotificationTitleLength), CutToCharacters(text, kNotificationTextLength)}, happened};
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

void ServiceEvents::Watch(const std::string& computerName, const std::string& serviceName, int restartMinutes,
                          const std::string& displayName, bool delayed) {
    computerName_ = computerName;
    serviceName_ = serviceName;
    displayName_ = displayName;
    delayed_ = delayed;
    restartMinutes_ = restartMinutes;
}

std::vector<ServiceEvent> ServiceEvents::StatusRead(const std::string& stateText, std::uint32_t error,
                                                    int minutesToCheck) {
    ServiceEvent event;
    if (stateText.empty()) {
        if (++unreadablePolls_ < kUnreadablePollsToNotify || cannotReadShown_) return {};
        cannotReadShown_ = true;
        event.kind = ServiceEventKind::CannotRead;
        event.error = error;
        return {event};
    }
    unreadablePolls_ = 0;
    const std::string before = std::exchange(lastReadable_, stateText);
    event.stateText = stateText;
    std::vector<ServiceEvent> events;
    if (cannotReadShown_) {
        cannotReadShown_ = false;
        event.kind = ServiceEventKind::CanReadAgain;
        events.push_back(event);
    }
    if (awaitingRestart_ && stateText == "Running") {
        awaitingRestart_ = false;
        event.kind = ServiceEventKind::Restarted;
        event.restarts = ++restarts_;
        events.push_back(event);
    } else if (stateText == "Stopped" && !before.empty() && before != "Stopped") {
        // Also after a spell that could not be read: a collector that alerts on stops must hear of it.
        event.kind = ServiceEventKind::Stopped;
        event.minutesToCheck = minutesToCheck;
        events.push_back(event);
    }
    return events;
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

Notice ServiceEvents::NotificationFor(const ServiceEvent& event) const {
    // A refusal without the system's words still says it was one, not that the state is unknown.
    const std::string reason = event.reason.empty() ? Reason(event.error) : event.reason;
    const std::string refusal = reason.empty() ? "Windows gave no reason." : reason;
    const std::string wait = event.secondsToStart ? "in " + WaitInWords(*event.secondsToStart) : "";
    switch (event.kind) {
    case ServiceEventKind::Stopped:
        return Make(displayName_ + " has stopped",
                    "Kestrin will start it again " +
                        (wait.empty() ? "within " + Minutes(event.minutesToCheck) : wait) + ".",
                    "has stopped");
    case ServiceEventKind::Restarted:
        return Make("Kestrin started " + displayName_ + " again",
                    displayName_ + " is running." +
                        (event.restarts > 1 ? " This is the " + Ordinal(event.restarts) +
                                                  " time Kestrin has started it since watching began."
                                            : ""),
                    "was started again");
    case ServiceEventKind::RestartRefused:
        return Make("Kestrin could not start " + displayName_,
                    refusal + " It will try again " + (wait.empty() ? "in " + Minutes(restartMinutes_) : wait) + ".",
                    "could not be started again");
    case ServiceEventKind::CommandRefused: {
        const bool start = event.command == ServiceCommand::Start;
        return Make(displayName_ + (start ? " could not be started" : " could not be stopped"), refusal,
                    start ? "could not be started" : "could not be stopped");
    }
    case ServiceEventKind::CannotRead:
        return Make("Kestrin cannot read " + displayName_,
                    (reason.empty() ? "Its state cannot be read." : reason) + " (" + OnComputer() + ")",
                    "cannot be read");
    case ServiceEventKind::CanReadAgain:
        return Make(displayName_ + " is " + event.stateText + " again", "Kestrin can read it again " + OnComputer() + ".",
                    "can be read again");
    case ServiceEventKind::GaveUp: {
        std::string last = refusal;
        while (!last.empty() && last.back() == '.') last.pop_back();
        const std::string times = std::to_string(event.failures) + (event.failures == 1 ? " time" : " times");
        return Make("Kestrin gave up on " + displayName_,
                    "It failed to start " + times + " in a row (" + last +
                        "). Start it from Kestrin's window once the cause is fixed.",
                    "failed to start " + times + ", Kestrin gave up");
    }
    }
    return {};
}

EventEntry ServiceEvents::Entry(EventId id, const std::string& words, int count) const {
    EventEntry entry;
    entry.id = id;
    // The computer as the keys and notifications show it: SERVER1, not \\SERVER1.
    entry.strings = {serviceName_, BareComputerName(computerName_), words, "0", "", std::to_string(count)};
    return entry;
}

EventEntry ServiceEvents::EntryFor(const ServiceEvent& event) const {
    const auto make = [&](EventId id, EventType type, const std::string& words, int count) {
        EventEntry entry = Entry(id, words, count);
        entry.type = type;
        entry.strings[3] = std::to_string(event.error);
        entry.strings[4] = event.reason.empty() ? Reason(event.error) : event.reason;
        return entry;
    };
    switch (event.kind) {
    case ServiceEventKind::Stopped: return make(EventId::ServiceStopped, EventType::Warning, "Stopped", 0);
    case ServiceEventKind::Restarted:
        return make(EventId::RestartedByCheck, EventType::Information,
                    delayed_ ? "Started again after its stop" : "Started again by the restart check", event.restarts);
    case ServiceEventKind::RestartRefused: return make(EventId::RestartRefused, EventType::Error, "Restart refused", 0);
    case ServiceEventKind::CommandRefused:
        return make(EventId::CommandRefused, EventType::Warning,
                    event.command == ServiceCommand::Start ? "Start refused" : "Stop refused", 0);
    case ServiceEventKind::CannotRead: return make(EventId::CannotRead, EventType::Warning, "State cannot be read", 0);
    case ServiceEventKind::CanReadAgain:
        return make(EventId::CanReadAgain, EventType::Information, event.stateText, 0);
    case ServiceEventKind::GaveUp:
        return make(EventId::RestartsGivenUp, EventType::Error,
                    "Restarts stopped after " + std::to_string(event.failures) + " failed starts", event.failures);
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

std::string WaitInWords(int seconds) {
    if (seconds < 120) return std::to_string(seconds) + (seconds == 1 ? " second" : " seconds");
    if (seconds % 3600 == 0) {
        const int hours = seconds / 3600;
        return std::to_string(hours) + (hours == 1 ? " hour" : " hours");
    }
    return Minutes((seconds + 59) / 60);
}

void NotificationPace::Offer(std::size_t source, const std::string& name, Notice notice) {
    waiting_[source] = {name, std::move(notice)};
}

std::optional<Notification> NotificationPace::Due(std::uint64_t nowMs) {
    if (waiting_.empty() || (lastShownMs_ && nowMs - *lastShownMs_ < kNotificationPaceMs)) return std::nullopt;
    lastShownMs_ = nowMs;
    const auto waiting = std::exchange(waiting_, {});
    if (waiting.size() == 1) return waiting.begin()->second.second.notification;
    // One notification for all that waited: as many as the text holds, then how many more.
    Notification merged;
    merged.title = "Kestrin: news of " + std::to_string(waiting.size()) + " services";
    std::size_t told = 0;
    for (const auto& [source, named] : waiting) {
        const std::string next = merged.text + (told ? "; " : "") + named.first + " " + named.second.happened;
        const std::size_t rest = waiting.size() - told - 1;
        const std::string tail = rest ? "; and " + std::to_string(rest) + " more" : "";
        if (told > 0 && Utf16Length(next + tail) > kNotificationFieldUnits) break;
        merged.text = next;
        ++told;
    }
    if (told < waiting.size()) merged.text += "; and " + std::to_string(waiting.size() - told) + " more";
    merged.text = CutToUtf16Units(merged.text, kNotificationFieldUnits);
    return merged;
}

bool EntryPace::Offer(const EventEntry& entry, std::uint64_t nowMs, bool force) {
    Stream* stream = StreamOf(entry.id);
    if (!stream) return true;
    if (!force && !MinuteUp(*stream, nowMs)) {
        stream->held = entry;  // the latest of its stream: what is true now
        return false;
    }
    Written(*stream, entry.id, nowMs);
    return true;
}

bool EntryPace::WouldWrite(EventId id, std::uint64_t nowMs) {
    const Stream* stream = StreamOf(id);
    return !stream || MinuteUp(*stream, nowMs);
}

std::vector<EventEntry> EntryPace::Due(std::uint64_t nowMs, bool stillStopped, bool atExit) {
    std::vector<EventEntry> due;
    if (readability_.held && (atExit || MinuteUp(readability_, nowMs))) {
        EventEntry entry = *std::exchange(readability_.held, std::nullopt);
        if (entry.id != readability_.lastWrittenId) {
            Written(readability_, entry.id, nowMs);
            due.push_back(std::move(entry));
        }
    }
    if (stops_.held && (atExit || MinuteUp(stops_, nowMs))) {
        EventEntry entry = *std::exchange(stops_.held, std::nullopt);
        if (stillStopped) {
            Written(stops_, entry.id, nowMs);
            due.push_back(std::move(entry));
        }
    }
    return due;
}

EntryPace::Stream* EntryPace::StreamOf(EventId id) {
    if (id == EventId::ServiceStopped) return &stops_;
    if (id == EventId::CannotRead || id == EventId::CanReadAgain) return &readability_;
    return nullptr;
}

bool EntryPace::MinuteUp(const Stream& stream, std::uint64_t nowMs) {
    return !stream.lastWrittenMs || nowMs - *stream.lastWrittenMs >= kRepeatedEntryPaceMs;
}

void EntryPace::Written(Stream& stream, EventId id, std::uint64_t nowMs) {
    stream.lastWrittenMs = nowMs;
    stream.lastWrittenId = id;
    stream.held.reset();
}

}  // namespace kestrin
