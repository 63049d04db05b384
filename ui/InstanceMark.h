#pragma once

#include <windows.h>

// What the main window does for the one-copy rule: it marks itself as the
// running copy's window, so that a second start can find it, and answers the
// message that start sends it (registered once by the rule's owner).
class IInstanceMark {
public:
    // The message a second start sends: the window comes forward.
    virtual UINT ShowMessage() const = 0;
    // The window opened: it is marked, and the message passes its filter.
    virtual void Mark(HWND main) = 0;
    // The window is going.
    virtual void Unmark(HWND main) = 0;

protected:
    ~IInstanceMark() = default;
};
