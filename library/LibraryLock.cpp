#include "LibraryLock.h"

#include "FileLayer.h"

#include <chrono>
#include <cstring>
#include <exception>
#include <thread>
#include <vector>

namespace {

// FNV-1a over 64-bit words (the bytes of a partial last word one by one):
// quick, and enough to tell two states of one file apart.
uint64_t Hash(uint64_t h, const unsigned char* bytes, std::size_t n)
{
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t word;
        std::memcpy(&word, bytes + i, 8);
        h ^= word;
        h *= 0x100000001b3ull;
        h ^= h >> 29;
    }
    for (; i < n; ++i) {
        h ^= bytes[i];
        h *= 0x100000001b3ull;
    }
    return h;
}

uint64_t HashSpans(const std::vector<unsigned char>& head, const std::vector<unsigned char>& tail)
{
    return Hash(Hash(0xcbf29ce484222325ull, head.data(), head.size()), tail.data(), tail.size());
}

}  // namespace

std::string FillPlaces(const char* format, std::initializer_list<std::string> values)
{
    // One pass, so that a value holding "%2" is not filled in again.
    const std::vector<std::string> fill(values);
    std::string out;
    for (const char* p = format; *p != '\0'; ++p) {
        if (p[0] == '%' && p[1] >= '1' && p[1] <= '9' && static_cast<std::size_t>(p[1] - '1') < fill.size()) {
            out += fill[static_cast<std::size_t>(p[1] - '1')];
            ++p;
        } else {
            out += *p;
        }
    }
    return out;
}

const char* const kLockFailedFormat = "不能建立图库的锁文件“%1”：%2";

namespace {

// How long apart the attempts at a busy lock are.
constexpr int kLockPollMs = 20;
// A lock refused this many times in a row cannot be created: one refusal may
// be a lock file deleted by its holder between two looks at it.
constexpr int kLockRefusals = 3;

FileStamp ReadStamp(const std::string& path, std::vector<unsigned char>* headOut, std::vector<unsigned char>* tailOut)
{
    FileStamp stamp;
    stamp.known = true;
    FileLayer& files = Files();
    std::unique_ptr<File> file = files.Open(path, OpenMode::Read);
    if (!file) {
        stamp.present = files.Exists(path);
        return stamp;
    }
    stamp.present = true;
    FileInfo info;
    if (!file->Info(info) || info.size < 0)
        return stamp;
    stamp.size = info.size;
    stamp.writeTime = info.writeTime;
    stamp.identity = info.identity;
    const uint64_t size = static_cast<uint64_t>(info.size);
    std::vector<unsigned char> head(static_cast<std::size_t>(size <= 2 * kStampHashSpan ? size : kStampHashSpan));
    std::vector<unsigned char> tail;
    if (file->ReadAt(0, head.data(), head.size()) != head.size())
        return stamp;
    if (size > 2 * kStampHashSpan) {
        tail.resize(kStampHashSpan);
        if (file->ReadAt(size - kStampHashSpan, tail.data(), tail.size()) != tail.size())
            return stamp;
    }
    stamp.hash = HashSpans(head, tail);
    stamp.readable = true;
    if (headOut)
        headOut->swap(head);
    if (tailOut)
        tailOut->swap(tail);
    return stamp;
}

}  // namespace

LibraryLock::Result LibraryLock::Acquire(const std::string& lockPath, int timeoutMs, std::string* error)
{
    Release();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    int refusals = 0;
    for (;;) {
        switch (Files().TryLock(lockPath, held)) {
        case LockAttempt::Acquired:
            return Result::Acquired;
        case LockAttempt::Failed:
            if (++refusals >= kLockRefusals) {
                held.reset();
                if (error)
                    *error = FillPlaces(kLockFailedFormat, {lockPath, FileErrorText("?")});
                return Result::Failed;
            }
            break;
        case LockAttempt::Busy:
            refusals = 0;
            break;
        }
        held.reset();
        if (std::chrono::steady_clock::now() >= deadline)
            return Result::Busy;
        std::this_thread::sleep_for(std::chrono::milliseconds(kLockPollMs));
    }
}

std::string LockPathFor(const std::string& libraryPath)
{
    return LockPathFor(Files().ResolveSaveTarget(libraryPath), libraryPath);
}

std::string LockPathFor(const SaveTarget& target, const std::string& libraryPath)
{
    return (target.resolved ? target.path : libraryPath) + ".lock";
}

FileStamp StampFile(const std::string& path, std::vector<unsigned char>* headOut, std::vector<unsigned char>* tailOut)
{
    // A read that throws (no memory for the spans, a failing share) leaves
    // the file unstamped: the next save reads it whole instead of trusting it.
    try {
        return ReadStamp(path, headOut, tailOut);
    } catch (const std::exception&) {
        FileStamp unknown;
        unknown.known = true;
        unknown.present = true;
        return unknown;
    }
}

bool ExtendStamp(const std::string& path, FileStamp& stamp, std::vector<unsigned char>& head,
                 std::vector<unsigned char>& tail, const void* appended, std::size_t n)
{
    const auto* bytes = static_cast<const unsigned char*>(appended);
    if (tail.empty()) {
        // head held the whole file.
        head.insert(head.end(), bytes, bytes + n);
        if (head.size() > 2 * kStampHashSpan) {
            tail.assign(head.end() - kStampHashSpan, head.end());
            head.resize(kStampHashSpan);
        }
    } else {
        tail.insert(tail.end(), bytes, bytes + n);
        tail.erase(tail.begin(), tail.end() - kStampHashSpan);
    }
    stamp.size += static_cast<int64_t>(n);
    stamp.hash = HashSpans(head, tail);
    FileInfo info;
    if (!Files().Stat(path, info) || info.size != stamp.size)
        return false;
    stamp.writeTime = info.writeTime;
    return true;
}
