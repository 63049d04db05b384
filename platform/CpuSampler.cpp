#include "platform/CpuSampler.h"

namespace {

std::uint64_t ToUint64(const FILETIME& time) {
    return (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

} // namespace

CpuSample CCpuSamplerWin32::Sample() {
    FILETIME idle{}, kernel{}, user{};
    if (m_getTimes(&idle, &kernel, &user) == FALSE) {
        return {};
    }
    return {true, ToUint64(idle), ToUint64(kernel), ToUint64(user)};
}
