#include "record/EventRecord.h"
#include "record/RecordFile.h"
#include "record/RecordWriter.h"
#include "schedule/EndMode.h"

#include "../schedule/FakeLocalTime.h"
#include "../settings/FaultFileOps.h"
#include "../settings/MemoryFileOps.h"
#include "../settings/TempDir.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace {

const std::string kPath = "Quillaberton.log";
const std::string kMark = "\xEF\xBB\xBF";
const std::string kYakan = "\x96\xE9\x8A\xD4"; // 夜間 in CP932
constexpr std::int64_t kNow = 1796824815;      // 2026-12-09 14:00:15 UTC

// The CP932 texts the tests use, converted wherever they stand.
std::string ToUtf8(std::string_view cp932) {
    std::string text(cp932);
    for (const auto& [from, to] : {std::pair{kYakan, std::string("夜間")},
                                   {EndModeName(Shutdown), "シャットダウン"},
                                   {EndModeName(Reboot), "再起動"}}) {
        for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
            text.replace(at, from.size(), to);
        }
    }
    return text;
}

struct Fixture {
    explicit Fixture(IFileOps& ops, std::int64_t offset = 9 * 3600, std::uint64_t cap = 1 << 20)
        : zone(offset), file(kPath, ops, cap), record(
                                                   file, [] { return kNow; }, zone, ToUtf8) {}
    FakeLocalTime zone;
    CRecordFile file;
    CEventRecord record;
};

TEST(EventRecord, WritesEachEventAsOneLine) {
    const ClockReading due{2026, 12, 9, 3, 23, 1, 0};
    const std::string at = "2026-12-09 23:00:15 +09:00 ";
    const std::pair<std::function<void(CEventRecord&)>, std::string> rows[] = {
        {[](auto& r) { r.Started("C:\\q\\Quillaberton.dat", LoadStatus{LoadStatus::File::Read}); },
         "起動 設定ファイル C:\\q\\Quillaberton.dat（読み込み）"},
        {[](auto& r) {
             r.Started("a.dat", LoadStatus{LoadStatus::File::Read, 0, 2});
         },
         "起動 設定ファイル a.dat（読み込み、壊れた項目 2 件、ファイルは元のまま）"},
        {[](auto& r) { r.Ended(CEventRecord::EndReason::SessionEnd); }, "終了 Windows の終了"},
        {[&](auto& r) { r.WarningShown(kYakan, Shutdown, due); },
         "警告を表示 「夜間」 シャットダウン 予定 2026-12-09 23:01:00"},
        {[&](auto& r) { r.WarningShown(std::nullopt, Reboot, due); },
         "警告を表示 （タイマー） 再起動 予定 2026-12-09 23:01:00"},
        {[](auto& r) { r.WarningAnswered(CEventRecord::Answer::Postpone, 10); },
         "警告に応答 延期 10 分"},
        {[](auto& r) { r.WarningWithdrawn(CEventRecord::Withdrawal::CommandCancel); },
         "警告を取り下げ コマンドからのキャンセル"},
        {[](auto& r) { r.ActionFailed(Reboot, 5, L"アクセスが拒否されました。\r\n"); },
         "動作の結果 再起動 失敗（エラー 5: アクセスが拒否されました。）"},
        {[&](auto& r) { r.OccurrenceSkipped(CEventRecord::Who::Tray, kYakan, Shutdown, due); },
         "予定をスキップ 「夜間」 シャットダウン 予定 2026-12-09 23:01:00 トレイから"},
        {[&](auto& r) { r.QuickTimerAdded(CEventRecord::Who::Command, 30, Reboot, due); },
         "タイマーを設定 30 分後 再起動 予定 2026-12-09 23:01:00 コマンドから"},
        {[](auto& r) {
             r.SaveFailed({false, 112, SaveLeft::NewInTemporary, "a.dat.tmp"}, L"", "a.dat");
         },
         "保存に失敗 a.dat（エラー 112） 一覧は a.dat.tmp に"},
        {[](auto& r) { r.ListChanged(CEventRecord::Change::Moved, kYakan); },
         "一覧を変更 移動 「夜間」"},
        {[](auto& r) {
             r.Started("a.dat", LoadStatus{LoadStatus::File::Unreadable, 32});
         },
         "起動 設定ファイル a.dat（読めない（エラー 32））"},
        {[](auto& r) { r.WarningAnswered(CEventRecord::Answer::TimeOut); }, "警告に応答 時間切れ"},
        {[](auto& r) { r.ActionDone(Reboot); }, "動作の結果 再起動 完了"},
        {[&](auto& r) { r.OccurrenceDropped(kYakan, Shutdown, due); },
         "予定を見送り 「夜間」 シャットダウン 予定 2026-12-09 23:01:00 スリープ中に過ぎたため"},
        {[&](auto& r) { r.OccurrenceHeld(std::nullopt, Reboot, due); },
         "予定を保留 （タイマー） 再起動 予定 2026-12-09 23:01:00 使用中のため"},
        {[](auto& r) { r.HoldEnded(kYakan, Shutdown, CEventRecord::HoldEnd::TimeLimit); },
         "保留を終了 「夜間」 シャットダウン 保留の上限のため"},
        {[](auto& r) { r.HoldEnded(kYakan, Shutdown, CEventRecord::HoldEnd::EntryChanged); },
         "保留を終了 「夜間」 シャットダウン 項目が変更または削除されたため"},
        {[](auto& r) { r.QuickTimerCancelled(CEventRecord::Who::Tray); },
         "タイマーを取り消し トレイから"},
        {[](auto& r) { r.ConditionEnded(CEventRecord::ConditionEnd::Met, "a.exe"); },
         "条件を満たした a.exe"},
        {[](auto& r) { r.ConditionEnded(CEventRecord::ConditionEnd::Sleep, "a.exe"); },
         "条件をスリープで終了 a.exe"},
        {[&](auto& r) { r.WokeByTimer(kYakan, due); },
         "ウェイクタイマーで復帰 「夜間」 予定 2026-12-09 23:01:00"},
    };
    for (const auto& [call, text] : rows) {
        MemoryFileOps ops;
        Fixture f(ops);
        std::string heard;
        f.record.SetListener([&](const std::string& line) { heard = line; });
        call(f.record);
        EXPECT_EQ(ops.files[kPath], kMark + at + text + "\r\n");
        EXPECT_EQ(heard, at + text);
    }
}

