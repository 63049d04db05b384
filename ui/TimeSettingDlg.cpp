#include "ui/TimeSettingDlg.h"

#include "framework/Text.h"
#include "resource.h"
#include "settings/ProfileLine.h"

#include <algorithm>
#include <climits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

// The one text that means "any" in a date field.
constexpr std::string_view kAny = "*";

constexpr const wchar_t* kCaption = L"時刻設定";
constexpr const wchar_t* kBracketMessage =
    L"設定名に '[' と ']' を1つずつ含めることはできません。\n"
    L"保存すると設定ファイルの区切りと見なされ、名前が失われます。";
constexpr const wchar_t* kControlMessage =
    L"設定名に改行やタブなどの制御文字を含めることはできません。\n"
    L"保存すると設定ファイルが壊れ、この設定から後が失われます。";
constexpr const wchar_t* kEncodingMessage =
    L"設定名に Shift-JIS で保存できない文字が含まれています。\n"
    L"その文字を削除するか、別の文字に置き換えてください。";

constexpr const wchar_t* kNoHibernationNote = L"この PC は休止状態にできません。";
constexpr const wchar_t* kWakeTimersOffNote =
    L"この電源プランではスリープ解除タイマーが無効です。コントロール パネルの電源オプション"
    L"（プラン設定の変更 → 詳細な電源設定の変更 → スリープ → スリープ解除タイマーの許可）で有効に"
    L"できます。";

// Weekday mask values (bit n = weekday n, Sunday = 0).
constexpr int kSunday = 1;
constexpr int kMonday = 2;
constexpr int kTuesday = 4;
constexpr int kWednesday = 8;
constexpr int kThursday = 16;
constexpr int kFriday = 32;
constexpr int kSaturday = 64;

std::string DateText(int value) {
    return value == 0 ? std::string(kAny) : std::to_string(value);
}

int ReadDate(const std::string& text) {
    return text == kAny ? 0 : ParseInt(text);
}

// Rewrites an edit with its value limited to [low, high], also when it was
// in range already. A date field ("*" allowed) keeps a "*" as it is.
void LimitField(CEdit& edit, int low, int high, bool bDateField) {
    const std::string text = edit.GetWindowText();
    if (bDateField && text == kAny) {
        return;
    }
    const int value = std::clamp(ParseInt(text), low, high);
    edit.SetWindowText(std::to_string(value));
}

} // namespace

CTimeSettingDlg::CTimeSettingDlg(CWnd* pParent) noexcept
    : CDialog(IDD_TIMESETTING_DIALOG, pParent) {}

CTimeSettingDlg::~CTimeSettingDlg() = default;

const MessageMap* CTimeSettingDlg::GetThisMessageMap() {
    static constexpr MessageMapEntry entries[] = {
        OnControl<BN_CLICKED, IDC_RADIO_DATE, &CTimeSettingDlg::OnRadioDateMode>(),
        OnControl<BN_CLICKED, IDC_RADIO_WEEK, &CTimeSettingDlg::OnRadioWeekMode>(),
        OnControl<EN_KILLFOCUS, IDC_HOUR, &CTimeSettingDlg::OnKillfocusHour>(),
        OnControl<EN_KILLFOCUS, IDC_MINUTE, &CTimeSettingDlg::OnKillfocusMinute>(),
        OnControl<EN_KILLFOCUS, IDC_SECOND, &CTimeSettingDlg::OnKillfocusSecond>(),
        OnControl<EN_KILLFOCUS, IDC_YEAR, &CTimeSettingDlg::OnKillfocusYear>(),
        OnControl<EN_KILLFOCUS, IDC_MONTH, &CTimeSettingDlg::OnKillfocusMonth>(),
        OnControl<EN_KILLFOCUS, IDC_DAY, &CTimeSettingDlg::OnKillfocusDay>(),
    };
    static constexpr MessageMap map{&CDialog::GetThisMessageMap, entries};
    return &map;
}

void CTimeSettingDlg::SetItem(CScheduleItem item) {
    m_item = std::move(item);
}

int CTimeSettingDlg::EditItem(CScheduleItem item) {
    SetItem(std::move(item));
    return static_cast<int>(DoModal());
}

CScheduleItem CTimeSettingDlg::GetItem() const {
    return m_item;
}

void CTimeSettingDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Control(pDX, IDC_SECOND, m_edSecond);
    DDX_Control(pDX, IDC_MINUTE, m_edMinute);
    DDX_Control(pDX, IDC_HOUR, m_edHour);
    DDX_Control(pDX, IDC_DAY, m_edDay);
    DDX_Control(pDX, IDC_MONTH, m_edMonth);
    DDX_Control(pDX, IDC_YEAR, m_edYear);
    DDX_Control(pDX, IDC_CHECK_WEDNESDAY, m_chkWednesday);
    DDX_Control(pDX, IDC_CHECK_TUESDAY, m_chkTuesday);
    DDX_Control(pDX, IDC_CHECK_THURSDAY, m_chkThursday);
    DDX_Control(pDX, IDC_CHECK_SUNDAY, m_chkSunday);
    DDX_Control(pDX, IDC_CHECK_SATURDAY, m_chkSaturday);
    DDX_Control(pDX, IDC_CHECK_MONDAY, m_chkMonday);
    DDX_Control(pDX, IDC_CHECK_FRIDAY, m_chkFriday);
    DDX_Control(pDX, IDC_NAME, m_edName);
    DDX_Radio(pDX, IDC_RADIO_DATE, m_nTimeMode);
    DDX_Radio(pDX, IDC_RADIO_SHUTDOWN, m_nEndMode);
    DDX_Check(pDX, IDC_CHECK_FRIDAY, m_bFriday);
    DDX_Check(pDX, IDC_CHECK_MONDAY, m_bMonday);
    DDX_Check(pDX, IDC_CHECK_SATURDAY, m_bSaturday);
    DDX_Check(pDX, IDC_CHECK_SUNDAY, m_bSunday);
    DDX_Check(pDX, IDC_CHECK_THURSDAY, m_bThursday);
    DDX_Check(pDX, IDC_CHECK_TUESDAY, m_bTuesday);
    DDX_Check(pDX, IDC_CHECK_WEDNESDAY, m_bWednesday);
    DDX_Check(pDX, IDC_CHECK_WAKE, m_bWake);
}

BOOL CTimeSettingDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    m_edName.SetWindowText(m_item.name);

    m_nTimeMode = m_item.time_mode;
    EnableModeControls(m_nTimeMode);

    m_edYear.SetWindowText(DateText(m_item.year));
    m_edMonth.SetWindowText(DateText(m_item.month));
    m_edDay.SetWindowText(DateText(m_item.day));

    // Bits 7 and above are not shown (and are gone after OK).
    const int week = m_item.week;
    m_bSunday = (week & kSunday) != 0 ? 1 : 0;
    m_bMonday = (week & kMonday) != 0 ? 1 : 0;
    m_bTuesday = (week & kTuesday) != 0 ? 1 : 0;
    m_bWednesday = (week & kWednesday) != 0 ? 1 : 0;
    m_bThursday = (week & kThursday) != 0 ? 1 : 0;
    m_bFriday = (week & kFriday) != 0 ? 1 : 0;
    m_bSaturday = (week & kSaturday) != 0 ? 1 : 0;

    m_edHour.SetWindowText(std::to_string(m_item.hour));
    m_edMinute.SetWindowText(std::to_string(m_item.minute));
    m_edSecond.SetWindowText(std::to_string(m_item.second));

    m_nEndMode = m_item.sd_mode;
    m_bWake = m_item.wake != 0 ? 1 : 0;
    if (m_bNoHibernation) {
        ::EnableWindow(GetDlgItem(IDC_RADIO_HIBERNATE), FALSE);
        ::SetDlgItemTextW(m_hWnd, IDC_HIBERNATE_NOTE, kNoHibernationNote);
    }
    if (m_bWakeTimersOff) {
        ::SetDlgItemTextW(m_hWnd, IDC_WAKE_NOTE, kWakeTimersOffNote);
    }

    UpdateData(FALSE);
    return TRUE; // focus to the first tab stop, the name
}

