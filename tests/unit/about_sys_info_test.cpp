// StartSysInfo: which registry entry leads to which launch, and when the user is told it is unavailable.
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <set>

#include "about/sys_info.h"
#include "about_fake_registry.h"

namespace kestrin {
namespace {

using testing::FakeRegistryPort;
using testing::Utf16Bytes;

class FakeSysInfoPort : public SysInfoPort {
public:
    bool FileExists(const std::string& path) override {
        calls.push_back("exists " + path);
        return files.count(path) > 0;
    }
    bool Launch(const std::string& path) override {
        calls.push_back("launch " + path);
        return launches;
    }
    void ShowUnavailable() override { calls.push_back("unavailable"); }

    std::set<std::string> files;
    bool launches = true;
    std::vector<std::string> calls;
};

struct Fixture {
    FakeRegistryPort registry;
    FakeSysInfoPort system;
};

struct DecisionCase {
    const char* name;
    std::function<void(Fixture&)> arrange;
    std::vector<std::string> calls;
    std::vector<std::string> keysOpened;
};

void PrintTo(const DecisionCase& c, std::ostream* os) { *os << c.name; }

const std::string kFirst = kMsinfoKey;
const std::string kSecond = kSharedToolsLocationKey;

class StartSysInfoDecides : public ::testing::TestWithParam<DecisionCase> {};

TEST_P(StartSysInfoDecides, WhatToStart) {
    const DecisionCase& c = GetParam();
    Fixture s;
    c.arrange(s);
    StartSysInfo(s.registry, s.system);
    EXPECT_EQ(s.system.calls, c.calls);
    EXPECT_EQ(s.registry.Opened(), c.keysOpened);
    EXPECT_EQ(s.registry.KeysLeftOpen(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StartSysInfoDecides,
    ::testing::Values(
        DecisionCase{"PathStartedAsItStandsWithoutExistenceTest",
                     [](Fixture& s) {
                         s.registry.SetString(kFirst, "PATH", u"C:\\Info\\msinfo32.exe");
                         s.registry.SetString(kSecond, "MSINFO", u"C:\\Other");
                     },
                     {"launch C:\\Info\\msinfo32.exe"}, {kFirst}},
        DecisionCase{"PathThatCannotBeStartedIsUnavailableWithoutTheSecondKey",
                     [](Fixture& s) {
                         s.registry.SetString(kFirst, "PATH", u"C:\\Gone\\msinfo32.exe");
                         s.registry.SetString(kSecond, "MSINFO", u"C:\\Other");
                         s.system.files.insert("C:\\Other\\MSINFO32.EXE");
                         s.system.launches = false;
                     },
                     {"launch C:\\Gone\\msinfo32.exe", "unavailable"}, {kFirst}},
        DecisionCase{"FolderHoldingTheToolIsStarted",
                     [](Fixture& s) {
                         s.registry.AddKey(kFirst);
                         s.registry.SetString(kSecond, "MSINFO", u"C:\\Shared\\MSInfo");
                         s.system.files.insert("C:\\Shared\\MSInfo\\MSINFO32.EXE");
                     },
                     {"exists C:\\Shared\\MSInfo\\MSINFO32.EXE", "launch C:\\Shared\\MSInfo\\MSINFO32.EXE"},
                     {kFirst, kSecond}},
        DecisionCase{"FolderWithoutTheToolIsUnavailable",
                     [](Fixture& s) { s.registry.SetString(kSecond, "MSINFO", u"C:\\Shared\\MSInfo"); },
                     {"exists C:\\Shared\\MSInfo\\MSINFO32.EXE", "unavailable"}, {kFirst, kSecond}},
        DecisionCase{"ToolInFolderThatCannotBeStartedIsUnavailable",
                     [](Fixture& s) {
                         s.registry.SetString(kSecond, "MSINFO", u"C:\\Shared\\MSInfo");
                         s.system.files.insert("C:\\Shared\\MSInfo\\MSINFO32.EXE");
                         s.system.launches = false;
                     },
                     {"exists C:\\Shared\\MSInfo\\MSINFO32.EXE", "launch C:\\Shared\\MSInfo\\MSINFO32.EXE",
                      "unavailable"},
                     {kFirst, kSecond}},
        DecisionCase{"BothMissingIsUnavailable", [](Fixture&) {}, {"unavailable"}, {kFirst, kSecond}},
        DecisionCase{"EmptyPathIsUnavailableWithoutTheSecondKey",
                     [](Fixture& s) {
                         s.registry.Set(kFirst, "PATH", kRegSz, {});
                         s.registry.SetString(kSecond, "MSINFO", u"C:\\Other");
                     },
                     {"unavailable"}, {kFirst}},
        DecisionCase{"PathOfAnotherTypeIsUnavailableWithoutTheSecondKey",
                     [](Fixture& s) {
                         s.registry.Set(kFirst, "PATH", 3, {1, 2, 3, 4});
                         s.registry.SetString(kSecond, "MSINFO", u"C:\\Other");
                     },
                     {"unavailable"}, {kFirst}},
        DecisionCase{"PathTooLongToReadFallsBackToTheSecondKey",
                     [](Fixture& s) {
                         s.registry.Set(kFirst, "PATH", kRegSz, Utf16Bytes(std::u16string(600, u'x')));
                         s.registry.SetString(kSecond, "MSINFO", u"C:\\Shared");
                         s.system.files.insert("C:\\Shared\\MSINFO32.EXE");
                     },
                     {"exists C:\\Shared\\MSINFO32.EXE", "launch C:\\Shared\\MSINFO32.EXE"}, {kFirst, kSecond}}),
    [](const ::testing::TestParamInfo<DecisionCase>& param) { return param.param.name; });

}  // namespace
}  // namespace kestrin
