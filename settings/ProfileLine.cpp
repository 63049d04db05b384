#include "settings/ProfileLine.h"

#include <cstring>
#include <limits>

namespace {

bool IsLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

} // namespace

bool FindSectionBrackets(std::string_view line, std::size_t& first, std::size_t& second) {
    // Fast path: no '[' byte at all means no '[' character.
    if (line.empty() || std::memchr(line.data(), '[', line.size()) == nullptr) {
        return false;
    }
    std::size_t open = std::string_view::npos;
    std::size_t close = std::string_view::npos;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const auto c = static_cast<unsigned char>(line[i]);
        if (IsLeadByte(c)) {
            ++i; // the second byte belongs to this character
        } else if (c == '[') {
            if (open != std::string_view::npos) {
                return false;
            }
            open = i;
        } else if (c == ']') {
            if (close != std::string_view::npos) {
                return false;
            }
            close = i;
        }
    }
    if (open == std::string_view::npos || close == std::string_view::npos) {
        return false;
    }
    first = open < close ? open : close;
    second = open < close ? close : open;
    return true;
}

bool ParseSectionHeader(std::string_view line, std::string* name) {
    std::size_t first = 0;
    std::size_t second = 0;
    if (!FindSectionBrackets(line, first, second)) {
        return false;
    }
    if (name != nullptr) {
        name->assign(line.substr(0, first));
        name->append(line.substr(first + 1, second - first - 1));
        name->append(line.substr(second + 1));
    }
    return true;
}

std::string_view LineKey(std::string_view line) {
    const std::size_t eq = line.find('=');
    return eq == std::string_view::npos ? std::string_view() : line.substr(0, eq);
}

std::string_view LineValue(std::string_view line) {
    const std::size_t eq = line.find('=');
    return eq == std::string_view::npos ? line : line.substr(eq + 1);
}

std::int32_t ParseInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= 0x09 && text[i] <= 0x0D))) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // One past the largest magnitude either sign may hold.
    constexpr std::int64_t kLimit = std::int64_t{1} << 31;
    std::int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > kLimit) {
            value = kLimit; // stays saturated for any further digits
        }
    }
    if (negative) {
        return static_cast<std::int32_t>(-value); // -2^31 fits
    }
    return value >= kLimit ? std::numeric_limits<std::int32_t>::max()
                           : static_cast<std::int32_t>(value);
}
