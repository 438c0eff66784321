// Light-reflectance contrast between the surfaces of a combination: the LRV
// of its ceiling, wall and floor, and which adjacent pairs (ceiling and wall,
// wall and floor) differ by less than kMinimumLrvDifference points.
#pragma once

#include "Colour.h"
#include "CombinationRecord.h"

#include <functional>
#include <optional>
#include <string>

struct SurfaceLrvs {
    double ceiling = 0.0;
    double wall = 0.0;
    double floor = 0.0;
};

struct ContrastMarks {
    bool ceilingWall = false;  // ceiling and wall below the minimum difference
    bool wallFloor = false;    // wall and floor below the minimum difference
};

// The LRV of a surface whose texture map is stored under that name, or none
// when its file is not found or not readable (the colour's LRV then holds).
using TextureLrvLookup = std::function<std::optional<double>(const std::string& storedMapName)>;

// The three surfaces' LRVs: a slot with a texture map that textureLrv can
// read counts with the texture's, every other slot with its colour's.
SurfaceLrvs CombinationLrvs(const CombinationRecord& record, const TextureLrvLookup& textureLrv = {});

// The pairs are judged on the rounded values the card shows, so a pair shown
// as 80 and 50 is never marked and one shown as 80 and 51 always is.
ContrastMarks LowContrastPairs(const SurfaceLrvs& lrv);

// "LRV c/w/f" with each value rounded to an integer.
std::string LrvLine(const SurfaceLrvs& lrv);

// A value rounded half away from zero, as the card shows it.
int RoundedLrv(double lrv);
