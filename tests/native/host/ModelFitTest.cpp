// Models as designers bring them: normals and opacity read from the files,
// smooth shading where the file gives no normals, shared materials split,
// the start inside a large model, textures at their real size and the
// texture files that cannot be drawn. The rooms come from data/models.
#include "ModelFit.h"
#include "ObjModel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

using namespace walkhost;

namespace {

std::string ModelFolder(const std::string& name) { return std::string(TG_SOURCE_DIR) + "/data/models/" + name + "/"; }

ObjModel LoadModel(const std::string& name)
{
    const std::string folder = ModelFolder(name);
    auto slurp = [](const std::string& path, std::string& text) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        text = s.str();
        return static_cast<bool>(in);
    };
    std::string obj;
    EXPECT_TRUE(slurp(folder + name + ".obj", obj)) << name;
    ObjModel model;
    std::string error;
    EXPECT_TRUE(ParseObj(obj, [&](const std::string& mtl, std::string& text) { return slurp(folder + mtl, text); },
                         model, error))
        << error;
    return model;
}

const ObjSurface& Named(const ObjModel& model, const std::string& name)
{
    for (const ObjSurface& s : model.surfaces)
        if (s.name == name)
            return s;
    ADD_FAILURE() << "no surface " << name;
    return model.surfaces.front();
}

const ObjMaterial& MaterialOf(const ObjModel& model, const std::string& surface)
{
    return model.materials[static_cast<size_t>(Named(model, surface).material)];
}

}  // namespace

TEST(ModelFit, NormalsAndOpacityAreRead)
{
    const std::string mtl = "newmtl a\nd 0.35\nnewmtl b\nTr 0.5\nnewmtl c\nd 0.2\nTr 0.1\nnewmtl e\nd -halo 0.6\n";
    ObjModel model;
    std::string error;
    ASSERT_TRUE(ParseObj("mtllib m.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\nvn 0 0 -1\n"
                         "usemtl a\nf 1//1 2//1 3//2\nf 1/1/2 2/1/2 3/1/2\nf 1/1 2/1/1 3\nf 1//7 2//1 3//1\n",
                         [&](const std::string&, std::string& text) { return text = mtl, true; }, model, error))
        << error;
    std::map<std::string, float> opacity;
    for (const ObjMaterial& m : model.materials)
        opacity[m.name] = m.opacity;
    EXPECT_FLOAT_EQ(opacity["a"], 0.35f);
    EXPECT_FLOAT_EQ(opacity["b"], 0.5f);
    EXPECT_FLOAT_EQ(opacity["c"], 0.9f);  // the later line wins
    EXPECT_FLOAT_EQ(opacity["e"], 0.6f);
    const std::vector<ObjFace>& faces = model.surfaces[0].faces;
    ASSERT_EQ(faces[0].normals.size(), 3u);
    EXPECT_DOUBLE_EQ(faces[0].normals[2].z, -1);
    EXPECT_DOUBLE_EQ(faces[1].normals[0].z, -1);
    EXPECT_EQ(faces[1].uvs.size(), 3u);
    EXPECT_TRUE(faces[2].normals.empty());  // not every corner has one
    EXPECT_TRUE(faces[3].normals.empty());  // normal 7 does not exist: warned, not refused
    ASSERT_EQ(model.warnings.size(), 1u);
    EXPECT_NE(model.warnings[0].find("line 12"), std::string::npos) << model.warnings[0];

    // Normal indices in a file without any `vn` load quietly, as before.
    ASSERT_TRUE(ParseObj("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1//1 2//1 3//1\n", nullptr, model, error)) << error;
    for (const std::string& warning : model.warnings)
        EXPECT_EQ(warning.find("normal"), std::string::npos) << warning;
    EXPECT_TRUE(model.surfaces[0].faces[0].normals.empty());

    const std::map<std::string, std::string> bad = {
        {"v 0 0 0\nvn 0 x 1\n", "line 2"}, {"vn 0 1\n", "line 1"}, {"d 0.5\n", "line 1"},
        {"newmtl a\nd\n", "line 2"},       {"newmtl a\nTr half\n", "line 2"},
    };
    for (const auto& [text, where] : bad) {
        std::vector<ObjMaterial> materials;
        const bool mtlFailed = text[0] != 'v' && !ParseMtl(text, materials, error);
        const bool objFailed = text[0] == 'v' && !ParseObj(text, nullptr, model, error);
        EXPECT_TRUE(mtlFailed || objFailed) << text;
        EXPECT_NE(error.find(where), std::string::npos) << text << " -> " << error;
    }
}

