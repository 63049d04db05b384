#include "schedule/EndActionExecutor.h"
#include "schedule/EndMode.h"
#include "StubEndActionPlatform.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

PlatformHandle const kProcess = reinterpret_cast<PlatformHandle>(-1);
PlatformHandle const kToken = reinterpret_cast<PlatformHandle>(0x44);

std::string Ptr(const void* p) {
    if (p == nullptr) {
        return "NULL";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%p", p);
    return text;
}

std::string Bool(bool b) {
    return b ? "TRUE" : "FALSE";
}

// Stands in for the Win32 calls: records each call with its arguments and
// answers with the results set below.
class RecordingPlatform final : public CStubEndActionPlatform {
public:
    PlatformHandle GetCurrentProcess() override {
        log.push_back("GetCurrentProcess()");
        return kProcess;
    }
    bool OpenProcessToken(PlatformHandle process, std::uint32_t access,
                          PlatformHandle* token) override {
        char text[64];
        std::snprintf(text, sizeof text, "OpenProcessToken(%s,0x%X)", Ptr(process).c_str(),
                      static_cast<unsigned>(access));
        log.push_back(text);
        *token = openOk ? kToken : nullptr;
        return openOk;
    }
    bool LookupPrivilegeValueA(const char* systemName, const char* name,
                               PrivilegeLuid* luid) override {
        log.push_back("LookupPrivilegeValueA(" + std::string(systemName ? systemName : "NULL") +
                      "," + name + ")");
        if (lookupOk) {
            luid->lowPart = 19;
            luid->highPart = 7;
        }
        return lookupOk;
    }
    bool AdjustTokenPrivileges(PlatformHandle token, bool disableAll, const TokenPrivilege* state,
                               std::uint32_t bufferLength, TokenPrivilege* previous,
                               std::uint32_t* returnLength) override {
        char text[160];
        std::snprintf(text, sizeof text, "AdjustTokenPrivileges(%s,%s,{%u,{%u,%d},%u},%u,%s,%s)",
                      Ptr(token).c_str(), Bool(disableAll).c_str(),
                      static_cast<unsigned>(state->count),
                      static_cast<unsigned>(state->luid.lowPart), state->luid.highPart,
                      static_cast<unsigned>(state->attributes), static_cast<unsigned>(bufferLength),
                      Ptr(previous).c_str(), Ptr(returnLength).c_str());
        log.push_back(text);
        current = lastError;
        return true;
    }
    std::uint32_t GetLastError() override {
        log.push_back("GetLastError()");
        return current;
    }
    void CloseHandle(PlatformHandle handle) override {
        log.push_back("CloseHandle(" + Ptr(handle) + ")");
    }
    bool ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) override {
        log.push_back("ExitWindowsEx(" + std::to_string(flags) + "," + std::to_string(reason) +
                      ")");
        return Answer(exitOk);
    }
    bool SetSystemPowerState(bool suspend, bool force) override {
        log.push_back("SetSystemPowerState(" + Bool(suspend) + "," + Bool(force) + ")");
        return Answer(powerStateOk);
    }
    bool SetSuspendState(bool hibernate, bool force, bool wakeupEventsDisabled) override {
        log.push_back("SetSuspendState(" + Bool(hibernate) + "," + Bool(force) + "," +
                      Bool(wakeupEventsDisabled) + ")");
        return Answer(suspendOk);
    }
    bool GetPwrCapabilities(PowerCapabilities* out) override {
        log.push_back("GetPwrCapabilities()");
        *out = capabilities; // also when failing: the answer must not be trusted then
        return capabilitiesOk;
    }
    bool SendMessageTimeoutW(PlatformHandle window, std::uint32_t message, std::uintptr_t wParam,
                             std::intptr_t lParam, std::uint32_t flags, std::uint32_t timeout,
                             std::uintptr_t* result) override {
        char text[128];
        std::snprintf(text, sizeof text, "SendMessageTimeoutW(%s,0x%X,0x%X,%d,0x%X,%u,%s)",
                      Ptr(window).c_str(), static_cast<unsigned>(message),
                      static_cast<unsigned>(wParam), static_cast<int>(lParam),
                      static_cast<unsigned>(flags), static_cast<unsigned>(timeout),
                      Ptr(result).c_str());
        log.push_back(text);
        return Answer(sendOk);
    }
    bool LockWorkStation() override {
        log.push_back("LockWorkStation()");
        return Answer(lockOk);
    }
    // A failing call leaves its error as the last error.
    bool Answer(bool ok) {
        if (!ok) {
            current = callError;
        }
        return ok;
    }

    std::vector<std::string> log;
    bool openOk = true;
    bool lookupOk = true;
    std::uint32_t lastError = 0; // what the privilege adjustment leaves
    std::uint32_t callError = 5; // what a failing action call leaves
    std::uint32_t current = 0;
    bool exitOk = true;
    bool powerStateOk = true;
    bool suspendOk = true;
    bool sendOk = true;
    bool capabilitiesOk = true;
    PowerCapabilities capabilities;
    bool lockOk = true;
};

