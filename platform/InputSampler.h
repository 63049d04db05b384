#pragma once

#include "watch/Samplers.h"

#include <windows.h>

#include <functional>

// The tick of the last keyboard or mouse input, from GetLastInputInfo, and
// the tick now.
class CInputSamplerWin32 final : public IInputSampler {
public:
    struct Calls {
        std::function<BOOL(LASTINPUTINFO*)> getLastInputInfo = &::GetLastInputInfo;
        std::function<DWORD()> getTickCount = &::GetTickCount;
    };

    CInputSamplerWin32() = default;
    // A seam for tests: `calls` in the place of the two calls.
    explicit CInputSamplerWin32(Calls calls) : m_calls(std::move(calls)) {}

    InputSample Sample() override;

private:
    Calls m_calls;
};
