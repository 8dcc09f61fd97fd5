// The record administrators read: the entry each event writes, the pace of a flapping state, the
// restart count, and restarts paused for maintenance.
#include <gtest/gtest.h>

#include "fakes/monitor_harness.h"

namespace kestrin {
namespace {

constexpr std::uint32_t kStopped = 1, kRunning = 4;
using Strings = std::array<std::string, 6>;

struct Recorded : MonitorHarness {
    explicit Recorded(const char* notifications = "True") {
        store.values = {{"Computer Name", "SERVER1"}, {"Service Name", "Spooler"}, {"Notifications", notifications}};
        frm.Load("");
    }
    void Poll(std::uint32_t state) {
        scm.state = state;
        frm.Timer1Tick();
        clock.now += 1000;
    }
    void Check() {
        while (frm.MinutesToRestart() > 0) frm.Timer2Tick();
        frm.Timer2Tick();
    }
    EventId LastId() const { return record.entries.back().id; }
};

TEST(EventRecord, EachEventWritesItsIdTypeAndSixStringsWhateverTheNotificationsSwitchSays) {
    Recorded h("False");
    h.Poll(kRunning);
    h.Poll(kStopped);  // seen stopped
    h.Check();         // started again...
    h.Poll(kRunning);  // ...and running
    h.scm.refuseStop = 5;
    h.frm.Command1Click();
    h.frm.ExitClick();
    EXPECT_TRUE(h.view.notifications.empty());
    const std::vector<EventEntry> expected = {
        {EventId::WatchingBegins, EventType::Information, Strings{"Spooler", "SERVER1", "Watching began", "0", "", "10"}},
        {EventId::ServiceStopped, EventType::Warning, Strings{"Spooler", "SERVER1", "Stopped", "0", "", "0"}},
        {EventId::RestartedByCheck, EventType::Information,
         Strings{"Spooler", "SERVER1", "Started again by the restart check", "0", "", "1"}},
        {EventId::CommandRefused, EventType::Warning,
         Strings{"Spooler", "SERVER1", "Stop refused", "5", "Access is denied.", "0"}},
        {EventId::WatchingEnds, EventType::Information, Strings{"Spooler", "SERVER1", "Watching ended", "0", "", "0"}},
    };
    EXPECT_EQ(h.record.entries, expected);
}

TEST(EventRecord, AFlappingStateWritesAStopOrAnUnreadableStateOnceAMinute) {
    Recorded h;
    for (int i = 0; i < 5; ++i) {  // stopped and running again, every few seconds
        h.Poll(kRunning);
        h.Poll(kStopped);
    }
    EXPECT_EQ(h.record.entries.size(), 2u);  // watching began, one stop
    h.clock.now += 60000;
    h.Poll(kRunning);
    h.Poll(kStopped);
    EXPECT_EQ(h.record.entries.size(), 3u);
    h.scm.failOpenService = true;
    for (int i = 0; i < 3; ++i) h.Poll(kRunning);
    EXPECT_EQ(h.LastId(), EventId::CannotRead);
    h.scm.failOpenService = false;
    h.Poll(kRunning);
    EXPECT_EQ(h.LastId(), EventId::CanReadAgain);
}

TEST(RestartCount, FromTheSecondRestartOnTheNotificationSaysHowMany) {
    Recorded h;
    for (int restart = 1; restart <= 3; ++restart) {
        h.Poll(kStopped);
        h.Check();
        h.clock.now += 20000;  // past the notifications' pace, both times
        h.Poll(kRunning);
        h.clock.now += 20000;
        h.frm.Timer1Tick();
        EXPECT_EQ(h.record.entries.back().strings[5], std::to_string(restart));
    }
    EXPECT_EQ(h.view.notifications.front().text, "Spooler is running.");
    EXPECT_EQ(h.view.notifications.back().text,
              "Spooler is running. This is the 3rd time Kestrin has started it since watching began.");
}

TEST(Pause, TheCheckLeavesAStoppedServiceAloneForAnHourOrUntilResumed) {
    Recorded h;
    h.Poll(kStopped);
    h.frm.PauseClick();
    EXPECT_EQ(h.view.timeText, "Restarts paused until in 60 min");
    EXPECT_EQ(h.record.entries.back().strings[2], "Restarts paused until in 60 min");
    h.Check();
    EXPECT_EQ(h.scm.starts, 0);
    EXPECT_EQ(h.frm.MinutesToRestart(), 9);  // the countdown runs on
    h.frm.PauseClick();                      // resumed at once
    EXPECT_EQ(h.view.timeText, "9 Minutes until restart");
    h.Check();
    EXPECT_EQ(h.scm.starts, 1);
    h.Poll(kStopped);
    h.frm.PauseClick();
    h.clock.now += kPauseMs;  // the hour is over
    h.Check();
    EXPECT_FALSE(h.frm.RestartsPaused());
    EXPECT_EQ(h.scm.starts, 2);
}

}  // namespace
}  // namespace kestrin
