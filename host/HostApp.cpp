#include "HostApp.h"

#include "DemoScene.h"
#include "ModelFit.h"
#include "ObjModel.h"
#include "Picking.h"
#include "WinText.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace walkhost {

HostApp& App()
{
    static HostApp app;
    return app;
}

namespace {

// The renderer string of the system's OpenGL, read through a context on a
// hidden window of its own: a pixel format once set on a window stays, and
// the main window takes one only when OpenGL is to draw there.
bool OpenGlRendererName(std::string& name, std::string& error)
{
    WNDCLASSW wc{};
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"WalkhostOpenGlProbe";
    RegisterClassW(&wc);  // fails harmlessly when registered already
    HWND probe = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 16, 16, nullptr, nullptr, wc.hInstance,
                                 nullptr);
    if (!probe) {
        error = "no window for OpenGL could be made";
        return false;
    }
    bool made = false;
    {
        GlRenderer gl;
        made = gl.Create(probe, error, false);
        if (made)
            name = gl.RendererName();
    }
    DestroyWindow(probe);
    return made;
}

// Where a texture's relative name is looked up: beside the model, then in
// the textures folder beside walkhost, then in the plug-ins' texture folder
// (where a library's combinations keep their maps by name).
std::vector<std::wstring> TextureFolders(const std::wstring& modelFolder)
{
    return {modelFolder, ExeFolder() + L"textures\\", ExeFolder() + L"plugins\\map\\"};
}

}  // namespace

void HostApp::UseRenderer(RendererRequest request)
{
    gl_.reset();
    rendererInfo = "software";
    // The software renderer draws though nobody asked for it: the log says
    // why. (The caption stays as it was: scripts and other programs find the
    // window by it.)
    auto unasked = [this](const std::string& why) { rendererInfo = "software (" + why + ")"; };
    std::string name, error;
    if (request == RendererRequest::Software || !window) {
        // the software renderer, as asked
    } else if (request == RendererRequest::Automatic && !OpenGlRendererName(name, error)) {
        unasked(error);
    } else if (!ChoosesOpenGl(request, name)) {
        unasked(SoftwareRasteriserReason(name));
    } else {
        auto gl = std::make_unique<GlRenderer>();
        if (gl->Create(window, error)) {
            gl_ = std::move(gl);
            rendererInfo = gl_->Description();
        } else {
            unasked(error);
        }
    }
    SetTitle(titleSubject_);
    Invalidate();
}

void HostApp::SetTitle(const std::wstring& subject)
{
    titleSubject_ = subject;
    if (window) {
        KillTimer(window, kTitleTimer);
        SetWindowTextW(window, (L"walkhost - " + subject).c_str());
    }
}

void HostApp::RestoreTitle() { SetTitle(titleSubject_); }

void HostApp::SceneReplaced()
{
    if (gl_)
        gl_->SceneChanged();
}

namespace {
void BlitImage(HDC dc, const Image& image)
{
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = image.width;
    info.bmiHeader.biHeight = -image.height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(dc, 0, 0, image.width, image.height, 0, 0, 0, image.height, image.pixels.data(), &info,
                      DIB_RGB_COLORS);
}
}  // namespace

void HostApp::PaintView(HDC dc)
{
    if (gl_) {
        gl_->Draw(scene, camera, selection, [this](const Material& m) { return TextureFor(m); });
        gl_->Present();
        return;
    }
    RenderIfNeeded();
    BlitImage(dc, frame.color);
}

void HostApp::PrintView(HDC dc)
{
    if (!gl_) {
        PaintView(dc);
        return;
    }
    Image image;
    CaptureView(image);
    BlitImage(dc, image);
}

void HostApp::CaptureView(Image& image)
{
    if (gl_) {
        gl_->Draw(scene, camera, selection, [this](const Material& m) { return TextureFor(m); });
        gl_->ReadPixels(image);
        return;
    }
    RenderIfNeeded();
    image = frame.color;
}

void HostApp::ShowDemoScene()
{
    scene.Assign(MakeDemoApartment());
    SceneReplaced();
    scene.textureFolder = WideToCp936(ExeFolder() + L"textures\\");
    modelPath.clear();
    selection.clear();
    ResetCamera();
    Invalidate();
}

