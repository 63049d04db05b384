#include "schedule/EndMode.h"

namespace {
// CP932 bytes of the names, in mode order.
constexpr const char* kNames[] = {
    "\x83\x56\x83\x83\x83\x62\x83\x67\x83\x5F\x83\x45\x83\x93", // シャットダウン
    "\x8D\xC4\x8B\x4E\x93\xAE",                                 // 再起動
    "\x83\x58\x83\x5E\x83\x93\x83\x6F\x83\x43",                 // スタンバイ
    "\x83\x8D\x83\x4F\x83\x49\x83\x74",                         // ログオフ
    "\x8B\x78\x8E\x7E\x8F\xF3\x91\xD4",                         // 休止状態
    "\x83\x8D\x83\x62\x83\x4E",                                 // ロック
};
} // namespace

std::string EndModeName(std::int32_t mode) {
    if (mode < Shutdown || mode > Lock) {
        return {};
    }
    return kNames[mode];
}
