#include "TextureExtraction.h"

#include "Cp936Text.h"
#include "FileLayer.h"
#include "UserPrompt.h"

#include <cstdio>
#include <string_view>

const char* const kNotFoundListName = "没有找到的贴图.txt";
const char* const kExtractionDoneFormat = "系统已经把所有找到的图片放在%s目录里，其余请见<没有找到的贴图.txt>";
const char* const kDefaultExtractionFolder = "C:\\Tintgrove";

namespace {

TexturePlatform* currentPlatform = nullptr;

constexpr std::size_t kCurVerBytes = 80;
constexpr std::size_t kProfileNameBytes = 80;
constexpr std::size_t kAveMapsBytes = 8000;
constexpr std::size_t kFolderPieceBytes = 250;

const char* const kAcadKey = "SOFTWARE\\Autodesk\\AutoCAD\\R14.0";

// A name Windows reads as a device (with any extension), not as a file.
bool IsDeviceName(std::string_view name)
{
    name = name.substr(0, name.find('.'));
    while (!name.empty() && name.back() == ' ')
        name.remove_suffix(1);
    std::string upper(name);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    if (upper == "CON" || upper == "PRN" || upper == "AUX" || upper == "NUL")
        return true;
    return upper.size() == 4 && (upper.compare(0, 3, "COM") == 0 || upper.compare(0, 3, "LPT") == 0) &&
           upper[3] >= '1' && upper[3] <= '9';
}

// A file-name part that could lead a copy out of the target folder or name
// no file at all: a separator or drive colon in it, bytes that are not code
// page 936 text (which a converter may read as separators), a name that
// Windows, dropping its trailing dots and spaces, takes for the folder itself
// or its parent, or a device.
bool IsUnsafeFileName(const std::string& name)
{
    if (!cp936::IsValid(name) || cp936::FindFirstChar(name, '/') != std::string::npos ||
        cp936::FindFirstChar(name, ':') != std::string::npos)
        return true;
    std::string_view trimmed = name;
    while (!trimmed.empty() && (trimmed.back() == '.' || trimmed.back() == ' '))
        trimmed.remove_suffix(1);
    return trimmed.empty() || IsDeviceName(trimmed);
}

void ListNotFound(const std::string& storedName, File* listFile, std::set<std::string>& listedNames,
                  ExtractionResult& result)
{
    if (!listedNames.insert(storedName).second)
        return;
    ++result.notFound;
    const std::string line = storedName + "\r\n";
    if (!listFile || !WriteAll(*listFile, line.data(), line.size()))
        result.listWritten = false;
}

void ExtractSlots(const CombinationRecord& record, const std::string& targetFolder, File* listFile,
                  std::set<std::string>& listedNames, const std::vector<std::string>& folders, ExtractionResult& result)
{
    for (const MaterialSlot& slot : record.materials)
        for (const auto& map : slot.mapFile) {
            const std::string storedName = FieldString(map);
            if (!storedName.empty())
                CopyMapFile(storedName, targetFolder, listFile, listedNames, folders, result);
        }
}

void ShowDone(const std::string& targetFolder)
{
    std::string text = kExtractionDoneFormat;
    const std::size_t at = text.find("%s");
    text.replace(at, 2, targetFolder);
    Prompt(text, PromptButtons::Ok);
}

ExtractionResult Extract(const CombinationRecord* first, const CombinationRecord* last, const std::string& targetFolder,
                         const std::vector<std::string>& folders, bool appendToList)
{
    ExtractionResult result;
    const std::string listPath = targetFolder + kNotFoundListName;
    FileLayer& files = Files();
    const OpenMode mode = appendToList && files.Exists(listPath) ? OpenMode::Append : OpenMode::Create;
    std::unique_ptr<File> listFile = files.Open(listPath, mode);
    if (!listFile)
        result.listWritten = false;
    std::set<std::string> listedNames;
    for (const CombinationRecord* r = first; r != last; ++r)
        ExtractSlots(*r, targetFolder, listFile.get(), listedNames, folders, result);
    ShowDone(targetFolder);
    if (listFile && !listFile->Close())
        result.listWritten = false;
    return result;
}

}  // namespace

TexturePlatform& Textures()
{
    return currentPlatform ? *currentPlatform : SystemTexturePlatform();
}

TexturePlatform* SetTexturePlatform(TexturePlatform* platform)
{
    TexturePlatform* previous = currentPlatform ? currentPlatform : &SystemTexturePlatform();
    currentPlatform = platform;
    return previous;
}

