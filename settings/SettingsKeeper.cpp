#include "settings/SettingsKeeper.h"

#include <exception>
#include <utility>

CSettingsKeeper::CSettingsKeeper(ScheduleList& list, std::int32_t& taskTray,
                                 SettingsOptions& options, IFileOps& ops, ISettingsPrompt& prompt,
                                 std::string path, Utf8ToCp932 toCp932)
    : m_list(list), m_taskTray(taskTray), m_options(options), m_ops(ops), m_prompt(prompt),
      m_path(std::move(path)), m_toCp932(std::move(toCp932)) {}

void CSettingsKeeper::Load() {
    m_taskTray = 0;
    try {
        m_loadStatus = LoadSettings(m_list, m_taskTray, m_options, m_path, m_ops,
                                    SettingsLoadMode::Auto, m_toCp932);
    } catch (const std::exception&) {
        // Out of memory, say: what was read cannot be trusted to be whole.
        m_list.RemoveAll();
        m_taskTray = 0;
        m_options = {};
        m_loadStatus = {};
        m_loadStatus.file = LoadStatus::File::Unreadable;
    }
    m_fileUnreadable = m_loadStatus.file == LoadStatus::File::Unreadable;
    m_keepFile = m_loadStatus.Damaged();
}

bool CSettingsKeeper::HasLoadProblems() const {
    return m_loadStatus.file == LoadStatus::File::Unreadable || m_loadStatus.Damaged();
}

void CSettingsKeeper::TellLoadProblems() {
    if (HasLoadProblems()) {
        m_prompt.TellLoadProblems(m_loadStatus);
    }
}

SaveStatus CSettingsKeeper::Save() {
    SaveStatus status;
    try {
        status = SaveSettings(m_list, m_taskTray, m_options, m_path, m_ops);
    } catch (const std::exception&) {
        status = {}; // out of memory, say: not saved, reason unknown
    }
    if (!status.saved && m_saveFailed) {
        m_saveFailed(status);
    }
    if (status.saved) {
        m_unsaved = false;
        m_keepFile = false;
        m_fileUnreadable = false;
        m_saveFailureTold = false;
    }
    return status;
}

bool CSettingsKeeper::MayOverwrite(bool atExit) {
    if (m_overwriteDeclined && !atExit) {
        return false;
    }
    const bool yes = m_prompt.AskOverwrite(atExit);
    m_overwriteDeclined = !yes;
    return yes;
}

void CSettingsKeeper::Changed() {
    m_unsaved = true;
    if (m_fileUnreadable && !MayOverwrite(false)) {
        return;
    }
    const SaveStatus status = Save();
    if (status.saved || m_saveFailureTold) {
        return;
    }
    m_saveFailureTold = true;
    m_prompt.TellSaveFailed(status);
}

void CSettingsKeeper::SaveSilently() {
    if (m_unsaved && !m_fileUnreadable) {
        Save();
    }
}

bool CSettingsKeeper::MayExit() {
    if (m_fileUnreadable && !MayOverwrite(true)) {
        return true; // the file stays as it is
    }
    if (m_keepFile && !m_unsaved) {
        return true; // nothing changed: the damaged file stays for the user
    }
    const SaveStatus status = Save();
    // Ending now would lose every change of this run without a word.
    return status.saved || m_prompt.AskEndWithoutSaving(status);
}
