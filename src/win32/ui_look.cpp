// The system's UI font and high-contrast switch, taken afresh whenever the settings change.
#include "win32/ui_look.h"

#include "win32/dpi.h"

namespace kestrin {

FontHandle CreateMessageFont(UINT dpi) {
    const LOGFONTW font = MessageFontForDpi(dpi);
    return FontHandle(::CreateFontIndirectW(&font));
}

void SetFontOnChildren(HWND parent, HFONT font) {
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        ::SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
}

bool SettingChangesLook(WPARAM action, LPARAM area) {
    // Most broadcasts ("Environment", "Policy", "intl" ...) change nothing a window of ours draws.
    if (action == SPI_SETHIGHCONTRAST || action == SPI_SETNONCLIENTMETRICS || action == SPI_SETICONTITLELOGFONT ||
        action == SPI_SETICONMETRICS) {
        return true;
    }
    const auto* name = reinterpret_cast<const wchar_t*>(area);
    return name && (::lstrcmpiW(name, L"ImmersiveColorSet") == 0 || ::lstrcmpiW(name, L"WindowMetrics") == 0);
}

bool HighContrastOn() {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof(contrast);
    return ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

}  // namespace kestrin
