#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// How the profile store reads one line of CP932 text.

// One line held by the store: a view of its bytes in storage the store owns,
// and whether CR LF follows those bytes there, so that a save can write runs
// of such lines straight from that storage.
struct ProfileLineRef {
    ProfileLineRef() = default;
    ProfileLineRef(const char* bytes, std::size_t size, bool crlf)
        : data(bytes), sizeAndCrLf(size << 1 | (crlf ? 1 : 0)) {}

    std::size_t Size() const { return static_cast<std::size_t>(sizeAndCrLf >> 1); }
    bool CrLf() const { return (sizeAndCrLf & 1) != 0; }
    std::string_view Text() const { return {data, Size()}; }

    const char* data = nullptr;
    std::uint64_t sizeAndCrLf = 0; // size, shifted left by one, and the CR LF flag
};

// True when the line is a section header: exactly one '[' and exactly one ']'
// counted as characters. Sets first and second to the byte positions of the
// two, in line order.
bool FindSectionBrackets(std::string_view line, std::size_t& first, std::size_t& second);

// True when the line is a section header: exactly one '[' and exactly one ']'
// counted as characters, so the second byte of a double-byte character is
// never a bracket. Sets name (when given) to the line without the two.
bool ParseSectionHeader(std::string_view line, std::string* name);

// The key of a key line: the text before the first '=', empty when none.
std::string_view LineKey(std::string_view line);

// The value of a key line: the text after the first '=', the whole line when
// it has none.
std::string_view LineValue(std::string_view line);

// The atoi rule: leading white space, one optional sign, decimal digits up to
// the first other byte; no digits give 0. Saturates at the 32-bit limits.
std::int32_t ParseInt(std::string_view text);
