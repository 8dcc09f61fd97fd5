// The record administrators read: the entry each event writes, the pace of a flapping state, the
// restart count, and restarts paused for maintenance.
#include <gtest/gtest.h>

#include "fakes/monitor_harness.h"

namespace kestrin {
namespace {

constexpr std::uint32_t kStopped = 1, kRunning = 4;
using Strings = std::array<std::string, 6>;

struct Recorded : MonitorHarness {
    explicit Recorded(const char* notifications = "True", const char* computer = "SERVER1") {
        store.values = {{"Computer Name", computer}, {"Service Name", "Spooler"}, {"Notifications", notifications}};
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
    h.clock.now += 60000;  // readable again within the minute: written once the minute is up
    h.Poll(kRunning);
    EXPECT_EQ(h.LastId(), EventId::CanReadAgain);
}

TEST(EventRecord, TheReadableStateIsOneStreamOnceAMinuteAndTheRecordEndsOnWhatIsTrue) {
    const auto unreadable = [](Recorded& h, int polls) {
        h.scm.failOpenService = true;
        for (int i = 0; i < polls; ++i) h.Poll(kRunning);
        h.scm.failOpenService = false;
    };
    const auto ids = [](const Recorded& h) {
        std::vector<EventId> written;
        for (const EventEntry& entry : h.record.entries) written.push_back(entry.id);
        return written;
    };
    // Fails, comes back 20 s later, fails again 3 s after that: the outage is what the record ends on.
    Recorded h;
    h.Poll(kRunning);
    unreadable(h, 3);
    h.clock.now += 20000;
    h.Poll(kRunning);
    unreadable(h, 3);
    h.clock.now += 60000;
    unreadable(h, 1);
    EXPECT_EQ(ids(h), (std::vector<EventId>{EventId::WatchingBegins, EventId::CannotRead}));
    h.Poll(kRunning);  // back: held within the minute of the last entry...
    h.frm.ExitClick();  // ...and written before watching ends
    EXPECT_EQ(ids(h), (std::vector<EventId>{EventId::WatchingBegins, EventId::CannotRead, EventId::CanReadAgain,
                                            EventId::WatchingEnds}));

    // Running, unreadable for three polls, then stopped: the readable state, then the stop.
    Recorded stop("True", "\\\\SERVER1");
    stop.Poll(kRunning);
    unreadable(stop, 3);
    stop.Poll(kStopped);
    EXPECT_EQ(ids(stop), (std::vector<EventId>{EventId::WatchingBegins, EventId::CannotRead, EventId::CanReadAgain,
                                               EventId::ServiceStopped}));
    EXPECT_EQ(stop.record.entries.back().strings[1], "SERVER1");  // the bare name, as the keys show it
    stop.clock.now += 10000;  // past the notifications' pace
    stop.frm.Timer1Tick();
    EXPECT_EQ(stop.view.notifications.back().title, "Spooler has stopped");

    // A stop held back by its pace is written when its minute is up, if the service is still stopped.
    for (const bool stillStopped : {true, false}) {
        Recorded flap;
        flap.Poll(kRunning);
        flap.Poll(kStopped);
        flap.Poll(kRunning);
        flap.Poll(kStopped);  // held
        if (!stillStopped) flap.Poll(kRunning);
        flap.clock.now += 60000;
        flap.Poll(stillStopped ? kStopped : kRunning);
        EXPECT_EQ(std::count(flap.record.entries.begin(), flap.record.entries.end(),
                             flap.record.entries[1]), stillStopped ? 2 : 1) << stillStopped;
    }
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
