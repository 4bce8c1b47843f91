#include "ephemeris/pluto_table.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "common/errors.h"
#include "tests/support/temporary_folder.h"

namespace nevalorum {
namespace {

namespace fs = std::filesystem;

// A folder of its own for each test, removed afterwards.
class PlutoTableFile : public ::testing::Test {
  protected:
    void Write(const std::string& text) { folder_.Write("pluto.sys", text); }
    std::string Folder() const { return folder_.Path(); }
    std::string Path() const { return folder_.Path() + "pluto.sys"; }

    // The longitude as a computation reads it: the table read once, then looked up.
    double PlutoLongitude(EphemerisDay moment) { return PlutoSource(Folder()).Longitude(moment); }

    testing::TemporaryFolder folder_;
};

TEST_F(PlutoTableFile, ReadsTheLineOfTheDay) {
    Write("250\r\n12\r\n-1\r\n\r\n\r\n  7 trailing words\r\n\t360\r\n359\n42");
    struct Case {
        double moment;
        double expected;
    };
    const Case cases[] = {
        {1.0, 250.0045}, {1.7, 250.0045}, {2.0, 12.0045}, {3.0, 359.0045},  // -1 wraps below zero
        {4.0, 7.0045},                    // empty lines are no records
        {5.0, 0.0045},                    // 360 wraps to 0
        {6.0, 359.0045}, {7.0, 42.0045},  // bare LF ends a line too; last line unterminated
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(PlutoLongitude(c.moment), c.expected, 1e-9) << c.moment;
        // Read only as far as the day, only the day kept.
        EXPECT_NEAR(PlutoSource(Folder(), c.moment, c.moment).Longitude(c.moment), c.expected, 1e-9)
            << c.moment;
    }
    // Read as far as a day, the earlier days are there too.
    const PlutoSource pluto(Folder(), 7.0);
    for (auto c = std::rbegin(cases); c != std::rend(cases); ++c) {
        EXPECT_NEAR(pluto.Longitude(c->moment), c->expected, 1e-9) << c->moment;
    }
    EXPECT_THROW(pluto.Longitude(8.0), std::logic_error);
    EXPECT_THROW(PlutoSource(Folder(), 5.0, 4.0).Longitude(3.0), std::logic_error);
}

// A table longer than one piece of reading: records cut at a piece's end,
// a CR LF split between two pieces, a line longer than a piece.
TEST_F(PlutoTableFile, PiecesOfReadingJoinUp) {
    for (std::size_t shift = 0; shift < 5; ++shift) {
        for (const std::size_t longLine : {std::size_t{0}, std::size_t{200000}}) {
            std::string text = "0" + std::string(shift + longLine, ' ') + "\r\n";
            const std::size_t days = 30000;
            for (std::size_t day = 2; day <= days; ++day) {
                text += std::to_string(day % 360) + "\r\n";
            }
            Write(text);
            const PlutoSource whole(Folder());
            for (std::size_t day = 1; day <= days; ++day) {
                const double moment = static_cast<double>(day) + 0.5;
                const double expected = static_cast<double>(day == 1 ? 0 : day % 360) + 0.0045;
                ASSERT_NEAR(whole.Longitude(moment), expected, 1e-9) << shift << " " << day;
                if (day % 997 == 0) {
                    EXPECT_NEAR(PlutoSource(Folder(), moment, moment).Longitude(moment), expected,
                                1e-9)
                        << shift << " " << day;
                }
            }
            EXPECT_THROW(whole.Longitude(days + 1.0), InputOutputError);
        }
    }
}

TEST_F(PlutoTableFile, DaysOutsideTheTableAreErrors) {
    Write("1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10\r\n");
    const std::string path = Folder() + "pluto.sys";
    struct Case {
        double moment;
        std::string message;
    };
    const Case cases[] = {
        {11.0, "Pluto table " + path + " has no day 11"},
        {80000.5, "Pluto table " + path + " has no day 80000"},
        {0.5, "Pluto table " + path + " has no day 0"},
        {-0.5, "Pluto table " + path + " has no day 0"},
        {-3.0, "Pluto table " + path + " has no day -3"},
    };
    for (const Case& c : cases) {
        try {
            PlutoLongitude(c.moment);
            ADD_FAILURE() << "no error for " << c.moment;
        } catch (const InputOutputError& error) {
            EXPECT_EQ(error.what(), c.message);
        }
    }
    EXPECT_NEAR(PlutoLongitude(10.99), 10.0045, 1e-9);
}

// A record that is no integer stops the table there: the days before it are
// read as usual, the days from it on raise the invalid-number error.
TEST_F(PlutoTableFile, RecordThatIsNoIntegerIsAnError) {
    for (const std::string bad : {"1.5", "abc", "12x", "99999999999", "+-3"}) {
        Write("100\r\n101\r\n" + bad + "\r\n103\r\n");
        EXPECT_NEAR(PlutoLongitude(2.0), 101.0045, 1e-9) << bad;
        for (double moment : {3.0, 4.0, 9.0}) {
            try {
                PlutoSource(Folder(), moment, moment).Longitude(moment);
                ADD_FAILURE() << "no error for " << bad;
            } catch (const InputOutputError& error) {
                EXPECT_NE(std::string(error.what()).find("Invalid numeric format"),
                          std::string::npos)
                    << error.what();
                EXPECT_NE(std::string(error.what()).find("'" + bad + "'"), std::string::npos);
            }
        }
    }
}

// Each record as ParseInteger reads it: sign, leading zeros, the limits of a
// 32-bit integer, and what follows the number on its line.
TEST(ParsePlutoTable, RecordsAsIntegersReadThem) {
    struct Case {
        std::string text;
        std::vector<std::int32_t> degrees;
        std::optional<std::string> invalid;
    };
    const Case cases[] = {
        {"", {}, std::nullopt},
        {"\r\n \t\r\n", {}, std::nullopt},
        {"5", {5}, std::nullopt},
        {"5\r", {5}, std::nullopt},
        {"1\r2\r\r3\n\n4\r\n\r\n5\n", {1, 2, 3, 4, 5}, std::nullopt},
        {"123456789\r\n1234567890\n0000000007\r\n", {123456789, 1234567890, 7}, std::nullopt},
        {"+5\r\n-0\r\n007\r\n-12\n", {5, 0, 7, -12}, std::nullopt},
        {"00000000000000042\r\n1", {42, 1}, std::nullopt},
        {"2147483647\r\n-2147483648", {2147483647, INT32_MIN}, std::nullopt},
        {"1\r\n2147483648\r\n3", {1}, "2147483648"},
        {"1\r\n9999999999\r\n", {1}, "9999999999"},
        {"1\r\n-2147483649\r\n", {1}, "-2147483649"},
        {"7 rest\tof the line 8\r\n9\tx\r\n", {7, 9}, std::nullopt},
        {"1\r\n12x\r\n3", {1}, "12x"},
        {"1\r\n-\r\n3", {1}, "-"},
        {"1\r\n+\r\n", {1}, "+"},
        {"1\r\n" + std::string(40, '0') + "\r\n", {1}, std::string(40, '0')},
    };
    for (const Case& c : cases) {
        const PlutoTable table = ParsePlutoTable(c.text);
        EXPECT_EQ(table.Degrees, c.degrees) << c.text;
        EXPECT_EQ(table.InvalidRecord, c.invalid) << c.text;
    }
}

TEST_F(PlutoTableFile, MissingFileIsAnError) {
    EXPECT_THROW(PlutoLongitude(1.0), InputOutputError);
}

// Each source reads the file as it is when it is made, and goes on with it.
TEST_F(PlutoTableFile, SourceKeepsTheVersionItRead) {
    Write("10\r\n20\r\n");
    const PlutoSource before(Folder());
    Write("10\r\n30\r\n40\r\n");
    EXPECT_NEAR(PlutoLongitude(2.0), 30.0045, 1e-9);
    EXPECT_NEAR(PlutoLongitude(3.0), 40.0045, 1e-9);
    EXPECT_NEAR(before.Longitude(2.0), 20.0045, 1e-9);
    EXPECT_THROW(before.Longitude(3.0), InputOutputError);
    fs::remove(Path());
    EXPECT_THROW(PlutoLongitude(2.0), InputOutputError);
}

}  // namespace
}  // namespace nevalorum
