#pragma once

#include <stdexcept>
#include <string>

// Raised when reading or writing an opened settings file fails part way.
class CProfileFileError : public std::runtime_error {
public:
    explicit CProfileFileError(const std::string& what) : std::runtime_error(what) {}
};
