#pragma once

// A plain line-scanning profile store, written straight from the rules with
// no index: the reference the real store is compared against.

#include <cstdint>
#include <string>
#include <vector>

class ProfileModel {
public:
    std::vector<std::string> lines;
    std::string section;

    // The lines of a file's bytes.
    static std::vector<std::string> Parse(const std::string& bytes) {
        std::vector<std::string> out;
        std::string cur;
        bool open = false;
        for (const char c : bytes) {
            if (c == '\x1A') {
                break;
            }
            if (c == '\n') {
                if (!cur.empty() && cur.back() == '\r') {
                    cur.pop_back();
                }
                out.push_back(cur);
                cur.clear();
                open = false;
            } else {
                cur += c;
                open = true;
            }
        }
        if (open) {
            out.push_back(cur);
        }
        return out;
    }

    static std::string Serialise(const std::vector<std::string>& ls) {
        std::string out;
        for (const auto& l : ls) {
            out += l + "\r\n";
        }
        return out;
    }

    static bool Header(const std::string& line, std::string* name) {
        std::vector<std::size_t> brackets; // byte positions of '[' and ']' characters
        int opens = 0;
        int closes = 0;
        std::size_t i = 0;
        while (i < line.size()) {
            const auto c = static_cast<unsigned char>(line[i]);
            const bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
            if (lead && i + 1 < line.size()) {
                i += 2;
                continue;
            }
            if (c == '[') {
                ++opens;
                brackets.push_back(i);
            } else if (c == ']') {
                ++closes;
                brackets.push_back(i);
            }
            ++i;
        }
        if (opens != 1 || closes != 1) {
            return false;
        }
        if (name != nullptr) {
            name->clear();
            for (std::size_t j = 0; j < line.size(); ++j) {
                if (j != brackets[0] && j != brackets[1]) {
                    *name += line[j];
                }
            }
        }
        return true;
    }

    static std::string Key(const std::string& line) {
        const auto eq = line.find('=');
        return eq == std::string::npos ? std::string() : line.substr(0, eq);
    }

    int FindKey(const std::string& key) const {
        std::string running;
        std::string name;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (Header(lines[i], &name)) {
                running = name;
            } else if (running == section && Key(lines[i]) == key) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    std::string GetValueAt(int i) const {
        const std::string& l = lines[static_cast<std::size_t>(i)];
        const auto eq = l.find('=');
        return eq == std::string::npos ? l : l.substr(eq + 1);
    }

    std::string GetString(const std::string& key, const std::string& def) const {
        const int i = FindKey(key);
        return i < 0 ? def : GetValueAt(i);
    }

    std::int32_t GetInt(const std::string& key, std::int32_t def) const {
        const int i = FindKey(key);
        if (i < 0) {
            return def;
        }
        const std::string v = GetValueAt(i);
        std::size_t p = 0;
        while (p < v.size() && (v[p] == ' ' || (v[p] >= 9 && v[p] <= 13))) {
            ++p;
        }
        bool neg = false;
        if (p < v.size() && (v[p] == '+' || v[p] == '-')) {
            neg = v[p++] == '-';
        }
        long double n = 0; // wide enough that saturation is plain clamping
        for (; p < v.size() && v[p] >= '0' && v[p] <= '9'; ++p) {
            n = n * 10 + (v[p] - '0');
            if (n > 1e12L) {
                n = 1e12L;
            }
        }
        if (neg) {
            n = -n;
        }
        if (n > INT32_MAX) {
            return INT32_MAX;
        }
        if (n < INT32_MIN) {
            return INT32_MIN;
        }
        return static_cast<std::int32_t>(n);
    }

    int FindSectionEnd(const std::string& wanted) const {
        std::string prev;
        std::string name;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            if (Header(lines[i], &name)) {
                if (prev == wanted) {
                    return static_cast<int>(i);
                }
                prev = name;
            }
        }
        return prev == wanted ? static_cast<int>(lines.size()) : -1;
    }

    void InsertLine(int i, const std::string& line) { lines.insert(lines.begin() + i, line); }

    void SetString(const std::string& key, const std::string& value) {
        const std::string keyLine = key + "=" + value;
        const int i = FindKey(key);
        if (i >= 0) {
            lines[static_cast<std::size_t>(i)] = keyLine;
            return;
        }
        const int end = FindSectionEnd(section);
        if (end != -1) {
            InsertLine(end, keyLine);
            return;
        }
        lines.push_back("[" + section + "]");
        lines.push_back(keyLine);
    }

    void SetInt(const std::string& key, std::int32_t value) {
        SetString(key, std::to_string(value));
    }
};
