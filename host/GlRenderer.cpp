#include "GlRenderer.h"

#include "GlLoader.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

#ifndef GL_BGRA_EXT
#define GL_BGRA_EXT 0x80E1
#endif
#ifndef GL_CLAMP_TO_EDGE
#define GL_CLAMP_TO_EDGE 0x812F
#endif

namespace walkhost {
namespace {

constexpr double kNear = 0.05;
constexpr double kFar = 2000;
const float kGrey[3] = {0.7f, 0.7f, 0.7f};  // a surface without a material

// The texture a material is drawn with, or null to draw its colour.
const Image* TextureOfMaterial(const Material* material, const TextureLookup& textures)
{
    const Image* texture = material && textures ? textures(*material) : nullptr;
    return texture && texture->width > 0 && texture->height > 0 ? texture : nullptr;
}

// The software renderer's colour of a face: the material's 0-255 channels
// scaled by the light (0 to 256).
uint32_t Packed(const float rgb[3])
{
    uint32_t out = 0;
    for (int i = 0; i < 3; ++i)
        out = (out << 8) | static_cast<uint32_t>(std::lround(std::clamp(rgb[i], 0.0f, 1.0f) * 255));
    return out;
}

// Light of a corner seen from the face's front (the side its normal points
// to) and from its back: the software renderer's light of the corner's
// normal as it is and turned round, in its whole 1/256 steps.
void CornerLights(const Vec3& normal, float& front, float& back)
{
    front = static_cast<float>(static_cast<int>(256 * ShadeFacing(normal)) / 256.0);
    back = static_cast<float>(static_cast<int>(256 * ShadeFacing(normal * -1)) / 256.0);
}

// Both sides of every face in one pass: the vertex colour carries the light
// of the face's front (red) and back (green); the fragment takes the one of
// the side it shows, times the texture and the fall-off with distance.
const char* const kVertexShader = R"(
varying vec2 uv;
varying vec2 lights;
varying float depth;
void main()
{
    vec4 eye = gl_ModelViewMatrix * gl_Vertex;
    depth = -eye.z;
    uv = gl_MultiTexCoord0.xy;
    lights = gl_Color.rg;
    gl_Position = ftransform();  // the fixed-function depths, which the selection's pass matches
}
)";

// Compiled twice: with TEXTURED defined first for a material with a
// texture, and without it for one drawn in its colour alone (`colour`),
// which then samples nothing.
const char* const kFragmentShader = R"(
uniform sampler2D picture;
uniform vec3 colour;
uniform float opacity;
varying vec2 uv;
varying vec2 lights;
varying float depth;
void main()
{
    float light = gl_FrontFacing ? lights.r : lights.g;
    float falloff = clamp(1.12 - 0.04 * depth, 170.0 / 256.0, 1.0);
#ifdef TEXTURED
    vec3 base = texture2D(picture, uv).rgb;
#else
    vec3 base = colour;
#endif
    gl_FragColor = vec4(base * light * falloff, opacity);
}
)";

}  // namespace

