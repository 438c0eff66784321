#include "MemoryFileLayer.h"

#include "Cp936Text.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

class MemoryFile final : public File {
public:
    MemoryFile(MemoryFileLayer& owner, std::string name, std::vector<unsigned char>& bytes, bool append)
        : layer(owner), path(std::move(name)), data(&bytes), position(append ? bytes.size() : 0)
    {
    }

    std::size_t Read(void* buffer, std::size_t size) override
    {
        if (!data || position >= data->size())
            return 0;
        const std::size_t n = std::min(size, data->size() - position);
        std::memcpy(buffer, data->data() + position, n);
        position += n;
        return n;
    }

    std::size_t Write(const void* buffer, std::size_t size) override
    {
        if (!data)
            return 0;
        if (data->size() < position + size)
            data->resize(position + size);
        std::memcpy(data->data() + position, buffer, size);
        position += size;
        layer.Touched(path);
        return size;
    }

    std::size_t ReadAt(uint64_t offset, void* buffer, std::size_t size) override
    {
        if (!data || offset >= data->size())
            return 0;
        const std::size_t n = std::min<std::size_t>(size, data->size() - static_cast<std::size_t>(offset));
        std::memcpy(buffer, data->data() + offset, n);
        return n;
    }

    bool Info(FileInfo& info) override
    {
        return data && layer.Stat(path, info);
    }

    bool Truncate(int64_t size) override
    {
        if (!data || size < 0)
            return false;
        data->resize(static_cast<std::size_t>(size));
        position = std::min(position, data->size());
        layer.Touched(path);
        return true;
    }

    bool Flush() override { return data != nullptr; }
    int64_t Size() override { return data ? static_cast<int64_t>(data->size()) : -1; }
    bool Close() override
    {
        const bool wasOpen = data != nullptr;
        data = nullptr;
        return wasOpen;
    }
    bool IsOpen() const override { return data != nullptr; }

private:
    MemoryFileLayer& layer;
    std::string path;
    std::vector<unsigned char>* data;
    std::size_t position;
};

// A name in a set while it lives: a held file, or a held lock.
class MemoryMark final : public FileHold {
public:
    MemoryMark(std::set<std::string>& marks, std::string markedName) : set(marks), name(std::move(markedName))
    {
        set.insert(name);
    }
    ~MemoryMark() override { set.erase(name); }

private:
    std::set<std::string>& set;
    std::string name;
};

std::size_t FolderLength(const std::string& path)
{
    const std::size_t backslash = cp936::FindLastChar(path, '\\');
    const std::size_t slash = path.rfind('/');  // never a trail byte
    std::size_t last = backslash == std::string::npos ? slash : backslash;
    if (slash != std::string::npos && backslash != std::string::npos && slash > backslash)
        last = slash;
    return last == std::string::npos ? 0 : last + 1;
}

}  // namespace

std::unique_ptr<File> MemoryFileLayer::Open(const std::string& path, OpenMode mode)
{
    if (folders.count(path))
        return nullptr;
    auto it = files.find(path);
    if (mode == OpenMode::Read) {
        if (it == files.end())
            return nullptr;
        return std::make_unique<MemoryFile>(*this, path, it->second, false);
    }
    if (mode == OpenMode::CreateNew && it != files.end())
        return nullptr;
    if (it == files.end())
        identities[path] = NewIdentity();
    auto& bytes = files[path];
    if (mode == OpenMode::Create) {
        bytes.clear();
        Touched(path);
    }
    return std::make_unique<MemoryFile>(*this, path, bytes, mode == OpenMode::Append);
}

bool MemoryFileLayer::Replace(const std::string& from, const std::string& to)
{
    auto it = files.find(from);
    if (it == files.end() || folders.count(to))
        return false;
    std::vector<unsigned char> bytes = std::move(it->second);
    files.erase(it);
    files[to] = std::move(bytes);
    identities[to] = identities[from];
    writeTimes[to] = writeTimes[from];
    identities.erase(from);
    writeTimes.erase(from);
    return true;
}

bool MemoryFileLayer::Remove(const std::string& path)
{
    identities.erase(path);
    writeTimes.erase(path);
    return files.erase(path) > 0;
}

bool MemoryFileLayer::Exists(const std::string& path)
{
    return files.count(path) > 0 || folders.count(path) > 0;
}

std::unique_ptr<FileHold> MemoryFileLayer::Hold(const std::string& path)
{
    if (!files.count(path) || held.count(path))
        return nullptr;
    return std::make_unique<MemoryMark>(held, path);
}

bool MemoryFileLayer::RemoveUnlessHeld(const std::string& path)
{
    return !held.count(path) && Remove(path);
}

std::vector<std::string> MemoryFileLayer::ListSiblings(const std::string& path)
{
    const std::size_t folder = FolderLength(path);
    std::vector<std::string> siblings;
    for (const auto& entry : files)
        if (entry.first.compare(0, folder, path, 0, folder) == 0 && FolderLength(entry.first) == folder)
            siblings.push_back(entry.first);
    return siblings;
}

SaveTarget MemoryFileLayer::ResolveSaveTarget(const std::string& path)
{
    SaveTarget target;
    target.path = path;
    target.readOnly = files.count(path) && readOnly.count(path);
    return target;
}

bool MemoryFileLayer::Stat(const std::string& path, FileInfo& info)
{
    auto it = files.find(path);
    if (it == files.end())
        return false;
    info.size = static_cast<int64_t>(it->second.size());
    info.writeTime = writeTimes[path];
    info.identity = identities[path];
    return true;
}

void MemoryFileLayer::Touched(const std::string& path)
{
    writeTimes[path] = ++clock;
}

LockAttempt MemoryFileLayer::TryLock(const std::string& lockPath, std::unique_ptr<FileHold>& lock)
{
    if (folders.count(lockPath)) {
        NoteFileError(5, "access denied");
        return LockAttempt::Failed;
    }
    if (locks.count(lockPath))
        return LockAttempt::Busy;
    lock = std::make_unique<MemoryMark>(locks, lockPath);
    return LockAttempt::Acquired;
}
