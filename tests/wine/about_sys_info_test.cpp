// The System Info button's look-up and launch against the real registry, file system and process start.
#include <gtest/gtest.h>

#include <windows.h>

#include <functional>
#include <ostream>

#include "about/key_value.h"
#include "about/sys_info.h"
#include "about/win32/advapi_registry_port.h"
#include "about/win32/process_sys_info_port.h"
#include "about_wine_support.h"

namespace kestrin {
namespace {

using namespace std::chrono_literals;
using testing::MarkerExe;
using testing::MessageBoxWatcher;
using testing::SavedRegistryValue;
using testing::ScratchFolder;
using testing::SeenMessageBox;
using testing::WaitForMarker;

class SysInfoLaunch : public ::testing::Test {
protected:
    void CopyMarker(const std::wstring& to) { ASSERT_TRUE(::CopyFileW(MarkerExe().c_str(), to.c_str(), FALSE)); }

    // Runs StartSysInfo on this thread and returns the message boxes it showed.
    std::vector<SeenMessageBox> Run() {
        MessageBoxWatcher watcher;
        AdvapiRegistryPort registry;
        ProcessSysInfoPort system(nullptr, "Kestrin");
        StartSysInfo(registry, system);
        return watcher.Stop();
    }

    SavedRegistryValue path_{L"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", L"PATH"};
    SavedRegistryValue location_{L"SOFTWARE\\Microsoft\\Shared Tools Location", L"MSINFO"};
    ScratchFolder folder_;
};

TEST_F(SysInfoLaunch, StartsThePathFromMsinfoShownNormally) {
    const std::wstring tool = folder_ / L"tool.exe";
    CopyMarker(tool);
    path_.SetString(tool);
    location_.Delete();

    EXPECT_TRUE(Run().empty());
    const std::optional<std::string> record = WaitForMarker(tool, 20s);
    ASSERT_TRUE(record) << "the tool named by PATH did not start";
    EXPECT_EQ(*record, "flags=" + std::to_string(STARTF_USESHOWWINDOW) + " show=" + std::to_string(SW_SHOWNORMAL) +
                           "\n");
}

TEST_F(SysInfoLaunch, StartsMsinfo32InTheSharedToolsFolder) {
    const std::wstring tool = folder_ / L"MSINFO32.EXE";
    CopyMarker(tool);
    path_.Delete();
    location_.SetString(folder_.Path());

    EXPECT_TRUE(Run().empty());
    EXPECT_TRUE(WaitForMarker(tool, 20s)) << "MSINFO32.EXE in the Shared Tools folder did not start";
}

struct UnavailableCase {
    const char* name;
    std::function<void(SavedRegistryValue& path, SavedRegistryValue& location, const ScratchFolder& folder)> arrange;
};

void PrintTo(const UnavailableCase& c, std::ostream* os) { *os << c.name; }

class SysInfoUnavailable : public SysInfoLaunch, public ::testing::WithParamInterface<UnavailableCase> {};

TEST_P(SysInfoUnavailable, SaysSoInAPlainMessageBox) {
    GetParam().arrange(path_, location_, folder_);
    // A tool waiting in the Shared Tools folder must not be started by any of these cases.
    const std::wstring bystander = folder_ / L"MSINFO32.EXE";

    const std::vector<SeenMessageBox> boxes = Run();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].title, L"Kestrin");
    EXPECT_EQ(boxes[0].text, L"System Information Is Unavailable At This Time");
    EXPECT_EQ(boxes[0].buttons, std::vector<int>{IDOK});
    EXPECT_FALSE(boxes[0].icon);
    EXPECT_FALSE(WaitForMarker(bystander, 1s));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SysInfoUnavailable,
    ::testing::Values(
        UnavailableCase{"NeitherValuePresent",
                        [](SavedRegistryValue& path, SavedRegistryValue& location, const ScratchFolder&) {
                            path.Delete();
                            location.Delete();
                        }},
        UnavailableCase{"FolderWithoutTheTool",
                        [](SavedRegistryValue& path, SavedRegistryValue& location, const ScratchFolder& folder) {
                            path.Delete();
                            location.SetString(folder.Path());
                        }},
        UnavailableCase{"ToolNameIsAFolder",
                        [](SavedRegistryValue& path, SavedRegistryValue& location, const ScratchFolder& folder) {
                            path.Delete();
                            location.SetString(folder.Path());
                            ::CreateDirectoryW((folder / L"MSINFO32.EXE").c_str(), nullptr);
                        }},
        // The PATH entry wins even when it is wrong: the Shared Tools folder is not consulted.
        UnavailableCase{"PathNamesAMissingFile",
                        [](SavedRegistryValue& path, SavedRegistryValue& location, const ScratchFolder& folder) {
                            path.SetString(folder / L"missing.exe");
                            location.SetString(folder.Path());
                            ASSERT_TRUE(::CopyFileW(MarkerExe().c_str(), (folder / L"MSINFO32.EXE").c_str(), FALSE));
                        }},
        UnavailableCase{"PathIsEmpty",
                        [](SavedRegistryValue& path, SavedRegistryValue& location, const ScratchFolder& folder) {
                            path.Set(REG_SZ, L"", 0);
                            location.SetString(folder.Path());
                            ASSERT_TRUE(::CopyFileW(MarkerExe().c_str(), (folder / L"MSINFO32.EXE").c_str(), FALSE));
                        }}),
    [](const ::testing::TestParamInfo<UnavailableCase>& param) { return param.param.name; });

