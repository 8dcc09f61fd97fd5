// The calls an elevated or restarted Kestrin relies on answer as documented (Wine stands in for
// Windows here: it has no integrity levels and no Restart Manager, so only the calls are checked).
#include <gtest/gtest.h>

#include <windows.h>

namespace {

TEST(ShellMessagesFilter, LetsTaskbarCreatedAndTheIconCallbackThroughToOneWindow) {
    HWND window = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    const UINT taskbarCreated = ::RegisterWindowMessageW(L"TaskbarCreated");
    EXPECT_TRUE(::ChangeWindowMessageFilterEx(window, taskbarCreated, MSGFLT_ALLOW, nullptr));
    EXPECT_TRUE(::ChangeWindowMessageFilterEx(window, WM_MOUSEMOVE, MSGFLT_ALLOW, nullptr));
    ::DestroyWindow(window);
}

TEST(ApplicationRestart, RegistersWithTheArgumentsAndUnregisters) {
    EXPECT_EQ(::RegisterApplicationRestart(L"/x", 0), S_OK);
    EXPECT_EQ(::UnregisterApplicationRestart(), S_OK);
}

}  // namespace
