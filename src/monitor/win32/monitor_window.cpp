// FrmSrvMan's window: layout in twips, the timers, the icon, and message forwarding to the rules.
#include "monitor/win32/monitor_window.h"

#include <commctrl.h>

#include "app/resource.h"
#include "monitor/command_line.h"
#include "monitor/win32/badged_icon.h"
#include "monitor/win32/input_prompt.h"
#include "win32/dpi.h"
#include "win32/system_function.h"
#include "win32/text.h"
#include "win32/ui_look.h"

namespace kestrin {
namespace {

constexpr wchar_t kWindowClass[] = L"KestrinFrmSrvMan";
constexpr wchar_t kPicHookClass[] = L"KestrinPicHook";
constexpr UINT_PTR kTimer1 = 1;
constexpr UINT_PTR kTimer2 = 2;
constexpr UINT_PTR kTrayRetryTimer = 3;
constexpr UINT kTrayRetryInterval = 2000;
constexpr UINT kTimer1Interval = 1000;
constexpr UINT kTimer2Interval = 60000;
constexpr UINT kAnswersArrived = WM_APP + 1;
constexpr UINT kTrayCallback = WM_MOUSEMOVE;  // the icon's callback, as the notification area sends it
constexpr UINT kTrayIconId = 1;
constexpr int kClientWidth = 4200;  // twips
constexpr int kClientHeight = 1065;
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
// A tool-window frame that still keeps a taskbar button while it is shown.
constexpr DWORD kExStyle = WS_EX_TOOLWINDOW | WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;
constexpr RECT kPicHookPlace{2880, 0, 1215, 495};  // left, top, width, height in twips

struct Control {
    int id;
    const wchar_t* className;
    DWORD style;
    int left, top, width, height;  // twips
};

constexpr Control kControls[] = {
    {IDC_COMMAND1, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 120, 0, 1215, 375},
    {IDC_COMMAND2, L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 1440, 0, 1215, 375},
    {IDC_LBLSTATUS, L"STATIC", SS_CENTER | SS_NOPREFIX, 120, 480, 2295, 255},
    {IDC_LBLSTSTTL, L"STATIC", SS_LEFT | SS_NOPREFIX, 120, 840, 2295, 255},
    {IDC_LBLTIME, L"STATIC", SS_LEFT | SS_NOPREFIX, 2520, 480, 1575, 375},
};

void RegisterClassOnce(HINSTANCE instance, const wchar_t* name, WNDPROC proc, HBRUSH background) {
    WNDCLASSEXW wc{};
    if (::GetClassInfoExW(instance, name, &wc)) return;
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    ::RegisterClassExW(&wc);
}

IconHandle LoadProgramIcon(HINSTANCE instance, int size) {
    return IconHandle(LoadIconImage(instance, IDI_KESTRIN, size));
}

}  // namespace

bool PicHook::Create(HINSTANCE instance, HWND parent, RECT bounds, Callback callback) {
    callback_ = std::move(callback);
    RegisterClassOnce(instance, kPicHookClass, &PicHook::Thunk, nullptr);
    return ::CreateWindowExW(0, kPicHookClass, L"", WS_CHILD, bounds.left, bounds.top, bounds.right - bounds.left,
                             bounds.bottom - bounds.top, parent,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_PICHOOK)), instance, this) != nullptr;
}

LRESULT PicHook::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kTrayCallback && callback_) {
        callback_(static_cast<std::uint32_t>(lp));
        return 0;
    }
    return ::DefWindowProcW(hwnd_, msg, wp, lp);
}

MonitorWindow::MonitorWindow(HINSTANCE instance, AppLifetime& lifetime, SettingsStore& store,
                             std::unique_ptr<ScmPort> scm, ShowAboutFn showAbout, EndSessionFn endSession)
    : instance_(instance),
      lifetime_(lifetime),
      store_(store),
      scm_(std::move(scm)),
      showAbout_(std::move(showAbout)),
      endSession_(std::move(endSession)),
      taskbarCreated_(::RegisterWindowMessageW(L"TaskbarCreated")),
      popupMenu_(::LoadMenuW(instance, MAKEINTRESOURCEW(IDR_POPUPMENU))) {}

MonitorWindow::~MonitorWindow() {
    if (hwnd_) ::DestroyWindow(hwnd_);
}

