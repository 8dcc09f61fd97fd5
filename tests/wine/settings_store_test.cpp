// The registry settings store against the real registry of the Wine prefix.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>

#include "settings/settings.h"
#include "settings/win32/registry_settings_store.h"
#include "settings/win32/registry_startup.h"
#include "win32/text.h"

namespace kestrin {
namespace {

const char kTestKey[] = "Software\\Kestrin\\WineTests\\Settings";
const wchar_t kTestKeyW[] = L"Software\\Kestrin\\WineTests\\Settings";

void DeleteTestKey() { ::RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Kestrin\\WineTests"); }

// Stores raw bytes, as another program (or a hand edit) might.
void SetRaw(const wchar_t* name, DWORD type, const void* data, DWORD bytes) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, kTestKeyW, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(::RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), bytes), ERROR_SUCCESS);
    ::RegCloseKey(key);
}

class RegistrySettings : public testing::Test {
protected:
    void SetUp() override { DeleteTestKey(); }
    void TearDown() override { DeleteTestKey(); }
    RegistrySettingsStore store_{kTestKey};
};

TEST_F(RegistrySettings, MissingKeyReadsAsNothing) {
    EXPECT_EQ(store_.Read("Service Name"), std::nullopt);
    Settings settings(store_);
    EXPECT_EQ(settings.ReadComputerName(), "");
    EXPECT_EQ(settings.ReadServiceName(), "");
    EXPECT_FALSE(settings.ReadMinimiseToTray());
}

TEST_F(RegistrySettings, ValuesSurviveARoundTripAsTerminatedRegSz) {
    Settings(store_).WriteNames("", "KestrinTestSvc");
    Settings(store_).WriteMinimiseToTray(true);

    RegistrySettingsStore fresh(kTestKey);
    Settings settings(fresh);
    EXPECT_EQ(fresh.Read("Computer Name"), std::optional<std::string>(""));
    EXPECT_EQ(settings.ReadServiceName(), "KestrinTestSvc");
    EXPECT_TRUE(settings.ReadMinimiseToTray());

    DWORD type = 0;
    wchar_t data[32] = {};
    DWORD bytes = sizeof(data);
    ASSERT_EQ(::RegGetValueW(HKEY_CURRENT_USER, kTestKeyW, L"Minimise to Tray", RRF_RT_ANY | RRF_NOEXPAND, &type, data,
                             &bytes),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(bytes, sizeof(L"True"));  // the text and its NUL
}

TEST_F(RegistrySettings, KeepsTextOutsideTheSystemCodePageAndLongNames) {
    const std::string unicode = "Сервис Ελληνικά 服务 \xF0\x9F\x98\x80";  // Cyrillic, Greek, CJK, an emoji
    const std::string name256(256, 'N');
    const std::string long5000 = std::string(4999, 'x') + "\xC3\xA9";
    for (const std::string& text : {unicode, name256, long5000}) {
        store_.Write("Service Name", text);
        EXPECT_EQ(RegistrySettingsStore(kTestKey).Read("Service Name"), std::optional<std::string>(text))
            << text.size() << " bytes";
    }
}

TEST_F(RegistrySettings, ReadsTextStoredWithoutItsNul) {
    const wchar_t text[] = {L'S', L'p', L'o', L'o', L'l', L'e', L'r'};
    SetRaw(L"Service Name", REG_SZ, text, sizeof(text));
    EXPECT_EQ(store_.Read("Service Name"), std::optional<std::string>("Spooler"));
}

TEST_F(RegistrySettings, ReadsTextStoredWithAnOddByteCount) {
    // wcslen * 2 + 1, a common size mistake: the NUL's first byte and nothing after it.
    const wchar_t text[] = {L'S', L'p', L'o', L'o', L'l', L'e', L'r', L'\0'};
    SetRaw(L"Service Name", REG_SZ, text, 7 * sizeof(wchar_t) + 1);
    EXPECT_EQ(store_.Read("Service Name"), std::optional<std::string>("Spooler"));
    const wchar_t cut[] = {L'S', L'p', L'o', L'o', L'l', L'e', L'r'};
    SetRaw(L"Computer Name", REG_SZ, cut, 6 * sizeof(wchar_t) + 1);  // half of the last character
    EXPECT_EQ(store_.Read("Computer Name"), std::optional<std::string>("Spoole"));
}

TEST_F(RegistrySettings, OtherValueTypesReadAsNothing) {
    const DWORD number = 1;
    SetRaw(L"Minimise to Tray", REG_DWORD, &number, sizeof(number));
    const wchar_t multi[] = L"a\0b\0";
    SetRaw(L"Service Name", REG_MULTI_SZ, multi, sizeof(multi));
    EXPECT_EQ(store_.Read("Minimise to Tray"), std::nullopt);
    EXPECT_EQ(store_.Read("Service Name"), std::nullopt);
}

TEST(RegistrySettingsDefaultKey, WritesUnderSoftwareKestrinSettings) {
    // Puts back whatever was there, so later tests in the prefix see the registry as it was.
    RegistrySettingsStore store;
    const std::optional<std::string> saved = store.Read("Service Name");

    store.Write("Service Name", "KestrinTestSvc");
    wchar_t data[64] = {};
    DWORD bytes = sizeof(data);
    EXPECT_EQ(::RegGetValueW(HKEY_CURRENT_USER, L"Software\\Kestrin\\Settings", L"Service Name", RRF_RT_REG_SZ,
                             nullptr, data, &bytes),
              ERROR_SUCCESS);
    EXPECT_EQ(Narrow(data), "KestrinTestSvc");

    if (saved) {
        store.Write("Service Name", *saved);
    } else {
        ::RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Kestrin\\Settings", L"Service Name");
    }
}

TEST(RegistryStartupKeys, ARunValueWrittenAsRegExpandSzCountsAndNamesAProgramThatIsThere) {
    const wchar_t kRun[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    const wchar_t command[] = L"\"%SystemRoot%\\system32\\notepad.exe\" /service Spooler";
    ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, kRun, L"Kestrin WineTest", REG_EXPAND_SZ, command, sizeof(command)),
              ERROR_SUCCESS);
    RegistryStartup keys;
    const std::optional<std::string> read = keys.ReadRun("Kestrin WineTest");
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kRun, L"Kestrin WineTest");
    ASSERT_TRUE(read);
    EXPECT_EQ(read->find('%'), std::string::npos) << *read;  // the variable is expanded
    EXPECT_TRUE(keys.ProgramExists(ProgramOfCommand(*read))) << *read;
    EXPECT_FALSE(keys.ProgramExists("C:\\Program Files\\Kestrin\\nowhere.exe"));
    EXPECT_FALSE(keys.ProgramExists("C:\\windows"));  // a folder is no program
}

}  // namespace
}  // namespace kestrin