bool GlRenderer::MakeProgram()
{
    GlApi& gl = GlFunctions();
    if (!gl.LoadShaders())
        return false;
    auto compile = [&gl](GLenum kind, const char* source, const char* defines = "") -> GLuint {
        const GLuint shader = gl.createShader(kind);
        const char* const sources[] = {defines, source};
        gl.shaderSource(shader, 2, sources, nullptr);
        gl.compileShader(shader);
        GLint ok = 0;
        gl.getShaderiv(shader, GL_COMPILE_STATUS, &ok);
        return ok ? shader : 0;
    };
    auto link = [&gl](GLuint vertex, GLuint fragment) -> GLuint {
        if (!vertex || !fragment)
            return 0;
        const GLuint program = gl.createProgram();
        gl.attachShader(program, vertex);
        gl.attachShader(program, fragment);
        gl.linkProgram(program);
        GLint ok = 0;
        gl.getProgramiv(program, GL_LINK_STATUS, &ok);
        if (!ok)
            gl.deleteProgram(program);
        return ok ? program : 0;
    };
    const GLuint vertex = compile(GL_VERTEX_SHADER, kVertexShader);
    const GLuint textured = link(vertex, compile(GL_FRAGMENT_SHADER, kFragmentShader, "#define TEXTURED\n"));
    const GLuint plain = link(vertex, compile(GL_FRAGMENT_SHADER, kFragmentShader));
    if (!textured || !plain) {
        if (textured)
            gl.deleteProgram(textured);
        if (plain)
            gl.deleteProgram(plain);
        return false;
    }
    gl.useProgram(textured);
    gl.uniform1i(gl.getUniformLocation(textured, "picture"), 0);
    gl.useProgram(0);
    program_ = textured;
    plainProgram_ = plain;
    colourUniform_ = gl.getUniformLocation(plain, "colour");
    opacityUniforms_[0] = gl.getUniformLocation(textured, "opacity");
    opacityUniforms_[1] = gl.getUniformLocation(plain, "opacity");
    return true;
}

GlRenderer::~GlRenderer()
{
    if (context_) {
        wglMakeCurrent(dc_, context_);
        Release();
        if (program_) {
            GlFunctions().deleteProgram(program_);
            GlFunctions().deleteProgram(plainProgram_);
        }
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(context_);
    }
    if (dc_)
        ReleaseDC(window_, dc_);
}

bool GlRenderer::Create(HWND window, std::string& error, bool shaders)
{
    window_ = window;
    if (!MakeGlContext(window, dc_, context_, error))
        return false;
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    rendererName_ = renderer ? renderer : "?";
    description_ = std::string("OpenGL ") + (version ? version : "?") + " (" + rendererName_ + ")";
    if (!shaders || !MakeProgram())
        description_ += ", without shaders";
    useBuffers_ = GlFunctions().LoadBuffers();
    return true;
}

void GlRenderer::Release()
{
    if (buffers_[0])
        GlFunctions().deleteBuffers(2, buffers_);
    buffers_[0] = buffers_[1] = 0;
    vertices_.clear();
    indices_.clear();
    firstTriangle_.clear();
    laidByWorld_.clear();
    vertexCount_ = 0;
    for (const auto& t : textures_)
        glDeleteTextures(1, &t.second);
    textures_.clear();
    for (const auto& c : colours_)
        glDeleteTextures(1, &c.second.second);
    colours_.clear();
}

namespace {

// A corner as OpenGL is given it: position, texture coordinates (v turned,
// as the software renderer reads rows top down) and the light of the face's
// front and back as grey, which the surface's texture multiplies.
struct Corner {
    float value[7];
    bool operator==(const Corner& o) const { return std::memcmp(value, o.value, sizeof value) == 0; }
};

}  // namespace

