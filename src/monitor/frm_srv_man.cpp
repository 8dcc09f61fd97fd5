// The monitor's rules: start-up, the poll and countdown handed to each watcher, the labels or list,
// tray dispatch, commands and close.
#include "monitor/frm_srv_man.h"

#include <algorithm>

#include "settings/settings.h"

namespace kestrin {

FrmSrvMan::FrmSrvMan(MonitorView& view, SettingsStore& store, SettingsStore& machineDefaults, ServiceQueue& services,
                     Clock& clock, EventRecord& record)
    : view_(view),
      store_(store),
      machineDefaults_(machineDefaults),
      oneQueue_(std::make_unique<OneQueue>(services)),
      queues_(*oneQueue_),
      clock_(clock),
      record_(record) {}

FrmSrvMan::FrmSrvMan(MonitorView& view, SettingsStore& store, SettingsStore& machineDefaults, ServiceQueues& queues,
                     Clock& clock, EventRecord& record)
    : view_(view), store_(store), machineDefaults_(machineDefaults), queues_(queues), clock_(clock), record_(record) {}

void FrmSrvMan::Load(const std::string& arguments) { Load(ParseCommandLine(arguments)); }

void FrmSrvMan::Load(const CommandLine& commandLine) {
    Settings settings(store_);
    policy_ = ReadRestartPolicy(commandLine, store_, machineDefaults_);
    exitRequested_ = false;
    loading_ = true;
    several_ = !commandLine.services.empty();
    view_.SetCaption(several_ ? std::string(kApplicationTitle) + ": " + std::to_string(commandLine.services.size()) +
                                    " services"
                              : kApplicationTitle);
    bool answered = true;
    if (several_ || commandLine.service) {
        // The names are the command line's; the store is this copy's own and holds no names.
        if (commandLine.service) {
            computerName_ = commandLine.computer.value_or("");
            serviceName_ = *commandLine.service;
        }
        minimiseToTray_ = settings.ReadMinimiseToTray();
    } else if (commandLine.reset) {
        answered = AskForNames();
    } else {
        computerName_ = settings.ReadComputerName();
        serviceName_ = settings.ReadServiceName();
        minimiseToTray_ = settings.ReadMinimiseToTray();
        if (serviceName_.empty()) TakeMachineDefaults();
    }
    notificationsOn_ = settings.ReadNotifications();
    if (!several_ && answered && serviceName_.empty()) answered = AskForNames();
    loading_ = false;
    if (!answered) {
        // The session ended under the prompts: nothing half answered is kept, and no icon is added.
        view_.Unload();
        return;
    }
    Watch(several_ ? commandLine.services : std::vector<ServiceTarget>{{computerName_, serviceName_}});
    view_.SetCommandCaptions("S&top Service", "&Start Service");
    if (several_) view_.SetCommandsEnabled(false);  // until a row is selected
    InitIcon();
    if (minimiseToTray_) {
        view_.MinimiseAndHide();
    } else {
        view_.ShowNormal();
    }
}

void FrmSrvMan::Watch(const std::vector<ServiceTarget>& targets) {
    for (std::size_t i = 0; i < targets.size(); ++i) names_.push_back(DisplayName(targets, i));
    for (std::size_t i = 0; i < targets.size(); ++i) {
        const ServiceTarget& target = targets[i];
        WatcherPorts ports{queues_.Statuses(target.computerName),
                           queues_.Commands(i),
                           record_,
                           clock_,
                           [this](std::uint32_t error) { return view_.SystemMessage(error); },
                           [this](std::uint64_t ms) { return view_.LocalTimeIn(ms); }};
        watchers_.push_back(std::make_unique<ServiceWatcher>(i, target, policy_, std::move(ports), names_[i]));
    }
    shownRows_.resize(targets.size());
    for (const auto& watcher : watchers_) watcher->BeginWatching();
}

void FrmSrvMan::TakeMachineDefaults() {
    // Deployed to the computer: the user starts watching without prompts, with the names stored as
    // the prompts' answers would be, so `reset` and later starts work as for any other user.
    Settings machine(machineDefaults_);
    const std::string service = machine.ReadServiceName();
    if (service.empty()) return;
    computerName_ = machine.ReadComputerName();
    serviceName_ = service;
    Settings(store_).WriteNames(computerName_, serviceName_);
}

bool FrmSrvMan::AskForNames() {
    const std::string computer = view_.Prompt(kComputerPrompt);
    if (sessionEnded_) return false;
    std::string service = view_.Prompt(kServicePrompt);
    if (sessionEnded_) return false;
    computerName_ = computer;
    serviceName_ = service.empty() ? kDefaultServiceName : service;
    Settings(store_).WriteNames(computerName_, serviceName_);
    return true;
}

void FrmSrvMan::Timer1Tick() {
    if (!several_) {
        const std::string title = serviceName_ + " Status";
        if (title != statusTitle_) view_.SetStatusTitle(statusTitle_ = title);
    }
    ShowDueNotification();
    for (const auto& watcher : watchers_) watcher->PollTick();
    ShowRows();
}

void FrmSrvMan::AnswerArrived(const ServiceAnswer& answer) { AnswersArrived({answer}); }

void FrmSrvMan::AnswersArrived(const std::vector<ServiceAnswer>& answers) {
    std::vector<std::pair<std::size_t, Notice>> told;
    for (const ServiceAnswer& answer : answers) {
        const std::size_t index = answer.request.watcher;
        if (index >= watchers_.size()) continue;
        if (std::optional<Notice> notice = watchers_[index]->AnswerArrived(answer)) {
            told.emplace_back(index, std::move(*notice));
        }
    }
    if (unloaded_) return;
    // The window and the icon once for all that arrived together: every icon change waits on Explorer.
    ShowRows();
    // The record is kept whatever "Notifications" says: it is what the administrator reads later.
    if (!notificationsOn_) return;
    // One at a time, as each would have come alone: the first shows at once, later ones wait.
    for (auto& [index, notice] : told) {
        pace_.Offer(index, names_[index], std::move(notice));
        ShowDueNotification();
    }
}

void FrmSrvMan::ShowRows() {
    if (watchers_.empty()) return;
    if (!several_) {
        const WatchRow row = watchers_.front()->Row();
        if (row.stateText != lblStatus_) view_.SetStatusText(lblStatus_ = row.stateText);
        RefreshTray();
        if (row.restartText != timeText_) view_.SetTimeText(timeText_ = row.restartText);
        return;
    }
    for (std::size_t i = 0; i < watchers_.size(); ++i) {
        const WatchRow row = watchers_[i]->Row();
        const ServiceTarget& target = watchers_[i]->Target();
        const std::string computer = BareComputerName(target.computerName);
        ServiceRowText cells{target.serviceName, computer.empty() ? "This computer" : computer,
                             !row.answered ? "" : row.stateText.empty() ? "Cannot be read" : row.stateText,
                             row.restartText, std::to_string(row.restarts)};
        // Only a row whose cells changed is repainted.
        if (cells != shownRows_[i]) view_.SetRow(i, shownRows_[i] = std::move(cells));
    }
    RefreshTray();
}

std::vector<WatchRow> FrmSrvMan::Rows() const {
    std::vector<WatchRow> rows;
    for (const auto& watcher : watchers_) rows.push_back(watcher->Row());
    return rows;
}

void FrmSrvMan::ShowDueNotification() {
    if (const auto due = pace_.Due(clock_.NowMs())) view_.ShowNotification(due->title, due->text);
}

void FrmSrvMan::Timer2Tick() {
    for (const auto& watcher : watchers_) watcher->MinuteTick();
}

void FrmSrvMan::PauseClick() {
    // With several, the item pauses all of them, or resumes all when every one is paused.
    const bool resume = RestartsPaused();
    for (const auto& watcher : watchers_) {
        if (watcher->RestartsPaused() == resume) watcher->TogglePause();
    }
    ShowRows();
}

void FrmSrvMan::RowCommand(std::size_t row, RowAction action) {
    if (row >= watchers_.size()) return;
    ServiceWatcher& watcher = *watchers_[row];
    switch (action) {
    case RowAction::Stop: watcher.StopService(); break;
    case RowAction::Start: watcher.StartService(); break;
    case RowAction::Pause: watcher.TogglePause(); break;
    }
    ShowRows();
}

template <class Each>
void FrmSrvMan::ForSelected(Each each) {
    if (!several_) {
        if (!watchers_.empty()) each(*watchers_.front());
    } else {
        for (const std::size_t row : view_.SelectedRows()) {
            if (row < watchers_.size()) each(*watchers_[row]);
        }
    }
    ShowRows();
}

void FrmSrvMan::Command1Click() {
    ForSelected([](ServiceWatcher& watcher) { watcher.StopService(); });
}

void FrmSrvMan::Command2Click() {
    ForSelected([](ServiceWatcher& watcher) { watcher.StartService(); });
}

void FrmSrvMan::SelectionChanged() { view_.SetCommandsEnabled(!view_.SelectedRows().empty()); }

std::int16_t FrmSrvMan::MinutesToRestart() const {
    return watchers_.empty() ? static_cast<std::int16_t>(policy_.minutes) : watchers_.front()->MinutesToRestart();
}

bool FrmSrvMan::RestartsPaused() const {
    return !watchers_.empty() && std::all_of(watchers_.begin(), watchers_.end(),
                                             [](const auto& watcher) { return watcher->RestartsPaused(); });
}

void FrmSrvMan::AboutClick() { view_.ShowAbout(); }

void FrmSrvMan::ExitClick() {
    exitRequested_ = true;
    CloseRequest();
}

void FrmSrvMan::CloseRequest() {
    if (unloaded_) return;
    const bool letThrough = exitRequested_;
    if (!letThrough) minimiseToTray_ = true;
    Settings(store_).WriteMinimiseToTray(minimiseToTray_);
    if (letThrough) {
        view_.Hide();
        view_.Unload();
    } else {
        view_.MinimiseAndHide();
        // Hidden with no icon: the retries bring the window back if the icon never comes.
        if (!trayIconAdded_) InitIcon();
    }
}

void FrmSrvMan::Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    for (const auto& watcher : watchers_) watcher->EndWatching(sessionEnded_);
    StopTrayRetry();
    view_.DeleteTrayIcon();
}

