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

bool HighContrastOn() {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof(contrast);
    return ::SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

}  // namespace kestrin
