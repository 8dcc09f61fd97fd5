// frmAbout: the modeless About window with the program's title, version and description.
#include "about/win32/about_window.h"

#include <algorithm>
#include <optional>

#include "about/about_texts.h"
#include "about/sys_info.h"
#include "about/win32/process_sys_info_port.h"
#include "about/win32/version_resource.h"
#include "app/resource.h"
#include "monitor/frm_srv_man.h"
#include "monitor/high_contrast.h"
#include "win32/dpi.h"
#include "win32/system_function.h"
#include "win32/text.h"
#include "win32/ui_look.h"

namespace kestrin {
namespace {

// Design-time places in twips: left, top, width, height.
struct Place {
    int id;
    int left, top, width, height;
};
constexpr Place kPlaces[] = {
    {IDC_PICICON, 240, 240, 540, 540},          {IDOK, 1800, 2040, 1260, 345},
    {IDC_CMDSYSINFO, 3120, 2040, 1245, 345},    {IDC_LBLDESCRIPTION, 1080, 840, 3285, 570},
    {IDC_LBLTITLE, 1050, 240, 3165, 240},       {IDC_LBLVERSION, 1050, 480, 3165, 225},
    {IDC_LBLDISCLAIMER, 960, 1680, 3375, 345},
};
constexpr int kDialogDpiChangeDisableAll = 1;  // DDC_DISABLE_ALL, Windows 10 1703 and later
constexpr int kClientLeft = 2340;
constexpr int kClientTop = 1935;
constexpr int kClientWidth = 4425;
constexpr int kClientHeight = 2460;

// Line1: a white line two pixels wide under a grey one, running past the client's right edge.
constexpr int kLineLeft = 120;
constexpr int kLineY = 1560;
constexpr int kWhiteLineRight = 5669;
constexpr int kGreyLineRight = 5684;

}  // namespace

AboutWindow::AboutWindow(HINSTANCE instance, AppLifetime& lifetime) : instance_(instance), lifetime_(lifetime) {}

AboutWindow::~AboutWindow() {
    if (hwnd_) ::DestroyWindow(hwnd_);
}

void AboutWindow::Show() {
    if (!hwnd_) {
        if (!::CreateDialogParamW(instance_, MAKEINTRESOURCEW(IDD_ABOUT), Owner(), DialogProc,
                                  reinterpret_cast<LPARAM>(this))) {
            return;
        }
    }
    ::ShowWindow(hwnd_, ::IsIconic(hwnd_) ? SW_RESTORE : SW_SHOW);
    ::SetForegroundWindow(hwnd_);
}

bool AboutWindow::PreTranslate(MSG& msg) { return hwnd_ && ::IsDialogMessageW(hwnd_, &msg); }

void AboutWindow::Close() {
    if (hwnd_) ::DestroyWindow(hwnd_);
}

HWND AboutWindow::Owner() {
    // An owned window gets no taskbar button; the owner is never shown, so the main window stays free.
    if (!owner_) {
        owner_.Reset(::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance_, nullptr));
    }
    return owner_.Get();
}

INT_PTR CALLBACK AboutWindow::DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) noexcept {
    auto* self = reinterpret_cast<AboutWindow*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<AboutWindow*>(lp);
        self->hwnd_ = hwnd;
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lp);
    }
    if (!self) return FALSE;
    const INT_PTR result = self->OnMessage(msg, wp, lp);
    if (msg == WM_NCDESTROY) {  // the last message this window receives
        ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->hwnd_ = nullptr;
        self->picture_.Reset();
        self->font_.Reset();
        self->lifetime_.WindowClosed();
    }
    return result;
}

INT_PTR AboutWindow::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_INITDIALOG: {
        lifetime_.WindowOpened();
        // Every place is in twips: the dialog manager's own rescaling would fight it.
        using Fn = BOOL(WINAPI*)(HWND, int, int);
        if (const auto setBehaviour = FindSystemFunction<Fn>(L"user32.dll", "SetDialogDpiChangeBehavior")) {
            setBehaviour(hwnd_, kDialogDpiChangeDisableAll, kDialogDpiChangeDisableAll);
        }
        dpi_ = WindowDpi(hwnd_);
        Load();
        ApplyDpi();
        PlaceControls(nullptr);
        return TRUE;  // the focus goes to cmdOK, the first control in tab order
    }
    case WM_DPICHANGED:
        dpi_ = HIWORD(wp);
        ApplyDpi();
        PlaceControls(reinterpret_cast<const RECT*>(lp));
        ::InvalidateRect(hwnd_, nullptr, TRUE);
        return TRUE;
    case WM_SETTINGCHANGE:
        if (!SettingChangesLook(wp, lp)) return FALSE;
        [[fallthrough]];
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
        ApplyDpi();
        ::InvalidateRect(hwnd_, nullptr, TRUE);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDOK:       // cmdOK and Enter
        case IDCANCEL:   // Esc: cmdOK is also the cancel button
            ::DestroyWindow(hwnd_);
            return TRUE;
        case IDC_CMDSYSINFO:
            if (HIWORD(wp) == BN_CLICKED) StartSysInfoClick();
            return TRUE;
        }
        return FALSE;
    case WM_CLOSE:
        ::DestroyWindow(hwnd_);
        return TRUE;
    case WM_PAINT:
        PaintLines();
        return TRUE;
    }
    return FALSE;
}