void FrmSrvMan::EndSession() {
    sessionEnded_ = true;
    if (loading_) {
        // Load sees this when the prompt returns and ends there.
        view_.CancelPrompt();
        return;
    }
    ExitClick();
}

void FrmSrvMan::TrayCallback(std::uint32_t mouseMessage) {
    // A right press opens the menu; the shell follows its release with WM_CONTEXTMENU, which
    // belongs to the same press (it usually arrives while the menu is open, hence before the guard).
    if (mouseMessage == kTrayContextMenu && rightPressOpenedMenu_) {
        rightPressOpenedMenu_ = false;
        return;
    }
    // The popup menu and the restore pump messages; callbacks arriving meanwhile are dropped.
    if (trayBusy_) return;
    trayBusy_ = true;
    if (mouseMessage == kTrayDoubleClick || mouseMessage == kTrayKeySelect || mouseMessage == kTrayBalloonClick) {
        RestoreWindow();
    } else if (mouseMessage == kTrayRightPress) {
        rightPressOpenedMenu_ = true;
        view_.ShowTrayMenu(TrayMenuAnchor::Mouse);
    } else if (mouseMessage == kTrayContextMenu) {
        view_.ShowTrayMenu(TrayMenuAnchor::Icon);
        if (!unloaded_) view_.FocusTrayIcon();
    }
    trayBusy_ = false;
}