// The triangles a face was cut into share corners with the triangle before
// them (a fan), so each corner met there is stored and transformed once:
// a quad takes four corners, not six. The arrays hold all positions, then
// all texture coordinates, then the colours of the fronts and of the backs.
void GlRenderer::Build(const Scene& scene)
{
    Release();
    std::vector<Corner> corners;
    size_t triangles = 0;
    for (const Surface& s : scene.Surfaces()) {
        firstTriangle_.push_back(triangles);
        triangles += s.triangles.size();
        const Material* material = scene.GetMaterial(s.material);
        laidByWorld_.push_back(material && material->LaidByWorld());
    }
    indices_.reserve(3 * triangles);
    corners.reserve(2 * triangles + 2);
    for (size_t si = 0; si < scene.Surfaces().size(); ++si)
        for (const Triangle& t : scene.Surfaces()[si].triangles) {
            const Vec2* uvs = laidByWorld_[si] ? t.planarUv : t.uv;
            const bool byCorners = LitByCorners(t);
            const size_t previous = indices_.size();  // the last triangle's indices end here
            for (int k = 0; k < 3; ++k) {
                float lf = 0, lb = 0;
                CornerLights(byCorners ? t.normals[k] : t.normal, lf, lb);
                const Corner c{{static_cast<float>(t.p[k].x), static_cast<float>(t.p[k].y),
                                static_cast<float>(t.p[k].z), static_cast<float>(uvs[k].u),
                                static_cast<float>(1 - uvs[k].v), lf, lb}};
                uint32_t index = static_cast<uint32_t>(corners.size());
                for (size_t i = previous >= 3 ? previous - 3 : previous; i < previous; ++i)
                    if (corners[indices_[i]] == c)
                        index = indices_[i];
                if (index == corners.size())
                    corners.push_back(c);
                indices_.push_back(index);
            }
        }
    const size_t n = corners.size();
    vertexCount_ = n;
    vertices_.assign(n * (program_ ? 8 : 11), 0.0f);
    float* position = vertices_.data();
    float* uv = position + 3 * n;
    float* front = uv + 2 * n;
    float* back = front + 3 * n;
    for (const Corner& c : corners) {
        const float *v = c.value, lf = v[5], lb = v[6];
        position = std::copy(v, v + 3, position);
        uv = std::copy(v + 3, v + 5, uv);
        if (program_) {  // the shader picks the side
            *front++ = lf;
            *front++ = lb;
            *front++ = 0;
            continue;
        }
        for (int k = 0; k < 3; ++k) {
            *front++ = lf;
            *back++ = lb;
        }
    }
    GlApi& gl = GlFunctions();
    if (n > 0 && useBuffers_) {
        gl.genBuffers(2, buffers_);
        gl.bindBuffer(GL_ARRAY_BUFFER, buffers_[0]);
        gl.bufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertices_.size() * sizeof(float)), vertices_.data(),
                      GL_STATIC_DRAW);
        gl.bindBuffer(GL_ARRAY_BUFFER, 0);
        gl.bindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers_[1]);
        gl.bufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indices_.size() * sizeof(uint32_t)),
                      indices_.data(), GL_STATIC_DRAW);
        gl.bindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        std::vector<float>().swap(vertices_);  // the system keeps them now
        std::vector<uint32_t>().swap(indices_);
    }
    builtFor_ = &scene;
    sceneDirty_ = false;
}

void GlRenderer::PointArrays(bool backs)
{
    // Offsets into the system's buffer, or addresses in ours.
    const uintptr_t origin = buffers_[0] ? 0 : reinterpret_cast<uintptr_t>(vertices_.data());
    const size_t n = vertexCount_;
    auto at = [origin](size_t floats) { return reinterpret_cast<const void*>(origin + floats * sizeof(float)); };
    if (buffers_[0]) {
        GlFunctions().bindBuffer(GL_ARRAY_BUFFER, buffers_[0]);
        GlFunctions().bindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers_[1]);
    }
    glVertexPointer(3, GL_FLOAT, 0, at(0));
    glTexCoordPointer(2, GL_FLOAT, 0, at(3 * n));
    glColorPointer(3, GL_FLOAT, 0, at(backs ? 8 * n : 5 * n));
}

void GlRenderer::DrawRuns(const Surface& surface, size_t firstTriangle, const ViewVolume& volume)
{
    // Adjacent runs in view go in one call.
    const uintptr_t origin = buffers_[1] ? 0 : reinterpret_cast<uintptr_t>(indices_.data());
    size_t first = 0, count = 0;
    auto flush = [&] {
        if (count > 0)
            glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(3 * count), GL_UNSIGNED_INT,
                           reinterpret_cast<const void*>(origin + 3 * (firstTriangle + first) * sizeof(uint32_t)));
        count = 0;
    };
    for (const TriangleRun& run : surface.runs) {
        if (!volume.MayShow(run.lo, run.hi)) {
            flush();
            continue;
        }
        if (count == 0)
            first = run.first;
        count += run.count;
    }
    flush();
}

