// The software renderer's rasteriser: fills screen triangles into a frame's
// colour, depth and surface buffers, a thread's rows at a time. Coverage is
// decided by exact edge functions on corners snapped to 1/16384 pixel, with a
// tie rule for pixel centres on an edge, so triangles sharing an edge cover
// each pixel along it exactly once: no gaps, no pixel drawn twice.
#pragma once

#include "Image.h"
#include "Renderer.h"

#include <cstdint>

namespace walkhost {

struct ScreenVertex {
    double x, y;     // pixels
    double iz;       // 1 / depth
    double uz, vz;   // u / depth, v / depth
    double lz;       // light (0 to 256) / depth, read where the light changes across the triangle
};

// Corners may lie at most this far outside the picture (in pixels): the
// projection cuts triangles at these bounds, which keeps the edge functions
// of snapped corners well within 64-bit integers.
constexpr double kGuardBand = 4096;

struct PolygonPaint {
    uint32_t color;          // 0x00RRGGBB, already shaded, when there is no texture
    const Image* texture;    // or the texture, shaded by `light`
    int light;               // 0 to 256
    bool selected;
    uint32_t id;
    bool smooth = false;     // light from the corners' lz, `color` unshaded (light 256)
    int opacity = 256;       // of 256: below, blended over what is drawn, depth kept
};

// Rows are dealt to the threads in blocks of this many, in turn, so each
// thread gets a share of the sky, the walls and the floor.
constexpr int kBlockRows = 8;

// The rows a thread draws: blocks b with b % count == index.
struct Rows {
    int index = 0;
    int count = 1;
};

// Tiles of kBlockRows x kTileColumns pixels, each with a bound no greater
// than the depth (1 / distance) of any of its pixels, worked out again when
// it is wanted after pixels of the tile were drawn. A triangle nearer
// nowhere than a row of tiles' bounds would draw none of its pixels there,
// and those rows are passed over. A row of tiles is a block of rows, so
// only the thread drawing that block reads and writes it.
constexpr int kTileColumns = 4;

// Anything nearer than a depth (1 / distance) by this share of it is still
// nearer once both are rounded to float, whatever the rounding of the
// weights they were stepped with.
constexpr double kMargin = 1e-6;

struct Tiles {
    float* least;
    uint8_t* stale;  // pixels drawn since `least` was worked out
    int perRow;
};

// The first block of the thread's rows at or after row y.
inline int FirstBlock(const Rows& rows, int y)
{
    const int block = y / kBlockRows;
    if ((rows.count & (rows.count - 1)) == 0)  // a power of two, as mostly: no division
        return block + ((rows.index - block) & (rows.count - 1));
    return block + ((rows.index - block % rows.count) + rows.count) % rows.count;
}

// Whether every pixel of the block in columns [x0, x1] is already at least
// `bound` near, by the bounds of its tiles (worked out again where stale).
bool BlockNearer(const Tiles& tiles, const float* depth, int w, int h, int block, int x0, int x1, double bound);

// Empties the block's rows: nothing drawn, every pixel at depth 0.
void ClearBlock(Frame& frame, const Tiles& tiles, int block);

// Draws the triangle's pixels on the thread's rows: those whose centres it
// covers, nearer than what the pixel shows in float depth, or as near and of
// a surface earlier in the scene (so which of two surfaces at one depth
// shows does not depend on the order they are drawn in). A see-through
// paint is blended over the pixel and leaves its depth as it was.
void FillTriangle(const ScreenVertex& a, const ScreenVertex& b, const ScreenVertex& c, const PolygonPaint& paint,
                  Frame& frame, const Rows& rows, const Tiles& tiles);

// The background of the pixels nothing was drawn on, in the block's rows: a
// pale sky at the top of the view, darker towards the bottom.
void FillBackground(Frame& frame, int block);

}  // namespace walkhost
