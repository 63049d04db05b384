#include "watch/WatchSpec.h"

bool IsValidProgramName(std::wstring_view name) {
    return !name.empty() && name.size() <= kMaxProgramName &&
           name.find_first_of(L"\\/:") == std::wstring_view::npos;
}

bool IsValidWatchSpec(const WatchSpec& spec) {
    switch (spec.kind) {
    case WatchKind::ProgramExit:
        return IsValidProgramName(spec.name);
    case WatchKind::NetworkQuiet:
        return kQuietKbps.Holds(spec.level) && kQuietMinutes.Holds(spec.minutes);
    case WatchKind::InputIdle:
        return kIdleMinutes.Holds(spec.minutes);
    case WatchKind::CpuQuiet:
        return kCpuPercent.Holds(spec.level) && kCpuMinutes.Holds(spec.minutes);
    }
    return false;
}
