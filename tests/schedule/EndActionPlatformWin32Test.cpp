// The real privilege calls; they succeed under Wine. The end actions
// themselves are never called here.
#include "schedule/EndActionExecutor.h"
#include "schedule/EndActionPlatformWin32.h"

#include <gtest/gtest.h>

TEST(EndActionPlatformWin32, EnablesTheShutdownPrivilege) {
    CEndActionPlatformWin32 platform;
    CEndActionExecutor executor(platform);
    EXPECT_TRUE(executor.EnablePrivilege("SeShutdownPrivilege", true));
    EXPECT_FALSE(executor.EnablePrivilege("SeNoSuchPrivilegeName", true));
}
