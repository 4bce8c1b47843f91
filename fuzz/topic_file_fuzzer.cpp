// The topic file: its bytes parsed, looked up, and read through TopicSource
// from a file by the month's influence for a fixed birth date and month.

#include <cstddef>
#include <cstdint>
#include <string>

#include "common/errors.h"
#include "fuzz/fuzz_support.h"
#include "transit/interpretation.h"
#include "transit/month_influence.h"

using namespace nevalorum;

namespace {

// The lookup's answer or the message it throws, to compare two readings.
std::string Outcome(const auto& lookup) {
    try {
        const Interpretation found = lookup();
        return std::to_string(found.Strength) + ":" + found.Paragraph;
    } catch (const ConversionError& error) {
        return std::string("error:") + error.what();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const TopicFile parsed = ParseTopicFile(bytes);

    const std::string path = fuzzing::ProcessFolder() + "3.dat";
    fuzzing::WriteFile(path, bytes);
    // A cache of its own: two inputs of one size written within the clock's
    // resolution would look like one version of the file to a shared cache.
    TopicFileCache topics;
    if (!parsed.Windows1251) {
        // Text that is not Windows-1251 is refused with a message naming the file.
        try {
            const TopicSource refused(path, topics);
            fuzzing::Fail("a topic file that is not Windows-1251 text was taken");
        } catch (const InputOutputError&) {
        }
        return 0;
    }
    const TopicSource topic(path, topics);

    // The source over the file reads what parsing the bytes gives.
    for (std::int32_t aspect : {0, 60, 90, 120, 180}) {
        for (std::int32_t body = 1; body <= 10; ++body) {
            const std::string direct =
                Outcome([&] { return parsed.Lookup(body % 4 + 1, aspect, body, path); });
            const std::string fromFile =
                Outcome([&] { return topic.Lookup(body % 4 + 1, aspect, body); });
            if (direct != fromFile) {
                fuzzing::Fail("the topic file read from disk differs from its bytes parsed");
            }
        }
    }

    static const PlutoSource pluto(fuzzing::SourceDataFolder() + "System/");
    try {
        const MonthInfluence month = ComputeMonthInfluence(
            {.Day = 5, .Month = 3, .Year = 1990}, {.Year = 2027, .Month = 1}, pluto, topic);
        if (month.Days.size() != 31 || month.MonthCurveLength != 96) {
            fuzzing::Fail("the month has the wrong number of days");
        }
        for (const DayInfluence& day : month.Days) {
            for (const AspectHit& hit : day.Hits) {
                if (!(hit.Reading == parsed.Lookup(hit.TransitBody, hit.Aspect, hit.NatalBody))) {
                    fuzzing::Fail("a hit carries another paragraph than its lookup");
                }
            }
        }
    } catch (const Error&) {
        // A header field that is not a number stops the computation with its message.
    }
    return 0;
}
