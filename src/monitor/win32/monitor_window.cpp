// FrmSrvMan's window: layout in twips, the timers, the icon, and message forwarding to the rules.
#include "monitor/win32/monitor_window.h"

#include <commctrl.h>

#include <algorithm>

#include "app/resource.h"
#include "monitor/command_line.h"
#include "monitor/win32/badged_icon.h"
#include "monitor/win32/copy_handover.h"
#include "monitor/win32/input_prompt.h"
#include "settings/settings.h"
#include "settings/start_with_windows.h"
#include "win32/dpi.h"
#include "win32/system_function.h"
#include "win32/text.h"
#include "win32/ui_look.h"

namespace kestrin {
namespace {

constexpr const wchar_t* kWindowClass = kMonitorWindowClass;
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
// The list of several services grows with its window.
constexpr DWORD kSeveralStyle = WS_OVERLAPPEDWINDOW;
constexpr DWORD kSeveralExStyle = WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;
constexpr int kMargin = 120;      // twips around the list
constexpr int kListTop = 480;     // twips: below the buttons
constexpr std::size_t kRowsShownAtFirst = 16;
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
                             SettingsStore& machineDefaults, WorkerServiceQueues::MakeScmPortFn makeScmPort,
                             EventRecord& record, StartWithWindows& startWithWindows, ShowAboutFn showAbout,
                             EndSessionFn endSession)
    : instance_(instance),
      lifetime_(lifetime),
      store_(store),
      machineDefaults_(machineDefaults),
      makeScmPort_(std::move(makeScmPort)),
      record_(record),
      startWithWindows_(startWithWindows),
      showAbout_(std::move(showAbout)),
      endSession_(std::move(endSession)),
      taskbarCreated_(::RegisterWindowMessageW(L"TaskbarCreated")),
      bringForward_(::RegisterWindowMessageW(kBringForwardMessage)),
      popupMenu_(::LoadMenuW(instance, MAKEINTRESOURCEW(IDR_POPUPMENU))),
      rowMenu_(::LoadMenuW(instance, MAKEINTRESOURCEW(IDR_ROWMENU))) {}

MonitorWindow::~MonitorWindow() {
    if (hwnd_) ::DestroyWindow(hwnd_);
}

bool MonitorWindow::Create(const CommandLine& commandLine) {
    several_ = !commandLine.services.empty();
    if (several_) setHash_ = NameHash(WatcherSetName(commandLine.services));
    RegisterClassOnce(instance_, kWindowClass, &MonitorWindow::Thunk,
                      reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1)));
    const DWORD style = several_ ? kSeveralStyle : kStyle;
    const DWORD exStyle = several_ ? kSeveralExStyle : kExStyle;
    const TwipsScale system(SystemDpi());
    const SIZE frame = FrameSizeForDpi({system.X(kClientWidth), system.Y(kClientHeight)}, style, true, exStyle,
                                       SystemDpi());
    // Owned by the window from here on.
    HMENU menu = ::LoadMenuW(instance_, MAKEINTRESOURCEW(several_ ? IDR_SEVERALMENU : IDR_MAINMENU));
    if (!::CreateWindowExW(exStyle, kWindowClass, L"", style, CW_USEDEFAULT, CW_USEDEFAULT, frame.cx, frame.cy,
                           nullptr, menu, instance_, this)) {
        if (menu) ::DestroyMenu(menu);
        return false;
    }
    lifetime_.WindowOpened();
    CreateControls(commandLine);
    AllowShellMessages();
    trayIcon_.emplace(picHook_.Handle(), kTrayIconId, kTrayCallback);
    // The window may open on a monitor of another scale than the system's.
    dpi_ = WindowDpi(hwnd_);
    ApplySystemLook();
    ApplyDpi();
    if (several_) {
        FitClientToList();
        PlaceControls();  // its WM_SIZE came before the rules were there to take it
    } else {
        FitClientToTwips();
    }
    services_ = std::make_unique<WorkerServiceQueues>(makeScmPort_, hwnd_, kAnswersArrived, several_);
    MonitorView& view = *this;
    Clock& clock = *this;
    frm_ = std::make_unique<FrmSrvMan>(view, store_, machineDefaults_, static_cast<ServiceQueues&>(*services_),
                                       clock, record_);
    frm_->Load(commandLine);
    if (!hwnd_) return true;  // the start-up sequence may already have ended the session
    // Windows Error Reporting may start this copy again after a crash or a hang, with its own
    // options so it watches the same service. Not after a reboot: the user's own logon start (a
    // shortcut, a Run value, a task) brings it back then, and a second copy would join it.
    if (const std::optional<std::string> restart = RestartArguments(commandLine)) {
        ::RegisterApplicationRestart(Widen(*restart).c_str(), RESTART_NO_REBOOT);
    }
    ::SetTimer(hwnd_, kTimer1, kTimer1Interval, nullptr);
    ::SetTimer(hwnd_, kTimer2, kTimer2Interval, nullptr);
    return true;
}

