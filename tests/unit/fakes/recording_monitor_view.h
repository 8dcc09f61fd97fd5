// A monitor window that records what the rules asked of it, and a service queue run by the test.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "fakes/fake_scm_port.h"
#include "monitor/clock.h"
#include "monitor/event_record.h"
#include "monitor/frm_srv_man.h"
#include "monitor/monitor_view.h"
#include "service_control/service_queue.h"

namespace kestrin {

class RecordingMonitorView : public MonitorView {
public:
    std::string caption, command1, command2, statusText, statusTitle, timeText, trayTip;
    bool trayIconShown = false;
    bool visible = false;
    bool minimised = false;
    bool trayAccepts = true;             // false: the notification area refuses adds and modifies
    bool trayAddTimesOut = false;        // an add answers false although the icon was added
    bool trayModifyTimesOut = false;     // a modify answers late: not known whether it was made
    int trayVersionsSet = 0;
    bool trayRetryTimer = false;
    int trayModifies = 0;
    int labelSets = 0;
    std::vector<unsigned> trayChanges;   // the changes each modify sent
    TrayBadge trayBadge = TrayBadge::Plain;
    std::vector<Notification> notifications;
    std::deque<std::string> answers;     // what the user types into the prompts, in order
    std::vector<std::string> prompts;    // the prompts asked, in order
    std::vector<std::string> events;     // window and tray operations, in order
    std::function<void()> whileMenuOpen; // runs while the popup menu is "open"
    std::function<void()> whilePrompting; // runs while a prompt is "open"
    FrmSrvMan* frm = nullptr;            // to deliver the window's unload, as the real window does

    void SetCaption(const std::string& text) override { caption = text; }
    void SetCommandCaptions(const std::string& c1, const std::string& c2) override {
        command1 = c1;
        command2 = c2;
    }
    void SetStatusText(const std::string& text) override { SetLabel(statusText, text); }
    void SetStatusTitle(const std::string& text) override { SetLabel(statusTitle, text); }
    void SetTimeText(const std::string& text) override { SetLabel(timeText, text); }
    std::vector<ServiceRowText> rows;    // the list of several services, as set
    int rowSets = 0;
    std::vector<std::size_t> selected;   // the rows the user has selected
    bool commandsEnabled = true;
    void SetRow(std::size_t row, const ServiceRowText& cells) override {
        if (rows.size() <= row) rows.resize(row + 1);
        rows[row] = cells;
        ++rowSets;
    }
    std::vector<std::size_t> SelectedRows() override { return selected; }
    void SetCommandsEnabled(bool enabled) override { commandsEnabled = enabled; }
    void SetLabel(std::string& label, const std::string& text) {
        label = text;
        ++labelSets;
    }
    std::string Prompt(const std::string& prompt) override {
        prompts.push_back(prompt);
        events.push_back("Prompt");
        if (whilePrompting) whilePrompting();
        if (answers.empty()) return "";
        std::string answer = answers.front();
        answers.pop_front();
        return answer;
    }
    void CancelPrompt() override { events.push_back("CancelPrompt"); }
    bool AddTrayIcon(const TrayLook& look) override {
        events.push_back("AddTrayIcon");
        if (!trayAccepts || (trayIconShown && trayAddTimesOut)) return false;
        trayIconShown = true;
        trayTip = look.tip;
        trayBadge = look.badge;
        return !trayAddTimesOut;
    }
    TrayAnswer ModifyTrayIcon(const TrayLook& look, unsigned changes) override {
        ++trayModifies;
        trayChanges.push_back(changes);
        if (trayModifyTimesOut) return TrayAnswer::TimedOut;
        if (!trayAccepts || !trayIconShown) return TrayAnswer::Refused;
        if (changes & kTrayTipChanged) trayTip = look.tip;
        if (changes & kTrayBadgeChanged) trayBadge = look.badge;
        return TrayAnswer::Done;
    }
    void SetTrayIconVersion() override { ++trayVersionsSet; }
    std::string LocalTimeIn(std::uint64_t ms) override { return "in " + std::to_string(ms / 60000) + " min"; }
    void ShowNotification(const std::string& title, const std::string& text) override {
        notifications.push_back({title, text});
    }
    std::string SystemMessage(std::uint32_t error) override {
        return error == 5 ? "Access is denied.\r\n" : "Error " + std::to_string(error) + ".";
    }
    void SetTrayRetryTimer(bool running) override {
        trayRetryTimer = running;
        events.push_back(running ? "StartTrayRetry" : "StopTrayRetry");
    }
    void FocusTrayIcon() override { events.push_back("FocusTrayIcon"); }
    void DeleteTrayIcon() override {
        trayIconShown = false;
        events.push_back("DeleteTrayIcon");
    }
    void ShowNormal() override {
        visible = true;
        minimised = false;
        events.push_back("ShowNormal");
    }
    void MinimiseAndHide() override {
        visible = false;
        minimised = true;
        events.push_back("MinimiseAndHide");
    }
    void Hide() override {
        visible = false;
        events.push_back("Hide");
    }
    void ShowTrayMenu(TrayMenuAnchor anchor) override {
        events.push_back(anchor == TrayMenuAnchor::Mouse ? "ShowTrayMenu" : "ShowTrayMenuAtIcon");
        if (whileMenuOpen) whileMenuOpen();
    }
    void ShowAbout() override { events.push_back("ShowAbout"); }
    void Unload() override {
        events.push_back("Unload");
        if (frm) frm->Unload();
    }
};

class FakeEventRecord : public EventRecord {
public:
    std::vector<EventEntry> entries;
    void Write(const EventEntry& entry) override { entries.push_back(entry); }
};

class FakeClock : public Clock {
public:
    std::uint64_t now = 1000000;
    std::uint64_t NowMs() override { return now; }
};

// Runs requests through the real service procedures against a fake service manager, either at once
// (a synchronous worker) or when the test says so (a worker held up by a slow computer).
class TestServiceQueue : public ServiceQueue {
public:
    explicit TestServiceQueue(FakeScmPort& scm) : scm_(scm) {}

    bool synchronous = true;
    FrmSrvMan* frm = nullptr;
    std::vector<ServiceCommand> asked;  // every request, in the order asked

    void Enqueue(ServiceRequest request) override {
        asked.push_back(request.command);
        // As the worker does: a start or stop behind the same one still waiting is dropped.
        if (!pending_.empty() && SameWaitingCommand(pending_.back(), request)) return;
        pending_.push_back(std::move(request));
        if (synchronous) RunAll();
    }

    // Runs the oldest outstanding request; its answer arrives now.
    void RunOne() {
        const ServiceRequest request = pending_.front();
        pending_.pop_front();
        frm->AnswerArrived(RunServiceRequest(scm_, request));
    }
    void RunAll() {
        while (!pending_.empty()) RunOne();
    }
    std::size_t Outstanding() const { return pending_.size(); }

private:
    FakeScmPort& scm_;
    std::deque<ServiceRequest> pending_;
};

}  // namespace kestrin
