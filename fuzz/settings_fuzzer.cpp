// The settings file System/set.dat.

#include <cstddef>
#include <cstdint>
#include <string>

#include "app/settings.h"
#include "common/errors.h"
#include "fuzz/fuzz_support.h"

using namespace nevalorum;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string path = "/w/System/set.dat";
    try {
        const Settings settings = ParseSettings(bytes, path);
        // The third line is a line: it never holds a line break.
        if (settings.LineThreeText.find('\n') != std::string::npos) {
            fuzzing::Fail("the third line holds a line feed");
        }
    } catch (const InputOutputError& error) {
        if (std::string(error.what()).rfind("Invalid numeric input in " + path + ", line ", 0) !=
            0) {
            fuzzing::Fail(std::string("unexpected message: ") + error.what());
        }
    }
    return 0;
}
