// The Windows event log as the monitor sees it: entries of the "Kestrin" source in the Application log.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace kestrin {

// The message table's ids, as Event Viewer shows them.
enum class EventId : std::uint16_t {
    WatchingBegins = 1,
    WatchingEnds = 2,
    ServiceStopped = 3,
    RestartedByCheck = 4,
    RestartRefused = 5,
    CommandRefused = 6,
    CannotRead = 7,
    CanReadAgain = 8,
    RestartsPaused = 9,
    RestartsGivenUp = 10,
};

enum class EventType { Information, Warning, Error };

// Every entry carries the same six strings, so a collector without the message table still reads
// them: service, computer ("" for this one), state or action, error code, reason, count.
struct EventEntry {
    EventId id = EventId::WatchingBegins;
    EventType type = EventType::Information;
    std::array<std::string, 6> strings;
    bool operator==(const EventEntry& o) const { return id == o.id && type == o.type && strings == o.strings; }
};

class EventRecord {
public:
    virtual ~EventRecord() = default;
    // Never fails visibly: the record is a record, not a reason to stop.
    virtual void Write(const EventEntry& entry) = 0;
};

}  // namespace kestrin
