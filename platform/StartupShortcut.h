#pragma once

#include <string>

// 「Windows の起動時に開始する」: Quillaberton.lnk in the user's Startup folder,
// pointing at this exe with the settings folder as its working folder, so
// that a start at logon finds the list. Nothing goes into the registry. A
// link of that name that points anywhere else belongs to another program (or
// another copy): it is never changed or removed.
class CStartupShortcut {
public:
    // What the Startup folder holds under the link's name.
    enum class Found { None, Ours, Other };
    // What the box, ticked or not, asks of the folder.
    enum class Step { Nothing, Create, Remove, Refuse };
    static Step Decide(bool wanted, Found found) {
        if (found == Found::Other) {
            return wanted ? Step::Refuse : Step::Nothing;
        }
        if (wanted == (found == Found::Ours)) {
            return Step::Nothing;
        }
        return wanted ? Step::Create : Step::Remove;
    }

    // `settingsFolder` holds the settings file: the link's working folder.
    explicit CStartupShortcut(std::wstring settingsFolder)
        : m_settingsFolder(std::move(settingsFolder)) {}

    // The working folder, where the settings file is kept by default.
    static std::wstring WorkingFolder();

    // Looks at the Startup folder; false when it cannot be read, with Why().
    bool Read();
    // The link is there and points at this exe.
    bool IsOn() const { return m_found == Found::Ours; }
    // Makes the folder hold the link or not, as Decide says after a fresh
    // look; false, with Why(), when that cannot be done.
    bool Apply(bool wanted);
    const std::wstring& Why() const { return m_why; }

private:
    std::wstring m_settingsFolder;
    std::wstring m_link; // its full path
    Found m_found = Found::None;
    std::wstring m_why;
};
