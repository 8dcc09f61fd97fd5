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
    view_.SetCaption(kApplicationTitle);
    Settings settings(store_);
    if (ContainsReset(arguments)) {
        AskForNames();
    } else {
        computerName_ = settings.ReadComputerName();
        serviceName_ = settings.ReadServiceName();
        minimiseToTray_ = settings.ReadMinimiseToTray();
    }
    if (serviceName_.empty()) AskForNames();
    view_.SetCommandCaptions("S&top Service", "&Start Service");
    view_.AddTrayIcon(CurrentTrayTip());
    if (minimiseToTray_) {
        view_.MinimiseAndHide();
    } else {
        view_.ShowNormal();
    }
}

void FrmSrvMan::AskForNames() {
    computerName_ = view_.Prompt(kComputerPrompt);
    serviceName_ = view_.Prompt(kServicePrompt);
    if (serviceName_.empty()) serviceName_ = kDefaultServiceName;
    Settings(store_).WriteNames(computerName_, serviceName_);
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
    view_.ModifyTrayTip(CurrentTrayTip());
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
    }
}

void FrmSrvMan::Unload() {
    if (unloaded_) return;
    unloaded_ = true;
    view_.DeleteTrayIcon();
}

void FrmSrvMan::EndSession() { ExitClick(); }

void FrmSrvMan::TrayCallback(std::uint32_t mouseMessage) {
    // The popup menu and the restore pump messages; callbacks arriving meanwhile are dropped.
    if (trayBusy_) return;
    trayBusy_ = true;
    if (mouseMessage == kTrayDoubleClick) {
        view_.ShowNormal();
        minimiseToTray_ = false;
    } else if (mouseMessage == kTrayRightPress) {
        view_.ShowTrayMenu();
    }
    trayBusy_ = false;
}

void FrmSrvMan::TaskbarCreated() {
    if (!unloaded_) view_.AddTrayIcon(CurrentTrayTip());
}

std::string FrmSrvMan::CurrentTrayTip() const { return TrayTip(serviceName_, lblStatus_); }

void FrmSrvMan::Enqueue(ServiceCommand command) { services_.Enqueue({command, computerName_, serviceName_}); }

}  // namespace kestrin