std::string FileNamePart(const std::string& path)
{
    const std::size_t slash = cp936::FindLastChar(path, '\\');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int GetAutoCadMapFolders(std::vector<std::string>& folders)
{
    folders.clear();
    TexturePlatform& platform = Textures();
    std::string curVer;
    if (!platform.ReadRegistryString(TexturePlatform::Hive::LocalMachine, kAcadKey, "CurVer", kCurVerBytes, curVer))
        return 0;
    const std::string profilesKey = "Software\\Autodesk\\AutoCAD\\R14.0\\" + curVer + "\\Profiles";
    bool any = false;
    for (unsigned index = 0;; ++index) {
        std::string profile;
        const auto found =
            platform.EnumRegistrySubkey(TexturePlatform::Hive::CurrentUser, profilesKey, index, kProfileNameBytes, profile);
        if (found == TexturePlatform::EnumResult::NoMore || found == TexturePlatform::EnumResult::Failed)
            break;
        any = true;
        if (found == TexturePlatform::EnumResult::TooLong)
            continue;  // a cut name would open another profile's key
        std::string maps;
        if (!platform.ReadRegistryString(TexturePlatform::Hive::CurrentUser, profilesKey + "\\" + profile + "\\General",
                                         "AVEMAPS", kAveMapsBytes, maps))
            continue;
        std::size_t start = 0;
        for (;;) {
            const std::size_t semicolon = cp936::FindFirstChar(std::string_view(maps).substr(start), ';');
            const std::size_t end = semicolon == std::string::npos ? maps.size() : start + semicolon;
            // A piece that does not fit its buffer is skipped, never cut into another path.
            if (end - start < kFolderPieceBytes)
                folders.push_back(maps.substr(start, end - start));
            if (semicolon == std::string::npos)
                break;
            start = end + 1;
        }
    }
    return any ? 1 : 0;
}

void CopyMapFile(const std::string& storedName, const std::string& targetFolder, File* listFile,
                 std::set<std::string>& listedNames, const std::vector<std::string>& folders, ExtractionResult& result)
{
    TexturePlatform& platform = Textures();
    const std::string fileName = FileNamePart(storedName);
    if (IsUnsafeFileName(fileName)) {
        ListNotFound(storedName, listFile, listedNames, result);
        return;
    }
    const std::string target = targetFolder + fileName;
    // Windows takes '/' for '\\' too: a name that starts with either is a
    // network (UNC) or root path that the file names, never opened.
    if (cp936::FindFirstChar(storedName, '\\') != std::string::npos && storedName[0] != '\\' &&
        storedName[0] != '/' && platform.CopyNoOverwrite(storedName, target)) {
        ++result.copied;
        return;
    }
    for (const std::string& folder : folders) {
        const std::string candidate = folder + "\\" + fileName;
        if (platform.FileExists(candidate) && platform.CopyNoOverwrite(candidate, target)) {
            ++result.copied;
            return;
        }
    }
    ListNotFound(storedName, listFile, listedNames, result);
}

ExtractionResult ExtractLibraryTextures(const CombinationLibrary& library, const std::string& targetFolder)
{
    std::vector<std::string> folders;
    GetAutoCadMapFolders(folders);
    return ExtractLibraryTextures(library, targetFolder, folders);
}

ExtractionResult ExtractLibraryTextures(const CombinationLibrary& library, const std::string& targetFolder,
                                        const std::vector<std::string>& folders)
{
    return Extract(library.begin(), library.end(), targetFolder, folders, false);
}

ExtractionResult ExtractRecordTextures(const CombinationRecord& record, const std::string& targetFolder)
{
    std::vector<std::string> folders;
    GetAutoCadMapFolders(folders);
    return Extract(&record, &record + 1, targetFolder, folders, true);
}

std::string FindMapFile(const std::string& storedName, const std::vector<std::string>& folders)
{
    TexturePlatform& platform = Textures();
    const std::string fileName = FileNamePart(storedName);
    if (IsUnsafeFileName(fileName))
        return std::string();
    if (cp936::FindFirstChar(storedName, '\\') != std::string::npos && storedName[0] != '\\' &&
        platform.FileExists(storedName))
        return storedName;
    for (const std::string& folder : folders) {
        const std::string candidate = folder + "\\" + fileName;
        if (platform.FileExists(candidate))
            return candidate;
    }
    return std::string();
}
