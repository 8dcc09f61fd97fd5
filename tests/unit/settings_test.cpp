// The three remembered values: defaults, text forms and the order of writes.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "fakes/fake_settings_store.h"
#include "settings/settings.h"

namespace kestrin {
namespace {

using Writes = std::vector<std::pair<std::string, std::string>>;

TEST(Settings, NothingStoredReadsAsEmptyNamesAndAShownWindow) {
    for (const bool wholeStoreMissing : {false, true}) {
        FakeSettingsStore store;
        store.missing = wholeStoreMissing;
        Settings settings(store);
        EXPECT_EQ(settings.ReadComputerName(), "");
        EXPECT_EQ(settings.ReadServiceName(), "");
        EXPECT_FALSE(settings.ReadMinimiseToTray());
    }
}

TEST(Settings, ReadsStoredNamesUnderTheirKeys) {
    FakeSettingsStore store;
    store.values = {{"Computer Name", "FILESERVER"}, {"Service Name", "Spooler"}};
    Settings settings(store);
    EXPECT_EQ(settings.ReadComputerName(), "FILESERVER");
    EXPECT_EQ(settings.ReadServiceName(), "Spooler");
}

TEST(Settings, OnlyTheExactTextTrueMeansHidden) {
    const std::vector<std::pair<std::string, bool>> cases = {
        {"True", true}, {"False", false}, {"true", false}, {"TRUE", false},
        {"1", false},   {"", false},      {"True ", false}, {"yes", false}};
    for (const auto& [text, hidden] : cases) {
        FakeSettingsStore store;
        store.values["Minimise to Tray"] = text;
        EXPECT_EQ(Settings(store).ReadMinimiseToTray(), hidden) << '"' << text << '"';
    }
}

TEST(Settings, WritesBothNamesTogetherComputerFirst) {
    FakeSettingsStore store;
    Settings(store).WriteNames("", "Harbourlink");
    EXPECT_EQ(store.writes, (Writes{{"Computer Name", ""}, {"Service Name", "Harbourlink"}}));
}

TEST(Settings, WritesMinimiseToTrayAsTrueOrFalse) {
    FakeSettingsStore store;
    Settings settings(store);
    settings.WriteMinimiseToTray(true);
    settings.WriteMinimiseToTray(false);
    EXPECT_EQ(store.writes, (Writes{{"Minimise to Tray", "True"}, {"Minimise to Tray", "False"}}));
}

TEST(Settings, WrittenValuesReadBack) {
    FakeSettingsStore store;
    store.missing = true;
    Settings settings(store);
    settings.WriteNames("pc-7", "Some Service");
    settings.WriteMinimiseToTray(true);
    EXPECT_EQ(settings.ReadComputerName(), "pc-7");
    EXPECT_EQ(settings.ReadServiceName(), "Some Service");
    EXPECT_TRUE(settings.ReadMinimiseToTray());
}

}  // namespace
}  // namespace kestrin