unsigned GlRenderer::TextureOf(const Image* image)
{
    auto it = textures_.find(image);
    if (it != textures_.end())
        return it->second;
    GLuint id = 0;
    glGenTextures(1, &id);
    glBindTexture(GL_TEXTURE_2D, id);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    // 0x00RRGGBB words are B, G, R, 0 bytes in memory.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, image->width, image->height, 0, GL_BGRA_EXT, GL_UNSIGNED_BYTE,
                 image->pixels.data());
    textures_[image] = id;
    return id;
}

// Without shaders, a material without a texture is drawn with a one-pixel
// texture of its colour, so the stored corners serve whatever colour the
// material takes.
unsigned GlRenderer::ColourTexture(unsigned material, const float rgb[3])
{
    const uint32_t packed = Packed(rgb);
    auto it = colours_.find(material);
    if (it != colours_.end() && it->second.first == packed)
        return it->second.second;
    GLuint id = it != colours_.end() ? it->second.second : 0;
    if (!id) {
        glGenTextures(1, &id);
        glBindTexture(GL_TEXTURE_2D, id);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    }
    glBindTexture(GL_TEXTURE_2D, id);
    const uint32_t texel = packed;
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, 1, 1, 0, GL_BGRA_EXT, GL_UNSIGNED_BYTE, &texel);
    colours_[material] = {packed, id};
    return id;
}

void GlRenderer::DrawNearestFirst(const Scene& scene, const Camera& camera, const TextureLookup& textures)
{
    // The runs in view nearest first, as the software renderer draws them:
    // what is drawn first hides more of what follows, whose hidden pixels
    // are then turned down before they are shaded.
    const std::vector<Surface>& surfaces = scene.Surfaces();
    RunsInView(scene, camera, runs_);
    order_.clear();
    seeThrough_.clear();
    for (const RunInView& run : runs_) {
        const Material* material = scene.GetMaterial(surfaces[run.surface].material);
        (material && material->opacity < 1 ? seeThrough_ : order_)
            .push_back(RunDraw{static_cast<unsigned>(run.surface), firstTriangle_[run.surface] + run.first, run.count});
    }
    // A run that follows on from the one before it in the same surface goes in the same call.
    size_t kept = 0;
    for (size_t i = 0; i < order_.size(); ++i) {
        const RunDraw* last = kept > 0 ? &order_[kept - 1] : nullptr;
        if (last && last->surface == order_[i].surface && last->first + last->count == order_[i].first)
            order_[kept - 1].count += order_[i].count;
        else
            order_[kept++] = order_[i];
    }
    order_.resize(kept);
    const uintptr_t origin = buffers_[1] ? 0 : reinterpret_cast<uintptr_t>(indices_.data());
    size_t current = surfaces.size();
    for (const RunDraw& draw : order_) {
        if (draw.surface != current) {
            current = draw.surface;
            UseSurface(scene, draw.surface, textures);
        }
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(3 * draw.count), GL_UNSIGNED_INT,
                       reinterpret_cast<const void*>(origin + 3 * draw.first * sizeof(uint32_t)));
    }
}

void GlRenderer::UseSurface(const Scene& scene, unsigned surface, const TextureLookup& textures)
{
    GlApi& gl = GlFunctions();
    const Material* material = scene.GetMaterial(scene.Surfaces()[surface].material);
    // The software renderer's opacity, in whole 1/256 steps.
    const float opacity =
        material ? static_cast<float>(std::clamp(std::lround(material->opacity * 256), 0L, 256L) / 256.0) : 1.0f;
    if (const Image* texture = TextureOfMaterial(material, textures)) {
        glBindTexture(GL_TEXTURE_2D, TextureOf(texture));
        gl.useProgram(program_);
        gl.uniform1f(opacityUniforms_[0], opacity);
    } else {
        // The colour as a one-texel texture would give it: whole 0-255 steps.
        const uint32_t packed = Packed(material ? material->record.color : kGrey);
        gl.useProgram(plainProgram_);
        gl.uniform3f(colourUniform_, static_cast<float>(packed >> 16) / 255,
                     static_cast<float>((packed >> 8) & 255) / 255, static_cast<float>(packed & 255) / 255);
        gl.uniform1f(opacityUniforms_[1], opacity);
    }
}

