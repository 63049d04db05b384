#pragma once

#include "settings/SaveStatus.h"

#include <cstdint>
#include <stdexcept>
#include <string>

// Raised when reading or writing an opened settings file fails part way.
class CProfileFileError : public std::runtime_error {
public:
    explicit CProfileFileError(const std::string& what, std::uint32_t systemError = 0,
                               SaveLeft left = SaveLeft::OldFile)
        : std::runtime_error(what), m_systemError(systemError), m_left(left) {}

    // The system's error number (see IFileOps::LastError); 0 when unknown.
    std::uint32_t SystemError() const { return m_systemError; }
    // For a failed save: what it left where the file is.
    SaveLeft Left() const { return m_left; }

private:
    std::uint32_t m_systemError;
    SaveLeft m_left;
};
