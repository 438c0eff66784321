#include "FileLayer.h"

namespace {
FileLayer* currentLayer = nullptr;
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

bool WriteAll(File& file, const void* buffer, std::size_t size)
{
    return file.Write(buffer, size) == size;
}

std::string TemporaryNameFor(const std::string& path, int attempt)
{
    return path + ".tmp" + std::to_string(attempt);
}
