// Every topic file the installation ships is complete and well formed.

#include <gtest/gtest.h>

#include <set>
#include <tuple>

#include "common/codepage.h"
#include "common/files.h"
#include "tests/support/temporary_folder.h"
#include "transit/interpretation.h"
#include "transit/month_influence.h"
#include "transit/orb.h"

namespace nevalorum {
namespace {

// Text that goes into a page as it is must not open a tag or an entity of its own.
bool IsHtmlReady(const std::string& text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '<' || text[i] == '>') {
            return false;
        }
        if (text[i] == '&') {
            const std::size_t end = text.find(';', i);
            if (end == std::string::npos || end - i > 8) {
                return false;
            }
        }
    }
    return true;
}

TEST(ShippedTopicFiles, CompleteAndWellFormed) {
    for (int topic = 1; topic <= 7; ++topic) {
        const std::string path =
            testing::SourceDataFolder() + "System/" + std::to_string(topic) + ".dat";
        SCOPED_TRACE(path);
        const std::string bytes = ReadWholeFile(path);
        EXPECT_NO_THROW(Cp1251ToUtf8(bytes)) << "not Windows-1251";
        // Every line ends with CR LF.
        for (std::size_t i = bytes.find('\n'); i != std::string::npos;
             i = bytes.find('\n', i + 1)) {
            ASSERT_TRUE(i > 0 && bytes[i - 1] == '\r') << "bare LF at byte " << i;
        }

        const TopicFile file = ParseTopicFile(bytes);
        EXPECT_EQ(file.Entries.size(), 180u);
        std::set<std::tuple<int, int, int>> keys;
        std::set<std::string> texts;
        for (const TopicEntry& entry : file.Entries) {
            ASSERT_FALSE(entry.FieldError) << *entry.FieldError;
            keys.insert({entry.TransitBody, entry.AspectAngle, entry.NatalBody});
            const int code = entry.StrengthCode;
            EXPECT_TRUE((code >= 1 && code <= 5) || (code >= 101 && code <= 105)) << code;
            EXPECT_TRUE(entry.Terminated) << entry.FirstLine;
            EXPECT_TRUE(entry.SingleLineText) << entry.FirstLine;
            EXPECT_FALSE(entry.FirstLine.empty());
            EXPECT_TRUE(IsHtmlReady(entry.FirstLine)) << entry.FirstLine;
            texts.insert(entry.FirstLine);
        }
        EXPECT_EQ(texts.size(), file.Entries.size()) << "two texts alike";
        for (BodyNumber transit : TransitBodies) {
            for (int aspect : AspectAngles) {
                for (BodyNumber natal : NatalBodies) {
                    EXPECT_EQ(keys.count({transit, aspect, natal}), 1u)
                        << transit << " " << aspect << " " << natal;
                }
            }
        }
    }
}

}  // namespace
}  // namespace nevalorum
