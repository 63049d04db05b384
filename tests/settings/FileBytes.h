#pragma once

// Whole-file byte helpers and the golden data folder for the settings tests.

#include <cstdio>
#include <string>

#ifndef QB_SETTINGS_TEST_DATA
#error "QB_SETTINGS_TEST_DATA must name the folder of the golden files"
#endif

inline std::string DataFile(const std::string& name) {
    return std::string(QB_SETTINGS_TEST_DATA) + "/" + name;
}

// The file's bytes; sets ok to false when it cannot be opened.
inline std::string ReadBytes(const std::string& path, bool* ok = nullptr) {
    std::string out;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (ok != nullptr) {
        *ok = f != nullptr;
    }
    if (f == nullptr) {
        return out;
    }
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) {
        out.append(buf, n);
    }
    std::fclose(f);
    return out;
}

inline bool WriteBytes(const std::string& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}
