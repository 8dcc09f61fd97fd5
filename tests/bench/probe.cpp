// Measures the program from outside: poll cost, footprint, and how fast its window answers.
//   kestrin_probe poll-cost <service> <count>         microseconds per open-query-close
//   kestrin_probe ticks <count> <pause_ms>            posts status-poll ticks to the running program
//   kestrin_probe footprint                           handle count of the program
//   kestrin_probe responsiveness <seconds> <every_ms> worst and median answer to WM_NULL, in ms
//   kestrin_probe poll-cpu <service> <count>          CPU milliseconds of <count> bare open-query-closes
//   kestrin_probe minimal-window <service> <seconds>  a bare window polling once a second, for comparison
//   kestrin_probe stop-to-running <service> <timeout_ms>  stops the service, then ms until it reads Running again
//   kestrin_probe tick-times <caption> reset|read     kestrin_timed's own timings of its poll ticks
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

#include "service_control/service_control.h"
#include "service_control/win32/advapi_scm_port.h"
#include "win32/text.h"
#include "win32/unique_handle.h"

namespace {

using namespace kestrin;

constexpr wchar_t kMonitorClass[] = L"KestrinFrmSrvMan";

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER counter;
    ::QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

HWND FindMonitor() {
    for (int i = 0; i < 200; ++i) {
        if (HWND window = ::FindWindowW(kMonitorClass, nullptr)) return window;
        ::Sleep(50);
    }
    return nullptr;
}

int PollCost(const std::wstring& service, int count) {
    AdvapiScmPort scm;
    const std::string name = Narrow(service);
    std::string state = ServiceStatus(scm, "", name);  // warm up
    const double start = Now();
    for (int i = 0; i < count; ++i) state = ServiceStatus(scm, "", name);
    const double perPoll = (Now() - start) * 1000.0 / count;
    std::printf("poll_us %.1f polls %d state %s\n", perPoll, count, state.empty() ? "(none)" : state.c_str());
    return state.empty() ? 1 : 0;
}

double CpuMs() {
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    const auto ms = [](const FILETIME& t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e4;
    };
    return ms(kernel) + ms(user);
}

int PollCpu(const std::wstring& service, int count) {
    AdvapiScmPort scm;
    const std::string name = Narrow(service);
    ServiceStatus(scm, "", name);  // warm up
    const double start = CpuMs();
    for (int i = 0; i < count; ++i) ServiceStatus(scm, "", name);
    std::printf("cpu_ms %.1f polls %d\n", CpuMs() - start, count);
    return 0;
}

// The least a watcher can do: a hidden window whose 1 s timer runs one open, query and close.
int MinimalWindow(const std::wstring& service, int seconds) {
    AdvapiScmPort scm;
    const std::string name = Narrow(service);
    HWND window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    if (!window) return 1;
    ::SetTimer(window, 1, 1000, nullptr);
    const ULONGLONG end = ::GetTickCount64() + static_cast<ULONGLONG>(seconds) * 1000;
    MSG msg;
    while (::GetTickCount64() < end && ::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == window) ServiceStatus(scm, "", name);
        ::DispatchMessageW(&msg);
    }
    ::DestroyWindow(window);
    std::printf("minimal %d s\n", seconds);
    return 0;
}

struct ScTraits {
    using Handle = SC_HANDLE;
    static void Close(Handle h) noexcept { ::CloseServiceHandle(h); }
};
using ScHandle = UniqueHandle<ScTraits>;

