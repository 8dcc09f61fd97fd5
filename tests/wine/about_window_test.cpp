// The About window on a real desktop: its place, texts, single instance, keys and lifetime.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <ostream>

#include "about/win32/about_window.h"
#include "win32/dpi.h"
#include "about_wine_support.h"
#include "app/resource.h"
#include "app/version.h"
#include "win32/app_lifetime.h"
#include "win32/window.h"

namespace kestrin {
namespace {

using testing::MessageBoxWatcher;
using testing::SavedRegistryValue;
using testing::SeenMessageBox;

std::wstring TextOf(HWND hwnd) {
    wchar_t text[512] = {};
    ::GetWindowTextW(hwnd, text, 512);
    return text;
}

class AboutWindowTest : public ::testing::Test {
protected:
    ~AboutWindowTest() override {
        // Nothing the window posted, its quit message included, may reach the next test.
        about_.reset();
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    // Runs the message loop as the program does until `done` holds; false if it never does.
    bool PumpUntil(const std::function<bool()>& done) {
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < end) {
            MSG msg;
            while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                if (msg.message == WM_QUIT) quit_ = true;
                if (about_->PreTranslate(msg)) continue;
                ::TranslateMessage(&msg);
                ::DispatchMessageW(&msg);
            }
            if (done()) return true;
            ::Sleep(10);
        }
        return false;
    }

    std::wstring Label(int id) const { return TextOf(::GetDlgItem(about_->Handle(), id)); }

    AppLifetime lifetime_;
    std::optional<AboutWindow> about_{std::in_place, ::GetModuleHandleW(nullptr), lifetime_};
    bool quit_ = false;
};

TEST_F(AboutWindowTest, LoadsTheProgramTexts) {
    about_->Show();
    ASSERT_TRUE(about_->Handle());
    EXPECT_EQ(::FindWindowW(L"#32770", L"About Kestrin"), about_->Handle());
    EXPECT_EQ(Label(IDC_LBLTITLE), L"Kestrin");
    EXPECT_EQ(Label(IDC_LBLVERSION), L"Version 1.1.1");
    EXPECT_EQ(Label(IDC_LBLDESCRIPTION), L"" KESTRIN_FILE_DESCRIPTION);
    EXPECT_EQ(Label(IDOK), L"OK");
    EXPECT_EQ(Label(IDC_CMDSYSINFO), L"&System Info...");
    EXPECT_FALSE(Label(IDC_LBLDISCLAIMER).empty());
    EXPECT_NE(::SendDlgItemMessageW(about_->Handle(), IDC_PICICON, STM_GETICON, 0, 0), 0);  // the program's icon
    EXPECT_TRUE(::IsWindowVisible(about_->Handle()));
}

TEST_F(AboutWindowTest, IsAFixedDialogWithoutTaskbarButtonAtItsPlace) {
    about_->Show();
    const HWND hwnd = about_->Handle();
    const LONG style = ::GetWindowLongW(hwnd, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    // Owned by a window that is never shown: no taskbar button, and the main window stays free.
    const HWND owner = ::GetWindow(hwnd, GW_OWNER);
    ASSERT_TRUE(owner);
    EXPECT_FALSE(::IsWindowVisible(owner));
    EXPECT_FALSE(::GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_APPWINDOW);

    const TwipsScale scale(WindowDpi(hwnd));
    POINT origin{0, 0};
    ::ClientToScreen(hwnd, &origin);
    RECT client{};
    ::GetClientRect(hwnd, &client);
    EXPECT_EQ(origin.x, scale.X(2340));
    EXPECT_EQ(origin.y, scale.Y(1935));
    EXPECT_EQ(client.right, scale.X(4425));
    EXPECT_EQ(client.bottom, scale.Y(2460));

    struct Expected {
        int id, left, top, width, height;
    };
    for (const Expected& c : {Expected{IDOK, 1800, 2040, 1260, 345}, Expected{IDC_CMDSYSINFO, 3120, 2040, 1245, 345},
                              Expected{IDC_LBLDESCRIPTION, 1080, 840, 3285, 570},
                              Expected{IDC_LBLTITLE, 1050, 240, 3165, 240}, Expected{IDC_LBLVERSION, 1050, 480, 3165, 225},
                              Expected{IDC_LBLDISCLAIMER, 960, 1680, 3375, 345}}) {
        RECT r{};
        ::GetWindowRect(::GetDlgItem(hwnd, c.id), &r);
        ::MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.left, scale.X(c.left)) << c.id;
        EXPECT_EQ(r.top, scale.Y(c.top)) << c.id;
        EXPECT_EQ(r.right - r.left, scale.X(c.width)) << c.id;
        EXPECT_EQ(r.bottom - r.top, scale.Y(c.height)) << c.id;
    }
    RECT icon{};
    ::GetWindowRect(::GetDlgItem(hwnd, IDC_PICICON), &icon);
    ::MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&icon), 2);
    EXPECT_EQ(icon.left, scale.X(240));
    EXPECT_EQ(icon.top, scale.Y(240));
    EXPECT_EQ(icon.right - icon.left, ::GetSystemMetrics(SM_CXICON));  // sized to its picture
}