void HostApp::ResetCamera()
{
    const int w = camera.width, h = camera.height;
    if (modelPath.empty()) {
        camera = DemoStartCamera(w, h);
        return;
    }
    camera = Camera();
    camera.width = w;
    camera.height = h;
    const double inf = std::numeric_limits<double>::infinity();
    Vec3 lo(inf, inf, inf), hi(-inf, -inf, -inf);
    for (const Surface& s : scene.Surfaces())
        for (const Triangle& t : s.triangles)
            for (const Vec3& v : t.p) {
                lo = Vec3(std::min(lo.x, v.x), std::min(lo.y, v.y), std::min(lo.z, v.z));
                hi = Vec3(std::max(hi.x, v.x), std::max(hi.y, v.y), std::max(hi.z, v.z));
            }
    if (!(lo.x <= hi.x))
        return;
    StartView start;
    const bool inside = FindStartView(
        [this](const FaceVisitor& visit) {
            for (const Surface& s : scene.Surfaces())
                for (const Triangle& t : s.triangles)
                    visit(t.p, 3);
        },
        start);
    if (inside) {
        // A hall or a building: stand inside it.
        camera.position = start.position;
        camera.yaw = start.yaw;
        return;
    }
    const Vec3 centre = (lo + hi) * 0.5;
    const Vec3 size = hi - lo;
    if (size.y >= 2 && size.y <= 4) {
        // A storey: stand inside at eye height, near the south side, looking north.
        camera.position = Vec3(centre.x, lo.y + 1.6, centre.z + size.z * 0.35);
    } else {
        // An object: look at it from outside.
        camera.position = Vec3(centre.x, centre.y, hi.z + Length(size) * 1.2 + 0.1);
    }
}

bool HostApp::OpenModel(const std::wstring& path, bool showErrors)
{
    std::vector<unsigned char> bytes;
    ObjModel model;
    std::string error;   // for lastLoadError and a script's log
    std::wstring reason; // for the message box, when not the loader's own (which names the line)
    if (!ReadWholeFile(path, bytes)) {
        error = "the file cannot be read";
        reason = L"无法读取该文件。";
    } else {
        const std::wstring folder = FolderOf(path);
        MtlReader readMtl = [&folder](const std::string& name, std::string& text) {
            std::vector<unsigned char> mtl;
            const std::wstring wide = Cp936ToWide(name);
            if (!ReadWholeFile(IsAbsolutePath(wide) ? wide : folder + wide, mtl))
                return false;
            text.assign(mtl.begin(), mtl.end());
            return true;
        };
        const std::string text(bytes.begin(), bytes.end());
        if (ParseObj(text, readMtl, model, error))
            error.clear();
        else if (error.empty()) {
            error = "the file is not a model";
            reason = L"该文件不是模型。";
        }
    }
    if (!error.empty()) {
        lastLoadError = error;
        if (showErrors) {
            if (reason.empty())
                reason = Utf8ToWide(error);
            const std::wstring message = L"无法打开模型。\n\n" + path + L"\n" + reason + L"\n\n当前场景保持不变。";
            MessageBoxW(window, message.c_str(), L"walkhost", MB_OK | MB_ICONERROR);
        }
        return false;
    }
    lastLoadError.clear();
    // Texture files the model names that are not there or cannot be opened
    // (a file there is read and, when refused, reported below).
    std::vector<std::string> folders;
    for (const std::wstring& folder : TextureFolders(FolderOf(path)))
        folders.push_back(WideToCp936(folder));
    const std::vector<TextureProblem> unreadable =
        CheckTextureFiles(model.materials, folders, [](const std::string& name, std::string& problem) {
            const std::wstring file = Cp936ToWide(name);
            const DWORD attributes = GetFileAttributesW(file.c_str());
            if (attributes == INVALID_FILE_ATTRIBUTES)
                return false;
            problem.clear();
            if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
                problem = "a folder, not a file";
                return true;
            }
            HANDLE handle = CreateFileW(file.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
            if (handle == INVALID_HANDLE_VALUE)
                problem = "cannot be read";
            else
                CloseHandle(handle);
            return true;
        });
    scene.Assign(std::move(model));
    SceneReplaced();
    scene.textureFolder = WideToCp936(FolderOf(path));
    modelPath = path;
    selection.clear();
    textures_.clear();
    // The model's textures are read now, so a refused one is reported with the load.
    textureProblems.clear();
    std::vector<std::wstring> shown;  // the problems as the message box says them
    for (const TextureProblem& problem : unreadable) {
        const std::wstring name = Cp936ToWide(problem.file);
        textureProblems.push_back(WideToUtf8(name) + " (" + problem.reason + ")");
        const wchar_t* why = problem.reason == "file not found"         ? L"找不到该文件"
                             : problem.reason == "a folder, not a file" ? L"这是文件夹，不是文件"
                                                                        : L"无法读取该文件";
        shown.push_back(name + L"（" + why + L"）");
    }
    for (unsigned m = 1; m <= scene.MaterialCount(); ++m)
        TextureFor(*scene.GetMaterial(m));
    for (size_t i = unreadable.size(); i < textureProblems.size(); ++i)
        shown.push_back(Utf8ToWide(textureProblems[i]));
    ResetCamera();  // before a message box, which a script's log of the start view may wait behind
    if (!shown.empty() && showErrors) {
        std::wstring message = L"模型已打开，但以下贴图无法显示：\n";
        for (const std::wstring& line : shown)
            message += L"\n" + line;
        MessageBoxW(window, message.c_str(), L"walkhost", MB_OK | MB_ICONWARNING);
    }
    const size_t slash = path.find_last_of(L"\\/");
    SetTitle(path.substr(slash == std::wstring::npos ? 0 : slash + 1));
    if (splitSharedOnLoad)
        SplitSharedMaterials();
    RedrawNow();
    SendEvent("FileOpened");
    SendEvent("NewModelLoaded");
    return true;
}

