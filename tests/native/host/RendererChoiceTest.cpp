// The renderer walkhost draws with, from the request on its command line and
// the renderer string of the system's OpenGL.
#include "RendererChoice.h"

#include <gtest/gtest.h>

using namespace walkhost;

TEST(RendererChoice, AutomaticLeavesSoftwareRasterisersAsideAndKeepsGpus)
{
    for (const char* rasteriser : {"llvmpipe (LLVM 15.0.7, 256 bits)", "LLVMPIPE", "Gallium 0.4 on softpipe",
                                   "Software Rasterizer SWRast", "Mesa X11 swrast"})
        EXPECT_FALSE(ChoosesOpenGl(RendererRequest::Automatic, rasteriser)) << rasteriser;
    for (const char* gpu : {"NVIDIA GeForce RTX 3060/PCIe/SSE2", "AMD Radeon RX 6600 (radeonsi, navi23, LLVM 15.0.7)",
                            "Intel(R) UHD Graphics 620", "Mesa Intel(R) Xe Graphics (TGL GT2)"})
        EXPECT_TRUE(ChoosesOpenGl(RendererRequest::Automatic, gpu)) << gpu;
}

TEST(RendererChoice, ANamedRendererWins)
{
    EXPECT_TRUE(ChoosesOpenGl(RendererRequest::OpenGl, "llvmpipe (LLVM 15.0.7, 256 bits)"));
    EXPECT_FALSE(ChoosesOpenGl(RendererRequest::Software, "NVIDIA GeForce RTX 3060/PCIe/SSE2"));
    EXPECT_EQ(ParseRendererRequest("gl"), RendererRequest::OpenGl);
    EXPECT_EQ(ParseRendererRequest("software"), RendererRequest::Software);
    EXPECT_EQ(ParseRendererRequest(""), RendererRequest::Automatic);
}

TEST(RendererChoice, TheReasonNamesTheRasteriser)
{
    EXPECT_EQ(SoftwareRasteriserReason("llvmpipe (LLVM 15.0.7, 256 bits)"),
              "OpenGL is llvmpipe (LLVM 15.0.7, 256 bits): a software rasteriser");
}
