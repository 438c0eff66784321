// The engine's material calls made on the host through its exported HV_
// functions.
#pragma once

#include "engine/RoomPainter.h"
#include "plugin/HostInterface.h"

class HostMaterialCalls : public engine::MaterialHost {
public:
    void SetMaterial(unsigned materialHandle, OriginalMaterial& material) override
    {
        HV_SetMaterial(materialHandle, &material);
    }
    void CalculateSurfaceColor() override { HV_CalculateSurfaceColor(); }
    void Redraw() override { HV_Redraw(); }
    void HsvToRgb(double hue, double saturation, double brightness, double& r, double& g, double& b) override
    {
        HV_HsvToRgb(hue, saturation, brightness, &r, &g, &b);
    }
};
