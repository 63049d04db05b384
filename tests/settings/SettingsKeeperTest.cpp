// The keeper's rules for writing the list's file, as flows of user actions.

#include "settings/SettingsKeeper.h"

#include "MemoryFileOps.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <new>

namespace {

// Logs what the user is asked and told; the answers come from a script of
// 'y' and 'n', "no" when it runs out.
struct CRecordingPrompt : ISettingsPrompt {
    std::string log, answers;

    void TellLoadProblems(const LoadStatus&) override { log += "problems "; }
    bool AskOverwrite(bool atExit) override {
        return Answer(atExit ? "overwrite@exit? " : "overwrite? ");
    }
    void TellSaveFailed(const SaveStatus&) override { log += "failed "; }
    bool AskEndWithoutSaving(const SaveStatus&) override { return Answer("end? "); }
    bool Answer(const char* question) {
        log += question;
        const bool yes = answers.starts_with('y');
        answers.erase(0, 1);
        return yes;
    }
};

const std::string kGood = "[COM]\r\nsize=0\r\ntasktray=1\r\nresume=1\r\nfullscreen=2\r\n";
const std::string kDamaged = "[COM]\r\nsize=1\r\ntasktray=1\r\n"; // its entry is missing
const std::string kUtf8 = "\xEF\xBB\xBF" + kGood;                 // its conversion throws

// Steps: 't'ell problems, 'c'hange, 's'ave silently, e'x'it; saves 'f'ail or are 'm'ended.
// The log of each step: each failed save ("saved?"), what the prompt heard, the exit's answer, then
// what the file holds: 'o' the bytes read at start, else 'l' the list, else '-'.
TEST(SettingsKeeperTest, WritesTheFileOnlyWhenTheRulesAllow) {
    struct Flow {
        std::string bytes; // "" for a file that cannot be read
        const char* steps;
        const char* answers;
        const char* log;
    };
    const Flow flows[] = {
        {"", "tcscx", "nn", "problems o|overwrite? o|o|o|overwrite@exit? end o|"},
        {"", "cx", "ny", "overwrite? o|overwrite@exit? end l|"},
        {"", "cc", "y", "overwrite? l|l|"},
        {kUtf8, "tc", "n", "problems o|overwrite? o|"},
        {kDamaged, "tsxc", "", "problems o|o|end o|l|"},
        {kGood, "tfccsxxmsfc", "ny",
         "o|o|saved? failed o|saved? o|saved? o|saved? end? stay o|saved? end? end o|o|l|l|"
         "saved? failed -|"},
    };
    for (const Flow& flow : flows) {
        MemoryFileOps ops;
        const std::string original = flow.bytes.empty() ? kGood : flow.bytes;
        ops.files[kSettingsFileName] = original;
        ops.busyOpens = flow.bytes.empty() ? 41 : 0;
        ScheduleList list;
        std::int32_t tray = 5;
        SettingsOptions options{5, 5};
        CRecordingPrompt prompt;
        prompt.answers = flow.answers;
        CSettingsKeeper keeper(
            list, tray, options, ops, prompt, kSettingsFileName,
            [](std::string_view, std::string&) -> bool { throw std::bad_alloc(); });
        keeper.SetSaveFailed([&](const SaveStatus&) { prompt.log += "saved? "; });
        keeper.Load();
        EXPECT_EQ(tray, flow.bytes.empty() || flow.bytes == kUtf8 ? 0 : 1) << flow.steps;
        EXPECT_EQ(options, (flow.bytes == kGood ? SettingsOptions{1, 2} : SettingsOptions{}));
        const std::map<char, std::function<void()>> actions = {
            {'t', [&] { keeper.TellLoadProblems(); }},
            {'c', [&] { keeper.Changed(); }},
            {'s', [&] { keeper.SaveSilently(); }},
            {'x', [&] { prompt.log += keeper.MayExit() ? "end " : "stay "; }},
            {'f', [&] { ops.createError = MemoryFileOps::kFull; }},
            {'m', [&] { ops.createError = 0; }},
        };
        for (const char* step = flow.steps; *step != 0; ++step) {
            if (*step == 'c') {
                list.AddTail(CScheduleItem());
            }
            actions.find(*step)->second();
            MemoryFileOps listOps;
            SaveSettings(list, tray, options, "l", listOps);
            const std::string& bytes = ops.files[kSettingsFileName];
            prompt.log += bytes == original ? "o|" : bytes == listOps.files["l"] ? "l|" : "-|";
        }
        EXPECT_EQ(prompt.log, flow.log) << flow.steps;
    }
}

} // namespace