size_t HostApp::SplitSharedMaterials()
{
    const size_t copies = scene.SplitSharedMaterials();
    SceneReplaced();
    Invalidate();
    Notice("split shared materials: " + std::to_string(copies));
    if (window) {
        const std::wstring subject = titleSubject_;
        SetTitle(subject + L"（已为 " + std::to_wstring(copies) + L" 个物体拆分共用材质）");
        titleSubject_ = subject;
        SetTimer(window, kTitleTimer, kTitleNoteMs, nullptr);
    }
    return copies;
}

void HostApp::Notice(const std::string& line)
{
    std::lock_guard<std::mutex> lock(noticeLock_);
    if (keepNotices)
        notices_.push_back(line);
}

std::vector<std::string> HostApp::TakeNotices()
{
    std::lock_guard<std::mutex> lock(noticeLock_);
    return std::exchange(notices_, {});
}

void HostApp::CloseScene()
{
    scene.Clear();
    SceneReplaced();
    selection.clear();
    modelPath.clear();
    SetTitle(L"空场景");
    RedrawNow();
}

void HostApp::SetSelection(const unsigned* surfaces, int count)
{
    selection.clear();
    for (int i = 0; surfaces && i < count; ++i)
        if (scene.GetSurface(surfaces[i]) &&
            std::find(selection.begin(), selection.end(), surfaces[i]) == selection.end())
            selection.push_back(surfaces[i]);
    Invalidate();
}

void HostApp::ClearSelection()
{
    selection.clear();
    Invalidate();
}

unsigned HostApp::PickAtScreen(int x, int y)
{
    POINT pt{x, y};
    if (window)
        ScreenToClient(window, &pt);
    return PickAtPixel(scene, camera, pt.x, pt.y);
}

bool HostApp::VisiblePoint(unsigned surface, POINT& client)
{
    RenderIfNeeded();
    int x = 0, y = 0;
    if (!FindVisiblePoint(frame.ids, frame.color.width, frame.color.height, surface, x, y))
        return false;
    client.x = x;
    client.y = y;
    return true;
}

void HostApp::Invalidate()
{
    dirty_ = true;
    if (window)
        InvalidateRect(window, nullptr, FALSE);
}

void HostApp::RedrawNow()
{
    Invalidate();
    if (window)
        UpdateWindow(window);
}

void HostApp::RenderIfNeeded()
{
    if (!dirty_ && frame.color.width == camera.width && frame.color.height == camera.height)
        return;
    RenderScene(scene, camera, selection, [this](const Material& m) { return TextureFor(m); }, frame);
    dirty_ = false;
}

void HostApp::RefreshTextures()
{
    for (auto it = textures_.begin(); it != textures_.end();)
        it = it->second ? std::next(it) : textures_.erase(it);
    Invalidate();
}

const Image* HostApp::TextureFor(const Material& material)
{
    const std::string name = HvString_Text(&material.record.mapFile[0]);
    if (name.empty())
        return nullptr;
    const std::string key = scene.textureFolder + '\n' + name;
    auto it = textures_.find(key);
    if (it != textures_.end())
        return it->second.get();
    const std::wstring wide = Cp936ToWide(name);
    std::vector<std::wstring> candidates;
    if (IsAbsolutePath(wide)) {
        candidates.push_back(wide);
    } else {
        for (const std::wstring& folder : TextureFolders(Cp936ToWide(scene.textureFolder)))
            candidates.push_back(folder + wide);
    }
    std::unique_ptr<Image> image;
    std::string refused;
    for (const std::wstring& path : candidates) {
        std::vector<unsigned char> bytes;
        if (!ReadWholeFile(path, bytes))
            continue;
        auto decoded = std::make_unique<Image>();
        std::string why;
        if (DecodeImage(bytes, *decoded, &why)) {
            image = std::move(decoded);
            break;
        }
        if (refused.empty())
            refused = WideToUtf8(path) + ": " + why;
    }
    if (!image && !refused.empty())
        textureProblems.push_back(refused);
    return (textures_[key] = std::move(image)).get();
}

void HostApp::SendEvent(const char* event, int plugin)
{
    plugins.SendEvent(event, plugin);
}

}  // namespace walkhost
