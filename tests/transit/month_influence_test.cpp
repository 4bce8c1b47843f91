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
    MonthInfluence Compute(int birthYear, int birthMonth, int birthDay, int year, int month,
                           const std::string& topicPath) {
        return ComputeMonthInfluence(birthYear, birthMonth, birthDay, year, month,
                                     PlutoSource(SourceDataFolder() + "System/", plutoCache_),
                                     TopicSource(topicPath, topicCache_));
    }
    PlutoTableCache plutoCache_;
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
        const MonthInfluence month = Compute(1980, 6, 15, c.year, c.month, topic);
        EXPECT_EQ(static_cast<int>(month.Days.size()), c.days) << c.month;
        EXPECT_EQ(month.MonthCurveLength, c.length) << c.month;
        EXPECT_EQ(month.Days.back().Moment - month.Days.front().Moment, c.days - 1.0);
        EXPECT_EQ(month.Days.front().Moment, CalendarToEphemerisDay(1, c.month, c.year, 12, 0, 0));
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
    const MonthInfluence month = Compute(1980, 6, 15, 2026, 6, topic);
    const DayInfluence& birthday = month.Days[14];
    ASSERT_FALSE(birthday.Hits.empty());
    EXPECT_EQ(birthday.Hits.front(), (AspectHit{Sun, 0, Sun, 4}));
    // Only the Sun's conjunction has an entry: every other hit scores 0.
    for (const DayInfluence& day : month.Days) {
        int conjunctions = 0;
        for (const AspectHit& hit : day.Hits) {
            const bool sunOnSun = hit.TransitBody == Sun && hit.NatalBody == Sun && hit.Aspect == 0;
            conjunctions += sunOnSun;
            EXPECT_EQ(hit.Strength, sunOnSun ? 4 : 0);
        }
        EXPECT_DOUBLE_EQ(day.Value, conjunctions * 4 * 2.2) << day.Day;
    }
    EXPECT_EQ(month.Days[0].Value, 0.0);
    EXPECT_GT(month.MonthCurve[3 * 15 - 1], 0);
}

// Every hit lies within the orb of its aspect, and every pair within the orb is a hit.
TEST_F(MonthInfluenceTest, HitsAreThePairsWithinTheOrb) {
    const MonthInfluence month = Compute(1975, 11, 3, 2027, 3, SourceDataFolder() + "System/1.dat");
    int hits = 0;
    for (const DayInfluence& day : month.Days) {
        std::size_t next = 0;
        for (BodyNumber transit : TransitBodies) {
            for (BodyNumber natal : NatalBodies) {
                double separation =
                    std::fabs(day.TransitLongitudes[transit] - month.NatalLongitudes[natal]);
                separation = std::min(separation, 360 - separation);
                for (int aspect : AspectAngles) {
                    if (std::fabs(separation - aspect) <= AspectOrb) {
                        ASSERT_LT(next, day.Hits.size()) << day.Day;
                        EXPECT_EQ(day.Hits[next].TransitBody, transit);
                        EXPECT_EQ(day.Hits[next].NatalBody, natal);
                        EXPECT_EQ(day.Hits[next].Aspect, aspect);
                        EXPECT_NE(day.Hits[next].Strength, 0);  // the shipped file is complete
                        ++next;
                    }
                }
            }
        }
        EXPECT_EQ(next, day.Hits.size()) << day.Day;
        hits += static_cast<int>(next);
    }
    EXPECT_GT(hits, 20);
}

TEST_F(MonthInfluenceTest, MissingTopicFileLeavesTheCurveFlat) {
    TemporaryFolder folder;
    const MonthInfluence month = Compute(1990, 1, 1, 2026, 7, folder.Path() + "3.dat");
    for (int k = 1; k <= MonthCurvePositions; ++k) {
        ASSERT_EQ(month.MonthCurve[k], 0) << k;
    }
    for (const DayInfluence& day : month.Days) {
        EXPECT_EQ(day.Value, 0.0);
    }
}

TEST_F(MonthInfluenceTest, NatalPositionsAreThoseOfNoonOfTheBirthDate) {
    const MonthInfluence month = Compute(1970, 3, 5, 2009, 1, SourceDataFolder() + "System/3.dat");
    PlutoTableCache cache;
    const BodyLongitudes expected =
        ComputeLongitudes(CalendarToEphemerisDay(5, 3, 1970, 12, 0, 0), ComputedBodies,
                          PlutoSource(SourceDataFolder() + "System/", cache));
    EXPECT_EQ(month.NatalLongitudes, expected);
    EXPECT_EQ(month.NatalLongitudes[Moon], 0.0);
}

}  // namespace
}  // namespace nevalorum
