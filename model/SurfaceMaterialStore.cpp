#include "SurfaceMaterialStore.h"

#include <algorithm>

std::vector<unsigned> selectedSurfaces;
std::vector<CurrentMaterial> currentMaterials;
std::vector<SurfaceClassEntry> surfaceClasses;

void SetSurfaceClass(unsigned materialHandle, SurfaceClass surfaceClass)
{
    for (SurfaceClassEntry& entry : surfaceClasses) {
        if (entry.materialHandle == materialHandle) {
            entry.surfaceClass = surfaceClass;
            return;
        }
    }
    surfaceClasses.push_back({materialHandle, surfaceClass});
}

void ClearSurfaceClasses()
{
    std::vector<SurfaceClassEntry>().swap(surfaceClasses);
}

bool HasAllSurfaceClasses()
{
    unsigned handle = 0;
    return FirstMaterialOfClass(Ceiling, &handle) && FirstMaterialOfClass(Floor, &handle) &&
           FirstMaterialOfClass(Wall, &handle);
}

bool FirstMaterialOfClass(SurfaceClass surfaceClass, unsigned* materialHandle)
{
    auto it = std::find_if(surfaceClasses.begin(), surfaceClasses.end(),
                           [&](const SurfaceClassEntry& e) { return e.surfaceClass == surfaceClass; });
    if (it == surfaceClasses.end())
        return false;
    *materialHandle = it->materialHandle;
    return true;
}

void RememberOriginalMaterial(OriginalMaterialList& originals, unsigned materialHandle)
{
    for (const OriginalMaterialRecord& record : originals)
        if (record.materialHandle == materialHandle)
            return;
    OriginalMaterialRecord record{materialHandle, {}};
    HV_GetMaterial(materialHandle, &record.material);
    originals.push_back(record);
}

bool RestoreOriginalMaterial(const OriginalMaterialList& originals, unsigned materialHandle)
{
    for (const OriginalMaterialRecord& record : originals) {
        if (record.materialHandle == materialHandle) {
            // The host takes a non-const record; hand it a copy so the
            // remembered state stays as it was whatever the host does.
            OriginalMaterial material = record.material;
            HV_SetMaterial(materialHandle, &material);
            HV_CalculateSurfaceColor();
            HV_Redraw();
            return true;
        }
    }
    return false;
}

void ResetSurfaceMaterialStore()
{
    std::vector<unsigned>().swap(selectedSurfaces);
    std::vector<CurrentMaterial>().swap(currentMaterials);
    ClearSurfaceClasses();
}
