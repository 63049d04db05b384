#include "ui/WatchDlg.h"

#include "resource.h"
#include "watch/WatchFields.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace {

// Puts the chosen program's name alone in the box, once the combo box has
// finished writing the whole row there itself.
constexpr UINT kPutProgramName = WM_APP + 0x137;

constexpr const wchar_t* kNoHibernationNote = L"この PC は休止状態にできません。";

// A number field: its edit, the label showing its range, the range, and the
// condition it belongs to.
struct NumberField {
    int edit;
    int rangeLabel;
    WatchRange range;
    WatchKind kind;
};
constexpr NumberField kNumberFields[] = {
    {IDC_WATCH_KBPS, IDC_WATCH_KBPS_RANGE, kQuietKbps, WatchKind::NetworkQuiet},
    {IDC_WATCH_QUIET_MINUTES, IDC_WATCH_QUIET_MINUTES_RANGE, kQuietMinutes,
     WatchKind::NetworkQuiet},
    {IDC_WATCH_IDLE_MINUTES, IDC_WATCH_IDLE_MINUTES_RANGE, kIdleMinutes, WatchKind::InputIdle},
    {IDC_WATCH_CPU_PERCENT, IDC_WATCH_CPU_PERCENT_RANGE, kCpuPercent, WatchKind::CpuQuiet},
    {IDC_WATCH_CPU_MINUTES, IDC_WATCH_CPU_MINUTES_RANGE, kCpuMinutes, WatchKind::CpuQuiet},
};

// Each condition's level and minutes edits, by WatchKind (0 for none).
struct KindFields {
    int level;
    int minutes;
};
constexpr KindFields kKindFields[] = {
    {0, 0},
    {IDC_WATCH_KBPS, IDC_WATCH_QUIET_MINUTES},
    {0, IDC_WATCH_IDLE_MINUTES},
    {IDC_WATCH_CPU_PERCENT, IDC_WATCH_CPU_MINUTES},
};

std::wstring ItemText(HWND dialog, int id) {
    const HWND item = ::GetDlgItem(dialog, id);
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(item)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        ::GetWindowTextW(item, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring RowText(const RunningProgram& program) {
    return program.name + L" — " + program.title;
}

} // namespace

CWatchDlg::CWatchDlg(ArmWatch arm, bool canHibernate, std::wstring armedWords,
                     std::vector<RunningProgram> programs)
    : CDialog(IDD_WATCH_DIALOG), m_arm(std::move(arm)), m_canHibernate(canHibernate),
      m_armedWords(std::move(armedWords)), m_programs(std::move(programs)) {}

CWatchDlg::~CWatchDlg() = default;

const MessageMap* CWatchDlg::GetThisMessageMap() {
    using D = CWatchDlg;
    static constexpr MessageMapEntry entries[] = {
        OnControl<BN_CLICKED, IDC_WATCH_EXIT, &D::OnKindChosen>(),
        OnControl<BN_CLICKED, IDC_WATCH_QUIET, &D::OnKindChosen>(),
        OnControl<BN_CLICKED, IDC_WATCH_IDLE, &D::OnKindChosen>(),
        OnControl<BN_CLICKED, IDC_WATCH_CPU, &D::OnKindChosen>(),
        OnControl<CBN_SELCHANGE, IDC_WATCH_PROGRAM, &D::OnProgramChosen>(),
        OnControl<CBN_SELENDOK, IDC_WATCH_PROGRAM, &D::OnProgramChosen>(),
        OnMessage<kPutProgramName, &D::OnPutProgramName>(),
    };
    static constexpr MessageMap map{&CDialog::GetThisMessageMap, entries};
    return &map;
}

void CWatchDlg::DoDataExchange(CDataExchange* pDX) {
    CDialog::DoDataExchange(pDX);
    DDX_Radio(pDX, IDC_WATCH_EXIT, m_nKind);
    DDX_Radio(pDX, IDC_WATCH_SHUTDOWN, m_nMode);
    DDX_Check(pDX, IDC_WATCH_HOLD_AWAKE, m_bHoldAwake);
}

BOOL CWatchDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    const HWND dialog = GetSafeHwnd();
    for (const NumberField& field : kNumberFields) {
        const std::wstring max = std::to_wstring(field.range.max);
        ::SetDlgItemTextW(dialog, field.edit, std::to_wstring(field.range.initial).c_str());
        ::SendDlgItemMessageW(dialog, field.edit, EM_LIMITTEXT, max.size(), 0);
        const std::wstring range = L"(" + std::to_wstring(field.range.min) + L"-" + max + L")";
        ::SetDlgItemTextW(dialog, field.rangeLabel, range.c_str());
    }
    for (const RunningProgram& program : m_programs) {
        ::SendDlgItemMessageW(dialog, IDC_WATCH_PROGRAM, CB_ADDSTRING, 0,
                              reinterpret_cast<LPARAM>(RowText(program).c_str()));
    }
    ::SendDlgItemMessageW(dialog, IDC_WATCH_PROGRAM, CB_LIMITTEXT, kMaxProgramName, 0);
    FitProgramList();
    if (!m_canHibernate) {
        ::EnableWindow(GetDlgItem(IDC_WATCH_HIBERNATE), FALSE);
        ::SetDlgItemTextW(dialog, IDC_WATCH_HIBERNATE_NOTE, kNoHibernationNote);
    }
    if (m_armedWords.empty()) {
        ::ShowWindow(GetDlgItem(IDC_WATCH_REPLACES), SW_HIDE);
    } else {
        const std::wstring line = L"現在の条件（" + m_armedWords + L"）は置き換えられます。";
        ::SetDlgItemTextW(dialog, IDC_WATCH_REPLACES, line.c_str());
    }
    EnableFields();
    ::SetFocus(GetDlgItem(IDC_WATCH_PROGRAM));
    return FALSE; // the focus is set: on the program's name
}