void MonitorWindow::FitClientToList() {
    const TwipsScale twips(dpi_);
    const SIZE list = list_.FittingSize(kRowsShownAtFirst);
    const int width = std::max<int>(list.cx + 2 * twips.X(kMargin), twips.X(kClientWidth));
    const int height = list.cy + twips.Y(kListTop) + twips.Y(kMargin);
    RECT window{};
    RECT client{};
    ::GetWindowRect(hwnd_, &window);
    ::GetClientRect(hwnd_, &client);
    ::SetWindowPos(hwnd_, nullptr, 0, 0, width + (window.right - window.left) - client.right,
                   height + (window.bottom - window.top) - client.bottom, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
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

void MonitorWindow::CreateControls(const CommandLine& commandLine) {
    for (const Control& c : kControls) {
        // The window of several services has the buttons; the list takes the labels' place.
        if (several_ && c.id != IDC_COMMAND1 && c.id != IDC_COMMAND2) continue;
        ::CreateWindowExW(0, c.className, L"", WS_CHILD | WS_VISIBLE | c.style, 0, 0, 0, 0, hwnd_,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance_, nullptr);
    }
    if (several_) {
        std::vector<ServiceRowText> rows;
        for (const ServiceTarget& target : commandLine.services) {
            const std::string computer = BareComputerName(target.computerName);
            rows.push_back({target.serviceName, computer.empty() ? "This computer" : computer, "", "", ""});
        }
        list_.Create(instance_, hwnd_, IDC_SERVICELIST, rows);
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
    if (several_) list_.ApplyDpi(dpi_, labelFont_.Get());
    PlaceControls();
    LoadIcons();
    ::InvalidateRect(hwnd_, nullptr, TRUE);
}

void MonitorWindow::PlaceControls() {
    const TwipsScale twips(dpi_);
    for (const Control& c : kControls) {
        if (HWND control = ::GetDlgItem(hwnd_, c.id)) {
            ::SetWindowPos(control, nullptr, twips.X(c.left), twips.Y(c.top), twips.X(c.width), twips.Y(c.height),
                           SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    if (several_) {
        RECT client{};
        ::GetClientRect(hwnd_, &client);
        const int margin = twips.X(kMargin);
        ::SetWindowPos(list_.Handle(), nullptr, margin, twips.Y(kListTop), std::max<LONG>(0, client.right - 2 * margin),
                       std::max<LONG>(0, client.bottom - twips.Y(kListTop) - twips.Y(kMargin)), SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ::SetWindowPos(picHook_.Handle(), nullptr, twips.X(kPicHookPlace.left), twips.Y(kPicHookPlace.top),
                   twips.X(kPicHookPlace.right), twips.Y(kPicHookPlace.bottom), SWP_NOZORDER | SWP_NOACTIVATE);
}

void MonitorWindow::LoadIcons() {
    // Each picks the image drawn for its own size; the old ones go only once nothing shows them.
    IconHandle icon = LoadProgramIcon(instance_, MetricForDpi(SM_CXICON, dpi_));
    IconHandle smallIcon = LoadProgramIcon(instance_, MetricForDpi(SM_CXSMICON, dpi_));
    ::SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon.Get()));
    ::SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon.Get()));
    icon_ = std::move(icon);
    smallIcon_ = std::move(smallIcon);
    if (trayBadge_) {
        trayIcon_->SetImage(TrayImage(*trayBadge_));
        trayIcon_->Modify(nullptr, true);  // refused while there is no icon: the next add takes it
    }
}

IconHandle MonitorWindow::TrayImage(TrayBadge badge) const {
    // The notification area draws at the system's DPI, whatever monitor the window is on.
    if (badge == TrayBadge::Plain) {
        HICON plain = nullptr;
        if (SUCCEEDED(::LoadIconMetric(instance_, MAKEINTRESOURCEW(IDI_KESTRIN), LIM_SMALL, &plain))) {
            return IconHandle(plain);
        }
    }
    return MakeBadgedIcon(instance_, IDI_KESTRIN, MetricForDpi(SM_CXSMICON, SystemDpi()), badge);
}

void MonitorWindow::ApplySystemLook() {
    statusColours_ = StatusLabelColours(HighContrastOn(), ::GetSysColor(COLOR_WINDOWTEXT), ::GetSysColor(COLOR_WINDOW));
    statusBrush_.Reset(::CreateSolidBrush(statusColours_.background));
}

void MonitorWindow::AllowShellMessages() {
    // Explorer runs at medium integrity: without this, UIPI drops its "TaskbarCreated" broadcast
    // and the icon's callbacks when Kestrin runs elevated. A second copy started unelevated (at
    // logon, from a shortcut) must reach an elevated one the same way.
    if (taskbarCreated_) ::ChangeWindowMessageFilterEx(hwnd_, taskbarCreated_, MSGFLT_ALLOW, nullptr);
    if (bringForward_) ::ChangeWindowMessageFilterEx(hwnd_, bringForward_, MSGFLT_ALLOW, nullptr);
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
    if (msg == bringForward_ && msg != 0) {
        // Only the copy of the very services the second copy was started for answers.
        if (!several_ || !IsBroughtForward(setHash_, wp, lp)) return 0;
        frm_->BringForward();
        return kBroughtForward;
    }
    switch (msg) {
    case WM_DPICHANGED: {
        dpi_ = HIWORD(wp);
        if (const auto* suggested = reinterpret_cast<const RECT*>(lp)) {
            ::SetWindowPos(hwnd_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                           suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
        }
        if (!several_) FitClientToTwips();
        ApplyDpi();
        return 0;
    }
    case WM_SIZE:
        if (several_ && wp != SIZE_MINIMIZED) PlaceControls();
        break;
    case WM_GETMINMAXINFO:
        if (several_) {
            // Never narrower than the buttons, never shorter than a few rows.
            const TwipsScale twips(dpi_);
            const SIZE least = FrameSizeForDpi({twips.X(kClientWidth), twips.Y(kListTop + 1500)}, kSeveralStyle,
                                               true, kSeveralExStyle, dpi_);
            reinterpret_cast<MINMAXINFO*>(lp)->ptMinTrackSize = POINT{least.cx, least.cy};
            return 0;
        }
        break;
    case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lp);
        if (!several_ || header->hwndFrom != list_.Handle()) break;
        LRESULT result = 0;
        if (list_.OnNotify(*header, result)) frm_->SelectionChanged();
        return result;
    }
    case WM_CONTEXTMENU:
        if (several_ && reinterpret_cast<HWND>(wp) == list_.Handle()) {
            ShowRowMenu(lp);
            return 0;
        }
        break;
    case WM_SETTINGCHANGE:
        if (!SettingChangesLook(wp, lp)) break;
        [[fallthrough]];
    case WM_SYSCOLORCHANGE:
    case WM_THEMECHANGED:
        ApplySystemLook();
        ApplyDpi();  // the UI font may have changed too
        break;
    case WM_INITMENUPOPUP:
        CheckMenuItems(reinterpret_cast<HMENU>(wp));
        return 0;
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
        case IDM_STARTWITHWINDOWS: ToggleStartWithWindows(); return 0;
        case IDM_PAUSE: frm_->PauseClick(); return 0;
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

void MonitorWindow::ShowRowMenu(LPARAM at) {
    POINT where{};
    const std::optional<std::size_t> row = list_.ContextRow(at, where);
    if (!row) return;
    HMENU menu = ::GetSubMenu(rowMenu_.Get(), 0);
    ::CheckMenuItem(menu, IDM_ROW_PAUSE, frm_->Watcher(*row).RestartsPaused() ? MF_CHECKED : MF_UNCHECKED);
    const UINT command = static_cast<UINT>(
        ::TrackPopupMenuEx(menu, TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, where.x, where.y, hwnd_, nullptr));
    switch (command) {
    case IDM_ROW_STOP: frm_->RowCommand(*row, RowAction::Stop); break;
    case IDM_ROW_START: frm_->RowCommand(*row, RowAction::Start); break;
    case IDM_ROW_PAUSE: frm_->RowCommand(*row, RowAction::Pause); break;
    default: break;
    }
}

void MonitorWindow::CheckMenuItems(HMENU menu) {
    // Read as the menu opens: Settings or Task Manager may have switched the start off meanwhile.
    if (::GetMenuState(menu, IDM_STARTWITHWINDOWS, MF_BYCOMMAND) != static_cast<UINT>(-1)) {
        ::CheckMenuItem(menu, IDM_STARTWITHWINDOWS, startWithWindows_.IsOn() ? MF_CHECKED : MF_UNCHECKED);
    }
    ::CheckMenuItem(menu, IDM_PAUSE, frm_->RestartsPaused() ? MF_CHECKED : MF_UNCHECKED);
}

void MonitorWindow::ToggleStartWithWindows() {
    if (const std::uint32_t error = startWithWindows_.Toggle()) {
        ::MessageBoxW(hwnd_, Widen(SystemMessage(error)).c_str(), Widen(kApplicationTitle).c_str(),
                      MB_OK | MB_ICONWARNING);
    }
}

void MonitorWindow::ApplyAnswers() {
    frm_->AnswersArrived(services_->TakeAnswers());
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

void MonitorWindow::SetRow(std::size_t row, const ServiceRowText& cells) { list_.SetRow(row, cells); }

std::vector<std::size_t> MonitorWindow::SelectedRows() { return list_.SelectedRows(); }

void MonitorWindow::SetCommandsEnabled(bool enabled) {
    ::EnableWindow(::GetDlgItem(hwnd_, IDC_COMMAND1), enabled);
    ::EnableWindow(::GetDlgItem(hwnd_, IDC_COMMAND2), enabled);
}

std::string MonitorWindow::Prompt(const std::string& prompt) {
    return ShowInputPrompt(instance_, kApplicationTitle, prompt, prompt_);
}

void MonitorWindow::CancelPrompt() { CancelInputPrompt(prompt_); }

bool MonitorWindow::AddTrayIcon(const TrayLook& look) {
    if (look.badge != trayBadge_) {
        trayBadge_ = look.badge;
        trayIcon_->SetImage(TrayImage(look.badge));
    }
    return trayIcon_->Add(look.tip);
}

TrayAnswer MonitorWindow::ModifyTrayIcon(const TrayLook& look, unsigned changes) {
    const bool image = (changes & kTrayBadgeChanged) != 0;
    if (image && look.badge != trayBadge_) {
        trayBadge_ = look.badge;
        trayIcon_->SetImage(TrayImage(look.badge));
    }
    return trayIcon_->Modify(changes & kTrayTipChanged ? &look.tip : nullptr, image);
}

void MonitorWindow::SetTrayIconVersion() { trayIcon_->SetVersion(); }

std::string MonitorWindow::LocalTimeIn(std::uint64_t ms) {
    FILETIME now{};
    ::GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER at{};
    at.LowPart = now.dwLowDateTime;
    at.HighPart = now.dwHighDateTime;
    at.QuadPart += ms * 10000;  // 100 ns units
    const FILETIME then{at.LowPart, at.HighPart};
    SYSTEMTIME utc{};
    SYSTEMTIME local{};
    if (!::FileTimeToSystemTime(&then, &utc) || !::SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local)) return {};
    // The user's short time format (hours and minutes), as the taskbar clock shows it.
    wchar_t format[80] = {};
    const bool haveFormat = ::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SSHORTTIME, format, 80) > 0;
    wchar_t text[80] = {};
    const int length = ::GetTimeFormatEx(LOCALE_NAME_USER_DEFAULT, haveFormat ? 0 : TIME_NOSECONDS, &local,
                                         haveFormat ? format : nullptr, text, 80);
    return length > 1 ? Narrow(text, static_cast<std::size_t>(length - 1)) : std::string();
}

void MonitorWindow::ShowNotification(const std::string& title, const std::string& text) {
    trayIcon_->ShowBalloon(title, text, icon_.Get());
}

std::string MonitorWindow::SystemMessage(std::uint32_t error) { return SystemMessageText(error); }

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
    // The list is what a keyboard user came for: no Tab needed to reach it.
    if (several_ && !::IsChild(hwnd_, ::GetFocus())) ::SetFocus(list_.Handle());
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