void FrmSrvMan::TaskbarCreated() {
    // Under a start-up prompt the names are not known yet: the icon comes once they are.
    if (unloaded_ || loading_) return;
    trayIconAdded_ = false;  // a new notification area holds none of the old icons
    InitIcon();
}

void FrmSrvMan::InitIcon() {
    if (TryAddIcon()) {
        StopTrayRetry();
    } else {
        StartTrayRetry();
    }
}

void FrmSrvMan::StartTrayRetry() {
    if (trayRetriesLeft_ != 0) return;
    trayRetriesLeft_ = kTrayAddAttempts;
    view_.SetTrayRetryTimer(true);
}

void FrmSrvMan::TrayRetryTick() {
    if (unloaded_ || trayIconAdded_) {
        StopTrayRetry();
        return;
    }
    if (TryAddIcon()) {
        StopTrayRetry();
    } else if (trayRetriesLeft_ == 1) {
        StopTrayRetry();
        // Never a running program that cannot be seen: no icon, so the window comes back.
        if (minimiseToTray_) RestoreWindow();
    } else {
        --trayRetriesLeft_;
    }
}

bool FrmSrvMan::TryAddIcon() {
    trayLook_ = CurrentTrayLook();
    // An add that timed out may still have been made, and a second add of the same icon fails: a
    // modify that succeeds says the icon is there.
    trayIconAdded_ = view_.AddTrayIcon(trayLook_) || view_.ModifyTrayIcon(trayLook_, kTrayWholeLook) == TrayAnswer::Done;
    if (trayIconAdded_) view_.SetTrayIconVersion();
    return trayIconAdded_;
}

void FrmSrvMan::StopTrayRetry() {
    if (trayRetriesLeft_ == 0) return;
    trayRetriesLeft_ = 0;
    view_.SetTrayRetryTimer(false);
}

void FrmSrvMan::RefreshTray() {
    if (!trayIconAdded_) return;  // a refused icon is the retry timer's
    const TrayLook look = CurrentTrayLook();
    const unsigned changes = (look.tip != trayLook_.tip ? kTrayTipChanged : 0u) |
                             (look.badge != trayLook_.badge ? kTrayBadgeChanged : 0u);
    if (changes == 0) return;
    switch (view_.ModifyTrayIcon(look, changes)) {
    case TrayAnswer::Done:
        trayLook_ = look;
        break;
    case TrayAnswer::TimedOut:
        // A busy shell, or one that lost the icon without saying so: the retries add it, or learn
        // from a modify that it is still there, without holding up the window meanwhile.
        trayIconAdded_ = false;
        StartTrayRetry();
        break;
    case TrayAnswer::Refused:
        InitIcon();  // the shell lost the icon: add it again
        break;
    }
}

TrayLook FrmSrvMan::CurrentTrayLook() const {
    if (watchers_.empty()) return {};
    if (several_) {
        const std::vector<WatchRow> rows = Rows();
        return {SeveralTrayTip(names_, rows), WorstBadge(rows)};
    }
    const WatchRow row = watchers_.front()->Row();
    return {watchers_.front()->TrayTip(), row.answered ? BadgeForState(row.stateText) : TrayBadge::Plain};
}

void FrmSrvMan::BringForward() {
    if (!unloaded_) RestoreWindow();
}

void FrmSrvMan::RestoreWindow() {
    view_.ShowNormal();
    minimiseToTray_ = false;
}

}  // namespace kestrin
