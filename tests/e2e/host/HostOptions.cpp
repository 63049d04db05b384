#include "tests/e2e/host/HostOptions.h"

#include <cwchar>

namespace {

std::optional<int> ParseInt(const std::wstring& text) {
    if (text.empty()) {
        return std::nullopt;
    }
    wchar_t* end = nullptr;
    const long value = std::wcstol(text.c_str(), &end, 10);
    if (end == nullptr || *end != L'\0') {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

} // namespace

std::optional<CHostOptions> CHostOptions::Parse(const std::vector<std::wstring>& args) {
    if (args.empty()) {
        return std::nullopt;
    }
    CHostOptions options;
    if (args[0] == L"notice") {
        options.m_dialog = Dialog::Notice;
    } else if (args[0] == L"detail") {
        options.m_dialog = Dialog::Detail;
    } else if (args[0] == L"about") {
        options.m_dialog = Dialog::About;
    } else if (args[0] == L"busy") {
        options.m_dialog = Dialog::Busy;
    } else if (args[0] == L"nohibernate") {
        options.m_dialog = Dialog::NoHibernate;
    } else {
        return std::nullopt;
    }
    for (size_t i = 1; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        if (arg == L"--owner=visible") {
            options.m_owner = Owner::Visible;
        } else if (arg == L"--owner=hidden") {
            options.m_owner = Owner::Hidden;
        } else if (arg == L"--owner=none") {
            options.m_owner = Owner::None;
        } else if (arg == L"--linger") {
            options.m_bLinger = true;
        } else if (arg == L"--end-action") {
            options.m_bEndAction = true;
        } else if (const auto value = ParseInt(arg); value && i == 1) {
            options.m_nValue = *value;
        } else {
            return std::nullopt;
        }
    }
    return options;
}
