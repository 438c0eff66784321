// The walk-through scene: surfaces (named polygons) and the materials they
// share. Handles are 1-based indices; 0 means none.
#pragma once

#include "ObjModel.h"
#include "Vec.h"
#include "plugin/HostInterface.h"

#include <cstdint>
#include <string>
#include <vector>

namespace walkhost {

struct Polygon {
    std::vector<Vec3> points;  // convex, three or more
    std::vector<Vec2> uvs;     // one per point
    Vec3 normal;               // unit, by the right-hand rule over the points
};

// A face is cut once, when the scene is made, into the fan of triangles
// (0, i, i + 1) over its corners; each triangle keeps the face's normal, and
// its first corner is the face's first corner, so light is still per face.
struct Triangle {
    Vec3 p[3];
    Vec2 uv[3];          // the model's texture coordinates, else planarUv
    Vec3 normal;         // unit, of the face it was cut from
    Vec3 normals[3];     // unit, per corner: the model's, else smoothed over faces meeting at under 30 degrees
    Vec2 planarUv[3];    // laid by world position on the plane the face mostly faces, one repeat per metre
};

// A run of a surface's triangles, next to each other in its list, with the
// box around them: drawing skips whole runs the camera cannot see, and
// draws the others nearest first. Its triangles' distinct corners are
// Surface::corners [firstCorner, firstCorner + cornerCount): triangles of a
// face, of a grid or of a box share corners, and the software renderer
// projects each of them once a frame.
struct TriangleRun {
    size_t first = 0, count = 0;
    Vec3 lo, hi;
    size_t firstCorner = 0, cornerCount = 0;
};

struct Surface {
    std::string name;
    unsigned material = 0;
    std::vector<Triangle> triangles;
    std::vector<TriangleRun> runs;  // cover the triangles in order
    std::vector<Vec3> corners;      // each run's distinct corners, run after run
    // Per triangle, its three corners (p[0], p[1], p[2]) as indices into
    // `corners`, counted from its run's firstCorner.
    std::vector<uint32_t> cornerOf;
    // What the software renderer lights a triangle by, without reading the
    // whole triangle: per triangle, the index of its face's normal in
    // `faceNormals`, with kLitByCorners set where LitByCorners holds.
    static constexpr uint32_t kLitByCorners = uint32_t{1} << 31;
    std::vector<uint32_t> faceOf;
    std::vector<Vec3> faceNormals;
};

struct Material {
    std::string name;
    OriginalMaterial record{};  // what HV_GetMaterial hands out, HV_SetMaterial replaces
    float opacity = 1;          // 1 opaque, 0 fully transparent (the model's `d` or `Tr`)
    std::string modelMap;       // the texture the model gave it (`map_Kd`), empty for none

    // A texture the model did not give this material (a plug-in set one on a
    // material that had none, or another file): the model's texture
    // coordinates were made for another picture, so it is laid by world
    // position (Triangle::planarUv) at its real size instead.
    bool LaidByWorld() const;
};

class Scene {
public:
    // Replaces the scene by the model's surfaces and materials. Faces without
    // texture coordinates get a planar mapping of one texture tile per metre,
    // faces without normals smooth corner normals. Each surface's triangles
    // are cut into runs of `runLength`.
    static constexpr size_t kRunLength = 64;
    void Assign(ObjModel model, size_t runLength = kRunLength);

    // Gives each surface that shares its material with surfaces of other
    // names a copy of it as it is now (see walkhost::SplitSharedMaterials);
    // the copies are added after the existing materials, whose handles stay.
    // Returns the number of copies.
    size_t SplitSharedMaterials();
    void Clear();

    bool Empty() const { return surfaces_.empty(); }
    size_t SurfaceCount() const { return surfaces_.size(); }
    size_t MaterialCount() const { return materials_.size(); }
    size_t TriangleCount() const { return triangleCount_; }

    const Surface* GetSurface(unsigned handle) const;
    Material* GetMaterial(unsigned handle);
    const Material* GetMaterial(unsigned handle) const;
    // The first surface of that name, or 0.
    unsigned FindSurface(const std::string& name) const;

    const std::vector<Surface>& Surfaces() const { return surfaces_; }

    // Where the model's relative texture names are looked up (with a trailing
    // separator, or empty).
    std::string textureFolder;

private:
    std::vector<Surface> surfaces_;
    std::vector<Material> materials_;
    size_t triangleCount_ = 0;
};

}  // namespace walkhost
