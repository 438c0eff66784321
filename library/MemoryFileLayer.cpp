#include "MemoryFileLayer.h"

#include "Cp936Text.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

class MemoryFile final : public File {
public:
    MemoryFile(std::vector<unsigned char>& bytes, bool append) : data(&bytes), position(append ? bytes.size() : 0) {}

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
        return size;
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
    std::vector<unsigned char>* data;
    std::size_t position;
};

class MemoryHold final : public FileHold {
public:
    MemoryHold(std::set<std::string>& heldNames, std::string heldName) : held(heldNames), name(std::move(heldName))
    {
        held.insert(name);
    }
    ~MemoryHold() override { held.erase(name); }

private:
    std::set<std::string>& held;
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
    switch (mode) {
    case OpenMode::Read:
        if (it == files.end())
            return nullptr;
        return std::make_unique<MemoryFile>(it->second, false);
    case OpenMode::CreateNew:
        if (it != files.end())
            return nullptr;
        return std::make_unique<MemoryFile>(files[path], false);
    case OpenMode::Create: {
        auto& bytes = files[path];
        bytes.clear();
        return std::make_unique<MemoryFile>(bytes, false);
    }
    case OpenMode::Append:
        return std::make_unique<MemoryFile>(files[path], true);
    }
    return nullptr;
}

bool MemoryFileLayer::Replace(const std::string& from, const std::string& to)
{
    auto it = files.find(from);
    if (it == files.end() || folders.count(to))
        return false;
    std::vector<unsigned char> bytes = std::move(it->second);
    files.erase(it);
    files[to] = std::move(bytes);
    return true;
}

bool MemoryFileLayer::Remove(const std::string& path)
{
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
    return std::make_unique<MemoryHold>(held, path);
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
