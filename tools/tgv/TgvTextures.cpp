// tgv textures: the texture files a library names, collected into one
// folder. Each distinct stored name is looked for at its stored path and in
// the search folders; a found file is copied to a temporary name in the
// target folder first and moved to its own name only when complete, so a
// failed copy (a full disk) never leaves a partial file behind. A file that
// is already there with the same bytes is not copied again.
#include "Cp936Text.h"
#include "FileLayer.h"
#include "TextDisplay.h"
#include "TextureExtraction.h"
#include "RecordStream.h"
#include "TgvSubcommands.h"

#include <cstring>
#include <filesystem>
#include <ostream>
#include <set>

namespace fs = std::filesystem;

namespace {

struct Counts {
    int copied = 0, present = 0, replaced = 0, different = 0, failed = 0, notFound = 0;
};

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

// The stored path itself is tried only when it names a folder and does not
// start with a separator ("\\server\share", "//server/share" or a root):
// names read from files never reach a share the file chose.
bool MayOpenStoredPath(const std::string& stored)
{
    return !stored.empty() && !IsSeparator(stored[0]) &&
           (cp936::FindFirstChar(stored, '\\') != std::string::npos ||
            cp936::FindFirstChar(stored, '/') != std::string::npos);
}

bool SameContents(const std::string& a, const std::string& b)
{
    std::unique_ptr<File> fa = Files().Open(a, OpenMode::Read), fb = Files().Open(b, OpenMode::Read);
    if (!fa || !fb || fa->Size() != fb->Size() || fa->Size() < 0)
        return false;
    char ba[65536], bb[65536];
    for (;;) {
        const std::size_t na = fa->Read(ba, sizeof ba), nb = fb->Read(bb, sizeof bb);
        if (na != nb || std::memcmp(ba, bb, na) != 0)
            return false;
        if (na == 0)
            return true;
    }
}

class Collector {
public:
    Collector(TgvIo& streams, std::string targetFolder, const std::vector<std::string>& searchFolders, bool replace)
        : io(streams), folder(std::move(targetFolder)), folders(searchFolders), overwrite(replace)
    {
    }

    void Collect(const std::string& stored)
    {
        if (!seen.insert(stored).second)
            return;
        const std::string name = MapFileName(stored);
        if (name.empty() || name == "." || name == ".." || cp936::FindFirstChar(name, ':') != std::string::npos) {
            NotFound(stored);
            return;
        }
        TexturePlatform& platform = Textures();
        std::vector<std::string> candidates;
        if (MayOpenStoredPath(stored))
            candidates.push_back(stored);
        for (const std::string& f : folders)
            candidates.push_back(f + "\\" + name);
        for (const std::string& source : candidates)
            if (platform.FileExists(source)) {
                Place(source, name);
                return;
            }
        NotFound(stored);
    }

    Counts counts;
    std::string notFoundList;  // code page 936 lines, as the plug-in writes them

private:
    void NotFound(const std::string& stored)
    {
        ++counts.notFound;
        notFoundList += stored + "\r\n";
    }

    std::string TemporaryCopy(const std::string& source)
    {
        TexturePlatform& platform = Textures();
        for (int n = 0; n < 1000; ++n) {
            const std::string temp = folder + ".tgv-copy-" + std::to_string(n) + ".tmp";
            if (platform.FileExists(temp) || Files().Exists(temp))
                continue;
            if (platform.CopyNoOverwrite(source, temp))
                return temp;
            // The copy failed part-way (a full disk) or the name was taken
            // meanwhile: whatever was written under this name is ours.
            if (Files().Exists(temp)) {
                Files().Remove(temp);
                if (Files().Exists(temp))
                    continue;
            }
            return std::string();
        }
        return std::string();
    }

