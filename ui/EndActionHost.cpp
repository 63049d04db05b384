#include "ui/EndActionHost.h"

#include "framework/Text.h"
#include "platform/SystemText.h"
#include "schedule/EndMode.h"
#include "ui/EndNoticeDlg.h"
#include "ui/TrayIcon.h"

namespace {
// SHQueryUserNotificationState: a fullscreen program, a Direct3D game in
// exclusive fullscreen, presentation mode.
constexpr std::int32_t kBusy = 2;
constexpr std::int32_t kD3dFullScreen = 3;
constexpr std::int32_t kPresentationMode = 4;
} // namespace

WarnAnswer CEndActionHost::Warn(std::int32_t mode) {
    CEndNoticeDlg dlg;
    m_pNotice = &dlg;
    const int result = dlg.DoNotice(mode);
    m_pNotice = nullptr;
    m_window.warned();
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

EndActionOutcome CEndActionHost::ExecuteEndMode(std::int32_t mode) {
    // The action may end this process before Close runs, so the file and the
    // icon go first.
    m_window.save();
    const bool wasInTray = m_tray.IsWanted();
    m_tray.Remove();
    CEventRecord* const record = m_window.record;
    if (record != nullptr) {
        record->ActionRequested(mode);
    }
    const EndActionResult result = m_executor.ExecuteEndMode(mode);
    // Displays off need not end in a sleep (audio playing, a mouse nudge):
    // the program goes on until Windows reports one.
    m_sleepDueMs.reset();
    if (result.done && result.awaitsSleep) {
        m_sleepDueMs = m_uptime.ElapsedMs() + kSleepWaitMs;
    }
    const bool continues = mode == Lock || result.awaitsSleep ||
                           (m_options.resume != 0 && (mode == Standby || mode == Hibernate));
    if (result.done && record != nullptr) {
        record->ActionDone(mode);
    }
    if (result.done && !continues) {
        if (record != nullptr) {
            record->Ended(CEventRecord::EndReason::AfterAction);
        }
        return EndActionOutcome::ProgramEnds;
    }
    if (wasInTray) {
        m_window.toTray();
    }
    if (result.done) {
        return EndActionOutcome::ProgramContinues;
    }
    // Nothing happened: say so, and keep running as before.
    const std::wstring why =
        result.reason == EndActionResult::Reason::NoHibernation
            ? std::wstring(L"この PC は休止状態にできません（休止状態が無効か、"
                           L"対応していません）。")
            : SystemMessage(result.error);
    if (record != nullptr) {
        record->ActionFailed(mode, result.error, why);
    }
    Tell(Cp932ToWide(EndModeName(mode)) + L"を実行できませんでした。\n\n" + why);
    return EndActionOutcome::Failed;
}

void CEndActionHost::OnSuspend() {
    if (m_sleepDueMs && m_uptime.ElapsedMs() <= *m_sleepDueMs) {
        m_sleepDueMs.reset();
        if (m_options.resume == 0) {
            if (m_window.record != nullptr) {
                m_window.record->Ended(CEventRecord::EndReason::AfterAction);
            }
            m_window.close();
        }
    }
}

void CEndActionHost::Tick() {
    if (m_sleepDueMs && m_uptime.ElapsedMs() > *m_sleepDueMs) {
        m_sleepDueMs.reset(); // before the message, whose loop runs further ticks
        Tell(Cp932ToWide(EndModeName(Standby)) +
             L"を実行できませんでした。\n\n画面を消してから 2 分たっても、この PC は"
             L"スリープしませんでした（音声の再生中や、マウスが動いたときなど）。");
    }
}

void CEndActionHost::Tell(const std::wstring& text) {
    if (m_window.tell) {
        m_window.tell(text);
    } else {
        ::MessageBoxW(m_window.owner, text.c_str(), L"Quillaberton",
                      MB_OK | MB_ICONERROR | MB_TOPMOST);
    }
}

bool CEndActionHost::UserBusy() {
    std::int32_t state = 0;
    return m_options.fullscreen != 0 && m_platform.QueryUserNotificationState(&state) &&
           (state == kBusy || state == kD3dFullScreen || state == kPresentationMode);
}
