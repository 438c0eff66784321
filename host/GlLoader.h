// OpenGL's loading for walkhost's OpenGL renderer: the context on a window,
// and the functions past OpenGL 1.1 (vertex buffers, shaders), which Windows
// hands out only at run time, once a context is current.
#pragma once

#include <windows.h>

#include <GL/gl.h>
#include <GL/glext.h>

#include <string>

namespace walkhost {

// Makes an OpenGL context on the window (double-buffered RGBA, 24-bit
// depth) and makes it current. False, with the reason in `error`, when the
// system cannot give one; `dc` is then still the window's to release.
bool MakeGlContext(HWND window, HDC& dc, HGLRC& context, std::string& error);

// The OpenGL 1.5 functions of vertex buffers and the 2.0 ones the shader
// needs, found at run time.
struct GlApi {
    PFNGLGENBUFFERSPROC genBuffers = nullptr;
    PFNGLBINDBUFFERPROC bindBuffer = nullptr;
    PFNGLBUFFERDATAPROC bufferData = nullptr;
    PFNGLDELETEBUFFERSPROC deleteBuffers = nullptr;

    PFNGLCREATESHADERPROC createShader = nullptr;
    PFNGLSHADERSOURCEPROC shaderSource = nullptr;
    PFNGLCOMPILESHADERPROC compileShader = nullptr;
    PFNGLGETSHADERIVPROC getShaderiv = nullptr;
    PFNGLCREATEPROGRAMPROC createProgram = nullptr;
    PFNGLATTACHSHADERPROC attachShader = nullptr;
    PFNGLLINKPROGRAMPROC linkProgram = nullptr;
    PFNGLGETPROGRAMIVPROC getProgramiv = nullptr;
    PFNGLUSEPROGRAMPROC useProgram = nullptr;
    PFNGLGETUNIFORMLOCATIONPROC getUniformLocation = nullptr;
    PFNGLUNIFORM1IPROC uniform1i = nullptr;
    PFNGLUNIFORM3FPROC uniform3f = nullptr;
    PFNGLUNIFORM1FPROC uniform1f = nullptr;
    PFNGLDELETEPROGRAMPROC deleteProgram = nullptr;

    // Finds `name` for `fn`; false, leaving it null, when the system lacks it.
    template <typename Fn>
    static bool Load(Fn& fn, const char* name)
    {
        fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(wglGetProcAddress(name)));
        return fn != nullptr;
    }

    bool LoadBuffers()
    {
        // & rather than &&: every pointer is looked up, so none is left stale.
        return Load(genBuffers, "glGenBuffers") & Load(bindBuffer, "glBindBuffer") &
               Load(bufferData, "glBufferData") & Load(deleteBuffers, "glDeleteBuffers");
    }

    bool LoadShaders()
    {
        return Load(createShader, "glCreateShader") & Load(shaderSource, "glShaderSource") &
               Load(compileShader, "glCompileShader") & Load(getShaderiv, "glGetShaderiv") &
               Load(createProgram, "glCreateProgram") & Load(attachShader, "glAttachShader") &
               Load(linkProgram, "glLinkProgram") & Load(getProgramiv, "glGetProgramiv") &
               Load(useProgram, "glUseProgram") & Load(getUniformLocation, "glGetUniformLocation") &
               Load(uniform1i, "glUniform1i") & Load(uniform3f, "glUniform3f") & Load(uniform1f, "glUniform1f") &
               Load(deleteProgram, "glDeleteProgram");
    }
};

// The functions, looked up by the first context that asks.
GlApi& GlFunctions();


}  // namespace walkhost
