// The status poll and the restart countdown, driven tick by tick.
#include <gtest/gtest.h>

#include "fakes/monitor_harness.h"

namespace kestrin {
namespace {

constexpr std::uint32_t kStopped = 1, kStopPending = 3, kRunning = 4, kPaused = 7;

TEST(StatusPoll, ShowsTitleStateTooltipAndNoCountdownWhileRunning) {
    MonitorHarness h;
    h.LoadWatching("Spooler");
    h.scm.state = kRunning;
    h.frm.Timer1Tick();
    EXPECT_EQ(h.view.statusTitle, "Spooler Status");
    EXPECT_EQ(h.view.statusText, "Running");
    EXPECT_EQ(h.view.trayTip, "Spooler: Running");
    EXPECT_EQ(h.view.timeText, "");
}

TEST(StatusPoll, ShowsTheCountdownOnlyWhileStopped) {
    MonitorHarness h;
    h.LoadWatching("Spooler");
    h.scm.state = kStopped;
    h.frm.Timer1Tick();
    EXPECT_EQ(h.view.timeText, "10 Minutes until restart");
    for (int i = 0; i < 3; ++i) h.frm.Timer2Tick();
    h.frm.Timer1Tick();
    EXPECT_EQ(h.view.timeText, "7 Minutes until restart");
    for (int i = 0; i < 6; ++i) h.frm.Timer2Tick();
    h.frm.Timer1Tick();
    EXPECT_EQ(h.view.timeText, "1 Minutes until restart");
    h.frm.Timer2Tick();
    h.frm.Timer1Tick();
    EXPECT_EQ(h.view.timeText, "0 Minutes until restart");
    h.scm.state = kStopPending;
    h.frm.Timer1Tick();
    EXPECT_EQ(h.view.timeText, "");
}

TEST(StatusPoll, AnUnreadableStateEmptiesTheLabelsAndLeavesTheNameInTheTooltip) {
    MonitorHarness h;
    h.LoadWatching("NoSuchService");
    h.scm.failOpenService = true;
    h.frm.Timer1Tick();
    EXPECT_EQ(h.view.statusText, "");
    EXPECT_EQ(h.view.timeText, "");
    EXPECT_EQ(h.view.trayTip, "NoSuchService: ");
}

TEST(TrayTip, IsCutToItsFirst63Characters) {
    EXPECT_EQ(TrayTip("Spooler", "Running"), "Spooler: Running");
    const std::string name(61, 'n');
    EXPECT_EQ(TrayTip(name, ""), name + ": ");
    EXPECT_EQ(TrayTip(name, "Stopped"), name + ": ");
    EXPECT_EQ(TrayTip(std::string(80, 'n'), "Running"), std::string(63, 'n'));
    // Characters, not bytes: a name of 62 two-byte characters keeps 62 of them and the colon.
    std::string wide;
    for (int i = 0; i < 62; ++i) wide += "\xC3\xA9";
    EXPECT_EQ(TrayTip(wide, "Running"), wide + ":");
}

TEST(Countdown, StartsAStoppedServiceOnTheEleventhTickAndEveryTenthAfter) {
    MonitorHarness h;
    h.LoadWatching("Spooler");
    h.scm.state = kStopped;
    h.scm.startsTakeEffect = false;  // the start fails: the service stays stopped
    h.frm.Timer1Tick();
    for (int i = 0; i < 10; ++i) h.frm.Timer2Tick();
    EXPECT_EQ(h.scm.starts, 0);
    EXPECT_EQ(h.frm.MinutesToRestart(), 0);
    h.frm.Timer2Tick();
    EXPECT_EQ(h.scm.starts, 1);
    EXPECT_EQ(h.frm.MinutesToRestart(), 9);
    h.frm.Timer1Tick();
    EXPECT_EQ(h.view.timeText, "9 Minutes until restart");
    for (int i = 0; i < 9; ++i) h.frm.Timer2Tick();
    EXPECT_EQ(h.scm.starts, 1);
    h.frm.Timer2Tick();
    EXPECT_EQ(h.scm.starts, 2);
}

TEST(Countdown, AServiceSeenStoppedAtThreeIsStartedOnTheFourthTick) {
    MonitorHarness h;
    h.LoadWatching("Spooler");
    h.frm.Timer1Tick();  // running
    for (int i = 0; i < 7; ++i) h.frm.Timer2Tick();
    ASSERT_EQ(h.frm.MinutesToRestart(), 3);
    h.scm.state = kStopped;
    h.frm.Timer1Tick();
    for (int i = 0; i < 3; ++i) h.frm.Timer2Tick();
    EXPECT_EQ(h.scm.starts, 0);
    h.frm.Timer2Tick();
    EXPECT_EQ(h.scm.starts, 1);
    h.frm.Timer1Tick();
    EXPECT_EQ(h.view.statusText, "Running");
    EXPECT_EQ(h.view.timeText, "");
}

TEST(Countdown, OnlyTheStoppedTextTriggersAStart) {
    struct Case {
        const char* name;
        bool failOpen;
        std::uint32_t state;
    };
    for (const Case c : {Case{"stop pending", false, kStopPending}, Case{"paused", false, kPaused},
                         Case{"running", false, kRunning}, Case{"unreadable", true, kStopped}}) {
        SCOPED_TRACE(c.name);
        MonitorHarness h;
        h.LoadWatching("Spooler");
        h.scm.state = c.state;
        h.scm.failOpenService = c.failOpen;
        for (int minute = 0; minute < 25; ++minute) {
            h.frm.Timer1Tick();
            h.frm.Timer2Tick();
        }
        EXPECT_EQ(h.scm.starts, 0);
    }
}

TEST(Countdown, ManualStopAndStartNeverTouchTheCounter) {
    MonitorHarness h;
    h.LoadWatching("Spooler");
    for (int i = 0; i < 4; ++i) h.frm.Timer2Tick();
    h.frm.Command1Click();
    h.frm.Command2Click();
    EXPECT_EQ(h.frm.MinutesToRestart(), 6);
    EXPECT_EQ(h.scm.stops, 1);
    EXPECT_EQ(h.scm.starts, 1);
    EXPECT_EQ(h.view.statusText, "");  // the buttons change no label; the next poll does
}

TEST(SlowServiceManager, ATickWhileAStatusIsOutstandingAsksForNothing) {
    MonitorHarness h;
    h.LoadWatching("Spooler");
    h.services.synchronous = false;
    h.frm.Timer1Tick();
    h.frm.Timer1Tick();
    h.frm.Timer1Tick();
    EXPECT_EQ(h.services.Outstanding(), 1u);
    EXPECT_EQ(h.view.statusTitle, "Spooler Status");  // the title label does not wait
    h.services.RunAll();
    EXPECT_EQ(h.view.statusText, "Running");
    h.frm.Timer1Tick();
    EXPECT_EQ(h.services.Outstanding(), 1u);
}

TEST(SlowServiceManager, AStatusArrivingAfterALaterTickIsShownWithTheCurrentCounter) {
    MonitorHarness h;
    h.LoadWatching("Spooler");
    h.services.synchronous = false;
    h.scm.state = kStopped;
    h.frm.Timer1Tick();
    h.frm.Timer2Tick();
    h.frm.Timer2Tick();
    h.services.RunAll();
    EXPECT_EQ(h.view.statusText, "Stopped");
    EXPECT_EQ(h.view.timeText, "8 Minutes until restart");
}

TEST(SlowServiceManager, StartsAndStopsAreQueuedInOrderAndNeverDropped) {
    MonitorHarness h;
    h.LoadWatching("Spooler");
    h.services.synchronous = false;
    h.frm.Timer1Tick();
    h.frm.Command1Click();
    h.frm.Command2Click();
    h.frm.Command1Click();
    h.frm.Timer1Tick();  // a status is still outstanding: nothing more is asked
    EXPECT_EQ(h.services.asked, (std::vector<ServiceCommand>{ServiceCommand::Status, ServiceCommand::Stop,
                                                             ServiceCommand::Start, ServiceCommand::Stop}));
    h.services.RunAll();
    EXPECT_EQ(h.scm.stops, 2);
    EXPECT_EQ(h.scm.starts, 1);
    EXPECT_EQ(h.view.statusText, "Running");  // the status was read before the buttons' requests ran
}

TEST(SlowServiceManager, TheRestartCheckUsesTheLastShownStateWhileAStatusIsOutstanding) {
    MonitorHarness h;
    h.LoadWatching("Spooler");
    h.scm.state = kStopped;
    h.frm.Timer1Tick();  // shows "Stopped"
    h.services.synchronous = false;
    h.scm.state = kRunning;
    h.frm.Timer1Tick();  // outstanding: would read "Running"
    for (int i = 0; i < 11; ++i) h.frm.Timer2Tick();
    EXPECT_EQ(h.services.asked.back(), ServiceCommand::Start);
    h.services.RunAll();
    EXPECT_EQ(h.scm.starts, 1);
}

}  // namespace
}  // namespace kestrin
