#include <gtest/gtest.h>

#include "db/values/DateTime.h"

using fo::DateTime;

namespace {

DateTime date(const char* text) { return *DateTime::parse(text); }

TEST(DateTime, ParsesDatesWithOptionalTimesAndShowsTheirTexts) {
    const DateTime d = date("2026-03-07");
    EXPECT_EQ(d.year, 2026);
    EXPECT_EQ(d.month, 3);
    EXPECT_EQ(d.day, 7);
    EXPECT_FALSE(d.hasTime());
    EXPECT_EQ(date("2026-03-07 08:05").dateTimeText(), "2026-03-07 08:05:00");
    EXPECT_EQ(date("2026-03-07 18:05:09").dateTimeText(), "2026-03-07 18:05:09");
    EXPECT_EQ(date("2026-03-07T18:05:09").dateTimeText(), "2026-03-07 18:05:09");
    EXPECT_EQ(date("2026/3/7").dateText(), "2026-03-07");
    EXPECT_EQ(date("2026/3/7 8:05:09").dateTimeText(), "2026-03-07 08:05:09");
    EXPECT_EQ(date("2026-03-07 18:05:09.250").dateTimeText(), "2026-03-07 18:05:09");
    // The default text shows the time only when there is one.
    EXPECT_EQ(date("2026-01-02").defaultText(), "2026-01-02");
    EXPECT_EQ(date("2026-01-02 00:00:01").defaultText(), "2026-01-02 00:00:01");
    EXPECT_EQ(date("2026-01-02").dateTimeText(), "2026-01-02 00:00:00");
    EXPECT_EQ(date("0987-01-02").dateText(), "0987-01-02");
}

TEST(DateTime, RejectsInvalidDatesAndText) {
    for (const char* bad : {"2026-02-30", "2025-02-29", "2026-13-01", "2026-00-10", "2026-04-31", "26-03-07",
                            "2026-03-07x", "2026-03/07", "2026-03-07 24:00:00", "2026-03-07 10:60", "", "abc",
                            "2026-03-07 10", "0000-01-01", "2026-03-07 23:59:60", "2026-03-07 10:00:0x",
                            "2026-03-07 10-00-00", "2026-1a-07", "2026-03-07 1a:00:00"})
        EXPECT_FALSE(DateTime::parse(bad).has_value()) << bad;
    EXPECT_TRUE(DateTime::parse("2024-02-29").has_value());
}

// Every day of two centuries, at a time that walks through the clock, reads
// back from its stored text as itself; and a stored text spoilt in any one
// place is read by the general reader exactly as before (or refused).
TEST(DateTime, StoredTextsReadBackAsThemselves) {
    DateTime t{1900, 1, 1};
    for (int i = 0; i < 73000; ++i, t = t.addDays(1)) {
        t.hour = i % 24, t.minute = (i * 7) % 60, t.second = (i * 13) % 60;
        ASSERT_EQ(DateTime::parse(t.dateTimeText()), t) << t.dateTimeText();
        DateTime day = t;
        day.hour = day.minute = day.second = 0;
        ASSERT_EQ(DateTime::parse(t.dateText()), day) << t.dateText();
    }
    EXPECT_EQ(date("2026-03-07 8:05:09").dateTimeText(), "2026-03-07 08:05:09");
    EXPECT_EQ(date(" 2026-03-07").dateText(), "2026-03-07");
    EXPECT_EQ(date("2026-3-07 18:05:09").dateTimeText(), "2026-03-07 18:05:09");
}

TEST(DateTime, CalendarArithmetic) {
    EXPECT_EQ(date("2026-02-28").addDays(1).dateText(), "2026-03-01");
    EXPECT_EQ(date("2024-02-28").addDays(1).dateText(), "2024-02-29");
    EXPECT_EQ(date("2026-01-01").addDays(-1).dateText(), "2025-12-31");
    EXPECT_EQ(date("2026-03-01").addDays(365).dateText(), "2027-03-01");
    EXPECT_EQ(date("2026-03-01 10:20:30").addDays(2).dateTimeText(), "2026-03-03 10:20:30");
    EXPECT_EQ(date("2024-02-01").daysInMonth(), 29);
    EXPECT_EQ(date("2100-02-01").daysInMonth(), 28);
    EXPECT_EQ(date("2026-04-01").daysInMonth(), 30);
    EXPECT_TRUE(DateTime::isLeapYear(2000));
    EXPECT_FALSE(DateTime::isLeapYear(1900));
    EXPECT_TRUE(DateTime::isLeapYear(2028));
}

TEST(DateTime, TodayIsNowAtMidnight) {
    const DateTime before = DateTime::now();
    const DateTime today = DateTime::today();
    const DateTime after = DateTime::now();
    EXPECT_FALSE(today.hasTime());
    EXPECT_TRUE(today.dateText() == before.dateText() || today.dateText() == after.dateText());
}

}  // namespace
