#pragma once

#include <optional>
#include <string>
#include <vector>

// The test host's command line:
//   e2e_host DIALOG [VALUE] [--owner=visible|hidden|none] [--linger] [--end-action]
// DIALOG is "notice" (VALUE: the end mode), "detail" (VALUE: the start-in-tray
// flag given to the dialog), "about", "busy": the program's main window
// with the shell reporting the user busy with a fullscreen program, or
// "nohibernate": that window on a PC that cannot hibernate, started with
// `/timer 30 hibernate`.
class CHostOptions {
public:
    enum class Dialog { Notice, Detail, About, Busy, NoHibernate };
    enum class Owner { Visible, Hidden, None };

    // nullopt for a command line the host does not understand.
    static std::optional<CHostOptions> Parse(const std::vector<std::wstring>& args);

    Dialog m_dialog = Dialog::About;
    int m_nValue = 0;
    Owner m_owner = Owner::Visible;
    // Keep the main window after the dialog until it is closed (WM_CLOSE), so
    // that a driver can look at it once the dialog has gone.
    bool m_bLinger = false;
    // After a notice that ends with IDOK, request a forced log-off as the
    // program would (only under Wine, where it ends only this prefix).
    bool m_bEndAction = false;
};
