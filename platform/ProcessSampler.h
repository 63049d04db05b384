#pragma once

#include "framework/Handle.h"
#include "watch/Samplers.h"

#include <windows.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The processes of one executable name in this session, each waited on by
// the thread pool until it ends, without polling. The waits of one sample are
// kept by the next as long as their processes are still listed; holding a
// process's handle keeps its pid from being reused meanwhile.
class CProcessSamplerWin32 final : public IProcessSampler {
public:
    struct Entry {
        DWORD pid = 0;
        std::wstring exe; // file name alone
    };
    // The calls a test or a benchmark replaces.
    struct Calls {
        // Every process running; false when they cannot be listed.
        std::function<bool(std::vector<Entry>&)> list;
        // The session of a process; none when it cannot be read.
        std::function<std::optional<DWORD>(DWORD pid)> sessionOf;
        // The process opened to be waited on, while it is still one of
        // `name`; null when it cannot be opened.
        std::function<HANDLE(DWORD pid, std::wstring_view name)> open;
    };
    static Calls SystemCalls();

    // `onEnded` runs on a thread-pool thread when a waited process ends; it
    // must not call back into the sampler.
    explicit CProcessSamplerWin32(std::function<void()> onEnded)
        : CProcessSamplerWin32(std::move(onEnded), SystemCalls()) {}
    CProcessSamplerWin32(std::function<void()> onEnded, Calls calls);
    CProcessSamplerWin32(const CProcessSamplerWin32&) = delete;
    CProcessSamplerWin32& operator=(const CProcessSamplerWin32&) = delete;
    ~CProcessSamplerWin32() { Forget(); }

    ProcessSample Sample(std::wstring_view name) override;
    // Ends every wait, blocking until no callback runs, and closes the handles.
    void Forget() override { m_waits.clear(); }

private:
    static BOOL UnregisterBlocking(HANDLE wait) noexcept;
    static void CALLBACK Ended(PVOID context, BOOLEAN timedOut);

    struct Waited {
        unique_handle process;
        // Declared after the process: unregistered before it is closed.
        unique_any<HANDLE, &CProcessSamplerWin32::UnregisterBlocking> wait;
    };

    std::function<void()> m_onEnded; // outlives every wait
    Calls m_calls;
    std::optional<DWORD> m_session;
    std::vector<Entry> m_entries; // the last list, its room reused
    std::map<DWORD, Waited> m_waits;
};
