#include "RendererChoice.h"

#include <algorithm>
#include <cctype>

namespace walkhost {

RendererRequest ParseRendererRequest(const std::string& value)
{
    if (value == "gl")
        return RendererRequest::OpenGl;
    if (value == "software")
        return RendererRequest::Software;
    return RendererRequest::Automatic;
}

bool IsSoftwareRasteriser(const std::string& glRenderer)
{
    std::string lower = glRenderer;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const char* name : {"llvmpipe", "softpipe", "swrast"})
        if (lower.find(name) != std::string::npos)
            return true;
    return false;
}

bool ChoosesOpenGl(RendererRequest request, const std::string& glRenderer)
{
    if (request != RendererRequest::Automatic)
        return request == RendererRequest::OpenGl;
    return !IsSoftwareRasteriser(glRenderer);
}

std::string SoftwareRasteriserReason(const std::string& glRenderer)
{
    return "OpenGL is " + glRenderer + ": a software rasteriser";
}

}  // namespace walkhost
