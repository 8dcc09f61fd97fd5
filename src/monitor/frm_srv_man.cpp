// The monitor's rules: start-up, status poll, restart countdown, tray dispatch, commands and close.
#include "monitor/frm_srv_man.h"

#include <algorithm>
#include <cctype>

#include "monitor/command_line.h"
#include "settings/settings.h"

namespace kestrin {
namespace {

bool IsStopped(const std::string& stateText) {
    static const std::string kStopped = "stopped";
    return std::equal(stateText.begin(), stateText.end(), kStopped.begin(), kStopped.end(),
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

}  // namespace

std::string TrayTip(const std::string& serviceName, const std::string& stateText) {
    return CutToCharacters(serviceName + ": " + stateText, kTrayTipLength);
}

FrmSrvMan::FrmSrvMan(MonitorView& view, SettingsStore& store, SettingsStore& machineDefaults, ServiceQueue& services,
                     Clock& clock, EventRecord& record)
    : view_(view),
      store_(store),
      machineDefaults_(machineDefaults),
      services_(services),
      clock_(clock),
      record_(record),
      events_([this](std::uint32_t error) { return view_.SystemMessage(error); }) {}

void FrmSrvMan::Load(const std::string& arguments) { Load(ParseCommandLine(arguments)); }

void FrmSrvMan::Load(const CommandLine& commandLine) {
    Settings settings(store_);
    Settings machine(machineDefaults_);
    restartMinutes_ = commandLine.minutes.value_or(
        settings.ReadRestartMinutes().value_or(machine.ReadRestartMinutes().value_or(kDefaultRestartMinutes)));
    minutesToRestart_ = static_cast<std::int16_t>(restartMinutes_);
    exitRequested_ = false;
    loading_ = true;
    view_.SetCaption(kApplicationTitle);
    bool answered = true;
    if (commandLine.service) {
        // The names are the command line's; the store is this copy's own and holds no names.
        computerName_ = commandLine.computer.value_or("");
        serviceName_ = *commandLine.service;
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
    if (answered && serviceName_.empty()) answered = AskForNames();
    loading_ = false;
    if (!answered) {
        // The session ended under the prompts: nothing half answered is kept, and no icon is added.
        view_.Unload();
        return;
    }
    events_.Watch(computerName_, serviceName_, restartMinutes_);
    watching_ = true;
    Record(events_.Entry(EventId::WatchingBegins, "Watching began", restartMinutes_));
    view_.SetCommandCaptions("S&top Service", "&Start Service");
    InitIcon();
    if (minimiseToTray_) {
        view_.MinimiseAndHide();
    } else {
        view_.ShowNormal();
    }
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
    EndPauseIfDue();
    const std::string title = serviceName_ + " Status";
    if (title != statusTitle_) view_.SetStatusTitle(statusTitle_ = title);
    ShowDueNotification();
    // One status at a time: against a slow computer, ticks that find one outstanding ask nothing.
    if (statusOutstanding_) {
        // Windows can take 20 s and more to give up on a computer: meanwhile nothing stale shows,
        // and the restart check, which reads the label, cannot act on it.
        if (!staleShown_ && clock_.NowMs() - statusAskedMs_ >= kStaleAfterMs) {
            staleShown_ = true;
            answered_ = true;  // unknown is an answer for the badge: a grey one, not the plain icon
            ShowState("");
        }
        return;
    }
    statusOutstanding_ = true;
    statusAskedMs_ = clock_.NowMs();
    Enqueue(ServiceCommand::Status);
}

void FrmSrvMan::AnswerArrived(const ServiceAnswer& answer) {
    if (answer.request.command != ServiceCommand::Status) {
        if (!unloaded_) Tell(events_.CommandAnswered(answer.request, answer.error));
        return;
    }
    statusOutstanding_ = false;
    if (unloaded_) return;
    staleShown_ = false;
    answered_ = true;
    ShowState(answer.stateText);
    // The check that will act comes on the tick after the countdown reaches 0.
    Tell(events_.StatusRead(answer.stateText, answer.error, minutesToRestart_ + 1));
}

void FrmSrvMan::ShowState(const std::string& stateText) {
    if (stateText != lblStatus_) view_.SetStatusText(lblStatus_ = stateText);
    RefreshTray();
    const std::string time = IsStopped(lblStatus_) ? CountdownText() : std::string();
    if (time != timeText_) view_.SetTimeText(timeText_ = time);
}

std::string FrmSrvMan::CountdownText() const {
    if (pausedUntilMs_) return "Restarts paused until " + pausedUntilText_;
    return std::to_string(minutesToRestart_) + " Minutes until restart";
}

void FrmSrvMan::Tell(const std::optional<ServiceEvent>& event) {
    if (!event) return;
    // The record is kept whatever "Notifications" says: it is what the administrator reads later.
    Record(events_.EntryFor(*event));
    if (!notificationsOn_) return;
    Notification notification = events_.NotificationFor(*event);
    if (event->kind == ServiceEventKind::Stopped && pausedUntilMs_) {
        notification.text = "Restarts are paused until " + pausedUntilText_ + ".";
    }
    pace_.Offer(std::move(notification));
    ShowDueNotification();
}

void FrmSrvMan::Record(const EventEntry& entry) {
    if (entryPace_.Allow(entry.id, clock_.NowMs())) record_.Write(entry);
}

void FrmSrvMan::ShowDueNotification() {
    if (const auto due = pace_.Due(clock_.NowMs())) view_.ShowNotification(due->title, due->text);
}

void FrmSrvMan::Timer2Tick() {
    EndPauseIfDue();
    if (minutesToRestart_ < 1) {
        // Paused for maintenance: the countdown runs on, the check leaves the service as it is.
        if (IsStopped(lblStatus_) && !pausedUntilMs_) Enqueue(ServiceCommand::Start, true);
        minutesToRestart_ = static_cast<std::int16_t>(restartMinutes_);
    }
    --minutesToRestart_;
}

void FrmSrvMan::PauseClick() {
    if (pausedUntilMs_) {
        ResumeRestarts();
        return;
    }
    pausedUntilMs_ = clock_.NowMs() + kPauseMs;
    pausedUntilText_ = view_.LocalTimeIn(kPauseMs);
    Record(events_.Entry(EventId::RestartsPaused, "Restarts paused until " + pausedUntilText_));
    if (!timeText_.empty()) ShowState(lblStatus_);
}

void FrmSrvMan::EndPauseIfDue() {
    if (pausedUntilMs_ && clock_.NowMs() >= *pausedUntilMs_) ResumeRestarts();
}

void FrmSrvMan::ResumeRestarts() {
    pausedUntilMs_.reset();
    Record(events_.Entry(EventId::RestartsPaused, "Restarts resumed"));
    if (!timeText_.empty()) ShowState(lblStatus_);
}

void FrmSrvMan::Command1Click() { Enqueue(ServiceCommand::Stop); }

void FrmSrvMan::Command2Click() { Enqueue(ServiceCommand::Start); }

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
    if (watching_) Record(events_.Entry(EventId::WatchingEnds, sessionEnded_ ? "Watching ended: the session ended" : "Watching ended"));
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
    return {CurrentTrayTip(), answered_ ? BadgeForState(lblStatus_) : TrayBadge::Plain};
}

void FrmSrvMan::RestoreWindow() {
    view_.ShowNormal();
    minimiseToTray_ = false;
}

std::string FrmSrvMan::CurrentTrayTip() const { return TrayTip(serviceName_, lblStatus_); }

void FrmSrvMan::Enqueue(ServiceCommand command, bool automatic) {
    services_.Enqueue({command, computerName_, serviceName_, automatic});
}

}  // namespace kestrin
