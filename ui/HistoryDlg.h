#pragma once

#include "framework/Dialog.h"
#include "record/EventRecord.h"

#include <string>

// The record window: the record's lines, newest first, and the lines the
// record takes while it is open; コピー puts the selected lines (all when
// none is selected) on the clipboard, フォルダーを開く shows the file in its
// folder. A note under the list tells a failed write or that the record is off.
class CHistoryDlg : public CDialog {
public:
    explicit CHistoryDlg(CEventRecord& record, CWnd* pParent = nullptr) noexcept;
    ~CHistoryDlg() override;

    // Puts a new line (UTF-8) at the top of the open list.
    void AddLine(const std::string& line);

    static const MessageMap* GetThisMessageMap();
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }

protected:
    BOOL OnInitDialog() override;

private:
    void OnCopy();
    void OnOpenFolder();
    void OnDestroy();
    void ShowNote();
    void Insert(const std::wstring& line, int at);

    CEventRecord& m_record;
    int m_widest = 0; // pixels, for the horizontal scroll bar
};
