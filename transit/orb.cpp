#include "transit/orb.h"

#include <cmath>

namespace nevalorum {

int FindAspect(double orb, double longitudeA, double longitudeB) {
    double separation = std::fabs(longitudeB - longitudeA);
    if (separation > 180) {
        separation = 360 - separation;
    }
    int result = NoAspect;
    for (int angle : AspectAngles) {
        if (std::fabs(separation - angle) <= orb) {
            result = angle;
        }
    }
    return result;
}

}  // namespace nevalorum