void AboutWindow::Load() {
    const std::optional<ModuleVersion> version = ReadModuleVersion(nullptr);
    const AboutTexts texts = MakeAboutTexts(kApplicationTitle, version ? version->numbers : VersionNumbers{},
                                            version ? version->description : std::string());
    ::SetWindowTextW(hwnd_, Widen(texts.caption).c_str());
    // Without a version resource there is no version to show, rather than a made-up one.
    ::SetDlgItemTextW(hwnd_, IDC_LBLVERSION, version ? Widen(texts.version).c_str() : L"");
    ::SetDlgItemTextW(hwnd_, IDC_LBLTITLE, Widen(texts.title).c_str());
    ::SetDlgItemTextW(hwnd_, IDC_LBLDESCRIPTION, Widen(texts.description).c_str());
}

void AboutWindow::ApplyDpi() {
    font_ = CreateMessageFont(dpi_);
    SetFontOnChildren(hwnd_, font_.Get());
    // The main window's icon, drawn at this window's size rather than stretched.
    const int size = MetricForDpi(SM_CXICON, dpi_);
    IconHandle picture(LoadIconImage(instance_, IDI_KESTRIN, size));
    ::SendDlgItemMessageW(hwnd_, IDC_PICICON, STM_SETICON, reinterpret_cast<WPARAM>(picture.Get()), 0);
    picture_ = std::move(picture);
}

void AboutWindow::PlaceControls(const RECT* suggested) {
    const TwipsScale scale(dpi_);
    // The client area, not the frame, sits at the fixed place, whatever the frame's size.
    RECT window{};
    RECT client{};
    POINT origin{0, 0};
    ::GetWindowRect(hwnd_, &window);
    ::GetClientRect(hwnd_, &client);
    ::ClientToScreen(hwnd_, &origin);
    const DWORD style = static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(::GetWindowLongPtrW(hwnd_, GWL_EXSTYLE));
    const SIZE frame = FrameSizeForDpi({scale.X(kClientWidth), scale.Y(kClientHeight)}, style, false, exStyle, dpi_);
    if (suggested) {
        // Windows chose where the window goes on its new monitor.
        ::SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, frame.cx, frame.cy,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        const int frameWidth = (window.right - window.left) - client.right;
        const int frameHeight = (window.bottom - window.top) - client.bottom;
        ::SetWindowPos(hwnd_, nullptr, scale.X(kClientLeft) - (origin.x - window.left),
                       scale.Y(kClientTop) - (origin.y - window.top), scale.X(kClientWidth) + frameWidth,
                       scale.Y(kClientHeight) + frameHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    }

    for (const Place& place : kPlaces) {
        // picIcon sizes itself to its picture.
        const UINT sizing = place.id == IDC_PICICON ? SWP_NOSIZE : 0;
        ::SetWindowPos(::GetDlgItem(hwnd_, place.id), nullptr, scale.X(place.left), scale.Y(place.top),
                       scale.X(place.width), scale.Y(place.height), SWP_NOZORDER | SWP_NOACTIVATE | sizing);
    }
}

void AboutWindow::PaintLines() {
    PAINTSTRUCT paint{};
    HDC dc = ::BeginPaint(hwnd_, &paint);
    const TwipsScale scale(dpi_);
    const SeparatorColours colours =
        AboutSeparatorColours(HighContrastOn(), ::GetSysColor(COLOR_3DSHADOW), ::GetSysColor(COLOR_3DHIGHLIGHT));
    const int left = scale.X(kLineLeft);
    const int y = scale.Y(kLineY);
    const int pixel = std::max(1, ::MulDiv(1, static_cast<int>(dpi_), 96));  // 1 and 2 pixels at 96 DPI
    HBRUSH brush = static_cast<HBRUSH>(::GetStockObject(DC_BRUSH));
    const RECT lower{left, y, scale.X(kWhiteLineRight), y + 2 * pixel};
    ::SetDCBrushColor(dc, colours.lower);
    ::FillRect(dc, &lower, brush);
    const RECT upper{left, y, scale.X(kGreyLineRight), y + pixel};
    ::SetDCBrushColor(dc, colours.upper);
    ::FillRect(dc, &upper, brush);
    ::EndPaint(hwnd_, &paint);
}

void AboutWindow::StartSysInfoClick() {
    ProcessSysInfoPort system(hwnd_, kApplicationTitle);
    StartSysInfo(registry_, system);
}

}  // namespace kestrin