TEST(ModelFit, FacetedColumnsAreShadedRoundAndBoxesKeepTheirEdges)
{
    ObjModel atrium = LoadModel("atrium");
    // A box: each face's corners keep the face's own normal.
    ObjModel box;
    std::string error;
    ASSERT_TRUE(ParseObj("v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 1\nv 1 0 1\nv 1 1 1\nv 0 1 1\n"
                         "f 1 4 3 2\nf 5 6 7 8\nf 1 5 8 4\nf 2 3 7 6\nf 1 2 6 5\nf 4 8 7 3\nvn 1 0 0\nf 1//1 2//1 3//1\n",
                         nullptr, box, error));
    EXPECT_EQ(AddCornerNormals(box), 6u);
    const std::vector<ObjFace>& faces = box.surfaces[0].faces;
    for (size_t i = 0; i < 6; ++i)
        for (const Vec3& n : faces[i].normals)
            EXPECT_NEAR(Dot(n, FaceNormal(faces[i].positions)), 1, 1e-12) << "face " << i;
    EXPECT_DOUBLE_EQ(faces[6].normals[0].x, 1);  // given by the file: kept

    AddCornerNormals(atrium);
    // Every corner of the twelve-sided columns points away from its column's axis.
    const ObjSurface& columns = Named(atrium, "columns");
    ASSERT_EQ(columns.faces.size(), 48u);
    for (const ObjFace& f : columns.faces) {
        Vec3 axis;
        for (const Vec3& p : f.positions)
            axis += p * 0.25;
        const double cx = std::round((axis.x - 1.5) / 3) * 3 + 1.5;
        for (size_t i = 0; i < 4; ++i) {
            const Vec3 radial = Normalize(Vec3(f.positions[i].x - cx, 0, f.positions[i].z + 3));
            EXPECT_GT(Dot(f.normals[i], radial), 0.99999);
        }
    }
    // The floor meets the walls at 90 degrees: a crease, flat up to its corners.
    for (const Vec3& n : Named(atrium, "court.floor").faces[0].normals)
        EXPECT_NEAR(n.y, 1, 1e-12);
}

TEST(ModelFit, SharedMaterialsAreSplitPerObject)
{
    ObjModel room = LoadModel("living-room");
    const size_t before = room.materials.size();
    room.materials[0].opacity = 0.5f;  // Default: the copies carry every value
    EXPECT_EQ(SplitSharedMaterials(room), 5u);
    EXPECT_EQ(room.materials.size(), before + 5);
    EXPECT_EQ(MaterialOf(room, "wall.north").name, "Default");
    for (const char* name : {"wall.east", "wall.west", "sofa", "shelf", "desk"}) {
        const ObjMaterial& m = MaterialOf(room, name);
        EXPECT_EQ(m.name, std::string("Default.") + name);
        EXPECT_FLOAT_EQ(m.kd[0], 0.8f);
        EXPECT_FLOAT_EQ(m.opacity, 0.5f);
    }
    EXPECT_EQ(MaterialOf(room, "rug").name, "rug");  // used by one object only
    EXPECT_EQ(SplitSharedMaterials(room), 0u);         // nothing left to split

    // A copy's name that is taken gets a number; two surfaces of one name share their copy.
    struct S {
        std::string name;
        unsigned material;
    };
    std::vector<S> surfaces = {{"a", 1}, {"b", 1}, {"b", 1}, {"c", 2}};
    std::vector<std::string> names = {"", "m", "m.b"};
    const size_t copies = SplitSharedMaterials(
        surfaces, [](S& s) -> unsigned& { return s.material; }, [&](unsigned m) { return names[m]; },
        [&](unsigned m, const std::string& name) {
            names.push_back(name + "<" + names[m]);
            return static_cast<unsigned>(names.size() - 1);
        });
    EXPECT_EQ(copies, 1u);
    EXPECT_EQ(surfaces[1].material, surfaces[2].material);
    EXPECT_EQ(names[surfaces[1].material], "m.b.2<m");
}

