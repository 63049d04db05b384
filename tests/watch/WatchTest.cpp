#include "watch/ArmedWatch.h"
#include "watch/CpuQuiet.h"
#include "watch/InputIdle.h"
#include "watch/NetworkQuiet.h"
#include "watch/WatchFields.h"
#include "schedule/EndMode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Hands out `next` as every sample.
template <class Interface, class S>
struct Fake final : Interface {
    S next;
    int taken = 0;
    S Sample() override { return ++taken, next; }
};
using FakeNetwork = Fake<INetworkSampler, NetworkSample>;
using FakeCpu = Fake<ICpuSampler, CpuSample>;
using FakeInput = Fake<IInputSampler, InputSample>;
struct FakeProcess final : IProcessSampler {
    ProcessSample next;
    ProcessSample Sample(std::wstring_view name) override {
        return name == L"render.exe" ? next : ProcessSample{};
    }
};

// Counters that wrap within the first looks.
constexpr std::uint64_t kNearWrap = ~std::uint64_t{0} - 20000;

// A look every 10 s from arming, one letter each: '.' just below the
// threshold, '#' just at it, 'x' a failed sample; for the network 'a' a new
// interface with counters of its own, 'g' its going; for the processor 'i'
// idle time grown past kernel time. The span is one minute.
struct LevelRow {
    const char* script;
    int metAt; // the look that meets it; -1 for none
    std::uint64_t start = 0;
};

void RunLevel(CWatchCondition& condition, int& taken, const LevelRow& row, auto step) {
    int met = -1;
    for (int i = 0; row.script[i] != 0 && met < 0; ++i) {
        step(row.script[i]);
        if (i == 0) {
            condition.Arm(0);
        } else {
            EXPECT_EQ(condition.NextLookMs(), i * 10000LL) << row.script;
            EXPECT_FALSE(condition.Check(i * 10000LL - 1)); // not due: no look
            condition.Check(i * 10000LL);
        }
        EXPECT_EQ(taken, i + 1) << row.script;
        met = condition.IsMet() ? i : -1;
    }
    EXPECT_EQ(met, row.metAt) << row.script;
}

TEST(Watch, NetworkQuietByTheTable) {
    const LevelRow rows[] = {
        {".......", 6},
        {"......", -1},
        {"..#......", 8},
        {"..x.......", 9},
        {".......", 6, kNearWrap - 380000},
        {".a.g...", 6},
        {".a#......", 8},
    };
    for (const LevelRow& row : rows) {
        FakeNetwork fake;
        CNetworkQuiet condition(fake, 50, 1);
        std::uint64_t received = row.start, sent = row.start, other = 1000000000000;
        bool second = false;
        RunLevel(condition, fake.taken, row, [&](char c) {
            second = c == 'a' || (second && c != 'g');
            // '#' on the second interface while there is one: only the sum is at the threshold.
            received += 300000, sent += c == '#' && !second ? 212000 : 211999;
            other += c == '#' && second ? 1 : 0;
            fake.next = {c != 'x', {{7, received, sent}}};
            if (second) {
                fake.next.interfaces.push_back({3, other, 0});
            }
        });
    }
    // After a late look the span's end is still looked at exactly.
    FakeNetwork fake;
    fake.next.ok = true;
    CNetworkQuiet late(fake, 50, 1);
    late.Arm(0), late.Check(55000);
    EXPECT_EQ(late.NextLookMs(), 60000);
    fake.next.ok = false; // and a failed sample starts the span again
    late.Check(60000);
    EXPECT_EQ(late.NextLookMs(), 70000);
}

TEST(Watch, CpuQuietByTheTable) {
    const LevelRow rows[] = {
        {".......", 6},    {"..#......", 8},          {"..x.......", 9},
        {"..i.......", 9}, {".......", 6, kNearWrap},
    };
    for (const LevelRow& row : rows) {
        FakeCpu fake;
        CCpuQuiet condition(fake, 10, 1);
        CpuSample& s = fake.next;
        s = {true, row.start, row.start, row.start};
        RunLevel(condition, fake.taken, row, [&](char c) {
            // 10000 of time, kernel including idle; 999 or 1000 of it busy.
            s.ok = c != 'x';
            s.idle += c == '#' ? 9000 : c == 'i' ? 9600 : 9001, s.kernel += 9500, s.user += 500;
        });
    }
}

