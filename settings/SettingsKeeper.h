#pragma once

#include "schedule/ScheduleList.h"
#include "settings/FileOps.h"
#include "settings/LoadStatus.h"
#include "settings/SaveStatus.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsPrompt.h"
#include "settings/Utf8ToCp932.h"

#include <cstdint>
#include <functional>
#include <string>

// Keeps the list, the tray flag and the options in their file: reads them at
// start and decides when they may be written over it, asking and telling the
// user through the prompt. The list, the flag, the options, ops and prompt
// must outlive it.
class CSettingsKeeper {
public:
    CSettingsKeeper(ScheduleList& list, std::int32_t& taskTray, SettingsOptions& options,
                    IFileOps& ops, ISettingsPrompt& prompt, std::string path = kSettingsFileName,
                    Utf8ToCp932 toCp932 = {});
    CSettingsKeeper(const CSettingsKeeper&) = delete;
    CSettingsKeeper& operator=(const CSettingsKeeper&) = delete;

    // At start: reads the list, the flag and the options (the file is
    // written straight back unless it was unreadable or damaged). An
    // exception while loading (out of memory) counts as an unreadable file
    // and leaves an empty list with the flag off and every option at its default.
    void Load();
    bool HasLoadProblems() const; // unreadable, or damaged
    void TellLoadProblems();      // through the prompt, when there are any
    // After every change the user confirmed: saves; a file unreadable at
    // start is written over only after a yes (after a no, only the exit asks
    // again); a failure is told once until a save succeeds.
    void Changed();
    // The Windows session ends, or an end action is about to run: saves what
    // is unsaved, without asking or telling. Never writes over a file that
    // was unreadable at start and not yet overwritten with the user's yes.
    void SaveSilently();
    // The exit command: true when the program may end (saved; or the user
    // declined to overwrite an unreadable file; or a damaged file with no
    // change is kept as it is; or the user said yes to ending without saving).
    bool MayExit();
    const std::string& Path() const { return m_path; }
    // Told of each save that failed, however it was asked for.
    void SetSaveFailed(std::function<void(const SaveStatus&)> told) {
        m_saveFailed = std::move(told);
    }
    const LoadStatus& GetLoadStatus() const { return m_loadStatus; }

private:
    // Saves the list; a success clears what the flags below hold against the file.
    SaveStatus Save();
    // Whether the file unreadable at start may be written over now; asks,
    // except that after a no to a change's save only the exit asks again.
    bool MayOverwrite(bool atExit);

    ScheduleList& m_list;
    std::int32_t& m_taskTray;
    SettingsOptions& m_options;
    IFileOps& m_ops;
    ISettingsPrompt& m_prompt;
    std::string m_path;
    Utf8ToCp932 m_toCp932;
    LoadStatus m_loadStatus;
    bool m_unsaved = false;           // the list, the flag or an option differs from the file
    bool m_keepFile = false;          // damaged at start: kept until a change is saved
    bool m_fileUnreadable = false;    // not read at start: written only if the user says so
    bool m_overwriteDeclined = false; // the user said no to that for a change's save
    bool m_saveFailureTold = false;
    std::function<void(const SaveStatus&)>
        m_saveFailed; // a change's failed save was told; not again
};
