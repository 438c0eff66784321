// The host functions the plug-ins import by name from walkhost.exe. They run
// on the UI thread and never let an exception reach the plug-in: one that
// stops here is logged (the plug-in, their caller, tells the user).
#include "HostApp.h"
#include "Hsv.h"

#include "framework/GuardLog.h"

using walkhost::App;

extern "C" {

void HV_registerPlugin(VRPluginCallBack* table)
{
    fw::GuardedQuietly("HV_registerPlugin", [&] { App().plugins.Register(table); });
}

int HV_SceneEmpty(void) { return App().scene.Empty() ? 1 : 0; }

void HV_pluginFinished(void) {}

unsigned HV_SelectSurfaceAtPoint(int x, int y)
{
    unsigned surface = 0;
    fw::GuardedQuietly("HV_SelectSurfaceAtPoint", [&] { surface = App().PickAtScreen(x, y); });
    return surface;
}

void HV_SetSelection(int, unsigned* surfaces, int count)
{
    fw::GuardedQuietly("HV_SetSelection", [&] { App().SetSelection(surfaces, count); });
}

void HV_ClearSelection(void) { App().ClearSelection(); }

unsigned HV_GetMaterialHandle(unsigned surface)
{
    const walkhost::Surface* s = App().scene.GetSurface(surface);
    return s ? s->material : 0;
}

int HV_GetMaterial(unsigned material, OriginalMaterial* out)
{
    const walkhost::Material* m = App().scene.GetMaterial(material);
    if (!m || !out)
        return 0;
    return fw::GuardedQuietly("HV_GetMaterial", [&] { *out = m->record; }) ? 1 : 0;
}

int HV_SetMaterial(unsigned material, OriginalMaterial* in)
{
    walkhost::Material* m = App().scene.GetMaterial(material);
    if (!m || !in)
        return 0;
    if (!fw::GuardedQuietly("HV_SetMaterial", [&] { m->record = *in; }))
        return 0;
    App().Invalidate();
    return 1;
}

void HV_CalculateSurfaceColor(void)
{
    fw::GuardedQuietly("HV_CalculateSurfaceColor", [] { App().RefreshTextures(); });
}

void HV_Redraw(void)
{
    fw::GuardedQuietly("HV_Redraw", [] { App().RedrawNow(); });
}

void HV_RgbToHsv(double r, double g, double b, double* h, double* s, double* v)
{
    double hh = 0, ss = 0, vv = 0;
    walkhost::RgbToHsv(r, g, b, hh, ss, vv);
    if (h)
        *h = hh;
    if (s)
        *s = ss;
    if (v)
        *v = vv;
}

void HV_HsvToRgb(double h, double s, double v, double* r, double* g, double* b)
{
    double rr = 0, gg = 0, bb = 0;
    walkhost::HsvToRgb(h, s, v, rr, gg, bb);
    if (r)
        *r = rr;
    if (g)
        *g = gg;
    if (b)
        *b = bb;
}

}  // extern "C"
