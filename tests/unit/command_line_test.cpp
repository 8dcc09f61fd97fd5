// The command line of a copy that watches its own service: options, quoting, complaints, `reset`,
// and what each copy's options make of its settings key, its Run value and its restart.
#include <gtest/gtest.h>

#include "fakes/monitor_harness.h"
#include "monitor/command_line.h"
#include "settings/settings.h"
#include "settings/start_with_windows.h"

namespace kestrin {
namespace {

TEST(ParseCommandLine, OptionsTakeSlashOrDashInAnyCaseAndQuotedValues) {
    const CommandLine line = ParseCommandLine(R"(-SERVICE "My Service" /Computer \\SERVER1 --minutes 5)");
    EXPECT_EQ(line.error, "");
    EXPECT_EQ(line.service, "My Service");
    EXPECT_EQ(line.computer, R"(\\SERVER1)");
    EXPECT_EQ(line.minutes, 5);
    EXPECT_EQ(line.Options(), R"(/service "My Service" /computer \\SERVER1 /minutes 5)");
    // What is written back splits into the same values, quotes and backslashes included.
    for (const std::string value : {"a b", R"(end\)", R"(say "hi")", R"(C:\dir\ x)", ""}) {
        EXPECT_EQ(SplitArguments("/x " + QuoteArgument(value)), (std::vector<std::string>{"/x", value})) << value;
    }
    EXPECT_EQ(ParseCommandLine("/?").action, ProgramAction::ShowHelp);
    EXPECT_EQ(ParseCommandLine("-h").action, ProgramAction::ShowHelp);
    EXPECT_EQ(ParseCommandLine("--help").action, ProgramAction::ShowHelp);
    EXPECT_EQ(ParseCommandLine("/register-event-source").action, ProgramAction::RegisterEventSource);
}

TEST(ParseCommandLine, ABadLineIsNamedAndNothingIsWatched) {
    const std::pair<const char*, const char*> cases[] = {
        {"/service", "The option /service needs a value."},
        {"/service /computer PC", "The option /service needs a value."},
        {"/service A /service B", "The option /service is given twice."},
        {"/minutes 0", "The option /minutes takes a whole number from 1 to 60."},
        {"/minutes 61", "The option /minutes takes a whole number from 1 to 60."},
        {"/minutes five", "The option /minutes takes a whole number from 1 to 60."},
        {"/computer PC", "The option /computer needs /service."},
    };
    for (const auto& [line, error] : cases) EXPECT_EQ(ParseCommandLine(line).error, error) << line;
}

TEST(ParseCommandLine, ResetIsSearchedOutsideTheValuesAndIgnoredWithAServiceOfItsOwn) {
    EXPECT_TRUE(ParseCommandLine("-RESET").reset);
    EXPECT_TRUE(ParseCommandLine("/Preset").reset);
    EXPECT_TRUE(ParseCommandLine("/minutes 5 reset").reset);
    EXPECT_FALSE(ParseCommandLine("/minutes 5").reset);
    EXPECT_FALSE(ParseCommandLine("/service PresetSync").reset);
    EXPECT_FALSE(ParseCommandLine("/service Spooler reset").reset);
    EXPECT_EQ(RestartArguments(ParseCommandLine("reset")), std::nullopt);  // would not watch the same
    EXPECT_EQ(RestartArguments(ParseCommandLine("")), "");
    EXPECT_EQ(RestartArguments(ParseCommandLine("/service Spooler /minutes 3")), "/service Spooler /minutes 3");
}

TEST(EachCopy, HasItsOwnKeyAndRunValueNamedByServiceAndComputer) {
    EXPECT_EQ(SettingsKeyPath(std::nullopt, ""), "Software\\Kestrin\\Settings");
    EXPECT_EQ(SettingsKeyPath(std::string("Spooler"), ""), "Software\\Kestrin\\Watchers\\Spooler@");
    EXPECT_EQ(SettingsKeyPath(std::string("Spooler"), "\\\\SERVER1"), "Software\\Kestrin\\Watchers\\Spooler@SERVER1");
    EXPECT_EQ(RunValueName(std::nullopt, ""), "Kestrin");
    EXPECT_EQ(RunValueName(std::string("Spooler"), "SERVER1"), "Kestrin Spooler@SERVER1");
    EXPECT_EQ(RunCommand(R"(C:\Program Files\Kestrin\kestrin.exe)", "/service Spooler"),
              R"("C:\Program Files\Kestrin\kestrin.exe" /service Spooler)");
    EXPECT_EQ(RunCommand(R"(C:\k.exe)", ""), R"("C:\k.exe")");
}

TEST(EachCopy, AServiceOnTheCommandLineNeverPromptsAndTheCountdownRunsFromItsMinutes) {
    MonitorHarness h;
    h.store.values = {{"Minimise to Tray", "True"}};  // the copy's own key: no names in it
    CommandLine line = ParseCommandLine("/service Spooler /computer PC /minutes 3");
    h.frm.Load(line);
    EXPECT_TRUE(h.view.prompts.empty());
    EXPECT_EQ(h.frm.ServiceName(), "Spooler");
    EXPECT_EQ(h.frm.ComputerName(), "PC");
    EXPECT_FALSE(h.view.visible);
    EXPECT_TRUE(h.store.writes.empty());
    h.scm.state = 1;
    h.frm.Timer1Tick();
    EXPECT_EQ(h.view.timeText, "3 Minutes until restart");
    for (int i = 0; i < 3; ++i) h.frm.Timer2Tick();
    EXPECT_EQ(h.scm.starts, 0);
    h.frm.Timer2Tick();  // the fourth tick: the check
    EXPECT_EQ(h.scm.starts, 1);
    EXPECT_EQ(h.frm.MinutesToRestart(), 2);

    MonitorHarness stored;  // "Restart Minutes" stored; the command line's /minutes would win
    stored.store.values = {{"Service Name", "Spooler"}, {"Restart Minutes", "7"}};
    stored.frm.Load("");
    EXPECT_EQ(stored.frm.RestartMinutes(), 7);
    stored.store.values["Restart Minutes"] = "0";
    stored.frm.Load("");
    EXPECT_EQ(stored.frm.RestartMinutes(), 10);
}

class FakeStartup : public StartupRegistry {
public:
    std::map<std::string, std::string> run;
    std::map<std::string, std::vector<std::uint8_t>> approved;
    std::uint32_t refuse = 0;
    std::optional<std::string> ReadRun(const std::string& name) override {
        return run.count(name) ? std::optional<std::string>(run[name]) : std::nullopt;
    }
    std::optional<std::vector<std::uint8_t>> ReadApproved(const std::string& name) override {
        return approved.count(name) ? std::optional<std::vector<std::uint8_t>>(approved[name]) : std::nullopt;
    }
    std::uint32_t WriteRun(const std::string& name, const std::string& command) override {
        if (!refuse) run[name] = command;
        return refuse;
    }
    std::uint32_t WriteApproved(const std::string& name, const std::vector<std::uint8_t>& bytes) override {
        approved[name] = bytes;
        return 0;
    }
    std::uint32_t DeleteRun(const std::string& name) override { return run.erase(name), refuse; }
    std::uint32_t DeleteApproved(const std::string& name) override { return approved.erase(name), 0; }
};

TEST(StartWithWindows, IsOnWhenItsValueRunsAndWindowsHasNotSwitchedItOff) {
    EXPECT_TRUE(StartupApproved(std::nullopt));
    for (const int first : {2, 6}) EXPECT_TRUE(StartupApproved(std::vector<std::uint8_t>(12, static_cast<std::uint8_t>(first))));
    for (const int first : {3, 7}) EXPECT_FALSE(StartupApproved(std::vector<std::uint8_t>(12, static_cast<std::uint8_t>(first))));

    FakeStartup keys;
    StartWithWindows start(keys, "Kestrin Spooler@", R"("C:\k.exe" /service Spooler)");
    EXPECT_FALSE(start.IsOn());
    EXPECT_EQ(start.Toggle(), 0u);
    EXPECT_EQ(keys.run["Kestrin Spooler@"], R"("C:\k.exe" /service Spooler)");
    EXPECT_EQ(keys.approved["Kestrin Spooler@"], (std::vector<std::uint8_t>{2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(start.IsOn());
    keys.approved["Kestrin Spooler@"][0] = 3;  // switched off in Settings
    EXPECT_FALSE(start.IsOn());
    EXPECT_EQ(start.Toggle(), 0u);  // on again, enabled
    EXPECT_TRUE(start.IsOn());
    EXPECT_EQ(start.Toggle(), 0u);
    EXPECT_TRUE(keys.run.empty());
    EXPECT_TRUE(keys.approved.empty());
    keys.refuse = 5;
    EXPECT_EQ(start.Toggle(), 5u);
    EXPECT_FALSE(start.IsOn());
}

}  // namespace
}  // namespace kestrin
