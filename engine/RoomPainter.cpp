#include "RoomPainter.h"

namespace engine {

const char* const RoomPainter::kRoomRestoredText = "恢复房间原有配色";
const char* const RoomPainter::kSurfaceRestoredText = "恢复表面原有配色";

void RoomPainter::ApplyCombination(const CombinationRecord& record)
{
    description = FieldString(record.shortDescription);
    helpTopic = FieldString(record.extraText2);
    for (int part = Ceiling; part <= Wall; ++part) {
        OriginalMaterial material;
        SlotToMaterial(record.materials[part], material);
        for (const SurfaceClassEntry& entry : surfaceClasses) {
            if (entry.surfaceClass == part)
                host_.SetMaterial(entry.materialHandle, material);
        }
    }
    host_.CalculateSurfaceColor();
    host_.Redraw();
}

void RoomPainter::WriteCurrent()
{
    CurrentMaterial& current = currentMaterials[0];
    host_.SetMaterial(current.materialHandle, current.material);
    host_.CalculateSurfaceColor();
    host_.Redraw();
}

bool RoomPainter::ApplyTexture(const std::string& folder, const std::string& name)
{
    if (currentMaterials.empty())
        return false;
    description = name;
    currentMaterials[0].material.mapFile[0] = (folder + name).c_str();
    WriteCurrent();
    return true;
}

bool RoomPainter::ClearTexture()
{
    if (currentMaterials.empty())
        return false;
    currentMaterials[0].material.mapFile[0] = "";
    WriteCurrent();
    return true;
}

bool RoomPainter::WriteColor(double r, double g, double b)
{
    if (currentMaterials.empty())
        return false;
    OriginalMaterial& material = currentMaterials[0].material;
    material.mapFile[0] = "";  // a colour of its own replaces any texture
    material.color[0] = static_cast<float>(r);
    material.color[1] = static_cast<float>(g);
    material.color[2] = static_cast<float>(b);
    WriteCurrent();
    return true;
}

bool RoomPainter::WriteColor(double hue, double saturation, double brightness, double& r, double& g, double& b)
{
    host_.HsvToRgb(hue, saturation, brightness, r, g, b);
    return WriteColor(r, g, b);
}

bool RoomPainter::Restore(unsigned materialHandle)
{
    for (const OriginalMaterialRecord& record : originalMaterials) {
        if (record.materialHandle == materialHandle) {
            // The host takes a non-const record; hand it a copy so the
            // remembered state stays as it was whatever the host does.
            OriginalMaterial material = record.material;
            host_.SetMaterial(materialHandle, material);
            host_.CalculateSurfaceColor();
            host_.Redraw();
            return true;
        }
    }
    return false;
}

bool RoomPainter::RestoreCurrent()
{
    return !currentMaterials.empty() && Restore(currentMaterials[0].materialHandle);
}

void RoomPainter::RestoreAll(bool wholeRoom)
{
    if (wholeRoom) {
        for (const SurfaceClassEntry& entry : surfaceClasses)
            Restore(entry.materialHandle);
        description = kRoomRestoredText;
    } else {
        RestoreCurrent();
        description = kSurfaceRestoredText;
    }
    host_.CalculateSurfaceColor();
    host_.Redraw();
}

}  // namespace engine
