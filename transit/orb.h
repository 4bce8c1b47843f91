#pragma once
// The aspect test: whether two ecliptic longitudes lie within the orb of one of
// the five aspect angles.

#include <array>

namespace nevalorum {

// The five aspects, named by their angle [degrees]: conjunction, sextile,
// square, trine, opposition. The angle is also the key of a topic file entry.
inline constexpr std::array<int, 5> AspectAngles{0, 60, 90, 120, 180};
// The result of FindAspect when no aspect is within the orb.
inline constexpr int NoAspect = 255;
// The orb every caller passes [degrees].
inline constexpr double AspectOrb = 2.0;

// The aspect angle that the separation of longitudes a and b [degrees, 0..360)
// lies within orb of (both limits inclusive), or NoAspect. Where windows
// overlap (orbs of 15 degrees or more) the larger angle wins.
int FindAspect(double orb, double longitudeA, double longitudeB);

}  // namespace nevalorum
