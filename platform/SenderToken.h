#pragma once

#include <windows.h>

#include <optional>

// What the token of the process that owns a window says about it: its
// integrity level (the mandatory label's RID, SECURITY_MANDATORY_MEDIUM_RID
// for an ordinary program of the user) and whether it runs in an
// AppContainer (a sandbox).
struct SenderToken {
    DWORD integrity = 0;
    bool appContainer = false;
};

// Nullopt when the process or its token cannot be read: a process of a
// higher level or of another user. A lower one, or one of our own level,
// is always readable by us.
std::optional<SenderToken> ReadSenderToken(HWND window);
