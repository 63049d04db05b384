#include "ui/HistoryDlg.h"

#include "framework/Text.h"
#include "platform/SystemText.h"

#include "resource.h"

#include <shellapi.h>

#include <cstring>
#include <vector>

namespace {

// Every line of a full record: it holds about ten thousand.
constexpr std::size_t kAllLines = static_cast<std::size_t>(-1);

// Opens the clipboard for a window and closes it when done.
class ClipboardOpen {
public:
    explicit ClipboardOpen(HWND owner) : m_open(::OpenClipboard(owner) != FALSE) {}
    ~ClipboardOpen() {
        if (m_open) {
            ::CloseClipboard();
        }
    }
    ClipboardOpen(const ClipboardOpen&) = delete;
    ClipboardOpen& operator=(const ClipboardOpen&) = delete;
    explicit operator bool() const { return m_open; }

private:
    bool m_open;
};

// Puts text on the clipboard as Unicode text.
bool PutOnClipboard(HWND owner, const std::wstring& text) {
    const ClipboardOpen clipboard(owner);
    if (!clipboard || !::EmptyClipboard()) {
        return false;
    }
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (memory == nullptr) {
        return false;
    }
    if (void* at = ::GlobalLock(memory)) {
        std::memcpy(at, text.c_str(), bytes);
        ::GlobalUnlock(memory);
        if (::SetClipboardData(CF_UNICODETEXT, memory) != nullptr) {
            return true; // the clipboard owns it now
        }
    }
    ::GlobalFree(memory);
    return false;
}

} // namespace

CHistoryDlg::CHistoryDlg(CEventRecord& record, CWnd* pParent) noexcept
    : CDialog(IDD_HISTORY_DIALOG, pParent), m_record(record) {}

CHistoryDlg::~CHistoryDlg() {
    m_record.SetListener({});
}

const MessageMap* CHistoryDlg::GetThisMessageMap() {
    using D = CHistoryDlg;
    static constexpr MessageMapEntry entries[] = {
        OnCommand<IDC_HISTORY_COPY, &D::OnCopy>(),
        OnCommand<IDC_HISTORY_FOLDER, &D::OnOpenFolder>(),
        OnMessage<WM_DESTROY, &D::OnDestroy>(),
    };
    static constexpr MessageMap map{&CDialog::GetThisMessageMap, entries};
    return &map;
}

BOOL CHistoryDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    const HWND list = GetDlgItem(IDC_HISTORY_LIST);
    ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    const std::vector<std::string> lines = m_record.File().LastLines(kAllLines);
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        Insert(Utf8ToWide(*it), -1);
    }
    ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    m_record.SetListener([this](const std::string& line) { AddLine(line); });
    ShowNote();
    return TRUE;
}

void CHistoryDlg::OnDestroy() {
    m_record.SetListener({});
    Default();
}

void CHistoryDlg::AddLine(const std::string& line) {
    if (GetSafeHwnd() != nullptr) {
        Insert(Utf8ToWide(line), 0);
        ShowNote();
    }
}

void CHistoryDlg::Insert(const std::wstring& line, int at) {
    const HWND list = GetDlgItem(IDC_HISTORY_LIST);
    ::SendMessageW(list, LB_INSERTSTRING, static_cast<WPARAM>(at),
                   reinterpret_cast<LPARAM>(line.c_str()));
    // The scroll bar reaches the end of the widest line, in the list's font.
    if (HDC dc = ::GetDC(list)) {
        const HGDIOBJ old =
            ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(list, WM_GETFONT, 0, 0)));
        SIZE size{};
        if (::GetTextExtentPoint32W(dc, line.c_str(), static_cast<int>(line.size()), &size) &&
            size.cx + 8 > m_widest) {
            m_widest = size.cx + 8;
            ::SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(m_widest), 0);
        }
        ::SelectObject(dc, old);
        ::ReleaseDC(list, dc);
    }
}

void CHistoryDlg::ShowNote() {
    std::wstring note;
    if (!m_record.File().Enabled()) {
        note = L"履歴の記録はオフです（詳細設定）。";
    } else if (const std::optional<std::uint32_t> error = m_record.File().Failure()) {
        note = L"履歴を書き込めませんでした: " + SystemMessage(*error);
    }
    ::SetDlgItemTextW(GetSafeHwnd(), IDC_HISTORY_NOTE, note.c_str());
}

void CHistoryDlg::OnCopy() {
    const HWND list = GetDlgItem(IDC_HISTORY_LIST);
    const int count = static_cast<int>(::SendMessageW(list, LB_GETCOUNT, 0, 0));
    const int selected = static_cast<int>(::SendMessageW(list, LB_GETSELCOUNT, 0, 0));
    std::vector<int> rows(static_cast<std::size_t>(selected > 0 ? selected : 0));
    if (selected > 0) {
        ::SendMessageW(list, LB_GETSELITEMS, rows.size(), reinterpret_cast<LPARAM>(rows.data()));
    } else {
        for (int i = 0; i < count; ++i) {
            rows.push_back(i);
        }
    }
    std::wstring text;
    for (const int row : rows) {
        const LRESULT length = ::SendMessageW(list, LB_GETTEXTLEN, row, 0);
        if (length == LB_ERR) {
            continue;
        }
        std::wstring line(static_cast<std::size_t>(length) + 1, L'\0');
        ::SendMessageW(list, LB_GETTEXT, row, reinterpret_cast<LPARAM>(line.data()));
        line.resize(static_cast<std::size_t>(length));
        text += line + L"\r\n";
    }
    PutOnClipboard(GetSafeHwnd(), text);
}

void CHistoryDlg::OnOpenFolder() {
    // Explorer opens the folder with the file selected; a missing file
    // still opens the folder.
    const std::optional<std::wstring> full = FullPathName(Cp932ToWide(m_record.File().Path()));
    if (!full) {
        return;
    }
    const std::wstring args = L"/select,\"" + *full + L"\"";
    ::ShellExecuteW(GetSafeHwnd(), L"open", L"explorer.exe", args.c_str(), nullptr, SW_SHOWNORMAL);
}
