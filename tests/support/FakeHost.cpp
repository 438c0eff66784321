#include "FakeHost.h"

#include <algorithm>
#include <cmath>
#include <string>

namespace {
long liveStrings = 0;
std::string& Str(const HvString* s) { return *static_cast<std::string*>(s->impl); }
}  // namespace

long FakeHostLiveStrings() { return liveStrings; }

FakeHost& FakeHost::Get()
{
    static FakeHost host;
    return host;
}

void FakeHost::Reset()
{
    sceneEmpty = false;
    registered = nullptr;
    selection.clear();
    calls.clear();
    materials.clear();
    surfaces.clear();
    nextHandle = 1;
}

unsigned FakeHost::AddMaterial(float r, float g, float b, const char* map)
{
    const unsigned handle = 100 + nextHandle++;
    OriginalMaterial& m = materials[handle];
    m.mapFile[0] = map;
    m.color[0] = r;
    m.color[1] = g;
    m.color[2] = b;
    // Recognisable values in the members the plug-in only carries along.
    for (int i = 0; i < 11; ++i)
        m.params1[i] = static_cast<int32_t>(handle * 100 + i);
    m.vector = Vector3d{1.5, -2.0, static_cast<double>(handle)};
    m.triples[5][2] = static_cast<int32_t>(handle);
    m.params6[1] = -static_cast<int32_t>(handle);
    return handle;
}

unsigned FakeHost::AddSurface(unsigned material, int x, int y)
{
    const unsigned handle = nextHandle++;
    surfaces.push_back({handle, material, x, y});
    return handle;
}

int FakeHost::CountCalls(const std::string& prefix) const
{
    return static_cast<int>(std::count_if(calls.begin(), calls.end(),
                                          [&](const std::string& c) { return c.compare(0, prefix.size(), prefix) == 0; }));
}

std::string FakeHost::CallsSince(const std::string& prefix) const
{
    auto it = std::find_if(calls.rbegin(), calls.rend(),
                           [&](const std::string& c) { return c.compare(0, prefix.size(), prefix) == 0; });
    std::string joined;
    for (auto f = it == calls.rend() ? calls.end() : std::prev(it.base()); f != calls.end(); ++f)
        joined += (joined.empty() ? "" : "|") + *f;
    return joined;
}

extern "C" {

void HV_registerPlugin(VRPluginCallBack* table)
{
    FakeHost::Get().registered = table;
    FakeHost::Get().calls.push_back("registerPlugin");
}

int HV_SceneEmpty(void)
{
    FakeHost::Get().calls.push_back("SceneEmpty");
    return FakeHost::Get().sceneEmpty ? 1 : 0;
}

void HV_pluginFinished(void) { FakeHost::Get().calls.push_back("pluginFinished"); }

unsigned HV_SelectSurfaceAtPoint(int x, int y)
{
    FakeHost& h = FakeHost::Get();
    h.calls.push_back("SelectSurfaceAtPoint " + std::to_string(x) + "," + std::to_string(y));
    for (const FakeSurface& s : h.surfaces)
        if (s.x == x && s.y == y)
            return s.handle;
    return 0;
}

void HV_SetSelection(int reserved, unsigned* surfaces, int count)
{
    FakeHost& h = FakeHost::Get();
    h.selection.assign(surfaces, surfaces + (count > 0 ? count : 0));
    std::string c = "SetSelection " + std::to_string(reserved);
    for (unsigned s : h.selection)
        c += " " + std::to_string(s);
    h.calls.push_back(c);
}

void HV_ClearSelection(void)
{
    FakeHost::Get().selection.clear();
    FakeHost::Get().calls.push_back("ClearSelection");
}

unsigned HV_GetMaterialHandle(unsigned surface)
{
    FakeHost& h = FakeHost::Get();
    h.calls.push_back("GetMaterialHandle " + std::to_string(surface));
    for (const FakeSurface& s : h.surfaces)
        if (s.handle == surface)
            return s.material;
    return 0;
}

int HV_GetMaterial(unsigned material, OriginalMaterial* out)
{
    FakeHost& h = FakeHost::Get();
    h.calls.push_back("GetMaterial " + std::to_string(material));
    auto it = h.materials.find(material);
    if (it == h.materials.end())
        return 0;
    *out = it->second;
    return 1;
}

int HV_SetMaterial(unsigned material, OriginalMaterial* in)
{
    FakeHost& h = FakeHost::Get();
    h.calls.push_back("SetMaterial " + std::to_string(material));
    auto it = h.materials.find(material);
    if (it == h.materials.end())
        return 0;
    it->second = *in;
    return 1;
}

void HV_CalculateSurfaceColor(void) { FakeHost::Get().calls.push_back("CalculateSurfaceColor"); }
#ifndef FAKEHOST_WITHOUT_REDRAW
void HV_Redraw(void) { FakeHost::Get().calls.push_back("Redraw"); }
#endif

// The standard hexcone conversions: hue in degrees, grey has hue 0.
void HV_RgbToHsv(double r, double g, double b, double* h, double* s, double* v)
{
    const double mx = std::max({r, g, b});
    const double mn = std::min({r, g, b});
    const double d = mx - mn;
    *v = mx;
    *s = mx > 0 ? d / mx : 0;
    double hue = 0;
    if (d > 0) {
        if (mx == r)
            hue = 60 * std::fmod((g - b) / d, 6.0);
        else if (mx == g)
            hue = 60 * ((b - r) / d + 2);
        else
            hue = 60 * ((r - g) / d + 4);
        if (hue < 0)
            hue += 360;
    }
    *h = hue;
}

void HV_HsvToRgb(double h, double s, double v, double* r, double* g, double* b)
{
    h = std::fmod(h, 360.0);
    if (h < 0)
        h += 360;
    const double c = v * s;
    const double x = c * (1 - std::fabs(std::fmod(h / 60, 2.0) - 1));
    const double m = v - c;
    double rr = 0, gg = 0, bb = 0;
    switch (static_cast<int>(h / 60)) {
    case 0: rr = c; gg = x; break;
    case 1: rr = x; gg = c; break;
    case 2: gg = c; bb = x; break;
    case 3: gg = x; bb = c; break;
    case 4: rr = x; bb = c; break;
    default: rr = c; bb = x; break;
    }
    *r = rr + m;
    *g = gg + m;
    *b = bb + m;
}

void HvString_Construct(HvString* s)
{
    s->impl = new std::string;
    ++liveStrings;
}

void HvString_Copy(HvString* s, const HvString* from)
{
    s->impl = new std::string(Str(from));
    ++liveStrings;
}

void HvString_Destroy(HvString* s)
{
    delete static_cast<std::string*>(s->impl);
    s->impl = nullptr;
    --liveStrings;
}

void HvString_Assign(HvString* s, const HvString* from) { Str(s) = Str(from); }
void HvString_AssignText(HvString* s, const char* text) { Str(s) = text ? text : ""; }
const char* HvString_Text(const HvString* s) { return Str(s).c_str(); }
int HvString_GetLength(const HvString* s) { return static_cast<int>(Str(s).size()); }

}  // extern "C"
