#include "PaintDeck.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// ---- shared ----------------------------------------------------------------

bool ValidUtf8(const std::string& s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t extra = 0;
        std::uint32_t cp = 0;
        if (c < 0x80) { ++i; continue; }
        if ((c & 0xE0) == 0xC0) { extra = 1; cp = c & 0x1F; }
        else if ((c & 0xF0) == 0xE0) { extra = 2; cp = c & 0x0F; }
        else if ((c & 0xF8) == 0xF0) { extra = 3; cp = c & 0x07; }
        else return false;
        if (i + extra >= s.size())
            return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const unsigned char d = static_cast<unsigned char>(s[i + k]);
            if ((d & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (d & 0x3F);
        }
        static const std::uint32_t least[4] = {0, 0x80, 0x800, 0x10000};
        if (cp < least[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

void AppendUtf8(std::string& out, std::uint32_t cp)
{
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

Paint MakePaint(std::string name, std::string code, const Rgb& rgb)
{
    Paint p;
    p.name = std::move(name);
    p.code = std::move(code);
    p.rgb = RoundToBytes(rgb);
    p.lab = SrgbToLab(p.rgb);
    return p;
}

std::string Trim(const std::string& s)
{
    const std::size_t first = s.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return std::string();
    return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

bool HasExtension(const std::string& fileName, const char* ext)
{
    const std::size_t n = std::strlen(ext);
    if (fileName.size() < n)
        return false;
    for (std::size_t i = 0; i < n; ++i)
        if (std::tolower(static_cast<unsigned char>(fileName[fileName.size() - n + i])) != ext[i])
            return false;
    return true;
}

// The lines of a text file, without their ends; a UTF-8 byte order mark dropped.
std::vector<std::string> Lines(const std::string& bytes)
{
    std::string text = bytes;
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
        text.erase(0, 3);
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

// where: "byte 12: " when the format counts in bytes.
bool Finish(PaintDeck& parsed, const std::string& fileName, PaintDeck& deck, std::string& error,
            const std::string& where = std::string())
{
    if (parsed.paints.empty()) {
        error = fileName + ": " + where + "no colours in the file";
        return false;
    }
    parsed.name = fileName;
    deck = std::move(parsed);
    return true;
}

// ---- .ase ------------------------------------------------------------------

// A big-endian reader that remembers where it failed.
struct AseCursor {
    const std::string& bytes;
    std::size_t pos = 0;
    std::size_t end = 0;  // the end of the block being read

    bool Has(std::size_t n) const { return n <= end && pos <= end - n; }
    std::uint32_t Read(int n)
    {
        std::uint32_t v = 0;
        for (int i = 0; i < n; ++i)
            v = (v << 8) | static_cast<unsigned char>(bytes[pos++]);
        return v;
    }
    float Float()
    {
        const std::uint32_t bits = Read(4);
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
};

constexpr std::uint16_t kAseGroupStart = 0xC001;
constexpr std::uint16_t kAseGroupEnd = 0xC002;
constexpr std::uint16_t kAseColour = 0x0001;

// A name: its length in UTF-16 units, the terminating zero included, then the
// units, big-endian.
bool AseName(AseCursor& c, std::string& name, std::string& problem)
{
    if (!c.Has(2)) {
        problem = "the block ends inside its name's length";
        return false;
    }
    const std::size_t units = c.Read(2);
    if (!c.Has(units * 2)) {
        problem = "the name's " + std::to_string(units) + " characters run past the block's end";
        return false;
    }
    name.clear();
    for (std::size_t i = 0; i < units; ++i) {
        std::uint32_t u = c.Read(2);
        if (u == 0) {
            if (i + 1 != units) {
                problem = "a zero character inside the name";
                return false;
            }
            return true;
        }
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
            const std::uint32_t low = c.Read(2);
            ++i;
            if (low < 0xDC00 || low > 0xDFFF) {
                problem = "a broken UTF-16 surrogate pair in the name";
                return false;
            }
            u = 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00);
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            problem = "a broken UTF-16 surrogate pair in the name";
            return false;
        }
        AppendUtf8(name, u);
    }
    if (units != 0) {
        problem = "the name lacks its terminating zero";
        return false;
    }
    return true;
}

bool AseEntry(AseCursor& c, Paint& paint, std::string& problem)
{
    std::string name;
    if (!AseName(c, name, problem))
        return false;
    if (!c.Has(4)) {
        problem = "the block ends before its colour model";
        return false;
    }
    const std::string model = c.bytes.substr(c.pos, 4);
    c.pos += 4;
    const int count = model == "RGB " || model == "LAB " ? 3 : model == "Gray" ? 1 : model == "CMYK" ? 4 : 0;
    if (count == 0 || model == "CMYK") {
        problem = count == 0 ? "unknown colour model (RGB, LAB or Gray expected)"
                             : "CMYK colours are not read (RGB, LAB or Gray expected)";
        return false;
    }
    if (!c.Has(4 * count + 2)) {
        problem = "the block ends inside its colour values";
        return false;
    }
    float v[3] = {0, 0, 0};
    for (int i = 0; i < count; ++i) {
        v[i] = c.Float();
        if (!std::isfinite(v[i])) {
            problem = "a colour value that is not a number";
            return false;
        }
    }
    c.Read(2);  // global, spot or normal: a paint either way
    if (model == "LAB ") {
        const Lab lab{v[0] * 100.0, v[1], v[2]};
        if (lab.L < 0.0 || lab.L > 100.0 || std::fabs(lab.a) > 128.0 || std::fabs(lab.b) > 128.0) {
            problem = "LAB values outside L 0-1, a and b -128-127";
            return false;
        }
        paint = MakePaint(std::move(name), std::string(), FitToGamut(LabToLch(lab)));
        paint.lab = lab;
        return true;
    }
    const Rgb rgb = model == "Gray" ? Rgb{v[0], v[0], v[0]} : Rgb{v[0], v[1], v[2]};
    if (std::any_of(rgb.begin(), rgb.end(), [](double x) { return x < 0.0 || x > 1.0; })) {
        problem = "colour values outside 0-1";
        return false;
    }
    paint = MakePaint(std::move(name), std::string(), rgb);
    return true;
}

// ---- .csv ------------------------------------------------------------------

// The fields of a CSV line: commas separate, a field in double quotes may
// hold commas and doubled quotes.
bool CsvFields(const std::string& line, std::vector<std::string>& fields)
{
    fields.assign(1, std::string());
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char ch = line[i];
        if (quoted) {
            if (ch == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else if (ch == '"') {
                quoted = false;
            } else {
                fields.back() += ch;
            }
        } else if (ch == '"' && Trim(fields.back()).empty()) {
            fields.back().clear();
            quoted = true;
        } else if (ch == ',') {
            fields.emplace_back();
        } else {
            fields.back() += ch;
        }
    }
    for (std::string& f : fields)
        f = Trim(f);
    return !quoted;
}

bool ParseNumber(const std::string& text, double& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end == text.c_str() + text.size() && std::isfinite(value);
}

}  // namespace

double Paint::Lrv() const
{
    return publishedLrv ? *publishedLrv : LightReflectance(rgb);
}

bool ReadAseDeck(const std::string& bytes, const std::string& fileName, PaintDeck& deck, std::string& error)
{
    AseCursor c{bytes, 0, bytes.size()};
    const auto fail = [&](std::size_t at, const std::string& problem) {
        error = fileName + ": byte " + std::to_string(at) + ": " + problem;
        return false;
    };
    if (bytes.size() < 12 || bytes.compare(0, 4, "ASEF") != 0)
        return fail(0, "not an Adobe Swatch Exchange file (no \"ASEF\" signature)");
    c.pos = 4;
    const std::uint32_t major = c.Read(2), minor = c.Read(2);
    if (major != 1)
        return fail(4, "version " + std::to_string(major) + "." + std::to_string(minor) + " (1.x expected)");
    const std::uint32_t blocks = c.Read(4);
    PaintDeck parsed;
    std::string group;
    bool inGroup = false;
    for (std::uint32_t b = 0; b < blocks; ++b) {
        const std::size_t start = c.pos;
        c.end = bytes.size();
        if (!c.Has(6))
            return fail(start, "the file ends after " + std::to_string(b) + " of " + std::to_string(blocks) +
                                   " blocks");
        const std::uint32_t type = c.Read(2);
        const std::uint32_t length = c.Read(4);
        if (!c.Has(length))
            return fail(start, "block length " + std::to_string(length) + " runs past the end of the file");
        c.end = c.pos + length;
        std::string problem;
        if (type == kAseGroupStart) {
            if (inGroup)
                return fail(start, "a group starts inside another group");
            if (!AseName(c, group, problem))
                return fail(start, problem);
            inGroup = true;
        } else if (type == kAseGroupEnd || type == 0x0002) {
            if (!inGroup)
                return fail(start, "a group ends that was not started");
            inGroup = false;
            group.clear();
        } else if (type == kAseColour) {
            Paint paint;
            if (!AseEntry(c, paint, problem))
                return fail(start, problem);
            paint.group = group;
            parsed.paints.push_back(std::move(paint));
        } else {
            return fail(start, "unknown block type " + std::to_string(type));
        }
        c.pos = c.end;  // a block may carry more than this reader takes
    }
    if (inGroup)
        return fail(c.pos, "the last group is not closed");
    if (c.pos != bytes.size())
        return fail(c.pos, std::to_string(bytes.size() - c.pos) + " bytes after the " + std::to_string(blocks) +
                               " blocks the header counts");
    return Finish(parsed, fileName, deck, error, "byte " + std::to_string(c.pos) + ": ");
}

bool ReadGplDeck(const std::string& bytes, const std::string& fileName, PaintDeck& deck, std::string& error)
{
    const std::vector<std::string> lines = Lines(bytes);
    const auto fail = [&](std::size_t line, const std::string& problem) {
        error = fileName + ": line " + std::to_string(line) + ": " + problem;
        return false;
    };
    if (lines.empty() || Trim(lines[0]) != "GIMP Palette")
        return fail(1, "not a GIMP palette (no \"GIMP Palette\" line)");
    PaintDeck parsed;
    for (std::size_t i = 1; i < lines.size(); ++i) {
        const std::string line = Trim(lines[i]);
        if (!ValidUtf8(line))
            return fail(i + 1, "not UTF-8 text");
        if (line.empty() || line[0] == '#' || line.rfind("Name:", 0) == 0 || line.rfind("Columns:", 0) == 0)
            continue;
        int values[3];
        std::size_t pos = 0;
        for (int& v : values) {
            while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
                ++pos;
            const std::size_t digits = pos;
            v = 0;
            while (pos < line.size() && pos - digits < 4 && std::isdigit(static_cast<unsigned char>(line[pos])))
                v = v * 10 + (line[pos++] - '0');
            if (pos == digits || v > 255 || (pos < line.size() && line[pos] != ' ' && line[pos] != '\t'))
                return fail(i + 1, "expected red, green and blue 0-255, then a name");
        }
        parsed.paints.push_back(
            MakePaint(Trim(line.substr(pos)), std::string(), {values[0] / 255.0, values[1] / 255.0, values[2] / 255.0}));
    }
    return Finish(parsed, fileName, deck, error);
}

bool ReadCsvDeck(const std::string& bytes, const std::string& fileName, PaintDeck& deck, std::string& error)
{
    const std::vector<std::string> lines = Lines(bytes);
    const auto fail = [&](std::size_t line, const std::string& problem) {
        error = fileName + ": line " + std::to_string(line) + ": " + problem;
        return false;
    };
    PaintDeck parsed;
    std::vector<std::string> f;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (Trim(lines[i]).empty())
            continue;
        if (!ValidUtf8(lines[i]))
            return fail(i + 1, "not UTF-8 text");
        if (!CsvFields(lines[i], f))
            return fail(i + 1, "a quoted field is not closed");
        if (f.size() < 3 || f.size() > 4)
            return fail(i + 1, "expected name,code,hex[,lrv], found " + std::to_string(f.size()) + " fields");
        const std::optional<Rgb> rgb = ParseHexColour(f[2]);
        if (!rgb) {
            if (parsed.paints.empty() && i == 0 && !ParseHexColour(f[2]))
                continue;  // a heading line (name,code,hex,lrv)
            return fail(i + 1, "\"" + f[2] + "\" is not a colour \"#RRGGBB\"");
        }
        Paint paint = MakePaint(f[0], f[1], *rgb);
        if (f.size() == 4 && !f[3].empty()) {
            double lrv = 0.0;
            if (!ParseNumber(f[3], lrv) || lrv < 0.0 || lrv > 100.0)
                return fail(i + 1, "LRV \"" + f[3] + "\" is not a number 0-100");
            paint.publishedLrv = lrv;
        }
        parsed.paints.push_back(std::move(paint));
    }
    return Finish(parsed, fileName, deck, error);
}

bool ReadPaintDeck(const std::string& bytes, const std::string& fileName, PaintDeck& deck, std::string& error)
{
    if (bytes.compare(0, 4, "ASEF") == 0 || HasExtension(fileName, ".ase"))
        return ReadAseDeck(bytes, fileName, deck, error);
    const std::vector<std::string> first = Lines(bytes.substr(0, 64));
    if ((!first.empty() && Trim(first[0]) == "GIMP Palette") || HasExtension(fileName, ".gpl"))
        return ReadGplDeck(bytes, fileName, deck, error);
    if (HasExtension(fileName, ".csv"))
        return ReadCsvDeck(bytes, fileName, deck, error);
    error = fileName + ": not a fan deck this program reads (.ase, .gpl or .csv)";
    return false;
}

std::vector<std::pair<std::size_t, double>> NearestPaints(const PaintDeck& deck, const Lab& lab, std::size_t count)
{
    std::vector<std::pair<std::size_t, double>> all;
    all.reserve(deck.paints.size());
    for (std::size_t i = 0; i < deck.paints.size(); ++i)
        all.emplace_back(i, DeltaE2000(lab, deck.paints[i].lab));
    count = std::min(count, all.size());
    std::partial_sort(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(count), all.end(),
                      [](const auto& x, const auto& y) { return x.second < y.second || (x.second == y.second && x.first < y.first); });
    all.resize(count);
    return all;
}

PaintFinder::PaintFinder(const PaintDeck& d) : deck(d)
{
    byLightness.reserve(deck.paints.size());
    for (std::size_t i = 0; i < deck.paints.size(); ++i)
        byLightness.emplace_back(deck.paints[i].lab.L, i);
    std::sort(byLightness.begin(), byLightness.end());
}

std::vector<std::pair<std::size_t, double>> PaintFinder::Nearest(const Lab& lab, std::size_t count) const
{
    constexpr double kLargestSl = 1.75;  // SL at L' 0 or 100 is 1.7474
    const auto better = [](const std::pair<std::size_t, double>& x, const std::pair<std::size_t, double>& y) {
        return x.second < y.second || (x.second == y.second && x.first < y.first);
    };
    std::vector<std::pair<std::size_t, double>> best;  // sorted, at most count
    if (count == 0)
        return best;
    const auto consider = [&](std::size_t index) {
        const std::pair<std::size_t, double> found(index, DeltaE2000(lab, deck.paints[index].lab));
        if (best.size() == count && !better(found, best.back()))
            return;
        best.insert(std::upper_bound(best.begin(), best.end(), found, better), found);
        if (best.size() > count)
            best.pop_back();
    };
    // Outward from the colour's lightness, the nearer side first.
    std::size_t up = static_cast<std::size_t>(
        std::lower_bound(byLightness.begin(), byLightness.end(), std::make_pair(lab.L, std::size_t{0})) -
        byLightness.begin());
    std::size_t down = up;  // the next below is down - 1
    for (;;) {
        const double upGap = up < byLightness.size() ? byLightness[up].first - lab.L : -1.0;
        const double downGap = down > 0 ? lab.L - byLightness[down - 1].first : -1.0;
        if (upGap < 0.0 && downGap < 0.0)
            break;
        const bool takeUp = downGap < 0.0 || (upGap >= 0.0 && upGap <= downGap);
        const double gap = takeUp ? upGap : downGap;
        // Strictly beyond reach: a paint at exactly the bound could tie.
        if (best.size() == count && gap / kLargestSl > best.back().second)
            break;
        consider(takeUp ? byLightness[up++].second : byLightness[--down].second);
    }
    return best;
}
