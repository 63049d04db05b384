#include "command/ProgramName.h"

#include <algorithm>

namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

// File names compare without case; only ASCII letters fold here, so a name
// in other letters must be written as stored (else the first word is the
// name, as before).
wchar_t Folded(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c == L'/' ? L'\\' : c;
}

bool SamePath(std::wstring_view a, std::wstring_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](wchar_t x, wchar_t y) { return Folded(x) == Folded(y); });
}

// `name` is the module's whole path, or its last components (a name found
// through PATH or in the working folder).
bool Names(std::wstring_view name, std::wstring_view module) {
    if (name.empty() || name.size() > module.size()) {
        return false;
    }
    const std::size_t start = module.size() - name.size();
    return SamePath(module.substr(start), name) && (start == 0 || module[start - 1] == L'\\');
}

} // namespace

std::wstring_view CProgramName::ArgumentsOf(std::wstring_view line, std::wstring_view modulePath,
                                            const StoredForm& storedForm) {
    if (!line.empty() && line[0] != L'"') {
        const std::wstring module = storedForm(modulePath);
        // Each blank in turn, as CreateProcess tried them, with ".exe" added
        // as it adds it. A name longer than twice the module's path is no
        // spelling of it: the files looked up stay few.
        const std::size_t longest = std::min(line.size(), 2 * module.size() + 8);
        for (std::size_t end = 1; end <= longest; ++end) {
            if (end < line.size() && !IsBlank(line[end])) {
                continue;
            }
            const std::wstring name(line.substr(0, end));
            if (Names(storedForm(name), module) || Names(storedForm(name + L".exe"), module)) {
                return line.substr(end);
            }
        }
    }
    // The C runtime's rule: up to the first blank outside quotes.
    bool quoted = false;
    std::size_t end = 0;
    for (; end < line.size() && (quoted || !IsBlank(line[end])); ++end) {
        quoted = line[end] == L'"' ? !quoted : quoted;
    }
    return line.substr(end);
}
