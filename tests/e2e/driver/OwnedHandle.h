#pragma once

#include <windows.h>

#include <utility>

namespace qb::e2e {

// A kernel handle closed exactly once (process handles, mainly).
class OwnedHandle {
public:
    OwnedHandle() = default;
    explicit OwnedHandle(HANDLE h) : m_h(h) {}
    OwnedHandle(const OwnedHandle&) = delete;
    OwnedHandle& operator=(const OwnedHandle&) = delete;
    OwnedHandle(OwnedHandle&& other) noexcept : m_h(std::exchange(other.m_h, nullptr)) {}
    OwnedHandle& operator=(OwnedHandle&& other) noexcept {
        if (this != &other) {
            Reset(std::exchange(other.m_h, nullptr));
        }
        return *this;
    }
    ~OwnedHandle() { Reset(); }

    HANDLE Get() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }
    void Reset(HANDLE h = nullptr) {
        if (m_h != nullptr) {
            ::CloseHandle(m_h);
        }
        m_h = h;
    }

private:
    HANDLE m_h = nullptr;
};

} // namespace qb::e2e