TEST_F(AboutWindowTest, SecondShowBringsBackTheSameWindowWithoutReloading) {
    about_->Show();
    const HWND first = about_->Handle();
    ::SetDlgItemTextW(first, IDC_LBLTITLE, L"left alone");
    ::ShowWindow(first, SW_HIDE);

    about_->Show();
    EXPECT_EQ(about_->Handle(), first);
    EXPECT_TRUE(::IsWindowVisible(first));
    EXPECT_EQ(Label(IDC_LBLTITLE), L"left alone");
}

struct CloseCase {
    const char* name;
    std::function<void(HWND about)> close;
};

void PrintTo(const CloseCase& c, std::ostream* os) { *os << c.name; }

class AboutWindowCloses : public AboutWindowTest, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(AboutWindowCloses, AndTheProgramMayEnd) {
    about_->Show();
    const HWND hwnd = about_->Handle();
    ASSERT_TRUE(PumpUntil([] { return true; }));
    EXPECT_FALSE(quit_);

    GetParam().close(hwnd);
    EXPECT_TRUE(PumpUntil([&] { return !::IsWindow(hwnd); })) << "the window stayed open";
    EXPECT_EQ(about_->Handle(), nullptr);
    EXPECT_TRUE(PumpUntil([&] { return quit_; })) << "the last window closed but the program would not end";

    // Opening it again loads it afresh.
    about_->Show();
    ASSERT_TRUE(about_->Handle());
    EXPECT_EQ(Label(IDC_LBLTITLE), L"Kestrin");
}

INSTANTIATE_TEST_SUITE_P(
    Ways, AboutWindowCloses,
    ::testing::Values(
        // Keys go to cmdOK, where the focus starts.
        CloseCase{"Enter", [](HWND about) { ::PostMessageW(::GetDlgItem(about, IDOK), WM_KEYDOWN, VK_RETURN, 0); }},
        CloseCase{"Escape", [](HWND about) { ::PostMessageW(::GetDlgItem(about, IDOK), WM_KEYDOWN, VK_ESCAPE, 0); }},
        CloseCase{"OkButton", [](HWND about) { ::SendMessageW(::GetDlgItem(about, IDOK), BM_CLICK, 0, 0); }},
        CloseCase{"CloseBox", [](HWND about) { ::PostMessageW(about, WM_SYSCOMMAND, SC_CLOSE, 0); }}),
    [](const ::testing::TestParamInfo<CloseCase>& param) { return param.param.name; });

TEST_F(AboutWindowTest, FocusStartsOnOk) {
    about_->Show();
    EXPECT_EQ(::GetFocus(), ::GetDlgItem(about_->Handle(), IDOK));
}

TEST_F(AboutWindowTest, SystemInfoFailureIsShownOverTheAboutWindowWhichStaysOpen) {
    SavedRegistryValue path(L"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO", L"PATH");
    SavedRegistryValue location(L"SOFTWARE\\Microsoft\\Shared Tools Location", L"MSINFO");
    path.Delete();
    location.Delete();
    about_->Show();

    MessageBoxWatcher watcher;
    ::SendMessageW(::GetDlgItem(about_->Handle(), IDC_CMDSYSINFO), BM_CLICK, 0, 0);
    const std::vector<SeenMessageBox>& boxes = watcher.Stop();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].owner, about_->Handle());
    EXPECT_EQ(boxes[0].text, L"System Information Is Unavailable At This Time");
    EXPECT_TRUE(::IsWindowVisible(about_->Handle()));
}

}  // namespace
}  // namespace kestrin