// GetKeyValue over the real registry: the byte limit and the string and number forms.
class RegistryValueRead : public ::testing::Test {
protected:
    std::string Read(DWORD type, const void* data, DWORD size, bool* found = nullptr) {
        value_.Set(type, data, size);
        AdvapiRegistryPort registry;
        std::string keyVal;
        const bool result =
            GetKeyValue(registry, RegistryRoot::LocalMachine, "SOFTWARE\\KestrinAboutTest", "Value", keyVal);
        if (found) *found = result;
        return keyVal;
    }

    SavedRegistryValue value_{L"SOFTWARE\\KestrinAboutTest", L"Value"};
};

// The registry adds a NUL to string data that lacks one when the next character in memory is a NUL,
// so data meant to be stored without one is followed by another character.
TEST_F(RegistryValueRead, StringsWithAndWithoutTheirNul) {
    const wchar_t text[] = L"C:\\Program Files\\Info\\msinfo32.exe";
    EXPECT_EQ(Read(REG_SZ, text, sizeof(text)), "C:\\Program Files\\Info\\msinfo32.exe");
    const wchar_t unterminated[] = L"C:\\Info!";
    EXPECT_EQ(Read(REG_SZ, unterminated, sizeof(unterminated) - 2 * sizeof(wchar_t)), "C:\\Info");
    const wchar_t accented[] = L"C:\\Programmes\\\u00e9t\u00e9";
    EXPECT_EQ(Read(REG_SZ, accented, sizeof(accented)), "C:\\Programmes\\\xC3\xA9t\xC3\xA9");
}

TEST_F(RegistryValueRead, ReadsExactlyTheBufferAndNoMore) {
    const std::wstring full(513, L'x');
    bool found = false;
    EXPECT_EQ(Read(REG_SZ, full.data(), 1024, &found), std::string(512, 'x'));
    EXPECT_TRUE(found);
    const std::wstring terminated = std::wstring(511, L'x') + L'\0';
    EXPECT_EQ(Read(REG_SZ, terminated.data(), 1024, &found), std::string(511, 'x'));
    EXPECT_TRUE(found);
    EXPECT_EQ(Read(REG_SZ, full.data(), 1025, &found), "");
    EXPECT_FALSE(found);
}

TEST_F(RegistryValueRead, EmptyDwordAndOtherTypes) {
    bool found = false;
    EXPECT_EQ(Read(REG_SZ, L"", 0, &found), "");
    EXPECT_TRUE(found);
    const BYTE dword[] = {0x1A, 0x00, 0x01, 0x00};
    EXPECT_EQ(Read(REG_DWORD, dword, sizeof(dword)), "65562");
    const BYTE binary[] = {1, 2, 3};
    EXPECT_EQ(Read(REG_BINARY, binary, sizeof(binary), &found), "");
    EXPECT_TRUE(found);
}

}  // namespace
}  // namespace kestrin