// Stops a running service from outside, as an administrator would, and times how long it takes
// someone else (the program under test) to have it running again. One process and a 5 ms poll, so
// the figure holds no program start-up.
int StopToRunning(const std::wstring& service, int timeoutMs) {
    const ScHandle manager(::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    const ScHandle handle(manager ? ::OpenServiceW(manager.Get(), service.c_str(), SERVICE_STOP | SERVICE_QUERY_STATUS)
                                  : nullptr);
    if (!handle) {
        std::printf("error %lu opening the service\n", ::GetLastError());
        return 1;
    }
    SERVICE_STATUS status{};
    if (!::QueryServiceStatus(handle.Get(), &status) || status.dwCurrentState != SERVICE_RUNNING) {
        std::printf("error: the service is not running (state %lu)\n", status.dwCurrentState);
        return 1;
    }
    const double start = Now();
    if (!::ControlService(handle.Get(), SERVICE_CONTROL_STOP, &status)) {
        std::printf("error %lu stopping the service\n", ::GetLastError());
        return 1;
    }
    double leftRunning = -1;  // when a state other than Running was first read
    while (Now() - start < timeoutMs) {
        if (::QueryServiceStatus(handle.Get(), &status)) {
            if (status.dwCurrentState != SERVICE_RUNNING && leftRunning < 0) leftRunning = Now() - start;
            if (status.dwCurrentState == SERVICE_RUNNING && leftRunning >= 0) {
                std::printf("stop_to_running_ms %.0f stopped_after_ms %.0f\n", Now() - start, leftRunning);
                return 0;
            }
        }
        ::Sleep(5);
    }
    std::printf("error: not running again within %d ms (state %lu)\n", timeoutMs, status.dwCurrentState);
    return 1;
}

// kestrin_timed's own timings of its poll ticks and of the answers it handled (see
// timed_scm_port_factory.cpp), or a fresh start of them.
int TickTimes(const std::wstring& caption, const std::wstring& action) {
    HWND window = nullptr;
    for (int i = 0; i < 200 && !window; ++i, ::Sleep(50)) window = ::FindWindowW(kMonitorClass, caption.c_str());
    const UINT timings = ::RegisterWindowMessageW(L"Kestrin.Bench.Timings");
    if (!window || !timings) return 1;
    const auto ask = [&](WPARAM which) {
        DWORD_PTR answer = 0;
        ::SendMessageTimeoutW(window, timings, which, 0, SMTO_NORMAL, 30000, &answer);
        return static_cast<double>(answer);
    };
    if (action == L"reset") {
        ask(6);
        std::printf("reset\n");
        return 0;
    }
    std::printf("tick_worst_ms %.2f tick_median_ms %.2f ticks %.0f answers_worst_ms %.2f answers_median_ms %.2f "
                "answers %.0f\n",
                ask(0) / 1000, ask(1) / 1000, ask(2), ask(3) / 1000, ask(4) / 1000, ask(5));
    return 0;
}

int Ticks(int count, int pauseMs) {
    HWND window = FindMonitor();
    if (!window) return 1;
    for (int i = 0; i < count; ++i) {
        ::PostMessageW(window, WM_TIMER, 1, 0);
        if (pauseMs > 0) ::Sleep(static_cast<DWORD>(pauseMs));
    }
    DWORD_PTR ignored;  // a sent message is handled after everything posted before it
    ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &ignored);
    std::printf("ticks %d\n", count);
    return 0;
}

// Wine answers GetProcessHandleCount with 0, so count the process's entries in the system table.
struct HandleEntry {
    ULONG ownerPid;
    BYTE objectType;
    BYTE flags;
    USHORT value;
    PVOID object;
    ACCESS_MASK access;
};
struct HandleTable {
    ULONG count;
    HandleEntry entries[1];
};
using QuerySystemInformation = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);

long CountHandles(DWORD pid) {
    auto query = reinterpret_cast<QuerySystemInformation>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) return -1;
    std::vector<unsigned char> buffer(1 << 20);
    constexpr ULONG kSystemHandleInformation = 16;
    for (;;) {
        ULONG needed = 0;
        const LONG status = query(kSystemHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &needed);
        if (status == 0) break;
        if (buffer.size() > (256u << 20)) return -1;
        buffer.resize(std::max<std::size_t>(buffer.size() * 2, needed));
    }
    const auto* table = reinterpret_cast<const HandleTable*>(buffer.data());
    long count = 0;
    for (ULONG i = 0; i < table->count; ++i) {
        if (table->entries[i].ownerPid == pid) ++count;
    }
    return count;
}

int Footprint() {
    HWND window = FindMonitor();
    if (!window) return 1;
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    std::printf("handles %ld\n", CountHandles(pid));
    return 0;
}

int Responsiveness(int seconds, int everyMs) {
    HWND window = FindMonitor();
    if (!window) return 1;
    std::vector<double> samples;
    const double end = Now() + seconds * 1000.0;
    while (Now() < end) {
        const double start = Now();
        DWORD_PTR ignored;
        const bool answered =
            ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL | SMTO_ABORTIFHUNG, 30000, &ignored) != 0;
        samples.push_back(answered ? Now() - start : 30000.0);
        ::Sleep(static_cast<DWORD>(everyMs));
    }
    std::sort(samples.begin(), samples.end());
    std::printf("worst_ms %.1f median_ms %.2f samples %zu\n", samples.back(),
                samples[samples.size() / 2], samples.size());
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring command = argc > 1 ? argv[1] : L"";
    auto number = [&](int index, int fallback) { return argc > index ? std::wcstol(argv[index], nullptr, 10) : fallback; };
    if (command == L"poll-cost" && argc > 2) return PollCost(argv[2], static_cast<int>(number(3, 1000)));
    if (command == L"ticks") return Ticks(static_cast<int>(number(2, 10)), static_cast<int>(number(3, 0)));
    if (command == L"footprint") return Footprint();
    if (command == L"poll-cpu" && argc > 2) return PollCpu(argv[2], static_cast<int>(number(3, 400)));
    if (command == L"minimal-window" && argc > 2) return MinimalWindow(argv[2], static_cast<int>(number(3, 60)));
    if (command == L"stop-to-running" && argc > 2) return StopToRunning(argv[2], static_cast<int>(number(3, 60000)));
    if (command == L"tick-times" && argc > 3) return TickTimes(argv[2], argv[3]);
    if (command == L"responsiveness") return Responsiveness(static_cast<int>(number(2, 30)), static_cast<int>(number(3, 50)));
    std::fprintf(stderr,
                 "usage: kestrin_probe poll-cost|ticks|footprint|responsiveness|poll-cpu|minimal-window|"
                 "stop-to-running|tick-times ...\n");
    return 2;
}
