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

// Byte length of the first `characters` UTF-8 characters, so a cut never splits one.
std::size_t Utf8Prefix(const std::string& text, std::size_t characters) {
    std::size_t i = 0;
    for (std::size_t n = 0; i < text.size() && n < characters; ++n) {
        ++i;
        while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
    }
    return i;
}

}  // namespace

std::string TrayTip(const std::string& serviceName, const std::string& stateText) {
    const std::string tip = serviceName + ": " + stateText;
    return tip.substr(0, Utf8Prefix(tip, kTrayTipLength));
}

FrmSrvMan::FrmSrvMan(MonitorView& view, SettingsStore& store, ServiceQueue& services)
    : view_(view), store_(store), services_(services) {}

void FrmSrvMan::Load(const std::string& arguments) {
    minutesToRestart_ = 10;
    exitRequested_ = false;
    loading_ = true;
    view_.SetCaption(kApplicationTitle);
    Settings settings(store_);
    bool answered = true;
    if (ContainsReset(arguments)) {
        answered = AskForNames();
    } else {
        computerName_ = settings.ReadComputerName();
        serviceName_ = settings.ReadServiceName();
        minimiseToTray_ = settings.ReadMinimiseToTray();
    }
    if (answered && serviceName_.empty()) answered = AskForNames();
    loading_ = false;
    if (!answered) {
        // The session ended under the prompts: nothing half answered is kept, and no icon is added.
        view_.Unload();
        return;
    }
    view_.SetCommandCaptions("S&top Service", "&Start Service");
    InitIcon();
    if (minimiseToTray_) {
        view_.MinimiseAndHide();
    } else {
        view_.ShowNormal();
    }
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
    view_.SetStatusTitle(serviceName_ + " Status");
    // One status at a time: against a slow computer, ticks that find one outstanding ask nothing.
    if (statusOutstanding_) return;
    statusOutstanding_ = true;
    Enqueue(ServiceCommand::Status);
}

void FrmSrvMan::StatusArrived(const std::string& stateText) {
    statusOutstanding_ = false;
    if (unloaded_) return;
    lblStatus_ = stateText;
    view_.SetStatusText(lblStatus_);
    RefreshTrayTip();
    view_.SetTimeText(IsStopped(lblStatus_) ? std::to_string(minutesToRestart_) + " Minutes until restart"
                                            : std::string());
}

void FrmSrvMan::Timer2Tick() {
    if (minutesToRestart_ < 1) {
        if (IsStopped(lblStatus_)) Enqueue(ServiceCommand::Start);
        minutesToRestart_ = 10;
    }
    --minutesToRestart_;
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
    StopTrayRetry();
    view_.DeleteTrayIcon();
}

void FrmSrvMan::EndSession() {
    if (loading_) {
        // Load sees this when the prompt returns and ends there.
        sessionEnded_ = true;
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
    if (mouseMessage == kTrayDoubleClick || mouseMessage == kTrayKeySelect) {
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
    if (unloaded_) return;
    trayIconAdded_ = false;  // a new notification area holds none of the old icons
    InitIcon();
}

void FrmSrvMan::InitIcon() {
    trayTip_ = CurrentTrayTip();
    trayIconAdded_ = view_.AddTrayIcon(trayTip_);
    if (trayIconAdded_) {
        StopTrayRetry();
    } else if (trayRetriesLeft_ == 0) {
        trayRetriesLeft_ = kTrayAddAttempts;
        view_.SetTrayRetryTimer(true);
    }
}

void FrmSrvMan::TrayRetryTick() {
    if (unloaded_ || trayIconAdded_) {
        StopTrayRetry();
        return;
    }
    trayTip_ = CurrentTrayTip();
    trayIconAdded_ = view_.AddTrayIcon(trayTip_);
    if (trayIconAdded_) {
        StopTrayRetry();
    } else if (trayRetriesLeft_ == 1) {
        StopTrayRetry();
        // Never a running program that cannot be seen: no icon, so the window comes back.
        if (minimiseToTray_) RestoreWindow();
    } else {
        --trayRetriesLeft_;
    }
}

void FrmSrvMan::StopTrayRetry() {
    if (trayRetriesLeft_ == 0) return;
    trayRetriesLeft_ = 0;
    view_.SetTrayRetryTimer(false);
}

void FrmSrvMan::RefreshTrayTip() {
    const std::string tip = CurrentTrayTip();
    if (!trayIconAdded_ || tip == trayTip_) return;  // a refused icon is the retry timer's
    trayTip_ = tip;
    // A refused modify means the shell lost the icon: add it again.
    if (!view_.ModifyTrayTip(trayTip_)) InitIcon();
}

void FrmSrvMan::RestoreWindow() {
    view_.ShowNormal();
    minimiseToTray_ = false;
}

std::string FrmSrvMan::CurrentTrayTip() const { return TrayTip(serviceName_, lblStatus_); }

void FrmSrvMan::Enqueue(ServiceCommand command) { services_.Enqueue({command, computerName_, serviceName_}); }

}  // namespace kestrin