void CWatchDlg::OnKindChosen() {
    UpdateData(TRUE);
    EnableFields();
    // A refusal spoke of the condition left.
    ::SetDlgItemTextW(GetSafeHwnd(), IDC_WATCH_REFUSAL, L"");
}

void CWatchDlg::EnableFields() {
    ::EnableWindow(GetDlgItem(IDC_WATCH_PROGRAM),
                   m_nKind == static_cast<int>(WatchKind::ProgramExit));
    for (const NumberField& field : kNumberFields) {
        ::EnableWindow(GetDlgItem(field.edit), static_cast<int>(field.kind) == m_nKind);
    }
}

void CWatchDlg::FitProgramList() {
    const HWND box = GetDlgItem(IDC_WATCH_PROGRAM);
    const HDC dc = ::GetDC(box);
    if (dc == nullptr) {
        return;
    }
    const HGDIOBJ old =
        ::SelectObject(dc, reinterpret_cast<HFONT>(::SendMessageW(box, WM_GETFONT, 0, 0)));
    int widest = 0;
    for (const RunningProgram& program : m_programs) {
        const std::wstring row = RowText(program);
        SIZE size{};
        if (::GetTextExtentPoint32W(dc, row.c_str(), static_cast<int>(row.size()), &size)) {
            widest = std::max(widest, static_cast<int>(size.cx));
        }
    }
    ::SelectObject(dc, old);
    ::ReleaseDC(box, dc);
    // Room for the scroll bar and the margins, but no wider than the screen.
    const int width =
        std::min(widest + ::GetSystemMetrics(SM_CXVSCROLL) + 8, ::GetSystemMetrics(SM_CXSCREEN));
    ::SendMessageW(box, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(width), 0);
}

void CWatchDlg::OnProgramChosen() {
    PostMessage(kPutProgramName);
}

LRESULT CWatchDlg::OnPutProgramName(WPARAM, LPARAM) {
    const HWND box = GetDlgItem(IDC_WATCH_PROGRAM);
    const LRESULT row = ::SendMessageW(box, CB_GETCURSEL, 0, 0);
    if (row >= 0 && static_cast<std::size_t>(row) < m_programs.size()) {
        ::SetWindowTextW(box, m_programs[static_cast<std::size_t>(row)].name.c_str());
        ::SendMessageW(box, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
    }
    return 0;
}

void CWatchDlg::OnOK() {
    UpdateData(TRUE);
    if (m_nKind < 0 || static_cast<std::size_t>(m_nKind) >= std::size(kKindFields)) {
        return;
    }
    const HWND dialog = GetSafeHwnd();
    const KindFields& ids = kKindFields[m_nKind];
    std::wstring name = ItemText(dialog, IDC_WATCH_PROGRAM);
    // A whole row still in the box stands for its program.
    for (const RunningProgram& program : m_programs) {
        if (name == RowText(program)) {
            name = program.name;
        }
    }
    const WatchFieldReading reading =
        ReadWatchFields(static_cast<WatchKind>(m_nKind), name, ItemText(dialog, ids.level),
                        ItemText(dialog, ids.minutes));
    if (reading.refused) {
        const WatchField field = *reading.refused;
        Refuse(field == WatchField::Name    ? IDC_WATCH_PROGRAM
               : field == WatchField::Level ? ids.level
                                            : ids.minutes,
               reading.line);
        return;
    }
    const std::wstring refusal = m_arm(reading.spec, m_nMode, m_bHoldAwake != 0);
    if (!refusal.empty()) {
        ::SetDlgItemTextW(dialog, IDC_WATCH_REFUSAL, refusal.c_str());
        return;
    }
    EndDialog(IDOK);
}

void CWatchDlg::Refuse(int field, const std::wstring& line) {
    ::SetDlgItemTextW(GetSafeHwnd(), IDC_WATCH_REFUSAL, line.c_str());
    const HWND item = GetDlgItem(field);
    // The dialog's own way to move the focus, which also selects an edit's text.
    SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(item), TRUE);
    if (field == IDC_WATCH_PROGRAM) {
        ::SendMessageW(item, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
    }
}
