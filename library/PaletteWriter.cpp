#include "PaletteWriter.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

void Put(std::string& out, std::uint32_t v, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// UTF-8 to UTF-16 code units; a byte that is no UTF-8 becomes U+FFFD.
std::vector<std::uint16_t> Utf16(const std::string& s)
{
    std::vector<std::uint16_t> units;
    for (std::size_t i = 0; i < s.size();) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        const std::size_t extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : 9;
        std::uint32_t cp = extra == 0 ? c : extra == 1 ? (c & 0x1F) : extra == 2 ? (c & 0x0F) : (c & 0x07);
        bool ok = extra != 9 && i + extra < s.size();
        for (std::size_t k = 1; ok && k <= extra; ++k) {
            const unsigned char d = static_cast<unsigned char>(s[i + k]);
            ok = (d & 0xC0) == 0x80;
            cp = (cp << 6) | (d & 0x3F);
        }
        if (!ok) {
            units.push_back(0xFFFD);
            ++i;
            continue;
        }
        i += extra + 1;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            units.push_back(static_cast<std::uint16_t>(0xD800 + (cp >> 10)));
            units.push_back(static_cast<std::uint16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            units.push_back(static_cast<std::uint16_t>(cp));
        }
    }
    return units;
}

// A name as .ase stores it: its length in units with the terminating zero, the units.
std::string AseName(const std::string& name)
{
    std::vector<std::uint16_t> units = Utf16(name);
    units.push_back(0);
    std::string out;
    Put(out, static_cast<std::uint32_t>(units.size()), 2);
    for (std::uint16_t u : units)
        Put(out, u, 2);
    return out;
}

void Block(std::string& out, std::uint16_t type, const std::string& body)
{
    Put(out, type, 2);
    Put(out, static_cast<std::uint32_t>(body.size()), 4);
    out += body;
}

// A name on one line of a text palette.
std::string OneLine(std::string s)
{
    for (char& c : s)
        if (c == '\n' || c == '\r')
            c = ' ';
    return s;
}

int Byte(double c)
{
    return static_cast<int>(std::lround(std::fmin(std::fmax(c, 0.0), 1.0) * 255.0));
}

}  // namespace

std::string WriteAsePalette(const std::vector<SwatchGroup>& groups)
{
    std::string blocks;
    std::uint32_t count = 0;
    for (const SwatchGroup& group : groups) {
        Block(blocks, 0xC001, AseName(group.name));
        for (const Swatch& swatch : group.swatches) {
            std::string body = AseName(swatch.name) + "RGB ";
            for (double c : swatch.rgb) {
                const float f = static_cast<float>(Byte(c) / 255.0);
                std::uint32_t bits;
                std::memcpy(&bits, &f, sizeof bits);
                Put(body, bits, 4);
            }
            Put(body, 2, 2);  // a normal (process) colour
            Block(blocks, 0x0001, body);
        }
        Block(blocks, 0xC002, std::string());
        count += static_cast<std::uint32_t>(group.swatches.size()) + 2;
    }
    std::string out = "ASEF";
    Put(out, 1, 2);
    Put(out, 0, 2);
    Put(out, count, 4);
    return out + blocks;
}

std::string WriteGplPalette(const std::string& paletteName, const std::vector<SwatchGroup>& groups)
{
    std::string out = "GIMP Palette\nName: " + OneLine(paletteName) + "\nColumns: 3\n#\n";
    char line[32];
    for (const SwatchGroup& group : groups) {
        out += "# " + OneLine(group.name) + "\n";
        for (const Swatch& swatch : group.swatches) {
            std::snprintf(line, sizeof line, "%3d %3d %3d\t", Byte(swatch.rgb[0]), Byte(swatch.rgb[1]), Byte(swatch.rgb[2]));
            out += line + OneLine(swatch.name) + "\n";
        }
    }
    return out;
}
