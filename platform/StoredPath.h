#pragma once

#include <string>
#include <string_view>

// A file's full path as the file system stores it: every component in its
// long form and its stored case, whatever spelling (short 8.3 names, another
// case, a relative path) reached it. Read through the open file
// (GetFinalPathNameByHandleW), so it names the file itself. Empty when the
// file cannot be opened or named.
std::wstring StoredPath(std::wstring_view path);
