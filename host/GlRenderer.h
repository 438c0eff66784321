// The OpenGL renderer of the 3D view: the same picture as the software
// renderer (per-face light from a key and a fill light, the gentle fall-off
// with distance, textures, the amber bands over the selection), drawn by the
// system's OpenGL through a context on the main window. The software
// renderer draws instead when no context can be made, and unless OpenGL is
// asked for by name when the system's OpenGL is a software rasteriser.
#pragma once

#include "Camera.h"
#include "Image.h"
#include "Renderer.h"
#include "Scene.h"

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace walkhost {

class GlRenderer {
public:
    GlRenderer() = default;
    ~GlRenderer();
    GlRenderer(const GlRenderer&) = delete;
    GlRenderer& operator=(const GlRenderer&) = delete;

    // Makes an OpenGL context on the window. False, with the reason in
    // `error`, when the system cannot give one. Without `shaders` (or when
    // the system has none) both sides of the faces are drawn in two passes
    // of OpenGL's fixed functions.
    bool Create(HWND window, std::string& error, bool shaders = true);
    // "OpenGL <version> (<renderer>)".
    const std::string& Description() const { return description_; }
    // The renderer as OpenGL names it (GL_RENDERER): what walkhost's choice
    // of renderer looks at.
    const std::string& RendererName() const { return rendererName_; }

    // The scene's triangles were replaced: the stored geometry is rebuilt
    // at the next draw.
    void SceneChanged() { sceneDirty_ = true; }

    // Draws the view into the back buffer; Present shows it.
    void Draw(const Scene& scene, const Camera& camera, const std::vector<unsigned>& selected,
              const TextureLookup& textures);
    void Present();
    // Reads the drawn back buffer (call after Draw, before Present).
    void ReadPixels(Image& image);

private:
    bool MakeProgram();
    void Build(const Scene& scene);
    void Release();
    // Points the vertex arrays at the stored geometry, the colours at the
    // lights of the faces' fronts or backs.
    void PointArrays(bool backs);
    // Draws the runs of a surface's triangles that may be in view.
    void DrawRuns(const Surface& surface, size_t firstTriangle, const ViewVolume& volume);
    // The shaders' drawing: the runs in view, nearest first.
    void DrawNearestFirst(const Scene& scene, const Camera& camera, const TextureLookup& textures);
    // Binds the surface's texture or colour and its opacity for the shaders.
    void UseSurface(const Scene& scene, unsigned surface, const TextureLookup& textures);
    // The shaders' drawing of the see-through runs, farthest first, blended
    // over what is drawn, testing depth without writing it.
    void DrawSeeThrough(const Scene& scene, const TextureLookup& textures);
    unsigned TextureOf(const Image* image);
    unsigned ColourTexture(unsigned material, const float rgb[3]);

    HWND window_ = nullptr;
    HDC dc_ = nullptr;
    HGLRC context_ = nullptr;
    std::string description_;
    std::string rendererName_;
    // The shaders that draw both sides in one pass, textured and in a plain
    // colour (`colourUniform_`); 0: two fixed-function passes.
    unsigned program_ = 0, plainProgram_ = 0;
    int colourUniform_ = -1;
    // The share of the colour over what is behind, in either program.
    int opacityUniforms_[2] = {-1, -1};
    bool sceneDirty_ = true;
    const Scene* builtFor_ = nullptr;
    // The scene's corners (position, texture coordinates, the lights of the
    // front and the back; those a face's triangles share stored once), and
    // three indices of corners per triangle in the scene's order: in buffers
    // of the system's when it has them (`buffers_`: corners, indices), else
    // in `vertices_` and `indices_`. Where each surface's triangles begin.
    bool useBuffers_ = false;
    unsigned buffers_[2] = {0, 0};
    std::vector<float> vertices_;
    std::vector<uint32_t> indices_;
    size_t vertexCount_ = 0;
    std::vector<size_t> firstTriangle_;
    // Per surface, whether its texture coordinates were stored laid by world
    // position (Material::LaidByWorld).
    std::vector<bool> laidByWorld_;
    std::map<const Image*, unsigned> textures_;
    std::map<unsigned, std::pair<uint32_t, unsigned>> colours_;  // material: packed colour, texture
    int width_ = 0, height_ = 0;
    struct RunDraw {
        unsigned surface;
        size_t first, count;  // triangles
    };
    std::vector<RunInView> runs_;
    std::vector<RunDraw> order_;
    std::vector<RunDraw> seeThrough_;  // runs of see-through surfaces, nearest first
};

}  // namespace walkhost
