#pragma once

#include <windows.h>

#include <span>
#include <type_traits>

class CWnd;

// A class's message table: typed handler entries, searched from the most
// derived class to CWnd. Each window class that handles messages declares
//
//     static const MessageMap* GetThisMessageMap();
//     const MessageMap* GetMessageMap() const override { return GetThisMessageMap(); }
//
// and defines the first in its source:
//
//     const MessageMap* CMyDlg::GetThisMessageMap() {
//         static constexpr MessageMapEntry entries[] = {
//             OnMessage<WM_TIMER, &CMyDlg::OnTimer>(),
//             OnCommand<IDC_ADD, &CMyDlg::OnAddEntry>(),
//             OnControl<EN_KILLFOCUS, IDC_HOUR, &CMyDlg::OnKillfocusHour>(),
//             OnNotify<UDN_DELTAPOS, IDC_SPIN, &CMyDlg::OnDeltaposSpin>(),
//             OnRegistered<&CMyDlg::TaskbarCreated, &CMyDlg::OnTaskbarCreated>(),
//         };
//         static constexpr MessageMap map{&CDialog::GetThisMessageMap, entries};
//         return &map;
//     }
//
// The first matching entry wins; an unmatched message goes to default
// processing.

using MessageThunk = LRESULT (*)(CWnd& wnd, WPARAM wParam, LPARAM lParam);

struct MessageMapEntry {
    UINT message; // WM_xxx; WM_COMMAND and WM_NOTIFY entries also match code and id
    UINT code;    // notification code (0 for plain commands: menus, accelerators, BN_CLICKED)
    UINT id;      // command or control id
    MessageThunk thunk;
    // A message registered at run time (RegisterWindowMessage): the id the
    // window holds for it, asked of the window itself; `message` is unused.
    // An id of 0 (the registration failed) matches nothing.
    UINT (*registered)(const CWnd& wnd) = nullptr;
};

struct MessageMap {
    const MessageMap* (*base)(); // null for the root
    std::span<const MessageMapEntry> entries;
};

namespace qb::detail {

template <typename F>
struct MemberOf;
template <typename C, typename R, typename... A>
struct MemberOf<R (C::*)(A...)> {
    using type = C;
};
template <typename C, typename R, typename... A>
struct MemberOf<R (C::*)(A...) const> {
    using type = C;
};

template <auto F>
using HandlerClass = typename MemberOf<decltype(F)>::type;

// The window class that holds a data member.
template <typename M>
struct HolderOf;
template <typename C, typename T>
struct HolderOf<T C::*> {
    using type = C;
};

template <auto Member, auto F>
LRESULT ForwardThunkFor(CWnd& wnd, WPARAM, LPARAM) {
    using C = typename HolderOf<decltype(Member)>::type;
    ((static_cast<C&>(wnd).*Member).*F)();
    return 0;
}

// Calls a handler with the arguments its message carries. The general form
// takes (WPARAM, LPARAM) and returns LRESULT; the specialisations below
// match the framework's usual handler signatures.
template <UINT Msg>
struct Cracker {
    template <typename C, auto F>
    static LRESULT Call(C& c, WPARAM w, LPARAM l) {
        return (c.*F)(w, l);
    }
};

template <>
struct Cracker<WM_TIMER> { // void OnTimer(UINT_PTR nIDEvent)
    template <typename C, auto F>
    static LRESULT Call(C& c, WPARAM w, LPARAM) {
        (c.*F)(static_cast<UINT_PTR>(w));
        return 0;
    }
};

template <>
struct Cracker<WM_SYSCOMMAND> { // void OnSysCommand(UINT nID, LPARAM lParam)
    template <typename C, auto F>
    static LRESULT Call(C& c, WPARAM w, LPARAM l) {
        (c.*F)(static_cast<UINT>(w), l);
        return 0;
    }
};

// void OnPaint(), void OnClose(), void OnDestroy()
template <typename C, auto F>
LRESULT CallVoid(C& c, WPARAM, LPARAM) {
    (c.*F)();
    return 0;
}
template <>
struct Cracker<WM_PAINT> {
    template <typename C, auto F>
    static LRESULT Call(C& c, WPARAM w, LPARAM l) {
        return CallVoid<C, F>(c, w, l);
    }
};
template <>
struct Cracker<WM_CLOSE> {
    template <typename C, auto F>
    static LRESULT Call(C& c, WPARAM w, LPARAM l) {
        return CallVoid<C, F>(c, w, l);
    }
};
template <>
struct Cracker<WM_TIMECHANGE> { // void OnTimeChange()
    template <typename C, auto F>
    static LRESULT Call(C& c, WPARAM w, LPARAM l) {
        return CallVoid<C, F>(c, w, l);
    }
};
template <>
struct Cracker<WM_DESTROY> {
    template <typename C, auto F>
    static LRESULT Call(C& c, WPARAM w, LPARAM l) {
        return CallVoid<C, F>(c, w, l);
    }
};

template <>
struct Cracker<WM_QUERYDRAGICON> { // HCURSOR OnQueryDragIcon()
    template <typename C, auto F>
    static LRESULT Call(C& c, WPARAM, LPARAM) {
        return reinterpret_cast<LRESULT>((c.*F)());
    }
};

template <>
struct Cracker<WM_WINDOWPOSCHANGING> { // void OnWindowPosChanging(WINDOWPOS* lpwndpos)
    template <typename C, auto F>
    static LRESULT Call(C& c, WPARAM, LPARAM l) {
        (c.*F)(reinterpret_cast<WINDOWPOS*>(l));
        return 0;
    }
};

template <auto F, UINT Msg>
LRESULT MessageThunkFor(CWnd& wnd, WPARAM w, LPARAM l) {
    using C = HandlerClass<F>;
    return Cracker<Msg>::template Call<C, F>(static_cast<C&>(wnd), w, l);
}

template <auto F>
LRESULT CommandThunkFor(CWnd& wnd, WPARAM, LPARAM) {
    using C = HandlerClass<F>;
    (static_cast<C&>(wnd).*F)();
    return 0;
}

template <auto Getter>
UINT RegisteredIdFor(const CWnd& wnd) {
    using C = HandlerClass<Getter>;
    return (static_cast<const C&>(wnd).*Getter)();
}

template <auto F>
LRESULT NotifyThunkFor(CWnd& wnd, WPARAM, LPARAM l) {
    using C = HandlerClass<F>;
    LRESULT result = 0;
    (static_cast<C&>(wnd).*F)(reinterpret_cast<NMHDR*>(l), &result);
    return result;
}

} // namespace qb::detail

