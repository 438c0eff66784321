#include "LibraryLock.h"

#include "FileLayer.h"

#include <algorithm>
#include <exception>
#include <cstring>
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

namespace {
FileStamp ReadStamp(const std::string& path, std::vector<unsigned char>* headOut, std::vector<unsigned char>* tailOut);
}  // namespace

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

namespace {
FileStamp ReadStamp(const std::string& path, std::vector<unsigned char>* headOut, std::vector<unsigned char>* tailOut)
{
    FileStamp stamp;
    stamp.known = true;
    std::vector<unsigned char> head, tail;
    FileLayer& files = Files();
    if (&files == &PlatformFiles()) {
        // The system's own files: one open, the tail read in place.
        if (!PlatformReadStamp(path, stamp, head, tail))
            return stamp;
    } else {
        // Another file layer (a test's): sizes and bytes only, read in order.
        if (!files.Exists(path))
            return stamp;
        stamp.present = true;
        std::unique_ptr<File> file = files.Open(path, OpenMode::Read);
        if (!file || (stamp.size = file->Size()) < 0)
            return stamp;
        const uint64_t size = static_cast<uint64_t>(stamp.size);
        head.resize(static_cast<std::size_t>(std::min<uint64_t>(size, size <= 2 * kStampHashSpan ? size : kStampHashSpan)));
        if (file->Read(head.data(), head.size()) != head.size())
            return stamp;
        if (size > 2 * kStampHashSpan) {
            std::vector<unsigned char> skip(static_cast<std::size_t>(size - head.size() - kStampHashSpan));
            tail.resize(kStampHashSpan);
            if (file->Read(skip.data(), skip.size()) != skip.size() ||
                file->Read(tail.data(), tail.size()) != tail.size())
                return stamp;
        }
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
    if (&Files() != &PlatformFiles())
        return Files().Exists(path);
    int64_t size = -1;
    return PlatformWriteTime(path, size, stamp.writeTime) && size == stamp.size;
}
