// ReportEventW with the entry's six strings; the source's registry key for the message table.
#include "monitor/win32/event_log_record.h"

#include "win32/registry.h"
#include "win32/text.h"

namespace kestrin {
namespace {

constexpr wchar_t kSourceKey[] = L"SYSTEM\\CurrentControlSet\\Services\\EventLog\\Application\\Kestrin";

WORD EventLogType(EventType type) {
    switch (type) {
    case EventType::Error: return EVENTLOG_ERROR_TYPE;
    case EventType::Warning: return EVENTLOG_WARNING_TYPE;
    case EventType::Information: break;
    }
    return EVENTLOG_INFORMATION_TYPE;
}

}  // namespace

EventLogRecord::EventLogRecord() : source_(::RegisterEventSourceW(nullptr, kEventSourceName)) {}

void EventLogRecord::Write(const EventEntry& entry) {
    if (!source_) return;
    std::wstring strings[6];
    const wchar_t* pointers[6] = {};
    for (std::size_t i = 0; i < 6; ++i) {
        strings[i] = Widen(entry.strings[i]);
        pointers[i] = strings[i].c_str();
    }
    // A full log or a refused write changes nothing for the watcher.
    ::ReportEventW(source_.Get(), EventLogType(entry.type), 0, static_cast<DWORD>(entry.id), nullptr, 6, 0, pointers,
                   nullptr);
}

std::uint32_t WriteEventSourceKey(const std::wstring& programPath) {
    if (const std::uint32_t error =
            WriteRegistryText(HKEY_LOCAL_MACHINE, kSourceKey, L"EventMessageFile", programPath, REG_EXPAND_SZ)) {
        return error;
    }
    const DWORD types = EVENTLOG_ERROR_TYPE | EVENTLOG_WARNING_TYPE | EVENTLOG_INFORMATION_TYPE;
    return WriteRegistryValue(HKEY_LOCAL_MACHINE, kSourceKey, L"TypesSupported", REG_DWORD, &types, sizeof(types));
}

std::uint32_t DeleteEventSourceKey() {
    const LSTATUS status = ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, kSourceKey);
    return status == ERROR_FILE_NOT_FOUND ? 0 : static_cast<std::uint32_t>(status);
}

}  // namespace kestrin
