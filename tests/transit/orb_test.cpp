#include "transit/orb.h"

#include <gtest/gtest.h>

namespace nevalorum {
namespace {

TEST(FindAspect, SeparationsWithinTheOrb) {
    struct Case {
        double orb, a, b;
        int expected;
    };
    const Case cases[] = {
        {2.0, 10.0, 12.0, 0},  // exactly the orb away counts
        {2.0, 10.0, 12.5, NoAspect},
        {2.0, 359.0, 1.0, 0},  // 358 folds to 2
        {2.0, 0.0, 62.0, 60},
        {2.0, 100.0, 10.5, 90},
        {2.0, 0.0, 118.0, 120},
        {2.0, 0.0, 180.0, 180},
        {2.0, 10.0, 192.0, 180},  // 182 folds to 178
        {2.0, 0.0, 45.0, NoAspect},
        {2.0, 0.0, 182.0, 180},
        {2.0, 0.0, 182.0000001, NoAspect},
        {2.0, 300.0, 61.9, 120},       // 238.1 folds to 121.9
        {2.0, 61.9, 300.0, 120},       // symmetric
        {2.0, 300.0, 57.9, NoAspect},  // 242.1 folds to 117.9
        {2.0, 0.0, 57.99, NoAspect},
        {16.0, 0.0, 75.0, 90},  // within both windows: the larger
                                // angle wins
        {16.0, 0.0, 14.0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindAspect(c.orb, c.a, c.b), c.expected) << c.orb << " " << c.a << " " << c.b;
    }
}

}  // namespace
}  // namespace nevalorum
