// The event record over the Windows event log: the "Kestrin" source of the Application log.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "monitor/event_record.h"
#include "win32/unique_handle.h"

namespace kestrin {

inline constexpr wchar_t kEventSourceName[] = L"Kestrin";

struct EventSourceTraits {
    using Handle = HANDLE;
    static void Close(Handle h) noexcept { ::DeregisterEventSource(h); }
};
using EventSourceHandle = UniqueHandle<EventSourceTraits>;

class EventLogRecord final : public EventRecord {
public:
    EventLogRecord();  // opens the source once; writing needs neither its registration nor rights

    void Write(const EventEntry& entry) override;

private:
    EventSourceHandle source_;  // closed at exit
};

// The source's registration under HKLM, for Event Viewer to find the message table in `programPath`.
// Both answer the system's error code, 0 when done; they need an administrator.
std::uint32_t WriteEventSourceKey(const std::wstring& programPath);
std::uint32_t DeleteEventSourceKey();

}  // namespace kestrin
