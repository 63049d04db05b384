#include "schedule/ScheduleItem.h"

namespace {
// "時刻設定" in CP932.
constexpr char kDefaultName[] = "\x8E\x9E\x8D\x8F\x90\xDD\x92\xE8";
} // namespace

CScheduleItem::CScheduleItem() : name(kDefaultName) {}

CScheduleItem::~CScheduleItem() = default;
