#pragma once

#include "settings/SettingsPrompt.h"

#include <windows.h>

#include <string>

// The settings keeper's questions and reports as message boxes over the main
// window, in the program's words: the file's full path, Windows' reason, and
// which file holds what.
class CSettingsPrompt final : public ISettingsPrompt {
public:
    // `owner` is asked for the window when a box opens (it may not exist yet
    // when this object is made); `path` is the settings file's name.
    CSettingsPrompt(const HWND& owner, std::string path)
        : m_owner(owner), m_path(std::move(path)) {}

    void TellLoadProblems(const LoadStatus& status) override;
    bool AskOverwrite(bool atExit) override;
    void TellSaveFailed(const SaveStatus& status) override;
    bool AskEndWithoutSaving(const SaveStatus& status) override;

private:
    // Why a save failed and what is left where the file is.
    std::wstring SaveFailureText(const SaveStatus& status) const;
    // The full path of a file of ours, as the user would look for it.
    static std::wstring FullPath(const std::string& path);
    int Box(const std::wstring& text, UINT type) const;

    const HWND& m_owner;
    std::string m_path;
};
