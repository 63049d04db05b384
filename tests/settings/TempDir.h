#pragma once

#include <filesystem>
#include <random>
#include <set>
#include <string>

// A fresh, empty folder for one test, removed with everything in it.
class TempDir {
public:
    TempDir() {
        std::random_device rd;
        const auto base = std::filesystem::temp_directory_path();
        for (;;) {
            m_dir = base / ("qb-settings-" + std::to_string(rd()));
            if (std::filesystem::create_directory(m_dir)) {
                break;
            }
        }
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string Path(const std::string& name) const { return (m_dir / name).string(); }

    // The names in the folder.
    std::set<std::string> Names() const {
        std::set<std::string> out;
        for (const auto& e : std::filesystem::directory_iterator(m_dir)) {
            out.insert(e.path().filename().string());
        }
        return out;
    }

private:
    std::filesystem::path m_dir;
};
