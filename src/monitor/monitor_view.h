// What the monitor's rules ask of its window; the Win32 window implements it, tests record it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "monitor/tray_badge.h"

namespace kestrin {

// What the notification icon shows; a modify sends only the parts that changed.
struct TrayLook {
    std::string tip;
    TrayBadge badge = TrayBadge::Plain;
};
enum TrayChange : unsigned { kTrayTipChanged = 1, kTrayBadgeChanged = 2 };
inline constexpr unsigned kTrayWholeLook = kTrayTipChanged | kTrayBadgeChanged;

// How the notification area answered a modify. Explorer busy at a slow logon answers late: the call
// gives up after a few seconds although the change (or an add before it) may have been made.
enum class TrayAnswer { Done, TimedOut, Refused };

// Where the popup menu opens: at the mouse for a right press, at the icon for the keyboard.
enum class TrayMenuAnchor { Mouse, Icon };

// One row of the list a copy watching several services shows, cell by cell.
struct ServiceRowText {
    std::string service;
    std::string computer;
    std::string state;
    std::string restart;
    std::string restarts;
    bool operator==(const ServiceRowText& o) const {
        return service == o.service && computer == o.computer && state == o.state && restart == o.restart &&
               restarts == o.restarts;
    }
    bool operator!=(const ServiceRowText& o) const { return !(*this == o); }
};

class MonitorView {
public:
    virtual ~MonitorView() = default;

    virtual void SetCaption(const std::string& text) = 0;
    virtual void SetCommandCaptions(const std::string& command1, const std::string& command2) = 0;
    virtual void SetStatusText(const std::string& text) = 0;   // LblStatus
    virtual void SetStatusTitle(const std::string& text) = 0;  // LblStsTtl
    virtual void SetTimeText(const std::string& text) = 0;     // LblTime

    // The list of several services: a row's cells, set only when one of them changed.
    virtual void SetRow(std::size_t row, const ServiceRowText& cells) = 0;
    virtual std::vector<std::size_t> SelectedRows() = 0;
    virtual void SetCommandsEnabled(bool enabled) = 0;  // the Stop and Start buttons

    // A modal text prompt titled with the application title; Cancel answers "".
    virtual std::string Prompt(const std::string& prompt) = 0;
    virtual void CancelPrompt() = 0;  // closes an open prompt as Cancel would

    // False when the notification area did not take it (not ready, busy, or the icon exists).
    virtual bool AddTrayIcon(const TrayLook& look) = 0;
    virtual TrayAnswer ModifyTrayIcon(const TrayLook& look, unsigned changes) = 0;
    virtual void SetTrayIconVersion() = 0;  // the keyboard's callbacks, once per icon the area holds
    virtual void DeleteTrayIcon() = 0;
    virtual void SetTrayRetryTimer(bool running) = 0;  // ticks reach FrmSrvMan::TrayRetryTick
    virtual void FocusTrayIcon() = 0;                  // the keyboard goes back to the notification area
    // A notification from the icon (a toast on Windows 10 and 11), respecting quiet time.
    virtual void ShowNotification(const std::string& title, const std::string& text) = 0;
    virtual std::string SystemMessage(std::uint32_t error) = 0;  // the system's text for an error code
    // The local time `ms` from now, hours and minutes, in the user's short time format.
    virtual std::string LocalTimeIn(std::uint64_t ms) = 0;

    virtual void ShowNormal() = 0;        // shown, restored, with a taskbar button
    virtual void MinimiseAndHide() = 0;   // minimised and hidden, no taskbar button
    virtual void Hide() = 0;
    virtual void ShowTrayMenu(TrayMenuAnchor anchor) = 0;  // Mnupopup; returns when it has closed
    virtual void ShowAbout() = 0;
    virtual void Unload() = 0;            // destroys the window; its unload reaches FrmSrvMan::Unload
};

}  // namespace kestrin
