// A fake walk-through host for tests: defines every host function of
// plugin/HostInterface.h over a small scene of numbered surfaces and
// materials, and records every call so a test can assert on what the
// plug-in asked of the host. Portable: used by native and Windows tests.
#pragma once

#include "plugin/HostInterface.h"

#include <map>
#include <string>
#include <vector>

struct FakeSurface {
    unsigned handle;
    unsigned material;
    int x, y;  // the point at which HV_SelectSurfaceAtPoint finds it
};

class FakeHost {
public:
    static FakeHost& Get();

    // Empties the scene and the call log; the scene starts non-empty.
    void Reset();

    // Adds a material with colour (r, g, b) and texture map; returns its handle.
    unsigned AddMaterial(float r, float g, float b, const char* map = "");
    // Adds a surface of a material, found by picking at (x, y); returns its handle.
    unsigned AddSurface(unsigned material, int x, int y);

    OriginalMaterial& Material(unsigned handle) { return materials[handle]; }
    bool HasMaterial(unsigned handle) const { return materials.count(handle) != 0; }

    // Number of logged calls whose text starts with prefix.
    int CountCalls(const std::string& prefix) const;
    void ClearCalls() { calls.clear(); }
    // The log from the last call that starts with prefix, as one string joined by "|".
    std::string CallsSince(const std::string& prefix) const;

    bool sceneEmpty = false;
    VRPluginCallBack* registered = nullptr;
    std::vector<unsigned> selection;
    std::vector<std::string> calls;  // "SetMaterial 3", "CalculateSurfaceColor", "Redraw", ...
    std::map<unsigned, OriginalMaterial> materials;
    std::vector<FakeSurface> surfaces;

private:
    unsigned nextHandle = 1;
};

// Live HvString objects: lets a test check that every string is destroyed.
long FakeHostLiveStrings();
