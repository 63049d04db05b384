#include "record/EventRecord.h"

#include "schedule/CivilTime.h"
#include "schedule/EndMode.h"

#include <cstdio>
#include <utility>

namespace {

// "2026-12-09 23:00:15".
std::string DateTime(const ClockReading& r) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", r.year, r.month, r.day, r.hour,
                  r.minute, r.second);
    return buf;
}

// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf8Of(std::wstring_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<std::uint32_t>(text[i]) & 0xFFFF;
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && (text[i + 1] & 0xFC00) == 0xDC00) {
            c = 0x10000 + ((c - 0xD800) << 10) + ((text[++i] & 0xFFFF) - 0xDC00);
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// The system's text without its line end, after the error number.
std::string Reason(std::uint32_t error, std::wstring_view reason) {
    while (!reason.empty() && (reason.back() == L'\n' || reason.back() == L'\r')) {
        reason.remove_suffix(1);
    }
    std::string text = "（エラー " + std::to_string(error);
    if (!reason.empty()) {
        text += ": " + Utf8Of(reason);
    }
    return text + "）";
}

std::string_view WhoText(CEventRecord::Who who) {
    return who == CEventRecord::Who::Tray ? "トレイから" : "コマンドから";
}

std::string Due(const ClockReading& due) {
    return "予定 " + DateTime(due);
}

} // namespace

CEventRecord::CEventRecord(CRecordFile& file, std::function<std::int64_t()> now,
                           const ILocalTimeConverter& zone, Cp932ToUtf8 toUtf8)
    : m_file(file), m_now(std::move(now)), m_zone(zone), m_toUtf8(std::move(toUtf8)) {}

std::string CEventRecord::Stamp(std::int64_t time) const {
    ClockReading local;
    if (!m_zone.ToLocal(time, local)) {
        local = ReadingAt(time); // beyond the zone's range: UTC
    }
    const std::int64_t offset = CivilSecondOf(local) - time;
    const std::int64_t minutes = (offset < 0 ? -offset : offset) / 60;
    char zone[16];
    std::snprintf(zone, sizeof zone, " %c%02d:%02d", offset < 0 ? '-' : '+',
                  static_cast<int>(minutes / 60), static_cast<int>(minutes % 60));
    return DateTime(local) + zone;
}

void CEventRecord::Write(std::string_view event, std::string_view details) {
    if (!m_file.Enabled()) {
        return;
    }
    std::string line = Stamp(m_now());
    line += ' ';
    line += event;
    if (!details.empty()) {
        line += ' ';
        line += details;
    }
    if (m_writer) {
        m_writer(line);
    } else {
        m_file.Append(line);
    }
    if (m_listener) {
        m_listener(line);
    }
}

std::string CEventRecord::Name(std::optional<std::string_view> name) const {
    return name ? "「" + m_toUtf8(*name) + "」" : "（タイマー）";
}

std::string CEventRecord::Mode(std::int32_t mode) const {
    const std::string name = EndModeName(mode);
    return name.empty() ? "動作 " + std::to_string(mode) : m_toUtf8(name);
}

void CEventRecord::Started(std::string_view settingsPath, const LoadStatus& load) {
    std::string how;
    switch (load.file) {
    case LoadStatus::File::Missing:
        how = "ファイルなし、空の一覧";
        break;
    case LoadStatus::File::Read:
        how = "読み込み";
        break;
    case LoadStatus::File::Recovered:
        how = "一時ファイルから復元";
        break;
    case LoadStatus::File::Unreadable:
        how = "読めない" + Reason(load.error, {});
        break;
    }
    if (load.Damaged()) {
        how += "、壊れた項目 " + std::to_string(load.leftOut + load.lossyNames) +
               " 件、ファイルは元のまま";
    }
    Write("起動", "設定ファイル " + m_toUtf8(settingsPath) + "（" + how + "）");
}

void CEventRecord::Ended(EndReason reason) {
    static constexpr std::string_view kTexts[] = {"メニューから", "コマンドから", "Windows の終了",
                                                  "終了動作の後"};
    Write("終了", kTexts[static_cast<int>(reason)]);
}

void CEventRecord::WarningShown(std::optional<std::string_view> name, std::int32_t mode,
                                const ClockReading& due) {
    Write("警告を表示", Name(name) + " " + Mode(mode) + " " + Due(due));
}

void CEventRecord::WarningAnswered(Answer answer, int postponeMinutes) {
    switch (answer) {
    case Answer::Cancel:
        Write("警告に応答", "キャンセル");
        break;
    case Answer::Postpone:
        Write("警告に応答", "延期 " + std::to_string(postponeMinutes) + " 分");
        break;
    case Answer::TimeOut:
        Write("警告に応答", "時間切れ");
        break;
    }
}