void GlRenderer::DrawSeeThrough(const Scene& scene, const TextureLookup& textures)
{
    glDepthFunc(GL_LESS);
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    const uintptr_t origin = buffers_[1] ? 0 : reinterpret_cast<uintptr_t>(indices_.data());
    for (auto draw = seeThrough_.rbegin(); draw != seeThrough_.rend(); ++draw) {
        UseSurface(scene, draw->surface, textures);
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(3 * draw->count), GL_UNSIGNED_INT,
                       reinterpret_cast<const void*>(origin + 3 * draw->first * sizeof(uint32_t)));
    }
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
}

void GlRenderer::Draw(const Scene& scene, const Camera& camera, const std::vector<unsigned>& selected,
                      const TextureLookup& textures)
{
    if (!context_)
        return;
    wglMakeCurrent(dc_, context_);
    bool laidChanged = false;
    for (size_t s = 0; s < laidByWorld_.size() && s < scene.SurfaceCount() && !laidChanged; ++s) {
        const Material* material = scene.GetMaterial(scene.Surfaces()[s].material);
        laidChanged = laidByWorld_[s] != (material && material->LaidByWorld());
    }
    if (sceneDirty_ || laidChanged || builtFor_ != &scene || firstTriangle_.size() != scene.SurfaceCount())
        Build(scene);
    const int w = std::max(camera.width, 1), h = std::max(camera.height, 1);
    width_ = w;
    height_ = h;
    glViewport(0, 0, w, h);
    glDisable(GL_DITHER);
    glDisable(GL_LIGHTING);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    // The camera: the same pinhole as the software renderer's.
    const double focal = camera.Focal();
    const double top = kNear * (h / 2.0) / focal, right = kNear * (w / 2.0) / focal;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-right, right, -top, top, kNear, kFar);
    const ViewBasis b = camera.Basis();
    const Vec3 f = b.forward * -1;
    const double m[16] = {b.right.x, b.up.x, f.x, 0, b.right.y, b.up.y, f.y, 0, b.right.z, b.up.z, f.z, 0,
                          -Dot(b.right, b.position), -Dot(b.up, b.position), -Dot(f, b.position), 1};
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixd(m);
    seeThrough_.clear();

    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    // The fall-off with distance: the colour times 1.12 - 0.04 * depth, at
    // most 1 (linear fog towards black from 3 m to 28 m).
    glEnable(GL_FOG);
    const float black[4] = {0, 0, 0, 1};
    glFogfv(GL_FOG_COLOR, black);
    glFogi(GL_FOG_MODE, GL_LINEAR);
    glFogf(GL_FOG_START, 3.0f);
    glFogf(GL_FOG_END, 28.0f);
    glFrontFace(GL_CCW);
    if (program_) {
        glDisable(GL_FOG);  // the shader darkens with distance itself
        glDisable(GL_CULL_FACE);
    } else {
        glEnable(GL_CULL_FACE);
    }

    const std::vector<Surface>& surfaces = scene.Surfaces();
    const ViewVolume volume(camera, kNear);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    PointArrays(false);
    if (program_) {
        DrawNearestFirst(scene, camera, textures);
    } else {
        for (size_t s = 0; s < surfaces.size(); ++s) {
            if (surfaces[s].triangles.empty())
                continue;
            const Material* material = scene.GetMaterial(surfaces[s].material);
            const Image* texture = TextureOfMaterial(material, textures);
            glBindTexture(GL_TEXTURE_2D, texture ? TextureOf(texture)
                                                 : ColourTexture(surfaces[s].material,
                                                                 material ? material->record.color : kGrey));
            glCullFace(GL_BACK);
            PointArrays(false);
            DrawRuns(surfaces[s], firstTriangle_[s], volume);
            glCullFace(GL_FRONT);
            PointArrays(true);
            DrawRuns(surfaces[s], firstTriangle_[s], volume);
        }
    }
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    if (program_)
        GlFunctions().useProgram(0);

    // The selection: amber laid over in diagonal bands of 8 pixels (the
    // software renderer keeps 150/256 of the colour on odd bands, 110/256 on
    // even ones), counted from the top-left corner as it does.
    if (!selected.empty()) {
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_FOG);
        glDisable(GL_CULL_FACE);
        glDepthFunc(GL_LEQUAL);
        glDepthMask(GL_FALSE);
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glEnable(GL_POLYGON_STIPPLE);
        for (int band = 0; band < 2; ++band) {
            GLubyte pattern[128] = {};
            for (int row = 0; row < 32; ++row)      // rows from the bottom of the window
                for (int col = 0; col < 32; ++col) {
                    const int y = ((h - 1 - row) % 32 + 32) % 32;  // the same phase as from the top
                    if ((((col + y) / 8) & 1) == band)
                        pattern[row * 4 + col / 8] |= static_cast<GLubyte>(0x80 >> (col % 8));
                }
            glPolygonStipple(pattern);
            const int keep = band ? 150 : 110;
            glColor4ub(255, 190, 0, static_cast<GLubyte>(256 - keep));
            for (unsigned id : selected)
                if (const Surface* surface = scene.GetSurface(id))
                    DrawRuns(*surface, firstTriangle_[id - 1], volume);
        }
        glDisable(GL_POLYGON_STIPPLE);
        glDisable(GL_BLEND);
        glDepthMask(GL_TRUE);
    }
    glDisableClientState(GL_VERTEX_ARRAY);
    if (buffers_[0]) {
        GlFunctions().bindBuffer(GL_ARRAY_BUFFER, 0);
        GlFunctions().bindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    }

    // Background last: the software renderer's sky-to-ground gradient, at
    // the far end of the depth range, so only pixels nothing was drawn on
    // are shaded.
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_FOG);
    glDisable(GL_CULL_FACE);
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_FALSE);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, w, h, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glShadeModel(GL_SMOOTH);
    glBegin(GL_QUADS);
    glColor3ub(215, 227, 235);
    glVertex3i(0, 0, -1);
    glVertex3i(w, 0, -1);
    glColor3ub(155, 167, 175);
    glVertex3i(w, h, -1);
    glVertex3i(0, h, -1);
    glEnd();
    glDepthMask(GL_TRUE);

    // See-through surfaces over everything, the background included.
    if (!seeThrough_.empty()) {
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glFrustum(-right, right, -top, top, kNear, kFar);
        glMatrixMode(GL_MODELVIEW);
        glLoadMatrixd(m);
        glEnable(GL_TEXTURE_2D);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glEnableClientState(GL_COLOR_ARRAY);
        PointArrays(false);
        DrawSeeThrough(scene, textures);
        GlFunctions().useProgram(0);
        glDisableClientState(GL_COLOR_ARRAY);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
        if (buffers_[0]) {
            GlFunctions().bindBuffer(GL_ARRAY_BUFFER, 0);
            GlFunctions().bindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        }
        glDisable(GL_TEXTURE_2D);
    }
}

void GlRenderer::Present()
{
    if (context_)
        SwapBuffers(dc_);
}

void GlRenderer::ReadPixels(Image& image)
{
    if (!context_)
        return;
    wglMakeCurrent(dc_, context_);
    image.width = width_;
    image.height = height_;
    image.pixels.assign(static_cast<size_t>(width_) * height_, 0);
    std::vector<uint32_t> rows(image.pixels.size());
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, width_, height_, GL_BGRA_EXT, GL_UNSIGNED_BYTE, rows.data());
    // OpenGL's rows run bottom up.
    for (int y = 0; y < height_; ++y)
        for (int x = 0; x < width_; ++x)
            image.pixels[static_cast<size_t>(y) * width_ + x] =
                rows[static_cast<size_t>(height_ - 1 - y) * width_ + x] & 0xffffff;
}

}  // namespace walkhost