using Log = std::vector<std::string>;

// The privilege part of every end action, token closed last.
Log PrivilegeCalls(unsigned attributes = 2) {
    return {"GetCurrentProcess()",
            "OpenProcessToken(" + Ptr(kProcess) + ",0x28)",
            "LookupPrivilegeValueA(NULL,SeShutdownPrivilege)",
            "AdjustTokenPrivileges(" + Ptr(kToken) + ",FALSE,{1,{19,7}," +
                std::to_string(attributes) + "},0,NULL,NULL)",
            "GetLastError()",
            "CloseHandle(" + Ptr(kToken) + ")"};
}

Log Then(Log calls, const std::vector<std::string>& more) {
    calls.insert(calls.end(), more.begin(), more.end());
    return calls;
}

TEST(EndActionExecutor, EveryModeEnablesThePrivilegeThenMakesItsCall) {
    using Reason = EndActionResult::Reason;
    struct Case {
        std::int32_t mode;
        Log action = {};
        bool done = true;
        std::uint32_t error = 0;
        // For standby and hibernation: the machine's sleep states.
        PowerCapabilities machine = {false, false, true, false};
        bool capabilitiesOk = true;
        bool powerStateOk = true;
        bool exitOk = true;
        bool suspendOk = true;
        bool sendOk = true;
        std::uint32_t privilegeError = 0;
        bool lockOk = true;
        EndActionResult::Reason reason = EndActionResult::Reason::System;
    };
    const Log query = {"GetPwrCapabilities()"};
    const Log oldCall = Then(query, {"SetSystemPowerState(TRUE,FALSE)"});
    const Log oldCallFailed = Then(oldCall, {"GetLastError()"});
    const Log suspend = Then(oldCallFailed, {"SetSuspendState(FALSE,FALSE,FALSE)"});
    const Log displaysOff =
        Then(query, {"SendMessageTimeoutW(" + Ptr(reinterpret_cast<void*>(0xFFFF)) +
                     ",0x112,0xF170,2,0x2,500,NULL)"});
    const PowerCapabilities modernStandby = {false, false, false, true};
    const PowerCapabilities s4 = {.systemS4 = true, .hiberFilePresent = true};
    const Log hibernate = Then(query, {"SetSuspendState(TRUE,FALSE,FALSE)"});
    const Log hibernateFailed = Then(hibernate, {"GetLastError()"});
    const Log lockFailed = {"LockWorkStation()", "GetLastError()"};
    auto noHibernation = [&](PowerCapabilities m, bool queryOk) {
        return Case{.mode = Hibernate,
                    .action = query,
                    .done = false,
                    .error = 50,
                    .machine = m,
                    .capabilitiesOk = queryOk,
                    .reason = Reason::NoHibernation};
    };
    const Case cases[] = {
        // Shutdown, restart and logoff with the planned reason 0x80000000.
        {.mode = Shutdown, .action = {"ExitWindowsEx(5,2147483648)"}},
        {.mode = Reboot, .action = {"ExitWindowsEx(6,2147483648)"}},
        {.mode = Standby, .action = oldCall},
        {.mode = Logoff, .action = {"ExitWindowsEx(4,2147483648)"}},
        {.mode = Hibernate, .action = hibernate, .machine = s4},
        {.mode = Lock, .action = {"LockWorkStation()"}},
        {.mode = -1, .action = {}},
        {.mode = 6, .action = {}},
        {.mode = INT32_MIN, .action = {}},
        // Standby where SetSystemPowerState fails: the machine's sleep states decide.
        {.mode = Standby, .action = suspend, .powerStateOk = false},
        {.mode = Standby,
         .action = suspend,
         .machine = {true, false, false, true},
         .powerStateOk = false}, // S1 beside AoAc: classic sleep
        {.mode = Standby,
         .action = oldCallFailed,
         .done = false,
         .error = 5,
         .machine = {},
         .powerStateOk = false}, // neither: reported
        {.mode = Standby, .action = oldCall, .capabilitiesOk = false},
        {.mode = Standby,
         .action = oldCallFailed,
         .done = false,
         .error = 5,
         .capabilitiesOk = false,
         .powerStateOk = false},
        // Hibernation only where S4 and its file are known to be there.
        noHibernation({.systemS3 = true, .systemS4 = true}, true),
        noHibernation({.hiberFilePresent = true}, true),
        noHibernation(s4, false),
        // Modern Standby: the displays off, never a sleep call.
        {.mode = Standby, .action = displaysOff, .machine = modernStandby},
        // Failed calls are reported with their error.
        {.mode = Shutdown,
         .action = {"ExitWindowsEx(5,2147483648)", "GetLastError()"},
         .done = false,
         .error = 5,
         .exitOk = false},
        {.mode = Standby,
         .action = Then(suspend, {"GetLastError()"}),
         .done = false,
         .error = 5,
         .powerStateOk = false,
         .suspendOk = false},
        {.mode = Standby,
         .action = Then(displaysOff, {"GetLastError()"}),
         .done = false,
         .error = 5,
         .machine = modernStandby,
         .sendOk = false},
        {.mode = Hibernate,
         .action = hibernateFailed,
         .done = false,
         .error = 5,
         .machine = s4,
         .suspendOk = false},
        {.mode = Lock, .action = lockFailed, .done = false, .error = 5, .lockOk = false},
        // Without the privilege (ERROR_NOT_ALL_ASSIGNED) nothing that needs
        // it is asked for; logoff and lock need none.
        {.mode = Shutdown, .action = {}, .done = false, .error = 1300, .privilegeError = 1300},
        {.mode = Standby, .action = {}, .done = false, .error = 1300, .privilegeError = 1300},
        {.mode = Logoff, .action = {"ExitWindowsEx(4,2147483648)"}, .privilegeError = 1300},
        {.mode = Hibernate, .done = false, .error = 1300, .machine = s4, .privilegeError = 1300},
        {.mode = Lock, .action = {"LockWorkStation()"}, .privilegeError = 1300},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        RecordingPlatform platform;
        platform.lastError = c.privilegeError;
        platform.capabilitiesOk = c.capabilitiesOk;
        platform.capabilities = c.machine;
        platform.powerStateOk = c.powerStateOk;
        platform.exitOk = c.exitOk;
        platform.suspendOk = c.suspendOk;
        platform.sendOk = c.sendOk;
        platform.lockOk = c.lockOk;
        const EndActionResult result = CEndActionExecutor(platform).ExecuteEndMode(c.mode);
        EXPECT_EQ(platform.log, Then(PrivilegeCalls(), c.action));
        EXPECT_EQ(result.done, c.done);
        EXPECT_EQ(result.error, c.error);
        EXPECT_EQ(result.reason, c.reason);
        EXPECT_EQ(result.awaitsSleep, c.action == displaysOff);
    }
}

