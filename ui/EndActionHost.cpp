#include "ui/EndActionHost.h"

#include "framework/Text.h"
#include "platform/SystemText.h"
#include "schedule/EndMode.h"
#include "ui/EndNoticeDlg.h"
#include "ui/TrayIcon.h"

WarnAnswer CEndActionHost::Warn(std::int32_t mode) {
    CEndNoticeDlg dlg;
    m_pNotice = &dlg;
    const int result = dlg.DoNotice(mode);
    m_pNotice = nullptr;
    if (result == IDCANCEL) {
        return {WarnAnswer::Cancel};
    }
    if (result == CEndNoticeDlg::kPostponed) {
        return {WarnAnswer::Postpone, dlg.PostponeMinutes()};
    }
    return {WarnAnswer::Confirm};
}

void CEndActionHost::WithdrawWarning() {
    if (m_pNotice != nullptr) {
        m_pNotice->Withdraw();
    }
}

bool CEndActionHost::ExecuteEndMode(std::int32_t mode) {
    // The action may end this process before Close runs, so the file and the
    // icon go first.
    m_window.save();
    const bool wasInTray = m_tray.IsWanted();
    m_tray.Remove();
    const EndActionResult result = m_executor.ExecuteEndMode(mode);
    if (result.done) {
        return true;
    }
    // Nothing happened: say so, and keep running as before.
    if (wasInTray) {
        m_window.toTray();
    }
    const std::wstring text = Cp932ToWide(EndModeName(mode)) + L"を実行できませんでした。\n\n" +
                              SystemMessage(result.error);
    if (m_window.tell) {
        m_window.tell(text);
    } else {
        ::MessageBoxW(m_window.owner, text.c_str(), L"Quillaberton",
                      MB_OK | MB_ICONERROR | MB_TOPMOST);
    }
    return false;
}
