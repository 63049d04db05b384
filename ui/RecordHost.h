#pragma once

#include "framework/Wnd.h"
#include "platform/StdFileOps.h"
#include "record/EventRecord.h"
#include "record/RecordFile.h"
#include "record/RecordWriter.h"
#include "schedule/CheckCycleObserver.h"
#include "settings/SettingsKeeper.h"
#include "ui/Scheduler.h"

#include <string>

class CTrayIcon;

// The record of events (Quillaberton.log, beside the settings file) and its
// window. It is told what the scheduler and the check cycle see, and the
// others write to Events() themselves. On or off follows the history option.
// A write that fails changes nothing the program does; the tip says so from
// then on, and the record window too.
class CRecordHost final : public CScheduler::Record, public ICheckCycleObserver {
public:
    CRecordHost(CWnd& wnd, const ILocalTimeConverter& zone, const ScheduleList& list,
                const SettingsOptions& options, CSettingsKeeper& keeper);
    CRecordHost(const CRecordHost&) = delete;
    CRecordHost& operator=(const CRecordHost&) = delete;

    // The settings were read: on or off, and the start's line.
    void Start();
    // The options may have changed: on or off.
    void ApplyOptions();
    // The program ends by the exit command: from a menu, or /exit.
    void Exits(bool byCommand) {
        m_events.Ended(byCommand ? CEventRecord::EndReason::Command
                                 : CEventRecord::EndReason::Menu);
    }
    // ヘルプ → 履歴... and 履歴 in the tray menu: the record window, modal.
    void Show();
    // The last `count` lines, each ended by CR LF (/history).
    std::wstring Lines(int count);
    // The tray's tip, with a note once a write has failed.
    std::wstring Tip(const std::wstring& tip) const;
    CEventRecord& Events() { return m_events; }

    // What the scheduler sees.
    void TimerAdded(CScheduler::By by, std::int32_t mode, int minutes) override;
    void Skipped(CScheduler::By by, const DueTime& due,
                 const std::optional<OneOff>& oneOff) override;
    void OneOffsCancelled(CScheduler::By by) override;
    void WokeByTimer(std::int64_t time) override;
    void WatchArmed(CScheduler::By by, const std::wstring& words) override;
    void WatchEnded(CScheduler::WatchEnd why, CScheduler::By by,
                    const std::wstring& words) override;
    // The process may be ended right after: the line is written first.
    void SessionEnds() override;

    // What the check cycle does.
    void WarningShown(const CycleOccurrence& due) override;
    void WarningAnswered(const WarnAnswer& answer) override;
    void WarningWithdrawn(Withdrawal why) override;
    void OccurrenceDropped(const CycleOccurrence& due) override;
    void OccurrenceHeld(const CycleOccurrence& due) override;
    void HoldEnded(const CycleOccurrence& due, bool timeLimit) override;
    void HoldDropped(const CycleOccurrence& due) override;

private:
    CWnd& m_wnd;
    const ILocalTimeConverter& m_zone;
    const ScheduleList& m_list;
    const SettingsOptions& m_options;
    CSettingsKeeper& m_keeper;
    // Its own: the writing thread's last error never mixes with the settings file's.
    CStdFileOps m_ops;
    CRecordFile m_file;
    CEventRecord m_events;
    CRecordWriter m_writer{m_file};
    bool m_showing = false; // the record window is open: its lines are written as they come
    CScheduler::By m_cancelBy = CScheduler::By::Tray; // who withdraws a warning by a cancel
};
