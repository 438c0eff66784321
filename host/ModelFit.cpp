#include "ModelFit.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <unordered_map>

namespace walkhost {
namespace {

constexpr double kPi = 3.14159265358979323846;

// Welding is by exact coordinates: a corner that several faces share is
// written once and indexed, or written again as the same text, so its
// coordinates come out bit for bit the same. A tolerance would join points
// that only lie close (the two sides of a thin panel) and need a search of
// neighbouring cells for little gain.
struct PointKey {
    double x, y, z;
    bool operator==(const PointKey& o) const { return x == o.x && y == o.y && z == o.z; }
};

struct PointHash {
    size_t operator()(const PointKey& k) const
    {
        // + 0.0 turns -0 into 0, which compares equal to it.
        const std::hash<double> h;
        return h(k.x + 0.0) ^ (h(k.y + 0.0) * 31) ^ (h(k.z + 0.0) * 1000003);
    }
};

// The angle of a polygon at its corner i, between the edges to its neighbours.
double CornerAngle(const std::vector<Vec3>& p, size_t i)
{
    const Vec3 a = Normalize(p[(i + p.size() - 1) % p.size()] - p[i]);
    const Vec3 b = Normalize(p[(i + 1) % p.size()] - p[i]);
    return std::acos(std::clamp(Dot(a, b), -1.0, 1.0));
}

// Whether the vertical line through (x, z) meets the polygon's outline
// projected on the ground, its edges included.
bool CoversXz(const Vec3* p, size_t n, double x, double z)
{
    bool inside = false;
    for (size_t i = 0, j = n - 1; i < n; j = i++) {
        const double ex = p[i].x - p[j].x, ez = p[i].z - p[j].z;
        const double len2 = ex * ex + ez * ez;
        if (len2 > 0) {
            const double t = std::clamp(((x - p[j].x) * ex + (z - p[j].z) * ez) / len2, 0.0, 1.0);
            const double dx = p[j].x + ex * t - x, dz = p[j].z + ez * t - z;
            if (dx * dx + dz * dz < 1e-12)
                return true;
        }
        if ((p[i].z > z) != (p[j].z > z) && x < p[j].x + ex * (z - p[j].z) / ez)
            inside = !inside;
    }
    return inside;
}

bool DefaultFileCheck(const std::string& path, std::string& problem)
{
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (!std::filesystem::exists(status))
        return false;
    if (std::filesystem::is_directory(status)) {
        problem = "a folder, not a file";
        return true;
    }
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        problem = std::string("cannot be read: ") + std::strerror(errno);
        return true;
    }
    const int first = std::fgetc(f);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed)
        problem = "cannot be read";
    else if (first == EOF)
        problem = "an empty file";
    else
        problem.clear();
    return true;
}

bool IsAbsoluteName(const std::string& name)
{
    return !name.empty() && (name[0] == '/' || name[0] == '\\' || (name.size() > 2 && name[1] == ':'));
}

}  // namespace

Vec3 FaceNormal(const Vec3* points, size_t count)
{
    Vec3 n;
    for (size_t i = 0; i < count; ++i) {
        const Vec3& a = points[i];
        const Vec3& b = points[(i + 1) % count];
        n.x += (a.y - b.y) * (a.z + b.z);
        n.y += (a.z - b.z) * (a.x + b.x);
        n.z += (a.x - b.x) * (a.y + b.y);
    }
    return Normalize(n);
}

std::vector<Vec2> PlanarUvs(const std::vector<Vec3>& points, const Vec3& n, double metresPerRepeat)
{
    const double k = metresPerRepeat > 0 ? 1 / metresPerRepeat : 1;
    const double ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
    std::vector<Vec2> uvs;
    uvs.reserve(points.size());
    for (const Vec3& p : points) {
        if (ay >= ax && ay >= az)
            uvs.push_back(Vec2{p.x * k, p.z * k});
        else if (ax >= az)
            uvs.push_back(Vec2{p.z * k, p.y * k});
        else
            uvs.push_back(Vec2{p.x * k, p.y * k});
    }
    return uvs;
}

