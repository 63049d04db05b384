#pragma once

#include "settings/LoadStatus.h"
#include "settings/SaveStatus.h"

// How the settings keeper asks the user and tells them what happened to the file.
class ISettingsPrompt {
public:
    // What the start found wrong with the file (unreadable, or entries left
    // out / names with '?'); told once, after the window opens.
    virtual void TellLoadProblems(const LoadStatus& status) = 0;
    // The file could not be read at start: may the list now be written over
    // it? No is the default. atExit: asked by the exit command; else by a
    // change's save.
    virtual bool AskOverwrite(bool atExit) = 0;
    // A change could not be saved (told once until a save succeeds); the list
    // stays in the program.
    virtual void TellSaveFailed(const SaveStatus& status) = 0;
    // The exit's save failed: end without saving? No (false) keeps the
    // program running.
    virtual bool AskEndWithoutSaving(const SaveStatus& status) = 0;

protected:
    ~ISettingsPrompt() = default;
};