// A window message, handler typed by the message (see Cracker above).
template <UINT Msg, auto F>
constexpr MessageMapEntry OnMessage() {
    return {Msg, 0, 0, &qb::detail::MessageThunkFor<F, Msg>};
}

// WM_COMMAND from a menu, an accelerator or a button click with this id:
// void Handler().
template <UINT Id, auto F>
constexpr MessageMapEntry OnCommand() {
    return {WM_COMMAND, 0, Id, &qb::detail::CommandThunkFor<F>};
}

// WM_COMMAND notification Code (BN_CLICKED, EN_KILLFOCUS, ...) from control
// Id: void Handler().
template <UINT Code, UINT Id, auto F>
constexpr MessageMapEntry OnControl() {
    return {WM_COMMAND, Code, Id, &qb::detail::CommandThunkFor<F>};
}

// The same three, handled by `F` (void F()) of the window's owner object
// `Member`: the window only forwards them.
template <UINT Msg, auto Member, auto F>
constexpr MessageMapEntry OnMessageTo() {
    return {Msg, 0, 0, &qb::detail::ForwardThunkFor<Member, F>};
}
template <UINT Id, auto Member, auto F>
constexpr MessageMapEntry OnCommandTo() {
    return {WM_COMMAND, 0, Id, &qb::detail::ForwardThunkFor<Member, F>};
}
template <UINT Code, UINT Id, auto Member, auto F>
constexpr MessageMapEntry OnControlTo() {
    return {WM_COMMAND, Code, Id, &qb::detail::ForwardThunkFor<Member, F>};
}

// WM_NOTIFY with this code from control Id:
// void Handler(NMHDR* pNMHDR, LRESULT* pResult); *pResult (0 to start with)
// is the message's result.
template <UINT Code, UINT Id, auto F>
constexpr MessageMapEntry OnNotify() {
    return {WM_NOTIFY, Code, Id, &qb::detail::NotifyThunkFor<F>};
}

// A message registered at run time, whose id the window's `Getter`
// (UINT Getter() const) gives: LRESULT Handler(WPARAM, LPARAM).
template <auto Getter, auto F>
constexpr MessageMapEntry OnRegistered() {
    return {0, 0, 0, &qb::detail::MessageThunkFor<F, 0>, &qb::detail::RegisteredIdFor<Getter>};
}
