#include "common/loaded_library.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "common/errors.h"

namespace nevalorum {
namespace {

constexpr SharedMessage Failure{.Id = "Cannot go on: %s", .Russian = "Нельзя продолжить: %s"};

// A library and a function that are missing are refused with the caller's
// message and the loader's reason, which names what was missing.
TEST(LoadedLibrary, MissingLibraryOrFunctionIsRefusedByName) {
    try {
        LoadedLibrary("libnevalorum-missing.so.7", Failure);
        ADD_FAILURE() << "a missing library was opened";
    } catch (const Error& error) {
        const std::string message = error.what();
        EXPECT_TRUE(message.starts_with("Нельзя продолжить: ")) << message;
        EXPECT_NE(message.find("libnevalorum-missing.so.7"), std::string::npos) << message;
    }
    const LoadedLibrary library("libm.so.6", Failure);
    double (*cosine)(double) = nullptr;
    library.Find(cosine, "cos");
    EXPECT_EQ(cosine(0.0), 1.0);
    double (*missing)(double) = nullptr;
    try {
        library.Find(missing, "nevalorum_no_such_function");
        ADD_FAILURE() << "a missing function was found";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("nevalorum_no_such_function"), std::string::npos)
            << error.what();
    }
}

}  // namespace
}  // namespace nevalorum
