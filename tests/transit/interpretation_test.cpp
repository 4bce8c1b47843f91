#include "transit/interpretation.h"

#include <gtest/gtest.h>

#include "common/errors.h"
#include "tests/support/temporary_folder.h"

namespace nevalorum {
namespace {

using testing::TemporaryFolder;

// One aspect's interpretation as a computation finds it.
Interpretation LookupInterpretation(const std::string& path, std::int32_t transitBody,
                                    std::int32_t aspectAngle, std::int32_t natalBody,
                                    TopicFileCache& cache) {
    return TopicSource(path, cache).Lookup(transitBody, aspectAngle, natalBody);
}

const std::string Blue2 = "<p><img border=\"0\" src=\"b_blu2.gif\" >";
const std::string Red3 = "<p><img border=\"0\" src=\"b_red3.gif\">";

TEST(LookupInterpretation, EntriesAndTheirParagraphs) {
    struct Case {
        const char* name;
        std::string file;
        int transit, aspect, natal;
        Interpretation expected;
    };
    const Case cases[] = {
        {"red bullet, text ends at @ on its line",
         "*   1  90   4 103\r\nX@\r\n",
         1,
         90,
         4,
         {Red3 + "X<br>", -3}},
        {"blue bullet",
         "*   3  60   5   2\r\nGood day@\r\n",
         3,
         60,
         5,
         {Blue2 + "Good day<br>", 2}},
        {"only the first line of the text",
         "*   1   0   1   5\r\nfirst\r\nsecond\r\n@\r\n",
         1,
         0,
         1,
         {std::string(BulletTags[5]) + "first<br>", 5}},
        {"bare LF ends lines too",
         "*   1   0   1 105\nfirst\nsecond@",
         1,
         0,
         1,
         {std::string(BulletTags[10]) + "first<br>", -5}},
        {"@ at the start of the next line: empty text",
         "*   1   0   1   1\r\n@\r\n",
         1,
         0,
         1,
         {std::string(BulletTags[1]) + "<br>", 1}},
        {"code 0: bare text", "*   1   0   1   0\r\nplain@\r\n", 1, 0, 1, {"plain", 0}},
        {"code outside the table: its own value",
         "*   1   0   1  42\r\nplain@",
         1,
         0,
         1,
         {"plain", 42}},
        {"code 106 is not a red code", "*   1   0   1 106\r\nplain@", 1, 0, 1, {"plain", 106}},
        {"negative code",
         "*   1   0   1  -2\r\nplain@",
         1,
         0,
         1,
         {"<p><img border=\"0\" src=\"b_red2.gif\">plain<br>", -2}},
        {"the first of two entries with the same keys wins",
         "*   1   0   1   1\r\nfirst@\r\n*   1   0   1   2\r\nsecond@\r\n",
         1,
         0,
         1,
         {std::string(BulletTags[1]) + "first<br>", 1}},
        {"leading zeros",
         "* 001 060 003 004\r\nzeros@",
         1,
         60,
         3,
         {std::string(BulletTags[4]) + "zeros<br>", 4}},
        {"leading blanks",
         "*   1  60   3   4\r\nblanks@",
         1,
         60,
         3,
         {std::string(BulletTags[4]) + "blanks<br>", 4}},
        {"the marker's neighbour is ignored",
         "*x  1x 60x  3x  4 tail\r\nany@",
         1,
         60,
         3,
         {std::string(BulletTags[4]) + "any<br>", 4}},
        {"other lines between entries are skipped",
         "comment\r\n\r\n*   4 180  10 101\r\ntext@ after\r\n# more\r\n",
         4,
         180,
         10,
         {std::string(BulletTags[6]) + "text<br>", -1}},
        {"a header is a line, wherever an entry's text stands",
         "*   1   0   1   1\r\nA\r\n*   3   0   1   2\r\nB@\r\n",
         3,
         0,
         1,
         {std::string(BulletTags[2]) + "B<br>", 2}},
        {"text without @ ends at the end of the file",
         "*   1   0   1   3\r\nlast words",
         1,
         0,
         1,
         {std::string(BulletTags[3]) + "last words<br>", 3}},
        {"header on the last line: empty text",
         "*   1   0   1   3",
         1,
         0,
         1,
         {std::string(BulletTags[3]) + "<br>", 3}},
        {"header without line break before the text is none",
         "*   1   0   1   3@x\r\nY@",
         1,
         0,
         1,
         {std::string(BulletTags[3]) + "Y<br>", 3}},
        {"a field the line end cuts short is read from what is present",
         "*   3   0   1  2\r\nshort@",
         3,
         0,
         1,
         {Blue2 + "short<br>", 2}},
        {"no entry with the keys", "*   1   0   1   3\r\nX@", 1, 60, 1, {"", 0}},
        {"bytes pass unchanged",
         "*   1   0   1   1\r\n\xCF\xF0\xE8\xE2\xE5\xF2 &amp; <b>x</b>@",
         1,
         0,
         1,
         {std::string(BulletTags[1]) + "\xCF\xF0\xE8\xE2\xE5\xF2 &amp; <b>x</b><br>", 1}},
    };
    for (const Case& c : cases) {
        TemporaryFolder folder;
        const std::string path = folder.Write("1.dat", c.file);
        TopicFileCache cache;
        EXPECT_EQ(LookupInterpretation(path, c.transit, c.aspect, c.natal, cache), c.expected)
            << c.name;
    }
}

TEST(LookupInterpretation, LongTextIsCutAtTenThousandCharacters) {
    TemporaryFolder folder;
    const std::string longLine(10005, 'a');
    const std::string path = folder.Write("1.dat", "*   1   0   1   1\r\n" + longLine + "@\r\n");
    TopicFileCache cache;
    const Interpretation result = LookupInterpretation(path, 1, 0, 1, cache);
    EXPECT_EQ(result.Paragraph, std::string(BulletTags[1]) + std::string(10000, 'a') + "<br>");
}

// The scan converts every header it meets: a bad field before the match is an
// error, one after the match is never reached.
TEST(LookupInterpretation, HeaderFieldThatIsNoInteger) {
    struct Case {
        std::string badHeader;
        std::string message;
    };
    const Case cases[] = {
        {"*   1   0  1    1", "' 1 ' is not a valid integer value"},  // trailing blank
        {"*   1 abc   1   1", "'abc' is not a valid integer value"},
        {"*   1   0   1", "'' is not a valid integer value"},  // cut short before position 15
        {"*", "'' is not a valid integer value"},
    };
    for (const Case& c : cases) {
        TemporaryFolder folder;
        const std::string path =
            folder.Write("1.dat", "*   1   0   1   1\r\nfirst@\r\n" + c.badHeader +
                                      "\r\nbad@\r\n*   3   0   1   2\r\nlater@\r\n");
        TopicFileCache cache;
        EXPECT_EQ(LookupInterpretation(path, 1, 0, 1, cache).Strength, 1) << c.badHeader;
        try {
            LookupInterpretation(path, 3, 0, 1, cache);
            ADD_FAILURE() << "no error for " << c.badHeader;
        } catch (const ConversionError& error) {
            // The conversion's own words, then the file and the header's place.
            EXPECT_EQ(error.what(), c.message + " (" + path + ", header of entry 2, line 3)")
                << c.badHeader;
        }
    }
}

TEST(LookupInterpretation, OnlyTheFirst255CharactersOfALineCount) {
    TemporaryFolder folder;
    // A line of 300 characters whose fields lie beyond 255 is a header without
    // them; the text still starts on the next line.
    const std::string header = "*   1   0   1   2" + std::string(300, ' ') + "tail";
    const std::string path = folder.Write("1.dat", header + "\r\ntext@");
    TopicFileCache cache;
    EXPECT_EQ(LookupInterpretation(path, 1, 0, 1, cache).Paragraph,
              std::string(BulletTags[2]) + "text<br>");
}

// Without its file a topic has no forecast: the file is named, not read as empty.
TEST(LookupInterpretation, MissingFileIsNamed) {
    TemporaryFolder folder;
    TopicFileCache cache;
    folder.Write("8.dat/inner", "x");
    const std::pair<std::string, std::string> cases[] = {
        {"9.dat", "File not found: " + folder.Path() + "9.dat (No such file or directory)"},
        {"8.dat", "I/O error 21: " + folder.Path() + "8.dat (Is a directory)"},
    };
    for (const auto& [name, message] : cases) {
        try {
            LookupInterpretation(folder.Path() + name, 1, 0, 1, cache);
            ADD_FAILURE() << name << ": no error";
        } catch (const InputOutputError& error) {
            EXPECT_EQ(error.what(), message);
        }
    }
    // A file that names no aspect gives every aspect an empty paragraph.
    EXPECT_EQ(LookupInterpretation(folder.Write("7.dat", ""), 1, 0, 1, cache), Interpretation{});
}

// The cache gives what a fresh scan gives: a changed or removed file is seen.
TEST(LookupInterpretation, ChangedFileIsReadAgain) {
    TemporaryFolder folder;
    TopicFileCache cache;
    const std::string path = folder.Write("1.dat", "*   1   0   1   1\r\nold@");
    EXPECT_EQ(LookupInterpretation(path, 1, 0, 1, cache).Strength, 1);
    const TopicSource before(path, cache);
    testing::MarkAsChanged(folder.Write("1.dat", "*   1   0   1 104\r\nnew@"));
    EXPECT_EQ(LookupInterpretation(path, 1, 0, 1, cache).Strength, -4);
    EXPECT_EQ(before.Lookup(1, 0, 1).Strength, 1);  // a computation keeps its version
    std::filesystem::remove(path);
    EXPECT_THROW(LookupInterpretation(path, 1, 0, 1, cache), InputOutputError);
}

// The periods show a paragraph's text beside a strength mark of their own:
// the text comes back from the paragraph for every strength.
TEST(WithoutBullet, GivesBackTheTextOfEveryStrength) {
    for (int strength = -7; strength <= 7; ++strength) {
        for (const std::string text : {"", "X &amp; <b>y</b><br>"}) {
            const std::string paragraph = WithBullet(text, strength);
            EXPECT_EQ(paragraph == text, strength == 0 || strength < -5 || strength > 5)
                << strength;
            EXPECT_EQ(WithoutBullet(paragraph, strength), text) << strength;
        }
    }
    // A paragraph whose tag is another strength's is no paragraph of this one.
    EXPECT_EQ(WithoutBullet(WithBullet("t", 2), 3), WithBullet("t", 2));
    EXPECT_EQ(WithoutBullet(WithBullet("t", -2), 2), WithBullet("t", -2));
}

}  // namespace
}  // namespace nevalorum
