#include "report/name_tables.h"

#include <gtest/gtest.h>

namespace nevalorum {
namespace {

// The page heading relies on the blanks around the titles.
TEST(TopicTitles, BlanksSeparateTitlesFromNeighbouringWords) {
    for (int topic = 1; topic <= 7; ++topic) {
        const std::string_view title = TopicTitles[topic];
        EXPECT_EQ(title.back(), ' ') << topic;
        EXPECT_EQ(title.front() == ' ', topic != 2) << topic;
        // The window's title is the page title without its blanks.
        const std::size_t first = title.find_first_not_of(' ');
        const std::size_t last = title.find_last_not_of(' ');
        EXPECT_EQ(title.substr(first, last - first + 1), WindowTopicTitles[topic]);
    }
}

}  // namespace
}  // namespace nevalorum
