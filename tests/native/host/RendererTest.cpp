// The software renderer's pictures: the demo apartment from four views,
// compared with the frames kept in frames/ (the renderer's output before it
// was made fast), and the same frame whatever the number of threads.
// TG_WRITE_FRAMES=1 rewrites the kept frames from the current renderer.
#include "Camera.h"
#include "DemoScene.h"
#include "Image.h"
#include "Picking.h"
#include "Renderer.h"
#include "Scene.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>

using namespace walkhost;

namespace {

const std::string kSource = TG_SOURCE_DIR;

std::vector<unsigned char> ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

// The demo's textures, decoded from data/host/textures by the map's name.
class DemoTextures {
public:
    const Image* operator()(const Material& m)
    {
        const std::string name = HvString_Text(&m.record.mapFile[0]);
        if (name.empty())
            return nullptr;
        auto it = images_.find(name);
        if (it == images_.end()) {
            auto image = std::make_unique<Image>();
            if (!DecodeImage(ReadBytes(kSource + "/data/host/textures/" + name), *image))
                image.reset();
            it = images_.emplace(name, std::move(image)).first;
        }
        return it->second.get();
    }

private:
    std::map<std::string, std::unique_ptr<Image>> images_;
};

struct View {
    const char* name;
    Camera camera;
    std::vector<const char*> selected;
};

std::vector<View> DemoViews()
{
    std::vector<View> views;
    views.push_back({"start", DemoStartCamera(320, 240), {}});
    views.push_back({"selected", DemoStartCamera(320, 240), {"living.wall.north", "living.rug", "living.sofa"}});
    Camera bedroom = DemoStartCamera(320, 240);
    bedroom.position = Vec3(8.4, 1.5, -0.6);
    bedroom.yaw = -1.0;  // looking west-north-west, back through the door
    bedroom.pitch = -0.15;
    views.push_back({"bedroom", bedroom, {"bedroom.bed"}});
    Camera corner = DemoStartCamera(320, 240);
    corner.position = Vec3(0.4, 1.2, -4.6);  // close to the walls: much is cut at the near plane
    corner.yaw = 2.5;
    corner.pitch = 0.7;
    views.push_back({"corner", corner, {}});
    return views;
}

std::vector<unsigned> Handles(const Scene& scene, const std::vector<const char*>& names)
{
    std::vector<unsigned> handles;
    for (const char* name : names)
        handles.push_back(scene.FindSurface(name));
    return handles;
}

int ChannelDifference(uint32_t a, uint32_t b)
{
    int worst = 0;
    for (int shift : {0, 8, 16})
        worst = std::max(worst, std::abs(int((a >> shift) & 255) - int((b >> shift) & 255)));
    return worst;
}

}  // namespace

TEST(RendererPictures, DemoViewsMatchTheKeptFrames)
{
    Scene scene;
    scene.Assign(MakeDemoApartment());
    DemoTextures textures;
    const bool write = std::getenv("TG_WRITE_FRAMES") != nullptr;
    for (const View& view : DemoViews()) {
        Frame frame;
        RenderScene(scene, view.camera, Handles(scene, view.selected), std::ref(textures), frame);
        const std::string path = kSource + "/tests/native/host/frames/" + view.name + ".png";
        if (write) {
            const std::vector<unsigned char> png = EncodePng(frame.color);
            std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(png.data()),
                                                        static_cast<std::streamsize>(png.size()));
            continue;
        }
        Image kept;
        ASSERT_TRUE(DecodeImage(ReadBytes(path), kept)) << path;
        ASSERT_EQ(kept.width, frame.color.width);
        ASSERT_EQ(kept.height, frame.color.height);
        // Pixel for pixel.
        int differing = 0, worst = 0;
        for (size_t i = 0; i < kept.pixels.size(); ++i)
            if (kept.pixels[i] != frame.color.pixels[i]) {
                ++differing;
                worst = std::max(worst, ChannelDifference(kept.pixels[i], frame.color.pixels[i]));
            }
        EXPECT_EQ(differing, 0) << view.name << ", the largest difference " << worst;
    }
}

TEST(RendererPictures, OneThreadOrManyDrawTheSameFrame)
{
    Scene scene;
    scene.Assign(MakeDemoApartment());
    DemoTextures textures;
    for (const View& view : DemoViews()) {
        Camera camera = view.camera;
        camera.width = 333;  // rows not a multiple of any band
        camera.height = 251;
        const std::vector<unsigned> selected = Handles(scene, view.selected);
        Frame one, many;
        RenderScene(scene, camera, selected, std::ref(textures), one, 1);
        RenderScene(scene, camera, selected, std::ref(textures), many, 4);
        EXPECT_EQ(one.color.pixels, many.color.pixels) << view.name;
        EXPECT_EQ(one.ids, many.ids) << view.name;
        EXPECT_EQ(one.depth, many.depth) << view.name;
    }
}