TEST(EventRecord, StampCarriesTheOffsetFromUtc) {
    const std::pair<std::int64_t, std::string> rows[] = {
        {9 * 3600, "2026-12-09 23:00:15 +09:00"},
        {-5 * 3600, "2026-12-09 09:00:15 -05:00"},
        {-(3 * 3600 + 30 * 60), "2026-12-09 10:30:15 -03:30"},
        {5 * 3600 + 45 * 60, "2026-12-09 19:45:15 +05:45"},
    };
    MemoryFileOps ops;
    for (const auto& [offset, stamp] : rows) {
        EXPECT_EQ(Fixture(ops, offset).record.Stamp(kNow), stamp);
    }
}

// Lines of 10 bytes with their line ends; the cap is 64 bytes.
TEST(RecordFile, DropsTheOlderHalfAtWholeLines) {
    const std::string l = "line \xE5\xA4\x9C\xE9"; // ends inside a UTF-8 character
    const std::string old5 =
        kMark + "1" + l + "\r\n2" + l + "\r\n3" + l + "\r\n4" + l + "\r\n5" + l + "\r\n";
    const std::tuple<std::string, std::string, std::string> rows[] = {
        {"", "new", kMark + "new\r\n"},
        {kMark + "a\r\n", "new", kMark + "a\r\nnew\r\n"},
        // 3 + 5 * 12 + 5 > 64: the newest 32 bytes start inside line 3.
        {old5, "new", kMark + "4" + l + "\r\n5" + l + "\r\nnew\r\n"},
        // A piece that a failed write left ends its own line.
        {old5 + "6piece", "new", kMark + "4" + l + "\r\n5" + l + "\r\n6piece\r\nnew\r\n"},
    };
    for (const auto& [before, line, after] : rows) {
        MemoryFileOps ops;
        ops.files[kPath] = before;
        CRecordFile file(kPath, ops, 64);
        EXPECT_TRUE(file.Append(line));
        EXPECT_EQ(ops.files[kPath], after);
        EXPECT_FALSE(ops.files.contains(TempPathFor(kPath)));
    }
}

