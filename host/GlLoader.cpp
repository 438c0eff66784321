#include "GlLoader.h"

namespace walkhost {

bool MakeGlContext(HWND window, HDC& dc, HGLRC& context, std::string& error)
{
    dc = GetDC(window);
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof(pfd);
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 24;
    pfd.cAlphaBits = 8;
    pfd.cDepthBits = 24;
    pfd.iLayerType = PFD_MAIN_PLANE;
    const int format = dc ? ChoosePixelFormat(dc, &pfd) : 0;
    if (format == 0 || !SetPixelFormat(dc, format, &pfd)) {
        error = "no OpenGL pixel format for the window";
        return false;
    }
    context = wglCreateContext(dc);
    if (!context || !wglMakeCurrent(dc, context)) {
        error = "no OpenGL context could be made";
        if (context)
            wglDeleteContext(context);
        context = nullptr;
        return false;
    }
    return true;
}

GlApi& GlFunctions()
{
    static GlApi api;
    return api;
}

}  // namespace walkhost
