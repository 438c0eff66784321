// A Wavefront OBJ model with its MTL materials, as read from the files and
// before it becomes a scene. Also the form the built-in demo scene is made in.
#pragma once

#include "Vec.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace walkhost {

struct ObjMaterial {
    std::string name;
    float kd[3] = {0.8f, 0.8f, 0.8f};  // diffuse colour, 0 to 1
    std::string mapKd;                 // diffuse texture map, as written in the file
    float opacity = 1;                 // 1 opaque, 0 fully transparent (`d`, or 1 - `Tr`)
};

struct ObjFace {
    std::vector<Vec3> positions;     // three or more, in order
    std::vector<Vec2> uvs;           // empty, or one per position
    std::vector<Vec3> normals = {};  // empty, or one per position, as the file gives them
};

// Faces of one group (or object) that use one material.
struct ObjSurface {
    std::string name;
    int material = 0;  // index into ObjModel::materials
    std::vector<ObjFace> faces;
};

struct ObjModel {
    std::vector<ObjMaterial> materials;
    std::vector<ObjSurface> surfaces;
    std::vector<std::string> warnings;  // things skipped that did not stop the load
};

// Reads a material library named by an OBJ file: true and its text, or false
// when it cannot be read.
using MtlReader = std::function<bool(const std::string& name, std::string& text)>;

// Parses MTL text, appending its materials (`Kd`, `map_Kd`, `d`, `Tr`). False with a message naming the
// line when the text is malformed.
bool ParseMtl(std::string_view text, std::vector<ObjMaterial>& materials, std::string& error);

// Parses OBJ text into a model. Groups and objects become surfaces (split
// further by `usemtl`), `Kd` gives a material's colour and `map_Kd` its
// texture; faces written `v/vt/vn` or `v//vn` keep their corners' normals. False with a message naming the line when the text is malformed
// or has no face; `model` is then unspecified.
bool ParseObj(std::string_view text, const MtlReader& readMtl, ObjModel& model, std::string& error);

}  // namespace walkhost
