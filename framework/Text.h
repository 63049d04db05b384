#pragma once

#include <optional>
#include <string>
#include <string_view>

// Conversions between the program's CP932 (Shift-JIS) byte strings and the
// UTF-16 text of the wide Win32 API. Stored text keeps its CP932 bytes; only
// the calls to the system see UTF-16.

// CP932 bytes to UTF-16. Invalid byte sequences become the system's
// replacement character; never fails.
std::wstring Cp932ToWide(std::string_view text);

// UTF-8 to UTF-16 (text made by the program itself); never fails.
std::wstring Utf8ToWide(std::string_view text);

// CP932 bytes to UTF-8 (names and paths for the record); invalid byte
// sequences become the replacement character; never fails.
std::string Cp932ToUtf8Text(std::string_view text);

// UTF-16 to CP932, replacing every UTF-16 unit that CP932 cannot hold with
// '?' (no best-fit look-alikes).
std::string WideToCp932(std::wstring_view text);

// UTF-16 to CP932 only when every character has an exact CP932 form (no
// default character, no best-fit substitution); nullopt otherwise.
std::optional<std::string> WideToCp932Exact(std::wstring_view text);

// UTF-8 to CP932: sets out and returns true when every character has an
// exact CP932 form; otherwise those characters (and bytes that are not
// UTF-8) become '?' and the result is false.
bool Utf8ToCp932Text(std::string_view utf8, std::string& out);

// The first maxChars characters of CP932 text (a lead byte and the byte after
// it count as one character), never cutting a character in two.
std::string_view Cp932Prefix(std::string_view text, std::size_t maxChars);
