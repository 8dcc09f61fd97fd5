// What happened to a watched service, decided once from the service manager's answers; the
// notification and the event log entry are both made from it. Notifications are paced to at most
// one every 10 seconds; entries of the events a flapping state repeats, to one a minute.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "monitor/event_record.h"
#include "service_control/service_queue.h"

namespace kestrin {

inline constexpr std::size_t kNotificationTitleLength = 48;  // characters
inline constexpr std::size_t kNotificationTextLength = 200;
inline constexpr std::size_t kNotificationFieldUnits = 255;  // what the balloon's text field holds
inline constexpr std::uint64_t kNotificationPaceMs = 10000;
inline constexpr std::uint64_t kRepeatedEntryPaceMs = 60000;
inline constexpr int kUnreadablePollsToNotify = 3;

struct Notification {
    std::string title;
    std::string text;
    bool operator==(const Notification& o) const { return title == o.title && text == o.text; }
};

// A notification, and what happened in a few words without the service's name ("has stopped"), for
// a notification that tells of several services.
struct Notice {
    Notification notification;
    std::string happened;
};

enum class ServiceEventKind { Stopped, Restarted, RestartRefused, CommandRefused, CannotRead, CanReadAgain, GaveUp };

struct ServiceEvent {
    ServiceEventKind kind = ServiceEventKind::Stopped;
    std::string stateText;      // the state read, for a stop and for a state readable again
    ServiceCommand command = ServiceCommand::Start;  // the refused one
    std::uint32_t error = 0;
    std::string reason;         // a reason of Kestrin's own words, where the system has none to give
    int minutesToCheck = 0;     // a stop: how many minutes the restart check may take
    std::optional<int> secondsToStart;  // with a restart delay: how long until the next start
    int restarts = 0;           // a restart: how many Kestrin has made since watching began
    int failures = 0;           // a give-up: how many starts failed in a row
};

class ServiceEvents {
public:
    using ReasonFn = std::function<std::string(std::uint32_t error)>;  // the system's text for an error
    explicit ServiceEvents(ReasonFn reason) : reason_(std::move(reason)) {}

    // `displayName` names the service in notifications; the record always carries its key name.
    // `delayed`: a stop is answered by a start seconds later, not by the restart check.
    void Watch(const std::string& computerName, const std::string& serviceName, int restartMinutes,
               const std::string& displayName, bool delayed);

    // An answered status poll; `minutesToCheck` is how many minutes the restart check may take. A stop
    // read as the state becomes readable again is both events, in that order.
    std::vector<ServiceEvent> StatusRead(const std::string& stateText, std::uint32_t error, int minutesToCheck);
    std::optional<ServiceEvent> CommandAnswered(const ServiceRequest& request, std::uint32_t error);
    int Restarts() const { return restarts_; }

    Notice NotificationFor(const ServiceEvent& event) const;
    EventEntry EntryFor(const ServiceEvent& event) const;
    // An entry of this watcher's own doing (watching begins or ends, restarts paused or resumed).
    EventEntry Entry(EventId id, const std::string& words, int count = 0) const;
    std::string Reason(std::uint32_t error) const;  // the system's text, trimmed; "" when none

private:
    std::string OnComputer() const;

    ReasonFn reason_;
    std::string computerName_;
    std::string serviceName_;
    std::string displayName_;
    int restartMinutes_ = 10;
    bool delayed_ = false;
    std::string lastReadable_;   // the last state that could be read
    int unreadablePolls_ = 0;
    bool cannotReadShown_ = false;
    bool awaitingRestart_ = false;  // Kestrin's own start was accepted; "Running" will tell
    int restarts_ = 0;
};

// "1 second", "45 seconds", "2 minutes", "1 hour": a wait as a notification says it.
std::string WaitInWords(int seconds);

// The pace: the first notification shows at once; later ones within 10 s of it wait until 10 s have
// passed. Of each source (a watched service) only the latest waits; several sources waiting together
// are told in one notification.
class NotificationPace {
public:
    // `name` is how the source is called in a notification of several ("Spooler", "Spooler on SERVER1").
    void Offer(std::size_t source, const std::string& name, Notice notice);
    std::optional<Notification> Due(std::uint64_t nowMs);

private:
    std::map<std::size_t, std::pair<std::string, Notice>> waiting_;
    std::optional<std::uint64_t> lastShownMs_;
};

// Entries a flapping state repeats are written at most once a minute: a stop (id 3) on its own pace,
// and whether the state can be read (ids 7 and 8) as one stream. An entry held back is not lost: the
// first poll after its minute writes it if it still says what is true, so the record ends on the
// present state.
class EntryPace {
public:
    // Whether to write `entry` now; one held back is kept until Due. `force` writes it whatever the
    // pace (a state readable again that is followed at once by the stop it reads).
    bool Offer(const EventEntry& entry, std::uint64_t nowMs, bool force = false);
    bool WouldWrite(EventId id, std::uint64_t nowMs);
    // The held entries to write now: their minute is up (or `atExit`), and they are still true
    // (the readable state changed since the last written; the service is still stopped).
    std::vector<EventEntry> Due(std::uint64_t nowMs, bool stillStopped, bool atExit = false);

private:
    struct Stream {
        std::optional<std::uint64_t> lastWrittenMs;
        std::optional<EventId> lastWrittenId;
        std::optional<EventEntry> held;
    };
    Stream* StreamOf(EventId id);  // the stream of an entry that is paced; nothing for the others
    static bool MinuteUp(const Stream& stream, std::uint64_t nowMs);
    static void Written(Stream& stream, EventId id, std::uint64_t nowMs);

    Stream stops_;
    Stream readability_;
};

// `text` cut to its first `characters` UTF-8 characters, never inside one.
std::string CutToCharacters(const std::string& text, std::size_t characters);

}  // namespace kestrin
