#pragma once

#include <windows.h>

#include <utility>

// Owning wrapper for one Win32 handle, closed exactly once when the wrapper
// goes or is reset. Traits name the handle type, its "none" value and how to
// close it.
template <typename Traits>
class unique_any_t {
public:
    using pointer = typename Traits::type;

    unique_any_t() noexcept = default;
    explicit unique_any_t(pointer h) noexcept : m_h(h) {}
    unique_any_t(const unique_any_t&) = delete;
    unique_any_t& operator=(const unique_any_t&) = delete;
    unique_any_t(unique_any_t&& other) noexcept : m_h(other.release()) {}
    unique_any_t& operator=(unique_any_t&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    ~unique_any_t() { reset(); }

    pointer get() const noexcept { return m_h; }
    bool is_valid() const noexcept { return m_h != Traits::invalid(); }
    explicit operator bool() const noexcept { return is_valid(); }

    // Gives up ownership without closing.
    pointer release() noexcept { return std::exchange(m_h, Traits::invalid()); }

    void reset(pointer h = Traits::invalid()) noexcept {
        pointer old = std::exchange(m_h, h);
        if (old != Traits::invalid()) {
            Traits::close(old);
        }
    }

private:
    pointer m_h = Traits::invalid();
};

// Traits for handle types whose "none" value is null.
template <typename T, auto CloseFn>
struct null_handle_traits {
    using type = T;
    static constexpr T invalid() noexcept { return T{}; }
    static void close(T h) noexcept { CloseFn(h); }
};

template <typename T, auto CloseFn>
using unique_any = unique_any_t<null_handle_traits<T, CloseFn>>;

// File handles use INVALID_HANDLE_VALUE for "none".
struct file_handle_traits {
    using type = HANDLE;
    static type invalid() noexcept { return INVALID_HANDLE_VALUE; }
    static void close(type h) noexcept { ::CloseHandle(h); }
};

using unique_handle = unique_any<HANDLE, &::CloseHandle>; // mutexes, events, tokens
using unique_hfile = unique_any_t<file_handle_traits>;
using unique_hicon = unique_any<HICON, &::DestroyIcon>; // only icons we created
using unique_hmenu = unique_any<HMENU, &::DestroyMenu>; // only menus not attached
using unique_hgdiobj = unique_any<HGDIOBJ, &::DeleteObject>;
using unique_hwnd = unique_any<HWND, &::DestroyWindow>;
