#include "platform/SystemText.h"

#include <windows.h>

std::wstring SystemMessage(std::uint32_t error) {
    if (error == 0) {
        return L"原因は分かりません。"; // the system gave no code
    }
    wchar_t* text = nullptr;
    const DWORD len = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
    std::wstring message(text != nullptr ? text : L"", len);
    ::LocalFree(text);
    while (!message.empty() &&
           (message.back() == L'\n' || message.back() == L'\r' || message.back() == L' ')) {
        message.pop_back();
    }
    if (message.empty()) {
        message = L"エラー番号 " + std::to_wstring(error);
    }
    return message;
}

std::optional<std::wstring> FullPathName(const std::wstring& name) {
    const DWORD size = ::GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
    if (size == 0) {
        return std::nullopt;
    }
    std::wstring full(size, L'\0');
    const DWORD len = ::GetFullPathNameW(name.c_str(), size, full.data(), nullptr);
    if (len == 0 || len >= size) {
        return std::nullopt;
    }
    full.resize(len);
    return full;
}