TEST(ModelFit, ALargeModelStartsInsideOnItsGroundFloor)
{
    StartView view;
    ASSERT_TRUE(FindStartView(LoadModel("atrium"), view));
    EXPECT_DOUBLE_EQ(view.position.y, kEyeHeight);  // on the court's floor at y = 0
    EXPECT_NEAR(view.position.x, 0, 1e-9);
    EXPECT_NEAR(view.position.z, 0, 1e-9);
    EXPECT_EQ(view.yaw, 0);  // 14 x 14 m: along z

    // A hall 30 m long in x and 8 m high, with a gallery 3 m up over its centre.
    ObjModel hall;
    std::string error;
    ASSERT_TRUE(ParseObj("v -15 0 -7\nv -15 0 7\nv 15 0 7\nv 15 0 -7\nf 1 2 3 4\n"
                         "v -15 8 -7\nv -15 8 7\nv 15 8 7\nv 15 8 -7\nf 8 7 6 5\n"
                         "v -2 3 -2\nv -2 3 2\nv 2 3 2\nv 2 3 -2\nf 9 10 11 12\n",
                         nullptr, hall, error))
        << error;
    ASSERT_TRUE(FindStartView(hall, view));
    EXPECT_DOUBLE_EQ(view.position.y, kEyeHeight);
    EXPECT_NEAR(view.yaw, std::acos(-1.0) / 2, 1e-12);  // along x

    EXPECT_FALSE(FindStartView(LoadModel("living-room"), view));  // the size of a room
}

TEST(ModelFit, TexturesAreLaidAtTheirRealSize)
{
    // A wall 4 m long in x and 2.5 m high: four repeats across, two and a half up.
    const std::vector<Vec3> wall = {{-1, 0, -2}, {3, 0, -2}, {3, 2.5, -2}, {-1, 2.5, -2}};
    const std::vector<Vec2> uv = PlanarUvs(wall, FaceNormal(wall));
    EXPECT_DOUBLE_EQ(uv[1].u - uv[0].u, 4);
    EXPECT_DOUBLE_EQ(uv[2].v - uv[1].v, 2.5);
    EXPECT_DOUBLE_EQ(PlanarUvs(wall, FaceNormal(wall), 0.5)[1].u - uv[0].u * 2, 8);
}

TEST(ModelFit, MissingAndUnreadableTexturesAreListed)
{
    const std::vector<TextureProblem> living = CheckTextureFiles(LoadModel("living-room").materials,
                                                                 {ModelFolder("living-room")});
    ASSERT_EQ(living.size(), 1u);
    EXPECT_EQ(TextureProblemText(living[0]), "oak-parquet.jpg (file not found)");

    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "walkhost-modelfit-test";
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir / "first" / "folder.png");
    std::filesystem::create_directories(dir / "second");
    std::ofstream(dir / "second" / "stone.png") << "png";
    std::ofstream(dir / "second" / "empty.png");
    std::ofstream(dir / "second" / "folder.png") << "png";
    std::vector<ObjMaterial> materials(5);
    materials[0].mapKd = "stone.png";   // found in the second folder
    materials[1].mapKd = "empty.png";
    materials[2].mapKd = "folder.png";  // the first folder decides
    materials[3].mapKd = "empty.png";   // named once
    materials[4].mapKd = (dir / "gone.png").string();
    const std::vector<TextureProblem> problems =
        CheckTextureFiles(materials, {(dir / "first").string(), (dir / "second").string() + "/"});
    std::filesystem::remove_all(dir);
    ASSERT_EQ(problems.size(), 3u);
    EXPECT_EQ(TextureProblemText(problems[0]), "empty.png (an empty file)");
    EXPECT_EQ(TextureProblemText(problems[1]), "folder.png (a folder, not a file)");
    EXPECT_EQ(problems[2].reason, "file not found");
}
