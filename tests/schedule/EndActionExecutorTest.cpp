#include "schedule/EndActionExecutor.h"
#include "schedule/EndMode.h"

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
class RecordingPlatform final : public IEndActionPlatform {
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
        return true;
    }
    std::uint32_t GetLastError() override {
        log.push_back("GetLastError()");
        return lastError;
    }
    void CloseHandle(PlatformHandle handle) override {
        log.push_back("CloseHandle(" + Ptr(handle) + ")");
    }
    bool ExitWindowsEx(std::uint32_t flags, std::uint32_t reason) override {
        log.push_back("ExitWindowsEx(" + std::to_string(flags) + "," + std::to_string(reason) +
                      ")");
        return true;
    }
    bool SetSystemPowerState(bool suspend, bool force) override {
        log.push_back("SetSystemPowerState(" + Bool(suspend) + "," + Bool(force) + ")");
        return powerStateOk;
    }
    bool SetSuspendState(bool hibernate, bool force, bool wakeupEventsDisabled) override {
        log.push_back("SetSuspendState(" + Bool(hibernate) + "," + Bool(force) + "," +
                      Bool(wakeupEventsDisabled) + ")");
        return true;
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
        return true;
    }

    std::vector<std::string> log;
    bool openOk = true;
    bool lookupOk = true;
    std::uint32_t lastError = 0;
    bool powerStateOk = true;
    bool capabilitiesOk = true;
    PowerCapabilities capabilities;
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
    struct Case {
        std::int32_t mode;
        Log action;
        // For standby: the answers of SetSystemPowerState and GetPwrCapabilities.
        bool powerStateOk = true;
        bool capabilitiesOk = true;
        PowerCapabilities machine = {}; // S1, S2, S3, AoAc
    };
    const Log oldCallFailed = {"SetSystemPowerState(TRUE,FALSE)", "GetPwrCapabilities()"};
    const Log suspend = Then(oldCallFailed, {"SetSuspendState(FALSE,FALSE,FALSE)"});
    const Log displaysOff =
        Then(oldCallFailed, {"SendMessageTimeoutW(" + Ptr(reinterpret_cast<void*>(0xFFFF)) +
                             ",0x112,0xF170,2,0x2,500,NULL)"});
    const Case cases[] = {
        {Shutdown, {"ExitWindowsEx(5,0)"}},
        {Reboot, {"ExitWindowsEx(6,0)"}},
        {Standby, {"SetSystemPowerState(TRUE,FALSE)"}},
        {Logoff, {"ExitWindowsEx(4,0)"}},
        {-1, {}},
        {4, {}},
        {INT32_MIN, {}},
        // Standby where SetSystemPowerState fails: the machine's sleep states decide.
        {Standby, suspend, false, true, {false, false, true, false}},       // S3
        {Standby, suspend, false, true, {true, false, false, true}},        // S1 before AoAc
        {Standby, displaysOff, false, true, {false, false, false, true}},   // Modern Standby
        {Standby, oldCallFailed, false, true, {}},                          // neither
        {Standby, oldCallFailed, false, false, {false, false, true, true}}, // query failed
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(&c - cases);
        RecordingPlatform platform;
        platform.powerStateOk = c.powerStateOk;
        platform.capabilitiesOk = c.capabilitiesOk;
        platform.capabilities = c.machine;
        CEndActionExecutor(platform).ExecuteEndMode(c.mode);
        EXPECT_EQ(platform.log, Then(PrivilegeCalls(), c.action));
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

TEST(EndActionExecutor, ActionIsRequestedWithoutThePrivilege) {
    RecordingPlatform platform;
    platform.lastError = 1300;
    CEndActionExecutor(platform).ExecuteEndMode(Shutdown);
    EXPECT_EQ(platform.log, Then(PrivilegeCalls(), {"ExitWindowsEx(5,0)"}));
}

TEST(EndActionExecutor, FailedTokenOpenOrLookupStopsThePrivilegeStep) {
    RecordingPlatform noToken;
    noToken.openOk = false;
    EXPECT_FALSE(CEndActionExecutor(noToken).EnablePrivilege("SeShutdownPrivilege", true));
    EXPECT_EQ(noToken.log,
              (Log{"GetCurrentProcess()", "OpenProcessToken(" + Ptr(kProcess) + ",0x28)"}));

    RecordingPlatform noName;
    noName.lookupOk = false;
    CEndActionExecutor(noName).ExecuteEndMode(Reboot);
    EXPECT_EQ(noName.log,
              (Log{"GetCurrentProcess()", "OpenProcessToken(" + Ptr(kProcess) + ",0x28)",
                   "LookupPrivilegeValueA(NULL,SeShutdownPrivilege)",
                   "CloseHandle(" + Ptr(kToken) + ")", "ExitWindowsEx(6,0)"}));
}

} // namespace
