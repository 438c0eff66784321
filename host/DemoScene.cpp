#include "DemoScene.h"

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace walkhost {
namespace {

constexpr double kHeight = 2.7;     // floor to ceiling
constexpr double kDoorTop = 2.1;
constexpr double kWall = 0.12;      // thickness between the rooms

class Builder {
public:
    explicit Builder(ObjModel& model) : model_(model) {}

    int Material(const std::string& name, float r, float g, float b, const std::string& map = "")
    {
        ObjMaterial m;
        m.name = name;
        m.kd[0] = r;
        m.kd[1] = g;
        m.kd[2] = b;
        m.mapKd = map;
        model_.materials.push_back(m);
        return index_[name] = static_cast<int>(model_.materials.size() - 1);
    }

    ObjSurface& Surface(const std::string& name, const std::string& material)
    {
        ObjSurface s;
        s.name = name;
        s.material = index_.at(material);
        model_.surfaces.push_back(s);
        return model_.surfaces.back();
    }

    static void Quad(ObjSurface& s, Vec3 a, Vec3 b, Vec3 c, Vec3 d)
    {
        ObjFace f;
        f.positions = {a, b, c, d};
        s.faces.push_back(f);
    }

    // A rectangle in the plane z = const, x from x0 to x1, y from y0 to y1.
    static void WallZ(ObjSurface& s, double z, double x0, double x1, double y0, double y1)
    {
        Quad(s, {x0, y0, z}, {x1, y0, z}, {x1, y1, z}, {x0, y1, z});
    }
    // A rectangle in the plane x = const, z from z0 to z1, y from y0 to y1.
    static void WallX(ObjSurface& s, double x, double z0, double z1, double y0, double y1)
    {
        Quad(s, {x, y0, z0}, {x, y0, z1}, {x, y1, z1}, {x, y1, z0});
    }
    // A horizontal rectangle at height y.
    static void Flat(ObjSurface& s, double y, double x0, double x1, double z0, double z1)
    {
        Quad(s, {x0, y, z0}, {x1, y, z0}, {x1, y, z1}, {x0, y, z1});
    }
    // A box standing on the floor: its top and four sides.
    static void Box(ObjSurface& s, double x0, double x1, double y0, double y1, double z0, double z1)
    {
        Flat(s, y1, x0, x1, z0, z1);
        WallZ(s, z0, x0, x1, y0, y1);
        WallZ(s, z1, x0, x1, y0, y1);
        WallX(s, x0, z0, z1, y0, y1);
        WallX(s, x1, z0, z1, y0, y1);
    }

private:
    ObjModel& model_;
    std::map<std::string, int> index_;
};

// Where a corner of one face lies inside another face's edge (a wall in
// pieces meeting a ceiling of one face), the edge gets that corner too and
// the face is cut into triangles about its centre. Faces then meet corner
// to corner: a corner on an edge but not of it is rounded a little off the
// edge on the screen, and could leave a pixel open between the faces.
void JoinCornersToEdges(ObjModel& model)
{
    std::vector<Vec3> corners;
    for (const ObjSurface& s : model.surfaces)
        for (const ObjFace& f : s.faces)
            corners.insert(corners.end(), f.positions.begin(), f.positions.end());
    for (ObjSurface& s : model.surfaces) {
        std::vector<ObjFace> faces;
        for (const ObjFace& f : s.faces) {
            std::vector<Vec3> ring;
            const size_t n = f.positions.size();
            for (size_t i = 0; i < n; ++i) {
                const Vec3 &p = f.positions[i], &q = f.positions[(i + 1) % n];
                ring.push_back(p);
                const Vec3 d = q - p;
                std::vector<std::pair<double, Vec3>> inside;
                for (const Vec3& c : corners) {
                    const double t = Dot(c - p, d) / Dot(d, d);
                    if (t > 1e-9 && t < 1 - 1e-9 && Length(Cross(c - p, d)) < 1e-9 * Length(d) &&
                        std::none_of(inside.begin(), inside.end(), [t](const auto& e) { return e.first == t; }))
                        inside.emplace_back(t, c);
                }
                std::sort(inside.begin(), inside.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
                for (const auto& e : inside)
                    ring.push_back(e.second);
            }
            if (ring.size() == n) {
                faces.push_back(f);
                continue;
            }
            Vec3 centre;
            for (const Vec3& p : f.positions)
                centre += p * (1.0 / n);
            for (size_t i = 0; i < ring.size(); ++i)
                faces.push_back(ObjFace{{centre, ring[i], ring[(i + 1) % ring.size()]}, {}});
        }
        s.faces = std::move(faces);
    }
}

}  // namespace

ObjModel MakeDemoApartment()
{
    ObjModel model;
    Builder b(model);
    b.Material("living_ceiling", 0.95f, 0.94f, 0.90f);
    b.Material("living_floor", 0.62f, 0.45f, 0.30f, "oak_floor.jpg");
    b.Material("living_wall", 0.90f, 0.84f, 0.70f);
    b.Material("bedroom_ceiling", 0.93f, 0.95f, 0.97f);
    b.Material("bedroom_floor", 0.55f, 0.60f, 0.68f);
    b.Material("bedroom_wall", 0.72f, 0.80f, 0.86f);
    b.Material("sofa", 0.25f, 0.45f, 0.42f);
    b.Material("table_wood", 0.45f, 0.30f, 0.18f);
    b.Material("bookcase", 0.82f, 0.80f, 0.76f);
    b.Material("rug", 0.70f, 0.25f, 0.22f, "rug.bmp");
    b.Material("bed_cover", 0.88f, 0.86f, 0.80f);
    b.Material("wardrobe", 0.60f, 0.48f, 0.36f);

    // Living room: x 0..6, z -5..0.
    const double lx0 = 0, lx1 = 6, z0 = -5, z1 = 0;
    Builder::Flat(b.Surface("living.ceiling", "living_ceiling"), kHeight, lx0, lx1, z0, z1);
    Builder::Flat(b.Surface("living.floor", "living_floor"), 0, lx0, lx1, z0, z1);
    {
        ObjSurface& north = b.Surface("living.wall.north", "living_wall");  // window x 2..4, y 0.9..2.1
        Builder::WallZ(north, z0, 0, 2, 0, kHeight);
        Builder::WallZ(north, z0, 4, 6, 0, kHeight);
        Builder::WallZ(north, z0, 2, 4, 0, 0.9);
        Builder::WallZ(north, z0, 2, 4, 2.1, kHeight);
        ObjSurface& south = b.Surface("living.wall.south", "living_wall");  // front door x 1..2
        Builder::WallZ(south, z1, 0, 1, 0, kHeight);
        Builder::WallZ(south, z1, 2, 6, 0, kHeight);
        Builder::WallZ(south, z1, 1, 2, kDoorTop, kHeight);
        Builder::WallX(b.Surface("living.wall.west", "living_wall"), lx0, z0, z1, 0, kHeight);
        ObjSurface& east = b.Surface("living.wall.east", "living_wall");  // door to the bedroom z -4..-3
        Builder::WallX(east, lx1, z0, -4, 0, kHeight);
        Builder::WallX(east, lx1, -3, z1, 0, kHeight);
        Builder::WallX(east, lx1, -4, -3, kDoorTop, kHeight);
    }
    // Bedroom: x 6.12..10, z -5..0, beyond the shared wall.
    const double bx0 = lx1 + kWall, bx1 = 10;
    Builder::Flat(b.Surface("bedroom.ceiling", "bedroom_ceiling"), kHeight, bx0, bx1, z0, z1);
    Builder::Flat(b.Surface("bedroom.floor", "bedroom_floor"), 0, bx0, bx1, z0, z1);
    {
        ObjSurface& north = b.Surface("bedroom.wall.north", "bedroom_wall");  // window x 7.5..8.7
        Builder::WallZ(north, z0, bx0, 7.5, 0, kHeight);
        Builder::WallZ(north, z0, 8.7, bx1, 0, kHeight);
        Builder::WallZ(north, z0, 7.5, 8.7, 0, 0.9);
        Builder::WallZ(north, z0, 7.5, 8.7, 2.1, kHeight);
        Builder::WallZ(b.Surface("bedroom.wall.south", "bedroom_wall"), z1, bx0, bx1, 0, kHeight);
        Builder::WallX(b.Surface("bedroom.wall.east", "bedroom_wall"), bx1, z0, z1, 0, kHeight);
        ObjSurface& west = b.Surface("bedroom.wall.west", "bedroom_wall");  // the door from the living room
        Builder::WallX(west, bx0, z0, -4, 0, kHeight);
        Builder::WallX(west, bx0, -3, z1, 0, kHeight);
        Builder::WallX(west, bx0, -4, -3, kDoorTop, kHeight);
        // The door's reveal through the wall.
        ObjSurface& reveal = b.Surface("bedroom.door.reveal", "bedroom_wall");
        Builder::WallZ(reveal, -4, lx1, bx0, 0, kDoorTop);
        Builder::WallZ(reveal, -3, lx1, bx0, 0, kDoorTop);
        Builder::Flat(reveal, kDoorTop, lx1, bx0, -4, -3);
    }
    // Furniture.
    {
        ObjSurface& sofa = b.Surface("living.sofa", "sofa");
        Builder::Box(sofa, 0.1, 1.0, 0, 0.45, -3.9, -1.5);    // seat
        Builder::Box(sofa, 0.1, 0.3, 0.45, 0.9, -3.9, -1.5);  // back
        Builder::Box(sofa, 0.3, 1.0, 0.45, 0.65, -3.9, -3.7); // arms
        Builder::Box(sofa, 0.3, 1.0, 0.45, 0.65, -1.7, -1.5);
        Builder::Box(b.Surface("living.table", "table_wood"), 2.0, 3.2, 0, 0.45, -3.2, -2.3);
        Builder::Box(b.Surface("living.bookcase", "bookcase"), 4.4, 5.9, 0, 1.9, -4.95, -4.55);
        Builder::Flat(b.Surface("living.rug", "rug"), 0.01, 1.6, 3.6, -3.8, -1.7);
        ObjSurface& bed = b.Surface("bedroom.bed", "bed_cover");
        Builder::Box(bed, 7.2, 9.0, 0, 0.5, -4.95, -2.8);
        Builder::Box(bed, 7.2, 9.0, 0.5, 1.0, -4.95, -4.85);  // headboard
        Builder::Box(b.Surface("bedroom.wardrobe", "wardrobe"), 9.35, 9.95, 0, 2.1, -2.2, -0.2);
    }
    JoinCornersToEdges(model);
    return model;
}

Camera DemoStartCamera(int width, int height)
{
    Camera camera;
    camera.position = Vec3(1.6, 1.6, -0.3);
    camera.yaw = 0.42;
    camera.pitch = 0.0;
    camera.width = width;
    camera.height = height;
    return camera;
}

}  // namespace walkhost
