// The command line of a copy that watches its own service, and what each copy's options make of its
// settings key, its Run value and its restart.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "fakes/monitor_harness.h"
#include "settings/start_with_windows.h"

namespace kestrin {
namespace {

TEST(ParseCommandLine, OptionsQuotingErrorsAndTheResetRule) {
    const CommandLine line = ParseCommandLine(R"(-SERVICE "My Service" /Computer \\SERVER1 --minutes 5)");
    EXPECT_EQ(line.error, "");
    EXPECT_EQ(line.Options(), R"(/service "My Service" /computer \\SERVER1 /minutes 5)");
    for (const std::string value : {"a b", R"(end\)", R"(say "hi")", ""}) {  // written back losslessly
        EXPECT_EQ(SplitArguments("/x " + QuoteArgument(value)), (std::vector<std::string>{"/x", value})) << value;
    }
    EXPECT_EQ(ParseCommandLine("--help").action, ProgramAction::ShowHelp);
    const std::pair<const char*, const char*> bad[] = {
        {"/service /computer PC", "The option /service needs a value."},
        {"/minutes 5 /minutes 6", "The option /minutes is given twice."},
        {"/minutes 61", "The option /minutes takes a whole number from 1 to 60."},
        {"/computer PC", "The option /computer needs /service."},
        {R"(/service "")", "The service name is empty."},
        {"/service a/b", "A service name cannot contain / or \\."},
        {R"(/service a\b)", "A service name cannot contain / or \\."},
        {R"(/service S /computer \\PC\share)", "A computer name cannot contain / or \\ after the backslashes it may start with."},
        {"/service S /computer PC/2", "A computer name cannot contain / or \\ after the backslashes it may start with."},
    };
    for (const auto& [text, error] : bad) EXPECT_EQ(ParseCommandLine(text).error, error) << text;
    EXPECT_EQ(ParseCommandLine("/service " + std::string(257, 's')).error, "A service name has at most 256 characters.");
    // `reset` is searched outside the options' values, and means nothing beside /service.
    EXPECT_TRUE(ParseCommandLine("/minutes 5 /Preset").reset);
    EXPECT_FALSE(ParseCommandLine("/service PresetSync").reset);
    EXPECT_FALSE(ParseCommandLine("/service Spooler reset").reset);
    EXPECT_EQ(RestartArguments(ParseCommandLine("reset")), std::nullopt);
    EXPECT_EQ(RestartArguments(ParseCommandLine("/service Spooler")), "/service Spooler");
}

TEST(EachCopy, HasItsOwnKeyAndRunValueAndItsCountdownRunsFromItsMinutes) {
    EXPECT_EQ(SettingsKeyPath(std::nullopt, ""), "Software\\Kestrin\\Settings");
    EXPECT_EQ(SettingsKeyPath(std::string("Spooler"), "\\\\SERVER1"), "Software\\Kestrin\\Watchers\\Spooler@SERVER1");
    EXPECT_EQ(RunValueName(std::nullopt, ""), "Kestrin");
    EXPECT_EQ(RunValueName(std::string("Spooler"), ""), "Kestrin Spooler@");
    EXPECT_EQ(RunCommand(R"(C:\Program Files\k.exe)", "/service Spooler"), R"("C:\Program Files\k.exe" /service Spooler)");
    // The longest names Windows takes still get a key: 255 units at most, the same for the same
    // name in any case, and apart for names that differ only past the cut.
    EXPECT_EQ(ParseCommandLine("/service " + std::string(256, 's')).error, "");
    const std::string longName = std::string(256, 's') + "@" + std::string(20, 'c');
    const std::string key = RegistryKeyName(longName);
    EXPECT_EQ(key.size(), 255u);
    EXPECT_EQ(key.substr(0, 239), std::string(238, 's') + "~");
    EXPECT_EQ(key.substr(238), RegistryKeyName(std::string(256, 'S') + "@" + std::string(20, 'C')).substr(238));
    EXPECT_NE(key, RegistryKeyName(std::string(256, 's') + "@" + std::string(20, 'd')));
    EXPECT_EQ(RegistryKeyName("Spooler@"), "Spooler@");

    MonitorHarness h;
    h.store.values = {{"Minimise to Tray", "True"}};  // the copy's own key: no names in it
    h.frm.Load(ParseCommandLine("/service Spooler /computer PC /minutes 3"));
    EXPECT_TRUE(h.view.prompts.empty());
    EXPECT_EQ(h.frm.ComputerName(), "PC");
    EXPECT_FALSE(h.view.visible);
    EXPECT_TRUE(h.store.writes.empty());
    h.scm.state = 1;
    h.frm.Timer1Tick();
    EXPECT_EQ(h.view.timeText, "3 Minutes until restart");
    for (int i = 0; i < 3; ++i) h.frm.Timer2Tick();
    EXPECT_EQ(h.scm.starts, 0);
    h.frm.Timer2Tick();  // the fourth tick checks
    EXPECT_EQ(h.scm.starts, 1);
    EXPECT_EQ(h.frm.MinutesToRestart(), 2);
}

class FakeStartup : public StartupRegistry {
public:
    std::map<std::string, std::string> run;
    std::map<std::string, std::vector<std::uint8_t>> approved;
    std::uint32_t refuse = 0;
    std::optional<std::string> ReadRun(const std::string& n) override { return Find(run, n); }
    std::optional<std::vector<std::uint8_t>> ReadApproved(const std::string& n) override { return Find(approved, n); }
    std::uint32_t WriteRun(const std::string& n, const std::string& c) override {
        return refuse ? refuse : (run[n] = c, 0u);
    }
    std::uint32_t WriteApproved(const std::string& n, const std::vector<std::uint8_t>& b) override {
        return approved[n] = b, 0u;
    }
    std::uint32_t DeleteRun(const std::string& n) override { return refuse ? refuse : (run.erase(n), 0u); }
    std::uint32_t DeleteApproved(const std::string& n) override { return approved.erase(n), 0u; }
    std::optional<std::set<std::string>> programs;  // the programs there are; unset: every one
    bool ProgramExists(const std::string& path) override { return !programs || programs->count(path) != 0; }
    std::vector<std::string> RunValueNames() override {
        std::vector<std::string> names;
        for (const auto& value : run) names.push_back(value.first);
        return names;
    }

private:
    template <class Map>
    static std::optional<typename Map::mapped_type> Find(const Map& map, const std::string& name) {
        const auto found = map.find(name);
        return found == map.end() ? std::nullopt : std::optional<typename Map::mapped_type>(found->second);
    }
};

TEST(StartWithWindows, IsOnWhenItsValueRunsAndWindowsHasNotSwitchedItOff) {
    FakeStartup keys;
    StartWithWindows start(keys, "Kestrin Spooler@", R"("C:\k.exe" /service Spooler)");
    EXPECT_FALSE(start.IsOn());
    EXPECT_EQ(start.Toggle(), 0u);
    EXPECT_EQ(keys.run["Kestrin Spooler@"], R"("C:\k.exe" /service Spooler)");
    EXPECT_EQ(keys.approved["Kestrin Spooler@"], (std::vector<std::uint8_t>{2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(start.IsOn());
    for (const int off : {3, 7}) {  // switched off in Settings or Task Manager
        keys.approved["Kestrin Spooler@"][0] = static_cast<std::uint8_t>(off);
        EXPECT_FALSE(start.IsOn());
    }
    keys.approved["Kestrin Spooler@"][0] = 6;
    EXPECT_TRUE(start.IsOn());
    EXPECT_EQ(start.Toggle(), 0u);
    EXPECT_TRUE(keys.run.empty() && keys.approved.empty());
    keys.refuse = 5;
    EXPECT_EQ(start.Toggle(), 5u);
    EXPECT_FALSE(start.IsOn());
}

TEST(StartWithWindows, BelongsToTheWatcherWhateverCommandItsValueHoldsAndFollowsAMovedProgram) {
    const std::string moved = R"(C:\Program Files (x86)\Kestrin\kestrin.exe)";
    const std::string here = R"(C:\Program Files\Kestrin\kestrin.exe)";
    FakeStartup keys;
    keys.run["Kestrin Spooler@"] = "\"" + moved + "\" /service Spooler /minutes 5";
    keys.run["Kestrin W32Time@"] = moved + " /service W32Time";  // another copy's, unquoted as a hand may write it
    keys.run["Kestrin Notes"] = R"(C:\Old\notes.exe /x)";        // another program's: never touched
    StartWithWindows start(keys, "Kestrin Spooler@", "\"" + here + "\" /service Spooler");
    EXPECT_TRUE(start.IsOn());  // written by a copy with other options, from another folder
    const auto before = keys.run;
    start.RepairMovedProgram();  // every program is still there
    EXPECT_EQ(keys.run, before);

    keys.programs = std::set<std::string>{here};  // an upgrade moved Kestrin
    start.RepairMovedProgram();
    EXPECT_EQ(keys.run["Kestrin Spooler@"], "\"" + here + "\" /service Spooler /minutes 5");
    EXPECT_EQ(keys.run["Kestrin W32Time@"], "\"" + here + "\" /service W32Time");
    EXPECT_EQ(keys.run["Kestrin Notes"], R"(C:\Old\notes.exe /x)");
    keys.run["Kestrin W32Time@"] = here + " /service W32Time";  // unquoted, blanks and all, but there
    start.RepairMovedProgram();
    EXPECT_EQ(keys.run["Kestrin W32Time@"], here + " /service W32Time");

    EXPECT_EQ(start.Toggle(), 0u);  // on: the toggle removes it
    EXPECT_EQ(keys.run.count("Kestrin Spooler@"), 0u);
}

}  // namespace
}  // namespace kestrin
