#include "transit/month_influence.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/support/temporary_folder.h"
#include "transit/orb.h"

namespace nevalorum {
namespace {

using testing::SourceDataFolder;
using testing::TemporaryFolder;

// The curve positions from first on, as a list.
std::vector<int> CurveFrom(const std::array<std::int32_t, MonthCurvePositions + 1>& curve,
                           int first, int count) {
    return std::vector<int>(curve.begin() + first, curve.begin() + first + count);
}

TEST(SmoothMonthCurve, SingleHitsAndLengths) {
    struct Case {
        const char* name;
        std::vector<double> dayValues;
        int length;
        int first;                  // first position compared
        std::vector<int> expected;  // from position first on
    };
    std::vector<double> minusOnDay5(31, 0.0);
    minusOnDay5[4] = -2 * 2.2;
    std::vector<double> plusOnDay1(31, 0.0);
    plusOnDay1[0] = 1 * 2.2;
    std::vector<double> lastDay(30, 0.0);
    lastDay[29] = 3 * 2.2;
    const Case cases[] = {
        // Day 1 alone: position 1 on half the scale of the others.
        {"+1 on day 1", plusOnDay1, 96, 1, {3, 5, 4, 2, 0, 0}},
        // Positions 3d - 3 to 3d + 1 of day 5: -2.2, -6.6, -8.8, -6.6, -2.2 rounded up.
        {"-2 on day 5", minusOnDay5, 96, 11, {0, -2, -6, -8, -6, -2, 0}},
        // The last day's tail: 3 x days + 1 is half the value, then zeros, the
        // last position a copy of the one before.
        {"+3 on the last day of 30", lastDay, 93, 87, {4, 10, 14, 10, 4, 0, 0}},
    };
    for (const Case& c : cases) {
        const auto curve = SmoothMonthCurve(c.dayValues, c.length);
        EXPECT_EQ(CurveFrom(curve, c.first, static_cast<int>(c.expected.size())), c.expected)
            << c.name;
        for (int k = c.length + 1; k <= MonthCurvePositions; ++k) {
            ASSERT_EQ(curve[k], 0) << c.name << " position " << k;
        }
    }
}

// Sums that land on a whole number may round either way; compare with a tolerance of one.
TEST(SmoothMonthCurve, RunOfEqualValuesGivesAboutTwiceTheValue) {
    const std::vector<double> values(28, 3 * 2.2);
    const auto curve = SmoothMonthCurve(values, 87);
    for (int k = 2; k <= 83; ++k) {
        EXPECT_NEAR(curve[k], 2 * 3 * 2.2, 1.0) << k;
    }
    EXPECT_EQ(curve[1], 7);
}

class MonthInfluenceTest : public ::testing::Test {
  protected:
    MonthInfluence Compute(const CalendarDate& birth, const CalendarMonth& month,
                           const std::string& topicPath) {
        return ComputeMonthInfluence(birth, month, PlutoSource(SourceDataFolder() + "System/"),
                                     TopicSource(topicPath, topicCache_));
    }
    TopicFileCache topicCache_;
};

TEST_F(MonthInfluenceTest, DaysAndCurveLengthOfEachMonth) {
    struct Case {
        int year, month, days, length;
    };
    const Case cases[] = {{2024, 2, 28, 87},
                          {2025, 2, 28, 87},
                          {2026, 1, 31, 96},
                          {2026, 4, 30, 93},
                          {2026, 12, 31, 96}};
    const std::string topic = SourceDataFolder() + "System/3.dat";
    for (const Case& c : cases) {
        const MonthInfluence month = Compute({.Day = 15, .Month = 6, .Year = 1980},
                                             {.Year = c.year, .Month = c.month}, topic);
        EXPECT_EQ(static_cast<int>(month.Days.size()), c.days) << c.month;
        EXPECT_EQ(month.MonthCurveLength, c.length) << c.month;
        EXPECT_EQ(month.Days.back().Moment - month.Days.front().Moment, c.days - 1.0);
        EXPECT_EQ(month.Days.front().Moment, NoonOf({.Day = 1, .Month = c.month, .Year = c.year}));
        for (int k = c.length + 1; k <= MonthCurvePositions; ++k) {
            ASSERT_EQ(month.MonthCurve[k], 0) << c.month << " position " << k;
        }
    }
}

// Around the birthday the transit Sun stands on the natal Sun; the pair is
// scored like any other, with the strength the topic file gives it.
TEST_F(MonthInfluenceTest, BirthdaySunConjunctionIsScored) {
    TemporaryFolder folder;
    const std::string topic = folder.Write("3.dat", "*   1   0   1   4\r\nBirthday@\r\n");
    const MonthInfluence month =
        Compute({.Day = 15, .Month = 6, .Year = 1980}, {.Year = 2026, .Month = 6}, topic);
    const DayInfluence& birthday = month.Days[14];
    ASSERT_FALSE(birthday.Hits.empty());
    const std::string paragraph = std::string(BulletTags[4]) + "Birthday<br>";
    EXPECT_EQ(birthday.Hits.front(),
              (AspectHit{.TransitBody = Sun,
                         .Aspect = 0,
                         .NatalBody = Sun,
                         .Reading = {.Paragraph = paragraph, .Strength = 4}}));
    // Only the Sun's conjunction has an entry: every other hit scores 0.
    for (const DayInfluence& day : month.Days) {
        int conjunctions = 0;
        for (const AspectHit& hit : day.Hits) {
            const bool sunOnSun = hit.TransitBody == Sun && hit.NatalBody == Sun && hit.Aspect == 0;
            conjunctions += sunOnSun;
            EXPECT_EQ(hit.Reading.Strength, sunOnSun ? 4 : 0);
        }
        EXPECT_DOUBLE_EQ(day.Value, conjunctions * 4 * 2.2) << day.Day;
    }
    EXPECT_EQ(month.Days[0].Value, 0.0);
    EXPECT_GT(month.MonthCurve[3 * 15 - 1], 0);
}

// Every hit carries the entry of its three keys, found once for the day's score
// and the page's paragraph, and lies within the orb of its aspect.
TEST_F(MonthInfluenceTest, HitsCarryTheirEntries) {
    const std::string path = SourceDataFolder() + "System/1.dat";
    const MonthInfluence month =
        Compute({.Day = 3, .Month = 11, .Year = 1975}, {.Year = 2027, .Month = 3}, path);
    const TopicSource topic(path, topicCache_);
    int hits = 0;
    for (const DayInfluence& day : month.Days) {
        std::int64_t sum = 0;
        for (const AspectHit& hit : day.Hits) {
            EXPECT_EQ(hit.Reading, topic.Lookup(hit.TransitBody, hit.Aspect, hit.NatalBody));
            EXPECT_NE(hit.Reading.Strength, 0);  // the shipped file is complete
            double separation = std::fabs(day.TransitLongitudes[hit.TransitBody] -
                                          month.NatalLongitudes[hit.NatalBody]);
            separation = std::min(separation, 360 - separation);
            EXPECT_LE(std::fabs(separation - hit.Aspect), AspectOrb) << day.Day;
            sum += hit.Reading.Strength;
        }
        EXPECT_DOUBLE_EQ(day.Value, static_cast<double>(sum) * 2.2) << day.Day;
        hits += static_cast<int>(day.Hits.size());
    }
    EXPECT_GT(hits, 20);
}

TEST_F(MonthInfluenceTest, TopicFileWithoutEntriesLeavesTheCurveFlat) {
    TemporaryFolder folder;
    const MonthInfluence month = Compute({.Day = 1, .Month = 1, .Year = 1990},
                                         {.Year = 2026, .Month = 7}, folder.Write("3.dat", ""));
    for (int k = 1; k <= MonthCurvePositions; ++k) {
        ASSERT_EQ(month.MonthCurve[k], 0) << k;
    }
    for (const DayInfluence& day : month.Days) {
        EXPECT_EQ(day.Value, 0.0);
    }
}

TEST_F(MonthInfluenceTest, NatalPositionsAreThoseOfNoonOfTheBirthDate) {
    const MonthInfluence month =
        Compute({.Day = 5, .Month = 3, .Year = 1970}, {.Year = 2009, .Month = 1},
                SourceDataFolder() + "System/3.dat");
    const BodyLongitudes expected =
        ComputeLongitudes(NoonOf({.Day = 5, .Month = 3, .Year = 1970}), ComputedBodies,
                          PlutoSource(SourceDataFolder() + "System/"));
    EXPECT_EQ(month.NatalLongitudes, expected);
    EXPECT_EQ(month.NatalLongitudes[Moon], 0.0);
}

}  // namespace
}  // namespace nevalorum
