#pragma once

#include "schedule/Clock.h"
#include "schedule/DueChecker.h"
#include "schedule/ScheduleList.h"

#include <cstdint>
#include <string>

// What the main window provides to the check-and-warn cycle.
class ICheckCycleHost {
public:
    // Writes the clock text into control 1004.
    virtual void SetClockText(const std::string& text) = 0;
    // KillTimer(2) on the main window.
    virtual void StopCheckTimer() = 0;
    // SetTimer(2, 300, NULL) on the main window.
    virtual void RestartCheckTimer() = 0;
    // Runs the warning for an end mode; returns the dialog result:
    // IDCANCEL (2) after a cancel, IDOK (1) after the time-out, -1 on failure.
    virtual int Warn(std::int32_t mode) = 0;
    // Performs the end action (the end-action executor).
    virtual void ExecuteEndMode(std::int32_t mode) = 0;
    // Ends the main window through the base dialog's OK processing.
    virtual void Close() = 0;

protected:
    ~ICheckCycleHost() = default;
};

// The timer handler of the main window: timer 1 keeps the clock text current,
// timer 2 runs the due check and, when an entry falls due, warns and then
// either goes back to watching (cancel) or performs the end action and closes.
class CCheckCycle {
public:
    static constexpr std::uintptr_t kClockTimer = 1;
    static constexpr std::uintptr_t kCheckTimer = 2;
    static constexpr unsigned kTimerInterval = 300; // ms, both timers
    static constexpr int kWarnCancelled = 2;        // IDCANCEL

    CCheckCycle(const ScheduleList& list, IClock& clock, ICheckCycleHost& host)
        : m_checker(list, clock), m_clock(clock), m_host(host) {}

    // One WM_TIMER tick. Ids other than 1 and 2 do nothing.
    void OnTimer(std::uintptr_t id);

    const CDueChecker& Checker() const { return m_checker; }

private:
    void Check();

    CDueChecker m_checker;
    IClock& m_clock;
    ICheckCycleHost& m_host;
};
