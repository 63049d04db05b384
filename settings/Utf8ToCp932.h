#pragma once

#include <functional>
#include <string>
#include <string_view>

// Converts UTF-8 text to CP932: sets out, and returns false when some of it
// had no CP932 form (written as '?' in out) or was not UTF-8. The platform
// provides it; the settings code itself has no code page tables.
using Utf8ToCp932 = std::function<bool(std::string_view utf8, std::string& out)>;
