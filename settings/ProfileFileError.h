#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

// Raised when reading or writing an opened settings file fails part way.
class CProfileFileError : public std::runtime_error {
public:
    explicit CProfileFileError(const std::string& what, std::uint32_t systemError = 0)
        : std::runtime_error(what), m_systemError(systemError) {}

    // The system's error number (see IFileOps::LastError); 0 when unknown.
    std::uint32_t SystemError() const { return m_systemError; }

private:
    std::uint32_t m_systemError;
};
