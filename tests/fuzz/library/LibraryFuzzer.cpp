// Feeds arbitrary bytes to the file reader, the merge reader and the record
// text accessors, and checks what must hold for any input: reads stay inside
// their fields, a save and a reload give the same records, and no map name
// makes extraction copy outside its target folder (judged by resolving the
// path independently of the library's text helpers).
#include "CombinationFile.h"
#include "Cp936Text.h"
#include "LibraryExchange.h"
#include "MemoryFileLayer.h"
#include "TextEncoding.h"
#include "TextureExtraction.h"
#include "UserPrompt.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The oracle of the copies: a path is read here as Windows reads it, without
// the library's own text helpers. Code page 936 bytes become characters
// first (by the system's converter, and by the byte rules alone: a lead byte
// 0x81-0xFE and a trail byte 0x40-0xFE other than 0x7F are one character,
// any other byte is one on its own), then the characters are split at both
// slashes and the components resolved: "." and empty ones stay, ".." goes up,
// and trailing dots and spaces fall off a component, as Windows drops them.
constexpr char32_t kOther = 0x10FFFF;  // any character that is not ASCII

std::u32string ByByteRules(const std::string& bytes)
{
    std::u32string chars;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        const auto next = i + 1 < bytes.size() ? static_cast<unsigned char>(bytes[i + 1]) : 0;
        if (c >= 0x81 && c <= 0xFE && next >= 0x40 && next <= 0xFE && next != 0x7F) {
            chars += kOther;
            ++i;
        } else {
            chars += c < 0x80 ? char32_t(c) : kOther;
        }
    }
    return chars;
}

bool BySystem(const std::string& bytes, std::u32string& chars)
{
    std::string utf8;
    if (!Cp936ToUtf8(bytes, utf8))
        return false;
    chars.clear();
    for (unsigned char c : utf8)
        if (c < 0x80)
            chars += char32_t(c);
        else if (c >= 0xC0)
            chars += kOther;  // the first byte of a multibyte character
    return true;
}

bool IsDeviceName(std::u32string name)
{
    const std::size_t dot = name.find(U'.');
    if (dot != std::u32string::npos)
        name.resize(dot);
    while (!name.empty() && name.back() == U' ')
        name.pop_back();
    std::string ascii;
    for (char32_t c : name)
        ascii += c < 0x80 ? static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c) : '?';
    if (ascii == "CON" || ascii == "PRN" || ascii == "AUX" || ascii == "NUL")
        return true;
    return ascii.size() == 4 && (ascii.compare(0, 3, "COM") == 0 || ascii.compare(0, 3, "LPT") == 0) &&
           ascii[3] >= '1' && ascii[3] <= '9';
}

// The components a relative path ends in; false when it leaves its start,
// is rooted, or names a drive, a stream or a device.
bool Resolve(const std::u32string& path, std::vector<std::u32string>& components)
{
    components.clear();
    if (!path.empty() && (path[0] == U'\\' || path[0] == U'/'))
        return false;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = start;
        while (end < path.size() && path[end] != U'\\' && path[end] != U'/')
            ++end;
        std::u32string part = path.substr(start, end - start);
        if (part.find(U':') != std::u32string::npos)
            return false;
        if (part != U"." && part != U"..")
            while (!part.empty() && (part.back() == U'.' || part.back() == U' '))
                part.pop_back();
        if (part == U"..") {
            if (components.empty())
                return false;
            components.pop_back();
        } else if (!part.empty() && part != U".") {
            if (IsDeviceName(part))
                return false;
            components.push_back(part);
        }
        if (end == path.size())
            return true;
        start = end + 1;
    }
}

// Every copy must land on a file directly inside the target folder, and no
// copy may read from a rooted or network path.
void CheckCopy(const std::u32string& from, const std::u32string& to, const std::u32string& folder)
{
    if (!from.empty() && (from[0] == U'\\' || from[0] == U'/'))
        std::abort();
    std::vector<std::u32string> inside, base;
    if (!Resolve(to, inside) || !Resolve(folder, base) || inside.size() != base.size() + 1 ||
        !std::equal(base.begin(), base.end(), inside.begin()))
        std::abort();
}

