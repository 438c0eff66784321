// walkhost's state: the scene, the walker's camera, the selection, the
// plug-ins and the main window that shows the 3D view. One per process; the
// exported host functions and the window work on it, on the UI thread.
#pragma once

#include "Camera.h"
#include "GlRenderer.h"
#include "Plugins.h"
#include "Renderer.h"
#include "RendererChoice.h"
#include "Scene.h"

#include <windows.h>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace walkhost {

class HostApp {
public:
    Scene scene;
    Camera camera;
    Frame frame;
    std::vector<unsigned> selection;
    PluginSet plugins;
    HWND window = nullptr;       // the main window; its client area is the 3D view
    std::wstring modelPath;      // empty for the demo scene
    std::string lastLoadError;   // UTF-8; empty after a successful load
    // Textures of the loaded model that cannot be drawn, one UTF-8 line
    // each: "path: why" for a file found but refused (too large, broken),
    // "name (why)" for one missing or unreadable.
    std::vector<std::string> textureProblems;
    // Every model loaded gets a material of its own for each object that
    // shares one (--split-shared-materials).
    bool splitSharedOnLoad = false;
    int exitCode = 0;

    void ShowDemoScene();
    // Loads an OBJ model. On failure keeps the current scene, sets
    // lastLoadError and (when `showErrors`) says so in a message box. On
    // success sends "FileOpened" and then "NewModelLoaded" to the plug-ins.
    bool OpenModel(const std::wstring& path, bool showErrors);
    void CloseScene();

    // 文件 → 按物体拆分共用材质: each surface sharing its material with
    // surfaces of other names gets a copy of it as it is now. The caption
    // says how many for a few seconds, a script's log says it too. Returns
    // the number of copies.
    size_t SplitSharedMaterials();
    // The caption back to its subject alone (the main window's kTitleTimer,
    // set after a split).
    void RestoreTitle();
    static constexpr UINT_PTR kTitleTimer = 1;
    static constexpr UINT kTitleNoteMs = 4000;

    // Lines for a script's log from what the host did on its own (a split
    // chosen from the menu): kept while a script runs, taken by its runner
    // from its thread.
    bool keepNotices = false;
    void Notice(const std::string& line);
    std::vector<std::string> TakeNotices();

    void SetSelection(const unsigned* surfaces, int count);
    void ClearSelection();

    // Screen point to the surface under it, or 0.
    unsigned PickAtScreen(int x, int y);
    // A client point well inside the visible part of the surface.
    bool VisiblePoint(unsigned surface, POINT& client);

    // OpenGL when asked for by name, or when left to walkhost and the
    // system's OpenGL is not a software rasteriser, and a context can be made
    // on the window; else the software renderer. rendererInfo says which
    // runs (and why).
    void UseRenderer(RendererRequest request);
    std::string rendererInfo = "software";

    // The caption, the window's status line: "walkhost - <subject>", the
    // demo apartment, the empty scene or the model's file name.
    void SetTitle(const std::wstring& subject);
    // Draws the view to the window's device context (from WM_PAINT).
    void PaintView(HDC dc);
    // The current frame drawn into any device context (a print request).
    void PrintView(HDC dc);
    // The view as it is shown, drawn now.
    void CaptureView(Image& image);

    void Invalidate();   // draw again at the next paint
    void RedrawNow();    // draw again and show it now
    void RenderIfNeeded();
    // Forgets textures that failed to load, so a file written since is seen.
    void RefreshTextures();
    const Image* TextureFor(const Material& material);

    void SendEvent(const char* event, int plugin = -1);

    // Resets the camera to the model's starting view: inside a model larger
    // than a room (FindStartView), else at the side of a storey or before an
    // object.
    void ResetCamera();

private:
    void SceneReplaced();
    bool dirty_ = true;
    std::wstring titleSubject_ = L"演示公寓";
    std::unique_ptr<GlRenderer> gl_;
    std::map<std::string, std::unique_ptr<Image>> textures_;  // null: could not be loaded
    std::mutex noticeLock_;
    std::vector<std::string> notices_;
};

HostApp& App();

}  // namespace walkhost
