#include "watch/ProgramExit.h"

#include <algorithm>
#include <vector>

WatchArm CProgramExit::Arm(std::int64_t nowMs) {
    m_met = false;
    Check(nowMs);
    if (m_failed) {
        return WatchArm::CannotMeasure;
    }
    return m_met ? WatchArm::NotRunning : WatchArm::Armed;
}

bool CProgramExit::Check(std::int64_t nowMs) {
    if (m_met) {
        return true;
    }
    ProcessSample sample = m_sampler.Sample(m_name);
    m_lastMs = nowMs;
    m_failed = !sample.ok;
    std::sort(sample.pids.begin(), sample.pids.end());
    m_running = static_cast<std::size_t>(std::unique(sample.pids.begin(), sample.pids.end()) -
                                         sample.pids.begin());
    m_someUnopened = sample.someUnopened;
    m_met = !m_failed && m_running == 0;
    return m_met;
}

std::optional<std::int64_t> CProgramExit::NextLookMs() const {
    if (m_met || !(m_failed || m_someUnopened)) {
        return std::nullopt;
    }
    return m_lastMs + kSampleMs;
}

std::wstring CProgramExit::MeasureLine() const {
    if (m_failed) {
        return m_name + L" 測定できません";
    }
    if (m_met) {
        return m_name + L" 終了しました";
    }
    return m_name + L" 実行中 " + std::to_wstring(m_running) + L" 個" +
           (m_someUnopened ? L"（10 秒ごとに確認）" : L"");
}
