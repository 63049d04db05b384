#include "ui/RecordHost.h"

#include "framework/Text.h"
#include "platform/SystemText.h"
#include "schedule/CheckCycle.h"
#include "schedule/NextDueFinder.h"
#include "ui/HistoryDlg.h"
#include "ui/CommandReceiver.h"

#include <ctime>
#include <optional>

namespace {

using Who = CEventRecord::Who;

Who WhoOf(CScheduler::By by) {
    return by == CScheduler::By::Tray ? Who::Tray : Who::Command;
}

// The record file in the settings file's folder.
std::string RecordPath(const std::string& settingsPath) {
    const std::size_t slash = settingsPath.find_last_of("\\/");
    return (slash == std::string::npos ? std::string() : settingsPath.substr(0, slash + 1)) +
           kRecordFileName;
}

std::optional<std::string_view> NameOf(const std::optional<std::string>& name) {
    return name ? std::optional<std::string_view>(*name) : std::nullopt;
}

} // namespace

CRecordHost::CRecordHost(CWnd& wnd, const ILocalTimeConverter& zone, const ScheduleList& list,
                         const SettingsOptions& options, CSettingsKeeper& keeper)
    : m_wnd(wnd), m_zone(zone), m_list(list), m_options(options), m_keeper(keeper),
      m_file(RecordPath(keeper.Path()), m_ops),
      m_events(
          m_file, [] { return static_cast<std::int64_t>(std::time(nullptr)); }, zone,
          Cp932ToUtf8Text) {
    m_file.SetEnabled(false); // until the settings say
    m_events.SetWriter([this](std::string line) {
        m_writer.Post(std::move(line));
        if (m_showing) {
            m_writer.Drain(); // the window reads the file's state with each line
        }
    });
    m_keeper.SetSaveFailed([this](const SaveStatus& status) {
        m_events.SaveFailed(status, SystemMessage(status.error), m_keeper.Path());
    });
}

void CRecordHost::Start() {
    ApplyOptions();
    m_events.Started(m_keeper.Path(), m_keeper.GetLoadStatus());
}

void CRecordHost::ApplyOptions() {
    m_writer.Drain();
    m_file.SetEnabled(m_options.history != 0);
}

void CRecordHost::SessionEnds() {
    m_events.Ended(CEventRecord::EndReason::SessionEnd);
    m_writer.Drain();
}

void CRecordHost::Show() {
    m_writer.Drain();
    m_showing = true;
    CHistoryDlg dlg(m_events, &m_wnd);
    dlg.DoModal();
    m_showing = false;
}

std::wstring CRecordHost::Lines(int count) {
    m_writer.Drain();
    return CCommandReceiver::HistoryText(m_file, count);
}

std::wstring CRecordHost::Tip(const std::wstring& tip) const {
    return m_writer.Failed() ? tip + L"\n（履歴を書き込めません）" : tip;
}

void CRecordHost::TimerAdded(CScheduler::By by, std::int32_t mode, int minutes) {
    ClockReading due;
    m_zone.ToLocal(static_cast<std::int64_t>(std::time(nullptr)) + std::int64_t{minutes} * 60, due);
    m_events.QuickTimerAdded(WhoOf(by), minutes, mode, due);
}

void CRecordHost::Skipped(CScheduler::By by, const DueTime& due,
                          const std::optional<OneOff>& oneOff) {
    std::optional<std::string_view> name;
    std::int32_t mode = -1;
    if (oneOff) {
        mode = oneOff->sd_mode;
        if (!oneOff->name.empty()) {
            name = oneOff->name; // a postponed entry's
        }
    } else if (due.index >= 0 && due.index < m_list.GetCount()) {
        name = m_list.GetAt(due.index).name;
        mode = m_list.GetAt(due.index).sd_mode;
    }
    m_events.OccurrenceSkipped(WhoOf(by), name, mode, due.reading);
}

void CRecordHost::OneOffsCancelled(CScheduler::By by) {
    m_cancelBy = by;
    m_events.QuickTimerCancelled(WhoOf(by));
}

void CRecordHost::WatchArmed(CScheduler::By by, const std::wstring& words) {
    m_events.ConditionAdded(WhoOf(by), WideToCp932(words));
}

void CRecordHost::WatchEnded(CScheduler::WatchEnd why, CScheduler::By by,
                             const std::wstring& words) {
    using End = CEventRecord::ConditionEnd;
    const std::string condition = WideToCp932(words);
    switch (why) {
    case CScheduler::WatchEnd::Cancelled:
        m_events.ConditionCancelled(WhoOf(by), condition);
        break;
    case CScheduler::WatchEnd::Met:
        m_events.ConditionEnded(End::Met, condition);
        break;
    case CScheduler::WatchEnd::Replaced:
        m_events.ConditionEnded(End::Replaced, condition);
        break;
    case CScheduler::WatchEnd::Slept:
        m_events.ConditionEnded(End::Sleep, condition);
        break;
    }
}

void CRecordHost::WokeByTimer(std::int64_t time) {
    ClockReading due;
    m_zone.ToLocal(time, due);
    std::optional<std::string_view> name;
    const std::optional<DueTime> entry = CNextDueFinder(m_list, m_zone).NextWakeDue(time - 1);
    if (entry && entry->time == time) {
        name = m_list.GetAt(entry->index).name;
    }
    m_events.WokeByTimer(name, due);
}

void CRecordHost::WarningShown(const CycleOccurrence& due) {
    m_events.WarningShown(NameOf(due.name), due.mode, due.due);
}

void CRecordHost::WarningAnswered(const WarnAnswer& answer) {
    using Answer = CEventRecord::Answer;
    m_events.WarningAnswered(answer.kind == WarnAnswer::Cancel     ? Answer::Cancel
                             : answer.kind == WarnAnswer::Postpone ? Answer::Postpone
                                                                   : Answer::TimeOut,
                             answer.minutes);
}

void CRecordHost::WarningWithdrawn(Withdrawal why) {
    using W = CEventRecord::Withdrawal;
    m_events.WarningWithdrawn(why == Withdrawal::Sleep             ? W::Sleep
                              : why == Withdrawal::Stall           ? W::Stall
                              : m_cancelBy == CScheduler::By::Tray ? W::TrayCancel
                                                                   : W::CommandCancel);
}

void CRecordHost::OccurrenceDropped(const CycleOccurrence& due) {
    m_events.OccurrenceDropped(NameOf(due.name), due.mode, due.due);
}

void CRecordHost::OccurrenceHeld(const CycleOccurrence& due) {
    m_events.OccurrenceHeld(NameOf(due.name), due.mode, due.due);
}

void CRecordHost::HoldDropped(const CycleOccurrence& due) {
    m_events.HoldEnded(NameOf(due.name), due.mode, CEventRecord::HoldEnd::EntryChanged);
}

void CRecordHost::HoldEnded(const CycleOccurrence& due, bool timeLimit) {
    m_events.HoldEnded(NameOf(due.name), due.mode,
                       timeLimit ? CEventRecord::HoldEnd::TimeLimit
                                 : CEventRecord::HoldEnd::NoLongerBusy);
}
