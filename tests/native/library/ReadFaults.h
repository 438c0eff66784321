// A file layer whose reads fail part-way, for the load path's fault tests:
// reads of any file opened for reading deliver the bytes before offset failAt
// and then fail (an error, or an exception), as a dropped network share or a
// locked byte range does. The file's size can be reported larger than its
// contents, as for a file cut short while it is read.
#pragma once

#include "FileLayer.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace testlib {

class ReadFaultLayer : public FileLayer {
public:
    explicit ReadFaultLayer(FileLayer& inner_) : inner(inner_) {}
    uint64_t failAt = std::numeric_limits<uint64_t>::max();  // no failure
    bool throwInstead = false;                                // throw std::bad_alloc instead of an error
    int64_t extraSize = 0;                                    // added to the size files report

    std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override;
    bool Replace(const std::string& from, const std::string& to) override { return inner.Replace(from, to); }
    bool Remove(const std::string& path) override { return inner.Remove(path); }
    bool Exists(const std::string& path) override { return inner.Exists(path); }
    std::unique_ptr<FileHold> Hold(const std::string& path) override { return inner.Hold(path); }
    bool RemoveUnlessHeld(const std::string& path) override { return inner.RemoveUnlessHeld(path); }
    std::vector<std::string> ListSiblings(const std::string& path) override { return inner.ListSiblings(path); }
    SaveTarget ResolveSaveTarget(const std::string& path) override { return inner.ResolveSaveTarget(path); }
    bool Stat(const std::string& path, FileInfo& info) override { return inner.Stat(path, info); }
    LockAttempt TryLock(const std::string& lockPath, std::unique_ptr<FileHold>& held) override
    {
        return inner.TryLock(lockPath, held);
    }

private:
    FileLayer& inner;
};

class ReadFaultFile : public File {
public:
    ReadFaultFile(ReadFaultLayer& layer_, std::unique_ptr<File> inner_) : layer(layer_), inner(std::move(inner_)) {}

    std::size_t Read(void* buffer, std::size_t size) override
    {
        const int64_t real = inner->Size();
        // Only a read that would deliver the byte at failAt fails.
        if (real < 0 || layer.failAt >= static_cast<uint64_t>(real) || position + size <= layer.failAt)
            return Count(inner->Read(buffer, size));
        const std::size_t allowed = layer.failAt > position ? static_cast<std::size_t>(layer.failAt - position) : 0;
        const std::size_t n = Count(inner->Read(buffer, allowed));
        if (layer.throwInstead)
            throw std::bad_alloc();
        failed = true;
        return n;
    }
    bool ReadFailed() const override { return failed; }
    std::size_t ReadAt(uint64_t offset, void* buffer, std::size_t size) override
    {
        const int64_t real = inner->Size();
        if (real < 0 || layer.failAt >= static_cast<uint64_t>(real) || offset + size <= layer.failAt)
            return inner->ReadAt(offset, buffer, size);
        if (layer.throwInstead)
            throw std::bad_alloc();
        failed = true;
        return offset < layer.failAt ? inner->ReadAt(offset, buffer, static_cast<std::size_t>(layer.failAt - offset)) : 0;
    }
    bool Info(FileInfo& info) override
    {
        if (!inner->Info(info))
            return false;
        info.size += layer.extraSize;
        return true;
    }
    bool Truncate(int64_t size) override { return inner->Truncate(size); }
    std::size_t Write(const void* buffer, std::size_t size) override { return inner->Write(buffer, size); }
    bool Flush() override { return inner->Flush(); }
    int64_t Size() override
    {
        const int64_t size = inner->Size();
        return size < 0 ? size : size + layer.extraSize;
    }
    bool Close() override { return inner->Close(); }
    bool IsOpen() const override { return inner->IsOpen(); }

private:
    std::size_t Count(std::size_t n)
    {
        position += n;
        return n;
    }
    ReadFaultLayer& layer;
    std::unique_ptr<File> inner;
    uint64_t position = 0;
    bool failed = false;
};

inline std::unique_ptr<File> ReadFaultLayer::Open(const std::string& path, OpenMode mode)
{
    auto file = inner.Open(path, mode);
    if (!file || mode != OpenMode::Read)
        return file;
    return std::make_unique<ReadFaultFile>(*this, std::move(file));
}

}  // namespace testlib
