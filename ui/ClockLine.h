#pragma once

#include "framework/Static.h"
#include "framework/Wnd.h"
#include "schedule/Clock.h"

// The clock line (control 1004), written just after each second of the
// system clock begins while the window is shown. Hidden in the tray or
// minimised, the window does not wake for it; shown again, it is brought up
// to date at once.
class CClockLine {
public:
    static constexpr UINT_PTR kTimer = 1;

    CClockLine(CWnd& wnd, CStatic& text, IClock& clock)
        : m_wnd(wnd), m_text(text), m_clock(clock) {}

    // The first tick comes even when the window starts hidden: a clock
    // showing tells that the window runs.
    void Start() { m_wnd.SetTimer(kTimer, NextSecondDelay()); }
    // The window is being shown or restored.
    void OnShown();
    // A tick of kTimer.
    void OnTick();

    // Milliseconds until just after the next second begins, so that each tick
    // of a timer re-armed with it sees a second of its own.
    static UINT NextSecondDelay();

private:
    CWnd& m_wnd;
    CStatic& m_text;
    IClock& m_clock;
};
