// Collecting the texture map files that records name into one folder, with a
// list of the names that could not be copied ("没有找到的贴图.txt").
#pragma once

#include "CombinationLibrary.h"

#include <set>
#include <string>
#include <vector>

class File;

// What extraction needs from the system: a small seam with a real Win32
// implementation, a POSIX one for the tool, and fakes in tests. Paths are
// code page 936 text.
class TexturePlatform {
public:
    enum class Hive { LocalMachine, CurrentUser };
    enum class EnumResult { Found, TooLong, NoMore, Failed };

    virtual ~TexturePlatform() = default;
    // True when a file (not a folder) of that name exists.
    virtual bool FileExists(const std::string& path) = 0;
    // Copies a file; fails when the target exists already.
    virtual bool CopyNoOverwrite(const std::string& from, const std::string& to) = 0;
    virtual bool CreateFolder(const std::string& path) = 0;
    // Reads a string value of at most maxBytes bytes, terminator included;
    // a missing key or value, another type, or a longer text fails.
    virtual bool ReadRegistryString(Hive hive, const std::string& key, const std::string& value, std::size_t maxBytes,
                                    std::string& out) = 0;
    // Name of subkey number index of key; TooLong for a name of more than
    // maxBytes bytes, terminator included.
    virtual EnumResult EnumRegistrySubkey(Hive hive, const std::string& key, unsigned index, std::size_t maxBytes,
                                          std::string& out) = 0;
};

// The platform in use; SetTexturePlatform(null) restores the system's own.
TexturePlatform& Textures();
TexturePlatform* SetTexturePlatform(TexturePlatform* platform);
TexturePlatform& SystemTexturePlatform();

extern const char* const kNotFoundListName;     // "没有找到的贴图.txt"
extern const char* const kExtractionDoneFormat;  // the closing message, %s = target folder
extern const char* const kDefaultExtractionFolder;  // "C:\\Tintgrove"

// The text after the last backslash (multibyte-aware), or the whole text.
std::string FileNamePart(const std::string& path);

// AutoCAD Release 14's texture folders (AVEMAPS of every user profile), in
// order; 1 when the profiles key could be enumerated, 0 otherwise.
int GetAutoCadMapFolders(std::vector<std::string>& folders);

struct ExtractionResult {
    int copied = 0;
    int notFound = 0;  // names written to the not-found list
    bool listWritten = true;  // every write to the list succeeded
};

// Copies one map file into targetFolder (which ends in a backslash), from its
// stored path or from a search folder, never overwriting; otherwise writes
// the stored name to the list (once per run). A name whose file-name part is
// empty, ".", ".." (trailing dots and spaces aside), a device such as "CON",
// holds "/" or ":" or is not code page 936 text is listed and nothing is
// copied; so is a stored path that starts with "\\" or "/" (a root or network
// path) when no search folder has the file.
void CopyMapFile(const std::string& storedName, const std::string& targetFolder, File* listFile,
                 std::set<std::string>& listedNames, const std::vector<std::string>& folders,
                 ExtractionResult& result);

// Every map of every record, into targetFolder; starts a fresh not-found list
// and shows the closing message. The folders overload searches the given
// folders instead of AutoCAD's.
ExtractionResult ExtractLibraryTextures(const CombinationLibrary& library, const std::string& targetFolder);
ExtractionResult ExtractLibraryTextures(const CombinationLibrary& library, const std::string& targetFolder,
                                        const std::vector<std::string>& folders);
// The maps of one record; adds to an existing not-found list.
ExtractionResult ExtractRecordTextures(const CombinationRecord& record, const std::string& targetFolder);

// Where extraction finds the file of a stored map name: the stored path when
// it carries one (a backslash, not at the start) and the file is there, else
// the first search folder that holds its file-name part. Empty when none does.
std::string FindMapFile(const std::string& storedName, const std::vector<std::string>& folders);
