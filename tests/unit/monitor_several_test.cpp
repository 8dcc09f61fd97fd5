// One copy watching several services: the command line's repeated form, the rows, the worst state on
// the icon, its tooltip, and one notification for what happened to several of them.
#include <gtest/gtest.h>

#include <algorithm>

#include "fakes/monitor_harness.h"
#include "text/utf.h"

namespace kestrin {
namespace {

constexpr std::uint32_t kStopped = 1, kRunning = 4, kPaused = 7;

TEST(ParseSeveral, EachValueIsSplitAtItsLastAtAndTheSetIsNamedInAnyOrder) {
    const CommandLine line = ParseCommandLine(R"(/service Spooler@ -service "My@Svc@\\SERVER1" /delay 0 /retries 3)");
    ASSERT_EQ(line.error, "");
    ASSERT_EQ(line.services.size(), 2u);
    EXPECT_EQ(line.services[0].serviceName, "Spooler");
    EXPECT_EQ(line.services[0].computerName, "");
    EXPECT_EQ(line.services[1].serviceName, "My@Svc");
    EXPECT_EQ(line.services[1].computerName, R"(\\SERVER1)");
    EXPECT_FALSE(line.service);
    EXPECT_EQ(WatcherSetName(line.services), "MY@SVC@SERVER1/SPOOLER@");
    EXPECT_EQ(WatcherSetName(ParseCommandLine("/service my@svc@SERVER1 /service SPOOLER").services),
              WatcherSetName(line.services));
    EXPECT_EQ(ParseCommandLine("/service A@B").services.size(), 0u);  // a single one keeps its @
    std::string seventeen;
    for (int i = 0; i < 17; ++i) seventeen += " /service S" + std::to_string(i);
    const std::pair<std::string, std::string> bad[] = {
        {"/service A /service B /computer PC", "The option /computer names the computer of a single /service; write NAME@COMPUTER."},
        {R"(/service A@PC /service a@\\pc)", R"(The service a@\\pc is named twice.)"},
        {seventeen, "One copy watches at most 16 services."},
        {"/service A /service B/C", "A service name cannot contain / or \\."},
        {"/service A /service B /minutes 5 /delay 5", "The options /minutes and /delay cannot be given together."},
        {"/service A /delay 3601", "The option /delay takes a whole number of seconds from 0 to 3600."},
        {"/service A /retries 0", "The option /retries takes a whole number from 1 to 100."},
    };
    for (const auto& [text, error] : bad) EXPECT_EQ(ParseCommandLine(text).error, error) << text;

    // A crash restarts the copy with its own command line, if Windows can keep it.
    EXPECT_EQ(RestartArguments(ParseCommandLine("/service A /service B@PC /delay 5")),
              "/service A@ /service B@PC /delay 5");
    std::string longLine;
    for (int i = 0; i < 16; ++i) longLine += " /service " + std::string(60, 's') + std::to_string(i);
    EXPECT_EQ(RestartArguments(ParseCommandLine(longLine)), std::nullopt);
}

TEST(SeveralTrayIcon, TheBadgeIsTheWorstStateAndTheTipNamesWhatIsNotRunning) {
    const auto row = [](const std::string& state, bool gaveUp = false) {
        WatchRow r;
        r.stateText = state;
        r.answered = true;
        r.gaveUp = gaveUp;
        return r;
    };
    EXPECT_EQ(WorstBadge({row("Running"), row("Paused")}), TrayBadge::Paused);
    EXPECT_EQ(WorstBadge({row("Paused"), row("Start Pending"), row("Running")}), TrayBadge::Pending);
    EXPECT_EQ(WorstBadge({row("Start Pending"), row(""), row("Running")}), TrayBadge::Unknown);
    EXPECT_EQ(WorstBadge({row(""), row("Stopped", true)}), TrayBadge::Stopped);
    EXPECT_EQ(WorstBadge({row("Stopped"), WatchRow{}}), TrayBadge::Plain);  // one has not answered yet

    const std::vector<std::string> names{"Spooler on SERVER1", "Spooler on this computer", "W32Time", "Dhcp"};
    EXPECT_EQ(SeveralTrayTip(names, {row("Stopped"), row("Running"), row(""), row("Running")}),
              "2 of 4 running; Spooler on SERVER1 stopped; W32Time cannot be read");
    // Cut to the field's 127 UTF-16 units, never between the halves of a character beyond U+FFFF.
    const std::string emoji = "\xF0\x9F\x90\xA6";  // two UTF-16 units
    std::vector<std::string> many;
    std::vector<WatchRow> stopped;
    for (int i = 0; i < 16; ++i) {
        many.push_back(emoji + emoji + emoji + emoji + std::to_string(i));
        stopped.push_back(row("Stopped"));
    }
    const std::string tip = SeveralTrayTip(many, stopped);
    EXPECT_LE(Utf16Length(tip), kSeveralTrayTipUnits);
    EXPECT_GE(Utf16Length(tip), 126u);
    // Every character beyond ASCII here is a four-byte one: the cut kept whole characters only.
    EXPECT_EQ(std::count_if(tip.begin(), tip.end(), [](char c) { return (c & 0x80) != 0; }) % 4, 0) << tip;
}

struct Several : MonitorHarness {
    Several() {
        frm.Load(ParseCommandLine("/service Spooler@ /service Spooler@SERVER1 /service W32Time@"));
    }
    void Poll(std::uint32_t state) {
        scm.state = state;
        frm.Timer1Tick();
        clock.now += 1000;
    }
};

TEST(SeveralServices, RowsRepaintOnlyWhenACellChangesAndTheButtonsActOnTheSelection) {
    Several h;
    EXPECT_EQ(h.view.caption, "Kestrin: 3 services");
    EXPECT_TRUE(h.view.prompts.empty());
    EXPECT_FALSE(h.view.commandsEnabled);
    EXPECT_EQ(h.view.trayBadge, TrayBadge::Plain);
    h.Poll(kRunning);
    ASSERT_EQ(h.view.rows.size(), 3u);
    EXPECT_EQ(h.view.rows[1], (ServiceRowText{"Spooler", "SERVER1", "Running", "", "0"}));
    EXPECT_EQ(h.view.rows[2].computer, "This computer");
    EXPECT_EQ(h.view.trayTip, "3 of 3 running");
    const int sets = h.view.rowSets;
    h.Poll(kRunning);
    EXPECT_EQ(h.view.rowSets, sets);

    h.view.selected = {0, 2};
    h.frm.SelectionChanged();
    EXPECT_TRUE(h.view.commandsEnabled);
    h.frm.Command1Click();
    EXPECT_EQ(h.scm.stops, 2);
    h.frm.RowCommand(1, RowAction::Pause);
    EXPECT_FALSE(h.frm.RestartsPaused());  // not every one is paused
    h.frm.PauseClick();                    // pauses the others too
    EXPECT_TRUE(h.frm.RestartsPaused());
    EXPECT_EQ(h.view.rows[0].restart, "Restarts paused until in 60 min");
    h.frm.PauseClick();
    EXPECT_FALSE(h.frm.Watcher(1).RestartsPaused());
}

TEST(SeveralServices, EventsOfSeveralServicesWaitingTogetherAreToldInOneNotification) {
    Several h;
    h.Poll(kRunning);
    h.scm.refuseStop = h.scm.refuseStart = 5;
    h.frm.RowCommand(0, RowAction::Stop);  // told at once
    h.frm.RowCommand(1, RowAction::Stop);  // these wait...
    h.frm.RowCommand(2, RowAction::Stop);
    h.frm.RowCommand(2, RowAction::Start);  // ...the latest of each service
    h.clock.now += 10000;
    h.frm.Timer1Tick();
    ASSERT_EQ(h.view.notifications.size(), 2u);
    EXPECT_EQ(h.view.notifications[0].title, "Spooler on this computer could not be stopped");
    EXPECT_EQ(h.view.notifications[1].title, "Kestrin: news of 2 services");
    EXPECT_EQ(h.view.notifications[1].text, "Spooler on SERVER1 could not be stopped; W32Time could not be started");

    NotificationPace pace;
    for (std::size_t i = 0; i < 16; ++i) {
        pace.Offer(i, "Service number " + std::to_string(i), {{"t", "x"}, "has stopped"});
    }
    const std::optional<Notification> merged = pace.Due(0);
    ASSERT_TRUE(merged);
    EXPECT_LE(Utf16Length(merged->text), kNotificationFieldUnits);
    // As many as the field holds, then how many more: together, all sixteen.
    std::size_t told = 0;
    for (std::size_t at = merged->text.find("has stopped"); at != std::string::npos;
         at = merged->text.find("has stopped", at + 1)) {
        ++told;
    }
    EXPECT_EQ(merged->text.substr(merged->text.rfind("; and ")), "; and " + std::to_string(16 - told) + " more");
}

}  // namespace
}  // namespace kestrin
