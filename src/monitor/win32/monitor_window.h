// FrmSrvMan's Win32 window: draws what the monitor's rules decide and forwards every event to them.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "monitor/frm_srv_man.h"
#include "monitor/monitor_view.h"
#include "monitor/win32/tray_icon.h"
#include "monitor/win32/worker_service_queue.h"
#include "win32/app_lifetime.h"
#include "win32/unique_handle.h"
#include "win32/window.h"

namespace kestrin {

class SettingsStore;

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

class MonitorWindow : public Window<MonitorWindow>, private MonitorView {
public:
    using ShowAboutFn = std::function<void(HICON icon)>;

    MonitorWindow(HINSTANCE instance, AppLifetime& lifetime, SettingsStore& store, std::unique_ptr<ScmPort> scm,
                  ShowAboutFn showAbout);
    ~MonitorWindow() override;

    // Creates the hidden window, runs the start-up sequence, then starts the two timers.
    bool Create(const std::string& arguments);

    LRESULT OnMessage(UINT msg, WPARAM wp, LPARAM lp);

private:
    void CreateControls();
    void ApplyStatuses();
    LRESULT ColourLabel(HDC dc, HWND label);
    void SetControlText(int id, const std::string& text);

    // MonitorView
    void SetCaption(const std::string& text) override;
    void SetCommandCaptions(const std::string& command1, const std::string& command2) override;
    void SetStatusText(const std::string& text) override;
    void SetStatusTitle(const std::string& text) override;
    void SetTimeText(const std::string& text) override;
    std::string Prompt(const std::string& prompt) override;
    void AddTrayIcon(const std::string& tip) override;
    void ModifyTrayTip(const std::string& tip) override;
    void DeleteTrayIcon() override;
    void ShowNormal() override;
    void MinimiseAndHide() override;
    void Hide() override;
    void ShowTrayMenu() override;
    void ShowAbout() override;
    void Unload() override;

    HINSTANCE instance_;
    AppLifetime& lifetime_;
    SettingsStore& store_;
    std::unique_ptr<ScmPort> scm_;  // handed to the worker once the window exists
    ShowAboutFn showAbout_;
    UINT taskbarCreated_;

    IconHandle icon_;
    IconHandle smallIcon_;
    MenuHandle popupMenu_;
    FontHandle statusFont_;
    FontHandle labelFont_;
    BrushHandle whiteBrush_;
    PicHook picHook_;
    std::unique_ptr<WorkerServiceQueue> services_;
    std::unique_ptr<FrmSrvMan> frm_;
    std::optional<TrayIcon> trayIcon_;
};

}  // namespace kestrin