bool MonitorWindow::Create(const std::string& arguments) {
    RegisterClassOnce(instance_, kWindowClass, &MonitorWindow::Thunk,
                      reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)));
    const TwipsScale system(SystemDpi());
    const SIZE frame = FrameSizeForDpi({system.X(kClientWidth), system.Y(kClientHeight)}, kStyle, true, kExStyle,
                                       SystemDpi());
    HMENU menu = ::LoadMenuW(instance_, MAKEINTRESOURCEW(IDR_MAINMENU));  // owned by the window from here on
    if (!::CreateWindowExW(kExStyle, kWindowClass, L"", kStyle, CW_USEDEFAULT, CW_USEDEFAULT, frame.cx, frame.cy,
                           nullptr, menu, instance_, this)) {
        if (menu) ::DestroyMenu(menu);
        return false;
    }
    lifetime_.WindowOpened();
    CreateControls();
    AllowShellMessages();
    trayIcon_.emplace(picHook_.Handle(), kTrayIconId, kTrayCallback, nullptr);
    // The window may open on a monitor of another scale than the system's.
    dpi_ = WindowDpi(hwnd_);
    FitClientToTwips();
    ApplySystemLook();
    ApplyDpi();
    services_ = std::make_unique<WorkerServiceQueue>(std::move(scm_), hwnd_, kAnswersArrived);
    MonitorView& view = *this;
    Clock& clock = *this;
    frm_ = std::make_unique<FrmSrvMan>(view, store_, *services_, clock);
    frm_->Load(arguments);
    if (!hwnd_) return true;  // the start-up sequence may already have ended the session
    // Windows starts the watcher again after a crash, a hang or an update restart; never with
    // `reset`, which would bring the prompts back instead of watching.
    ::RegisterApplicationRestart(Widen(RestartArguments(arguments)).c_str(), 0);
    ::SetTimer(hwnd_, kTimer1, kTimer1Interval, nullptr);
    ::SetTimer(hwnd_, kTimer2, kTimer2Interval, nullptr);
    return true;
}

