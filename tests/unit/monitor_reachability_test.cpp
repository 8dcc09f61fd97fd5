// The ways back to a hidden window: the keyboard on the icon, an icon the shell refused at first,
// and a session that ends while the start-up prompts are open.
#include <gtest/gtest.h>

#include "fakes/monitor_harness.h"

namespace kestrin {
namespace {

using Events = std::vector<std::string>;
constexpr std::uint32_t kRightDown = 0x204, kRightUp = 0x205, kSelect = 0x400;

TEST(TrayKeyboard, SelectRestoresLikeADoubleClickAndTheMenuKeyOpensTheMenuAtTheIcon) {
    MonitorHarness h;
    h.LoadWatching("Spooler", "True");
    h.view.events.clear();
    h.frm.TrayCallback(kSelect);  // a single left click: nothing
    EXPECT_TRUE(h.view.events.empty());
    h.frm.TrayCallback(kTrayKeySelect);
    EXPECT_TRUE(h.view.visible);
    EXPECT_FALSE(h.frm.MinimiseToTray());

    h.view.events.clear();
    h.frm.TrayCallback(kTrayContextMenu);
    EXPECT_EQ(h.view.events, (Events{"ShowTrayMenuAtIcon", "FocusTrayIcon"}));
}

TEST(TrayKeyboard, ARightClickOpensOneMenuWhetherItsReleaseComesDuringOrAfterTheMenu) {
    for (const bool releaseWhileOpen : {true, false}) {
        SCOPED_TRACE(releaseWhileOpen);
        MonitorHarness h;
        h.LoadWatching("Spooler");
        if (releaseWhileOpen) {
            h.view.whileMenuOpen = [&] {
                h.frm.TrayCallback(kRightUp);
                h.frm.TrayCallback(kTrayContextMenu);
            };
        }
        h.view.events.clear();
        h.frm.TrayCallback(kRightDown);
        h.view.whileMenuOpen = nullptr;
        if (!releaseWhileOpen) {
            h.frm.TrayCallback(kRightUp);
            h.frm.TrayCallback(kTrayContextMenu);
        }
        EXPECT_EQ(h.view.events, (Events{"ShowTrayMenu"}));
        h.frm.TrayCallback(kTrayContextMenu);  // the next one is the keyboard's
        EXPECT_EQ(h.view.events, (Events{"ShowTrayMenu", "ShowTrayMenuAtIcon", "FocusTrayIcon"}));
    }
}

TEST(TrayRetry, ARefusedIconIsTriedAgainUntilItIsAdded) {
    MonitorHarness h;
    h.view.trayAccepts = false;
    h.LoadWatching("Spooler", "True");
    EXPECT_TRUE(h.view.trayRetryTimer);
    h.frm.TrayRetryTick();
    h.view.trayAccepts = true;
    h.view.events.clear();
    h.frm.TrayRetryTick();
    EXPECT_EQ(h.view.events, (Events{"AddTrayIcon", "StopTrayRetry"}));
    EXPECT_TRUE(h.frm.TrayIconAdded());
    EXPECT_FALSE(h.view.visible);  // the icon came: the window stays hidden
}

TEST(TrayRetry, AHiddenWindowComesBackWhenTheIconNeverDoes) {
    for (const char* stored : {"True", "False"}) {
        SCOPED_TRACE(stored);
        MonitorHarness h;
        h.view.trayAccepts = false;
        h.LoadWatching("Spooler", stored);
        for (int tick = 1; tick < kTrayAddAttempts; ++tick) h.frm.TrayRetryTick();
        EXPECT_EQ(h.view.visible, std::string(stored) == "False");
        h.frm.TrayRetryTick();
        EXPECT_TRUE(h.view.visible);
        EXPECT_FALSE(h.view.trayRetryTimer);
        EXPECT_FALSE(h.frm.MinimiseToTray());
        // Closed again with still no icon: another minute of tries, then the window again.
        h.frm.CloseRequest();
        EXPECT_TRUE(h.view.trayRetryTimer);
        for (int tick = 0; tick < kTrayAddAttempts; ++tick) h.frm.TrayRetryTick();
        EXPECT_TRUE(h.view.visible);
    }
}

TEST(TrayRefresh, TheTipIsSentOnlyWhenItChangesAndARefusedModifyAddsTheIconAgain) {
    MonitorHarness h;
    h.LoadWatching("Spooler");
    h.frm.Timer1Tick();
    h.frm.Timer1Tick();
    EXPECT_EQ(h.view.trayModifies, 1);  // the first answer: tip and badge, then nothing new
    h.view.trayIconShown = false;  // the shell lost it
    h.view.trayAccepts = false;
    h.scm.state = 1;
    h.view.events.clear();
    h.frm.Timer1Tick();
    EXPECT_EQ(h.view.events, (Events{"AddTrayIcon", "StartTrayRetry"}));
    h.view.trayAccepts = true;
    h.frm.TrayRetryTick();
    EXPECT_EQ(h.view.trayTip, "Spooler: Stopped");
}

TEST(EndSession, UnderAStartUpPromptNothingIsStoredAndNoIconIsAdded) {
    for (const std::size_t openPrompt : {1u, 2u}) {
        SCOPED_TRACE(openPrompt);
        MonitorHarness h;
        h.store.missing = true;
        h.view.answers = {"PC", "Spooler"};
        h.view.whilePrompting = [&] {
            if (h.view.prompts.size() == openPrompt) h.frm.EndSession();
        };
        h.frm.Load("");
        EXPECT_EQ(h.view.prompts.size(), openPrompt);
        EXPECT_TRUE(h.store.writes.empty());
        EXPECT_FALSE(h.view.trayIconShown);
        const Events tail(h.view.events.end() - 3, h.view.events.end());
        EXPECT_EQ(tail, (Events{"CancelPrompt", "Unload", "DeleteTrayIcon"}));
    }
}

}  // namespace
}  // namespace kestrin