TEST(EndActionExecutor, PrivilegeResultFollowsTheLastError) {
    RecordingPlatform platform;
    CEndActionExecutor executor(platform);
    EXPECT_TRUE(executor.EnablePrivilege("SeShutdownPrivilege", true));
    platform.lastError = 1300; // ERROR_NOT_ALL_ASSIGNED: the call "succeeds"
    EXPECT_FALSE(executor.EnablePrivilege("SeShutdownPrivilege", true));
    platform.log.clear();
    platform.lastError = 0;
    EXPECT_TRUE(executor.EnablePrivilege("SeShutdownPrivilege", false));
    EXPECT_EQ(platform.log, PrivilegeCalls(0));
}

TEST(EndActionExecutor, FailedTokenOpenOrLookupStopsThePrivilegeStep) {
    RecordingPlatform noToken;
    noToken.openOk = false;
    EXPECT_FALSE(CEndActionExecutor(noToken).EnablePrivilege("SeShutdownPrivilege", true));
    EXPECT_EQ(noToken.log, (Log{"GetCurrentProcess()",
                                "OpenProcessToken(" + Ptr(kProcess) + ",0x28)", "GetLastError()"}));

    RecordingPlatform noName;
    noName.lookupOk = false;
    EXPECT_FALSE(CEndActionExecutor(noName).ExecuteEndMode(Reboot).done);
    EXPECT_EQ(noName.log,
              (Log{"GetCurrentProcess()", "OpenProcessToken(" + Ptr(kProcess) + ",0x28)",
                   "LookupPrivilegeValueA(NULL,SeShutdownPrivilege)", "GetLastError()",
                   "CloseHandle(" + Ptr(kToken) + ")"}));
}

} // namespace
