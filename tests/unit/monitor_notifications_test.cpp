// What the watcher tells: the badge, notifications with reasons and their pace, no stale state,
// and a poll that refreshes only what changed.
#include <gtest/gtest.h>

#include "fakes/monitor_harness.h"
#include "service_control/service_control.h"

namespace kestrin {
namespace {

using Notes = std::vector<Notification>;
constexpr std::uint32_t kStopped = 1, kRunning = 4;

struct Watching : MonitorHarness {
    explicit Watching(const char* notifications = nullptr, const char* computer = "") {
        store.values = {{"Computer Name", computer}, {"Service Name", "Spooler"}, {"Minimise to Tray", "False"}};
        if (notifications) store.values["Notifications"] = notifications;
        frm.Load("");
    }
    void Poll(std::uint32_t state) {
        scm.state = state;
        frm.Timer1Tick();
        clock.now += 1000;
    }
    void Check() {  // the eleventh minute tick: the restart check
        for (int i = 0; i < 11; ++i) frm.Timer2Tick();
    }
};

TEST(Notifications, AStopIsToldOnceWithTheMinutesUntilTheCheckThatActs) {
    Watching h;
    h.Poll(kRunning);
    for (int i = 0; i < 4; ++i) h.frm.Timer2Tick();  // the countdown reads 6: the 7th tick from now checks
    h.Poll(kStopped);
    h.Poll(kStopped);
    EXPECT_EQ(h.view.notifications,
              (Notes{{"Spooler has stopped", "Kestrin will start it again within 7 minutes."}}));
    Watching off("False");  // the switch
    off.Poll(kRunning);
    off.Poll(kStopped);
    EXPECT_TRUE(off.view.notifications.empty());
    EXPECT_FALSE(off.frm.NotificationsOn());
}

TEST(Notifications, TheRestartChecksStartIsToldWhenRunningOrWithTheReasonItWasRefused) {
    Watching h;
    h.Poll(kStopped);  // stopped from start-up: no stop event
    h.Check();
    h.Poll(h.scm.state);
    EXPECT_EQ(h.view.notifications, (Notes{{"Kestrin started Spooler again", "Spooler is running."}}));

    Watching refused;
    refused.scm.refuseStart = 5;
    refused.Poll(kStopped);
    refused.Check();
    EXPECT_EQ(refused.view.notifications,
              (Notes{{"Kestrin could not start Spooler", "Access is denied. It will try again in 10 minutes."}}));
}

TEST(Notifications, ARefusedButtonSaysWhyAndTheUnreadableStateIsToldAfterThreePolls) {
    Watching h("True", "\\\\SERVER1");
    h.Poll(kRunning);
    h.scm.refuseStop = 5;
    h.frm.Command1Click();
    h.clock.now += 10000;
    h.scm.failOpenService = true;
    h.scm.error = 1060;
    for (int i = 0; i < 5; ++i) h.Poll(kRunning);
    h.clock.now += 10000;
    h.scm.failOpenService = false;
    h.Poll(kRunning);
    h.clock.now += 10000;
    h.Poll(kRunning);
    EXPECT_EQ(h.view.notifications, (Notes{{"Spooler could not be stopped", "Access is denied."},
                                           {"Kestrin cannot read Spooler", "Error 1060. (on SERVER1)"},
                                           {"Spooler is Running again", "Kestrin can read it again on SERVER1."}}));
}

TEST(Notifications, FasterThanOneIn10SecondsTheLatestWins) {
    Watching h;
    h.scm.refuseStart = h.scm.refuseStop = 5;
    h.frm.Command1Click();  // shown at once
    h.frm.Command1Click();  // waits...
    h.frm.Command2Click();  // ...and is replaced
    EXPECT_EQ(h.view.notifications.size(), 1u);
    h.clock.now += 9999;
    h.frm.Timer1Tick();
    EXPECT_EQ(h.view.notifications.size(), 1u);
    h.clock.now += 1;
    h.frm.Timer1Tick();
    ASSERT_EQ(h.view.notifications.size(), 2u);
    EXPECT_EQ(h.view.notifications[1].title, "Spooler could not be started");
}

TEST(StaleState, AStatusOutstanding3SecondsShowsUnknownAndTheCheckDoesNotActOnIt) {
    Watching h;
    h.Poll(kStopped);
    h.services.synchronous = false;
    h.frm.Timer1Tick();  // asked now, unanswered
    h.clock.now += 2999;
    h.frm.Timer1Tick();
    EXPECT_EQ(h.view.statusText, "Stopped");
    h.clock.now += 1;
    h.frm.Timer1Tick();
    EXPECT_EQ(h.view.statusText, "");
    EXPECT_EQ(h.view.timeText, "");
    EXPECT_EQ(h.view.trayTip, "Spooler: ");
    EXPECT_EQ(h.view.trayBadge, TrayBadge::Unknown);
    h.Check();
    EXPECT_EQ(h.scm.starts, 0);
    h.services.RunAll();
    EXPECT_EQ(h.view.statusText, "Stopped");
    EXPECT_EQ(h.view.trayBadge, TrayBadge::Stopped);
}

TEST(Refresh, OnlyWhatChangedIsSetAndSentAndTenStartsBehindAHangingCallStartOnce) {
    Watching h;
    EXPECT_EQ(h.view.trayBadge, TrayBadge::Plain);  // before the first answer
    h.Poll(kRunning);
    const int sets = h.view.labelSets;
    for (int i = 0; i < 5; ++i) h.Poll(kRunning);
    EXPECT_EQ(h.view.labelSets, sets);
    h.Poll(kStopped);
    EXPECT_EQ(h.view.trayChanges, (std::vector<unsigned>{kTrayTipChanged | kTrayBadgeChanged,
                                                         kTrayTipChanged | kTrayBadgeChanged}));

    h.services.synchronous = false;
    h.frm.Timer1Tick();  // a status that hangs
    for (int i = 0; i < 10; ++i) h.frm.Command2Click();
    h.services.RunAll();
    EXPECT_EQ(h.scm.starts, 1);
}

TEST(TrayBadge, EachStateHasItsDiscDrawnInTheLowerCorner) {
    EXPECT_EQ(BadgeForState("Running"), TrayBadge::Running);
    EXPECT_EQ(BadgeForState("Stopped"), TrayBadge::Stopped);
    EXPECT_EQ(BadgeForState("Paused"), TrayBadge::Paused);
    EXPECT_EQ(BadgeForState(""), TrayBadge::Unknown);
    for (const std::uint32_t code : {2u, 3u, 5u, 6u}) EXPECT_EQ(BadgeForState(StateText(code)), TrayBadge::Pending);
    for (const int size : {16, 24, 32, 40}) {
        std::vector<std::uint32_t> pixels(static_cast<std::size_t>(size * size), 0);
        DrawTrayBadge(TrayBadge::Stopped, size, pixels.data());
        EXPECT_EQ(pixels[0], 0u) << size;  // the upper left stays the icon's
        const double radius = size * 5.0 / 16;  // a point right of the disc's centre, off the cross
        const auto x = static_cast<std::size_t>(size - 0.3 * radius), y = static_cast<std::size_t>(size - radius);
        EXPECT_EQ(pixels[y * static_cast<std::size_t>(size) + x], 0xFFC42B1Cu) << size;
    }
}

}  // namespace
}  // namespace kestrin
