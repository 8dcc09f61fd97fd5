// What the program's windows take from the system's look: the UI font at a DPI, and high contrast.
#pragma once

#include <windows.h>

#include "win32/unique_handle.h"

namespace kestrin {

FontHandle CreateMessageFont(UINT dpi);
void SetFontOnChildren(HWND parent, HFONT font);
bool HighContrastOn();
// Whether a WM_SETTINGCHANGE touches the look: high contrast, the fonts and metrics, the colour set.
bool SettingChangesLook(WPARAM action, LPARAM area);

}  // namespace kestrin
