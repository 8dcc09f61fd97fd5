// The notification icon's dispatch, the close rule, Exit, and the end of a session.
#include <gtest/gtest.h>

#include "fakes/monitor_harness.h"

namespace kestrin {
namespace {

using Events = std::vector<std::string>;
using Writes = std::vector<std::pair<std::string, std::string>>;

constexpr std::uint32_t kMouseMove = 0x200, kLeftDown = 0x201, kLeftUp = 0x202, kLeftDoubleClick = 0x203,
                        kRightDown = 0x204, kRightUp = 0x205;

TEST(TrayCallback, DoubleClickRestoresTheWindowAndClearsTheFlagInMemoryOnly) {
    MonitorHarness h;
    h.LoadWatching("Spooler", "True");
    h.view.events.clear();
    h.frm.TrayCallback(kLeftDoubleClick);
    EXPECT_TRUE(h.view.visible);
    EXPECT_FALSE(h.frm.MinimiseToTray());
    EXPECT_TRUE(h.store.writes.empty());
    h.frm.TrayCallback(kLeftDoubleClick);  // already shown: stays shown
    EXPECT_EQ(h.view.events, (Events{"ShowNormal", "ShowNormal"}));
}

TEST(TrayCallback, RightPressOpensTheMenuAndEverythingElseIsIgnored) {
    MonitorHarness h;
    h.LoadWatching("Spooler", "True");
    h.view.events.clear();
    for (const std::uint32_t message : {kMouseMove, kLeftDown, kLeftUp, kRightUp, 0x209u}) h.frm.TrayCallback(message);
    EXPECT_TRUE(h.view.events.empty());
    h.frm.TrayCallback(kRightDown);
    EXPECT_EQ(h.view.events, (Events{"ShowTrayMenu"}));
}

TEST(TrayCallback, CallbacksWhileTheMenuIsOpenAreDropped) {
    MonitorHarness h;
    h.LoadWatching("Spooler", "True");
    h.view.whileMenuOpen = [&] {
        h.frm.TrayCallback(kMouseMove);
        h.frm.TrayCallback(kLeftDoubleClick);
        h.frm.TrayCallback(kRightDown);
    };
    h.view.events.clear();
    h.frm.TrayCallback(kRightDown);
    EXPECT_EQ(h.view.events, (Events{"ShowTrayMenu"}));
    h.view.whileMenuOpen = nullptr;
    h.frm.TrayCallback(kLeftDoubleClick);  // the guard is released when the menu closes
    EXPECT_TRUE(h.view.visible);
}

TEST(TrayIcon, IsAddedAgainWhenTheNotificationAreaIsRecreated) {
    MonitorHarness h;
    h.LoadWatching("Spooler");
    h.frm.Timer1Tick();
    h.view.events.clear();
    h.frm.TaskbarCreated();
    EXPECT_EQ(h.view.events, (Events{"AddTrayIcon"}));
    EXPECT_EQ(h.view.trayTip, "Spooler: Running");
}

TEST(CloseRule, ACloseWithoutExitHidesStoresTrueAndKeepsRunning) {
    MonitorHarness h;
    h.LoadWatching("Spooler");
    h.view.events.clear();
    h.frm.CloseRequest();
    EXPECT_EQ(h.view.events, (Events{"MinimiseAndHide"}));
    EXPECT_TRUE(h.frm.MinimiseToTray());
    EXPECT_EQ(h.store.writes, (Writes{{"Minimise to Tray", "True"}}));
    EXPECT_TRUE(h.view.trayIconShown);
    h.frm.Timer1Tick();  // the poll goes on while hidden
    EXPECT_EQ(h.view.statusText, "Running");
}

TEST(Exit, StoresTheCurrentHiddenStateThenUnloadsAndRemovesTheIcon) {
    struct Case {
        const char* name;
        const char* stored;
        bool closeFirst;
        bool restoreFirst;
        const char* expected;
    };
    for (const Case c : {Case{"shown", "False", false, false, "False"},
                         Case{"hidden by a close", "False", true, false, "True"},
                         Case{"started hidden", "True", false, false, "True"},
                         Case{"restored by a double click", "True", false, true, "False"}}) {
        SCOPED_TRACE(c.name);
        MonitorHarness h;
        h.LoadWatching("Spooler", c.stored);
        if (c.closeFirst) h.frm.CloseRequest();
        if (c.restoreFirst) h.frm.TrayCallback(kLeftDoubleClick);
        h.store.writes.clear();
        h.view.events.clear();
        h.frm.ExitClick();
        EXPECT_EQ(h.store.writes, (Writes{{"Minimise to Tray", c.expected}}));
        EXPECT_EQ(h.view.events, (Events{"Hide", "Unload", "DeleteTrayIcon"}));
    }
}

TEST(Exit, NothingHappensAfterTheWindowHasUnloaded) {
    MonitorHarness h;
    h.LoadWatching("Spooler");
    h.services.synchronous = false;
    h.frm.Timer1Tick();
    h.frm.ExitClick();
    h.view.events.clear();
    h.store.writes.clear();
    h.services.RunAll();  // a late status from the worker
    h.frm.CloseRequest();
    h.frm.TaskbarCreated();
    EXPECT_TRUE(h.view.events.empty());
    EXPECT_TRUE(h.store.writes.empty());
    EXPECT_EQ(h.view.statusText, "");
}

TEST(EndSession, StoresTheHiddenStateAndEndsInsteadOfRefusing) {
    MonitorHarness h;
    h.LoadWatching("Spooler");
    h.frm.CloseRequest();
    h.store.writes.clear();
    h.view.events.clear();
    h.frm.EndSession();
    EXPECT_EQ(h.store.writes, (Writes{{"Minimise to Tray", "True"}}));
    EXPECT_EQ(h.view.events, (Events{"Hide", "Unload", "DeleteTrayIcon"}));
}

TEST(Commands, ButtonsCallTheirServiceProcedureOnceAndAboutOpensTheAboutWindow) {
    MonitorHarness h;
    h.LoadWatching("Spooler");
    h.scm.calls.clear();
    h.frm.Command1Click();
    EXPECT_EQ(h.scm.stops, 1);
    EXPECT_EQ(h.scm.starts, 0);
    h.frm.Command2Click();
    EXPECT_EQ(h.scm.starts, 1);
    h.view.events.clear();
    h.frm.AboutClick();
    EXPECT_EQ(h.view.events, (Events{"ShowAbout"}));
}

}  // namespace
}  // namespace kestrin
