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

    std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override;
    bool Replace(const std::string& from, const std::string& to) override;
    bool Remove(const std::string& path) override;
    bool Exists(const std::string& path) override;
};
