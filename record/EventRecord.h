#pragma once

#include "record/RecordFile.h"
#include "schedule/Clock.h"
#include "schedule/LocalTimeConverter.h"
#include "settings/LoadStatus.h"
#include "settings/SaveStatus.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

// CP932 bytes (names, paths, the action names) to UTF-8; the platform
// provides it.
using Cp932ToUtf8 = std::function<std::string(std::string_view cp932)>;

// The events of the record, one method each: each writes one line
//
//     2026-12-09 23:00:15 +09:00 警告を表示 「夜間」 シャットダウン 予定 2026-12-09 23:01:00
//
// the local time with its offset from UTC, the event, the details. Names and
// paths are CP932, as the program keeps them; a missing name (nullopt) is a
// quick timer's. Windows' reason texts are UTF-16, as the system gives them.
// A line is written only while the record is on; it goes to the listener
// (the open record window) in either case of the write.
class CEventRecord {
public:
    // Who asked for a skip, a cancel or a quick timer.
    enum class Who { Tray, Command };
    enum class EndReason { Menu, Command, SessionEnd, AfterAction };
    enum class Answer { Cancel, Postpone, TimeOut };
    enum class Withdrawal { Sleep, Stall, TrayCancel, CommandCancel };
    enum class HoldEnd { NoLongerBusy, TimeLimit, EntryChanged };
    enum class ConditionEnd { Met, Replaced, Sleep };
    enum class Change { Added, Edited, Deleted, Moved };

    // now: seconds since 1970-01-01 00:00:00 UTC; zone: the local time of
    // them.
    CEventRecord(CRecordFile& file, std::function<std::int64_t()> now,
                 const ILocalTimeConverter& zone, Cp932ToUtf8 toUtf8);

    void Started(std::string_view settingsPath, const LoadStatus& load);
    void Ended(EndReason reason);
    void WarningShown(std::optional<std::string_view> name, std::int32_t mode,
                      const ClockReading& due);
    // postponeMinutes only for Answer::Postpone.
    void WarningAnswered(Answer answer, int postponeMinutes = 0);
    void WarningWithdrawn(Withdrawal why);
    void ActionRequested(std::int32_t mode);
    void ActionDone(std::int32_t mode);
    void ActionFailed(std::int32_t mode, std::uint32_t error, std::wstring_view reason);
    void OccurrenceSkipped(Who who, std::optional<std::string_view> name, std::int32_t mode,
                           const ClockReading& due);
    void OccurrenceDropped(std::optional<std::string_view> name, std::int32_t mode,
                           const ClockReading& due);
    void OccurrenceHeld(std::optional<std::string_view> name, std::int32_t mode,
                        const ClockReading& due);
    void HoldEnded(std::optional<std::string_view> name, std::int32_t mode, HoldEnd why);
    void QuickTimerAdded(Who who, int minutes, std::int32_t mode, const ClockReading& due);
    void QuickTimerCancelled(Who who);
    // A condition in its shown words (CP932), e.g. what it waits for.
    void ConditionAdded(Who who, std::string_view condition);
    void ConditionCancelled(Who who, std::string_view condition);
    void ConditionEnded(ConditionEnd why, std::string_view condition);
    void WokeByTimer(std::optional<std::string_view> name, const ClockReading& due);
    // settingsPath: the file the save was for; reason: Windows' words for
    // status.error.
    void SaveFailed(const SaveStatus& status, std::wstring_view reason,
                    std::string_view settingsPath);
    void ListChanged(Change change, std::string_view name);

    // Receives each line as it is recorded, e.g. by the open record window;
    // an empty function stops it.
    void SetListener(std::function<void(const std::string& line)> listener) {
        m_listener = std::move(listener);
    }

    // Takes each line in place of the file, e.g. to write it elsewhere
    // (CRecordWriter); an empty function writes to the file again.
    void SetWriter(std::function<void(std::string line)> writer) { m_writer = std::move(writer); }

    CRecordFile& File() { return m_file; }

    // "2026-12-09 23:00:15 +09:00" of a time.
    std::string Stamp(std::int64_t time) const;

private:
    void Write(std::string_view event, std::string_view details);
    std::string Name(std::optional<std::string_view> name) const;
    std::string Mode(std::int32_t mode) const;

    CRecordFile& m_file;
    std::function<std::int64_t()> m_now;
    const ILocalTimeConverter& m_zone;
    Cp932ToUtf8 m_toUtf8;
    std::function<void(const std::string&)> m_listener;
    std::function<void(std::string)> m_writer;
};
