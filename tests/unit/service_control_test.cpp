// The service procedures' handle discipline and state texts, against the logging fake manager.
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "fakes/fake_scm_port.h"
#include "service_control/service_control.h"
#include "service_control/service_queue.h"

namespace kestrin {
namespace {

using Calls = std::vector<std::string>;

enum class Failure { None, OpenManager, OpenService, Query };

struct HandleCase {
    const char* procedure;
    Failure failure;
    Calls expected;
};

const char* const kFailureNames[] = {"Succeeds", "ManagerFails", "ServiceFails", "QueryFails"};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const HandleCase& c, std::ostream* os) {
    *os << c.procedure << kFailureNames[static_cast<int>(c.failure)];
}

void Arrange(FakeScmPort& scm, Failure failure) {
    scm.failOpenManager = failure == Failure::OpenManager;
    scm.failOpenService = failure == Failure::OpenService;
    scm.failQuery = failure == Failure::Query;
}

void RunProcedure(const std::string& procedure, FakeScmPort& scm) {
    if (procedure == "ServiceStatus") ServiceStatus(scm, "pc", "svc");
    if (procedure == "ServiceStart") ServiceStart(scm, "pc", "svc");
    if (procedure == "ServiceStop") ServiceStop(scm, "pc", "svc");
}

class HandleDiscipline : public testing::TestWithParam<HandleCase> {};

TEST_P(HandleDiscipline, ClosesExactlyWhatItOpenedServiceFirst) {
    const HandleCase& c = GetParam();
    FakeScmPort scm;
    Arrange(scm, c.failure);

    RunProcedure(c.procedure, scm);

    EXPECT_EQ(scm.calls, c.expected);
    EXPECT_TRUE(scm.openHandles.empty());
    EXPECT_EQ(scm.badCloses, 0);
}

const HandleCase kHandleCases[] = {
    HandleCase{"ServiceStatus", Failure::None,
               {"OpenManager(\"pc\")=1", "OpenService(1,\"svc\",QueryStatus)=2", "QueryState(2)", "Close(2)",
                "Close(1)"}},
    HandleCase{"ServiceStatus", Failure::Query,
               {"OpenManager(\"pc\")=1", "OpenService(1,\"svc\",QueryStatus)=2", "QueryState(2)", "Close(2)",
                "Close(1)"}},
    HandleCase{"ServiceStatus", Failure::OpenService,
               {"OpenManager(\"pc\")=1", "OpenService(1,\"svc\",QueryStatus)=0", "Close(1)"}},
    HandleCase{"ServiceStatus", Failure::OpenManager, {"OpenManager(\"pc\")=0"}},
    HandleCase{"ServiceStart", Failure::None,
               {"OpenManager(\"pc\")=1", "OpenService(1,\"svc\",Start)=2", "Start(2)", "Close(2)", "Close(1)"}},
    HandleCase{"ServiceStart", Failure::OpenService,
               {"OpenManager(\"pc\")=1", "OpenService(1,\"svc\",Start)=0", "Close(1)"}},
    HandleCase{"ServiceStart", Failure::OpenManager, {"OpenManager(\"pc\")=0"}},
    HandleCase{"ServiceStop", Failure::None,
               {"OpenManager(\"pc\")=1", "OpenService(1,\"svc\",Stop)=2", "Stop(2)", "Close(2)", "Close(1)"}},
    HandleCase{"ServiceStop", Failure::OpenService,
               {"OpenManager(\"pc\")=1", "OpenService(1,\"svc\",Stop)=0", "Close(1)"}},
    HandleCase{"ServiceStop", Failure::OpenManager, {"OpenManager(\"pc\")=0"}}};

std::string HandleCaseName(const testing::TestParamInfo<HandleCase>& test) {
    return std::string(test.param.procedure) + kFailureNames[static_cast<int>(test.param.failure)];
}

INSTANTIATE_TEST_SUITE_P(EveryProcedureAndFailure, HandleDiscipline, testing::ValuesIn(kHandleCases), HandleCaseName);

TEST(ServiceStatus, FailuresGiveEmptyText) {
    for (const Failure failure : {Failure::OpenManager, Failure::OpenService, Failure::Query}) {
        FakeScmPort scm;
        Arrange(scm, failure);
        EXPECT_EQ(ServiceStatus(scm, "", "svc"), "") << static_cast<int>(failure);
    }
}

TEST(ServiceStatus, MapsEveryStateCodeToItsText) {
    const std::vector<std::pair<std::uint32_t, std::string>> cases = {
        {1, "Stopped"},       {2, "Start Pending"},    {3, "Stop Pending"}, {4, "Running"},
        {5, "Continue Pending"}, {6, "Pause Pending"}, {7, "Paused"},       {0, ""},
        {8, ""},              {0x80000000u, ""},       {0xFFFFFFFFu, ""}};
    for (const auto& [code, text] : cases) {
        FakeScmPort scm;
        scm.state = code;
        EXPECT_EQ(ServiceStatus(scm, "", "svc"), text) << "state " << code;
        EXPECT_TRUE(scm.openHandles.empty()) << "state " << code;
    }
}

TEST(ServiceStatus, PassesBothNamesUnchanged) {
    // No backslashes added, no trimming, no case change; an empty name means this computer.
    for (const auto& [computer, service] : std::vector<std::pair<std::string, std::string>>{
             {"", "Spooler"}, {"FILESERVER", "my service"}, {"\\\\host", " Ünïcødé "}}) {
        FakeScmPort scm;
        ServiceStatus(scm, computer, service);
        ASSERT_EQ(scm.calls.size(), 5u);
        EXPECT_EQ(scm.calls[0], "OpenManager(\"" + computer + "\")=1");
        EXPECT_EQ(scm.calls[1], "OpenService(1,\"" + service + "\",QueryStatus)=2");
    }
}

TEST(ServiceStartStop, EachCallOpensFreshHandles) {
    FakeScmPort scm;
    ServiceStart(scm, "", "svc");
    ServiceStop(scm, "", "svc");
    EXPECT_EQ(scm.calls[5], "OpenManager(\"\")=3");
    EXPECT_EQ(scm.calls[6], "OpenService(3,\"svc\",Stop)=4");
    EXPECT_EQ(scm.starts, 1);
    EXPECT_EQ(scm.stops, 1);
}

TEST(RunServiceRequest, AnswersEveryRequestWithTheSystemsErrorCodeOfItsFailure) {
    FakeScmPort scm;
    scm.state = 1;
    const ServiceAnswer status = RunServiceRequest(scm, {ServiceCommand::Status, "pc", "svc"});
    EXPECT_EQ(status.stateText, "Stopped");
    EXPECT_EQ(status.error, 0u);
    scm.refuseStop = 1062;  // ERROR_SERVICE_NOT_ACTIVE
    EXPECT_EQ(RunServiceRequest(scm, {ServiceCommand::Start, "pc", "svc"}).error, 0u);
    EXPECT_EQ(RunServiceRequest(scm, {ServiceCommand::Stop, "pc", "svc"}).error, 1062u);
    EXPECT_EQ(scm.starts, 1);
    EXPECT_EQ(scm.stops, 1);  // refused, and never tried again

    // Whichever step fails, its own code comes back and the text is empty.
    scm.error = 1722;  // RPC server unavailable
    for (bool* failure : {&scm.failOpenManager, &scm.failOpenService, &scm.failQuery}) {
        *failure = true;
        const ServiceAnswer unread = RunServiceRequest(scm, {ServiceCommand::Status, "gone", "svc"});
        EXPECT_EQ(unread.stateText, "");
        EXPECT_EQ(unread.error, 1722u);
        *failure = false;
    }
    EXPECT_TRUE(scm.openHandles.empty());
}

TEST(ServiceQueueMerge, OnlyTheSameStartOrStopOfTheSameServiceIsDropped) {
    const ServiceRequest start{ServiceCommand::Start, "pc", "svc"};
    EXPECT_TRUE(SameWaitingCommand(start, start));
    EXPECT_FALSE(SameWaitingCommand(start, {ServiceCommand::Stop, "pc", "svc"}));
    EXPECT_FALSE(SameWaitingCommand(start, {ServiceCommand::Start, "pc", "other"}));
    const ServiceRequest status{ServiceCommand::Status, "pc", "svc"};
    EXPECT_FALSE(SameWaitingCommand(status, status));
}

}  // namespace
}  // namespace kestrin
