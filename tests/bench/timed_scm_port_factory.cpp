// A benchmark build of the program that times, inside its own window thread, each handling of the
// one-second poll tick (WM_TIMER 1) and of the workers' "answers arrived" message. The service
// manager port is the real one; making the first port (on the window thread, at the first poll)
// wraps the monitor window's procedure. The figures are read with the registered message
// "Kestrin.Bench.Timings": wParam 0 to 2 ask for the ticks' worst and median (in microseconds) and
// count, 3 to 5 for the answers' handling, 6 starts the figures again.
#include "app/scm_port_factory.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "service_control/win32/advapi_scm_port.h"

namespace kestrin {
namespace {

constexpr UINT kAnswersArrived = WM_APP + 1;  // as the monitor window's workers post it
constexpr WPARAM kPollTimer = 1;

WNDPROC original = nullptr;
std::vector<LRESULT> tickMicros;
std::vector<LRESULT> answersMicros;

LRESULT Figure(std::vector<LRESULT>& micros, int which) {
    if (which == 2) return static_cast<LRESULT>(micros.size());
    if (micros.empty()) return 0;
    std::sort(micros.begin(), micros.end());
    return which == 0 ? micros.back() : micros[micros.size() / 2];
}

LRESULT CALLBACK TimedProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    static const UINT ask = ::RegisterWindowMessageW(L"Kestrin.Bench.Timings");
    if (msg == ask && ask != 0) {
        if (wp == 6) {
            tickMicros.clear();
            answersMicros.clear();
            return 0;
        }
        return wp < 3 ? Figure(tickMicros, static_cast<int>(wp)) : Figure(answersMicros, static_cast<int>(wp) - 3);
    }
    std::vector<LRESULT>* timed = msg == WM_TIMER && wp == kPollTimer ? &tickMicros
                                  : msg == kAnswersArrived            ? &answersMicros
                                                                      : nullptr;
    if (!timed) return ::CallWindowProcW(original, hwnd, msg, wp, lp);
    LARGE_INTEGER frequency, before, after;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&before);
    const LRESULT result = ::CallWindowProcW(original, hwnd, msg, wp, lp);
    ::QueryPerformanceCounter(&after);
    timed->push_back(static_cast<LRESULT>((after.QuadPart - before.QuadPart) * 1000000 / frequency.QuadPart));
    return result;
}

BOOL CALLBACK WrapMonitorWindow(HWND hwnd, LPARAM) {
    wchar_t name[64] = {};
    if (::GetClassNameW(hwnd, name, 64) == 0 || ::lstrcmpW(name, L"KestrinFrmSrvMan") != 0) return TRUE;
    original = reinterpret_cast<WNDPROC>(
        ::SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TimedProc)));
    return FALSE;
}

}  // namespace

std::unique_ptr<ScmPort> MakeScmPort() {
    if (!original) ::EnumThreadWindows(::GetCurrentThreadId(), &WrapMonitorWindow, 0);
    return std::make_unique<AdvapiScmPort>();
}

}  // namespace kestrin