TEST(Watch, InputIdleByTheTable) {
    struct Step {
        std::int64_t ms;
        std::uint32_t last, now; // ticks; now 0 for a failed sample, whose ticks mean nothing
        std::int64_t next;       // -1 once met
    };
    const std::vector<Step> rows[] = {
        // Idle for an hour at arming: still the whole span of ten minutes.
        {{0, 1000, 3601000, 600000}, {599999, 1000, 4200999, 600000}, {600000, 1000, 4201000, -1}},
        // Input after arming: what is left of the span from it.
        {{0, 5, 5, 600000}, {600000, 300005, 600005, 900000}, {900000, 300005, 900005, -1}},
        // The tick wraps.
        {{0, 0xFFFFFFF0u, 0xFFFFFFF0u, 600000}, {600000, 0xFFFFFFF0u, 599984, -1}},
        // A failed sample is looked at again after 10 s, and meets nothing.
        {{0, 1, 0, 10000}, {600000, 1, 0, 610000}, {610000, 5, 900005, -1}},
    };
    for (const std::vector<Step>& row : rows) {
        FakeInput fake;
        CInputIdle condition(fake, 10);
        for (const Step& step : row) {
            fake.next = {step.now != 0, step.last, step.now};
            step.ms == 0 ? (void)condition.Arm(0) : (void)condition.Check(step.ms);
            EXPECT_EQ(condition.NextLookMs().value_or(-1), step.next) << step.ms;
            EXPECT_EQ(condition.IsMet(), step.next < 0);
        }
    }
}

TEST(Watch, ProgramExitWaitsForEveryProcessOfTheName) {
    FakeProcess fake;
    FakeNetwork net;
    FakeCpu cpu;
    FakeInput input;
    const WatchSamplers samplers{fake, net, input, cpu};
    auto watch = CArmedWatch::Make({WatchKind::ProgramExit, L"render.exe"}, Shutdown, samplers);
    EXPECT_EQ(watch->Arm(0), WatchArm::CannotMeasure);
    fake.next = {true, {}};
    EXPECT_EQ(watch->Arm(0), WatchArm::NotRunning);
    EXPECT_EQ(watch->RefusalLine(WatchArm::NotRunning), L"render.exe は実行されていません。");
    fake.next = {true, {10, 10}};
    EXPECT_EQ(watch->Arm(0), WatchArm::Armed);
    EXPECT_EQ(watch->MeasureLine(), L"render.exe 実行中 1 個");
    EXPECT_EQ(watch->NextLookMs(), std::nullopt); // only the waits wake it
    // Restarted under the same name before the last one ended.
    fake.next = {true, {11, 12}, true};
    EXPECT_FALSE(watch->Check(5000));
    EXPECT_EQ(watch->NextLookMs(), 15000); // one it could not open
    EXPECT_EQ(watch->MeasureLine(), L"render.exe 実行中 2 個（10 秒ごとに確認）");
    fake.next = {};
    EXPECT_FALSE(watch->Check(15000));
    EXPECT_EQ(watch->TipLine(), L"条件: render.exe の終了後 シャットダウン（測定できません）");
    fake.next = {true, {}};
    EXPECT_TRUE(watch->Check(25000));
    EXPECT_EQ(watch->NextLookMs(), std::nullopt);
}

