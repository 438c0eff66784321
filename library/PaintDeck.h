// Paint fan decks: the named colours of a paint maker's deck read from an
// Adobe Swatch Exchange file (.ase), a GIMP palette (.gpl) or a CSV table
// (name,code,hex[,lrv]), and the paints nearest a colour by CIEDE2000.
// Texts are UTF-8. A reader returns the whole deck or an error naming the
// file and the byte or line where reading stopped, never part of a deck.
#pragma once

#include "ColourScience.h"

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

struct Paint {
    std::string name;
    std::string code;   // the maker's code ("TG-001"); empty when the file has none
    std::string group;  // the .ase group holding it; empty outside a group
    Rgb rgb{};          // on the 256 levels of "#RRGGBB"
    Lab lab;            // as the file gives it (a LAB entry) or of rgb
    std::optional<double> publishedLrv;

    // The maker's LRV where the deck gives one (the hex values of some decks
    // are too rough to compute it from), else the colour's.
    double Lrv() const;
};

struct PaintDeck {
    std::string name;  // the file's name
    std::vector<Paint> paints;
};

// Readers of one format each; fileName only names the file in the error.
bool ReadAseDeck(const std::string& bytes, const std::string& fileName, PaintDeck& deck, std::string& error);
bool ReadGplDeck(const std::string& bytes, const std::string& fileName, PaintDeck& deck, std::string& error);
bool ReadCsvDeck(const std::string& bytes, const std::string& fileName, PaintDeck& deck, std::string& error);

// The reader the bytes' signature ("ASEF", "GIMP Palette") or else the file
// name's extension (.ase, .gpl, .csv) calls for.
bool ReadPaintDeck(const std::string& bytes, const std::string& fileName, PaintDeck& deck, std::string& error);

// The count paints nearest lab by CIEDE2000, nearest first: index and ΔE
// (ties by index). A scan of the whole deck.
std::vector<std::pair<std::size_t, double>> NearestPaints(const PaintDeck& deck, const Lab& lab, std::size_t count);

// The same answers for many colours of one deck, faster: the paints ordered
// by lightness, and only those within reach looked at. CIEDE2000 is at
// least |dL| / SL, and SL is at most 1.75, so a paint whose lightness is
// further than 1.75 times the count-th best difference so far cannot be
// nearer. The deck must outlive the finder and not change.
class PaintFinder {
public:
    explicit PaintFinder(const PaintDeck& deck);
    std::vector<std::pair<std::size_t, double>> Nearest(const Lab& lab, std::size_t count) const;

private:
    const PaintDeck& deck;
    std::vector<std::pair<double, std::size_t>> byLightness;
};
