// What the program's windows take from the system's look: the UI font at a DPI, and high contrast.
#pragma once

#include <windows.h>

#include "win32/unique_handle.h"

namespace kestrin {

FontHandle CreateMessageFont(UINT dpi);
void SetFontOnChildren(HWND parent, HFONT font);
bool HighContrastOn();

// Calls `fn` by name from user32 when this Windows has it (newer functions on Windows 7).
template <class Fn>
Fn FindUser32Function(const char* name) {
    HMODULE user32 = ::GetModuleHandleW(L"user32.dll");
    // Through void*: the function's real type is Fn's, not FARPROC's.
    return user32 ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(user32, name))) : nullptr;
}

}  // namespace kestrin