void MonitorWindow::FitClientToTwips() {
    // Measured rather than computed: the frame is whatever the system drew, at whatever DPI it drew it.
    const TwipsScale twips(dpi_);
    RECT window{};
    RECT client{};
    ::GetWindowRect(hwnd_, &window);
    ::GetClientRect(hwnd_, &client);
    const int width = twips.X(kClientWidth) + (window.right - window.left) - client.right;
    const int height = twips.Y(kClientHeight) + (window.bottom - window.top) - client.bottom;
    if (width == window.right - window.left && height == window.bottom - window.top) return;
    ::SetWindowPos(hwnd_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void MonitorWindow::CreateControls() {
    for (const Control& c : kControls) {
        ::CreateWindowExW(0, c.className, L"", WS_CHILD | WS_VISIBLE | c.style, 0, 0, 0, 0, hwnd_,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance_, nullptr);
    }
    picHook_.Create(instance_, hwnd_, RECT{}, [this](std::uint32_t message) {
        if (frm_) frm_->TrayCallback(message);
    });
}

void MonitorWindow::ApplyDpi() {
    labelFont_ = CreateMessageFont(dpi_);
    // LblStatus: "System", bold, 9.75 point.
    statusFont_.Reset(::CreateFontW(-::MulDiv(975, static_cast<int>(dpi_), 7200), 0, 0, 0, FW_BOLD, FALSE, FALSE,
                                    FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                    DEFAULT_PITCH | FF_DONTCARE, L"System"));
    for (const Control& c : kControls) {
        HFONT font = c.id == IDC_LBLSTATUS ? statusFont_.Get() : labelFont_.Get();
        ::SendDlgItemMessageW(hwnd_, c.id, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    PlaceControls();
    LoadIcons();
    ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void MonitorWindow::PlaceControls() {
    const TwipsScale twips(dpi_);
    for (const Control& c : kControls) {
        ::SetWindowPos(::GetDlgItem(hwnd_, c.id), nullptr, twips.X(c.left), twips.Y(c.top), twips.X(c.width),
                       twips.Y(c.height), SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ::SetWindowPos(picHook_.Handle(), nullptr, twips.X(kPicHookPlace.left), twips.Y(kPicHookPlace.top),
                   twips.X(kPicHookPlace.right), twips.Y(kPicHookPlace.bottom), SWP_NOZORDER | SWP_NOACTIVATE);
}

void MonitorWindow::LoadIcons() {
    // Each picks the image drawn for its own size; the old ones go only once nothing shows them.
    IconHandle icon = LoadProgramIcon(instance_, MetricForDpi(SM_CXICON, dpi_));
    IconHandle smallIcon = LoadProgramIcon(instance_, MetricForDpi(SM_CXSMICON, dpi_));
    IconHandle trayImage = TrayImage(trayBadge_);
    ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon.Get()));
    ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon.Get()));
    trayIcon_->Modify(nullptr, trayImage.Get());  // refused before the first add: the add takes it then
    icon_ = std::move(icon);
    smallIcon_ = std::move(smallIcon);
    trayImage_ = std::move(trayImage);
}

IconHandle MonitorWindow::TrayImage(TrayBadge badge) const {
    if (badge == TrayBadge::Plain) {
        HICON plain = nullptr;
        if (SUCCEEDED(::LoadIconMetric(instance_, MAKEINTRESOURCEW(IDI_KESTRIN), LIM_SMALL, &plain))) {
            return IconHandle(plain);
        }
    }
    return MakeBadgedIcon(instance_, IDI_KESTRIN, MetricForDpi(SM_CXSMICON, dpi_), badge);
}

void MonitorWindow::ApplySystemLook() {
    statusColours_ = StatusLabelColours(HighContrastOn(), ::GetSysColor(COLOR_WINDOWTEXT), ::GetSysColor(COLOR_WINDOW));
    statusBrush_.Reset(::CreateSolidBrush(statusColours_.background));
}

void MonitorWindow::AllowShellMessages() {
    // Explorer runs at medium integrity: without this, UIPI drops its "TaskbarCreated" broadcast
    // and the icon's callbacks when Kestrin runs elevated.
    if (taskbarCreated_) ::ChangeWindowMessageFilterEx(hwnd_, taskbarCreated_, MSGFLT_ALLOW, nullptr);
    ::ChangeWindowMessageFilterEx(picHook_.Handle(), kTrayCallback, MSGFLT_ALLOW, nullptr);
}

void MonitorWindow::EndSession() {
    frm_->EndSession();
    // Windows, or an installer's Restart Manager, waits for the whole process to go.
    if (endSession_) endSession_();
}

LRESULT MonitorWindow::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (!frm_) return ::DefWindowProcW(hwnd_, msg, wp, lp);
    if (msg == taskbarCreated_ && msg != 0) {
        frm_->TaskbarCreated();
        return 0;
    }
    switch (msg) {
    case WM_DPICHANGED: {
        dpi_ = HIWORD(wp);
        if (const auto* suggested = reinterpret_cast<const RECT*>(lp)) {
            ::SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                           suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        }
        FitClientToTwips();
        ApplyDpi();
        return 0;
    }
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
        ApplySystemLook();
        ApplyDpi();  // the UI font may have changed too
        break;
    case WM_TIMER:
        if (wp == kTimer1) {
            ApplyAnswers();  // unchanged statuses come unannounced: collected before the next is asked
            frm_->Timer1Tick();
        } else if (wp == kTimer2) {
            ApplyAnswers();  // the restart check reads the latest state
            frm_->Timer2Tick();
        } else if (wp == kTrayRetryTimer) {
            frm_->TrayRetryTick();
        }
        return 0;
    case kAnswersArrived:
        ApplyAnswers();
        return 0;
    case WM_COMMAND:
        switch (LOWORD(wp)) {
        case IDC_COMMAND1: frm_->Command1Click(); return 0;
        case IDC_COMMAND2: frm_->Command2Click(); return 0;
        case IDM_ABOUT: frm_->AboutClick(); return 0;
        case IDM_EXIT:
        case IDM_EXIT2: frm_->ExitClick(); return 0;
        default: break;
        }
        break;
    case WM_CTLCOLORSTATIC:
        return ColourLabel(reinterpret_cast<HDC>(wp), reinterpret_cast<HWND>(lp));
    case WM_CLOSE:
        frm_->CloseRequest();
        return 0;
    case WM_QUERYENDSESSION:
        return TRUE;  // never hold up the user's log-off or shut-down
    case WM_ENDSESSION:
        if (wp) EndSession();
        return 0;
    case WM_DESTROY:
        ::KillTimer(hwnd_, kTimer1);
        ::KillTimer(hwnd_, kTimer2);
        ::KillTimer(hwnd_, kTrayRetryTimer);
        services_->Detach();  // a status still on its way finds no window to post to
        frm_->Unload();
        return 0;
    case WM_NCDESTROY:
        lifetime_.WindowClosed();
        break;
    default:
        break;
    }
    return ::DefWindowProcW(hwnd_, msg, wp, lp);
}

void MonitorWindow::ApplyAnswers() {
    for (const ServiceAnswer& answer : services_->TakeAnswers()) frm_->AnswerArrived(answer);
}

LRESULT MonitorWindow::ColourLabel(HDC dc, HWND label) {
    if (::GetDlgCtrlID(label) != IDC_LBLSTATUS) {
        return ::DefWindowProcW(hwnd_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                reinterpret_cast<LPARAM>(label));
    }
    ::SetTextColor(dc, statusColours_.text);
    ::SetBkColor(dc, statusColours_.background);
    return reinterpret_cast<LRESULT>(statusBrush_.Get());
}

void MonitorWindow::SetControlText(int id, const std::string& text) {
    ::SetDlgItemTextW(hwnd_, id, Widen(text).c_str());
}

void MonitorWindow::SetCaption(const std::string& text) { ::SetWindowTextW(hwnd_, Widen(text).c_str()); }

void MonitorWindow::SetCommandCaptions(const std::string& command1, const std::string& command2) {
    SetControlText(IDC_COMMAND1, command1);
    SetControlText(IDC_COMMAND2, command2);
}

void MonitorWindow::SetStatusText(const std::string& text) { SetControlText(IDC_LBLSTATUS, text); }

void MonitorWindow::SetStatusTitle(const std::string& text) { SetControlText(IDC_LBLSTSTTL, text); }

void MonitorWindow::SetTimeText(const std::string& text) { SetControlText(IDC_LBLTIME, text); }

std::string MonitorWindow::Prompt(const std::string& prompt) {
    return ShowInputPrompt(instance_, kApplicationTitle, prompt, prompt_);
}

void MonitorWindow::CancelPrompt() { CancelInputPrompt(prompt_); }

bool MonitorWindow::AddTrayIcon(const TrayLook& look) {
    if (look.badge != trayBadge_ || !trayImage_) {
        trayBadge_ = look.badge;
        trayImage_ = TrayImage(trayBadge_);
        trayIcon_->SetImage(trayImage_.Get());
    }
    return trayIcon_->Add(look.tip);
}

bool MonitorWindow::ModifyTrayIcon(const TrayLook& look, unsigned changes) {
    IconHandle image;
    if (changes & kTrayBadgeChanged) {
        trayBadge_ = look.badge;
        image = TrayImage(trayBadge_);
    }
    const bool modified = trayIcon_->Modify(changes & kTrayTipChanged ? &look.tip : nullptr, image.Get());
    if (image) trayImage_ = std::move(image);  // the shell has its own copy of the old one
    return modified;
}

void MonitorWindow::ShowNotification(const std::string& title, const std::string& text) {
    trayIcon_->ShowBalloon(title, text, icon_.Get());
}

std::string MonitorWindow::SystemMessage(std::uint32_t error) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, error, 0,
        reinterpret_cast<wchar_t*>(&text), 0, nullptr);  // language 0: the user's own
    const std::string message = length ? Narrow(text, length) : std::string();
    if (text) ::LocalFree(text);
    return message;
}

