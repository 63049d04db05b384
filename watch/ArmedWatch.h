#pragma once

#include "watch/Samplers.h"
#include "watch/WatchCondition.h"
#include "watch/WatchSpec.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// A condition with the end action it stands for: what the scheduler holds
// while one is armed, and what the window shows of it.
class CArmedWatch {
public:
    // None for a spec out of its ranges or an unknown end mode.
    static std::unique_ptr<CArmedWatch> Make(const WatchSpec& spec, std::int32_t mode,
                                             const WatchSamplers& samplers);

    // Takes the first sample; anything but Armed means it must be dropped.
    WatchArm Arm(std::int64_t nowMs) { return m_condition->Arm(nowMs); }
    // True once met: then the warning for Mode() comes.
    bool Check(std::int64_t nowMs) { return m_condition->Check(nowMs); }
    bool IsMet() const { return m_condition->IsMet(); }
    // When to call Check next; none when only a waited process's end can
    // change anything, or once met.
    std::optional<std::int64_t> NextLookMs() const { return m_condition->NextLookMs(); }
    std::int32_t Mode() const { return m_mode; }

    // After the next-due line: "（条件: render.exe の終了後 シャットダウン）".
    std::wstring NextDueMark() const;
    // A line of the tip: "条件: render.exe の終了後 シャットダウン", with
    // "（測定できません）" while the last sample could not be read.
    std::wstring TipLine() const;
    // The live measure: "通信 12 KB/s、静かになって 3 分 / 5 分".
    std::wstring MeasureLine() const { return m_condition->MeasureLine(); }
    // Why arming was refused, for the dialog and the command's output.
    std::wstring RefusalLine(WatchArm result) const;

    // The condition and its action: "render.exe の終了後 シャットダウン".
    std::wstring Words() const;

private:
    CArmedWatch(std::unique_ptr<CWatchCondition> condition, std::int32_t mode)
        : m_condition(std::move(condition)), m_mode(mode) {}

    std::unique_ptr<CWatchCondition> m_condition;
    std::int32_t m_mode;
    std::wstring m_name; // ProgramExit's
};
