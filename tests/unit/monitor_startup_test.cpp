// The start-up sequence: where the names come from, what is asked, stored and shown.
#include <gtest/gtest.h>

#include "fakes/monitor_harness.h"
#include "monitor/command_line.h"

namespace kestrin {
namespace {

using Writes = std::vector<std::pair<std::string, std::string>>;

TEST(StartUp, FirstRunAsksBothNamesDefaultsTheServiceAndStoresThemComputerFirst) {
    MonitorHarness h;
    h.store.missing = true;
    h.view.answers = {"", ""};
    h.frm.Load("");

    EXPECT_EQ(h.view.prompts, (std::vector<std::string>{"Enter Computer Name (Press enter for Local)",
                                                        "Enter Service Name (Press enter for Harbourlink)"}));
    EXPECT_EQ(h.frm.ComputerName(), "");
    EXPECT_EQ(h.frm.ServiceName(), "Harbourlink");
    EXPECT_EQ(h.store.writes, (Writes{{"Computer Name", ""}, {"Service Name", "Harbourlink"}}));
    EXPECT_EQ(h.view.caption, "Kestrin");
    EXPECT_EQ(h.view.command1, "S&top Service");
    EXPECT_EQ(h.view.command2, "&Start Service");
    EXPECT_TRUE(h.view.visible);
}

TEST(StartUp, StoredNamesAreUsedWithoutAsking) {
    MonitorHarness h;
    h.store.values = {{"Computer Name", "FILESRV"}, {"Service Name", "Spooler"}};
    h.frm.Load("");
    EXPECT_TRUE(h.view.prompts.empty());
    EXPECT_EQ(h.frm.ComputerName(), "FILESRV");
    EXPECT_EQ(h.frm.ServiceName(), "Spooler");
    EXPECT_TRUE(h.store.writes.empty());
    EXPECT_FALSE(h.frm.MinimiseToTray());
}

TEST(StartUp, StoredEmptyServiceNameAsksAgain) {
    MonitorHarness h;
    h.store.values = {{"Computer Name", "OLD"}, {"Service Name", ""}};
    h.view.answers = {"NEWPC", "Spooler"};
    h.frm.Load("");
    EXPECT_EQ(h.view.prompts.size(), 2u);
    EXPECT_EQ(h.store.writes, (Writes{{"Computer Name", "NEWPC"}, {"Service Name", "Spooler"}}));
}

TEST(StartUp, AnswersAreKeptUnchanged) {
    MonitorHarness h;
    const std::string longName(256, 'x');
    h.view.answers = {" pc with spaces ", longName + "\xE6\x9C\x8D\xE5\x8A\xA1"};
    h.frm.Load("");
    EXPECT_EQ(h.frm.ComputerName(), " pc with spaces ");
    EXPECT_EQ(h.frm.ServiceName(), longName + "\xE6\x9C\x8D\xE5\x8A\xA1");
}

TEST(StartUp, ResetAsksAgainAndIgnoresAStoredHiddenWindow) {
    for (const std::string arguments : {"reset", "-RESET", "/Reset", "--presets", "a b xReSeTy"}) {
        SCOPED_TRACE(arguments);
        MonitorHarness h;
        h.store.values = {{"Computer Name", "PC"}, {"Service Name", "Spooler"}, {"Minimise to Tray", "True"}};
        h.view.answers = {"", "W32Time"};
        h.frm.Load(arguments);
        EXPECT_EQ(h.view.prompts.size(), 2u);
        EXPECT_EQ(h.frm.ServiceName(), "W32Time");
        EXPECT_FALSE(h.frm.MinimiseToTray());
        EXPECT_TRUE(h.view.visible);
        EXPECT_EQ(h.store.writes, (Writes{{"Computer Name", ""}, {"Service Name", "W32Time"}}));
    }
}

TEST(StartUp, StoredHiddenWindowStartsMinimisedAndHiddenAfterTheIconIsAdded) {
    MonitorHarness h;
    h.LoadWatching("Spooler", "True");
    EXPECT_TRUE(h.frm.MinimiseToTray());
    EXPECT_FALSE(h.view.visible);
    EXPECT_TRUE(h.view.minimised);
    EXPECT_EQ(h.view.events, (std::vector<std::string>{"AddTrayIcon", "MinimiseAndHide"}));
    EXPECT_EQ(h.view.trayTip, "Spooler: ");
}

TEST(StartUp, OnlyTheExactTextTrueStartsHidden) {
    for (const std::string stored : {"False", "true", "TRUE", "1", "", "garbage"}) {
        SCOPED_TRACE(stored);
        MonitorHarness h;
        h.LoadWatching("Spooler", stored);
        EXPECT_TRUE(h.view.visible);
    }
}

TEST(StartUp, TheMachinesDefaultsStandInForThePromptsOfAUserWithNothingStored) {
    MonitorHarness h;
    h.machineDefaults.values = {{"Service Name", "Spooler"}, {"Computer Name", "SERVER1"}, {"Restart Minutes", "5"}};
    h.frm.Load("");
    EXPECT_TRUE(h.view.prompts.empty());
    EXPECT_EQ(h.frm.ServiceName(), "Spooler");
    EXPECT_EQ(h.frm.RestartMinutes(), 5);
    EXPECT_EQ(h.store.writes, (Writes{{"Computer Name", "SERVER1"}, {"Service Name", "Spooler"}}));
    EXPECT_TRUE(h.machineDefaults.writes.empty());

    MonitorHarness stored;  // a user's own names and minutes win
    stored.machineDefaults.values = h.machineDefaults.values;
    stored.store.values = {{"Service Name", "W32Time"}, {"Restart Minutes", "20"}};
    stored.frm.Load("");
    EXPECT_EQ(stored.frm.ServiceName(), "W32Time");
    EXPECT_EQ(stored.frm.RestartMinutes(), 20);

    MonitorHarness reset;  // `reset` always asks
    reset.machineDefaults.values = h.machineDefaults.values;
    reset.view.answers = {"", "W32Time"};
    reset.frm.Load("reset");
    EXPECT_EQ(reset.view.prompts.size(), 2u);
    EXPECT_EQ(reset.frm.ServiceName(), "W32Time");
}

TEST(CommandLine, TheProgramPathIsNotPartOfTheArguments) {
    EXPECT_EQ(CommandLineArguments(R"(C:\Preset\kestrin.exe)"), "");
    EXPECT_EQ(CommandLineArguments(R"("C:\Program Files\Reset Tools\kestrin.exe" /x)"), "/x");
    EXPECT_EQ(CommandLineArguments(R"(C:\Preset\kestrin.exe   reset)"), "reset");
    EXPECT_EQ(CommandLineArguments(""), "");
    EXPECT_FALSE(ContainsReset(CommandLineArguments(R"("C:\Reset\kestrin.exe")")));
    EXPECT_TRUE(ContainsReset(CommandLineArguments(R"("C:\x\kestrin.exe" RESET)")));
}

}  // namespace
}  // namespace kestrin
