// FrmSrvMan's Win32 window: draws what the monitor's rules decide and forwards every event to them.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "monitor/frm_srv_man.h"
#include "monitor/high_contrast.h"
#include "monitor/monitor_view.h"
#include "monitor/win32/service_list.h"
#include "monitor/win32/tray_icon.h"
#include "monitor/win32/worker_service_queues.h"
#include "win32/app_lifetime.h"
#include "win32/unique_handle.h"
#include "win32/window.h"

namespace kestrin {

class SettingsStore;
class StartWithWindows;

// The hidden child that receives the notification icon's callbacks.
class PicHook : public Window<PicHook> {
public:
    using Callback = std::function<void(std::uint32_t mouseMessage)>;
    PicHook() = default;
    bool Create(HINSTANCE instance, HWND parent, RECT bounds, Callback callback);
    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);

private:
    Callback callback_;
};

class MonitorWindow : public Window<MonitorWindow>, private MonitorView, private Clock {
public:
    using ShowAboutFn = std::function<void()>;
    using EndSessionFn = std::function<void()>;  // closes the program's other windows

    MonitorWindow(HINSTANCE instance, AppLifetime& lifetime, SettingsStore& store, SettingsStore& machineDefaults,
                  WorkerServiceQueues::MakeScmPortFn makeScmPort, EventRecord& record,
                  StartWithWindows& startWithWindows, ShowAboutFn showAbout, EndSessionFn endSession);
    ~MonitorWindow() override;

    // Creates the hidden window, runs the start-up sequence, then starts the two timers. A copy given
    // several services gets the window with their list.
    bool Create(const CommandLine& commandLine);

    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);

private:
    void CreateControls(const CommandLine& commandLine);
    void FitClientToList();   // the window of several services: every column, and up to 16 rows
    void ShowRowMenu(LPARAM at);  // a row's shortcut menu, for a WM_CONTEXTMENU from the list
    void ApplyDpi();          // fonts, control places and icons for dpi_
    void ApplySystemLook();   // high contrast and the UI font, after a settings change
    void PlaceControls();
    void FitClientToTwips();  // the frame around a client area of exactly its twips
    void LoadIcons();
    void AllowShellMessages();
    void EndSession();
    void ApplyAnswers();
    void CheckMenuItems(HMENU menu);
    void ToggleStartWithWindows();
    IconHandle TrayImage(TrayBadge badge) const;
    LRESULT ColourLabel(HDC dc, HWND label);
    void SetControlText(int id, const std::string& text);

    // MonitorView
    void SetCaption(const std::string& text) override;
    void SetCommandCaptions(const std::string& command1, const std::string& command2) override;
    void SetStatusText(const std::string& text) override;
    void SetStatusTitle(const std::string& text) override;
    void SetTimeText(const std::string& text) override;
    void SetRow(std::size_t row, const ServiceRowText& cells) override;
    std::vector<std::size_t> SelectedRows() override;
    void SetCommandsEnabled(bool enabled) override;
    std::string Prompt(const std::string& prompt) override;
    void CancelPrompt() override;
    bool AddTrayIcon(const TrayLook& look) override;
    TrayAnswer ModifyTrayIcon(const TrayLook& look, unsigned changes) override;
    void SetTrayIconVersion() override;
    std::string LocalTimeIn(std::uint64_t ms) override;
    void ShowNotification(const std::string& title, const std::string& text) override;
    std::string SystemMessage(std::uint32_t error) override;
    void DeleteTrayIcon() override;
    void SetTrayRetryTimer(bool running) override;
    void FocusTrayIcon() override;
    void ShowNormal() override;
    void MinimiseAndHide() override;
    void Hide() override;
    void ShowTrayMenu(TrayMenuAnchor anchor) override;
    void ShowAbout() override;
    void Unload() override;

    // Clock
    std::uint64_t NowMs() override { return ::GetTickCount64(); }

    HINSTANCE instance_;
    AppLifetime& lifetime_;
    SettingsStore& store_;
    SettingsStore& machineDefaults_;
    WorkerServiceQueues::MakeScmPortFn makeScmPort_;
    EventRecord& record_;
    StartWithWindows& startWithWindows_;  // handed to the worker once the window exists
    ShowAboutFn showAbout_;
    EndSessionFn endSession_;
    UINT taskbarCreated_;
    UINT bringForward_;           // a second copy of the same services asks this one to come forward
    std::uint64_t setHash_ = 0;   // which services this copy watches, as that message names them
    bool several_ = false;
    HWND prompt_ = nullptr;  // the start-up prompt while it is open

    UINT dpi_ = 96;
    LabelColours statusColours_{};
    IconHandle icon_;
    IconHandle smallIcon_;
    std::optional<TrayBadge> trayBadge_;  // the badge of the image the icon record holds

    MenuHandle popupMenu_;
    MenuHandle rowMenu_;
    FontHandle statusFont_;
    FontHandle labelFont_;
    BrushHandle statusBrush_;
    PicHook picHook_;
    std::unique_ptr<WorkerServiceQueues> services_;
    ServiceList list_;
    std::unique_ptr<FrmSrvMan> frm_;
    std::optional<TrayIcon> trayIcon_;
};

}  // namespace kestrin
