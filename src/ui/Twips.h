#pragma once

// The windows' sizes are given in twips, 1440 to the inch; at 96 dpi a
// pixel is 15 of them.
inline constexpr int TwipsPerPixel = 15;

constexpr int pixelsOfTwips(int twips) {
    return twips / TwipsPerPixel;
}
