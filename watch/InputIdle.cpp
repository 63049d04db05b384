#include "watch/InputIdle.h"

#include <algorithm>

WatchArm CInputIdle::Arm(std::int64_t nowMs) {
    m_armedMs = nowMs;
    m_met = false;
    Check(nowMs);
    return WatchArm::Armed;
}

bool CInputIdle::Check(std::int64_t nowMs) {
    if (m_met) {
        return true;
    }
    const InputSample sample = m_sampler.Sample();
    m_lastMs = nowMs;
    m_failed = !sample.ok;
    if (m_failed) {
        m_heldMs = 0;
        return false;
    }
    const std::uint32_t idleMs = sample.nowTick - sample.lastInputTick;
    m_heldMs = std::min<std::int64_t>(nowMs - m_armedMs, idleMs);
    m_met = m_heldMs >= m_spanMs;
    return m_met;
}

std::optional<std::int64_t> CInputIdle::NextLookMs() const {
    if (m_met) {
        return std::nullopt;
    }
    return m_lastMs + (m_failed ? kSampleMs : m_spanMs - m_heldMs);
}

std::wstring CInputIdle::What() const {
    return L"操作なしが " + std::to_wstring(m_spanMs / 60000) + L" 分続いた後";
}

std::wstring CInputIdle::MeasureLine() const {
    if (m_failed) {
        return L"操作 測定できません";
    }
    return L"操作なし " + std::to_wstring(m_heldMs / 60000) + L" 分 / " +
           std::to_wstring(m_spanMs / 60000) + L" 分";
}