void CEventRecord::WarningWithdrawn(Withdrawal why) {
    static constexpr std::string_view kTexts[] = {
        "スリープのため", "時計の停止のため", "トレイからのキャンセル", "コマンドからのキャンセル"};
    Write("警告を取り下げ", kTexts[static_cast<int>(why)]);
}

void CEventRecord::ActionRequested(std::int32_t mode) {
    Write("動作を要求", Mode(mode));
}

void CEventRecord::ActionDone(std::int32_t mode) {
    Write("動作の結果", Mode(mode) + " 完了");
}

void CEventRecord::ActionFailed(std::int32_t mode, std::uint32_t error, std::wstring_view reason) {
    Write("動作の結果", Mode(mode) + " 失敗" + Reason(error, reason));
}

void CEventRecord::OccurrenceSkipped(Who who, std::optional<std::string_view> name,
                                     std::int32_t mode, const ClockReading& due) {
    Write("予定をスキップ",
          Name(name) + " " + Mode(mode) + " " + Due(due) + " " + std::string(WhoText(who)));
}

void CEventRecord::OccurrenceDropped(std::optional<std::string_view> name, std::int32_t mode,
                                     const ClockReading& due) {
    Write("予定を見送り",
          Name(name) + " " + Mode(mode) + " " + Due(due) + " スリープ中に過ぎたため");
}

void CEventRecord::OccurrenceHeld(std::optional<std::string_view> name, std::int32_t mode,
                                  const ClockReading& due) {
    Write("予定を保留", Name(name) + " " + Mode(mode) + " " + Due(due) + " 使用中のため");
}

void CEventRecord::HoldEnded(std::optional<std::string_view> name, std::int32_t mode, HoldEnd why) {
    Write("保留を終了", Name(name) + " " + Mode(mode) + " " +
                            (why == HoldEnd::NoLongerBusy ? "使用中でなくなったため"
                             : why == HoldEnd::TimeLimit  ? "保留の上限のため"
                                                         : "項目が変更または削除されたため"));
}

void CEventRecord::QuickTimerAdded(Who who, int minutes, std::int32_t mode,
                                   const ClockReading& due) {
    Write("タイマーを設定", std::to_string(minutes) + " 分後 " + Mode(mode) + " " + Due(due) + " " +
                                std::string(WhoText(who)));
}

void CEventRecord::QuickTimerCancelled(Who who) {
    Write("タイマーを取り消し", WhoText(who));
}

void CEventRecord::ConditionAdded(Who who, std::string_view condition) {
    Write("条件を設定", m_toUtf8(condition) + " " + std::string(WhoText(who)));
}

void CEventRecord::ConditionCancelled(Who who, std::string_view condition) {
    Write("条件を取り消し", m_toUtf8(condition) + " " + std::string(WhoText(who)));
}

void CEventRecord::ConditionEnded(ConditionEnd why, std::string_view condition) {
    Write(why == ConditionEnd::Met        ? "条件を満たした"
          : why == ConditionEnd::Replaced ? "条件を置き換え"
                                          : "条件をスリープで終了",
          m_toUtf8(condition));
}

void CEventRecord::WokeByTimer(std::optional<std::string_view> name, const ClockReading& due) {
    Write("ウェイクタイマーで復帰", Name(name) + " " + Due(due));
}

void CEventRecord::SaveFailed(const SaveStatus& status, std::wstring_view reason,
                              std::string_view settingsPath) {
    const std::string path = m_toUtf8(settingsPath);
    const std::string held = m_toUtf8(status.heldIn);
    std::string where;
    switch (status.left) {
    case SaveLeft::OldFile:
        where = "一覧は " + path + " に保存前のまま";
        break;
    case SaveLeft::NoFile:
        where = "一覧を持つファイルなし";
        break;
    case SaveLeft::OldInTemporary:
        where = "以前の一覧が " + held + " に";
        break;
    case SaveLeft::NewInTemporary:
        where = "一覧は " + held + " に";
        break;
    case SaveLeft::Damaged:
        where = path + " は途中まで書かれたまま";
        break;
    }
    Write("保存に失敗", path + Reason(status.error, reason) + " " + where);
}

void CEventRecord::ListChanged(Change change, std::string_view name) {
    static constexpr std::string_view kTexts[] = {"追加", "編集", "削除", "移動"};
    Write("一覧を変更",
          std::string(kTexts[static_cast<int>(change)]) + " 「" + m_toUtf8(name) + "」");
}
