// A busy shell that added the icon although it said no, a shell restarted under a start-up prompt,
// the restart check's start kept apart from the user's, and texts cut in whole characters.
#include <gtest/gtest.h>

#include "fakes/monitor_harness.h"
#include "text/utf.h"

namespace kestrin {
namespace {

TEST(TrayBusyShell, AnAddThatTimedOutButTookCountsOnceAModifyFindsTheIcon) {
    MonitorHarness h;
    h.view.trayAddTimesOut = true;  // added, but the answer came too late
    h.LoadWatching("Spooler", "True");
    EXPECT_TRUE(h.frm.TrayIconAdded());
    EXPECT_EQ(h.view.trayVersionsSet, 1);  // the keyboard's callbacks are asked for all the same
    EXPECT_FALSE(h.view.trayRetryTimer);
    EXPECT_FALSE(h.view.visible);

    // A modify that times out is no lost icon yet: the retries look again, and find it there.
    h.view.trayModifyTimesOut = true;
    h.scm.state = 1;
    h.frm.Timer1Tick();
    EXPECT_FALSE(h.frm.TrayIconAdded());
    EXPECT_TRUE(h.view.trayRetryTimer);
    h.view.trayModifyTimesOut = false;
    h.frm.TrayRetryTick();
    EXPECT_TRUE(h.frm.TrayIconAdded());
    EXPECT_EQ(h.view.trayTip, "Spooler: Stopped");
    EXPECT_FALSE(h.view.visible);  // never brought back while its icon is there
}

TEST(TrayBusyShell, ANewNotificationAreaUnderAStartUpPromptAddsNothingUntilTheNamesAreKnown) {
    MonitorHarness h;
    h.view.answers = {"", "W32Time"};
    h.view.whilePrompting = [&] { h.frm.TaskbarCreated(); };
    h.frm.Load("");
    EXPECT_EQ(h.view.events, (std::vector<std::string>{"Prompt", "Prompt", "AddTrayIcon", "ShowNormal"}));
    EXPECT_EQ(h.view.trayTip, "W32Time: ");
}

TEST(WaitingCommands, TheRestartChecksStartAndTheUsersAreNeverMerged) {
    const ServiceRequest user{ServiceCommand::Start, "", "Spooler", false};
    const ServiceRequest check{ServiceCommand::Start, "", "Spooler", true};
    EXPECT_TRUE(SameWaitingCommand(check, check));
    EXPECT_FALSE(SameWaitingCommand(check, user) || SameWaitingCommand(user, check));
}

TEST(Utf16, PairsAreKeptWholeWhenCutAndLoneHalvesReadAsReplacement) {
    const std::u16string text = u"ab\U0001F600c";  // a, b, a surrogate pair, c
    EXPECT_EQ(WholeUtf16Units(text.data(), text.size(), 3), 2u);  // not between the halves
    EXPECT_EQ(WholeUtf16Units(text.data(), text.size(), 4), 4u);
    EXPECT_EQ(Utf16ToUtf8(text.data(), text.size()), "ab\xF0\x9F\x98\x80" "c");
    const char16_t lone[] = {0xD83D, u'x', 0xDE00};
    EXPECT_EQ(Utf16ToUtf8(lone, 3), "\xEF\xBF\xBDx\xEF\xBF\xBD");
}

}  // namespace
}  // namespace kestrin
