// Each newer function is looked up once, at its first use; they are used on layout, never per poll.
#include "win32/dpi.h"

#include "win32/system_function.h"

namespace kestrin {
namespace {

int ScaleFromSystem(int value, UINT dpi) { return ::MulDiv(value, static_cast<int>(dpi), static_cast<int>(SystemDpi())); }

}  // namespace

UINT SystemDpi() {
    HDC screen = ::GetDC(nullptr);
    const int dpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ::ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : 96;
}

UINT WindowDpi(HWND hwnd) {
    using Fn = UINT(WINAPI*)(HWND);
    static const Fn getDpiForWindow = FindSystemFunction<Fn>(L"user32.dll", "GetDpiForWindow");
    const UINT dpi = getDpiForWindow && hwnd ? getDpiForWindow(hwnd) : 0;
    return dpi ? dpi : SystemDpi();
}

int MetricForDpi(int index, UINT dpi) {
    using Fn = int(WINAPI*)(int, UINT);
    static const Fn getSystemMetricsForDpi = FindSystemFunction<Fn>(L"user32.dll", "GetSystemMetricsForDpi");
    return getSystemMetricsForDpi ? getSystemMetricsForDpi(index, dpi) : ScaleFromSystem(::GetSystemMetrics(index), dpi);
}

SIZE FrameSizeForDpi(SIZE client, DWORD style, bool menu, DWORD exStyle, UINT dpi) {
    using Fn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const Fn adjustForDpi = FindSystemFunction<Fn>(L"user32.dll", "AdjustWindowRectExForDpi");
    RECT frame{0, 0, client.cx, client.cy};
    if (!adjustForDpi || !adjustForDpi(&frame, style, menu, exStyle, dpi)) {
        ::AdjustWindowRectEx(&frame, style, menu, exStyle);
    }
    return SIZE{frame.right - frame.left, frame.bottom - frame.top};
}

LOGFONTW MessageFontForDpi(UINT dpi) {
    using Fn = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);
    static const Fn parametersForDpi = FindSystemFunction<Fn>(L"user32.dll", "SystemParametersInfoForDpi");
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (parametersForDpi && parametersForDpi(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0, dpi)) {
        return metrics.lfMessageFont;
    }
    ::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
    metrics.lfMessageFont.lfHeight = ScaleFromSystem(metrics.lfMessageFont.lfHeight, dpi);
    return metrics.lfMessageFont;
}

}  // namespace kestrin
