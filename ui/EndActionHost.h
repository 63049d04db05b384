#pragma once

#include "record/EventRecord.h"
#include "schedule/CheckCycle.h"
#include "schedule/EndActionExecutor.h"
#include "settings/SettingsOptions.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

class CEndNoticeDlg;
class CTrayIcon;

// What the check cycle asks of the program when an entry falls due: the
// warning, the end action and the report of one that failed, and whether the
// user is busy with a fullscreen program. The list is saved and the tray icon
// removed before the action, since it may end this process. A lock leaves
// the program running, and so does a standby or hibernation that returns
// when the user's option says so; the icon then comes back. When Windows
// refuses the action, the user is told why, the icon comes back if the window
// was in the tray, and the program keeps running. A standby that only turned
// a Modern Standby PC's displays off keeps the program running until Windows
// reports the sleep.
class CEndActionHost final : public ICheckCycleHost {
public:
    // What the main window does for the host.
    struct Window {
        const HWND& owner;                    // over which messages open
        std::function<void()> save;           // the list, before the action
        std::function<void()> close;          // the action was requested: the window ends
        std::function<void()> oneOffsChanged; // the next-due line may differ
        std::function<void()> toTray;         // back to the tray after the action
        std::function<void()> warned;         // a warning ended, however
        // Tells a failed action; a message box over the owner when empty.
        std::function<void(const std::wstring&)> tell;
        // Told of each action asked for and its result, when given.
        CEventRecord* record = nullptr;
    };

    // A Modern Standby PC counts as asleep only when Windows reports the
    // sleep this long after its displays went off.
    static constexpr std::int64_t kSleepWaitMs = 120000;

    CEndActionHost(CTrayIcon& tray, IEndActionPlatform& platform, const SettingsOptions& options,
                   IUptime& uptime, Window window)
        : m_tray(tray), m_platform(platform), m_executor(platform), m_options(options),
          m_uptime(uptime), m_window(std::move(window)) {}

    WarnAnswer Warn(std::int32_t mode) override;
    void WithdrawWarning() override;
    EndActionOutcome ExecuteEndMode(std::int32_t mode) override;
    void Close() override { m_window.close(); }
    void OneOffsChanged() override { m_window.oneOffsChanged(); }
    bool UserBusy() override;

    // Whether this PC can hibernate now: the editor and the tray menu grey
    // 休止状態 out where it cannot.
    bool CanHibernate() { return m_executor.CanHibernate(); }

    // PBT_APMSUSPEND. A standby that turned the displays off is done: the
    // program ends unless the user keeps it running after standby.
    void OnSuspend() override;
    // At each look of the check (at least once a minute): a standby that
    // turned the displays off kSleepWaitMs ago without a sleep is told, once,
    // as not done.
    void OnLook() override { Tick(); }
    void Tick();

private:
    void Tell(const std::wstring& text);

    CTrayIcon& m_tray;
    IEndActionPlatform& m_platform;
    CEndActionExecutor m_executor;
    const SettingsOptions& m_options;
    IUptime& m_uptime;
    Window m_window;
    CEndNoticeDlg* m_pNotice = nullptr;       // the open warning
    std::optional<std::int64_t> m_sleepDueMs; // the elapsed uptime by which a sleep is due
};
