#include "FileLayer.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <chrono>
#include <random>
#include <utility>

namespace {
FileLayer* currentLayer = nullptr;

constexpr const char* kTemporaryMark = ".tmp";
constexpr std::size_t kTemporaryDigits = 16;
// Names that are taken by another save (or anything else) are passed over;
// this many tries make an endless collision impossible in practice.
constexpr int kTemporaryAttempts = 64;

uint64_t Mix(uint64_t x)
{
    // splitmix64's finaliser: every input bit reaches every output bit.
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

uint64_t ProcessSeed()
{
    // Different in every process (the system's random source, the clock and
    // an address of this run), so two processes never walk the same names.
    static const uint64_t seed = [] {
        std::random_device device;
        const uint64_t random = (uint64_t(device()) << 32) ^ device();
        const uint64_t clock = static_cast<uint64_t>(std::chrono::high_resolution_clock::now().time_since_epoch().count());
        return Mix(random ^ Mix(clock) ^ reinterpret_cast<uintptr_t>(&currentLayer));
    }();
    return seed;
}

std::atomic<uint64_t> temporaryCounter{0};

class NoHold final : public FileHold {};

// Plain bytes, not a std::string: a thread-local object with a destructor
// would pin the plug-in's DLL in memory until its thread ends (MinGW's
// thread-exit handlers hold a reference to the module), and FreeLibrary
// would no longer unload it.
struct NotedError {
    long code;
    char text[512];
};
thread_local NotedError lastFileError = {0, {}};

}  // namespace

FileError LastFileError()
{
    return FileError{lastFileError.code, lastFileError.text};
}

void NoteFileError(long code, const std::string& text)
{
    lastFileError.code = code;
    const std::size_t n = std::min(text.size(), sizeof lastFileError.text - 1);
    // Cut at a whole character: a lead byte of code page 936 never ends the text.
    std::size_t end = 0;
    for (std::size_t i = 0; i < n;) {
        const std::size_t width = (static_cast<unsigned char>(text[i]) >= 0x81 && i + 1 < text.size()) ? 2 : 1;
        if (i + width > n)
            break;
        i += width;
        end = i;
    }
    std::memcpy(lastFileError.text, text.data(), end);
    lastFileError.text[end] = '\0';
}

std::string FileErrorText(const char* fallback)
{
    return lastFileError.text[0] == '\0' ? std::string(fallback) : std::string(lastFileError.text);
}

FileLayer& Files()
{
    return currentLayer ? *currentLayer : PlatformFiles();
}

FileLayer* SetFileLayer(FileLayer* layer)
{
    FileLayer* previous = currentLayer ? currentLayer : &PlatformFiles();
    currentLayer = layer;
    return previous;
}

std::unique_ptr<FileHold> FileLayer::Hold(const std::string& path)
{
    return Exists(path) ? std::make_unique<NoHold>() : nullptr;
}

bool FileLayer::RemoveUnlessHeld(const std::string& path)
{
    return Remove(path);
}

std::vector<std::string> FileLayer::ListSiblings(const std::string&)
{
    return {};
}

SaveTarget FileLayer::ResolveSaveTarget(const std::string& path)
{
    SaveTarget target;
    target.path = path;
    return target;
}

bool FileLayer::Stat(const std::string& path, FileInfo& info)
{
    std::unique_ptr<File> file = Open(path, OpenMode::Read);
    return file && file->Info(info);
}

LockAttempt FileLayer::TryLock(const std::string&, std::unique_ptr<FileHold>& held)
{
    held = std::make_unique<NoHold>();
    return LockAttempt::Acquired;
}

bool WriteAll(File& file, const void* buffer, std::size_t size)
{
    return file.Write(buffer, size) == size;
}

std::string UniqueTemporaryName(const std::string& path)
{
    const uint64_t value = Mix(ProcessSeed() + temporaryCounter.fetch_add(1));
    static const char digits[] = "0123456789abcdef";
    std::string name = path + kTemporaryMark;
    for (std::size_t i = 0; i < kTemporaryDigits; ++i)
        name += digits[(value >> (4 * (kTemporaryDigits - 1 - i))) & 0xF];
    return name;
}

bool IsTemporaryNameOf(const std::string& name, const std::string& path)
{
    const std::string stem = path + kTemporaryMark;
    if (name.size() <= stem.size() || name.size() > stem.size() + kTemporaryDigits || name.compare(0, stem.size(), stem) != 0)
        return false;
    // Earlier versions numbered their temporaries (".tmp0" to ".tmp15"):
    // decimal digits are hex digits too.
    for (std::size_t i = stem.size(); i < name.size(); ++i) {
        const char c = name[i];
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}

int ClearStaleTemporaries(FileLayer& files, const std::string& path)
{
    int removed = 0;
    for (const std::string& sibling : files.ListSiblings(path))
        if (IsTemporaryNameOf(sibling, path) && files.RemoveUnlessHeld(sibling))
            ++removed;
    return removed;
}

TemporaryFile::~TemporaryFile()
{
    file.reset();
    if (!committed && !name.empty())
        files.Remove(name);
    hold.reset();
}

bool TemporaryFile::Create(const std::string& target)
{
    for (int attempt = 0; attempt < kTemporaryAttempts; ++attempt) {
        name = UniqueTemporaryName(target);
        file = files.Open(name, OpenMode::CreateNew);
        if (!file) {
            const bool taken = files.Exists(name);
            name.clear();
            if (taken)
                continue;  // somebody else's: another name
            return false;  // the folder does not take new files
        }
        hold = files.Hold(name);
        if (hold)
            return true;
        // Another save cleared it away before it was held: another name.
        file.reset();
        files.Remove(name);
        name.clear();
    }
    return false;
}

bool TemporaryFile::Commit(bool produced, const std::string& target)
{
    bool ok = produced;
    if (file && file->IsOpen()) {
        ok = file->Flush() && ok;
        ok = file->Close() && ok;
    }
    file.reset();
    if (!ok || !files.Replace(name, target))
        return false;
    committed = true;
    hold.reset();
    return true;
}
