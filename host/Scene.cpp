#include "Scene.h"

#include "ModelFit.h"
#include "Renderer.h"

#include <algorithm>
#include <cstring>

namespace walkhost {
namespace {

// The distinct corners of the run's triangles, appended to the surface's,
// and each triangle's corners as indices among them. Corners are the same
// when their coordinates are the same bits, so a shared corner projects to
// exactly what each of its triangles would have projected it to.
void IndexCorners(Surface& surface, TriangleRun& run)
{
    run.firstCorner = surface.corners.size();
    size_t slots = 16;
    while (slots < run.count * 3 * 2)
        slots *= 2;
    constexpr uint32_t kEmpty = ~uint32_t{0};
    std::vector<uint32_t> table(slots, kEmpty);
    surface.cornerOf.reserve(surface.triangles.size() * 3);
    for (size_t i = run.first; i < run.first + run.count; ++i)
        for (const Vec3& p : surface.triangles[i].p) {
            uint64_t bits[3];
            std::memcpy(bits, &p, sizeof bits);
            uint64_t hash = bits[0] * 0x9E3779B97F4A7C15u;
            hash = (hash ^ (hash >> 29) ^ bits[1]) * 0xBF58476D1CE4E5B9u;
            hash = (hash ^ (hash >> 31) ^ bits[2]) * 0x94D049BB133111EBu;
            size_t slot = (hash ^ (hash >> 32)) & (slots - 1);
            while (table[slot] != kEmpty &&
                   std::memcmp(&surface.corners[run.firstCorner + table[slot]], &p, sizeof p) != 0)
                slot = (slot + 1) & (slots - 1);
            if (table[slot] == kEmpty) {
                table[slot] = static_cast<uint32_t>(surface.corners.size() - run.firstCorner);
                surface.corners.push_back(p);
            }
            surface.cornerOf.push_back(table[slot]);
        }
    run.cornerCount = surface.corners.size() - run.firstCorner;
}

}  // namespace

bool Material::LaidByWorld() const
{
    const char* map = HvString_Text(&record.mapFile[0]);
    return map && *map && modelMap != map;
}

void Scene::Clear()
{
    surfaces_.clear();
    materials_.clear();
    triangleCount_ = 0;
    textureFolder.clear();
}

void Scene::Assign(ObjModel model, size_t runLength)
{
    runLength = std::max<size_t>(runLength, 1);
    AddCornerNormals(model);
    surfaces_.clear();
    materials_.clear();
    materials_.reserve(model.materials.size());
    for (const ObjMaterial& m : model.materials) {
        Material material;
        material.name = m.name;
        for (int i = 0; i < 3; ++i)
            material.record.color[i] = m.kd[i];
        material.record.mapFile[0] = m.mapKd.c_str();
        material.opacity = m.opacity;
        material.modelMap = m.mapKd;
        materials_.push_back(material);
    }
    triangleCount_ = 0;
    surfaces_.reserve(model.surfaces.size());
    for (const ObjSurface& s : model.surfaces) {
        Surface surface;
        surface.name = s.name;
        surface.material = static_cast<unsigned>(s.material) + 1;
        size_t corners = 0;
        for (const ObjFace& f : s.faces)
            corners += f.positions.size() >= 3 ? f.positions.size() - 2 : 0;
        surface.triangles.reserve(corners);
        for (const ObjFace& f : s.faces) {
            if (f.positions.size() < 3)
                continue;
            const Vec3 normal = FaceNormal(f.positions);
            if (Length(normal) == 0)
                continue;  // degenerate: nothing to draw or hit
            const std::vector<Vec2> planar = PlanarUvs(f.positions, normal);
            const std::vector<Vec2>& uvs = f.uvs.size() == f.positions.size() ? f.uvs : planar;
            const bool hasNormals = f.normals.size() == f.positions.size();
            auto cornerNormal = [&](size_t i) {
                const Vec3 n = hasNormals ? Normalize(f.normals[i]) : Vec3();
                return Length(n) > 0 ? n : normal;
            };
            const uint32_t face = static_cast<uint32_t>(surface.faceNormals.size());
            surface.faceNormals.push_back(normal);
            for (size_t i = 1; i + 1 < f.positions.size(); ++i) {
                Triangle t;
                t.p[0] = f.positions[0];
                t.p[1] = f.positions[i];
                t.p[2] = f.positions[i + 1];
                t.uv[0] = uvs[0];
                t.uv[1] = uvs[i];
                t.uv[2] = uvs[i + 1];
                t.normal = normal;
                const size_t corner[3] = {0, i, i + 1};
                for (int k = 0; k < 3; ++k) {
                    t.normals[k] = cornerNormal(corner[k]);
                    t.planarUv[k] = planar[corner[k]];
                }
                surface.faceOf.push_back(face | (LitByCorners(t) ? Surface::kLitByCorners : 0));
                surface.triangles.push_back(t);
            }
        }
        for (size_t first = 0; first < surface.triangles.size(); first += runLength) {
            TriangleRun run;
            run.first = first;
            run.count = std::min(runLength, surface.triangles.size() - first);
            run.lo = run.hi = surface.triangles[first].p[0];
            for (size_t i = first; i < first + run.count; ++i)
                for (const Vec3& p : surface.triangles[i].p) {
                    run.lo = Vec3(std::min(run.lo.x, p.x), std::min(run.lo.y, p.y), std::min(run.lo.z, p.z));
                    run.hi = Vec3(std::max(run.hi.x, p.x), std::max(run.hi.y, p.y), std::max(run.hi.z, p.z));
                }
            IndexCorners(surface, run);
            surface.runs.push_back(run);
        }
        triangleCount_ += surface.triangles.size();
        surfaces_.push_back(std::move(surface));
    }
}

size_t Scene::SplitSharedMaterials()
{
    return walkhost::SplitSharedMaterials(
        surfaces_, [](Surface& s) -> unsigned& { return s.material; },
        [this](unsigned m) { return m >= 1 && m <= materials_.size() ? materials_[m - 1].name : std::string(); },
        [this](unsigned m, const std::string& name) {
            if (m < 1 || m > materials_.size())
                return m;  // no material to copy: the surfaces keep none
            Material copy = materials_[m - 1];
            copy.name = name;
            materials_.push_back(std::move(copy));
            return static_cast<unsigned>(materials_.size());
        });
}

const Surface* Scene::GetSurface(unsigned handle) const
{
    return handle >= 1 && handle <= surfaces_.size() ? &surfaces_[handle - 1] : nullptr;
}

Material* Scene::GetMaterial(unsigned handle)
{
    return handle >= 1 && handle <= materials_.size() ? &materials_[handle - 1] : nullptr;
}

const Material* Scene::GetMaterial(unsigned handle) const
{
    return handle >= 1 && handle <= materials_.size() ? &materials_[handle - 1] : nullptr;
}

unsigned Scene::FindSurface(const std::string& name) const
{
    for (size_t i = 0; i < surfaces_.size(); ++i)
        if (surfaces_[i].name == name)
            return static_cast<unsigned>(i + 1);
    return 0;
}

}  // namespace walkhost
