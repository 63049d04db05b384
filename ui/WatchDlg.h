#pragma once

#include "framework/Dialog.h"
#include "platform/RunningPrograms.h"
#include "watch/WatchSpec.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// What arming came to: empty when armed, else the line that says why not.
using ArmWatch =
    std::function<std::wstring(const WatchSpec& spec, std::int32_t mode, bool holdAwake)>;

// 条件で実行: a condition (a program's end, a quiet network, no input, a
// quiet processor) with its values, the action once it holds, and whether to
// keep the PC awake meanwhile. Only the chosen condition's fields are on;
// each starts at its range's initial value. At 開始 a value out of its range
// or a bad name is refused on the dialog's own line, with the focus on the
// field; otherwise `arm` is called, and the dialog ends with IDOK when it
// armed, or stays open showing why not.
class CWatchDlg : public CDialog {
public:
    // armedWords: the condition armed now in words (it is replaced), or
    // empty; programs: the running programs offered for the program's end.
    CWatchDlg(ArmWatch arm, bool canHibernate, std::wstring armedWords,
              std::vector<RunningProgram> programs);
    ~CWatchDlg() override;

    static const MessageMap* GetThisMessageMap();
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    void OnKindChosen();
    void OnProgramChosen();
    LRESULT OnPutProgramName(WPARAM, LPARAM);
    void EnableFields();
    // The drop-down list as wide as its widest row, so that titles show whole.
    void FitProgramList();
    // Says why on the refusal line and puts the focus on the field.
    void Refuse(int field, const std::wstring& line);

    ArmWatch m_arm;
    bool m_canHibernate;
    std::wstring m_armedWords;
    std::vector<RunningProgram> m_programs;
    int m_nKind = 0;      // WatchKind as the radio group's index
    int m_nMode = 0;      // end mode as the radio group's index
    int m_bHoldAwake = 1; // 条件を満たすまでスリープさせない
};
