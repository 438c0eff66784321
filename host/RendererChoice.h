// Which renderer draws the 3D view. Without a GPU the system's OpenGL is a
// software rasteriser (Mesa's llvmpipe, softpipe or swrast) shading on the
// same processors as walkhost's own renderer, and slower than it: then
// walkhost draws with its own unless OpenGL is asked for by name.
#pragma once

#include <string>

namespace walkhost {

// The renderer asked for on the command line: none named is Automatic.
enum class RendererRequest { Automatic, OpenGl, Software };

// "gl", "software"; anything else (or nothing) leaves the choice to walkhost.
RendererRequest ParseRendererRequest(const std::string& value);

// Whether OpenGL's renderer string (GL_RENDERER) names a software
// rasteriser: llvmpipe, softpipe or swrast, in any case.
bool IsSoftwareRasteriser(const std::string& glRenderer);

// Whether OpenGL draws, given the request and OpenGL's renderer string: a
// named renderer always; automatically, OpenGL unless it is a software
// rasteriser.
bool ChoosesOpenGl(RendererRequest request, const std::string& glRenderer);

// Why the automatic choice left a software rasteriser aside, as the log
// gives it after "software": "OpenGL is <renderer>: a software rasteriser".
std::string SoftwareRasteriserReason(const std::string& glRenderer);

}  // namespace walkhost
