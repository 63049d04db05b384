#include "schedule/ScheduleList.h"

#include <gtest/gtest.h>

TEST(ScheduleItem, DefaultsAreTheNewEntry) {
    CScheduleItem item;
    EXPECT_EQ(item.name, "\x8E\x9E\x8D\x8F\x90\xDD\x92\xE8"); // 時刻設定
    EXPECT_EQ(item.time_mode, 0);
    EXPECT_EQ(item.year + item.month + item.day + item.week, 0);
    EXPECT_EQ(item.hour + item.minute + item.second + item.sd_mode, 0);
}

TEST(ScheduleList, HoldsCopiesAndKeepsOrder) {
    ScheduleList list;
    CScheduleItem a;
    a.name = "a";
    list.AddTail(a);
    a.name = "b";
    list.AddTail(a);
    a.name = "changed";
    ASSERT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.GetAt(0).name, "a");
    EXPECT_EQ(list.GetAt(1).name, "b");

    // Neighbours trade places by content, as the move command does it.
    CScheduleItem first = list.GetAt(0), second = list.GetAt(1);
    list.SetAt(0, second);
    list.SetAt(1, first);
    EXPECT_EQ(list.GetAt(0).name, "b");
    EXPECT_EQ(list.GetAt(1).name, "a");

    list.RemoveAt(0);
    ASSERT_EQ(list.GetCount(), 1);
    EXPECT_EQ(list.GetAt(0).name, "a");
    list.RemoveAll();
    EXPECT_EQ(list.GetCount(), 0);
}
