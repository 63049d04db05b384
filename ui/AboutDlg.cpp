#include "ui/AboutDlg.h"

#include "resource.h"

CAboutDlg::CAboutDlg(CWnd* pParent) noexcept : CDialog(IDD_ABOUTBOX, pParent) {}

CAboutDlg::~CAboutDlg() = default;

const MessageMap* CAboutDlg::GetThisMessageMap() {
    static constexpr MessageMap map{&CDialog::GetThisMessageMap, {}};
    return &map;
}

void CAboutDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
}
