// The notification icon with its state badge, drawn at the size the notification area shows it.
#pragma once

#include <windows.h>

#include "monitor/tray_badge.h"
#include "win32/unique_handle.h"

namespace kestrin {

// The program's icon at `size` pixels with `badge` drawn on it; the plain icon for TrayBadge::Plain.
IconHandle MakeBadgedIcon(HINSTANCE instance, int iconId, int size, TrayBadge badge);

}  // namespace kestrin
