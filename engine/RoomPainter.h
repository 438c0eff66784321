// What the panel puts on the host's materials: a combination on every
// classified material of its class, a texture or a colour on the current
// material, and the materials as they were first picked. The host is reached
// only through MaterialHost, so the rules run against a fake as well as
// against the host.
#pragma once

#include "library/CombinationLibrary.h"
#include "model/SurfaceMaterialStore.h"

#include <string>

namespace engine {

// The host's material calls the panel makes.
class MaterialHost {
public:
    virtual void SetMaterial(unsigned materialHandle, OriginalMaterial& material) = 0;
    virtual void CalculateSurfaceColor() = 0;
    virtual void Redraw() = 0;
    virtual void HsvToRgb(double hue, double saturation, double brightness, double& r, double& g, double& b) = 0;

protected:
    ~MaterialHost() = default;
};

class RoomPainter {
public:
    explicit RoomPainter(MaterialHost& host) : host_(host) {}

    // The combination onto every classified material of its class (in the
    // order of the classification), then one recalculation and one redraw.
    // Sets the description and the help topic.
    void ApplyCombination(const CombinationRecord& record);
    // folder + name as the current material's texture map; false (nothing
    // written) without a current material.
    bool ApplyTexture(const std::string& folder, const std::string& name);
    // Takes the texture map off the current material.
    bool ClearTexture();
    // r, g, b (0 to 1) onto the current material, removing its texture map.
    bool WriteColor(double r, double g, double b);
    // The colour hue, saturation, brightness onto the current material; r, g
    // and b receive it as the host converts it.
    bool WriteColor(double hue, double saturation, double brightness, double& r, double& g, double& b);

    // The room (every classified material) or the current material back to
    // its remembered state; sets the description.
    void RestoreAll(bool wholeRoom);
    // The current material back to its remembered state.
    bool RestoreCurrent();

    static const char* const kRoomRestoredText;
    static const char* const kSurfaceRestoredText;

    OriginalMaterialList originalMaterials;
    std::string description;
    std::string helpTopic;

private:
    // Writes the first remembered record of materialHandle back, recalculates
    // and redraws; false when none is held.
    bool Restore(unsigned materialHandle);
    void WriteCurrent();

    MaterialHost& host_;
};

}  // namespace engine
