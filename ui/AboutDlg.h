#pragma once

#include "framework/Dialog.h"

// The About box: the program's name and version.
class CAboutDlg : public CDialog {
public:
    explicit CAboutDlg(CWnd* pParent = nullptr) noexcept;
    ~CAboutDlg() override;

    static const MessageMap* GetThisMessageMap();
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }

protected:
    void DoDataExchange(CDataExchange* pDX) override;
};
