#include "SelectionRefresh.h"

#include "library/Colour.h"

#include <algorithm>

namespace {
constexpr double kMinimumSaturation = 0.05;
constexpr double kMinimumBrightness = 0.05;
}  // namespace

void RefreshSelectionMaterials(SelectionPanel* panel)
{
    currentMaterials.clear();
    for (unsigned surface : selectedSurfaces) {
        const unsigned handle = HV_GetMaterialHandle(surface);
        if (std::any_of(currentMaterials.begin(), currentMaterials.end(),
                        [handle](const CurrentMaterial& current) { return current.materialHandle == handle; }))
            continue;
        currentMaterials.push_back({handle, {}});
        HV_GetMaterial(handle, &currentMaterials.back().material);
    }
    if (currentMaterials.empty() || !panel)
        return;

    const float* color = currentMaterials[0].material.color;
    const double r = color[0], g = color[1], b = color[2];
    double hue = 0, saturation = 0, brightness = 0;
    HV_RgbToHsv(r, g, b, &hue, &saturation, &brightness);
    saturation = std::max(saturation, kMinimumSaturation);
    brightness = std::max(brightness, kMinimumBrightness);
    panel->ShowPickedColor(hue, saturation, brightness, PackColour(r, g, b));
    RememberOriginalMaterial(panel->RememberedMaterials(), currentMaterials[0].materialHandle);
}
