// libFuzzer target: loads arbitrary bytes into the profile store, checks that
// saving gives the bytes back normalised, then runs every lookup and SetString
// against the plain line-scanning model.

#include "settings/ProfileFile.h"

#include "MemoryFileOps.h"
#include "ProfileModel.h"

#include <cstdint>
#include <cstdlib>
#include <cstdio>

namespace {

// What a load and save must make of the bytes: reading stops at 0x1A, every
// line ends with CR LF (a CR before LF is part of the line end, a lone CR
// stays), and the last line gets a line end.
std::string Normalise(const std::string& in) {
    std::string out;
    for (const char c : in) {
        if (c == '\x1A') {
            break;
        }
        if (c == '\n' && (out.empty() || out.back() != '\r')) {
            out += '\r';
        }
        out += c;
    }
    if (!out.empty() && out.back() != '\n') {
        out += "\r\n";
    }
    return out;
}

void Check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "profile_fuzz: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    MemoryFileOps ops;
    ops.files["f"] = bytes;
    ops.readChunk = 1 + (size > 0 ? data[0] % 16 : 0); // lines split across reads
    CProfileFile store(ops);
    store.Load("f");
    store.Save();
    Check(ops.files["f"] == Normalise(bytes), "saved bytes differ from the normalised input");

    ProfileModel model;
    model.lines = ProfileModel::Parse(bytes);
    Check(store.GetLines() == model.lines, "loaded lines differ");

    // Names to ask for: every section and key the file holds, and a few more.
    std::vector<std::string> names = {"", "COM", "size", "ITEM00", "name"};
    for (std::size_t i = 0; i < model.lines.size() && names.size() < 12; ++i) {
        std::string n;
        if (ProfileModel::Header(model.lines[i], &n)) {
            names.push_back(n);
        } else {
            names.push_back(ProfileModel::Key(model.lines[i]));
        }
    }
    for (std::size_t s = 0; s < names.size(); ++s) {
        store.SetSection(names[s]);
        model.section = names[s];
        Check(store.FindSectionEnd(names[s]) == model.FindSectionEnd(names[s]), "FindSectionEnd");
        for (std::size_t k = 0; k < names.size(); k += 1 + s % 3) {
            const int i = store.FindKey(names[k]);
            Check(i == model.FindKey(names[k]), "FindKey");
            Check(store.GetString(names[k], "\x01") == model.GetString(names[k], "\x01"),
                  "GetString");
            Check(store.GetInt(names[k], 7) == model.GetInt(names[k], 7), "GetInt");
            if (i >= 0) {
                Check(store.GetValueAt(i) == model.GetValueAt(i), "GetValueAt");
            }
        }
        // Values drawn from the names too, so some turn lines into headers.
        const std::string& key = names[(s * 7) % names.size()];
        const std::string& value = names[(s * 13 + 1) % names.size()];
        store.SetString(key, value);
        model.SetString(key, value);
        Check(store.GetLines() == model.lines, "SetString");
    }
    store.Save();
    Check(ops.files["f"] == ProfileModel::Serialise(model.lines), "saved bytes after SetString");
    return 0;
}
