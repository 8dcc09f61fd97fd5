// One watched service: the poll's bookkeeping, the countdown and the pause, and the restart policy:
// when a stopped service is started again, when a start has failed, and when Kestrin gives up.
#include "monitor/service_watcher.h"

#include <algorithm>
#include <utility>

#include "text/case.h"

namespace kestrin {
namespace {

// The stopped state is recognised without regard to case.
bool IsStopped(const std::string& stateText) { return SameIgnoringCase(stateText, "stopped"); }

int CeilSeconds(std::uint64_t ms) { return static_cast<int>((ms + 999) / 1000); }

std::string Plural(int n, const char* one, const char* many) { return std::to_string(n) + (n == 1 ? one : many); }

}  // namespace

std::string TrayTip(const std::string& serviceName, const std::string& stateText) {
    return CutToCharacters(serviceName + ": " + stateText, kTrayTipLength);
}

ServiceWatcher::ServiceWatcher(std::size_t index, ServiceTarget target, RestartPolicy policy, WatcherPorts ports,
                               std::string displayName)
    : index_(index),
      target_(std::move(target)),
      policy_(policy),
      ports_(std::move(ports)),
      displayName_(displayName.empty() ? target_.serviceName : std::move(displayName)),
      events_(ports_.reason),
      minutesToRestart_(static_cast<std::int16_t>(policy.minutes)) {}

void ServiceWatcher::BeginWatching() {
    events_.Watch(target_.computerName, target_.serviceName, policy_.minutes, displayName_, DelayMode());
    watching_ = true;
    // A copy given no policy writes what it always wrote; one given a policy says it in words.
    std::string words = "Watching began";
    if (policy_.delaySeconds || policy_.retries) {
        words += policy_.delaySeconds ? ": restart " + std::to_string(*policy_.delaySeconds) + " s after a stop"
                                      : ": restart at the check every " + Plural(policy_.minutes, " minute", " minutes");
        if (policy_.retries) words += ", give up after " + Plural(*policy_.retries, " failed start", " failed starts");
    }
    Record(events_.Entry(EventId::WatchingBegins, words, policy_.delaySeconds.value_or(policy_.minutes)));
}

void ServiceWatcher::EndWatching(bool sessionEnded) {
    if (!watching_) return;
    RecordDue(true);
    Record(events_.Entry(EventId::WatchingEnds, sessionEnded ? "Watching ended: the session ended" : "Watching ended"));
    watching_ = false;
}

void ServiceWatcher::PollTick() {
    EndPauseIfDue();
    StartIfDue();
    // One status at a time: against a slow computer, ticks that find one outstanding ask nothing.
    if (statusOutstanding_) {
        // Windows can take 20 s and more to give up on a computer: meanwhile nothing stale shows,
        // and the restart check, which reads the shown state, cannot act on it.
        if (!staleShown_ && ports_.clock.NowMs() - statusAskedMs_ >= kStaleAfterMs) {
            staleShown_ = true;
            answered_ = true;  // unknown is an answer for the badge: a grey one, not the plain icon
            stateText_.clear();
        }
        return;
    }
    statusOutstanding_ = true;
    statusAskedMs_ = ports_.clock.NowMs();
    Enqueue(ports_.statuses, ServiceCommand::Status);
}

void ServiceWatcher::MinuteTick() {
    EndPauseIfDue();
    if (minutesToRestart_ < 1) {
        // Paused for maintenance: the countdown runs on, the check leaves the service as it is. With a
        // delay the countdown runs unseen and the delay starts the service instead.
        if (!DelayMode() && IsShownStopped() && !pausedUntilMs_ && !gaveUp_) {
            Enqueue(ports_.commands, ServiceCommand::Start, true);
        }
        minutesToRestart_ = static_cast<std::int16_t>(policy_.minutes);
    }
    --minutesToRestart_;
}

std::optional<Notice> ServiceWatcher::AnswerArrived(const ServiceAnswer& answer) {
    std::optional<Notice> told;
    if (answer.request.command != ServiceCommand::Status) {
        if (watching_) CommandAnswered(answer, told);
        return told;
    }
    statusOutstanding_ = false;
    const bool predatesStart = std::exchange(statusPredatesStart_, false);
    if (!watching_) return told;
    staleShown_ = false;
    answered_ = true;
    stateText_ = answer.stateText;
    // The check that will act comes on the tick after the countdown reaches 0.
    const std::vector<ServiceEvent> events = events_.StatusRead(stateText_, answer.error, minutesToRestart_ + 1);
    // A stop read as the state becomes readable again is written after the readable entry, both at
    // once when the stop's pace lets it through: the record then says what happened in order.
    const bool stopAfterSpell = events.size() == 2 && events[1].kind == ServiceEventKind::Stopped;
    const bool force = stopAfterSpell && entryPace_.WouldWrite(EventId::ServiceStopped, ports_.clock.NowMs());
    for (std::size_t i = 0; i < events.size(); ++i) Record(events_.EntryFor(events[i]), force && i == 0);
    SeeState(predatesStart, told);
    RecordDue(false);
    if (!told && !events.empty()) told = NotificationFor(events.back());
    return told;
}

void ServiceWatcher::SeeState(bool predatesStart, std::optional<Notice>& told) {
    const std::uint64_t now = ports_.clock.NowMs();
    // Waits count from the poll that saw the state, not from its answer a little later, so that the
    // tick S seconds on finds the start due rather than a few milliseconds early.
    const std::uint64_t seenAt = std::min(statusAskedMs_, now);
    if (stateText_ == "Running") {
        if (gaveUp_) {
            // Someone else started it: Kestrin watches it as before.
            gaveUp_ = false;
            failures_ = 0;
        }
        if (!runningSinceMs_) {
            runningSinceMs_ = now;
        } else if (now - *runningSinceMs_ >= kFailureWindowMs) {
            failures_ = 0;
        }
    } else if (!stateText_.empty()) {
        runningSinceMs_.reset();
    }
    if (!IsShownStopped()) {
        if (!stateText_.empty()) restartAtMs_.reset();  // it left the stopped state: nothing is due
        return;
    }
    // A status asked before Kestrin's start was accepted may still read the state before it.
    if (predatesStart) return;
    if (startedAtMs_) {
        const std::uint64_t after = now - *std::exchange(startedAtMs_, std::nullopt);
        if (after < kFailureWindowMs && !userStopOutstanding_) {
            Fail(0, "it stopped again " + std::to_string((after + 500) / 1000) + " s after its start", seenAt, told);
        }
    }
    if (DelayMode() && !gaveUp_ && !restartAtMs_) restartAtMs_ = seenAt + static_cast<std::uint64_t>(WaitSeconds()) * 1000;
    StartIfDue();
}

void ServiceWatcher::CommandAnswered(const ServiceAnswer& answer, std::optional<Notice>& told) {
    const ServiceRequest& request = answer.request;
    const bool accepted = answer.error == 0;
    if (request.automatic) {
        automaticStartOutstanding_ = false;
        if (accepted) {
            startedAtMs_ = ports_.clock.NowMs();
            restartAtMs_.reset();
            if (statusOutstanding_) statusPredatesStart_ = true;
        }
    }
    const std::optional<ServiceEvent> event = events_.CommandAnswered(request, answer.error);
    if (event) Record(events_.EntryFor(*event));
    if (request.automatic && !accepted) Fail(answer.error, events_.Reason(answer.error), ports_.clock.NowMs(), told);
    if (request.command == ServiceCommand::Stop && !request.automatic) {
        userStopOutstanding_ = false;
        if (accepted) {
            startedAtMs_.reset();  // the user's stop is never a failed start
            // With a delay the stop would be undone in seconds: it pauses the restarts instead.
            if (DelayMode() && !pausedUntilMs_) Pause("Stopped from Kestrin: restarts paused until ");
        }
    }
    if (event && !told) told = NotificationFor(*event);
}

void ServiceWatcher::Fail(std::uint32_t error, const std::string& reason, std::uint64_t seenAt,
                          std::optional<Notice>& told) {
    ++failures_;
    if (policy_.retries && failures_ >= *policy_.retries) {
        gaveUp_ = true;
        gaveUpAfter_ = failures_;
        restartAtMs_.reset();
        ServiceEvent event;
        event.kind = ServiceEventKind::GaveUp;
        event.error = error;
        event.reason = error ? std::string() : reason;
        event.failures = failures_;
        Record(events_.EntryFor(event));
        told = NotificationFor(event);
        return;
    }
    // The wait is counted from the poll (or the refusal) that shows the failure.
    if (DelayMode()) restartAtMs_ = seenAt + static_cast<std::uint64_t>(WaitSeconds()) * 1000;
}

int ServiceWatcher::WaitSeconds() const {
    const int delay = policy_.delaySeconds.value_or(0);
    if (failures_ == 0) return delay;
    // max(S, 1) doubled per failure, up to an hour: a crash loop with no delay starts about a dozen
    // times in its first hour.
    long long wait = std::max(delay, 1);
    for (int i = 0; i < failures_ && wait < kMaxBackoffSeconds; ++i) wait *= 2;
    return static_cast<int>(std::min<long long>(wait, kMaxBackoffSeconds));
}

void ServiceWatcher::StartIfDue() {
    // Ticks come a few milliseconds early or late: one that comes a little before the start is due
    // starts it, rather than the next, a second late.
    if (!DelayMode() || !restartAtMs_ || ports_.clock.NowMs() + kTickSlackMs < *restartAtMs_) return;
    if (!IsShownStopped() || pausedUntilMs_ || gaveUp_ || automaticStartOutstanding_ || userStopOutstanding_) return;
    automaticStartOutstanding_ = true;
    Enqueue(ports_.commands, ServiceCommand::Start, true);
}

void ServiceWatcher::StopService() {
    userStopOutstanding_ = true;
    Enqueue(ports_.commands, ServiceCommand::Stop);
}

void ServiceWatcher::StartService() {
    // The user's start is a new beginning: the failures so far and a give-up no longer count.
    failures_ = 0;
    gaveUp_ = false;
    if (DelayMode() && pausedUntilMs_) ResumeRestarts();
    Enqueue(ports_.commands, ServiceCommand::Start);
}

void ServiceWatcher::TogglePause() {
    if (pausedUntilMs_) {
        ResumeRestarts();
    } else {
        Pause("Restarts paused until ");
    }
}

void ServiceWatcher::Pause(const std::string& words) {
    pausedUntilMs_ = ports_.clock.NowMs() + kPauseMs;
    pausedUntilText_ = ports_.localTimeIn ? ports_.localTimeIn(kPauseMs) : std::string();
    Record(events_.Entry(EventId::RestartsPaused, words + pausedUntilText_));
}

void ServiceWatcher::EndPauseIfDue() {
    if (pausedUntilMs_ && ports_.clock.NowMs() >= *pausedUntilMs_) ResumeRestarts();
}

void ServiceWatcher::ResumeRestarts() {
    pausedUntilMs_.reset();
    failures_ = 0;
    Record(events_.Entry(EventId::RestartsPaused, "Restarts resumed"));
}

void ServiceWatcher::Record(const EventEntry& entry, bool force) {
    if (entryPace_.Offer(entry, ports_.clock.NowMs(), force)) ports_.record.Write(entry);
}

void ServiceWatcher::RecordDue(bool atExit) {
    for (const EventEntry& entry : entryPace_.Due(ports_.clock.NowMs(), IsShownStopped(), atExit)) {
        ports_.record.Write(entry);
    }
}

Notice ServiceWatcher::NotificationFor(const ServiceEvent& event) const {
    ServiceEvent told = event;
    if (DelayMode() && (event.kind == ServiceEventKind::Stopped || event.kind == ServiceEventKind::RestartRefused)) {
        const std::uint64_t now = ports_.clock.NowMs();
        told.secondsToStart = restartAtMs_ ? CeilSeconds(*restartAtMs_ > now ? *restartAtMs_ - now : 0) : WaitSeconds();
    }
    Notice notice = events_.NotificationFor(told);
    std::string& text = notice.notification.text;
    if (event.kind == ServiceEventKind::Stopped) {
        if (gaveUp_) {
            text = "Kestrin has given up starting it; start it from Kestrin's window.";
        } else if (pausedUntilMs_) {
            text = "Restarts are paused until " + pausedUntilText_ + ".";
        } else if (DelayMode() && userStopOutstanding_) {
            text = "Stopped from Kestrin.";  // its answer, on its way, pauses the restarts
        } else if (DelayMode() && (automaticStartOutstanding_ || told.secondsToStart == 0)) {
            text = "Kestrin is starting it again.";
        }
    }
    return notice;
}

WatchRow ServiceWatcher::Row() const {
    return {stateText_, RestartText(), events_.Restarts(), answered_, gaveUp_, pausedUntilMs_.has_value()};
}

std::string ServiceWatcher::RestartText() const {
    // The give-up wins over the pause, and the pause shows whatever the state: it is chosen for
    // maintenance, usually while the service still runs.
    if (gaveUp_) return "Gave up after " + Plural(gaveUpAfter_, " try", " tries");
    if (pausedUntilMs_) return "Restarts paused until " + pausedUntilText_;
    if (!IsShownStopped()) return {};
    if (DelayMode()) {
        const std::uint64_t now = ports_.clock.NowMs();
        const int seconds = restartAtMs_ && *restartAtMs_ > now ? CeilSeconds(*restartAtMs_ - now) : 0;
        return "Starting in " + std::to_string(seconds) + " s";
    }
    return std::to_string(minutesToRestart_) + " Minutes until restart";
}

std::string ServiceWatcher::TrayTip() const {
    return kestrin::TrayTip(target_.serviceName, gaveUp_ ? "Stopped, gave up" : stateText_);
}

bool ServiceWatcher::IsShownStopped() const { return IsStopped(stateText_); }

void ServiceWatcher::Enqueue(ServiceQueue& queue, ServiceCommand command, bool automatic) {
    ServiceRequest request{command, target_.computerName, target_.serviceName, automatic};
    request.watcher = index_;
    queue.Enqueue(std::move(request));
}

}  // namespace kestrin
