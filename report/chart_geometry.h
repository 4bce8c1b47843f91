#pragma once
// Where the month chart puts things on its 626 x 205 template [pixels, origin
// top left, y down]. The template generator draws its plot, frame and label
// band from the same numbers.

namespace nevalorum {

inline constexpr int ChartWidth = 626;
inline constexpr int ChartHeight = 205;
inline constexpr int ChartLeftEdge = 90;  // x of curve point 1
inline constexpr int ChartStep = 5;       // between two curve points: three per day
inline constexpr int ChartBaseLine = 92;  // y of the value 0
inline constexpr int ChartDayLabelTop = 154;
inline constexpr int ChartCaptionLeft = 105;
inline constexpr int ChartCaptionTop = 172;

// The curve's colour, and the labels' white text on their opaque box.
struct ChartColour {
    int Red, Green, Blue;
};
inline constexpr ChartColour ChartLineColour{0, 0, 255};
inline constexpr ChartColour ChartTextColour{255, 255, 255};
inline constexpr ChartColour ChartLabelBackground{111, 145, 190};

}  // namespace nevalorum
