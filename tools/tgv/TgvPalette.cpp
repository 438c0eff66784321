// tgv palette: each combination of a library as a group of three named
// swatches (ceiling, wall, floor) in a palette file other programs read.
#include "Cp936Text.h"
#include "PaletteWriter.h"
#include "RecordStream.h"
#include "TextDisplay.h"
#include "TextEncoding.h"
#include "TgvContrast.h"
#include "TgvSubcommands.h"

#include <cctype>
#include <ostream>

namespace {

bool EndsWith(const std::string& name, const char* ext)
{
    const std::string e(ext);
    if (name.size() < e.size())
        return false;
    for (std::size_t i = 0; i < e.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(name[name.size() - e.size() + i])) != e[i])
            return false;
    return true;
}

std::string Utf8Name(std::string_view cp936Text)
{
    std::string utf8;
    return Cp936ToUtf8(cp936Text, utf8) ? utf8 : DisplayText(cp936Text);
}

}  // namespace

int RunPalette(TgvIo& io, const PaletteOptions& options)
{
    const bool ase = EndsWith(options.output, ".ase");
    if (!ase && !EndsWith(options.output, ".gpl"))
        throw Failure{"the palette's file name must end in .ase or .gpl: " + DisplayUtf8(options.output)};
    std::string only = options.category.empty() ? std::string() : LayerPath(options.category);
    if (!only.empty() && only.back() != '/')
        only += '/';

    RecordStream stream(options.file, io.in, kRecordBatch);
    std::vector<SwatchGroup> groups;
    CombinationRecord r;
    while (stream.Next(r)) {
        const std::string_view category = FieldView(r.roomCategory);
        if (!only.empty() && !(category.size() >= only.size() && cp936::EqualsNoCase(category.substr(0, only.size()), only)))
            continue;
        const std::string name = Utf8Name(FieldView(r.name));
        SwatchGroup group{name, {}};
        const struct {
            int slot;
            const char* word;
        } surfaces[] = {{kCeiling, u8" 顶棚"}, {kWall, u8" 墙面"}, {kFloor, u8" 地面"}};
        for (const auto& s : surfaces) {
            const MaterialSlot& slot = r.materials[s.slot];
            group.swatches.push_back({name + s.word, {slot.color[0], slot.color[1], slot.color[2]}});
        }
        groups.push_back(std::move(group));
    }
    bool fragment = false;
    stream.ReportFragment(io, fragment);
    if (groups.empty())
        throw Failure{options.category.empty() ? std::string("no records to write")
                                               : "no records in the category \"" + DisplayUtf8(options.category) + "\"",
                      kExitProblems};
    WriteOutput(options.output, ase ? WriteAsePalette(groups) : WriteGplPalette(u8"染界配色", groups), io.out);
    io.out << "wrote " << groups.size() << " combinations, " << 3 * groups.size() << " swatches, to "
           << DisplayUtf8(options.output) << "\n";
    return fragment ? kExitProblems : kExitOk;
}
