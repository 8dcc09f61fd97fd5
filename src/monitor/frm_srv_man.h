// The monitor window's form state and every one of its handlers, free of any window system. The
// rules of each watched service are its watcher's; the window's and the icon's rules are here.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "monitor/clock.h"
#include "monitor/command_line.h"
#include "monitor/event_record.h"
#include "monitor/monitor_view.h"
#include "monitor/service_events.h"
#include "monitor/restart_policy.h"
#include "monitor/service_watcher.h"
#include "monitor/several_look.h"
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

// What a row's menu does to its service.
enum class RowAction { Stop, Start, Pause };

class FrmSrvMan {
public:
    // `machineDefaults` is read only: the names and restart policy an administrator's install set
    // for every user of the computer. With one queue, statuses and commands all go through it.
    FrmSrvMan(MonitorView& view, SettingsStore& store, SettingsStore& machineDefaults, ServiceQueue& services,
              Clock& clock, EventRecord& record);
    FrmSrvMan(MonitorView& view, SettingsStore& store, SettingsStore& machineDefaults, ServiceQueues& queues,
              Clock& clock, EventRecord& record);

    // The start-up sequence; `arguments` is the command line without the program's path. A copy
    // given its service (or several) on the command line never prompts; `store` is then that copy's own.
    void Load(const std::string& arguments);
    void Load(const CommandLine& commandLine);

    void Timer1Tick();   // the status poll: title label now, state when the status arrives
    void Timer2Tick();   // the restart countdown
    void AnswerArrived(const ServiceAnswer& answer);  // a status, or how a start or stop went
    void AnswersArrived(const std::vector<ServiceAnswer>& answers);  // several that came together

    void Command1Click();   // stop the service (with several: the selected ones)
    void Command2Click();   // start the service (with several: the selected ones)
    void AboutClick();
    void PauseClick();      // pauses restarts for an hour, or resumes them at once (with several: all)
    void RowCommand(std::size_t row, RowAction action);  // a row's menu
    void SelectionChanged();
    void ExitClick();       // File > Exit and the popup's Exit
    void CloseRequest();    // the close rule: hide unless Exit asked for the close
    void Unload();          // the window is going away
    void EndSession();      // the session is ending: store the hidden state and go

    void TrayCallback(std::uint32_t mouseMessage);
    void TaskbarCreated();  // the notification area was re-created
    void TrayRetryTick();   // another try at adding an icon the notification area refused
    void BringForward();    // a second copy for the same services was started: this one shows instead

    const std::string& ComputerName() const { return computerName_; }
    const std::string& ServiceName() const { return serviceName_; }
    std::int16_t MinutesToRestart() const;
    int RestartMinutes() const { return policy_.minutes; }
    bool RestartsPaused() const;  // with several: every one of them
    bool MinimiseToTray() const { return minimiseToTray_; }
    bool TrayIconAdded() const { return trayIconAdded_; }
    bool NotificationsOn() const { return notificationsOn_; }
    const ServiceWatcher& Watcher(std::size_t index) const { return *watchers_[index]; }

private:
    class OneQueue : public ServiceQueues {
    public:
        explicit OneQueue(ServiceQueue& queue) : queue_(queue) {}
        ServiceQueue& Statuses(const std::string&) override { return queue_; }
        ServiceQueue& Commands(std::size_t) override { return queue_; }

    private:
        ServiceQueue& queue_;
    };

    bool AskForNames();  // false when the session ended while a prompt was open
    void TakeMachineDefaults();
    void Watch(const std::vector<ServiceTarget>& targets);
    void InitIcon();
    bool TryAddIcon();  // one add of the icon as it should look now
    void RestoreWindow();
    void StartTrayRetry();
    void StopTrayRetry();
    void ShowRows();    // the labels or list rows, and the icon, each only if it changed
    void RefreshTray();
    void ShowDueNotification();  // the one the pace lets through now, if any
    TrayLook CurrentTrayLook() const;
    std::vector<WatchRow> Rows() const;
    template <class Each>
    void ForSelected(Each each);

    MonitorView& view_;
    SettingsStore& store_;
    SettingsStore& machineDefaults_;
    std::unique_ptr<OneQueue> oneQueue_;
    ServiceQueues& queues_;
    Clock& clock_;
    EventRecord& record_;
    NotificationPace pace_;
    std::vector<std::unique_ptr<ServiceWatcher>> watchers_;
    std::vector<std::string> names_;  // as notifications and the tooltip name each service

    std::string computerName_;
    std::string serviceName_;
    RestartPolicy policy_;
    bool several_ = false;         // a list of services, not the single window's labels
    bool exitRequested_ = false;
    bool minimiseToTray_ = false;
    bool trayBusy_ = false;
    bool unloaded_ = false;
    bool loading_ = false;
    bool sessionEnded_ = false;
    bool trayIconAdded_ = false;
    bool rightPressOpenedMenu_ = false;  // its release's WM_CONTEXTMENU must not open a second menu
    int trayRetriesLeft_ = 0;
    bool notificationsOn_ = true;
    std::string statusTitle_;      // what the labels show, so an unchanged text is not set again
    std::string lblStatus_;
    std::string timeText_;
    std::vector<ServiceRowText> shownRows_;
    TrayLook trayLook_;            // what the icon shows, so an unchanged look is not sent again
};

}  // namespace kestrin
