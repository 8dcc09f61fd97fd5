// The service procedures over advapi32 against Wine's service manager and the test service.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "service_control/service_control.h"
#include "service_control/win32/advapi_scm_port.h"

namespace kestrin {
namespace {

const char kTestService[] = "KestrinTestSvc";

// Waits until the status procedure reports `text`, since starts and stops return before they finish.
bool WaitForStatus(AdvapiScmPort& scm, const std::string& computer, const std::string& text) {
    for (int i = 0; i < 300; ++i) {
        if (ServiceStatus(scm, computer, kTestService) == text) return true;
        ::Sleep(50);
    }
    return false;
}

TEST(AdvapiServiceControl, StartsAndStopsTheTestService) {
    AdvapiScmPort scm;
    ASSERT_TRUE(WaitForStatus(scm, "", "Stopped")) << "the environment leaves the test service stopped";

    ServiceStart(scm, "", kTestService);
    EXPECT_TRUE(WaitForStatus(scm, "", "Running"));

    ServiceStart(scm, "", kTestService);  // already running: refused silently
    EXPECT_EQ(ServiceStatus(scm, "", kTestService), "Running");

    ServiceStop(scm, "", kTestService);
    EXPECT_TRUE(WaitForStatus(scm, "", "Stopped"));

    ServiceStop(scm, "", kTestService);  // already stopped: refused silently
    EXPECT_EQ(ServiceStatus(scm, "", kTestService), "Stopped");
}

// Wine's manager answers for itself whatever computer is named, so an unreachable one cannot be tested here.
TEST(AdvapiServiceControl, ThisComputerByItsOwnNameAnswersLikeTheLocalOne) {
    wchar_t name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = MAX_COMPUTERNAME_LENGTH + 1;
    ASSERT_TRUE(::GetComputerNameW(name, &size));
    const std::string ownName(name, name + size);  // computer names are ASCII

    AdvapiScmPort scm;
    ASSERT_EQ(ServiceStatus(scm, "", kTestService), "Stopped");
    EXPECT_EQ(ServiceStatus(scm, ownName, kTestService), "Stopped");
}

TEST(AdvapiServiceControl, UnknownServiceGivesEmptyText) {
    AdvapiScmPort scm;
    EXPECT_EQ(ServiceStatus(scm, "", "KestrinNoSuchService"), "");
    ServiceStart(scm, "", "KestrinNoSuchService");  // nothing to start, nothing reported
    ServiceStop(scm, "", "KestrinNoSuchService");
    EXPECT_EQ(ServiceStatus(scm, "", ""), "");
}

TEST(AdvapiScmPort, AsksOnlyForTheRightEachOperationNeeds) {
    AdvapiScmPort scm;
    const ScmHandle manager = scm.OpenManager("");
    ASSERT_NE(manager, 0u);
    // Connecting only: the manager handle cannot create (nor lock, nor enumerate) services.
    const SC_HANDLE created = ::CreateServiceW(reinterpret_cast<SC_HANDLE>(manager), L"KestrinNeverCreated",
                                               L"KestrinNeverCreated", SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                                               SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, L"C:\\none.exe", nullptr,
                                               nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(created, nullptr);
    if (created) {
        ::DeleteService(created);
        ::CloseServiceHandle(created);
    }

    const ScmHandle queryOnly = scm.OpenServiceByName(manager, kTestService, ServiceAccess::QueryStatus);
    ASSERT_NE(queryOnly, 0u);
    EXPECT_TRUE(scm.QueryState(queryOnly).has_value());
    // A handle opened for querying cannot start the service.
    SetLastError(0);
    EXPECT_FALSE(::StartServiceW(reinterpret_cast<SC_HANDLE>(queryOnly), 0, nullptr));
    EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

    const ScmHandle startOnly = scm.OpenServiceByName(manager, kTestService, ServiceAccess::Start);
    ASSERT_NE(startOnly, 0u);
    EXPECT_FALSE(scm.QueryState(startOnly).has_value());  // no query right

    scm.Close(startOnly);
    scm.Close(queryOnly);
    scm.Close(manager);
}

}  // namespace
}  // namespace kestrin
