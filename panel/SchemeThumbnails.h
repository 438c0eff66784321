// The pictures of the scheme overview's cards: a room in three bands
// (ceiling on top, wall in the middle over half the height, floor at the
// bottom) each in its material's colour or its texture image, a texture file
// on its own, and a capture of the host's view scaled into the same frame.
// Pictures are drawn at the size the cards have at the moment, 4:3.
// Pixels are 0x00RRGGBB, rows top to bottom, as a 32-bit top-down DIB holds
// them. Texture files are decoded once per path.
#pragma once

#include "engine/SchemeCards.h"
#include "plugin/HostInterface.h"

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>


struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    bool Empty() const { return pixels.empty(); }
};

class CThumbnailPainter {
public:
    // The smallest card picture; larger ones keep its proportions.
    static constexpr int kSmallestWidth = 120;
    static constexpr int kSmallestHeight = 90;
    // The height of a card picture of the given width.
    static constexpr int HeightFor(int width) { return width * kSmallestHeight / kSmallestWidth; }

    // The decoded picture of a texture file, or null when it cannot be read;
    // remembered for the painter's life.
    const Picture* Texture(const std::string& path);

    // Three bands from the three slots (ceiling, floor, wall order); the
    // found path of each slot's first map, empty for a plain colour or a map
    // that is not found (hatched when a map was named).
    Picture Bands(const MaterialSlot (&slots)[3], const std::string (&foundMaps)[3], int width, int height);
    // A texture file filling the frame; grey and hatched when unreadable.
    Picture TextureCard(const std::string& path, int width, int height);

    // Forgets every decoded texture (the files may have changed).
    void Forget() { textures_.clear(); }

    // Fills the rectangle [x0, x1) x [y0, y1) of target with source scaled to
    // cover it (aspect kept, the middle cut out), each pixel the mean of a
    // few source samples.
    static void Cover(Picture& target, int x0, int y0, int x1, int y1, const Picture& source);
    // A whole picture scaled to cover a new one of the given size.
    static Picture Scaled(const Picture& source, int width, int height);
    // Diagonal lines over [x0, x1) x [y0, y1), dark on light colours and
    // light on dark ones: the sign of a texture that was named but not found.
    static void Hatch(Picture& target, int x0, int y0, int x1, int y1, uint32_t base);
    // True when every pixel has the same colour (a capture that drew nothing).
    static bool Uniform(const Picture& picture);

private:
    std::map<std::string, std::unique_ptr<Picture>> textures_;  // null: unreadable
};

// Pixels of the client area of a window: PrintWindow first, the screen under
// it when that comes back blank. Empty when both are blank.
Picture CaptureWindowClient(HWND window);

// Draws a picture at (x, y) of a device context, unscaled.
void DrawPicture(HDC dc, int x, int y, const Picture& picture);

// Room views: schemes put on the classified materials one after another and
// the host's view captured after each; the materials go back as they were
// at the start. Nothing is written once a changed material no longer holds
// what the last capture set (another model was opened, the scene closed).
class RoomViewCapture {
public:
    // Remembers the classified materials as they are; false when none could
    // be read.
    bool Begin();
    bool Active() const { return !captured_.empty(); }
    // The three slots (ceiling, floor, wall) onto the materials of their
    // class, the view redrawn and its client area captured into shot (empty
    // when blank).
    void Capture(const MaterialSlot (&slots)[3], HWND view, Picture& shot);
    // Every changed material still holds what the last capture set.
    bool ModelUnchanged() const;
    // Puts the materials back when restore and the model is unchanged; forgets them.
    void End(bool restore);

private:
    struct CapturedMaterial {
        unsigned handle = 0;
        int surfaceClass = 0;
        OriginalMaterial original;
        OriginalMaterial lastSet;
    };
    std::vector<CapturedMaterial> captured_;
};

// The paint decks of the "paints" folder beside the plug-in (*.ase, *.gpl,
// *.csv), read afresh as a window opens; a file that does not read is left
// out and the user told which file and where. Each window keeps the decks
// it read for its life.
std::shared_ptr<const engine::DeckShelf> ReadPanelPaintDecks();
// The deck chosen in the deck boxes of the windows, by name (shared for the
// session); null when none is chosen or the shelf lacks it.
const PaintDeck* ChosenDeck(const engine::DeckShelf& shelf);
// Fills a deck box: "不显示色卡" then each deck's name; selects the chosen one.
void FillDeckBox(HWND box, const engine::DeckShelf& shelf);
// The deck a box shows (after CBN_SELCHANGE), remembered as the chosen one.
const PaintDeck* TakeDeckBoxChoice(HWND box, const engine::DeckShelf& shelf);
extern const char* const kNoPaintDeckText;
extern const char* const kPaintDeckUnreadableFormat;  // %1: the reader's error (file and position)

// A picture as PNG bytes.
std::string PicturePng(const Picture& picture);
