// The page handed to a client: chosen schemes as cards (name, description,
// the three surfaces with their colour, LRV and paint, the contrast in
// words, a view of the room) in one self-contained HTML file in Chinese,
// laid out for A4. Texts are UTF-8.
#pragma once

#include "Colour.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct ClientSurface {
    Rgb rgb{};
    double lrv = 0;
    std::string paintName, paintCode;  // empty: no paint known
    std::optional<double> paintDeltaE;
};

struct ClientCard {
    std::string group;  // cards of one group share a heading; a new group starts a new page
    std::string name;
    std::string description;
    std::array<ClientSurface, 3> surfaces;  // ceiling, wall, floor
    std::string roomViewPng;                // PNG bytes; empty: no view
};

std::string WriteClientPage(const std::string& title, const std::vector<ClientCard>& cards);

// A plain perspective sketch of a room in the three colours (back wall, side
// walls shaded, ceiling and floor), as PNG bytes, for a card with no view
// rendered from the model.
std::string RoomSketchPng(const Rgb& ceiling, const Rgb& wall, const Rgb& floor, int width = 240, int height = 160);

// A picture as PNG bytes: pixels 0x00RRGGBB, rows top to bottom.
std::string PngOfPixels(int width, int height, const std::vector<uint32_t>& pixels);
