// What makes a model as designers bring it look and walk right: normals for
// faces given without them, a material of its own for each object that
// shares one, a start inside a model larger than a room, textures laid at
// their real size, and the texture files the model names but cannot have.
// Portable (no Windows header).
#pragma once

#include "ObjModel.h"
#include "Vec.h"

#include <functional>
#include <map>
#include <set>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace walkhost {

// The unit normal of a polygon by the right-hand rule over its points
// (Newell's method, robust for slightly non-planar polygons); zero when it
// is degenerate.
Vec3 FaceNormal(const Vec3* points, size_t count);
inline Vec3 FaceNormal(const std::vector<Vec3>& points) { return FaceNormal(points.data(), points.size()); }

// Texture coordinates laid by world position on the plane the polygon
// mostly faces (the axis its normal leans on most): one repeat per
// `metresPerRepeat` metres, so a texture keeps its real size whatever the
// face's extent.
std::vector<Vec2> PlanarUvs(const std::vector<Vec3>& points, const Vec3& normal, double metresPerRepeat = 1);

// Gives every face without normals one per corner, so that faces meeting at
// up to `creaseDegrees` are shaded smooth and sharper edges stay creased.
// Faces with normals from the file keep them. Returns how many faces were
// given normals.
constexpr double kCreaseDegrees = 30;
size_t AddCornerNormals(ObjModel& model, double creaseDegrees = kCreaseDegrees);

// Gives each object that shares a material with objects of other names a
// copy of that material of its own, so a colour or texture given to one no
// longer changes the others. Surfaces are told apart by name: the first name
// (in surface order) to use a material keeps it, each other name gets one
// copy named "<material>.<surface name>" ("Default.sofa"; ".2", ".3" added
// should that name be taken). Returns the number of copies made, which is
// the number of objects that were given a material of their own.
//
// Written over any list of surfaces with a `name` member, so both a model
// and a loaded scene (whose materials carry the host's record) use it:
//   materialOf(surface)      -> a reference to the surface's material index
//   materialName(index)      -> the material's name
//   copyMaterial(index, name) -> appends a copy under that name, returns its index
template <class Surfaces, class MaterialOf, class MaterialName, class CopyMaterial>
size_t SplitSharedMaterials(Surfaces& surfaces, MaterialOf materialOf, MaterialName materialName,
                            CopyMaterial copyMaterial)
{
    using Index = std::decay_t<decltype(materialOf(*std::begin(surfaces)))>;
    std::map<Index, std::string> owner;  // the first name to use each material
    std::set<std::string> taken;
    for (auto& s : surfaces) {
        const Index m = materialOf(s);
        if (owner.emplace(m, s.name).second)
            taken.insert(materialName(m));
    }
    std::map<std::pair<Index, std::string>, Index> copies;
    for (auto& s : surfaces) {
        Index& m = materialOf(s);
        if (owner[m] == s.name)
            continue;
        const auto key = std::make_pair(m, s.name);
        auto it = copies.find(key);
        if (it == copies.end()) {
            const std::string base = materialName(m) + "." + s.name;
            std::string name = base;
            for (int n = 2; taken.count(name); ++n)
                name = base + "." + std::to_string(n);
            taken.insert(name);
            it = copies.emplace(key, copyMaterial(m, name)).first;
        }
        m = it->second;
    }
    return copies.size();
}

size_t SplitSharedMaterials(ObjModel& model);

// Where a walker starts in a model larger than a room.
struct StartView {
    Vec3 position;
    double yaw = 0;  // as Camera::yaw: 0 looks along -z, pi/2 along +x
};

// Hands each face of a model or scene to the visitor: its points, in order.
using FaceVisitor = std::function<void(const Vec3* points, size_t count)>;
using FaceSource = std::function<void(const FaceVisitor& visit)>;

// A model taller than kRoomHeight, or wider than kRoomSide on both
// horizontal sides, is a building or a hall rather than a room: the walker
// starts inside it, 1.6 m above the lowest upward-facing surface under the
// centre of its box, looking along its longer horizontal side (along -z when
// both are equal). False, and the host keeps its own start, for a model the
// size of a room or smaller, or one without faces.
// 4 m is above any storey's ceiling; 12 m on both sides is past a large
// living room, while a flat of one storey, often longer than that one way,
// is still better seen from the host's own start at its side.
constexpr double kRoomHeight = 4;
constexpr double kRoomSide = 12;
constexpr double kEyeHeight = 1.6;
bool FindStartView(const FaceSource& faces, StartView& view);
bool FindStartView(const ObjModel& model, StartView& view);

// A texture file a model names that cannot be drawn, and why.
struct TextureProblem {
    std::string file;    // as the material names it
    std::string reason;  // "file not found", ...
};

// Looks at one path: false when nothing is there; true when something is,
// with `problem` empty when it is a file that can be read and otherwise
// saying why not.
using TextureFileCheck = std::function<bool(const std::string& path, std::string& problem)>;

// The `map_Kd` files of the materials that are missing or cannot be read,
// each named once. A relative name is looked for in each folder in turn
// (the first that has it decides); an absolute one where it says. `check`
// defaults to the C library's file access (narrow names); a host whose
// names need converting passes its own.
std::vector<TextureProblem> CheckTextureFiles(const std::vector<ObjMaterial>& materials,
                                              const std::vector<std::string>& folders,
                                              const TextureFileCheck& check = nullptr);

// "NAME (reason)", as a log or a message box shows a problem.
std::string TextureProblemText(const TextureProblem& problem);

}  // namespace walkhost