size_t AddCornerNormals(ObjModel& model, double creaseDegrees)
{
    // Every face's unit normal, and for every welded point the faces around
    // it with their normals weighted by the angle they have there (so a quad
    // cut in two triangles weighs as much as the quad).
    std::vector<ObjFace*> faces;
    for (ObjSurface& s : model.surfaces)
        for (ObjFace& f : s.faces)
            faces.push_back(&f);
    std::vector<Vec3> normals(faces.size());
    std::unordered_map<PointKey, size_t, PointHash> pointIndex;
    struct Around {
        size_t face;
        Vec3 weighted;
    };
    std::vector<std::vector<Around>> around;
    std::vector<std::vector<size_t>> cornerPoint(faces.size());
    for (size_t fi = 0; fi < faces.size(); ++fi) {
        const std::vector<Vec3>& p = faces[fi]->positions;
        normals[fi] = FaceNormal(p);
        cornerPoint[fi].reserve(p.size());
        for (size_t i = 0; i < p.size(); ++i) {
            const auto [it, added] = pointIndex.emplace(PointKey{p[i].x, p[i].y, p[i].z}, around.size());
            if (added)
                around.emplace_back();
            cornerPoint[fi].push_back(it->second);
            if (Length(normals[fi]) > 0)
                around[it->second].push_back(Around{fi, normals[fi] * CornerAngle(p, i)});
        }
    }
    // Faces meeting at the crease angle itself are smooth: the sides of a
    // twelve-sided column meet at exactly 30 degrees and should look round.
    // The slack covers the rounding of coordinates written with few digits.
    const double minDot = std::cos((creaseDegrees + 0.1) * kPi / 180);
    size_t given = 0;
    for (size_t fi = 0; fi < faces.size(); ++fi) {
        ObjFace& f = *faces[fi];
        if (!f.normals.empty())
            continue;
        f.normals.reserve(f.positions.size());
        for (size_t i = 0; i < f.positions.size(); ++i) {
            Vec3 sum;
            for (const Around& a : around[cornerPoint[fi][i]])
                if (Dot(normals[a.face], normals[fi]) >= minDot)
                    sum += a.weighted;
            const Vec3 n = Normalize(sum);
            f.normals.push_back(Length(n) > 0 ? n : normals[fi]);
        }
        ++given;
    }
    return given;
}

size_t SplitSharedMaterials(ObjModel& model)
{
    return SplitSharedMaterials(
        model.surfaces, [](ObjSurface& s) -> int& { return s.material; },
        [&model](int m) { return model.materials[static_cast<size_t>(m)].name; },
        [&model](int m, const std::string& name) {
            ObjMaterial copy = model.materials[static_cast<size_t>(m)];
            copy.name = name;
            model.materials.push_back(std::move(copy));
            return static_cast<int>(model.materials.size() - 1);
        });
}

bool FindStartView(const FaceSource& faces, StartView& view)
{
    const double inf = std::numeric_limits<double>::infinity();
    Vec3 lo(inf, inf, inf), hi(-inf, -inf, -inf);
    faces([&](const Vec3* p, size_t n) {
        for (size_t i = 0; i < n; ++i) {
            lo = Vec3(std::min(lo.x, p[i].x), std::min(lo.y, p[i].y), std::min(lo.z, p[i].z));
            hi = Vec3(std::max(hi.x, p[i].x), std::max(hi.y, p[i].y), std::max(hi.z, p[i].z));
        }
    });
    if (!(lo.x <= hi.x))
        return false;
    const Vec3 size = hi - lo;
    if (size.y <= kRoomHeight && std::min(size.x, size.z) <= kRoomSide)
        return false;
    // The lowest floor under the centre, not the highest below its middle:
    // that puts the walker on the ground floor of a court with galleries
    // round it, with its whole height in view, and never on a table, a
    // gallery or an intermediate slab that happens to lie under the centre.
    // A floor is a face turned up by less than 45 degrees, so a ramp counts.
    const double cx = (lo.x + hi.x) / 2, cz = (lo.z + hi.z) / 2;
    double floor = inf;
    faces([&](const Vec3* p, size_t n) {
        if (n < 3)
            return;
        const Vec3 normal = FaceNormal(p, n);
        if (normal.y < std::sqrt(0.5) || !CoversXz(p, n, cx, cz))
            return;
        const double y = p[0].y - (normal.x * (cx - p[0].x) + normal.z * (cz - p[0].z)) / normal.y;
        floor = std::min(floor, y);
    });
    if (floor == inf)
        floor = lo.y;
    view.position = Vec3(cx, floor + kEyeHeight, cz);
    view.yaw = size.x > size.z ? kPi / 2 : 0;
    return true;
}

bool FindStartView(const ObjModel& model, StartView& view)
{
    return FindStartView(
        [&model](const FaceVisitor& visit) {
            for (const ObjSurface& s : model.surfaces)
                for (const ObjFace& f : s.faces)
                    visit(f.positions.data(), f.positions.size());
        },
        view);
}

std::vector<TextureProblem> CheckTextureFiles(const std::vector<ObjMaterial>& materials,
                                              const std::vector<std::string>& folders,
                                              const TextureFileCheck& check)
{
    const TextureFileCheck& look = check ? check : TextureFileCheck(DefaultFileCheck);
    std::vector<TextureProblem> problems;
    std::set<std::string> seen;
    for (const ObjMaterial& m : materials) {
        if (m.mapKd.empty() || !seen.insert(m.mapKd).second)
            continue;
        std::vector<std::string> paths;
        if (IsAbsoluteName(m.mapKd)) {
            paths.push_back(m.mapKd);
        } else {
            for (const std::string& folder : folders) {
                const bool separated = folder.empty() || folder.back() == '/' || folder.back() == '\\';
                paths.push_back(folder + (separated ? "" : "/") + m.mapKd);
            }
        }
        std::string problem = "file not found";
        for (const std::string& path : paths) {
            std::string there;
            if (look(path, there)) {
                problem = there;
                break;
            }
        }
        if (!problem.empty())
            problems.push_back(TextureProblem{m.mapKd, problem});
    }
    return problems;
}

std::string TextureProblemText(const TextureProblem& problem) { return problem.file + " (" + problem.reason + ")"; }

}  // namespace walkhost