void MonitorWindow::DeleteTrayIcon() { trayIcon_->Delete(); }

void MonitorWindow::SetTrayRetryTimer(bool running) {
    if (running) {
        ::SetTimer(hwnd_, kTrayRetryTimer, kTrayRetryInterval, nullptr);
    } else {
        ::KillTimer(hwnd_, kTrayRetryTimer);
    }
}

void MonitorWindow::FocusTrayIcon() { trayIcon_->GiveBackFocus(); }

void MonitorWindow::ShowNormal() {
    ::ShowWindow(hwnd_, SW_SHOWNORMAL);
    ::SetForegroundWindow(hwnd_);
}

void MonitorWindow::MinimiseAndHide() {
    ::ShowWindow(hwnd_, SW_MINIMIZE);
    ::ShowWindow(hwnd_, SW_HIDE);
}

void MonitorWindow::Hide() { ::ShowWindow(hwnd_, SW_HIDE); }

void MonitorWindow::ShowTrayMenu(TrayMenuAnchor anchor) {
    POINT at{};
    UINT align = TPM_LEFTALIGN;
    if (anchor == TrayMenuAnchor::Icon) {
        at = trayIcon_->MenuAnchor();
        align = TPM_LEFTALIGN | TPM_BOTTOMALIGN;  // above the icon, as the shell's own menus open
    } else {
        ::GetCursorPos(&at);
    }
    // Without the foreground the menu would not close when the user clicks elsewhere.
    ::SetForegroundWindow(hwnd_);
    ::TrackPopupMenuEx(::GetSubMenu(popupMenu_.Get(), 0), align | TPM_LEFTBUTTON, at.x, at.y, hwnd_, nullptr);
    ::PostMessageW(hwnd_, WM_NULL, 0, 0);
}

void MonitorWindow::ShowAbout() {
    if (showAbout_) showAbout_();
}

void MonitorWindow::Unload() { ::DestroyWindow(hwnd_); }

}  // namespace kestrin