TEST(Watch, LinesSayWhatTheCheckDoes) {
    FakeProcess process;
    FakeNetwork net;
    FakeCpu cpu;
    FakeInput input;
    const WatchSamplers samplers{process, net, input, cpu};
    EXPECT_EQ(CArmedWatch::Make({WatchKind::CpuQuiet, L"", 91, 5}, Lock, samplers), nullptr);
    EXPECT_EQ(CArmedWatch::Make({WatchKind::InputIdle, L"", 0, 5}, Lock + 1, samplers), nullptr);
    process.next = {true, {4}};
    auto exit = CArmedWatch::Make({WatchKind::ProgramExit, L"render.exe"}, Shutdown, samplers);
    exit->Arm(0);
    EXPECT_EQ(exit->NextDueMark(), L"（条件: render.exe の終了後 シャットダウン）");
    auto quiet = CArmedWatch::Make({WatchKind::NetworkQuiet, L"", 50, 5}, Reboot, samplers);
    net.next = {true, {{1, 0, 0}}};
    quiet->Arm(0);
    EXPECT_EQ(quiet->MeasureLine(), L"通信 測定中、静かになって 0 分 / 5 分");
    for (int i = 1; i <= 19; ++i) {
        net.next.interfaces[0].received += 12 * 10240 + 10239; // 12.99 KB/s
        quiet->Check(i * 10000);
    }
    EXPECT_EQ(quiet->MeasureLine(), L"通信 12 KB/s、静かになって 3 分 / 5 分");
    EXPECT_EQ(quiet->TipLine(), L"条件: 通信 50 KB/s 未満が 5 分続いた後 再起動");
    auto idle = CArmedWatch::Make({WatchKind::InputIdle, L"", 0, 10}, Lock, samplers);
    input.next = {true, 0, 0};
    idle->Arm(0);
    EXPECT_EQ(idle->NextDueMark(), L"（条件: 操作なしが 10 分続いた後 ロック）");
    input.next = {true, 0, 200000};
    idle->Check(200000);
    EXPECT_EQ(idle->MeasureLine(), L"操作なし 3 分 / 10 分");
    auto busy = CArmedWatch::Make({WatchKind::CpuQuiet, L"", 10, 5}, Hibernate, samplers);
    busy->Arm(0);
    EXPECT_EQ(busy->MeasureLine(), L"CPU 測定できません");
    EXPECT_EQ(busy->TipLine(), L"条件: CPU 10 % 未満が 5 分続いた後 休止状態（測定できません）");
}

TEST(Watch, DialogFieldsByTheTable) {
    using enum WatchKind;
    constexpr auto N = WatchField::Name, L = WatchField::Level, M = WatchField::Minutes;
    struct Row {
        WatchKind kind;
        const wchar_t *name, *level, *minutes;
        std::optional<WatchField> refused;
        std::wstring line; // or, when held, the name read
    };
    const std::wstring longName(256, L'a');
    const Row rows[] = {
        {ProgramExit, L" render.exe ", L"x", L"", {}, L"render.exe"},
        {ProgramExit, L"  ", L"", L"", N, L"プログラム名を入力してください。"},
        {ProgramExit, L"C:render.exe", L"", L"", N, L"プログラム名にパスは含められません。"},
        {ProgramExit, longName.c_str(), L"", L"", N, L"プログラム名が長すぎます。"},
        {NetworkQuiet, L"", L"100001", L"0", L, L"KB/s は 1 から 100000 までです。"},
        {NetworkQuiet, L"", L"100000", L"121", M, L"分は 1 から 120 までです。"},
        {InputIdle, L"", L"0", L"0240", {}, L""},
        {InputIdle, L"", L"", L"4294967306", M, L"分は 1 から 240 までです。"},
        {CpuQuiet, L"", L"+5", L" 5", L, L"% は 1 から 90 までです。"},
    };
    for (const Row& row : rows) {
        const WatchFieldReading r = ReadWatchFields(row.kind, row.name, row.level, row.minutes);
        EXPECT_EQ(r.refused, row.refused) << row.level << row.minutes;
        EXPECT_EQ(r.refused ? r.line : r.spec.name, row.line) << row.level << row.minutes;
        EXPECT_EQ(IsValidWatchSpec(r.spec), !row.refused) << row.level << row.minutes;
    }
}

} // namespace
