#include "platform/InputSampler.h"

InputSample CInputSamplerWin32::Sample() {
    LASTINPUTINFO info{};
    info.cbSize = sizeof info;
    // The last input first: an input between the two calls then still lies
    // before the tick now, and the idle time is never negative.
    if (m_calls.getLastInputInfo(&info) == FALSE) {
        return {};
    }
    const DWORD now = m_calls.getTickCount();
    return {true, info.dwTime, now};
}
