#include "Scene.h"

#include <algorithm>
#include <cmath>

namespace walkhost {
namespace {

Vec3 PolygonNormal(const std::vector<Vec3>& points)
{
    // Newell's method: robust for slightly non-planar polygons.
    Vec3 n;
    for (size_t i = 0; i < points.size(); ++i) {
        const Vec3& a = points[i];
        const Vec3& b = points[(i + 1) % points.size()];
        n.x += (a.y - b.y) * (a.z + b.z);
        n.y += (a.z - b.z) * (a.x + b.x);
        n.z += (a.x - b.x) * (a.y + b.y);
    }
    return Normalize(n);
}

// Texture coordinates in metres on the plane the polygon mostly faces.
std::vector<Vec2> PlanarUvs(const std::vector<Vec3>& points, const Vec3& n)
{
    std::vector<Vec2> uvs;
    const double ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
    for (const Vec3& p : points) {
        if (ay >= ax && ay >= az)
            uvs.push_back(Vec2{p.x, p.z});
        else if (ax >= az)
            uvs.push_back(Vec2{p.z, p.y});
        else
            uvs.push_back(Vec2{p.x, p.y});
    }
    return uvs;
}

}  // namespace

void Scene::Clear()
{
    surfaces_.clear();
    materials_.clear();
    triangleCount_ = 0;
    textureFolder.clear();
}

void Scene::Assign(const ObjModel& model, size_t runLength)
{
    runLength = std::max<size_t>(runLength, 1);
    surfaces_.clear();
    materials_.clear();
    materials_.reserve(model.materials.size());
    for (const ObjMaterial& m : model.materials) {
        Material material;
        material.name = m.name;
        for (int i = 0; i < 3; ++i)
            material.record.color[i] = m.kd[i];
        material.record.mapFile[0] = m.mapKd.c_str();
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
            const Vec3 normal = PolygonNormal(f.positions);
            if (Length(normal) == 0)
                continue;  // degenerate: nothing to draw or hit
            const std::vector<Vec2> uvs =
                f.uvs.size() == f.positions.size() ? f.uvs : PlanarUvs(f.positions, normal);
            for (size_t i = 1; i + 1 < f.positions.size(); ++i) {
                Triangle t;
                t.p[0] = f.positions[0];
                t.p[1] = f.positions[i];
                t.p[2] = f.positions[i + 1];
                t.uv[0] = uvs[0];
                t.uv[1] = uvs[i];
                t.uv[2] = uvs[i + 1];
                t.normal = normal;
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
            surface.runs.push_back(run);
        }
        triangleCount_ += surface.triangles.size();
        surfaces_.push_back(std::move(surface));
    }
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
