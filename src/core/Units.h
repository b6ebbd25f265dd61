#pragma once

#include <cmath>

// The program's whole-number conversion and its unit of length.
namespace Units {

// Nearest whole number, a half going to the even neighbour (0.5 -> 0, 1.5 -> 2, 4.5 -> 4).
inline double roundHalfEven(double value)
{
    if (!std::isfinite(value))
        return value;
    const double lower = std::floor(value);
    const double fraction = value - lower;
    if (fraction != 0.5)
        return fraction < 0.5 ? lower : lower + 1.0;
    return std::fmod(lower, 2.0) == 0.0 ? lower : lower + 1.0;
}

// Window sizes are measured in twips, 1/1440 inch.
constexpr double TwipsPerInch = 1440.0;

inline double toTwips(double pixels, double dotsPerInch)
{
    return pixels * TwipsPerInch / dotsPerInch;
}

inline int toPixels(double twips, double dotsPerInch)
{
    return int(std::lround(twips * dotsPerInch / TwipsPerInch));
}

} // namespace Units
