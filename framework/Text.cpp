#include "framework/Text.h"

#include <windows.h>

#include <climits>

namespace {

constexpr UINT kCp932 = 932;

int ClampedSize(std::size_t n) {
    return n > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(n);
}

// Bytes in `codePage` to UTF-16; invalid sequences become the replacement
// character.
std::wstring ToWide(UINT codePage, std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const int inLen = ClampedSize(text.size());
    const int outLen = ::MultiByteToWideChar(codePage, 0, text.data(), inLen, nullptr, 0);
    if (outLen <= 0) {
        return {};
    }
    std::wstring out(static_cast<std::size_t>(outLen), L'\0');
    ::MultiByteToWideChar(codePage, 0, text.data(), inLen, out.data(), outLen);
    return out;
}

} // namespace

std::wstring Utf8ToWide(std::string_view text) {
    return ToWide(CP_UTF8, text);
}

std::wstring Cp932ToWide(std::string_view text) {
    return ToWide(kCp932, text);
}

std::string Cp932ToUtf8Text(std::string_view text) {
    const std::wstring wide = ToWide(kCp932, text);
    if (wide.empty()) {
        return {};
    }
    const int inLen = ClampedSize(wide.size());
    const int outLen =
        ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), inLen, nullptr, 0, nullptr, nullptr);
    if (outLen <= 0) {
        return {};
    }
    std::string out(static_cast<std::size_t>(outLen), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), inLen, out.data(), outLen, nullptr, nullptr);
    return out;
}

std::string WideToCp932(std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    const int inLen = ClampedSize(text.size());
    const int outLen = ::WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, text.data(), inLen,
                                             nullptr, 0, "?", nullptr);
    if (outLen <= 0) {
        return {};
    }
    std::string out(static_cast<std::size_t>(outLen), '\0');
    ::WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, text.data(), inLen, out.data(), outLen, "?",
                          nullptr);
    return out;
}

std::optional<std::string> WideToCp932Exact(std::wstring_view text) {
    if (text.empty()) {
        return std::string{};
    }
    const int inLen = ClampedSize(text.size());
    BOOL usedDefault = FALSE;
    const int outLen = ::WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, text.data(), inLen,
                                             nullptr, 0, nullptr, &usedDefault);
    if (outLen <= 0 || usedDefault) {
        return std::nullopt;
    }
    std::string out(static_cast<std::size_t>(outLen), '\0');
    ::WideCharToMultiByte(kCp932, WC_NO_BEST_FIT_CHARS, text.data(), inLen, out.data(), outLen,
                          nullptr, &usedDefault);
    // Only a text that comes back unchanged is exact (guards against
    // best-fit mappings a code page table might still apply).
    if (usedDefault || Cp932ToWide(out) != text) {
        return std::nullopt;
    }
    return out;
}

bool Utf8ToCp932Text(std::string_view utf8, std::string& out) {
    out.clear();
    if (utf8.empty()) {
        return true;
    }
    const int inLen = ClampedSize(utf8.size());
    bool valid = true;
    int wideLen =
        ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), inLen, nullptr, 0);
    if (wideLen <= 0) { // not UTF-8: convert what can be, U+FFFD for the rest
        valid = false;
        wideLen = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), inLen, nullptr, 0);
        if (wideLen <= 0) {
            return false;
        }
    }
    std::wstring wide(static_cast<std::size_t>(wideLen), L'\0');
    ::MultiByteToWideChar(CP_UTF8, valid ? MB_ERR_INVALID_CHARS : 0, utf8.data(), inLen,
                          wide.data(), wideLen);
    if (auto exact = WideToCp932Exact(wide); exact && valid) {
        out = std::move(*exact);
        return true;
    }
    out = WideToCp932(wide);
    return false;
}

std::string_view Cp932Prefix(std::string_view text, std::size_t maxChars) {
    std::size_t at = 0;
    for (std::size_t chars = 0; at < text.size() && chars < maxChars; ++chars) {
        const auto b = static_cast<unsigned char>(text[at]);
        const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        at += lead && at + 1 < text.size() ? 2 : 1;
    }
    return text.substr(0, at);
}
