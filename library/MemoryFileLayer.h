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

    std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override;
    bool Replace(const std::string& from, const std::string& to) override;
    bool Remove(const std::string& path) override;
    bool Exists(const std::string& path) override;
    std::unique_ptr<FileHold> Hold(const std::string& path) override;
    bool RemoveUnlessHeld(const std::string& path) override;
    // Folders end at the last backslash or slash.
    std::vector<std::string> ListSiblings(const std::string& path) override;
    SaveTarget ResolveSaveTarget(const std::string& path) override;
};