// Accepts every copy, and aborts when one would land outside the target folder.
class CheckingTextures : public TexturePlatform {
public:
    std::string target;
    bool FileExists(const std::string&) override { return true; }
    bool CopyNoOverwrite(const std::string& from, const std::string& to) override
    {
        CheckCopy(ByByteRules(from), ByByteRules(to), ByByteRules(target));
        std::u32string systemFrom, systemTo, systemTarget;
        if (BySystem(from, systemFrom) && BySystem(to, systemTo) && BySystem(target, systemTarget))
            CheckCopy(systemFrom, systemTo, systemTarget);
        return true;
    }
    bool CreateFolder(const std::string&) override { return true; }
    bool ReadRegistryString(Hive, const std::string&, const std::string&, std::size_t, std::string&) override
    {
        return false;
    }
    EnumResult EnumRegistrySubkey(Hive, const std::string&, unsigned, std::size_t, std::string&) override
    {
        return EnumResult::Failed;
    }
};

void TouchTexts(const CombinationRecord& r, std::size_t& sum)
{
    for (std::string_view t : {FieldView(r.name), FieldView(r.shortDescription), FieldView(r.roomCategory),
                               FieldView(r.indexList1), FieldView(r.indexList2), FieldView(r.longDescription),
                               FieldView(r.extraText1), FieldView(r.extraText2)}) {
        sum += t.size() + cp936::IsValid(t) + cp936::FoldCase(t).size() + cp936::FindLastChar(t, '/');
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
    MemoryFileLayer memory;
    FileLayer* previousFiles = SetFileLayer(&memory);
    CheckingTextures textures;
    textures.target = "T\\";
    TexturePlatform* previousTextures = SetTexturePlatform(&textures);

    memory.files["in.tgv"].assign(data, data + size);
    CombinationLibrary library;
    std::size_t sum = 0;
    if (ReadCombinationFile("in.tgv", library) == 1) {
        if (static_cast<std::size_t>(library.GetCount()) != (size - 32) / sizeof(CombinationRecord))
            std::abort();
        std::vector<std::string> categories;
        ListRoomCategories(library, categories);
        for (const CombinationRecord& r : library) {
            TouchTexts(r, sum);
            if (FindCombination(library, FieldView(r.name), FieldView(r.roomCategory)) < 0)
                std::abort();
            std::vector<std::string> names;
            std::vector<int> indices;
            ListNamesInCategory(library, FieldView(r.roomCategory), names, indices);
            const std::string keyword(FieldView(r.name).substr(0, 3));
            SearchCombinations(library, keyword.c_str(), FieldView(r.roomCategory), nullptr, indices);
            sum += indices.size();
        }

        // Saving and reloading gives the same records.
        if (WriteCombinationFile("out.tgv", library) != 1)
            std::abort();
        CombinationLibrary again;
        if (ReadCombinationFile("out.tgv", again) != 1 || again.GetCount() != library.GetCount() ||
            (library.GetCount() > 0 &&
             std::memcmp(again.begin(), library.begin(), sizeof(CombinationRecord) * library.GetCount()) != 0))
            std::abort();

        // Merging the file into itself: decisions taken from the data.
        std::size_t step = 0;
        const MergeResult merged = MergeCombinationFile("in.tgv", library, [&](const CombinationRecord&, const CombinationRecord&) {
            return static_cast<MergeDecision>(data[step++ % size] % 5);
        });
        if (merged.added + merged.replaced > again.GetCount())
            std::abort();

        ExtractLibraryTextures(library, textures.target, {"F1", ""});
    }
    (void)sum;
    SetTexturePlatform(previousTextures);
    SetFileLayer(previousFiles);
    return 0;
}
