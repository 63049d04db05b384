// The record window with real windows: newest first, a line recorded while
// it is open goes on top, and コピー copies the selected lines or all.
#include "framework/Text.h"
#include "framework/WinApp.h"
#include "ui/HistoryDlg.h"
#include "ui/res/resource.h"

#include "../schedule/FakeLocalTime.h"
#include "../settings/MemoryFileOps.h"

#include <gtest/gtest.h>

namespace {

class HookedHistory : public CHistoryDlg {
public:
    using CHistoryDlg::CHistoryDlg;
    std::function<void(HookedHistory&)> onRun;

    static const MessageMap* GetThisMessageMap() {
        static constexpr MessageMapEntry entries[] = {
            OnMessage<WM_APP + 1, &HookedHistory::OnRun>()};
        static constexpr MessageMap map{&CHistoryDlg::GetThisMessageMap, entries};
        return &map;
    }
    const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }

    std::wstring Shown() const {
        std::wstring all;
        const HWND list = GetDlgItem(IDC_HISTORY_LIST);
        for (int i = 0; i < ::SendMessageW(list, LB_GETCOUNT, 0, 0); ++i) {
            wchar_t line[200] = {};
            ::SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line));
            all += line + std::wstring(L"|");
        }
        return all;
    }

protected:
    BOOL OnInitDialog() override {
        const BOOL result = CHistoryDlg::OnInitDialog();
        PostMessage(WM_APP + 1);
        return result;
    }

private:
    LRESULT OnRun(WPARAM, LPARAM) {
        onRun(*this);
        EndDialog(IDCANCEL);
        return 0;
    }
};

std::wstring Clipboard() {
    std::wstring text;
    if (::OpenClipboard(nullptr)) {
        if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
            text = static_cast<const wchar_t*>(::GlobalLock(data));
            ::GlobalUnlock(data);
        }
        ::CloseClipboard();
    }
    return text;
}

TEST(HistoryDlg, ListsNewestFirstTakesNewLinesAndCopies) {
    AfxGetApp()->m_pMainWnd = nullptr;
    MemoryFileOps ops;
    ops.files[kRecordFileName] = "\xEF\xBB\xBF"
                                 "a\r\nb\r\n";
    CRecordFile file(kRecordFileName, ops);
    const FakeLocalTime zone(9 * 3600);
    CEventRecord record(
        file, [] { return 1796824815; }, zone, Cp932ToUtf8Text);
    const std::wstring added = L"2026-12-09 23:00:15 +09:00 一覧を変更 追加 「夜間」";
    HookedHistory dlg(record);
    dlg.onRun = [&](HookedHistory& d) {
        EXPECT_EQ(d.Shown(), L"b|a|");
        record.ListChanged(CEventRecord::Change::Added, "\x96\xE9\x8A\xD4");
        EXPECT_EQ(d.Shown(), added + L"|b|a|");
        d.SendMessage(WM_COMMAND, IDC_HISTORY_COPY);
        EXPECT_EQ(Clipboard(), added + L"\r\nb\r\na\r\n");
        ::SendMessageW(d.GetDlgItem(IDC_HISTORY_LIST), LB_SETSEL, TRUE, 2);
        d.SendMessage(WM_COMMAND, IDC_HISTORY_COPY);
        EXPECT_EQ(Clipboard(), L"a\r\n");
    };
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    record.ListChanged(CEventRecord::Change::Deleted, "x"); // the closed window hears nothing
    EXPECT_EQ(file.LastLines(1),
              std::vector<std::string>{"2026-12-09 23:00:15 +09:00 一覧を変更 削除 「x」"});
}

} // namespace