    void Place(const std::string& source, const std::string& name)
    {
        const std::string target = folder + name;
        const std::string temp = TemporaryCopy(source);
        if (temp.empty()) {
            ++counts.failed;
            io.err << "tgv: could not copy " << DisplayText(source) << " (a full disk, or no right to write)\n";
            return;
        }
        const bool exists = Files().Exists(target);
        if (exists && SameContents(temp, target)) {
            Files().Remove(temp);
            ++counts.present;
            return;
        }
        if (exists && !overwrite) {
            Files().Remove(temp);
            ++counts.different;
            io.err << "tgv: " << DisplayText(name) << " is in the folder already with other contents than "
                   << DisplayText(source) << "; kept (--overwrite replaces it)\n";
            return;
        }
        if (!Files().Replace(temp, target)) {
            Files().Remove(temp);
            ++counts.failed;
            io.err << "tgv: could not put " << DisplayText(name) << " into the folder\n";
            return;
        }
        ++(exists ? counts.replaced : counts.copied);
    }

    TgvIo& io;
    std::string folder;  // code page 936, ends in a separator
    std::vector<std::string> folders;
    bool overwrite;
    std::set<std::string> seen;
};

}  // namespace

int RunTextures(TgvIo& io, const std::string& file, const std::string& target,
                const std::vector<std::string>& searchFolders, bool useRegistry, bool overwrite)
{
    const fs::path targetPath = fs::u8path(target);
    std::error_code ec;
    // A folder that is not there yet is made, with the folders above it.
    if (!fs::is_directory(targetPath, ec) && (fs::create_directories(targetPath, ec), !fs::is_directory(targetPath, ec)))
        throw Failure{target + ": the folder cannot be created (a file of that name, or no right to write)"};
    const fs::path listPath = targetPath / fs::u8path(u8"没有找到的贴图.txt");
    // The list is ours to write, never a file a link there points to.
    if (fs::is_symlink(fs::symlink_status(listPath, ec)))
        throw Failure{listPath.u8string() + " is a link; tgv does not write through it. Remove it and run again"};

    std::vector<std::string> folders;
    if (useRegistry) {
#ifdef _WIN32
        if (!GetAutoCadMapFolders(folders))
            io.err << "tgv: no texture folders of AutoCAD R14 were found in the registry\n";
#else
        throw Failure{"--registry: this system has no Windows registry, so AutoCAD's texture folders cannot be "
                      "searched; name them with --search"};
#endif
    }
    for (const std::string& s : searchFolders)
        folders.push_back(LayerPath(s));

    RecordStream stream(file, io.in, kRecordBatch);
    std::string folder = LayerPath(target);
    if (folder.empty() || !IsSeparator(folder.back()))
        folder += kPathSeparator;

    Collector collector(io, folder, folders, overwrite);
    CombinationRecord r;
    while (stream.Next(r))
        for (const MaterialSlot& slot : r.materials)
            for (const auto& map : slot.mapFile)
                if (!FieldView(map).empty())
                    collector.Collect(FieldString(map));
    bool fragment = false;
    stream.ReportFragment(io, fragment);

    // The list names what is still missing; once everything was found, an
    // earlier run's list would only mislead.
    const std::string list = collector.notFoundList;
    if (collector.counts.notFound == 0) {
        if (Files().Exists(folder + kNotFoundListName) && !Files().Remove(folder + kNotFoundListName))
            throw Failure{listPath.u8string() + ": the list of an earlier run could not be removed; every texture "
                                                "was found this time"};
    } else if (!SaveFileSafely(folder + kNotFoundListName,
                               [&](File& f) { return WriteAll(f, list.data(), list.size()); })) {
        throw Failure{listPath.u8string() + ": the list of textures not found could not be written"};
    }

    const Counts& c = collector.counts;
    io.out << "copied " << c.copied << ", already present " << c.present;
    if (c.replaced)
        io.out << ", replaced " << c.replaced;
    if (c.different)
        io.out << ", different and kept " << c.different;
    if (c.failed)
        io.out << ", failed " << c.failed;
    io.out << ", not found " << c.notFound << "\n";
    if (c.notFound)
        io.out << "not found: listed in " << listPath.u8string() << "\n";
    return c.notFound || c.failed || c.different || fragment ? kExitProblems : kExitOk;
}
