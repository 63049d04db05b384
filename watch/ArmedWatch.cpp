#include "watch/ArmedWatch.h"

#include "schedule/EndMode.h"
#include "watch/CpuQuiet.h"
#include "watch/InputIdle.h"
#include "watch/NetworkQuiet.h"
#include "watch/ProgramExit.h"

#include <iterator>

namespace {

constexpr const wchar_t* kModeNames[] = {L"シャットダウン", L"再起動",   L"スタンバイ",
                                         L"ログオフ",       L"休止状態", L"ロック"};
static_assert(std::size(kModeNames) == EndMode::Lock + 1);

std::unique_ptr<CWatchCondition> MakeCondition(const WatchSpec& spec,
                                               const WatchSamplers& samplers) {
    switch (spec.kind) {
    case WatchKind::ProgramExit:
        return std::make_unique<CProgramExit>(samplers.process, spec.name);
    case WatchKind::NetworkQuiet:
        return std::make_unique<CNetworkQuiet>(samplers.network, spec.level, spec.minutes);
    case WatchKind::InputIdle:
        return std::make_unique<CInputIdle>(samplers.input, spec.minutes);
    case WatchKind::CpuQuiet:
        return std::make_unique<CCpuQuiet>(samplers.cpu, spec.level, spec.minutes);
    }
    return nullptr;
}

} // namespace

std::unique_ptr<CArmedWatch> CArmedWatch::Make(const WatchSpec& spec, std::int32_t mode,
                                               const WatchSamplers& samplers) {
    if (!IsValidWatchSpec(spec) || mode < Shutdown || mode > Lock) {
        return nullptr;
    }
    std::unique_ptr<CArmedWatch> watch(new CArmedWatch(MakeCondition(spec, samplers), mode));
    watch->m_name = spec.kind == WatchKind::ProgramExit ? spec.name : L"";
    return watch;
}

std::wstring CArmedWatch::Words() const {
    return m_condition->What() + L" " + kModeNames[m_mode];
}

std::wstring CArmedWatch::NextDueMark() const {
    return L"（条件: " + Words() + L"）";
}

std::wstring CArmedWatch::TipLine() const {
    return L"条件: " + Words() + (m_condition->CannotMeasure() ? L"（測定できません）" : L"");
}

std::wstring CArmedWatch::RefusalLine(WatchArm result) const {
    switch (result) {
    case WatchArm::NotRunning:
        return m_name + L" は実行されていません。";
    case WatchArm::CannotMeasure:
        return L"実行中のプログラムを調べられません（測定できません）。";
    case WatchArm::Armed:
        break;
    }
    return {};
}