void CTimeSettingDlg::OnOK() {
    std::string name;
    if (!ReadName(name)) {
        return;
    }
    UpdateData(TRUE);

    m_item.name = std::move(name);
    m_item.time_mode = m_nTimeMode;
    m_item.year = ReadDate(m_edYear.GetWindowText());
    m_item.month = ReadDate(m_edMonth.GetWindowText());
    m_item.day = ReadDate(m_edDay.GetWindowText());
    m_item.week = (m_bSunday != 0 ? kSunday : 0) | (m_bMonday != 0 ? kMonday : 0) |
                  (m_bTuesday != 0 ? kTuesday : 0) | (m_bWednesday != 0 ? kWednesday : 0) |
                  (m_bThursday != 0 ? kThursday : 0) | (m_bFriday != 0 ? kFriday : 0) |
                  (m_bSaturday != 0 ? kSaturday : 0);
    m_item.hour = ParseInt(m_edHour.GetWindowText());
    m_item.minute = ParseInt(m_edMinute.GetWindowText());
    m_item.second = ParseInt(m_edSecond.GetWindowText());
    m_item.sd_mode = m_nEndMode;
    // Kept as loaded unless the box changed it: a hand-made file may hold any
    // non-zero value.
    if ((m_item.wake != 0) != (m_bWake != 0)) {
        m_item.wake = m_bWake;
    }

    CDialog::OnOK();
}

bool CTimeSettingDlg::ReadName(std::string& name) {
    // Read as UTF-16, so that characters Shift-JIS lacks are seen before the
    // framework's conversion would turn them into '?'.
    const int len = ::GetWindowTextLengthW(m_edName);
    std::wstring wide;
    if (len > 0) {
        std::vector<wchar_t> buffer(static_cast<std::size_t>(len) + 1);
        const int got = ::GetWindowTextW(m_edName, buffer.data(), len + 1);
        wide.assign(buffer.data(), static_cast<std::size_t>(std::max(got, 0)));
    }

    // An untouched name keeps its bytes, even those a hand-edited file gave
    // it that do not convert back exactly.
    if (wide == Cp932ToWide(m_item.name) && !ParseSectionHeader(m_item.name, nullptr)) {
        name = m_item.name;
        return true;
    }

    const wchar_t* message = nullptr;
    const std::optional<std::string> bytes = WideToCp932Exact(wide);
    if (std::any_of(wide.begin(), wide.end(), [](wchar_t c) { return c < L' '; })) {
        // LF would split the name's line, and 0x1A ends the file's reading.
        message = kControlMessage;
    } else if (!bytes) {
        message = kEncodingMessage;
    } else if (ParseSectionHeader(*bytes, nullptr)) {
        // "name=" plus this name would read back as a section header.
        message = kBracketMessage;
    }
    if (message == nullptr) {
        name = *bytes;
        return true;
    }
    ::MessageBoxW(m_hWnd, message, kCaption, MB_OK | MB_ICONWARNING);
    m_edName.SetFocus();
    m_edName.SetSel(0, -1);
    return false;
}

void CTimeSettingDlg::EnableModeControls(int nMode) {
    if (nMode != 0 && nMode != 1) {
        return;
    }
    const BOOL bDate = nMode == 0 ? TRUE : FALSE;
    m_edYear.EnableWindow(bDate);
    m_edMonth.EnableWindow(bDate);
    m_edDay.EnableWindow(bDate);
    for (CButton* box : {&m_chkWednesday, &m_chkTuesday, &m_chkThursday, &m_chkSunday,
                         &m_chkSaturday, &m_chkMonday, &m_chkFriday}) {
        box->EnableWindow(!bDate);
    }
}

void CTimeSettingDlg::OnRadioDateMode() {
    EnableModeControls(0);
}

void CTimeSettingDlg::OnRadioWeekMode() {
    EnableModeControls(1);
}

void CTimeSettingDlg::OnKillfocusHour() {
    LimitField(m_edHour, 0, 23, false);
}

void CTimeSettingDlg::OnKillfocusMinute() {
    LimitField(m_edMinute, 0, 59, false);
}

void CTimeSettingDlg::OnKillfocusSecond() {
    LimitField(m_edSecond, 0, 59, false);
}

void CTimeSettingDlg::OnKillfocusYear() {
    LimitField(m_edYear, 2000, INT_MAX, true);
}

void CTimeSettingDlg::OnKillfocusMonth() {
    LimitField(m_edMonth, 1, 12, true);
}

void CTimeSettingDlg::OnKillfocusDay() {
    LimitField(m_edDay, 1, 31, true);
}
