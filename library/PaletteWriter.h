// Palettes written for other programs: groups of named swatches as an Adobe
// Swatch Exchange file (.ase) or a GIMP palette (.gpl). Texts are UTF-8.
#pragma once

#include "Colour.h"

#include <string>
#include <vector>

struct Swatch {
    std::string name;
    Rgb rgb{};
};

struct SwatchGroup {
    std::string name;
    std::vector<Swatch> swatches;
};

// Version 1.0, one group start, its RGB colour entries and a group end per
// group, big-endian throughout.
std::string WriteAsePalette(const std::vector<SwatchGroup>& groups);

// GIMP has no groups: each group's name is a comment line before its swatches.
std::string WriteGplPalette(const std::string& paletteName, const std::vector<SwatchGroup>& groups);
