#pragma once

#include <functional>
#include <string>
#include <string_view>

// Where the arguments begin in a process's own command line, past the
// program's name as Windows resolved it. A launcher may start the program
// as `C:\Program Files\Quillaberton\Quillaberton.exe /next`, unquoted:
// CreateProcess then took the first blank after which the line named an
// existing file, and so is this name read here, not cut at the first
// blank. A name in quotes, or one that does not name the module at all (a
// launcher may put anything first), ends by the C runtime's rule.
class CProgramName {
public:
    // A path as the file system stores it: its long form, in its stored
    // case; the path itself where no such file is found.
    using StoredForm = std::function<std::wstring(std::wstring_view path)>;

    // The rest of `line` after the program's name (blanks included).
    // `modulePath` is the running module's path, in any form.
    static std::wstring_view ArgumentsOf(std::wstring_view line, std::wstring_view modulePath,
                                         const StoredForm& storedForm);
};