TEST(RecordFile, FailedWriteIsToldOnceAndChangesNothingElse) {
    for (FileStep step : {FileStep::OpenAppend, FileStep::Write, FileStep::OpenRead,
                          FileStep::OpenTemp, FileStep::Flush, FileStep::Replace}) {
        const bool drop = step != FileStep::OpenAppend && step != FileStep::Write;
        TempDir dir;
        const std::string path = dir.Path(kPath);
        CStdFileOps real;
        CRecordFile(path, real).Append(std::string(60, 'x'));
        FaultFileOps ops;
        ops.faultStep = step;
        ops.faultOn = 1;
        ops.faultTimes = 3;
        CRecordFile file(path, ops, drop ? 64 : 1 << 20);
        int told = 0;
        for (int i = 0; i < 3; ++i) {
            EXPECT_FALSE(file.Append("y")) << int(step);
            told += file.TakeFailureToTell() ? 1 : 0;
        }
        EXPECT_EQ(told, 1) << int(step);
        EXPECT_EQ(file.Failure(), FaultError(step)) << int(step);
        EXPECT_EQ(dir.Names(), std::set<std::string>{kPath}) << int(step);
        EXPECT_EQ(CRecordFile(path, ops).LastLines(5),
                  std::vector<std::string>{std::string(60, 'x')});
    }
}

// A write cut short leaves a piece of a line; the next line starts its own.
TEST(RecordFile, LineAfterAWriteCutShortStartsItsOwnLine) {
    MemoryFileOps ops;
    ops.files[kPath] = kMark + "a\r\n";
    ops.failWriteAfter = 2;
    CRecordFile file(kPath, ops);
    EXPECT_FALSE(file.Append("bcd"));
    ops.failWriteAfter = std::string::npos;
    EXPECT_TRUE(file.Append("e"));
    EXPECT_EQ(ops.files[kPath], kMark + "a\r\nbc\r\ne\r\n");
}

TEST(RecordFile, OffWritesNothingAndJapaneseNamesComeBack) {
    MemoryFileOps ops;
    Fixture f(ops, 9 * 3600, 200);
    CRecordWriter writer(f.file); // in order, on a thread of its own
    f.record.SetWriter([&](std::string line) { writer.Post(std::move(line)); });
    for (int i = 0; i < 8; ++i) {
        f.record.ListChanged(CEventRecord::Change::Added, kYakan + std::to_string(i));
    }
    writer.Drain();
    const std::string kept = ops.files[kPath];
    EXPECT_FALSE(writer.Failed());
    ops.failWriteAfter = 0;
    f.record.ListChanged(CEventRecord::Change::Edited, kYakan);
    writer.Drain();
    EXPECT_TRUE(writer.Failed());
    ops.failWriteAfter = std::string::npos;
    f.file.SetEnabled(false);
    f.record.ListChanged(CEventRecord::Change::Deleted, kYakan);
    EXPECT_FALSE(f.file.Append("x"));
    EXPECT_EQ(ops.files[kPath], kept);
    const std::vector<std::string> lines = f.file.LastLines(2);
    EXPECT_EQ(lines,
              (std::vector<std::string>{"2026-12-09 23:00:15 +09:00 一覧を変更 追加 「夜間6」",
                                        "2026-12-09 23:00:15 +09:00 一覧を変更 追加 「夜間7」"}));
    EXPECT_LT(kept.size(), 200u);
    EXPECT_TRUE(kept.starts_with(kMark + "2026-12-09"));
}

} // namespace
