// The restart policy of one watcher against the fake clock: the delay, what counts as a failed start,
// the backoff and its cap, the give-up and its ends, and a Stop from the window that pauses.
#include <gtest/gtest.h>

#include <deque>

#include "fakes/fake_scm_port.h"
#include "fakes/recording_monitor_view.h"
#include "monitor/service_watcher.h"

namespace kestrin {
namespace {

constexpr std::uint32_t kStopped = 1, kRunning = 4;

// One watcher over a fake service manager; requests wait until the test lets the worker run them.
struct Watched : ServiceQueue {
    FakeScmPort scm;
    FakeClock clock;
    FakeEventRecord record;
    std::deque<ServiceRequest> pending;
    std::vector<Notification> told;
    std::vector<std::uint64_t> startsAtMs;  // when each of Kestrin's own starts reached the manager
    bool crashes = false;                   // a started service is stopped again by the next poll
    std::uint64_t answerDelayMs = 0;        // how long after its tick each answer arrives
    ServiceWatcher watcher;

    explicit Watched(RestartPolicy policy)
        : watcher(0, {"", "Spooler"}, policy,
                  WatcherPorts{*this, *this, record, clock, [](std::uint32_t e) { return e == 5 ? "Access is denied." : ""; },
                               [](std::uint64_t) { return "13:05"; }}) {
        scm.state = kStopped;
        watcher.BeginWatching();
    }
    void Enqueue(ServiceRequest request) override { pending.push_back(std::move(request)); }
    void Run() {
        while (!pending.empty()) {
            const ServiceRequest request = pending.front();
            pending.pop_front();
            if (request.automatic) startsAtMs.push_back(clock.now);
            const ServiceAnswer answer = RunServiceRequest(scm, request);
            if (auto notice = watcher.AnswerArrived(answer)) told.push_back(notice->notification);
        }
    }
    // One second later: the poll tick and what the worker answers.
    void Second() {
        clock.now += 1000 - answerDelayMs;
        if (crashes && scm.state == kRunning) scm.state = kStopped;
        watcher.PollTick();
        clock.now += answerDelayMs;
        Run();
    }
    void Seconds(int n) {
        for (int i = 0; i < n; ++i) Second();
    }
    std::vector<EventId> Ids() const {
        std::vector<EventId> ids;
        for (const EventEntry& entry : record.entries) ids.push_back(entry.id);
        return ids;
    }
};

RestartPolicy Delay(int seconds, std::optional<int> retries = std::nullopt) {
    RestartPolicy policy;
    policy.delaySeconds = seconds;
    policy.retries = retries;
    return policy;
}

TEST(RestartDelay, StartsAStoppedServiceSecondsAfterItWasFirstSeenStoppedAndCountsDown) {
    Watched h(Delay(5));
    h.Second();  // seen stopped
    EXPECT_EQ(h.watcher.Row().restartText, "Starting in 5 s");
    EXPECT_EQ(h.record.entries.front().strings[2], "Watching began: restart 5 s after a stop");
    h.Seconds(3);
    EXPECT_EQ(h.watcher.Row().restartText, "Starting in 2 s");
    EXPECT_EQ(h.scm.starts, 0);
    h.Seconds(2);
    EXPECT_EQ(h.scm.starts, 1);
    h.Second();
    EXPECT_EQ(h.watcher.Row().stateText, "Running");
    EXPECT_EQ(h.watcher.Row().restartText, "");
    for (int minute = 0; minute < 12; ++minute) h.watcher.MinuteTick();  // the countdown never acts
    EXPECT_EQ(h.scm.starts, 1);

    Watched late(Delay(5));  // answers that arrive after their tick still start it on time
    late.answerDelayMs = 40;
    late.Seconds(5);
    EXPECT_EQ(late.scm.starts, 0);
    late.Second();
    EXPECT_EQ(late.scm.starts, 1);

    Watched now(Delay(0));  // the start is asked for as the answer that reads Stopped arrives
    now.watcher.PollTick();
    now.Run();
    EXPECT_EQ(now.scm.starts, 1);
}

TEST(RestartDelay, AStopIsToldWithTheWaitAndAStopFromTheWindowPausesInstead) {
    Watched h(Delay(5));
    h.scm.state = kRunning;
    h.Second();
    h.scm.state = kStopped;
    h.Second();
    ASSERT_EQ(h.told.size(), 1u);
    EXPECT_EQ(h.told[0].text, "Kestrin will start it again in 5 seconds.");

    h.Seconds(6);  // started again
    ASSERT_EQ(h.watcher.Row().stateText, "Running");
    h.scm.refuseStop = 5;
    h.watcher.StopService();  // refused: nothing is paused
    h.Run();
    EXPECT_FALSE(h.watcher.RestartsPaused());
    h.scm.refuseStop = 0;
    h.watcher.StopService();
    h.Run();
    EXPECT_TRUE(h.watcher.RestartsPaused());
    EXPECT_EQ(h.record.entries.back().strings[2], "Stopped from Kestrin: restarts paused until 13:05");
    h.Seconds(30);
    EXPECT_EQ(h.scm.starts, 1);
    EXPECT_EQ(h.watcher.Row().restartText, "Restarts paused until 13:05");
    EXPECT_EQ(h.watcher.Failures(), 0);  // the user's stop is no failed start
    h.watcher.StartService();  // ends the pause
    h.Run();
    EXPECT_FALSE(h.watcher.RestartsPaused());
    EXPECT_EQ(h.scm.starts, 2);
}

TEST(FailedStarts, ARefusalOrAStopWithinFiveMinutesFailsAndFiveMinutesRunningForgets) {
    Watched h(Delay(1));
    h.scm.refuseStart = 5;
    h.Seconds(3);  // seen stopped, started a second later: refused
    EXPECT_EQ(h.watcher.Failures(), 1);
    EXPECT_EQ(h.told.back().text, "Access is denied. It will try again in 2 seconds.");
    h.scm.refuseStart = 0;
    h.crashes = true;
    h.Seconds(3);  // started, then seen stopped again 1 s later
    EXPECT_EQ(h.watcher.Failures(), 2);
    h.crashes = false;
    h.Seconds(10);  // started again after 4 s, and running since
    EXPECT_EQ(h.watcher.Row().stateText, "Running");
    EXPECT_EQ(h.watcher.Failures(), 2);
    h.clock.now += kFailureWindowMs;
    h.Second();
    EXPECT_EQ(h.watcher.Failures(), 0);

    // Minutes after its start: a stop, not a failed start.
    Watched late(Delay(1));
    late.Seconds(3);
    late.clock.now += kFailureWindowMs;
    late.scm.state = kStopped;
    late.Second();
    EXPECT_EQ(late.watcher.Failures(), 0);
}

TEST(Backoff, EachFailureDoublesTheWaitUpToAnHour) {
    Watched h(Delay(0));
    h.crashes = true;
    const std::uint64_t began = h.clock.now;
    while (h.clock.now < began + 3 * 3600 * 1000) h.Second();
    std::vector<std::uint64_t> waits;
    for (std::size_t i = 1; i < h.startsAtMs.size(); ++i) {
        waits.push_back((h.startsAtMs[i] - h.startsAtMs[i - 1]) / 1000);
    }
    // Each wait counts from the poll that shows the crash, a second after the start.
    const std::vector<std::uint64_t> expected{3, 5, 9, 17, 33, 65, 129, 257, 513, 1025, 2049, 3601};
    EXPECT_EQ(waits, expected);
    const auto inFirstHour = std::count_if(h.startsAtMs.begin(), h.startsAtMs.end(),
                                           [&](std::uint64_t at) { return at < began + 3600 * 1000; });
    EXPECT_LE(inFirstHour, 13);
}

TEST(GiveUp, AfterNFailuresNoMoreStartsOneNoticeAndEntryUntilAStartOrARunningService) {
    Watched h(Delay(1, 3));
    h.crashes = true;
    h.Seconds(60);
    EXPECT_EQ(h.startsAtMs.size(), 3u);
    EXPECT_TRUE(h.watcher.GaveUp());
    EXPECT_EQ(h.watcher.Row().restartText, "Gave up after 3 tries");
    EXPECT_EQ(h.watcher.TrayTip(), "Spooler: Stopped, gave up");
    EXPECT_EQ(h.told.back().title, "Kestrin gave up on Spooler");
    EXPECT_EQ(h.told.back().text, "It failed to start 3 times in a row (it stopped again 1 s after its start). "
                                  "Start it from Kestrin's window once the cause is fixed.");
    const EventEntry& entry = h.record.entries.back();
    EXPECT_EQ(entry.id, EventId::RestartsGivenUp);
    EXPECT_EQ(entry.type, EventType::Error);
    EXPECT_EQ(entry.strings[2], "Restarts stopped after 3 failed starts");
    EXPECT_EQ(entry.strings[5], "3");
    const std::vector<EventId> ids = h.Ids();
    EXPECT_EQ(std::count(ids.begin(), ids.end(), EventId::RestartsGivenUp), 1);

    h.watcher.TogglePause();  // the pause does not end it, and the give-up shows over it
    h.watcher.TogglePause();
    EXPECT_TRUE(h.watcher.GaveUp());
    EXPECT_EQ(h.watcher.Row().restartText, "Gave up after 3 tries");

    h.crashes = false;  // someone else starts it
    h.scm.state = kRunning;
    h.Second();
    EXPECT_FALSE(h.watcher.GaveUp());
    EXPECT_EQ(h.watcher.Failures(), 0);

    Watched started(Delay(1, 1));  // the user's Start ends it too
    started.scm.refuseStart = 5;
    started.Seconds(5);
    ASSERT_TRUE(started.watcher.GaveUp());
    EXPECT_EQ(started.told.back().text, "It failed to start 1 time in a row (Access is denied). "
                                        "Start it from Kestrin's window once the cause is fixed.");
    started.scm.refuseStart = 0;
    started.watcher.StartService();
    EXPECT_FALSE(started.watcher.GaveUp());
    started.Run();
    EXPECT_EQ(started.scm.state, kRunning);
}

TEST(GiveUp, WithoutADelayTheCountdownStillGivesUpAndAPlainCopyNeverDoes) {
    for (const bool withRetries : {true, false}) {
        SCOPED_TRACE(withRetries);
        RestartPolicy policy;
        if (withRetries) policy.retries = 2;
        Watched h(policy);
        h.scm.refuseStart = 5;
        for (int minute = 0; minute < 60; ++minute) {
            h.Second();
            h.watcher.MinuteTick();
            h.Run();
        }
        EXPECT_EQ(h.scm.starts, withRetries ? 2 : 5);
        EXPECT_EQ(h.record.entries.front().strings[2],
                  withRetries ? "Watching began: restart at the check every 10 minutes, give up after 2 failed starts"
                              : "Watching began");
    }
}

}  // namespace
}  // namespace kestrin
