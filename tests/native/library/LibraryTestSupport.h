// Helpers shared by the library tests: records and files laid out by hand
// from the offset tables, a file layer that fails on demand, and a prompt
// recorder.
#pragma once

#include "CombinationRecord.h"
#include "FileLayer.h"
#include "UserPrompt.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace testlib {

using Bytes = std::vector<unsigned char>;

// Offsets of the record and slot layout, written out independently of the code.
constexpr std::size_t kRecord = 12480, kSlot = 3312, kSignature = 32;
constexpr std::size_t kName = 0, kShort = 100, kCategory = 600, kIndex1 = 1100, kIndex2 = 1120, kSlots = 1144,
                      kLong = 11080, kExtra1 = 12080, kExtra2 = 12280;
constexpr std::size_t kParams1 = 3072, kColor = 3116, kParams2 = 3128, kTriple = 3140, kParams3 = 3152,
                      kSlotWord = 3160, kVector = 3168, kParams4 = 3192, kTriples = 3208, kParams5 = 3280,
                      kParams6 = 3304;

inline void Put(Bytes& b, std::size_t at, const std::string& text) { std::memcpy(b.data() + at, text.data(), text.size()); }
inline void PutU32(Bytes& b, std::size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}
inline void PutF32(Bytes& b, std::size_t at, float f)
{
    uint32_t v;
    std::memcpy(&v, &f, 4);
    PutU32(b, at, v);
}
inline void PutF64(Bytes& b, std::size_t at, double d)
{
    uint64_t v;
    std::memcpy(&v, &d, 8);
    for (int i = 0; i < 8; ++i)
        b[at + i] = static_cast<unsigned char>(v >> (8 * i));
}

// A record image: name and category, everything else zero.
inline Bytes RecordBytes(const std::string& name, const std::string& category, const std::string& shortDesc = "")
{
    Bytes b(kRecord, 0);
    Put(b, kName, name);
    Put(b, kCategory, category);
    Put(b, kShort, shortDesc);
    return b;
}

inline Bytes SignatureBytes()
{
    Bytes b(kSignature, 0);
    Put(b, 0, "ZK_Tintgrove_V1.0");
    return b;
}

inline Bytes FileBytes(const std::vector<Bytes>& records)
{
    Bytes b = SignatureBytes();
    for (const Bytes& r : records)
        b.insert(b.end(), r.begin(), r.end());
    return b;
}

inline CombinationRecord ToRecord(const Bytes& b)
{
    CombinationRecord r;
    std::memcpy(&r, b.data(), sizeof r);
    return r;
}

inline Bytes ToBytes(const CombinationRecord& r)
{
    Bytes b(sizeof r);
    std::memcpy(b.data(), &r, sizeof r);
    return b;
}

inline CombinationRecord MakeRecord(const std::string& name, const std::string& category, const std::string& desc = "")
{
    return ToRecord(RecordBytes(name, category, desc));
}

// Records every prompt and answers with a fixed answer.
struct PromptLog {
    static std::vector<std::string>& Texts()
    {
        static std::vector<std::string> texts;
        return texts;
    }
    static PromptAnswer Record(const std::string& text, const std::string&, PromptButtons)
    {
        Texts().push_back(text);
        return PromptAnswer::Ok;
    }
    PromptLog() : previous(SetPromptHandler(Record)) { Texts().clear(); }
    ~PromptLog() { SetPromptHandler(previous); }
    PromptHandler previous;
};

// Installs a file layer for the lifetime of the object.
struct UseFileLayer {
    explicit UseFileLayer(FileLayer& layer) : previous(SetFileLayer(&layer)) {}
    ~UseFileLayer() { SetFileLayer(previous); }
    FileLayer* previous;
};

// Wraps a layer and fails operation number failAt (1-based, counting every
// operation of the layer and its files but Exists and ListSiblings: opens,
// reads, writes, flushes, closes, truncations, examinations, locks, holds,
// replaces and removals); a failing write writes half its bytes, a failing
// read reads nothing, a failing lock cannot be created. failed names the
// operation that failed.
class FailingFileLayer : public FileLayer {
public:
    explicit FailingFileLayer(FileLayer& inner_) : inner(inner_) {}
    int failAt = 0;      // 0: never fail
    int operations = 0;  // counted so far
    std::string failed;  // the operation that failed
    // While set, this file cannot be opened at all, as while another
    // process holds it open without sharing (not counted as an operation).
    std::string refuseOpen;

    bool Tick(const char* what)
    {
        if (++operations != failAt)
            return false;
        failed = what;
        NoteFileError(28, std::string("injected fault: ") + what);
        return true;
    }

    std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override;
    bool Replace(const std::string& from, const std::string& to) override
    {
        return !Tick("replace") && inner.Replace(from, to);
    }
    bool Remove(const std::string& path) override { return !Tick("remove") && inner.Remove(path); }
    bool Exists(const std::string& path) override { return inner.Exists(path); }
    std::unique_ptr<FileHold> Hold(const std::string& path) override
    {
        return Tick("hold") ? nullptr : inner.Hold(path);
    }
    bool RemoveUnlessHeld(const std::string& path) override
    {
        return !Tick("remove unless held") && inner.RemoveUnlessHeld(path);
    }
    std::vector<std::string> ListSiblings(const std::string& path) override { return inner.ListSiblings(path); }
    SaveTarget ResolveSaveTarget(const std::string& path) override
    {
        SaveTarget target = inner.ResolveSaveTarget(path);
        target.resolved = target.resolved && !Tick("resolve");
        return target;
    }
    bool Stat(const std::string& path, FileInfo& info) override { return !Tick("stat") && inner.Stat(path, info); }
    LockAttempt TryLock(const std::string& lockPath, std::unique_ptr<FileHold>& held) override
    {
        return Tick("lock") ? LockAttempt::Failed : inner.TryLock(lockPath, held);
    }

private:
    FileLayer& inner;
};

class FailingFile : public File {
public:
    FailingFile(FailingFileLayer& layer_, std::unique_ptr<File> inner_) : layer(layer_), inner(std::move(inner_)) {}
    std::size_t Read(void* buffer, std::size_t size) override
    {
        return layer.Tick("read") ? 0 : inner->Read(buffer, size);
    }
    std::size_t ReadAt(uint64_t offset, void* buffer, std::size_t size) override
    {
        return layer.Tick("read at") ? 0 : inner->ReadAt(offset, buffer, size);
    }
    std::size_t Write(const void* buffer, std::size_t size) override
    {
        return layer.Tick("write") ? inner->Write(buffer, size / 2) : inner->Write(buffer, size);
    }
    bool Flush() override { return !layer.Tick("flush") && inner->Flush(); }
    int64_t Size() override { return inner->Size(); }
    bool Info(FileInfo& info) override { return !layer.Tick("info") && inner->Info(info); }
    bool Truncate(int64_t size) override { return !layer.Tick("truncate") && inner->Truncate(size); }
    bool Close() override
    {
        const bool ok = inner->Close();
        return !layer.Tick("close") && ok;
    }
    bool IsOpen() const override { return inner->IsOpen(); }

private:
    FailingFileLayer& layer;
    std::unique_ptr<File> inner;
};

inline std::unique_ptr<File> FailingFileLayer::Open(const std::string& path, OpenMode mode)
{
    if (!refuseOpen.empty() && path == refuseOpen) {
        NoteFileError(32, "sharing violation");
        return nullptr;
    }
    if (Tick("open"))
        return nullptr;
    auto file = inner.Open(path, mode);
    if (!file)
        return nullptr;
    return std::make_unique<FailingFile>(*this, std::move(file));
}

}  // namespace testlib
