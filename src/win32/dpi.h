// Per-monitor DPI: the newer user32 functions where Windows has them (10, version 1607 and later),
// loaded at run time so the program still starts on Windows 7, and the system DPI otherwise.
#pragma once

#include <windows.h>

namespace kestrin {

UINT WindowDpi(HWND hwnd);  // the DPI the window is drawn at now
UINT SystemDpi();
int MetricForDpi(int index, UINT dpi);
// The window size for a client area of `client`, frame and menu included, at `dpi`.
SIZE FrameSizeForDpi(SIZE client, DWORD style, bool menu, DWORD exStyle, UINT dpi);
LOGFONTW MessageFontForDpi(UINT dpi);  // the system's UI font, as set in Settings

// Twips to pixels at one DPI, so the layout keeps its proportions at any scale.
class TwipsScale {
public:
    explicit TwipsScale(UINT dpi) : dpi_(static_cast<int>(dpi)) {}
    int X(int twips) const { return ::MulDiv(twips, dpi_, 1440); }
    int Y(int twips) const { return ::MulDiv(twips, dpi_, 1440); }
    int Dpi() const { return dpi_; }

private:
    int dpi_;
};

}  // namespace kestrin
