// A file layer that keeps its files in memory: for tests and the fuzzer,
// which feed readers with bytes and inspect what writers produced.
#pragma once

#include "FileLayer.h"

#include <map>
#include <set>
#include <string>
#include <vector>

class MemoryFileLayer : public FileLayer {
public:
    std::map<std::string, std::vector<unsigned char>> files;
    std::set<std::string> folders;
    std::set<std::string> held;      // files some process holds (see Hold)
    std::set<std::string> readOnly;  // files a save must not replace
    std::set<std::string> locks;     // lock files held (by this process or, in a test, another)
    // Each file's identity (new for a new file, carried by a move) and a
    // counter standing for its last-write time, advanced by every write.
    std::map<std::string, uint64_t> identities, writeTimes;

    std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override;
    bool Replace(const std::string& from, const std::string& to) override;
    bool Remove(const std::string& path) override;
    bool Exists(const std::string& path) override;
    std::unique_ptr<FileHold> Hold(const std::string& path) override;
    bool RemoveUnlessHeld(const std::string& path) override;
    // Folders end at the last backslash or slash.
    std::vector<std::string> ListSiblings(const std::string& path) override;
    SaveTarget ResolveSaveTarget(const std::string& path) override;
    bool Stat(const std::string& path, FileInfo& info) override;
    // A folder of the lock's name fails; a held lock is busy.
    LockAttempt TryLock(const std::string& lockPath, std::unique_ptr<FileHold>& lock) override;

    // The file at path was written to (by a File of this layer or a test).
    void Touched(const std::string& path);

private:
    uint64_t NewIdentity() { return ++lastIdentity; }
    uint64_t lastIdentity = 0, clock = 0;

};
