// Feeds arbitrary bytes to the file reader, the merge reader and the record
// text accessors, and checks what must hold for any input: reads stay inside
// their fields, a save and a reload give the same records, and no map name
// makes extraction copy outside its target folder.
#include "CombinationFile.h"
#include "Cp936Text.h"
#include "LibraryExchange.h"
#include "MemoryFileLayer.h"
#include "TextureExtraction.h"
#include "UserPrompt.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Accepts every copy, and aborts when one would land outside the target folder.
class CheckingTextures : public TexturePlatform {
public:
    std::string target;
    bool FileExists(const std::string&) override { return true; }
    bool CopyNoOverwrite(const std::string&, const std::string& to) override
    {
        if (to.compare(0, target.size(), target) != 0)
            std::abort();
        const std::string name = to.substr(target.size());
        if (name.empty() || name == "." || name == ".." || cp936::FindFirstChar(name, '\\') != std::string::npos ||
            cp936::FindFirstChar(name, '/') != std::string::npos || cp936::FindFirstChar(name, ':') != std::string::npos)
            std::abort();
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
