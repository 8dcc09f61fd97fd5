// What happened to the watched service, decided once from the service manager's answers; the
// notification and the event log entry are both made from it. Notifications are paced to at most
// one every 10 seconds; entries of the events a flapping state repeats, to one a minute.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "monitor/event_record.h"
#include "service_control/service_queue.h"

namespace kestrin {

inline constexpr std::size_t kNotificationTitleLength = 48;  // characters
inline constexpr std::size_t kNotificationTextLength = 200;
inline constexpr std::uint64_t kNotificationPaceMs = 10000;
inline constexpr std::uint64_t kRepeatedEntryPaceMs = 60000;
inline constexpr int kUnreadablePollsToNotify = 3;

struct Notification {
    std::string title;
    std::string text;
    bool operator==(const Notification& o) const { return title == o.title && text == o.text; }
};

enum class ServiceEventKind { Stopped, Restarted, RestartRefused, CommandRefused, CannotRead, CanReadAgain };

struct ServiceEvent {
    ServiceEventKind kind = ServiceEventKind::Stopped;
    std::string stateText;      // the state read, for a stop and for a state readable again
    ServiceCommand command = ServiceCommand::Start;  // the refused one
    std::uint32_t error = 0;
    int minutesToCheck = 0;     // a stop: how many minutes the restart check may take
    int restarts = 0;           // a restart: how many the check has made since watching began
};

class ServiceEvents {
public:
    using ReasonFn = std::function<std::string(std::uint32_t error)>;  // the system's text for an error
    explicit ServiceEvents(ReasonFn reason) : reason_(std::move(reason)) {}

    void Watch(const std::string& computerName, const std::string& serviceName, int restartMinutes);

    // An answered status poll; `minutesToCheck` is how many minutes the restart check may take.
    std::optional<ServiceEvent> StatusRead(const std::string& stateText, std::uint32_t error, int minutesToCheck);
    std::optional<ServiceEvent> CommandAnswered(const ServiceRequest& request, std::uint32_t error);

    Notification NotificationFor(const ServiceEvent& event) const;
    EventEntry EntryFor(const ServiceEvent& event) const;
    // An entry of this watcher's own doing (watching begins or ends, restarts paused or resumed).
    EventEntry Entry(EventId id, const std::string& words, int count = 0) const;

private:
    std::string Reason(std::uint32_t error) const;  // the system's text, trimmed; "" when none
    std::string OnComputer() const;

    ReasonFn reason_;
    std::string computerName_;
    std::string serviceName_;
    int restartMinutes_ = 10;
    std::string lastReadable_;   // the last state that could be read
    int unreadablePolls_ = 0;
    bool cannotReadShown_ = false;
    bool awaitingRestart_ = false;  // the restart check's start was accepted; "Running" will tell
    int restarts_ = 0;
};

// The pace: the first event shows at once; later ones within 10 s of it wait, the latest replacing
// any that waits, until 10 s have passed.
class NotificationPace {
public:
    void Offer(Notification notification);
    std::optional<Notification> Due(std::uint64_t nowMs);

private:
    std::optional<Notification> waiting_;
    std::optional<std::uint64_t> lastShownMs_;
};

// A state that flaps writes at most one entry a minute of each event it repeats (a stop, a state
// that cannot be read, one readable again); every other entry is written as it comes.
class EntryPace {
public:
    bool Allow(EventId id, std::uint64_t nowMs);

private:
    std::map<EventId, std::uint64_t> lastWrittenMs_;
};

// `text` cut to its first `characters` UTF-8 characters, never inside one.
std::string CutToCharacters(const std::string& text, std::size_t characters);

}  // namespace kestrin
