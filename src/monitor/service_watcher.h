// One watched service's rules, free of any window: what its answers mean, when to start it again,
// what to record and what to tell. The window asks; the watcher decides.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "monitor/clock.h"
#include "monitor/event_record.h"
#include "monitor/restart_policy.h"
#include "monitor/service_events.h"
#include "service_control/service_queue.h"
#include "settings/settings.h"

namespace kestrin {

inline constexpr std::uint64_t kStaleAfterMs = 3000;              // an unanswered status: its state is unknown
inline constexpr std::uint64_t kPauseMs = 60 * 60 * 1000;         // restarts paused for maintenance: an hour
inline constexpr std::uint64_t kFailureWindowMs = 5 * 60 * 1000;  // a stop this soon after Kestrin's start failed it
inline constexpr int kMaxBackoffSeconds = 3600;
inline constexpr std::uint64_t kTickSlackMs = 250;
inline constexpr std::size_t kTrayTipLength = 63;

// The icon's tooltip for one service: "<service>: <state>", cut to the first 63 characters.
std::string TrayTip(const std::string& serviceName, const std::string& stateText);

// What a window shows of one watcher.
struct WatchRow {
    std::string stateText;    // the state shown ("" while it cannot be read), which the restart check reads
    std::string restartText;  // the countdown, the delay, the pause or the give-up; "" otherwise
    int restarts = 0;         // started again by Kestrin since watching began
    bool answered = false;    // a status has come back (or has been outstanding too long)
    bool gaveUp = false;
    bool paused = false;
    bool operator==(const WatchRow& o) const {
        return stateText == o.stateText && restartText == o.restartText && restarts == o.restarts &&
               answered == o.answered && gaveUp == o.gaveUp && paused == o.paused;
    }
    bool operator!=(const WatchRow& o) const { return !(*this == o); }
};

// The ports a watcher works through; its owner keeps them alive.
struct WatcherPorts {
    ServiceQueue& statuses;  // the status polls: one queue per computer
    ServiceQueue& commands;  // starts and stops: one queue per service
    EventRecord& record;
    Clock& clock;
    std::function<std::string(std::uint32_t error)> reason;     // the system's text for an error code
    std::function<std::string(std::uint64_t ms)> localTimeIn;  // the local time `ms` from now, as "HH:MM"
};

class ServiceWatcher {
public:
    // `index` comes back in every request this watcher makes, so its owner can route the answers.
    // `displayName` is how notifications name the service ("Spooler on SERVER1" beside another Spooler).
    ServiceWatcher(std::size_t index, ServiceTarget target, RestartPolicy policy, WatcherPorts ports,
                   std::string displayName = {});

    void BeginWatching();
    void EndWatching(bool sessionEnded);  // what the record still holds back, then "watching ended"

    // Every second: the pause's end, a start that is due, the stale state, and the next status.
    void PollTick();
    // Every minute: the countdown, and the restart check when it has run out.
    void MinuteTick();
    // A status, or how a start or stop went; answers the notification it calls for, if any.
    std::optional<Notice> AnswerArrived(const ServiceAnswer& answer);

    void StopService();   // the user's Stop
    void StartService();  // the user's Start
    void TogglePause();   // pauses restarts for an hour, or resumes them at once

    WatchRow Row() const;
    std::string TrayTip() const;  // "<service>: <state>", or that Kestrin gave up on it
    const ServiceTarget& Target() const { return target_; }
    std::int16_t MinutesToRestart() const { return minutesToRestart_; }
    bool RestartsPaused() const { return pausedUntilMs_.has_value(); }
    bool GaveUp() const { return gaveUp_; }
    int Failures() const { return failures_; }

private:
    bool DelayMode() const { return policy_.delaySeconds.has_value(); }
    bool IsShownStopped() const;
    int WaitSeconds() const;  // before the next start: the delay, doubled for each failure so far
    void SeeState(bool predatesStart, std::optional<Notice>& told);
    void CommandAnswered(const ServiceAnswer& answer, std::optional<Notice>& told);
    void Fail(std::uint32_t error, const std::string& reason, std::uint64_t seenAt, std::optional<Notice>& told);
    void StartIfDue();
    void Pause(const std::string& words);  // the entry's words, before the time it ends
    void ResumeRestarts();
    void EndPauseIfDue();
    void Record(const EventEntry& entry, bool force = false);
    void RecordDue(bool atExit);
    Notice NotificationFor(const ServiceEvent& event) const;
    std::string RestartText() const;
    void Enqueue(ServiceQueue& queue, ServiceCommand command, bool automatic = false);

    std::size_t index_;
    ServiceTarget target_;
    RestartPolicy policy_;
    WatcherPorts ports_;
    std::string displayName_;
    ServiceEvents events_;
    EntryPace entryPace_;

    std::string stateText_;  // LblStatus: the single record of the state the restart check reads
    std::int16_t minutesToRestart_ = 10;
    bool watching_ = false;
    bool answered_ = false;
    bool staleShown_ = false;
    bool statusOutstanding_ = false;
    bool statusPredatesStart_ = false;  // asked before Kestrin's start was accepted: it may read the old state
    std::uint64_t statusAskedMs_ = 0;

    std::optional<std::uint64_t> pausedUntilMs_;
    std::string pausedUntilText_;  // the local time the pause ends, as the window shows it
    std::optional<std::uint64_t> restartAtMs_;     // with a delay: when the next start is due
    std::optional<std::uint64_t> startedAtMs_;     // Kestrin's last start was accepted then
    std::optional<std::uint64_t> runningSinceMs_;  // seen running without a break since then
    bool automaticStartOutstanding_ = false;
    bool userStopOutstanding_ = false;  // the user's Stop, not yet answered: a stop it causes is no failure
    int failures_ = 0;  // Kestrin's starts that failed in a row
    bool gaveUp_ = false;
    int gaveUpAfter_ = 0;  // the failures it gave up after, as the window says them
};

}  // namespace kestrin
