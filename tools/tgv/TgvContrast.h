// The light reflectance of a combination's three surfaces and the contrast
// between them, shared by tgv contrast and tgv report.
#pragma once

#include "CombinationRecord.h"

#include <map>
#include <optional>
#include <string>

// The size an image file's header declares.
struct ImageSize {
    int width = 0;
    int height = 0;
    int channels = 0;
};
// Empty when the file cannot be opened or is not an image the decoder reads.
std::optional<ImageSize> ReadImageSize(const std::string& platformPath);
// The most memory, in bytes, a decode of such an image takes: the decoder's
// working buffers and the 8-bit RGB copy it hands over.
long long DecodeCost(const ImageSize& size);

// Finds a record's texture files in one folder and remembers each file's
// mean LRV.
class TextureFolder {
public:
    explicit TextureFolder(std::string utf8Folder) : folder(std::move(utf8Folder)) {}
    // Images whose decode would take more memory than this (bytes) are not
    // decoded, whatever their file size; 0: only the library's pixel limit.
    long long decodeLimit = 0;
    // The declared size of a texture left undecoded for the memory it needs.
    std::optional<ImageSize> TooLarge(const std::string& platformPath) const;
    bool IsSet() const { return !folder.empty(); }
    // The file of the stored map name in the folder, in the platform's file
    // naming (what TextureLightReflectance and the image decoder take), when
    // it is a file there; empty otherwise.
    std::string Find(const std::string& storedName) const;
    // The file's mean LRV, when it could be decoded.
    std::optional<double> Lrv(const std::string& platformPath);

private:
    std::string folder;
    std::map<std::string, std::optional<double>> lrvs;
    std::map<std::string, ImageSize> tooLarge;
};

struct SurfaceLight {
    double lrv = 0.0;
    bool fromTexture = false;
    std::string texture;  // the texture file found (platform naming), when any
};

enum Surface { kCeiling = 0, kFloor = 1, kWall = 2 };  // the slots' order

struct CombinationLight {
    SurfaceLight surface[3];  // indexed by slot: ceiling, floor, wall
    double WallFloor() const;
    double WallCeiling() const;
};

// LRV of each slot: the mean over its texture (mapFile[0]) when textures is
// set and the file is found and decodes, else 100 x the relative luminance
// of its colour.
CombinationLight MeasureLight(const CombinationRecord& record, TextureFolder& textures);
