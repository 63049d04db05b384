#include "watch/LevelCondition.h"

#include <algorithm>
#include <limits>

WatchArm CLevelCondition::Arm(std::int64_t nowMs) {
    m_lastMs = nowMs;
    m_sinceMs.reset();
    m_level.reset();
    m_failed = false;
    m_met = false;
    Look(nowMs);
    return WatchArm::Armed;
}

bool CLevelCondition::Check(std::int64_t nowMs) {
    const std::optional<std::int64_t> due = NextLookMs();
    if (due && nowMs >= *due) {
        Look(nowMs);
    }
    return m_met;
}

void CLevelCondition::Look(std::int64_t nowMs) {
    const Reading reading = Read(m_failed ? 0 : std::max<std::int64_t>(nowMs - m_lastMs, 0));
    m_lastMs = nowMs;
    m_failed = !reading.ok;
    m_level = reading.level;
    if (m_failed) {
        m_sinceMs.reset();
        return;
    }
    // A first sample, or a busy interval: quiet from now on at best.
    if (!m_level || *m_level >= m_threshold) {
        m_sinceMs = nowMs;
    }
    m_met = nowMs - *m_sinceMs >= m_spanMs;
}

std::optional<std::int64_t> CLevelCondition::NextLookMs() const {
    if (m_met) {
        return std::nullopt;
    }
    const std::int64_t next = m_lastMs + kSampleMs;
    // The span's end is looked at exactly, wherever the samples fall.
    return m_sinceMs ? std::min(next, *m_sinceMs + m_spanMs) : next;
}

std::wstring CLevelCondition::MeasureLine() const {
    std::wstring line = m_words.label;
    if (m_failed) {
        return line + L" 測定できません";
    }
    line += m_level ? L" " + std::to_wstring(*m_level) + L" " + m_words.unit : L" 測定中";
    const std::int64_t heldMs = m_sinceMs ? m_lastMs - *m_sinceMs : 0;
    return line + L"、" + m_words.held + L" " + std::to_wstring(heldMs / 60000) + L" 分 / " +
           std::to_wstring(SpanMinutes()) + L" 分";
}

std::uint64_t CLevelCondition::Ratio(std::uint64_t amount, std::uint64_t scale, std::uint64_t per) {
    if (per == 0) {
        return 0;
    }
    const unsigned __int128 ratio = static_cast<unsigned __int128>(amount) * scale / per;
    return static_cast<std::uint64_t>(
        std::min<unsigned __int128>(ratio, std::numeric_limits<std::uint64_t>::max()));
}
