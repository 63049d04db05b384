#include "platform/SenderToken.h"

#include "framework/Handle.h"

#include <vector>

std::optional<SenderToken> ReadSenderToken(HWND window) {
    DWORD pid = 0;
    if (::GetWindowThreadProcessId(window, &pid) == 0) {
        return std::nullopt;
    }
    const unique_handle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    HANDLE token = nullptr;
    if (!process || !::OpenProcessToken(process.get(), TOKEN_QUERY, &token)) {
        return std::nullopt;
    }
    const unique_handle owned(token);
    DWORD size = 0;
    ::GetTokenInformation(token, TokenIntegrityLevel, nullptr, 0, &size);
    std::vector<unsigned char> label(size);
    if (size == 0 ||
        !::GetTokenInformation(token, TokenIntegrityLevel, label.data(), size, &size)) {
        return std::nullopt;
    }
    const PSID sid = reinterpret_cast<TOKEN_MANDATORY_LABEL*>(label.data())->Label.Sid;
    const UCHAR count = *::GetSidSubAuthorityCount(sid);
    if (count == 0) {
        return std::nullopt;
    }
    SenderToken result;
    result.integrity = *::GetSidSubAuthority(sid, count - 1u);
    // Windows before 8 knows no AppContainer: the call fails there.
    DWORD appContainer = 0;
    result.appContainer = ::GetTokenInformation(token, TokenIsAppContainer, &appContainer,
                                                sizeof appContainer, &size) &&
                          appContainer != 0;
    return result;
}
