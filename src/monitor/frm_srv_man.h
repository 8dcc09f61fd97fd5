// The monitor window's form state and every one of its handlers, free of any window system.
#pragma once

#include <cstdint>
#include <string>

#include "monitor/clock.h"
#include "monitor/command_line.h"
#include "monitor/event_record.h"
#include "monitor/monitor_view.h"
#include "monitor/service_events.h"
#include "service_control/service_queue.h"
#include "settings/settings_store.h"

namespace kestrin {

inline constexpr const char* kApplicationTitle = "Kestrin";
inline constexpr const char* kDefaultServiceName = "Harbourlink";
inline constexpr const char* kComputerPrompt = "Enter Computer Name (Press enter for Local)";
inline constexpr const char* kServicePrompt = "Enter Service Name (Press enter for Harbourlink)";
inline constexpr std::uint32_t kTrayDoubleClick = 0x203;  // WM_LBUTTONDBLCLK
inline constexpr std::uint32_t kTrayRightPress = 0x204;   // WM_RBUTTONDOWN
// With NOTIFYICON_VERSION the shell adds these to the mouse messages, still carried in lParam.
inline constexpr std::uint32_t kTrayKeySelect = 0x401;    // NIN_KEYSELECT: Enter or Space on the icon
inline constexpr std::uint32_t kTrayContextMenu = 0x7B;   // WM_CONTEXTMENU: menu key, Shift+F10, right release
inline constexpr std::uint32_t kTrayBalloonClick = 0x405; // NIN_BALLOONUSERCLICK: a notification clicked
inline constexpr int kTrayAddAttempts = 30;               // one a retry tick: a minute at 2 s
inline constexpr std::uint64_t kStaleAfterMs = 3000;      // an unanswered status: its state is unknown
inline constexpr std::size_t kTrayTipLength = 63;
inline constexpr std::uint64_t kPauseMs = 60 * 60 * 1000;  // restarts paused for maintenance: an hour

// The icon's tooltip: "<service>: <state>", cut to the first 63 characters.
std::string TrayTip(const std::string& serviceName, const std::string& stateText);

class FrmSrvMan {
public:
    // `machineDefaults` is read only: the names and minutes an administrator's install set for
    // every user of the computer.
    FrmSrvMan(MonitorView& view, SettingsStore& store, SettingsStore& machineDefaults, ServiceQueue& services,
              Clock& clock, EventRecord& record);

    // The start-up sequence; `arguments` is the command line without the program's path. A copy
    // given its service on the command line never prompts; `store` is then that copy's own.
    void Load(const std::string& arguments);
    void Load(const CommandLine& commandLine);

    void Timer1Tick();   // the status poll: title label now, state when the status arrives
    void Timer2Tick();   // the restart countdown
    void AnswerArrived(const ServiceAnswer& answer);  // a status, or how a start or stop went

    void Command1Click();   // stop the service
    void Command2Click();   // start the service
    void AboutClick();
    void PauseClick();      // pauses restarts for an hour, or resumes them at once
    void ExitClick();       // File > Exit and the popup's Exit
    void CloseRequest();    // the close rule: hide unless Exit asked for the close
    void Unload();          // the window is going away
    void EndSession();      // the session is ending: store the hidden state and go

    void TrayCallback(std::uint32_t mouseMessage);
    void TaskbarCreated();  // the notification area was re-created
    void TrayRetryTick();   // another try at adding an icon the notification area refused

    const std::string& ComputerName() const { return computerName_; }
    const std::string& ServiceName() const { return serviceName_; }
    std::int16_t MinutesToRestart() const { return minutesToRestart_; }
    int RestartMinutes() const { return restartMinutes_; }
    bool RestartsPaused() const { return pausedUntilMs_.has_value(); }
    bool MinimiseToTray() const { return minimiseToTray_; }
    bool TrayIconAdded() const { return trayIconAdded_; }
    bool NotificationsOn() const { return notificationsOn_; }

private:
    bool AskForNames();  // false when the session ended while a prompt was open
    void TakeMachineDefaults();
    void InitIcon();
    bool TryAddIcon();  // one add of the icon as it should look now
    void RestoreWindow();
    void StartTrayRetry();
    void StopTrayRetry();
    void RefreshTray();
    void ShowState(const std::string& stateText);  // the labels and the icon, each only if it changed
    void Tell(const std::optional<ServiceEvent>& event);  // the notification and the record
    void Record(const EventEntry& entry);
    void EndPauseIfDue();
    void ResumeRestarts();
    std::string CountdownText() const;
    void ShowDueNotification();  // the one the pace lets through now, if any
    TrayLook CurrentTrayLook() const;
    std::string CurrentTrayTip() const;
    void Enqueue(ServiceCommand command, bool automatic = false);

    MonitorView& view_;
    SettingsStore& store_;
    SettingsStore& machineDefaults_;
    ServiceQueue& services_;
    Clock& clock_;
    EventRecord& record_;
    ServiceEvents events_;
    NotificationPace pace_;
    EntryPace entryPace_;

    std::string computerName_;
    std::string serviceName_;
    std::int16_t minutesToRestart_ = 10;
    int restartMinutes_ = kDefaultRestartMinutes;  // what the countdown is put back to
    std::optional<std::uint64_t> pausedUntilMs_;
    std::string pausedUntilText_;  // the local time the pause ends, as the label shows it
    bool watching_ = false;        // the start-up sequence has finished: watching has begun
    bool exitRequested_ = false;
    bool minimiseToTray_ = false;
    bool trayBusy_ = false;
    bool statusOutstanding_ = false;
    bool unloaded_ = false;
    bool loading_ = false;
    bool sessionEnded_ = false;
    bool trayIconAdded_ = false;
    bool rightPressOpenedMenu_ = false;  // its release's WM_CONTEXTMENU must not open a second menu
    int trayRetriesLeft_ = 0;
    bool answered_ = false;        // a status has come back: the icon carries a badge from now on
    bool staleShown_ = false;      // the state shows as unknown while its status is outstanding
    bool notificationsOn_ = true;
    std::uint64_t statusAskedMs_ = 0;
    std::string lblStatus_;
    std::string statusTitle_;      // what the labels show, so an unchanged text is not set again
    std::string timeText_;
    TrayLook trayLook_;            // what the icon shows, so an unchanged look is not sent again
};

}  // namespace kestrin
